// Registry: reading and writing keys and values of the system registry.
#pragma once

#include "Classes.h"
#include "SysUtils.h"

DECLARE_EXCEPTION(ERegistryException, Exception)

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  Integer DataSize = 0;
};

struct TRegKeyInfo {
  Integer NumSubKeys = 0;
  Integer MaxSubKeyLen = 0;
  Integer NumValues = 0;
  Integer MaxValueLen = 0;
  Integer MaxDataLen = 0;
  FILETIME FileTime{};
};

// One open key at a time (CurrentKey) under a root key. A key name starting with '\'
// is taken from the root key, any other from the current key (or the root key when no
// key is open). Values are read and written in the current key.
class TRegistry : public TObject {
  DECLARE_CLASS(TRegistry, TObject)
 public:
  TRegistry();
  explicit TRegistry(REGSAM AAccess);
  ~TRegistry() override;

  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value);  // closes the current key
  HKEY CurrentKey() const { return FCurrentKey; }
  const String& CurrentPath() const { return FCurrentPath; }
  REGSAM Access() const { return FAccess; }
  void SetAccess(REGSAM Value) { FAccess = Value; }
  // Without LazyWrite, closing a key flushes it to disk at once.
  bool LazyWrite() const { return FLazyWrite; }
  void SetLazyWrite(bool Value) { FLazyWrite = Value; }

  // Opens Key as the current key, creating it (and its parents) when CanCreate.
  bool OpenKey(const String& Key, bool CanCreate);
  // Opens Key for reading only (Access becomes KEY_READ).
  bool OpenKeyReadOnly(const String& Key);
  void CloseKey();
  // Creates Key without opening it; ERegistryException "Failed to create key %s".
  bool CreateKey(const String& Key);
  // Deletes Key with everything below it.
  bool DeleteKey(const String& Key);
  bool DeleteValue(const String& Name);
  bool KeyExists(const String& Key);
  bool ValueExists(const String& Name);
  bool HasSubKeys();
  bool GetKeyInfo(TRegKeyInfo& Value);
  void GetKeyNames(TStrings* Strings);
  void GetValueNames(TStrings* Strings);
  bool GetDataInfo(const String& ValueName, TRegDataInfo& Value);
  TRegDataType GetDataType(const String& ValueName);
  Integer GetDataSize(const String& ValueName);  // -1 when the value does not exist
  bool RenameValue(const String& OldName, const String& NewName);

  // Strings: a missing value reads as ''; a value of another type raises
  // "Invalid data type for '%s'".
  String ReadString(const String& Name);
  void WriteString(const String& Name, const String& Value);
  String ReadExpandString(const String& Name);
  void WriteExpandString(const String& Name, const String& Value);
  // Integers and Booleans are 32-bit numbers; floating-point, currency and date values
  // are 8 bytes of binary data. Missing values raise "Failed to get data for '%s'".
  Integer ReadInteger(const String& Name);
  void WriteInteger(const String& Name, Integer Value);
  bool ReadBool(const String& Name);
  void WriteBool(const String& Name, bool Value);
  double ReadFloat(const String& Name);
  void WriteFloat(const String& Name, double Value);
  Currency ReadCurrency(const String& Name);
  void WriteCurrency(const String& Name, Currency Value);
  TDateTime ReadDateTime(const String& Name);
  void WriteDateTime(const String& Name, TDateTime Value);
  TDateTime ReadDate(const String& Name) { return ReadDateTime(Name); }
  void WriteDate(const String& Name, TDateTime Value) { WriteDateTime(Name, Value); }
  TDateTime ReadTime(const String& Name) { return ReadDateTime(Name); }
  void WriteTime(const String& Name, TDateTime Value) { WriteDateTime(Name, Value); }
  // Binary data: returns the size read (0 for a missing value); a value larger than
  // BufSize or not binary raises "Invalid data type for '%s'".
  Integer ReadBinaryData(const String& Name, void* Buffer, Integer BufSize);
  void WriteBinaryData(const String& Name, const void* Buffer, Integer BufSize);
  TBytes ReadBinaryData(const String& Name);
  void WriteBinaryData(const String& Name, const TBytes& Value);

 protected:
  void ChangeKey(HKEY Value, const String& Path);
  // Replaces the current key handle without closing the old one or changing the path.
  void SetCurrentKey(HKEY Value) { FCurrentKey = Value; }
  HKEY GetBaseKey(bool Relative) const;
  void PutData(const String& Name, const void* Buffer, Integer BufSize, DWORD RegType);
  Integer GetData(const String& Name, void* Buffer, Integer BufSize, TRegDataType& RegData);

 private:
  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
  String FCurrentPath;
  REGSAM FAccess = KEY_ALL_ACCESS;
  bool FLazyWrite = true;
};

// Settings kept in the registry in the manner of a settings file: the key FileName
// (under HKEY_CURRENT_USER, created when missing) holds one subkey per section, and
// the values of a section are strings (numbers and Booleans as their text).
class TRegIniFile : public TRegistry {
  DECLARE_CLASS(TRegIniFile, TRegistry)
 public:
  explicit TRegIniFile(const String& FileName);
  TRegIniFile(const String& FileName, REGSAM AAccess);
  const String& FileName() const { return FFileName; }

  String ReadString(const String& Section, const String& Ident, const String& Default);
  void WriteString(const String& Section, const String& Ident, const String& Value);
  Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
  void WriteInteger(const String& Section, const String& Ident, Integer Value);
  bool ReadBool(const String& Section, const String& Ident, bool Default);
  void WriteBool(const String& Section, const String& Ident, bool Value);
  void ReadSection(const String& Section, TStrings* Strings);
  void ReadSections(TStrings* Strings);
  void ReadSectionValues(const String& Section, TStrings* Strings);
  void EraseSection(const String& Section);
  void DeleteKey(const String& Section, const String& Ident);
  using TRegistry::DeleteKey;
  using TRegistry::ReadString;
  using TRegistry::WriteString;
  using TRegistry::ReadInteger;
  using TRegistry::WriteInteger;
  using TRegistry::ReadBool;
  using TRegistry::WriteBool;

 private:
  // Runs Action with the section's key as the current key; false when the section
  // does not exist (and Create is false). '' is the file's own key.
  bool WithSection(const String& Section, bool Create, const std::function<void()>& Action);
  String FFileName;
};
