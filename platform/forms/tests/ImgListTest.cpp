#include <gtest/gtest.h>

#include <memory>

#include "Classes.h"
#include "Graphics.h"
#include "ImgList.h"
#include "Streaming.h"

namespace {

// A 16x16 target filled with one colour, to draw images on and read back.
std::unique_ptr<TBitmap> Target(TColor Bg, int W = 40, int H = 20) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(Bg);
  b->Canvas()->FillRect(RECT{0, 0, W, H});
  return b;
}

// A square of Fg with a Bg border two pixels wide.
std::unique_ptr<TBitmap> Framed(TColor Fg, TColor Bg) {
  auto b = Target(Bg, 16, 16);
  b->Canvas()->Brush()->SetColor(Fg);
  b->Canvas()->FillRect(RECT{2, 2, 14, 14});
  return b;
}

// A 32-bit image: opaque blue on the left half, transparent on the right quarter and
// half-transparent white between. Colours are straight (not premultiplied), as the
// system list expects them.
std::unique_ptr<TBitmap> AlphaImage() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(16, 16);
  for (int y = 0; y < 16; ++y) {
    auto* p = static_cast<DWORD*>(b->ScanLine(y));
    for (int x = 0; x < 16; ++x)
      p[x] = x < 8 ? 0xFF0000FFu : x < 12 ? 0x80FFFFFFu : 0x00000000u;
  }
  return b;
}

int Red(TColor C) { return C & 0xFF; }
int Blue(TColor C) { return (C >> 16) & 0xFF; }

}  // namespace

TEST(ImgListTest, MaskedImagesDrawOnlyTheirOpaquePixels) {
  TImageList list(nullptr);
  auto red = Framed(clRed, clFuchsia);
  auto blue = Framed(clBlue, clFuchsia);
  EXPECT_EQ(0, list.AddMasked(red.get(), clFuchsia));
  EXPECT_EQ(1, list.AddMasked(blue.get(), clFuchsia));
  EXPECT_EQ(2, list.Count());
  // The source bitmap is left as it was.
  EXPECT_EQ(clFuchsia, red->Canvas()->Pixel(0, 0));

  auto t = Target(clLime);
  list.Draw(t->Canvas(), 0, 0, 0);
  list.Draw(t->Canvas(), 20, 0, 1);
  struct {
    int X, Y;
    TColor Expected;
  } cases[] = {{0, 0, clLime},   {8, 8, clRed},    {1, 8, clLime}, {13, 13, clRed},
               {20, 0, clLime},  {28, 8, clBlue},  {35, 15, clLime}};
  for (auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.X << "," << c.Y);
    EXPECT_EQ(c.Expected, t->Canvas()->Pixel(c.X, c.Y));
  }

  // Drawn disabled, the image no longer shows its own colour.
  auto d = Target(clLime);
  list.Draw(d->Canvas(), 0, 0, 0, false);
  EXPECT_NE(clRed, d->Canvas()->Pixel(8, 8));
  EXPECT_EQ(clLime, d->Canvas()->Pixel(0, 0));

  // Moving and deleting keep the order the list reports.
  list.Move(1, 0);
  auto m = Target(clLime);
  list.Draw(m->Canvas(), 0, 0, 0);
  EXPECT_EQ(clBlue, m->Canvas()->Pixel(8, 8));
  list.Delete(0);
  EXPECT_EQ(1, list.Count());
  EXPECT_THROW(list.Delete(5), EInvalidOperation);
  // A missing resource adds nothing.
  EXPECT_FALSE(list.ResourceLoad(rtBitmap, L"NO_SUCH_BITMAP", clFuchsia));
  EXPECT_EQ(1, list.Count());
}

TEST(ImgListTest, AlphaImagesBlendWithTheBackground) {
  TImageList list(nullptr);
  auto img = AlphaImage();
  ASSERT_EQ(0, list.Add(img.get(), nullptr));
  auto t = Target(clBlack);
  list.Draw(t->Canvas(), 0, 0, 0);
  TColor opaque = t->Canvas()->Pixel(2, 8);
  TColor half = t->Canvas()->Pixel(10, 8);
  TColor clear = t->Canvas()->Pixel(14, 8);
  EXPECT_EQ(clBlue, opaque);
  EXPECT_EQ(clBlack, clear);
  EXPECT_NEAR(128, Red(half), 24);
  EXPECT_NEAR(128, Blue(half), 24);

  // Read back unchanged, alpha included.
  TBitmap back;
  ASSERT_TRUE(list.GetBitmap(0, &back));
  EXPECT_EQ(pf32bit, back.PixelFormat());
  auto* row = static_cast<DWORD*>(back.ScanLine(3));
  EXPECT_EQ(0xFF0000FFu, row[2]);
  EXPECT_EQ(0x80u, row[10] >> 24);
  EXPECT_EQ(0u, row[14] & 0xFFFFFF);
  EXPECT_FALSE(list.GetBitmap(3, &back));
}

TEST(ImgListTest, ChangeLinksAndSizeChanges) {
  TImageList list(nullptr);
  int linked = 0, events = 0;
  {
    TChangeLink link;
    link.OnChange = [&](TObject* S) {
      EXPECT_EQ(&list, S);
      ++linked;
    };
    list.RegisterChanges(&link);
    list.OnChange = [&](TObject*) { ++events; };
    auto red = Framed(clRed, clFuchsia);
    list.BeginUpdate();
    list.AddMasked(red.get(), clFuchsia);
    list.AddMasked(red.get(), clFuchsia);
    EXPECT_EQ(0, linked);
    list.EndUpdate();
    EXPECT_EQ(1, linked);
    EXPECT_EQ(1, events);
    list.SetSize(24, 24);
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(2, linked);
  }
  // The link unregistered itself when it went.
  list.SetBkColor(clWhite);
  EXPECT_EQ(2, linked);
}

// The images survive being written to a component stream and read back.
TEST(ImgListTest, BitmapPropertyStreamsTheImages) {
  auto src = std::make_unique<TImageList>(nullptr);
  src->SetName(L"Images");
  auto red = Framed(clRed, clFuchsia);
  auto blue = Framed(clBlue, clFuchsia);
  src->AddMasked(red.get(), clFuchsia);
  src->AddMasked(blue.get(), clFuchsia);

  TMemoryStream ms;
  WriteComponentToStream(&ms, src.get());
  ms.SetPosition(0);
  TImageList dst(nullptr);
  ReadComponentFromStream(&ms, &dst);
  ASSERT_EQ(2, dst.Count());
  auto t = Target(clLime);
  dst.Draw(t->Canvas(), 0, 0, 1);
  EXPECT_EQ(clBlue, t->Canvas()->Pixel(8, 8));
  EXPECT_EQ(clLime, t->Canvas()->Pixel(0, 0));
}
