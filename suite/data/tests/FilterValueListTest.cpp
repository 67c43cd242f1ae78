// The values offered to an item's filter drop-down.
#include <gtest/gtest.h>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

namespace {

std::vector<std::wstring> Texts(const TvxFilterValueList& AList) {
  std::vector<std::wstring> r;
  for (Integer i = 0; i < AList.Count(); ++i) r.push_back(AList.Items(i).DisplayText);
  return r;
}

}  // namespace

TEST(FilterValueList, LoadsSortedDistinctValuesWithTheSpecialItems) {
  TTestDataController c;
  c.AddTestItem(TvxIntegerValueType::Class());
  const int values[] = {30, 10, 0, 30, 20, 10};
  c.SetRecordCount(7);  // record 6 stays Null
  for (Integer r = 0; r < 6; ++r) c.SetValue(r, 0, Variant(values[r]));
  std::unique_ptr<TvxDataFilterValueList> list = c.Filter()->CreateValueList();
  list->Load(0);
  EXPECT_EQ(Texts(*list), (std::vector<std::wstring>{L"(All)", L"(Custom...)", L"(Blanks)", L"(NonBlanks)", L"0", L"10",
                                                     L"20", L"30"}));
  EXPECT_EQ(list->FindItemByValue(Variant(20)), 6);
  EXPECT_EQ(list->FindItemByValue(Variant(25)), -1);
  // Which item a condition stands for.
  TvxDataFilterCriteria* f = c.Filter();
  TvxFilterCriteriaItem* eq = f->AddItem(nullptr, c.Items[0].get(), foEqual, Variant(10), L"10");
  TvxFilterCriteriaItem* blank = f->AddItem(nullptr, c.Items[0].get(), foEqual, Null(), L"");
  TvxFilterCriteriaItem* nonBlank = f->AddItem(nullptr, c.Items[0].get(), foNotEqual, Null(), L"");
  TvxFilterCriteriaItem* greater = f->AddItem(nullptr, c.Items[0].get(), foGreater, Variant(10), L"10");
  EXPECT_EQ(list->GetIndexByCriteriaItem(nullptr), 0);
  EXPECT_EQ(list->GetIndexByCriteriaItem(eq), 5);
  EXPECT_EQ(list->GetIndexByCriteriaItem(blank), 2);
  EXPECT_EQ(list->GetIndexByCriteriaItem(nonBlank), 3);
  EXPECT_EQ(list->GetIndexByCriteriaItem(greater), 1);
  // Over the filtered records only, and changed by the owner's event.
  f->Clear();
  c.SetOnFilterRecord([](TvxCustomDataController* AC, Integer ARecordIndex, bool& Accept) {
    Accept = !AC->GetValue(ARecordIndex, 0).IsNull() && AC->GetValue(ARecordIndex, 0).AsInteger() >= 20;
  });
  f->OnGetValueList = [](TvxFilterCriteria*, Integer AItemIndex, TvxDataFilterValueList* AList) {
    AList->Add(fviUser, Null(), L"item " + std::to_wstring(AItemIndex));
  };
  list->Load(0, true, true);
  EXPECT_EQ(Texts(*list), (std::vector<std::wstring>{L"(All)", L"(Custom...)", L"item 0", L"20", L"30"}));
}

TEST(FilterValueList, RecentItemsSeparatorLimitAndDisplayTextOrder) {
  TTestDataController c;
  c.AddTestItem(TvxStringValueType::Class());
  c.Filter()->SetMaxValueListCount(5);
  TvxDataFilterValueList list(c.Filter());
  list.Add(fviValue, Variant(L"b"), L"b");
  list.Add(fviMRU, Variant(L"z"), L"z");
  list.Add(fviValue, Variant(L"a"), L"a");
  list.Add(fviValue, Variant(L"a"), L"a");  // no repeats
  list.Add(fviAll, Null(), L"(All)");         // before the values
  list.Add(fviValue, Variant(L"c"), L"c");    // the list is full
  list.Add(fviValue, Variant(L"q"), L"q", true);  // unsorted items are appended
  EXPECT_EQ(Texts(list), (std::vector<std::wstring>{L"z", L"", L"(All)", L"a", L"b", L"q"}));
  EXPECT_EQ(list.Items(1).Kind, fviMRUSeparator);
  Integer at = -1;
  EXPECT_TRUE(list.Find(Variant(L"z"), L"z", at));  // recent items first
  EXPECT_EQ(at, 0);
  // With display texts first, the texts decide before the values.
  TvxDataFilterValueList byText(c.Filter());
  byText.SortByDisplayText = true;
  byText.Add(fviValue, Variant(1), L"one");
  byText.Add(fviValue, Variant(2), L"two");
  byText.Add(fviValue, Variant(3), L"three");
  EXPECT_EQ(Texts(byText), (std::vector<std::wstring>{L"one", L"three", L"two"}));
}

}  // namespace ZS_UNITY_ID
