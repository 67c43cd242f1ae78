// GDI+ images, the PNG graphic class and the image editor's value conversions: pictures in
// every supported format round trip through values and streams read from a position.
#include <gtest/gtest.h>

#include <cstring>

#include "Jpeg.h"
#include "vdGDIPlusClasses.h"
#include "vxImage.h"

namespace ZS_UNITY_ID {

namespace {

// A W x H bitmap with distinct pixels (and, for pf32bit, a varying alpha when Alpha is set).
std::unique_ptr<TBitmap> Pattern(int W, int H, TPixelFormat PF = pf24bit, bool Alpha = false) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(PF);
  b->SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      if (PF == pf32bit) {
        auto* row = static_cast<RGBQUAD*>(b->ScanLine(y));
        const BYTE a = Alpha ? BYTE(255 - x * 10) : 255;
        row[x] = RGBQUAD{BYTE(x * 20 * a / 255), BYTE(y * 30 * a / 255), BYTE(100 * a / 255), a};
      } else {
        b->Canvas()->SetPixel(x, y, TColor(RGB(x * 20, y * 30, 100)));
      }
    }
  return b;
}

AnsiString BytesOf(TGraphic* G) {
  TMemoryStream m;
  G->SaveToStream(&m);
  return AnsiString(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

COLORREF PixelOf(TGraphic* G, int X, int Y) {
  TBitmap b(G->Width(), G->Height());
  RECT r{0, 0, G->Width(), G->Height()};
  b.Canvas()->Draw(0, 0, G);
  (void)r;
  return b.Canvas()->Pixel(X, Y) & 0xFFFFFF;
}

}  // namespace

TEST(GDIPlusImages, PngRoundTripsThroughAStreamReadFromItsPosition) {
  ASSERT_FALSE(vdGPImageClassIsNull());
  auto bmp = Pattern(10, 8);
  TvdPNGImage png;
  png.Assign(bmp.get());
  ASSERT_EQ(10, png.Width());
  EXPECT_FALSE(png.IsAlphaUsed());  // a 24-bit bitmap becomes fully opaque

  TMemoryStream m;
  m.WriteBuffer("junk!", 5);
  png.SaveToStream(&m);
  m.SetPosition(5);
  TvdPNGImage back;
  back.LoadFromStream(&m);  // only the bytes after the position are the image
  EXPECT_TRUE(back.Compare(&png));
  EXPECT_EQ(RGB(60, 90, 100), PixelOf(&back, 3, 3));
}

TEST(GDIPlusImages, BitmapStreamKeepsItsPictureInThePngClassAndAlphaSurvives) {
  auto bmp = Pattern(6, 5);
  TMemoryStream m;
  m.WriteBuffer("xy", 2);
  bmp->SaveToStream(&m);
  m.SetPosition(2);
  TvdPNGImage png;
  png.LoadFromStream(&m);
  ASSERT_EQ(6, png.Width());
  ASSERT_EQ(5, png.Height());
  EXPECT_EQ(RGB(40, 60, 100), PixelOf(&png, 2, 2));

  auto alpha = Pattern(6, 5, pf32bit, true);
  TvdPNGImage a;
  a.Assign(alpha.get());
  EXPECT_TRUE(a.IsAlphaUsed());
}

TEST(GDIPlusImages, CompareAndCompositionNeedEqualSizes) {
  TvdPNGImage e1, e2;
  EXPECT_TRUE(e1.Compare(&e2));  // two empty images of one size
  auto small = Pattern(4, 4), large = Pattern(5, 4);
  TvdPNGImage a, b;
  a.Assign(small.get());
  b.Assign(large.get());
  EXPECT_FALSE(a.Compare(&b));
  EXPECT_FALSE(a.Compare(&e1));
  EXPECT_EQ(nullptr, a.Handle()->MakeComposition(b.Handle(), 128));
  TvdPNGImage c;
  c.Assign(small.get());
  std::unique_ptr<TvdGPImage> mix(a.Handle()->MakeComposition(c.Handle(), 77));
  ASSERT_NE(nullptr, mix);
  EXPECT_EQ(a.Handle()->GetBitmapBits().size(), mix->GetBitmapBits().size());
  EXPECT_EQ(0, memcmp(a.Handle()->GetBitmapBits().data(), mix->GetBitmapBits().data(), 16 * 4));
}

TEST(ImageValue, EveryFormatKeepsItsPictureWhateverClassReadsIt) {
  auto bmp = Pattern(12, 9);
  TvdPNGImage png;
  png.Assign(bmp.get());
  TJPEGImage jpg;
  jpg.Assign(bmp.get());
  const AnsiString pngBytes = BytesOf(&png), jpgBytes = BytesOf(&jpg), bmpBytes = BytesOf(bmp.get());
  struct Case {
    const char* Name;
    AnsiString Bytes;
    TGraphicClass AskedFor;
    TClass Expected;
  } cases[] = {
      {"png as bitmap", pngBytes, TBitmap::StaticClass(), TvdPNGImage::StaticClass()},
      {"jpeg as bitmap", jpgBytes, TBitmap::StaticClass(), TJPEGImage::StaticClass()},
      {"bitmap as png", bmpBytes, TvdPNGImage::StaticClass(), TBitmap::StaticClass()},
      {"png without class", pngBytes, nullptr, TvdPNGImage::StaticClass()},
      {"jpeg as jpeg", jpgBytes, TJPEGImage::StaticClass(), TJPEGImage::StaticClass()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TPicture pic;
    LoadPictureFromValue(&pic, c.AskedFor, Variant(c.Bytes));
    ASSERT_FALSE(IsPictureEmpty(&pic));
    EXPECT_EQ(c.Expected, pic.Graphic()->ClassType());
    EXPECT_EQ(12, pic.Width());
    EXPECT_EQ(9, pic.Height());
    // Saved again and read back, the value shows the same picture.
    TPicture again;
    LoadPictureFromValue(&again, c.AskedFor, Variant(SavePictureToValue(&pic)));
    ASSERT_FALSE(IsPictureEmpty(&again));
    EXPECT_EQ(PixelOf(pic.Graphic(), 5, 4), PixelOf(again.Graphic(), 5, 4));
  }
  // The lossless formats keep the exact pixels.
  TPicture p;
  LoadPictureFromValue(&p, TBitmap::StaticClass(), Variant(pngBytes));
  EXPECT_EQ(RGB(100, 120, 100), PixelOf(p.Graphic(), 5, 4));
}

TEST(ImageValue, HeadersShortAndUnreadableValues) {
  auto bmp = Pattern(3, 3);
  const AnsiString raw = BytesOf(bmp.get());
  AnsiString withHeader("\x01\x00\x00\x01", 4);
  const uint32_t n = static_cast<uint32_t>(raw.size());
  withHeader.append(reinterpret_cast<const char*>(&n), 4);
  withHeader += raw;
  TPicture pic;
  LoadPictureFromValue(&pic, TBitmap::StaticClass(), Variant(withHeader));
  EXPECT_EQ(3, pic.Width());
  for (const AnsiString& bad : {AnsiString("BM\x01"), AnsiString(), AnsiString(40, 'z'), AnsiString("\x89PNG\r\n\x1a\nbroken")}) {
    pic.SetBitmap(bmp.get());
    LoadPictureFromValue(&pic, TBitmap::StaticClass(), Variant(bad));
    EXPECT_TRUE(IsPictureEmpty(&pic)) << bad.size();
  }
  pic.SetBitmap(bmp.get());
  LoadPictureFromValue(&pic, TBitmap::StaticClass(), Variant(Integer(5)));
  EXPECT_TRUE(IsPictureEmpty(&pic));
  EXPECT_TRUE(SavePictureToValue(&pic).empty());
}

TEST(ImageValue, PictureClassesAndProportionalFit) {
  EXPECT_EQ(TBitmap::StaticClass(), GetDefaultGraphicClass());
  EXPECT_EQ(TvdPNGImage::StaticClass(), FindPictureClassByName(L"tvdpngimage"));
  EXPECT_EQ(nullptr, FindPictureClassByName(L"TMetafileX"));
  struct Case { TRect Area; int W, H; TRect Expected; } cases[] = {
      {{0, 0, 100, 50}, 20, 20, {0, 0, 50, 50}},
      {{10, 10, 60, 110}, 20, 10, {10, 10, 60, 35}},
      {{0, 0, 0, 10}, 5, 5, {0, 0, 0, 10}},
  };
  for (const Case& c : cases) {
    const TRect r = FitRectProportionally(c.Area, c.W, c.H);
    EXPECT_EQ(c.Expected.left, r.left);
    EXPECT_EQ(c.Expected.top, r.top);
    EXPECT_EQ(c.Expected.right, r.right);
    EXPECT_EQ(c.Expected.bottom, r.bottom);
  }
  EXPECT_TRUE(NeedsPictureScaling(false, true, {200, 10}, {100, 100}));
  EXPECT_FALSE(NeedsPictureScaling(false, true, {50, 50}, {100, 100}));
  EXPECT_TRUE(NeedsPictureScaling(true, false, {50, 50}, {100, 100}));
}

}  // namespace ZS_UNITY_ID
