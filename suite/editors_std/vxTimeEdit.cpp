#include "vxTimeEdit.h"

#include <cmath>

#include "vxClasses.h"
#include "vxEditConsts.h"

namespace {
const wchar_t* const DisplayFormats[3][2] = {
    {L"hh:nn:ss ampm", L"hh:nn:ss"}, {L"hh:nn ampm", L"hh:nn"}, {L"hh ampm", L"hh"}};
const wchar_t* const Masks24[3] = {L"00:00:00;1;0", L"00:00;1;0", L"00;1;0"};

// The mask of the AM/PM text: the locale's PM text as FormatDateTime puts it after the
// digits, spaces kept and every other character any-character.
String SuffixMask() {
  const String s = FormatDateTime(L"hh:mm:ss AMPM", 1.5);
  String mask;
  for (size_t i = 8; i < s.size(); ++i) mask += s[i] == L' ' ? L' ' : L'c';
  return TrimRight(mask);
}

bool SameTextTrimmed(const String& A, const String& B) { return AnsiSameText(Trim(A), Trim(B)); }

Integer ZoneNumber(const String& AText, Integer AStart) {
  if (AStart < 1 || static_cast<size_t>(AStart + 1) > AText.size()) return 0;
  return StrToIntDef(AText.substr(static_cast<size_t>(AStart - 1), 2), 0);
}
}  // namespace

String GetTimeEditDisplayFormat(TvxTimeEditTimeFormat AFormat, bool AUse24HourFormat) {
  return DisplayFormats[AFormat][AUse24HourFormat ? 1 : 0];
}

String GetTimeEditMask(TvxTimeEditTimeFormat AFormat, bool AUse24HourFormat) {
  if (AUse24HourFormat) return Masks24[AFormat];
  return String(L"00:00:00").substr(0, static_cast<size_t>(8 - 3 * AFormat)) + SuffixMask() + L";1;0";
}

// --- Properties -------------------------------------------------------------------------------

TvxCustomTimeEditProperties::TvxCustomTimeEditProperties(TPersistent* AOwner) : TvxCustomSpinEditProperties(AOwner) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(false); });
  SetValueType(vtFloat);
  SetIgnoreMaskBlank(true);
  SetIncrement(1.0);
  SetMinMaxValues(86399, 0);
  SetAlwaysShowBlanksAndLiterals(true);
  ApplyEditMask();
}

void TvxCustomTimeEditProperties::ApplyEditMask() { SetEditMask(GetTimeEditMask(FTimeFormat, FUse24HourFormat)); }

void TvxCustomTimeEditProperties::Assign(TPersistent* Source) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(true); });
  TvxCustomSpinEditProperties::Assign(Source);
  if (auto* src = dynamic_cast<TvxCustomTimeEditProperties*>(Source)) {
    FAutoCorrectHours = src->FAutoCorrectHours;
    SetShowDate(src->FShowDate);
    SetTimeFormat(src->FTimeFormat);
    SetUse24HourFormat(src->FUse24HourFormat);
    SetUseTimeFormatWhenUnfocused(src->FUseTimeFormatWhenUnfocused);
  }
}

void TvxCustomTimeEditProperties::SetTimeFormat(TvxTimeEditTimeFormat Value) {
  if (FTimeFormat == Value) return;
  FTimeFormat = Value;
  ApplyEditMask();
  Changed();
}

void TvxCustomTimeEditProperties::SetUse24HourFormat(bool Value) {
  if (FUse24HourFormat == Value) return;
  FUse24HourFormat = Value;
  ApplyEditMask();
  Changed();
}

void TvxCustomTimeEditProperties::FormatChanged() {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(true); });
  ApplyEditMask();
}

TvxMaskEditCustomMode* TvxCustomTimeEditProperties::CreateMode(TvxEditMaskKind, TvxCustomMaskEdit* AEdit) {
  return new TvxTimeEditMaskMode(AEdit, this);
}

void TvxCustomTimeEditProperties::GetInvalidEditValueDisplayValue(Variant& Value) {
  Value = TrimRight(FormatDateTime(DisplayTimeFormat(), 0));
}

bool TvxCustomTimeEditProperties::IsEditValueValid(Variant& EditValue, bool AEditFocused) {
  if (VarIsStr(EditValue)) return IsDisplayValueValid(EditValue, AEditFocused);
  return VarIsNull(EditValue) || VarType(EditValue) == varDate || VarIsNumeric(EditValue);
}

bool TvxCustomTimeEditProperties::IsDisplayValueValid(Variant& ADisplayValue, bool) {
  TDateTime value;
  if (!TryStrToDateTime(VarToStr(ADisplayValue), value)) return false;
  ADisplayValue = TrimRight(FormatDateTime(DisplayTimeFormat(), value));
  return true;
}

String TvxCustomTimeEditProperties::GetTimeText(TDateTime AValue, bool AFocused) {
  const bool hasDate = std::trunc(AValue) != 0;
  String text;
  if (AFocused || (FUseTimeFormatWhenUnfocused && !(FShowDate && AValue != 0 && hasDate)))
    text = FormatDateTime(DisplayTimeFormat(), AValue);
  else if (FShowDate && hasDate)
    text = FormatDateTime(L"", AValue);
  else
    text = FormatDateTime(FormatSettings.LongTimeFormat, AValue);
  return TrimRight(text);
}

void TvxCustomTimeEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool AEditFocused) {
  if (VarIsNull(AEditValue) || VarIsEmpty(AEditValue)) {
    DisplayValue = AEditFocused ? TrimRight(FormatDateTime(DisplayTimeFormat(), 0)) : String();
    return;
  }
  if (VarType(AEditValue) != varDate && !VarIsNumeric(AEditValue) && !VarIsStr(AEditValue))
    throw EConvertError(vxGetResString(&vxSEditTimeConvertError));
  try {
    const TDateTime value = VarIsStr(AEditValue) ? StrToDateTime(VarToStr(AEditValue)) : AEditValue.AsDouble();
    DisplayValue = GetTimeText(value, AEditFocused);
  } catch (const Exception&) {
    DisplayValue = GetTimeText(Now(), AEditFocused);
  }
}

void TvxCustomTimeEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       TvxCustomEdit* AEdit) {
  if (AErrorText.empty()) AErrorText = vxGetResString(&vxSEditTimeConvertError);
  DoValidate(ADisplayValue, AErrorText, AError, AEdit);
}

Integer TvxCustomTimeEditProperties::GetZoneStart(TvxTimeEditZoneKind AKind) {
  switch (AKind) {
    case tzHour: return 1;
    case tzMin: return 4;
    case tzSec: return 7;
    default: return 10 - 3 * static_cast<Integer>(FTimeFormat);
  }
}

void TvxCustomTimeEditProperties::GetZoneInfo(Integer APosition, TvxTimeEditZoneInfo& AInfo) {
  if (MaxLength() > 0 && MaxLength() < APosition) APosition = MaxLength();
  AInfo.Use24HourFormat = FUse24HourFormat;
  AInfo.TimeSuffixKind = GetTimeSuffixKind();
  if (!FUse24HourFormat && APosition > DigitsLength()) {
    AInfo.Kind = tzTimeSuffix;
  } else {
    const String format = UpperCase(DisplayTimeFormat());
    const Integer last = std::min<Integer>(DigitsLength(), static_cast<Integer>(format.size()));
    Integer p = std::max<Integer>(1, std::min(APosition, last));
    Char c = format[static_cast<size_t>(p - 1)];
    if (c != L'H' && c != L'N' && c != L'S') c = p < last ? format[static_cast<size_t>(p)] : format[static_cast<size_t>(p - 2)];
    AInfo.Kind = c == L'H' ? tzHour : c == L'N' ? tzMin : tzSec;
  }
  AInfo.Start = GetZoneStart(AInfo.Kind);
  AInfo.Length = GetZoneLength(AInfo.Kind);
}

Char TvxTimeEditMaskMode::GetBlank(Integer APosition) const {
  auto* p = dynamic_cast<TvxCustomTimeEditProperties*>(FProperties);
  if (p && !p->Use24HourFormat() && APosition >= p->DigitsLength()) return 0;
  return L'0';
}

// --- Control ----------------------------------------------------------------------------------

std::unique_ptr<TvxCustomEditProperties> TvxCustomTimeEdit::CreateProperties() {
  return std::make_unique<TvxCustomTimeEditProperties>(this);
}

std::unique_ptr<TvxCustomEditProperties> TvxTimeEdit::CreateProperties() {
  return std::make_unique<TvxTimeEditProperties>(this);
}

void TvxCustomTimeEdit::Initialize() {
  TvxCustomSpinEdit::Initialize();
  ControlStyle().Exclude(csSetCaption);
}

TDateTime TvxCustomTimeEdit::Time() {
  TDateTime value = 0;
  if (Focused()) {
    Variant v;
    PrepareEditValue(InternalGetText(), v, true);
    value = VarIsNumeric(v) || VarType(v) == varDate ? v.AsDouble() : 0;
  } else {
    const Variant v = EditValue();
    if (VarIsStr(v)) {
      TDateTime d;
      if (TryStrToDateTime(VarToStr(v), d)) value = d;
    } else if (VarIsNumeric(v) || VarType(v) == varDate) {
      value = v.AsDouble();
    }
  }
  return std::fabs(value - std::trunc(value));
}

void TvxCustomTimeEdit::SetTime(TDateTime Value) {
  const TDateTime t = std::fabs(Value - std::trunc(Value));
  AssignInternalEditValue(VarFromDateTime(FSavedDate + vxSignOf(FSavedDate) * t));
}

void TvxCustomTimeEdit::InternalSetEditValue(const Variant& Value, bool AValidateEditValue) {
  Variant v = Value;
  const bool valid = !AValidateEditValue || ActiveProperties()->IsEditValueValid(v, InternalFocused());
  if (VarIsNull(Value) || VarIsEmpty(Value) || !valid) {
    FSavedDate = 0;
  } else if (VarIsStr(Value)) {
    TDateTime d;
    FSavedDate = TryStrToDateTime(VarToStr(Value), d) ? std::trunc(d) : 0;
  } else {
    FSavedDate = std::trunc(Value.AsDouble());
  }
  TvxCustomSpinEdit::InternalSetEditValue(Value, AValidateEditValue);
}

bool TvxCustomTimeEdit::IsPMText(const String& AText) {
  const size_t from = static_cast<size_t>(ActiveProperties()->DigitsLength());
  return AText.size() > from && SameTextTrimmed(AText.substr(from), FormatSettings.TimePMString);
}

void TvxCustomTimeEdit::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  TvxCustomTimeEditProperties* p = ActiveProperties();
  String s = VarToStr(ADisplayValue);
  const bool twelve = !p->Use24HourFormat();
  if (twelve) {
    // The suffix is told by its trimmed text, whatever case it is shown in.
    const bool pm = IsPMText(s);
    s = s.substr(0, std::min(s.size(), static_cast<size_t>(p->DigitsLength())));
    if (s.size() == 2) s += L":00";
    if (!s.empty()) s += L" " + (pm ? FormatSettings.TimePMString : FormatSettings.TimeAMString);
  } else if (s.size() == 2) {
    s += L":00";
  }
  TDateTime t = 0;
  if (!s.empty() && !TryStrToTime(s, t)) t = 0;
  const TDateTime value = FSavedDate + vxSignOf(FSavedDate) * t;
  AEditValue = value == 0 ? Variant(0.0) : VarFromDateTime(value);
}

void TvxCustomTimeEdit::InternalApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  if (!ActiveProperties()->Use24HourFormat() && VarToStr(ADisplayValue).empty()) {
    InnerTextEdit()->SetEditValue(String());
    return;
  }
  // The text is formatted from the time it reads as; the mask's blank is the digit 0,
  // so the mask's own squeezing of blanks would drop zeros that are digits.
  Variant display;
  ActiveProperties()->PrepareDisplayValue(ADisplayValue, display, InternalFocused());
  TvxCustomTextEdit::InternalApplyValidatedDisplayValue(display);
}

void TvxCustomTimeEdit::PropertiesChanged(TObject* Sender) {
  if (!Focused()) DataBinding()->UpdateDisplayValue();
  if (HandleAllocated()) SetSelection(static_cast<Integer>(InternalGetText().size()), 0);
  TvxCustomSpinEdit::PropertiesChanged(Sender);
}

void TvxCustomTimeEdit::ReplaceText(Integer AIndex, const String& AText, Integer ACaret) {
  String text = EditText();
  if (text.size() < static_cast<size_t>(AIndex) + AText.size()) text.resize(static_cast<size_t>(AIndex) + AText.size(), L' ');
  text.replace(static_cast<size_t>(AIndex), AText.size(), AText);
  SetModeDisplayText(text, ACaret);
  SetInternalSelection(ACaret, 0);
}

bool TvxCustomTimeEdit::CanAcceptMaskChar(Char& C, Integer APosition) {
  TvxCustomTimeEditProperties* p = ActiveProperties();
  TvxTimeEditZoneInfo zone;
  p->GetZoneInfo(APosition, zone);
  const String text = EditText();
  const Integer start = zone.Start - 1;  // 0-based
  const Integer k = APosition - zone.Start;
  if (zone.Kind != tzTimeSuffix) {
    String digits = text.size() >= static_cast<size_t>(start + 2) ? text.substr(static_cast<size_t>(start), 2) : L"00";
    for (Char& d : digits)
      if (d < L'0' || d > L'9') d = L'0';
    String candidate = digits;
    candidate[static_cast<size_t>(k)] = C;
    const Integer value = StrToIntDef(candidate, -1);
    const Integer lo = zone.Kind == tzHour && !p->Use24HourFormat() ? 1 : 0;
    const Integer hi = zone.Kind != tzHour ? 59 : p->Use24HourFormat() ? 23 : 12;
    if (value >= lo && value <= hi) return true;
    if (k == 0) {
      if (C == L'0') {
        ReplaceText(start, String(1, L'0') + digits[1], start + 1);
      } else if (C > IntToStr(hi)[0]) {
        ReplaceText(start, String(1, L'0') + C, start + 2);
      } else {
        ReplaceText(start, String(1, C) + L'0', start + 1);
      }
      C = 0;
      return true;
    }
    if (C == L'0') return false;
    ReplaceText(start, String(1, L'0') + C, start + 2);
    C = 0;
    return true;
  }
  const String am = FormatSettings.TimeAMString, pm = FormatSettings.TimePMString;
  const String uam = AnsiUpperCase(am), upm = AnsiUpperCase(pm);
  size_t diff = 0;
  while (diff < uam.size() && diff < upm.size() && uam[diff] == upm[diff]) ++diff;
  const Char uc = AnsiUpperCase(String(1, C))[0];
  const size_t kk = static_cast<size_t>(std::max<Integer>(0, k));
  if (kk < diff) {
    if (uc != uam[kk]) return false;
    C = am[kk];
    return true;
  }
  if (kk > diff) {
    if (kk >= text.size() - static_cast<size_t>(start) || uc != AnsiUpperCase(String(1, text[start + kk]))[0]) return false;
    C = text[start + kk];
    return true;
  }
  const String* chosen = kk < uam.size() && uc == uam[kk] ? &am : kk < upm.size() && uc == upm[kk] ? &pm : nullptr;
  if (!chosen) return false;
  ReplaceText(start, *chosen, zone.Start + 1);
  C = 0;
  return true;
}

TvxTimeEditZoneInfo TvxCustomTimeEdit::CaretZone() {
  TvxTimeEditZoneInfo zone;
  ActiveProperties()->GetZoneInfo(SelStart() + 1, zone);
  return zone;
}

double TvxCustomTimeEdit::GetIncrementValue(TvxSpinEditButton AButton) {
  const double step = TvxCustomSpinEdit::GetIncrementValue(AButton);
  const TvxTimeEditZoneInfo zone = CaretZone();
  switch (zone.Kind) {
    case tzHour: return 3600 * step;
    case tzMin: return 60 * step;
    case tzSec: return step;
    default: {
      const double v = GetValue().AsDouble();
      const bool forward = AButton == sebForward || AButton == sebFastForward;
      if (forward) return v < 43200 ? 43200 : -43200;
      return v >= 43200 ? -43200 : 43200;
    }
  }
}

Variant TvxCustomTimeEdit::GetValue() {
  TvxCustomTimeEditProperties* p = ActiveProperties();
  const String text = InternalGetText();
  Integer hour = ZoneNumber(text, 1);
  if (!p->Use24HourFormat()) hour %= 12;
  long long seconds = hour * 3600LL;
  if (p->TimeFormat() != tfHour) seconds += ZoneNumber(text, 4) * 60LL;
  if (p->TimeFormat() == tfHourMinSec) seconds += ZoneNumber(text, 7);
  if (!p->Use24HourFormat() && IsPMText(text)) seconds += 43200;
  return seconds;
}

String TvxCustomTimeEdit::ValueToDisplayText(const Variant& AValue) {
  return TvxCustomSpinEdit::ValueToDisplayText(AValue.AsDouble() * 1000 / 86400000);
}

void TvxCustomTimeEdit::SetValue(const Variant& AValue) {
  if (VarIsNumeric(AValue)) SetTime(AValue.AsDouble() * 1000 / 86400000);
}

bool TvxCustomTimeEdit::Increment(TvxSpinEditButton AButton) {
  const bool hasWindow = HandleAllocated();
  TvxTimeEditZoneInfo zone;
  const Integer selStart = hasWindow ? SelStart() : 0;
  if (hasWindow) zone = CaretZone();
  const bool result = TvxCustomSpinEdit::Increment(AButton);
  if (!hasWindow) return result;
  TvxCustomTimeEditProperties* p = ActiveProperties();
  if (zone.Kind == tzTimeSuffix) {
    const String text = InternalGetText();
    size_t from = static_cast<size_t>(p->DigitsLength());
    while (from < text.size() && text[from] == L' ') ++from;
    const bool pm = IsPMText(text);
    SetSelection(static_cast<Integer>(from),
                 static_cast<Integer>((pm ? FormatSettings.TimePMString : FormatSettings.TimeAMString).size()));
  } else {
    SetSelection(selStart <= 1 ? 1 : selStart <= 4 ? 4 : 7, 1);
  }
  return result;
}

// --- Published, filter helper and registration ------------------------------------------------

TClass TvxCustomTimeEditProperties::GetContainerClass() { return TvxTimeEdit::StaticClass(); }

void TvxTimeEditProperties::DeclarePublished(TPublisher<TvxTimeEditProperties>& P) {
  using C = TvxTimeEditProperties;
  P.Property(L"AutoCorrectHours", &C::AutoCorrectHours, &C::SetAutoCorrectHours).Default(true);
  P.Property(L"ShowDate", &C::ShowDate, &C::SetShowDate).Default(false);
  P.Property(L"TimeFormat", &C::TimeFormat, &C::SetTimeFormat).Default(tfHourMinSec);
  P.Property(L"Use24HourFormat", &C::Use24HourFormat, &C::SetUse24HourFormat).Default(true);
  P.Property(L"UseTimeFormatWhenUnfocused", &C::UseTimeFormatWhenUnfocused, &C::SetUseTimeFormatWhenUnfocused)
      .Default(true);
}

void TvxTimeEdit::DeclarePublished(TPublisher<TvxTimeEdit>& P) {
  using C = TvxTimeEdit;
  P.Property(L"EditValue", [](C* E) { return E->EditValue(); }, [](C* E, const Variant& V) { E->SetEditValue(V); });
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Properties", [](C* E) { return E->Properties(); },
             [](C* E, TvxTimeEditProperties* V) { E->SetProperties(V); });
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

TClass TvxFilterTimeEditHelper::GetFilterEditClass() const { return TvxTimeEdit::StaticClass(); }

void TvxFilterTimeEditHelper::InitializeEdit(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties) const {
  TvxFilterSpinEditHelper::InitializeEdit(AEdit, AEditProperties);
  if (auto* e = dynamic_cast<TvxCustomTimeEdit*>(AEdit)) e->SetTime(0);
}

namespace {
void InitTimeEdit() {
  RegisterClass(TvxTimeEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxTimeEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryTimeItem));
  GetFilterEditsController()->Register(TvxTimeEditProperties::StaticClass(), TvxFilterTimeEditHelper::Class());
}
void FinTimeEdit() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxTimeEditProperties::StaticClass(), TvxFilterTimeEditHelper::Class());
  UnRegisterClass(TvxTimeEdit::StaticClass());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxTimeEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxTimeEditUnit = {L"vxTimeEdit", InitTimeEdit, FinTimeEdit};
