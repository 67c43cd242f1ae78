// The tree list's layout in the component state storage: the tree list stores its bands
// object and its columns as children; columns and bands store their visibility, places,
// captions and widths. A restore keeps every place as a wish and applies them all at the
// end, band first, so that the order in which the storage hands them over does not matter.
#include <algorithm>

#include "vxTL.h"

namespace {

const wchar_t* const ColumnStoredNames[] = {L"Visible",  L"Index",     L"LineCount",    L"ColIndex",
                                            L"RowIndex", L"BandIndex", L"Caption",      L"SortOrder",
                                            L"SortIndex", L"RealMinWidth", L"RealWidth"};
const wchar_t* const BandStoredNames[] = {L"Caption", L"RealMinWidth", L"RealWidth", L"Visible",
                                          L"Index",   L"BandIndex",    L"ColIndex"};

bool StoredValueAsBool(const Variant& AValue) {
  if (VarIsStr(AValue)) return SameText(VarToStr(AValue), L"True");
  return AValue.AsBoolean();
}

}  // namespace

// --- Columns --------------------------------------------------------------------------------

String TvxTreeListColumn::GetStorageObjectName() {
  // Columns made in code without a form share one name: a name that is not the column's
  // alone would store several columns as one, so the class name and index stand in.
  bool unique = !Name().empty();
  if (unique && FTreeList)
    for (Integer i = 0; i < FTreeList->ColumnCount() && unique; ++i)
      if (TvxTreeListColumn* c = FTreeList->Columns(i)) unique = c == this || !SameText(c->Name(), Name());
  if (unique) return Name();
  return String(ClassName()) + IntToStr(ItemIndex());
}

bool TvxTreeListColumn::GetStorageProperties(TStrings* AProperties) {
  for (const wchar_t* name : ColumnStoredNames) AProperties->Add(name);
  if (OnGetStoredProperties) OnGetStoredProperties(this, AProperties);
  return true;
}

void TvxTreeListColumn::GetStoragePropertyValue(const String& AName, Variant& AValue) {
  auto is = [&](const wchar_t* AKnown) { return AnsiCompareText(AName, AKnown) == 0; };
  if (is(L"Visible"))
    AValue = Variant(FVisible);
  else if (is(L"Index"))
    AValue = Variant(ItemIndex());
  else if (is(L"LineCount"))
    AValue = Variant(FPosition->LineCount());
  else if (is(L"ColIndex"))
    AValue = Variant(FPosition->ColIndex());
  else if (is(L"RowIndex"))
    AValue = Variant(FPosition->RowIndex());
  else if (is(L"BandIndex"))
    AValue = Variant(FPosition->BandIndex());
  else if (is(L"Caption"))
    AValue = Variant(FCaption->Text());
  else if (is(L"SortOrder"))
    AValue = Variant(static_cast<Integer>(FSortOrder));
  else if (is(L"RealMinWidth"))
    AValue = Variant(FMinWidth);
  else if (is(L"RealWidth"))
    AValue = Variant(FWidth);
  else if (OnGetStoredPropertyValue)
    OnGetStoredPropertyValue(this, AName, AValue);
}

void TvxTreeListColumn::SetStoragePropertyValue(const String& AName, const Variant& AValue) {
  auto is = [&](const wchar_t* AKnown) { return AnsiCompareText(AName, AKnown) == 0; };
  if (is(L"Visible")) {
    SetVisible(StoredValueAsBool(AValue));
  } else if (is(L"Index")) {
    SetItemIndex(AValue.AsInteger());
  } else if (is(L"LineCount")) {
    FPosition->SetLineCount(AValue.AsInteger());
  } else if (is(L"ColIndex")) {
    FPosition->SetColIndex(AValue.AsInteger());
  } else if (is(L"RowIndex")) {
    FPosition->SetRowIndex(AValue.AsInteger());
  } else if (is(L"BandIndex")) {
    FPosition->SetBandIndex(AValue.AsInteger());
  } else if (is(L"Caption")) {
    // A caption set in code wins over the stored one.
    if (FCaption->Text().empty()) FCaption->SetText(VarToStr(AValue));
  } else if (is(L"SortOrder")) {
    // Straight into the field: the restore's end rebuilds the sort list.
    const Integer order = AValue.AsInteger();
    if (order >= soNone && order <= soDescending) FSortOrder = static_cast<TvxDataSortOrder>(order);
  } else if (is(L"RealMinWidth")) {
    FMinWidth = std::max(AValue.AsInteger(), 0);
  } else if (is(L"RealWidth")) {
    FWidth = std::max(AValue.AsInteger(), 0);
  } else if (OnSetStoredPropertyValue) {
    OnSetStoredPropertyValue(this, AName, AValue);
  }
}

// --- Bands ----------------------------------------------------------------------------------

String TvxTreeListBand::GetStorageObjectName() { return L"Band" + IntToStr(ID()); }

bool TvxTreeListBand::GetStorageProperties(TStrings* AProperties) {
  for (const wchar_t* name : BandStoredNames) AProperties->Add(name);
  if (OnGetStoredProperties) OnGetStoredProperties(this, AProperties);
  return true;
}

void TvxTreeListBand::GetStoragePropertyValue(const String& AName, Variant& AValue) {
  if (AName == L"Caption")
    AValue = Variant(FCaption->Text());
  else if (AName == L"RealMinWidth")
    AValue = Variant(FMinWidth);
  else if (AName == L"RealWidth")
    AValue = Variant(FWidth);
  else if (AName == L"Visible")
    AValue = Variant(FVisible);
  else if (AName == L"Index")
    AValue = Variant(Index());
  else if (AName == L"BandIndex")
    AValue = Variant(FPosition->BandIndex());
  else if (AName == L"ColIndex")
    AValue = Variant(FPosition->ColIndex());
  else if (OnGetStoredPropertyValue)
    OnGetStoredPropertyValue(this, AName, AValue);
}

void TvxTreeListBand::SetStoragePropertyValue(const String& AName, const Variant& AValue) {
  if (AName == L"Caption") {
    if (FCaption->Text().empty()) FCaption->SetText(VarToStr(AValue));
  } else if (AName == L"RealMinWidth") {
    FMinWidth = std::max(AValue.AsInteger(), 0);
  } else if (AName == L"RealWidth") {
    FWidth = std::max(AValue.AsInteger(), 0);
  } else if (AName == L"Visible") {
    SetVisible(StoredValueAsBool(AValue));
  } else if (AName == L"Index") {
    const Integer index = AValue.AsInteger();
    if (index >= 0 && Bands() && index < Bands()->Count()) SetIndex(index);
  } else if (AName == L"BandIndex") {
    FPosition->SetBandIndex(AValue.AsInteger());
  } else if (AName == L"ColIndex") {
    FPosition->SetColIndex(AValue.AsInteger());
  } else if (OnSetStoredPropertyValue) {
    OnSetStoredPropertyValue(this, AName, AValue);
  }
}

TObject* TvxTreeListBands::CreateStorageChild(const String&, const String& AClassName) {
  return AClassName == TvxTreeListBand::StaticClass()->ClassName() ? Add() : nullptr;
}

void TvxTreeListBands::DeleteStorageChild(const String&, TObject* AObject) { delete AObject; }

void TvxTreeListBands::GetStorageChildren(TStringList* AChildren) {
  for (Integer i = 0; i < Count(); ++i) AChildren->AddObject(String(), Items(i));
}

// --- The tree list --------------------------------------------------------------------------

String TvxCustomTreeList::GetStorageObjectName() { return FStoringName.empty() ? Name() : FStoringName; }

bool TvxCustomTreeList::GetStorageProperties(TStrings* AProperties) {
  if (OnGetStoredProperties) OnGetStoredProperties(this, AProperties);
  return true;
}

void TvxCustomTreeList::GetStoragePropertyValue(const String& AName, Variant& AValue) {
  if (OnGetStoredPropertyValue) OnGetStoredPropertyValue(this, AName, AValue);
}

void TvxCustomTreeList::SetStoragePropertyValue(const String& AName, const Variant& AValue) {
  if (OnSetStoredPropertyValue) OnSetStoredPropertyValue(this, AName, AValue);
}

TObject* TvxCustomTreeList::CreateStorageChild(const String& AObjectName, const String& AClassName) {
  if (AClassName != TvxTreeListColumn::StaticClass()->ClassName()) return nullptr;
  TvxTreeListColumn* column = CreateColumn(nullptr);
  if (FStoringName.empty() && IsValidIdent(AObjectName)) column->SetName(AObjectName);
  if (OnInitStoredObject) OnInitStoredObject(this, column);
  return column;
}

void TvxCustomTreeList::DeleteStorageChild(const String&, TObject* AObject) { delete AObject; }

void TvxCustomTreeList::GetStorageChildren(TStringList* AChildren) {
  AChildren->AddObject(String(), FBands.get());
  for (TvxTreeListColumn* c : FColumns) AChildren->AddObject(String(), c);
}

namespace {

// A storage as the tree list hands it over: through the stored-object interfaces only,
// under the control's name unless another name is given.
std::unique_ptr<TvxStorage> TreeListStorage(TvxCustomTreeList* ATreeList, const String& AStorageName, TStream* AStream,
                                            const String& ATreeListName) {
  auto storage = std::make_unique<TvxStorage>(AStorageName, AStream);
  storage->SetUseInterfaceOnly(true);
  if (ATreeListName.empty()) storage->SetNamePrefix(ATreeList->Name());
  return storage;
}

}  // namespace

void TvxCustomTreeList::StoreToIniFile(const String& AStorageName, bool AReCreate, const String& ASaveTreeListName) {
  TValueScope<String> name(FStoringName, ASaveTreeListName);
  auto storage = TreeListStorage(this, AStorageName, nullptr, ASaveTreeListName);
  storage->SetReCreate(AReCreate);
  storage->StoreToIni(this);
}

void TvxCustomTreeList::StoreToRegistry(const String& AStorageName, bool AReCreate, const String& ASaveTreeListName) {
  TValueScope<String> name(FStoringName, ASaveTreeListName);
  auto storage = TreeListStorage(this, AStorageName, nullptr, ASaveTreeListName);
  storage->SetReCreate(AReCreate);
  storage->StoreToRegistry(this);
}

void TvxCustomTreeList::StoreToStream(TStream* AStream, const String& ASaveTreeListName) {
  TValueScope<String> name(FStoringName, ASaveTreeListName);
  auto storage = TreeListStorage(this, String(), AStream, ASaveTreeListName);
  storage->SetReCreate(true);
  storage->StoreToStream(this);
}

namespace {

void RestoreTreeList(TvxCustomTreeList* ATreeList, bool& ARestoring, String& AStoringName, const String& AStorageName,
                     TStream* AStream, bool AChildrenCreating, bool AChildrenDeleting, const String& AName,
                     void (TvxStorage::*ARestore)(TObject*)) {
  TValueScope<String> name(AStoringName, AName);
  auto storage = TreeListStorage(ATreeList, AStorageName, AStream, AName);
  TvxStorageModes modes;
  if (AChildrenCreating) modes.Include(smChildrenCreating);
  if (AChildrenDeleting) modes.Include(smChildrenDeleting);
  storage->SetModes(modes);
  TvxTreeListUpdateScope lock(ATreeList);
  // The places stay as they are unless the storage gives others.
  for (Integer i = 0; i < ATreeList->Bands()->Count(); ++i) ATreeList->Bands()->Items(i)->Position()->StoreWishes();
  for (Integer i = 0; i < ATreeList->ColumnCount(); ++i)
    if (TvxTreeListColumn* c = ATreeList->Columns(i)) c->Position()->StoreWishes();
  {
    TValueScope<bool> restoring(ARestoring, true);
    ((*storage).*ARestore)(ATreeList);
  }
  ATreeList->ApplyPositionWishes();
  ATreeList->RestoredLayout();
}

}  // namespace

void TvxCustomTreeList::RestoredLayout() {
  // Sort orders were read straight into the columns: the sort list follows them, in the
  // order of the columns' places.
  FSortedColumns.clear();
  for (TvxTreeListColumn* c : FColumns)
    if (c->FSortOrder != soNone) FSortedColumns.push_back(c);
  RebuildSortColumns();
  ClearCalculatedWidths();
  AddChanges({tcStructure, tcData, tcColumns, tcSortOrder});
  LayoutChanged();
}

void TvxCustomTreeList::RestoreFromIniFile(const String& AStorageName, bool AChildrenCreating, bool AChildrenDeleting,
                                           const String& ARestoreTreeListName) {
  RestoreTreeList(this, FRestoring, FStoringName, AStorageName, nullptr, AChildrenCreating, AChildrenDeleting,
                  ARestoreTreeListName, &TvxStorage::RestoreFromIni);
}

void TvxCustomTreeList::RestoreFromRegistry(const String& AStorageName, bool AChildrenCreating, bool AChildrenDeleting,
                                            const String& ARestoreTreeListName) {
  RestoreTreeList(this, FRestoring, FStoringName, AStorageName, nullptr, AChildrenCreating, AChildrenDeleting,
                  ARestoreTreeListName, &TvxStorage::RestoreFromRegistry);
}

void TvxCustomTreeList::RestoreFromStream(TStream* AStream, bool AChildrenCreating, bool AChildrenDeleting,
                                          const String& ARestoreTreeListName) {
  RestoreTreeList(this, FRestoring, FStoringName, String(), AStream, AChildrenCreating, AChildrenDeleting,
                  ARestoreTreeListName, &TvxStorage::RestoreFromStream);
}
