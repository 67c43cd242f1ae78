#include <gtest/gtest.h>

#include <vector>

#include "Forms.h"
#include "vdCore.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxDWMApi.h"

namespace ZS_UNITY_ID {

namespace {

using namespace vdUxTheme;

// Substitutes OpenThemeData, CloseThemeData and IsThemeActive with recorders that
// forward to the library, and puts everything back (and the cache empty) afterwards.
class ThemeManager : public ::testing::Test {
 protected:
  static inline FARPROC RealOpen = nullptr, RealClose = nullptr, RealActive = nullptr;
  static inline std::vector<String> Opened;
  static inline int Closed = 0;
  static inline bool FakeInactive = false;

  static HTHEME WINAPI RecordingOpen(HWND hwnd, LPCWSTR classList) {
    Opened.push_back(classList);
    return reinterpret_cast<HTHEME(WINAPI*)(HWND, LPCWSTR)>(reinterpret_cast<void*>(RealOpen))(hwnd, classList);
  }
  static HRESULT WINAPI RecordingClose(HTHEME theme) {
    ++Closed;
    return reinterpret_cast<HRESULT(WINAPI*)(HTHEME)>(reinterpret_cast<void*>(RealClose))(theme);
  }
  static BOOL WINAPI SwitchableActive() {
    return FakeInactive ? FALSE : reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(RealActive))();
  }

  void SetUp() override {
    ASSERT_TRUE(vdUxThemeLoaded);
    ASSERT_TRUE(vdThemeManagerEnabled) << "the platform's visual style is expected to be active";
    vdCloseAllThemes();
    RealOpen = Function(fnOpenThemeData);
    RealClose = Function(fnCloseThemeData);
    RealActive = Function(fnIsThemeActive);
    SetFunction(fnOpenThemeData, reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordingOpen)));
    SetFunction(fnCloseThemeData, reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordingClose)));
    SetFunction(fnIsThemeActive, reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SwitchableActive)));
    Opened.clear();
    Closed = 0;
    FakeInactive = false;
  }
  void TearDown() override {
    FakeInactive = false;
    vdThemeManagerEnabled = true;
    for (int t = totButton; t <= totWindow; ++t) vdCloseThemeByType(static_cast<TvdThemedObjectType>(t));
    SetFunction(fnOpenThemeData, RealOpen);
    SetFunction(fnCloseThemeData, RealClose);
    SetFunction(fnIsThemeActive, RealActive);
  }
};

TEST_F(ThemeManager, LibraryFunctionsAreBoundByName) {
  EXPECT_STREQ(FunctionName(fnCloseThemeData), "CloseThemeData");
  EXPECT_STREQ(FunctionName(fnBufferedPaintSetAlpha), "BufferedPaintSetAlpha");
  for (auto f : {fnOpenThemeData, fnCloseThemeData, fnDrawThemeBackground, fnGetThemePartSize,
                 fnGetThemeColor, fnDrawThemeText, fnGetCurrentThemeName})
    EXPECT_NE(Function(f), nullptr) << FunctionName(f);
  EXPECT_NE(RealOpen, nullptr);
  EXPECT_TRUE(vdUxTheme::IsThemeActive());
}

TEST_F(ThemeManager, HandlesAreCachedPerPartKindAndClassList) {
  EXPECT_TRUE(vdThemesAvailable());
  EXPECT_TRUE(Opened.empty()) << "an empty set of needed kinds opens nothing";

  HTHEME button = vdOpenThemeByType(totButton);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(vdOpenThemeByType(totButton), button);
  EXPECT_EQ(vdOpenThemeByType(totButton, L"button"), button);  // same list in another case
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0], L"Button");

  HTHEME header = vdOpenThemeByType(totButton, L"Header");
  EXPECT_NE(header, nullptr);
  EXPECT_EQ(Closed, 1);
  ASSERT_EQ(Opened.size(), 2u);
  EXPECT_EQ(Opened[1], L"Header");
  // Without a list the remembered one serves.
  EXPECT_EQ(vdOpenThemeByType(totButton), header);
  EXPECT_EQ(Opened.size(), 2u);

  EXPECT_TRUE(vdThemesAvailable({totEdit, totHeader}));
  EXPECT_TRUE(vdIsThemeOpenable(totEdit));
  EXPECT_EQ(Opened.size(), 4u);

  vdCloseThemeByType(totEdit);
  vdCloseThemeByType(totEdit);  // nothing cached: nothing to close
  EXPECT_EQ(Closed, 2);
  // A part kind whose class list does not open is not cached.
  EXPECT_EQ(vdOpenThemeByType(totClock, L"NoSuchThemeClass"), nullptr);
  EXPECT_EQ(vdOpenThemeByType(totClock, L"NoSuchThemeClass"), nullptr);
  EXPECT_EQ(Opened.size(), 6u);
}

TEST_F(ThemeManager, ThemeChangeClosesHandlesKeepsListsAndNotifies) {
  ASSERT_NE(vdOpenThemeByType(totButton, L"Header"), nullptr);
  ASSERT_NE(vdOpenThemeByType(totTab), nullptr);
  std::vector<int> calls;
  TvdThemeChangedNotificator first, second, silent;
  first.SetOnThemeChanged([&] { calls.push_back(1); });
  second.SetOnThemeChanged([&] { calls.push_back(2); });

  HWND receiver = vdThemeChangedReceiverWindow();
  ASSERT_NE(receiver, nullptr);
  EXPECT_EQ(SendMessageW(receiver, WM_THEMECHANGED, 0, 0), 0);
  EXPECT_EQ(Closed, 2);
  EXPECT_EQ(calls, (std::vector<int>{1, 2}));
  EXPECT_TRUE(vdThemeManagerEnabled);

  Opened.clear();
  EXPECT_NE(vdOpenThemeByType(totButton), nullptr);
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0], L"Header");  // the remembered special list is used again
}

TEST_F(ThemeManager, NotificatorsFreedWhileOthersAreToldAreNotCalled) {
  std::vector<int> calls;
  TvdThemeChangedNotificator first;
  auto* victim = new TvdThemeChangedNotificator;  // listed after `first`
  victim->SetOnThemeChanged([&] { calls.push_back(2); });
  first.SetOnThemeChanged([&] {
    calls.push_back(1);
    delete victim;  // a control freed by another one's refresh
    victim = nullptr;
  });
  SendMessageW(vdThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
  EXPECT_EQ(calls, (std::vector<int>{1}));
  SendMessageW(vdThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
  EXPECT_EQ(calls, (std::vector<int>{1, 1}));
}

TEST_F(ThemeManager, NoActiveVisualStyleFallsBack) {
  ASSERT_NE(vdOpenThemeByType(totButton), nullptr);
  FakeInactive = true;
  bool notified = false;
  TvdThemeChangedNotificator n;
  n.SetOnThemeChanged([&] { notified = true; });
  SendMessageW(vdThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
  EXPECT_TRUE(notified);
  EXPECT_FALSE(vdThemeManagerEnabled);
  Opened.clear();
  EXPECT_FALSE(vdThemesAvailable());
  EXPECT_FALSE(vdThemesAvailable({totButton}));
  EXPECT_FALSE(vdIsThemeOpenable(totButton));
  EXPECT_EQ(vdOpenThemeByType(totButton), nullptr);
  EXPECT_FALSE(vdIsLunaOrRoyaleTheme());
  EXPECT_TRUE(Opened.empty());

  // An unbound IsThemeActive answers False.
  SetFunction(fnIsThemeActive, nullptr);
  EXPECT_FALSE(vdUxTheme::IsThemeActive());
}

TEST_F(ThemeManager, ErrorsOfNotificatorsStayInsideTheWindowProcedure) {
  TvdThemeChangedNotificator thrower;
  thrower.SetOnThemeChanged([] { throw EvdException(L"refresh failed"); });
  String reported;
  ASSERT_NE(Application, nullptr);
  Application->OnException = [&](TObject*, const Exception& e) { reported = e.Message(); };
  EXPECT_EQ(SendMessageW(vdThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0), 0);
  Application->OnException = nullptr;
  EXPECT_EQ(reported, L"refresh failed");
  EXPECT_TRUE(vdThemeManagerEnabled);
}

const wchar_t* FakeThemeFile = L"";
HRESULT FakeThemeAnswer = S_OK;
HRESULT WINAPI FakeThemeName(LPWSTR name, int cch, LPWSTR, int, LPWSTR, int) {
  lstrcpynW(name, FakeThemeFile, cch);
  return FakeThemeAnswer;
}

TEST_F(ThemeManager, LunaOrRoyaleByTheThemeFileName) {
  FARPROC real = Function(fnGetCurrentThemeName);
  SetFunction(fnGetCurrentThemeName, reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeThemeName)));
  struct {
    const wchar_t* file;
    HRESULT answer;
    bool expected;
  } cases[] = {
      {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", S_OK, true},
      {L"C:\\WINDOWS\\Resources\\Themes\\Royale\\Royale.msstyles", S_OK, true},
      {L"C:\\WINDOWS\\Resources\\Themes\\Aero\\aero.msstyles", S_OK, false},
      {L"luna.msstyles.bak", S_OK, false},
      {L"C:\\luna.msstyles", E_FAIL, false},
  };
  for (const auto& c : cases) {
    FakeThemeFile = c.file;
    FakeThemeAnswer = c.answer;
    EXPECT_EQ(vdIsLunaOrRoyaleTheme(), c.expected) << testing::PrintToString(String(c.file));
  }
  SetFunction(fnGetCurrentThemeName, real);
}

TEST_F(ThemeManager, ParentBackgroundKeepsTheSelectedFont) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 20, 20, parent, nullptr, nullptr, nullptr);
  HDC dc = GetDC(child);
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, 20, 20};
  vdUxTheme::DrawThemeParentBackground(child, dc, &r);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(child, dc);
  DestroyWindow(parent);
}

TEST(DesktopWindowManager, LoadedOnlyAboveVersion5) {
  vxDWMApi::FreeLibrary();
  vxDWMApi::LoadLibrary(5);
  EXPECT_FALSE(vxIsDwmLoaded);
  EXPECT_EQ(vxDWMApi::DwmIsCompositionEnabled, nullptr);
  EXPECT_FALSE(vxIsCompositionEnabled());
  vxDWMApi::LoadLibrary(6);
  EXPECT_TRUE(vxIsDwmLoaded);
  EXPECT_NE(vxDWMApi::DwmIsCompositionEnabled, nullptr);
  EXPECT_NE(vxDWMApi::DwmExtendFrameIntoClientArea, nullptr);
  BOOL enabled = FALSE;
  vxDWMApi::DwmIsCompositionEnabled(&enabled);
  EXPECT_EQ(vxIsCompositionEnabled(), enabled != FALSE);
}

}  // namespace

}  // namespace ZS_UNITY_ID
