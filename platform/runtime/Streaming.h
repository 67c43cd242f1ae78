// Component streaming: the binary component format ("TPF0"), TReader and TWriter that
// read and write components through their published properties, the text form of
// that format, and loading components from the module's form resources.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Persistent.h"
#include "TypInfo.h"

// Value tags of the binary format.
enum TValueType : Byte {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
  vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
  vaInt64, vaUTF8String, vaDouble
};

// Flags in front of a component: inherited from an ancestor form, position among the
// parent's children, inline frame.
enum TFilerFlag { ffInherited, ffChildPos, ffInline };
using TFilerFlags = Set<TFilerFlag, 8>;

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

// What the reader and the writer have in common: the stream, the root component, and
// the definition of unpublished properties (TPersistent::DefineProperties).
class TFiler : public TObject {
  DECLARE_CLASS(TFiler, TObject)
 public:
  explicit TFiler(TStream* Stream) : FStream(Stream) {}

  // A property with its own reader and writer. HasData: whether it is written.
  virtual void DefineProperty(const String& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;
  // A property written as a block of bytes (vaBinary).
  virtual void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;

  TStream* Stream() const { return FStream; }
  TComponent* Root() const { return FRoot; }
  virtual void SetRoot(TComponent* Value) { FRoot = Value; }
  TComponent* LookupRoot() const { return FLookupRoot; }
  // The ancestor being compared against while writing (not used when reading).
  TPersistent* Ancestor() const { return FAncestor; }
  void SetAncestor(TPersistent* Value) { FAncestor = Value; }
  bool IgnoreChildren() const { return FIgnoreChildren; }
  void SetIgnoreChildren(bool Value) { FIgnoreChildren = Value; }

 protected:
  TStream* FStream;
  TComponent* FRoot = nullptr;
  TComponent* FLookupRoot = nullptr;
  TPersistent* FAncestor = nullptr;
  bool FIgnoreChildren = false;
};

// Reads components from the binary format. Every malformed or truncated input raises
// EReadError; components made by a failed read are freed again.
class TReader : public TFiler {
  DECLARE_CLASS(TReader, TFiler)
 public:
  explicit TReader(TStream* Stream);
  ~TReader() override;

  void DefineProperty(const String& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  // Reads a whole stream ("TPF0" + one component). Root nullptr: the root is created
  // from its registered class. References are resolved and Loaded is called for every
  // component read once the whole root is in.
  TComponent* ReadRootComponent(TComponent* Root);
  // Reads one component (the prefix, class and name, properties, children). Component:
  // an existing component to read into, or nullptr to create one owned by Owner().
  TComponent* ReadComponent(TComponent* Component);
  // Reads the properties and children of Instance (TComponent::ReadState).
  void ReadData(TComponent* Instance);

  // Owner and parent of the components being read.
  TComponent* Owner() const { return FOwner; }
  void SetOwner(TComponent* Value) { FOwner = Value; }
  TComponent* Parent() const { return FParent; }
  void SetParent(TComponent* Value) { FParent = Value; }

  // Low-level reading of values.
  void ReadSignature();
  void ReadPrefix(TFilerFlags& Flags, Integer& AChildPos);
  TValueType NextValue();
  TValueType ReadValue();
  bool EndOfList();
  void ReadListBegin();
  void ReadListEnd();
  void CheckValue(TValueType Value);
  void SkipValue();
  bool ReadBoolean();
  Integer ReadInteger();
  Int64 ReadInt64();
  double ReadFloat();
  Single ReadSingle();
  Currency ReadCurrency();
  TDateTime ReadDate();
  String ReadString();
  String ReadIdent();
  wchar_t ReadChar();
  Variant ReadVariant();
  String ReadStr();  // a length-prefixed name (class, component or property name)
  void ReadCollection(TCollection* Collection);
  void ReadProperty(TPersistent* AInstance);
  void Read(void* Buf, Integer Count);

 private:
  struct TFixup {
    TPersistent* Instance;
    TComponent* Component;  // the component being read when the reference was met
    PPropInfo Prop;
    String Name;
  };
  struct TReadState;
  void ReadPropValue(TPersistent* Instance, PPropInfo Prop);
  void ReadSetBits(PPropInfo Prop, Int64& Bits);
  void ReadDataInner(TComponent* Instance);
  void ResolveFixups();
  void DropFixups(TComponent* Component);
  [[noreturn]] void InvalidFormat();
  [[noreturn]] void InvalidValue();
  void CheckRemaining(Int64 Count);
  void Enter();
  void Leave() { --FDepth; }

  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  std::vector<TFixup> FFixups;
  std::vector<TComponent*> FLoaded;
  String FPropName;  // the defined property being looked for
  Integer FDepth = 0;
  std::unique_ptr<TReadState> FState;
};

// Writes components in the binary format.
class TWriter : public TFiler {
  DECLARE_CLASS(TWriter, TFiler)
 public:
  explicit TWriter(TStream* Stream) : TFiler(Stream) {}

  void DefineProperty(const String& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  // "TPF0" + Root with its children; references are written relative to Root.
  void WriteRootComponent(TComponent* Root);
  // Writes Component (TComponent::WriteState → WriteData).
  void WriteComponent(TComponent* Component);
  // Writes the prefix, class, name, properties and children of Instance.
  void WriteData(TComponent* Instance);

  void WriteSignature();
  void WritePrefix(TFilerFlags Flags, Integer AChildPos);
  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  void WriteBoolean(bool Value);
  void WriteInteger(Int64 Value);
  void WriteFloat(double Value);  // vaExtended (10 bytes)
  void WriteDouble(double Value);
  void WriteSingle(Single Value);
  void WriteCurrency(Currency Value);
  void WriteDate(TDateTime Value);
  // Text: ASCII as vaString/vaLString, other text as UTF-8 or UTF-16, whichever is
  // shorter (UTF-16 on a tie).
  void WriteString(const String& Value);
  void WriteWideString(const String& Value);
  void WriteUTF8Str(const String& Value);
  void WriteIdent(const String& Ident);
  void WriteChar(wchar_t Value);
  // Empty as vaNil, Null as vaNull, arrays (one dimension) as lists; EWriteError for
  // values of other types.
  void WriteVariant(const Variant& Value);
  void WriteStr(const String& Value);  // a length-prefixed name
  void WriteCollection(TCollection* Value);
  void WriteProperties(TPersistent* Instance);
  void WriteBinary(const TBytes& Data);
  void Write(const void* Buf, Integer Count);

 private:
  void WriteProperty(TPersistent* Instance, PPropInfo Prop);
  void WritePropName(const String& Name);
  String ComponentReference(TComponent* C);
  String FPropPath;  // prefix of nested object properties ("Font.")
};

// Text form ------------------------------------------------------------------------------

// Converts the binary form (from the stream's position) to the text form, written as
// ASCII with #nnn codes for other characters.
void ObjectBinaryToText(TStream* Input, TStream* Output);
// Converts the text form (ASCII, UTF-8 with or without signature, or UTF-16 with its
// signature) to the binary form. EParserError with the line on a syntax error.
void ObjectTextToBinary(TStream* Input, TStream* Output);
DECLARE_EXCEPTION(EParserError, EReadError)

// The same over strings and byte arrays.
String ObjectBinaryToText(const TBytes& Binary);
TBytes ObjectTextToBinary(const String& Text);

// Whole components -------------------------------------------------------------------------

// Writes Instance (with its children) as a root: the stream then holds "TPF0" and it.
void WriteComponentToStream(TStream* Stream, TComponent* Instance);
// Reads a root component from the stream, into Instance when given, else creating it
// from its registered class. Text-form streams are accepted too.
TComponent* ReadComponentFromStream(TStream* Stream, TComponent* Instance);
// The text form of a component.
String ComponentToText(TComponent* Instance);
// Reads a component from its text form, into Instance or creating it.
TComponent* TextToComponent(const String& Text, TComponent* Instance);

// Reads the RCDATA resource ResName of the module (binary or text form) into Instance.
// False when the resource does not exist.
bool ReadComponentRes(const String& ResName, TComponent* Instance, HMODULE Module = nullptr);
// Loads Instance from the form resources named after its class and after each ancestor
// class below RootAncestor, ancestors first. False when none of them exists.
bool InitInheritedComponent(TComponent* Instance, TClass RootAncestor, HMODULE Module = nullptr);

// Roots found by name for references into other roots ("Form2.Button1").
using TFindGlobalComponent = TComponent* (*)(const String& Name);
void RegisterFindGlobalComponentProc(TFindGlobalComponent AFindGlobalComponent);
void UnregisterFindGlobalComponentProc(TFindGlobalComponent AFindGlobalComponent);
TComponent* FindGlobalComponent(const String& Name);

// Integer properties whose values have names (colours, cursors): the writer writes the
// name, the reader accepts the name or the number. Keyed by the type's name.
using TIdentToInt = bool (*)(const String& Ident, Integer& Int);
using TIntToIdent = bool (*)(Integer Int, String& Ident);
void RegisterIntegerConsts(PTypeInfo IntegerType, TIdentToInt IdentToInt, TIntToIdent IntToIdent);
TIdentToInt FindIdentToInt(PTypeInfo IntegerType);
TIntToIdent FindIntToIdent(PTypeInfo IntegerType);
