// The Buttons, FlatButtons and Flat painters: registration, button behaviour and their
// tabs compared with reference images.
#include "PageControlTestSupport.h"
#include "vdOffice11.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

struct OtherPaintersTest : TTabFormFixture {
  TvxCustomTabControl* Make(RECT R, TvxPCStyleID AStyle, TvxTabPosition APosition = tpTop) {
    auto* c = AddTabControl(R);
    c->LookAndFeel()->SetKind(lfStandard);
    c->LookAndFeel()->SetNativeStyle(false);
    c->Font()->SetName(L"Tahoma");
    c->Font()->SetHeight(-11);
    c->SetColor(clBtnFace);
    c->SetStyle(AStyle);
    c->SetTabPosition(APosition);
    for (const wchar_t* s : {L"First", L"Second", L"Third"}) c->Tabs()->Add(s);
    return c;
  }
};

}  // namespace

TEST_F(OtherPaintersTest, RegisteredInStyleOrderAndFoundByStyleNameAndLookAndFeel) {
  TvxPCPaintersFactory* f = PaintersFactory();
  EXPECT_EQ(f->GetPainterClass(tsTabs), TvxPCTabsPainter::StaticPainterClass());
  EXPECT_EQ(f->GetPainterClass(tsButtons), TvxPCButtonsPainter::StaticPainterClass());
  EXPECT_EQ(f->GetPainterClass(tsFlatButtons), TvxPCFlatButtonsPainter::StaticPainterClass());
  EXPECT_EQ(f->GetPainterClass(String(L"flatbuttons")), TvxPCFlatButtonsPainter::StaticPainterClass());
  EXPECT_EQ(f->GetPainterClass(TvxPCStyleID(7)), TvxPCFlatPainter::StaticPainterClass());
  EXPECT_EQ(f->GetPainterClass(TvxPCStyleID(8)), TvxPCOffice11Painter::StaticPainterClass());
  EXPECT_EQ(f->GetPainterClass(String(L"office11")), TvxPCOffice11Painter::StaticPainterClass());
  // All nine styles, each found by its id and by its name.
  const struct {
    TvxPCStyleID Id;
    const wchar_t* Name;
    TvxPCPainterClass Class;
  } styles[] = {{1, L"Tabs", TvxPCTabsPainter::StaticPainterClass()},
                {2, L"Buttons", TvxPCButtonsPainter::StaticPainterClass()},
                {3, L"FlatButtons", TvxPCFlatButtonsPainter::StaticPainterClass()},
                {5, L"ExtraFlat", TvxPCExtraFlatPainter::StaticPainterClass()},
                {6, L"UltraFlat", TvxPCUltraFlatPainter::StaticPainterClass()},
                {7, L"Flat", TvxPCFlatPainter::StaticPainterClass()},
                {8, L"Office11", TvxPCOffice11Painter::StaticPainterClass()},
                {9, L"Slanted", TvxPCSlantedPainter::StaticPainterClass()},
                {10, L"OneNote", TvxPCOneNotePainter::StaticPainterClass()}};
  for (const auto& k : styles) {
    EXPECT_EQ(f->GetPainterClass(k.Id), k.Class) << k.Id;
    EXPECT_EQ(f->GetPainterClass(String(k.Name)), k.Class) << k.Id;
    EXPECT_EQ(k.Class->GetStyleName(), String(k.Name));
  }
  EXPECT_EQ(f->PainterClassCount(), 9);
  auto* c = AddTabControl({0, 0, 200, 80}, {L"A"});
  c->LookAndFeel()->SetNativeStyle(false);
  c->LookAndFeel()->SetKind(lfFlat);
  EXPECT_EQ(c->Painter()->Class(), TvxPCFlatPainter::StaticPainterClass());
  EXPECT_EQ(c->Style(), 0);
  c->LookAndFeel()->SetKind(lfStandard);
  EXPECT_EQ(c->Painter()->Class(), TvxPCTabsPainter::StaticPainterClass());
  c->SetStandardStyle(tsButtons);
  EXPECT_EQ(c->Style(), 2);
  c->LookAndFeel()->SetNativeStyle(true);  // the Flat painter never paints themed
  c->SetStyle(7);
  EXPECT_FALSE(c->Painter()->IsNativePainting());
  c->SetStyle(0);
  c->LookAndFeel()->SetNativeStyle(false);
  c->LookAndFeel()->SetKind(lfUltraFlat);
  EXPECT_EQ(c->Painter()->Class(), TvxPCUltraFlatPainter::StaticPainterClass());
}

TEST_F(OtherPaintersTest, UltraFlatNavigatorButtonSizesAndDistances) {
  auto* c = Make({0, 0, 150, 80}, 6);
  c->SetOptions(c->Options() + pcoCloseButton + pcoGoDialog);
  for (const wchar_t* s : {L"Fourth", L"Fifth", L"Sixth"}) c->Tabs()->Add(s);
  auto* p = static_cast<TvxPCStandardPainter*>(c->Painter());
  const auto& q = p->ButtonsQueue();
  ASSERT_EQ(q.size(), 4u);
  const TvxPCNavigatorButton order[] = {nbGoDialog, nbTopLeft, nbBottomRight, nbClose};
  const Integer widths[] = {11, 15, 15, 14};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(q[i].Button, order[i]);
    EXPECT_EQ(q[i].ButtonRect.right - q[i].ButtonRect.left, widths[i]);
    EXPECT_EQ(q[i].ButtonRect.bottom - q[i].ButtonRect.top, 15);
  }
  EXPECT_EQ(q[1].ButtonRect.left - q[0].ButtonRect.right, 1);
  EXPECT_EQ(q[3].ButtonRect.left - q[2].ButtonRect.right, 3);
  EXPECT_EQ(q[3].ButtonRect.right, 150 - p->GetNavigatorButtonsSideOffset());
}

TEST_F(OtherPaintersTest, ExtraFlatSeparatorsStandOnlyBetweenTabsThatAreNotMain) {
  auto* c = Make({0, 0, 260, 80}, 5);
  c->SelectTabByIndex(1);
  auto separatorAfter = [&](Integer v) {
    const auto px = PaintToPixels(c);
    const TRect r = c->Tabs()->Tab(v)->NormalRect();
    const DWORD p = px[static_cast<size_t>((r.top + r.bottom) / 2) * c->Width() + r.right];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) == Rgb(clBtnShadow);
  };
  EXPECT_FALSE(separatorAfter(0));
  EXPECT_FALSE(separatorAfter(1));
  c->SelectTabByIndex(0);
  EXPECT_FALSE(separatorAfter(0));
  EXPECT_TRUE(separatorAfter(1));
}

TEST_F(OtherPaintersTest, ButtonStylesMoveAFocusFrameAndAcceptCtrlClickSelection) {
  auto* c = Make({0, 0, 300, 80}, 2);
  ASSERT_TRUE(c->Painter()->Class()->IsTabPressable());
  Word key = VK_RIGHT;
  EXPECT_TRUE(c->HandleTabNavigationKey(key, {}));
  EXPECT_EQ(c->TabIndex(), 0);  // only the focus frame moved
  EXPECT_EQ(c->TrackingTabVisibleIndex(), 1);
  key = VK_RETURN;
  EXPECT_TRUE(c->HandleTabNavigationKey(key, {}));
  EXPECT_EQ(c->TabIndex(), 1);
  key = VK_TAB;
  EXPECT_TRUE(c->HandleTabNavigationKey(key, {ssCtrl}));  // Ctrl+Tab still selects
  EXPECT_EQ(c->TabIndex(), 2);
  // Selected marks on several tabs switch multi-selection on.
  c->Tabs()->Tab(0)->SetSelected(true);
  c->Tabs()->Tab(1)->SetSelected(true);
  EXPECT_TRUE(c->MultiSelect());
  // A press selects on release over the same tab.
  const TRect r = c->Tabs()->Tab(0)->VisibleRect();
  vx_test::ClickAt(c, r.left + 5, r.top + 5, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, true);
  EXPECT_EQ(c->PressedTabVisibleIndex(), 0);
  EXPECT_EQ(c->TabIndex(), 2);
  vx_test::SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_EQ(c->TabIndex(), 0);
}

TEST_F(OtherPaintersTest, EachPaintersTabs) {
  const struct {
    const wchar_t* Name;
    TvxPCStyleID Style;
    TvxTabPosition Position;
    bool Rotate = false;
  } cases[] = {
      {L"buttons_top", 2, tpTop},       {L"flatbuttons_top", 3, tpTop}, {L"flat_top", 7, tpTop},
      {L"flat_bottom", 7, tpBottom},    {L"flat_left", 7, tpLeft},  {L"extraflat_top", 5, tpTop},
      {L"extraflat_bottom", 5, tpBottom}, {L"ultraflat_top", 6, tpTop},
      {L"office11_top", 8, tpTop},      {L"office11_left_rotated", 8, tpLeft, true},
      {L"office11_left", 8, tpLeft},    {L"slanted_top", 9, tpTop},     {L"slanted_left_rotated", 9, tpLeft, true},
      {L"slanted_left", 9, tpLeft},     {L"onenote_top", 10, tpTop},    {L"onenote_left", 10, tpLeft},
  };
  for (const auto& k : cases) {
    auto* c = Make({0, 0, 260, 120}, k.Style, k.Position);
    c->SetRotate(k.Rotate);
    c->SelectTabByIndex(1);
    SCOPED_TRACE(std::string(k.Name, k.Name + wcslen(k.Name)));
    ExpectMatchesImage(k.Name, c->Width(), c->Height(), PaintToPixels(c));
    delete c;
  }
}

TEST_F(OtherPaintersTest, Office11FollowsTheSchemeAndDegeneratesToAMixWithoutGradients) {
  auto* c = Make({0, 0, 260, 80}, 8);
  c->SelectTabByIndex(1);
  auto pixel = [&](const std::vector<DWORD>& px, Integer x, Integer y) {
    const DWORD p = px[static_cast<size_t>(y) * c->Width() + x];
    return static_cast<COLORREF>(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  };
  // The frame around the page is the scheme's border colour.
  c->SetShowFrame(true);
  const TRect cr = c->Painter()->GetClientRect();
  auto px = PaintToPixels(c);
  EXPECT_EQ(pixel(px, cr.left - 1, (cr.top + cr.bottom) / 2), Rgb(vdOffice11ControlBorderColor));
  // The other tabs lie on the row's gradient: its ends differ in every scheme.
  const TRect t = c->Tabs()->Tab(0)->FullRect();
  EXPECT_NE(pixel(px, t.left + 1, t.top + 1), pixel(px, t.left + 1, t.bottom - 1));
  const TRect m = c->Tabs()->Tab(1)->FullRect();
  // Without gradients every gradient is the even mix of its two colours.
  c->SetOptions(c->Options() - pcoGradient);
  px = PaintToPixels(c);
  EXPECT_EQ(pixel(px, m.left + 3, m.top + 2), Rgb(vdMixColors(vdOffice11HotColor1, vdOffice11HotColor2, 50)));
  EXPECT_EQ(pixel(px, m.left + 3, m.bottom - 2), Rgb(vdMixColors(vdOffice11HotColor1, vdOffice11HotColor2, 50)));
  EXPECT_EQ(pixel(px, t.left + 3, (t.top + t.bottom) / 2),
            Rgb(vdMixColors(vdOffice11GradientColor1, vdOffice11GradientColor2, 50)));
  // An Office 2003 look and feel reaches the painter unless a skin paints it.
  auto* d = AddTabControl({0, 100, 200, 180}, {L"A"});
  d->LookAndFeel()->SetNativeStyle(false);
  d->LookAndFeel()->SetKind(lfOffice11);
  EXPECT_EQ(d->Painter()->Class(), TvxPCOffice11Painter::StaticPainterClass());
}

TEST_F(OtherPaintersTest, SlantedTabsOverlapByTheirCutAndTheSelectedTabIsHitInFront) {
  auto* c = Make({0, 0, 300, 80}, 9);
  c->TabSlants()->SetKind(skSlant);
  c->TabSlants()->SetPositions(TvxTabSlantPositions{spLeft, spRight});
  c->SetTabHeight(20);
  auto* p = static_cast<TvxPCSlantedPainter*>(c->Painter());
  EXPECT_EQ(p->CutValue(), 19);
  const TRect a = c->Tabs()->Tab(0)->NormalRect(), b = c->Tabs()->Tab(1)->NormalRect();
  EXPECT_EQ(a.right - b.left, 18);
  // In the overlap near the page the left tab is hit until its neighbour is selected.
  const Integer y = a.bottom - 2, x = b.left + 2;
  EXPECT_EQ(c->IndexOfTabAt(x, y), 0);
  c->SelectTabByIndex(1);
  EXPECT_EQ(c->IndexOfTabAt(x, y), 1);
  // Without slanted sides every tab has small cut corners and they lie one pixel apart.
  c->TabSlants()->SetPositions(TvxTabSlantPositions{});
  const TRect a2 = c->Tabs()->Tab(0)->NormalRect(), b2 = c->Tabs()->Tab(1)->NormalRect();
  EXPECT_EQ(b2.left - a2.right, 1);
  EXPECT_EQ(c->IndexOfTabAt(a2.left, a2.top + 1), -1);  // the cut corner belongs to no tab
  EXPECT_EQ(c->IndexOfTabAt(a2.left + 2, a2.top + 1), 0);
}

TEST_F(OtherPaintersTest, OneNoteRefusesRotationAndTakesTheSchemeColours) {
  auto* c = Make({0, 0, 300, 80}, 10);
  EXPECT_THROW(c->SetRotate(true), EvdException);
  EXPECT_FALSE(c->Rotate());
  // Outline colour of the page frame: colour 1 of the scheme row now current.
  const TColor expected[4] = {clBtnShadow, static_cast<TColor>(0x9C613B), static_cast<TColor>(0x588060),
                              static_cast<TColor>(0x947C7C)};
  vdOffice11AcquireColors();
  const Integer scheme = vdCurrentOffice11Scheme();
  vdOffice11ReleaseColors();
  ASSERT_TRUE(scheme >= 0 && scheme <= 3);
  EXPECT_EQ(ColorToRGB(OneNoteColor(1)), ColorToRGB(expected[scheme]));
  c->SetShowFrame(true);
  const TRect cr = c->Painter()->GetClientRect();
  auto px = PaintToPixels(c);
  const DWORD p = px[static_cast<size_t>((cr.top + cr.bottom) / 2) * c->Width() + cr.left - 1];
  EXPECT_EQ(static_cast<COLORREF>(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)), ColorToRGB(expected[scheme]));
}

}  // namespace ZS_UNITY_ID
