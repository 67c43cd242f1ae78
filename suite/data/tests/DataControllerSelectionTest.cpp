// Edit state, navigation and multiple selection with its anchor.
#include <gtest/gtest.h>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

namespace {

class TSelectionTest : public testing::Test {
 protected:
  TTestDataController C;
  TNotificationLog L;
  void SetUp() override {
    C.AddTestItem(TvxIntegerValueType::Class());
    C.SetRecordCount(8);
    for (Integer r = 0; r < 8; ++r) C.SetValue(r, 0, Variant(static_cast<int>(r)));
    L.Attach(&C);
  }
  std::vector<Integer> Selected() {
    std::vector<Integer> r;
    for (Integer i = 0; i < C.GetSelectedCount(); ++i) r.push_back(C.GetSelectedRowIndex(i));
    return r;
  }
};

}  // namespace

TEST_F(TSelectionTest, EditStateFollowsTheProvider) {
  EXPECT_TRUE(C.QueryEditState().Empty());
  C.SetFocusedRowIndex(2);
  C.Edit();
  EXPECT_EQ(C.QueryEditState(), TvxDataControllerEditState({dceEdit}));
  C.SetEditValue(0, Variant(20), evsValue);
  EXPECT_EQ(C.QueryEditState(), TvxDataControllerEditState({dceEdit, dceModified}));
  C.Post();
  EXPECT_TRUE(C.QueryEditState().Empty());
  C.Insert();
  EXPECT_EQ(C.QueryEditState(), TvxDataControllerEditState({dceInsert}));
  C.Cancel();
  EXPECT_TRUE(C.QueryEditState().Empty());
  EXPECT_EQ(C.QueryEditOperations(),
            TvxDataControllerEditOperations({dceoAppend, dceoDelete, dceoEdit, dceoInsert, dceoShowEdit}));
  C.SetRecordCount(0);
  EXPECT_FALSE(C.QueryEditOperations().Contains(dceoDelete));
}

TEST_F(TSelectionTest, NavigationClipsAtBothEnds) {
  struct {
    const char* name;
    void (TvxCustomDataController::*go)();
    Integer from, to;
  } cases[] = {
      {"first", &TvxCustomDataController::GotoFirst, 5, 0}, {"last", &TvxCustomDataController::GotoLast, 2, 7},
      {"next", &TvxCustomDataController::GotoNext, 3, 4},   {"next at end", &TvxCustomDataController::GotoNext, 7, 7},
      {"prev", &TvxCustomDataController::GotoPrev, 3, 2},   {"prev at start", &TvxCustomDataController::GotoPrev, 0, 0},
  };
  for (const auto& c : cases) {
    C.SetFocusedRowIndex(c.from);
    (C.*c.go)();
    EXPECT_EQ(C.GetFocusedRowIndex(), c.to) << c.name;
  }
  C.SetFocusedRowIndex(4);
  C.MoveBy(-10);
  EXPECT_TRUE(C.IsBOF());
  C.MoveBy(100);
  EXPECT_TRUE(C.IsEOF());
  EXPECT_EQ(C.GetFocusedRowIndex(), 7);
  C.SetFocusedRowIndex(-1);
  C.CheckFocusedRow();
  EXPECT_EQ(C.GetFocusedRowIndex(), 0);
}

TEST_F(TSelectionTest, RangesAnchorsAndTheFocusedRow) {
  // Without multiple selection the selection is the focused row and ranges do nothing.
  C.SetFocusedRowIndex(3);
  C.SelectRows(5, 2);
  EXPECT_EQ(Selected(), (std::vector<Integer>{3}));
  // Switching multiple selection on selects the focused row.
  C.SetMultiSelect(true);
  EXPECT_EQ(Selected(), (std::vector<Integer>{3}));
  L.Take();
  C.SelectRows(5, 2);  // reversed bounds
  EXPECT_EQ(Selected(), (std::vector<Integer>{2, 3, 4, 5}));
  EXPECT_EQ(L.Take(), (std::vector<std::string>{"Selection[]"}));
  // A range from the anchor, keeping or replacing the selection.
  C.SetSelectionAnchor(6);
  EXPECT_TRUE(C.IsSelectionAnchorExist());
  C.SelectFromAnchor(7, true);
  EXPECT_EQ(Selected(), (std::vector<Integer>{2, 3, 4, 5, 6, 7}));
  C.SelectFromAnchor(4, false);
  EXPECT_EQ(Selected(), (std::vector<Integer>{4, 5, 6}));
  EXPECT_EQ(RaisedMessage([&] { C.SetSelectionAnchor(8); }), L"RowIndex out of range");
  EXPECT_EQ(RaisedMessage([&] { C.SelectRows(0, 8); }), L"RowIndex out of range");
  // Following the focused record: the anchor moves there and the selection is that row.
  C.SetFocusedRowIndex(1);
  C.SyncSelectionFocusedRecord();
  EXPECT_EQ(Selected(), (std::vector<Integer>{1}));
  EXPECT_EQ(C.GetSelectionAnchorRowIndex(), 1);
  C.SelectAll();
  EXPECT_EQ(C.GetSelectedCount(), 8);
  C.CheckFocusedSelected();
  EXPECT_EQ(Selected(), (std::vector<Integer>{1}));
  // An anchor whose row is not selected after a recalculation is dropped.
  C.SetSelectionAnchor(5);
  C.ChangeSorting(0, soDescending);
  EXPECT_FALSE(C.IsSelectionAnchorExist());
  C.ClearSelectionAnchor();
  C.SelectFromAnchor(3, false);  // no anchor: nothing
  EXPECT_EQ(C.GetSelectedCount(), 1);
  std::vector<Integer> visited;
  C.ForEachRow(true, [&](Integer ARow, const TvxRowInfo& AInfo) { visited.push_back(AInfo.RecordIndex * 100 + ARow); });
  EXPECT_EQ(visited, (std::vector<Integer>{106}));
  C.SetMultiSelect(false);
  EXPECT_EQ(Selected(), (std::vector<Integer>{C.GetFocusedRowIndex()}));
}

namespace {

class TCountingSearch : public TvxDataControllerSearch {
  DECLARE_CLASS(TCountingSearch, TvxDataControllerSearch)
 public:
  using TvxDataControllerSearch::TvxDataControllerSearch;
  Integer Searches = 0;
  Integer DoSearch(Integer AStartIndex, Integer AEndIndex, bool AForward, const String& AText) override {
    ++Searches;
    return TvxDataControllerSearch::DoSearch(AStartIndex, AEndIndex, AForward, AText);
  }
};

class TReadOnlyProvider : public TvxCustomDataProvider {
  DECLARE_CLASS(TReadOnlyProvider, TvxCustomDataProvider)
 public:
  using TvxCustomDataProvider::TvxCustomDataProvider;
  bool CanModify() override { return false; }
};

class TOwnSummary : public TvxDataSummary {
  DECLARE_CLASS(TOwnSummary, TvxDataSummary)
 public:
  using TvxDataSummary::TvxDataSummary;
};

class TOwnSelection : public TvxDataSelection {
  DECLARE_CLASS(TOwnSelection, TvxDataSelection)
 public:
  using TvxDataSelection::TvxDataSelection;
};

class TOwnFilter : public TvxDataFilterCriteria {
  DECLARE_CLASS(TOwnFilter, TvxDataFilterCriteria)
 public:
  using TvxDataFilterCriteria::TvxDataFilterCriteria;
};

class THookedController : public TTestDataController {
  DECLARE_CLASS(THookedController, TTestDataController)
 public:
  TClass GetSearchClass() override { return TCountingSearch::StaticClass(); }
  TvxCustomDataProviderClass GetDataProviderClass() override { return TReadOnlyProvider::StaticClass(); }
  TClass GetSummaryClass() override { return TOwnSummary::StaticClass(); }
  TClass GetDataSelectionClass() override { return TOwnSelection::StaticClass(); }
  TClass GetFilterCriteriaClass() override { return TOwnFilter::StaticClass(); }
};

}  // namespace

TEST(DataControllerCollaborators, ClassHooksChooseTheCollaborators) {
  THookedController c;
  c.AfterConstruction();
  EXPECT_EQ(c.Search()->ClassType(), TCountingSearch::StaticClass());
  EXPECT_EQ(c.Provider()->ClassType(), TReadOnlyProvider::StaticClass());
  EXPECT_EQ(c.Summary()->ClassType(), TOwnSummary::StaticClass());
  EXPECT_EQ(c.DataControllerInfo()->Selection()->ClassType(), TOwnSelection::StaticClass());
  EXPECT_EQ(c.Filter()->ClassType(), TOwnFilter::StaticClass());
  ASSERT_EQ(c.Filters()->Items.size(), 1u);
  EXPECT_EQ(c.Filters()->Items[0], c.Filter());
  // The new ones are the ones at work.
  c.AddTestItem(TvxStringValueType::Class());
  c.SetRecordCount(3);
  c.SetValue(2, 0, Variant(L"x"));
  EXPECT_TRUE(c.Search()->Locate(0, L"x"));
  EXPECT_GT(static_cast<TCountingSearch*>(c.Search())->Searches, 0);
  EXPECT_FALSE(c.QueryEditOperations().Contains(dceoEdit));
  c.SetMultiSelect(true);
  c.SelectAll();
  EXPECT_EQ(c.GetSelectedCount(), 3);
  c.Filter()->AddItem(nullptr, c.Items[0].get(), foEqual, Variant(L"x"), L"x");
  c.Filter()->SetActive(true);
  EXPECT_EQ(c.FilteredRecordCount(), 1);
}

TEST(DataControllerGroupSelection, SelectedGroupRowsFollowTheirGroupValues) {
  TTestDataController c;
  c.AddTestItem(TvxIntegerValueType::Class());
  c.SetRecordCount(9);
  for (Integer r = 0; r < 9; ++r) c.SetValue(r, 0, Variant(static_cast<int>(r % 3)));
  c.Groups()->ChangeGrouping(0, 0);
  c.SetMultiSelect(true);
  c.ChangeRowSelection(2, true);  // the group of value 2, all groups collapsed
  auto selected = [&c] {
    std::vector<Integer> r;
    for (Integer i = 0; i < c.GetSelectedCount(); ++i) r.push_back(c.GetSelectedRowIndex(i));
    return r;
  };
  // Expanding the first group moves the selected group row down by its three records.
  c.Groups()->ChangeExpanding(0, true, false);
  EXPECT_EQ(selected(), (std::vector<Integer>{5}));
  EXPECT_TRUE(c.IsRowSelected(5));
  // A descending sort puts it first; a new record reloads; both keep it selected.
  c.ChangeSorting(0, soDescending);
  EXPECT_EQ(selected(), (std::vector<Integer>{0}));
  c.SetRecordCount(10);
  c.SetValue(9, 0, Variant(1));
  ASSERT_EQ(selected(), (std::vector<Integer>{0}));
  EXPECT_EQ(c.GetRowInfo(0).Level, 0);
  // Without the grouping the group row is gone from the selection.
  c.Groups()->ClearGrouping();
  EXPECT_EQ(c.GetSelectedCount(), 0);
}

}  // namespace ZS_UNITY_ID
