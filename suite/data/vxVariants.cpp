#include "vxVariants.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "FMTBcd.h"
#include "SqlTimSt.h"
#include "Streaming.h"

namespace {

bool IsAnyString(TVarType t) { return t == varString || t == varOleStr || t == varUString; }

// The kind of a value when the variant type cannot compare two values: numbers and
// dates, then texts, then everything else.
int KindRank(const Variant& V) {
  TVarType t = VarTypeBase(V);
  if (VarIsNumeric(V) || t == varDate || t == varBoolean || VarIsFMTBcd(V) || VarIsSQLTimeStamp(V)) return 0;
  if (IsAnyString(t)) return 1;
  return 2;
}

String TextOrEmpty(const Variant& V) {
  try {
    return VarToStr(V);
  } catch (const EVariantError&) {
    return String();
  }
}

// A fixed order for values that the variant type's operators cannot relate.
Integer IncomparableOrder(const Variant& A, const Variant& B) {
  int ra = KindRank(A), rb = KindRank(B);
  if (ra != rb) return ra < rb ? -1 : 1;
  TVarType ta = VarTypeBase(A), tb = VarTypeBase(B);
  if (ta != tb) return ta < tb ? -1 : 1;
  Integer c = CompareStr(TextOrEmpty(A), TextOrEmpty(B));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

Integer ScalarCompare(const Variant& A, const Variant& B) {
  if (A.IsEmpty()) return B.IsEmpty() ? 0 : -1;
  if (B.IsEmpty()) return 1;
  try {
    if (A == B) return 0;
    if (A.IsNull()) return -1;
    if (B.IsNull()) return 1;
    if (A < B) return -1;
    // Not less and not equal is greater only when the other direction agrees; a type
    // that answers False both ways has no order of its own.
    if (B < A) return 1;
    return IncomparableOrder(A, B);
  } catch (const EVariantError&) {
    return IncomparableOrder(A, B);
  }
}

void WriteByte(TStream* S, Byte B) { S->WriteBuffer(&B, 1); }

void WriteTag(TStream* S, TValueType T) { WriteByte(S, static_cast<Byte>(T)); }

void WriteInteger(TStream* S, Int64 V) {
  if (V >= -128 && V <= 127) {
    WriteTag(S, vaInt8);
    ShortInt b = static_cast<ShortInt>(V);
    S->WriteBuffer(&b, 1);
  } else if (V >= -32768 && V <= 32767) {
    WriteTag(S, vaInt16);
    SmallInt w = static_cast<SmallInt>(V);
    S->WriteBuffer(&w, 2);
  } else if (V >= INT32_MIN && V <= INT32_MAX) {
    WriteTag(S, vaInt32);
    Integer i = static_cast<Integer>(V);
    S->WriteBuffer(&i, 4);
  } else {
    WriteTag(S, vaInt64);
    S->WriteBuffer(&V, 8);
  }
}

void WriteAnsi(TStream* S, const AnsiString& A) {
  if (A.size() < 256) {
    WriteTag(S, vaString);
    WriteByte(S, static_cast<Byte>(A.size()));
  } else {
    WriteTag(S, vaLString);
    Integer n = static_cast<Integer>(A.size());
    S->WriteBuffer(&n, 4);
  }
  if (!A.empty()) S->WriteBuffer(A.data(), static_cast<Integer>(A.size()));
}

void WriteScalar(TStream* S, const Variant& V) {
  TVarType t = VarTypeBase(V);
  switch (t) {
    case varEmpty: WriteTag(S, vaNil); return;
    case varNull: WriteTag(S, vaNull); return;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      WriteInteger(S, V.AsInt64());
      return;
    case varBoolean: WriteTag(S, V.AsBoolean() ? vaTrue : vaFalse); return;
    case varDouble: {
      WriteTag(S, vaExtended);
      Byte b[10];
      vxDoubleToExtended(V.AsDouble(), b);
      S->WriteBuffer(b, 10);
      return;
    }
    case varSingle: {
      WriteTag(S, vaSingle);
      Single f = static_cast<Single>(V.AsDouble());
      S->WriteBuffer(&f, 4);
      return;
    }
    case varCurrency: {
      WriteTag(S, vaCurrency);
      Int64 c = V.AsCurrency().Value;
      S->WriteBuffer(&c, 8);
      return;
    }
    case varDate: {
      WriteTag(S, vaDate);
      double d = V.AsDouble();
      S->WriteBuffer(&d, 8);
      return;
    }
    case varOleStr: case varUString: {
      WriteTag(S, vaWString);
      String w = V.AsString();
      Integer n = static_cast<Integer>(w.size());
      S->WriteBuffer(&n, 4);
      if (n) S->WriteBuffer(w.data(), n * 2);
      return;
    }
    case varString: WriteAnsi(S, V.AsAnsiString()); return;
    default: break;
  }
  if (VarIsSQLTimeStamp(V)) {
    WriteScalar(S, Variant(VarToDateTime(V), varDateTag));
    return;
  }
  AnsiString text;
  try {
    text = V.AsAnsiString();
  } catch (...) {
    // Whatever the conversion raised, the caller learns that the value cannot be
    // written, which is the one thing it can act on.
    vxDataWriteError();
  }
  WriteAnsi(S, text);
}

template <class T>
T ReadValue(TStream* S) {
  T v{};
  S->ReadBuffer(&v, static_cast<Integer>(sizeof(T)));
  return v;
}

}  // namespace

// --- Extended values and stream errors -------------------------------------------------

void vxDoubleToExtended(double AValue, Byte AOut[10]) {
  UInt64 bits;
  std::memcpy(&bits, &AValue, 8);
  const bool neg = (bits >> 63) != 0;
  int exp = static_cast<int>((bits >> 52) & 0x7FF);
  UInt64 mant = bits & ((UInt64(1) << 52) - 1);
  UInt64 m = 0;
  int e = 0;
  if (exp == 0 && mant == 0) {
  } else if (exp == 0x7FF) {
    e = 0x7FFF;
    m = (UInt64(1) << 63) | (mant << 11);
  } else {
    if (exp == 0) {  // subnormal: normalise the mantissa
      exp = 1;
      while (!(mant & (UInt64(1) << 52))) {
        mant <<= 1;
        --exp;
      }
      mant &= (UInt64(1) << 52) - 1;
    }
    e = exp - 1023 + 16383;
    m = (UInt64(1) << 63) | (mant << 11);
  }
  std::memcpy(AOut, &m, 8);
  Word se = static_cast<Word>(e | (neg ? 0x8000 : 0));
  std::memcpy(AOut + 8, &se, 2);
}

double vxExtendedToDouble(const Byte AIn[10]) {
  UInt64 m;
  Word se;
  std::memcpy(&m, AIn, 8);
  std::memcpy(&se, AIn + 8, 2);
  const bool neg = (se & 0x8000) != 0;
  const int e = se & 0x7FFF;
  double r;
  if (m == 0) r = 0.0;
  else if (e == 0x7FFF) r = (m << 1) ? std::nan("") : HUGE_VAL;
  else r = std::ldexp(static_cast<double>(m), e - 16383 - 63);
  return neg ? -r : r;
}

Int64 vxStreamBytesLeft(TStream* AStream) {
  Int64 left = AStream->Size() - AStream->Position();
  return left < 0 ? 0 : left;
}

void vxDataReadError() { throw EReadError(vxDataOriginalText(vxSDataReadError)); }
void vxInvalidStreamFormat() { throw EReadError(vxDataOriginalText(vxSDataInvalidStreamFormat)); }
void vxDataWriteError() { throw EWriteError(vxDataOriginalText(vxSDataWriteError)); }

void vxCheckStreamCount(TStream* AStream, Int64 ACount, Int64 AItemSize) {
  if (ACount < 0 || (AItemSize > 0 && ACount > vxStreamBytesLeft(AStream) / AItemSize)) vxInvalidStreamFormat();
}

// --- Predicates -------------------------------------------------------------------------

bool IsDateVarType(TVarType AVarType) {
  return AVarType == varDate || (AVarType != varEmpty && AVarType == VarSQLTimeStamp());
}

bool IsCurrencyVarType(TVarType AVarType) {
  return AVarType == varCurrency || (AVarType != varEmpty && AVarType == VarFMTBcd());
}

bool VariantIsDate(const Variant& V) { return IsDateVarType(VarTypeBase(V.Deref())); }

bool VariantIsNumericOrBcd(const Variant& V) { return VarIsNumeric(V) || VarIsFMTBcd(V); }

bool VariantIsNullOrEmptyString(const Variant& V) {
  return V.IsNull() || (VarIsStr(V) && V.AsString().empty());
}

// --- Comparison -------------------------------------------------------------------------

Integer VariantCompare(const Variant& A, const Variant& B) {
  bool aa = A.IsArray(), ba = B.IsArray();
  if (aa || ba) {
    if (!ba) return 1;
    if (!aa) return -1;
    Integer ha = VarArrayHighBound(A, 1), hb = VarArrayHighBound(B, 1);
    if (ha != hb) return ha - hb;
    Integer la = VarArrayLowBound(A, 1), lb = VarArrayLowBound(B, 1);
    for (Integer i = 0; i + la <= ha; ++i) {
      Integer r = VariantCompare(VarArrayGet(A, {la + i}), VarArrayGet(B, {lb + i}));
      if (r != 0) return r;
    }
    return 0;
  }
  return ScalarCompare(A, B);
}

bool VariantsMatch(const Variant& A, const Variant& B) { return VariantCompare(A, B) == 0; }

bool VariantsEqual(const Variant& A, const Variant& B) {
  TVarType ta = VarType(A), tb = VarType(B);
  if (ta == varNull || tb == varNull || (ta != varBoolean && tb != varBoolean)) return VariantsMatch(A, B);
  try {
    return A.AsAnsiString() == B.AsAnsiString();
  } catch (const EVariantError&) {
    return false;
  }
}

// --- Arrays -----------------------------------------------------------------------------

Variant MakeVariantPair(const Variant& A, const Variant& B) { return VarArrayOf({A, B}); }

Variant MakeVariantSingleton(const Variant& A) { return VarArrayOf({A}); }

void AppendToVariantArray(Variant& Arr, const Variant& V) {
  Integer high = VarArrayHighBound(Arr, 1);
  std::vector<Variant> items;
  items.reserve(static_cast<size_t>(high + 2));
  for (Integer i = 0; i <= high; ++i) items.push_back(VarArrayGet(Arr, {i}));
  items.push_back(V);
  Arr = VarArrayOf(items);
}

// --- Tagged form ----------------------------------------------------------------------

void WriteVariantToStream(TStream* AStream, const Variant& V) {
  Variant v = V.Deref();
  if (v.IsArray()) {
    if (VarArrayDimCount(v) != 1) vxDataWriteError();
    Integer lo = VarArrayLowBound(v, 1), hi = VarArrayHighBound(v, 1);
    WriteTag(AStream, vaList);
    WriteInteger(AStream, static_cast<Int64>(hi) - lo + 1);
    for (Integer i = lo; i <= hi; ++i) WriteVariantToStream(AStream, VarArrayGet(v, {i}));
    return;
  }
  WriteScalar(AStream, v);
}

namespace {

// Arrays nest at most this deep in a stream: keys and values are flat or one level of
// pairs, so a deeper stream is damaged or crafted.
constexpr size_t kMaxStreamArrayDepth = 64;

Int64 ReadStreamListCount(TStream* AStream) {
  Byte ctag = ReadValue<Byte>(AStream);
  Int64 count;
  switch (static_cast<TValueType>(ctag)) {
    case vaInt8: count = ReadValue<ShortInt>(AStream); break;
    case vaInt16: count = ReadValue<SmallInt>(AStream); break;
    case vaInt32: count = ReadValue<Integer>(AStream); break;
    case vaInt64: count = ReadValue<Int64>(AStream); break;
    default: vxInvalidStreamFormat();
  }
  // Every element takes at least its tag byte.
  vxCheckStreamCount(AStream, count, 1);
  return count;
}

// Moves the elements into a new array (copying them would copy every level below).
Variant MakeStreamArray(std::vector<Variant>& AItems) {
  Variant r = VarArrayCreate({0, static_cast<Integer>(AItems.size()) - 1}, varVariant);
  for (size_t i = 0; i < AItems.size(); ++i) r.ArrayData()->Items[i] = std::move(AItems[i]);
  return r;
}

Variant ReadScalarFromStream(Byte tag, TStream* AStream) {
  switch (static_cast<TValueType>(tag)) {
    case vaNull: return Null();
    case vaNil: return Variant();
    case vaInt8: return Variant(ReadValue<ShortInt>(AStream));
    case vaInt16: return Variant(ReadValue<SmallInt>(AStream));
    case vaInt32: return Variant(static_cast<int>(ReadValue<Integer>(AStream)));
    case vaInt64: return Variant(static_cast<long long>(ReadValue<Int64>(AStream)));
    case vaExtended: {
      Byte b[10];
      AStream->ReadBuffer(b, 10);
      return Variant(vxExtendedToDouble(b));
    }
    case vaString: case vaLString: {
      Int64 n = tag == vaString ? Int64(ReadValue<Byte>(AStream)) : Int64(ReadValue<Integer>(AStream));
      vxCheckStreamCount(AStream, n, 1);
      AnsiString a(static_cast<size_t>(n), '\0');
      if (n) AStream->ReadBuffer(a.data(), static_cast<Integer>(n));
      return Variant(a);
    }
    case vaFalse: return Variant(false);
    case vaTrue: return Variant(true);
    case vaSingle: return Variant(ReadValue<Single>(AStream));
    case vaCurrency: return Variant(Currency::FromScaled(ReadValue<Int64>(AStream)));
    case vaDate: return Variant(ReadValue<double>(AStream), varDateTag);
    case vaWString: {
      Integer n = ReadValue<Integer>(AStream);
      vxCheckStreamCount(AStream, n, 2);
      String w(static_cast<size_t>(n), L'\0');
      if (n) AStream->ReadBuffer(w.data(), n * 2);
      Variant r = VarAsType(Variant(w), varOleStr);
      return r;
    }
    default: vxDataReadError();
  }
}

}  // namespace

Variant ReadVariantFromStream(TStream* AStream) {
  // Nested arrays are read with a stack of open lists instead of a call per level, and
  // refused past a fixed depth.
  struct TOpenList {
    std::vector<Variant> Items;
    Int64 Left;
  };
  std::vector<TOpenList> open;
  for (;;) {
    Byte tag = ReadValue<Byte>(AStream);
    Variant v;
    if (tag == vaList) {
      if (open.size() >= kMaxStreamArrayDepth) vxInvalidStreamFormat();
      Int64 count = ReadStreamListCount(AStream);
      std::vector<Variant> items;
      if (count > 0) {
        items.reserve(static_cast<size_t>(std::min<Int64>(count, 4096)));
        open.push_back({std::move(items), count});
        continue;
      }
      v = MakeStreamArray(items);
    } else {
      v = ReadScalarFromStream(tag, AStream);
    }
    // Hand the value to the innermost open list; a list that is full closes in turn.
    for (;;) {
      if (open.empty()) return v;
      TOpenList& l = open.back();
      l.Items.push_back(std::move(v));
      if (--l.Left > 0) break;
      v = MakeStreamArray(l.Items);
      open.pop_back();
    }
  }
}

// --- Dates, texts, formats --------------------------------------------------------------

String GetCurrencyDisplayFormat() {
  String d(FormatSettings.CurrencyDecimals, L'0');
  String n = L",0." + d;
  String s;
  for (wchar_t c : FormatSettings.CurrencyString) {
    if (c == L',' || c == L'.') {
      s += L'\'';
      s += c;
      s += L'\'';
    } else {
      s += c;
    }
  }
  if (s.empty()) return n;
  switch (FormatSettings.CurrencyFormat) {
    case 0: return s + n;
    case 1: return n + s;
    case 2: return s + L" " + n;
    default: return n + L" " + s;
  }
}

TDateTime DatePartOf(TDateTime D) { return std::trunc(D); }

TDateTime TimePartOf(TDateTime D) { return D - std::trunc(D); }

Integer LocaleFirstDayOfWeek() {
  wchar_t buf[8] = {};
  Integer n = 0;
  if (GetLocaleInfoW(GetThreadLocale(), LOCALE_IFIRSTDAYOFWEEK, buf, 8) > 0 && buf[0] >= L'0' && buf[0] <= L'9')
    n = buf[0] - L'0';
  n += 1;
  return n > 6 ? 0 : n;
}

TDateTime WeekStartOf(TDateTime D) {
  Integer b = DayOfWeek(D) - 1;
  Integer f = LocaleFirstDayOfWeek();
  if (b < f) return DatePartOf(D) - 7 + (f - b);
  return DatePartOf(D) - (b - f);
}

namespace {

bool IsAscii(const String& S) {
  return std::all_of(S.begin(), S.end(), [](wchar_t c) { return c < 0x80; });
}

// Upper case by the locale; plain ASCII text is mapped directly.
String UpperText(const String& S) {
  if (!IsAscii(S)) return AnsiUpperCase(S);
  String r = S;
  for (wchar_t& c : r)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return r;
}

}  // namespace

bool MatchSearchText(const String& AText, const String& ASearchText, bool APartial) {
  if (ASearchText.empty()) return AText.empty();
  if (AText.size() < ASearchText.size()) return false;
  if (!APartial && AText.size() != ASearchText.size()) return false;
  // Plain ASCII letters compare without the locale: the first pair that differs even
  // after folding their case decides at once; any other character takes the locale's
  // upper-casing below.
  {
    size_t i = 0, n = ASearchText.size();
    for (; i < n; ++i) {
      wchar_t a = AText[i], b = ASearchText[i];
      if (a >= 0x80 || b >= 0x80) break;
      if (a >= L'a' && a <= L'z') a = static_cast<wchar_t>(a - 32);
      if (b >= L'a' && b <= L'z') b = static_cast<wchar_t>(b - 32);
      if (a != b) return false;
    }
    if (i == n) return true;
  }
  // Only the part of the text that the search text covers takes part.
  String t = UpperText(APartial ? AText.substr(0, ASearchText.size()) : AText);
  String s = UpperText(ASearchText);
  if (!APartial) return t == s;
  return t.size() >= s.size() && t.compare(0, s.size(), s) == 0;
}

const TUnitInfo vxVariantsUnit = {L"vxVariants", nullptr, nullptr};
