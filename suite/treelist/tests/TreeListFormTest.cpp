// The tree list in a form file: its options, bands and columns as the form text gives
// them, the columns placed where the text puts them whatever their order, the focus event
// bound to the form's method, and the nodes kept as the binary property "Data".
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Forms.h"
#include "Streaming.h"
#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

class TListForm : public TForm {
  DECLARE_CLASS(TListForm, TForm)
  PUBLISHED(TListForm)
 public:
  using TForm::TForm;
  TvxTreeList* WinList = nullptr;
  TvxTreeListColumn* Second = nullptr;
  Integer FocusEvents = 0;
  void WinListFocusedNodeChanged(TObject*, TvxTreeListNode*, TvxTreeListNode*) { ++FocusEvents; }
};
void TListForm::DeclarePublished(TPublisher<TListForm>& P) {
  P.Field(L"WinList", &TListForm::WinList);
  P.Field(L"Second", &TListForm::Second);
  P.Method(L"WinListFocusedNodeChanged", &TListForm::WinListFocusedNodeChanged);
}

// Three columns written out of their order in the row, the second without a place.
const wchar_t* const ListText =
    L"object ListForm: TListForm\n"
    L"  Left = 30\n  Top = 30\n  ClientWidth = 500\n  ClientHeight = 200\n"
    L"  object WinList: TvxTreeList\n"
    L"    Left = 0\n    Top = 0\n    Width = 480\n    Height = 180\n"
    L"    Bands = <\n      item\n        Caption.Text = 'Band'\n      end>\n"
    L"    LookAndFeel.Kind = lfFlat\n"
    L"    OptionsBehavior.Sorting = False\n"
    L"    OptionsCustomizing.ColumnCustomizing = False\n"
    L"    OptionsData.Editing = False\n"
    L"    OptionsData.Deleting = False\n"
    L"    OptionsSelection.CellSelect = False\n"
    L"    OptionsView.ColumnAutoWidth = True\n"
    L"    OptionsView.GridLines = tlglHorz\n"
    L"    OnFocusedNodeChanged = WinListFocusedNodeChanged\n"
    L"    object Third: TvxTreeListColumn\n"
    L"      Caption.Text = 'C'\n      DataBinding.ValueType = 'Integer'\n      Width = 150\n"
    L"      Position.ColIndex = 1\n      Position.RowIndex = 0\n      Position.BandIndex = 0\n"
    L"    end\n"
    L"    object First: TvxTreeListColumn\n"
    L"      Caption.Text = 'A'\n      DataBinding.ValueType = 'String'\n      Width = 100\n"
    L"      Position.ColIndex = 0\n      Position.RowIndex = 0\n      Position.BandIndex = 0\n"
    L"    end\n"
    L"    object Second: TvxTreeListColumn\n"
    L"      Caption.Text = 'B'\n      Options.Sorting = False\n"
    L"    end\n"
    L"  end\n"
    L"end\n";

std::unique_ptr<TListForm> ReadForm(const String& Text) {
  std::unique_ptr<TListForm> form(new TListForm(nullptr));  // laid out from the text, not a resource
  TextToComponent(Text, form.get());
  return form;
}

}  // namespace

TEST(TreeListForm, ReadsOptionsBandsAndColumnsInTheirPlaces) {
  auto form = ReadForm(ListText);
  TvxTreeList* tl = form->WinList;
  ASSERT_NE(tl, nullptr);
  EXPECT_EQ(tl->LookAndFeel()->Kind(), lfFlat);
  EXPECT_FALSE(tl->OptionsBehavior()->Sorting);
  EXPECT_FALSE(tl->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::ColumnCustomizing));
  EXPECT_FALSE(tl->OptionsData()->Editing());
  EXPECT_FALSE(tl->OptionsData()->Deleting);
  EXPECT_FALSE(tl->OptionsSelection()->CellSelect);
  EXPECT_TRUE(tl->OptionsView()->ColumnAutoWidth());
  EXPECT_EQ(tl->OptionsView()->GridLines(), tlglHorz);
  ASSERT_EQ(tl->Bands()->Count(), 1);
  EXPECT_EQ(tl->Bands()->Items(0)->Caption()->Text(), L"Band");

  // Item order is the order read; places in the row are the ones the text gives, and the
  // column without a place joins the band after them.
  ASSERT_EQ(tl->ColumnCount(), 3);
  TvxTreeListColumn* third = tl->ColumnByName(L"Third");
  TvxTreeListColumn* first = tl->ColumnByName(L"First");
  ASSERT_NE(third, nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(form->Second, tl->ColumnByName(L"Second"));
  EXPECT_EQ(third->ItemIndex(), 0);
  EXPECT_EQ(first->Owner(), form.get());
  EXPECT_EQ(first->TreeList(), tl);
  EXPECT_EQ(first->Position()->ColIndex(), 0);
  EXPECT_EQ(third->Position()->ColIndex(), 1);
  EXPECT_EQ(form->Second->Position()->BandIndex(), 0);
  EXPECT_EQ(form->Second->Position()->ColIndex(), 2);
  EXPECT_FALSE(form->Second->Options()->Get(TvxTreeListColumnOptions::Sorting));
  EXPECT_EQ(third->DataBinding()->ValueType(), L"Integer");
  EXPECT_EQ(first->Caption()->Text(), L"A");
  EXPECT_EQ(first->Width(), 100);

  // The published method is bound to the event.
  TvxTreeListNode* n = tl->Add();
  tl->SetFocusedNode(n);
  tl->ProcessChanges();
  EXPECT_EQ(form->FocusEvents, 1);

  // A column freed by itself leaves the list and the form's field.
  delete form->Second;
  EXPECT_EQ(form->Second, nullptr);
  EXPECT_EQ(tl->ColumnCount(), 2);
}

TEST(TreeListForm, WritesAndReadsTheNodesAsData) {
  auto form = ReadForm(ListText);
  TvxTreeList* tl = form->WinList;
  EXPECT_EQ(ComponentToText(form.get()).find(L"Data = {"), String::npos) << "no nodes, no data";
  TvxTreeList* list = tl;
  for (Integer i = 0; i < 3; ++i) {
    TvxTreeListNode* n = list->Add();
    n->SetValues(list->ColumnByName(L"First")->ItemIndex(), Variant(String(L"row ") + IntToStr(i)));
    n->SetValues(list->ColumnByName(L"Third")->ItemIndex(), Variant(i * 10));
  }
  list->AddChild(list->Root()->getFirstChild())->SetValues(1, Variant(String(L"child")));
  const String text = ComponentToText(form.get());
  EXPECT_NE(text.find(L"Data = {"), String::npos);
  EXPECT_NE(text.find(L"object First: TvxTreeListColumn"), String::npos);

  auto copy = ReadForm(text);
  TvxTreeList* c = copy->WinList;
  ASSERT_EQ(c->ColumnCount(), 3);
  ASSERT_EQ(c->Count(), 3);
  ASSERT_EQ(c->AbsoluteCount(), 4);
  EXPECT_EQ(VarToStr(c->Root()->getFirstChild()->Values(c->ColumnByName(L"First")->ItemIndex())), L"row 0");
  EXPECT_EQ(VarToStr(c->Root()->GetLastChild()->Values(c->ColumnByName(L"Third")->ItemIndex())), L"20");
  EXPECT_EQ(VarToStr(c->Root()->getFirstChild()->getFirstChild()->Values(1)), L"child");
  EXPECT_EQ(ComponentToText(copy.get()), text) << "written back the same";
}

// Bands and columns whose places are written in reverse land where the text puts them,
// with bands nested two deep and a parent cycle refused rather than followed.
TEST(TreeListForm, PlacesReversedBandsAndColumnsAndRefusesParentCycles) {
  const int N = 6;
  std::wstring text =
      L"object ListForm: TListForm\n  object WinList: TvxTreeList\n  Bands = <\n    item\n      Caption.Text = 'Root'\n    end";
  for (int i = 1; i < N; ++i)
    text += L"\n    item\n      Position.BandIndex = 0\n      Position.ColIndex = " + std::to_wstring(N - 1 - i) +
            L"\n    end";
  // A grandchild under band 1, and two bands naming each other as parents.
  text += L"\n    item\n      Position.BandIndex = 1\n    end"
          L"\n    item\n      Position.BandIndex = 8\n    end"
          L"\n    item\n      Position.BandIndex = 7\n    end>\n";
  for (int i = 0; i < N; ++i)
    text += L"  object C" + std::to_wstring(i) + L": TvxTreeListColumn\n    Position.ColIndex = " +
            std::to_wstring(N - 1 - i) + L"\n    Position.RowIndex = 0\n    Position.BandIndex = 2\n  end\n";
  text += L"  end\nend\n";
  auto form = ReadForm(text);
  TvxTreeList* tl = form->WinList;
  ASSERT_NE(tl, nullptr);
  TvxTreeListBands* bands = tl->Bands();
  ASSERT_EQ(bands->Count(), N + 3);
  TvxTreeListBand* root = bands->Items(0);
  ASSERT_EQ(root->ChildBandCount(), N - 1);
  for (int k = 0; k < N - 1; ++k) EXPECT_EQ(root->ChildBands(k), bands->Items(N - 1 - k)) << k;
  EXPECT_EQ(bands->Items(N)->ParentBand(), bands->Items(1));
  EXPECT_EQ(bands->Items(1)->ChildBandCount(), 1);
  // One of the pair stays at the root, the other under it.
  TvxTreeListBand* a = bands->Items(N + 1);
  TvxTreeListBand* b = bands->Items(N + 2);
  EXPECT_TRUE((!a->ParentBand() && b->ParentBand() == a) || (!b->ParentBand() && a->ParentBand() == b));
  ASSERT_EQ(tl->ColumnCount(), N);
  for (int i = 0; i < N; ++i) {
    EXPECT_EQ(tl->Columns(i)->Position()->Band(), bands->Items(2)) << i;
    EXPECT_EQ(tl->Columns(i)->Position()->ColIndex(), N - 1 - i) << i;
  }
}

}  // namespace ZS_UNITY_ID
