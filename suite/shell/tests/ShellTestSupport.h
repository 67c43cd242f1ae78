// A temporary folder tree on disk, PIDLs of paths and message pumping for the shell tests.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "Forms.h"
#include "vxShellCommon.h"

namespace shell_test {

inline TvxPidl ParsePath(const String& Path) {
  String s = Path;
  ULONG eaten = 0;
  PIDLIST_RELATIVE p = nullptr;
  if (FAILED(vxShellDesktop()->ParseDisplayName(nullptr, nullptr, s.data(), &eaten, &p, nullptr))) return nullptr;
  return TvxPidl(p);
}

template <class F>
bool PumpUntil(F Done, DWORD Ms = 3000) {
  DWORD end = GetTickCount() + Ms;
  while (!Done()) {
    if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    Application->ProcessMessages();
    Sleep(2);
  }
  return true;
}

inline void Pump(DWORD Ms) {
  PumpUntil([] { return false; }, Ms);
}

// A fresh folder at the root of the temporary folder's drive, removed with its contents
// at the end. Not inside the temporary folder itself: a PIDL holds the times of every
// folder on its path, so a file that another program (a test run alongside) makes there
// would change the PIDLs of the same folder taken before and after, and they would no
// longer compare equal.
class TTempTree {
 public:
  TTempTree() {
    wchar_t buf[MAX_PATH];
    GetTempPathW(MAX_PATH, buf);
    FRoot = String(buf, 3) + L"vxshell" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(++Counter());
    Remove(FRoot);  // a run that crashed may have left it
    CreateDirectoryW(FRoot.c_str(), nullptr);
  }
  ~TTempTree() { Remove(FRoot); }
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  const String& Root() const { return FRoot; }
  String Path(const String& Rel) const { return FRoot + L"\\" + Rel; }
  void Folder(const String& Rel, DWORD Attributes = 0) const {
    CreateDirectoryW(Path(Rel).c_str(), nullptr);
    if (Attributes) SetFileAttributesW(Path(Rel).c_str(), Attributes);
  }
  void File(const String& Rel, DWORD Attributes = 0) const {
    HANDLE h = CreateFileW(Path(Rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (Attributes) SetFileAttributesW(Path(Rel).c_str(), Attributes);
  }

 private:
  static int& Counter() {
    static int n = 0;
    return n;
  }
  static void Remove(const String& Dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((Dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        String name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        String p = Dir + L"\\" + name;
        SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(p);
        else
          DeleteFileW(p.c_str());
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    SetFileAttributesW(Dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(Dir.c_str());
  }
  String FRoot;
};

}  // namespace shell_test
