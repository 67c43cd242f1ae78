// The list box and the check list box on real windows: 64 items with images drawn and
// read back as pixels, hit tests in container coordinates, the integral-height rule, and
// checks toggled by clicks and the keyboard turning into the edit value.
#include <gtest/gtest.h>

#include <memory>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "ImgList.h"
#include "vxCheckListBox.h"
#include "vxListBox.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

const TColor kImageColors[] = {clRed, clLime, clBlue, clYellow};

// Four 16 x 16 images of solid colours.
std::unique_ptr<TCustomImageList> MakeImages() {
  auto list = std::make_unique<TCustomImageList>(16, 16);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(64, 16);
  for (int i = 0; i < 4; ++i) {
    b.Canvas()->Brush()->SetColor(kImageColors[i]);
    b.Canvas()->FillRect(RECT{i * 16, 0, i * 16 + 16, 16});
  }
  list->AddMasked(&b, clFuchsia);
  return list;
}

bool Near(COLORREF A, TColor B) {
  const COLORREF b = Shown(B);
  return std::abs(GetRValue(A) - GetRValue(b)) < 8 && std::abs(GetGValue(A) - GetGValue(b)) < 8 &&
         std::abs(GetBValue(A) - GetBValue(b)) < 8;
}

struct ListBoxTest : TFormFixture {
  TvxListBox* Box = nullptr;
  std::unique_ptr<TCustomImageList> Images = MakeImages();
  void SetUp() override {
    TFormFixture::SetUp();
    Box = TvxContainer::Create<TvxListBox>(Form);
    Box->Style()->SetBorderStyle(cbsSingle);
    Box->SetBounds(10, 10, 160, 150);
    Box->SetParent(Form);
    Box->SetListStyle(lbOwnerDrawFixed);
    Box->SetItemHeight(18);
    // Each row shows its image at the left and the text after it.
    Box->OnDrawItem = [this](TvxListBox*, TvxCanvas* C, Integer I, TRect R, TOwnerDrawState) {
      C->FillRect(R, clWindow);
      Images->Draw(C->Canvas(), R.left + 1, R.top + 1, I % 4);
      C->Canvas()->TextOut(R.left + 20, R.top + 2, Box->Items()->Strings(I));
    };
    for (int i = 0; i < 64; ++i) Box->AddItem(L"Item " + IntToStr(i), reinterpret_cast<TObject*>(static_cast<intptr_t>(i + 1)));
    Box->HandleNeeded();
    Pump(60);
  }
};

TEST_F(ListBoxTest, SixtyFourItemsWithImagesAreDrawn) {
  EXPECT_EQ(Box->Count(), 64);
  EXPECT_EQ(Box->Width(), 160);
  Box->Repaint();
  Pump(30);
  TWindowPixels px(Box->InnerListBox()->Handle());
  for (int row = 0; row < 4; ++row) EXPECT_TRUE(Near(px.At(8, row * 18 + 9), kImageColors[row])) << row << " " << std::hex << px.At(8, row * 18 + 9);
  // After scrolling, the rows on top are the later items with their own images.
  Box->SetTopIndex(41);
  Box->InnerListBox()->Repaint();
  Pump(30);
  TWindowPixels scrolled(Box->InnerListBox()->Handle());
  EXPECT_TRUE(Near(scrolled.At(8, 9), kImageColors[41 % 4]));
}

TEST_F(ListBoxTest, HitTestsUseContainerCoordinates) {
  ASSERT_GT(Box->InnerListBox()->Left(), 0) << "the border moves the inner list";
  for (int i : {0, 3, 6}) {
    const TRect r = Box->ItemRect(i);
    EXPECT_EQ(Box->ItemAtPos(TPoint{r.left, r.top}, true), i);
  }
  EXPECT_EQ(Box->ItemAtPos(TPoint{0, 0}, true), -1) << "the border holds no item";
}

TEST_F(ListBoxTest, ItemObjectFollowsTheSelection) {
  EXPECT_EQ(Box->ItemObject(), nullptr);
  Box->SetItemObject(reinterpret_cast<TObject*>(static_cast<intptr_t>(6)));
  EXPECT_EQ(Box->ItemIndex(), 5);
  Box->SetItemObject(reinterpret_cast<TObject*>(static_cast<intptr_t>(999)));
  EXPECT_EQ(Box->ItemIndex(), -1);
}

TEST_F(ListBoxTest, ClickAndKeysSelect) {
  const TRect r = Box->ItemRect(2);
  ClickAt(Box, r.left + 30, r.top + 5);
  EXPECT_EQ(Box->ItemIndex(), 2);
  EXPECT_TRUE(Box->Focused());
  SendKey(VK_DOWN, false);
  SendKey(VK_DOWN, true);
  Pump(40);
  EXPECT_EQ(Box->ItemIndex(), 3);
  SendKey(VK_END, false);
  SendKey(VK_END, true);
  Pump(40);
  EXPECT_EQ(Box->ItemIndex(), 63);
  // The list box messages sent to the container reach the inner list.
  EXPECT_EQ(SendMessageW(Box->Handle(), LB_GETCOUNT, 0, 0), 64);
}

TEST_F(ListBoxTest, IntegralHeightShowsWholeItemsOnly) {
  const int frame = Box->Height() - Box->InnerListBox()->Height();
  Box->SetIntegralHeight(true);
  EXPECT_EQ(Box->CalcIntegralHeight(frame + 3 * 18 + 10), frame + 3 * 18);
  EXPECT_EQ(Box->CalcIntegralHeight(frame + 4 * 18), frame + 4 * 18);
  EXPECT_EQ(Box->CalcIntegralHeight(5), frame + 18) << "at least one item";
  Box->SetHeight(frame + 2 * 18 + 7);
  EXPECT_EQ(Box->Height(), frame + 2 * 18);
  // A client-aligned list takes the height it is given.
  Box->SetAlign(alClient);
  Pump(20);
  EXPECT_EQ(Box->Height(), Form->ClientHeight());
}

struct CheckListBoxTest : TFormFixture {
  TvxCheckListBox* Box = nullptr;
  std::unique_ptr<TCustomImageList> Images = MakeImages();
  std::vector<std::tuple<int, TvxCheckBoxState, TvxCheckBoxState>> Clicks;
  void SetUp() override {
    TFormFixture::SetUp();
    Box = TvxContainer::Create<TvxCheckListBox>(Form);
    Box->SetBounds(10, 10, 200, 170);
    Box->SetParent(Form);
    Box->SetImages(Images.get());
    Box->Items()->BeginUpdate();
    for (int i = 0; i < 64; ++i) {
      TvxCheckListBoxItem* item = Box->Items()->Add();
      item->SetText(L"Item " + IntToStr(i));
      item->SetImageIndex(i % 4);
    }
    Box->Items()->EndUpdate();
    Box->OnClickCheck() = [this](TObject*, Integer I, TvxCheckBoxState P, TvxCheckBoxState N) {
      Clicks.emplace_back(I, P, N);
    };
    Box->HandleNeeded();
    Pump(60);
  }
  TvxCustomInnerCheckListBox* Inner() { return Box->InnerCheckListBox(); }
  TRect CheckRect(int I) { return Inner()->GetItemCheckRect(Inner()->ItemRect(I), false); }
  void ClickCheck(int I) {
    const TRect r = CheckRect(I);
    ClickAt(Inner(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  int DarkInCheck(int I) {
    Inner()->Repaint();
    Pump(20);
    TWindowPixels px(Inner()->Handle());
    const TRect r = CheckRect(I);
    int n = 0;
    for (int y = r.top + 2; y < r.bottom - 2; ++y)
      for (int x = r.left + 2; x < r.right - 2; ++x) {
        const COLORREF c = px.At(x, y);
        n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
      }
    return n;
  }
};

TEST_F(CheckListBoxTest, NewListHoldsZeroAndChecksMakeTheInteger) {
  EXPECT_EQ(Box->Count(), 64);
  EXPECT_EQ(Inner()->Items()->Count(), 64);
  EXPECT_EQ(Box->EditValue().VType(), varInt64);
  EXPECT_EQ(Box->EditValue().AsInt64(), 0);
  EXPECT_EQ(Box->EditValueFormat(), cvfInteger);
  Box->Items()->Items(0)->SetChecked(true);
  Box->Items()->Items(2)->SetChecked(true);
  EXPECT_EQ(Box->EditValue().AsInt64(), 5);
  Box->SetEditValue(Variant(10));
  EXPECT_FALSE(Box->Items()->Items(0)->Checked());
  EXPECT_TRUE(Box->Items()->Items(1)->Checked());
  EXPECT_TRUE(Box->Items()->Items(3)->Checked());
}

TEST_F(CheckListBoxTest, ItemsShowTheirImagesAndChecks) {
  Inner()->Repaint();
  Pump(30);
  TWindowPixels px(Inner()->Handle());
  for (int row = 0; row < 4; ++row) {
    const TRect r = Inner()->ItemRect(row);
    EXPECT_TRUE(Near(px.At(r.left + 1 + 8, (r.top + r.bottom) / 2), kImageColors[row])) << row;
  }
  const TRect check = CheckRect(0);
  EXPECT_GE(check.left, 18) << "images come before the checks";
  EXPECT_EQ(DarkInCheck(0), 0);
  Box->Items()->Items(0)->SetChecked(true);
  EXPECT_GT(DarkInCheck(0), 5) << "the check mark";
}

TEST_F(CheckListBoxTest, ClickOnTheCheckTogglesOnRelease) {
  ClickCheck(1);
  EXPECT_TRUE(Box->Items()->Items(1)->Checked());
  EXPECT_EQ(Box->EditValue().AsInt64(), 2);
  ASSERT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Clicks[0], std::make_tuple(1, cbsUnchecked, cbsChecked));
  Sleep(GetDoubleClickTime() + 50);  // not a double click, which toggles once more
  ClickCheck(1);
  EXPECT_FALSE(Box->Items()->Items(1)->Checked());
  // Pressing on one check and releasing over another toggles nothing.
  const TRect a = CheckRect(3), b = CheckRect(4);
  ClickAt(Inner(), a.left + 4, a.top + 4, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, true);
  EXPECT_EQ(Inner()->PressedCheckIndex(), 3);
  MoveMouse(ScreenPoint(Inner(), b.left + 4, b.top + 4));
  Pump(30);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);
  EXPECT_FALSE(Box->Items()->Items(3)->Checked());
  EXPECT_FALSE(Box->Items()->Items(4)->Checked());
  // A click on the text selects the row without toggling it.
  const TRect row = Inner()->ItemRect(5);
  ClickAt(Inner(), row.right - 20, row.top + 4);
  EXPECT_EQ(Box->ItemIndex(), 5);
  EXPECT_FALSE(Box->Items()->Items(5)->Checked());
}

TEST_F(CheckListBoxTest, CheckUnderTheMouseIsHotUntilItLeaves) {
  const TRect r = CheckRect(2);
  MoveMouse(ScreenPoint(Inner(), r.left + 4, r.top + 4));
  Pump(40);
  MoveMouse(ScreenPoint(Inner(), r.left + 5, r.top + 5));
  Pump(40);
  EXPECT_EQ(Inner()->HotCheckIndex(), 2);
  MoveMouse(ScreenPoint(Form, 280, 190));
  Pump(60);
  EXPECT_EQ(Inner()->HotCheckIndex(), -1);
}

TEST_F(CheckListBoxTest, SpaceTogglesAndDisabledItemsNeverDo) {
  Box->SetItemIndex(6);
  Inner()->SetFocus();
  Pump(30);
  SendKey(VK_SPACE, false);
  SendKey(VK_SPACE, true);
  Pump(40);
  EXPECT_TRUE(Box->Items()->Items(6)->Checked());
  Box->Items()->Items(7)->SetEnabled(false);
  Box->SetItemIndex(7);
  SendKey(VK_SPACE, false);
  SendKey(VK_SPACE, true);
  Pump(40);
  ClickCheck(7);
  EXPECT_FALSE(Box->Items()->Items(7)->Checked());
  EXPECT_EQ(Box->EditValue().AsInt64(), 1LL << 6);
}

TEST_F(CheckListBoxTest, GrayedOnlyOutsideTheIntegerFormat) {
  Box->SetAllowGrayed(true);
  Inner()->ToggleItemCheck(0);
  EXPECT_EQ(Box->Items()->Items(0)->State(), cbsChecked) << "the integer format has no grayed state";
  Box->Items()->Items(1)->SetState(cbsGrayed);
  EXPECT_EQ(Box->Items()->Items(1)->State(), cbsUnchecked);
  Box->SetEditValueFormat(cvfStatesString);
  Inner()->ToggleItemCheck(1);
  EXPECT_EQ(Box->Items()->Items(1)->State(), cbsGrayed);
  Inner()->ToggleItemCheck(1);
  EXPECT_EQ(Box->Items()->Items(1)->State(), cbsChecked);
  Box->Items()->Items(2)->SetState(cbsGrayed);
  // Back to the integer: the grayed item is unchecked first, then the value is rebuilt.
  Box->SetEditValueFormat(cvfInteger);
  EXPECT_EQ(Box->Items()->Items(2)->State(), cbsUnchecked);
  EXPECT_EQ(Box->EditValue().AsInt64(), 3);
}

TEST_F(CheckListBoxTest, SixtyFifthItemNeedsAnotherFormat) {
  EXPECT_THROW(Box->Items()->Add(), EvdException);
  Box->Items()->Delete(64);
  Box->SetEditValueFormat(cvfIndices);
  EXPECT_NO_THROW(Box->Items()->Add());
  EXPECT_THROW(Box->SetEditValueFormat(cvfInteger), EvdException);
  // With both conversion events assigned the limit does not apply.
  Box->OnCheckStatesToEditValue = [](TObject*, const TvxCheckStates& S, Variant& V) {
    V = Variant(static_cast<int>(S.size()));
  };
  Box->OnEditValueToCheckStates = [](TObject*, const Variant&, TvxCheckStates&) {};
  EXPECT_NO_THROW(Box->Items()->Add());
}

TEST_F(CheckListBoxTest, LookUpsAndBestFit) {
  EXPECT_EQ(Box->Items()->IndexOf(L"item 12"), 12);
  EXPECT_EQ(Box->Items()->IndexOf(L"Item 99"), -1);
  TObject marker;
  Box->Items()->Items(9)->SetItemObject(&marker);
  EXPECT_EQ(Box->Items()->IndexOfObject(&marker), 9);
  EXPECT_EQ(Box->Items()->IndexOfObject(Box), -1);
  Box->Items()->Items(3)->SetText(L"Renamed");
  EXPECT_EQ(Inner()->Items()->Strings(3), L"Renamed");
  const int full = Box->GetBestFitWidth();
  Box->Clear();
  EXPECT_EQ(Inner()->Items()->Count(), 0);
  const int empty = Box->GetBestFitWidth();
  EXPECT_GT(full, empty);
  EXPECT_EQ(empty, Box->Width() - Inner()->Width() + Inner()->GetTextAreaOffset() + 3);
}

}  // namespace

}  // namespace ZS_UNITY_ID
