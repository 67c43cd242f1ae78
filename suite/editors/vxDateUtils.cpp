#include "vxDateUtils.h"

#include <algorithm>
#include <cmath>

#include "DateUtils.h"
#include "vxClasses.h"
#include "vxFormats.h"
#include "vxVariants.h"
#include "vxLibraryConsts.h"
#include "vxGraphics.h"
#include "vdCore.h"

#include <oleauto.h>

namespace {

TResStringRec* const CSmartDateWords[vxSmartDateWordCount] = {
    &vxSDateToday,   &vxSDateYesterday, &vxSDateTomorrow, &vxSDateSunday, &vxSDateMonday,
    &vxSDateTuesday, &vxSDateWednesday, &vxSDateThursday, &vxSDateFriday, &vxSDateSaturday,
    &vxSDateFirst,   &vxSDateSecond,    &vxSDateThird,    &vxSDateFourth, &vxSDateFifth,
    &vxSDateSixth,   &vxSDateSeventh,   &vxSDateBOM,      &vxSDateEOM,    &vxSDateNow,
};

}  // namespace

TDay ReadLocaleStartOfWeek() {
  const String s = vxGetLocaleString(GetThreadLocale(), LOCALE_IFIRSTDAYOFWEEK, L"0");
  Integer v = 0;
  if (!s.empty() && s[0] >= L'0' && s[0] <= L'9') v = s[0] - L'0';
  const Integer day = (v + 1) % 7;
  return static_cast<TDay>(day);
}

String SmartDateWord(Integer AIndex) {
  if (AIndex < 0 || AIndex >= vxSmartDateWordCount) return String();
  return vxGetResString(CSmartDateWords[AIndex]);
}

String AddQuotedMaskText(const String& AText) {
  String result;
  String run;
  auto flush = [&] {
    if (!run.empty()) result += L"'" + run + L"'";
    run.clear();
  };
  for (wchar_t c : AText) {
    if (c == L'\'') {
      flush();
      result += L"\\'";
    } else {
      run += c;
    }
  }
  flush();
  return result;
}

String GetSmartDateInputMask(const String& AMask, bool AWithNow) {
  String result = L"(" + AMask + L")|(";
  const Integer last = AWithNow ? vxSmartDateNowIndex : vxSmartDateNowIndex - 1;
  for (Integer i = 0; i <= last; ++i) {
    if (i > 0) result += L"|";
    result += AddQuotedMaskText(SmartDateWord(i));
  }
  result += L")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
  return result;
}

// --- Gregorian arithmetic ---------------------------------------------------------------------

namespace {

// The remainder that keeps the sign of the divisor: weekday arithmetic must move back to
// the week's start, never forward, whatever the sign of the difference.
Integer FloorMod(Integer A, Integer B) { return ((A % B) + B) % B; }

const Integer CDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

TvxFirstWeekOfYear SystemFirstWeekOfYear() {
  const String s = vxGetLocaleString(GetThreadLocale(), LOCALE_IFIRSTWEEKOFYEAR, L"0");
  const Integer v = !s.empty() && s[0] >= L'0' && s[0] <= L'2' ? s[0] - L'0' : 0;
  return static_cast<TvxFirstWeekOfYear>(v + 1);
}

// The first day of week 1 of AYear.
TDateTime FirstWeekStart(Integer AYear, TDay AStartOfWeek, TvxFirstWeekOfYear ARule) {
  const TDateTime jan1 = EncodeDate(static_cast<Word>(AYear), 1, 1);
  TDateTime s = GetWeekStart(jan1, AStartOfWeek);
  if (ARule == fwyFirstFullWeek && s < jan1) s += 7;
  if (ARule == fwyFirstFourDays && s + 3 < jan1) s += 7;
  return s;
}

}  // namespace

bool IsGregorianLeapYear(Integer AYear) { return AYear % 4 == 0 && (AYear % 100 != 0 || AYear % 400 == 0); }

Integer DaysInMonthOf(Integer AYear, Integer AMonth) {
  if (AMonth < 1 || AMonth > 12) return 0;
  return AMonth == 2 && IsGregorianLeapYear(AYear) ? 29 : CDaysInMonth[AMonth - 1];
}

Integer DayIndexInWeek(TDateTime ADate, TDay AStartOfWeek) {
  return FloorMod(DayOfWeek(ADate) - static_cast<Integer>(AStartOfWeek) - 1, 7);
}

TDateTime GetWeekStart(TDateTime ADate, TDay AStartOfWeek) {
  return DatePartOf(ADate) - DayIndexInWeek(ADate, AStartOfWeek);
}

Integer GetGregorianWeekNumber(TDay AStartOfWeek, TvxFirstWeekOfYear AFirstWeekOfYear, TDateTime ADate) {
  if (AFirstWeekOfYear == fwySystem) AFirstWeekOfYear = SystemFirstWeekOfYear();
  const TDateTime day = DatePartOf(ADate);
  const Integer year = YearOf(day);
  TDateTime s = FirstWeekStart(year, AStartOfWeek, AFirstWeekOfYear);
  // A day before week 1 is in the last week of the previous year.
  if (day < s) s = FirstWeekStart(year - 1, AStartOfWeek, AFirstWeekOfYear);
  const Integer n = static_cast<Integer>(day - s) / 7 + 1;
  Word y, m, d;
  DecodeDate(day, y, m, d);
  if (m == 12) {
    const TDateTime start = GetWeekStart(day, AStartOfWeek);
    if (AFirstWeekOfYear == fwyJan1 && YearOf(start + 6) != year) return 1;
    if (AFirstWeekOfYear == fwyFirstFourDays && YearOf(start + 3) != year) return 1;
  }
  return n;
}

// --- Smart date text --------------------------------------------------------------------------

bool (*SmartTextToDateHook)(const String& AText, TDateTime& ADate) = nullptr;

bool ParseSmartDateText(const String& AText, TDateTime& ADate, TDateTime ANow, TDay AStartOfWeek) {
  const String text = Trim(AText);
  std::vector<Integer> order(vxSmartDateWordCount);
  std::vector<String> words(vxSmartDateWordCount);
  for (Integer i = 0; i < vxSmartDateWordCount; ++i) {
    order[i] = i;
    words[i] = SmartDateWord(i);
  }
  // Longest words first, so that "today" is not taken for a shorter word it starts with.
  std::stable_sort(order.begin(), order.end(), [&](Integer a, Integer b) {
    if (words[a].size() != words[b].size()) return words[a].size() > words[b].size();
    return CompareText(words[a], words[b]) > 0;
  });
  Integer found = -1;
  for (Integer i : order)
    if (!words[i].empty() && words[i].size() <= text.size() && SameText(text.substr(0, words[i].size()), words[i])) {
      found = i;
      break;
    }
  if (found < 0) return SmartTextToDateHook ? SmartTextToDateHook(AText, ADate) : false;
  const TDateTime today = DatePartOf(ANow);
  Word y, m, d;
  DecodeDate(today, y, m, d);
  TDateTime value;
  if (found == 0)
    value = today;
  else if (found == 1)
    value = today - 1;
  else if (found == 2)
    value = today + 1;
  else if (found <= 9)
    value = today + FloorMod(found - 2 - DayOfWeek(today), 7);
  else if (found <= 16)
    value = today - DayIndexInWeek(today, AStartOfWeek) + (found - 10);
  else if (found == 17)
    value = EncodeDate(y, m, 1);
  else if (found == 18)
    value = EncodeDate(y, m, static_cast<Word>(DaysInMonthOf(y, m)));
  else
    value = ANow;
  const String rest = Trim(text.substr(words[found].size()));
  if (rest.size() > 1 && (rest[0] == L'+' || rest[0] == L'-')) {
    Integer n;
    if (TryStrToInt(Trim(rest.substr(1)), n)) value += rest[0] == L'+' ? n : -n;
  }
  ADate = value;
  return true;
}

bool ParseSmartDateText(const String& AText, TDateTime& ADate) {
  return ParseSmartDateText(AText, ADate, Now(), GetFormatController()->StartOfWeek());
}

// --- Calendar tables ----------------------------------------------------------------------------

namespace {

// The calendar's two-digit year maximum; 0 when the system gives none.
Integer CalendarTwoDigitYearMax(Cardinal ACalendar) {
  String unused;
  DWORD value = 0;
  if (GetCalendarInfoText(ACalendar, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER, unused, &value) <= 0) return 0;
  return static_cast<Integer>(value);
}

}  // namespace

TvxGetCalendarInfoW vxGetCalendarInfoBinding = nullptr;

void TvxEra::Assign(TPersistent* Source) {
  if (auto* e = dynamic_cast<TvxEra*>(Source)) {
    Era = e->Era;
    MaxEraYear = e->MaxEraYear;
    MinEraYear = e->MinEraYear;
    StartDate = e->StartDate;
    YearOffset = e->YearOffset;
    return;
  }
  inherited::Assign(Source);
}

Integer TvxCustomCalendarTable::GetEra(Integer AYear, Integer AMonth, Integer ADay) {
  if (FEras.empty()) return -1;
  TDateTime day;
  if (!TryEncodeDate(static_cast<Word>(AYear), static_cast<Word>(AMonth), static_cast<Word>(ADay), day)) return -1;
  Integer result = -1;
  for (size_t i = 0; i < FEras.size(); ++i)
    if (FEras[i]->StartDate <= day) result = static_cast<Integer>(i);
  return result;
}

Integer TvxCustomCalendarTable::EraYearToGregorianYear(Integer AYear, Integer AEra) {
  if (AEra == -1) return AYear + DefaultEra()->YearOffset;
  if (AEra >= 0 && AEra < static_cast<Integer>(FEras.size())) return AYear + FEras[AEra]->YearOffset;
  return AYear;
}

bool TvxCustomCalendarTable::IsValidYear(Integer AEra, Integer AYear) {
  return AYear >= LowestYear() && AYear <= HighestYear();
}

bool TvxCustomCalendarTable::IsValidMonth(Integer AEra, Integer AYear, Integer AMonth) {
  return IsValidYear(AEra, AYear) && AMonth >= 1 && AMonth <= GetMonthsInYear(AEra, AYear);
}

bool TvxCustomCalendarTable::IsValidDay(Integer AEra, Integer AYear, Integer AMonth, Integer ADay) {
  return IsValidMonth(AEra, AYear, AMonth) && ADay >= 1 && ADay <= GetDaysInMonth(AEra, AYear, AMonth);
}

bool TvxCustomCalendarTable::IsValidDate(TDateTime ADate) {
  const TvxDateTime d = FromDateTime(ADate);
  return IsValidDay(-1, d.Year, d.Month, d.Day);
}

Integer TvxCustomCalendarTable::GetYearNumber(const String& S) {
  const Integer v = StrToInt(S);
  if (Trim(S).size() > 2) return v;
  const Integer m = CalendarTwoDigitYearMax(CalendarID());
  if (m > 0) return v + (m / 100) * 100 - (m % 100 < v ? 100 : 0);
  // No window from the system: the runtime's, counted back from the current year.
  Word y, mo, d;
  DecodeDate(Date(), y, mo, d);
  const Integer pivot = y - FormatSettings.TwoDigitYearCenturyWindow;
  Integer result = v + (pivot / 100) * 100;
  if (FormatSettings.TwoDigitYearCenturyWindow > 0 && result < pivot) result += 100;
  return result;
}

TvxGregorianCalendarTable::TvxGregorianCalendarTable(Cardinal AType)
    : FDefaultEra(std::make_unique<TvxEra>(-1, NullDate, 0, 1, 9999)), FGregorianCalendarType(AType) {}

TDateTime TvxGregorianCalendarTable::MinSupportedDate() { return EncodeDate(100, 1, 1); }
TDateTime TvxGregorianCalendarTable::MaxSupportedDate() { return EncodeDate(9999, 12, 31) + 0.99999; }

TvxDateTime TvxGregorianCalendarTable::FromDateTime(TDateTime ADate) {
  TvxDateTime r;
  Word y, m, d, h, mi, s, ms;
  DecodeDate(ADate, y, m, d);
  DecodeTime(ADate, h, mi, s, ms);
  r.Year = y;
  r.Month = m;
  r.Day = d;
  r.Hours = static_cast<Byte>(h);
  r.Minutes = static_cast<Byte>(mi);
  r.Seconds = static_cast<Byte>(s);
  r.Milliseconds = ms;
  return r;
}

TDateTime TvxGregorianCalendarTable::ToDateTime(const TvxDateTime& ADate) {
  return EncodeDate(static_cast<Word>(ADate.Year), static_cast<Word>(ADate.Month), static_cast<Word>(ADate.Day)) +
         EncodeTime(ADate.Hours, ADate.Minutes, ADate.Seconds, ADate.Milliseconds);
}

Integer TvxGregorianCalendarTable::GetDaysInMonth(Integer AEra, Integer AYear, Integer AMonth) {
  return DaysInMonthOf(EraYearToGregorianYear(AYear, AEra), AMonth);
}

bool TvxGregorianCalendarTable::IsLeapYear(Integer AEra, Integer AYear) {
  return IsGregorianLeapYear(EraYearToGregorianYear(AYear, AEra));
}

TvxJapaneseCalendarTable::TvxJapaneseCalendarTable() : TvxGregorianCalendarTable(3) {
  // Each era ends where the next begins: an era's last year is the year the next starts.
  FEras.push_back(std::make_unique<TvxEra>(1, EncodeDate(1868, 9, 8), 1867, 1, 45));
  FEras.push_back(std::make_unique<TvxEra>(2, EncodeDate(1912, 7, 30), 1911, 1, 15));
  FEras.push_back(std::make_unique<TvxEra>(3, EncodeDate(1926, 12, 25), 1925, 1, 64));
  FEras.push_back(std::make_unique<TvxEra>(4, EncodeDate(1989, 1, 8), 1988, 1, 31));
  FEras.push_back(std::make_unique<TvxEra>(5, EncodeDate(2019, 5, 1), 2018, 1, 9999 - 2018));
}

TDateTime TvxJapaneseCalendarTable::MaxSupportedDate() { return EncodeDate(9999, 12, 31); }

TvxDateTime TvxJapaneseCalendarTable::FromDateTime(TDateTime ADate) {
  TvxDateTime r = TvxGregorianCalendarTable::FromDateTime(ADate);
  r.Era = GetEra(r.Year, r.Month, r.Day);
  r.Year -= (r.Era >= 0 ? FEras[r.Era].get() : DefaultEra())->YearOffset;
  return r;
}

TDateTime TvxJapaneseCalendarTable::ToDateTime(const TvxDateTime& ADate) {
  if (!IsValidDay(ADate.Era, ADate.Year, ADate.Month, ADate.Day)) return MinSupportedDate();
  TvxDateTime g = ADate;
  g.Year = EraYearToGregorianYear(ADate.Year, ADate.Era);
  return TvxGregorianCalendarTable::ToDateTime(g);
}

namespace {

constexpr bool IsHijriLeapCycleYear(Integer AYearInCycle) {
  switch (AYearInCycle) {
    case 2: case 5: case 7: case 10: case 13: case 15: case 18: case 21: case 24: case 26: case 29: return true;
    default: return false;
  }
}

Integer HijriLeapYearsUpTo(Integer AYearInCycle) {
  Integer n = 0;
  for (Integer i = 1; i <= AYearInCycle; ++i) n += IsHijriLeapCycleYear(i);
  return n;
}

// Day 1 of the Gregorian year 1 as a day count.
TDateTime GregorianDayOne() { return EncodeDate(1, 1, 1); }

}  // namespace

TvxHijriCalendarTable::TvxHijriCalendarTable() : FDefaultEra(std::make_unique<TvxEra>(-1, NullDate, 0, 1, 9999)) {}

TDateTime TvxHijriCalendarTable::MinSupportedDate() { return EncodeDate(622, 7, 18); }
TDateTime TvxHijriCalendarTable::MaxSupportedDate() { return EncodeDate(9999, 12, 31) + 0.99999; }

bool TvxHijriCalendarTable::IsLeapYear(Integer, Integer AYear) { return IsHijriLeapCycleYear(((AYear % 30) + 30) % 30); }

Integer TvxHijriCalendarTable::GetDaysInMonth(Integer AEra, Integer AYear, Integer AMonth) {
  if (AMonth < 1 || AMonth > 12) return 0;
  if (AMonth == 12 && IsLeapYear(AEra, AYear)) return 30;
  return AMonth % 2 == 0 ? 29 : 30;
}

TvxDateTime TvxHijriCalendarTable::FromDateTime(TDateTime ADate) {
  TvxDateTime r;
  const Integer n = static_cast<Integer>(DatePartOf(ADate) - GregorianDayOne()) + 1;
  const Int64 b = 30 * static_cast<Int64>(n) - 6810390;
  const Integer c = static_cast<Integer>(b / 10631);
  Integer year = c + 1;
  Integer d = n - 354 * c - 11 * static_cast<Integer>(b / 318930) - 227013 - HijriLeapYearsUpTo(c % 30);
  // The cycle estimate may land a year late: step back whole years first.
  while (d <= 0) {
    --year;
    d += IsLeapYear(-1, year) ? 355 : 354;
  }
  Integer month = 1;
  while (d > GetDaysInMonth(-1, year, month)) {
    d -= GetDaysInMonth(-1, year, month);
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  r.Year = year;
  r.Month = month;
  r.Day = d;
  Word h, mi, s, ms;
  DecodeTime(ADate, h, mi, s, ms);
  r.Hours = static_cast<Byte>(h);
  r.Minutes = static_cast<Byte>(mi);
  r.Seconds = static_cast<Byte>(s);
  r.Milliseconds = ms;
  return r;
}

TDateTime TvxHijriCalendarTable::ToDateTime(const TvxDateTime& ADate) {
  const Integer a = static_cast<Integer>(ADate.Year) - 1;
  Integer dayOfYear = ADate.Day;
  for (Cardinal m = 1; m < ADate.Month; ++m) dayOfYear += GetDaysInMonth(-1, ADate.Year, m);
  const Integer days = 354 * a + 227013 + 11 * (a / 30) + HijriLeapYearsUpTo(a % 30) + dayOfYear;
  return GregorianDayOne() + days - 1 + EncodeTime(ADate.Hours, ADate.Minutes, ADate.Seconds, ADate.Milliseconds);
}

// --- Calendar arithmetic common to every table ------------------------------------------------

void TvxCustomCalendarTable::DateYearToEraYear(Integer& AYear, Integer& AEra, Integer ADay, Integer AMonth) {
  const Integer y = EraYearToGregorianYear(AYear, AEra);
  AEra = y >= 1 && y <= 9999 ? GetEra(y, AMonth, ADay) : -1;
  AYear = AEra >= 0 ? y - FEras[AEra]->YearOffset : y;
}

void TvxCustomCalendarTable::ClampDateTime(TDateTime& ADateTime) {
  if (ADateTime < MinSupportedDate()) ADateTime = MinSupportedDate();
  if (ADateTime > MaxSupportedDate()) ADateTime = MaxSupportedDate();
}

TDateTime TvxCustomCalendarTable::AddDays(const TvxDateTime& ADate, Integer ACountDays) {
  if (!IsValidDay(ADate.Era, ADate.Year, ADate.Month, ADate.Day)) return MinSupportedDate();
  TDateTime r = ToDateTime(ADate) + ACountDays;
  ClampDateTime(r);
  return r;
}

TDateTime TvxCustomCalendarTable::AddMonths(const TvxDateTime& ADate, Integer ACountMonths) {
  if (!IsValidDay(ADate.Era, ADate.Year, ADate.Month, ADate.Day)) return MinSupportedDate();
  Integer era = ADate.Era, year = static_cast<Integer>(ADate.Year);
  Integer month = static_cast<Integer>(ADate.Month) + ACountMonths;
  // Whole years first, then the months left, so a large count costs no more than a small one.
  const Integer perYear = GetMonthsInYear(era, year);
  if (perYear == 12) {
    const Integer shift = (month - 1 >= 0 ? (month - 1) / 12 : -((12 - month) / 12));
    year += shift;
    month -= shift * 12;
  }
  while (month > GetMonthsInYear(era, year)) {
    month -= GetMonthsInYear(era, year);
    ++year;
  }
  while (month <= 0) {
    --year;
    month += GetMonthsInYear(era, year);
  }
  if (!IsValidMonth(era, year, month)) return MinSupportedDate();
  const Integer day = std::min<Integer>(static_cast<Integer>(ADate.Day), GetDaysInMonth(era, year, month));
  DateYearToEraYear(year, era, day, month);
  TvxDateTime r = ADate;
  r.Era = era;
  r.Year = static_cast<Cardinal>(year);
  r.Month = static_cast<Cardinal>(month);
  r.Day = static_cast<Cardinal>(day);
  if (!IsValidDay(r.Era, year, month, day)) return MinSupportedDate();
  TDateTime t = ToDateTime(r);
  ClampDateTime(t);
  return t;
}

TDateTime TvxCustomCalendarTable::AddYears(const TvxDateTime& ADate, Integer ACountYears) {
  if (!IsValidDay(ADate.Era, ADate.Year, ADate.Month, ADate.Day)) return MinSupportedDate();
  Integer era = ADate.Era, year = static_cast<Integer>(ADate.Year) + ACountYears;
  YearToEraYear(year, era);
  if (!IsValidYear(era, year)) return MinSupportedDate();
  const Integer month = std::min<Integer>(static_cast<Integer>(ADate.Month), GetMonthsInYear(era, year));
  const Integer day = std::min<Integer>(static_cast<Integer>(ADate.Day), GetDaysInMonth(era, year, month));
  DateYearToEraYear(year, era, day, month);
  TvxDateTime r = ADate;
  r.Era = era;
  r.Year = static_cast<Cardinal>(year);
  r.Month = static_cast<Cardinal>(month);
  r.Day = static_cast<Cardinal>(day);
  if (!IsValidDay(r.Era, year, month, day)) return MinSupportedDate();
  TDateTime t = ToDateTime(r);
  ClampDateTime(t);
  return t;
}

Integer TvxCustomCalendarTable::GetDayOfYear(const TvxDateTime& ADate) {
  Integer r = static_cast<Integer>(ADate.Day);
  for (Integer m = 1; m < static_cast<Integer>(ADate.Month); ++m)
    r += GetDaysInMonth(ADate.Era, static_cast<Integer>(ADate.Year), m);
  return r;
}

Integer TvxCustomCalendarTable::GetDaysInYear(Integer AEra, Integer AYear) {
  Integer r = 0;
  for (Integer m = 1; m <= GetMonthsInYear(AEra, AYear); ++m) r += GetDaysInMonth(AEra, AYear, m);
  return r;
}

Integer TvxCustomCalendarTable::GetWeekDay(TDateTime ADate) { return DayOfWeek(ADate) - 1; }

TDateTime TvxCustomCalendarTable::GetFirstDayOfWeek(TDateTime ADate, Integer AStartDayOfWeek) {
  const TDateTime day = DatePartOf(ADate);
  return day - FloorMod(GetWeekDay(day) - AStartDayOfWeek, 7);
}

Integer TvxCustomCalendarTable::GetWeekNumber(const TvxDateTime& ADate, TDay, TvxFirstWeekOfYear AFirstWeekOfYear) {
  if (AFirstWeekOfYear == fwySystem) AFirstWeekOfYear = SystemFirstWeekOfYear();
  TvxDateTime first = ADate;
  first.Month = first.Day = 1;
  first.Hours = first.Minutes = first.Seconds = 0;
  first.Milliseconds = 0;
  const TDateTime date = DatePartOf(ToDateTime(ADate));
  const TDateTime firstDay = ToDateTime(first);
  TDateTime s = GetFirstDayOfWeek(firstDay);
  // A start in the previous calendar year lies before the year's first day.
  if (AFirstWeekOfYear == fwyFirstFullWeek && s < firstDay) s += 7;
  if (AFirstWeekOfYear == fwyFirstFourDays && s + 3 < firstDay) s += 7;
  const Integer n = static_cast<Integer>((date - s) / 7) + 1;
  if (ADate.Month == static_cast<Cardinal>(GetMonthsInYear(ADate.Era, static_cast<Integer>(ADate.Year)))) {
    const TDateTime start = GetFirstDayOfWeek(date);
    if (AFirstWeekOfYear == fwyJan1 && FromDateTime(start + 6).Month == 1) return 1;
    if (AFirstWeekOfYear == fwyFirstFourDays && FromDateTime(start + 3).Month == 1) return 1;
  }
  return n;
}

Integer TvxCustomCalendarTable::GetMonthNumber(Integer, const String& S) {
  const String t = Trim(S);
  // The name arrays count months from 1.
  for (Integer m = 1; m <= 12; ++m)
    if (AnsiSameText(FormatSettings.LongMonthNames[m], t)) return m;
  for (Integer m = 1; m <= 12; ++m)
    if (AnsiSameText(FormatSettings.ShortMonthNames[m], t)) return m;
  return StrToInt(t);
}

Integer TvxHijriCalendarTable::GetMonthNumber(Integer AYear, const String& S) {
  const String t = Trim(S);
  for (Integer m = 1; m <= 12 && !t.empty(); ++m)
    if (AnsiSameText(GetCalendarMonthName(AYear, m, this), t)) return m;
  return TvxCustomCalendarTable::GetMonthNumber(AYear, S);
}

Integer TvxGregorianCalendarTable::GetFirstWeekDay() {
  switch (FGregorianCalendarType) {
    case 9: case 11: case 12: return 1;
    case 10: return 6;
    default: return 0;
  }
}

Integer TvxGregorianCalendarTable::GetFullWeeksInYear(Integer AYear) {
  TvxDateTime first;
  first.Year = static_cast<Cardinal>(AYear);
  first.Month = first.Day = 1;
  const Integer c = FloorMod(GetWeekDay(ToDateTime(first)) - GetFirstWeekDay(), 7);
  return (IsLeapYear(-1, AYear) && c > 4) || c > 5 ? 53 : 52;
}

Integer TvxGregorianCalendarTable::GetWeekNumber(const TvxDateTime& ADate, TDay AStartOfWeek,
                                                 TvxFirstWeekOfYear AFirstWeekOfYear) {
  return GetGregorianWeekNumber(AStartOfWeek, AFirstWeekOfYear, ToDateTime(ADate));
}

TvxSingleEraCalendarTable::TvxSingleEraCalendarTable(Cardinal AID, Integer AEra, TDateTime AStartDate,
                                                     Integer AYearOffset, Integer AMinEraYear, Integer AMaxEraYear)
    : FID(AID) {
  FEras.clear();
  FEras.push_back(std::make_unique<TvxEra>(AEra, AStartDate, AYearOffset, AMinEraYear, AMaxEraYear));
}

TvxTaiwanCalendarTable::TvxTaiwanCalendarTable()
    : TvxSingleEraCalendarTable(4, 1, EncodeDate(1912, 1, 1), 1911, 1, 8088) {}

TvxKoreanCalendarTable::TvxKoreanCalendarTable()
    : TvxSingleEraCalendarTable(5, 0, EncodeDate(1, 1, 1), -2333, 2334, 12332) {}

TvxThaiCalendarTable::TvxThaiCalendarTable() : TvxSingleEraCalendarTable(7, 0, EncodeDate(1, 1, 1), -543, 544, 10542) {}

Integer GetLocaleCalendarType() {
  DWORD value = 0;
  if (!GetLocaleInfoW(GetThreadLocale(), LOCALE_ICALENDARTYPE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                      sizeof(value) / sizeof(wchar_t)))
    return 1;
  return static_cast<Integer>(value);
}

std::unique_ptr<TvxCustomCalendarTable> CreateCalendarTableForType(Cardinal AType) {
  switch (AType) {
    case 1: case 2: case 9: case 10: case 11: case 12: return std::make_unique<TvxGregorianCalendarTable>(AType);
    case 3: return std::make_unique<TvxJapaneseCalendarTable>();
    case 4: return std::make_unique<TvxTaiwanCalendarTable>();
    case 5: return std::make_unique<TvxKoreanCalendarTable>();
    case 6: return std::make_unique<TvxHijriCalendarTable>();
    case 7: return std::make_unique<TvxThaiCalendarTable>();
    case 8: return std::make_unique<TvxHebrewCalendarTable>();
    default: return std::make_unique<TvxGregorianCalendarTable>(1);
  }
}

std::unique_ptr<TvxCustomCalendarTable> CreateLocaleCalendarTable() {
  return CreateCalendarTableForType(static_cast<Cardinal>(GetLocaleCalendarType()));
}

bool IsGregorianCalendar(TvxCustomCalendarTable* ATable) {
  std::unique_ptr<TvxCustomCalendarTable> temp;
  if (!ATable) {
    temp = CreateLocaleCalendarTable();
    ATable = temp.get();
  }
  const Cardinal id = ATable->CalendarID();
  return id == 1 || id == 2 || (id >= 9 && id <= 12);
}

// --- Hebrew calendar ----------------------------------------------------------------------------

namespace {

constexpr Integer CHebrewFirstGregorianYear = 1583;
constexpr Integer CHebrewYearCount = 657;
constexpr Integer CHebrewYearShift = 3760;

// For each Gregorian year from 1583 on: the Hebrew date of its 1 January as a code (1-29
// day of month 4; 30 day 30 and 33 day 29 of month 3; 0, 31 and 32 days 1, 2 and 3 of
// month 5) and the kind of the Hebrew year that holds it (1-3 common years of 353, 354 and
// 355 days, 4-6 leap years of the same kinds).
const Byte CHebrewYears[CHebrewYearCount][2] = {
    {7, 3}, {17, 3}, {0, 4}, {11, 2}, {21, 6}, {1, 3}, {13, 2}, {25, 4},
    {5, 3}, {16, 2}, {27, 6}, {9, 1}, {20, 2}, {0, 6}, {11, 3}, {23, 4},
    {4, 2}, {14, 3}, {27, 4}, {8, 2}, {18, 3}, {28, 6}, {11, 1}, {22, 5},
    {2, 3}, {12, 3}, {25, 4}, {6, 2}, {16, 3}, {26, 6}, {8, 2}, {20, 1},
    {0, 6}, {11, 2}, {24, 4}, {4, 3}, {15, 2}, {25, 6}, {8, 1}, {19, 2},
    {29, 6}, {9, 3}, {22, 4}, {3, 2}, {13, 3}, {25, 4}, {6, 3}, {17, 2},
    {27, 6}, {7, 3}, {19, 2}, {31, 4}, {11, 3}, {23, 4}, {5, 2}, {15, 3},
    {25, 6}, {6, 2}, {19, 1}, {29, 6}, {10, 2}, {22, 4}, {3, 3}, {14, 2},
    {24, 6}, {6, 1}, {17, 3}, {28, 5}, {8, 3}, {20, 1}, {32, 5}, {12, 3},
    {22, 6}, {4, 1}, {16, 2}, {26, 6}, {6, 3}, {17, 2}, {0, 4}, {10, 3},
    {22, 4}, {3, 2}, {14, 3}, {24, 6}, {5, 2}, {17, 1}, {28, 6}, {9, 2},
    {19, 3}, {31, 4}, {13, 2}, {23, 6}, {3, 3}, {15, 1}, {27, 5}, {7, 3},
    {17, 3}, {29, 4}, {11, 2}, {21, 6}, {3, 1}, {14, 2}, {25, 6}, {5, 3},
    {16, 2}, {28, 4}, {9, 3}, {20, 2}, {0, 6}, {12, 1}, {23, 6}, {4, 2},
    {14, 3}, {26, 4}, {8, 2}, {18, 3}, {0, 4}, {10, 3}, {21, 5}, {1, 3},
    {13, 1}, {24, 5}, {5, 3}, {15, 3}, {27, 4}, {8, 2}, {19, 3}, {29, 6},
    {10, 2}, {22, 4}, {3, 3}, {14, 2}, {26, 4}, {6, 3}, {18, 2}, {28, 6},
    {10, 1}, {20, 6}, {2, 2}, {12, 3}, {24, 4}, {5, 2}, {16, 3}, {28, 4},
    {8, 3}, {19, 2}, {0, 6}, {12, 1}, {23, 5}, {3, 3}, {14, 3}, {26, 4},
    {7, 2}, {17, 3}, {28, 6}, {9, 2}, {21, 4}, {1, 3}, {13, 2}, {25, 4},
    {5, 3}, {16, 2}, {27, 6}, {9, 1}, {19, 3}, {0, 5}, {11, 3}, {23, 4},
    {4, 2}, {14, 3}, {25, 6}, {7, 1}, {18, 2}, {28, 6}, {9, 3}, {21, 4},
    {2, 2}, {12, 3}, {25, 4}, {6, 2}, {16, 3}, {26, 6}, {8, 2}, {20, 1},
    {0, 6}, {11, 2}, {22, 6}, {4, 1}, {15, 2}, {25, 6}, {6, 3}, {18, 1},
    {29, 5}, {9, 3}, {22, 4}, {2, 3}, {13, 2}, {23, 6}, {4, 3}, {15, 2},
    {27, 4}, {7, 3}, {19, 2}, {31, 4}, {11, 3}, {21, 6}, {3, 2}, {15, 1},
    {25, 6}, {6, 2}, {17, 3}, {29, 4}, {10, 2}, {20, 6}, {3, 1}, {13, 3},
    {24, 5}, {4, 3}, {16, 1}, {27, 5}, {7, 3}, {17, 3}, {0, 4}, {11, 2},
    {21, 6}, {1, 3}, {13, 2}, {25, 4}, {5, 3}, {16, 2}, {29, 4}, {9, 3},
    {19, 6}, {30, 2}, {13, 1}, {23, 6}, {4, 2}, {14, 3}, {27, 4}, {8, 2},
    {18, 3}, {0, 4}, {11, 3}, {22, 5}, {2, 3}, {14, 1}, {26, 5}, {6, 3},
    {16, 3}, {28, 4}, {10, 2}, {20, 6}, {30, 3}, {11, 2}, {24, 4}, {4, 3},
    {15, 2}, {25, 6}, {8, 1}, {19, 2}, {29, 6}, {9, 3}, {22, 4}, {3, 2},
    {13, 3}, {25, 4}, {7, 2}, {17, 3}, {27, 6}, {9, 1}, {21, 5}, {1, 3},
    {11, 3}, {23, 4}, {5, 2}, {15, 3}, {25, 6}, {6, 2}, {19, 1}, {29, 6},
    {10, 2}, {22, 4}, {3, 3}, {14, 2}, {24, 6}, {6, 1}, {18, 2}, {28, 6},
    {8, 3}, {20, 4}, {2, 2}, {12, 3}, {24, 4}, {4, 3}, {16, 2}, {26, 6},
    {6, 3}, {17, 2}, {0, 4}, {10, 3}, {22, 4}, {3, 2}, {14, 3}, {24, 6},
    {5, 2}, {17, 1}, {28, 6}, {9, 2}, {21, 4}, {1, 3}, {13, 2}, {23, 6},
    {5, 1}, {15, 3}, {27, 5}, {7, 3}, {19, 1}, {0, 5}, {10, 3}, {22, 4},
    {2, 3}, {13, 2}, {24, 6}, {4, 3}, {15, 2}, {27, 4}, {8, 3}, {20, 4},
    {1, 2}, {11, 3}, {22, 6}, {3, 2}, {15, 1}, {25, 6}, {7, 2}, {17, 3},
    {29, 4}, {10, 2}, {21, 6}, {1, 3}, {13, 1}, {24, 5}, {5, 3}, {15, 3},
    {27, 4}, {8, 2}, {19, 6}, {1, 1}, {12, 2}, {22, 6}, {3, 3}, {14, 2},
    {26, 4}, {6, 3}, {18, 2}, {28, 6}, {10, 1}, {20, 6}, {2, 2}, {12, 3},
    {24, 4}, {5, 2}, {16, 3}, {28, 4}, {9, 2}, {19, 6}, {30, 3}, {12, 1},
    {23, 5}, {3, 3}, {14, 3}, {26, 4}, {7, 2}, {17, 3}, {28, 6}, {9, 2},
    {21, 4}, {1, 3}, {13, 2}, {25, 4}, {5, 3}, {16, 2}, {27, 6}, {9, 1},
    {19, 6}, {30, 2}, {11, 3}, {23, 4}, {4, 2}, {14, 3}, {27, 4}, {7, 3},
    {18, 2}, {28, 6}, {11, 1}, {22, 5}, {2, 3}, {12, 3}, {25, 4}, {6, 2},
    {16, 3}, {26, 6}, {8, 2}, {20, 4}, {30, 3}, {11, 2}, {24, 4}, {4, 3},
    {15, 2}, {25, 6}, {8, 1}, {18, 3}, {29, 5}, {9, 3}, {22, 4}, {3, 2},
    {13, 3}, {23, 6}, {6, 1}, {17, 2}, {27, 6}, {7, 3}, {20, 4}, {1, 2},
    {11, 3}, {23, 4}, {5, 2}, {15, 3}, {25, 6}, {6, 2}, {19, 1}, {29, 6},
    {10, 2}, {20, 6}, {3, 1}, {14, 2}, {24, 6}, {4, 3}, {17, 1}, {28, 5},
    {8, 3}, {20, 4}, {1, 3}, {12, 2}, {22, 6}, {2, 3}, {14, 2}, {26, 4},
    {6, 3}, {17, 2}, {0, 4}, {10, 3}, {20, 6}, {1, 2}, {14, 1}, {24, 6},
    {5, 2}, {15, 3}, {28, 4}, {9, 2}, {19, 6}, {1, 1}, {12, 3}, {23, 5},
    {3, 3}, {15, 1}, {27, 5}, {7, 3}, {17, 3}, {29, 4}, {11, 2}, {21, 6},
    {1, 3}, {12, 2}, {25, 4}, {5, 3}, {16, 2}, {28, 4}, {9, 3}, {19, 6},
    {30, 2}, {12, 1}, {23, 6}, {4, 2}, {14, 3}, {26, 4}, {8, 2}, {18, 3},
    {0, 4}, {10, 3}, {22, 5}, {2, 3}, {14, 1}, {25, 5}, {6, 3}, {16, 3},
    {28, 4}, {9, 2}, {20, 6}, {30, 3}, {11, 2}, {23, 4}, {4, 3}, {15, 2},
    {27, 4}, {7, 3}, {19, 2}, {29, 6}, {11, 1}, {21, 6}, {3, 2}, {13, 3},
    {25, 4}, {6, 2}, {17, 3}, {27, 6}, {9, 1}, {20, 5}, {30, 3}, {10, 3},
    {22, 4}, {3, 2}, {14, 3}, {24, 6}, {5, 2}, {17, 1}, {28, 6}, {9, 2},
    {21, 4}, {1, 3}, {13, 2}, {23, 6}, {5, 1}, {16, 2}, {27, 6}, {7, 3},
    {19, 4}, {30, 2}, {11, 3}, {23, 4}, {3, 3}, {14, 2}, {25, 6}, {5, 3},
    {16, 2}, {28, 4}, {9, 3}, {21, 4}, {2, 2}, {12, 3}, {23, 6}, {4, 2},
    {16, 1}, {26, 6}, {8, 2}, {20, 4}, {30, 3}, {11, 2}, {22, 6}, {4, 1},
    {14, 3}, {25, 5}, {6, 3}, {18, 1}, {29, 5}, {9, 3}, {22, 4}, {2, 3},
    {13, 2}, {23, 6}, {4, 3}, {15, 2}, {27, 4}, {7, 3}, {20, 4}, {1, 2},
    {11, 3}, {21, 6}, {3, 2}, {15, 1}, {25, 6}, {6, 2}, {17, 3}, {29, 4},
    {10, 2}, {20, 6}, {3, 1}, {13, 3}, {24, 5}, {4, 3}, {17, 1}, {28, 5},
    {8, 3}, {18, 6}, {1, 1}, {12, 2}, {22, 6}, {2, 3}, {14, 2}, {26, 4},
    {6, 3}, {17, 2}, {28, 6}, {10, 1}, {20, 6}, {1, 2}, {12, 3}, {24, 4},
    {5, 2}, {15, 3}, {28, 4}, {9, 2}, {19, 6}, {33, 3}, {12, 1}, {23, 5},
    {3, 3}, {13, 3}, {25, 4}, {6, 2}, {16, 3}, {26, 6}, {8, 2}, {20, 4},
    {30, 3}, {11, 2}, {24, 4}, {4, 3}, {15, 2}, {25, 6}, {8, 1}, {18, 6},
    {33, 2}, {9, 3}, {22, 4}, {3, 2}, {13, 3}, {25, 4}, {6, 3}, {17, 2},
    {27, 6}, {9, 1}, {21, 5}, {1, 3}, {11, 3}, {23, 4}, {5, 2}, {15, 3},
    {25, 6}, {6, 2}, {19, 4}, {33, 3}, {10, 2}, {22, 4}, {3, 3}, {14, 2},
    {24, 6},
};

// Month lengths by year kind, months 1-13.
const Byte CHebrewMonthDays[6][13] = {
    {30, 29, 29, 29, 30, 29, 30, 29, 30, 29, 30, 29, 0},  {30, 29, 30, 29, 30, 29, 30, 29, 30, 29, 30, 29, 0},
    {30, 30, 30, 29, 30, 29, 30, 29, 30, 29, 30, 29, 0},  {30, 29, 29, 29, 30, 30, 29, 30, 29, 30, 29, 30, 29},
    {30, 29, 30, 29, 30, 30, 29, 30, 29, 30, 29, 30, 29}, {30, 30, 30, 29, 30, 30, 29, 30, 29, 30, 29, 30, 29},
};

// The stored kind 1-6 of a Hebrew year, 0 outside the table.
Integer HebrewStoredType(Integer AYear) {
  const Integer i = AYear - CHebrewYearShift - CHebrewFirstGregorianYear;
  return i >= 0 && i < CHebrewYearCount ? CHebrewYears[i][1] : 0;
}

// The Hebrew month and day of 1 January of the Gregorian year that the Hebrew year holds.
void HebrewJanuaryFirst(Integer AYear, Integer& AMonth, Integer& ADay) {
  const Integer code = CHebrewYears[AYear - CHebrewYearShift - CHebrewFirstGregorianYear][0];
  if (code >= 1 && code <= 29) {
    AMonth = 4;
    ADay = code;
  } else if (code == 30 || code == 33) {
    AMonth = 3;
    ADay = code == 30 ? 30 : 29;
  } else {
    AMonth = 5;
    ADay = code == 0 ? 1 : code - 29;
  }
}

// The day of the Hebrew year (from 1) of a month and day, by the year's month lengths.
Integer HebrewDayOfYear(Integer AStoredType, Integer AMonth, Integer ADay) {
  Integer r = ADay;
  for (Integer m = 1; m < AMonth; ++m) r += CHebrewMonthDays[AStoredType - 1][m - 1];
  return r;
}

}  // namespace

TvxHebrewCalendarTable::TvxHebrewCalendarTable() : FDefaultEra(std::make_unique<TvxEra>(-1, NullDate, 0, 1, 9999)) {}

TDateTime TvxHebrewCalendarTable::MinSupportedDate() { return EncodeDate(1583, 1, 1); }
TDateTime TvxHebrewCalendarTable::MaxSupportedDate() { return EncodeDate(2239, 9, 29) + EncodeTime(23, 59, 59, 999); }

Integer TvxHebrewCalendarTable::GetYearType(Integer AYear) {
  const Integer t = HebrewStoredType(AYear);
  return t > 3 ? t - 3 : t;
}

bool TvxHebrewCalendarTable::IsLeapYear(Integer, Integer AYear) { return HebrewStoredType(AYear) > 3; }

Integer TvxHebrewCalendarTable::GetMonthsInYear(Integer AEra, Integer AYear) { return IsLeapYear(AEra, AYear) ? 13 : 12; }

Integer TvxHebrewCalendarTable::GetDaysInMonth(Integer AEra, Integer AYear, Integer AMonth) {
  if (!IsValidMonth(AEra, AYear, AMonth)) return 0;
  return CHebrewMonthDays[HebrewStoredType(AYear) - 1][AMonth - 1];
}

Integer TvxHebrewCalendarTable::GetDaysInYear(Integer AEra, Integer AYear) {
  if (!IsValidYear(AEra, AYear)) return 0;
  const Integer t = GetYearType(AYear);
  return (t == 2 ? 354 : t == 3 ? 355 : 353) + (IsLeapYear(AEra, AYear) ? 30 : 0);
}

bool TvxHebrewCalendarTable::IsLeapMonth(Integer AEra, Integer AYear, Integer AMonth) {
  return IsValidMonth(AEra, AYear, AMonth) && AMonth == 7 && IsLeapYear(AEra, AYear);
}

bool TvxHebrewCalendarTable::IsLeapDay(Integer AEra, Integer AYear, Integer AMonth, Integer ADay) {
  return IsValidDay(AEra, AYear, AMonth, ADay) && IsLeapMonth(AEra, AYear, AMonth);
}

TDateTime TvxHebrewCalendarTable::ToDateTime(const TvxDateTime& ADate) {
  const Integer year = static_cast<Integer>(ADate.Year);
  if (!IsValidDay(ADate.Era, year, static_cast<Integer>(ADate.Month), static_cast<Integer>(ADate.Day)))
    return MinSupportedDate();
  const TDateTime jan1 = EncodeDate(static_cast<Word>(year - CHebrewYearShift), 1, 1);
  Integer m0, d0;
  HebrewJanuaryFirst(year, m0, d0);
  const Integer t = HebrewStoredType(year);
  // 1 January and the wanted day lie in the same Hebrew year: count the days between them.
  const Integer shift = HebrewDayOfYear(t, static_cast<Integer>(ADate.Month), static_cast<Integer>(ADate.Day)) -
                        HebrewDayOfYear(t, m0, d0);
  return jan1 + shift + EncodeTime(ADate.Hours, ADate.Minutes, ADate.Seconds, ADate.Milliseconds);
}

TvxDateTime TvxHebrewCalendarTable::FromDateTime(TDateTime ADate) {
  if (ADate > MaxSupportedDate()) ADate = MaxSupportedDate();
  if (ADate < MinSupportedDate()) ADate = MinSupportedDate();
  TvxDateTime r;
  Integer year = YearOf(ADate) + CHebrewYearShift;
  Integer month = 1;
  TvxDateTime first;
  first.Year = static_cast<Cardinal>(year);
  first.Month = first.Day = 1;
  // The Hebrew year begins in the autumn before 1 January, so the count starts at 1 or more.
  Integer i = static_cast<Integer>(std::lround(DatePartOf(ADate) - ToDateTime(first))) + 1;
  while (i > GetDaysInMonth(-1, year, month)) {
    i -= GetDaysInMonth(-1, year, month);
    if (++month > GetMonthsInYear(-1, year)) {
      month = 1;
      ++year;
    }
  }
  r.Year = static_cast<Cardinal>(year);
  r.Month = static_cast<Cardinal>(month);
  r.Day = static_cast<Cardinal>(i);
  Word h, mi, s, ms;
  DecodeTime(ADate, h, mi, s, ms);
  r.Hours = static_cast<Byte>(h);
  r.Minutes = static_cast<Byte>(mi);
  r.Seconds = static_cast<Byte>(s);
  r.Milliseconds = ms;
  return r;
}

Integer HebrewNumeralValue(const String& S) {
  // By code-page position from alef: alef..yod, then final kaf, kaf, lamed, final mem,
  // mem, final nun, nun, samekh, ayin, final pe, pe, final tsadi, tsadi, qof, resh, shin, tav.
  static const Word CValues[27] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10,  20,  20,  30, 40,
                                   40, 50, 50, 60, 70, 80, 80, 90, 90, 100, 200, 300, 400};
  Integer r = 0;
  for (wchar_t c : S) {
    Integer pos = -1;
    if (c >= 0x05D0 && c <= 0x05EA) pos = c - 0x05D0;  // the letters as read from Windows-1255
    else if (c >= 224 && c <= 250) pos = c - 224;      // the code-page bytes themselves
    if (pos >= 0) r += CValues[pos];
  }
  return r;
}

Integer TvxHebrewCalendarTable::GetDayNumber(const String& S) {
  const Integer v = HebrewNumeralValue(S);
  return v ? v : TvxCustomCalendarTable::GetDayNumber(S);
}

Integer TvxHebrewCalendarTable::GetYearNumber(const String& S) {
  const Integer v = HebrewNumeralValue(S);
  return v ? v + 5000 : TvxCustomCalendarTable::GetYearNumber(S);
}

Integer TvxHebrewCalendarTable::GetMonthNumber(Integer AYear, const String& S) {
  const Integer v = HebrewNumeralValue(S);
  if (v && IsValidMonth(-1, AYear, v)) return v;
  const String t = Trim(S);
  for (Integer m = 1; m <= 13 && !t.empty(); ++m)
    if (AnsiSameText(GetCalendarMonthName(AYear, m, this), t) || AnsiSameText(GetDayNumberText(m, this), t)) return m;
  return TvxCustomCalendarTable::GetMonthNumber(AYear, S);
}

// --- Text and dates ----------------------------------------------------------------------------

bool SingleCharDayNames = true;

namespace {

String LocaleText(LCTYPE AItem, const String& ADefault = String()) {
  return vxGetLocaleString(GetThreadLocale(), AItem, ADefault);
}

bool UseRtlFormats() {
  TvxFormatController* c = GetFormatController();
  return c && c->UseRtlDateTimeFormats();
}

// The table to ask: the given one, else a temporary table of the locale's calendar.
class TTableOrLocale {
 public:
  explicit TTableOrLocale(TvxCustomCalendarTable* ATable) : FTable(ATable) {
    if (!FTable) {
      FOwned = CreateLocaleCalendarTable();
      FTable = FOwned.get();
    }
  }
  TvxCustomCalendarTable* operator->() const { return FTable; }
  TvxCustomCalendarTable* get() const { return FTable; }

 private:
  TvxCustomCalendarTable* FTable;
  std::unique_ptr<TvxCustomCalendarTable> FOwned;
};

bool ToSystemTime(TDateTime ADate, SYSTEMTIME& ATime) {
  if (ADate < EncodeDate(1, 1, 1) || ADate >= EncodeDate(9999, 12, 31) + 1) return false;
  Word y, m, d, h, mi, s, ms;
  DecodeDate(ADate, y, m, d);
  DecodeTime(ADate, h, mi, s, ms);
  ATime = SYSTEMTIME{};
  ATime.wYear = y;
  ATime.wMonth = m;
  ATime.wDay = d;
  ATime.wDayOfWeek = static_cast<Word>(DayOfWeek(ADate) - 1);
  ATime.wHour = h;
  ATime.wMinute = mi;
  ATime.wSecond = s;
  ATime.wMilliseconds = ms;
  return true;
}

// GetDateFormatW of the thread locale; False when the system cannot format the date.
bool SystemDateText(TDateTime ADate, DWORD AFlags, const String& AFormat, Integer ABufferSize, String& AText) {
  AText.clear();
  SYSTEMTIME st;
  if (!ToSystemTime(ADate, st)) return false;
  std::vector<wchar_t> buffer(ABufferSize);
  const int n = GetDateFormatW(GetThreadLocale(), AFlags, &st, AFormat.empty() ? nullptr : AFormat.c_str(),
                               buffer.data(), ABufferSize);
  if (n <= 0) return false;
  AText.assign(buffer.data(), n - 1);
  return true;
}

String SystemTimeText(TDateTime ADate) {
  SYSTEMTIME st;
  if (!ToSystemTime(ADate, st)) return String();
  wchar_t buffer[100];
  const int n = GetTimeFormatW(GetThreadLocale(), 0, &st, nullptr, buffer, 100);
  return n > 0 ? String(buffer, n - 1) : String();
}

// The system's reading of a date under the user locale (a variant change of type).
TDateTime SystemTextToDate(const String& AText) {
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  src.vt = VT_BSTR;
  src.bstrVal = SysAllocStringLen(AText.data(), static_cast<UINT>(AText.size()));
  const HRESULT hr = VariantChangeType(&dst, &src, 0, VT_DATE);
  VariantClear(&src);
  if (FAILED(hr)) throw EConvertError(L"'" + AText + L"' is not a valid date");
  const TDateTime r = dst.date;
  VariantClear(&dst);
  return r;
}

// The system's text of a date value; empty when the system cannot give one.
String SystemVariantDateText(TDateTime ADate) {
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  src.vt = VT_DATE;
  src.date = ADate;
  if (FAILED(VariantChangeType(&dst, &src, 0, VT_BSTR))) return String();
  String r(dst.bstrVal, SysStringLen(dst.bstrVal));
  VariantClear(&dst);
  return r;
}

// "yy" without "yyy" becomes "yyyy".
String WithFourDigitYear(const String& AFormat) {
  const String upper = UpperCase(AFormat);
  if (upper.find(L"YYY") != String::npos) return AFormat;
  const size_t p = upper.find(L"YY");
  if (p == String::npos) return AFormat;
  String r = AFormat;
  r.insert(p + 2, r.substr(p, 2));
  return r;
}

String ZeroPadded(Integer AValue, size_t AWidth) {
  String r = IntToStr(AValue);
  if (r.size() < AWidth) r.insert(0, AWidth - r.size(), L'0');
  return r;
}

bool HasTimePart(TDateTime ADate) { return TimePartOf(ADate) != 0; }

// The value stands when it is a day count a date can have, up to year 9999.
TDateTime CheckedDate(TDateTime AValue) {
  if (!(AValue > -2147483648.0 && AValue < 2147483647.0)) return NullDate;
  Word y, m, d;
  DecodeDate(AValue, y, m, d);
  if (d == 0 || y > 9999) return NullDate;
  return AValue;
}

// Gregorian text to a date: the runtime's reading or the system's.
TDateTime GregorianTextToDate(const String& AText, bool AUseOSConversion) {
  const String text = PrepareDateText(AText, AUseOSConversion);
  return AUseOSConversion ? SystemTextToDate(text) : StrToDateTime(text, FormatSettings);
}

}  // namespace

TDateTime GetMinSupportedDate() { return EncodeDate(100, 1, 1); }

bool IsDateInValidRange(TDateTime ADate) {
  return ADate == NullDate || (ADate >= GetMinSupportedDate() && ADate <= EncodeDate(9999, 12, 31) + 0.99999);
}

void ReadLocaleFormatSettings(TFormatSettings& ASettings) {
  const String dateSep = LocaleText(LOCALE_SDATE, L"/");
  if (!dateSep.empty()) ASettings.DateSeparator = dateSep[0];
  ASettings.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE);
  ASettings.LongDateFormat = LocaleText(LOCALE_SLONGDATE);
  const String timeSep = LocaleText(LOCALE_STIME, L":");
  if (!timeSep.empty()) ASettings.TimeSeparator = timeSep[0];
  ASettings.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT);
  ASettings.TimeAMString = LocaleText(LOCALE_S1159);
  ASettings.TimePMString = LocaleText(LOCALE_S2359);
  ASettings.ListSeparator = FormatSettings.ListSeparator;
}

Integer GetCalendarInfoText(Cardinal ACalendar, Cardinal ACalType, String& AText, DWORD* AValue) {
  AText.clear();
  wchar_t buffer[256] = {};
  DWORD value = 0;
  const bool number = (ACalType & CAL_RETURN_NUMBER) != 0;
  auto call = [&](TvxGetCalendarInfoW fn) {
    return fn(GetThreadLocale(), ACalendar, ACalType, number ? nullptr : buffer, number ? 0 : 256, &value);
  };
  int n = 0;
  if (vxGetCalendarInfoBinding) {
    n = call(vxGetCalendarInfoBinding);
  } else {
    HMODULE kernel = LoadLibraryW(L"kernel32.dll");
    if (!kernel) return 0;
    auto fn =
        reinterpret_cast<TvxGetCalendarInfoW>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetCalendarInfoW")));
    n = fn ? call(fn) : 0;
    FreeLibrary(kernel);
  }
  if (n <= 0) return 0;
  if (number) {
    if (AValue) *AValue = value;
  } else {
    AText.assign(buffer, n - 1);
  }
  return n;
}

TvxDateOrder GetDateOrderOfFormat(const String& AFormat) {
  for (wchar_t c : AFormat) {
    switch (towupper(c)) {
      case L'D': return doDMY;
      case L'E': case L'Y': return doYMD;
      case L'M': return doMDY;
      default: break;
    }
  }
  return doMDY;
}

String PrepareDateText(const String& AText, bool ALocaleWords) {
  std::vector<String> allowed;
  if (ALocaleWords) {
    allowed = {LocaleText(LOCALE_SDATE).substr(0, 1), LocaleText(LOCALE_STIME).substr(0, 1),
               LocaleText(LOCALE_S1159, L"am"), LocaleText(LOCALE_S2359, L"pm")};
  } else {
    allowed = {String(1, FormatSettings.DateSeparator), String(1, FormatSettings.TimeSeparator),
               FormatSettings.TimeAMString, FormatSettings.TimePMString};
  }
  for (String& w : allowed) w = UpperCase(Trim(w));
  String text = AText;
  auto blankOut = [&](const TvxDateTimeFormatInfo& AInfo) {
    for (const TvxDateTimeFormatItem& item : AInfo.Items) {
      if (item.Kind != dtikString) continue;
      const String literal = AnsiUpperCase(Trim(item.Data));
      if (literal.empty() || std::find(allowed.begin(), allowed.end(), literal) != allowed.end()) continue;
      // One pass over the text per literal, case-insensitive.
      String upper = AnsiUpperCase(text);
      for (size_t p = upper.find(literal); p != String::npos; p = upper.find(literal, p + literal.size())) {
        text.replace(p, literal.size(), literal.size(), L' ');
        upper.replace(p, literal.size(), literal.size(), L' ');
      }
    }
  };
  if (TvxFormatController* c = GetFormatController()) {
    blankOut(c->DateFormatInfo());
    blankOut(c->TimeFormatInfo());
  }
  text = Trim(text);
  String collapsed;
  collapsed.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] <= L' ' && i + 1 < text.size() && text[i + 1] <= L' ')) collapsed += text[i];
  if (ALocaleWords) {
    const String sep = LocaleText(LOCALE_SDATE);
    if (!sep.empty())
      for (wchar_t& c : collapsed)
        if (c == sep[0]) c = L' ';
  }
  return collapsed;
}

void ScanCalendarDate(const String& AText, const TFormatSettings& ASettings, TvxCustomCalendarTable* ATable,
                      TvxDateTime& ADate) {
  ADate = TvxDateTime();
  const String& fmt = ASettings.ShortDateFormat;
  size_t pos = 0;
  Integer offset = 0;
  bool eraNamed = false;
  const auto& eras = FormatSettings.EraInfo;
  if (!fmt.empty() && towupper(fmt[0]) == L'G') {
    while (pos < AText.size() && !(AText[pos] >= L'0' && AText[pos] <= L'9')) ++pos;
    const String name = Trim(AText.substr(0, pos));
    for (size_t i = 0; i < eras.size() && i < 7; ++i)
      if (!name.empty() && eras[i].EraName.find(name) != String::npos) {
        offset = eras[i].EraOffset;
        eraNamed = true;
        break;
      }
  } else if (UpperCase(fmt).find(L'E') != String::npos && !eras.empty()) {
    offset = eras[0].EraOffset;
    eraNamed = true;
  }
  auto readUpTo = [&](wchar_t AStop) {
    const size_t start = pos;
    while (pos < AText.size() && AText[pos] != AStop) ++pos;
    const String part = AText.substr(start, pos - start);
    if (pos < AText.size()) ++pos;
    return part;
  };
  String p1 = readUpTo(ASettings.DateSeparator);
  String p2 = readUpTo(ASettings.DateSeparator);
  String p3 = readUpTo(L' ');
  const TvxDateOrder order = GetDateOrderOfFormat(fmt);
  if (ASettings.DateSeparator == L' ') {
    // A month name of two words ("Rabi II"): the part read after its first word is no
    // number. The two words are joined and the last part is read again.
    size_t next = pos;
    while (next < AText.size() && AText[next] == L' ') ++next;
    const String afterMonth = TrimLeft(order == doMDY ? p2 : p3);
    if (!afterMonth.empty() && !(afterMonth[0] >= L'0' && afterMonth[0] <= L'9')) {
      if (order == doMDY) {
        p1 += L" " + p2;
        p2 = p3;
      } else {
        p2 += L" " + p3;
      }
      pos = next;
      p3 = readUpTo(L' ');
    }
  }
  const String& yearPart = order == doYMD ? p1 : p3;
  const String& monthPart = order == doMDY ? p1 : p2;
  const String& dayPart = order == doDMY ? p1 : order == doYMD ? p3 : p2;
  const Integer year = ATable->GetYearNumber(Trim(yearPart));
  ADate.Year = static_cast<Cardinal>(year);
  ADate.Month = static_cast<Cardinal>(ATable->GetMonthNumber(year, monthPart));
  ADate.Day = static_cast<Cardinal>(ATable->GetDayNumber(Trim(dayPart)));
  // The era whose years the offset counts; eras begin within a year, so the era is found
  // by its offset before the day it begins.
  ADate.Era = -1;
  if (eraNamed) {
    for (size_t i = 0; i < ATable->Eras().size(); ++i)
      if (ATable->Eras()[i]->YearOffset == offset) ADate.Era = static_cast<Integer>(i);
    if (ADate.Era < 0) ADate.Era = ATable->GetEra(offset + 1, 1, 1);
  }
  const String rest = Trim(AText.substr(std::min(pos, AText.size())));
  if (!rest.empty()) {
    Word h, mi, sec, ms;
    DecodeTime(StrToTime(rest, ASettings), h, mi, sec, ms);
    ADate.Hours = static_cast<Byte>(h);
    ADate.Minutes = static_cast<Byte>(mi);
    ADate.Seconds = static_cast<Byte>(sec);
    ADate.Milliseconds = ms;
  }
}

TDateTime LocaleCalendarTextToDate(const String& AText) {
  const Integer type = GetLocaleCalendarType();
  try {
    if (type < 3 || type > 8) return CheckedDate(GregorianTextToDate(AText, !UseRtlFormats()));
    auto table = CreateLocaleCalendarTable();
    TFormatSettings settings = FormatSettings;
    ReadLocaleFormatSettings(settings);
    TvxDateTime d;
    ScanCalendarDate(AText, settings, table.get(), d);
    return table->ToDateTime(d);
  } catch (const std::exception&) {
    return NullDate;
  }
}

TDateTime TextToDateValue(const String& AText, bool AUseRtl) {
  try {
    const String text = Trim(AText);
    if (text.empty()) return NullDate;
    if (!IsGregorianCalendar(nullptr)) return LocaleCalendarTextToDate(text);
    TDateTime value;
    if (!ParseSmartDateText(text, value)) value = GregorianTextToDate(text, !AUseRtl);
    return CheckedDate(value);
  } catch (const std::exception&) {
    return NullDate;
  }
}

bool TryTextToDate(const String& AText, TDateTime& ADate) {
  ADate = TextToDateValue(AText, UseRtlFormats());
  return ADate != NullDate;
}

bool TextToDateEx(const String& AText, bool AUseOSConversion, TDateTime& ADate) {
  ADate = NullDate;
  try {
    if (IsGregorianCalendar(nullptr)) {
      ADate = GregorianTextToDate(AText, AUseOSConversion);
    } else {
      ADate = LocaleCalendarTextToDate(AText);
    }
    return true;
  } catch (const std::exception&) {
    ADate = NullDate;
    return false;
  }
}

String DateTimeToText(bool AFourDigitYear, bool AUseRtl, TDateTime ADate) {
  if (ADate == NullDate) return String();
  try {
    if (AUseRtl) {
      String fmt = FormatSettings.ShortDateFormat;
      if (AFourDigitYear) fmt = WithFourDigitYear(fmt);
      String r = FormatDateTime(fmt, ADate);
      if (HasTimePart(ADate)) r += L" " + FormatDateTime(FormatSettings.LongTimeFormat, ADate);
      return r;
    }
    String fmt = LocaleText(LOCALE_SSHORTDATE);
    if (AFourDigitYear) fmt = WithFourDigitYear(fmt);
    String r;
    if (!SystemDateText(ADate, 0, fmt, 100, r)) return SystemVariantDateText(ADate);
    if (HasTimePart(ADate)) r += L" " + SystemTimeText(ADate);
    return r;
  } catch (const std::exception&) {
    return SystemVariantDateText(ADate);
  }
}

String DateTimeToEditText(bool AMasked, bool AWithTime, bool AFourDigitYear, TDateTime ADate) {
  if (ADate == NullDate) return String();
  if (!IsGregorianCalendar(nullptr)) return DateTimeToTextWithTime(ADate);
  TvxFormatController* c = GetFormatController();
  if (!AMasked) return DateTimeToText(AFourDigitYear, UseRtlFormats(), ADate);
  if (AWithTime) return FormatDateTime(c ? c->MaskedDateTimeEditFormat() : String(), ADate);
  return FormatDateTime(c ? c->MaskedDateEditFormat() : String(), DatePartOf(ADate));
}

String DateTimeToTextWithTime(TDateTime ADate) {
  String r;
  FormatLocaleDate(r, 0, LocaleText(LOCALE_SSHORTDATE), ADate);
  if (TimePartOf(ADate) > 0) r += L" " + FormatDateTime(FormatSettings.LongTimeFormat, TimePartOf(ADate));
  return r;
}

String DateToShortText(TDateTime ADate) {
  String r;
  if (FormatLocaleDate(r, 0, L"d", ADate)) return r;
  // The runtime's short date with the day alone; a copy of the settings leaves the
  // process-wide ones untouched.
  TFormatSettings settings = FormatSettings;
  settings.ShortDateFormat = L"d";
  return DateToStr(ADate, settings);
}

bool FormatLocaleDate(String& AText, DWORD AFlags, const String& AFormat, TDateTime ADate) {
  if (IsGregorianCalendar(nullptr) && UseRtlFormats()) {
    AText = FormatDateWithSettings(AFormat.empty() ? FormatSettings.LongDateFormat : AFormat, L'\0', ADate);
    return true;
  }
  return SystemDateText(ADate, AFlags, AFormat, 256, AText);
}

String FormatDateWithSettings(const String& AFormat, Char ASeparator, TDateTime ADate) {
  Word y, m, d;
  DecodeDate(ADate, y, m, d);
  auto isField = [](wchar_t c) {
    const wchar_t u = towupper(c);
    return u == L'D' || u == L'M' || u == L'Y';
  };
  String result, collected;
  bool first = true;
  size_t i = 0;
  while (i < AFormat.size() && !isField(AFormat[i])) ++i;
  while (i < AFormat.size()) {
    const wchar_t c = AFormat[i];
    const wchar_t u = towupper(c);
    if (u == L'E') {
      while (i < AFormat.size() && !isField(AFormat[i])) ++i;
      continue;
    }
    if (!isField(c)) {
      collected += c;
      ++i;
      continue;
    }
    size_t run = 0;
    while (i < AFormat.size() && towupper(AFormat[i]) == u) {
      ++run;
      ++i;
    }
    if (!first) {
      if (ASeparator != L'\0')
        result += ASeparator;
      else
        result += collected;
    }
    first = false;
    collected.clear();
    if (u == L'D') {
      if (run == 2)
        result += ZeroPadded(d, 2);
      else if (run == 3)
        result += FormatSettings.ShortDayNames[DayOfWeek(ADate)];
      else if (run == 4)
        result += FormatSettings.LongDayNames[DayOfWeek(ADate)];
      else
        result += IntToStr(d);
    } else if (u == L'M') {
      if (run >= 4)
        result += FormatSettings.LongMonthNames[m];
      else
        result += ZeroPadded(m, 2);
    } else {
      if (run >= 4)
        result += ZeroPadded(y, 4);
      else
        result += ZeroPadded(y % 100, 2);
    }
  }
  return result;
}

String GetMonthNameText(TvxCustomCalendarTable* ATable, TDateTime ADate) {
  TTableOrLocale table(ATable);
  TvxDateTime d = table->FromDateTime(ADate);
  d.Day = 1;
  const bool rtl = IsGregorianCalendar(table.get()) && UseRtlFormats();
  String r;
  if (!rtl && FormatLocaleDate(r, 0, L"MMMM", table->ToDateTime(d))) return r;
  return d.Month >= 1 && d.Month <= 12 ? FormatSettings.LongMonthNames[d.Month] : String();
}

String GetCalendarMonthName(Integer AYear, Integer AMonth, TvxCustomCalendarTable* ATable) {
  TTableOrLocale table(ATable);
  if (IsGregorianCalendar(table.get()) && UseRtlFormats())
    return AMonth >= 1 && AMonth <= 12 ? FormatSettings.LongMonthNames[AMonth] : String();
  if (!table->IsValidMonth(-1, AYear, AMonth)) return String();
  TvxDate d;
  d.Year = static_cast<Cardinal>(AYear);
  d.Month = static_cast<Cardinal>(AMonth);
  d.Day = 1;
  return GetMonthNameText(table.get(), table->ToDateTime(d));
}

String GetYearCaption(TvxCustomCalendarTable* ATable, TDateTime ADate) {
  TTableOrLocale table(ATable);
  TvxDateTime d = table->FromDateTime(ADate);
  d.Day = 1;
  String r;
  if (FormatLocaleDate(r, 0, L"yyyy", table->ToDateTime(d))) return r;
  return IntToStr(static_cast<Integer>(d.Year));
}

String GetMonthYearCaption(TvxCustomCalendarTable* ATable, TDateTime ADate) {
  TTableOrLocale table(ATable);
  if (IsGregorianCalendar(table.get()) && UseRtlFormats()) return FormatDateWithSettings(L"mmmm yyyy", L' ', ADate);
  TvxDateTime d = table->FromDateTime(ADate);
  d.Day = 1;
  String fmt, r;
  if (GetCalendarInfoText(table->CalendarID(), CAL_SYEARMONTH, fmt) > 0 &&
      SystemDateText(table->ToDateTime(d), 0, fmt, 256, r))
    return r;
  return GetCalendarMonthName(static_cast<Integer>(d.Year), static_cast<Integer>(d.Month), table.get()) + L" " +
         GetYearCaption(table.get(), ADate);
}

String GetDayNumberText(Integer ADay, TvxCustomCalendarTable* ATable) {
  TTableOrLocale table(ATable);
  TvxDate d;
  d.Year = static_cast<Cardinal>(table->LowestYear());
  d.Month = 1;
  d.Day = static_cast<Cardinal>(ADay);
  return DateToShortText(table->ToDateTime(d));
}

String GetDayOfWeekText(Integer ADay, Byte ACharset) {
  if (ADay < 1 || ADay > 7) return String();
  String r;
  if (IsGregorianCalendar(nullptr) && UseRtlFormats()) {
    r = FormatSettings.ShortDayNames[ADay % 7 + 1];  // the names count from Sunday
  } else {
    const LCTYPE first = vdOSWinNT && vdOSMajorVersion() == 6 ? LOCALE_SSHORTESTDAYNAME1 : LOCALE_SABBREVDAYNAME1;
    r = LocaleText(first + static_cast<LCTYPE>(ADay - 1));
  }
  if (SingleCharDayNames && !r.empty()) r = vxIsFarEastArabicCharset(ACharset, r) ? r.substr(r.size() - 1) : r.substr(0, 1);
  return r;
}
