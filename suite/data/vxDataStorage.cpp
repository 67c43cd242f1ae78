#include "vxDataStorage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace {

// Heap cells named by 32-bit handles (index + 1), so that a slot keeps the same four
// bytes on every target.
template <class T>
class TCellPool {
 public:
  Cardinal Alloc() {
    if (!FFree.empty()) {
      Cardinal h = FFree.back();
      FFree.pop_back();
      FUsed[h - 1] = true;
      return h;
    }
    FCells.emplace_back();
    FUsed.push_back(true);
    return static_cast<Cardinal>(FCells.size());
  }
  // The cell's value (valid until the next Alloc), nullptr for 0 or a freed handle.
  T* Get(Cardinal H) { return H && H <= FCells.size() && FUsed[H - 1] ? &FCells[H - 1] : nullptr; }
  void Free(Cardinal H) {
    if (!H || H > FCells.size() || !FUsed[H - 1]) return;
    FCells[H - 1] = T();
    FUsed[H - 1] = false;
    FFree.push_back(H);
  }

 private:
  std::vector<T> FCells;
  std::vector<bool> FUsed;
  std::vector<Cardinal> FFree;
};

TCellPool<String>& Strings() {
  static TCellPool<String> pool;
  return pool;
}

TCellPool<Variant>& Variants() {
  static TCellPool<Variant> pool;
  return pool;
}

// Objects owned by record slots, by handle.
struct TObjectTable {
  std::vector<TObject*> Items;
  std::vector<Cardinal> Free;
  std::unordered_map<TObject*, Cardinal> Handles;
};

TObjectTable& Objects() {
  static TObjectTable table;
  return table;
}

Cardinal& CellOf(Pointer P) { return *static_cast<Cardinal*>(P); }

template <class T>
T Get(Pointer P) {
  T v;
  std::memcpy(&v, P, sizeof(T));
  return v;
}

template <class T>
void Put(Pointer P, const T& V) {
  std::memcpy(P, &V, sizeof(T));
}

template <class T>
Integer Order(T A, T B) {
  return A < B ? -1 : (B < A ? 1 : 0);
}

void WriteWide(TStream* S, const String& W) {
  S->WriteValue<Integer>(static_cast<Integer>(W.size()));
  if (!W.empty()) S->WriteBuffer(W.data(), static_cast<Integer>(W.size() * 2));
}

String ReadWide(TStream* S) {
  Integer n = S->ReadValue<Integer>();
  vxCheckStreamCount(S, n, 2);
  String w(static_cast<size_t>(n), L'\0');
  if (n) S->ReadBuffer(w.data(), n * 2);
  return w;
}

void WriteAnsiBytes(TStream* S, const String& W) {
  AnsiString a = vdWideToAnsiString(W);
  S->WriteValue<Integer>(static_cast<Integer>(a.size()));
  if (!a.empty()) S->WriteBuffer(a.data(), static_cast<Integer>(a.size()));
}

AnsiString ReadAnsiBytes(TStream* S) {
  Integer n = S->ReadValue<Integer>();
  vxCheckStreamCount(S, n, 1);
  AnsiString a(static_cast<size_t>(n), '\0');
  if (n) S->ReadBuffer(a.data(), n);
  return a;
}

Integer CompareStrings(const String* A, const String* B) {
  if (!A) return B ? -1 : 0;
  if (!B) return 1;
  Integer c = A->compare(*B);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

// --- TvxValueType -------------------------------------------------------------------------

Integer TvxValueType::CompareData(Pointer P1, Pointer P2) const { return CompareValues(P1, P2); }

void TvxValueType::ReleaseText(Pointer ATextCell) {
  Cardinal& h = CellOf(ATextCell);
  if (!h) return;
  Strings().Free(h);
  h = 0;
}

String TvxValueType::DefaultText(Pointer ASlot) const {
  try {
    return VarToStr(LoadVariant(ASlot));
  } catch (const EVariantError&) {
    return String();
  }
}

const String* TvxValueType::StoredTextRef(Pointer ATextCell) { return Strings().Get(CellOf(ATextCell)); }

String TvxValueType::StoredText(Pointer ATextCell) {
  String* s = Strings().Get(CellOf(ATextCell));
  return s ? *s : String();
}

void TvxValueType::StreamInValue(Pointer ASlot, TStream* AStream) const {
  StoreVariant(ASlot, ReadVariantFromStream(AStream));
}

void TvxValueType::StreamInText(Pointer ATextCell, TStream* AStream) {
  if (vxIsUnicodeStream(AStream)) StoreText(ATextCell, ReadWide(AStream));
  else StoreText(ATextCell, vdAnsiToWideString(ReadAnsiBytes(AStream)));
}

void TvxValueType::StoreText(Pointer ATextCell, const String& Value) {
  Cardinal& h = CellOf(ATextCell);
  if (!h) h = Strings().Alloc();
  *Strings().Get(h) = Value;
}

void TvxValueType::StreamOutValue(Pointer ASlot, TStream* AStream) const {
  WriteVariantToStream(AStream, LoadVariant(ASlot));
}

void TvxValueType::StreamOutText(Pointer ATextCell, TStream* AStream) {
  String s = StoredText(ATextCell);
  if (vxIsUnicodeStream(AStream)) WriteWide(AStream, s);
  else WriteAnsiBytes(AStream, s);
}

String TvxValueType::Caption() const {
  String s = ClassName();
  if (s.compare(0, 3, L"Tvx") == 0) s.erase(0, 3);
  size_t p = s.find(L"ValueType");
  if (p != String::npos) s.erase(p, 9);
  return s;
}

Integer TvxValueType::CompareValues(Pointer P1, Pointer P2) const {
  return VariantCompare(LoadVariant(P1), LoadVariant(P2));
}

bool TvxValueType::IsValueValid(Variant& Value) const {
  if (Value.IsNull() || GetVarType() == varVariant) return true;
  try {
    Value = VarAsType(Value, static_cast<TVarType>(GetVarType()));
    return true;
  } catch (const EVariantError&) {
    return false;
  }
}

// --- String and wide string -----------------------------------------------------------------

Integer TvxStringValueType::CompareData(Pointer P1, Pointer P2) const {
  return CompareValues(Strings().Get(CellOf(P1)), Strings().Get(CellOf(P2)));
}

void TvxStringValueType::ReleaseData(Pointer ASlot) const { ReleaseText(ASlot); }

Variant TvxStringValueType::LoadVariant(Pointer ASlot) const {
  String* s = Strings().Get(CellOf(ASlot));
  return s ? Variant(*s) : Null();
}

void TvxStringValueType::StreamInValue(Pointer ASlot, TStream* AStream) const {
  if (vxIsUnicodeStream(AStream)) StoreText(ASlot, ReadWide(AStream));
  else StoreVariant(ASlot, Variant(ReadAnsiBytes(AStream)));
}

void TvxStringValueType::StoreVariant(Pointer ASlot, const Variant& Value) const { StoreText(ASlot, Value.AsString()); }

void TvxStringValueType::StreamOutValue(Pointer ASlot, TStream* AStream) const {
  if (vxIsUnicodeStream(AStream)) WriteWide(AStream, StoredText(ASlot));
  else WriteAnsiBytes(AStream, StoredText(ASlot));
}

Integer TvxStringValueType::CompareValues(Pointer P1, Pointer P2) const {
  return CompareStrings(static_cast<String*>(P1), static_cast<String*>(P2));
}

Variant TvxStringValueType::GetValue(Pointer P) const {
  return P ? Variant(*static_cast<String*>(P)) : Null();
}

void TvxStringValueType::PrepareValueBuffer(Pointer& P) const { P = Strings().Get(CellOf(P)); }

Variant TvxWideStringValueType::LoadVariant(Pointer ASlot) const {
  String* s = Strings().Get(CellOf(ASlot));
  return s ? VarAsType(Variant(*s), varOleStr) : Null();
}

void TvxWideStringValueType::StreamInValue(Pointer ASlot, TStream* AStream) const { StoreText(ASlot, ReadWide(AStream)); }

void TvxWideStringValueType::StreamOutValue(Pointer ASlot, TStream* AStream) const { WriteWide(AStream, StoredText(ASlot)); }

Variant TvxWideStringValueType::GetValue(Pointer P) const {
  return P ? VarAsType(Variant(*static_cast<String*>(P)), varOleStr) : Null();
}

// --- Inline numeric types -----------------------------------------------------------------

Variant TvxSmallintValueType::LoadVariant(Pointer ASlot) const { return Variant(Get<SmallInt>(ASlot)); }
void TvxSmallintValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  Put<SmallInt>(ASlot, static_cast<SmallInt>(Value.AsInteger() & 0xFFFF));
}
void TvxSmallintValueType::StreamInValue(Pointer ASlot, TStream* S) const { Put(ASlot, S->ReadValue<SmallInt>()); }
void TvxSmallintValueType::StreamOutValue(Pointer ASlot, TStream* S) const { S->WriteValue(Get<SmallInt>(ASlot)); }
Integer TvxSmallintValueType::CompareValues(Pointer P1, Pointer P2) const { return Order(Get<SmallInt>(P1), Get<SmallInt>(P2)); }

Variant TvxIntegerValueType::LoadVariant(Pointer ASlot) const { return Variant(static_cast<int>(Get<Integer>(ASlot))); }
void TvxIntegerValueType::StoreVariant(Pointer ASlot, const Variant& Value) const { Put<Integer>(ASlot, Value.AsInteger()); }
void TvxIntegerValueType::StreamInValue(Pointer ASlot, TStream* S) const { Put(ASlot, S->ReadValue<Integer>()); }
void TvxIntegerValueType::StreamOutValue(Pointer ASlot, TStream* S) const { S->WriteValue(Get<Integer>(ASlot)); }
Integer TvxIntegerValueType::CompareValues(Pointer P1, Pointer P2) const { return Order(Get<Integer>(P1), Get<Integer>(P2)); }

Variant TvxWordValueType::LoadVariant(Pointer ASlot) const { return Variant(Get<Word>(ASlot)); }
void TvxWordValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  Put<Word>(ASlot, static_cast<Word>(Value.AsInteger() & 0xFFFF));
}
void TvxWordValueType::StreamInValue(Pointer ASlot, TStream* S) const { Put(ASlot, S->ReadValue<Word>()); }
void TvxWordValueType::StreamOutValue(Pointer ASlot, TStream* S) const { S->WriteValue(Get<Word>(ASlot)); }
Integer TvxWordValueType::CompareValues(Pointer P1, Pointer P2) const { return Order(Get<Word>(P1), Get<Word>(P2)); }

Variant TvxBooleanValueType::LoadVariant(Pointer ASlot) const { return Variant(Get<Byte>(ASlot) != 0); }
String TvxBooleanValueType::DefaultText(Pointer ASlot) const { return Get<Byte>(ASlot) ? L"True" : L"False"; }
void TvxBooleanValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  Put<Byte>(ASlot, Value.AsBoolean() ? 1 : 0);
}
void TvxBooleanValueType::StreamInValue(Pointer ASlot, TStream* S) const {
  Byte b = S->ReadValue<Byte>();
  if (b > 1) vxInvalidStreamFormat();
  Put(ASlot, b);
}
void TvxBooleanValueType::StreamOutValue(Pointer ASlot, TStream* S) const { S->WriteValue(Get<Byte>(ASlot)); }
Integer TvxBooleanValueType::CompareValues(Pointer P1, Pointer P2) const {
  return static_cast<Integer>(Get<Byte>(P1)) - static_cast<Integer>(Get<Byte>(P2));
}

Variant TvxFloatValueType::LoadVariant(Pointer ASlot) const { return Variant(Get<double>(ASlot)); }
void TvxFloatValueType::StoreVariant(Pointer ASlot, const Variant& Value) const { Put<double>(ASlot, Value.AsDouble()); }
void TvxFloatValueType::StreamInValue(Pointer ASlot, TStream* S) const {
  Byte b[10];
  S->ReadBuffer(b, 10);
  Put<double>(ASlot, vxExtendedToDouble(b));
}
void TvxFloatValueType::StreamOutValue(Pointer ASlot, TStream* S) const {
  Byte b[10];
  vxDoubleToExtended(Get<double>(ASlot), b);
  S->WriteBuffer(b, 10);
}
Integer TvxFloatValueType::CompareValues(Pointer P1, Pointer P2) const {
  double a = Get<double>(P1), b = Get<double>(P2);
  return a == b ? 0 : a > b ? 1 : -1;
}

Variant TvxCurrencyValueType::LoadVariant(Pointer ASlot) const { return Variant(Currency::FromScaled(Get<Int64>(ASlot))); }
void TvxCurrencyValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  Put<Int64>(ASlot, Value.AsCurrency().Value);
}
void TvxCurrencyValueType::StreamInValue(Pointer ASlot, TStream* S) const { Put(ASlot, S->ReadValue<Int64>()); }
void TvxCurrencyValueType::StreamOutValue(Pointer ASlot, TStream* S) const { S->WriteValue(Get<Int64>(ASlot)); }
Integer TvxCurrencyValueType::CompareValues(Pointer P1, Pointer P2) const { return Order(Get<Int64>(P1), Get<Int64>(P2)); }

Variant TvxDateTimeValueType::LoadVariant(Pointer ASlot) const { return Variant(Get<double>(ASlot), varDateTag); }
String TvxDateTimeValueType::DefaultText(Pointer ASlot) const {
  try {
    return VarToStr(LoadVariant(ASlot));
  } catch (const EVariantError&) {
    return FormatDateTime(String(), Get<double>(ASlot));
  }
}
void TvxDateTimeValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  Put<double>(ASlot, VarToDateTime(Value));
}
void TvxDateTimeValueType::StreamInValue(Pointer ASlot, TStream* S) const { Put(ASlot, S->ReadValue<double>()); }
void TvxDateTimeValueType::StreamOutValue(Pointer ASlot, TStream* S) const { S->WriteValue(Get<double>(ASlot)); }
Integer TvxDateTimeValueType::CompareValues(Pointer P1, Pointer P2) const {
  double a = Get<double>(P1), b = Get<double>(P2);
  return a == b ? 0 : a > b ? 1 : -1;
}

Variant TvxLargeIntValueType::LoadVariant(Pointer ASlot) const { return Variant(static_cast<long long>(Get<Int64>(ASlot))); }
void TvxLargeIntValueType::StoreVariant(Pointer ASlot, const Variant& Value) const { Put<Int64>(ASlot, Value.AsInt64()); }
void TvxLargeIntValueType::StreamInValue(Pointer ASlot, TStream* S) const { Put(ASlot, S->ReadValue<Int64>()); }
void TvxLargeIntValueType::StreamOutValue(Pointer ASlot, TStream* S) const { S->WriteValue(Get<Int64>(ASlot)); }
Integer TvxLargeIntValueType::CompareValues(Pointer P1, Pointer P2) const { return Order(Get<Int64>(P1), Get<Int64>(P2)); }

// --- BCD and time stamps ------------------------------------------------------------------

Variant TvxFMTBcdValueType::LoadVariant(Pointer ASlot) const { return VarFMTBcdCreate(Get<TBcd>(ASlot)); }
String TvxFMTBcdValueType::DefaultText(Pointer ASlot) const { return BcdToStr(Get<TBcd>(ASlot)); }
void TvxFMTBcdValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  if (VarIsFMTBcd(Value)) {
    Put<TBcd>(ASlot, VarToBcd(Value));
    return;
  }
  TBcd b;
  if (!TryStrToBcd(VarToStr(Value), b)) VarCastError(VarType(Value), VarFMTBcd());
  Put<TBcd>(ASlot, b);
}
Integer TvxFMTBcdValueType::CompareValues(Pointer P1, Pointer P2) const {
  return BcdCompare(Get<TBcd>(P1), Get<TBcd>(P2));
}

Variant TvxSQLTimeStampValueType::LoadVariant(Pointer ASlot) const {
  return Variant(SQLTimeStampToDateTime(Get<TSQLTimeStamp>(ASlot)), varDateTag);
}
void TvxSQLTimeStampValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  Put<TSQLTimeStamp>(ASlot, VarToSQLTimeStamp(Value));
}
Integer TvxSQLTimeStampValueType::CompareValues(Pointer P1, Pointer P2) const {
  TSQLTimeStamp a = Get<TSQLTimeStamp>(P1), b = Get<TSQLTimeStamp>(P2);
  const Word fa[6] = {static_cast<Word>(a.Year), a.Month, a.Day, a.Hour, a.Minute, a.Second};
  const Word fb[6] = {static_cast<Word>(b.Year), b.Month, b.Day, b.Hour, b.Minute, b.Second};
  for (int i = 0; i < 6; ++i)
    if (fa[i] != fb[i]) return fa[i] < fb[i] ? -1 : 1;
  return Order(a.Fractions, b.Fractions);
}

// --- Variant and object -------------------------------------------------------------------

Integer TvxVariantValueType::CompareData(Pointer P1, Pointer P2) const {
  return CompareValues(Variants().Get(CellOf(P1)), Variants().Get(CellOf(P2)));
}

void TvxVariantValueType::ReleaseData(Pointer ASlot) const {
  Cardinal& h = CellOf(ASlot);
  Variants().Free(h);
  h = 0;
}

Variant TvxVariantValueType::LoadVariant(Pointer ASlot) const {
  Variant* v = Variants().Get(CellOf(ASlot));
  return v ? *v : Null();
}

void TvxVariantValueType::StoreVariant(Pointer ASlot, const Variant& Value) const {
  Cardinal& h = CellOf(ASlot);
  if (!h) h = Variants().Alloc();
  *Variants().Get(h) = Value;
}

Integer TvxVariantValueType::CompareValues(Pointer P1, Pointer P2) const {
  auto* a = static_cast<Variant*>(P1);
  auto* b = static_cast<Variant*>(P2);
  if (!a) return b ? -1 : 0;
  if (!b) return 1;
  return VariantCompare(*a, *b);
}

Variant TvxVariantValueType::GetValue(Pointer P) const { return P ? *static_cast<Variant*>(P) : Null(); }

void TvxVariantValueType::PrepareValueBuffer(Pointer& P) const { P = Variants().Get(CellOf(P)); }

void TvxObjectValueType::ReleaseData(Pointer ASlot) const {
  Integer h = Get<Integer>(ASlot);
  TObjectTable& t = Objects();
  if (h > 0 && static_cast<size_t>(h) <= t.Items.size() && t.Items[static_cast<size_t>(h) - 1]) {
    TObject* obj = t.Items[static_cast<size_t>(h) - 1];
    t.Items[static_cast<size_t>(h) - 1] = nullptr;
    t.Handles.erase(obj);
    t.Free.push_back(static_cast<Cardinal>(h));
    delete obj;
  }
  Put<Integer>(ASlot, 0);
}

Integer TvxObjectValueType::HandleOf(TObject* AObject) {
  if (!AObject) return 0;
  TObjectTable& t = Objects();
  auto found = t.Handles.find(AObject);
  if (found != t.Handles.end()) return static_cast<Integer>(found->second);
  Cardinal h;
  if (!t.Free.empty()) {
    h = t.Free.back();
    t.Free.pop_back();
    t.Items[h - 1] = AObject;
  } else {
    t.Items.push_back(AObject);
    h = static_cast<Cardinal>(t.Items.size());
  }
  t.Handles[AObject] = h;
  return static_cast<Integer>(h);
}

TObject* TvxObjectValueType::ObjectOf(Integer AHandle) {
  TObjectTable& t = Objects();
  if (AHandle <= 0 || static_cast<size_t>(AHandle) > t.Items.size()) return nullptr;
  return t.Items[static_cast<size_t>(AHandle) - 1];
}

// --- Registry -----------------------------------------------------------------------------

namespace {
std::unique_ptr<TvxValueTypeClassList> GValueTypeClassList;

std::vector<TvxValueTypeClass> BuiltInTypes() {
  return {TvxStringValueType::Class(),   TvxWideStringValueType::Class(), TvxSmallintValueType::Class(),
          TvxIntegerValueType::Class(),  TvxWordValueType::Class(),       TvxBooleanValueType::Class(),
          TvxFloatValueType::Class(),    TvxCurrencyValueType::Class(),   TvxDateTimeValueType::Class(),
          TvxLargeIntValueType::Class(), TvxFMTBcdValueType::Class(),     TvxSQLTimeStampValueType::Class(),
          TvxVariantValueType::Class(),  TvxObjectValueType::Class()};
}
}  // namespace

void TvxValueTypeClassList::RegisterItem(TvxValueTypeClass AValueTypeClass) {
  if (std::find(FItems.begin(), FItems.end(), AValueTypeClass) == FItems.end()) FItems.push_back(AValueTypeClass);
}

void TvxValueTypeClassList::UnregisterItem(TvxValueTypeClass AValueTypeClass) {
  auto it = std::find(FItems.begin(), FItems.end(), AValueTypeClass);
  if (it != FItems.end()) FItems.erase(it);
}

TvxValueTypeClass TvxValueTypeClassList::ItemByCaption(const String& ACaption) const {
  for (TvxValueTypeClass c : FItems)
    if (c->Caption() == ACaption) return c;
  return nullptr;
}

TvxValueTypeClassList* GetValueTypeClassList() {
  if (!GValueTypeClassList) GValueTypeClassList = std::make_unique<TvxValueTypeClassList>();
  return GValueTypeClassList.get();
}

// --- Value definitions ------------------------------------------------------------------

TvxValueDef::TvxValueDef(TvxValueDefs* AValueDefs, TvxValueTypeClass AValueTypeClass)
    : FValueDefs(AValueDefs), FValueTypeClass(AValueTypeClass) {}

TvxValueDef::~TvxValueDef() {
  if (FValueDefs) FValueDefs->Remove(this);
}

bool TvxValueDef::GetStored() const {
  return FStored || !FValueDefs || !FValueDefs->DataStorage() || !FValueDefs->DataStorage()->StoredValuesOnly();
}

void TvxValueDef::Assign(TvxValueDef* ASource) {
  FStored = ASource->GetStored();
  FTextStored = ASource->FTextStored;
}

Integer TvxValueDef::CompareValues(bool AIsNull1, bool AIsNull2, Pointer P1, Pointer P2) const {
  if (AIsNull1 || AIsNull2) return AIsNull1 ? (AIsNull2 ? 0 : -1) : 1;
  return FValueTypeClass->CompareValues(P1, P2);
}

void TvxValueDef::SetStored(bool Value) {
  if (FStored == Value) return;
  FStored = Value;
  if (FValueDefs) FValueDefs->NotifyChanged(this, false);
}

void TvxValueDef::SetTextStored(bool Value) {
  if (FTextStored == Value) return;
  FTextStored = Value;
  if (FValueDefs) FValueDefs->NotifyChanged(this, true);
}

void TvxValueDef::SetValueTypeClass(TvxValueTypeClass Value) {
  if (FValueTypeClass == Value) return;
  FValueTypeClass = Value;
  if (FValueDefs) FValueDefs->NotifyChanged(this, true);
}

void TvxValueDef::CalculateLayout(Integer& AOffset) {
  FDataSize = FValueTypeClass ? FValueTypeClass->DataSize() : 0;
  FOffset = AOffset;
  if (GetStored()) {
    Integer grow = 1 + FDataSize + (FTextStored ? 4 : 0);
    AOffset += grow;
    FBufferSize = grow;
  } else {
    FBufferSize = 0;
  }
}

TObject* TvxInternalValueDef::GetLinkObject() const {
  TvxValueDef* d = GetValueDef();
  return d ? d->GetLinkObject() : nullptr;
}

TvxValueDefs::TvxValueDefs(TvxDataStorage* ADataStorage) : FDataStorage(ADataStorage) {
  if (FDataStorage) FDataStorage->PrepareStructure(this);
}

TvxValueDefs::~TvxValueDefs() { Clear(); }

void TvxValueDefs::NotifyChanged(TvxValueDef* AValueDef, bool AResyncNeeded) {
  if (FDataStorage) FDataStorage->NotifyValueDefChanged(AValueDef, AResyncNeeded);
}

void TvxValueDefs::Layout(Integer AStartOffset) {
  FRecordOffset = AStartOffset;
  Integer offset = AStartOffset;
  for (Integer i = 0; i < Count(); ++i) Items(i)->CalculateLayout(offset);
  FRecordSize = offset;
}

void TvxValueDefs::LayoutFrom(Integer AIndex) {
  // The definitions before AIndex keep their places: the walk starts where the one
  // before AIndex ends, so adding or removing the last definition costs one step.
  Integer offset = FRecordOffset;
  if (AIndex > 0) {
    TvxValueDef* prev = FItems[static_cast<size_t>(AIndex - 1)];
    offset = prev->FOffset + prev->FBufferSize;
  }
  for (size_t i = static_cast<size_t>(AIndex); i < FItems.size(); ++i) FItems[i]->CalculateLayout(offset);
  FRecordSize = offset;
}

TvxValueDef* TvxValueDefs::NewValueDef(TvxValueTypeClass AValueTypeClass) {
  return new TvxValueDef(this, AValueTypeClass);
}

TvxValueDef* TvxValueDefs::Add(TvxValueTypeClass AValueTypeClass, bool AStored, bool ATextStored,
                               TObject* ALinkObject) {
  std::unique_ptr<TvxValueDef> def(NewValueDef(AValueTypeClass));
  def->FValueDefs = nullptr;  // no notifications while it is being set up
  def->SetLinkObject(ALinkObject);
  def->FStored = AStored;
  def->FTextStored = ATextStored;
  def->FValueDefs = this;
  Integer offset = 0;
  def->CalculateLayout(offset);
  if (FDataStorage) FDataStorage->ValueDefAdding(this, def.get());
  FItems.push_back(def.get());
  TvxValueDef* result = def.release();
  LayoutFrom(Count() - 1);
  return result;
}

void TvxValueDefs::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

Integer TvxValueDefs::StoredCount() const {
  Integer n = 0;
  for (TvxValueDef* d : FItems)
    if (d->GetStored()) ++n;
  return n;
}

TvxValueDef* TvxValueDefs::Items(Integer Index) const {
  if (FDataStorage && FDataStorage->FStreamingOrder && this == FDataStorage->FValueDefs.get())
    return FDataStorage->FStreamingOrder->at(static_cast<size_t>(Index));
  return FItems.at(static_cast<size_t>(Index));
}

Integer TvxValueDefs::IndexOf(const TvxValueDef* ADef) const {
  auto it = std::find(FItems.begin(), FItems.end(), ADef);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

Integer TvxValueDefs::LastIndexOf(const TvxValueDef* ADef) const {
  // From the end: definitions are mostly freed from the last one down.
  auto it = std::find(FItems.rbegin(), FItems.rend(), ADef);
  return it == FItems.rend() ? -1 : static_cast<Integer>(FItems.rend() - it) - 1;
}

void TvxValueDefs::Remove(TvxValueDef* ADef) {
  if (LastIndexOf(ADef) < 0) return;
  if (FDataStorage) FDataStorage->ValueDefRemoving(this, ADef);
  Integer index = LastIndexOf(ADef);
  FItems.erase(FItems.begin() + index);
  if (FDataStorage && FDataStorage->FStreamingOrder) {
    auto& order = *FDataStorage->FStreamingOrder;
    order.erase(std::remove(order.begin(), order.end(), ADef), order.end());
  }
  LayoutFrom(index);
}

TvxValueDef* TvxInternalValueDefs::NewValueDef(TvxValueTypeClass AValueTypeClass) {
  return new TvxInternalValueDef(this, AValueTypeClass);
}

TvxInternalValueDef* TvxInternalValueDefs::FindByLinkObject(TvxValueDef* ADef) const {
  for (Integer i = Count() - 1; i >= 0; --i) {
    auto* d = static_cast<TvxInternalValueDef*>(FItems[static_cast<size_t>(i)]);
    if (d->GetValueDef() == ADef) return d;
  }
  return nullptr;
}

void TvxInternalValueDefs::RemoveByLinkObject(TvxValueDef* ADef) { delete FindByLinkObject(ADef); }

// --- Data storage -----------------------------------------------------------------------

TvxDataStorage::TvxDataStorage() {
  FInternalValueDefs = std::make_unique<TvxInternalValueDefs>(this);
  FValueDefs = std::make_unique<TvxValueDefs>(this);
}

TvxDataStorage::~TvxDataStorage() {
  FDestroying = true;
  Clear(false);
  FStreamingOrder.reset();
  FValueDefs->Clear();
  FInternalValueDefs->Clear();
  FValueDefs.reset();
  FInternalValueDefs.reset();
}

void TvxDataStorage::PrepareStructure(TvxValueDefs* AValueDefs) { AValueDefs->Layout(HeaderSize()); }

TvxValueDefs* TvxDataStorage::DefsForRecord(Integer AIndex) const {
  return AIndex < 0 ? static_cast<TvxValueDefs*>(FInternalValueDefs.get()) : FValueDefs.get();
}

Byte*& TvxDataStorage::Slot(Integer ARecordIndex) {
  if (ARecordIndex < 0) {
    if (-static_cast<Int64>(ARecordIndex) > InternalRecordCount()) TList::Error(L"List index out of bounds (%d)", ARecordIndex);
    return FInternalRecords[static_cast<size_t>(-static_cast<Int64>(ARecordIndex) - 1)];
  }
  if (ARecordIndex >= RecordCount()) TList::Error(L"List index out of bounds (%d)", ARecordIndex);
  return FRecords[static_cast<size_t>(ARecordIndex)];
}

Byte* TvxDataStorage::RecordBuffer(Integer ARecordIndex) const {
  if (ARecordIndex < 0) {
    size_t i = static_cast<size_t>(-static_cast<Int64>(ARecordIndex) - 1);
    return i < FInternalRecords.size() ? FInternalRecords[i] : nullptr;
  }
  return static_cast<size_t>(ARecordIndex) < FRecords.size() ? FRecords[static_cast<size_t>(ARecordIndex)] : nullptr;
}

Byte* TvxDataStorage::AllocBuffer(TvxValueDefs* ADefs) {
  Integer size = ADefs->RecordSize();
  auto* b = static_cast<Byte*>(std::calloc(1, static_cast<size_t>(size > 0 ? size : 1)));
  if (!b) throw EOutOfMemory(L"Out of memory");
  return b;
}

void TvxDataStorage::AssignRecordID(Byte* ABuffer) {
  if (!FUseRecordID || Get<Integer>(ABuffer + 1) != 0) return;
  Put<Integer>(ABuffer + 1, FRecordIDCounter++);
}

Byte* TvxDataStorage::CheckRecordBuffer(Integer ARecordIndex) {
  Byte*& b = Slot(ARecordIndex);
  if (!b) b = AllocBuffer(DefsForRecord(ARecordIndex));
  return b;
}

void TvxDataStorage::FreeDetachedBuffer(TvxValueDefs* ADefs, Byte* ABuffer) {
  if (!ABuffer) return;
  for (Integer i = 0; i < ADefs->Count(); ++i) ReleaseBuffer(ADefs->Items(i), ABuffer);
  std::free(ABuffer);
}

void TvxDataStorage::FreeBuffer(Integer ARecordIndex) {
  Byte*& slot = Slot(ARecordIndex);
  Byte* b = slot;
  slot = nullptr;
  FreeDetachedBuffer(DefsForRecord(ARecordIndex), b);
}

TvxValueDef* TvxDataStorage::Resolve(Integer ARecordIndex, TvxValueDef* ADef) const {
  if (ARecordIndex < 0 && ADef && !dynamic_cast<TvxInternalValueDef*>(ADef))
    return FInternalValueDefs->FindByLinkObject(ADef);
  return ADef;
}

Integer TvxDataStorage::AppendRecord() {
  FRecords.push_back(nullptr);
  Integer index = RecordCount() - 1;
  if (FUseRecordID) AssignRecordID(CheckRecordBuffer(index));
  return index;
}

Integer TvxDataStorage::InsertRecord(Integer AIndex) {
  if (AIndex < 0 || AIndex > RecordCount()) TList::Error(L"List index out of bounds (%d)", AIndex);
  FRecords.insert(FRecords.begin() + AIndex, nullptr);
  if (FUseRecordID) AssignRecordID(CheckRecordBuffer(AIndex));
  return AIndex;
}

void TvxDataStorage::DeleteRecord(Integer AIndex) {
  if (AIndex < 0) {
    FreeBuffer(AIndex);
    return;
  }
  FreeBuffer(AIndex);
  FRecords.erase(FRecords.begin() + AIndex);
  if (FRecords.empty()) FRecordIDCounter = 1;
}

void TvxDataStorage::DeleteRecords(const std::vector<Integer>& AList) {
  if (AList.empty()) return;
  for (Integer r : AList)
    if (r < 0 || r >= RecordCount()) TList::Error(L"List index out of bounds (%d)", r);
  for (Integer r : AList) FreeBuffer(r);
  // Compact once: every kept slot moves down past the deleted ones before it.
  size_t to = static_cast<size_t>(AList.front()), next = 0;
  for (size_t from = to; from < FRecords.size(); ++from) {
    if (next < AList.size() && static_cast<size_t>(AList[next]) == from) {
      ++next;
      continue;
    }
    FRecords[to++] = FRecords[from];
  }
  FRecords.resize(to);
  if (FRecords.empty()) FRecordIDCounter = 1;
}

Integer TvxDataStorage::AddInternalRecord() {
  Integer index = 0;
  for (size_t i = 0; i < FInternalRecords.size(); ++i) {
    Byte* b = FInternalRecords[i];
    if (!b || !(b[0] & 1)) {
      index = -static_cast<Integer>(i) - 1;
      break;
    }
  }
  if (index == 0) {
    FInternalRecords.push_back(nullptr);
    index = -static_cast<Integer>(FInternalRecords.size());
  }
  Byte* b = CheckRecordBuffer(index);
  b[0] |= 1;
  return index;
}

void TvxDataStorage::Clear(bool AWithoutInternal) {
  if (!AWithoutInternal) ClearInternalRecords();
  ClearRecords(true);
}

void TvxDataStorage::ClearInternalRecords() {
  for (Integer i = 0; i < InternalRecordCount(); ++i) FreeBuffer(-i - 1);
  FInternalRecords.clear();
  if (OnClearInternalRecords) OnClearInternalRecords(this);
}

void TvxDataStorage::FreeNormalBuffers() {
  for (Integer i = 0; i < RecordCount(); ++i) FreeBuffer(i);
}

void TvxDataStorage::ClearRecords(bool AClearList) {
  FreeNormalBuffers();
  if (AClearList) FRecords.clear();
  if (FRecords.empty()) FRecordIDCounter = 1;
  if (FUseRecordID)
    for (Integer i = 0; i < RecordCount(); ++i) AssignRecordID(CheckRecordBuffer(i));
}

Integer TvxDataStorage::CompareRecords(Integer AIndex1, Integer AIndex2, TvxValueDef* AValueDef) {
  if (AIndex1 >= 0 && AIndex2 >= 0) return CompareBuffers(AValueDef, RecordBuffer(AIndex1), RecordBuffer(AIndex2));
  // An internal record has a layout of its own: each side is read through its own
  // definition.
  Pointer p1 = nullptr, p2 = nullptr;
  const bool null1 = GetCompareInfo(AIndex1, AValueDef, p1), null2 = GetCompareInfo(AIndex2, AValueDef, p2);
  return AValueDef->CompareValues(null1, null2, p1, p2);
}

bool TvxDataStorage::GetCompareInfo(Integer ARecordIndex, TvxValueDef* AValueDef, Pointer& P) {
  Byte* b = RecordBuffer(ARecordIndex);
  TvxValueDef* d = Resolve(ARecordIndex, AValueDef);
  if (!b || !d || b[d->FOffset] == 0) return true;
  P = b + d->FOffset + 1;
  d->FValueTypeClass->PrepareValueBuffer(P);
  return false;
}

Variant TvxDataStorage::GetValue(Integer ARecordIndex, TvxValueDef* AValueDef) {
  Byte* b = RecordBuffer(ARecordIndex);
  TvxValueDef* d = Resolve(ARecordIndex, AValueDef);
  if (!b || !d) return Null();
  return ReadSlotValue(d, b);
}

String TvxDataStorage::GetDisplayText(Integer ARecordIndex, TvxValueDef* AValueDef) {
  Byte* b = RecordBuffer(ARecordIndex);
  TvxValueDef* d = Resolve(ARecordIndex, AValueDef);
  if (!b || !d) return String();
  return ReadText(d, b);
}

const String* TvxDataStorage::PeekDisplayText(Integer ARecordIndex, TvxValueDef* AValueDef, bool& AEmpty) const {
  AEmpty = false;
  Byte* b = RecordBuffer(ARecordIndex);
  TvxValueDef* d = Resolve(ARecordIndex, AValueDef);
  if (!b || !d || d->FBufferSize == 0) {
    AEmpty = true;
    return nullptr;
  }
  Byte* p = b + d->FOffset;
  const String* s;
  if (d->TextStored()) {
    s = TvxValueType::StoredTextRef(p + 1 + d->FDataSize);
    AEmpty = !s;
    return s;
  }
  if (p[0] == 0) {
    AEmpty = true;
    return nullptr;
  }
  return d->FValueTypeClass->DefaultTextRef(p + 1);
}

const Byte* TvxDataStorage::PeekData(Integer ARecordIndex, TvxValueDef* AValueDef) const {
  Byte* b = RecordBuffer(ARecordIndex);
  TvxValueDef* d = Resolve(ARecordIndex, AValueDef);
  if (!b || !d || d->FBufferSize == 0 || b[d->FOffset] == 0) return nullptr;
  return b + d->FOffset + 1;
}

void TvxDataStorage::SetValue(Integer ARecordIndex, TvxValueDef* AValueDef, const Variant& Value) {
  Byte* b = CheckRecordBuffer(ARecordIndex);
  TvxValueDef* d = Resolve(ARecordIndex, AValueDef);
  if (d) WriteSlotValue(d, b, Value);
}

void TvxDataStorage::SetDisplayText(Integer ARecordIndex, TvxValueDef* AValueDef, const String& Value) {
  Byte* b = CheckRecordBuffer(ARecordIndex);
  TvxValueDef* d = Resolve(ARecordIndex, AValueDef);
  if (d) WriteText(d, b, Value);
}

Integer TvxDataStorage::GetRecordID(Integer ARecordIndex) { return Get<Integer>(CheckRecordBuffer(ARecordIndex) + 1); }

void TvxDataStorage::SetRecordID(Integer ARecordIndex, Integer AID) { Put<Integer>(CheckRecordBuffer(ARecordIndex) + 1, AID); }

void TvxDataStorage::ReadRecord(Integer ARecordIndex, TvxValueDefReader* AValueDefReader) {
  Byte* b = CheckRecordBuffer(ARecordIndex);
  TvxValueDefs* defs = DefsForRecord(ARecordIndex);
  for (Integer i = 0; i < defs->Count(); ++i) {
    TvxValueDef* d = defs->Items(i);
    if (AValueDefReader->IsInternal(d)) continue;
    WriteSlotValue(d, b, AValueDefReader->GetValue(d));
    if (d->TextStored()) WriteText(d, b, AValueDefReader->GetDisplayText(d));
  }
}

void TvxDataStorage::ReadRecordFrom(Integer AFromRecordIndex, Integer AToRecordIndex,
                                    TvxValueDefReader* AValueDefReader, const TvxValueDefSetProc& ASetProc) {
  TvxValueDefs* defs = DefsForRecord(AFromRecordIndex);
  for (Integer i = 0; i < defs->Count(); ++i) ASetProc(defs->Items(i), AFromRecordIndex, AToRecordIndex, AValueDefReader);
}

void TvxDataStorage::WriteData(Integer ARecordIndex, TStream* AStream) {
  if (ARecordIndex < 0) TList::Error(L"List index out of bounds (%d)", ARecordIndex);
  Byte* b = Slot(ARecordIndex);
  vdWriteFormatMarker(AStream);
  // What follows the marker is in the UTF-16 form, whatever the output stream holds.
  TvxFormatStream s(AStream, true);
  Byte nilByte = b ? 0 : 1;
  s.WriteBuffer(&nilByte, 1);
  if (!b) return;
  if (FUseRecordID) s.WriteBuffer(b + 1, 4);
  for (Integer i = 0; i < FValueDefs->Count(); ++i) {
    TvxValueDef* d = FValueDefs->Items(i);
    if (!d->StreamStored() || d->FBufferSize == 0) continue;
    Byte* p = b + d->FOffset;
    Byte isNull = p[0] == 0 ? 1 : 0;
    s.WriteBuffer(&isNull, 1);
    if (!isNull) d->FValueTypeClass->StreamOutValue(p + 1, &s);
    if (d->TextStored()) TvxValueType::StreamOutText(p + 1 + d->FDataSize, &s);
  }
}

void TvxDataStorage::ReadData(Integer ARecordIndex, TStream* AStream) {
  if (ARecordIndex < 0) TList::Error(L"List index out of bounds (%d)", ARecordIndex);
  Slot(ARecordIndex);  // the index must address a record
  TvdStream s(AStream);
  ReadDataInto(ARecordIndex, &s);
}

void TvxDataStorage::ReadDataInto(Integer ARecordIndex, TStream* AStream) {
  Byte nilByte = AStream->ReadValue<Byte>();
  if (nilByte > 1) vxInvalidStreamFormat();
  if (nilByte == 1) {
    FreeBuffer(ARecordIndex);
    return;
  }
  // The record is read into a buffer of its own, which replaces the record's only once
  // the whole record was read; on any failure it is released again.
  auto release = [this](Byte* B) { FreeDetachedBuffer(FValueDefs.get(), B); };
  std::unique_ptr<Byte, decltype(release)> fresh(AllocBuffer(FValueDefs.get()), release);
  Integer id = 0;
  if (FUseRecordID) {
    id = AStream->ReadValue<Integer>();
    Put<Integer>(fresh.get() + 1, id);
  }
  for (Integer i = 0; i < FValueDefs->Count(); ++i) {
    TvxValueDef* d = FValueDefs->Items(i);
    if (!d->StreamStored() || d->FBufferSize == 0) continue;
    Byte* p = fresh.get() + d->FOffset;
    Byte isNull = AStream->ReadValue<Byte>();
    if (isNull > 1) vxInvalidStreamFormat();
    if (!isNull) {
      d->FValueTypeClass->StreamInValue(p + 1, AStream);
      p[0] = 1;
    }
    if (d->TextStored()) TvxValueType::StreamInText(p + 1 + d->FDataSize, AStream);
  }
  Byte*& slot = Slot(ARecordIndex);
  Byte* old = slot;
  if (old) fresh.get()[0] = old[0];
  slot = fresh.release();
  FreeDetachedBuffer(FValueDefs.get(), old);
  if (FUseRecordID && id >= FRecordIDCounter) FRecordIDCounter = id + 1;
}

void TvxDataStorage::BeginStreaming(const TvxValueDefCompare& ACompare) {
  auto order = std::make_unique<std::vector<TvxValueDef*>>(FValueDefs->FItems);
  std::stable_sort(order->begin(), order->end(),
                   [&](TvxValueDef* a, TvxValueDef* b) { return ACompare(a, b) < 0; });
  FStreamingOrder = std::move(order);
}

void TvxDataStorage::EndStreaming() { FStreamingOrder.reset(); }

void TvxDataStorage::SetRecordCount(Integer Value) {
  if (Value < 0) Value = 0;
  while (RecordCount() < Value) AppendRecord();
  while (RecordCount() > Value) DeleteRecord(RecordCount() - 1);
}

void TvxDataStorage::SetStoredValuesOnly(bool Value) {
  if (FStoredValuesOnly == Value) return;
  FreeNormalBuffers();
  FStoredValuesOnly = Value;
  PrepareStructure(FValueDefs.get());
}

void TvxDataStorage::SetUseRecordID(bool Value) {
  if (FUseRecordID == Value) return;
  FreeNormalBuffers();
  // The header size changes for internal records as well, so their buffers go too.
  ClearInternalRecords();
  FUseRecordID = Value;
  PrepareStructure(FValueDefs.get());
  PrepareStructure(FInternalValueDefs.get());
}

// --- Slots ------------------------------------------------------------------------------

Variant TvxDataStorage::ReadSlotValue(TvxValueDef* ADef, Byte* ABuffer) {
  if (ADef->FBufferSize == 0) return Null();
  Byte* p = ABuffer + ADef->FOffset;
  if (p[0] == 0) return Null();
  return ADef->FValueTypeClass->LoadVariant(p + 1);
}

void TvxDataStorage::WriteSlotValue(TvxValueDef* ADef, Byte* ABuffer, const Variant& Value) {
  if (ADef->FBufferSize == 0) return;
  if (Value.IsNull()) {
    SetNullFlag(ADef, ABuffer, true);
    return;
  }
  // The value is stored first: when it does not convert, the slot keeps its old value
  // and its old null flag.
  ADef->FValueTypeClass->StoreVariant(ABuffer + ADef->FOffset + 1, Value);
  SetNullFlag(ADef, ABuffer, false);
}

String TvxDataStorage::ReadText(TvxValueDef* ADef, Byte* ABuffer) {
  if (ADef->FBufferSize == 0) return String();
  Byte* p = ABuffer + ADef->FOffset;
  if (ADef->TextStored()) return TvxValueType::StoredText(p + 1 + ADef->FDataSize);
  if (p[0] == 0) return String();
  return ADef->FValueTypeClass->DefaultText(p + 1);
}

void TvxDataStorage::WriteText(TvxValueDef* ADef, Byte* ABuffer, const String& Value) {
  if (ADef->FBufferSize == 0 || !ADef->TextStored()) return;
  TvxValueType::StoreText(ABuffer + ADef->FOffset + 1 + ADef->FDataSize, Value);
}

void TvxDataStorage::SetNullFlag(TvxValueDef* ADef, Byte* ABuffer, bool ANull) {
  Byte* p = ABuffer + ADef->FOffset;
  if (ANull) {
    if (p[0] != 0) {
      ADef->FValueTypeClass->ReleaseData(p + 1);
      std::memset(p + 1, 0, static_cast<size_t>(ADef->FDataSize));
    }
    p[0] = 0;
  } else {
    p[0] = 1;
  }
}

void TvxDataStorage::ReleaseBuffer(TvxValueDef* ADef, Byte* ABuffer) {
  if (ADef->FBufferSize == 0) return;
  Byte* p = ABuffer + ADef->FOffset;
  if (p[0] != 0) ADef->FValueTypeClass->ReleaseData(p + 1);
  if (ADef->TextStored()) TvxValueType::ReleaseText(p + 1 + ADef->FDataSize);
}

Integer TvxDataStorage::CompareBuffers(TvxValueDef* ADef, Byte* ABuffer1, Byte* ABuffer2) {
  bool n1 = !ABuffer1 || ADef->FBufferSize == 0 || ABuffer1[ADef->FOffset] == 0;
  bool n2 = !ABuffer2 || ADef->FBufferSize == 0 || ABuffer2[ADef->FOffset] == 0;
  if (n1 || n2) return n1 ? (n2 ? 0 : -1) : 1;
  return ADef->FValueTypeClass->CompareData(ABuffer1 + ADef->FOffset + 1, ABuffer2 + ADef->FOffset + 1);
}

// --- Structure changes --------------------------------------------------------------------

void TvxDataStorage::ValueDefAdding(TvxValueDefs* ADefs, TvxValueDef* ADef) {
  std::vector<Byte*>* buffers = nullptr;
  if (ADefs == FValueDefs.get()) {
    TvxValueDef* twin = FInternalValueDefs->Add(ADef->FValueTypeClass, true, ADef->FTextStored, ADef);
    (void)twin;
    buffers = &FRecords;
  } else {
    buffers = &FInternalRecords;
  }
  Integer grow = ADef->FBufferSize;
  if (grow == 0) return;
  Integer oldSize = ADefs->RecordSize();
  for (Byte*& b : *buffers) {
    if (!b) continue;
    auto* nb = static_cast<Byte*>(std::realloc(b, static_cast<size_t>(oldSize + grow)));
    if (!nb) throw EOutOfMemory(L"Out of memory");
    std::memset(nb + oldSize, 0, static_cast<size_t>(grow));
    b = nb;
  }
}

void TvxDataStorage::ValueDefRemoving(TvxValueDefs* ADefs, TvxValueDef* ADef) {
  std::vector<Byte*>* buffers = nullptr;
  if (ADefs == FValueDefs.get()) {
    if (FInternalValueDefs) FInternalValueDefs->RemoveByLinkObject(ADef);
    buffers = &FRecords;
  } else {
    buffers = &FInternalRecords;
  }
  Integer size = ADef->FBufferSize;
  if (size == 0) return;
  // Every buffer keeps its header (flags and record ID); only the definition's bytes go.
  Integer recordSize = ADefs->RecordSize();
  Integer tail = recordSize - (ADef->FOffset + size);
  for (Byte*& b : *buffers) {
    if (!b) continue;
    ReleaseBuffer(ADef, b);
    if (tail > 0) std::memmove(b + ADef->FOffset, b + ADef->FOffset + size, static_cast<size_t>(tail));
    Integer newSize = recordSize - size;
    auto* nb = static_cast<Byte*>(std::realloc(b, static_cast<size_t>(newSize > 0 ? newSize : 1)));
    if (nb) b = nb;
  }
}

// --- Helper -----------------------------------------------------------------------------

Pointer TvxDataStorageHelper::AllocateRecord(TvxDataStorage* ADataStorage) {
  return ADataStorage->AllocBuffer(ADataStorage->FValueDefs.get());
}

Integer TvxDataStorageHelper::AppendRecord(TvxDataStorage* ADataStorage, Pointer ARecord) {
  ADataStorage->FRecords.push_back(static_cast<Byte*>(ARecord));
  return ADataStorage->RecordCount() - 1;
}

Integer TvxDataStorageHelper::Compare(TvxValueDef* AValueDef, Pointer ARecord1, Pointer ARecord2) {
  return TvxDataStorage::CompareBuffers(AValueDef, static_cast<Byte*>(ARecord1), static_cast<Byte*>(ARecord2));
}

void TvxDataStorageHelper::FreeBuffer(TvxValueDef* AValueDef, Pointer ARecord) {
  TvxDataStorage::ReleaseBuffer(AValueDef, static_cast<Byte*>(ARecord));
}

void TvxDataStorageHelper::FreeRecord(TvxDataStorage* ADataStorage, Pointer& ARecord) {
  auto* b = static_cast<Byte*>(ARecord);
  ARecord = nullptr;
  ADataStorage->FreeDetachedBuffer(ADataStorage->FValueDefs.get(), b);
}

String TvxDataStorageHelper::GetDisplayText(TvxValueDef* AValueDef, Pointer ARecord) {
  return TvxDataStorage::ReadText(AValueDef, static_cast<Byte*>(ARecord));
}

Integer TvxDataStorageHelper::GetRecordSize(TvxDataStorage* ADataStorage) { return ADataStorage->FValueDefs->RecordSize(); }

Integer TvxDataStorageHelper::GetStoredCount(TvxDataStorage* ADataStorage) { return ADataStorage->FValueDefs->StoredCount(); }

Variant TvxDataStorageHelper::GetValue(TvxValueDef* AValueDef, Pointer ARecord) {
  if (!ARecord) return Null();
  return TvxDataStorage::ReadSlotValue(AValueDef, static_cast<Byte*>(ARecord));
}

Pointer TvxDataStorageHelper::RemoveRecord(TvxDataStorage* ADataStorage, Integer ARecordIndex) {
  Byte* b = ADataStorage->FRecords.at(static_cast<size_t>(ARecordIndex));
  ADataStorage->FRecords.erase(ADataStorage->FRecords.begin() + ARecordIndex);
  return b;
}

void TvxDataStorageHelper::SetDisplayText(Pointer ARecord, TvxValueDef* AValueDef, const String& AValue) {
  TvxDataStorage::WriteText(AValueDef, static_cast<Byte*>(ARecord), AValue);
}

void TvxDataStorageHelper::SetRecordsCapacity(TvxDataStorage* ADataStorage, Integer ACapacity) {
  if (ACapacity > 0) ADataStorage->FRecords.reserve(static_cast<size_t>(ACapacity));
}

void TvxDataStorageHelper::SetTextStored(TvxValueDef* AValueDef, bool ATextStored) {
  if (AValueDef->FTextStored == ATextStored) return;
  AValueDef->FTextStored = ATextStored;
  TvxValueDefs* defs = AValueDef->FValueDefs;
  if (defs && defs->DataStorage()) defs->DataStorage()->PrepareStructure(defs);
}

void TvxDataStorageHelper::SetValue(Pointer ARecord, TvxValueDef* AValueDef, const Variant& AValue) {
  TvxDataStorage::WriteSlotValue(AValueDef, static_cast<Byte*>(ARecord), AValue);
}

// --- Unit -------------------------------------------------------------------------------

namespace {

void InitDataStorage() {
  for (TvxValueTypeClass c : BuiltInTypes()) GetValueTypeClassList()->RegisterItem(c);
}

void FinDataStorage() {
  std::vector<TvxValueTypeClass> types = BuiltInTypes();
  if (GValueTypeClassList)
    for (auto it = types.rbegin(); it != types.rend(); ++it) GValueTypeClassList->UnregisterItem(*it);
  GValueTypeClassList.reset();
}

}  // namespace

const TUnitInfo vxDataStorageUnit = {L"vxDataStorage", InitDataStorage, FinDataStorage};
