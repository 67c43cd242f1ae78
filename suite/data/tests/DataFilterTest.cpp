#include <gtest/gtest.h>

#include <cmath>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

namespace {

// Items are known to streams by their position.
class TIdDataController : public TIdTestDataController {
 public:
  String GetFilterItemFieldCaption(TObject* AItem) override { return GetItemID(AItem) == 0 ? L"Name" : L"Age"; }
};

class DataFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    Name = C.AddTestItem(TvxStringValueType::Class());
    Age = C.AddTestItem(TvxIntegerValueType::Class());
    const wchar_t* names[] = {L"anna", L"bob", L"carla", L"dan", L"eve", L"jan"};
    C.SetRecordCount(6);
    for (Integer r = 0; r < 6; ++r) {
      C.SetValue(r, Name, Variant(names[r]));
      C.SetValue(r, Age, Variant(static_cast<int>(10 * r)));
    }
  }
  std::vector<Integer> Rows() {
    std::vector<Integer> r;
    for (Integer i = 0; i < C.RowCount(); ++i) r.push_back(C.GetRowInfo(i).RecordIndex);
    return r;
  }
  TIdDataController C;
  Integer Name = 0, Age = 0;
};

TEST_F(DataFilter, ActiveCriteriaFiltersRowsAndFollowsEdits) {
  TvxDataFilterCriteria* f = C.Filter();
  int changed = 0;
  f->SetOnChanged([&](TObject*) { ++changed; });
  f->BeginUpdate();
  f->AddItem(nullptr, C.Items[Name].get(), foLike, L"%a%", L"%a%");
  f->AddItem(nullptr, C.Items[Age].get(), foGreater, 10, L"10");
  f->EndUpdate();
  EXPECT_FALSE(f->IsFiltering());
  EXPECT_EQ(Rows(), (std::vector<Integer>{0, 1, 2, 3, 4, 5}));
  f->SetActive(true);
  EXPECT_TRUE(f->IsFiltering());
  EXPECT_EQ(Rows(), (std::vector<Integer>{2, 3, 5}));
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(f->FilterText(), L"(Name LIKE '%a%') AND (Age > 10)");
  // A record whose value no longer passes leaves the rows once the edit is done.
  C.SetValue(3, Name, Variant(L"don"));
  EXPECT_EQ(Rows(), (std::vector<Integer>{2, 5}));
  // Removing the item's field removes its conditions.
  f->RemoveItemByField(C.Fields()->GetItem(Name));
  EXPECT_EQ(f->FilterText(), L"(Age > 10)");
  EXPECT_EQ(Rows(), (std::vector<Integer>{2, 3, 4, 5}));
}

TEST_F(DataFilter, AConditionFollowsItsValueAndTheCriteriaOptions) {
  // The condition value is prepared once per pass: a new value, or options that prepare it
  // otherwise, must be seen by the next pass.
  C.SetValue(1, Name, Variant(L"Bob"));
  TvxDataFilterCriteria* f = C.Filter();
  TvxFilterCriteriaItem* item = f->AddItem(nullptr, C.Items[Name].get(), foLike, L"b%", L"b%");
  f->SetActive(true);
  EXPECT_EQ(Rows(), (std::vector<Integer>{}));
  f->SetOptions({fcoCaseInsensitive});
  EXPECT_EQ(Rows(), (std::vector<Integer>{1}));
  item->SetValue(L"%A%");
  EXPECT_EQ(Rows(), (std::vector<Integer>{0, 2, 3, 5}));
  f->SetOptions({});
  EXPECT_EQ(Rows(), (std::vector<Integer>{}));
  item->SetOperatorKind(foNotLike);
  EXPECT_EQ(Rows(), (std::vector<Integer>{0, 1, 2, 3, 4, 5}));
}

TEST_F(DataFilter, StreamedFilterRestoresTheRows) {
  TvxDataFilterCriteria* f = C.Filter();
  f->Root()->SetBoolOperatorKind(fboOr);
  f->AddItem(nullptr, C.Items[Name].get(), foEqual, L"bob", L"bob");
  f->AddItem(nullptr, C.Items[Age].get(), foBetween, MakeVariantPair(35, 45), L"35;45");
  f->SetActive(true);
  const std::vector<Integer> rows = Rows();
  EXPECT_EQ(rows, (std::vector<Integer>{1, 4}));
  TMemoryStream s;
  f->WriteData(&s);
  f->Clear();
  EXPECT_EQ(Rows().size(), 6u);
  s.SetPosition(0);
  f->ReadData(&s);
  EXPECT_EQ(f->LoadedVersion(), 3);
  EXPECT_EQ(f->FilterText(), L"(Name = 'bob') OR (Age BETWEEN 35 AND 45)");
  EXPECT_EQ(Rows(), rows);
}

TEST_F(DataFilter, CreatedFilterDoesNotRefreshTheRows) {
  std::unique_ptr<TvxDataFilterCriteria> own = C.CreateFilter();
  own->AddItem(nullptr, C.Items[Age].get(), foLess, 20, L"20");
  own->SetActive(true);
  EXPECT_EQ(Rows().size(), 6u);
  EXPECT_TRUE(own->FilterRecord(1));
  EXPECT_FALSE(own->FilterRecord(2));
  // Copied into the controller's filter it filters.
  C.Filter()->Assign(own.get());
  EXPECT_EQ(C.Filter()->FilterText(), L"(Age < 20)");
  EXPECT_EQ(Rows(), (std::vector<Integer>{0, 1}));
}

TEST_F(DataFilter, CreatedFiltersLoseRemovedFieldsAndLeaveTheListWhenFreed) {
  std::unique_ptr<TvxDataFilterCriteria> kept = C.CreateFilter();
  kept->AddItem(nullptr, C.Items[Age].get(), foLess, 20, L"20");
  std::unique_ptr<TvxDataFilterCriteria> freed = C.CreateFilter();
  freed->AddItem(nullptr, C.Items[Age].get(), foLess, 20, L"20");
  EXPECT_EQ(C.Filters()->Count(), 3);  // the controller's own and the two made
  freed.reset();
  EXPECT_EQ(C.Filters()->Count(), 2);
  // Removing the item reaches every filter still alive (and none that is gone).
  C.RemoveItem(C.Items[Age].get());
  EXPECT_EQ(kept->FilterText(), L"");
  // A filter may outlive its controller.
  {
    TTestDataController other;
    other.AddTestItem(TvxIntegerValueType::Class());
    kept = other.CreateFilter();
  }
  kept.reset();
}

// A controller that gives every filter value through GetFilterDataValue, as one that
// supplies filter values of its own does.
class TVariantFilterController : public TTestDataController {
 public:
  bool PeekFilterDataValue(Integer, TvxCustomDataField*, TvxFilterPeekedValue&) override { return false; }
};

// The stored numbers and texts a filter compares without variants must pass exactly the
// records the variant comparison passes: integers against doubles, 64-bit integers past a
// double's precision, NaN, dates, empty texts, and the options that prepare or test texts.
TEST(DataFilterStoredValues, PassTheRecordsTheirVariantsPass) {
  TTestDataController fast;
  TVariantFilterController slow;
  const TvxValueTypeClass types[] = {TvxIntegerValueType::Class(), TvxFloatValueType::Class(),
                                     TvxLargeIntValueType::Class(), TvxDateTimeValueType::Class(),
                                     TvxStringValueType::Class(),  TvxSmallintValueType::Class(),
                                     TvxWordValueType::Class()};
  const double nan = std::nan("");
  const Int64 big = (Int64(1) << 53) + 1;
  const std::vector<std::vector<Variant>> columns = {
      {Variant(-5), Variant(0), Variant(7), Variant(100), Null()},
      {Variant(-0.5), Variant(7.0), Variant(nan), Variant(100.25), Null()},
      {Variant(static_cast<long long>(big)), Variant(static_cast<long long>(big - 1)), Variant(static_cast<long long>(-1)),
       Variant(static_cast<long long>(7)), Null()},
      {VarFromDateTime(45000.5), VarFromDateTime(45001.0), VarFromDateTime(44000.0), VarFromDateTime(7.0), Null()},
      {Variant(L"abcx"), Variant(L""), Variant(L"ABC_"), Variant(L"xabcd"), Null()},
      {Variant(static_cast<SmallInt>(-3)), Variant(static_cast<SmallInt>(7)), Variant(static_cast<SmallInt>(0)),
       Variant(static_cast<SmallInt>(100)), Null()},
      {Variant(static_cast<Word>(3)), Variant(static_cast<Word>(7)), Variant(static_cast<Word>(65535)),
       Variant(static_cast<Word>(100)), Null()}};
  for (TTestDataController* c : {&fast, static_cast<TTestDataController*>(&slow)}) {
    for (TvxValueTypeClass t : types) c->AddTestItem(t);
    c->SetRecordCount(5);
    for (size_t col = 0; col < columns.size(); ++col)
      for (Integer r = 0; r < 5; ++r) c->SetValue(r, static_cast<Integer>(col), columns[col][static_cast<size_t>(r)]);
  }
  const std::vector<Variant> numbers = {Variant(7),           Variant(7.0),  Variant(6.5),
                                        Variant(static_cast<long long>(big - 1)), Variant(nan), VarFromDateTime(45000.5),
                                        Variant(static_cast<Byte>(100)), Variant(L"7"), Null()};
  const std::vector<Variant> texts = {Variant(L"%abc%"), Variant(L"abc_"), Variant(L"%"), Variant(L""), Variant(7)};
  const TvxFilterOperatorKind compares[] = {foEqual, foNotEqual, foLess, foLessEqual, foGreater, foGreaterEqual};
  const TvxFilterCriteriaOptions optionSets[] = {{}, {fcoCaseInsensitive}, {fcoSoftNull}, {fcoIgnoreNull}};
  auto rows = [](TTestDataController& c) {
    std::vector<Integer> r;
    for (Integer i = 0; i < c.RowCount(); ++i) r.push_back(c.GetRowInfo(i).RecordIndex);
    return r;
  };
  auto check = [&](Integer col, TvxFilterOperatorKind op, const Variant& v, const TvxFilterCriteriaOptions& o) {
    std::vector<Integer> got[2];
    int k = 0;
    for (TTestDataController* c : {&fast, static_cast<TTestDataController*>(&slow)}) {
      TvxDataFilterCriteria* f = c->Filter();
      f->BeginUpdate();
      f->Clear();
      f->SetOptions(o);
      f->AddItem(nullptr, c->Items[static_cast<size_t>(col)].get(), op, v, String());
      f->SetActive(true);
      f->EndUpdate();
      got[k++] = rows(*c);
    }
    EXPECT_EQ(got[0], got[1]) << "column " << col << " operator " << static_cast<int>(op) << " value type "
                              << VarType(v);
  };
  for (const TvxFilterCriteriaOptions& o : optionSets) {
    for (Integer col = 0; col < static_cast<Integer>(std::size(types)); ++col) {
      if (col == 4) {
        for (const Variant& v : texts)
          for (TvxFilterOperatorKind op : {foLike, foNotLike, foEqual, foLess}) check(col, op, v, o);
      } else {
        for (const Variant& v : numbers)
          for (TvxFilterOperatorKind op : compares) check(col, op, v, o);
      }
    }
  }
}

// A group stops at its first settled answer and still gives every kind's result.
TEST_F(DataFilter, GroupsGiveTheirKindsResultOverEveryRecord) {
  struct TCase {
    TvxFilterBoolOperatorKind Kind;
    std::vector<Integer> Rows;
  };
  // Name LIKE '%a%' passes 0, 2, 3, 5; Age > 20 passes 3, 4, 5.
  const TCase cases[] = {{fboAnd, {3, 5}}, {fboOr, {0, 2, 3, 4, 5}}, {fboNotAnd, {0, 1, 2, 4}}, {fboNotOr, {1}}};
  TvxDataFilterCriteria* f = C.Filter();
  for (const TCase& c : cases) {
    f->BeginUpdate();
    f->Clear();
    f->Root()->SetBoolOperatorKind(c.Kind);
    f->AddItem(nullptr, C.Items[Name].get(), foLike, L"%a%", L"%a%");
    f->AddItem(nullptr, C.Items[Age].get(), foGreater, 20, L"20");
    f->SetActive(true);
    f->EndUpdate();
    EXPECT_EQ(Rows(), c.Rows) << static_cast<int>(c.Kind);
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
