// Typed readers and writers over a stream, the stream wrapper that carries the text form
// of a record stream, the inert data binding held by list boxes and shell controls, and
// a collection whose Assign keeps its existing items.
#pragma once

#include <functional>

#include "Classes.h"
#include "Persistent.h"
#include "vdCore.h"
#include "vxVariants.h"

class TBasicAction;

// A stream (not owned) with a known text form: UTF-16 strings when IsUnicode, else
// strings in the system ANSI code page. Writers of record streams use it after they
// wrote the "VDUFMT" marker, so that their strings match what the reader expects.
class TvxFormatStream : public TStream {
  DECLARE_CLASS(TvxFormatStream, TStream)
 public:
  TvxFormatStream(TStream* AStream, bool AIsUnicode) : FStream(AStream), FIsUnicode(AIsUnicode) {}
  Integer Read(void* Buffer, Integer Count) override { return FStream->Read(Buffer, Count); }
  Integer Write(const void* Buffer, Integer Count) override { return FStream->Write(Buffer, Count); }
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override { return FStream->Seek(Offset, Origin); }
  bool IsUnicode() const { return FIsUnicode; }

 protected:
  Int64 GetSize() override { return FStream->Size(); }

 private:
  TStream* FStream;
  bool FIsUnicode;
};

// True for a TvdStream that read a "VDUFMT" marker and a TvxFormatStream in the UTF-16
// form; False for every other stream.
bool vxIsUnicodeStream(TStream* AStream);

class TvxFiler : public TObject {
  DECLARE_CLASS(TvxFiler, TObject)
 public:
  bool IsUnicode = false;
  TStream* Stream = nullptr;

 protected:
  explicit TvxFiler(TStream* AStream) : Stream(AStream) {}
};

// Reads the typed forms; a reader first consumes a "VDUFMT" (UTF-16 strings) or
// "VDAFMT" marker when one is there. Counts and lengths larger than what remains raise
// "Invalid stream format".
class TvxReader : public TvxFiler {
  DECLARE_CLASS(TvxReader, TvxFiler)
 public:
  explicit TvxReader(TStream* AStream);
  AnsiString ReadAnsiString();
  bool ReadBoolean();
  Byte ReadByte();
  ShortInt ReadShortInt();
  SmallInt ReadSmallInt();
  Word ReadWord();
  WideChar ReadChar();
  Integer ReadInteger();
  Cardinal ReadCardinal();
  Single ReadSingle();
  Currency ReadCurrency();
  TDateTime ReadDateTime();
  Int64 ReadLargeInt();
  double ReadFloat();
  WideString ReadWideString();
  Variant ReadVariant();
  String ReadString_();
};

// Writes the typed forms. A writer does not examine its output stream for a marker:
// what it writes is always in the UTF-16 form (IsUnicode is True).
class TvxWriter : public TvxFiler {
  DECLARE_CLASS(TvxWriter, TvxFiler)
 public:
  explicit TvxWriter(TStream* AStream);
  void WriteAnsiString(const AnsiString& S);
  void WriteBoolean(bool V);
  void WriteByte(Byte V);
  void WriteShortInt(ShortInt V);
  void WriteSmallInt(SmallInt V);
  void WriteWord(Word V);
  void WriteChar(WideChar V);
  void WriteInteger(Integer V);
  void WriteCardinal(Cardinal V);
  void WriteSingle(Single V);
  void WriteCurrency(Currency V);
  void WriteDateTime(TDateTime V);
  void WriteLargeInt(Int64 V);
  void WriteFloat(double V);
  void WriteWideString(const WideString& S);
  void WriteVariant(const Variant& V);
};

enum TvxDataEditValueSource { evsValue, evsText, evsKey };

using TvxDataBindingNotifyEvent = std::function<void()>;

class TvxCustomDataBinding : public TPersistent {
  DECLARE_CLASS(TvxCustomDataBinding, TPersistent)
 public:
  TvxCustomDataBinding(TComponent* AOwner, TComponent* ADataComponent);
  virtual void NotifyDataChange();
  virtual void NotifyDataSetChange();
  virtual bool GetModified() { return false; }
  virtual bool GetReadOnly() { return FReadOnly; }
  virtual void SetReadOnly(bool Value);
  virtual void NotifyUpdateData();
  virtual void VisualControlUpdated() {}
  virtual bool CanModify() { return !GetReadOnly(); }
  virtual bool ExecuteAction(TBasicAction* Action) { return false; }
  virtual Variant GetStoredValue(TvxDataEditValueSource AValueSource, bool AFocused) { return Null(); }
  virtual bool IsControlReadOnly() { return GetReadOnly(); }
  virtual bool IsDataSourceLive() { return true; }
  virtual bool IsDataStorage() { return false; }
  virtual void Reset() {}
  virtual bool SetEditMode() { return CanModify(); }
  virtual void SetStoredValue(TvxDataEditValueSource AValueSource, const Variant& Value) {}
  virtual bool UpdateAction(TBasicAction* Action) { return false; }
  virtual void UpdateDataSource() {}
  TPersistent* GetOwner() override;

  bool Modified() { return GetModified(); }
  bool ReadOnly() { return GetReadOnly(); }
  TComponent* DataComponent() const { return FDataComponent; }
  TComponent* Owner() const { return FOwner; }
  TComponent* VisualControl() const { return FVisualControl; }
  void SetVisualControl(TComponent* Value);

  TvxDataBindingNotifyEvent OnDataChange;
  TvxDataBindingNotifyEvent OnDataSetChange;
  TvxDataBindingNotifyEvent OnUpdateData;

 private:
  TComponent* FDataComponent;
  TComponent* FOwner;
  bool FReadOnly = false;
  TComponent* FVisualControl = nullptr;
};

class TvxCollection : public TCollection {
  DECLARE_CLASS(TvxCollection, TCollection)
 public:
  using TCollection::TCollection;
  // Items are assigned in place; missing ones are added and surplus ones deleted from
  // the end, so existing items keep their identity.
  void Assign(TPersistent* Source) override;
};

extern const TUnitInfo vxDataUtilsUnit;
