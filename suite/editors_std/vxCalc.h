// The pocket calculator control: 27 self-drawn buttons, a memory and one pending operator,
// working on the text it displays (digits are appended to it, values read back from it with
// the locale's float conversion).
#pragma once

#include <functional>

#include "vxControls.h"
#include "vxEdit.h"
#include "vxLookAndFeelPainters.h"

// TvxCalcButtonKind comes with the painters, which draw calculator buttons too.
constexpr Integer vxCalcButtonCount = 27;

enum TvxCalcState { csFirst, csValid, csError };

struct TvxButtonInfo {
  TRect BtnRect{};
  bool Down = false;
  bool Grayed = false;
  TvxCalcButtonKind Kind = cbNone;
  String Text;
};
using TCalcButtons = TvxButtonInfo[vxCalcButtonCount];

using TvxCalcButtonClick = std::function<void(TObject* Sender, TvxCalcButtonKind& ButtonKind)>;

// The caption of a button kind (the decimal button shows the locale's separator).
String vxCalcButtonCaption(TvxCalcButtonKind AKind);

class TvxCustomCalculator : public TvxControl {
  DECLARE_CLASS(TvxCustomCalculator, TvxControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomCalculator(TComponent* AOwner);

  // 0 in the error state; unreadable text (a lone "-", a stray character) reads as 0.
  Extended Value();
  void SetValue(Extended Value);
  Extended Memory() const { return FMemory; }
  TvxCalcState Status() const { return FStatus; }
  TvxCalcButtonKind PendingOperator() const { return FOperator; }
  const TvxButtonInfo& Button(TvxCalcButtonKind AKind) const { return FButtons[AKind]; }
  TvxCalcButtonKind GetButtonKindAt(Integer X, Integer Y) const;
  static TvxCalcButtonKind GetButtonKindChar(wchar_t Ch);
  static TvxCalcButtonKind GetButtonKindKey(Word Key, TShiftState Shift);
  void CopyToClipboard();
  void PasteFromClipboard();
  // Acts as a press of the button.
  void ProcessButton(TvxCalcButtonKind AKind);

  bool AutoFontSize() const { return FAutoFontSize; }
  void SetAutoFontSize(bool Value);
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool Value) { FBeepOnError = Value; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool FocusRectVisible() const { return FFocusRectVisible; }
  void SetFocusRectVisible(bool Value);
  Byte Precision() const { return FPrecision; }
  void SetPrecision(Byte Value) { FPrecision = Value; }
  Integer CalcFontSize() const { return FCalcFontSize; }
  Integer CalcBtnWidth() const { return FCalcBtnWidth; }
  Integer CalcBtnHeight() const { return FCalcBtnHeight; }
  Integer CalcLargeBtnWidth() const { return FCalcLargeBtnWidth; }
  Integer CalcXOfs() const { return FCalcXOfs; }
  Integer CalcYOfs() const { return FCalcYOfs; }
  Integer CalcWidth() const { return FCalcWidth; }
  Integer CalcHeight() const { return FCalcHeight; }
  // The metrics for a client of AWidth x AHeight, then the client size and the layout.
  void CalcSize(Integer AWidth, Integer AHeight);

  virtual TvxCustomLookAndFeelPainterClass GetPainter();
  virtual String GetDisplayText() { return String(); }
  virtual void SetDisplayText(const String&) {}
  virtual void HidePopup(TObject* Sender, TvxEditCloseUpReason AReason);
  virtual void LockChangeEvents(bool, bool = true) {}

  TNotifyEvent OnDisplayChange;
  TvxCalcButtonClick OnButtonClick;
  TNotifyEvent OnResult;
  TvxEditClosePopupEvent OnHidePopup;
  bool IsPopupControl = false;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Resize() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DoEnter() override;
  void DoExit() override;

 private:
  void CMMouseLeaveMsg(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void ResetOperands();
  void LayoutButtons();
  void InvalidateButton(TvxCalcButtonKind AKind);
  void SetActiveButton(TvxCalcButtonKind AKind);
  void SetDownButton(TvxCalcButtonKind AKind, bool ADown);
  void PressKeyButton(TvxCalcButtonKind AKind);
  void ReleaseKeyButton();
  void Error();
  void LeaveFirst();
  void UpdateMemoryButtons();
  bool IsCalcFocused();

  bool FAutoFontSize = true;
  bool FBeepOnError = true;
  TBorderStyle FBorderStyle = bsNone;
  bool FFocusRectVisible = true;
  Integer FCalcFontSize = 8;
  Integer FCalcBtnWidth = 28;
  Integer FCalcBtnHeight = 22;
  Integer FCalcLargeBtnWidth = 47;
  Integer FCalcXOfs = 3;
  Integer FCalcYOfs = 3;
  Integer FCalcWidth = 198;
  Integer FCalcHeight = 131;
  Extended FMemory = 0;
  TvxCalcButtonKind FOperator = cbEqual;
  Extended FOperand = 0;
  Byte FPrecision = 15;
  TvxCalcState FStatus = csFirst;
  TCalcButtons FButtons;
  TvxCalcButtonKind FActiveButton = cbNone;
  TvxCalcButtonKind FDownButton = cbNone;
  TvxCalcButtonKind FPressedButton = cbNone;
  bool FTracking = false;
  bool FSizing = false;
};

extern const TUnitInfo vxCalcUnit;
