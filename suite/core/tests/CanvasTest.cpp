#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "vxGraphics.h"

namespace ZS_UNITY_ID {

namespace {

// A 100x100 32-bit DIB selected into a memory DC: a real device context whose pixels
// can be read back.
class Surface {
 public:
  explicit Surface(int w = 100, int h = 100) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bmp);
    Clear(RGB(255, 255, 255));
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  void Clear(COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    RECT r{-100000, -100000, 100000, 100000};
    SaveDC(dc);
    SelectClipRgn(dc, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    FillRect(dc, &r, b);
    RestoreDC(dc, -1);
    DeleteObject(b);
  }
  // Pixel at device coordinates.
  COLORREF At(int x, int y) {
    POINT w{}, v{};
    GetWindowOrgEx(dc, &w);
    GetViewportOrgEx(dc, &v);
    return GetPixel(dc, x + w.x - v.x, y + w.y - v.y);
  }
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
};

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);

// Fills the whole surface (logical coordinates far beyond it) through the canvas.
void FillAll(TvxCanvas& c, TColor color) {
  c.SetBrushColor(color);
  c.Canvas()->FillRect(TRect{-50000, -50000, 50000, 50000});
}

TEST(Region, Algebra) {
  struct Case {
    const char* name;
    TvxRegionOperation op;
    TPoint inside, outside;
  } cases[] = {
      {"set", roSet, {25, 25}, {5, 5}},
      {"add", roAdd, {5, 5}, {35, 5}},
      {"subtract", roSubtract, {5, 5}, {25, 25}},
      {"intersect", roIntersect, {25, 25}, {5, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvxRegion a(0, 0, 30, 30);
    a.Combine(new TvxRegion(TRect{20, 20, 40, 40}), c.op, true);
    EXPECT_TRUE(a.PtInRegion(c.inside));
    EXPECT_FALSE(a.PtInRegion(c.outside));
  }
  TvxRegion keep(TRect{20, 20, 40, 40});
  TvxRegion a(0, 0, 30, 30);
  a.Combine(&keep, roIntersect, false);
  EXPECT_TRUE(vxRectSame(a.BoundsRect(), TRect{20, 20, 30, 30}));
  EXPECT_TRUE(vxRectSame(keep.BoundsRect(), TRect{20, 20, 40, 40}));  // not destroyed, unchanged

  a.Offset(5, -5);
  EXPECT_TRUE(vxRectSame(a.BoundsRect(), TRect{25, 15, 35, 25}));
  EXPECT_TRUE(a.RectInRegion(TRect{0, 0, 26, 16}));
  EXPECT_FALSE(a.RectInRegion(0, 0, 25, 15));

  TvxRegion empty1, empty2(5, 5, 5, 10);
  EXPECT_TRUE(empty1.IsEmpty());
  EXPECT_TRUE(empty1.IsEqual(&empty2));
  EXPECT_FALSE(empty1.IsEqual(static_cast<TvxRegion*>(nullptr)));
  EXPECT_TRUE(vxRectSame(empty1.BoundsRect(), vxZeroRect));
  TvxRegion same(25, 15, 35, 25);
  EXPECT_TRUE(a.IsEqual(&same));
  EXPECT_TRUE(a.IsEqual(same.Handle()));
  a.Combine(&same, roSubtract, false);
  EXPECT_TRUE(a.IsEmpty());

  std::unique_ptr<TvxRegion> round(TvxRegion::CreateRoundCorners(TRect{0, 0, 10, 10}, 4, 4));
  EXPECT_FALSE(round->PtInRegion(0, 5));
  EXPECT_TRUE(round->PtInRegion(1, 5));
  EXPECT_TRUE(round->PtInRegion(9, 5) || round->PtInRegion(8, 5));
  EXPECT_FALSE(round->PtInRegion(10, 5));
  EXPECT_EQ(round->BoundsRect().left, 1);
}

class Canvas : public ::testing::Test {
 protected:
  Surface s;
  TCanvas platform;
  std::unique_ptr<TvxCanvas> c;
  void SetUp() override {
    platform.SetHandle(s.dc);
    c = std::make_unique<TvxCanvas>(&platform);
  }
  void TearDown() override {
    c.reset();
    platform.SetHandle(nullptr);
  }
};

TEST_F(Canvas, ClipRegionOfADCWithoutOneUnderAWindowOrigin) {
  c->SetWindowOrg({10, 20});
  EXPECT_EQ(c->DCOrigin().x, -10);
  EXPECT_EQ(c->DCOrigin().y, -20);
  std::unique_ptr<TvxRegion> clip(c->GetClipRegion(true));
  EXPECT_TRUE(vxRectSame(clip->BoundsRect(), TRect{10, 20, 30010, 30020}));
  std::unique_ptr<TvxRegion> device(c->GetClipRegion(false));
  EXPECT_TRUE(vxRectSame(device->BoundsRect(), TRect{0, 0, 30000, 30000}));
}

TEST_F(Canvas, ClipRegionsCombineAndRestoreUnderChangedOrigins) {
  c->SetWindowOrg({10, 20});
  // Clip to logical (20, 30, 60, 70) = device (10, 10, 50, 50); the caller's region stays put.
  TvxRegion r(20, 30, 60, 70);
  c->SetClipRegion(&r, roSet, false, true);
  EXPECT_TRUE(vxRectSame(r.BoundsRect(), TRect{20, 30, 60, 70}));
  c->SaveClipRegion();
  c->ExcludeClipRect(TRect{20, 30, 30, 40});                               // device (10..20, 10..20)
  c->SetClipRegion(new TvxRegion(40, 50, 50, 60), roSubtract, true, true);  // device (30..40, 30..40)
  c->SaveClipRegion();
  c->IntersectClipRect(TRect{20, 30, 40, 50});                             // device (10..30, 10..30)
  EXPECT_TRUE(c->RectVisible(TRect{35, 45, 39, 49}));
  EXPECT_TRUE(c->RectFullyVisible(TRect{35, 45, 39, 49}));
  EXPECT_FALSE(c->RectFullyVisible(TRect{25, 35, 39, 49}));  // partly excluded
  EXPECT_FALSE(c->RectVisible(TRect{45, 55, 49, 59}));

  // The origin changes between save and restore: the regions are kept logically.
  c->SetWindowOrg({0, 0});
  FillAll(*c, clRed);
  EXPECT_EQ(s.At(25, 25), Red);   // device, after the intersect only (20..40, 30..50) logical
  EXPECT_EQ(s.At(35, 35), White);
  c->RestoreClipRegion();         // the second save: both exclusions, no intersect
  s.Clear(White);
  FillAll(*c, clBlue);
  // Logical (20..60, 30..70) less both holes now sits at device (20..60, 30..70).
  EXPECT_EQ(s.At(25, 35), White);  // excluded
  EXPECT_EQ(s.At(45, 55), White);  // subtracted
  EXPECT_EQ(s.At(35, 45), Blue);
  EXPECT_EQ(s.At(55, 65), Blue);
  EXPECT_EQ(s.At(21, 25), White);
  c->RestoreClipRegion();          // the first save: the plain rectangle
  s.Clear(White);
  FillAll(*c, clBlue);
  EXPECT_EQ(s.At(22, 32), Blue);
  EXPECT_EQ(s.At(19, 32), White);
  EXPECT_EQ(c->SavedClipRegionCount(), 0);
  c->RestoreClipRegion();  // empty stack: nothing
  FillAll(*c, clRed);
  EXPECT_EQ(s.At(19, 32), White);
}

TEST_F(Canvas, SavedDCsAndStatesInStrictPairs) {
  c->RestoreDC();  // empty stacks do nothing
  c->RestoreState();
  EXPECT_EQ(platform.LockCount(), 0);

  c->SetWindowOrg({1, 2});
  c->SaveDC();
  EXPECT_EQ(platform.LockCount(), 1);  // the DC cannot be recycled while saved
  c->SetWindowOrg({7, 7});
  c->Canvas()->Font()->SetName(L"Arial");
  c->SaveState();
  EXPECT_EQ(c->SavedDCCount(), 2);
  EXPECT_EQ(c->SavedStateCount(), 1);
  c->SetWindowOrg({9, 9});
  c->RestoreState();
  EXPECT_EQ(c->WindowOrg().x, 7);
  c->RestoreDC();
  EXPECT_EQ(c->WindowOrg().x, 1);
  EXPECT_EQ(platform.LockCount(), 0);
  c->RestoreDC();
  EXPECT_EQ(c->WindowOrg().x, 1);
}

TEST_F(Canvas, RestoreStateBringsBackObjectsReplacedBehindTheCanvas) {
  c->SetBrushColor(clRed);
  c->Pen()->SetColor(clBlue);
  c->Pen()->SetWidth(3);
  c->Font()->SetHeight(-17);
  c->Font()->SetColor(clGreen);
  c->SaveState();
  EXPECT_EQ(c->Brush()->Color(), clRed);
  EXPECT_EQ(c->Pen()->Width(), 3);

  // Drawing code changes the canvas objects and selects foreign ones into the DC.
  c->SetBrushColor(clLime);
  c->Pen()->SetWidth(1);
  c->Font()->SetHeight(-30);
  HBRUSH foreign = CreateSolidBrush(RGB(1, 2, 3));
  HGDIOBJ prev = SelectObject(s.dc, foreign);
  c->RestoreState();
  EXPECT_EQ(c->Brush()->Color(), clRed);
  EXPECT_EQ(c->Pen()->Color(), clBlue);
  EXPECT_EQ(c->Pen()->Width(), 3);
  EXPECT_EQ(c->Font()->Height(), -17);
  EXPECT_EQ(c->Font()->Color(), clGreen);
  EXPECT_NE(GetCurrentObject(s.dc, OBJ_BRUSH), foreign);  // the DC itself was restored too
  c->Canvas()->FillRect(TRect{0, 0, 10, 10});
  EXPECT_EQ(s.At(5, 5), Red);
  (void)prev;
  DeleteObject(foreign);
}

TEST_F(Canvas, SaveStateTakesOverTheDCsSelectedObjects) {
  // The canvas has selected its objects by drawing.
  c->Canvas()->Rectangle(0, 0, 2, 2);
  c->Canvas()->TextOut(0, 0, L"x");
  // Drawing code then selects its own objects straight into the DC.
  HPEN pen = CreatePen(PS_DASH, 1, RGB(10, 20, 30));
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(40, 50, 60));
  HGDIOBJ oldPen = SelectObject(s.dc, pen);
  HGDIOBJ oldBrush = SelectObject(s.dc, hatch);
  SetROP2(s.dc, R2_XORPEN);
  SetTextColor(s.dc, RGB(70, 80, 90));
  c->SaveState();
  EXPECT_EQ(c->Pen()->Style(), psDash);
  EXPECT_EQ(c->Pen()->Color(), static_cast<TColor>(RGB(10, 20, 30)));
  EXPECT_EQ(c->Pen()->Mode(), pmXor);
  EXPECT_EQ(c->Brush()->Style(), bsCross);
  EXPECT_EQ(c->Brush()->Color(), static_cast<TColor>(RGB(40, 50, 60)));
  EXPECT_EQ(c->Font()->Color(), static_cast<TColor>(RGB(70, 80, 90)));
  c->RestoreState();
  c->Canvas()->FillRect(TRect{0, 0, 1, 1});
  SelectObject(s.dc, GetStockObject(NULL_BRUSH));
  c->SaveState();
  EXPECT_EQ(c->Brush()->Style(), bsClear);
  c->RestoreState();
  SelectObject(s.dc, oldPen);
  SelectObject(s.dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(hatch);
}

TEST_F(Canvas, ParamsFontAngleAndPaths) {
  TvxViewParams p;
  c->SetBrushColor(clYellow);
  c->Font()->SetColor(clNavy);
  c->GetParams(p);
  EXPECT_EQ(p.Color, clYellow);
  EXPECT_EQ(p.Font, c->Font());
  EXPECT_EQ(p.TextColor, clNavy);
  TFont other;
  other.SetName(L"Courier New");
  p.Font = &other;
  p.Color = clAqua;
  p.TextColor = clMaroon;
  c->SetParams(p);
  EXPECT_EQ(c->Font()->Name(), L"Courier New");
  EXPECT_EQ(c->Font()->Color(), clMaroon);
  EXPECT_EQ(c->Brush()->Color(), clAqua);

  HBRUSH before = c->Brush()->Handle();
  c->SetBrushColor(clAqua);  // same colour: the handle stays
  EXPECT_EQ(c->Brush()->Handle(), before);

  c->SetFontAngle(90);
  EXPECT_EQ(c->Font()->Orientation(), 900);
  c->SetFontAngle(0);
  EXPECT_EQ(c->Font()->Orientation(), 0);

  c->BeginPath();
  Rectangle(c->Handle(), 10, 10, 30, 30);
  c->EndPath();
  std::unique_ptr<TvxRegion> path(c->PathToRegion());
  EXPECT_TRUE(path->PtInRegion(20, 20));
  EXPECT_FALSE(path->PtInRegion(40, 40));

  c->SetPixel(3, 4, clRed);
  EXPECT_EQ(s.At(3, 4), Red);
}

TEST(PaintCanvas, NestedPaintsRestoreEveryDC) {
  Surface dc1, dc2;
  HBRUSH b1 = CreateSolidBrush(RGB(0, 128, 0));
  HGDIOBJ old1 = SelectObject(dc1.dc, b1);
  HGDIOBJ font1 = GetCurrentObject(dc1.dc, OBJ_FONT);
  HGDIOBJ pen1 = GetCurrentObject(dc1.dc, OBJ_PEN);

  TvxPaintCanvas* pc = vxGetPaintCanvas();
  ASSERT_EQ(pc, vxGetPaintCanvas());
  pc->EndPaint();  // nothing open: nothing happens
  EXPECT_FALSE(pc->Canvas()->HandleAllocated());

  pc->BeginPaint(dc1.dc);
  EXPECT_EQ(pc->Handle(), dc1.dc);
  EXPECT_EQ(pc->Brush()->Color(), static_cast<TColor>(RGB(0, 128, 0)));  // taken over from the DC
  pc->Canvas()->FillRect(TRect{0, 0, 10, 10});
  EXPECT_EQ(dc1.At(5, 5), RGB(0, 128, 0));
  pc->SetBrushColor(clRed);

  pc->BeginPaint(dc2.dc);
  EXPECT_EQ(pc->PaintLevel(), 2);
  EXPECT_EQ(pc->Handle(), dc2.dc);
  pc->SetBrushColor(clBlue);
  pc->Canvas()->FillRect(TRect{0, 0, 10, 10});
  EXPECT_EQ(dc2.At(5, 5), Blue);
  pc->EndPaint();

  EXPECT_EQ(pc->Handle(), dc1.dc);
  EXPECT_EQ(pc->Brush()->Color(), clRed);  // the state of the outer paint is back
  pc->Canvas()->FillRect(TRect{20, 20, 30, 30});
  EXPECT_EQ(dc1.At(25, 25), Red);
  pc->EndPaint();

  EXPECT_FALSE(pc->Canvas()->HandleAllocated());
  EXPECT_EQ(pc->SavedDCCount(), 0);
  EXPECT_EQ(pc->SavedStateCount(), 0);
  EXPECT_EQ(GetCurrentObject(dc1.dc, OBJ_BRUSH), b1);
  EXPECT_EQ(GetCurrentObject(dc1.dc, OBJ_FONT), font1);
  EXPECT_EQ(GetCurrentObject(dc1.dc, OBJ_PEN), pen1);
  SelectObject(dc1.dc, old1);
  DeleteObject(b1);
}

TEST(PaintCanvas, RetargetedToAForeignCanvas) {
  Surface dc;
  TCanvas foreign;
  foreign.SetHandle(dc.dc);
  foreign.Brush()->SetColor(clRed);
  TvxPaintCanvas* pc = vxGetPaintCanvas();
  TCanvas* own = pc->Canvas();
  pc->BeginPaint(&foreign);
  EXPECT_EQ(pc->Canvas(), &foreign);
  pc->SetBrushColor(clBlue);
  pc->Canvas()->FillRect(TRect{0, 0, 10, 10});
  pc->EndPaint();
  EXPECT_EQ(pc->Canvas(), own);
  EXPECT_EQ(dc.At(5, 5), Blue);
  EXPECT_EQ(foreign.Brush()->Color(), clRed);
  EXPECT_EQ(foreign.LockCount(), 0);
  foreign.SetHandle(nullptr);
}

TEST(ScreenCanvas, MeasuresWithoutAWindowAndGoesDormant) {
  TvxScreenCanvas* sc = vxGetScreenCanvas();
  ASSERT_NE(sc, nullptr);
  EXPECT_EQ(sc, vxGetScreenCanvas());
  EXPECT_GT(sc->Canvas()->TextWidth(L"Wg"), 0);
  EXPECT_TRUE(sc->Canvas()->HandleAllocated());
  sc->Dormant();
  EXPECT_FALSE(sc->Canvas()->HandleAllocated());
  sc->Dormant();
  EXPECT_NE(sc->Handle(), nullptr);  // taken again on demand
  sc->Dormant();
}

TEST(BrushCache, SharingAndRelease) {
  TvxBrushCache cache;
  TBrush* a = nullptr;
  TBrush* b = nullptr;
  cache.SetBrushColor(a, clRed);
  cache.SetBrushColor(b, clRed);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Data(0).RefCount, 2);
  TBrush* shared = a;
  cache.ReleaseBrush(a);
  EXPECT_EQ(a, nullptr);  // the caller no longer holds it
  EXPECT_EQ(cache.Count(), 1);
  cache.ReleaseBrush(b);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(cache.Count(), 0);
  cache.ReleaseBrush(a);  // a cleared variable: nothing
  // A stale copy of the freed brush is no longer the cache's: left alone, never read.
  cache.ReleaseBrush(shared);
  EXPECT_NE(shared, nullptr);  // not cleared: nothing was released
  EXPECT_EQ(cache.Count(), 0);

  // Replacing releases the old colour's reference.
  cache.SetBrushColor(a, clBlue);
  cache.SetBrushColor(a, clGreen);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(a->Color(), clGreen);
  // A foreign brush was never handed out by the cache: releasing it does nothing.
  TBrush own;
  TBrush* ownPtr = &own;
  cache.ReleaseBrush(ownPtr);
  EXPECT_EQ(ownPtr, &own);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Data(0).RefCount, 1);
  cache.ReleaseBrush(a);
}

TEST(BrushCache, OnlyRealSystemColoursSelectSystemBrushes) {
  TvxBrushCache cache;
  TBrush* face = nullptr;
  cache.SetBrushColor(face, clBtnFace);
  EXPECT_EQ(face, vxSystemBrushes[15]);
  EXPECT_EQ(cache.Count(), 0);
  cache.ReleaseBrush(face);
  EXPECT_EQ(face, nullptr);
  EXPECT_EQ(vxSystemBrushes[15]->Color(), clBtnFace);

  struct {
    const char* name;
    TColor color;
  } notSystem[] = {{"none", clNone}, {"default", clDefault}, {"index past the table", static_cast<TColor>(0xFF0000FF)},
                   {"other high byte", static_cast<TColor>(0x0100000F)}};
  for (const auto& n : notSystem) {
    SCOPED_TRACE(n.name);
    EXPECT_FALSE(vxIsSystemColor(n.color));
    TBrush* b = nullptr;
    cache.SetBrushColor(b, n.color);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::count(vxSystemBrushes.begin(), vxSystemBrushes.end(), b), 0);
    EXPECT_EQ(cache.Count(), 1);
    cache.ReleaseBrush(b);
    EXPECT_EQ(cache.Count(), 0);
  }
  EXPECT_TRUE(vxIsSystemColor(static_cast<TColor>(0xFF000000 | 30)));
  EXPECT_FALSE(vxIsSystemColor(static_cast<TColor>(0xFF000000 | 31)));
}

TEST(BrushCache, SortedEntriesAndCapacityGrowth) {
  TvxBrushCache cache;
  std::vector<TBrush*> brushes(45, nullptr);
  struct {
    int added, capacity;
  } growth[] = {{1, 8}, {8, 8}, {9, 16}, {16, 16}, {17, 24}, {40, 40}, {41, 50}};
  int added = 0;
  for (const auto& g : growth) {
    while (added < g.added) {
      // Colours arrive out of order; the entries stay sorted.
      cache.SetBrushColor(brushes[added], static_cast<TColor>((added * 7919) % 1000));
      ++added;
    }
    EXPECT_EQ(cache.Capacity(), g.capacity) << g.added << " colours";
  }
  for (int i = 1; i < cache.Count(); ++i) EXPECT_LT(cache.Data(i - 1).Color, cache.Data(i).Color);
  for (int i = 0; i < added; ++i) cache.ReleaseBrush(brushes[i]);
  EXPECT_EQ(cache.Count(), 0);
}

TEST(BrushCache, UpdateLockDefersDeletion) {
  TvxBrushCache cache;
  TBrush *a = nullptr, *b = nullptr, *c = nullptr;
  cache.SetBrushColor(a, clRed);
  cache.SetBrushColor(b, clBlue);
  cache.BeginUpdate();
  cache.BeginUpdate();
  TBrush* redBrush = a;
  cache.ReleaseBrush(a);
  cache.ReleaseBrush(b);
  EXPECT_EQ(cache.Count(), 2);  // kept with their brushes
  EXPECT_EQ(cache.DeletedCount(), 2);
  cache.SetBrushColor(c, clRed);  // revived before the lock ends
  EXPECT_EQ(c, redBrush);
  EXPECT_EQ(cache.DeletedCount(), 1);
  TBrush* stale = redBrush;
  cache.EndUpdate();
  EXPECT_EQ(cache.Count(), 2);  // still locked
  cache.EndUpdate();
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Data(0).Color, clRed);
  EXPECT_EQ(cache.DeletedCount(), 0);
  cache.ReleaseBrush(c);
  // While locked, a release beyond the obtained references raises too: one rule.
  cache.BeginUpdate();
  cache.SetBrushColor(a, clRed);
  stale = a;
  cache.ReleaseBrush(a);
  EXPECT_THROW(
      try { cache.ReleaseBrush(stale); } catch (const EBrushCache& e) {
        EXPECT_EQ(e.Message(), L"Release unused brush");
        throw;
      },
      EBrushCache);
  EXPECT_EQ(cache.Data(0).RefCount, 0);
  cache.EndUpdate();
  EXPECT_EQ(cache.Count(), 0);
}

TEST(GraphicsResources, PatternBrushScreenResolutionAndEntryPoints) {
  Surface s(8, 8);
  RECT all{0, 0, 8, 8};
  FillRect(s.dc, &all, vxPatternBrush->Handle());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_NE(s.At(x, y), s.At(x + 1, y)) << x << "," << y;
  EXPECT_EQ(s.At(0, 0), s.At(1, 1));

  ASSERT_EQ(vxSystemBrushes.size(), 31u);
  TSize ppi{};
  vxGetScreenPixelsPerInch(ppi);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(ppi.cx, GetDeviceCaps(screen, LOGPIXELSX));
  EXPECT_EQ(ppi.cy, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  EXPECT_NE(vxAlphaBlendFunc, nullptr);
  EXPECT_FALSE(vxSetProcessDPIAwareFor(5));
  EXPECT_TRUE(vxSetProcessDPIAwareFor(6));
}

TEST(GraphicsResources, SharedCanvasesAreGoneOnceShutDownStarts) {
  vxGetScreenCanvas();
  vxGraphicsUnit.Finalize();
  EXPECT_TRUE(vxGraphicsFinalized);
  EXPECT_EQ(vxGetScreenCanvas(), nullptr);
  EXPECT_EQ(vxGetPaintCanvas(), nullptr);
  EXPECT_TRUE(vxSystemBrushes.empty());
  vxGraphicsUnit.Initialize();
  EXPECT_FALSE(vxGraphicsFinalized);
  EXPECT_NE(vxGetScreenCanvas(), nullptr);
}

}  // namespace

namespace {

// A window that paints through the shared paint canvas: the left half blue, with the
// square (10, 10, 20, 20) cut out of the clip, under a shifted window origin.
LRESULT CALLBACK PaintingWndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    TvxPaintCanvas* pc = vxGetPaintCanvas();
    pc->BeginPaint(dc);
    pc->SaveClipRegion();
    pc->SetWindowOrg({-5, -5});
    pc->ExcludeClipRect(TRect{5, 5, 15, 15});  // device (10, 10, 20, 20)
    pc->SetBrushColor(clBlue);
    pc->Canvas()->FillRect(TRect{-5, -5, 45, 95});  // device (0, 0, 50, 100)
    pc->SetWindowOrg({0, 0});
    pc->RestoreClipRegion();
    pc->EndPaint();
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(w), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return 1;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

TEST(PaintCanvas, PaintsAWindowThroughItsPaintDC) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PaintingWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SuiteCorePaintCanvasTest";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 40, 40, 100, 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(hwnd, nullptr);
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);

  // Read the client area back through a copy into a memory bitmap.
  Surface copy;
  HDC wdc = GetDC(hwnd);
  BitBlt(copy.dc, 0, 0, 100, 100, wdc, 0, 0, SRCCOPY);
  ReleaseDC(hwnd, wdc);
  EXPECT_EQ(copy.At(5, 5), Blue);
  EXPECT_EQ(copy.At(15, 15), White);  // excluded from the clip
  EXPECT_EQ(copy.At(45, 90), Blue);
  EXPECT_EQ(copy.At(75, 50), White);  // right half untouched
  EXPECT_EQ(vxGetPaintCanvas()->PaintLevel(), 0);
  EXPECT_FALSE(vxGetPaintCanvas()->Canvas()->HandleAllocated());
  DestroyWindow(hwnd);
}

}  // namespace

}  // namespace ZS_UNITY_ID
