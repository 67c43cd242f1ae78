#include <gtest/gtest.h>

#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

using C = TvxTreeListOptionsCustomizing;

TEST(TreeListOptions, Defaults) {
  TvxCustomTreeList tl;
  TvxTreeListOptionsBehavior* b = tl.OptionsBehavior();
  struct Flag {
    const char* name;
    bool value, expected;
  } flags[] = {
      {"AlwaysShowEditor", b->AlwaysShowEditor(), false}, {"CellHints", b->CellHints(), false},
      {"GoToNextCellOnEnter", b->GoToNextCellOnEnter(), false}, {"GoToNextCellOnTab", b->GoToNextCellOnTab(), false},
      {"ImmediateEditor", b->ImmediateEditor(), true}, {"AutoDragCopy", b->AutoDragCopy, false},
      {"ConfirmDelete", b->ConfirmDelete, true}, {"DragCollapse", b->DragCollapse, true},
      {"DragDropText", b->DragDropText(), false}, {"DragExpand", b->DragExpand, true},
      {"DragFocusing", b->DragFocusing, false}, {"ExpandOnDblClick", b->ExpandOnDblClick, true},
      {"ExpandOnIncSearch", b->ExpandOnIncSearch, false}, {"FocusCellOnCycle", b->FocusCellOnCycle(), false},
      {"FooterHints", b->FooterHints(), false}, {"HeaderHints", b->HeaderHints(), false},
      {"HotTrack", b->HotTrack, false}, {"IncSearch", b->IncSearch(), false},
      {"MultiSort", b->MultiSort, true}, {"ShowHourGlass", b->ShowHourGlass, true},
      {"Sorting", b->Sorting, true},
      {"CancelOnExit", tl.OptionsData()->CancelOnExit(), true}, {"Editing", tl.OptionsData()->Editing(), true},
      {"AnsiSort", tl.OptionsData()->AnsiSort(), false},
      {"CaseInsensitive", tl.OptionsData()->CaseInsensitive(), false},
      {"Deleting", tl.OptionsData()->Deleting, true}, {"Inserting", tl.OptionsData()->Inserting, false},
      {"SummaryNullIgnore", tl.OptionsData()->SummaryNullIgnore(), false},
      {"CellSelect", tl.OptionsSelection()->CellSelect, true},
      {"HideFocusRect", tl.OptionsSelection()->HideFocusRect, true},
      {"HideSelection", tl.OptionsSelection()->HideSelection, false},
      {"InvertSelect", tl.OptionsSelection()->InvertSelect, true},
      {"MultiSelect", tl.OptionsSelection()->MultiSelect, false},
  };
  for (const Flag& f : flags) EXPECT_EQ(f.value, f.expected) << f.name;
  EXPECT_EQ(b->BestFitMaxRecordCount, -1);
  EXPECT_EQ(b->ChangeDelay(), 0);
  EXPECT_EQ(b->WaitForExpandNodeTime, 500);
  EXPECT_EQ(b->IncSearchItem(), nullptr);
  const bool customizing[C::OptionCount] = {true, false, true, true, false, true, true, false,
                                            true, true, false, true, false, true, false, false};
  for (Integer i = 0; i < C::OptionCount; ++i)
    EXPECT_EQ(tl.OptionsCustomizing()->Get(static_cast<C::TOption>(i)), customizing[i]) << i;
  EXPECT_EQ(tl.OptionsCustomizing()->BandsQuickCustomizationMaxDropDownCount, 0);
}

TEST(TreeListOptions, NodeAndRowSizingExcludeEachOther) {
  TvxCustomTreeList tl;
  C* c = tl.OptionsCustomizing();
  c->Set(C::NodeSizing, true);
  c->Set(C::RowSizing, true);
  EXPECT_TRUE(c->Get(C::RowSizing));
  EXPECT_FALSE(c->Get(C::NodeSizing));
  c->Set(C::NodeSizing, true);
  EXPECT_FALSE(c->Get(C::RowSizing));
}

TEST(TreeListOptions, ChangeDelayDrivesTheDelayTimer) {
  TvxCustomTreeList tl;
  tl.OptionsBehavior()->SetChangeDelay(300);
  EXPECT_TRUE(tl.DelayTimerEnabled());
  EXPECT_EQ(tl.DelayTimerInterval(), 300);
  tl.OptionsBehavior()->SetChangeDelay(-5);
  EXPECT_EQ(tl.OptionsBehavior()->ChangeDelay(), 0);
  EXPECT_FALSE(tl.DelayTimerEnabled());
}

TEST(TreeListOptions, AssignCopiesOwnAndInheritedValues) {
  TvxCustomTreeList a, b;
  a.OptionsBehavior()->HotTrack = true;
  a.OptionsBehavior()->SetGoToNextCellOnTab(true);
  a.OptionsBehavior()->SetChangeDelay(40);
  a.OptionsData()->Inserting = true;
  a.OptionsData()->SetCancelOnExit(false);
  a.OptionsSelection()->MultiSelect = true;
  a.OptionsCustomizing()->Set(C::RowSizing, true);
  a.OptionsCustomizing()->ColumnsQuickCustomizationMaxDropDownCount = 7;
  b.OptionsBehavior()->Assign(a.OptionsBehavior());
  b.OptionsData()->Assign(a.OptionsData());
  b.OptionsSelection()->Assign(a.OptionsSelection());
  b.OptionsCustomizing()->Assign(a.OptionsCustomizing());
  EXPECT_TRUE(b.OptionsBehavior()->HotTrack);
  EXPECT_TRUE(b.OptionsBehavior()->GoToNextCellOnTab());
  EXPECT_EQ(b.DelayTimerInterval(), 40);
  EXPECT_TRUE(b.OptionsData()->Inserting);
  EXPECT_FALSE(b.OptionsData()->CancelOnExit());
  EXPECT_TRUE(b.OptionsSelection()->MultiSelect);
  EXPECT_TRUE(b.OptionsCustomizing()->Get(C::RowSizing));
  EXPECT_EQ(b.OptionsCustomizing()->ColumnsQuickCustomizationMaxDropDownCount, 7);
}

TEST(TreeListOptions, DataOptionsReachTheDataController) {
  TvxCustomTreeList tl;
  tl.DataController()->AddItem(TvxStringValueType::Class());
  tl.OptionsData()->SetCaseInsensitive(true);
  EXPECT_TRUE(tl.DataController()->CaseInsensitive);
  EXPECT_EQ(tl.DataController()->CompareStrings(Variant(String(L"x")), Variant(String(L"X"))), 0);
  // Turning editing off closes the open edit and blocks a new one.
  TvxTreeListNode* n = tl.Add(nullptr);
  n->SetFocused(true);
  tl.DataController()->Edit();
  ASSERT_TRUE(n->IsEditing());
  tl.OptionsData()->SetEditing(false);
  EXPECT_EQ(tl.DataController()->EditingNode(), nullptr);
  tl.DataController()->Edit();
  EXPECT_FALSE(n->IsEditing());
}

}  // namespace

}  // namespace ZS_UNITY_ID
