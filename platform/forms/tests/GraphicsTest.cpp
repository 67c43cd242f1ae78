#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Classes.h"
#include "Graphics.h"

namespace ZS_UNITY_ID {

namespace {


TEST(Colors, IdentifiersNumbersAndSystemColours) {
  struct { TColor c; const wchar_t* text; } cases[] = {
      {clRed, L"clRed"}, {clBtnFace, L"clBtnFace"}, {clNone, L"clNone"},
      {clDefault, L"clDefault"}, {0x123456, L"$00123456"}, {clWindowText, L"clWindowText"},
      {static_cast<TColor>(0xFF00001F), L"$FF00001F"}};
  for (auto& c : cases) {
    EXPECT_EQ(ColorToString(c.c), c.text);
    EXPECT_EQ(StringToColor(c.text), c.c) << c.text;
  }
  EXPECT_EQ(clBtnFace, static_cast<TColor>(0xFF00000F));
  EXPECT_EQ(clNone, 0x1FFFFFFF);
  EXPECT_EQ(clDefault, 0x20000000);
  EXPECT_EQ(StringToColor(L"CLBLUE"), clBlue);
  EXPECT_EQ(StringToColor(L"255"), clRed);
  Integer c = 0;
  EXPECT_FALSE(IdentToColor(L"clNoSuchColour", c));
  EXPECT_THROW(StringToColor(L"reddish"), EConvertError);
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<Integer>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(ColorToRGB(clHighlight), static_cast<Integer>(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0x00ABCDEF);
}

TEST(Font, HandlesAreSharedByEqualFontsAndFollowChanges) {
  TFont a, b;
  a.SetName(L"Arial");
  b.SetName(L"Arial");
  a.SetHeight(-13);
  b.SetHeight(-13);
  HFONT h = a.Handle();
  EXPECT_EQ(b.Handle(), h);
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.SetStyle({fsBold});
  EXPECT_EQ(changes, 1);
  HFONT bold = b.Handle();
  EXPECT_NE(bold, h);
  LOGFONTW lf{};
  ASSERT_TRUE(GetObjectW(bold, sizeof lf, &lf));
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfHeight, -13);
  b.SetStyle({});
  EXPECT_EQ(b.Handle(), h);
  b.SetHeight(-13);  // unchanged value: no notification
  EXPECT_EQ(changes, 2);
  // The shared handle stays valid while one font still uses it.
  { TFont c; c.Assign(&a); EXPECT_EQ(c.Handle(), h); }
  EXPECT_TRUE(GetObjectW(h, sizeof lf, &lf));

  a.SetPixelsPerInch(96);
  a.SetSize(9);
  EXPECT_EQ(a.Height(), -12);
  EXPECT_EQ(a.Size(), 9);
}

TEST(Font, TakenOverHandleKeepsItsWholeDescription) {
  // A rotated, semi-bold, TrueType-only font with a kept quality and family.
  LOGFONTW in{};
  in.lfHeight = -17;
  in.lfWidth = 7;
  in.lfEscapement = 900;
  in.lfOrientation = 900;
  in.lfWeight = FW_SEMIBOLD;
  in.lfItalic = TRUE;
  in.lfCharSet = ANSI_CHARSET;
  in.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  in.lfClipPrecision = CLIP_LH_ANGLES;
  in.lfQuality = ANTIALIASED_QUALITY;
  in.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  wcscpy(in.lfFaceName, L"Arial");
  HFONT given = CreateFontIndirectW(&in);
  ASSERT_NE(given, nullptr);

  auto Same = [](const LOGFONTW& a, const LOGFONTW& b) {
    EXPECT_EQ(a.lfHeight, b.lfHeight);
    EXPECT_EQ(a.lfWidth, b.lfWidth);
    EXPECT_EQ(a.lfEscapement, b.lfEscapement);
    EXPECT_EQ(a.lfOrientation, b.lfOrientation);
    EXPECT_EQ(a.lfWeight, b.lfWeight);
    EXPECT_EQ(a.lfItalic, b.lfItalic);
    EXPECT_EQ(a.lfUnderline, b.lfUnderline);
    EXPECT_EQ(a.lfStrikeOut, b.lfStrikeOut);
    EXPECT_EQ(a.lfCharSet, b.lfCharSet);
    EXPECT_EQ(a.lfOutPrecision, b.lfOutPrecision);
    EXPECT_EQ(a.lfClipPrecision, b.lfClipPrecision);
    EXPECT_EQ(a.lfQuality, b.lfQuality);
    EXPECT_EQ(a.lfPitchAndFamily, b.lfPitchAndFamily);
    EXPECT_STREQ(a.lfFaceName, b.lfFaceName);
  };
  TFont f;
  f.SetHandle(given);
  LOGFONTW out{};
  ASSERT_TRUE(GetObjectW(f.Handle(), sizeof out, &out));
  Same(out, in);
  EXPECT_EQ(f.Orientation(), 900);
  EXPECT_EQ(f.Quality(), fqAntialiased);
  EXPECT_TRUE(f.Style().Contains(fsItalic));
  EXPECT_FALSE(f.Style().Contains(fsBold));

  // Taken over from a device context: the font selected into it.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, given);
  TFont g;
  g.SetHandle(static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT)));
  SelectObject(dc, old);
  DeleteDC(dc);
  ASSERT_TRUE(GetObjectW(g.Handle(), sizeof out, &out));
  Same(out, in);

  // Making it bold replaces the kept weight; a property change keeps the rest.
  f.SetStyle({fsBold});
  ASSERT_TRUE(GetObjectW(f.Handle(), sizeof out, &out));
  EXPECT_EQ(out.lfWeight, FW_BOLD);
  EXPECT_EQ(out.lfOutPrecision, OUT_TT_ONLY_PRECIS);
  f.SetOrientation(450);
  ASSERT_TRUE(GetObjectW(f.Handle(), sizeof out, &out));
  EXPECT_EQ(out.lfEscapement, 450);
  EXPECT_EQ(out.lfOrientation, 450);
  EXPECT_EQ(out.lfOutPrecision, OUT_TT_ONLY_PRECIS);
  DeleteObject(given);
}

// Draws with Fn into a fresh 32x32 white bitmap and returns its pixels.
template <class F>
std::vector<COLORREF> DrawnPixels(F Fn) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(GetDC(nullptr), 32, 32);
  HGDIOBJ old = SelectObject(dc, bm);
  RECT r{0, 0, 32, 32};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Fn(dc, r);
  std::vector<COLORREF> px;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) px.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bm);
  DeleteDC(dc);
  return px;
}

// The system draws frame buttons and menu check marks with the symbol font; without it
// they show as plain letters ("r" for close, "a" for a check mark).
TEST(Font, TheSymbolFontForFrameControlsIsInstalled) {
  HFONT marlett = CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0,
                              L"Marlett");
  HFONT plain = CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                            L"Tahoma");
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, marlett);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_STREQ(face, L"Marlett");

  auto Letter = [](HFONT f, const wchar_t* s) {
    return DrawnPixels([&](HDC d, RECT r) {
      HGDIOBJ o = SelectObject(d, f);
      SetBkMode(d, TRANSPARENT);
      DrawTextW(d, s, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(d, o);
    });
  };
  EXPECT_NE(Letter(marlett, L"r"), Letter(plain, L"r"));
  EXPECT_NE(Letter(marlett, L"a"), Letter(plain, L"a"));

  // A close button and a check mark drawn by the system are the symbol font's glyphs.
  struct { UINT type, state; const wchar_t* glyph; } controls[] = {
      {DFC_CAPTION, DFCS_CAPTIONCLOSE, L"r"}, {DFC_MENU, DFCS_MENUCHECK, L"a"}};
  for (auto& c : controls) {
    auto drawn = DrawnPixels([&](HDC d, RECT r) { DrawFrameControl(d, &r, c.type, c.state); });
    EXPECT_NE(drawn, Letter(plain, c.glyph)) << c.type;
  }
  DeleteObject(marlett);
  DeleteObject(plain);
}

TEST(Canvas, FillAndTextAreReadBack) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(120, 40);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(RECT{0, 0, 120, 40});
  c->Brush()->SetColor(clRed);
  c->FillRect(RECT{10, 5, 30, 15});
  EXPECT_EQ(c->Pixel(10, 5), clRed);
  EXPECT_EQ(c->Pixel(29, 14), clRed);
  EXPECT_EQ(c->Pixel(30, 14), clWhite);
  EXPECT_EQ(c->Pixel(9, 5), clWhite);

  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(clBlue);
  c->Font()->SetHeight(-16);
  const String text = L"Wg";
  SIZE ext = c->TextExtent(text);
  EXPECT_GT(ext.cx, 5);
  EXPECT_GT(ext.cy, 10);
  c->TextOut(40, 10, text);
  int blue = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 35; x < 120; ++x) {
      TColor p = c->Pixel(x, y);
      bool inside = x >= 40 && x < 40 + ext.cx && y >= 10 && y < 10 + ext.cy;
      if (p != clWhite) (inside ? blue : outside)++;
    }
  EXPECT_GT(blue, 10);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(c->PenPos().x, 40 + ext.cx);

  // A rectangle with the pen and a clear brush draws only the outline.
  c->Pen()->SetColor(clLime);
  c->Rectangle(0, 20, 10, 30);
  EXPECT_EQ(c->Pixel(0, 20), clLime);
  EXPECT_EQ(c->Pixel(5, 25), clWhite);
}

// Draws two colours every pixel format can hold exactly, then checks them.
void Paint(TBitmap& b) {
  b.Canvas()->Brush()->SetColor(clBlack);
  b.Canvas()->FillRect(RECT{0, 0, b.Width(), b.Height()});
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(RECT{0, 0, 7, 3});
}
void CheckPaint(TBitmap& b) {
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clWhite);
  EXPECT_EQ(b.Canvas()->Pixel(6, 2), clWhite);
  EXPECT_EQ(b.Canvas()->Pixel(7, 2), clBlack);
  EXPECT_EQ(b.Canvas()->Pixel(6, 3), clBlack);
  EXPECT_EQ(b.Canvas()->Pixel(b.Width() - 1, b.Height() - 1), clBlack);
}

TEST(Bitmap, PixelFormatsSurviveABmpRoundTrip) {
  struct { TPixelFormat pf; int bits; } cases[] = {
      {pf1bit, 1}, {pf4bit, 4}, {pf8bit, 8}, {pf15bit, 16}, {pf16bit, 16}, {pf24bit, 24},
      {pf32bit, 32}, {pfDevice, 32}};
  for (auto& k : cases) {
    SCOPED_TRACE(k.pf);
    TBitmap b;
    b.SetPixelFormat(k.pf);
    b.SetSize(13, 5);  // odd width: rows are padded
    EXPECT_EQ(b.PixelFormat(), k.pf);
    EXPECT_EQ(b.HandleType(), k.pf == pfDevice ? bmDDB : bmDIB);
    Paint(b);
    TBytes bytes = b.SaveToBytes();
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    BITMAPINFOHEADER ih;
    std::memcpy(&ih, &bytes[14], sizeof ih);
    EXPECT_EQ(ih.biBitCount, k.bits);
    EXPECT_EQ(ih.biWidth, 13);
    EXPECT_EQ(ih.biHeight, 5);
    TBitmap c;
    c.LoadFromBytes(bytes);
    EXPECT_EQ(c.PixelFormat(), k.pf == pfDevice ? pf32bit : k.pf);
    EXPECT_EQ(c.Width(), 13);
    EXPECT_EQ(c.Height(), 5);
    CheckPaint(c);
    EXPECT_EQ(c.SaveToBytes(), bytes);
  }
}

TEST(Bitmap, ScanLineAddressesTopRowFirstAndSizeChangesKeepContent) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(4, 3);
  Byte* row0 = static_cast<Byte*>(b.ScanLine(0));
  row0[0] = 0xFF; row0[1] = 0; row0[2] = 0;  // blue, stored B G R
  Byte* row2 = static_cast<Byte*>(b.ScanLine(2));
  row2[3] = 0; row2[4] = 0; row2[5] = 0xFF;  // red at (1, 2)
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clBlue);
  EXPECT_EQ(b.Canvas()->Pixel(1, 2), clRed);
  b.SetSize(6, 6);
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clBlue);
  EXPECT_EQ(b.Canvas()->Pixel(1, 2), clRed);
  EXPECT_EQ(b.Canvas()->Pixel(5, 5), clWhite);
  EXPECT_THROW(b.ScanLine(6), EInvalidGraphicOperation);
  // A device bitmap turns into a DIB when its scan lines are asked for.
  TBitmap d;
  d.SetSize(2, 2);
  EXPECT_EQ(d.HandleType(), bmDDB);
  d.ScanLine(0);
  EXPECT_EQ(d.HandleType(), bmDIB);
}

TBytes MakeBmp(int w, int h, int bits, std::vector<Byte> pixels, int palette = 0) {
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih; ih.biWidth = w; ih.biHeight = h; ih.biPlanes = 1;
  ih.biBitCount = static_cast<WORD>(bits);
  ih.biClrUsed = palette;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih + palette * 4;
  fh.bfSize = fh.bfOffBits + pixels.size();
  TBytes out(fh.bfOffBits);
  std::memcpy(out.data(), &fh, sizeof fh);
  std::memcpy(out.data() + sizeof fh, &ih, sizeof ih);
  for (int i = 0; i < palette; ++i) out[sizeof fh + sizeof ih + i * 4 + 2] = Byte(i * 255);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

TEST(Bitmap, TopDownFilesAndBrokenFiles) {
  // 2x2 top-down 24-bit: first row in the file is the top row.
  std::vector<Byte> px = {0, 0, 255, 0, 255, 0, 0, 0,  255, 0, 0, 255, 255, 255, 0, 0};
  TBitmap b;
  b.LoadFromBytes(MakeBmp(2, -2, 24, px));
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixel(1, 0), clLime);
  EXPECT_EQ(b.Canvas()->Pixel(0, 1), clBlue);
  EXPECT_EQ(b.Canvas()->Pixel(1, 1), clWhite);

  TBytes good = MakeBmp(2, 2, 24, px);
  TBytes truncated(good.begin(), good.end() - 4);
  TBytes badMagic = good; badMagic[0] = 'X';
  TBytes offPastEnd = good; offPastEnd[10] = 0xFF; offPastEnd[11] = 0xFF;
  TBytes hugeSize = MakeBmp(100000, 100000, 24, px);
  TBytes oddBits = MakeBmp(2, 2, 7, px);
  TBytes bigPalette = MakeBmp(2, 2, 1, px, 3);  // three colours for one bit
  TBytes tiny(10, 0);
  for (const TBytes* bad : {&truncated, &badMagic, &offPastEnd, &hugeSize, &oddBits,
                            &bigPalette, &tiny}) {
    TBitmap x;
    EXPECT_THROW(x.LoadFromBytes(*bad), EInvalidGraphic);
    EXPECT_TRUE(x.Empty());
  }
  // The failed load left the earlier picture alone.
  EXPECT_THROW(b.LoadFromBytes(truncated), EInvalidGraphic);
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clRed);
}

TEST(Bitmap, TransparentDrawAndMask) {
  TBitmap src;
  src.SetPixelFormat(pf24bit);
  src.SetSize(4, 4);
  src.Canvas()->Brush()->SetColor(clFuchsia);
  src.Canvas()->FillRect(RECT{0, 0, 4, 4});
  src.Canvas()->Brush()->SetColor(clNavy);
  src.Canvas()->FillRect(RECT{1, 1, 3, 3});
  EXPECT_EQ(src.TransparentColor(), clFuchsia);  // the bottom-left pixel
  src.SetTransparent(true);
  TBitmap dst;
  dst.SetPixelFormat(pf24bit);
  dst.SetSize(4, 4);
  dst.Canvas()->Brush()->SetColor(clYellow);
  dst.Canvas()->FillRect(RECT{0, 0, 4, 4});
  dst.Canvas()->Draw(0, 0, &src);
  EXPECT_EQ(dst.Canvas()->Pixel(0, 0), clYellow);
  EXPECT_EQ(dst.Canvas()->Pixel(1, 1), clNavy);

  TBitmap mask;
  mask.SetHandle(src.ReleaseMaskHandle());
  EXPECT_TRUE(mask.Monochrome());
  EXPECT_EQ(mask.Canvas()->Pixel(0, 0), clWhite);
  EXPECT_EQ(mask.Canvas()->Pixel(2, 2), clBlack);
  src.SetTransparentColor(clNavy);
  EXPECT_EQ(src.TransparentMode(), tmFixed);
  EXPECT_EQ(src.TransparentColor(), clNavy);
}

TEST(Bitmap, LoadsFromTheProgramsResources) {
  TBitmap b;
  b.LoadFromResourceName(GetModuleHandleW(nullptr), L"CHECKER");
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixel(1, 0), clLime);
  EXPECT_EQ(b.Canvas()->Pixel(2, 0), clBlue);
  EXPECT_EQ(b.Canvas()->Pixel(3, 0), clWhite);
  EXPECT_EQ(b.Canvas()->Pixel(3, 1), clBlack);
  EXPECT_THROW(b.LoadFromResourceName(GetModuleHandleW(nullptr), L"NO_SUCH_BITMAP"), EResNotFound);
  EXPECT_THROW(b.LoadFromResourceID(GetModuleHandleW(nullptr), 4711), EResNotFound);
  EXPECT_EQ(b.Width(), 4);
}

TEST(Picture, FormatsByExtensionAndFiles) {
  EXPECT_EQ(TPicture::FileFormatFor(L"BMP"), TBitmap::StaticClass());
  EXPECT_EQ(TPicture::FileFormatFor(L".ico"), TIcon::StaticClass());
  EXPECT_EQ(TPicture::FileFormatFor(L"xyz"), nullptr);

  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  String file = String(dir) + L"zs_forms_pic.bmp";
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(9, 9);
  Paint(b);
  b.SaveToFile(file);
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.LoadFromFile(file);
  DeleteFileW(file.c_str());
  ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
  EXPECT_EQ(p.Width(), 9);
  EXPECT_GE(changes, 1);
  CheckPaint(*p.Bitmap());
  EXPECT_THROW(p.LoadFromFile(String(dir) + L"x.unknownext"), EInvalidGraphic);
  EXPECT_THROW(p.LoadFromFile(String(dir) + L"zs_forms_missing.bmp"), EFOpenError);

  TPicture q;
  q.Assign(&p);
  ASSERT_NE(q.Graphic(), p.Graphic());
  CheckPaint(*q.Bitmap());
  // Asking for an icon replaces the bitmap with an empty icon.
  EXPECT_TRUE(q.Icon()->Empty());
}

TEST(Icon, HandleToFileAndBack) {
  TIcon i;
  i.SetHandle(LoadIconW(nullptr, IDI_APPLICATION) ? CopyIcon(LoadIconW(nullptr, IDI_APPLICATION))
                                                  : nullptr);
  ASSERT_FALSE(i.Empty());
  EXPECT_GT(i.Width(), 0);
  TBytes data = i.SaveToBytes();
  TIcon j;
  j.LoadFromBytes(data);
  EXPECT_EQ(j.Width(), i.Width());
  EXPECT_EQ(j.SaveToBytes(), data);
  TBytes broken = data;
  broken[2] = 2;  // a cursor file, not an icon
  EXPECT_THROW(j.LoadFromBytes(broken), EInvalidGraphic);
}

TEST(Icon, EntriesWithImpossibleHeadersAreRefusedBeforeTheSystemSeesThem) {
  TIcon i;
  i.SetHandle(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
  ASSERT_FALSE(i.Empty());
  const TBytes data = i.SaveToBytes();
  DWORD off, size;
  std::memcpy(&size, &data[6 + 8], 4);
  std::memcpy(&off, &data[6 + 12], 4);
  ASSERT_LE(off + size, data.size());
  auto patched = [&](size_t at, DWORD v) {
    TBytes b = data;
    std::memcpy(&b[off + at], &v, 4);
    return b;
  };
  struct Case { const char* what; TBytes bytes; } cases[] = {
      {"huge width", patched(4, 0x04000010)},
      {"huge height", patched(8, 0x20000020)},
      {"negative height", patched(8, 0xFFFFFFC0)},
      {"header size past the entry", patched(0, 0x7FFFFFFF)},
      {"bit count 7", patched(14, 7)},
  };
  for (const Case& c : cases) {
    TIcon j;
    EXPECT_THROW(j.LoadFromBytes(c.bytes), EInvalidGraphic) << c.what;
    EXPECT_TRUE(j.Empty()) << c.what;
  }
  // An entry whose directory size leaves out part of its AND mask.
  TBytes shortEntry = data;
  DWORD less = size - 4;
  std::memcpy(&shortEntry[6 + 8], &less, 4);
  TIcon k;
  EXPECT_THROW(k.LoadFromBytes(shortEntry), EInvalidGraphic);
}

}  // namespace

namespace {

// The pixels of a bitmap handle, read with GetDIBits (top row first, 0x00RRGGBB).
std::vector<DWORD> HandlePixels(HBITMAP H, int W, int Ht) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = W;
  bi.bmiHeader.biHeight = -Ht;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<DWORD> px(static_cast<size_t>(W) * Ht);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, H, 0, static_cast<UINT>(Ht), px.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (auto& p : px) p &= 0xFFFFFF;
  return px;
}

}  // namespace

// After a size change the canvas draws on the new image, whichever way the size changed
// and whatever the canvas had selected before.
TEST(Bitmap, CanvasDrawsOnTheResizedImage) {
  struct {
    const char* How;
    void (*Resize)(TBitmap&);
  } ways[] = {{"SetSize", [](TBitmap& b) { b.SetSize(30, 20); }},
              {"SetWidth+SetHeight", [](TBitmap& b) { b.SetWidth(30); b.SetHeight(20); }}};
  for (TPixelFormat pf : {pfDevice, pf24bit, pf32bit})
    for (auto& w : ways) {
      SCOPED_TRACE(testing::Message() << w.How << " " << pf);
      TBitmap b;
      b.SetPixelFormat(pf);
      b.SetSize(10, 10);
      TCanvas* c = b.Canvas();
      c->Brush()->SetColor(clRed);
      c->FillRect(RECT{0, 0, 10, 10});
      c->Pen()->SetColor(clLime);
      c->MoveTo(0, 0);
      c->LineTo(5, 5);
      w.Resize(b);
      ASSERT_EQ(30, b.Width());
      ASSERT_EQ(20, b.Height());
      EXPECT_EQ(c, b.Canvas());
      c->Brush()->SetColor(clBlue);
      c->FillRect(RECT{0, 0, 30, 20});
      c->LineTo(29, 5);
      b.Dormant();
      auto px = HandlePixels(b.Handle(), 30, 20);
      EXPECT_EQ(0x0000FFu, px[19 * 30 + 29]);  // bottom right, outside the old image
      EXPECT_EQ(0x0000FFu, px[9 * 30 + 0]);
      EXPECT_EQ(0x00FF00u, px[5 * 30 + 20]);  // the line goes on from the kept pen position
      // Canvas fills come out in their colour, not black.
      size_t blue = 0;
      for (DWORD p : px) blue += p == 0x0000FFu;
      EXPECT_GT(blue, 30u * 20u - 40u);
    }
}

}  // namespace ZS_UNITY_ID
