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

namespace ZS_UNITY_ID {
namespace {

struct ColumnMoveFixture : ListFixture {
  TRect HeaderRect(TvxTreeListColumn* C) {
    TvxTreeListHeaderCellViewInfo* h = TL->TreeListViewInfo()->HeaderCellOf(C);
    return h ? h->DisplayRect : TRect{};
  }
  // Presses at (X, Y), moves to (TX, TY) in steps (looking at the arrows on the way when
  // AArrows is given) and releases, through the input queue; AEscape presses Escape first.
  void Drag(Integer X, Integer Y, Integer TX, Integer TY, bool AEscape = false, bool* AArrows = nullptr) {
    auto at = [&](Integer AX, Integer AY) {
      POINT p{AX, AY};
      ClientToScreen(TL->Handle(), &p);
      SetCursorPos(p.x, p.y);
      Pump(25);
    };
    auto send = [](DWORD AFlags, WORD AKey = 0) {
      INPUT i{};
      if (AKey) {
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = AKey;
        i.ki.dwFlags = AFlags;
      } else {
        i.type = INPUT_MOUSE;
        i.mi.dwFlags = AFlags;
      }
      SendInput(1, &i, sizeof(INPUT));
      Pump(30);
    };
    at(X, Y);
    send(MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 4; ++i) at(X + (TX - X) * i / 4, Y + (TY - Y) * i / 4);
    if (AArrows) {
      auto* o = dynamic_cast<TvxTreeListDragAndDropObject*>(TL->DragAndDropState() == ddsInProcess
                                                                 ? TL->DragAndDropObject()
                                                                 : nullptr);
      *AArrows = o && o->Arrows()->Visible();
    }
    if (AEscape) {
      send(0, VK_ESCAPE);
      send(KEYEVENTF_KEYUP, VK_ESCAPE);
    }
    send(MOUSEEVENTF_LEFTUP);
    Pump(40);
  }
};

TEST_F(ColumnMoveFixture, DraggingAHeaderMovesTheColumnWhereTheArrowsPoint) {
  Fill(3);
  TvxTreeListColumn* name = TL->Columns(1);
  TvxTreeListColumn* access = TL->Columns(2);
  int moved = 0;
  TL->OnColumnPosChanged = [&](TObject*, TvxTreeListColumn* c) { moved += c == name; };
  const TRect n = HeaderRect(name), a = HeaderRect(access);
  const Integer y = (n.top + n.bottom) / 2;
  // On its own header or on the left half of its right neighbour nothing changes and no
  // arrows show.
  bool arrows = true;
  Drag(n.left + 10, y, a.left + 5, y, false, &arrows);
  EXPECT_FALSE(arrows);
  EXPECT_EQ(name->VisibleIndex(), 1);
  EXPECT_EQ(moved, 0);
  // On the right half of its right neighbour it moves one place right.
  Drag(n.left + 12, y, a.right - 5, y, false, &arrows);
  EXPECT_TRUE(arrows);
  EXPECT_EQ(name->VisibleIndex(), 2);
  EXPECT_EQ(access->VisibleIndex(), 1);
  EXPECT_EQ(moved, 1);
  EXPECT_NE(TL->DragAndDropState(), ddsInProcess);
  // The sort order did not change: the release after a move is no header click.
  EXPECT_EQ(name->SortOrder(), soNone);
  // Escape during the drag leaves the layout as it was.
  const TRect t = HeaderRect(TL->Columns(0));
  Drag(t.left + 10, y, HeaderRect(name).right - 5, y, true);
  EXPECT_EQ(TL->Columns(0)->VisibleIndex(), 0);
  // The only visible column dropped off the headers stays.
  for (Integer i = 1; i < TL->ColumnCount(); ++i) TL->Columns(i)->SetVisible(false);
  Relayout();
  const TRect only = HeaderRect(TL->Columns(0));
  Drag(only.left + 10, y, only.left + 10, only.bottom + 80);
  EXPECT_TRUE(TL->Columns(0)->Visible());
}

}  // namespace
}  // namespace ZS_UNITY_ID
