// The date edit on real windows: typed dates keep or drop the saved time, an emptied edit,
// texts that are no date, the bounds, the input kinds, smart words, picking in the calendar
// popup and closing it by keys, and its registration.
#include <gtest/gtest.h>

#include <cmath>

#include "../../core/tests/ControlsTestSupport.h"
#include "Streaming.h"
#include "SysUtils.h"
#include "vxCalendar.h"
#include "vxEditConsts.h"
#include "vxFormats.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

TDateTime Day(Word Y, Word M, Word D) { return EncodeDate(Y, M, D); }
TDateTime At(Word H, Word N) { return EncodeTime(H, N, 0, 0); }

struct DateEditTest : TFormFixture {
  TFormatSettings Saved = FormatSettings;
  bool SavedRtl = GetFormatController()->UseRtlDateTimeFormats();
  TvxDateEdit* Edit = nullptr;
  TvxDateEdit* Other = nullptr;
  void SetUp() override {
    FormatSettings.DateSeparator = L'/';
    FormatSettings.TimeSeparator = L':';
    FormatSettings.ShortDateFormat = L"yyyy/mm/dd";
    FormatSettings.LongTimeFormat = L"hh:nn:ss";
    GetFormatController()->SetUseRtlDateTimeFormats(true);
    TFormFixture::SetUp();
    Edit = Make(10);
    Other = Make(60);
    Pump(30);
  }
  void TearDown() override {
    TFormFixture::TearDown();
    GetFormatController()->SetUseRtlDateTimeFormats(SavedRtl);
    FormatSettings = Saved;
  }
  TvxDateEdit* Make(Integer Top) {
    auto* e = TvxContainer::Create<TvxDateEdit>(Form);
    e->SetBounds(10, Top, 200, 24);
    e->SetParent(Form);
    e->HandleNeeded();
    return e;
  }
  void Focus(TvxDateEdit* E) {
    E->SetFocus();
    Pump(30);
  }
  // Replaces the whole text by typing.
  void Retype(const String& S) {
    Focus(Edit);
    Edit->SelectAll();
    SendMessageW(Edit->InnerTextControl()->Handle(), WM_CHAR, VK_BACK, 0);
    for (wchar_t c : S) SendMessageW(Edit->InnerTextControl()->Handle(), WM_CHAR, c, 0);
    Pump(10);
  }
  void Leave() { Focus(Other); }
};

TEST_F(DateEditTest, RetypedDateKeepsTheSavedTimeOnlyWithSaveTime) {
  for (bool save : {true, false}) {
    Edit->Properties()->SetInputKind(ikStandard);
    Edit->Properties()->SetSaveTime(save);
    Edit->SetDate(Day(2024, 5, 5) + At(10, 30));
    EXPECT_DOUBLE_EQ(Edit->Date(), Day(2024, 5, 5) + At(10, 30));
    Retype(L"2024/05/06");
    Leave();
    EXPECT_NEAR(Edit->Date(), Day(2024, 5, 6) + (save ? At(10, 30) : 0), 1e-9) << save;
    // A date without time assigned in code takes the saved time too.
    Edit->SetDate(Day(2024, 5, 7));
    EXPECT_NEAR(Edit->Date(), Day(2024, 5, 7) + (save ? At(10, 30) : 0), 1e-9) << save;
  }
}

TEST_F(DateEditTest, EmptiedEditHoldsNullNotTheSavedTime) {
  for (TvxInputKind kind : {ikStandard, ikRegExpr}) {
    Edit->Properties()->SetInputKind(kind);
    Edit->SetDate(Day(2024, 5, 5) + At(10, 30));
    Retype(L"");
    Leave();
    EXPECT_TRUE(VarIsNull(Edit->EditValue())) << kind << " " << VarToStr(Edit->EditValue());
    EXPECT_EQ(Edit->Date(), NullDate) << kind;
    EXPECT_EQ(Edit->Text(), L"") << kind;
    // A date typed afterwards starts without the old time.
    Retype(L"2024/05/06");
    Leave();
    EXPECT_NEAR(Edit->Date(), Day(2024, 5, 6), 1e-9) << kind;
  }
}

TEST_F(DateEditTest, TextThatIsNoDateFollowsDateOnError) {
  Edit->Properties()->SetInputKind(ikStandard);
  struct Case {
    TDateOnError OnError;
    bool Valid;
    TDateTime Expected;
  } cases[] = {
      {deNoChange, false, Day(2024, 5, 5)},
      {deNull, true, NullDate},
      {deToday, true, Date()},
  };
  for (const Case& c : cases) {
    Edit->Properties()->SetSaveTime(false);
    Edit->Properties()->SetDateOnError(c.OnError);
    Edit->SetDate(Day(2024, 5, 5));
    Retype(L"no date");
    EXPECT_EQ(Edit->ValidateEdit(false), c.Valid) << c.OnError;
    EXPECT_NEAR(Edit->Date(), c.Expected, 1e-9) << c.OnError;
    if (!c.Valid) Retype(L"2024/05/05");  // leaving with the error would ask the user
  }
}

TEST_F(DateEditTest, BoundsApplyOnlyWhenSetAndOrdered) {
  TvxDateEditProperties* p = Edit->Properties();
  struct Case {
    TDateTime Min, Max;
    bool MinApplies, MaxApplies;
  } cases[] = {
      {0, Day(2024, 12, 31), false, true},
      {Day(2024, 1, 1), 0, true, false},
      {Day(2024, 1, 1), Day(2024, 12, 31), true, true},
      {Day(2024, 12, 31), Day(2024, 1, 1), false, false},
  };
  for (const Case& c : cases) {
    p->SetMinDate(c.Min);
    p->SetMaxDate(c.Max);
    EXPECT_EQ(p->IsValueBoundDefined(false), c.MinApplies) << c.Min << " " << c.Max;
    EXPECT_EQ(p->IsValueBoundDefined(true), c.MaxApplies) << c.Min << " " << c.Max;
  }
  // A typed date past the bound fails validation; a bound set later pulls the date in.
  p->SetInputKind(ikStandard);
  p->SetMinDate(0);
  p->SetMaxDate(Day(2024, 12, 31));
  Edit->SetDate(Day(2024, 6, 1));
  Retype(L"2025/01/02");
  EXPECT_FALSE(Edit->ValidateEdit(false));
  EXPECT_NEAR(Edit->Date(), Day(2024, 6, 1), 1e-9);
  Retype(L"2024/12/31");
  Leave();
  EXPECT_NEAR(Edit->Date(), Day(2024, 12, 31), 1e-9);
  Edit->SetDate(Day(2024, 6, 1));
  p->SetMaxDate(Day(2024, 3, 1));
  EXPECT_NEAR(Edit->Date(), Day(2024, 3, 1), 1e-9);
}

TEST_F(DateEditTest, InputKindAndButtonsFollowTheKindUntilAssigned) {
  TvxDateEditProperties* p = Edit->Properties();
  EXPECT_EQ(p->InputKind(), ikRegExpr);
  EXPECT_EQ(p->MaskKind(), emkRegExprEx);
  EXPECT_EQ(p->EditMask(), GetFormatController()->RegExprDateEditMask());
  EXPECT_TRUE(p->DateButtons() == (TDateButtons{btnClear, btnToday}));
  p->SetKind(ckDateTime);
  EXPECT_EQ(p->InputKind(), ikMask);
  EXPECT_EQ(p->MaskKind(), emkStandard);
  EXPECT_EQ(p->EditMask(), GetFormatController()->StandardDateTimeEditMask());
  EXPECT_TRUE(p->DateButtons() == (TDateButtons{btnClear, btnNow}));
  p->SetInputKind(ikStandard);
  p->SetDateButtons({btnOk});
  p->SetKind(ckDate);
  EXPECT_EQ(p->InputKind(), ikStandard);
  EXPECT_EQ(p->EditMask(), L"");
  EXPECT_TRUE(p->DateButtons() == (TDateButtons{btnOk}));
  // Assigning copies the explicit settings and clears them when the source has none.
  TvxDateEditProperties copy(nullptr);
  copy.Assign(p);
  EXPECT_TRUE(copy.AssignedValues()->InputKind());
  EXPECT_EQ(copy.InputKind(), ikStandard);
  TvxDateEditProperties plain(nullptr);
  copy.Assign(&plain);
  EXPECT_FALSE(copy.AssignedValues()->InputKind());
  EXPECT_EQ(copy.InputKind(), ikRegExpr);
}

// DateButtons is published: written only when set, read back into a fresh edit; restoring
// the defaults of the properties forgets the explicit buttons and input kind.
TEST_F(DateEditTest, DateButtonsAreStreamedAndRestoredToTheirDefaults) {
  Edit->SetName(L"DateEdit1");
  EXPECT_EQ(String::npos, ComponentToText(Edit).find(L"DateButtons"));
  Edit->Properties()->SetDateButtons({btnToday, btnOk});
  Edit->Properties()->SetInputKind(ikStandard);
  const String text = ComponentToText(Edit);
  EXPECT_NE(String::npos, text.find(L"Properties.DateButtons = [btnToday, btnOk]")) << text;
  std::unique_ptr<TvxDateEdit> copy(TvxContainer::Create<TvxDateEdit>(nullptr));
  TextToComponent(text, copy.get());
  EXPECT_TRUE(copy->Properties()->DateButtons() == (TDateButtons{btnToday, btnOk}));
  EXPECT_TRUE(copy->Properties()->AssignedValues()->DateButtons());

  copy->Properties()->RestoreDefaults();
  EXPECT_FALSE(copy->Properties()->AssignedValues()->DateButtons());
  EXPECT_FALSE(copy->Properties()->AssignedValues()->InputKind());
  EXPECT_TRUE(copy->Properties()->DateButtons() == (TDateButtons{btnClear, btnToday}));
  EXPECT_EQ(ikRegExpr, copy->Properties()->InputKind());
}

TEST_F(DateEditTest, SmartWordsAreTyped) {
  Edit->Properties()->SetSaveTime(false);
  struct Case {
    const wchar_t* Text;
    TDateTime Expected;
  } cases[] = {{L"today", Date()}, {L"tomorrow", Date() + 1}, {L"today+3", Date() + 3}};
  for (const Case& c : cases) {
    Edit->SetDate(Day(2020, 1, 1));
    Retype(c.Text);
    Leave();
    EXPECT_NEAR(Edit->Date(), c.Expected, 1e-9) << c.Text;
  }
}

TEST_F(DateEditTest, PickedInTheCalendarPopup) {
  Edit->SetDate(Day(2024, 2, 10) + At(8, 15));
  Integer changes = 0;
  Edit->Properties()->OnEditValueChanged = [&](TObject*) { ++changes; };
  Focus(Edit);
  Edit->SetDroppedDown(true);
  ASSERT_TRUE(PumpUntil([&] { return Edit->HasPopupWindow(); }));
  Pump(50);
  TvxPopupCalendar* calendar = Edit->Calendar();
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->SelectDate(), Day(2024, 2, 10));
  // The shown date picked again changes nothing.
  SendMessageW(calendar->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(PumpUntil([&] { return !Edit->HasPopupWindow(); }));
  EXPECT_EQ(changes, 0);
  // A click on another day takes it, with the time kept.
  Edit->SetDroppedDown(true);
  ASSERT_TRUE(PumpUntil([&] { return Edit->HasPopupWindow(); }));
  Pump(50);
  TDateTime target = NullDate;
  for (Integer row = 0; row < 6 && target == NullDate; ++row)
    for (Integer col = 0; col < 7; ++col)
      if (calendar->GetCellDate(col, row) == Day(2024, 2, 20)) {
        const TRect r = calendar->CellRect(col, row);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(calendar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(calendar->Handle(), WM_LBUTTONUP, 0, at);
        target = Day(2024, 2, 20);
        break;
      }
  ASSERT_NE(target, NullDate);
  ASSERT_TRUE(PumpUntil([&] { return !Edit->HasPopupWindow(); }));
  EXPECT_EQ(Edit->CloseUpReason(), crEnter);
  Leave();
  EXPECT_NEAR(Edit->Date(), target + At(8, 15), 1e-6);
  EXPECT_GE(changes, 1);
  // Alt+Down in the popup closes it through the calendar, leaving the value.
  Focus(Edit);
  Edit->SetDroppedDown(true);
  ASSERT_TRUE(PumpUntil([&] { return Edit->HasPopupWindow(); }));
  Word key = VK_DOWN;
  calendar->CalendarKeyDown(key, TShiftState{ssAlt});
  ASSERT_TRUE(PumpUntil([&] { return !Edit->HasPopupWindow(); }));
  EXPECT_EQ(Edit->CloseUpReason(), crClose);
  EXPECT_NEAR(Edit->Date(), target + At(8, 15), 1e-6);
}

TEST(DateEditRegistration, FoundByNameAndDescription) {
  const String text = vxGetResString(&svxSEditRepositoryDateItem);
  EXPECT_EQ(L"DateEdit", GetEditPropertiesRegistry()->GetDescriptionByClass(TvxDateEditProperties::StaticClass()));
  EXPECT_EQ(text.substr(text.find(L'|') + 1),
            GetEditPropertiesRegistry()->GetHintByClass(TvxDateEditProperties::StaticClass()));
  EXPECT_NE(nullptr, GetClass(L"TvxDateEdit"));
  EXPECT_EQ(GetFilterEditsController()->FindHelper(TvxDateEditProperties::StaticClass()),
            TvxFilterDateEditHelper::Class());
}

}  // namespace
}  // namespace ZS_UNITY_ID
