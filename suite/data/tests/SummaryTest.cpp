#include <gtest/gtest.h>

#include <random>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

using namespace vxCustomData;

namespace {

// Records: (group, qty, when) with Nulls among the quantities.
class Summaries : public ::testing::Test {
 protected:
  void SetUp() override {
    Group = C.AddTestItem(TvxStringValueType::Class());
    Qty = C.AddTestItem(TvxFloatValueType::Class());
    When = C.AddTestItem(TvxDateTimeValueType::Class());
    struct Row {
      const wchar_t* G;
      Variant Q;
      double D;
    } rows[] = {{L"a", 5.0, 1}, {L"b", Null(), 3}, {L"a", 3.0, 5}, {L"b", 10.0, 7}, {L"a", Null(), 9}};
    C.SetRecordCount(5);
    for (Integer r = 0; r < 5; ++r) {
      C.SetValue(r, Group, Variant(rows[r].G));
      C.SetValue(r, Qty, rows[r].Q);
      C.SetValue(r, When, Variant(EncodeDate(2026, 1, 1) + rows[r].D, varDateTag));
    }
  }
  TvxDataSummaryItem* Footer(Integer AItem, TvxSummaryKind AKind) {
    return C.Summary()->FooterSummaryItems()->Add(C.Items[AItem].get(), spFooter, AKind);
  }
  Variant FooterValue(Integer AIndex) { return VarArrayGet(C.Summary()->FooterSummaryValues(), {AIndex}); }
  TTestDataController C;
  Integer Group = 0, Qty = 0, When = 0;
};

TEST_F(Summaries, FooterKindsAndNulls) {
  Footer(Qty, skSum);
  Footer(Qty, skMin);
  Footer(Qty, skMax);
  Footer(Qty, skCount);
  Footer(Qty, skAverage);
  C.Summary()->FooterSummaryItems()->Add(nullptr, spFooter, skCount);  // no field: no footer data
  EXPECT_EQ(FooterValue(0).AsDouble(), 18.0);
  EXPECT_EQ(FooterValue(1).AsDouble(), 3.0);
  EXPECT_EQ(FooterValue(2).AsDouble(), 10.0);
  EXPECT_EQ(FooterValue(3).AsInteger(), 5);  // Nulls count without soNullIgnore
  EXPECT_DOUBLE_EQ(FooterValue(4).AsDouble(), 18.0 / 5);
  EXPECT_TRUE(FooterValue(5).IsNull());

  C.Summary()->SetOptions({soNullIgnore});
  EXPECT_EQ(FooterValue(3).AsInteger(), 3);
  EXPECT_DOUBLE_EQ(FooterValue(4).AsDouble(), 6.0);
}

TEST_F(Summaries, SumOfNullsOnly) {
  for (Integer r = 0; r < 5; ++r) C.SetValue(r, Qty, Null());
  Footer(Qty, skSum);
  Footer(Qty, skCount);
  EXPECT_EQ(FooterValue(0).AsInteger(), 0);
  EXPECT_EQ(FooterValue(1).AsInteger(), 5);
  C.Summary()->SetOptions({soNullIgnore});
  EXPECT_TRUE(FooterValue(0).IsNull());
  EXPECT_EQ(FooterValue(1).AsInteger(), 0);
}

TEST(SummaryValues, FloatItemsGiveWhatTheVariantStepsGive) {
  // Float items run on doubles unless a handler watches the records; both ways must give
  // the same values and types, nulls first or among the values, with and without
  // soNullIgnore, in the footer and per group.
  TTestDataController c;
  const Integer grp = c.AddTestItem(TvxIntegerValueType::Class());
  const Integer qty = c.AddTestItem(TvxFloatValueType::Class());
  std::mt19937 rng(11);
  c.SetRecordCount(300);
  for (Integer r = 0; r < 300; ++r) {
    c.SetValue(r, grp, Variant(static_cast<int>(rng() % 7)));
    // Group 6 holds only nulls; elsewhere every third value is null.
    const bool null = c.GetValue(r, grp).AsInteger() == 6 || rng() % 3 == 0;
    c.SetValue(r, qty, null ? Null() : Variant(static_cast<double>(static_cast<int>(rng() % 2001) - 1000) / 8));
  }
  TvxDataSummary* s = c.Summary();
  for (TvxSummaryKind k : {skSum, skMin, skMax, skCount, skAverage}) {
    s->FooterSummaryItems()->Add(c.Items[qty].get(), spFooter, k);
    s->DefaultGroupSummaryItems()->Add(c.Items[qty].get(), spGroup, k);
  }
  c.Groups()->ChangeGrouping(grp, 0);
  auto take = [&] {
    std::vector<Variant> all{s->FooterSummaryValues()};
    for (Integer i = 0; i < c.DataControllerInfo()->DataGroups()->Count(); ++i)
      all.push_back(c.DataControllerInfo()->DataGroups()->GetItem(i)->SummaryValues);
    return all;
  };
  for (bool ignoreNulls : {false, true}) {
    s->SetOptions(ignoreNulls ? TvxSummaryOptions{soNullIgnore} : TvxSummaryOptions{});
    s->FooterSummaryItems()->OnSummary = nullptr;
    s->DefaultGroupSummaryItems()->OnSummary = nullptr;
    s->Calculate();
    const std::vector<Variant> native = take();
    auto watch = [](TvxDataSummaryItems*, const TvxSummaryEventArguments&, TvxSummaryEventOutArguments&) {};
    s->FooterSummaryItems()->OnSummary = watch;
    s->DefaultGroupSummaryItems()->OnSummary = watch;
    s->Calculate();
    const std::vector<Variant> variant = take();
    ASSERT_EQ(native.size(), variant.size());
    ASSERT_EQ(native.size(), 8u);
    for (size_t g = 0; g < native.size(); ++g)
      for (Integer i = 0; i < 5; ++i) {
        const Variant a = VarArrayGet(native[g], {i}), b = VarArrayGet(variant[g], {i});
        EXPECT_EQ(VarType(a), VarType(b)) << "values " << g << " item " << i << " ignore nulls " << ignoreNulls;
        EXPECT_EQ(VariantCompare(a, b), 0) << "values " << g << " item " << i << " ignore nulls " << ignoreNulls;
      }
  }
}

TEST_F(Summaries, DataItemSettingsAndTheSortedGroupItem) {
  TvxDataSummaryItems* footer = C.Summary()->FooterSummaryItems();
  TvxDataSummaryItems* groups = C.Summary()->DefaultGroupSummaryItems();
  // A setting makes the item; it goes once every setting is empty again.
  footer->SetDataItemKind(Qty, spFooter, skSum);
  ASSERT_EQ(footer->Count(), 1);
  EXPECT_EQ(footer->GetDataItemKind(Qty, spFooter), skSum);
  EXPECT_EQ(VarArrayGet(C.Summary()->FooterSummaryValues(), {0}).AsDouble(), 18.0);
  footer->SetDataItemFormat(Qty, spFooter, L"0.0");
  footer->SetDataItemKind(Qty, spFooter, skNone);
  EXPECT_EQ(footer->Count(), 1);
  EXPECT_EQ(footer->GetDataItemFormat(Qty, spFooter), L"0.0");
  footer->SetDataItemFormat(Qty, spFooter, L"");
  EXPECT_EQ(footer->Count(), 0);
  footer->SetDataItemKind(Qty, spFooter, skNone);  // nothing to make
  EXPECT_EQ(footer->Count(), 0);
  EXPECT_EQ(footer->GetDataItemKind(When, spFooter), skNone);
  EXPECT_EQ(RaisedMessage([&] { footer->GetDataItem(9, spFooter); }), L"ItemIndex out of range");

  // One group item at a time orders the group rows.
  groups->SetDataItemKind(Qty, spGroup, skSum);
  groups->SetDataItemKind(When, spGroup, skMax);
  EXPECT_EQ(groups->SortedSummaryItem(), nullptr);
  groups->SetDataItemSorted(Qty, spGroup, true);
  TvxDataSummaryItem* qtyItem = groups->GetDataItem(Qty, spGroup);
  TvxDataSummaryItem* whenItem = groups->GetDataItem(When, spGroup);
  EXPECT_TRUE(qtyItem->Sorted());
  EXPECT_EQ(groups->SortedSummaryItem(), qtyItem);
  whenItem->SetSorted(true);
  EXPECT_FALSE(qtyItem->Sorted());
  EXPECT_EQ(groups->SortedSummaryItem(), whenItem);
  EXPECT_TRUE(groups->GetDataItemSorted(When, spGroup));
  // A sorted item stays when its kind goes; unsorting it then drops it.
  groups->SetDataItemKind(When, spGroup, skNone);
  ASSERT_EQ(groups->Count(), 2);
  groups->SetDataItemSorted(When, spGroup, false);
  EXPECT_EQ(groups->Count(), 1);
  EXPECT_EQ(groups->SortedSummaryItem(), nullptr);

  // While the controller orders the groups by an item of its choice, the items' own order
  // is left alone and that item's summary is the sorted one.
  C.SetSortingBySummaryDataItemIndex(Qty);
  qtyItem->SetSorted(true);
  EXPECT_FALSE(qtyItem->Sorted());
  EXPECT_EQ(groups->SortedSummaryItem(), qtyItem);
  C.SetSortingBySummaryDataItemIndex(-1);
  qtyItem->SetSorted(true);
  // Freeing a sorted item takes its order with it.
  groups->Clear();
  EXPECT_EQ(groups->SortedSummaryItem(), nullptr);
}

TEST_F(Summaries, AverageOfDatesIsADate) {
  Footer(When, skAverage);
  const Variant v = FooterValue(0);
  EXPECT_EQ(VarType(v), varDate);
  EXPECT_DOUBLE_EQ(v.AsDateTime(), EncodeDate(2026, 1, 1) + 5);
}

TEST_F(Summaries, FollowEditsInsertsDeletesAndFilter) {
  Footer(Qty, skSum);
  EXPECT_EQ(FooterValue(0).AsDouble(), 18.0);
  C.SetValue(0, Qty, Variant(7.0));
  EXPECT_EQ(FooterValue(0).AsDouble(), 20.0);
  const Integer r = C.AppendRecord();
  C.SetValue(r, Qty, Variant(100.0));
  EXPECT_EQ(FooterValue(0).AsDouble(), 120.0);
  C.DeleteRecordList({3});
  EXPECT_EQ(FooterValue(0).AsDouble(), 110.0);
  C.Filter()->AddItem(nullptr, C.Items[Qty].get(), foLess, 50, L"50");
  C.Filter()->SetActive(true);
  EXPECT_EQ(FooterValue(0).AsDouble(), 10.0);
  // The item of a removed field stays, without a field; its value becomes Null.
  C.Summary()->RemoveItemByField(C.Fields()->GetItem(Qty));
  EXPECT_EQ(C.Summary()->FooterSummaryItems()->Count(), 1);
  EXPECT_TRUE(FooterValue(0).IsNull());
}

TEST_F(Summaries, GroupValuesAndText) {
  TvxDataSummaryItems* items = C.Summary()->DefaultGroupSummaryItems();
  items->Add(C.Items[Qty].get(), spGroup, skSum);
  items->Add(nullptr, spGroup, skCount);  // counts group records without a field
  items->Add(C.Items[Qty].get(), spGroup, skMin);
  C.Groups()->ChangeGrouping(Group, 0);
  ASSERT_EQ(C.RowCount(), 2);
  TvxDataSummaryItems* gi;
  Variant* values;
  ASSERT_TRUE(C.Summary()->GetGroupSummaryInfo(0, gi, values));
  EXPECT_EQ(gi->GetGroupText(*values), L"(SUM=8.00, COUNT=3, MIN=3.00)");
  ASSERT_TRUE(C.Summary()->GetGroupSummaryInfo(1, gi, values));
  EXPECT_EQ(gi->GetGroupText(*values), L"(SUM=10.00, COUNT=2, MIN=10.00)");
  // A group edit recomputes.
  C.SetValue(1, Qty, Variant(1.0));
  ASSERT_TRUE(C.Summary()->GetGroupSummaryInfo(1, gi, values));
  EXPECT_EQ(gi->GetGroupText(*values), L"(SUM=11.00, COUNT=2, MIN=1.00)");
  // Values missing from a shorter array read as Null instead of past its end.
  EXPECT_EQ(gi->GetGroupText(VarArrayOf({12.0})), L"(SUM=12.00, , )");
  EXPECT_EQ(gi->GetGroupText(Null()), L"(, , )");
}

TEST_F(Summaries, TwoLevelsSumTheirLastLevelGroups) {
  const Integer sub = C.AddTestItem(TvxIntegerValueType::Class());
  for (Integer r = 0; r < 5; ++r) C.SetValue(r, sub, Variant(static_cast<int>(r % 2)));
  C.Summary()->DefaultGroupSummaryItems()->Add(nullptr, spGroup, skCount);
  C.Groups()->ChangeGrouping(Group, 0);
  C.Groups()->ChangeGrouping(sub, 1);
  TvxDataGroups* groups = C.DataControllerInfo()->DataGroups();
  std::vector<std::pair<Integer, Integer>> counts;  // (level, count)
  for (Integer i = 0; i < groups->Count(); ++i)
    counts.push_back({groups->GetItem(i)->Level, VarArrayGet(groups->GetItem(i)->SummaryValues, {0}).AsInteger()});
  // a: records 0, 2, 4 (sub 0, 0, 0); b: records 1, 3 (sub 1, 1).
  EXPECT_EQ(counts, (std::vector<std::pair<Integer, Integer>>{{0, 3}, {1, 3}, {0, 2}, {1, 2}}));
}

TEST_F(Summaries, SelectionOptionsAndFormats) {
  C.Summary()->SetOptions({soSelectedRecords});
  C.Summary()->SetOptions({soSelectedRecords, soMultipleSelectedRecords});
  EXPECT_TRUE(C.Summary()->Options() == TvxSummaryOptions({soMultipleSelectedRecords}));
  C.Summary()->SetOptions({soMultipleSelectedRecords, soSelectedRecords});
  EXPECT_TRUE(C.Summary()->Options() == TvxSummaryOptions({soSelectedRecords}));

  String f;
  GetDefaultSummaryFormat(svtFloat, skSum, spFooter, f);
  EXPECT_EQ(f, L"0.00;-0.00");
  GetDefaultSummaryFormat(svtFloat, skNone, spFooter, f);
  EXPECT_EQ(f, L"");
  GetDefaultSummaryFormat(svtDate, skMin, spGroup, f);
  EXPECT_EQ(f, L"MIN=");
  TvxDataSummaryItem* item = Footer(Qty, skSum);
  EXPECT_EQ(item->FormatValue(Variant(-2.5), true), L"-2.50");
  EXPECT_EQ(item->FormatValue(Null(), true), L"");
  item->SetFormat(L"0.0 kg");
  EXPECT_EQ(item->FormatValue(Variant(2.0), true), L"2.0 kg");
  item->OnGetText = [](TvxDataSummaryItem*, const Variant&, bool, String& T) { T = L"<" + T + L">"; };
  EXPECT_EQ(item->FormatValue(Variant(2.0), true), L"<2.0 kg>");
}

TEST_F(Summaries, OnSummaryCanTakeOverARecord) {
  Footer(Qty, skSum);
  C.Summary()->FooterSummaryItems()->OnSummary = [](TvxDataSummaryItems*, const TvxSummaryEventArguments& A,
                                                    TvxSummaryEventOutArguments& O) {
    if (A.RecordIndex == 3) {  // counts as 1 instead of 10
      O.SummaryValue = O.SummaryValue + Variant(1.0);
      O.Done = true;
    }
  };
  C.Summary()->Recalculate();
  EXPECT_EQ(FooterValue(0).AsDouble(), 9.0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
