// The tree list at sizes a user reaches: a chain of nested nodes as deep as a list is long
// is expanded, collapsed, sorted and freed without running out of stack, with deletion
// announced in the same order as for a shallow tree; the selection stays in order and
// consistent while nodes leave it in any order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

using Node = TvxTreeListNode;

// A chain: each node the only child of the one before.
Node* Chain(TvxTreeList& tl, Integer ADepth) {
  TvxTreeListUpdateScope lock(&tl);
  Node* top = tl.Add();
  Node* n = top;
  for (Integer i = 1; i < ADepth; ++i) n = tl.AddChild(n);
  return top;
}

TEST(TreeListDeepChain, ExpandsCollapsesSortsAndFreesWithoutRecursion) {
  // Deep enough to overflow the stack of a walk that recurses per level.
  const Integer depth = 200000;
  TvxTreeList tl;
  tl.CreateColumn();
  Node* top = Chain(tl, depth);
  top->Expand(true);
  EXPECT_EQ(tl.AbsoluteVisibleCount(), depth);
  top->CustomSort([](Node*, Node*) { return 0; }, true);
  top->Collapse(true);
  EXPECT_EQ(tl.AbsoluteVisibleCount(), 1);
  Integer deletions = 0;
  tl.OnDeletion = [&](TObject*, Node*) { ++deletions; };
  tl.Clear();
  EXPECT_EQ(deletions, depth);
  EXPECT_EQ(tl.AbsoluteCount(), 0);
  EXPECT_EQ(tl.DataController()->NodesCount(), 0);

  // Freed with the list itself.
  auto* owned = new TvxTreeList(nullptr);
  owned->CreateColumn();
  Chain(*owned, depth);
  delete owned;
}

TEST(TreeListDeepChain, DeletionIsAnnouncedParentFirstAndRemovedChildFirst) {
  TvxTreeList tl;
  tl.CreateColumn();
  Node* a = tl.Add();
  Node* a1 = tl.AddChild(a);
  Node* a11 = tl.AddChild(a1);
  Node* a2 = tl.AddChild(a);
  tl.Add();
  const std::vector<Node*> names = {a, a1, a11, a2};
  auto name = [&](Node* n) {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == n) return std::wstring(1, L'0' + static_cast<wchar_t>(i));
    return std::wstring(L"?");
  };
  std::wstring order;
  tl.OnDeletion = [&](TObject*, Node* n) {
    order += name(n);
    // The handler still sees the node's subtree.
    if (n == a) {
      EXPECT_EQ(a->Count(), 2);
    }
  };
  a->Delete();
  EXPECT_EQ(order, L"0123");
  EXPECT_EQ(tl.AbsoluteCount(), 1);
  EXPECT_EQ(tl.DataController()->NodesCount(), 1);
}

TEST(TreeListSelection, StaysInOrderAndConsistentWhileNodesLeaveIt) {
  TvxTreeList tl;
  tl.CreateColumn();
  tl.OptionsSelection()->MultiSelect = true;
  std::vector<Node*> nodes;
  {
    TvxTreeListUpdateScope lock(&tl);
    for (Integer i = 0; i < 300; ++i) nodes.push_back(tl.Add());
  }
  tl.SelectAll();
  EXPECT_EQ(tl.SelectionCount(), 300);
  // Deselect every other node, then delete every third of the rest: the list closes up
  // its emptied slots on the way.
  for (Integer i = 0; i < 300; i += 2) nodes[i]->SetSelected(false);
  for (Integer i = 1; i < 300; i += 6) nodes[i]->Delete();
  std::vector<Node*> expected;
  for (Integer i = 1; i < 300; i += 2)
    if ((i - 1) % 6 != 0) expected.push_back(nodes[i]);
  std::vector<Node*> got;
  tl.GetSelections(got);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(tl.SelectionCount(), static_cast<Integer>(expected.size()));
  for (Integer i = 0; i < 300; i += 2) EXPECT_FALSE(nodes[i]->Selected());
  EXPECT_TRUE(expected.front()->Selected());
  // Selecting again appends at the end; selecting twice changes nothing.
  nodes[0]->SetSelected(true);
  nodes[0]->SetSelected(true);
  tl.GetSelections(got);
  EXPECT_EQ(got.back(), nodes[0]);
  EXPECT_EQ(tl.SelectionCount(), static_cast<Integer>(expected.size()) + 1);
  tl.ClearSelection();
  EXPECT_EQ(tl.SelectionCount(), 0);
  EXPECT_FALSE(nodes[0]->Selected());
}

}  // namespace

}  // namespace ZS_UNITY_ID
