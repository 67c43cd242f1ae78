#include <gtest/gtest.h>

#include "vxEditConsts.h"
#include "vxFormats.h"
#include "vxLibraryConsts.h"

namespace ZS_UNITY_ID {

namespace {

using FC = TvxFormatController;

class FormatControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { Saved = FormatSettings; }
  void TearDown() override {
    FormatSettings = Saved;
    GetFormatController()->FormatsChanged();
  }
  static void English() {
    FormatSettings = TFormatSettings::Invariant();
    FormatSettings.ShortDateFormat = L"M/d/yyyy";
    FormatSettings.LongTimeFormat = L"h:mm:ss AMPM";
    FormatSettings.DateSeparator = L'/';
    FormatSettings.TimeSeparator = L':';
    FormatSettings.TimeAMString = L"AM";
    FormatSettings.TimePMString = L"PM";
  }
  static void Japanese() {
    FormatSettings = TFormatSettings::Create(0x0411);
    FormatSettings.ShortDateFormat = L"yyyy/MM/dd";
    FormatSettings.LongTimeFormat = L"H:mm:ss";
    FormatSettings.DateSeparator = L'/';
    FormatSettings.TimeSeparator = L':';
  }
  static String Kinds(const TvxDateTimeFormatInfo& AInfo) {
    static const wchar_t* names[] = {L"str", L"Y", L"M", L"D", L"H", L"N", L"S", L"Z", L"T", L"/", L":"};
    String s;
    for (const auto& i : AInfo.Items) s += String(names[i.Kind]) + L"=" + i.Data + L" ";
    return s;
  }
  TFormatSettings Saved;
};

struct Listener : IvxFormatControllerListener, IvxFormatControllerTimeListener {
  int Formats = 0, Times = 0;
  void FormatChanged() override { ++Formats; }
  void TimeChanged() override { ++Times; }
};

TEST_F(FormatControllerTest, AnalysisOfFormats) {
  struct Case {
    const wchar_t* Format;
    const wchar_t* Items;
  } cases[] = {
      {L"d/M/yyyy", L"D=D /=/ M=M /=/ Y=YYYY "},
      {L"h:mm AM/PM", L"H=12H :=: N=NN str=  T=AM/PM "},
      {L"hh:mm", L"H=24HH :=: N=NN "},
      {L"HH:mm:ss.zzzz", L"H=24HH :=: N=NN :=: S=SS str=. Z=ZZZ "},
      {L"d 'of' MMMM, yy", L"D=D str= of  M=MMMM str=,  Y=YY "},
      {L"dd-ddd dddd", L"D=DD str=-  "},  // only the first day item stays; the literals join
      {L"aaaa d", L"D=DDDD str=  "},
      {L"yy\"x\"ampm", L"Y=YY str=x "},  // a suffix without an hour is dropped
      {L"ggg yyyy", L""},                // an era makes the analysis fail
      {L"yyyy/MM/dd", L"Y=YYYY /=/ M=MM /=/ D=DD "},
  };
  for (const Case& c : cases) {
    TvxDateTimeFormatInfo info;
    FC::AnalyzeDateTimeFormat(c.Format, info);
    EXPECT_EQ(Kinds(info), c.Items) << c.Format;
  }
  TvxDateTimeFormatInfo info;
  FC::AnalyzeDateTimeFormat(L"yy\"x\"ampm", info);
  EXPECT_FALSE(info.DefinedItems[dtikTimeSuffix]);
  FC::AnalyzeDateTimeFormat(L"G", info);
  EXPECT_TRUE(info.Items.empty());
  EXPECT_EQ(vxBuildStandardMask(info, smkDate), L"");
}

TEST_F(FormatControllerTest, EnglishLocaleMasksAndZones) {
  English();
  FormatSettings.ShortDateFormat = L"d/M/yyyy";
  FormatSettings.LongTimeFormat = L"h:mm AM/PM";
  TvxFormatController* fc = GetFormatController();
  fc->FormatsChanged();
  EXPECT_EQ(fc->DateEditFormat(), L"dd/MM/yyyy");
  EXPECT_EQ(fc->StandardDateEditMask(), L"!99/99/9999;1; ");
  EXPECT_EQ(fc->DateEditMask(), L"!99/99/9999;1; ");
  EXPECT_EQ(fc->MaskedDateEditFormat(), L"dd/mm/yyyy");
  EXPECT_EQ(fc->StandardDateTimeEditMask(), L"!99/99/9999\\ 99:99\\ cc;1; ");
  EXPECT_EQ(fc->MaskedDateTimeEditFormat(), L"dd/mm/yyyy' 'hh:nn' 'am/pm");
  EXPECT_EQ(FC::GetDateTimeStandardMaskStringLength(fc->DateFormatInfo()), 10);
  struct Zone {
    Integer Pos, Start, Length;
    TvxDateTimeFormatItemKind Kind;
  } zones[] = {{1, 1, 2, dtikDay},           {2, 1, 2, dtikDay},  {3, 3, 1, dtikDateSeparator}, {5, 4, 2, dtikMonth},
               {6, 6, 1, dtikDateSeparator}, {7, 7, 4, dtikYear}, {10, 7, 4, dtikYear}};
  for (const Zone& z : zones) {
    TvxDateTimeFormatItemInfo ii;
    ASSERT_TRUE(FC::GetDateTimeFormatItemStandardMaskInfo(fc->DateFormatInfo(), z.Pos, ii)) << z.Pos;
    EXPECT_EQ(ii.ItemZoneStart, z.Start) << z.Pos;
    EXPECT_EQ(ii.ItemZoneLength, z.Length) << z.Pos;
    EXPECT_EQ(ii.Kind, z.Kind) << z.Pos;
  }
  TvxDateTimeFormatItemInfo ii;
  EXPECT_FALSE(FC::GetDateTimeFormatItemStandardMaskInfo(fc->DateFormatInfo(), 0, ii));
  EXPECT_FALSE(FC::GetDateTimeFormatItemStandardMaskInfo(fc->DateFormatInfo(), 11, ii));
  ASSERT_TRUE(FC::GetDateTimeFormatItemStandardMaskInfo(fc->DateTimeFormatInfo(), 18, ii));
  EXPECT_EQ(ii.Kind, dtikTimeSuffix);
  EXPECT_EQ(ii.TimeSuffixKind, tskAMPM);

  // Regular-expression masks: the 12-hour expression, and the smart-date words.
  const String& re = fc->RegExprDateTimeEditMask();
  EXPECT_NE(re.find(L"(0?[1-9]|1[012])\\:[0-5]?\\d' '(AM|PM)?"), String::npos) << re;
  EXPECT_EQ(fc->RegExprDateEditMask().rfind(L"(([012]?[1-9]|[123]0|31)\\/((0?[1-9]|1[012])|('Jan'|", 0), 0u)
      << fc->RegExprDateEditMask();
  EXPECT_NE(fc->RegExprDateEditMask().find(L"|'eom')((\\+|-)\\d(\\d(\\d\\d?)?)?)?"), String::npos);
  EXPECT_EQ(fc->RegExprDateEditMask().find(L"'now'"), String::npos);
  EXPECT_NE(re.find(L"|'eom'|'now')"), String::npos);
}

TEST_F(FormatControllerTest, JapaneseLocaleMasks) {
  Japanese();
  TvxFormatController* fc = GetFormatController();
  fc->FormatsChanged();
  EXPECT_EQ(fc->DateEditFormat(), L"yyyy/MM/dd");
  EXPECT_EQ(fc->StandardDateEditMask(), L"!9999/99/99;1; ");
  EXPECT_EQ(fc->StandardDateTimeEditMask(), L"!9999/99/99\\ 99:99:99;1; ");
  EXPECT_EQ(fc->MaskedDateTimeEditFormat(), L"yyyy/mm/dd' 'hh:nn:ss");
  EXPECT_NE(fc->RegExprDateTimeEditMask().find(L"' '(([01]?\\d|2[0-3])\\:[0-5]?\\d\\:[0-5]?\\d)?"), String::npos);
  // A literal with an apostrophe is quoted with the apostrophe doubled.
  FormatSettings.ShortDateFormat = L"yyyy\"'\"MM";
  fc->FormatsChanged();
  EXPECT_EQ(fc->MaskedDateEditFormat(), L"yyyy''''mm");
  EXPECT_NE(fc->RegExprDateEditMask().find(L"\\d\\d\\d\\d''''(("), String::npos) << fc->RegExprDateEditMask();
}

TEST_F(FormatControllerTest, MonthNamesWithApostrophesAreQuotedSafely) {
  English();
  FormatSettings.ShortDateFormat = L"MMM d";
  FormatSettings.ShortMonthNames[1] = L"Jan'";
  GetFormatController()->FormatsChanged();
  EXPECT_NE(GetFormatController()->RegExprDateEditMask().find(L"('Jan'''|'Feb'|"), String::npos)
      << GetFormatController()->RegExprDateEditMask();
}

TEST_F(FormatControllerTest, CurrencyFormats) {
  TFormatSettings s = TFormatSettings::Invariant();
  s.CurrencyString = L"kr.";
  s.CurrencyDecimals = 2;
  s.CurrencyFormat = 3;
  s.NegCurrFormat = 8;
  EXPECT_EQ(vxBuildCurrencyFormat(s), L",0.00 kr'.';-,0.00 kr'.'");
  struct Case {
    Byte Pos, Neg;
    const wchar_t* Out;
  } cases[] = {{0, 0, L"$,0.;($,0.)"},   {1, 5, L",0.$;-,0.$"},    {2, 12, L"$ ,0.;$ -,0."},
               {3, 13, L",0. $;,0.- $"}, {0, 15, L"$,0.;(,0. $)"}, {0, 16, L"$,0.;"}};
  s.CurrencyString = L"$";
  s.CurrencyDecimals = 0;
  for (const Case& c : cases) {
    s.CurrencyFormat = c.Pos;
    s.NegCurrFormat = c.Neg;
    EXPECT_EQ(vxBuildCurrencyFormat(s), c.Out) << int(c.Pos) << "/" << int(c.Neg);
  }
}

TEST_F(FormatControllerTest, AssignedValuesSurviveRebuildsUntilCleared) {
  English();
  TvxFormatController* fc = GetFormatController();
  Listener l;
  fc->AddListener(&l);
  const TDayOfWeek week = fc->StartOfWeek();
  fc->SetStartOfWeek(week);  // same value: still marks it assigned, nothing to rebuild
  EXPECT_TRUE(fc->AssignedStartOfWeek());
  EXPECT_EQ(l.Formats, 0);
  fc->SetStandardDateEditMask(L"!99.99.99;1;_");
  EXPECT_EQ(l.Formats, 1);
  fc->SetCurrencyFormat(L"0.00");
  FormatSettings.ShortDateFormat = L"yyyy-MM-dd";
  fc->FormatsChanged();
  EXPECT_EQ(fc->StandardDateEditMask(), L"!99.99.99;1;_");
  EXPECT_EQ(fc->CurrencyFormat(), L"0.00");
  EXPECT_EQ(fc->DateEditMask(), L"!9999\\-99\\-99;1; ");
  fc->SetAssignedStandardDateEditMask(false);
  EXPECT_EQ(fc->StandardDateEditMask(), L"!9999\\-99\\-99;1; ");
  fc->SetAssignedCurrencyFormat(false);
  fc->SetAssignedStartOfWeek(false);
  EXPECT_EQ(fc->StartOfWeek(), ReadLocaleStartOfWeek());
  // Locked updates notify once at the end.
  l.Formats = 0;
  fc->BeginUpdate();
  fc->FormatsChanged();
  fc->SetFirstWeekOfYear(fwyJan1);
  EXPECT_EQ(l.Formats, 0);
  fc->EndUpdate();
  EXPECT_EQ(l.Formats, 1);
  fc->SetFirstWeekOfYear(fwySystem);
  fc->RemoveListener(&l);
}

TEST_F(FormatControllerTest, HiddenWindowFollowsLocaleAndTimeChanges) {
  TvxFormatController* fc = GetFormatController();
  EXPECT_EQ(fc->WindowHandle(), nullptr);
  Listener a, b;
  fc->AddListener(&a);
  fc->AddListener(&a);
  fc->AddListener(&b);
  EXPECT_EQ(fc->ListenerCount(), 2);
  HWND wnd = fc->WindowHandle();
  ASSERT_NE(wnd, nullptr);

  // The user's short date format changes in the regional settings.
  wchar_t old[80] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, old, 80);
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"dd.MM.yyyy"));
  SendMessageW(wnd, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(L"other"));
  EXPECT_EQ(a.Formats, 0);
  SendMessageW(wnd, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
  EXPECT_EQ(a.Formats, 1);
  EXPECT_EQ(b.Formats, 1);
  EXPECT_EQ(fc->StandardDateEditMask(), L"!99\\.99\\.9999;1; ");
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, old);
  SendMessageW(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
  EXPECT_EQ(a.Formats, 2);
  EXPECT_EQ(FormatSettings.ShortDateFormat, TFormatSettings::Create().ShortDateFormat);

  SendMessageW(wnd, WM_TIMECHANGE, 0, 0);
  EXPECT_EQ(a.Times, 1);
  // A translation of the smart-date words reaches the masks.
  vxSDateToday.Text = L"heute";
  vdGetResourceStringsRepository()->NotifyListeners();
  EXPECT_NE(fc->RegExprDateEditMask().find(L"|('heute'|"), String::npos);
  EXPECT_EQ(a.Formats, 3);
  vxSDateToday.Text = L"today";
  fc->RemoveListener(&a);
  EXPECT_NE(fc->WindowHandle(), nullptr);
  fc->RemoveListener(&b);
  EXPECT_EQ(fc->WindowHandle(), nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
