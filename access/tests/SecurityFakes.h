// Test doubles for the security binding: descriptors built from SDDL text per path,
// account lookups with chosen answers, and a record of what goes back through
// LocalFree. A fixture restarts the unit around each test so that the SID cache and
// the bindings start clean.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "ACLUtil.h"
#include "QvNTSecurityUnit.h"

#include <sddl.h>

namespace fakes {

// Path -> SDDL text of the descriptor GetNamedSecurityInfoW hands out.
extern std::map<String, String> Sddl;
// Path -> code that fills the DACL (an ACL of 1024 bytes) of the descriptor handed out,
// for entries SDDL text cannot express.
extern std::map<String, std::function<void(PACL)>> Built;
// Applied to every descriptor handed out, before it is returned (to damage bytes).
extern std::function<void(PSECURITY_DESCRIPTOR)> Patch;
// Paths asked for, in order.
extern std::vector<String> Reads;
// Descriptors handed out and not yet returned through LocalFree.
extern std::set<void*> Outstanding;
// Every block returned through LocalFree.
extern int LocalFrees;

// SID text -> (domain, name) answered by the account lookup instead of the system.
struct Account {
  String Domain;
  String Name;
  DWORD Error = 0;  // when not 0 the lookup fails with this error
};
extern std::map<String, Account> Accounts;
extern int AccountLookups;

DWORD WINAPI FakeGetNamedSecurityInfo(LPCWSTR Name, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*,
                                  PSID*, PACL*, PACL*, PSECURITY_DESCRIPTOR* Sd);
HLOCAL WINAPI CountingLocalFree(HLOCAL Block);
BOOL WINAPI FakeLookupAccountSid(LPCWSTR System, PSID Sid, LPWSTR Name, LPDWORD NameCap,
                             LPWSTR Domain, LPDWORD DomainCap, PSID_NAME_USE Use);

// The n-th ACE (0-based) of a descriptor's DACL.
ACE_HEADER* AceOf(PSECURITY_DESCRIPTOR Sd, DWORD n);
// A SID text as binary bytes.
std::vector<Byte> SidBytes(const String& Text);

}  // namespace fakes

// Restarts the unit around each test and installs the fakes.
class SecurityTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Reads a path (through the SDDL fakes) into List.
  void Read(const String& Path);
  // Reads an SDDL text given for a made-up path.
  void ReadSddl(const String& Text);
  TQvAccessList List;
};

// Restarts the unit with the real bindings (and the real system hooks).
void RestartSecurityUnit();
