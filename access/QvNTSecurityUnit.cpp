#include "QvNTSecurityUnit.h"

#include <sddl.h>

#include "Libraries.h"
#include "ZvJson.h"

#include <algorithm>
#include <new>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------------------
// Unit state

TQvSecurityApi QvSecurityApi = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, &::GetVersionExW, &::LocalFree,
};

const char* const QvBoundFunctionNames[20] = {
    "ConvertSidToStringSidW", "IsValidSid", "GetSidIdentifierAuthority",
    "GetSidSubAuthorityCount", "GetSidSubAuthority", "MakeAbsoluteSD",
    "MakeSelfRelativeSD", "GetSecurityDescriptorDacl", "GetAclInformation", "GetAce",
    "GetLengthSid", "LookupAccountSidW", "LookupAccountNameW", "GetNamedSecurityInfoW",
    "SetNamedSecurityInfoW", "EqualSid", "AllocateAndInitializeSid",
    "ConvertStringSidToSidW", "DsGetDcNameW", "NetApiBufferFree",
};

TSidStore* SidStore = nullptr;
TQvSidCompressor* SidCompressor = nullptr;

namespace {

String gAdvapiName;
String gNetapiName;
TLibrary gAdvapi;
TLibrary gNetapi;
bool gNetapiBound = false;  // netapi32.dll's entries were bound (see BindNetapiNow)

// The bound entries of the table in binding order, as untyped slots.
void** BoundSlot(int i) {
  void** first = reinterpret_cast<void**>(&QvSecurityApi);
  return first + i;
}
static_assert(sizeof(TQvSecurityApi) == 22 * sizeof(void*));

void ClearBindings() {
  for (int i = 0; i < 20; ++i) *BoundSlot(i) = nullptr;
}

void FreeLibraries() {
  gAdvapi.Free();
  gNetapi.Free();
  gNetapiBound = false;
}

void BindLibrary(TLibrary& Library, const String& Name, int First, int Last) {
  if (!Library.Load(Name.c_str())) return;
  for (int i = First; i <= Last; ++i)
    *BoundSlot(i) = reinterpret_cast<void*>(Library.Entry(QvBoundFunctionNames[i]));
}

// The call stub: the bound function, or the missing-library exception.
template <class F>
F Bound(F f) {
  if (!f) RaiseLibraryNotLoaded();
  return f;
}

// netapi32.dll is loaded when one of its functions is first called, not at start-up:
// nothing calls them on the program's usual paths, and loading the library and what it
// links costs start-up time and memory. Until then its two entries hold these stubs,
// which bind the library's entries (nullptr when it does not load) and call through.

void BindNetapiNow() {
  if (gNetapiBound) return;
  gNetapiBound = true;
  QvSecurityApi.DsGetDcNameW = nullptr;
  QvSecurityApi.NetApiBufferFree = nullptr;
  BindLibrary(gNetapi, gNetapiName, 18, 19);
}

DWORD WINAPI LazyDsGetDcName(LPCWSTR ComputerName, LPCWSTR DomainName, GUID* DomainGuid, LPCWSTR SiteName,
                             ULONG Flags, PDOMAIN_CONTROLLER_INFOW* Info) {
  BindNetapiNow();
  return Bound(QvSecurityApi.DsGetDcNameW)(ComputerName, DomainName, DomainGuid, SiteName, Flags, Info);
}

DWORD WINAPI LazyNetApiBufferFree(LPVOID Buffer) {
  BindNetapiNow();
  return Bound(QvSecurityApi.NetApiBufferFree)(Buffer);
}

// A failed call whose last error may be 0: raise for the last error, else a bare code.
[[noreturn]] void RaiseFailure() {
  RaiseLastWinError();
  RaiseWinError(String(), -1);
}

void* QvAlloc(size_t Size) {
  if (Size == 0) return nullptr;
  void* p = std::calloc(1, Size);
  if (!p) throw EOutOfMemory(L"Out of memory");
  return p;
}
void QvFree(void* p) { std::free(p); }

// Releases a block the system allocated, on every way out of a scope.
class TLocalBlock {
 public:
  explicit TLocalBlock(void* p) : p_(p) {}
  ~TLocalBlock() { Release(); }
  TLocalBlock(const TLocalBlock&) = delete;
  TLocalBlock& operator=(const TLocalBlock&) = delete;
  void Release() {
    if (p_) QvSecurityApi.LocalFree(p_);
    p_ = nullptr;
  }

 private:
  void* p_;
};

// S-1-5-18 (the local system account) and S-1-5-1, as their binary bytes.
const Byte kLocalSystemSid[12] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const Byte kNtAuthorityProbeSid[12] = {1, 1, 0, 0, 0, 0, 0, 5, 1, 0, 0, 0};

struct TQvFreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using TOwnedBlock = std::unique_ptr<void, TQvFreeDeleter>;

}  // namespace

// ---------------------------------------------------------------------------------------
// Access items and lists

Byte QvAceFlagsByte(TQvAceFlags Flags) { return static_cast<Byte>(Flags.ToInt()); }
TQvAceFlags QvAceFlagsFromSetByte(Byte Value) { return TQvAceFlags::FromInt(Value & 0x1F); }

TQvAceFlags AceFlagsFromByte(Byte AceFlags) {
  Byte b = AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERITED_ACE);
  if (AceFlags & INHERIT_ONLY_ACE) b |= 0x04;
  if (AceFlags & NO_PROPAGATE_INHERIT_ACE) b |= 0x08;
  return QvAceFlagsFromSetByte(b);
}

Byte AceFlagsToByte(TQvAceFlags Flags, TQvAceType AceType) {
  Byte s = QvAceFlagsByte(Flags);
  Byte b = s & 0x13;
  if (s & 0x04) b |= INHERIT_ONLY_ACE;
  if (s & 0x08) b |= NO_PROPAGATE_INHERIT_ACE;
  if (AceType == actAuditSuccess || AceType == actAuditFull) b |= SUCCESSFUL_ACCESS_ACE_FLAG;
  if (AceType == actAuditFailure || AceType == actAuditFull) b |= FAILED_ACCESS_ACE_FLAG;
  return b;
}

TQvAceType AceTypeFromHeader(Byte AceFlags, Byte AceTypeByte) {
  switch (AceTypeByte) {
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
      return actAccessDenied;
    case SYSTEM_AUDIT_ACE_TYPE: {
      bool ok = AceFlags & SUCCESSFUL_ACCESS_ACE_FLAG;
      bool failed = AceFlags & FAILED_ACCESS_ACE_FLAG;
      if (ok && failed) return actAuditFull;
      if (ok) return actAuditSuccess;
      if (failed) return actAuditFailure;
      return actAccessAllowed;
    }
    default:
      return actAccessAllowed;
  }
}

bool HasInheritedFlag(TQvAceFlags Flags) { return Flags.Contains(acfInherited); }

int QvAceSidOffset(const void* Ace) {
  const Byte* p = static_cast<const Byte*>(Ace);
  const ACE_HEADER* h = static_cast<const ACE_HEADER*>(Ace);
  int off;
  switch (h->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case SYSTEM_AUDIT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
      off = 8;  // header, mask, SID
      break;
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE: {
      // header, mask, flags word, then each GUID the flags announce, then the SID
      if (h->AceSize < 12) return -1;
      DWORD flags;
      std::memcpy(&flags, p + 8, 4);
      off = 12;
      if (flags & ACE_OBJECT_TYPE_PRESENT) off += 16;
      if (flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) off += 16;
      break;
    }
    default:
      return -1;
  }
  if (h->AceSize < off + 8) return -1;
  const Byte revision = p[off];
  const Byte subCount = p[off + 1];
  if (revision != SID_REVISION || subCount > SID_MAX_SUB_AUTHORITIES) return -1;
  if (h->AceSize < off + 8 + 4 * subCount) return -1;
  return off;
}

namespace {
struct TDumpLine {
  const wchar_t* Name;
  Cardinal Bit;
};
const TDumpLine kDumpLines[13] = {
    {L"READ_DATA", 0x1},        {L"LIST_DIRECTORY", 0x1},       {L"WRITE_DATA", 0x2},
    {L"ADD_FILE", 0x2},         {L"ADD_SUBDIRECTORY", 0x4},     {L"CREATE_PIPE_INSTANCE", 0x4},
    {L"READ_EA", 0x8},          {L"WRITE_EA", 0x10},            {L"EXECUTE", 0x20},
    {L"TRAVERSE", 0x20},        {L"DELETE_CHILD", 0x40},        {L"READ_ATTRIBUTES", 0x80},
    {L"WRITE_ATTRIBUTES", 0x100},
};
}  // namespace

String TQvAccessItem::Dump() const {
  String r;
  for (int i = 0; i < 13; ++i) {
    if (i > 0) r += L"\r\n";
    r += kDumpLines[i].Name;
    r += L'\t';
    r += (FMask & kDumpLines[i].Bit) == kDumpLines[i].Bit ? L"X" : L"-";
  }
  return r;
}

TQvAccessList::~TQvAccessList() { Clear(); }

Integer TQvAccessList::Add(TQvAccessItem* Item) { return TList::Add(Item); }

TQvAccessItem* TQvAccessList::Add() {
  auto* item = new TQvAccessItem();
  item->SetIndex(Add(item));
  return item;
}

TQvAccessItem* TQvAccessList::Get(Integer Index) const {
  return static_cast<TQvAccessItem*>(TList::Get(Index));
}

void TQvAccessList::Delete(Integer Index) {
  TQvAccessItem* item = Get(Index);
  TList::Delete(Index);
  delete item;
}

void TQvAccessList::Clear() {
  for (Integer i = Count() - 1; i >= 0; --i) Delete(i);
  TList::Clear();
}

void TQvAccessList::SetSecurityDescriptor(Word Value) {
  FSecurityDescriptor = Value;
  FIsInheritedACL = (Value & SE_DACL_PROTECTED) == 0;
}

bool TQvAccessList::IsAllInheritedAcl() const {
  if (Count() == 0) return false;
  for (Integer i = 0; i < Count(); ++i)
    if (!Get(i)->Flags().Contains(acfInherited)) return false;
  return true;
}

// ---------------------------------------------------------------------------------------
// Binding, version check and error texts

void QvBindSecurityApi(const String& AdvapiName, const String& NetapiName) {
  FreeLibraries();
  ClearBindings();
  CheckWin2000OrLater();
  gAdvapiName = AdvapiName;
  BindLibrary(gAdvapi, gAdvapiName, 0, 17);
  CheckWin2000OrLater();
  gNetapiName = NetapiName;
  gNetapiBound = false;
  QvSecurityApi.DsGetDcNameW = &LazyDsGetDcName;
  QvSecurityApi.NetApiBufferFree = &LazyNetApiBufferFree;
}

const String& QvAdvapiLibraryName() { return gAdvapiName; }
const String& QvNetapiLibraryName() { return gNetapiName; }

TQvOSVersion GetOSVersion() {
  OSVERSIONINFOW info;
  std::memset(&info, 0, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  SetLastError(0);
  if (!QvSecurityApi.GetVersionExW(&info)) RaiseLastOSError();
  return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
}

bool CheckWin2000OrLater() {
  TQvOSVersion v = GetOSVersion();
  if (v.PlatformId == VER_PLATFORM_WIN32_NT && v.MajorVersion >= 5) return true;
  throw Exception(L"Windows 2000+ required");
}

void RaiseLibraryNotLoaded() {
  throw Exception(L"Cannot load library \"" + gAdvapiName + L" or " + gNetapiName +
                  L"\" or linked libraries. Not Windows 2000?");
}

String WinErrorText(Integer Code) {
  std::vector<wchar_t> buf(1024, L'\0');
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(Code), 0, buf.data(), 1024, nullptr);
  String text = n ? String(buf.data()) : String();
  return IntToStr(Code) + L": " + text;
}

EQvWinError::EQvWinError(const String& Text, Integer Code)
    : Exception(Text + L":ErrorCode=" + IntToStr(Code)), FCode(Code), FText(Text) {}

void RaiseWinError(const String& Text, Integer Code) { throw EQvWinError(Text, Code); }

void RaiseLastWinError() {
  DWORD code = GetLastError();
  if (code != 0) RaiseWinError(WinErrorText(static_cast<Integer>(code)), static_cast<Integer>(code));
}

void RaiseWinErrorCode(Integer Code) {
  if (Code != 0) RaiseWinError(String(), Code);
}

// ---------------------------------------------------------------------------------------
// SID cache

TSidHolder::~TSidHolder() { QvFree(FSID); }

void TSidHolder::SetData(const void* ASID, Cardinal ALen, const String& AUserName,
                         const String& ADomain) {
  QvFree(FSID);
  FSID = nullptr;
  FLen = 0;
  if (ALen != 0 && ASID) {
    FSID = static_cast<Byte*>(QvAlloc(ALen));
    std::memcpy(FSID, ASID, ALen);
    FLen = ALen;
  }
  FUserName = AUserName;
  FDomain = ADomain;
}

namespace QvNTSecurityUnit {

TObjectList::TObjectList(TObject* AOwner) : FList(new TList()), FParent(AOwner) {}

TObjectList::~TObjectList() {
  if (FFreeObjectsOnDestroy)
    for (Integer i = 0; i < Count(); ++i) delete Items(i);
}

bool TObjectList::Find(TObject* AObject, TCompareFunc AFunc, Integer& Index) const {
  Integer low = 0, high = Count() - 1;
  bool result = false;
  while (low <= high) {
    Integer mid = (low + high) / 2;
    Integer c = AFunc(Items(mid), AObject);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        result = true;
        if (FDuplicates != dupAccept) low = mid;
      }
    }
  }
  Index = low;
  return result;
}

Integer TObjectList::IndexOf(TObject* AObject, TCompareFunc AFunc) const {
  Integer i = 0;
  return Find(AObject, AFunc, i) ? i : -1;
}

TObject* TObjectList::FindObject(TObject* AObject, TCompareFunc AFunc) const {
  Integer low = 0, high = Count() - 1;
  while (low <= high) {
    Integer mid = (low + high) / 2;
    Integer c = AFunc(Items(mid), AObject);
    if (c == 0) return Items(mid);
    if (c < 0) low = mid + 1; else high = mid - 1;
  }
  return nullptr;
}

Integer TObjectList::SortedInsert(TObject* AObject, TCompareFunc AFunc) {
  Integer i = 0;
  Find(AObject, AFunc, i);
  Insert(i, AObject);
  return i;
}

TObjectList* TObjectList::GetListByExample(TObject* AObject, TCompareFunc AFunc) const {
  auto* r = new TObjectList(nullptr);
  r->SetFreeObjectsOnDestroy(false);
  Integer i = IndexOf(AObject, AFunc);
  if (i < 0) return r;
  r->FList->Add(Items(i));
  for (Integer j = i - 1; j >= 0 && AFunc(Items(j), AObject) == 0; --j) r->FList->Add(Items(j));
  for (Integer j = i + 1; j < Count() && AFunc(Items(j), AObject) == 0; ++j)
    r->FList->Add(Items(j));
  return r;
}

void TObjectList::Insert(Integer Index, TObject* Item) { FList->Insert(Index, Item); }

void TObjectList::Sort(TCompareFunc AFunc) {
  FList->Sort([AFunc](Pointer a, Pointer b) {
    return AFunc(static_cast<TObject*>(a), static_cast<TObject*>(b));
  });
}

void TObjectList::Delete(Integer AIndex) {
  TObject* o = Items(AIndex);
  if (o && FFreeObjectsOnDestroy) delete o;
  FList->Delete(AIndex);
}

void TObjectList::Clear() {
  if (FFreeObjectsOnDestroy)
    for (Integer i = 0; i < Count(); ++i) {
      delete Items(i);
      FList->SetItems(i, nullptr);
    }
  FList->Clear();
}

}  // namespace QvNTSecurityUnit

using QvNTSecurityUnit::TObjectList;

Integer CompareSidHolders(TObject* Item1, TObject* Item2) {
  auto* a = static_cast<TSidHolder*>(Item1);
  auto* b = static_cast<TSidHolder*>(Item2);
  if (a->Len() != b->Len()) return a->Len() < b->Len() ? -1 : 1;
  for (Cardinal i = 0; i < a->Len(); ++i)
    if (a->SID()[i] != b->SID()[i]) return a->SID()[i] < b->SID()[i] ? -1 : 1;
  return 0;
}

Integer CompareNameHolders(TObject* Item1, TObject* Item2) {
  auto* a = static_cast<TSidHolder*>(Item1);
  auto* b = static_cast<TSidHolder*>(Item2);
  String ka = UpperCase(a->Domain()) + L"\\" + UpperCase(a->UserName());
  String kb = UpperCase(b->Domain()) + L"\\" + UpperCase(b->UserName());
  int c = ka.compare(kb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {
// Holds a critical section for one scope.
class TLockScope {
 public:
  explicit TLockScope(TCriticalSection* Lock) : lock_(Lock) { lock_->Acquire(); }
  ~TLockScope() { lock_->Release(); }
  TLockScope(const TLockScope&) = delete;
  TLockScope& operator=(const TLockScope&) = delete;

 private:
  TCriticalSection* lock_;
};
}  // namespace

TSidStore::TSidStore()
    : FCriticalSection(new TCriticalSection()),
      FCompareSID(new TSidHolder()),
      FMainList(new TObjectList(this)),
      FNameList(new TObjectList(this)) {
  FMainList->SetFreeObjectsOnDestroy(true);
  FNameList->SetFreeObjectsOnDestroy(false);
}

TSidStore::~TSidStore() {
  FCompareSID.reset();
  FMainList.reset();
  FNameList.reset();
  FCriticalSection.reset();
}

void TSidStore::Add(const void* ASid, Cardinal ALen, const String& AUserName,
                    const String& ADomain) {
  auto* holder = new TSidHolder();
  holder->SetData(ASid, ALen, AUserName, ADomain);
  TLockScope lock(FCriticalSection.get());
  FMainList->SortedInsert(holder, CompareSidHolders);
  FNameList->SortedInsert(holder, CompareNameHolders);
}

bool TSidStore::FindAccount(const void* ASid, Cardinal ALen, String& AUserName,
                            String& ADomain) {
  AUserName.clear();
  ADomain.clear();
  TLockScope lock(FCriticalSection.get());
  FCompareSID->SetData(ASid, ALen, String(), String());
  Integer i = 0;
  if (!FMainList->Find(FCompareSID.get(), CompareSidHolders, i)) return false;
  auto* holder = static_cast<TSidHolder*>(FMainList->Items(i));
  AUserName = holder->UserName();
  ADomain = holder->Domain();
  return true;
}

const void* TSidStore::FindSid(const String& AUserName, const String& ADomain) {
  TLockScope lock(FCriticalSection.get());
  FCompareSID->SetData(nullptr, 0, AUserName, ADomain);
  Integer i = 0;
  if (!FNameList->Find(FCompareSID.get(), CompareNameHolders, i)) return nullptr;
  return static_cast<TSidHolder*>(FNameList->Items(i))->SID();
}

Integer TSidStore::Count() {
  TLockScope lock(FCriticalSection.get());
  return FMainList->Count();
}

TQvSidCompressor::TQvSidCompressor() : FRules(new TStringList()) {}

void TQvSidCompressor::AddRule(const String& aSid, const String& aReplaceStr) {
  FRules->Add(aSid + L"=" + aReplaceStr);
}

String TQvSidCompressor::CompressSid(const String& aSid) const {
  String r = aSid;
  for (Integer i = 0; i < FRules->Count(); ++i) {
    const String rule = FRules->Strings(i);
    size_t eq = rule.find(L'=');
    String name = rule.substr(0, eq);
    String value = eq == String::npos ? String() : rule.substr(eq + 1);
    size_t at = r.find(name);
    if (!name.empty() && at != String::npos) r.replace(at, name.size(), value);
  }
  return r;
}

// ---------------------------------------------------------------------------------------
// Account names

String SidToText(PSID Sid, bool* Ok) {
  LPWSTR text = nullptr;
  bool ok = Bound(QvSecurityApi.ConvertSidToStringSidW)(Sid, &text) != FALSE;
  String r;
  if (ok && text) r = text;
  if (text) QvSecurityApi.LocalFree(text);
  if (Ok) *Ok = ok;
  return r;
}

bool SidToAccount(const String& SystemName, PSID Sid, String& UserName, String& Domain) {
  const Cardinal len = Bound(QvSecurityApi.GetLengthSid)(Sid);
  if (SidStore && SidStore->FindAccount(Sid, len, UserName, Domain)) return true;
  UserName.clear();
  Domain.clear();
  auto lookup = Bound(QvSecurityApi.LookupAccountSidW);
  LPCWSTR system = SystemName.empty() ? nullptr : SystemName.c_str();
  DWORD nameCap = 128, domainCap = 128;
  std::vector<wchar_t> name, domain;
  BOOL ok = FALSE;
  // Names longer than the first buffers: the system reports the sizes it needs (with
  // the NUL); retry with those, a few times in case the account changes meanwhile.
  for (int attempt = 0; attempt < 4; ++attempt) {
    name.assign(nameCap + 1, L'\0');
    domain.assign(domainCap + 1, L'\0');
    DWORD n = nameCap, d = domainCap;
    SID_NAME_USE use;
    ok = lookup(system, Sid, name.data(), &n, domain.data(), &d, &use);
    if (ok || GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    if (n <= nameCap && d <= domainCap) break;  // no larger size reported
    nameCap = std::max(nameCap, n);
    domainCap = std::max(domainCap, d);
  }
  if (!ok) {
    DWORD err = GetLastError();
    if (err == ERROR_NONE_MAPPED || err == ERROR_TRUSTED_RELATIONSHIP_FAILURE) {
      Domain.clear();
      UserName = SidToText(Sid);
      return true;
    }
    SetLastError(err);
    return false;
  }
  name.back() = L'\0';
  domain.back() = L'\0';
  UserName = name.data();
  Domain = domain.data();
  SetLastError(0);
  if (Bound(QvSecurityApi.EqualSid)(Sid, const_cast<Byte*>(kLocalSystemSid))) Domain.clear();
  if (SidStore) SidStore->Add(Sid, len, UserName, Domain);
  return true;
}

String NtAuthorityName(const String& SystemName) {
  String name, domain;
  if (SidToAccount(SystemName, const_cast<Byte*>(kNtAuthorityProbeSid), name, domain))
    return domain;
  return L"NT AUTHORITY";
}

String StripNtAuthority(const String& SystemName, const String& Domain) {
  return Domain == NtAuthorityName(SystemName) ? String() : Domain;
}

String JoinDomainAndName(const String& Domain, const String& Name) {
  return Domain.empty() ? Name : Domain + L"\\" + Name;
}

Integer CountWords(const String& S, const String& Delimiters) {
  Integer n = 0;
  bool inWord = false;
  for (wchar_t c : S) {
    bool delim = Delimiters.find(c) != String::npos;
    if (!delim && !inWord) ++n;
    inWord = !delim;
  }
  return n;
}

Integer FindWordStart(Integer N, const String& S, const String& Delimiters) {
  Integer n = 0;
  bool inWord = false;
  for (size_t i = 0; i < S.size(); ++i) {
    bool delim = Delimiters.find(S[i]) != String::npos;
    if (!delim && !inWord && ++n == N) return static_cast<Integer>(i) + 1;
    inWord = !delim;
  }
  return 0;
}

String ExtractWordAt(Integer N, const String& S, const String& Delimiters) {
  Integer start = FindWordStart(N, S, Delimiters);
  if (start == 0) return String();
  size_t i = static_cast<size_t>(start) - 1, j = i;
  while (j < S.size() && Delimiters.find(S[j]) == String::npos) ++j;
  return S.substr(i, j - i);
}

void SplitAccountName(const String& Account, String& Domain, String& Name) {
  if (CountWords(Account, L"\\") < 2) {
    Domain.clear();
    Name = Account;
    return;
  }
  Domain = ExtractWordAt(1, Account, L"\\");
  Name = ExtractWordAt(2, Account, L"\\");
}

void QvFreeSid(PSID Sid) { QvFree(Sid); }

bool StringToSid(const String& Text, PSID& Sid) {
  Sid = nullptr;
  CheckWin2000OrLater();
  wchar_t buf[256];
  size_t n = std::min<size_t>(Text.size(), 255);
  std::wmemcpy(buf, Text.data(), n);
  buf[n] = L'\0';
  PSID sys = nullptr;
  if (!Bound(QvSecurityApi.ConvertStringSidToSidW)(buf, &sys) || !sys) return false;
  TLocalBlock guard(sys);
  DWORD len = Bound(QvSecurityApi.GetLengthSid)(sys);
  Sid = QvAlloc(len);
  std::memcpy(Sid, sys, len);
  return true;
}

PSID NameToSid(const String& SystemName, const String& AccountName, String& Domain) {
  String domainPart, namePart;
  SplitAccountName(AccountName, domainPart, namePart);
  if (SidStore) {
    if (const void* cached = SidStore->FindSid(namePart, domainPart)) {
      DWORD len = Bound(QvSecurityApi.GetLengthSid)(const_cast<void*>(cached));
      PSID sid = QvAlloc(len);
      CopySid(len, sid, const_cast<void*>(cached));
      return sid;
    }
  }
  auto lookup = Bound(QvSecurityApi.LookupAccountNameW);
  LPCWSTR system = SystemName.empty() ? nullptr : SystemName.c_str();
  std::vector<wchar_t> domain(256, L'\0');
  DWORD sidSize = 0, domainCap = 256;
  SID_NAME_USE use;
  lookup(system, AccountName.c_str(), nullptr, &sidSize, domain.data(), &domainCap, &use);
  PSID sid = nullptr;
  bool found = false;
  if (sidSize > 0) {
    // The first call reports the domain's size too when 256 characters are not enough.
    if (domainCap > domain.size()) domain.assign(domainCap, L'\0');
    domainCap = static_cast<DWORD>(domain.size());
    sid = QvAlloc(sidSize);
    if (lookup(system, AccountName.c_str(), sid, &sidSize, domain.data(), &domainCap, &use)) {
      found = true;
    } else {
      QvFree(sid);
      sid = nullptr;
    }
  }
  DWORD err = GetLastError();
  if (err == ERROR_NONE_MAPPED && !sid) {
    if (!StringToSid(AccountName, sid)) SetLastError(err);
  } else {
    SetLastError(err);
  }
  domain.back() = L'\0';
  Domain = found ? String(domain.data()) : String();
  if (sid && SidStore)
    SidStore->Add(sid, Bound(QvSecurityApi.GetLengthSid)(sid), namePart, Domain);
  return sid;
}

// ---------------------------------------------------------------------------------------
// Reading a DACL

TQvNTSecurityBase::~TQvNTSecurityBase() {
  QvFree(pSacl);
  QvFree(pDacl);
  QvFree(pOwner);
  QvFree(pPrimaryGroup);
  QvFree(RelativeSID);
  QvFree(AbsoluteSID);
}

TQvNTSecurity::~TQvNTSecurity() { FreeDescriptors(); }

void TQvNTSecurity::FreeAbsoluteParts() {
  QvFree(pSacl);
  pSacl = nullptr;
  QvFree(pDacl);
  pDacl = nullptr;
  QvFree(pOwner);
  pOwner = nullptr;
  QvFree(pPrimaryGroup);
  pPrimaryGroup = nullptr;
  QvFree(AbsoluteSID);
  AbsoluteSID = nullptr;
}

void TQvNTSecurity::FreeDescriptors() {
  FreeAbsoluteParts();
  QvFree(RelativeSID);
  RelativeSID = nullptr;
}

void TQvNTSecurity::BuildAbsoluteFrom(PSECURITY_DESCRIPTOR Relative) {
  FreeAbsoluteParts();
  auto make = Bound(QvSecurityApi.MakeAbsoluteSD);
  DWORD sdSize = 0, daclSize = 0, saclSize = 0, ownerSize = 0, groupSize = 0;
  make(Relative, nullptr, &sdSize, nullptr, &daclSize, nullptr, &saclSize, nullptr,
       &ownerSize, nullptr, &groupSize);  // learns the sizes; its failure is expected
  AbsoluteSID = QvAlloc(sdSize);
  pDacl = static_cast<PACL>(QvAlloc(daclSize));
  pSacl = static_cast<PACL>(QvAlloc(saclSize));
  pOwner = QvAlloc(ownerSize);
  pPrimaryGroup = QvAlloc(groupSize);
  if (!make(Relative, AbsoluteSID, &sdSize, pDacl, &daclSize, pSacl, &saclSize, pOwner,
            &ownerSize, pPrimaryGroup, &groupSize)) {
    DWORD err = GetLastError();
    RaiseWinErrorCode(static_cast<Integer>(err));
    RaiseWinErrorCode(-1);
  }
}

void TQvNTSecurity::BuildSelfRelativeFrom(PSECURITY_DESCRIPTOR Absolute) {
  QvFree(RelativeSID);
  RelativeSID = nullptr;
  auto make = Bound(QvSecurityApi.MakeSelfRelativeSD);
  DWORD size = 0;
  make(Absolute, nullptr, &size);
  if (size == 0) RaiseFailure();
  RelativeSID = QvAlloc(size);
  if (!make(Absolute, RelativeSID, &size)) RaiseFailure();
}

void TQvNTSecurity::MakeAbsolute() {
  if (RelativeSID) BuildAbsoluteFrom(RelativeSID);
}

void TQvNTSecurity::MakeSelfRelative() { BuildSelfRelativeFrom(AbsoluteSID); }

Word TQvNTSecurity::ReadSecurity(const String& Name, SECURITY_INFORMATION Info) {
  FreeDescriptors();
  PSID owner = nullptr, group = nullptr;
  PACL dacl = nullptr, sacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  DWORD c = Bound(QvSecurityApi.GetNamedSecurityInfoW)(Name.c_str(), SE_FILE_OBJECT, Info,
                                                       &owner, &group, &dacl, &sacl, &sd);
  // The system's block goes back with LocalFree however this ends.
  TLocalBlock system(sd);
  if (c != 0) RaiseWinError(WinErrorText(static_cast<Integer>(c)), static_cast<Integer>(c));
  if (!sd) RaiseWinErrorCode(ERROR_INVALID_SECURITY_DESCR);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!GetSecurityDescriptorControl(sd, &control, &revision)) RaiseFailure();
  if (control & SE_SELF_RELATIVE) {
    BuildAbsoluteFrom(sd);
    system.Release();
    BuildSelfRelativeFrom(AbsoluteSID);
  } else {
    BuildSelfRelativeFrom(sd);
    system.Release();
    BuildAbsoluteFrom(RelativeSID);
  }
  return control;
}

Cardinal TQvNTSecurity::MapGenericFileMask(Cardinal Mask) {
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  DWORD m = Mask;
  MapGenericMask(&m, &mapping);
  return m;
}

String TQvNTSecurity::SidToString(PSID aSid) {
  bool ok = false;
  String s = SidToText(aSid, &ok);
  return ok ? s : String();
}

namespace {

// The outcome of a read that ended in the exception being handled: Result, the entry it
// stopped at, and the failure's Windows error and text.
TQvReadOutcome FailedRead(TQvReadResult Result, Integer StoppedAt) {
  TQvReadOutcome o;
  o.Result = Result;
  o.StoppedAt = StoppedAt;
  o.ErrorCode = -1;
  try {
    throw;
  } catch (const EQvWinError& e) {
    o.ErrorCode = e.Code();
    o.ErrorText = e.Code() > 0 ? SysErrorMessage(static_cast<DWORD>(e.Code())) : e.Text();
  } catch (const Exception& e) {
    o.ErrorText = e.Message();
  } catch (const std::bad_alloc&) {
    o.ErrorCode = ERROR_NOT_ENOUGH_MEMORY;
    o.ErrorText = SysErrorMessage(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    // Reading never raises, whatever failed; such a failure has no text to tell.
  }
  return o;
}

}  // namespace

void TQvNTSecurity::GetAccessList(const String& aFileName, TQvAccessList* aAccessList,
                                  const String& aSystemName) {
  try {
    Word control = ReadSecurity(aFileName, DACL_SECURITY_INFORMATION);
    if (RelativeSID) {
      aAccessList->SetSecurityDescriptor(control);
      GetAccessListFromSecurityDescriptor(RelativeSID, aAccessList, aSystemName);
    }
  } catch (...) {
    // Reading never raises; the list keeps what it held and says it was not read.
    aAccessList->SetReadOutcome(FailedRead(qrNotRead, -1));
  }
}

void TQvNTSecurity::GetAccessListFromSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                                        TQvAccessList* aAccessList,
                                                        const String& aSystemName) {
  // The entry being read; -1 while the DACL itself is being read.
  Integer at = -1;
  try {
    aAccessList->Clear();
    aAccessList->SetIsNullDacl(false);
    aAccessList->SetReadOutcome(TQvReadOutcome{});
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!Bound(QvSecurityApi.GetSecurityDescriptorDacl)(pSecurityDescriptor, &present, &dacl,
                                                        &defaulted))
      RaiseFailure();
    if (!present || !dacl) {
      // No DACL: nothing restricts access. The list stays empty and says so.
      aAccessList->SetIsNullDacl(true);
      aAccessList->SetReadOutcome(TQvReadOutcome{qrComplete, -1, 0, String()});
      return;
    }
    Byte info[255];
    std::memset(info, 0, sizeof(info));
    if (!Bound(QvSecurityApi.GetAclInformation)(dacl, info, sizeof(info), AclSizeInformation))
      RaiseFailure();
    DWORD count;
    std::memcpy(&count, info, sizeof(count));
    for (DWORD i = 0; i < count; ++i) {
      at = static_cast<Integer>(i);
      void* ace = nullptr;
      if (!Bound(QvSecurityApi.GetAce)(dacl, i, &ace) || !ace) RaiseFailure();
      const auto* header = static_cast<const ACE_HEADER*>(ace);
      const Byte f = header->AceFlags;
      const TQvAceFlags flags = AceFlagsFromByte(f);
      const TQvAceType type = AceTypeFromHeader(f, header->AceType);
      const int sidOffset = QvAceSidOffset(ace);
      if (sidOffset < 0 || (type != actAccessAllowed && type != actAccessDenied))
        RaiseWinError(L"Invalid AceType parameter", -1);
      DWORD mask;
      std::memcpy(&mask, static_cast<Byte*>(ace) + 4, sizeof(mask));
      PSID sid = static_cast<Byte*>(ace) + sidOffset;
      String name, domain;
      if (!SidToAccount(aSystemName, sid, name, domain)) RaiseFailure();
      TQvAccessItem* item = aAccessList->Add();
      item->SetUserName(JoinDomainAndName(StripNtAuthority(aSystemName, domain), name));
      item->SetSid(SidToString(sid));
      item->SetMask(MapGenericFileMask(mask) & 0xF01FF);
      item->SetMask_Unnormalized(mask);
      item->SetFlags(flags);
      item->SetAceType(type);
      item->SetFlagsDWORD(f);
    }
    aAccessList->SetReadOutcome(TQvReadOutcome{qrComplete, -1, 0, String()});
  } catch (...) {
    // Reading never raises: the list keeps the entries read before the failure, and its
    // outcome tells where and why the walk stopped.
    aAccessList->SetReadOutcome(at < 0 ? FailedRead(qrNotRead, -1) : FailedRead(qrStopped, at));
  }
}

void TQvNTFileSecurity::GetAccessList(TQvAccessList* aAccessList, const String& aSystemName) {
  TQvNTSecurity::GetAccessList(FFileName, aAccessList, aSystemName);
}

// ---------------------------------------------------------------------------------------
// Writing a DACL

Integer TQvNTSecurity::CompareAceOrder(TQvAccessItem* A, TQvAccessItem* B) {
  const bool ia = A->Flags().Contains(acfInherited), ib = B->Flags().Contains(acfInherited);
  if (ia != ib) return ia ? 1 : -1;
  const bool da = A->AceType() == actAccessDenied, db = B->AceType() == actAccessDenied;
  if (da != db) return da ? -1 : 1;
  if (A->Index() != B->Index()) return A->Index() < B->Index() ? -1 : 1;
  return 0;
}

Cardinal TQvNTSecurity::MaskToWrite(const TQvAccessItem* Item) {
  const Cardinal raw = Item->Mask_Unnormalized();
  if ((MapGenericFileMask(raw) & 0xF01FF) == Item->Mask()) return raw;
  return Item->Mask();
}

namespace {

// The SID an item is written for: its SID text when it has one (no name is resolved
// again), otherwise the account its user name resolves to. Raises when neither works.
TOwnedBlock SidOfItem(const TQvAccessItem* Item) {
  PSID sid = nullptr;
  if (!Item->Sid().empty()) {
    if (!StringToSid(Item->Sid(), sid)) RaiseFailure();
  } else {
    String domain;
    sid = NameToSid(String(), Item->UserName(), domain);
    if (!sid) RaiseFailure();
  }
  return TOwnedBlock(sid);
}

bool WritesAnAce(const TQvAccessItem* Item) {
  return Item->AceType() == actAccessAllowed || Item->AceType() == actAccessDenied;
}

}  // namespace

void TQvNTSecurity::WriteAccessList(const String& Path, TQvAccessList* aAccessList) {
  ReadSecurity(Path, DACL_SECURITY_INFORMATION);
  if (!AbsoluteSID) return;
  // Audit items have no place in a DACL: they are left out (and not resolved).
  std::vector<TQvAccessItem*> items;
  std::vector<TOwnedBlock> sids;
  DWORD size = sizeof(ACL);
  for (Integer i = 0; i < aAccessList->Count(); ++i) {
    TQvAccessItem* item = aAccessList->Get(i);
    if (!WritesAnAce(item)) continue;
    sids.push_back(SidOfItem(item));
    items.push_back(item);
    size += Bound(QvSecurityApi.GetLengthSid)(sids.back().get()) + sizeof(ACE_HEADER) +
            sizeof(ACCESS_MASK);
  }
  TOwnedBlock dacl(QvAlloc(size));
  PACL acl = static_cast<PACL>(dacl.get());
  if (!InitializeAcl(acl, size, ACL_REVISION)) RaiseFailure();

  std::vector<size_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&items](size_t a, size_t b) {
    return CompareAceOrder(items[a], items[b]) < 0;
  });
  DWORD added = 0;
  for (size_t k : order) {
    TQvAccessItem* item = items[k];
    const Cardinal mask = MaskToWrite(item);
    PSID sid = sids[k].get();
    const BOOL ok = item->AceType() == actAccessDenied
                        ? AddAccessDeniedAce(acl, ACL_REVISION, mask, sid)
                        : AddAccessAllowedAce(acl, ACL_REVISION, mask, sid);
    if (!ok) RaiseFailure();
    void* ace = nullptr;
    if (!Bound(QvSecurityApi.GetAce)(acl, added, &ace) || !ace) RaiseFailure();
    static_cast<ACE_HEADER*>(ace)->AceFlags = AceFlagsToByte(item->Flags(), item->AceType());
    ++added;
  }
  QvFree(pDacl);
  pDacl = static_cast<PACL>(dacl.release());
  if (!SetSecurityDescriptorDacl(AbsoluteSID, TRUE, pDacl, FALSE)) RaiseFailure();
  WriteSecurity(Path, DACL_SECURITY_INFORMATION);
}

void TQvNTSecurity::WriteSecurity(const String& Path, SECURITY_INFORMATION Info) {
  MakeSelfRelative();
  MakeAbsolute();
  DWORD c = Bound(QvSecurityApi.SetNamedSecurityInfoW)(const_cast<LPWSTR>(Path.c_str()),
                                                       SE_FILE_OBJECT, Info, pOwner,
                                                       pPrimaryGroup, pDacl, pSacl);
  if (c != 0) RaiseWinError(WinErrorText(static_cast<Integer>(c)), static_cast<Integer>(c));
}

bool TQvNTSecurity::GetSidsWithRight(const String& Path, Cardinal Right, TStrings* AllowedSids,
                                     TStrings* DeniedSids) {
  AllowedSids->Clear();
  DeniedSids->Clear();
  TQvAccessList list;
  GetAccessList(Path, &list, String());
  for (Integer i = 0; i < list.Count(); ++i) {
    TQvAccessItem* item = list.Get(i);
    String text = AnsiUpperCase(item->Sid());
    if (SidCompressor) text = SidCompressor->CompressSid(text);
    if ((item->Mask() & Right) != Right || item->Flags().Contains(acfInheritOnly)) continue;
    if (item->AceType() == actAccessAllowed)
      AllowedSids->Add(text);
    else if (item->AceType() == actAccessDenied)
      DeniedSids->Add(text);
  }
  return list.ReadOutcome().Result == qrComplete;
}

void TQvNTFileSecurity::SetAccessControlList(TQvAccessList* aAccessList) {
  WriteAccessList(FFileName, aAccessList);
}

void TQvNTFileSecurity::InheritAclFromParent() {
  ReadSecurity(FFileName, DACL_SECURITY_INFORMATION);
  if (!AbsoluteSID) return;
  TOwnedBlock empty(QvAlloc(sizeof(ACL)));
  if (!InitializeAcl(static_cast<PACL>(empty.get()), sizeof(ACL), ACL_REVISION)) RaiseFailure();
  QvFree(pDacl);
  pDacl = static_cast<PACL>(empty.release());
  SetSecurityDescriptorDacl(AbsoluteSID, TRUE, pDacl, FALSE);
  DWORD c = Bound(QvSecurityApi.SetNamedSecurityInfoW)(
      const_cast<LPWSTR>(FFileName.c_str()), SE_FILE_OBJECT,
      UNPROTECTED_DACL_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, pOwner, pPrimaryGroup,
      pDacl, pSacl);
  if (c != 0) RaiseWinError(WinErrorText(static_cast<Integer>(c)), static_cast<Integer>(c));
}

bool TQvNTFileSecurity::GetDirectoryListableSids(TStrings* aAllowedSids, TStrings* aDeniedSids) {
  return GetSidsWithRight(ExtractFileDir(FFileName), FILE_LIST_DIRECTORY, aAllowedSids,
                          aDeniedSids);
}

bool TQvNTFileSecurity::GetDataReadableSids(TStrings* aAllowedSids, TStrings* aDeniedSids) {
  return GetSidsWithRight(FFileName, FILE_READ_DATA, aAllowedSids, aDeniedSids);
}

// ---------------------------------------------------------------------------------------
// Export

String TQvAccessList::GetICacslLikeFormat() const {
  String result;
  for (Integer i = 0; i < Count(); ++i) {
    const TQvAccessItem* item = Get(i);
    if (!result.empty()) result += L"\r\n";
    String line = item->UserName() + L":" + FlagsText(item->Flags());
    if (item->AceType() == actAccessDenied) line += L"(DENY)";
    const String symbols = MaskSymbol(item->Mask());
    if (!symbols.empty()) line += L"(" + symbols + L")";
    result += line;
  }
  return result;
}

void TQvAccessList::SaveToJson(TJSONObject* aJson) const {
  aJson->put(L"securityDescriptor", static_cast<Integer>(FSecurityDescriptor));
  aJson->put(L"IsInheritedAcl", FIsInheritedACL);
  auto* aces = new TJSONArray();
  aJson->put(L"acelist", aces);
  for (Integer i = 0; i < Count(); ++i) {
    const TQvAccessItem* item = Get(i);
    auto* ace = new TJSONObject();
    aces->put(ace);
    ace->put(L"user", item->UserName());
    ace->put(L"sid", item->Sid());
    ace->put(L"mask", static_cast<double>(item->Mask()));
    ace->put(L"mask_caption", MaskCaption(item->Mask()));
    ace->put(L"mask_symbol", MaskSymbol(item->Mask()));
    ace->put(L"flags", FlagsText(item->Flags()));
    ace->put(L"flagsdword", static_cast<double>(item->FlagsDWORD()));
    ace->put(L"acetype", AceTypeText(item->AceType()));
    ace->put(L"applyto", ApplyToText(item->Flags()));
  }
}

// ---------------------------------------------------------------------------------------
// Captions and symbols

const TQvPermissionLevel QvPermissionLevels[8] = {
    {L"フルコントロール", L"F", 0xF01FF},
    {L"変更", L"M", 0x301BF},
    {L"読み取り・書き込みと実行", L"RX,W", 0x201BF},
    {L"読み取りと実行", L"RX", 0x200A9},
    {L"読み取りと書き込み", L"R,W", 0x2019F},
    {L"読み取り", L"R", 0x20089},
    {L"書き込み", L"W", 0x116},
    {L"なし", L"", 0},
};

const TQvSpecialRight QvSpecialRights[13] = {
    {L"削除", L"DE", 0x10000},
    {L"フォルダの一覧/データの読み取り", L"RD", 0x1},
    {L"拡張属性の読み取り", L"REA", 0x8},
    {L"フォルダのスキャン/ファイルの実行", L"X", 0x20},
    {L"属性の読み取り", L"RA", 0x80},
    {L"アクセス許可の読取", L"Rc", 0x20000},
    {L"アクセス許可の変更", L"WDAC", 0x40000},
    {L"所有権の取得", L"WO", 0x80000},
    {L"ファイルの作成/データ書き込み", L"WD", 0x2},
    {L"拡張属性の書き込み", L"WEA", 0x10},
    {L"サブフォルダのファイルの削除", L"DC", 0x40},
    {L"属性の書き込み", L"WA", 0x100},
    {L"フォルダの作成/データの追加", L"AD", 0x4},
};

const TQvApplyTo QvApplyTos[7] = {
    {L"このフォルダのみ", 0},
    {L"このフォルダ、サブフォルダおよびファイル", 3},
    {L"このフォルダとサブフォルダ", 2},
    {L"このフォルダとファイル", 1},
    {L"サブフォルダとファイルのみ", 7},
    {L"サブフォルダのみ", 6},
    {L"ファイルのみ", 5},
};

Integer FindPermissionLevel(Cardinal Mask) {
  for (Integer i = 0; i < 8; ++i)
    if (QvPermissionLevels[i].Mask == Mask) return i;
  return -1;
}

String MaskCaption(Cardinal Mask) {
  Integer i = FindPermissionLevel(Mask);
  return i >= 0 ? String(QvPermissionLevels[i].Caption) : String(L"特殊なアクセス許可");
}

String MaskSymbol(Cardinal Mask) {
  String r;
  Cardinal rest = Mask;
  for (const TQvSpecialRight& right : QvSpecialRights) {
    if (rest & right.Bit) {
      if (!r.empty()) r += L",";
      r += right.Symbol;
      rest &= ~right.Bit;
    }
  }
  if (rest != 0) {
    if (!r.empty()) r += L",";
    r += L"?" + IntToStr(rest);
  }
  return r;
}

String FlagsText(TQvAceFlags Flags) {
  String r;
  if (Flags.Contains(acfInherited)) r += L"(I)";
  if (Flags.Contains(acfObjInherit)) r += L"(OI)";
  if (Flags.Contains(acfContainer)) r += L"(CI)";
  if (Flags.Contains(acfInheritOnly)) r += L"(IO)";
  if (Flags.Contains(acfNoPropagate)) r += L"(NP)";
  return r;
}

String ApplyToText(TQvAceFlags Flags) {
  const Byte key = QvAceFlagsByte(Flags) & 0xE7;
  String r = L"？？？";
  for (const TQvApplyTo& a : QvApplyTos)
    if (a.Key == key) {
      r = a.Caption;
      break;
    }
  if (Flags.Contains(acfNoPropagate)) r += L"(下位フォルダに継承しない)";
  return r;
}

String AceTypeText(TQvAceType AceType) {
  switch (AceType) {
    case actAccessAllowed: return L"許可";
    case actAccessDenied: return L"拒否";
    default: return L"？？";
  }
}

// ---------------------------------------------------------------------------------------
// Unit start-up and shut-down

namespace {

void FinalizeQvNTSecurityUnit() {
  FreeLibraries();
  ClearBindings();
  delete SidStore;
  SidStore = nullptr;
  delete SidCompressor;
  SidCompressor = nullptr;
  gAdvapiName.clear();
  gNetapiName.clear();
}

void InitializeQvNTSecurityUnit() {
  SidStore = new TSidStore();
  SidCompressor = new TQvSidCompressor();
  try {
    QvBindSecurityApi(L"advapi32.dll", L"netapi32.dll");
  } catch (...) {
    FinalizeQvNTSecurityUnit();
    throw;
  }
}

}  // namespace

const TUnitInfo QvNTSecurityUnitUnit = {L"QvNTSecurityUnit", &InitializeQvNTSecurityUnit,
                                        &FinalizeQvNTSecurityUnit};
