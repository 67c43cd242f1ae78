// ActnList: actions and their links. An action holds a command's caption, state and
// handler; links carry its changes to the controls and menu items that show it, and
// route their clicks back to it. Action lists group actions and can intercept them.
#pragma once

#include <functional>
#include <vector>

#include "Controls.h"
#include "ImgList.h"
#include "Menus.h"
#include "Persistent.h"
#include "SysInit.h"

class TCustomActionList;

class TBasicActionLink : public TObject {
  DECLARE_CLASS(TBasicActionLink, TObject)
 public:
  explicit TBasicActionLink(TObject* AClient) : FClient(AClient) {}
  ~TBasicActionLink() override;
  TBasicAction* Action() const { return FAction; }
  virtual void SetAction(TBasicAction* Value);
  TObject* Client() const { return FClient; }
  // Runs the action for a component (the client by default).
  virtual bool Execute(TComponent* AComponent = nullptr);
  virtual bool Update();
  TNotifyEvent OnChange;

 protected:
  friend class TBasicAction;
  virtual void Change();
  // Copies the action's state to the client (on linking).
  virtual void AssignClient() {}
  TBasicAction* FAction = nullptr;
  TObject* FClient;
};

class TContainedAction : public TBasicAction {
  DECLARE_CLASS(TContainedAction, TBasicAction)
 public:
  explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
  ~TContainedAction() override;
  TCustomActionList* ActionList() const { return FActionList; }
  void SetActionList(TCustomActionList* Value);
  String Category() const { return FCategory; }
  void SetCategory(const String& Value) { FCategory = Value; }
  Integer Index() const;
  bool Execute() override;
  bool Update() override;
  // In form files an action is written inside its action list.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

 private:
  friend class TCustomActionList;
  TCustomActionList* FActionList = nullptr;
  String FCategory;
};

class TCustomAction : public TContainedAction {
  DECLARE_CLASS(TCustomAction, TContainedAction)
 public:
  explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}
  String Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  String Hint() const { return FHint; }
  void SetHint(const String& Value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  Integer GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Integer Value);
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  Integer HelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value) { FHelpContext = Value; }
  // Disabled actions do not run; AutoCheck toggles Checked first.
  bool Execute() override;

 private:
  template <class F>
  void ForLinks(F Fn);
  String FCaption, FHint;
  bool FChecked = false, FEnabled = true, FVisible = true, FAutoCheck = false;
  Integer FImageIndex = -1, FGroupIndex = 0, FHelpContext = 0;
  TShortCut FShortCut = 0;
};

class TAction : public TCustomAction {
  DECLARE_CLASS(TAction, TCustomAction)
  PUBLISHED(TAction)
 public:
  using TCustomAction::TCustomAction;
};

// A link that knows the properties of a TCustomAction.
class TActionLink : public TBasicActionLink {
  DECLARE_CLASS(TActionLink, TBasicActionLink)
 public:
  using TBasicActionLink::TBasicActionLink;
  virtual void SetCaption(const String&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetVisible(bool) {}
  virtual void SetHint(const String&) {}
  virtual void SetImageIndex(Integer) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetGroupIndex(Integer) {}

 protected:
  void AssignClient() override;
};

// Links a control: caption, enabled, visible, hint; its clicks run the action.
class TControlActionLink : public TActionLink {
  DECLARE_CLASS(TControlActionLink, TActionLink)
 public:
  explicit TControlActionLink(TControl* AClient);
  void SetAction(TBasicAction* Value) override;
  void SetCaption(const String& Value) override { FControl->SetCaption(Value); }
  void SetEnabled(bool Value) override { FControl->SetEnabled(Value); }
  void SetVisible(bool Value) override { FControl->SetVisible(Value); }
  void SetHint(const String& Value) override { FControl->SetHint(Value); }

 private:
  TControl* FControl;
};

// Links a menu item: all the action's properties; its clicks run the action.
class TMenuActionLink : public TActionLink {
  DECLARE_CLASS(TMenuActionLink, TActionLink)
 public:
  explicit TMenuActionLink(TMenuItem* AClient);
  void SetAction(TBasicAction* Value) override;
  void SetCaption(const String& Value) override { FItem->SetCaption(Value); }
  void SetChecked(bool Value) override { FItem->SetChecked(Value); }
  void SetEnabled(bool Value) override { FItem->SetEnabled(Value); }
  void SetVisible(bool Value) override { FItem->SetVisible(Value); }
  void SetHint(const String& Value) override { FItem->SetHint(Value); }
  void SetImageIndex(Integer Value) override { FItem->SetImageIndex(Value); }
  void SetShortCut(TShortCut Value) override { FItem->SetShortCut(Value); }

 private:
  TMenuItem* FItem;
};

class TCustomActionList : public TComponent {
  DECLARE_CLASS(TCustomActionList, TComponent)
 public:
  explicit TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}
  ~TCustomActionList() override;
  Integer ActionCount() const { return static_cast<Integer>(FActions.size()); }
  TContainedAction* Actions(Integer Index) const { return FActions.at(static_cast<size_t>(Index)); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  // OnExecute/OnUpdate of the list; true when the list handled the action.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);
  // Updates every action (as the application does when idle).
  void UpdateActions();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

 private:
  friend class TContainedAction;
  std::vector<TContainedAction*> FActions;
  TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
  DECLARE_CLASS(TActionList, TCustomActionList)
  PUBLISHED(TActionList)
 public:
  using TCustomActionList::TCustomActionList;
};

// Registers the unit's classes for the form streaming.
extern const TUnitInfo ActnListUnit;
