#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <windows.h>
#include <psapi.h>

#include "Classes.h"
#include "TestSurface.h"
#include "vxBitmaps.h"
#include "vxImageList.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

RGBQUAD Q(Byte b, Byte g, Byte r, Byte a) { return RGBQUAD{b, g, r, a}; }
bool Same(const RGBQUAD& x, const RGBQUAD& y) { return std::memcmp(&x, &y, 4) == 0; }
::testing::AssertionResult QuadEq(const RGBQUAD& actual, const RGBQUAD& expected) {
  if (Same(actual, expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "BGRA (" << int(actual.rgbBlue) << "," << int(actual.rgbGreen) << ","
                                       << int(actual.rgbRed) << "," << int(actual.rgbReserved) << ") expected ("
                                       << int(expected.rgbBlue) << "," << int(expected.rgbGreen) << ","
                                       << int(expected.rgbRed) << "," << int(expected.rgbReserved) << ")";
}

// Sets every pixel of a 32-bit bitmap, top row first.
void Fill(TBitmap* B, const std::function<RGBQUAD(int x, int y)>& F) {
  TRGBColors c(static_cast<size_t>(B->Width()) * B->Height());
  for (int y = 0; y < B->Height(); ++y)
    for (int x = 0; x < B->Width(); ++x) c[static_cast<size_t>(y) * B->Width() + x] = F(x, y);
  vxSetBitmapPixels(B, true, c);
}

RGBQUAD PixelOf(TBitmap* B, int x, int y) {
  TRGBColors c;
  EXPECT_TRUE(vxGetBitmapPixels(B, true, c));
  return c.at(static_cast<size_t>(y) * B->Width() + x);
}

TEST(Bitmaps, ConstructionAndBatchedChanges) {
  TvxBitmap b(10, 10);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_NE(b.vxCanvas(), nullptr);
  EXPECT_EQ(b.ClientRect().right, 10);
  TvxBitmap32 z(10, 10, true);
  EXPECT_EQ(z.PixelFormat(), pf32bit);
  TRGBColors c;
  z.GetBitmapColors(c);
  ASSERT_EQ(c.size(), 100u);
  for (const auto& p : c) EXPECT_TRUE(QuadEq(p, Q(0, 0, 0, 0)));
  EXPECT_FALSE(z.IsAlphaUsed());
  TvxBitmap r(TRect{5, 5, 12, 8}, pf32bit);
  EXPECT_EQ(r.Width(), 7);
  EXPECT_EQ(r.Height(), 3);
  // The sized factories: a rectangle's extent, the class's own pixel format.
  auto fr = TvxBitmap::CreateSize(TRect{2, 3, 9, 7});
  EXPECT_EQ(fr->Width(), 7);
  EXPECT_EQ(fr->Height(), 4);
  EXPECT_EQ(fr->PixelFormat(), pf24bit);
  auto f32 = TvxBitmap32::CreateSize(5, 6);
  EXPECT_EQ(f32->Height(), 6);
  EXPECT_EQ(f32->PixelFormat(), pf32bit);
  auto list = TvxImageList::CreateSize(16, 12);
  EXPECT_EQ(list->Width(), 16);
  EXPECT_EQ(list->Height(), 12);

  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.SetSize(10, 10);
  EXPECT_EQ(changes, 0);  // unchanged size: no notification
  b.SetSize(-5, 3);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(changes, 1);
  b.BeginUpdate();
  b.SetSize(4, 4);
  b.SetSize(5, 5);
  EXPECT_EQ(changes, 1);
  b.EndUpdate(false);
  EXPECT_EQ(changes, 2);  // one notification for the batch
  b.BeginUpdate();
  b.SetSize(6, 6);
  b.CancelUpdate();
  EXPECT_EQ(changes, 2);  // cancelling never notifies
  b.BeginUpdate();
  b.EndUpdate(true);
  EXPECT_EQ(changes, 3);
}

TEST(Bitmaps, Bitmap32KeepsItsFormat) {
  TvxBitmap32 b(4, 4);
  EXPECT_THROW(
      try { b.SetPixelFormat(pf24bit); } catch (const EvdException& e) {
        EXPECT_EQ(e.Message(), L"Wrong PixelFormat");
        throw;
      },
      EvdException);
  // Loading any bitmap format ends at 32 bits.
  TBitmap src;
  src.SetPixelFormat(pf24bit);
  src.SetSize(3, 2);
  TBytesStream s;
  src.SaveToStream(&s);
  s.SetPosition(0);
  TvxBitmap32 loaded;
  loaded.LoadFromStream(&s);
  EXPECT_EQ(loaded.PixelFormat(), pf32bit);
  EXPECT_EQ(loaded.Width(), 3);
}

TEST(Bitmaps, AlphaHelpers) {
  TvxBitmap32 b(3, 1);
  Fill(&b, [](int x, int) { return x == 0 ? Q(0, 0, 255, 0) : x == 1 ? Q(10, 20, 30, 0) : Q(1, 2, 3, 77); });
  b.RecoverTransparency(clRed);
  EXPECT_TRUE(QuadEq(PixelOf(&b, 0, 0), Q(0, 0, 0, 0)));
  EXPECT_TRUE(QuadEq(PixelOf(&b, 1, 0), Q(10, 20, 30, 255)));
  EXPECT_TRUE(QuadEq(PixelOf(&b, 2, 0), Q(1, 2, 3, 77)));
  // A colour absent from the image only makes alpha-0 pixels opaque.
  Fill(&b, [](int x, int) { return x == 0 ? Q(5, 5, 5, 0) : Q(6, 6, 6, 9); });
  b.RecoverTransparency(clLime);
  EXPECT_EQ(PixelOf(&b, 0, 0).rgbReserved, 255);
  EXPECT_EQ(PixelOf(&b, 1, 0).rgbReserved, 9);
  b.SetAlphaChannel(0);
  EXPECT_FALSE(b.IsAlphaUsed());
  b.MakeOpaque();
  EXPECT_EQ(PixelOf(&b, 2, 0).rgbReserved, 255);
  b.Invert();
  EXPECT_TRUE(QuadEq(PixelOf(&b, 0, 0), Q(250, 250, 250, 0)));
  TvxBitmap32 mask(3, 1);
  Fill(&mask, [](int x, int) { return x == 1 ? Q(255, 255, 255, 255) : Q(0, 0, 0, 0); });
  b.Filter(&mask);
  EXPECT_TRUE(QuadEq(PixelOf(&b, 1, 0), Q(0, 0, 0, 0)));
  EXPECT_TRUE(QuadEq(PixelOf(&b, 0, 0), Q(250, 250, 250, 0)));
}

TEST(Bitmaps, PixelTransformations) {
  const RGBQUAD in = Q(40, 120, 200, 255), half = Q(40, 120, 200, 128), key = Q(1, 2, 3, 0);
  auto gray = [](float kr, float kg, float kb, const RGBQUAD& c) {
    const Byte g = static_cast<Byte>(std::lrintf(kr * c.rgbRed + kg * c.rgbGreen + kb * c.rgbBlue));
    return Q(g, g, g, c.rgbReserved);
  };
  auto dingy = [](Byte c) { return static_cast<Byte>(c + MulDiv(255 - c, 3, 10)); };
  struct {
    const char* name;
    TvxBitmapTransformationMode mode;
    RGBQUAD opaque, translucent, transparent;
  } cases[] = {
      {"gray scale", btmGrayScale, Q(120, 120, 120, 255), Q(120, 120, 120, 128), key},
      {"fade", btmFade, gray(0.299f, 0.587f, 0.114f, in), gray(0.299f, 0.587f, 0.114f, half), key},
      {"disable", btmDisable, gray(0.0729f, 0.7146f, 0.2125f, in), gray(0.0729f, 0.7146f, 0.2125f, half), key},
      {"set opaque", btmSetOpaque, in, Q(40, 120, 200, 255), Q(1, 2, 3, 255)},
      {"reset alpha", btmResetAlpha, Q(40, 120, 200, 0), Q(40, 120, 200, 0), key},
      {"make mask", btmMakeMask, Q(0, 0, 0, 0), Q(0, 0, 0, 0), Q(255, 255, 255, 255)},
      {"correct blend", btmCorrectBlend, in, half, key},
      {"dingy", btmDingy, Q(dingy(40), dingy(120), dingy(200), 255),
       Q(static_cast<Byte>(MulDiv(40, 200, 255)), static_cast<Byte>(MulDiv(120, 200, 255)),
         static_cast<Byte>(MulDiv(200, 200, 255)), static_cast<Byte>(MulDiv(128, 200, 255))),
       key},
      {"clear", btmClear, Q(9, 8, 7, 6), Q(9, 8, 7, 6), Q(9, 8, 7, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvxAlphaBitmap b(3, 1);
    b.TransparentPixels()->Add(static_cast<TColor>(RGB(3, 2, 1)));
    Fill(&b, [&](int x, int) { return x == 0 ? in : x == 1 ? half : key; });
    if (c.mode == btmClear) b.SetTransparentBkColor(Q(9, 8, 7, 6));
    b.TransformBitmap(c.mode);
    EXPECT_TRUE(QuadEq(PixelOf(&b, 0, 0), c.opaque));
    EXPECT_TRUE(QuadEq(PixelOf(&b, 1, 0), c.translucent));
    EXPECT_TRUE(QuadEq(PixelOf(&b, 2, 0), c.transparent));
  }
  // A pixel equal to the transparent background colour (all 32 bits) is skipped too.
  TvxAlphaBitmap b(1, 1, Q(10, 10, 10, 10));
  Fill(&b, [](int, int) { return Q(10, 10, 10, 10); });
  b.TransformBitmap(btmGrayScale);
  b.TransformBitmap(btmSetOpaque);
  EXPECT_TRUE(QuadEq(PixelOf(&b, 0, 0), Q(10, 10, 10, 255)));
  // Dirty: gray, then the shadow colour blended over it.
  TvxAlphaBitmap d(1, 1);
  Fill(&d, [&](int, int) { return in; });
  d.TransformBitmap(btmDirty);
  RGBQUAD expected = gray(0.299f, 0.587f, 0.114f, in);
  const COLORREF shadow = ColorToRGB(clBtnShadow);
  vxBlendPixel(expected, Q(GetBValue(shadow), GetGValue(shadow), GetRValue(shadow), 0xC0), 238);
  EXPECT_TRUE(QuadEq(PixelOf(&d, 0, 0), expected));
}

TEST(Bitmaps, HatchAlternatesSquaresFromTheBottomLeft) {
  for (Byte step : {Byte(2), Byte(0)}) {
    SCOPED_TRACE(int(step));
    TvxAlphaBitmap b(4, 4);
    b.DrawHatch(clRed, clBlue, step, 255, 255);
    const int s = step == 0 ? 1 : step;  // a step of 0 hatches like a step of 1
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const int fromBottom = 3 - y;
        const bool second = (x / s + fromBottom / s) % 2 == 1;
        const RGBQUAD p = PixelOf(&b, x, y);
        EXPECT_EQ(p.rgbRed, second ? 0 : 255) << x << "," << y;
        EXPECT_EQ(p.rgbBlue, second ? 255 : 0) << x << "," << y;
        EXPECT_EQ(p.rgbReserved, 255);
      }
  }
}

TEST(Bitmaps, ShadowBelowTheOpaquePart) {
  // A 4x4 image with an opaque 2x2 square at (1, 1); the rest is transparent.
  TvxAlphaBitmap image(4, 4);
  Fill(&image, [](int x, int y) { return x >= 1 && x < 3 && y >= 1 && y < 3 ? Q(0, 200, 0, 255) : Q(0, 0, 0, 0); });
  TvxAlphaBitmap mask(4, 4);
  mask.CopyBitmap(&image);
  mask.SetTransparentBkColor(Q(0, 0, 0, 0));
  mask.TransformBitmap(btmMakeMask);
  image.DrawShadow(&mask, 1, clRed, true);
  ASSERT_EQ(image.Width(), 5);
  ASSERT_EQ(image.Height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      SCOPED_TRACE(::testing::Message() << x << "," << y);
      const bool inImage = x >= 1 && x < 3 && y >= 1 && y < 3;
      const bool inShadow = !inImage && x >= 2 && x < 4 && y >= 2 && y < 4;
      const RGBQUAD p = PixelOf(&image, x, y);
      if (inImage)
        EXPECT_TRUE(QuadEq(p, Q(0, 200, 0, 255)));
      else if (inShadow)
        EXPECT_TRUE(QuadEq(p, Q(0, 0, 255, 255)));
      else
        EXPECT_EQ(p.rgbReserved, 0);
    }
}

// --- "XDBM" persisted form --------------------------------------------------------------

std::vector<Byte> Bytes(TMemoryStream& s) {
  const Byte* p = static_cast<const Byte*>(s.Memory());
  return std::vector<Byte>(p, p + s.Size());
}

TEST(BitmapData, RepeatRunsOfA32BitImage) {
  TvxBitmap32 b(300, 1);
  Fill(&b, [](int, int) { return Q(1, 2, 3, 4); });
  b.SetCompressData(true);
  TMemoryStream s;
  b.WriteData(&s);
  const auto d = Bytes(s);
  ASSERT_GT(d.size(), 25u);
  Integer size;
  std::memcpy(&size, d.data(), 4);
  EXPECT_EQ(size, static_cast<Integer>(d.size()) - 10);
  EXPECT_EQ(std::string(d.begin() + 4, d.begin() + 8), "XDBM");
  EXPECT_EQ(d[8], 2);
  EXPECT_EQ(d[9], 0);
  EXPECT_EQ(d[10], 4);  // block size
  // The pixels come last: three repeat packets of 125, 125 and 50 blocks.
  const std::vector<Byte> tail(d.end() - 15, d.end());
  const std::vector<Byte> expected = {125, 1, 2, 3, 4, 125, 1, 2, 3, 4, 50, 1, 2, 3, 4};
  EXPECT_EQ(tail, expected);
  TvxBitmap32 back;
  s.SetPosition(0);
  back.ReadData(&s);
  EXPECT_EQ(back.Width(), 300);
  EXPECT_TRUE(QuadEq(PixelOf(&back, 299, 0), Q(1, 2, 3, 4)));
}

TEST(BitmapData, RemainderBytesAreStoredRaw) {
  TvxBitmap b(5, 3);  // 24 bits
  Fill(&b, [](int x, int y) { return Q(Byte(x * 40), Byte(y * 70), Byte(x + y), 0); });
  TMemoryStream plain;
  b.WriteData(&plain);
  const auto p = Bytes(plain);
  ASSERT_NE(p.size() % 3, 0u) << "pick a size whose data length is not a multiple of 3";
  b.SetCompressData(true);
  TMemoryStream packed;
  b.WriteData(&packed);
  const auto d = Bytes(packed);
  EXPECT_EQ(d[10], 3);
  const size_t r = p.size() % 3;
  EXPECT_EQ(d[11], r);
  EXPECT_TRUE(std::equal(p.begin(), p.begin() + r, d.begin() + 12));
}

TEST(BitmapData, RoundTripsPlainAndCompressedAtAnyPosition) {
  struct {
    const char* name;
    TPixelFormat format;
  } formats[] = {{"1 bit", pf1bit}, {"8 bits", pf8bit}, {"16 bits", pf16bit}, {"24 bits", pf24bit}, {"32 bits", pf32bit}};
  for (const auto& f : formats) {
    for (bool compress : {false, true}) {
      SCOPED_TRACE(::testing::Message() << f.name << (compress ? " compressed" : " plain"));
      TvxBitmap b(17, 9, f.format);
      b.vxCanvas()->FillRect(TRect{0, 0, 17, 9}, clWhite);
      b.vxCanvas()->FillRect(TRect{2, 1, 9, 6}, clBlack);
      b.vxCanvas()->FillRect(TRect{10, 3, 16, 8}, f.format == pf1bit ? clBlack : clRed);
      if (f.format == pf32bit) Fill(&b, [](int x, int y) { return Q(Byte(x * 9), Byte(y * 20), 99, Byte(x * 15)); });
      b.SetCompressData(compress);
      TMemoryStream s;
      const Byte prefix[7] = {1, 2, 3, 4, 5, 6, 7};
      s.WriteBuffer(prefix, 7);  // the block does not start at position 0
      b.WriteData(&s);
      const Int64 end = s.Size();
      s.WriteBuffer(prefix, 3);  // and is followed by other data
      s.SetPosition(7);
      TvxBitmap back;
      back.ReadData(&s);
      EXPECT_EQ(s.Position(), end);
      ASSERT_EQ(back.Width(), 17);
      ASSERT_EQ(back.Height(), 9);
      EXPECT_EQ(back.PixelFormat(), f.format);
      TRGBColors a, c;
      vxGetBitmapPixels(&b, true, a);
      vxGetBitmapPixels(&back, true, c);
      ASSERT_EQ(a.size(), c.size());
      for (size_t i = 0; i < a.size(); ++i) ASSERT_TRUE(QuadEq(c[i], a[i])) << i;
    }
  }
  // An empty bitmap writes a zero length and reads back empty.
  TvxBitmap empty;
  empty.SetCompressData(true);
  TMemoryStream s;
  empty.WriteData(&s);
  s.SetPosition(0);
  TvxBitmap back(3, 3);
  back.ReadData(&s);
  EXPECT_TRUE(back.Empty());
}

TEST(BitmapData, MalformedBlocksRaiseReadErrors) {
  TvxBitmap32 b(6, 4);
  Fill(&b, [](int x, int y) { return Q(Byte(x * 30), Byte(y), x < 3 ? 7 : 9, 200); });
  b.SetCompressData(true);
  TMemoryStream s;
  b.WriteData(&s);
  const auto good = Bytes(s);
  auto read = [](const std::vector<Byte>& data) {
    TMemoryStream m;
    if (!data.empty()) m.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
    m.SetPosition(0);
    TvxBitmap32 target;
    target.ReadData(&m);
  };
  ASSERT_NO_THROW(read(good));
  // Cut at every byte, keeping the size field: the block claims more than there is.
  for (size_t cut = 0; cut < good.size(); ++cut) {
    std::vector<Byte> d(good.begin(), good.begin() + cut);
    EXPECT_THROW(read(d), EReadError) << "cut at " << cut;
  }
  // Cut at every byte with a size field that agrees: the packets or the bitmap inside
  // end early.
  for (size_t cut = 12; cut < good.size(); ++cut) {
    std::vector<Byte> d(good.begin(), good.begin() + cut);
    const Integer size = static_cast<Integer>(cut) - 10;
    std::memcpy(d.data(), &size, 4);
    EXPECT_THROW(read(d), EReadError) << "cut at " << cut;
  }
  // Corrupt header fields.
  struct {
    const char* name;
    size_t offset;
    Byte value;
  } corrupt[] = {{"negative size", 3, 0x80}, {"block size 0", 10, 0}, {"block size 5", 10, 5}, {"remainder too big", 11, 9}};
  for (const auto& c : corrupt) {
    std::vector<Byte> d = good;
    d[c.offset] = c.value;
    EXPECT_THROW(read(d), EReadError) << c.name;
  }
  // Any single damaged byte either still reads or raises a read error.
  for (size_t i = 10; i < good.size(); ++i) {
    std::vector<Byte> d = good;
    d[i] ^= 0xA5;
    try {
      read(d);
    } catch (const EReadError&) {
      // expected for most bytes
    }
  }
  // An unknown version decodes nothing: the bitmap is empty.
  std::vector<Byte> v3 = good;
  v3[8] = 3;
  TMemoryStream m;
  m.WriteBuffer(v3.data(), static_cast<Integer>(v3.size()));
  m.SetPosition(0);
  TvxBitmap32 target(2, 2);
  target.ReadData(&m);
  EXPECT_TRUE(target.Empty());
}

// Repeat packets past the bitmap a block describes are refused while decoding: 5 MB of
// them would expand to about 500 MB.
TEST(BitmapData, PackedFormIsBoundedByTheBitmapItDescribes) {
  TvxBitmap32 b(6, 4);
  Fill(&b, [](int x, int y) { return Q(Byte(x * 30), Byte(y), 7, 200); });
  b.SetCompressData(true);
  TMemoryStream s;
  b.WriteData(&s);
  std::vector<Byte> d = Bytes(s);
  for (int i = 0; i < 1000000; ++i) d.insert(d.end(), {127, 1, 2, 3, 4});
  const Integer size = static_cast<Integer>(d.size()) - 10;
  std::memcpy(d.data(), &size, 4);
  TMemoryStream m;
  m.WriteBuffer(d.data(), static_cast<Integer>(d.size()));
  m.SetPosition(0);
  PROCESS_MEMORY_COUNTERS before{}, after{};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  TvxBitmap32 target;
  EXPECT_THROW(target.ReadData(&m), EReadError);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
  EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, SIZE_T(64) << 20);
}

// --- Routines ---------------------------------------------------------------------------

TEST(BitmapRoutines, CreationPixelsAndRegions) {
  std::unique_ptr<TBitmap> b(vxCreateBitmapWithFormat(5, 4, pf32bit));
  EXPECT_EQ(b->PixelFormat(), pf32bit);
  EXPECT_EQ(vxGetBitmapBitsPerPixel(b.get()), 32);
  std::unique_ptr<TBitmap> c(vxCreateBitmapOfSize(TRect{1, 1, 4, 3}, pf8bit));
  EXPECT_EQ(c->Width(), 3);
  EXPECT_EQ(vxGetBitmapBitsPerPixel(c.get()), 8);
  EXPECT_TRUE(vxIsBitmapSet(b.get()));
  TBitmap empty;
  EXPECT_FALSE(vxIsBitmapSet(&empty));
  EXPECT_FALSE(vxIsBitmapSet(nullptr));
  TRGBColors untouched(3);
  EXPECT_FALSE(vxGetBitmapPixels(&empty, true, untouched));
  EXPECT_EQ(untouched.size(), 3u);

  // Top-down and bottom-up orders.
  Fill(b.get(), [](int x, int y) { return Q(Byte(x), Byte(y), 0, 255); });
  TRGBColors up;
  ASSERT_TRUE(vxGetBitmapPixels(b.get(), false, up));
  EXPECT_EQ(up[0].rgbGreen, 3);  // bottom row first
  vxSetBitmapPixels(b.get(), false, up);
  EXPECT_TRUE(up.empty());

  // Regions: an all-transparent bitmap gives none; a shape gives exactly its pixels.
  Fill(b.get(), [](int, int) { return Q(0, 0, 255, 0); });
  EXPECT_EQ(vxCreateRegionFromBitmap(b.get(), clRed), nullptr);
  Fill(b.get(), [](int x, int y) { return (x == 1 || x == 3) && y < 3 ? Q(0, 255, 0, 0) : Q(0, 0, 255, 0); });
  HRGN r = vxCreateRegionFromBitmap(b.get(), clRed);
  ASSERT_NE(r, nullptr);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PtInRegion(r, x, y) != FALSE, (x == 1 || x == 3) && y < 3) << x << "," << y;
  DeleteObject(r);
}

// A 1024 x 1024 pattern of single-pixel runs: the region holds exactly the runs, in rows.
TEST(BitmapRoutines, RegionOfALargeFinePattern) {
  constexpr int N = 1024;
  std::unique_ptr<TBitmap> b(vxCreateBitmapOfSize(TRect{0, 0, N, N}, pf32bit));
  auto opaque = [](int x, int y) { return y == 0 || (y < N - 1 && ((x ^ y) & 1)); };
  Fill(b.get(), [&](int x, int y) { return opaque(x, y) ? Q(0, 255, 0, 0) : Q(0, 0, 255, 0); });
  HRGN r = vxCreateRegionFromBitmap(b.get(), clRed);
  ASSERT_NE(r, nullptr);
  const DWORD size = GetRegionData(r, 0, nullptr);
  std::vector<Byte> data(size);
  ASSERT_EQ(GetRegionData(r, size, reinterpret_cast<RGNDATA*>(data.data())), size);
  const auto* header = reinterpret_cast<const RGNDATAHEADER*>(data.data());
  const auto* rects = reinterpret_cast<const RECT*>(data.data() + header->dwSize);
  std::vector<RECT> expected{RECT{0, 0, N, 1}};
  for (int y = 1; y < N - 1; ++y)
    for (int x = 0; x < N; ++x)
      if (opaque(x, y)) expected.push_back(RECT{x, y, x + 1, y + 1});
  ASSERT_EQ(header->nCount, expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    ASSERT_TRUE(EqualRect(&rects[i], &expected[i])) << i << ": " << rects[i].left << "," << rects[i].top;
  DeleteObject(r);
}

TEST(BitmapRoutines, MaskFromA32BitBitmap) {
  TvxBitmap32 b(3, 1);
  // No alpha used: the transparent colour (the bottom-left pixel) decides.
  Fill(&b, [](int x, int) { return x == 1 ? Q(0, 255, 0, 0) : Q(0, 0, 255, 0); });
  TvxBitmap32 mask(3, 1);
  vxMakeMaskFromBitmap32(&b, &mask);
  EXPECT_TRUE(QuadEq(PixelOf(&mask, 0, 0), Q(255, 255, 255, 255)));
  EXPECT_TRUE(QuadEq(PixelOf(&mask, 1, 0), Q(0, 0, 0, 0)));
  // Alpha used: pixels are kept by their alpha.
  Fill(&b, [](int x, int) { return x == 1 ? Q(0, 255, 0, 255) : Q(0, 0, 0, 0); });
  vxMakeMaskFromBitmap32(&b, &mask);
  EXPECT_TRUE(QuadEq(PixelOf(&mask, 0, 0), Q(255, 255, 255, 255)));
  EXPECT_TRUE(QuadEq(PixelOf(&mask, 1, 0), Q(0, 0, 0, 0)));
}

TEST(BitmapRoutines, BlendPixelFormula) {
  struct {
    RGBQUAD dest, src;
    Byte alpha;
  } cases[] = {
      {Q(0, 0, 0, 0), Q(255, 255, 255, 255), 255},   {Q(200, 100, 50, 255), Q(0, 0, 0, 0), 255},
      {Q(200, 100, 50, 255), Q(64, 64, 64, 128), 255}, {Q(10, 20, 30, 40), Q(100, 100, 100, 255), 128},
  };
  for (const auto& c : cases) {
    RGBQUAD d = c.dest;
    vxBlendPixel(d, c.src, c.alpha);
    const float k = c.alpha / 255.0f, e = k * c.src.rgbReserved, f = 1 - e / 255.0f;
    EXPECT_EQ(d.rgbBlue, std::lrintf(k * c.src.rgbBlue + f * c.dest.rgbBlue));
    EXPECT_EQ(d.rgbRed, std::lrintf(k * c.src.rgbRed + f * c.dest.rgbRed));
    EXPECT_EQ(d.rgbReserved, std::lrintf(e + f * c.dest.rgbReserved));
  }
}

TEST(BitmapRoutines, AlphaBlendOntoARealDC) {
  TestSurface s(20, 10, RGB(0, 0, 255));
  TvxBitmap32 src(4, 4);
  // Premultiplied half-transparent white, and an opaque green pixel.
  Fill(&src, [](int x, int y) { return x == 0 && y == 0 ? Q(0, 255, 0, 255) : Q(128, 128, 128, 128); });
  const TvxAlphaBlendFunc saved = vxAlphaBlendFunc;
  for (bool software : {false, true}) {
    SCOPED_TRACE(software ? "software" : "system");
    s.Clear(RGB(0, 0, 255));
    if (software) vxAlphaBlendFunc = nullptr;
    // Smoothing between equal sizes behaves as without it.
    vxAlphaBlend(s.dc, src.Canvas()->Handle(), TRect{2, 2, 6, 6}, TRect{0, 0, 4, 4}, true, 255);
    vxAlphaBlendFunc = saved;
    EXPECT_EQ(s.At(2, 2), RGB(0, 255, 0));
    const COLORREF mixed = s.At(4, 4);
    EXPECT_NEAR(GetRValue(mixed), 128, 1);
    EXPECT_NEAR(GetBValue(mixed), 128 + 127, 1);
    EXPECT_EQ(s.At(1, 1), RGB(0, 0, 255));
  }
  // Stretched and smoothed (Lanczos): a uniform source stays uniform inside.
  s.Clear(RGB(0, 0, 0));
  TvxBitmap32 solid(3, 3);
  Fill(&solid, [](int, int) { return Q(40, 80, 160, 255); });
  vxAlphaBlend(s.dc, solid.Canvas()->Handle(), TRect{0, 0, 12, 9}, TRect{0, 0, 3, 3}, true, 255);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x) {
      const COLORREF c = s.At(x, y);
      EXPECT_NEAR(GetRValue(c), 160, 3) << x << "," << y;
      EXPECT_NEAR(GetBValue(c), 40, 3) << x << "," << y;
    }
}

TEST(BitmapRoutines, SmoothStretchToAndFromOnePixel) {
  struct {
    const char* name;
    int sw, sh, dw, dh;
  } cases[] = {{"to one column", 8, 6, 1, 6},  {"to one row", 8, 6, 8, 1},  {"to one pixel", 8, 6, 1, 1},
               {"from one column", 1, 6, 7, 6}, {"from one row", 8, 1, 8, 5}, {"from one pixel", 1, 1, 4, 4},
               {"down", 16, 16, 5, 3},          {"up", 3, 3, 10, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvxBitmap32 src(c.sw, c.sh), dst(c.dw, c.dh, true);
    Fill(&src, [](int, int) { return Q(30, 90, 210, 255); });
    vxStretchBitmapSmoothly(&src, &dst, true);
    TRGBColors d;
    ASSERT_TRUE(vxGetBitmapPixels(&dst, true, d));
    // The weights are not normalised: within a few percent of the source.
    for (const auto& p : d) {
      EXPECT_NEAR(p.rgbBlue, 30, 3);
      EXPECT_NEAR(p.rgbGreen, 90, 5);
      EXPECT_NEAR(p.rgbRed, 210, 8);
    }
  }
  // A two-colour edge stays ordered after a smooth enlargement.
  TvxBitmap32 src(2, 1), dst(8, 1, true);
  Fill(&src, [](int x, int) { return x == 0 ? Q(0, 0, 0, 255) : Q(200, 200, 200, 255); });
  vxStretchBitmapSmoothly(&src, &dst, true);
  EXPECT_LT(PixelOf(&dst, 0, 0).rgbBlue, 20);
  EXPECT_GT(PixelOf(&dst, 7, 0).rgbBlue, 180);
  // Empty bitmaps: nothing happens.
  TvxBitmap32 none;
  vxStretchBitmapSmoothly(&none, &dst, true);
  vxStretchBitmapSmoothly(&src, &none, true);
}

}  // namespace

}  // namespace ZS_UNITY_ID
