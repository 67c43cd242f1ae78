#include <gtest/gtest.h>

#include "EditTestSurface.h"
#include "vxEdit.h"
#include "vxEditPaintUtils.h"

using zs_edit_test::Surface;

namespace {

class Owner : public TPersistent, public IvxStyledContainer {
 public:
  explicit Owner(bool AInplace) : Inplace(AInplace) {}
  bool IsInplace() override { return Inplace; }
  bool UsesParentColorByDefault() override { return false; }
  bool IsStylePropertyPublished(const String&, bool) override { return true; }
  bool Inplace;
};

// Properties, a style set and a view data/view info pair for one editor.
struct Editor {
  explicit Editor(bool AInplace) : O(AInplace), Styles(&O, TvxContainerStyle::ClassOf<TvxEditStyle>()), P(nullptr) {}
  TvxEditStyle* Style() { return static_cast<TvxEditStyle*>(Styles.Style()); }
  TvxEditButton* AddButton(TvxEditButtonKind AKind, Integer AWidth = 17) {
    TvxEditButton* b = P.Buttons()->Add();
    b->SetKind(AKind);
    b->SetWidth(AWidth);
    return b;
  }
  void Calc(TvxCanvas* C, const TRect& R, TPoint Pt = {-1, -1}, TvxMouseButton B = vxmbNone, TShiftState S = {},
            bool AFocused = false) {
    VD.reset(P.CreateViewData(Style(), O.Inplace));
    VD->Focused = AFocused;
    if (!VI) VI.reset(P.CreateViewInfo());
    VD->Calculate(C, R, Pt, B, S, VI.get(), B != vxmbNone || !S.Empty());
  }
  Owner O;
  TvxContainerStyles Styles;
  TvxCustomEditProperties P;
  std::unique_ptr<TvxCustomEditViewData> VD;
  std::unique_ptr<TvxCustomEditViewInfo> VI;
};

TEST(EditViewData, LayoutByBorderStyle) {
  Surface s(120, 40);
  struct Case {
    TvxContainerBorderStyle Border;
    TRect BorderRect;
  } cases[] = {
      {cbsNone, {0, 0, 100, 20}},    {cbsSingle, {1, 1, 99, 19}}, {cbsThick, {2, 2, 98, 18}},
      {cbsFlat, {2, 2, 98, 18}},     {cbs3D, {2, 2, 98, 18}},     {cbsUltraFlat, {1, 1, 99, 19}},
      {cbsOffice11, {1, 1, 99, 19}},
  };
  for (const Case& c : cases) {
    Editor e(false);
    e.Style()->SetBorderStyle(c.Border);
    e.Style()->SetTransparentBorder(false);
    e.AddButton(bkDown);
    e.Calc(s.vx.get(), TRect{0, 0, 100, 20});
    EXPECT_PRED2(vxRectSame, e.VI->BorderRect, c.BorderRect) << int(c.Border);
    ASSERT_EQ(e.VI->ButtonCount(), 1);
    const TRect& b = e.VI->Buttons(0)->Bounds;
    EXPECT_EQ(b.right, c.BorderRect.right) << int(c.Border);
    EXPECT_EQ(b.right - b.left, 17) << int(c.Border);
    EXPECT_EQ(b.top, c.BorderRect.top) << int(c.Border);
    EXPECT_EQ(e.VI->ClientRect.right, b.left) << int(c.Border);
  }
  // Only the edges asked for carry a border.
  Editor e(false);
  e.Style()->SetBorderStyle(cbsSingle);
  e.Style()->SetTransparentBorder(true);  // a transparent border takes two pixels whatever the style
  e.Calc(s.vx.get(), TRect{0, 0, 100, 20});
  EXPECT_PRED2(vxRectSame, e.VI->BorderRect, (TRect{2, 2, 98, 18}));
  e.Style()->SetTransparentBorder(false);
  e.Style()->SetEdges(TvxBorders{bLeft, bBottom});
  e.Calc(s.vx.get(), TRect{0, 0, 100, 20});
  EXPECT_PRED2(vxRectSame, e.VI->BorderRect, (TRect{1, 0, 100, 19}));
  // Shadow: three pixels more at the right and bottom.
  e.Style()->SetEdges(vxBordersAll);
  e.Style()->SetShadow(true);
  e.Calc(s.vx.get(), TRect{0, 0, 100, 20});
  EXPECT_PRED2(vxRectSame, e.VI->BorderRect, (TRect{1, 1, 96, 16}));
}

TEST(EditViewData, InplaceBorderIsTheContentOffset) {
  Surface s(120, 40);
  Editor e(true);
  e.Style()->SetBorderStyle(cbsThick);
  e.VD.reset(e.P.CreateViewData(e.Style(), true));
  e.VD->ContentOffset = TRect{2, 1, 2, 1};
  e.VI.reset(e.P.CreateViewInfo());
  e.VD->Calculate(s.vx.get(), TRect{0, 0, 50, 18}, TPoint{-1, -1}, vxmbNone, {}, e.VI.get(), false);
  EXPECT_PRED2(vxRectSame, e.VI->BorderRect, (TRect{2, 1, 48, 17}));
}

TEST(EditViewData, ButtonsShareTheWidthFromTheRight) {
  Surface s(120, 40);
  Editor e(true);
  e.AddButton(bkEllipsis);
  e.AddButton(bkDown);
  e.Calc(s.vx.get(), TRect{0, 0, 30, 18});
  ASSERT_EQ(e.VI->ButtonCount(), 2);
  const TvxEditButtonViewInfo* last = e.VI->Buttons(1);
  const TvxEditButtonViewInfo* first = e.VI->Buttons(0);
  EXPECT_EQ(last->VisibleBounds.right - last->VisibleBounds.left, 17);
  EXPECT_EQ(first->VisibleBounds.right - first->VisibleBounds.left, 13);
  EXPECT_EQ(first->Bounds.right - first->Bounds.left, 17);
  EXPECT_TRUE(last->Data.Rightmost);
  EXPECT_TRUE(first->Data.Leftmost);
}

TEST(EditViewData, HiddenButtonTransparency) {
  Surface s(120, 40);
  Editor e(false);
  e.AddButton(bkDown);
  e.Style()->SetButtonTransparency(ebtHideInactive);
  e.Calc(s.vx.get(), TRect{0, 0, 60, 20});
  EXPECT_EQ(e.VI->ButtonCount(), 0);
  e.Calc(s.vx.get(), TRect{0, 0, 60, 20}, TPoint{5, 5});  // hot, not focused
  EXPECT_EQ(e.VI->ButtonCount(), 0);
  e.Calc(s.vx.get(), TRect{0, 0, 60, 20}, TPoint{-1, -1}, vxmbNone, {}, true);
  EXPECT_EQ(e.VI->ButtonCount(), 1);
  e.Style()->SetButtonTransparency(ebtHideUnselected);
  e.Calc(s.vx.get(), TRect{0, 0, 60, 20}, TPoint{5, 5});
  EXPECT_EQ(e.VI->ButtonCount(), 1);
}

TEST(EditViewData, ButtonStatesFollowTheMouse) {
  Surface s(120, 40);
  Editor e(true);
  e.AddButton(bkDown);
  const TRect r{0, 0, 60, 18};
  e.Calc(s.vx.get(), r, TPoint{50, 8});
  EXPECT_EQ(e.VI->Buttons(0)->Data.State, ebsSelected);
  EXPECT_EQ(e.VI->GetPart(TPoint{50, 8}), 0);
  e.Calc(s.vx.get(), r, TPoint{50, 8}, vxmbLeft, TShiftState{ssLeft});
  EXPECT_EQ(e.VI->Buttons(0)->Data.State, ebsPressed);
  EXPECT_TRUE(e.VI->IsButtonReallyPressed);
  EXPECT_EQ(e.VI->PressedButton, 0);
  e.Calc(s.vx.get(), r, TPoint{5, 8}, vxmbNone, TShiftState{ssLeft});
  EXPECT_EQ(e.VI->Buttons(0)->Data.State, ebsNormal);
  EXPECT_EQ(e.VI->GetPart(TPoint{50, 8}), -1);  // a normal button is not reported
  EXPECT_EQ(e.VI->GetPart(TPoint{500, 8}), -2);
  e.P.Buttons()->Items(0)->SetEnabled(false);
  e.Calc(s.vx.get(), r, TPoint{50, 8});
  EXPECT_EQ(e.VI->Buttons(0)->Data.State, ebsDisabled);
}

TEST(EditViewData, CalculateExLaysOutAtTheOrigin) {
  Surface s(220, 60);
  Editor e(true);
  e.AddButton(bkDown);
  e.VD.reset(e.P.CreateViewData(e.Style(), true));
  e.VI.reset(e.P.CreateViewInfo());
  e.VD->CalculateEx(s.vx.get(), TRect{100, 20, 200, 40}, TPoint{190, 30}, vxmbNone, {}, e.VI.get(), false);
  EXPECT_EQ(e.VI->Left, 100);
  EXPECT_EQ(e.VI->Top, 20);
  EXPECT_PRED2(vxRectSame, e.VI->Bounds, (TRect{0, 0, 100, 20}));
  EXPECT_EQ(e.VI->Buttons(0)->Data.State, ebsSelected);
  EXPECT_TRUE(e.VI->IsHotTrack(TPoint{190, 30}));
  // PaintEx paints where Paint paints after moving the origin.
  e.VI->PaintEx(s.vx.get());
  Surface t(220, 60);
  t.vx->SetWindowOrg(TPoint{-100, -20});
  e.VI->Paint(t.vx.get());
  t.vx->SetWindowOrg(TPoint{0, 0});
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 220; ++x) ASSERT_EQ(s.At(x, y), t.At(x, y)) << x << "," << y;
  EXPECT_GT(s.CountNot(RECT{100, 20, 200, 40}, RGB(255, 255, 255)), 0);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 100, 20}, RGB(255, 255, 255)), 0);
}

TEST(EditViewData, SizesAndButtonsOnlyLayoutInUnboundedRects) {
  Surface s(120, 40);
  Editor e(false);
  e.Style()->SetBorderStyle(cbsSingle);
  e.AddButton(bkEllipsis, 20);
  e.AddButton(bkDown, 20);
  e.P.SetButtonsViewStyle(bvsButtonsOnly);
  TSize minContent{};
  std::unique_ptr<TvxCustomEditViewData> vd(e.P.CreateViewData(e.Style(), false));
  const TSize c = vd->GetEditConstantPartSize(s.vx.get(), TvxEditSizeProperties{}, minContent);
  EXPECT_GE(c.cx, 0);
  EXPECT_GE(c.cy, 0);
  // Buttons stretched over a width near the largest integer keep sane bounds.
  std::unique_ptr<TvxCustomEditViewInfo> vi(e.P.CreateViewInfo());
  vd->Calculate(s.vx.get(), TRect{0, 0, std::numeric_limits<Integer>::max(), std::numeric_limits<Integer>::max()},
                TPoint{-1, -1}, vxmbNone, {}, vi.get(), false);
  ASSERT_EQ(vi->ButtonCount(), 2);
  EXPECT_LT(vi->Buttons(0)->Bounds.left, vi->Buttons(0)->Bounds.right);
  EXPECT_LE(vi->Buttons(0)->Bounds.right, vi->Buttons(1)->Bounds.left);
  EXPECT_EQ(vi->Buttons(1)->Bounds.right, vi->BorderRect.right);
  EXPECT_EQ(vi->Buttons(0)->Bounds.left, vi->BorderRect.left);
  TvxEditSizeProperties narrow;
  narrow.Width = 1;
  EXPECT_EQ(vd->GetEditSize(s.vx.get(), Variant(), narrow).cx, 1);
}

TEST(EditViewInfo, ButtonStylesPaintTheirBorders) {
  struct Case {
    TvxEditButtonStyle Style;
    TvxEditButtonState State;
    COLORREF OuterTopLeft;
  } cases[] = {
      {bts3D, ebsNormal, static_cast<COLORREF>(ColorToRGB(cl3DLight))},
      {bts3D, ebsPressed, static_cast<COLORREF>(ColorToRGB(clBtnShadow))},
      {btsFlat, ebsNormal, static_cast<COLORREF>(ColorToRGB(clBtnFace))},
      {btsHotFlat, ebsNormal, static_cast<COLORREF>(ColorToRGB(clBtnShadow))},
      {btsUltraFlat, ebsSelected, static_cast<COLORREF>(ColorToRGB(clHighlight))},
      {btsOffice11, ebsPressed, static_cast<COLORREF>(ColorToRGB(GetEditHighlightColor(true)))},
      {btsSimple, ebsNormal, static_cast<COLORREF>(ColorToRGB(clWindow))},
      {btsSimple, ebsSelected, static_cast<COLORREF>(ColorToRGB(clBtnFace))},  // drawn flat while hot
      {btsHotFlat, ebsPressed, static_cast<COLORREF>(ColorToRGB(clBtnShadow))},
  };
  for (const Case& c : cases) {
    Surface s(40, 30);
    TvxCustomEditViewInfo vi;
    vi.IsInplace = true;
    vi.Bounds = vi.BorderRect = TRect{0, 0, 40, 30};
    vi.SetBackgroundColor(clWindow);
    vi.SetButtonCount(1);
    TvxEditButtonViewInfo* b = vi.Buttons(0);
    b->Bounds = b->VisibleBounds = TRect{10, 5, 27, 25};
    b->Data.Kind = bkEllipsis;
    b->Data.Style = c.Style;
    b->Data.State = c.State;
    b->Data.Leftmost = b->Data.Rightmost = true;
    vi.DrawButtons(s.vx.get());
    EXPECT_EQ(s.At(10, 5), c.OuterTopLeft) << int(c.Style) << "/" << int(c.State);
    // The three dots of the ellipsis in the middle.
    EXPECT_GT(s.CountNot(RECT{12, 12, 25, 18}, s.At(13, 8)), 2) << int(c.Style);
    EXPECT_EQ(s.At(5, 5), RGB(255, 255, 255));
  }
}

TEST(EditViewInfo, DownArrowTextAndReentrance) {
  Surface s(60, 30);
  TvxCustomEditViewInfo vi;
  vi.IsInplace = true;
  vi.Bounds = vi.BorderRect = TRect{0, 0, 60, 30};
  vi.SetButtonCount(2);
  vi.Buttons(0)->Bounds = vi.Buttons(0)->VisibleBounds = TRect{0, 0, 30, 30};
  vi.Buttons(0)->Data.Kind = bkDown;
  vi.Buttons(0)->Data.Style = bts3D;
  vi.Buttons(1)->Bounds = vi.Buttons(1)->VisibleBounds = TRect{30, 0, 60, 30};
  vi.Buttons(1)->Data.Kind = bkText;
  vi.Buttons(1)->Data.Style = bts3D;
  vi.Buttons(1)->Data.Caption = L"&A";
  vi.Buttons(1)->Data.TextColor = clBlack;
  int calls = 0;
  vi.OnDrawButton = [&](TvxCustomEditViewInfo* Sender, TvxCanvas* C, Integer, bool&) {
    ++calls;
    Sender->DrawButtons(C);  // ignored while the buttons are being painted
  };
  vi.DrawButtons(s.vx.get());
  EXPECT_EQ(calls, 2);
  // The arrow: black pixels in the middle of the first button.
  EXPECT_GT(s.CountNot(RECT{8, 8, 22, 22}, static_cast<COLORREF>(ColorToRGB(clBtnFace))), 3);
  EXPECT_GT(s.CountNot(RECT{33, 3, 57, 27}, static_cast<COLORREF>(ColorToRGB(clBtnFace))), 3);
  EXPECT_EQ(vi.GetPartRect(5).right, 0);
  EXPECT_EQ(vi.GetPartRect(1).left, 30);
  EXPECT_EQ(vi.GetPartRect(-1).right, 0);
}

}  // namespace

#include "Forms.h"

namespace ZS_UNITY_ID {

namespace {

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

TEST(EditViewInfo, UpdateRegionsAndRepaint) {
  TvxCustomEditViewInfo a, b;
  for (TvxCustomEditViewInfo* v : {&a, &b}) {
    v->Bounds = TRect{0, 0, 80, 20};
    v->BorderRect = TRect{1, 1, 79, 19};
    v->ClientRect = TRect{1, 1, 62, 19};
    v->EditBorderStyle = ebsSingle;
    v->SetButtonCount(1);
    v->Buttons(0)->Bounds = v->Buttons(0)->VisibleBounds = TRect{62, 1, 79, 19};
  }
  EXPECT_TRUE(a.GetUpdateRegion(&b)->IsEmpty());
  b.Buttons(0)->Data.State = ebsPressed;
  EXPECT_PRED2(vxRectSame, a.GetUpdateRegion(&b)->BoundsRect(), (TRect{62, 1, 79, 19}));
  b.BorderColor = clRed;
  EXPECT_PRED2(vxRectSame, a.GetUpdateRegion(&b)->BoundsRect(), a.Bounds);

  TForm* form = TCustomForm::Create<TForm>(nullptr);
  form->SetBounds(40, 40, 200, 120);
  form->Show();
  Pump();
  ValidateRect(form->Handle(), nullptr);
  a.Left = 10;
  a.Top = 30;
  b.BorderColor = a.BorderColor;
  EXPECT_TRUE(a.Repaint(form, TRect{}, &b));  // only the pressed button changed
  RECT update{};
  ASSERT_TRUE(GetUpdateRect(form->Handle(), &update, FALSE));
  EXPECT_PRED2(vxRectSame, update, (TRect{72, 31, 89, 49}));
  ValidateRect(form->Handle(), nullptr);
  b.Buttons(0)->Data.State = ebsNormal;
  EXPECT_FALSE(a.Repaint(form, TRect{}, &b));
  EXPECT_FALSE(GetUpdateRect(form->Handle(), &update, FALSE));
  b.SetBackgroundColor(clYellow);  // the whole frame around the inner edit
  EXPECT_TRUE(a.Repaint(form, TRect{1, 1, 62, 19}, &b));
  ASSERT_TRUE(GetUpdateRect(form->Handle(), &update, FALSE));
  EXPECT_PRED2(vxRectSame, update, (TRect{10, 30, 90, 50}));
  delete form;
}

}  // namespace

namespace {

TEST(EditViewInfo, ButtonHintsOnlyOverAHotButton) {
  Surface s(120, 40);
  Editor e(true);
  e.AddButton(bkDown)->SetHint(L"Open the list|Shows the values to choose from");
  e.Calc(s.vx.get(), TRect{0, 0, 60, 18}, TPoint{50, 8});
  TRect r{};
  bool multi = true;
  String text;
  ASSERT_TRUE(e.VI->NeedShowHint(s.vx.get(), TPoint{50, 8}, r, multi, text));
  EXPECT_EQ(text, L"Open the list");
  EXPECT_FALSE(multi);
  EXPECT_EQ(r.left, 50);
  EXPECT_GE(r.top, 8);
  e.Calc(s.vx.get(), TRect{0, 0, 60, 18}, TPoint{5, 8});
  EXPECT_FALSE(e.VI->NeedShowHint(s.vx.get(), TPoint{5, 8}, r, multi, text));
}

}  // namespace

}  // namespace ZS_UNITY_ID
