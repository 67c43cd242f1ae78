// Storing the state of an object tree (its property values, then its children) in an INI
// file, a registry key or a binary stream, and reading it back. The storage talks to one
// reader or writer class per store.
#pragma once

#include <memory>
#include <vector>

#include "Classes.h"
#include "IniFiles.h"
#include "Registry.h"
#include "Variants.h"

enum TvxStorageMode { smChildrenCreating, smChildrenDeleting, smSavePublishedClassProperties };
using TvxStorageModes = Set<TvxStorageMode, 8>;

using TvxGetStorageModesEvent = std::function<TvxStorageModes()>;
using TvxGetComponentByNameEvent = std::function<TComponent*(const String& AName)>;
using TvxTestClassPropertyEvent = std::function<bool(const String& AName, TObject* AObject)>;
using TvxGetUseInterfaceOnlyEvent = std::function<bool()>;
// Hooks through which a stored object's owner adds properties and their values.
using TvxGetStoredPropertiesEvent = std::function<void(TObject* Sender, TStrings* AProperties)>;
using TvxGetStoredPropertyValueEvent = std::function<void(TObject* Sender, const String& AName, Variant& AValue)>;
using TvxSetStoredPropertyValueEvent = std::function<void(TObject* Sender, const String& AName, const Variant& AValue)>;
using TvxInitStoredObjectEvent = std::function<void(TObject* Sender, TObject* AObject)>;

// An object's name in the store and its property values. {79A05009-CAC3-47E8-B454-F6F3D91F495D}
class IvxStorageObject {
 public:
  virtual ~IvxStorageObject() = default;
  virtual String GetStorageObjectName() = 0;
  // Fills the names of the properties to store; False: use the published properties.
  virtual bool GetStorageProperties(TStrings* AProperties) = 0;
  virtual void GetStoragePropertyValue(const String& AName, Variant& AValue) = 0;
  virtual void SetStoragePropertyValue(const String& AName, const Variant& AValue) = 0;
};

// An object's children in the store. {6AF48CD0-3A0B-4BEC-AC88-5D323432A686}
class IvxStorageParent {
 public:
  virtual ~IvxStorageParent() = default;
  virtual TObject* CreateStorageChild(const String& AObjectName, const String& AClassName) = 0;
  virtual void DeleteStorageChild(const String& AObjectName, TObject* AObject) = 0;
  // One line per child: its name (may be empty), with the child as the line's object.
  virtual void GetStorageChildren(TStringList* AChildren) = 0;
};

class TvxCustomReader : public TObject {
  DECLARE_CLASS(TvxCustomReader, TObject)
 public:
  explicit TvxCustomReader(const String& AStorageName, TStream* AStorageStream = nullptr);
  virtual bool HasStoredData() { return true; }
  virtual void StartReading() {}
  virtual void FinishReading() {}
  virtual void ReadProperties(const String& AObjectName, const String& AClassName, TStrings* AProperties) {}
  virtual Variant ReadProperty(const String& AObjectName, const String& AClassName, const String& AName);
  virtual void ReadChildren(const String& AObjectName, const String& AClassName, TStrings* AChildrenNames,
                            TStrings* AChildrenClassNames) {}
  const String& StorageName() const { return FStorageName; }
  TStream* StorageStream() const { return FStorageStream; }
  void SetStream(TStream* AStream);
  Integer StorageVersion() const { return FStorageVersion; }

 protected:
  virtual void StreamChanged(TStream* AStream) { FStorageStream = AStream; }
  Integer FStorageVersion = 0;
  String FStorageName;
  TStream* FStorageStream = nullptr;  // not owned
};
using TvxCustomReaderClass = TClass;

class TvxCustomWriter : public TObject {
  DECLARE_CLASS(TvxCustomWriter, TObject)
 public:
  TvxCustomWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate);
  virtual bool IsWritable() { return true; }
  virtual void StartWriting() {}
  virtual void FinishWriting() {}
  virtual void BeginWriteObject(const String& AObjectName, const String& AClassName) {}
  virtual void EndWriteObject(const String& AObjectName, const String& AClassName) {}
  virtual void WriteProperty(const String& AObjectName, const String& AClassName, const String& AName,
                             const Variant& AValue) {}
  bool ReCreate() const { return FReCreate; }
  const String& StorageName() const { return FStorageName; }
  TStream* StorageStream() const { return FStorageStream; }
  void SetStream(TStream* AStream);

 protected:
  virtual void StreamChanged(TStream* AStream) { FStorageStream = AStream; }
  bool FReCreate;
  String FStorageName;
  TStream* FStorageStream = nullptr;  // not owned
};
using TvxCustomWriterClass = TClass;

// --- INI file ------------------------------------------------------------------------------------

// Text values in the INI form: between double quotes, with "\" as "\\", CR LF as "\n", tab
// as "\t", and a lone CR or LF as "\r" or "\l" so that a value never breaks its line.
String vxIniQuote(const String& AText);
// Undoes vxIniQuote's escapes (the text between the quotes).
String vxIniUnescape(const String& AText);

class TvxIniFileReader : public TvxCustomReader {
  DECLARE_CLASS(TvxIniFileReader, TvxCustomReader)
 public:
  explicit TvxIniFileReader(const String& AStorageName, TStream* AStorageStream = nullptr);
  ~TvxIniFileReader() override;
  bool HasStoredData() override;
  void StartReading() override;
  void ReadProperties(const String& AObjectName, const String& AClassName, TStrings* AProperties) override;
  Variant ReadProperty(const String& AObjectName, const String& AClassName, const String& AName) override;
  void ReadChildren(const String& AObjectName, const String& AClassName, TStrings* AChildrenNames,
                    TStrings* AChildrenClassNames) override;

 private:
  void BuildSectionLists();
  std::unique_ptr<TMemIniFile> FIniFile;
  std::unique_ptr<TStringList> FPathList, FObjectNameList, FClassNameList;
};

class TvxIniFileWriter : public TvxCustomWriter {
  DECLARE_CLASS(TvxIniFileWriter, TvxCustomWriter)
 public:
  TvxIniFileWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate);
  ~TvxIniFileWriter() override;
  void StartWriting() override;
  void FinishWriting() override;
  void BeginWriteObject(const String& AObjectName, const String& AClassName) override;
  void WriteProperty(const String& AObjectName, const String& AClassName, const String& AName,
                     const Variant& AValue) override;

 private:
  std::unique_ptr<TMemIniFile> FIniFile;
};

// --- Registry -------------------------------------------------------------------------------------

class TvxRegistryReader : public TvxCustomReader {
  DECLARE_CLASS(TvxRegistryReader, TvxCustomReader)
 public:
  explicit TvxRegistryReader(const String& AStorageName, TStream* AStorageStream = nullptr);
  ~TvxRegistryReader() override;
  void ReadProperties(const String& AObjectName, const String& AClassName, TStrings* AProperties) override;
  Variant ReadProperty(const String& AObjectName, const String& AClassName, const String& AName) override;
  void ReadChildren(const String& AObjectName, const String& AClassName, TStrings* AChildrenNames,
                    TStrings* AChildrenClassNames) override;

 private:
  bool OpenObjectKey(const String& AObjectName);
  std::unique_ptr<TRegistry> FRegistry;
  String FStorageKey;
};

class TvxRegistryWriter : public TvxCustomWriter {
  DECLARE_CLASS(TvxRegistryWriter, TvxCustomWriter)
 public:
  TvxRegistryWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate);
  ~TvxRegistryWriter() override;
  void BeginWriteObject(const String& AObjectName, const String& AClassName) override;
  void EndWriteObject(const String& AObjectName, const String& AClassName) override;
  void WriteProperty(const String& AObjectName, const String& AClassName, const String& AName,
                     const Variant& AValue) override;

 private:
  std::unique_ptr<TRegistry> FRegistry;
  String FStorageKey;
  bool FRootKeyCreated = false;
  bool FRootKeyOpened = false;
};

// --- Binary stream ----------------------------------------------------------------------------------

class TvxStreamPropertyData : public TObject {
  DECLARE_CLASS(TvxStreamPropertyData, TObject)
 public:
  TvxStreamPropertyData(const String& AName, const Variant& AValue) : FName(AName), FValue(AValue) {}
  const String& Name() const { return FName; }
  const Variant& Value() const { return FValue; }
  void Read(TStream* AStream);
  void Write(TStream* AStream);

 private:
  String FName;
  Variant FValue;
};

class TvxStreamObjectData : public TObject {
  DECLARE_CLASS(TvxStreamObjectData, TObject)
 public:
  TvxStreamObjectData(const String& AName, const String& AClassName) : FClassName(AClassName), FName(AName) {}
  void AddChild(std::unique_ptr<TvxStreamObjectData> AChild) { FChildren.push_back(std::move(AChild)); }
  void AddProperty(std::unique_ptr<TvxStreamPropertyData> AProperty) { FProperties.push_back(std::move(AProperty)); }
  // Reads a record with all its descendants (an explicit stack: no recursion by depth).
  void Read(TStream* AStream);
  void Write(TStream* AStream);
  Integer ChildCount() const { return static_cast<Integer>(FChildren.size()); }
  TvxStreamObjectData* Children(Integer Index) const { return FChildren[Index].get(); }
  Integer PropertyCount() const { return static_cast<Integer>(FProperties.size()); }
  TvxStreamPropertyData* Properties(Integer Index) const { return FProperties[Index].get(); }
  const String& Name() const { return FName; }
  const String& ClassName_() const { return FClassName; }

 private:
  String FClassName;
  std::vector<std::unique_ptr<TvxStreamObjectData>> FChildren;
  String FName;
  std::vector<std::unique_ptr<TvxStreamPropertyData>> FProperties;
};

class TvxStreamReader : public TvxCustomReader {
  DECLARE_CLASS(TvxStreamReader, TvxCustomReader)
 public:
  explicit TvxStreamReader(const String& AStorageName, TStream* AStorageStream = nullptr);
  ~TvxStreamReader() override;
  bool HasStoredData() override;
  void StartReading() override;
  void ReadProperties(const String& AObjectName, const String& AClassName, TStrings* AProperties) override;
  Variant ReadProperty(const String& AObjectName, const String& AClassName, const String& AName) override;
  void ReadChildren(const String& AObjectName, const String& AClassName, TStrings* AChildrenNames,
                    TStrings* AChildrenClassNames) override;

 private:
  TvxStreamObjectData* FindObject(const String& AFullName);
  TvxStreamObjectData* FCurrentObject = nullptr;
  String FCurrentObjectFullName;
  std::unique_ptr<TvxStreamObjectData> FRootObject;
};

class TvxStreamWriter : public TvxCustomWriter {
  DECLARE_CLASS(TvxStreamWriter, TvxCustomWriter)
 public:
  TvxStreamWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate);
  ~TvxStreamWriter() override;
  bool IsWritable() override { return FStorageStream != nullptr; }
  void FinishWriting() override;
  void BeginWriteObject(const String& AObjectName, const String& AClassName) override;
  void WriteProperty(const String& AObjectName, const String& AClassName, const String& AName,
                     const Variant& AValue) override;

 private:
  TvxStreamObjectData* FCurrentObject = nullptr;
  std::unique_ptr<TvxStreamObjectData> FRootObject;
};

// --- Storage ----------------------------------------------------------------------------------------

class TvxStorage : public TObject {
  DECLARE_CLASS(TvxStorage, TObject)
 public:
  explicit TvxStorage(const String& AStorageName, TStream* AStorageStream = nullptr);
  explicit TvxStorage(TStream* AStream) : TvxStorage(String(), AStream) {}

  void RestoreFrom(TObject* AObject, TvxCustomReaderClass AReaderClass);
  virtual void RestoreWithExistingReader(TObject* AObject, TvxCustomReader* AReader);
  void RestoreFromIni(TObject* AObject);
  void RestoreFromRegistry(TObject* AObject);
  void RestoreFromStream(TObject* AObject);
  void StoreTo(TObject* AObject, TvxCustomWriterClass AWriterClass);
  virtual void StoreWithExistingWriter(TObject* AObject, TvxCustomWriter* AWriter);
  void StoreToIni(TObject* AObject);
  void StoreToRegistry(TObject* AObject);
  void StoreToStream(TObject* AObject);

  const String& NamePrefix() const { return FNamePrefix; }
  void SetNamePrefix(const String& Value) { FNamePrefix = Value; }
  TvxStorageModes Modes() const { return FModes; }
  void SetModes(TvxStorageModes Value) { FModes = Value; }
  bool ReCreate() const { return FReCreate; }
  void SetReCreate(bool Value) { FReCreate = Value; }
  bool SaveComponentPropertiesByName() const { return FSaveComponentPropertiesByName; }
  void SetSaveComponentPropertiesByName(bool Value) { FSaveComponentPropertiesByName = Value; }
  TObject* StoredObject() const { return FStoredObject; }
  const String& StorageName() const { return FStorageName; }
  void SetStorageName(const String& Value) { FStorageName = Value; }
  bool UseInterfaceOnly() const { return FUseInterfaceOnly; }
  void SetUseInterfaceOnly(bool Value) { FUseInterfaceOnly = Value; }

  TvxGetComponentByNameEvent OnGetComponentByName;
  TvxGetStorageModesEvent OnGetStorageModes;
  TvxGetUseInterfaceOnlyEvent OnGetUseInterfaceOnly;
  TvxTestClassPropertyEvent OnTestClassProperty;

 protected:
  virtual void RestoreObjectLevel(TvxCustomReader* AReader, const String& AName);
  virtual void StoreObjectLevel(TvxCustomWriter* AWriter, const String& AName);
  TvxStorageModes EffectiveModes();
  bool EffectiveUseInterfaceOnly();

 private:
  String ObjectName(TObject* AObject);
  String LevelName(const String& AName);
  void GetPropertyNames(TStrings* ANames);
  Variant GetPropertyValue(const String& AName);
  void SetPropertyValue(const String& AName, const Variant& AValue);
  void GetChildren(TObject* AObject, std::vector<std::pair<String, TObject*>>& AChildren);
  std::unique_ptr<TvxStorage> ChildStorage(const String& AParentFullName);

  String FNamePrefix;
  TvxStorageModes FModes;
  String FObjectNamePrefix;
  bool FReCreate = true;
  String FStorageName;
  TStream* FStream = nullptr;        // not owned
  TObject* FStoredObject = nullptr;  // not owned
  bool FSaveComponentPropertiesByName = false;
  bool FUseInterfaceOnly = false;
};

extern const TUnitInfo vxStorageUnit;
