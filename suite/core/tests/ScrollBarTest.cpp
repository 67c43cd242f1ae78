// The painter-drawn scroll bar: parameters, thumb geometry (also for degenerate ranges),
// auto-repeat while an arrow or page area is held, thumb dragging with snap-back.
#include <gtest/gtest.h>

#include <vector>

#include "SuiteControlTestSupport.h"
#include "SysUtils.h"
#include "vxScrollBar.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

int Arrow() { return GetSystemMetrics(SM_CYHSCROLL); }

// A horizontal bar whose track is TrackLength pixels long.
std::unique_ptr<TvxScrollBar> LooseBar(int TrackLength) {
  auto b = std::make_unique<TvxScrollBar>(nullptr);
  b->SetBounds(0, 0, 2 * Arrow() + TrackLength, Arrow());
  return b;
}

int ThumbLength(TvxScrollBar* B) {
  const TRect& t = B->ViewInfo()->ThumbnailRect();
  return B->Kind() == sbHorizontal ? t.right - t.left : t.bottom - t.top;
}

}  // namespace

TEST(ScrollBar, ParametersAreCheckedAndPositionClamped) {
  auto b = LooseBar(200);
  int changes = 0;
  b->OnChange = [&](TObject*) { ++changes; };
  b->SetPosition(150);
  EXPECT_EQ(b->Position(), 100);
  EXPECT_EQ(changes, 1);
  b->SetPosition(100);
  EXPECT_EQ(changes, 1) << "no change, no event";

  struct TCase {
    int Min, Max, Page;
    bool Raises;
  };
  const TCase cases[] = {
      {0, 100, 0, false},  {0, 99, 100, false},   // the page may cover the whole range
      {10, 5, 0, true},    {0, 99, 101, true},    // inverted range; page beyond the range
      {-20, 5, 10, false},                         // a negative Min with a smaller page
      {-20, 5, 26, false}, {-20, 5, 27, true},
  };
  for (const TCase& c : cases) {
    if (c.Raises) {
      try {
        b->SetScrollParams(c.Min, c.Max, 0, c.Page);
        ADD_FAILURE() << c.Min << ".." << c.Max << " page " << c.Page;
      } catch (const EInvalidOperation& e) {
        EXPECT_EQ(String(e.Message()), L"スクロールバープロパティが範囲を超えました");
      }
    } else {
      EXPECT_NO_THROW(b->SetScrollParams(c.Min, c.Max, c.Min, c.Page)) << c.Min << ".." << c.Max << " page " << c.Page;
      EXPECT_EQ(b->Max(), c.Max);
    }
  }
}

TEST(ScrollBar, ThumbGeometry) {
  auto b = LooseBar(200);
  const int start = Arrow(), end = Arrow() + 200;
  // Classic thumb of the system size without a page.
  b->SetScrollParams(0, 100, 0, 0);
  EXPECT_EQ(ThumbLength(b.get()), GetSystemMetrics(SM_CXHTHUMB));
  EXPECT_EQ(b->ViewInfo()->ThumbnailRect().left, start);
  b->SetPosition(100);
  EXPECT_EQ(b->ViewInfo()->ThumbnailRect().right, end);

  // Proportional thumb: 10 of 100 on a 200-pixel track.
  b->SetScrollParams(0, 99, 0, 10);
  const int expected = std::max(MulDiv(10, 200, 100), b->ViewInfo()->ThumbnailSize());
  EXPECT_EQ(ThumbLength(b.get()), expected);
  b->SetPosition(90);
  EXPECT_EQ(b->ViewInfo()->ThumbnailRect().right, end) << "the last page puts the thumb at the end";
  EXPECT_EQ(b->GetPositionFromThumbnail(), 90);
  const TRect& up = b->ViewInfo()->PageUpRect();
  EXPECT_EQ(up.left, start);
  EXPECT_EQ(up.right, b->ViewInfo()->ThumbnailRect().left);

  // A vertical bar exchanges the axes.
  b->SetKind(sbVertical);
  EXPECT_EQ(b->Width(), Arrow());
  EXPECT_EQ(b->Height(), 2 * Arrow() + 200);
  EXPECT_EQ(b->ViewInfo()->ThumbnailRect().bottom, b->Height() - GetSystemMetrics(SM_CXVSCROLL));
}

TEST(ScrollBar, DegenerateRangesKeepThumbAtStartAndPositionAtMin) {
  auto b = LooseBar(200);
  // The page covers the whole range: the thumb fills the track.
  b->SetScrollParams(5, 14, 9, 10);
  const TRect& t = b->ViewInfo()->ThumbnailRect();
  EXPECT_EQ(t.left, Arrow());
  EXPECT_EQ(t.right, Arrow() + 200);
  EXPECT_EQ(b->GetPositionFromThumbnail(), 5);
  // A track so short that the minimum thumb fills it.
  auto s = LooseBar(b->ViewInfo()->ThumbnailSize());
  s->SetScrollParams(0, 1000, 500, 10);
  EXPECT_EQ(s->ViewInfo()->ThumbnailRect().left, Arrow());
  EXPECT_EQ(s->GetPositionFromThumbnail(), 0);
  // A bar too short for a thumb shows none and no page areas.
  auto tiny = LooseBar(2);
  tiny->SetScrollParams(0, 100, 10, 10);
  EXPECT_TRUE(IsRectEmpty(&tiny->ViewInfo()->ThumbnailRect()));
  EXPECT_TRUE(IsRectEmpty(&tiny->ViewInfo()->PageDownRect()));
  EXPECT_EQ(tiny->GetPartAt(TPoint{Arrow() + 1, 2}), sbpNone);
}

TEST(ScrollBar, PartsAndTheirStates) {
  auto b = LooseBar(200);
  b->SetScrollParams(0, 99, 40, 10);
  const TRect& th = b->ViewInfo()->ThumbnailRect();
  EXPECT_EQ(b->GetPartAt(TPoint{1, 1}), sbpLineUp);
  EXPECT_EQ(b->GetPartAt(TPoint{b->Width() - 1, 1}), sbpLineDown);
  EXPECT_EQ(b->GetPartAt(TPoint{(th.left + th.right) / 2, 1}), sbpThumbnail);
  EXPECT_EQ(b->GetPartAt(TPoint{th.left - 1, 1}), sbpPageUp);
  EXPECT_EQ(b->GetPartAt(TPoint{th.right + 1, 1}), sbpPageDown);
  EXPECT_EQ(b->GetPartAt(TPoint{-1, 1}), sbpNone);
  EXPECT_EQ(b->GetPartState(sbpLineUp), vxbsNormal);
  b->SetEnabled(false);
  EXPECT_EQ(b->GetPartState(sbpLineUp), vxbsDisabled);
}

namespace {

struct ScrollBarOnForm : TFormFixture {
  TvxScrollBar* Bar = nullptr;
  std::vector<TScrollCode> Codes;
  void SetUp() override {
    TFormFixture::SetUp();
    Bar = new TvxScrollBar(Form);
    Bar->SetBounds(10, 80, 2 * Arrow() + 200, Arrow());
    Bar->SetParent(Form);
    Bar->LookAndFeel()->SetNativeStyle(false);
    Bar->LookAndFeel()->SetKind(lfStandard);
    Bar->SetScrollParams(0, 99, 0, 10);
    Bar->SetLargeChange(10);
    Bar->OnScroll = [this](TObject*, TScrollCode Code, Integer&) { Codes.push_back(Code); };
    Pump(50);
  }
  void Release() {
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(40);
  }
};

}  // namespace

TEST_F(ScrollBarOnForm, ArrowRepeatsWhileHeld) {
  ClickAt(Bar, Bar->Width() - Arrow() / 2, Arrow() / 2, MOUSEEVENTF_LEFTDOWN, 0, true);
  EXPECT_EQ(Bar->Position(), 1) << "one step at once";
  EXPECT_EQ(Bar->State().PressedPart, sbpLineDown);
  Pump(200);
  EXPECT_EQ(Bar->Position(), 1) << "no repeat before 400 ms";
  Pump(600);
  const int held = Bar->Position();
  EXPECT_GE(held, 4) << "repeats every 60 ms after the first delay";
  Release();
  const int released = Bar->Position();
  Pump(200);
  EXPECT_EQ(Bar->Position(), released) << "the repeat ends with the release";
  EXPECT_EQ(Bar->State().PressedPart, sbpNone);
  ASSERT_FALSE(Codes.empty());
  EXPECT_EQ(Codes.back(), scEndScroll);
  EXPECT_FALSE(Bar->RepeatTimer()->Enabled());
}

TEST_F(ScrollBarOnForm, PageRepeatPausesOffTheAreaAndStopsAtTheThumb) {
  // Press the page area near the end: pages step until the thumb reaches the cursor.
  ClickAt(Bar, Bar->Width() - Arrow() - 3, Arrow() / 2, MOUSEEVENTF_LEFTDOWN, 0, true);
  EXPECT_EQ(Bar->Position(), 10);
  // Moving off the area pauses the repeat without ending the press.
  MoveMouse(ScreenPoint(Bar, Bar->Width() - Arrow() - 3, Arrow() + 40));
  Pump(600);
  EXPECT_EQ(Bar->Position(), 10);
  EXPECT_EQ(Bar->State().PressedPart, sbpPageDown);
  MoveMouse(ScreenPoint(Bar, Bar->Width() - Arrow() - 3, Arrow() / 2));
  Pump(900);
  EXPECT_EQ(Bar->Position(), 90) << "stepped until the thumb came under the cursor";
  Release();
}

TEST_F(ScrollBarOnForm, ThumbDragSnapsBackFarAwayAndResumes) {
  const TRect th = Bar->ViewInfo()->ThumbnailRect();
  const int y = Arrow() / 2;
  ClickAt(Bar, th.left + 3, y, MOUSEEVENTF_LEFTDOWN, 0, true);
  ASSERT_EQ(Bar->State().PressedPart, sbpThumbnail);
  MoveMouse(ScreenPoint(Bar, th.left + 3 + 60, y));
  const int tracked = Bar->Position();
  EXPECT_GT(tracked, 20);
  EXPECT_EQ(Codes.back(), scTrack);
  // Far below the bar (more than 136 pixels across): back to where the drag began.
  MoveMouse(ScreenPoint(Bar, th.left + 3 + 60, y + 150));
  EXPECT_EQ(Bar->Position(), 0);
  // Back near the bar: tracking resumes.
  MoveMouse(ScreenPoint(Bar, th.left + 3 + 60, y + 20));
  EXPECT_EQ(Bar->Position(), tracked);
  Codes.clear();
  Release();
  ASSERT_GE(Codes.size(), 2u);
  EXPECT_EQ(Codes[Codes.size() - 2], scPosition);
  EXPECT_EQ(Codes.back(), scEndScroll);
  EXPECT_EQ(Bar->Position(), tracked);
}

TEST_F(ScrollBarOnForm, PaintsThumbAndPagesThroughThePainter) {
  Bar->SetPosition(40);
  Bar->Invalidate();
  Bar->Update();
  Pump(30);
  TWindowPixels shown(Bar->Handle());
  // The bar's own off-screen picture is what the screen shows.
  std::unique_ptr<TBitmap> expected = std::make_unique<TBitmap>();
  expected->SetSize(Bar->Width(), Bar->Height());
  TvxCanvas c(expected->Canvas());
  Bar->DrawScrollBar(&c);
  const TRect& th = Bar->ViewInfo()->ThumbnailRect();
  for (int x : {2, int(th.left) - 2, int(th.left + th.right) / 2, int(th.right) + 2, Bar->Width() - 2})
    EXPECT_EQ(shown.At(x, Arrow() / 2), static_cast<COLORREF>(GetPixel(expected->Canvas()->Handle(), x, Arrow() / 2)))
        << x;
  EXPECT_NE(shown.At(th.right - 1, Arrow() / 2), shown.At((th.left + th.right) / 2, Arrow() / 2))
      << "the thumb has its raised border";
}

}  // namespace ZS_UNITY_ID
