#include "vxSpinEdit.h"

#include <cmath>
#include <limits>

#include "Clipbrd.h"
#include "Streaming.h"
#include "vdCore.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxClasses.h"
#include "vxControls.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"

namespace {
constexpr double FloatLimit = 1.7e308;
constexpr Int64 IntMin = std::numeric_limits<Int64>::min();
constexpr Int64 IntMax = std::numeric_limits<Int64>::max();

// A - B, held at the type's limits instead of wrapping around.
Int64 SaturatedSub(Int64 A, Int64 B) {
  Int64 r;
  if (__builtin_sub_overflow(A, B, &r)) return B > 0 ? IntMin : IntMax;
  return r;
}

// Exact arithmetic on values known to land within the type, done in unsigned 64 bits so
// that intermediate differences up to 2^64 - 1 do not overflow (no 128-bit type on the
// 32-bit target).
using UInt64 = unsigned long long;
Int64 FromUnsigned(UInt64 V) { return static_cast<Int64>(V); }

double SaturateToFloat(double V) {
  if (V < -FloatLimit) return -FloatLimit;
  if (V > FloatLimit) return FloatLimit;
  return V;
}

bool IsForward(TvxSpinEditButton B) { return B == sebForward || B == sebFastForward; }
}  // namespace

// --- Spin buttons -----------------------------------------------------------------------------

void TvxSpinEditButtons::Changed() {
  if (auto* p = dynamic_cast<TvxCustomEditProperties*>(FOwner)) p->Changed();
}

void TvxSpinEditButtons::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxSpinEditButtons*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  auto* owner = dynamic_cast<TvxCustomEditProperties*>(FOwner);
  if (owner) owner->BeginUpdate();
  TScopeExit end([owner] {
    if (owner) owner->EndUpdate(true);
  });
  SetPosition(src->FPosition);
  SetShowFastButtons(src->FShowFastButtons);
  SetVisible(src->FVisible);
}

void TvxSpinEditButtons::DeclarePublished(TPublisher<TvxSpinEditButtons>& P) {
  using C = TvxSpinEditButtons;
  P.Property(L"Position", &C::Position, &C::SetPosition).Default(sbpVert);
  P.Property(L"ShowFastButtons", &C::ShowFastButtons, &C::SetShowFastButtons).Default(false);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
}

// --- Assigned values --------------------------------------------------------------------------

void TvxSpinEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxTextEditPropertiesValues::Assign(Source);
  if (auto* src = dynamic_cast<TvxSpinEditPropertiesValues*>(Source)) SetValueType(src->FValueType);
}

void TvxSpinEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxTextEditPropertiesValues::RestoreDefaults();
  SetValueType(false);
}

void TvxSpinEditPropertiesValues::SetValueType(bool Value) {
  if (FValueType == Value) return;
  FValueType = Value;
  if (FOwner) FOwner->Changed();
}

// --- Properties -------------------------------------------------------------------------------

TvxEditPropertiesParts TvxCustomSpinEditProperties::SpinParts() {
  TvxEditPropertiesParts parts = Parts();
  parts.AssignedValuesClass = TvxSpinEditPropertiesValues::StaticClass();
  return parts;
}

TvxCustomSpinEditProperties::TvxCustomSpinEditProperties(TPersistent* AOwner)
    : TvxCustomMaskEditProperties(AOwner, SpinParts()) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(false); });
  Buttons()->Add();
  Buttons()->Add();
  FSpinButtons = std::make_unique<TvxSpinEditButtons>(this);
}

TvxCustomSpinEditProperties::~TvxCustomSpinEditProperties() { FSpinButtons.reset(); }

TvxSpinEditValueType TvxCustomSpinEditProperties::ValueType() {
  if (Values()->ValueType()) return FValueType;
  if (IvxEditDefaultValuesProvider* p = IDefaultValuesProvider()) return p->DefaultIsFloatValue() ? vtFloat : vtInt;
  return vtFloat;
}

void TvxCustomSpinEditProperties::SetValueType(TvxSpinEditValueType Value) {
  if (Values()->ValueType() && FValueType == Value) return;
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  FValueType = Value;
  Values()->SetValueType(true);
  Changed();
}

void TvxCustomSpinEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomSpinEditProperties*>(Source);
  if (!src) {
    TvxCustomMaskEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(true); });
  SetIDefaultValuesProvider(src->IDefaultValuesProvider());
  Values()->SetValueType(false);
  if (src->Values()->ValueType()) SetValueType(src->ValueType());
  TvxCustomMaskEditProperties::Assign(Source);
  FCanEdit = src->FCanEdit;
  SetCircular(src->FCircular);
  FExceptionOnInvalidInput = src->FExceptionOnInvalidInput;
  FIncrement = src->FIncrement;
  FLargeIncrement = src->FLargeIncrement;
  FSpinButtons->Assign(src->FSpinButtons.get());
  FUseCtrlIncrement = src->FUseCtrlIncrement;
  OnGetValue = src->OnGetValue;
}

void TvxCustomSpinEditProperties::DefineProperties(TFiler* Filer) {
  TvxCustomMaskEditProperties::DefineProperties(Filer);
  auto* ancestor = dynamic_cast<TvxCustomSpinEditProperties*>(Filer->Ancestor());
  Filer->DefineProperty(
      L"ZeroIncrement",
      [this](TReader* R) {
        R->ReadBoolean();
        FIncrement = 0;
      },
      [](TWriter* W) { W->WriteBoolean(true); },
      FIncrement == 0 && (!ancestor || ancestor->FIncrement != FIncrement));
  Filer->DefineProperty(
      L"ZeroLargeIncrement",
      [this](TReader* R) {
        R->ReadBoolean();
        FLargeIncrement = 0;
      },
      [](TWriter* W) { W->WriteBoolean(true); },
      FLargeIncrement == 0 && (!ancestor || ancestor->FLargeIncrement != FLargeIncrement));
}

void TvxCustomSpinEditProperties::FirePropertiesChanged() {
  if (FSpinButtons) {
    const Integer wanted = !FSpinButtons->Visible() ? 0 : FSpinButtons->ShowFastButtons() ? 4 : 2;
    if (Buttons()->Count() != wanted) {
      BeginUpdate();
      TScopeExit end([this] { EndUpdate(false); });
      while (Buttons()->Count() < wanted) Buttons()->Add();
      while (Buttons()->Count() > wanted) delete Buttons()->Items(0);
    }
  }
  TvxCustomMaskEditProperties::FirePropertiesChanged();
}

TvxCustomEditViewData* TvxCustomSpinEditProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* result = new TvxSpinEditViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomSpinEditProperties::CreateViewInfo() { return new TvxSpinEditViewInfo(); }

Integer TvxCustomSpinEditProperties::GetStepLimitMode() {
  if (FCircular) return 2;
  return CanClampValue() ? 1 : 0;
}

void TvxCustomSpinEditProperties::GetEffectiveMaxValue(Variant& V) {
  V = IsValueBoundDefined(true) ? FitToValueType(MaxValue()) : GetValueTypeLimit(false);
  V = ConvertToValueType(V);
}

void TvxCustomSpinEditProperties::GetEffectiveMinValue(Variant& V) {
  V = IsValueBoundDefined(false) ? FitToValueType(MinValue()) : GetValueTypeLimit(true);
  V = ConvertToValueType(V);
}

void TvxCustomSpinEditProperties::PrepareSpinValue(const Variant& V, Variant& R) {
  R = VarIsNull(V) || VarIsEmpty(V) ? Variant(0) : V;
  R = ConvertToValueType(R);
}

double TvxCustomSpinEditProperties::GetIncrement(TvxSpinEditButton AButton) {
  switch (AButton) {
    case sebBackward: return -FIncrement;
    case sebForward: return FIncrement;
    case sebFastBackward: return -FLargeIncrement;
    case sebFastForward: return FLargeIncrement;
  }
  throw EvdException(L"TvxCustomSpinEditProperties.GetIncrement fails");
}

void TvxCustomSpinEditProperties::ClampValue(const Variant& V, Variant& R) {
  R = V;
  if (!VarIsNumeric(R)) return;
  if (IsValueBoundDefined(false) && R.AsDouble() < MinValue())
    R = MinValue();
  else if (IsValueBoundDefined(true) && R.AsDouble() > MaxValue())
    R = MaxValue();
}

bool TvxCustomSpinEditProperties::TextToSpinValue(const String& AText, Variant& V) {
  V = Null();
  if (ValueType() == vtFloat) {
    Extended x;
    if (!TextToFloat(AText, x) || !(x >= -FloatLimit && x <= FloatLimit)) return false;
    V = static_cast<double>(x);
    return true;
  }
  Int64 i;
  if (!TryStrToInt64(AText, i)) return false;
  V = static_cast<long long>(i);
  return true;
}

Variant TvxCustomSpinEditProperties::ConvertToValueType(const Variant& V) {
  if (!VarIsNumeric(V)) return V;
  if (ValueType() == vtFloat) return V.AsDouble();
  if (VarIsFloat(V)) return FitToValueType(V.AsDouble());
  return static_cast<long long>(V.AsInt64());
}

Variant TvxCustomSpinEditProperties::FitToValueType(double X) {
  if (ValueType() == vtFloat) return X;
  if (std::isnan(X)) return static_cast<long long>(0);
  // Out of range saturates at the nearer end, so a huge step never changes its sign.
  if (X >= 9223372036854775808.0) return static_cast<long long>(IntMax);
  if (X < -9223372036854775808.0) return static_cast<long long>(IntMin);
  return static_cast<long long>(std::nearbyint(X));
}

Variant TvxCustomSpinEditProperties::GetValueTypeLimit(bool AMin) {
  if (ValueType() == vtFloat) return AMin ? -FloatLimit : FloatLimit;
  return static_cast<long long>(AMin ? IntMin : IntMax);
}

bool TvxCustomSpinEditProperties::IsEditValueValid(Variant& EditValue, bool) {
  try {
    if (VarIsStr(EditValue) || VarIsNumeric(EditValue)) {
      Variant v;
      if (!TextToSpinValue(VarToStr(EditValue), v)) return false;
      EditValue = v;
    } else if (!VarIsNull(EditValue) && !VarIsEmpty(EditValue) && VarType(EditValue) != varDate) {
      return false;
    }
    Variant r;
    PrepareSpinValue(EditValue, r);
    EditValue = ConvertToValueType(r);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TvxCustomSpinEditProperties::IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused) {
  if (!TvxCustomMaskEditProperties::IsDisplayValueValid(ADisplayValue, AEditFocused)) return false;
  if (!ValidatesNumericText()) return true;
  const String text = Trim(VarToStr(ADisplayValue));
  if (text.empty()) return true;
  try {
    Variant v;
    if (!TextToSpinValue(text, v)) return false;
    Variant lo, hi;
    GetEffectiveMinValue(lo);
    GetEffectiveMaxValue(hi);
    if (v < lo || v > hi) ADisplayValue = VarToStr(v);
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

void TvxCustomSpinEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       TvxCustomEdit* AEdit) {
  auto* edit = dynamic_cast<TvxCustomSpinEdit*>(AEdit);
  Variant v;
  if (edit && edit->IsCustomText())
    AError = !edit->ParseSpinText(ADisplayValue, false, AErrorText, v);
  else if (edit)
    v = edit->InternalValue();
  if (!AError) {
    if (VarIsNull(v) || VarIsEmpty(v)) {
      Variant d;
      ClampValue(0, d);
      v = ConvertToValueType(d);
    }
    Variant lo, hi;
    GetEffectiveMinValue(lo);
    GetEffectiveMaxValue(hi);
    const bool below = VarIsNumeric(v) && v < lo, above = VarIsNumeric(v) && v > hi;
    if (!FExceptionOnInvalidInput) {
      if (below) v = lo;
      if (above) v = hi;
    }
    ADisplayValue = VarToStr(v);
    if (FExceptionOnInvalidInput && (below || above)) {
      AError = true;
      AErrorText = vxGetResString(&vxSEditValueOutOfBounds);
    }
  }
  DoValidate(ADisplayValue, AErrorText, AError, AEdit);
}

TvxDataEditValueSource TvxCustomSpinEditProperties::GetEditValueSource(bool AEditFocused) {
  return AEditFocused || Values()->DisplayFormat() ? evsValue : evsText;
}

void TvxCustomSpinEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool AEditFocused) {
  if (AEditFocused && VarIsOrdinal(AEditValue) && EditFormat().empty()) {
    DisplayValue = IntToStr(AEditValue.AsInt64());
    return;
  }
  TvxCustomMaskEditProperties::PrepareDisplayValue(AEditValue, DisplayValue, AEditFocused);
}

void TvxCustomSpinEditProperties::GetInvalidEditValueDisplayValue(Variant& Value) {
  Variant v;
  ClampValue(0, v);
  PrepareDisplayValue(ConvertToValueType(v), Value, true);
}

// --- View data --------------------------------------------------------------------------------

bool TvxSpinEditViewData::IsButtonPressable(TvxCustomEditViewInfo*, Integer) {
  return !Edit || static_cast<TvxCustomSpinEdit*>(Edit)->PressedState() == epsNone;
}

bool TvxSpinEditViewData::IsButtonPressed(TvxCustomEditViewInfo*, Integer AButtonVisibleIndex) {
  return AButtonVisibleIndex + 1 == static_cast<Integer>(PressedState);
}

bool TvxSpinEditViewData::IgnoreButtonWhileStretching(Integer AButtonVisibleIndex) {
  return SpinProperties()->SpinButtons()->Position() == sbpVert && AButtonVisibleIndex == 0;
}

void TvxSpinEditViewData::CalculateButtonViewInfo(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo,
                                                  TRect& ButtonsRect, Integer AButtonVisibleIndex) {
  TvxCustomTextEditViewData::CalculateButtonViewInfo(ACanvas, AViewInfo, ButtonsRect, AButtonVisibleIndex);
  if (SpinProperties()->SpinButtons()->Position() == sbpHorzLeftRight &&
      (AButtonVisibleIndex == sebBackward || AButtonVisibleIndex == sebFastBackward))
    AViewInfo->Buttons(AButtonVisibleIndex)->Data.LeftAlignment = true;
}

void TvxSpinEditViewData::CalculateButtonBounds(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo, TRect& R,
                                                Integer AButtonVisibleIndex) {
  if (AButtonVisibleIndex != AViewInfo->ButtonCount() - 1) return;
  auto* vi = static_cast<TvxSpinEditViewInfo*>(AViewInfo);
  TvxSpinEditButtons* sb = SpinProperties()->SpinButtons();
  const bool fast = AViewInfo->ButtonCount() == 4;
  ACanvas->SetFont(Style()->GetVisibleFont());
  const Integer wv = CalculateEditButtonWidth(ACanvas, AViewInfo->Buttons(AViewInfo->ButtonCount() - 1));
  vi->ArrowSize = CalculateArrowSize(TSize{wv + 2, (R.bottom - R.top) / 2 + 2}, adUp).cy;
  vi->ButtonsPosition = sb->Position();
  const Integer wh = 4 * vi->ArrowSize - 3;
  const Integer wf = MulDiv(wh, 3, 2);
  auto placeRight = [&](Integer AIndex, Integer AWidth, Integer ATop, Integer ABottom) {
    AViewInfo->Buttons(AIndex)->Bounds = TRect{R.right - AWidth, ATop, R.right, ABottom};
    R.right -= AWidth;
  };
  auto placeLeft = [&](Integer AIndex, Integer AWidth, Integer ATop, Integer ABottom) {
    AViewInfo->Buttons(AIndex)->Bounds = TRect{R.left, ATop, R.left + AWidth, ABottom};
    R.left += AWidth;
  };
  if (fast) placeRight(sebFastForward, wf, R.top, R.bottom);
  if (sb->Position() == sbpVert) {
    const Integer mid = R.top + (R.bottom - R.top) / 2;
    AViewInfo->Buttons(sebForward)->Bounds = TRect{R.right - wv, R.top, R.right, mid};
    AViewInfo->Buttons(sebBackward)->Bounds = TRect{R.right - wv, mid, R.right, R.bottom};
    R.right -= wv;
    if (fast) placeRight(sebFastBackward, wf, R.top, R.bottom);
  } else {
    placeRight(sebForward, wh, R.top, R.bottom);
    if (sb->Position() == sbpHorzRight) {
      placeRight(sebBackward, wh, R.top, R.bottom);
      if (fast) placeRight(sebFastBackward, wf, R.top, R.bottom);
    } else {
      if (fast) placeLeft(sebFastBackward, wf, R.top, R.bottom);
      placeLeft(sebBackward, wh, R.top, R.bottom);
    }
  }
  for (auto& b : AViewInfo->ButtonsInfo) b->Data.NativePart = 0;
}

void TvxSpinEditViewData::CheckButtonsOnly(TvxCustomEditViewInfo* AViewInfo, Integer APrevButtonsWidth,
                                           Integer AButtonsWidth) {
  TvxCustomTextEditViewData::CheckButtonsOnly(AViewInfo, APrevButtonsWidth, AButtonsWidth);
  if (AViewInfo->ButtonCount() < 2) return;
  if (SpinProperties()->SpinButtons()->Position() == sbpVert) {
    TRect& back = AViewInfo->Buttons(sebBackward)->Bounds;
    const TRect& fwd = AViewInfo->Buttons(sebForward)->Bounds;
    back.left = fwd.left;
    back.right = fwd.right;
  }
  for (auto& b : AViewInfo->ButtonsInfo) ::IntersectRect(&b->VisibleBounds, &b->Bounds, &AViewInfo->BorderRect);
}

namespace {

// The spin theme's part of a button: up and down arrows for vertical buttons, right and
// left arrows otherwise; the fast buttons always point sideways.
Integer SpinThemePart(TvxSpinEditButton AButton, TvxSpinEditButtonsPosition APosition) {
  const bool vert = APosition == sbpVert;
  switch (AButton) {
    case sebBackward: return vert ? 2 : 4;   // SPNP_DOWN, SPNP_DOWNHORZ
    case sebForward: return vert ? 1 : 3;    // SPNP_UP, SPNP_UPHORZ
    case sebFastBackward: return 4;
    default: return 3;
  }
}

}  // namespace

void TvxSpinEditViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button,
                                    TShiftState Shift, TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TvxCustomTextEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* vi = static_cast<TvxSpinEditViewInfo*>(AViewInfo);
  HTHEME theme = NativeStyle ? vdOpenThemeByType(totSpin) : nullptr;
  static constexpr Integer CStates[] = {4, 1, 3, 2};  // disabled, normal, pressed, hot
  for (Integer i = 0; i < vi->ButtonCount(); ++i) {
    TvxEditButtonViewInfo* b = vi->Buttons(i);
    b->Data.NativePart = theme && i <= sebFastForward
                             ? SpinThemePart(static_cast<TvxSpinEditButton>(i), vi->ButtonsPosition)
                             : 0;
    b->Data.NativeState = b->Data.NativePart ? CStates[b->Data.State] : 0;
    b->Data.BackgroundPartiallyTransparent =
        b->Data.NativePart &&
        vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, b->Data.NativePart, b->Data.NativeState) != FALSE;
  }
  // Two themed buttons side by side (or one above the other) are parted by a line.
  vi->DelimiterLine[0] = vi->DelimiterLine[1] = TPoint{};
  if (theme && vi->ButtonCount() >= 2 && vi->ButtonsPosition != sbpHorzLeftRight) {
    const TRect& back = vi->Buttons(sebBackward)->Bounds;
    const TRect& fwd = vi->Buttons(sebForward)->Bounds;
    if (vi->ButtonsPosition == sbpHorzRight) {
      vi->DelimiterLine[0] = TPoint{back.right, back.top};
      vi->DelimiterLine[1] = TPoint{back.right, back.bottom - 1};
    } else {
      vi->DelimiterLine[0] = TPoint{fwd.left, fwd.bottom};
      vi->DelimiterLine[1] = TPoint{fwd.right - 1, fwd.bottom};
    }
  }
}

// --- View info --------------------------------------------------------------------------------

TRect TvxSpinEditViewInfo::GetPartRect(Integer APart) { return APart == -2 ? TRect{} : BorderRect; }

void TvxSpinEditViewInfo::PaintContent(TvxCanvas* ACanvas) {
  TvxCustomTextEditViewInfo::PaintContent(ACanvas);
  if (ButtonCount() == 0 || Buttons(0)->Data.NativePart == 0 || ButtonsPosition == sbpHorzLeftRight) return;
  ACanvas->SaveClipRegion();
  TScopeExit restore([ACanvas] { ACanvas->RestoreClipRegion(); });
  ACanvas->IntersectClipRect(BorderRect);
  DrawEditPolyline(ACanvas, {DelimiterLine[0], DelimiterLine[1]}, BackgroundColor(), false);
}

// A themed spin button has no border of its own: its theme part carries the arrow.
void TvxSpinEditViewInfo::DrawThemedButtonBorder(TvxCanvas*, TvxEditButtonViewInfo*, TRect& AContentRect, TRect&) {
  AContentRect = TRect{};
}

void TvxSpinEditViewInfo::DrawNativeButtonBackground(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B,
                                                     const TRect& ARect) {
  HTHEME theme = vdOpenThemeByType(totSpin);
  if (!theme) {
    TvxCustomTextEditViewInfo::DrawNativeButtonBackground(ACanvas, B, ARect);
    return;
  }
  if (B->Data.BackgroundPartiallyTransparent) FillRectWithColor(ACanvas, ARect, BackgroundColor());
  RECT r = ARect;
  vdUxTheme::DrawThemeBackground(theme, ACanvas->Handle(), B->Data.NativePart, B->Data.NativeState, &r, nullptr);
}

void TvxSpinEditViewInfo::DrawButtonContent(TvxCanvas* ACanvas, Integer AButtonVisibleIndex, bool ANeedOffsetContent,
                                            TColor, TColor APenColor, const TRect& AContentRect) {
  const auto b = static_cast<TvxSpinEditButton>(AButtonVisibleIndex);
  TvxArrowDirection dir;
  if (ButtonsPosition == sbpVert)
    dir = b == sebBackward ? adDown : b == sebForward ? adUp : b == sebFastBackward ? adLeft : adRight;
  else
    dir = IsForward(b) ? adRight : adLeft;
  const bool isDouble = b == sebFastBackward || b == sebFastForward;
  if (Buttons(AButtonVisibleIndex)->Data.State == ebsDisabled) {
    TRect r = AContentRect;
    ::OffsetRect(&r, 1, 1);
    DrawEditArrow(ACanvas, ArrowSize, r, clBtnHighlight, ANeedOffsetContent, isDouble, dir);
    DrawEditArrow(ACanvas, ArrowSize, AContentRect, clBtnShadow, ANeedOffsetContent, isDouble, dir);
  } else {
    DrawEditArrow(ACanvas, ArrowSize, AContentRect, APenColor, ANeedOffsetContent, isDouble, dir);
  }
}

// --- Control ----------------------------------------------------------------------------------

TvxCustomSpinEdit::TvxCustomSpinEdit(TComponent* AOwner, bool AIsInplace) : TvxCustomMaskEdit(AOwner, AIsInplace) {}

TvxCustomSpinEdit::~TvxCustomSpinEdit() { FTimer.reset(); }

std::unique_ptr<TvxCustomEditProperties> TvxCustomSpinEdit::CreateProperties() {
  return std::make_unique<TvxCustomSpinEditProperties>(this);
}

std::unique_ptr<TvxCustomEditProperties> TvxSpinEdit::CreateProperties() {
  return std::make_unique<TvxSpinEditProperties>(this);
}

void TvxCustomSpinEdit::Initialize() {
  TvxCustomMaskEdit::Initialize();
  AssignInternalEditValue(0);
  FPressedState = epsNone;
}

Cardinal TvxCustomSpinEdit::SpinInterval() const { return FTimer ? FTimer->Interval() : 0; }

Variant TvxCustomSpinEdit::DefaultValue() {
  Variant v;
  ActiveProperties()->ClampValue(0, v);
  return ActiveProperties()->ConvertToValueType(v);
}

void TvxCustomSpinEdit::SetInternalValue(const Variant& V) {
  FInternalValue = VarIsNumeric(V) ? ActiveProperties()->ConvertToValueType(V) : V;
}

double TvxCustomSpinEdit::GetIncrementValue(TvxSpinEditButton AButton) {
  return ActiveProperties()->FitToValueType(ActiveProperties()->GetIncrement(AButton)).AsDouble();
}

bool TvxCustomSpinEdit::ParseSpinText(const Variant& ADisplayValue, bool ARaiseOnError, String& AErrorText,
                                      Variant& V) {
  TvxCustomSpinEditProperties* p = ActiveProperties();
  AErrorText.clear();
  const String s = VarToStr(ADisplayValue);
  if (s.empty()) {
    IvxEditDefaultValuesProvider* provider = p->IDefaultValuesProvider();
    if (provider && provider->DefaultRequired())
      p->ClampValue(0, V);
    else
      V = Null();
    V = p->ConvertToValueType(V);
    return true;
  }
  bool error = !p->TextToSpinValue(s, V);
  if (error && (Properties()->OnGetValue || p->OnGetValue)) {
    try {
      if (Properties()->OnGetValue) Properties()->OnGetValue(this, s, V, AErrorText, error);
      if (RepositoryItem() && p->OnGetValue) p->OnGetValue(this, s, V, AErrorText, error);
    } catch (const Exception& E) {
      if (ARaiseOnError) throw;
      AErrorText = E.Message();
      return false;
    }
  }
  if (error) {
    if (AErrorText.empty()) AErrorText = vxGetResString(&vxSSpinEditInvalidNumericValue);
    if (!p->ExceptionOnInvalidInput()) AErrorText.clear();
    if (ARaiseOnError && p->ExceptionOnInvalidInput()) throw EvxEditError(AErrorText);
    V = FInternalValue;
  }
  V = p->ConvertToValueType(V);
  return !error;
}

void TvxCustomSpinEdit::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  String error;
  ParseSpinText(ADisplayValue, true, error, AEditValue);
}

Variant TvxCustomSpinEdit::GetValue() {
  TvxCustomSpinEditProperties* p = ActiveProperties();
  Variant v;
  if (Focused()) {
    if (FIsCustomText)
      PrepareEditValue(InternalGetText(), v, true);
    else
      v = FInternalValue;
    if (!VarIsNumeric(v)) v = DefaultValue();
  } else {
    const Variant e = EditValue();
    if (VarIsNumeric(e))
      v = e;
    else if (VarIsStr(e) && !VarToStr(e).empty()) {
      if (!p->TextToSpinValue(VarToStr(e), v)) v = DefaultValue();
    } else
      v = DefaultValue();
  }
  return p->ConvertToValueType(v);
}

String TvxCustomSpinEdit::ValueToDisplayText(const Variant& AValue) {
  Variant d;
  ActiveProperties()->PrepareDisplayValue(AValue, d, InternalFocused());
  return VarToStr(d);
}

void TvxCustomSpinEdit::SetValue(const Variant& AValue) {
  if (!VarIsNumeric(AValue)) return;
  Variant v = AValue;
  if (ActiveProperties()->IsEditValueValid(v, InternalFocused())) AssignInternalEditValue(v);
}

bool TvxCustomSpinEdit::GetNewValue(TvxSpinEditButton AButton, Variant& V) {
  TvxCustomSpinEditProperties* p = ActiveProperties();
  const Integer mode = p->GetStepLimitMode();
  const Variant v = GetValue();
  Variant lo, hi;
  p->GetEffectiveMinValue(lo);
  p->GetEffectiveMaxValue(hi);
  if (v < lo) {
    if (IsForward(AButton)) V = lo;
    else if (mode == 2) V = hi;
    else return false;
    V = p->ConvertToValueType(V);
    return true;
  }
  if (v > hi) {
    if (!IsForward(AButton)) V = hi;
    else if (mode == 2) V = lo;
    else return false;
    V = p->ConvertToValueType(V);
    return true;
  }
  const double step = GetIncrementValue(AButton);
  if (p->ValueType() == vtInt) {
    const Int64 d = p->FitToValueType(step).AsInt64();
    const Int64 x = v.AsInt64(), mn = lo.AsInt64(), mx = hi.AsInt64();
    const Int64 l = SaturatedSub(mn, d), u = SaturatedSub(mx, d);
    if (l <= x && x <= u) {
      V = static_cast<long long>(FromUnsigned(UInt64(x) + UInt64(d)));
    } else if (mode == 0) {
      return false;
    } else if (mode == 1) {
      V = static_cast<long long>(x < l ? mn : mx);
    } else {
      // The overshoot goes around the range, the wrap itself counting one unit; taken
      // modulo the cycle so that a step longer than the range still lands inside it. A
      // cycle of 0 stands for the whole type (2^64 values), where nothing is cut.
      const UInt64 cycle = UInt64(mx) - UInt64(mn) + 1;
      const UInt64 over = x < l ? UInt64(l) - UInt64(x) - 1 : UInt64(x) - UInt64(u) - 1;
      const UInt64 r = cycle != 0 ? over % cycle : over;
      V = static_cast<long long>(x < l ? FromUnsigned(UInt64(mx) - r) : FromUnsigned(UInt64(mn) + r));
    }
  } else {
    const double d = step, x = v.AsDouble(), mn = lo.AsDouble(), mx = hi.AsDouble();
    const double l = SaturateToFloat(mn - d), u = SaturateToFloat(mx - d);
    if (l <= x && x <= u) {
      V = x + d;
    } else if (mode == 0) {
      return false;
    } else if (mode == 1) {
      V = x < l ? mn : mx;
    } else {
      // A continuous range has no unit to count for the wrap: the overshoot is carried
      // around the span, which keeps the value within the bounds.
      const double span = mx - mn;
      if (span <= 0)
        V = mn;
      else
        V = x < l ? mx - std::fmod(l - x, span) : mn + std::fmod(x - u, span);
    }
  }
  V = p->ConvertToValueType(V);
  return true;
}

bool TvxCustomSpinEdit::Increment(TvxSpinEditButton AButton) {
  auto lock = vxLockChangeEvents(this);
  Variant v;
  if (!DoEditing() || !GetNewValue(AButton, v)) return false;
  const String old = InternalGetText();
  const String text = ValueToDisplayText(v);
  const Integer selStart = SelStart(), selLength = SelLength();
  SetInternalValue(v);
  {
    TValueScope<bool> action(FKeyboardAction, true);
    SetInternalDisplayValue(text);
  }
  const bool result = InternalGetText() != old;
  if (result) {
    SetModifiedAfterEnter(true);
    if (ActiveProperties()->KeepsSelection())
      SetSelection(selStart, selLength);
    else
      SetSelection(static_cast<Integer>(InternalGetText().size()), 0);
    if (ActiveProperties()->ImmediatePost() && CanPostEditValue() && ValidateEdit(true)) {
      InternalPostEditValue(false);
      SynchronizeDisplayValue();
    }
  }
  return result;
}

bool TvxCustomSpinEdit::IsValidChar(wchar_t AChar) {
  TvxCustomSpinEditProperties* p = ActiveProperties();
  if (p->CanEdit() && (Properties()->OnGetValue || p->OnGetValue)) return true;
  bool valid;
  if (p->ValueType() == vtFloat)
    valid = vxIsNumericEditChar(AChar, 2);
  else
    valid = vxIsNumericEditChar(AChar, 0) || AChar == L'e' || AChar == L'E';
  valid = valid || AChar < 32 || p->ValidChars().test(AChar & 0xFF);
  if (!p->CanEdit()) valid = AChar < 32 && AChar != 8;
  return valid;
}

void TvxCustomSpinEdit::ProcessKeyDown(Word& Key, TShiftState Shift) {
  FIsCustomTextAction = false;
  TvxCustomSpinEditProperties* p = ActiveProperties();
  const bool stepKey = (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT) &&
                       (!p->UseCtrlIncrement() || Shift.Contains(ssCtrl));
  if (stepKey) {
    if (!DataBinding()->Modified() && !DoEditing()) return;
    const TvxSpinEditButton b = Key == VK_UP     ? sebForward
                                : Key == VK_DOWN ? sebBackward
                                : Key == VK_PRIOR ? sebFastForward
                                                  : sebFastBackward;
    SetPressedState(static_cast<TvxSpinEditPressedState>(b + 1));
    if (HWND capture = GetCapture(); capture && IsChildWindow(capture)) ReleaseCapture();
    Increment(b);
    Key = 0;
  } else {
    StopSpinning();
    if (Key != VK_ESCAPE) FIsCustomTextAction = true;
    if (!p->CanEdit() && CanKeyDownModifyEdit(Key, Shift)) {
      DoAfterKeyDown(Key, Shift);
      Key = 0;
    }
  }
  if (Key != 0) TvxCustomMaskEdit::ProcessKeyDown(Key, Shift);
}

void TvxCustomSpinEdit::ProcessKeyPress(wchar_t& Key) {
  if (Key == L'.' || Key == L',') Key = FormatSettings.DecimalSeparator;
  if (vxIsNonControlChar(Key) || Key == 8 || Key == L'.') {
    if (IsValidChar(Key)) {
      FIsCustomTextAction = true;
    } else {
      Key = 0;
      MessageBeep(0);
    }
  }
  if (Key != 0) TvxCustomMaskEdit::ProcessKeyPress(Key);
}

void TvxCustomSpinEdit::ProcessKeyUp(Word& Key, TShiftState Shift) {
  FIsCustomTextAction = false;
  TvxCustomMaskEdit::ProcessKeyUp(Key, Shift);
  if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT) StopSpinning();
}

void TvxCustomSpinEdit::ChangeHandler(TObject* Sender) {
  FIsCustomText = FIsCustomTextAction;
  TvxCustomMaskEdit::ChangeHandler(Sender);
  FIsCustomTextAction = false;
}

void TvxCustomSpinEdit::CutToClipboard() {
  if (Focused() && !ActiveProperties()->CanEdit()) return;
  TValueScope<bool> action(FIsCustomTextAction, true);
  TvxCustomMaskEdit::CutToClipboard();
}

void TvxCustomSpinEdit::PasteFromClipboard() {
  if (Focused() && !ActiveProperties()->CanEdit()) return;
  TValueScope<bool> action(FIsCustomTextAction, true);
  TvxCustomMaskEdit::PasteFromClipboard();
}

void TvxCustomSpinEdit::ClearSelection() {
  if (Focused() && !ActiveProperties()->CanEdit()) return;
  TValueScope<bool> action(FIsCustomTextAction, true);
  TvxCustomTextEdit::ClearSelection();
}

void TvxCustomSpinEdit::DoButtonDown(Integer AButtonVisibleIndex) {
  TvxCustomMaskEdit::DoButtonDown(AButtonVisibleIndex);
  if (GetCaptureControl() != this) ShortRefreshContainer(false);
  if (FPressedState != epsNone) return;
  const Integer pressed = ViewInfo()->PressedButton;
  if (pressed == -1) return;
  Increment(static_cast<TvxSpinEditButton>(pressed));
  StartSpinTimer();
}

void TvxCustomSpinEdit::StartSpinTimer() {
  if (ActiveProperties()->ReadOnly() || !DataBinding()->IsDataAvailable()) return;
  FTimer.reset();
  FTimer = std::make_unique<TvxTimer>(nullptr);
  FTimer->SetInterval(400);
  FTimer->SetOnTimer([this](TObject* Sender) { SpinTimerHandler(Sender); });
  FTimer->SetEnabled(true);
}

void TvxCustomSpinEdit::SpinTimerHandler(TObject*) {
  if (FTimer && FTimer->Interval() == 400) FTimer->SetInterval(100);
  const Integer pressed = ViewInfo()->PressedButton;
  if (pressed != -1) Increment(static_cast<TvxSpinEditButton>(pressed));
}

void TvxCustomSpinEdit::StopSpinning() {
  FTimer.reset();
  if (ViewInfo() && ViewInfo()->ButtonCount() > 0)
    for (Integer i = 0; i < std::min<Integer>(2, ViewInfo()->ButtonCount()); ++i)
      if (ViewInfo()->Buttons(i)->Data.State == ebsPressed) ViewInfo()->Buttons(i)->Data.State = ebsNormal;
  SetPressedState(epsNone);
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
}

void TvxCustomSpinEdit::SetPressedState(TvxSpinEditPressedState S) {
  if (!ViewInfo() || ViewInfo()->ButtonCount() == 0 || S == FPressedState) return;
  FPressedState = S;
  CalculateViewInfoAtCursor();
  if (HandleAllocated())
    for (auto& b : ViewInfo()->ButtonsInfo) {
      RECT r = b->Bounds;
      ::InvalidateRect(Handle(), &r, FALSE);
    }
}

void TvxCustomSpinEdit::FillViewDataState(TvxCustomEditViewData* AViewData) {
  TvxCustomMaskEdit::FillViewDataState(AViewData);
  if (auto* vd = dynamic_cast<TvxSpinEditViewData*>(AViewData)) vd->PressedState = FPressedState;
}

bool TvxCustomSpinEdit::RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift,
                                          bool AIsMouseEvent) {
  const bool r = TvxCustomMaskEdit::RefreshViewInfoAt(P, AButton, AShift, AIsMouseEvent);
  if (FTimer && ViewInfo()->ButtonCount() > 0 && ViewInfo()->PressedButton == -1 &&
      CaptureButtonVisibleIndex() == -1)
    StopSpinning();
  return r;
}

TvxContainerStyleValues TvxCustomSpinEdit::GetNotPublishedStyleValues() {
  TvxContainerStyleValues r = TvxCustomMaskEdit::GetNotPublishedStyleValues();
  r.Exclude(svButtonStyle);
  r.Exclude(svButtonTransparency);
  r.Exclude(svGradientButtons);
  return r;
}

void TvxCustomSpinEdit::FocusChanged() {
  StopSpinning();
  TvxCustomMaskEdit::FocusChanged();
}

void TvxCustomSpinEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxCustomMaskEdit::MouseDown(Button, Shift, X, Y);
  if (GetButtonIndexAt(TPoint{X, Y}) == -1) StopSpinning();
}

void TvxCustomSpinEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  StopSpinning();
  TvxCustomMaskEdit::MouseUp(Button, Shift, X, Y);
}

bool TvxCustomSpinEdit::DoMouseWheelDown(TShiftState Shift, POINT) {
  const bool r = CanUseMouseWheel(Shift);
  if (r) Increment(sebBackward);
  return r;
}

bool TvxCustomSpinEdit::DoMouseWheelUp(TShiftState Shift, POINT) {
  const bool r = CanUseMouseWheel(Shift);
  if (r) Increment(sebForward);
  return r;
}

void TvxCustomSpinEdit::SynchronizeDisplayValue() {
  Variant e = EditValue();
  if (ActiveProperties()->IsEditValueValid(e, InternalFocused())) {
    Variant r;
    ActiveProperties()->PrepareSpinValue(e, r);
    SetInternalValue(r);
  } else {
    SetInternalValue(DefaultValue());
  }
  TvxCustomMaskEdit::SynchronizeDisplayValue();
}

void TvxCustomSpinEdit::SynchronizeEditValue() {
  TvxCustomTextEdit::SynchronizeEditValue();
  SetInternalValue(EditValue());
}

void TvxCustomSpinEdit::DoBoundsChanged() {
  TValueScope<bool> action(FKeyboardAction, ModifiedAfterEnter());
  const Variant v = GetValue();
  Variant lo, hi;
  ActiveProperties()->GetEffectiveMinValue(lo);
  ActiveProperties()->GetEffectiveMaxValue(hi);
  if (v < lo)
    SetValue(lo);
  else if (v > hi)
    SetValue(hi);
}

void TvxCustomSpinEdit::PropertiesChanged(TObject* Sender) {
  TvxCustomMaskEdit::PropertiesChanged(Sender);
  if (ModifiedAfterEnter() && !IsLoadingOrDestroying()) DoBoundsChanged();
}

// --- Published and registration ---------------------------------------------------------------

void TvxSpinEditProperties::DeclarePublished(TPublisher<TvxSpinEditProperties>& P) {
  using C = TvxSpinEditProperties;
  P.Property(L"CanEdit", &C::CanEdit, &C::SetCanEdit).Default(true);
  P.Property(L"Circular", &C::Circular, &C::SetCircular).Default(false);
  P.Property(L"ExceptionOnInvalidInput", &C::ExceptionOnInvalidInput, &C::SetExceptionOnInvalidInput).Default(false);
  P.Property(L"Increment", &C::Increment, &C::SetIncrement).Stored([](C* E) { return E->Increment() != 1; });
  P.Property(L"LargeIncrement", &C::LargeIncrement, &C::SetLargeIncrement).Stored([](C* E) {
    return E->LargeIncrement() != 10;
  });
  P.Property(L"MaxValue", &C::MaxValue, &C::SetMaxValue);
  P.Property(L"MinValue", &C::MinValue, &C::SetMinValue);
  P.Property(L"SpinButtons", &C::SpinButtons, &C::SetSpinButtons);
  P.Property(L"UseCtrlIncrement", &C::UseCtrlIncrement, &C::SetUseCtrlIncrement).Default(false);
  P.Property(L"ValidateOnEnter", &C::ValidateOnEnter, &C::SetValidateOnEnter).Default(true);
  P.Property(L"ValueType", &C::ValueType, &C::SetValueType).Stored(&C::IsValueTypeStored);
}

void TvxSpinEdit::DeclarePublished(TPublisher<TvxSpinEdit>& P) {
  using C = TvxSpinEdit;
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Properties", [](C* E) { return E->Properties(); },
             [](C* E, TvxSpinEditProperties* V) { E->SetProperties(V); });
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Value", [](C* E) { return E->Value(); }, [](C* E, const Variant& V) { E->SetValue(V); })
      .Stored([](C* E) { return E->Value() != Variant(0); });
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

TClass TvxCustomSpinEditProperties::GetContainerClass() { return TvxSpinEdit::StaticClass(); }

TClass TvxFilterSpinEditHelper::GetFilterEditClass() const { return TvxSpinEdit::StaticClass(); }

TvxFilterControlOperators TvxFilterSpinEditHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                                TvxValueTypeClass,
                                                                                bool AExtendedSet) const {
  TvxFilterControlOperators r{fcoEqual, fcoNotEqual, fcoLess, fcoLessEqual, fcoGreater, fcoGreaterEqual,
                              fcoBlanks, fcoNonBlanks};
  if (AExtendedSet)
    for (TvxFilterControlOperator o : {fcoBetween, fcoNotBetween, fcoInList, fcoNotInList}) r.Include(o);
  return r;
}

void TvxFilterSpinEditHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                   TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  TvxCustomFilterEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  if (auto* p = dynamic_cast<TvxCustomSpinEditProperties*>(AProperties)) p->SetCanEdit(true);
}

namespace {
void InitSpinEdit() {
  RegisterClass(TvxSpinEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxSpinEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositorySpinItem));
  GetFilterEditsController()->Register(TvxSpinEditProperties::StaticClass(), TvxFilterSpinEditHelper::Class());
}
void FinSpinEdit() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxSpinEditProperties::StaticClass(), TvxFilterSpinEditHelper::Class());
  UnRegisterClass(TvxSpinEdit::StaticClass());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxSpinEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxSpinEditUnit = {L"vxSpinEdit", InitSpinEdit, FinSpinEdit};
