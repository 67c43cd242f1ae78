// The drop-down editors' popup window on real windows: placement against the owner and
// the work area, the size grip and its resize bands, the close button, closing on focus
// loss and by a popup control's modal result.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "Forms.h"
#include "vdCore.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxDropDownEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 30) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(1);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

// Records how the popup was closed and what the content was laid out in.
class TProbeDropDown : public TvxCustomDropDownEdit {
 public:
  using TvxCustomDropDownEdit::TvxCustomDropDownEdit;
  void CloseUp(TvxEditCloseUpReason AReason) override {
    Reasons.push_back(AReason);
    TvxCustomDropDownEdit::CloseUp(AReason);
  }
  void PositionPopupContent(const TRect& R) override { ContentRect = R; }
  void FinalizePopup() override { ++Finalized; }
  std::vector<TvxEditCloseUpReason> Reasons;
  TRect ContentRect{};
  int Finalized = 0;
};

void MouseTo(POINT P) {
  INPUT i{};
  i.type = INPUT_MOUSE;
  i.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  i.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  i.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &i, sizeof i);
  Pump(20);
}

void Button(bool ADown) {
  INPUT i{};
  i.type = INPUT_MOUSE;
  i.mi.dwFlags = ADown ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &i, sizeof i);
  Pump(20);
}

RECT WorkArea() {
  RECT r;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

struct DropDownPopupWindowTest : ::testing::Test {
  TForm* Form = nullptr;
  TProbeDropDown* Edit = nullptr;

  // A form whose editor sits at the given screen point (the editor is 150 x 24).
  void Place(Integer X, Integer Y) {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(X - 10, Y - 10, 300, 60);
    Form->Show();
    Edit = TvxContainer::Create<TProbeDropDown>(Form);
    Edit->SetBounds(10, 10, 150, 24);
    Edit->SetParent(Form);
    SetForegroundWindow(Form->Handle());
    Edit->SetFocus();
    Pump();
  }
  void TearDown() override {
    delete Form;
    Pump(10);
  }
  TvxCustomEditPopupWindow* Open(Integer AHeight = 120, Integer AWidth = 0) {
    TvxCustomEditPopupWindow* w = Edit->PopupWindow();
    w->SetModalMode(false);
    w->SetPopupHeight(AHeight);
    w->SetPopupWidth(AWidth);
    w->Popup(nullptr);
    Pump();
    return w;
  }
  // The editor's visible bounds (inside a transparent border) on the screen: the popup
  // drops from them.
  RECT EditScreen() {
    RECT r = Edit->GetVisibleBounds();
    MapWindowPoints(Edit->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
};

TEST_F(DropDownPopupWindowTest, OpensBelowOrAboveAtTheWorkAreaEdgesWithTheGripAwayFromTheOwner) {
  const RECT wa = WorkArea();
  struct Case {
    const char* Name;
    Integer X, Y;  // editor position, relative to the work area's corners when negative
    Integer PopupWidth;
    bool Shadow;
    bool Above;
    TvxEditCorner Corner;
  } cases[] = {
      {"below", 100, 100, 0, false, false, ecoBottomRight},
      {"above at the bottom edge", 100, -40, 0, false, true, ecoTopRight},
      {"above with a shadow", 100, -40, 0, true, true, ecoTopRight},
      {"pushed left at the right edge", -200, 100, 400, false, false, ecoBottomLeft},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Place(c.X < 0 ? wa.right + c.X : c.X, c.Y < 0 ? wa.bottom + c.Y : c.Y);
    TvxCustomEditPopupWindow* w = Edit->PopupWindow();
    w->SetShadow(c.Shadow);
    Open(120, c.PopupWidth);
    ASSERT_TRUE(w->IsVisible());
    const RECT o = EditScreen();
    RECT p;
    GetWindowRect(w->Handle(), &p);
    EXPECT_EQ(p.right - p.left, c.PopupWidth ? c.PopupWidth : o.right - o.left);
    if (c.Above) {
      EXPECT_EQ(p.bottom, o.top + (c.Shadow ? 3 : 0));  // the shadow band lies over the owner
    } else {
      EXPECT_EQ(p.top, o.bottom);
    }
    EXPECT_LE(p.right, wa.right);
    EXPECT_EQ(w->ViewInfo()->SizeGripCorner, c.Corner);
    w->CloseUp();
    TearDown();
  }
  Form = nullptr;
}

TEST_F(DropDownPopupWindowTest, ResizeBandsFollowTheGripCorner) {
  Place(100, 100);
  TvxCustomEditPopupWindow* w = Edit->PopupWindow();
  w->SetSysPanelStyle(true);
  w->SetSizeable(true);
  w->SetCloseButton(true);
  w->SetBorderStyle(epbsSingle);
  Open(150, 200);
  TvxCustomEditPopupWindowViewInfo* vi = w->ViewInfo();
  ASSERT_EQ(vi->SizeGripCorner, ecoBottomRight);
  const Integer W = w->Width(), H = w->Height();
  const TRect g = vi->SizeGripSizingRect;
  struct Case {
    Integer X, Y;
    bool Sizing;
    TCursor Cursor;
  } cases[] = {
      {W - 1, H / 2, true, crSizeWE},                        // right edge
      {W / 2, H - 1, true, crSizeNS},                        // bottom edge
      {(g.left + g.right) / 2, (g.top + g.bottom) / 2, true, crSizeNWSE},  // grip
      {0, H / 2, true, crDefault},                           // left edge: a frame point that does not size
      {W / 2, 0, true, crDefault},                           // top edge
      {W / 2, H / 3, false, crDefault},                      // client area
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.X << "," << c.Y);
    EXPECT_EQ(vi->IsSizingPlace(c.X, c.Y), c.Sizing);
    SendMessageW(w->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(c.X, c.Y));
    EXPECT_EQ(w->Cursor(), c.Cursor);
  }
  // The system panel never overlaps itself: the grip, the close button and 10 pixels.
  const SIZE ms = w->MinSize();
  TRect e;
  vi->GetClientExtent(e);
  EXPECT_EQ(ms.cx, e.left + e.right + (vi->CloseButtonRect.right - vi->CloseButtonRect.left) + (g.right - g.left) + 10);
  EXPECT_GT(e.bottom, vi->SysPanelHeight);
}

TEST_F(DropDownPopupWindowTest, DraggingTheGripResizesAndRightEdgeOfALeftGripStaysPut) {
  const RECT wa = WorkArea();
  for (bool gripLeft : {false, true}) {
    SCOPED_TRACE(gripLeft ? "grip at the bottom left" : "grip at the bottom right");
    Place(gripLeft ? wa.right - 200 : 100, 100);
    TvxCustomEditPopupWindow* w = Edit->PopupWindow();
    w->SetSysPanelStyle(true);
    w->SetSizeable(true);
    w->SetShowContentWhileResize(true);
    Open(150, gripLeft ? 400 : 200);
    TvxCustomEditPopupWindowViewInfo* vi = w->ViewInfo();
    ASSERT_EQ(vi->SizeGripCorner, gripLeft ? ecoBottomLeft : ecoBottomRight);
    RECT before;
    GetWindowRect(w->Handle(), &before);
    const TRect g = vi->SizeGripSizingRect;
    POINT start{before.left + (g.left + g.right) / 2, before.top + (g.top + g.bottom) / 2};
    const Integer dx = gripLeft ? -40 : 40;
    MouseTo(start);
    Button(true);
    // Small steps: a drag inside the window only counts while the pointer stays on the grip.
    for (int k = 1; k <= 10; ++k) MouseTo(POINT{start.x + dx * k / 10, start.y + 30 * k / 10});
    Button(false);
    RECT after;
    GetWindowRect(w->Handle(), &after);
    EXPECT_EQ(after.right - after.left, (before.right - before.left) + 40);
    EXPECT_EQ(after.bottom - after.top, (before.bottom - before.top) + 30);
    EXPECT_EQ(after.top, before.top);  // the edge at the owner stays
    if (gripLeft) {
      EXPECT_EQ(after.right, before.right);
    } else {
      EXPECT_EQ(after.left, before.left);
    }
    EXPECT_TRUE(Edit->FPopupSizeChanged);
    EXPECT_EQ(Edit->ContentRect.right - Edit->ContentRect.left, vi->ClientRect.right - vi->ClientRect.left);
    if (gripLeft) {
      // The edge away from the grip does not react to a drag.
      const Integer h = w->Height();
      POINT edge{after.right - 2, after.top + h / 2};
      MouseTo(edge);
      Button(true);
      MouseTo(POINT{edge.x + 30, edge.y});
      Button(false);
      RECT again;
      GetWindowRect(w->Handle(), &again);
      EXPECT_TRUE(EqualRect(&again, &after));
    }
    w->CloseUp();
    TearDown();
  }
  Form = nullptr;
}

TEST_F(DropDownPopupWindowTest, ClosesOnItsCloseButtonFocusLossAndModalResults) {
  Place(100, 100);
  TvxCustomEditPopupWindow* w = Edit->PopupWindow();
  w->SetSysPanelStyle(true);
  w->SetCloseButton(true);
  Open(150, 200);
  RECT p;
  GetWindowRect(w->Handle(), &p);
  const TRect c = w->ViewInfo()->CloseButtonRect;
  ASSERT_FALSE(c.right <= c.left);
  MouseTo(POINT{p.left + (c.left + c.right) / 2, p.top + (c.top + c.bottom) / 2});
  Button(true);
  Button(false);
  EXPECT_FALSE(w->IsVisible());
  ASSERT_EQ(Edit->Reasons.size(), 1u);
  EXPECT_EQ(Edit->Reasons[0], crUnknown);  // not crClose

  // Focus moving to another window closes the popup.
  Open();
  ASSERT_TRUE(w->IsVisible());
  TForm* other = TCustomForm::Create<TForm>(nullptr);
  other->SetPosition(poDesigned);
  other->SetBounds(500, 400, 200, 100);
  other->Show();
  SetForegroundWindow(other->Handle());
  Pump(60);
  EXPECT_FALSE(w->IsVisible());
  delete other;
  Pump();

  // A control in the popup that sets a modal result closes it with the matching reason.
  struct Case {
    TModalResult Result;
    TvxEditCloseUpReason Reason;
  } cases[] = {{mrOk, crEnter}, {mrCancel, crCancel}, {mrYes, crUnknown}};
  for (const Case& k : cases) {
    Edit->Reasons.clear();
    Open();
    w->SetModalResult(k.Result);
    w->CloseUpByModalResult();
    EXPECT_FALSE(w->IsVisible());
    ASSERT_EQ(Edit->Reasons.size(), 1u);
    EXPECT_EQ(Edit->Reasons[0], k.Reason);
  }
}

// In the native style the close button and the frame are the theme's; otherwise the
// close button of the popup's look and feel, never the system caption button.
TEST_F(DropDownPopupWindowTest, NativeCloseButtonAndFrameAreDrawnByTheTheme) {
  HTHEME windowTheme = vdOpenThemeByType(totWindow);
  if (!windowTheme) GTEST_SKIP() << "no window theme";
  Place(100, 100);
  TvxCustomEditPopupWindow* w = Edit->PopupWindow();
  w->SetSysPanelStyle(true);
  w->SetCloseButton(true);
  w->SetNativeStyle(true);
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  Open(150, 200);
  TvxCustomEditPopupWindowViewInfo* vi = w->ViewInfo();
  EXPECT_EQ(1, vi->CloseButtonNativeState);  // normal
  w->Repaint();
  Pump();
  const TRect c = vi->CloseButtonRect;
  ASSERT_FALSE(c.right <= c.left);
  // The button is the theme's close button, drawn over the panel's face.
  HDC wdc = GetDC(w->Handle());
  HDC direct = CreateCompatibleDC(wdc);
  HBITMAP bmp = CreateCompatibleBitmap(wdc, w->Width(), w->Height());
  HGDIOBJ old = SelectObject(direct, bmp);
  RECT all{0, 0, w->Width(), w->Height()};
  FillRect(direct, &all, GetSysColorBrush(COLOR_BTNFACE));
  if (vdOSWinVistaUp)
    if (HTHEME listTheme = vdOpenThemeByType(totListBox)) vdUxTheme::DrawThemeBackground(listTheme, direct, 3, 3, &all, nullptr);
  RECT cr = c;
  FillRect(direct, &cr, GetSysColorBrush(COLOR_BTNFACE));
  vdUxTheme::DrawThemeBackground(windowTheme, direct, 18, 1, &cr, nullptr);
  int same = 0, total = 0;
  for (int y = c.top; y < c.bottom; ++y)
    for (int x = c.left; x < c.right; ++x, ++total) same += GetPixel(wdc, x, y) == GetPixel(direct, x, y);
  EXPECT_GT(same, total * 9 / 10);
  // The frame's left edge in the middle of the window is the theme's border.
  const int y = w->Height() / 2;
  EXPECT_EQ(GetPixel(direct, 0, y), GetPixel(wdc, 0, y));
  SelectObject(direct, old);
  DeleteObject(bmp);
  DeleteDC(direct);
  ReleaseDC(w->Handle(), wdc);
  w->CloseUp();
  Pump();
  // Without the native style the button is square and not themed.
  w->SetNativeStyle(false);
  Open(150, 200);
  EXPECT_EQ(0, w->ViewInfo()->CloseButtonNativeState);
  const TRect s = w->ViewInfo()->CloseButtonRect;
  EXPECT_EQ(s.right - s.left, s.bottom - s.top);
}

TEST_F(DropDownPopupWindowTest, AClickOnTheOwnersFormOutsideThePopupClosesIt) {
  Place(100, 100);
  TvxCustomEditPopupWindow* w = Open(60);
  ASSERT_TRUE(w->IsVisible());
  RECT f;
  GetWindowRect(Form->Handle(), &f);
  MouseTo(POINT{f.right - 20, f.top + 20});  // beside the editor, away from the popup below it
  Button(true);
  Button(false);
  EXPECT_FALSE(w->IsVisible());
}

TEST_F(DropDownPopupWindowTest, AnOwnerWithoutAWindowFinalizesInsteadOfShowing) {
  Place(100, 100);
  Edit->SetVisible(false);
  Pump();
  TvxCustomEditPopupWindow* w = Open();
  EXPECT_FALSE(w->IsVisible());
  EXPECT_EQ(Edit->Finalized, 1);
}

TEST_F(DropDownPopupWindowTest, FrameWidthsFollowTheBorderStyle) {
  TvxCustomEditPopupWindowViewInfo vi;
  struct Case {
    TvxEditPopupBorderStyle Style;
    bool ClientEdge;
    Integer Border, WithEdge;
  } cases[] = {{epbsDefault, true, 0, 0}, {epbsSingle, true, 1, 3}, {epbsFrame3D, true, 4, 6},
               {epbsFlat, true, 2, 3},   {epbsFrame3D, false, 4, 4}};
  for (const Case& c : cases) {
    vi.BorderStyle = c.Style;
    vi.ClientEdge = c.ClientEdge;
    EXPECT_EQ(vi.GetBorderWidth(false), c.Border) << c.Style;
    EXPECT_EQ(vi.GetBorderWidth(true), c.WithEdge) << c.Style;
  }
  // An owner-drawn frame answers its own width.
  vi.FOnCustomDrawBorder = [](TvxContainerViewInfo*, TvxCanvas*, const TRect&, bool& AHandled, Integer& AWidth) {
    AHandled = true;
    AWidth = 7;
  };
  vi.ClientEdge = false;
  EXPECT_EQ(vi.GetBorderWidth(true), 7);
}

}  // namespace

}  // namespace ZS_UNITY_ID
