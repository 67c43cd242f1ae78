// The suite's drag and drop inside a control (press, threshold, steps, accepted or
// cancelled end) and the control's side of the platform drag (copy cursor, images).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SuiteControlTestSupport.h"
#include "vxControls.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

std::vector<std::string>* Log = nullptr;
int LiveDrags = 0;

// A drag that writes its steps to the log.
class TRecordingDrag : public TvxDragAndDropObject {
 public:
  explicit TRecordingDrag(TvxControl* AControl) : TvxDragAndDropObject(AControl) { ++LiveDrags; }
  ~TRecordingDrag() override { --LiveDrags; }
  static bool Immediate;
  bool ImmediateStart() override { return Immediate; }

 protected:
  void BeginDragAndDrop() override {
    Log->push_back("begin");
    TvxDragAndDropObject::BeginDragAndDrop();
  }
  void DragAndDrop(const TPoint& P, bool& Accepted) override {
    Accepted = P.x < 100;
    Log->push_back("drag");
    TvxDragAndDropObject::DragAndDrop(P, Accepted);
  }
  void EndDragAndDrop(bool Accepted) override {
    Log->push_back(Accepted ? "end accepted" : "end cancelled");
    TvxDragAndDropObject::EndDragAndDrop(Accepted);
  }
};
bool TRecordingDrag::Immediate = false;

// Drags start on a press in the left half.
class TDragPad : public TvxControl {
  DECLARE_CLASS(TDragPad, TvxControl)
 public:
  explicit TDragPad(TComponent* AOwner) : TvxControl(AOwner) {
    SetDragAndDropObjectClass([](TvxControl* C) -> TvxDragAndDropObject* { return new TRecordingDrag(C); });
  }
  bool HasScrollBars() override { return false; }
  bool CanStartDragAndDrop(const TPoint& P) override { return P.x < 60; }
  // Platform drag images.
  bool Images = false;
  bool HasDragImages() override { return Images; }
  TSize GetDragImagesSize() override { return TSize{16, 12}; }
  void DrawDragImage(TvxCanvas* ACanvas, const TRect& R) override { ACanvas->FillRect(R, clRed); }
};

struct DragAndDrop : TFormFixture {
  TDragPad* Pad = nullptr;
  std::vector<std::string> Steps;
  int Keys = 0;
  void SetUp() override {
    TFormFixture::SetUp();
    Log = &Steps;
    TRecordingDrag::Immediate = false;
    Pad = Add<TDragPad>(Form, RECT{10, 10, 210, 110});
    Pad->OnKeyDown = [this](TObject*, Word&, TShiftState) { ++Keys; };
    Pump(30);
  }
  void TearDown() override {
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    TFormFixture::TearDown();
    Log = nullptr;
  }
};

}  // namespace

TEST_F(DragAndDrop, PressAndReleaseInPlaceStartsNothing) {
  ClickAt(Pad, 20, 20, MOUSEEVENTF_LEFTDOWN, 0, true);
  EXPECT_EQ(Pad->DragAndDropState(), ddsStarting);
  EXPECT_EQ(LiveDrags, 1) << "the object is made to ask for an immediate start";
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);
  EXPECT_EQ(Pad->DragAndDropState(), ddsNone);
  EXPECT_EQ(LiveDrags, 0);
  EXPECT_TRUE(Steps.empty()) << "no begin, drag or end step";
}

TEST_F(DragAndDrop, MovePastThresholdDragsAndReleaseAccepts) {
  Screen->SetCursor(crDefault);
  ClickAt(Pad, 20, 20, MOUSEEVENTF_LEFTDOWN, 0, true);
  MoveMouse(ScreenPoint(Pad, 22, 21));
  EXPECT_EQ(Pad->DragAndDropState(), ddsStarting) << "within the threshold";
  MoveMouse(ScreenPoint(Pad, 50, 40));
  EXPECT_EQ(Pad->DragAndDropState(), ddsInProcess);
  ASSERT_GE(Steps.size(), 2u);
  EXPECT_EQ(Steps[0], "begin");
  EXPECT_EQ(Steps[1], "drag");
  EXPECT_EQ(Pad->DragAndDropObject()->CurMousePos.x, 50);
  EXPECT_EQ(Screen->Cursor(), crDrag) << "accepted here";
  MoveMouse(ScreenPoint(Pad, 150, 40));
  EXPECT_EQ(Screen->Cursor(), crNoDrop);
  EXPECT_EQ(Pad->DragAndDropObject()->PrevMousePos.x, 50);
  EXPECT_EQ(GetCapture(), Pad->Handle());
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);
  EXPECT_EQ(Steps.back(), "end accepted");
  EXPECT_EQ(Pad->DragAndDropState(), ddsNone);
  EXPECT_EQ(Screen->Cursor(), crDefault) << "the cursor from before the drag";
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(LiveDrags, 0);
}

TEST_F(DragAndDrop, EscapeCancelsAndIsUsedUp) {
  ClickAt(Pad, 20, 20, MOUSEEVENTF_LEFTDOWN, 0, true);
  ASSERT_TRUE(Pad->Focused());
  MoveMouse(ScreenPoint(Pad, 60, 50));
  ASSERT_EQ(Pad->DragAndDropState(), ddsInProcess);
  SendKey(VK_ESCAPE, false);
  SendKey(VK_ESCAPE, true);
  Pump(40);
  EXPECT_EQ(Steps.back(), "end cancelled");
  EXPECT_EQ(Pad->DragAndDropState(), ddsNone);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Keys, 0) << "the key does not reach the control";
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);
  EXPECT_EQ(std::count(Steps.begin(), Steps.end(), std::string("end cancelled")) +
                std::count(Steps.begin(), Steps.end(), std::string("end accepted")),
            1) << "one end only";
}

TEST_F(DragAndDrop, CancelModeEndsAStartingDrag) {
  ClickAt(Pad, 20, 20, MOUSEEVENTF_LEFTDOWN, 0, true);
  ASSERT_EQ(Pad->DragAndDropState(), ddsStarting);
  SendMessageW(Pad->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(Pad->DragAndDropState(), ddsNone);
  EXPECT_FALSE(Pad->MouseButtonPressed());
  EXPECT_TRUE(Steps.empty());
}

TEST_F(DragAndDrop, ImmediateStartBeginsAtThePress) {
  TRecordingDrag::Immediate = true;
  ClickAt(Pad, 20, 20, MOUSEEVENTF_LEFTDOWN, 0, true);
  EXPECT_EQ(Pad->DragAndDropState(), ddsInProcess);
  ASSERT_FALSE(Steps.empty());
  EXPECT_EQ(Steps[0], "begin");
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);
  EXPECT_EQ(Steps.back(), "end accepted");
}

TEST_F(DragAndDrop, NoDragOutsideTheAreaOrOnADoubleClick) {
  ClickAt(Pad, 150, 20, MOUSEEVENTF_LEFTDOWN, 0, true);
  EXPECT_EQ(Pad->DragAndDropState(), ddsNone);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(20);
  Pad->MouseDown(mbLeft, TShiftState{ssLeft, ssDouble}, 20, 20);
  EXPECT_EQ(Pad->DragAndDropState(), ddsNone);
  Pad->MouseUp(mbLeft, {}, 20, 20);
}

// --- The control's side of a platform drag, driven by real input ---------------------------

namespace {

int LiveDragObjects = 0;

class TCountedDragObject : public TvxDragControlObject {
 public:
  explicit TCountedDragObject(TControl* AControl) : TvxDragControlObject(AControl) { ++LiveDragObjects; }
  ~TCountedDragObject() override { --LiveDragObjects; }
};

// A control dragged as a whole (automatic drag mode) that logs the hooks the drag
// manager reaches.
class TPlatformDragPad : public TDragPad {
 public:
  explicit TPlatformDragPad(TComponent* AOwner) : TDragPad(AOwner) { SetDragMode(dmAutomatic); }
  std::vector<std::string>* Hooks = nullptr;
  bool Refuse = false;
  bool LogOver = false;
  bool Copy = false;
  bool IsCopyDragDrop() override { return Copy; }
  // Records painting and the requests for this control's drag images.
  std::vector<std::string>* PaintLog = nullptr;
  TDragImageList* GetDragImages() override {
    if (PaintLog) PaintLog->push_back("images");
    return TDragPad::GetDragImages();
  }
  bool CanStartDragAndDrop(const TPoint&) override { return false; }
  TvxDragControlObjectClass GetDragObjectClass() override {
    return [](TControl* C) -> TDragObject* { return new TCountedDragObject(C); };
  }
  bool StartDrag(TDragObject*) override {
    Hooks->push_back(Refuse ? "refuse" : "start");
    return !Refuse;
  }
  void DoEndDrag(TObject* Target, Integer X, Integer Y) override {
    Hooks->push_back(Target ? "end on target" : "end nowhere");
    TDragPad::DoEndDrag(Target, X, Y);
  }
  void DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) override {
    TDragPad::DragOver(Source, X, Y, State, Accept);
    if (LogOver) Hooks->push_back(State == dsDragEnter ? "enter" : State == dsDragLeave ? "leave" : "over");
  }

 protected:
  void Paint() override {
    TDragPad::Paint();
    if (PaintLog) PaintLog->push_back("paint");
  }
};

struct PlatformDrag : TFormFixture {
  TPlatformDragPad* Source = nullptr;
  TPlatformDragPad* Target = nullptr;
  std::vector<std::string> Hooks;
  std::vector<std::string> Steps;
  void SetUp() override {
    TFormFixture::SetUp();
    Log = &Steps;
    LiveDragObjects = 0;
    Source = Add<TPlatformDragPad>(Form, RECT{10, 10, 110, 110});
    Target = Add<TPlatformDragPad>(Form, RECT{150, 10, 300, 110});
    for (TPlatformDragPad* p : {Source, Target}) p->Hooks = &Hooks;
    Source->Images = true;
    Target->LogOver = true;
    Target->OnDragOver = [this](TObject*, TObject* S, int, int, TDragState, bool& Accept) {
      Accept = S == Source;
    };
    Target->OnDragDrop = [this](TObject*, TObject*, int, int) { Hooks.push_back("drop"); };
    Pump(30);
  }
  // Presses on the source and, from a timer while the control waits to see whether the
  // press becomes a drag, moves the mouse past the threshold: an automatic drag starts.
  static void CALLBACK MoveOut(HWND, UINT, UINT_PTR Id, DWORD) {
    KillTimer(nullptr, Id);
    POINT p;
    GetCursorPos(&p);
    SetCursorPos(p.x + 10, p.y);
  }
  void PressAndDragOut() {
    MoveMouse(ScreenPoint(Source, 50, 50));
    SetTimer(nullptr, 0, 30, MoveOut);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Pump(100);
  }
  void TearDown() override {
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(20);
    EndDrag(false);
    TFormFixture::TearDown();
    Log = nullptr;
  }
};

}  // namespace

// A press and a move on the control start the drag through its own hooks: the drag object comes
// from the control's class and shows the copy cursor over an accepting target when the
// control asks for a copy (Ctrl held); the target's DragOver and the source's DoEndDrag
// run; the object frees itself.
TEST_F(PlatformDrag, PressDragsTheControlThroughItsHooks) {
  PressAndDragOut();
  ASSERT_TRUE(IsDragging());
  EXPECT_EQ(dynamic_cast<TCountedDragObject*>(DragObject()), DragObject());
  EXPECT_EQ(LiveDragObjects, 1);
  TDragImageList* images = DragObject()->GetDragImages();
  ASSERT_NE(images, nullptr) << "the control's images are the drag's";
  EXPECT_TRUE(images->Dragging()) << "shown from the start of the drag";

  MoveMouse(ScreenPoint(Target, 20, 20));
  MoveMouse(ScreenPoint(Target, 30, 30));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crDrag));
  EXPECT_EQ(vxDragObject, DragObject()) << "the target saw the drag object";
  // The copy request stands for a held Ctrl: under the test display a synthesized Ctrl
  // is forgotten as soon as the pointer moves.
  Source->Copy = true;
  MoveMouse(ScreenPoint(Target, 35, 30));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crvxDragCopy));
  MoveMouse(ScreenPoint(Target, 200, 30));  // off the target: refused, no copy cursor
  EXPECT_NE(GetCursor(), Screen->Cursors(crvxDragCopy));
  MoveMouse(ScreenPoint(Target, 40, 30));
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);

  EXPECT_FALSE(IsDragging());
  EXPECT_EQ(LiveDragObjects, 0);
  EXPECT_EQ(vxDragObject, nullptr);
  const std::vector<std::string> expected{"start", "enter", "over", "over", "leave",
                                          "enter", "drop",  "end on target"};
  EXPECT_EQ(Hooks, expected);
}

// StartDrag can refuse: no drag, no capture, the object is freed. A drag that never
// passes its threshold frees its object too, without an end step.
TEST_F(PlatformDrag, RefusedOrUnmovedDragsLeaveNothing) {
  Source->Refuse = true;
  PressAndDragOut();
  EXPECT_EQ(DragObject(), nullptr);
  EXPECT_FALSE(Source->Dragging());
  EXPECT_EQ(LiveDragObjects, 0);
  EXPECT_EQ(Hooks, std::vector<std::string>{"refuse"});
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);

  Hooks.clear();
  Source->Refuse = false;
  Source->BeginDrag(false, 20);
  ASSERT_NE(DragObject(), nullptr);
  EXPECT_EQ(LiveDragObjects, 1);
  Source->EndDrag(false);
  EXPECT_EQ(LiveDragObjects, 0);
  EXPECT_EQ(Hooks, std::vector<std::string>{"start"});
}

// While a control under the drag paints, the drag image is hidden (the dragged
// control's images are asked for to hide them) and shown again after the painting.
TEST_F(PlatformDrag, DragImageIsHiddenWhileAControlPaints) {
  PressAndDragOut();
  ASSERT_TRUE(IsDragging());
  MoveMouse(ScreenPoint(Target, 40, 40));
  Pump(30);
  ASSERT_EQ(vxDragObject, DragObject());
  ASSERT_NE(DragObject()->GetDragImages(), nullptr);
  std::vector<std::string> paint;
  Source->PaintLog = Target->PaintLog = &paint;
  Target->Invalidate();
  Target->Update();
  Source->PaintLog = Target->PaintLog = nullptr;
  EXPECT_EQ(paint, (std::vector<std::string>{"images", "paint", "images"}));
}

}  // namespace ZS_UNITY_ID
