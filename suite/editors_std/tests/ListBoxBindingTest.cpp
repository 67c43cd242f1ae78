// The list box and the check list box bound to a value: the bound value selects or
// checks items and receives the selection back, a read-only binding keeps the selection
// still, a refused value on exit keeps the focus; both controls go through a form stream.
#include <gtest/gtest.h>

#include <memory>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "Streaming.h"
#include "vxCheckListBox.h"
#include "vxListBox.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// A value source held in memory; it can refuse editing and refuse the value on exit.
class TMemoryBinding : public TvxCustomDataBinding {
 public:
  using TvxCustomDataBinding::TvxCustomDataBinding;
  Variant GetStoredValue(TvxDataEditValueSource, bool) override { return Value; }
  void SetStoredValue(TvxDataEditValueSource ASource, const Variant& AValue) override {
    Value = AValue;
    LastSource = ASource;
  }
  bool IsDataSourceLive() override { return Live; }
  void Reset() override { ++Resets; }
  void UpdateDataSource() override {
    NotifyUpdateData();
    if (RefuseOnExit) throw Exception(L"refused");
  }
  Variant Value;
  TvxDataEditValueSource LastSource = evsKey;
  bool Live = true;
  bool RefuseOnExit = false;
  int Resets = 0;
};

class TBoundListBox : public TvxListBox {
 public:
  using TvxListBox::TvxListBox;
  TMemoryBinding* Binding() { return static_cast<TMemoryBinding*>(DataBinding()); }
  void CallDoExit() { DoExit(); }

 protected:
  std::unique_ptr<TvxCustomDataBinding> CreateDataBinding() override {
    return std::make_unique<TMemoryBinding>(this, this);
  }
};

class TBoundCheckListBox : public TvxCheckListBox {
 public:
  using TvxCheckListBox::TvxCheckListBox;
  TMemoryBinding* Binding() { return static_cast<TMemoryBinding*>(DataBinding()); }

 protected:
  std::unique_ptr<TvxCustomDataBinding> CreateDataBinding() override {
    return std::make_unique<TMemoryBinding>(this, this);
  }
};

struct ListBoxBindingTest : TFormFixture {
  TBoundListBox* Box = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Box = TvxContainer::Create<TBoundListBox>(Form);
    Box->SetBounds(10, 10, 120, 120);
    Box->SetParent(Form);
    for (const wchar_t* s : {L"one", L"two", L"three"}) Box->Items()->Add(s);
    Box->HandleNeeded();
    Pump(40);
  }
};

TEST_F(ListBoxBindingTest, BoundTextSelectsAndSelectionIsStored) {
  TMemoryBinding* b = Box->Binding();
  b->Value = String(L"two");
  b->NotifyDataChange();
  EXPECT_EQ(Box->ItemIndex(), 1);
  b->Value = String(L"four");
  b->NotifyDataChange();
  EXPECT_EQ(Box->ItemIndex(), -1) << "a text not in the list selects nothing";
  b->Value = String(L"three");
  b->Live = false;
  b->NotifyDataChange();
  EXPECT_EQ(Box->ItemIndex(), -1) << "a source that is not live selects nothing";
  Box->SetItemIndex(2);
  b->NotifyUpdateData();
  EXPECT_EQ(VarToStr(b->Value), L"three");
  EXPECT_EQ(b->LastSource, evsText);
  Box->SetItemIndex(-1);
  b->NotifyUpdateData();
  EXPECT_EQ(VarToStr(b->Value), L"");
}

TEST_F(ListBoxBindingTest, ReadOnlyKeepsTheSelectionButTakesTheFocus) {
  Box->SetItemIndex(0);
  Box->SetReadOnly(true);
  EXPECT_TRUE(Box->ReadOnly());
  const TRect item = Box->ItemRect(2);
  ClickAt(Box, item.left + 5, item.top + 3);
  EXPECT_TRUE(Box->InnerListBox()->Focused()) << "the list still takes the focus";
  EXPECT_EQ(Box->ItemIndex(), 0) << "clicks on items are ignored";
  SendKey(VK_DOWN, false);
  SendKey(VK_DOWN, true);
  Pump(40);
  EXPECT_EQ(Box->ItemIndex(), 0) << "navigation keys are swallowed";
  SendKey('T', false);
  SendKey('T', true);
  Pump(40);
  EXPECT_EQ(Box->ItemIndex(), 0) << "typing does not search";
  SendKey(VK_ESCAPE, false);
  SendKey(VK_ESCAPE, true);
  Pump(40);
  EXPECT_EQ(Box->Binding()->Resets, 1) << "Escape resets the binding";
  Box->SetReadOnly(false);
  SendKey(VK_DOWN, false);
  SendKey(VK_DOWN, true);
  Pump(40);
  EXPECT_EQ(Box->ItemIndex(), 1);
}

TEST_F(ListBoxBindingTest, RefusedValueOnExitKeepsTheFocus) {
  Box->SetItemIndex(1);
  Box->Binding()->RefuseOnExit = true;
  EXPECT_THROW(Box->CallDoExit(), Exception);
  Pump(20);
  EXPECT_TRUE(Box->InnerListBox()->Focused());
  EXPECT_EQ(VarToStr(Box->Binding()->Value), L"two") << "the value was offered before it was refused";
  // The guard is released: the next exit runs again.
  Box->Binding()->RefuseOnExit = false;
  Box->SetItemIndex(0);
  Box->CallDoExit();
  EXPECT_EQ(VarToStr(Box->Binding()->Value), L"one");
}

TEST_F(ListBoxBindingTest, CheckListBoxBindsItsEditValueOrItsFocusedItem) {
  auto* list = TvxContainer::Create<TBoundCheckListBox>(Form);
  list->SetBounds(140, 10, 120, 120);
  list->SetParent(Form);
  for (const wchar_t* s : {L"read", L"write", L"delete"}) list->Items()->Add()->SetText(s);
  list->HandleNeeded();
  Pump(40);
  TMemoryBinding* b = list->Binding();
  b->Value = 5LL;
  b->NotifyDataChange();
  EXPECT_TRUE(list->Items()->Items(0)->Checked());
  EXPECT_FALSE(list->Items()->Items(1)->Checked());
  EXPECT_TRUE(list->Items()->Items(2)->Checked());
  list->InnerCheckListBox()->ToggleItemCheck(1);
  b->NotifyUpdateData();
  EXPECT_EQ(b->LastSource, evsValue);
  EXPECT_EQ(b->Value.AsInt64(), 7);
  // A read-only binding refuses toggling while the list has the focus.
  list->SetReadOnly(true);
  list->SetFocus();
  Pump(30);
  list->InnerCheckListBox()->ToggleItemCheck(0);
  EXPECT_TRUE(list->Items()->Items(0)->Checked());
  list->SetReadOnly(false);
  // Without checks the focused item's text is the value.
  list->SetShowChecks(false);
  EXPECT_GE(b->Resets, 1);
  b->Value = String(L"DELETE");
  b->NotifyDataChange();
  EXPECT_EQ(list->ItemIndex(), 2) << "item texts are matched without case";
  b->NotifyUpdateData();
  EXPECT_EQ(b->LastSource, evsText);
  EXPECT_EQ(VarToStr(b->Value), L"delete");
}

TEST(ListBoxStreaming, ItemsStatesAndSettingsRoundTrip) {
  TMemoryStream stream;
  {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetName(L"Form1");
    auto* box = TvxContainer::Create<TvxListBox>(form.get());
    box->SetName(L"List1");
    box->SetParent(form.get());
    box->Items()->Add(L"alpha");
    box->Items()->Add(L"beta");
    box->SetIntegralHeight(true);
    auto* list = TvxContainer::Create<TvxCheckListBox>(form.get());
    list->SetName(L"Checks1");
    list->SetParent(form.get());
    list->SetEditValueFormat(cvfStatesString);
    list->SetAllowGrayed(true);
    for (const wchar_t* s : {L"read", L"write", L"delete"}) list->Items()->Add()->SetText(s);
    list->Items()->Items(0)->SetState(cbsChecked);
    list->Items()->Items(1)->SetState(cbsGrayed);
    list->Items()->Items(2)->SetEnabled(false);
    list->Items()->Items(2)->SetImageIndex(3);
    WriteComponentToStream(&stream, form.get());
  }
  const String text = ObjectBinaryToText(TBytes(static_cast<const Byte*>(stream.Memory()),
                                                static_cast<const Byte*>(stream.Memory()) + stream.Size()));
  EXPECT_NE(text.find(L"EditValueFormat = cvfStatesString"), String::npos) << text;
  EXPECT_NE(text.find(L"State = cbsGrayed"), String::npos) << text;
  EXPECT_EQ(text.find(L"State = cbsUnchecked"), String::npos) << "defaults are not written";
  stream.SetPosition(0);
  std::unique_ptr<TForm> loaded(new TForm(nullptr));
  ReadComponentFromStream(&stream, loaded.get());
  auto* box = dynamic_cast<TvxListBox*>(loaded->FindComponent(L"List1"));
  auto* list = dynamic_cast<TvxCheckListBox*>(loaded->FindComponent(L"Checks1"));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(box->Count(), 2);
  EXPECT_EQ(box->Items()->Strings(1), L"beta");
  EXPECT_TRUE(box->IntegralHeight());
  EXPECT_EQ(list->EditValueFormat(), cvfStatesString);
  EXPECT_TRUE(list->AllowGrayed());
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Items()->Items(2)->Text(), L"delete");
  EXPECT_EQ(list->Items()->Items(0)->State(), cbsChecked);
  EXPECT_EQ(list->Items()->Items(1)->State(), cbsGrayed);
  EXPECT_FALSE(list->Items()->Items(2)->Enabled());
  EXPECT_EQ(list->Items()->Items(2)->ImageIndex(), 3);
  EXPECT_EQ(VarToStr(list->EditValue()), L"120");
}

}  // namespace

namespace {

// The customization form sizes its list by rows and hit-tests checks in container
// coordinates.
TEST_F(ListBoxBindingTest, CheckListBoxRowsWidthsAndCheckHits) {
  auto* list = TvxContainer::Create<TvxCheckListBox>(Form);
  list->Style()->SetBorderStyle(cbsSingle);
  list->SetParent(Form);
  list->AddItem(L"short");
  list->AddItem(L"a much longer caption");
  list->SetBounds(140, 10, 150, list->GetHeight(2));
  list->HandleNeeded();
  Pump(40);
  const Integer row = list->InnerCheckListBox()->GetStandardItemHeight();
  EXPECT_EQ(list->GetHeight(3) - list->GetHeight(2), row);
  EXPECT_EQ(list->InnerCheckListBox()->ClientHeight(), 2 * row) << "two rows fit exactly";
  EXPECT_GT(list->GetItemWidth(1), list->GetItemWidth(0));
  const TRect item = list->ItemRect(1);
  EXPECT_EQ(list->ItemAtPos(TPoint{item.left + 1, item.top + 1}, true), 1);
  const TRect check = list->InnerCheckListBox()->GetItemCheckRect(list->InnerCheckListBox()->ItemRect(1), false);
  const TPoint inCheck{check.left + 2 + list->InnerCheckListBox()->Left(), check.top + 2 + list->InnerCheckListBox()->Top()};
  EXPECT_EQ(list->CheckAtPos(inCheck), 1);
  EXPECT_EQ(list->CheckAtPos(TPoint{item.right - 5, item.top + 2}), -1) << "the text is not the check";
  list->SetItemIndex(0);
  list->DeleteSelected();
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Items()->Items(0)->Text(), L"a much longer caption");
}

}  // namespace

}  // namespace ZS_UNITY_ID
