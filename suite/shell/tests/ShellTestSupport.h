// A temporary folder tree on disk, PIDLs of paths and message pumping for the shell tests.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "Forms.h"
#include "vxShellCommon.h"
#include "vxShellListView.h"

#include <commctrl.h>

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

// A shown form holding a shell list view of 600 by 400 pixels, and a temporary folder.
struct ShellListViewTest : ::testing::Test {
  TForm* Form = nullptr;
  TvxShellListView* List = nullptr;
  TvxInnerShellListView* Inner = nullptr;
  TTempTree Tmp;

  void SetUp() override {
    Form = new TForm(nullptr);
    Form->SetBounds(40, 40, 640, 480);
    List = new TvxShellListView(Form);
    List->AfterConstruction();  // what creation through the class reference does
    List->SetParent(Form);
    List->SetBounds(0, 0, 600, 400);
    Inner = List->InnerListView();
    Form->Show();
    Pump(40);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  void Open(const String& Path) {
    List->SetAbsolutePath(Path);
    Pump(20);
  }
  std::vector<String> Names() {
    std::vector<String> r;
    TvxProducerReadLock lock(Inner->ItemProducer());
    for (auto& i : Inner->ItemProducer()->Items()) r.push_back(i->Name());
    return r;
  }
  // The text the list control itself shows in a cell.
  String Cell(Integer Row, Integer Column = 0) {
    wchar_t buf[260] = {};
    ListView_GetItemText(Inner->Handle(), Row, Column, buf, 260);
    return buf;
  }
  void Select(Integer Row) {
    ListView_SetItemState(Inner->Handle(), Row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  Integer RowOf(const String& Name) {
    auto n = Names();
    for (size_t i = 0; i < n.size(); ++i)
      if (n[i] == Name) return static_cast<Integer>(i);
    return -1;
  }
  bool AllUpdated() {
    TvxProducerReadLock lock(Inner->ItemProducer());
    for (auto& i : Inner->ItemProducer()->Items())
      if (!i->Updated()) return false;
    return true;
  }
};

}  // namespace shell_test
