#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "Classes.h"
#include "Graphics.h"
#include "Jpeg.h"

#include <psapi.h>

namespace ZS_UNITY_ID {

namespace {

// A smooth colour gradient with a white square: compresses well, so the decoded
// pixels stay close to the originals.
std::unique_ptr<TBitmap> Gradient(int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  for (int y = 0; y < H; ++y) {
    auto* p = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < W; ++x) {
      bool square = x >= 16 && x < 32 && y >= 16 && y < 32;
      p[x * 3 + 0] = square ? 255 : static_cast<Byte>(x * 255 / W);
      p[x * 3 + 1] = square ? 255 : static_cast<Byte>(y * 255 / H);
      p[x * 3 + 2] = square ? 255 : 128;
    }
  }
  return b;
}

struct TDiff {
  double Mean = 0;
  int Max = 0;
};

TDiff Compare(TBitmap* A, TBitmap* B) {
  TDiff d;
  long sum = 0, n = 0;
  for (int y = 0; y < A->Height(); ++y) {
    auto* p = static_cast<Byte*>(A->ScanLine(y));
    auto* q = static_cast<Byte*>(B->ScanLine(y));
    for (int i = 0; i < A->Width() * 3; ++i) {
      int e = std::abs(p[i] - q[i]);
      sum += e;
      ++n;
      if (e > d.Max) d.Max = e;
    }
  }
  d.Mean = n ? static_cast<double>(sum) / n : 0;
  return d;
}

}  // namespace

// Encoding at high quality and decoding again gives the same picture within a small
// error: mean channel difference under 3, no channel off by more than 40 (edges of the
// white square ring a little).
TEST(JpegTest, EncodeDecodeRoundTripWithinTolerance) {
  auto src = Gradient(64, 48);
  TJPEGImage jpg;
  jpg.SetCompressionQuality(95);
  jpg.Assign(src.get());
  TBytes data = jpg.SaveToBytes();
  ASSERT_GT(data.size(), 100u);
  EXPECT_EQ(0xFF, data[0]);
  EXPECT_EQ(0xD8, data[1]);

  TJPEGImage back;
  back.LoadFromBytes(data);
  EXPECT_EQ(64, back.Width());
  EXPECT_EQ(48, back.Height());
  TBitmap out;
  out.Assign(&back);
  out.SetPixelFormat(pf24bit);
  ASSERT_EQ(64, out.Width());
  TDiff d = Compare(src.get(), &out);
  EXPECT_LT(d.Mean, 3.0);
  EXPECT_LE(d.Max, 40);

  // Lower quality gives smaller data and a larger, still bounded error.
  TJPEGImage low;
  low.SetCompressionQuality(20);
  low.Assign(src.get());
  TBytes small = low.SaveToBytes();
  EXPECT_LT(small.size(), data.size());
}

TEST(JpegTest, GrayscaleScaleAndPalettedDecoding) {
  auto src = Gradient(64, 48);
  TJPEGImage jpg;
  jpg.Assign(src.get());
  TBytes colour = jpg.SaveToBytes();

  TJPEGImage j;
  j.LoadFromBytes(colour);
  j.SetScale(jsQuarter);
  EXPECT_EQ(16, j.Width());
  EXPECT_EQ(12, j.Height());
  EXPECT_EQ(16, j.Bitmap()->Width());

  j.SetScale(jsFullSize);
  j.SetGrayscale(true);
  TBitmap gray;
  gray.Assign(&j);
  gray.SetPixelFormat(pf24bit);
  auto* row = static_cast<Byte*>(gray.ScanLine(40));
  for (int x = 0; x < 64; x += 7) {
    EXPECT_EQ(row[x * 3], row[x * 3 + 1]);
    EXPECT_EQ(row[x * 3], row[x * 3 + 2]);
  }

  j.SetGrayscale(false);
  j.SetPixelFormat(jf8Bit);
  EXPECT_EQ(pf8bit, j.Bitmap()->PixelFormat());
  TBitmap pal;
  pal.Assign(&j);
  pal.SetPixelFormat(pf24bit);
  EXPECT_LT(Compare(src.get(), &pal).Mean, 12.0);
}

// Damaged data raises EJPEG and leaves the image as it was.
TEST(JpegTest, CorruptDataRaisesAndKeepsImage) {
  auto src = Gradient(64, 48);
  TJPEGImage good;
  good.Assign(src.get());
  TBytes data = good.SaveToBytes();

  TBytes truncated(data.begin(), data.begin() + data.size() / 2);
  TBytes garbage(300);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<Byte>(i * 37 + 11);
  TBytes headerOnly{0xFF, 0xD8, 0xFF, 0xD9};
  TBytes noHeight = data;
  for (size_t i = 0; i + 8 < noHeight.size(); ++i)
    if (noHeight[i] == 0xFF && noHeight[i + 1] == 0xC0) {  // frame header: height = 0
      noHeight[i + 5] = 0;
      noHeight[i + 6] = 0;
      break;
    }
  struct Case {
    const char* Name;
    TBytes Bytes;
  } cases[] = {{"truncated", truncated}, {"garbage", garbage}, {"no frame", headerOnly},
               {"no height", noHeight}, {"empty", TBytes()}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TJPEGImage j;
    j.Assign(&good);
    // Loading may fail on the header or only when the pixels are decoded.
    EXPECT_THROW(
        {
          j.LoadFromBytes(c.Bytes);
          j.DIBNeeded();
        },
        EJPEG);
  }
  TJPEGImage keep;
  keep.LoadFromBytes(data);
  EXPECT_THROW(keep.LoadFromBytes(garbage), EJPEG);
  EXPECT_EQ(64, keep.Width());
  EXPECT_EQ(data, keep.SaveToBytes());
}

// A header claiming a huge image is refused before anything is allocated for it, and a
// failed decode leaves nothing behind however often it is tried.
TEST(JpegTest, HugeHeadersAreRefusedAndFailedDecodesLeakNothing) {
  auto src = Gradient(64, 48);
  TJPEGImage good;
  good.Assign(src.get());
  const TBytes data = good.SaveToBytes();
  auto claiming = [&](unsigned w, unsigned h) {
    TBytes b = data;
    for (size_t i = 0; i + 8 < b.size(); ++i)
      if (b[i] == 0xFF && b[i + 1] == 0xC0) {
        b[i + 5] = static_cast<Byte>(h >> 8);
        b[i + 6] = static_cast<Byte>(h);
        b[i + 7] = static_cast<Byte>(w >> 8);
        b[i + 8] = static_cast<Byte>(w);
        break;
      }
    return b;
  };
  for (unsigned side : {16384u, 65500u}) {
    SCOPED_TRACE(side);
    TJPEGImage j;
    j.LoadFromBytes(claiming(side, side));  // the header alone is fine
    EXPECT_EQ(j.Width(), static_cast<Integer>(side));
    try {
      j.DIBNeeded();
      ADD_FAILURE() << "decoded";
    } catch (const EJPEG& e) {
      EXPECT_NE(e.Message().find(L"too large"), String::npos) << e.Message();
    }
  }
  auto privateBytes = [] {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                            sizeof pmc);
    return static_cast<long long>(pmc.PrivateUsage);
  };
  // Damaged data that fails half-way through the rows, over and over.
  const TBytes wide = claiming(4000, 48);
  TJPEGImage warm;
  warm.LoadFromBytes(wide);
  EXPECT_THROW(warm.DIBNeeded(), EJPEG);
  const long long before = privateBytes();
  for (int i = 0; i < 100; ++i) {
    TJPEGImage j;
    j.LoadFromBytes(i % 2 ? wide : claiming(65500, 65500));
    EXPECT_THROW(j.DIBNeeded(), EJPEG);
  }
  EXPECT_LT(privateBytes() - before, 20ll << 20);
}

TEST(JpegTest, PictureOpensJpegFilesByExtension) {
  EXPECT_EQ(TJPEGImage::StaticClass(), TPicture::FileFormatFor(L"jpg"));
  EXPECT_EQ(TJPEGImage::StaticClass(), TPicture::FileFormatFor(L"JPEG"));
  auto src = Gradient(40, 30);
  TJPEGImage jpg;
  jpg.Assign(src.get());
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  String path = String(dir) + L"zs_jpeg_test.jpg";
  jpg.SaveToFile(path);
  TPicture pic;
  pic.LoadFromFile(path);
  DeleteFileW(path.c_str());
  ASSERT_NE(nullptr, dynamic_cast<TJPEGImage*>(pic.Graphic()));
  EXPECT_EQ(40, pic.Width());
  EXPECT_EQ(30, pic.Height());
}

}  // namespace ZS_UNITY_ID
