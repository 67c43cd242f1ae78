#include "SecurityFakes.h"

namespace ZS_UNITY_ID {

namespace {

DWORD gPlatform, gMajor;
BOOL gVersionFails;

BOOL WINAPI FakeVersion(LPOSVERSIONINFOW Info) {
  if (gVersionFails) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EXPECT_EQ(Info->dwOSVersionInfoSize, 276u);
  Info->dwPlatformId = gPlatform;
  Info->dwMajorVersion = gMajor;
  Info->dwMinorVersion = 1;
  return TRUE;
}

class BindingTest : public SecurityTest {};

TEST_F(BindingTest, VersionCheck) {
  struct Case {
    DWORD Platform, Major;
    bool Passes;
  } cases[] = {
      {2, 5, true}, {2, 6, true}, {2, 10, true}, {2, 4, false}, {1, 4, false}, {1, 10, false},
      {0, 5, false},
  };
  QvSecurityApi.GetVersionExW = &FakeVersion;
  gVersionFails = FALSE;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Platform << "." << c.Major);
    gPlatform = c.Platform;
    gMajor = c.Major;
    if (c.Passes) {
      EXPECT_TRUE(CheckWin2000OrLater());
    } else {
      try {
        CheckWin2000OrLater();
        ADD_FAILURE() << "no exception";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), L"Windows 2000+ required");
        EXPECT_EQ(e.ClassType(), Exception::StaticClass());
      }
    }
  }
  TQvOSVersion v = GetOSVersion();
  EXPECT_EQ(v.MinorVersion, 1u);
  gVersionFails = TRUE;
  EXPECT_THROW(GetOSVersion(), EOSError);
}

TEST_F(BindingTest, OldSystemStopsStartUpAndLeavesNothingBehind) {
  QvNTSecurityUnitUnit.Finalize();
  QvSecurityApi.GetVersionExW = &FakeVersion;
  gVersionFails = FALSE;
  gPlatform = 1;
  gMajor = 4;
  try {
    QvNTSecurityUnitUnit.Initialize();
    ADD_FAILURE() << "start-up passed on an old system";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), L"Windows 2000+ required");
  }
  EXPECT_EQ(SidStore, nullptr);
  EXPECT_EQ(QvSecurityApi.GetAce, nullptr);
}

TEST_F(BindingTest, StartUpBindsAllTwentyFunctions) {
  RestartSecurityUnit();
  void** slots = reinterpret_cast<void**>(&QvSecurityApi);
  for (int i = 0; i < 20; ++i) EXPECT_NE(slots[i], nullptr) << QvBoundFunctionNames[i];
  EXPECT_EQ(QvAdvapiLibraryName(), L"advapi32.dll");
  EXPECT_EQ(QvNetapiLibraryName(), L"netapi32.dll");
  EXPECT_NE(SidStore, nullptr);
  EXPECT_NE(SidCompressor, nullptr);
}

TEST_F(BindingTest, NetapiLoadsAtItsFirstCallNotAtStartUp) {
  // Nothing else in this program loads the library: start-up must not either.
  RestartSecurityUnit();
  ASSERT_EQ(GetModuleHandleW(L"netapi32.dll"), nullptr);
  auto* stub = QvSecurityApi.NetApiBufferFree;
  EXPECT_EQ(QvSecurityApi.NetApiBufferFree(nullptr), 0u);
  HMODULE netapi = GetModuleHandleW(L"netapi32.dll");
  ASSERT_NE(netapi, nullptr);
  // Both entries now call the library itself.
  EXPECT_NE(QvSecurityApi.NetApiBufferFree, stub);
  EXPECT_EQ(reinterpret_cast<void*>(QvSecurityApi.NetApiBufferFree),
            reinterpret_cast<void*>(GetProcAddress(netapi, "NetApiBufferFree")));
  EXPECT_EQ(reinterpret_cast<void*>(QvSecurityApi.DsGetDcNameW),
            reinterpret_cast<void*>(GetProcAddress(netapi, "DsGetDcNameW")));
  // Shut-down frees it again.
  QvNTSecurityUnitUnit.Finalize();
  EXPECT_EQ(GetModuleHandleW(L"netapi32.dll"), nullptr);
}

TEST_F(BindingTest, MissingLibrariesRaiseOnlyWhenCalled) {
  QvBindSecurityApi(L"zs_missing_a.dll", L"zs_missing_b.dll");
  void** slots = reinterpret_cast<void**>(&QvSecurityApi);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(slots[i], nullptr) << QvBoundFunctionNames[i];
  const String missing =
      L"Cannot load library \"zs_missing_a.dll or zs_missing_b.dll\" or linked libraries. Not Windows 2000?";
  try {
    SidToText(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), missing);
  }
  // The netapi entries find their library missing at their first call, raise then, and
  // are left empty so that the call stub raises at every later call.
  try {
    QvSecurityApi.NetApiBufferFree(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), missing);
  }
  EXPECT_EQ(QvSecurityApi.NetApiBufferFree, nullptr);
  EXPECT_EQ(QvSecurityApi.DsGetDcNameW, nullptr);
  // Reading does not raise it: the list says it was not read, and why.
  TQvAccessList list;
  list.Add();
  TQvNTFileSecurity security(L"C:\\");
  security.GetAccessList(&list, L"");
  EXPECT_EQ(list.Count(), 1);  // a failed read leaves a reused list as it was
  EXPECT_EQ(list.ReadOutcome().Result, qrNotRead);
  EXPECT_EQ(list.ReadOutcome().ErrorCode, -1);
  EXPECT_EQ(list.ReadOutcome().ErrorText.rfind(L"Cannot load library", 0), 0u);
}

TEST_F(BindingTest, OneUnboundFunctionEndsTheWalkAndIsTold) {
  fakes::Sddl[L"C:\\x"] = L"D:(A;;FA;;;SY)(A;;FA;;;BA)";
  QvSecurityApi.GetAce = nullptr;
  Read(L"C:\\x");
  EXPECT_EQ(List.Count(), 0);
  EXPECT_EQ(List.SecurityDescriptor() & SE_SELF_RELATIVE, SE_SELF_RELATIVE);
  EXPECT_EQ(List.ReadOutcome().Result, qrStopped);
  EXPECT_EQ(List.ReadOutcome().StoppedAt, 0);
  EXPECT_EQ(List.ReadOutcome().ErrorText.rfind(L"Cannot load library", 0), 0u);
  // Without the DACL's size nothing at all is read.
  SetUp();
  fakes::Sddl[L"C:\\x"] = L"D:(A;;FA;;;SY)(A;;FA;;;BA)";
  QvSecurityApi.GetAclInformation = nullptr;
  TQvAccessList again;
  TQvNTFileSecurity(L"C:\\x").GetAccessList(&again, L"");
  EXPECT_EQ(again.ReadOutcome().Result, qrNotRead);
}

TEST(ErrorText, Formats) {
  String text5 = WinErrorText(5);
  ASSERT_EQ(text5.rfind(L"5: ", 0), 0u);
  EXPECT_GT(text5.size(), 3u);
  EXPECT_EQ(WinErrorText(0x2000FFFF), L"536936447: ");
  try {
    SetLastError(5);
    RaiseLastWinError();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), text5 + L":ErrorCode=5");
  }
  try {
    RaiseWinErrorCode(1332);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), L":ErrorCode=1332");
  }
  EXPECT_NO_THROW(RaiseWinErrorCode(0));
  SetLastError(0);
  EXPECT_NO_THROW(RaiseLastWinError());
}

}  // namespace

}  // namespace ZS_UNITY_ID
