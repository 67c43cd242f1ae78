#include "SecurityFakes.h"

#include <cstring>

namespace fakes {

std::map<String, String> Sddl;
std::map<String, std::function<void(PACL)>> Built;
std::function<void(PSECURITY_DESCRIPTOR)> Patch;
std::vector<String> Reads;
std::set<void*> Outstanding;
int LocalFrees = 0;
std::map<String, Account> Accounts;
int AccountLookups = 0;

DWORD WINAPI FakeGetNamedSecurityInfo(LPCWSTR Name, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*,
                                  PSID*, PACL*, PACL*, PSECURITY_DESCRIPTOR* Sd) {
  Reads.push_back(Name);
  auto built = Built.find(Name);
  if (built != Built.end()) {
    std::vector<Byte> acl(1024);
    InitializeAcl(reinterpret_cast<PACL>(acl.data()), 1024, ACL_REVISION_DS);
    built->second(reinterpret_cast<PACL>(acl.data()));
    SECURITY_DESCRIPTOR absolute;
    InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&absolute, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
    DWORD size = 0;
    MakeSelfRelativeSD(&absolute, nullptr, &size);
    *Sd = LocalAlloc(LPTR, size);
    MakeSelfRelativeSD(&absolute, *Sd, &size);
    Outstanding.insert(*Sd);
    return ERROR_SUCCESS;
  }
  auto it = Sddl.find(Name);
  if (it == Sddl.end()) return ERROR_FILE_NOT_FOUND;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(it->second.c_str(), SDDL_REVISION_1,
                                                             Sd, nullptr))
    return GetLastError();
  if (Patch) Patch(*Sd);
  Outstanding.insert(*Sd);
  return ERROR_SUCCESS;
}

HLOCAL WINAPI CountingLocalFree(HLOCAL Block) {
  ++LocalFrees;
  Outstanding.erase(Block);
  return ::LocalFree(Block);
}

BOOL WINAPI FakeLookupAccountSid(LPCWSTR System, PSID Sid, LPWSTR Name, LPDWORD NameCap,
                             LPWSTR Domain, LPDWORD DomainCap, PSID_NAME_USE Use) {
  ++AccountLookups;
  LPWSTR text = nullptr;
  ConvertSidToStringSidW(Sid, &text);
  String key = text ? text : L"";
  ::LocalFree(text);
  auto it = Accounts.find(key);
  if (it == Accounts.end())
    return ::LookupAccountSidW(System, Sid, Name, NameCap, Domain, DomainCap, Use);
  const Account& a = it->second;
  if (a.Error) {
    SetLastError(a.Error);
    return FALSE;
  }
  if (*NameCap <= a.Name.size() || *DomainCap <= a.Domain.size()) {
    *NameCap = static_cast<DWORD>(a.Name.size() + 1);
    *DomainCap = static_cast<DWORD>(a.Domain.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  wcscpy(Name, a.Name.c_str());
  wcscpy(Domain, a.Domain.c_str());
  *NameCap = static_cast<DWORD>(a.Name.size());
  *DomainCap = static_cast<DWORD>(a.Domain.size());
  *Use = SidTypeUser;
  return TRUE;
}

ACE_HEADER* AceOf(PSECURITY_DESCRIPTOR Sd, DWORD n) {
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(Sd, &present, &dacl, &defaulted);
  void* ace = nullptr;
  ::GetAce(dacl, n, &ace);
  return static_cast<ACE_HEADER*>(ace);
}

std::vector<Byte> SidBytes(const String& Text) {
  PSID sid = nullptr;
  ConvertStringSidToSidW(Text.c_str(), &sid);
  std::vector<Byte> r(static_cast<Byte*>(sid), static_cast<Byte*>(sid) + GetLengthSid(sid));
  ::LocalFree(sid);
  return r;
}

}  // namespace fakes

void RestartSecurityUnit() {
  QvSecurityApi.GetVersionExW = &::GetVersionExW;
  QvSecurityApi.LocalFree = &::LocalFree;
  QvNTSecurityUnitUnit.Finalize();
  QvNTSecurityUnitUnit.Initialize();
}

void SecurityTest::SetUp() {
  RestartSecurityUnit();
  fakes::Sddl.clear();
  fakes::Built.clear();
  fakes::Patch = nullptr;
  fakes::Reads.clear();
  fakes::Outstanding.clear();
  fakes::LocalFrees = 0;
  fakes::Accounts.clear();
  fakes::AccountLookups = 0;
  QvSecurityApi.GetNamedSecurityInfoW = &fakes::FakeGetNamedSecurityInfo;
  QvSecurityApi.LookupAccountSidW = &fakes::FakeLookupAccountSid;
  QvSecurityApi.LocalFree = &fakes::CountingLocalFree;
}

void SecurityTest::TearDown() {
  EXPECT_TRUE(fakes::Outstanding.empty()) << "a descriptor was not returned with LocalFree";
  fakes::Patch = nullptr;
  RestartSecurityUnit();
}

void SecurityTest::Read(const String& Path) {
  TQvNTFileSecurity security(Path);
  security.GetAccessList(&List, L"");
}

void SecurityTest::ReadSddl(const String& Text) {
  fakes::Sddl[L"C:\\fixture"] = Text;
  Read(L"C:\\fixture");
}
