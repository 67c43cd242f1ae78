#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ControlsTestSupport.h"
#include "Classes.h"
#include "Forms.h"
#include "SysUtils.h"
#include "vxControls.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// --- Timers ----------------------------------------------------------------------------------

// True when the timer window holds a system timer with this identifier (asking kills it).
bool SystemTimerRunning(UINT_PTR Id) { return KillTimer(vxTimerWindow()->Handle(), Id) != FALSE; }

TEST(vxTimer, TicksWhileEnabledWithAHandlerAndStopsWhenDisabled) {
  TvxTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_EQ(timer.EventID(), reinterpret_cast<UINT_PTR>(&timer));
  timer.SetInterval(20);
  int ticks = 0;
  TObject* sender = nullptr;
  timer.SetOnTimer([&](TObject* s) {
    ++ticks;
    sender = s;
  });
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(sender, &timer);

  timer.SetEnabled(false);
  int atStop = ticks;
  Pump(100);
  EXPECT_EQ(ticks, atStop);
  EXPECT_FALSE(SystemTimerRunning(timer.EventID()));

  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks > atStop; }));
}

TEST(vxTimer, HoldsNoSystemTimerWithoutAHandlerAndIgnoresAZeroInterval) {
  TvxTimer timer(nullptr);
  timer.SetInterval(15);
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), 15u);
  EXPECT_FALSE(SystemTimerRunning(timer.EventID())) << "enabled without OnTimer";

  int ticks = 0;
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 1; })) << "assigning OnTimer starts the timer";

  timer.SetOnTimer(nullptr);
  EXPECT_FALSE(SystemTimerRunning(timer.EventID()));
}

TEST(vxTimer, TicksOfAStoppedOrFreedTimerAreDropped) {
  int ticks = 0;
  auto* stopped = new TvxTimer(nullptr);
  stopped->SetOnTimer([&](TObject*) { ++ticks; });
  stopped->SetEnabled(false);
  auto* freed = new TvxTimer(nullptr);
  freed->SetOnTimer([&](TObject*) { ++ticks; });
  UINT_PTR freedId = freed->EventID();
  delete freed;

  HWND w = vxTimerWindow()->Handle();
  PostMessageW(w, WM_TIMER, stopped->EventID(), 0);
  PostMessageW(w, WM_TIMER, freedId, 0);
  Pump(50);
  EXPECT_EQ(ticks, 0);
  delete stopped;
}

TEST(vxTimer, AnExceptionInOnTimerGoesToTheApplication) {
  std::vector<String> reported;
  TExceptionEvent saved = Application->OnException;
  Application->OnException = [&](TObject*, const Exception& E) { reported.push_back(E.Message()); };
  {
    TvxTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject* s) {
      static_cast<TvxTimer*>(s)->SetEnabled(false);
      throw Exception(L"tick failed");
    });
    PumpUntil([&] { return !reported.empty(); }, 1000);
  }
  Application->OnException = saved;
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], L"tick failed");
}

// --- Message windows -------------------------------------------------------------------------

class TEchoWindow : public TvxMessageWindow {
  DECLARE_CLASS(TEchoWindow, TvxMessageWindow)
  DECLARE_MESSAGE_MAP
 public:
  int Seen = 0;

 private:
  void WMApp(TMessage& Message) {
    ++Seen;
    Message.Result = static_cast<LRESULT>(Message.WParam * 2);
  }
};

const TMessageMap* TEchoWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_APP + 7, MessageHandler<&TEchoWindow::WMApp>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TEST(vxMessageWindow, MessagesReachTheClassTableOrTheDefaultProcedure) {
  TvxMessageWindow* shared = vxMessageWindow();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(vxMessageWindow(), shared);
  EXPECT_TRUE(IsWindow(shared->Handle()));
  EXPECT_FALSE(IsWindowVisible(shared->Handle()));

  TEchoWindow echo;
  EXPECT_EQ(SendMessageW(echo.Handle(), WM_APP + 7, 21, 0), 42);
  EXPECT_EQ(echo.Seen, 1);
  // Not in the table: the default procedure answers (the window has no text).
  EXPECT_EQ(SendMessageW(echo.Handle(), WM_GETTEXTLENGTH, 0, 0), 0);
  HWND h = echo.Handle();
  DestroyWindow(h);
  EXPECT_EQ(echo.Handle(), nullptr) << "a window destroyed from outside is forgotten";
}

TEST(vxSystemController, ItsMessageRunsTheCallsQueuedByThreads) {
  TNotifyEvent before = WakeMainThread;
  TvxSystemController controller;
  bool ran = false;
  std::thread worker([&] { TThread::Queue(nullptr, [&] { ran = true; }); });
  worker.join();
  EXPECT_FALSE(ran);
  SendMessageW(controller.Handle(), VXM_SYNCHRONIZE, 0, 0);
  EXPECT_TRUE(ran);
  // In a program (not a library) the runtime's wake-up stays as it was.
  EXPECT_EQ(static_cast<bool>(WakeMainThread), static_cast<bool>(before));
}

// --- Settings listeners ----------------------------------------------------------------------

// A suite control that counts the private metrics message instead of re-reading the
// scroll-bar sizes.
class TMetricsListener : public TvxControl {
  DECLARE_CLASS(TMetricsListener, TvxControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TMetricsListener(TComponent* AOwner) : TvxControl(AOwner) {}
  int Notified = 0;

 private:
  void VXMMetrics(TMessage&) { ++Notified; }
};

const TMessageMap* TMetricsListener::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {VXM_SCROLLBARMETRICSCHANGED, MessageHandler<&TMetricsListener::VXMMetrics>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void BroadcastSettingChange(WPARAM Setting) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, Setting, 0, SMTO_ABORTIFHUNG, 500, &result);
  Pump(30);
}

TEST_F(TFormFixture, SettingsBroadcastReachesListenersAsPrivateMessage) {
  TvxSettingsController* c = vxSettingsController();
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->ListenerCount(), 0);
  ASSERT_EQ(c->WindowHandle(), nullptr);
  // Suite controls owning scroll bars register themselves when their bars are made: at
  // window creation, or when a control without a window is first given scroll-bar data.
  auto* a = Add<TMetricsListener>(Form, RECT{0, 0, 20, 20});
  auto* b = Add<TMetricsListener>(Form, RECT{30, 0, 50, 20});
  auto* noHandle = new TMetricsListener(nullptr);
  EXPECT_EQ(c->ListenerCount(), 2);
  noHandle->SetScrollBarInfo(sbVertical, 0, 99, 1, 10, 0, true, true);
  c->AddListener(a);
  EXPECT_EQ(c->ListenerCount(), 3) << "a control is listed once";
  ASSERT_NE(c->WindowHandle(), nullptr);
  Pump(30);
  a->Notified = b->Notified = 0;  // their own size calculation posts the message too

  BroadcastSettingChange(SPI_SETNONCLIENTMETRICS);
  EXPECT_EQ(a->Notified, 1);
  EXPECT_EQ(b->Notified, 1);
  EXPECT_FALSE(noHandle->HandleAllocated());

  BroadcastSettingChange(SPI_SETWORKAREA);
  EXPECT_EQ(a->Notified, 1) << "other settings send nothing";

  c->RemoveListener(b);
  BroadcastSettingChange(SPI_SETNONCLIENTMETRICS);
  EXPECT_EQ(a->Notified, 2);
  EXPECT_EQ(b->Notified, 1);

  HWND old = c->WindowHandle();
  delete noHandle;
  delete a;  // a control unregisters itself when it is destroyed
  EXPECT_EQ(c->ListenerCount(), 0);
  EXPECT_EQ(c->WindowHandle(), nullptr);
  EXPECT_FALSE(IsWindow(old)) << "the last listener's removal releases the window";
  c->AddListener(b);
  EXPECT_TRUE(IsWindow(c->WindowHandle()));
  delete b;
  EXPECT_EQ(c->WindowHandle(), nullptr);
}

// --- Mouse tracking --------------------------------------------------------------------------

// A control that is its own tracking caller. As a container does, it can end its
// tracking when it handles CM_MOUSELEAVE as well as when it is told by the tracking.
class TTrackedPad : public TCustomControl, public IvxMouseTrackingCaller {
  DECLARE_CLASS(TTrackedPad, TCustomControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TTrackedPad(TComponent* AOwner) : TCustomControl(AOwner) {}
  ~TTrackedPad() override { vxEndMouseTracking(this); }
  int CMLeaves = 0;      // CM_MOUSELEAVE naming this control
  int Leaves = 0;        // calls of the caller's MouseLeave
  int LeaveEffects = 0;  // leaves handled, however they arrived
  bool ContainerStyle = false;
  void MouseLeave() override {
    ++Leaves;
    if (ContainerStyle) HandleLeave();
  }
  RECT Client() { return ClientRect(); }

 protected:
  void HandleLeave() {
    ++LeaveEffects;
    vxEndMouseTracking(this);
  }

 private:
  void CMMouseLeave(TCMMouseEnterLeave& M) {
    if (M.Control() == this) {
      ++CMLeaves;
      if (ContainerStyle) HandleLeave();
    }
    InheritedMessage(M);
  }
};

const TMessageMap* TTrackedPad::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_MOUSELEAVE, MessageHandler<&TTrackedPad::CMMouseLeave>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// Only the left half of the control belongs to the tracked area.
class TLeftHalfPad : public TTrackedPad, public IvxMouseTrackingArea {
  DECLARE_CLASS(TLeftHalfPad, TTrackedPad)
 public:
  using TTrackedPad::TTrackedPad;
  bool PtInCaller(const POINT& P) override { return P.x < Width() / 2; }
};

struct Tracking : TFormFixture {
  TTrackedPad* Pad = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Pad = Add<TTrackedPad>(Form, RECT{20, 20, 120, 120});
  }
  POINT At(TControl* C, int X, int Y) { return C->ClientToScreen(POINT{X, Y}); }
  bool WaitUntilEnded(IvxMouseTrackingCaller* Caller) {
    return PumpUntil([&] { return !vxIsMouseTracking(Caller); }, 1000);
  }
};

TEST_F(Tracking, LeavingTheControlSendsMouseLeaveAndEndsTracking) {
  MoveMouse(At(Pad, 50, 50));
  vxBeginMouseTracking(Pad, Pad->Client(), Pad);
  TMouseTrackingTimer* timer = vxFindMouseTrackingTimer(Pad);
  ASSERT_NE(timer, nullptr);
  vxBeginMouseTracking(Pad, RECT{0, 0, 5, 5}, Pad);
  EXPECT_EQ(vxFindMouseTrackingTimer(Pad), timer) << "a second call for the caller does nothing";
  EXPECT_EQ(timer->Bounds.left, At(Pad, 0, 0).x);
  EXPECT_EQ(timer->Interval(), 10u);

  Pump(80);
  EXPECT_TRUE(vxIsMouseTracking(Pad));
  EXPECT_EQ(Pad->Leaves, 0);

  MoveMouse(At(Form, 250, 150));
  ASSERT_TRUE(WaitUntilEnded(Pad));
  EXPECT_EQ(Pad->CMLeaves, 1);
  EXPECT_EQ(Pad->Leaves, 1);
  Pump(60);
  EXPECT_EQ(Pad->Leaves, 1) << "tracking ended with the leave";
}

TEST_F(Tracking, LeavingTheBoundsInsideTheClientAreaOnlyTellsTheCaller) {
  MoveMouse(At(Pad, 20, 50));
  vxBeginMouseTracking(Pad, RECT{0, 0, 50, 100}, Pad);
  Pump(40);
  EXPECT_TRUE(vxIsMouseTracking(Pad));
  MoveMouse(At(Pad, 80, 50));
  ASSERT_TRUE(WaitUntilEnded(Pad));
  EXPECT_EQ(Pad->CMLeaves, 0);
  EXPECT_EQ(Pad->Leaves, 1);
}

TEST_F(Tracking, DisablingTheControlOrAParentEndsTrackingWithTheCursorInside) {
  auto* panel = Add<TCustomControl>(Form, RECT{150, 20, 290, 180});
  auto* inner = Add<TTrackedPad>(panel, RECT{10, 10, 110, 110});
  for (TWinControl* disabled : std::vector<TWinControl*>{Pad, panel}) {
    SCOPED_TRACE(disabled == Pad ? "the control" : "its parent");
    TTrackedPad* tracked = disabled == Pad ? Pad : inner;
    MoveMouse(At(tracked, 50, 50));
    vxBeginMouseTracking(tracked, tracked->Client(), tracked);
    Pump(40);
    ASSERT_TRUE(vxIsMouseTracking(tracked));
    EnableWindow(disabled->Handle(), FALSE);
    ASSERT_TRUE(WaitUntilEnded(tracked));
    EXPECT_EQ(tracked->CMLeaves, 1);
    EXPECT_EQ(tracked->Leaves, 1);
    EnableWindow(disabled->Handle(), TRUE);
  }
}

TEST_F(Tracking, AContainerThatEndsTrackingOnCMMouseLeaveHandlesOneLeaveOnce) {
  Pad->ContainerStyle = true;
  for (int round = 1; round <= 2; ++round) {
    MoveMouse(At(Pad, 50, 50));
    vxBeginMouseTracking(Pad, Pad->Client(), Pad);
    Pump(30);
    MoveMouse(At(Form, 250, 150));
    ASSERT_TRUE(WaitUntilEnded(Pad));
    Pump(40);
    EXPECT_EQ(Pad->CMLeaves, round);
    EXPECT_EQ(Pad->LeaveEffects, round) << "one leave is handled once";
  }
}

TEST_F(Tracking, ACallerWithItsOwnAreaDecidesWhatIsInside) {
  auto* half = Add<TLeftHalfPad>(Form, RECT{150, 20, 250, 120});
  MoveMouse(At(half, 20, 50));
  vxBeginMouseTracking(half, RECT{0, 0, 0, 0}, half);
  Pump(60);
  EXPECT_TRUE(vxIsMouseTracking(half)) << "the area answers, not the empty bounds";
  MoveMouse(At(half, 80, 50));
  ASSERT_TRUE(WaitUntilEnded(half));
  EXPECT_EQ(half->Leaves, 1);
  EXPECT_EQ(half->CMLeaves, 0) << "the cursor is still over the control";
}

struct TPlainCaller : IvxMouseTrackingCaller {
  int Leaves = 0;
  void MouseLeave() override { ++Leaves; }
};

TEST_F(Tracking, TrackingScreenBoundsWithoutAControl) {
  TPlainCaller caller;
  RECT screenBounds{0, 0, 0, 0};
  GetWindowRect(Pad->Handle(), &screenBounds);
  MoveMouse(At(Pad, 50, 50));
  vxBeginMouseTracking(nullptr, screenBounds, &caller);
  Pump(60);
  EXPECT_TRUE(vxIsMouseTracking(&caller)) << "nothing to disable: the bounds alone decide";
  MoveMouse(At(Form, 250, 150));
  ASSERT_TRUE(WaitUntilEnded(&caller));
  EXPECT_EQ(caller.Leaves, 1);

  vxEndMouseTracking(&caller);  // a caller without tracking: nothing happens
  EXPECT_FALSE(vxIsMouseTracking(&caller));
  EXPECT_EQ(vxFindMouseTrackingTimer(&caller), nullptr);
}

TEST_F(Tracking, EndingTrackingFromTheLeaveHandlerAndStartingAgain) {
  // The caller's MouseLeave ends the tracking (freeing nothing that still runs) and the
  // next hover starts a new one.
  Pad->ContainerStyle = true;
  MoveMouse(At(Pad, 50, 50));
  vxBeginMouseTracking(Pad, RECT{0, 0, 40, 100}, Pad);  // CM_MOUSELEAVE is not sent
  Pump(30);
  MoveMouse(At(Pad, 80, 50));
  ASSERT_TRUE(WaitUntilEnded(Pad));
  EXPECT_EQ(Pad->Leaves, 1);
  EXPECT_EQ(Pad->LeaveEffects, 1);
  vxBeginMouseTracking(Pad, Pad->Client(), Pad);
  EXPECT_TRUE(vxIsMouseTracking(Pad));
  vxEndMouseTracking(Pad);
  EXPECT_FALSE(vxIsMouseTracking(Pad));
}

TEST_F(Tracking, ACallerThatRaisesOnLeaveStillEndsItsTracking) {
  struct TRaisingCaller : IvxMouseTrackingCaller {
    void MouseLeave() override { throw Exception(L"leave failed"); }
  } caller;
  std::vector<String> reported;
  TExceptionEvent saved = Application->OnException;
  Application->OnException = [&](TObject*, const Exception& E) { reported.push_back(E.Message()); };
  MoveMouse(At(Pad, 50, 50));
  vxBeginMouseTracking(Pad, Pad->Client(), &caller);
  MoveMouse(At(Form, 250, 150));
  bool ended = WaitUntilEnded(&caller);
  Application->OnException = saved;
  EXPECT_TRUE(ended);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], L"leave failed");
}

// --- Shut-down -------------------------------------------------------------------------------

// Runs the unit's shut-down and start-up again around a test.
struct ShutDown : ::testing::Test {
  void ShutDownUnit() { vxControlsUnit.Finalize(); }
  void TearDown() override {
    vxErrorReportProc = nullptr;
    AssertErrorProc = nullptr;
    if (!vxTimerWindow()) vxControlsUnit.Initialize();
  }
};

TEST_F(ShutDown, LeftoverTrackingIsReportedAndFreedAndTheProgramGoesOn) {
  struct Reported {
    String ClassName, Message;
  };
  enum Hook { ErrorReportHook, AssertionHook };
  for (Hook hook : {ErrorReportHook, AssertionHook}) {
    SCOPED_TRACE(hook == ErrorReportHook ? "error-report hook" : "assertion hook");
    std::vector<Reported> reports;
    if (hook == ErrorReportHook)
      vxErrorReportProc = [&](const Exception& E) { reports.push_back({E.ClassName(), E.Message()}); };
    else
      AssertErrorProc = [&](const String& M, const String&, Integer) { reports.push_back({L"", M}); };

    TPlainCaller caller;
    vxBeginMouseTracking(nullptr, RECT{-100, -100, 10000, 10000}, &caller);
    ASSERT_TRUE(vxIsMouseTracking(&caller));
    auto* running = new TvxTimer(nullptr);
    running->SetInterval(10);
    running->SetOnTimer([](TObject*) {});

    ShutDownUnit();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].Message, L"MouseTrackingTimerList.Count <> 0");
    if (hook == ErrorReportHook) {
      EXPECT_EQ(reports[0].ClassName, L"EvdException");
    }
    EXPECT_EQ(caller.Leaves, 0);

    // Nothing shared is made again, and what is still alive can go.
    EXPECT_EQ(vxTimerWindow(), nullptr);
    EXPECT_EQ(vxMessageWindow(), nullptr);
    EXPECT_EQ(vxSettingsController(), nullptr);
    EXPECT_FALSE(vxIsMouseTracking(&caller));
    vxBeginMouseTracking(nullptr, RECT{0, 0, 10, 10}, &caller);
    EXPECT_EQ(vxFindMouseTrackingTimer(&caller), nullptr);
    running->SetEnabled(false);
    running->SetEnabled(true);
    delete running;
    RECT area;
    vxGetMonitorWorkArea(POINT{10, 10}, area);  // the monitor functions are gone
    RECT primary;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary, 0);
    EXPECT_TRUE(EqualRect(&area, &primary));

    vxErrorReportProc = nullptr;
    AssertErrorProc = nullptr;
    vxControlsUnit.Initialize();
    ASSERT_NE(vxTimerWindow(), nullptr);
  }
}

TEST_F(ShutDown, ATimerAliveAcrossShutDownAndRestartRunsAgain) {
  TvxTimer timer(nullptr);
  timer.SetInterval(10);
  int ticks = 0;
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  ShutDownUnit();
  vxControlsUnit.Initialize();
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }, 1000));
}

}  // namespace

}  // namespace ZS_UNITY_ID
