#include <gtest/gtest.h>

#include <random>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

using Log = std::vector<std::string>;

namespace {

// Adds a group to the list by hand.
TvxDataGroupInfo* AddGroup(TvxDataGroups& G, Integer ALevel, bool AExpanded, Integer ABegin, Integer AEnd) {
  TvxDataGroupInfo* g = G.AddGroupInfo();
  g->Level = ALevel;
  g->Expanded = AExpanded;
  g->BeginRecordListIndex = ABegin;
  g->EndRecordListIndex = AEnd;
  return g;
}

}  // namespace

TEST(DataGroups, OneLevelRowsAndRowInfo) {
  TvxDataGroups g;
  g.AddField(nullptr);
  AddGroup(g, 0, true, 0, 2);
  AddGroup(g, 0, false, 3, 4);
  g.Rebuild();
  EXPECT_EQ(g.GetItem(0)->RowIndex, 0);
  EXPECT_EQ(g.GetItem(1)->RowIndex, 4);
  EXPECT_EQ(g.RowCount(), 5);
  TvxRowInfo r;
  g.GetRowInfo(2, r);
  EXPECT_EQ(r.Level, 1);
  EXPECT_FALSE(r.Expanded);
  EXPECT_EQ(r.RecordIndex, 1);
  g.GetRowInfo(4, r);
  EXPECT_EQ(r.Level, 0);
  EXPECT_EQ(r.RecordIndex, 3);
  EXPECT_EQ(g.GetChildCount(0), 3);
  EXPECT_EQ(g.GetChildRecordListIndex(1, 1), 4);
  EXPECT_EQ(g.GetChildRecordListIndex(1, 2), -1);
  EXPECT_EQ(g.FindGroupByRecordListIndex(4, 0), 1);
  // A data row index changes nothing.
  g.ChangeExpanding(1, false, false);
  EXPECT_TRUE(g.GetItem(0)->Expanded);
  g.ChangeExpanding(4, true, false);
  EXPECT_EQ(g.RowCount(), 7);
}

TEST(DataGroups, TwoLevelsWithHiddenGroups) {
  TvxDataGroups g;
  g.AddField(nullptr);
  g.AddField(nullptr);
  AddGroup(g, 0, true, 1, 2);    // A: children A1, A2
  AddGroup(g, 1, true, 0, 1);    // A1: records 0-1
  AddGroup(g, 1, false, 2, 2);   // A2: record 2
  AddGroup(g, 0, false, 4, 4);   // B: child B1
  AddGroup(g, 1, false, 3, 5);   // B1: records 3-5
  g.Rebuild();
  std::vector<Integer> rows;
  for (Integer i = 0; i < g.Count(); ++i) rows.push_back(g.GetItem(i)->RowIndex);
  EXPECT_EQ(rows, std::vector<Integer>({0, 1, 4, 5, 5}));
  EXPECT_EQ(g.RowCount(), 6);
  TvxDataGroupInfo* info;
  EXPECT_EQ(g.FindGroupByRowIndex(5, info), 3);  // the collapsed ancestor, never the hidden group
  EXPECT_EQ(info, g.GetItem(3));
  EXPECT_EQ(g.FindGroupByRowIndex(3, info), -1);  // a data row of A1
  EXPECT_EQ(info, g.GetItem(1));
  EXPECT_FALSE(g.IsGroupVisible(4));
  EXPECT_EQ(g.GetChildIndex(-1, 0), 0);
  EXPECT_EQ(g.GetChildIndex(-1, 1), 3);
  EXPECT_EQ(g.GetChildCount(-1), 2);
  EXPECT_EQ(g.GetChildCount(0), 2);
  EXPECT_EQ(g.GetChildIndex(0, 1), 2);
  EXPECT_EQ(g.GetParentIndex(2), 0);
  EXPECT_EQ(g.GetDataRecordListIndex(g.GetItem(3)), 3);
  EXPECT_EQ(g.GetIndexByRowIndexLevel(3, 0), 0);
  EXPECT_TRUE(g.MakeGroupVisible(4, false));
  EXPECT_TRUE(g.IsGroupVisible(4));
  EXPECT_EQ(g.RowCount(), 7);
  g.FullExpanding(false);
  EXPECT_EQ(g.RowCount(), 2);
  TvxDataGroups empty;
  EXPECT_EQ(empty.RowCount(), 0);
  EXPECT_EQ(empty.FindGroupByRowIndex(0, info), -1);
  EXPECT_EQ(info, nullptr);
}

namespace {

class TGroupingTest : public testing::Test {
 protected:
  TTestDataController C;
  TNotificationLog L;
  Integer Name = -1, Age = -1;
  void SetUp() override {
    Name = C.AddTestItem(TvxStringValueType::Class());
    Age = C.AddTestItem(TvxIntegerValueType::Class());
    const wchar_t* names[] = {L"x", L"y", L"x", L"z", L"y", L"x"};
    C.BeginUpdate();
    C.SetRecordCount(6);
    for (Integer r = 0; r < 6; ++r) {
      C.SetValue(r, Name, Variant(names[r]));
      C.SetValue(r, Age, Variant(static_cast<int>(r)));
    }
    C.EndUpdate();
    L.Attach(&C);
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> r;
    for (Integer i = 0; i < C.RowCount(); ++i) {
      TvxRowInfo info = C.GetRowInfo(i);
      Integer item = Age;
      String text = C.GetRowDisplayText(info, item);
      r.push_back((info.Level == 0 ? "G:" : "") + std::string(text.begin(), text.end()));
    }
    return r;
  }
};

}  // namespace

TEST_F(TGroupingTest, GroupRowsExpandCollapseAndNotify) {
  C.ChangeSorting(Age, soDescending);
  L.Take();
  C.Groups()->ChangeGrouping(Name, 0);
  Log log = L.Take();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "GroupingChanging");
  EXPECT_EQ(log.back(), "GroupingChanged");
  EXPECT_EQ(C.Groups()->GroupingItemCount(), 1);
  EXPECT_EQ(C.Groups()->GroupIndexOfItem(Name), 0);
  EXPECT_EQ(Rows(), std::vector<std::string>({"G:x", "G:y", "G:z"}));
  C.Groups()->ChangeExpanding(0, true, false);
  // Inside the group the sorting by age (descending) holds.
  EXPECT_EQ(Rows(), std::vector<std::string>({"G:x", "5", "2", "0", "G:y", "G:z"}));
  EXPECT_EQ(C.GetRowIndexByRecordIndex(4, false), -1);
  EXPECT_EQ(C.GetRowIndexByRecordIndex(4, true), 5);
  EXPECT_EQ(Rows(), std::vector<std::string>({"G:x", "5", "2", "0", "G:y", "4", "1", "G:z"}));
  // A value change regroups and keeps the expanded groups.
  C.SetValue(3, Name, Variant(L"y"));
  EXPECT_EQ(Rows(), std::vector<std::string>({"G:x", "5", "2", "0", "G:y", "4", "3", "1"}));
  // Collapsing the group of the focused record row focuses the group row.
  C.SetFocusedRowIndex(2);
  EXPECT_EQ(C.GetFocusedRecordIndex(), 2);
  C.Groups()->ChangeExpanding(0, false, false);
  EXPECT_EQ(C.GetFocusedRowIndex(), 0);
  EXPECT_EQ(C.GetRowInfo(C.GetFocusedRowIndex()).Level, 0);
  C.Groups()->FullExpand();
  EXPECT_EQ(C.RowCount(), 8);
  C.Groups()->FullCollapse();
  EXPECT_EQ(C.RowCount(), 2);
  std::vector<Integer> records;
  C.Groups()->LoadRecordIndexesByRowIndex(records, 1);
  EXPECT_EQ(records, std::vector<Integer>({4, 3, 1}));
  EXPECT_EQ(C.Groups()->GetDataGroupIndexByGroupValue(-1, Variant(L"y")), 1);
  C.Groups()->ClearGrouping();
  EXPECT_EQ(C.RowCount(), 6);
}

TEST_F(TGroupingTest, GroupsAlwaysExpandedAndNearestRows) {
  C.SetOptions(C.Options() + dcoGroupsAlwaysExpanded);
  C.Groups()->ChangeGrouping(Name, 0);
  EXPECT_EQ(C.RowCount(), 9);
  C.Groups()->ChangeExpanding(0, false, false);
  C.Groups()->FullCollapse();
  EXPECT_EQ(C.RowCount(), 9);
  // Only one row: without groups the nearest is none, with groups the row itself.
  TTestDataController one;
  Integer item = one.AddTestItem(TvxIntegerValueType::Class());
  one.SetRecordCount(1);
  EXPECT_EQ(one.GetNearestRowIndex(0), -1);
  one.Groups()->ChangeGrouping(item, 0);
  ASSERT_EQ(one.RowCount(), 1);
  EXPECT_EQ(one.GetNearestRowIndex(0), 0);
}

TEST_F(TGroupingTest, InsertTakesTheGroupValuesOfTheFocusedRecord) {
  C.Groups()->ChangeGrouping(Name, 0);
  C.Groups()->FullExpand();
  Integer row = C.GetRowIndexByRecordIndex(4, false);  // a record of group "y"
  C.SetFocusedRowIndex(row);
  String seen;
  C.OnNewRecord = [&](TvxCustomDataController* c, Integer r) { seen = VarToStr(c->GetValue(r, Name)); };
  C.Insert();
  EXPECT_EQ(seen, L"y");
  C.SetEditValue(Age, Variant(40), evsValue);
  C.Post();
  EXPECT_EQ(C.RecordCount(), 7);
}

class TRandomisedOperations : public testing::TestWithParam<unsigned> {};

TEST_P(TRandomisedOperations, KeepRowsFocusAndSelectionConsistent) {
  TTestDataController c;
  Integer name = c.AddTestItem(TvxStringValueType::Class());
  Integer num = c.AddTestItem(TvxVariantValueType::Class());
  c.SetMultiSelect(true);
  std::mt19937 rng(GetParam());
  auto pick = [&](Integer n) { return n <= 0 ? 0 : static_cast<Integer>(rng() % static_cast<unsigned>(n)); };
  for (int step = 0; step < 3000; ++step) {
    Integer records = c.RecordCount(), rows = c.RowCount();
    unsigned op = rng() % 17;
    std::string before = "op " + std::to_string(op) + " rows " + std::to_string(rows) + " focusedRow " +
                         std::to_string(c.GetFocusedRowIndex()) + " focusedRecord " + std::to_string(c.GetFocusedRecordIndex()) +
                         " groups " + std::to_string(c.Groups()->GroupingItemCount());
    SCOPED_TRACE(before);
    switch (op) {
      case 0: c.AppendRecord(); break;
      case 1: c.InsertRecord(pick(records + 1)); break;
      case 2: if (records) c.DeleteRecord(pick(records)); break;
      case 3: if (records) c.SetValue(pick(records), name, Variant(String(1, static_cast<wchar_t>(L'a' + rng() % 4)))); break;
      case 4:
        if (records) {
          Variant v = rng() % 3 == 0 ? Null() : rng() % 2 ? Variant(static_cast<int>(rng() % 5)) : Variant(L"t");
          c.SetValue(pick(records), num, v);
        }
        break;
      case 5: c.ChangeSorting(pick(2), static_cast<TvxDataSortOrder>(rng() % 3)); break;
      case 6: c.Groups()->ChangeGrouping(pick(2), static_cast<Integer>(rng() % 3) - 1); break;
      case 7: if (rows) c.Groups()->ChangeExpanding(pick(rows), rng() % 2 == 0, rng() % 2 == 0); break;
      case 8: c.SetFocusedRowIndex(pick(rows + 1) - 1); break;
      case 9: if (rows) c.ChangeRowSelection(pick(rows), rng() % 2 == 0); break;
      case 10: if (c.GetFocusedRecordIndex() >= 0) c.DeleteFocused(); break;
      case 11: c.Insert(); if (rng() % 2) c.SetEditValue(name, Variant(L"n"), evsValue); c.Post(); break;
      case 12: if (c.GetFocusedRowIndex() >= 0) { c.Edit(); c.SetEditValue(num, Variant(9), evsValue); rng() % 2 ? c.Post() : c.Cancel(); } break;
      case 13: if (rng() % 2) c.Groups()->FullExpand(); else c.Groups()->FullCollapse(); break;
      case 14:
        if (rng() % 3 == 0) c.SetOnFilterRecord(nullptr);
        else c.SetOnFilterRecord([mod = 2 + rng() % 3](TvxCustomDataController*, Integer r, bool& accept) { accept = r % mod != 0; });
        break;
      case 15: c.SetUseNewItemRowForEditing(rng() % 2 == 0); break;
      default: c.SetRecordCount(pick(records + 3)); break;
    }
    ASSERT_GE(c.RecordCount(), 0);
    for (Integer r = 0; r < c.RowCount(); ++r) {
      TvxRowInfo info = c.GetRowInfo(r);
      ASSERT_GE(info.RecordIndex, 0) << "step " << step;
      ASSERT_LT(info.RecordIndex, c.RecordCount()) << "step " << step;
    }
    if (c.Groups()->GroupingItemCount() == 0) {
      ASSERT_EQ(c.RowCount(), c.FilteredRecordCount());
    }
    Integer focusedRow = c.GetFocusedRowIndex();
    ASSERT_LT(focusedRow, c.RowCount()) << "step " << step;
    if (focusedRow >= 0) {
      ASSERT_EQ(c.GetRowInfo(focusedRow).RecordIndex, c.GetFocusedRecordIndex()) << "step " << step;
    }
    for (Integer i = 0; i < c.GetSelectedCount(); ++i) ASSERT_LT(c.GetSelectedRowIndex(i), c.RowCount()) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, TRandomisedOperations, testing::Values(2024u, 7u, 99u, 31337u));

}  // namespace ZS_UNITY_ID
