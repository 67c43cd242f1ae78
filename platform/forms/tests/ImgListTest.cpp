#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "ImgList.h"
#include "Streaming.h"

namespace ZS_UNITY_ID {

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

namespace {

// The colour of a pixel of image Index, read back from the list's own image strip.
TColor StoredPixel(TCustomImageList& List, int Index, int X, int Y) {
  TBitmap b;
  if (!List.GetBitmap(Index, &b)) return clNone;
  return b.Canvas()->Pixel(X, Y) & 0xFFFFFF;
}

// A strip of framed squares, one per colour, in a bitmap of the given pixel format.
std::unique_ptr<TBitmap> Strip(std::initializer_list<TColor> Colors, TColor Bg, TPixelFormat Pf = pf24bit) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(Pf);
  b->SetSize(16 * static_cast<int>(Colors.size()), 16);
  b->Canvas()->Brush()->SetColor(Bg);
  b->Canvas()->FillRect(RECT{0, 0, b->Width(), 16});
  int x = 0;
  for (TColor c : Colors) {
    b->Canvas()->Brush()->SetColor(c);
    b->Canvas()->FillRect(RECT{x + 2, 2, x + 14, 14});
    x += 16;
  }
  return b;
}

}  // namespace

// Moving an image shifts those between; every image keeps its own pixels and mask.
TEST(ImgListTest, MoveShiftsTheImagesBetween) {
  TImageList list(nullptr);
  for (TColor c : {clRed, clLime, clBlue, clYellow}) {
    auto b = Framed(c, clFuchsia);
    list.AddMasked(b.get(), clFuchsia);
  }
  auto order = [&] {
    std::vector<TColor> r;
    for (int i = 0; i < list.Count(); ++i) r.push_back(StoredPixel(list, i, 8, 8));
    return r;
  };
  list.Move(0, 3);
  EXPECT_EQ(order(), (std::vector<TColor>{clLime, clBlue, clYellow, clRed}));
  list.Move(3, 1);
  EXPECT_EQ(order(), (std::vector<TColor>{clLime, clRed, clBlue, clYellow}));
  list.Move(2, 3);
  EXPECT_EQ(order(), (std::vector<TColor>{clLime, clRed, clYellow, clBlue}));
  // The masks moved with the images: the frame stays transparent.
  for (int i = 0; i < 4; ++i) {
    auto t = Target(clBlack, 16, 16);
    list.Draw(t->Canvas(), 0, 0, i);
    EXPECT_EQ(clBlack, t->Canvas()->Pixel(0, 0)) << i;
    EXPECT_EQ(order()[i], t->Canvas()->Pixel(8, 8)) << i;
  }
  EXPECT_THROW(list.Move(0, 4), EInvalidOperation);
  // Replacing takes a bitmap just drawn through its canvas.
  auto aqua = Framed(clAqua, clFuchsia);
  list.Replace(0, aqua.get(), nullptr);
  EXPECT_EQ(clAqua, StoredPixel(list, 0, 8, 8));
  EXPECT_EQ(clRed, StoredPixel(list, 1, 8, 8));
}

// Masked images from bitmaps whose canvas is in use, with the default mask colour (the
// bottom-left pixel) and from 16-colour bitmaps.
TEST(ImgListTest, AddMaskedTakesTheDefaultColourAndSixteenColourBitmaps) {
  struct {
    TPixelFormat Pf;
    TColor Mask;
  } cases[] = {{pf24bit, clDefault}, {pf4bit, clFuchsia}, {pf4bit, clDefault},
               {pfDevice, clDefault}, {pf8bit, clFuchsia}};
  for (auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Pf << " " << c.Mask);
    TImageList list(nullptr);
    auto b = Strip({clRed}, clFuchsia, c.Pf);
    ASSERT_EQ(0, list.AddMasked(b.get(), c.Mask));
    EXPECT_EQ(clRed, StoredPixel(list, 0, 8, 8));
    auto t = Target(clLime, 16, 16);
    list.Draw(t->Canvas(), 0, 0, 0);
    EXPECT_EQ(clLime, t->Canvas()->Pixel(0, 0));
    EXPECT_EQ(clLime, t->Canvas()->Pixel(15, 15));
    EXPECT_EQ(clRed, t->Canvas()->Pixel(8, 8));
    // The source keeps its pixels.
    EXPECT_EQ(clFuchsia, b->Canvas()->Pixel(0, 15));
  }
}

// A wide bitmap adds as many images as the list's width fits into it.
TEST(ImgListTest, AStripAddsOneImagePerWidth) {
  TImageList list(nullptr);
  auto s = Strip({clRed, clLime, clBlue}, clFuchsia);
  EXPECT_EQ(0, list.Add(s.get(), nullptr));
  ASSERT_EQ(3, list.Count());
  EXPECT_EQ(3, list.AddMasked(s.get(), clFuchsia));
  ASSERT_EQ(6, list.Count());
  const TColor want[] = {clRed, clLime, clBlue, clRed, clLime, clBlue};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(want[i], StoredPixel(list, i, 8, 8)) << i;
  // Only the masked ones show the background through the frame.
  auto t = Target(clBlack, 16, 16);
  list.Draw(t->Canvas(), 0, 0, 4);
  EXPECT_EQ(clBlack, t->Canvas()->Pixel(0, 0));
  EXPECT_EQ(clLime, t->Canvas()->Pixel(8, 8));
  // A remainder narrower than an image is left out.
  auto odd = std::make_unique<TBitmap>();
  odd->Assign(s.get());
  odd->SetWidth(40);
  EXPECT_EQ(6, list.Add(odd.get(), nullptr));
  EXPECT_EQ(8, list.Count());
  EXPECT_EQ(clLime, StoredPixel(list, 7, 8, 8));
}

namespace {

class TStreamedImageList : public TImageList {
 public:
  using TImageList::TImageList;
  using TCustomImageList::ReadData;
  using TCustomImageList::WriteData;
};

// Header fields of the image-list stream, by byte offset.
enum : size_t { HCount = 4, HCapacity = 6, HGrow = 8, HWidth = 10, HHeight = 12 };
void PutWord(std::vector<Byte>& D, size_t At, WORD V) { std::memcpy(D.data() + At, &V, sizeof V); }

}  // namespace

// Image-list data from a form is checked before the system reads it: well-formed data
// of a masked and of a 32-bit list reads back, damaged headers and bitmaps are refused.
TEST(ImgListTest, DamagedImageListDataIsRefused) {
  for (bool alpha : {false, true}) {
    SCOPED_TRACE(alpha ? "32-bit" : "masked");
    TStreamedImageList src(nullptr);
    if (alpha) {
      src.SetColorDepth(cd32Bit);
      auto a = AlphaImage();
      src.Add(a.get(), nullptr);
      src.Add(a.get(), nullptr);
    } else {
      auto red = Framed(clRed, clFuchsia);
      src.AddMasked(red.get(), clFuchsia);
      src.AddMasked(red.get(), clFuchsia);
    }
    TMemoryStream written;
    src.WriteData(&written);
    std::vector<Byte> good(static_cast<size_t>(written.Size()));
    written.SetPosition(0);
    written.ReadBuffer(good.data(), static_cast<Integer>(good.size()));

    auto read = [](const std::vector<Byte>& D) {
      TMemoryStream ms;
      if (!D.empty()) ms.WriteBuffer(D.data(), static_cast<Integer>(D.size()));
      ms.SetPosition(0);
      TStreamedImageList dst(nullptr);
      dst.ReadData(&ms);
      return dst.Count();
    };
    EXPECT_EQ(read(good), 2);

    const size_t infoAt = 28 + sizeof(BITMAPFILEHEADER);
    struct {
      const char* What;
      std::function<void(std::vector<Byte>&)> Damage;
    } cases[] = {
        {"empty", [](auto& d) { d.clear(); }},
        {"not an image list", [](auto& d) { d[0] = 'X'; }},
        {"cut in the header", [](auto& d) { d.resize(20); }},
        {"cut in the bitmap", [](auto& d) { d.resize(d.size() / 2); }},
        {"huge bitmap height", [&](auto& d) { std::memcpy(d.data() + infoAt + 8, "\x10\x00\x00\x02", 4); }},
        {"huge image size", [](auto& d) { PutWord(d, HWidth, 1288); PutWord(d, HHeight, 26967); }},
        {"count 65281", [](auto& d) { PutWord(d, HCount, 65281); PutWord(d, HCapacity, 65535); }},
        {"count above capacity", [](auto& d) { PutWord(d, HCount, 9); }},
        {"capacity and growth 65535", [](auto& d) { PutWord(d, HCapacity, 65535); PutWord(d, HGrow, 65535); }},
        {"zero image width", [](auto& d) { PutWord(d, HWidth, 0); }},
    };
    for (const auto& c : cases) {
      std::vector<Byte> bad = good;
      c.Damage(bad);
      try {
        read(bad);
        ADD_FAILURE() << c.What << ": accepted";
      } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), L"Invalid image list data") << c.What;
      }
    }
  }
}

}  // namespace ZS_UNITY_ID
