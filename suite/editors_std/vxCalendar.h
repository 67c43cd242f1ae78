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
#include "vxTimeEdit.h"

class TvxCustomCalendar;

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
  // Calendar arithmetic through the table; dates outside its range are kept at its ends.
  TDateTime AddMonths(TDateTime ADate, Integer AMonths);
  TDateTime AddYears(TDateTime ADate, Integer AYears) { return AddMonths(ADate, 12 * AYears); }
  bool IsDateInValidRange(TDateTime ADate);
  void ScrollByArrow(TvxCalendarArrow AArrow);

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

extern const TUnitInfo vxCalendarUnit;
