// Real folders read through the platform, checked against the same descriptor rendered
// independently as SDDL text by the platform's own converter.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "ACLUtil.h"
#include "QvNTSecurityUnit.h"

#include <sddl.h>

namespace ZS_UNITY_ID {

namespace {

struct SddlAce {
  String Type, Flags, Rights, Sid;
};

// Splits "D:AI(A;OICI;FA;;;SY)(...)" into its ACE strings' fields.
std::vector<SddlAce> ParseDacl(const String& Sddl) {
  std::vector<SddlAce> aces;
  size_t pos = 0;
  while ((pos = Sddl.find(L'(', pos)) != String::npos) {
    size_t end = Sddl.find(L')', pos);
    std::vector<String> f;
    String field;
    for (size_t i = pos + 1; i < end; ++i) {
      if (Sddl[i] == L';') {
        f.push_back(field);
        field.clear();
      } else {
        field += Sddl[i];
      }
    }
    f.push_back(field);
    if (f.size() >= 6) aces.push_back({f[0], f[1], f[2], f[5]});
    pos = end;
  }
  return aces;
}

Cardinal RightsOf(const String& r) {
  if (r.rfind(L"0x", 0) == 0) return static_cast<Cardinal>(std::stoul(r.substr(2), nullptr, 16));
  static const std::map<String, Cardinal> named = {
      {L"GA", GENERIC_ALL},       {L"GR", GENERIC_READ},    {L"GW", GENERIC_WRITE},
      {L"GX", GENERIC_EXECUTE},   {L"FA", FILE_ALL_ACCESS}, {L"FR", FILE_GENERIC_READ},
      {L"FW", FILE_GENERIC_WRITE}, {L"FX", FILE_GENERIC_EXECUTE}, {L"SD", DELETE},
      {L"RC", READ_CONTROL},      {L"WD", WRITE_DAC},       {L"WO", WRITE_OWNER},
  };
  Cardinal m = 0;
  for (size_t i = 0; i + 1 < r.size(); i += 2) m |= named.at(r.substr(i, 2));
  return m;
}

Byte FlagsOf(const String& f) {
  static const std::map<String, Byte> named = {
      {L"OI", 0x01}, {L"CI", 0x02}, {L"NP", 0x04}, {L"IO", 0x08}, {L"ID", 0x10},
  };
  Byte b = 0;
  for (size_t i = 0; i + 1 < f.size(); i += 2) b |= named.at(f.substr(i, 2));
  return b;
}

// The file mapping of the generic bits, then the cut to the thirteen rights and the
// four standard ones.
Cardinal Normalised(Cardinal m) {
  if (m & GENERIC_READ) m |= FILE_GENERIC_READ;
  if (m & GENERIC_WRITE) m |= FILE_GENERIC_WRITE;
  if (m & GENERIC_EXECUTE) m |= FILE_GENERIC_EXECUTE;
  if (m & GENERIC_ALL) m |= FILE_ALL_ACCESS;
  return m & 0xF01FF;
}

String CanonicalSid(const String& s, std::vector<Byte>& bytes) {
  PSID sid = nullptr;
  EXPECT_TRUE(ConvertStringSidToSidW(s.c_str(), &sid)) << "SID " << s.size();
  LPWSTR text = nullptr;
  ConvertSidToStringSidW(sid, &text);
  String r = text;
  bytes.assign(static_cast<Byte*>(sid), static_cast<Byte*>(sid) + GetLengthSid(sid));
  LocalFree(text);
  LocalFree(sid);
  return r;
}

String AccountOf(std::vector<Byte>& sid) {
  wchar_t name[256], domain[256];
  DWORD n = 256, d = 256;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, sid.data(), name, &n, domain, &d, &use)) return L"";
  String dom = domain;
  if (dom == L"NT AUTHORITY" || sid == std::vector<Byte>{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0})
    dom.clear();
  return dom.empty() ? String(name) : dom + L"\\" + name;
}

TEST(RealFolder, ListAgreesWithThePlatformsOwnRendering) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const String dir = String(tmp) + L"zs_access_real";
  CreateDirectoryW(dir.c_str(), nullptr);
  const String sub = dir + L"\\子フォルダ";
  CreateDirectoryW(sub.c_str(), nullptr);

  for (const String& path : {dir, sub}) {
    SCOPED_TRACE(testing::Message() << path.size());
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, nullptr, nullptr, &sd),
              0u);
    LPWSTR text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::vector<SddlAce> aces = ParseDacl(text);
    LocalFree(text);
    LocalFree(sd);

    TQvAccessList list;
    TQvNTFileSecurity(path).GetAccessList(&list, L"");
    EXPECT_EQ(list.ReadOutcome().Result, qrComplete);
    ASSERT_FALSE(aces.empty());
    ASSERT_EQ(list.Count(), static_cast<Integer>(aces.size()));
    for (size_t i = 0; i < aces.size(); ++i) {
      SCOPED_TRACE(i);
      const SddlAce& ace = aces[i];
      TQvAccessItem* item = list.Get(static_cast<Integer>(i));
      std::vector<Byte> sidBytes;
      EXPECT_EQ(item->Sid(), CanonicalSid(ace.Sid, sidBytes));
      EXPECT_EQ(item->UserName(), AccountOf(sidBytes));
      EXPECT_EQ(item->AceType(), ace.Type == L"D" ? actAccessDenied : actAccessAllowed);
      EXPECT_EQ(item->FlagsDWORD(), FlagsOf(ace.Flags));
      EXPECT_EQ(item->Mask_Unnormalized(), RightsOf(ace.Rights));
      EXPECT_EQ(item->Mask(), Normalised(RightsOf(ace.Rights)));
    }
  }
  RemoveDirectoryW(sub.c_str());
  RemoveDirectoryW(dir.c_str());
  // A folder that is gone is not read, and the system's reason is kept.
  TQvAccessList gone;
  TQvNTFileSecurity(sub).GetAccessList(&gone, L"");
  EXPECT_EQ(gone.ReadOutcome().Result, qrNotRead);
  EXPECT_TRUE(gone.ReadOutcome().ErrorCode == ERROR_FILE_NOT_FOUND ||
              gone.ReadOutcome().ErrorCode == ERROR_PATH_NOT_FOUND)
      << gone.ReadOutcome().ErrorCode;
  EXPECT_EQ(gone.ReadOutcome().ErrorText, SysErrorMessage(gone.ReadOutcome().ErrorCode));
}

}  // namespace

}  // namespace ZS_UNITY_ID
