// The editing control's drag objects on a shown tree list: the sizing line's steps and
// bounds, dynamic sizing that adds up slow movements, auto scrolling areas, the place
// arrows' window, and the text drag image's thread mouse hook.
#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace {

// An element with a 16-pixel sizing step that records the deltas applied to it.
struct FakeSizing : TObject, IvxDragSizing {
  Integer Step = 16;
  bool Dynamic = false;
  TRect Bounds{0, 0, 400, 400};
  std::vector<Integer> Applied;
  bool CanSizing(TvxDragSizingDirection) override { return true; }
  TRect GetSizingBoundsRect(TvxDragSizingDirection) override { return Bounds; }
  Integer GetSizingIncrement(TvxDragSizingDirection) override { return Step; }
  bool IsDynamicUpdate() override { return Dynamic; }
  void SetSizeDelta(TvxDragSizingDirection, Integer ADelta) override { Applied.push_back(ADelta); }
};

struct DragObjectsFixture : ListFixture {
  // A sizing drag of AItem begun with the mouse at client point (X, Y).
  std::unique_ptr<TvxSizingDragAndDropObject> BeginSizing(FakeSizing& AItem, Integer X, Integer Y) {
    TL->Controller()->FDragItem = &AItem;
    POINT p{X, Y};
    ClientToScreen(TL->Handle(), &p);
    SetCursorPos(p.x, p.y);
    auto o = std::make_unique<TvxSizingDragAndDropObject>(TL);
    o->DoBeginDragAndDrop();
    return o;
  }
  void MoveTo(TvxSizingDragAndDropObject& AObject, Integer X, Integer Y) {
    bool accepted = false;
    AObject.DoDragAndDrop(TPoint{X, Y}, accepted);
    EXPECT_TRUE(accepted);
  }
  void TearDown() override {
    if (TL) TL->Controller()->FDragItem = nullptr;
    ListFixture::TearDown();
  }
};

TEST_F(DragObjectsFixture, TheSizingLineSnapsToStepsAndStaysInsideItsBounds) {
  Fill(3);
  FakeSizing item;
  item.Bounds = TRect{50, 0, 200, 400};
  auto o = BeginSizing(item, 100, 10);
  EXPECT_TRUE(o->IsHorzSizing());
  EXPECT_EQ(o->DragPos().x, 100);
  // 7 pixels is under half a step: the line stays; 9 pixels is one step.
  MoveTo(*o, 107, 10);
  EXPECT_EQ(o->DragPos().x, 100);
  MoveTo(*o, 109, 10);
  EXPECT_EQ(o->DragPos().x, 116);
  EXPECT_EQ(o->Delta(), 1);
  // Outside the bounds the line stays where it was; back inside it resumes.
  MoveTo(*o, 260, 10);
  EXPECT_EQ(o->DragPos().x, 116);
  MoveTo(*o, 68, 10);
  EXPECT_EQ(o->DragPos().x, 68);
  EXPECT_EQ(o->Delta(), -2);
  EXPECT_TRUE(item.Applied.empty());
  // The drop applies the steps once.
  o->DoEndDragAndDrop(true);
  EXPECT_EQ(item.Applied, std::vector<Integer>{-2});
  // A drop that is not accepted applies nothing.
  item.Applied.clear();
  auto again = BeginSizing(item, 100, 10);
  MoveTo(*again, 140, 10);
  again->DoEndDragAndDrop(false);
  EXPECT_TRUE(item.Applied.empty());
}

TEST_F(DragObjectsFixture, DynamicSizingAddsUpMovementsSmallerThanAStep) {
  Fill(3);
  FakeSizing item;
  item.Dynamic = true;
  auto o = BeginSizing(item, 100, 10);
  // Three slow moves of 5, 5 and 7 pixels make one 16-pixel step together.
  MoveTo(*o, 105, 10);
  MoveTo(*o, 110, 10);
  EXPECT_TRUE(item.Applied.empty());
  MoveTo(*o, 117, 10);
  EXPECT_EQ(item.Applied, std::vector<Integer>{1});
  // Measured on from the step applied, not from the mouse: 15 more pixels is not a step,
  // 16 more is.
  MoveTo(*o, 131, 10);
  EXPECT_EQ(item.Applied.size(), 1u);
  MoveTo(*o, 132, 10);
  EXPECT_EQ(item.Applied, (std::vector<Integer>{1, 1}));
  // Backwards, and the drop adds nothing more.
  MoveTo(*o, 99, 10);
  EXPECT_EQ(item.Applied, (std::vector<Integer>{1, 1, -2}));
  o->DoEndDragAndDrop(true);
  EXPECT_EQ(item.Applied.size(), 3u);
}

TEST_F(DragObjectsFixture, AutoScrollingAreasRunTheirTimerOnlyWhileTheMouseIsInside) {
  Fill(3);
  TvxAutoScrollingObject o(nullptr);
  o.SetParams(TRect{0, 0, 10, 50}, sbHorizontal, 3, scLineUp);
  EXPECT_EQ(o.Increment(), -3);
  struct Case {
    TPoint P;
    bool Inside;
  } cases[] = {{{0, 0}, true}, {{9, 49}, true}, {{10, 10}, false}, {{5, 50}, false}, {{-1, 5}, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(o.Check(c.P), c.Inside) << c.P.x << "," << c.P.y;
    EXPECT_EQ(o.Timer()->Enabled(), c.Inside);
  }
  o.SetParams(TRect{0, 0, 10, 50}, sbVertical, 3, scLineDown);
  EXPECT_EQ(o.Increment(), 3);

  // In bounds mode the controller's object scrolls towards each side the mouse has left.
  TvxControllerAutoScrollingObject c(TL->Controller());
  c.SetBoundsParams(TRect{10, 10, 100, 100}, true, false, 1);
  EXPECT_FALSE(c.CheckBounds(TPoint{50, 50}));
  EXPECT_FALSE(c.CheckBounds(TPoint{50, 5}));  // above, but vertical checking is off
  EXPECT_TRUE(c.CheckBounds(TPoint{5, 5}));
  EXPECT_TRUE(c.Directions().Contains(nLeft));
  EXPECT_FALSE(c.Directions().Contains(nTop));
  EXPECT_TRUE(c.Timer()->Enabled());
  c.Stop();
  EXPECT_FALSE(c.Timer()->Enabled());
}

TEST_F(DragObjectsFixture, PlaceArrowsShapeTheirWindowAndMoveOnlyWhenThePlaceChanges) {
  Fill(3);
  TvxPlaceArrows arrows(clRed, clBtnText);
  const TRect place{200, 200, 260, 220};
  EXPECT_TRUE(arrows.MoveTo(place, bLeft));
  EXPECT_TRUE(arrows.Visible());
  EXPECT_FALSE(arrows.MoveTo(place, bLeft));
  // The window covers the two arrows at the left edge's ends, shaped to them.
  RECT w{};
  GetWindowRect(arrows.Handle(), &w);
  EXPECT_LE(w.left, place.left - 5);
  EXPECT_GE(w.right, place.left + 6);
  EXPECT_LE(w.top, place.top - 9);
  EXPECT_GE(w.bottom, place.bottom + 9);
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(arrows.Handle(), r), ERROR);
  const POINT anchor{place.left - w.left, place.top - w.top};
  EXPECT_TRUE(PtInRegion(r, anchor.x, anchor.y - 3));   // inside the upper arrow
  EXPECT_FALSE(PtInRegion(r, anchor.x + 5, anchor.y + 5));  // between the arrows
  DeleteObject(r);
  // Another side moves them.
  EXPECT_TRUE(arrows.MoveTo(place, bTop));
  EXPECT_EQ(arrows.PrevSide(), bTop);
}

TEST_F(DragObjectsFixture, ReleasingAMouseButtonDropsTheTextDragImage) {
  Fill(3);
  for (DWORD up : {DWORD(MOUSEEVENTF_LEFTUP), DWORD(MOUSEEVENTF_RIGHTUP)}) {
    vxInstallDragMouseHook(TL);
    EXPECT_EQ(vxDragMouseHookControl(), TL);
    INPUT i{};
    i.type = INPUT_MOUSE;
    i.mi.dwFlags = up == MOUSEEVENTF_LEFTUP ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
    SendInput(1, &i, sizeof(INPUT));
    Pump(30);
    i.mi.dwFlags = up;
    SendInput(1, &i, sizeof(INPUT));
    Pump(60);
    EXPECT_EQ(vxDragMouseHookControl(), nullptr) << up;
  }
  // A control freed with its image shown takes the hook with it.
  vxInstallDragMouseHook(TL);
  delete TL;
  TL = nullptr;
  EXPECT_EQ(vxDragMouseHookControl(), nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
