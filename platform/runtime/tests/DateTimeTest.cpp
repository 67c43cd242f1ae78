// Dates: encoding, calendar arithmetic, FormatDateTime tokens and text to dates, with
// explicit settings.
#include <gtest/gtest.h>

#include <cmath>

#include "DateUtils.h"
#include "SysUtils.h"

namespace ZS_UNITY_ID {

namespace {

TFormatSettings Us() {
  TFormatSettings fs;
  fs.ShortDateFormat = L"m/d/yyyy";
  fs.LongDateFormat = L"dddd, mmmm d, yyyy";
  fs.ShortTimeFormat = L"h:nn AMPM";
  fs.LongTimeFormat = L"h:nn:ss AMPM";
  fs.TwoDigitYearCenturyWindow = 50;
  return fs;
}

TFormatSettings Japanese() {
  TFormatSettings fs = TFormatSettings::Create(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
  fs.ShortDateFormat = L"yyyy/mm/dd";  // fixed so that the test does not follow the system's data
  fs.LongTimeFormat = L"h:nn:ss";
  return fs;
}

TFormatSettings German() {
  TFormatSettings fs = Us();
  fs.DateSeparator = L'.';
  fs.ShortDateFormat = L"dd/mm/yyyy";
  fs.LongTimeFormat = L"hh:nn:ss";
  fs.ShortTimeFormat = L"hh:nn";
  fs.DecimalSeparator = L',';
  return fs;
}

}  // namespace

TEST(Dates, EncodeDecodeAndCalendar) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 3, 1), 36586.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 30, 0, 0), 0.2708333333333333);

  const struct { Word Y, M, D; bool Valid; } dates[] = {
      {2024, 2, 29, true}, {2023, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true},
      {9999, 12, 31, true}, {0, 1, 1, false},    {2024, 13, 1, false}, {2024, 4, 31, false}};
  for (const auto& c : dates) {
    TDateTime d;
    EXPECT_EQ(TryEncodeDate(c.Y, c.M, c.D, d), c.Valid) << c.Y << "-" << c.M << "-" << c.D;
    if (c.Valid) {
      Word y, m, dd;
      DecodeDate(d, y, m, dd);
      EXPECT_EQ(y * 10000 + m * 100 + dd, c.Y * 10000 + c.M * 100 + c.D);
    }
  }
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);

  // Every day of a span of years decodes back to itself.
  for (TDateTime d = EncodeDate(1600, 1, 1); d < EncodeDate(2400, 12, 31); d += 1) {
    Word y, m, dd;
    DecodeDate(d, y, m, dd);
    ASSERT_EQ(EncodeDate(y, m, dd), d);
  }

  // Before 1899-12-30 the fraction still counts forward: -1.25 is 1899-12-29 06:00.
  Word y, m, d, h, n, s, z;
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, z);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
  EXPECT_EQ(h, 6);
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, z);
  EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + z, 235959999);

  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 10)), 1);  // a Sunday
  EXPECT_EQ(DayOfWeek(0), 7);                        // 1899-12-30 was a Saturday
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2024, 3, 10)), 7);
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(MonthDays[false][2], 28);

  TDateTime t = EncodeDate(2024, 1, 31) + EncodeTime(10, 0, 0, 0);
  EXPECT_EQ(IncMonth(t, 1), EncodeDate(2024, 2, 29) + EncodeTime(10, 0, 0, 0));
  EXPECT_EQ(IncMonth(t, -2), EncodeDate(2023, 11, 30) + EncodeTime(10, 0, 0, 0));
  EXPECT_EQ(IncMonth(t, 13), EncodeDate(2025, 2, 28) + EncodeTime(10, 0, 0, 0));
  TDateTime r = t;
  ReplaceTime(r, EncodeTime(18, 0, 0, 0));
  EXPECT_EQ(r, EncodeDate(2024, 1, 31) + 0.75);
  ReplaceDate(r, EncodeDate(2020, 5, 5) + 0.1);
  EXPECT_EQ(r, EncodeDate(2020, 5, 5) + 0.75);
  r = -1.25;
  ReplaceTime(r, 0.5);
  EXPECT_EQ(r, -1.5);
}

TEST(Dates, TimeStampsSystemTimesAndFileDates) {
  TDateTime dt = EncodeDate(2024, 3, 9) + EncodeTime(13, 45, 30, 250);
  TTimeStamp ts = DateTimeToTimeStamp(dt);
  EXPECT_EQ(ts.Time, 13 * 3600000 + 45 * 60000 + 30250);
  EXPECT_EQ(ts.Date, DateDelta + 45360);
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(ts), dt);
  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(ts)).Time, ts.Time);
  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(ts)).Date, ts.Date);
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(DateTimeToTimeStamp(-1.25)), -1.25);

  SYSTEMTIME st;
  DateTimeToSystemTime(dt, st);
  EXPECT_EQ(st.wYear, 2024);
  EXPECT_EQ(st.wDayOfWeek, 6);  // Saturday
  EXPECT_EQ(st.wMilliseconds, 250);
  EXPECT_DOUBLE_EQ(SystemTimeToDateTime(st), dt);

  Integer fd = DateTimeToFileDate(dt);
  EXPECT_EQ(FileDateToDateTime(fd), EncodeDate(2024, 3, 9) + EncodeTime(13, 45, 30, 0));
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1970, 1, 1)), 0);
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);

  TDateTime now = Now();
  EXPECT_EQ(Date(), std::trunc(now));
  EXPECT_LT(std::fabs(Time() - (now - Date())), 1.0 / 24);
}

TEST(Dates, FormatDateTimeTokens) {
  const TFormatSettings us = Us();
  const TDateTime dt = EncodeDate(2024, 3, 9) + EncodeTime(13, 5, 7, 42);  // a Saturday
  const TDateTime am = EncodeDate(2005, 11, 20) + EncodeTime(0, 4, 0, 0);
  const struct {
    const wchar_t* Fmt;
    TDateTime Value;
    const wchar_t* Expected;
  } cases[] = {
      {L"d dd ddd dddd", dt, L"9 09 Sat Saturday"},
      {L"ddddd", dt, L"3/9/2024"},
      {L"dddddd", dt, L"Saturday, March 9, 2024"},
      {L"m mm mmm mmmm", dt, L"3 03 Mar March"},
      {L"yy yyyy y", dt, L"24 2024 24"},
      {L"h hh n nn s ss z zzz", dt, L"13 13 5 05 7 07 42 042"},
      {L"hh:mm", dt, L"13:05"},              // m after h is minutes
      {L"h' hours 'm", dt, L"13 hours 5"},
      {L"mm/dd hh", dt, L"03/09 13"},
      {L"t", dt, L"1:05 PM"},
      {L"tt", dt, L"1:05:07 PM"},
      {L"c", dt, L"3/9/2024 1:05:07 PM"},
      {L"c", EncodeDate(2024, 3, 9), L"3/9/2024"},
      {L"h:nn am/pm", dt, L"1:05 pm"},
      {L"h:nn AM/PM", am, L"12:04 AM"},
      {L"h:nn a/p", dt, L"1:05 p"},
      {L"hh:nn A/P", am, L"12:04 A"},
      {L"h ampm", am, L"12 AM"},
      {L"h:nn", am, L"0:04"},
      {L"yyyy/mm/dd", dt, L"2024/03/09"},
      {L"\"Year\" yyyy 'and' \"m\"", dt, L"Year 2024 and m"},
      {L"[dd]", dt, L"[09]"},
      {L"", dt, L"3/9/2024 1:05:07 PM"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.Fmt, c.Value, us), c.Expected) << c.Fmt;

  TFormatSettings de = German();
  EXPECT_EQ(FormatDateTime(L"dd/mm/yyyy hh:nn", dt, de), L"09.03.2024 13:05");
  EXPECT_EQ(DateToStr(dt, de), L"09.03.2024");
  EXPECT_EQ(TimeToStr(dt, de), L"13:05:07");
  EXPECT_EQ(DateTimeToStr(dt, de), L"09.03.2024 13:05:07");
  de.ShortDateFormat = L"ddddd";  // a format that names itself ends instead of looping
  EXPECT_NO_THROW(DateToStr(dt, de));

  const TFormatSettings ja = Japanese();
  EXPECT_EQ(FormatDateTime(L"gg e\"年\"", dt, ja), L"令和 6年");
  EXPECT_EQ(FormatDateTime(L"g ee", EncodeDate(1989, 1, 7), ja), L"昭 64");
  EXPECT_EQ(FormatDateTime(L"gge", EncodeDate(1989, 1, 8), ja), L"平成1");
  EXPECT_EQ(FormatDateTime(L"h:nn ampm", dt, ja), L"1:05 午後");
  EXPECT_EQ(FormatDateTime(L"ampm h:nn", dt, ja), L"午後 13:05");  // the clock follows a later designator only
  EXPECT_EQ(FormatDateTime(L"mmmm dddd", dt, ja), L"3月 土曜日");
}

TEST(Dates, TextToDatesAndTimes) {
  const TFormatSettings us = Us(), de = German(), ja = Japanese();
  const Word thisYear = YearOf(Date());
  const struct {
    const wchar_t* Text;
    const TFormatSettings* Fs;
    bool Ok;
    TDateTime Expected;
  } dates[] = {
      {L"3/9/2024", &us, true, EncodeDate(2024, 3, 9)},
      {L" 03 / 09 / 2024 ", &us, true, EncodeDate(2024, 3, 9)},
      {L"12/31/99", &us, true, EncodeDate(thisYear - 50 <= 1999 && 1999 < thisYear + 50 ? 1999 : 2099, 12, 31)},
      {L"3/9", &us, true, EncodeDate(thisYear, 3, 9)},
      {L"09.03.2024", &de, true, EncodeDate(2024, 3, 9)},
      {L"9.3.", &de, true, EncodeDate(thisYear, 3, 9)},
      {L"2024/03/09", &ja, true, EncodeDate(2024, 3, 9)},
      {L"2/30/2024", &us, false, 0},
      {L"13/1/2024", &us, false, 0},
      {L"3-9-2024", &us, false, 0},
      {L"3/9/2024 x", &us, false, 0},
      {L"", &us, false, 0},
      {L"3/9/2024/1", &us, false, 0},
  };
  for (const auto& c : dates) {
    TDateTime v = -1;
    EXPECT_EQ(TryStrToDate(c.Text, v, *c.Fs), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(v, c.Expected) << c.Text;
    }
  }
  const struct {
    const wchar_t* Text;
    const TFormatSettings* Fs;
    bool Ok;
    TDateTime Expected;
  } times[] = {
      {L"13:05", &us, true, EncodeTime(13, 5, 0, 0)},
      {L"1:05:07 PM", &us, true, EncodeTime(13, 5, 7, 0)},
      {L"12:00 am", &us, true, 0},
      {L"12:30 PM", &us, true, EncodeTime(12, 30, 0, 0)},
      {L"7 pm", &us, true, EncodeTime(19, 0, 0, 0)},
      {L"13:05:07,5", &de, true, EncodeTime(13, 5, 7, 500)},
      {L"午後 1:05", &ja, true, EncodeTime(13, 5, 0, 0)},
      {L"1:05 午前", &ja, true, EncodeTime(1, 5, 0, 0)},
      {L"24:00", &us, false, 0},
      {L"13:05 PM", &us, false, 0},
      {L"7", &us, false, 0},
      {L"10:61", &us, false, 0},
      {L"10:", &us, false, 0},
  };
  for (const auto& c : times) {
    TDateTime v = -1;
    EXPECT_EQ(TryStrToTime(c.Text, v, *c.Fs), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_NEAR(v, c.Expected, 1e-9) << c.Text;
    }
  }
  EXPECT_NEAR(StrToDateTime(L"3/9/2024 1:05:07 PM", us), EncodeDate(2024, 3, 9) + EncodeTime(13, 5, 7, 0), 1e-9);
  EXPECT_EQ(StrToDateTime(L"3/9/2024", us), EncodeDate(2024, 3, 9));
  EXPECT_NEAR(StrToDateTime(L"13:05", us), EncodeTime(13, 5, 0, 0), 1e-9);
  EXPECT_EQ(StrToDateDef(L"nonsense", 5, us), 5);
  EXPECT_EQ(StrToTimeDef(L"nonsense", 5, us), 5);
  EXPECT_EQ(StrToDateTimeDef(L"nonsense", 5, us), 5);

  const struct { void (*Fn)(); const wchar_t* Message; } errors[] = {
      {[] { StrToDate(L"31/31/2024", Us()); }, L"'31/31/2024' is not a valid date"},
      {[] { StrToTime(L"25:00", Us()); }, L"'25:00' is not a valid time"},
      {[] { StrToDateTime(L"3/9/2024 25:00", Us()); }, L"'3/9/2024 25:00' is not a valid date and time"},
  };
  for (const auto& e : errors) {
    try {
      e.Fn();
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& x) {
      EXPECT_EQ(x.Message(), e.Message);
    }
  }

  // Round trips through each settings' own formats.
  const TDateTime samples[] = {EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0),
                               EncodeDate(2024, 2, 29) + EncodeTime(0, 0, 1, 0),
                               EncodeDate(2030, 7, 4) + EncodeTime(12, 0, 0, 0)};
  for (const TFormatSettings* fs : {&us, &de, &ja}) {
    for (TDateTime v : samples) {
      EXPECT_EQ(StrToDate(DateToStr(v, *fs), *fs), std::trunc(v)) << DateToStr(v, *fs);
      EXPECT_NEAR(StrToDateTime(DateTimeToStr(v, *fs), *fs), v, 1e-8) << DateTimeToStr(v, *fs);
    }
  }
  // The user's settings too, whatever the locale gives.
  const TFormatSettings user = TFormatSettings::Create();
  for (TDateTime v : samples) EXPECT_NEAR(StrToDateTime(DateTimeToStr(v, user), user), v, 1e-8) << DateTimeToStr(v, user);
}

TEST(Dates, DateUtilsArithmetic) {
  const TDateTime t = EncodeDateTime(2024, 3, 9, 23, 30, 0, 0);
  EXPECT_EQ(IncDay(t, 1), EncodeDateTime(2024, 3, 10, 23, 30, 0, 0));
  EXPECT_EQ(IncHour(t, 1), EncodeDateTime(2024, 3, 10, 0, 30, 0, 0));
  EXPECT_EQ(IncMinute(t, -31), EncodeDateTime(2024, 3, 9, 22, 59, 0, 0));
  EXPECT_EQ(IncSecond(t, 1800), EncodeDateTime(2024, 3, 10, 0, 0, 0, 0));
  EXPECT_EQ(IncMilliSecond(t, 1), EncodeDateTime(2024, 3, 9, 23, 30, 0, 1));
  EXPECT_EQ(IncYear(EncodeDate(2024, 2, 29), 1), EncodeDate(2025, 2, 28));
  EXPECT_EQ(IncWeek(EncodeDate(2024, 3, 9)), EncodeDate(2024, 3, 16));
  // Across 1899-12-30 the time of day keeps running forward.
  EXPECT_EQ(IncHour(EncodeDateTime(1899, 12, 29, 23, 0, 0, 0), 2), EncodeDateTime(1899, 12, 30, 1, 0, 0, 0));
  EXPECT_EQ(IncHour(EncodeDateTime(1899, 12, 30, 1, 0, 0, 0), -2), EncodeDateTime(1899, 12, 29, 23, 0, 0, 0));

  EXPECT_EQ(YearOf(t), 2024);
  EXPECT_EQ(MonthOf(t), 3);
  EXPECT_EQ(DayOf(t), 9);
  EXPECT_EQ(HourOf(t), 23);
  EXPECT_EQ(MinuteOf(t), 30);
  EXPECT_EQ(SecondOf(t), 0);
  EXPECT_EQ(DayOfTheYear(t), 69);
  EXPECT_EQ(DateOf(t), EncodeDate(2024, 3, 9));
  EXPECT_NEAR(TimeOf(t), EncodeTime(23, 30, 0, 0), 1e-9);
  EXPECT_EQ(StartOfTheDay(t), EncodeDate(2024, 3, 9));
  EXPECT_EQ(EndOfTheDay(t), EncodeDateTime(2024, 3, 9, 23, 59, 59, 999));
  EXPECT_EQ(EndOfTheMonth(t), EncodeDateTime(2024, 3, 31, 23, 59, 59, 999));
  EXPECT_EQ(StartOfTheMonth(t), EncodeDate(2024, 3, 1));

  const TDateTime a = EncodeDateTime(2024, 1, 1, 0, 0, 0, 0), b = EncodeDateTime(2024, 1, 3, 12, 0, 0, 0);
  EXPECT_EQ(DaysBetween(a, b), 2);
  EXPECT_EQ(DaysBetween(b, a), 2);
  EXPECT_EQ(HoursBetween(a, b), 60);
  EXPECT_EQ(SecondsBetween(a, b), 216000);
  EXPECT_EQ(MilliSecondsBetween(a, IncMilliSecond(a, 1)), 1);
  // A day minus a millisecond is not a whole day, even though the doubles are close.
  EXPECT_EQ(DaysBetween(a, IncMilliSecond(IncDay(a), -1)), 0);
  EXPECT_EQ(YearsBetween(EncodeDate(2000, 1, 1), EncodeDate(2024, 6, 1)), 24);

  EXPECT_TRUE(IsSameDay(t, EncodeDate(2024, 3, 9)));
  EXPECT_FALSE(IsSameDay(t, EncodeDate(2024, 3, 10)));
  EXPECT_TRUE(IsToday(Now()));
  EXPECT_EQ(Tomorrow() - Today(), 1);
  EXPECT_EQ(CompareDateTime(a, b), -1);
  EXPECT_EQ(CompareDateTime(a, a + 1e-10), 0);
  EXPECT_TRUE(IsValidDate(2024, 2, 29));
  EXPECT_FALSE(IsValidDate(2023, 2, 29));
  EXPECT_THROW(EncodeDateTime(2024, 1, 1, 24, 0, 0, 0), EConvertError);
  EXPECT_EQ(DateTimeToUnix(EncodeDate(1970, 1, 2)), 86400);
  EXPECT_EQ(UnixToDateTime(86400 + 3600), EncodeDateTime(1970, 1, 2, 1, 0, 0, 0));
}

}  // namespace ZS_UNITY_ID
