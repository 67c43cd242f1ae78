// Destroying a shell folder tree whose top folder holds 300 or 3000 folders, shown and
// expanded, with the fetch worker still busy on their details: the cost per node beside
// its floor, a bare tree control of the same nodes destroyed the same way.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Forms.h"
#include "vxShellControls.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milli(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::milli>(B - A).count(); }

void RemoveTree(const std::wstring& Dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((Dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring p = Dir + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(p);
      else
        DeleteFileW(p.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(Dir.c_str());
}

struct TFigures {
  double Tree, Floor;
};

TFigures Run(int N) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring dir = std::wstring(tmp, 3) + L"vxtreebench" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
  for (int i = 0; i < N; ++i) CreateDirectoryW((dir + L"\\d" + std::to_wstring(100000 + i)).c_str(), nullptr);
  TFigures f{};
  {
    TForm* form = TCustomForm::Create<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 400);
    auto* tree = new TvxCustomInnerShellTreeView(form);
    tree->SetBounds(0, 0, 280, 380);
    tree->Root()->SetCustomPath(dir);
    tree->Root()->SetBrowseFolder(bfCustomPath);
    tree->SetParent(form);
    form->Show();
    Application->ProcessMessages();
    if (TTreeNode* top = tree->Items()->GetFirstNode()) top->Expand(false);
    Application->ProcessMessages();
    auto t0 = Clock::now();
    delete tree;
    f.Tree = Milli(t0, Clock::now());
    auto* bare = new TTreeView(form);
    bare->SetBounds(0, 0, 280, 380);
    bare->SetParent(form);
    TTreeNode* top = bare->Items()->Add(nullptr, L"top");
    for (int i = 0; i < N; ++i) bare->Items()->AddChild(top, L"d" + std::to_wstring(100000 + i));
    top->Expand(false);
    Application->ProcessMessages();
    auto u0 = Clock::now();
    delete bare;
    f.Floor = Milli(u0, Clock::now());
    delete form;
  }
  RemoveTree(dir);
  return f;
}

}  // namespace

// Called by the bench program's main with the unit start-up done.
void TreeDestroyBench() {
  const int sizes[] = {300, 3000};
  TFigures f[2];
  for (int i = 0; i < 2; ++i) f[i] = Run(sizes[i]);
  std::printf("shell tree destroyed with its top folder expanded (microseconds per node; whole ms in brackets)\n");
  std::printf("%-34s %18s %18s %8s\n", "operation", "300", "3000", "growth");
  auto line = [&](const char* name, double a, double b) {
    double pa = 1000 * a / sizes[0], pb = 1000 * b / sizes[1];
    std::printf("%-34s %9.1f (%6.1f) %9.1f (%6.1f) %8.2f\n", name, pa, a, pb, b, pb / pa);
  };
  line("shell tree destroyed", f[0].Tree, f[1].Tree);
  line("floor: bare tree control destroyed", f[0].Floor, f[1].Floor);
}
