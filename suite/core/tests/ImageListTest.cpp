#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "Classes.h"
#include "ReferenceImage.h"
#include "Streaming.h"
#include "TestSurface.h"
#include "vxImageList.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);

// A 24-bit bitmap of W x H: cell i (16 pixels wide) is filled with Colors[i] and has a
// fuchsia (transparent) one-pixel border.
std::unique_ptr<TBitmap> Strip(int w, int h, std::vector<TColor> colors) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(clFuchsia);
  b->Canvas()->FillRect(RECT{0, 0, w, h});
  for (size_t i = 0; i < colors.size(); ++i) {
    b->Canvas()->Brush()->SetColor(colors[i]);
    b->Canvas()->FillRect(RECT{static_cast<LONG>(i * 16 + 1), 1, static_cast<LONG>(i * 16 + 15), h - 1});
  }
  return b;
}

// The colour at the centre of image Index as the list stores it.
COLORREF CentreOf(TvxImageList& L, int Index) {
  TBitmap b;
  L.GetImage(Index, &b);
  return b.Empty() ? CLR_INVALID : static_cast<COLORREF>(b.Canvas()->Pixel(b.Width() / 2, b.Height() / 2)) & 0xFFFFFF;
}

// An image with a real alpha channel: an opaque green square, a half-transparent
// (premultiplied) red ring, transparent corners.
std::unique_ptr<TvxBitmap32> AlphaImage() {
  auto b = std::make_unique<TvxBitmap32>(16, 16, true);
  TRGBColors c(256);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      RGBQUAD& p = c[y * 16 + x];
      const int d = std::max(std::abs(2 * x - 15), std::abs(2 * y - 15));
      if (d < 8)
        p = RGBQUAD{0, 200, 0, 255};
      else if (d < 13)
        p = RGBQUAD{0, 0, 128, 128};
      else
        p = RGBQUAD{0, 0, 0, 0};
    }
  vxSetBitmapPixels(b.get(), true, c);
  return b;
}

TEST(ImageList, StripsAndSingleImages) {
  TvxImageList list(16, 16);
  EXPECT_TRUE(list.AlphaBlending());
  auto strip = Strip(64, 16, {clRed, clLime, clBlue, clYellow});
  EXPECT_EQ(list.AddMasked(strip.get(), clFuchsia), 0);
  ASSERT_EQ(list.Count(), 4);
  ASSERT_EQ(list.ImageInfoCollection()->Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list.ImageInfoCollection()->Items(i)->MaskColor(), clFuchsia);
    EXPECT_EQ(list.ImageInfoCollection()->Items(i)->Image()->Width(), 16);
  }
  EXPECT_EQ(CentreOf(list, 2), RGB(0, 0, 255));
  // Not a whole number of cells: one entry with the whole bitmap.
  auto wide = Strip(20, 16, {clGreen});
  list.Add(wide.get(), nullptr);
  ASSERT_EQ(list.Count(), 5);
  ASSERT_EQ(list.ImageInfoCollection()->Count(), 5);
  EXPECT_EQ(list.ImageInfoCollection()->Items(4)->Image()->Width(), 20);
  // The given bitmap is never changed by the masked add.
  EXPECT_EQ(static_cast<COLORREF>(strip->Canvas()->Pixel(0, 0)) & 0xFFFFFF, RGB(255, 0, 255));
  // The mask of a masked image: set (white) on the border, clear inside.
  TBitmap mask;
  list.GetMask(0, &mask);
  ASSERT_FALSE(mask.Empty());
  EXPECT_EQ(static_cast<COLORREF>(mask.Canvas()->Pixel(0, 0)) & 0xFFFFFF, White);
  EXPECT_EQ(static_cast<COLORREF>(mask.Canvas()->Pixel(8, 8)) & 0xFFFFFF, RGB(0, 0, 0));
  // Invalid indexes do nothing.
  TBitmap none;
  list.GetImageInfo(5, &none, nullptr);
  list.GetImageInfo(-1, &none, nullptr);
  EXPECT_TRUE(none.Empty());
}

TEST(ImageList, InsertMoveDeleteKeepTheCollectionInStep) {
  TvxImageList list(16, 16);
  auto strip = Strip(48, 16, {clRed, clLime, clBlue});
  list.AddMasked(strip.get(), clFuchsia);
  auto one = Strip(16, 16, {clYellow});
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  list.InsertMasked(list.Count() + 1, one.get(), clFuchsia);  // past the end: nothing
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(changes, 0);
  list.InsertMasked(list.Count(), one.get(), clFuchsia);  // appends
  EXPECT_EQ(changes, 1);  // one notification per outer operation
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(CentreOf(list, 3), RGB(255, 255, 0));
  list.InsertMasked(1, one.get(), clFuchsia);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(CentreOf(list, 1), RGB(255, 255, 0));
  EXPECT_EQ(CentreOf(list, 2), RGB(0, 255, 0));
  // A strip inserted at 0 keeps its order.
  auto two = Strip(32, 16, {clNavy, clMaroon});
  list.InsertMasked(0, two.get(), clFuchsia);
  ASSERT_EQ(list.Count(), 7);
  EXPECT_EQ(CentreOf(list, 0), RGB(0, 0, 128));
  EXPECT_EQ(CentreOf(list, 1), RGB(128, 0, 0));
  EXPECT_EQ(CentreOf(list, 2), RGB(255, 0, 0));
  // Move(0, 3): the former image 0 lands at 3, images 1..3 shift down.
  list.Move(0, 3);
  EXPECT_EQ(CentreOf(list, 0), RGB(128, 0, 0));
  EXPECT_EQ(CentreOf(list, 1), RGB(255, 0, 0));
  EXPECT_EQ(CentreOf(list, 2), RGB(255, 255, 0));
  EXPECT_EQ(CentreOf(list, 3), RGB(0, 0, 128));
  // The system list agrees with the collection.
  TBitmap fromSystem;
  TvxImageList::GetImageInfo(list.Handle(), 3, &fromSystem, nullptr);
  EXPECT_EQ(static_cast<COLORREF>(fromSystem.Canvas()->Pixel(8, 8)) & 0xFFFFFF, RGB(0, 0, 128));
  list.ReplaceMasked(3, one.get(), clFuchsia);
  EXPECT_EQ(CentreOf(list, 3), RGB(255, 255, 0));
  EXPECT_EQ(list.Count(), 7);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(list.ImageInfoCollection()->Count(), 6);
  EXPECT_EQ(CentreOf(list, 0), RGB(255, 0, 0));
  changes = 0;
  list.BeginUpdate();
  list.Delete(0);
  list.Delete(0);
  EXPECT_EQ(changes, 0);
  list.EndUpdate(true);
  EXPECT_EQ(changes, 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ImageInfoCollection()->Count(), 0);
}

TEST(ImageList, CopyingImagesBetweenLists) {
  TvxImageList source(16, 16);
  auto strip = Strip(64, 16, {clRed, clLime, clBlue, clYellow});
  source.AddMasked(strip.get(), clFuchsia);
  TvxImageList target(16, 16);
  // End -1 stands for the last image, also with a start past 0.
  target.CopyImages(&source, 1, -1);
  ASSERT_EQ(target.Count(), 3);
  EXPECT_EQ(CentreOf(target, 0), RGB(0, 255, 0));
  EXPECT_EQ(CentreOf(target, 2), RGB(255, 255, 0));
  target.CopyImages(&source, -5, 0);  // start below 0 counts from 0
  ASSERT_EQ(target.Count(), 4);
  EXPECT_EQ(CentreOf(target, 3), RGB(255, 0, 0));
  target.CopyImages(&source, 2, 99);  // end past the list
  EXPECT_EQ(target.Count(), 6);
  EXPECT_EQ(target.AddImage(&source, 4), -1);
  EXPECT_EQ(target.AddImage(nullptr, 0), -1);
  EXPECT_EQ(target.AddImage(&source, 2), 6);
  EXPECT_EQ(CentreOf(target, 6), RGB(0, 0, 255));
  target.AddImages(&source);
  EXPECT_EQ(target.Count(), 11);
  EXPECT_EQ(target.ImageInfoCollection()->Items(10)->MaskColor(), clFuchsia);

  // Assigning from a plain system-backed list reads images and masks from its handle.
  TCustomImageList plain(16, 16);
  plain.AddMasked(strip.get(), clFuchsia);
  TvxImageList copy(8, 8);
  copy.Assign(&plain);
  EXPECT_EQ(copy.Width(), 16);
  ASSERT_EQ(copy.Count(), 4);
  EXPECT_EQ(CentreOf(copy, 1), RGB(0, 255, 0));
  copy.Assign(strip.get());  // not an image list: nothing
  EXPECT_EQ(copy.Count(), 4);
}

std::vector<Byte> WriteList(TvxImageList& L) {
  TMemoryStream s;
  TWriter w(&s);
  w.WriteRootComponent(&L);
  const Byte* p = static_cast<const Byte*>(s.Memory());
  return std::vector<Byte>(p, p + s.Size());
}

bool Contains(const std::vector<Byte>& data, const std::string& text) {
  return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
}

TEST(ImageList, StreamingRoundTripsWithAlpha) {
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress ? "compressed" : "plain");
    TvxImageList list(16, 16);
    list.SetName(L"Images");
    auto alpha = AlphaImage();
    list.Add(alpha.get(), nullptr);
    auto strip = Strip(32, 16, {clRed, clBlue});
    list.AddMasked(strip.get(), clFuchsia);
    list.SetCompressData(compress);
    const auto data = WriteList(list);
    EXPECT_TRUE(Contains(data, "FormatVersion"));
    EXPECT_TRUE(Contains(data, "ImageInfo"));
    EXPECT_EQ(Contains(data, "XDBM"), compress);
    EXPECT_FALSE(Contains(data, "Bitmap"));  // the plain system list is never written

    TMemoryStream s;
    s.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
    s.SetPosition(0);
    TvxImageList back;  // default size: the stream leaves out the default 16 x 16
    TReader r(&s);
    r.ReadRootComponent(&back);
    EXPECT_EQ(back.FormatVersion(), 1);
    EXPECT_EQ(back.Width(), 16);
    ASSERT_EQ(back.Count(), 3);
    ASSERT_EQ(back.ImageInfoCollection()->Count(), 3);
    EXPECT_EQ(back.ImageInfoCollection()->Items(1)->MaskColor(), clFuchsia);
    EXPECT_EQ(back.ImageInfoCollection()->Items(0)->MaskColor(), clNone);
    // The alpha channel survives exactly.
    TvxBitmap32 a, b;
    list.GetImage(0, &a);
    back.GetImage(0, &b);
    TRGBColors pa, pb;
    ASSERT_TRUE(vxGetBitmapPixels(&a, true, pa));
    ASSERT_TRUE(vxGetBitmapPixels(&b, true, pb));
    ASSERT_EQ(pa.size(), pb.size());
    EXPECT_EQ(std::memcmp(pa.data(), pb.data(), pa.size() * 4), 0);
    EXPECT_EQ(pb[0].rgbReserved, 0);
    EXPECT_EQ(pb[8 * 16 + 3].rgbReserved, 128);
    EXPECT_EQ(CentreOf(back, 2), RGB(0, 0, 255));
  }
  // An empty list writes its version and design information, but no images.
  TvxImageList empty(16, 16);
  const auto data = WriteList(empty);
  EXPECT_TRUE(Contains(data, "FormatVersion"));
  EXPECT_TRUE(Contains(data, "DesignInfo"));
  EXPECT_FALSE(Contains(data, "ImageInfo"));
}

TEST(ImageList, DrawingCentredStretchedAndDisabled) {
  TvxImageList list(16, 16);
  auto one = Strip(16, 16, {clBlue});
  list.AddMasked(one.get(), clFuchsia);
  TestSurface s(64, 64);
  // A larger rectangle without stretching: centred, the border transparent.
  list.Draw(s.canvas.get(), TRect{0, 0, 40, 30}, 0);
  EXPECT_EQ(s.InkBounds(White).left, 12 + 1);
  EXPECT_EQ(s.InkBounds(White).top, 7 + 1);
  EXPECT_EQ(s.At(20, 15), RGB(0, 0, 255));
  EXPECT_EQ(s.At(12, 7), White);
  // Stretched and smoothed: the image covers the rectangle.
  s.Clear(White);
  list.Draw(s.canvas.get(), TRect{0, 0, 48, 48}, 0, true, true);
  // Smoothing rings a little near the edges.
  EXPECT_GE(GetBValue(s.At(24, 24)), 250);
  EXPECT_LE(GetRValue(s.At(24, 24)), 5);
  EXPECT_EQ(s.At(60, 60), White);
  EXPECT_NE(s.At(44, 24), White);
  // The platform entry point draws at the list's size.
  s.Clear(White);
  list.Draw(s.canvas.get(), 10, 10, 0, true);
  EXPECT_EQ(s.At(18, 18), RGB(0, 0, 255));
  EXPECT_EQ(s.At(10, 10), White);
  // Disabled: no longer blue, the transparent border untouched.
  s.Clear(White);
  list.Draw(s.canvas.get(), 10, 10, 0, false);
  EXPECT_NE(s.At(18, 18), RGB(0, 0, 255));
  EXPECT_NE(s.At(18, 18), White);
  EXPECT_EQ(s.At(10, 10), White);
  // Out of range: nothing.
  s.Clear(White);
  list.Draw(s.canvas.get(), TRect{0, 0, 16, 16}, 1);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 64, 64}, White), 0);
}

TEST(ImageList, SettingTheListReference) {
  TvxImageList a(16, 16), b(16, 16);
  TComponent client(nullptr);
  TChangeLink link;
  int told = 0;
  link.OnChange = [&](TObject*) { ++told; };
  TCustomImageList* field = nullptr;
  vxSetImageListRef(&a, field, &link, &client);
  EXPECT_EQ(field, &a);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(link.Sender(), &a);
  vxSetImageListRef(&a, field, &link, &client);  // the same list: nothing at all
  EXPECT_EQ(told, 1);
  vxSetImageListRef(nullptr, field, &link, &client);
  EXPECT_EQ(field, nullptr);
  EXPECT_EQ(told, 2);
  EXPECT_EQ(link.Sender(), nullptr);
  EXPECT_TRUE(vxIsImageIndexValid(&a, -1) == false);
  auto one = Strip(16, 16, {clBlue});
  b.AddMasked(one.get(), clFuchsia);
  EXPECT_TRUE(vxIsImageIndexValid(&b, 0));
  EXPECT_FALSE(vxIsImageIndexValid(&b, 1));
  EXPECT_FALSE(vxIsImageIndexValid(nullptr, 0));
}

// Every draw mode of a masked image and of an image with alpha, on a patterned
// background: one reference image, plus what each mode must do to the pixels.
TEST(ImageDraw, SixModesOfMaskedAndAlphaImages) {
  TvxImageList list(16, 16);
  auto masked = Strip(16, 16, {static_cast<TColor>(RGB(200, 40, 40))});
  list.AddMasked(masked.get(), clFuchsia);
  auto alpha = AlphaImage();
  list.Add(alpha.get(), nullptr);
  TestSurface s(6 * 24, 2 * 24);
  for (int y = 0; y < s.H; ++y)
    for (int x = 0; x < s.W; ++x) s.bits[y * s.W + x] = ((x / 4 + y / 4) % 2) ? 0xE0E0E0 : 0xB0B0F0;
  for (int image = 0; image < 2; ++image)
    for (Byte mode = 0; mode < 6; ++mode) {
      const TRect r{mode * 24 + 4, image * 24 + 4, mode * 24 + 20, image * 24 + 20};
      vxDrawImageViaAlphaBitmap(s.dc, r, TRect{mode * 24, image * 24, mode * 24 + 24, image * 24 + 24}, nullptr, &list,
                                image, mode);
    }
  const auto at = [&](int mode, int image, int x, int y) { return s.At(mode * 24 + 4 + x, image * 24 + 4 + y); };
  const COLORREF bg00 = RGB(0xB0, 0xB0, 0xF0);  // the pattern behind (4, 4) of every cell
  // Normal: the image's colours, the masked border shows the background.
  EXPECT_EQ(at(0, 0, 8, 8), RGB(200, 40, 40));
  EXPECT_EQ(at(0, 0, 0, 0), bg00);
  EXPECT_EQ(at(0, 1, 8, 8), RGB(0, 200, 0));
  EXPECT_EQ(at(0, 1, 0, 0), bg00);
  // Grayscale: equal channels of the average.
  EXPECT_EQ(at(3, 0, 8, 8), RGB(93, 93, 93));
  // Faded and disabled images are gray and lighter or blended.
  const COLORREF faded = at(2, 1, 8, 8), disabled = at(1, 1, 8, 8);
  EXPECT_NE(faded, RGB(0, 200, 0));
  EXPECT_NE(disabled, RGB(0, 200, 0));
  // Dingy: lighter than normal.
  EXPECT_GT(GetGValue(at(4, 0, 8, 8)), 40);
  // Shadowed: the shadow below and right of the opaque part.
  EXPECT_EQ(at(5, 0, 7, 7), RGB(200, 40, 40));  // moved up-left by one
  EXPECT_EQ(at(5, 0, 15, 15), ColorToRGB(clBtnShadow));
  zs_test::ExpectMatchesReference(L"image_draw_modes", s.W, s.H, s.Pixels());

  // A bitmap instead of a list image, over a brush, with its transparent colour.
  TestSurface t(24, 24);
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
  vxDrawImageViaAlphaBitmap(t.dc, TRect{4, 4, 20, 20}, TRect{0, 0, 24, 24}, masked.get(), nullptr, -1,
                            vxImageDrawNormal, false, brush);
  DeleteObject(brush);
  EXPECT_EQ(t.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(t.At(4, 4), RGB(0, 0, 0));  // fuchsia was transparent
  EXPECT_EQ(t.At(12, 12), RGB(200, 40, 40));
  // Nothing to draw: nothing drawn.
  t.Clear(White);
  vxDrawImageViaAlphaBitmap(t.dc, TRect{4, 4, 20, 20}, TRect{0, 0, 24, 24}, nullptr, &list, 7, 0);
  EXPECT_EQ(t.CountNot(RECT{0, 0, 24, 24}, White), 0);
  // A hook that draws instead.
  vxDrawImageHook = [](TCanvas* C, TCustomImageList*, Integer, Byte, const TRect& R, TBitmap*) {
    C->Brush()->SetColor(clRed);
    C->FillRect(R);
    return true;
  };
  vxDrawImageViaAlphaBitmap(t.dc, TRect{4, 4, 20, 20}, TRect{0, 0, 24, 24}, nullptr, &list, 0, 0);
  vxDrawImageHook = nullptr;
  EXPECT_EQ(t.At(4, 4), RGB(255, 0, 0));
  EXPECT_EQ(t.At(2, 2), White);
}

}  // namespace

namespace {

TEST(ImageList, IconsFilesAndHandles) {
  TvxImageList list(16, 16);
  auto one = Strip(16, 16, {clBlue});
  list.AddMasked(one.get(), clFuchsia);
  // An icon: its image and mask are read back from the system list and recorded.
  HICON raw = ImageList_GetIcon(list.Handle(), 0, ILD_NORMAL);
  ASSERT_NE(raw, nullptr);
  TIcon icon;
  icon.SetHandle(raw);
  EXPECT_EQ(list.AddIcon(&icon), 1);
  ASSERT_EQ(list.ImageInfoCollection()->Count(), 2);
  EXPECT_EQ(list.ImageInfoCollection()->Items(1)->Image()->Width(), 16);
  EXPECT_EQ(CentreOf(list, 1), RGB(0, 0, 255));
  list.InsertIcon(0, &icon);
  EXPECT_EQ(list.Count(), 3);
  list.InsertIcon(9, &icon);  // past the end: nothing
  EXPECT_EQ(list.Count(), 3);
  auto yellow = Strip(16, 16, {clYellow});
  list.ReplaceMasked(0, yellow.get(), clFuchsia);
  EXPECT_EQ(CentreOf(list, 0), RGB(255, 255, 0));
  EXPECT_EQ(list.Count(), 3);

  // A bitmap strip loaded from a file is appended cell by cell.
  wchar_t folder[MAX_PATH], file[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"zsi", 0, file);
  auto strip = Strip(48, 16, {clRed, clLime, clBlue});
  strip->SaveToFile(file);
  TvxImageList loaded(16, 16);
  EXPECT_TRUE(loaded.LoadImage(nullptr, file, clFuchsia, 16, TLoadResources{lrFromFile}));
  DeleteFileW(file);
  ASSERT_EQ(loaded.Count(), 3);
  ASSERT_EQ(loaded.ImageInfoCollection()->Count(), 3);
  EXPECT_EQ(CentreOf(loaded, 1), RGB(0, 255, 0));
  EXPECT_FALSE(loaded.LoadImage(nullptr, L"Z:\\no\\such\\file.bmp", clFuchsia, 16, TLoadResources{lrFromFile}));
  EXPECT_EQ(loaded.Count(), 3);

  // Taking a system list: its images become this list's, and the given list is gone.
  HIMAGELIST other = ImageList_Duplicate(loaded.Handle());
  list.SetHandle(other);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.ImageInfoCollection()->Count(), 3);
  EXPECT_EQ(CentreOf(list, 2), RGB(0, 0, 255));
  EXPECT_NE(list.Handle(), other);
  EXPECT_EQ(TvxImageList::GetPixelFormat(list.Handle()), 32);
  TvxImageList none(16, 16);
  EXPECT_EQ(TvxImageList::GetPixelFormat(none.Handle()), 0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
