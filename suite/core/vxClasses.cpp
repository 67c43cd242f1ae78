#include "vxClasses.h"

#include <algorithm>
#include <numeric>

#include "TypInfo.h"

namespace {

// The process-wide list of object links; it exists while at least one link is
// registered.
class TvxObjectLinkController {
 public:
  std::vector<TvxObjectLink*> FLinks;
};

TvxObjectLinkController* FObjectLinkController = nullptr;
Integer FObjectLinkUsers = 0;

}  // namespace

// --- Object links ----------------------------------------------------------------------

TvxObjectLink* vxAddObjectLink(TObject* AObject) {
  if (!AObject) return nullptr;
  if (FObjectLinkUsers++ == 0) FObjectLinkController = new TvxObjectLinkController();
  auto* link = new TvxObjectLink();
  link->Ref = AObject;
  FObjectLinkController->FLinks.push_back(link);
  return link;
}

void vxRemoveObjectLink(TvxObjectLink* ALink) {
  if (!ALink) return;
  if (ALink->Ref && FObjectLinkController) {
    auto& links = FObjectLinkController->FLinks;
    auto it = std::find(links.begin(), links.end(), ALink);
    if (it != links.end()) links.erase(it);
  }
  delete ALink;
  if (FObjectLinkUsers > 0 && --FObjectLinkUsers == 0) {
    delete FObjectLinkController;
    FObjectLinkController = nullptr;
  }
}

void vxClearObjectLinks(TObject* AObject) {
  if (!FObjectLinkController) return;
  auto& links = FObjectLinkController->FLinks;
  for (std::size_t i = links.size(); i-- > 0;) {
    if (links[i]->Ref == AObject) {
      links[i]->Ref = nullptr;
      links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

Integer vxObjectLinkCount() {
  return FObjectLinkController ? static_cast<Integer>(FObjectLinkController->FLinks.size()) : 0;
}

// --- Utility routines --------------------------------------------------------------------

String vxGetResString(const TResStringRec* ARec) { return LoadResString(ARec); }

TSize vxMakeSize(Integer cx, Integer cy) { return TSize{cx, cy}; }

Integer vxSignOf(double AValue) { return AValue >= 0.0 ? 1 : -1; }

Integer vxDivRoundUp(Integer A, Integer B) { return A / B + (A % B != 0 ? 1 : 0); }

Integer vxRangeMiddle(Integer A, Integer B) {
  Int64 s = static_cast<Int64>(A) + B;
  Int64 q = s / 2;
  if (s % 2 != 0 && s < 0) --q;  // rounds toward minus infinity
  return static_cast<Integer>(q);
}

void vxCallNotifyEvent(TObject* ASender, const TNotifyEvent& AEvent) {
  if (AEvent) AEvent(ASender);
}

String vxGetLocaleString(LCID ALocale, LCTYPE AItem, const String& ADefault) {
  int n = GetLocaleInfoW(ALocale, AItem, nullptr, 0);
  if (n <= 0) return ADefault;
  String S(n, L'\0');
  n = GetLocaleInfoW(ALocale, AItem, S.data(), n);
  if (n <= 0) return ADefault;
  S.resize(n - 1);
  return S;
}

Integer vxCharSizeAt(const String& S, Integer APos) {
  if (APos < 1 || APos > static_cast<Integer>(S.size())) return 0;
  const wchar_t* p = S.c_str() + (APos - 1);
  const wchar_t* next = CharNextW(p);
  return static_cast<Integer>((next - p) * sizeof(wchar_t));
}

void vxSetWindowsHook(HHOOK& AHook, int AHookId, HOOKPROC AHookProc) {
  if (AHook) throw EAssertionFailed(L"vxSetWindowsHook: the hook variable is already in use");
  AHook = SetWindowsHookExW(AHookId, AHookProc, nullptr, GetCurrentThreadId());
}

void vxReleaseWindowsHook(HHOOK& AHook) {
  if (AHook) {
    UnhookWindowsHookEx(AHook);
    AHook = nullptr;
  }
}

// --- Base classes --------------------------------------------------------------------------

// The fake links show the designer what the component is linked to; they are never
// written with the form.
void TvxComponent::DeclarePublished(TPublisher<TvxComponent>& P) {
  P.Property(L"FakeComponentLink1", &TvxComponent::FakeComponentLink1, &TvxComponent::SetFakeComponentLink1)
      .Stored(false);
  P.Property(L"FakeComponentLink2", &TvxComponent::FakeComponentLink2, &TvxComponent::SetFakeComponentLink2)
      .Stored(false);
  P.Property(L"FakeComponentLink3", &TvxComponent::FakeComponentLink3, &TvxComponent::SetFakeComponentLink3)
      .Stored(false);
}

TvxComponent::TvxComponent(TComponent* AOwner) : TComponent(AOwner) {}

TvxComponent::~TvxComponent() { vxClearObjectLinks(this); }

void TvxComponent::Loaded() {
  TComponent::Loaded();
  RefreshDesignLinks();
}

void TvxComponent::BeforeDestruction() {
  TComponent::BeforeDestruction();
  if (!IsDestroying()) Destroying();
}

void TvxComponent::RefreshDesignLinks() {
  if (!IsDesigning() || IsDestroying() || !Owner()) return;
  TList list;
  CollectLinkedComponents(&list);
  TComponent** links[3] = {&FFakeComponentLink1, &FFakeComponentLink2, &FFakeComponentLink3};
  for (Integer i = 0; i < 3; ++i)
    *links[i] = i < list.Count() ? static_cast<TComponent*>(list.Items(i)) : nullptr;
}

void TvxInterfacedCollectionItem::AfterConstruction() {
  TCollectionItem::AfterConstruction();
  FOwnerInterface = dynamic_cast<TvxOwnedInterfacedCollection*>(Collection());
}

// Items made by the collection itself are not announced through AfterConstruction, so
// the owner interface is looked up on first use as well.
Integer TvxInterfacedCollectionItem::AddRef_() {
  if (!FOwnerInterface) FOwnerInterface = dynamic_cast<TvxOwnedInterfacedCollection*>(Collection());
  return FOwnerInterface ? FOwnerInterface->AddRef_() : -1;
}

Integer TvxInterfacedCollectionItem::Release_() {
  if (!FOwnerInterface) FOwnerInterface = dynamic_cast<TvxOwnedInterfacedCollection*>(Collection());
  return FOwnerInterface ? FOwnerInterface->Release_() : -1;
}

TvxOwnedInterfacedCollection::~TvxOwnedInterfacedCollection() { FInternalState.Include(cisDestroying); }

Integer TvxOwnedInterfacedCollection::DefaultCompareItems(TCollectionItem* AItem1, TCollectionItem* AItem2) {
  Integer d = AItem1->Index() - AItem2->Index();
  return d < 0 ? -1 : d > 0 ? 1 : 0;
}

void TvxOwnedInterfacedCollection::Update(TCollectionItem* Item) {
  if (FInternalState.Contains(cisUpdating)) return;
  TSetItemScope updating(FInternalState, cisUpdating);
  if (FSorted && !Item) SortItems();
  TOwnedCollection::Update(Item);
  if (!Destroying() && OnChange) OnChange(this, Item);
}

void TvxOwnedInterfacedCollection::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  if (FSorted) SortItems();
}

void TvxOwnedInterfacedCollection::SortItems() {
  if (UpdateCount() > 0 || FInternalState.Contains(cisSorting)) return;
  TSetItemScope sorting(FInternalState, cisSorting);
  auto list = std::make_unique<TvxStringList>();
  for (Integer i = 0; i < Count(); ++i) list->AddObject(std::to_wstring(i), Items(i));
  list->OnCompare = [this](TStringList* L, Integer I1, Integer I2) {
    auto* a = static_cast<TCollectionItem*>(L->Objects(I1));
    auto* b = static_cast<TCollectionItem*>(L->Objects(I2));
    return OnCompare ? OnCompare(this, a, b) : DefaultCompareItems(a, b);
  };
  list->Sort();
  TUpdateScope update(this);
  for (Integer i = 0; i < list->Count(); ++i) static_cast<TCollectionItem*>(list->Objects(i))->SetIndex(i);
}

void TvxStringList::Sort() {
  if (OnCompare)
    CustomSort(OnCompare);
  else
    TStringList::Sort();
}

TvxObjectList::~TvxObjectList() { Clear(); }

void TvxObjectList::Clear() {
  if (FOwnObjects)
    for (Integer i = 0; i < Count(); ++i) delete static_cast<TObject*>(Items(i));
  TList::Clear();
}

void TvxFreeNotificator::AddSender(TComponent* ASender) {
  if (ASender) ASender->FreeNotification(this);
}

void TvxFreeNotificator::RemoveSender(TComponent* ASender) {
  if (ASender) ASender->RemoveFreeNotification(this);
}

void TvxFreeNotificator::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && OnFreeNotification) OnFreeNotification(AComponent);
}

TPersistent* vxGetPersistentOwner(TPersistent* APersistent) { return APersistent ? APersistent->GetOwner() : nullptr; }

void vxGenerateComponentName(TComponent* ARoot, TComponent* ANameOwner, TComponent* AComponent,
                             const String& AClassNamePrefix, const String& ABaseName, String& AResult) {
  auto isIdentChar = [](wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
  };
  String base;
  for (wchar_t c : ABaseName)
    if (isIdentChar(c)) base += c;
  String className = AComponent ? AComponent->ClassName() : String();
  if ((base.empty() || (base[0] >= L'0' && base[0] <= L'9')) && !className.empty()) {
    std::size_t n = AClassNamePrefix.size();
    if (n > 0 && className.size() >= n && AnsiSameText(className.substr(0, n), AClassNamePrefix)) {
      base = className.substr(n) + base;
    } else {
      base = className + base;
      if (!base.empty() && base[0] == L'T') base.erase(0, 1);
    }
  }
  if (ANameOwner) base = ANameOwner->Name() + base;
  // A 64-bit counter: the search may run up to 2^31, past the 32-bit range.
  const Int64 limit = 0x80000000LL;
  for (Int64 n = ABaseName.empty() ? 1 : 0;; ++n) {
    AResult = n > 0 ? base + std::to_wstring(n) : base;
    TComponent* other = ARoot ? ARoot->FindComponent(AResult) : nullptr;
    if (!other || other == AComponent || n >= limit) return;
  }
}

// --- TvxAutoWidthObject ------------------------------------------------------------------

TvxAutoWidthObject::TvxAutoWidthObject(Integer ACount) {
  if (ACount > 0) FItems.reserve(ACount);
}

TvxAutoWidthObject::~TvxAutoWidthObject() {
  for (std::size_t i = FItems.size(); i-- > 0;) delete FItems[i];
  FItems.clear();
}

TvxAutoWidthItem* TvxAutoWidthObject::AddItem() {
  auto* item = new TvxAutoWidthItem();
  FItems.push_back(item);
  return item;
}

Integer TvxAutoWidthObject::Width() const {
  Integer w = 0;
  for (auto* item : FItems) w += item->Width;
  return w;
}

void TvxAutoWidthObject::Calculate() {
  Integer A = FAvailableWidth;
  Integer W = Width();
  Integer NextA = A, NextW = W;
  for (auto* item : FItems)
    if (item->Fixed) {
      item->AutoWidth = item->Width;
      NextA -= item->AutoWidth;
      NextW -= item->Width;
    }
  bool assignAll = false;
  bool clamped;
  do {
    A = NextA;
    W = NextW;
    Integer O = 0;
    clamped = false;
    for (auto* item : FItems) {
      if (item->AutoWidth != -1) continue;
      // The system MulDiv: 64-bit product, halves rounded away from zero, -1 when W is 0.
      Integer S = MulDiv(O + item->Width, A, W) - MulDiv(O, A, W);
      if (assignAll) {
        item->AutoWidth = S;
      } else if (item->MinWidth >= S) {
        item->AutoWidth = item->MinWidth;
        NextA -= item->MinWidth;
        NextW -= item->Width;
        clamped = true;
      }
      O += item->Width;
    }
    if (!clamped) assignAll = !assignAll;
  } while (NextW != 0 && (clamped || assignAll));
}

// --- TvxRegisteredClassList ------------------------------------------------------------------

TvxRegisteredClassList::~TvxRegisteredClassList() { Clear(); }

void TvxRegisteredClassList::Clear() {
  for (auto* d : FItems) delete d;
  FItems.clear();
}

bool TvxRegisteredClassList::Find(TClass AClass, Integer& AIndex) {
  for (Integer i = Count() - 1; i >= 0; --i) {
    TClass c = FItems[i]->ItemClass;
    if (AClass->InheritsFrom(c)) {
      AIndex = i;
      return true;
    }
    if (c->InheritsFrom(AClass)) AIndex = i;
  }
  return false;
}

void TvxRegisteredClassList::Register(TClass AItemClass, TClass ARegisteredClass) {
  Integer index = -1;
  auto* d = new TvxRegisteredClassListItemData();
  d->ItemClass = AItemClass;
  d->RegisteredClass = ARegisteredClass;
  if (Find(AItemClass, index))
    FItems.insert(FItems.begin() + index + 1, d);
  else if (index == -1)
    FItems.push_back(d);
  else
    FItems.insert(FItems.begin() + index, d);
}

void TvxRegisteredClassList::Unregister(TClass AItemClass, TClass ARegisteredClass) {
  for (Integer i = Count() - 1; i >= 0; --i) {
    auto* d = FItems[i];
    if (d->ItemClass == AItemClass && d->RegisteredClass == ARegisteredClass) {
      FItems.erase(FItems.begin() + i);
      delete d;
    }
  }
}

TClass TvxRegisteredClassList::FindClass(TClass AItemClass) {
  Integer index = -1;
  return Find(AItemClass, index) ? FItems[index]->RegisteredClass : nullptr;
}

// --- TvxRegisteredClasses --------------------------------------------------------------------

namespace {
String DescriptionOf(const String& S) {
  auto p = S.find(L'|');
  return p == String::npos ? S : S.substr(0, p);
}
String HintOf(const String& S) {
  auto p = S.find(L'|');
  return p == String::npos ? S : S.substr(p + 1);
}
}  // namespace

TvxRegisteredClasses::TvxRegisteredClasses(bool ARegisterClasses) : FRegisterClasses(ARegisterClasses) {}

Integer TvxRegisteredClasses::CompareItems(Integer AIndex1, Integer AIndex2) {
  return AnsiCompareText(GetDescription(AIndex1), GetDescription(AIndex2));
}

void TvxRegisteredClasses::Sort() {
  std::vector<Integer> order(FItems.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [this](Integer a, Integer b) { return CompareItems(a, b) < 0; });
  std::vector<TEntry> sorted;
  sorted.reserve(FItems.size());
  for (Integer i : order) sorted.push_back(FItems[i]);
  FItems.swap(sorted);
}

void TvxRegisteredClasses::Register(TClass AClass, const String& ADescription) {
  if (GetIndexByClass(AClass) >= 0) return;
  FItems.push_back(TEntry{ADescription, AClass});
  if (FSorted) Sort();
  if (FRegisterClasses) RegisterClass(AClass);
}

void TvxRegisteredClasses::Unregister(TClass AClass) {
  Integer i = GetIndexByClass(AClass);
  if (i >= 0) FItems.erase(FItems.begin() + i);
}

String TvxRegisteredClasses::GetDescription(Integer Index) const { return DescriptionOf(FItems.at(Index).Text); }

String TvxRegisteredClasses::GetHint(Integer Index) const { return HintOf(FItems.at(Index).Text); }

Integer TvxRegisteredClasses::GetIndexByClass(TClass AClass) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Class == AClass) return static_cast<Integer>(i);
  return -1;
}

String TvxRegisteredClasses::GetDescriptionByClass(TClass AClass) const {
  Integer i = GetIndexByClass(AClass);
  return i < 0 ? String() : GetDescription(i);
}

String TvxRegisteredClasses::GetHintByClass(TClass AClass) const {
  Integer i = GetIndexByClass(AClass);
  return i < 0 ? String() : GetHint(i);
}

TClass TvxRegisteredClasses::FindByClassName(const String& AClassName) const {
  for (const auto& e : FItems)
    if (e.Class->ClassName() == AClassName) return e.Class;
  return nullptr;
}

TClass TvxRegisteredClasses::FindByDescription(const String& ADescription) const {
  for (const auto& e : FItems)
    if (DescriptionOf(e.Text) == ADescription) return e.Class;
  return nullptr;
}

void TvxRegisteredClasses::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  if (FSorted) Sort();
}

const TUnitInfo vxClassesUnit = {L"vxClasses", nullptr, nullptr};
