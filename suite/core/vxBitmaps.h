// The suite's bitmaps and the pixel routines under them: a bitmap with its own suite
// canvas, update batching and an optional run-length compressed persisted form
// ("XDBM"); a 32-bit bitmap with pixel access and alpha helpers; a bitmap with per-pixel
// looks (disabled, faded, grayscale, dingy, hatched), masks and drop shadows; bitmap
// creation, 32-bit pixel arrays, bit-block transfers, alpha blending with a software
// fallback, the Lanczos-3 smooth stretch, and regions and masks made from bitmaps.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "Streaming.h"
#include "System.h"
#include "vxGraphics.h"

// 32-bit BGRA pixels (blue in the low byte, then green, red, alpha).
using TRGBColors = std::vector<RGBQUAD>;

enum TvxBitmapTransformationMode {
  btmDingy, btmDirty, btmGrayScale, btmSetOpaque, btmMakeMask, btmFade, btmDisable, btmCorrectBlend,
  btmHatch, btmClear, btmResetAlpha
};

// A platform bitmap with its own suite canvas and batched change notification.
class TvxBitmap : public TBitmap {
  DECLARE_CLASS(TvxBitmap, TBitmap)
 public:
  TvxBitmap() : TvxBitmap(0, 0) {}
  TvxBitmap(Integer AWidth, Integer AHeight) : TvxBitmap(AWidth, AHeight, pf24bit) {}
  explicit TvxBitmap(const TRect& ARect) : TvxBitmap(ARect.right - ARect.left, ARect.bottom - ARect.top) {}
  TvxBitmap(Integer AWidth, Integer AHeight, TPixelFormat APixelFormat);
  TvxBitmap(const TRect& ARect, TPixelFormat APixelFormat)
      : TvxBitmap(ARect.right - ARect.left, ARect.bottom - ARect.top, APixelFormat) {}
  ~TvxBitmap() override;
  static std::unique_ptr<TvxBitmap> CreateSize(const TRect& ARect) { return std::make_unique<TvxBitmap>(ARect); }
  static std::unique_ptr<TvxBitmap> CreateSize(Integer AWidth, Integer AHeight) {
    return std::make_unique<TvxBitmap>(AWidth, AHeight);
  }

  void BeginUpdate() { ++FLockCount; }
  // Leaves the batch without notifying.
  void CancelUpdate() { --FLockCount; }
  // Leaves the batch; the outermost one notifies when asked or when a change arrived.
  void EndUpdate(bool AForceUpdate = true);
  void CopyBitmap(TBitmap* ABitmap, Cardinal ACopyMode = SRCCOPY);
  void CopyBitmap(TBitmap* ABitmap, const TRect& ADestRect, const TPoint& ASrcTopLeft, Cardinal ACopyMode = SRCCOPY);
  void Rotate(TvxRotationAngle ARotationAngle, bool AFlipVertically = false);
  // Negative sizes become 0; an unchanged size notifies nothing.
  void SetSize(Integer AWidth, Integer AHeight) override;
  void SetSize(const TRect& ARect) { SetSize(ARect.right - ARect.left, ARect.bottom - ARect.top); }
  void DefineProperties(TFiler* Filer) override;

  bool CompressData() const { return FCompressData; }
  void SetCompressData(bool Value) { FCompressData = Value; }
  TvxCanvas* vxCanvas() const { return FvxCanvas; }
  TRect ClientRect() const { return TRect{0, 0, Width(), Height()}; }

  // The persisted "Data" form: the platform form (a 4-byte length, then a bitmap file),
  // or, with CompressData, an "XDBM" block holding it run-length compressed. Reading
  // accepts both; a truncated or corrupt block raises EReadError.
  virtual void ReadData(TStream* Stream);
  virtual void WriteData(TStream* Stream);

 protected:
  void Changed(TObject* Sender) override;
  // Called after every unlocked change.
  virtual void UpdateBitmap() {}

 private:
  void ReadPlainData(TStream* Stream);
  void WritePlainData(TStream* Stream);
  bool FCompressData = false;
  TvxCanvas* FvxCanvas = nullptr;  // owned
  Integer FLockCount = 0;
  bool FModified = false;
};

// Always 32 bits per pixel.
class TvxBitmap32 : public TvxBitmap {
  DECLARE_CLASS(TvxBitmap32, TvxBitmap)
 public:
  TvxBitmap32() : TvxBitmap32(0, 0) {}
  TvxBitmap32(Integer AWidth, Integer AHeight) : TvxBitmap(AWidth, AHeight, pf32bit) {}
  TvxBitmap32(Integer AWidth, Integer AHeight, bool AClear);
  TvxBitmap32(const TRect& ARect, bool AClear)
      : TvxBitmap32(ARect.right - ARect.left, ARect.bottom - ARect.top, AClear) {}
  static std::unique_ptr<TvxBitmap32> CreateSize(Integer AWidth, Integer AHeight) {
    return std::make_unique<TvxBitmap32>(AWidth, AHeight);
  }

  // W x H pixels, bottom row first.
  void GetBitmapColors(TRGBColors& AColors);
  void SetBitmapColors(const TRGBColors& AColors);
  // Blends this bitmap onto ARect of ABitmap.
  void AlphaBlend(TvxBitmap32* ABitmap, const TRect& ARect, bool ASmoothImage, Byte AConstantAlpha = 0xFF);
  // All bytes 0.
  virtual void Clear();
  // This := this AND NOT mask.
  void Filter(TvxBitmap32* AMaskBitmap);
  void Invert();
  void LoadFromStream(TStream* Stream) override;
  void MakeOpaque() { SetAlphaChannel(0xFF); }
  // Pixels of ATransparentColor become transparent black; other alpha-0 pixels opaque.
  void RecoverTransparency(TColor ATransparentColor);
  void SetAlphaChannel(Byte Alpha);
  bool IsAlphaUsed();

 protected:
  // EvdException "Wrong PixelFormat" when the bitmap lost its 32 bits per pixel.
  void UpdateBitmap() override;
};

// RGB values (a pixel's low 24 bits) treated as transparent.
class TvxColorList : public TList {
  DECLARE_CLASS(TvxColorList, TList)
 public:
  Integer Add(TColor AColor);
  bool ContainsRGB(Cardinal ARGB) const;
};

#pragma pack(push, 1)
struct TvxHatchData {
  RGBQUAD Color1;
  Byte Alpha1;
  RGBQUAD Color2;
  Byte Alpha2;
  Byte Step;
};
#pragma pack(pop)

// A 32-bit bitmap with per-pixel looks. Pixels equal to TransparentBkColor (all 32
// bits) or whose RGB is in the transparent-pixel list are transparent.
class TvxAlphaBitmap : public TvxBitmap32 {
  DECLARE_CLASS(TvxAlphaBitmap, TvxBitmap32)
 public:
  TvxAlphaBitmap() : TvxAlphaBitmap(0, 0) {}
  TvxAlphaBitmap(Integer AWidth, Integer AHeight) : TvxBitmap32(AWidth, AHeight) {}
  TvxAlphaBitmap(Integer AWidth, Integer AHeight, RGBQUAD ATransparentBkColor);
  ~TvxAlphaBitmap() override;

  // The transparent background colour when its alpha byte is set, else all zero.
  void Clear() override;
  void DrawHatch(const TvxHatchData& AHatchData);
  void DrawHatch(TColor AColor1, TColor AColor2, Byte AStep, Byte AAlpha1, Byte AAlpha2);
  // Adds a shadow of AShadowColor, AShadowSize pixels to the right and below the
  // opaque part of AMaskBitmap (a mask made by btmMakeMask); with AInflateSize the
  // bitmap grows by the shadow size.
  void DrawShadow(TvxAlphaBitmap* AMaskBitmap, Integer AShadowSize, TColor AShadowColor, bool AInflateSize = false);
  void RecoverAlphaChannel(TColor ATransparentColor);
  void Shade(TvxAlphaBitmap* AMaskBitmap);
  void TransformBitmap(TvxBitmapTransformationMode AMode);
  void RefreshImage(Integer AWidth, Integer AHeight);
  void RefreshImage(const TRect& ARect) { RefreshImage(ARect.right - ARect.left, ARect.bottom - ARect.top); }

  RGBQUAD TransparentBkColor() const { return FTransparentBkColor; }
  void SetTransparentBkColor(RGBQUAD Value) { FTransparentBkColor = Value; }
  TvxColorList* TransparentPixels() const { return FTransparentPixels; }

 private:
  bool IsColorTransparent(const RGBQUAD& AColor) const;
  RGBQUAD FTransparentBkColor{0, 0, 0, 0};
  TvxColorList* FTransparentPixels = new TvxColorList();  // owned
  TPoint FCurrentColorIndex{0, 0};
  TvxHatchData FHatchData{};
};

// --- Bitmap routines -------------------------------------------------------------------------

TBitmap* vxCreateBitmapWithFormat(Integer AWidth, Integer AHeight, TPixelFormat APixelFormat = pfDevice);
TBitmap* vxCreateBitmapOfSize(const TSize& ASize, TPixelFormat APixelFormat = pfDevice);
TBitmap* vxCreateBitmapOfSize(const TRect& ARect, TPixelFormat APixelFormat = pfDevice);
bool vxIsBitmapSet(TBitmap* ABitmap);
// Bits per pixel of the bitmap's format; pfDevice and pfCustom ask its DC.
Integer vxGetBitmapBitsPerPixel(TBitmap* ABitmap);
// W x H pixels, top row first when ATopDown; False (array untouched) for an empty bitmap.
bool vxGetBitmapPixels(TBitmap* ABitmap, bool ATopDown, TRGBColors& AColors);
// Writes the pixels back and empties the array.
void vxSetBitmapPixels(TBitmap* ABitmap, bool ATopDown, TRGBColors& AColors);
bool vxBitBlt(HDC ADestDC, HDC ASrcDC, const TRect& ADestRect, Cardinal AROP, const TPoint& ASrcTopLeft);
void vxDrawBitmapToDC(HDC ADC, TBitmap* ABitmap, const TRect& ADestRect, Cardinal AROP = SRCCOPY,
                      const TPoint& ASrcTopLeft = TPoint{0, 0});
void vxMakeMaskFromBitmap32(TvxBitmap32* ABitmap, TBitmap* AMask);
// The region of every pixel whose RGB differs from ATransparentColor; nullptr when none.
HRGN vxCreateRegionFromBitmap(TBitmap* ABitmap, TColor ATransparentColor);

// Blends ASrcRect of ASrcDC (per-pixel alpha times AConstantAlpha) onto ADestRect.
void vxAlphaBlend(HDC ADestDC, HDC ASrcDC, const TRect& ADestRect, const TRect& ASrcRect, bool ASmoothImage = false,
                  Byte AConstantAlpha = 0xFF);
// The software blend of one source pixel onto one destination pixel.
void vxBlendPixel(RGBQUAD& ADest, const RGBQUAD& ASource, Byte AConstantAlpha);
// Stretches ASource into ADest: GDI's halftone stretch on the NT family unless forced,
// else the two-pass Lanczos-3 resampling.
void vxStretchBitmapSmoothly(TBitmap* ASource, TBitmap* ADest, bool AForceLanczos = false);
