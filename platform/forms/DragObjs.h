// DragObjs: the drag manager (drag objects, BeginDrag/EndDrag, drag-over and drop
// events of the controls under the mouse, drag cursors and drag images, the mouse
// threshold) and the hint window the application shows.
#pragma once

#include <windows.h>

#include "Controls.h"
#include "Forms.h"
#include "ImgList.h"
#include "SysInit.h"

// What is being dragged. The manager owns the object it made itself; one handed over
// by OnStartDrag stays its maker's.
class TDragObject : public TObject {
  DECLARE_CLASS(TDragObject, TObject)
 public:
  TDragObject() = default;
  bool Cancelling() const { return FCancelling; }
  bool Dropped() const { return FDropped; }
  POINT DragPos() const { return FDragPos; }
  TControl* DragTarget() const { return FDragTarget; }
  POINT DragTargetPos() const { return FDragTargetPos; }
  bool AlwaysShowDragImages() const { return FAlwaysShowDragImages; }
  void SetAlwaysShowDragImages(bool Value) { FAlwaysShowDragImages = Value; }
  virtual TCursor GetDragCursor(bool Accepted, Integer X, Integer Y);
  virtual TDragImageList* GetDragImages() { return nullptr; }
  virtual void Finished(TObject* Target, Integer X, Integer Y, bool Accepted) {}
  // The drag ended before the mouse passed the threshold: nothing was dragged and no
  // event runs. An object that frees itself in Finished frees itself here too.
  virtual void Abandoned() {}
  void HideDragImage();
  void ShowDragImage();
  // The object handed to OnDragOver/OnDragDrop as Source.
  virtual TObject* SourceObject() { return this; }

 private:
  friend class TDragManager;
  bool FCancelling = false;
  bool FDropped = false;
  POINT FDragPos{0, 0};
  TControl* FDragTarget = nullptr;
  POINT FDragTargetPos{0, 0};
  bool FAlwaysShowDragImages = false;
};

class TBaseDragControlObject : public TDragObject {
  DECLARE_CLASS(TBaseDragControlObject, TDragObject)
 public:
  explicit TBaseDragControlObject(TControl* AControl) : FControl(AControl) {}
  TControl* Control() const { return FControl; }
  void Finished(TObject* Target, Integer X, Integer Y, bool Accepted) override;
  // The dragged control's images.
  TDragImageList* GetDragImages() override { return FControl->GetDragImages(); }

 protected:
  virtual void EndDrag(TObject* Target, Integer X, Integer Y);

 private:
  TControl* FControl;
};

// A control on its way into a dock site: where it lands (DockRect, screen coordinates)
// and beside which control and on which side.
class TDragDockObject : public TBaseDragControlObject {
  DECLARE_CLASS(TDragDockObject, TBaseDragControlObject)
 public:
  explicit TDragDockObject(TControl* AControl) : TBaseDragControlObject(AControl) {}
  RECT DockRect() const { return FDockRect; }
  void SetDockRect(const RECT& Value) { FDockRect = Value; }
  TControl* DropOnControl() const { return FDropOnControl; }
  void SetDropOnControl(TControl* Value) { FDropOnControl = Value; }
  TAlign DropAlign() const { return FDropAlign; }
  void SetDropAlign(TAlign Value) { FDropAlign = Value; }

 protected:
  // The control hears of the end through DoEndDock.
  void EndDrag(TObject* Target, Integer X, Integer Y) override;

 private:
  RECT FDockRect{0, 0, 0, 0};
  TControl* FDropOnControl = nullptr;
  TAlign FDropAlign = alNone;
};

// Drags a control: the events see the control itself as Source.
class TDragControlObject : public TBaseDragControlObject {
  DECLARE_CLASS(TDragControlObject, TBaseDragControlObject)
 public:
  using TBaseDragControlObject::TBaseDragControlObject;
  TCursor GetDragCursor(bool Accepted, Integer X, Integer Y) override;
  TObject* SourceObject() override { return Control(); }
};

// Starts dragging Control: at once, or once the mouse moved Threshold pixels (-1: the
// mouse object's DragThreshold) with the left button held. The control's DoStartDrag
// may supply the drag object, or refuse the drag by calling EndDrag.
// A control whose DragKind is dkDock is docked instead (DoStartDock, a TDragDockObject),
// always after the threshold, so that a click moves nothing: over a dock site that takes
// it (GetSiteInfo, DockOver) it docks there on release; released elsewhere it floats in
// a host window of its own (ManualFloat); over its own host it stays.
void BeginDrag(TControl* Control, bool Immediate = true, Integer Threshold = -1);
// Ends the current drag: with Drop, over the control under the mouse.
void EndDrag(bool Drop);
// The drag in progress (nullptr when none) and the control being dragged.
TDragObject* DragObject();
TControl* DragControl();
bool IsDragging();

// --- hint window -------------------------------------------------------------------------

class THintWindow : public TCustomControl {
  DECLARE_CLASS(THintWindow, TCustomControl)
 public:
  explicit THintWindow(TComponent* AOwner);
  // Shows Hint in Rect (screen coordinates).
  virtual void ActivateHint(RECT Rect, const String& AHint);
  virtual void ActivateHintData(RECT Rect, const String& AHint, void* AData);
  // The size the hint needs, at most MaxWidth wide, at the origin.
  virtual RECT CalcHintRect(Integer MaxWidth, const String& AHint, void* AData);
  void ReleaseHandle();
  bool IsHintMsg(const MSG& Msg);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
};

extern const TUnitInfo DragObjsUnit;
