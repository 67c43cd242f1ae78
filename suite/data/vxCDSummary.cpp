// Footer and group summaries: sum, minimum, maximum, count and average per item, and their
// display texts.
#include <algorithm>
#include <cstring>

#include "vxCustomDataInternal.h"

using namespace vxCustomData;

// --- Default formats ------------------------------------------------------------------------

void vxCustomData::GetDefaultSummaryFormat(TvxSummaryValueType AValueType, TvxSummaryKind AKind, TvxSummaryPosition APosition,
                             String& AFormat) {
  // [value type][position][kind - 1]; kinds sum, min, max, count, average.
  static const wchar_t* const Formats[3][2][5] = {
      {{L"SUM=0.00;SUM=-0.00", L"MIN=0.00;MIN=-0.00", L"MAX=0.00;MAX=-0.00", L"COUNT=0", L"AVG=0.00;AVG=-0.00"},
       {L"0.00;-0.00", L"MIN=0.00;MIN=-0.00", L"MAX=0.00;MAX=-0.00", L"0", L"AVG=0.00;AVG=-0.00"}},
      {{L"SUM=%s;SUM=-%s", L"MIN=%s;MIN=-%s", L"MAX=%s;MAX=-%s", L"COUNT=0", L"AVG=%s;AVG=-%s"},
       {L"%s;-%s", L"MIN=%s;MIN=-%s", L"MAX=%s;MAX=-%s", L"0", L"AVG=%s;AVG=-%s"}},
      {{L"SUM=", L"MIN=", L"MAX=", L"COUNT=0", L"AVG="}, {L"", L"MIN=", L"MAX=", L"0", L"AVG="}},
  };
  if (AKind == skNone) {
    AFormat.clear();
    return;
  }
  AFormat = Formats[AValueType][APosition == spFooter ? 1 : 0][AKind - 1];
  if (AValueType == svtCurrency) AFormat = StringReplace(AFormat, L"%s", GetCurrencyDisplayFormat(), {rfReplaceAll});
}

namespace {

// An object of AClass when that class is a T other than T itself (made with AArg), else a T.
template <class T, class TArg>
std::unique_ptr<T> NewOfClass(TClass AClass, TArg* AArg) {
  if (AClass && AClass != T::StaticClass() && AClass->InheritsFrom(T::StaticClass())) {
    std::unique_ptr<TObject> o(AClass->NewInstance(AArg));
    if (auto* t = dynamic_cast<T*>(o.get())) {
      o.release();
      return std::unique_ptr<T>(t);
    }
  }
  return std::make_unique<T>(AArg);
}

TvxSummaryValueType GetSummaryValueType(TVarType AVarType) {
  if (IsCurrencyVarType(AVarType)) return svtCurrency;
  if (AVarType == varDate) return svtDate;
  return svtFloat;
}

}  // namespace

String vxCustomData::FormatSummaryValue(const Variant& AValue, TvxSummaryKind AKind,
                                        const std::function<String(TvxSummaryValueType)>& AGetFormat) {
  if (AValue.IsNull() || AValue.IsEmpty()) return String();
  const TVarType vt = VarTypeBase(AValue);
  // A text (the minimum or maximum of a text column) has no number to format: it shows as
  // it is instead of failing to convert.
  if (AKind == skNone || (vt != varDate && !VarIsNumeric(AValue))) return VarToStr(AValue);
  const String f = AGetFormat(GetSummaryValueType(vt));
  if (vt != varDate || AKind == skCount) return FormatFloat(f, AValue.AsDouble());
  const TDateTime d = AValue.AsDateTime();
  const bool hasTime = TimePartOf(d) != 0, hasDate = DatePartOf(d) != 0;
  if (hasTime && hasDate) return f + DateTimeToStr(d);
  if (hasTime) return f + FormatDateTime(FormatSettings.LongTimeFormat, d);
  return f + FormatDateTime(FormatSettings.ShortDateFormat, d);
}

// --- Items ----------------------------------------------------------------------------------

bool TvxCustomDataSummaryItem::IsCurrencyValueType(TVarType AVarType) { return IsCurrencyVarType(AVarType); }

void TvxCustomDataSummaryItem::Assign(TvxCustomDataSummaryItem* ASource) {
  if (!ASource) return;
  BeginItemUpdate();
  TScopeExit end([this] { EndItemUpdate(); });
  AssignItemSettings(ASource);
}

void TvxCustomDataSummaryItem::AssignItemSettings(TvxCustomDataSummaryItem* ASource) {
  // The item of this controller with the same item ID as the source's item.
  TvxCustomDataController* dc = DataController();
  TvxCustomDataController* sdc = ASource->DataController();
  TObject* link = ASource->ItemLink();
  if (dc && sdc && dc != sdc && link) link = dc->FindItemByID(sdc->GetItemID(link));
  SetItemLink(link);
  SetFormat(ASource->FFormat);
  SetKind(ASource->FKind);
}

void TvxCustomDataSummaryItem::SetItemLink(TObject* Value) {
  TvxCustomDataController* dc = DataController();
  if (!dc || ItemLink() == Value) return;
  TvxCustomDataField* field = Value ? dc->Fields()->FieldByItem(Value) : nullptr;
  BeginItemUpdate();
  TScopeExit end([this] { EndItemUpdate(); });
  ItemLinkChanging(field);
  FField = field;
  Changed(true);
}

void TvxCustomDataSummaryItem::SetFormat(const String& Value) {
  if (FFormat == Value) return;
  FFormat = Value;
  Changed(false);
}

void TvxCustomDataSummaryItem::SetKind(TvxSummaryKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  Changed(true);
}

String TvxCustomDataSummaryItem::GetFormatString(TvxSummaryValueType, bool) { return FFormat; }

String TvxCustomDataSummaryItem::FormatValue(const Variant& AValue, bool AIsFooter) {
  return FormatSummaryValue(AValue, FKind, [&](TvxSummaryValueType AType) { return GetFormatString(AType, AIsFooter); });
}

TvxDataSummaryItem::TvxDataSummaryItem(TObject* ACollection)
    : FCollection(static_cast<TvxDataSummaryItems*>(ACollection)) {}

TvxCustomDataController* TvxDataSummaryItem::DataController() const { return FCollection->DataController(); }

Integer TvxDataSummaryItem::Index() const { return FCollection->IndexOf(this); }

TvxSummaryPosition TvxDataSummaryItem::Position() const { return FCollection->PositionOfItem(this); }

bool TvxDataSummaryItem::HasSummaryData() { return Field() != nullptr || (Kind() == skCount && Position() == spGroup); }

void TvxDataSummaryItem::Changed(bool AAllItems) { FCollection->Changed(AAllItems); }

void TvxDataSummaryItem::BeginItemUpdate() { FCollection->Summary()->BeginUpdate(); }

void TvxDataSummaryItem::EndItemUpdate() { FCollection->Summary()->EndUpdate(); }

void TvxDataSummaryItem::SetPosition(TvxSummaryPosition Value) {
  if (FPosition == Value) return;
  FPosition = Value;
  Changed(false);
}

TvxDataSummaryItem::~TvxDataSummaryItem() {
  if (FSorted && !FCollection->Summary()->Destroying()) RunWithoutThrowing([this] { SetSorted(false); });
}

void TvxDataSummaryItem::SetSorted(bool Value) {
  TvxCustomDataController* dc = DataController();
  if (FSorted == Value || (dc && dc->SortingBySummaryDataItemIndex() != -1)) return;
  TvxDataSummary* summary = FCollection->Summary();
  TUpdateScope<TvxDataSummary> update(summary);
  FCollection->SortedChanging(this, Value);
  FSorted = Value;
  if (dc) dc->SortingBySummaryChanged();
  FCollection->Changed(true);
}

void TvxDataSummaryItem::Assign(TvxCustomDataSummaryItem* ASource) {
  TvxCustomDataSummaryItem::Assign(ASource);
  if (auto* src = dynamic_cast<TvxDataSummaryItem*>(ASource)) Tag = src->Tag;
}

void TvxDataSummaryItem::AssignItemSettings(TvxCustomDataSummaryItem* ASource) {
  TvxCustomDataSummaryItem::AssignItemSettings(ASource);
  auto* src = dynamic_cast<TvxDataSummaryItem*>(ASource);
  if (!src) return;
  SetPosition(src->FPosition);
  SetSorted(src->FSorted);
  OnGetText = src->OnGetText;
}

String TvxDataSummaryItem::GetFormatString(TvxSummaryValueType AValueType, bool AIsFooter) {
  if (!Format().empty()) return Format();
  return FCollection->DefaultFormat(AValueType, Kind(), AIsFooter);
}

String TvxDataSummaryItem::FormatValue(const Variant& AValue, bool AIsFooter) {
  String text = TvxCustomDataSummaryItem::FormatValue(AValue, AIsFooter);
  if (OnGetText) OnGetText(this, AValue, AIsFooter, text);
  return text;
}

TvxCustomDataController* TvxDataSummaryItems::DataController() const { return FSummary->DataController(); }

TvxSummaryPosition TvxDataSummaryItems::PositionOfItem(const TvxDataSummaryItem* AItem) const {
  return FIsFooter ? spFooter : AItem->FPosition;
}

String TvxDataSummaryItems::DefaultFormat(TvxSummaryValueType AValueType, TvxSummaryKind AKind, bool AIsFooter) {
  String f;
  GetDefaultSummaryFormat(AValueType, AKind, AIsFooter ? spFooter : spGroup, f);
  return f;
}

TvxDataSummaryItem* TvxDataSummaryItems::Add() {
  // An item of the controller's summary item class (the base class when that makes none).
  FItems.push_back(NewOfClass<TvxDataSummaryItem>(FSummary->GetSummaryItemClass(), this));
  Changed(true);
  return FItems.back().get();
}

TvxDataSummaryItem* TvxDataSummaryItems::Add(TObject* AItemLink, TvxSummaryPosition APosition, TvxSummaryKind AKind,
                                             const String& AFormat) {
  TUpdateScope<TvxDataSummaryItems> update(this);
  TvxDataSummaryItem* item = Add();
  item->SetItemLink(AItemLink);
  item->SetPosition(APosition);
  item->SetKind(AKind);
  item->SetFormat(AFormat);
  return item;
}

void TvxDataSummaryItems::Assign(TvxDataSummaryItems* ASource) {
  TUpdateScope<TvxDataSummaryItems> update(this);
  Clear();
  for (auto& src : ASource->FItems) Add()->Assign(src.get());
  BeginText = ASource->BeginText;
  EndText = ASource->EndText;
  Separator = ASource->Separator;
  OnSummary = ASource->OnSummary;
}

void TvxDataSummaryItems::Clear() {
  if (FItems.empty()) return;
  while (!FItems.empty()) FItems.pop_back();
  Changed(true);
}

void TvxDataSummaryItems::Delete(Integer AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  Changed(true);
}

void TvxDataSummaryItems::DeleteItems(TObject* AItemLink, TvxSummaryPosition APosition) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  // One pass that keeps the others in order.
  const size_t before = FItems.size();
  std::erase_if(FItems, [&](const std::unique_ptr<TvxDataSummaryItem>& i) {
    return i->ItemLink() == AItemLink && i->Position() == APosition;
  });
  if (FItems.size() != before) Changed(true);
}

TvxDataSummaryItem* TvxDataSummaryItems::FindByTag(Integer ATag) const {
  for (auto& i : FItems)
    if (i->Tag == ATag) return i.get();
  return nullptr;
}

TvxDataSummaryItem* TvxDataSummaryItems::GetDataItem(Integer AItemIndex, TvxSummaryPosition APosition, bool ACheckKind,
                                                     TvxSummaryKind AKind) {
  TvxCustomDataController* dc = DataController();
  dc->CheckItemRange(AItemIndex);
  TvxCustomDataField* field = dc->GetItemField(AItemIndex);
  for (auto& i : FItems)
    if (i->Field() == field && i->Position() == APosition && (!ACheckKind || i->Kind() == AKind)) return i.get();
  return nullptr;
}

String TvxDataSummaryItems::GetDataItemFormat(Integer AItemIndex, TvxSummaryPosition APosition) {
  TvxDataSummaryItem* i = GetDataItem(AItemIndex, APosition);
  return i ? i->Format() : String();
}

TvxSummaryKind TvxDataSummaryItems::GetDataItemKind(Integer AItemIndex, TvxSummaryPosition APosition) {
  TvxDataSummaryItem* i = GetDataItem(AItemIndex, APosition);
  return i ? i->Kind() : skNone;
}

bool TvxDataSummaryItems::GetDataItemSorted(Integer AItemIndex, TvxSummaryPosition APosition) {
  TvxDataSummaryItem* i = GetDataItem(AItemIndex, APosition);
  return i && i->FSorted;
}

namespace {

// Sets one setting of the item of AItemIndex at APosition, making the item for a value that
// is not empty and dropping it once every setting is empty.
template <class TSet>
void SetDataItemSetting(TvxDataSummaryItems* AItems, Integer AItemIndex, TvxSummaryPosition APosition, bool AEmptyValue,
                        TSet ASet) {
  TvxDataSummaryItem* item = AItems->GetDataItem(AItemIndex, APosition);
  if (!item) {
    if (AEmptyValue) return;
    TvxCustomDataController* dc = AItems->DataController();
    item = AItems->Add(dc->GetItem(AItemIndex), APosition, skNone);
    ASet(item);
    return;
  }
  ASet(item);
  if (item->Format().empty() && item->Kind() == skNone && !item->Sorted()) AItems->Delete(AItems->IndexOf(item));
}

}  // namespace

void TvxDataSummaryItems::SetDataItemFormat(Integer AItemIndex, TvxSummaryPosition APosition, const String& Value) {
  SetDataItemSetting(this, AItemIndex, APosition, Value.empty(), [&](TvxDataSummaryItem* I) { I->SetFormat(Value); });
}

void TvxDataSummaryItems::SetDataItemKind(Integer AItemIndex, TvxSummaryPosition APosition, TvxSummaryKind Value) {
  SetDataItemSetting(this, AItemIndex, APosition, Value == skNone, [&](TvxDataSummaryItem* I) { I->SetKind(Value); });
}

void TvxDataSummaryItems::SetDataItemSorted(Integer AItemIndex, TvxSummaryPosition APosition, bool Value) {
  SetDataItemSetting(this, AItemIndex, APosition, !Value, [&](TvxDataSummaryItem* I) { I->SetSorted(Value); });
}

TvxDataSummaryItem* TvxDataSummaryItems::SortedSummaryItem() const {
  TvxCustomDataController* dc = DataController();
  const Integer index = dc ? dc->SortingBySummaryDataItemIndex() : -1;
  if (index != -1) return ItemOfItemLink(dc->GetItem(index));
  for (auto& i : FItems)
    if (i->FSorted) return i.get();
  return nullptr;
}

void TvxDataSummaryItems::SortedChanging(TvxDataSummaryItem* AItem, bool AValue) {
  // Group rows follow one item: sorting by another drops the current one.
  if (FIsFooter || !AValue) return;
  if (TvxDataSummaryItem* current = SortedSummaryItem())
    if (current != AItem) current->SetSorted(false);
}

Integer TvxDataSummaryItems::IndexOf(const TvxDataSummaryItem* AItem) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == AItem) return static_cast<Integer>(i);
  return -1;
}

Integer TvxDataSummaryItems::IndexOfItemLink(TObject* AItemLink) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->ItemLink() == AItemLink) return static_cast<Integer>(i);
  return -1;
}

TvxDataSummaryItem* TvxDataSummaryItems::ItemOfItemLink(TObject* AItemLink) const {
  const Integer i = IndexOfItemLink(AItemLink);
  return i < 0 ? nullptr : FItems[i].get();
}

void TvxDataSummaryItems::Changed(bool AAllItems) {
  if (FLockCount > 0) {
    (AAllItems ? FChangedAll : FChangedOne) = true;
    return;
  }
  FSummary->SummaryChanged(!AAllItems);
}

void TvxDataSummaryItems::EndUpdate() {
  if (--FLockCount > 0) return;
  const bool all = FChangedAll, one = FChangedOne;
  FChangedAll = FChangedOne = false;
  if (all || one) Changed(all);
}

String TvxDataSummaryItems::GetGroupText(const Variant& ASummaryValues) {
  String text;
  bool first = true;
  for (size_t i = 0; i < FItems.size(); ++i) {
    TvxDataSummaryItem* item = FItems[i].get();
    if (item->Position() != spGroup) continue;
    const Integer index = static_cast<Integer>(i);
    const Variant value = TvxDataSummary::IsSummaryValueIndexInRange(ASummaryValues, index)
                              ? VarArrayGet(ASummaryValues, {index})
                              : Null();
    if (!first) text += Separator + L" ";
    first = false;
    text += item->FormatValue(value, false);
  }
  if (!text.empty()) text = BeginText + text + EndText;
  return text;
}

// --- Summary groups -------------------------------------------------------------------------

TvxDataSummaryGroupItemLink::TvxDataSummaryGroupItemLink(TObject* ALinks)
    : FLinks(static_cast<TvxDataSummaryGroupItemLinks*>(ALinks)) {}

TvxCustomDataController* TvxDataSummaryGroupItemLink::DataController() const {
  return FLinks->SummaryGroup()->Collection()->Summary()->DataController();
}

void TvxDataSummaryGroupItemLink::Changed(bool) { FLinks->Update(); }

void TvxDataSummaryGroupItemLink::ItemLinkChanging(TvxCustomDataField* AField) {
  if (!AField) return;
  // An item is linked at most once: the link that has it now lets it go.
  TvxDataSummaryGroups* groups = FLinks->SummaryGroup()->Collection();
  TUpdateScope<TvxDataSummaryGroupItemLinks> update(FLinks);
  for (Integer i = 0; i < groups->Count(); ++i) {
    TvxDataSummaryGroup* g = groups->Items(i);
    if (!g->HasLinks()) continue;
    if (TvxDataSummaryGroupItemLink* other = g->Links()->ItemOfField(AField))
      if (other != this) other->SetItemLink(nullptr);
  }
}

TvxDataSummaryGroupItemLink* TvxDataSummaryGroupItemLinks::Add() {
  FItems.push_back(NewOfClass<TvxDataSummaryGroupItemLink>(FItemClass, this));
  Update();
  return FItems.back().get();
}

void TvxDataSummaryGroupItemLinks::Assign(TvxDataSummaryGroupItemLinks* ASource) {
  TUpdateScope<TvxDataSummaryGroupItemLinks> update(this);
  Clear();
  for (Integer i = 0; i < ASource->Count(); ++i) Add()->Assign(ASource->Items(i));
}

void TvxDataSummaryGroupItemLinks::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Update();
}

void TvxDataSummaryGroupItemLinks::Delete(Integer AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  Update();
}

Integer TvxDataSummaryGroupItemLinks::IndexOfItemLink(TObject* AItemLink) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->ItemLink() == AItemLink) return static_cast<Integer>(i);
  return -1;
}

TvxDataSummaryGroupItemLink* TvxDataSummaryGroupItemLinks::ItemOfItemLink(TObject* AItemLink) const {
  const Integer i = IndexOfItemLink(AItemLink);
  return i < 0 ? nullptr : FItems[static_cast<size_t>(i)].get();
}

TvxDataSummaryGroupItemLink* TvxDataSummaryGroupItemLinks::ItemOfField(TvxCustomDataField* AField) const {
  for (auto& l : FItems)
    if (l->Field() == AField) return l.get();
  return nullptr;
}

void TvxDataSummaryGroupItemLinks::Update() {
  if (FLockCount > 0) {
    FChanged = true;
    return;
  }
  FSummaryGroup->Collection()->Changed();
}

void TvxDataSummaryGroupItemLinks::EndUpdate() {
  if (--FLockCount > 0 || !FChanged) return;
  FChanged = false;
  Update();
}

TvxDataSummaryGroup::TvxDataSummaryGroup(TvxDataSummaryGroups* ACollection)
    : FCollection(ACollection),
      FSummaryItems(std::make_unique<TvxDataSummaryItems>(ACollection->Summary(), false, this)) {}

TvxDataSummaryGroup::~TvxDataSummaryGroup() = default;

TvxDataSummaryGroupItemLinks* TvxDataSummaryGroup::Links() {
  if (!FItemLinks)
    FItemLinks = std::make_unique<TvxDataSummaryGroupItemLinks>(this, FCollection->Summary()->GetGroupItemLinkClass());
  return FItemLinks.get();
}

Integer TvxDataSummaryGroup::Index() const { return FCollection->IndexOf(this); }

void TvxDataSummaryGroup::Assign(TvxDataSummaryGroup* ASource) {
  Links()->Assign(ASource->Links());
  FSummaryItems->Assign(ASource->SummaryItems());
}

TvxDataSummaryGroup* TvxDataSummaryGroups::Add() {
  FItems.push_back(std::make_unique<TvxDataSummaryGroup>(this));
  Changed();
  return FItems.back().get();
}

void TvxDataSummaryGroups::Assign(TvxDataSummaryGroups* ASource) {
  TUpdateScope<TvxDataSummary> update(FSummary);
  Clear();
  for (Integer i = 0; i < ASource->Count(); ++i) Add()->Assign(ASource->Items(i));
}

void TvxDataSummaryGroups::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

void TvxDataSummaryGroups::Delete(Integer AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  Changed();
}

Integer TvxDataSummaryGroups::IndexOf(const TvxDataSummaryGroup* AGroup) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == AGroup) return static_cast<Integer>(i);
  return -1;
}

TvxDataSummaryGroup* TvxDataSummaryGroups::FindByItemLink(TObject* AItemLink) const {
  if (!AItemLink) return nullptr;
  for (auto& g : FItems)
    if (g->HasLinks() && g->Links()->IndexOfItemLink(AItemLink) >= 0) return g.get();
  return nullptr;
}

void TvxDataSummaryGroups::Changed() { FSummary->SummaryChanged(false); }

// --- Summary --------------------------------------------------------------------------------

TvxDataSummary::TvxDataSummary(TvxCustomDataController* ADataController)
    : FDataController(ADataController),
      FDefaultGroupSummaryItems(std::make_unique<TvxDataSummaryItems>(this, false)),
      FFooterSummaryItems(std::make_unique<TvxDataSummaryItems>(this, true)),
      FSummaryGroups(std::make_unique<TvxDataSummaryGroups>(this)) {}

TvxDataSummary::~TvxDataSummary() {
  FDestroying = true;
  FSummaryGroups.reset();
  FFooterSummaryItems.reset();
  FDefaultGroupSummaryItems.reset();
}

TClass TvxDataSummary::GetGroupItemLinkClass() { return FDataController->GetSummaryGroupItemLinkClass(); }

TClass TvxDataSummary::GetSummaryItemClass() { return FDataController->GetSummaryItemClass(); }

TvxDataSummaryItems* TvxDataSummary::GetGroupSummaryItems(Integer ALevel) const {
  TvxDataGroups* groups = FDataController->DataControllerInfo()->DataGroups();
  if (ALevel >= 0 && ALevel < groups->LevelCount())
    if (TvxCustomDataField* f = groups->GetField(ALevel))
      if (TvxDataSummaryGroup* g = FSummaryGroups->FindByItemLink(f->Item())) return g->SummaryItems();
  return FDefaultGroupSummaryItems.get();
}

TvxDataSummaryItems* TvxDataSummary::GetPatternSummaryItems(TvxDataSummary* APatternSummary,
                                                             TvxDataSummaryItems* ASummaryItems) const {
  if (!APatternSummary || !ASummaryItems) return nullptr;
  if (ASummaryItems == FFooterSummaryItems.get()) return APatternSummary->FooterSummaryItems();
  if (ASummaryItems == FDefaultGroupSummaryItems.get()) return APatternSummary->DefaultGroupSummaryItems();
  auto* group = dynamic_cast<TvxDataSummaryGroup*>(ASummaryItems->Owner());
  if (!group) return nullptr;
  const Integer index = group->Index();
  TvxDataSummaryGroups* pattern = APatternSummary->SummaryGroups();
  return index >= 0 && index < pattern->Count() ? pattern->Items(index)->SummaryItems() : nullptr;
}

void TvxDataSummary::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxDataSummary*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  FDefaultGroupSummaryItems->Assign(src->FDefaultGroupSummaryItems.get());
  FFooterSummaryItems->Assign(src->FFooterSummaryItems.get());
  FSummaryGroups->Assign(src->FSummaryGroups.get());
  SetOptions(src->FOptions);
  OnAfterSummary = src->OnAfterSummary;
}

void TvxDataSummary::BeginUpdate() {
  FDataController->BeginUpdate();
  ++FLockCount;
}

void TvxDataSummary::EndUpdate() {
  --FLockCount;
  TScopeExit end([this] { FDataController->EndUpdate(); });
  SummaryChanged(false);
}

void TvxDataSummary::CancelUpdate() {
  FDataController->EndUpdate();
  --FLockCount;
}

void TvxDataSummary::SetOptions(TvxSummaryOptions Value) {
  if (Value.Contains(soSelectedRecords) && Value.Contains(soMultipleSelectedRecords))
    Value.Exclude(FOptions.Contains(soSelectedRecords) ? soSelectedRecords : soMultipleSelectedRecords);
  if (FOptions == Value) return;
  FOptions = Value;
  SummaryChanged(false);
}

void TvxDataSummary::SummaryChanged(bool ARedrawOnly) {
  if (FInAfterSummary || FLockCount > 0 || FDestroying) return;
  FDataController->SummaryChanged(ARedrawOnly);
}

void TvxDataSummary::RemoveItemByField(TvxCustomDataField* AField) {
  BeginUpdate();
  bool changed = false;
  TScopeExit end([&] {
    if (changed)
      EndUpdate();
    else
      CancelUpdate();
  });
  auto clear = [&](TvxCustomDataSummaryItem* AItem) {
    if (AItem->FField != AField) return;
    AItem->FField = nullptr;
    changed = true;
  };
  std::vector<TvxDataSummaryItems*> lists{FFooterSummaryItems.get(), FDefaultGroupSummaryItems.get()};
  for (Integer g = 0; g < FSummaryGroups->Count(); ++g) {
    TvxDataSummaryGroup* group = FSummaryGroups->Items(g);
    lists.push_back(group->SummaryItems());
    if (group->HasLinks())
      for (Integer i = 0; i < group->Links()->Count(); ++i) clear(group->Links()->Items(i));
  }
  for (TvxDataSummaryItems* items : lists)
    for (Integer i = 0; i < items->Count(); ++i) clear(items->Items(i));
}

bool TvxDataSummary::IsSummaryValueIndexInRange(const Variant& ASummaryValues, Integer AIndex) {
  return VarIsArray(ASummaryValues) && AIndex >= VarArrayLowBound(ASummaryValues, 1) &&
         AIndex <= VarArrayHighBound(ASummaryValues, 1);
}

bool TvxDataSummary::GetGroupSummaryInfo(Integer ARowIndex, TvxDataSummaryItems*& ASummaryItems,
                                         Variant*& ASummaryValues) {
  ASummaryItems = nullptr;
  ASummaryValues = nullptr;
  TvxDataGroups* groups = FDataController->DataControllerInfo()->DataGroups();
  const Integer index = groups->GetIndexByRowIndex(ARowIndex);
  if (index < 0) return false;
  TvxDataGroupInfo* g = groups->GetItem(index);
  if (g->RowIndex != ARowIndex) return false;  // a data row
  ASummaryItems = GetGroupSummaryItems(g->Level);
  ASummaryValues = &g->SummaryValues;
  return !ASummaryValues->IsEmpty();
}

void TvxDataSummary::PrepareSelectedRecords() {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  FSelectedOnly = FOptions.Contains(soSelectedRecords) ||
                  (FOptions.Contains(soMultipleSelectedRecords) && info->GetSelectedCount() > 1);
  FSelectedRecords.clear();
  if (!FSelectedOnly) return;
  FSelectedRecords.assign(static_cast<size_t>(std::max<Integer>(FDataController->RecordCount(), 0)), false);
  auto mark = [&](Integer r) {
    if (r >= 0 && r < static_cast<Integer>(FSelectedRecords.size())) FSelectedRecords[r] = true;
  };
  if (FDataController->IsSingleSelection()) {
    mark(FDataController->GetFocusedRecordIndex());
  } else {
    TvxDataSelection* s = info->Selection();
    for (Integer i = 0; i < s->Count(); ++i)
      if (s->Items(i).Level != -1) mark(s->Items(i).RecordIndex);
  }
}

Integer TvxDataSummary::GetSummaryRecordIndex(Integer ARecordListIndex) {
  const Integer r = FDataController->DataControllerInfo()->GetInternalRecordIndex(ARecordListIndex);
  if (!FSelectedOnly) return r;
  return r >= 0 && r < static_cast<Integer>(FSelectedRecords.size()) && FSelectedRecords[r] ? r : -1;
}

void TvxDataSummary::InitSummaryValues(TvxDataSummaryItems* AItems, TRunning& ARunning) {
  ARunning.Values.assign(static_cast<size_t>(AItems->Count()), Variant());
  ARunning.Counts.assign(static_cast<size_t>(AItems->Count()), 0);
  PrepareNativeRuns(AItems, ARunning);
}

// Items whose values the storage holds as doubles and that no handler takes over run on a
// double: the same steps as AddRecordToSummary takes with variants, in the same order, so
// the results are the same values.
void TvxDataSummary::PrepareNativeRuns(TvxDataSummaryItems* AItems, TRunning& ARunning) {
  ARunning.Native.assign(static_cast<size_t>(AItems->Count()), TNativeRun());
  if (AItems->OnSummary) return;
  for (Integer i = 0; i < AItems->Count(); ++i) {
    TvxDataSummaryItem* item = AItems->Items(i);
    TvxCustomDataField* f = item->FField;
    if (!f || item->FKind == skNone || !item->HasSummaryData() || !f->ValueDef() ||
        f->ValueDef()->ValueTypeClass() != TvxFloatValueType::Class() ||
        (FDataController->IsProviderMode() && FDataController->IsProviderField(f)))
      continue;
    TNativeRun& run = ARunning.Native[static_cast<size_t>(i)];
    run.State = TNativeRun::nrEmpty;
    run.Def = f->ValueDef();
  }
}

inline void TvxDataSummary::AddNativeValue(TvxSummaryKind AKind, const Byte* AData, Integer& ACount, TNativeRun& ARun) {
  if (!AData) {
    if (FOptions.Contains(soNullIgnore)) return;
    // A null first value starts a sum or an average at the integer 0.
    if (ARun.State == TNativeRun::nrEmpty && (AKind == skSum || AKind == skAverage)) ARun.State = TNativeRun::nrZero;
    ++ACount;
    return;
  }
  double v;
  std::memcpy(&v, AData, sizeof(v));
  switch (ARun.State) {
    case TNativeRun::nrEmpty:
      if (AKind != skCount) {
        ARun.Value = v;
        ARun.State = TNativeRun::nrDouble;
      }
      break;
    case TNativeRun::nrZero:
      if (AKind == skSum || AKind == skAverage) {
        ARun.Value = 0.0 + v;
        ARun.State = TNativeRun::nrDouble;
      }
      break;
    default:
      if (AKind == skSum || AKind == skAverage) ARun.Value += v;
      else if (AKind == skMin && v < ARun.Value) ARun.Value = v;
      else if (AKind == skMax && v > ARun.Value) ARun.Value = v;
      break;
  }
  ++ACount;
}

void TvxDataSummary::CloseNativeRuns(TRunning& ARunning) {
  for (size_t i = 0; i < ARunning.Native.size(); ++i) {
    TNativeRun& run = ARunning.Native[i];
    if (run.State == TNativeRun::nrZero) ARunning.Values[i] = 0;
    else if (run.State == TNativeRun::nrDouble) ARunning.Values[i] = Variant(run.Value);
  }
}

void TvxDataSummary::AccumulateRecords(TvxDataSummaryItems* AItems, TRunning& ARunning, Integer AFrom, Integer ATo) {
  TvxDataStorage* storage = FDataController->DataStorage();
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  // The items that run on a double read their slot at a fixed offset of the record's
  // buffer (-1: the definition has no slot, so every value is null); the others read
  // variants. Each item's running value depends on its own values only.
  struct TNativeItem {
    Integer* Count;
    TNativeRun* Run;
    Integer Offset;
    TvxSummaryKind Kind;
  };
  std::vector<TNativeItem> native;
  std::vector<size_t> others;
  for (Integer i = 0; i < AItems->Count(); ++i) {
    const size_t n = static_cast<size_t>(i);
    const TNativeRun& run = ARunning.Native[n];
    if (run.State == TNativeRun::nrOff)
      others.push_back(n);
    else
      native.push_back({&ARunning.Counts[n], &ARunning.Native[n], run.Def->BufferSize() > 0 ? run.Def->Offset() : -1,
                        AItems->Items(i)->FKind});
  }
  // Grouped or sorted records lie in the order of their values, so their buffers are
  // spread over memory: the record-list slot and the buffer of records a few places ahead
  // are fetched early, so that the waits overlap instead of following one another. Records
  // in storage order are left to the processor, which sees that run by itself.
  constexpr Integer CListAhead = 16, CBufferAhead = 8;
  for (Integer p = AFrom; p <= ATo; ++p) {
    const Integer here = info->GetInternalRecordIndex(p);
    if (p + CListAhead <= ATo) {
      const Integer ahead = info->GetInternalRecordIndex(p + CListAhead);
      if (ahead - here != CListAhead) storage->PrefetchRecordEntry(ahead);
    }
    if (p + CBufferAhead <= ATo) {
      const Integer ahead = info->GetInternalRecordIndex(p + CBufferAhead);
      if (ahead - here != CBufferAhead) storage->PrefetchRecordBuffer(ahead);
    }
    const Integer r = GetSummaryRecordIndex(p);
    if (r < 0) continue;
    const Byte* buffer = storage->RecordBuffer(r);
    for (const TNativeItem& n : native) {
      const Byte* slot = buffer && n.Offset >= 0 ? buffer + n.Offset : nullptr;
      AddNativeValue(n.Kind, slot && slot[0] ? slot + 1 : nullptr, *n.Count, *n.Run);
    }
    for (size_t i : others)
      AddRecordToSummary(AItems, AItems->Items(static_cast<Integer>(i)), r, ARunning.Counts[i], ARunning.Values[i]);
  }
}

void TvxDataSummary::AddRecordToSummary(TvxDataSummaryItems* AItems, TvxDataSummaryItem* AItem, Integer ARecordIndex,
                                        Integer& ACount, Variant& ASummaryValue) {
  if (!AItem->HasSummaryData()) return;
  Variant value = AItem->FField ? FDataController->GetFieldValue(ARecordIndex, AItem->FField) : Null();
  if (AItems->OnSummary) {
    TvxSummaryEventOutArguments out{value, ASummaryValue, ACount, false};
    AItems->OnSummary(AItems, TvxSummaryEventArguments{ARecordIndex, AItem}, out);
    ASummaryValue = out.SummaryValue;
    ACount = out.CountValue;
    if (out.Done) return;
  }
  const TvxSummaryKind kind = AItem->FKind;
  if (kind == skNone || (FOptions.Contains(soNullIgnore) && value.IsNull())) return;
  if (ASummaryValue.IsEmpty()) {
    if (kind != skCount && (!value.IsNull() || kind == skSum || kind == skAverage)) {
      ASummaryValue = value;
      if (ASummaryValue.IsNull() && (kind == skSum || kind == skAverage)) ASummaryValue = 0;
    }
  } else if (!value.IsNull() && !ASummaryValue.IsNull()) {
    switch (kind) {
      case skSum:
      case skAverage: ASummaryValue = ASummaryValue + value; break;
      case skMin:
        if (VariantCompare(value, ASummaryValue) < 0) ASummaryValue = value;
        break;
      case skMax:
        if (VariantCompare(value, ASummaryValue) > 0) ASummaryValue = value;
        break;
      default: break;
    }
  }
  ++ACount;
}

void TvxDataSummary::FinishSummaryValues(TvxDataSummaryItems* AItems, TRunning& ARunning, Variant& AResult) {
  CloseNativeRuns(ARunning);
  if (AItems->Count() == 0) {
    AResult = Null();
    return;
  }
  for (Integer i = 0; i < AItems->Count(); ++i) {
    TvxDataSummaryItem* item = AItems->Items(i);
    Variant& v = ARunning.Values[i];
    // An item without data (a footer item whose field was removed) shows no value.
    if (v.IsEmpty()) v = Null();
    if (!item->HasSummaryData()) continue;
    if (item->FKind == skCount) {
      v = ARunning.Counts[i];
    } else if (item->FKind == skAverage && ARunning.Counts[i] > 0 && !v.IsNull()) {
      const bool isDate = VarTypeBase(v) == varDate;
      v = v / Variant(ARunning.Counts[i]);
      if (isDate) v = Variant(v.AsDouble(), varDateTag);
    }
  }
  AResult = VarArrayOf(ARunning.Values);
}

void TvxDataSummary::CalculateFooterSummary() {
  TRunning running;
  InitSummaryValues(FFooterSummaryItems.get(), running);
  if (!FDataController->Provider()->IsGridMode())
    AccumulateRecords(FFooterSummaryItems.get(), running, 0, FDataController->FilteredRecordCount() - 1);
  FinishSummaryValues(FFooterSummaryItems.get(), running, FFooterSummaryValues);
}

void TvxDataSummary::CalculateGroupSummary() {
  TvxDataGroups* groups = FDataController->DataControllerInfo()->DataGroups();
  const Integer levels = groups->LevelCount();
  for (Integer level = 0; level < levels; ++level) {
    TvxDataSummaryItems* items = GetGroupSummaryItems(level);
    TRunning running;
    TvxDataGroupInfo* current = nullptr;
    for (Integer i = 0; i < groups->Count(); ++i) {
      TvxDataGroupInfo* g = groups->GetItem(i);
      if (g->Level == level) {
        if (current) FinishSummaryValues(items, running, current->SummaryValues);
        current = g;
        InitSummaryValues(items, running);
      }
      if (g->Level == levels - 1 && current)
        AccumulateRecords(items, running, g->BeginRecordListIndex, g->EndRecordListIndex);
    }
    if (current) FinishSummaryValues(items, running, current->SummaryValues);
  }
}

void TvxDataSummary::BeginCalculate() {
  PrepareSelectedRecords();
  CalculateFooterSummary();
}

void TvxDataSummary::EndCalculate() {
  PrepareSelectedRecords();
  CalculateGroupSummary();
  FSelectedRecords.clear();
  FireAfterSummary();
}

void TvxDataSummary::Calculate() {
  BeginCalculate();
  EndCalculate();
}

void TvxDataSummary::FireAfterSummary() {
  if (!OnAfterSummary) return;
  if (FDataController->IsLoading()) {
    FDataController->FAfterSummaryFlag = true;  // run by the controller's Loaded
    return;
  }
  if (FDataController->IsPattern() || FDataController->IsGridStructureChanged()) return;
  TValueScope<bool> inAfter(FInAfterSummary, true);
  OnAfterSummary(this);
}
