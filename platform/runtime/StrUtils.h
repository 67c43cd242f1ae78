// StrUtils: more string routines (parts of strings, tests on starts and ends, search in
// lists of strings, repetition). Positions are 1-based as in SysUtils.
#pragma once

#include <initializer_list>
#include <vector>

#include "SysUtils.h"

// The first / last Count characters; MidStr from the 1-based Start.
String LeftStr(const String& S, Integer Count);
String RightStr(const String& S, Integer Count);
String MidStr(const String& S, Integer Start, Integer Count);

// Case-sensitive (Str) and ASCII-case-insensitive (Text) tests; the Ansi… forms compare
// through the user's locale.
bool StartsStr(const String& SubText, const String& Text);
bool EndsStr(const String& SubText, const String& Text);
bool ContainsStr(const String& Text, const String& SubText);
bool StartsText(const String& SubText, const String& Text);
bool EndsText(const String& SubText, const String& Text);
bool ContainsText(const String& Text, const String& SubText);
bool AnsiStartsStr(const String& SubText, const String& Text);
bool AnsiEndsStr(const String& SubText, const String& Text);
bool AnsiContainsStr(const String& Text, const String& SubText);
bool AnsiStartsText(const String& SubText, const String& Text);
bool AnsiEndsText(const String& SubText, const String& Text);
bool AnsiContainsText(const String& Text, const String& SubText);

// Replaces every occurrence (ReplaceText ignoring case).
String ReplaceStr(const String& Text, const String& From, const String& To);
String ReplaceText(const String& Text, const String& From, const String& To);
String AnsiReplaceStr(const String& Text, const String& From, const String& To);
String AnsiReplaceText(const String& Text, const String& From, const String& To);

// The 0-based index of Text in Values, -1 when absent.
Integer IndexStr(const String& Text, std::initializer_list<String> Values);
Integer IndexText(const String& Text, std::initializer_list<String> Values);
Integer AnsiIndexStr(const String& Text, std::initializer_list<String> Values);
Integer AnsiIndexText(const String& Text, std::initializer_list<String> Values);
bool MatchStr(const String& Text, std::initializer_list<String> Values);
bool MatchText(const String& Text, std::initializer_list<String> Values);

String DupeString(const String& Text, Integer Count);
String ReverseString(const String& S);
String IfThen(bool Value, const String& ATrue, const String& AFalse = String());
// Splits S at every character that is one of Delimiters (empty parts kept).
std::vector<String> SplitString(const String& S, const String& Delimiters);
