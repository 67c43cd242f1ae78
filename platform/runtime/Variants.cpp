#include "Variants.h"

#include <oleauto.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>

namespace {

// ---- text helpers ------------------------------------------------------------

// Decimal, "$hex" or "0xhex" integer text, blanks around it allowed.
bool TryTextToInt64(const String& text, Int64& out) { return TryStrToInt64(Trim(text), out); }

// A floating-point number in the format settings' notation, or with a full stop.
bool TryTextToDouble(const String& text, double& out) {
  Extended e;
  if (TryStrToFloat(text, e)) { out = e; return true; }
  String s = Trim(text);
  if (s.empty()) return false;
  std::string a;
  for (wchar_t c : s) {
    if ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'e' || c == L'E' || c == L'.') a += static_cast<char>(c);
    else return false;
  }
  char* end = nullptr;
  double d = std::strtod(a.c_str(), &end);
  if (end == a.c_str() || *end != '\0') return false;
  out = d;
  return true;
}

// Text of a floating-point value as the runtime writes it with the global format
// settings, to the precision of its variant type.
String FloatText(double d, int precision) {
  if (precision >= 15) return FloatToStr(d);
  return FloatToStrF(d, ffGeneral, precision, 0);
}

// The system's reading of dates, bound by name: its library is loaded when a text is first
// read as a date, not with the program.
HRESULT SystemDateFromText(const String& s, DATE& d) {
  using TVarDateFromStr = HRESULT(WINAPI*)(const OLECHAR*, LCID, ULONG, DATE*);
  static const HMODULE library = LoadLibraryW(L"oleaut32.dll");
  static const auto fromText = library ? reinterpret_cast<TVarDateFromStr>(reinterpret_cast<void*>(
                                             GetProcAddress(library, "VarDateFromStr")))
                                       : nullptr;
  return fromText ? fromText(s.c_str(), LOCALE_USER_DEFAULT, 0, &d) : E_NOTIMPL;
}

// The runtime's date and time text first, then the system's reading of dates.
bool TryTextToDate(const String& s, TDateTime& out) {
  if (TryStrToDateTime(s, out)) return true;
  DATE d = 0;
  if (SUCCEEDED(SystemDateFromText(s, d))) { out = d; return true; }
  double n;
  if (TryTextToDouble(s, n)) { out = n; return true; }
  return false;
}

// Round half to even, as the runtime rounds variant values to integers.
double BankersRound(double d) { return std::nearbyint(d); }

// ---- custom type registry ----------------------------------------------------

std::mutex& RegistryLock() { static std::mutex m; return m; }
std::vector<TCustomVariantType*>& CustomTypes() {
  static std::vector<TCustomVariantType*> v;
  return v;
}

TCustomVariantType* HandlerOf(TVarType t) {
  TCustomVariantType* h = nullptr;
  FindCustomVariantType(t, h);
  return h;
}

bool IsCustomType(TVarType t) { return HandlerOf(t & varTypeMask) != nullptr; }

bool IsIntType(TVarType t) {
  switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varUInt64: return true;
    default: return false;
  }
}
bool IsStrType(TVarType t) { return t == varOleStr || t == varUString || t == varString; }
bool IsFloatType(TVarType t) { return t == varSingle || t == varDouble; }
// Types whose arithmetic stays in 32 bits when the result fits.
bool IsSmallIntType(TVarType t) {
  return t == varSmallint || t == varInteger || t == varShortInt || t == varByte || t == varWord ||
         t == varBoolean;
}

Integer ElemSizeOf(TVarType t) {
  switch (t) {
    case varShortInt: case varByte: return 1;
    case varSmallint: case varWord: case varBoolean: return 2;
    case varInteger: case varLongWord: case varSingle: case varError: return 4;
    case varDouble: case varCurrency: case varDate: case varInt64: case varUInt64: return 8;
    default: return 0;
  }
}

[[noreturn]] void RaiseCast(TVarType from, TVarType to) { VarCastError(from, to); }

}  // namespace

// ---- errors ------------------------------------------------------------------

void VarCastError(TVarType SourceType, TVarType DestType) {
  throw EVariantTypeCastError(L"Could not convert variant of type (%s) into type (%s)",
                              {VarTypeAsText(SourceType), VarTypeAsText(DestType)});
}

void VarInvalidOp() { throw EVariantInvalidOpError(L"Invalid variant operation"); }

void VarOverflowError(TVarType SourceType, TVarType DestType) {
  throw EVariantOverflowError(L"Overflow while converting variant of type (%s) into type (%s)",
                              {VarTypeAsText(SourceType), VarTypeAsText(DestType)});
}

namespace {
[[noreturn]] void RaiseBadIndex() {
  throw EVariantBadIndexError(L"Variant or safe array index out of bounds");
}
[[noreturn]] void RaiseNotArray() { throw EVariantNotAnArrayError(L"Variant is not an array"); }
[[noreturn]] void RaiseRangeCheck(TVarType from, TVarType to) {
  throw EVariantRangeCheckError(L"Range check error converting variant of type (%s) into type (%s)",
                                {VarTypeAsText(from), VarTypeAsText(to)});
}
}  // namespace

// ---- TVarArray -----------------------------------------------------------------

bool TVarArray::Packed() const { return ElemSizeOf(ElemType) > 0; }
Integer TVarArray::ElemSize() const { return ElemSizeOf(ElemType); }
size_t TVarArray::ElementCount() const {
  size_t n = 1;
  for (const auto& b : Bounds) n *= static_cast<size_t>(b.ElementCount);
  return n;
}

namespace {

size_t LinearIndex(const TVarArray& a, const Integer* idx, size_t n) {
  if (n != a.Bounds.size()) RaiseBadIndex();
  size_t linear = 0, stride = 1;
  for (size_t k = 0; k < n; ++k) {
    Int64 off = static_cast<Int64>(idx[k]) - a.Bounds[k].LowBound;
    if (off < 0 || off >= a.Bounds[k].ElementCount) RaiseBadIndex();
    linear += static_cast<size_t>(off) * stride;
    stride *= static_cast<size_t>(a.Bounds[k].ElementCount);
  }
  return linear;
}

Variant ReadRaw(const TVarArray& a, size_t i) {
  const Byte* p = a.Raw.data() + i * static_cast<size_t>(a.ElemSize());
  switch (a.ElemType) {
    case varShortInt: { ShortInt v; std::memcpy(&v, p, 1); return Variant(v); }
    case varByte: return Variant(static_cast<Byte>(*p));
    case varSmallint: { SmallInt v; std::memcpy(&v, p, 2); return Variant(v); }
    case varWord: { Word v; std::memcpy(&v, p, 2); return Variant(v); }
    case varBoolean: { SmallInt v; std::memcpy(&v, p, 2); return Variant(v != 0); }
    case varInteger: { Integer v; std::memcpy(&v, p, 4); return Variant(v); }
    case varLongWord: { Cardinal v; std::memcpy(&v, p, 4); return Variant(v); }
    case varError: { Integer v; std::memcpy(&v, p, 4); return Variant::Error(v); }
    case varSingle: { float v; std::memcpy(&v, p, 4); return Variant(v); }
    case varDouble: { double v; std::memcpy(&v, p, 8); return Variant(v); }
    case varDate: { double v; std::memcpy(&v, p, 8); return Variant(v, varDateTag); }
    case varCurrency: { Int64 v; std::memcpy(&v, p, 8); return Variant(Currency::FromScaled(v)); }
    case varInt64: { Int64 v; std::memcpy(&v, p, 8); return Variant(static_cast<long long>(v)); }
    case varUInt64: { UInt64 v; std::memcpy(&v, p, 8); return Variant(static_cast<unsigned long long>(v)); }
    default: return Variant();
  }
}

void WriteRaw(TVarArray& a, size_t i, const Variant& value) {
  Byte* p = a.Raw.data() + i * static_cast<size_t>(a.ElemSize());
  Variant v = VarAsType(value, a.ElemType);
  switch (a.ElemType) {
    case varShortInt: case varByte: { Byte b = static_cast<Byte>(v.RawInt64()); *p = b; break; }
    case varSmallint: case varWord: { Word w = static_cast<Word>(v.RawInt64()); std::memcpy(p, &w, 2); break; }
    case varBoolean: { SmallInt w = v.AsBoolean() ? -1 : 0; std::memcpy(p, &w, 2); break; }
    case varInteger: case varLongWord: case varError: {
      Cardinal c = static_cast<Cardinal>(v.RawInt64()); std::memcpy(p, &c, 4); break;
    }
    case varSingle: { float f = static_cast<float>(v.RawDouble()); std::memcpy(p, &f, 4); break; }
    case varDouble: case varDate: { double d = v.RawDouble(); std::memcpy(p, &d, 8); break; }
    case varCurrency: case varInt64: case varUInt64: { Int64 x = v.RawInt64(); std::memcpy(p, &x, 8); break; }
    default: break;
  }
}

Variant GetElement(const TVarArray& a, const Integer* idx, size_t n) {
  size_t i = LinearIndex(a, idx, n);
  return a.Packed() ? ReadRaw(a, i) : a.Items[i];
}

void PutElement(TVarArray& a, const Integer* idx, size_t n, const Variant& value) {
  size_t i = LinearIndex(a, idx, n);
  if (a.Packed()) WriteRaw(a, i, value);
  else if (a.ElemType == varVariant) a.Items[i] = value.Deref();
  else a.Items[i] = VarAsType(value, a.ElemType);
}

Variant InitialElement(TVarType t) {
  switch (t) {
    case varOleStr: return Variant::FromType(Variant(L""), varOleStr);
    case varUString: return Variant(L"");
    case varString: return Variant("");
    default: return Variant();
  }
}

}  // namespace

// ---- Variant: life cycle -----------------------------------------------------------

Variant::Variant(const Variant& Other) { CopyFrom(Other); }
Variant::Variant(Variant&& Other) noexcept { MoveFrom(Other); }
Variant& Variant::operator=(const Variant& Other) {
  if (this != &Other) {
    Variant tmp(Other);
    Clear();
    MoveFrom(tmp);
  }
  return *this;
}
Variant& Variant::operator=(Variant&& Other) noexcept {
  if (this != &Other) {
    Clear();
    MoveFrom(Other);
  }
  return *this;
}
Variant::~Variant() { Clear(); }

Variant::Variant(IUnknown* V) : FType(varUnknown) {
  FData.VUnknown = V;
  if (V) V->AddRef();
}

Variant::Variant(IDispatch* V) : FType(varDispatch) {
  FData.VUnknown = V;
  if (V) V->AddRef();
}

void Variant::CopyFrom(const Variant& Other) {
  FType = Other.FType;
  FData = Other.FData;
  FStr = Other.FStr;
  FAnsi = Other.FAnsi;
  FCustom = Other.FCustom;
  if (Other.FArray) {
    FArray = std::make_unique<TVarArray>(*Other.FArray);
    FArray->LockCount = 0;
  }
  if ((FType == varUnknown || FType == varDispatch) && FData.VUnknown) FData.VUnknown->AddRef();
}

void Variant::MoveFrom(Variant& Other) noexcept {
  FType = Other.FType;
  FData = Other.FData;
  FStr = std::move(Other.FStr);
  FAnsi = std::move(Other.FAnsi);
  FArray = std::move(Other.FArray);
  FCustom = std::move(Other.FCustom);
  Other.FType = varEmpty;
  Other.FData.VInt64 = 0;
}

void Variant::Clear() {
  if ((FType == varUnknown || FType == varDispatch) && FData.VUnknown) FData.VUnknown->Release();
  FType = varEmpty;
  FData.VInt64 = 0;
  FStr.clear();
  FAnsi.clear();
  FArray.reset();
  FCustom.reset();
}

Variant Variant::Error(HRESULT Code) {
  Variant v;
  v.FType = varError;
  v.FData.VInt64 = Code;
  return v;
}

Variant Variant::ByRef(Variant* Target) {
  Variant v;
  v.FType = varByRef | varVariant;
  v.FData.VRef = Target;
  return v;
}

Variant Variant::Deref() const {
  if (FType == (varByRef | varVariant)) return FData.VRef ? FData.VRef->Deref() : Variant();
  return *this;
}

void Variant::SetCustom(TVarType AVarType, std::shared_ptr<const void> Data) {
  Clear();
  FType = AVarType;
  FCustom = std::move(Data);
}

Variant Null() { return Variant::FromType(Variant(), varNull); }

Variant Unassigned() { return Variant(); }

// ---- conversions ----------------------------------------------------------------

namespace {

// The by-reference target, or the variant itself.
struct Target {
  Variant holder;
  const Variant* v;
  explicit Target(const Variant& x) : v(&x) {
    if (x.IsByRef()) { holder = x.Deref(); v = &holder; }
  }
  const Variant& operator*() const { return *v; }
  const Variant* operator->() const { return v; }
};

Variant CustomCastTo(const Variant& v, TVarType to) {
  Variant d;
  HandlerOf(v.VType())->CastTo(d, v, to);
  return d;
}

Int64 ToInt64(const Variant& x, TVarType target) {
  Target d(x);
  const Variant& v = *d;
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: return v.RawInt64();
    case varUInt64:
      if (static_cast<UInt64>(v.RawInt64()) > static_cast<UInt64>(LLONG_MAX)) VarOverflowError(t, target);
      return v.RawInt64();
    case varBoolean: return v.AsBoolean() ? -1 : 0;
    case varSingle: case varDouble: case varDate: {
      double r = BankersRound(v.RawDouble());
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) VarOverflowError(t, target);
      return static_cast<Int64>(r);
    }
    case varCurrency: {
      Int64 s = v.RawInt64(), q = s / 10000, rem = s % 10000;
      if (rem > 5000 || (rem == 5000 && (q & 1))) ++q;
      else if (rem < -5000 || (rem == -5000 && (q & 1))) --q;
      return q;
    }
    case varOleStr: case varUString: case varString: {
      String s = t == varString ? AnsiToString(v.AnsiRef()) : v.UStringRef();
      Int64 i;
      if (TryTextToInt64(s, i)) return i;
      double f;
      if (TryTextToDouble(s, f)) {
        double r = BankersRound(f);
        if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) VarOverflowError(t, target);
        return static_cast<Int64>(r);
      }
      RaiseCast(t, target);
    }
    default:
      if (IsCustomType(t)) return ToInt64(CustomCastTo(v, varInt64), target);
      RaiseCast(t, target);
  }
}

double ToDouble(const Variant& x, TVarType target) {
  Target d(x);
  const Variant& v = *d;
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: return static_cast<double>(v.RawInt64());
    case varUInt64: return static_cast<double>(static_cast<UInt64>(v.RawInt64()));
    case varBoolean: return v.AsBoolean() ? -1 : 0;
    case varSingle: case varDouble: case varDate: return v.RawDouble();
    case varCurrency: return static_cast<double>(v.RawInt64()) / 10000.0;
    case varOleStr: case varUString: case varString: {
      String s = t == varString ? AnsiToString(v.AnsiRef()) : v.UStringRef();
      double f;
      if (TryTextToDouble(s, f)) return f;
      Int64 i;
      if (TryTextToInt64(s, i)) return static_cast<double>(i);
      if (target == varDate) {
        TDateTime dt;
        if (TryTextToDate(s, dt)) return dt;
      }
      RaiseCast(t, target);
    }
    default:
      if (IsCustomType(t)) return ToDouble(CustomCastTo(v, target == varDate ? varDate : varDouble), target);
      RaiseCast(t, target);
  }
}

Int64 ToCurrencyScaled(const Variant& x) {
  Target d(x);
  const Variant& v = *d;
  TVarType t = v.VType();
  if (t == varCurrency) return v.RawInt64();
  if (IsIntType(t) && t != varUInt64) {
    Int64 r;
    if (__builtin_mul_overflow(v.RawInt64(), Int64(10000), &r)) VarOverflowError(t, varCurrency);
    return r;
  }
  if (IsCustomType(t)) return ToCurrencyScaled(CustomCastTo(v, varCurrency));
  double f = ToDouble(v, varCurrency);
  double r = BankersRound(f * 10000.0);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) VarOverflowError(t, varCurrency);
  return static_cast<Int64>(r);
}

bool ToBool(const Variant& x) {
  Target d(x);
  const Variant& v = *d;
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return false;
    case varBoolean: return v.RawInt64() != 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varUInt64: case varCurrency: return v.RawInt64() != 0;
    case varSingle: case varDouble: case varDate: return v.RawDouble() != 0;
    case varOleStr: case varUString: case varString: {
      String s = Trim(t == varString ? AnsiToString(v.AnsiRef()) : v.UStringRef());
      if (SameText(s, L"True")) return true;
      if (SameText(s, L"False")) return false;
      double f;
      if (TryTextToDouble(s, f)) return f != 0;
      Int64 i;
      if (TryTextToInt64(s, i)) return i != 0;
      RaiseCast(t, varBoolean);
    }
    default:
      if (IsCustomType(t)) return ToBool(CustomCastTo(v, varBoolean));
      RaiseCast(t, varBoolean);
  }
}

String ToText(const Variant& x, TVarType target) {
  Target d(x);
  const Variant& v = *d;
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return {};
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: return std::to_wstring(v.RawInt64());
    case varUInt64: return std::to_wstring(static_cast<UInt64>(v.RawInt64()));
    case varBoolean: return v.RawInt64() ? L"True" : L"False";
    case varSingle: return FloatText(v.RawDouble(), 7);
    case varDouble: return FloatText(v.RawDouble(), 15);
    case varDate: return DateTimeToStr(v.RawDouble());
    case varCurrency: return CurrToStr(Currency::FromScaled(v.RawInt64()));
    case varOleStr: case varUString: return v.UStringRef();
    case varString: return AnsiToString(v.AnsiRef());
    default:
      if (IsCustomType(t)) return ToText(CustomCastTo(v, varUString), target);
      RaiseCast(t, target);
  }
}

}  // namespace

Integer Variant::AsInteger() const {
  Int64 v = ToInt64(*this, varInteger);
  if (v < INT_MIN || v > INT_MAX) VarOverflowError(VarType(*this), varInteger);
  return static_cast<Integer>(v);
}

Int64 Variant::AsInt64() const { return ToInt64(*this, varInt64); }

UInt64 Variant::AsUInt64() const {
  Target d(*this);
  if (d->VType() == varUInt64) return static_cast<UInt64>(d->RawInt64());
  if (d->VType() == varDouble || d->VType() == varSingle) {
    double r = BankersRound(d->RawDouble());
    if (!(r >= 0 && r < 18446744073709551616.0)) VarOverflowError(d->VType(), varUInt64);
    return static_cast<UInt64>(r);
  }
  Int64 v = ToInt64(*d, varUInt64);
  if (v < 0) VarOverflowError(d->VType(), varUInt64);
  return static_cast<UInt64>(v);
}

Cardinal Variant::AsCardinal() const {
  Int64 v = ToInt64(*this, varLongWord);
  if (v < 0 || v > static_cast<Int64>(UINT_MAX)) VarOverflowError(VarType(*this), varLongWord);
  return static_cast<Cardinal>(v);
}

double Variant::AsDouble() const { return ToDouble(*this, varDouble); }
Currency Variant::AsCurrency() const { return Currency::FromScaled(ToCurrencyScaled(*this)); }
TDateTime Variant::AsDateTime() const { return ToDouble(*this, varDate); }
bool Variant::AsBoolean() const { return ToBool(*this); }
String Variant::AsString() const {
  Target d(*this);
  if (d->IsNull()) RaiseCast(varNull, varUString);
  return ToText(*d, varUString);
}
AnsiString Variant::AsAnsiString() const {
  Target d(*this);
  if (d->VType() == varString) return d->AnsiRef();
  if (d->IsNull()) RaiseCast(varNull, varString);
  return StringToAnsi(ToText(*d, varString));
}

namespace {
template <class T>
T Narrow(const Variant& v, TVarType target, Int64 lo, Int64 hi) {
  Int64 x = ToInt64(v, target);
  if (x < lo || x > hi) RaiseRangeCheck(VarType(v), target);
  return static_cast<T>(x);
}
}  // namespace

Variant::operator ShortInt() const { return Narrow<ShortInt>(*this, varShortInt, -128, 127); }
Variant::operator Byte() const { return Narrow<Byte>(*this, varByte, 0, 255); }
Variant::operator SmallInt() const { return Narrow<SmallInt>(*this, varSmallint, -32768, 32767); }
Variant::operator Word() const { return Narrow<Word>(*this, varWord, 0, 65535); }

Variant Variant::FromType(const Variant& Value, TVarType AVarType) {
  Target d(Value);
  const Variant& v = *d;
  TVarType from = v.FType;
  if (AVarType & (varArray | varByRef)) throw EVariantBadVarTypeError(L"Invalid variant type");
  if (from == AVarType || AVarType == varVariant) return v;
  if (v.IsArray()) RaiseCast(from, AVarType);
  if (TCustomVariantType* h = HandlerOf(AVarType)) {
    Variant r;
    if (IsCustomType(from)) {
      // From one custom type into another: through the source's own conversion.
      HandlerOf(from)->CastTo(r, v, AVarType);
      if (r.FType != AVarType) h->Cast(r, Variant(r));
    } else {
      h->Cast(r, v);
    }
    return r;
  }
  Variant r;
  if (AVarType == varNull) { r.FType = varNull; return r; }
  if (AVarType == varEmpty) return r;
  if (from == varNull) RaiseCast(varNull, AVarType);
  if (IsCustomType(from) && !IsStrType(AVarType)) {
    Variant c = CustomCastTo(v, AVarType);
    if (c.FType == AVarType) return c;
    return FromType(c, AVarType);
  }
  r.FType = AVarType;
  switch (AVarType) {
    case varShortInt: r.FData.VInt64 = static_cast<ShortInt>(v); break;
    case varByte: r.FData.VInt64 = static_cast<Byte>(v); break;
    case varSmallint: r.FData.VInt64 = static_cast<SmallInt>(v); break;
    case varWord: r.FData.VInt64 = static_cast<Word>(v); break;
    case varInteger: r.FData.VInt64 = v.AsInteger(); break;
    case varLongWord: r.FData.VInt64 = v.AsCardinal(); break;
    case varInt64: r.FData.VInt64 = v.AsInt64(); break;
    case varUInt64: r.FData.VUInt64 = v.AsUInt64(); break;
    case varBoolean: r.FData.VInt64 = v.AsBoolean() ? 1 : 0; break;
    case varSingle: {
      double x = ToDouble(v, varSingle);
      if (std::isfinite(x) && std::fabs(x) > 3.4028234663852886e38) VarOverflowError(from, varSingle);
      r.FData.VDouble = static_cast<float>(x);
      break;
    }
    case varDouble: r.FData.VDouble = ToDouble(v, varDouble); break;
    case varDate: r.FData.VDouble = ToDouble(v, varDate); break;
    case varCurrency: r.FData.VInt64 = ToCurrencyScaled(v); break;
    case varOleStr: case varUString: r.FStr = ToText(v, AVarType); break;
    case varString: r.FAnsi = from == varString ? v.FAnsi : StringToAnsi(ToText(v, varString)); break;
    case varError:
    case varDispatch:
    case varUnknown:
      RaiseCast(from, AVarType);
    default:
      throw EVariantBadVarTypeError(L"Invalid variant type");
  }
  return r;
}

Variant VarAsType(const Variant& V, TVarType AVarType) { return Variant::FromType(V, AVarType); }
void VarCast(Variant& Dest, const Variant& Source, TVarType AVarType) {
  Dest = Variant::FromType(Source, AVarType);
}

String VarToStr(const Variant& V) {
  Target d(V);
  if (d->IsNull()) return {};
  return d->AsString();
}

String VarToStrDef(const Variant& V, const String& ADefault) {
  Target d(V);
  if (d->IsNull()) return ADefault;
  return d->AsString();
}

WideString VarToWideStr(const Variant& V) { return VarToStr(V); }
WideString VarToWideStrDef(const Variant& V, const WideString& ADefault) { return VarToStrDef(V, ADefault); }
TDateTime VarToDateTime(const Variant& V) { return VarAsType(V, varDate).RawDouble(); }
Variant VarFromDateTime(TDateTime DateTime) { return Variant(DateTime, varDateTag); }
void VarClear(Variant& V) { V.Clear(); }
void VarCopy(Variant& Dest, const Variant& Source) { Dest = Source; }

// ---- type tests ----------------------------------------------------------------

TVarType VarType(const Variant& V) { return V.VType(); }
TVarType VarTypeBase(const Variant& V) { return V.VType() & varTypeMask; }

String VarTypeAsText(TVarType AVarType) {
  static const wchar_t* const names[] = {
      L"Empty", L"Null", L"Smallint", L"Integer", L"Single", L"Double", L"Currency", L"Date",
      L"OleStr", L"Dispatch", L"Error", L"Boolean", L"Variant", L"Unknown", L"Decimal", L"$000F",
      L"ShortInt", L"Byte", L"Word", L"LongWord", L"Int64", L"UInt64"};
  TVarType base = AVarType & varTypeMask;
  String r;
  if (base < sizeof names / sizeof names[0]) r = names[base];
  else if (base == varString) r = L"String";
  else if (base == varUString) r = L"UnicodeString";
  else if (base == varAny) r = L"Any";
  else if (TCustomVariantType* h = HandlerOf(base)) {
    r = h->ClassName();
    if (!r.empty() && r[0] == L'T') r.erase(0, 1);
  } else {
    r = L"$" + IntToHex(static_cast<Integer>(base), 4);
  }
  if (AVarType & varArray) r = L"Array " + r;
  if (AVarType & varByRef) r = L"ByRef " + r;
  return r;
}

bool VarTypeIsOrdinal(TVarType t) { return IsIntType(t) || t == varBoolean; }
bool VarTypeIsFloat(TVarType t) { return t == varSingle || t == varDouble || t == varCurrency; }
bool VarTypeIsNumeric(TVarType t) { return VarTypeIsOrdinal(t) || VarTypeIsFloat(t); }
bool VarTypeIsStr(TVarType t) { return IsStrType(t); }

namespace {
TVarType BaseOf(const Variant& V) { return Target(V)->VType(); }
}  // namespace

bool VarIsNull(const Variant& V) { return BaseOf(V) == varNull; }
bool VarIsEmpty(const Variant& V) { return BaseOf(V) == varEmpty; }
bool VarIsClear(const Variant& V) {
  Target d(V);
  TVarType t = d->VType();
  if (t == varEmpty) return true;
  if ((t == varUnknown || t == varDispatch) && !d->UnknownPtr()) return true;
  if (TCustomVariantType* h = HandlerOf(t)) return h->IsClear(*d);
  return false;
}
bool VarIsArray(const Variant& V) { return (BaseOf(V) & varArray) != 0; }
bool VarIsByRef(const Variant& V) { return V.IsByRef(); }
bool VarIsOrdinal(const Variant& V) { return VarTypeIsOrdinal(BaseOf(V)); }
bool VarIsFloat(const Variant& V) { return VarTypeIsFloat(BaseOf(V)); }
bool VarIsNumeric(const Variant& V) { return VarTypeIsNumeric(BaseOf(V)); }
bool VarIsStr(const Variant& V) { return VarTypeIsStr(BaseOf(V)); }
bool VarIsCustom(const Variant& V) { return IsCustomType(BaseOf(V)); }
bool VarIsType(const Variant& V, TVarType AVarType) { return BaseOf(V) == AVarType; }
bool VarIsType(const Variant& V, std::initializer_list<TVarType> AVarTypes) {
  TVarType t = BaseOf(V);
  for (TVarType x : AVarTypes) if (x == t) return true;
  return false;
}

// ---- arithmetic ----------------------------------------------------------------

namespace {

Variant IntResult(Int64 v, bool small) {
  if (small && v >= INT_MIN && v <= INT_MAX) return Variant(static_cast<int>(v));
  return Variant(static_cast<long long>(v));
}

// Empty counts as '' beside a string, False beside a Boolean and 0 otherwise.
Variant EmptyAs(const Variant& v, const Variant& other) {
  if (v.VType() != varEmpty) return v;
  TVarType o = other.VType();
  if (IsStrType(o)) return Variant(L"");
  if (o == varBoolean) return Variant(false);
  return Variant(0);
}

// A string operand is read as a Boolean beside a Boolean in a logical operation, as an
// integer in an integer operation, and as a floating-point number otherwise.
Variant Operand(const Variant& v, const Variant& other, TVarOp op) {
  TVarType t = v.VType(), o = other.VType();
  if (!IsStrType(t)) return v;
  bool logical = op == opAnd || op == opOr || op == opXor;
  if (logical && (o == varBoolean || IsStrType(o))) {
    String s = Trim(v.AsString());
    if (SameText(s, L"True") || SameText(s, L"False")) return Variant(v.AsBoolean());
  }
  if (logical || op == opIntDivide || op == opModulus || op == opShiftLeft || op == opShiftRight) {
    Int64 i;
    if (TryTextToInt64(v.AsString(), i)) return Variant(static_cast<long long>(i));
  }
  return Variant(ToDouble(v, varDouble));
}

// Product of two currency values (scaled by 10000), rounded half to even at the fourth
// decimal; false when it does not fit. Done in 128 bits built from 32-bit pieces.
bool CurrencyMultiply(Int64 a, Int64 b, Int64& result) {
  bool neg = (a < 0) != (b < 0);
  UInt64 ua = a < 0 ? 0 - static_cast<UInt64>(a) : static_cast<UInt64>(a);
  UInt64 ub = b < 0 ? 0 - static_cast<UInt64>(b) : static_cast<UInt64>(b);
  UInt64 a0 = ua & 0xFFFFFFFFu, a1 = ua >> 32, b0 = ub & 0xFFFFFFFFu, b1 = ub >> 32;
  UInt64 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  UInt64 mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  UInt64 lo = (p00 & 0xFFFFFFFFu) | (mid << 32);
  UInt64 hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
  // Divide hi:lo by 10000, 32 bits at a time from the top.
  Cardinal limbs[4] = {static_cast<Cardinal>(hi >> 32), static_cast<Cardinal>(hi),
                       static_cast<Cardinal>(lo >> 32), static_cast<Cardinal>(lo)};
  UInt64 rem = 0;
  for (Cardinal& limb : limbs) {
    UInt64 cur = (rem << 32) | limb;
    limb = static_cast<Cardinal>(cur / 10000);
    rem = cur % 10000;
  }
  if (limbs[0] || limbs[1]) return false;
  UInt64 q = (static_cast<UInt64>(limbs[2]) << 32) | limbs[3];
  if (rem > 5000 || (rem == 5000 && (q & 1))) ++q;
  if (q > static_cast<UInt64>(LLONG_MAX) + (neg ? 1 : 0)) return false;
  result = neg ? static_cast<Int64>(0 - q) : static_cast<Int64>(q);
  return true;
}

Variant StdBinaryOp(const Variant& L0, const Variant& R0, TVarOp op) {
  TVarType lt0 = L0.VType(), rt0 = R0.VType();
  if (lt0 == varNull || rt0 == varNull) return Null();
  if (lt0 == varEmpty && rt0 == varEmpty) return Variant();
  for (TVarType t : {lt0, rt0})
    if (t == varError || t == varDispatch || t == varUnknown) VarInvalidOp();
  Variant LE = EmptyAs(L0, R0), RE = EmptyAs(R0, L0);
  if (op == opAdd && IsStrType(LE.VType()) && IsStrType(RE.VType())) {
    if (LE.VType() == varString && RE.VType() == varString) return Variant(LE.AnsiRef() + RE.AnsiRef());
    return Variant(LE.AsString() + RE.AsString());
  }
  Variant L = Operand(LE, RE, op), R = Operand(RE, LE, op);
  TVarType lt = L.VType(), rt = R.VType();
  bool small = IsSmallIntType(lt) && IsSmallIntType(rt);
  switch (op) {
    case opAnd: case opOr: case opXor: {
      if (lt == varBoolean && rt == varBoolean) {
        bool a = L.AsBoolean(), b = R.AsBoolean();
        return Variant(op == opAnd ? a && b : op == opOr ? a || b : a != b);
      }
      Int64 a = ToInt64(L, varInt64), b = ToInt64(R, varInt64);
      return IntResult(op == opAnd ? a & b : op == opOr ? a | b : a ^ b, small);
    }
    case opShiftLeft: case opShiftRight: {
      Int64 a = ToInt64(L, varInt64), b = ToInt64(R, varInt64);
      if (b < 0 || b > 63) return IntResult(0, small);
      if (op == opShiftLeft) {
        UInt64 u = static_cast<UInt64>(a) << b;
        return small ? Variant(static_cast<int>(static_cast<Cardinal>(u))) : Variant(static_cast<long long>(u));
      }
      if (small) return Variant(static_cast<int>(static_cast<Cardinal>(a) >> b));
      return Variant(static_cast<long long>(static_cast<UInt64>(a) >> b));
    }
    case opIntDivide: case opModulus: {
      Int64 a = ToInt64(L, varInt64), b = ToInt64(R, varInt64);
      if (b == 0) throw EDivByZero(L"Division by zero");
      if (a == LLONG_MIN && b == -1) {
        if (op == opModulus) return IntResult(0, small);
        VarOverflowError(lt, varInt64);
      }
      return IntResult(op == opIntDivide ? a / b : a % b, small);
    }
    case opDivide: {
      if (lt == varCurrency && rt != varCurrency && !IsFloatType(rt) && rt != varDate) {
        double b = ToDouble(R, varDouble);
        if (b == 0) throw EZeroDivide(L"Floating point division by zero");
        return Variant(Currency::FromScaled(static_cast<Int64>(BankersRound(static_cast<double>(L.RawInt64()) / b))));
      }
      double a = ToDouble(L, varDouble), b = ToDouble(R, varDouble);
      if (b == 0) throw EZeroDivide(L"Floating point division by zero");
      return Variant(a / b);
    }
    case opAdd: case opSubtract: case opMultiply: {
      if (lt == varDate || rt == varDate) {
        double a = ToDouble(L, varDouble), b = ToDouble(R, varDouble);
        if (op == opMultiply) return Variant(a * b);
        if (op == opSubtract && lt == varDate && rt == varDate) return Variant(a - b);
        return Variant(op == opAdd ? a + b : a - b, varDateTag);
      }
      if (IsFloatType(lt) || IsFloatType(rt) || lt == varUInt64 || rt == varUInt64) {
        double a = ToDouble(L, varDouble), b = ToDouble(R, varDouble);
        double r = op == opAdd ? a + b : op == opSubtract ? a - b : a * b;
        if (lt == varSingle && (rt == varSingle || IsSmallIntType(rt))) return Variant(static_cast<float>(r));
        if (rt == varSingle && IsSmallIntType(lt)) return Variant(static_cast<float>(r));
        return Variant(r);
      }
      if (lt == varCurrency || rt == varCurrency) {
        Int64 a = ToCurrencyScaled(L), b = ToCurrencyScaled(R), r;
        bool ovf;
        if (op == opAdd) ovf = __builtin_add_overflow(a, b, &r);
        else if (op == opSubtract) ovf = __builtin_sub_overflow(a, b, &r);
        else {
          ovf = !CurrencyMultiply(a, b, r);
        }
        if (ovf) VarOverflowError(varCurrency, varCurrency);
        return Variant(Currency::FromScaled(r));
      }
      Int64 a = ToInt64(L, varInt64), b = ToInt64(R, varInt64), r;
      bool ovf = op == opAdd ? __builtin_add_overflow(a, b, &r)
                 : op == opSubtract ? __builtin_sub_overflow(a, b, &r)
                                    : __builtin_mul_overflow(a, b, &r);
      if (ovf) VarOverflowError(lt, varInt64);
      return IntResult(r, small);
    }
    default:
      VarInvalidOp();
  }
}

}  // namespace

Variant VarBinaryOp(const Variant& L0, const Variant& R0, TVarOp Op) {
  Variant L = L0.Deref(), R = R0.Deref();
  if (L.IsArray() || R.IsArray()) VarInvalidOp();
  if (L.IsNull() || R.IsNull()) return Null();
  TVarType lt = L.VType(), rt = R.VType();
  if (TCustomVariantType* h = HandlerOf(lt)) {
    Variant res = L;
    if (rt == lt) { h->BinaryOp(res, R, Op); return res; }
    TVarType req = lt;
    if (!h->RightPromotion(R, Op, req)) VarInvalidOp();
    if (req == lt) {
      Variant r2;
      h->Cast(r2, R);
      h->BinaryOp(res, r2, Op);
      return res;
    }
    Variant l2;
    h->CastTo(l2, L, req);
    return VarBinaryOp(l2, R, Op);
  }
  if (TCustomVariantType* h = HandlerOf(rt)) {
    TVarType req = rt;
    if (!h->LeftPromotion(L, Op, req)) VarInvalidOp();
    if (req == rt) {
      Variant l2;
      h->Cast(l2, L);
      h->BinaryOp(l2, R, Op);
      return l2;
    }
    Variant r2;
    h->CastTo(r2, R, req);
    return VarBinaryOp(L, r2, Op);
  }
  return StdBinaryOp(L, R, Op);
}

Variant VarUnaryOp(const Variant& V0, TVarOp Op) {
  Variant V = V0.Deref();
  TVarType t = V.VType();
  if (V.IsArray()) VarInvalidOp();
  if (t == varNull) return V;
  if (TCustomVariantType* h = HandlerOf(t)) {
    h->UnaryOp(V, Op);
    return V;
  }
  if (t == varEmpty) return Variant(0);
  if (Op == opNegate) {
    switch (t) {
      case varSingle: return Variant(static_cast<float>(-V.RawDouble()));
      case varDouble: return Variant(-V.RawDouble());
      case varDate: return Variant(-V.RawDouble(), varDateTag);
      case varCurrency:
        if (V.RawInt64() == LLONG_MIN) VarOverflowError(t, t);
        return Variant(Currency::FromScaled(-V.RawInt64()));
      case varOleStr: case varUString: case varString: return Variant(-V.AsDouble());
      default:
        if (VarTypeIsOrdinal(t)) {
          Int64 x = ToInt64(V, varInt64);
          if (x == LLONG_MIN) VarOverflowError(t, varInt64);
          return IntResult(-x, IsSmallIntType(t));
        }
        VarInvalidOp();
    }
  }
  if (Op == opNot) {
    if (t == varBoolean) return Variant(!V.AsBoolean());
    if (IsStrType(t)) {
      String s = Trim(V.AsString());
      if (SameText(s, L"True") || SameText(s, L"False")) return Variant(!V.AsBoolean());
    }
    if (VarTypeIsOrdinal(t) || IsStrType(t) || VarTypeIsFloat(t) || t == varDate)
      return IntResult(~ToInt64(V, varInt64), IsSmallIntType(t) || IsStrType(t));
  }
  VarInvalidOp();
}

Variant operator+(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opAdd); }
Variant operator-(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opSubtract); }
Variant operator*(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opMultiply); }
Variant operator/(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opDivide); }
Variant operator%(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opModulus); }
Variant operator&(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opAnd); }
Variant operator|(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opOr); }
Variant operator^(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opXor); }
Variant operator<<(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opShiftLeft); }
Variant operator>>(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opShiftRight); }
Variant operator-(const Variant& V) { return VarUnaryOp(V, opNegate); }
Variant operator!(const Variant& V) { return VarUnaryOp(V, opNot); }
Variant operator~(const Variant& V) { return VarUnaryOp(V, opNot); }
Variant Div(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opIntDivide); }

Variant& Variant::operator+=(const Variant& R) { return *this = *this + R; }
Variant& Variant::operator-=(const Variant& R) { return *this = *this - R; }
Variant& Variant::operator*=(const Variant& R) { return *this = *this * R; }
Variant& Variant::operator/=(const Variant& R) { return *this = *this / R; }

// ---- comparison ----------------------------------------------------------------

namespace {

TVariantRelationship Rel(int c) { return c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual; }

template <class T> int Cmp(T a, T b) { return a < b ? -1 : b < a ? 1 : 0; }

bool ApplyOp(TVariantRelationship r, TVarOp op) {
  switch (op) {
    case opCmpEQ: return r == vrEqual;
    case opCmpNE: return r != vrEqual;
    case opCmpLT: return r == vrLessThan;
    case opCmpLE: return r == vrLessThan || r == vrEqual;
    case opCmpGT: return r == vrGreaterThan;
    case opCmpGE: return r == vrGreaterThan || r == vrEqual;
    default: VarInvalidOp();
  }
}

TVariantRelationship StdCompare(const Variant& L0, const Variant& R0) {
  TVarType lt0 = L0.VType(), rt0 = R0.VType();
  if (lt0 == varEmpty && rt0 == varEmpty) return vrEqual;
  for (TVarType t : {lt0, rt0})
    if (t == varError || t == varDispatch || t == varUnknown) {
      if (lt0 == rt0 && L0.RawInt64() == R0.RawInt64()) return vrEqual;
      VarInvalidOp();
    }
  Variant L = L0, R = R0;
  if (lt0 == varEmpty) L = IsStrType(rt0) ? Variant(L"") : rt0 == varBoolean ? Variant(false) : Variant(0);
  if (rt0 == varEmpty) R = IsStrType(lt0) ? Variant(L"") : lt0 == varBoolean ? Variant(false) : Variant(0);
  TVarType lt = L.VType(), rt = R.VType();
  if (IsStrType(lt) && IsStrType(rt)) {
    if (lt == varString && rt == varString && L.AnsiRef() == R.AnsiRef()) return vrEqual;
    String a = L.AsString(), b = R.AsString();
    int c = CompareStringW(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                           static_cast<int>(b.size()));
    if (c == 0) return Rel(a.compare(b));
    if (c == CSTR_EQUAL && a != b) return Rel(a.compare(b));  // keep distinct texts distinct
    return c == CSTR_LESS_THAN ? vrLessThan : c == CSTR_GREATER_THAN ? vrGreaterThan : vrEqual;
  }
  if (lt == varBoolean || rt == varBoolean) {
    if ((lt == varBoolean || IsStrType(lt)) && (rt == varBoolean || IsStrType(rt)))
      return Rel(Cmp<int>(L.AsBoolean(), R.AsBoolean()));  // False < True
  }
  if (IsStrType(lt)) L = Variant(ToDouble(L, VarTypeIsOrdinal(rt) ? TVarType(varDouble) : rt));
  if (IsStrType(rt)) R = Variant(ToDouble(R, VarTypeIsOrdinal(lt) ? TVarType(varDouble) : lt));
  lt = L.VType();
  rt = R.VType();
  if (VarTypeIsOrdinal(lt) && VarTypeIsOrdinal(rt)) {
    bool lu = lt == varUInt64, ru = rt == varUInt64;
    Int64 a = lt == varBoolean ? (L.AsBoolean() ? -1 : 0) : L.RawInt64();
    Int64 b = rt == varBoolean ? (R.AsBoolean() ? -1 : 0) : R.RawInt64();
    if (lu && a < 0) return ru && b < 0 ? Rel(Cmp<UInt64>(static_cast<UInt64>(a), static_cast<UInt64>(b))) : vrGreaterThan;
    if (ru && b < 0) return vrLessThan;
    return Rel(Cmp(a, b));
  }
  if ((lt == varCurrency || VarTypeIsOrdinal(lt)) && (rt == varCurrency || VarTypeIsOrdinal(rt)) &&
      lt != varUInt64 && rt != varUInt64) {
    // Scaled to 1/10000; an integer too large to scale lies beyond every currency value.
    Int64 a = lt == varCurrency ? L.RawInt64() : ToInt64(L, varInt64);
    Int64 b = rt == varCurrency ? R.RawInt64() : ToInt64(R, varInt64);
    if (lt != varCurrency && __builtin_mul_overflow(a, Int64(10000), &a)) return a < 0 ? vrGreaterThan : vrLessThan;
    if (rt != varCurrency && __builtin_mul_overflow(b, Int64(10000), &b)) return b < 0 ? vrLessThan : vrGreaterThan;
    return Rel(Cmp(a, b));
  }
  double a = ToDouble(L, varDouble), b = ToDouble(R, varDouble);
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) ? vrEqual : vrNotEqual;
  return Rel(Cmp(a, b));
}

}  // namespace

bool VarCompareOp(const Variant& L0, const Variant& R0, TVarOp Op) {
  Variant L = L0.Deref(), R = R0.Deref();
  if (L.IsArray() || R.IsArray()) VarInvalidOp();
  bool ln = L.IsNull(), rn = R.IsNull();
  if (ln || rn) {
    // Null equals only Null and is less than any other value.
    TVariantRelationship r = ln && rn ? vrEqual : ln ? vrLessThan : vrGreaterThan;
    if (Op == opCmpEQ) return ln && rn;
    if (Op == opCmpNE) return !(ln && rn);
    return ApplyOp(r, Op);
  }
  TVarType lt = L.VType(), rt = R.VType();
  if (TCustomVariantType* h = HandlerOf(lt)) {
    if (rt == lt) return h->CompareOp(L, R, Op);
    TVarType req = lt;
    if (!h->RightPromotion(R, opCompare, req)) VarInvalidOp();
    if (req == lt) {
      Variant r2;
      h->Cast(r2, R);
      return h->CompareOp(L, r2, Op);
    }
    Variant l2;
    h->CastTo(l2, L, req);
    return VarCompareOp(l2, R, Op);
  }
  if (TCustomVariantType* h = HandlerOf(rt)) {
    TVarType req = rt;
    if (!h->LeftPromotion(L, opCompare, req)) VarInvalidOp();
    if (req == rt) {
      Variant l2;
      h->Cast(l2, L);
      return h->CompareOp(l2, R, Op);
    }
    Variant r2;
    h->CastTo(r2, R, req);
    return VarCompareOp(L, r2, Op);
  }
  return ApplyOp(StdCompare(L, R), Op);
}

bool operator==(const Variant& L, const Variant& R) { return VarCompareOp(L, R, opCmpEQ); }
bool operator!=(const Variant& L, const Variant& R) { return VarCompareOp(L, R, opCmpNE); }
bool operator<(const Variant& L, const Variant& R) { return VarCompareOp(L, R, opCmpLT); }
bool operator<=(const Variant& L, const Variant& R) { return VarCompareOp(L, R, opCmpLE); }
bool operator>(const Variant& L, const Variant& R) { return VarCompareOp(L, R, opCmpGT); }
bool operator>=(const Variant& L, const Variant& R) { return VarCompareOp(L, R, opCmpGE); }

bool VarSameValue(const Variant& A, const Variant& B) {
  TVarType a = BaseOf(A), b = BaseOf(B);
  if (a == varEmpty) return b == varEmpty;
  if (a == varNull) return b == varNull;
  if (b == varEmpty || b == varNull) return false;
  return A == B;
}

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B) {
  TVarType a = BaseOf(A), b = BaseOf(B);
  if (a == varEmpty) return b == varEmpty ? vrEqual : vrNotEqual;
  if (a == varNull) return b == varNull ? vrEqual : vrNotEqual;
  if (b == varEmpty || b == varNull) return vrNotEqual;
  if (A == B) return vrEqual;
  if (A < B) return vrLessThan;
  return vrGreaterThan;
}

// ---- arrays --------------------------------------------------------------------

namespace {
const TVarArray& ArrayOf(const Variant& A) {
  const Variant* v = &A;
  if (!v->IsArray() || !v->ArrayData()) RaiseNotArray();
  return *v->ArrayData();
}
TVarArray& ArrayOf(Variant& A) {
  if (!A.IsArray() || !A.ArrayData()) RaiseNotArray();
  return *A.ArrayData();
}
}  // namespace

Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType AVarType) {
  auto fail = [] { throw EVariantArrayCreateError(L"Error creating variant or safe array"); };
  if (Bounds.size() == 0 || Bounds.size() % 2) fail();
  TVarType t = AVarType & varTypeMask;
  if ((AVarType & ~varTypeMask) || t == varEmpty || t == varNull || t == varAny) fail();
  if (!(ElemSizeOf(t) || t == varVariant || IsStrType(t) || t == varDispatch || t == varUnknown ||
        IsCustomType(t)))
    fail();
  auto a = std::make_unique<TVarArray>();
  a->ElemType = t;
  const Integer* b = Bounds.begin();
  for (size_t k = 0; k < Bounds.size(); k += 2) {
    Int64 count = static_cast<Int64>(b[k + 1]) - b[k] + 1;
    if (count < 0 || count > 0x7FFFFFFF) fail();
    a->Bounds.push_back({static_cast<Integer>(count), b[k]});
  }
  size_t n = a->ElementCount();
  if (a->Packed()) a->Raw.assign(n * static_cast<size_t>(a->ElemSize()), 0);
  else a->Items.assign(n, InitialElement(t));
  Variant r;
  r.FType = static_cast<TVarType>(varArray | t);
  r.FArray = std::move(a);
  return r;
}

Variant VarArrayOf(std::initializer_list<Variant> Values) {
  return VarArrayOf(std::vector<Variant>(Values));
}

Variant VarArrayOf(const std::vector<Variant>& Values) {
  Variant r = VarArrayCreate({0, static_cast<Integer>(Values.size()) - 1}, varVariant);
  for (size_t i = 0; i < Values.size(); ++i) r.ArrayData()->Items[i] = Values[i].Deref();
  return r;
}

Integer VarArrayDimCount(const Variant& A) {
  Target d(A);
  return d->IsArray() && d->ArrayData() ? static_cast<Integer>(d->ArrayData()->Bounds.size()) : 0;
}

Integer VarArrayLowBound(const Variant& A, Integer Dim) {
  Target d(A);
  const TVarArray& a = ArrayOf(*d);
  if (Dim < 1 || Dim > static_cast<Integer>(a.Bounds.size())) RaiseBadIndex();
  return a.Bounds[static_cast<size_t>(Dim - 1)].LowBound;
}

Integer VarArrayHighBound(const Variant& A, Integer Dim) {
  Target d(A);
  const TVarArray& a = ArrayOf(*d);
  if (Dim < 1 || Dim > static_cast<Integer>(a.Bounds.size())) RaiseBadIndex();
  const TVarArrayBound& b = a.Bounds[static_cast<size_t>(Dim - 1)];
  return b.LowBound + b.ElementCount - 1;
}

TVarType VarArrayElemType(const Variant& A) {
  Target d(A);
  return ArrayOf(*d).ElemType;
}

void* VarArrayLock(Variant& A) {
  TVarArray& a = ArrayOf(A);
  ++a.LockCount;
  return a.Packed() ? static_cast<void*>(a.Raw.data()) : static_cast<void*>(a.Items.data());
}

void VarArrayUnlock(Variant& A) {
  TVarArray& a = ArrayOf(A);
  if (a.LockCount <= 0) throw EVariantArrayLockedError(L"Variant or safe array is not locked");
  --a.LockCount;
}

Variant VarArrayGet(const Variant& A, std::initializer_list<Integer> Indices) {
  Target d(A);
  return GetElement(ArrayOf(*d), Indices.begin(), Indices.size());
}

void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<Integer> Indices) {
  PutElement(ArrayOf(A), Indices.begin(), Indices.size(), Value);
}

void VarArrayRedim(Variant& A, Integer HighBound) {
  TVarArray& a = ArrayOf(A);
  if (a.LockCount > 0) throw EVariantArrayLockedError(L"Variant or safe array is locked");
  TVarArrayBound& last = a.Bounds.back();
  Int64 count = static_cast<Int64>(HighBound) - last.LowBound + 1;
  if (count < 0 || count > 0x7FFFFFFF) throw EVariantArrayCreateError(L"Error creating variant or safe array");
  last.ElementCount = static_cast<Integer>(count);
  // The last dimension varies slowest, so its elements are whole blocks at the end.
  size_t n = a.ElementCount();
  if (a.Packed()) a.Raw.resize(n * static_cast<size_t>(a.ElemSize()), 0);
  else a.Items.resize(n, InitialElement(a.ElemType));
}

Variant Variant::operator[](Integer Index) const { return VarArrayGet(*this, {Index}); }

Variant::ElementRef::operator Variant() const { return VarArrayGet(FOwner, {FIndex}); }

Variant::ElementRef& Variant::ElementRef::operator=(const Variant& Value) {
  VarArrayPut(FOwner, Value, {FIndex});
  return *this;
}

// ---- custom variant types --------------------------------------------------------

TCustomVariantType::TCustomVariantType() {
  std::lock_guard<std::mutex> g(RegistryLock());
  auto& v = CustomTypes();
  size_t i = 0;
  while (i < v.size() && v[i]) ++i;
  if (CFirstUserType + i > varTypeMask) throw EVariantError(L"Too many custom variant types have been registered");
  if (i == v.size()) v.push_back(nullptr);
  v[i] = this;
  FVarType = static_cast<TVarType>(CFirstUserType + i);
}

TCustomVariantType::TCustomVariantType(TVarType RequestedVarType) {
  std::lock_guard<std::mutex> g(RegistryLock());
  if (RequestedVarType < CFirstUserType || RequestedVarType > varTypeMask)
    throw EVariantError(L"Custom variant type ($%04X) is out of range", {static_cast<Integer>(RequestedVarType)});
  auto& v = CustomTypes();
  size_t i = RequestedVarType - CFirstUserType;
  if (i < v.size() && v[i])
    throw EVariantError(L"Custom variant type ($%04X) already used by %s",
                        {static_cast<Integer>(RequestedVarType), v[i]->ClassName()});
  if (i >= v.size()) v.resize(i + 1, nullptr);
  v[i] = this;
  FVarType = RequestedVarType;
}

TCustomVariantType::~TCustomVariantType() {
  std::lock_guard<std::mutex> g(RegistryLock());
  auto& v = CustomTypes();
  size_t i = FVarType - CFirstUserType;
  if (i < v.size() && v[i] == this) v[i] = nullptr;
}

bool FindCustomVariantType(TVarType AVarType, TCustomVariantType*& CustomVariantType) {
  CustomVariantType = nullptr;
  if (AVarType < CFirstUserType || AVarType > varTypeMask) return false;
  std::lock_guard<std::mutex> g(RegistryLock());
  auto& v = CustomTypes();
  size_t i = AVarType - CFirstUserType;
  if (i < v.size()) CustomVariantType = v[i];
  return CustomVariantType != nullptr;
}

bool TCustomVariantType::IsClear(const Variant&) const { return false; }
void TCustomVariantType::Cast(Variant&, const Variant& Source) const { VarCastError(Source.VType(), FVarType); }
void TCustomVariantType::CastTo(Variant&, const Variant& Source, TVarType AVarType) const {
  VarCastError(Source.VType(), AVarType);
}
bool TCustomVariantType::RightPromotion(const Variant&, TVarOp, TVarType& RequiredVarType) const {
  RequiredVarType = FVarType;
  return true;
}
bool TCustomVariantType::LeftPromotion(const Variant&, TVarOp, TVarType& RequiredVarType) const {
  RequiredVarType = FVarType;
  return true;
}
void TCustomVariantType::BinaryOp(Variant&, const Variant&, TVarOp) const { VarInvalidOp(); }
void TCustomVariantType::UnaryOp(Variant&, TVarOp) const { VarInvalidOp(); }
void TCustomVariantType::Compare(const Variant&, const Variant&, TVariantRelationship&) const {
  VarInvalidOp();
}
bool TCustomVariantType::CompareOp(const Variant& Left, const Variant& Right, TVarOp Operator) const {
  TVariantRelationship r = vrNotEqual;
  Compare(Left, Right, r);
  return ApplyOp(r, Operator);
}

// ---- unit start-up -------------------------------------------------------------

namespace {
// A Variant in an array-of-const list reaches Format as its text.
bool VariantToVarRec(const void* V, TVarRec& Out) {
  try {
    Out = TVarRec(VarToStr(*static_cast<const Variant*>(V)));
    return true;
  } catch (const EVariantError&) {
    return false;
  }
}
}  // namespace

// Format may run on any thread, so the converter is set before any thread starts and is
// never cleared: a thread still formatting during shut-down keeps a valid converter.
const TUnitInfo VariantsUnit = {L"Variants", [] { VarRecVariantConverter = &VariantToVarRec; }, nullptr};
