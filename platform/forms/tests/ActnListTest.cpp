#include <gtest/gtest.h>

#include "ActnList.h"
#include "FormsTestSupport.h"
#include "StdCtrls.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

// One action drives a button and a menu item: its changes reach both, their clicks
// run it, and the action list can take an execution over.
TEST(ActnListTest, LinksCarryStateAndClicksRunTheAction) {
  TActionList list(nullptr);
  TAction save(nullptr);
  save.SetActionList(&list);
  save.SetCaption(L"&Save");
  int runs = 0;
  TComponent* from = nullptr;
  save.OnExecute = [&](TObject* S) {
    ++runs;
    from = static_cast<TBasicAction*>(S)->ActionComponent();
  };
  TButton button(nullptr);
  TMenuItem item(nullptr);
  {
    TControlActionLink buttonLink(&button);
    TMenuActionLink itemLink(&item);
    buttonLink.SetAction(&save);
    itemLink.SetAction(&save);
    EXPECT_EQ(L"&Save", button.Caption());
    EXPECT_EQ(L"&Save", item.Caption());
    save.SetCaption(L"保存(&S)");
    save.SetEnabled(false);
    save.SetShortCut(TextToShortCut(L"Ctrl+S"));
    EXPECT_EQ(L"保存(&S)", button.Caption());
    EXPECT_FALSE(button.Enabled());
    EXPECT_FALSE(item.Enabled());
    EXPECT_EQ(TextToShortCut(L"Ctrl+S"), item.ShortCut());

    button.Click();  // disabled: nothing runs
    EXPECT_EQ(0, runs);
    save.SetEnabled(true);
    item.Click();
    button.Click();
    EXPECT_EQ(2, runs);
    EXPECT_EQ(&button, from);
    EXPECT_EQ(nullptr, save.ActionComponent());

    // The list's OnExecute may handle the action itself.
    list.OnExecute = [](TBasicAction*, bool& Handled) { Handled = true; };
    button.Click();
    EXPECT_EQ(2, runs);
    list.OnExecute = nullptr;
    EXPECT_EQ(2, save.ClientCount());
  }
  // The links unregistered themselves.
  EXPECT_EQ(0, save.ClientCount());
}

TEST(ActnListTest, GroupsAutoCheckAndUpdate) {
  TActionList list(nullptr);
  TAction left(nullptr), right(nullptr);
  for (TAction* a : {&left, &right}) {
    a->SetActionList(&list);
    a->SetGroupIndex(1);
    a->SetAutoCheck(true);
  }
  EXPECT_EQ(1, right.Index());
  left.Execute();
  EXPECT_TRUE(left.Checked());
  right.Execute();
  EXPECT_TRUE(right.Checked());
  EXPECT_FALSE(left.Checked());

  // Updates come from OnUpdate (or the list) and decide whether Execute runs.
  bool allow = false;
  int runs = 0;
  left.OnUpdate = [&](TObject*) { left.SetEnabled(allow); };
  left.OnExecute = [&](TObject*) { ++runs; };
  list.UpdateActions();
  EXPECT_FALSE(left.Enabled());
  EXPECT_FALSE(left.Execute());
  allow = true;
  EXPECT_TRUE(left.Execute());
  EXPECT_EQ(1, runs);

  // An action freed before its list leaves it.
  {
    TAction temp(nullptr);
    temp.SetActionList(&list);
    EXPECT_EQ(3, list.ActionCount());
  }
  EXPECT_EQ(2, list.ActionCount());
}

}  // namespace ZS_UNITY_ID
