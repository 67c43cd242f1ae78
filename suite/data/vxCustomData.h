// The data controller: the record engine behind every data-aware view. It keeps one data
// field per view item in a record storage, computes the visible rows (filtered, sorted,
// focused, selected) through its row info, runs the edit cycle through its provider and
// reports every batch of changes to its owning control as an ordered series of
// notification objects at the outermost EndUpdate.
#pragma once

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "ActnList.h"
#include "Classes.h"
#include "Persistent.h"
#include "vxClasses.h"
#include "vxDataStorage.h"
#include "vxFilter.h"
#include "vxDataUtils.h"
#include "vxVariants.h"

DECLARE_EXCEPTION(EvxInvalidDataControllerOperation, EvdException)

class TvxCustomDataController;
class TvxCustomDataControllerInfo;
class TvxCustomDataField;
class TvxCustomDataFieldList;
class TvxCustomDataProvider;
class TvxCustomDataSource;
class TvxCustomDataRelationList;
class TvxDataControllerSearch;
class TvxSaveObject;
class TvxDataFilterValueList;

// --- Enumerations and records ---------------------------------------------------------

enum TvxDataControllerChange {
  dccLayout, dccData, dccFocus, dccSelection, dccDetail, dccSummary, dccSearch, dccSorting,
  dccGrouping, dccSyncMasterPos, dccBookmark, dccUpdateRecord
};
using TvxDataControllerChanges = Set<TvxDataControllerChange, 16>;

enum TvxDataChange { dcField, dcRecord, dcNew, dcDeleted, dcTotal };

enum TvxDataControllerOption {
  dcoAnsiSort, dcoCaseInsensitive, dcoAssignGroupingValues, dcoAssignMasterDetailKeys, dcoSaveExpanding,
  dcoSortByDisplayText, dcoFocusTopRowAfterSorting, dcoGroupsAlwaysExpanded, dcoImmediatePost,
  dcoInsertOnNewItemRowFocusing
};
using TvxDataControllerOptions = Set<TvxDataControllerOption, 16>;
const TvxDataControllerOptions vxDefaultDataControllerOptions{dcoAssignGroupingValues, dcoAssignMasterDetailKeys,
                                                              dcoSaveExpanding};

enum TvxDataControllerEditKind { dceInsert, dceEdit, dceChanging, dceModified };
using TvxDataControllerEditState = Set<TvxDataControllerEditKind, 8>;
enum TvxDataControllerEditOperation { dceoAppend, dceoDelete, dceoEdit, dceoInsert, dceoShowEdit };
using TvxDataControllerEditOperations = Set<TvxDataControllerEditOperation, 8>;
enum TvxDataControllerDetailMode { dcdmNone, dcdmPattern, dcdmClone };
enum TvxDataSortOrder { soNone, soAscending, soDescending };
ENUM_TYPEINFO(TvxDataSortOrder, soNone, soAscending, soDescending)

struct TvxDataChangeInfo {
  TvxDataChange Kind = dcTotal;
  Integer ItemIndex = -1;
  Integer RecordIndex = -1;
};

struct TvxRowInfo {
  bool Expanded = false;
  Integer Level = 0;
  Integer RecordIndex = -1;
};

struct TvxDataSelectionChangedInfo {
  Integer SelectedCount = 0;
  Integer RowIndex = -1;
};

// The record index that marks "no record under edit".
constexpr Integer vxNoEditRecordIndex = -2147483647;

// --- Notification objects ------------------------------------------------------------------

class TvxUpdateControlInfo : public TObject {
  DECLARE_CLASS(TvxUpdateControlInfo, TObject)
};

class TvxDataChangedInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxDataChangedInfo, TvxUpdateControlInfo)
 public:
  TvxDataChangedInfo(TvxDataChange AKind, Integer AItemIndex, Integer ARecordIndex)
      : Kind(AKind), ItemIndex(AItemIndex), RecordIndex(ARecordIndex) {}
  TvxDataChange Kind;
  Integer ItemIndex;
  Integer RecordIndex;
};

class TvxLayoutChangedInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxLayoutChangedInfo, TvxUpdateControlInfo)
};
class TvxGroupingChangingInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxGroupingChangingInfo, TvxUpdateControlInfo)
};
class TvxBookmarkChangedInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxBookmarkChangedInfo, TvxUpdateControlInfo)
};
class TvxSearchChangedInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxSearchChangedInfo, TvxUpdateControlInfo)
};

class TvxUpdateRecordInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxUpdateRecordInfo, TvxUpdateControlInfo)
 public:
  explicit TvxUpdateRecordInfo(Integer ARecordIndex) : RecordIndex(ARecordIndex) {}
  Integer RecordIndex;
};

class TvxFocusedRowChangedInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxFocusedRowChangedInfo, TvxUpdateControlInfo)
 public:
  TvxFocusedRowChangedInfo(Integer APrevFocusedRowIndex, Integer AFocusedRowIndex)
      : FocusedRowIndex(AFocusedRowIndex), PrevFocusedRowIndex(APrevFocusedRowIndex) {}
  Integer FocusedRowIndex;
  Integer PrevFocusedRowIndex;
};

class TvxFocusedRecordChangedInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxFocusedRecordChangedInfo, TvxUpdateControlInfo)
 public:
  TvxFocusedRecordChangedInfo(Integer APrevFocusedRecordIndex, Integer AFocusedRecordIndex,
                              Integer APrevFocusedRowIndex, Integer AFocusedRowIndex, bool ANewItemRowFocusingChanged)
      : FocusedRecordIndex(AFocusedRecordIndex), PrevFocusedRecordIndex(APrevFocusedRecordIndex),
        FocusedRowIndex(AFocusedRowIndex), PrevFocusedRowIndex(APrevFocusedRowIndex),
        NewItemRowFocusingChanged(ANewItemRowFocusingChanged) {}
  Integer FocusedRecordIndex;
  Integer PrevFocusedRecordIndex;
  Integer FocusedRowIndex;
  Integer PrevFocusedRowIndex;
  bool NewItemRowFocusingChanged;
};

class TvxSelectionChangedInfo : public TvxUpdateControlInfo {
  DECLARE_CLASS(TvxSelectionChangedInfo, TvxUpdateControlInfo)
 public:
  TvxSelectionChangedInfo() = default;
  // Holds ARowIndex1 unless it is -1, then ARowIndex2 unless it is -1 or the same row.
  static std::unique_ptr<TvxSelectionChangedInfo> CreateEx(Integer ARowIndex1, Integer ARowIndex2);
  Integer Count() const { return static_cast<Integer>(RowIndexes.size()); }
  std::vector<Integer> RowIndexes;
};

// --- Fields -----------------------------------------------------------------------------

// Binds one item of the owning control (or an internal purpose) to a value definition
// of the controller's storage.
class TvxCustomDataField : public TObject {
  DECLARE_CLASS(TvxCustomDataField, TObject)
 public:
  explicit TvxCustomDataField(TvxCustomDataFieldList* AFieldList);
  // Takes the field out of its list (the controller forgets it everywhere), then frees
  // its value definition.
  ~TvxCustomDataField() override;
  virtual void TakeOverData(TvxCustomDataField* ASource);
  virtual void ComponentRemoved(TComponent* AComponent) {}
  virtual bool CanModify(TvxDataEditValueSource AEditValueSource);
  virtual bool IsUnbound() { return false; }
  virtual bool IsValueDefInternal() { return FIsInternal; }

  TvxCustomDataController* DataController() const;
  TvxCustomDataFieldList* FieldList() const { return FFieldList; }
  Integer Index() const;
  void SetIndex(Integer Value);
  bool IsInternal() const { return FIsInternal; }
  void SetIsInternal(bool Value);
  TObject* Item() const { return FItem; }
  void SetItem(TObject* Value);
  TvxCustomDataField* ReferenceField() const { return FReferenceField; }
  void SetReferenceField(TvxCustomDataField* Value);
  TvxValueDef* ValueDef() const { return FReferenceField ? FReferenceField->ValueDef() : FValueDef; }
  TvxValueTypeClass ValueTypeClass() const {
    return FReferenceField ? FReferenceField->ValueTypeClass() : FValueTypeClass;
  }
  void SetValueTypeClass(TvxValueTypeClass Value);
  bool TextStored() const { return FReferenceField ? FReferenceField->TextStored() : FTextStored; }
  void SetTextStored(bool Value);
  bool NeedConversion() const { return FNeedConversion; }
  void SetNeedConversion(bool Value) { FNeedConversion = Value; }
  Integer NeedConversionFlag() const { return FNeedConversionFlag; }
  void SetNeedConversionFlag(Integer Value) { FNeedConversionFlag = Value; }
  bool Prepared() const { return FPrepared; }
  void SetPrepared(bool Value) { FPrepared = Value; }
  // While the row info sorts or groups: every record's value slot copied into one array
  // (indexed by record), so that comparisons read one array instead of a buffer per record.
  struct TSortKey {
    alignas(8) Byte Data[16];
    bool IsNull;
  };
  const TSortKey* SortKeys() const { return FSortKeys; }
  Integer SortKeyCount() const { return FSortKeyCount; }
  void SetSortKeys(const TSortKey* AKeys, Integer ACount) {
    FSortKeys = AKeys;
    FSortKeyCount = ACount;
  }
  void LockRecreateData();
  void UnlockRecreateData();

 private:
  friend class TvxCustomDataFieldList;
  friend class TvxCustomDataHelper;
  void BuildValueDef();
  void FreeValueDef();

  TvxCustomDataFieldList* FFieldList;
  bool FIsInternal = false;
  TObject* FItem = nullptr;
  Integer FLockRecreateData = 0;
  bool FNeedConversion = false;
  Integer FNeedConversionFlag = 0;
  bool FPrepared = false;
  const TSortKey* FSortKeys = nullptr;  // owned by the row info while it sorts
  Integer FSortKeyCount = 0;
  TvxCustomDataField* FReferenceField = nullptr;
  bool FTextStored = false;
  TvxValueDef* FValueDef = nullptr;  // owned by the storage's definitions; freed here
  TvxValueTypeClass FValueTypeClass = nullptr;
};
using TvxCustomDataFieldClass = TClass;

// Item fields first (their position is the item index), internal fields after them.
class TvxCustomDataFieldList : public TObject {
  DECLARE_CLASS(TvxCustomDataFieldList, TObject)
 public:
  explicit TvxCustomDataFieldList(TvxCustomDataController* ADataController) : FDataController(ADataController) {}
  ~TvxCustomDataFieldList() override;
  virtual void ComponentRemoved(TComponent* AComponent);
  void AddField(TvxCustomDataField* AField);
  TvxCustomDataField* FieldByItem(TObject* AItem) const;
  TvxCustomDataField* GetItem(Integer AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  Integer ItemCount() const { return Count() - FInternalCount; }
  Integer IndexOf(const TvxCustomDataField* AField) const;
  void Move(Integer ACurIndex, Integer ANewIndex);
  void ReassignFields(TvxCustomDataField* ADestroyedField);
  void RemoveField(TvxCustomDataField* AField);
  void Clear();
  bool FieldDestroyed() const { return FFieldDestroyed; }
  void SetFieldDestroyed(bool Value) { FFieldDestroyed = Value; }
  TvxCustomDataController* DataController() const { return FDataController; }

 private:
  friend class TvxCustomDataField;
  void UpdateInternalCount();
  void IndexItem(TvxCustomDataField* AField);
  void UnindexItem(TvxCustomDataField* AField);
  TvxCustomDataController* FDataController;
  bool FFieldDestroyed = false;
  Integer FInternalCount = 0;
  std::vector<TvxCustomDataField*> FItems;  // owned
  // The field of each item, so that finding a field by its item costs one look-up; an
  // item bound to more than one field is counted and then found by a scan in list order.
  std::unordered_map<TObject*, TvxCustomDataField*> FFieldByItem;
  Integer FSharedItemCount = 0;
  Integer FReferringCount = 0;  // fields of this list that read through another field
};

// --- Keys -------------------------------------------------------------------------------

class TvxKeyInfo : public TObject {
  DECLARE_CLASS(TvxKeyInfo, TObject)
 public:
  Variant Key;
};

// The suite core's TvxKeys names a control's key set; this unit's keys list lives in a
// namespace named after the unit so that both can be used in one place.
namespace vxCustomData {

class TvxKeys : public TObject {
  DECLARE_CLASS(TvxKeys, TObject)
 public:
  ~TvxKeys() override { Clear(); }
  virtual void ApplyKeys() {}
  virtual void CollectKeys() {}
  virtual void FreeKeyInfo(TvxKeyInfo* AInfo) { delete AInfo; }
  virtual void Clear();
  void Delete(Integer AIndex);
  void Save(TvxCustomDataController* ADataController);
  void Restore(TvxCustomDataController* ADataController);
  bool FindRecordKey(Integer ARecordIndex, Integer& AIndex);
  Integer Count() const { return static_cast<Integer>(FKeys.size()); }
  TvxKeyInfo* Items(Integer Index) const { return FKeys.at(static_cast<size_t>(Index)); }

 protected:
  void PrepareKeyFields(TvxCustomDataController* ADataController);
  TvxCustomDataController* FDataController = nullptr;
  std::vector<TvxCustomDataField*> FKeyFields;
  std::vector<TvxKeyInfo*> FKeys;  // owned
};

}  // namespace vxCustomData

class TvxSelectedKeyInfo : public TvxKeyInfo {
  DECLARE_CLASS(TvxSelectedKeyInfo, TvxKeyInfo)
 public:
  Integer SelectedIndex = -1;
};

class TvxDetailKeyInfo : public TvxKeyInfo {
  DECLARE_CLASS(TvxDetailKeyInfo, TvxKeyInfo)
 public:
  Integer ActiveRelationIndex = -1;
  std::unique_ptr<TvxSaveObject> SubDetail;
};

// The keys of the records whose details are expanded, with their active relation.
class TvxDetailKeys : public vxCustomData::TvxKeys {
  DECLARE_CLASS(TvxDetailKeys, vxCustomData::TvxKeys)
 public:
  void ApplyKeys() override;
  void CollectKeys() override;
};

// The keys of the selected records, with their positions in the selection.
class TvxSelectedKeys : public vxCustomData::TvxKeys {
  DECLARE_CLASS(TvxSelectedKeys, vxCustomData::TvxKeys)
 public:
  void ApplyKeys() override;
  void CollectKeys() override;
};

class TvxSaveObject : public TObject {
  DECLARE_CLASS(TvxSaveObject, TObject)
 public:
  TvxSaveObject();
  ~TvxSaveObject() override;
  void Save(TvxCustomDataController* ADataController);
  void Restore(TvxCustomDataController* ADataController);

 private:
  std::unique_ptr<TvxDetailKeys> FDetailKeys;
  std::unique_ptr<TvxSelectedKeys> FSelectedKeys;
};

// --- Search -----------------------------------------------------------------------------

class TvxDataControllerSearch : public TObject {
  DECLARE_CLASS(TvxDataControllerSearch, TObject)
 public:
  // Made through class references: the argument is the controller.
  using TCreateArg = TPersistent*;
  explicit TvxDataControllerSearch(TPersistent* AController);
  explicit TvxDataControllerSearch(TvxCustomDataController* ADataController) : FDataController(ADataController) {}
  virtual void FocusFoundRecord(Integer ARecordListIndex);
  virtual Integer DoSearch(Integer AStartIndex, Integer AEndIndex, bool AForward, const String& AText);
  virtual bool Locate(Integer AItemIndex, const String& ASubText);
  virtual bool LocateNext(bool AForward);
  virtual void Lock() { FLocked = true; }
  virtual void Unlock() { FLocked = false; }
  void Cancel();
  TvxCustomDataController* DataController() const { return FDataController; }
  Integer ItemIndex() const;
  void SetItemIndex(Integer Value);
  bool Locked() const { return FLocked; }
  bool Searching() const;
  String SearchText() const;

 private:
  TvxCustomDataController* FDataController;
  bool FLocked = false;
};

// --- Collaborators of the controller ------------------------------------------------------

// The fields the controller sorts by, in order, each with its direction.
class TvxSortingFieldList : public TObject {
  DECLARE_CLASS(TvxSortingFieldList, TObject)
 public:
  struct TItem {
    TvxCustomDataField* Field;
    TvxDataSortOrder SortOrder;
  };
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TItem& Items(Integer Index) const { return FItems.at(static_cast<size_t>(Index)); }
  const TItem& Entries(Integer Index) const { return Items(Index); }
  Integer IndexOf(TvxCustomDataField* AField) const;
  Integer IndexOfField(TvxCustomDataField* AField) const { return IndexOf(AField); }
  Integer SortIndexByField(TvxCustomDataField* AField) const { return IndexOf(AField); }
  // soNone for a field that is not listed.
  TvxDataSortOrder SortOrderByField(TvxCustomDataField* AField) const;
  // soNone removes the field; another order sets it, appending the field when missing.
  virtual void ChangeSorting(TvxCustomDataField* AField, TvxDataSortOrder ASortOrder);
  void AddEntry(TvxCustomDataField* AField, TvxDataSortOrder AOrder);
  void InsertEntry(Integer AIndex, TvxCustomDataField* AField, TvxDataSortOrder AOrder);
  void DeleteEntry(Integer AIndex);
  void MoveEntry(Integer ACurIndex, Integer ANewIndex);
  void SetEntryOrder(Integer AIndex, TvxDataSortOrder AOrder);
  void RemoveField(TvxCustomDataField* AField) { Remove(AField); }
  // Appends the entries of AList whose field is not listed yet, with their orders.
  void AppendFrom(const TvxSortingFieldList* AList);
  // Announces a change when the field is listed.
  void CheckField(TvxCustomDataField* AField);
  void ChangeSortIndex(TvxCustomDataField* AField, Integer ASortIndex);
  // Grouping lists: a negative index removes the field; a new field is inserted at the
  // index (at most the count); a listed one moves there.
  void ChangeGroupIndex(TvxCustomDataField* AField, Integer AGroupIndex);
  void SetSortOrder(Integer AIndex, TvxDataSortOrder AOrder) { FItems.at(static_cast<size_t>(AIndex)).SortOrder = AOrder; }
  void Remove(TvxCustomDataField* AField);
  void Clear();
  TNotifyEvent OnChanged;

 private:
  void Changed();
  std::vector<TItem> FItems;
};

// The grouped fields: a grouped field always has an order.
class TvxGroupingFieldList : public TvxSortingFieldList {
  DECLARE_CLASS(TvxGroupingFieldList, TvxSortingFieldList)
 public:
  void ChangeSorting(TvxCustomDataField* AField, TvxDataSortOrder ASortOrder) override;
  void ChangeGrouping(TvxCustomDataField* AField, Integer AGroupIndex) { ChangeGroupIndex(AField, AGroupIndex); }
  Integer GroupIndexByField(TvxCustomDataField* AField) const { return IndexOf(AField); }
  // Every grouped field takes its order from ASortingFieldList (ascending when not there).
  void UpdateSorting(const TvxSortingFieldList* ASortingFieldList);
};

// Selected rows, sorted by row index.
class TvxDataSelection : public TObject {
  DECLARE_CLASS(TvxDataSelection, TObject)
 public:
  // Made through class references: the argument is the controller.
  using TCreateArg = TPersistent*;
  explicit TvxDataSelection(TPersistent* AController);
  struct TItem {
    Integer Level;
    Integer RecordIndex;
    Integer RowIndex;
  };
  explicit TvxDataSelection(TvxCustomDataController* ADataController) : FDataController(ADataController) {}
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TItem& Items(Integer Index) const { return FItems.at(static_cast<size_t>(Index)); }
  // Position of the row (binary search), or -1.
  Integer FindByRowIndex(Integer ARowIndex) const;
  // Whether the row is selected; AIndex is its position, else the insertion position.
  bool FindByRowIndex(Integer ARowIndex, Integer& AIndex) const;
  // The first group-row item of that group (level -1), or -1.
  Integer FindByGroupIndex(Integer AGroupIndex) const;
  // The first record item of that record, or -1.
  Integer FindByRecordIndex(Integer ARecordIndex) const;
  bool IsRecordSelected(Integer ARecordIndex) const { return FindByRecordIndex(ARecordIndex) != -1; }
  bool IsRowSelected(Integer ARowIndex) const { return FindByRowIndex(ARowIndex) != -1; }
  void ResetAnchor() { AnchorRowIndex = -1; }
  // AIndex -1 appends; the caller keeps the items in row order.
  void InsertSelectionItem(Integer AIndex, Integer ARowIndex, Integer ARecordIndex, Integer ALevel);
  void Add(Integer AIndex, Integer ARowIndex, Integer ARecordIndex, Integer ALevel);
  // Fewer items are deleted from the end; more are appended as record rows.
  void SetItemCount(Integer ACount);
  void ClearAll();
  void Sort();
  // Deletes the record items whose records are filtered out.
  void RemoveFilteredRecords();
  void AddField(TvxCustomDataField* AField) { FFields.push_back(AField); }
  void ClearFields() { FFields.clear(); }
  Integer FieldCount() const { return static_cast<Integer>(FFields.size()); }
  void Add(const TItem& AItem);
  // Adds items sorted by row index, none of them listed yet, in one merge.
  void Merge(const std::vector<TItem>& AItems);
  void Delete(Integer AIndex);
  void Clear();
  void SetRecordIndex(Integer AIndex, Integer ARecordIndex) { FItems.at(static_cast<size_t>(AIndex)).RecordIndex = ARecordIndex; }
  // Deletes every item that AMatch picks, in one pass.
  void DeleteWhere(const std::function<bool(const TItem&)>& AMatch);
  // Recomputes row indexes from the records' rows, dropping records without a row.
  void SyncRowIndexes();
  Integer AnchorRowIndex = -1;
  TNotifyEvent OnChanged;

 private:
  void Changed();
  void DeleteItem(Integer AIndex);
  TvxCustomDataController* FDataController;
  std::vector<TItem> FItems;
  std::vector<TvxCustomDataField*> FFields;
};

// Every filter created for the controller (not owned).
class TvxDataFilterList : public TObject {
  DECLARE_CLASS(TvxDataFilterList, TObject)
 public:
  // Takes the field out of every listed filter.
  void RemoveField(TvxCustomDataField* AField);
  Integer Count() const { return static_cast<Integer>(Items.size()); }
  std::vector<TObject*> Items;
};

// The controller's filter criteria. Item links seen from outside are the view items;
// each condition keeps the controller's field of its item. The record handed to the
// criteria's evaluation is a record index.
class TvxDataFilterCriteria : public TvxFilterCriteria {
  DECLARE_CLASS(TvxDataFilterCriteria, TvxFilterCriteria)
 public:
  // Made through class references: the argument is the controller.
  using TCreateArg = TPersistent*;
  explicit TvxDataFilterCriteria(TPersistent* AController);
  explicit TvxDataFilterCriteria(TvxCustomDataController* ADataController);
  ~TvxDataFilterCriteria() override;
  Integer ItemLinkToID(TObject* AItemLink) override;
  void ItemLinkToName(TObject* AItemLink, String& AName) override;
  TObject* IDToItemLink(Integer AID) override;
  TObject* NameToItemLink(const String& AName) override;
  std::unique_ptr<TvxFilterCriteriaItem> CreateItem(TvxFilterCriteriaItemList* AOwner, TObject* AItemLink,
                                                    TvxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                    const String& ADisplayValue) override;
  void FireChanged() override;
  using TvxFilterCriteria::Assign;
  void Assign(TPersistent* Source, bool AIgnoreItemNames) override;
  virtual bool IsFiltering();
  virtual bool DoFilterRecord(Integer ARecordIndex) { return FilterRecord(ARecordIndex); }
  bool FilterRecord(Integer ARecordIndex);
  virtual void RemoveItemByField(TvxCustomDataField* AField);
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  TvxCustomDataController* DataController() const { return FDataController; }
  virtual std::unique_ptr<TvxDataFilterValueList> CreateValueList();
  // Lets the owner change a value list after it was loaded.
  std::function<void(TvxFilterCriteria* Sender, Integer AItemIndex, TvxDataFilterValueList* AValueList)> OnGetValueList;

 private:
  friend class TvxCustomDataController;
  bool FActive = false;
  TvxCustomDataController* FDataController;
  bool FDestroying = false;
};

// The values of one item of the controller, for the item's filter drop-down.
class TvxDataFilterValueList : public TvxFilterValueList {
  DECLARE_CLASS(TvxDataFilterValueList, TvxFilterValueList)
 public:
  explicit TvxDataFilterValueList(TvxDataFilterCriteria* ACriteria);
  TvxCustomDataController* DataController() const;
  // The special items, then the item's values over all records or, with
  // AUseFilteredValues, over the filtered ones.
  void Load(Integer AItemIndex, bool AInitSortByDisplayText = true, bool AUseFilteredValues = false);
};

class TvxDataFilterCriteriaItem : public TvxFilterCriteriaItem {
  DECLARE_CLASS(TvxDataFilterCriteriaItem, TvxFilterCriteriaItem)
 public:
  TvxDataFilterCriteriaItem(TvxFilterCriteriaItemList* AOwner, TObject* AItemLink,
                            TvxFilterOperatorKind AOperatorKind, const Variant& AValue, const String& ADisplayValue);
  void RecordValue(Pointer AData, Variant& AValue) override;
  bool PeekRecordValue(Pointer AData, TvxFilterPeekedValue& AValue) override;
  void FieldCaption(String& AText) override;
  void FieldName(String& AText) override;
  TObject* ItemLink() const override;
  void SetItemLink(TObject* Value) override;
  TvxCustomDataController* DataController() const;
  TvxCustomDataField* Field() const { return FField; }

 private:
  TvxCustomDataField* ToField(TObject* ALink) const;
  TvxCustomDataField* FField = nullptr;
  // The controller of the criteria the item hangs in, found on the first record read (an
  // item stays in its criteria for life).
  TvxCustomDataController* FRecordController = nullptr;
};

// --- Summaries ----------------------------------------------------------------------------

// The tree list's unit also names a summary kind; the data unit's summary names live in
// the unit's namespace so that both units can be used together.
namespace vxCustomData {
enum TvxSummaryKind { skNone, skSum, skMin, skMax, skCount, skAverage };
enum TvxSummaryValueType { svtFloat, svtCurrency, svtDate };
enum TvxSummaryPosition { spGroup, spFooter };
enum TvxSummaryOption { soNullIgnore, soSelectedRecords, soMultipleSelectedRecords };
using TvxSummaryOptions = Set<TvxSummaryOption, 4>;

// The default display format of a summary of a kind at a position; empty for skNone.
void GetDefaultSummaryFormat(TvxSummaryValueType AValueType, TvxSummaryKind AKind, TvxSummaryPosition APosition,
                             String& AFormat);
// The display text of a summary value: empty for Null, the value's text for skNone, else
// the value formatted with AGetFormat's format for its value type (a date is appended to
// the format text as a date).
String FormatSummaryValue(const Variant& AValue, TvxSummaryKind AKind,
                          const std::function<String(TvxSummaryValueType)>& AGetFormat);
}  // namespace vxCustomData

class TvxDataSummary;
class TvxDataSummaryItems;
class TvxDataSummaryItem;

struct TvxSummaryEventArguments {
  Integer RecordIndex;
  TvxDataSummaryItem* SummaryItem;
};
struct TvxSummaryEventOutArguments {
  Variant Value;
  Variant SummaryValue;
  Integer CountValue;
  bool Done;
};
using TvxSummaryEvent = std::function<void(TvxDataSummaryItems* ASender, const TvxSummaryEventArguments& Arguments,
                                           TvxSummaryEventOutArguments& OutArguments)>;
using TvxAfterSummaryEvent = std::function<void(TvxDataSummary* ASender)>;
using TvxDataSummaryItemGetTextEvent =
    std::function<void(TvxDataSummaryItem* Sender, const Variant& AValue, bool AIsFooter, String& AText)>;

// What every summary item has: the data field it summarises, a kind and a display format.
// The controller's summary items and the links of summary groups derive from it.
class TvxCustomDataSummaryItem : public TObject {
  DECLARE_CLASS(TvxCustomDataSummaryItem, TObject)
 public:
  TvxCustomDataSummaryItem() = default;
  virtual void Assign(TvxCustomDataSummaryItem* ASource);
  virtual void AssignItemSettings(TvxCustomDataSummaryItem* ASource);
  virtual TvxCustomDataController* DataController() const = 0;
  virtual String GetFormatString(vxCustomData::TvxSummaryValueType AValueType, bool AIsFooter);
  static bool IsCurrencyValueType(TVarType AVarType);
  // Called before the item is linked to AField.
  virtual void ItemLinkChanging(TvxCustomDataField* AField) {}
  virtual String FormatValue(const Variant& AValue, bool AIsFooter);
  TvxCustomDataField* Field() const { return FField; }
  TObject* ItemLink() const { return FField ? FField->Item() : nullptr; }
  void SetItemLink(TObject* Value);
  const String& Format() const { return FFormat; }
  void SetFormat(const String& Value);
  vxCustomData::TvxSummaryKind Kind() const { return FKind; }
  void SetKind(vxCustomData::TvxSummaryKind Value);

 protected:
  // A change of this item only (a repaint), or of all items (a recalculation).
  virtual void Changed(bool AAllItems) = 0;
  virtual void BeginItemUpdate() {}
  virtual void EndItemUpdate() {}

 private:
  friend class TvxDataSummary;
  friend class TvxDataSummaryItems;
  friend class TvxDataSummaryItem;
  friend class TvxDataSummaryGroupItemLinks;
  TvxCustomDataField* FField = nullptr;
  String FFormat;
  vxCustomData::TvxSummaryKind FKind = vxCustomData::skNone;
};

class TvxDataSummaryItem : public TvxCustomDataSummaryItem {
  DECLARE_CLASS(TvxDataSummaryItem, TvxCustomDataSummaryItem)
 public:
  // Made through class references: the argument is the collection.
  using TCreateArg = TObject*;
  explicit TvxDataSummaryItem(TObject* ACollection);
  explicit TvxDataSummaryItem(TvxDataSummaryItems* ACollection) : FCollection(ACollection) {}
  ~TvxDataSummaryItem() override;
  void Assign(TvxCustomDataSummaryItem* ASource) override;
  void AssignItemSettings(TvxCustomDataSummaryItem* ASource) override;
  String GetFormatString(vxCustomData::TvxSummaryValueType AValueType, bool AIsFooter) override;
  String FormatValue(const Variant& AValue, bool AIsFooter) override;
  // A data field, or a group count that needs none.
  virtual bool HasSummaryData();
  virtual TvxCustomDataField* DataField() { return Field(); }
  TvxCustomDataController* DataController() const override;
  TvxDataSummaryItems* SummaryItems() const { return FCollection; }
  Integer Index() const;
  vxCustomData::TvxSummaryPosition Position() const;
  void SetPosition(vxCustomData::TvxSummaryPosition Value);
  // Whether the group rows are ordered by this item's values. Ignored while the controller
  // orders them by a summary item of its own choice.
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  Integer Tag = 0;
  TvxDataSummaryItemGetTextEvent OnGetText;

 protected:
  void Changed(bool AAllItems) override;
  void BeginItemUpdate() override;
  void EndItemUpdate() override;

 private:
  friend class TvxDataSummary;
  friend class TvxDataSummaryItems;
  TvxDataSummaryItems* FCollection;
  vxCustomData::TvxSummaryPosition FPosition = vxCustomData::spGroup;
  bool FSorted = false;
};

// Summary items of one place: the footer, or the default group summaries.
class TvxDataSummaryItems : public TObject {
  DECLARE_CLASS(TvxDataSummaryItems, TObject)
 public:
  TvxDataSummaryItems(TvxDataSummary* ASummary, bool AIsFooter, TObject* AOwner = nullptr)
      : FSummary(ASummary), FIsFooter(AIsFooter), FOwner(AOwner) {}
  // The summary group that owns these items, or nullptr for the summary's own.
  TObject* Owner() const { return FOwner; }
  TvxDataSummaryItem* Add();
  TvxDataSummaryItem* Add(TObject* AItemLink, vxCustomData::TvxSummaryPosition APosition, vxCustomData::TvxSummaryKind AKind,
                          const String& AFormat = String());
  void Assign(TvxDataSummaryItems* ASource);
  void Clear();
  void Delete(Integer AIndex);
  // Frees, from the last, every item with that item link and position.
  void DeleteItems(TObject* AItemLink, vxCustomData::TvxSummaryPosition APosition);
  TvxDataSummaryItem* FindByTag(Integer ATag) const;
  // The first item of the controller's item AItemIndex at APosition (and of AKind when
  // ACheckKind); "ItemIndex out of range" for an unknown item.
  TvxDataSummaryItem* GetDataItem(Integer AItemIndex, vxCustomData::TvxSummaryPosition APosition, bool ACheckKind = false,
                                  vxCustomData::TvxSummaryKind AKind = vxCustomData::skNone);
  String GetDataItemFormat(Integer AItemIndex, vxCustomData::TvxSummaryPosition APosition);
  vxCustomData::TvxSummaryKind GetDataItemKind(Integer AItemIndex, vxCustomData::TvxSummaryPosition APosition);
  bool GetDataItemSorted(Integer AItemIndex, vxCustomData::TvxSummaryPosition APosition);
  // Set the value on the item, which goes once it has no format, no kind and no order;
  // a missing item is made for a value that is not empty.
  void SetDataItemFormat(Integer AItemIndex, vxCustomData::TvxSummaryPosition APosition, const String& Value);
  void SetDataItemKind(Integer AItemIndex, vxCustomData::TvxSummaryPosition APosition, vxCustomData::TvxSummaryKind Value);
  void SetDataItemSorted(Integer AItemIndex, vxCustomData::TvxSummaryPosition APosition, bool Value);
  // The item that orders the group rows: the one linked to the controller's summary-sorting
  // item when it has one, else the first sorted item (group items only).
  TvxDataSummaryItem* SortedSummaryItem() const;
  virtual void SortedChanging(TvxDataSummaryItem* AItem, bool AValue);
  Integer IndexOf(const TvxDataSummaryItem* AItem) const;
  Integer IndexOfItemLink(TObject* AItemLink) const;
  TvxDataSummaryItem* ItemOfItemLink(TObject* AItemLink) const;
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxDataSummaryItem* Items(Integer AIndex) const { return FItems.at(static_cast<size_t>(AIndex)).get(); }
  bool IsFooter() const { return FIsFooter; }
  virtual vxCustomData::TvxSummaryPosition PositionOfItem(const TvxDataSummaryItem* AItem) const;
  virtual String DefaultFormat(vxCustomData::TvxSummaryValueType AValueType, vxCustomData::TvxSummaryKind AKind, bool AIsFooter);
  // The group row's text of the group-position items: each value formatted, joined by
  // Separator and a blank, wrapped in BeginText and EndText. Values missing from
  // ASummaryValues (not an array, or an index outside it) count as Null.
  String GetGroupText(const Variant& ASummaryValues);
  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  // A change of one item repaints; a change of all recalculates.
  void Changed(bool AAllItems);
  TvxDataSummary* Summary() const { return FSummary; }
  TvxCustomDataController* DataController() const;
  String BeginText = L"(";
  String EndText = L")";
  String Separator = L",";
  TvxSummaryEvent OnSummary;

 private:
  TvxDataSummary* FSummary;
  bool FIsFooter;
  TObject* FOwner;
  Integer FLockCount = 0;
  bool FChangedAll = false;
  bool FChangedOne = false;
  std::vector<std::unique_ptr<TvxDataSummaryItem>> FItems;
};

class TvxDataSummaryGroup;
class TvxDataSummaryGroups;
class TvxDataSummaryGroupItemLinks;

// A link of a summary group to one item of the controller. An item is linked by one link
// at most: linking it takes it from the link that had it.
class TvxDataSummaryGroupItemLink : public TvxCustomDataSummaryItem {
  DECLARE_CLASS(TvxDataSummaryGroupItemLink, TvxCustomDataSummaryItem)
 public:
  // Made through class references: the argument is the link collection.
  using TCreateArg = TObject*;
  explicit TvxDataSummaryGroupItemLink(TObject* ALinks);
  explicit TvxDataSummaryGroupItemLink(TvxDataSummaryGroupItemLinks* ALinks) : FLinks(ALinks) {}
  TvxCustomDataController* DataController() const override;
  void ItemLinkChanging(TvxCustomDataField* AField) override;
  TvxDataSummaryGroupItemLinks* SummaryGroupItemLinks() const { return FLinks; }

 protected:
  void Changed(bool AAllItems) override;

 private:
  TvxDataSummaryGroupItemLinks* FLinks;
};

class TvxDataSummaryGroupItemLinks : public TObject {
  DECLARE_CLASS(TvxDataSummaryGroupItemLinks, TObject)
 public:
  TvxDataSummaryGroupItemLinks(TvxDataSummaryGroup* ASummaryGroup, TClass AItemClass)
      : FSummaryGroup(ASummaryGroup), FItemClass(AItemClass) {}
  TvxDataSummaryGroupItemLink* Add();
  void Assign(TvxDataSummaryGroupItemLinks* ASource);
  void Clear();
  void Delete(Integer AIndex);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxDataSummaryGroupItemLink* Items(Integer AIndex) const { return FItems.at(static_cast<size_t>(AIndex)).get(); }
  Integer IndexOfItemLink(TObject* AItemLink) const;
  TvxDataSummaryGroupItemLink* ItemOfItemLink(TObject* AItemLink) const;
  TvxDataSummaryGroupItemLink* ItemOfField(TvxCustomDataField* AField) const;
  // Any change of the links changes the summary groups (a recalculation).
  void Update();
  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  TvxDataSummaryGroup* SummaryGroup() const { return FSummaryGroup; }

 private:
  TvxDataSummaryGroup* FSummaryGroup;
  TClass FItemClass;
  Integer FLockCount = 0;
  bool FChanged = false;
  std::vector<std::unique_ptr<TvxDataSummaryGroupItemLink>> FItems;
};

// A set of controller items whose group rows use summary items of their own.
class TvxDataSummaryGroup : public TObject {
  DECLARE_CLASS(TvxDataSummaryGroup, TObject)
 public:
  explicit TvxDataSummaryGroup(TvxDataSummaryGroups* ACollection);
  ~TvxDataSummaryGroup() override;
  void Assign(TvxDataSummaryGroup* ASource);
  // Made on first use with the controller's link class.
  TvxDataSummaryGroupItemLinks* Links();
  bool HasLinks() const { return FItemLinks && FItemLinks->Count() > 0; }
  TvxDataSummaryItems* SummaryItems() const { return FSummaryItems.get(); }
  TvxDataSummaryGroups* Collection() const { return FCollection; }
  Integer Index() const;

 private:
  TvxDataSummaryGroups* FCollection;
  std::unique_ptr<TvxDataSummaryGroupItemLinks> FItemLinks;
  std::unique_ptr<TvxDataSummaryItems> FSummaryItems;
};

class TvxDataSummaryGroups : public TObject {
  DECLARE_CLASS(TvxDataSummaryGroups, TObject)
 public:
  explicit TvxDataSummaryGroups(TvxDataSummary* ASummary) : FSummary(ASummary) {}
  TvxDataSummaryGroup* Add();
  void Assign(TvxDataSummaryGroups* ASource);
  void Clear();
  void Delete(Integer AIndex);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxDataSummaryGroup* Items(Integer AIndex) const { return FItems.at(static_cast<size_t>(AIndex)).get(); }
  Integer IndexOf(const TvxDataSummaryGroup* AGroup) const;
  // The first group whose links include AItemLink.
  TvxDataSummaryGroup* FindByItemLink(TObject* AItemLink) const;
  // A change of the groups or their links recalculates.
  void Changed();
  TvxDataSummary* Summary() const { return FSummary; }

 private:
  TvxDataSummary* FSummary;
  std::vector<std::unique_ptr<TvxDataSummaryGroup>> FItems;
};

// The controller's summaries: footer values over the visible records, and per group row
// values over the records of the group.
class TvxDataSummary : public TPersistent {
  DECLARE_CLASS(TvxDataSummary, TPersistent)
 public:
  // Made through class references: the argument is the controller.
  using TCreateArg = TPersistent*;
  explicit TvxDataSummary(TPersistent* AController);
  explicit TvxDataSummary(TvxCustomDataController* ADataController);
  ~TvxDataSummary() override;
  void Assign(TPersistent* Source) override;
  virtual void RemoveItemByField(TvxCustomDataField* AField);
  virtual void SummaryChanged(bool ARedrawOnly);
  virtual void BeginCalculate();
  virtual void EndCalculate();
  virtual void Calculate();
  virtual void CalculateFooterSummary();
  virtual void CalculateGroupSummary();
  virtual Integer GetSummaryRecordIndex(Integer ARecordListIndex);
  static bool IsSummaryValueIndexInRange(const Variant& ASummaryValues, Integer AIndex);
  void BeginUpdate();
  void EndUpdate();
  void CancelUpdate();
  void Recalculate() { SummaryChanged(false); }
  bool GetGroupSummaryInfo(Integer ARowIndex, TvxDataSummaryItems*& ASummaryItems, Variant*& ASummaryValues);
  // The items of a grouping level: those of the summary group linked to the level's item,
  // else the default group items.
  TvxDataSummaryItems* GetGroupSummaryItems(Integer ALevel) const;
  // The items of APatternSummary that correspond to ASummaryItems of this summary.
  TvxDataSummaryItems* GetPatternSummaryItems(TvxDataSummary* APatternSummary, TvxDataSummaryItems* ASummaryItems) const;
  virtual TClass GetGroupItemLinkClass();
  virtual TClass GetSummaryItemClass();
  virtual void FireAfterSummary();
  TvxDataSummaryGroups* SummaryGroups() const { return FSummaryGroups.get(); }
  TvxCustomDataController* DataController() const { return FDataController; }
  TvxDataSummaryItems* DefaultGroupSummaryItems() const { return FDefaultGroupSummaryItems.get(); }
  TvxDataSummaryItems* FooterSummaryItems() const { return FFooterSummaryItems.get(); }
  const Variant& FooterSummaryValues() const { return FFooterSummaryValues; }
  vxCustomData::TvxSummaryOptions Options() const { return FOptions; }
  void SetOptions(vxCustomData::TvxSummaryOptions Value);
  bool Destroying() const { return FDestroying; }
  TvxAfterSummaryEvent OnAfterSummary;

 private:
  // A running value kept as a double while it is one: float fields summed, or taken as
  // minimum or maximum, without a variant per record.
  struct TNativeRun {
    enum TState { nrOff, nrEmpty, nrZero, nrDouble } State = nrOff;
    double Value = 0;
    TvxValueDef* Def = nullptr;
  };
  struct TRunning {
    std::vector<Variant> Values;
    std::vector<Integer> Counts;
    std::vector<TNativeRun> Native;
  };
  void PrepareNativeRuns(TvxDataSummaryItems* AItems, TRunning& ARunning);
  void AddNativeValue(vxCustomData::TvxSummaryKind AKind, const Byte* AData, Integer& ACount, TNativeRun& ARun);
  void CloseNativeRuns(TRunning& ARunning);
  void InitSummaryValues(TvxDataSummaryItems* AItems, TRunning& ARunning);
  void AccumulateRecords(TvxDataSummaryItems* AItems, TRunning& ARunning, Integer AFrom, Integer ATo);
  void AddRecordToSummary(TvxDataSummaryItems* AItems, TvxDataSummaryItem* AItem, Integer ARecordIndex,
                          Integer& ACount, Variant& ASummaryValue);
  void FinishSummaryValues(TvxDataSummaryItems* AItems, TRunning& ARunning, Variant& AResult);
  // The records that count when the selection options are in force (built per calculation).
  void PrepareSelectedRecords();
  TvxCustomDataController* FDataController;
  std::unique_ptr<TvxDataSummaryItems> FDefaultGroupSummaryItems;
  bool FDestroying = false;
  std::unique_ptr<TvxDataSummaryItems> FFooterSummaryItems;
  Variant FFooterSummaryValues;
  bool FInAfterSummary = false;
  Integer FLockCount = 0;
  vxCustomData::TvxSummaryOptions FOptions;
  std::unique_ptr<TvxDataSummaryGroups> FSummaryGroups;
  bool FSelectedOnly = false;
  std::vector<bool> FSelectedRecords;  // by record index, while a calculation runs
};

// Receives free notifications for the controller.
class TvxDataControllerNotifier : public TComponent {
  DECLARE_CLASS(TvxDataControllerNotifier, TComponent)
 public:
  explicit TvxDataControllerNotifier(TvxCustomDataController* ADataController)
      : TComponent(nullptr), FDataController(ADataController) {}
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TvxCustomDataController* FDataController;
};

// The controller's grouping facade over its row info.
class TvxDataControllerGroups : public TObject {
  DECLARE_CLASS(TvxDataControllerGroups, TObject)
 public:
  explicit TvxDataControllerGroups(TvxCustomDataController* ADataController) : FDataController(ADataController) {}
  void ChangeGrouping(Integer AItemIndex, Integer AGroupIndex);
  void ClearGrouping();
  void ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive);
  void FullCollapse();
  void FullExpand();
  Integer GroupingItemCount() const;
  Integer GroupingItemIndexAt(Integer ALevel) const;
  Integer GroupIndexOfItem(Integer AItemIndex) const;
  // The list index of the group shown on the row, -1 for a data row.
  Integer GroupIndexOfRow(Integer ARowIndex) const;
  Integer LevelOfGroup(Integer AGroupIndex) const;
  Integer GetChildGroupCount(Integer AGroupIndex) const;
  Integer GetChildGroupIndex(Integer AGroupIndex, Integer AChildIndex) const;
  Integer ChildRecordIndex(Integer AGroupIndex, Integer AChildIndex) const;
  Integer FirstRecordOfGroup(Integer AGroupIndex) const;
  Variant GetGroupValueOfGroup(Integer AGroupIndex) const;
  Integer GetDataGroupIndexByGroupValue(Integer AParentDataGroupIndex, const Variant& AGroupValue) const;
  bool HasAsParent(Integer ARowIndex, Integer AParentRowIndex) const;
  void LoadRecordIndexes(std::vector<Integer>& AList, Integer ADataGroupIndex) const;
  void LoadRecordIndexesByRowIndex(std::vector<Integer>& AList, Integer ARowIndex) const;

 private:
  TvxCustomDataController* FDataController;
};

// --- Group rows -------------------------------------------------------------------------

class TvxDataGroupInfo : public TObject {
  DECLARE_CLASS(TvxDataGroupInfo, TObject)
 public:
  Integer RowIndex = 0;
  bool Expanded = false;
  Integer Level = 0;
  Integer BeginRecordListIndex = 0;
  Integer EndRecordListIndex = 0;
  Variant SummaryValues;
};

// The group tree as one flat list in depth-first order, with the visible rows numbered.
// Record positions here are record-list indexes.
class TvxDataGroups : public TObject {
  DECLARE_CLASS(TvxDataGroups, TObject)
 public:
  void Clear();
  void AddField(TvxCustomDataField* AField) { FFields.push_back(AField); }
  TvxDataGroupInfo* AddGroupInfo();
  void SetItem(Integer AIndex, TvxDataGroupInfo* AItem);
  // Puts the groups in a new order: position i takes the group that was at AOrder[i].
  void Permute(const std::vector<Integer>& AOrder);
  void Rebuild();
  TvxDataGroupInfo* GetItem(Integer AIndex) const { return FItems.at(static_cast<size_t>(AIndex)).get(); }
  TvxCustomDataField* GetField(Integer ALevel) const { return FFields.at(static_cast<size_t>(ALevel)); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  Integer LevelCount() const { return static_cast<Integer>(FFields.size()); }
  Integer RowCount() const;
  Integer GetLevel(Integer AIndex) const;
  Integer GetParentIndex(Integer AChildIndex) const;
  Integer GetFirstLevelCount() const;
  Integer GetFirstLevelIndex(Integer AIndex) const;
  Integer GetChildCount(Integer AIndex) const;
  Integer GetChildIndex(Integer AParentIndex, Integer AIndex) const;
  Integer GetChildRecordListIndex(Integer AParentIndex, Integer AIndex) const;
  Integer GetDataRecordListIndex(const TvxDataGroupInfo* AInfo) const;
  Integer FindGroupByRowIndex(Integer ARowIndex, TvxDataGroupInfo*& AInfo) const;
  void GetVisibleGroup(Integer ARowIndex, Integer& AIndex) const;
  Integer GetIndexByRowIndexLevel(Integer ARowIndex, Integer ALevel) const;
  Integer GetIndexByRowIndex(Integer ARowIndex) const { return GetIndexByRowIndexLevel(ARowIndex, -1); }
  Integer FindGroupByRecordListIndex(Integer ARecordListIndex, Integer ALevel) const;
  // RecordIndex of the result is a record-list index.
  void GetRowInfo(Integer ARowIndex, TvxRowInfo& ARowInfo) const;
  bool IsGroupVisible(Integer AIndex) const;
  bool MakeGroupVisible(Integer AIndex, bool AExpandSelf);
  void ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive);
  void FullExpanding(bool AExpanded);

 private:
  std::vector<TvxCustomDataField*> FFields;
  std::vector<std::unique_ptr<TvxDataGroupInfo>> FItems;
};

// Reads the values of one record of the controller's storage (used to copy records).
class TvxValueDefRecordReader : public TvxValueDefReader {
  DECLARE_CLASS(TvxValueDefRecordReader, TvxValueDefReader)
 public:
  TvxValueDefRecordReader(TvxDataStorage* AStorage, Integer ARecordIndex)
      : FStorage(AStorage), FRecordIndex(ARecordIndex) {}
  String GetDisplayText(TvxValueDef* AValueDef) override;
  Variant GetValue(TvxValueDef* AValueDef) override;
  bool IsInternal(TvxValueDef* AValueDef) override;

 private:
  TvxValueDef* SourceDef(TvxValueDef* AValueDef) const;
  TvxDataStorage* FStorage;
  Integer FRecordIndex;
};

// Values set by hand for value definitions (the values of a record to look for): what
// was never set reads as Null.
class TvxValueDefUnboundReader : public TvxValueDefReader {
  DECLARE_CLASS(TvxValueDefUnboundReader, TvxValueDefReader)
 public:
  TvxValueDefUnboundReader() = default;
  Variant GetValue(TvxValueDef* AValueDef) override;
  bool IsInternal(TvxValueDef* AValueDef) override;
  void SetValue(TvxValueDef* AValueDef, const Variant& AValue);
  // Frees the values from the end down to AItemCount; the definitions stay listed.
  void Truncate(Integer AItemCount);
  void Clear() { Truncate(0); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }

 private:
  std::vector<TvxValueDef*> FItems;
  std::vector<std::unique_ptr<Variant>> FValues;  // parallel to FItems; a slot is made on first use
};

// Finds a record by values held in an internal record of the controller's storage.
class TvxDataControllerLocateObject : public TObject {
  DECLARE_CLASS(TvxDataControllerLocateObject, TObject)
 public:
  explicit TvxDataControllerLocateObject(TvxCustomDataController* ADataController) : FDataController(ADataController) {}
  ~TvxDataControllerLocateObject() override;
  // Frees the internal record.
  virtual void Clear();
  // The record found, or -1.
  virtual Integer FindRecordIndex() = 0;
  // Reads the values to look for from the reader into the internal record (made on first use).
  void ReadData(TvxValueDefReader* AValueDefReader);
  Integer InternalRecordIndex() const { return FInternalRecordIndex; }
  TvxCustomDataController* DataController() const { return FDataController; }

 protected:
  TvxCustomDataController* FDataController;
  Integer FInternalRecordIndex = 0;
};

// Finds a record whose values equal the internal record's on the first Level + 1
// grouping levels: by binary search over the record list while the group data is sorted
// by value, else by a scan from the start.
class TvxDataControllerGroupLocateObject : public TvxDataControllerLocateObject {
  DECLARE_CLASS(TvxDataControllerGroupLocateObject, TvxDataControllerLocateObject)
 public:
  explicit TvxDataControllerGroupLocateObject(TvxCustomDataController* ADataController);
  Integer FindRecordIndex() override;
  bool IsGroupDataSorted() const { return FIsGroupDataSorted; }
  Integer Level = 0;

 private:
  bool FIsGroupDataSorted = true;
};

// --- Row info ---------------------------------------------------------------------------

enum TvxDataControllerInfoChange {
  dcicLoad, dcicGrouping, dcicSorting, dcicFocusedRow, dcicView, dcicExpanding, dcicResetFocusedRow,
  dcicSelection, dcicSummary, dcicFocusedRecord
};
using TvxDataControllerInfoChanges = Set<TvxDataControllerInfoChange, 16>;

class TvxDataFocusingInfo : public TObject {
  DECLARE_CLASS(TvxDataFocusingInfo, TObject)
 public:
  explicit TvxDataFocusingInfo(TvxCustomDataControllerInfo* AInfo) : FDataControllerInfo(AInfo) {}
  void Assign(const TvxDataFocusingInfo& ASource);
  void Reset();
  bool IsEqual(const TvxDataFocusingInfo& AOther) const;
  void Reload();
  void UpdateFromRow();
  bool ChangedFlag = false;
  Integer Level = -1;
  bool PrevNewItemRowFocused = false;
  Integer PrevRecordIndex = -1;
  Integer RecordIndex = -1;
  Integer RowIndex = -1;

 private:
  TvxCustomDataControllerInfo* FDataControllerInfo;
};

// Orders the sibling group rows of each grouping level by the values of the level's sorted
// summary item (ascending, or descending with the level's grouping order), keeping each
// group's records and sub-groups with it. A controller whose groups follow their summaries
// names this class (or a descendant) in GetGroupSortingClass; the row info creates one
// after the summaries are calculated and asks it once to sort.
class TvxDataGroupSummarySorter : public TObject {
  DECLARE_CLASS(TvxDataGroupSummarySorter, TObject)
 public:
  // Made through class references: the argument is the row info.
  using TCreateArg = TObject*;
  explicit TvxDataGroupSummarySorter(TObject* ADataControllerInfo);
  virtual void Sort();

 protected:
  // Compares two sibling groups by the summary value at ASummaryIndex.
  virtual Integer CompareGroups(TvxDataGroupInfo* AGroup1, TvxDataGroupInfo* AGroup2, Integer ASummaryIndex);
  TvxCustomDataControllerInfo* FDataControllerInfo;
};

class TvxCustomDataControllerInfo : public TObject {
  DECLARE_CLASS(TvxCustomDataControllerInfo, TObject)
 public:
  explicit TvxCustomDataControllerInfo(TvxCustomDataController* ADataController);
  ~TvxCustomDataControllerInfo() override;
  virtual void CheckSelection();
  virtual void RecalculateRows();

  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  void CheckChanges();
  void CheckRowIndex(Integer ARowIndex) const;
  void Refresh();
  void RefreshFocused();
  void RefreshSummary(bool ARedrawOnly);
  void RefreshView();
  void ExpandingChanged();
  void FocusedRecordChanged(bool AChangedFlag);
  void SelectionChanged();
  void SortingChanged();
  void RemoveField(TvxCustomDataField* AField);
  void UpdateField(TvxCustomDataField* AField);
  void ChangeSortIndex(TvxCustomDataField* AField, Integer ASortIndex);
  void ChangeSorting(TvxCustomDataField* AField, TvxDataSortOrder ASortOrder);
  void ClearSorting(bool AKeepGroupedItems);
  void GroupingChanged();
  void ChangeGrouping(TvxCustomDataField* AField, Integer AGroupIndex);
  void ClearGrouping();
  void ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive);
  void FullCollapse();
  void FullExpand();
  // The ordering of two records at one grouping level.
  Integer CompareGroupRecords(Integer ARecordIndex1, Integer ARecordIndex2, Integer AIndex);
  TvxSortingFieldList* GroupingFieldList() const { return FGroupingFieldList.get(); }
  TvxDataGroups* DataGroups() const { return FDataGroups.get(); }
  // No selected-records summary option is set and some grouping level has a sorted
  // summary item.
  bool IsGroupsSortedBySummary() const;
  // Runs an object of AClass (a group summary sorter) over the group rows.
  void SortGroupsBySummary(TClass AClass);
  bool HasGroups() const { return FDataGroups->LevelCount() > 0; }
  Integer GetNearestRowIndex(Integer ARowIndex);
  Integer GetRowCount() const;
  Integer GetRowIndexByRecordIndex(Integer ARecordIndex, bool AMakeVisible);
  // The row of every record (indexed by record; -1 when filtered out or inside a
  // collapsed group), built in one pass.
  std::vector<Integer> RecordRows() const;
  TvxRowInfo GetRowInfo(Integer ARowIndex);
  void ChangeRowSelection(Integer ARowIndex, bool ASelection);
  // Selects every row of the range (validated, in order) with one merge.
  void SelectRange(Integer AFromRowIndex, Integer AToRowIndex);
  void ClearSelection();
  void ClearSelectionAnchor() { FSelection->AnchorRowIndex = -1; }
  Integer GetSelectedCount() const { return FSelection->Count(); }
  Integer GetSelectedRowIndex(Integer AIndex) const { return FSelection->Items(AIndex).RowIndex; }
  bool IsRowSelected(Integer ARowIndex);
  Integer GetInternalRecordIndex(Integer ARecordListIndex) const {
    return FRecordList.at(static_cast<size_t>(ARecordListIndex));
  }
  // A record-list position whose record equals ARecordIndex on the first ALevelCount
  // grouping levels (the first difference decides), or -1.
  Integer FindRecordListIndexByGroupValues(Integer ARecordIndex, Integer ALevelCount, bool AIsSorted);
  Integer RecordListIndexOf(Integer ARecordIndex) const;
  Integer FilteredRecordCount() const { return static_cast<Integer>(FRecordList.size()); }
  // The ordering of two records by the sorting chain, ties by record index.
  Integer CompareRecords(Integer ARecordIndex1, Integer ARecordIndex2);
  void ChangeFocusedRow(Integer ARowIndex, bool AIgnoreCheck);
  void ResetFocusedRow(Integer ARowIndex);

  Integer FocusedRowIndex() const { return FFocusingInfo->RowIndex; }
  void SetFocusedRowIndex(Integer Value);
  Integer FocusedRecordIndex() const { return FFocusingInfo->RecordIndex; }
  Integer PrevFocusedRowIndex() const { return FPrevFocusingInfo->RowIndex; }
  Integer PrevFocusedRecordIndex() const { return FPrevFocusingInfo->RecordIndex; }
  bool NewItemRowFocusingChanged() const { return FPrevFocusingInfo->ChangedFlag; }
  TvxDataFocusingInfo* FocusingInfo() const { return FFocusingInfo.get(); }
  TvxDataFocusingInfo* PrevFocusingInfo() const { return FPrevFocusingInfo.get(); }
  Integer LockCount() const { return FLockCount; }
  bool InfoCalculation() const { return FInfoCalculation; }
  TvxSortingFieldList* SortingFieldList() const { return FSortingFieldList.get(); }
  TvxDataSelection* Selection() const { return FSelection.get(); }
  // Replaces the (still empty) selection with one of the controller's selection class.
  void SetSelection(std::unique_ptr<TvxDataSelection> ASelection);
  TvxDataControllerInfoChanges Changes() const { return FChanges; }
  TvxCustomDataController* DataController() const { return FDataController; }

  void AddChanges(TvxDataControllerInfoChanges AChanges) { FChanges += AChanges; }

 private:
  friend class TvxDataGroupSummarySorter;
  void LoadRecordList();
  void DoGrouping();
  void SaveExpanding();
  void RestoreExpanding();
  void SyncGroupingOrders();
  void RefocusAfterCollapse();
  void DoFilter();
  void DoSort();
  void QuickSortRecordList(Integer L, Integer R);
  void PrepareCompareFlags();
  void ResetCompareFlags();
  // Copies the value slots of the total list's plainly compared fields into arrays; the
  // keys are released with the compare flags.
  void PrepareSortKeys();
  // Calls AProc for every group in list order with its path of group values and whether
  // its row is shown.
  void WalkGroupPaths(const std::function<void(Integer AIndex, const std::vector<Variant>& APath, bool AVisible)>& AProc);
  // Selected group rows are kept across a recalculation by their group values.
  void SaveSelectedGroups();
  void RestoreSelectedGroups();
  std::vector<TvxCustomDataField*> FSavedSelectedFields;
  std::vector<std::vector<Variant>> FSavedSelectedGroups;
  std::vector<std::vector<TvxCustomDataField::TSortKey>> FSortKeys;
  void CheckFocusing();
  Integer RowOfFocusedRecord() const;
  void NotifyChanges();
  bool CanFocusedRowChanging(Integer ARowIndex);

  TvxDataControllerInfoChanges FChanges;
  TvxCustomDataController* FDataController;
  bool FExpandingFlag = false;
  bool FFocusingFlag = false;
  std::unique_ptr<TvxDataFocusingInfo> FFocusingInfo;
  std::unique_ptr<TvxDataFocusingInfo> FPrevFocusingInfo;
  std::unique_ptr<TvxSortingFieldList> FSortingFieldList;
  std::unique_ptr<TvxSortingFieldList> FGroupingFieldList;
  std::unique_ptr<TvxDataGroups> FDataGroups;
  std::vector<TvxSortingFieldList::TItem> FTotalSortingFieldList;
  std::vector<TvxCustomDataField*> FSavedExpandingFields;
  std::vector<std::vector<Variant>> FSavedExpanded;  // group-value paths of expanded groups
  bool FInCanFocusedRowChanging = false;
  bool FInfoCalculation = false;
  Integer FLockCount = 0;
  std::vector<Integer> FRecordList;
  std::unique_ptr<TvxDataSelection> FSelection;
};

// --- Provider and data source ---------------------------------------------------------------

class TvxCustomDataProvider : public TObject {
  DECLARE_CLASS(TvxCustomDataProvider, TObject)
 public:
  // Made through class references: the argument is the controller.
  using TCreateArg = TPersistent*;
  explicit TvxCustomDataProvider(TPersistent* AController);
  explicit TvxCustomDataProvider(TvxCustomDataController* ADataController);
  ~TvxCustomDataProvider() override;
  virtual void CustomSort();
  virtual bool SupportsCustomDataSource() { return true; }
  virtual bool IsCustomSorting();
  virtual bool IsGridMode() { return false; }
  virtual bool IsExternalSource() { return false; }
  virtual bool IsAuxiliaryMode() { return false; }
  virtual bool IsRecordIdSupported();
  virtual bool IsExternalEditing() { return false; }
  virtual bool HasCustomDataSource() { return FCustomDataSource != nullptr; }
  virtual bool IsFieldsRecreateNeeded() { return false; }
  virtual bool IsChanging() { return FChanging; }
  virtual bool IsEditing() { return FEditingRecordIndex != vxNoEditRecordIndex; }
  virtual bool IsInserting() { return IsEditing() && FInserting; }
  virtual bool IsModified() { return FModified; }
  virtual bool IsImmediateCommit() { return !CanModify(); }
  virtual void RecordAddedHook(Integer ARecordIndex) {}
  virtual bool CanAppend() { return CanModify(); }
  virtual bool CanDelete();
  virtual bool CanInitEditing(Integer ARecordIndex);
  virtual bool CanInsert() { return CanModify(); }
  virtual bool CanModify() { return true; }
  virtual void Append() { DoInsert(true); }
  virtual void Cancel();
  virtual void UpdateEditingData();
  virtual Integer DeleteFocused();
  virtual void DeleteRecords(const std::vector<Integer>& AList);
  virtual void Edit() { EditRecord(); }
  virtual Variant GetEditValue(Integer ARecordIndex, TvxCustomDataField* AField, TvxDataEditValueSource ASource);
  virtual void Insert() { DoInsert(false); }
  virtual void Post(bool AForcePost);
  virtual void PostEditingData();
  virtual bool SetEditValue(Integer ARecordIndex, TvxCustomDataField* AField, TvxDataEditValueSource ASource,
                            const Variant& AValue);
  virtual void SetNewRecordValue(Integer ARecordIndex, TvxCustomDataField* AField, const Variant& AValue);
  virtual void InitNewRecord(Integer ARecordIndex, const std::vector<Variant>& AGroupValues);
  virtual void DoEdit();
  virtual void DoInsert(bool AAppend);
  virtual void ResetChanging() { FChanging = false; }
  virtual void ResetEditing();
  virtual void ResetModified() { FModified = false; }
  virtual void SetChanging() { FChanging = true; }
  virtual void EditRecord() { DoEdit(); }
  virtual void MarkModified() { FModified = true; }
  virtual Integer AppendSourceRecord();
  virtual void DeleteSourceRecord(Integer ARecordIndex);
  virtual String GetSourceDisplayText(Integer ARecordIndex, TvxCustomDataField* AField);
  virtual Variant GetSourceRecordId(Integer ARecordIndex);
  virtual Variant GetSourceValue(Integer ARecordIndex, TvxCustomDataField* AField);
  virtual TvxValueDefReaderClass GetValueDefReaderClass() { return TvxValueDefReader::StaticClass(); }
  virtual Integer InsertSourceRecord(Integer ARecordIndex);
  virtual Integer CompareSourceRecords(Integer ARecordIndex1, Integer ARecordIndex2, TvxCustomDataField* AField);
  virtual Integer CustomCompareRecords(Integer ARecordIndex1, Integer ARecordIndex2, TvxCustomDataField* AField);
  virtual void SetSourceDisplayText(Integer ARecordIndex, TvxCustomDataField* AField, const String& AText) {}
  virtual void SetSourceRecordCount(Integer ACount);
  virtual void SetSourceValue(Integer ARecordIndex, TvxCustomDataField* AField, const Variant& AValue);
  virtual void DataChanged(TvxDataChange AKind, Integer AItemIndex, Integer ARecordIndex);
  virtual bool IsBOF() { return true; }
  virtual bool IsEOF() { return true; }
  virtual bool IsPrepareDeferred() { return false; }
  virtual void First() { FRecreatedFieldsAfterFirst = false; }
  virtual void Prev() {}
  virtual void Next() {}
  virtual void Last() {}
  virtual void MoveBy(Integer ADistance) {}
  virtual void Scroll(Integer ADistance) {}
  virtual void SavePosition() {}
  virtual void RestorePosition() {}
  virtual void BeginDeleting();
  virtual void EndDeleting();
  virtual void DeleteSelection();
  virtual bool SourceDetailHasChildren(Integer ARecordIndex, Integer ARelationIndex);
  virtual String GetGridDisplayText(Integer ARecordIndex, TvxCustomDataField* AField) { return String(); }
  virtual Variant GetGridValue(Integer ARecordIndex, TvxCustomDataField* AField) { return Null(); }
  virtual Integer GetExternalFocusedRecordIndex() { return -1; }
  virtual void LoadGridModeRecords() {}
  virtual void HandleActiveChange(bool AActive);
  virtual void DataScrolled(Integer ADistance);
  virtual void StructureChanged(bool AValue);

  void SetCustomDataSource(TvxCustomDataSource* ASource);
  TvxCustomDataSource* CustomDataSource() const { return FCustomDataSource; }
  void SaveRecordCopy(Integer ARecordIndex);
  void ClearSavedRecordCopy();
  void LoadSourceData();
  void IncLockCount() { ++FLockCount; }
  void DecLockCount() { --FLockCount; }
  Integer LockCount() const { return FLockCount; }
  Integer LocateCount() const { return FLocateCount; }
  Integer EditingRecordIndex() const { return FEditingRecordIndex; }
  void SetEditingRecordIndex(Integer Value) { FEditingRecordIndex = Value; }
  Integer EditingRecordIndex1() const { return FEditingRecordIndex1; }
  Integer EditingRecordIndex2() const { return FEditingRecordIndex2; }
  Integer InsertedRecordIndex() const { return FInsertedRecordIndex; }
  Integer SavedRecordIndex() const { return FSavedRecordIndex; }
  void SetSavedRecordIndex(Integer Value) { FSavedRecordIndex = Value; }
  bool DataChangedLocked() const { return FDataChangedLocked; }
  bool ActiveChanging() const { return FActiveChanging; }
  bool RecreatedFieldsAfterFirst() const { return FRecreatedFieldsAfterFirst; }
  TvxCustomDataController* DataController() const { return FDataController; }

 protected:
  bool FActiveChanging = false;
  bool FChanging = false;
  TvxCustomDataSource* FCustomDataSource = nullptr;
  bool FDataChangedLocked = false;
  TvxCustomDataController* FDataController;
  Integer FEditingRecordIndex = vxNoEditRecordIndex;
  Integer FEditingRecordIndex1 = vxNoEditRecordIndex;
  Integer FEditingRecordIndex2 = vxNoEditRecordIndex;
  Integer FInsertedRecordIndex = -1;
  bool FInUpdateData = false;
  Integer FLocateCount = 0;
  Integer FLockCount = 0;
  bool FModified = false;
  Integer FSavedRecordIndex = 0;
  bool FInserting = false;
  bool FRecreatedFieldsAfterFirst = false;
};
using TvxCustomDataProviderClass = TClass;

using TvxDataRecordHandle = NativeInt;

// A source of records written by the user: the provider reaches its records through
// handles the source chooses.
class TvxCustomDataSource : public TObject {
  DECLARE_CLASS(TvxCustomDataSource, TObject)
 public:
  TvxCustomDataSource() = default;
  ~TvxCustomDataSource() override;
  virtual TvxDataRecordHandle AppendRecordHandle() { return -1; }
  virtual void CustomSort() {}
  virtual void DeleteRecordHandle(TvxDataRecordHandle AHandle) {}
  virtual bool HasChildRecords(Integer ARecordIndex, Integer ARelationIndex) { return false; }
  virtual String GetDisplayTextByHandle(TvxDataRecordHandle AHandle, NativeInt AItemHandle);
  virtual bool GetInfoForCompare(TvxDataRecordHandle AHandle, NativeInt AItemHandle, Pointer& AValuePointer);
  virtual NativeInt GetItemHandle(Integer AItemIndex) { return AItemIndex; }
  virtual Integer GetRecordCount() { return 0; }
  virtual Variant GetRecordId(TvxDataRecordHandle AHandle) { return Null(); }
  virtual TvxDataRecordHandle GetRecordHandleAt(Integer ARecordIndex) { return ARecordIndex; }
  virtual Variant GetValueByHandle(TvxDataRecordHandle AHandle, NativeInt AItemHandle) { return Null(); }
  virtual TvxDataRecordHandle InsertRecordHandle(TvxDataRecordHandle AHandle) { return AppendRecordHandle(); }
  virtual bool IsCustomSorting() { return false; }
  virtual bool IsNativeCompare() { return false; }
  virtual bool IsNativeCompareFunc() { return false; }
  virtual bool IsRecordIdSupported() { return false; }
  virtual void LoadRecordHandles();
  virtual Integer NativeCompareFunc(TvxDataRecordHandle AHandle1, TvxDataRecordHandle AHandle2, NativeInt AItemHandle) {
    return 0;
  }
  virtual void SetRecordCount(Integer ACount) {}
  virtual void SetValueByHandle(TvxDataRecordHandle AHandle, NativeInt AItemHandle, const Variant& AValue) {}
  // Tells every controller that uses the source to reload.
  virtual void DataChanged();

  TvxDataRecordHandle GetRecordHandleByIndex(Integer ARecordIndex);
  Integer GetRecordIndexByHandle(TvxDataRecordHandle ARecordHandle);
  Integer AppendRecordHandle(TvxDataRecordHandle AHandle);
  void AddProvider(TvxCustomDataProvider* AProvider);
  void RemoveProvider(TvxCustomDataProvider* AProvider);
  void DetachProviders();
  TvxCustomDataProvider* Provider() const { return FCurrentProvider ? FCurrentProvider : FProvider; }
  TvxCustomDataController* DataController() const;
  void SetCurrentProvider(TvxCustomDataProvider* AProvider) { FCurrentProvider = AProvider; }

 private:
  TvxCustomDataProvider* FCurrentProvider = nullptr;
  TvxCustomDataProvider* FProvider = nullptr;
  std::vector<TvxCustomDataProvider*> FProviders;
};

// --- Relations and details ---------------------------------------------------------------

// A weak reference to a controller: Ref goes blank when the controller is destroyed.
class TvxDataListenerLink : public TObject {
  DECLARE_CLASS(TvxDataListenerLink, TObject)
 public:
  TvxCustomDataController* Ref = nullptr;
};

class TvxCustomDataRelationList;

// The detail data of one master record for one relation: the detail view's object,
// from which the controller obtains the detail data controller.
class TvxDetailInfoObject : public TObject {
  DECLARE_CLASS(TvxDetailInfoObject, TObject)
 public:
  ~TvxDetailInfoObject() override { delete LinkObject; }
  TObject* LinkObject = nullptr;  // owned
  bool HasChildren = false;
  bool HasChildrenAssigned = false;
};

// One per master record, kept in the record's detail field, which owns it.
class TvxDetailObject : public TObject {
  DECLARE_CLASS(TvxDetailObject, TObject)
 public:
  ~TvxDetailObject() override { Clear(); }
  void Clear();
  void ClearInfoObject(Integer AIndex);
  bool ClearHasChildrenFlag();
  TvxDetailInfoObject* GetInfoObject(Integer AIndex) const;
  void SetInfoObject(Integer AIndex, TvxDetailInfoObject* AInfo);
  TObject* GetLinkObject(Integer AIndex) const;
  void SetLinkObject(Integer AIndex, TObject* AObject);
  Integer InfoObjectCount() const { return static_cast<Integer>(FInfoObjects.size()); }
  Integer LinkObjectCount() const { return InfoObjectCount(); }
  bool IsEmpty() const;
  Integer ActiveRelationIndex = -1;
  bool Expanded = false;

 private:
  friend class TvxCustomDataRelationList;
  std::vector<TvxDetailInfoObject*> FInfoObjects;  // owned; a slot may be nil
};

class TvxCustomDataRelation : public TObject {
  DECLARE_CLASS(TvxCustomDataRelation, TObject)
 public:
  TvxCustomDataRelation(TvxCustomDataRelationList* ARelationList, TObject* AItem);
  ~TvxCustomDataRelation() override;
  virtual void RemoveDataField(TvxCustomDataField* AField) {}
  virtual void Assign(TvxCustomDataRelation* ASource) {}
  TvxCustomDataController* DataController() const;
  // The pattern controller of the relation's details; it goes blank when that controller
  // is destroyed.
  TvxCustomDataController* DetailDataController() const;
  void SetDetailDataController(TvxCustomDataController* Value);
  Integer Index() const;
  TObject* Item() const { return FItem; }
  TvxCustomDataRelationList* RelationList() const { return FRelationList; }

 private:
  friend class TvxCustomDataRelationList;
  TvxDataListenerLink* FDetailLink = nullptr;  // owned; a weak reference to the pattern
  TObject* FItem;
  TvxCustomDataRelationList* FRelationList = nullptr;
};

class TvxCustomDataRelationList : public TObject {
  DECLARE_CLASS(TvxCustomDataRelationList, TObject)
 public:
  explicit TvxCustomDataRelationList(TvxCustomDataController* ADataController) : FDataController(ADataController) {}
  ~TvxCustomDataRelationList() override;
  TvxCustomDataRelation* Add(TObject* AItem);
  void Assign(TvxCustomDataRelationList* ASource);
  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  void Clear();
  TvxCustomDataRelation* FindByItem(TObject* AItem) const;
  void RemoveByItem(TObject* AItem);
  void Move(Integer ACurIndex, Integer ANewIndex);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxCustomDataRelation* GetItem(Integer AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  Integer IndexOf(const TvxCustomDataRelation* ARelation) const;
  TvxDetailObject* GetDetailObject(Integer ARecordIndex);
  bool ClearDetailObject(Integer ARecordIndex, Integer ARelationIndex);
  bool IsDetailObjectExist(Integer ARecordIndex, Integer ARelationIndex);
  bool IsEmpty() const;
  void RemoveDataField(TvxCustomDataField* AField);
  TvxCustomDataField* DataField() const { return FDataField; }
  TvxCustomDataController* DataController() const { return FDataController; }
  // The record's detail object as stored, without creating or dropping one.
  TvxDetailObject* GetStoredDetailObject(Integer ARecordIndex);

 private:
  friend class TvxCustomDataRelation;
  void AddRelation(TvxCustomDataRelation* ARelation);
  void RemoveRelation(TvxCustomDataRelation* ARelation);
  void Changed(TvxCustomDataRelation* ARelation);
  void CheckDetailObject(TvxDetailObject* AObject);
  TvxCustomDataController* FDataController;
  TvxCustomDataField* FDataField = nullptr;  // an internal field of the controller
  std::vector<TvxCustomDataRelation*> FItems;  // owned
  Integer FLockCount = 0;
};

// --- The controller -----------------------------------------------------------------------

using TvxDataControllerNotifyEvent = std::function<void(TvxCustomDataController* ADataController)>;
using TvxDataDetailExpandedEvent = std::function<void(TvxCustomDataController* ADataController, Integer ARecordIndex)>;
using TvxDataDetailExpandingEvent =
    std::function<void(TvxCustomDataController* ADataController, Integer ARecordIndex, bool& AAllow)>;
using TvxDataFilterRecordEvent =
    std::function<void(TvxCustomDataController* ADataController, Integer ARecordIndex, bool& Accept)>;
using TvxDataControllerCompareEvent =
    std::function<void(TvxCustomDataController* ADataController, Integer ARecordIndex1, Integer ARecordIndex2,
                       Integer AItemIndex, const Variant& V1, const Variant& V2, Integer& Compare)>;
using TvxDataRecordChangedEvent =
    std::function<void(TvxCustomDataController* ADataController, Integer ARecordIndex, Integer AItemIndex)>;
using TvxUpdateControlEvent = std::function<void(TvxUpdateControlInfo* AInfo)>;


class TvxCustomDataController : public TPersistent {
  DECLARE_CLASS(TvxCustomDataController, TPersistent)
 public:
  explicit TvxCustomDataController(TComponent* AOwner);
  ~TvxCustomDataController() override;
  TPersistent* GetOwner() override { return FOwner; }
  // The second phase of creation: the collaborators are made again from the class hooks
  // (GetFilterCriteriaClass, GetSearchClass, GetSummaryClass, GetDataProviderClass,
  // GetDataSelectionClass) wherever a descendant names another class than the base's.
  // Code that creates a controller through its class reference runs it; a descendant
  // constructed directly calls it once after construction.
  void AfterConstruction() override;
  void BeforeDestruction() override { FDestroying = true; }

  // Overridable operations.
  void Assign(TPersistent* Source) override;
  virtual TvxCustomDataField* AddInternalField();
  virtual TvxCustomDataField* CreateItemField();
  virtual void PostEditingIfNeeded();
  virtual Integer GetFocusedEditRecordIndex();
  virtual bool CanFocusRecord(Integer ARecordIndex);
  virtual bool CanSelectRow(Integer ARowIndex) { return true; }
  virtual void CheckBookmarkValid(Integer ARecordIndex);
  virtual void AfterFocusedRecordChanged() {}
  virtual void CheckProviderEditing(Integer ARecordIndex);
  virtual bool CanChangeFocusedRow() { return true; }
  virtual void CopyRecordValues(Integer AFromRecordIndex, Integer AToRecordIndex);
  virtual void BeforeNotifyChanges() {}
  virtual void DoAfterCancel();
  virtual void DoAfterDelete();
  virtual void DoAfterInsert();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoBeforeDelete(Integer ARecordIndex);
  virtual void DoBeforeInsert();
  virtual void DoBeforePost();
  virtual bool DoFilterRecord(Integer ARecordIndex);
  virtual bool HasFilterRecordHandler() { return static_cast<bool>(FOnFilterRecord); }
  virtual void DoNewRecord(Integer ARecordIndex);
  virtual void NotifyDataChanged();
  virtual void RecordAdded(Integer ARecordIndex);
  virtual TObject* FindItemByID(Integer AID);
  virtual TObject* FindItemByName(const String& AName);
  virtual Integer GetCurrentRecordIndex() { return GetFocusedRecordIndex(); }
  virtual TvxCustomDataProviderClass GetDataProviderClass() { return TvxCustomDataProvider::StaticClass(); }
  virtual TClass GetDataSelectionClass() { return TvxDataSelection::StaticClass(); }
  virtual TvxCustomDataFieldClass FieldClass() { return TvxCustomDataField::StaticClass(); }
  // A new field of FieldClass for the field list (not yet added to it).
  virtual TvxCustomDataField* NewField() { return new TvxCustomDataField(FFields.get()); }
  virtual TClass GetFilterCriteriaClass() { return TvxDataFilterCriteria::StaticClass(); }
  virtual TClass GetSearchClass() { return TvxDataControllerSearch::StaticClass(); }
  virtual TClass GetSummaryClass() { return TvxDataSummary::StaticClass(); }
  virtual TClass GetSummaryItemClass() { return TvxDataSummaryItem::StaticClass(); }
  virtual TClass GetSummaryGroupItemLinkClass() { return TvxDataSummaryGroupItemLink::StaticClass(); }
  virtual String GetFieldDisplayText(Integer ARecordIndex, TvxCustomDataField* AField);
  // MatchSearchText over the field's display text; a text the storage holds whole is
  // compared where it lies instead of being copied per record.
  bool MatchFieldDisplayText(Integer ARecordIndex, TvxCustomDataField* AField, const String& AText, bool APartial);
  // The same with the field's storage definition found once for many records
  // (StoredTextDef): nullptr reads every text through GetFieldDisplayText.
  bool MatchFieldDisplayText(Integer ARecordIndex, TvxCustomDataField* AField, TvxValueDef* AStoredDef,
                             const String& AText, bool APartial);
  // The definition whose storage holds the field's texts for the records of the record
  // list, nullptr when a data source gives them.
  TvxValueDef* StoredTextDef(TvxCustomDataField* AField);
  virtual Integer GetItemID(TObject* AItem) { return -1; }
  virtual String QueryItemName(TObject* AItem);
  virtual Variant GetRecordKeyValue(Integer ARecordIndex, const std::vector<TvxCustomDataField*>& AFields);
  virtual Variant GetFieldValue(Integer ARecordIndex, TvxCustomDataField* AField);
  virtual void LoadKeyFields(std::vector<TvxCustomDataField*>& AList) {}
  virtual Integer GetFocusingRecordIndex();
  virtual bool IsBookmarkInvalidated(Integer ARecordIndex);
  virtual void ResetBookmark() { FBookmarkRecordIndex = -1; }
  virtual bool IsProviderField(TvxCustomDataField* AField);
  virtual bool IsDestroying();
  virtual bool IsSingleSelection() { return !FMultiSelect; }
  virtual bool IsImmediatePost();
  virtual bool IsRecordIdSupported();
  virtual bool IsLoading();
  virtual bool NeedsFieldUpdate();
  virtual bool IsProviderMode();
  virtual bool IsSmartLoad() { return false; }
  virtual bool IsRecordKeyMode() { return false; }
  virtual bool IsUnboundMode();
  virtual void LoadStorage();
  virtual void PrepareField(TvxCustomDataField* AField) {}
  virtual void ComponentRemoved(TComponent* AComponent);
  virtual void RecreateData();
  virtual void StorageLoaded() {}
  virtual void PrepareFields();
  virtual void CheckFocusedRecord();
  virtual bool NeedsRecordIds() { return false; }
  virtual void InternalRecordsCleared();
  virtual void RemoveFieldReferences(TvxCustomDataField* AField);
  virtual void FilterChanged();
  virtual void SetActive(bool AValue);
  virtual void DataChanged(TvxDataChange AKind, Integer AItemIndex, Integer ARecordIndex);
  virtual void UpdateFields();
  virtual void FocusedRowChanging(Integer ARowIndex) {}
  virtual void ValueTypeClassChanged(Integer AItemIndex) {}
  virtual void UpdateControl(TvxUpdateControlInfo* AInfo);
  virtual Integer CompareRecordsByField(Integer ARecordIndex1, Integer ARecordIndex2, TvxCustomDataField* AField);
  virtual Integer CompareEqualRecords(Integer ARecordIndex1, Integer ARecordIndex2) {
    return ARecordIndex1 - ARecordIndex2;
  }
  virtual Variant GetCompareValue(Integer ARecordIndex, TvxCustomDataField* AField);
  virtual bool NeedsSpecialCompare(TvxCustomDataField* AField);
  virtual bool IsTextCompareByOptions(TvxCustomDataField* AField);
  virtual bool IsSortByDisplayText(TvxCustomDataField* AField);
  virtual bool GetItemSortByDisplayText(Integer AItemIndex, bool ADefaultSortByDisplayText) { return false; }
  bool GetFilterValueListSortByDisplayText(Integer AItemIndex);
  virtual Integer AppendRecordFromReader(TvxValueDefReader* AReader);
  // Appends a record while the control loads its records itself (IsSmartLoad).
  Integer SmartLoadAppendRecord();
  // Deletes a record while the control loads its records itself (IsSmartLoad).
  void SmartLoadDeleteRecord(Integer ARecordIndex);
  // A record-list position whose record equals the internal record ARecordIndex on the
  // first ALevelCount grouping levels, or -1: a binary search when AIsSorted, else a scan.
  Integer FindRecordByGroupValues(Integer ARecordIndex, Integer ALevelCount, bool AIsSorted);
  // A reader of the provider's reader class (the base reader when that class makes none).
  std::unique_ptr<TvxValueDefReader> NewValueDefReader();
  virtual TvxCustomDataField* AddItem(TObject* AItem);
  virtual bool ItemPropertiesChanged(Integer AItemIndex);
  virtual void Loaded();
  virtual void RemoveItem(TObject* AItem);
  virtual void UpdateItemIndexes();
  virtual void ChangeNeedConversion(Integer AItemIndex, bool ANeedConversion);
  virtual void ChangeTextStored(Integer AItemIndex, bool ATextStored);
  virtual void ChangeValueTypeClass(Integer AItemIndex, TvxValueTypeClass AValueTypeClass);
  virtual TObject* GetItem(Integer Index) = 0;
  virtual Integer GetItemCount();
  virtual bool GetItemNeedConversion(Integer AItemIndex) { return false; }
  virtual bool GetItemTextStored(Integer AItemIndex);
  virtual Variant GetGroupValue(Integer ARecordIndex, TvxCustomDataField* AField) { return GetFieldValue(ARecordIndex, AField); }
  virtual std::vector<Variant> GetGroupValues(Integer ARecordIndex);
  virtual String GetDisplayText(Integer ARecordIndex, Integer AItemIndex);
  virtual Integer GetRecordCount();
  virtual Variant GetRecordId(Integer ARecordIndex);
  virtual Variant GetValue(Integer ARecordIndex, Integer AItemIndex);
  virtual void Refresh();
  virtual void SetDisplayText(Integer ARecordIndex, Integer AItemIndex, const String& Value);
  virtual void SetRecordCount(Integer Value);
  virtual void SetValue(Integer ARecordIndex, Integer AItemIndex, const Variant& Value);
  virtual void Append();
  virtual void Cancel();
  virtual void CheckBrowseMode() {}
  virtual void DeleteFocused();
  virtual void Edit();
  virtual Variant GetEditValue(Integer AItemIndex, TvxDataEditValueSource AEditValueSource);
  virtual TvxDataEditValueSource GetItemValueSource(Integer AItemIndex) { return evsText; }
  virtual void Insert();
  virtual void Post(bool AForcePost = false);
  virtual void PostEditingData();
  virtual bool SetEditValue(Integer AItemIndex, const Variant& AValue, TvxDataEditValueSource AEditValueSource);
  virtual void UpdateData() {}
  virtual Integer GetEditingRecordIndex();
  virtual Integer GetNewItemRecordIndex();

  virtual bool CanChangeDetailExpanding(Integer ARecordIndex, bool AExpanded);
  virtual bool CheckDetailsBrowseMode();
  virtual void ShiftDetailsAfterInsert(Integer ARecordIndex);
  virtual void ShiftDetailsAfterDelete(Integer ARecordIndex);
  virtual void DoDetailExpanding(Integer ARecordIndex, bool& AAllow);
  virtual void DoDetailExpanded(Integer ARecordIndex);
  virtual void DoDetailCollapsing(Integer ARecordIndex, bool& AAllow);
  virtual void DoDetailCollapsed(Integer ARecordIndex);
  virtual Integer GridModeFindByText(const String& AText, bool AForward, bool ANext) { return 0; }
  virtual TObject* FindItemByItem(TObject* AItem) { return FindItemByID(GetItemID(AItem)); }
  virtual String GetSearchDisplayText(Integer ARecordIndex, Integer AItemIndex) {
    return GetDisplayText(ARecordIndex, AItemIndex);
  }
  virtual String GetFilterDisplayText(Integer ARecordIndex, Integer AItemIndex) {
    return GetDisplayText(ARecordIndex, AItemIndex);
  }
  virtual Variant GetFilterDataValue(Integer ARecordIndex, TvxCustomDataField* AField) {
    return GetFieldValue(ARecordIndex, AField);
  }
  // GetFilterDataValue without a variant, for a stored number or text (see
  // TvxFilterPeekedValue); False has the filter call GetFilterDataValue. A controller that
  // gives filter values of its own by overriding GetFilterDataValue overrides this too.
  virtual bool PeekFilterDataValue(Integer ARecordIndex, TvxCustomDataField* AField, TvxFilterPeekedValue& AValue);
  virtual String GetFilterItemFieldCaption(TObject* AItem) { return String(); }
  virtual String GetFilterItemFieldName(TObject* AItem) { return GetFilterItemFieldCaption(AItem); }
  virtual void BeginReadRecords();
  virtual void EndReadRecords();
  virtual void BeginLocateRead() {}
  virtual void EndLocateRead() {}
  virtual TClass GetGroupSortingClass() { return nullptr; }
  // A new filter of GetFilterCriteriaClass, listed with the controller's filters; the
  // caller owns it.
  virtual std::unique_ptr<TvxDataFilterCriteria> CreateFilter();
  virtual bool ExecuteAction(TBasicAction* Action) { return false; }
  virtual bool UpdateAction(TBasicAction* Action) { return false; }
  virtual void FocusControl(Integer AItemIndex, bool& Done) { Done = false; }
  virtual void RefreshExternalData() {}
  virtual void RestoreDataSetPos() {}
  virtual void SaveDataSetPos() {}
  virtual void SetFocus() {}
  virtual bool IsDisplayFormatDefined(Integer AItemIndex, bool AIgnoreSimpleCurrency) {
    return GetItemTextStored(AItemIndex);
  }
  virtual void StorageLoadedHook() {}
  virtual bool IsDetailFocusSyncNeeded() { return false; }
  virtual void DataScrolled() { CheckFocusedRecord(); }
  virtual void SummaryChanged(bool ARedrawOnly) { FDataControllerInfo->RefreshSummary(ARedrawOnly); }
  virtual void CustomDataSourceChanged() {}
  virtual bool IsGridStructureChanged() { return FProvider->IsGridMode() && FStructureChanged; }
  void LockGridModeNotify() { ++FLockGridModeNotifyCount; }
  void UnlockGridModeNotify() { --FLockGridModeNotifyCount; }
  bool IsDataLoading() const { return FProvider->LockCount() > 0; }
  // Deletes the records of the list (sorted, duplicates removed) through the provider.
  void DeleteRecordList(std::vector<Integer> AList);
  void DeleteSelection();

  // Update brackets.
  void BeginUpdate();
  void EndUpdate();
  void BeginFullUpdate() { BeginUpdate(); }
  void EndFullUpdate() { EndUpdate(); }
  void BeginUpdateFields() { ++FLockUpdateFieldsCount; }
  void EndUpdateFields();
  void LockDataChangedNotify() { ++FDataChangedLockCount; }
  void UnlockDataChangedNotify() { --FDataChangedLockCount; }
  bool DataChangedNotifyLocked() const { return FDataChangedLockCount > 0; }
  void SaveKeys();
  void RestoreKeys();
  void Change(TvxDataControllerChanges AChanges);
  Integer LockCount() const;
  bool IsRowInfoValid() const;

  // Items and fields.
  void UpdateItems(bool AUpdateFields);
  void UpdateStructure(bool AUpdateFields);
  TvxValueTypeClass GetItemValueTypeClass(Integer AItemIndex);
  TvxCustomDataField* GetItemField(Integer AItemIndex);
  void CheckItemRange(Integer AItemIndex);
  void CheckRecordRange(Integer ARecordIndex);

  // Records.
  Integer RecordCount() { return GetRecordCount(); }
  Integer AppendRecord();
  Integer InsertRecord(Integer ARecordIndex);
  void DeleteRecord(Integer ARecordIndex);
  // Deletes the listed records (ascending, no repeats) as DeleteRecord would one by one
  // from the last to the first, but moves the storage and the stored indexes once.
  void DeleteRecordsInOnePass(const std::vector<Integer>& AList);
  Integer FilteredRecordCount() const;
  bool IsNewItemRecord(Integer ARecordIndex) const;

  // Rows, focus and selection.
  Integer RowCount() const;
  TvxRowInfo GetRowInfo(Integer ARowIndex);
  Integer GetRowIndexByRecordIndex(Integer ARecordIndex, bool AMakeVisible);
  Integer GetNearestRowIndex(Integer ARowIndex);
  Variant GetRowValue(const TvxRowInfo& ARowInfo, Integer AItemIndex);
  String GetRowDisplayText(const TvxRowInfo& ARowInfo, Integer& AItemIndex);
  Integer MakeRecordVisible(Integer ARecordIndex) { return GetRowIndexByRecordIndex(ARecordIndex, true); }
  Variant GetRowId(Integer ARowIndex) { return Variant(static_cast<int>(ARowIndex)); }
  Integer GetFocusedRowIndex() const;
  void SetFocusedRowIndex(Integer Value);
  void ChangeFocusedRowIndex(Integer ARowIndex) { SetFocusedRowIndex(ARowIndex); }
  Integer GetFocusedRecordIndex() const;
  void ChangeFocusedRecordIndex(Integer ARecordIndex);
  bool FocusSelectedRow(Integer ASelectedIndex);
  void FocusNearestRecord();
  Integer GetSelectedCount() const;
  Integer GetSelectedRowIndex(Integer AIndex) const;
  bool IsRowSelected(Integer ARowIndex);
  void ChangeRowSelection(Integer ARowIndex, bool ASelection);
  void ClearSelection();
  void SyncSelected(bool ASelected);
  void SyncSelectionFocusedRecord();
  void CheckSelectionAndBookmark(Integer ARecordIndex);
  void UpdatePrevSelectionInfo();
  bool NewItemRowFocused() const { return FNewItemRowFocused; }
  void SetNewItemRowFocused(bool Value);
  bool UseNewItemRowForEditing() const { return FUseNewItemRowForEditing; }
  void SetUseNewItemRowForEditing(bool Value) { FUseNewItemRowForEditing = Value; }
  bool IsEditing();
  // Edit state and the edit operations the provider allows now.
  virtual TvxDataControllerEditState QueryEditState();
  virtual TvxDataControllerEditOperations QueryEditOperations();
  // Navigation: rows are clipped, never refused.
  void CheckFocusedRow();
  void GotoFirst();
  void GotoLast();
  void GotoNext();
  void GotoPrev();
  void MoveBy(Integer ADistance);
  void Scroll(Integer ADistance);
  bool IsBOF();
  bool IsEOF();
  bool IsGridMode() { return FProvider->IsGridMode(); }
  // Selection ranges and the anchor the next range starts from (multiple selection).
  void SelectRows(Integer AStartRowIndex, Integer AEndRowIndex);
  virtual void SelectAll();
  virtual void SetSelectionAnchor(Integer ARowIndex);
  virtual void ClearSelectionAnchor();
  virtual Integer GetSelectionAnchorRowIndex();
  virtual bool IsSelectionAnchorExist();
  virtual void SelectFromAnchor(Integer ARowIndex, bool AKeepSelection);
  void CheckFocusedSelected();
  virtual void ForEachRow(bool ASelectedRows, const std::function<void(Integer ARowIndex, const TvxRowInfo& ARowInfo)>& AProc);
  bool IsBookmarkAvailable() const { return FBookmarkRecordIndex != -1; }
  Integer BookmarkRecordIndex() const { return FBookmarkRecordIndex; }
  void SaveBookmark();
  void GotoBookmark();
  void ClearBookmark();
  bool StoreBookmark();
  Integer NearestRecordIndex() const { return FNearestRecordIndex; }
  void SetNearestRecordIndex(Integer Value) { FNearestRecordIndex = Value; }

  // Sorting.
  void ChangeSorting(Integer AItemIndex, TvxDataSortOrder ASortOrder);
  void ChangeItemSortingIndex(Integer AItemIndex, Integer ASortingIndex);
  void ClearSorting(bool AKeepGroupedItems = false);
  TvxDataSortOrder GetItemSortOrder(Integer AItemIndex);
  Integer GetItemSortingIndex(Integer AItemIndex);
  Integer GetSortingItemCount() const;
  Integer GetSortingItemIndex(Integer AIndex) const;
  void SortByDisplayTextChanged() { Refresh(); }
  Integer SortingBySummaryDataItemIndex() const;
  void SetSortingBySummaryDataItemIndex(Integer Value);
  bool SortingBySummaryChangedFlag() const { return FSortingBySummaryChanged; }
  // A summary item's order of the group rows changed.
  void SortingBySummaryChanged();
  Integer CompareTextByOptions(const Variant& V1, const Variant& V2);

  // Incremental filter and finding by text.
  // Filters by the beginning of the item's display text; answers the first record left,
  // or -1.
  Integer SetIncrementalFilter(Integer AItemIndex, const String& AText);
  bool ChangeIncrementalFilterText(const String& AText);
  void ResetIncrementalFilter();
  bool IsIncrementalFilter() const { return FIncrementalFilterField && !FIncrementalFilterText.empty(); }
  const String& GetIncrementalFilterText() const { return FIncrementalFilterText; }
  TvxCustomDataField* IncrementalFilterField() const { return FIncrementalFilterField; }
  virtual bool MatchesIncrementalFilter(Integer ARecordIndex);
  // AStartRecordIndex is a position in the filtered record list; answers a record index.
  Integer FindRecordIndexByText(Integer AStartRecordIndex, Integer AItemIndex, const String& AText,
                                bool APartialCompare, bool ACircular, bool AForward);

  // The "DataController1" stream of all records.
  void SaveToStream(TStream* AStream);
  void LoadFromStream(TStream* AStream);

  // Master and detail.
  TvxDataControllerDetailMode DetailMode() const;
  bool IsPattern() const { return DetailMode() == dcdmPattern; }
  void SetIsPattern(bool Value);
  bool IsDetailMode() const { return FMasterRelation != nullptr; }
  void SetMasterMode(TvxCustomDataRelation* AMasterRelation, bool AIsPattern);
  void SetMasterRelation(TvxCustomDataRelation* AMasterRelation, Integer AMasterRecordIndex);
  TvxCustomDataController* GetMasterDataController() const;
  Integer GetMasterRecordIndex() const { return FMasterRecordIndex; }
  TvxCustomDataRelation* GetMasterRelation() const { return FMasterRelation; }
  TvxCustomDataController* GetPatternDataController();
  TvxCustomDataController* GetRootDataController();
  TvxCustomDataController* GetDetailDataController(Integer ARecordIndex, Integer ARelationIndex);
  TObject* GetDetailLinkObject(Integer ARecordIndex, Integer ARelationIndex);
  bool IsDetailDataControllerExist(Integer ARecordIndex, Integer ARelationIndex);
  bool GetDetailExpanding(Integer ARecordIndex);
  bool ChangeDetailExpanding(Integer ARecordIndex, bool AExpanded);
  Integer GetDetailActiveRelationIndex(Integer ARecordIndex);
  void ChangeDetailActiveRelationIndex(Integer ARecordIndex, Integer ARelationIndex);
  void ClearDetailLinkObject(Integer ARecordIndex, Integer ARelationIndex);
  void ClearDetails();
  void CollapseDetails();
  void ForEachDetail(TvxCustomDataRelation* AMasterRelation,
                     const std::function<void(TvxCustomDataController*)>& AProc);
  bool GetDetailHasChildren(Integer ARecordIndex, Integer ARelationIndex);
  void ResetHasChildrenFlag();
  void FocusDetails(Integer ARecordIndex);
  void ResetRelationByItem(TObject* AItem);
  void AddDataChangeRefCount();
  void RemoveDataChangeRefCount();
  // The detail view's object of a master record and the controller it carries; the base
  // makes none (a control that shows details supplies them).
  virtual TObject* CreateDetailLinkObject(TvxCustomDataRelation* ARelation, Integer ARecordIndex) { return nullptr; }
  virtual TvxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) { return nullptr; }
  virtual bool IsExternalDataMode() { return IsProviderMode(); }
  // The detail controllers of a relation that goes away forget their master relation.
  void ReleaseDetailsOf(TvxCustomDataRelation* ARelation);
  // The master relation goes with a master that is being destroyed.
  void ForgetMasterRelation() {
    FMasterRelation = nullptr;
    FMasterRecordIndex = -1;
  }

  // Listeners.
  void AddDataChangedListener(TObject* AInstance, const TNotifyEvent& ADataChangedEvent);
  void RemoveDataChangedListener(TObject* AInstance);
  TvxDataListenerLink* AddListenerLink();
  void RemoveListenerLink(TvxDataListenerLink* ALink);

  // Properties.
  bool Active() const { return FActive; }
  TComponent* Owner() const { return FOwner; }
  TvxDataControllerOptions Options() const { return FOptions; }
  void SetOptions(TvxDataControllerOptions Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  TvxCustomDataSource* CustomDataSource() const;
  void SetCustomDataSource(TvxCustomDataSource* Value);
  void SetOnFilterRecord(const TvxDataFilterRecordEvent& Value);
  TvxDataStorage* DataStorage() const { return FDataStorage.get(); }
  // The internal field that keeps each record's data-source handle (provider mode).
  TvxCustomDataField* RecordHandlesField() const { return FRecordHandlesField; }
  TvxCustomDataFieldList* Fields() const { return FFields.get(); }
  TvxCustomDataProvider* Provider() const { return FProvider.get(); }
  TvxCustomDataControllerInfo* DataControllerInfo() const { return FDataControllerInfo.get(); }
  TvxDataControllerSearch* Search() const { return FSearch.get(); }
  TvxDataFilterCriteria* Filter() const { return FFilter.get(); }
  TvxDataSummary* Summary() const { return FSummary.get(); }
  TvxDataControllerGroups* Groups() const { return FGroups.get(); }
  TvxDataFilterList* Filters() const { return FFilters.get(); }
  // The master/detail relations, created on first use.
  TvxCustomDataRelationList* Relations();
  virtual void RelationChanged(TvxCustomDataRelation* ARelation);
  virtual Integer GetDefaultActiveRelationIndex() { return 0; }
  bool Destroying() const { return FDestroying; }
  bool InNotifyControl() const { return FInNotifyControl; }
  bool InDeleteSelection() const { return FInDeleteSelection; }
  // Keys are saved: the selection waits for RestoreKeys to find its records again.
  bool KeysSaved() const { return FSaveObjectLockCount > 0; }
  bool IncrementalSearching() const { return FIncrementalSearching; }
  const String& IncrementalSearchText() const { return FIncrementalSearchText; }
  TvxCustomDataField* IncrementalSearchField() const { return FIncrementalSearchField; }
  void SetIncrementalSearchState(bool ASearching, const String& AText) {
    FIncrementalSearching = ASearching;
    FIncrementalSearchText = AText;
  }
  void SetIncrementalSearchField(TvxCustomDataField* AField) { FIncrementalSearchField = AField; }
  bool GroupingChangedFlag() const { return FGroupingChanged; }
  void SetGroupingChangedFlag() { FGroupingChanged = true; }
  bool SortingChangedFlag() const { return FSortingChanged; }
  bool FilterChangedFlag() const { return FFilterChanged; }
  bool CheckFocusingAfterFilterNeeded() const { return FCheckFocusingAfterFilterNeeded; }
  bool LoadedStorageFlag() const { return FLoadedStorage; }
  void ClearNotifyFlags();
  void ClearLoadedStorageFlag() { FLoadedStorage = false; }
  void ConvertFilterCheckToChanged();
  // Tells the control that the groups are about to be rebuilt.
  void NotifyGroupingChanging();
  void SetSortingChangedFlag() { FSortingChanged = true; }

  TvxDataControllerNotifyEvent OnAfterCancel, OnAfterDelete, OnAfterInsert, OnAfterPost, OnBeforeCancel;
  TvxDataDetailExpandedEvent OnBeforeDelete;
  TvxDataControllerNotifyEvent OnBeforeInsert, OnBeforePost;
  TvxDataDetailExpandingEvent OnDetailExpanding, OnDetailCollapsing;
  TvxDataDetailExpandedEvent OnDetailExpanded, OnDetailCollapsed;
  TvxDataDetailExpandedEvent OnNewRecord;
  TvxDataControllerCompareEvent OnCompare;
  TNotifyEvent OnDataChanged;
  TNotifyEvent OnGroupingChanged, OnSortingChanged;
  TvxDataRecordChangedEvent OnRecordChanged;
  TvxUpdateControlEvent OnUpdateControl;
  const TvxDataFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }

 protected:
  void CheckChanges();
  void DispatchChanges();
  void NotifyControl(std::unique_ptr<TvxUpdateControlInfo> AInfo);
  void NotifyDataChange();
  void NotifyFocusChanged();
  void NotifySelectionChanged();
  void LoadRecordsFromProvider();
  bool UsesRecordIds() { return IsUnboundMode() && NeedsRecordIds(); }
  void ShiftRecordIndexesAfterDelete(Integer ARecordIndex);
  // Moves the master record index of the detail controllers of the records from
  // AFromRecordIndex on by ADelta.
  void ShiftDetailMasterIndexes(Integer AFromRecordIndex, Integer ADelta);
  // Gives every kept record's detail controllers the master index AMoved(old index).
  void MoveDetailMasterIndexes(const std::function<Integer(Integer)>& AMoved);

 private:
  friend class TvxCustomDataProvider;
  friend class TvxCustomDataControllerInfo;
  friend class TvxDataSummary;
  friend class TvxDataControllerGroupLocateObject;
  struct TListenerEntry {
    TObject* Instance;
    TNotifyEvent Event;
  };

  bool FActive = false;
  Integer FBookmarkRecordIndex = -1;
  bool FDataChangedFlag = false;
  bool FAfterSummaryFlag = false;  // the summary's after-summary step waits for Loaded
  Integer FDataChangedLockCount = 0;
  TvxDataControllerChanges FChanges;
  bool FCheckFocusingAfterFilterNeeded = false;
  std::vector<TListenerEntry> FDataChangedListeners;
  bool FDataChangePending = false;  // FDataChangeInfo holds a change not yet reported
  bool FDestroying = false;
  bool FGroupingChanged = false;
  bool FLoadedStorage = false;
  bool FFilterChanged = false;
  bool FFocusedSelected = true;
  TvxCustomDataField* FIncrementalSearchField = nullptr;
  bool FIncrementalSearching = false;
  String FIncrementalSearchText;
  bool FInLoadStorage = false;
  bool FInSmartLoad = false;
  bool FInternalFindRecord = false;  // a locate object searches: no field sorts by display text
  bool FInNotifyControl = false;
  bool FInOnSortingChanged = false;
  Integer FLockUpdateFieldsCount = 0;
  bool FUpdateFieldsFlag = false;
  Integer FNewItemRecordIndex = 0;
  bool FNewItemRowFocused = false;
  bool FMultiSelect = false;
  TvxDataControllerOptions FOptions = vxDefaultDataControllerOptions;
  TComponent* FOwner;
  TvxDataSelectionChangedInfo FPrevSelectionChangedInfo, FSelectionChangedInfo;
  TvxCustomDataField* FRecordHandlesField = nullptr;
  std::unique_ptr<TvxSaveObject> FSaveObject;
  Integer FSaveObjectLockCount = 0;
  bool FSortingChanged = false;
  bool FStructureChanged = false;
  bool FStructureRecreated = false;
  bool FUpdateItems = false;
  bool FUseNewItemRowForEditing = false;
  TvxDataChangeInfo FDataChangeInfo;
  Integer FNearestRecordIndex = -1;
  TvxDataFilterRecordEvent FOnFilterRecord;
  TvxCustomDataField* FIncrementalFilterField = nullptr;
  String FIncrementalFilterText;
  bool FSortingBySummaryChanged = false;
  TvxCustomDataField* FSortingBySummaryDataItemField = nullptr;
  TvxCustomDataRelation* FMasterRelation = nullptr;
  Integer FMasterRecordIndex = -1;
  bool FIsPattern = false;
  bool FIsPatternSave = false;
  Integer FDataChangeRefCount = 0;
  TvxCustomDataController* FCreatingDataController = nullptr;
  bool FCreatingLinkObject = false;
  bool FRecreatingLinkObject = false;
  bool FIsDetailExpanding = false;
  bool FInFocusDetails = false;
  std::vector<TvxDataListenerLink*> FListenerLinks;
  Integer FLockGridModeNotifyCount = 0;
  bool FInDeleteSelection = false;

  std::unique_ptr<TvxDataStorage> FDataStorage;
  std::unique_ptr<TvxDataControllerGroups> FGroups;
  std::unique_ptr<TvxCustomDataFieldList> FFields;
  std::unique_ptr<TvxDataFilterList> FFilters;
  std::unique_ptr<TvxDataFilterCriteria> FFilter;
  std::unique_ptr<TvxDataControllerSearch> FSearch;
  std::unique_ptr<TvxDataSummary> FSummary;
  std::unique_ptr<TvxCustomDataProvider> FProvider;
  std::unique_ptr<TvxCustomDataControllerInfo> FDataControllerInfo;
  std::unique_ptr<TvxDataControllerNotifier> FNotifier;
  std::unique_ptr<TvxCustomDataRelationList> FRelations;
};

// Direct field access for the owning control.
class TvxCustomDataHelper {
 public:
  static TvxValueDef* GetValueDef(TvxCustomDataField* AField) { return AField->ValueDef(); }
  static void SetTextStored(TvxCustomDataField* AField, bool ATextStored);
};

extern const TUnitInfo vxCustomDataUnit;
