// The calendar, its month list and the clock on real windows: painted months and clock
// faces against reviewed images, keyboard and mouse navigation across month and year
// ends, the first and last visible dates, Japanese eras in the captions, and the clock's
// own colour.
#include <gtest/gtest.h>

#include "StdReferenceImage.h"
#include "../../core/tests/SuiteControlTestSupport.h"
#include "SysUtils.h"
#include "vxCalendar.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

int CountColor(const TWindowPixels& Px, COLORREF C) {
  int n = 0;
  for (int y = 0; y < Px.H; ++y)
    for (int x = 0; x < Px.W; ++x) n += Px.At(x, y) == C;
  return n;
}

// A Gregorian table whose first supported day is Sunday 1 February 2026.
class TLateStartTable : public TvxGregorianCalendarTable {
 public:
  TDateTime MinSupportedDate() override { return EncodeDate(2026, 2, 1); }
};

struct CalendarTest : TFormFixture {
  TFormatSettings Saved = FormatSettings;
  TvxCalendar* Cal = nullptr;
  void SetUp() override {
    FormatSettings.TimeSeparator = L':';
    FormatSettings.DateSeparator = L'/';
    FormatSettings.ShortDateFormat = L"yyyy/mm/dd";
    FormatSettings.LongTimeFormat = L"hh:nn:ss";
    const wchar_t* months[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                               L"July",    L"August",   L"September", L"October", L"November", L"December"};
    const wchar_t* days[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    for (int i = 0; i < 12; ++i) FormatSettings.LongMonthNames[i + 1] = months[i];
    for (int i = 0; i < 7; ++i) FormatSettings.ShortDayNames[i + 1] = days[i];
    GetFormatController()->SetStartOfWeek(dSunday);
    // The captions come from the names above, not from the machine's locale.
    SavedRtl = GetFormatController()->UseRtlDateTimeFormats();
    GetFormatController()->SetUseRtlDateTimeFormats(true);
    TFormFixture::SetUp();
    Form->SetClientWidth(420);
    Form->SetClientHeight(320);
    Cal = new TvxCalendar(Form);
    Cal->SetLeft(10);
    Cal->SetTop(10);
    Cal->SetParent(Form);
    Cal->HandleNeeded();
    Cal->SetCalendarTable(std::make_unique<TvxGregorianCalendarTable>());
    Pump(30);
  }
  void TearDown() override {
    MoveMouse(POINT{0, 0});
    TFormFixture::TearDown();
    GetFormatController()->SetUseRtlDateTimeFormats(SavedRtl);
    FormatSettings = Saved;
  }
  bool SavedRtl = false;
  void Key(WORD Vk, WORD Modifier = 0) {
    if (Modifier) SendKey(Modifier, false);
    SendKey(Vk, false);
    SendKey(Vk, true);
    if (Modifier) SendKey(Modifier, true);
    Pump(30);
  }
  POINT Screen(const TRect& R) {
    POINT p{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(Cal->Handle(), &p);
    return p;
  }
  void Click(const TRect& R) {
    MoveMouse(Screen(R));
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Pump(30);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(30);
  }
};

TEST_F(CalendarTest, VisibleDatesFollowTheCells) {
  Cal->SetSelectDate(EncodeDate(2026, 2, 10));
  ASSERT_EQ(Cal->FirstDate(), EncodeDate(2026, 2, 1));
  // February 2026 begins on a Sunday: a whole January week leads.
  EXPECT_EQ(Cal->GetCellDate(0, 0), EncodeDate(2026, 1, 25));
  EXPECT_EQ(Cal->GetFirstVisibleDate(), EncodeDate(2026, 1, 25));
  EXPECT_EQ(Cal->GetLastVisibleDate(), EncodeDate(2026, 3, 7));
  Cal->SetSelectDate(EncodeDate(2026, 4, 15));
  EXPECT_EQ(Cal->GetFirstVisibleDate(), EncodeDate(2026, 3, 29));
  EXPECT_EQ(Cal->GetLastVisibleDate(), Cal->GetCellDate(6, 5));
  // The first supported month shows no leading week, and its first and last visible
  // dates say the same as its cells.
  Cal->SetCalendarTable(std::make_unique<TLateStartTable>());
  Cal->SetFirstDate(EncodeDate(2026, 2, 1));
  ASSERT_EQ(Cal->FirstDate(), EncodeDate(2026, 2, 1));
  EXPECT_EQ(Cal->GetCellDate(0, 0), EncodeDate(2026, 2, 1));
  EXPECT_EQ(Cal->GetFirstVisibleDate(), EncodeDate(2026, 2, 1));
  EXPECT_EQ(Cal->GetLastVisibleDate(), EncodeDate(2026, 3, 14));
  Cal->SetFirstDate(EncodeDate(2026, 1, 1));
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2026, 2, 1)) << "a month before the supported range is refused";
}

TEST_F(CalendarTest, KeysMoveTheSelectionAcrossMonthAndYearEnds) {
  Cal->SetSelectDate(EncodeDate(2025, 12, 31));
  Cal->SetFocus();
  Pump(30);
  ASSERT_TRUE(Cal->Focused());
  struct {
    WORD Key, Modifier;
    TDateTime Expected;
  } const steps[] = {
      {VK_RIGHT, 0, EncodeDate(2026, 1, 1)},          {VK_LEFT, 0, EncodeDate(2025, 12, 31)},
      {VK_DOWN, 0, EncodeDate(2026, 1, 7)},           {VK_UP, 0, EncodeDate(2025, 12, 31)},
      {VK_DOWN, VK_MENU, EncodeDate(2025, 12, 31)},   {VK_NEXT, 0, EncodeDate(2026, 1, 31)},
      {VK_END, VK_CONTROL, EncodeDate(2026, 1, 31)},  {VK_NEXT, 0, EncodeDate(2026, 2, 28)},
      {VK_HOME, VK_CONTROL, EncodeDate(2026, 2, 1)},  {VK_END, 0, EncodeDate(2026, 2, 7)},
      {VK_END, 0, EncodeDate(2026, 2, 7)},            {VK_HOME, 0, EncodeDate(2026, 2, 1)},
      {VK_PRIOR, 0, EncodeDate(2026, 1, 1)},          {VK_PRIOR, 0, EncodeDate(2025, 12, 1)},
  };
  for (const auto& s : steps) {
    Key(s.Key, s.Modifier);
    EXPECT_EQ(Cal->SelectDate(), s.Expected) << "key " << s.Key << " modifier " << s.Modifier;
  }
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2025, 12, 1));
}

TEST_F(CalendarTest, ArrowsCellsAndWheel) {
  Cal->SetSelectDate(EncodeDate(2025, 12, 15));
  const TvxCalendarViewInfo& v = Cal->ViewInfo();
  Click(v.ArrowRects[caNextMonth]);
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2026, 1, 1));
  Click(v.ArrowRects[caPrevMonth]);
  Click(v.ArrowRects[caPrevMonth]);
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2025, 11, 1));
  Click(v.ArrowRects[caNextYear]);
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2026, 11, 1));
  Click(v.ArrowRects[caPrevYear]);
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2025, 11, 1));
  // A click on a day cell selects it and reports the change.
  int changes = 0;
  Cal->OnDateTimeChanged = [&](TObject*) { ++changes; };
  Click(Cal->CellRect(3, 2));
  EXPECT_EQ(Cal->SelectDate(), Cal->GetCellDate(3, 2));
  EXPECT_EQ(changes, 1);
  // The wheel over the year caption scrolls by years, over the month caption by months.
  auto wheel = [&](const TRect& R, int Delta) {
    MoveMouse(Screen(R));
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = static_cast<DWORD>(Delta);
    SendInput(1, &in, sizeof in);
    Pump(40);
  };
  Cal->SetFocus();
  Pump(20);
  wheel(v.YearRegion, -WHEEL_DELTA);
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2026, 11, 1));
  wheel(v.MonthRegion, WHEEL_DELTA);
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2026, 10, 1));
  // The Clear button selects no date.
  Click(TRect{Cal->ClearButton()->Left(), Cal->ClearButton()->Top(),
              Cal->ClearButton()->Left() + Cal->ClearButton()->Width(),
              Cal->ClearButton()->Top() + Cal->ClearButton()->Height()});
  EXPECT_EQ(Cal->SelectDate(), NullDate);
}

TEST_F(CalendarTest, MonthListDraggedToAnEarlierMonth) {
  Cal->SetArrowsForYear(false);
  Cal->SetSelectDate(EncodeDate(2026, 1, 20));
  const TRect month = Cal->ViewInfo().MonthRegion;
  MoveMouse(Screen(month));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  Pump(60);
  TvxMonthListBox* list = Cal->MonthListBox();
  ASSERT_TRUE(list->Visible());
  EXPECT_TRUE(list->IsMonthYearForm());
  EXPECT_EQ(list->ItemCount(), 7);
  // The second item is two months before the shown one.
  POINT item{list->Left() + list->Width() / 2, list->Top() + 1 + Cal->HeaderHeight() - 2 + (Cal->HeaderHeight() - 2) / 2};
  MoveMouse(item);
  EXPECT_EQ(list->ItemIndex(), 1);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(60);
  EXPECT_FALSE(list->Visible());
  EXPECT_EQ(Cal->FirstDate(), EncodeDate(2025, 11, 1));
}

TEST_F(CalendarTest, JapaneseEraCaptions) {
  FormatSettings.EraInfo = {{L"明治", 1867, EncodeDate(1868, 9, 8)}, {L"大正", 1911, EncodeDate(1912, 7, 30)},
                            {L"昭和", 1925, EncodeDate(1926, 12, 25)}, {L"平成", 1988, EncodeDate(1989, 1, 8)},
                            {L"令和", 2018, EncodeDate(2019, 5, 1)}};
  Cal->SetCalendarTable(std::make_unique<TvxJapaneseCalendarTable>());
  EXPECT_EQ(Cal->YearCaption(EncodeDate(2019, 4, 30)), L"平成31年");
  EXPECT_EQ(Cal->YearCaption(EncodeDate(2019, 5, 1)), L"令和1年");
  EXPECT_EQ(Cal->MonthYearCaption(EncodeDate(2026, 12, 1)), L"令和8年12月");
  Cal->Font()->SetName(L"ＭＳ Ｐゴシック");
  Cal->SetArrowsForYear(false);
  Cal->SetSelectDate(EncodeDate(2019, 5, 7));
  RedrawWindow(Cal->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(60);
  ExpectMatchesImage(L"calendar_japanese_era_2019_05", TWindowPixels(Cal->Handle()));
}

TEST_F(CalendarTest, PaintedMonths) {
  struct {
    const wchar_t* Name;
    TDateTime Select;
    bool WeekNumbers;
    TvxCalendarKind Kind;
  } const cases[] = {
      {L"calendar_2026_02_week_numbers", EncodeDate(2026, 2, 14), true, ckDate},
      {L"calendar_2025_09", EncodeDate(2025, 9, 30), false, ckDate},
      {L"calendar_2024_02_date_time", EncodeDate(2024, 2, 29), false, ckDateTime},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name, c.Name + wcslen(c.Name)));
    Cal->SetKind(c.Kind);
    Cal->SetWeekNumbers(c.WeekNumbers);
    Cal->SetSelectDate(c.Select);
    if (c.Kind == ckDateTime) Cal->TimeEdit()->SetTime(15.5 / 24);
    RedrawWindow(Cal->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(60);
    ExpectMatchesImage(c.Name, TWindowPixels(Cal->Handle()));
  }
}

// The date-time calendar's time edit paints its text on the editor background, not black.
TEST_F(CalendarTest, TimeEditPaintsOnTheEditorBackground) {
  Cal->SetKind(ckDateTime);
  Cal->SetSelectDate(EncodeDate(2024, 2, 29));
  Cal->TimeEdit()->SetTime(15.5 / 24);
  for (const bool focused : {false, true}) {
    if (focused) Cal->TimeEdit()->SetFocus();
    RedrawWindow(Cal->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(60);
    TvxCustomInnerTextEdit* inner = Cal->TimeEdit()->InnerTextControl();
    const TWindowPixels px(inner->Handle());
    const COLORREF back = Shown(Cal->TimeEdit()->ViewInfo()->BackgroundColor());
    EXPECT_NE(back, RGB(0, 0, 0)) << focused;
    // Most of the inner edit is background; the text takes the rest.
    EXPECT_GT(CountColor(px, back), px.W * px.H / 2) << focused << " " << std::hex << px.At(px.W - 2, 1);
    EXPECT_LT(CountColor(px, RGB(0, 0, 0)), px.W * px.H / 2) << focused;
  }
}

// Times assigned from code to the date-time calendar's time edit read back unchanged,
// noon and midnight included, and assigning the same time again keeps it.
TEST_F(CalendarTest, TimeEditKeepsAssignedTimes) {
  Cal->SetKind(ckDateTime);
  Cal->SetSelectDate(EncodeDate(2024, 2, 29));
  Pump(30);
  struct {
    int H, M, S;
  } const cases[] = {{0, 0, 0}, {12, 0, 0}, {12, 30, 0}, {6, 0, 0}, {23, 59, 59}, {0, 0, 1}};
  for (const bool twentyFour : {true, false})
    for (const bool focused : {false, true})
      for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.H << ":" << c.M << ":" << c.S << (twentyFour ? " 24h" : " 12h")
                                          << (focused ? " focused" : ""));
        Cal->SetUse24HourFormat(twentyFour);
        if (focused) Cal->TimeEdit()->SetFocus(); else Cal->SetFocus();
        const TDateTime t = (c.H * 3600 + c.M * 60 + c.S) / 86400.0;
        for (int round = 0; round < 2; ++round) {
          Cal->TimeEdit()->SetTime(t);
          Pump(10);
          EXPECT_NEAR(Cal->TimeEdit()->Time(), t, 0.5 / 86400) << "round " << round;
          EXPECT_NEAR(Cal->TimeEdit()->GetValue().AsDouble(), t * 86400, 0.5) << "round " << round;
          EXPECT_EQ(Cal->TimeEdit()->Text(),
                    TrimRight(FormatDateTime(twentyFour ? L"hh:nn:ss" : L"hh:nn:ss ampm", t)))
              << "round " << round;
        }
      }
}

struct ClockTest : TFormFixture {
  TvxClock* Clock = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Clock = new TvxClock(Form);
    Clock->SetBounds(10, 10, 80, 80);
    Clock->SetParent(Form);
    Clock->HandleNeeded();
    Pump(30);
  }
};

TEST_F(ClockTest, FacesForAFewTimes) {
  struct {
    const wchar_t* Name;
    TDateTime Time;
  } const cases[] = {{L"clock_03_00", 3 / 24.0}, {L"clock_10_10_30", (10 * 3600 + 10 * 60 + 30) / 86400.0},
                     {L"clock_18_45", 18.75 / 24}};
  for (const auto& c : cases) {
    Clock->SetTime(c.Time + 45000);
    EXPECT_NEAR(Clock->Time(), c.Time, 1e-9) << "only the time part is kept";
    Clock->Repaint();
    Pump(30);
    ExpectMatchesImage(c.Name, TWindowPixels(Clock->Handle()));
  }
}

TEST_F(ClockTest, OwnColourFillsTheFace) {
  Clock->SetTime(0.25);
  Clock->SetColor(clYellow);
  Clock->Repaint();
  Pump(30);
  EXPECT_GT(CountColor(TWindowPixels(Clock->Handle()), RGB(255, 255, 0)), 500);
  Clock->SetColor(clDefault);
  Clock->Repaint();
  Pump(30);
  EXPECT_EQ(CountColor(TWindowPixels(Clock->Handle()), RGB(255, 255, 0)), 0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
