// The tree list at 10^4 and 10^5 nodes: SelectAll, deleting every selected node, a chain of
// nested nodes as deep as the size built and cleared, and Page Down from the top to the
// bottom of a shown list whose rows carry three-line previews. Each beside a floor from the
// standard containers doing the same bookkeeping; the per-node cost should stay flat.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "Forms.h"
#include "vxTLView.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

struct TScale {
  double SelectAll = 0, SelectFloor = 0, Delete = 0, DeleteFloor = 0, Chain = 0, ChainFloor = 0, Page = 0;
  int Pages = 0;
};

void Flat(TvxTreeList& tl, int N) {
  TvxTreeListUpdateScope lock(&tl);
  for (int i = 0; i < N; ++i) tl.Add()->SetValues(0, Variant(String(L"row " + std::to_wstring(i))));
}

TScale Run(int N) {
  TScale r;
  {
    TvxTreeList tl;
    tl.CreateColumn();
    tl.OptionsSelection()->MultiSelect = true;
    Flat(tl, N);
    tl.AbsoluteCount();
    auto t0 = Clock::now();
    tl.SelectAll();
    auto t1 = Clock::now();
    tl.SetFocusedNode(tl.AbsoluteVisibleItems(0));
    auto t2 = Clock::now();
    tl.DeleteSelection();
    tl.AbsoluteCount();
    auto t3 = Clock::now();
    r.SelectAll = Micro(t0, t1);
    r.Delete = Micro(t2, t3);
    if (tl.AbsoluteCount() != 0) std::printf("delete of the selection left %d nodes\n", tl.AbsoluteCount());
  }
  {
    // Floor: a set of N pointers filled, and N heap objects freed.
    std::vector<std::unique_ptr<int>> items(static_cast<size_t>(N));
    for (auto& p : items) p = std::make_unique<int>(0);
    auto t0 = Clock::now();
    std::unordered_set<const int*> set;
    for (auto& p : items) set.insert(p.get());
    auto t1 = Clock::now();
    for (auto& p : items) set.erase(p.get());
    items.clear();
    auto t2 = Clock::now();
    r.SelectFloor = Micro(t0, t1);
    r.DeleteFloor = Micro(t1, t2);
  }
  {
    TvxTreeList tl;
    tl.CreateColumn();
    auto t0 = Clock::now();
    {
      TvxTreeListUpdateScope lock(&tl);
      TvxTreeListNode* n = tl.Add();
      for (int i = 1; i < N; ++i) n = tl.AddChild(n);
    }
    tl.Clear();
    auto t1 = Clock::now();
    r.Chain = Micro(t0, t1);
    // Floor: the same number of linked heap nodes built and freed.
    struct TLink {
      std::unique_ptr<int> Value = std::make_unique<int>(0);
      TLink* Parent = nullptr;
    };
    auto t2 = Clock::now();
    std::vector<TLink*> chain;
    TLink* prev = nullptr;
    for (int i = 0; i < N; ++i) {
      auto* l = new TLink;
      l->Parent = prev;
      chain.push_back(prev = l);
    }
    while (prev) {
      TLink* up = prev->Parent;
      delete prev;
      prev = up;
    }
    auto t3 = Clock::now();
    r.ChainFloor = Micro(t2, t3);
  }
  {
    TForm* form = TCustomForm::Create<TForm>(nullptr);
    form->SetBounds(0, 0, 640, 480);
    auto* tl = TvxEditingControl::Create<TvxTreeList>(form);
    tl->LookAndFeel()->SetKind(lfFlat);
    tl->SetBounds(0, 0, 600, 400);
    tl->OptionsSelection()->CellSelect = false;
    tl->CreateColumn()->SetWidth(200);
    TvxTreeListColumn* notes = tl->CreateColumn();
    tl->Preview()->SetColumn(notes);
    tl->Preview()->SetVisible(true);
    tl->SetParent(form);
    form->Show();
    {
      TvxTreeListUpdateScope lock(tl);
      for (int i = 0; i < N; ++i) {
        TvxTreeListNode* n = tl->Add();
        n->SetValues(0, Variant(String(L"row " + std::to_wstring(i))));
        n->SetValues(1, Variant(String(L"line 1\r\nline 2\r\nline 3")));
      }
    }
    tl->SetFocus();
    tl->SetFocusedNode(tl->AbsoluteVisibleItems(0));
    UpdateWindow(tl->Handle());
    TvxTreeListNode* last = tl->AbsoluteVisibleItems(N - 1);
    auto t0 = Clock::now();
    while (tl->FocusedNode() != last && r.Pages < N) {
      SendMessageW(tl->Handle(), WM_KEYDOWN, VK_NEXT, 1);
      UpdateWindow(tl->Handle());
      ++r.Pages;
    }
    auto t1 = Clock::now();
    r.Page = Micro(t0, t1);
    delete form;
  }
  return r;
}

}  // namespace

void RunTreeListScaleBench() {
  const int sizes[] = {10000, 100000};
  TScale f[2];
  for (int i = 0; i < 2; ++i) f[i] = Run(sizes[i]);
  std::printf("\ntree list at scale (microseconds per node)\n");
  std::printf("%-44s %12s %12s %10s\n", "operation", "10^4", "10^5", "growth");
  auto line = [&](const char* name, double a, double b) {
    double pa = a / sizes[0], pb = b / sizes[1];
    std::printf("%-44s %12.3f %12.3f %10.2f\n", name, pa, pb, pb / pa);
  };
  line("SelectAll", f[0].SelectAll, f[1].SelectAll);
  line("floor: hashed set of N pointers", f[0].SelectFloor, f[1].SelectFloor);
  line("delete every selected node", f[0].Delete, f[1].Delete);
  line("floor: N heap objects unset and freed", f[0].DeleteFloor, f[1].DeleteFloor);
  line("chain N deep built and cleared", f[0].Chain, f[1].Chain);
  line("floor: N linked heap nodes built and freed", f[0].ChainFloor, f[1].ChainFloor);
  line("Page Down to the last row, previews shown", f[0].Page, f[1].Page);
  std::printf("pages: %d and %d\n", f[0].Pages, f[1].Pages);
}
