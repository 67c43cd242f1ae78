// Dates to text and back: the runtime's and the system's readings, typed calendar dates
// with eras, captions of calendars, and the Hebrew calendar table.
#include <gtest/gtest.h>

#include "DateUtils.h"
#include "SysUtils.h"
#include "vxDateUtils.h"
#include "vxFormats.h"

namespace ZS_UNITY_ID {

namespace {

TDateTime D(Word Y, Word M, Word Day) { return EncodeDate(Y, M, Day); }

// Runs each test under known runtime formats and the chosen way of converting, and puts
// the process-wide state back afterwards.
class DateTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Saved = FormatSettings;
    SavedRtl = GetFormatController()->UseRtlDateTimeFormats();
    FormatSettings = TFormatSettings::Invariant();
    FormatSettings.ShortDateFormat = L"yyyy/MM/dd";
    FormatSettings.LongDateFormat = L"dddd, MMMM d, yyyy";
    FormatSettings.LongTimeFormat = L"hh:nn:ss";
    FormatSettings.DateSeparator = L'/';
    FormatSettings.TimeSeparator = L':';
  }
  void TearDown() override {
    FormatSettings = Saved;
    GetFormatController()->SetUseRtlDateTimeFormats(SavedRtl);
    GetFormatController()->FormatsChanged();
  }
  static void UseRtl(bool AValue) { GetFormatController()->SetUseRtlDateTimeFormats(AValue); }
  TFormatSettings Saved;
  bool SavedRtl = false;
};

TEST_F(DateTextTest, FormatDateWithSettingsWritesFieldsAndSeparators) {
  const TDateTime date = D(2016, 3, 5);  // a Saturday
  struct Case {
    const wchar_t* Format;
    Char Separator;
    const wchar_t* Expected;
  } cases[] = {
      {L"yyyy/mm/dd", L'\0', L"2016/03/05"},
      {L"d.m.yy", L'\0', L"5.03.16"},
      {L"dddd, mmmm d, yyyy", L'\0', L"Saturday, March 5, 2016"},
      {L"ddd dd", L'-', L"Sat-05"},
      {L"mmmm yyyy", L' ', L"March 2016"},
      {L"'at' yyyy!", L'\0', L"2016"},             // text before the first field and after the last is dropped
      {L"ee yyyy-m", L'\0', L"2016-03"},           // era fields are skipped
      {L"YYYY-MM-DD", L'\0', L"2016-03-05"},       // letters in either case
      {L"yyyyy", L'\0', L"2016"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateWithSettings(c.Format, c.Separator, date), c.Expected) << c.Format;
  EXPECT_EQ(FormatDateWithSettings(L"yyyy", L'\0', D(100, 1, 1)), L"0100");
}

TEST_F(DateTextTest, TextToDateValueReadsSmartWordsAndDatesAndRejectsTheRest) {
  const TDateTime today = Date();
  struct Case {
    const wchar_t* Text;
    bool Rtl;
    TDateTime Expected;
  } cases[] = {
      {L"", true, NullDate},
      {L"   ", false, NullDate},
      {L"today", true, today},
      {L"tomorrow + 2", false, today + 3},
      {L"2016/03/05", true, D(2016, 3, 5)},
      {L"  2016/03/05   ", true, D(2016, 3, 5)},
      {L"2016/03/05 10:30:00", true, D(2016, 3, 5) + EncodeTime(10, 30, 0, 0)},
      {L"2016/03/05", false, D(2016, 3, 5)},  // the system's reading under the user locale
      {L"2016/02/30", true, NullDate},
      {L"10000/01/01", true, NullDate},
      {L"no date", true, NullDate},
      {L"no date", false, NullDate},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TextToDateValue(c.Text, c.Rtl), c.Expected) << "'" << String(c.Text).size() << "' rtl " << c.Rtl;

  TDateTime d = 0;
  UseRtl(true);
  EXPECT_TRUE(TryTextToDate(L"2016/03/05", d));
  EXPECT_EQ(d, D(2016, 3, 5));
  EXPECT_FALSE(TryTextToDate(L"2016/13/05", d));
  EXPECT_EQ(d, NullDate);
  // No smart words in the plain conversion, and its failure is reported.
  EXPECT_FALSE(TextToDateEx(L"today", false, d));
  EXPECT_EQ(d, NullDate);
  EXPECT_TRUE(TextToDateEx(L"2016/03/05", false, d));
  EXPECT_EQ(d, D(2016, 3, 5));
}

TEST_F(DateTextTest, PrepareDateTextCollapsesBlanksAndBlanksLocaleSeparators) {
  EXPECT_EQ(PrepareDateText(L"  2016/03/05    10:00 ", false), L"2016/03/05 10:00");
  EXPECT_EQ(PrepareDateText(L"2016 \t 03", false), L"2016 03");
  const String sep = vxGetLocaleString(GetThreadLocale(), LOCALE_SDATE, L"/");
  const String text = L"2016" + sep + L"03" + sep + L"05";
  EXPECT_EQ(PrepareDateText(text, true), L"2016 03 05");
}

TEST_F(DateTextTest, DatesToTextThroughTheRuntimeAndTheSystem) {
  const TDateTime date = D(2016, 3, 5);
  EXPECT_EQ(DateTimeToText(false, true, NullDate), L"");
  EXPECT_EQ(DateTimeToText(false, true, date), L"2016/03/05");
  EXPECT_EQ(DateTimeToText(false, true, date + EncodeTime(9, 5, 7, 0)), L"2016/03/05 09:05:07");
  FormatSettings.ShortDateFormat = L"yy/MM/dd";
  EXPECT_EQ(DateTimeToText(false, true, date), L"16/03/05");
  EXPECT_EQ(DateTimeToText(true, true, date), L"2016/03/05");

  // The system's formatting of the user locale agrees with GetDateFormatW itself.
  SYSTEMTIME st{};
  st.wYear = 2016;
  st.wMonth = 3;
  st.wDay = 5;
  wchar_t buffer[100];
  ASSERT_GT(GetDateFormatW(GetThreadLocale(), 0, &st, nullptr, buffer, 100), 0);
  String expected = buffer;
  if (UpperCase(vxGetLocaleString(GetThreadLocale(), LOCALE_SSHORTDATE, L"")).find(L"YYY") != String::npos) {
    EXPECT_EQ(DateTimeToText(true, false, date), expected);
  }
  EXPECT_EQ(DateTimeToText(false, false, date), expected);

  UseRtl(false);
  String text;
  EXPECT_TRUE(FormatLocaleDate(text, 0, L"yyyy'-'MM'-'dd", date));
  EXPECT_EQ(text, L"2016-03-05");
  // The system formats no date before 1601: a failure with empty text, not a wrong text.
  EXPECT_FALSE(FormatLocaleDate(text, 0, L"yyyy", D(1500, 1, 1)));
  EXPECT_EQ(text, L"");
  EXPECT_EQ(DateToShortText(D(1500, 1, 7)), L"7");  // the runtime's day alone
  UseRtl(true);
  EXPECT_TRUE(FormatLocaleDate(text, 0, L"", date));
  EXPECT_EQ(text, L"Saturday, March 5, 2016");
  EXPECT_EQ(DateToShortText(date), L"5");
}

TEST_F(DateTextTest, CaptionsOfAGregorianCalendar) {
  UseRtl(true);
  TvxGregorianCalendarTable table;
  EXPECT_EQ(GetMonthYearCaption(&table, D(2016, 3, 5)), L"March 2016");
  EXPECT_EQ(GetCalendarMonthName(2016, 3, &table), L"March");
  EXPECT_EQ(GetMonthNameText(&table, D(2016, 12, 31)), L"December");
  EXPECT_EQ(GetYearCaption(&table, D(2016, 3, 5)), L"2016");
  EXPECT_EQ(GetDayNumberText(17, &table), L"17");
  // The week's day names from Monday; cut to one character while asked to.
  {
    TValueScope<bool> single(SingleCharDayNames, false);
    EXPECT_EQ(GetDayOfWeekText(1, ANSI_CHARSET), L"Mon");
    EXPECT_EQ(GetDayOfWeekText(7, ANSI_CHARSET), L"Sun");
  }
  EXPECT_EQ(GetDayOfWeekText(6, ANSI_CHARSET), L"S");
  EXPECT_EQ(GetDayOfWeekText(0, ANSI_CHARSET), L"");
  EXPECT_EQ(GetDayOfWeekText(8, ANSI_CHARSET), L"");
  // Chinese day names end in the day's own character; Japanese ones begin with it.
  FormatSettings.ShortDayNames[2] = L"星期一";
  EXPECT_EQ(GetDayOfWeekText(1, CHINESEBIG5_CHARSET), L"一");
  FormatSettings.ShortDayNames[2] = L"月曜";
  EXPECT_EQ(GetDayOfWeekText(1, SHIFTJIS_CHARSET), L"月");
}

TEST_F(DateTextTest, DateRangeOfTheEditors) {
  EXPECT_TRUE(IsDateInValidRange(NullDate));
  EXPECT_TRUE(IsDateInValidRange(GetMinSupportedDate()));
  EXPECT_FALSE(IsDateInValidRange(GetMinSupportedDate() - 1));
  EXPECT_TRUE(IsDateInValidRange(D(9999, 12, 31) + 0.5));
  EXPECT_FALSE(IsDateInValidRange(D(9999, 12, 31) + 1));
  EXPECT_EQ(GetMinSupportedDate(), D(100, 1, 1));
}

TEST_F(DateTextTest, ScanCalendarDateReadsErasOrderAndTime) {
  FormatSettings.EraInfo = {{L"明治", 1867, D(1868, 9, 8)},
                            {L"大正", 1911, D(1912, 7, 30)},
                            {L"昭和", 1925, D(1926, 12, 25)},
                            {L"平成", 1988, D(1989, 1, 8)},
                            {L"令和", 2018, D(2019, 5, 1)}};
  TvxJapaneseCalendarTable japanese;
  TFormatSettings s = FormatSettings;
  s.ShortDateFormat = L"gg y/MM/dd";
  s.DateSeparator = L'/';
  struct Case {
    const wchar_t* Text;
    TDateTime Expected;
  } cases[] = {
      // Every era begins within its first year: the era is the one of the typed name.
      {L"令和 1/05/01", D(2019, 5, 1)},   {L"平成31/04/30", D(2019, 4, 30)}, {L"平成1/01/08", D(1989, 1, 8)},
      {L"昭和 64/01/07", D(1989, 1, 7)}, {L"明治 1/09/08", D(1868, 9, 8)},  {L"大正15/12/24", D(1926, 12, 24)},
  };
  for (const Case& c : cases) {
    TvxDateTime d;
    ScanCalendarDate(c.Text, s, &japanese, d);
    EXPECT_EQ(japanese.ToDateTime(d), c.Expected) << DateToStr(c.Expected);
  }

  TvxGregorianCalendarTable gregorian;
  s.ShortDateFormat = L"dd.MM.yyyy";
  s.DateSeparator = L'.';
  TvxDateTime d;
  ScanCalendarDate(L"05.03.2016 10:30:15", s, &gregorian, d);
  EXPECT_EQ(gregorian.ToDateTime(d), D(2016, 3, 5) + EncodeTime(10, 30, 15, 0));
  s.ShortDateFormat = L"MMMM d yyyy";
  s.DateSeparator = L' ';
  ScanCalendarDate(L"March 5 2016", s, &gregorian, d);
  EXPECT_EQ(gregorian.ToDateTime(d), D(2016, 3, 5));
  EXPECT_THROW(ScanCalendarDate(L"x.y.z", s, &gregorian, d), EConvertError);
}

// With blanks between the parts, a month name of two words is read as one name in every
// order, and a one-word name before a time stays one word.
TEST_F(DateTextTest, ScanCalendarDateJoinsTwoWordMonthNames) {
  FormatSettings.LongMonthNames[3] = L"Rabi II";
  TvxGregorianCalendarTable gregorian;
  TFormatSettings s = FormatSettings;
  s.DateSeparator = L' ';
  struct Case {
    const wchar_t* Format;
    const wchar_t* Text;
    TDateTime Expected;
  } cases[] = {
      {L"d MMMM yyyy", L"5 Rabi II 2016", D(2016, 3, 5)},
      {L"MMMM d yyyy", L"Rabi II 5 2016", D(2016, 3, 5)},
      {L"yyyy MMMM d", L"2016 Rabi II 5", D(2016, 3, 5)},
      {L"d MMMM yyyy", L"5 Rabi II 2016 10:30", D(2016, 3, 5) + EncodeTime(10, 30, 0, 0)},
      {L"d MMMM yyyy", L"5 April 2016 10:30", D(2016, 4, 5) + EncodeTime(10, 30, 0, 0)},
      {L"MMMM d yyyy", L"April 5 2016", D(2016, 4, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Text));
    s.ShortDateFormat = c.Format;
    TvxDateTime d;
    ScanCalendarDate(c.Text, s, &gregorian, d);
    EXPECT_DOUBLE_EQ(c.Expected, gregorian.ToDateTime(d));
  }

  EXPECT_EQ(GetDateOrderOfFormat(L"yyyy/MM/dd"), doYMD);
  EXPECT_EQ(GetDateOrderOfFormat(L"gg ee/MM/dd"), doYMD);
  EXPECT_EQ(GetDateOrderOfFormat(L"dd.MM.yyyy"), doDMY);
  EXPECT_EQ(GetDateOrderOfFormat(L"M/d/yy"), doMDY);
  EXPECT_EQ(GetDateOrderOfFormat(L""), doMDY);
}

TEST(HebrewCalendarTest, KnownDatesAndYearKinds) {
  auto table = CreateCalendarTableForType(8);
  ASSERT_EQ(table->CalendarID(), 8u);
  EXPECT_EQ(table->AlgorithmType(), catLunarSolarCalendar);
  struct Case {
    TDateTime Date;
    Cardinal Year, Month, Day;
  } cases[] = {
      {D(1583, 1, 1), 5343, 4, 7},    {D(2000, 1, 1), 5760, 4, 23},   {D(2023, 9, 16), 5784, 1, 1},
      {D(2023, 4, 6), 5783, 7, 15},   // 15 Nisan of a common year
      {D(2024, 4, 23), 5784, 8, 15},  // 15 Nisan of a leap year, after the added month
      {D(2024, 3, 24), 5784, 7, 14},  // 14 of the added month
      {D(2239, 9, 29), 5999, 13, 29},
  };
  for (const Case& c : cases) {
    const TvxDateTime h = table->FromDateTime(c.Date);
    EXPECT_EQ(h.Year, c.Year) << DateToStr(c.Date);
    EXPECT_EQ(h.Month, c.Month) << DateToStr(c.Date);
    EXPECT_EQ(h.Day, c.Day) << DateToStr(c.Date);
    EXPECT_EQ(table->ToDateTime(h), c.Date) << DateToStr(c.Date);
  }
  const TvxDateTime noon = table->FromDateTime(D(2023, 9, 16) + 0.5);
  EXPECT_EQ(noon.Hours, 12);
  EXPECT_EQ(table->ToDateTime(noon), D(2023, 9, 16) + 0.5);
  // Dates outside the table are read as its ends.
  EXPECT_EQ(table->FromDateTime(D(1500, 6, 1)).Year, 5343u);
  EXPECT_EQ(table->FromDateTime(D(2300, 6, 1)).Month, 13u);

  auto* hebrew = dynamic_cast<TvxHebrewCalendarTable*>(table.get());
  ASSERT_NE(hebrew, nullptr);
  EXPECT_EQ(hebrew->GetYearType(5343), 3);
  EXPECT_EQ(table->GetDaysInYear(-1, 5343), 355);
  EXPECT_EQ(table->GetDaysInYear(-1, 5345), 383);
  EXPECT_EQ(table->GetDaysInYear(-1, 5347), 385);
  EXPECT_EQ(table->GetDaysInYear(-1, 5346), 354);
  EXPECT_EQ(table->GetDaysInYear(-1, 5342), 0);
  EXPECT_EQ(hebrew->GetYearType(6000), 0);
  EXPECT_EQ(table->GetDaysInMonth(-1, 5343, 13), 0);
  EXPECT_EQ(table->GetDaysInMonth(-1, 5345, 13), 29);
  EXPECT_TRUE(table->IsLeapMonth(-1, 5784, 7));
  EXPECT_FALSE(table->IsLeapMonth(-1, 5783, 7));
  EXPECT_TRUE(table->IsValidYear(-1, 5999));
  EXPECT_FALSE(table->IsValidYear(-1, 6000));
  EXPECT_EQ(table->ToDateTime(TvxDate{-1, 5783, 13, 1}), table->MinSupportedDate());
}

TEST(HebrewCalendarTest, EveryDayOfTheRangeRoundTripsAndFollowsTheLast) {
  TvxHebrewCalendarTable table;
  TvxDateTime previous = table.FromDateTime(table.MinSupportedDate());
  const Integer last = static_cast<Integer>(DatePartOf(table.MaxSupportedDate()) - table.MinSupportedDate());
  for (Integer i = 1; i <= last; ++i) {
    const TDateTime date = table.MinSupportedDate() + i;
    const TvxDateTime h = table.FromDateTime(date);
    ASSERT_EQ(table.ToDateTime(h), date) << DateToStr(date);
    // The next day: the day after, the first of the next month, or 1 Tishri of the next year.
    if (h.Day != 1) {
      ASSERT_TRUE(h.Year == previous.Year && h.Month == previous.Month && h.Day == previous.Day + 1) << DateToStr(date);
    } else if (h.Month != 1) {
      ASSERT_TRUE(h.Year == previous.Year && h.Month == previous.Month + 1) << DateToStr(date);
      ASSERT_EQ(static_cast<Integer>(previous.Day), table.GetDaysInMonth(-1, previous.Year, previous.Month));
    } else {
      ASSERT_EQ(h.Year, previous.Year + 1) << DateToStr(date);
      ASSERT_EQ(static_cast<Integer>(previous.Month), table.GetMonthsInYear(-1, previous.Year));
    }
    previous = h;
  }
}

TEST(HebrewCalendarTest, NumbersWrittenInHebrewLetters) {
  TvxHebrewCalendarTable table;
  EXPECT_EQ(HebrewNumeralValue(L"\u05D8\u05D5"), 15);                     // tet vav
  EXPECT_EQ(HebrewNumeralValue(L"\u05EA\u05E9\u05E4\u05D3"), 784);        // tav shin pe dalet
  EXPECT_EQ(HebrewNumeralValue(L"\u05DA\u05DD\u05DF\u05E3\u05E5"), 280);  // the final forms
  EXPECT_EQ(HebrewNumeralValue(L"15"), 0);
  EXPECT_EQ(table.GetYearNumber(L"\u05EA\u05E9\u05E4\u05D3"), 5784);
  EXPECT_EQ(table.GetDayNumber(L"\u05D8\u05D5"), 15);
  EXPECT_EQ(table.GetDayNumber(L"15"), 15);
  EXPECT_EQ(table.GetMonthNumber(5784, L"\u05D6"), 7);  // zayin: the added month of a leap year
  EXPECT_EQ(table.GetMonthNumber(5784, L"12"), 12);
}

}  // namespace

}  // namespace ZS_UNITY_ID
