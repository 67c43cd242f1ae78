// Date utilities of the editors: the locale's first day of the week and the smart-date
// words ("today", "eom" ...) that date masks accept besides a formatted date.
#pragma once

#include <windows.h>

#include "SysInit.h"
#include "System.h"

enum TDay { dSunday, dMonday, dTuesday, dWednesday, dThursday, dFriday, dSaturday };
using TDayOfWeek = TDay;

constexpr Integer vxSmartDateWordCount = 20;
constexpr Integer vxSmartDateNowIndex = 19;

// The thread locale's first day of the week (LOCALE_IFIRSTDAYOFWEEK, 0 = Monday).
TDay ReadLocaleStartOfWeek();
// The smart-date words, read through the resource-strings repository at every call so
// that a translation replaces them.
String SmartDateWord(Integer AIndex);
// AText as mask text: every run of characters other than a single quote between single
// quotes, and a single quote as "\'".
String AddQuotedMaskText(const String& AText);
// A regular-expression mask that accepts AMask, or a smart-date word (with "now" when
// asked) followed by an optional signed day offset of one to four digits.
String GetSmartDateInputMask(const String& AMask, bool AWithNow);
