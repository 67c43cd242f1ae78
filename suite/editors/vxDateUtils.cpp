#include "vxDateUtils.h"

#include <algorithm>
#include <cmath>

#include "DateUtils.h"
#include "vxClasses.h"
#include "vxFormats.h"
#include "vxVariants.h"
#include "vxLibraryConsts.h"

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

// Calendar functions are looked up at run time: an older system may lack them.
Integer CalendarTwoDigitYearMax(Cardinal ACalendar) {
  DWORD value = 0;
  if (vxGetCalendarInfoBinding) {
    if (!vxGetCalendarInfoBinding(GetThreadLocale(), ACalendar, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER, nullptr, 0,
                                  &value))
      value = 0;
    return static_cast<Integer>(value);
  }
  HMODULE kernel = LoadLibraryW(L"kernel32.dll");
  if (!kernel) return 0;
  auto fn =
      reinterpret_cast<TvxGetCalendarInfoW>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetCalendarInfoW")));
  if (!fn || !fn(GetThreadLocale(), ACalendar, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER, nullptr, 0, &value)) value = 0;
  FreeLibrary(kernel);
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
