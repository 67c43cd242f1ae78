// The tree list filled without an update lock, as a caller that adds rows one by one does:
// 10^3 and 10^4 rows of six values each added to a shown window and painted once at the
// end, and the down arrow stepped through 10^4 rows with each step painted. The floor is
// the platform's report list view doing the same in the same kind of window: items
// inserted with their six texts (into the hidden list, shown and painted at the end), and
// its focus moved by the same key message.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Forms.h"
#include "vxTLView.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

std::wstring Cell(int ARow, int ACol) { return L"row " + std::to_wstring(ARow) + L" value " + std::to_wstring(ACol); }

// Pumps what is queued for a moment (a window that has just been shown settles).
void Pump() {
  const DWORD end = GetTickCount() + 50;
  MSG m;
  while (static_cast<int>(end - GetTickCount()) > 0) {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
      if (static_cast<int>(end - GetTickCount()) <= 0) break;
    }
    Sleep(1);
  }
}

struct TSide {
  double Fill = 0, Down = 0;
};

TSide RunListView(int N, bool AWalk) {
  TSide r;
  HWND top = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr, nullptr,
                             nullptr);
  // The list is filled hidden and shown at the end: shown while it fills, the platform's
  // list view under Wine repaints per item (about 0.1 s a row at 10^3 rows).
  HWND lv = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 600, 400, top,
                            nullptr, nullptr, nullptr);
  for (int c = 0; c < 6; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = 100;
    SendMessageW(lv, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
  }
  Pump();
  auto t0 = Clock::now();
  for (int i = 0; i < N; ++i) {
    std::wstring s = Cell(i, 0);
    LVITEMW it{};
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = s.data();
    SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
    for (int c = 1; c < 6; ++c) {
      std::wstring t = Cell(i, c);
      LVITEMW sub{};
      sub.iSubItem = c;
      sub.pszText = t.data();
      SendMessageW(lv, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
    }
  }
  ShowWindow(lv, SW_SHOW);
  UpdateWindow(lv);
  auto t1 = Clock::now();
  r.Fill = Micro(t0, t1);
  if (AWalk) {
    SetFocus(lv);
    LVITEMW f{};
    f.stateMask = f.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageW(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&f));
    Pump();
    auto t2 = Clock::now();
    for (int i = 1; i < N; ++i) {
      SendMessageW(lv, WM_KEYDOWN, VK_DOWN, 1);
      UpdateWindow(lv);
    }
    auto t3 = Clock::now();
    r.Down = Micro(t2, t3);
    if (SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) != N - 1)
      std::printf("list view walk stopped early\n");
  }
  DestroyWindow(top);
  return r;
}

TSide RunTreeList(int N, bool AWalk) {
  TSide r;
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  form->SetBounds(0, 0, 640, 480);
  auto* tl = TvxEditingControl::Create<TvxTreeList>(form);
  tl->LookAndFeel()->SetKind(lfFlat);
  tl->SetBounds(0, 0, 600, 400);
  tl->OptionsSelection()->CellSelect = false;
  for (int c = 0; c < 6; ++c) tl->CreateColumn()->SetWidth(100);
  tl->SetParent(form);
  form->Show();
  Pump();
  auto t0 = Clock::now();
  for (int i = 0; i < N; ++i) {
    TvxTreeListNode* n = tl->Add();
    for (int c = 0; c < 6; ++c) n->SetValues(c, Variant(String(Cell(i, c))));
  }
  UpdateWindow(tl->Handle());
  auto t1 = Clock::now();
  r.Fill = Micro(t0, t1);
  if (tl->AbsoluteCount() != N) std::printf("tree list fill lost rows\n");
  if (AWalk) {
    tl->SetFocus();
    tl->SetFocusedNode(tl->AbsoluteVisibleItems(0));
    tl->LayoutChanged();
    Pump();
    auto t2 = Clock::now();
    for (int i = 1; i < N; ++i) {
      SendMessageW(tl->Handle(), WM_KEYDOWN, VK_DOWN, 1);
      UpdateWindow(tl->Handle());
    }
    auto t3 = Clock::now();
    r.Down = Micro(t2, t3);
    if (tl->FocusedNode() != tl->AbsoluteVisibleItems(N - 1)) std::printf("tree list walk stopped early\n");
  }
  delete form;
  return r;
}

}  // namespace

void RunTreeListUnlockedBench() {
  const int sizes[] = {1000, 10000};
  std::printf("\nrows added one by one without an update lock, six values each, shown window, painted at the end\n");
  std::printf("%-44s %12s %12s %10s\n", "(microseconds per row)", "10^3", "10^4", "growth");
  // Alternating runs of each side.
  TSide tl[2], lv[2];
  for (int s = 0; s < 2; ++s) {
    for (int k = 0; k < 1; ++k) {
      TSide a = RunTreeList(sizes[s], s == 1 && k == 0);
      TSide b = RunListView(sizes[s], s == 1 && k == 0);
      if (k == 0 || a.Fill < tl[s].Fill) tl[s].Fill = a.Fill;
      if (k == 0 || b.Fill < lv[s].Fill) lv[s].Fill = b.Fill;
      if (k == 0) {
        tl[s].Down = a.Down;
        lv[s].Down = b.Down;
      }
      std::printf("  run %d at %d rows: tree list %.0f us, list view %.0f us\n", k, sizes[s], a.Fill, b.Fill);
      std::fflush(stdout);
    }
  }
  auto line = [&](const char* name, double a, double b) {
    double pa = a / sizes[0], pb = b / sizes[1];
    std::printf("%-44s %12.2f %12.2f %10.2f\n", name, pa, pb, pb / pa);
  };
  line("tree list: Add and six SetValues per row", tl[0].Fill, tl[1].Fill);
  line("floor: list view insert and six texts", lv[0].Fill, lv[1].Fill);
  std::printf("tree list / floor: %.1f at 10^3, %.1f at 10^4\n", tl[0].Fill / lv[0].Fill, tl[1].Fill / lv[1].Fill);
  const double stepTL = tl[1].Down / (sizes[1] - 1), stepLV = lv[1].Down / (sizes[1] - 1);
  std::printf("down arrow through 10^4 rows, each step painted: tree list %.1f us, floor list view %.1f us, ratio %.1f\n",
              stepTL, stepLV, stepTL / stepLV);
}

// The tree list side alone at 10^3 and 10^4 rows (the list view floor under Wine takes
// minutes at 10^4).
void RunTreeListUnlockedOnlyBench() {
  TSide a = RunTreeList(1000, false);
  TSide b = RunTreeList(10000, true);
  std::printf("\ntree list alone, rows added without a lock: %.1f us per row at 10^3, %.1f at 10^4 (growth %.2f);"
              " down arrow through 10^4 rows, each step painted: %.1f us per step\n",
              a.Fill / 1000, b.Fill / 10000, (b.Fill / 10000) / (a.Fill / 1000), b.Down / 9999);
}
