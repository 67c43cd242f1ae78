// The controller's bulk paths (removing items, restoring expanded groups, deleting a
// selection, keeping selected rows across a re-sort or a filter, restoring selected
// keys) and its cleanups when a handler raises.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

namespace {

// A field that remembers, once freed, that it was: the controller below reports any use
// of a freed field instead of reading freed memory.
std::set<const void*> GFreedFields;
bool GFreedFieldUsed = false;

class TWatchedField : public TvxCustomDataField {
  DECLARE_CLASS(TWatchedField, TvxCustomDataField)
 public:
  using TvxCustomDataField::TvxCustomDataField;
  ~TWatchedField() override { GFreedFields.insert(this); }
};

class TWatchingController : public TTestDataController {
  DECLARE_CLASS(TWatchingController, TTestDataController)
 public:
  TvxCustomDataField* NewField() override {
    auto* f = new TWatchedField(Fields());
    GFreedFields.erase(f);
    return f;
  }
  Variant GetCompareValue(Integer ARecordIndex, TvxCustomDataField* AField) override {
    Check(AField);
    return TTestDataController::GetCompareValue(ARecordIndex, AField);
  }
  bool NeedsSpecialCompare(TvxCustomDataField* AField) override {
    Check(AField);
    return TTestDataController::NeedsSpecialCompare(AField);
  }

 private:
  static void Check(const TvxCustomDataField* AField) {
    if (GFreedFields.count(AField)) GFreedFieldUsed = true;
  }
};

// Name (three values), Age (the record index), Score (ten minus the index) over 9 records.
template <class C>
void FillThreeColumns(C& c, Integer& name, Integer& age, Integer& score) {
  name = c.AddTestItem(TvxStringValueType::Class());
  age = c.AddTestItem(TvxIntegerValueType::Class());
  score = c.AddTestItem(TvxIntegerValueType::Class());
  c.BeginUpdate();
  c.SetRecordCount(9);
  const wchar_t* names[] = {L"x", L"y", L"z"};
  for (Integer r = 0; r < 9; ++r) {
    c.SetValue(r, name, Variant(names[r % 3]));
    c.SetValue(r, age, Variant(static_cast<int>(r)));
    c.SetValue(r, score, Variant(static_cast<int>(10 - r)));
  }
  c.EndUpdate();
}

std::vector<Integer> RowRecords(TvxCustomDataController& c) {
  std::vector<Integer> r;
  for (Integer i = 0; i < c.RowCount(); ++i) r.push_back(c.GetRowInfo(i).RecordIndex);
  return r;
}

std::vector<Integer> SelectedRecords(TvxCustomDataController& c) {
  std::vector<Integer> r;
  for (Integer i = 0; i < c.GetSelectedCount(); ++i) r.push_back(c.GetRowInfo(c.GetSelectedRowIndex(i)).RecordIndex);
  return r;
}

}  // namespace

TEST(DataControllerItems, RemovingASortedOrGroupedItemLeavesNoFreedFieldBehind) {
  struct {
    const char* name;
    bool groupByRemoved, sortByRemoved, groupByOther;
  } cases[] = {
      {"grouped by the removed item", true, false, false},
      {"sorted by the removed item, grouped by another", false, true, true},
      {"grouped by the removed item and another", true, false, true},
  };
  for (const auto& k : cases) {
    GFreedFields.clear();
    GFreedFieldUsed = false;
    {
      TWatchingController c;
      Integer name, age, score;
      FillThreeColumns(c, name, age, score);
      if (k.groupByOther) c.Groups()->ChangeGrouping(name, 0);
      if (k.groupByRemoved) c.Groups()->ChangeGrouping(score, 1);
      if (k.sortByRemoved) c.ChangeSorting(score, soDescending);
      c.Groups()->FullExpand();
      c.RemoveItem(c.Items[static_cast<size_t>(score)].get());
      EXPECT_FALSE(GFreedFieldUsed) << k.name;
      EXPECT_EQ(c.GetItemCount(), 2) << k.name;
      // The rows are rebuilt from what is left: every record is still reachable.
      c.Groups()->FullExpand();
      Integer records = 0;
      for (Integer i = 0; i < c.RowCount(); ++i)
        if (c.GetRowInfo(i).Level == c.Groups()->GroupingItemCount()) ++records;
      EXPECT_EQ(records, 9) << k.name;
    }
  }
  GFreedFields.clear();
}

TEST(DataControllerGrouping, ExpandedGroupsSurviveAReloadByTheirValuePath) {
  TTestDataController c;
  Integer name, age, score;
  FillThreeColumns(c, name, age, score);
  c.Groups()->ChangeGrouping(name, 0);
  c.Groups()->ChangeGrouping(score, 1);  // one record per inner group
  c.Groups()->FullCollapse();
  // Expand "y" and, inside it, the group of score 6 (record 4); leave "x" and "z" shut.
  auto rowOf = [&](const std::vector<Integer>& path) {
    for (Integer i = 0; i < c.RowCount(); ++i) {
      TvxRowInfo info = c.GetRowInfo(i);
      if (info.Level >= static_cast<Integer>(path.size())) continue;
      Integer item = info.Level == 0 ? name : score;
      Variant v = c.GetValue(info.RecordIndex, item);
      if (info.Level == static_cast<Integer>(path.size()) - 1 && c.GetValue(path.back(), item) == v &&
          (info.Level == 0 || c.GetValue(info.RecordIndex, name) == c.GetValue(path.front(), name)))
        return i;
    }
    return -1;
  };
  c.Groups()->ChangeExpanding(rowOf({4}), true, false);
  c.Groups()->ChangeExpanding(rowOf({4, 4}), true, false);
  std::vector<Integer> before = RowRecords(c);
  // A reload with the values moved to other record indexes: the same paths open again.
  c.BeginUpdate();
  for (Integer r = 0; r < 9; ++r) {
    Integer from = 8 - r;
    const wchar_t* names[] = {L"x", L"y", L"z"};
    c.SetValue(r, name, Variant(names[from % 3]));
    c.SetValue(r, age, Variant(static_cast<int>(from)));
    c.SetValue(r, score, Variant(static_cast<int>(10 - from)));
  }
  c.EndUpdate();
  std::vector<Integer> after = RowRecords(c);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(8 - after[i], before[i]) << "row " << i;
}

TEST(DataControllerSelection, DeletingHalfTheRecordsKeepsFocusSelectionAndValues) {
  struct {
    const char* name;
    std::vector<Integer> selected;  // records selected before the deletion
    Integer focused;                // focused record
    Integer focusedAfter;           // the age of the record focused afterwards
  } cases[] = {
      {"every other record, focus on a deleted one", {0, 2, 4, 6, 8}, 4, 5},
      {"a run at the end, focus inside it", {5, 6, 7, 8}, 6, 4},
      {"a run at the start, focus after it", {0, 1, 2}, 7, 7},
  };
  for (const auto& k : cases) {
    TTestDataController c;
    Integer name, age, score;
    FillThreeColumns(c, name, age, score);
    c.SetMultiSelect(true);
    c.ChangeFocusedRecordIndex(k.focused);
    for (Integer r : k.selected) c.ChangeRowSelection(c.GetRowIndexByRecordIndex(r, false), true);
    c.DeleteSelection();
    std::vector<int> ages;
    for (Integer r = 0; r < c.RecordCount(); ++r) ages.push_back(c.GetValue(r, age).AsInteger());
    std::vector<int> expected;
    for (int r = 0; r < 9; ++r)
      if (std::find(k.selected.begin(), k.selected.end(), r) == k.selected.end()) expected.push_back(r);
    EXPECT_EQ(ages, expected) << k.name;
    EXPECT_EQ(c.GetSelectedCount(), 0) << k.name;
    ASSERT_GE(c.GetFocusedRecordIndex(), 0) << k.name;
    EXPECT_EQ(c.GetValue(c.GetFocusedRecordIndex(), age).AsInteger(), k.focusedAfter) << k.name;
  }
}

TEST(DataControllerSelection, SelectedRowsFollowTheirRecordsThroughSortFilterAndGrouping) {
  TTestDataController c;
  Integer name, age, score;
  FillThreeColumns(c, name, age, score);
  c.SetMultiSelect(true);
  for (Integer r : {1, 4, 5, 8}) c.ChangeRowSelection(r, true);
  c.ChangeSorting(score, soAscending);  // rows now run from record 8 down to 0
  EXPECT_EQ(SelectedRecords(c), std::vector<Integer>({8, 5, 4, 1}));
  c.SetOnFilterRecord([&](TvxCustomDataController* AC, Integer ARecordIndex, bool& AAccept) {
    AAccept = AC->GetValue(ARecordIndex, age).AsInteger() != 5;
  });
  EXPECT_EQ(SelectedRecords(c), std::vector<Integer>({8, 4, 1}));
  // Selected again in expanded groups, then the group "y" (records 1 and 4) collapses:
  // the next re-sort keeps only the selected row still shown.
  c.Groups()->ChangeGrouping(name, 0);
  c.Groups()->FullExpand();
  c.ClearSelection();
  for (Integer r : {1, 4, 8}) c.ChangeRowSelection(c.GetRowIndexByRecordIndex(r, false), true);
  EXPECT_EQ(c.GetSelectedCount(), 3);
  Integer groupY = -1;
  for (Integer i = 0; i < c.RowCount() && groupY < 0; ++i)
    if (c.GetRowInfo(i).Level == 0 && c.GetValue(c.GetRowInfo(i).RecordIndex, name).AsString() == L"y") groupY = i;
  ASSERT_GE(groupY, 0);
  c.Groups()->ChangeExpanding(groupY, false, false);
  c.ChangeSorting(age, soDescending);
  EXPECT_EQ(SelectedRecords(c), std::vector<Integer>({8}));
}

namespace {

int GCleanupFailures = 0;
void CountCleanupFailure() {
  ++GCleanupFailures;
  try {
    throw;
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "filter");
  }
}

}  // namespace

TEST(DataControllerCleanups, AHandlerRaisingWhileAnotherExceptionUnwindsReachesTheHandler) {
  // The second deletion's handler raises; the update bracket closing on the way out
  // recalculates the rows, and the filter handler raises as well. The first exception
  // reaches the caller, the second the application's handler: the process goes on.
  TValueScope handler(HandleCleanupException, &CountCleanupFailure);
  GCleanupFailures = 0;
  TTestDataController c;
  Integer name, age, score;
  FillThreeColumns(c, name, age, score);
  bool filterRaises = false;
  c.SetOnFilterRecord([&](TvxCustomDataController*, Integer, bool&) {
    if (filterRaises) throw std::runtime_error("filter");
  });
  int deletions = 0;
  c.OnBeforeDelete = [&](TvxCustomDataController*, Integer) {
    if (++deletions == 2) {
      filterRaises = true;
      throw std::logic_error("delete");
    }
  };
  EXPECT_THROW(c.DeleteRecordList({1, 2, 3}), std::logic_error);
  EXPECT_EQ(GCleanupFailures, 1);
  EXPECT_EQ(c.RecordCount(), 8);  // the first deletion (record 3) was done
  filterRaises = false;
  c.Refresh();
  EXPECT_EQ(c.RowCount(), 8);
}

}  // namespace ZS_UNITY_ID
