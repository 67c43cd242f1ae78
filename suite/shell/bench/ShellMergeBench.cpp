// A folder read again after a drop or a drag, at 500 and 5000 files with half of them
// gone and a few new: the tree producer's merge (enumeration, sort and merge) beside its
// floor, the bare enumeration of the same folder through the shell, and the part of the
// merge that makes an item object per file (the shell's own calls for each item). Per-file
// costs at both sizes show the growth.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Forms.h"
#include "SuiteShellUnits.h"
#include "SysInit.h"
#include "vxShellControls.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

std::wstring FileName(const std::wstring& Dir, const wchar_t* Prefix, int I) {
  wchar_t buf[32];
  swprintf(buf, 32, L"%ls%05d.txt", Prefix, I);
  return Dir + L"\\" + buf;
}

void MakeFile(const std::wstring& Path) {
  HANDLE h = CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

void RemoveFolder(const std::wstring& Dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((Dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name != L"." && name != L"..") DeleteFileW((Dir + L"\\" + name).c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(Dir.c_str());
}

// The bare enumeration of the folder: what any reading of it costs.
double Enumerate(IShellFolder* Folder) {
  auto t0 = Clock::now();
  IEnumIDList* en = nullptr;
  int n = 0;
  if (Folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &en) == S_OK && en) {
    PITEMID_CHILD item = nullptr;
    ULONG fetched = 0;
    while (en->Next(1, &item, &fetched) == S_OK && fetched == 1) {
      CoTaskMemFree(item);
      ++n;
    }
    en->Release();
  }
  return n >= 0 ? Micro(t0, Clock::now()) : 0;
}

// Making the item objects of the folder's items (what the merge reads each item into).
double MakeItems(TvxCustomItemProducer* P, IShellFolder* Folder, PItemIDList FolderPidl) {
  auto t0 = Clock::now();
  IEnumIDList* en = nullptr;
  if (Folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &en) == S_OK && en) {
    PITEMID_CHILD item = nullptr;
    ULONG fetched = 0;
    while (en->Next(1, &item, &fetched) == S_OK && fetched == 1) {
      TvxPidl owned(item);
      TvxShellItemInfo info(P, Folder, FolderPidl, item, false);
    }
    en->Release();
  }
  return Micro(t0, Clock::now());
}

struct TFigures {
  double Merge, Floor, Items;
};

TFigures Run(TvxCustomInnerShellTreeView* Tree, int N) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring dir = std::wstring(tmp, 3) + L"vxmergebench" + std::to_wstring(GetCurrentProcessId());
  RemoveFolder(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
  for (int i = 0; i < N; ++i) MakeFile(FileName(dir, L"f", i));
  std::wstring parse = dir;
  ULONG eaten = 0;
  PIDLIST_RELATIVE raw = nullptr;
  vxShellDesktop()->ParseDisplayName(nullptr, nullptr, parse.data(), &eaten, &raw, nullptr);
  TvxPidl pidl(raw);
  IShellFolder* folder = vxShellBindFolder(pidl.get());
  TFigures f{};
  {
    TvxShellTreeItemProducer p(Tree);
    p.TvxCustomItemProducer::ProcessItems(folder, pidl.get(), 0);
    for (int i = 0; i < N / 2; ++i) DeleteFileW(FileName(dir, L"f", i).c_str());
    for (int i = 0; i < 10; ++i) MakeFile(FileName(dir, L"a", i));
    // The worker would fill the first reading's items meanwhile: only the merge is timed.
    p.ItemsInfoGatherer()->ClearFetchQueue(&p);
    f.Floor = Enumerate(folder);
    f.Items = MakeItems(&p, folder, pidl.get());
    auto t0 = Clock::now();
    p.CheckUpdates();
    f.Merge = Micro(t0, Clock::now());
  }
  folder->Release();
  RemoveFolder(dir);
  return f;
}

}  // namespace

void FetchQueueBench(int argc, char** argv);
void TreeDestroyBench();

// The queue figures (an argument gives their smaller size), then the merge figures.
int main(int argc, char** argv) {
  TUnitScope units(SuiteShellUnits);
  FetchQueueBench(argc, argv);
  std::printf("\n");
  TreeDestroyBench();
  std::printf("\n");
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  auto* tree = new TvxCustomInnerShellTreeView(form);
  const int sizes[] = {500, 5000};
  TFigures f[2];
  for (int i = 0; i < 2; ++i) f[i] = Run(tree, sizes[i]);
  delete form;
  std::printf("shell folder read again and merged, half of the files gone (microseconds per file)\n");
  std::printf("%-34s %12s %12s %10s\n", "operation", "500", "5000", "growth");
  auto line = [&](const char* name, double a, double b) {
    double pa = a / sizes[0], pb = b / sizes[1];
    std::printf("%-34s %12.2f %12.2f %10.2f\n", name, pa, pb, pb / pa);
  };
  line("read again and merge", f[0].Merge, f[1].Merge);
  line("floor: bare enumeration", f[0].Floor, f[1].Floor);
  line("of which: making the items", f[0].Items, f[1].Items);
  std::printf("merge / floor: %.1f at 500, %.1f at 5000\n", f[0].Merge / f[0].Floor, f[1].Merge / f[1].Floor);
  std::printf("growth is the per-file cost at 5000 over that at 500: 1 for linear work, a little more for n log n\n");
  return 0;
}
