#include "DateUtils.h"

#include <cmath>

namespace {
// Milliseconds on a continuous timeline (TDateTime's fraction runs forward from midnight
// even before 1899-12-30).
Int64 ToMSecs(TDateTime v) {
  TTimeStamp ts = DateTimeToTimeStamp(v);
  return static_cast<Int64>(ts.Date) * MSecsPerDay + ts.Time;
}
TDateTime FromMSecs(Int64 ms) {
  TTimeStamp ts;
  Int64 date = ms / MSecsPerDay, time = ms % MSecsPerDay;
  if (time < 0) { time += MSecsPerDay; --date; }
  ts.Date = static_cast<Integer>(date);
  ts.Time = static_cast<Integer>(time);
  return TimeStampToDateTime(ts);
}
Int64 AbsSpan(TDateTime a, TDateTime b) {
  Int64 d = ToMSecs(a) - ToMSecs(b);
  return d < 0 ? -d : d;
}
}  // namespace

TDateTime Today() { return Date(); }
TDateTime Yesterday() { return Date() - 1; }
TDateTime Tomorrow() { return Date() + 1; }

bool IsValidDate(Word AYear, Word AMonth, Word ADay) {
  return AYear >= 1 && AYear <= 9999 && AMonth >= 1 && AMonth <= 12 && ADay >= 1 &&
         ADay <= DaysInMonth(AYear, AMonth);
}
bool IsValidTime(Word AHour, Word AMinute, Word ASecond, Word AMilliSecond) {
  return AHour < 24 && AMinute < 60 && ASecond < 60 && AMilliSecond < 1000;
}
bool IsValidDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                     Word AMilliSecond) {
  return IsValidDate(AYear, AMonth, ADay) && IsValidTime(AHour, AMinute, ASecond, AMilliSecond);
}

bool TryEncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                       Word AMilliSecond, TDateTime& AValue) {
  TDateTime d, t;
  if (!TryEncodeDate(AYear, AMonth, ADay, d) || !TryEncodeTime(AHour, AMinute, ASecond, AMilliSecond, t))
    return false;
  AValue = d >= 0 ? d + t : d - t;
  return true;
}
TDateTime EncodeDateTime(Word AYear, Word AMonth, Word ADay, Word AHour, Word AMinute, Word ASecond,
                         Word AMilliSecond) {
  TDateTime r;
  if (!TryEncodeDateTime(AYear, AMonth, ADay, AHour, AMinute, ASecond, AMilliSecond, r))
    throw EConvertError(L"Invalid argument to date encode");
  return r;
}
void DecodeDateTime(TDateTime AValue, Word& AYear, Word& AMonth, Word& ADay, Word& AHour,
                    Word& AMinute, Word& ASecond, Word& AMilliSecond) {
  DecodeDate(AValue, AYear, AMonth, ADay);
  DecodeTime(AValue, AHour, AMinute, ASecond, AMilliSecond);
}

TDateTime DateOf(TDateTime AValue) { return std::trunc(AValue); }
TDateTime TimeOf(TDateTime AValue) { return std::fabs(AValue - std::trunc(AValue)); }

Word YearOf(TDateTime AValue) { Word y, m, d; DecodeDate(AValue, y, m, d); return y; }
Word MonthOf(TDateTime AValue) { Word y, m, d; DecodeDate(AValue, y, m, d); return m; }
Word DayOf(TDateTime AValue) { Word y, m, d; DecodeDate(AValue, y, m, d); return d; }
Word HourOf(TDateTime AValue) { Word h, n, s, z; DecodeTime(AValue, h, n, s, z); return h; }
Word MinuteOf(TDateTime AValue) { Word h, n, s, z; DecodeTime(AValue, h, n, s, z); return n; }
Word SecondOf(TDateTime AValue) { Word h, n, s, z; DecodeTime(AValue, h, n, s, z); return s; }
Word MilliSecondOf(TDateTime AValue) { Word h, n, s, z; DecodeTime(AValue, h, n, s, z); return z; }
Word DayOfTheWeek(TDateTime AValue) { return static_cast<Word>((DayOfWeek(AValue) + 5) % 7 + 1); }
Word DayOfTheYear(TDateTime AValue) {
  Word y = YearOf(AValue);
  return static_cast<Word>(std::trunc(AValue) - EncodeDate(y, 1, 1) + 1);
}
Word DaysInAMonth(Word AYear, Word AMonth) { return DaysInMonth(AYear, AMonth); }

TDateTime IncYear(TDateTime AValue, Integer ANumberOfYears) { return IncMonth(AValue, ANumberOfYears * 12); }
TDateTime IncWeek(TDateTime AValue, Integer ANumberOfWeeks) { return IncDay(AValue, ANumberOfWeeks * 7); }
TDateTime IncDay(TDateTime AValue, Integer ANumberOfDays) {
  return IncMilliSecond(AValue, static_cast<Int64>(ANumberOfDays) * MSecsPerDay);
}
TDateTime IncHour(TDateTime AValue, Int64 ANumberOfHours) {
  return IncMilliSecond(AValue, ANumberOfHours * 3600000);
}
TDateTime IncMinute(TDateTime AValue, Int64 ANumberOfMinutes) {
  return IncMilliSecond(AValue, ANumberOfMinutes * 60000);
}
TDateTime IncSecond(TDateTime AValue, Int64 ANumberOfSeconds) {
  return IncMilliSecond(AValue, ANumberOfSeconds * 1000);
}
TDateTime IncMilliSecond(TDateTime AValue, Int64 ANumberOfMilliSeconds) {
  return FromMSecs(ToMSecs(AValue) + ANumberOfMilliSeconds);
}

Integer YearsBetween(TDateTime ANow, TDateTime AThen) {
  return static_cast<Integer>(std::trunc(DaySpan(ANow, AThen) / 365.25));
}
Integer MonthsBetween(TDateTime ANow, TDateTime AThen) {
  return static_cast<Integer>(std::trunc(DaySpan(ANow, AThen) / (365.25 / 12)));
}
Integer DaysBetween(TDateTime ANow, TDateTime AThen) {
  return static_cast<Integer>(AbsSpan(ANow, AThen) / MSecsPerDay);
}
Int64 HoursBetween(TDateTime ANow, TDateTime AThen) { return AbsSpan(ANow, AThen) / 3600000; }
Int64 MinutesBetween(TDateTime ANow, TDateTime AThen) { return AbsSpan(ANow, AThen) / 60000; }
Int64 SecondsBetween(TDateTime ANow, TDateTime AThen) { return AbsSpan(ANow, AThen) / 1000; }
Int64 MilliSecondsBetween(TDateTime ANow, TDateTime AThen) { return AbsSpan(ANow, AThen); }
double DaySpan(TDateTime ANow, TDateTime AThen) {
  return static_cast<double>(AbsSpan(ANow, AThen)) / MSecsPerDay;
}

TDateTime StartOfTheDay(TDateTime AValue) { return std::trunc(AValue); }
TDateTime EndOfTheDay(TDateTime AValue) {
  TDateTime r = AValue;
  ReplaceTime(r, EncodeTime(23, 59, 59, 999));
  return r;
}
TDateTime StartOfTheMonth(TDateTime AValue) {
  Word y, m, d;
  DecodeDate(AValue, y, m, d);
  return EncodeDate(y, m, 1);
}
TDateTime EndOfTheMonth(TDateTime AValue) {
  Word y, m, d;
  DecodeDate(AValue, y, m, d);
  return EndOfTheDay(EncodeDate(y, m, DaysInMonth(y, m)));
}

bool IsSameDay(TDateTime AValue, TDateTime ABasis) { return std::trunc(AValue) == std::trunc(ABasis); }
bool IsToday(TDateTime AValue) { return IsSameDay(AValue, Date()); }
bool SameDate(TDateTime A, TDateTime B) { return std::trunc(A) == std::trunc(B); }
bool SameTime(TDateTime A, TDateTime B) { return DateTimeToTimeStamp(A).Time == DateTimeToTimeStamp(B).Time; }
bool SameDateTime(TDateTime A, TDateTime B) { return ToMSecs(A) == ToMSecs(B); }
Integer CompareDateTime(TDateTime A, TDateTime B) {
  Int64 a = ToMSecs(A), b = ToMSecs(B);
  return a < b ? -1 : (a > b ? 1 : 0);
}
Integer CompareDate(TDateTime A, TDateTime B) {
  double a = std::trunc(A), b = std::trunc(B);
  return a < b ? -1 : (a > b ? 1 : 0);
}
Integer CompareTime(TDateTime A, TDateTime B) {
  Integer a = DateTimeToTimeStamp(A).Time, b = DateTimeToTimeStamp(B).Time;
  return a < b ? -1 : (a > b ? 1 : 0);
}

Int64 DateTimeToUnix(TDateTime AValue) {
  Int64 ms = ToMSecs(AValue) - ToMSecs(UnixDateDelta);
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}
TDateTime UnixToDateTime(Int64 AValue) { return IncSecond(static_cast<TDateTime>(UnixDateDelta), AValue); }
