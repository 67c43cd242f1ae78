#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ControlsTestSupport.h"
#include "DragObjs.h"
#include "Forms.h"
#include "Menus.h"
#include "SysUtils.h"
#include "vxControls.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

RECT PrimaryWorkArea() {
  RECT r{0, 0, 0, 0};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

TEST(vxControlUtilities, MonitorWorkAreas) {
  RECT primary = PrimaryWorkArea();
  ASSERT_GT(primary.right, 0);
  struct {
    POINT p;
  } points[] = {{{10, 10}}, {{-5000, -5000}}, {{100000, 300}}};
  for (const auto& c : points) {
    RECT r{1, 2, 3, 4};
    vxGetMonitorWorkArea(c.p, r);
    EXPECT_TRUE(EqualRect(&r, &primary)) << "nearest monitor of " << c.p.x << "," << c.p.y;
  }
  // No monitor, or a handle the system does not know: the primary work area.
  for (HMONITOR m : {HMONITOR(nullptr), reinterpret_cast<HMONITOR>(0x5A5A)}) {
    RECT r{1, 2, 3, 4};
    vxGetMonitorWorkAreaByHandle(m, r);
    EXPECT_TRUE(EqualRect(&r, &primary));
  }
  HMONITOR real = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  RECT r{};
  vxGetMonitorWorkAreaByHandle(real, r);
  EXPECT_TRUE(EqualRect(&r, &primary));
}

TEST(vxControlUtilities, RectSideAtPoint) {
  const RECT r{0, 0, 10, 10};
  struct {
    POINT p;
    bool h, v;
    TvxPosition side;
  } cases[] = {
      {{5, 0}, true, true, posTop},     {{5, 10}, true, true, posBottom}, {{0, 5}, true, true, posLeft},
      {{10, 5}, true, true, posRight},  {{5, 5}, true, true, posTop},     {{1, 8}, true, true, posLeft},
      {{4, 5}, true, false, posLeft},   {{5, 5}, true, false, posRight},  {{5, 4}, false, true, posTop},
      {{5, 5}, false, true, posBottom}, {{5, 5}, false, false, posNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vxGetRectSideAtPoint(r, c.p, c.h, c.v), c.side) << c.p.x << "," << c.p.y << " h" << c.h << " v" << c.v;
}

TEST(vxControlUtilities, KeyAndCharacterClasses) {
  EXPECT_TRUE(vxIsNonCharVirtualKey(VK_F1));
  EXPECT_FALSE(vxIsNonCharVirtualKey('A'));
  EXPECT_FALSE(vxIsNonCharVirtualKey(0x100 + VK_F1));
  for (Word k : {VK_CANCEL, VK_BACK, VK_TAB, VK_CLEAR, VK_RETURN, VK_SHIFT, VK_CAPITAL, VK_ESCAPE, VK_PRIOR,
                 VK_HELP, VK_LWIN, VK_NUMPAD0, VK_SCROLL, VK_LSHIFT, VK_RMENU, VK_PROCESSKEY, VK_ATTN,
                 VK_OEM_CLEAR})
    EXPECT_TRUE(vxIsNonCharVirtualKey(k)) << k;
  for (Word k : {Word(VK_SPACE), Word('0'), Word(VK_OEM_1), Word(VK_RMENU + 1), Word(255), Word(228)})
    EXPECT_FALSE(vxIsNonCharVirtualKey(k)) << k;

  EXPECT_TRUE(vxIsEditStartKey(L'a'));
  EXPECT_TRUE(vxIsEditStartKey(L'あ'));
  EXPECT_TRUE(vxIsEditStartKey(22));  // Ctrl+V
  EXPECT_TRUE(vxIsEditStartKey(24));  // Ctrl+X
  EXPECT_TRUE(vxIsEditStartKey(8));
  EXPECT_FALSE(vxIsEditStartKey(3));
  EXPECT_TRUE(vxIsIncSearchStartKey(8));
  EXPECT_FALSE(vxIsIncSearchStartKey(22));
  EXPECT_FALSE(vxIsNonControlChar(L'\t'));

  TValueScope<Char> separator(FormatSettings.DecimalSeparator, L',');
  struct {
    Char ch;
    bool kinds[3];
  } numeric[] = {{L'7', {true, true, true}},  {L'-', {true, true, true}},   {L'+', {true, true, true}},
                 {L',', {false, true, true}}, {L'.', {false, false, false}}, {L'e', {false, false, true}},
                 {L'E', {false, false, true}}, {L'x', {false, false, false}}};
  for (const auto& c : numeric)
    for (int kind = 0; kind < 3; ++kind)
      EXPECT_EQ(vxIsNumericEditChar(c.ch, kind), c.kinds[kind]) << static_cast<char>(c.ch) << " kind " << kind;

  EXPECT_EQ(vxShiftToMouseKeys(TShiftState{ssShift, ssCtrl, ssLeft, ssRight, ssMiddle}),
            MK_SHIFT | MK_CONTROL | MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
  EXPECT_EQ(vxShiftToMouseKeys(TShiftState{ssAlt, ssDouble}), 0);
  EXPECT_EQ(vxTranslateVirtualKey(VK_F5), VK_F5);
}

TEST(vxControlUtilities, CtrlDownFollowsTheKeyboard) {
  SendKey(VK_CONTROL, false);
  Pump(30);
  EXPECT_TRUE(vxIsCtrlDown());
  SendKey(VK_CONTROL, true);
  Pump(30);
  EXPECT_FALSE(vxIsCtrlDown());
}

TEST(vxControlUtilities, DragDetectAreaUsesTheMouseThreshold) {
  Integer saved = Mouse->DragThreshold();
  Mouse->SetDragThreshold(4);
  const POINT start{100, 100};
  EXPECT_TRUE(vxIsPointInDragDetectArea(start, 103, 97));
  EXPECT_FALSE(vxIsPointInDragDetectArea(start, 104, 100));
  EXPECT_FALSE(vxIsPointInDragDetectArea(start, 100, 96));
  Mouse->SetDragThreshold(saved);
}

TEST(vxControlUtilities, HourglassNestsAndRestoresTheSavedCursorOnce) {
  Screen->SetCursor(crCross);
  vxHourglassBegin();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  vxHourglassBegin();
  vxHourglassEnd();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  vxHourglassEnd();
  EXPECT_EQ(Screen->Cursor(), crCross);
  Screen->SetCursor(crIBeam);
  vxHourglassEnd();  // unmatched: nothing
  EXPECT_EQ(Screen->Cursor(), crIBeam);
  Screen->SetCursor(crDefault);
}

TEST(vxControlUtilities, NamedCursorsAreInTheScreenTable) {
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  for (TCursor c = crvxDragCopy; c <= crvxMultiDragCopy; c = TCursor(SmallInt(c + 1))) {
    HCURSOR h = Screen->Cursors(c);
    EXPECT_NE(h, nullptr) << c;
    EXPECT_NE(h, arrow) << c;
  }
  EXPECT_EQ(Screen->Cursors(crvxHandPoint), LoadCursorW(nullptr, IDC_HAND));
  EXPECT_NE(Screen->Cursors(crvxDragCopy), Screen->Cursors(crvxDrag));
}

// --- Windows ---------------------------------------------------------------------------------

TEST_F(TFormFixture, WindowRoutines) {
  auto* panel = Add<TCustomControl>(Form, RECT{10, 20, 210, 180});
  auto* child = Add<TCustomControl>(panel, RECT{5, 6, 55, 46});
  HWND f = Form->Handle(), p = panel->Handle(), c = child->Handle();

  EXPECT_TRUE(vxHasChildStyle(c));
  EXPECT_FALSE(vxHasChildStyle(f));
  EXPECT_TRUE(vxIsChildOrSelf(f, c));
  EXPECT_TRUE(vxIsChildOrSelf(p, p));
  EXPECT_FALSE(vxIsChildOrSelf(c, p));
  EXPECT_FALSE(vxIsChildOrSelf(nullptr, nullptr));

  EXPECT_TRUE(vxIsWindowEnabledWithParents(c));
  EnableWindow(p, FALSE);
  EXPECT_TRUE(IsWindowEnabled(c));
  EXPECT_FALSE(vxIsWindowEnabledWithParents(c));
  EnableWindow(p, TRUE);
  EnableWindow(f, FALSE);
  EXPECT_FALSE(vxIsWindowEnabledWithParents(c));
  EnableWindow(f, TRUE);

  RECT r{1, 2, 11, 22};
  vxMapRectToWindow(c, f, r);
  EXPECT_EQ(r.left, 16);
  EXPECT_EQ(r.top, 28);
  EXPECT_EQ(r.right, 26);
  EXPECT_EQ(r.bottom, 48);
  POINT pt{0, 0};
  vxMapPointToWindow(c, p, pt);
  EXPECT_EQ(pt.x, 5);
  EXPECT_EQ(pt.y, 6);

  RECT wr{1, 1, 1, 1};
  vxWindowRectOrEmpty(reinterpret_cast<HWND>(0x7777), wr);
  EXPECT_TRUE(IsRectEmpty(&wr) && wr.left == 0 && wr.right == 0);
  vxWindowRectOrEmpty(c, wr);
  EXPECT_EQ(wr.right - wr.left, 50);
  TCustomControl noHandle(nullptr);
  RECT cr{1, 1, 1, 1};
  vxGetControlWindowRect(&noHandle, cr);
  EXPECT_TRUE(cr.left == 0 && cr.top == 0 && cr.right == 0 && cr.bottom == 0);
  vxGetControlWindowRect(child, cr);
  EXPECT_TRUE(EqualRect(&cr, &wr));
  EXPECT_EQ(vxGetDoubleClickTime(), static_cast<Integer>(GetDoubleClickTime()));
}

TEST_F(TFormFixture, CanAllocateHandle) {
  auto* placed = new TCustomControl(Form);
  auto* loose = new TCustomControl(Form);
  auto* hosted = new TCustomControl(Form);
  auto* nested = new TCustomControl(Form);
  placed->SetParent(Form);
  nested->SetParent(loose);
  hosted->SetParentWindow(Form->Handle());
  EXPECT_TRUE(vxCanAllocateHandle(placed));
  EXPECT_FALSE(vxCanAllocateHandle(loose));
  EXPECT_FALSE(vxCanAllocateHandle(nested));
  EXPECT_TRUE(vxCanAllocateHandle(hosted));
  TForm* lone = TCustomForm::Create<TForm>(nullptr);
  EXPECT_TRUE(vxCanAllocateHandle(lone)) << "a form with the application's window";
  delete lone;
}

// Records whether painting reached it. Its window clips its children, so that only
// what is invalidated on purpose repaints them.
class TPaintRecorder : public TCustomControl {
  DECLARE_CLASS(TPaintRecorder, TCustomControl)
 public:
  explicit TPaintRecorder(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle().Include(csAcceptsControls);
  }
  int Paints = 0;

 protected:
  void Paint() override { ++Paints; }
};

TEST_F(TFormFixture, RedrawInvalidatesTheControlAndTheChildrenThatShowItsBackground) {
  auto* panel = Add<TPaintRecorder>(Form, RECT{10, 10, 210, 190});
  auto* plain = Add<TPaintRecorder>(panel, RECT{0, 0, 40, 40});
  auto* opaque = Add<TPaintRecorder>(panel, RECT{50, 0, 90, 40});
  opaque->ControlStyle().Include(csOpaque);
  opaque->ControlStyle().Exclude(csParentBackground);
  auto* seeThrough = Add<TPaintRecorder>(panel, RECT{100, 0, 140, 40});
  seeThrough->ControlStyle().Include(csOpaque);
  seeThrough->ControlStyle().Include(csParentBackground);
  Pump(80);
  auto reset = [&] {
    for (auto* c : {panel, plain, opaque, seeThrough}) c->Paints = 0;
  };

  reset();
  vxRedrawWinControl(panel, true, true);
  Pump(60);
  EXPECT_GE(panel->Paints, 1);
  EXPECT_GE(plain->Paints, 1);
  EXPECT_EQ(opaque->Paints, 0);
  EXPECT_GE(seeThrough->Paints, 1);

  reset();
  vxRedrawWinControl(panel, true, false);
  Pump(60);
  EXPECT_GE(panel->Paints, 1);
  EXPECT_EQ(plain->Paints, 0);

  reset();
  vxRedrawWinControl(panel, false, true);
  Pump(60);
  EXPECT_EQ(panel->Paints, 0);
  EXPECT_EQ(plain->Paints, 0);
}

// --- Drag start ------------------------------------------------------------------------------

// Input steps run one by one from a thread timer while the wait loop runs.
std::vector<std::function<void()>> Script;
std::size_t ScriptStep = 0;
UINT_PTR ScriptTimer = 0;

void CALLBACK RunScriptStep(HWND, UINT, UINT_PTR, DWORD) {
  if (ScriptStep < Script.size()) {
    Script[ScriptStep++]();
  } else {
    KillTimer(nullptr, ScriptTimer);
    ScriptTimer = 0;
  }
}

void StartScript(std::vector<std::function<void()>> Steps) {
  Script = std::move(Steps);
  ScriptStep = 0;
  ScriptTimer = SetTimer(nullptr, 0, 30, RunScriptStep);
}

void StopScript() {
  if (ScriptTimer) KillTimer(nullptr, ScriptTimer);
  ScriptTimer = 0;
  Script.clear();
}

struct DragStart : TFormFixture {
  TCustomControl* Pad = nullptr;
  Integer SavedThreshold = 0;
  static constexpr Integer T = 5;
  void SetUp() override {
    TFormFixture::SetUp();
    Pad = Add<TCustomControl>(Form, RECT{20, 20, 220, 180});
    SavedThreshold = Mouse->DragThreshold();
    Mouse->SetDragThreshold(T);
    Pump(50);
  }
  void TearDown() override {
    StopScript();
    Mouse->SetDragThreshold(SavedThreshold);
    if (GetAsyncKeyState(VK_LBUTTON) < 0) SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(30);
    TFormFixture::TearDown();
  }
  // Presses the left button at a client point of the pad and waits for the outcome.
  TvxDragStartResult PressAndWait(POINT Start, std::vector<std::function<void()>> Steps) {
    MoveMouse(Pad->ClientToScreen(Start));
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Pump(40);
    ReleaseCapture();
    StartScript(std::move(Steps));
    TvxDragStartResult r = vxWaitDragStart(Pad->Handle());
    StopScript();
    return r;
  }
  std::function<void()> MoveTo(POINT Client) {
    return [this, Client] {
      POINT s = Pad->ClientToScreen(Client);
      SetCursorPos(s.x, s.y);
    };
  }
  static std::function<void()> Release() {
    return [] { SendMouseButton(MOUSEEVENTF_LEFTUP); };
  }
};

TEST_F(DragStart, LeavingTheThresholdSquareStartsADragAndReleasingCancels) {
  const POINT start{100, 80};
  struct {
    int dx, dy;
    TvxDragStartResult expected;
  } cases[] = {
      {T, 0, dsrDrag},          {0, T, dsrDrag},          {-T, 0, dsrCancelled},    {0, -T, dsrCancelled},
      {-T - 1, 0, dsrDrag},     {0, -T - 1, dsrDrag},     {T - 1, T - 1, dsrCancelled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "move " << c.dx << "," << c.dy);
    TvxDragStartResult r =
        PressAndWait(start, {MoveTo(POINT{start.x + c.dx, start.y + c.dy}), Release()});
    EXPECT_EQ(r, c.expected);
    EXPECT_NE(GetCapture(), Pad->Handle()) << "the capture is released";
    if (GetAsyncKeyState(VK_LBUTTON) < 0) SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(30);
  }
}

TEST_F(DragStart, MovesLeftOfTheWindowAreMeasuredWithSignedCoordinates) {
  EXPECT_EQ(PressAndWait(POINT{2, 80}, {MoveTo(POINT{2 - T - 1, 80}), Release()}), dsrDrag);
}

TEST_F(DragStart, EscapeLostCaptureAndQuitDecideNothing) {
  EXPECT_EQ(PressAndWait(POINT{100, 80}, {[] { SendKey(VK_ESCAPE, false); }, [] { SendKey(VK_ESCAPE, true); }}),
            dsrNone);
  EXPECT_EQ(PressAndWait(POINT{100, 80}, {[] { ReleaseCapture(); }}), dsrNone);

  EXPECT_EQ(PressAndWait(POINT{100, 80}, {[] { PostQuitMessage(3); }}), dsrNone);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request stays queued";
  EXPECT_EQ(m.wParam, 3u);
}

// --- Popup menus -----------------------------------------------------------------------------

class TExternalMenu : public TComponent, public IvxExternalPopupMenu {
  DECLARE_CLASS(TExternalMenu, TComponent)
 public:
  using TComponent::TComponent;
  std::vector<POINT> Shown;
  std::vector<Word> Keys;
  bool IsShortCut(TWMKey& Message) override {
    Keys.push_back(Message.CharCode());
    return Message.CharCode() == VK_F7;
  }
  void Popup(Integer X, Integer Y) override { Shown.push_back(POINT{X, Y}); }
};

TMessage KeyMessage(Word Key) { return TMessage{WM_KEYDOWN, Key, 0, 0}; }

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  EndMenu();
}

TEST_F(TFormFixture, PopupMenusPlatformOrExternal) {
  auto* pad = Add<TCustomControl>(Form, RECT{10, 10, 100, 100});
  TExternalMenu external(nullptr);
  EXPECT_TRUE(vxShowPopupMenuAt(pad, &external, 30, 40));
  ASSERT_EQ(external.Shown.size(), 1u);
  EXPECT_EQ(external.Shown[0].x, 30);
  EXPECT_EQ(external.Shown[0].y, 40);
  EXPECT_FALSE(vxShowPopupMenuAt(pad, nullptr, 0, 0));
  EXPECT_FALSE(vxShowPopupMenuAt(pad, Form, 0, 0)) << "a component that is no menu";

  auto* menu = new TPopupMenu(Form);
  auto* item = new TMenuItem(menu);
  item->SetCaption(L"Go");
  item->SetShortCut(ShortCut(VK_F5, {}));
  int clicks = 0;
  item->OnClick = [&](TObject*) { ++clicks; };
  menu->Items()->Add(item);
  int popups = 0;
  menu->OnPopup = [&](TObject*) {
    ++popups;
    SetTimer(nullptr, 0, 50, CloseMenu);
  };

  menu->SetAutoPopup(false);
  EXPECT_FALSE(vxShowPopupMenuAt(pad, menu, 50, 50));
  EXPECT_EQ(popups, 0);
  menu->SetAutoPopup(true);
  EXPECT_TRUE(vxShowPopupMenuAt(pad, menu, 50, 50));
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(menu->PopupComponent(), pad);

  TMessage f5 = KeyMessage(VK_F5), f7 = KeyMessage(VK_F7), f8 = KeyMessage(VK_F8);
  TWMKey k5(f5), k7(f7), k8(f8);
  EXPECT_TRUE(vxPopupMenuIsShortCut(menu, k5));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(vxPopupMenuIsShortCut(menu, k8));
  EXPECT_TRUE(vxPopupMenuIsShortCut(&external, k7));
  EXPECT_FALSE(vxPopupMenuIsShortCut(&external, k8));
  EXPECT_EQ(external.Keys.size(), 2u);
  EXPECT_FALSE(vxPopupMenuIsShortCut(nullptr, k5));
}

TEST_F(TFormFixture, PopupMenuHeightEstimate) {
  auto* menu = new TPopupMenu(Form);
  for (const wchar_t* caption : {L"One", L"Two", L"Hidden"}) {
    auto* item = new TMenuItem(menu);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  menu->Items()->Items(2)->SetVisible(false);
  TBitmap probe;
  probe.Canvas()->Font()->Assign(Screen->MenuFont());
  Integer line = probe.Canvas()->TextHeight(L"Qg") + 4;
  EXPECT_EQ(vxEstimatePopupMenuHeight(menu), 2 * line + 4);

  // Items that draw themselves measure themselves.
  menu->SetOwnerDraw(true);
  for (Integer i = 0; i < 3; ++i)
    menu->Items()->Items(i)->OnMeasureItem = [](TObject*, TCanvas*, Integer&, Integer& Height) { Height = 30; };
  EXPECT_EQ(vxEstimatePopupMenuHeight(menu), 2 * 30 + 4);
}

// --- Hints -----------------------------------------------------------------------------------

struct Hints : TFormFixture {
  TCustomControl* Pad = nullptr;
  THintWindow* Window = nullptr;
  TShowHintEvent SavedShowHint;
  void SetUp() override {
    TFormFixture::SetUp();
    Pad = Add<TCustomControl>(Form, RECT{30, 40, 130, 90});
    SavedShowHint = Application->OnShowHint;
  }
  void TearDown() override {
    Application->OnShowHint = SavedShowHint;
    delete Window;
    TFormFixture::TearDown();
  }
};

TEST_F(Hints, PreparedWithoutAShowHintHandler) {
  Application->OnShowHint = nullptr;
  RECT r{200, 300, 0, 0};
  THintInfo info;
  int data = 0;
  ASSERT_TRUE(vxInitHintInfo(info, Window, Pad, &data, r, L"Tip text"));
  ASSERT_NE(Window, nullptr);
  EXPECT_EQ(Window->Owner(), Application);
  EXPECT_EQ(Window->Color(), Application->HintColor());
  EXPECT_EQ(info.HintControl, Pad);
  EXPECT_EQ(info.HintPos.x, 200);
  EXPECT_EQ(info.HintPos.y, 300);
  EXPECT_EQ(info.HintStr, L"Tip text");
  EXPECT_EQ(info.HintData, &data);
  EXPECT_EQ(info.HideTimeout, Application->HintHidePause());
  EXPECT_EQ(info.HintMaxWidth, Screen->Width());
  EXPECT_TRUE(info.CursorRect.left == 0 && info.CursorRect.top == 0 && info.CursorRect.right == 100 &&
              info.CursorRect.bottom == 50)
      << "the control's bounds in its own client coordinates";
  RECT size = Window->CalcHintRect(Screen->Width(), L"Tip text", &data);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 300);
  EXPECT_EQ(r.right - r.left, size.right - size.left);
  EXPECT_EQ(r.bottom - r.top, size.bottom - size.top);

  vxActivateHintWindow(Window, r, L"Tip text");
  Pump(30);
  EXPECT_TRUE(IsWindowVisible(Window->Handle()));

  // The same window is kept for the next hint.
  THintWindow* first = Window;
  RECT r2{10, 10, 0, 0};
  EXPECT_TRUE(vxInitHintInfo(info, Window, Pad, nullptr, r2, L"Again"));
  EXPECT_EQ(Window, first);
}

TEST_F(Hints, TheApplicationHandlerMayChangeOrSuppressTheHint) {
  Application->OnShowHint = [](String& HintStr, bool& CanShow, THintInfo&) {
    if (HintStr == L"secret")
      CanShow = false;
    else
      HintStr = L"A much longer replacement text";
  };
  RECT r{0, 0, 0, 0};
  THintInfo info;
  EXPECT_FALSE(vxInitHintInfo(info, Window, Pad, nullptr, r, L"secret"));
  EXPECT_EQ(Window, nullptr) << "no window for a hint that does not show";

  EXPECT_TRUE(vxInitHintInfo(info, Window, Pad, nullptr, r, L"x"));
  ASSERT_NE(Window, nullptr);
  EXPECT_EQ(info.HintStr, L"A much longer replacement text");
  RECT longSize = Window->CalcHintRect(Screen->Width(), info.HintStr, nullptr);
  EXPECT_EQ(r.right - r.left, longSize.right - longSize.left);
}

}  // namespace

}  // namespace ZS_UNITY_ID
