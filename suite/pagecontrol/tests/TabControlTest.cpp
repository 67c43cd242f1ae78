// Selection of the tab control: events, keys, mouse and wheel.
#include "PageControlTestSupport.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

struct TabControlTest : TTabFormFixture {
  TvxCustomTabControl* C = nullptr;
  std::vector<std::string> Log;
  bool Allow = true;
  void SetUp() override {
    TTabFormFixture::SetUp();
    C = AddTabControl({0, 0, 300, 120}, {L"&Alpha", L"Beta", L"Gamma", L"Delta"});
    C->OnChanging = [this](TObject*, bool& A) {
      Log.push_back("changing");
      A = Allow;
    };
    C->OnChange = [this](TObject*) { Log.push_back("change"); };
  }
  bool Key(Word K, TShiftState S = {}) { return C->HandleTabNavigationKey(K, S); }
};

}  // namespace

TEST_F(TabControlTest, SelectionEventsVetoAndIgnoredIndexes) {
  C->SelectTabByIndex(0);  // already selected
  EXPECT_TRUE(Log.empty());
  C->SelectTabByIndex(-2);
  C->SelectTabByIndex(4);
  EXPECT_TRUE(Log.empty());
  Allow = false;
  C->SelectTabByIndex(2);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing"}));
  EXPECT_EQ(C->TabIndex(), 0);
  Allow = true;
  Log.clear();
  C->SelectTabByIndex(2);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing", "change"}));
  EXPECT_EQ(C->MainTabVisibleIndex(), 2);
  Log.clear();
  C->SelectTabByIndex(-1);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing", "change"}));
  EXPECT_EQ(C->MainTabVisibleIndex(), -1);
  // A hidden tab of a plain tab control can be selected.
  C->Tabs()->Tab(1)->SetVisible(false);
  C->SelectTabByIndex(1);
  EXPECT_EQ(C->TabIndex(), 1);
  // Events are held back while locked.
  Log.clear();
  C->LockChangeEvents(true);
  C->SelectTabByIndex(3);
  C->LockChangeEvents(false);
  C->LockChangeEvents(false);  // an extra unlock does nothing
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(C->TabIndex(), 3);
}

TEST_F(TabControlTest, NavigationKeys) {
  C->Tabs()->Tab(2)->SetEnabled(false);
  const struct {
    Integer From;
    Word Key;
    TShiftState Shift;
    Integer To;
  } cases[] = {
      {0, VK_RIGHT, {}, 1},          {1, VK_RIGHT, {}, 3},  // the disabled tab is passed over
      {3, VK_RIGHT, {}, 3},                                  // no wrap, still handled
      {3, VK_TAB, {ssCtrl}, 0},                              // Ctrl+Tab wraps
      {0, VK_TAB, {ssCtrl, ssShift}, 3}, {3, VK_HOME, {}, 0}, {0, VK_END, {}, 3},
      {3, VK_LEFT, {}, 1},
  };
  for (const auto& k : cases) {
    C->SelectTabByIndex(k.From);
    EXPECT_TRUE(Key(k.Key, k.Shift)) << k.Key;
    EXPECT_EQ(C->TabIndex(), k.To) << k.Key << " from " << k.From;
  }
  EXPECT_FALSE(Key(VK_TAB));                 // Tab alone is not the control's
  EXPECT_FALSE(Key(VK_RETURN));              // no focus frame
  EXPECT_FALSE(Key(VK_RIGHT, {ssAlt}));      // Alt combinations are not navigation
  // Tabs on the left without rotation run the other way.
  C->SetTabPosition(tpLeft);
  C->SelectTabByIndex(1);
  Key(VK_DOWN);
  EXPECT_EQ(C->TabIndex(), 0);
  Key(VK_HOME);
  EXPECT_EQ(C->TabIndex(), 3);
}

TEST_F(TabControlTest, AcceleratorSelectsAnAccessibleTab) {
  C->SelectTabByIndex(2);
  EXPECT_TRUE(C->DoDialogChar('a'));
  EXPECT_EQ(C->TabIndex(), 0);
  C->Tabs()->Tab(0)->SetEnabled(false);
  C->SelectTabByIndex(2);
  EXPECT_FALSE(C->DoDialogChar('A'));
  EXPECT_EQ(C->TabIndex(), 2);
}

TEST_F(TabControlTest, ClickAndWheel) {
  const TRect r = C->Tabs()->Tab(2)->VisibleRect();
  vx_test::ClickAt(C, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_EQ(C->TabIndex(), 2);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing", "change"}));
  // The wheel scrolls a row that does not fit, over the tabs only.
  auto* d = AddTabControl({0, 130, 154, 230}, {L"0", L"1", L"2", L"3", L"4"});
  d->SetTabWidth(100);
  POINT over = vx_test::ScreenPoint(d, 20, 10), below = vx_test::ScreenPoint(d, 20, 80);
  EXPECT_FALSE(d->DoMouseWheel({}, -WHEEL_DELTA, below));
  EXPECT_EQ(d->FirstVisibleTab(), 0);
  EXPECT_TRUE(d->DoMouseWheel({}, -WHEEL_DELTA, over));
  EXPECT_EQ(d->FirstVisibleTab(), 1);
  EXPECT_TRUE(d->DoMouseWheel({}, WHEEL_DELTA, over));
  EXPECT_EQ(d->FirstVisibleTab(), 0);
}

TEST_F(TabControlTest, RotateIsRefusedByAPainterWithoutRotation) {
  C->SetRotate(true);  // the Tabs painter supports it
  EXPECT_TRUE(C->Rotate());
  EXPECT_TRUE(C->IsVerticalText());
  C->SetRotate(false);
}

TEST_F(TabControlTest, GoDialogListsEnabledVisibleTabsAndSelectsTheChosenOne) {
  C->Tabs()->Add(L"&Beta2");
  C->Tabs()->Add(L"A&ardvark");
  C->Tabs()->Tab(2)->SetEnabled(false);
  C->Tabs()->Tab(3)->SetVisible(false);
  C->SelectTabByIndex(4);
  TvxPCGoDialog* d = C->GoDialog();
  ASSERT_NE(d, nullptr);
  auto captions = [&] {
    std::vector<std::wstring> r;
    for (Integer i = 0; i < d->Items()->Count(); ++i) r.push_back(d->Items()->Items(i)->Caption());
    return r;
  };
  d->BuildItems(false);
  EXPECT_EQ(captions(), (std::vector<std::wstring>{L"&Alpha", L"Beta", L"&Beta2", L"A&ardvark"}));
  d->BuildItems(true);  // sorted by the captions without accelerator marks
  EXPECT_EQ(captions(), (std::vector<std::wstring>{L"A&ardvark", L"&Alpha", L"Beta", L"&Beta2"}));
  EXPECT_TRUE(d->Items()->Items(3)->Checked());
  EXPECT_FALSE(d->Items()->Items(0)->Checked());
  EXPECT_EQ(d->Items()->Items(3)->Tag(), 4);
  Log.clear();
  d->Items()->Items(2)->Click();
  EXPECT_EQ(C->TabIndex(), 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing", "change"}));
  Log.clear();
  d->Items()->Items(2)->Click();  // the selected tab again: nothing happens
  EXPECT_TRUE(Log.empty());
}

TEST_F(TabControlTest, ATabShowsItsImageAndFreeingTheListDropsIt) {
  C->LookAndFeel()->SetNativeStyle(false);
  auto* images = new TImageList(nullptr);
  images->SetSize(12, 12);
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(12, 12);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect(RECT{0, 0, 12, 12});
  images->AddMasked(&bmp, clFuchsia);
  C->SetImages(images);
  C->Tabs()->Tab(0)->SetImageIndex(-1);  // a tab shows by default the image of its own index
  C->Tabs()->Tab(1)->SetImageIndex(0);
  ASSERT_EQ(images->Count(), 1);
  EXPECT_EQ(C->GetTabImageIndex(1), 0);
  EXPECT_EQ(C->GetTabImageIndex(0), -1);
  auto redIn = [&](const TRect& R) {
    const auto px = PaintToPixels(C);
    Integer n = 0;
    for (Integer y = std::max<Integer>(R.top, 0); y < std::min<Integer>(R.bottom, C->Height()); ++y)
      for (Integer x = std::max<Integer>(R.left, 0); x < std::min<Integer>(R.right, C->Width()); ++x)
        if ((px[static_cast<size_t>(y) * C->Width() + x] & 0xFFFFFF) == 0xFF0000) ++n;
    return n;
  };
  EXPECT_EQ(redIn(C->Tabs()->Tab(1)->FullRect()), 144);  // the whole image, on the second tab only
  {
    // Nothing of the tab is left unpainted between the image and the caption.
    const auto px = PaintToPixels(C);
    const TRect r = C->Tabs()->Tab(1)->FullRect();
    const Integer y = (r.top + r.bottom) / 2;
    Integer x = r.left;
    while (x < r.right && (px[static_cast<size_t>(y) * C->Width() + x] & 0xFFFFFF) != 0xFF0000) ++x;
    while (x < r.right && (px[static_cast<size_t>(y) * C->Width() + x] & 0xFFFFFF) == 0xFF0000) ++x;
    ASSERT_LT(x + 4, r.right);
    for (Integer g = x; g < x + 4; ++g)
      EXPECT_NE(px[static_cast<size_t>(y) * C->Width() + g] & 0xFFFFFF, 0u) << g;
  }
  EXPECT_EQ(redIn(C->Tabs()->Tab(0)->FullRect()), 0);
  // On tabs at the side the image turns with the caption, still whole.
  C->SetTabPosition(tpLeft);
  EXPECT_EQ(redIn(C->Tabs()->Tab(1)->FullRect()), 144);
  C->SetTabPosition(tpTop);
  // An index past the list draws nothing.
  C->Tabs()->Tab(1)->SetImageIndex(3);
  EXPECT_EQ(C->GetTabImageIndex(1), -1);
  EXPECT_EQ(redIn(C->Tabs()->Tab(1)->FullRect()), 0);
  C->Tabs()->Tab(1)->SetImageIndex(0);
  delete images;
  EXPECT_EQ(C->Images(), nullptr);
  EXPECT_EQ(redIn(TRect{0, 0, C->Width(), C->Height()}), 0);
}

}  // namespace ZS_UNITY_ID
