#include "Registry.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

bool IsRelative(const String& Key) { return Key.empty() || Key[0] != L'\\'; }

TRegDataType DataTypeToRegData(DWORD t) {
  switch (t) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

[[noreturn]] void ReadError(const String& Name) {
  throw ERegistryException(L"Invalid data type for '%s'", {Name});
}

// Deletes every key below Key, then Key itself.
LSTATUS DeleteTree(HKEY Base, const String& Key) {
  HKEY k = nullptr;
  LSTATUS st = RegOpenKeyExW(Base, Key.c_str(), 0, KEY_READ | KEY_WRITE, &k);
  if (st != ERROR_SUCCESS) return st;
  std::vector<String> subs;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.emplace_back(name, len);
  }
  for (const String& s : subs) DeleteTree(k, s);
  RegCloseKey(k);
  return RegDeleteKeyW(Base, Key.c_str());
}

// Adds the names an enumeration call gives for index 0, 1, ... until it reports no more;
// a name longer than the key information said grows the buffer and is asked for again.
template <class EnumAt>
void AddEnumeratedNames(Integer maxLen, TStrings* Strings, EnumAt enumAt) {
  std::vector<wchar_t> name(static_cast<size_t>(maxLen) + 1);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    LSTATUS st = enumAt(i, name.data(), &len);
    if (st == ERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 256);
      --i;
      continue;
    }
    if (st != ERROR_SUCCESS) break;
    Strings->Add(String(name.data(), len));
  }
}

}  // namespace

TRegistry::TRegistry() = default;
TRegistry::TRegistry(REGSAM AAccess) : FAccess(AAccess) {}
TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (Value != FRootKey) {
    CloseKey();
    FRootKey = Value;
  }
}

void TRegistry::ChangeKey(HKEY Value, const String& Path) {
  CloseKey();
  FCurrentKey = Value;
  FCurrentPath = Path;
}

HKEY TRegistry::GetBaseKey(bool Relative) const {
  return (FCurrentKey == nullptr || !Relative) ? FRootKey : FCurrentKey;
}

bool TRegistry::OpenKey(const String& Key, bool CanCreate) {
  String s = Key;
  bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  HKEY temp = nullptr;
  LSTATUS st;
  if (!CanCreate || s.empty()) {
    st = RegOpenKeyExW(GetBaseKey(relative), s.c_str(), 0, FAccess, &temp);
  } else {
    DWORD disposition = 0;
    st = RegCreateKeyExW(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         FAccess, nullptr, &temp, &disposition);
  }
  if (st != ERROR_SUCCESS) return false;
  if (FCurrentKey && relative) s = FCurrentPath.empty() ? s : FCurrentPath + L"\\" + s;
  ChangeKey(temp, s);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const String& Key) {
  REGSAM saved = FAccess;
  FAccess = KEY_READ;
  bool ok = OpenKey(Key, false);
  if (!ok) FAccess = saved;
  return ok;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) {
    if (!FLazyWrite) RegFlushKey(FCurrentKey);
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
  }
}

bool TRegistry::CreateKey(const String& Key) {
  String s = Key;
  bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  HKEY temp = nullptr;
  DWORD disposition = 0;
  LSTATUS st = RegCreateKeyExW(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &temp, &disposition);
  if (st != ERROR_SUCCESS) throw ERegistryException(L"Failed to create key %s", {Key});
  RegCloseKey(temp);
  return true;
}

bool TRegistry::DeleteKey(const String& Key) {
  String s = Key;
  bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  if (s.empty()) return false;  // never the base key itself
  return DeleteTree(GetBaseKey(relative), s) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const String& Name) {
  return FCurrentKey && RegDeleteValueW(FCurrentKey, Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const String& Key) {
  String s = Key;
  bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  HKEY temp = nullptr;
  if (RegOpenKeyExW(GetBaseKey(relative), s.c_str(), 0, KEY_READ, &temp) == ERROR_SUCCESS ||
      RegOpenKeyExW(GetBaseKey(relative), s.c_str(), 0, STANDARD_RIGHTS_READ, &temp) == ERROR_SUCCESS) {
    RegCloseKey(temp);
    return true;
  }
  return false;
}

bool TRegistry::ValueExists(const String& Name) {
  TRegDataInfo info;
  return GetDataInfo(Name, info);
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value) {
  Value = TRegKeyInfo();
  DWORD subKeys = 0, maxSub = 0, values = 0, maxValue = 0, maxData = 0;
  bool ok = FCurrentKey &&
            RegQueryInfoKeyW(FCurrentKey, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr,
                             &values, &maxValue, &maxData, nullptr, &Value.FileTime) == ERROR_SUCCESS;
  if (ok) {
    Value.NumSubKeys = static_cast<Integer>(subKeys);
    Value.MaxSubKeyLen = static_cast<Integer>(maxSub);
    Value.NumValues = static_cast<Integer>(values);
    Value.MaxValueLen = static_cast<Integer>(maxValue);
    Value.MaxDataLen = static_cast<Integer>(maxData);
  }
  return ok;
}

bool TRegistry::HasSubKeys() {
  TRegKeyInfo info;
  return GetKeyInfo(info) && info.NumSubKeys > 0;
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  Strings->Clear();
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  AddEnumeratedNames(info.MaxSubKeyLen, Strings, [this](DWORD i, wchar_t* name, DWORD* len) {
    return RegEnumKeyExW(FCurrentKey, i, name, len, nullptr, nullptr, nullptr, nullptr);
  });
}

void TRegistry::GetValueNames(TStrings* Strings) {
  Strings->Clear();
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  AddEnumeratedNames(info.MaxValueLen, Strings, [this](DWORD i, wchar_t* name, DWORD* len) {
    return RegEnumValueW(FCurrentKey, i, name, len, nullptr, nullptr, nullptr, nullptr);
  });
}

bool TRegistry::GetDataInfo(const String& ValueName, TRegDataInfo& Value) {
  Value = TRegDataInfo();
  DWORD type = 0, size = 0;
  if (!FCurrentKey ||
      RegQueryValueExW(FCurrentKey, ValueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  Value.RegData = DataTypeToRegData(type);
  Value.DataSize = static_cast<Integer>(size);
  return true;
}

TRegDataType TRegistry::GetDataType(const String& ValueName) {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

Integer TRegistry::GetDataSize(const String& ValueName) {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

bool TRegistry::RenameValue(const String& OldName, const String& NewName) {
  if (!ValueExists(OldName) || ValueExists(NewName)) return false;
  DWORD type = 0, size = 0;
  RegQueryValueExW(FCurrentKey, OldName.c_str(), nullptr, &type, nullptr, &size);
  std::vector<Byte> data(size);
  if (RegQueryValueExW(FCurrentKey, OldName.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    return false;
  if (RegSetValueExW(FCurrentKey, NewName.c_str(), 0, type, data.data(), size) != ERROR_SUCCESS) return false;
  return DeleteValue(OldName);
}

void TRegistry::PutData(const String& Name, const void* Buffer, Integer BufSize, DWORD RegType) {
  if (!FCurrentKey || BufSize < 0 ||
      RegSetValueExW(FCurrentKey, Name.c_str(), 0, RegType, static_cast<const BYTE*>(Buffer),
                     static_cast<DWORD>(BufSize)) != ERROR_SUCCESS)
    throw ERegistryException(L"Failed to set data for '%s'", {Name});
}

Integer TRegistry::GetData(const String& Name, void* Buffer, Integer BufSize, TRegDataType& RegData) {
  DWORD type = 0, size = static_cast<DWORD>(BufSize);
  if (!FCurrentKey ||
      RegQueryValueExW(FCurrentKey, Name.c_str(), nullptr, &type, static_cast<BYTE*>(Buffer), &size) !=
          ERROR_SUCCESS)
    throw ERegistryException(L"Failed to get data for '%s'", {Name});
  RegData = DataTypeToRegData(type);
  return static_cast<Integer>(size);
}

namespace {
String StringFromData(const std::vector<Byte>& data, Integer size) {
  String r(static_cast<size_t>(size) / sizeof(wchar_t), L'\0');
  if (!r.empty()) std::memcpy(r.data(), data.data(), r.size() * sizeof(wchar_t));
  size_t nul = r.find(L'\0');
  if (nul != String::npos) r.resize(nul);
  return r;
}
}  // namespace

String TRegistry::ReadString(const String& Name) {
  Integer len = GetDataSize(Name);
  if (len <= 1) {
    if (len >= 0) {
      TRegDataType t = GetDataType(Name);
      if (t != rdString && t != rdExpandString) ReadError(Name);
    }
    return {};
  }
  std::vector<Byte> data(static_cast<size_t>(len) + sizeof(wchar_t));
  TRegDataType t = rdUnknown;
  Integer got = GetData(Name, data.data(), len, t);
  if (t != rdString && t != rdExpandString) ReadError(Name);
  return StringFromData(data, got);
}

void TRegistry::WriteString(const String& Name, const String& Value) {
  PutData(Name, Value.c_str(), static_cast<Integer>((Value.size() + 1) * sizeof(wchar_t)), REG_SZ);
}

String TRegistry::ReadExpandString(const String& Name) { return ReadString(Name); }

void TRegistry::WriteExpandString(const String& Name, const String& Value) {
  PutData(Name, Value.c_str(), static_cast<Integer>((Value.size() + 1) * sizeof(wchar_t)), REG_EXPAND_SZ);
}

Integer TRegistry::ReadInteger(const String& Name) {
  Integer v = 0;
  TRegDataType t = rdUnknown;
  Integer info = GetDataSize(Name);
  if (info >= 0 && info != static_cast<Integer>(sizeof v)) ReadError(Name);
  GetData(Name, &v, sizeof v, t);
  if (t != rdInteger) ReadError(Name);
  return v;
}

void TRegistry::WriteInteger(const String& Name, Integer Value) {
  PutData(Name, &Value, sizeof Value, REG_DWORD);
}

bool TRegistry::ReadBool(const String& Name) { return ReadInteger(Name) != 0; }
void TRegistry::WriteBool(const String& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

namespace {
template <class T>
T ReadFixedBinary(TRegistry& r, const String& Name,
                  Integer (TRegistry::*getData)(const String&, void*, Integer, TRegDataType&)) {
  T v{};
  Integer size = r.GetDataSize(Name);
  if (size >= 0 && size != static_cast<Integer>(sizeof v)) ReadError(Name);
  TRegDataType t = rdUnknown;
  Integer got = (r.*getData)(Name, &v, sizeof v, t);
  if (t != rdBinary || got != static_cast<Integer>(sizeof v)) ReadError(Name);
  return v;
}
}  // namespace

double TRegistry::ReadFloat(const String& Name) {
  return ReadFixedBinary<double>(*this, Name, &TRegistry::GetData);
}

void TRegistry::WriteFloat(const String& Name, double Value) {
  PutData(Name, &Value, sizeof Value, REG_BINARY);
}

Currency TRegistry::ReadCurrency(const String& Name) {
  return Currency::FromScaled(ReadFixedBinary<Int64>(*this, Name, &TRegistry::GetData));
}

void TRegistry::WriteCurrency(const String& Name, Currency Value) {
  PutData(Name, &Value.Value, sizeof Value.Value, REG_BINARY);
}

TDateTime TRegistry::ReadDateTime(const String& Name) { return ReadFloat(Name); }
void TRegistry::WriteDateTime(const String& Name, TDateTime Value) { WriteFloat(Name, Value); }

Integer TRegistry::ReadBinaryData(const String& Name, void* Buffer, Integer BufSize) {
  TRegDataInfo info;
  if (!GetDataInfo(Name, info)) return 0;
  if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > BufSize) ReadError(Name);
  TRegDataType t = rdUnknown;
  return GetData(Name, Buffer, info.DataSize, t);
}

void TRegistry::WriteBinaryData(const String& Name, const void* Buffer, Integer BufSize) {
  PutData(Name, Buffer, BufSize, REG_BINARY);
}

TBytes TRegistry::ReadBinaryData(const String& Name) {
  TRegDataInfo info;
  if (!GetDataInfo(Name, info)) return {};
  TBytes r(static_cast<size_t>(info.DataSize));
  Integer n = ReadBinaryData(Name, r.data(), static_cast<Integer>(r.size()));
  r.resize(static_cast<size_t>(n));
  return r;
}

void TRegistry::WriteBinaryData(const String& Name, const TBytes& Value) {
  WriteBinaryData(Name, Value.data(), static_cast<Integer>(Value.size()));
}

// ---- TRegIniFile -------------------------------------------------------------------

TRegIniFile::TRegIniFile(const String& FileName) : TRegIniFile(FileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const String& FileName, REGSAM AAccess) : TRegistry(AAccess), FFileName(FileName) {
  OpenKey(FileName, true);
}

bool TRegIniFile::WithSection(const String& Section, bool Create, const std::function<void()>& Action) {
  HKEY base = CurrentKey() ? CurrentKey() : RootKey();
  if (Section.empty()) {
    Action();
    return true;
  }
  HKEY key = nullptr;
  LSTATUS st = Create ? RegCreateKeyExW(base, Section.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access(),
                                        nullptr, &key, nullptr)
                      : RegOpenKeyExW(base, Section.c_str(), 0, Access(), &key);
  if (st != ERROR_SUCCESS) {
    if (Create) throw ERegistryException(L"Failed to create key %s", {Section});
    return false;
  }
  HKEY old = CurrentKey();
  SetCurrentKey(key);
  TScopeExit restore([this, old, key] {
    SetCurrentKey(old);
    RegCloseKey(key);
  });
  Action();
  return true;
}

String TRegIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  String r = Default;
  WithSection(Section, false, [&] {
    if (ValueExists(Ident)) r = TRegistry::ReadString(Ident);
  });
  return r;
}

void TRegIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  WithSection(Section, true, [&] { TRegistry::WriteString(Ident, Value); });
}

Integer TRegIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
  Integer r = Default;
  WithSection(Section, false, [&] {
    if (!ValueExists(Ident)) return;
    if (GetDataType(Ident) == rdInteger) {
      r = TRegistry::ReadInteger(Ident);
      return;
    }
    String s = TRegistry::ReadString(Ident);
    wchar_t* end = nullptr;
    long long v = std::wcstoll(s.c_str(), &end, 10);
    if (!s.empty() && end && *end == L'\0' && v >= INT32_MIN && v <= INT32_MAX) r = static_cast<Integer>(v);
  });
  return r;
}

void TRegIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
  WriteString(Section, Ident, std::to_wstring(Value));
}

bool TRegIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteInteger(Section, Ident, Value ? 1 : 0);
}

void TRegIniFile::ReadSection(const String& Section, TStrings* Strings) {
  Strings->Clear();
  WithSection(Section, false, [&] { GetValueNames(Strings); });
}

void TRegIniFile::ReadSections(TStrings* Strings) { GetKeyNames(Strings); }

void TRegIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  Strings->Clear();
  WithSection(Section, false, [&] {
    TStringList names;
    GetValueNames(&names);
    for (Integer i = 0; i < names.Count(); ++i) {
      String value = GetDataType(names[i]) == rdInteger ? std::to_wstring(TRegistry::ReadInteger(names[i]))
                                                         : TRegistry::ReadString(names[i]);
      Strings->Add(names[i] + L"=" + value);
    }
  });
}

void TRegIniFile::EraseSection(const String& Section) { TRegistry::DeleteKey(Section); }

void TRegIniFile::DeleteKey(const String& Section, const String& Ident) {
  WithSection(Section, false, [&] { DeleteValue(Ident); });
}
