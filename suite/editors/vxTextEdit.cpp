#include "vxTextEdit.h"

#include "vxCustomEdit.h"

#include <algorithm>
#include <limits>

#include "FMTBcd.h"
#include "vdCore.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxFilterControlUtils.h"
#include "vxVariants.h"

// --- TvxTextEditPropertiesValues ------------------------------------------------------------

void TvxTextEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TvxCustomEditPropertiesValues::Assign(Source);
  if (auto* src = dynamic_cast<TvxTextEditPropertiesValues*>(Source)) {
    SetDisplayFormat(src->FDisplayFormat);
    SetEditFormat(src->FEditFormat);
    SetMaxLength(src->FMaxLength);
  }
  EndUpdate();
}

void TvxTextEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TvxCustomEditPropertiesValues::RestoreDefaults();
  SetDisplayFormat(false);
  SetEditFormat(false);
  SetMaxLength(false);
  EndUpdate();
}

void TvxTextEditPropertiesValues::SetDisplayFormat(bool Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  FOwner->Changed();
}

void TvxTextEditPropertiesValues::SetEditFormat(bool Value) {
  if (FEditFormat == Value) return;
  FEditFormat = Value;
  FOwner->Changed();
}

void TvxTextEditPropertiesValues::SetMaxLength(bool Value) {
  if (FMaxLength == Value) return;
  FMaxLength = Value;
  static_cast<TvxCustomTextEditProperties*>(FOwner)->MaxLengthChanged();
}

bool TvxTextEditPropertiesValues::IsFlagStored(const wchar_t* APropName, bool AFlag, bool AOwnerValueIsEmpty) const {
  return AFlag && AOwnerValueIsEmpty && GetPropInfo(FOwner->ClassType(), APropName) != nullptr;
}

void TvxTextEditPropertiesValues::DeclarePublished(TPublisher<TvxTextEditPropertiesValues>& P) {
  using C = TvxTextEditPropertiesValues;
  auto owner = [](C* V) { return static_cast<TvxCustomTextEditProperties*>(V->FOwner); };
  P.Property(L"DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat).Stored([owner](C* V) {
    return V->IsFlagStored(L"DisplayFormat", V->FDisplayFormat, owner(V)->DisplayFormat().empty());
  });
  P.Property(L"EditFormat", &C::EditFormat, &C::SetEditFormat).Stored([owner](C* V) {
    return V->IsFlagStored(L"EditFormat", V->FEditFormat, owner(V)->EditFormat().empty());
  });
  P.Property(L"MaxValue", &C::MaxValue, &C::SetMaxValue).Stored([owner](C* V) {
    return V->IsFlagStored(L"MaxValue", V->MaxValue(), owner(V)->MaxValue() == 0);
  });
  P.Property(L"MinValue", &C::MinValue, &C::SetMinValue).Stored([owner](C* V) {
    return V->IsFlagStored(L"MinValue", V->MinValue(), owner(V)->MinValue() == 0);
  });
}

// --- TvxCustomTextEditProperties ------------------------------------------------------------

TvxEditPropertiesParts TvxCustomTextEditProperties::Parts() {
  TvxEditPropertiesParts parts;
  parts.AssignedValuesClass = TvxTextEditPropertiesValues::StaticClass();
  return parts;
}

TvxCustomTextEditProperties::TvxCustomTextEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts)
    : TvxCustomEditProperties(AOwner, AParts) {
  FLookupItems = std::make_unique<TStringList>();
  FLookupItems->SetDuplicates(dupAccept);
  FLookupItems->OnChange = [this](TObject*) { Changed(); };
  if (TvxFormatController* fc = GetFormatController()) fc->AddListener(this);
}

TvxCustomTextEditProperties::~TvxCustomTextEditProperties() {
  if (TvxFormatController* fc = GetFormatController()) fc->RemoveListener(this);
  FLookupItems.reset();
}

void TvxCustomTextEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomTextEditProperties*>(Source);
  if (!src) {
    TvxCustomEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  TScopeExit endUpdate([this] { EndUpdate(true); });
  TvxCustomEditProperties::Assign(Source);
  SetCharCase(src->FCharCase);
  SetEchoMode(src->FEchoMode);
  SetFixedListSelection(src->FFixedListSelection);
  SetHideCursor(src->FHideCursor);
  SetHideSelection(src->FHideSelection);
  FImmediateUpdateText = src->FImmediateUpdateText;
  SetIncrementalSearch(src->FIncrementalSearch);
  SetMRUMode(src->FMRUMode);
  FValidChars = src->FValidChars;
  SetLookupItemsSorted(false);
  FLookupItems->Assign(src->FLookupItems.get());
  SetLookupItemsSorted(src->LookupItemsSorted());
  AssignedValues()->SetDisplayFormat(false);
  if (src->AssignedValues()->DisplayFormat()) SetDisplayFormat(src->FDisplayFormat);
  AssignedValues()->SetEditFormat(false);
  if (src->AssignedValues()->EditFormat()) SetEditFormat(src->FEditFormat);
  AssignedValues()->SetMaxLength(false);
  if (src->AssignedValues()->MaxLength()) SetMaxLength(src->FMaxLength);
  SetOEMConvert(src->FOEMConvert);
  SetImeMode(src->FImeMode);
  SetImeName(src->FImeName);
  SetPasswordChar(src->FPasswordChar);
  SetUseDisplayFormatWhenEditing(src->FUseDisplayFormatWhenEditing);
  OnNewLookupDisplayText = src->OnNewLookupDisplayText;
}

void TvxCustomTextEditProperties::DefineProperties(TFiler* Filer) {
  TvxCustomEditProperties::DefineProperties(Filer);
  Filer->DefineProperty(
      L"IsDisplayFormatAssigned",
      [this](TReader* Reader) { AssignedValues()->SetDisplayFormat(Reader->ReadBoolean()); }, nullptr, false);
}

void TvxCustomTextEditProperties::AlignmentChanged(TObject* Sender) {
  BeginUpdate();
  TvxCustomEditProperties::AlignmentChanged(Sender);
  EndUpdate(true);
}

void TvxCustomTextEditProperties::SetAlignment(TvxEditAlignment* Value) {
  BeginUpdate();
  TvxCustomEditProperties::SetAlignment(Value);
  EndUpdate(true);
}

String TvxCustomTextEditProperties::GetValidationErrorText(Integer AErrorKind) {
  if (AErrorKind == 1) return vxGetResString(&vxSEditValueOutOfBounds);
  return TvxCustomEditProperties::GetValidationErrorText(AErrorKind);
}

void TvxCustomTextEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       TvxCustomEdit* AEdit) {
  if (IsEditValueNumeric() && IsValueBoundsDefined()) CheckValueBounds(ADisplayValue, AErrorText, AEdit, AError);
  TvxCustomEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

void TvxCustomTextEditProperties::CheckValueBounds(const Variant& ADisplayValue, String& AErrorText,
                                                   TvxCustomEdit* AEdit, bool& AError) {
  if (!AEdit) return;
  Variant value;
  AEdit->PrepareEditValue(ADisplayValue, value, AEdit->Focused());
  if (!VarIsNumeric(value) && VarType(value) != varDate) return;
  const Variant minValue = MinValue(), maxValue = MaxValue();
  if ((IsValueBoundDefined(false) && value < minValue) || (IsValueBoundDefined(true) && value > maxValue)) {
    AError = true;
    AErrorText = GetValidationErrorText(1);
  }
}

bool TvxCustomTextEditProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return GetDisplayText(AEditValue1, true) == GetDisplayText(AEditValue2, true);
}

String TvxCustomTextEditProperties::GetDisplayText(const Variant& AEditValue, bool, bool AIsInplace) {
  String text;
  if (IsValueEditorWithValueFormatting()) {
    text = vdVariantAsString(AEditValue);
    DisplayValueToDisplayText(text);
    return text;
  }
  Variant display;
  EditValueToDisplayValue(AEditValue, !AIsInplace && !DependsOnFocus(), display);
  text = vdVariantAsString(display);
  DisplayValueToDisplayText(text);
  return text;
}

TvxEditSupportedOperations TvxCustomTextEditProperties::GetSupportedOperations() {
  return TvxCustomEditProperties::GetSupportedOperations() + TvxEditSupportedOperations{esoAutoHeight, esoEditing,
                                                                                        esoFiltering,  esoHorzAlignment,
                                                                                        esoIncSearch,  esoSorting};
}

bool TvxCustomTextEditProperties::IsEditValueValid(Variant& EditValue, bool AEditFocused) {
  if (VarIsNull(EditValue) || !VarIsStr(EditValue)) return true;
  return IsDisplayValueValid(EditValue, AEditFocused);
}

String TvxCustomTextEditProperties::PrepareNumericDisplayText(const Variant& AEditValue, bool AEditFocused) {
  if (VarIsNull(AEditValue) || VarIsClear(AEditValue)) return String();
  if (!VarIsNumeric(AEditValue) && !VarIsStr(AEditValue) && !VarIsFMTBcd(AEditValue))
    throw EConvertError(vxGetResString(&vxSEditNumericValueConvertError));
  double number = 0;
  const bool isNumber =
      VarIsStr(AEditValue) ? TryStrToFloat(VarToStr(AEditValue), number) : (number = AEditValue.AsDouble(), true);
  if (!AEditFocused) {
    const String format = DisplayFormat();
    // A text that is no number is shown as it is: the format applies to numbers only.
    if (!format.empty() && isNumber) return FormatFloat(format, number);
    return vdVariantAsString(AEditValue);
  }
  bool isCurrency = false, isOnGetText = false;
  String format;
  InternalGetEditFormat(isCurrency, isOnGetText, nullptr, format);
  const Integer precision = IDefaultValuesProvider() ? IDefaultValuesProvider()->DefaultPrecision() : 15;
  String text = vdVariantAsString(AEditValue);
  TBcd bcd;
  if (isCurrency) {
    if (TryStrToBcd(text, bcd))
      text = FloatToStrF(BcdToDouble(bcd), ffFixed, precision, FormatSettings.CurrencyDecimals);
    return text;
  }
  if (!format.empty()) return isNumber ? FormatFloat(format, number) : text;
  if (TryStrToBcd(text, bcd)) text = FloatToStrF(BcdToDouble(bcd), ffGeneral, precision, 0);
  return text;
}

void TvxCustomTextEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool AEditFocused) {
  if (!IsEditValueNumeric()) {
    if (VarIsArray(AEditValue) && VarArrayDimCount(AEditValue) != 1)
      DisplayValue = String();
    else
      DisplayValue = vdVariantAsString(AEditValue);
    return;
  }
  DisplayValue = PrepareNumericDisplayText(AEditValue, AEditFocused);
}

void TvxCustomTextEditProperties::FormatChanged() {
  FFormatChanging = true;
  TScopeExit clear([this] { FFormatChanging = false; });
  Changed();
}

bool TvxCustomTextEditProperties::IsLookupItem(const String& AText) {
  for (Integer i = 0; i < FLookupItems->Count(); ++i)
    if (AnsiSameText(FLookupItems->Strings(i), AText)) return true;
  return false;
}

Integer TvxCustomTextEditProperties::GetDefaultMaxLength() {
  return IDefaultValuesProvider() ? IDefaultValuesProvider()->DefaultMaxLength() : 0;
}

void TvxCustomTextEditProperties::InternalGetEditFormat(bool& AIsCurrency, bool& AIsOnGetTextAssigned, TObject* AEdit,
                                                        String& AFormat) {
  AIsCurrency = false;
  AIsOnGetTextAssigned = false;
  AFormat.clear();
  IvxEditDefaultValuesProvider* provider = IDefaultValuesProvider();
  if (AssignedValues()->EditFormat()) {
    AFormat = FEditFormat;
    return;
  }
  // An editor hands itself only when it is in place; nil stands for "not in place" here.
  if (!AEdit && provider && provider->IsOnGetTextAssigned()) {
    AIsOnGetTextAssigned = true;
    return;
  }
  if (provider && !provider->DefaultEditFormat().empty()) {
    AFormat = provider->DefaultEditFormat();
    return;
  }
  if (AssignedValues()->DisplayFormat()) {
    AFormat = DisplayFormat();
  } else if (provider && !provider->DefaultDisplayFormat().empty()) {
    AFormat = provider->DefaultDisplayFormat();
  } else if (!GetDefaultDisplayFormat().empty()) {
    AFormat = GetDefaultDisplayFormat();
  } else if (provider) {
    AIsCurrency = provider->IsCurrency() && !DisplayFormatOptions().Contains(dfoNoCurrencyValue);
  }
  if (!FUseDisplayFormatWhenEditing) AFormat.clear();
}

bool TvxCustomTextEditProperties::IsValueBoundDefined(bool AIsMax) {
  const bool maxSet = AssignedValues()->TvxCustomEditPropertiesValues::MaxValue();
  const bool minSet = AssignedValues()->TvxCustomEditPropertiesValues::MinValue();
  if (maxSet != minSet) return AIsMax ? maxSet : minSet;
  return MaxValue() > MinValue();
}

void TvxCustomTextEditProperties::DisplayValueToDisplayText(String& AText) {
  if (FEchoMode == eemPassword) {
    AText = String(AText.size(), FPasswordChar ? FPasswordChar : L'*');
  } else if (FCharCase == ecUpperCase) {
    AText = AnsiUpperCase(AText);
  } else if (FCharCase == ecLowerCase) {
    AText = AnsiLowerCase(AText);
  }
}

bool TvxCustomTextEditProperties::IsDisplayValueValid(Variant& ADisplayValue, bool) {
  String text = VarToStr(ADisplayValue);
  if (text.empty()) return true;
  const TvxEditEditingStyle style = GetEditingStyle();
  if ((style == esEditList || style == esFixedList) && IsLookupDataUsed() && !IsLookupItem(text)) return false;
  if (FCharCase == ecUpperCase)
    text = AnsiUpperCase(text);
  else if (FCharCase == ecLowerCase)
    text = AnsiLowerCase(text);
  ADisplayValue = text;
  return true;
}

void TvxCustomTextEditProperties::EditValueToDisplayValue(const Variant& AEditValue, bool AEditFocused,
                                                          Variant& ADisplayValue) {
  Variant v = AEditValue;
  if (IsEditValueValid(v, AEditFocused)) {
    PrepareDisplayValue(AEditValue, ADisplayValue, AEditFocused);
  } else if (VarType(AEditValue) == varDate) {
    String s;
    DateTimeToString(s, String(), static_cast<TDateTime>(AEditValue.AsDouble()));
    ADisplayValue = s;
  } else {
    ADisplayValue = VarToStr(AEditValue);
  }
}

bool TvxCustomTextEditProperties::CanUseLookupData() {
  const TvxEditEditingStyle style = GetEditingStyle();
  return style == esEditList || style == esFixedList || (style == esEdit && FIncrementalSearch);
}

String TvxCustomTextEditProperties::DisplayFormat() {
  if (AssignedValues()->DisplayFormat()) return FDisplayFormat;
  if (IDefaultValuesProvider() && !IDefaultValuesProvider()->DefaultDisplayFormat().empty())
    return IDefaultValuesProvider()->DefaultDisplayFormat();
  return GetDefaultDisplayFormat();
}

void TvxCustomTextEditProperties::SetDisplayFormat(const String& Value) {
  if (AssignedValues()->DisplayFormat() && FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  BeginUpdate();
  AssignedValues()->SetDisplayFormat(true);
  Changed();
  EndUpdate(true);
}

String TvxCustomTextEditProperties::EditFormat() {
  bool isCurrency, isOnGetText;
  String format;
  InternalGetEditFormat(isCurrency, isOnGetText, nullptr, format);
  return format;
}

void TvxCustomTextEditProperties::SetEditFormat(const String& Value) {
  if (AssignedValues()->EditFormat() && FEditFormat == Value) return;
  FEditFormat = Value;
  BeginUpdate();
  AssignedValues()->SetEditFormat(true);
  Changed();
  EndUpdate(true);
}

void TvxCustomTextEditProperties::SetFixedListSelection(bool Value) {
  if (FFixedListSelection == Value) return;
  FFixedListSelection = Value;
  if (GetEditingStyle() == esFixedList) Changed();
}

Integer TvxCustomTextEditProperties::MaxLength() {
  return AssignedValues()->MaxLength() ? FMaxLength : GetDefaultMaxLength();
}

void TvxCustomTextEditProperties::SetMaxLength(Integer Value) {
  if (Value < 0) Value = 0;
  if (AssignedValues()->MaxLength() && FMaxLength == Value) return;
  FMaxLength = Value;
  BeginUpdate();
  if (AssignedValues()->MaxLength())
    MaxLengthChanged();
  else
    AssignedValues()->SetMaxLength(true);  // tells MaxLengthChanged
  EndUpdate(true);
}

TvxTextEditViewStyle TvxCustomTextEditProperties::ViewStyle() {
  if (ButtonsViewStyle() == bvsButtonsOnly) return vsButtonsOnly;
  if (ButtonsViewStyle() == bvsButtonsAutoWidth) return vsButtonsAutoWidth;
  return FHideCursor ? vsHideCursor : vsNormal;
}

void TvxCustomTextEditProperties::SetViewStyle(TvxTextEditViewStyle Value) {
  if (ViewStyle() == Value) return;
  BeginUpdate();
  static constexpr TvxEditButtonsViewStyle CButtons[] = {bvsNormal, bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth};
  SetButtonsViewStyle(CButtons[Value]);
  SetHideCursor(Value != vsNormal);
  EndUpdate(true);
}

void TvxTextEditProperties::DeclarePublished(TPublisher<TvxTextEditProperties>& P) {
  using C = TvxTextEditProperties;
  P.Property(L"AssignedValues", &C::AssignedValues,
             [](C* E, TvxTextEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"CharCase", &C::CharCase, &C::SetCharCase).Default(ecNormal);
  P.Property(L"EchoMode", &C::EchoMode, &C::SetEchoMode).Default(eemNormal);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"ImeMode", &C::ImeMode, &C::SetImeMode).Default(imDontCare);
  P.Property(L"ImeName", &C::ImeName, &C::SetImeName).Stored([](C* E) { return !E->ImeName().empty(); });
  P.Property(L"IncrementalSearch", &C::IncrementalSearch, &C::SetIncrementalSearch).Default(true);
  P.Property(L"LookupItems", &C::LookupItems, [](C* E, TStringList* V) { E->SetLookupItems(V); });
  P.Property(L"LookupItemsSorted", &C::LookupItemsSorted, &C::SetLookupItemsSorted).Default(false);
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Stored([](C* E) {
    return E->AssignedValues()->MaxLength();
  });
  P.Property(L"OEMConvert", &C::OEMConvert, &C::SetOEMConvert).Default(false);
  P.Property(L"PasswordChar", &C::PasswordChar, &C::SetPasswordChar).Default(0);
}

// --- Start-up ---------------------------------------------------------------------------------

void TvxFilterTextEditHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                   TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  TvxCustomFilterEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  if (auto* p = dynamic_cast<TvxCustomTextEditProperties*>(AProperties)) {
    p->SetAutoSelect(true);
    p->SetHideSelection(true);
    p->SetViewStyle(vsNormal);
  }
}

namespace {


// The spell checker's messages, registered by name (no spell checker exists here).
UINT WM_REDRAWMISSPELLINGS = 0;
UINT WM_SPELLCHECKERAUTOCORRECT = 0;

void InitTextEdit() {
  WM_REDRAWMISSPELLINGS = RegisterWindowMessageW(L"WM_REDRAWMISSPELLINGS");
  WM_SPELLCHECKERAUTOCORRECT = RegisterWindowMessageW(L"WM_SPELLCHECKERAUTOCORRECT");
  GetEditPropertiesRegistry()->Register(TvxTextEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryTextItem));
  GetFilterEditsController()->Register(TvxTextEditProperties::StaticClass(), TvxFilterTextEditHelper::Class());
}

void FinTextEdit() {
  GetFilterEditsController()->Unregister(TvxTextEditProperties::StaticClass(), TvxFilterTextEditHelper::Class());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxTextEditProperties::StaticClass());
}

}  // namespace

const TUnitInfo vxTextEditUnit = {L"vxTextEdit", InitTextEdit, FinTextEdit};

// --- Text view data and view info ---------------------------------------------------------------

TvxCustomEditViewData* TvxCustomTextEditProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* result = new TvxCustomTextEditViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomTextEditProperties::CreateViewInfo() { return new TvxCustomTextEditViewInfo(); }

TvxCustomTextEditViewData::TvxCustomTextEditViewData(TvxCustomTextEditProperties* AProperties,
                                                     TvxCustomEditStyle* AStyle, bool AIsInplace)
    : TvxCustomEditViewData(AProperties, AStyle, AIsInplace),
      FIsValueEditorWithValueFormatting(AProperties->IsValueEditorWithValueFormatting()) {}

void TvxCustomTextEditViewData::InternalEditValueToDisplayText(const Variant& AEditValue, String& AText) {
  AText.clear();
  // Echo and case apply also when the conversion raised.
  TScopeExit final([this, &AText] { TextProperties()->DisplayValueToDisplayText(AText); });
  if (FIsValueEditorWithValueFormatting) {
    AText = vdVariantAsString(AEditValue);
    return;
  }
  Variant display;
  TextProperties()->EditValueToDisplayValue(AEditValue, Focused, display);
  AText = vdVariantAsString(display);
}

Integer TvxCustomTextEditViewData::GetDrawTextFlags() {
  static constexpr Integer CHorz[] = {vxtoLeft, vxtoRight, vxtoCenterX};
  static constexpr Integer CVert[] = {vxtoTop, vxtoBottom, vxtoCenterY};
  return CHorz[HorzAlignment] | CVert[VertAlignment] | vxtoSingleLine | vxtoPreventLeftExceed | vxtoPreventTopExceed;
}

TRect TvxCustomTextEditViewData::GetDrawTextOffset() {
  TRect r = EditContentParams.Offsets;
  const TvxEditEditingStyle style = TextProperties()->GetEditingStyle();
  if (!IsInplace() && (style == esFixedList || style == esNoEdit)) {
    ++r.top;
    ++r.bottom;
    if (HorzAlignment == taRightJustify)
      ++r.right;
    else
      ++r.left;
  }
  return r;
}

bool TvxCustomTextEditViewData::GetIsEditClass() { return Edit && Edit->IsEditClass(); }

void TvxCustomTextEditViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                          TvxMouseButton Button, TShiftState Shift, TvxCustomEditViewInfo* AViewInfo,
                                          bool AIsMouseEvent) {
  TvxCustomEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* vi = static_cast<TvxCustomTextEditViewInfo*>(AViewInfo);
  vi->DrawSelectionBar = false;
  vi->EditingStyle = TextProperties()->GetEditingStyle();
  vi->IsEditClass = GetIsEditClass();
  vi->HasPopupWindow = false;
  const TRect o = GetDrawTextOffset();
  vi->TextRect = TRect{vi->ClientRect.left + o.left, vi->ClientRect.top + o.top, vi->ClientRect.right - o.right,
                       vi->ClientRect.bottom - o.bottom};
  if (!IsInplace()) {
    ACanvas->SetFont(Style()->GetVisibleFont());
    const Integer h = ACanvas->TextHeight(L"Zg");
    if (vi->TextRect.bottom - vi->TextRect.top < h)
      vi->TextRect.bottom = std::min<Integer>(vi->TextRect.top + h, vi->ClientRect.bottom);
  }
  vi->MaxLineCount = GetMaxLineCount();
  vi->TextOutData.Initialized = false;
  CalculateDrawTextFlags(ACanvas, vi);
}

void TvxCustomTextEditViewData::CalculateDrawTextFlags(TvxCanvas* ACanvas, TvxCustomTextEditViewInfo* AViewInfo) {
  TvxCustomTextEditProperties* p = TextProperties();
  AViewInfo->DrawTextFlags = GetDrawTextFlags();
  if (!p->IsMultiLine() && p->GetSupportedOperations().Contains(esoAutoHeight) &&
      PaintOptions.Contains(epoAutoHeight) && !AViewInfo->Text.empty()) {
    ACanvas->SetFont(Style()->GetVisibleFont());
    const TRect o = GetDrawTextOffset();
    const TRect& t = AViewInfo->TextRect;
    Integer width = (t.right - t.left) + o.left + o.right - GetEditContentSizeCorrection().cx - ContentOffset.left -
                    ContentOffset.right;
    if (HorzAlignment == taRightJustify) ++width;
    const Integer rowHeight = ACanvas->TextHeight(L"Zg");
    const Integer limit = rowHeight > 0 ? ((t.bottom - t.top) + rowHeight - 1) / rowHeight + 1 : 0;
    TRect r{0, 0, std::max<Integer>(width, 1), std::numeric_limits<Integer>::max() / 2};
    const Integer flags =
        (AViewInfo->DrawTextFlags & ~vxtoSingleLine) | vxtoWordBreak | vxtoEditControl | vxtoCalcRowCount;
    const Integer rows = vxTextOutFormatted(ACanvas->Handle(), AViewInfo->Text, r, flags, 0, 0, nullptr, clHighlight,
                                            clHighlightText, limit);
    if (rows > 1) {
      AViewInfo->DrawTextFlags = (AViewInfo->DrawTextFlags & ~vxtoSingleLine) | vxtoWordBreak | vxtoEditControl;
      if (rows * rowHeight > t.bottom - t.top) AViewInfo->DrawTextFlags &= ~vxtoAlignYMask;
    }
  }
  if (AViewInfo->PaintOptions.Contains(epoShowEndEllipsis)) AViewInfo->DrawTextFlags |= vxtoEndEllipsis;
  AViewInfo->ComboBoxStyle = IsComboBoxStyle();
}

void TvxCustomTextEditViewData::PrepareSelection(TvxCustomTextEditViewInfo* AViewInfo) {
  AViewInfo->SelStart = SelStart;
  AViewInfo->SelLength = SelLength;
  if (SelLength == 0) return;
  auto inverted = [](TColor c) { return static_cast<TColor>(~ColorToRGB(c) & 0xFFFFFF); };
  if (SelBackgroundColor == clDefault) {
    if (SelTextColor != clDefault) {
      AViewInfo->SelTextColor = SelTextColor;
      AViewInfo->SelBackgroundColor = inverted(SelTextColor);
    } else if (Style()->Color() == clHighlight) {
      AViewInfo->SelBackgroundColor = static_cast<TColor>(0);
      AViewInfo->SelTextColor = static_cast<TColor>(0xFFFFFF);
    } else {
      AViewInfo->SelBackgroundColor = clHighlight;
      AViewInfo->SelTextColor = clHighlightText;
    }
  } else {
    AViewInfo->SelBackgroundColor = SelBackgroundColor;
    AViewInfo->SelTextColor = SelTextColor == clDefault ? inverted(SelBackgroundColor) : SelTextColor;
  }
}

void TvxCustomTextEditViewData::EditValueToDrawValue(TvxCanvas*, const Variant& AEditValue,
                                                     TvxCustomEditViewInfo* AViewInfo) {
  auto* vi = static_cast<TvxCustomTextEditViewInfo*>(AViewInfo);
  vi->Text = PreviewMode ? String() : DisplayTextOfValue(AEditValue);
  vi->TextOutData.Initialized = false;
  PrepareSelection(vi);
}

void TvxCustomTextEditViewData::DisplayValueToDrawValue(const Variant& ADisplayValue,
                                                        TvxCustomTextEditViewInfo* AViewInfo) {
  AViewInfo->Text = VarToStr(ADisplayValue);
  TextProperties()->DisplayValueToDisplayText(AViewInfo->Text);
  AViewInfo->TextOutData.Initialized = false;
}

TSize TvxCustomTextEditViewData::CalculateTextEditViewSize(TvxCanvas* ACanvas, const String& AText,
                                                           bool AIncludeCorrection, Integer ALineCount,
                                                           const TvxEditSizeProperties& AEditSizeProperties,
                                                           Integer AFlags) {
  ACanvas->SetFont(Style()->GetVisibleFont());
  const TvxEditEditingStyle style = TextProperties()->GetEditingStyle();
  const bool combo = !IsInplace() && (style == esFixedList || style == esNoEdit);
  const TSize correction = GetEditContentSizeCorrection();
  const Integer rowHeight = ACanvas->TextHeight(L"Zg");
  TSize size{0, 0};
  if (AEditSizeProperties.Width >= 0) {
    if (ALineCount > 0) {
      size = TSize{AEditSizeProperties.Width, rowHeight * ALineCount};
    } else {
      Integer avail = AEditSizeProperties.Width;
      if (IsInplace()) avail -= 2;
      if (combo) avail -= 1;
      if (avail <= 0 || AText.empty()) {
        size.cx = avail <= 0 ? 0 : AEditSizeProperties.Width;
        size.cy = AText.empty() && PaintOptions.Contains(epoAllowZeroHeight) ? 0 : rowHeight;
      } else {
        size.cx = AEditSizeProperties.Width;
        TRect r{0, 0, avail, std::numeric_limits<Integer>::max() / 2};
        Integer flags = (AFlags & ~vxtoAlignYMask) | vxtoCalcRowCount;
        if (flags & vxtoSingleLine) flags = (flags & ~vxtoSingleLine) | vxtoWordBreak | vxtoEditControl;
        const Integer rows = vxTextOutFormatted(ACanvas->Handle(), AText, r, flags, 0, 0, nullptr, clHighlight,
                                                clHighlightText, AEditSizeProperties.MaxLineCount);
        size.cy = rowHeight * std::max<Integer>(rows, 1);
      }
    }
    if (size.cy > 0) size.cy += correction.cy;
    return size;
  }
  const bool multiRow =
      !(AFlags & vxtoSingleLine) ||
      (PaintOptions.Contains(epoAutoHeight) && TextProperties()->GetSupportedOperations().Contains(esoAutoHeight));
  if (multiRow) {
    Integer flags = AFlags | vxtoCalcRect;
    if (flags & vxtoSingleLine) flags = (flags & ~vxtoSingleLine) | vxtoWordBreak | vxtoEditControl;
    TRect r{0, 0, std::numeric_limits<Integer>::max() / 2, std::numeric_limits<Integer>::max() / 2};
    if (!AText.empty())
      vxTextOutFormatted(ACanvas->Handle(), AText, r, flags, 0, 0, nullptr, clHighlight, clHighlightText,
                         ALineCount > 0 ? ALineCount : AEditSizeProperties.MaxLineCount);
    size.cx = AText.empty() ? 0 : r.right - r.left;
    size.cy = ALineCount > 0 ? rowHeight * ALineCount : rowHeight;
  } else {
    size.cy = rowHeight;
    if (!AText.empty()) {
      RECT r{0, 0, 0, 0};
      DrawTextW(ACanvas->Handle(), AText.c_str(), static_cast<int>(AText.size()), &r,
                ConvertTextOutFlags(AFlags) | DT_CALCRECT);
      size.cx = r.right - r.left;
    }
  }
  if (combo) ++size.cx;
  if (AIncludeCorrection) size.cx += correction.cx;
  if (size.cy > 0) size.cy += correction.cy;
  return size;
}

TSize TvxCustomTextEditViewData::InternalGetEditContentSize(TvxCanvas* ACanvas, const Variant& AEditValue,
                                                            const TvxEditSizeProperties& AEditSizeProperties) {
  const TSize base = TvxCustomEditViewData::InternalGetEditContentSize(ACanvas, AEditValue, AEditSizeProperties);
  const TSize text = CalculateTextEditViewSize(ACanvas, DisplayTextOfValue(AEditValue), true, 0, AEditSizeProperties,
                                               GetDrawTextFlags());
  return TSize{std::max(base.cx, text.cx), std::max(base.cy, text.cy)};
}

void TvxCustomTextEditViewInfo::PaintContent(TvxCanvas* ACanvas) {
  const bool savedTransparent = Transparent;
  if (DrawSelectionBar) Transparent = true;  // the bar paints the content itself
  DrawEditBackground(ACanvas);
  Transparent = savedTransparent;
  DrawButtons(ACanvas);
  TRect r = ClientRect;
  if (!IsInplace) {
    if ((NativeState == 0 || DrawSelectionBar) && !Transparent && EditingStyle != esNoEdit)
      ACanvas->FrameRect(r, BackgroundColor());
    InflateRect(&r, -1, -1);
  }
  if (IsOwnerDrawing && CustomDrawHandler) {
    CustomDrawHandler(ACanvas, r);
  } else {
    if (DrawSelectionBar) FillRectWithColor(ACanvas, r, clHighlight);
    if (!HasInnerEdit || !IsEditClass) DrawText(ACanvas);
  }
  if (!IsEditClass && Focused && !IsInplace && !HasPopupWindow) {
    ACanvas->Font()->SetColor(DrawSelectionBar ? clHighlightText : clBtnText);
    ACanvas->SetBrushColor(DrawSelectionBar ? clHighlight : BackgroundColor());
    ACanvas->DrawFocusRect(r);
  }
}

void TvxCustomTextEditViewInfo::DrawText(TvxCanvas* ACanvas) {
  if (Text.empty()) return;
  if (Font) ACanvas->SetFont(Font);
  ACanvas->Font()->SetColor(DrawSelectionBar ? clHighlightText : TextColor);
  PrepareCanvasFont(ACanvas);
  TvxTextOutData& d = TextOutData;
  const HDC dc = ACanvas->Handle();
  // Select the canvas font into the DC before measuring.
  ACanvas->TextWidth(L" ");
  if (!d.Initialized) {
    d.Initialized = true;
    d.RowCount = 0;
    d.TextRows.Count = 0;
    d.TextRows.DynamicRows.clear();
    vxCalcTextParamsOfDC(dc, DrawTextFlags, d.TextParams);
    d.TextRect = vxIndentTextRect(TextRect, d.TextParams, 0, 0);
    if (vxRectHasNoArea(d.TextRect)) return;
    const bool fitted = vxMakeTextRowsOf(dc, Text.c_str(), static_cast<Integer>(Text.size()), vxMeasureTextExtents,
                                         nullptr, MaxLineCount, d.RowCount, d.TextRows, d.TextParams, d.TextRect);
    d.ForceEndEllipsis = !fitted;
    if (d.RowCount > 0) vxPlaceTextRows(dc, d.TextRect, d.TextParams, d.RowCount, d.TextRows);
    const Integer length = static_cast<Integer>(Text.size());
    d.SelStart = SelStart;
    d.SelLength = SelLength;
    if (d.SelStart < 0 || d.SelStart >= length)
      d.SelLength = 0;
    else if (d.SelStart + d.SelLength > length)
      d.SelLength = length - d.SelStart;
    d.SelBackgroundColor = SelBackgroundColor;
    d.SelTextColor = SelTextColor;
  }
  if (d.RowCount == 0) return;
  ACanvas->TextWidth(L" ");
  vxDrawTextRows(dc, d.TextRect, d.TextParams, d.ForceEndEllipsis && (DrawTextFlags & vxtoEndEllipsis), d.SelTextColor,
                 d.SelBackgroundColor, d.SelLength, d.SelStart, d.RowCount, d.TextRows);
}

void TvxCustomTextEditViewInfo::Offset(Integer DX, Integer DY) {
  TvxCustomEditViewInfo::Offset(DX, DY);
  OffsetRect(&TextRect, DX, DY);
  if (TextOutData.Initialized) {
    OffsetRect(&TextOutData.TextRect, DX, DY);
    for (Integer i = 0; i < TextOutData.RowCount; ++i) {
      TvxTextRow& row = vxGetTextRow(TextOutData.TextRows, i);
      row.TextOriginX += DX;
      row.TextOriginY += DY;
    }
  }
}

// --- Inner text edit ------------------------------------------------------------------------------

TWinControl* TvxCustomInnerTextEditHelper::GetControl() { return FEdit; }
TvxContainer* TvxCustomInnerTextEditHelper::GetControlContainer() { return FEdit->GetControlContainer(); }
LRESULT TvxCustomInnerTextEditHelper::CallDefWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  return CallWindowProcW(FEdit->FDefWndProc, FEdit->Handle(), Msg, WParam, LParam);
}
Variant TvxCustomInnerTextEditHelper::GetEditValue() { return FEdit->Text(); }
TNotifyEvent TvxCustomInnerTextEditHelper::GetOnChange() { return FEdit->OnChange; }
bool TvxCustomInnerTextEditHelper::GetReadOnly() { return FEdit->ReadOnly(); }
void TvxCustomInnerTextEditHelper::LockBounds(bool ALock) {
  if (ALock)
    ++FEdit->FLockBoundsCount;
  else if (FEdit->FLockBoundsCount > 0)
    --FEdit->FLockBoundsCount;
}
void TvxCustomInnerTextEditHelper::SafelySetFocus() {
  // Focusing must not select the text.
  TValueScope<bool> noSelect(FEdit->FAutoSelect, false);
  FEdit->SetFocus();
}
void TvxCustomInnerTextEditHelper::SetEditValue(const Variant& Value) { FEdit->SetText(VarToStr(Value)); }
void TvxCustomInnerTextEditHelper::SetParent(TWinControl* Value) { FEdit->SetParent(Value); }
void TvxCustomInnerTextEditHelper::SetOnChange(TNotifyEvent Value) { FEdit->OnChange = std::move(Value); }
void TvxCustomInnerTextEditHelper::SetReadOnly(bool Value) { FEdit->SetReadOnly(Value); }
void TvxCustomInnerTextEditHelper::ClearSelection() { FEdit->ClearSelection(); }
void TvxCustomInnerTextEditHelper::CopyToClipboard() { FEdit->CopyToClipboard(); }
TAlignment TvxCustomInnerTextEditHelper::GetAlignment() { return FEdit->FAlignment; }
bool TvxCustomInnerTextEditHelper::GetAutoSelect() { return FEdit->AutoSelect(); }
TEditCharCase TvxCustomInnerTextEditHelper::GetCharCase() { return FEdit->CharCase(); }
TvxEditEchoMode TvxCustomInnerTextEditHelper::GetEchoMode() { return FEdit->FEchoMode; }
Integer TvxCustomInnerTextEditHelper::GetFirstVisibleCharIndex() {
  if (!FEdit->HandleAllocated()) return 0;
  return LOWORD(SendMessageW(FEdit->Handle(), EM_CHARFROMPOS, 0, 0));
}
bool TvxCustomInnerTextEditHelper::GetHideSelection() { return FEdit->HideSelection(); }
wchar_t TvxCustomInnerTextEditHelper::GetImeLastChar() { return FEdit->FImeCharCount == 2 ? FEdit->FImeLastChar : 0; }
TImeMode TvxCustomInnerTextEditHelper::GetImeMode() { return FEdit->FImeMode; }
TImeName TvxCustomInnerTextEditHelper::GetImeName() { return FEdit->FImeName; }
bool TvxCustomInnerTextEditHelper::GetInternalUpdating() { return FEdit->FInternalUpdating; }
Integer TvxCustomInnerTextEditHelper::GetMaxLength() { return FEdit->MaxLength(); }
bool TvxCustomInnerTextEditHelper::GetOEMConvert() { return FEdit->FOEMConvert; }
TNotifyEvent TvxCustomInnerTextEditHelper::GetOnSelChange() { return FEdit->OnSelChange; }
wchar_t TvxCustomInnerTextEditHelper::GetPasswordChar() { return FEdit->FOwnPasswordChar; }
Integer TvxCustomInnerTextEditHelper::GetSelLength() {
  if (FEdit->FImeCharCount > 0) return FSelLength;
  return FEdit->HandleAllocated() ? FEdit->SelLength() : 0;
}
Integer TvxCustomInnerTextEditHelper::GetSelStart() {
  if (FEdit->FImeCharCount > 0) return FSelStart;
  return FEdit->HandleAllocated() ? FEdit->SelStart() : 0;
}
String TvxCustomInnerTextEditHelper::GetSelText() { return FEdit->HandleAllocated() ? FEdit->SelText() : String(); }
void TvxCustomInnerTextEditHelper::SelectAll() {
  if (FEdit->HandleAllocated()) FEdit->SelectAll();
}
void TvxCustomInnerTextEditHelper::SetAlignment(TAlignment Value) {
  if (FAlignmentLock) return;
  TvxCustomTextEdit* c = FEdit->Container();
  if (c && c->ActiveProperties()->UseLeftAlignmentOnEditing() && c->IsInplace()) Value = taLeftJustify;
  if (Value == FEdit->FAlignment) return;
  FEdit->FAlignment = Value;
  TValueScope<bool> lock(FAlignmentLock, true);
  if (FEdit->HandleAllocated()) {
    // The style only takes effect in a new window; a focused edit keeps the focus.
    const bool focused = GetFocus() == FEdit->Handle();
    FEdit->RecreateWnd();
    if (FEdit->Showing()) FEdit->HandleNeeded();
    if (focused && FEdit->HandleAllocated()) ::SetFocus(FEdit->Handle());
  }
}
void TvxCustomInnerTextEditHelper::SetAutoSelect(bool Value) { FEdit->SetAutoSelect(Value); }
void TvxCustomInnerTextEditHelper::SetCharCase(TEditCharCase Value) { FEdit->SetCharCase(Value); }
void TvxCustomInnerTextEditHelper::SetEchoMode(TvxEditEchoMode Value) {
  FEdit->FEchoMode = Value;
  FEdit->RefreshPasswordChar();
}
void TvxCustomInnerTextEditHelper::SetHideSelection(bool Value) { FEdit->SetHideSelection(Value); }
void TvxCustomInnerTextEditHelper::SetInternalUpdating(bool Value) { FEdit->FInternalUpdating = Value; }
void TvxCustomInnerTextEditHelper::SetImeMode(TImeMode Value) { FEdit->FImeMode = Value; }
void TvxCustomInnerTextEditHelper::SetImeName(const TImeName& Value) { FEdit->FImeName = Value; }
void TvxCustomInnerTextEditHelper::SetMaxLength(Integer Value) { FEdit->SetMaxLength(Value); }
void TvxCustomInnerTextEditHelper::SetOEMConvert(bool Value) {
  if (Value == FEdit->FOEMConvert) return;
  FEdit->FOEMConvert = Value;
  if (FEdit->HandleAllocated()) FEdit->RecreateWnd();
}
void TvxCustomInnerTextEditHelper::SetOnSelChange(TNotifyEvent Value) { FEdit->OnSelChange = std::move(Value); }
void TvxCustomInnerTextEditHelper::SetPasswordChar(wchar_t Value) {
  FEdit->FOwnPasswordChar = Value;
  if (FEdit->FEchoMode == eemPassword) FEdit->RefreshPasswordChar();
}
void TvxCustomInnerTextEditHelper::SetSelLength(Integer Value) {
  if (!FEdit->HandleAllocated()) return;
  if (FEdit->FImeCharCount > 0)
    FSelLength = Value;
  else
    FEdit->SetSelLength(Value);
}
void TvxCustomInnerTextEditHelper::SetSelStart(Integer Value) {
  if (!FEdit->HandleAllocated()) return;
  if (FEdit->FImeCharCount > 0)
    FSelStart = Value;
  else
    FEdit->SetSelStart(Value);
}
void TvxCustomInnerTextEditHelper::SetSelText(const String& Value) {
  if (FEdit->HandleAllocated()) FEdit->SetSelText(Value);
}
String TvxCustomInnerTextEditHelper::GetTextHint() { return FEdit->FTextHint; }
void TvxCustomInnerTextEditHelper::SetTextHint(const String& Value) {
  FEdit->FTextHint = Value;
  if (FEdit->HandleAllocated()) SendMessageW(FEdit->Handle(), EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}
void TvxCustomInnerTextEditHelper::CacheSelection() {
  FSelStart = FEdit->HandleAllocated() ? FEdit->SelStart() : 0;
  FSelLength = FEdit->HandleAllocated() ? FEdit->SelLength() : 0;
}

const TMessageMap* TvxCustomInnerTextEdit::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxCustomInnerTextEdit::WMEraseBkgnd>},
      {WM_NCPAINT, MessageHandler<&TvxCustomInnerTextEdit::WMNCPaint>},
      {WM_GETDLGCODE, MessageHandler<&TvxCustomInnerTextEdit::WMGetDlgCode>},
      {WM_CLEAR, MessageHandler<&TvxCustomInnerTextEdit::WMClear>},
      {WM_UNDO, MessageHandler<&TvxCustomInnerTextEdit::WMUndo>},
      {WM_SETFOCUS, MessageHandler<&TvxCustomInnerTextEdit::WMSetFocus>},
      {WM_KILLFOCUS, MessageHandler<&TvxCustomInnerTextEdit::WMKillFocus>},
      {WM_SIZE, MessageHandler<&TvxCustomInnerTextEdit::WMSize>},
      {WM_IME_CHAR, MessageHandler<&TvxCustomInnerTextEdit::WMImeChar>},
      {WM_IME_COMPOSITION, MessageHandler<&TvxCustomInnerTextEdit::WMImeComposition>},
      {EM_REPLACESEL, MessageHandler<&TvxCustomInnerTextEdit::EMReplaceSel>},
      {EM_SETSEL, MessageHandler<&TvxCustomInnerTextEdit::EMSetSel>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxCustomInnerTextEdit::TvxCustomInnerTextEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  FIsCreating = true;
  FHelper = std::make_unique<TvxCustomInnerTextEditHelper>(this);
  ControlStyle().Include(csDoubleClicks);
  SetParentColor(true);
  SetParentFont(false);
  SetBorderStyle(bsNone);
  RefreshPasswordChar();
  FIsCreating = false;
}

TvxCustomInnerTextEdit::~TvxCustomInnerTextEdit() = default;

TvxCustomTextEdit* TvxCustomInnerTextEdit::Container() { return dynamic_cast<TvxCustomTextEdit*>(Owner()); }
TvxContainer* TvxCustomInnerTextEdit::GetControlContainer() { return Container(); }

void TvxCustomInnerTextEdit::RefreshPasswordChar() {
  SetPasswordChar(FEchoMode == eemPassword ? (FOwnPasswordChar ? FOwnPasswordChar : L'*') : 0);
}

void TvxCustomInnerTextEdit::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style &= ~(ES_LEFT | ES_RIGHT | ES_CENTER | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  static constexpr DWORD CAlign[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  Params.Style |= CAlign[FAlignment] | ES_AUTOHSCROLL;
  if (FOEMConvert) Params.Style |= ES_OEMCONVERT;
  Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TvxCustomInnerTextEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  AdjustMargins();
  if (!FTextHint.empty()) SendMessageW(Handle(), EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(FTextHint.c_str()));
}

void TvxCustomInnerTextEdit::CreateHandle() {
  if (TvxCustomTextEdit* c = Container()) c->ClearSavedChildControlRegions();
  TCustomEdit::CreateHandle();
}

void TvxCustomInnerTextEdit::AdjustMargins() {
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 1));
}

void TvxCustomInnerTextEdit::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (FIsCreating || FLockBoundsCount != 0) return;
  TvxCustomTextEdit* c = Container();
  if (c) c->LockAlignControls(true);
  TScopeExit unlock([c] {
    if (c) c->LockAlignControls(false);
  });
  TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
}

bool TvxCustomInnerTextEdit::CanFocus() {
  TvxCustomTextEdit* c = Container();
  return c ? c->CanFocus() : TCustomEdit::CanFocus();
}

void TvxCustomInnerTextEdit::DefaultHandler(TMessage& Message) {
  TvxCustomTextEdit* c = Container();
  if (c && c->InnerControlDefaultHandler(Message)) return;
  TCustomEdit::DefaultHandler(Message);
}

void TvxCustomInnerTextEdit::WndProc(TMessage& Message) {
  TvxCustomTextEdit* c = Container();
  if (c && c->InnerControlMenuHandler(Message)) return;
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: {
      // The first click of a double click may switch the alignment, which re-creates the
      // window: the second click then reaches a window that saw no first one, so it is
      // turned into the double click here.
      const bool pending = DoubleClickPending();
      FDblClickLock = false;
      if (pending) {
        FDblClickTime = GetTickCount();
        Message.Msg = WM_LBUTTONDBLCLK;
        TCustomEdit::WndProc(Message);
        return;
      }
      if (UsesEditingAlignment() && FAlignment != taLeftJustify) {
        TCustomEdit::WndProc(Message);
        if (!ComponentState().Contains(csDestroying)) UpdateEditingAlignment();
        FDblClickTime = GetTickCount();
        FDblClickLock = true;
        return;
      }
      break;
    }
    case WM_LBUTTONDBLCLK:
      // The window saw both clicks itself (the first one did not re-create it), so this is
      // the double click: nothing was made from the second click.
      FDblClickTime = 0;
      FDblClickLock = false;
      break;
    case WM_MOUSEMOVE:
      if (FDblClickLock) {
        TCustomEdit::WndProc(Message);
        // The new window's selection is not the one the click made: keep a caret.
        if (HandleAllocated()) {
          DWORD start = 0, end = 0;
          SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
          SendMessageW(Handle(), EM_SETSEL, end, end);
        }
        return;
      }
      break;
    case WM_KEYDOWN: {
      FDblClickTime = 0;
      TvxCustomInnerTextEditPrevState state;
      SaveInnerEditState(this, true, state);
      FInternalUpdating = false;
      TCustomEdit::WndProc(Message);
      // A key the edit control ignored (an arrow at the end of the text, PageUp ...)
      // goes on to the surrounding control.
      Word key = static_cast<Word>(Message.WParam);
      if (c && key != 0 && !FInternalUpdating && !CompareInnerEditState(this, state)) {
        c->DoAfterKeyDown(key, vxCurrentShiftState());
      }
      return;
    }
    case WM_CHAR: {
      TvxCustomInnerTextEditPrevState state;
      SaveInnerEditState(this, true, state);
      FInternalUpdating = false;
      TCustomEdit::WndProc(Message);
      if (FImeCharCount > 0) {
        --FImeCharCount;
        if (FImeCharCount == 0 && c && c->FindSelection() && HandleAllocated())
          SendMessageW(Handle(), EM_SETSEL, FHelper->FSelStart, FHelper->FSelStart + FHelper->FSelLength);
      }
      if (c) {
        if (!FInternalUpdating && CompareInnerEditState(this, state)) c->SetFindSelection(false);
      }
      return;
    }
    default:
      break;
  }
  // Every case that does not handle the message whole passes it on here.
  TCustomEdit::WndProc(Message);
}

void TvxCustomInnerTextEdit::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }
void TvxCustomInnerTextEdit::WMNCPaint(TMessage& Message) { Message.Result = 0; }

void TvxCustomInnerTextEdit::WMGetDlgCode(TMessage& Message) {
  InheritedMessage(Message);
  Message.Result |= DLGC_WANTCHARS;
  TvxCustomTextEdit* c = Container();
  if (c && c->IsInplace()) {
    if (GetKeyState(VK_CONTROL) >= 0) Message.Result |= DLGC_WANTTAB;
    Message.Result |= DLGC_WANTALLKEYS;
  }
}

void TvxCustomInnerTextEdit::WMClear(TMessage&) {
  TvxCustomTextEdit* c = Container();
  if (ReadOnly() || !c) return;
  TValueScope<bool> keyboard(c->FKeyboardAction, true);
  c->ClearSelection();
}

void TvxCustomInnerTextEdit::WMUndo(TMessage& Message) {
  InheritedMessage(Message);
  if (TvxCustomTextEdit* c = Container()) c->UndoPerformed();
}

void TvxCustomInnerTextEdit::WMSetFocus(TMessage& Message) {
  InheritedMessage(Message);
  TvxCustomTextEdit* c = Container();
  if (!c || c->IsDestroying() || ComponentState().Contains(csDestroying)) return;
  // A click switches the alignment itself (after the edit control has seen it).
  if (GetKeyState(VK_LBUTTON) >= 0) UpdateEditingAlignment();
  if (!(c->HandleAllocated() && reinterpret_cast<HWND>(Message.WParam) == c->Handle())) c->FocusChanged();
}

void TvxCustomInnerTextEdit::WMKillFocus(TMessage& Message) {
  InheritedMessage(Message);
  TvxCustomTextEdit* c = Container();
  FDblClickTime = 0;
  if (c && !c->IsDestroying() && !ComponentState().Contains(csDestroying) && UsesEditingAlignment())
    FHelper->SetAlignment(c->ActiveProperties()->Alignment()->Horz());
  if (c && !c->IsDestroying()) c->FocusChanged();
}

bool TvxCustomInnerTextEdit::UsesEditingAlignment() {
  TvxCustomTextEdit* c = Container();
  return c && c->ActiveProperties()->UseLeftAlignmentOnEditing() &&
         c->ActiveProperties()->Alignment()->Horz() != taLeftJustify;
}

void TvxCustomInnerTextEdit::UpdateEditingAlignment() {
  TvxCustomTextEdit* c = Container();
  if (!c || !UsesEditingAlignment()) return;
  TCustomForm* form = GetParentForm(c);
  TWinControl* active = form ? form->ActiveControl() : nullptr;
  const bool editing = active == c || active == this || (HandleAllocated() && GetFocus() == Handle());
  FHelper->SetAlignment(editing ? taLeftJustify : c->ActiveProperties()->Alignment()->Horz());
  c->Invalidate();
}

bool TvxCustomInnerTextEdit::DoubleClickPending() const {
  return FDblClickTime != 0 && GetTickCount() - FDblClickTime < GetDoubleClickTime();
}

void TvxCustomInnerTextEdit::WMSize(TMessage& Message) {
  InheritedMessage(Message);
  AdjustMargins();
}

void TvxCustomInnerTextEdit::WMImeChar(TMessage& Message) {
  // Characters arrive as UTF-16 units: each is one character of the composition.
  FImeCharCount = 1;
  FImeLastChar = 0;
  FHelper->CacheSelection();
  InheritedMessage(Message);
}

void TvxCustomInnerTextEdit::WMImeComposition(TMessage& Message) {
  TvxCustomTextEdit* c = Container();
  if (c && !c->DoEditing()) return;
  InheritedMessage(Message);
}

void TvxCustomInnerTextEdit::EMReplaceSel(TMessage& Message) {
  TvxCustomTextEdit* c = Container();
  if (c && c->Focused() && !c->DoEditing()) return;
  InheritedMessage(Message);
}

void TvxCustomInnerTextEdit::EMSetSel(TMessage& Message) {
  InheritedMessage(Message);
  vxCallNotifyEvent(this, OnSelChange);
}

void TvxCustomInnerTextEdit::Change() { TCustomEdit::Change(); }

void TvxCustomInnerTextEdit::Click() {
  TCustomEdit::Click();
  if (TvxCustomTextEdit* c = Container()) c->Click();
}

void TvxCustomInnerTextEdit::DblClick() {
  TCustomEdit::DblClick();
  if (TvxCustomTextEdit* c = Container()) c->DblClick();
}

bool TvxCustomInnerTextEdit::DoMouseWheel(TShiftState, Integer, POINT) { return false; }

void TvxCustomInnerTextEdit::KeyDown(Word& Key, TShiftState Shift) {
  FInternalUpdating = false;
  if (TvxCustomTextEdit* c = Container()) c->KeyDown(Key, Shift);
  if (Key == 0)
    FInternalUpdating = true;
  else
    TCustomEdit::KeyDown(Key, Shift);
}

void TvxCustomInnerTextEdit::KeyPress(wchar_t& Key) {
  FInternalUpdating = false;
  if (Key == L'\t') Key = 0;
  TvxCustomTextEdit* c = Container();
  if (c && Key != 0) c->KeyPress(Key);
  // Enter and Escape the editor took: the system control must not beep for them.
  if (c && (Key == L'\r' || Key == 27) &&
      (c->IsInplace() || c->FIsPopupWindowJustClosed || (Key == L'\r' && !c->BeepOnEnter()))) {
    Key = 0;
    c->FIsPopupWindowJustClosed = false;
  }
  if (Key != 0) TCustomEdit::KeyPress(Key);
}

void TvxCustomInnerTextEdit::KeyUp(Word& Key, TShiftState Shift) {
  if (Key == VK_TAB) Key = 0;
  if (TvxCustomTextEdit* c = Container(); c && Key != 0) c->KeyUp(Key, Shift);
  if (Key != 0) TCustomEdit::KeyUp(Key, Shift);
}

void TvxCustomInnerTextEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomEdit::MouseDown(Button, Shift, X, Y);
  if (TvxCustomTextEdit* c = Container()) c->MouseDownFromInner(this, Button, Shift, X, Y);
}

void TvxCustomInnerTextEdit::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TCustomEdit::MouseMove(Shift, X, Y);
  if (TvxCustomTextEdit* c = Container()) c->MouseMove(Shift, X + Left(), Y + Top());
}

void TvxCustomInnerTextEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomEdit::MouseUp(Button, Shift, X, Y);
  if (TvxCustomTextEdit* c = Container()) c->MouseUp(Button, Shift, X + Left(), Y + Top());
}

Integer TvxCustomInnerTextEdit::GetCharIndexAtCaret() {
  if (!HandleAllocated()) return 0;
  POINT caret;
  GetCaretPos(&caret);
  const Integer len = GetTextLen();
  if (len == 0) return 0;
  auto xOf = [this](Integer i) {
    return static_cast<Integer>(static_cast<short>(LOWORD(SendMessageW(Handle(), EM_POSFROMCHAR, i, 0))));
  };
  Integer lo = 0, hi = len - 1;
  while (hi - lo > 1) {
    const Integer mid = (lo + hi) / 2;
    const Integer x = xOf(mid);
    if (x == caret.x) return mid;
    if (x < caret.x)
      lo = mid;
    else
      hi = mid;
  }
  if (xOf(lo) == caret.x) return lo;
  if (xOf(hi) == caret.x) return hi;
  return hi + 1;
}

void SaveInnerEditState(TvxCustomInnerTextEdit* AInnerEdit, bool ASaveText, TvxCustomInnerTextEditPrevState& AState) {
  AState.IsPrevTextSaved = ASaveText;
  if (ASaveText) AState.PrevText = AInnerEdit->Text();
  AState.PrevSelStart = AInnerEdit->Helper()->GetSelStart();
  AState.PrevSelLength = AInnerEdit->Helper()->GetSelLength();
}

bool CompareInnerEditState(TvxCustomInnerTextEdit* AInnerEdit, const TvxCustomInnerTextEditPrevState& AState) {
  if (!AInnerEdit->HandleAllocated()) return true;
  if (AInnerEdit->Helper()->GetSelStart() != AState.PrevSelStart ||
      AInnerEdit->Helper()->GetSelLength() != AState.PrevSelLength)
    return true;
  return AState.IsPrevTextSaved && AnsiCompareText(AState.PrevText, AInnerEdit->Text()) != 0;
}

// --- Numeric text ---------------------------------------------------------------------------------

namespace {

// Equal values of the same variant type; two Nulls are equal.
bool VarEqualsSameType(const Variant& A, const Variant& B) {
  if (VarType(A) != VarType(B)) return false;
  if (VarIsNull(A) || VarIsEmpty(A)) return true;
  return VariantsEqual(A, B);
}

String ExtractExponentText(String& AText) {
  for (size_t i = 0; i < AText.size(); ++i)
    if (AText[i] == L'E' || AText[i] == L'e') {
      String r = AText.substr(i);
      AText.resize(i);
      return r;
    }
  return String();
}

}  // namespace

void RemoveThousandSeparators(String& AText) {
  const wchar_t sep = FormatSettings.ThousandSeparator;
  AText.erase(std::remove(AText.begin(), AText.end(), sep), AText.end());
}

void InsertThousandSeparators(String& AText) {
  size_t a = 0, b = AText.size();
  while (a < b && IsBlankChar(AText[a])) ++a;
  while (b > a && IsBlankChar(AText[b - 1])) --b;
  const String head = AText.substr(0, a), tail = AText.substr(b);
  String body = AText.substr(a, b - a);
  const String exponent = ExtractExponentText(body);
  RemoveThousandSeparators(body);
  size_t dec = body.find(FormatSettings.DecimalSeparator);
  Integer pos = static_cast<Integer>(dec == String::npos ? body.size() : dec);
  Integer digits = 0;
  for (Integer i = pos - 1; i >= 0; --i) {
    if (body[i] < L'0' || body[i] > L'9') break;
    if (++digits == 4) {
      body.insert(static_cast<size_t>(i) + 1, 1, FormatSettings.ThousandSeparator);
      digits = 1;
    }
  }
  AText = head + body + exponent + tail;
}

bool IsNumericText(const String& AText) {
  String s = AText;
  RemoveThousandSeparators(s);
  Extended v;
  return !s.empty() && TryStrToFloat(s, v);
}

void ReformatNumericEditText(TvxCustomTextEdit* AEdit) {
  String text = AEdit->Text();
  InsertThousandSeparators(text);
  if (!IsNumericText(text)) return;
  const String old = AEdit->Text();
  const Integer caret = AEdit->SelStart();
  Integer count = 0;
  for (Integer i = 0; i < caret && i < static_cast<Integer>(old.size()); ++i)
    if (old[i] != FormatSettings.ThousandSeparator) ++count;
  AEdit->SetInternalDisplayValue(text);
  Integer pos = 0;
  while (pos < static_cast<Integer>(text.size()) && count > 0) {
    if (text[pos] != FormatSettings.ThousandSeparator) --count;
    ++pos;
  }
  AEdit->SetSelection(pos, 0);
}

void ApplyCharCase(String& AText, TEditCharCase ACharCase) {
  if (ACharCase == ecUpperCase)
    AText = AnsiUpperCase(AText);
  else if (ACharCase == ecLowerCase)
    AText = AnsiLowerCase(AText);
}

// --- Text edit control ----------------------------------------------------------------------------

TClass TvxCustomTextEditProperties::GetContainerClass() { return TvxTextEdit::StaticClass(); }

const TMessageMap* TvxCustomTextEdit::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_GETTEXT, MessageHandler<&TvxCustomTextEdit::WMGetText>},
      {WM_GETTEXTLENGTH, MessageHandler<&TvxCustomTextEdit::WMGetTextLength>},
      {WM_SETTEXT, MessageHandler<&TvxCustomTextEdit::WMSetText>},
      {WM_CLEAR, MessageHandler<&TvxCustomTextEdit::WMClear>},
      {WM_COMMAND, MessageHandler<&TvxCustomTextEdit::WMCommand>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxCustomTextEdit::~TvxCustomTextEdit() {
  FText = InternalGetText();
  if (FFormatListening) GetFormatController()->RemoveListener(this);
}

TClass TvxCustomTextEdit::GetInnerEditClass() { return TvxCustomInnerTextEdit::StaticClass(); }

TvxCustomInnerTextEdit* TvxCustomTextEdit::InnerTextControl() const {
  return dynamic_cast<TvxCustomInnerTextEdit*>(InnerEdit() ? InnerEdit()->GetControl() : nullptr);
}

void TvxCustomTextEdit::Initialize() {
  TvxCustomEdit::Initialize();
  FBeepOnEnter = true;
  FFindSelection = false;
  if (TvxCustomInnerTextEdit* inner = InnerTextControl()) {
    inner->SetColor(clWindow);
    inner->OnSelChange = [this](TObject* Sender) { InnerEditSelChanged(Sender); };
  }
  SetBounds(Left(), Top(), 121, 21);
  FLookupData = ActiveProperties()->CreateLookupData(this);
  if (FLookupData) FLookupData->OnSelectItem = [this](TObject*) { ApplyLookupSelection(); };
  GetFormatController()->AddListener(this);
  FFormatListening = true;
}

String TvxCustomTextEdit::InternalGetText() {
  if (IvxInnerTextEdit* e = InnerTextEdit()) return VarToStr(e->GetEditValue());
  return FText;
}

void TvxCustomTextEdit::SetInternalDisplayValue(const Variant& Value) {
  IvxInnerTextEdit* e = InnerTextEdit();
  if (!e) return;
  TValueScope<Integer> lookupLock(FLookupDataTextChangedLockCount, FLookupDataTextChangedLockCount + 1);
  e->SetEditValue(VarToStr(Value));
}

bool TvxCustomTextEdit::InternalSetText(const String& AText) {
  Variant v = AText;
  if (!ActiveProperties()->IsDisplayValueValid(v, InternalFocused())) return false;
  if (FKeyboardAction && !DoEditing()) return false;
  DataBinding()->SetDisplayValue(v);
  if (!FKeyboardAction) {
    ResetFindSelection();
    SynchronizeEditValue();
    SetEditModified(false);
  }
  return true;
}

void TvxCustomTextEdit::SetEditingText(const String& Value) {
  if (!DoEditing()) return;
  InternalSetText(Value);
  SetModifiedAfterEnter(true);
}

void TvxCustomTextEdit::SynchronizeDisplayValue() {
  TvxCustomTextEditProperties* p = ActiveProperties();
  const bool focused = InternalFocused();
  Variant display;
  Variant value = EditValue();
  if (p->IsEditValueValid(value, focused)) {
    PrepareDisplayValue(EditValue(), display, focused);
  } else if (focused) {
    p->GetInvalidEditValueDisplayValue(display);
  } else {
    // An invalid value shows as its plain text; one that cannot even be read shows empty.
    try {
      const Variant v = EditValue();
      if (VarType(v) == varDate) {
        String s;
        DateTimeToString(s, String(), static_cast<TDateTime>(v.AsDouble()));
        display = s;
      } else {
        display = VarToStr(v);
      }
    } catch (const Exception&) {
      display = String();
    }
  }
  {
    TvxModifiedStateScope modified(this);
    TValueScope<bool> synchronizing(FIsDisplayValueSynchronizing, true);
    DataBinding()->SetDisplayValue(display);
  }
  ResetFindSelection();
  UpdateDrawValue();
}

void TvxCustomTextEdit::SynchronizeEditValue() {
  TvxCustomTextEditProperties* p = ActiveProperties();
  const Variant prev = p->CanCompareEditValue() ? EditValue() : Null();
  Variant value;
  PrepareEditValue(InternalGetText(), value, InternalFocused());
  StoreEditValue(value);
  if (FKeyboardAction)
    SetModifiedAfterEnter(true);
  else
    SetEditModified(false);
  if (!VarEqualsSameType(prev, value)) {
    NotifyEditValueChanged();
    if (!p->HasSeparateChangeEvents()) NotifyChange();
  }
}

void TvxCustomTextEdit::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  AEditValue = ADisplayValue;
}

void TvxCustomTextEdit::InternalGetEditingValue(Variant& Value) {
  PrepareEditValue(InternalGetText(), Value, true);
}

void TvxCustomTextEdit::InternalApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  if (VarToStr(ADisplayValue) != InternalGetText()) SetInternalDisplayValue(ADisplayValue);
  SynchronizeEditValue();
}

void TvxCustomTextEdit::ApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  TvxCustomTextEditProperties* p = ActiveProperties();
  if (p->GetEditingStyle() == esEdit && p->IsLookupDataUsed() && p->LookupItems()->Count() > 0 &&
      !p->IsLookupItem(VarToStr(ADisplayValue)))
    DoNewLookupDisplayText(VarToStr(ADisplayValue));
  TvxCustomEdit::ApplyValidatedDisplayValue(ADisplayValue);
}

void TvxCustomTextEdit::DoNewLookupDisplayText(const String& AText) {
  if (Properties()->OnNewLookupDisplayText) Properties()->OnNewLookupDisplayText(this, AText);
  if (RepositoryItem() && ActiveProperties()->OnNewLookupDisplayText)
    ActiveProperties()->OnNewLookupDisplayText(this, AText);
}

bool TvxCustomTextEdit::InternalSupportsSpelling() {
  return ActiveProperties()->EchoMode() == eemNormal && ActiveProperties()->CanModify();
}

bool TvxCustomTextEdit::InternalDoEditing() { return ActiveProperties()->GetEditingStyle() != esNoEdit; }

bool TvxCustomTextEdit::IsEditClass() {
  const TvxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  return !(style == esFixedList || style == esNoEdit || SkipInnerEditUpdate() || IsDesigning());
}

bool TvxCustomTextEdit::IsValidChar(wchar_t AChar) {
  if (!TvxCustomEdit::IsValidChar(AChar)) return false;
  const TvxTextEditChars& valid = ActiveProperties()->ValidChars();
  return valid.none() || (AChar < 256 && valid.test(AChar));
}

void TvxCustomTextEdit::ChangeHandler(TObject* Sender) {
  {
    auto lock = vxLockChangeEvents(this);
    TvxCustomEdit::ChangeHandler(Sender);
  }
  if (!ViewInfo()->IsEditClass) UpdateDrawValue();
  if (Focused() && ActiveProperties()->IsEditValueNumeric() &&
      ActiveProperties()->UseThousandSeparators(FIsDisplayValueSynchronizing))
    ReformatNumericEditText(this);
}

void TvxCustomTextEdit::UpdateDrawValue() {
  std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData());
  auto* tvd = static_cast<TvxCustomTextEditViewData*>(vd.get());
  tvd->DisplayValueToDrawValue(InternalGetText(), ViewInfo());
  if (!HandleAllocated()) return;
  CalculateViewInfoAtCursor();
  const TvxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == esFixedList || style == esNoEdit) {
    TvxCustomTextEditViewInfo* vi = ViewInfo();
    if (style == esNoEdit || !FFindSelection || !ActiveProperties()->FixedListSelection()) {
      vi->SelLength = 0;
    } else if (vi->DrawSelectionBar) {
      vi->SelStart = 0;
      vi->SelLength = static_cast<Integer>(InternalGetText().size()) - SelLength();
      vi->SelTextColor = clHighlight;
      vi->SelBackgroundColor = clHighlightText;
    } else {
      vi->SelStart = SelStart();
      vi->SelLength = SelLength();
      vi->SelTextColor = clHighlightText;
      vi->SelBackgroundColor = clHighlight;
    }
  }
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

Integer TvxCustomTextEdit::GetInnerEditHeight() {
  TvxCustomInnerTextEdit* inner = InnerTextControl();
  if (!inner) return 0;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, inner->Font()->Handle());
  SIZE sz{};
  GetTextExtentPoint32W(dc, L"Wg", 2, &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return sz.cy;
}

void TvxCustomTextEdit::AdjustInnerEditPosition() {
  TvxCustomInnerTextEdit* inner = InnerTextControl();
  if (!inner || FInnerEditPositionAdjusting) return;
  TValueScope<bool> adjusting(FInnerEditPositionAdjusting, true);
  const Integer h = GetInnerEditHeight();
  const TRect r = ViewInfo()->ClientRect;
  const TRect& o = ContentParams.Offsets;
  Integer top;
  switch (ActiveProperties()->Alignment()->Vert()) {
    case taBottomJustify:
      top = r.bottom - h - o.bottom;
      break;
    case taVCenter:
      top = r.top + o.top + (r.bottom - r.top - h - o.top - o.bottom) / 2;
      break;
    default:
      top = r.top + o.top;
  }
  top = std::max<Integer>(top, r.top + o.top);
  const TRect b{r.left + o.left, top, r.right - o.right + 1, top + h};
  RECT cur = inner->BoundsRect();
  if (!EqualRect(&cur, &b)) inner->SetBounds(b.left, b.top, b.right - b.left, b.bottom - b.top);
}

void TvxCustomTextEdit::ContainerStyleChanged(TObject* Sender) {
  TvxCustomEdit::ContainerStyleChanged(Sender);
  UpdateInnerEditAppearance();
}

void TvxCustomTextEdit::Paint() {
  TvxCustomEdit::Paint();
  TvxCustomInnerTextEdit* inner = InnerTextControl();
  if (inner && inner->Color() != ViewInfo()->BackgroundColor()) UpdateInnerEditAppearance();
}

void TvxCustomTextEdit::UpdateInnerEditAppearance() {
  IvxInnerTextEdit* e = InnerTextEdit();
  TvxCustomInnerTextEdit* inner = InnerTextControl();
  if (!e || !inner || FIsCreating) return;
  e->LockBounds(true);
  TScopeExit unlock([e] { e->LockBounds(false); });
  inner->SetColor(ViewInfo()->BackgroundColor());
  inner->Font()->Assign(ActiveStyle()->GetVisibleFont());
  inner->Font()->SetColor(ViewInfo()->TextColor);
}

void TvxCustomTextEdit::ValidateLookupDisplayValue() {
  TvxCustomTextEditProperties* p = ActiveProperties();
  const TvxEditEditingStyle style = p->GetEditingStyle();
  if (style == esEdit || style == esNoEdit) {
    if (!ModifiedAfterEnter()) DataBinding()->UpdateDisplayValue();
    return;
  }
  const bool check = (ModifiedAfterEnter() && !IsEditValidated()) || IsLookupValueCheckNeeded();
  if (!check) {
    SynchronizeDisplayValue();
    return;
  }
  Variant v = InternalGetText();
  if (!p->IsDisplayValueValid(v, true)) {
    {
      TvxModifiedStateScope modified(this);
      Variant invalid;
      p->GetInvalidEditValueDisplayValue(invalid);
      DataBinding()->SetDisplayValue(invalid);
    }
    if (!ModifiedAfterEnter()) SynchronizeEditValue();
  } else {
    SynchronizeDisplayValue();
  }
}

void TvxCustomTextEdit::PropertiesChanged(TObject* Sender) {
  TvxCustomTextEditProperties* p = ActiveProperties();
  IvxInnerTextEdit* e = InnerTextEdit();
  if (FLookupData) {
    FLookupData->PropertiesChanged();
    if (FLookupDataTextChangedLockCount <= 0) FLookupData->TextChanged();
  }
  if (e && !SkipInnerEditUpdate()) {
    e->SetAlignment(p->Alignment()->Horz());
    e->SetAutoSelect(p->AutoSelect() && !IsInplace());
    e->SetCharCase(p->CharCase());
    e->SetEchoMode(p->EchoMode());
    e->SetHideSelection(p->HideSelection());
    e->SetImeMode(p->ImeMode());
    e->SetImeName(p->ImeName());
    e->SetMaxLength(p->MaxLength());
    e->SetOEMConvert(p->OEMConvert());
    e->SetPasswordChar(p->PasswordChar());
  }
  PropertiesBoundsChanged();
  if (!IsPosting() && !SkipInnerEditUpdate()) ValidateLookupDisplayValue();
  UpdateDrawValue();
  TvxCustomEdit::PropertiesChanged(Sender);
  UpdateInnerEditAppearance();
  if (TvxCustomInnerTextEdit* inner = InnerTextControl()) inner->Invalidate();
}

void TvxCustomTextEdit::FormatChanged() {
  ActiveProperties()->Changed();
  SynchronizeDisplayValue();
}

// --- Selection and clipboard --------------------------------------------------------------------

namespace {
bool NoSelectionStyle(TvxCustomTextEdit* E) {
  const TvxEditEditingStyle s = E->ActiveProperties()->GetEditingStyle();
  return s == esNoEdit || (s == esFixedList && !E->FindSelection());
}
}  // namespace

Integer TvxCustomTextEdit::SelStart() {
  IvxInnerTextEdit* e = InnerTextEdit();
  return !e || NoSelectionStyle(this) ? 0 : e->GetSelStart();
}

Integer TvxCustomTextEdit::SelLength() {
  IvxInnerTextEdit* e = InnerTextEdit();
  return !e || NoSelectionStyle(this) ? 0 : e->GetSelLength();
}

String TvxCustomTextEdit::SelText() {
  IvxInnerTextEdit* e = InnerTextEdit();
  return !e || NoSelectionStyle(this) ? String() : e->GetSelText();
}

void TvxCustomTextEdit::SetSelStart(Integer Value) {
  if (IvxInnerTextEdit* e = InnerTextEdit(); e && ActiveProperties()->GetEditingStyle() != esNoEdit)
    e->SetSelStart(Value);
}

void TvxCustomTextEdit::SetSelLength(Integer Value) {
  if (IvxInnerTextEdit* e = InnerTextEdit(); e && ActiveProperties()->GetEditingStyle() != esNoEdit)
    e->SetSelLength(Value);
}

void TvxCustomTextEdit::SetSelection(Integer ASelStart, Integer ASelLength) {
  SetSelStart(ASelStart);
  SetSelLength(ASelLength);
}

Integer TvxCustomTextEdit::CursorPos() {
  TvxCustomInnerTextEdit* inner = InnerTextControl();
  return inner ? inner->GetCharIndexAtCaret() : 0;
}

void TvxCustomTextEdit::SelectAll() {
  if (IvxInnerTextEdit* e = InnerTextEdit(); e && e->GetControl()->HandleAllocated()) e->SelectAll();
}

void TvxCustomTextEdit::Activate(TvxCustomEditData*& AEditData) {
  TvxCustomEdit::Activate(AEditData);
  if (!HandleAllocated()) return;
  SetSelStart(0);
  if (ActiveProperties()->AutoSelect()) SelectAll();
}

void TvxCustomTextEdit::CopyToClipboard() {
  const TvxEditEditingStyle s = ActiveProperties()->GetEditingStyle();
  IvxInnerTextEdit* e = InnerTextEdit();
  if (!e) return;
  if (s == esFixedList || s == esNoEdit) SelectAll();
  if (e->GetSelLength() > 0) e->CopyToClipboard();
}

namespace {

String ClipboardText() {
  String r;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return r;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
      r = p;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return r;
}

}  // namespace

void TvxCustomTextEdit::CutToClipboard() {
  IvxInnerTextEdit* e = InnerTextEdit();
  if (!e || e->GetSelLength() == 0) return;
  if (Focused()) {
    TValueScope<bool> keyboard(FKeyboardAction, true);
    String text;
    Integer start;
    if (PrepareSelTextChange(String(), text, start)) e->CallDefWndProc(WM_CUT, 0, 0);
  } else {
    e->CopyToClipboard();
    SetSelText(String());
  }
}

void TvxCustomTextEdit::PasteFromClipboard() {
  if (!IsClipboardFormatAvailable(CF_TEXT) && !IsClipboardFormatAvailable(CF_UNICODETEXT)) return;
  IvxInnerTextEdit* e = InnerTextEdit();
  if (!e) return;
  const String clip = ClipboardText();
  if (Focused()) {
    TValueScope<bool> keyboard(FKeyboardAction, true);
    String text;
    Integer start;
    if (PrepareSelTextChange(clip, text, start)) e->CallDefWndProc(WM_PASTE, 0, 0);
  } else {
    SetSelText(clip);
  }
}

void TvxCustomTextEdit::ClearSelection() {
  if (SelLength() == 0) return;
  TValueScope<bool> keyboard(FKeyboardAction, FKeyboardAction || Focused() || FIsChangeBySpellChecker);
  const Integer start = SelStart();
  String text = InternalGetText();
  text.erase(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
  if (InternalSetText(text)) SetSelection(start, 0);
}

void TvxCustomTextEdit::SetSelText(const String& Value) {
  TValueScope<bool> keyboard(FKeyboardAction, FKeyboardAction || Focused() || FIsChangeBySpellChecker);
  String text;
  Integer start;
  if (!PrepareSelTextChange(Value, text, start)) return;
  DataBinding()->SetDisplayValue(text);
  if (!FKeyboardAction) {
    SynchronizeEditValue();
    SetEditModified(false);
  } else {
    SetModifiedAfterEnter(true);
  }
  SetSelection(start, 0);
}

bool TvxCustomTextEdit::PrepareSelTextChange(const String& AText, String& ANewText, Integer& ANewSelStart) {
  TvxCustomTextEditProperties* p = ActiveProperties();
  const TvxEditEditingStyle style = p->GetEditingStyle();
  if (FKeyboardAction && style == esNoEdit) return false;
  if (style == esFixedList || style == esNoEdit) SelectAll();
  const String text = InternalGetText();
  const Integer selStart = std::min<Integer>(SelStart(), static_cast<Integer>(text.size()));
  const Integer selLength = std::min<Integer>(SelLength(), static_cast<Integer>(text.size()) - selStart);
  const String before = text.substr(0, static_cast<size_t>(selStart));
  const String after = text.substr(static_cast<size_t>(selStart + selLength));
  const Integer maxLength = p->MaxLength();
  if (FKeyboardAction && (style == esEdit || style == esNoEdit) && maxLength > 0) {
    String head = before + AText;
    if (static_cast<Integer>(head.size()) > maxLength) head.resize(static_cast<size_t>(maxLength));
    if (static_cast<Integer>(head.size()) < selStart) return false;
    if (static_cast<Integer>(head.size()) == selStart && !AText.empty()) return false;
    ANewText = head + after;
    if (static_cast<Integer>(ANewText.size()) > maxLength) ANewText.resize(static_cast<size_t>(maxLength));
    ANewSelStart = static_cast<Integer>(head.size());
  } else {
    ANewText = style == esFixedList ? AText : before + AText + after;
    ANewSelStart = selStart + static_cast<Integer>(AText.size());
  }
  Variant v = ANewText;
  if (!p->IsDisplayValueValid(v, InternalFocused())) return false;
  if (FKeyboardAction && !DoEditing()) return false;
  ANewText = VarToStr(v);
  return true;
}

void TvxCustomTextEdit::SetFindSelection(bool Value) {
  if (!HandleAllocated() || Value == FFindSelection || FDisableRefresh) return;
  FFindSelection = Value;
  CalculateViewInfoAtCursor();
  UpdateDrawValue();
}

void TvxCustomTextEdit::SetTextHint(const String& Value) {
  FTextHint = Value;
  if (IvxInnerTextEdit* e = InnerTextEdit()) e->SetTextHint(Value);
}

Integer TvxCustomTextEdit::GetTextBaseLine() {
  TvxCustomInnerTextEdit* inner = InnerTextControl();
  if (!inner) return 0;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, inner->Font()->Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return inner->Top() + tm.tmAscent;
}

// --- Keys -----------------------------------------------------------------------------------------

bool TvxCustomTextEdit::CanKeyDownModifyEdit(Word Key, TShiftState) { return Key == VK_DELETE; }

bool TvxCustomTextEdit::CanKeyPressModifyEdit(wchar_t Key) {
  if (Key == VK_BACK || Key == 22 || Key == 24) return true;  // Backspace, Ctrl+V, Ctrl+X
  WORD type = 0;
  GetStringTypeW(CT_CTYPE1, &Key, 1, &type);
  return (type & C1_CNTRL) == 0;
}

void TvxCustomTextEdit::ProcessKeyDown(Word& Key, TShiftState Shift) {
  IvxInnerTextEdit* e = InnerTextEdit();
  const TvxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == esFixedList && !IsClearOrClickKey(Key, Shift) &&
      (Key == VK_LEFT || Key == VK_RIGHT || Key == VK_DELETE)) {
    SetFindSelection(false);
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  if (e) e->SetInternalUpdating(true);
  const bool wasFound = FFindSelection;
  TvxCustomEdit::ProcessKeyDown(Key, Shift);
  if (Key == 0) return;
  if (Key == VK_RETURN && wasFound) SelectAll();
  switch (Key) {
    case VK_LEFT:
    case VK_RIGHT:
      if (FFindSelection && !Shift.Contains(ssShift) && SelLength() > 0) {
        SetSelection(Key == VK_RIGHT ? SelStart() + SelLength() : SelStart(), 0);
        Key = 0;
      }
      SetFindSelection(false);
      break;
    case VK_DELETE:
      if (style == esEditList) {
        DoAfterKeyDown(Key, Shift);
        Key = 0;
      } else {
        SetFindSelection(false);
      }
      break;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
      if (FLookupData && ActiveProperties()->IsLookupDataUsed() && CanScrollLookupItems(false) &&
          !FLookupData->IsEmpty()) {
        const bool ctrl = Shift.Contains(ssCtrl);
        StepLookup(Key == VK_PRIOR ? (ctrl ? egdBegin : egdPageUp)
                   : Key == VK_NEXT ? (ctrl ? egdEnd : egdPageDown)
                   : Key == VK_UP   ? egdPrev
                                    : egdNext);
        Key = 0;
        break;
      }
      // A single-line edit leaves these to the surrounding control.
      if (!e || !e->GetMultiLine()) {
        DoAfterKeyDown(Key, Shift);
        Key = 0;
      }
      break;
    case VK_END:
      if (SelLength() == 0 && style != esFixedList) SetFindSelection(false);
      break;
    default:
      break;
  }
  if (Key != 0 && e) e->SetInternalUpdating(false);
}

void TvxCustomTextEdit::ProcessKeyPress(wchar_t& Key) {
  IvxInnerTextEdit* e = InnerTextEdit();
  if (e) e->SetInternalUpdating(true);
  TvxCustomEdit::ProcessKeyPress(Key);
  if (Key == 0) return;
  TvxCustomTextEditProperties* p = ActiveProperties();
  const TvxEditEditingStyle style = p->GetEditingStyle();
  TValueScope<bool> keyboard(FKeyboardAction, true);
  if (style == esFixedList && Key == VK_BACK && !p->FixedListSelection()) {
    Key = 0;
    SetFindSelection(false);
  }
  if (Key != 0 && FLookupData && p->IsLookupDataUsed() && p->CanUseLookupData() && !FLookupData->IsEmpty())
    LookupKeyPress(Key);
  if (Key != 0 && e) e->SetInternalUpdating(false);
}

void TvxCustomTextEdit::LookupKeyPress(wchar_t& Key) {
  TvxCustomTextEditProperties* p = ActiveProperties();
  const TvxEditEditingStyle style = p->GetEditingStyle();
  const String text = InternalGetText();
  const Integer selStart = SelStart(), selLength = SelLength();
  const bool atEnd = selLength == 0 && selStart == static_cast<Integer>(text.size());
  // A plain edit searches only when typing at the end, over a completion or a selection.
  if ((style == esEdit || style == esNoEdit) && !atEnd && !FFindSelection && selLength == 0) return;
  const Integer previousKey = FLookupData->CurrentKey();
  LockClick(true);
  bool found = false;
  {
    TScopeExit unlock([this] { LockClick(false); });
    if (Key == VK_BACK) {
      if (FFindSelection) {
        String prefix = text.substr(0, static_cast<size_t>(selStart));
        if (!prefix.empty()) prefix.pop_back();
        found = FindAndComplete(prefix);
        if (!found) {
          SetInternalDisplayValue(prefix);
          SetSelection(static_cast<Integer>(prefix.size()), 0);
        }
        Key = 0;
      }
      if (style == esFixedList) Key = 0;
    } else {
      WORD type = 0;
      GetStringTypeW(CT_CTYPE1, &Key, 1, &type);
      if ((type & C1_CNTRL) == 0) {
        String newText;
        if (selLength > 0)
          newText = text.substr(0, static_cast<size_t>(selStart)) + Key;
        else if (style != esFixedList)
          newText = text.substr(0, static_cast<size_t>(selStart)) + Key + text.substr(static_cast<size_t>(selStart));
        else
          newText = String(1, Key);
        found = FindAndComplete(newText);
        if (!found && style == esFixedList && !p->FixedListSelection()) {
          String single(1, Key);
          found = FindAndComplete(single);
        }
        if (found) {
          SetModifiedAfterEnter(true);
          Key = 0;
        } else if (style == esEditList || style == esFixedList) {
          Key = 0;
        }
      }
    }
  }
  if (FLookupData->CurrentKey() != previousKey) DoClick();
}

void TvxCustomTextEdit::KeyPress(wchar_t& Key) {
  if (Key == 27 && FIsPopupWindowJustClosed && !HasPopupWindow()) FIsPopupWindowJustClosed = false;
  TvxCustomEdit::KeyPress(Key);
}

void TvxCustomTextEdit::DoExit() {
  TvxCustomEdit::DoExit();
  SetFindSelection(false);
}

// --- Messages -------------------------------------------------------------------------------------

void TvxCustomTextEdit::WMGetText(TMessage& Message) {
  const Integer max = static_cast<Integer>(Message.WParam);
  auto* buffer = reinterpret_cast<wchar_t*>(Message.LParam);
  if (max < 1 || !buffer) {
    Message.Result = 0;
    return;
  }
  const String text = InternalGetText();
  const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(max - 1));
  std::copy_n(text.data(), n, buffer);
  buffer[n] = 0;
  Message.Result = static_cast<LRESULT>(n);
}

void TvxCustomTextEdit::WMGetTextLength(TMessage& Message) {
  Message.Result = static_cast<LRESULT>(InternalGetText().size());
}

void TvxCustomTextEdit::WMSetText(TMessage& Message) {
  if (FInternalTextSetting) {
    InheritedMessage(Message);
    return;
  }
  TValueScope<bool> setting(FInternalTextSetting, true);
  const auto* text = reinterpret_cast<const wchar_t*>(Message.LParam);
  Message.Result = InternalSetText(text ? String(text) : String()) ? 1 : 0;
}

void TvxCustomTextEdit::WMClear(TMessage&) {
  if (ActiveProperties()->ReadOnly() || !DataBinding()->IsDataAvailable()) return;
  TValueScope<bool> keyboard(FKeyboardAction, true);
  ClearSelection();
}

void TvxCustomTextEdit::WMCommand(TMessage& Message) {
  InheritedMessage(Message);
  switch (HIWORD(Message.WParam)) {
    case EN_CHANGE:
      DoTextChanged();
      break;
    case EN_HSCROLL:
    case EN_VSCROLL:
      DoScrollChanged();
      break;
    default:
      break;
  }
}

void TvxTextEdit::DeclarePublished(TPublisher<TvxTextEdit>& P) {
  vxDeclareTextEditPublished<TvxTextEdit, TvxTextEditProperties>(P);
}
