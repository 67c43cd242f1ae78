#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ExtCtrls.h"
#include "FormsTestSupport.h"
#include "StdCtrls.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

// A shown form with a known client area at a known place on the screen.
struct TFormFixture : TFormTest {
  std::wstring Log;
  template <class T>
  T* Add(TWinControl* Parent, const wchar_t* Name, RECT R, TColor Color) {
    T* c = new T(Form);
    c->SetName(Name);
    c->SetBoundsRect(R);
    c->SetColor(Color);
    c->Log = &Log;
    c->SetParent(Parent);
    return c;
  }
};

TEST_F(TFormFixture, AlignmentPlacesNestedControlsAndTheyPaintThere) {
  // Created out of order: alignment orders same-side controls by position.
  auto* lower = Add<TSwatch>(Form, L"Lower", RECT{0, 100, 10, 130}, clFuchsia);
  lower->SetAlign(alTop);
  auto* top = Add<TSwatch>(Form, L"Top", RECT{0, 0, 10, 40}, clRed);
  top->SetAlign(alTop);
  auto* left = Add<TSwatch>(Form, L"Left", RECT{0, 0, 60, 10}, clLime);
  left->SetAlign(alLeft);
  auto* client = Add<TSwatch>(Form, L"Client", RECT{0, 0, 10, 10}, clBlue);
  client->SetAlign(alClient);
  auto* right = Add<TSwatch>(top, L"Right", RECT{0, 0, 30, 10}, clYellow);
  right->SetAlign(alRight);
  auto* dot = Add<TDot>(client, L"Dot", RECT{10, 10, 30, 30}, clAqua);
  ShowForm();
  // Anchors keep the distances the control has when they are set.
  auto* anchored = Add<TSwatch>(client, L"Anchored", RECT{200, 100, 220, 110}, clWhite);
  anchored->SetAnchors({akRight, akBottom});

  auto expectBounds = [](TControl* c, RECT r) {
    RECT b = c->BoundsRect();
    EXPECT_EQ(b.left, r.left) << c->Name().size();
    EXPECT_EQ(b.top, r.top);
    EXPECT_EQ(b.right, r.right);
    EXPECT_EQ(b.bottom, r.bottom);
  };
  EXPECT_EQ(Form->ClientWidth(), 300);
  EXPECT_EQ(Form->ClientHeight(), 200);
  expectBounds(top, {0, 0, 300, 40});
  expectBounds(lower, {0, 40, 300, 70});
  expectBounds(left, {0, 70, 60, 200});
  expectBounds(client, {60, 70, 300, 200});
  expectBounds(right, {270, 0, 300, 40});
  expectBounds(dot, {10, 10, 30, 30});

  HWND h = Form->Handle();
  struct { int x, y; TColor c; } probes[] = {
      {5, 5, clRed}, {280, 5, clYellow}, {5, 50, clFuchsia}, {5, 150, clLime},
      {100, 150, clBlue}, {60 + 15, 70 + 15, clAqua}, {60 + 9, 70 + 9, clBlue},
      {60 + 30, 70 + 30, clBlue}};
  for (auto& p : probes) EXPECT_EQ(PixelAt(h, p.x, p.y), p.c) << p.x << "," << p.y;

  // Growing the form moves the right/bottom-anchored control with the client's corner.
  Form->SetClientWidth(340);
  Form->SetClientHeight(230);
  Pump(100);
  expectBounds(client, {60, 70, 340, 230});
  expectBounds(anchored, {240, 130, 260, 140});
  EXPECT_EQ(PixelAt(h, 60 + 245, 70 + 135), clWhite);

  // A hidden control gives its space back.
  lower->SetVisible(false);
  Pump(50);
  expectBounds(left, {0, 40, 60, 230});
}

TEST_F(TFormFixture, MouseInputReachesTheControlUnderIt) {
  auto* pad = Add<TSwatch>(Form, L"Pad", RECT{10, 10, 110, 110}, clSilver);
  auto* dot = Add<TDot>(pad, L"Dot", RECT{50, 50, 70, 70}, clNavy);
  struct Press { std::wstring who; TMouseButton b; int x, y; };
  std::vector<Press> downs, ups;
  pad->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) { downs.push_back({L"Pad", b, x, y}); };
  pad->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int x, int y) { ups.push_back({L"Pad", b, x, y}); };
  dot->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) { downs.push_back({L"Dot", b, x, y}); };
  std::wstring clicks;
  pad->OnClick = [&](TObject*) { clicks += L"Pad.Click "; };
  dot->OnClick = [&](TObject*) { clicks += L"Dot.Click "; };
  ShowForm();

  ClickAt(pad->ClientToScreen(POINT{5, 6}));
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].who, L"Pad");
  EXPECT_EQ(downs[0].b, mbLeft);
  EXPECT_EQ(downs[0].x, 5);
  EXPECT_EQ(downs[0].y, 6);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].x, 5);

  // The graphic child gets the click in its own coordinates; its parent does not.
  ClickAt(dot->ClientToScreen(POINT{3, 4}));
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[1].who, L"Dot");
  EXPECT_EQ(downs[1].x, 3);
  EXPECT_EQ(downs[1].y, 4);

  // Pressed inside, released outside: the control keeps the mouse until the release
  // but it is no click.
  MoveMouse(pad->ClientToScreen(POINT{20, 20}));
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MoveMouse(pad->ClientToScreen(POINT{150, 20}));
  MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_EQ(ups.size(), 2u);
  EXPECT_EQ(ups[1].x, 150);
  EXPECT_EQ(clicks, L"Pad.Click Dot.Click ");

  // Right button.
  MoveMouse(pad->ClientToScreen(POINT{8, 9}));
  MouseButton(MOUSEEVENTF_RIGHTDOWN);
  MouseButton(MOUSEEVENTF_RIGHTUP);
  ASSERT_EQ(downs.size(), 4u);
  EXPECT_EQ(downs[3].b, mbRight);
}

TEST_F(TFormFixture, MouseEnterAndLeaveFollowTheCursor) {
  auto* pad = Add<TSwatch>(Form, L"Pad", RECT{10, 10, 110, 110}, clSilver);
  auto* dot = Add<TDot>(pad, L"Dot", RECT{50, 50, 70, 70}, clNavy);
  auto* other = Add<TSwatch>(Form, L"Other", RECT{150, 10, 200, 60}, clGray);
  ShowForm();
  MoveMouse(Form->ClientToScreen(POINT{130, 150}));
  Log.clear();
  MoveMouse(pad->ClientToScreen(POINT{10, 10}));
  MoveMouse(dot->ClientToScreen(POINT{5, 5}));
  MoveMouse(pad->ClientToScreen(POINT{20, 80}));
  MoveMouse(other->ClientToScreen(POINT{10, 10}));
  MoveMouse(Form->ClientToScreen(POINT{130, 150}));
  Pump(100);
  EXPECT_EQ(Log,
            L"Pad.MouseEnter Pad.MouseLeave Dot.MouseEnter Dot.MouseLeave Pad.MouseEnter "
            L"Pad.MouseLeave Other.MouseEnter Other.MouseLeave ");
  EXPECT_EQ(MouseControl(), Form);
}

TEST_F(TFormFixture, TabMovesFocusInTabOrderWithEnterAndExit) {
  auto* a = Add<TSwatch>(Form, L"A", RECT{10, 10, 50, 50}, clRed);
  auto* b = Add<TSwatch>(Form, L"B", RECT{60, 10, 100, 50}, clGreen);
  auto* c = Add<TSwatch>(Form, L"C", RECT{110, 10, 150, 50}, clBlue);
  auto* skipped = Add<TSwatch>(Form, L"NoStop", RECT{160, 10, 200, 50}, clGray);
  auto* disabled = Add<TSwatch>(Form, L"Disabled", RECT{210, 10, 250, 50}, clGray);
  for (auto* s : {a, b, c, disabled}) s->SetTabStop(true);
  disabled->SetEnabled(false);
  c->SetTabOrder(0);
  a->SetTabOrder(2);  // order now: C, B, A, NoStop, Disabled
  EXPECT_EQ(c->TabOrder(), 0);
  EXPECT_EQ(b->TabOrder(), 1);
  EXPECT_EQ(a->TabOrder(), 2);
  EXPECT_EQ(skipped->TabOrder(), 3);
  std::wstring keys;
  b->OnKeyDown = [&](TObject*, Word& k, TShiftState s) {
    keys += L"down:" + std::to_wstring(k) + (s.Contains(ssShift) ? L"+shift " : L" ");
  };
  b->OnKeyPress = [&](TObject*, wchar_t& ch) { keys += L"press:" + std::wstring(1, ch) + L" "; };
  ShowForm();
  // The first control in tab order gets the focus when the form activates.
  EXPECT_TRUE(PumpUntil([&] { return c->Focused(); }));
  EXPECT_EQ(Form->ActiveControl(), c);

  Log.clear();
  b->SetFocus();
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(Log, L"C.Exit B.Enter ");
  PressKey('X');
  EXPECT_EQ(keys, L"down:88 press:x ");

  Log.clear();
  PressKey(VK_TAB);
  EXPECT_TRUE(a->Focused());
  PressKey(VK_TAB);  // NoStop and Disabled are passed over: round to C
  EXPECT_TRUE(c->Focused());
  PressKey(VK_TAB, true);
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(Log, L"B.Exit A.Enter A.Exit C.Enter C.Exit A.Enter ");
  EXPECT_EQ(Screen->ActiveControl(), a);

  // Clicking a control does not move the focus by itself; SetFocus does.
  EXPECT_THROW(disabled->SetFocus(), EInvalidOperation);
}

// A control that asks the dialog manager for the Tab key.
class TTabTaker : public TSwatch {
  DECLARE_CLASS(TTabTaker, TSwatch)
  DECLARE_MESSAGE_MAP
 public:
  explicit TTabTaker(TComponent* AOwner) : TSwatch(AOwner) {}

 protected:
  void WMGetDlgCode(TWMGetDlgCode& M) { M.Result = DLGC_WANTTAB | DLGC_WANTARROWS; }
};

const TMessageMap* TTabTaker::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_GETDLGCODE, MessageHandler<&TTabTaker::WMGetDlgCode>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TEST_F(TFormFixture, ControlsThatWantKeysGetThemAndKeyPreviewSeesThemFirst) {
  auto* taker = Add<TTabTaker>(Form, L"Taker", RECT{10, 10, 50, 50}, clRed);
  auto* next = Add<TSwatch>(Form, L"Next", RECT{60, 10, 100, 50}, clBlue);
  taker->SetTabStop(true);
  next->SetTabStop(true);
  std::wstring keys;
  taker->OnKeyDown = [&](TObject*, Word& k, TShiftState) { keys += L"taker:" + std::to_wstring(k) + L" "; };
  next->OnKeyDown = [&](TObject*, Word& k, TShiftState) { keys += L"next:" + std::to_wstring(k) + L" "; };
  ShowForm();
  taker->SetFocus();
  PressKey(VK_TAB);
  PressKey(VK_RIGHT);
  EXPECT_TRUE(taker->Focused());
  EXPECT_EQ(keys, L"taker:9 taker:39 ");

  // With KeyPreview the form's handler runs first and may swallow the key.
  keys.clear();
  Form->SetKeyPreview(true);
  Form->OnKeyDown = [&](TObject*, Word& k, TShiftState) {
    keys += L"form:" + std::to_wstring(k) + L" ";
    if (k == 'Q') k = 0;
  };
  PressKey('Q');
  PressKey('W');
  EXPECT_EQ(keys, L"form:81 form:87 taker:87 ");

  // A control that does not want Tab lets the form move the focus on; the key is used
  // up by the navigation and raises no key event.
  next->SetFocus();
  keys.clear();
  PressKey(VK_TAB);
  EXPECT_TRUE(taker->Focused());
  EXPECT_EQ(keys, L"");
}

TEST_F(TFormFixture, DoubleBufferedControlsPaintTheSame) {
  auto* pad = Add<TSwatch>(Form, L"Pad", RECT{10, 10, 110, 60}, clTeal);
  auto* dot = Add<TDot>(pad, L"Dot", RECT{20, 20, 30, 30}, clMaroon);
  (void)dot;
  pad->SetDoubleBuffered(true);
  Form->SetDoubleBuffered(true);
  ShowForm();
  HWND h = pad->Handle();
  InvalidateRect(h, nullptr, TRUE);
  UpdateWindow(h);
  EXPECT_EQ(PixelAt(h, 5, 5), clTeal);
  EXPECT_EQ(PixelAt(h, 25, 25), clMaroon);
  EXPECT_GT(pad->Paints, 0);
  EXPECT_EQ(PixelAt(Form->Handle(), 150, 150), ColorToRGB(clBtnFace));
}

TEST_F(TFormFixture, ParentColorAndFontFlowDownUntilSetLocally) {
  auto* outer = Add<TSwatch>(Form, L"Outer", RECT{0, 0, 100, 100}, clRed);
  auto* inner = new TSwatch(Form);
  inner->SetParent(outer);
  EXPECT_EQ(inner->Color(), clRed);
  EXPECT_TRUE(inner->ParentColor());
  outer->SetColor(clBlue);
  EXPECT_EQ(inner->Color(), clBlue);
  inner->SetColor(clLime);
  EXPECT_FALSE(inner->ParentColor());
  outer->SetColor(clYellow);
  EXPECT_EQ(inner->Color(), clLime);

  outer->Font()->SetHeight(-20);
  EXPECT_EQ(inner->Font()->Height(), -20);
  EXPECT_TRUE(inner->ParentFont());
  inner->Font()->SetStyle({fsBold});
  EXPECT_FALSE(inner->ParentFont());
  outer->Font()->SetHeight(-30);
  EXPECT_EQ(inner->Font()->Height(), -20);
}

TEST_F(TFormFixture, MessagesAreDispatchedByNumberAndComponentMessagesKeepTheirNumbers) {
  EXPECT_EQ(CM_BASE, 0xB000u);
  EXPECT_EQ(CM_MOUSEENTER, 0xB013u);
  EXPECT_EQ(CM_MOUSELEAVE, 0xB014u);
  EXPECT_EQ(CM_SHOWINGCHANGED, 0xB019u);
  EXPECT_EQ(CM_ENTER, 0xB01Au);
  EXPECT_EQ(CM_WININICHANGE, 0xB025u);
  EXPECT_EQ(CM_HINTSHOW, 0xB030u);
  EXPECT_EQ(CN_KEYDOWN, 0xBC00u + WM_KEYDOWN);

  auto* pad = Add<TSwatch>(Form, L"Pad", RECT{0, 0, 50, 50}, clRed);
  // WindowProc can be replaced to watch a control's messages, as subclassing does.
  std::vector<UINT> seen;
  TWndMethod old = pad->WindowProc();
  pad->SetWindowProc([&](TMessage& m) {
    seen.push_back(m.Msg);
    old(m);
  });
  pad->SetText(L"Hello");
  EXPECT_EQ(pad->Text(), L"Hello");
  EXPECT_NE(std::find(seen.begin(), seen.end(), CM_TEXTCHANGED), seen.end());
  // Perform reaches the handler without a window.
  EXPECT_FALSE(pad->HandleAllocated());
  int enters = 0;
  pad->OnMouseEnter = [&](TObject*) { ++enters; };
  pad->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(enters, 1);
  pad->SetWindowProc(old);
}

// A visible top-level window of a process.
struct TWindowSearch {
  DWORD Process;
  HWND Found = nullptr;
};
BOOL CALLBACK FindVisibleWindow(HWND h, LPARAM l) {
  auto* f = reinterpret_cast<TWindowSearch*>(l);
  DWORD process = 0;
  GetWindowThreadProcessId(h, &process);
  if (process == f->Process && IsWindowVisible(h)) f->Found = h;
  return f->Found == nullptr;
}

// Another program built on these classes marks its windows the same way, with addresses
// that mean nothing here: such a window, say under the mouse, is not taken for a control.
TEST(ControlWindows, WindowsOfAnotherProcessAreNotOurControls) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" ";
  for (const char* c = ForeignFormSwitch; *c; ++c) command += static_cast<wchar_t>(*c);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  // The other program ends with the test, however the test ends.
  TScopeExit child([&pi] {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  });
  TWindowSearch find{pi.dwProcessId};
  PumpUntil([&] {
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&find));
    return find.Found != nullptr;
  }, 10000);
  HWND foreign = find.Found;
  ASSERT_TRUE(foreign);
  EXPECT_EQ(FindControl(foreign), nullptr);
  EXPECT_FALSE(IsControlWindow(foreign));
  const POINT centre{(ForeignFormBounds.left + ForeignFormBounds.right) / 2,
                     (ForeignFormBounds.top + ForeignFormBounds.bottom) / 2};
  EXPECT_EQ(GetAncestor(WindowFromPoint(centre), GA_ROOT), foreign);
  EXPECT_EQ(FindDragTarget(centre, true), nullptr);
  // The hint, looked for while the program is idle, passes over it too.
  Application->ActivateHint(centre);
}

}  // namespace

// Taking the focus away from every window, then freeing the form: the form and the
// screen forget the control that had it, and nothing touches the freed controls.
TEST(FocusCleared, FormsAreFreedAfterTheFocusWasTakenAway) {
  // Another form stays up meanwhile: it becomes active when the first one goes.
  std::unique_ptr<TForm> bystander(TCustomForm::Create<TForm>(nullptr));
  bystander->SetBounds(400, 40, 200, 100);
  auto* other = new TEdit(bystander.get());
  other->SetParent(bystander.get());
  bystander->Show();
  for (int kind = 0; kind < 3; ++kind) {
    SCOPED_TRACE(kind);
    TForm* form = TCustomForm::Create<TForm>(nullptr);
    form->SetPosition(poDesigned);
    form->SetBounds(40, 40, 300, 200);
    TWinControl* c;
    if (kind == 0) {
      auto* s = new TSwatch(form);
      s->SetTabStop(true);
      c = s;
    } else if (kind == 1) {
      c = new TEdit(form);
    } else {
      // A control nested in a panel.
      auto* p = new TPanel(form);
      p->SetBounds(0, 0, 200, 100);
      p->SetParent(form);
      c = new TEdit(form);
      c->SetParent(p);
      c->SetBounds(10, 10, 80, 24);
    }
    if (!c->Parent()) {
      c->SetBounds(10, 10, 80, 24);
      c->SetParent(form);
    }
    form->Show();
    SetForegroundWindow(form->Handle());
    c->SetFocus();
    Pump(40);
    ASSERT_TRUE(c->Focused());
    ::SetFocus(nullptr);
    Pump(40);
    EXPECT_FALSE(c->Focused());
    EXPECT_EQ(nullptr, GetFocus());
    delete form;
    Pump(40);
    EXPECT_TRUE(Screen->ActiveControl() == nullptr || Screen->ActiveControl() == other);
    // Another form takes the focus as usual afterwards.
    std::unique_ptr<TForm> next(TCustomForm::Create<TForm>(nullptr));
    auto* e = new TEdit(next.get());
    e->SetParent(next.get());
    next->Show();
    SetForegroundWindow(next->Handle());
    e->SetFocus();
    Pump(40);
    EXPECT_TRUE(e->Focused());
    EXPECT_EQ(e, Screen->ActiveControl());
  }
}

}  // namespace ZS_UNITY_ID
