// Typed values in record buffers: the value types (how one kind of value lives in a
// buffer, converts, compares, shows and streams), their registry, the value definitions
// that lay a record out, and the data storage that keeps normal and internal records.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "FMTBcd.h"
#include "SqlTimSt.h"
#include "vxDataUtils.h"
#include "vxVariants.h"

// --- Value types --------------------------------------------------------------------------
//
// A value type is one shared object per class; its virtual methods are the class
// methods. A *value slot* is the DataSize bytes of one value in a record buffer. The
// string, wide-string and variant types keep a 32-bit cell handle in their slot (0 while
// no cell is assigned) that names a heap string or variant; a *text cell* is such a
// handle for a display text. The object type keeps a 32-bit handle of the object (see
// TvxObjectValueType::HandleOf). A *prepared pointer* is what PrepareValueBuffer makes of
// a slot address: the heap cell itself (nullptr when unassigned) for the three cell
// types, the slot address for the others.

class TvxValueType;
using TvxValueTypeClass = const TvxValueType*;

class TvxValueType : public TObject {
  DECLARE_CLASS(TvxValueType, TObject)
 public:
  virtual Integer CompareData(Pointer P1, Pointer P2) const;
  virtual void ReleaseData(Pointer ASlot) const {}
  static void ReleaseText(Pointer ATextCell);
  virtual Integer DataSize() const { return 0; }
  virtual Variant LoadVariant(Pointer ASlot) const { return Null(); }
  virtual String DefaultText(Pointer ASlot) const;
  // The text DefaultText gives, when the slot holds it whole (nullptr: build it).
  virtual const String* DefaultTextRef(Pointer ASlot) const { return nullptr; }
  static String StoredText(Pointer ATextCell);
  static const String* StoredTextRef(Pointer ATextCell);
  virtual void StreamInValue(Pointer ASlot, TStream* AStream) const;
  static void StreamInText(Pointer ATextCell, TStream* AStream);
  virtual void StoreVariant(Pointer ASlot, const Variant& Value) const {}
  static void StoreText(Pointer ATextCell, const String& Value);
  virtual void StreamOutValue(Pointer ASlot, TStream* AStream) const;
  static void StreamOutText(Pointer ATextCell, TStream* AStream);
  virtual String Caption() const;
  virtual Integer CompareValues(Pointer P1, Pointer P2) const;
  virtual Variant GetValue(Pointer P) const { return LoadVariant(P); }
  virtual Integer GetVarType() const { return varVariant; }
  virtual bool IsValueValid(Variant& Value) const;
  virtual bool IsString() const { return false; }
  virtual void PrepareValueBuffer(Pointer& P) const {}
};

// Declares a value type class with its shared instance, Class().
#define DECLARE_VALUE_TYPE(Cls, Parent)            \
  DECLARE_CLASS(Cls, Parent)                       \
 public:                                           \
  static TvxValueTypeClass Class() {               \
    static const Cls instance_;                    \
    return &instance_;                             \
  }

class TvxStringValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxStringValueType, TvxValueType)
  Integer CompareData(Pointer P1, Pointer P2) const override;
  void ReleaseData(Pointer ASlot) const override;
  Integer DataSize() const override { return 4; }
  Variant LoadVariant(Pointer ASlot) const override;
  // The cell's text itself (what the variant conversion would give).
  String DefaultText(Pointer ASlot) const override { return StoredText(ASlot); }
  const String* DefaultTextRef(Pointer ASlot) const override { return StoredTextRef(ASlot); }
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Variant GetValue(Pointer P) const override;
  Integer GetVarType() const override { return varUString; }
  bool IsString() const override { return true; }
  void PrepareValueBuffer(Pointer& P) const override;
};

class TvxWideStringValueType : public TvxStringValueType {
  DECLARE_VALUE_TYPE(TvxWideStringValueType, TvxStringValueType)
  Variant LoadVariant(Pointer ASlot) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Variant GetValue(Pointer P) const override;
  Integer GetVarType() const override { return varOleStr; }
};

class TvxSmallintValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxSmallintValueType, TvxValueType)
  Integer DataSize() const override { return 2; }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varSmallint; }
};

class TvxIntegerValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxIntegerValueType, TvxValueType)
  Integer DataSize() const override { return 4; }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varInteger; }
};

class TvxWordValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxWordValueType, TvxValueType)
  Integer DataSize() const override { return 2; }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varWord; }
};

class TvxBooleanValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxBooleanValueType, TvxValueType)
  Integer DataSize() const override { return 1; }
  Variant LoadVariant(Pointer ASlot) const override;
  String DefaultText(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varBoolean; }
};

class TvxFloatValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxFloatValueType, TvxValueType)
  Integer DataSize() const override { return 8; }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varDouble; }
};

class TvxCurrencyValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxCurrencyValueType, TvxValueType)
  Integer DataSize() const override { return 8; }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varCurrency; }
};

class TvxDateTimeValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxDateTimeValueType, TvxValueType)
  Integer DataSize() const override { return 8; }
  Variant LoadVariant(Pointer ASlot) const override;
  String DefaultText(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varDate; }
};

class TvxLargeIntValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxLargeIntValueType, TvxValueType)
  Integer DataSize() const override { return 8; }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override;
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return varInt64; }
};

class TvxFMTBcdValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxFMTBcdValueType, TvxValueType)
  Integer DataSize() const override { return static_cast<Integer>(sizeof(TBcd)); }
  Variant LoadVariant(Pointer ASlot) const override;
  String DefaultText(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return VarFMTBcd(); }
};

class TvxSQLTimeStampValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxSQLTimeStampValueType, TvxValueType)
  Integer DataSize() const override { return static_cast<Integer>(sizeof(TSQLTimeStamp)); }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Integer GetVarType() const override { return VarSQLTimeStamp(); }
};

class TvxVariantValueType : public TvxValueType {
  DECLARE_VALUE_TYPE(TvxVariantValueType, TvxValueType)
  Integer CompareData(Pointer P1, Pointer P2) const override;
  void ReleaseData(Pointer ASlot) const override;
  Integer DataSize() const override { return 4; }
  Variant LoadVariant(Pointer ASlot) const override;
  void StoreVariant(Pointer ASlot, const Variant& Value) const override;
  Integer CompareValues(Pointer P1, Pointer P2) const override;
  Variant GetValue(Pointer P) const override;
  void PrepareValueBuffer(Pointer& P) const override;
};

// The record owns the object its slot names: setting the value to Null, freeing the
// record or removing the definition frees it.
class TvxObjectValueType : public TvxIntegerValueType {
  DECLARE_VALUE_TYPE(TvxObjectValueType, TvxIntegerValueType)
  void ReleaseData(Pointer ASlot) const override;
  void StreamInValue(Pointer ASlot, TStream* AStream) const override {}
  void StreamOutValue(Pointer ASlot, TStream* AStream) const override {}
  // The 32-bit handle that stands for an object in a slot (0 for nil), and back.
  static Integer HandleOf(TObject* AObject);
  static TObject* ObjectOf(Integer AHandle);
};

class TvxValueTypeClassList : public TObject {
  DECLARE_CLASS(TvxValueTypeClassList, TObject)
 public:
  void RegisterItem(TvxValueTypeClass AValueTypeClass);
  void UnregisterItem(TvxValueTypeClass AValueTypeClass);
  TvxValueTypeClass ItemByCaption(const String& ACaption) const;
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxValueTypeClass Items(Integer Index) const { return FItems.at(static_cast<size_t>(Index)); }

 private:
  std::vector<TvxValueTypeClass> FItems;
};

// The process-wide registry, created on first use.
TvxValueTypeClassList* GetValueTypeClassList();

// --- Value definitions ------------------------------------------------------------------

class TvxDataStorage;
class TvxValueDefs;

class TvxValueDef : public TObject {
  DECLARE_CLASS(TvxValueDef, TObject)
 public:
  TvxValueDef(TvxValueDefs* AValueDefs, TvxValueTypeClass AValueTypeClass);
  // Freeing a definition takes it out of its list and out of every record buffer.
  ~TvxValueDef() override;
  virtual TObject* GetLinkObject() const { return FLinkObject; }
  virtual bool GetStored() const;
  virtual void SetLinkObject(TObject* Value) { FLinkObject = Value; }
  virtual void Assign(TvxValueDef* ASource);
  Integer CompareValues(bool AIsNull1, bool AIsNull2, Pointer P1, Pointer P2) const;

  Integer BufferSize() const { return FBufferSize; }
  Integer DataSize() const { return FDataSize; }
  Integer Offset() const { return FOffset; }
  bool IsNeedConversion() const { return FValueTypeClass && FValueTypeClass->IsString(); }
  TObject* LinkObject() const { return GetLinkObject(); }
  bool Stored() const { return GetStored(); }
  void SetStored(bool Value);
  bool StreamStored() const { return FStreamStored; }
  void SetStreamStored(bool Value) { FStreamStored = Value; }
  bool TextStored() const { return GetStored() && FTextStored; }
  void SetTextStored(bool Value);
  TvxValueTypeClass ValueTypeClass() const { return FValueTypeClass; }
  void SetValueTypeClass(TvxValueTypeClass Value);
  TvxValueDefs* ValueDefs() const { return FValueDefs; }

 private:
  friend class TvxValueDefs;
  friend class TvxDataStorage;
  friend class TvxDataStorageHelper;
  // Sets the offset and sizes from the running offset and advances it.
  void CalculateLayout(Integer& AOffset);
  Integer FBufferSize = 0;
  Integer FDataSize = 0;
  bool FStored = true;
  TObject* FLinkObject = nullptr;
  Integer FOffset = 0;
  bool FStreamStored = true;
  bool FTextStored = false;
  TvxValueDefs* FValueDefs;
  TvxValueTypeClass FValueTypeClass;
};

// The twin of a definition in the storage's internal definitions: always stored, and
// linked to the definition it mirrors.
class TvxInternalValueDef : public TvxValueDef {
  DECLARE_CLASS(TvxInternalValueDef, TvxValueDef)
 public:
  using TvxValueDef::TvxValueDef;
  TObject* GetLinkObject() const override;
  bool GetStored() const override { return true; }
  TvxValueDef* GetValueDef() const { return static_cast<TvxValueDef*>(TvxValueDef::GetLinkObject()); }
};

class TvxValueDefs : public TObject {
  DECLARE_CLASS(TvxValueDefs, TObject)
 public:
  explicit TvxValueDefs(TvxDataStorage* ADataStorage);
  ~TvxValueDefs() override;
  virtual void NotifyChanged(TvxValueDef* AValueDef, bool AResyncNeeded);
  virtual TClass ValueDefClass() const { return TvxValueDef::StaticClass(); }
  virtual void Layout(Integer AStartOffset);
  TvxValueDef* Add(TvxValueTypeClass AValueTypeClass, bool AStored, bool ATextStored, TObject* ALinkObject);
  // Frees the definitions from the last to the first.
  void Clear();
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  Integer StoredCount() const;
  Integer RecordOffset() const { return FRecordOffset; }
  Integer RecordSize() const { return FRecordSize; }
  // In the streaming order while the storage is streaming, else in list order.
  TvxValueDef* Items(Integer Index) const;
  Integer IndexOf(const TvxValueDef* ADef) const;
  TvxDataStorage* DataStorage() const { return FDataStorage; }

 protected:
  virtual TvxValueDef* NewValueDef(TvxValueTypeClass AValueTypeClass);

 private:
  friend class TvxValueDef;
  friend class TvxDataStorage;
  friend class TvxInternalValueDefs;
  void Remove(TvxValueDef* ADef);
  Integer LastIndexOf(const TvxValueDef* ADef) const;
  // Lays out the definitions from AIndex on after the ones before it.
  void LayoutFrom(Integer AIndex);
  TvxDataStorage* FDataStorage;
  std::vector<TvxValueDef*> FItems;  // owned
  Integer FRecordOffset = 0;
  Integer FRecordSize = 0;
};

class TvxInternalValueDefs : public TvxValueDefs {
  DECLARE_CLASS(TvxInternalValueDefs, TvxValueDefs)
 public:
  using TvxValueDefs::TvxValueDefs;
  TClass ValueDefClass() const override { return TvxInternalValueDef::StaticClass(); }
  TvxInternalValueDef* FindByLinkObject(TvxValueDef* ADef) const;
  void RemoveByLinkObject(TvxValueDef* ADef);

 protected:
  TvxValueDef* NewValueDef(TvxValueTypeClass AValueTypeClass) override;
};

// Supplies the values of one record (the data provider derives readers that fetch them
// from a data source).
class TvxValueDefReader : public TObject {
  DECLARE_CLASS(TvxValueDefReader, TObject)
 public:
  TvxValueDefReader() = default;
  virtual String GetDisplayText(TvxValueDef* AValueDef) { return String(); }
  virtual Variant GetValue(TvxValueDef* AValueDef) { return Null(); }
  virtual bool IsInternal(TvxValueDef* AValueDef) { return false; }
};
using TvxValueDefReaderClass = TClass;

using TvxValueDefSetProc = std::function<void(TvxValueDef* AValueDef, Integer AFromRecordIndex,
                                              Integer AToRecordIndex, TvxValueDefReader* AValueDefReader)>;
using TvxValueDefCompare = std::function<Integer(TvxValueDef* A, TvxValueDef* B)>;

// --- Data storage -----------------------------------------------------------------------
//
// Buffer layout: byte 0 record flags (bit 0: internal record in use); with record IDs an
// Int32 ID at byte 1; then per stored definition a null flag (0 null, else a value), the
// value slot and, with TextStored, a text cell. Records 0..RecordCount-1 are normal;
// -1, -2, ... are internal records with a layout of their own.

class TvxDataStorage : public TObject {
  DECLARE_CLASS(TvxDataStorage, TObject)
 public:
  TvxDataStorage();
  ~TvxDataStorage() override;
  virtual void PrepareStructure(TvxValueDefs* AValueDefs);
  virtual void NotifyValueDefChanged(TvxValueDef* AValueDef, bool AResyncNeeded) {}
  virtual TvxValueDefs* DefsForRecord(Integer AIndex) const;

  Integer AppendRecord();
  Integer InsertRecord(Integer AIndex);
  void DeleteRecord(Integer AIndex);
  // Deletes the records at the listed indexes (ascending, no repeats) in one pass.
  void DeleteRecords(const std::vector<Integer>& AList);
  Integer AddInternalRecord();
  void Clear(bool AWithoutInternal);
  void ClearInternalRecords();
  void ClearRecords(bool AClearList);
  Integer CompareRecords(Integer AIndex1, Integer AIndex2, TvxValueDef* AValueDef);
  bool GetCompareInfo(Integer ARecordIndex, TvxValueDef* AValueDef, Pointer& P);
  Variant GetValue(Integer ARecordIndex, TvxValueDef* AValueDef);
  String GetDisplayText(Integer ARecordIndex, TvxValueDef* AValueDef);
  void SetValue(Integer ARecordIndex, TvxValueDef* AValueDef, const Variant& Value);
  void SetDisplayText(Integer ARecordIndex, TvxValueDef* AValueDef, const String& Value);
  Integer GetRecordID(Integer ARecordIndex);
  void SetRecordID(Integer ARecordIndex, Integer AID);
  void ReadRecord(Integer ARecordIndex, TvxValueDefReader* AValueDefReader);
  void ReadRecordFrom(Integer AFromRecordIndex, Integer AToRecordIndex, TvxValueDefReader* AValueDefReader,
                      const TvxValueDefSetProc& ASetProc);
  // The record stream: "VDUFMT", a nil byte, the ID (with record IDs), then per
  // stream-stored definition a null byte, the value and the text (TextStored).
  void WriteData(Integer ARecordIndex, TStream* AStream);
  // Reads into a fresh buffer that replaces the record's only when the whole record was
  // read; malformed counts, lengths and flag bytes raise "Invalid stream format".
  void ReadData(Integer ARecordIndex, TStream* AStream);
  void BeginStreaming(const TvxValueDefCompare& ACompare);
  void EndStreaming();
  void BeginLoad() {}
  void EndLoad() {}
  void CheckStructure() {}

  bool Destroying() const { return FDestroying; }
  Integer RecordCount() const { return static_cast<Integer>(FRecords.size()); }
  void SetRecordCount(Integer Value);
  Integer InternalRecordCount() const { return static_cast<Integer>(FInternalRecords.size()); }
  Integer RecordIDCounter() const { return FRecordIDCounter; }
  bool StoredValuesOnly() const { return FStoredValuesOnly; }
  void SetStoredValuesOnly(bool Value);
  bool UseRecordID() const { return FUseRecordID; }
  void SetUseRecordID(bool Value);
  TvxValueDefs* ValueDefs() const { return FValueDefs.get(); }
  TvxInternalValueDefs* InternalValueDefs() const { return FInternalValueDefs.get(); }
  // The record's buffer, nullptr while it has none.
  Byte* RecordBuffer(Integer ARecordIndex) const;
  bool IsStreaming() const { return FStreamingOrder != nullptr; }
  const std::vector<TvxValueDef*>* StreamingOrder() const { return FStreamingOrder.get(); }
  TNotifyEvent OnClearInternalRecords;

  // Slot access shared with the helper.
  static Variant ReadSlotValue(TvxValueDef* ADef, Byte* ABuffer);
  static void WriteSlotValue(TvxValueDef* ADef, Byte* ABuffer, const Variant& Value);
  static String ReadText(TvxValueDef* ADef, Byte* ABuffer);
  // The record's display text without a copy when the buffer holds it whole: a stored
  // text, or the cell of a string value. Sets AEmpty (and answers nullptr) when the text is
  // empty; nullptr otherwise means the text must be built with GetDisplayText.
  const String* PeekDisplayText(Integer ARecordIndex, TvxValueDef* AValueDef, bool& AEmpty) const;
  // The stored data of a record's value (what the value type loads from), nullptr when the
  // value is null or not stored.
  const Byte* PeekData(Integer ARecordIndex, TvxValueDef* AValueDef) const;
  static void WriteText(TvxValueDef* ADef, Byte* ABuffer, const String& Value);
  static void SetNullFlag(TvxValueDef* ADef, Byte* ABuffer, bool ANull);
  static void ReleaseBuffer(TvxValueDef* ADef, Byte* ABuffer);
  static Integer CompareBuffers(TvxValueDef* ADef, Byte* ABuffer1, Byte* ABuffer2);

 private:
  friend class TvxValueDefs;
  friend class TvxDataStorageHelper;
  Integer HeaderSize() const { return FUseRecordID ? 5 : 1; }
  Byte*& Slot(Integer ARecordIndex);
  Byte* AllocBuffer(TvxValueDefs* ADefs);
  Byte* CheckRecordBuffer(Integer ARecordIndex);
  void FreeBuffer(Integer ARecordIndex);
  void FreeDetachedBuffer(TvxValueDefs* ADefs, Byte* ABuffer);
  void AssignRecordID(Byte* ABuffer);
  TvxValueDef* Resolve(Integer ARecordIndex, TvxValueDef* ADef) const;
  void FreeNormalBuffers();
  // Called by the definition lists around structure changes.
  void ValueDefAdding(TvxValueDefs* ADefs, TvxValueDef* ADef);
  void ValueDefRemoving(TvxValueDefs* ADefs, TvxValueDef* ADef);
  void ReadDataInto(Integer ARecordIndex, TStream* AStream);

  bool FDestroying = false;
  std::vector<Byte*> FInternalRecords;
  std::unique_ptr<TvxInternalValueDefs> FInternalValueDefs;
  bool FStoredValuesOnly = false;
  std::vector<Byte*> FRecords;
  Integer FRecordIDCounter = 1;
  bool FUseRecordID = false;
  std::unique_ptr<TvxValueDefs> FValueDefs;
  std::unique_ptr<std::vector<TvxValueDef*>> FStreamingOrder;
};

// Works on detached record buffers that are in no record list.
class TvxDataStorageHelper {
 public:
  static Pointer AllocateRecord(TvxDataStorage* ADataStorage);
  static Integer AppendRecord(TvxDataStorage* ADataStorage, Pointer ARecord);
  static Integer Compare(TvxValueDef* AValueDef, Pointer ARecord1, Pointer ARecord2);
  static void FreeBuffer(TvxValueDef* AValueDef, Pointer ARecord);
  static void FreeRecord(TvxDataStorage* ADataStorage, Pointer& ARecord);
  static String GetDisplayText(TvxValueDef* AValueDef, Pointer ARecord);
  static Integer GetRecordSize(TvxDataStorage* ADataStorage);
  static Integer GetStoredCount(TvxDataStorage* ADataStorage);
  static Variant GetValue(TvxValueDef* AValueDef, Pointer ARecord);
  static Pointer RemoveRecord(TvxDataStorage* ADataStorage, Integer ARecordIndex);
  static void SetDisplayText(Pointer ARecord, TvxValueDef* AValueDef, const String& AValue);
  static void SetRecordsCapacity(TvxDataStorage* ADataStorage, Integer ACapacity);
  static void SetTextStored(TvxValueDef* AValueDef, bool ATextStored);
  static void SetValue(Pointer ARecord, TvxValueDef* AValueDef, const Variant& AValue);
};

extern const TUnitInfo vxDataStorageUnit;
