// Jpeg: a picture class for JPEG images, over libjpeg. The image keeps its compressed
// data and decodes it into a bitmap when it is drawn or read; assigning a bitmap keeps
// the pixels and compresses them when the data is asked for or saved.
#pragma once

#include <memory>

#include "Graphics.h"
#include "SysInit.h"

DECLARE_EXCEPTION(EJPEG, EInvalidGraphic)

enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage : public TGraphic {
  DECLARE_CLASS(TJPEGImage, TGraphic)
 public:
  TJPEGImage();
  ~TJPEGImage() override;
  void Assign(TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) override;

  bool Empty() const override;
  Integer Width() const override;
  Integer Height() const override;
  // The size is that of the picture; raises EInvalidGraphicOperation.
  void SetWidth(Integer) override;
  void SetHeight(Integer) override;

  // 1..100; used when the image is next compressed.
  Integer CompressionQuality() const { return FQuality; }
  void SetCompressionQuality(Integer Value);
  bool Grayscale() const { return FGrayscale; }
  void SetGrayscale(bool Value);
  TJPEGScale Scale() const { return FScale; }
  void SetScale(TJPEGScale Value);
  TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TJPEGPixelFormat Value);
  TJPEGPerformance Performance() const { return FPerformance; }
  void SetPerformance(TJPEGPerformance Value);
  bool ProgressiveEncoding() const { return FProgressiveEncoding; }
  void SetProgressiveEncoding(bool Value) { FProgressiveEncoding = Value; }
  bool Smoothing() const { return FSmoothing; }
  void SetSmoothing(bool Value);

  // Compresses the current pixels (when the data is out of date).
  void Compress();
  // Makes sure the compressed data exists.
  void JPEGNeeded();
  // Makes sure the decoded bitmap exists (raises EJPEG for corrupt data).
  void DIBNeeded();
  // The decoded image (owned by this object).
  TBitmap* Bitmap();
  // The compressed data.
  const TBytes& Data();

  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromBytes(const TBytes& Data) override;
  TBytes SaveToBytes() override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;

 private:
  void FreeBitmap();
  void ReadHeader();
  TBytes FData;                     // compressed image; empty when only pixels exist
  std::unique_ptr<TBitmap> FBitmap; // decoded or assigned pixels
  Integer FWidth = 0, FHeight = 0;  // full size, from the data header or the bitmap
  bool FGrayscaleData = false;      // the data holds one component
  Integer FQuality = 90;
  bool FGrayscale = false;
  TJPEGScale FScale = jsFullSize;
  TJPEGPixelFormat FPixelFormat = jf24Bit;
  TJPEGPerformance FPerformance = jpBestQuality;
  bool FProgressiveEncoding = false;
  bool FSmoothing = true;
};

// Registers the class as the picture format of the jpg and jpeg extensions.
extern const TUnitInfo JpegUnit;
