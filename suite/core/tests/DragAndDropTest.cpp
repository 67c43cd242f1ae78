// The suite's drag and drop inside a control (press, threshold, steps, accepted or
// cancelled end) and the control's side of the platform drag (copy cursor, images).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SuiteControlTestSupport.h"
#include "vxControls.h"

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

TEST_F(DragAndDrop, PlatformDragCopyCursorWithCtrl) {
  TvxDragControlObject* obj = new TvxDragControlObject(Pad);
  EXPECT_NE(obj->GetDragCursor(true, 0, 0), crvxDragCopy);
  SendKey(VK_CONTROL, false);
  Pump(20);
  EXPECT_EQ(obj->GetDragCursor(true, 0, 0), crvxDragCopy);
  EXPECT_NE(obj->GetDragCursor(false, 0, 0), crvxDragCopy) << "only for an accepting target";
  SendKey(VK_CONTROL, true);
  Pump(20);
  obj->Finished(nullptr, 0, 0, false);  // frees the object
}

TEST_F(DragAndDrop, PlatformDragImagesBuiltOncePerDrag) {
  EXPECT_EQ(Pad->GetDragImages(), nullptr) << "no images unless the control has them";
  Pad->Images = true;
  TDragImageList* images = Pad->GetDragImages();
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(images->Count(), 1);
  EXPECT_EQ(images->Width(), 16);
  EXPECT_EQ(images->Height(), 12);
  EXPECT_EQ(Pad->GetDragImages(), images);
  Pad->DoEndDrag(nullptr, 0, 0);
  TDragImageList* again = Pad->GetDragImages();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Count(), 1);

  // A refused platform drag is cancelled and its object freed.
  class TRefusing : public TDragPad {
   public:
    using TDragPad::TDragPad;
    bool StartDrag(TDragObject*) override { return false; }
  };
  auto* refusing = Add<TRefusing>(Form, RECT{220, 10, 260, 50});
  TDragObject* obj = nullptr;
  refusing->DoStartDrag(obj);
  EXPECT_EQ(obj, nullptr);
  TDragObject* accepted = nullptr;
  Pad->DoStartDrag(accepted);
  ASSERT_NE(accepted, nullptr);
  EXPECT_NE(dynamic_cast<TvxDragControlObject*>(accepted), nullptr);
  delete accepted;
}
