#include "ZvJson.h"

#include "Classes.h"
#include "Encoding.h"
#include "ZvFileUtil.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

namespace {

// Keys match ignoring case: both upper-cased alike (ASCII directly, other text through
// the system's invariant case mapping).
bool IsAscii(const String& s) {
  for (wchar_t c : s)
    if (c >= 0x80) return false;
  return true;
}

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; }

String FoldKey(const String& s) {
  String r(s);
  if (IsAscii(s)) {
    for (wchar_t& c : r) c = AsciiUpper(c);
    return r;
  }
  if (!r.empty())
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, s.data(), static_cast<int>(s.size()), r.data(),
                 static_cast<int>(r.size()));
  return r;
}

bool SameKey(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  size_t i = 0;
  for (; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= 0x80 || y >= 0x80) break;
    if (AsciiUpper(x) != AsciiUpper(y)) return false;
  }
  return i == a.size() || FoldKey(a) == FoldKey(b);
}

String LowerLocale(const String& s) {
  if (s.empty()) return s;
  String r(s.size(), L'\0');
  int n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, s.data(), static_cast<int>(s.size()),
                       r.data(), static_cast<int>(r.size()));
  if (n <= 0) return s;
  r.resize(n);
  return r;
}


int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

// Floating conversion with "." as the decimal separator: blanks, an optional sign,
// digits with an optional point, an optional exponent. Values beyond the double range
// do not convert.
bool TryTextToFloat(const String& s, double& out) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == L' ') ++b;
  while (e > b && s[e - 1] == L' ') --e;
  std::string a;
  size_t i = b;
  if (i < e && (s[i] == L'+' || s[i] == L'-')) {
    if (s[i] == L'-') a += '-';
    ++i;
  }
  size_t digits = 0;
  while (i < e && s[i] >= L'0' && s[i] <= L'9') { a += static_cast<char>(s[i++]); ++digits; }
  if (i < e && s[i] == L'.') {
    a += '.';
    ++i;
    while (i < e && s[i] >= L'0' && s[i] <= L'9') { a += static_cast<char>(s[i++]); ++digits; }
  }
  if (digits == 0) return false;
  if (i < e && (s[i] == L'e' || s[i] == L'E')) {
    a += 'e';
    ++i;
    if (i < e && (s[i] == L'+' || s[i] == L'-')) a += static_cast<char>(s[i++]);
    size_t ed = 0;
    while (i < e && s[i] >= L'0' && s[i] <= L'9') { a += static_cast<char>(s[i++]); ++ed; }
    if (ed == 0) return false;
  }
  if (i != e) return false;
  double v = 0;
  auto r = std::from_chars(a.data(), a.data() + a.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as zero; too large does not convert.
    size_t ep = a.find('e');
    if (ep == std::string::npos || a[ep + 1] != '-') return false;
    v = 0.0;
  } else if (r.ec != std::errc() || r.ptr != a.data() + a.size()) {
    return false;
  }
  out = v;
  return true;
}

double TextToFloat(const String& s) {
  double v;
  if (!TryTextToFloat(s, v)) throw EConvertError(L"'" + s + L"' is not a valid floating point value");
  return v;
}

// A double in the general format with the fewest significant digits that read back as
// the same double (at most 15 whenever 15 are enough, else 16 or 17): fixed notation
// when the decimal exponent (value = 0.d1d2... x 10^E) lies in -3..15, otherwise
// scientific notation such as 1E21 or 1.5E-7. Appended to out.
void AppendFloatGeneral(String& out, double d) {
  if (std::isnan(d)) { out += L"NAN"; return; }
  if (std::isinf(d)) { out += d > 0 ? L"INF" : L"-INF"; return; }
  if (d == 0) { out += L'0'; return; }
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
  const char* p = buf;
  if (*p == '-') {
    out += L'-';
    ++p;
  }
  // p: d[.ddd]e[+-]xx
  char digits[24];
  int nd = 0;
  const char* q = p;
  for (; *q != 'e'; ++q)
    if (*q != '.') digits[nd++] = *q;
  int x = 0;
  bool xneg = q[1] == '-';
  for (const char* e = q + 2; e < r.ptr; ++e) x = x * 10 + (*e - '0');
  if (xneg) x = -x;
  while (nd > 1 && digits[nd - 1] == '0') --nd;
  const int E = x + 1;
  auto put = [&](int from, int to) {
    for (int i = from; i < to; ++i) out += static_cast<wchar_t>(digits[i]);
  };
  if (E >= -3 && E <= 15) {
    if (E <= 0) {
      out += L"0.";
      out.append(static_cast<size_t>(-E), L'0');
      put(0, nd);
    } else if (nd <= E) {
      put(0, nd);
      out.append(static_cast<size_t>(E - nd), L'0');
    } else {
      put(0, E);
      out += L'.';
      put(E, nd);
    }
  } else {
    put(0, 1);
    if (nd > 1) {
      out += L'.';
      put(1, nd);
    }
    out += L'E';
    if (x < 0) out += L'-';
    wchar_t xb[8];
    int xn = 0;
    for (int v = x < 0 ? -x : x; v > 0 || xn == 0; v /= 10) xb[xn++] = static_cast<wchar_t>(L'0' + v % 10);
    while (xn > 0) out += xb[--xn];
  }
}

String FloatToGeneral(double d) {
  String out;
  AppendFloatGeneral(out, d);
  return out;
}

// Truncation and rounding to a 32-bit Integer: values outside the 64-bit range raise
// EInvalidOp; a 64-bit result keeps only its low 32 bits (so 2^32 + 5 gives 5).
Integer TruncToInt(double d) {
  if (!(std::fabs(d) < 9.2233720368547758e18)) throw EInvalidOp(L"Invalid floating point operation");
  return static_cast<Integer>(static_cast<std::uint32_t>(static_cast<Int64>(std::trunc(d))));
}
Integer RoundToInt(double d) {
  if (!(std::fabs(d) < 9.2233720368547758e18)) throw EInvalidOp(L"Invalid floating point operation");
  return static_cast<Integer>(static_cast<std::uint32_t>(static_cast<Int64>(std::nearbyint(d))));
}

// A boolean value, or a string that reads "true" or "false" in any case.
bool TryBooleanOf(TZvAbstractObject* o, bool& out) {
  if (auto b = dynamic_cast<Boolean_*>(o)) {
    out = b->boolValue();
    return true;
  }
  if (dynamic_cast<String_*>(o)) {
    if (SameText(o->toString(), L"true")) { out = true; return true; }
    if (SameText(o->toString(), L"false")) { out = false; return true; }
  }
  return false;
}

// A number's value, or the value its text reads as; defaultValue for none or other text.
double OptDoubleOf(TZvAbstractObject* o, double defaultValue) {
  if (o == nullptr) return defaultValue;
  if (auto n = dynamic_cast<Number_*>(o)) return n->doubleValue();
  double d;
  return TryTextToFloat(o->toString(), d) ? d : defaultValue;
}

// A number's integer value, or the integer its text reads as; defaultValue for none,
// other text or a number out of the integer range.
Integer OptIntOf(TZvAbstractObject* o, Integer defaultValue) {
  if (o == nullptr) return defaultValue;
  if (auto n = dynamic_cast<Number_*>(o)) {
    try {
      return n->intValue();
    } catch (const Exception&) {
      return defaultValue;
    }
  }
  Integer i;
  return TryStrToInt(o->toString(), i) ? i : defaultValue;
}

bool IsStopChar(wchar_t c) { return std::wcschr(L",:]}/\\\"[{;=#", c) != nullptr; }

// s in double quotes with the JSON escapes, appended to out; runs without escapes are
// copied whole.
void AppendQuoted(String& out, const String& s) {
  out += L'"';
  const wchar_t* p = s.data();
  const wchar_t* end = p + s.size();
  const wchar_t* run = p;
  for (; p < end; ++p) {
    wchar_t c = *p;
    if (c >= L' ' && c != L'"' && c != L'\\') continue;
    out.append(run, static_cast<size_t>(p - run));
    run = p + 1;
    switch (c) {
      case L'"': out += L"\\\""; break;
      case L'\\': out += L"\\\\"; break;
      case L'\t': out += L"\\t"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      case L'\b': out += L"\\b"; break;
      case L'\f': out += L"\\f"; break;
      default: {
        static const wchar_t hex[] = L"0123456789ABCDEF";
        out += L"\\u00";
        out += hex[(c >> 4) & 15];
        out += hex[c & 15];
      }
    }
  }
  out.append(run, static_cast<size_t>(end - run));
  out += L'"';
}

void AppendInteger(String& out, Integer v) {
  wchar_t b[12];
  int n = 0;
  unsigned long long u = v < 0 ? 0ull - static_cast<unsigned long long>(static_cast<long long>(v))
                                : static_cast<unsigned long long>(v);
  do {
    b[n++] = static_cast<wchar_t>(L'0' + u % 10);
    u /= 10;
  } while (u);
  if (v < 0) out += L'-';
  while (n > 0) out += b[--n];
}

// Writers. Compact text has no blanks; indented text follows the layout rules of
// TJSONObject::toString(indentFactor, indent).
void WriteValue(String& out, const TZvAbstractObject* v, bool indented, Integer f, Integer indent);

void WriteObject(String& out, const TJSONObject* o, bool indented, Integer f, Integer indent) {
  Integer n = o->length();
  if (!indented) {
    out += L'{';
    for (Integer i = 0; i < n; ++i) {
      if (i > 0) out += L',';
      AppendQuoted(out, o->keyFromIndex(i));
      out += L':';
      // Each pair is written with its own value, so duplicated keys come back as read.
      WriteValue(out, o->valueFromIndex(i), false, f, indent);
    }
    out += L'}';
    return;
  }
  if (n == 0) {
    out += L"{}";
  } else if (n == 1) {
    out += L'{';
    AppendQuoted(out, o->keyFromIndex(0));
    out += L": ";
    WriteValue(out, o->valueFromIndex(0), true, f, indent);
    out += L'}';
  } else {
    Integer inner = indent + f;
    out += L'{';
    for (Integer i = 0; i < n; ++i) {
      out += i == 0 ? L"\n" : L",\n";
      if (inner > 0) out.append(static_cast<size_t>(inner), L' ');
      AppendQuoted(out, o->keyFromIndex(i));
      out += L": ";
      WriteValue(out, o->valueFromIndex(i), true, f, inner);
    }
    out += L'\n';
    if (indent > 0) out.append(static_cast<size_t>(indent), L' ');
    out += L'}';
  }
}

void WriteArray(String& out, const TJSONArray* a, bool indented, Integer f, Integer indent) {
  Integer n = a->length();
  if (!indented) {
    out += L'[';
    for (Integer i = 0; i < n; ++i) {
      if (i > 0) out += L',';
      WriteValue(out, a->opt(i), false, f, indent);
    }
    out += L']';
    return;
  }
  if (n == 0) {
    out += L"[]";
  } else if (n == 1) {
    out += L'[';
    WriteValue(out, a->opt(0), true, f, indent);
    out += L']';
  } else {
    Integer inner = indent + f;
    out += L"[\n";
    for (Integer i = 0; i < n; ++i) {
      if (i > 0) out += L",\n";
      if (inner > 0) out.append(static_cast<size_t>(inner), L' ');
      WriteValue(out, a->opt(i), true, f, inner);
    }
    out += L'\n';
    if (indent > 0) out.append(static_cast<size_t>(indent), L' ');
    out += L']';
  }
}

void WriteValue(String& out, const TZvAbstractObject* v, bool indented, Integer f, Integer indent) {
  if (v == nullptr) {
    out += L"null";
  } else if (auto str = dynamic_cast<const String_*>(v)) {
    if (!str->NoQuote()) AppendQuoted(out, str->value());
    else if (str->value().empty()) out += L"\"\"";
    else out += str->value();
  } else if (auto i = dynamic_cast<const Integer_*>(v)) {
    AppendInteger(out, i->intValue());
  } else if (auto n = dynamic_cast<const Number_*>(v)) {
    AppendFloatGeneral(out, n->doubleValue());
  } else if (dynamic_cast<const NULL_*>(v)) {
    out += L"null";
  } else if (auto o = dynamic_cast<const TJSONObject*>(v)) {
    WriteObject(out, o, indented, f, indent);
  } else if (auto a = dynamic_cast<const TJSONArray*>(v)) {
    WriteArray(out, a, indented, f, indent);
  } else if (dynamic_cast<const Boolean_*>(v)) {
    out += v->toString();
  } else if (auto s = dynamic_cast<const String_*>(v); s && s->NoQuote()) {
    String t = s->toString();
    out += t.empty() ? String(L"\"\"") : t;
  } else {
    out += TJSONObject::quote(v->toString());
  }
}

String ArrayIndexText(Integer index) { return L"TJSONArray[" + std::to_wstring(index) + L"]"; }

}  // namespace

// ---------------------------------------------------------------------------------
// Exceptions and the abstract value

ParseException::ParseException(const String& Message, Integer Index)
    : Exception(Message + L"\n\r erro no caracter : " + std::to_wstring(Index)), FIndex(Index) {}

bool TZvAbstractObject::equals(const TZvAbstractObject* Value) const { return Value == this; }

TZvAbstractObject* TZvAbstractObject::clone() const {
  throw NotImplmentedFeature(L"Not Implemented. ZvJson.");
}

String TZvAbstractObject::toString() const {
  UInt64 address = reinterpret_cast<std::uintptr_t>(this);
  return ClassName() + L" <" + IntToHex(address, static_cast<Integer>(sizeof(void*) * 2)) + L">";
}

// ---------------------------------------------------------------------------------
// Scalars

Integer_::Integer_(const String& s) : fvalue(StrToInt(s)) {}

String Integer_::toString() const { return std::to_wstring(fvalue); }

Integer Integer_::parseInt(const String& s, Integer i) {
  switch (i) {
    case 10:
      return StrToInt(s);
    case 16: {
      std::uint32_t v = 0;
      for (wchar_t c : s) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
        std::uint32_t d;
        if (c >= L'A' && c <= L'F') {
          d = static_cast<std::uint32_t>(c - L'A' + 10);
        } else {
          d = static_cast<std::uint32_t>(StrToInt(String(1, c)));
          if (d > 9) throw EConvertError(L"'" + String(1, c) + L"' is not a valid integer value");
        }
        v = v * 16 + d;
      }
      return static_cast<Integer>(v);
    }
    case 8:
      throw NotImplmentedFeature(L"Not Implemented. ZvJson.");
    default:
      return 0;
  }
}

Integer Integer_::parseInt(const String_* s) { return parseInt(s->toString(), 10); }

String Integer_::toHexString(Char c) { return IntToHex(static_cast<Integer>(static_cast<Word>(c)), 2); }

Double_::Double_(const String& s) : fvalue(TextToFloat(s)) {}
Double_::Double_(const String_* s) : fvalue(TextToFloat(s->toString())) {}

String Double_::toString() const { return FloatToGeneral(fvalue); }

Integer Double_::intValue() const { return TruncToInt(fvalue); }

bool String_::equals(const TZvAbstractObject* Value) const {
  auto s = dynamic_cast<const String_*>(Value);
  return s != nullptr && s->fvalue == fvalue;
}

bool NULL_::equals(const TZvAbstractObject* Value) const {
  return Value == nullptr || dynamic_cast<const NULL_*>(Value) != nullptr;
}

// ---------------------------------------------------------------------------------
// TJSONIO

void TJSONIO::LoadFromText(const String& aText, bool ApplyNoQuote) {
  JSONTokener x(aText, ApplyNoQuote);
  parse(&x);
}

void TJSONIO::SaveToFile(const String& aFilePath, TEncoding* aEncoding) const {
  TStringList lines;
  lines.SetText(ConvertToString(2));
  lines.SaveToFile(aFilePath, aEncoding);
}

void TJSONIO::SaveToFileUtf8(const String& aFilePath) const { SaveToFile(aFilePath, TEncoding::UTF8()); }

void TJSONIO::LoadFromFile(const String& aFilePath, TEncoding* aEncoding, bool ApplyNoQuote) {
  DWORD attributes = GetFileAttributesW(aFilePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  String text;
  ReadTextFile(aFilePath, aEncoding, text);
  LoadFromText(text, ApplyNoQuote);
}

void TJSONIO::LoadFromFile(const String& aFilePath, bool ApplyNoQuote) {
  LoadFromFile(aFilePath, nullptr, ApplyNoQuote);
}

// ---------------------------------------------------------------------------------
// TJSONObject

TJSONObject::TPairs::~TPairs() {
  for (TPair& p : *this) delete p.Value;
}

struct TJSONObject::TKeyIndex {
  std::unordered_map<String, Integer> Pos;
  size_t Count = 0;
};

TJSONObject::TJSONObject() = default;

TJSONObject::TJSONObject(const TJSONObject* jo, const std::vector<String>& names) {
  for (const String& name : names) {
    TZvAbstractObject* v = jo ? jo->opt(name) : nullptr;
    if (v == nullptr) continue;
    std::unique_ptr<TZvAbstractObject> c(v->clone());
    put(name, c.get());
    c.release();
  }
}

TJSONObject::TJSONObject(JSONTokener* x) { parse(x); }

TJSONObject::TJSONObject(const TStrings* map) {
  for (Integer i = 0; i < map->Count(); ++i) {
    TObject* item = map->Objects(i);
    auto* value = dynamic_cast<TZvAbstractObject*>(item);
    if (item != nullptr && value == nullptr)
      throw ClassCastException(L"TJSONObject: " + item->ClassName() + L" is not a JSON value.");
    Append(map->Strings(i), CopyValue(value));
  }
}

TJSONObject::TJSONObject(const String& s) {
  JSONTokener x(s, false);
  parse(&x);
}

TJSONObject::~TJSONObject() = default;

TStringList* TJSONObject::keys() const {
  std::unique_ptr<TStringList> r(new TStringList());
  for (const TPair& p : FItems) r->Add(p.Key);
  return r.release();
}

TZvAbstractObject* TJSONObject::clone() const { return new TJSONObject(toString()); }

String TJSONObject::toString() const {
  String out;
  WriteObject(out, this, false, 0, 0);
  return out;
}

String TJSONObject::toString(Integer indentFactor) const { return toString(indentFactor, 0); }

String TJSONObject::toString(Integer indentFactor, Integer indent) const {
  String out;
  WriteObject(out, this, true, indentFactor, indent);
  return out;
}

void TJSONObject::Append(String key, TZvAbstractObject* value) {
  std::unique_ptr<TZvAbstractObject> guard(value);
  FItems.push_back(TPair{std::move(key), value});
  guard.release();
}

TZvAbstractObject* TJSONObject::CopyValue(const TZvAbstractObject* v) {
  if (v == nullptr) return nullptr;
  if (auto o = dynamic_cast<const TJSONObject*>(v)) {
    std::unique_ptr<TJSONObject> r(new TJSONObject());
    for (const TPair& p : o->FItems) r->Append(p.Key, CopyValue(p.Value));
    return r.release();
  }
  if (auto a = dynamic_cast<const TJSONArray*>(v)) {
    std::unique_ptr<TJSONArray> r(new TJSONArray());
    for (Integer i = 0; i < a->length(); ++i) {
      std::unique_ptr<TZvAbstractObject> c(CopyValue(a->opt(i)));
      r->put(c.get());
      c.release();
    }
    return r.release();
  }
  return v->clone();
}

TJSONObject* TJSONObject::put(const String& key, TZvAbstractObject* value) {
  if (key.empty()) throw NullPointerException(L"Null key.");
  if (value == nullptr) {
    remove(key);
    return this;
  }
  Integer i = indexOfCS(key);
  if (i >= 0) {
    TZvAbstractObject* old = FItems[i].Value;
    FItems[i].Value = value;
    if (old != value) delete old;
  } else {
    FItems.push_back(TPair{key, value});
  }
  return this;
}

namespace {
// Hands a value made here to a put; when the put fails the value is freed.
template <class TOwner, class TKey>
TOwner* PutNew(TOwner* owner, const TKey& key, TZvAbstractObject* created) {
  std::unique_ptr<TZvAbstractObject> guard(created);
  owner->put(key, created);
  guard.release();
  return owner;
}
TJSONArray* AppendNew(TJSONArray* owner, TZvAbstractObject* created) {
  std::unique_ptr<TZvAbstractObject> guard(created);
  owner->put(created);
  guard.release();
  return owner;
}
}  // namespace

TJSONObject* TJSONObject::put(const String& key, bool value) { return PutNew(this, key, new Boolean_(value)); }
TJSONObject* TJSONObject::put(const String& key, double value) { return PutNew(this, key, new Double_(value)); }
TJSONObject* TJSONObject::put(const String& key, Integer value) { return PutNew(this, key, new Integer_(value)); }
TJSONObject* TJSONObject::put(const String& key, const String& value, bool noquote) {
  return PutNew(this, key, new String_(value, noquote));
}

TJSONObject* TJSONObject::putVariant(const String& key, const Variant& value) {
  switch (VarType(value)) {
    case varNull:
      throw Exception(L"Can't put null values to TJsonObject (putVariant)");
    case varSmallint:
    case varInteger:
    case varByte:
    case varWord:
      return put(key, value.AsInteger());
    case varDouble:
    case varLongWord:
    case varInt64:
      return put(key, value.AsDouble());
    case varOleStr:
    case varString:
    case varUString:
      return put(key, value.AsString().substr(0, 1000000), false);
    case varBoolean:
      return put(key, value.AsBoolean());
    default:
      return this;
  }
}

TJSONObject* TJSONObject::putValues(const std::vector<String>& keys, const std::vector<Variant>& values) {
  for (size_t i = 0; i < keys.size() && i < values.size(); ++i)
    if (!keys[i].empty()) putVariant(keys[i], values[i]);
  return this;
}

TJSONObject* TJSONObject::putOpt(const String& key, TZvAbstractObject* value) {
  if (value != nullptr) put(key, value);
  return this;
}

TJSONObject* TJSONObject::accumulate(const String& key, TZvAbstractObject* value) {
  TZvAbstractObject* o = opt(key);
  if (o == nullptr) {
    put(key, value);
  } else if (auto a = dynamic_cast<TJSONArray*>(o)) {
    a->put(value);
  } else {
    std::unique_ptr<TJSONArray> a2(new TJSONArray());
    std::unique_ptr<TZvAbstractObject> c(o->clone());
    a2->put(c.get());
    c.release();
    a2->put(value);
    put(key, a2.get());
    a2.release();
  }
  return this;
}

TZvAbstractObject* TJSONObject::opt(const String& key) const {
  if (key.empty()) throw NullPointerException(L"Null key");
  Integer i = indexOfCS(key);
  return i >= 0 ? FItems[i].Value : nullptr;
}

TZvAbstractObject* TJSONObject::get(const String& key) const {
  TZvAbstractObject* o = opt(key);
  if (o == nullptr) throw NoSuchElementException(L"TJSONObject[" + quote(key) + L"] not found.");
  return o;
}

bool TJSONObject::getBoolean(const String& key) const {
  bool v;
  if (TryBooleanOf(get(key), v)) return v;
  throw ClassCastException(L"TJSONObject[" + quote(key) + L"] is not a Boolean.");
}

double TJSONObject::getDouble(const String& key) const {
  try {
    TZvAbstractObject* o = get(key);
    if (auto n = dynamic_cast<Number_*>(o)) return n->doubleValue();
    if (dynamic_cast<String_*>(o)) return TextToFloat(o->toString());
    throw NumberFormatException(L"TJSONObject[" + quote(key) + L"] is not a number.");
  } catch (const Exception& e) {
    throw Exception(e.Message() + L"(TJSONObject.getDouble.key=" + key + L")");
  }
}

Integer TJSONObject::getInt(const String& key) const {
  try {
    TZvAbstractObject* o = get(key);
    if (auto n = dynamic_cast<Number_*>(o)) return n->intValue();
    return RoundToInt(getDouble(key));
  } catch (const Exception& e) {
    throw Exception(e.Message() + L"(TJSONObject.getInt.key=" + key + L")");
  }
}

TJSONArray* TJSONObject::getJSONArray(const String& key) const {
  if (auto a = dynamic_cast<TJSONArray*>(get(key))) return a;
  throw NoSuchElementException(L"TJSONObject[" + quote(key) + L"] is not a TJSONArray.");
}

TJSONObject* TJSONObject::getJSONObject(const String& key) const {
  if (auto o = dynamic_cast<TJSONObject*>(get(key))) return o;
  throw NoSuchElementException(L"TJSONObject[" + quote(key) + L"] is not a TJSONObject.");
}

String TJSONObject::getString(const String& key) const { return get(key)->toString(); }

Variant TJSONObject::getVariant(const String& key) const {
  TZvAbstractObject* o = get(key);
  if (auto s = dynamic_cast<String_*>(o)) return Variant(s->toString());
  if (auto i = dynamic_cast<Integer_*>(o)) return Variant(static_cast<int>(i->intValue()));
  if (auto d = dynamic_cast<Double_*>(o)) return Variant(d->doubleValue());
  if (auto b = dynamic_cast<Boolean_*>(o)) return Variant(b->boolValue());
  if (dynamic_cast<TJSONObject*>(o)) throw Exception(L"TJsonObject is unsupported.TJSONObject.getVariant.");
  if (dynamic_cast<TJSONArray*>(o)) throw Exception(L"TJSONArray is unsupported.TJSONObject.getVariant.");
  throw Exception(L"Unsupported Type.TJSONObject.getVariant.");
}

bool TJSONObject::optBoolean(const String& key, bool defaultValue) const {
  bool v;
  return TryBooleanOf(opt(key), v) ? v : defaultValue;
}

double TJSONObject::optDouble(const String& key) const { return optDouble(key, Double_::NaN()); }

double TJSONObject::optDouble(const String& key, double defaultValue) const {
  return OptDoubleOf(opt(key), defaultValue);
}

Integer TJSONObject::optInt(const String& key, Integer defaultValue) const {
  return OptIntOf(opt(key), defaultValue);
}

TJSONArray* TJSONObject::optJSONArray(const String& key) const { return dynamic_cast<TJSONArray*>(opt(key)); }

TJSONObject* TJSONObject::optJSONObject(const String& key) const { return dynamic_cast<TJSONObject*>(opt(key)); }

String TJSONObject::optString(const String& key, const String& defaultValue) const {
  TZvAbstractObject* o = opt(key);
  return o ? o->toString() : defaultValue;
}

Integer TJSONObject::indexOf(const String& aKey) const { return indexOfCS(aKey); }

Integer TJSONObject::indexOfCS(const String& aKey) const {
  // A few keys are compared directly; more go through the index, so that building or
  // reading a large object costs time in proportion to its size.
  constexpr size_t DirectScan = 8;
  if (FItems.size() <= DirectScan) {
    for (size_t i = 0; i < FItems.size(); ++i) {
      const String& k = FItems[i].Key;
      if (k == aKey || SameKey(k, aKey)) return static_cast<Integer>(i);
    }
    return -1;
  }
  if (!FIndex) FIndex = std::make_unique<TKeyIndex>();
  TKeyIndex& x = *FIndex;
  if (x.Pos.empty()) x.Pos.reserve(FItems.size());
  for (; x.Count < FItems.size(); ++x.Count)
    x.Pos.emplace(FoldKey(FItems[x.Count].Key), static_cast<Integer>(x.Count));  // first wins
  auto it = x.Pos.find(FoldKey(aKey));
  return it == x.Pos.end() ? -1 : it->second;
}

bool TJSONObject::isNull(const String& key) const {
  TZvAbstractObject* o = opt(key);
  return o == nullptr || dynamic_cast<NULL_*>(o) != nullptr;
}

TJSONArray* TJSONObject::names() const {
  if (FItems.empty()) return nullptr;
  std::unique_ptr<TJSONArray> a(new TJSONArray());
  for (const TPair& p : FItems) a->put(p.Key);
  return a.release();
}

String TJSONObject::keyFromIndex(Integer aIndex) const {
  return aIndex >= 0 && aIndex < length() ? FItems[aIndex].Key : String();
}

TZvAbstractObject* TJSONObject::valueFromIndex(Integer aIndex) const {
  return aIndex >= 0 && aIndex < length() ? FItems[aIndex].Value : nullptr;
}

void TJSONObject::moveFirst(const String& key) {
  Integer i = indexOfCS(key);
  if (i <= 0) return;
  TPair p = std::move(FItems[i]);
  FItems.erase(FItems.begin() + i);
  FItems.insert(FItems.begin(), std::move(p));
  FIndex.reset();
}

bool TJSONObject::remove(const String& key) {
  Integer i = indexOfCS(key);
  if (i < 0) return false;
  TZvAbstractObject* v = FItems[i].Value;
  FItems.erase(FItems.begin() + i);
  FIndex.reset();
  delete v;
  return true;
}

void TJSONObject::clean() {
  FIndex.reset();
  while (!FItems.empty()) {
    TZvAbstractObject* v = FItems.back().Value;
    FItems.pop_back();
    delete v;
  }
}

TJSONArray* TJSONObject::toJSONArray(const TJSONArray* names) const {
  if (names == nullptr || names->length() == 0) return nullptr;
  std::unique_ptr<TJSONArray> a(new TJSONArray());
  for (Integer i = 0; i < names->length(); ++i) {
    std::unique_ptr<TZvAbstractObject> c(CopyValue(opt(names->getString(i))));
    a->put(c.get());
    c.release();
  }
  return a.release();
}

void TJSONObject::assignTo(TJSONObject* json) const {
  for (const TPair& p : FItems) {
    std::unique_ptr<TZvAbstractObject> c(p.Value ? p.Value->clone() : nullptr);
    json->put(p.Key, c.get());
    c.release();
  }
}

void TJSONObject::Assign(const TJSONObject* tjson, bool ApplyNoQuote) {
  String text = tjson->toString();
  LoadFromText(text, ApplyNoQuote);
}

String TJSONObject::ValueToUnquotedString(const TZvAbstractObject* Value) {
  String s = valueToString(Value);
  if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') return s.substr(1, s.size() - 2);
  return s;
}

String TJSONObject::quote(const String& s) {
  String r;
  r.reserve(s.size() + 2);
  AppendQuoted(r, s);
  return r;
}

String TJSONObject::numberToString(const Number_* n) {
  if (n == nullptr) return String();
  if (auto i = dynamic_cast<const Integer_*>(n)) return i->toString();
  return FloatToGeneral(n->doubleValue());
}

String TJSONObject::valueToString(const TZvAbstractObject* v) {
  String out;
  WriteValue(out, v, false, 0, 0);
  return out;
}

String TJSONObject::valueToString(const TZvAbstractObject* v, Integer indentFactor, Integer indent) {
  String out;
  WriteValue(out, v, true, indentFactor, indent);
  return out;
}

void TJSONObject::parse(JSONTokener* x) {
  JSONTokener::TDepthGuard depth(x);
  clean();
  if (x->nextClean() != L'{') throw x->syntaxError(L"A TJSONObject must begin with \"{\"");
  for (;;) {
    Char c = x->nextClean();
    if (c == 0) throw x->syntaxError(L"A TJSONObject must end with \"}\"");
    if (c == L'}') return;
    String key;
    if (c == L'"' || c == L'\'') {
      key = x->nextString(c);  // the usual quoted key, without a value object
    } else {
      x->back();
      std::unique_ptr<TZvAbstractObject> k(x->nextValue());
      key = k->toString();
    }
    c = x->nextClean();
    if (c == L'=') {
      if (x->next() != L'>') x->back();
    } else if (c != L':') {
      throw x->syntaxError(L"Expected a \":\" after a key");
    }
    // Duplicated keys are appended again; lookups find the first.
    Append(std::move(key), x->nextValue());
    switch (x->nextClean()) {
      case L';':
      case L',':
        if (x->nextClean() == L'}') return;
        x->back();
        break;
      case L'}':
        return;
      default:
        throw x->syntaxError(L"Expected a \",\" or \"}\"");
    }
  }
}

// ---------------------------------------------------------------------------------
// TJSONArray

TJSONArray::TElements::~TElements() {
  for (TZvAbstractObject* e : *this) delete e;
}

TJSONArray::TJSONArray() = default;

TJSONArray::TJSONArray(JSONTokener* x) { parse(x); }

TJSONArray::TJSONArray(const String& s) {
  JSONTokener x(s, false);
  parse(&x);
}

TJSONArray::TJSONArray(const TList* collection) {
  for (Integer i = 0; i < collection->Count(); ++i) {
    auto* value = static_cast<const TZvAbstractObject*>(collection->Items(i));
    std::unique_ptr<TZvAbstractObject> c(TJSONObject::CopyValue(value));
    put(c.get());
    c.release();
  }
}

TJSONArray::~TJSONArray() = default;

TList* TJSONArray::toList() const {
  std::unique_ptr<TList> r(new TList());
  for (TZvAbstractObject* e : FItems) r->Add(e);
  return r.release();
}

void TJSONArray::LoadFromStringList(const TStrings* aStrings) {
  clean();
  for (Integer i = 0; i < aStrings->Count(); ++i) put(aStrings->Strings(i), false);
}

void TJSONArray::SaveToStringList(TStrings* aStrings) const {
  aStrings->Clear();
  for (TZvAbstractObject* e : FItems) aStrings->Add(e ? e->toString() : String(L"null"));
}

TZvAbstractObject* TJSONArray::clone() const { return new TJSONArray(toString()); }

String TJSONArray::toString() const {
  String out;
  WriteArray(out, this, false, 0, 0);
  return out;
}

String TJSONArray::toString(Integer indentFactor) const { return toString(indentFactor, 0); }

String TJSONArray::toString(Integer indentFactor, Integer indent) const {
  String out;
  WriteArray(out, this, true, indentFactor, indent);
  return out;
}

void TJSONArray::parse(JSONTokener* x) {
  JSONTokener::TDepthGuard depth(x);
  if (x->nextClean() != L'[') throw x->syntaxError(L"A TJSONArray must start with \"[\"");
  for (;;) {
    Char c = x->nextClean();
    if (c == L']') return;
    x->back();
    if (x->nextClean() == L',') {
      x->back();
      FItems.push_back(nullptr);  // an elided element
    } else {
      x->back();
      std::unique_ptr<TZvAbstractObject> v(x->nextValue());
      FItems.push_back(v.get());
      v.release();
    }
    switch (x->nextClean()) {
      case L';':
      case L',':
        break;
      case L']':
        return;
      default:
        throw x->syntaxError(L"Expected a \",\" or \"]\"");
    }
  }
}

TJSONArray* TJSONArray::put(TZvAbstractObject* value) {
  FItems.push_back(value);
  return this;
}

TJSONArray* TJSONArray::put(bool value) { return AppendNew(this, new Boolean_(value)); }
TJSONArray* TJSONArray::put(double value) { return AppendNew(this, new Double_(value)); }
TJSONArray* TJSONArray::put(Integer value) { return AppendNew(this, new Integer_(value)); }
TJSONArray* TJSONArray::put(const String& value, bool noquote) {
  return AppendNew(this, new String_(value, noquote));
}

TJSONArray* TJSONArray::put(Integer index, TZvAbstractObject* value) {
  if (index < 0) throw NoSuchElementException(ArrayIndexText(index) + L" not found.");
  if (value == nullptr) throw NullPointerException(L"");
  if (index < length()) {
    TZvAbstractObject* old = FItems[index];
    FItems[index] = value;
    if (old != value) delete old;
  } else {
    FItems.reserve(static_cast<size_t>(index) + 1);
    while (length() < index) FItems.push_back(nullptr);
    FItems.push_back(value);
  }
  return this;
}

TJSONArray* TJSONArray::put(Integer index, bool value) { return PutNew(this, index, new Boolean_(value)); }
TJSONArray* TJSONArray::put(Integer index, double value) { return PutNew(this, index, new Double_(value)); }
TJSONArray* TJSONArray::put(Integer index, Integer value) { return PutNew(this, index, new Integer_(value)); }
TJSONArray* TJSONArray::put(Integer index, const String& value, bool noquote) {
  return PutNew(this, index, new String_(value, noquote));
}

TZvAbstractObject* TJSONArray::opt(Integer index) const {
  return index >= 0 && index < length() ? FItems[index] : nullptr;
}

TZvAbstractObject* TJSONArray::get(Integer index) const {
  TZvAbstractObject* o = opt(index);
  if (o == nullptr) throw NoSuchElementException(ArrayIndexText(index) + L" not found.");
  return o;
}

bool TJSONArray::getBoolean(Integer index) const {
  bool v;
  if (TryBooleanOf(get(index), v)) return v;
  throw ClassCastException(ArrayIndexText(index) + L" not a Boolean.");
}

double TJSONArray::getDouble(Integer index) const {
  try {
    TZvAbstractObject* o = get(index);
    if (auto n = dynamic_cast<Number_*>(o)) return n->doubleValue();
    if (dynamic_cast<String_*>(o)) return TextToFloat(o->toString());
    throw NumberFormatException(L"TJSONObject[" + std::to_wstring(index) + L"] is not a number.");
  } catch (const Exception& e) {
    throw Exception(e.Message() + L"(TJSONArray.getDouble)");
  }
}

Integer TJSONArray::getInt(Integer index) const {
  try {
    TZvAbstractObject* o = get(index);
    if (auto n = dynamic_cast<Number_*>(o)) return n->intValue();
    return TruncToInt(getDouble(index));
  } catch (const Exception& e) {
    throw Exception(e.Message() + L"(TJSONObject.getInt)");
  }
}

TJSONArray* TJSONArray::getJSONArray(Integer index) const {
  if (auto a = dynamic_cast<TJSONArray*>(get(index))) return a;
  throw NoSuchElementException(ArrayIndexText(index) + L" is not a TJSONArray.");
}

TJSONObject* TJSONArray::getJSONObject(Integer index) const {
  TZvAbstractObject* o = get(index);
  if (auto j = dynamic_cast<TJSONObject*>(o)) return j;
  throw NoSuchElementException(ArrayIndexText(index) + L" is not a TJSONObject is " + o->ClassName());
}

String TJSONArray::getString(Integer index) const { return get(index)->toString(); }

bool TJSONArray::getBoolean(Integer index, bool aDefault) const {
  return isNull(index) ? aDefault : getBoolean(index);
}
double TJSONArray::getDouble(Integer index, double aDefault) const {
  return isNull(index) ? aDefault : getDouble(index);
}
Integer TJSONArray::getInt(Integer index, Integer aDefault) const {
  return isNull(index) ? aDefault : getInt(index);
}
String TJSONArray::getString(Integer index, const String& aDefault) const {
  return isNull(index) ? aDefault : getString(index);
}
TJSONArray* TJSONArray::getJSONArray(Integer index, bool NullExpected) const {
  return NullExpected && isNull(index) ? nullptr : getJSONArray(index);
}
TJSONObject* TJSONArray::getJSONObject(Integer index, bool NullExpected) const {
  return NullExpected && isNull(index) ? nullptr : getJSONObject(index);
}

bool TJSONArray::isNull(Integer index) const {
  TZvAbstractObject* o = opt(index);
  return o == nullptr || dynamic_cast<NULL_*>(o) != nullptr;
}

bool TJSONArray::optBoolean(Integer index, bool defaultValue) const {
  bool v;
  return TryBooleanOf(opt(index), v) ? v : defaultValue;
}

double TJSONArray::optDouble(Integer index, double defaultValue) const {
  return OptDoubleOf(opt(index), defaultValue);
}

Integer TJSONArray::optInt(Integer index, Integer defaultValue) const {
  return OptIntOf(opt(index), defaultValue);
}

String TJSONArray::optString(Integer index, const String& defaultValue) const {
  TZvAbstractObject* o = opt(index);
  return o ? o->toString() : defaultValue;
}

TJSONArray* TJSONArray::optJSONArray(Integer index) const { return dynamic_cast<TJSONArray*>(opt(index)); }

TJSONObject* TJSONArray::optJSONObject(Integer index) const { return dynamic_cast<TJSONObject*>(opt(index)); }

void TJSONArray::remove(Integer index) {
  if (index < 0 || index >= length()) return;
  TZvAbstractObject* v = FItems[index];
  FItems.erase(FItems.begin() + index);
  delete v;
}

void TJSONArray::clean() {
  while (!FItems.empty()) {
    TZvAbstractObject* v = FItems.back();
    FItems.pop_back();
    delete v;
  }
}

String TJSONArray::join(const String& separator) const {
  String out;
  for (Integer i = 0; i < length(); ++i) {
    if (i > 0) out += separator;
    WriteValue(out, FItems[i], false, 0, 0);
  }
  return out;
}

TJSONObject* TJSONArray::toJSONObject(const TJSONArray* names) const {
  if (names == nullptr || names->length() == 0 || length() == 0) return nullptr;
  std::unique_ptr<TJSONObject> o(new TJSONObject());
  for (Integer i = 0; i < names->length(); ++i) {
    String name = names->getString(i);
    std::unique_ptr<TZvAbstractObject> c(TJSONObject::CopyValue(opt(i)));
    o->put(name, c.get());
    c.release();
  }
  return o.release();
}

void TJSONArray::Assign(const TJSONArray* src, bool ApplyNoQuote) {
  String text = src->toString();
  LoadFromText(text, ApplyNoQuote);
}

// ---------------------------------------------------------------------------------
// JSONTokener

JSONTokener::JSONTokener(const String& s, bool ApplyNoQuote)
    : FApplyNoQuote(ApplyNoQuote), myIndex(1), mySource(s) {}

JSONTokener::TDepthGuard::TDepthGuard(JSONTokener* x) : FOwner(x) {
  if (x->FDepth >= JSONMaxNestingDepth)
    throw x->syntaxError(L"Nesting deeper than " + std::to_wstring(JSONMaxNestingDepth) + L" levels.");
  ++x->FDepth;
}

bool JSONTokener::more() const {
  return !mySource.empty() && myIndex <= static_cast<Integer>(mySource.size()) + 1;
}

Char JSONTokener::next() {
  Integer len = static_cast<Integer>(mySource.size());
  if (myIndex <= len) return mySource[static_cast<size_t>(myIndex++ - 1)];
  if (myIndex == len + 1) ++myIndex;
  return 0;
}

void JSONTokener::back() {
  if (myIndex > 1) --myIndex;
}

Char JSONTokener::next(Char c) {
  Char n = next();
  if (n != c) throw syntaxError(L"Expected " + String(1, c) + L" and instead saw " + String(1, n) + L".");
  return n;
}

String JSONTokener::next(Integer n) {
  Integer start = myIndex;
  Integer len = static_cast<Integer>(mySource.size());
  // The last n characters of the text can be read as well.
  if (n < 0 || start + n - 1 > len) throw syntaxError(L"Substring bounds error");
  myIndex += n;
  return mySource.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n));
}

Char JSONTokener::nextClean() {
  for (;;) {
    Char c = next();
    if (c >= 1 && c <= 0x20) continue;
    if (c == L'#') {
      do c = next(); while (c != 0 && c != L'\n' && c != L'\r');
      continue;
    }
    if (c == L'/') {
      Char d = next();
      if (d == L'*') {
        for (;;) {
          c = next();
          if (c == 0) throw syntaxError(L"Unclosed comment.");
          if (c == L'*') {
            if (next() == L'/') break;
            back();
          }
        }
        continue;
      }
      if (d == L'/') {
        do c = next(); while (c != 0 && c != L'\n' && c != L'\r');
        continue;
      }
      back();
      return c;
    }
    return c;
  }
}

String JSONTokener::nextString(Char quote) {
  String sb;
  for (;;) {
    // Plain characters up to the next quote, escape or line end are copied as one run.
    {
      const size_t from = static_cast<size_t>(myIndex - 1);
      size_t to = from;
      const size_t len = mySource.size();
      while (to < len) {
        wchar_t ch = mySource[to];
        if (ch == quote || ch == L'\\' || ch == 0 || ch == L'\n' || ch == L'\r') break;
        ++to;
      }
      if (to > from) {
        sb.append(mySource, from, to - from);
        myIndex += static_cast<Integer>(to - from);
      }
    }
    Char c = next();
    if (c == 0 || c == L'\n' || c == L'\r') throw syntaxError(L"Unterminated string");
    if (c == quote) return sb;
    if (c != L'\\') {
      sb += c;
      continue;
    }
    c = next();
    switch (c) {
      case L'b': sb += L'\b'; break;
      case L'f': sb += L'\f'; break;
      case L'n': sb += L'\n'; break;
      case L'r': sb += L'\r'; break;
      case L't': sb += L'\t'; break;
      case L'u': {
        String h = next(4);
        Integer v = 0;
        for (wchar_t d : h) {
          int x = dehexchar(d);
          if (x < 0) {
            // Back to the escape, so that the message shows where it starts.
            myIndex -= 6;
            throw syntaxError(L"Illegal escape \\u" + h + L".");
          }
          v = v * 16 + x;
        }
        sb += static_cast<wchar_t>(v);
        break;
      }
      default:
        sb += c;
    }
  }
}

String JSONTokener::nextTo(Char d) {
  String sb;
  for (;;) {
    Char c = next();
    if (c == d || c == 0 || c == L'\n' || c == L'\r') {
      if (c != 0) back();
      return Trim(sb);
    }
    sb += c;
  }
}

Char JSONTokener::nextTo(const String& delimiters) {
  String sb;
  for (;;) {
    Char c = next();
    if (c == 0 || c == L'\n' || c == L'\r' || delimiters.find(c) != String::npos) {
      if (c != 0) back();
      String t = Trim(sb);
      return t.empty() ? Char(0) : t[0];
    }
    sb += c;
  }
}

TZvAbstractObject* JSONTokener::nextValue() {
  Char c = nextClean();
  switch (c) {
    case L'"':
    case L'\'':
      return new String_(nextString(c), false);
    case L'[':
      back();
      return new TJSONArray(this);
    case L'{':
      back();
      return new TJSONObject(this);
    default:
      break;
  }
  // The unquoted word runs up to a stop character or a control character; it is taken
  // from the text in one piece, trimmed of blanks at both ends.
  const size_t start = static_cast<size_t>(myIndex - 2);
  while (c > 0x1F && !IsStopChar(c)) c = next();
  back();
  size_t b0 = start, e0 = static_cast<size_t>(myIndex - 1);
  if (e0 > mySource.size()) e0 = mySource.size();
  while (b0 < e0 && mySource[b0] <= L' ') ++b0;
  while (e0 > b0 && mySource[e0 - 1] <= L' ') --e0;
  if (b0 == e0) throw syntaxError(L"Missing value.");
  const wchar_t* w = mySource.data() + b0;
  const size_t wn = e0 - b0;
  auto isWord = [&](const wchar_t* lit, size_t n) {
    if (wn != n) return false;
    for (size_t i = 0; i < n; ++i) {
      wchar_t ch = w[i];
      if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch + 32);
      if (ch != lit[i]) return false;
    }
    return true;
  };
  const Char b = w[0];
  const bool numeric = (b >= L'0' && b <= L'9') || b == L'+' || b == L'-' || b == L'.';
  if (!numeric) {
    if (isWord(L"true", 4)) return new Boolean_(true);
    if (isWord(L"false", 5)) return new Boolean_(false);
    if (isWord(L"null", 4)) return new NULL_();
    String s(w, wn);
    if (!IsAscii(s)) {
      // Letters outside ASCII may lower-case to these words in the user's locale.
      String lower = LowerLocale(s);
      if (lower == L"true") return new Boolean_(true);
      if (lower == L"false") return new Boolean_(false);
      if (lower == L"null") return new NULL_();
    }
    return new String_(s, FApplyNoQuote);
  }
  // Plain decimal integers of up to nine digits need no conversion routine.
  {
    size_t i = b == L'-' ? 1 : 0;
    if (wn > i && wn - i <= 9 && !(w[i] == L'0' && wn - i > 1)) {
      Integer v = 0;
      size_t j = i;
      for (; j < wn && w[j] >= L'0' && w[j] <= L'9'; ++j) v = v * 10 + (w[j] - L'0');
      if (j == wn) return new Integer_(b == L'-' ? -v : v);
    }
  }
  String s(w, wn);
  if (!((b >= L'0' && b <= L'9') || b == L'+' || b == L'-' || b == L'.')) return new String_(s, FApplyNoQuote);
  if (b == L'0' && s.size() >= 3 && (s[1] == L'x' || s[1] == L'X')) {
    try {
      return new Integer_(Integer_::parseInt(s.substr(2), 16));
    } catch (const Exception&) {
      // not hexadecimal: read on as below
    }
  }
  // A leading zero does not make an octal number: 017 is read as decimal 17.
  if (s == L"0") return new Integer_(0);
  Integer i;
  if (TryStrToInt(s, i)) return new Integer_(i);
  double d;
  if (TryTextToFloat(s, d)) return new Double_(d);
  return new String_(s, FApplyNoQuote);
}

Char JSONTokener::skipTo(Char to) {
  Integer start = myIndex;
  for (;;) {
    Char c = next();
    if (c == 0) {
      myIndex = start;
      return 0;
    }
    if (c == to) {
      back();
      return c;
    }
  }
}

void JSONTokener::skipPast(const String& to) {
  size_t from = static_cast<size_t>(myIndex - 1);
  size_t p = from <= mySource.size() ? mySource.find(to, from) : String::npos;
  if (p == String::npos)
    myIndex = static_cast<Integer>(mySource.size()) + 1;
  else
    myIndex = static_cast<Integer>(p + to.size()) + 1;
}

Integer JSONTokener::dehexchar(Char c) { return HexDigit(c); }

ParseException JSONTokener::syntaxError(const String& message) const {
  size_t from = static_cast<size_t>(myIndex - 1);
  String around = from < mySource.size() ? mySource.substr(from, 10) : String();
  return ParseException(message + toString() + L" pr\uE26Cimo a : " + around, myIndex);
}

String JSONTokener::toString() const {
  return L" at character " + std::to_wstring(myIndex) + L" of " + mySource;
}
