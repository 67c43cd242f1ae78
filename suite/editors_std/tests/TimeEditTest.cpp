// The time edit on real windows under English and Japanese AM/PM texts: the 12-hour
// masks built for the locale, typing into the hour, minute and AM/PM zones, Up and Down
// by caret zone, the saved date kept under a new time, and registration by name.
#include <gtest/gtest.h>

#include <cmath>

#include "../../core/tests/ControlsTestSupport.h"
#include "SysUtils.h"
#include "vxTimeEdit.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

TDateTime Hms(int H, int M, int S) { return (H * 3600 + M * 60 + S) / 86400.0; }

struct TimeEditTest : TFormFixture {
  TFormatSettings Saved = FormatSettings;
  TvxTimeEdit* Edit = nullptr;
  TvxTimeEdit* Other = nullptr;
  void UseLocale(const wchar_t* AM, const wchar_t* PM) {
    FormatSettings.TimeSeparator = L':';
    FormatSettings.DateSeparator = L'/';
    FormatSettings.ShortDateFormat = L"yyyy/mm/dd";
    FormatSettings.LongTimeFormat = L"hh:nn:ss";
    FormatSettings.TimeAMString = AM;
    FormatSettings.TimePMString = PM;
  }
  void SetUp() override {
    UseLocale(L"AM", L"PM");
    TFormFixture::SetUp();
    Edit = Make(10);
    Other = Make(60);
    Pump(30);
  }
  void TearDown() override {
    TFormFixture::TearDown();
    FormatSettings = Saved;
  }
  TvxTimeEdit* Make(Integer Top) {
    auto* e = TvxContainer::Create<TvxTimeEdit>(Form);
    e->SetBounds(10, Top, 150, 24);
    e->SetParent(Form);
    e->HandleNeeded();
    return e;
  }
  void Focus(TvxTimeEdit* E) {
    E->SetFocus();
    Pump(30);
  }
  void TypeAt(Integer SelStart, const String& S) {
    Edit->SetSelection(SelStart, 0);
    for (wchar_t c : S) SendMessageW(Edit->InnerTextControl()->Handle(), WM_CHAR, c, 0);
    Pump(10);
  }
  void Key(WORD Vk) {
    SendKey(Vk, false);
    SendKey(Vk, true);
    Pump(30);
  }
};

TEST_F(TimeEditTest, TwelveHourMasksFollowTheLocale) {
  EXPECT_EQ(GetTimeEditMask(tfHourMinSec, false), L"00:00:00 cc;1;0");
  EXPECT_EQ(GetTimeEditMask(tfHourMin, false), L"00:00 cc;1;0");
  EXPECT_EQ(GetTimeEditMask(tfHour, true), L"00;1;0");
  UseLocale(L"午前", L"午後");
  EXPECT_EQ(GetTimeEditMask(tfHour, false), L"00 cc;1;0");
  UseLocale(L"a.m.", L"p.m.");
  EXPECT_EQ(GetTimeEditMask(tfHourMinSec, false), L"00:00:00 cccc;1;0");
}

TEST_F(TimeEditTest, TwentyFourHourTypingAndSteps) {
  Edit->SetTime(Hms(10, 20, 30));
  Focus(Edit);
  EXPECT_EQ(Edit->Text(), L"10:20:30");
  TypeAt(0, L"7");
  EXPECT_EQ(Edit->Text(), L"07:20:30") << "7 cannot start an hour: it becomes 07";
  EXPECT_EQ(Edit->SelStart(), 2) << "the caret moves past the hour";
  TypeAt(3, L"9");
  EXPECT_EQ(Edit->Text(), L"07:09:30") << "9 cannot start a minute";
  TypeAt(0, L"2");
  EXPECT_EQ(Edit->Text(), L"20:09:30") << "2 at the hour's first digit with 7 after it gives 20";
  // Up and Down step the zone under the caret and leave its second digit selected.
  Edit->SetSelection(4, 0);
  Key(VK_UP);
  EXPECT_EQ(Edit->Text(), L"20:10:30");
  EXPECT_EQ(Edit->SelStart(), 4);
  EXPECT_EQ(Edit->SelLength(), 1);
  Edit->SetSelection(0, 0);
  Key(VK_UP);
  Key(VK_UP);
  Key(VK_UP);
  Key(VK_UP);
  EXPECT_EQ(Edit->Text(), L"23:10:30") << "a step past 23:59:59 is refused";
  Edit->SetSelection(7, 0);
  Key(VK_DOWN);
  EXPECT_EQ(Edit->Text(), L"23:10:29");
  Focus(Other);
  EXPECT_EQ(Edit->Text(), L"23:10:29") << "zeros are digits, not blanks to squeeze out";
  EXPECT_NEAR(Edit->Time(), Hms(23, 10, 29), 1e-9);
}

TEST_F(TimeEditTest, TwelveHourSuffixByTypingAndSteps) {
  Edit->Properties()->SetUse24HourFormat(false);
  Edit->SetTime(Hms(11, 30, 0));
  Focus(Edit);
  EXPECT_EQ(Edit->Text(), L"11:30:00 AM");
  // The suffix is told by its trimmed text: the space before it does not make it PM.
  EXPECT_NEAR(Edit->Time(), Hms(11, 30, 0), 1e-9);
  EXPECT_EQ(Edit->Value().AsInt64(), 11 * 3600 + 30 * 60);
  Edit->SetSelection(9, 0);
  Key(VK_UP);
  EXPECT_EQ(Edit->Text(), L"11:30:00 PM");
  EXPECT_EQ(Edit->SelStart(), 9);
  EXPECT_EQ(Edit->SelLength(), 2);
  EXPECT_NEAR(Edit->Time(), Hms(23, 30, 0), 1e-9);
  Key(VK_UP);
  EXPECT_EQ(Edit->Text(), L"11:30:00 AM");
  TypeAt(9, L"p");
  EXPECT_EQ(Edit->Text(), L"11:30:00 PM") << "p at the suffix's first position chooses PM";
  TypeAt(9, L"a");
  EXPECT_EQ(Edit->Text(), L"11:30:00 AM");
  // 0 in the hour's second digit after 0 is refused (no hour 00 on a 12-hour clock).
  TypeAt(0, L"0");
  EXPECT_EQ(Edit->Text(), L"01:30:00 AM");
  TypeAt(1, L"0");
  EXPECT_EQ(Edit->Text(), L"01:30:00 AM");
  Focus(Other);
  EXPECT_NEAR(Edit->Time(), Hms(1, 30, 0), 1e-9);
  // A suffix shown in another case is still read.
  Edit->Properties()->SetUse24HourFormat(false);
  Variant v;
  Edit->PrepareEditValue(L"07:15:00 pm", v, true);
  EXPECT_NEAR(v.AsDouble(), Hms(19, 15, 0), 1e-9);
}

TEST_F(TimeEditTest, JapaneseSuffixTyped) {
  UseLocale(L"午前", L"午後");
  Edit->Properties()->FormatChanged();
  Edit->Properties()->SetTimeFormat(tfHourMin);
  Edit->Properties()->SetUse24HourFormat(false);
  EXPECT_EQ(Edit->Properties()->EditMask(), L"00:00 cc;1;0");
  Edit->SetTime(Hms(9, 5, 0));
  Focus(Edit);
  EXPECT_EQ(Edit->Text(), L"09:05 午前");
  EXPECT_NEAR(Edit->Time(), Hms(9, 5, 0), 1e-9);
  TypeAt(7, L"後");
  EXPECT_EQ(Edit->Text(), L"09:05 午後") << "the second character tells 午前 from 午後";
  EXPECT_NEAR(Edit->Time(), Hms(21, 5, 0), 1e-9);
  TypeAt(6, L"x");
  EXPECT_EQ(Edit->Text(), L"09:05 午後") << "only the common first character fits there";
  Edit->SetSelection(0, 0);
  Key(VK_DOWN);
  EXPECT_EQ(Edit->Text(), L"08:05 午後");
}

TEST_F(TimeEditTest, SavedDateStaysUnderANewTime) {
  const TDateTime march10 = EncodeDate(2026, 3, 10);
  Edit->SetEditValue(VarFromDateTime(march10 + Hms(10, 0, 0)));
  Edit->SetTime(Hms(14, 45, 0));
  EXPECT_NEAR(Edit->EditValue().AsDouble(), march10 + Hms(14, 45, 0), 1e-9);
  EXPECT_EQ(Edit->SavedDate(), march10);
  // An hour-only 24-hour edit reads "05" as 05:00 on the saved date.
  Edit->Properties()->SetTimeFormat(tfHour);
  Variant v;
  Edit->PrepareEditValue(L"05", v, true);
  EXPECT_NEAR(v.AsDouble(), march10 + Hms(5, 0, 0), 1e-9);
  Edit->Clear();
  EXPECT_NEAR(Edit->EditValue().AsDouble(), march10, 1e-9);
  // Null clears the saved date; an unconvertible value is refused.
  Edit->SetEditValue(Null());
  EXPECT_EQ(Edit->SavedDate(), 0);
  EXPECT_THROW(
      {
        Variant d;
        Edit->Properties()->PrepareDisplayValue(VarArrayOf({1, 2}), d, false);
      },
      EConvertError);
}

TEST(TimeEditRegistration, FoundByName) {
  TvxRegisteredClasses* r = GetEditPropertiesRegistry();
  TClass cls = r->FindByClassName(L"TvxTimeEditProperties");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(r->GetDescriptionByClass(cls), L"TimeEdit");
  EXPECT_NE(GetFilterEditsController()->FindHelper(TvxTimeEditProperties::StaticClass()), nullptr);
  EXPECT_NE(FindClass(L"TvxTimeEdit"), nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
