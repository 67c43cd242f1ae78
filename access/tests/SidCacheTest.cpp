#include "SecurityFakes.h"

#include <cstring>
#include <thread>

namespace ZS_UNITY_ID {

namespace {

using QvNTSecurityUnit::TObjectList;

TSidHolder* Holder(const String& SidText, const String& Name, const String& Domain) {
  auto* h = new TSidHolder();
  std::vector<Byte> bytes = SidText.empty() ? std::vector<Byte>() : fakes::SidBytes(SidText);
  h->SetData(bytes.data(), static_cast<Cardinal>(bytes.size()), Name, Domain);
  return h;
}

TEST(SidObjectList, FindOnEmptyAndEqualRuns) {
  TObjectList list;
  std::unique_ptr<TSidHolder> probe(Holder(L"S-1-5-18", L"", L""));
  Integer index = -1;
  EXPECT_FALSE(list.Find(probe.get(), CompareSidHolders, index));
  EXPECT_EQ(index, 0);
  for (int i = 0; i < 3; ++i) list.SortedInsert(Holder(L"S-1-5-18", L"", L""), CompareSidHolders);
  EXPECT_TRUE(list.Find(probe.get(), CompareSidHolders, index));
  EXPECT_EQ(index, 0);
  std::unique_ptr<TObjectList> equal(list.GetListByExample(probe.get(), CompareSidHolders));
  EXPECT_EQ(equal->Count(), 3);
  EXPECT_FALSE(equal->FreeObjectsOnDestroy());
  // With duplicates not accepted the search stops at the first equal item it meets.
  list.SetDuplicates(dupIgnore);
  EXPECT_TRUE(list.Find(probe.get(), CompareSidHolders, index));
  EXPECT_EQ(index, 1);
  std::unique_ptr<TSidHolder> other(Holder(L"S-1-5-32-544", L"", L""));
  EXPECT_EQ(list.IndexOf(other.get(), CompareSidHolders), -1);
  EXPECT_EQ(list.FindObject(other.get(), CompareSidHolders), nullptr);
}

TEST(SidObjectList, OrdersOfTheCache) {
  std::unique_ptr<TSidHolder> shortSid(Holder(L"S-1-5-99", L"", L""));          // 12 bytes
  std::unique_ptr<TSidHolder> longSid(Holder(L"S-1-1-0-0", L"", L""));          // 16 bytes
  std::unique_ptr<TSidHolder> a(Holder(L"S-1-5-32-544", L"", L""));
  std::unique_ptr<TSidHolder> b(Holder(L"S-1-5-32-545", L"", L""));
  EXPECT_EQ(CompareSidHolders(shortSid.get(), longSid.get()), -1);  // length first
  EXPECT_EQ(CompareSidHolders(longSid.get(), shortSid.get()), 1);
  EXPECT_EQ(CompareSidHolders(a.get(), b.get()), -1);
  EXPECT_EQ(CompareSidHolders(b.get(), b.get()), 0);

  struct Case {
    const wchar_t *Domain1, *Name1, *Domain2, *Name2;
    int Expected;
  } cases[] = {
      {L"BUILTIN", L"Administrators", L"builtin", L"administrators", 0},
      {L"", L"\u00C4b", L"", L"\u00E4b", -1},  // only ASCII letters fold
      {L"A", L"Z", L"B", L"A", -1},
      {L"X", L"b", L"X", L"A", 1},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TSidHolder> h1(Holder(L"", c.Name1, c.Domain1));
    std::unique_ptr<TSidHolder> h2(Holder(L"", c.Name2, c.Domain2));
    EXPECT_EQ(CompareNameHolders(h1.get(), h2.get()), c.Expected) << c.Name1 << " " << c.Name2;
  }
}

class SidCacheTest : public SecurityTest {};

TEST_F(SidCacheTest, StoreFindsBothWays) {
  std::vector<Byte> admins = fakes::SidBytes(L"S-1-5-32-544");
  std::vector<Byte> users = fakes::SidBytes(L"S-1-5-32-545");
  SidStore->Add(admins.data(), static_cast<Cardinal>(admins.size()), L"Administrators", L"BUILTIN");
  SidStore->Add(users.data(), static_cast<Cardinal>(users.size()), L"Users", L"BUILTIN");
  String name, domain;
  ASSERT_TRUE(SidStore->FindAccount(users.data(), static_cast<Cardinal>(users.size()), name, domain));
  EXPECT_EQ(name, L"Users");
  EXPECT_EQ(domain, L"BUILTIN");
  const void* sid = SidStore->FindSid(L"administrators", L"builtin");
  ASSERT_NE(sid, nullptr);
  EXPECT_EQ(std::memcmp(sid, admins.data(), admins.size()), 0);
  EXPECT_EQ(SidStore->FindSid(L"Administrators", L"NT AUTHORITY"), nullptr);
  EXPECT_FALSE(SidStore->FindAccount(admins.data(), 8, name, domain));
  EXPECT_TRUE(name.empty());
}

TEST_F(SidCacheTest, AccountsOfWellKnownAndUnmappedSids) {
  struct Case {
    const wchar_t* Sid;
    const wchar_t* Name;
    const wchar_t* Domain;
  } cases[] = {
      {L"S-1-5-18", L"SYSTEM", L""},  // the local system account has no domain
      {L"S-1-5-32-544", L"Administrators", L"BUILTIN"},
      {L"S-1-1-0", L"Everyone", L""},
      {L"S-1-5-11", L"Authenticated Users", L"NT AUTHORITY"},
      {L"S-1-5-21-1-2-3-500", L"S-1-5-21-1-2-3-500", L""},  // maps to no account
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Sid);
    std::vector<Byte> sid = fakes::SidBytes(c.Sid);
    String name, domain;
    ASSERT_TRUE(SidToAccount(L"", sid.data(), name, domain));
    EXPECT_EQ(name, c.Name);
    EXPECT_EQ(domain, c.Domain);
    EXPECT_EQ(SidToText(sid.data()), c.Sid);
  }
  // Mapped accounts are cached; the unmapped one is asked again every time.
  const int lookups = fakes::AccountLookups;
  for (const Case& c : cases) {
    std::vector<Byte> sid = fakes::SidBytes(c.Sid);
    String name, domain;
    SidToAccount(L"", sid.data(), name, domain);
  }
  EXPECT_EQ(fakes::AccountLookups, lookups + 1);
  EXPECT_EQ(SidStore->Count(), 4);
}

TEST_F(SidCacheTest, LookupErrors) {
  fakes::Accounts[L"S-1-5-21-9-9-9-1001"] = {L"", L"", ERROR_TRUSTED_RELATIONSHIP_FAILURE};
  fakes::Accounts[L"S-1-5-21-9-9-9-1002"] = {L"", L"", ERROR_ACCESS_DENIED};
  String name = L"x", domain = L"y";
  std::vector<Byte> trusted = fakes::SidBytes(L"S-1-5-21-9-9-9-1001");
  EXPECT_TRUE(SidToAccount(L"", trusted.data(), name, domain));
  EXPECT_EQ(name, L"S-1-5-21-9-9-9-1001");
  std::vector<Byte> denied = fakes::SidBytes(L"S-1-5-21-9-9-9-1002");
  EXPECT_FALSE(SidToAccount(L"", denied.data(), name, domain));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(SidStore->Count(), 0);
}

TEST_F(SidCacheTest, LongAccountNamesAreReadWhole) {
  const String longName(200, L'n');
  const String longDomain(150, L'd');
  fakes::Accounts[L"S-1-5-21-7-7-7-1000"] = {longDomain, longName};
  std::vector<Byte> sid = fakes::SidBytes(L"S-1-5-21-7-7-7-1000");
  String name, domain;
  ASSERT_TRUE(SidToAccount(L"", sid.data(), name, domain));
  EXPECT_EQ(name, longName);
  EXPECT_EQ(domain, longDomain);

  // In a DACL walk the entry after it is still read.
  ReadSddl(L"D:(A;;FA;;;S-1-5-21-7-7-7-1000)(A;;FR;;;BA)");
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Get(0)->UserName(), longDomain + L"\\" + longName);
  EXPECT_EQ(List.Get(1)->UserName(), L"BUILTIN\\Administrators");
}

TEST_F(SidCacheTest, NtAuthorityIsHiddenByItsLocalName) {
  // A system whose NT AUTHORITY domain has another name: that name is the one hidden.
  fakes::Accounts[L"S-1-5-1"] = {L"NT-AUTORITÄT", L"DIALUP"};
  fakes::Accounts[L"S-1-5-11"] = {L"NT-AUTORITÄT", L"Authentifizierte Benutzer"};
  fakes::Accounts[L"S-1-5-19"] = {L"NT AUTHORITY", L"LOCAL SERVICE"};
  EXPECT_EQ(NtAuthorityName(L""), L"NT-AUTORITÄT");
  EXPECT_EQ(StripNtAuthority(L"", L"NT-AUTORITÄT"), L"");
  EXPECT_EQ(StripNtAuthority(L"", L"nt-autorität"), L"nt-autorität");  // case-sensitive
  ReadSddl(L"D:(A;;FA;;;AU)(A;;FA;;;LS)(A;;FA;;;BU)");
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List.Get(0)->UserName(), L"Authentifizierte Benutzer");
  EXPECT_EQ(List.Get(1)->UserName(), L"NT AUTHORITY\\LOCAL SERVICE");
  EXPECT_EQ(List.Get(2)->UserName(), L"BUILTIN\\Users");
}

TEST_F(SidCacheTest, NtAuthorityFallsBackToItsLiteral) {
  fakes::Accounts[L"S-1-5-1"] = {L"", L"", ERROR_ACCESS_DENIED};
  EXPECT_EQ(NtAuthorityName(L""), L"NT AUTHORITY");
}

TEST_F(SidCacheTest, StoreIsSharedAcrossThreads) {
  // Four threads add their own SIDs and look up everybody's at the same time.
  auto work = [](int t) {
    for (int i = 0; i < 200; ++i) {
      std::vector<Byte> sid =
          fakes::SidBytes(L"S-1-5-21-5-5-" + std::to_wstring(t) + L"-" + std::to_wstring(i));
      SidStore->Add(sid.data(), static_cast<Cardinal>(sid.size()), L"u" + std::to_wstring(i),
                    L"d" + std::to_wstring(t));
      String name, domain;
      if (!SidStore->FindAccount(sid.data(), static_cast<Cardinal>(sid.size()), name, domain) ||
          name != L"u" + std::to_wstring(i) || domain != L"d" + std::to_wstring(t))
        ADD_FAILURE() << "thread " << t << " entry " << i;
      if (!SidStore->FindSid(L"U" + std::to_wstring(i), L"D" + std::to_wstring(t)))
        ADD_FAILURE() << "by name " << t << " " << i;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(work, t);
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(SidStore->Count(), 800);
}

TEST(AccountNames, SplitAndJoin) {
  struct Case {
    const wchar_t *Account, *Domain, *Name;
  } cases[] = {
      {L"Everyone", L"", L"Everyone"},
      {L"BUILTIN\\Users", L"BUILTIN", L"Users"},
      {L"\\Users", L"", L"\\Users"},
      {L"a\\b\\c", L"a", L"b"},
      {L"a\\\\b\\", L"a", L"b"},
      {L"", L"", L""},
  };
  for (const Case& c : cases) {
    String domain = L"?", name = L"?";
    SplitAccountName(c.Account, domain, name);
    EXPECT_EQ(domain, c.Domain) << c.Account;
    EXPECT_EQ(name, c.Name) << c.Account;
  }
  EXPECT_EQ(JoinDomainAndName(L"", L"SYSTEM"), L"SYSTEM");
  EXPECT_EQ(JoinDomainAndName(L"BUILTIN", L"Users"), L"BUILTIN\\Users");
  EXPECT_EQ(CountWords(L"\\\\a\\\\b\\", L"\\"), 2);
  EXPECT_EQ(FindWordStart(2, L"\\a\\\\bc", L"\\"), 5);
  EXPECT_EQ(FindWordStart(3, L"\\a\\\\bc", L"\\"), 0);
  EXPECT_EQ(ExtractWordAt(2, L"\\a\\\\bc", L"\\"), L"bc");
  EXPECT_EQ(ExtractWordAt(3, L"\\a\\\\bc", L"\\"), L"");
}

TEST_F(SidCacheTest, NameToSid) {
  String domain;
  PSID sid = NameToSid(L"", L"BUILTIN\\Administrators", domain);
  ASSERT_NE(sid, nullptr);
  EXPECT_EQ(SidToText(sid), L"S-1-5-32-544");
  EXPECT_EQ(domain, L"BUILTIN");
  QvFreeSid(sid);
  // Cached now: found again under any ASCII letter case without asking the system.
  QvSecurityApi.LookupAccountNameW = nullptr;
  domain = L"kept";
  sid = NameToSid(L"", L"builtin\\ADMINISTRATORS", domain);
  ASSERT_NE(sid, nullptr);
  EXPECT_EQ(SidToText(sid), L"S-1-5-32-544");
  EXPECT_EQ(domain, L"kept");
  QvFreeSid(sid);
  RestartSecurityUnit();

  // A SID text that names no account still gives its SID.
  sid = NameToSid(L"", L"S-1-5-21-1-2-3-500", domain);
  ASSERT_NE(sid, nullptr);
  EXPECT_EQ(SidToText(sid), L"S-1-5-21-1-2-3-500");
  EXPECT_EQ(domain, L"");
  QvFreeSid(sid);
  EXPECT_EQ(NameToSid(L"", L"no such account here", domain), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NONE_MAPPED));
}

TEST(SidText, StringToSid) {
  PSID sid = nullptr;
  ASSERT_TRUE(StringToSid(L"S-1-5-21-100-200-300-1001", sid));
  EXPECT_EQ(SidToText(sid), L"S-1-5-21-100-200-300-1001");
  QvFreeSid(sid);
  EXPECT_FALSE(StringToSid(L"not a sid", sid));
  EXPECT_EQ(sid, nullptr);
  // Only the first 255 characters count.
  EXPECT_FALSE(StringToSid(String(300, L'1'), sid));
}

TEST(SidCompressor, RulesApplyInOrder) {
  TQvSidCompressor compressor;
  EXPECT_EQ(compressor.CompressSid(L"S-1-5-21-1"), L"S-1-5-21-1");
  compressor.AddRule(L"S-1-5-21", L"D");
  EXPECT_EQ(compressor.CompressSid(L"S-1-5-21-1"), L"D-1");
  compressor.AddRule(L"D-1", L"X");
  EXPECT_EQ(compressor.CompressSid(L"S-1-5-21-1"), L"X");
  EXPECT_EQ(compressor.CompressSid(L"s-1-5-21-1"), L"s-1-5-21-1");
}

}  // namespace

}  // namespace ZS_UNITY_ID
