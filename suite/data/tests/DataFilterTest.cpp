#include <gtest/gtest.h>

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

}  // namespace

}  // namespace ZS_UNITY_ID
