#include "vxDataUtils.h"

bool vxIsUnicodeStream(TStream* AStream) {
  if (auto* vd = dynamic_cast<TvdStream*>(AStream)) return vd->IsUnicode();
  if (auto* fs = dynamic_cast<TvxFormatStream*>(AStream)) return fs->IsUnicode();
  return false;
}

// --- Reader -----------------------------------------------------------------------------

TvxReader::TvxReader(TStream* AStream) : TvxFiler(AStream) { IsUnicode = vdReadFormatMarker(AStream); }

AnsiString TvxReader::ReadAnsiString() {
  Integer n = Stream->ReadValue<Integer>();
  vxCheckStreamCount(Stream, n, 1);
  AnsiString s(static_cast<size_t>(n), '\0');
  if (n) Stream->ReadBuffer(s.data(), n);
  return s;
}

bool TvxReader::ReadBoolean() {
  Byte b = Stream->ReadValue<Byte>();
  if (b > 1) vxInvalidStreamFormat();
  return b != 0;
}

Byte TvxReader::ReadByte() { return Stream->ReadValue<Byte>(); }
ShortInt TvxReader::ReadShortInt() { return Stream->ReadValue<ShortInt>(); }
SmallInt TvxReader::ReadSmallInt() { return Stream->ReadValue<SmallInt>(); }
Word TvxReader::ReadWord() { return Stream->ReadValue<Word>(); }
WideChar TvxReader::ReadChar() { return static_cast<WideChar>(Stream->ReadValue<Word>()); }
Integer TvxReader::ReadInteger() { return Stream->ReadValue<Integer>(); }
Cardinal TvxReader::ReadCardinal() { return Stream->ReadValue<Cardinal>(); }
Single TvxReader::ReadSingle() { return Stream->ReadValue<Single>(); }
Currency TvxReader::ReadCurrency() { return Currency::FromScaled(Stream->ReadValue<Int64>()); }
TDateTime TvxReader::ReadDateTime() { return Stream->ReadValue<double>(); }
Int64 TvxReader::ReadLargeInt() { return Stream->ReadValue<Int64>(); }

double TvxReader::ReadFloat() {
  Byte b[10];
  Stream->ReadBuffer(b, 10);
  return vxExtendedToDouble(b);
}

WideString TvxReader::ReadWideString() {
  Integer n = Stream->ReadValue<Integer>();
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
  Stream->WriteValue<Integer>(static_cast<Integer>(S.size()));
  if (!S.empty()) Stream->WriteBuffer(S.data(), static_cast<Integer>(S.size()));
}

void TvxWriter::WriteBoolean(bool V) { Stream->WriteValue<Byte>(V ? 1 : 0); }
void TvxWriter::WriteByte(Byte V) { Stream->WriteValue(V); }
void TvxWriter::WriteShortInt(ShortInt V) { Stream->WriteValue(V); }
void TvxWriter::WriteSmallInt(SmallInt V) { Stream->WriteValue(V); }
void TvxWriter::WriteWord(Word V) { Stream->WriteValue(V); }
void TvxWriter::WriteChar(WideChar V) { Stream->WriteValue<Word>(static_cast<Word>(V)); }
void TvxWriter::WriteInteger(Integer V) { Stream->WriteValue(V); }
void TvxWriter::WriteCardinal(Cardinal V) { Stream->WriteValue(V); }
void TvxWriter::WriteSingle(Single V) { Stream->WriteValue(V); }
void TvxWriter::WriteCurrency(Currency V) { Stream->WriteValue<Int64>(V.Value); }
void TvxWriter::WriteDateTime(TDateTime V) { Stream->WriteValue<double>(V); }
void TvxWriter::WriteLargeInt(Int64 V) { Stream->WriteValue(V); }

void TvxWriter::WriteFloat(double V) {
  Byte b[10];
  vxDoubleToExtended(V, b);
  Stream->WriteBuffer(b, 10);
}

void TvxWriter::WriteWideString(const WideString& S) {
  Stream->WriteValue<Integer>(static_cast<Integer>(S.size()));
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
