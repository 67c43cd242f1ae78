// What the program gets from its manifest and its start-up list, checked in a program
// built with the same resources and started with the same list.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "ProgramUnits.h"
#include "SysUtils.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms) {
  DWORD end = GetTickCount() + Ms;
  MSG m;
  do {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(5);
  } while (GetTickCount() < end);
}

void EachUnit(const TUnitList& List, const std::function<void(const TUnitInfo&)>& F) {
  for (const TUnitList* Need : List.Needs) EachUnit(*Need, F);
  for (const TUnitInfo* U : List.Units) F(*U);
}

}  // namespace

TEST(Program, LoadsCommonControlsVersion6) {
  // The common controls the program loaded come from the side-by-side assembly of
  // version 6 that its manifest asks for.
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(nullptr, comctl);
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
  String loaded = LowerCase(ExtractFileDir(path));
  bool found = false;
  for (DWORD i = 1; !found; ++i) {
    // No context and no flags: the process default context, made from the manifest.
    std::vector<BYTE> buf(4096);
    SIZE_T size = 0;
    if (!QueryActCtxW(0, nullptr, &i,
                      AssemblyDetailedInformationInActivationContext, buf.data(), buf.size(), &size))
      break;
    auto* info = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buf.data());
    String identity = info->lpAssemblyEncodedAssemblyIdentity ? info->lpAssemblyEncodedAssemblyIdentity : L"";
    String dir = info->lpAssemblyDirectoryName ? info->lpAssemblyDirectoryName : L"";
    if (LowerCase(identity).find(L"microsoft.windows.common-controls") != 0) continue;
    found = true;
    EXPECT_NE(String::npos, identity.find(L"version=\"6.")) << identity;
    EXPECT_FALSE(dir.empty());
    EXPECT_NE(String::npos, loaded.find(LowerCase(dir))) << loaded << L" " << dir;
  }
  EXPECT_TRUE(found) << "no common-controls assembly in the activation context";

  // A push button of version 6 answers the ideal-size request, one of version 5 does not.
  HWND button = CreateWindowExW(0, L"BUTTON", L"Button text", WS_POPUP | BS_PUSHBUTTON, 0, 0, 20, 20,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, button);
  SIZE ideal{};
  EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
  EXPECT_GT(ideal.cx, 20);
  DestroyWindow(button);
}

TEST(Program, DeclaresSystemDpiAwareness) {
  // System-wide awareness, as the suite reads the screen resolution once; no per-monitor
  // awareness, which it would have to follow.
  const wchar_t* ns = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
  wchar_t value[32] = {};
  SIZE_T written = 0;
  ASSERT_TRUE(QueryActCtxSettingsW(0, nullptr, ns, L"dpiAware", value, 32, &written));
  EXPECT_STREQ(L"true", value);
  EXPECT_FALSE(QueryActCtxSettingsW(0, nullptr, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                                    L"dpiAwareness", value, 32, &written));
  EXPECT_TRUE(IsProcessDPIAware());
}

TEST(Program, StartsEveryUnitOfItsLayers) {
  int count = 0;
  EachUnit(ProgramUnits, [&](const TUnitInfo& U) {
    ++count;
    EXPECT_TRUE(UnitInitialized(U.Name)) << U.Name;
  });
  EXPECT_GT(count, 10);
}

TEST(Program, ShowsDatesInTheLocaleOrder) {
  // The runtime's own start-up reads the user's locale (Japanese here): year first.
  SYSTEMTIME day{2024, 3, 2, 5};
  wchar_t system[80];
  ASSERT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, system, 80), 0);
  ASSERT_EQ(L'2', system[0]) << system;
  EXPECT_EQ(String(system), DateToStr(EncodeDate(2024, 3, 5)));
}

TEST(Program, ShowsHints) {
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  form->SetPosition(poDesigned);
  form->SetBounds(60, 60, 240, 160);
  auto* panel = new TPanel(form);
  panel->SetBounds(10, 10, 120, 80);
  panel->SetHint(L"ヒント");
  panel->SetShowHint(true);
  panel->SetParent(form);
  form->Show();
  Pump(80);
  Application->ActivateHint(panel->ClientToScreen(POINT{40, 30}));
  Pump(80);
  HWND hint = FindWindowW(L"ZsHintWindow", nullptr);
  ASSERT_NE(nullptr, hint);
  EXPECT_TRUE(IsWindowVisible(hint));
  wchar_t text[32] = {};
  GetWindowTextW(hint, text, 32);
  EXPECT_STREQ(L"ヒント", text);
  Application->HideHint();
  delete form;
  Pump(20);
}

}  // namespace ZS_UNITY_ID
