// Item identifier list routines over real PIDLs of the shell namespace.
#include <gtest/gtest.h>

#include <cstring>

#include "ShellTestSupport.h"
#include "vxShellListView.h"

namespace ZS_UNITY_ID {

namespace {
TvxPidl ParsePath(const String& Path) {
  String s = Path;
  ULONG eaten = 0;
  PIDLIST_RELATIVE p = nullptr;
  if (FAILED(vxShellDesktop()->ParseDisplayName(nullptr, nullptr, s.data(), &eaten, &p, nullptr))) return nullptr;
  return TvxPidl(p);
}
}  // namespace

TEST(ShellPidl, RoutinesOnNilEmptyAndRealLists) {
  TvxPidl windows = ParsePath(L"C:\\windows\\system32");
  ASSERT_TRUE(windows);
  TvxPidl drive = ParsePath(L"C:\\");
  ASSERT_TRUE(drive);
  TvxPidl empty = vxShellPidlEmpty();

  // nil and empty everywhere
  EXPECT_EQ(nullptr, vxShellPidlNext(nullptr));
  EXPECT_EQ(0, vxShellPidlSize(nullptr));
  EXPECT_EQ(0, vxShellPidlItemCount(nullptr));
  EXPECT_EQ(nullptr, vxShellPidlCopy(nullptr));
  EXPECT_EQ(nullptr, vxShellPidlConcat(nullptr, nullptr));
  EXPECT_EQ(nullptr, vxShellPidlParent(nullptr));
  EXPECT_EQ(nullptr, vxShellPidlFirstItem(nullptr));
  EXPECT_EQ(nullptr, vxShellPidlFirstItem(empty.get()));
  EXPECT_EQ(empty.get(), vxShellPidlLastItem(empty.get()));
  EXPECT_EQ(0, vxShellPidlSize(empty.get()));
  EXPECT_TRUE(vxShellPidlIsPrefix(empty.get(), windows.get()));
  EXPECT_TRUE(vxShellPidlIsPrefix(nullptr, windows.get()));
  EXPECT_FALSE(vxShellPidlEqual(nullptr, windows.get()));
  vxShellPidlFree(nullptr);

  // My Computer / C: / windows / system32
  Integer n = vxShellPidlItemCount(windows.get());
  ASSERT_EQ(4, n);
  EXPECT_EQ(2, vxShellPidlItemCount(drive.get()));
  EXPECT_TRUE(vxShellPidlIsPrefix(drive.get(), windows.get()));
  EXPECT_FALSE(vxShellPidlIsPrefix(windows.get(), drive.get()));

  TvxPidl copy = vxShellPidlCopy(windows.get());
  EXPECT_NE(copy.get(), windows.get());
  EXPECT_TRUE(vxShellPidlEqual(copy.get(), windows.get()));
  EXPECT_EQ(vxShellPidlSize(windows.get()), vxShellPidlSize(copy.get()));

  TvxPidl parent = vxShellPidlParent(windows.get());
  EXPECT_EQ(3, vxShellPidlItemCount(parent.get()));
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(parent.get()));
  TvxPidl joined = vxShellPidlConcat(parent.get(), vxShellPidlLastItem(windows.get()));
  EXPECT_TRUE(vxShellPidlEqual(joined.get(), windows.get()));
  TvxPidl onlyFirst = vxShellPidlConcat(nullptr, windows.get());
  EXPECT_TRUE(vxShellPidlEqual(onlyFirst.get(), windows.get()));

  TvxPidl first = vxShellPidlFirstItem(windows.get());
  EXPECT_EQ(1, vxShellPidlItemCount(first.get()));
  TvxPidl oneParent = vxShellPidlParent(first.get());
  EXPECT_EQ(0, vxShellPidlItemCount(oneParent.get()));
  EXPECT_TRUE(oneParent);

  EXPECT_TRUE(vxShellPidlEqual(vxShellPidlNext(vxShellPidlNext(vxShellPidlNext(windows.get()))),
                               vxShellPidlLastItem(windows.get())));
}

// A file-system item carries its file's times: reading one folder before and after its
// time changed gives other bytes, and the routines still see the same folder.
TEST(ShellPidl, SameFolderReadAtTwoMomentsIsEqualAndPrefix) {
  shell_test::TTempTree tmp;
  tmp.Folder(L"dir");
  tmp.Folder(L"dir\\sub");
  tmp.Folder(L"other");
  TvxPidl before = ParsePath(tmp.Path(L"dir"));
  ASSERT_TRUE(before);
  HANDLE h = CreateFileW(tmp.Path(L"dir").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  FILETIME old{};
  old.dwHighDateTime = 0x01C00000;  // some day in the 1990s
  SetFileTime(h, &old, &old, &old);
  CloseHandle(h);
  TvxPidl after = ParsePath(tmp.Path(L"dir"));
  TvxPidl sub = ParsePath(tmp.Path(L"dir\\sub"));
  ASSERT_TRUE(after);
  ASSERT_TRUE(sub);
  ASSERT_EQ(vxShellPidlSize(before.get()), vxShellPidlSize(after.get()));
  ASSERT_NE(0, std::memcmp(before.get(), after.get(), vxShellPidlSize(before.get()))) << "times not in the bytes";

  EXPECT_TRUE(vxShellPidlEqual(before.get(), after.get()));
  EXPECT_TRUE(vxShellPidlIsPrefix(before.get(), sub.get()));
  // Another folder of the same length and parent is neither.
  TvxPidl other = ParsePath(tmp.Path(L"other"));
  EXPECT_FALSE(vxShellPidlEqual(before.get(), other.get()));
  TvxPidl otherSub = vxShellPidlConcat(other.get(), vxShellPidlLastItem(sub.get()));
  EXPECT_FALSE(vxShellPidlIsPrefix(before.get(), otherSub.get()));
}

TEST(ShellPidl, PathsAndDisplayNames) {
  struct Case {
    const wchar_t* Parse;
    const wchar_t* Path;
  } cases[] = {
      {L"C:\\", L"C:\\"},
      {L"C:\\windows", L"C:\\windows"},
      {L"C:\\windows\\system32", L"C:\\windows\\system32"},
  };
  for (auto& c : cases) {
    TvxPidl p = ParsePath(c.Parse);
    ASSERT_TRUE(p) << c.Parse;
    EXPECT_EQ(String(c.Path), vxShellPidlToPath(p.get())) << c.Parse;
    EXPECT_TRUE(vxShellPathExists(p.get()));
  }
  TvxPidl computer;
  ASSERT_TRUE(SUCCEEDED(vxShellGetFolderLocation(nullptr, CSIDL_DRIVES, computer)));
  EXPECT_EQ(L"", vxShellPidlToPath(computer.get()));
  EXPECT_EQ(L"", vxShellPidlToPath(nullptr));
  EXPECT_FALSE(vxShellGetDisplayName(vxShellDesktop(), computer.get()).empty());
  TvxPidl windows = ParsePath(L"C:\\windows");
  TvxPidl parent = vxShellPidlParent(windows.get());
  IShellFolder* drive = vxShellBindFolder(parent.get());
  ASSERT_TRUE(drive);
  EXPECT_EQ(L"windows", AnsiLowerCase(vxShellGetDisplayName(drive, vxShellPidlLastItem(windows.get()))));
  drive->Release();
}

TEST(ShellPidl, PathToPidlClassifiesPaths) {
  TvxPidl computer;
  ASSERT_TRUE(SUCCEEDED(vxShellGetFolderLocation(nullptr, CSIDL_DRIVES, computer)));
  IShellFolder* computerFolder = vxShellBindFolder(computer.get());
  ASSERT_TRUE(computerFolder);
  TvxPidl drive = vxShellPathToPidl(L"c:\\windows\\", computerFolder, computer.get(), 7, true);
  ASSERT_TRUE(drive);
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(drive.get()));
  EXPECT_FALSE(vxShellPathToPidl(L"c:windows", computerFolder, computer.get(), 7, false));
  TvxPidl same = vxShellPathToPidl(L"", computerFolder, computer.get(), 7, true);
  EXPECT_TRUE(vxShellPidlEqual(same.get(), computer.get()));
  // A folder outside a C: root is refused when it must lie inside.
  TvxPidl croot = vxShellPathToPidl(L"C:\\", computerFolder, computer.get(), 7, true);
  ASSERT_TRUE(croot);
  IShellFolder* cFolder = vxShellBindFolder(croot.get());
  EXPECT_FALSE(vxShellPathToPidl(L"Z:\\tmp", cFolder, croot.get(), 7, true));
  TvxPidl rel = vxShellPathToPidl(L"windows", cFolder, croot.get(), 7, true);
  ASSERT_TRUE(rel);
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(rel.get()));
  TvxPidl rooted = vxShellPathToPidl(L"\\windows", cFolder, croot.get(), 7, true);
  ASSERT_TRUE(rooted);
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(rooted.get()));
  cFolder->Release();
  computerFolder->Release();
}

// Paths that name each step by its in-folder name below the desktop (one prefix) or below
// the root (the other): every step but the last must be a folder.
TEST(ShellPidl, PathToPidlWalksNamedStepsBelowTheDesktopOrTheRoot) {
  const String desktopWalk = L"::{9C211B58-E6F1-456A-9F22-7B3B418A7BB1}";
  const String rootWalk = L"::{63be9adb-e4b5-4623-96aa-57440b4ef5a8}";  // the prefix in any case
  TvxPidl computer;
  ASSERT_TRUE(SUCCEEDED(vxShellGetFolderLocation(nullptr, CSIDL_DRIVES, computer)));
  IShellFolder* computerFolder = vxShellBindFolder(computer.get());
  ASSERT_TRUE(computerFolder);
  TInterfaceScope computerRef(computerFolder);
  TvxPidl croot = ParsePath(L"C:\\");
  ASSERT_TRUE(croot);
  IShellFolder* cFolder = vxShellBindFolder(croot.get());
  ASSERT_TRUE(cFolder);
  TInterfaceScope cRef(cFolder);
  const String computerName = vxShellGetDisplayName(vxShellDesktop(), vxShellPidlLastItem(computer.get()));
  const String driveName = vxShellGetDisplayName(computerFolder, vxShellPidlLastItem(croot.get()));
  ASSERT_FALSE(computerName.empty());
  ASSERT_FALSE(driveName.empty());

  TvxPidl viaDesktop = vxShellPathToPidl(desktopWalk + L"\\" + computerName + L"\\" + driveName + L"\\windows",
                                         computerFolder, computer.get(), 7, true);
  ASSERT_TRUE(viaDesktop);
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(viaDesktop.get()));
  TvxPidl viaRoot = vxShellPathToPidl(rootWalk + L"\\windows\\system32", cFolder, croot.get(), 7, true);
  ASSERT_TRUE(viaRoot);
  EXPECT_EQ(AnsiUpperCase(L"C:\\windows\\system32"), AnsiUpperCase(vxShellPidlToPath(viaRoot.get())));
  // No steps: the empty PIDL (the desktop).
  TvxPidl none = vxShellPathToPidl(desktopWalk, computerFolder, computer.get(), 7, false);
  ASSERT_TRUE(none);
  EXPECT_EQ(0, vxShellPidlItemCount(none.get()));
  // A missing step, a file in the middle, and a walk that leaves the root all give nil.
  struct Case {
    String Path;
    bool InsideRoot;
  } refused[] = {
      {rootWalk + L"\\no such folder", false},
      {rootWalk + L"\\windows\\system.ini\\x", false},
      {desktopWalk + L"\\" + computerName, true},
  };
  for (const Case& c : refused) EXPECT_FALSE(vxShellPathToPidl(c.Path, cFolder, croot.get(), 7, c.InsideRoot)) << c.Path;
}

TEST(ShellPidl, FilterAndEnumFlags) {
  EXPECT_EQ(0u, vxShellOptionsToEnumFlags(0));
  EXPECT_EQ(static_cast<DWORD>(SHCONTF_NONFOLDERS | SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN),
            vxShellOptionsToEnumFlags(7));
  EXPECT_EQ(static_cast<DWORD>(SHCONTF_FOLDERS), vxShellOptionsToEnumFlags(2));
  struct Case {
    DWORD Options, Attributes;
    bool Passes;
  } cases[] = {
      {2, SFGAO_FOLDER, true},          {1, SFGAO_FOLDER, false},
      {1, 0, true},                     {2, 0, false},
      {3, SFGAO_HIDDEN, false},         {7, SFGAO_HIDDEN | SFGAO_FOLDER, true},
  };
  for (auto& c : cases) EXPECT_EQ(c.Passes, vxShellItemPassesFilter(c.Options, c.Attributes)) << c.Options;
}

TEST(ShellSpecialFolders, TableHasEntriesAndEmptyOnesForMissingFolders) {
  const auto& computer = vxShellSpecialFolder(CSIDL_DRIVES);
  ASSERT_TRUE(computer.PIDL);
  EXPECT_FALSE(computer.PIDLDisplayName.empty());
  EXPECT_EQ(AnsiUpperCase(computer.PIDLDisplayName), computer.PIDLUpperCaseDisplayName);
  EXPECT_EQ(static_cast<Cardinal>(SFGAO_FOLDER), computer.Attributes);
  EXPECT_EQ(L"", computer.PIDLName);
  const auto& documents = vxShellSpecialFolder(CSIDL_PERSONAL);
  ASSERT_TRUE(documents.PIDL);
  wchar_t path[MAX_PATH];
  ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, path));
  EXPECT_EQ(0u, documents.PIDLName.find(AnsiUpperCase(path)));
  // 0x0F names no folder: its entry stays empty and start-up went on.
  const auto& none = vxShellSpecialFolder(0x0F);
  EXPECT_FALSE(none.PIDL);
  EXPECT_EQ(0u, none.Attributes);
  EXPECT_TRUE(none.PIDLDisplayName.empty());

  // A special folder's display name resolves through the table when the root has no
  // child of that name.
  TvxPidl croot = ParsePath(L"C:\\");
  IShellFolder* cFolder = vxShellBindFolder(croot.get());
  TvxPidl found = vxShellPathToPidl(computer.PIDLDisplayName, cFolder, croot.get(), 7, false);
  EXPECT_TRUE(vxShellPidlEqual(found.get(), computer.PIDL.get()));
  EXPECT_FALSE(vxShellPathToPidl(computer.PIDLDisplayName, cFolder, croot.get(), 7, true));
  cFolder->Release();

  TvxPidl none2;
  EXPECT_TRUE(vxShellCheckPidl(none2, nullptr, croot.get(), true, true));
  EXPECT_TRUE(vxShellPidlEqual(none2.get(), croot.get()));
  TvxPidl outside = ParsePath(L"Z:\\tmp");
  EXPECT_FALSE(vxShellCheckPidl(outside, nullptr, croot.get(), false, true));
  TvxPidl win = ParsePath(L"C:\\windows");
  EXPECT_TRUE(vxShellCheckPidl(win, nullptr, croot.get(), true, true));
  EXPECT_EQ(L"C:\\windows", vxShellGetPidlDisplayPath(win.get(), true));
}

}  // namespace ZS_UNITY_ID
