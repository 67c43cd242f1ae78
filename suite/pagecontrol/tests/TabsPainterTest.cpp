// The Tabs painter: its tabs, frame and buttons painted and compared with reference
// images, and the page controls of the main window (look and feel lfStandard).
#include "PageControlTestSupport.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

struct TabsPainterTest : TTabFormFixture {
  // A tab control with a fixed font, so the images do not depend on the default font.
  template <class T = TvxCustomTabControl>
  T* Make(RECT R, std::initializer_list<const wchar_t*> Captions, TvxTabPosition APosition = tpTop) {
    T* c = AddTabControl<T>(R);
    c->LookAndFeel()->SetKind(lfStandard);
    c->LookAndFeel()->SetNativeStyle(false);
    c->Font()->SetName(L"Tahoma");
    c->Font()->SetHeight(-11);
    c->SetColor(clBtnFace);
    c->SetTabPosition(APosition);
    for (const wchar_t* s : Captions) c->Tabs()->Add(s);
    return c;
  }
};

}  // namespace

TEST_F(TabsPainterTest, TabsOnEachSideAndRotated) {
  const struct {
    const wchar_t* Name;
    TvxTabPosition Position;
    bool Rotate;
    RECT Bounds;
  } cases[] = {
      {L"tabs_top", tpTop, false, {0, 0, 240, 90}},      {L"tabs_bottom", tpBottom, false, {0, 0, 240, 90}},
      {L"tabs_left", tpLeft, false, {0, 0, 160, 150}},   {L"tabs_right", tpRight, false, {0, 0, 160, 150}},
      {L"tabs_top_rotated", tpTop, true, {0, 0, 200, 120}},
  };
  for (const auto& k : cases) {
    auto* c = Make(k.Bounds, {L"First", L"Second", L"Third"}, k.Position);
    c->SetRotate(k.Rotate);
    c->SelectTabByIndex(1);
    c->Tabs()->Tab(2)->SetEnabled(false);
    SCOPED_TRACE(std::string(k.Name, k.Name + wcslen(k.Name)));
    const TRect frame = c->Painter()->GetFrameRect();
    // The frame's outer corner pixels and the joined main tab.
    const auto px = PaintToPixels(c);
    ExpectMatchesImage(k.Name, c->Width(), c->Height(), px);
    delete c;
    (void)frame;
  }
}

TEST_F(TabsPainterTest, MainTabJoinsTheFrameAndCornersTakeTheControlColor) {
  auto* c = Make({0, 0, 240, 90}, {L"First", L"Second"});
  c->SetColor(clWindow);  // corners show the control colour
  const auto px = PaintToPixels(c);
  auto at = [&](int x, int y) {
    const DWORD v = px[static_cast<size_t>(y) * c->Width() + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  };
  TvxTab* main = c->Tabs()->Tab(0);
  const TRect r = main->FullRect();
  EXPECT_EQ(RectText(r), "(0, 0, " + std::to_string(main->NormalRect().right + 2) + ", 21)");
  EXPECT_EQ(at(0, r.bottom), Rgb(clBtnHighlight));  // the frame's left edge continues
  EXPECT_EQ(at(r.left + 5, r.bottom), Rgb(clBtnFace));  // the tab's bottom line is the body colour
  EXPECT_EQ(at(r.left, r.top), Rgb(clWindow));          // corner pixel
  const TRect second = c->Tabs()->Tab(1)->FullRect();
  EXPECT_EQ(second.top, 2);
  EXPECT_EQ(at(second.left + 5, second.bottom), Rgb(clBtnHighlight));  // the frame's top line
  c->Tabs()->Tab(1)->SetHighlighted(true);
  const auto px2 = PaintToPixels(c);
  const DWORD v = px2[static_cast<size_t>(second.top + 5) * c->Width() + second.left + 10];
  EXPECT_EQ(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF), Rgb(clHighlight));
}

TEST_F(TabsPainterTest, NavigatorArrowsWithADisabledOne) {
  auto* c = Make({0, 0, 200, 60}, {L"First", L"Second", L"Third", L"Fourth", L"Fifth"});
  ASSERT_TRUE(c->NavigatorButtons().Contains(nbTopLeft));
  EXPECT_EQ(c->NavigatorButtonState(nbTopLeft), nbsDisabled);
  ExpectMatchesImage(L"tabs_navigator", c->Width(), c->Height(), PaintToPixels(c));
}

TEST_F(TabsPainterTest, MainWindowPageControlsUnthemedAndThemed) {
  Form->SetClientWidth(720);
  Form->SetClientHeight(220);
  for (bool native : {false, true}) {
    auto* p = Make<TvxPageControl>({0, 0, 696, 193}, {});
    p->LookAndFeel()->SetNativeStyle(native);
    auto* sheet = new TvxTabSheet(Form);
    sheet->SetCaption(L"Access entries");
    sheet->SetPageControl(p);
    Pump(30);
    EXPECT_EQ(p->Painter()->Class(), TvxPCTabsPainter::StaticPainterClass());
    if (!native) {
      EXPECT_EQ(RectText(p->ClientRectOfPainter()), "(2, 22, 694, 191)");
      EXPECT_EQ(RectText(sheet->BoundsRect()), "(2, 22, 694, 191)");
    }
    const vx_test::TWindowPixels shown(p->Handle());
    std::vector<DWORD> px;
    for (int y = 0; y < shown.H; ++y)
      for (int x = 0; x < shown.W; ++x) {
        const COLORREF c = shown.At(x, y);
        px.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
      }
    ExpectMatchesImage(native ? L"main_window_page_control_themed" : L"main_window_page_control", shown.W, shown.H, px);
    delete sheet;
    delete p;
  }
}

}  // namespace ZS_UNITY_ID
