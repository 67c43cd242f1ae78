#include "vxTextEdit.h"

#include "vxCustomEdit.h"

#include <limits>

#include "FMTBcd.h"
#include "vdCore.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxFilterControlUtils.h"

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
  struct TEndScope {
    TvxCustomTextEditProperties* P;
    ~TEndScope() { P->EndUpdate(true); }
  } scope{this};
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
  struct TFinal {
    TvxCustomTextEditProperties* P;
    String& Text;
    // Echo and case apply also when formatting raised.
    ~TFinal() { P->DisplayValueToDisplayText(Text); }
  };
  if (IsValueEditorWithValueFormatting()) {
    text = vdVariantAsString(AEditValue);
    DisplayValueToDisplayText(text);
    return text;
  }
  TFinal final{this, text};
  Variant display;
  EditValueToDisplayValue(AEditValue, !AIsInplace && !DependsOnFocus(), display);
  text = vdVariantAsString(display);
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
  struct TClear {
    bool& Flag;
    ~TClear() { Flag = false; }
  } clear{FFormatChanging};
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

namespace {

class TvxFilterTextEditHelper : public TvxCustomFilterEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterTextEditHelper, TvxCustomFilterEditHelper)
};

void InitTextEdit() {
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
  struct TFinal {
    TvxCustomTextEditProperties* P;
    String& Text;
    // Echo and case apply also when the conversion raised.
    ~TFinal() { P->DisplayValueToDisplayText(Text); }
  } final{TextProperties(), AText};
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
