#include "vxBitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "vdCore.h"

namespace {

Byte ClampByte(Integer V) { return static_cast<Byte>(std::clamp<Integer>(V, 0, 255)); }
// Rounds to nearest, ties to even (the default floating-point rounding mode).
Integer RoundEven(float V) { return static_cast<Integer>(std::lrintf(V)); }

RGBQUAD QuadOf(Cardinal V) {
  RGBQUAD q;
  std::memcpy(&q, &V, sizeof(q));
  return q;
}
Cardinal CardinalOf(const RGBQUAD& Q) {
  Cardinal v;
  std::memcpy(&v, &Q, sizeof(v));
  return v;
}

// A 32-bit device-independent bitmap header; a negative height reads top row first.
struct TDIB32Info {
  BITMAPINFOHEADER h{};
  TDIB32Info(Integer W, Integer H, bool ATopDown) {
    h.biSize = sizeof(h);
    h.biWidth = W;
    h.biHeight = ATopDown ? -H : H;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
  }
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(&h); }
};

// Selects a brush of AColor into the canvas's DC through the canvas (filling nothing).
void SelectCanvasBrush(TCanvas* ACanvas, TColor AColor) {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->Brush()->SetColor(AColor);
  ACanvas->FillRect(RECT{0, 0, 0, 0});
}

// Copies ASource (whole) onto ADest at (X, Y) with a raster operation.
void BlitBitmap(TBitmap* ADest, Integer X, Integer Y, TBitmap* ASource, Cardinal AROP) {
  if (ASource->Empty() || ADest->Empty()) return;
  BitBlt(ADest->Canvas()->Handle(), X, Y, ASource->Width(), ASource->Height(), ASource->Canvas()->Handle(), 0, 0,
         AROP);
}

// --- "XDBM": run-length compressed bitmap data ---

constexpr Integer XdbmHeaderSize = 10;
constexpr char XdbmSignature[4] = {'X', 'D', 'B', 'M'};
constexpr Integer XdbmMaxRun = 125;

[[noreturn]] void CorruptBlock() { throw EReadError(L"Invalid compressed bitmap data"); }

Integer BlockSizeOf(TBitmap* ABitmap) {
  switch (ABitmap->PixelFormat()) {
    case pf15bit:
    case pf16bit:
      return 2;
    case pf24bit:
      return 3;
    case pf32bit:
      return 4;
    case pf1bit:
    case pf4bit:
    case pf8bit:
      return 1;
    default:
      return std::max(1, vxGetBitmapBitsPerPixel(ABitmap) / 8);
  }
}

// Encodes AData after the block-size and remainder bytes and the raw remainder.
void EncodeBlocks(const Byte* AData, size_t ALength, Integer B, TStream* AOut) {
  const size_t r = ALength % B;
  const Byte head[2] = {static_cast<Byte>(B), static_cast<Byte>(r)};
  AOut->WriteBuffer(head, 2);
  if (r) AOut->WriteBuffer(AData, static_cast<Integer>(r));
  const Byte* blocks = AData + r;
  const size_t n = (ALength - r) / B;
  auto same = [&](size_t i, size_t j) { return std::memcmp(blocks + i * B, blocks + j * B, B) == 0; };
  size_t i = 0;
  while (i < n) {
    if (i + 1 >= n) {
      const Byte c = 0x81;
      AOut->WriteBuffer(&c, 1);
      AOut->WriteBuffer(blocks + i * B, B);
      ++i;
    } else if (same(i, i + 1)) {
      size_t count = 2;
      while (i + count < n && count < XdbmMaxRun && same(i + count, i)) ++count;
      const Byte c = static_cast<Byte>(count);
      AOut->WriteBuffer(&c, 1);
      AOut->WriteBuffer(blocks + i * B, B);
      i += count;
    } else {
      size_t count = 2;
      bool endedByRepeat = false;
      while (i + count < n && count < XdbmMaxRun) {
        if (same(i + count, i + count - 1)) {
          endedByRepeat = true;
          break;
        }
        ++count;
      }
      if (endedByRepeat) --count;  // the block before the repeat starts the next packet
      const Byte c = static_cast<Byte>(0x80 | count);
      AOut->WriteBuffer(&c, 1);
      AOut->WriteBuffer(blocks + i * B, static_cast<Integer>(count * B));
      i += count;
    }
  }
}

template <class T>
T ReadAt(const Byte* P) {
  T v;
  std::memcpy(&v, P, sizeof(T));
  return v;
}

// The bytes before the pixels of the plain form: its length, the file and info headers.
constexpr size_t PlainHeadSize = 4 + sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

// The most bytes the plain form whose headers start AData may hold: its length field,
// and no more than the pixels its dimensions need after the bits' offset.
size_t PlainSizeLimit(const Byte* AData) {
  const Int64 len = ReadAt<Integer>(AData);
  const auto fh = ReadAt<BITMAPFILEHEADER>(AData + 4);
  const auto ih = ReadAt<BITMAPINFOHEADER>(AData + 4 + sizeof(BITMAPFILEHEADER));
  const Int64 w = ih.biWidth, h = ih.biHeight < 0 ? -static_cast<Int64>(ih.biHeight) : ih.biHeight;
  const Int64 bpp = ih.biBitCount;
  if (len < 0 || w <= 0 || h <= 0 || w > 0x8000 || h > 0x8000 || bpp < 1 || bpp > 32) CorruptBlock();
  const Int64 pixels = ((w * bpp + 31) / 32) * 4 * h;
  return static_cast<size_t>(4 + std::min<Int64>(len, Int64(fh.bfOffBits) + pixels));
}

// Decodes the packets of [AFrom, ATo) with block size B into AOut. The output is bounded
// while it grows: by the headers' size until they are decoded, then by what they describe,
// so a small block of repeat packets cannot expand far beyond the bitmap it claims.
void DecodePackets(const Byte* AFrom, const Byte* ATo, Integer B, std::vector<Byte>& AOut) {
  size_t limit = PlainHeadSize;
  bool headKnown = false;
  const Byte* p = AFrom;
  while (p < ATo) {
    const Byte c = *p++;
    const size_t count = c & 0x7F;
    if (count == 0) CorruptBlock();
    if (c & 0x80) {
      const size_t len = count * B;
      if (static_cast<size_t>(ATo - p) < len) CorruptBlock();
      AOut.insert(AOut.end(), p, p + len);
      p += len;
    } else {
      if (ATo - p < B) CorruptBlock();
      for (size_t k = 0; k < count; ++k) AOut.insert(AOut.end(), p, p + B);
      p += B;
    }
    if (!headKnown && AOut.size() >= PlainHeadSize) {
      limit = std::max(PlainHeadSize, PlainSizeLimit(AOut.data()));
      headKnown = true;
    }
    if (AOut.size() > limit) CorruptBlock();
  }
}

// Checks the platform data form (a 4-byte length, then a bitmap file) before any of it
// reaches the system, so that a corrupt block fails as a read error.
void ValidatePlainData(const std::vector<Byte>& AData) {
  if (AData.size() < 4) CorruptBlock();
  const Integer len = ReadAt<Integer>(AData.data());
  if (len < 0 || static_cast<size_t>(len) != AData.size() - 4) CorruptBlock();
  if (len == 0) return;
  const Byte* file = AData.data() + 4;
  if (static_cast<size_t>(len) < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) CorruptBlock();
  const auto fh = ReadAt<BITMAPFILEHEADER>(file);
  const auto ih = ReadAt<BITMAPINFOHEADER>(file + sizeof(BITMAPFILEHEADER));
  if (fh.bfType != 0x4D42) CorruptBlock();
  if (ih.biSize < sizeof(BITMAPINFOHEADER) || ih.biSize > 124) CorruptBlock();
  if (fh.bfOffBits < sizeof(BITMAPFILEHEADER) + ih.biSize || fh.bfOffBits > static_cast<DWORD>(len)) CorruptBlock();
  if (ih.biPlanes != 1) CorruptBlock();
  const Integer bpp = ih.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) CorruptBlock();
  if (ih.biCompression != BI_RGB && ih.biCompression != BI_BITFIELDS) CorruptBlock();
  const Int64 w = ih.biWidth, h = ih.biHeight < 0 ? -static_cast<Int64>(ih.biHeight) : ih.biHeight;
  if (w <= 0 || h <= 0 || w > 0x8000 || h > 0x8000) CorruptBlock();
  const Int64 stride = ((w * bpp + 31) / 32) * 4;
  if (stride * h > static_cast<Int64>(len) - fh.bfOffBits) CorruptBlock();
}

}  // namespace

// --- TvxBitmap ------------------------------------------------------------------------------

TvxBitmap::TvxBitmap(Integer AWidth, Integer AHeight, TPixelFormat APixelFormat) {
  FvxCanvas = new TvxCanvas(Canvas());
  BeginUpdate();
  SetPixelFormat(APixelFormat);
  SetSize(AWidth, AHeight);
  EndUpdate(true);
}

TvxBitmap::~TvxBitmap() {
  delete FvxCanvas;
  FvxCanvas = nullptr;
}

void TvxBitmap::EndUpdate(bool AForceUpdate) {
  if (FLockCount <= 0) return;
  if (--FLockCount == 0 && (AForceUpdate || FModified)) Changed(this);
}

void TvxBitmap::Changed(TObject* Sender) {
  if (FLockCount > 0) {
    FModified = true;
    return;
  }
  inherited::Changed(Sender);
  UpdateBitmap();
  FModified = false;
}

void TvxBitmap::CopyBitmap(TBitmap* ABitmap, Cardinal ACopyMode) {
  CopyBitmap(ABitmap, ClientRect(), TPoint{0, 0}, ACopyMode);
}

void TvxBitmap::CopyBitmap(TBitmap* ABitmap, const TRect& ADestRect, const TPoint& ASrcTopLeft, Cardinal ACopyMode) {
  if (!ABitmap || ABitmap->Empty() || Empty()) return;
  vxBitBlt(Canvas()->Handle(), ABitmap->Canvas()->Handle(), ADestRect, ACopyMode, ASrcTopLeft);
}

void TvxBitmap::Rotate(TvxRotationAngle ARotationAngle, bool AFlipVertically) {
  FvxCanvas->RotateBitmap(this, ARotationAngle, AFlipVertically);
}

void TvxBitmap::SetSize(Integer AWidth, Integer AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == Width() && AHeight == Height()) return;
  BeginUpdate();
  inherited::SetSize(AWidth, AHeight);
  EndUpdate(false);
}

void TvxBitmap::DefineProperties(TFiler* Filer) {
  // This "Data" takes the place of the plain picture's: it is defined once, always written.
  TPersistent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      L"Data", [this](TStream* S) { ReadData(S); }, [this](TStream* S) { WriteData(S); }, true);
}

void TvxBitmap::WritePlainData(TStream* Stream) {
  TBytesStream file;
  SaveToStream(&file);
  const Integer len = static_cast<Integer>(file.Size());
  Stream->WriteBuffer(&len, 4);
  if (len) Stream->WriteBuffer(file.Memory(), len);
}

void TvxBitmap::ReadPlainData(TStream* Stream) {
  Integer len = 0;
  Stream->ReadBuffer(&len, 4);
  if (len < 0 || len > Stream->Size() - Stream->Position()) throw EReadError(L"Stream read error");
  if (len == 0) {
    Assign(nullptr);
    return;
  }
  TMemoryStream file;
  file.SetSize(len);
  Stream->ReadBuffer(file.Memory(), len);
  file.SetPosition(0);
  LoadFromStream(&file);
}

void TvxBitmap::WriteData(TStream* Stream) {
  if (!FCompressData) {
    WritePlainData(Stream);
    return;
  }
  TMemoryStream plain;
  WritePlainData(&plain);
  const Int64 start = Stream->Position();
  const Byte reserve[XdbmHeaderSize] = {};
  Stream->WriteBuffer(reserve, XdbmHeaderSize);
  EncodeBlocks(static_cast<const Byte*>(plain.Memory()), static_cast<size_t>(plain.Size()), BlockSizeOf(this), Stream);
  const Int64 end = Stream->Position();
  // The size is the body's own length, wherever the block starts.
  const Integer size = static_cast<Integer>(end - start - XdbmHeaderSize);
  const Word version = 2;
  Stream->SetPosition(start);
  Stream->WriteBuffer(&size, 4);
  Stream->WriteBuffer(XdbmSignature, 4);
  Stream->WriteBuffer(&version, 2);
  Stream->SetPosition(end);
}

void TvxBitmap::ReadData(TStream* Stream) {
  const Int64 start = Stream->Position();
  const Int64 available = Stream->Size() - start;
  Byte header[XdbmHeaderSize] = {};
  if (available < XdbmHeaderSize) {
    ReadPlainData(Stream);
    return;
  }
  Stream->ReadBuffer(header, XdbmHeaderSize);
  if (std::memcmp(header + 4, XdbmSignature, 4) != 0) {
    Stream->SetPosition(start);
    ReadPlainData(Stream);
    return;
  }
  const Integer size = ReadAt<Integer>(header);
  const Word version = ReadAt<Word>(header + 8);
  if (size < 0 || size > available - XdbmHeaderSize) CorruptBlock();
  std::vector<Byte> body(static_cast<size_t>(size));
  if (size) Stream->ReadBuffer(body.data(), size);
  std::vector<Byte> plain;
  if (version == 1) {
    DecodePackets(body.data(), body.data() + body.size(), 1, plain);
  } else if (version == 2) {
    if (body.size() < 2) CorruptBlock();
    const Integer b = body[0], r = body[1];
    if (b < 1 || b > 4 || r >= b || static_cast<size_t>(2 + r) > body.size()) CorruptBlock();
    plain.assign(body.begin() + 2, body.begin() + 2 + r);
    DecodePackets(body.data() + 2 + r, body.data() + body.size(), b, plain);
  } else {
    // An unknown version decodes to nothing: an empty bitmap.
    Assign(nullptr);
    return;
  }
  ValidatePlainData(plain);
  TMemoryStream decoded;
  decoded.WriteBuffer(plain.data(), static_cast<Integer>(plain.size()));
  decoded.SetPosition(0);
  try {
    ReadPlainData(&decoded);
  } catch (const EInvalidGraphic& E) {
    // The bitmap file passed the checks above but the platform still refused it.
    throw EReadError(L"Invalid compressed bitmap data: %s", {E.Message()});
  }
}

// --- TvxBitmap32 ----------------------------------------------------------------------------

TvxBitmap32::TvxBitmap32(Integer AWidth, Integer AHeight, bool AClear) : TvxBitmap32(AWidth, AHeight) {
  if (AClear) Clear();
}

void TvxBitmap32::GetBitmapColors(TRGBColors& AColors) { vxGetBitmapPixels(this, false, AColors); }

void TvxBitmap32::SetBitmapColors(const TRGBColors& AColors) {
  TRGBColors copy = AColors;
  vxSetBitmapPixels(this, false, copy);
}

void TvxBitmap32::AlphaBlend(TvxBitmap32* ABitmap, const TRect& ARect, bool ASmoothImage, Byte AConstantAlpha) {
  vxAlphaBlend(ABitmap->Canvas()->Handle(), Canvas()->Handle(), ARect, ClientRect(), ASmoothImage, AConstantAlpha);
}

void TvxBitmap32::Clear() {
  if (Empty()) return;
  const RECT r{0, 0, Width(), Height()};
  ::FillRect(Canvas()->Handle(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  Changed(this);
}

void TvxBitmap32::Filter(TvxBitmap32* AMaskBitmap) {
  vxBitBlt(Canvas()->Handle(), AMaskBitmap->Canvas()->Handle(), ClientRect(), 0x00220326, TPoint{0, 0});
}

void TvxBitmap32::Invert() { vxBitBlt(Canvas()->Handle(), Canvas()->Handle(), ClientRect(), NOTSRCCOPY, TPoint{0, 0}); }

void TvxBitmap32::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  // Whatever was loaded, the bitmap ends at 32 bits before it announces the change.
  TScopeExit finish([this] {
    SetPixelFormat(pf32bit);
    EndUpdate(true);
  });
  inherited::LoadFromStream(Stream);
}

void TvxBitmap32::RecoverTransparency(TColor ATransparentColor) {
  TRGBColors colors;
  if (!vxGetBitmapPixels(this, false, colors)) return;
  const Cardinal rgb = vdColorToQuad(ATransparentColor) & 0xFFFFFF;
  for (auto& c : colors) {
    if ((CardinalOf(c) & 0xFFFFFF) == rgb)
      c = RGBQUAD{0, 0, 0, 0};
    else if (c.rgbReserved == 0)
      c.rgbReserved = 0xFF;
  }
  vxSetBitmapPixels(this, false, colors);
}

void TvxBitmap32::SetAlphaChannel(Byte Alpha) {
  TRGBColors colors;
  if (!vxGetBitmapPixels(this, false, colors)) return;
  for (auto& c : colors) c.rgbReserved = Alpha;
  vxSetBitmapPixels(this, false, colors);
}

bool TvxBitmap32::IsAlphaUsed() {
  TRGBColors colors;
  if (!vxGetBitmapPixels(this, false, colors)) return false;
  return std::any_of(colors.begin(), colors.end(), [](const RGBQUAD& c) { return c.rgbReserved != 0; });
}

void TvxBitmap32::UpdateBitmap() {
  if (PixelFormat() != pf32bit) throw EvdException(L"Wrong PixelFormat");
}

// --- TvxColorList ---------------------------------------------------------------------------

Integer TvxColorList::Add(TColor AColor) {
  const Cardinal rgb = vdColorToQuad(AColor, 0) & 0xFFFFFF;
  return TList::Add(reinterpret_cast<Pointer>(static_cast<UINT_PTR>(rgb)));
}

bool TvxColorList::ContainsRGB(Cardinal ARGB) const {
  for (Integer i = 0; i < Count(); ++i)
    if (static_cast<Cardinal>(reinterpret_cast<UINT_PTR>(Items(i))) == (ARGB & 0xFFFFFF)) return true;
  return false;
}

// --- TvxAlphaBitmap -------------------------------------------------------------------------

TvxAlphaBitmap::TvxAlphaBitmap(Integer AWidth, Integer AHeight, RGBQUAD ATransparentBkColor)
    : TvxBitmap32(AWidth, AHeight) {
  FTransparentBkColor = ATransparentBkColor;
}

TvxAlphaBitmap::~TvxAlphaBitmap() {
  delete FTransparentPixels;
  FTransparentPixels = nullptr;
}

void TvxAlphaBitmap::Clear() {
  if (FTransparentBkColor.rgbReserved != 0)
    TransformBitmap(btmClear);
  else
    TvxBitmap32::Clear();
}

void TvxAlphaBitmap::DrawHatch(const TvxHatchData& AHatchData) {
  FHatchData = AHatchData;
  TransformBitmap(btmHatch);
}

void TvxAlphaBitmap::DrawHatch(TColor AColor1, TColor AColor2, Byte AStep, Byte AAlpha1, Byte AAlpha2) {
  TvxHatchData data;
  data.Color1 = QuadOf(vdColorToQuad(AColor1, 0xFF));
  data.Alpha1 = AAlpha1;
  data.Color2 = QuadOf(vdColorToQuad(AColor2, 0xFF));
  data.Alpha2 = AAlpha2;
  data.Step = AStep;
  DrawHatch(data);
}

void TvxAlphaBitmap::DrawShadow(TvxAlphaBitmap* AMaskBitmap, Integer AShadowSize, TColor AShadowColor,
                                bool AInflateSize) {
  const Integer s = AShadowSize, w = Width(), h = Height();
  TvxAlphaBitmap t(w + 2 * s, h + 2 * s, QuadOf(0xFFFFFFFF));
  t.Clear();
  BlitBitmap(&t, s, s, AMaskBitmap, SRCCOPY);
  // D and P and not S: the shadow colour where the mask, moved by the shadow size, is
  // opaque and the unmoved mask is not.
  SelectCanvasBrush(t.Canvas(), AShadowColor);
  BitBlt(t.Canvas()->Handle(), s, s, t.Width(), t.Height(), t.Canvas()->Handle(), 0, 0, 0x00200F09);
  t.SetTransparentBkColor(QuadOf(0));
  t.TransformBitmap(btmCorrectBlend);
  TvxAlphaBitmap u(w + s, h + s);
  u.Clear();
  BlitBitmap(&u, 0, 0, this, SRCCOPY);
  BitBlt(u.Canvas()->Handle(), 0, 0, u.Width(), u.Height(), t.Canvas()->Handle(), s, s, SRCPAINT);
  if (AInflateSize) SetSize(w + s, h + s);
  BlitBitmap(this, 0, 0, &u, SRCCOPY);
  Changed(this);
}

void TvxAlphaBitmap::RecoverAlphaChannel(TColor ATransparentColor) {
  FTransparentPixels->Clear();
  FTransparentPixels->Add(ATransparentColor);
  FTransparentBkColor = QuadOf(vdColorToQuad(ATransparentColor, 0));
  TransformBitmap(btmCorrectBlend);
}

void TvxAlphaBitmap::Shade(TvxAlphaBitmap* AMaskBitmap) {
  SelectCanvasBrush(AMaskBitmap->Canvas(), clWhite);
  BlitBitmap(AMaskBitmap, 0, 0, AMaskBitmap, 0x005A0049);
  BlitBitmap(this, 1, 1, AMaskBitmap, SRCCOPY);
  SelectCanvasBrush(Canvas(), clBtnShadow);
  BlitBitmap(this, 0, 0, AMaskBitmap, 0x00E20746);
  TransformBitmap(btmCorrectBlend);
}

void TvxAlphaBitmap::RefreshImage(Integer AWidth, Integer AHeight) {
  SetSize(AWidth, AHeight);
  FTransparentPixels->Clear();
  Clear();
}

bool TvxAlphaBitmap::IsColorTransparent(const RGBQUAD& AColor) const {
  return CardinalOf(AColor) == CardinalOf(FTransparentBkColor) ||
         FTransparentPixels->ContainsRGB(CardinalOf(AColor) & 0xFFFFFF);
}

void TvxAlphaBitmap::TransformBitmap(TvxBitmapTransformationMode AMode) {
  TRGBColors colors;
  if (!vxGetBitmapPixels(this, false, colors)) return;
  const Integer w = Width(), h = Height();
  const RGBQUAD dirtyColor = QuadOf((vdColorToQuad(clBtnShadow) & 0xFFFFFF) | 0xC0000000u);
  const Integer step = std::max<Integer>(FHatchData.Step, 1);  // a step of 0 counts as 1
  for (Integer x = 0; x < w; ++x)
    for (Integer y = 0; y < h; ++y) {
      FCurrentColorIndex = TPoint{x, y};
      RGBQUAD& c = colors[static_cast<size_t>(y) * w + x];
      const bool transparent = IsColorTransparent(c);
      auto gray = [&](float kr, float kg, float kb) {
        const Byte g = ClampByte(RoundEven(kr * c.rgbRed + kg * c.rgbGreen + kb * c.rgbBlue));
        c.rgbRed = c.rgbGreen = c.rgbBlue = g;
      };
      switch (AMode) {
        case btmDingy:
          if (transparent) break;
          if (c.rgbReserved == 0xFF) {
            for (BYTE* ch : {&c.rgbRed, &c.rgbGreen, &c.rgbBlue}) *ch = ClampByte(*ch + MulDiv(255 - *ch, 3, 10));
          } else {
            for (BYTE* ch : {&c.rgbBlue, &c.rgbGreen, &c.rgbRed, &c.rgbReserved})
              *ch = ClampByte(MulDiv(*ch, 200, 255));
          }
          break;
        case btmDirty:
          if (transparent) break;
          gray(0.299f, 0.587f, 0.114f);
          vxBlendPixel(c, dirtyColor, 238);
          break;
        case btmGrayScale:
          if (transparent) break;
          c.rgbRed = c.rgbGreen = c.rgbBlue = static_cast<Byte>((c.rgbRed + c.rgbGreen + c.rgbBlue) / 3);
          break;
        case btmSetOpaque:
          c.rgbReserved = 0xFF;
          break;
        case btmMakeMask:
          c = transparent ? QuadOf(0xFFFFFFFF) : QuadOf(0);
          break;
        case btmFade:
          if (!transparent) gray(0.299f, 0.587f, 0.114f);
          break;
        case btmDisable:
          if (!transparent) gray(0.0729f, 0.7146f, 0.2125f);
          break;
        case btmCorrectBlend:
          if (!transparent && c.rgbReserved == 0) c.rgbReserved = 0xFF;
          break;
        case btmHatch:
          if ((x / step + y / step) % 2 == 1)
            vxBlendPixel(c, FHatchData.Color2, FHatchData.Alpha2);
          else
            vxBlendPixel(c, FHatchData.Color1, FHatchData.Alpha1);
          break;
        case btmClear:
          c = FTransparentBkColor;
          break;
        case btmResetAlpha:
          c.rgbReserved = 0;
          break;
      }
    }
  vxSetBitmapPixels(this, false, colors);
  Changed(this);
}

// --- Bitmap routines ------------------------------------------------------------------------

TBitmap* vxCreateBitmapWithFormat(Integer AWidth, Integer AHeight, TPixelFormat APixelFormat) {
  auto* b = new TBitmap();
  b->SetPixelFormat(APixelFormat);
  // Both sides at once: the platform bitmap keeps no width while its height is 0.
  b->SetSize(AWidth, AHeight);
  return b;
}

TBitmap* vxCreateBitmapOfSize(const TSize& ASize, TPixelFormat APixelFormat) {
  return vxCreateBitmapWithFormat(ASize.cx, ASize.cy, APixelFormat);
}

TBitmap* vxCreateBitmapOfSize(const TRect& ARect, TPixelFormat APixelFormat) {
  return vxCreateBitmapWithFormat(ARect.right - ARect.left, ARect.bottom - ARect.top, APixelFormat);
}

bool vxIsBitmapSet(TBitmap* ABitmap) { return ABitmap && !ABitmap->Empty(); }

Integer vxGetBitmapBitsPerPixel(TBitmap* ABitmap) {
  switch (ABitmap->PixelFormat()) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    case pf32bit:
      return 32;
    default:
      return GetDeviceCaps(ABitmap->Canvas()->Handle(), BITSPIXEL);
  }
}

bool vxGetBitmapPixels(TBitmap* ABitmap, bool ATopDown, TRGBColors& AColors) {
  if (!ABitmap || ABitmap->Width() == 0 || ABitmap->Height() == 0) return false;
  const Integer w = ABitmap->Width(), h = ABitmap->Height();
  TDIB32Info info(w, h, ATopDown);
  TRGBColors colors(static_cast<size_t>(w) * h);
  ABitmap->Dormant();  // GetDIBits wants the bitmap out of any DC
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, ABitmap->Handle(), 0, h, colors.data(), info.Info(), DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows == 0) return false;
  AColors = std::move(colors);
  return true;
}

void vxSetBitmapPixels(TBitmap* ABitmap, bool ATopDown, TRGBColors& AColors) {
  if (ABitmap && !ABitmap->Empty() &&
      AColors.size() >= static_cast<size_t>(ABitmap->Width()) * ABitmap->Height()) {
    const Integer w = ABitmap->Width(), h = ABitmap->Height();
    TDIB32Info info(w, h, ATopDown);
    ABitmap->Dormant();
    HDC dc = GetDC(nullptr);
    SetDIBits(dc, ABitmap->Handle(), 0, h, AColors.data(), info.Info(), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
  }
  AColors.clear();
  AColors.shrink_to_fit();
}

bool vxBitBlt(HDC ADestDC, HDC ASrcDC, const TRect& ADestRect, Cardinal AROP, const TPoint& ASrcTopLeft) {
  return BitBlt(ADestDC, ADestRect.left, ADestRect.top, ADestRect.right - ADestRect.left,
                ADestRect.bottom - ADestRect.top, ASrcDC, ASrcTopLeft.x, ASrcTopLeft.y, AROP) != FALSE;
}

void vxDrawBitmapToDC(HDC ADC, TBitmap* ABitmap, const TRect& ADestRect, Cardinal AROP, const TPoint& ASrcTopLeft) {
  if (!vxIsBitmapSet(ABitmap)) return;
  if (vdOSWin9x && GetDeviceCaps(ADC, BITSPIXEL) == 32 && vxGetBitmapBitsPerPixel(ABitmap) < 32) {
    // The 9x family keeps garbage in the fourth byte of lower-depth copies.
    TvxAlphaBitmap copy(ADestRect.right - ADestRect.left, ADestRect.bottom - ADestRect.top);
    vxBitBlt(copy.Canvas()->Handle(), ABitmap->Canvas()->Handle(), copy.ClientRect(), SRCCOPY, ASrcTopLeft);
    copy.TransformBitmap(btmResetAlpha);
    vxBitBlt(ADC, copy.Canvas()->Handle(), ADestRect, AROP, TPoint{0, 0});
  } else {
    vxBitBlt(ADC, ABitmap->Canvas()->Handle(), ADestRect, AROP, ASrcTopLeft);
  }
}

void vxMakeMaskFromBitmap32(TvxBitmap32* ABitmap, TBitmap* AMask) {
  TvxAlphaBitmap temp(ABitmap->Width(), ABitmap->Height());
  temp.CopyBitmap(ABitmap);
  if (!temp.IsAlphaUsed()) temp.RecoverAlphaChannel(ABitmap->TransparentColor());
  temp.TransformBitmap(btmMakeMask);
  vxBitBlt(AMask->Canvas()->Handle(), temp.Canvas()->Handle(), temp.ClientRect(), SRCCOPY, TPoint{0, 0});
}

namespace {

// A region built from rectangles in one call.
HRGN RegionFromRects(const std::vector<RECT>& ARects) {
  std::vector<Byte> data(sizeof(RGNDATAHEADER) + ARects.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = static_cast<DWORD>(ARects.size());
  header->nRgnSize = static_cast<DWORD>(ARects.size() * sizeof(RECT));
  SetRectEmpty(&header->rcBound);
  for (const RECT& r : ARects) UnionRect(&header->rcBound, &header->rcBound, &r);
  std::memcpy(data.data() + sizeof(RGNDATAHEADER), ARects.data(), ARects.size() * sizeof(RECT));
  return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
}

// Joins regions pairwise like a binary counter: a region joins only one of the same
// weight, so each rectangle takes part in a logarithmic number of joins and at most a
// logarithmic number of regions exist at once.
class TRegionMerger {
 public:
  ~TRegionMerger() {
    for (auto& e : FStack) DeleteObject(e.Region);
  }
  void Add(HRGN ARegion) {
    TEntry e{ARegion, 1};
    while (!FStack.empty() && FStack.back().Weight <= e.Weight) {
      TEntry top = FStack.back();
      FStack.pop_back();
      CombineRgn(top.Region, top.Region, e.Region, RGN_OR);
      DeleteObject(e.Region);
      e = TEntry{top.Region, top.Weight + e.Weight};
    }
    FStack.push_back(e);
  }
  HRGN Release() {
    if (FStack.empty()) return nullptr;
    while (FStack.size() > 1) {
      TEntry e = FStack.back();
      FStack.pop_back();
      CombineRgn(FStack.back().Region, FStack.back().Region, e.Region, RGN_OR);
      DeleteObject(e.Region);
    }
    HRGN r = FStack.back().Region;
    FStack.clear();
    return r;
  }

 private:
  struct TEntry {
    HRGN Region;
    size_t Weight;
  };
  std::vector<TEntry> FStack;
};

}  // namespace

// The runs of each row that are not the transparent colour make one region per row (one
// band, built in one call); the rows are then joined pairwise, so the cost grows with the
// number of runs times its logarithm rather than with its square.
HRGN vxCreateRegionFromBitmap(TBitmap* ABitmap, TColor ATransparentColor) {
  TRGBColors colors;
  if (!vxGetBitmapPixels(ABitmap, true, colors)) return nullptr;
  const Integer w = ABitmap->Width(), h = ABitmap->Height();
  const Cardinal key = vdColorToQuad(ATransparentColor) & 0xFFFFFF;
  TRegionMerger merger;
  std::vector<RECT> runs;
  for (Integer y = 0; y < h; ++y) {
    runs.clear();
    Integer run = 0;
    for (Integer x = 0; x < w; ++x) {
      if ((CardinalOf(colors[static_cast<size_t>(y) * w + x]) & 0xFFFFFF) != key) {
        ++run;
      } else if (run) {
        runs.push_back(RECT{x - run, y, x, y + 1});
        run = 0;
      }
    }
    if (run) runs.push_back(RECT{w - run, y, w, y + 1});
    if (!runs.empty()) merger.Add(RegionFromRects(runs));
  }
  return merger.Release();
}

void vxBlendPixel(RGBQUAD& ADest, const RGBQUAD& ASource, Byte AConstantAlpha) {
  const float c = AConstantAlpha / 255.0f;
  const float e = c * ASource.rgbReserved;
  const float f = 1.0f - e / 255.0f;
  ADest.rgbRed = ClampByte(RoundEven(c * ASource.rgbRed + f * ADest.rgbRed));
  ADest.rgbGreen = ClampByte(RoundEven(c * ASource.rgbGreen + f * ADest.rgbGreen));
  ADest.rgbBlue = ClampByte(RoundEven(c * ASource.rgbBlue + f * ADest.rgbBlue));
  ADest.rgbReserved = ClampByte(RoundEven(e + f * ADest.rgbReserved));
}

void vxAlphaBlend(HDC ADestDC, HDC ASrcDC, const TRect& ADestRect, const TRect& ASrcRect, bool ASmoothImage,
                  Byte AConstantAlpha) {
  const Integer dw = ADestRect.right - ADestRect.left, dh = ADestRect.bottom - ADestRect.top;
  const Integer sw = ASrcRect.right - ASrcRect.left, sh = ASrcRect.bottom - ASrcRect.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const bool smooth = ASmoothImage && (dw != sw || dh != sh);
  const BLENDFUNCTION bf{AC_SRC_OVER, 0, AConstantAlpha, AC_SRC_ALPHA};
  if (!vdOSWin9x && vxAlphaBlendFunc && !smooth) {
    vxAlphaBlendFunc(ADestDC, ADestRect.left, ADestRect.top, dw, dh, ASrcDC, ASrcRect.left, ASrcRect.top, sw, sh, bf);
    return;
  }
  TvxBitmap32 dest(dw, dh, true), source(sw, sh, true), scaled(dw, dh, true);
  vxBitBlt(dest.Canvas()->Handle(), ADestDC, dest.ClientRect(), SRCCOPY, TPoint{ADestRect.left, ADestRect.top});
  vxBitBlt(source.Canvas()->Handle(), ASrcDC, source.ClientRect(), SRCCOPY, TPoint{ASrcRect.left, ASrcRect.top});
  if (smooth) {
    vxStretchBitmapSmoothly(&source, &scaled, true);
  } else {
    HDC sdc = scaled.Canvas()->Handle();
    const int oldMode = SetStretchBltMode(sdc, COLORONCOLOR);
    StretchBlt(sdc, 0, 0, dw, dh, source.Canvas()->Handle(), 0, 0, sw, sh, SRCCOPY);
    SetStretchBltMode(sdc, oldMode);
  }
  bool blended = false;
  if (vxAlphaBlendFunc)
    blended = vxAlphaBlendFunc(dest.Canvas()->Handle(), 0, 0, dw, dh, scaled.Canvas()->Handle(), 0, 0, dw, dh, bf) !=
              FALSE;
  if (!blended) {
    TRGBColors d, s;
    dest.GetBitmapColors(d);
    scaled.GetBitmapColors(s);
    for (size_t i = 0; i < d.size() && i < s.size(); ++i) vxBlendPixel(d[i], s[i], AConstantAlpha);
    dest.SetBitmapColors(d);
  }
  vxBitBlt(ADestDC, dest.Canvas()->Handle(), ADestRect, SRCCOPY, TPoint{0, 0});
}

// --- Lanczos-3 resampling -------------------------------------------------------------------

namespace {

struct TContributor {
  Integer Pixel;
  Integer Weight;
};
using TContributorArray = std::vector<TContributor>;
struct TContributors {
  Integer Count = 0;
  TContributorArray Contributors;
};
using TContributorList = std::vector<TContributors>;

double Sinc(double X) {
  if (X == 0) return 1;
  const double px = 3.14159265358979323846 * X;
  return std::sin(px) / px;
}

double Lanczos3(double X) {
  if (X < 0) X = -X;
  return X < 3 ? Sinc(X) * Sinc(X / 3) : 0;
}

// The weights of every destination pixel of a pass from ASource to ADest pixels. A pass
// from or to a single pixel uses the plain size ratio (the end-to-end ratio would be 0
// or divide by 0).
TContributorList MakeContributors(Integer ASource, Integer ADest) {
  const double scale = (ASource == 1 || ADest == 1) ? static_cast<double>(ADest) / ASource
                                                     : static_cast<double>(ADest - 1) / (ASource - 1);
  const double width = scale >= 1 ? 1.0 : 1.0 / scale;
  const double support = 3 * width;
  TContributorList list(ADest);
  for (Integer i = 0; i < ADest; ++i) {
    const double centre = i / scale;
    TContributors& c = list[i];
    for (Integer j = static_cast<Integer>(std::floor(centre - support));
         j <= static_cast<Integer>(std::ceil(centre + support)); ++j) {
      const Integer weight = static_cast<Integer>(std::lround(Lanczos3((centre - j) / width) / width * 256));
      if (weight == 0) continue;
      Integer p = j;
      if (p < 0) p = -p;
      if (p >= ASource) p = 2 * ASource - 1 - p;
      p = std::clamp<Integer>(p, 0, ASource - 1);  // very wide supports reflect past both edges
      c.Contributors.push_back(TContributor{p, weight});
    }
    c.Count = static_cast<Integer>(c.Contributors.size());
  }
  return list;
}

RGBQUAD Resample(const TContributors& AContributors, const RGBQUAD* ALine, Integer AStride) {
  Integer r = 0, g = 0, b = 0, a = 0;
  for (const TContributor& k : AContributors.Contributors) {
    const RGBQUAD& p = ALine[static_cast<size_t>(k.Pixel) * AStride];
    r += k.Weight * p.rgbRed;
    g += k.Weight * p.rgbGreen;
    b += k.Weight * p.rgbBlue;
    a += k.Weight * p.rgbReserved;
  }
  return RGBQUAD{ClampByte(b >> 8), ClampByte(g >> 8), ClampByte(r >> 8), ClampByte(a >> 8)};
}

}  // namespace

void vxStretchBitmapSmoothly(TBitmap* ASource, TBitmap* ADest, bool AForceLanczos) {
  if (!ASource || !ADest || ASource->Empty() || ADest->Empty()) return;
  const Integer sw = ASource->Width(), sh = ASource->Height(), dw = ADest->Width(), dh = ADest->Height();
  ASource->Canvas()->Lock();
  ADest->Canvas()->Lock();
  TScopeExit unlock([ASource, ADest] {
    ADest->Canvas()->Unlock();
    ASource->Canvas()->Unlock();
  });
  if (vdOSWinNT && !AForceLanczos) {
    HDC dc = ADest->Canvas()->Handle();
    const int old = SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, dw, dh, ASource->Canvas()->Handle(), 0, 0, sw, sh, SRCCOPY);
    SetStretchBltMode(dc, old);
    return;
  }
  TRGBColors source;
  if (!vxGetBitmapPixels(ASource, true, source)) return;
  // Horizontal pass: sw x sh -> dw x sh.
  TRGBColors work(static_cast<size_t>(dw) * sh);
  const TContributorList horz = MakeContributors(sw, dw);
  for (Integer y = 0; y < sh; ++y)
    for (Integer x = 0; x < dw; ++x)
      work[static_cast<size_t>(y) * dw + x] = Resample(horz[x], &source[static_cast<size_t>(y) * sw], 1);
  // Vertical pass: dw x sh -> dw x dh.
  TRGBColors dest(static_cast<size_t>(dw) * dh);
  const TContributorList vert = MakeContributors(sh, dh);
  for (Integer x = 0; x < dw; ++x)
    for (Integer y = 0; y < dh; ++y) dest[static_cast<size_t>(y) * dw + x] = Resample(vert[y], &work[x], dw);
  vxSetBitmapPixels(ADest, true, dest);
}
