// The drop-down editors' popup window: its frame, the system panel with the size grip
// and the close button, its size and placement against the owner editor and the work
// area, resizing with the mouse and closing with a close-up reason.
#pragma once

#include <functional>
#include <memory>

#include "vxMaskEdit.h"

class TvxCustomEditPopupWindow;

enum TvxEditCorner { ecoTopLeft, ecoTopRight, ecoBottomLeft, ecoBottomRight };

using TvxCustomDrawBorderEvent = std::function<void(TvxContainerViewInfo* AViewInfo, TvxCanvas* ACanvas,
                                                    const TRect& R, bool& AHandled, Integer& ABorderWidth)>;

// The computed layout of an editor's popup window.
class TvxCustomEditPopupWindowViewInfo : public TvxContainerViewInfo {
  DECLARE_CLASS(TvxCustomEditPopupWindowViewInfo, TvxContainerViewInfo)
 public:
  virtual void PaintContent(TvxCanvas* ACanvas);
  virtual void Calculate();
  virtual void DrawBorder(TvxCanvas* ACanvas, TRect& R);
  virtual void GetBorderExtent(TRect& AExtent);
  virtual void GetClientExtent(TRect& AExtent) { GetBorderExtent(AExtent); }
  virtual Integer GetSysPanelHeight();
  // Sets the unit's resize sides for a frame point; false inside the frame.
  virtual bool IsSizingPlace(Integer X, Integer Y);
  Integer GetClientEdgeWidth();
  Integer GetBorderWidth(bool AIncludeClientEdge);
  void Paint(TvxCanvas* ACanvas) override { PaintContent(ACanvas); }

  TvxCustomDrawBorderEvent FOnCustomDrawBorder;
  TvxEditPopupBorderStyle BorderStyle = epbsDefault;
  bool ClientEdge = false;
  bool CloseButton = false;
  TRect CloseButtonRect{};
  TvxLookAndFeelKind CloseButtonStyle = lfStandard;
  Integer CloseButtonNativeState = 0;
  TvxButtonState CloseButtonState = vxbsNormal;
  Integer MinSysPanelHeight = 0;
  bool Sizeable = false;
  TvxEditCorner SizeGripCorner = ecoBottomRight;
  TRect SizeGripRect{};
  TRect SizeGripSizingRect{};
  TRect SizingRegionBounds{};
  Integer SizingOffset = 0;
  Integer SysPanelHeight = 0;
  bool SysPanelStyle = false;

 protected:
  Integer BaseSysPanelHeight();
  void DrawSizeGrip(TvxCanvas* ACanvas);
  void DrawCloseButton(TvxCanvas* ACanvas);
};

// The popup edit's window: a heavier three-dimensional frame.
class TvxPopupEditPopupWindowViewInfo : public TvxCustomEditPopupWindowViewInfo {
  DECLARE_CLASS(TvxPopupEditPopupWindowViewInfo, TvxCustomEditPopupWindowViewInfo)
 public:
  void DrawBorder(TvxCanvas* ACanvas, TRect& R) override;
};

// What a popup window needs of the editor that owns it: the rectangle it drops from,
// the preferred content size, laying out the content and closing with a reason.
class TvxCustomDropDownEdit : public TvxCustomMaskEdit {
  DECLARE_CLASS(TvxCustomDropDownEdit, TvxCustomMaskEdit)
 public:
  explicit TvxCustomDropDownEdit(TComponent* AOwner, bool AIsInplace = false);
  ~TvxCustomDropDownEdit() override;

  TvxCustomEditPopupWindow* PopupWindow();
  // The owner rectangle in the coordinates of the editor's parent.
  virtual TRect GetPopupOwnerBounds() { return BoundsRect(); }
  virtual SIZE GetPopupPreferredSize() { return SIZE{0, 0}; }
  virtual void PositionPopupContent(const TRect& AClientRect) { (void)AClientRect; }
  virtual void FinalizePopup() {}
  virtual bool FitPopupToWorkArea() { return true; }
  virtual TvxLookAndFeelKind PopupLookAndFeelKind() { return lfStandard; }
  virtual bool IsLookupListInPopup() { return false; }
  // Closes the popup; the reason is kept for the editor's close events.
  virtual void CloseUp(TvxEditCloseUpReason AReason);
  virtual bool PopupCloseQuery() { return true; }
  bool UsesNativeStyle() { return IsNativeStyle(); }

  bool FPopupSizeChanged = false;
  bool FNeedStorePopupSize = false;

 protected:
  virtual std::unique_ptr<TvxCustomEditPopupWindow> CreatePopupWindow();
  std::unique_ptr<TvxCustomEditPopupWindow> FPopupWindow;
};

class TvxCustomEditPopupWindow : public TvxCustomPopupWindow {
  DECLARE_CLASS(TvxCustomEditPopupWindow, TvxCustomPopupWindow)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomEditPopupWindow(TWinControl* AOwnerControl);
  ~TvxCustomEditPopupWindow() override;

  TvxCustomDropDownEdit* Edit() const { return static_cast<TvxCustomDropDownEdit*>(OwnerControl()); }
  TvxCustomEditPopupWindowViewInfo* ViewInfo() const { return FViewInfo.get(); }
  Integer MinSysPanelHeight() const { return FViewInfo->MinSysPanelHeight; }
  void SetMinSysPanelHeight(Integer Value) { FViewInfo->MinSysPanelHeight = Value; }
  TvxEditPopupBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TvxEditPopupBorderStyle Value) { FBorderStyle = FViewInfo->BorderStyle = Value; }
  bool ClientEdge() const { return FClientEdge; }
  void SetClientEdge(bool Value) { FClientEdge = FViewInfo->ClientEdge = Value; }
  bool CloseButton() const { return FCloseButton; }
  void SetCloseButton(bool Value) { FCloseButton = FViewInfo->CloseButton = Value; }
  bool NativeStyle() const { return FNativeStyle; }
  void SetNativeStyle(bool Value) { FNativeStyle = FViewInfo->NativeStyle = Value; }
  bool Shadow() const { return FShadow; }
  void SetShadow(bool Value) { FShadow = FViewInfo->Shadow = Value; }
  bool Sizeable() const { return FSizeable; }
  void SetSizeable(bool Value) { FSizeable = FViewInfo->Sizeable = Value; }
  bool SysPanelStyle() const { return FSysPanelStyle; }
  void SetSysPanelStyle(bool Value) { FSysPanelStyle = FViewInfo->SysPanelStyle = Value; }
  bool PopupAutoSize() const { return FPopupAutoSize; }
  void SetPopupAutoSize(bool Value) { FPopupAutoSize = Value; }
  Integer MinHeight() const { return FMinHeight; }
  void SetMinHeight(Integer Value) { FMinHeight = Value; }
  Integer MinWidth() const { return FMinWidth; }
  void SetMinWidth(Integer Value) { FMinWidth = Value; }
  Integer PopupHeight() const { return FPopupHeight; }
  void SetPopupHeight(Integer Value) { FPopupHeight = Value; }
  Integer PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(Integer Value) { FPopupWidth = Value; }
  bool ShowContentWhileResize() const { return FShowContentWhileResize; }
  void SetShowContentWhileResize(bool Value) { FShowContentWhileResize = Value; }

  void Popup(TWinControl* AFocusedControl) override;
  TPoint CalculatePosition() override;
  void CalculateSize() override;
  bool AdjustsToWorkArea() override;
  void CloseUpByModalResult() override;
  bool CanResize(Integer& NewWidth, Integer& NewHeight) override;
  virtual SIZE MinSize();
  virtual void SendCharToFocus(WideChar C);
  // Recomputes the layout from the window's size.
  void CalculateViewInfo();
  // The largest client size a lookup list may take beside the owner.
  SIZE GetMaxVisualAreaSize();

 protected:
  void AdjustClientRect(RECT& Rect) override;
  void CreateParams(TCreateParams& Params) override;
  void DoClosed() override;
  void DoClosing() override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave(TControl* AControl) override;
  void VXMForwardChar(TMessage& Message);

 private:
  void ApplyBounds(const TRect& R);
  void DrawOutline(const TRect& R);
  void RepaintCloseButton();
  void UpdateShadowRegion();
  bool FLockCheckSize = false;
  bool FPopupAutoSize = false;
  TvxEditPopupBorderStyle FBorderStyle = epbsDefault;
  bool FClientEdge = false;
  bool FCloseButton = false;
  Integer FMinHeight = 0;
  Integer FMinWidth = 0;
  bool FNativeStyle = false;
  Integer FPopupHeight = 0;
  Integer FPopupWidth = 0;
  bool FShadow = false;
  bool FShowContentWhileResize = false;
  bool FSizeable = false;
  std::unique_ptr<TvxSizeFrame> FSizeFrame;
  bool FSysPanelStyle = false;
  std::unique_ptr<TvxCustomEditPopupWindowViewInfo> FViewInfo;
};

// The message an editor posts to forward a typed character to the popup's focused control.
constexpr UINT VXM_FORWARDCHARTOPOPUP = 0x8096;

// The cursor for resize sides (each -1, 0 or 1).
TCursor vxEditPopupSizingCursor(Integer AHorz, Integer AVert);
