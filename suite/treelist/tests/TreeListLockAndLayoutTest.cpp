// The tree list's update lock and relayout in a window: rows added one by one relay out
// once, before the paint or when the view's geometry is read, and paint as a locked fill
// does; the editing control and the tree list share one lock whatever the pointer's type;
// a handler that raises while a lock is released reaches the caller.
#include <gtest/gtest.h>

#include <stdexcept>

#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {

using namespace tlv_test;

namespace {

struct LockFixture : ListFixture {
  Integer Layouts = 0;
  void SetUp() override {
    ListFixture::SetUp();
    TL->OnLayoutChanged = [this](TObject*) { ++Layouts; };
  }
  void AddRows(Integer ACount) {
    for (Integer i = 0; i < ACount; ++i) {
      Node* n = TL->Add();
      for (Integer c = 0; c < 6; ++c) n->SetValues(c, Variant(String(L"r" + std::to_wstring(i) + L"c" + std::to_wstring(c))));
    }
  }
  std::vector<DWORD> Shown() {
    UpdateWindow(TL->Handle());
    int w = 0, h = 0;
    return WindowPixels(TL->Handle(), w, h);
  }
};

TEST_F(LockFixture, RowsAddedWithoutALockRelayOutOnceAndPaintAsALockedFill) {
  TL->Clear();
  Pump(20);
  Layouts = 0;
  AddRows(40);
  EXPECT_EQ(Layouts, 0);  // seven changes a row, no relayout yet
  EXPECT_TRUE(TL->IsLayoutPending());
  std::vector<DWORD> unlocked = Shown();
  const Integer unlockedLayouts = Layouts;
  EXPECT_GE(Layouts, 1);
  EXPECT_FALSE(TL->IsLayoutPending());
  EXPECT_EQ(VI()->NodeViewData(Row(3))->Node(), Row(3));

  // The same rows filled inside a lock: as many relayouts, the same pixels.
  TL->Clear();
  Pump(20);
  Layouts = 0;
  {
    TvxTreeListUpdateScope lock(TL);
    AddRows(40);
  }
  EXPECT_EQ(Shown(), unlocked);
  EXPECT_EQ(Layouts, unlockedLayouts);

  // A reader of the view's geometry gets the rows as they are now.
  AddRows(2);
  const Integer y = VI()->NodeViewData(Row(1))->Bounds().top + 2;
  AddRows(1);
  EXPECT_EQ(HitAt(250, y)->HitNode, Row(1));
  EXPECT_EQ(TL->AbsoluteCount(), 43);
}

// Once shown, a list left alone stays still: no relayout and no repaint keeps coming back
// on its own, with the focus in it or not.
TEST_F(LockFixture, AnIdleListNeitherRelaysOutNorRepaints) {
  AddRows(60);
  Shown();
  for (bool focused : {false, true}) {
    SCOPED_TRACE(focused);
    if (focused) {
      TL->SetFocus();
      TL->SetFocusedNode(Row(5));
    }
    Pump(100);
    Layouts = 0;
    Pump(300);
    EXPECT_EQ(Layouts, 0);
    EXPECT_FALSE(GetUpdateRect(TL->Handle(), nullptr, FALSE));
  }
}

TEST_F(LockFixture, OneLockWhateverThePointersType) {
  TvxEditingControl* base = TL;
  base->BeginUpdate();
  EXPECT_TRUE(TL->IsUpdating());
  EXPECT_EQ(TL->LockCount(), base->LockUpdate());
  Layouts = 0;
  TL->OptionsView()->SetIndicator(true);
  EXPECT_EQ(Layouts, 0);
  base->EndUpdate();
  EXPECT_FALSE(TL->IsUpdating());
  EXPECT_EQ(Layouts, 1);

  TL->BeginUpdate();
  EXPECT_EQ(base->LockUpdate(), 1);
  base->LayoutChanged();  // waits for the lock
  EXPECT_EQ(Layouts, 1);
  base->CancelUpdate();
  EXPECT_EQ(TL->LockCount(), 0);
  EXPECT_EQ(Layouts, 1);
}

TEST_F(LockFixture, AFocusHandlerRaisingAtTheEndOfALookAndFeelChangeReachesTheCaller) {
  Fill(5);
  TL->OnFocusedNodeChanged = [](TObject*, Node*, Node*) { throw std::runtime_error("handler"); };
  TL->SetFocusedNode(Row(2));  // announced when a lock is next released
  EXPECT_THROW(TL->LookAndFeel()->SetKind(lfUltraFlat), std::runtime_error);
  EXPECT_FALSE(TL->IsUpdating());
  EXPECT_EQ(TL->FocusedNode(), Row(2));
  // The control goes on working.
  TL->OnFocusedNodeChanged = nullptr;
  Layouts = 0;
  TL->LayoutChanged();
  EXPECT_EQ(Layouts, 1);
}

}  // namespace

}  // namespace ZS_UNITY_ID
