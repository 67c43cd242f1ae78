#include <gtest/gtest.h>

#include "ActnList.h"
#include "ExtCtrls.h"
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

namespace {

// Works on edits only: records where it ran and was updated.
class TEditAction : public TAction {
 public:
  using TAction::TAction;
  std::vector<String> Log;
  bool HandlesTarget(TObject* Target) override { return dynamic_cast<TEdit*>(Target) != nullptr; }
  void ExecuteTarget(TObject* Target) override { Log.push_back(L"run " + static_cast<TEdit*>(Target)->Name()); }
  void UpdateTarget(TObject* Target) override { Log.push_back(L"update " + static_cast<TEdit*>(Target)->Name()); }
};

// A panel that takes every action itself when told to.
class TGreedyPanel : public TPanel {
 public:
  using TPanel::TPanel;
  bool Take = false;
  int Offers = 0;
  bool ExecuteAction(TBasicAction* Action) override {
    ++Offers;
    return Take || TPanel::ExecuteAction(Action);
  }
};

}  // namespace

// An action without a handler of its own is offered to the focused control, then to each
// of its parents; the first that takes it runs it there.
TEST(ActnListTest, UnhandledActionsReachTheFocusedControlAndItsParents) {
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  std::unique_ptr<TForm> own(form);
  form->SetBounds(40, 40, 300, 200);
  auto* panel = new TGreedyPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 200, 100);
  auto* edit = new TEdit(form);
  edit->SetName(L"Edit1");
  edit->SetParent(panel);
  auto* button = new TButton(form);
  button->SetParent(panel);
  button->SetTop(40);
  form->Show();
  SetForegroundWindow(form->Handle());
  TEditAction copy(nullptr);

  edit->SetFocus();
  Pump(30);
  EXPECT_TRUE(copy.Execute());  // brought up to date first, then run
  EXPECT_EQ((std::vector<String>{L"update Edit1", L"run Edit1"}), copy.Log);
  EXPECT_EQ(0, panel->Offers) << "the focused control took it";

  copy.Log.clear();
  button->SetFocus();
  Pump(30);
  EXPECT_FALSE(copy.Execute()) << "neither the button nor its parents work on it";
  EXPECT_EQ(1, panel->Offers);
  panel->Take = true;
  EXPECT_TRUE(copy.Execute());
  EXPECT_TRUE(copy.Log.empty());

  // An action with a handler of its own runs that handler only.
  edit->SetFocus();
  Pump(30);
  int own_runs = 0;
  copy.OnExecute = [&](TObject*) { ++own_runs; };
  copy.Log.clear();
  EXPECT_TRUE(copy.Execute());
  EXPECT_EQ(1, own_runs);
  EXPECT_EQ((std::vector<String>{L"update Edit1"}), copy.Log);
}

}  // namespace ZS_UNITY_ID
