#include "IniFiles.h"

#include <vector>

namespace {

// Decimal, "$hex" or "0xhex" text, blanks around it allowed; hex text up to FFFFFFFF is
// the bit pattern.
bool TryTextToInt(const String& text, Integer& out) { return TryStrToInt(Trim(text), out); }

const wchar_t* NullIfEmpty(const String& s) { return s.c_str(); }

// Calls a profile reader with a growing buffer until the text fits (the functions
// return size - 1, or size - 2 for lists, when they cut the text short).
template <class F>
std::vector<wchar_t> ReadProfile(F read, bool list) {
  std::vector<wchar_t> buf(2048);
  for (;;) {
    DWORD n = read(buf.data(), static_cast<DWORD>(buf.size()));
    DWORD cut = static_cast<DWORD>(buf.size()) - (list ? 2 : 1);
    if (n < cut || buf.size() >= (1u << 26)) {
      buf.resize(n + 2, L'\0');
      return buf;
    }
    buf.assign(buf.size() * 4, L'\0');
  }
}

void AddNulSeparated(const std::vector<wchar_t>& buf, TStrings* Strings) {
  const wchar_t* p = buf.data();
  while (*p) {
    String s(p);
    Strings->Add(s);
    p += s.size() + 1;
  }
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

// ---- TCustomIniFile -------------------------------------------------------------

bool TCustomIniFile::SectionExists(const String& Section) {
  TStringList names;
  ReadSection(Section, &names);
  return names.Count() > 0;
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
  TStringList names;
  ReadSection(Section, &names);
  return names.IndexOf(Ident) >= 0;
}

Integer TCustomIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
  Integer v;
  return TryTextToInt(ReadString(Section, Ident, L""), v) ? v : Default;
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
  WriteString(Section, Ident, std::to_wstring(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteString(Section, Ident, Value ? L"1" : L"0");
}

namespace {
// Reads a value's text and converts it; a missing, empty or malformed value gives Default.
template <class T, class D>
D ReadParsed(TCustomIniFile& Ini, const String& Section, const String& Ident, D Default,
             bool (*TryParse)(const String&, T&)) {
  T v;
  String s = Ini.ReadString(Section, Ident, L"");
  return !s.empty() && TryParse(s, v) ? v : Default;
}
}  // namespace

double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
  return ReadParsed<Extended>(*this, Section, Ident, Default, TryStrToFloat);
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

TDateTime TCustomIniFile::ReadDate(const String& Section, const String& Ident, TDateTime Default) {
  return ReadParsed<TDateTime>(*this, Section, Ident, Default, TryStrToDate);
}

void TCustomIniFile::WriteDate(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateToStr(Value));
}

TDateTime TCustomIniFile::ReadDateTime(const String& Section, const String& Ident, TDateTime Default) {
  return ReadParsed<TDateTime>(*this, Section, Ident, Default, TryStrToDateTime);
}

void TCustomIniFile::WriteDateTime(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateTimeToStr(Value));
}

TDateTime TCustomIniFile::ReadTime(const String& Section, const String& Ident, TDateTime Default) {
  return ReadParsed<TDateTime>(*this, Section, Ident, Default, TryStrToTime);
}

void TCustomIniFile::WriteTime(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, TimeToStr(Value));
}

Integer TCustomIniFile::ReadBinaryStream(const String& Section, const String& Name, TStream* Value) {
  String text = ReadString(Section, Name, L"");
  TBytes bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    int hi = HexValue(text[i]), lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) break;
    bytes.push_back(static_cast<Byte>(hi * 16 + lo));
  }
  if (!bytes.empty()) Value->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return static_cast<Integer>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const String& Section, const String& Name, TStream* Value) {
  Int64 count = Value->Size() - Value->Position();
  TBytes bytes(static_cast<size_t>(count > 0 ? count : 0));
  if (!bytes.empty()) Value->ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  String text;
  text.reserve(bytes.size() * 2);
  for (Byte b : bytes) text += IntToHex(static_cast<Integer>(b), 2);
  WriteString(Section, Name, text);
}

// ---- TIniFile --------------------------------------------------------------------

TIniFile::~TIniFile() {
  try {
    UpdateFile();
  } catch (...) {
  }
}

String TIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  auto buf = ReadProfile(
      [&](wchar_t* p, DWORD n) {
        return GetPrivateProfileStringW(Section.c_str(), Ident.c_str(), Default.c_str(), p, n, FFileName.c_str());
      },
      false);
  return buf.data();
}

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  if (!WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), Value.c_str(), FFileName.c_str()))
    throw EIniFileException(L"Unable to write to %s", {FFileName});
}

void TIniFile::ReadSection(const String& Section, TStrings* Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings->Clear();
  auto buf = ReadProfile(
      [&](wchar_t* p, DWORD n) {
        return GetPrivateProfileStringW(Section.c_str(), nullptr, nullptr, p, n, FFileName.c_str());
      },
      true);
  AddNulSeparated(buf, Strings);
}

void TIniFile::ReadSections(TStrings* Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings->Clear();
  auto buf = ReadProfile(
      [&](wchar_t* p, DWORD n) {
        return GetPrivateProfileStringW(nullptr, nullptr, nullptr, p, n, FFileName.c_str());
      },
      true);
  AddNulSeparated(buf, Strings);
}

void TIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  TStringList keys;
  ReadSection(Section, &keys);
  TUpdateScope<TStrings> update(Strings);
  Strings->Clear();
  for (Integer i = 0; i < keys.Count(); ++i)
    Strings->Add(keys[i] + L"=" + ReadString(Section, keys[i], L""));
}

void TIniFile::EraseSection(const String& Section) {
  if (!WritePrivateProfileStringW(Section.c_str(), nullptr, nullptr, FFileName.c_str()))
    throw EIniFileException(L"Unable to write to %s", {FFileName});
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
  WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), nullptr, FFileName.c_str());
}

void TIniFile::UpdateFile() {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, NullIfEmpty(FFileName));
}

// ---- TMemIniFile -----------------------------------------------------------------

TMemIniFile::TMemIniFile(const String& FileName) : TMemIniFile(FileName, nullptr, false) {}

TMemIniFile::TMemIniFile(const String& FileName, TEncoding* Encoding)
    : TMemIniFile(FileName, Encoding, false) {}

TMemIniFile::TMemIniFile(const String& FileName, TEncoding* Encoding, bool CaseSensitive)
    : TCustomIniFile(FileName),
      FSections(std::make_unique<THashedStringList>(true)),
      FEncoding(Encoding),
      FCaseSensitive(CaseSensitive) {
  FSections->SetCaseSensitive(CaseSensitive);
  LoadValues();
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Clear() { FSections->Clear(); }

TStrings* TMemIniFile::FindSection(const String& Section) const {
  Integer i = FSections->IndexOf(Section);
  return i >= 0 ? static_cast<TStrings*>(FSections->Objects(i)) : nullptr;
}

TStrings* TMemIniFile::AddSection(const String& Section) {
  auto lines = std::make_unique<THashedStringList>();
  lines->SetCaseSensitive(FCaseSensitive);
  FSections->AddObject(Section, lines.get());
  return lines.release();
}

void TMemIniFile::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  FSections->SetCaseSensitive(Value);
  for (Integer i = 0; i < FSections->Count(); ++i)
    static_cast<THashedStringList*>(FSections->Objects(i))->SetCaseSensitive(Value);
}

void TMemIniFile::LoadValues() {
  DWORD attrs = FFileName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(FFileName.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    TStringList list;
    list.LoadFromFile(FFileName, FEncoding);
    if (!FEncoding) FEncoding = list.Encoding();  // keep the encoding the file was found in
    SetStrings(&list);
  } else {
    Clear();
  }
}

void TMemIniFile::SetStrings(TStrings* List) {
  Clear();
  TStrings* lines = nullptr;
  for (Integer i = 0; i < List->Count(); ++i) {
    String s = Trim(List->Strings(i));
    if (s.empty() || s[0] == L';') continue;
    if (s[0] == L'[' && s.back() == L']' && s.size() >= 2) {
      String name = Trim(s.substr(1, s.size() - 2));
      lines = FindSection(name);
      if (!lines) lines = AddSection(name);
    } else if (lines) {
      size_t eq = s.find(L'=');
      if (eq != String::npos)
        lines->Add(Trim(s.substr(0, eq)) + L"=" + Trim(s.substr(eq + 1)));
      else
        lines->Add(s);
    }
  }
}

void TMemIniFile::GetStrings(TStrings* List) {
  TUpdateScope<TStrings> update(List);
  for (Integer i = 0; i < FSections->Count(); ++i) {
    List->Add(L"[" + FSections->Strings(i) + L"]");
    auto* lines = static_cast<TStrings*>(FSections->Objects(i));
    for (Integer j = 0; j < lines->Count(); ++j) List->Add(lines->Strings(j));
    List->Add(L"");
  }
}

void TMemIniFile::Rename(const String& FileName, bool Reload) {
  FFileName = FileName;
  if (Reload) LoadValues();
}

String TMemIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  if (TStrings* lines = FindSection(Section)) {
    Integer i = lines->IndexOfName(Ident);
    if (i >= 0) return lines->ValueFromIndex(i);
  }
  return Default;
}

void TMemIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  TStrings* lines = FindSection(Section);
  if (!lines) lines = AddSection(Section);
  String line = Ident + L"=" + Value;
  Integer i = lines->IndexOfName(Ident);
  if (i >= 0) lines->SetStrings(i, line);
  else lines->Add(line);
}

void TMemIniFile::ReadSection(const String& Section, TStrings* Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings->Clear();
  if (TStrings* lines = FindSection(Section))
    for (Integer i = 0; i < lines->Count(); ++i) {
      String s = lines->Strings(i);
      Strings->Add(s.find(L'=') != String::npos ? lines->Names(i) : s);
    }
}

void TMemIniFile::ReadSections(TStrings* Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings->Clear();
  for (Integer i = 0; i < FSections->Count(); ++i) Strings->Add(FSections->Strings(i));
}

void TMemIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings->Clear();
  if (TStrings* lines = FindSection(Section))
    for (Integer i = 0; i < lines->Count(); ++i) Strings->Add(lines->Strings(i));
}

void TMemIniFile::EraseSection(const String& Section) {
  Integer i = FSections->IndexOf(Section);
  if (i >= 0) FSections->Delete(i);  // the list owns and frees the section's lines
}

void TMemIniFile::DeleteKey(const String& Section, const String& Ident) {
  if (TStrings* lines = FindSection(Section)) {
    Integer i = lines->IndexOfName(Ident);
    if (i >= 0) lines->Delete(i);
  }
}

void TMemIniFile::UpdateFile() {
  TStringList list;
  GetStrings(&list);
  list.SaveToFile(FFileName, FEncoding);
}
