// Access-control model: the in-memory access list of a DACL, the security functions
// bound by name at start-up, the process-wide SID cache, reading a path's DACL into an
// access list, and the captions and symbols of its entries.
#pragma once

#include <windows.h>
#include <aclapi.h>
#include <dsgetdc.h>

#include <memory>
#include <vector>

#include "Classes.h"
#include "Persistent.h"
#include "SyncObjs.h"
#include "SysInit.h"
#include "SysUtils.h"

class TJSONObject;

// ---------------------------------------------------------------------------------------
// Access items and lists

enum TQvAceType : Byte {
  actAccessAllowed = 0,
  actAccessDenied = 1,
  actAuditSuccess = 2,
  actAuditFailure = 3,
  actAuditFull = 4,
};

enum TQvAceFlag : Byte {
  acfObjInherit = 0,   // bit 0x01
  acfContainer = 1,    // bit 0x02
  acfInheritOnly = 2,  // bit 0x04
  acfNoPropagate = 3,  // bit 0x08
  acfInherited = 4,    // bit 0x10
};
using TQvAceFlags = Set<TQvAceFlag, 8>;

// The set as its one-byte value (element n at bit 2^n) and back.
Byte QvAceFlagsByte(TQvAceFlags Flags);
TQvAceFlags QvAceFlagsFromSetByte(Byte Value);

// Windows AceFlags byte to the set: 0x04 and 0x08 swap places; 0x40/0x80 are dropped.
TQvAceFlags AceFlagsFromByte(Byte AceFlags);
// The set back to a Windows AceFlags byte, with the audit bits of the type added.
Byte AceFlagsToByte(TQvAceFlags Flags, TQvAceType AceType);
// The item type of an ACE header: 0 and 9 (allowed, allowed callback) and the allowed
// object types 5 and 11 are allowed; 1 and 10 and the denied object types 6 and 12 are
// denied; 2 (system audit) is an audit type chosen by the audit bits, or allowed when
// neither is set. Every other header type answers actAccessAllowed; the DACL walk does
// not read those (see QvAceSidOffset).
TQvAceType AceTypeFromHeader(Byte AceFlags, Byte AceTypeByte);
bool HasInheritedFlag(TQvAceFlags Flags);
// Where the trustee SID of an ACE starts, from the ACE's first byte, or -1 when the
// walk cannot read the ACE: its type keeps no SID it knows of, or the SID does not fit
// inside AceSize. Callback ACEs keep the SID at 8 (their application data follows it);
// object ACEs keep it after their flags word and the GUIDs those flags announce.
int QvAceSidOffset(const void* Ace);

class TQvAccessItem : public TObject {
  DECLARE_CLASS(TQvAccessItem, TObject)
 public:
  TQvAccessItem() = default;

  Cardinal Mask() const { return FMask; }
  void SetMask(Cardinal Value) { FMask = Value; }
  const String& UserName() const { return FUserName; }
  void SetUserName(const String& Value) { FUserName = Value; }
  const String& Sid() const { return FSid; }
  void SetSid(const String& Value) { FSid = Value; }
  TQvAceFlags Flags() const { return FFlags; }
  void SetFlags(TQvAceFlags Value) { FFlags = Value; }
  TQvAceType AceType() const { return FAceType; }
  void SetAceType(TQvAceType Value) { FAceType = Value; }
  Integer Index() const { return FIndex; }
  void SetIndex(Integer Value) { FIndex = Value; }
  Cardinal FlagsDWORD() const { return FFlagsDWORD; }
  void SetFlagsDWORD(Cardinal Value) { FFlagsDWORD = Value; }
  Cardinal Mask_Unnormalized() const { return FMask_Unnormalized; }
  void SetMask_Unnormalized(Cardinal Value) { FMask_Unnormalized = Value; }

  // Thirteen lines "RIGHT<TAB>X" or "RIGHT<TAB>-", joined by CR LF.
  String Dump() const;

 private:
  Cardinal FMask = 0;
  String FUserName;
  String FSid;
  TQvAceFlags FFlags;
  TQvAceType FAceType = actAccessAllowed;
  Integer FIndex = 0;
  Cardinal FFlagsDWORD = 0;
  Cardinal FMask_Unnormalized = 0;
};

// How far the last DACL read into a list got, so that a list cut short or never read
// does not pass for a DACL with fewer (or no) entries.
enum TQvReadResult {
  qrNone,      // nothing has been read into the list
  qrComplete,  // the whole DACL was read (an absent or null DACL included)
  qrStopped,   // the walk stopped at entry StoppedAt; the entries before it are listed
  qrNotRead,   // the descriptor or its DACL could not be read; no entry was read
};

struct TQvReadOutcome {
  TQvReadResult Result = qrNone;
  // The DACL index of the entry the walk could not read (qrStopped), else -1.
  Integer StoppedAt = -1;
  // The Windows error of the failure, -1 when the failure is not a system error (an
  // entry type the reader does not take, a security function the system lacks).
  Integer ErrorCode = 0;
  // The system's text for ErrorCode, or the reason in words when it is -1.
  String ErrorText;
};

// An owning, ordered list of access items with the descriptor's control word.
class TQvAccessList : public TList {
  DECLARE_CLASS(TQvAccessList, TList)
 public:
  TQvAccessList() = default;
  ~TQvAccessList() override;

  // Appends an existing item (the list takes it over); its Index is left alone.
  Integer Add(TQvAccessItem* Item);
  // Appends a new empty item whose Index is the position it got.
  TQvAccessItem* Add();
  // EListError for an index outside 0..Count-1.
  TQvAccessItem* Get(Integer Index) const;
  TQvAccessItem* operator[](Integer Index) const { return Get(Index); }
  // Takes the item out of the list and frees it.
  void Delete(Integer Index);
  // Frees the items from the last to the first, then empties the list.
  void Clear() override;

  bool IsInheritedAcl() const { return FIsInheritedACL; }
  // Stores the control word; the list inherits unless SE_DACL_PROTECTED is set.
  void SetSecurityDescriptor(Word Value);
  // The control word as stored (read by the exporters).
  Word SecurityDescriptor() const { return FSecurityDescriptor; }
  // False for an empty list, else True when every item carries acfInherited.
  bool IsAllInheritedAcl() const;
  // True when the last DACL walked into this list was a NULL DACL (absent, or present
  // without an ACL): everyone may do everything. An empty list with this False comes
  // from an empty DACL, which lets nobody do anything.
  bool IsNullDacl() const { return FIsNullDacl; }
  void SetIsNullDacl(bool Value) { FIsNullDacl = Value; }
  // What the last read into this list achieved (set by the DACL readers).
  const TQvReadOutcome& ReadOutcome() const { return FReadOutcome; }
  void SetReadOutcome(const TQvReadOutcome& Value) { FReadOutcome = Value; }

  // One line per item: user, ":", the flag symbols, "(DENY)" for a denied entry and the
  // special-right symbols in parentheses; lines joined by CR LF.
  String GetICacslLikeFormat() const;
  // Puts "securityDescriptor", "IsInheritedAcl" and "acelist" into aJson (which keeps
  // ownership of what is put).
  void SaveToJson(TJSONObject* aJson) const;

 private:
  bool FIsInheritedACL = false;
  Word FSecurityDescriptor = 0;
  bool FIsNullDacl = false;
  TQvReadOutcome FReadOutcome;
};

// ---------------------------------------------------------------------------------------
// Security functions bound by name

// The table of functions the unit calls through. Unit start-up fills the eighteen
// advapi32.dll entries by name (nullptr when missing); the two netapi32.dll entries hold
// stubs that load that library when first called and then bind its entries the same
// way. The last two entries are the directly imported system functions. Tests may replace any entry; a
// nullptr bound entry makes its call raise the missing-library exception.
struct TQvSecurityApi {
  // advapi32.dll, in binding order
  BOOL(WINAPI* ConvertSidToStringSidW)(PSID, LPWSTR*);
  BOOL(WINAPI* IsValidSid)(PSID);
  PSID_IDENTIFIER_AUTHORITY(WINAPI* GetSidIdentifierAuthority)(PSID);
  PUCHAR(WINAPI* GetSidSubAuthorityCount)(PSID);
  PDWORD(WINAPI* GetSidSubAuthority)(PSID, DWORD);
  BOOL(WINAPI* MakeAbsoluteSD)(PSECURITY_DESCRIPTOR, PSECURITY_DESCRIPTOR, LPDWORD, PACL,
                               LPDWORD, PACL, LPDWORD, PSID, LPDWORD, PSID, LPDWORD);
  BOOL(WINAPI* MakeSelfRelativeSD)(PSECURITY_DESCRIPTOR, PSECURITY_DESCRIPTOR, LPDWORD);
  BOOL(WINAPI* GetSecurityDescriptorDacl)(PSECURITY_DESCRIPTOR, LPBOOL, PACL*, LPBOOL);
  BOOL(WINAPI* GetAclInformation)(PACL, LPVOID, DWORD, ACL_INFORMATION_CLASS);
  BOOL(WINAPI* GetAce)(PACL, DWORD, LPVOID*);
  DWORD(WINAPI* GetLengthSid)(PSID);
  BOOL(WINAPI* LookupAccountSidW)(LPCWSTR, PSID, LPWSTR, LPDWORD, LPWSTR, LPDWORD,
                                  PSID_NAME_USE);
  BOOL(WINAPI* LookupAccountNameW)(LPCWSTR, LPCWSTR, PSID, LPDWORD, LPWSTR, LPDWORD,
                                   PSID_NAME_USE);
  DWORD(WINAPI* GetNamedSecurityInfoW)(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION,
                                       PSID*, PSID*, PACL*, PACL*, PSECURITY_DESCRIPTOR*);
  DWORD(WINAPI* SetNamedSecurityInfoW)(LPWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID,
                                       PSID, PACL, PACL);
  BOOL(WINAPI* EqualSid)(PSID, PSID);
  BOOL(WINAPI* AllocateAndInitializeSid)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD,
                                         DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, PSID*);
  BOOL(WINAPI* ConvertStringSidToSidW)(LPCWSTR, PSID*);
  // netapi32.dll
  DWORD(WINAPI* DsGetDcNameW)(LPCWSTR, LPCWSTR, GUID*, LPCWSTR, ULONG,
                              PDOMAIN_CONTROLLER_INFOW*);
  DWORD(WINAPI* NetApiBufferFree)(LPVOID);
  // Imported directly (not bound by name); replaceable by tests all the same.
  BOOL(WINAPI* GetVersionExW)(LPOSVERSIONINFOW);
  HLOCAL(WINAPI* LocalFree)(HLOCAL);
};
extern TQvSecurityApi QvSecurityApi;

// Names of the twenty bound functions, in binding order (18 from advapi32.dll, then 2
// from netapi32.dll).
extern const char* const QvBoundFunctionNames[20];

// Loads advapi32.dll by name and binds its eighteen functions (behind the operating
// system check), as unit start-up does; netapi32.dll is only named here and loads at
// the first call of one of its two entries. A library that does not load leaves its
// entries nullptr (for netapi32.dll: from that first call on, which raises the
// missing-library exception). Frees libraries bound earlier first.
void QvBindSecurityApi(const String& AdvapiName, const String& NetapiName);
// The stored library names (empty before binding).
const String& QvAdvapiLibraryName();
const String& QvNetapiLibraryName();

struct TQvOSVersion {
  DWORD PlatformId;
  DWORD MajorVersion;
  DWORD MinorVersion;
};
// The system's version (EOSError when GetVersionExW fails).
TQvOSVersion GetOSVersion();
// True on the NT family from major version 5; otherwise raises "Windows 2000+ required".
bool CheckWin2000OrLater();
[[noreturn]] void RaiseLibraryNotLoaded();

// The decimal code, ": " and the system's text for it (with its trailing line break).
String WinErrorText(Integer Code);
// The exception RaiseWinError raises: an Exception whose message is Text + ":ErrorCode="
// + Code, which also keeps the code and the text apart for readers that report them.
class EQvWinError : public Exception {
  DECLARE_CLASS(EQvWinError, Exception)
 public:
  EQvWinError(const String& Text, Integer Code);
  Integer Code() const { return FCode; }
  const String& Text() const { return FText; }

 private:
  Integer FCode;
  String FText;
};
// Raises EQvWinError(Text, Code).
[[noreturn]] void RaiseWinError(const String& Text, Integer Code);
// Raises for the last error when it is not 0.
void RaiseLastWinError();
// Raises ":ErrorCode=" + Code when Code is not 0.
void RaiseWinErrorCode(Integer Code);

// ---------------------------------------------------------------------------------------
// SID cache and account names

class TSidHolder : public TObject {
  DECLARE_CLASS(TSidHolder, TObject)
 public:
  TSidHolder() = default;
  ~TSidHolder() override;
  void SetData(const void* ASID, Cardinal ALen, const String& AUserName,
               const String& ADomain);
  const String& UserName() const { return FUserName; }
  const String& Domain() const { return FDomain; }
  const Byte* SID() const { return FSID; }
  Cardinal Len() const { return FLen; }

 private:
  Byte* FSID = nullptr;
  Cardinal FLen = 0;
  String FUserName;
  String FDomain;
};

// The unit keeps its own sorted object list, distinct from the platform's list of the
// same name; it lives in the unit's namespace.
namespace QvNTSecurityUnit {

using TCompareFunc = Integer (*)(TObject* Item1, TObject* Item2);

class TObjectList : public TPersistent {
  DECLARE_CLASS(TObjectList, TPersistent)
 public:
  using TCreateArg = TObject*;  // the virtual constructor takes the owner
  explicit TObjectList(TObject* AOwner = nullptr);
  ~TObjectList() override;

  Integer Count() const { return FList->Count(); }
  TObject* Parent() const { return FParent; }
  TList* List() const { return FList.get(); }
  TObject* Items(Integer Index) const { return static_cast<TObject*>(FList->Items(Index)); }
  bool FreeObjectsOnDestroy() const { return FFreeObjectsOnDestroy; }
  void SetFreeObjectsOnDestroy(bool Value) { FFreeObjectsOnDestroy = Value; }
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

  bool Find(TObject* AObject, TCompareFunc AFunc, Integer& Index) const;
  Integer IndexOf(TObject* AObject, TCompareFunc AFunc) const;
  TObject* FindObject(TObject* AObject, TCompareFunc AFunc) const;
  Integer SortedInsert(TObject* AObject, TCompareFunc AFunc);
  // A new non-owning list of the items equal to AObject (the caller frees it).
  TObjectList* GetListByExample(TObject* AObject, TCompareFunc AFunc) const;
  void Insert(Integer Index, TObject* Item);
  void Sort(TCompareFunc AFunc);
  virtual void Delete(Integer AIndex);
  virtual void Clear();

 private:
  TDuplicates FDuplicates = dupAccept;
  bool FFreeObjectsOnDestroy = true;
  std::unique_ptr<TList> FList;
  TObject* FParent = nullptr;
};

}  // namespace QvNTSecurityUnit

// Orders of the cache: SID order (length, then bytes) and name order (ASCII-upper-cased
// DOMAIN\NAME, by code unit).
Integer CompareSidHolders(TObject* Item1, TObject* Item2);
Integer CompareNameHolders(TObject* Item1, TObject* Item2);

class TSidStore : public TObject {
  DECLARE_CLASS(TSidStore, TObject)
 public:
  TSidStore();
  ~TSidStore() override;
  void Add(const void* ASid, Cardinal ALen, const String& AUserName, const String& ADomain);
  bool FindAccount(const void* ASid, Cardinal ALen, String& AUserName, String& ADomain);
  // The cached SID bytes (the cache's own memory) or nullptr.
  const void* FindSid(const String& AUserName, const String& ADomain);
  Integer Count();

 private:
  std::unique_ptr<TCriticalSection> FCriticalSection;
  std::unique_ptr<TSidHolder> FCompareSID;
  std::unique_ptr<QvNTSecurityUnit::TObjectList> FMainList;
  std::unique_ptr<QvNTSecurityUnit::TObjectList> FNameList;
};

class TQvSidCompressor : public TObject {
  DECLARE_CLASS(TQvSidCompressor, TObject)
 public:
  TQvSidCompressor();
  void AddRule(const String& aSid, const String& aReplaceStr);
  String CompressSid(const String& aSid) const;

 private:
  std::unique_ptr<TStringList> FRules;
};

// Process-wide, from unit start-up to shut-down.
extern TSidStore* SidStore;
extern TQvSidCompressor* SidCompressor;

// The SID's standard text; Ok (when given) tells whether the conversion worked.
String SidToText(PSID Sid, bool* Ok = nullptr);
bool SidToAccount(const String& SystemName, PSID Sid, String& UserName, String& Domain);
String NtAuthorityName(const String& SystemName);
String StripNtAuthority(const String& SystemName, const String& Domain);
String JoinDomainAndName(const String& Domain, const String& Name);
void SplitAccountName(const String& Account, String& Domain, String& Name);
Integer CountWords(const String& S, const String& Delimiters);
Integer FindWordStart(Integer N, const String& S, const String& Delimiters);
String ExtractWordAt(Integer N, const String& S, const String& Delimiters);
// On success Sid is a block of the unit's memory; free it with QvFreeSid.
bool StringToSid(const String& Text, PSID& Sid);
// A SID of the unit's memory (free it with QvFreeSid) or nullptr.
PSID NameToSid(const String& SystemName, const String& AccountName, String& Domain);
void QvFreeSid(PSID Sid);

// ---------------------------------------------------------------------------------------
// Reading a DACL

class TQvNTSecurityBase : public TObject {
  DECLARE_CLASS(TQvNTSecurityBase, TObject)
 public:
  TQvNTSecurityBase() = default;
  ~TQvNTSecurityBase() override;

  // Each is nullptr or a block of the object's own memory.
  PACL pDacl = nullptr;
  PACL pSacl = nullptr;
  PSID pOwner = nullptr;
  PSID pPrimaryGroup = nullptr;
  PSECURITY_DESCRIPTOR RelativeSID = nullptr;
  PSECURITY_DESCRIPTOR AbsoluteSID = nullptr;
};

class TQvNTSecurity : public TQvNTSecurityBase {
  DECLARE_CLASS(TQvNTSecurity, TQvNTSecurityBase)
 public:
  TQvNTSecurity() = default;
  ~TQvNTSecurity() override;

  // Reads aFileName's DACL and walks it into aAccessList; never raises. The list's
  // ReadOutcome tells whether the whole DACL was read, where the walk stopped and why,
  // or why nothing could be read (the list then keeps what it held).
  void GetAccessList(const String& aFileName, TQvAccessList* aAccessList,
                     const String& aSystemName);
  // Walks the DACL of any descriptor into aAccessList and sets its ReadOutcome; never
  // raises.
  void GetAccessListFromSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                           TQvAccessList* aAccessList,
                                           const String& aSystemName);
  String SidToString(PSID aSid);

  // Rights mapped with the file mapping (the result keeps SYNCHRONIZE when mapped).
  static Cardinal MapGenericFileMask(Cardinal Mask);
  // The canonical order: explicit before inherited, denied before allowed within each,
  // then by Index.
  static Integer CompareAceOrder(TQvAccessItem* A, TQvAccessItem* B);
  // The mask an item is written with: its raw mask as read when the item's Mask still
  // is that raw mask normalised (so generic rights, SYNCHRONIZE and other bits survive),
  // otherwise the Mask the caller set.
  static Cardinal MaskToWrite(const TQvAccessItem* Item);

 protected:
  // Replaces Path's DACL by the list's allowed and denied entries in canonical order.
  void WriteAccessList(const String& Path, TQvAccessList* aAccessList);
  void WriteSecurity(const String& Path, SECURITY_INFORMATION Info);
  bool GetSidsWithRight(const String& Path, Cardinal Right, TStrings* AllowedSids,
                        TStrings* DeniedSids);
  Word ReadSecurity(const String& Name, SECURITY_INFORMATION Info);
  void MakeAbsolute();
  void MakeSelfRelative();
  void FreeDescriptors();

 private:
  void BuildAbsoluteFrom(PSECURITY_DESCRIPTOR Relative);
  void BuildSelfRelativeFrom(PSECURITY_DESCRIPTOR Absolute);
  void FreeAbsoluteParts();
};

class TQvNTFileSecurity : public TQvNTSecurity {
  DECLARE_CLASS(TQvNTFileSecurity, TQvNTSecurity)
 public:
  explicit TQvNTFileSecurity(const String& aFileName) : FFileName(aFileName) {}
  const String& FileName() const { return FFileName; }
  void GetAccessList(TQvAccessList* aAccessList, const String& aSystemName);
  // Writing raises every failure (the Windows error text with ":ErrorCode=").
  void SetAccessControlList(TQvAccessList* aAccessList);
  // Drops every explicit entry: the path keeps only what it inherits.
  void InheritAclFromParent();
  // The SIDs (upper-cased, compressed) allowed and denied listing the folder that
  // contains the path. Never raises; False when the folder's DACL could not be read
  // whole (the lists then hold what was read).
  bool GetDirectoryListableSids(TStrings* aAllowedSids, TStrings* aDeniedSids);
  // The same for reading the path's own data (False when its DACL was not read whole).
  bool GetDataReadableSids(TStrings* aAllowedSids, TStrings* aDeniedSids);

 private:
  String FFileName;
};

// ---------------------------------------------------------------------------------------
// Captions and symbols

struct TQvPermissionLevel {
  const wchar_t* Caption;
  const wchar_t* Symbol;
  Cardinal Mask;
};
struct TQvSpecialRight {
  const wchar_t* Caption;
  const wchar_t* Symbol;
  Cardinal Bit;
};
struct TQvApplyTo {
  const wchar_t* Caption;
  Byte Key;
};
extern const TQvPermissionLevel QvPermissionLevels[8];
extern const TQvSpecialRight QvSpecialRights[13];
extern const TQvApplyTo QvApplyTos[7];

Integer FindPermissionLevel(Cardinal Mask);
String MaskCaption(Cardinal Mask);
String MaskSymbol(Cardinal Mask);
String FlagsText(TQvAceFlags Flags);
String ApplyToText(TQvAceFlags Flags);
String AceTypeText(TQvAceType AceType);

// Unit start-up: creates the SID cache and compressor, checks the system and binds the
// security functions; shut-down frees the libraries and the cache.
extern const TUnitInfo QvNTSecurityUnitUnit;
