#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

using Log = std::vector<std::string>;

namespace {

class TDataControllerTest : public testing::Test {
 protected:
  TTestDataController C;
  TNotificationLog L;
  Integer Name = -1, Age = -1;
  void SetUp() override {
    Name = C.AddTestItem(TvxStringValueType::Class());
    Age = C.AddTestItem(TvxIntegerValueType::Class());
    C.SetRecordCount(4);
    for (Integer r = 0; r < 4; ++r) {
      C.SetValue(r, Name, Variant(String(1, static_cast<wchar_t>(L'a' + r))));
      C.SetValue(r, Age, Variant(static_cast<int>(10 * r)));
    }
    L.Attach(&C);
  }
  std::vector<Integer> RowRecords() {
    std::vector<Integer> r;
    for (Integer i = 0; i < C.RowCount(); ++i) r.push_back(C.GetRowInfo(i).RecordIndex);
    return r;
  }
};

}  // namespace

TEST_F(TDataControllerTest, ChangesInsideABracketAreReportedOnce) {
  struct {
    const char* name;
    std::function<void(TTestDataController&)> changes;
    Log expected;
  } cases[] = {
      {"two items of one record",
       [&](TTestDataController& c) {
         c.SetValue(1, Name, Variant(L"x"));
         c.SetValue(1, Age, Variant(5));
       },
       {"Data(Record,-1,1)"}},
      {"three values of one record",
       [&](TTestDataController& c) {
         c.SetValue(2, Name, Variant(L"x"));
         c.SetValue(2, Age, Variant(5));
         c.SetValue(2, Name, Variant(L"y"));
       },
       {"Data(Record,-1,2)"}},
      {"one item twice",
       [&](TTestDataController& c) {
         c.SetValue(1, Age, Variant(5));
         c.SetValue(1, Age, Variant(6));
       },
       {"Data(Field,1,1)"}},
      {"two records", [&](TTestDataController& c) {
         c.SetValue(1, Age, Variant(5));
         c.SetValue(2, Age, Variant(6));
       },
       {"Data(Total,-1,-1)"}},
      {"append, then a value of the new record",
       [&](TTestDataController& c) { c.SetValue(c.AppendRecord(), Age, Variant(1)); },
       {"Data(New,-1,-1)"}},
      {"delete, then a value of another record",
       [&](TTestDataController& c) {
         c.DeleteRecord(3);
         c.SetValue(0, Age, Variant(1));
       },
       {"Data(Deleted,-1,-1)"}},
      {"a total change, then one value", [&](TTestDataController& c) {
         c.DataChanged(dcTotal, -1, -1);
         c.SetValue(0, Age, Variant(3));
       },
       {"Data(Total,-1,-1)"}},
      {"append and delete", [&](TTestDataController& c) {
         c.AppendRecord();
         c.DeleteRecord(0);
       },
       {"Data(Total,-1,-1)"}},
      {"a refresh only", [&](TTestDataController& c) { c.Refresh(); }, {"Data(Total,-1,-1)"}},
      {"nothing", [&](TTestDataController&) {}, {}},
  };
  for (auto& c : cases) {
    C.BeginUpdate();
    C.BeginUpdate();
    c.changes(C);
    C.EndUpdate();
    EXPECT_TRUE(L.Entries.empty()) << c.name << ": reported inside the outer bracket";
    C.EndUpdate();
    EXPECT_EQ(L.Take(), c.expected) << c.name;
  }
  // Outside any bracket each change is reported at once, and nothing stays pending.
  C.SetValue(0, Name, Variant(L"q"));
  EXPECT_EQ(L.Take(), Log({"Data(Field,0,0)"}));
  C.SetValue(0, Name, Variant(L"r"));
  EXPECT_EQ(L.Take(), Log({"Data(Field,0,0)"}));
}

TEST_F(TDataControllerTest, NotificationOrderWithinOneBracket) {
  C.SetMultiSelect(true);
  C.BeginUpdate();
  C.ChangeSorting(Age, soDescending);
  C.SetFocusedRowIndex(1);
  C.ChangeRowSelection(2, true);
  C.EndUpdate();
  Log log = L.Take();
  ASSERT_EQ(log.size(), 5u) << testing::PrintToString(log);
  EXPECT_EQ(log[0], "Layout");
  // The focus and the selection were set on the unsorted rows: they keep their records
  // (1 and 2), which the descending order shows in rows 2 and 1.
  EXPECT_EQ(log[1], "FocusedRow(-1,2)");
  EXPECT_EQ(log[2], "FocusedRecord(-1,1)");
  EXPECT_EQ(log[3], "Selection[1]");
  EXPECT_EQ(log[4], "SortingChanged");
  EXPECT_EQ(RowRecords(), std::vector<Integer>({3, 2, 1, 0}));
}

TEST_F(TDataControllerTest, DataChangedEventsWaitWhileTheOwnerLoads) {
  TLoadingOwner owner;
  TTestDataController c(&owner);
  Integer item = c.AddTestItem(TvxIntegerValueType::Class());
  int dataChanged = 0;
  std::vector<std::pair<Integer, Integer>> recordChanged;
  c.OnDataChanged = [&](TObject*) { ++dataChanged; };
  c.OnRecordChanged = [&](TvxCustomDataController*, Integer r, Integer i) { recordChanged.emplace_back(r, i); };
  int listened = 0;
  c.AddDataChangedListener(&owner, [&](TObject*) { ++listened; });
  owner.SetLoading(true);
  c.SetRecordCount(2);
  c.SetValue(1, item, Variant(4));
  EXPECT_EQ(dataChanged, 0);
  owner.SetLoading(false);
  c.Loaded();
  EXPECT_EQ(dataChanged, 1);
  EXPECT_EQ(listened, 1);
  c.Loaded();
  EXPECT_EQ(dataChanged, 1);
  c.SetValue(0, item, Variant(4));
  // The deferred call names no record; the next change does.
  EXPECT_EQ(recordChanged, (std::vector<std::pair<Integer, Integer>>{{0, 0}}));
  c.RemoveDataChangedListener(&owner);
  c.SetValue(0, item, Variant(5));
  EXPECT_EQ(listened, 2);
}

TEST_F(TDataControllerTest, RecordAndItemRanges) {
  EXPECT_EQ(C.InsertRecord(C.RecordCount()), 4);
  EXPECT_EQ(C.RecordCount(), 5);
  EXPECT_EQ(RaisedMessage([&] { C.InsertRecord(C.RecordCount() + 1); }), L"RecordIndex out of range");
  EXPECT_EQ(RaisedMessage([&] { C.GetValue(5, Name); }), L"RecordIndex out of range");
  EXPECT_EQ(RaisedMessage([&] { C.SetValue(-1, Name, Variant(1)); }), L"RecordIndex out of range");
  EXPECT_EQ(RaisedMessage([&] { C.GetValue(0, 2); }), L"ItemIndex out of range");
  EXPECT_EQ(RaisedMessage([&] { C.GetRecordId(9); }), L"RecordIndex out of range");
  EXPECT_EQ(RaisedMessage([&] { C.GetRowInfo(9); }), L"RowIndex out of range");
  EXPECT_EQ(RaisedMessage([&] { C.AddItem(C.Items[0].get()); }), L"Item already exists");
  EXPECT_TRUE(C.GetRecordId(0).IsNull());
  L.Take();
  C.SetRecordCount(-5);
  EXPECT_EQ(C.RecordCount(), 0);
  EXPECT_EQ(L.Take(), Log({"Data(Deleted,-1,-1)"}));
  C.SetRecordCount(-5);
  EXPECT_TRUE(L.Take().empty());
}

TEST_F(TDataControllerTest, ValuesTextsAndTypes) {
  EXPECT_EQ(C.GetValue(2, Name).AsString(), L"c");
  EXPECT_EQ(C.GetDisplayText(2, Age), L"20");
  C.ChangeTextStored(Age, true);  // the value definition is rebuilt with a text cell
  C.SetValue(1, Age, Variant(7));
  C.SetDisplayText(1, Age, L"seven");
  EXPECT_EQ(C.GetDisplayText(1, Age), L"seven");
  EXPECT_EQ(C.GetItemValueTypeClass(Age), TvxIntegerValueType::Class());
  EXPECT_EQ(TvxCustomDataHelper::GetValueDef(C.Fields()->GetItem(Age))->TextStored(), true);
  C.ChangeValueTypeClass(Age, TvxFloatValueType::Class());
  C.SetValue(1, Age, Variant(1.5));
  EXPECT_DOUBLE_EQ(C.GetValue(1, Age).AsDouble(), 1.5);
  EXPECT_EQ(C.GetValue(1, Name).AsString(), L"b");
  EXPECT_THROW(C.SetValue(1, Age, Variant(L"abc")), EVariantError);
  EXPECT_DOUBLE_EQ(C.GetValue(1, Age).AsDouble(), 1.5);
}

TEST_F(TDataControllerTest, SortingWithTheComparatorChain) {
  // Ages 0, 10, 10, 30 and names d, c, b, a: sorting by age keeps equal ages in record
  // order in both directions; a second field decides the ties.
  C.BeginUpdate();
  for (Integer r = 0; r < 4; ++r) C.SetValue(r, Name, Variant(String(1, static_cast<wchar_t>(L'd' - r))));
  C.SetValue(2, Age, Variant(10));
  C.EndUpdate();
  C.ChangeSorting(Age, soAscending);
  EXPECT_EQ(RowRecords(), std::vector<Integer>({0, 1, 2, 3}));
  C.ChangeSorting(Age, soDescending);
  EXPECT_EQ(RowRecords(), std::vector<Integer>({3, 1, 2, 0}));
  C.ChangeSorting(Name, soAscending);
  EXPECT_EQ(RowRecords(), std::vector<Integer>({3, 2, 1, 0}));
  C.ClearSorting();
  C.ChangeSorting(Name, soAscending);
  EXPECT_EQ(RowRecords(), std::vector<Integer>({3, 2, 1, 0}));
  // The compare event decides when it is assigned.
  C.OnCompare = [](TvxCustomDataController*, Integer r1, Integer r2, Integer, const Variant&, const Variant&, Integer& c) {
    c = (r1 % 2) - (r2 % 2);
  };
  C.Refresh();
  EXPECT_EQ(RowRecords(), std::vector<Integer>({0, 2, 1, 3}));
  C.OnCompare = nullptr;
  // Text options: ordinal order puts "B" before "a"; case-insensitive order does not.
  C.BeginUpdate();
  C.SetValue(0, Name, Variant(L"a"));
  C.SetValue(1, Name, Variant(L"B"));
  C.SetValue(2, Name, Variant(L"c"));
  C.SetValue(3, Name, Variant(L"D"));
  C.EndUpdate();
  EXPECT_EQ(RowRecords(), std::vector<Integer>({1, 3, 0, 2}));
  C.SetOptions(C.Options() + dcoCaseInsensitive);
  EXPECT_EQ(RowRecords(), std::vector<Integer>({0, 1, 2, 3}));
  EXPECT_EQ(C.GetItemSortOrder(Name), soAscending);
  EXPECT_EQ(C.GetItemSortOrder(Age), soNone);
}

TEST(DataControllerSort, RandomMixedVariantsSortWithoutFault) {
  TTestDataController c;
  Integer item = c.AddTestItem(TvxVariantValueType::Class());
  std::mt19937 rng(7);
  const Integer n = 2000;
  c.BeginUpdate();
  c.SetRecordCount(n);
  for (Integer r = 0; r < n; ++r) {
    switch (rng() % 5) {
      case 0: c.SetValue(r, item, Variant(static_cast<int>(rng() % 100))); break;
      case 1: c.SetValue(r, item, Variant(String(1, static_cast<wchar_t>(L'a' + rng() % 26)))); break;
      case 2: c.SetValue(r, item, Null()); break;
      case 3: c.SetValue(r, item, Variant(static_cast<double>(rng() % 100) / 4)); break;
      default: c.SetValue(r, item, VarFromDateTime(static_cast<double>(rng() % 50))); break;
    }
  }
  c.EndUpdate();
  c.ChangeSorting(item, soAscending);
  ASSERT_EQ(c.RowCount(), n);
  std::vector<Integer> seen;
  for (Integer i = 0; i < n; ++i) seen.push_back(c.GetRowInfo(i).RecordIndex);
  std::vector<Integer> sorted = seen;
  std::sort(sorted.begin(), sorted.end());
  for (Integer i = 0; i < n; ++i) ASSERT_EQ(sorted[static_cast<size_t>(i)], i);  // a permutation
  for (Integer i = 1; i < n; ++i)
    ASSERT_LE(VariantCompare(c.GetValue(seen[static_cast<size_t>(i - 1)], item), c.GetValue(seen[static_cast<size_t>(i)], item)), 0)
        << "rows " << i - 1 << " and " << i;
}

TEST_F(TDataControllerTest, FilterRecordEventHidesRows) {
  C.SetOnFilterRecord([](TvxCustomDataController* c, Integer r, bool& accept) { accept = r % 2 == 1; });
  EXPECT_EQ(RowRecords(), std::vector<Integer>({1, 3}));
  EXPECT_EQ(C.FilteredRecordCount(), 2);
  EXPECT_EQ(C.GetRowIndexByRecordIndex(2, false), -1);
  C.SetOnFilterRecord(nullptr);
  EXPECT_EQ(C.RowCount(), 4);
}

TEST_F(TDataControllerTest, EditCycle) {
  C.SetFocusedRowIndex(1);
  L.Take();
  C.Edit();
  EXPECT_TRUE(C.IsEditing());
  EXPECT_EQ(L.Take(), Log({"UpdateRecord(1)"}));
  C.SetEditValue(Name, Variant(L"changed"), evsValue);
  C.SetValue(1, Age, Variant(99));  // another item of the same record
  C.Cancel();
  EXPECT_FALSE(C.IsEditing());
  EXPECT_EQ(C.GetValue(1, Name).AsString(), L"b");
  EXPECT_EQ(C.GetValue(1, Age).AsInteger(), 10);

  C.Edit();
  C.SetEditValue(Name, Variant(L""), evsText);  // an empty text stores Null
  C.Post();
  EXPECT_TRUE(C.GetValue(1, Name).IsNull());

  // Insert twice without a value leaves one new record; posting it untouched drops it.
  C.Insert();
  C.Insert();
  EXPECT_EQ(C.RecordCount(), 5);
  EXPECT_EQ(C.GetFocusedRecordIndex(), 1);
  C.Post();
  EXPECT_EQ(C.RecordCount(), 4);
  // An inserted record with a value stays.
  C.Insert();
  C.SetEditValue(Age, Variant(5), evsValue);
  C.Post();
  EXPECT_EQ(C.RecordCount(), 5);
  EXPECT_EQ(C.GetValue(1, Age).AsInteger(), 5);
  // Append adds at the end and focuses it.
  int afterInsert = 0, newRecord = -1;
  C.OnAfterInsert = [&](TvxCustomDataController*) { ++afterInsert; };
  C.OnNewRecord = [&](TvxCustomDataController*, Integer r) { newRecord = r; };
  C.Append();
  EXPECT_EQ(newRecord, 5);
  EXPECT_EQ(afterInsert, 1);
  EXPECT_EQ(C.GetFocusedRecordIndex(), 5);
  C.Cancel();
  EXPECT_EQ(C.RecordCount(), 5);
}

TEST_F(TDataControllerTest, InsertWithoutFocusGoesFirst) {
  ASSERT_EQ(C.GetFocusedRowIndex(), -1);
  C.Insert();
  C.SetEditValue(Name, Variant(L"new"), evsValue);
  C.Post();
  EXPECT_EQ(C.GetValue(0, Name).AsString(), L"new");
  EXPECT_EQ(C.GetValue(1, Name).AsString(), L"a");
}

TEST_F(TDataControllerTest, NewItemRowPostsOnlyItsOwnInsert) {
  C.SetUseNewItemRowForEditing(true);
  // Editing a real record while the option is on changes that record and appends nothing.
  C.SetFocusedRowIndex(2);
  C.Edit();
  C.SetEditValue(Age, Variant(77), evsValue);
  C.Post();
  EXPECT_EQ(C.RecordCount(), 4);
  EXPECT_EQ(C.GetValue(2, Age).AsInteger(), 77);
  // An insert through the new-item row fills an internal record and posting appends it.
  C.Insert();
  EXPECT_TRUE(C.NewItemRowFocused());
  Integer inner = C.GetEditingRecordIndex();
  EXPECT_LT(inner, 0);
  C.SetEditValue(Name, Variant(L"row"), evsValue);
  C.Post();
  EXPECT_EQ(C.RecordCount(), 5);
  EXPECT_EQ(C.GetValue(4, Name).AsString(), L"row");
  EXPECT_EQ(C.Provider()->InsertedRecordIndex(), 4);
}

TEST_F(TDataControllerTest, StoredIndexesFollowDeletedRecords) {
  C.SetFocusedRowIndex(3);
  C.SaveBookmark();
  EXPECT_EQ(C.BookmarkRecordIndex(), 3);
  C.DeleteRecord(1);
  EXPECT_EQ(C.BookmarkRecordIndex(), 2);
  EXPECT_EQ(C.GetFocusedRecordIndex(), 2);
  EXPECT_EQ(C.GetValue(C.GetFocusedRecordIndex(), Name).AsString(), L"d");
  // Deleting the focused record focuses its neighbour after it, by value.
  C.SetFocusedRowIndex(0);
  C.DeleteFocused();
  EXPECT_EQ(C.RecordCount(), 2);
  EXPECT_EQ(C.GetValue(C.GetFocusedRecordIndex(), Name).AsString(), L"c");
  C.DeleteRecord(C.BookmarkRecordIndex());
  EXPECT_EQ(C.BookmarkRecordIndex(), -1);
}

TEST_F(TDataControllerTest, SelectionNotifications) {
  C.SetMultiSelect(true);
  C.ChangeRowSelection(1, true);
  EXPECT_EQ(L.Take(), Log({"Selection[1]"}));
  C.ChangeRowSelection(3, true);
  EXPECT_EQ(L.Take(), Log({"Selection[]"}));
  C.ClearSelection();
  EXPECT_EQ(L.Take(), Log({"Selection[]"}));
  EXPECT_EQ(C.GetSelectedCount(), 0);
  EXPECT_EQ(TvxSelectionChangedInfo::CreateEx(5, 5)->Count(), 1);
  EXPECT_EQ(TvxSelectionChangedInfo::CreateEx(-1, -1)->Count(), 0);
  EXPECT_EQ(TvxSelectionChangedInfo::CreateEx(-1, 4)->RowIndexes, std::vector<Integer>({4}));
}

TEST_F(TDataControllerTest, SingleSelectionIsTheFocusedRowUntilSyncedAway) {
  EXPECT_EQ(C.GetSelectedCount(), 0);  // nothing focused yet
  EXPECT_EQ(C.GetSelectedRowIndex(0), -1);
  C.SetFocusedRowIndex(2);
  L.Take();
  EXPECT_EQ(C.GetSelectedCount(), 1);
  EXPECT_EQ(C.GetSelectedRowIndex(0), 2);
  EXPECT_TRUE(C.IsRowSelected(2));
  EXPECT_FALSE(C.IsRowSelected(1));
  C.SyncSelected(false);
  EXPECT_EQ(L.Take(), Log({"Selection[2]"}));
  EXPECT_EQ(C.GetSelectedCount(), 0);
  EXPECT_FALSE(C.IsRowSelected(2));
  C.SyncSelected(false);  // no change, no notification
  EXPECT_EQ(L.Take(), Log());
  C.SetFocusedRowIndex(3);  // a focus change selects the focused row again
  EXPECT_EQ(C.GetSelectedCount(), 1);
  EXPECT_EQ(C.GetSelectedRowIndex(0), 3);
  Log log = L.Take();
  EXPECT_NE(std::find(log.begin(), log.end(), "Selection[3]"), log.end());
}

TEST_F(TDataControllerTest, IncrementalSearch) {
  C.BeginUpdate();
  C.SetValue(0, Name, Variant(L"apple"));
  C.SetValue(1, Name, Variant(L"banana"));
  C.SetValue(2, Name, Variant(L"avocado"));
  C.SetValue(3, Name, Variant(L"Apricot"));
  C.EndUpdate();
  C.SetFocusedRowIndex(3);
  L.Take();
  // From the focused record to the end, then from the start.
  EXPECT_TRUE(C.Search()->Locate(Name, L"ap"));
  EXPECT_EQ(C.GetFocusedRecordIndex(), 3);
  EXPECT_TRUE(C.Search()->Searching());
  C.SetFocusedRowIndex(1);
  EXPECT_TRUE(C.Search()->Locate(Name, L"AV"));
  EXPECT_EQ(C.GetFocusedRecordIndex(), 2);
  EXPECT_EQ(C.Search()->SearchText(), L"AV");
  EXPECT_FALSE(C.Search()->Locate(Name, L"zz"));
  EXPECT_FALSE(C.Search()->Locate(Name, L""));
  EXPECT_TRUE(C.Search()->Locate(Name, L"a"));
  EXPECT_TRUE(C.Search()->LocateNext(true));
  EXPECT_EQ(C.GetFocusedRecordIndex(), 3);
  EXPECT_FALSE(C.Search()->LocateNext(true));  // no wrap-around
  EXPECT_TRUE(C.Search()->LocateNext(false));
  EXPECT_EQ(C.GetFocusedRecordIndex(), 2);
  // Focusing another record ends the search.
  C.SetFocusedRowIndex(1);
  EXPECT_FALSE(C.Search()->Searching());
  EXPECT_EQ(C.Search()->ItemIndex(), Name);
}

TEST(DataFields, ListOrderReferencesAndTakeOver) {
  TTestDataController c;
  c.AddTestItem(TvxStringValueType::Class());
  TvxCustomDataField* internal = c.AddInternalField();
  c.AddTestItem(TvxIntegerValueType::Class());
  TvxCustomDataFieldList* list = c.Fields();
  EXPECT_EQ(list->IndexOf(internal), 2);
  EXPECT_EQ(list->ItemCount(), 2);

  TvxCustomDataField* owner = list->GetItem(0);
  auto* f1 = c.AddInternalField();
  auto* f2 = c.AddInternalField();
  auto* f3 = c.AddInternalField();
  f1->SetReferenceField(owner);
  f2->SetReferenceField(f1);  // the chain ends at the owner
  f3->SetReferenceField(owner);
  EXPECT_EQ(f2->ReferenceField(), owner);
  owner->SetReferenceField(f2);  // a cycle: nothing changes
  EXPECT_EQ(owner->ReferenceField(), nullptr);
  c.SetRecordCount(1);
  c.SetValue(0, 0, Variant(L"shared"));
  TvxValueDef* def = owner->ValueDef();
  EXPECT_EQ(f3->ValueDef(), def);
  c.RemoveItem(c.Items[0].get());
  EXPECT_EQ(f1->ReferenceField(), nullptr);
  EXPECT_EQ(f1->ValueDef(), def);
  EXPECT_EQ(def->LinkObject(), f1);
  EXPECT_EQ(f2->ReferenceField(), f1);
  EXPECT_EQ(f3->ReferenceField(), f1);
  EXPECT_EQ(c.DataStorage()->GetValue(0, f3->ValueDef()).AsString(), L"shared");
  EXPECT_EQ(list->ItemCount(), 1);
}

TEST(DataControllerLifetime, DestroyingWithSortedAndSearchedFields) {
  auto c = std::make_unique<TTestDataController>();
  Integer a = c->AddTestItem(TvxStringValueType::Class());
  Integer b = c->AddTestItem(TvxIntegerValueType::Class());
  c->SetRecordCount(3);
  c->SetValue(0, a, Variant(L"x"));
  c->ChangeSorting(b, soAscending);
  c->ChangeSorting(a, soDescending);
  c->SetFocusedRowIndex(0);
  EXPECT_TRUE(c->Search()->Locate(a, L"x"));
  TvxDataListenerLink* link = c->AddListenerLink();
  c.reset();
  EXPECT_EQ(link->Ref, nullptr);
  delete link;
}

namespace {

// Ten records held by the source itself.
class TArraySource : public TvxCustomDataSource {
  DECLARE_CLASS(TArraySource, TvxCustomDataSource)
 public:
  std::vector<Integer> Values{5, 3, 9, 1, 7};
  Integer GetRecordCount() override { return static_cast<Integer>(Values.size()); }
  TvxDataRecordHandle GetRecordHandleAt(Integer ARecordIndex) override { return 100 + ARecordIndex; }
  Variant GetValueByHandle(TvxDataRecordHandle AHandle, NativeInt) override {
    return Variant(static_cast<int>(Values.at(static_cast<size_t>(AHandle - 100))));
  }
  void SetValueByHandle(TvxDataRecordHandle AHandle, NativeInt, const Variant& AValue) override {
    Values.at(static_cast<size_t>(AHandle - 100)) = AValue.AsInteger();
  }
};

}  // namespace

TEST(DataControllerProviderMode, ReadsSortsAndWritesThroughTheSource) {
  TTestDataController c;
  Integer item = c.AddTestItem(TvxIntegerValueType::Class());
  TArraySource source;
  c.SetCustomDataSource(&source);
  EXPECT_TRUE(c.IsProviderMode());
  ASSERT_EQ(c.RecordCount(), 5);
  EXPECT_EQ(c.GetValue(2, item).AsInteger(), 9);
  c.ChangeSorting(item, soAscending);
  std::vector<Integer> rows;
  for (Integer i = 0; i < c.RowCount(); ++i) rows.push_back(c.GetRowInfo(i).RecordIndex);
  EXPECT_EQ(rows, std::vector<Integer>({3, 1, 0, 4, 2}));
  c.SetValue(0, item, Variant(100));
  EXPECT_EQ(source.Values[0], 100);
  source.Values.push_back(0);
  source.DataChanged();
  EXPECT_EQ(c.RecordCount(), 6);
  c.SetCustomDataSource(nullptr);
  EXPECT_FALSE(c.IsProviderMode());
  EXPECT_EQ(c.RecordCount(), 0);
}

namespace {

// A provider that walks its own rows like a cursor and hands the current row's values over
// through a reader of its own class; the controller stores the records itself.
struct TCursor {
  std::vector<int> Rows;
  size_t Position = 0;
  TvxCustomDataController* Controller = nullptr;
  int Saved = 0, Restored = 0;
};
TCursor* CurrentCursor = nullptr;

class TCursorReader : public TvxValueDefReader {
  DECLARE_CLASS(TCursorReader, TvxValueDefReader)
 public:
  Variant GetValue(TvxValueDef* AValueDef) override {
    if (AValueDef != CurrentCursor->Controller->GetItemField(0)->ValueDef()) return Null();
    return Variant(CurrentCursor->Rows.at(CurrentCursor->Position));
  }
};

class TCursorProvider : public TvxCustomDataProvider {
  DECLARE_CLASS(TCursorProvider, TvxCustomDataProvider)
 public:
  using TvxCustomDataProvider::TvxCustomDataProvider;
  TvxValueDefReaderClass GetValueDefReaderClass() override { return TCursorReader::StaticClass(); }
  bool IsEOF() override { return CurrentCursor->Position >= CurrentCursor->Rows.size(); }
  void First() override {
    TvxCustomDataProvider::First();
    CurrentCursor->Position = 0;
  }
  void Next() override { ++CurrentCursor->Position; }
  void SavePosition() override { ++CurrentCursor->Saved; }
  void RestorePosition() override { ++CurrentCursor->Restored; }
};

class TCursorController : public TTestDataController {
  DECLARE_CLASS(TCursorController, TTestDataController)
 public:
  bool SmartLoad = false;
  TvxCustomDataProviderClass GetDataProviderClass() override { return TCursorProvider::StaticClass(); }
  // The records are the controller's own, but they are read afresh whenever the source
  // changes, as in provider mode.
  bool IsProviderMode() override { return false; }
  bool NeedsFieldUpdate() override { return Provider()->HasCustomDataSource() || TTestDataController::NeedsFieldUpdate(); }
  bool IsSmartLoad() override { return SmartLoad; }
};

class TEmptySource : public TvxCustomDataSource {
  DECLARE_CLASS(TEmptySource, TvxCustomDataSource)
};

}  // namespace

TEST(DataControllerProviderMode, ACursorProviderLoadsThroughItsReader) {
  TCursor cursor;
  cursor.Rows = {4, 8, 15, 16};
  CurrentCursor = &cursor;
  TScopeExit forget([] { CurrentCursor = nullptr; });
  TCursorController c;
  c.AfterConstruction();
  cursor.Controller = &c;
  c.AddTestItem(TvxIntegerValueType::Class());
  TEmptySource source;
  c.SetCustomDataSource(&source);
  ASSERT_EQ(c.RecordCount(), 4);
  for (Integer r = 0; r < 4; ++r) EXPECT_EQ(c.GetValue(r, 0).AsInteger(), cursor.Rows[static_cast<size_t>(r)]);
  EXPECT_GT(cursor.Saved, 0);
  EXPECT_EQ(cursor.Saved, cursor.Restored);
  EXPECT_EQ(c.Provider()->LockCount(), 0);
  // Reloading reads the source's rows afresh.
  cursor.Rows = {23, 42};
  source.DataChanged();
  ASSERT_EQ(c.RecordCount(), 2);
  EXPECT_EQ(c.GetValue(1, 0).AsInteger(), 42);
  // While the control loads its records itself, appending and inserting add the provider's
  // current row at the end through a fresh reader.
  c.SmartLoad = true;
  cursor.Position = 1;
  EXPECT_EQ(c.AppendRecord(), 2);
  EXPECT_EQ(c.InsertRecord(0), 3);
  ASSERT_EQ(c.RecordCount(), 4);
  EXPECT_EQ(c.GetValue(0, 0).AsInteger(), 23);
  EXPECT_EQ(c.GetValue(2, 0).AsInteger(), 42);
  EXPECT_EQ(c.GetValue(3, 0).AsInteger(), 42);
}

TEST(DataControllerProviderMode, SmartLoadWithTheBaseReaderAppendsAnEmptyRecord) {
  struct TSmart : TTestDataController {
    bool IsSmartLoad() override { return true; }
  } c;
  c.AddTestItem(TvxIntegerValueType::Class());
  c.SetRecordCount(1);
  c.SetValue(0, 0, Variant(7));
  EXPECT_EQ(c.InsertRecord(0), 1);
  ASSERT_EQ(c.RecordCount(), 2);
  EXPECT_EQ(c.GetValue(0, 0).AsInteger(), 7);
  EXPECT_TRUE(c.GetValue(1, 0).IsNull());
}

TEST(DataRelations, DetailFieldAndDetailObjects) {
  TTestDataController master, detail;
  master.AddTestItem(TvxIntegerValueType::Class());
  master.SetRecordCount(2);
  TvxCustomDataRelationList* relations = master.Relations();
  EXPECT_EQ(relations->DataField(), nullptr);
  TTestItem relationItem;
  TvxCustomDataRelation* relation = relations->Add(&relationItem);
  ASSERT_NE(relations->DataField(), nullptr);
  EXPECT_EQ(relations->DataField()->ValueTypeClass(), TvxObjectValueType::Class());
  EXPECT_TRUE(relations->DataField()->IsInternal());
  EXPECT_EQ(master.Fields()->ItemCount(), 1);

  // Without a detail controller the list is empty and no detail object is made.
  EXPECT_EQ(relations->GetDetailObject(0), nullptr);
  relation->SetDetailDataController(&detail);
  TvxDetailObject* d = relations->GetDetailObject(0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(relations->GetDetailObject(0), d);
  EXPECT_EQ(d->ActiveRelationIndex, 0);
  EXPECT_EQ(d->InfoObjectCount(), 1);
  d->SetLinkObject(0, new TObject);
  EXPECT_TRUE(relations->IsDetailObjectExist(0, -1));
  EXPECT_TRUE(relations->IsDetailObjectExist(0, 0));
  EXPECT_FALSE(relations->IsDetailObjectExist(1, 0));
  EXPECT_TRUE(relations->ClearDetailObject(0, 0));
  EXPECT_FALSE(relations->IsDetailObjectExist(0, 0));
  EXPECT_FALSE(relations->ClearDetailObject(1, -1));

  // When no relation has a detail controller any more the detail object goes and the
  // record's field holds 0.
  relation->SetDetailDataController(nullptr);
  EXPECT_EQ(relations->GetDetailObject(0), nullptr);
  EXPECT_EQ(master.DataStorage()->GetValue(0, relations->DataField()->ValueDef()).AsInteger(), 0);
  EXPECT_EQ(RaisedMessage([&] { relations->GetDetailObject(5); }), L"RecordIndex out of range");

  // Removing the last relation frees the detail field.
  relations->RemoveByItem(&relationItem);
  EXPECT_EQ(relations->Count(), 0);
  EXPECT_EQ(relations->DataField(), nullptr);
  EXPECT_EQ(master.Fields()->Count(), 1);
  // A relation list with detail objects goes with its controller.
  relations->Add(&relationItem)->SetDetailDataController(&detail);
  relations->GetDetailObject(1)->SetLinkObject(0, new TObject);
}

TEST_F(TDataControllerTest, DeleteSelectionKeepsTheFocusNearby) {
  C.SetMultiSelect(true);
  C.SetFocusedRowIndex(1);
  C.ChangeRowSelection(1, true);
  C.ChangeRowSelection(2, true);
  int deleted = 0;
  C.OnAfterDelete = [&](TvxCustomDataController*) { ++deleted; };
  C.DeleteSelection();
  EXPECT_EQ(deleted, 2);
  ASSERT_EQ(C.RecordCount(), 2);
  EXPECT_EQ(C.GetValue(0, Name).AsString(), L"a");
  EXPECT_EQ(C.GetValue(1, Name).AsString(), L"d");
  EXPECT_EQ(C.GetSelectedCount(), 0);
  EXPECT_EQ(C.GetValue(C.GetFocusedRecordIndex(), Name).AsString(), L"d");
}

TEST_F(TDataControllerTest, AssignCopiesOptionsAndEvents) {
  TTestDataController other;
  int sorted = 0;
  other.SetOptions(other.Options() + dcoAnsiSort);
  other.OnSortingChanged = [&](TObject*) { ++sorted; };
  other.OnUpdateControl = [](TvxUpdateControlInfo*) {};
  C.OnUpdateControl = nullptr;
  C.Assign(&other);
  EXPECT_TRUE(C.Options().Contains(dcoAnsiSort));
  EXPECT_FALSE(static_cast<bool>(C.OnUpdateControl));  // not copied
  C.ChangeSorting(Age, soAscending);
  EXPECT_EQ(sorted, 1);
}

namespace {

// Records with stable IDs that the source can reorder.
class TKeyedSource : public TvxCustomDataSource {
  DECLARE_CLASS(TKeyedSource, TvxCustomDataSource)
 public:
  std::vector<Integer> Ids{10, 20, 30, 40};
  Integer GetRecordCount() override { return static_cast<Integer>(Ids.size()); }
  Variant GetValueByHandle(TvxDataRecordHandle AHandle, NativeInt) override {
    return Variant(static_cast<int>(Ids.at(static_cast<size_t>(AHandle))));
  }
  bool IsRecordIdSupported() override { return true; }
  Variant GetRecordId(TvxDataRecordHandle AHandle) override {
    return Variant(static_cast<int>(Ids.at(static_cast<size_t>(AHandle))));
  }
};

}  // namespace

TEST(DataControllerKeys, SelectionFollowsRecordKeysAcrossAReload) {
  TTestDataController c;
  Integer item = c.AddTestItem(TvxIntegerValueType::Class());
  TKeyedSource source;
  c.SetCustomDataSource(&source);
  c.SetMultiSelect(true);
  c.ChangeRowSelection(1, true);  // id 20
  c.ChangeRowSelection(3, true);  // id 40
  c.SaveKeys();
  c.SaveKeys();  // nested: only the outer pair saves and restores
  source.Ids = {40, 30, 20};
  source.DataChanged();
  c.RestoreKeys();
  c.RestoreKeys();
  ASSERT_EQ(c.GetSelectedCount(), 2);
  std::vector<Integer> ids;
  for (Integer i = 0; i < c.GetSelectedCount(); ++i)
    ids.push_back(c.GetValue(c.GetRowInfo(c.GetSelectedRowIndex(i)).RecordIndex, item).AsInteger());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, std::vector<Integer>({20, 40}));
  c.SetCustomDataSource(nullptr);
}

TEST(DataControllerKeys, RepeatedKeysEachTakeOneSelectedRecord) {
  TTestDataController c;
  Integer item = c.AddTestItem(TvxIntegerValueType::Class());
  TKeyedSource source;
  source.Ids = {10, 20, 20, 30, 50};
  c.SetCustomDataSource(&source);
  c.SetMultiSelect(true);
  for (Integer r : {1, 2, 3, 4}) c.ChangeRowSelection(r, true);  // 20, 20, 30, 50
  c.SaveKeys();
  source.Ids = {20, 40, 30, 20, 20, 10};  // 50 is gone; a third 20 is new
  source.DataChanged();
  c.RestoreKeys();
  std::vector<Integer> records;
  for (Integer i = 0; i < c.GetSelectedCount(); ++i) records.push_back(c.GetRowInfo(c.GetSelectedRowIndex(i)).RecordIndex);
  std::sort(records.begin(), records.end());
  // The two saved 20s go to the first two records holding 20; 30 follows; 50 is dropped.
  EXPECT_EQ(records, std::vector<Integer>({0, 2, 3}));
  for (Integer r : records) EXPECT_NE(c.GetValue(r, item).AsInteger(), 50);
  c.SetCustomDataSource(nullptr);
}

namespace {

// A source that hands out its values for comparison in place.
class TNativeSource : public TArraySource {
  DECLARE_CLASS(TNativeSource, TArraySource)
 public:
  bool IsNativeCompare() override { return true; }
  bool GetInfoForCompare(TvxDataRecordHandle AHandle, NativeInt, Pointer& AValuePointer) override {
    AValuePointer = &Values.at(static_cast<size_t>(AHandle - 100));
    return true;
  }
};

class TNoCompareSource : public TArraySource {
  DECLARE_CLASS(TNoCompareSource, TArraySource)
 public:
  bool IsNativeCompare() override { return true; }
};

}  // namespace

TEST(DataControllerProviderMode, NativeCompareReadsRawValues) {
  TTestDataController c;
  Integer item = c.AddTestItem(TvxIntegerValueType::Class());
  TNativeSource source;
  c.SetCustomDataSource(&source);
  c.ChangeSorting(item, soDescending);
  std::vector<Integer> rows;
  for (Integer i = 0; i < c.RowCount(); ++i) rows.push_back(c.GetRowInfo(i).RecordIndex);
  EXPECT_EQ(rows, std::vector<Integer>({2, 4, 0, 1, 3}));
  c.ClearSorting();
  c.SetCustomDataSource(nullptr);

  TNoCompareSource broken;
  c.SetCustomDataSource(&broken);
  EXPECT_EQ(RaisedMessage([&] { c.ChangeSorting(item, soAscending); }), L"GetInfoForCompare not implemented");
  EXPECT_EQ(c.LockCount(), 0);
  c.ClearSorting();
  c.SetCustomDataSource(nullptr);
  EXPECT_EQ(c.RecordCount(), 0);
}

}  // namespace ZS_UNITY_ID
