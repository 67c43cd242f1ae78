// The date edit: a popup edit whose popup holds a calendar, with its properties, its
// popup window and calendar, and its filter helper.
#include <cmath>

#include "vxCalendar.h"
#include "vxClasses.h"
#include "vxDateUtils.h"
#include "vxEditConsts.h"
#include "vxFormats.h"


namespace {

bool IsNullDateValue(TDateTime D) { return D == NullDate; }
bool IsDateOrNumber(const Variant& V) { return VarType(V) == varDate || VarIsNumeric(V); }
// D with the time T kept behind the whole day (before it for negative days).
TDateTime WithTime(TDateTime D, TDateTime T) { return std::trunc(D) + vxSignOf(D) * T; }
}  // namespace

// --- Assigned values -------------------------------------------------------------------------

void TvxDateEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxTextEditPropertiesValues::Assign(Source);
  if (auto* src = dynamic_cast<TvxDateEditPropertiesValues*>(Source)) {
    SetDateButtons(src->FDateButtons);
    SetInputKind(src->FInputKind);
  }
}

void TvxDateEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxTextEditPropertiesValues::RestoreDefaults();
  SetDateButtons(false);
  SetInputKind(false);
}

void TvxDateEditPropertiesValues::SetDateButtons(bool Value) {
  if (FDateButtons == Value) return;
  FDateButtons = Value;
  if (FOwner) FOwner->Changed();
}

void TvxDateEditPropertiesValues::SetInputKind(bool Value) {
  if (FInputKind == Value) return;
  FInputKind = Value;
  if (FOwner) FOwner->Changed();
}

// --- Properties -------------------------------------------------------------------------------

namespace {
// The date edit keeps its own record of explicitly given settings, so the properties are
// made with its values class; the text edit's would be read past its end.
TvxEditPropertiesParts DateEditParts() {
  TvxEditPropertiesParts parts;
  parts.AssignedValuesClass = TvxDateEditPropertiesValues::StaticClass();
  return parts;
}
}  // namespace

TvxCustomDateEditProperties::TvxCustomDateEditProperties(TPersistent* AOwner)
    : TvxCustomPopupEditProperties(AOwner, DateEditParts()) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(false); });
  SetCaseInsensitive(true);
  SetImmediateDropDown(false);
  SetPopupSizeable(false);
  UpdateEditMask();
}

TClass TvxCustomDateEditProperties::GetContainerClass() { return TvxDateEdit::StaticClass(); }
TClass TvxCustomDateEditProperties::GetPopupWindowClass() { return TvxDateEditPopupWindow::StaticClass(); }

TDateButtons TvxCustomDateEditProperties::DateButtons() {
  if (AssignedValues()->DateButtons()) return FDateButtons;
  return FKind == ckDate ? TDateButtons{btnClear, btnToday} : TDateButtons{btnClear, btnNow};
}

void TvxCustomDateEditProperties::SetDateButtons(TDateButtons Value) {
  const bool changed = !AssignedValues()->DateButtons() || FDateButtons != Value;
  FDateButtons = Value;
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  AssignedValues()->SetDateButtons(true);
  if (changed) Changed();
}

TvxInputKind TvxCustomDateEditProperties::InputKind() {
  if (!IsGregorianCalendar(nullptr)) return ikStandard;
  if (AssignedValues()->InputKind()) return FInputKind;
  return FKind == ckDate ? ikRegExpr : ikMask;
}

void TvxCustomDateEditProperties::SetInputKind(TvxInputKind Value) {
  const bool changed = !AssignedValues()->InputKind() || FInputKind != Value;
  FInputKind = Value;
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  AssignedValues()->SetInputKind(true);
  if (changed) Changed();
}

bool TvxCustomDateEditProperties::IsValueBoundDefined(bool AIsMax) {
  const TDateTime lo = MinValue(), hi = MaxValue();
  if (lo != 0 && hi != 0) return hi > lo;
  return AIsMax ? hi != 0 : lo != 0;
}

void TvxCustomDateEditProperties::UpdateEditMask() {
  if (FUpdatingEditMask) return;
  TValueScope<bool> updating(FUpdatingEditMask, true);
  LockUpdate(true);
  TScopeExit unlock([this] { LockUpdate(false); });
  TvxFormatController* f = GetFormatController();
  switch (InputKind()) {
    case ikMask:
      SetMaskKind(emkStandard);
      SetEditMask(FKind == ckDateTime ? f->StandardDateTimeEditMask() : f->StandardDateEditMask());
      break;
    case ikRegExpr:
      SetMaskKind(emkRegExprEx);
      SetEditMask(FKind == ckDateTime ? f->RegExprDateTimeEditMask() : f->RegExprDateEditMask());
      break;
    default: SetEditMask(String()); break;
  }
}

void TvxCustomDateEditProperties::FirePropertiesChanged() {
  {
    BeginUpdate();
    TScopeExit end([this] { EndUpdate(false); });
    UpdateEditMask();
  }
  TvxCustomPopupEditProperties::FirePropertiesChanged();
}

void TvxCustomDateEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomDateEditProperties*>(Source);
  if (!src) {
    TvxCustomPopupEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxCustomPopupEditProperties::Assign(Source);
  SetArrowsForYear(src->FArrowsForYear);
  if (src->AssignedValues()->DateButtons())
    SetDateButtons(src->FDateButtons);
  else
    AssignedValues()->SetDateButtons(false);
  if (src->AssignedValues()->InputKind())
    SetInputKind(src->FInputKind);
  else
    AssignedValues()->SetInputKind(false);
  SetDateOnError(src->FDateOnError);
  SetKind(src->FKind);
  SetSaveTime(src->FSaveTime);
  SetShowTime(src->FShowTime);
  SetWeekNumbers(src->FWeekNumbers);
  SetYearsInMonthList(src->FYearsInMonthList);
  Changed();
}

TvxMaskEditCustomMode* TvxCustomDateEditProperties::CreateMode(TvxEditMaskKind AKind, TvxCustomMaskEdit* AEdit) {
  if (AKind == emkStandard) return new TvxDateEditMaskStandardMode(AEdit, this);
  return TvxCustomPopupEditProperties::CreateMode(AKind, AEdit);
}

bool TvxCustomDateEditProperties::GetZoneInfo(Integer APosition, TvxTimeEditZoneInfo& AInfo) {
  TvxFormatController* f = GetFormatController();
  if (FKind != ckDateTime || InputKind() != ikMask || f->AssignedStandardDateTimeEditMask()) return false;
  TvxDateTimeFormatItemInfo item;
  if (!TvxFormatController::GetDateTimeFormatItemStandardMaskInfo(f->DateTimeFormatInfo(), APosition, item))
    return false;
  switch (item.Kind) {
    case dtikHour: AInfo.Kind = tzHour; break;
    case dtikMin: AInfo.Kind = tzMin; break;
    case dtikSec: AInfo.Kind = tzSec; break;
    case dtikTimeSuffix: AInfo.Kind = tzTimeSuffix; break;
    default: return false;
  }
  AInfo.Start = item.ItemZoneStart;
  AInfo.Length = item.ItemZoneLength;
  AInfo.TimeSuffixKind = item.TimeSuffixKind;
  AInfo.Use24HourFormat = !f->DateTimeFormatInfo().DefinedItems[dtikTimeSuffix];
  return true;
}

Char TvxCustomDateEditProperties::GetMaskBlank(Integer APosition) {
  TvxTimeEditZoneInfo zone;
  if (!GetZoneInfo(APosition, zone)) return L' ';
  return zone.Kind == tzTimeSuffix ? Char(0) : L'0';
}

Char TvxDateEditMaskStandardMode::GetBlank(Integer APosition) const {
  // The mode counts from 0, the zones of the date-time format from 1.
  if (auto* p = dynamic_cast<TvxCustomDateEditProperties*>(FProperties)) return p->GetMaskBlank(APosition + 1);
  return TvxMaskEditStandardMode::GetBlank(APosition);
}

String TvxCustomDateEditProperties::GetEmptyDisplayText(bool AFocused) {
  String text = GetEmptyString();
  TvxFormatController* f = GetFormatController();
  if (AFocused && FKind == ckDateTime && InputKind() == ikMask && !f->AssignedStandardDateTimeEditMask()) {
    const size_t l = static_cast<size_t>(
        std::max<Integer>(0, TvxFormatController::GetDateTimeStandardMaskStringLength(f->TimeFormatInfo())));
    const String midnight = DateTimeToEditText(true, true, false, 0);
    if (l <= text.size() && l <= midnight.size()) text.replace(text.size() - l, l, midnight.substr(midnight.size() - l));
  }
  return text;
}

bool TvxCustomDateEditProperties::IsTimeShown(bool AFocused, TDateTime ADate) {
  if (!AFocused) return FKind == ckDateTime || FShowTime;
  const bool hasTime = TimePartOf(ADate) != 0;
  if (FKind == ckDateTime) return hasTime || InputKind() == ikMask;
  return FShowTime && hasTime && InputKind() == ikStandard;
}

void TvxCustomDateEditProperties::TextToEditValue(const String& AText, Variant& AValue) {
  AValue = Null();
  if (AText == GetEmptyString() || AText == GetEmptyDisplayText(true)) return;
  TDateTime d = NullDate;
  TextToDateEx(AText, !GetFormatController()->UseRtlDateTimeFormats(), d);
  if (!IsNullDateValue(d))
    AValue = d;
  else if (FDateOnError == deToday)
    AValue = FKind == ckDateTime ? Now() : Date();
}

bool TvxCustomDateEditProperties::IsEditValueValid(Variant& EditValue, bool) {
  if (!VarIsStr(EditValue)) return VarIsSoftNull(EditValue) || IsDateOrNumber(EditValue);
  if (VarToStr(EditValue).empty()) return true;
  try {
    Variant v;
    TextToEditValue(VarToStr(EditValue), v);
    return !VarIsNull(v) && v.AsDouble() != NullDate;
  } catch (const std::exception&) {
    return false;
  }
}

bool TvxCustomDateEditProperties::IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused) {
  if (IsMasked()) return TvxCustomPopupEditProperties::IsDisplayValueValid(ADisplayValue, AEditFocused);
  TDateTime d = NullDate;
  TextToDateEx(VarToStr(ADisplayValue), !GetFormatController()->UseRtlDateTimeFormats(), d);
  return !IsNullDateValue(d);
}

void TvxCustomDateEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool AEditFocused) {
  const auto convertError = [] { return EConvertError(vxGetResString(&vxSEditDateConvertError)); };
  if (VarIsSoftNull(AEditValue) || (IsDateOrNumber(AEditValue) && AEditValue.AsDouble() == NullDate)) {
    DisplayValue = GetEmptyDisplayText(AEditFocused);
    return;
  }
  TDateTime d = 0;
  if (VarIsStr(AEditValue)) {
    Variant v;
    TextToEditValue(VarToStr(AEditValue), v);
    if (VarIsNull(v) || v.AsDouble() == NullDate) throw convertError();
    d = v.AsDouble();
  } else if (IsDateOrNumber(AEditValue)) {
    d = AEditValue.AsDouble();
  } else {
    throw convertError();
  }
  if (!IsTimeShown(AEditFocused, d)) d = DatePartOf(d);
  const String text = AEditFocused ? DateTimeToEditText(InputKind() == ikMask, FKind == ckDateTime, false, d)
                                   : DateTimeToEditText(false, false, false, d);
  DisplayValue = TrimRight(text);
  if (AEditFocused && IsMasked()) {
    const Variant masked = DisplayValue;
    TvxCustomPopupEditProperties::PrepareDisplayValue(masked, DisplayValue, AEditFocused);
  }
}

void TvxCustomDateEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       TvxCustomEdit* AEdit) {
  AErrorText = vxGetResString(&vxSDateError);
  const String empty = GetEmptyDisplayText(true);
  auto* edit = dynamic_cast<TvxCustomDateEdit*>(AEdit);
  const bool masked = InputKind() == ikMask, withTime = FKind == ckDateTime;
  TDateTime d = 0;
  AError = false;
  try {
    if (VarToStr(ADisplayValue) != empty) AError = !TryTextToDate(VarToStr(ADisplayValue), d);
    if (AEdit && AEdit->HasValidateHandler()) {
      if (VarToStr(ADisplayValue) != empty && !AError)
        ADisplayValue = TrimRight(DateTimeToEditText(masked, withTime, false, d));
      DoValidate(ADisplayValue, AErrorText, AError, AEdit);
      if (!AError && VarToStr(ADisplayValue) != empty) AError = !TryTextToDate(VarToStr(ADisplayValue), d);
    } else if (AError) {
      switch (FDateOnError) {
        case deToday:
          d = withTime ? Now() : Date();
          AError = false;
          break;
        case deNull:
          d = NullDate;
          AError = false;
          break;
        default: break;
      }
    }
  } catch (const std::exception&) {
    AError = true;
  }
  if (AError) {
    if (AEdit) {
      String current;
      AEdit->GetEditDisplayText(current);
      ADisplayValue = current;
    }
    return;
  }
  if (!IsNullDateValue(d) && VarToStr(ADisplayValue) != empty) {
    if (IsValueBoundsDefined()) {
      CheckValueBounds(TrimRight(DateTimeToEditText(masked, withTime, false, d)), AErrorText, AEdit, AError);
      if (AError) {
        if (AEdit) {
          String current;
          AEdit->GetEditDisplayText(current);
          ADisplayValue = current;
        }
        return;
      }
    }
    if (edit && FKind == ckDate) {
      const TDateTime t = TimePartOf(d);
      if (t != 0)
        edit->FSavedTime = t;
      else if (FSaveTime)
        d = WithTime(d, edit->FSavedTime);
      else
        edit->FSavedTime = 0;
    }
    ADisplayValue = TrimRight(DateTimeToEditText(masked, withTime, false, d));
    return;
  }
  // No date, or the empty text: the edit becomes empty. An emptied edit holds Null, not
  // the time it kept for its dates on day 0.
  if (edit) edit->FSavedTime = 0;
  ADisplayValue = empty;
}

void TvxDateEditProperties::DeclarePublished(TPublisher<TvxDateEditProperties>& P) {
  using C = TvxDateEditProperties;
  P.Property(L"ArrowsForYear", &C::ArrowsForYear, &C::SetArrowsForYear).Default(true);
  P.Property(L"DateButtons", [](C* E) { return E->DateButtons(); }, [](C* E, TDateButtons V) { E->SetDateButtons(V); })
      .Stored([](C* E) { return E->AssignedValues()->DateButtons(); });
  P.Property(L"DateOnError", &C::DateOnError, &C::SetDateOnError).Default(deNoChange);
  P.Property(L"ImmediateDropDown", &C::ImmediateDropDown, &C::SetImmediateDropDown).Default(false);
  P.Property(L"InputKind", [](C* E) { return E->InputKind(); }, [](C* E, TvxInputKind V) { E->SetInputKind(V); })
      .Stored([](C* E) { return E->AssignedValues()->InputKind(); });
  P.Property(L"Kind", &C::Kind, &C::SetKind).Default(ckDate);
  P.Property(L"MaxDate", [](C* E) { return E->MaxDate(); }, [](C* E, double V) { E->SetMaxDate(V); })
      .Stored([](C* E) { return E->MaxDate() != 0; });
  P.Property(L"MinDate", [](C* E) { return E->MinDate(); }, [](C* E, double V) { E->SetMinDate(V); })
      .Stored([](C* E) { return E->MinDate() != 0; });
  P.Property(L"PostPopupValueOnTab", &C::PostPopupValueOnTab, &C::SetPostPopupValueOnTab).Default(false);
  P.Property(L"SaveTime", &C::SaveTime, &C::SetSaveTime).Default(true);
  P.Property(L"ShowTime", &C::ShowTime, &C::SetShowTime).Default(true);
  P.Property(L"WeekNumbers", &C::WeekNumbers, &C::SetWeekNumbers).Default(false);
  P.Property(L"YearsInMonthList", &C::YearsInMonthList, &C::SetYearsInMonthList).Default(true);
}

// --- Popup calendar and window ---------------------------------------------------------------

void TvxPopupCalendar::HidePopup(TObject* Sender, TvxEditCloseUpReason AReason) {
  TvxCustomCalendar::HidePopup(Sender, AReason);
  if (OnHidePopup) OnHidePopup(Sender, AReason);
}

void TvxPopupCalendar::UpdateHotTrackRegion() {
  if (FEdit && FEdit->HasPopupWindow())
    TvxCustomCalendar::UpdateHotTrackRegion();
  else if (HotTrackRegion() != chrNone)
    Invalidate();
}

void TvxPopupCalendar::KeyDown(Word& Key, TShiftState Shift) {
  TvxCustomCalendar::KeyDown(Key, Shift);
  switch (Key) {
    case VK_TAB:
      if (FEdit && FEdit->ActiveProperties()->Kind() == ckDate) {
        if (FEdit->ActiveProperties()->PostPopupValueOnTab()) DoDateTimeChanged();
        FEdit->KeyDown(Key, Shift);
      }
      break;
    case VK_RETURN:
      if (MonthListBox()->Visible()) break;
      DoDateTimeChanged();
      HidePopup(this, crEnter);
      break;
    case VK_ESCAPE:
      if (MonthListBox()->Visible() && !MonthListBox()->IsMonthYearForm())
        MonthListBox()->CloseUp();
      else
        HidePopup(this, crCancel);
      break;
    case VK_UP:
    case VK_DOWN:
      if (Shift == TShiftState{ssAlt}) HidePopup(this, crClose);
      break;
    case VK_F4:
      if (!Shift.Contains(ssAlt)) HidePopup(this, crClose);
      break;
    default: break;
  }
}

void TvxPopupCalendar::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxCustomCalendar::MouseMove(Shift, X, Y);
  const POINT p{X, Y};
  const RECT client{0, 0, ClientWidth(), ClientHeight()};
  if (FEdit && Shift.Contains(ssLeft) && !PtInRect(&client, p)) {
    InternalSetSelectDate(FEdit->CurrentDate(), false);
    Invalidate();
  }
}

TvxDateEditPopupWindow::TvxDateEditPopupWindow(TWinControl* AOwnerControl) : TvxPopupEditPopupWindow(AOwnerControl) {
  SetKeyPreview(true);
}

void TvxDateEditPopupWindow::KeyDown(Word& Key, TShiftState Shift) {
  TvxPopupEditPopupWindow::KeyDown(Key, Shift);
  auto* edit = dynamic_cast<TvxCustomDateEdit*>(Edit());
  TvxPopupCalendar* calendar = edit ? edit->Calendar() : nullptr;
  if (!calendar) return;
  bool pass = false;
  if (Key == VK_ESCAPE) {
    TWinControl* active = ActiveControl();
    auto* timeEdit = dynamic_cast<TvxTimeEdit*>(active);
    pass = dynamic_cast<TvxButton*>(active) != nullptr || (timeEdit && !timeEdit->ModifiedAfterEnter());
  } else if (Key == VK_UP || Key == VK_DOWN) {
    pass = Shift.Contains(ssAlt);
  } else if (Key == VK_F4) {
    pass = !Shift.Contains(ssAlt);
  }
  if (pass) calendar->CalendarKeyDown(Key, Shift);
}

// --- The edit ---------------------------------------------------------------------------------

std::unique_ptr<TvxCustomEditProperties> TvxCustomDateEdit::CreateProperties() {
  return std::make_unique<TvxCustomDateEditProperties>(this);
}

std::unique_ptr<TvxCustomEditProperties> TvxDateEdit::CreateProperties() {
  return std::make_unique<TvxDateEditProperties>(this);
}

TvxCustomDateEdit::~TvxCustomDateEdit() {
  // The popup edit puts its popup control back when it closes; the calendar goes first.
  if (FCalendar && Properties()->PopupControl() == FCalendar.get()) Properties()->SetPopupControl(nullptr);
  FCalendar.reset();
}

void TvxCustomDateEdit::Initialize() {
  TvxCustomPopupEdit::Initialize();
  ControlStyle().Exclude(csSetCaption);
  FDateDropDown = NullDate;
}

TDateTime TvxCustomDateEdit::GetDate() {
  const Variant v = EditValue();
  if (VarIsNull(v) || VarIsEmpty(v)) return NullDate;
  if (IsDateOrNumber(v)) return v.AsDouble();
  if (VarIsStr(v)) {
    Variant e;
    PrepareEditValue(v, e, Focused());
    return VarIsNull(e) || VarIsEmpty(e) ? NullDate : e.AsDouble();
  }
  return NullDate;
}

TDateTime TvxCustomDateEdit::CurrentDate() {
  if (Focused() && !IsEditValidated() && ModifiedAfterEnter()) {
    Variant e;
    PrepareEditValue(InternalGetText(), e, true);
    return VarIsNull(e) || VarIsEmpty(e) ? NullDate : e.AsDouble();
  }
  return Date();
}

void TvxCustomDateEdit::SetDateValue(TDateTime Value) {
  if (IsNullDateValue(Value)) {
    AssignInternalEditValue(Null());
    return;
  }
  TvxCustomDateEditProperties* p = ActiveProperties();
  if (p->Kind() == ckDate && TimePartOf(Value) == 0)
    Value = p->SaveTime() ? WithTime(Value, FSavedTime) : std::trunc(Value);
  AssignInternalEditValue(VarFromDateTime(Value));
}

void TvxCustomDateEdit::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  TvxCustomDateEditProperties* p = ActiveProperties();
  p->TextToEditValue(VarToStr(ADisplayValue), AEditValue);
  if (VarIsNull(AEditValue)) return;
  TDateTime v = AEditValue.AsDouble();
  if (v != NullDate && p->Kind() == ckDate && p->SaveTime()) v = WithTime(v, FSavedTime);
  AEditValue = GetFormatController()->UseRtlDateTimeFormats() ? Variant(v) : VarFromDateTime(v);
}

void TvxCustomDateEdit::InternalSetEditValue(const Variant& Value, bool AValidateEditValue) {
  if (ComponentState().Contains(csDestroying)) return;
  TvxCustomDateEditProperties* p = ActiveProperties();
  if (p->Kind() == ckDate) {
    FSavedTime = 0;
    if (p->SaveTime()) {
      if (VarIsStr(Value)) {
        TDateTime d = NullDate;
        if (TextToDateEx(VarToStr(Value), !GetFormatController()->UseRtlDateTimeFormats(), d) &&
            !IsNullDateValue(d))
          FSavedTime = TimePartOf(d);
      } else if (IsDateOrNumber(Value)) {
        FSavedTime = TimePartOf(Value.AsDouble());
      }
    }
  }
  TvxCustomPopupEdit::InternalSetEditValue(Value, AValidateEditValue);
}

void TvxCustomDateEdit::ApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  if (VarIsStr(ADisplayValue)) {
    TvxCustomPopupEdit::ApplyValidatedDisplayValue(ADisplayValue);
    return;
  }
  auto lock = vxLockChangeEvents(this);
  SetInternalEditValue(ADisplayValue);
}

bool TvxCustomDateEdit::CanAcceptMaskChar(Char& C, Integer APosition) {
  TvxTimeEditZoneInfo zone;
  if (!ActiveProperties()->GetZoneInfo(APosition, zone)) return true;
  if (zone.Kind == tzTimeSuffix) return true;
  // A digit of an hour, minute or second field must keep the field in its range.
  if (C < L'0' || C > L'9') return false;
  const String text = EditText();
  const Integer start = zone.Start - 1;
  String digits = static_cast<Integer>(text.size()) >= start + 2 ? text.substr(static_cast<size_t>(start), 2) : L"00";
  for (Char& d : digits)
    if (d < L'0' || d > L'9') d = L'0';
  const Integer k = std::max<Integer>(0, std::min<Integer>(1, APosition - zone.Start));
  digits[static_cast<size_t>(k)] = C;
  const Integer value = StrToIntDef(digits, -1);
  const Integer hi = zone.Kind != tzHour ? 59 : zone.Use24HourFormat ? 23 : 12;
  // The first digit only has to start a valid field.
  if (k == 0) return (C - L'0') * 10 <= hi;
  return value >= 0 && value <= hi;
}

void TvxCustomDateEdit::PropertiesBoundsChanged() {
  if (!IsLoadingOrDestroying() && ActiveProperties()->IsValueBoundsDefined()) DoBoundsChanged();
}

void TvxCustomDateEdit::DoBoundsChanged() {
  const TDateTime d = Date();
  if (IsNullDateValue(d)) return;
  TValueScope<bool> action(FKeyboardAction, ModifiedAfterEnter());
  TvxCustomDateEditProperties* p = ActiveProperties();
  if (p->IsValueBoundDefined(false) && d < p->MinDate())
    SetDate(p->MinDate());
  else if (p->IsValueBoundDefined(true) && d > p->MaxDate())
    SetDate(p->MaxDate());
}

std::unique_ptr<TvxCustomEditPopupWindow> TvxCustomDateEdit::CreatePopupWindow() {
  std::unique_ptr<TvxCustomEditPopupWindow> w = TvxCustomPopupEdit::CreatePopupWindow();
  w->SetModalMode(false);
  return w;
}

void TvxCustomDateEdit::CreateCalendar() {
  TClass cls = GetCalendarClass();
  if (!cls || !cls->InheritsFrom(TvxPopupCalendar::StaticClass())) cls = TvxPopupCalendar::StaticClass();
  FCalendar.reset(static_cast<TvxPopupCalendar*>(cls->NewInstance(nullptr)));
  FCalendar->SetEdit(this);
  FCalendar->SetParent(PopupWindow());
  FCalendar->OnHidePopup = [this](TObject* Sender, TvxEditCloseUpReason AReason) {
    HideCalendarPopup(Sender, AReason);
  };
  FCalendar->LookAndFeel()->SetMasterLookAndFeel(PopupControlsLookAndFeel());
}

void TvxCustomDateEdit::DropDown() {
  if (!FCalendar) CreateCalendar();
  ActiveProperties()->SetPopupControl(FCalendar.get());
  TvxCustomPopupEdit::DropDown();
}

void TvxCustomDateEdit::SetupPopupWindow() {
  TvxCustomPopupEdit::SetupPopupWindow();
  if (!FCalendar) return;
  TvxCustomDateEditProperties* p = ActiveProperties();
  TvxPopupCalendar* c = FCalendar.get();
  c->HandleNeeded();
  c->SetColor(Style()->Color());
  c->SetFlat(PopupControlsLookAndFeel()->Kind() != lfStandard);
  c->SetCalendarButtons(p->DateButtons());
  c->OnDateTimeChanged = nullptr;
  FDateDropDown = CurrentDate();
  const TDateTime d = IsNullDateValue(FDateDropDown) ? ::Date() : FDateDropDown;
  c->SetKind(p->Kind());
  if (p->Kind() == ckDateTime) c->TimeEdit()->SetTime(TimePartOf(d));
  c->SetFirstDate(DatePartOf(d));
  c->SetSelectDate(DatePartOf(d));
  c->Font()->Assign(Style()->GetVisibleFont());
  c->Font()->SetColor(clBtnText);
  c->OnDateTimeChanged = [this](TObject* Sender) { CalendarDateTimeChanged(Sender); };
  c->SetArrowsForYear(p->ArrowsForYear());
  c->SetWeekNumbers(p->WeekNumbers());
  c->SetYearsInMonthList(p->YearsInMonthList());
  const TvxDateTimeFormatInfo& info = GetFormatController()->DateTimeFormatInfo();
  TvxTimeEditTimeFormat format = tfHourMinSec;
  if (info.DefinedItems[dtikSec])
    format = tfHourMinSec;
  else if (info.DefinedItems[dtikMin])
    format = tfHourMin;
  else if (info.DefinedItems[dtikHour])
    format = tfHour;
  c->SetTimeFormat(format);
  bool use24 = false;
  for (const TvxDateTimeFormatItem& item : info.Items)
    if (item.Kind == dtikHour) {
      use24 = item.Data.rfind(L"24", 0) == 0;
      break;
    }
  c->SetUse24HourFormat(use24);
  const TSize size = c->GetCalendarSize();
  c->SetBounds(c->Left(), c->Top(), size.cx, size.cy);
}

void TvxCustomDateEdit::DoPopupShowed(TObject* Sender) {
  TvxCustomPopupEdit::DoPopupShowed(Sender);
  if (!FCalendar) return;
  FCalendar->Recalculate();
  FCalendar->UpdateHotTrackRegion();
}

void TvxCustomDateEdit::DoClosePopupWindow(TObject* Sender) {
  TvxCustomPopupEdit::DoClosePopupWindow(Sender);
  if (FCalendar) FCalendar->UpdateHotTrackRegion();
}

void TvxCustomDateEdit::GetDateDisplayValue(Variant& AValue, TDateTime ADate) {
  TvxCustomDateEditProperties* p = ActiveProperties();
  if (p->InputKind() == ikStandard && !IsNullDateValue(ADate)) {
    Variant shown, back;
    p->PrepareDisplayValue(VarFromDateTime(ADate), shown, true);
    PrepareEditValue(shown, back, true);
    const bool sameDay = !VarIsNull(back) && DatePartOf(back.AsDouble()) == DatePartOf(ADate);
    if (!sameDay) {
      const TDateTime d = p->IsTimeShown(true, ADate) ? ADate : DatePartOf(ADate);
      AValue = TrimRight(DateTimeToEditText(false, p->Kind() == ckDateTime, true, d));
      return;
    }
  }
  p->PrepareDisplayValue(IsNullDateValue(ADate) ? Null() : VarFromDateTime(ADate), AValue, true);
}

void TvxCustomDateEdit::CalendarDateTimeChanged(TObject*) {
  FCloseUpReason = crEnter;
  TvxCustomDateEditProperties* p = ActiveProperties();
  TDateTime d = FCalendar->SelectDate();
  if (!IsNullDateValue(d)) {
    if (p->Kind() == ckDateTime)
      d = WithTime(DatePartOf(d), FCalendar->TimeEdit()->Time());
    else if (p->SaveTime())
      d = WithTime(d, TimePartOf(IsNullDateValue(FDateDropDown) ? 0 : FDateDropDown));
  }
  Variant shown;
  GetDateDisplayValue(shown, d);
  if (Date() == d && InternalGetText() == VarToStr(shown)) return;
  if (!DoEditing()) return;
  auto lock = vxLockChangeEvents(this);
  SetDate(d);
  SetModifiedAfterEnter(true);
  SetInternalDisplayValue(shown);
  SelectAll();
}

void TvxDateEdit::DeclarePublished(TPublisher<TvxDateEdit>& P) {
  using C = TvxDateEdit;
  P.Property(L"EditValue", [](C* E) { return E->EditValue(); }, [](C* E, const Variant& V) { E->SetEditValue(V); });
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Properties", [](C* E) { return E->Properties(); },
             [](C* E, TvxDateEditProperties* V) { E->SetProperties(V); });
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

// --- Filter helper ----------------------------------------------------------------------------

TClass TvxFilterDateEditHelper::GetFilterEditClass() const { return TvxDateEdit::StaticClass(); }

TvxFilterControlOperators TvxFilterDateEditHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                               TvxValueTypeClass,
                                                                               bool AExtendedSet) const {
  TvxFilterControlOperators result{fcoEqual, fcoNotEqual, fcoLess, fcoLessEqual, fcoGreater, fcoGreaterEqual,
                                   fcoBlanks, fcoNonBlanks};
  if (AExtendedSet)
    for (Integer o = fcoBetween; o <= fcoInFuture; ++o) result.Include(static_cast<TvxFilterControlOperator>(o));
  return result;
}

void TvxFilterDateEditHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                   TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  TvxFilterDropDownEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* p = dynamic_cast<TvxCustomDateEditProperties*>(AProperties);
  if (!p) return;
  p->SetDateButtons({btnClear, btnToday});
  p->SetDateOnError(deNull);
  p->SetInputKind(ikRegExpr);
  p->SetSaveTime(true);
}
