// Group boxes and radio groups painted as cells from their properties alone, their least
// size, and the radio group's filter rows.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "../../editors/tests/EditTestSurface.h"
#include "StdReferenceImage.h"
#include "vxFilterControlUtils.h"
#include "vxGroupBox.h"
#include "vxRadioGroup.h"
#include "vxVariants.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

using zs_edit_test::Surface;

int DarkIn(const Surface& S, const TRect& R) {
  int n = 0;
  for (int y = R.top; y < R.bottom; ++y)
    for (int x = R.left; x < R.right; ++x) {
      const COLORREF c = S.At(x, y);
      n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
    }
  return n;
}

void AddItems(TvxCustomRadioGroupProperties& P, std::initializer_list<const wchar_t*> ACaptions) {
  for (const wchar_t* c : ACaptions) P.Items()->Add()->SetCaption(c);
}

struct RadioCell {
  explicit RadioCell(TvxRadioGroupProperties& P, bool APreview = false)
      : Style(nullptr, true, nullptr, csNormal),
        ViewData(P.CreateViewData(&Style, true, APreview)),
        Base(P.CreateViewInfo()),
        Info(dynamic_cast<TvxCustomRadioGroupViewInfo*>(Base.get())) {
    Style.SetColor(clWhite);
    Style.LookAndFeel()->SetKind(lfStandard);
  }
  void Calculate(Surface& S, const TRect& ACell, const Variant& AValue) {
    ViewData->CalculateEx(S.vx.get(), ACell, TPoint{-1, -1}, vxmbNone, TShiftState{}, Info, false);
    ViewData->EditValueToDrawValue(S.vx.get(), AValue, Info);
  }
  TvxEditStyle Style;
  std::unique_ptr<TvxCustomEditViewData> ViewData;
  std::unique_ptr<TvxCustomEditViewInfo> Base;
  TvxCustomRadioGroupViewInfo* Info;
};

// Three items in three columns painted in a cell: one button per column, the value's checked.
TEST(RadioGroupCell, ButtonsFillTheColumnsAndTheValueIsChecked) {
  TvxRadioGroupProperties props(nullptr);
  AddItems(props, {L"One", L"Two", L"Three"});
  props.Items()->Items(1)->SetValue(20);
  props.SetColumns(3);
  RadioCell cell(props);
  ASSERT_NE(cell.Info, nullptr);
  Surface s(200, 40, RGB(255, 0, 255));
  const TRect bounds{10, 5, 190, 30};
  cell.Calculate(s, bounds, Variant(20));
  EXPECT_EQ(cell.Info->ItemIndex, 1);
  ASSERT_EQ(cell.Info->ButtonCount(), 3);
  const TSize glyph = cell.Info->GlyphSize;
  EXPECT_GT(glyph.cx, 0);
  for (Integer i = 0; i < 3; ++i) {
    TvxGroupBoxButtonViewInfo* b = cell.Info->GroupButtons(i);
    EXPECT_EQ(b->Column, i);
    EXPECT_EQ(b->Row, 0);
    EXPECT_EQ(b->Caption, props.Items()->Items(i)->Caption());
    // In place the buttons start 1 pixel into their column; columns split width - 2.
    EXPECT_EQ(b->Bounds.left, i * ((180 - 2) / 3) + 1) << i;
    EXPECT_EQ(b->Bounds.bottom - b->Bounds.top, 25);
  }
  cell.Info->PaintEx(s.vx.get());
  // Outside the cell nothing is painted; inside, the background colour.
  EXPECT_EQ(s.At(5, 2), RGB(255, 0, 255));
  EXPECT_EQ(s.At(bounds.right - 2, bounds.top + 1), RGB(255, 255, 255));
  // Only the checked glyph has a dot in its middle; every caption is inked.
  int dots[3];
  for (Integer i = 0; i < 3; ++i) {
    const TRect g = cell.Info->GlyphRect(cell.Info->GroupButtons(i));
    const int cx = bounds.left + (g.left + g.right) / 2, cy = bounds.top + (g.top + g.bottom) / 2;
    dots[i] = DarkIn(s, TRect{cx - 1, cy - 1, cx + 2, cy + 2});
    const TRect b = cell.Info->GroupButtons(i)->Bounds;
    EXPECT_GT(DarkIn(s, TRect{bounds.left + g.right + 3, bounds.top + b.top, bounds.left + b.right, bounds.top + b.bottom}),
              10)
        << "caption " << i;
  }
  EXPECT_EQ(dots[0], 0);
  EXPECT_GT(dots[1], 4);
  EXPECT_EQ(dots[2], 0);

  // A value no item stands for checks none; the preview checks the first.
  cell.Calculate(s, bounds, Variant(99));
  EXPECT_EQ(cell.Info->ItemIndex, -1);
  RadioCell preview(props, true);
  preview.Calculate(s, bounds, Variant(20));
  EXPECT_EQ(preview.Info->ItemIndex, 0);
}

// Four items in three columns leave the third column empty in a cell, as on the control.
TEST(RadioGroupCell, FourItemsInThreeColumnsKeepTwoRows) {
  TvxRadioGroupProperties props(nullptr);
  AddItems(props, {L"a", L"b", L"c", L"d"});
  props.SetColumns(3);
  RadioCell cell(props);
  Surface s(200, 60);
  cell.Calculate(s, TRect{0, 0, 200, 60}, Null());
  ASSERT_EQ(cell.Info->ButtonCount(), 4);
  const std::pair<Integer, Integer> expected[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
  for (Integer i = 0; i < 4; ++i) {
    EXPECT_EQ(cell.Info->GroupButtons(i)->Column, expected[i].first) << i;
    EXPECT_EQ(cell.Info->GroupButtons(i)->Row, expected[i].second) << i;
  }
  // A disabled item's button is drawn disabled.
  props.Items()->Items(2)->SetEnabled(false);
  cell.Calculate(s, TRect{0, 0, 200, 60}, Null());
  EXPECT_EQ(cell.Info->GroupButtons(2)->Data.State, ebsDisabled);
  EXPECT_EQ(cell.Info->GroupButtons(1)->Data.State, ebsNormal);
}

// The pointer over a button makes it hot, a held left button pressed; a disabled cell has
// every button disabled.
TEST(RadioGroupCell, ButtonStatesFollowThePointer) {
  TvxRadioGroupProperties props(nullptr);
  AddItems(props, {L"a", L"b"});
  props.SetColumns(2);
  RadioCell cell(props);
  Surface s(120, 30);
  const TRect bounds{0, 0, 120, 30};
  auto StatesAt = [&](TPoint P, TShiftState Shift) {
    cell.ViewData->CalculateEx(s.vx.get(), bounds, P, Shift.Contains(ssLeft) ? vxmbLeft : vxmbNone, Shift,
                               cell.Info, true);
    return std::make_pair(cell.Info->GroupButtons(0)->Data.State, cell.Info->GroupButtons(1)->Data.State);
  };
  StatesAt(TPoint{-1, -1}, TShiftState{});
  const TRect second = cell.Info->GroupButtons(1)->Bounds;
  const TPoint over{(second.left + second.right) / 2, (second.top + second.bottom) / 2};
  EXPECT_EQ(StatesAt(over, TShiftState{}), std::make_pair(ebsNormal, ebsSelected));
  EXPECT_EQ(StatesAt(over, TShiftState{ssLeft}), std::make_pair(ebsNormal, ebsPressed));
  cell.ViewData->Enabled = false;
  EXPECT_EQ(StatesAt(over, TShiftState{}), std::make_pair(ebsDisabled, ebsDisabled));
}

// The least size: captions side by side in columns, one caption line for no items, and with a
// width given, word-wrapped captions make the rows taller.
TEST(RadioGroupCell, LeastSize) {
  TvxRadioGroupProperties props(nullptr);
  RadioCell cell(props);
  Surface s(10, 10);
  s.vx->SetFont(cell.Style.GetVisibleFont());
  const Integer line = s.vx->TextHeight(L"Zg");
  auto Size = [&](Integer AWidth) {
    TvxEditSizeProperties sp;
    sp.Width = AWidth;
    TSize minContent{};
    return cell.ViewData->GetEditConstantPartSize(s.vx.get(), sp, minContent);
  };
  EXPECT_EQ(Size(-1).cx, 0);
  EXPECT_EQ(Size(-1).cy, line + cell.ViewData->GetEditContentSizeCorrection().cy);

  AddItems(props, {L"Alpha", L"Beta", L"Gamma delta epsilon"});
  props.SetColumns(2);
  const TSize glyph = TvxStandardLookAndFeelPainter::Instance()->RadioButtonSize();
  const Integer widest = s.vx->TextWidth(L"Gamma delta epsilon");
  const TSize natural = Size(-1);
  // In place: (widest + 7 + glyph) x 2 columns + 1.
  EXPECT_EQ(natural.cx, (widest + 7 + glyph.cx) * 2 + 1);
  EXPECT_EQ(natural.cy, 2 * std::max(line + cell.ViewData->GetEditContentSizeCorrection().cy, glyph.cy));

  const TSize narrow = Size(120);
  props.SetWordWrap(true);
  const TSize wrapped = Size(120);
  EXPECT_GT(wrapped.cy, narrow.cy) << "the long caption breaks into lines";
  EXPECT_TRUE(cell.ViewData->PaintOptions.Contains(epoAutoHeight));
}

// A group box cell only paints its background, or lets the custom background replace it.
TEST(GroupBoxCell, PaintsOnlyItsBackground) {
  TvxCustomGroupBoxProperties props(nullptr);
  TvxEditStyle style(nullptr, true, nullptr, csNormal);
  style.SetColor(clYellow);
  std::unique_ptr<TvxCustomEditViewData> vd(props.CreateViewData(&style, true));
  std::unique_ptr<TvxCustomEditViewInfo> vi(props.CreateViewInfo());
  ASSERT_NE(dynamic_cast<TvxGroupBoxViewInfo*>(vi.get()), nullptr);
  Surface s(40, 30, RGB(255, 0, 255));
  const TRect cell{5, 5, 35, 25};
  vd->CalculateEx(s.vx.get(), cell, TPoint{-1, -1}, vxmbNone, TShiftState{}, vi.get(), false);
  vi->PaintEx(s.vx.get());
  EXPECT_EQ(s.At(6, 6), RGB(255, 255, 0));
  EXPECT_EQ(s.At(34, 24), RGB(255, 255, 0));
  EXPECT_EQ(s.At(2, 2), RGB(255, 0, 255));
  vi->OnDrawBackground = [](TvxCustomEditViewInfo* Sender, TvxCanvas* C, bool& Handled) {
    C->FillRect(Sender->Bounds, clBlue);
    Handled = true;
  };
  vi->PaintEx(s.vx.get());
  EXPECT_EQ(s.At(6, 6), RGB(0, 0, 255));
}

// Painted for a radio group control, the captions sit one pixel higher than in a cell, where
// the control's own button windows put them; the buttons follow the pressed state of those
// windows.
TEST(RadioGroupCell, ControlPaintingLiftsCaptionsAndFollowsPressedButtons) {
  TvxRadioGroupProperties props(nullptr);
  AddItems(props, {L"Hello"});
  std::unique_ptr<TvxRadioGroup> group(TvxContainer::Create<TvxRadioGroup>(nullptr));
  group->Properties()->Items()->Add()->SetCaption(L"Hello");
  auto topDarkRow = [&](bool AForControl) {
    RadioCell cell(props);
    if (AForControl) static_cast<TvxCustomRadioGroupViewData*>(cell.ViewData.get())->Group = group.get();
    Surface s(120, 30, RGB(255, 255, 255));
    cell.Calculate(s, TRect{0, 0, 120, 30}, Variant(L"none"));
    EXPECT_EQ(AForControl, cell.Info->DrawsButtons);
    cell.Info->PaintEx(s.vx.get());
    const Integer textLeft = cell.Info->GroupButtons(0)->Bounds.left + cell.Info->GlyphSize.cx + 4;
    for (int y = 0; y < 30; ++y)
      if (DarkIn(s, TRect{textLeft, y, 120, y + 1}) > 0) return y;
    return -1;
  };
  const int cellTop = topDarkRow(false), controlTop = topDarkRow(true);
  ASSERT_GE(cellTop, 1);
  EXPECT_EQ(cellTop - 1, controlTop);
}

// A radio group cell as reviewed by eye: three items, the second checked.
struct RadioGroupCellImage : TFormFixture {};

TEST_F(RadioGroupCellImage, ThreeItemsTheMiddleChecked) {
  TvxRadioGroupProperties props(nullptr);
  AddItems(props, {L"Left", L"Middle", L"Right"});
  props.SetColumns(3);
  RadioCell cell(props);
  Form->SetClientWidth(226);
  Form->SetClientHeight(40);
  Pump(20);
  HWND wnd = Form->Handle();
  {
    HDC dc = GetDC(wnd);
    TCanvas canvas;
    canvas.SetHandle(dc);
    TvxCanvas vx(&canvas);
    RECT client;
    GetClientRect(wnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    cell.ViewData->CalculateEx(&vx, TRect{8, 8, 218, 32}, TPoint{-1, -1}, vxmbNone, TShiftState{}, cell.Info, false);
    cell.ViewData->EditValueToDrawValue(&vx, Variant(L"Middle"), cell.Info);
    cell.Info->PaintEx(&vx);
    canvas.SetHandle(nullptr);
    ReleaseDC(wnd, dc);
  }
  ExpectMatchesImage(L"radio_group_cell", TWindowPixels(wnd));
}

// Filter rows show the items as a fixed list and read the item's value back.
TEST(RadioGroupFilter, ItemsBecomeAFixedListOfValues) {
  TvxFilterEditHelperClass helper = GetFilterEditsController()->FindHelper(TvxRadioGroupProperties::StaticClass());
  ASSERT_EQ(helper, TvxFilterRadioGroupHelper::Class());
  EXPECT_TRUE(helper->UseDisplayValue());
  const TvxFilterControlOperators basic{fcoEqual, fcoNotEqual, fcoBlanks, fcoNonBlanks};
  EXPECT_EQ(helper->GetSupportedFilterOperators(nullptr, nullptr, false), basic);
  TvxFilterControlOperators extended = basic;
  extended.Include(fcoInList);
  extended.Include(fcoNotInList);
  EXPECT_EQ(helper->GetSupportedFilterOperators(nullptr, nullptr, true), extended);

  TvxRadioGroupProperties props(nullptr);
  AddItems(props, {L"Low", L"High"});
  props.Items()->Items(1)->SetValue(9);
  props.SetDefaultValue(0);
  props.SetDefaultCaption(L"None");
  std::unique_ptr<TvxCustomEdit> edit = helper->CreateFilterEdit(&props);
  ASSERT_NE(edit, nullptr);
  auto* combo = dynamic_cast<TvxCustomTextEdit*>(edit.get());
  ASSERT_NE(combo, nullptr);
  auto* cp = dynamic_cast<TvxCustomComboBoxProperties*>(edit->Properties());
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(cp->DropDownListStyle(), lsFixedList);
  ASSERT_EQ(cp->Items()->Count(), 2);
  EXPECT_EQ(cp->Items()->Strings(1), L"High");
  EXPECT_EQ(cp->IDefaultValuesProvider(), nullptr);

  struct Case { Variant Value; Integer Index; Variant Back; String Text; };
  const Case cases[] = {{Variant(9), 1, Variant(9), L"High"},
                        {Variant(L"Low"), 0, Variant(L"Low"), L"Low"},
                        {Variant(L"low"), -1, Variant(0), L"None"}};
  for (const Case& c : cases) {
    helper->SetFilterValue(edit.get(), &props, c.Value);
    EXPECT_EQ(combo->ItemIndex(), c.Index);
    Variant v;
    String text;
    helper->GetFilterValue(edit.get(), &props, v, text);
    EXPECT_TRUE(VariantsEqual(v, c.Back)) << text;
    EXPECT_EQ(text, c.Text);
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
