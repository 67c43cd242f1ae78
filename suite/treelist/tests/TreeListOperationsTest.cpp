#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

using Node = TvxTreeListNode;

Variant Str(const std::wstring& s) { return Variant(String(s)); }

// A tree list like the main window's: six string columns, focus events logged.
struct OperationsFixture : ::testing::Test {
  TvxTreeList tl;
  std::vector<std::pair<Node*, Node*>> focusEvents;
  Integer layouts = 0;
  void SetUp() override {
    for (Integer i = 0; i < 6; ++i) tl.CreateColumn();
    tl.OnFocusedNodeChanged = [this](TObject*, Node* prev, Node* cur) { focusEvents.emplace_back(prev, cur); };
    tl.OnLayoutChanged = [this](TObject*) { ++layouts; };
  }
  Node* AddRow(Integer i) {
    Node* n = tl.Add(nullptr, reinterpret_cast<Pointer>(static_cast<NativeInt>(i + 1)));
    for (Integer c = 0; c < 6; ++c) n->SetValues(c, Str(L"r" + std::to_wstring(i) + L"c" + std::to_wstring(c)));
    return n;
  }
};

TEST_F(OperationsFixture, ClearAndAddManyRowsWithFocusAtBatchEnd) {
  for (Integer round = 0; round < 2; ++round) {
    tl.Clear();
    for (Integer i = 0; i < 200; ++i) AddRow(i);
    EXPECT_EQ(tl.AbsoluteCount(), 200);
    EXPECT_EQ(tl.AbsoluteVisibleCount(), 200);
    EXPECT_EQ(VarToStr(tl.AbsoluteItems(137)->Values(5)), L"r137c5");
    EXPECT_EQ(tl.AbsoluteItems(137)->Data(), reinterpret_cast<Pointer>(138));
    Node* n = tl.AbsoluteItems(10);
    tl.SetFocusedNode(n);
    EXPECT_TRUE(focusEvents.empty());  // not inside the focusing call
    tl.LayoutChanged();
    ASSERT_EQ(focusEvents.size(), 1u);
    EXPECT_EQ(focusEvents[0], std::make_pair(static_cast<Node*>(nullptr), n));
    EXPECT_EQ(tl.Columns(3)->Value(), Str(L"r10c3"));
    focusEvents.clear();
  }
  // Clear with a focused node: no node focused afterwards, no event for it.
  tl.Clear();
  EXPECT_EQ(tl.FocusedNode(), nullptr);
  EXPECT_TRUE(focusEvents.empty());
  EXPECT_EQ(tl.AbsoluteCount(), 0);
  // The next node added at the old index is not focused by itself.
  for (Integer i = 0; i < 20; ++i) AddRow(i);
  EXPECT_EQ(tl.FocusedNode(), nullptr);
  EXPECT_TRUE(focusEvents.empty());
  // Clear on an empty tree fires nothing.
  tl.Clear();
  tl.Clear();
  EXPECT_TRUE(focusEvents.empty());
}

TEST_F(OperationsFixture, SeveralFocusChangesInOneLockFireOnce) {
  Node* a = AddRow(0);
  Node* b = AddRow(1);
  Node* c = AddRow(2);
  tl.SetFocusedNode(a);
  tl.LayoutChanged();
  focusEvents.clear();
  {
    TvxTreeListUpdateScope lock(&tl);
    tl.SetFocusedNode(b);
    tl.SetFocusedNode(c);
    EXPECT_TRUE(focusEvents.empty());
  }
  ASSERT_EQ(focusEvents.size(), 1u);
  EXPECT_EQ(focusEvents[0], std::make_pair(b, c));
  // Refocusing the focused node is no change.
  focusEvents.clear();
  tl.SetFocusedNode(c);
  tl.LayoutChanged();
  EXPECT_TRUE(focusEvents.empty());
  // A vetoing OnCanFocusNode keeps the focus.
  tl.OnCanFocusNode = [&](TObject*, Node* n, bool& Allow) { Allow = n != a; };
  tl.SetFocusedNode(a);
  EXPECT_EQ(tl.FocusedNode(), c);
  // Deleting the focused node focuses the node now shown at its place, quietly.
  tl.OnCanFocusNode = nullptr;
  tl.SetFocusedNode(b);
  tl.LayoutChanged();
  focusEvents.clear();
  b->Delete();
  EXPECT_EQ(tl.FocusedNode(), c);
  EXPECT_EQ(focusEvents.size(), 0u);  // the previous node was the deleted one
  // Reading a node list processes pending changes, so the event comes there.
  tl.BeginUpdate();
  tl.SetFocusedNode(a);
  EXPECT_EQ(tl.AbsoluteCount(), 2);
  EXPECT_EQ(focusEvents.size(), 1u);
  tl.EndUpdate();
}

TEST_F(OperationsFixture, AFailingHandlerDoesNotLeaveTheControlLocked) {
  Node* a = AddRow(0);
  Node* b = AddRow(1);
  bool fail = true;
  tl.OnFocusedNodeChanged = [&](TObject*, Node* prev, Node* cur) {
    if (fail) throw std::runtime_error("handler failed");
    focusEvents.emplace_back(prev, cur);
  };
  tl.SetFocusedNode(a);
  EXPECT_THROW(tl.LayoutChanged(), std::runtime_error);
  EXPECT_FALSE(tl.IsLocked());
  EXPECT_EQ(tl.LockCount(), 0);
  EXPECT_TRUE(tl.Changes().Empty());
  // Inside an update scope the exception comes out of the scope's end, and again the
  // control is left unlocked.
  tl.SetFocusedNode(b);
  EXPECT_THROW({ TvxTreeListUpdateScope lock(&tl); }, std::runtime_error);
  EXPECT_EQ(tl.LockCount(), 0);
  // The control keeps working: changes are processed and announced again.
  fail = false;
  tl.SetFocusedNode(a);
  Node* c = AddRow(2);
  EXPECT_EQ(tl.AbsoluteCount(), 3);
  ASSERT_EQ(focusEvents.size(), 1u);
  EXPECT_EQ(focusEvents[0], std::make_pair(b, a));
  EXPECT_EQ(c->VisibleIndex(), 2);
}

TEST_F(OperationsFixture, DeletingAllNodesTakesNodesAddedInsideAnOpenLock) {
  AddRow(0);
  AddRow(1);
  {
    TvxTreeListUpdateScope lock(&tl);
    Node* late = AddRow(2);
    late->AddChild();
    tl.DeleteAllNodes();
    EXPECT_EQ(tl.Root()->Count(), 0);
  }
  EXPECT_EQ(tl.AbsoluteCount(), 0);
  EXPECT_EQ(tl.DataController()->NodesCount(), 0);
  EXPECT_EQ(tl.DataController()->AllocatedRecords(), 0);
}

TEST_F(OperationsFixture, HidingANodeInsideALockRebuildsTheShownList) {
  Node* a = AddRow(0);
  AddRow(1);
  ASSERT_EQ(tl.AbsoluteVisibleCount(), 2);
  {
    TvxTreeListUpdateScope lock(&tl);
    // A change without a column: the shown list must still be rebuilt at the release.
    a->SetVisible(false);
  }
  EXPECT_EQ(tl.VisibleCount(), 1);
  EXPECT_EQ(a->VisibleIndex(), -1);
  // Value changes inside a lock relayout once, at the release.
  layouts = 0;
  {
    TvxTreeListUpdateScope lock(&tl);
    for (Integer i = 0; i < 10; ++i) AddRow(10 + i);
  }
  EXPECT_EQ(layouts, 1);
  // Without a lock every added row relayouts.
  layouts = 0;
  AddRow(30);
  EXPECT_GE(layouts, 1);
}

TEST_F(OperationsFixture, AddFamilyAndInsertRelativeToTheRoot) {
  Node* a = tl.Add();
  Node* a1 = tl.AddChild(a);
  Node* a0 = tl.AddChildFirst(a);
  Node* b = tl.Add(a1);  // sibling a1: last child of a
  EXPECT_EQ(b->Parent(), a);
  EXPECT_EQ(a->GetLastChild(), b);
  EXPECT_EQ(a->getFirstChild(), a0);
  Node* first = tl.AddFirst();
  EXPECT_EQ(tl.Root()->getFirstChild(), first);
  Node* appended = tl.Insert(nullptr);
  EXPECT_EQ(tl.Root()->GetLastChild(), appended);
  EXPECT_EQ(appended->OriginalIndex(), tl.Root()->Count());
  // Inserting relative to the root itself appends to the root instead of failing.
  Node* atRoot = tl.Insert(tl.Root());
  EXPECT_EQ(atRoot->Parent(), tl.Root());
  EXPECT_EQ(tl.Root()->GetLastChild(), atRoot);
  Node* before = tl.Insert(a1);
  EXPECT_EQ(before->getNextSibling(), a1);
  // InsertEx moves a given node.
  tl.InsertEx(atRoot, a0);
  EXPECT_EQ(atRoot->Parent(), a);
  EXPECT_EQ(atRoot->getNextSibling(), a0);
  EXPECT_EQ(tl.InsertEx(a, a1), a);  // never into its own subtree
  EXPECT_EQ(a->Parent(), tl.Root());
}

TEST_F(OperationsFixture, PublicPropertiesAndGuards) {
  tl.SetDefaultRowHeight(-5);
  EXPECT_EQ(tl.DefaultRowHeight(), 0);
  TvxTreeListColumn* hidden = tl.Columns(2);
  hidden->SetVisible(false);
  tl.SetFocusedColumn(tl.Columns(1));
  tl.SetFocusedColumn(hidden);
  EXPECT_EQ(tl.FocusedColumn(), tl.Columns(1));
  EXPECT_EQ(tl.Columns(0)->Name(), L"Column");  // no owner form: from the class name
  EXPECT_THROW(tl.AbsoluteItems(0), EListError);
  EXPECT_THROW(tl.AbsoluteVisibleItems(-1), EListError);
  tl.Columns(4)->SetName(L"AccessColumn");
  EXPECT_EQ(tl.ColumnByName(L"accesscolumn"), tl.Columns(4));
  EXPECT_EQ(tl.ColumnByName(L"none"), nullptr);
  EXPECT_EQ(tl.SelectionCount(), 0);
  tl.SetFocusedNode(AddRow(0));
  EXPECT_EQ(tl.SelectionCount(), 1);
  // Reading AbsoluteCount inside a lock gives the new count.
  tl.BeginUpdate();
  AddRow(1);
  EXPECT_EQ(tl.AbsoluteCount(), 2);
  tl.EndUpdate();
  tl.DeleteAllColumns();
  EXPECT_EQ(tl.ColumnCount(), 0);
  EXPECT_EQ(tl.FocusedColumn(), nullptr);
}

TEST(TreeListViewOptions, DefaultsClampsAndRestore) {
  TvxCustomTreeList tl;
  TvxTreeListOptionsView* v = tl.OptionsView();
  EXPECT_FALSE(v->ColumnAutoWidth());
  EXPECT_TRUE(v->Headers() && v->ShowRoot() && v->Buttons() && v->FocusRect());
  EXPECT_EQ(v->IndicatorWidth(), 12);
  EXPECT_EQ(v->FixedSeparatorWidth(), 2);
  EXPECT_EQ(v->DropArrowColor, static_cast<TColor>(0x00FF00));
  EXPECT_EQ(v->GridLineColor(), clDefault);
  EXPECT_EQ(v->TreeLineStyle(), tllsDot);
  Integer layouts = 0;
  tl.OnLayoutChanged = [&](TObject*) { ++layouts; };
  v->SetIndicatorWidth(-5);
  EXPECT_EQ(v->IndicatorWidth(), 12);
  v->SetIndicatorWidth(20);  // stored, no relayout while the indicator is off
  EXPECT_EQ(v->IndicatorWidth(), 20);
  EXPECT_EQ(layouts, 0);
  v->SetIndicator(true);
  EXPECT_EQ(layouts, 1);
  v->SetBandLineHeight(-1);
  v->SetFixedSeparatorWidth(-1);
  EXPECT_EQ(v->BandLineHeight(), 0);
  EXPECT_EQ(v->FixedSeparatorWidth(), 2);
  v->SetGridLineColor(clRed);  // no grid lines: no relayout
  EXPECT_EQ(layouts, 1);
  v->SetGridLines(tlglBoth);
  EXPECT_TRUE(v->HorzGridLines() && v->VertGridLines());
  TvxTreeListPreview* p = tl.Preview();
  p->SetMaxLineCount(-1);
  EXPECT_EQ(p->MaxLineCount(), 0);
  p->SetLeftIndent(-4);
  EXPECT_EQ(p->LeftIndent(), 0);
  p->SetRightIndent(0);
  EXPECT_EQ(p->RightIndent(), 0);
  // RestoreDefaults keeps the categorized column, the drop-node indicator and FocusRect.
  v->DropNodeIndicator = true;
  v->SetFocusRect(false);
  v->SetShowRoot(false);
  v->RestoreDefaults();
  EXPECT_TRUE(v->DropNodeIndicator);
  EXPECT_FALSE(v->FocusRect());
  EXPECT_TRUE(v->ShowRoot());
  EXPECT_EQ(v->IndicatorWidth(), 12);
  EXPECT_EQ(v->GridLines(), tlglNone);
}

TEST(TreeListViewOptions, PreviewActivityAndColumn) {
  TvxTreeList tl;
  TvxTreeListColumn* a = tl.CreateColumn();
  TvxTreeListColumn* b = tl.CreateColumn();
  TvxTreeListPreview* p = tl.Preview();
  tl.LayoutChanged();
  EXPECT_FALSE(p->Active());
  p->SetVisible(true);
  b->SetIsPreview(true);
  EXPECT_EQ(p->Column(), b);
  EXPECT_TRUE(p->Active());
  tl.LayoutChanged();
  EXPECT_EQ(tl.VisibleColumnCount(), 1);  // the preview column is not a grid column
  EXPECT_TRUE(b->IsHidden());
  p->SetMaxLineCount(-1);
  p->SetAutoHeight(false);
  EXPECT_FALSE(p->Active());
  EXPECT_EQ(tl.OptionsView()->GetCategorizedColumn(), a);
  // Copying options maps columns by item index.
  TvxTreeList other;
  other.CreateColumn();
  TvxTreeListColumn* ob = other.CreateColumn();
  other.Preview()->Assign(p);
  EXPECT_EQ(other.Preview()->Column(), ob);
  delete b;
  EXPECT_EQ(p->Column(), nullptr);
}

}  // namespace

namespace {

TEST(TreeListSelection, SingleAndMultiSelectAndFocusMoves) {
  TvxTreeList tl;
  tl.CreateColumn();
  TvxTreeListNode* a = tl.Add();
  TvxTreeListNode* a1 = tl.AddChild(a);
  TvxTreeListNode* b = tl.Add();
  std::vector<TvxTreeListNode*> list{a};
  EXPECT_EQ(tl.GetSelections(list), nullptr);  // single select, nothing focused
  EXPECT_TRUE(list.empty());
  try {
    tl.Subselect(a);
    ADD_FAILURE() << "no exception";
  } catch (const EvxTreeList& e) {
    EXPECT_EQ(e.Message(), L"Multi select required");
  }
  tl.SelectAll();
  EXPECT_FALSE(a->Selected());
  // Focus moves over the shown nodes: a1 is hidden while a is collapsed.
  tl.GotoBOF();
  EXPECT_EQ(tl.FocusedNode(), a);
  EXPECT_TRUE(tl.IsBOF());
  tl.GotoNext();
  EXPECT_EQ(tl.FocusedNode(), b);
  EXPECT_TRUE(tl.IsEOF());
  tl.FullExpand();
  EXPECT_FALSE(tl.IsEOF() && tl.IsBOF());
  tl.GotoPrev();
  EXPECT_EQ(tl.FocusedNode(), a1);
  tl.GotoEOF();
  EXPECT_EQ(tl.FocusedNode(), b);
  EXPECT_EQ(tl.TopNode(), a);
  EXPECT_EQ(tl.LastNode(), b);
  EXPECT_EQ(tl.GetSelections(list), b);
  EXPECT_EQ(list, (std::vector<TvxTreeListNode*>{b}));
  tl.FullCollapse();
  EXPECT_EQ(tl.AbsoluteVisibleCount(), 2);
  // Multi select.
  tl.OptionsSelection()->MultiSelect = true;
  Integer changes = 0;
  tl.OnSelectionChanged = [&](TObject*) { ++changes; };
  tl.SelectAll();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(tl.SelectionCount(), 2);
  tl.Subselect(a1);
  EXPECT_EQ(tl.SelectionCount(), 3);
  tl.GetSelections(list);
  EXPECT_EQ(list.size(), 3u);
  a1->Delete();  // a deleted node leaves the selection
  EXPECT_EQ(tl.SelectionCount(), 2);
  tl.ClearSelection();
  EXPECT_EQ(tl.SelectionCount(), 0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
