// Measures reading and captioning a large DACL and the inherited-from walk, beside the
// bare system walk over the same descriptors (GetNamedSecurityInfoW, GetAce and
// LookupAccountSidW for every entry), which is the floor the model cannot beat by much.
#include <cstdio>
#include <map>
#include <vector>

#include "ACLUtil.h"
#include "AccessUnits.h"
#include "QvNTSecurityUnit.h"
#include "Classes.h"
#include "SysInit.h"
#include "SysUtils.h"

#include <sddl.h>

namespace {

// Path -> self-relative descriptor bytes, handed out as fresh LocalAlloc copies the way
// the system does.
std::map<String, std::vector<Byte>> gDescriptors;

DWORD WINAPI CopiedDescriptor(LPCWSTR Name, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*,
                              PACL* Dacl, PACL*, PSECURITY_DESCRIPTOR* Sd) {
  auto it = gDescriptors.find(Name);
  if (it == gDescriptors.end()) return ERROR_FILE_NOT_FOUND;
  *Sd = LocalAlloc(LMEM_FIXED, it->second.size());
  memcpy(*Sd, it->second.data(), it->second.size());
  if (Dacl) {
    BOOL present, defaulted;
    GetSecurityDescriptorDacl(*Sd, &present, Dacl, &defaulted);
  }
  return ERROR_SUCCESS;
}

void AddDescriptor(const String& Path, const String& Sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ULONG size = 0;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Sddl.c_str(), SDDL_REVISION_1, &sd,
                                                            &size)) {
    std::printf("cannot build the descriptor of %ls\n", Path.c_str());
    std::exit(1);
  }
  gDescriptors[Path].assign(static_cast<Byte*>(sd), static_cast<Byte*>(sd) + size);
  LocalFree(sd);
}

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// The bare walk: read the descriptor, visit every ACE, name its SID. Returns the count.
int BareWalk(const String& Path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  PACL dacl = nullptr;
  if (CopiedDescriptor(Path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                       &dacl, nullptr, &sd) != 0)
    return 0;
  int n = 0;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    GetAce(dacl, i, &ace);
    PSID sid = static_cast<Byte*>(ace) + 8;
    wchar_t name[128], domain[128];
    DWORD cn = 128, cd = 128;
    SID_NAME_USE use;
    LookupAccountSidW(nullptr, sid, name, &cn, domain, &cd, &use);
    ++n;
  }
  LocalFree(sd);
  return n;
}

template <class F>
double PerRun(int Runs, F f) {
  f();  // warm up (fills the SID cache as a refresh after the first one would find it)
  double t0 = Now();
  for (int i = 0; i < Runs; ++i) f();
  return (Now() - t0) / Runs;
}

}  // namespace

int main() {
  TUnitScope units(AccessUnits);
  QvSecurityApi.GetNamedSecurityInfoW = &CopiedDescriptor;

  // A 1,000-entry DACL over a mix of accounts, one of which names no account.
  const wchar_t* trustees[] = {L"SY", L"BA", L"BU", L"WD", L"AU", L"CO",
                               L"S-1-5-21-1-2-3-1001", L"S-1-5-32-547"};
  const wchar_t* rights[] = {L"FA", L"0x1200a9", L"0x1301bf", L"FR", L"GA", L"0x10000"};
  const wchar_t* flags[] = {L"OICI", L"OICIID", L"CI", L"OIIO", L"OICINP", L"ID"};
  String big = L"D:";
  for (int i = 0; i < 1000; ++i)
    big += String(L"(") + (i % 7 == 3 ? L"D" : L"A") + L";" + flags[i % 6] + L";" +
           rights[i % 6] + L";;;" + trustees[i % 8] + L")";
  AddDescriptor(L"C:\\big", big);

  const int runs = 20;
  double model = PerRun(runs, [] {
    TQvAccessList list;
    TQvNTFileSecurity(L"C:\\big").GetAccessList(&list, L"");
    String symbol;
    for (Integer i = 0; i < list.Count(); ++i) {
      TQvAccessItem* item = list.Get(i);
      TypeCaption(item);
      PermissionCaption(item, symbol, false);
      ApplyToCaption(item, symbol, false);
    }
    if (list.Count() != 1000) std::printf("read %d entries\n", list.Count());
  });
  double floor = PerRun(runs, [] { BareWalk(L"C:\\big"); });
  std::printf("1,000-entry DACL, read and captioned: %8.2f us/entry   bare walk: %8.2f us/entry"
              "   ratio %.2f\n",
              model * 1e6 / 1000, floor * 1e6 / 1000, model / floor);

  // Ten levels below the root; the entry is explicit only at the root.
  String path = L"C:\\";
  AddDescriptor(path, L"D:(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICI;FA;;;BA)");
  for (int level = 1; level <= 10; ++level) {
    path += (level > 1 ? L"\\L" : L"L") + std::to_wstring(level);
    AddDescriptor(path, L"D:(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;OICIID;FA;;;BA)");
  }
  TQvAccessList own;
  TQvNTFileSecurity(path).GetAccessList(&own, L"");
  TQvAccessItem* item = own.Get(1);
  String from;
  double walk = PerRun(runs, [&] { from = InheritedFrom(item, path); });
  double walkFloor = PerRun(runs, [&] {
    String p = path;
    for (int level = 0; level < 10; ++level) {
      p = p.substr(0, p.find_last_of(L'\\') > 2 ? p.find_last_of(L'\\') : 3);
      BareWalk(p);
    }
  });
  // Thirty entries read on the way (three per ancestor).
  std::printf("ten-level inherited-from walk (%ls): %8.2f us/entry   bare walk: %8.2f us/entry"
              "   ratio %.2f\n",
              from.c_str(), walk * 1e6 / 30, walkFloor * 1e6 / 30, walk / walkFloor);
  return 0;
}
