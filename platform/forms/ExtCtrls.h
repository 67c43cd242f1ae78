// ExtCtrls: panels with bevels, splitters that resize their neighbour, timers, images,
// bevels and paint boxes.
#pragma once

#include <windows.h>

#include <memory>

#include "Controls.h"
#include "Graphics.h"
#include "StdCtrls.h"
#include "SysInit.h"

ENUM_TYPEINFO(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)

class TCustomPanel : public TCustomControl {
  DECLARE_CLASS(TCustomPanel, TCustomControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomPanel(TComponent* AOwner);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  Integer BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(Integer Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  void CMTextChanged(TCMNoParams& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void AdjustClientRect(RECT& Rect) override;
  // The width taken by the bevels on each side.
  Integer BevelExtent() const;

 private:
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  Integer FBevelWidth = 1;
  TBorderStyle FBorderStyle = bsNone;
  TAlignment FAlignment = taCenter;
  bool FShowCaption = true;
};

class TPanel : public TCustomPanel {
  DECLARE_CLASS(TPanel, TCustomPanel)
  PUBLISHED(TPanel)
 public:
  using TCustomPanel::TCustomPanel;
};

// Draws a 3D frame inside Rect (and shrinks Rect by Width).
void Frame3D(TCanvas* Canvas, RECT& Rect, TColor TopColor, TColor BottomColor, Integer Width);

using TCanResizeSplitEvent = std::function<void(TObject* Sender, Integer& NewSize, bool& Accept)>;

class TSplitter : public TGraphicControl {
  DECLARE_CLASS(TSplitter, TGraphicControl)
  PUBLISHED(TSplitter)
 public:
  explicit TSplitter(TComponent* AOwner);
  Integer MinSize() const { return FMinSize; }
  void SetMinSize(Integer Value) { FMinSize = Value; }
  bool Beveled() const { return FBeveled; }
  void SetBeveled(bool Value);
  TNotifyEvent OnMoved;
  TCanResizeSplitEvent OnCanResize;
  // The control the splitter resizes: the neighbour on the side of its alignment.
  TControl* FindControl();

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;

 private:
  void UpdateCursor();
  Integer FMinSize = 30;
  bool FBeveled = false;
  TControl* FControl = nullptr;
  POINT FDownPos{0, 0};
  Integer FStartSize = 0;
  bool FDragging = false;
};

class TTimer : public TComponent {
  DECLARE_CLASS(TTimer, TComponent)
  PUBLISHED(TTimer)
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  Cardinal Interval() const { return FInterval; }
  void SetInterval(Cardinal Value);
  TNotifyEvent OnTimer;
  void SetOnTimer(const TNotifyEvent& Value);
  void Loaded() override;
  static const TMessageMap* ClassMessages();

 protected:
  virtual void Timer();

 private:
  void WMTimer(TWMTimer& Message);
  void UpdateTimer();
  bool FEnabled = true;
  Cardinal FInterval = 1000;
  HWND FWindow = nullptr;
};

class TImage : public TGraphicControl {
  DECLARE_CLASS(TImage, TGraphicControl)
  PUBLISHED(TImage)
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
  // A canvas on the picture's bitmap (made when the picture is empty).
  TCanvas* Canvas();
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  // Where the picture is drawn in the control.
  RECT DestRect();

 protected:
  void Paint() override;
  void PictureChanged(TObject* Sender);

 private:
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false, FCenter = false, FProportional = false, FTransparent = false;
  bool FAutoSize = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
ENUM_TYPEINFO(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer)
enum TBevelStyle { bsLowered, bsRaised };
ENUM_TYPEINFO(TBevelStyle, bsLowered, bsRaised)

class TBevel : public TGraphicControl {
  DECLARE_CLASS(TBevel, TGraphicControl)
  PUBLISHED(TBevel)
 public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape Value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle Value);

 protected:
  void Paint() override;

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

class TPaintBox : public TGraphicControl {
  DECLARE_CLASS(TPaintBox, TGraphicControl)
  PUBLISHED(TPaintBox)
 public:
  explicit TPaintBox(TComponent* AOwner);
  using TGraphicControl::Canvas;
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

extern const TUnitInfo ExtCtrlsUnit;
