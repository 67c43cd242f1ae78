// Sort order by index, the incremental filter, finding by text, the controller's record
// stream, and master/detail controllers.
#include <gtest/gtest.h>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

namespace {

// Three string items over six records: "a".."f", "x0".."x5" and "k0".."k5".
class TOrderTest : public testing::Test {
 protected:
  TTestDataController C;
  void SetUp() override {
    for (int i = 0; i < 3; ++i) C.AddTestItem(TvxStringValueType::Class());
    C.SetRecordCount(6);
    for (Integer r = 0; r < 6; ++r) {
      C.SetValue(r, 0, Variant(String(1, static_cast<wchar_t>(L'a' + r))));
      C.SetValue(r, 1, Variant(L"x" + std::to_wstring(r)));
      C.SetValue(r, 2, Variant(L"k" + std::to_wstring(r)));
    }
  }
  std::vector<Integer> SortingItems() {
    std::vector<Integer> r;
    for (Integer i = 0; i < C.GetSortingItemCount(); ++i) r.push_back(C.GetSortingItemIndex(i));
    return r;
  }
  std::vector<Integer> Records() {
    std::vector<Integer> r;
    for (Integer i = 0; i < C.RowCount(); ++i) r.push_back(C.GetRowInfo(i).RecordIndex);
    return r;
  }
};

}  // namespace

TEST_F(TOrderTest, SortingIndexMovesClipsAndDropsAscendingGroupedItems) {
  C.ChangeSorting(0, soAscending);
  C.ChangeSorting(1, soDescending);
  C.ChangeSorting(2, soAscending);
  C.ChangeItemSortingIndex(1, 10);  // clipped to the last position
  EXPECT_EQ(SortingItems(), (std::vector<Integer>{0, 2, 1}));
  C.ChangeItemSortingIndex(1, 0);
  EXPECT_EQ(SortingItems(), (std::vector<Integer>{1, 0, 2}));
  EXPECT_EQ(C.GetItemSortingIndex(2), 2);
  // An unsorted item is sorted with its current order first: none, so nothing happens.
  C.ClearSorting();
  C.ChangeItemSortingIndex(2, 0);
  EXPECT_EQ(C.GetSortingItemCount(), 0);
  // A grouped item sorted ascending loses its sorting, not its grouping.
  C.Groups()->ChangeGrouping(0, 0);
  C.ChangeSorting(0, soAscending);
  C.ChangeSorting(1, soAscending);
  C.ChangeItemSortingIndex(0, -1);
  EXPECT_EQ(SortingItems(), (std::vector<Integer>{1}));
  EXPECT_EQ(C.Groups()->GroupIndexOfItem(0), 0);
  EXPECT_EQ(C.GetItemSortOrder(0), soAscending);  // the grouping's order
  // Keeping grouped items clears only the others.
  C.ChangeSorting(0, soDescending);
  C.ClearSorting(true);
  EXPECT_EQ(SortingItems(), (std::vector<Integer>{0}));
}

TEST_F(TOrderTest, IncrementalFilterKeepsRecordsByTextBeginning) {
  C.SetValue(4, 1, Variant(L"X1 later"));
  EXPECT_EQ(C.SetIncrementalFilter(1, L"x1"), 1);
  EXPECT_EQ(Records(), (std::vector<Integer>{1, 4}));  // case-insensitive prefix
  EXPECT_TRUE(C.IsIncrementalFilter());
  EXPECT_FALSE(C.ChangeIncrementalFilterText(L"x1"));
  EXPECT_TRUE(C.ChangeIncrementalFilterText(L"zz"));
  EXPECT_EQ(C.FilteredRecordCount(), 0);
  EXPECT_EQ(C.SetIncrementalFilter(1, L"zz"), -1);
  // Both filters apply; removing the item ends the incremental one.
  C.SetIncrementalFilter(1, L"x");
  C.SetOnFilterRecord([](TvxCustomDataController*, Integer ARecordIndex, bool& Accept) { Accept = ARecordIndex % 2 == 0; });
  EXPECT_EQ(Records(), (std::vector<Integer>{0, 2, 4}));
  C.SetOnFilterRecord(nullptr);
  C.ResetIncrementalFilter();
  EXPECT_EQ(C.FilteredRecordCount(), 6);
  C.SetIncrementalFilter(2, L"k5");
  EXPECT_EQ(C.FilteredRecordCount(), 1);
  C.RemoveItem(C.Items[2].get());
  EXPECT_FALSE(C.IsIncrementalFilter());
  EXPECT_EQ(C.FilteredRecordCount(), 6);
}

TEST_F(TOrderTest, FindByTextScansFromTheStartAndWrapsWhenCircular) {
  C.SetValue(1, 1, Variant(L"hit one"));
  C.SetValue(5, 1, Variant(L"hit five"));
  struct {
    Integer start;
    bool circular, forward;
    Integer expected;
  } cases[] = {
      {3, true, true, 5},   {3, false, true, 5}, {0, true, true, 1},  {2, true, false, 1},
      {4, true, false, 1},  {0, true, false, -1},  {0, false, false, -1}, {6, true, true, -1},
      {-1, true, true, -1}, {2, false, false, 1}, {0, true, true, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(C.FindRecordIndexByText(c.start, 1, L"HIT", true, c.circular, c.forward), c.expected)
        << "start " << c.start << " forward " << c.forward;
  C.SetValue(1, 1, Variant(L"x9"));
  EXPECT_EQ(C.FindRecordIndexByText(0, 1, L"x9", false, false, true), 1);   // whole text
  EXPECT_EQ(C.FindRecordIndexByText(0, 1, L"x", false, false, true), -1);
  EXPECT_EQ(C.FindRecordIndexByText(0, 1, L"x", true, false, true), 0);
  // Positions follow the sorted, filtered list.
  C.ChangeSorting(0, soDescending);
  EXPECT_EQ(C.FindRecordIndexByText(0, 1, L"hit", true, false, true), 5);
  EXPECT_THROW(C.FindRecordIndexByText(0, 7, L"x", true, false, true), EvxInvalidDataControllerOperation);
}

TEST_F(TOrderTest, FindByTextReadsEveryKindOfDisplayText) {
  // Column 0 keeps texts of its own, column 3 holds numbers; nulls and empty strings
  // read as empty texts.
  C.AddTestItem(TvxIntegerValueType::Class());
  C.GetItemField(0)->SetTextStored(true);
  for (Integer r = 0; r < 6; ++r) C.SetDisplayText(r, 0, L"T" + std::to_wstring(r * 10));
  ASSERT_EQ(C.GetDisplayText(4, 0), L"T40");
  C.SetValue(2, 1, Null());
  C.SetValue(3, 1, Variant(L""));
  C.SetValue(4, 1, Variant(L"\u65e5\u672c\u8a9e"));
  for (Integer r = 0; r < 6; ++r) C.SetValue(r, 3, Variant(static_cast<int>(100 + r)));
  C.SetValue(5, 3, Null());
  struct {
    Integer item;
    const wchar_t* text;
    bool partial;
    Integer expected;
  } cases[] = {
      {0, L"t40", true, 4},  {0, L"T4", false, -1}, {0, L"T50", false, 5},
      {1, L"", false, 2},    {1, L"\u65e5\u672c", true, 4}, {1, L"X5", true, 5},
      {3, L"103", false, 3}, {3, L"10", true, 0},   {3, L"", false, 5},
  };
  for (const auto& c : cases)
    EXPECT_EQ(C.FindRecordIndexByText(0, c.item, c.text, c.partial, false, true), c.expected)
        << "item " << c.item << " text " << testing::PrintToString(std::wstring(c.text));
  // The incremental filter reads the same texts.
  C.SetIncrementalFilter(0, L"t1");
  EXPECT_EQ(Records(), (std::vector<Integer>{1}));
}

TEST_F(TOrderTest, StreamReloadsRecordsAndRefusesAnotherLayout) {
  C.SetValue(2, 0, Variant(L"日本語の値"));
  C.SetValue(3, 1, Null());
  TMemoryStream s;
  C.SaveToStream(&s);
  // Header, count and the class names in item order.
  std::string bytes = StreamBytes(s);
  ASSERT_GE(bytes.size(), 23u);
  EXPECT_EQ(bytes.substr(4, 15), "DataController1");
  EXPECT_EQ(bytes[19], 3);
  EXPECT_NE(bytes.find("TvxStringValueType"), std::string::npos);

  TTestDataController d;
  for (int i = 0; i < 3; ++i) d.AddTestItem(TvxStringValueType::Class());
  s.SetPosition(0);
  d.LoadFromStream(&s);
  ASSERT_EQ(d.RecordCount(), 6);
  EXPECT_EQ(d.GetValue(2, 0).AsString(), L"日本語の値");
  EXPECT_TRUE(d.GetValue(3, 1).IsNull());
  EXPECT_EQ(d.GetValue(5, 2).AsString(), L"k5");

  // Another value type, another item count or a crafted count: refused, nothing changed.
  TTestDataController e;
  e.AddTestItem(TvxIntegerValueType::Class());
  e.AddTestItem(TvxStringValueType::Class());
  e.AddTestItem(TvxStringValueType::Class());
  e.SetRecordCount(2);
  e.SetValue(1, 0, Variant(7));
  s.SetPosition(0);
  EXPECT_EQ(RaisedMessage([&] { e.LoadFromStream(&s); }), L"Invalid stream format");
  std::string crafted = bytes;
  crafted[19] = 4;
  LoadBytes(s, crafted);
  EXPECT_EQ(RaisedMessage([&] { d.LoadFromStream(&s); }), L"Invalid stream format");
  EXPECT_EQ(e.RecordCount(), 2);
  EXPECT_EQ(e.GetValue(1, 0).AsInteger(), 7);
  EXPECT_EQ(d.RecordCount(), 6);
}

TEST_F(TOrderTest, ControllerWithRelationsReloadsItsOwnStream) {
  // The relations keep their detail objects in an internal field: it must not travel.
  TTestItem detailItem;
  C.Relations()->Add(&detailItem);
  ASSERT_NE(C.Relations()->DataField(), nullptr);
  TMemoryStream s;
  C.SaveToStream(&s);
  EXPECT_EQ(StreamBytes(s)[19], 3);
  C.SetValue(0, 0, Variant(L"changed"));
  s.SetPosition(0);
  C.LoadFromStream(&s);
  EXPECT_EQ(C.GetValue(0, 0).AsString(), L"a");
  EXPECT_EQ(C.RecordCount(), 6);
}

namespace {

// A detail view's object: owns the detail controller of one master record.
class TLinkObject : public TObject {
  DECLARE_CLASS(TLinkObject, TObject)
 public:
  std::unique_ptr<TTestDataController> Detail;
};

class TMasterController : public TTestDataController {
  DECLARE_CLASS(TMasterController, TTestDataController)
 public:
  Integer Created = 0;
  TObject* CreateDetailLinkObject(TvxCustomDataRelation* ARelation, Integer ARecordIndex) override {
    ++Created;
    auto link = new TLinkObject;
    link->Detail = std::make_unique<TTestDataController>();
    link->Detail->AddTestItem(TvxIntegerValueType::Class());
    link->Detail->SetMasterRelation(ARelation, ARecordIndex);
    return link;
  }
  TvxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) override {
    auto* link = dynamic_cast<TLinkObject*>(ALinkObject);
    return link ? link->Detail.get() : nullptr;
  }
};

}  // namespace

TEST(DataControllerDetails, ClonesFollowTheirMasterRecords) {
  TMasterController m;
  m.AddTestItem(TvxStringValueType::Class());
  m.SetRecordCount(3);
  TTestItem detailItem;
  TvxCustomDataRelation* rel = m.Relations()->Add(&detailItem);
  TTestDataController pattern;
  pattern.AddTestItem(TvxIntegerValueType::Class());
  EXPECT_EQ(pattern.DetailMode(), dcdmNone);
  pattern.SetMasterMode(rel, true);
  EXPECT_EQ(pattern.DetailMode(), dcdmPattern);
  EXPECT_EQ(rel->DetailDataController(), &pattern);

  TvxCustomDataController* d1 = m.GetDetailDataController(1, 0);
  ASSERT_NE(d1, nullptr);
  EXPECT_EQ(m.GetDetailDataController(1, 0), d1);  // made once
  EXPECT_EQ(m.Created, 1);
  EXPECT_EQ(d1->DetailMode(), dcdmClone);
  EXPECT_EQ(d1->GetMasterDataController(), &m);
  EXPECT_EQ(d1->GetRootDataController(), &m);
  EXPECT_EQ(d1->GetPatternDataController(), &pattern);
  EXPECT_TRUE(m.IsDetailDataControllerExist(1, 0));
  EXPECT_FALSE(m.IsDetailDataControllerExist(0, 0));

  // Inserting before the master record moves the clone's master index; deleting moves it back.
  m.InsertRecord(0);
  EXPECT_EQ(d1->GetMasterRecordIndex(), 2);
  m.DeleteRecord(0);
  EXPECT_EQ(d1->GetMasterRecordIndex(), 1);

  // Expanding asks, reports and answers.
  std::vector<std::string> events;
  m.OnDetailExpanding = [&](TvxCustomDataController*, Integer r, bool& allow) {
    events.push_back("expanding " + std::to_string(r));
    allow = r != 2;
  };
  m.OnDetailExpanded = [&](TvxCustomDataController*, Integer r) { events.push_back("expanded " + std::to_string(r)); };
  EXPECT_TRUE(m.ChangeDetailExpanding(1, true));
  EXPECT_TRUE(m.GetDetailExpanding(1));
  EXPECT_TRUE(m.ChangeDetailExpanding(1, true));  // already so: no events
  EXPECT_FALSE(m.ChangeDetailExpanding(2, true));
  EXPECT_FALSE(m.ChangeDetailExpanding(9, true));
  EXPECT_EQ(events, (std::vector<std::string>{"expanding 1", "expanded 1", "expanding 2"}));
  EXPECT_EQ(m.GetDetailActiveRelationIndex(1), 0);
  EXPECT_FALSE(m.GetDetailHasChildren(1, 0));
  d1->SetRecordCount(2);
  EXPECT_TRUE(m.GetDetailHasChildren(1, 0));

  // Collapsing all details frees the clones.
  m.CollapseDetails();
  EXPECT_FALSE(m.IsDetailDataControllerExist(1, 0));
  EXPECT_FALSE(m.GetDetailExpanding(1));
  m.GetDetailDataController(2, 0);
  EXPECT_EQ(m.Created, 2);
  std::vector<TvxCustomDataController*> seen;
  pattern.ForEachDetail(rel, [&](TvxCustomDataController* c) { seen.push_back(c); });
  EXPECT_EQ(seen, (std::vector<TvxCustomDataController*>{m.GetDetailDataController(2, 0)}));

  // Removing the relation puts the pattern out of detail mode.
  delete rel;
  EXPECT_EQ(pattern.GetMasterRelation(), nullptr);
  EXPECT_EQ(pattern.DetailMode(), dcdmPattern);
  EXPECT_EQ(m.Relations()->DataField(), nullptr);
}

TEST(DataControllerDetails, DeletingSeveralRecordsMovesTheDetailsOfTheKeptOnes) {
  // Records 2, 4 and 5 own detail controllers; 0, 1 and 3 go in one deletion.
  TMasterController m;
  m.AddTestItem(TvxIntegerValueType::Class());
  m.SetRecordCount(6);
  TTestItem detailItem;
  TTestDataController pattern;
  pattern.AddTestItem(TvxIntegerValueType::Class());
  pattern.SetMasterMode(m.Relations()->Add(&detailItem), true);
  TvxCustomDataController* d2 = m.GetDetailDataController(2, 0);
  TvxCustomDataController* d4 = m.GetDetailDataController(4, 0);
  TvxCustomDataController* d5 = m.GetDetailDataController(5, 0);
  ASSERT_TRUE(d2 && d4 && d5);
  m.DeleteRecordList({3, 0, 1});
  ASSERT_EQ(m.RecordCount(), 3);
  EXPECT_EQ(d2->GetMasterRecordIndex(), 0);
  EXPECT_EQ(d4->GetMasterRecordIndex(), 1);
  EXPECT_EQ(d5->GetMasterRecordIndex(), 2);
  EXPECT_EQ(m.GetDetailDataController(0, 0), d2);
  EXPECT_EQ(m.GetDetailDataController(2, 0), d5);
  EXPECT_EQ(m.Created, 3);
}

namespace {

// Counts the calls of the base hook, which makes no link object.
class TPlainMasterController : public TTestDataController {
  DECLARE_CLASS(TPlainMasterController, TTestDataController)
 public:
  Integer Asked = 0;
  TObject* CreateDetailLinkObject(TvxCustomDataRelation* ARelation, Integer ARecordIndex) override {
    ++Asked;
    return TTestDataController::CreateDetailLinkObject(ARelation, ARecordIndex);
  }
};

}  // namespace

TEST(DataControllerDetails, TheBaseControllerMakesNoDetails) {
  TPlainMasterController m;
  m.AddTestItem(TvxIntegerValueType::Class());
  m.SetRecordCount(2);
  TTestItem detailItem;
  TTestDataController pattern;
  pattern.AddTestItem(TvxIntegerValueType::Class());
  pattern.SetMasterMode(m.Relations()->Add(&detailItem), true);
  // Asked once and, the answer being nil, once again; then nothing exists.
  EXPECT_EQ(m.GetDetailLinkObject(1, 0), nullptr);
  EXPECT_EQ(m.Asked, 2);
  EXPECT_EQ(m.GetDetailDataController(1, 0), nullptr);
  EXPECT_FALSE(m.IsDetailDataControllerExist(1, 0));
  EXPECT_FALSE(m.GetDetailHasChildren(1, 0));
  // Without a relation there is no detail object to ask for.
  TPlainMasterController none;
  none.AddTestItem(TvxIntegerValueType::Class());
  none.SetRecordCount(1);
  EXPECT_EQ(none.GetDetailLinkObject(0, 0), nullptr);
  EXPECT_EQ(none.Asked, 0);
}

}  // namespace ZS_UNITY_ID
