// Date arithmetic of the editors: week starts and week numbers across year ends, smart
// date words with offsets, and the Gregorian, Japanese and Hijri calendar tables.
#include <gtest/gtest.h>

#include "DateUtils.h"
#include "SysUtils.h"
#include "vxDateUtils.h"
#include "vxVariants.h"

namespace ZS_UNITY_ID {

namespace {

TDateTime D(Word Y, Word M, Word Day) { return EncodeDate(Y, M, Day); }

TEST(DateUtilsTest, WeekStartsMoveBackToTheWeeksFirstDay) {
  // 3 January 2016 is a Sunday.
  EXPECT_EQ(DayIndexInWeek(D(2016, 1, 3), dMonday), 6);
  EXPECT_EQ(GetWeekStart(D(2016, 1, 3), dMonday), D(2015, 12, 28));
  EXPECT_EQ(GetWeekStart(D(2016, 1, 3) + 0.75, dSunday), D(2016, 1, 3));
  EXPECT_EQ(GetWeekStart(D(2016, 1, 2), dSunday), D(2015, 12, 27));
}

TEST(DateUtilsTest, WeekNumbersAcrossYearEnds) {
  struct Case {
    TDay Start;
    TvxFirstWeekOfYear Rule;
    TDateTime Date;
    Integer Week;
  } cases[] = {
      {dMonday, fwyFirstFourDays, D(2015, 12, 31), 53},
      {dMonday, fwyFirstFourDays, D(2016, 1, 1), 53},  // before week 1: the previous year's last week
      {dMonday, fwyFirstFourDays, D(2016, 1, 3), 53},
      {dMonday, fwyFirstFourDays, D(2016, 1, 4), 1},
      {dMonday, fwyFirstFourDays, D(2014, 12, 29), 1},  // the week that holds 1 January 2015
      {dMonday, fwyFirstFourDays, D(2021, 1, 1), 53},
      {dMonday, fwyFirstFourDays, D(2026, 1, 1), 1},
      {dMonday, fwyFirstFullWeek, D(2016, 1, 1), 52},
      {dMonday, fwyFirstFullWeek, D(2016, 1, 4), 1},
      {dSunday, fwyJan1, D(2016, 1, 1), 1},
      {dSunday, fwyJan1, D(2016, 12, 31), 53},
      {dSunday, fwyJan1, D(2017, 12, 31), 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetGregorianWeekNumber(c.Start, c.Rule, c.Date), c.Week)
        << DateToStr(c.Date) << " rule " << c.Rule << " start " << c.Start;
}

TEST(DateUtilsTest, SmartDateWordsWithOffsets) {
  const TDateTime now = D(2016, 2, 10) + 0.6;  // a Wednesday afternoon in a leap year
  struct Case {
    const wchar_t* Text;
    bool Ok;
    TDateTime Expected;
  } cases[] = {
      {L"today", true, D(2016, 2, 10)},       {L"  Tomorrow +2", true, D(2016, 2, 13)},
      {L"today-1", true, D(2016, 2, 9)},      {L"yesterday - 3", true, D(2016, 2, 6)},
      {L"today x", true, D(2016, 2, 10)},     {L"today +", true, D(2016, 2, 10)},
      {L"Wednesday", true, D(2016, 2, 10)},   {L"monday", true, D(2016, 2, 15)},
      {L"bom", true, D(2016, 2, 1)},          {L"eom", true, D(2016, 2, 29)},
      {L"first", true, D(2016, 2, 8)},        {L"seventh", true, D(2016, 2, 14)},
      {L"now", true, now},                    {L"next today", false, 0},
      {L"", false, 0},
  };
  for (const Case& c : cases) {
    TDateTime d = -1;
    EXPECT_EQ(ParseSmartDateText(c.Text, d, now, dMonday), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(d, c.Expected) << c.Text;
    }
  }
  // On a Sunday with weeks starting on Monday, "first" is six days back.
  TDateTime d = 0;
  ASSERT_TRUE(ParseSmartDateText(L"first", d, D(2016, 2, 14), dMonday));
  EXPECT_EQ(d, D(2016, 2, 8));
}

TEST(DateUtilsTest, JapaneseErasIncludeTheEraFrom1May2019) {
  TvxJapaneseCalendarTable t;
  struct Case {
    TDateTime Date;
    Integer Era, Year;
  } cases[] = {
      {D(1989, 1, 7), 2, 64}, {D(1989, 1, 8), 3, 1}, {D(2019, 4, 30), 3, 31},
      {D(2019, 5, 1), 4, 1},  {D(2026, 12, 11), 4, 8},
  };
  for (const Case& c : cases) {
    const TvxDateTime j = t.FromDateTime(c.Date);
    EXPECT_EQ(j.Era, c.Era) << DateToStr(c.Date);
    EXPECT_EQ(static_cast<Integer>(j.Year), c.Year) << DateToStr(c.Date);
    EXPECT_EQ(t.ToDateTime(j), c.Date) << DateToStr(c.Date);
  }
  EXPECT_EQ(t.DefaultEra()->StartDate, D(2019, 5, 1));
  // Before the first era: no era, the year counted in the default era.
  EXPECT_EQ(t.FromDateTime(D(1868, 9, 7)).Era, -1);
  TvxDateTime r;
  r.Era = -1;
  r.Year = 1;
  r.Month = 5;
  r.Day = 1;
  EXPECT_EQ(t.ToDateTime(r), D(2019, 5, 1));
  EXPECT_EQ(t.HighestYear(), 9999 - 2018);
}

TEST(DateUtilsTest, HijriTablesCoverTheirWholeRange) {
  TvxHijriCalendarTable t;
  const TvxDateTime first = t.FromDateTime(t.MinSupportedDate());
  EXPECT_EQ(first.Year, 1u);
  EXPECT_EQ(first.Month, 1u);
  EXPECT_EQ(first.Day, 1u);
  EXPECT_EQ(t.MinSupportedDate(), D(622, 7, 18));
  EXPECT_EQ(DatePartOf(t.MaxSupportedDate()), D(9999, 12, 31));
  EXPECT_EQ(static_cast<Integer>(t.FromDateTime(t.MaxSupportedDate()).Year), t.HighestYear());
  EXPECT_TRUE(t.IsLeapYear(-1, 2));
  EXPECT_EQ(t.GetDaysInMonth(-1, 2, 12), 30);
  EXPECT_EQ(t.GetDaysInMonth(-1, 3, 12), 29);
  // Every day of the range converts there and back, and only the next day follows it.
  TvxDateTime prev = first;
  for (TDateTime d = t.MinSupportedDate(); d <= DatePartOf(t.MaxSupportedDate()); d += 1) {
    const TvxDateTime h = t.FromDateTime(d);
    ASSERT_TRUE(t.IsValidDay(-1, h.Year, h.Month, h.Day)) << DateToStr(d);
    ASSERT_EQ(t.ToDateTime(h), d) << DateToStr(d);
    if (d > t.MinSupportedDate()) {
      const bool nextDay = h.Year == prev.Year && h.Month == prev.Month && h.Day == prev.Day + 1;
      const bool nextMonth = h.Year == prev.Year && h.Month == prev.Month + 1 && h.Day == 1;
      const bool nextYear = h.Year == prev.Year + 1 && h.Month == 1 && h.Day == 1 && prev.Month == 12;
      ASSERT_TRUE(nextDay || nextMonth || nextYear) << DateToStr(d);
    }
    prev = h;
  }
}

TEST(DateUtilsTest, TwoDigitYearsUseTheCenturyWindow) {
  TvxGregorianCalendarTable g;
  EXPECT_EQ(g.GetYearNumber(L"123"), 123);
  EXPECT_EQ(g.GetYearNumber(L"2019"), 2019);
  const Integer y = g.GetYearNumber(L"19");
  EXPECT_TRUE(y == 1919 || y == 2019) << y;
  // A system that gives no window: the runtime's century window (50 years back from
  // the current year) decides.
  vxGetCalendarInfoBinding = [](LCID, CALID, CALTYPE, LPWSTR, int, LPDWORD) -> int { return 0; };
  TScopeExit restore([] { vxGetCalendarInfoBinding = nullptr; });
  Word cy, cm, cd;
  DecodeDate(Date(), cy, cm, cd);
  const Integer pivot = cy - FormatSettings.TwoDigitYearCenturyWindow;
  for (Integer v : {0, 30, 70, 99}) {
    const Integer got = g.GetYearNumber(IntToStr(v));
    EXPECT_EQ(got % 100, v);
    EXPECT_GE(got, pivot) << v;
    EXPECT_LT(got, pivot + 100) << v;
  }
  // A system window of 2029 puts 29 in 2029 and 30 in 1930.
  vxGetCalendarInfoBinding = [](LCID, CALID, CALTYPE, LPWSTR, int, LPDWORD AValue) -> int {
    *AValue = 2029;
    return 2;
  };
  EXPECT_EQ(g.GetYearNumber(L"29"), 2029);
  EXPECT_EQ(g.GetYearNumber(L"30"), 1930);
  EXPECT_THROW(g.GetYearNumber(L"x"), EConvertError);
}

TEST(CalendarTablesTest, MonthsAndYearsAddInTheCalendarsOwnNumbers) {
  TvxGregorianCalendarTable g;
  struct Case {
    TDateTime From;
    Integer Months;
    TDateTime To;
  } cases[] = {
      {D(2016, 1, 31), 1, D(2016, 2, 29)},   // the day becomes the month's last
      {D(2016, 1, 31), 12, D(2017, 1, 31)},  // a year keeps the day
      {D(2016, 3, 31), -1, D(2016, 2, 29)},
      {D(2016, 1, 15), -13, D(2014, 12, 15)},
      {D(2016, 5, 10), 1200, D(2116, 5, 10)},
      {D(9999, 12, 1), 1, g.MinSupportedDate()},  // past the highest year: the earliest date
  };
  for (const Case& c : cases) EXPECT_EQ(g.AddMonths(c.From, c.Months), c.To) << c.Months;
  EXPECT_EQ(g.AddYears(D(2016, 2, 29), 1), D(2017, 2, 28));
  EXPECT_EQ(g.AddWeeks(D(2016, 12, 28), 1), D(2017, 1, 4));
  EXPECT_EQ(g.GetDayOfYear(D(2016, 12, 31)), 366);
  EXPECT_EQ(g.GetDaysInYear(-1, 2015), 365);
  EXPECT_EQ(g.GetWeekDay(D(2016, 1, 3)), 0);  // a Sunday
  EXPECT_EQ(g.GetFirstDayOfWeek(D(2016, 1, 6), 1), D(2016, 1, 4));
  EXPECT_EQ(g.GetFullWeeksInYear(2015), 52);
  EXPECT_EQ(g.GetFullWeeksInYear(2016), 53);  // a leap year that begins on a Friday
  EXPECT_TRUE(g.IsLeapDay(-1, 2016, 2, 29));
  EXPECT_FALSE(g.IsLeapDay(-1, 2015, 2, 28));
  // The names come from the locale's format settings (case-insensitive, long then short).
  EXPECT_EQ(g.GetMonthNumber(2016, AnsiLowerCase(FormatSettings.LongMonthNames[3])), 3);
  EXPECT_EQ(g.GetMonthNumber(2016, FormatSettings.ShortMonthNames[9]), 9);
  EXPECT_EQ(g.GetMonthNumber(2016, L"11"), 11);
  EXPECT_EQ(g.GetWeekNumber(D(2016, 1, 1), dMonday, fwyFirstFourDays), 53);
}

TEST(CalendarTablesTest, SingleEraCalendarsCountTheirYearsFromTheirEra) {
  struct Case {
    Cardinal Type;
    Integer Year2016;
    TDateTime Min;
  } cases[] = {{4, 105, D(1912, 1, 1)}, {5, 4349, D(1, 1, 1)}, {7, 2559, D(1, 1, 1)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Type);
    std::unique_ptr<TvxCustomCalendarTable> t = CreateCalendarTableForType(c.Type);
    EXPECT_EQ(t->CalendarID(), c.Type);
    EXPECT_EQ(t->MinSupportedDate(), c.Min);
    const TvxDateTime d = t->FromDateTime(D(2016, 2, 29));
    EXPECT_EQ(static_cast<Integer>(d.Year), c.Year2016);
    EXPECT_EQ(d.Era, 0);
    EXPECT_EQ(t->ToDateTime(d), D(2016, 2, 29));
    // Adding years keeps the calendar's numbering.
    const TDateTime next = t->AddYears(d, 1);
    EXPECT_EQ(next, D(2017, 2, 28));
    EXPECT_EQ(static_cast<Integer>(t->FromDateTime(next).Year), c.Year2016 + 1);
    EXPECT_FALSE(IsGregorianCalendar(t.get()));
  }
  for (Cardinal type : {1u, 2u, 9u, 12u}) EXPECT_TRUE(IsGregorianCalendar(CreateCalendarTableForType(type).get()));
  EXPECT_EQ(CreateCalendarTableForType(3)->CalendarID(), 3u);
  EXPECT_EQ(CreateCalendarTableForType(6)->CalendarID(), 6u);
  EXPECT_EQ(CreateCalendarTableForType(99)->CalendarID(), 1u);
  EXPECT_EQ(TvxGregorianCalendarTable(10).GetFirstWeekDay(), 6);
  EXPECT_EQ(TvxGregorianCalendarTable(11).GetFirstWeekDay(), 1);
}

TEST(CalendarTablesTest, JapaneseMonthsAddAcrossAnEraChange) {
  TvxJapaneseCalendarTable j;
  // 30 April 2019 (Heisei 31) plus one month is 30 May 2019, year 1 of the new era.
  const TDateTime r = j.AddMonths(D(2019, 4, 30), 1);
  EXPECT_EQ(r, D(2019, 5, 30));
  const TvxDateTime d = j.FromDateTime(r);
  EXPECT_EQ(d.Era, 4);
  EXPECT_EQ(d.Year, 1u);
  EXPECT_EQ(j.AddYears(D(1988, 3, 1), 1), D(1989, 3, 1));
}

TEST(CalendarTablesTest, HijriLeapYearsAndWeeks) {
  TvxHijriCalendarTable h;
  EXPECT_TRUE(h.IsLeapYear(-1, 2));
  EXPECT_EQ(h.GetDaysInYear(-1, 2), 355);
  EXPECT_EQ(h.GetDaysInYear(-1, 3), 354);
  EXPECT_TRUE(h.IsLeapDay(-1, 2, 12, 30));
  EXPECT_EQ(h.GetFirstWeekDay(), 6);
  EXPECT_EQ(h.GetFullWeeksInYear(1437), 50);
  // The first day of a year is in week 1 under every rule that starts the year there.
  TvxDateTime first;
  first.Year = 1437;
  first.Month = first.Day = 1;
  EXPECT_EQ(h.GetWeekNumber(first, dSaturday, fwyJan1), 1);
  TvxDateTime later = first;
  later.Day = 15;
  EXPECT_GE(h.GetWeekNumber(later, dSaturday, fwyJan1), 3);
  EXPECT_LE(h.GetWeekNumber(later, dSaturday, fwyJan1), 4);
}

}  // namespace

}  // namespace ZS_UNITY_ID
