// Date utilities of the editors: the locale's first day of the week and the smart-date
// words ("today", "eom" ...) that date masks accept besides a formatted date.
#pragma once

#include <windows.h>

#include "SysInit.h"
#include "System.h"
#include "Persistent.h"
#include "SysUtils.h"

#include <memory>
#include <vector>

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

// --- Dates as day counts (day 0 = 30 December 1899, time as the fraction) ---------------

constexpr TDateTime NullDate = -700000;
enum TvxFirstWeekOfYear { fwySystem, fwyJan1, fwyFirstFullWeek, fwyFirstFourDays };

bool IsGregorianLeapYear(Integer AYear);
Integer DaysInMonthOf(Integer AYear, Integer AMonth);
TDateTime DatePartOf(TDateTime ADateTime);
// The time of day to whole milliseconds, as a fraction of a day.
TDateTime TimePartOf(TDateTime ADateTime);
// The position of the day in its week (0..6) for weeks that begin on AStartOfWeek.
Integer DayIndexInWeek(TDateTime ADate, TDay AStartOfWeek);
// The first day of the week that holds ADate.
TDateTime GetWeekStart(TDateTime ADate, TDay AStartOfWeek);
// The week number of ADate; days before the year's first week belong to the last week
// of the previous year.
Integer GetGregorianWeekNumber(TDay AStartOfWeek, TvxFirstWeekOfYear AFirstWeekOfYear, TDateTime ADate);

// Reads a smart-date word ("today", "eom", "Monday" ...) at the start of AText, with an
// optional signed day offset after it. ANow is the current date and time.
bool ParseSmartDateText(const String& AText, TDateTime& ADate, TDateTime ANow, TDay AStartOfWeek);
// The same against the clock and the format controller's start of the week.
bool ParseSmartDateText(const String& AText, TDateTime& ADate);
// Asked with the untrimmed text when no smart word matches; empty unless a program sets it.
extern bool (*SmartTextToDateHook)(const String& AText, TDateTime& ADate);

// The system's GetCalendarInfoW is looked up by name at each use; when this is set it is
// called instead (to reach answers a system does not give on demand).
using TvxGetCalendarInfoW = int(WINAPI*)(LCID, CALID, CALTYPE, LPWSTR, int, LPDWORD);
extern TvxGetCalendarInfoW vxGetCalendarInfoBinding;

// --- Calendar tables ------------------------------------------------------------------------

// An era of a calendar: Gregorian year = era year + YearOffset.
class TvxEra : public TPersistent {
  DECLARE_CLASS(TvxEra, TPersistent)
 public:
  TvxEra() = default;
  TvxEra(Integer AEra, TDateTime AStartDate, Integer AYearOffset, Integer AMinEraYear, Integer AMaxEraYear)
      : Era(AEra), MaxEraYear(AMaxEraYear), MinEraYear(AMinEraYear), StartDate(AStartDate), YearOffset(AYearOffset) {}
  void Assign(TPersistent* Source) override;
  Integer Era = 0;
  Integer MaxEraYear = 0;
  Integer MinEraYear = 0;
  TDateTime StartDate = 0;
  Integer YearOffset = 0;
};

struct TvxDate {
  Integer Era = -1;
  Cardinal Year = 0, Month = 0, Day = 0;
};

struct TvxDateTime {
  Integer Era = -1;
  Cardinal Year = 0, Month = 0, Day = 0;
  Byte Hours = 0, Minutes = 0, Seconds = 0;
  Word Milliseconds = 0;
};

enum TvxCalendarAlgorithmType { catUnknown, catSolarCalendar, catLunarCalendar, catLunarSolarCalendar };

// Converts between Gregorian day counts and the year, month and day of one calendar.
// Era -1 stands for the default era.
class TvxCustomCalendarTable : public TObject {
  DECLARE_CLASS(TvxCustomCalendarTable, TObject)
 public:
  TvxCustomCalendarTable() = default;
  const std::vector<std::unique_ptr<TvxEra>>& Eras() const { return FEras; }
  virtual TvxCalendarAlgorithmType AlgorithmType() = 0;
  virtual Cardinal CalendarID() = 0;
  virtual TvxEra* DefaultEra() = 0;
  virtual TDateTime MinSupportedDate() = 0;
  virtual TDateTime MaxSupportedDate() = 0;
  virtual Integer LowestYear() = 0;
  virtual Integer HighestYear() = 0;
  virtual TvxDateTime FromDateTime(TDateTime ADate) = 0;
  virtual TDateTime ToDateTime(const TvxDateTime& ADate) = 0;
  virtual Integer GetDaysInMonth(Integer AEra, Integer AYear, Integer AMonth) = 0;
  virtual Integer GetMonthsInYear(Integer AEra, Integer AYear) { return 12; }
  virtual bool IsLeapYear(Integer AEra, Integer AYear) = 0;
  // The index of the last era that has begun on the Gregorian day; -1 when none.
  Integer GetEra(Integer AYear, Integer AMonth, Integer ADay);
  Integer EraYearToGregorianYear(Integer AYear, Integer AEra);
  // The era that holds the year (day 1 of month 1, or the given day) and the year in it.
  void YearToEraYear(Integer& AYear, Integer& AEra) { DateYearToEraYear(AYear, AEra, 1, 1); }
  void DateYearToEraYear(Integer& AYear, Integer& AEra, Integer ADay, Integer AMonth);
  // Into the supported range.
  void ClampDateTime(TDateTime& ADateTime);
  // Date arithmetic in the calendar's own months and years; an invalid date gives the
  // earliest supported date, results are clamped to the supported range.
  TDateTime AddDays(const TvxDateTime& ADate, Integer ACountDays);
  TDateTime AddWeeks(const TvxDateTime& ADate, Integer ACountWeeks) { return AddDays(ADate, 7 * ACountWeeks); }
  TDateTime AddWeeks(TDateTime ADate, Integer ACountWeeks) { return AddWeeks(FromDateTime(ADate), ACountWeeks); }
  TDateTime AddMonths(const TvxDateTime& ADate, Integer ACountMonths);
  TDateTime AddMonths(TDateTime ADate, Integer ACountMonths) { return AddMonths(FromDateTime(ADate), ACountMonths); }
  TDateTime AddYears(const TvxDateTime& ADate, Integer ACountYears);
  TDateTime AddYears(TDateTime ADate, Integer ACountYears) { return AddYears(FromDateTime(ADate), ACountYears); }
  Integer GetDayOfYear(const TvxDateTime& ADate);
  Integer GetDayOfYear(TDateTime ADate) { return GetDayOfYear(FromDateTime(ADate)); }
  virtual Integer GetDaysInYear(Integer AEra, Integer AYear);
  // 0 = Sunday .. 6 = Saturday.
  Integer GetWeekDay(TDateTime ADate);
  Integer GetWeekDay(const TvxDateTime& ADate) { return GetWeekDay(ToDateTime(ADate)); }
  // The last day on or before ADate that is AStartDayOfWeek (0 = Sunday); without it the
  // calendar's first week day.
  TDateTime GetFirstDayOfWeek(TDateTime ADate, Integer AStartDayOfWeek);
  TDateTime GetFirstDayOfWeek(TDateTime ADate) { return GetFirstDayOfWeek(ADate, GetFirstWeekDay()); }
  virtual Integer GetFirstWeekDay() { return 0; }
  virtual Integer GetFullWeeksInYear(Integer AYear) = 0;
  virtual bool IsLeapMonth(Integer AEra, Integer AYear, Integer AMonth) = 0;
  virtual bool IsLeapDay(Integer AEra, Integer AYear, Integer AMonth, Integer ADay) = 0;
  Integer GetYear(TDateTime ADate) { return static_cast<Integer>(FromDateTime(ADate).Year); }
  // The week of the year under the rule; days after the year's last full week may belong
  // to week 1 of the next year.
  virtual Integer GetWeekNumber(const TvxDateTime& ADate, TDay AStartOfWeek, TvxFirstWeekOfYear AFirstWeekOfYear);
  Integer GetWeekNumber(TDateTime ADate, TDay AStartOfWeek, TvxFirstWeekOfYear AFirstWeekOfYear) {
    return GetWeekNumber(FromDateTime(ADate), AStartOfWeek, AFirstWeekOfYear);
  }
  TDateTime ToDateTime(const TvxDate& ADate) {
    TvxDateTime d;
    d.Era = ADate.Era;
    d.Year = ADate.Year;
    d.Month = ADate.Month;
    d.Day = ADate.Day;
    return ToDateTime(d);
  }
  bool IsValidYear(Integer AEra, Integer AYear);
  bool IsValidMonth(Integer AEra, Integer AYear, Integer AMonth);
  bool IsValidDay(Integer AEra, Integer AYear, Integer AMonth, Integer ADay);
  bool IsValidDate(TDateTime ADate);
  virtual Integer GetDayNumber(const String& S) { return StrToInt(S); }
  // The month whose long or short name is S (case-insensitive), else S as a number.
  virtual Integer GetMonthNumber(Integer AYear, const String& S);
  // A year typed with one or two digits takes its century from the calendar's two-digit
  // year window, or from the runtime's century window when the system gives none.
  virtual Integer GetYearNumber(const String& S);

 protected:
  std::vector<std::unique_ptr<TvxEra>> FEras;
};

class TvxGregorianCalendarTable : public TvxCustomCalendarTable {
  DECLARE_CLASS(TvxGregorianCalendarTable, TvxCustomCalendarTable)
 public:
  explicit TvxGregorianCalendarTable(Cardinal AType = 1);
  TvxCalendarAlgorithmType AlgorithmType() override { return catSolarCalendar; }
  Cardinal CalendarID() override { return FGregorianCalendarType; }
  TvxEra* DefaultEra() override { return FDefaultEra.get(); }
  TDateTime MinSupportedDate() override;
  TDateTime MaxSupportedDate() override;
  Integer LowestYear() override { return 100; }
  Integer HighestYear() override { return 9999; }
  TvxDateTime FromDateTime(TDateTime ADate) override;
  TDateTime ToDateTime(const TvxDateTime& ADate) override;
  Integer GetDaysInMonth(Integer AEra, Integer AYear, Integer AMonth) override;
  bool IsLeapYear(Integer AEra, Integer AYear) override;
  bool IsLeapMonth(Integer AEra, Integer AYear, Integer AMonth) override {
    return AMonth == 2 && IsLeapYear(AEra, AYear);
  }
  bool IsLeapDay(Integer AEra, Integer AYear, Integer AMonth, Integer ADay) override {
    return ADay == 29 && IsLeapMonth(AEra, AYear, AMonth);
  }
  // Monday for the calendar types 9, 11 and 12, Saturday for 10, else Sunday.
  Integer GetFirstWeekDay() override;
  Integer GetFullWeeksInYear(Integer AYear) override;
  Integer GetWeekNumber(const TvxDateTime& ADate, TDay AStartOfWeek, TvxFirstWeekOfYear AFirstWeekOfYear) override;
  using TvxCustomCalendarTable::GetWeekNumber;

 protected:
  std::unique_ptr<TvxEra> FDefaultEra;
  Cardinal FGregorianCalendarType;
};

// The Japanese imperial eras from 8 September 1868 on; the default era is the latest.
class TvxJapaneseCalendarTable : public TvxGregorianCalendarTable {
  DECLARE_CLASS(TvxJapaneseCalendarTable, TvxGregorianCalendarTable)
 public:
  TvxJapaneseCalendarTable();
  Cardinal CalendarID() override { return 3; }
  TvxEra* DefaultEra() override { return FEras.back().get(); }
  TDateTime MinSupportedDate() override { return FEras.front()->StartDate; }
  TDateTime MaxSupportedDate() override;
  Integer LowestYear() override { return 1; }
  Integer HighestYear() override { return 9999 - FEras.back()->YearOffset; }
  TvxDateTime FromDateTime(TDateTime ADate) override;
  TDateTime ToDateTime(const TvxDateTime& ADate) override;
};

// The tabular Islamic calendar: 30-year cycles of 10631 days.
class TvxHijriCalendarTable : public TvxCustomCalendarTable {
  DECLARE_CLASS(TvxHijriCalendarTable, TvxCustomCalendarTable)
 public:
  TvxHijriCalendarTable();
  TvxCalendarAlgorithmType AlgorithmType() override { return catLunarCalendar; }
  Cardinal CalendarID() override { return 6; }
  TvxEra* DefaultEra() override { return FDefaultEra.get(); }
  // 1 Muharram of year 1, the first day the tables count.
  TDateTime MinSupportedDate() override;
  TDateTime MaxSupportedDate() override;
  Integer LowestYear() override { return 1; }
  Integer HighestYear() override { return 9666; }
  TvxDateTime FromDateTime(TDateTime ADate) override;
  TDateTime ToDateTime(const TvxDateTime& ADate) override;
  Integer GetDaysInMonth(Integer AEra, Integer AYear, Integer AMonth) override;
  bool IsLeapYear(Integer AEra, Integer AYear) override;
  bool IsLeapMonth(Integer AEra, Integer AYear, Integer AMonth) override {
    return AMonth == 12 && IsLeapYear(AEra, AYear);
  }
  bool IsLeapDay(Integer AEra, Integer AYear, Integer AMonth, Integer ADay) override {
    return ADay == 30 && IsLeapMonth(AEra, AYear, AMonth);
  }
  Integer GetFirstWeekDay() override { return 6; }
  Integer GetFullWeeksInYear(Integer) override { return 50; }
  // A month named as the calendar names it, else the common rule.
  Integer GetMonthNumber(Integer AYear, const String& S) override;

 private:
  std::unique_ptr<TvxEra> FDefaultEra;
};

// A calendar of one era over the Gregorian months: Taiwan (1 January 1912 on), Korean
// and Thai (years counted from before the common era).
class TvxSingleEraCalendarTable : public TvxJapaneseCalendarTable {
  DECLARE_CLASS(TvxSingleEraCalendarTable, TvxJapaneseCalendarTable)
 public:
  TvxSingleEraCalendarTable(Cardinal AID, Integer AEra, TDateTime AStartDate, Integer AYearOffset, Integer AMinEraYear,
                            Integer AMaxEraYear);
  Cardinal CalendarID() override { return FID; }
  TvxEra* DefaultEra() override { return FEras.front().get(); }
  TDateTime MinSupportedDate() override { return FEras.front()->StartDate; }
  Integer LowestYear() override { return FEras.front()->MinEraYear; }
  Integer HighestYear() override { return FEras.front()->MaxEraYear; }

 private:
  Cardinal FID;
};

class TvxTaiwanCalendarTable : public TvxSingleEraCalendarTable {
  DECLARE_CLASS(TvxTaiwanCalendarTable, TvxSingleEraCalendarTable)
 public:
  TvxTaiwanCalendarTable();
};

class TvxKoreanCalendarTable : public TvxSingleEraCalendarTable {
  DECLARE_CLASS(TvxKoreanCalendarTable, TvxSingleEraCalendarTable)
 public:
  TvxKoreanCalendarTable();
};

class TvxThaiCalendarTable : public TvxSingleEraCalendarTable {
  DECLARE_CLASS(TvxThaiCalendarTable, TvxSingleEraCalendarTable)
 public:
  TvxThaiCalendarTable();
};

// The Hebrew lunisolar calendar for the Hebrew years 5343 to 5999 (Gregorian 1583 to
// 2239), from a stored table of each year's kind and the Hebrew date of its 1 January.
// Months count from Tishri; a leap year's month 7 is its added month.
class TvxHebrewCalendarTable : public TvxCustomCalendarTable {
  DECLARE_CLASS(TvxHebrewCalendarTable, TvxCustomCalendarTable)
 public:
  TvxHebrewCalendarTable();
  TvxCalendarAlgorithmType AlgorithmType() override { return catLunarSolarCalendar; }
  Cardinal CalendarID() override { return 8; }
  TvxEra* DefaultEra() override { return FDefaultEra.get(); }
  TDateTime MinSupportedDate() override;
  TDateTime MaxSupportedDate() override;
  Integer LowestYear() override { return 5343; }
  Integer HighestYear() override { return 5999; }
  TvxDateTime FromDateTime(TDateTime ADate) override;
  TDateTime ToDateTime(const TvxDateTime& ADate) override;
  using TvxCustomCalendarTable::ToDateTime;
  // 1 (353 days), 2 (354) or 3 (355), the same for leap years; 0 outside the table.
  Integer GetYearType(Integer AYear);
  Integer GetDaysInMonth(Integer AEra, Integer AYear, Integer AMonth) override;
  Integer GetDaysInYear(Integer AEra, Integer AYear) override;
  Integer GetMonthsInYear(Integer AEra, Integer AYear) override;
  bool IsLeapYear(Integer AEra, Integer AYear) override;
  bool IsLeapMonth(Integer AEra, Integer AYear, Integer AMonth) override;
  bool IsLeapDay(Integer AEra, Integer AYear, Integer AMonth, Integer ADay) override;
  Integer GetFullWeeksInYear(Integer AYear) override { return GetDaysInYear(-1, AYear) / 7; }
  // Numbers may be written in Hebrew letters (their Windows-1255 positions).
  Integer GetDayNumber(const String& S) override;
  Integer GetMonthNumber(Integer AYear, const String& S) override;
  Integer GetYearNumber(const String& S) override;

 private:
  std::unique_ptr<TvxEra> FDefaultEra;
};

// The value of a number written in Hebrew letters (Windows-1255 positions 224-250): the
// letters' values added; 0 when there are none.
Integer HebrewNumeralValue(const String& S);

// The thread locale's calendar type (LOCALE_ICALENDARTYPE as a number).
Integer GetLocaleCalendarType();
// The table of a Windows calendar type: 1, 2 and 9-12 Gregorian of that type, 3 Japanese,
// 4 Taiwan, 5 Korean, 6 Hijri, 7 Thai, 8 Hebrew; any other type a Gregorian table of type 1.
std::unique_ptr<TvxCustomCalendarTable> CreateCalendarTableForType(Cardinal AType);
std::unique_ptr<TvxCustomCalendarTable> CreateLocaleCalendarTable();
// Whether the table (the locale's when nullptr) is of a Gregorian type.
bool IsGregorianCalendar(TvxCustomCalendarTable* ATable);

// --- Text and dates ------------------------------------------------------------------------

// 1 January of year 100, the earliest date the editors accept.
TDateTime GetMinSupportedDate();
// NullDate, or a day from 1 January 100 to the last moment of 31 December 9999.
bool IsDateInValidRange(TDateTime ADate);

// The thread locale's date and time formats in the system's own pattern letters.
void ReadLocaleFormatSettings(TFormatSettings& ASettings);
// GetCalendarInfoW of the thread locale, looked up by name at each call; 0 and no text
// when the system lacks it. AValue receives numbers asked for with CAL_RETURN_NUMBER.
Integer GetCalendarInfoText(Cardinal ACalendar, Cardinal ACalType, String& AText, DWORD* AValue = nullptr);

enum TvxDateOrder { doMDY, doDMY, doYMD };
// The order of day, month and year in a date format: the first of D, E or Y, and M decides.
TvxDateOrder GetDateOrderOfFormat(const String& AFormat);

// Blanks out the literal texts of the date and time formats (all but the separators and
// the AM/PM strings) and collapses runs of blanks; with ALocaleWords the locale's words
// count and its date separators become blanks too.
String PrepareDateText(const String& AText, bool ALocaleWords);
// Reads era, year, month, day and time out of a date typed in a calendar's own numbers,
// in the order of ASettings' short date format. Raises EConvertError on text that holds
// no numbers where they belong.
void ScanCalendarDate(const String& AText, const TFormatSettings& ASettings, TvxCustomCalendarTable* ATable,
                      TvxDateTime& ADate);
// A date typed in the locale's calendar; NullDate when it cannot be read.
TDateTime LocaleCalendarTextToDate(const String& AText);

// Text to a date: smart words, then the runtime's (AUseRtl) or the system's reading.
// NullDate for blank or unreadable text and for dates past year 9999.
TDateTime TextToDateValue(const String& AText, bool AUseRtl);
// The same with the format controller's choice of reading.
bool TryTextToDate(const String& AText, TDateTime& ADate);
// Text to a date without smart words or range check; False when the text cannot be read.
bool TextToDateEx(const String& AText, bool AUseOSConversion, TDateTime& ADate);

// Dates to text; NullDate gives empty text.
String DateTimeToText(bool AFourDigitYear, bool AUseRtl, TDateTime ADate);
String DateTimeToEditText(bool AMasked, bool AWithTime, bool AFourDigitYear, TDateTime ADate);
String DateTimeToTextWithTime(TDateTime ADate);
String DateToShortText(TDateTime ADate);
// The date in a system date format (the runtime's formats with a Gregorian calendar and
// the runtime's conversions); False with empty text when the system cannot format it.
bool FormatLocaleDate(String& AText, DWORD AFlags, const String& AFormat, TDateTime ADate);
// The date in a format of d, m and y runs; the fields are joined by ASeparator, or by the
// format's own characters between them when ASeparator is #0.
String FormatDateWithSettings(const String& AFormat, Char ASeparator, TDateTime ADate);

// Captions of calendars; a nullptr table stands for the locale's calendar.
String GetMonthNameText(TvxCustomCalendarTable* ATable, TDateTime ADate);
String GetCalendarMonthName(Integer AYear, Integer AMonth, TvxCustomCalendarTable* ATable);
String GetMonthYearCaption(TvxCustomCalendarTable* ATable, TDateTime ADate);
String GetYearCaption(TvxCustomCalendarTable* ATable, TDateTime ADate);
String GetDayNumberText(Integer ADay, TvxCustomCalendarTable* ATable);
// The short name of a day of the week, 1 = Monday .. 7 = Sunday; cut to one character
// (the last one for far-east and Arabic charsets) while SingleCharDayNames is set.
String GetDayOfWeekText(Integer ADay, Byte ACharset);
extern bool SingleCharDayNames;
