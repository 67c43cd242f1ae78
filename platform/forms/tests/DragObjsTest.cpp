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
