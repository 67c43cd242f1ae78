#include "Persistent.h"

#include <algorithm>

#include "Streaming.h"

namespace {
bool SameName(const String& a, const String& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                        static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())) ==
         CSTR_EQUAL;
}

[[noreturn]] void ListIndexError(Integer Index) {
  throw EListError(L"List index out of bounds (%d)", {Index});
}

template <class T>
void EraseOne(std::vector<T*>& v, T* p) {
  auto it = std::find(v.begin(), v.end(), p);
  if (it != v.end()) v.erase(it);
}

// The key of a name in an owner's name index: upper-cased as the comparison above
// ignores case.
String NameKey(const String& Name) {
  String k(Name);
  if (!k.empty())
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, Name.data(), static_cast<int>(Name.size()),
                 k.data(), static_cast<int>(k.size()));
  return k;
}
}  // namespace

// TPersistent ------------------------------------------------------------------------

TPersistent::~TPersistent() = default;

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  String SourceName = Source ? Source->ClassName() : String(L"nil");
  throw EConvertError(L"Cannot assign a %s to a %s", {SourceName, ClassName()});
}

void TPersistent::DefineProperties(TFiler*) {}

TPersistent* TPersistent::GetOwner() { return nullptr; }

String TPersistent::GetNamePath() {
  String Result = ClassName();
  if (TPersistent* Owner = GetOwner()) {
    String S = Owner->GetNamePath();
    if (!S.empty()) Result = S + L"." + Result;
  }
  return Result;
}

// TComponent -------------------------------------------------------------------------

bool IsValidIdent(const String& Ident) {
  if (Ident.empty()) return false;
  auto alpha = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_'; };
  if (!alpha(Ident[0])) return false;
  for (wchar_t c : Ident)
    if (!alpha(c) && !(c >= L'0' && c <= L'9')) return false;
  return true;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell every component linked by FreeNotification, then forget the links.
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseOne(Other->FFreeNotifies, this);
    Other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(Integer Index) const {
  if (Index < 0 || Index >= ComponentCount()) ListIndexError(Index);
  return FComponents[static_cast<size_t>(Index)];
}

Integer TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& v = FOwner->FComponents;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

void TComponent::SetComponentIndex(Integer Value) {
  if (!FOwner) return;
  Integer I = ComponentIndex();
  if (I < 0) return;
  Integer Count = FOwner->ComponentCount();
  if (Value < 0) Value = 0;
  if (Value >= Count) Value = Count - 1;
  if (Value == I) return;
  auto& v = FOwner->FComponents;
  v.erase(v.begin() + I);
  v.insert(v.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  // Through the name index; among equal names (possible only when a descendant allows
  // them) the one inserted first wins.
  auto range = FNameIndex.equal_range(NameKey(AName));
  TComponent* Result = nullptr;
  Integer Best = 0;
  for (auto it = range.first; it != range.second; ++it) {
    TComponent* C = it->second;
    if (!SameName(C->FName, AName)) continue;
    if (!Result) {
      Result = C;
      if (std::next(range.first) == range.second) break;
      Best = C->ComponentIndex();
      continue;
    }
    Integer I = C->ComponentIndex();
    if (I < Best) {
      Result = C;
      Best = I;
    }
  }
  return Result;
}

void TComponent::IndexName(TComponent* AComponent) {
  if (!AComponent->FName.empty()) FNameIndex.emplace(NameKey(AComponent->FName), AComponent);
}

void TComponent::UnindexName(TComponent* AComponent) {
  if (AComponent->FName.empty()) return;
  auto range = FNameIndex.equal_range(NameKey(AComponent->FName));
  for (auto it = range.first; it != range.second; ++it)
    if (it->second == AComponent) {
      FNameIndex.erase(it);
      return;
    }
}

void TComponent::SetName(const String& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError(L"'%s' is not a valid component name", {NewName});
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  SetReference(false);
  if (FOwner) FOwner->UnindexName(this);
  {
    TScopeExit index([this] {
      if (FOwner) FOwner->IndexName(this);
    });
    ChangeName(NewName);
  }
  SetReference(true);
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName,
                                const String& NewName) {
  if (AComponent && !SameName(CurName, NewName) && FindComponent(NewName))
    throw EComponentError(L"A component named %s already exists", {NewName});
}

void TComponent::ValidateContainer(TComponent* AComponent) { AComponent->ValidateInsert(this); }

void TComponent::SetReference(bool Enable) {
  // The owner's published field of this component's name points at it while it is
  // owned under that name.
  if (!FOwner || FName.empty()) return;
  if (const TFieldEntry* f = FindPublishedField(FOwner->ClassType(), FName)) f->Set(FOwner, Enable ? this : nullptr);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  IndexName(AComponent);
}

void TComponent::Remove(TComponent* AComponent) {
  AComponent->FOwner = nullptr;
  UnindexName(AComponent);
  // Searched from the end: components mostly leave last first (DestroyComponents).
  auto it = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
  if (it != FComponents.rend()) FComponents.erase(std::next(it).base());
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  AComponent->ValidateContainer(this);
  ValidateRename(AComponent, L"", AComponent->FName);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  AComponent->SetReference(true);
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  AComponent->SetReference(false);
  Remove(AComponent);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* Instance = FComponents.back();
    // Leave the owner first, telling the remaining siblings, then free.
    RemoveComponent(Instance);
    if (Instance->FOwner == this) Remove(Instance);
    delete Instance;
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* C : FComponents) C->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (FOwner && AComponent->FOwner == FOwner) return;  // the owner tells both
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
  FComponentState.Include(csFreeNotification);
  AComponent->FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveNotification(TComponent* AComponent) { EraseOne(FFreeNotifies, AComponent); }

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Owned components may come and go while they are told: walk down from the end and
  // clamp the index to the current count.
  Integer I = ComponentCount() - 1;
  while (I >= 0) {
    FComponents[static_cast<size_t>(I)]->Notification(AComponent, Operation);
    --I;
    if (I >= ComponentCount()) I = ComponentCount() - 1;
  }
}

void TComponent::SetSubComponent(bool IsSubComponent) {
  SetComponentStyleItem(csSubComponent, IsSubComponent);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

bool TComponent::ExecuteAction(TBasicAction* Action) {
  if (!Action || !Action->HandlesTarget(this)) return false;
  Action->ExecuteTarget(this);
  return true;
}

bool TComponent::UpdateAction(TBasicAction* Action) {
  if (!Action || !Action->HandlesTarget(this)) return false;
  Action->UpdateTarget(this);
  return true;
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  SetComponentStateItem(csDesigning, Value);
  if (SetChildren)
    for (TComponent* C : FComponents) C->SetDesigning(Value, true);
}

void TComponent::SetAncestor(bool Value) {
  SetComponentStateItem(csAncestor, Value);
  for (TComponent* C : FComponents) C->SetAncestor(Value);
}

void TComponent::SetInline(bool Value) { SetComponentStateItem(csInline, Value); }

String TComponent::GetNamePath() { return FName; }

void TComponent::DeclarePublished(TPublisher<TComponent>& P) {
  P.Property(L"Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  P.Property(L"Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

// TCollectionItem --------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

Integer TCollectionItem::Index() const {
  if (!FCollection) return -1;
  auto& v = FCollection->FItems;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

void TCollectionItem::SetIndex(Integer Value) {
  Integer Cur = Index();
  if (Cur < 0 || Cur == Value) return;
  if (Value < 0 || Value >= FCollection->Count()) ListIndexError(Value);
  auto& v = FCollection->FItems;
  v.erase(v.begin() + Cur);
  v.insert(v.begin() + Value, this);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0)
    FCollection->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

String TCollectionItem::GetNamePath() {
  if (FCollection)
    return FCollection->GetNamePath() + L"[" + std::to_wstring(Index()) + L"]";
  return ClassName();
}

// TCollection ------------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection() {
  ++FUpdateCount;  // no change reports while the items go
  while (!FItems.empty()) DetachAndFree(FItems.back());
}

TCollectionItem* TCollection::Items(Integer Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return FItems[static_cast<size_t>(Index)];
}

void TCollection::SetItem(Integer Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }

TCollectionItem* TCollection::Add() {
  // The item's constructor inserts it; the notifications wait until the whole item
  // (not only its base part) exists.
  TObject* Obj = nullptr;
  {
    TValueScope<bool> adding(FAdding, true);
    Obj = FItemClass ? FItemClass->NewInstance(this) : nullptr;
  }
  auto* Item = dynamic_cast<TCollectionItem*>(Obj);
  if (!Item) {
    delete Obj;
    throw EInvalidOperation(L"Cannot create an item of the collection %s", {ClassName()});
  }
  Notify(Item, cnAdded);
  Changed();
  return Item;
}

TCollectionItem* TCollection::Insert(Integer Index) {
  if (Index < 0 || Index > Count()) ListIndexError(Index);
  TCollectionItem* Item = Add();
  Item->SetIndex(Index);
  return Item;
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  SetItemName(Item);
  if (FAdding) return;  // Add reports it once the item is complete
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  if (!FItems.empty() && FItems.back() == Item)
    FItems.pop_back();
  else
    EraseOne(FItems, Item);
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::DetachAndFree(TCollectionItem* Item) {
  Notify(Item, cnDeleting);
  // Take the item out while it is still whole, then free it.
  if (Item->FCollection == this) RemoveItem(Item);
  delete Item;
}

void TCollection::Delete(Integer Index) { DetachAndFree(Items(Index)); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  TUpdateScope<TCollection> update(this);
  while (!FItems.empty()) DetachAndFree(FItems.back());
}

TCollectionItem* TCollection::FindItemID(Integer ID) const {
  for (TCollectionItem* I : FItems)
    if (I->FID == ID) return I;
  return nullptr;
}

void TCollection::Assign(TPersistent* Source) {
  if (auto* Src = dynamic_cast<TCollection*>(Source)) {
    TUpdateScope<TCollection> update(this);
    Clear();
    for (TCollectionItem* I : Src->FItems) Add()->Assign(I);
    return;
  }
  TPersistent::Assign(Source);
}

void TCollection::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

String TCollection::GetNamePath() {
  String Result = ClassName();
  TPersistent* Owner = GetOwner();
  if (!Owner) return Result;
  String S = Owner->GetNamePath();
  if (S.empty()) return Result;
  String P = PropName();
  if (P.empty()) return Result;
  return S + L"." + P;
}

String TCollection::PropName() {
  if (!FPropName.empty()) return FPropName;
  TPersistent* Owner = GetOwner();
  if (!Owner) return FPropName;
  for (PPropInfo P : GetPropList(Owner->ClassType()))
    if (P->PropType->Kind == tkClass && P->GetObj && P->GetObj(Owner) == this) {
      FPropName = P->Name;
      break;
    }
  return FPropName;
}

// Streaming entry points of TComponent (the reader and writer do the work).
void TComponent::ReadState(TReader* Reader) { Reader->ReadData(this); }
void TComponent::WriteState(TWriter* Writer) { Writer->WriteData(this); }
