// The radio group on real windows: the value an item stands for (its value, or its caption
// when it has none), the index kept in range, mouse and keyboard selection with the change
// events, a read-only group, the column layout, and a form file round trip.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "Streaming.h"
#include "vxRadioGroup.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

struct RadioGroupTest : TFormFixture {
  TvxRadioGroup* Group = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Group = TvxContainer::Create<TvxRadioGroup>(Form);
    Group->SetBounds(10, 10, 240, 120);
    Group->SetCaption(L"Choice");
    Group->SetParent(Form);
    Group->HandleNeeded();
    Pump(40);
  }
  TvxRadioGroupItem* Add(const wchar_t* ACaption, const Variant& AValue = Null()) {
    TvxRadioGroupItem* i = Group->Properties()->Items()->Add();
    i->SetCaption(ACaption);
    i->SetValue(AValue);
    Pump(20);
    return i;
  }
  TvxCustomRadioGroupButton* Button(int I) { return Group->RadioButtons(I); }
  void Press(WORD Key) {
    SendKey(Key, false);
    SendKey(Key, true);
    Pump(40);
  }
};

}  // namespace

TEST(RadioGroupProperties, ItemsStandForTheirValueOrExactCaption) {
  TvxRadioGroupProperties p(nullptr);
  auto add = [&](const wchar_t* c, const Variant& v) {
    TvxRadioGroupItem* i = p.Items()->Add();
    i->SetCaption(c);
    i->SetValue(v);
  };
  add(L"apple", Null());
  add(L"Apple", Null());
  add(L"ten", Variant(10));
  add(L"also ten", Variant(10));
  add(L"日本", Null());
  struct Case { Variant Value; int Index; const wchar_t* Text; } cases[] = {
      {Variant(String(L"apple")), 0, L"apple"},
      {Variant(String(L"Apple")), 1, L"Apple"},  // captions compare with the exact case
      {Variant(String(L"APPLE")), -1, L""},
      {Variant(10), 2, L"ten"},                  // the first of two equal values
      {Variant(String(L"日本")), 4, L"日本"},
      {Null(), -1, L""},                         // nothing chosen: the default caption, empty
      {Variant(String(L"ten")), -1, L""},        // an item with a value is not found by its caption
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Index, p.GetRadioGroupItemIndex(c.Value)) << c.Text;
    EXPECT_EQ(String(c.Text), p.GetDisplayText(c.Value)) << c.Text;
  }
  EXPECT_TRUE(p.CompareDisplayValues(Variant(10), Variant(10)));
  EXPECT_FALSE(p.CompareDisplayValues(Variant(String(L"apple")), Variant(String(L"Apple"))));
  // A filter row offers an item without a value by its caption, as the editor edits it.
  Variant v;
  String text;
  p.GetItemFilterValue(0, v, text);
  EXPECT_EQ(String(L"apple"), VarToStr(v));
  EXPECT_EQ(String(L"apple"), text);
  p.GetItemFilterValue(3, v, text);
  EXPECT_EQ(10, v.AsInteger());
  EXPECT_EQ(String(L"also ten"), text);
  p.SetDefaultValue(Variant(-1));
  p.SetDefaultCaption(L"none");
  p.GetItemFilterValue(-1, v, text);
  EXPECT_EQ(-1, v.AsInteger());
  EXPECT_EQ(String(L"none"), text);
  EXPECT_EQ(String(L"none"), p.GetDisplayText(Variant(99)));
}

TEST_F(RadioGroupTest, ItemIndexIsClampedAndTheEditValueFollows) {
  Add(L"red");
  Add(L"green", Variant(2));
  Add(L"blue");
  Group->Properties()->SetDefaultValue(Variant(0));
  int changes = 0;
  Group->Properties()->OnChange = [&](TObject*) { ++changes; };
  Group->SetItemIndex(10);
  EXPECT_EQ(2, Group->ItemIndex());
  EXPECT_EQ(String(L"blue"), VarToStr(Group->EditValue()));  // no value: the caption
  EXPECT_TRUE(Button(2)->Checked());
  EXPECT_EQ(1, changes);
  Group->SetItemIndex(1);
  EXPECT_EQ(2, Group->EditValue().AsInteger());
  EXPECT_FALSE(Button(2)->Checked());
  Group->SetItemIndex(-5);
  EXPECT_EQ(-1, Group->ItemIndex());
  EXPECT_EQ(0, Group->EditValue().AsInteger());  // the default value
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(Button(i)->Checked());
  // An edit value checks the button that stands for it.
  Group->SetEditValue(Variant(String(L"red")));
  EXPECT_EQ(0, Group->ItemIndex());
  Group->SetEditValue(Variant(String(L"RED")));
  EXPECT_EQ(-1, Group->ItemIndex());
  EXPECT_FALSE(Group->EditModified());
}

TEST_F(RadioGroupTest, MouseAndArrowKeysSelectAndReadOnlyKeepsTheValue) {
  Add(L"one", Variant(1));
  Add(L"two", Variant(2));
  Add(L"three", Variant(3));
  int changed = 0;
  Group->Properties()->OnEditValueChanged = [&](TObject*) { ++changed; };
  ClickAt(Button(1), 10, Button(1)->Height() / 2);
  EXPECT_EQ(1, Group->ItemIndex());
  EXPECT_EQ(2, Group->EditValue().AsInteger());
  EXPECT_EQ(1, changed);
  EXPECT_TRUE(Button(1)->Focused());
  Press(VK_DOWN);
  EXPECT_TRUE(Button(2)->Focused());
  EXPECT_EQ(2, Group->ItemIndex());
  EXPECT_EQ(3, Group->EditValue().AsInteger());
  EXPECT_TRUE(Group->EditModified());  // chosen from the keyboard
  Press(VK_UP);
  EXPECT_EQ(1, Group->ItemIndex());
  // Read-only: neither arrows, space nor the mouse change the value.
  Group->Properties()->SetReadOnly(true);
  Press(VK_UP);
  Press(VK_SPACE);
  ClickAt(Button(2), 10, Button(2)->Height() / 2);
  EXPECT_EQ(1, Group->ItemIndex());
  EXPECT_EQ(2, Group->EditValue().AsInteger());
}

TEST_F(RadioGroupTest, ButtonHeldByTheMouseIsPressedInTheGroupsPainting) {
  Add(L"one");
  Add(L"two");
  auto state = [&](int I) {
    Group->CalculateViewInfo(TPoint{-1, -1}, vxmbNone, TShiftState{}, false);
    auto* vi = static_cast<TvxButtonGroupViewInfo*>(Group->ViewInfo());
    return vi->GroupButtons(I)->Data.State;
  };
  EXPECT_EQ(ebsNormal, state(1));
  MoveMouse(ScreenPoint(Button(1), 10, Button(1)->Height() / 2));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  Pump(40);
  EXPECT_EQ(rbsPressed, Button(1)->State());
  EXPECT_EQ(ebsPressed, state(1));
  EXPECT_EQ(ebsNormal, state(0));
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_NE(ebsPressed, state(1));
}

TEST_F(RadioGroupTest, FourItemsInThreeColumnsFollowTheColumnRule) {
  Group->Properties()->SetColumns(3);
  for (const wchar_t* c : {L"A", L"B", L"C", L"D"}) Add(c);
  // The rebalancing rule: 2 rows are needed, and 2 rows of 2 fill 2 columns.
  EXPECT_EQ(2, Group->ColumnCount());
  EXPECT_EQ(2, Group->RowCount());
  EXPECT_EQ(Button(0)->Left(), Button(1)->Left());
  EXPECT_EQ(Button(2)->Top(), Button(0)->Top());
  EXPECT_GT(Button(2)->Width(), 100);  // half of the client, not a third
}

TEST(RadioGroupStreaming, ItemsValuesAndIndexAreWrittenAndReadBack) {
  std::unique_ptr<TvxRadioGroup> g(TvxContainer::Create<TvxRadioGroup>(nullptr));
  g->SetName(L"Radio1");
  for (const wchar_t* c : {L"Low", L"High"}) g->Properties()->Items()->Add()->SetCaption(c);
  g->Properties()->Items()->Items(1)->SetValue(Variant(9));
  g->Properties()->SetColumns(2);
  g->Properties()->SetDefaultValue(Variant(0));
  g->SetItemIndex(1);
  const String text = ComponentToText(g.get());
  EXPECT_NE(text.find(L"ItemIndex = 1"), String::npos) << text;
  EXPECT_NE(text.find(L"Value = 9"), String::npos) << text;
  EXPECT_EQ(text.find(L"DefaultCaption"), String::npos) << text;  // the resource text
  std::unique_ptr<TvxRadioGroup> copy(TvxContainer::Create<TvxRadioGroup>(nullptr));
  TextToComponent(text, copy.get());
  ASSERT_EQ(2, copy->Properties()->Items()->Count());
  EXPECT_EQ(String(L"High"), copy->Properties()->Items()->Items(1)->Caption());
  EXPECT_TRUE(VarIsNull(copy->Properties()->Items()->Items(0)->Value()));
  EXPECT_EQ(2, copy->Properties()->Columns());
  EXPECT_EQ(1, copy->ItemIndex());
  EXPECT_EQ(9, copy->EditValue().AsInteger());
}

}  // namespace ZS_UNITY_ID
