// The owner-drawn radio button: painted through the look-and-feel painters or the theme,
// with hot and pressed states tracked from the mouse, optionally transparent.
#pragma once

#include "StdCtrls.h"
#include "vxContainerRoutines.h"
#include "vxControls.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"

enum TvxRadioButtonState { rbsDisabled, rbsHot, rbsNormal, rbsPressed };

// A windowed radio button. The checked state and the exclusion among sibling radio buttons
// are kept here; the window is a system button made owner-drawn.
class TvxRadioButton : public TWinControl, public IvxMouseTrackingCaller {
  DECLARE_CLASS(TvxRadioButton, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxRadioButton(TComponent* AOwner);
  ~TvxRadioButton() override;
  bool Checked() const { return FChecked; }
  // Checking unchecks the sibling radio buttons and clicks (unless clicks are disabled).
  void SetChecked(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  TvxRadioButtonState State() const { return FState; }
  TRect ButtonRect() const { return FButtonRect; }
  Integer Column() const { return FColumn; }
  Integer Row() const { return FRow; }
  void SetColumn(Integer Value) { FColumn = Value; }
  void SetRow(Integer Value) { FRow = Value; }
  TComponent* PopupMenu() const { return FPopupMenu; }
  // Takes nil or a popup menu; anything else is stored as nil.
  void SetPopupMenu(TComponent* Value);
  bool Focused() override;
  void Invalidate() override;
  // IvxMouseTrackingCaller
  void MouseLeave() override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DoEnter() override;
  virtual void AdjustCaptionRect(TRect& ARect, bool ANativeStyle);
  virtual bool DoShowPopupMenu(TComponent* AMenu, Integer X, Integer Y);
  virtual void DrawBackground();
  virtual void DrawCaption(TvxCanvas* ACanvas, bool ANativeStyle);
  virtual bool IsInplace() { return false; }
  virtual bool IsNativeBackground();
  virtual bool IsNativeStyle();
  virtual bool IsTransparentBackground() { return FTransparent && !IsInplace(); }
  virtual bool IsTransparent() { return IsNativeBackground() || IsTransparentBackground(); }
  virtual void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues);
  virtual void DrawItem(bool AFocusOnly);
  virtual void UpdateState(TvxMouseButton AButton, TShiftState AShift, const TPoint& APoint);
  TvxCustomLookAndFeelPainterClass GetPainter();

 private:
  void CNDrawItem(TMessage& Message);
  void CNCommand(TWMCommand& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMSysColorChange(TMessage& Message);
  void SetState(TvxRadioButtonState Value);
  void BeginTracking();
  TAlignment FAlignment = taRightJustify;
  TRect FButtonRect{};
  TvxCanvas* FCanvas = nullptr;  // the canvas of the draw in progress
  bool FChecked = false;
  bool FClicksDisabled = false;
  Integer FColumn = 0, FRow = 0;
  HDC FDrawDC = nullptr;
  bool FFocusedDraw = false;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  TComponent* FPopupMenu = nullptr;
  TvxRadioButtonState FState = rbsNormal;
  bool FTracking = false;
  bool FTransparent = false;
  bool FWordWrap = false;
};

extern const TUnitInfo vxRadioGroupUnit;
