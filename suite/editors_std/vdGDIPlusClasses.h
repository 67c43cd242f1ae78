// Images through GDI+: one GDI+ bitmap handle with its pixels, and the PNG graphic class that
// keeps its picture in one and stores it as PNG.
#pragma once

#include <memory>
#include <vector>

#include "Graphics.h"
#include "vdGDIPlusAPI.h"
#include "vxGeometry.h"

using TvdRGBColors = std::vector<RGBQUAD>;

class TvdGPImage;
using TvdGPImageClass = TvdGPImage* (*)();

class TvdGPImage : public TvdGPBase {
  DECLARE_CLASS(TvdGPImage, TvdGPBase)
 public:
  TvdGPImage() = default;
  ~TvdGPImage() override;
  GpImage* Handle() const { return FHandle; }
  Integer Width() const;
  Integer Height() const;
  TRect ClientRect() const { return TRect{0, 0, Width(), Height()}; }

  virtual void FreeHandle();
  // Reads the image from the stream's position to its end; a bitmap file goes through
  // the runtime's bitmap reader.
  virtual void CreateFromStream(TStream* Stream);
  virtual void CreateFromBitmap(TBitmap* Bitmap);
  virtual void CreateFromPattern(Integer AWidth, Integer AHeight, const TvdRGBColors& Bits, bool AlphaChannel);
  // A new 32-bit bitmap of the image; the caller owns it.
  virtual std::unique_ptr<TBitmap> GetAsBitmap();
  void SaveToStream(TStream* Stream);
  void Unpack();
  TvdRGBColors GetBitmapBits();
  // A copy of the image in the current image class.
  TvdGPImage* Clone();
  void Draw(HDC DC, const TRect& R);
  void DrawEx(GpGraphics* Graphics, const TRect& Dest, const TRect& Source);
  // The image blended with an overlay of the same size (Alpha 0 keeps this one, 255 the
  // overlay); nullptr when either has no pixels or the sizes differ. The caller owns it.
  TvdGPImage* MakeComposition(TvdGPImage* Overlay, Byte Alpha);

 protected:
  virtual void CreateHandleFromStream(TStream* Stream);
  TvdRGBColors FBits;
  GpImage* FHandle = nullptr;
};

// The image class while GDI+ is missing: plain allocation, no picture.
class TvdGPNullImage : public TvdGPImage {
  DECLARE_CLASS(TvdGPNullImage, TvdGPImage)
 public:
  static void* operator new(size_t Size) { return ::operator new(Size); }
  static void operator delete(void* P) { ::operator delete(P); }
  void CreateFromStream(TStream*) override {}
  void CreateFromBitmap(TBitmap*) override {}
  void CreateFromPattern(Integer, Integer, const TvdRGBColors&, bool) override {}
  std::unique_ptr<TBitmap> GetAsBitmap() override { return std::make_unique<TBitmap>(); }
};

// A new, empty instance of the current image class (TvdGPImage once GDI+ is available).
TvdGPImage* vdNewGPImage();
bool vdGPImageClassIsNull();

class TvdPNGImage : public TGraphic {
  DECLARE_CLASS(TvdPNGImage, TGraphic)
 public:
  TvdPNGImage() = default;
  ~TvdPNGImage() override;
  void Assign(TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) override;

  TvdGPImage* Handle() const { return FHandle.get(); }
  // Takes over the image (nullptr clears).
  void SetHandle(TvdGPImage* Value);
  bool Empty() const override { return Width() < 1 || Height() < 1; }
  Integer Width() const override;
  Integer Height() const override;
  void SetWidth(Integer) override {}
  void SetHeight(Integer) override {}
  bool Transparent() const override { return true; }
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromBytes(const TBytes& Data) override;
  TBytes SaveToBytes() override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;

  // Same size and, unless either is empty, the same pixels.
  virtual bool Compare(TvdPNGImage* Image);
  virtual std::unique_ptr<TBitmap> GetAsBitmap();
  virtual void SetBitmap(TBitmap* Bitmap);
  virtual void StretchDraw(HDC DC, const TRect& Dest, const TRect& Source);
  bool IsAlphaUsed();

 protected:
  void Changed(TObject* Sender) override;

 private:
  struct TImageDeleter {
    void operator()(TvdGPImage* P) const { delete P; }
  };
  std::unique_ptr<TvdGPImage, TImageDeleter> FHandle;
  bool FIsAlphaUsed = false;
  bool FIsAlphaUsedAssigned = false;
};

extern const TUnitInfo vdGDIPlusClassesUnit;
