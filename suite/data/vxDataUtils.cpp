#include "vxDataUtils.h"

namespace {

template <class T>
T ReadPlain(TStream* S) {
  T v{};
  S->ReadBuffer(&v, static_cast<Integer>(sizeof(T)));
  return v;
}

template <class T>
void WritePlain(TStream* S, const T& V) {
  S->WriteBuffer(&V, static_cast<Integer>(sizeof(T)));
}

}  // namespace

bool vxIsUnicodeStream(TStream* AStream) {
  if (auto* vd = dynamic_cast<TvdStream*>(AStream)) return vd->IsUnicode();
  if (auto* fs = dynamic_cast<TvxFormatStream*>(AStream)) return fs->IsUnicode();
  return false;
}

// --- Reader -----------------------------------------------------------------------------

TvxReader::TvxReader(TStream* AStream) : TvxFiler(AStream) { IsUnicode = vdReadFormatMarker(AStream); }

AnsiString TvxReader::ReadAnsiString() {
  Integer n = ReadPlain<Integer>(Stream);
  vxCheckStreamCount(Stream, n, 1);
  AnsiString s(static_cast<size_t>(n), '\0');
  if (n) Stream->ReadBuffer(s.data(), n);
  return s;
}

bool TvxReader::ReadBoolean() {
  Byte b = ReadPlain<Byte>(Stream);
  if (b > 1) vxInvalidStreamFormat();
  return b != 0;
}

Byte TvxReader::ReadByte() { return ReadPlain<Byte>(Stream); }
ShortInt TvxReader::ReadShortInt() { return ReadPlain<ShortInt>(Stream); }
SmallInt TvxReader::ReadSmallInt() { return ReadPlain<SmallInt>(Stream); }
Word TvxReader::ReadWord() { return ReadPlain<Word>(Stream); }
WideChar TvxReader::ReadChar() { return static_cast<WideChar>(ReadPlain<Word>(Stream)); }
Integer TvxReader::ReadInteger() { return ReadPlain<Integer>(Stream); }
Cardinal TvxReader::ReadCardinal() { return ReadPlain<Cardinal>(Stream); }
Single TvxReader::ReadSingle() { return ReadPlain<Single>(Stream); }
Currency TvxReader::ReadCurrency() { return Currency::FromScaled(ReadPlain<Int64>(Stream)); }
TDateTime TvxReader::ReadDateTime() { return ReadPlain<double>(Stream); }
Int64 TvxReader::ReadLargeInt() { return ReadPlain<Int64>(Stream); }

double TvxReader::ReadFloat() {
  Byte b[10];
  Stream->ReadBuffer(b, 10);
  return vxExtendedToDouble(b);
}

WideString TvxReader::ReadWideString() {
  Integer n = ReadPlain<Integer>(Stream);
  vxCheckStreamCount(Stream, n, 2);
  WideString s(static_cast<size_t>(n), L'\0');
  if (n) Stream->ReadBuffer(s.data(), n * 2);
  return s;
}

Variant TvxReader::ReadVariant() { return ReadVariantFromStream(Stream); }

String TvxReader::ReadString_() {
  String s;
  vdReadStreamString(Stream, IsUnicode, s);
  return s;
}

// --- Writer -----------------------------------------------------------------------------

TvxWriter::TvxWriter(TStream* AStream) : TvxFiler(AStream) { IsUnicode = true; }

void TvxWriter::WriteAnsiString(const AnsiString& S) {
  WritePlain<Integer>(Stream, static_cast<Integer>(S.size()));
  if (!S.empty()) Stream->WriteBuffer(S.data(), static_cast<Integer>(S.size()));
}

void TvxWriter::WriteBoolean(bool V) { WritePlain<Byte>(Stream, V ? 1 : 0); }
void TvxWriter::WriteByte(Byte V) { WritePlain(Stream, V); }
void TvxWriter::WriteShortInt(ShortInt V) { WritePlain(Stream, V); }
void TvxWriter::WriteSmallInt(SmallInt V) { WritePlain(Stream, V); }
void TvxWriter::WriteWord(Word V) { WritePlain(Stream, V); }
void TvxWriter::WriteChar(WideChar V) { WritePlain<Word>(Stream, static_cast<Word>(V)); }
void TvxWriter::WriteInteger(Integer V) { WritePlain(Stream, V); }
void TvxWriter::WriteCardinal(Cardinal V) { WritePlain(Stream, V); }
void TvxWriter::WriteSingle(Single V) { WritePlain(Stream, V); }
void TvxWriter::WriteCurrency(Currency V) { WritePlain<Int64>(Stream, V.Value); }
void TvxWriter::WriteDateTime(TDateTime V) { WritePlain<double>(Stream, V); }
void TvxWriter::WriteLargeInt(Int64 V) { WritePlain(Stream, V); }

void TvxWriter::WriteFloat(double V) {
  Byte b[10];
  vxDoubleToExtended(V, b);
  Stream->WriteBuffer(b, 10);
}

void TvxWriter::WriteWideString(const WideString& S) {
  WritePlain<Integer>(Stream, static_cast<Integer>(S.size()));
  if (!S.empty()) Stream->WriteBuffer(S.data(), static_cast<Integer>(S.size() * 2));
}

void TvxWriter::WriteVariant(const Variant& V) { WriteVariantToStream(Stream, V); }

// --- Data binding -----------------------------------------------------------------------

TvxCustomDataBinding::TvxCustomDataBinding(TComponent* AOwner, TComponent* ADataComponent)
    : FDataComponent(ADataComponent), FOwner(AOwner) {}

void TvxCustomDataBinding::NotifyDataChange() {
  if (OnDataChange) OnDataChange();
}

void TvxCustomDataBinding::NotifyDataSetChange() {
  if (OnDataSetChange) OnDataSetChange();
}

void TvxCustomDataBinding::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  NotifyDataSetChange();
}

void TvxCustomDataBinding::NotifyUpdateData() {
  if (OnUpdateData) OnUpdateData();
}

TPersistent* TvxCustomDataBinding::GetOwner() { return FOwner; }

void TvxCustomDataBinding::SetVisualControl(TComponent* Value) {
  if (FVisualControl == Value) return;
  FVisualControl = Value;
  VisualControlUpdated();
}

// --- Collection -------------------------------------------------------------------------

void TvxCollection::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TCollection*>(Source);
  if (!src) {
    TCollection::Assign(Source);
    return;
  }
  if (Count() == 0 && src->Count() == 0) return;
  TUpdateScope<TvxCollection> update(this);
  for (Integer i = 0; i < src->Count(); ++i) {
    TCollectionItem* item = i < Count() ? Items(i) : Add();
    item->Assign(src->Items(i));
  }
  while (Count() > src->Count()) Delete(Count() - 1);
}

const TUnitInfo vxDataUtilsUnit = {L"vxDataUtils", nullptr, nullptr};
