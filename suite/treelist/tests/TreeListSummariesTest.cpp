// The tree list's summaries: footer totals over the whole tree and group totals per
// parent over typed values, recalculated after edits, moves and deletes; their formatted
// texts; the summary event; the visible item counts; summary items read from a form,
// the old single footer setting included.
#include <gtest/gtest.h>

#include <memory>

#include "Forms.h"
#include "Streaming.h"
#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

using Node = TvxTreeListNode;

// Qty (Integer), Day (DateTime), Name (String) over A(A1, A2(A2a)), B(B1), C, with the
// quantities 1 .. 7 in that order.
struct SummaryTree : ::testing::Test {
  TvxTreeList tl;
  TvxTreeListColumn *qty = nullptr, *day = nullptr, *name = nullptr;
  Node *A = nullptr, *A1 = nullptr, *A2 = nullptr, *A2a = nullptr, *B = nullptr, *B1 = nullptr, *C = nullptr;
  Integer afterSummary = 0;

  void SetUp() override {
    qty = tl.CreateColumn();
    day = tl.CreateColumn();
    name = tl.CreateColumn();
    qty->DataBinding()->SetValueType(L"Integer");
    day->DataBinding()->SetValueType(L"DateTime");
    A = tl.Add();
    A1 = tl.AddChild(A);
    A2 = tl.AddChild(A);
    A2a = tl.AddChild(A2);
    B = tl.Add();
    B1 = tl.AddChild(B);
    C = tl.Add();
    Integer q = 0;
    for (Node* n : {A, A1, A2, A2a, B, B1, C}) {
      n->SetValues(0, Variant(++q));
      n->SetValues(2, Variant(String(L"N") + IntToStr(q)));
    }
    tl.OnAfterSummary = [this](TObject*) { ++afterSummary; };
  }
  TvxTreeListSummaryItem* Item(TvxTreeListColumn* AColumn, bool AFooter, TvxSummaryKind AKind, bool AAllNodes = true) {
    TvxTreeListSummaryItems* items =
        AFooter ? AColumn->Summary()->FooterSummaryItems() : AColumn->Summary()->GroupFooterSummaryItems();
    TvxTreeListSummaryItem* item = items->Add();
    item->SetKind(AKind);
    item->SetAllNodes(AAllNodes);
    return item;
  }
};

TEST_F(SummaryTree, TotalsFollowEditsMovesAndDeletes) {
  TvxTreeListSummaryItem* sum = Item(qty, true, skSum);
  TvxTreeListSummaryItem* topSum = Item(qty, true, skSum, false);
  TvxTreeListSummaryItem* count = Item(name, true, skCount);
  TvxTreeListSummaryItem* maxName = Item(name, true, skMax);
  TvxTreeListSummaryItem* groupAll = Item(qty, false, skSum);
  TvxTreeListSummaryItem* groupChildren = Item(qty, false, skSum, false);
  struct Expect {
    Node* N;
    TvxTreeListSummaryItem* Item;
    Integer Value;
  };
  auto check = [&](const std::vector<Expect>& AExpected, const char* AWhen) {
    for (const Expect& e : AExpected)
      EXPECT_EQ(e.Item->NodeValue(e.N).AsInteger(), e.Value) << AWhen << " item " << e.Item->AbsoluteIndex();
  };
  Node* root = tl.Root();
  check({{root, sum, 28}, {root, topSum, 1 + 5 + 7}, {root, count, 7}, {A, groupAll, 2 + 3 + 4},
         {A, groupChildren, 2 + 3}, {A2, groupAll, 4}, {B, groupAll, 6}},
        "filled");
  EXPECT_EQ(VarToStr(maxName->NodeValue(root)), L"N7");
  // One walk for all of them; reading again without a change calculates nothing.
  EXPECT_EQ(afterSummary, 1);
  EXPECT_EQ(sum->NodeValue(root).AsInteger(), 28);
  EXPECT_EQ(afterSummary, 1);

  A2a->SetValues(0, Variant(40));
  check({{root, sum, 64}, {A, groupAll, 45}, {A, groupChildren, 5}, {A2, groupAll, 40}}, "after an edit");
  EXPECT_EQ(afterSummary, 2);

  A2a->MoveTo(B, tlamAddChild);
  check({{root, sum, 64}, {A, groupAll, 5}, {B, groupAll, 46}, {B, groupChildren, 46}}, "after a move");
  // A2 lost its only child: no group totals any more.
  EXPECT_EQ(A2->FooterSummaryCount(), 0);
  EXPECT_TRUE(VarIsNull(groupAll->NodeValue(A2)));

  B1->Delete();
  check({{root, sum, 58}, {root, count, 6}, {B, groupAll, 40}}, "after a delete");

  // Hidden nodes count nowhere; collapsed ones do.
  B->SetVisible(false);
  A->Collapse(false);
  check({{root, sum, 13}, {root, count, 4}, {A, groupAll, 5}}, "after hiding B");

  // The node's list of totals: the root's are the footer's.
  ASSERT_EQ(root->FooterSummaryCount(), 4);
  EXPECT_EQ(root->FooterSummaryValues(sum->AbsoluteIndex()).AsInteger(), 13);
  EXPECT_EQ(A->FooterSummaryCount(), 2);
  EXPECT_THROW(root->FooterSummaryValues(4), Exception);
  EXPECT_THROW(A->FooterSummaryValues(-1), Exception);
}

TEST_F(SummaryTree, TextsTakeTheDefaultFormatOfKindValueTypeAndPlace) {
  TValueScope<TFormatSettings> settings(FormatSettings, FormatSettings);
  FormatSettings.DecimalSeparator = L'.';
  FormatSettings.ShortDateFormat = L"yyyy/mm/dd";
  FormatSettings.DateSeparator = L'/';
  A1->SetValues(1, VarFromDateTime(EncodeDate(2024, 1, 1)));
  A2->SetValues(1, VarFromDateTime(EncodeDate(2024, 1, 3)));
  struct Case {
    TvxTreeListColumn* Column;
    bool Footer, AllNodes;
    TvxSummaryKind Kind;
    const wchar_t* Format;
    Node* N;
    const wchar_t* Text;
  } cases[] = {
      {qty, true, true, skSum, L"", nullptr, L"28.00"},
      {qty, true, true, skCount, L"", nullptr, L"7"},
      {qty, true, true, skAverage, L"", nullptr, L"AVG=4.00"},
      {qty, false, true, skSum, L"", A, L"SUM=9.00"},
      {qty, false, true, skCount, L"", A, L"COUNT=3"},
      {qty, false, true, skMax, L"", A, L"MAX=4.00"},
      {qty, true, true, skSum, L"Total 0", nullptr, L"Total 28"},
      // Dates: the format's text before the date; the average of two days is the day
      // between them, still a date.
      {day, false, false, skAverage, L"", A, L"AVG=2024/01/02"},
      {day, false, false, skMin, L"", A, L"MIN=2024/01/01"},
      {day, true, true, skCount, L"", nullptr, L"7"},  // Null values count too
      // Text has no number to format: the value shows as it is.
      {name, true, true, skMax, L"", nullptr, L"N7"},
  };
  for (const Case& c : cases) {
    TvxTreeListSummaryItem* item = Item(c.Column, c.Footer, c.Kind, c.AllNodes);
    item->SetFormat(c.Format);
    Node* n = c.N ? c.N : tl.Root();
    EXPECT_EQ(item->NodeText(n), c.Text) << c.Kind << (c.Footer ? " footer" : " group");
    EXPECT_EQ(n->FooterSummaryTexts(item->AbsoluteIndex()), c.Text);
    delete item;
  }
  // An average over nothing but Null values, skipped, has no value and no text.
  tl.OptionsData()->SetSummaryNullIgnore(true);
  TvxTreeListSummaryItem* avg = Item(day, false, skAverage);
  EXPECT_TRUE(VarIsNull(avg->NodeValue(B)));
  EXPECT_EQ(avg->NodeText(B), L"");
  avg->OnGetText = [](TvxTreeListSummaryItem*, Node* ANode, String& AText) { AText = L"none under " + VarToStr(ANode->Values(2)); };
  EXPECT_EQ(avg->NodeText(B), L"none under N5");
}

TEST_F(SummaryTree, TheSummaryEventReplacesSkipsOrRecountsValues) {
  TvxTreeListSummaryItem* sum = Item(qty, true, skSum);
  TvxTreeListSummaryItem* count = Item(qty, true, skCount);
  TvxTreeListSummaryItem* avg = Item(qty, true, skAverage);
  // A1 is skipped for every item, A2 counts nothing, C counts as 100.
  tl.OnSummary = [&](TvxCustomTreeList*, const TvxTreeListSummaryEventArguments& Args,
                     TvxTreeListSummaryEventOutArguments& Out) {
    if (Args.Node == A1) Out.Done = true;
    if (Args.Node == A2) Out.CountValue = 0;
    if (Args.Node == C) Out.Value = Variant(100);
  };
  Node* root = tl.Root();
  EXPECT_EQ(sum->NodeValue(root).AsInteger(), 28 - 2 - 7 + 100);
  EXPECT_EQ(count->NodeValue(root).AsInteger(), 5);
  EXPECT_DOUBLE_EQ(avg->NodeValue(root).AsDouble(), 119.0 / 5);

  // Nothing counted: a sum and a count are 0, a minimum and an average have no value.
  tl.OnSummary = [](TvxCustomTreeList*, const TvxTreeListSummaryEventArguments&,
                    TvxTreeListSummaryEventOutArguments& Out) { Out.Done = true; };
  TvxTreeListSummaryItem* min = Item(qty, true, skMin);
  EXPECT_EQ(sum->NodeValue(root).AsInteger(), 0);
  EXPECT_EQ(count->NodeValue(root).AsInteger(), 0);
  EXPECT_TRUE(VarIsNull(min->NodeValue(root)));
  EXPECT_TRUE(VarIsNull(avg->NodeValue(root)));
}

TEST_F(SummaryTree, ADeletedColumnLeavesEverySummaryList) {
  Item(qty, true, skSum);
  Item(qty, false, skSum);
  // Name's maximum, calculated over the quantities until the quantity column goes.
  TvxTreeListSummaryItem* maxOver = Item(name, true, skMax);
  maxOver->SetCalculatedColumn(qty);
  TvxTreeListSummaryItem* groupCount = Item(day, false, skCount);
  Node* root = tl.Root();
  EXPECT_EQ(maxOver->NodeValue(root).AsInteger(), 7);
  ASSERT_EQ(root->FooterSummaryCount(), 2);
  {
    // Read while the deletion's batch is still pending: the lists are taken afresh.
    TvxTreeListUpdateScope lock(&tl);
    delete qty;
    EXPECT_EQ(root->FooterSummaryCount(), 1);
    EXPECT_EQ(VarToStr(maxOver->NodeValue(root)), L"N7");
  }
  EXPECT_EQ(maxOver->AbsoluteIndex(), 0);
  EXPECT_EQ(maxOver->AssignedCalculatedColumn(), nullptr);
  EXPECT_EQ(root->FooterSummaryTexts(0), L"N7");  // text shows as it is
  EXPECT_EQ(A->FooterSummaryCount(), 1);
  EXPECT_EQ(groupCount->NodeValue(A).AsInteger(), 3);
  // The last columns go while the tree list still holds nodes and summaries.
  delete day;
  delete name;
  EXPECT_EQ(root->FooterSummaryCount(), 0);
  EXPECT_EQ(tl.ColumnCount(), 0);
}

TEST_F(SummaryTree, VisibleCountsCountOnlyVisibleItems) {
  TvxTreeListSummaryItem* first = Item(qty, true, skSum);
  Item(qty, true, skCount);
  Item(qty, true, skMax);
  Item(qty, false, skSum);
  first->SetVisible(false);
  EXPECT_EQ(qty->Summary()->FooterVisibleCount(), 2);
  EXPECT_EQ(qty->Summary()->GroupFooterVisibleCount(), 1);
  tl.ProcessChanges();
  TvxTreeListSummary* s = tl.Summary();
  EXPECT_EQ(s->FooterSummaryCount(), 3);
  EXPECT_EQ(s->FooterSummaryVisibleCount(), 2);
  EXPECT_EQ(s->FooterSummaryRowCount(), 2);
  EXPECT_EQ(s->GroupFooterSummaryVisibleCount(), 1);
  // A column that does not show its footer adds no visible items.
  qty->Options()->Set(TvxTreeListColumnOptions::Footer, false);
  tl.Summary()->Recalculate();
  tl.ProcessChanges();
  EXPECT_EQ(s->FooterSummaryVisibleCount(), 0);
  EXPECT_EQ(s->FooterSummaryCount(), 3);
}

// --- Summary items in a form ---

class TSummaryForm : public TForm {
  DECLARE_CLASS(TSummaryForm, TForm)
  PUBLISHED(TSummaryForm)
 public:
  using TForm::TForm;
  TvxTreeList* List = nullptr;
};
void TSummaryForm::DeclarePublished(TPublisher<TSummaryForm>& P) { P.Field(L"List", &TSummaryForm::List); }

TEST(TreeListSummaryForm, ItemsAndTheOldFooterSettingAreRead) {
  const wchar_t* const text =
      L"object SummaryForm: TSummaryForm\n"
      L"  object List: TvxTreeList\n"
      L"    object Qty: TvxTreeListColumn\n"
      L"      DataBinding.ValueType = 'Integer'\n"
      L"      SummaryFooter.AlignHorz = taRightJustify\n"
      L"      SummaryFooter.AlignVert = vaTop\n"
      L"      SummaryFooter.Format = 'Total 0'\n"
      L"      SummaryFooter.Kind = skSum\n"
      L"      SummaryFooter.MultiLine = False\n"
      L"      Summary.GroupFooterSummaryItems = <\n"
      L"        item\n          Kind = skCount\n          AllNodes = False\n        end\n"
      L"        item\n          Kind = skMax\n          Visible = False\n          Format = 'M 0'\n        end>\n"
      L"    end\n"
      L"    object Other: TvxTreeListColumn\n"
      L"      SummaryFooter.AlignHorz = taLeftJustify\n"
      L"      SummaryFooter.AlignVert = vaTop\n"
      L"      SummaryFooter.Kind = skNone\n"
      L"      SummaryFooter.MultiLine = False\n"
      L"    end\n"
      L"  end\n"
      L"end\n";
  std::unique_ptr<TSummaryForm> form(new TSummaryForm(nullptr));
  TextToComponent(text, form.get());
  TvxTreeList* tl = form->List;
  ASSERT_NE(tl, nullptr);
  TvxTreeListColumn* qty = tl->ColumnByName(L"Qty");
  TvxTreeListColumn* other = tl->ColumnByName(L"Other");
  ASSERT_NE(qty, nullptr);
  ASSERT_NE(other, nullptr);
  TvxTreeListSummaryItems* footer = qty->Summary()->FooterSummaryItems();
  ASSERT_EQ(footer->Count(), 1);
  EXPECT_EQ(footer->Items(0)->Kind(), skSum);
  EXPECT_EQ(footer->Items(0)->Format(), L"Total 0");
  EXPECT_EQ(footer->Items(0)->AlignHorz(), taRightJustify);
  EXPECT_EQ(footer->Items(0)->AlignVert(), vaTop);
  EXPECT_EQ(other->Summary()->FooterSummaryItems()->Count(), 0) << "skNone adds no item";
  TvxTreeListSummaryItems* group = qty->Summary()->GroupFooterSummaryItems();
  ASSERT_EQ(group->Count(), 2);
  EXPECT_FALSE(group->Items(0)->AllNodes());
  EXPECT_FALSE(group->Items(1)->Visible());
  EXPECT_EQ(group->Items(1)->Format(), L"M 0");
  EXPECT_EQ(qty->Summary()->GroupFooterVisibleCount(), 1);

  Node* n = tl->Add();
  n->SetValues(0, Variant(5));
  tl->AddChild(n)->SetValues(0, Variant(7));
  EXPECT_EQ(footer->Items(0)->NodeText(tl->Root()), L"Total 12");
  EXPECT_EQ(group->Items(1)->NodeText(n), L"M 7");

  // Written back, the items are there and the old setting is not.
  const String written = ComponentToText(form.get());
  EXPECT_EQ(written.find(L"SummaryFooter"), String::npos);
  EXPECT_NE(written.find(L"FooterSummaryItems"), String::npos);
}

}  // namespace

}  // namespace ZS_UNITY_ID
