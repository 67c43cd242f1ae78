// The tree list's view at 10^4 and 10^5 nodes of six string values, in a window: paint one
// page into an off-screen bitmap (relayout and render), scroll from the top to the bottom
// one page at a time (each page laid out and painted), and focus every node by the down
// arrow (the key through the window, the focused row kept in view). Per-node costs at both
// sizes show the growth; a page costs the same at both sizes.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Forms.h"
#include "vxTLView.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

struct TViewFigures {
  double Page, Scroll, Down;
  int Pages;
};

// A 32-bit bitmap the size of the control, selected into a memory DC for its lifetime.
class TOffscreen {
 public:
  TOffscreen(int W, int H) {
    HDC screen = GetDC(nullptr);
    FDC = CreateCompatibleDC(screen);
    FBitmap = CreateCompatibleBitmap(screen, W, H);
    ReleaseDC(nullptr, screen);
    FOld = SelectObject(FDC, FBitmap);
  }
  ~TOffscreen() {
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  TOffscreen(const TOffscreen&) = delete;
  TOffscreen& operator=(const TOffscreen&) = delete;
  HDC DC() const { return FDC; }

 private:
  HDC FDC;
  HBITMAP FBitmap;
  HGDIOBJ FOld;
};

TViewFigures RunView(int N) {
  TViewFigures f{};
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  form->SetBounds(0, 0, 640, 480);
  auto* tl = TvxEditingControl::Create<TvxTreeList>(form);
  tl->LookAndFeel()->SetKind(lfFlat);
  tl->SetBounds(0, 0, 600, 400);
  tl->OptionsView()->SetColumnAutoWidth(true);
  tl->OptionsSelection()->CellSelect = false;
  for (int c = 0; c < 6; ++c) tl->CreateColumn();
  tl->SetParent(form);
  tl->HandleNeeded();
  {
    TvxTreeListUpdateScope lock(tl);
    for (int i = 0; i < N; ++i) {
      TvxTreeListNode* n = tl->Add();
      for (int c = 0; c < 6; ++c)
        n->SetValues(c, Variant(String(L"row " + std::to_wstring(i) + L" value " + std::to_wstring(c))));
    }
  }
  TOffscreen off(tl->Width(), tl->Height());
  TvxTreeListViewInfo* vi = tl->TreeListViewInfo();

  const int paints = 200;
  auto t0 = Clock::now();
  for (int i = 0; i < paints; ++i) {
    vi->SetDirty();
    tl->PaintTo(off.DC(), 0, 0);
  }
  auto t1 = Clock::now();
  f.Page = Micro(t0, t1) / paints;

  auto t2 = Clock::now();
  const int page = vi->RowsThatFit();
  for (int top = 0; top < N; top += page) {
    vi->SetTopIndex(top);
    tl->PaintTo(off.DC(), 0, 0);
    ++f.Pages;
  }
  auto t3 = Clock::now();
  f.Scroll = Micro(t2, t3);

  vi->SetTopIndex(0);
  tl->SetFocusedNode(tl->AbsoluteVisibleItems(0));
  tl->LayoutChanged();
  int events = 0;
  tl->OnFocusedNodeChanged = [&](TObject*, TvxTreeListNode*, TvxTreeListNode*) { ++events; };
  auto t4 = Clock::now();
  for (int i = 1; i < N; ++i) SendMessageW(tl->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  auto t5 = Clock::now();
  f.Down = Micro(t4, t5);
  if (events != N - 1 || tl->FocusedNode() != tl->AbsoluteVisibleItems(N - 1))
    std::printf("down arrow walk announced %d of %d moves\n", events, N - 1);
  delete form;
  return f;
}

}  // namespace

void RunTreeListViewBench() {
  const int sizes[] = {10000, 100000};
  TViewFigures f[2];
  for (int i = 0; i < 2; ++i) f[i] = RunView(sizes[i]);
  std::printf("\ntree list view in a 600 x 400 window, flat look, six columns\n");
  std::printf("%-36s %12s %12s %10s\n", "operation", "10^4", "10^5", "growth");
  std::printf("%-36s %12.1f %12.1f %10.2f\n", "paint one page (us per page)", f[0].Page, f[1].Page, f[1].Page / f[0].Page);
  auto line = [&](const char* name, double a, double b) {
    double pa = a / sizes[0], pb = b / sizes[1];
    std::printf("%-36s %12.3f %12.3f %10.2f\n", name, pa, pb, pb / pa);
  };
  line("scroll page by page (us per node)", f[0].Scroll, f[1].Scroll);
  line("down arrow to every node (us per node)", f[0].Down, f[1].Down);
  std::printf("pages scrolled: %d and %d\n", f[0].Pages, f[1].Pages);
}
