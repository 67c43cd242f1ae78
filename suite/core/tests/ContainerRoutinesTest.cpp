#include <gtest/gtest.h>

#include <vector>

#include "ControlsTestSupport.h"
#include "Forms.h"
#include "TestSurface.h"
#include "vdUxTheme.h"
#include "vxContainerRoutines.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;
using vx_test::Pump;

namespace {

const COLORREF Back = RGB(1, 2, 3);

COLORREF Sys(int AIndex) { return GetSysColor(AIndex); }

bool SameRect(const TRect& A, const TRect& B) { return EqualRect(&A, &B); }

// --- Tables ----------------------------------------------------------------------------------------

TEST(ContainerRoutines, BorderWidthsAndMouseButtons) {
  const struct {
    TvxContainerBorderStyle Style;
    Integer Width;
  } borders[] = {{cbsNone, 0}, {cbsSingle, 1}, {cbsThick, 2},     {cbsFlat, 2},
                 {cbs3D, 2},   {cbsUltraFlat, 1}, {cbsOffice11, 1}};
  for (const auto& b : borders) EXPECT_EQ(vxContainerBorderWidth(b.Style), b.Width) << b.Style;

  const struct {
    TvxLookAndFeelKind Kind;
    Integer Width;
  } kinds[] = {{lfFlat, 2}, {lfStandard, 2}, {lfUltraFlat, 1}, {lfOffice11, 1}};
  for (const auto& k : kinds) EXPECT_EQ(vxLookAndFeelBorderWidth(k.Kind), k.Width) << k.Kind;

  EXPECT_EQ(vxMouseButtonToVx(mbLeft), vxmbLeft);
  EXPECT_EQ(vxMouseButtonToVx(mbRight), vxmbRight);
  EXPECT_EQ(vxMouseButtonToVx(mbMiddle), vxmbMiddle);
}

TEST(ContainerRoutines, RectanglesByEdges) {
  TRect r{10, 10, 50, 40};
  vxRectExtendByEdges(r, 3, TvxBorders{bLeft, bBottom});
  EXPECT_TRUE(SameRect(r, TRect{7, 10, 50, 43}));
  r = TRect{10, 10, 50, 40};
  vxRectShrinkOutsideEdges(r, 2, TvxBorders{bLeft, bBottom});
  EXPECT_TRUE(SameRect(r, TRect{10, 12, 48, 40}));
  // Every side in the set, and none.
  r = TRect{10, 10, 50, 40};
  vxRectExtendByEdges(r, 1, vxBordersAll);
  vxRectShrinkOutsideEdges(r, 1, vxBordersAll);
  EXPECT_TRUE(SameRect(r, TRect{9, 9, 51, 41}));
  vxRectShrinkOutsideEdges(r, 1, TvxBorders());
  EXPECT_TRUE(SameRect(r, TRect{10, 10, 50, 40}));
}

TEST(ContainerRoutines, SameStrings) {
  EXPECT_TRUE(vxSameStrings(L"BorderColor", L"bordercolor"));
  EXPECT_FALSE(vxSameStrings(L"BorderColor", L"bordercolor", true));
  EXPECT_TRUE(vxSameStrings(L"Font", L"Font", true));
  EXPECT_FALSE(vxSameStrings(L"Font", L"Fonts"));
}

// --- Drawing into bitmaps ----------------------------------------------------------------------------

TEST(ContainerRoutines, ShadowStripsAreDrawnAndLeaveTheClipping) {
  TestSurface s(64, 48, Back);
  const TRect r{10, 10, 40, 30};
  vxDrawContainerShadow(s.vx.get(), r);
  const COLORREF shadow = Sys(COLOR_BTNSHADOW);
  // Below: from Left + 3 to Right; right: from Top + 3 to Bottom + 3.
  EXPECT_EQ(s.CountNot(RECT{13, 30, 40, 33}, shadow), 0);
  EXPECT_EQ(s.CountNot(RECT{40, 13, 43, 33}, shadow), 0);
  // The corners the shadow leaves out, the rectangle itself and beyond the strips.
  for (POINT p : {POINT{12, 31}, POINT{41, 12}, POINT{20, 20}, POINT{43, 20}, POINT{20, 33}})
    EXPECT_EQ(s.At(p.x, p.y), Back) << p.x << "," << p.y;
  // Both strips left the clipping: a fill of everything keeps them.
  s.vx->FillRect(TRect{0, 0, 64, 48}, clRed);
  EXPECT_EQ(s.CountNot(RECT{13, 30, 40, 33}, shadow), 0);
  EXPECT_EQ(s.CountNot(RECT{40, 13, 43, 33}, shadow), 0);
  EXPECT_EQ(s.At(20, 20), RGB(255, 0, 0));
}

TEST(ContainerRoutines, FrameFill) {
  TestSurface s(40, 40, Back);
  const TRect outer{5, 5, 35, 30};
  // Equal rectangles and an empty outer rectangle: nothing.
  vxFillRectFrame(s.vx.get(), outer, outer, clRed);
  vxFillRectFrame(s.vx.get(), TRect{5, 5, 5, 30}, TRect{}, clRed);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 40, 40}, Back), 0);
  // An empty inner rectangle: the whole outer one.
  vxFillRectFrame(s.vx.get(), outer, TRect{}, clRed);
  EXPECT_EQ(s.CountNot(outer, RGB(255, 0, 0)), 0);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 40, 5}, Back), 0);
  // A real frame: the four strips, the inside and the outside untouched.
  s.Clear(Back);
  const TRect inner{8, 10, 30, 26};
  vxFillRectFrame(s.vx.get(), outer, inner, clLime);
  EXPECT_EQ(s.CountNot(inner, Back), 0);
  EXPECT_EQ(s.CountNot(outer, RGB(0, 255, 0)), 22 * 16);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 40, 40}, Back), 30 * 25 - 22 * 16);
}

// A window with a known client area on a shown form.
struct ContainerWindowFixture : vx_test::TFormFixture {};

// A child window whose erase and print-client messages paint known colours into the DC
// they get, and which can paint itself through the buffered path.
class TPrintedControl : public TWinControl {
  DECLARE_CLASS(TPrintedControl, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  using TWinControl::TWinControl;
  struct TCall {
    UINT Msg;
    DWORD DCKind;
  };
  std::vector<TCall> Calls;
  bool PaintBuffered = false;
  Integer PositionChanges = 0;

 protected:
  void WMEraseBkgnd(TMessage& Message) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    Calls.push_back({WM_ERASEBKGND, GetObjectType(dc)});
    TRect r{0, 0, Width(), Height()};
    HBRUSH b = CreateSolidBrush(RGB(0, 128, 0));
    FillRect(dc, &r, b);
    DeleteObject(b);
    Message.Result = 1;
  }
  void WMPrintClient(TMessage& Message) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    Calls.push_back({WM_PRINTCLIENT, GetObjectType(dc)});
    TRect r{10, 10, 30, 20};
    HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  void WMPaint(TMessage& Message) {
    if (!PaintBuffered) return InheritedMessage(Message);
    vxPaintWindowBuffered(Handle());
    Message.Result = 0;
  }
  void WMWindowPosChanged(TMessage& Message) {
    ++PositionChanges;
    InheritedMessage(Message);
  }
};

const TMessageMap* TPrintedControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TPrintedControl::WMEraseBkgnd>},
      {WM_PRINTCLIENT, MessageHandler<&TPrintedControl::WMPrintClient>},
      {WM_PAINT, MessageHandler<&TPrintedControl::WMPaint>},
      {WM_WINDOWPOSCHANGED, MessageHandler<&TPrintedControl::WMWindowPosChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// The window's pixels as they are on the screen surface.
void CaptureWindow(HWND AWnd, TestSurface& ASurface) {
  HDC dc = GetDC(AWnd);
  BitBlt(ASurface.dc, 0, 0, ASurface.W, ASurface.H, dc, 0, 0, SRCCOPY);
  ReleaseDC(AWnd, dc);
}

TEST_F(ContainerWindowFixture, BufferedPaintingGoesThroughAMemoryBuffer) {
  auto* c = Add<TPrintedControl>(Form, RECT{20, 20, 80, 60});
  Pump(60);
  c->Calls.clear();
  ASSERT_NE(vdUxTheme::Function(vdUxTheme::fnBeginBufferedPaint), nullptr);

  vxRepaintWindowBuffered(c->Handle());
  ASSERT_EQ(c->Calls.size(), 2u);
  EXPECT_EQ(c->Calls[0].Msg, static_cast<UINT>(WM_ERASEBKGND));
  EXPECT_EQ(c->Calls[1].Msg, static_cast<UINT>(WM_PRINTCLIENT));
  // Both went to the buffer's memory DC, not to the window.
  EXPECT_EQ(c->Calls[0].DCKind, static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_EQ(c->Calls[1].DCKind, static_cast<DWORD>(OBJ_MEMDC));
  TestSurface s(60, 40, Back);
  CaptureWindow(c->Handle(), s);
  EXPECT_EQ(s.CountNot(RECT{10, 10, 30, 20}, RGB(0, 0, 255)), 0);
  EXPECT_EQ(s.At(5, 5), RGB(0, 128, 0));
  EXPECT_EQ(s.At(55, 35), RGB(0, 128, 0));

  // The WM_PAINT form: only the invalid part is painted, through the buffer.
  c->PaintBuffered = true;
  HDC dc = GetDC(c->Handle());
  PatBlt(dc, 0, 0, 60, 40, BLACKNESS);
  ReleaseDC(c->Handle(), dc);
  c->Calls.clear();
  TRect part{0, 0, 40, 40};
  InvalidateRect(c->Handle(), &part, FALSE);
  UpdateWindow(c->Handle());
  ASSERT_EQ(c->Calls.size(), 2u);
  EXPECT_EQ(c->Calls[1].DCKind, static_cast<DWORD>(OBJ_MEMDC));
  CaptureWindow(c->Handle(), s);
  EXPECT_EQ(s.CountNot(RECT{10, 10, 30, 20}, RGB(0, 0, 255)), 0);
  EXPECT_EQ(s.At(35, 30), RGB(0, 128, 0));
  EXPECT_EQ(s.At(50, 30), RGB(0, 0, 0));  // outside the paint rectangle
}

TEST_F(ContainerWindowFixture, BufferedPaintingWithoutTheBufferFunctionsPaintsDirectly) {
  auto* c = Add<TPrintedControl>(Form, RECT{20, 20, 80, 60});
  Pump(60);
  c->Calls.clear();
  const FARPROC saved = vdUxTheme::Function(vdUxTheme::fnBeginBufferedPaint);
  vdUxTheme::SetFunction(vdUxTheme::fnBeginBufferedPaint, nullptr);
  vxRepaintWindowBuffered(c->Handle());
  vdUxTheme::SetFunction(vdUxTheme::fnBeginBufferedPaint, saved);
  ASSERT_EQ(c->Calls.size(), 2u);
  EXPECT_EQ(c->Calls[1].DCKind, static_cast<DWORD>(OBJ_DC));
  TestSurface s(60, 40, Back);
  CaptureWindow(c->Handle(), s);
  EXPECT_EQ(s.At(15, 15), RGB(0, 0, 255));
  EXPECT_EQ(s.At(5, 5), RGB(0, 128, 0));
}

TEST_F(ContainerWindowFixture, FrameBackgroundShowsTheParentOnlyInTheFrame) {
  Form->SetColor(clYellow);
  auto* c = Add<TPrintedControl>(Form, RECT{20, 20, 80, 60});
  Pump(60);
  TestSurface s(60, 40, Back);
  // Frame width 2 around (5, 5, 55, 35): the parent shows outside (3, 3, 57, 37).
  vxDrawContainerFrameBackground(s.vx.get(), c, TRect{0, 0, 60, 40}, 2, TRect{5, 5, 55, 35});
  EXPECT_EQ(s.CountNot(RECT{3, 3, 57, 37}, Back), 0);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 60, 3}, RGB(255, 255, 0)), 0);
  EXPECT_EQ(s.CountNot(RECT{57, 0, 60, 40}, RGB(255, 255, 0)), 0);
  EXPECT_EQ(s.CountNot(RECT{0, 37, 60, 40}, RGB(255, 255, 0)), 0);
  // The clipping is as before: a full fill reaches the inside.
  EXPECT_EQ(s.vx->SavedClipRegionCount(), 0);
  s.vx->FillRect(TRect{0, 0, 60, 40}, clRed);
  EXPECT_EQ(s.At(30, 20), RGB(255, 0, 0));
}

TEST_F(ContainerWindowFixture, FrameInvalidationCoversOnlyTheFrame) {
  auto* c = Add<TPrintedControl>(Form, RECT{20, 20, 120, 80});
  Pump(60);
  HWND h = c->Handle();
  ValidateRect(h, nullptr);
  vxInvalidateRectFrame(h, TRect{0, 0, 100, 60}, TRect{4, 5, 90, 50}, false);
  TvxRegion update;
  GetUpdateRgn(h, update.Handle(), FALSE);
  for (POINT p : {POINT{1, 30}, POINT{50, 2}, POINT{95, 30}, POINT{50, 55}})
    EXPECT_TRUE(update.PtInRegion(p.x, p.y)) << p.x << "," << p.y;
  EXPECT_FALSE(update.PtInRegion(50, 30));
  // An empty inner rectangle: all of the outer one.
  ValidateRect(h, nullptr);
  vxInvalidateRectFrame(h, TRect{0, 0, 100, 60}, TRect{}, false);
  GetUpdateRgn(h, update.Handle(), FALSE);
  EXPECT_TRUE(update.PtInRegion(50, 30));
  // A control without a window is left alone; one with a window gets the rectangle.
  ValidateRect(h, nullptr);
  vxInvalidateWinControlRect(c, TRect{10, 10, 20, 20}, false);
  GetUpdateRgn(h, update.Handle(), FALSE);
  EXPECT_TRUE(update.PtInRegion(15, 15));
  EXPECT_FALSE(update.PtInRegion(25, 25));
  TPrintedControl windowless(nullptr);
  vxInvalidateWinControlRect(&windowless, TRect{10, 10, 20, 20}, false);
  EXPECT_FALSE(windowless.HandleAllocated());
}

// --- Shadow region -----------------------------------------------------------------------------------

TEST(ContainerRoutines, ShadowRegion) {
  EXPECT_EQ(vxBuildShadowRegion(nullptr, TRect{0, 0, 100, 20}, TRect{}, TRect{}, false, false), nullptr);
  EXPECT_EQ(vxBuildShadowRegion(nullptr, TRect{0, 0, 100, 20}, TRect{}, TRect{}, true, true), nullptr);

  auto r = vxBuildShadowRegion(nullptr, TRect{0, 0, 100, 20}, TRect{}, TRect{}, true, false);
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(r->PtInRegion(101, 1));
  EXPECT_FALSE(r->PtInRegion(1, 21));
  EXPECT_TRUE(r->PtInRegion(50, 10));
  EXPECT_TRUE(r->PtInRegion(101, 21));
  EXPECT_TRUE(r->PtInRegion(3, 22));
  EXPECT_FALSE(r->PtInRegion(103, 10));

  // The extent trims the shadow: 5 from its left, 4 from its right.
  r = vxBuildShadowRegion(nullptr, TRect{0, 0, 100, 20}, TRect{5, 0, 4, 0}, TRect{}, true, false);
  EXPECT_FALSE(r->PtInRegion(6, 21));
  EXPECT_TRUE(r->PtInRegion(8, 21));
  EXPECT_TRUE(r->PtInRegion(98, 21));
  EXPECT_FALSE(r->PtInRegion(100, 21));
  // The excluded rectangle is cut out.
  r = vxBuildShadowRegion(nullptr, TRect{0, 0, 100, 20}, TRect{}, TRect{40, 5, 60, 15}, true, false);
  EXPECT_FALSE(r->PtInRegion(50, 10));
  EXPECT_TRUE(r->PtInRegion(30, 10));
}

TEST_F(ContainerWindowFixture, WindowShadowRegionIsSetOnlyWhenItChanges) {
  auto* c = Add<TPrintedControl>(Form, RECT{20, 20, 123, 43});
  Pump(60);
  HWND h = c->Handle();
  TvxRegion current;
  const TRect bounds{0, 0, 100, 20};

  // No region wanted and none there: untouched.
  c->PositionChanges = 0;
  vxSetWindowShadowRegion(h, bounds, TRect{}, TRect{}, false, false);
  EXPECT_EQ(GetWindowRgn(h, current.Handle()), ERROR);
  EXPECT_EQ(c->PositionChanges, 0);

  vxSetWindowShadowRegion(h, bounds, TRect{}, TRect{}, true, false);
  ASSERT_EQ(GetWindowRgn(h, current.Handle()), COMPLEXREGION);
  EXPECT_TRUE(current.PtInRegion(101, 21));
  EXPECT_FALSE(current.PtInRegion(101, 1));
  const Integer changes = c->PositionChanges;
  EXPECT_GT(changes, 0);

  // The same region again: nothing is set.
  vxSetWindowShadowRegion(h, bounds, TRect{}, TRect{}, true, false);
  EXPECT_EQ(c->PositionChanges, changes);

  // A native border wants none: the region goes.
  vxSetWindowShadowRegion(h, bounds, TRect{}, TRect{}, true, true);
  EXPECT_EQ(GetWindowRgn(h, current.Handle()), ERROR);
}

// --- Windows and messages ----------------------------------------------------------------------------

TEST_F(ContainerWindowFixture, WindowRoutines) {
  auto* c = Add<TPrintedControl>(Form, RECT{20, 20, 80, 60});
  Pump(30);
  EXPECT_EQ(vxGetNonChildAncestor(c->Handle()), Form->Handle());
  EXPECT_EQ(vxGetNonChildAncestor(Form->Handle()), Form->Handle());
  EXPECT_EQ(vxGetNonChildAncestor(nullptr), nullptr);

  EXPECT_TRUE(vxIsControlWindowVisible(c));
  c->Hide();
  EXPECT_FALSE(vxIsControlWindowVisible(c));
  TPrintedControl windowless(nullptr);
  EXPECT_FALSE(vxIsControlWindowVisible(&windowless));

  const TRect size = vxControlSizeRect(c);
  EXPECT_TRUE(SameRect(size, TRect{0, 0, 60, 40}));

  HWND before = c->Handle();
  TWinControlAccess_::RecreateWnd_(c);
  c->HandleNeeded();
  EXPECT_TRUE(IsWindow(c->Handle()));
  EXPECT_FALSE(IsWindow(before));

  EXPECT_FALSE(vxIsThemeUsable(false, totEdit));
  EXPECT_EQ(vxIsThemeUsable(true, totEdit), vdOpenThemeByType(totEdit) != nullptr);
}

TEST_F(ContainerWindowFixture, ScrollBarInfoThroughTheBoundFunction) {
  ASSERT_TRUE(vxIsScrollBarInfoAvailable());
  HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_DISABLENOSCROLL, 0, 0, 80,
                              60, Form->Handle(), nullptr, nullptr, nullptr);
  SCROLLBARINFO info{};
  EXPECT_TRUE(vxSafeGetScrollBarInfo(list, OBJID_VSCROLL, info));
  EXPECT_EQ(info.cbSize, 60u);
  EXPECT_GT(info.rcScrollBar.bottom - info.rcScrollBar.top, 0);
  DestroyWindow(list);
}

TEST_F(ContainerWindowFixture, PendingMessages) {
  auto* a = Add<TPrintedControl>(Form, RECT{0, 0, 10, 10});
  auto* b = Add<TPrintedControl>(Form, RECT{20, 0, 30, 10});
  Pump(30);
  const UINT msg = WM_APP + 17;
  PostMessageW(a->Handle(), msg, 1, 0);
  PostMessageW(a->Handle(), msg, 2, 0);
  EXPECT_TRUE(vxHasPendingMessage(a->Handle(), msg));
  EXPECT_FALSE(vxHasPendingMessage(b->Handle(), msg));
  EXPECT_FALSE(vxHasPendingMessage(a->Handle(), msg + 1));

  // One at a time, then all; nothing left to remove afterwards.
  EXPECT_TRUE(vxRemovePendingMessages(a->Handle(), msg, msg, false));
  EXPECT_TRUE(vxHasPendingMessage(a->Handle(), msg));
  PostMessageW(a->Handle(), msg + 1, 0, 0);
  EXPECT_TRUE(vxRemovePendingMessages(a->Handle(), msg, msg + 1));
  EXPECT_FALSE(vxHasPendingMessage(a->Handle(), msg));
  EXPECT_FALSE(vxHasPendingMessage(a->Handle(), msg + 1));
  EXPECT_FALSE(vxRemovePendingMessages(a->Handle(), msg, msg + 1));
}

TEST_F(ContainerWindowFixture, QuitRequestSurvivesTheRemoval) {
  auto* a = Add<TPrintedControl>(Form, RECT{0, 0, 10, 10});
  Pump(30);
  const UINT msg = WM_APP + 18;
  PostMessageW(a->Handle(), msg, 0, 0);
  PostQuitMessage(7);
  // Every message of the thread: the posted one goes, the quit request comes back.
  EXPECT_TRUE(vxRemovePendingMessages(nullptr, 0, 0));
  MSG m{};
  const bool quit = PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  EXPECT_TRUE(quit);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_FALSE(vxHasPendingMessage(a->Handle(), msg));
  // Only the quit request in the queue: nothing else was removed.
  PostQuitMessage(8);
  EXPECT_FALSE(vxRemovePendingMessages(nullptr, 0, 0));
  EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 8u);
}

}  // namespace

}  // namespace ZS_UNITY_ID
