// Change registration over the real shell: a folder made through the shell in this
// process reaches the registered window.
#include <gtest/gtest.h>

#include <vector>

#include "ShellTestSupport.h"

namespace ZS_UNITY_ID {

using namespace shell_test;

namespace {
struct TSeen {
  LONG Event;
  String Path1;
};
std::vector<TSeen>* Seen = nullptr;

LRESULT CALLBACK NotifyWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_VXSHELL_NOTIFY && Seen) {
    LONG event = 0;
    TvxPidl p1, p2;
    if (vxShellLockChangeNotification(WParam, LParam, event, p1, p2))
      Seen->push_back({event, vxShellPidlToPath(p1.get())});
    return 0;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

struct ChangeNotifyTest : ::testing::Test {
  HWND Wnd = nullptr;
  std::vector<TSeen> Events;
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = NotifyWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VxShellNotifyTestWindow";
    RegisterClassW(&wc);
    Wnd = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    Seen = &Events;
  }
  void TearDown() override {
    Seen = nullptr;
    DestroyWindow(Wnd);
  }
  bool SawMkdir(const String& Path) {
    for (auto& e : Events)
      if ((e.Event & SHCNE_MKDIR) && AnsiUpperCase(e.Path1) == AnsiUpperCase(Path)) return true;
    return false;
  }
};
}  // namespace

TEST_F(ChangeNotifyTest, SeesAFolderMadeThroughTheShell) {
  TTempTree tree;
  tree.Folder(L"sub");
  TvxPidl folder = ParsePath(tree.Root());
  ASSERT_TRUE(folder);
  TvxShellChangeNotifierData data;
  vxShellRegisterChangeNotify(folder.get(), Wnd, WM_VXSHELL_NOTIFY, data, true);
  ASSERT_NE(0u, data.Handle);
  EXPECT_TRUE(vxShellPidlEqual(folder.get(), data.Pidl.get()));
  ULONG handle = data.Handle;
  vxShellRegisterChangeNotify(folder.get(), Wnd, WM_VXSHELL_NOTIFY, data, true);  // same folder: kept
  EXPECT_EQ(handle, data.Handle);

  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, tree.Path(L"made").c_str(), nullptr));
  EXPECT_TRUE(PumpUntil([&] { return SawMkdir(tree.Path(L"made")); }));
  // Recursive: a folder made below a subfolder is seen too.
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, tree.Path(L"sub\\deeper").c_str(), nullptr));
  EXPECT_TRUE(PumpUntil([&] { return SawMkdir(tree.Path(L"sub\\deeper")); }));

  vxShellUnregisterChangeNotify(data);
  EXPECT_EQ(0u, data.Handle);
  EXPECT_FALSE(data.Pidl);
  Events.clear();
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, tree.Path(L"after").c_str(), nullptr));
  Pump(200);
  EXPECT_FALSE(SawMkdir(tree.Path(L"after")));
}

TEST_F(ChangeNotifyTest, MovingToAnotherFolderReregisters) {
  TTempTree tree;
  tree.Folder(L"a");
  tree.Folder(L"b");
  TvxPidl a = ParsePath(tree.Path(L"a")), b = ParsePath(tree.Path(L"b"));
  TvxShellChangeNotifierData data;
  vxShellRegisterChangeNotify(a.get(), Wnd, WM_VXSHELL_NOTIFY, data, true);
  vxShellRegisterChangeNotify(b.get(), Wnd, WM_VXSHELL_NOTIFY, data, true);
  EXPECT_TRUE(vxShellPidlEqual(b.get(), data.Pidl.get()));
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, tree.Path(L"a\\x").c_str(), nullptr));
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, tree.Path(L"b\\y").c_str(), nullptr));
  EXPECT_TRUE(PumpUntil([&] { return SawMkdir(tree.Path(L"b\\y")); }));
  EXPECT_FALSE(SawMkdir(tree.Path(L"a\\x")));
  // Nothing registered for nil; a nil folder releases the registration.
  vxShellRegisterChangeNotify(nullptr, Wnd, WM_VXSHELL_NOTIFY, data, false);
  EXPECT_EQ(0u, data.Handle);
  EXPECT_FALSE(data.Pidl);
}

}  // namespace ZS_UNITY_ID
