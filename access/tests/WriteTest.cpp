#include "SecurityFakes.h"

#include <cstring>

namespace ZS_UNITY_ID {

namespace {

// What the last SetNamedSecurityInfoW call was handed.
struct Written {
  int Calls = 0;
  String Path;
  SECURITY_INFORMATION Info = 0;
  std::vector<Byte> Dacl;  // AclSize bytes
  DWORD Result = ERROR_SUCCESS;
} gWritten;

DWORD WINAPI CaptureSet(LPWSTR Path, SE_OBJECT_TYPE Type, SECURITY_INFORMATION Info, PSID,
                        PSID, PACL Dacl, PACL) {
  EXPECT_EQ(Type, SE_FILE_OBJECT);
  ++gWritten.Calls;
  gWritten.Path = Path;
  gWritten.Info = Info;
  gWritten.Dacl.assign(reinterpret_cast<Byte*>(Dacl), reinterpret_cast<Byte*>(Dacl) + Dacl->AclSize);
  return gWritten.Result;
}

// One expected ACE: type, header flag byte, mask and SID text.
struct Ace {
  Byte Type, Flags;
  DWORD Mask;
  const wchar_t* Sid;
};

// The ACL the system itself builds for these entries, byte for byte.
std::vector<Byte> ExpectedAcl(std::initializer_list<Ace> aces) {
  DWORD size = sizeof(ACL);
  for (const Ace& a : aces) size += 8 + static_cast<DWORD>(fakes::SidBytes(a.Sid).size());
  std::vector<Byte> acl(size);
  PACL p = reinterpret_cast<PACL>(acl.data());
  InitializeAcl(p, size, ACL_REVISION);
  for (const Ace& a : aces) {
    std::vector<Byte> sid = fakes::SidBytes(a.Sid);
    if (a.Type == ACCESS_DENIED_ACE_TYPE)
      AddAccessDeniedAceEx(p, ACL_REVISION, a.Flags, a.Mask, sid.data());
    else
      AddAccessAllowedAceEx(p, ACL_REVISION, a.Flags, a.Mask, sid.data());
  }
  return acl;
}

class WriteTest : public SecurityTest {
 protected:
  void SetUp() override {
    SecurityTest::SetUp();
    gWritten = Written();
    QvSecurityApi.SetNamedSecurityInfoW = &CaptureSet;
    fakes::Sddl[L"C:\\target"] = L"D:(A;;FA;;;SY)";
  }
  void Write(TQvAccessList& list) { TQvNTFileSecurity(L"C:\\target").SetAccessControlList(&list); }
};

TEST_F(WriteTest, MixedListGoesOutInCanonicalOrder) {
  // A explicit allowed, B inherited denied, C explicit denied, D inherited allowed,
  // E an explicit allowed entry of generic rights for CREATOR OWNER.
  ReadSddl(L"D:(A;OICI;FA;;;SY)(D;ID;FW;;;WD)(D;NP;FR;;;BU)(A;OICIID;0x1200a9;;;BA)"
           L"(A;OICIIO;GA;;;CO)");
  ASSERT_EQ(List.Count(), 5);
  Write(List);
  ASSERT_EQ(gWritten.Calls, 1);
  EXPECT_EQ(gWritten.Path, L"C:\\target");
  EXPECT_EQ(gWritten.Info, static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION));
  EXPECT_EQ(gWritten.Dacl, ExpectedAcl({
                               {ACCESS_DENIED_ACE_TYPE, 0x04, FILE_GENERIC_READ, L"S-1-5-32-545"},
                               {ACCESS_ALLOWED_ACE_TYPE, 0x03, FILE_ALL_ACCESS, L"S-1-5-18"},
                               {ACCESS_ALLOWED_ACE_TYPE, 0x0B, GENERIC_ALL, L"S-1-3-0"},
                               {ACCESS_DENIED_ACE_TYPE, 0x10, FILE_GENERIC_WRITE, L"S-1-1-0"},
                               {ACCESS_ALLOWED_ACE_TYPE, 0x13, 0x1200A9, L"S-1-5-32-544"},
                           }));
}

TEST_F(WriteTest, EntriesBuiltByHand) {
  struct Item {
    const wchar_t *Sid, *User;
    Byte SetFlags;
    TQvAceType Type;
    Cardinal Mask, Raw;
  } items[] = {
      {L"S-1-5-32-544", L"", 0x07, actAccessAllowed, 0x20089, 0},  // (OI)(CI)(IO)
      {L"S-1-5-32-545", L"", 0x08, actAccessDenied, 0x116, 0},     // (NP)
      {L"S-1-1-0", L"", 0x13, actAuditFull, 0xF01FF, 0},           // left out
      {L"", L"BUILTIN\\Users", 0x00, actAccessAllowed, 0x200A9, 0},  // resolved by name
      // A SID is written as it is, whatever its display name says.
      {L"S-1-5-18", L"BUILTIN\\Administrators", 0x00, actAccessAllowed, 0xF01FF, 0x1F01FF},
      // A mask edited after reading is written as edited.
      {L"S-1-5-11", L"", 0x00, actAccessAllowed, 0x20089, 0x1F01FF},
  };
  TQvAccessList list;
  for (const Item& i : items) {
    TQvAccessItem* item = list.Add();
    item->SetSid(i.Sid);
    item->SetUserName(i.User);
    item->SetFlags(QvAceFlagsFromSetByte(i.SetFlags));
    item->SetAceType(i.Type);
    item->SetMask(i.Mask);
    item->SetMask_Unnormalized(i.Raw);
  }
  Write(list);
  EXPECT_EQ(gWritten.Dacl, ExpectedAcl({
                               {ACCESS_DENIED_ACE_TYPE, 0x04, 0x116, L"S-1-5-32-545"},
                               {ACCESS_ALLOWED_ACE_TYPE, 0x0B, 0x20089, L"S-1-5-32-544"},
                               {ACCESS_ALLOWED_ACE_TYPE, 0x00, 0x200A9, L"S-1-5-32-545"},
                               {ACCESS_ALLOWED_ACE_TYPE, 0x00, 0x1F01FF, L"S-1-5-18"},
                               {ACCESS_ALLOWED_ACE_TYPE, 0x00, 0x20089, L"S-1-5-11"},
                           }));
}

TEST_F(WriteTest, EmptyListWritesAnEmptyDacl) {
  TQvAccessList list;
  Write(list);
  ASSERT_EQ(gWritten.Dacl.size(), 8u);
  EXPECT_EQ(reinterpret_cast<PACL>(gWritten.Dacl.data())->AceCount, 0);
}

TEST_F(WriteTest, ResetToInheritSendsTheUnprotectFlag) {
  TQvNTFileSecurity(L"C:\\target").InheritAclFromParent();
  ASSERT_EQ(gWritten.Calls, 1);
  EXPECT_EQ(gWritten.Info, 0x20000004u);
  EXPECT_EQ(gWritten.Dacl, ExpectedAcl({}));
}

TEST_F(WriteTest, FailuresReachTheCaller) {
  // The system refuses the write.
  gWritten.Result = ERROR_ACCESS_DENIED;
  TQvAccessList list;
  try {
    Write(list);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), WinErrorText(5) + L":ErrorCode=5");
  }
  gWritten.Result = ERROR_SUCCESS;
  gWritten.Calls = 0;
  // A path that cannot be read.
  EXPECT_THROW(TQvNTFileSecurity(L"C:\\missing").SetAccessControlList(&list), Exception);
  EXPECT_THROW(TQvNTFileSecurity(L"C:\\missing").InheritAclFromParent(), Exception);
  // A user name that names no account, and a SID text that is no SID.
  list.Add()->SetUserName(L"no such account here");
  try {
    Write(list);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), WinErrorText(ERROR_NONE_MAPPED) + L":ErrorCode=1332");
  }
  list.Get(0)->SetSid(L"S-1-x");
  EXPECT_THROW(Write(list), Exception);
  EXPECT_EQ(gWritten.Calls, 0);
}

TEST_F(WriteTest, SidsWithARight) {
  fakes::Sddl[L"C:\\dir\\file.txt"] =
      L"D:(A;OIIO;0x1;;;WD)(A;;0x1200a9;;;BU)(D;;FR;;;AU)(A;;0x2;;;BA)(A;OICIID;FA;;;SY)";
  fakes::Sddl[L"C:\\dir"] = L"D:(A;;0x1;;;BU)(D;;FA;;;S-1-5-21-1-2-3-1001)";
  TStringList allowed, denied;
  allowed.Add(L"stale");
  TQvNTFileSecurity file(L"C:\\dir\\file.txt");
  EXPECT_TRUE(file.GetDataReadableSids(&allowed, &denied));
  EXPECT_EQ(allowed.Text(), L"S-1-5-32-545\r\nS-1-5-18\r\n");
  EXPECT_EQ(denied.Text(), L"S-1-5-11\r\n");
  fakes::Reads.clear();
  EXPECT_TRUE(file.GetDirectoryListableSids(&allowed, &denied));
  EXPECT_EQ(fakes::Reads, std::vector<String>{L"C:\\dir"});
  EXPECT_EQ(allowed.Text(), L"S-1-5-32-545\r\n");
  EXPECT_EQ(denied.Text(), L"S-1-5-21-1-2-3-1001\r\n");
  // Compression rules see the upper-cased text.
  SidCompressor->AddRule(L"S-1-5-21-1-2-3", L"DOM");
  file.GetDirectoryListableSids(&allowed, &denied);
  EXPECT_EQ(denied.Text(), L"DOM-1001\r\n");
  // An unreadable path gives empty lists, no exception, and False.
  TQvNTFileSecurity missing(L"C:\\nowhere\\x");
  EXPECT_FALSE(missing.GetDataReadableSids(&allowed, &denied));
  EXPECT_EQ(allowed.Count() + denied.Count(), 0);
  EXPECT_FALSE(missing.GetDirectoryListableSids(&allowed, &denied));
  // A DACL cut short by a failed lookup is no answer either: False, with the SIDs read.
  fakes::Sddl[L"C:\\dir\\cut.txt"] = L"D:(A;;FR;;;BU)(D;;FR;;;S-1-5-21-9-9-9-500)(A;;FR;;;SY)";
  fakes::Accounts[L"S-1-5-21-9-9-9-500"] = {L"", L"", ERROR_ACCESS_DENIED};
  EXPECT_FALSE(TQvNTFileSecurity(L"C:\\dir\\cut.txt").GetDataReadableSids(&allowed, &denied));
  EXPECT_EQ(allowed.Text(), L"S-1-5-32-545\r\n");
  EXPECT_EQ(denied.Count(), 0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
