#include <gtest/gtest.h>

#include "DragObjs.h"
#include "FormsTestSupport.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

struct DragObjsTest : TFormTest {
  TSwatch* Source = nullptr;
  TSwatch* Target = nullptr;
  std::wstring Log;
  void SetUp() override {
    TFormTest::SetUp();
    Source = Add(L"Source", RECT{10, 10, 110, 110}, clRed);
    Target = Add(L"Target", RECT{150, 10, 250, 110}, clBlue);
    Source->OnMouseDown = [this](TObject*, TMouseButton B, TShiftState, int, int) {
      if (B == mbLeft) BeginDrag(Source, false, 8);
    };
    Source->OnEndDrag = [this](TObject*, TObject* T, int, int) {
      Log += L"end " + (T ? static_cast<TComponent*>(T)->Name() : String(L"nil")) + L"; ";
    };
    Target->OnDragOver = [this](TObject*, TObject* S, int, int, TDragState State, bool& Accept) {
      if (State == dsDragEnter) Log += L"enter; ";
      if (State == dsDragLeave) Log += L"leave; ";
      Accept = S == Source;
    };
    Target->OnDragDrop = [this](TObject*, TObject* S, int X, int Y) {
      Log += L"drop " + static_cast<TComponent*>(S)->Name() + L" at " + std::to_wstring(X) + L"," +
             std::to_wstring(Y) + L"; ";
    };
    ShowForm();
  }
  TSwatch* Add(const wchar_t* Name, RECT R, TColor C) {
    auto* s = new TSwatch(Form);
    s->SetName(Name);
    s->SetBoundsRect(R);
    s->SetColor(C);
    s->SetParent(Form);
    return s;
  }
  void TearDown() override {
    EndDrag(false);
    TFormTest::TearDown();
  }
  void MoveInSteps(POINT From, POINT To) {
    for (int i = 1; i <= 5; ++i)
      MoveMouse(POINT{From.x + (To.x - From.x) * i / 5, From.y + (To.y - From.y) * i / 5});
  }
};

}  // namespace

// A drag starts once the mouse passes the threshold, visits the target, and drops.
TEST_F(DragObjsTest, DragFromSourceDropsOnAcceptingTarget) {
  POINT from = Source->ClientToScreen(POINT{50, 50});
  MoveMouse(from);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  EXPECT_NE(nullptr, DragObject());
  EXPECT_FALSE(IsDragging());  // still within the threshold
  MoveMouse(POINT{from.x + 3, from.y});
  EXPECT_FALSE(IsDragging());
  POINT to = Target->ClientToScreen(POINT{20, 30});
  MoveInSteps(from, to);
  EXPECT_TRUE(IsDragging());
  EXPECT_EQ(Target, DragObject()->DragTarget());
  MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(L"enter; drop Source at 20,30; end Target; ", Log);
  EXPECT_EQ(nullptr, DragObject());
}

TEST_F(DragObjsTest, EscapeAndClicksWithoutMovingEndWithoutDrop) {
  // A press and release inside the threshold is no drag at all.
  POINT from = Source->ClientToScreen(POINT{50, 50});
  MoveMouse(from);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(L"", Log);
  Pump(GetDoubleClickTime() + 50);

  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MoveInSteps(from, Target->ClientToScreen(POINT{20, 30}));
  PressKey(VK_ESCAPE);
  EXPECT_EQ(L"enter; leave; end nil; ", Log);
  MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(IsDragging());
}

// A control drives the drag manager through its own methods; in automatic mode the
// press itself starts the drag instead of reaching the mouse-down handler; a dragged
// control that goes away ends its drag.
TEST_F(DragObjsTest, ControlDragsThroughItsOwnMethodsAndAutomatically) {
  Source->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { Log += L"down; "; };
  Source->BeginDrag(false, 8);
  EXPECT_TRUE(Source->Dragging());  // already, though the threshold is not passed
  EXPECT_FALSE(IsDragging());
  EXPECT_FALSE(Target->Dragging());
  Target->EndDrag(false);  // not Target's drag: nothing happens
  EXPECT_TRUE(Source->Dragging());
  Source->EndDrag(false);
  EXPECT_FALSE(Source->Dragging());
  EXPECT_EQ(nullptr, DragObject());

  Log.clear();
  Source->SetDragMode(dmAutomatic);
  POINT from = Source->ClientToScreen(POINT{50, 50});
  MoveMouse(from);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  EXPECT_TRUE(Source->Dragging());
  EXPECT_TRUE(IsDragging());  // the mouse object starts drags at once
  MoveInSteps(from, Target->ClientToScreen(POINT{20, 30}));
  MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(L"enter; drop Source at 20,30; end Target; ", Log);
  EXPECT_FALSE(Source->Dragging());

  Log.clear();
  Source->BeginDrag(true);
  ASSERT_TRUE(IsDragging());
  delete Source;
  Source = nullptr;
  EXPECT_EQ(nullptr, DragObject());
  EXPECT_EQ(nullptr, DragControl());
  EXPECT_EQ(L"enter; leave; ", Log);  // the target hears it; the gone control does not
}

// A control whose drag kind is dkDock docks by the mouse: into a dock site that takes it,
// out to a floating host window of its own when released over no site, and back; a
// click without moving and an Escape move nothing.
TEST_F(DragObjsTest, DockDragDocksFloatsAndComesBack) {
  Target->SetDockSite(true);
  Source->OnMouseDown = nullptr;
  Source->SetDragKind(dkDock);
  Source->SetDragMode(dmAutomatic);
  Target->OnDockOver = [this](TObject*, TDragDockObject* D, int, int, TDragState State, bool& Accept) {
    if (State == dsDragEnter) Log += L"dock enter " + D->Control()->Name() + L"; ";
    if (State == dsDragLeave) Log += L"dock leave; ";
    Accept = true;
  };
  Target->OnDockDrop = [this](TObject*, TDragDockObject* D, int, int) {
    Log += L"dock drop " + D->Control()->Name() + L"; ";
  };
  Source->OnEndDock = [this](TObject*, TObject* T, int, int) {
    Log += L"end dock " + (T ? static_cast<TComponent*>(T)->Name() : String(L"nil")) + L"; ";
  };
  auto dragFromTo = [&](POINT From, POINT To) {
    MoveMouse(From);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MoveInSteps(From, To);
    MouseButton(MOUSEEVENTF_LEFTUP);
    Pump(60);
  };
  auto floatingHosts = [&] {
    int n = 0;
    for (Integer i = 0; i < Form->ComponentCount(); ++i)
      if (Is<TCustomDockForm>(Form->Components(i))) ++n;
    return n;
  };

  // A click is no dock drag, although the mouse object starts ordinary drags at once.
  POINT from = Source->ClientToScreen(POINT{50, 50});
  MoveMouse(from);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(Form, Source->Parent());
  EXPECT_EQ(L"", Log);

  // Grabbed at its middle and let go at the site's middle: it lands where it was held.
  dragFromTo(from, Target->ClientToScreen(POINT{50, 50}));
  EXPECT_EQ(L"dock enter Source; dock drop Source; end dock Target; ", Log);
  EXPECT_EQ(0, Source->Left());
  EXPECT_EQ(0, Source->Top());
  EXPECT_EQ(Target, Source->HostDockSite());
  EXPECT_EQ(Target, Source->Parent());
  ASSERT_EQ(1, Target->DockClientCount());

  // Released far from any site: a floating host of its own, where the mouse let go.
  Log.clear();
  from = Source->ClientToScreen(POINT{10, 10});
  const POINT away{from.x + 40, from.y + 260};
  dragFromTo(from, away);
  auto* host = dynamic_cast<TCustomDockForm*>(Source->HostDockSite());
  ASSERT_NE(nullptr, host);
  EXPECT_EQ(host, Source->Parent());
  EXPECT_TRUE(IsWindowVisible(host->Handle()));
  EXPECT_EQ(0, Target->DockClientCount());
  const POINT origin = Source->ClientToScreen(POINT{0, 0});
  EXPECT_NEAR(away.x - 10, origin.x, 2);
  EXPECT_NEAR(away.y - 10, origin.y, 2);
  EXPECT_EQ(L"end dock nil; ", Log);

  // Escape while over the site leaves it floating.
  Log.clear();
  from = Source->ClientToScreen(POINT{20, 20});
  MoveMouse(from);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MoveInSteps(from, Target->ClientToScreen(POINT{30, 40}));
  PressKey(VK_ESCAPE);
  MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(host, Source->HostDockSite());
  EXPECT_EQ(L"dock enter Source; dock leave; end dock nil; ", Log);

  // Back into the site: the floating host, left empty, goes away.
  Log.clear();
  dragFromTo(Source->ClientToScreen(POINT{20, 20}), Target->ClientToScreen(POINT{30, 40}));
  EXPECT_EQ(Target, Source->HostDockSite());
  EXPECT_EQ(alNone, Source->Align()) << "the host's fill does not follow the control";
  EXPECT_TRUE(PumpUntil([&] { return floatingHosts() == 0; }));
}

// The site a client leaves is asked through CM_UNDOCKCLIENT, whose non-zero answer keeps
// the client; freeing a floating client frees its host.
TEST_F(DragObjsTest, UndockingAsksTheSiteAndAFreedClientTakesItsHost) {
  Target->SetDockSite(true);
  ASSERT_TRUE(Source->ManualDock(Target));
  LRESULT answer = 1;
  TControl* asked = nullptr;
  Target->SetWindowProc([&, base = Target->WindowProc()](TMessage& M) {
    base(M);
    if (M.Msg == CM_UNDOCKCLIENT) {
      asked = reinterpret_cast<TControl*>(M.LParam);
      M.Result = answer;
    }
  });
  EXPECT_FALSE(Source->ManualDock(nullptr));
  EXPECT_EQ(Source, asked);
  EXPECT_EQ(Target, Source->HostDockSite());
  answer = 0;
  const RECT area{300, 300, 460, 380};
  ASSERT_TRUE(Source->ManualFloat(area));
  auto* host = dynamic_cast<TCustomDockForm*>(Source->HostDockSite());
  ASSERT_NE(nullptr, host);
  RECT client{};
  GetClientRect(host->Handle(), &client);
  MapWindowPoints(host->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_EQ(area.left, client.left);
  EXPECT_EQ(area.top, client.top);
  EXPECT_EQ(area.right - area.left, Source->Width()) << "the client fills its host";
  EXPECT_EQ(area.bottom - area.top, Source->Height());
  delete Source;
  Source = nullptr;
  EXPECT_TRUE(PumpUntil([&] {
    for (Integer i = 0; i < Form->ComponentCount(); ++i)
      if (Is<TCustomDockForm>(Form->Components(i))) return false;
    return true;
  }));
}

TEST_F(DragObjsTest, HintWindowShowsTextOnInfoColour) {
  EXPECT_EQ(THintWindow::StaticClass(), TApplication::HintWindowClass);
  THintWindow hint(nullptr);
  RECT r = hint.CalcHintRect(200, L"ヒント text", nullptr);
  EXPECT_GT(r.right, 10);
  EXPECT_LE(r.right, 206);
  EXPECT_GT(r.bottom, 5);
  RECT wide = hint.CalcHintRect(200, L"ヒント text that is long enough to wrap onto a second line", nullptr);
  EXPECT_GT(wide.bottom, r.bottom);

  OffsetRect(&r, 100, 100);
  hint.ActivateHint(r, L"ヒント text");
  Pump(50);
  ASSERT_TRUE(hint.HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(hint.Handle()));
  RECT wr;
  GetWindowRect(hint.Handle(), &wr);
  EXPECT_EQ(100, wr.left);
  EXPECT_EQ(static_cast<TColor>(ColorToRGB(clInfoBk)), PixelAt(hint.Handle(), r.right - r.left - 4, 1));
  hint.ReleaseHandle();
  EXPECT_FALSE(hint.HandleAllocated());
}

}  // namespace ZS_UNITY_ID
