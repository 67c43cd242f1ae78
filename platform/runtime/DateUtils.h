// DateUtils: parts of dates, adding units of time, spans between dates, start and end of
// a day.
#pragma once

#include "SysUtils.h"

TDateTime Today();
TDateTime Yesterday();
TDateTime Tomorrow();

bool IsValidDate(Word AYear, Word AMonth, Word ADay);
bool IsValidTime(Word AHour, Word AMinute, Word ASecond, Word AMilliSecond);
bool IsValidDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                     Word AMilliSecond);

TDateTime EncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                         Word AMilliSecond);
bool TryEncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                       Word AMilliSecond, TDateTime& AValue);
void DecodeDateTime(TDateTime AValue, Word& AYear, Word& AMonth, Word& ADay, Word& AHour,
                    Word& AMinute, Word& ASecond, Word& AMilliSecond);

// The date part (midnight) and the time part (fraction) of a value.
TDateTime DateOf(TDateTime AValue);
TDateTime TimeOf(TDateTime AValue);

Word YearOf(TDateTime AValue);
Word MonthOf(TDateTime AValue);
Word DayOf(TDateTime AValue);
Word HourOf(TDateTime AValue);
Word MinuteOf(TDateTime AValue);
Word SecondOf(TDateTime AValue);
Word MilliSecondOf(TDateTime AValue);
// 1 = Monday … 7 = Sunday (ISO 8601), unlike SysUtils' DayOfWeek.
Word DayOfTheWeek(TDateTime AValue);
// 1 for the first of January.
Word DayOfTheYear(TDateTime AValue);
Word DaysInAMonth(Word AYear, Word AMonth);

TDateTime IncYear(TDateTime AValue, Integer ANumberOfYears = 1);
TDateTime IncWeek(TDateTime AValue, Integer ANumberOfWeeks = 1);
TDateTime IncDay(TDateTime AValue, Integer ANumberOfDays = 1);
TDateTime IncHour(TDateTime AValue, Int64 ANumberOfHours = 1);
TDateTime IncMinute(TDateTime AValue, Int64 ANumberOfMinutes = 1);
TDateTime IncSecond(TDateTime AValue, Int64 ANumberOfSeconds = 1);
TDateTime IncMilliSecond(TDateTime AValue, Int64 ANumberOfMilliSeconds = 1);

// Whole units between two values (never negative), counted on the millisecond timeline.
Integer YearsBetween(TDateTime ANow, TDateTime AThen);
Integer MonthsBetween(TDateTime ANow, TDateTime AThen);
Integer DaysBetween(TDateTime ANow, TDateTime AThen);
Int64 HoursBetween(TDateTime ANow, TDateTime AThen);
Int64 MinutesBetween(TDateTime ANow, TDateTime AThen);
Int64 SecondsBetween(TDateTime ANow, TDateTime AThen);
Int64 MilliSecondsBetween(TDateTime ANow, TDateTime AThen);
double DaySpan(TDateTime ANow, TDateTime AThen);

TDateTime StartOfTheDay(TDateTime AValue);
TDateTime EndOfTheDay(TDateTime AValue);  // 23:59:59.999
TDateTime StartOfTheMonth(TDateTime AValue);
TDateTime EndOfTheMonth(TDateTime AValue);

bool IsSameDay(TDateTime AValue, TDateTime ABasis);
bool IsToday(TDateTime AValue);
bool SameDate(TDateTime A, TDateTime B);
bool SameTime(TDateTime A, TDateTime B);
bool SameDateTime(TDateTime A, TDateTime B);
// -1, 0 or 1, equal within a millisecond.
Integer CompareDateTime(TDateTime A, TDateTime B);
Integer CompareDate(TDateTime A, TDateTime B);
Integer CompareTime(TDateTime A, TDateTime B);

// Seconds since 1970-01-01 (no time zone applied).
Int64 DateTimeToUnix(TDateTime AValue);
TDateTime UnixToDateTime(Int64 AValue);
