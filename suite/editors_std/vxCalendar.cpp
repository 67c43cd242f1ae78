#include "vxCalendar.h"

#include <algorithm>
#include <cmath>

#include "vxClasses.h"
#include "vxEditConsts.h"
#include "vxFormats.h"
#include "vxLookAndFeelPainters.h"

namespace {
bool IsNullDate(TDateTime D) { return D == NullDate; }

}  // namespace

// --- Clock ------------------------------------------------------------------------------------

TvxClock::TvxClock(TComponent* AOwner) : TvxControl(AOwner) { SetMinuteDotColor(clWindow); }

void TvxClock::SetMinuteDotColor(TColor Value) {
  if (FMinuteDotColor == Value) return;
  FMinuteDotColor = Value;
  Invalidate();
}

void TvxClock::SetTime(TDateTime Value) {
  const TDateTime t = Value - std::floor(Value);
  if (FTime == t) return;
  FTime = t;
  Invalidate();
}

void TvxClock::Paint() {
  // The clock's own colour unless it is left to the look and feel.
  TColor background = Color();
  if (background == clDefault) {
    background = LookAndFeel()->Painter()->DefaultEditorBackgroundColor(!Enabled());
    if (background == clDefault) background = Enabled() ? clWindow : clBtnFace;
  }
  LookAndFeel()->Painter()->DrawClock(Canvas(), ClientBounds(), FTime, background);
}

// --- Month list -------------------------------------------------------------------------------

TvxMonthListBox::TvxMonthListBox(TvxCustomCalendar* ACalendar) : TvxCustomPopupWindow(ACalendar) {
  ControlStyle().Include(csCaptureMouse);
  ControlStyle().Include(csOpaque);
  FTimer = std::make_unique<TvxTimer>(nullptr);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(200);
  FTimer->SetOnTimer([this](TObject*) { SetTopMonthDelta(FTopMonthDelta + FSign); });
  SetAdjustable(false);
  SetBorderStyle(pbsFlat);
}

TvxMonthListBox::~TvxMonthListBox() { FTimer.reset(); }

TvxCustomCalendar* TvxMonthListBox::Calendar() const { return static_cast<TvxCustomCalendar*>(OwnerControl()); }

bool TvxMonthListBox::IsMonthYearForm() { return !Calendar()->ArrowsForYear() || Calendar()->YearsInMonthList(); }

void TvxMonthListBox::CreateParams(TCreateParams& Params) {
  TvxCustomPopupWindow::CreateParams(Params);
  Params.WindowClass.style |= CS_SAVEBITS;
}

void TvxMonthListBox::Popup(TWinControl* AFocusedControl) {
  TvxCustomCalendar* c = Calendar();
  TvxCustomCalendarTable* table = c->CalendarTable();
  FCurrentDate = table->FromDateTime(c->FirstDate());
  const bool monthYear = IsMonthYearForm();
  if (monthYear)
    ControlStyle().Exclude(csClickEvents);
  else
    ControlStyle().Include(csClickEvents);
  FItemCount = monthYear ? 7 : table->GetMonthsInYear(FCurrentDate.Era, static_cast<Integer>(FCurrentDate.Year));
  Font()->Assign(c->Font());
  FItemHeight = c->HeaderHeight() - 2;
  SetWidth(6 * c->ColWidth() + 2);
  SetHeight(FItemCount * FItemHeight + 2);
  FTopMonthDelta = monthYear ? -3 : 1 - static_cast<Integer>(FCurrentDate.Month);
  // Near the first supported date the table clamps: start at the first distinct month.
  const TDateTime first = c->FirstDate();
  const TDateTime d0 = c->AddMonths(first, FTopMonthDelta);
  const Integer from = FTopMonthDelta + 1;
  for (Integer i = from; i <= 0; ++i)
    if (c->AddMonths(first, i) == d0) ++FTopMonthDelta;
  TRect r = c->ViewInfo().MonthRegion;
  POINT tl{r.left, r.top}, br{r.right, r.bottom};
  ::ClientToScreen(c->Handle(), &tl);
  ::ClientToScreen(c->Handle(), &br);
  FOrigin.x = tl.x + (br.x - tl.x - Width()) / 2;
  FOrigin.y = (tl.y + br.y) / 2 - Height() / 2;
  FItemIndex = -1;
  TvxCustomPopupWindow::Popup(AFocusedControl);
}

void TvxMonthListBox::DoShowed() {
  TvxCustomPopupWindow::DoShowed();
  if (IsMonthYearForm())
    SetCapture(Handle());
  else if (GetCapture() == Handle())
    ReleaseCapture();
}

void TvxMonthListBox::CloseUp() {
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
  if (!Visible()) return;
  TvxCustomPopupWindow::CloseUp();
  FTimer->SetEnabled(false);
  if (IsMonthYearForm()) {
    const TDateTime d = Date();
    if (!IsNullDate(d)) Calendar()->SetFirstDate(d);
  }
}

TDateTime TvxMonthListBox::Date() {
  if (FItemIndex == -1) return NullDate;
  TvxCustomCalendar* c = Calendar();
  return c->AddMonths(c->FirstDate(), FTopMonthDelta + FItemIndex);
}

void TvxMonthListBox::Click() {
  TvxCustomPopupWindow::Click();
  const Integer index = FItemIndex;
  CloseUp();
  if (index != -1) {
    TvxCustomCalendar* c = Calendar();
    TvxDateTime d = FCurrentDate;
    d.Month = 1;
    d.Day = 1;
    c->SetFirstDate(c->AddMonths(c->CalendarTable()->ToDateTime(d), index));
  }
}

void TvxMonthListBox::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxCustomPopupWindow::MouseUp(Button, Shift, X, Y);
  if (IsMonthYearForm()) CloseUp();
}

void TvxMonthListBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxCustomPopupWindow::MouseMove(Shift, X, Y);
  const Integer h = ClientHeight();
  if (X >= 0 && X < ClientWidth() && Y >= 0 && Y < h) {
    FTimer->SetEnabled(false);
    SetItemIndex(std::min(FItemCount - 1, std::max(0, (Y - 1) / std::max(1, FItemHeight))));
    return;
  }
  SetItemIndex(-1);
  if (Y >= 0 && Y < h) {
    FTimer->SetEnabled(false);
    return;
  }
  const Integer d = Y < 0 ? -Y : Y + 1 - h;
  FSign = Y < 0 ? -1 : 1;
  const Integer steps = d / std::max(1, FItemHeight);
  const Cardinal interval = steps == 0 ? 500 : steps == 1 ? 250 : steps == 2 ? 100 : 50;
  if (!FTimer->Enabled() || FTimer->Interval() != interval) {
    FTimer->SetInterval(interval);
    FTimer->SetEnabled(true);
  }
}

void TvxMonthListBox::SetItemIndex(Integer Value) {
  if (FItemIndex == Value) return;
  FItemIndex = Value;
  Invalidate();
}

void TvxMonthListBox::SetTopMonthDelta(Integer Value) {
  if (FTopMonthDelta == Value) return;
  FTopMonthDelta = Value;
  Invalidate();
}

void TvxMonthListBox::Paint() {
  TvxCustomCalendar* c = Calendar();
  HDC dc = Canvas()->Handle();
  RECT all{0, 0, ClientWidth(), ClientHeight()};
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  FrameRect(dc, &all, black);
  DeleteObject(black);
  const COLORREF back = ColorToRGB(c->Color()), text = ColorToRGB(clWindowText);
  SelectObject(dc, c->Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  for (Integer i = 0; i < FItemCount; ++i) {
    RECT r{1, 1 + i * FItemHeight, ClientWidth() - 1, 1 + (i + 1) * FItemHeight};
    const bool hot = i == FItemIndex;
    HBRUSH b = CreateSolidBrush(hot ? text : back);
    FillRect(dc, &r, b);
    DeleteObject(b);
    const TDateTime d = c->AddMonths(c->FirstDate(), FTopMonthDelta + i);
    const TvxDateTime dt = c->CalendarTable()->FromDateTime(d);
    if (!c->CalendarTable()->IsValidYear(dt.Era, static_cast<Integer>(dt.Year))) continue;
    const String s = IsMonthYearForm() ? c->MonthYearCaption(d) : c->MonthCaption(d);
    ::SetTextColor(dc, hot ? back : text);
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

// --- Calendar ---------------------------------------------------------------------------------

TvxCustomCalendar::TvxCustomCalendar(TComponent* AOwner) : TvxControl(AOwner) {
  ControlStyle() = TControlStyle{csCaptureMouse, csOpaque};
  FCalendarTable = CreateLocaleCalendarTable();
  FSelectDate = std::trunc(Date());
  TvxDateTime d = FCalendarTable->FromDateTime(FSelectDate);
  d.Day = 1;
  FFirstDate = FCalendarTable->ToDateTime(d);
  SetWidth(20);
  SetHeight(20);
  FTimer = std::make_unique<TvxTimer>(nullptr);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(200);
  FTimer->SetOnTimer([this](TObject* S) { TimerTick(S); });
  FMonthListBox = std::make_unique<TvxMonthListBox>(this);
  FMonthListBox->SetCaptureFocus(false);
  FMonthListBox->SetIsTopMost(true);
  SetKeys(TvxKeys{kAll, kArrows, kChars, kTab});
  struct {
    TvxButton** Button;
    Integer Tag;
    TResStringRec* Caption;
  } const buttons[] = {{&FTodayButton, 2, &vxSDatePopupToday},
                       {&FNowButton, 1, &vxSDatePopupNow},
                       {&FClearButton, 0, &vxSDatePopupClear},
                       {&FOKButton, 3, &vxSDatePopupOK}};
  for (const auto& b : buttons) {
    *b.Button = new TvxButton(this);
    (*b.Button)->SetTag(b.Tag);
    (*b.Button)->SetTabOrder(b.Tag == 2 ? 1 : b.Tag == 1 ? 2 : b.Tag == 0 ? 3 : 4);
    (*b.Button)->SetCaption(vxGetResString(b.Caption));
    (*b.Button)->OnClick = [this](TObject* S) { ButtonClick(S); };
    (*b.Button)->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  }
  FOKButton->SetDefault(true);
  FTimeEdit = TvxContainer::Create<TvxTimeEdit>(this);
  FTimeEdit->SetTabOrder(0);
  FTimeEdit->Properties()->SetCircular(true);
  FTimeEdit->Properties()->OnChange = [this](TObject* S) { TimeChanged(S); };
  FTimeEdit->Style()->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  FClock = new TvxClock(this);
  FClock->SetTabStop(false);
  FClock->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  SetCalendarButtons(TDateButtons{btnClear, btnToday});
}

TvxCustomCalendar::~TvxCustomCalendar() {
  FTimer.reset();
  FMonthListBox.reset();
}

void TvxCustomCalendar::SetCalendarTable(std::unique_ptr<TvxCustomCalendarTable> ATable) {
  FCalendarTable = std::move(ATable);
  TvxDateTime d = FCalendarTable->FromDateTime(FFirstDate);
  d.Day = 1;
  FFirstDate = FCalendarTable->ToDateTime(d);
  Recalculate();
}

TvxCustomLookAndFeelPainterClass TvxCustomCalendar::Painter() { return LookAndFeel()->Painter(); }

TDay TvxCustomCalendar::StartOfWeek() { return static_cast<TDay>(GetFormatController()->StartOfWeek()); }

void TvxCustomCalendar::CreateWnd() {
  TvxControl::CreateWnd();
  for (TWinControl* c : {static_cast<TWinControl*>(FTodayButton), static_cast<TWinControl*>(FNowButton),
                         static_cast<TWinControl*>(FClearButton), static_cast<TWinControl*>(FOKButton),
                         static_cast<TWinControl*>(FTimeEdit), static_cast<TWinControl*>(FClock)})
    c->SetParent(this);
  Recalculate();
}

// The editors' range of dates, within the part of it the calendar's table supports.
bool TvxCustomCalendar::IsDateInValidRange(TDateTime ADate) {
  if (!::IsDateInValidRange(ADate)) return false;
  return IsNullDate(ADate) ||
         (ADate >= FCalendarTable->MinSupportedDate() && ADate < FCalendarTable->MaxSupportedDate() + 1);
}

TDateTime TvxCustomCalendar::AddMonths(TDateTime ADate, Integer AMonths) {
  TvxDateTime d = FCalendarTable->FromDateTime(ADate);
  Integer year = static_cast<Integer>(d.Year), month = static_cast<Integer>(d.Month) + AMonths;
  Integer era = d.Era;
  // Work in Gregorian-like years of the table: carry months over year ends.
  while (month > FCalendarTable->GetMonthsInYear(era, year)) {
    month -= FCalendarTable->GetMonthsInYear(era, year);
    ++year;
  }
  while (month < 1) {
    --year;
    month += FCalendarTable->GetMonthsInYear(era, year);
  }
  d.Year = static_cast<Cardinal>(std::max(1, year));
  d.Month = static_cast<Cardinal>(month);
  const Integer days = FCalendarTable->GetDaysInMonth(era, static_cast<Integer>(d.Year), month);
  d.Day = std::min<Cardinal>(d.Day, static_cast<Cardinal>(std::max(1, days)));
  TDateTime r = FCalendarTable->ToDateTime(d);
  r = std::max(r, FCalendarTable->MinSupportedDate());
  r = std::min(r, std::trunc(FCalendarTable->MaxSupportedDate()));
  return r + (ADate - std::trunc(ADate));
}

// The captions are the editors' calendar captions of the calendar's table. The system
// writes era years only for the locale's own calendar: a Japanese table under another
// locale shows its era names from the format settings instead.
String TvxCustomCalendar::MonthCaption(TDateTime ADate) { return GetMonthNameText(FCalendarTable.get(), ADate); }

bool TvxCustomCalendar::HasForeignEraTable() {
  return FCalendarTable->CalendarID() == 3 && GetLocaleCalendarType() != 3;
}

String TvxCustomCalendar::YearCaption(TDateTime ADate) {
  if (!HasForeignEraTable()) return GetYearCaption(FCalendarTable.get(), ADate);
  const TvxDateTime d = FCalendarTable->FromDateTime(ADate);
  String name;
  if (d.Era >= 0 && d.Era < static_cast<Integer>(FCalendarTable->Eras().size())) {
    const TvxEra* era = FCalendarTable->Eras()[static_cast<size_t>(d.Era)].get();
    for (const TEraInfo& e : FormatSettings.EraInfo)
      if (e.EraOffset == era->YearOffset) name = e.EraName;
  }
  return name + IntToStr(static_cast<Integer>(d.Year)) + L"年";
}

String TvxCustomCalendar::MonthYearCaption(TDateTime ADate) {
  if (!HasForeignEraTable()) return GetMonthYearCaption(FCalendarTable.get(), ADate);
  return YearCaption(ADate) + IntToStr(static_cast<Integer>(FCalendarTable->FromDateTime(ADate).Month)) + L"月";
}

TDateTime TvxCustomCalendar::GetCellDate(Integer ACol, Integer ARow) {
  const Integer index = DayIndexInWeek(FFirstDate, StartOfWeek());
  TDateTime d = FFirstDate - index + 7 * ARow + ACol;
  if (index == 0 && FFirstDate > FCalendarTable->MinSupportedDate()) d -= 7;
  return d;
}

TDateTime TvxCustomCalendar::GetLastDate() {
  TvxDateTime d = FCalendarTable->FromDateTime(FFirstDate);
  d.Day = static_cast<Cardinal>(
      FCalendarTable->GetDaysInMonth(d.Era, static_cast<Integer>(d.Year), static_cast<Integer>(d.Month)));
  return FCalendarTable->ToDateTime(d);
}

// The first and last cells' dates, by the same rule as the cells: a month that begins on
// the first weekday shows a full leading week, except the first supported month.
TDateTime TvxCustomCalendar::GetFirstVisibleDate() { return GetCellDate(0, 0); }
TDateTime TvxCustomCalendar::GetLastVisibleDate() { return GetCellDate(6, 5); }

TPoint TvxCustomCalendar::GetTimeAreaOffset() {
  const Integer s = Font()->Size();
  return TPoint{s / 2 + 2, s / 2 + 2};
}

Integer TvxCustomCalendar::GetBottomIndent() { return Font()->Size() / 2; }

TDateButtons TvxCustomCalendar::VisibleButtons() {
  TDateButtons r;
  if (FCalendarButtons.Contains(btnToday)) r.Include(btnToday);
  if (FKind == ckDateTime && FCalendarButtons.Contains(btnNow)) r.Include(btnNow);
  if (FCalendarButtons.Contains(btnClear)) r.Include(btnClear);
  if (FKind == ckDateTime) r.Include(btnOk);
  return r;
}

bool TvxCustomCalendar::ButtonsShown() {
  return FKind == ckDateTime || FCalendarButtons.Contains(btnToday) || FCalendarButtons.Contains(btnClear);
}

Integer TvxCustomCalendar::WeekNumbersWidth() { return FWeekNumbers ? FWeekNumberWidth + 3 + 1 + 1 : 0; }

Integer TvxCustomCalendar::TimeEditWidth() {
  Canvas()->SetFont(Font());
  return Canvas()->TextWidth(L"00:00:00 " + FormatSettings.TimePMString) + Canvas()->TextWidth(L"0") + 24;
}

TSize TvxCustomCalendar::GetCalendarSize() {
  FDateRegionWidth = WeekNumbersWidth() + 2 * FSideWidth + 7 * FColWidth;
  Integer h = FDaysOfWeekHeight + 6 * FRowHeight + FHeaderHeight + 1;
  if (ButtonsShown()) h += FButtonsRegionHeight;
  Integer w = FDateRegionWidth;
  if (FKind == ckDateTime) {
    const TPoint off = GetTimeAreaOffset();
    h += off.y + FHeaderHeight + GetBottomIndent();
    const Integer k = (FButtonsRegionHeight - FButtonsHeight - 1) / 2;
    FClockSize = h - (FHeaderHeight + off.y + FButtonsRegionHeight + FTimeEdit->Height() + 3 * k);
    w = 2 * off.x + FDateRegionWidth + FColWidth + 2 * k + std::max(FClockSize, TimeEditWidth());
  } else {
    h += 1;
  }
  Integer visible = 0;
  for (TCalendarButton b : {btnClear, btnNow, btnToday, btnOk}) visible += VisibleButtons().Contains(b);
  const Integer buttonsWidth = FColWidth + (FButtonWidth + FColWidth) * visible;
  if (w < buttonsWidth) {
    FSpaceWidth = (buttonsWidth - w) / 2;
    if (FKind == ckDateTime) FSpaceWidth /= 2;
    w = buttonsWidth;
  } else {
    FSpaceWidth = 0;
  }
  return TSize{w, h};
}

bool TvxCustomCalendar::CanResize(Integer& NewWidth, Integer& NewHeight) {
  if (HandleAllocated() && FColWidth > 0) {
    const TSize s = GetCalendarSize();
    NewWidth = s.cx;
    NewHeight = s.cy;
  }
  return true;
}

void TvxCustomCalendar::Recalculate() {
  if (!HandleAllocated()) return;
  const bool dateTime = FKind == ckDateTime;
  for (TvxButton* b : {FTodayButton, FNowButton, FClearButton, FOKButton}) b->SetTabStop(dateTime);
  FTimeEdit->SetTabStop(dateTime);
  TvxKeys keys = Keys();
  if (dateTime) keys.Exclude(kTab); else keys.Include(kTab);
  SetKeys(keys);
  TvxCanvas* c = Canvas();
  c->SetFont(Font());
  const Integer size = Font()->Size();
  c->Font()->SetSize(MulDiv(size, 2, 3));
  FWeekNumberWidth = c->TextWidth(L"99");
  c->SetFont(Font());
  const Integer zero = c->TextWidth(L"0");
  FColWidth = 3 * zero;
  FSideWidth = 2 * zero;
  const Integer h = c->TextHeight(L"0");
  FRowHeight = h + 2;
  FHeaderHeight = h + 5;
  FDaysOfWeekHeight = FRowHeight + 1;
  Integer widest = 0;
  for (TvxButton* b : {FTodayButton, FNowButton, FClearButton, FOKButton}) widest = std::max(widest, c->TextWidth(b->Caption()));
  FButtonWidth = widest + FColWidth;
  FButtonsOffset = size / 2;
  const Integer a = MulDiv(c->TextHeight(L"Wg"), 20, 13);
  FButtonsHeight = a + 1;
  if (dateTime) {
    const Integer b = MulDiv(size, 5, 4);
    FButtonsRegionHeight = b + 1 + (b % 2) + FButtonsHeight;
  } else {
    FButtonsRegionHeight = MulDiv(size, 3, 4) + a + FButtonsOffset;
  }
  const TSize s = GetCalendarSize();
  TControl::SetBounds(Left(), Top(), s.cx, s.cy);
  LayoutChildControls();
  CalculateViewInfo();
  Invalidate();
}

void TvxCustomCalendar::LayoutChildControls() {
  if (!HandleAllocated()) return;
  const bool dateTime = FKind == ckDateTime;
  FClearButton->SetVisible(FCalendarButtons.Contains(btnClear));
  FNowButton->SetVisible(dateTime && FCalendarButtons.Contains(btnNow));
  FOKButton->SetVisible(dateTime);
  FTodayButton->SetVisible(FCalendarButtons.Contains(btnToday));
  FClock->SetVisible(dateTime);
  FTimeEdit->SetVisible(dateTime);
  const Integer bw = FButtonWidth, w = Width();
  if (!dateTime) {
    const Integer top = ClientHeight() + FButtonsOffset - FButtonsRegionHeight;
    const bool clear = FClearButton->Visible(), today = FTodayButton->Visible();
    FTodayButton->SetBounds(clear ? (w - 2 * bw) / 3 : (w - bw) / 2, top, bw + 1, FButtonsHeight);
    FClearButton->SetBounds(today ? w - bw - (w - 2 * bw) / 3 : w - bw - (w - bw) / 2, top, bw + 1, FButtonsHeight);
    return;
  }
  const Integer g = MulDiv(Font()->Size(), 5, 4);
  const Integer k = (FButtonsRegionHeight - FButtonsHeight - 1) / 2;
  const Integer top = Height() - FButtonsRegionHeight + 1 + k;
  std::vector<TvxButton*> shown;
  for (TvxButton* b : {FTodayButton, FNowButton, FClearButton, FOKButton})
    if (b->Visible()) shown.push_back(b);
  if (shown.size() <= 2) {
    Integer left = w - g - bw - 1;
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
      (*it)->SetBounds(left, top, bw + 1, FButtonsHeight);
      left -= g + bw + 1;
    }
  } else {
    shown.back()->SetBounds(w - g - bw - 1, top, bw + 1, FButtonsHeight);
    Integer left = g;
    for (size_t i = 0; i + 1 < shown.size(); ++i) {
      shown[i]->SetBounds(left, top, bw + 1, FButtonsHeight);
      left += g + bw + 1;
    }
  }
  const TPoint off = GetTimeAreaOffset();
  const Integer tw = TimeEditWidth();
  FTimeEdit->SetBounds(w - (off.x + FClockSize + 2 * k) / 2 - tw / 2 - FSpaceWidth,
                       Height() - FButtonsRegionHeight - FTimeEdit->Height() - k, tw, FTimeEdit->Height());
  FClock->SetBounds(w - off.x - k - FClockSize - FSpaceWidth, off.y + FHeaderHeight + k, FClockSize, FClockSize);
}

void TvxCustomCalendar::CalculateViewInfo() {
  const bool dateTime = FKind == ckDateTime;
  const Integer i = dateTime ? 1 : (FFlat ? 0 : 1);
  const Integer W = FDateRegionWidth, C = FColWidth, H = FHeaderHeight;
  TvxCalendarViewInfo& v = FViewInfo;
  v = TvxCalendarViewInfo{};
  if (dateTime) v.CurrentDateRegion = TRect{0, 0, Width(), H};
  TRect& prev = v.ArrowRects[caPrevMonth];
  prev = TRect{i, i, i + C - 2, H - 1};
  if (!FArrowsForYear) {
    v.LastVisibleArrow = caNextMonth;
    v.ArrowRects[caNextMonth] = TRect{W - C - i + 2, i, W - i, H - 1};
    v.MonthRegion = TRect{prev.right, 0, v.ArrowRects[caNextMonth].left, H};
  } else {
    v.LastVisibleArrow = caNextYear;
    Canvas()->SetFont(Font());
    Integer m = 0, y = 0;
    const TvxDateTime first = FCalendarTable->FromDateTime(FFirstDate);
    const Integer n = FCalendarTable->GetMonthsInYear(first.Era, static_cast<Integer>(first.Year));
    for (Integer k = 1; k <= n; ++k) {
      const TDateTime d = AddMonths(FFirstDate, k);
      m = std::max(m, Canvas()->TextWidth(MonthCaption(d)));
      y = std::max(y, Canvas()->TextWidth(YearCaption(d)));
    }
    v.ArrowRects[caNextYear] = TRect{W - C - i + 2, i, W - i, H - 1};
    const Integer free = W - 2 * i - m - y - 4 * (C - 2);
    const Integer e = (m + y) > 0 ? free * m / (m + y) + m + prev.right : prev.right;
    v.ArrowRects[caNextMonth] = TRect{e, prev.top, e + C - 2, prev.bottom};
    v.ArrowRects[caPrevYear] = TRect{e + C - 2, prev.top, e + 2 * (C - 2), prev.bottom};
    v.MonthRegion = TRect{prev.right, 0, v.ArrowRects[caNextMonth].left, H};
    v.YearRegion = TRect{v.ArrowRects[caPrevYear].right, 0, v.ArrowRects[caNextYear].left, H};
  }
  v.HeaderRegion = TRect{0, v.MonthRegion.top, dateTime ? W : Width(), v.MonthRegion.bottom};
  v.CalendarRect = TRect{0, v.MonthRegion.bottom + 1, W, v.MonthRegion.bottom + 1 + FDaysOfWeekHeight + 6 * FRowHeight + 1};
  const Integer dx = FSpaceWidth + (dateTime ? GetTimeAreaOffset().x : 0);
  const Integer dy = dateTime ? GetTimeAreaOffset().y + v.CurrentDateRegion.bottom : 0;
  auto shift = [&](TRect& r) { ::OffsetRect(&r, dx, dy); };
  for (Integer a = caPrevMonth; a <= v.LastVisibleArrow; ++a) shift(v.ArrowRects[a]);
  shift(v.CalendarRect);
  shift(v.MonthRegion);
  shift(v.YearRegion);
  if (dateTime) shift(v.HeaderRegion);
}

TRect TvxCustomCalendar::CellRect(Integer ACol, Integer ARow) {
  const TRect& c = FViewInfo.CalendarRect;
  const Integer left = c.left + WeekNumbersWidth() + FSideWidth + ACol * FColWidth;
  const Integer top = c.top + FDaysOfWeekHeight + ARow * FRowHeight;
  return TRect{left, top, left + FColWidth, top + FRowHeight};
}

TRect TvxCustomCalendar::DayRowsRect() {
  TRect r = FViewInfo.CalendarRect;
  r.top += FDaysOfWeekHeight;
  return r;
}

TDateTime TvxCustomCalendar::GetDateAtPoint(const TPoint& P) {
  if (P.x < 0 || P.y < 0 || P.x >= ClientWidth() || P.y >= ClientHeight()) return NullDate;
  const TRect c = FViewInfo.CalendarRect;
  const Integer left = c.left + WeekNumbersWidth() + FSideWidth, right = c.right - FSideWidth;
  const Integer top = c.top + FDaysOfWeekHeight, bottom = top + 6 * FRowHeight;
  if (P.x < left || P.x >= right || P.y < top || P.y >= bottom) return NullDate;
  return GetCellDate((P.x - left) / FColWidth, (P.y - top) / FRowHeight);
}

void TvxCustomCalendar::SetFirstDate(TDateTime Value) {
  if (!IsDateInValidRange(Value) || IsNullDate(Value)) return;
  TvxDateTime d = FCalendarTable->FromDateTime(Value);
  d.Day = 1;
  const TDateTime first = FCalendarTable->ToDateTime(d);
  if (first == FFirstDate) return;
  FFirstDate = first;
  if (HandleAllocated()) {
    CalculateViewInfo();
    Invalidate();
    Update();
  }
}

void TvxCustomCalendar::SetSelectDate(TDateTime Value) { InternalSetSelectDate(Value, true); }

void TvxCustomCalendar::InternalSetSelectDate(TDateTime Value, bool ARepositionVisibleDates) {
  if (Value == FSelectDate || !IsDateInValidRange(Value)) return;
  FSelectDate = Value;
  if (ARepositionVisibleDates && !IsNullDate(Value)) SetFirstDate(DatePartOf(Value));
  if (!HandleAllocated()) return;
  if (ARepositionVisibleDates || FKind == ckDateTime) {
    Invalidate();
  } else {
    RECT r = DayRowsRect();
    ::InvalidateRect(Handle(), &r, FALSE);
  }
}

void TvxCustomCalendar::SetArrowsForYear(bool Value) {
  if (FArrowsForYear == Value) return;
  FArrowsForYear = Value;
  Recalculate();
}

void TvxCustomCalendar::SetCalendarButtons(TDateButtons Value) {
  FCalendarButtons = Value;
  FClearButton->SetVisible(Value.Contains(btnClear));
  FNowButton->SetVisible(Value.Contains(btnNow));
  FTodayButton->SetVisible(Value.Contains(btnToday));
  Recalculate();
}

void TvxCustomCalendar::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  Recalculate();
}

void TvxCustomCalendar::SetKind(TvxCalendarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  if (Value == ckDateTime) {
    ControlStyle().Include(csClickEvents);
    ControlStyle().Include(csDoubleClicks);
  } else {
    ControlStyle().Exclude(csClickEvents);
    ControlStyle().Exclude(csDoubleClicks);
  }
  Recalculate();
}

TvxTimeEditTimeFormat TvxCustomCalendar::TimeFormat() const { return FTimeEdit->Properties()->TimeFormat(); }
void TvxCustomCalendar::SetTimeFormat(TvxTimeEditTimeFormat Value) {
  if (TimeFormat() == Value) return;
  FTimeEdit->Properties()->SetTimeFormat(Value);
  Recalculate();
}
bool TvxCustomCalendar::Use24HourFormat() const { return FTimeEdit->Properties()->Use24HourFormat(); }
void TvxCustomCalendar::SetUse24HourFormat(bool Value) {
  if (Use24HourFormat() == Value) return;
  FTimeEdit->Properties()->SetUse24HourFormat(Value);
  Recalculate();
}

void TvxCustomCalendar::SetWeekNumbers(bool Value) {
  if (FWeekNumbers == Value) return;
  FWeekNumbers = Value;
  Recalculate();
}

void TvxCustomCalendar::FontChanged() {
  TvxControl::FontChanged();
  Recalculate();
}

void TvxCustomCalendar::ScrollByArrow(TvxCalendarArrow AArrow) {
  switch (AArrow) {
    case caPrevMonth: SetFirstDate(AddMonths(FFirstDate, -1)); break;
    case caNextMonth: SetFirstDate(AddMonths(FFirstDate, 1)); break;
    case caPrevYear: SetFirstDate(AddYears(FFirstDate, -1)); break;
    case caNextYear: SetFirstDate(AddYears(FFirstDate, 1)); break;
  }
}

void TvxCustomCalendar::TimerTick(TObject*) {
  POINT p;
  GetCursorPos(&p);
  ::ScreenToClient(Handle(), &p);
  for (Integer a = caPrevMonth; a <= FViewInfo.LastVisibleArrow; ++a)
    if (PtInRect(&FViewInfo.ArrowRects[a], p)) ScrollByArrow(static_cast<TvxCalendarArrow>(a));
}

void TvxCustomCalendar::HidePopup(TObject*, TvxEditCloseUpReason) {
  FTimer->SetEnabled(false);
  FMonthListBox->Timer()->SetEnabled(false);
  if (FMonthListBox->Visible()) FMonthListBox->CloseUp();
}

void TvxCustomCalendar::DoDateTimeChanged() {
  if (OnDateTimeChanged) OnDateTimeChanged(this);
}

void TvxCustomCalendar::ButtonClick(TObject* Sender) {
  TDateTime d = 0;
  switch (static_cast<TvxButton*>(Sender)->Tag()) {
    case 0: d = NullDate; break;
    case 1: d = Now(); break;
    case 2: d = std::trunc(Date()) + vxSignOf(Date()) * FClock->Time(); break;
    default: d = FSelectDate + vxSignOf(FSelectDate) * FClock->Time(); break;
  }
  FClock->SetTime(TimePartOf(d));
  FTimeEdit->SetTime(FClock->Time());
  SetSelectDate(d);
  DoDateTimeChanged();
  HidePopup(this, crEnter);
}

void TvxCustomCalendar::TimeChanged(TObject*) {
  FClock->SetTime(FTimeEdit->Time());
  TRect r{0, 0, Width(), FHeaderHeight - 1};
  if (!FFlat) ::InflateRect(&r, -1, -1);
  if (HandleAllocated()) ::InvalidateRect(Handle(), &r, FALSE);
}

void TvxCustomCalendar::KeyDown(Word& Key, TShiftState Shift) {
  const TDateTime s = FSelectDate;
  const TDay start = StartOfWeek();
  const bool ctrlOnly = Shift == TShiftState{ssCtrl};
  if (!IsNullDate(s)) switch (Key) {
      case VK_PRIOR: SetSelectDate(AddMonths(s, -1)); break;
      case VK_NEXT: SetSelectDate(AddMonths(s, 1)); break;
      case VK_LEFT: SetSelectDate(s - 1); break;
      case VK_RIGHT: SetSelectDate(s + 1); break;
      case VK_UP:
        if (Shift != TShiftState{ssAlt}) SetSelectDate(s - 7);
        break;
      case VK_DOWN:
        if (Shift != TShiftState{ssAlt}) SetSelectDate(s + 7);
        break;
      case VK_HOME:
        if (ctrlOnly) {
          TvxDateTime d = FCalendarTable->FromDateTime(s);
          d.Day = 1;
          SetSelectDate(FCalendarTable->ToDateTime(d) + (s - std::trunc(s)));
        } else {
          SetSelectDate(s - DayIndexInWeek(s, start));
        }
        break;
      case VK_END:
        if (ctrlOnly) {
          TvxDateTime d = FCalendarTable->FromDateTime(s);
          d.Day = static_cast<Cardinal>(
              FCalendarTable->GetDaysInMonth(d.Era, static_cast<Integer>(d.Year), static_cast<Integer>(d.Month)));
          SetSelectDate(FCalendarTable->ToDateTime(d) + (s - std::trunc(s)));
        } else {
          SetSelectDate(s + 6 - DayIndexInWeek(s, start));
        }
        break;
      default: break;
    }
  TvxControl::KeyDown(Key, Shift);
}

void TvxCustomCalendar::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxControl::MouseDown(Button, Shift, X, Y);
  UpdateHotTrackRegion();
  if (Button != mbLeft) return;
  const POINT p{X, Y};
  const TDateTime d = GetDateAtPoint(TPoint{X, Y});
  if (!IsNullDate(d)) {
    InternalSetSelectDate(d, false);
    return;
  }
  for (Integer a = caPrevMonth; a <= FViewInfo.LastVisibleArrow; ++a)
    if (PtInRect(&FViewInfo.ArrowRects[a], p)) {
      ScrollByArrow(static_cast<TvxCalendarArrow>(a));
      FTimer->SetEnabled(true);
      return;
    }
  TRect month = FViewInfo.MonthRegion;
  if (FKind == ckDateTime || !FFlat) ++month.top;
  --month.bottom;
  if (PtInRect(&month, p)) FMonthListBox->Popup(this);
}

void TvxCustomCalendar::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxControl::MouseMove(Shift, X, Y);
  UpdateHotTrackRegion();
  if (Shift.Contains(ssLeft) && !FTimer->Enabled()) {
    const TDateTime d = GetDateAtPoint(TPoint{X, Y});
    if (!IsNullDate(d)) InternalSetSelectDate(d, false);
  }
}

void TvxCustomCalendar::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxControl::MouseUp(Button, Shift, X, Y);
  UpdateHotTrackRegion();
  if (FTimer->Enabled()) {
    FTimer->SetEnabled(false);
    return;
  }
  if (Button != mbLeft) return;
  const POINT p{X, Y};
  if (FKind == ckDate) {
    const RECT client{0, 0, ClientWidth(), ClientHeight()};
    if (PtInRect(&client, p) && !PtInRect(&FViewInfo.MonthRegion, p) && !PtInRect(&FViewInfo.YearRegion, p)) {
      if (!IsNullDate(GetDateAtPoint(TPoint{X, Y}))) DoDateTimeChanged();
      HidePopup(this, crEnter);
    }
  } else if (!IsNullDate(FSelectDate)) {
    SetFirstDate(FSelectDate);
  }
}

void TvxCustomCalendar::DblClick() {
  TvxControl::DblClick();
  if (FKind != ckDateTime) return;
  POINT p;
  GetCursorPos(&p);
  ::ScreenToClient(Handle(), &p);
  const TDateTime d = GetDateAtPoint(TPoint{p.x, p.y});
  if (IsNullDate(d)) return;
  SetSelectDate(d);
  DoDateTimeChanged();
  HidePopup(this, crEnter);
}

bool TvxCustomCalendar::DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) {
  if (TvxControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (FMonthListBox->Visible()) return false;
  POINT p = MousePos;
  ::ScreenToClient(Handle(), &p);
  const bool month = PtInRect(&FViewInfo.MonthRegion, p), year = PtInRect(&FViewInfo.YearRegion, p);
  if (!month && !year) return false;
  const Integer step = WheelDelta > 0 ? -1 : 1;
  SetFirstDate(month ? AddMonths(FFirstDate, step) : AddYears(FFirstDate, step));
  return true;
}

void TvxCustomCalendar::SetHotTrackRegion(TvxCalendarHotTrackRegion Value) {
  if (FHotTrackRegion == Value) return;
  FHotTrackRegion = Value;
  Invalidate();
}

void TvxCustomCalendar::UpdateHotTrackRegion() {
  TvxCalendarHotTrackRegion r = chrNone;
  if (!FMonthListBox->Visible() && HandleAllocated()) {
    POINT p;
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    if (PtInRect(&FViewInfo.MonthRegion, p)) r = chrMonth;
    else if (PtInRect(&FViewInfo.YearRegion, p)) r = chrYear;
  }
  SetHotTrackRegion(r);
}

TColor TvxCustomCalendar::BackgroundColor() {
  if (Color() == clWindow && Painter()->DefaultDateNavigatorContentColor() != clDefault)
    return Painter()->DefaultDateNavigatorContentColor();
  return Color();
}

void TvxCustomCalendar::Paint() {
  TvxCanvas* c = Canvas();
  TvxCustomLookAndFeelPainterClass p = Painter();
  const TColor back = BackgroundColor();
  c->SetFont(Font());
  const TColor headerText = p->DefaultDateNavigatorHeaderTextColor(false);
  auto text = [&](const String& S, TRect R, TAlignment A, TColor Color) {
    c->Font()->SetColor(Color);
    c->Brush()->SetStyle(bsClear);
    c->DrawTexT(S, R, A, vaCenter, false, false);
    c->Brush()->SetStyle(bsSolid);
  };
  if (FKind == ckDateTime) {
    TRect r = FViewInfo.CurrentDateRegion;
    p->DrawDateNavigatorDateHeader(c, r);
    const TDateTime d = FSelectDate + vxSignOf(FSelectDate) * FTimeEdit->Time();
    text(IsNullDate(FSelectDate) ? String() : FormatDateTime(L"", d), FViewInfo.CurrentDateRegion, taCenter, headerText);
    c->ExcludeClipRect(FViewInfo.CurrentDateRegion);
  }
  // Header.
  c->FillRect(FViewInfo.HeaderRegion, p->DefaultDateNavigatorHeaderColor());
  for (Integer a = caPrevMonth; a <= FViewInfo.LastVisibleArrow; ++a) {
    TvxArrowPoints pts;
    TvxCustomLookAndFeelPainter::CalculateArrowPoints(FViewInfo.ArrowRects[a], pts,
                                                      a == caPrevMonth || a == caPrevYear ? adLeft : adRight, true);
    c->Pen()->SetColor(headerText);
    c->Brush()->SetColor(headerText);
    c->Polygon(std::vector<TPoint>(pts.begin(), pts.end()));
  }
  auto caption = [&](const String& S, TRect R, TvxCalendarHotTrackRegion Region) {
    if (FKind == ckDateTime || !FFlat) ++R.top;
    --R.bottom;
    text(S, R, taCenter, p->DefaultDateNavigatorHeaderTextColor(FHotTrackRegion == Region));
  };
  if (FArrowsForYear) {
    caption(MonthCaption(FFirstDate), FViewInfo.MonthRegion, chrMonth);
    caption(YearCaption(FFirstDate), FViewInfo.YearRegion, chrYear);
  } else {
    caption(MonthYearCaption(FFirstDate), FViewInfo.MonthRegion, chrMonth);
  }
  if (FFlat && FKind == ckDate) {
    const TRect& h = FViewInfo.HeaderRegion;
    c->FillRect(TRect{h.left, h.bottom - 1, h.right, h.bottom}, clBtnText);
  } else if (FFlat) {
    c->FrameRect(FViewInfo.HeaderRegion, clBtnShadow);
  } else {
    c->DrawEdge(FViewInfo.HeaderRegion, false, true);
  }
  c->ExcludeClipRect(FViewInfo.HeaderRegion);
  // Weekday row.
  const TRect& cal = FViewInfo.CalendarRect;
  const Integer wn = WeekNumbersWidth();
  const TRect row{cal.left + wn + FSideWidth, cal.top, cal.right - FSideWidth, cal.top + FDaysOfWeekHeight - 2};
  c->FillRect(TRect{cal.left, cal.top, cal.right, cal.top + FDaysOfWeekHeight}, back);
  const TColor sep2 = p->DefaultDateNavigatorSeparator2Color();
  c->FillRect(TRect{row.left, row.bottom, row.right, row.bottom + 1}, p->DefaultDateNavigatorSeparator1Color());
  c->FillRect(TRect{row.left, row.bottom + 1, row.right, row.bottom + 2},
              sep2 == clNone || sep2 == clDefault ? back : sep2);
  const TDay start = StartOfWeek();
  for (Integer k = 0; k < 7; ++k) {
    const Integer dow = (static_cast<Integer>(start) + k) % 7;
    TRect r{row.left + k * FColWidth, row.top, row.left + (k + 1) * FColWidth - 3, row.bottom};
    // The day's short name, cut to what its column holds.
    String name = FormatSettings.ShortDayNames[dow + 1];
    while (name.size() > 1 && c->TextWidth(name) > FColWidth - 3) name.pop_back();
    text(name, r, taRightJustify, p->DefaultDateNavigatorTextColor());
  }
  c->ExcludeClipRect(TRect{cal.left, cal.top, cal.right, cal.top + FDaysOfWeekHeight});
  if (FKind == ckDate && ButtonsShown()) {
    const TRect line{row.left, ClientHeight() - FButtonsRegionHeight - 1, row.right,
                     ClientHeight() - FButtonsRegionHeight};
    c->FillRect(line, clBtnShadow);
    c->ExcludeClipRect(line);
  }
  // Week numbers.
  if (FWeekNumbers) {
    const Integer colRight = cal.left + FSideWidth + FWeekNumberWidth + 3;
    c->FillRect(TRect{cal.left, cal.top + FDaysOfWeekHeight, colRight, cal.bottom}, back);
    c->FillRect(TRect{colRight, cal.top + FDaysOfWeekHeight, colRight + 1, cal.bottom},
                p->DefaultDateNavigatorSeparator1Color());
    const Integer size = Font()->Size();
    c->Font()->SetSize(MulDiv(size, 2, 3));
    for (Integer r = 0; r < 6; ++r) {
      const TDateTime d = GetCellDate(0, r);
      if (!IsDateInValidRange(d)) continue;
      const TRect cell = CellRect(0, r);
      text(IntToStr(GetGregorianWeekNumber(start, fwySystem, d)),
           TRect{cal.left, cell.top, colRight - 3, cell.bottom}, taRightJustify, p->DefaultDateNavigatorTextColor());
    }
    c->SetFont(Font());
    c->ExcludeClipRect(TRect{cal.left, cal.top + FDaysOfWeekHeight, colRight + 1, cal.bottom});
  }
  // Day cells.
  const TDateTime today = std::trunc(Date()), last = GetLastDate();
  for (Integer r = 0; r < 6; ++r)
    for (Integer col = 0; col < 7; ++col) {
      const TDateTime d = GetCellDate(col, r);
      TRect cell = CellRect(col, r);
      const bool selected = std::trunc(d) == std::trunc(FSelectDate) || (IsNullDate(FSelectDate) && d == today);
      if (d == today) {
        c->FrameRect(cell, p->DefaultDateNavigatorTodayFrameColor());
        ::InflateRect(&cell, -1, -1);
      }
      c->FillRect(cell, selected ? p->DefaultDateNavigatorSelectionColor() : back);
      TColor tc = selected                           ? p->DefaultDateNavigatorSelectionTextColor()
                  : d < FFirstDate || d > last       ? p->DefaultDateNavigatorInactiveTextColor()
                  : d == today                       ? p->DefaultDateNavigatorTodayTextColor()
                                                     : p->DefaultDateNavigatorTextColor();
      const String day = FCalendarTable->IsValidDate(d) ? IntToStr(static_cast<Integer>(FCalendarTable->FromDateTime(d).Day)) : String();
      TRect tr = cell;
      tr.right -= 3;
      text(day, tr, taRightJustify, tc);
      c->ExcludeClipRect(CellRect(col, r));
    }
  if (FKind == ckDateTime) {
    TRect b{0, Height() - FButtonsRegionHeight, Width(), Height()};
    TColor border = p->GetContainerBorderColor(false);
    c->FillRect(TRect{b.left, b.top, b.right, b.top + 1}, border == clDefault ? clBtnText : border);
    b.top += 1;
    c->FillRect(b, back);
    c->ExcludeClipRect(b);
    const Integer x = cal.right + FColWidth / 2 + FSpaceWidth;
    c->FillRect(TRect{x, cal.top, x + 1, FTimeEdit->Top() + FTimeEdit->Height()},
                p->DefaultDateNavigatorSeparator1Color());
    c->ExcludeClipRect(TRect{x, cal.top, x + 1, FTimeEdit->Top() + FTimeEdit->Height()});
  }
  c->FillRect(TRect{0, 0, Width(), Height()}, back);
  c->SetClipRegion(nullptr, roSet);
}

namespace {
void InitCalendar() {
  RegisterClass(TvxCalendar::StaticClass());
  RegisterClass(TvxDateEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxDateEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryDateItem));
  GetFilterEditsController()->Register(TvxDateEditProperties::StaticClass(), TvxFilterDateEditHelper::Class());
}
void FinCalendar() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxDateEditProperties::StaticClass(), TvxFilterDateEditHelper::Class());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxDateEditProperties::StaticClass());
  UnRegisterClass(TvxDateEdit::StaticClass());
  UnRegisterClass(TvxCalendar::StaticClass());
}
}  // namespace

const TUnitInfo vxCalendarUnit = {L"vxCalendar", InitCalendar, FinCalendar};
