#include "SysUtils.h"

#include <objbase.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <limits>

namespace {

bool IsAsciiSpaceOrControl(Char c) { return c <= L' '; }

[[noreturn]] void ConvertErrorFmt(const wchar_t* fmt, const String& arg) {
  throw EConvertError(fmt, {arg});
}

// The raising and the defaulting form of every Try parser, written once. Parsed raises
// EConvertError with Message ('%s' stands for the text) where TryParse fails; ParsedOr
// answers Default there. Extra arguments (format settings) are passed on.
template <class T, class... A>
T Parsed(bool (*TryParse)(const String&, T&, const A&...), const wchar_t* Message,
         const String& S, const A&... Args) {
  T Value;
  if (!TryParse(S, Value, Args...)) ConvertErrorFmt(Message, S);
  return Value;
}

template <class T, class... A>
T ParsedOr(bool (*TryParse)(const String&, T&, const A&...), T Default, const String& S,
           const A&... Args) {
  T Value;
  return TryParse(S, Value, Args...) ? Value : Default;
}

constexpr const wchar_t* NotInteger = L"'%s' is not a valid integer value";
constexpr const wchar_t* NotFloat = L"'%s' is not a valid floating point value";

}  // namespace

// ---------------------------------------------------------------------------------------
// Exceptions

Exception::Exception(const String& Msg) : FMessage(Msg), FWhat(StringToCodePage(CP_UTF8, Msg)) {}
Exception::Exception(const String& Fmt, TVarRecs Args) : Exception(Format(Fmt, Args)) {}
Exception::Exception(const Exception& Other)
    : TObject(), std::exception(Other), FMessage(Other.FMessage), FWhat(Other.FWhat),
      FHelpContext(Other.FHelpContext) {}
Exception::~Exception() = default;

void Exception::SetMessage(const String& Msg) {
  FMessage = Msg;
  FWhat = StringToCodePage(CP_UTF8, Msg);
}

void Abort() { throw EAbort(L"Operation aborted"); }

void OutOfMemoryError() { throw EOutOfMemory(L"Out of memory"); }

String SysErrorMessage(DWORD ErrorCode) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           nullptr, ErrorCode, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  String r;
  if (n && buf) r.assign(buf, n);
  if (buf) LocalFree(buf);
  while (!r.empty() && (r.back() == L'\r' || r.back() == L'\n' || r.back() == L' ')) r.pop_back();
  return r;
}

HMODULE SafeLoadLibrary(const wchar_t* FileName, UINT ErrorMode) {
  const UINT old = SetErrorMode(ErrorMode);
  HMODULE h = LoadLibraryW(FileName);
  SetErrorMode(old);
  return h;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(DWORD LastError) {
  if (LastError != 0) {
    EOSError e(L"System Error.  Code: %d.\r\n%s", {static_cast<Integer>(LastError), SysErrorMessage(LastError)});
    e.ErrorCode = LastError;
    throw e;
  }
  throw EOSError(L"A call to an OS function failed");
}

BOOL Win32Check(BOOL RetVal) {
  if (!RetVal) RaiseLastOSError();
  return RetVal;
}

String ExceptionErrorMessage(const Exception& E, const void* ExceptAddr) {
  wchar_t path[MAX_PATH] = {};
  MEMORY_BASIC_INFORMATION mbi{};
  String module;
  if (ExceptAddr && VirtualQuery(ExceptAddr, &mbi, sizeof(mbi)) &&
      GetModuleFileNameW(static_cast<HMODULE>(mbi.AllocationBase), path, MAX_PATH))
    module = ExtractFileName(path);
  else if (GetModuleFileNameW(nullptr, path, MAX_PATH))
    module = ExtractFileName(path);
  String msg = E.Message();
  if (msg.empty() || msg.back() != L'.') msg += L'.';
  return Format(L"Exception %s in module %s at %p.\r\n%s",
                {E.ClassName(), module, ExceptAddr, msg});
}

void ShowException(const Exception& E, const void* ExceptAddr) {
  String text = ExceptionErrorMessage(E, ExceptAddr);
  if (GetConsoleWindow()) {
    std::fputs(StringToCodePage(CP_UTF8, text + L"\n").c_str(), stderr);
    return;
  }
  MessageBoxW(nullptr, text.c_str(), L"Exception", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

TAssertErrorProc AssertErrorProc;

void AssertFailed(const String& Message, const char* FileName, Integer LineNumber) {
  String file = AnsiToString(FileName ? FileName : "");
  if (AssertErrorProc) {
    AssertErrorProc(Message, file, LineNumber);
    return;
  }
  throw EAssertionFailed(L"%s (%s, line %d)", {Message, file, LineNumber});
}

TVarRecVariantConverter VarRecVariantConverter = nullptr;

// ---------------------------------------------------------------------------------------
// Strings

String CodePageToString(UINT CodePage, const char* Bytes, size_t Count, DWORD Flags) {
  if (Count == 0) return {};
  const int n = static_cast<int>(Count);
  int len = MultiByteToWideChar(CodePage, Flags, Bytes, n, nullptr, 0);
  if (len <= 0) return {};
  String r(static_cast<size_t>(len), L'\0');
  MultiByteToWideChar(CodePage, Flags, Bytes, n, r.data(), len);
  return r;
}

std::string StringToCodePage(UINT CodePage, const String& S) {
  if (S.empty()) return {};
  const int n = static_cast<int>(S.size());
  int len = WideCharToMultiByte(CodePage, 0, S.data(), n, nullptr, 0, nullptr, nullptr);
  if (len <= 0) return {};
  std::string r(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(CodePage, 0, S.data(), n, r.data(), len, nullptr, nullptr);
  return r;
}

AnsiString StringToAnsi(const String& S) { return StringToCodePage(CP_ACP, S); }
String AnsiToString(const AnsiString& S) { return CodePageToString(CP_ACP, S); }
UTF8String UTF8Encode(const String& S) { return StringToCodePage(CP_UTF8, S); }
String UTF8Decode(const UTF8String& S) { return CodePageToString(CP_UTF8, S); }
String UTF8ToString(const UTF8String& S) { return CodePageToString(CP_UTF8, S); }

namespace {
WORD CharType(Char C) {
  WORD t = 0;
  GetStringTypeW(CT_CTYPE1, &C, 1, &t);
  return t;
}
}  // namespace

bool IsLetter(Char C) { return (CharType(C) & C1_ALPHA) != 0; }
bool IsDigit(Char C) { return (CharType(C) & C1_DIGIT) != 0; }
bool IsLetterOrDigit(Char C) { return (CharType(C) & (C1_ALPHA | C1_DIGIT)) != 0; }
bool IsUpper(Char C) { return (CharType(C) & C1_UPPER) != 0; }
bool IsLower(Char C) { return (CharType(C) & C1_LOWER) != 0; }
bool IsWhiteSpace(Char C) { return (CharType(C) & (C1_SPACE | C1_BLANK)) != 0; }
bool IsPunctuation(Char C) { return (CharType(C) & C1_PUNCT) != 0; }
bool IsControl(Char C) { return (CharType(C) & C1_CNTRL) != 0; }
bool CharInSet(Char C, std::wstring_view Chars) { return Chars.find(C) != std::wstring_view::npos; }
Char UpCase(Char C) { return (C >= L'a' && C <= L'z') ? static_cast<Char>(C - 32) : C; }

String IntToStr(Integer Value) { return std::to_wstring(Value); }
String IntToStr(Int64 Value) { return std::to_wstring(Value); }
String UIntToStr(Cardinal Value) { return std::to_wstring(Value); }
String UIntToStr(UInt64 Value) { return std::to_wstring(Value); }

String IntToHex(UInt64 Value, Integer Digits) {
  static const wchar_t hex[] = L"0123456789ABCDEF";
  String r;
  do {
    r.insert(r.begin(), hex[Value & 0xF]);
    Value >>= 4;
  } while (Value);
  if (Digits > 16) Digits = 16;
  if (static_cast<Integer>(r.size()) < Digits) r.insert(0, static_cast<size_t>(Digits) - r.size(), L'0');
  return r;
}
String IntToHex(Integer Value, Integer Digits) {
  return IntToHex(static_cast<UInt64>(static_cast<Cardinal>(Value)), Digits);
}
String IntToHex(Int64 Value, Integer Digits) { return IntToHex(static_cast<UInt64>(Value), Digits); }

namespace {
// Parses integer text: leading blanks, an optional sign, then decimal digits or '$'/'0x' hexadecimal.
// Hexadecimal text may use the full unsigned range of the type (it wraps to negative).
template <class T>
bool ParseInt(const String& S, T& Value) {
  using U = std::make_unsigned_t<T>;
  size_t i = 0, n = S.size();
  while (i < n && S[i] == L' ') ++i;
  bool neg = false;
  if (i < n && (S[i] == L'-' || S[i] == L'+')) { neg = S[i] == L'-'; ++i; }
  bool hex = false;
  if (i < n && S[i] == L'$') { hex = true; ++i; }
  else if (i + 1 < n && S[i] == L'0' && (S[i + 1] == L'x' || S[i + 1] == L'X')) { hex = true; i += 2; }
  if (i >= n) return false;
  UInt64 acc = 0;
  const UInt64 limit = hex ? static_cast<UInt64>(std::numeric_limits<U>::max())
                           : static_cast<UInt64>(std::numeric_limits<T>::max()) + (neg ? 1 : 0);
  for (; i < n; ++i) {
    wchar_t c = S[i];
    unsigned d;
    if (c >= L'0' && c <= L'9') d = c - L'0';
    else if (hex && c >= L'a' && c <= L'f') d = c - L'a' + 10;
    else if (hex && c >= L'A' && c <= L'F') d = c - L'A' + 10;
    else return false;
    UInt64 base = hex ? 16 : 10;
    if (acc > (limit - d) / base) return false;
    acc = acc * base + d;
  }
  U u = static_cast<U>(acc);
  if (neg) u = static_cast<U>(U(0) - u);
  Value = static_cast<T>(u);
  return true;
}
}  // namespace

bool TryStrToInt(const String& S, Integer& Value) { return ParseInt(S, Value); }
Integer StrToInt(const String& S) { return Parsed<Integer>(TryStrToInt, NotInteger, S); }
Integer StrToIntDef(const String& S, Integer Default) {
  return ParsedOr<Integer>(TryStrToInt, Default, S);
}
bool TryStrToInt64(const String& S, Int64& Value) { return ParseInt(S, Value); }
Int64 StrToInt64(const String& S) { return Parsed<Int64>(TryStrToInt64, NotInteger, S); }
Int64 StrToInt64Def(const String& S, Int64 Default) {
  return ParsedOr<Int64>(TryStrToInt64, Default, S);
}
bool TryStrToUInt(const String& S, Cardinal& Value) {
  Int64 v;
  if (!ParseInt(S, v) || v < 0 || v > 0xFFFFFFFFLL) return false;
  Value = static_cast<Cardinal>(v);
  return true;
}
Cardinal StrToUInt(const String& S) { return Parsed<Cardinal>(TryStrToUInt, NotInteger, S); }

String BoolToStr(bool B, bool UseBoolStrs) {
  if (UseBoolStrs) return B ? L"True" : L"False";
  return B ? L"-1" : L"0";
}
bool TryStrToBool(const String& S, bool& Value) {
  String t = Trim(S);
  if (SameText(t, L"True")) { Value = true; return true; }
  if (SameText(t, L"False")) { Value = false; return true; }
  Extended f;
  if (TryStrToFloat(t, f)) { Value = f != 0; return true; }
  return false;
}
bool StrToBool(const String& S) {
  return Parsed<bool>(TryStrToBool, L"'%s' is not a valid boolean value", S);
}
bool StrToBoolDef(const String& S, bool Default) { return ParsedOr<bool>(TryStrToBool, Default, S); }

String UpperCase(const String& S) {
  String r = S;
  for (auto& c : r) if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return r;
}
String LowerCase(const String& S) {
  String r = S;
  for (auto& c : r) if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  return r;
}
Integer CompareStr(const String& S1, const String& S2) {
  size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i)
    if (S1[i] != S2[i]) return static_cast<Integer>(S1[i]) - static_cast<Integer>(S2[i]);
  return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}
Integer CompareText(const String& S1, const String& S2) {
  size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    Integer a = UpCase(S1[i]), b = UpCase(S2[i]);
    if (a != b) return a - b;
  }
  return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}
bool SameStr(const String& S1, const String& S2) { return S1 == S2; }
bool SameText(const String& S1, const String& S2) {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}
String AnsiUpperCase(const String& S) {
  String r = S;
  if (!r.empty()) CharUpperBuffW(r.data(), static_cast<DWORD>(r.size()));
  return r;
}
String AnsiLowerCase(const String& S) {
  String r = S;
  if (!r.empty()) CharLowerBuffW(r.data(), static_cast<DWORD>(r.size()));
  return r;
}
namespace {
Integer LocaleCompare(DWORD flags, const String& S1, const String& S2) {
  int r = CompareStringW(LOCALE_USER_DEFAULT, flags, S1.data(), static_cast<int>(S1.size()),
                         S2.data(), static_cast<int>(S2.size()));
  if (r == 0) return CompareStr(S1, S2);
  return r - CSTR_EQUAL;
}
}  // namespace
Integer AnsiCompareStr(const String& S1, const String& S2) { return LocaleCompare(0, S1, S2); }
Integer AnsiCompareText(const String& S1, const String& S2) {
  return LocaleCompare(NORM_IGNORECASE, S1, S2);
}
bool AnsiSameStr(const String& S1, const String& S2) { return S1 == S2; }
bool AnsiSameText(const String& S1, const String& S2) { return AnsiCompareText(S1, S2) == 0; }

String Trim(const String& S) {
  size_t b = 0, e = S.size();
  while (b < e && IsAsciiSpaceOrControl(S[b])) ++b;
  while (e > b && IsAsciiSpaceOrControl(S[e - 1])) --e;
  return S.substr(b, e - b);
}
String TrimLeft(const String& S) {
  size_t b = 0;
  while (b < S.size() && IsAsciiSpaceOrControl(S[b])) ++b;
  return S.substr(b);
}
String TrimRight(const String& S) {
  size_t e = S.size();
  while (e > 0 && IsAsciiSpaceOrControl(S[e - 1])) --e;
  return S.substr(0, e);
}

Integer Pos(const String& SubStr, const String& S) { return PosEx(SubStr, S, 1); }
Integer PosEx(const String& SubStr, const String& S, Integer Offset) {
  if (SubStr.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  size_t p = S.find(SubStr, static_cast<size_t>(Offset - 1));
  return p == String::npos ? 0 : static_cast<Integer>(p + 1);
}
Integer Pos(Char C, const String& S) {
  size_t p = S.find(C);
  return p == String::npos ? 0 : static_cast<Integer>(p + 1);
}
Integer AnsiPos(const String& SubStr, const String& S) { return Pos(SubStr, S); }

String Copy(const String& S, Integer Index, Integer Count) {
  if (Index < 1) Index = 1;
  if (Count <= 0 || static_cast<size_t>(Index) > S.size()) return {};
  return S.substr(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}
void Delete(String& S, Integer Index, Integer Count) {
  if (Index < 1 || Count <= 0 || static_cast<size_t>(Index) > S.size()) return;
  S.erase(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}
void Insert(const String& Source, String& S, Integer Index) {
  if (Index < 1) Index = 1;
  size_t at = std::min(static_cast<size_t>(Index - 1), S.size());
  S.insert(at, Source);
}
Integer LastDelimiter(const String& Delimiters, const String& S) {
  size_t p = S.find_last_of(Delimiters);
  return p == String::npos ? 0 : static_cast<Integer>(p + 1);
}
bool IsDelimiter(const String& Delimiters, const String& S, Integer Index) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size()) return false;
  return Delimiters.find(S[static_cast<size_t>(Index - 1)]) != String::npos;
}

String StringReplace(const String& S, const String& OldPattern, const String& NewPattern,
                     TReplaceFlags Flags) {
  if (OldPattern.empty()) return S;
  bool all = Flags.Contains(rfReplaceAll);
  const String hay = Flags.Contains(rfIgnoreCase) ? AnsiUpperCase(S) : S;
  const String pat = Flags.Contains(rfIgnoreCase) ? AnsiUpperCase(OldPattern) : OldPattern;
  String r;
  size_t from = 0;
  while (true) {
    size_t p = hay.find(pat, from);
    if (p == String::npos) break;
    r.append(S, from, p - from);
    r += NewPattern;
    from = p + pat.size();
    if (!all) break;
  }
  r.append(S, from, String::npos);
  return r;
}

String QuotedStr(const String& S) { return AnsiQuotedStr(S, L'\''); }
String AnsiQuotedStr(const String& S, Char Quote) {
  String r(1, Quote);
  for (Char c : S) {
    r += c;
    if (c == Quote) r += c;
  }
  r += Quote;
  return r;
}
String AnsiExtractQuotedStr(const String& Src, std::size_t& Pos, Char Quote) {
  if (Pos >= Src.size() || Src[Pos] != Quote) return {};
  String r;
  size_t i = Pos + 1;
  while (i < Src.size()) {
    if (Src[i] == Quote) {
      if (i + 1 < Src.size() && Src[i + 1] == Quote) {
        r += Quote;
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    r += Src[i++];
  }
  Pos = i;
  return r;
}
String AnsiDequotedStr(const String& S, Char Quote) {
  size_t p = 0;
  if (S.empty() || S[0] != Quote) return S;
  String r = AnsiExtractQuotedStr(S, p, Quote);
  // Text that is not one quoted string (unbalanced or trailing characters) stays as it is.
  if (p != S.size() || S.size() < 2 || S.back() != Quote) return S;
  return r;
}
String StringOfChar(Char C, Integer Count) {
  return Count > 0 ? String(static_cast<size_t>(Count), C) : String();
}

String WrapText(const String& Line, const String& BreakStr, const String& BreakChars, Integer MaxCol) {
  // Walks the text remembering the last break opportunity of the current line; quoted
  // text is never broken, existing line breaks restart the column count.
  String result;
  size_t lineStart = 0, pos = 0, breakPos = String::npos;
  Char quote = 0;
  const size_t n = Line.size();
  while (pos < n) {
    Char c = Line[pos];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == L'\'' || c == L'"') {
      quote = c;
    } else if (c == L'\r' || c == L'\n') {
      size_t end = pos + 1;
      if (c == L'\r' && end < n && Line[end] == L'\n') ++end;
      result.append(Line, lineStart, end - lineStart);
      lineStart = pos = end;
      breakPos = String::npos;
      continue;
    } else if (BreakChars.find(c) != String::npos) {
      breakPos = pos;
    }
    ++pos;
    if (!quote && static_cast<Integer>(pos - lineStart) > MaxCol && breakPos != String::npos) {
      // Blanks at the break end neither this line nor start the next.
      size_t segEnd = breakPos + 1;
      while (segEnd > lineStart && (Line[segEnd - 1] == L' ' || Line[segEnd - 1] == L'\t')) --segEnd;
      result.append(Line, lineStart, segEnd - lineStart);
      result += BreakStr;
      lineStart = breakPos + 1;
      while (lineStart < n && Line[lineStart] == L' ') ++lineStart;
      pos = std::max(pos, lineStart);
      breakPos = String::npos;
    }
  }
  result.append(Line, lineStart, String::npos);
  return result;
}
String WrapText(const String& Line, Integer MaxCol) {
  return WrapText(Line, L"\r\n", L" -\t", MaxCol);
}

String AdjustLineBreaks(const String& S) {
  String r;
  r.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    Char c = S[i];
    if (c == L'\r' || c == L'\n') {
      r += L"\r\n";
      if (i + 1 < S.size() && (S[i + 1] == L'\r' || S[i + 1] == L'\n') && S[i + 1] != c) ++i;
    } else {
      r += c;
    }
  }
  return r;
}

// ---------------------------------------------------------------------------------------
// Format settings

namespace {

String LocaleText(LCID locale, LCTYPE type, const String& fallback) {
  wchar_t buf[256];
  int n = GetLocaleInfoW(locale, type, buf, 256);
  if (n <= 1) return fallback;
  return String(buf, static_cast<size_t>(n - 1));
}

Char LocaleChar(LCID locale, LCTYPE type, Char fallback) {
  String s = LocaleText(locale, type, String());
  return s.empty() ? fallback : s[0];
}

Integer LocaleInt(LCID locale, LCTYPE type, Integer fallback) {
  Integer v;
  return TryStrToInt(LocaleText(locale, type, String()), v) ? v : fallback;
}

// The system's time pattern in the runtime's tokens: "t"/"tt" (the AM/PM designator)
// become "AMPM", so that the hour tokens turn to the 12-hour clock exactly when the
// system pattern shows a designator.
String TranslateTimeFormat(const String& f) {
  String r;
  Char quote = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    Char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
      r += c;
    } else if (c == L'\'' || c == L'"') {
      quote = c;
      r += c;
    } else if (c == L't') {
      while (i + 1 < f.size() && f[i + 1] == L't') ++i;
      r += L"AMPM";
    } else {
      r += c;
    }
  }
  return r;
}

// Drops the seconds (and the separator before them) from a long time pattern.
String ShortTimeFrom(const String& longTime) {
  String r;
  Char quote = 0;
  for (size_t i = 0; i < longTime.size(); ++i) {
    Char c = longTime[i];
    if (!quote && (c == L's' || c == L'S')) {
      // drop the separator that precedes the seconds, then the seconds
      while (!r.empty() && !IsLetterOrDigit(r.back()) && r.back() != L'\'' && r.back() != L'"')
        r.pop_back();
      while (i + 1 < longTime.size() && (longTime[i + 1] == L's' || longTime[i + 1] == L'S')) ++i;
      continue;
    }
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == L'\'' || c == L'"') {
      quote = c;
    }
    r += c;
  }
  return r;
}

std::vector<TEraInfo> JapaneseEras() {
  struct E { const wchar_t* name; Word y, m, d; };
  static const E eras[] = {{L"明治", 1868, 1, 1},
                           {L"大正", 1912, 7, 30},
                           {L"昭和", 1926, 12, 25},
                           {L"平成", 1989, 1, 8},
                           {L"令和", 2019, 5, 1}};
  std::vector<TEraInfo> r;
  for (const E& e : eras) r.push_back({e.name, e.y - 1, EncodeDate(e.y, e.m, e.d)});
  return r;
}

}  // namespace

void GetLocaleFormatSettings(LCID Locale, TFormatSettings& S) {
  S.CurrencyString = LocaleText(Locale, LOCALE_SCURRENCY, S.CurrencyString);
  S.CurrencyFormat = static_cast<Byte>(LocaleInt(Locale, LOCALE_ICURRENCY, S.CurrencyFormat));
  S.NegCurrFormat = static_cast<Byte>(LocaleInt(Locale, LOCALE_INEGCURR, S.NegCurrFormat));
  S.ThousandSeparator = LocaleChar(Locale, LOCALE_STHOUSAND, S.ThousandSeparator);
  S.DecimalSeparator = LocaleChar(Locale, LOCALE_SDECIMAL, S.DecimalSeparator);
  S.CurrencyDecimals = static_cast<Byte>(LocaleInt(Locale, LOCALE_ICURRDIGITS, S.CurrencyDecimals));
  S.DateSeparator = LocaleChar(Locale, LOCALE_SDATE, S.DateSeparator);
  S.TimeSeparator = LocaleChar(Locale, LOCALE_STIME, S.TimeSeparator);
  S.ListSeparator = LocaleChar(Locale, LOCALE_SLIST, S.ListSeparator);
  S.ShortDateFormat = LocaleText(Locale, LOCALE_SSHORTDATE, S.ShortDateFormat);
  S.LongDateFormat = LocaleText(Locale, LOCALE_SLONGDATE, S.LongDateFormat);
  S.TimeAMString = LocaleText(Locale, LOCALE_S1159, S.TimeAMString);
  S.TimePMString = LocaleText(Locale, LOCALE_S2359, S.TimePMString);
  String longTime = LocaleText(Locale, LOCALE_STIMEFORMAT, String());
  if (!longTime.empty()) S.LongTimeFormat = TranslateTimeFormat(longTime);
  String shortTime = LocaleText(Locale, LOCALE_SSHORTTIME, String());
  S.ShortTimeFormat = !shortTime.empty() ? TranslateTimeFormat(shortTime) : ShortTimeFrom(S.LongTimeFormat);
  for (int m = 1; m <= 12; ++m) {
    S.ShortMonthNames[m] = LocaleText(Locale, LOCALE_SABBREVMONTHNAME1 + m - 1, S.ShortMonthNames[m]);
    S.LongMonthNames[m] = LocaleText(Locale, LOCALE_SMONTHNAME1 + m - 1, S.LongMonthNames[m]);
  }
  // The system counts days from Monday (…NAME1) to Sunday (…NAME7); the runtime from Sunday.
  for (int d = 1; d <= 7; ++d) {
    int sys = (d + 5) % 7;  // Sunday (1) -> 6, Monday (2) -> 0 …
    S.ShortDayNames[d] = LocaleText(Locale, LOCALE_SABBREVDAYNAME1 + sys, S.ShortDayNames[d]);
    S.LongDayNames[d] = LocaleText(Locale, LOCALE_SDAYNAME1 + sys, S.LongDayNames[d]);
  }
  S.TwoDigitYearCenturyWindow = 50;
  S.EraInfo.clear();
  if (PRIMARYLANGID(LANGIDFROMLCID(ConvertDefaultLocale(Locale))) == LANG_JAPANESE) S.EraInfo = JapaneseEras();
}

TFormatSettings TFormatSettings::Create() { return Create(LOCALE_USER_DEFAULT); }

TFormatSettings TFormatSettings::Create(LCID Locale) {
  TFormatSettings s;
  GetLocaleFormatSettings(Locale, s);
  return s;
}

TFormatSettings TFormatSettings::Invariant() {
  TFormatSettings s;
  s.ShortDateFormat = L"MM/dd/yyyy";
  s.LongDateFormat = L"dddd, dd MMMMM yyyy HH:mm:ss";
  s.ShortTimeFormat = L"hh:nn";
  s.LongTimeFormat = L"hh:nn:ss";
  s.CurrencyString = L"\u00A4";
  s.CurrencyFormat = 0;
  s.NegCurrFormat = 0;
  s.TwoDigitYearCenturyWindow = 50;
  return s;
}

TFormatSettings FormatSettings;

void GetFormatSettings() { GetLocaleFormatSettings(LOCALE_USER_DEFAULT, FormatSettings); }

const TUnitInfo SysUtilsUnit = {L"SysUtils", [] { GetFormatSettings(); }, nullptr};

// ---------------------------------------------------------------------------------------
// Decimal conversion of numbers

namespace {

// A number as decimal digits: value = 0.Digits × 10^Exponent. Digits has no trailing
// zeros; a zero value has no digits.
struct TDecimal {
  std::string Digits;
  Integer Exponent = 0;
  bool Negative = false;
  bool Nan = false;
  bool Inf = false;
  bool IsZero() const { return Digits.empty(); }
};

void StripZeros(TDecimal& d) {
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  size_t lead = 0;
  while (lead < d.Digits.size() && d.Digits[lead] == '0') ++lead;
  if (lead) {
    d.Digits.erase(0, lead);
    d.Exponent -= static_cast<Integer>(lead);
  }
  if (d.Digits.empty()) {
    d.Exponent = 0;
    d.Negative = false;
  }
}

void RoundDecimalAt(TDecimal& d, Integer places);

// Rounds |value| to at most Precision significant digits and at most Decimals digits after
// the decimal point (Decimals >= 9999: no limit), halves away from zero, deciding on the
// exact binary value (its first 60 significant digits).
TDecimal FloatToDecimal(double value, Integer precision, Integer decimals) {
  TDecimal d;
  if (std::isnan(value)) { d.Nan = true; return d; }
  if (std::isinf(value)) { d.Inf = true; d.Negative = value < 0; return d; }
  d.Negative = std::signbit(value);
  value = std::fabs(value);
  if (value == 0) { d.Negative = false; return d; }
  precision = std::clamp(precision, 1, 19);
  char buf[128];
  // Four digits more than kept decide the rounding at up to 18 digits exactly as the
  // exact value does, unless the digits from the rounding position on read 5000 or 4999,
  // where the last digit's own rounding may hide which side of the half the exact value
  // lies: only then are the first 60 digits worked out.
  const Integer Quick = precision + 4;
  auto res = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, Quick - 1);
  *res.ptr = 0;  // the exponent is read with atoi
  bool quick = precision <= 18;
  if (quick) {
    const char* m = buf;  // d.ddd...e±xx: digit k is at m[k == 0 ? 0 : k + 1]
    auto digit = [&](Integer k) { return m[k == 0 ? 0 : k + 1]; };
    char first = digit(precision);
    if (first == '5' || first == '4') {
      char rest = first == '5' ? '0' : '9';
      bool all = true;
      for (Integer k = precision + 1; k < Quick && all; ++k) all = digit(k) == rest;
      quick = !all;
    }
  }
  if (quick) {
    // Round at `precision` digits right in the buffer, so that only the kept digits are
    // stored.
    char kept[24];
    kept[0] = buf[0];
    for (Integer k = 1; k < precision; ++k) kept[k] = buf[k + 1];
    Integer exponent = std::atoi(std::find(buf, res.ptr, 'e') + 1) + 1;
    if (buf[precision + 1] >= '5') {
      Integer k = precision - 1;
      while (k >= 0 && kept[k] == '9') kept[k--] = '0';
      if (k < 0) {
        kept[0] = '1';  // 9.99... became 10.00...: one digit more before the point
        ++exponent;
      } else {
        ++kept[k];
      }
    }
    Integer n = precision;
    // Rounding at `decimals` looks at one digit past the cut only: later ones need not
    // be stored.
    if (decimals < 9999) n = std::clamp(exponent + decimals + 1, 0, n);
    while (n > 0 && kept[n - 1] == '0') --n;
    d.Digits.assign(kept, static_cast<size_t>(n));
    d.Exponent = exponent;
    StripZeros(d);
  } else {
    res = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 59);
    *res.ptr = 0;
    const char* e = std::find(buf, res.ptr, 'e');
    for (const char* q = buf; q < e; ++q)
      if (*q != '.') d.Digits += *q;
    d.Exponent = std::atoi(e + 1) + 1;
    StripZeros(d);
    RoundDecimalAt(d, precision - d.Exponent);
  }
  if (decimals < 9999) RoundDecimalAt(d, decimals);
  return d;
}

// Rounds a decimal at `places` digits after the point, halves away from zero.
void RoundDecimalAt(TDecimal& d, Integer places) {
  Integer keep = d.Exponent + places;  // digits to keep
  if (keep >= static_cast<Integer>(d.Digits.size())) return;
  if (keep < 0) { d.Digits.clear(); StripZeros(d); return; }
  bool up = d.Digits[static_cast<size_t>(keep)] >= '5';
  d.Digits.resize(static_cast<size_t>(keep));
  if (up) {
    Integer i = keep - 1;
    while (i >= 0 && d.Digits[static_cast<size_t>(i)] == '9') d.Digits[static_cast<size_t>(i--)] = '0';
    if (i < 0) {
      d.Digits.insert(d.Digits.begin(), '1');
      d.Exponent++;
    } else {
      d.Digits[static_cast<size_t>(i)]++;
    }
  }
  StripZeros(d);
}

TDecimal CurrToDecimal(Currency c, Integer decimals) {
  TDecimal d;
  d.Negative = c.Value < 0;
  UInt64 u = d.Negative ? UInt64(0) - static_cast<UInt64>(c.Value) : static_cast<UInt64>(c.Value);
  d.Digits = std::to_string(u);
  d.Exponent = static_cast<Integer>(d.Digits.size()) - 4;
  StripZeros(d);
  if (decimals < 4) RoundDecimalAt(d, decimals);
  return d;
}

// Digit i of the decimal (0 = the first significant digit), '0' beyond the end.
char DigitAt(const TDecimal& d, Integer i) {
  return (i >= 0 && i < static_cast<Integer>(d.Digits.size())) ? d.Digits[static_cast<size_t>(i)] : '0';
}

// The integer part's digits ("0" for none).
String IntegerDigits(const TDecimal& d) {
  String r;
  for (Integer i = 0; i < d.Exponent; ++i) r += static_cast<Char>(DigitAt(d, i));
  return r.empty() ? String(L"0") : r;
}

// `count` digits after the point.
String FractionDigits(const TDecimal& d, Integer count) {
  String r;
  for (Integer i = 0; i < count; ++i) r += static_cast<Char>(DigitAt(d, d.Exponent + i));
  return r;
}

String ExponentText(Integer exp, Integer minDigits, bool plusSign) {
  String r;
  if (exp < 0) r += L'-';
  else if (plusSign) r += L'+';
  String digits = std::to_wstring(exp < 0 ? -exp : exp);
  if (static_cast<Integer>(digits.size()) < minDigits) digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), L'0');
  return r + digits;
}

String SpecialText(const TDecimal& d) {
  if (d.Nan) return L"NAN";
  return d.Negative ? L"-INF" : L"INF";
}

String FormatGeneral(const TDecimal& d, Integer precision, Integer digits, const TFormatSettings& fs) {
  if (d.Nan || d.Inf) return SpecialText(d);
  if (d.IsZero()) return L"0";
  Integer n = static_cast<Integer>(d.Digits.size());
  String r;
  r.reserve(static_cast<size_t>(n + std::max(std::abs(d.Exponent), 4) + 4));
  if (d.Negative) r += L'-';
  if (d.Exponent > precision || d.Exponent < -3) {
    r += static_cast<Char>(d.Digits[0]);
    if (n > 1) {
      r += fs.DecimalSeparator;
      for (Integer i = 1; i < n; ++i) r += static_cast<Char>(d.Digits[static_cast<size_t>(i)]);
    }
    r += L'E';
    r += ExponentText(d.Exponent - 1, std::clamp(digits, 0, 4), false);
    return r;
  }
  if (d.Exponent <= 0) r += L'0';
  for (Integer i = 0; i < d.Exponent; ++i) r += static_cast<Char>(DigitAt(d, i));
  Integer frac = n - std::max(d.Exponent, 0);
  if (frac > 0) {
    r += fs.DecimalSeparator;
    for (Integer i = d.Exponent; i < n; ++i) r += static_cast<Char>(DigitAt(d, i));
  }
  return r;
}

String FormatExponent(const TDecimal& d, Integer precision, Integer digits, const TFormatSettings& fs) {
  if (d.Nan || d.Inf) return SpecialText(d);
  String r = d.Negative ? L"-" : L"";
  r += static_cast<Char>(d.IsZero() ? '0' : d.Digits[0]);
  if (precision > 1) {
    r += fs.DecimalSeparator;
    for (Integer i = 1; i < precision; ++i) r += static_cast<Char>(DigitAt(d, i));
  }
  r += L'E';
  r += ExponentText(d.IsZero() ? 0 : d.Exponent - 1, std::clamp(digits, 0, 4), true);
  return r;
}

// Fixed and number formats without the sign: integer part (grouped when `sep`), decimals.
String FixedBody(const TDecimal& d, Integer decimals, Char sep, const TFormatSettings& fs) {
  String r;
  r.reserve(static_cast<size_t>(std::max(d.Exponent, 1) * 4 / 3 + decimals + 2));
  if (d.Exponent <= 0) r += L'0';
  for (Integer i = 0; i < d.Exponent; ++i) {
    r += static_cast<Char>(DigitAt(d, i));
    Integer rest = d.Exponent - 1 - i;
    if (sep && rest && rest % 3 == 0) r += sep;
  }
  if (decimals > 0) {
    r += fs.DecimalSeparator;
    for (Integer i = 0; i < decimals; ++i) r += static_cast<Char>(DigitAt(d, d.Exponent + i));
  }
  return r;
}

String CurrencyText(const String& body, bool negative, const TFormatSettings& fs) {
  const String& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return body + c;
      case 2: return c + L" " + body;
      case 3: return body + L" " + c;
      default: return c + body;
    }
  }
  switch (fs.NegCurrFormat) {
    case 0: return L"(" + c + body + L")";
    case 2: return c + L"-" + body;
    case 3: return c + body + L"-";
    case 4: return L"(" + body + c + L")";
    case 5: return L"-" + body + c;
    case 6: return body + L"-" + c;
    case 7: return body + c + L"-";
    case 8: return L"-" + body + L" " + c;
    case 9: return L"-" + c + L" " + body;
    case 10: return body + L" " + c + L"-";
    case 11: return c + L" " + body + L"-";
    case 12: return c + L" -" + body;
    case 13: return body + L"- " + c;
    case 14: return L"(" + c + L" " + body + L")";
    case 15: return L"(" + body + L" " + c + L")";
    default: return L"-" + c + body;
  }
}

// FloatToStrF over a decimal source that can round itself to (precision, decimals).
template <class Source>
String FloatText(Source src, TFloatFormat format, Integer precision, Integer digits,
                 const TFormatSettings& fs) {
  switch (format) {
    case ffExponent: {
      Integer p = std::clamp(precision, 1, 19);
      return FormatExponent(src(p, 9999), p, digits, fs);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      Integer p = std::clamp(precision, 1, 19);
      Integer dec = std::clamp(digits, 0, 18);
      TDecimal d = src(p, dec);
      if (d.Nan || d.Inf) return SpecialText(d);
      if (d.Exponent > p) return FormatGeneral(d, p, 0, fs);
      Char sep = format == ffFixed ? Char(0) : fs.ThousandSeparator;
      String body = FixedBody(d, dec, sep, fs);
      if (format == ffCurrency) return CurrencyText(body, d.Negative && !d.IsZero(), fs);
      if (d.Negative && !d.IsZero()) body.insert(0, 1, L'-');
      return body;
    }
    default: {
      Integer p = std::clamp(precision, 1, 19);
      return FormatGeneral(src(p, 9999), p, digits, fs);
    }
  }
}

auto DoubleSource(double v) {
  return [v](Integer p, Integer dec) { return FloatToDecimal(v, p, dec); };
}

auto CurrencySource(Currency c) {
  return [c](Integer p, Integer dec) {
    TDecimal d = CurrToDecimal(c, dec);
    if (static_cast<Integer>(d.Digits.size()) > p) RoundDecimalAt(d, p - d.Exponent);
    return d;
  };
}

// ---- FormatFloat masks

std::vector<String> SplitSections(const String& fmt) {
  std::vector<String> r(1);
  Char quote = 0;
  for (Char c : fmt) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == L'\'' || c == L'"') {
      quote = c;
    } else if (c == L';' && r.size() < 3) {
      r.emplace_back();
      continue;
    }
    r.back() += c;
  }
  return r;
}

struct TMaskInfo {
  Integer IntPlaceholders = 0;
  Integer IntMinDigits = 0;  // placeholders from the first '0' before the point
  Integer DecMin = 0;        // up to the last '0' after the point
  Integer DecMax = 0;
  bool Thousands = false;
  bool Scientific = false;
};

TMaskInfo AnalyseMask(const String& m) {
  TMaskInfo info;
  bool afterPoint = false, seenZero = false;
  Char quote = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    Char c = m[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    switch (c) {
      case L'\'': case L'"': quote = c; break;
      case L'0': case L'#':
        if (afterPoint) {
          ++info.DecMax;
          if (c == L'0') info.DecMin = info.DecMax;
        } else {
          ++info.IntPlaceholders;
          if (c == L'0') seenZero = true;
          if (seenZero) ++info.IntMinDigits;
        }
        break;
      case L'.': if (!info.Scientific) afterPoint = true; break;
      case L',': if (!afterPoint) info.Thousands = true; break;
      case L'E': case L'e':
        if (i + 1 < m.size() && (m[i + 1] == L'+' || m[i + 1] == L'-')) {
          info.Scientific = true;
          ++i;
          while (i + 1 < m.size() && m[i + 1] == L'0') ++i;
          afterPoint = true;  // no more digit placeholders count for the mantissa
        }
        break;
      default: break;
    }
  }
  return info;
}

template <class Source>
TDecimal MaskDecimal(Source& src, const TMaskInfo& info) {
  if (info.Scientific) {
    Integer p = std::clamp(info.IntPlaceholders + info.DecMax, 1, 15);
    return src(p, 9999);
  }
  return src(15, info.DecMax);
}

String ApplyMask(const String& m, const TMaskInfo& info, const TDecimal& d, bool withMinus,
                 const TFormatSettings& fs) {
  String intDigits, decDigits;
  Integer exponent = 0;
  if (info.Scientific) {
    Integer ip = info.IntPlaceholders;
    exponent = d.IsZero() ? 0 : d.Exponent - ip;
    for (Integer i = 0; i < ip; ++i) intDigits += static_cast<Char>(DigitAt(d, i));
    Integer total = static_cast<Integer>(d.Digits.size());
    Integer dec = std::clamp(total - ip, info.DecMin, info.DecMax);
    for (Integer i = 0; i < dec; ++i) decDigits += static_cast<Char>(DigitAt(d, ip + i));
    // Leading zeros of the mantissa are shown only as far as '0' placeholders ask.
    size_t lead = 0;
    while (lead < intDigits.size() && intDigits[lead] == L'0' &&
           static_cast<Integer>(intDigits.size() - lead) > info.IntMinDigits)
      ++lead;
    intDigits.erase(0, lead);
  } else {
    if (d.Exponent > 0) intDigits = IntegerDigits(d);
    if (static_cast<Integer>(intDigits.size()) < info.IntMinDigits)
      intDigits.insert(0, static_cast<size_t>(info.IntMinDigits) - intDigits.size(), L'0');
    Integer fracLen = static_cast<Integer>(d.Digits.size()) - d.Exponent;
    Integer dec = std::clamp(fracLen, info.DecMin, info.DecMax);
    decDigits = FractionDigits(d, dec);
  }
  String r = withMinus ? L"-" : L"";
  const Integer k = info.IntPlaceholders;
  const Integer L = static_cast<Integer>(intDigits.size());
  auto emitInt = [&](Integer from, Integer to) {  // digits [from, to) of intDigits
    for (Integer i = std::max(from, 0); i < to && i < L; ++i) {
      r += intDigits[static_cast<size_t>(i)];
      Integer rest = L - 1 - i;
      if (info.Thousands && rest > 0 && rest % 3 == 0) r += fs.ThousandSeparator;
    }
  };
  Integer intIndex = 0, decIndex = 0;
  bool afterPoint = false, pointDone = false, expDone = false;
  Char quote = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    Char c = m[i];
    if (quote) {
      if (c == quote) quote = 0;
      else r += c;
      continue;
    }
    switch (c) {
      case L'\'': case L'"': quote = c; break;
      case L'0': case L'#':
        if (!afterPoint) {
          // placeholder j shows digit j - (k - L); the first also shows every extra digit
          Integer j = intIndex++;
          Integer digit = j - (k - L);
          if (j == 0) emitInt(0, digit + 1);
          else emitInt(digit, digit + 1);
        } else if (!expDone) {
          if (decIndex < static_cast<Integer>(decDigits.size())) r += decDigits[static_cast<size_t>(decIndex)];
          ++decIndex;
        }
        break;
      case L'.':
        if (!pointDone && !expDone) {
          if (k == 0) emitInt(0, L);
          afterPoint = true;
          pointDone = true;
          if (!decDigits.empty()) r += fs.DecimalSeparator;
        }
        break;
      case L',': break;
      case L'E': case L'e':
        if (i + 1 < m.size() && (m[i + 1] == L'+' || m[i + 1] == L'-') && !expDone) {
          bool plus = m[i + 1] == L'+';
          ++i;
          Integer minDigits = 0;
          while (i + 1 < m.size() && m[i + 1] == L'0') { ++i; ++minDigits; }
          r += c;
          r += ExponentText(exponent, std::min(minDigits, 4), plus);
          expDone = true;
          afterPoint = true;
        } else {
          r += c;
        }
        break;
      default: r += c; break;
    }
  }
  if (k == 0 && !pointDone) emitInt(0, L);  // a mask without digit placeholders
  return r;
}

template <class Source>
String FormatMask(const String& fmt, Source src, bool negative, bool zero, const TFormatSettings& fs) {
  std::vector<String> sections = SplitSections(fmt);
  String mask = sections[0];
  bool minus = negative;
  if (negative && sections.size() >= 2 && !sections[1].empty()) {
    mask = sections[1];
    minus = false;
  }
  TMaskInfo info = AnalyseMask(mask);
  TDecimal d = MaskDecimal(src, info);
  if ((zero || d.IsZero()) && sections.size() >= 3 && !sections[2].empty()) {
    mask = sections[2];
    info = AnalyseMask(mask);
    d = MaskDecimal(src, info);
    minus = false;
  }
  if (d.IsZero()) minus = false;
  return ApplyMask(mask, info, d, minus, fs);
}

}  // namespace

String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& Settings) {
  return FloatText(DoubleSource(Value), Format, Precision, Digits, Settings);
}
String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits) {
  return FloatToStrF(Value, Format, Precision, Digits, FormatSettings);
}
String FloatToStr(Extended Value, const TFormatSettings& Settings) {
  return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
}
String FloatToStr(Extended Value) { return FloatToStr(Value, FormatSettings); }

String FormatFloat(const String& Format, Extended Value, const TFormatSettings& Settings) {
  if (Format.empty() || std::isnan(Value) || std::isinf(Value))
    return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
  return FormatMask(Format, DoubleSource(Value), Value < 0, Value == 0, Settings);
}
String FormatFloat(const String& Format, Extended Value) {
  return FormatFloat(Format, Value, FormatSettings);
}

String FormatCurr(const String& Format, Currency Value, const TFormatSettings& Settings) {
  if (Format.empty()) return CurrToStr(Value, Settings);
  return FormatMask(Format, CurrencySource(Value), Value.Value < 0, Value.Value == 0, Settings);
}
String FormatCurr(const String& Format, Currency Value) {
  return FormatCurr(Format, Value, FormatSettings);
}

String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits, const TFormatSettings& Settings) {
  return FloatText(CurrencySource(Value), Format, 19, Digits, Settings);
}
String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits) {
  return CurrToStrF(Value, Format, Digits, FormatSettings);
}
String CurrToStr(Currency Value, const TFormatSettings& Settings) {
  return CurrToStrF(Value, ffGeneral, 0, Settings);
}
String CurrToStr(Currency Value) { return CurrToStr(Value, FormatSettings); }

namespace {
// Number text: blanks, sign, digits with the decimal separator, optional exponent, blanks.
// Produces plain "[-]digits[.digits][e[-]digits]" for from_chars.
bool NormaliseNumber(const String& S, const TFormatSettings& fs, std::string& out) {
  size_t i = 0, n = S.size();
  while (i < n && S[i] <= L' ') ++i;
  while (n > i && S[n - 1] <= L' ') --n;
  if (i >= n) return false;
  out.clear();
  if (S[i] == L'-' || S[i] == L'+') {
    if (S[i] == L'-') out += '-';
    ++i;
  }
  bool digits = false, point = false;
  for (; i < n; ++i) {
    Char c = S[i];
    if (c >= L'0' && c <= L'9') { out += static_cast<char>(c); digits = true; }
    else if (c == fs.DecimalSeparator && !point) { out += '.'; point = true; }
    else break;
  }
  if (!digits) return false;
  if (i < n && (S[i] == L'e' || S[i] == L'E')) {
    out += 'e';
    ++i;
    if (i < n && (S[i] == L'-' || S[i] == L'+')) {
      if (S[i] == L'-') out += '-';
      ++i;
    }
    bool expDigits = false;
    for (; i < n && S[i] >= L'0' && S[i] <= L'9'; ++i) { out += static_cast<char>(S[i]); expDigits = true; }
    if (!expDigits) return false;
  }
  return i == n;
}
}  // namespace

bool TextToFloat(const String& S, Extended& Value, const TFormatSettings& Settings) {
  std::string t;
  if (!NormaliseNumber(S, Settings, t)) return false;
  double v = 0;
  auto res = std::from_chars(t.data(), t.data() + t.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // underflow reads as zero; overflow is not a number we can hold
    size_t e = t.find('e');
    if (e != std::string::npos && t.find('-', e) != std::string::npos) { Value = 0; return true; }
    return false;
  }
  if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return false;
  Value = v;
  return true;
}
bool TextToFloat(const String& S, Extended& Value) { return TextToFloat(S, Value, FormatSettings); }
bool TryStrToFloat(const String& S, Extended& Value, const TFormatSettings& Settings) {
  return TextToFloat(S, Value, Settings);
}
bool TryStrToFloat(const String& S, Extended& Value) { return TextToFloat(S, Value, FormatSettings); }
bool TryStrToFloat(const String& S, Single& Value, const TFormatSettings& Settings) {
  Extended v;
  if (!TextToFloat(S, v, Settings) || std::fabs(v) > std::numeric_limits<float>::max()) return false;
  Value = static_cast<Single>(v);
  return true;
}
bool TryStrToFloat(const String& S, Single& Value) { return TryStrToFloat(S, Value, FormatSettings); }
Extended StrToFloat(const String& S, const TFormatSettings& Settings) {
  return Parsed<Extended>(TryStrToFloat, NotFloat, S, Settings);
}
Extended StrToFloat(const String& S) { return StrToFloat(S, FormatSettings); }
Extended StrToFloatDef(const String& S, Extended Default, const TFormatSettings& Settings) {
  return ParsedOr<Extended>(TryStrToFloat, Default, S, Settings);
}
Extended StrToFloatDef(const String& S, Extended Default) {
  return StrToFloatDef(S, Default, FormatSettings);
}

bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& Settings) {
  // Exact decimal reading: scale the digits by 10,000 and round the rest half away from zero.
  std::string t;
  if (!NormaliseNumber(S, Settings, t)) return false;
  bool neg = !t.empty() && t[0] == '-';
  std::string mant = t.substr(neg ? 1 : 0);
  Integer exp = 0;
  size_t e = mant.find('e');
  if (e != std::string::npos) {
    try { exp = std::stoi(mant.substr(e + 1)); } catch (...) { return false; }
    mant.resize(e);
  }
  size_t dot = mant.find('.');
  std::string digits = mant;
  Integer intLen = static_cast<Integer>(mant.size());
  if (dot != std::string::npos) {
    digits.erase(dot, 1);
    intLen = static_cast<Integer>(dot);
  }
  TDecimal d;
  d.Digits = digits;
  d.Exponent = intLen + exp;
  StripZeros(d);
  RoundDecimalAt(d, 4);
  if (d.IsZero()) { Value = Currency(); return true; }
  if (d.Exponent + 4 > 19) return false;
  UInt64 u = 0;
  for (Integer i = 0; i < d.Exponent + 4; ++i) {
    unsigned dg = static_cast<unsigned>(DigitAt(d, i) - '0');
    if (u > (UInt64(0x8000000000000000ULL) - dg) / 10) return false;
    u = u * 10 + dg;
  }
  if (!neg && u > 0x7FFFFFFFFFFFFFFFULL) return false;
  Value = Currency::FromScaled(neg ? static_cast<Int64>(UInt64(0) - u) : static_cast<Int64>(u));
  return true;
}
bool TryStrToCurr(const String& S, Currency& Value) { return TryStrToCurr(S, Value, FormatSettings); }
Currency StrToCurr(const String& S, const TFormatSettings& Settings) {
  return Parsed<Currency>(TryStrToCurr, NotFloat, S, Settings);
}
Currency StrToCurr(const String& S) { return StrToCurr(S, FormatSettings); }
Currency StrToCurrDef(const String& S, Currency Default, const TFormatSettings& Settings) {
  return ParsedOr<Currency>(TryStrToCurr, Default, S, Settings);
}
Currency StrToCurrDef(const String& S, Currency Default) {
  return StrToCurrDef(S, Default, FormatSettings);
}

// ---------------------------------------------------------------------------------------
// Format

namespace {

[[noreturn]] void FormatError(const String& fmt) {
  throw EConvertError(L"Format '%s' invalid or incompatible with argument", {fmt});
}

// Resolves a Variant argument to a plain one through the Variants unit's converter.
const TVarRec& Plain(const TVarRec& a, TVarRec& tmp, const String& fmt) {
  if (a.VType != TVarRec::vtVariant) return a;
  if (!VarRecVariantConverter || !VarRecVariantConverter(a.VVariant, tmp)) FormatError(fmt);
  return tmp;
}

bool ArgInteger(const TVarRec& a, Int64& v, bool& isInt64) {
  switch (a.VType) {
    case TVarRec::vtInteger: v = a.VInteger; isInt64 = false; return true;
    case TVarRec::vtInt64: v = a.VInt64; isInt64 = true; return true;
    case TVarRec::vtUInt64: v = static_cast<Int64>(a.VUInt64); isInt64 = true; return true;
    default: return false;
  }
}

String ArgString(const TVarRec& a, const String& fmt) {
  switch (a.VType) {
    case TVarRec::vtUnicodeString: return a.VString;
    case TVarRec::vtAnsiString:
    case TVarRec::vtPChar: return AnsiToString(a.VAnsiString);
    case TVarRec::vtChar: return AnsiToString(AnsiString(1, static_cast<char>(a.VInteger)));
    case TVarRec::vtWideChar: return String(1, a.VWideChar);
    default: FormatError(fmt);
  }
}

}  // namespace

namespace {

// Decimal digits of v, appended to r.
void AppendUnsigned(String& r, UInt64 v) {
  wchar_t b[24];
  int n = 0;
  do {
    b[n++] = static_cast<wchar_t>(L'0' + v % 10);
    v /= 10;
  } while (v);
  while (n > 0) r += b[--n];
}

String FormatArgs(const String& Fmt, const TVarRec* Args, size_t ArgCount,
                  const TFormatSettings& Settings) {
  String r;
  r.reserve(Fmt.size() + 16);
  size_t argIndex = 0;
  const size_t n = Fmt.size();
  auto nextArg = [&]() -> const TVarRec& {
    if (argIndex >= ArgCount) throw EConvertError(L"No argument for format '%s'", {Fmt});
    return Args[argIndex++];
  };
  // A number in the specifier, or '*' taking an Integer argument; -1 when absent.
  auto readNumber = [&](size_t& i) -> Integer {
    if (i < n && Fmt[i] == L'*') {
      ++i;
      const TVarRec& a = nextArg();
      if (a.VType != TVarRec::vtInteger) FormatError(Fmt);
      return a.VInteger;
    }
    if (i >= n || Fmt[i] < L'0' || Fmt[i] > L'9') return -1;
    Int64 v = 0;
    while (i < n && Fmt[i] >= L'0' && Fmt[i] <= L'9') {
      v = v * 10 + (Fmt[i++] - L'0');
      if (v > 0x7FFFFFFF) FormatError(Fmt);
    }
    return static_cast<Integer>(v);
  };
  for (size_t i = 0; i < n; ++i) {
    if (Fmt[i] != L'%') {
      // Literal text up to the next specifier, copied as one run.
      size_t end = Fmt.find(L'%', i);
      if (end == String::npos) end = n;
      r.append(Fmt, i, end - i);
      i = end - 1;
      continue;
    }
    ++i;
    if (i >= n) FormatError(Fmt);
    if (Fmt[i] == L'%') {
      r += L'%';
      continue;
    }
    // [index ":"] ["-"] [width] ["." precision] type
    size_t save = i;
    Integer num = readNumber(i);
    if (i < n && Fmt[i] == L':') {
      if (num < 0) FormatError(Fmt);
      argIndex = static_cast<size_t>(num);
      ++i;
    } else {
      // not an index: read it again as the width (a '*' already consumed its argument)
      if (save < n && Fmt[save] == L'*') {
        --argIndex;
      }
      i = save;
    }
    bool left = false;
    if (i < n && Fmt[i] == L'-') { left = true; ++i; }
    Integer width = readNumber(i);
    Integer prec = -1;
    if (i < n && Fmt[i] == L'.') {
      ++i;
      prec = readNumber(i);
      if (prec < 0) prec = 0;
    }
    if (i >= n) FormatError(Fmt);
    Char type = static_cast<Char>(Fmt[i] | 0x20);  // case-insensitive
    TVarRec tmp(0);
    String text;
    switch (type) {
      case L'd': case L'u': case L'x': {
        const TVarRec& a = Plain(nextArg(), tmp, Fmt);
        Int64 v;
        bool is64;
        if (!ArgInteger(a, v, is64)) FormatError(Fmt);
        bool neg = false;
        String digits;
        if (type == L'x') {
          digits = is64 ? IntToHex(static_cast<UInt64>(v), 0) : IntToHex(static_cast<Integer>(v), 0);
        } else if (type == L'u') {
          AppendUnsigned(digits, is64 ? static_cast<UInt64>(v) : static_cast<Cardinal>(v));
        } else if (a.VType == TVarRec::vtUInt64) {
          AppendUnsigned(digits, static_cast<UInt64>(v));
        } else {
          neg = v < 0;
          AppendUnsigned(digits, neg ? UInt64(0) - static_cast<UInt64>(v) : static_cast<UInt64>(v));
        }
        if (prec > 0 && static_cast<Integer>(digits.size()) < prec)
          digits.insert(0, static_cast<size_t>(prec) - digits.size(), L'0');
        if (neg) digits.insert(0, 1, L'-');
        text = std::move(digits);
        break;
      }
      case L'e': case L'f': case L'g': case L'n': case L'm': {
        const TVarRec& a = Plain(nextArg(), tmp, Fmt);
        bool isCurr = a.VType == TVarRec::vtCurrency;
        if (a.VType != TVarRec::vtExtended && !isCurr) FormatError(Fmt);
        TFloatFormat ff;
        Integer p, d;
        switch (type) {
          case L'e': ff = ffExponent; p = prec < 0 ? 15 : std::clamp(prec, 1, 18); d = 3; break;
          case L'f': ff = ffFixed; p = 18; d = prec < 0 ? 2 : std::min(prec, 18); break;
          case L'g': ff = ffGeneral; p = prec <= 0 ? 15 : std::min(prec, 18); d = 3; break;
          case L'n': ff = ffNumber; p = 18; d = prec < 0 ? 2 : std::min(prec, 18); break;
          default: ff = ffCurrency; p = 18; d = prec < 0 ? Settings.CurrencyDecimals : std::min(prec, 18); break;
        }
        if (isCurr) text = FloatText(CurrencySource(a.VCurrency), ff, std::min(p, 19), d, Settings);
        else text = FloatText(DoubleSource(a.VExtended), ff, std::min(p, 17), d, Settings);
        break;
      }
      case L'p': {
        const TVarRec& a = nextArg();
        const void* p;
        switch (a.VType) {
          case TVarRec::vtPointer: p = a.VPointer; break;
          case TVarRec::vtObject: p = a.VObject; break;
          case TVarRec::vtClass: p = a.VClass; break;
          default: FormatError(Fmt);
        }
        text = IntToHex(static_cast<UInt64>(reinterpret_cast<std::uintptr_t>(p)),
                        static_cast<Integer>(sizeof(void*) * 2));
        break;
      }
      case L's': {
        const TVarRec& a = Plain(nextArg(), tmp, Fmt);
        text = ArgString(a, Fmt);
        if (prec >= 0 && static_cast<Integer>(text.size()) > prec) text.resize(static_cast<size_t>(prec));
        break;
      }
      default:
        FormatError(Fmt);
    }
    const size_t pad = width > 0 && static_cast<Integer>(text.size()) < width
                           ? static_cast<size_t>(width) - text.size()
                           : 0;
    if (!left) r.append(pad, L' ');
    r += text;
    if (left) r.append(pad, L' ');
  }
  return r;
}

}  // namespace

String Format(const String& Fmt, const TConstArray& Args, const TFormatSettings& Settings) {
  return FormatArgs(Fmt, Args.data(), Args.size(), Settings);
}

String Format(const String& Fmt, TVarRecs Args, const TFormatSettings& Settings) {
  return FormatArgs(Fmt, Args.begin(), Args.size(), Settings);
}
String Format(const String& Fmt, TVarRecs Args) {
  return FormatArgs(Fmt, Args.begin(), Args.size(), FormatSettings);
}
String Format(const String& Fmt, const TConstArray& Args) { return Format(Fmt, Args, FormatSettings); }
void FmtStr(String& Result, const String& Fmt, TVarRecs Args) { Result = Format(Fmt, Args); }

// ---------------------------------------------------------------------------------------
// Dates and times

const std::array<TDayTable, 2> MonthDays = {{{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                             {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}}};

bool IsLeapYear(Word Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

Word DaysInMonth(Word Year, Word Month) {
  if (Month < 1 || Month > 12) return 0;
  return MonthDays[IsLeapYear(Year)][Month];
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1) return false;
  const TDayTable& t = MonthDays[IsLeapYear(Year)];
  if (Day > t[Month]) return false;
  Integer day = Day;
  for (Word m = 1; m < Month; ++m) day += t[m];
  Integer y = Year - 1;
  Date = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + day - DateDelta);
  return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
  TDateTime d;
  if (!TryEncodeDate(Year, Month, Day, d)) throw EConvertError(L"Invalid argument to date encode");
  return d;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time) {
  if (Hour >= 24 || Min >= 60 || Sec >= 60 || MSec >= 1000) return false;
  Time = (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime t;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, t)) throw EConvertError(L"Invalid argument to time encode");
  return t;
}

TTimeStamp DateTimeToTimeStamp(TDateTime DateTime) {
  TTimeStamp ts;
  double whole = std::trunc(DateTime);
  double ms = std::round(std::fabs(DateTime - whole) * MSecsPerDay);
  Integer date = DateDelta + static_cast<Integer>(whole);
  if (ms >= MSecsPerDay) {  // rounding reached the next midnight
    ms = 0;
    date += DateTime >= 0 ? 1 : -1;
  }
  ts.Time = static_cast<Integer>(ms);
  ts.Date = date;
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& TimeStamp) {
  double date = static_cast<double>(TimeStamp.Date - DateDelta);
  double time = static_cast<double>(TimeStamp.Time) / MSecsPerDay;
  return date >= 0 ? date + time : date - time;
}

TTimeStamp MSecsToTimeStamp(double MSecs) {
  TTimeStamp ts;
  ts.Date = static_cast<Integer>(std::trunc(MSecs / MSecsPerDay));
  ts.Time = static_cast<Integer>(MSecs - static_cast<double>(ts.Date) * MSecsPerDay);
  return ts;
}

double TimeStampToMSecs(const TTimeStamp& TimeStamp) {
  return static_cast<double>(TimeStamp.Date) * MSecsPerDay + TimeStamp.Time;
}

namespace {
// Days since 0001-01-01 (day 1) to year, month, day.
void DaysToDate(Integer days, Word& Year, Word& Month, Word& Day) {
  if (days <= 0) { Year = Month = Day = 0; return; }
  Integer t = days - 1;
  Integer y = 1;
  Integer n400 = t / 146097; t %= 146097; y += n400 * 400;
  Integer n100 = t / 36524; t %= 36524;
  if (n100 == 4) { n100 = 3; t += 36524; }
  y += n100 * 100;
  Integer n4 = t / 1461; t %= 1461; y += n4 * 4;
  Integer n1 = t / 365; t %= 365;
  if (n1 == 4) { n1 = 3; t += 365; }
  y += n1;
  const TDayTable& tab = MonthDays[IsLeapYear(static_cast<Word>(y))];
  Integer m = 1;
  while (t >= tab[static_cast<size_t>(m)]) { t -= tab[static_cast<size_t>(m)]; ++m; }
  Year = static_cast<Word>(y);
  Month = static_cast<Word>(m);
  Day = static_cast<Word>(t + 1);
}
}  // namespace

bool DecodeDateFully(TDateTime Date, Word& Year, Word& Month, Word& Day, Word& DOW) {
  TTimeStamp ts = DateTimeToTimeStamp(Date);
  if (ts.Date <= 0) {
    Year = Month = Day = DOW = 0;
    return false;
  }
  DOW = static_cast<Word>(ts.Date % 7 + 1);
  DaysToDate(ts.Date, Year, Month, Day);
  return IsLeapYear(Year);
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day) {
  Word dow;
  DecodeDateFully(Date, Year, Month, Day, dow);
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
  Integer ms = DateTimeToTimeStamp(Time).Time;
  Hour = static_cast<Word>(ms / 3600000);
  Min = static_cast<Word>(ms / 60000 % 60);
  Sec = static_cast<Word>(ms / 1000 % 60);
  MSec = static_cast<Word>(ms % 1000);
}

Word DayOfWeek(TDateTime Date) { return static_cast<Word>(DateTimeToTimeStamp(Date).Date % 7 + 1); }

TDateTime SystemTimeToDateTime(const SYSTEMTIME& St) {
  TDateTime d = EncodeDate(St.wYear, St.wMonth, St.wDay);
  TDateTime t = EncodeTime(St.wHour, St.wMinute, St.wSecond, St.wMilliseconds);
  return d >= 0 ? d + t : d - t;
}

void DateTimeToSystemTime(TDateTime DateTime, SYSTEMTIME& St) {
  Word dow;
  DecodeDateFully(DateTime, St.wYear, St.wMonth, St.wDay, dow);
  St.wDayOfWeek = static_cast<WORD>(dow - 1);
  DecodeTime(DateTime, St.wHour, St.wMinute, St.wSecond, St.wMilliseconds);
}

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}
TDateTime Date() { return std::trunc(Now()); }
TDateTime Time() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}
TDateTime GetTime() { return Time(); }

void IncAMonth(Word& Year, Word& Month, Word& Day, Integer NumberOfMonths) {
  Integer total = Year * 12 + (Month - 1) + NumberOfMonths;
  Year = static_cast<Word>(total / 12);
  Month = static_cast<Word>(total % 12 + 1);
  Word dim = DaysInMonth(Year, Month);
  if (Day > dim) Day = dim;
}

void ReplaceTime(TDateTime& DateTime, TDateTime NewTime) {
  double t = std::fabs(NewTime - std::trunc(NewTime));
  double d = std::trunc(DateTime);
  DateTime = d >= 0 ? d + t : d - t;
}

void ReplaceDate(TDateTime& DateTime, TDateTime NewDate) {
  double t = std::fabs(DateTime - std::trunc(DateTime));
  double d = std::trunc(NewDate);
  DateTime = d >= 0 ? d + t : d - t;
}

TDateTime IncMonth(TDateTime DateTime, Integer NumberOfMonths) {
  Word y, m, d;
  DecodeDate(DateTime, y, m, d);
  IncAMonth(y, m, d, NumberOfMonths);
  TDateTime r = EncodeDate(y, m, d);
  ReplaceTime(r, DateTime);
  return r;
}

Integer DateTimeToFileDate(TDateTime DateTime) {
  Word y, m, d, h, n, s, ms;
  DecodeDate(DateTime, y, m, d);
  if (y < 1980 || y > 2107) return 0;
  DecodeTime(DateTime, h, n, s, ms);
  UInt64 date = static_cast<UInt64>((y - 1980) << 9 | m << 5 | d);
  UInt64 time = static_cast<UInt64>(h << 11 | n << 5 | s >> 1);
  return static_cast<Integer>(static_cast<Cardinal>(date << 16 | time));
}

TDateTime FileDateToDateTime(Integer FileDate) {
  Cardinal f = static_cast<Cardinal>(FileDate);
  Word date = static_cast<Word>(f >> 16), time = static_cast<Word>(f & 0xFFFF);
  TDateTime d, t;
  if (!TryEncodeDate(static_cast<Word>((date >> 9) + 1980), (date >> 5) & 15, date & 31, d) ||
      !TryEncodeTime(time >> 11, (time >> 5) & 63, static_cast<Word>((time & 31) * 2), 0, t))
    throw EConvertError(L"Invalid argument to date encode");
  return d + t;
}

// ---- FormatDateTime

namespace {

struct TDateParts {
  Word Year, Month, Day, DOW, Hour, Min, Sec, MSec;
};

String Num(Integer v, Integer digits) {
  String s = std::to_wstring(v);
  if (static_cast<Integer>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits) - s.size(), L'0');
  return s;
}

bool StartsWithNoCase(const String& f, size_t i, const wchar_t* what) {
  size_t n = std::wcslen(what);
  if (i + n > f.size()) return false;
  for (size_t k = 0; k < n; ++k)
    if (UpCase(f[i + k]) != UpCase(what[k])) return false;
  return true;
}

const TEraInfo* EraOf(TDateTime dt, const TFormatSettings& fs) {
  const TEraInfo* r = nullptr;
  for (const TEraInfo& e : fs.EraInfo)
    if (std::trunc(dt) >= e.EraStart) r = &e;
  return r;
}

void AppendDateTime(String& r, const String& f, TDateTime dt, const TDateParts& p,
                    const TFormatSettings& fs, int depth) {
  if (depth > 2) return;  // formats that name each other stop here
  Char lastToken = 0;
  const size_t n = f.size();
  size_t i = 0;
  auto count = [&](Char ch) {
    size_t k = i;
    while (k < n && UpCase(f[k]) == ch) ++k;
    size_t c = k - i;
    i = k;
    return static_cast<Integer>(c);
  };
  while (i < n) {
    Char c = f[i];
    Char token = UpCase(c);
    if (token >= L'A' && token <= L'Z') {
      if (token == L'M' && lastToken == L'H') token = L'N';
      lastToken = token;
    }
    switch (token) {
      case L'Y': {
        Integer k = count(L'Y');
        r += k <= 2 ? Num(p.Year % 100, 2) : Num(p.Year, 4);
        break;
      }
      case L'M': {
        Integer k = count(L'M');
        if (k <= 2) r += Num(p.Month, k);
        else if (p.Month >= 1) r += k == 3 ? fs.ShortMonthNames[p.Month] : fs.LongMonthNames[p.Month];
        break;
      }
      case L'D': {
        Integer k = count(L'D');
        switch (k) {
          case 1: case 2: r += Num(p.Day, k); break;
          case 3: if (p.DOW) r += fs.ShortDayNames[p.DOW]; break;
          case 4: if (p.DOW) r += fs.LongDayNames[p.DOW]; break;
          case 5: AppendDateTime(r, fs.ShortDateFormat, dt, p, fs, depth + 1); break;
          default: AppendDateTime(r, fs.LongDateFormat, dt, p, fs, depth + 1); break;
        }
        break;
      }
      case L'E': {
        Integer k = count(L'E');
        const TEraInfo* era = EraOf(dt, fs);
        Integer y = era ? p.Year - era->EraOffset : p.Year;
        r += Num(y, k >= 2 ? 2 : 1);
        break;
      }
      case L'G': {
        Integer k = count(L'G');
        const TEraInfo* era = EraOf(dt, fs);
        if (era) r += k == 1 ? era->EraName.substr(0, 1) : era->EraName;
        break;
      }
      case L'H': {
        Integer k = count(L'H');
        // The 12-hour clock when an AM/PM token follows before the next hour token.
        bool h12 = false;
        Char quote = 0;
        for (size_t j = i; j < n; ++j) {
          Char q = f[j];
          if (quote) { if (q == quote) quote = 0; continue; }
          if (q == L'\'' || q == L'"') { quote = q; continue; }
          if (q == L'h' || q == L'H') break;
          if (q == L'a' || q == L'A') {
            h12 = StartsWithNoCase(f, j, L"AM/PM") || StartsWithNoCase(f, j, L"A/P") ||
                  StartsWithNoCase(f, j, L"AMPM");
            break;
          }
        }
        Integer h = p.Hour;
        if (h12) {
          h %= 12;
          if (h == 0) h = 12;
        }
        r += Num(h, k >= 2 ? 2 : 1);
        break;
      }
      case L'N': {
        Integer k = count(UpCase(c));
        r += Num(p.Min, k >= 2 ? 2 : 1);
        break;
      }
      case L'S': {
        Integer k = count(L'S');
        r += Num(p.Sec, k >= 2 ? 2 : 1);
        break;
      }
      case L'Z': {
        Integer k = count(L'Z');
        r += Num(p.MSec, k >= 3 ? 3 : 1);
        break;
      }
      case L'T': {
        Integer k = count(L'T');
        AppendDateTime(r, k == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, dt, p, fs, depth + 1);
        break;
      }
      case L'C': {
        ++i;
        AppendDateTime(r, fs.ShortDateFormat, dt, p, fs, depth + 1);
        if (p.Hour || p.Min || p.Sec || p.MSec) {
          r += L' ';
          AppendDateTime(r, fs.LongTimeFormat, dt, p, fs, depth + 1);
        }
        break;
      }
      case L'A': {
        bool pm = p.Hour >= 12;
        if (StartsWithNoCase(f, i, L"AM/PM")) {
          String s = f.substr(i + (pm ? 3 : 0), 2);
          r += s;
          i += 5;
        } else if (StartsWithNoCase(f, i, L"A/P")) {
          r += f[i + (pm ? 2 : 0)];
          i += 3;
        } else if (StartsWithNoCase(f, i, L"AMPM")) {
          r += pm ? fs.TimePMString : fs.TimeAMString;
          i += 4;
        } else {
          r += c;
          ++i;
        }
        break;
      }
      case L'/':
        if (fs.DateSeparator) r += fs.DateSeparator;
        ++i;
        break;
      case L':':
        if (fs.TimeSeparator) r += fs.TimeSeparator;
        ++i;
        break;
      case L'\'':
      case L'"': {
        size_t close = f.find(c, i + 1);
        if (close == String::npos) close = n;
        r.append(f, i + 1, close - i - 1);
        i = close < n ? close + 1 : n;
        break;
      }
      default:
        r += c;
        ++i;
        break;
    }
  }
}

}  // namespace

void DateTimeToString(String& Result, const String& Format, TDateTime DateTime,
                      const TFormatSettings& Settings) {
  TDateParts p{};
  DecodeDateFully(DateTime, p.Year, p.Month, p.Day, p.DOW);
  DecodeTime(DateTime, p.Hour, p.Min, p.Sec, p.MSec);
  Result.clear();
  AppendDateTime(Result, Format.empty() ? String(L"C") : Format, DateTime, p, Settings, 0);
}
void DateTimeToString(String& Result, const String& Format, TDateTime DateTime) {
  DateTimeToString(Result, Format, DateTime, FormatSettings);
}
String FormatDateTime(const String& Format, TDateTime DateTime, const TFormatSettings& Settings) {
  String r;
  DateTimeToString(r, Format, DateTime, Settings);
  return r;
}
String FormatDateTime(const String& Format, TDateTime DateTime) {
  return FormatDateTime(Format, DateTime, FormatSettings);
}
String DateToStr(TDateTime Date, const TFormatSettings& Settings) {
  return FormatDateTime(L"ddddd", Date, Settings);
}
String DateToStr(TDateTime Date) { return DateToStr(Date, FormatSettings); }
String TimeToStr(TDateTime Time, const TFormatSettings& Settings) {
  return FormatDateTime(L"tt", Time, Settings);
}
String TimeToStr(TDateTime Time) { return TimeToStr(Time, FormatSettings); }
String DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings) {
  return FormatDateTime(L"c", DateTime, Settings);
}
String DateTimeToStr(TDateTime DateTime) { return DateTimeToStr(DateTime, FormatSettings); }

// ---- Text to dates

namespace {

struct TScanner {
  const String& S;
  size_t Pos = 0;
  void SkipBlanks() { while (Pos < S.size() && S[Pos] == L' ') ++Pos; }
  bool AtEnd() { SkipBlanks(); return Pos >= S.size(); }
  bool Char_(Char c) {
    SkipBlanks();
    if (Pos < S.size() && S[Pos] == c) { ++Pos; return true; }
    return false;
  }
  // Up to `maxDigits` decimal digits; `len` receives how many were read.
  bool Number(Integer& v, Integer& len, Integer maxDigits = 9) {
    SkipBlanks();
    size_t start = Pos;
    Int64 acc = 0;
    while (Pos < S.size() && S[Pos] >= L'0' && S[Pos] <= L'9' && static_cast<Integer>(Pos - start) < maxDigits)
      acc = acc * 10 + (S[Pos++] - L'0');
    len = static_cast<Integer>(Pos - start);
    v = static_cast<Integer>(acc);
    return len > 0;
  }
  bool Text(const String& t) {
    SkipBlanks();
    if (t.empty() || Pos + t.size() > S.size()) return false;
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, S.data() + Pos, static_cast<int>(t.size()),
                       t.data(), static_cast<int>(t.size())) != CSTR_EQUAL)
      return false;
    Pos += t.size();
    return true;
  }
};

enum TDateOrder { doMDY, doDMY, doYMD };

TDateOrder DateOrderOf(const String& f) {
  Char quote = 0;
  for (Char c : f) {
    if (quote) { if (c == quote) quote = 0; continue; }
    if (c == L'\'' || c == L'"') { quote = c; continue; }
    switch (UpCase(c)) {
      case L'E': case L'Y': return doYMD;
      case L'M': return doMDY;
      case L'D': return doDMY;
      default: break;
    }
  }
  return doMDY;
}

bool ScanDate(TScanner& sc, TDateTime& date, const TFormatSettings& fs) {
  Integer n1, n2, n3 = 0, l1, l2, l3 = 0;
  TDateOrder order = DateOrderOf(fs.ShortDateFormat);
  if (!sc.Number(n1, l1) || !sc.Char_(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
  bool three = false;
  size_t save = sc.Pos;
  if (sc.Char_(fs.DateSeparator)) {
    if (sc.Number(n3, l3)) three = true;
    else sc.Pos = save;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  Integer y, m, d, ylen;
  if (three) {
    switch (order) {
      case doMDY: y = n3; ylen = l3; m = n1; d = n2; break;
      case doDMY: y = n3; ylen = l3; d = n1; m = n2; break;
      default: y = n1; ylen = l1; m = n2; d = n3; break;
    }
  } else {
    y = now.wYear;
    ylen = 4;
    if (order == doDMY) { d = n1; m = n2; }
    else { m = n1; d = n2; }
  }
  if (ylen <= 2 && y <= 99) {
    Integer window = fs.TwoDigitYearCenturyWindow;
    Integer base = now.wYear - window;
    y += base / 100 * 100;
    if (window > 0 && y < base) y += 100;
  }
  // A date may end in the date separator ("2024/5/6/" is not a date, "5/6/" is).
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

bool ScanTime(TScanner& sc, TDateTime& time, const TFormatSettings& fs) {
  Integer pm = -1;  // -1 none, 0 AM, 1 PM
  auto scanDesignator = [&]() {
    if (sc.Text(fs.TimeAMString) || sc.Text(L"AM")) pm = 0;
    else if (sc.Text(fs.TimePMString) || sc.Text(L"PM")) pm = 1;
  };
  scanDesignator();  // some locales put the designator first
  Integer h, m = 0, s = 0, ms = 0, len;
  if (!sc.Number(h, len)) return false;
  if (sc.Char_(fs.TimeSeparator)) {
    if (!sc.Number(m, len)) return false;
    if (sc.Char_(fs.TimeSeparator)) {
      if (!sc.Number(s, len)) return false;
      if (sc.Char_(fs.DecimalSeparator) || (fs.DecimalSeparator != L'.' && sc.Char_(L'.'))) {
        if (!sc.Number(ms, len, 3)) return false;
        while (len < 3) { ms *= 10; ++len; }
      }
    }
  } else if (pm < 0) {
    // a bare number is a time only with a designator
    size_t save = sc.Pos;
    scanDesignator();
    if (pm < 0) { sc.Pos = save; return false; }
  }
  if (pm < 0) scanDesignator();
  if (pm >= 0) {
    if (h < 1 || h > 12) {
      if (!(h == 0 && pm == 0)) return false;
    }
    if (h == 12) h = 0;
    if (pm == 1) h += 12;
  }
  return TryEncodeTime(static_cast<Word>(std::min(h, 99)), static_cast<Word>(std::min(m, 99)),
                       static_cast<Word>(std::min(s, 99)), static_cast<Word>(ms), time);
}

}  // namespace

bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& Settings) {
  TScanner sc{S};
  TDateTime d;
  if (!ScanDate(sc, d, Settings)) return false;
  sc.Char_(Settings.DateSeparator);
  if (!sc.AtEnd()) return false;
  Value = d;
  return true;
}
bool TryStrToDate(const String& S, TDateTime& Value) { return TryStrToDate(S, Value, FormatSettings); }
TDateTime StrToDate(const String& S, const TFormatSettings& Settings) {
  return Parsed<TDateTime>(TryStrToDate, L"'%s' is not a valid date", S, Settings);
}
TDateTime StrToDate(const String& S) { return StrToDate(S, FormatSettings); }
TDateTime StrToDateDef(const String& S, TDateTime Default, const TFormatSettings& Settings) {
  return ParsedOr<TDateTime>(TryStrToDate, Default, S, Settings);
}
TDateTime StrToDateDef(const String& S, TDateTime Default) { return StrToDateDef(S, Default, FormatSettings); }

bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& Settings) {
  TScanner sc{S};
  TDateTime t;
  if (!ScanTime(sc, t, Settings) || !sc.AtEnd()) return false;
  Value = t;
  return true;
}
bool TryStrToTime(const String& S, TDateTime& Value) { return TryStrToTime(S, Value, FormatSettings); }
TDateTime StrToTime(const String& S, const TFormatSettings& Settings) {
  return Parsed<TDateTime>(TryStrToTime, L"'%s' is not a valid time", S, Settings);
}
TDateTime StrToTime(const String& S) { return StrToTime(S, FormatSettings); }
TDateTime StrToTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings) {
  return ParsedOr<TDateTime>(TryStrToTime, Default, S, Settings);
}
TDateTime StrToTimeDef(const String& S, TDateTime Default) { return StrToTimeDef(S, Default, FormatSettings); }

bool TryStrToDateTime(const String& S, TDateTime& Value, const TFormatSettings& Settings) {
  TScanner sc{S};
  TDateTime d;
  if (ScanDate(sc, d, Settings)) {
    sc.Char_(Settings.DateSeparator);
    if (sc.AtEnd()) { Value = d; return true; }
    TDateTime t;
    if (!ScanTime(sc, t, Settings) || !sc.AtEnd()) return false;
    Value = d >= 0 ? d + t : d - t;
    return true;
  }
  return TryStrToTime(S, Value, Settings);
}
bool TryStrToDateTime(const String& S, TDateTime& Value) { return TryStrToDateTime(S, Value, FormatSettings); }
TDateTime StrToDateTime(const String& S, const TFormatSettings& Settings) {
  return Parsed<TDateTime>(TryStrToDateTime, L"'%s' is not a valid date and time", S, Settings);
}
TDateTime StrToDateTime(const String& S) { return StrToDateTime(S, FormatSettings); }
TDateTime StrToDateTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings) {
  return ParsedOr<TDateTime>(TryStrToDateTime, Default, S, Settings);
}
TDateTime StrToDateTimeDef(const String& S, TDateTime Default) {
  return StrToDateTimeDef(S, Default, FormatSettings);
}

// ---------------------------------------------------------------------------------------
// File names and files

namespace {
const String kPathDelims = L"\\:";
}

String ExtractFilePath(const String& FileName) {
  return FileName.substr(0, static_cast<size_t>(LastDelimiter(kPathDelims, FileName)));
}

String ExtractFileDir(const String& FileName) {
  Integer i = LastDelimiter(kPathDelims, FileName);
  if (i > 1 && FileName[static_cast<size_t>(i - 1)] == PathDelim && !IsDelimiter(kPathDelims, FileName, i - 1))
    --i;
  return FileName.substr(0, static_cast<size_t>(i));
}

String ExtractFileName(const String& FileName) {
  return FileName.substr(static_cast<size_t>(LastDelimiter(kPathDelims, FileName)));
}

String ExtractFileExt(const String& FileName) {
  Integer i = LastDelimiter(L".\\:", FileName);
  if (i > 0 && FileName[static_cast<size_t>(i - 1)] == L'.') return FileName.substr(static_cast<size_t>(i - 1));
  return {};
}

String ExtractFileDrive(const String& FileName) {
  if (FileName.size() >= 2 && FileName[1] == DriveDelim) return FileName.substr(0, 2);
  if (FileName.size() >= 2 && FileName[0] == PathDelim && FileName[1] == PathDelim) {
    // \\server\share: up to the fourth delimiter
    int delims = 0;
    size_t i = 2;
    for (; i < FileName.size(); ++i) {
      if (FileName[i] == PathDelim && ++delims == 2) break;
    }
    if (delims >= 1) return FileName.substr(0, i);
  }
  return {};
}

String ChangeFileExt(const String& FileName, const String& Extension) {
  Integer i = LastDelimiter(L".\\:", FileName);
  if (i == 0 || FileName[static_cast<size_t>(i - 1)] != L'.') return FileName + Extension;
  return FileName.substr(0, static_cast<size_t>(i - 1)) + Extension;
}

String ChangeFilePath(const String& FileName, const String& Path) {
  return IncludeTrailingPathDelimiter(Path) + ExtractFileName(FileName);
}

bool IsPathDelimiter(const String& S, Integer Index) {
  return Index >= 1 && static_cast<size_t>(Index) <= S.size() && S[static_cast<size_t>(Index - 1)] == PathDelim;
}

String IncludeTrailingPathDelimiter(const String& S) {
  return IsPathDelimiter(S, static_cast<Integer>(S.size())) ? S : S + PathDelim;
}
String IncludeTrailingBackslash(const String& S) { return IncludeTrailingPathDelimiter(S); }
String ExcludeTrailingPathDelimiter(const String& S) {
  return IsPathDelimiter(S, static_cast<Integer>(S.size())) ? S.substr(0, S.size() - 1) : S;
}
String ExcludeTrailingBackslash(const String& S) { return ExcludeTrailingPathDelimiter(S); }

String ExpandFileName(const String& FileName) {
  if (FileName.empty()) return {};
  DWORD n = GetFullPathNameW(FileName.c_str(), 0, nullptr, nullptr);
  if (!n) return FileName;
  String r(n, L'\0');
  wchar_t* part = nullptr;
  n = GetFullPathNameW(FileName.c_str(), n, r.data(), &part);
  r.resize(n);
  return r;
}

String ExtractRelativePath(const String& BaseName, const String& DestName) {
  String basePath = ExtractFilePath(BaseName), destPath = ExtractFilePath(DestName);
  if (!SameText(ExtractFileDrive(basePath), ExtractFileDrive(destPath))) return DestName;
  auto split = [](const String& p) {
    std::vector<String> parts;
    String cur;
    for (Char c : p) {
      if (c == PathDelim) {
        parts.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
  };
  std::vector<String> b = split(basePath), d = split(destPath);
  size_t common = 0;
  while (common < b.size() && common < d.size() && AnsiSameText(b[common], d[common])) ++common;
  String r;
  for (size_t i = common; i < b.size(); ++i) r += L"..\\";
  for (size_t i = common; i < d.size(); ++i) r += d[i] + L"\\";
  return r + ExtractFileName(DestName);
}

bool FileExists(const String& FileName) {
  DWORD a = GetFileAttributesW(FileName.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const String& Directory) {
  DWORD a = GetFileAttributesW(Directory.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const String& Dir) { return CreateDirectoryW(Dir.c_str(), nullptr) != 0; }
bool RemoveDir(const String& Dir) { return RemoveDirectoryW(Dir.c_str()) != 0; }

bool ForceDirectories(const String& Dir) {
  if (Dir.empty()) throw EInOutError(L"Unable to create directory");
  String d = ExcludeTrailingPathDelimiter(Dir);
  if (d.size() < 3 || DirectoryExists(d) || ExtractFilePath(d) == d) return true;
  if (!ForceDirectories(ExtractFilePath(d))) return false;
  return CreateDir(d) || (GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(d));
}

bool DeleteFile(const String& FileName) { return DeleteFileW(FileName.c_str()) != 0; }
bool RenameFile(const String& OldName, const String& NewName) {
  return MoveFileW(OldName.c_str(), NewName.c_str()) != 0;
}

String GetCurrentDir() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  String r(n, L'\0');
  n = GetCurrentDirectoryW(n, r.data());
  r.resize(n);
  return r;
}
bool SetCurrentDir(const String& Dir) { return SetCurrentDirectoryW(Dir.c_str()) != 0; }

namespace {
bool FileTimeToLocalDateTime(const FILETIME& ft, TDateTime& dt) {
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st)) return false;
  dt = SystemTimeToDateTime(st);
  return true;
}
Integer FileTimeToDosDate(const FILETIME& ft) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return -1;
  return static_cast<Integer>(static_cast<Cardinal>(date) << 16 | time);
}
}  // namespace

bool FileAge(const String& FileName, TDateTime& FileDateTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(FileName.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  return FileTimeToLocalDateTime(data.ftLastWriteTime, FileDateTime);
}

Integer FileAge(const String& FileName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(FileName.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return FileTimeToDosDate(data.ftLastWriteTime);
}

Integer FileGetAttr(const String& FileName) {
  DWORD a = GetFileAttributesW(FileName.c_str());
  return a == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<Integer>(a);
}

Integer FileSetAttr(const String& FileName, Integer Attr) {
  return SetFileAttributesW(FileName.c_str(), static_cast<DWORD>(Attr)) ? 0 : static_cast<Integer>(GetLastError());
}

TDateTime TSearchRec::TimeStamp() const {
  TDateTime dt = 0;
  FileTimeToLocalDateTime(FindData.ftLastWriteTime, dt);
  return dt;
}

namespace {
// Moves to the next entry whose attributes pass the record's exclusion mask.
Integer FindMatching(TSearchRec& F) {
  while (F.FindData.dwFileAttributes & static_cast<DWORD>(F.ExcludeAttr)) {
    if (!FindNextFileW(F.FindHandle, &F.FindData)) return static_cast<Integer>(GetLastError());
  }
  F.Time = FileTimeToDosDate(F.FindData.ftLastWriteTime);
  F.Size = static_cast<Int64>(F.FindData.nFileSizeHigh) << 32 | F.FindData.nFileSizeLow;
  F.Attr = static_cast<Integer>(F.FindData.dwFileAttributes);
  F.Name = F.FindData.cFileName;
  return 0;
}
}  // namespace

Integer FindFirst(const String& Path, Integer Attr, TSearchRec& F) {
  const Integer special = faHidden | faSysFile | faVolumeID | faDirectory;
  F.ExcludeAttr = ~Attr & special;
  F.FindHandle = FindFirstFileW(Path.c_str(), &F.FindData);
  if (F.FindHandle == INVALID_HANDLE_VALUE) return static_cast<Integer>(GetLastError());
  Integer r = FindMatching(F);
  if (r != 0) FindClose(F);
  return r;
}

Integer FindNext(TSearchRec& F) {
  if (F.FindHandle == INVALID_HANDLE_VALUE) return ERROR_NO_MORE_FILES;
  if (!FindNextFileW(F.FindHandle, &F.FindData)) return static_cast<Integer>(GetLastError());
  return FindMatching(F);
}

void FindClose(TSearchRec& F) {
  if (F.FindHandle != INVALID_HANDLE_VALUE) {
    ::FindClose(F.FindHandle);
    F.FindHandle = INVALID_HANDLE_VALUE;
  }
}

// ---------------------------------------------------------------------------------------
// GUIDs

HRESULT CreateGUID(GUID& Guid) { return CoCreateGuid(&Guid); }

String GUIDToString(const GUID& Guid) {
  wchar_t buf[64];
  std::swprintf(buf, 64, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(Guid.Data1), Guid.Data2, Guid.Data3, Guid.Data4[0],
                Guid.Data4[1], Guid.Data4[2], Guid.Data4[3], Guid.Data4[4], Guid.Data4[5],
                Guid.Data4[6], Guid.Data4[7]);
  return buf;
}

GUID StringToGUID(const String& S) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  static const char pattern[] = "{........-....-....-....-............}";
  bool ok = S.size() == 38;
  std::vector<unsigned> nibbles;
  for (size_t i = 0; ok && i < 38; ++i) {
    Char c = S[i];
    if (pattern[i] != '.') {
      ok = c == static_cast<Char>(pattern[i]);
      continue;
    }
    if (c >= L'0' && c <= L'9') nibbles.push_back(static_cast<unsigned>(c - L'0'));
    else if (c >= L'a' && c <= L'f') nibbles.push_back(static_cast<unsigned>(c - L'a' + 10));
    else if (c >= L'A' && c <= L'F') nibbles.push_back(static_cast<unsigned>(c - L'A' + 10));
    else ok = false;
  }
  if (!ok) ConvertErrorFmt(L"'%s' is not a valid GUID value", S);
  auto take = [&](size_t from, size_t count) {
    UInt64 v = 0;
    for (size_t i = 0; i < count; ++i) v = v << 4 | nibbles[from + i];
    return v;
  };
  GUID g;
  g.Data1 = static_cast<decltype(g.Data1)>(take(0, 8));
  g.Data2 = static_cast<WORD>(take(8, 4));
  g.Data3 = static_cast<WORD>(take(12, 4));
  for (size_t i = 0; i < 8; ++i) g.Data4[i] = static_cast<BYTE>(take(16 + i * 2, 2));
  return g;
}
