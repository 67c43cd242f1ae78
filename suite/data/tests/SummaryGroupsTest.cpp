#include <gtest/gtest.h>

#include "DataControllerTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

using namespace vxCustomData;

namespace {

// Groups its rows by their summaries.
class TSummarySortingController : public TTestDataController {
  DECLARE_CLASS(TSummarySortingController, TTestDataController)
 public:
  TClass GetGroupSortingClass() override { return TvxDataGroupSummarySorter::StaticClass(); }
};

// Records (grp, sub, qty): sums per grp a 3, b 30, c 11; within b sub 1 = 10, sub 2 = 20;
// within c sub 1 = 6, sub 2 = 5.
struct TGroupData {
  Integer Grp = 0, Sub = 0, Qty = 0;
  void Fill(TTestDataController& C) {
    Grp = C.AddTestItem(TvxStringValueType::Class());
    Sub = C.AddTestItem(TvxIntegerValueType::Class());
    Qty = C.AddTestItem(TvxFloatValueType::Class());
    const struct {
      const wchar_t* G;
      int S;
      double Q;
    } rows[] = {{L"a", 1, 1}, {L"b", 1, 10}, {L"c", 2, 5}, {L"a", 2, 2}, {L"b", 2, 20}, {L"c", 1, 6}};
    C.SetRecordCount(6);
    for (Integer r = 0; r < 6; ++r) {
      C.SetValue(r, Grp, Variant(rows[r].G));
      C.SetValue(r, Sub, Variant(rows[r].S));
      C.SetValue(r, Qty, Variant(rows[r].Q));
    }
  }
};

// The groups of a level in list order, each as its value of AItem; every record of a
// last-level group must carry the values of all its groups.
std::vector<String> LevelOrder(TTestDataController& C, Integer ALevel, Integer AItem) {
  TvxDataGroups* groups = C.DataControllerInfo()->DataGroups();
  std::vector<String> r;
  for (Integer i = 0; i < groups->Count(); ++i) {
    TvxDataGroupInfo* g = groups->GetItem(i);
    if (g->Level != ALevel) continue;
    const Integer record = C.DataControllerInfo()->GetInternalRecordIndex(groups->GetDataRecordListIndex(g));
    r.push_back(VarToStr(C.GetValue(record, AItem)));
  }
  return r;
}

void ExpectRecordsInTheirGroups(TTestDataController& C) {
  TvxDataGroups* groups = C.DataControllerInfo()->DataGroups();
  const Integer last = groups->LevelCount() - 1;
  Integer covered = 0;
  for (Integer i = 0; i < groups->Count(); ++i) {
    TvxDataGroupInfo* g = groups->GetItem(i);
    if (g->Level != last) continue;
    const Integer first = C.DataControllerInfo()->GetInternalRecordIndex(g->BeginRecordListIndex);
    for (Integer p = g->BeginRecordListIndex; p <= g->EndRecordListIndex; ++p) {
      const Integer record = C.DataControllerInfo()->GetInternalRecordIndex(p);
      for (Integer level = 0; level <= last; ++level) {
        const Integer item = groups->GetField(level)->Index();
        EXPECT_EQ(VarToStr(C.GetValue(record, item)), VarToStr(C.GetValue(first, item))) << "position " << p;
      }
      ++covered;
    }
  }
  EXPECT_EQ(covered, C.FilteredRecordCount());
}

}  // namespace

TEST(GroupSummarySorting, GroupRowsFollowTheSortedSummaryAndItsChanges) {
  TSummarySortingController c;
  TGroupData d;
  d.Fill(c);
  TvxDataSummaryItem* sum = c.Summary()->DefaultGroupSummaryItems()->Add(c.Items[d.Qty].get(), spGroup, skSum);
  c.Groups()->ChangeGrouping(d.Grp, 0);
  EXPECT_EQ(LevelOrder(c, 0, d.Grp), (std::vector<String>{L"a", L"b", L"c"}));  // by value until sorted
  c.Groups()->FullExpand();
  c.ChangeFocusedRecordIndex(4);

  sum->SetSorted(true);
  EXPECT_EQ(LevelOrder(c, 0, d.Grp), (std::vector<String>{L"a", L"c", L"b"}));
  ExpectRecordsInTheirGroups(c);
  EXPECT_EQ(c.GetFocusedRecordIndex(), 4);  // the focus follows its record
  EXPECT_EQ(c.GetRowInfo(c.GetFocusedRowIndex()).RecordIndex, 4);

  c.ChangeSorting(d.Grp, soDescending);  // the grouping order turns the summary order round
  EXPECT_EQ(LevelOrder(c, 0, d.Grp), (std::vector<String>{L"b", L"c", L"a"}));

  c.ChangeSorting(d.Grp, soAscending);
  c.SetValue(0, d.Qty, Variant(100.0));  // a edited to 102: last
  EXPECT_EQ(LevelOrder(c, 0, d.Grp), (std::vector<String>{L"c", L"b", L"a"}));
  ExpectRecordsInTheirGroups(c);

  sum->SetSorted(false);
  EXPECT_EQ(LevelOrder(c, 0, d.Grp), (std::vector<String>{L"a", L"b", L"c"}));
}

TEST(GroupSummarySorting, NestedLevelsAreOrderedWithinTheirParents) {
  TSummarySortingController c;
  TGroupData d;
  d.Fill(c);
  c.Summary()->DefaultGroupSummaryItems()->Add(c.Items[d.Qty].get(), spGroup, skSum)->SetSorted(true);
  c.Groups()->ChangeGrouping(d.Grp, 0);
  c.Groups()->ChangeGrouping(d.Sub, 1);
  EXPECT_EQ(LevelOrder(c, 0, d.Grp), (std::vector<String>{L"a", L"c", L"b"}));
  // a: 1 (1), 2 (2); c: 2 (5), 1 (6); b: 1 (10), 2 (20).
  EXPECT_EQ(LevelOrder(c, 1, d.Sub), (std::vector<String>{L"1", L"2", L"2", L"1", L"1", L"2"}));
  ExpectRecordsInTheirGroups(c);
  c.Groups()->FullExpand();
  EXPECT_EQ(c.RowCount(), 3 + 6 + 6);
}

TEST(GroupSummarySorting, AControllerWithoutASorterKeepsTheValueOrder) {
  TTestDataController c;
  TGroupData d;
  d.Fill(c);
  c.Summary()->DefaultGroupSummaryItems()->Add(c.Items[d.Qty].get(), spGroup, skSum)->SetSorted(true);
  c.Groups()->ChangeGrouping(d.Grp, 0);
  EXPECT_TRUE(c.DataControllerInfo()->IsGroupsSortedBySummary());
  EXPECT_EQ(LevelOrder(c, 0, d.Grp), (std::vector<String>{L"a", L"b", L"c"}));
}

TEST(SummaryGroups, ALevelUsesTheItemsOfTheGroupLinkedToItsItem) {
  TIdTestDataController c;
  TGroupData d;
  d.Fill(c);
  TvxDataSummary* s = c.Summary();
  s->DefaultGroupSummaryItems()->Add(nullptr, spGroup, skCount);
  TvxDataSummaryGroup* bySub = s->SummaryGroups()->Add();
  bySub->Links()->Add()->SetItemLink(c.Items[d.Sub].get());
  bySub->SummaryItems()->Add(c.Items[d.Qty].get(), spGroup, skSum);
  c.Groups()->ChangeGrouping(d.Grp, 0);
  c.Groups()->ChangeGrouping(d.Sub, 1);
  EXPECT_EQ(s->GetGroupSummaryItems(0), s->DefaultGroupSummaryItems());
  EXPECT_EQ(s->GetGroupSummaryItems(1), bySub->SummaryItems());
  TvxDataGroups* groups = c.DataControllerInfo()->DataGroups();
  std::vector<double> values;  // level 0 counts, level 1 sums
  for (Integer i = 0; i < groups->Count(); ++i) values.push_back(VarArrayGet(groups->GetItem(i)->SummaryValues, {0}).AsDouble());
  EXPECT_EQ(values, (std::vector<double>{2, 1, 2, 2, 10, 20, 2, 6, 5}));
  c.Groups()->FullExpand();
  TvxDataSummaryItems* items;
  Variant* rowValues;
  ASSERT_TRUE(s->GetGroupSummaryInfo(1, items, rowValues));  // the first group of level 1
  EXPECT_EQ(items, bySub->SummaryItems());
  EXPECT_EQ(items->GetGroupText(*rowValues), L"(SUM=1.00)");

  // Linking the item from a second group takes it from the first.
  TvxDataSummaryGroup* other = s->SummaryGroups()->Add();
  other->Links()->Add()->SetItemLink(c.Items[d.Sub].get());
  EXPECT_EQ(bySub->Links()->Items(0)->ItemLink(), nullptr);
  EXPECT_EQ(s->SummaryGroups()->FindByItemLink(c.Items[d.Sub].get()), other);
  EXPECT_EQ(s->GetGroupSummaryItems(1), other->SummaryItems());

  // A pattern's items answer for the same place.
  TTestDataController pattern;
  pattern.Summary()->SummaryGroups()->Add();
  EXPECT_EQ(s->GetPatternSummaryItems(pattern.Summary(), s->FooterSummaryItems()), pattern.Summary()->FooterSummaryItems());
  EXPECT_EQ(s->GetPatternSummaryItems(pattern.Summary(), s->DefaultGroupSummaryItems()),
            pattern.Summary()->DefaultGroupSummaryItems());
  EXPECT_EQ(s->GetPatternSummaryItems(pattern.Summary(), bySub->SummaryItems()),
            pattern.Summary()->SummaryGroups()->Items(0)->SummaryItems());
  EXPECT_EQ(s->GetPatternSummaryItems(pattern.Summary(), other->SummaryItems()), nullptr);

  // A copy of the summary copies its groups; removing a field clears whatever refers to it.
  TIdTestDataController copy;
  TGroupData cd;
  cd.Fill(copy);
  copy.Summary()->Assign(s);
  ASSERT_EQ(copy.Summary()->SummaryGroups()->Count(), 2);
  EXPECT_EQ(copy.Summary()->SummaryGroups()->Items(1)->Links()->Items(0)->ItemLink(), copy.Items[cd.Sub].get());
  EXPECT_EQ(copy.Summary()->SummaryGroups()->Items(0)->SummaryItems()->Items(0)->ItemLink(), copy.Items[cd.Qty].get());
  c.RemoveItem(c.Items[d.Qty].get());
  ASSERT_EQ(bySub->SummaryItems()->Count(), 1);
  EXPECT_EQ(bySub->SummaryItems()->Items(0)->Field(), nullptr);
}

TEST(SummaryEvents, AfterSummaryWaitsForTheEndOfLoading) {
  TLoadingOwner owner;
  TTestDataController c(&owner);
  TGroupData d;
  d.Fill(c);
  Integer fired = 0;
  c.Summary()->OnAfterSummary = [&](TvxDataSummary*) { ++fired; };
  owner.SetLoading(true);
  c.Summary()->FooterSummaryItems()->Add(c.Items[d.Qty].get(), spFooter, skSum);
  EXPECT_EQ(fired, 0);
  owner.SetLoading(false);
  c.Loaded();
  EXPECT_EQ(fired, 1);
  c.Loaded();
  EXPECT_EQ(fired, 1);
  c.Summary()->Recalculate();
  EXPECT_EQ(fired, 2);
}

TEST(LocateObjects, AGroupLocateObjectFindsARecordByItsGroupValues) {
  for (bool sorted : {true, false}) {
    SCOPED_TRACE(sorted ? "binary search" : "scan");
    TTestDataController c;
    TGroupData d;
    d.Fill(c);
    c.Groups()->ChangeGrouping(d.Grp, 0);
    c.Groups()->ChangeGrouping(d.Sub, 1);
    TvxValueDef* grpDef = c.GetItemField(d.Grp)->ValueDef();
    TvxValueDef* subDef = c.GetItemField(d.Sub)->ValueDef();
    TvxValueDefUnboundReader reader;
    reader.SetValue(grpDef, Variant(L"c"));
    reader.SetValue(subDef, Variant(1));
    TvxDataControllerGroupLocateObject locate(&c);
    EXPECT_TRUE(locate.IsGroupDataSorted());
    EXPECT_EQ(locate.FindRecordIndex(), -1);  // nothing read yet
    locate.ReadData(&reader);
    ASSERT_NE(locate.InternalRecordIndex(), 0);
    // The first level alone: any record of c; both levels: the one (c, 1).
    locate.Level = 0;
    const Integer anyC = sorted ? locate.FindRecordIndex() : c.FindRecordByGroupValues(locate.InternalRecordIndex(), 1, false);
    ASSERT_GE(anyC, 0);
    EXPECT_EQ(VarToStr(c.GetValue(anyC, d.Grp)), L"c");
    locate.Level = 1;
    EXPECT_EQ(sorted ? locate.FindRecordIndex() : c.FindRecordByGroupValues(locate.InternalRecordIndex(), 2, false), 5);
    reader.SetValue(subDef, Variant(3));
    locate.ReadData(&reader);
    EXPECT_EQ(locate.FindRecordIndex(), -1);
    locate.Clear();
    EXPECT_EQ(locate.InternalRecordIndex(), 0);
    EXPECT_EQ(locate.FindRecordIndex(), -1);
  }
}

TEST(LocateObjects, TheUnboundReaderKeepsWhatWasSet) {
  TTestDataController c;
  TGroupData d;
  d.Fill(c);
  TvxValueDef* grpDef = c.GetItemField(d.Grp)->ValueDef();
  TvxValueDef* subDef = c.GetItemField(d.Sub)->ValueDef();
  TvxValueDef* qtyDef = c.GetItemField(d.Qty)->ValueDef();
  TvxValueDefUnboundReader reader;
  reader.SetValue(grpDef, Variant(L"x"));
  reader.SetValue(subDef, Variant(7));
  EXPECT_TRUE(reader.GetValue(qtyDef).IsNull());  // never set
  EXPECT_EQ(reader.GetValue(subDef).AsInteger(), 7);
  EXPECT_FALSE(reader.IsInternal(grpDef));
  // The storage's internal twin of a definition reads the value of the definition.
  TvxInternalValueDef* twin = c.DataStorage()->InternalValueDefs()->FindByLinkObject(grpDef);
  ASSERT_NE(twin, nullptr);
  EXPECT_EQ(reader.GetValue(twin).AsString(), L"x");
  reader.Truncate(1);
  EXPECT_EQ(reader.Count(), 2);  // the definitions stay listed
  EXPECT_TRUE(reader.GetValue(subDef).IsNull());
  EXPECT_EQ(reader.GetValue(grpDef).AsString(), L"x");
  reader.SetValue(subDef, Variant(8));
  EXPECT_EQ(reader.GetValue(subDef).AsInteger(), 8);
  reader.Clear();
  EXPECT_TRUE(reader.GetValue(grpDef).IsNull());
}

}  // namespace ZS_UNITY_ID
