// The Buttons, FlatButtons and Flat painters: registration, button behaviour and their
// tabs compared with reference images.
#include "PageControlTestSupport.h"

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
  } cases[] = {
      {L"buttons_top", 2, tpTop},       {L"flatbuttons_top", 3, tpTop}, {L"flat_top", 7, tpTop},
      {L"flat_bottom", 7, tpBottom},    {L"flat_left", 7, tpLeft},
  };
  for (const auto& k : cases) {
    auto* c = Make({0, 0, 260, 120}, k.Style, k.Position);
    c->SelectTabByIndex(1);
    SCOPED_TRACE(std::string(k.Name, k.Name + wcslen(k.Name)));
    ExpectMatchesImage(k.Name, c->Width(), c->Height(), PaintToPixels(c));
    delete c;
  }
}
