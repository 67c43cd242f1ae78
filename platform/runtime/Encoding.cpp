#include "Encoding.h"

#include <algorithm>
#include <memory>

namespace {

String IntText(Int64 v) { return std::to_wstring(v); }

[[noreturn]] void RaiseRange(const wchar_t* what, Int64 v) {
  throw EEncodingError(String(what) + L" (" + IntText(v) + L")");
}

void CheckRange(Integer Index, Integer Count, size_t Size, const wchar_t* IndexWhat) {
  if (Index < 0 || static_cast<size_t>(Index) > Size) RaiseRange(IndexWhat, Index);
  if (Count < 0 || static_cast<size_t>(Index) + static_cast<size_t>(Count) > Size)
    RaiseRange(L"Invalid count", Count);
}

bool IsJisCodePage(UINT cp) { return cp >= 50220 && cp <= 50222; }

// ISO-2022-JP through EUC-JP (code page 20932): JIS X 0208 bytes are the EUC bytes
// without their high bit, switched in and out by escape sequences.
constexpr UINT kEucJp = 20932;

enum class JisMode { Ascii, Roman, Kanji, Kana, Kanji212 };

// Encodes to ISO-2022-JP; writes to out when given, returns the byte count.
Integer JisEncode(const wchar_t* chars, Integer count, Byte* out, Integer room) {
  Integer n = 0;
  JisMode mode = JisMode::Ascii;
  auto put = [&](Byte b) {
    if (out) {
      if (n >= room) throw EEncodingError(L"Invalid destination array");
      out[n] = b;
    }
    ++n;
  };
  auto esc = [&](JisMode m) {
    if (mode == m) return;
    put(0x1B);
    switch (m) {
      case JisMode::Ascii: case JisMode::Roman: put('('); put('B'); break;
      case JisMode::Kanji: put('$'); put('B'); break;
      case JisMode::Kana: put('('); put('I'); break;
      case JisMode::Kanji212: put('$'); put('('); put('D'); break;
    }
    mode = m;
  };
  for (Integer i = 0; i < count; ++i) {
    wchar_t c = chars[i];
    if (c < 0x80) { esc(JisMode::Ascii); put(static_cast<Byte>(c)); continue; }
    Integer len = (i + 1 < count && IS_HIGH_SURROGATE(c) && IS_LOW_SURROGATE(chars[i + 1])) ? 2 : 1;
    char euc[8];
    BOOL usedDefault = FALSE;
    int m = WideCharToMultiByte(kEucJp, 0, chars + i, len, euc, sizeof euc, nullptr, &usedDefault);
    i += len - 1;
    Byte b0 = m > 0 ? static_cast<Byte>(euc[0]) : 0;
    if (m == 2 && b0 == 0x8E) {
      esc(JisMode::Kana); put(static_cast<Byte>(euc[1]) & 0x7F);
    } else if (m == 2 && b0 >= 0xA1 && static_cast<Byte>(euc[1]) >= 0xA1 && !usedDefault) {
      esc(JisMode::Kanji); put(b0 & 0x7F); put(static_cast<Byte>(euc[1]) & 0x7F);
    } else if (m == 3 && b0 == 0x8F) {
      esc(JisMode::Kanji212); put(static_cast<Byte>(euc[1]) & 0x7F); put(static_cast<Byte>(euc[2]) & 0x7F);
    } else {
      esc(JisMode::Ascii); put('?');
    }
  }
  esc(JisMode::Ascii);
  return n;
}

// Whether code page 20932 maps JIS X 0212 (EUC-JP's 8F xx xx): some systems map only
// JIS X 0208 and read the three bytes as two unrelated characters. Asked once.
bool EucJpHasJisX0212() {
  static const bool Has = [] {
    const char euc[3] = {static_cast<char>(0x8F), static_cast<char>(0xB0), static_cast<char>(0xA1)};
    wchar_t w[4] = {};
    int m = MultiByteToWideChar(kEucJp, MB_ERR_INVALID_CHARS, euc, 3, w, 4);
    return m == 1 && w[0] == 0x4E02;  // the first character of JIS X 0212 row 16
  }();
  return Has;
}

// Decodes ISO-2022-JP; writes to out when given, returns the character count. Text in
// JIS X 0212 is refused where the system cannot map it, rather than read as other
// characters.
Integer JisDecode(const Byte* bytes, Integer count, wchar_t* out, Integer room) {
  Integer n = 0;
  JisMode mode = JisMode::Ascii;
  bool shifted = false;  // SO ... SI: half-width katakana
  auto put = [&](const wchar_t* w, int len) {
    for (int k = 0; k < len; ++k) {
      if (out) {
        if (n >= room) throw EEncodingError(L"Invalid destination array");
        out[n] = w[k];
      }
      ++n;
    }
  };
  auto putEuc = [&](const char* euc, int len) {
    wchar_t w[4];
    int m = MultiByteToWideChar(kEucJp, 0, euc, len, w, 4);
    if (m <= 0) { w[0] = 0xFFFD; m = 1; }
    put(w, m);
  };
  Integer i = 0;
  while (i < count) {
    Byte b = bytes[i];
    if (b == 0x1B) {
      auto at = [&](Integer k) -> int { return i + k < count ? bytes[i + k] : -1; };
      if (at(1) == '(' && (at(2) == 'B' || at(2) == 'J')) { mode = at(2) == 'B' ? JisMode::Ascii : JisMode::Roman; i += 3; continue; }
      if (at(1) == '(' && at(2) == 'I') { mode = JisMode::Kana; i += 3; continue; }
      if (at(1) == '$' && (at(2) == '@' || at(2) == 'B')) { mode = JisMode::Kanji; i += 3; continue; }
      if (at(1) == '$' && at(2) == '(' && at(3) == 'D') { mode = JisMode::Kanji212; i += 4; continue; }
      if (at(1) == '&' && at(2) == '@') { i += 3; continue; }  // JIS X 0208-1990 announcer
    }
    if (b == 0x0E) { shifted = true; ++i; continue; }
    if (b == 0x0F) { shifted = false; ++i; continue; }
    if (b == '\r' || b == '\n') {  // a line end returns to ASCII in well-formed text
      wchar_t w = b; put(&w, 1); ++i; continue;
    }
    if (b >= 0x80) {
      wchar_t w = 0xFFFD; put(&w, 1); ++i; continue;
    }
    if (shifted || mode == JisMode::Kana) {
      char euc[2] = {static_cast<char>(0x8E), static_cast<char>(b | 0x80)};
      putEuc(euc, 2); ++i; continue;
    }
    if (mode == JisMode::Kanji || mode == JisMode::Kanji212) {
      if (b < 0x21) { wchar_t w = b; put(&w, 1); ++i; continue; }
      if (i + 1 >= count) { wchar_t w = 0xFFFD; put(&w, 1); ++i; continue; }
      if (mode == JisMode::Kanji) {
        char euc[2] = {static_cast<char>(b | 0x80), static_cast<char>(bytes[i + 1] | 0x80)};
        putEuc(euc, 2);
      } else {
        if (!EucJpHasJisX0212())
          throw EEncodingError(L"ISO-2022-JP text in JIS X 0212 cannot be decoded on this system");
        char euc[3] = {static_cast<char>(0x8F), static_cast<char>(b | 0x80), static_cast<char>(bytes[i + 1] | 0x80)};
        putEuc(euc, 3);
      }
      i += 2;
      continue;
    }
    wchar_t w = b;
    if (mode == JisMode::Roman && b == 0x5C) w = 0x00A5;
    if (mode == JisMode::Roman && b == 0x7E) w = 0x203E;
    put(&w, 1);
    ++i;
  }
  return n;
}

}  // namespace

// ---- TEncoding ---------------------------------------------------------------

TBytes TEncoding::GetBytes(const String& S) const {
  return GetBytes(S.data(), static_cast<Integer>(S.size()));
}

TBytes TEncoding::GetBytes(const wchar_t* Chars, Integer CharCount) const {
  if (CharCount <= 0) return {};
  Integer n = DoGetByteCount(Chars, CharCount);
  TBytes r(static_cast<size_t>(n));
  if (n > 0) n = DoGetBytes(Chars, CharCount, r.data(), n);
  r.resize(static_cast<size_t>(std::max<Integer>(n, 0)));
  return r;
}

Integer TEncoding::GetBytes(const String& S, Integer CharIndex, Integer CharCount, TBytes& Bytes,
                            Integer ByteIndex) const {
  CheckRange(CharIndex, CharCount, S.size(), L"Character index out of bounds");
  if (ByteIndex < 0 || static_cast<size_t>(ByteIndex) > Bytes.size())
    RaiseRange(L"Invalid destination index", ByteIndex);
  if (CharCount == 0) return 0;
  Integer need = DoGetByteCount(S.data() + CharIndex, CharCount);
  if (static_cast<size_t>(ByteIndex) + static_cast<size_t>(need) > Bytes.size())
    throw EEncodingError(L"Invalid destination array");
  return DoGetBytes(S.data() + CharIndex, CharCount, Bytes.data() + ByteIndex, need);
}

Integer TEncoding::GetByteCount(const String& S) const {
  return GetByteCount(S.data(), static_cast<Integer>(S.size()));
}

Integer TEncoding::GetByteCount(const wchar_t* Chars, Integer CharCount) const {
  return CharCount <= 0 ? 0 : DoGetByteCount(Chars, CharCount);
}

String TEncoding::GetString(const TBytes& Bytes) const {
  return GetString(Bytes.data(), static_cast<Integer>(Bytes.size()));
}

String TEncoding::GetString(const TBytes& Bytes, Integer ByteIndex, Integer ByteCount) const {
  CheckRange(ByteIndex, ByteCount, Bytes.size(), L"Start index out of bounds");
  return GetString(Bytes.data() + ByteIndex, ByteCount);
}

String TEncoding::GetString(const Byte* Bytes, Integer ByteCount) const {
  if (ByteCount <= 0) return {};
  Integer n = DoGetCharCount(Bytes, ByteCount);
  String r(static_cast<size_t>(std::max<Integer>(n, 0)), L'\0');
  if (n > 0) n = DoGetChars(Bytes, ByteCount, r.data(), n);
  r.resize(static_cast<size_t>(std::max<Integer>(n, 0)));
  return r;
}

Integer TEncoding::GetCharCount(const TBytes& Bytes) const {
  return GetCharCount(Bytes.data(), static_cast<Integer>(Bytes.size()));
}

Integer TEncoding::GetCharCount(const TBytes& Bytes, Integer ByteIndex, Integer ByteCount) const {
  CheckRange(ByteIndex, ByteCount, Bytes.size(), L"Start index out of bounds");
  return GetCharCount(Bytes.data() + ByteIndex, ByteCount);
}

Integer TEncoding::GetCharCount(const Byte* Bytes, Integer ByteCount) const {
  return ByteCount <= 0 ? 0 : DoGetCharCount(Bytes, ByteCount);
}

String TEncoding::EncodingName() const { return IntText(CodePage()); }

TBytes TEncoding::Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes) {
  return Convert(Source, Destination, Bytes, 0, static_cast<Integer>(Bytes.size()));
}

TBytes TEncoding::Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes,
                          Integer StartIndex, Integer Count) {
  if (!Source || !Destination) throw EEncodingError(L"Invalid encoding");
  return Destination->GetBytes(Source->GetString(Bytes, StartIndex, Count));
}

namespace {
bool StartsWith(const TBytes& Buffer, const TBytes& Prefix) {
  return !Prefix.empty() && Buffer.size() >= Prefix.size() &&
         std::equal(Prefix.begin(), Prefix.end(), Buffer.begin());
}
}  // namespace

Integer TEncoding::GetBufferEncoding(const TBytes& Buffer, const TEncoding*& Encoding) {
  return GetBufferEncoding(Buffer, Encoding, Default());
}

Integer TEncoding::GetBufferEncoding(const TBytes& Buffer, const TEncoding*& Encoding,
                                     const TEncoding* ADefault) {
  if (Encoding) {
    TBytes pre = Encoding->GetPreamble();
    return StartsWith(Buffer, pre) ? static_cast<Integer>(pre.size()) : 0;
  }
  for (const TEncoding* e : {static_cast<const TEncoding*>(UTF8()),
                             static_cast<const TEncoding*>(Unicode()),
                             static_cast<const TEncoding*>(BigEndianUnicode())}) {
    TBytes pre = e->GetPreamble();
    if (StartsWith(Buffer, pre)) {
      Encoding = e;
      return static_cast<Integer>(pre.size());
    }
  }
  Encoding = ADefault ? ADefault : Default();
  return 0;
}

TEncoding* TEncoding::GetEncoding(UINT CodePage) {
  switch (CodePage) {
    case 1200: return new TUnicodeEncoding();
    case 1201: return new TBigEndianUnicodeEncoding();
    case CP_UTF7: return new TUTF7Encoding();
    case CP_UTF8: return new TUTF8Encoding();
    case 20127: return new TASCIIEncoding();
    default: return new TMBCSEncoding(CodePage);
  }
}

TEncoding* TEncoding::GetEncoding(const String& EncodingName) {
  struct Row { const wchar_t* name; UINT cp; };
  static const Row rows[] = {
      {L"utf-8", CP_UTF8},        {L"utf-7", CP_UTF7},         {L"utf-16", 1200},
      {L"utf-16le", 1200},        {L"unicode", 1200},          {L"utf-16be", 1201},
      {L"unicodefffe", 1201},     {L"us-ascii", 20127},        {L"ascii", 20127},
      {L"shift_jis", 932},        {L"shift-jis", 932},         {L"sjis", 932},
      {L"windows-31j", 932},      {L"euc-jp", 20932},          {L"iso-2022-jp", 50220},
      {L"csiso2022jp", 50221},    {L"iso-8859-1", 28591},      {L"windows-1252", 1252},
  };
  String lower = LowerCase(EncodingName);
  for (const Row& r : rows)
    if (lower == r.name) return GetEncoding(r.cp);
  throw EEncodingError(L"Invalid code page name '" + EncodingName + L"'");
}

TEncoding* TEncoding::ASCII() { static TASCIIEncoding e; return &e; }
TEncoding* TEncoding::ANSI() { static TMBCSEncoding e(GetACP()); return &e; }
TEncoding* TEncoding::Default() { return ANSI(); }
TEncoding* TEncoding::UTF7() { static TUTF7Encoding e; return &e; }
TEncoding* TEncoding::UTF8() { static TUTF8Encoding e; return &e; }
TEncoding* TEncoding::Unicode() { static TUnicodeEncoding e; return &e; }
TEncoding* TEncoding::BigEndianUnicode() { static TBigEndianUnicodeEncoding e; return &e; }

bool TEncoding::IsStandardEncoding(const TEncoding* AEncoding) {
  return AEncoding && (AEncoding == ASCII() || AEncoding == ANSI() || AEncoding == UTF7() ||
                       AEncoding == UTF8() || AEncoding == Unicode() || AEncoding == BigEndianUnicode());
}

void TEncoding::FreeEncoding(const TEncoding* AEncoding) {
  if (AEncoding && !IsStandardEncoding(AEncoding)) delete AEncoding;
}

// ---- TMBCSEncoding -----------------------------------------------------------

TMBCSEncoding::TMBCSEncoding() : TMBCSEncoding(GetACP()) {}

TMBCSEncoding::TMBCSEncoding(UINT CodePage, DWORD MBToWCharFlags, DWORD WCharToMBFlags)
    : FCodePage(CodePage), FMBToWCharFlags(MBToWCharFlags), FWCharToMBFlags(WCharToMBFlags) {
  if (CodePage == CP_ACP) FCodePage = GetACP();
  CPINFO info{};
  if (GetCPInfo(FCodePage, &info)) {
    FMaxCharSize = static_cast<Integer>(info.MaxCharSize);
  } else if (IsJisCodePage(FCodePage) && GetCPInfo(kEucJp, &info)) {
    FJisOverEuc = true;
    FMaxCharSize = 8;  // an escape sequence plus a character plus the return escape
  } else {
    throw EEncodingError(L"Code page " + IntText(CodePage) + L" is not supported by the system");
  }
  if (FCodePage == CP_UTF8 || FCodePage == CP_UTF7 || IsJisCodePage(FCodePage)) {
    // These code pages reject the other conversion flags.
    FMBToWCharFlags &= MB_ERR_INVALID_CHARS;
    FWCharToMBFlags = 0;
  }
  FIsSingleByte = FMaxCharSize == 1 && !IsJisCodePage(FCodePage) && FCodePage != CP_UTF7;
}

Integer TMBCSEncoding::GetMaxByteCount(Integer CharCount) const {
  if (IsJisCodePage(FCodePage)) return (CharCount + 1) * 8;
  return (CharCount + 1) * FMaxCharSize;
}

Integer TMBCSEncoding::GetMaxCharCount(Integer ByteCount) const { return ByteCount + 1; }

String TMBCSEncoding::EncodingName() const {
  CPINFOEXW info{};
  if (GetCPInfoExW(FCodePage, 0, &info) && info.CodePageName[0]) return info.CodePageName;
  return TEncoding::EncodingName();
}

Integer TMBCSEncoding::DoGetByteCount(const wchar_t* Chars, Integer CharCount) const {
  if (FJisOverEuc) return JisEncode(Chars, CharCount, nullptr, 0);
  return WideCharToMultiByte(FCodePage, FWCharToMBFlags, Chars, CharCount, nullptr, 0, nullptr, nullptr);
}

Integer TMBCSEncoding::DoGetBytes(const wchar_t* Chars, Integer CharCount, Byte* Bytes,
                                  Integer ByteCount) const {
  if (FJisOverEuc) return JisEncode(Chars, CharCount, Bytes, ByteCount);
  return WideCharToMultiByte(FCodePage, FWCharToMBFlags, Chars, CharCount,
                             reinterpret_cast<char*>(Bytes), ByteCount, nullptr, nullptr);
}

Integer TMBCSEncoding::DoGetCharCount(const Byte* Bytes, Integer ByteCount) const {
  if (FJisOverEuc) return JisDecode(Bytes, ByteCount, nullptr, 0);
  return MultiByteToWideChar(FCodePage, FMBToWCharFlags, reinterpret_cast<const char*>(Bytes),
                             ByteCount, nullptr, 0);
}

Integer TMBCSEncoding::DoGetChars(const Byte* Bytes, Integer ByteCount, wchar_t* Chars,
                                  Integer CharCount) const {
  if (FJisOverEuc) return JisDecode(Bytes, ByteCount, Chars, CharCount);
  return MultiByteToWideChar(FCodePage, FMBToWCharFlags, reinterpret_cast<const char*>(Bytes),
                             ByteCount, Chars, CharCount);
}

// ---- TASCIIEncoding ----------------------------------------------------------

Integer TASCIIEncoding::DoGetByteCount(const wchar_t* Chars, Integer CharCount) const {
  Integer n = 0;
  for (Integer i = 0; i < CharCount; ++i, ++n)
    if (i + 1 < CharCount && IS_HIGH_SURROGATE(Chars[i]) && IS_LOW_SURROGATE(Chars[i + 1])) ++i;
  return n;
}

Integer TASCIIEncoding::DoGetBytes(const wchar_t* Chars, Integer CharCount, Byte* Bytes,
                                   Integer ByteCount) const {
  Integer n = 0;
  for (Integer i = 0; i < CharCount && n < ByteCount; ++i) {
    wchar_t c = Chars[i];
    if (i + 1 < CharCount && IS_HIGH_SURROGATE(c) && IS_LOW_SURROGATE(Chars[i + 1])) ++i;
    Bytes[n++] = c < 0x80 ? static_cast<Byte>(c) : static_cast<Byte>('?');
  }
  return n;
}

Integer TASCIIEncoding::DoGetCharCount(const Byte*, Integer ByteCount) const { return ByteCount; }

Integer TASCIIEncoding::DoGetChars(const Byte* Bytes, Integer ByteCount, wchar_t* Chars,
                                   Integer CharCount) const {
  Integer n = std::min(ByteCount, CharCount);
  for (Integer i = 0; i < n; ++i) Chars[i] = Bytes[i] < 0x80 ? Bytes[i] : L'?';
  return n;
}

// ---- TUnicodeEncoding --------------------------------------------------------

Integer TUnicodeEncoding::DoGetByteCount(const wchar_t*, Integer CharCount) const {
  return CharCount * 2;
}

Integer TUnicodeEncoding::DoGetBytes(const wchar_t* Chars, Integer CharCount, Byte* Bytes,
                                     Integer ByteCount) const {
  Integer n = std::min(CharCount, ByteCount / 2);
  bool be = BigEndian();
  for (Integer i = 0; i < n; ++i) {
    Byte lo = static_cast<Byte>(Chars[i] & 0xFF), hi = static_cast<Byte>(Chars[i] >> 8);
    Bytes[2 * i] = be ? hi : lo;
    Bytes[2 * i + 1] = be ? lo : hi;
  }
  return n * 2;
}

// An odd trailing byte decodes as one replacement character.
Integer TUnicodeEncoding::DoGetCharCount(const Byte*, Integer ByteCount) const {
  return ByteCount / 2 + ByteCount % 2;
}

Integer TUnicodeEncoding::DoGetChars(const Byte* Bytes, Integer ByteCount, wchar_t* Chars,
                                     Integer CharCount) const {
  Integer n = std::min(ByteCount / 2, CharCount);
  bool be = BigEndian();
  for (Integer i = 0; i < n; ++i) {
    Byte a = Bytes[2 * i], b = Bytes[2 * i + 1];
    Chars[i] = static_cast<wchar_t>(be ? (a << 8) | b : (b << 8) | a);
  }
  if (ByteCount % 2 && n < CharCount) Chars[n++] = 0xFFFD;
  return n;
}
