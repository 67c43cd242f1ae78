// The radio group on real windows: the value an item stands for (its value, or its caption
// when it has none), the index kept in range, mouse and keyboard selection with the change
// events, a read-only group, the column layout, and a form file round trip.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "StdCtrls.h"
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

// Tab and Shift+Tab pass through the group at its checked button, from and to the edits
// on either side; a group with nothing checked is passed over.
TEST_F(RadioGroupTest, TabEntersAndLeavesAtTheCheckedButton) {
  auto* before = new TEdit(Form);
  before->SetParent(Form);
  before->SetBounds(260, 10, 80, 22);
  auto* after = new TEdit(Form);
  after->SetParent(Form);
  after->SetBounds(260, 40, 80, 22);
  before->SetTabOrder(0);
  Group->SetTabOrder(1);
  after->SetTabOrder(2);
  Add(L"one");
  Add(L"two");
  Add(L"three");
  auto shiftTab = [&] {
    SendKey(VK_SHIFT, false);
    Press(VK_TAB);
    SendKey(VK_SHIFT, true);
    Pump(20);
  };
  struct Case {
    Integer Index;
    bool Enters;
  } cases[] = {{1, true}, {-1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Index);
    Group->SetItemIndex(c.Index);
    before->SetFocus();
    Pump(20);
    Press(VK_TAB);
    if (c.Enters) {
      EXPECT_TRUE(Button(c.Index)->Focused());
      Press(VK_TAB);
    }
    EXPECT_TRUE(after->Focused());
    shiftTab();
    if (c.Enters) {
      EXPECT_TRUE(Button(c.Index)->Focused());
      shiftTab();
    }
    EXPECT_TRUE(before->Focused());
    EXPECT_EQ(Group->ItemIndex(), c.Index) << "passing through changes nothing";
  }
}

// Alt with the caption's accelerator moves into the group: to the checked button, or to the
// first one, which becomes checked.
TEST_F(RadioGroupTest, CaptionAcceleratorSelectsAButton) {
  auto* other = new TEdit(Form);
  other->SetParent(Form);
  other->SetBounds(260, 10, 80, 22);
  Group->SetCaption(L"&Choice");
  Add(L"one");
  Add(L"two");
  struct Case {
    Integer Before, After;
  } cases[] = {{-1, 0}, {1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Before);
    Group->SetItemIndex(c.Before);
    other->SetFocus();
    Pump(20);
    SendKey(VK_MENU, false);
    Press('C');
    SendKey(VK_MENU, true);
    Pump(40);
    EXPECT_TRUE(Button(c.After)->Focused());
    EXPECT_EQ(Group->ItemIndex(), c.After);
  }
}

// An in-place activation focuses the checked button, or the first one without a check.
TEST_F(RadioGroupTest, ActivateFocusesTheCheckedOrFirstButton) {
  Add(L"one");
  Add(L"two");
  for (Integer index : {1, -1}) {
    SCOPED_TRACE(index);
    Form->SetFocus();
    Pump(20);
    Group->SetItemIndex(index);
    TvxCustomEditData* data = nullptr;
    Group->Activate(data);
    Pump(20);
    EXPECT_TRUE(Button(index == -1 ? 0 : index)->Focused());
    EXPECT_EQ(data, nullptr);
  }
}

// The drag settings and the cursor of the group reach every button, also buttons added
// later; a press on a button then drags the group.
TEST_F(RadioGroupTest, DragSettingsAndCursorReachTheButtons) {
  Add(L"one");
  Group->SetDragMode(dmAutomatic);
  Group->SetDragKind(dkDock);
  Group->SetCursor(crHandPoint);
  Add(L"two");
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Button(i)->DragMode(), dmAutomatic);
    EXPECT_EQ(Button(i)->DragKind(), dkDock);
    EXPECT_EQ(Button(i)->Cursor(), crHandPoint);
  }
  Group->SetDragMode(dmManual);
  Group->SetDragKind(dkDrag);
  Group->SetCursor(crDefault);
  EXPECT_EQ(Button(1)->DragMode(), dmManual);
  EXPECT_EQ(Button(1)->DragKind(), dkDrag);
  EXPECT_EQ(Button(1)->Cursor(), crDefault);
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
