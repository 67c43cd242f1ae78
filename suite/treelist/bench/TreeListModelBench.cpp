// The tree list's model at 10^4 and 10^5 nodes of six string values: filling inside one
// update lock, focusing every node in turn with the change batch processed after each
// step (what the down arrow does besides painting), and a save and load of the node
// stream. The fill is set beside its floor: filling the platform's list view in
// owner-data mode with the same strings (the strings kept in a vector, the count handed
// to the control). Per-node costs at both sizes show the growth.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Classes.h"
#include "SuiteTreeListUnits.h"
#include "SysInit.h"
#include "vxTL.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

std::wstring Cell(int ARow, int ACol) { return L"row " + std::to_wstring(ARow) + L" value " + std::to_wstring(ACol); }

struct TFigures {
  double Fill, Floor, Focus, Save, Load;
};

// The platform's own list: a report-style list view in owner-data mode.
double FillListView(int N) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
  HWND lv = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT | LVS_OWNERDATA, 0, 0, 600, 400, parent,
                            nullptr, nullptr, nullptr);
  for (int c = 0; c < 6; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = 100;
    SendMessageW(lv, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
  }
  auto t0 = Clock::now();
  std::vector<std::wstring> data;
  data.reserve(static_cast<size_t>(N) * 6);
  for (int i = 0; i < N; ++i)
    for (int c = 0; c < 6; ++c) data.push_back(Cell(i, c));
  SendMessageW(lv, LVM_SETITEMCOUNT, N, 0);
  auto t1 = Clock::now();
  DestroyWindow(parent);
  return Micro(t0, t1);
}

TFigures Run(int N) {
  TFigures f{};
  f.Floor = FillListView(N);
  TvxTreeList tl;
  tl.OptionsView()->SetColumnAutoWidth(true);
  tl.SetBandAreaWidth(600);
  for (int c = 0; c < 6; ++c) tl.CreateColumn();
  auto t0 = Clock::now();
  {
    TvxTreeListUpdateScope lock(&tl);
    for (int i = 0; i < N; ++i) {
      TvxTreeListNode* n = tl.Add();
      for (int c = 0; c < 6; ++c) n->SetValues(c, Variant(String(Cell(i, c))));
    }
  }
  auto t1 = Clock::now();
  f.Fill = Micro(t0, t1);

  int events = 0;
  tl.OnFocusedNodeChanged = [&](TObject*, TvxTreeListNode*, TvxTreeListNode*) { ++events; };
  auto t2 = Clock::now();
  for (TvxTreeListNode* n = tl.AbsoluteVisibleItems(0); n; n = n->GetNextVisible()) {
    tl.SetFocusedNode(n);
    tl.ProcessChanges();
  }
  auto t3 = Clock::now();
  f.Focus = Micro(t2, t3);
  if (events != N) std::printf("focus walk announced %d of %d changes\n", events, N);

  TMemoryStream stream;
  auto t4 = Clock::now();
  tl.SaveToStream(&stream);
  auto t5 = Clock::now();
  stream.SetPosition(0);
  tl.LoadFromStream(&stream);
  tl.AbsoluteCount();
  auto t6 = Clock::now();
  f.Save = Micro(t4, t5);
  f.Load = Micro(t5, t6);
  if (tl.AbsoluteCount() != N) std::printf("stream lost nodes\n");
  return f;
}

}  // namespace

// The view's figures (TreeListViewBench.cpp), rows added without a lock
// (TreeListUnlockedBench.cpp).
void RunTreeListViewBench();
void RunTreeListUnlockedBench();
void RunTreeListUnlockedOnlyBench();
// Selection, deletion, deep chains and paging at scale (TreeListScaleBench.cpp).
void RunTreeListScaleBench();
// Bands and columns read from form text (TreeListFormBench.cpp).
void RunTreeListFormBench();

// With arguments, only the named parts run ("model", "view", "unlocked", "unlocked-treelist", "scale", "form").
int main(int argc, char** argv) {
  auto wanted = [&](const char* APart) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i)
      if (std::string(argv[i]) == APart) return true;
    return false;
  };
  TUnitScope units(SuiteTreeListUnits);
  LoadLibraryW(L"comctl32.dll");
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
  using TInit = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (auto init = reinterpret_cast<TInit>(
          reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "InitCommonControlsEx"))))
    init(&icc);
  if (wanted("model")) {
    const int sizes[] = {10000, 100000};
    TFigures f[2];
    for (int i = 0; i < 2; ++i) f[i] = Run(sizes[i]);
    std::printf("tree list model, six string values per node (microseconds per node)\n");
    std::printf("%-28s %12s %12s %10s\n", "operation", "10^4", "10^5", "growth");
    auto line = [&](const char* name, double a, double b) {
      double pa = a / sizes[0], pb = b / sizes[1];
      std::printf("%-28s %12.3f %12.3f %10.2f\n", name, pa, pb, pb / pa);
    };
    line("fill in one update lock", f[0].Fill, f[1].Fill);
    line("floor: owner-data list view", f[0].Floor, f[1].Floor);
    line("focus each node in turn", f[0].Focus, f[1].Focus);
    line("save node stream", f[0].Save, f[1].Save);
    line("load node stream", f[0].Load, f[1].Load);
    std::printf("fill / floor: %.1f at 10^4, %.1f at 10^5\n", f[0].Fill / f[0].Floor, f[1].Fill / f[1].Floor);
    std::printf("growth is the per-node cost at 10^5 over that at 10^4: 1 for linear work\n");
  }
  if (wanted("view")) RunTreeListViewBench();
  if (wanted("unlocked")) RunTreeListUnlockedBench();
  if (wanted("unlocked-treelist")) RunTreeListUnlockedOnlyBench();
  if (wanted("scale")) RunTreeListScaleBench();
  if (wanted("form")) RunTreeListFormBench();
  std::fflush(stdout);
  return 0;
}
