#include "SecurityFakes.h"

#include <cstring>

namespace ZS_UNITY_ID {

namespace {

class DaclReadTest : public SecurityTest {};

// Appends an object ACE by hand: header, mask, flags word, the GUIDs given, the SID.
void AppendObjectAce(PACL acl, Byte type, DWORD mask, const GUID* objectType,
                     const GUID* inheritedType, const std::vector<Byte>& sid) {
  ACL_SIZE_INFORMATION info;
  GetAclInformation(acl, &info, sizeof(info), AclSizeInformation);
  Byte* ace = reinterpret_cast<Byte*>(acl) + info.AclBytesInUse;
  DWORD flags = (objectType ? ACE_OBJECT_TYPE_PRESENT : 0) |
                (inheritedType ? ACE_INHERITED_OBJECT_TYPE_PRESENT : 0);
  size_t at = 12;
  std::memcpy(ace + 4, &mask, 4);
  std::memcpy(ace + 8, &flags, 4);
  if (objectType) { std::memcpy(ace + at, objectType, 16); at += 16; }
  if (inheritedType) { std::memcpy(ace + at, inheritedType, 16); at += 16; }
  std::memcpy(ace + at, sid.data(), sid.size());
  auto* header = reinterpret_cast<ACE_HEADER*>(ace);
  header->AceType = type;
  header->AceFlags = 0;
  header->AceSize = static_cast<WORD>(at + sid.size());
  acl->AceCount++;
}

TEST_F(DaclReadTest, EntriesOfAnOrdinaryFolder) {
  ReadSddl(L"D:AI(D;;0x10000;;;WD)(A;OICI;FA;;;BA)(A;OICIID;FA;;;SY)"
           L"(A;OICIIOID;GA;;;CO)(A;CINPID;0x1200a9;;;BU)(A;OIIO;FR;;;S-1-5-21-1-2-3-1001)");
  ASSERT_EQ(List.Count(), 6);
  struct Row {
    const wchar_t *User, *Sid;
    TQvAceType Type;
    Cardinal Mask, Raw, FlagsByte;
    Byte SetByte;
  } rows[] = {
      {L"Everyone", L"S-1-1-0", actAccessDenied, 0x10000, 0x10000, 0x00, 0x00},
      {L"BUILTIN\\Administrators", L"S-1-5-32-544", actAccessAllowed, 0xF01FF, 0x1F01FF, 0x03, 0x03},
      {L"SYSTEM", L"S-1-5-18", actAccessAllowed, 0xF01FF, 0x1F01FF, 0x13, 0x13},
      {L"CREATOR OWNER", L"S-1-3-0", actAccessAllowed, 0xF01FF, GENERIC_ALL, 0x1B, 0x17},
      {L"BUILTIN\\Users", L"S-1-5-32-545", actAccessAllowed, 0x200A9, 0x1200A9, 0x16, 0x1A},
      {L"S-1-5-21-1-2-3-1001", L"S-1-5-21-1-2-3-1001", actAccessAllowed, 0x20089, 0x120089, 0x09, 0x05},
  };
  for (Integer i = 0; i < List.Count(); ++i) {
    SCOPED_TRACE(i);
    const Row& r = rows[i];
    TQvAccessItem* item = List.Get(i);
    EXPECT_EQ(item->Index(), i);
    EXPECT_EQ(item->UserName(), r.User);
    EXPECT_EQ(item->Sid(), r.Sid);
    EXPECT_EQ(item->AceType(), r.Type);
    EXPECT_EQ(item->Mask(), r.Mask);
    EXPECT_EQ(item->Mask_Unnormalized(), r.Raw);
    EXPECT_EQ(item->FlagsDWORD(), r.FlagsByte);
    EXPECT_EQ(QvAceFlagsByte(item->Flags()), r.SetByte);
  }
  EXPECT_TRUE(List.IsInheritedAcl());
  EXPECT_FALSE(List.IsNullDacl());
  EXPECT_EQ(List.SecurityDescriptor() & (SE_SELF_RELATIVE | SE_DACL_PRESENT),
            SE_SELF_RELATIVE | SE_DACL_PRESENT);
  EXPECT_EQ(fakes::LocalFrees > 0, true);
  EXPECT_EQ(List.ReadOutcome().Result, qrComplete);
  EXPECT_EQ(List.ReadOutcome().StoppedAt, -1);
}

TEST_F(DaclReadTest, GenericRightsUseTheFileMapping) {
  struct Case {
    const wchar_t* Rights;
    Cardinal Mask;
  } cases[] = {
      {L"GA", 0xF01FF},          {L"GR", 0x20089},         {L"GW", 0x20116},
      {L"GX", 0x200A0},          {L"GRGX", 0x200A9},       {L"FA", 0xF01FF},
      {L"0x1F01FF", 0xF01FF},    {L"0x100000", 0},         {L"0x10000000", 0xF01FF},
      {L"0x40000001", 0x20117},  // GENERIC_WRITE with READ_DATA
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Rights);
    ReadSddl(String(L"D:(A;;") + c.Rights + L";;;SY)");
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.Get(0)->Mask(), c.Mask);
  }
}

TEST_F(DaclReadTest, NullAbsentAndEmptyDaclsAreTold) {
  struct Case {
    const wchar_t* Sddl;
    bool Null;
    bool Inherits;
  } cases[] = {
      {L"D:NO_ACCESS_CONTROL", true, true},
      {L"O:SY", true, true},  // no DACL at all
      {L"D:", false, true},
      {L"D:P", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Sddl);
    // A DACL that is present without an ACL, whatever the converter makes of the text.
    if (c.Sddl == String(L"D:NO_ACCESS_CONTROL"))
      fakes::Patch = [](PSECURITY_DESCRIPTOR sd) {
        auto* r = static_cast<SECURITY_DESCRIPTOR_RELATIVE*>(sd);
        r->Control |= SE_DACL_PRESENT;
        r->Dacl = 0;
      };
    else
      fakes::Patch = nullptr;
    List.Add();
    ReadSddl(c.Sddl);
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(List.IsNullDacl(), c.Null);
    EXPECT_EQ(List.IsInheritedAcl(), c.Inherits);
    EXPECT_EQ(List.ReadOutcome().Result, qrComplete);  // an empty DACL is read whole too
  }
}

TEST_F(DaclReadTest, CallbackAndObjectEntriesKeepTheirType) {
  const String sddl = L"D:(A;;FA;;;SY)(D;;FA;;;WD)(A;;FR;;;BA)(D;;FW;;;BU)";
  // Turn the entries into the callback types 9 and 10 (the SID stays at offset 8).
  fakes::Patch = [](PSECURITY_DESCRIPTOR sd) {
    fakes::AceOf(sd, 2)->AceType = ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
    fakes::AceOf(sd, 3)->AceType = ACCESS_DENIED_CALLBACK_ACE_TYPE;
  };
  ReadSddl(sddl);
  ASSERT_EQ(List.Count(), 4);
  EXPECT_EQ(List.Get(2)->AceType(), actAccessAllowed);
  EXPECT_EQ(List.Get(2)->Sid(), L"S-1-5-32-544");
  EXPECT_EQ(List.Get(3)->AceType(), actAccessDenied);
  EXPECT_EQ(List.Get(3)->Sid(), L"S-1-5-32-545");
}

TEST_F(DaclReadTest, ObjectEntriesReadTheSidAfterTheirGuids) {
  fakes::Built[L"C:\\objects"] = [](PACL acl) {
    GUID type = {0xbf967a7f, 0x0de6, 0x11d0, {0xa2, 0x85, 0x00, 0xaa, 0x00, 0x30, 0x49, 0xe2}};
    GUID inherited = {0xbf967a86, 0x0de6, 0x11d0, {0xa2, 0x85, 0x00, 0xaa, 0x00, 0x30, 0x49, 0xe2}};
    std::vector<Byte> everyone = fakes::SidBytes(L"S-1-1-0");
    std::vector<Byte> admins = fakes::SidBytes(L"S-1-5-32-544");
    std::vector<Byte> system = fakes::SidBytes(L"S-1-5-18");
    AppendObjectAce(acl, ACCESS_DENIED_OBJECT_ACE_TYPE, 0x10, &type, nullptr, everyone);
    AppendObjectAce(acl, ACCESS_ALLOWED_OBJECT_ACE_TYPE, 0x10, &type, &inherited, admins);
    AppendObjectAce(acl, ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE, 0x10, nullptr, nullptr, system);
  };
  Read(L"C:\\objects");
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List.Get(0)->AceType(), actAccessDenied);
  EXPECT_EQ(List.Get(0)->Sid(), L"S-1-1-0");
  EXPECT_EQ(List.Get(1)->AceType(), actAccessAllowed);
  EXPECT_EQ(List.Get(1)->Sid(), L"S-1-5-32-544");
  EXPECT_EQ(List.Get(2)->Sid(), L"S-1-5-18");
}

TEST_F(DaclReadTest, TheWalkStopsAtADamagedThirdEntry) {
  struct Case {
    const char* What;
    std::function<void(ACE_HEADER*)> Damage;
  } cases[] = {
      {"unknown type", [](ACE_HEADER* a) { a->AceType = 0x55; }},
      {"mandatory label", [](ACE_HEADER* a) { a->AceType = SYSTEM_MANDATORY_LABEL_ACE_TYPE; }},
      {"audit type", [](ACE_HEADER* a) { a->AceType = SYSTEM_AUDIT_ACE_TYPE; a->AceFlags |= 0x40; }},
      {"SID revision", [](ACE_HEADER* a) { reinterpret_cast<Byte*>(a)[8] = 7; }},
      {"SID longer than the entry", [](ACE_HEADER* a) { reinterpret_cast<Byte*>(a)[9] = 9; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    fakes::Patch = [&c](PSECURITY_DESCRIPTOR sd) { c.Damage(fakes::AceOf(sd, 2)); };
    ReadSddl(L"D:(A;;FA;;;SY)(D;;FA;;;WD)(A;;FR;;;BA)(A;;FR;;;BU)");
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(List.Get(1)->Sid(), L"S-1-1-0");
    // The list says it is cut short, where, and why.
    const TQvReadOutcome& o = List.ReadOutcome();
    EXPECT_EQ(o.Result, qrStopped);
    EXPECT_EQ(o.StoppedAt, 2);
    EXPECT_EQ(o.ErrorCode, -1);
    EXPECT_EQ(o.ErrorText, L"Invalid AceType parameter");
  }
}

TEST_F(DaclReadTest, AFailedLookupStopsTheListAndSaysWhere) {
  fakes::Accounts[L"S-1-5-32-545"] = {L"", L"", ERROR_ACCESS_DENIED};
  ReadSddl(L"D:(A;;FA;;;SY)(A;;FA;;;BU)(A;;FA;;;BA)");
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Get(0)->UserName(), L"SYSTEM");
  const TQvReadOutcome& o = List.ReadOutcome();
  EXPECT_EQ(o.Result, qrStopped);
  EXPECT_EQ(o.StoppedAt, 1);
  EXPECT_EQ(o.ErrorCode, ERROR_ACCESS_DENIED);
  EXPECT_EQ(o.ErrorText, SysErrorMessage(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(o.ErrorText.empty());
  // The next complete read clears the mark.
  fakes::Accounts.clear();
  ReadSddl(L"D:(A;;FA;;;SY)(A;;FA;;;BU)");
  EXPECT_EQ(List.Count(), 2);
  EXPECT_EQ(List.ReadOutcome().Result, qrComplete);
  EXPECT_EQ(List.ReadOutcome().ErrorText, L"");
}

TEST_F(DaclReadTest, AnUnreadablePathIsToldAndLeavesTheListAlone) {
  EXPECT_EQ(List.ReadOutcome().Result, qrNone);
  List.Add()->SetUserName(L"old");
  List.SetSecurityDescriptor(0x1000);
  Read(L"C:\\not there");
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Get(0)->UserName(), L"old");
  EXPECT_EQ(List.SecurityDescriptor(), 0x1000);
  const TQvReadOutcome& o = List.ReadOutcome();
  EXPECT_EQ(o.Result, qrNotRead);
  EXPECT_EQ(o.StoppedAt, -1);
  EXPECT_EQ(o.ErrorCode, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(o.ErrorText, SysErrorMessage(ERROR_FILE_NOT_FOUND));
}

// The system's descriptor goes back through LocalFree on every path, including the
// failures after it was handed out; the TearDown check catches any that does not.
BOOL WINAPI FailingMakeAbsolute(PSECURITY_DESCRIPTOR, PSECURITY_DESCRIPTOR, LPDWORD, PACL,
                                LPDWORD, PACL, LPDWORD, PSID, LPDWORD, PSID, LPDWORD) {
  SetLastError(ERROR_INVALID_SECURITY_DESCR);
  return FALSE;
}
BOOL WINAPI FailingMakeSelfRelative(PSECURITY_DESCRIPTOR, PSECURITY_DESCRIPTOR, LPDWORD) {
  SetLastError(ERROR_INVALID_SECURITY_DESCR);
  return FALSE;
}
// Hands out an absolute descriptor (in one LocalAlloc block) instead of a
// self-relative one.
DWORD WINAPI AbsoluteDescriptor(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*,
                                PACL*, PACL*, PSECURITY_DESCRIPTOR* Sd) {
  auto* block = static_cast<Byte*>(LocalAlloc(LPTR, sizeof(SECURITY_DESCRIPTOR) + 64));
  auto* sd = reinterpret_cast<SECURITY_DESCRIPTOR*>(block);
  auto* acl = reinterpret_cast<PACL>(block + sizeof(SECURITY_DESCRIPTOR));
  InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION);
  InitializeAcl(acl, 64, ACL_REVISION);
  std::vector<Byte> everyone = fakes::SidBytes(L"S-1-1-0");
  AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ, everyone.data());
  SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE);
  *Sd = sd;
  fakes::Outstanding.insert(sd);
  return ERROR_SUCCESS;
}

TEST_F(DaclReadTest, TheSystemsDescriptorIsAlwaysReturned) {
  // Ordinary self-relative read.
  ReadSddl(L"D:(A;;FA;;;SY)");
  EXPECT_EQ(List.Count(), 1);
  EXPECT_TRUE(fakes::Outstanding.empty());
  // Conversion to the absolute form fails.
  QvSecurityApi.MakeAbsoluteSD = &FailingMakeAbsolute;
  List.Clear();
  ReadSddl(L"D:(A;;FA;;;SY)");
  EXPECT_EQ(List.Count(), 0);
  EXPECT_TRUE(fakes::Outstanding.empty());
  EXPECT_EQ(List.ReadOutcome().Result, qrNotRead);
  EXPECT_EQ(List.ReadOutcome().ErrorCode, ERROR_INVALID_SECURITY_DESCR);
  RestartSecurityUnit();
  QvSecurityApi.LocalFree = &fakes::CountingLocalFree;
  // An absolute descriptor is read through its self-relative copy...
  QvSecurityApi.GetNamedSecurityInfoW = &AbsoluteDescriptor;
  Read(L"C:\\abs");
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Get(0)->Mask(), 0x20089u);
  EXPECT_TRUE(fakes::Outstanding.empty());
  // ...and given back when that copy cannot be made.
  QvSecurityApi.MakeSelfRelativeSD = &FailingMakeSelfRelative;
  List.Clear();
  Read(L"C:\\abs");
  EXPECT_EQ(List.Count(), 0);
  EXPECT_TRUE(fakes::Outstanding.empty());
}

TEST_F(DaclReadTest, ReadingTwiceKeepsOnlyTheLastDescriptor) {
  fakes::Sddl[L"C:\\one"] = L"D:(A;;FA;;;SY)";
  fakes::Sddl[L"C:\\two"] = L"D:P(A;;FR;;;BA)(A;;FR;;;BU)";
  TQvNTSecurity security;
  security.GetAccessList(L"C:\\one", &List, L"");
  ASSERT_EQ(List.Count(), 1);
  security.GetAccessList(L"C:\\two", &List, L"");
  ASSERT_EQ(List.Count(), 2);
  EXPECT_FALSE(List.IsInheritedAcl());
  EXPECT_EQ(List.Get(1)->UserName(), L"BUILTIN\\Users");
  // The object's copies are those of the second read.
  TQvAccessList again;
  security.GetAccessListFromSecurityDescriptor(security.RelativeSID, &again, L"");
  EXPECT_EQ(again.Count(), 2);
}

}  // namespace

}  // namespace ZS_UNITY_ID
