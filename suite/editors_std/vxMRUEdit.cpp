#include "vxMRUEdit.h"

#include "vxClasses.h"
#include "vxEditRepositoryItems.h"
#include "vxEditConsts.h"

// --- Properties -------------------------------------------------------------------------------------------

TvxCustomMRUEditProperties::TvxCustomMRUEditProperties(TPersistent* AOwner) : TvxCustomComboBoxProperties(AOwner) {
  TUpdateScope<TvxCustomMRUEditProperties> update(this);
  TvxEditButton* ellipsis = Buttons()->Add();
  ellipsis->SetKind(bkEllipsis);
  ellipsis->SetDefault(true);
  SetGlyphButtonIndex(1);
  UpdateButtonKinds();
  SetDropDownListStyle(lsEditList);
  SetMRUMode(true);
}

void TvxCustomMRUEditProperties::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TvxCustomMRUEditProperties*>(Source);
  if (!s) {
    inherited::Assign(Source);
    return;
  }
  TUpdateScope<TvxCustomMRUEditProperties> update(this);
  inherited::Assign(Source);
  SetMaxItemCount(s->MaxItemCount());
  SetShowEllipsis(s->ShowEllipsis());
  OnButtonClick = s->OnButtonClick;
  OnDeleteLookupItem = s->OnDeleteLookupItem;
}

TClass TvxCustomMRUEditProperties::GetContainerClass() { return TvxMRUEdit::StaticClass(); }

void TvxCustomMRUEditProperties::Update(TvxCustomEditProperties* AProperties) {
  if (auto* p = dynamic_cast<TvxCustomMRUEditProperties*>(AProperties); p && p != this)
    p->LookupItems()->Assign(LookupItems());
}

void TvxCustomMRUEditProperties::DoNewLookupDisplayText(const String& AText) {
  if (OnNewLookupDisplayText) OnNewLookupDisplayText(this, AText);
}

void TvxCustomMRUEditProperties::InternalAddItem(const String& AItem, bool ANotify) {
  if (AItem.empty()) return;
  TStringList* items = LookupItems();
  const Integer i = items->IndexOf(AItem);
  if (i == 0) return;
  if (i == -1) {
    if (ANotify) DoNewLookupDisplayText(AItem);
    items->Insert(0, AItem);
    CutLookupItems();
  } else {
    items->Move(i, 0);
  }
}

void TvxCustomMRUEditProperties::CutLookupItems() {
  if (FMaxItemCount <= 0) return;
  TStringList* items = LookupItems();
  if (items->Count() <= FMaxItemCount) return;
  // One change notification for the whole cut: each deletion would otherwise recalculate
  // every editor of these properties.
  TUpdateScope<TStringList> update(items);
  while (items->Count() > FMaxItemCount) {
    if (OnDeleteLookupItem) OnDeleteLookupItem(this, items->Count() - 1);
    items->Delete(items->Count() - 1);
  }
}

void TvxCustomMRUEditProperties::SetMaxItemCount(Integer Value) {
  if (Value < 0) Value = 0;
  if (Value == FMaxItemCount) return;
  FMaxItemCount = Value;
  CutLookupItems();
  Changed();
}

void TvxCustomMRUEditProperties::SetShowEllipsis(bool Value) {
  if (Value == FShowEllipsis) return;
  TUpdateScope<TvxCustomMRUEditProperties> update(this);
  FShowEllipsis = Value;
  if (Buttons()->Count() > 1) Buttons()->Items(1)->SetVisible(Value);
  SetGlyphButtonIndex(EllipsisButtonIndex());
  UpdateButtonKinds();
}

void TvxCustomMRUEditProperties::UpdateButtonKinds() {
  const Integer index = EllipsisButtonIndex();
  if (index >= Buttons()->Count()) return;
  TvxEditButton* b = Buttons()->Items(index);
  const TvxEditButtonKind kind =
      ButtonGlyph() && !ButtonGlyph()->Empty() ? bkGlyph : (FShowEllipsis ? bkEllipsis : bkDown);
  if (b->Kind() != kind) b->SetKind(kind);
  if (FShowEllipsis && Buttons()->Items(0)->Kind() == bkGlyph) Buttons()->Items(0)->SetKind(bkDown);
}

void TvxMRUEditProperties::DeclarePublished(TPublisher<TvxMRUEditProperties>& P) {
  using C = TvxMRUEditProperties;
  vxDeclareComboBoxPropertiesPublished(P);
  P.Property(L"MaxItemCount", &C::MaxItemCount, &C::SetMaxItemCount).Default(0);
  P.Property(L"ShowEllipsis", &C::ShowEllipsis, &C::SetShowEllipsis).Default(true);
}

// --- Edit -------------------------------------------------------------------------------------------------------

void TvxCustomMRUEdit::AddItem(const String& Value) {
  if (Value.empty()) return;
  TvxCustomMRUEditProperties* p = ActiveProperties();
  if (p->LookupItems()->IndexOf(Value) == -1) DoNewLookupDisplayText(Value);
  p->InternalAddItem(Value, false);
}

void TvxCustomMRUEdit::PropertiesChanged(TObject* Sender) {
  ActiveProperties()->UpdateButtonKinds();
  inherited::PropertiesChanged(Sender);
}

bool TvxCustomMRUEdit::SupportsSpelling() {
  TvxCustomMRUEditProperties* p = ActiveProperties();
  return !p->IsMasked() && p->EchoMode() == eemNormal && !p->ReadOnly() && p->DropDownListStyle() == lsEditList &&
         InternalSupportsSpelling();
}

void TvxCustomMRUEdit::FireButtonClick(Integer AButtonVisibleIndex) {
  if (AButtonVisibleIndex != 1) {
    inherited::FireButtonClick(AButtonVisibleIndex);
    return;
  }
  if (Properties()->OnButtonClick) Properties()->OnButtonClick(this);
  if (RepositoryItem() && ActiveProperties()->OnButtonClick) ActiveProperties()->OnButtonClick(this);
}

void TvxCustomMRUEdit::ProcessKeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && !Shift.Contains(ssAlt)) {
    const bool listSelection = HasPopupWindow() && GetLookupData() && GetLookupData()->CurrentKey() != -1;
    if (!listSelection) AddItem(Text());
  }
  inherited::ProcessKeyDown(Key, Shift);
}

void TvxCustomMRUEdit::ApplyLookupSelection() {
  inherited::ApplyLookupSelection();
  if (!FLookupItemsScrolling && DoEditing()) AddItem(Text());
}

void TvxCustomMRUEdit::ApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  AddItem(Text());
  inherited::ApplyValidatedDisplayValue(ADisplayValue);
}

void TvxMRUEdit::DeclarePublished(TPublisher<TvxMRUEdit>& P) {
  vxDeclareTextEditPublished<TvxMRUEdit, TvxMRUEditProperties>(P);
}

namespace {
void InitMRUEdit() {
  RegisterClass(TvxMRUEdit::StaticClass());
  RegisterClass(TvxEditRepositoryMRUItem::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxMRUEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryMRUItem));
  GetFilterEditsController()->Register(TvxMRUEditProperties::StaticClass(), TvxFilterTextEditHelper::Class());
}
void FinMRUEdit() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxMRUEditProperties::StaticClass(), TvxFilterTextEditHelper::Class());
  UnRegisterClass(TvxMRUEdit::StaticClass());
  UnRegisterClass(TvxEditRepositoryMRUItem::StaticClass());
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxMRUEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxMRUEditUnit = {L"vxMRUEdit", InitMRUEdit, FinMRUEdit};
