#include "vxCalc.h"

#include <cmath>

#include "Clipbrd.h"
#include "Forms.h"
#include "vxClasses.h"
#include "vxCurrencyEdit.h"
#include "vxEditConsts.h"
#include "vxFilterControlUtils.h"
#include "vxTextEdit.h"

namespace {

const wchar_t* const ButtonCaptions[vxCalcButtonCount] = {
    L"Back", L"CE", L"C", L"MC", L"MR", L"MS", L"M+", L"0", L"1", L"2", L"3", L"4", L"5", L"6",
    L"7", L"8", L"9", L"+/-", L",", L"/", L"*", L"-", L"+", L"sqrt", L"%", L"1/x", L"="};

bool IsArithmetic(TvxCalcButtonKind K) { return K == cbDiv || K == cbMul || K == cbSub || K == cbAdd; }

// The main block: rows 1 to 4, columns 1 to 5.
const TvxCalcButtonKind MainBlock[4][5] = {
    {cbNum7, cbNum8, cbNum9, cbDiv, cbSqrt},
    {cbNum4, cbNum5, cbNum6, cbMul, cbPercent},
    {cbNum1, cbNum2, cbNum3, cbSub, cbRev},
    {cbNum0, cbSign, cbDecimal, cbAdd, cbEqual}};

}  // namespace

String vxCalcButtonCaption(TvxCalcButtonKind AKind) {
  if (AKind == cbDecimal) return String(1, FormatSettings.DecimalSeparator);
  return AKind < vxCalcButtonCount ? String(ButtonCaptions[AKind]) : String();
}

TvxCustomCalculator::TvxCustomCalculator(TComponent* AOwner) : TvxControl(AOwner) {
  ControlStyle() = TControlStyle{csCaptureMouse, csOpaque};
  SetColor(clBtnFace);
  SetParentColor(false);
  SetTabStop(true);
  for (Integer I = 0; I < vxCalcButtonCount; ++I) {
    FButtons[I].Kind = TvxCalcButtonKind(I);
    FButtons[I].Text = ButtonCaptions[I];
  }
  SetBounds(Left(), Top(), 198, 131);
  LayoutButtons();
}

void TvxCustomCalculator::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN | WS_TABSTOP;
  Params.WindowClass.style &= ~CS_DBLCLKS;
  if (FBorderStyle == bsSingle && !IsPopupControl) {
    Params.ExStyle |= WS_EX_CLIENTEDGE;
  }
}

void TvxCustomCalculator::SetAutoFontSize(bool Value) {
  if (FAutoFontSize == Value) return;
  FAutoFontSize = Value;
  CalcSize(ClientWidth(), ClientHeight());
}

void TvxCustomCalculator::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TvxCustomCalculator::SetFocusRectVisible(bool Value) {
  if (FFocusRectVisible == Value) return;
  FFocusRectVisible = Value;
  InvalidateButton(cbEqual);
}

TvxCustomLookAndFeelPainterClass TvxCustomCalculator::GetPainter() { return TvxStandardLookAndFeelPainter::Instance(); }

void TvxCustomCalculator::HidePopup(TObject* Sender, TvxEditCloseUpReason AReason) {
  if (OnHidePopup) OnHidePopup(Sender, AReason);
}

// --- Metrics and layout ------------------------------------------------------------------------------

void TvxCustomCalculator::CalcSize(Integer AWidth, Integer AHeight) {
  Integer H;
  if (FAutoFontSize) {
    const Integer A = std::min(AHeight, MulDiv(AWidth, 131, 198));
    auto Total = [](Integer h) { return 5 * h + 6 * MulDiv(h, 3, 22); };
    // The first local best fit from 22 up.
    H = 22;
    Integer Best = A;
    for (Integer h = 22; std::abs(Total(h) - A) < Best; ++h) {
      H = h;
      Best = std::abs(Total(h) - A);
    }
  } else {
    TvxScreenCanvas C;
    C.Font()->Assign(Font());
    H = 2 * C.TextHeight(L"Wg");
  }
  FCalcBtnHeight = H;
  FCalcBtnWidth = MulDiv(H, 28, 22);
  FCalcXOfs = FCalcYOfs = MulDiv(H, 3, 22);
  FCalcLargeBtnWidth = MulDiv(FCalcBtnWidth, 17, 10);
  FCalcFontSize = MulDiv(H, 8, 22);
  FCalcHeight = 5 * FCalcBtnHeight + 6 * FCalcYOfs;
  FCalcWidth = 6 * FCalcBtnWidth + 8 * FCalcXOfs + 4;
  {
    TValueScope<bool> Sizing(FSizing, true);
    SetClientWidth(FCalcWidth);
    SetClientHeight(FCalcHeight);
  }
  LayoutButtons();
}

void TvxCustomCalculator::LayoutButtons() {
  const Integer W = FCalcBtnWidth, H = FCalcBtnHeight, X = FCalcXOfs, Y = FCalcYOfs, LW = FCalcLargeBtnWidth;
  auto RowTop = [&](Integer R) { return (R + 1) * Y + R * H; };
  auto ColLeft = [&](Integer C) { return 3 * X + W + 4 + (C - 1) * (X + W); };
  const TvxCalcButtonKind Memory[4] = {cbMC, cbMR, cbMS, cbMP};
  for (Integer R = 1; R <= 4; ++R) {
    FButtons[Memory[R - 1]].BtnRect = TRect{X, RowTop(R), X + W, RowTop(R) + H};
    for (Integer C = 1; C <= 5; ++C)
      FButtons[MainBlock[R - 1][C - 1]].BtnRect = TRect{ColLeft(C), RowTop(R), ColLeft(C) + W, RowTop(R) + H};
  }
  const Integer Right = FButtons[cbEqual].BtnRect.right;
  FButtons[cbClear].BtnRect = TRect{Right - LW, RowTop(0), Right, RowTop(0) + H};
  const Integer CERight = Right - LW - Y;
  FButtons[cbCancel].BtnRect = TRect{CERight - LW, RowTop(0), CERight, RowTop(0) + H};
  const Integer BackRight = CERight - LW - Y;
  FButtons[cbBack].BtnRect = TRect{BackRight - LW, RowTop(0), BackRight, RowTop(0) + H};
  FButtons[cbDecimal].Text = String(1, FormatSettings.DecimalSeparator);
  ResetOperands();
}

void TvxCustomCalculator::ResetOperands() {
  for (TvxButtonInfo& B : FButtons) {
    B.Down = false;
    B.Grayed = false;
  }
  FOperator = cbEqual;
  FStatus = csFirst;
  FMemory = 0;
  FButtons[cbMC].Grayed = true;
  FButtons[cbMR].Grayed = true;
  Invalidate();
}

void TvxCustomCalculator::Resize() {
  inherited::Resize();
  if (!FSizing) CalcSize(ClientWidth(), ClientHeight());
}

TvxCalcButtonKind TvxCustomCalculator::GetButtonKindAt(Integer X, Integer Y) const {
  const POINT P{X, Y};
  for (Integer I = 0; I < vxCalcButtonCount; ++I)
    if (PtInRect(&FButtons[I].BtnRect, P)) return TvxCalcButtonKind(I);
  return cbNone;
}

TvxCalcButtonKind TvxCustomCalculator::GetButtonKindChar(wchar_t Ch) {
  switch (Ch) {
    case L'\b': return cbBack;
    case L'+': return cbAdd;
    case L'-': return cbSub;
    case L'*': return cbMul;
    case L'/': return cbDiv;
    case L',':
    case L'.': return cbDecimal;
    case L'%': return cbPercent;
    case L'=': return cbEqual;
    case L'@': return cbSqrt;
    default:
      if (Ch >= L'0' && Ch <= L'9') return TvxCalcButtonKind(cbNum0 + (Ch - L'0'));
      return cbNone;
  }
}

TvxCalcButtonKind TvxCustomCalculator::GetButtonKindKey(Word Key, TShiftState Shift) {
  const bool Ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_RETURN: return cbEqual;
    case VK_ESCAPE: return cbClear;
    case VK_DELETE: return cbCancel;
    case 'C': return Ctrl ? cbNone : cbClear;
    case 'L': return Ctrl ? cbMC : cbNone;
    case 'R': return Ctrl ? cbMR : cbRev;
    case 'M': return Ctrl ? cbMS : cbNone;
    case 'P': return Ctrl ? cbMP : cbNone;
    case VK_F9: return cbSign;
    default: return cbNone;
  }
}

// --- Value ---------------------------------------------------------------------------------------------

Extended TvxCustomCalculator::Value() {
  if (FStatus == csError) return 0;
  String S = Trim(GetDisplayText());
  if (S.empty()) S = L"0";
  if (FormatSettings.ThousandSeparator != 0)
    S = StringReplace(S, String(1, FormatSettings.ThousandSeparator), L"", TReplaceFlags{rfReplaceAll});
  // A display the calculator did not write itself (a lone "-" typed into the edit, a stray
  // character) counts as 0 instead of failing the operation.
  Extended V = 0;
  if (!TryStrToFloat(S, V)) return 0;
  return V;
}

void TvxCustomCalculator::SetValue(Extended Value) {
  if (Value == 0) Value = 0;  // no "-0"
  const String S = FloatToStrF(Value, ffGeneral, std::max<Integer>(FPrecision, 2), 0);
  if (GetDisplayText() == S) return;
  SetDisplayText(S);
  if (OnDisplayChange) OnDisplayChange(this);
}

void TvxCustomCalculator::CopyToClipboard() { Clipboard()->SetAsText(GetDisplayText()); }

void TvxCustomCalculator::PasteFromClipboard() {
  String S = Clipboard()->AsText();
  if (!FormatSettings.CurrencyString.empty())
    S = StringReplace(S, FormatSettings.CurrencyString, L"", TReplaceFlags{rfReplaceAll});
  Extended V = 0;
  if (!TryStrToFloat(Trim(S), V)) V = 0;
  SetValue(V);
  FStatus = csValid;
}

// --- Processing -----------------------------------------------------------------------------------------

void TvxCustomCalculator::Error() {
  FStatus = csError;
  SetDisplayText(vxGetResString(&svxSCalcError));
  if (FBeepOnError) MessageBeep(0);
}

void TvxCustomCalculator::LeaveFirst() {
  if (FStatus != csFirst) return;
  FStatus = csValid;
  SetDisplayText(L"0");
}

void TvxCustomCalculator::UpdateMemoryButtons() {
  const bool Gray = FMemory == 0;
  FButtons[cbMC].Grayed = Gray;
  FButtons[cbMR].Grayed = Gray;
  InvalidateButton(cbMC);
  InvalidateButton(cbMR);
}

void TvxCustomCalculator::ProcessButton(TvxCalcButtonKind AKind) {
  if (OnButtonClick) OnButtonClick(this, AKind);
  if (AKind >= cbNone) return;
  if (FStatus == csError && AKind != cbCancel && AKind != cbClear) {
    Error();
    return;
  }
  const String Before = GetDisplayText();
  LockChangeEvents(true, true);
  auto Unlock = TScopeExit([this, &Before] { LockChangeEvents(false, GetDisplayText() != Before); });
  const wchar_t Sep = FormatSettings.DecimalSeparator;
  switch (AKind) {
    case cbBack: {
      LeaveFirst();
      const String S = GetDisplayText();
      if (S.size() <= 1 || (S.size() == 2 && S[0] == L'-')) SetDisplayText(L"0");
      else SetDisplayText(S.substr(0, S.size() - 1));
      break;
    }
    case cbCancel:
    case cbClear:
      FStatus = csFirst;
      SetValue(0);
      FOperator = cbEqual;
      break;
    case cbMC:
      FMemory = 0;
      break;
    case cbMR:
      FStatus = csFirst;
      FStatus = csValid;
      SetDisplayText(L"0");
      SetValue(FMemory);
      break;
    case cbMS:
      FStatus = csFirst;
      FMemory = Value();
      break;
    case cbMP:
      FStatus = csFirst;
      FMemory = FMemory + Value();
      break;
    case cbSign:
      SetValue(-Value());
      break;
    case cbDecimal: {
      LeaveFirst();
      const String S = GetDisplayText();
      if (S.find(Sep) == String::npos) SetDisplayText(S + Sep);
      break;
    }
    case cbSqrt:
    case cbRev: {
      FStatus = IsArithmetic(FOperator) ? csValid : csFirst;
      const Extended V = Value();
      if (AKind == cbSqrt) {
        if (V < 0) Error();
        else SetValue(std::sqrt(V));
      } else {
        if (V == 0) Error();
        else SetValue(1 / V);
      }
      break;
    }
    case cbDiv:
    case cbMul:
    case cbSub:
    case cbAdd:
    case cbPercent:
    case cbEqual: {
      if (FStatus == csValid) {
        FStatus = csFirst;
        Extended V = Value();
        if (AKind == cbPercent) {
          if (FOperator == cbDiv || FOperator == cbMul) V = V / 100;
          else if (FOperator == cbSub || FOperator == cbAdd) V = FOperand * V / 100;
        }
        switch (FOperator) {
          case cbDiv:
            if (V == 0) Error();
            else SetValue(FOperand / V);
            break;
          case cbMul: SetValue(FOperand * V); break;
          case cbSub: SetValue(FOperand - V); break;
          case cbAdd: SetValue(FOperand + V); break;
          default: break;
        }
      }
      FOperator = AKind;
      FOperand = Value();
      if ((AKind == cbPercent || AKind == cbEqual) && OnResult) OnResult(this);
      break;
    }
    default: {  // digits
      LeaveFirst();
      String S = GetDisplayText();
      if (S == L"0") S.clear();
      const size_t Limit = static_cast<size_t>(std::max<Integer>(FPrecision, 2)) + (S.find(L'-') != String::npos ? 1 : 0);
      if (S.size() < Limit) SetDisplayText(S + wchar_t(L'0' + (AKind - cbNum0)));
      else {
        if (S.empty()) SetDisplayText(L"0");
        if (FBeepOnError) MessageBeep(0);
      }
      break;
    }
  }
  if (AKind == cbMC || AKind == cbMS || AKind == cbMP) UpdateMemoryButtons();
}

// --- Painting ---------------------------------------------------------------------------------------------

void TvxCustomCalculator::InvalidateButton(TvxCalcButtonKind AKind) {
  if (AKind >= cbNone || !HandleAllocated()) return;
  RECT R = FButtons[AKind].BtnRect;
  ::InvalidateRect(Handle(), &R, FALSE);
}

bool TvxCustomCalculator::IsCalcFocused() { return HandleAllocated() && Focused(); }

void TvxCustomCalculator::Paint() {
  TvxCustomLookAndFeelPainterClass Painter = GetPainter();
  TvxCanvas* C = Canvas();
  Painter->DrawWindowContent(C, ClientBounds());
  C->Font()->Assign(Font());
  if (FAutoFontSize) {
    C->Font()->SetSize(FCalcFontSize);
    if (FCalcFontSize > 9) C->Font()->SetStyle(C->Font()->Style() + fsBold);
  }
  const bool CalcFocused = IsCalcFocused();
  for (Integer I = 0; I < vxCalcButtonCount; ++I) {
    const TvxButtonInfo& B = FButtons[I];
    if (!C->RectVisible(B.BtnRect)) continue;
    TvxButtonState State = vxbsNormal;
    if (B.Grayed || !Enabled()) State = vxbsDisabled;
    else if (B.Down) State = vxbsPressed;
    else if (I == FActiveButton && I != FDownButton) State = vxbsHot;
    else if (I == cbEqual && CalcFocused) State = vxbsDefault;
    Painter->DrawButton(C, B.BtnRect, String(), State);
    TRect R = B.BtnRect;
    if (State == vxbsPressed) OffsetRect(&R, Painter->ButtonTextShift(), Painter->ButtonTextShift());
    C->Brush()->SetStyle(bsClear);
    C->Font()->SetColor(Painter->ButtonSymbolColor(State));
    RECT TR = R;
    String Text = B.Text;
    C->Canvas()->TextRect(TR, Text, TTextFormat{tfCenter, tfVerticalCenter, tfSingleLine});
    C->Brush()->SetStyle(bsSolid);
  }
  if (FFocusRectVisible && CalcFocused) {
    TRect R = FButtons[cbEqual].BtnRect;
    InflateRect(&R, -3, -3);
    C->DrawFocusRect(R);
  }
}

// --- Mouse -----------------------------------------------------------------------------------------------

void TvxCustomCalculator::SetActiveButton(TvxCalcButtonKind AKind) {
  if (FActiveButton == AKind) return;
  const TvxCalcButtonKind Old = FActiveButton;
  FActiveButton = AKind;
  if (Old != cbNone && !FButtons[Old].Grayed) InvalidateButton(Old);
  if (AKind != cbNone && !FButtons[AKind].Grayed) InvalidateButton(AKind);
}

void TvxCustomCalculator::SetDownButton(TvxCalcButtonKind AKind, bool ADown) {
  if (AKind >= cbNone || FButtons[AKind].Down == ADown) return;
  FButtons[AKind].Down = ADown;
  InvalidateButton(AKind);
}

void TvxCustomCalculator::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!IsDesigning() && !IsPopupControl && (CanFocus() || !GetParentForm(this)) && HandleAllocated() && !Focused())
    SetFocus();
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  const TvxCalcButtonKind K = GetButtonKindAt(X, Y);
  if (K == cbNone || FButtons[K].Grayed) return;
  SetCapture(Handle());
  FTracking = true;
  FDownButton = K;
  SetDownButton(K, true);
  if (HandleAllocated()) UpdateWindow(Handle());
}

void TvxCustomCalculator::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FTracking) {
    if (FDownButton != cbNone) SetDownButton(FDownButton, GetButtonKindAt(X, Y) == FDownButton);
    return;
  }
  if (GetPainter()->IsButtonHotTrack() && Enabled() && !Dragging()) SetActiveButton(GetButtonKindAt(X, Y));
}

void TvxCustomCalculator::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (!FTracking) return;
  FTracking = false;
  if (GetCapture() == Handle()) ReleaseCapture();
  const TvxCalcButtonKind K = FDownButton;
  FDownButton = cbNone;
  if (K == cbNone) return;
  const bool WasDown = FButtons[K].Down;
  SetDownButton(K, false);
  if (WasDown && Button == mbLeft) ProcessButton(K);
}

void TvxCustomCalculator::CMMouseLeaveMsg(TMessage& Message) {
  DefaultHandler(Message);
  SetActiveButton(cbNone);
}

// --- Keyboard --------------------------------------------------------------------------------------------

void TvxCustomCalculator::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TvxCustomCalculator::PressKeyButton(TvxCalcButtonKind AKind) {
  if (AKind != FPressedButton) ReleaseKeyButton();
  FPressedButton = AKind;
  SetDownButton(AKind, true);
  if (HandleAllocated()) UpdateWindow(Handle());
  ProcessButton(AKind);
}

void TvxCustomCalculator::ReleaseKeyButton() {
  if (FPressedButton == cbNone) return;
  SetDownButton(FPressedButton, false);
  FPressedButton = cbNone;
}

void TvxCustomCalculator::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Shift.Contains(ssCtrl) && Key == 'V') {
    PasteFromClipboard();
    return;
  }
  if (Shift.Contains(ssCtrl) && Key == 'C') {
    CopyToClipboard();
    return;
  }
  const TvxCalcButtonKind K = GetButtonKindKey(Key, Shift);
  if (K != cbNone) PressKeyButton(K);
}

void TvxCustomCalculator::KeyPress(wchar_t& Key) {
  inherited::KeyPress(Key);
  const TvxCalcButtonKind K = GetButtonKindChar(Key);
  if (K != cbNone) PressKeyButton(K);
}

void TvxCustomCalculator::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  ReleaseKeyButton();
}

void TvxCustomCalculator::DoEnter() {
  inherited::DoEnter();
  InvalidateButton(cbEqual);
}

void TvxCustomCalculator::DoExit() {
  inherited::DoExit();
  InvalidateButton(cbEqual);
}

const TMessageMap* TvxCustomCalculator::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_MOUSELEAVE, MessageHandler<&TvxCustomCalculator::CMMouseLeaveMsg>},
      {WM_GETDLGCODE, MessageHandler<&TvxCustomCalculator::WMGetDlgCode>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// --- Popup calculator --------------------------------------------------------------------------------

TvxPopupCalculator::TvxPopupCalculator(TComponent* AOwner) : TvxCustomCalculator(AOwner) { IsPopupControl = true; }

TvxCustomLookAndFeelPainterClass TvxPopupCalculator::GetPainter() {
  if (FEdit) {
    if (TvxEditPopupControlLookAndFeel* lf = FEdit->PopupControlsLookAndFeel())
      if (TvxCustomLookAndFeelPainterClass p = lf->Painter()) return p;
    if (TvxCustomLookAndFeelPainterClass p = FEdit->Style()->LookAndFeel()->Painter()) return p;
  }
  return TvxCustomCalculator::GetPainter();
}

String TvxPopupCalculator::GetDisplayText() { return FEdit ? FEdit->Text() : String(); }

void TvxPopupCalculator::SetDisplayText(const String& AText) {
  if (!FEdit || !FEdit->DoEditing()) return;
  FEdit->SetInternalDisplayValue(Variant(AText));
  FEdit->SetModifiedAfterEnter(true);
}

void TvxPopupCalculator::LockChangeEvents(bool ALock, bool AInvokeChangedOnUnlock) {
  if (FEdit) FEdit->LockChangeEvents(ALock, AInvokeChangedOnUnlock);
}

void TvxPopupCalculator::KeyDown(Word& Key, TShiftState Shift) {
  TvxCustomCalculator::KeyDown(Key, Shift);
  if (!FEdit) return;
  const bool alt = Shift.Contains(ssAlt);
  switch (Key) {
    case VK_TAB: FEdit->KeyDown(Key, Shift); break;
    case VK_RETURN: HidePopup(this, crEnter); break;
    case VK_ESCAPE: HidePopup(this, crCancel); break;
    case VK_UP:
    case VK_DOWN:
      if (alt) HidePopup(this, crClose);
      break;
    case VK_F4:
      if (!alt) HidePopup(this, crClose);
      break;
    case VK_INSERT:
      if (Shift.Contains(ssShift)) PasteFromClipboard();
      else if (Shift.Contains(ssCtrl)) CopyToClipboard();
      break;
    default: break;
  }
}

void TvxPopupCalculator::KeyPress(wchar_t& Key) {
  TvxCustomCalculator::KeyPress(Key);
  if (Key == L'=' && FEdit && FEdit->ActiveProperties()->QuickClose()) HidePopup(this, crEnter);
}

// --- Calc edit properties -------------------------------------------------------------------------

void TvxCalcEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxTextEditPropertiesValues::Assign(Source);
  if (auto* src = dynamic_cast<TvxCalcEditPropertiesValues*>(Source)) SetPrecision(src->FPrecision);
}

void TvxCalcEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxTextEditPropertiesValues::RestoreDefaults();
  SetPrecision(false);
}

void TvxCalcEditPropertiesValues::SetPrecision(bool Value) {
  if (FPrecision == Value) return;
  FPrecision = Value;
  if (FOwner) FOwner->Changed();
}

namespace {
// The calc edit keeps its own record of explicitly given settings.
TvxEditPropertiesParts CalcEditParts() {
  TvxEditPropertiesParts parts;
  parts.AssignedValuesClass = TvxCalcEditPropertiesValues::StaticClass();
  return parts;
}


// The number an edit value stands for; false when it stands for none.
bool EditValueToNumber(const Variant& AValue, Extended& ANumber) {
  if (VarIsStr(AValue)) return TvxCustomCalcEditProperties::TextToNumber(Trim(VarToStr(AValue)), ANumber);
  if (!VarIsNumeric(AValue)) return false;
  ANumber = AValue.AsDouble();
  return true;
}
}  // namespace

TvxCustomCalcEditProperties::TvxCustomCalcEditProperties(TPersistent* AOwner)
    : TvxCustomPopupEditProperties(AOwner, CalcEditParts()) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(false); });
  SetBeepOnError(true);
  SetImmediateDropDown(false);
  SetPopupSizeable(false);
}

TClass TvxCustomCalcEditProperties::GetContainerClass() { return TvxCalcEdit::StaticClass(); }

void TvxCustomCalcEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomCalcEditProperties*>(Source);
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxCustomPopupEditProperties::Assign(Source);
  if (!src) return;
  SetBeepOnError(src->BeepOnError());
  AssignedValues()->SetPrecision(false);
  FPrecision = 15;
  if (src->AssignedValues()->Precision()) SetPrecision(src->FPrecision);
  SetQuickClose(src->FQuickClose);
  SetScientificFormat(src->FScientificFormat);
  SetUseThousandSeparator(src->FUseThousandSeparator);
}

Byte TvxCustomCalcEditProperties::Precision() {
  Integer result = 15;
  if (AssignedValues()->Precision())
    result = FPrecision;
  else if (IvxEditDefaultValuesProvider* provider = IDefaultValuesProvider())
    result = provider->DefaultPrecision();
  return static_cast<Byte>(result >= 16 || result < 0 ? 15 : result);
}

void TvxCustomCalcEditProperties::SetPrecision(Byte Value) {
  if (AssignedValues()->Precision() && FPrecision == Value) return;
  FPrecision = Value;
  AssignedValues()->SetPrecision(true);
  Changed();
}

bool TvxCustomCalcEditProperties::TextToNumber(const String& AText, Extended& AValue) {
  String text = AText;
  RemoveThousandSeparators(text);
  Extended value = 0;
  if (!TextToFloat(text, value)) return false;
  const long double magnitude = std::fabs(static_cast<long double>(value));
  if (value != 0 && (magnitude < 4.9406564584124654e-324L || magnitude > 1.7e308L)) return false;
  AValue = value;
  return true;
}

Variant TvxCustomCalcEditProperties::TextToEditValue(const String& AText) {
  String text = AText;
  if (FUseThousandSeparator && !FScientificFormat) RemoveThousandSeparators(text);
  text = Trim(text);
  Extended value = 0;
  if (text.empty() || !TextToNumber(text, value)) return Null();
  return Variant(static_cast<double>(value));
}

TvxDataEditValueSource TvxCustomCalcEditProperties::GetEditValueSource(bool AEditFocused) {
  if (AEditFocused || !DisplayFormat().empty()) return evsValue;
  IvxEditDefaultValuesProvider* provider = IDefaultValuesProvider();
  return provider && provider->IsDisplayFormatDefined(true) ? evsText : evsValue;
}

bool TvxCustomCalcEditProperties::IsEditValueValid(Variant& EditValue, bool) {
  if (VarIsSoftNull(EditValue) || VarIsNumeric(EditValue)) return true;
  Extended value;
  return VarIsStr(EditValue) && TextToNumber(VarToStr(EditValue), value);
}

void TvxCustomCalcEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool AEditFocused) {
  Extended value = 0;
  if (VarIsSoftNull(AEditValue)) {
    DisplayValue = String();
    return;
  }
  // A value that stands for no number (text from a data field) is shown as it is.
  if (!EditValueToNumber(AEditValue, value)) {
    DisplayValue = VarToStr(AEditValue);
    return;
  }
  const String format = DisplayFormat();
  if (!AEditFocused && !format.empty()) {
    DisplayValue = FormatFloat(format, value);
    return;
  }
  const Integer digits = Precision() == 0 ? 15 : Precision();
  String text;
  if (FScientificFormat) {
    text = FloatToStrF(value, ffExponent, digits, 0);
    const size_t e = text.find_first_of(L"Ee");
    String mantissa = text.substr(0, e == String::npos ? text.size() : e);
    const String exponent = e == String::npos ? String() : text.substr(e);
    if (mantissa.find(FormatSettings.DecimalSeparator) != String::npos) {
      while (!mantissa.empty() && mantissa.back() == L'0') mantissa.pop_back();
      if (!mantissa.empty() && mantissa.back() == FormatSettings.DecimalSeparator) mantissa.pop_back();
    }
    text = mantissa + exponent;
  } else {
    text = FloatToStrF(value, ffGeneral, digits, 0);
    if (FUseThousandSeparator) InsertThousandSeparators(text);
  }
  DisplayValue = text;
}

void TvxCustomCalcEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       TvxCustomEdit* AEdit) {
  AError = false;
  TvxCustomPopupEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

void TvxCalcEditProperties::DeclarePublished(TPublisher<TvxCalcEditProperties>& P) {
  using C = TvxCalcEditProperties;
  P.Property(L"AssignedValues", &C::AssignedValues,
             [](C* E, TvxCalcEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"BeepOnError", &C::BeepOnError, &C::SetBeepOnError).Default(true);
  P.Property(L"ButtonGlyph", &C::ButtonGlyph, &C::SetButtonGlyph)
      .Stored([](C* E) { return E->ButtonGlyph() && !E->ButtonGlyph()->Empty(); });
  P.Property(L"DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat)
      .Stored([](C* E) { return !E->DisplayFormat().empty(); });
  P.Property(L"ImeMode", &C::ImeMode, &C::SetImeMode).Default(imDontCare);
  P.Property(L"ImeName", &C::ImeName, &C::SetImeName).Stored([](C* E) { return !E->ImeName().empty(); });
  P.Property(L"Precision", &C::Precision, &C::SetPrecision)
      .Stored([](C* E) { return E->AssignedValues()->Precision(); });
  P.Property(L"QuickClose", &C::QuickClose, &C::SetQuickClose).Default(false);
  P.Property(L"ScientificFormat", &C::ScientificFormat, &C::SetScientificFormat).Default(false);
  P.Property(L"UseThousandSeparator", &C::UseThousandSeparator, &C::SetUseThousandSeparator).Default(false);
  P.Property(L"ValidateOnEnter", &C::ValidateOnEnter, &C::SetValidateOnEnter).Default(true);
}

// --- Calc edit ---------------------------------------------------------------------------------------

std::unique_ptr<TvxCustomEditProperties> TvxCustomCalcEdit::CreateProperties() {
  return std::make_unique<TvxCustomCalcEditProperties>(this);
}

std::unique_ptr<TvxCustomEditProperties> TvxCalcEdit::CreateProperties() {
  return std::make_unique<TvxCalcEditProperties>(this);
}

TvxCustomCalcEdit::~TvxCustomCalcEdit() {
  // The popup puts its control back when it closes; the calculator goes first.
  if (FCalculator && Properties()->PopupControl() == FCalculator.get()) Properties()->SetPopupControl(nullptr);
  FCalculator.reset();
}

void TvxCustomCalcEdit::Initialize() {
  TvxCustomPopupEdit::Initialize();
  ControlStyle().Exclude(csSetCaption);
  StoreEditValue(Variant(0.0));
  FCalculator = std::make_unique<TvxPopupCalculator>(nullptr);
  FCalculator->SetEdit(this);
  FCalculator->SetAutoFontSize(false);
  if (TvxCustomEditPopupWindow* w = PopupWindow()) FCalculator->SetParent(w);
  FCalculator->OnHidePopup = [this](TObject*, TvxEditCloseUpReason AReason) { ClosePopupWithReason(AReason); };
  SyncCalculator();
}

void TvxCustomCalcEdit::SyncCalculator() {
  if (!FCalculator || FSyncing) return;
  TValueScope<bool> syncing(FSyncing, true);
  TvxCustomCalcEditProperties* p = ActiveProperties();
  FCalculator->SetBeepOnError(p->BeepOnError());
  FCalculator->SetPrecision(p->Precision());
  p->SetPopupControl(FCalculator.get());
}

void TvxCustomCalcEdit::PropertiesChanged(TObject* Sender) {
  SyncCalculator();
  TvxCustomPopupEdit::PropertiesChanged(Sender);
}

Extended TvxCustomCalcEdit::Value() {
  Extended value = 0;
  return EditValueToNumber(EditValue(), value) ? value : 0;
}

bool TvxCustomCalcEdit::CanDropDown() { return !ActiveProperties()->ReadOnly() && DataBinding()->IsDataAvailable(); }

void TvxCustomCalcEdit::DropDown() {
  SyncCalculator();
  TvxCustomPopupEdit::DropDown();
}

std::unique_ptr<TvxCustomEditPopupWindow> TvxCustomCalcEdit::CreatePopupWindow() {
  std::unique_ptr<TvxCustomEditPopupWindow> w = TvxCustomPopupEdit::CreatePopupWindow();
  w->SetModalMode(false);
  return w;
}

void TvxCustomCalcEdit::SetupPopupWindow() {
  TvxCustomPopupEdit::SetupPopupWindow();
  if (!FCalculator) return;
  FCalculator->Font()->Assign(Style()->GetVisibleFont());
  FCalculator->CalcSize(FCalculator->ClientWidth(), FCalculator->ClientHeight());
}

void TvxCustomCalcEdit::DoPopupShowed(TObject* Sender) {
  TvxCustomPopupEdit::DoPopupShowed(Sender);
  if (FCalculator) FCalculator->Init();
}

void TvxCustomCalcEdit::DoClosePopupWindow(TObject* Sender) {
  TvxCustomPopupEdit::DoClosePopupWindow(Sender);
  if (Text() == vxGetResString(&svxSCalcError)) SetInternalEditValue(Variant(0.0));
  if (ActiveProperties()->AutoSelect())
    SelectAll();
  else
    SetSelStart(static_cast<Integer>(Text().size()));
}

void TvxCustomCalcEdit::PasteFromClipboard() {
  if (FCalculator && DoEditing()) FCalculator->PasteFromClipboard();
}

void TvxCustomCalcEdit::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  AEditValue = ActiveProperties()->TextToEditValue(VarToStr(ADisplayValue));
}

bool TvxCustomCalcEdit::IsCharAcceptable(wchar_t AKey) {
  const bool numeric = (AKey >= L'0' && AKey <= L'9') || AKey == L'+' || AKey == L'-' || AKey == L'e' ||
                       AKey == L'E' || AKey == FormatSettings.DecimalSeparator ||
                       AKey == FormatSettings.ThousandSeparator;
  if (!numeric) return false;
  String text = Text();
  const size_t start = std::min(static_cast<size_t>(std::max(SelStart(), 0)), text.size());
  const size_t length = std::min(static_cast<size_t>(std::max(SelLength(), 0)), text.size() - start);
  text.erase(start, length);
  if (AKey == L'-' && text.empty()) return true;
  text.insert(start, 1, AKey);
  Extended value;
  return TvxCustomCalcEditProperties::TextToNumber(text, value);
}

void TvxCustomCalcEdit::KeyPress(wchar_t& Key) {
  if (Key == L'.' || Key == L',') Key = FormatSettings.DecimalSeparator;
  WORD type = 0;
  GetStringTypeW(CT_CTYPE1, &Key, 1, &type);
  if (Key != 0 && (type & C1_CNTRL) == 0 && !IsCharAcceptable(Key)) {
    Key = 0;
    if (ActiveProperties()->BeepOnError()) MessageBeep(0);
    return;
  }
  TvxCustomPopupEdit::KeyPress(Key);
}

void TvxCustomCalcEdit::DoEnter() {
  TvxCustomPopupEdit::DoEnter();
  DataBinding()->UpdateDisplayValue();
}

void TvxCustomCalcEdit::DoExit() {
  TvxCustomPopupEdit::DoExit();
  DataBinding()->UpdateDisplayValue();
}

void TvxCalcEdit::DeclarePublished(TPublisher<TvxCalcEdit>& P) {
  vxDeclareTextEditPublished<TvxCalcEdit, TvxCalcEditProperties>(P);
  using C = TvxCalcEdit;
  P.Property(L"EditValue", [](C* E) { return E->EditValue(); }, [](C* E, const Variant& V) { E->SetEditValue(V); })
      .Stored([](C* E) { return E->EditValueIsStored(); });
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"Value", [](C* E) { return static_cast<double>(E->Value()); }, [](C* E, double V) { E->SetValue(V); })
      .Stored(false);
}

// --- Filter helper -------------------------------------------------------------------------------------

TvxFilterControlOperators TvxFilterCalcEditHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                               TvxValueTypeClass,
                                                                               bool AExtendedSet) const {
  return vxNumberFilterOperators(AExtendedSet);
}

void TvxFilterCalcEditHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                   TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  TvxFilterMaskEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  if (auto* p = dynamic_cast<TvxCustomCalcEditProperties*>(AProperties)) p->SetQuickClose(true);
}

// --- Unit -------------------------------------------------------------------------------------------------

namespace {
void InitCalc() {
  RegisterClass(TvxCalcEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxCalcEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryCalcItem));
  GetFilterEditsController()->Register(TvxCalcEditProperties::StaticClass(), TvxFilterCalcEditHelper::Class());
}
void FinCalc() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxCalcEditProperties::StaticClass(), TvxFilterCalcEditHelper::Class());
  UnRegisterClass(TvxCalcEdit::StaticClass());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxCalcEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxCalcUnit = {L"vxCalc", InitCalc, FinCalc};
