#include "ActnList.h"

#include <algorithm>

// =======================================================================================
// Links

TBasicActionLink::~TBasicActionLink() {
  if (FAction) FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (FAction == Value) return;
  if (FAction) FAction->UnRegisterChanges(this);
  FAction = Value;
  if (Value) {
    Value->RegisterChanges(this);
    AssignClient();
  }
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
  if (!FAction) return false;
  FAction->SetActionComponent(AComponent ? AComponent : dynamic_cast<TComponent*>(FClient));
  TScopeExit clear([this] {
    if (FAction) FAction->SetActionComponent(nullptr);
  });
  return FAction->Execute();
}

bool TBasicActionLink::Update() { return FAction && FAction->Update(); }

void TBasicActionLink::Change() {
  if (OnChange) OnChange(FAction);
}

void TActionLink::AssignClient() {
  auto* a = dynamic_cast<TCustomAction*>(FAction);
  if (!a) return;
  SetCaption(a->Caption());
  SetChecked(a->Checked());
  SetEnabled(a->Enabled());
  SetVisible(a->Visible());
  SetHint(a->Hint());
  SetImageIndex(a->ImageIndex());
  SetShortCut(a->ShortCut());
  SetGroupIndex(a->GroupIndex());
}

TControlActionLink::TControlActionLink(TControl* AClient) : TActionLink(AClient), FControl(AClient) {}

void TControlActionLink::SetAction(TBasicAction* Value) {
  TActionLink::SetAction(Value);
  if (Value) FControl->OnClick = [this](TObject*) { Execute(FControl); };
  else FControl->OnClick = nullptr;
}

TMenuActionLink::TMenuActionLink(TMenuItem* AClient) : TActionLink(AClient), FItem(AClient) {}

void TMenuActionLink::SetAction(TBasicAction* Value) {
  TActionLink::SetAction(Value);
  if (Value) FItem->OnClick = [this](TObject*) { Execute(FItem); };
  else FItem->OnClick = nullptr;
}

// =======================================================================================
// Actions

TBasicAction::~TBasicAction() {
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients)) l->FAction = nullptr;
  FClients.clear();
}

namespace {

// Offers an action to the control with the keyboard focus and then to each of its
// parents up to the form, until one takes it.
template <class F>
bool OfferToFocusedControls(F Offer) {
  TWinControl* c = nullptr;
  for (HWND w = GetFocus(); w && !c; w = GetParent(w)) c = FindControl(w);
  for (; c; c = c->Parent())
    if (Offer(c)) return true;
  return false;
}

}  // namespace

bool TBasicAction::Execute() {
  if (OnExecute) {
    OnExecute(this);
    return true;
  }
  return OfferToFocusedControls([this](TWinControl* c) { return c->ExecuteAction(this); });
}

bool TBasicAction::Update() {
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  return OfferToFocusedControls([this](TWinControl* c) { return c->UpdateAction(this); });
}

void TBasicAction::RegisterChanges(TBasicActionLink* Value) {
  if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end()) FClients.push_back(Value);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Value) {
  FClients.erase(std::remove(FClients.begin(), FClients.end(), Value), FClients.end());
}

void TBasicAction::Change() {
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients)) l->Change();
}

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TCustomActionList* Value) {
  if (FActionList == Value) return;
  if (FActionList) {
    auto& v = FActionList->FActions;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  FActionList = Value;
  if (Value) Value->FActions.push_back(this);
}

TComponent* TContainedAction::GetParentComponent() const {
  if (FActionList) return FActionList;
  return inherited::GetParentComponent();
}

void TContainedAction::SetParentComponent(TComponent* Value) {
  if (auto* list = dynamic_cast<TCustomActionList*>(Value)) SetActionList(list);
}

Integer TContainedAction::Index() const {
  if (!FActionList) return -1;
  auto& v = FActionList->FActions;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

// The list sees the action first; its handler may take it over.
bool TContainedAction::Execute() {
  if (FActionList && FActionList->ExecuteAction(this)) return true;
  return inherited::Execute();
}

bool TContainedAction::Update() {
  if (FActionList && FActionList->UpdateAction(this)) return true;
  return inherited::Update();
}

template <class F>
void TCustomAction::ForLinks(F Fn) {
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients))
    if (auto* a = dynamic_cast<TActionLink*>(l)) Fn(a);
  Change();
}

void TCustomAction::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  ForLinks([&](TActionLink* l) { l->SetCaption(Value); });
}

// Checking an action of a group unchecks the others of its list in the same group.
void TCustomAction::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (Value && FGroupIndex > 0 && ActionList())
    for (Integer i = 0; i < ActionList()->ActionCount(); ++i) {
      auto* a = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
      if (a && a != this && a->FGroupIndex == FGroupIndex && a->FChecked) a->SetChecked(false);
    }
  ForLinks([&](TActionLink* l) { l->SetChecked(Value); });
}

void TCustomAction::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  ForLinks([&](TActionLink* l) { l->SetEnabled(Value); });
}

void TCustomAction::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  ForLinks([&](TActionLink* l) { l->SetVisible(Value); });
}

void TCustomAction::SetHint(const String& Value) {
  if (FHint == Value) return;
  FHint = Value;
  ForLinks([&](TActionLink* l) { l->SetHint(Value); });
}

void TCustomAction::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  ForLinks([&](TActionLink* l) { l->SetImageIndex(Value); });
}

void TCustomAction::SetShortCut(TShortCut Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  ForLinks([&](TActionLink* l) { l->SetShortCut(Value); });
}

void TCustomAction::SetGroupIndex(Integer Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  ForLinks([&](TActionLink* l) { l->SetGroupIndex(Value); });
}

bool TCustomAction::Execute() {
  Update();
  if (!FEnabled) return false;
  if (FAutoCheck) SetChecked(FGroupIndex > 0 ? true : !FChecked);
  return inherited::Execute();
}

void TAction::DeclarePublished(TPublisher<TAction>& P) {
  using C = TAction;
  P.Property(L"AutoCheck", &C::AutoCheck, &C::SetAutoCheck).Default(false);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"Category", &C::Category, &C::SetCategory);
  P.Property(L"Checked", &C::Checked, &C::SetChecked).Default(false);
  P.Property(L"Enabled", &C::Enabled, &C::SetEnabled).Default(true);
  P.Property(L"GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
  P.Property(L"HelpContext", &C::HelpContext, &C::SetHelpContext).Default(0);
  P.Property(L"Hint", &C::Hint, &C::SetHint);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(-1);
  P.Property(L"ShortCut", &C::ShortCut, &C::SetShortCut).Default(0);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"OnExecute", &C::OnExecute);
  P.Property(L"OnUpdate", &C::OnUpdate);
}

// =======================================================================================
// Action lists

TCustomActionList::~TCustomActionList() {
  for (TContainedAction* a : std::vector<TContainedAction*>(FActions)) a->FActionList = nullptr;
  FActions.clear();
  SetImages(nullptr);
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  if (OnChange) OnChange(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
  bool handled = false;
  if (OnExecute) OnExecute(Action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
  bool handled = false;
  if (OnUpdate) OnUpdate(Action, handled);
  return handled;
}

void TCustomActionList::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TContainedAction* a : std::vector<TContainedAction*>(FActions))
    if (a->Owner() == Root) Proc(a);
}

void TCustomActionList::UpdateActions() {
  for (TContainedAction* a : std::vector<TContainedAction*>(FActions)) a->Update();
}

void TActionList::DeclarePublished(TPublisher<TActionList>& P) {
  P.Property(L"Images", &TActionList::Images, &TActionList::SetImages);
  P.Property(L"OnExecute", &TActionList::OnExecute);
  P.Property(L"OnUpdate", &TActionList::OnUpdate);
}

// =======================================================================================
// Unit start-up and shut-down

namespace {

// The classes form files may name, registered while the unit runs.
std::vector<TClass> ActnListClasses() { return {TActionList::StaticClass(), TAction::StaticClass()}; }

void InitActnList() {
  for (TClass c : ActnListClasses()) RegisterClass(c);
}

void DoneActnList() {
  for (TClass c : ActnListClasses()) UnRegisterClass(c);
}

}  // namespace

const TUnitInfo ActnListUnit{L"ActnList", InitActnList, DoneActnList};
