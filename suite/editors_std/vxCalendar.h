// The month calendar of the date editors: a header with the month (and year) caption and
// scroll arrows, the weekday row, 6 x 7 day cells, optional week numbers and push buttons;
// in its date-time kind also a clock face and a time edit. Also the month list that drops
// from its caption and the clock face.
#pragma once

#include <memory>

#include "vxButtons.h"
#include "vxContainer.h"
#include "vxControls.h"
#include "vxDateUtils.h"
#include "vxDropDownEdit.h"
#include "vxFilterControlUtils.h"
#include "vxTimeEdit.h"

class TvxCustomCalendar;
class TvxCustomDateEdit;

// The analog clock face: paints a time only.
class TvxClock : public TvxControl {
  DECLARE_CLASS(TvxClock, TvxControl)
 public:
  explicit TvxClock(TComponent* AOwner);
  TColor MinuteDotColor() const { return FMinuteDotColor; }
  void SetMinuteDotColor(TColor Value);
  TDateTime Time() const { return FTime; }
  // Keeps the time part only.
  void SetTime(TDateTime Value);

 protected:
  void Paint() override;

 private:
  TColor FMinuteDotColor = clWindow;
  TDateTime FTime = 0;
};

// The list of months dropped over the calendar's month caption: month-year items dragged
// through (scrolling past its ends), or the twelve months of the year clicked.
class TvxMonthListBox : public TvxCustomPopupWindow {
  DECLARE_CLASS(TvxMonthListBox, TvxCustomPopupWindow)
 public:
  explicit TvxMonthListBox(TvxCustomCalendar* ACalendar);
  ~TvxMonthListBox() override;
  void Popup(TWinControl* AFocusedControl) override;
  void CloseUp() override;
  // The highlighted item's month (day 1), NullDate when none.
  TDateTime Date();
  bool IsMonthYearForm();
  Integer ItemCount() const { return FItemCount; }
  Integer ItemIndex() const { return FItemIndex; }
  Integer TopMonthDelta() const { return FTopMonthDelta; }
  TvxTimer* Timer() const { return FTimer.get(); }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Click() override;
  void DoShowed() override;
  TPoint CalculatePosition() override { return FOrigin; }

 private:
  void SetItemIndex(Integer Value);
  void SetTopMonthDelta(Integer Value);
  TvxCustomCalendar* Calendar() const;
  TvxDateTime FCurrentDate;
  TPoint FOrigin{0, 0};
  Integer FTopMonthDelta = 0;
  Integer FItemHeight = 0;
  Integer FItemIndex = -1;
  Integer FItemCount = 0;
  std::unique_ptr<TvxTimer> FTimer;
  Integer FSign = 1;
};

enum TCalendarButton { btnClear, btnNow, btnToday, btnOk };
using TDateButtons = Set<TCalendarButton, 4>;
enum TvxCalendarArrow { caPrevMonth, caNextMonth, caPrevYear, caNextYear };
enum TvxCalendarHotTrackRegion { chrNone, chrMonth, chrYear };
enum TvxCalendarKind { ckDate, ckDateTime };

struct TvxCalendarViewInfo {
  TRect ArrowRects[4]{};
  TRect CalendarRect{};
  TRect CurrentDateRegion{};
  TRect HeaderRegion{};
  TvxCalendarArrow LastVisibleArrow = caNextYear;
  TRect MonthRegion{};
  TRect YearRegion{};
};

class TvxCustomCalendar : public TvxControl {
  DECLARE_CLASS(TvxCustomCalendar, TvxControl)
  friend class TvxMonthListBox;

 public:
  explicit TvxCustomCalendar(TComponent* AOwner);
  ~TvxCustomCalendar() override;

  virtual void Recalculate();
  virtual TDateTime GetLastDate();
  virtual TPoint GetTimeAreaOffset();
  virtual TDateTime GetFirstVisibleDate();
  virtual TDateTime GetLastVisibleDate();
  virtual TSize GetCalendarSize();
  virtual void HidePopup(TObject* Sender, TvxEditCloseUpReason AReason);
  virtual TDateTime GetDateAtPoint(const TPoint& P);
  virtual void SetFirstDate(TDateTime Value);
  virtual void SetSelectDate(TDateTime Value);
  TDateTime GetCellDate(Integer ACol, Integer ARow);

  bool ArrowsForYear() const { return FArrowsForYear; }
  void SetArrowsForYear(bool Value);
  TDateButtons CalendarButtons() const { return FCalendarButtons; }
  void SetCalendarButtons(TDateButtons Value);
  TDateTime FirstDate() const { return FFirstDate; }
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  TvxCalendarKind Kind() const { return FKind; }
  void SetKind(TvxCalendarKind Value);
  TDateTime SelectDate() const { return FSelectDate; }
  TvxTimeEditTimeFormat TimeFormat() const;
  void SetTimeFormat(TvxTimeEditTimeFormat Value);
  bool Use24HourFormat() const;
  void SetUse24HourFormat(bool Value);
  bool WeekNumbers() const { return FWeekNumbers; }
  void SetWeekNumbers(bool Value);
  bool YearsInMonthList() const { return FYearsInMonthList; }
  void SetYearsInMonthList(bool Value) { FYearsInMonthList = Value; }
  TNotifyEvent OnDateTimeChanged;

  // What the calendar shows and how.
  const TvxCalendarViewInfo& ViewInfo() const { return FViewInfo; }
  TvxCustomCalendarTable* CalendarTable() const { return FCalendarTable.get(); }
  // Replaces the calendar table (the locale's by default) and repaints.
  void SetCalendarTable(std::unique_ptr<TvxCustomCalendarTable> ATable);
  TvxMonthListBox* MonthListBox() const { return FMonthListBox.get(); }
  TvxButton* TodayButton() const { return FTodayButton; }
  TvxButton* ClearButton() const { return FClearButton; }
  TvxButton* NowButton() const { return FNowButton; }
  TvxButton* OKButton() const { return FOKButton; }
  TvxTimeEdit* TimeEdit() const { return FTimeEdit; }
  TvxClock* Clock() const { return FClock; }
  TvxCalendarHotTrackRegion HotTrackRegion() const { return FHotTrackRegion; }
  Integer ColWidth() const { return FColWidth; }
  Integer RowHeight() const { return FRowHeight; }
  Integer HeaderHeight() const { return FHeaderHeight; }
  // The rectangle of a day cell.
  TRect CellRect(Integer ACol, Integer ARow);
  // Texts of the header.
  String MonthYearCaption(TDateTime ADate);
  String MonthCaption(TDateTime ADate);
  String YearCaption(TDateTime ADate);
  // A Japanese table under a locale whose calendar is not the Japanese one.
  bool HasForeignEraTable();
  // Calendar arithmetic through the table; dates outside its range are kept at its ends.
  TDateTime AddMonths(TDateTime ADate, Integer AMonths);
  TDateTime AddYears(TDateTime ADate, Integer AYears) { return AddMonths(ADate, 12 * AYears); }
  bool IsDateInValidRange(TDateTime ADate);
  void ScrollByArrow(TvxCalendarArrow AArrow);
  // The calendar's key handling, as its date edit's popup window passes keys on.
  void CalendarKeyDown(Word& Key, TShiftState Shift) { KeyDown(Key, Shift); }

 protected:
  void CreateWnd() override;
  bool CanResize(Integer& NewWidth, Integer& NewHeight) override;
  void Paint() override;
  void FontChanged() override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  virtual void UpdateHotTrackRegion();
  virtual Integer GetBottomIndent();
  void DoDateTimeChanged();
  void InternalSetSelectDate(TDateTime Value, bool ARepositionVisibleDates);

 private:
  void ButtonClick(TObject* Sender);
  void TimeChanged(TObject* Sender);
  void TimerTick(TObject* Sender);
  void CalculateViewInfo();
  void LayoutChildControls();
  TDateButtons VisibleButtons();
  bool ButtonsShown();
  Integer TimeEditWidth();
  Integer WeekNumbersWidth();
  TDay StartOfWeek();
  TColor BackgroundColor();
  void SetHotTrackRegion(TvxCalendarHotTrackRegion Value);
  TvxCustomLookAndFeelPainterClass Painter();
  TRect DayRowsRect();

  bool FArrowsForYear = true;
  Integer FButtonsHeight = 0, FButtonsOffset = 0, FButtonsRegionHeight = 0, FButtonWidth = 0;
  TDateButtons FCalendarButtons{btnClear, btnToday};
  std::unique_ptr<TvxCustomCalendarTable> FCalendarTable;
  TvxButton* FClearButton = nullptr;  // the buttons, time edit and clock: owned components
  TvxClock* FClock = nullptr;
  Integer FClockSize = 0, FColWidth = 0, FDateRegionWidth = 0, FDaysOfWeekHeight = 0;
  TDateTime FFirstDate = 0;
  bool FFlat = true;
  Integer FHeaderHeight = 0;
  TvxCalendarHotTrackRegion FHotTrackRegion = chrNone;
  TvxCalendarKind FKind = ckDate;
  std::unique_ptr<TvxMonthListBox> FMonthListBox;
  TvxButton* FNowButton = nullptr;
  TvxButton* FOKButton = nullptr;
  Integer FRowHeight = 0;
  TDateTime FSelectDate = 0;
  Integer FSideWidth = 0, FSpaceWidth = 0;
  TvxTimeEdit* FTimeEdit = nullptr;
  std::unique_ptr<TvxTimer> FTimer;
  TvxButton* FTodayButton = nullptr;
  TvxCalendarViewInfo FViewInfo;
  bool FWeekNumbers = false;
  Integer FWeekNumberWidth = 0;
  bool FYearsInMonthList = true;
};

class TvxCalendar : public TvxCustomCalendar {
  DECLARE_CLASS(TvxCalendar, TvxCustomCalendar)
 public:
  using TvxCustomCalendar::TvxCustomCalendar;
};

// The calendar in a date edit's popup: it closes the popup and tells why.
class TvxPopupCalendar : public TvxCustomCalendar {
  DECLARE_CLASS(TvxPopupCalendar, TvxCustomCalendar)
  friend class TvxCustomDateEdit;

 public:
  using TvxCustomCalendar::TvxCustomCalendar;
  void HidePopup(TObject* Sender, TvxEditCloseUpReason AReason) override;
  TvxCustomDateEdit* Edit() const { return FEdit; }
  void SetEdit(TvxCustomDateEdit* Value) { FEdit = Value; }
  TvxEditClosePopupEvent OnHidePopup;

 protected:
  void UpdateHotTrackRegion() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;

 private:
  TvxCustomDateEdit* FEdit = nullptr;  // not owned
};

// ---- Date edit --------------------------------------------------------------------------------

enum TDateOnError { deNoChange, deToday, deNull };
ENUM_TYPEINFO(TDateOnError, deNoChange, deToday, deNull)
enum TvxInputKind { ikStandard, ikMask, ikRegExpr };
ENUM_TYPEINFO(TvxInputKind, ikStandard, ikMask, ikRegExpr)
ENUM_TYPEINFO(TvxCalendarKind, ckDate, ckDateTime)
ENUM_TYPEINFO(TCalendarButton, btnClear, btnNow, btnToday, btnOk)
SET_TYPEINFO(TDateButtons, TCalendarButton)

// Which of the date edit's derived settings were given explicitly.
class TvxDateEditPropertiesValues : public TvxTextEditPropertiesValues {
  DECLARE_CLASS(TvxDateEditPropertiesValues, TvxTextEditPropertiesValues)
 public:
  explicit TvxDateEditPropertiesValues(TPersistent* AOwner) : TvxTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  bool DateButtons() const { return FDateButtons; }
  void SetDateButtons(bool Value);
  bool InputKind() const { return FInputKind; }
  void SetInputKind(bool Value);

 private:
  bool FDateButtons = false;
  bool FInputKind = false;
};

class TvxCustomDateEditProperties : public TvxCustomPopupEditProperties {
  DECLARE_CLASS(TvxCustomDateEditProperties, TvxCustomPopupEditProperties)
 public:
  explicit TvxCustomDateEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  void FirePropertiesChanged() override;
  TvxCustomEditPropertiesValuesClass AssignedValuesClass() override {
    return TvxDateEditPropertiesValues::StaticClass();
  }
  TClass GetContainerClass() override;
  TClass GetPopupWindowClass() override;
  TvxEditDisplayFormatOptions DisplayFormatOptions() override { return {dfoSupports, dfoNoCurrencyValue}; }
  TvxDataEditValueSource GetEditValueSource(bool AEditFocused) override {
    return TvxCustomEditProperties::GetEditValueSource(AEditFocused);
  }
  bool IsEditValueNumeric() override { return true; }
  bool FitPopupToWorkArea() override { return false; }
  bool PostAfterPopupClosed() override { return true; }
  bool IsValueBoundDefined(bool AIsMax) override;
  TvxMaskEditCustomMode* CreateMode(TvxEditMaskKind AKind, TvxCustomMaskEdit* AEdit) override;
  bool IsEditValueValid(Variant& EditValue, bool AEditFocused) override;
  bool IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused) override;
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;

  virtual Char GetMaskBlank(Integer APosition);
  virtual bool GetZoneInfo(Integer APosition, TvxTimeEditZoneInfo& AInfo);

  // The text an empty edit shows.
  String GetEmptyDisplayText(bool AFocused);
  bool IsTimeShown(bool AFocused, TDateTime ADate);
  // Null for the empty text, else the date the text gives (Null when none, unless
  // DateOnError supplies today).
  void TextToEditValue(const String& AText, Variant& AValue);
  // Re-derives the edit mask from the input kind and the calendar kind.
  void UpdateEditMask();

  bool ArrowsForYear() const { return FArrowsForYear; }
  void SetArrowsForYear(bool Value) { SetValue(FArrowsForYear, Value); }
  TvxDateEditPropertiesValues* AssignedValues() const {
    return static_cast<TvxDateEditPropertiesValues*>(TvxCustomPopupEditProperties::AssignedValues());
  }
  TDateButtons DateButtons();
  void SetDateButtons(TDateButtons Value);
  TDateOnError DateOnError() const { return FDateOnError; }
  void SetDateOnError(TDateOnError Value) { SetValue(FDateOnError, Value); }
  TvxInputKind InputKind();
  void SetInputKind(TvxInputKind Value);
  TvxCalendarKind Kind() const { return FKind; }
  void SetKind(TvxCalendarKind Value) { SetValue(FKind, Value); }
  TDateTime MaxDate() { return MaxValue(); }
  void SetMaxDate(TDateTime Value) { SetMaxValue(Value); }
  TDateTime MinDate() { return MinValue(); }
  void SetMinDate(TDateTime Value) { SetMinValue(Value); }
  bool SaveTime() const { return FSaveTime; }
  void SetSaveTime(bool Value) { SetValue(FSaveTime, Value); }
  bool ShowTime() const { return FShowTime; }
  void SetShowTime(bool Value) { SetValue(FShowTime, Value); }
  bool WeekNumbers() const { return FWeekNumbers; }
  void SetWeekNumbers(bool Value) { SetValue(FWeekNumbers, Value); }
  bool YearsInMonthList() const { return FYearsInMonthList; }
  void SetYearsInMonthList(bool Value) { SetValue(FYearsInMonthList, Value); }

 private:
  bool FArrowsForYear = true;
  TDateButtons FDateButtons{btnClear, btnToday};
  TDateOnError FDateOnError = deNoChange;
  TvxInputKind FInputKind = ikRegExpr;
  TvxCalendarKind FKind = ckDate;
  bool FSaveTime = true;
  bool FShowTime = true;
  bool FWeekNumbers = false;
  bool FYearsInMonthList = true;
  bool FUpdatingEditMask = false;
};

class TvxDateEditProperties : public TvxCustomDateEditProperties {
  DECLARE_CLASS(TvxDateEditProperties, TvxCustomDateEditProperties)
  PUBLISHED(TvxDateEditProperties)
 public:
  explicit TvxDateEditProperties(TPersistent* AOwner) : TvxCustomDateEditProperties(AOwner) {}
};

class TvxDateEditPopupWindow : public TvxPopupEditPopupWindow {
  DECLARE_CLASS(TvxDateEditPopupWindow, TvxPopupEditPopupWindow)
 public:
  explicit TvxDateEditPopupWindow(TWinControl* AOwnerControl);

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
};

// The fixed-position mask mode whose blanks the date edit's properties give.
class TvxDateEditMaskStandardMode : public TvxMaskEditStandardMode {
 public:
  using TvxMaskEditStandardMode::TvxMaskEditStandardMode;
  Char GetBlank(Integer APosition) const override;
};

class TvxCustomDateEdit : public TvxCustomPopupEdit {
  DECLARE_CLASS(TvxCustomDateEdit, TvxCustomPopupEdit)
  friend class TvxCustomDateEditProperties;
  friend class TvxPopupCalendar;

 public:
  using TvxCustomPopupEdit::TvxCustomPopupEdit;
  ~TvxCustomDateEdit() override;
  TvxCustomDateEditProperties* Properties() const {
    return static_cast<TvxCustomDateEditProperties*>(TvxCustomPopupEdit::Properties());
  }
  TvxCustomDateEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomDateEditProperties*>(TvxCustomPopupEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomDateEditProperties::StaticClass(); }

  TDateTime CurrentDate();
  TDateTime Date() { return GetDate(); }
  void SetDate(TDateTime Value) { SetDateValue(Value); }
  TvxPopupCalendar* Calendar() const { return FCalendar.get(); }
  TDateTime SavedTime() const { return FSavedTime; }
  TDateTime DateDropDown() const { return FDateDropDown; }

  void Clear() override { SetDate(NullDate); }
  bool CanDropDown() override { return true; }
  void DropDown() override;
  void SetupPopupWindow() override;
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  bool CanSetModeText() override { return Focused() || IsEditValidating(); }
  bool CanAcceptMaskChar(Char& C, Integer APosition) override;

  virtual void CreateCalendar();
  virtual void CalendarDateTimeChanged(TObject* Sender);
  virtual TClass GetCalendarClass() { return TvxPopupCalendar::StaticClass(); }
  virtual TDateTime GetDate();
  virtual void GetDateDisplayValue(Variant& AValue, TDateTime ADate);
  virtual void SetDateValue(TDateTime Value);

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue) override;
  void ApplyValidatedDisplayValue(const Variant& ADisplayValue) override;
  void InternalGetEditingValue(Variant& Value) override { PrepareEditValue(InternalGetText(), Value, true); }
  std::unique_ptr<TvxCustomEditPopupWindow> CreatePopupWindow() override;
  void DoPopupShowed(TObject* Sender) override;
  void DoClosePopupWindow(TObject* Sender) override;
  void PropertiesBoundsChanged() override;
  // Keeps the date within MinDate and MaxDate after the bounds changed.
  void DoBoundsChanged();

 private:
  void HideCalendarPopup(TObject* Sender, TvxEditCloseUpReason AReason) { ClosePopupWithReason(AReason); }
  TDateTime FDateDropDown = NullDate;
  TDateTime FSavedTime = 0;
  std::unique_ptr<TvxPopupCalendar> FCalendar;
};

class TvxDateEdit : public TvxCustomDateEdit {
  DECLARE_CLASS(TvxDateEdit, TvxCustomDateEdit)
  PUBLISHED(TvxDateEdit)
 public:
  using TvxCustomDateEdit::TvxCustomDateEdit;
  TvxDateEditProperties* Properties() const {
    return static_cast<TvxDateEditProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(TvxDateEditProperties* Value) { Properties()->Assign(Value); }
  TClass GetPropertiesClass() override { return TvxDateEditProperties::StaticClass(); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
};

class TvxFilterDateEditHelper : public TvxFilterDropDownEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterDateEditHelper, TvxFilterDropDownEditHelper)
 public:
  TClass GetFilterEditClass() const override;
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
};

extern const TUnitInfo vxCalendarUnit;
