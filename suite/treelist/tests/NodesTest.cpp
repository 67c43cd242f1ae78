#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

using Node = TvxTreeListNode;

// The root's record slot (the undo copy), reached through a member pointer.
struct SlotAccess : TvxTreeListNode {
  static Pointer TvxTreeListNode::*Slot() { return &SlotAccess::FHandle; }
};
Pointer& UndoCopy(TvxCustomTreeList& tl) { return tl.Root()->*SlotAccess::Slot(); }

// A tree list with two string columns: A(A1, A2, A3), B(B1(B11)), C.
struct TreeFixture : ::testing::Test {
  TvxCustomTreeList tl;
  Node *a, *a1, *a2, *a3, *b, *b1, *b11, *c;
  std::vector<std::wstring> log;

  void SetUp() override {
    tl.DataController()->AddItem(TvxStringValueType::Class());
    tl.DataController()->AddItem(TvxStringValueType::Class());
    a = tl.Add(nullptr);
    a1 = a->AddChild();
    a2 = a->AddChild();
    a3 = a->AddChild();
    b = tl.Add(nullptr);
    b1 = b->AddChild();
    b11 = b1->AddChild();
    c = tl.Add(nullptr);
    for (auto [n, name] : {std::pair{a, L"A"}, {a1, L"A1"}, {a2, L"A2"}, {a3, L"A3"}, {b, L"B"}, {b1, L"B1"},
                           {b11, L"B11"}, {c, L"C"}})
      n->SetValues(0, Variant(String(name)));
  }
  static std::wstring Name(Node* n) { return n ? std::wstring(VarToStr(n->Values(0))) : L"nil"; }
  std::wstring Children(Node* p) {
    std::wstring r;
    for (Node* n = p->getFirstChild(); n; n = n->getNextSibling()) r += (r.empty() ? L"" : L",") + Name(n);
    return r;
  }
};

TEST_F(TreeFixture, NewNodeIsCollapsedChildlessAndReadsNull) {
  Node* n = tl.Add(nullptr);
  EXPECT_FALSE(n->Expanded());
  EXPECT_FALSE(n->HasChildren());
  EXPECT_TRUE(VarIsNull(n->Values(0)));
  EXPECT_TRUE(VarIsNull(n->Values(1)));
  EXPECT_EQ(n->Handle(), nullptr);
  EXPECT_EQ(n->ImageIndexes(tlitImageIndex), 0);
  EXPECT_EQ(n->ImageIndexes(tlitSelectedIndex), 0);
  EXPECT_EQ(n->ImageIndexes(tlitStateIndex), -1);
  EXPECT_EQ(tl.DataController()->NodesCount(), 9);
  EXPECT_EQ(tl.DataController()->AllocatedRecords(), 8);  // the new node has none
}

TEST_F(TreeFixture, LinkingIndexingAndCounting) {
  Node* first = a->AddChildFirst();
  first->SetValues(0, Variant(String(L"A0")));
  Node* mid = a->InsertChild(a2);  // inserted before A2, wherever A2 is
  mid->SetValues(0, Variant(String(L"Ax")));
  Node* top = a->InsertChild(nullptr);  // nil appends to the root, not to A
  top->SetValues(0, Variant(String(L"T")));
  EXPECT_EQ(Children(a), L"A0,A1,Ax,A2,A3");
  EXPECT_EQ(Children(tl.Root()), L"A,B,C,T");
  EXPECT_EQ(a->Count(), 5);
  Integer i = 0;
  for (Node* n = a->getFirstChild(); n; n = n->getNextSibling()) EXPECT_EQ(n->Index(), i++) << Name(n);
  EXPECT_EQ(a->IndexOf(a2), 3);
  EXPECT_EQ(b->IndexOf(a2), -1);
  struct Case {
    Node* n;
    Integer level;
    Node* root;
  } cases[] = {{a, 0, tl.Root()}, {b11, 2, tl.Root()}, {tl.Root(), -1, tl.Root()}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.n->Level(), c.level) << Name(c.n);
    EXPECT_EQ(c.n->Root(), c.root);
  }
  EXPECT_TRUE(b11->HasAsParent(b));
  EXPECT_FALSE(b->HasAsParent(b11));
  EXPECT_TRUE(a1->IsSibling(a3));
  EXPECT_FALSE(a1->IsSibling(b1));
  EXPECT_TRUE(a1->IsFirst() == false && first->IsFirst() && a3->IsLast());
}

TEST_F(TreeFixture, PreOrderWalkAndAbsoluteIndexes) {
  std::wstring fwd, back;
  for (Node* n = tl.Root()->getFirstChild(); n; n = n->GetNext()) fwd += Name(n) + L" ";
  for (Node* n = c; n; n = n->GetPrev()) back += Name(n) + L" ";
  EXPECT_EQ(fwd, L"A A1 A2 A3 B B1 B11 C ");
  EXPECT_EQ(back, L"C B11 B1 B A3 A2 A1 A ");
  EXPECT_EQ(tl.AbsoluteCount(), 8);
  EXPECT_EQ(b11->AbsoluteIndex(), 6);
  // All collapsed: only the top level is visible.
  EXPECT_EQ(tl.VisibleCount(), 3);
  EXPECT_EQ(Name(a->GetNextVisible()), L"B");
  EXPECT_EQ(b11->VisibleIndex(), -1);
}

TEST_F(TreeFixture, UnlinkingTheLastChildCollapsesTheParent) {
  b->Expand(true);
  ASSERT_TRUE(b1->Expanded());
  b11->Delete();
  EXPECT_FALSE(b1->State.Contains(nsHasChildren));
  EXPECT_TRUE(b1->State.Contains(nsCollapsed));
  EXPECT_EQ(b1->Count(), 0);
  a2->MoveTo(b1, tlamAddChild);
  EXPECT_EQ(Children(a), L"A1,A3");
  EXPECT_EQ(Children(b1), L"A2");
  EXPECT_FALSE(b->CanMove(b11 = b1, tlamAddChild));  // into its own subtree
  EXPECT_FALSE(b->CanMove(b, tlamInsert));
  EXPECT_TRUE(b->CanMove(c, tlamInsert));
}

TEST_F(TreeFixture, Expanding) {
  std::vector<std::wstring> events;
  tl.OnExpanded = [&](TObject*, Node* n) { events.push_back(L"+" + Name(n)); };
  tl.OnCollapsed = [&](TObject*, Node* n) { events.push_back(L"-" + Name(n)); };
  c->SetExpanded(true);  // no children: Allow starts False
  EXPECT_FALSE(c->Expanded());
  b->Expand(true);
  EXPECT_TRUE(b->Expanded() && b1->Expanded());
  EXPECT_EQ(tl.VisibleCount(), 5);
  EXPECT_TRUE(b11->IsVisible());
  b->Collapse(false);
  EXPECT_FALSE(b11->IsVisible());
  EXPECT_TRUE(b1->Expanded());  // not recursive
  tl.OnExpanding = [](TObject*, Node*, bool& Allow) { Allow = false; };
  a->SetExpanded(true);
  EXPECT_FALSE(a->Expanded());
  tl.OnExpanding = nullptr;
  b11->MakeVisible();
  EXPECT_TRUE(b->Expanded());
  EXPECT_EQ(events, (std::vector<std::wstring>{L"+B", L"+B1", L"-B", L"+B"}));
  EXPECT_TRUE(tl.Root()->Expanded());  // the root with children always is
}

TEST_F(TreeFixture, CheckGroups) {
  tl.OptionsView()->SetCheckGroups(true);
  a->SetCheckGroupType(ncgCheckGroup);
  EXPECT_TRUE(a1->HasCheckbox());
  EXPECT_FALSE(b1->HasCheckbox());
  struct Step {
    Node* n;
    TvxCheckBoxState s;
    TvxCheckBoxState parent;
  } steps[] = {{a1, cbsChecked, cbsGrayed},
               {a2, cbsChecked, cbsGrayed},
               {a3, cbsChecked, cbsChecked},
               {a1, cbsUnchecked, cbsGrayed},
               {a2, cbsUnchecked, cbsGrayed},
               {a3, cbsUnchecked, cbsUnchecked}};
  for (const Step& s : steps) {
    s.n->SetCheckState(s.s);
    EXPECT_EQ(a->CheckState(), s.parent) << Name(s.n) << " " << s.s;
  }
  // Downward: checking the parent checks every child.
  a->SetChecked(true);
  EXPECT_TRUE(a1->Checked() && a2->Checked() && a3->Checked());
  // CheckClick without and with AllowGrayed.
  a1->CheckClick();
  EXPECT_EQ(a1->CheckState(), cbsUnchecked);
  a1->CheckClick();
  a1->SetAllowGrayed(true);
  a1->CheckClick();
  EXPECT_EQ(a1->CheckState(), cbsGrayed);
  a1->CheckClick();
  EXPECT_EQ(a1->CheckState(), cbsUnchecked);
}

TEST_F(TreeFixture, RadioGroupUnchecksSiblings) {
  tl.OptionsView()->SetCheckGroups(true);
  a->SetCheckGroupType(ncgRadioGroup);
  std::vector<std::pair<std::wstring, TvxCheckBoxState>> fired;
  tl.OnNodeCheckChanged = [&](TObject*, Node* n, TvxCheckBoxState s) { fired.emplace_back(Name(n), s); };
  a1->SetChecked(true);
  a2->CheckClick();
  EXPECT_FALSE(a1->Checked());
  EXPECT_TRUE(a2->Checked());
  EXPECT_EQ(a->CheckState(), cbsChecked);
  a2->CheckClick();  // a checked radio item stays checked
  EXPECT_TRUE(a2->Checked());
  EXPECT_FALSE(a2->AllowGrayed());
  // The parent's change is announced too, with its new state.
  EXPECT_NE(std::find(fired.begin(), fired.end(), std::pair<std::wstring, TvxCheckBoxState>{L"A", cbsChecked}),
            fired.end());
  tl.OnNodeCheckChanged = nullptr;
}

TEST_F(TreeFixture, DeletingFiresBeforeChildrenGo) {
  std::vector<std::wstring> order;
  tl.OnDeletion = [&](TObject*, Node* n) { order.push_back(Name(n) + L":" + std::to_wstring(n->Count())); };
  b->Delete();
  EXPECT_EQ(order, (std::vector<std::wstring>{L"B:1", L"B1:1", L"B11:0"}));
  EXPECT_EQ(Children(tl.Root()), L"A,C");
  EXPECT_EQ(tl.DataController()->NodesCount(), 5);
  EXPECT_EQ(tl.DataController()->AllocatedRecords(), 5);
  EXPECT_EQ(tl.AbsoluteCount(), 5);
  a->DeleteChildren();
  EXPECT_EQ(a->Count(), 0);
  EXPECT_FALSE(a->HasChildren());
  tl.Clear();
  EXPECT_EQ(tl.DataController()->AllocatedRecords(), 0);
  EXPECT_EQ(tl.DataController()->NodesCount(), 0);
  tl.OnDeletion = nullptr;
}

TEST_F(TreeFixture, ValuesPerNodeAndColumn) {
  b->SetValues(1, Variant(Integer(7)));
  EXPECT_EQ(VarToStr(b->Values(1)), L"7");
  EXPECT_TRUE(VarIsNull(a->Values(1)));
  tl.Root()->SetValues(0, Variant(String(L"x")));  // ignored: the root has no record
  EXPECT_TRUE(VarIsNull(tl.Root()->Values(0)));
  // A new column gives every node a Null; old values keep their columns.
  Integer col = tl.DataController()->AddItem(TvxIntegerValueType::Class());
  EXPECT_EQ(col, 2);
  EXPECT_EQ(b->ValueCount(), 3);
  EXPECT_TRUE(VarIsNull(b->Values(2)));
  EXPECT_EQ(Name(b), L"B");
  EXPECT_EQ(VarToStr(b->Values(1)), L"7");
  b->SetValues(2, Variant(Integer(3)));
  tl.DataController()->RemoveItem(0);
  EXPECT_EQ(VarToStr(b->Values(0)), L"7");
  EXPECT_EQ(VarToStr(b->Values(1)), L"3");
  tl.DataController()->RemoveItem(0);
  tl.DataController()->RemoveItem(0);  // the only column: every record is freed
  EXPECT_EQ(tl.DataController()->AllocatedRecords(), 0);
  EXPECT_THROW(tl.DataController()->GetDisplayText(0, 0), EvxTreeList);
}

TEST_F(TreeFixture, ValuesByRecordIndexAndFocus) {
  EXPECT_TRUE(VarIsNull(tl.DataController()->GetValue(-1, 0)));
  b->SetFocused(true);
  EXPECT_EQ(VarToStr(tl.DataController()->GetValue(-1, 0)), L"B");
  EXPECT_EQ(VarToStr(tl.DataController()->GetValue(6, 0)), L"B11");
}

TEST_F(TreeFixture, SortingByColumnsKeepsAttachOrderOnTies) {
  TvxTreeListDataController* dc = tl.DataController();
  a1->SetValues(1, Variant(String(L"b")));
  a2->SetValues(1, Variant(String(L"a")));
  a3->SetValues(1, Variant(String(L"b")));
  tl.SortColumns = {{1, false}};
  a->AlphaSort(false);
  EXPECT_EQ(Children(a), L"A2,A1,A3");
  tl.SortColumns = {{1, true}};
  a->AlphaSort(false);
  EXPECT_EQ(Children(a), L"A1,A3,A2");
  EXPECT_EQ(dc->CompareNodesByColumns(a1, a1, tl.SortColumns), 1);
  EXPECT_EQ(a1->Index(), 0);
  struct Case {
    bool ansi, ci;
    const wchar_t *x, *y;
    bool equal;
  } cases[] = {{false, true, L"abc", L"ABC", true},
               {true, true, L"abc", L"ABC", true},
               {true, false, L"abc", L"ABC", false},
               {false, false, L"abc", L"ABC", false}};
  for (const Case& c : cases) {
    dc->AnsiSort = c.ansi;
    dc->CaseInsensitive = c.ci;
    EXPECT_EQ(dc->CompareStrings(Variant(String(c.x)), Variant(String(c.y))) == 0, c.equal) << c.ansi << c.ci;
  }
}

TEST_F(TreeFixture, EditCancelRestoresAndPostKeeps) {
  TvxTreeListDataController* dc = tl.DataController();
  b->SetFocused(true);
  dc->Edit();
  EXPECT_TRUE(b->IsEditing());
  EXPECT_TRUE(dc->HasEditData());
  b->SetValues(0, Variant(String(L"X")));
  b->SetValues(1, Variant(String(L"Y")));
  dc->Cancel();
  EXPECT_EQ(Name(b), L"B");
  EXPECT_TRUE(VarIsNull(b->Values(1)));
  EXPECT_FALSE(dc->HasEditData());
  EXPECT_EQ(dc->EditingNode(), nullptr);
  dc->Edit();
  b->SetValues(0, Variant(String(L"Z")));
  dc->Post();
  EXPECT_EQ(Name(b), L"Z");
  EXPECT_FALSE(dc->HasEditData());
  EXPECT_EQ(dc->AllocatedRecords(), 8);
}

TEST_F(TreeFixture, FocusLeavingAnUnpostedInsertedNodeDiscardsIt) {
  TvxTreeListDataController* dc = tl.DataController();
  Node* n = tl.Add(nullptr);
  n->State.Include(nsInserting);
  n->SetFocused(true);
  dc->Edit();
  dc->FreeRecord(UndoCopy(tl));  // no undo copy left
  ASSERT_FALSE(dc->HasEditData());
  std::vector<std::wstring> deleted;
  tl.OnDeletion = [&](TObject*, Node* d) { deleted.push_back(Name(d)); };
  c->SetFocused(true);
  EXPECT_EQ(deleted.size(), 1u);
  EXPECT_EQ(Children(tl.Root()), L"A,B,C");
  tl.OnDeletion = nullptr;
}

// A node that is at once being edited and newly inserted is freed exactly once when it is
// deleted, and the edit it carried closes cleanly.
TEST_F(TreeFixture, DeletingTheEditedInsertedNodeFreesItOnce) {
  TvxTreeListDataController* dc = tl.DataController();
  for (bool withUndoCopy : {true, false}) {
    Node* n = tl.Add(nullptr);
    n->State.Include(nsInserting);
    n->SetFocused(true);
    dc->Edit();
    n->SetValues(0, Variant(String(L"new")));
    if (!withUndoCopy) dc->FreeRecord(UndoCopy(tl));
    Integer deletions = 0;
    tl.OnDeletion = [&](TObject*, Node*) { ++deletions; };
    n->Delete();
    EXPECT_EQ(deletions, 1) << withUndoCopy;
    EXPECT_EQ(dc->EditingNode(), nullptr);
    EXPECT_FALSE(dc->HasEditData());
    EXPECT_EQ(Children(tl.Root()), L"A,B,C");
    EXPECT_EQ(dc->AllocatedRecords(), 8);
    tl.OnDeletion = nullptr;
  }
}

TEST_F(TreeFixture, SearchWalk) {
  auto named = [](const wchar_t* s) {
    return [s](Node* n, Pointer) { return VarToStr(n->Values(0)).starts_with(s); };
  };
  struct Case {
    Node* start;
    bool reject, forward, expandedOnly;
    const wchar_t* prefix;
    const wchar_t* expect;
  } cases[] = {
      {c, true, true, false, L"", L"nil"},          // forward from the last node
      {a, true, false, false, L"", L"nil"},         // backward from the first node
      {a1, true, true, false, L"A", L"A2"},         // reject the matching start
      {a1, false, true, false, L"A", L"A1"},        // accept it
      {nullptr, false, true, false, L"B11", L"B11"},  // inside a collapsed subtree
      {nullptr, false, true, true, L"B11", L"nil"},   // not with expanded-only
      {c, false, false, false, L"A", L"A3"},
  };
  for (const Case& k : cases) {
    Node* r = vxTreeListFindNode(&tl, nullptr, k.start, k.reject, named(k.prefix), k.forward, k.expandedOnly);
    EXPECT_EQ(Name(r), k.expect) << k.prefix;
  }
}

TEST(TreeListRoutines, BordersColorsAndOrders) {
  TRect r{0, 0, 10, 10};
  vxTreeListInsetBorders(r, {bLeft, bTop, bRight, bBottom});
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 1);
  EXPECT_EQ(r.right, 9);
  EXPECT_EQ(r.bottom, 9);
  TRect s{0, 0, 10, 10};
  vxTreeListInsetBorders(s, {bRight});
  EXPECT_EQ(s.right, 9);
  EXPECT_EQ(s.left, 0);
  EXPECT_EQ(vxTreeListResolveColor(clDefault, [] { return TColor(0x123456); }), TColor(0x123456));
  EXPECT_EQ(vxTreeListResolveColor(clRed, [] { return TColor(0x123456); }), clRed);
  std::vector<TvxTreeListVisibleBandKey> bands = {{tlbfNone, 0}, {tlbfRight, 1}, {tlbfLeft, 2}};
  std::sort(bands.begin(), bands.end(), [](auto& x, auto& y) { return vxCompareVisibleBands(x, y) < 0; });
  EXPECT_EQ(bands[0].Index, 2);
  EXPECT_EQ(bands[1].Index, 0);
  EXPECT_EQ(bands[2].Index, 1);
  EXPECT_THROW(vxTreeListError(L"x"), EvxTreeList);
  EXPECT_THROW(vxTreeListCheckError(true, L"%d", {VarRec(Variant(Integer(1)))}), Exception);
  EXPECT_NO_THROW(vxTreeListCheckError(false, L"%d", {VarRec(Variant(Integer(1)))}));
}

}  // namespace

namespace {

// A fresh tree for each case of a table.
struct FreshTree : TreeFixture {
  FreshTree() { SetUp(); }
  void TestBody() override {}
};

// MoveTo: Add and AddFirst take the destination as a sibling, the child modes as the new
// parent, Insert as the node to go before.
TEST(TreeListNodeMoves, EachAttachModePlacesTheNodeWhereItsNameSays) {
  struct Case {
    TvxTreeListNodeAttachMode Mode;
    const wchar_t* B;   // B's children afterwards
    const wchar_t* B1;  // B1's children afterwards
  } cases[] = {
      {tlamAdd, L"B1,A2", L"B11"},          {tlamAddFirst, L"A2,B1", L"B11"}, {tlamAddChild, L"B1", L"B11,A2"},
      {tlamAddChildFirst, L"B1", L"A2,B11"}, {tlamInsert, L"A2,B1", L"B11"},
  };
  for (const Case& c : cases) {
    FreshTree f;
    SCOPED_TRACE(static_cast<int>(c.Mode));
    f.a2->MoveTo(f.b1, c.Mode);
    EXPECT_EQ(f.Children(f.a), L"A1,A3");
    EXPECT_EQ(f.Children(f.b), c.B);
    EXPECT_EQ(f.Children(f.b1), c.B1);
    EXPECT_EQ(f.tl.AbsoluteCount(), 8);
  }
  // Among its own siblings: Add moves the node to the end, AddFirst to the front; into
  // its own subtree nothing happens.
  FreshTree f;
  f.a1->MoveTo(f.a3, tlamAdd);
  EXPECT_EQ(f.Children(f.a), L"A2,A3,A1");
  f.a1->MoveTo(f.a3, tlamAddFirst);
  EXPECT_EQ(f.Children(f.a), L"A1,A2,A3");
  f.b->MoveTo(f.b11, tlamAdd);
  EXPECT_EQ(f.Children(f.b), L"B1");
  EXPECT_EQ(f.Children(f.tl.Root()), L"A,B,C");
}

}  // namespace

}  // namespace ZS_UNITY_ID
