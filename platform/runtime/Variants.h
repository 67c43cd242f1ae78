// Variants: a value of any scalar type, Null, Empty, an array of values or a value of a
// registered custom type, with the OLE type codes, conversions, comparisons and
// arithmetic over mixed types (see the operators below).
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "SysInit.h"
#include "SysUtils.h"

struct IUnknown;
struct IDispatch;

using TVarType = Word;

enum : TVarType {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,
  varInteger = 0x0003,
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,
  varDate = 0x0007,
  varOleStr = 0x0008,
  varDispatch = 0x0009,
  varError = 0x000A,
  varBoolean = 0x000B,
  varVariant = 0x000C,
  varUnknown = 0x000D,
  varShortInt = 0x0010,
  varByte = 0x0011,
  varWord = 0x0012,
  varLongWord = 0x0013,
  varInt64 = 0x0014,
  varUInt64 = 0x0015,
  varStrArg = 0x0048,
  varString = 0x0100,  // 8-bit text in the system ANSI code page
  varAny = 0x0101,
  varUString = 0x0102,  // UTF-16 text
  varTypeMask = 0x0FFF,
  varArray = 0x2000,
  varByRef = 0x4000,
};

// The first type code handed to a custom variant type.
constexpr TVarType CFirstUserType = 0x010F;

DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError)
DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
DECLARE_EXCEPTION(EVariantOverflowError, EVariantError)
DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError)
DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError)
DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError)
DECLARE_EXCEPTION(EVariantArrayLockedError, EVariantError)
DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError)
DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError)
DECLARE_EXCEPTION(EVariantNotImplError, EVariantError)
DECLARE_EXCEPTION(EVariantRangeCheckError, EVariantError)
// An index outside an array's bounds raises EVariantBadIndexError.
using EVariantArrayBoundsError = EVariantBadIndexError;

enum TVarOp : Byte {
  opAdd, opSubtract, opMultiply, opDivide, opIntDivide, opModulus, opShiftLeft, opShiftRight,
  opAnd, opOr, opXor, opCompare, opNegate, opNot, opCmpEQ, opCmpNE, opCmpLT, opCmpLE,
  opCmpGT, opCmpGE
};

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Marks a TDateTime argument as a date (TDateTime is a double).
struct TVarDateTag {};
inline constexpr TVarDateTag varDateTag{};

class Variant;
class TCustomVariantType;

// The storage of a variant array: element type, bounds (dimension 1 first) and elements.
// Fixed-size element types are kept packed (dimension 1 varying fastest) so that
// VarArrayLock hands out the raw data; other element types are kept as variants.
struct TVarArrayBound {
  Integer ElementCount;
  Integer LowBound;
};

class TVarArray {
 public:
  TVarType ElemType = varVariant;
  std::vector<TVarArrayBound> Bounds;
  Integer LockCount = 0;
  std::vector<Byte> Raw;         // packed elements of a fixed-size type
  std::vector<Variant> Items;    // elements of every other type
  bool Packed() const;
  size_t ElementCount() const;
  Integer ElemSize() const;
};

class Variant {
 public:
  Variant() noexcept {}
  Variant(const Variant& Other);
  Variant(Variant&& Other) noexcept;
  Variant& operator=(const Variant& Other);
  Variant& operator=(Variant&& Other) noexcept;
  ~Variant();

  Variant(bool V) : FType(varBoolean) { FData.VBoolean = V; }
  Variant(ShortInt V) : FType(varShortInt) { FData.VInt64 = V; }
  Variant(Byte V) : FType(varByte) { FData.VInt64 = V; }
  Variant(SmallInt V) : FType(varSmallint) { FData.VInt64 = V; }
  Variant(Word V) : FType(varWord) { FData.VInt64 = V; }
  Variant(int V) : FType(varInteger) { FData.VInt64 = V; }
  Variant(unsigned int V) : FType(varLongWord) { FData.VInt64 = V; }
  Variant(long V) : FType(varInteger) { FData.VInt64 = V; }
  Variant(unsigned long V) : FType(varLongWord) { FData.VInt64 = static_cast<Int64>(V); }
  Variant(long long V) : FType(varInt64) { FData.VInt64 = V; }
  Variant(unsigned long long V) : FType(varUInt64) { FData.VUInt64 = V; }
  Variant(float V) : FType(varSingle) { FData.VDouble = V; }
  Variant(double V) : FType(varDouble) { FData.VDouble = V; }
  Variant(Currency V) : FType(varCurrency) { FData.VInt64 = V.Value; }
  Variant(TDateTime V, TVarDateTag) : FType(varDate) { FData.VDouble = V; }
  Variant(const String& V) : FType(varUString), FStr(V) {}
  Variant(String&& V) : FType(varUString), FStr(std::move(V)) {}
  Variant(const wchar_t* V) : FType(varUString), FStr(V ? V : L"") {}
  Variant(wchar_t V) : FType(varUString), FStr(1, V) {}
  Variant(const AnsiString& V) : FType(varString), FAnsi(V) {}
  Variant(const char* V) : FType(varString), FAnsi(V ? V : "") {}
  Variant(IUnknown* V);
  Variant(IDispatch* V);

  // A variant of the given type holding the given value (converted).
  static Variant FromType(const Variant& Value, TVarType AVarType);
  static Variant Error(HRESULT Code);
  // A by-reference variant that reads its value from Target (which must outlive it).
  static Variant ByRef(Variant* Target);

  TVarType VType() const { return FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsNull() const { return FType == varNull; }
  bool IsArray() const { return (FType & varArray) != 0; }
  bool IsByRef() const { return (FType & varByRef) != 0; }
  void Clear();
  // The value a by-reference variant refers to (a copy of this variant otherwise).
  Variant Deref() const;

  // Conversions; EVariantTypeCastError when the value does not convert,
  // EVariantRangeCheckError / EVariantOverflowError when it does not fit.
  Integer AsInteger() const;
  Int64 AsInt64() const;
  UInt64 AsUInt64() const;
  Cardinal AsCardinal() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  String AsString() const;
  AnsiString AsAnsiString() const;

  explicit operator bool() const { return AsBoolean(); }
  explicit operator ShortInt() const;
  explicit operator Byte() const;
  explicit operator SmallInt() const;
  explicit operator Word() const;
  explicit operator int() const { return AsInteger(); }
  explicit operator unsigned int() const { return AsCardinal(); }
  explicit operator long() const { return AsInteger(); }
  explicit operator long long() const { return AsInt64(); }
  explicit operator unsigned long long() const { return AsUInt64(); }
  explicit operator float() const { return static_cast<float>(AsDouble()); }
  explicit operator double() const { return AsDouble(); }
  explicit operator Currency() const { return AsCurrency(); }
  explicit operator String() const { return AsString(); }
  explicit operator AnsiString() const { return AsAnsiString(); }

  // Array elements (one-dimensional access by index; see VarArrayGet for more).
  class ElementRef {
   public:
    ElementRef(Variant& Owner, Integer Index) : FOwner(Owner), FIndex(Index) {}
    operator Variant() const;
    ElementRef& operator=(const Variant& Value);
    ElementRef& operator=(const ElementRef& Other) { return *this = static_cast<Variant>(Other); }
    Variant Value() const { return *this; }
    Integer AsInteger() const { return Value().AsInteger(); }
    Int64 AsInt64() const { return Value().AsInt64(); }
    double AsDouble() const { return Value().AsDouble(); }
    bool AsBoolean() const { return Value().AsBoolean(); }
    String AsString() const { return Value().AsString(); }
   private:
    Variant& FOwner;
    Integer FIndex;
  };
  Variant operator[](Integer Index) const;
  ElementRef operator[](Integer Index) { return ElementRef(*this, Index); }

  // Raw access for custom variant types: the payload is shared between copies and must
  // be treated as immutable (replace it to change the value).
  void SetCustom(TVarType AVarType, std::shared_ptr<const void> Data);
  template <class T> const T* CustomData() const { return static_cast<const T*>(FCustom.get()); }
  // Raw access to the 64-bit payload (integer and Boolean types) and the double payload
  // (floating and date types), for custom types and streaming.
  Int64 RawInt64() const { return FData.VInt64; }
  double RawDouble() const { return FData.VDouble; }
  HRESULT ErrorCode() const { return static_cast<HRESULT>(FData.VInt64); }
  IUnknown* UnknownPtr() const { return FData.VUnknown; }
  TVarArray* ArrayData() const { return FArray.get(); }
  const String& UStringRef() const { return FStr; }
  const AnsiString& AnsiRef() const { return FAnsi; }

  Variant& operator+=(const Variant& R);
  Variant& operator-=(const Variant& R);
  Variant& operator*=(const Variant& R);
  Variant& operator/=(const Variant& R);

 private:
  friend Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType AVarType);
  friend void VarArrayRedim(Variant& A, Integer HighBound);
  friend class TVarArray;

  void CopyFrom(const Variant& Other);
  void MoveFrom(Variant& Other) noexcept;

  TVarType FType = varEmpty;
  union Data {
    Int64 VInt64;
    UInt64 VUInt64;
    double VDouble;
    bool VBoolean;
    IUnknown* VUnknown;
    Variant* VRef;
  } FData{0};
  String FStr;
  AnsiString FAnsi;
  std::unique_ptr<TVarArray> FArray;
  std::shared_ptr<const void> FCustom;
};

Variant Null();
Variant Unassigned();

// Start-up installs the conversion of Variant arguments for Format (they format as text).
extern const TUnitInfo VariantsUnit;

// A variant as an argument of an array-of-const list; V must outlive the call.
inline TVarRec VarRec(const Variant& V) { return TVarRec::FromVariant(&V); }

// Operators over mixed types: Null in an operation gives
// Null; Empty counts as 0 (or '' beside a string); string + string concatenates;
// a string beside a number is read as a number.
Variant operator+(const Variant& L, const Variant& R);
Variant operator-(const Variant& L, const Variant& R);
Variant operator*(const Variant& L, const Variant& R);
Variant operator/(const Variant& L, const Variant& R);
Variant operator%(const Variant& L, const Variant& R);  // mod
Variant operator&(const Variant& L, const Variant& R);  // and
Variant operator|(const Variant& L, const Variant& R);  // or
Variant operator^(const Variant& L, const Variant& R);  // xor
Variant operator<<(const Variant& L, const Variant& R);
Variant operator>>(const Variant& L, const Variant& R);
Variant operator-(const Variant& V);
Variant operator!(const Variant& V);  // not
Variant operator~(const Variant& V);  // not
Variant Div(const Variant& L, const Variant& R);  // integer division
Variant VarBinaryOp(const Variant& L, const Variant& R, TVarOp Op);
Variant VarUnaryOp(const Variant& V, TVarOp Op);

// Comparisons: Null equals only Null and is less than every other value; Empty counts as
// 0 or ''; a string beside a number compares as a number (EVariantTypeCastError when it
// is not one); two strings compare with the user locale, case-sensitively.
bool operator==(const Variant& L, const Variant& R);
bool operator!=(const Variant& L, const Variant& R);
bool operator<(const Variant& L, const Variant& R);
bool operator<=(const Variant& L, const Variant& R);
bool operator>(const Variant& L, const Variant& R);
bool operator>=(const Variant& L, const Variant& R);
bool VarCompareOp(const Variant& L, const Variant& R, TVarOp Op);

TVarType VarType(const Variant& V);
TVarType VarTypeBase(const Variant& V);  // without the array and by-reference flags
String VarTypeAsText(TVarType AVarType);
bool VarIsNull(const Variant& V);
bool VarIsEmpty(const Variant& V);
bool VarIsClear(const Variant& V);
bool VarIsArray(const Variant& V);
bool VarIsByRef(const Variant& V);
bool VarIsNumeric(const Variant& V);
bool VarIsOrdinal(const Variant& V);
bool VarIsFloat(const Variant& V);
bool VarIsStr(const Variant& V);
bool VarIsCustom(const Variant& V);
bool VarIsType(const Variant& V, TVarType AVarType);
bool VarIsType(const Variant& V, std::initializer_list<TVarType> AVarTypes);
bool VarTypeIsOrdinal(TVarType AVarType);
bool VarTypeIsFloat(TVarType AVarType);
bool VarTypeIsNumeric(TVarType AVarType);
bool VarTypeIsStr(TVarType AVarType);

Variant VarAsType(const Variant& V, TVarType AVarType);
void VarCast(Variant& Dest, const Variant& Source, TVarType AVarType);
String VarToStr(const Variant& V);  // Null gives ''
String VarToStrDef(const Variant& V, const String& ADefault);  // Null gives ADefault
WideString VarToWideStr(const Variant& V);
WideString VarToWideStrDef(const Variant& V, const WideString& ADefault);
TDateTime VarToDateTime(const Variant& V);
Variant VarFromDateTime(TDateTime DateTime);
void VarClear(Variant& V);
void VarCopy(Variant& Dest, const Variant& Source);
// Empty equals only Empty, Null only Null; other values by the equality operator.
bool VarSameValue(const Variant& A, const Variant& B);
// Empty and Null relate to each other and to values only as equal or not equal.
TVariantRelationship VarCompareValue(const Variant& A, const Variant& B);

// Variant arrays. Bounds are pairs of low and high bound, dimension 1 first.
Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType AVarType);
Variant VarArrayOf(std::initializer_list<Variant> Values);
Variant VarArrayOf(const std::vector<Variant>& Values);
Integer VarArrayDimCount(const Variant& A);
Integer VarArrayLowBound(const Variant& A, Integer Dim);
Integer VarArrayHighBound(const Variant& A, Integer Dim);
void* VarArrayLock(Variant& A);
void VarArrayUnlock(Variant& A);
Variant VarArrayGet(const Variant& A, std::initializer_list<Integer> Indices);
void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<Integer> Indices);
// Changes the high bound of the last dimension, keeping the elements that remain.
void VarArrayRedim(Variant& A, Integer HighBound);
// The element type of an array variant.
TVarType VarArrayElemType(const Variant& A);

// Raises the runtime's variant errors.
[[noreturn]] void VarCastError(TVarType SourceType, TVarType DestType);
[[noreturn]] void VarInvalidOp();
[[noreturn]] void VarOverflowError(TVarType SourceType, TVarType DestType);

// A custom variant type. Creating one registers it under a new type code from
// CFirstUserType upward (or the one asked for); destroying it unregisters it. The value
// of a custom variant is an immutable payload set with Variant::SetCustom.
class TCustomVariantType : public TObject {
  DECLARE_CLASS(TCustomVariantType, TObject)
 public:
  TCustomVariantType();
  explicit TCustomVariantType(TVarType RequestedVarType);
  ~TCustomVariantType() override;
  TVarType VarType() const { return FVarType; }

  // True when V holds no value (VarIsClear).
  virtual bool IsClear(const Variant& V) const;
  // Converts Source (of another type) into this type. Default: EVariantTypeCastError.
  virtual void Cast(Variant& Dest, const Variant& Source) const;
  // Converts Source (of this type) into AVarType. Default: EVariantTypeCastError.
  virtual void CastTo(Variant& Dest, const Variant& Source, TVarType AVarType) const;
  // Which type the other operand of a binary operation is converted to before the
  // operation: this type (the default) keeps the operation here; any other type
  // converts this operand as well and runs the standard operation.
  virtual bool RightPromotion(const Variant& V, TVarOp Operator, TVarType& RequiredVarType) const;
  virtual bool LeftPromotion(const Variant& V, TVarOp Operator, TVarType& RequiredVarType) const;
  // Left := Left op Right, both of this type. Default: EVariantInvalidOpError.
  virtual void BinaryOp(Variant& Left, const Variant& Right, TVarOp Operator) const;
  virtual void UnaryOp(Variant& Right, TVarOp Operator) const;
  // Compares two values of this type. Default: EVariantInvalidOpError.
  virtual void Compare(const Variant& Left, const Variant& Right,
                       TVariantRelationship& Relationship) const;
  virtual bool CompareOp(const Variant& Left, const Variant& Right, TVarOp Operator) const;

 private:
  TVarType FVarType = 0;
};

bool FindCustomVariantType(TVarType AVarType, TCustomVariantType*& CustomVariantType);
