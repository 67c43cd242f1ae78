#include "VRNetGlobal.h"

#include <cstring>
#include <cwctype>
#include <memory>

#include "VRNetException.h"
#include "VRNetStreamRTL.h"

namespace {

// The substring routine picked at start-up: a plain search, or one that never matches
// inside a multi-byte character of the ANSI code page.
Integer PlainFind(const String& Sub, const String& Text) {
  const size_t p = Text.find(Sub);
  return p == String::npos ? 0 : static_cast<Integer>(p) + 1;
}
Integer (*FindSubTextProc)(const String&, const String&) = PlainFind;
std::unique_ptr<TFormatSettings> EnglishSettings;

const TEncoding* Enc(const TEncoding* E) { return E ? E : TEncoding::ASCII(); }

void CheckRange(const TBytes& Bytes, Integer Index, Integer Width) {
  VRNET_ASSERT(Index >= 0 && static_cast<size_t>(Index) + Width <= Bytes.size());
}

template <class T>
TBytes ValueBytes(T Value) {
  TBytes r(sizeof(T));
  std::memcpy(r.data(), &Value, sizeof(T));
  return r;
}
template <class T>
void PutValue(T Value, TBytes& Dest, Integer Index) {
  CheckRange(Dest, Index, sizeof(T));
  std::memcpy(Dest.data() + Index, &Value, sizeof(T));
}
template <class T>
T GetValue(const TBytes& Bytes, Integer Index) {
  CheckRange(Bytes, Index, sizeof(T));
  T v;
  std::memcpy(&v, Bytes.data() + Index, sizeof(T));
  return v;
}

bool IsHexChar(Char C) { return (C >= L'0' && C <= L'9') || (C >= L'a' && C <= L'f') || (C >= L'A' && C <= L'F'); }

bool ParseHexWord(const String& Group, Cardinal& Value) {
  if (Group.empty() || Group.size() > 8) return false;
  Value = 0;
  for (Char c : Group) {
    if (!IsHexChar(c)) return false;
    Value = Value * 16 + (c <= L'9' ? c - L'0' : (std::towupper(c) - L'A' + 10));
  }
  return Value <= 0xFFFF;
}

String HexNoPad(Cardinal V) {
  wchar_t buf[16];
  swprintf(buf, 16, L"%X", V);
  return buf;
}

}  // namespace

void DefaultEncodingOfKind(const TEncoding*& Encoding, Integer Kind) {
  if (Encoding) return;
  switch (Kind) {
    case 1: Encoding = TEncoding::ASCII(); break;
    case 2: Encoding = TEncoding::UTF7(); break;
    case 3: Encoding = TEncoding::UTF8(); break;
    default: Encoding = TEncoding::Default(); break;
  }
}

const TEncoding* EncodingOrDefault(const TEncoding* Encoding, const TEncoding* Fallback, Integer Kind) {
  if (Encoding) return Encoding;
  if (Fallback) return Fallback;
  const TEncoding* e = nullptr;
  DefaultEncodingOfKind(e, Kind);
  return e;
}

Integer AvailableChars(const String& Text, Integer Length, Integer Start) {
  VRNET_ASSERT(Start >= 1);
  Integer n = std::max<Integer>(static_cast<Integer>(Text.size()) - Start + 1, 0);
  if (Length >= 0 && Length < n) n = Length;
  return n;
}

Integer AvailableBytes(const TBytes& Bytes, Integer Length, Integer Start) {
  VRNET_ASSERT(Start >= 0);
  Integer n = std::max<Integer>(static_cast<Integer>(Bytes.size()) - Start, 0);
  if (Length >= 0 && Length < n) n = Length;
  return n;
}

TBytes BytesOfString(const String& Text, const TEncoding* Encoding, Integer Length, Integer Start) {
  const Integer n = AvailableChars(Text, Length, Start);
  if (n <= 0) return {};
  return Enc(Encoding)->GetBytes(Text.data() + Start - 1, n);
}

TBytes BytesOfChar(Char Ch, const TEncoding* Encoding) { return Enc(Encoding)->GetBytes(&Ch, 1); }

String TextFromBytes(const TBytes& Bytes, const TEncoding* Encoding, Integer Start, Integer Length) {
  const Integer n = AvailableBytes(Bytes, Length, Start);
  if (n <= 0) return {};
  return Enc(Encoding)->GetString(Bytes.data() + Start, n);
}

TBytes SubBytes(const TBytes& Bytes, Integer Length, Integer Start) {
  const Integer n = AvailableBytes(Bytes, Length, Start);
  if (n <= 0) return {};
  return TBytes(Bytes.begin() + Start, Bytes.begin() + Start + n);
}

void CopyBytes(const TBytes& Source, Integer SourceIndex, TBytes& Dest, Integer Count, Integer DestIndex) {
  if (Count <= 0) return;
  VRNET_ASSERT(SourceIndex >= 0 && static_cast<size_t>(SourceIndex) + Count <= Source.size());
  VRNET_ASSERT(DestIndex >= 0 && static_cast<size_t>(DestIndex) + Count <= Dest.size());
  std::memmove(Dest.data() + DestIndex, Source.data() + SourceIndex, Count);
}

TBytes BytesOfValue(Int64 Value) { return ValueBytes(Value); }
TBytes BytesOfValue(Integer Value) { return ValueBytes(Value); }
TBytes BytesOfValue(Cardinal Value) { return ValueBytes(Value); }
TBytes BytesOfValue(SmallInt Value) { return ValueBytes(Value); }
TBytes BytesOfValue(Word Value) { return ValueBytes(Value); }
TBytes BytesOfValue(Byte Value) { return ValueBytes(Value); }
void CopyValueToBytes(Word Value, TBytes& Dest, Integer Index) { PutValue(Value, Dest, Index); }
void CopyValueToBytes(Cardinal Value, TBytes& Dest, Integer Index) { PutValue(Value, Dest, Index); }
void CopyValueToBytes(Int64 Value, TBytes& Dest, Integer Index) { PutValue(Value, Dest, Index); }
void CopyValueToBytes(const TVRNetIPv6Address& Value, TBytes& Dest, Integer Index) { PutValue(Value, Dest, Index); }
Integer LongIntFromBytes(const TBytes& Bytes, Integer Index) { return GetValue<Integer>(Bytes, Index); }
Int64 Int64FromBytes(const TBytes& Bytes, Integer Index) { return GetValue<Int64>(Bytes, Index); }
SmallInt SmallIntFromBytes(const TBytes& Bytes, Integer Index) { return GetValue<SmallInt>(Bytes, Index); }
Word WordFromBytes(const TBytes& Bytes, Integer Index) { return GetValue<Word>(Bytes, Index); }
Cardinal LongWordFromBytes(const TBytes& Bytes, Integer Index) { return GetValue<Cardinal>(Bytes, Index); }
TVRNetIPv6Address IPv6FromBytes(const TBytes& Bytes, Integer Index) { return GetValue<TVRNetIPv6Address>(Bytes, Index); }

void WriteTextToStream(TStream* Stream, const String& Text, const TEncoding* Encoding, Integer Length,
                       Integer Start) {
  const TBytes b = BytesOfString(Text, Encoding, Length, Start);
  TVRNetStreamHelperRTL::Write(Stream, b);
}

void FetchToken(String& Input, const String& Delimiter, bool Delete, String& Token, bool CaseSensitive) {
  size_t p;
  if (CaseSensitive) p = Input.find(Delimiter);
  else p = UpperCase(Input).find(UpperCase(Delimiter));
  if (p == String::npos) {
    Token = Input;
    if (Delete) Input.clear();
    return;
  }
  Token = Input.substr(0, p);
  if (Delete) Input = Input.substr(p + Delimiter.size());
}

String Fetch(String& Input, const String& Delimiter, bool Delete, bool CaseSensitive) {
  String t;
  FetchToken(Input, Delimiter, Delete, t, CaseSensitive);
  return t;
}

bool HasPrefixText(const String& Text, const String& Prefix) {
  if (Text.size() < Prefix.size()) return false;
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Text.data(), static_cast<int>(Prefix.size()),
                        Prefix.data(), static_cast<int>(Prefix.size())) == CSTR_EQUAL;
}

bool HasSuffixText(const String& Text, const String& Suffix) {
  if (Text.size() < Suffix.size()) return false;
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Text.data() + Text.size() - Suffix.size(),
                        static_cast<int>(Suffix.size()), Suffix.data(),
                        static_cast<int>(Suffix.size())) == CSTR_EQUAL;
}

bool CharAtIsOneOf(const String& Text, Integer Position, const String& Set) {
  if (Position < 1) EVRNetException::Toss(L"Invalid ACharPos");
  if (static_cast<size_t>(Position) > Text.size()) return false;
  return Set.find(Text[Position - 1]) != String::npos;
}

Integer TrimStrToInt(const String& Text) { return StrToInt(Trim(Text)); }
Integer TrimStrToInt(const String& Text, Integer Default) { return StrToIntDef(Trim(Text), Default); }

String ReplaceFirstOccurrence(const String& Text, const String& Old, const String& New) {
  if (Old.empty()) return Text;
  const size_t p = Text.find(Old);
  if (p == String::npos) return Text;
  return Text.substr(0, p) + New + Text.substr(p + Old.size());
}

Integer FindSubText(const String& Sub, const String& Text) { return FindSubTextProc(Sub, Text); }

Cardinal TickCount() {
  LARGE_INTEGER freq, count;
  if (QueryPerformanceFrequency(&freq) && freq.QuadPart && QueryPerformanceCounter(&count))
    return static_cast<Cardinal>(static_cast<UInt64>(static_cast<long double>(count.QuadPart) / freq.QuadPart * 1000));
  return GetTickCount();
}

Cardinal ElapsedTicks(Cardinal Old, Cardinal New) {
  return New >= Old ? New - Old : 0xFFFFFFFFu - Old + New;
}

void SleepMs(Cardinal Ms) { Sleep(Ms); }

bool OnMainThread() { return GetCurrentThreadId() == MainThreadID; }

String UsFormat(const String& Fmt, const TConstArray& Args) {
  if (!EnglishSettings) return Format(Fmt, Args, TFormatSettings::Invariant());
  return Format(Fmt, Args, *EnglishSettings);
}
String UsFormat(const String& Fmt, TVarRecs Args) { return UsFormat(Fmt, TConstArray(Args)); }

Cardinal ParseIPv4Text(const String& Text, bool& Error) {
  Error = true;
  String rest = Text;
  UInt64 value = 0;
  Integer n = 4;
  bool more = true;
  while (more) {
    String part;
    FetchToken(rest, L".", true, part);
    if (part.empty()) {
      Error = false;
      break;
    }
    // The part's value in 64 bits.
    UInt64 v = 0;
    if (part.size() > 2 && part[0] == L'0' && (part[1] == L'x' || part[1] == L'X')) {
      const String hex = part.substr(2);
      for (Char c : hex) {
        if (!IsHexChar(c)) return static_cast<Cardinal>(value);
        v = v * 16 + (c <= L'9' ? c - L'0' : (std::towupper(c) - L'A' + 10));
      }
    } else {
      for (Char c : part)
        if (c < L'0' || c > L'9') return static_cast<Cardinal>(value);
      const bool octal = part.size() > 1 && part[0] == L'0' &&
                         part.find_first_not_of(L"01234567") == String::npos;
      for (Char c : part) v = v * (octal ? 8 : 10) + (c - L'0');
    }
    more = !rest.empty();
    // A following "." with nothing after it also leaves text: the next part is empty.
    if (more || n < 2) {
      value = (value << 8) | (v & 0xFF);
    } else {
      const Integer shift = (8 * n) % 32;
      const UInt64 mask = n >= 4 ? 0xFFFFFFFFull : ((1ull << (8 * n)) - 1);
      value = (value << shift) | (v & mask);
    }
    value &= 0xFFFFFFFFull;
    --n;
    if (!more) Error = false;
  }
  return static_cast<Cardinal>(value);
}

String CanonicalIPv6Text(const String& Text) {
  if (Text.empty()) return {};
  String s = Text;
  if (s.front() == L':') s = L"0" + s;
  if (s.back() == L':') s += L"0";
  std::vector<size_t> colons, dots;
  for (size_t i = 0; i < s.size(); ++i) {
    const Char c = s[i];
    if (c == L':') {
      colons.push_back(i);
      if (colons.size() > 7) return {};
    } else if (c == L'.') {
      dots.push_back(i);
      if (dots.size() > 3) return {};
    } else if (c >= L'0' && c <= L'9') {
    } else if (IsHexChar(c)) {
      if (!dots.empty()) return {};
    } else {
      return {};
    }
  }
  const size_t c = colons.size();
  if (dots.empty()) {
    if (c < 2 || c > 7) return {};
  } else {
    if (dots.size() != 3 || c < 2 || c > 6 || colons.back() > dots.front()) return {};
  }
  const Integer missing = (dots.empty() ? 8 : 7) - static_cast<Integer>(c);
  String result;
  bool compressed = false;
  // Groups: before the first colon, between colons, and after the last one without a tail.
  std::vector<String> groups;
  size_t start = 0;
  for (size_t i = 0; i < c; ++i) {
    groups.push_back(s.substr(start, colons[i] - start));
    start = colons[i] + 1;
  }
  const String tail = s.substr(start);
  if (dots.empty()) groups.push_back(tail);
  for (size_t i = 0; i < groups.size(); ++i) {
    if (groups[i].empty()) {
      // "::": an empty group between two colons (never the first or last, see above).
      if (compressed) return {};
      compressed = true;
      for (Integer k = 0; k < missing; ++k) result += L"0:";
      continue;
    }
    Cardinal v;
    if (!ParseHexWord(groups[i], v)) return {};
    result += HexNoPad(v) + L":";
  }
  if (!dots.empty()) {
    String rest = tail;
    Cardinal b[4];
    for (int i = 0; i < 4; ++i) {
      String p;
      FetchToken(rest, L".", true, p);
      if (p.empty() || p.size() > 3 || p.find_first_not_of(L"0123456789") != String::npos) return {};
      b[i] = static_cast<Cardinal>(std::stoi(p));
      if (b[i] > 255) return {};
    }
    wchar_t buf[16];
    swprintf(buf, 16, L"%02X%02X:%02X%02X:", b[0], b[1], b[2], b[3]);
    result += buf;
  }
  // Without "::" the groups must already be eight.
  if (!compressed && c != (dots.empty() ? 7u : 6u)) return {};
  result.pop_back();
  return result;
}

void ParseIPv6Text(const String& Text, TVRNetIPv6Address& Words, bool& Error) {
  Words.fill(0);
  String canon = CanonicalIPv6Text(Text);
  Error = canon.empty();
  if (Error) return;
  for (int i = 0; i < 8; ++i) {
    String g;
    FetchToken(canon, L":", true, g);
    Words[i] = static_cast<Word>(std::stoul(g, nullptr, 16));
  }
}

void ParseIPv6Text(const String& Text, TVRNetIPv6Address& Words) {
  bool error;
  ParseIPv6Text(Text, Words, error);
  if (error) EVRNetInvalVRNetIPv6Address::Toss(UsFormat(L"%s is not a valid IPv6 address", {Text}));
}

String IPv6WordsToText(const TVRNetIPv6Address& Words) {
  String r;
  wchar_t buf[8];
  for (int i = 0; i < 8; ++i) {
    swprintf(buf, 8, L"%04X", Words[i]);
    if (i) r += L":";
    r += buf;
  }
  return r;
}

namespace {
Integer LocaleFind(const String& Sub, const String& Text) {
  // Never matches inside a double-byte character of the ANSI code page: the text is UTF-16,
  // so a plain search already keeps characters whole.
  return PlainFind(Sub, Text);
}

void InitVRNetGlobal() {
  CPINFO info{};
  FindSubTextProc = (GetCPInfo(CP_ACP, &info) && info.LeadByte[0]) ? LocaleFind : PlainFind;
  auto s = std::make_unique<TFormatSettings>(TFormatSettings::Invariant());
  s->DecimalSeparator = L'.';
  s->ThousandSeparator = L',';
  s->CurrencyString = L"$";
  s->CurrencyDecimals = 2;
  s->DateSeparator = L'/';
  s->ShortDateFormat = L"M/d/yyyy";
  s->LongDateFormat = L"dddd, MMMM dd, yyyy";
  s->TimeSeparator = L':';
  s->TimeAMString = L"AM";
  s->TimePMString = L"PM";
  s->LongTimeFormat = L"h:mm:ss AMPM";
  s->ShortTimeFormat = L"h:mm AMPM";
  s->ShortMonthNames = {{L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun", L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"}};
  s->ShortDayNames = {{L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"}};
  s->ListSeparator = L',';
  EnglishSettings = std::move(s);
}

void DoneVRNetGlobal() { EnglishSettings.reset(); }
}  // namespace

const TUnitInfo VRNetGlobalUnit{L"VRNetGlobal", InitVRNetGlobal, DoneVRNetGlobal};
