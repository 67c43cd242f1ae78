#include "Jpeg.h"

#include <cstdio>
#include <cstring>

#include "Classes.h"

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return. It jumps
// back to the guarded call below, which then reports failure; the exception is raised
// by the caller, away from any libjpeg frame. Warnings that mean lost image data
// (a stream that ends early, a damaged entropy segment) count as errors too, so a
// damaged file is refused instead of shown half grey.
struct TJpegError {
  jpeg_error_mgr Mgr;
  void* Jump[5];
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr C) {
  auto* e = reinterpret_cast<TJpegError*>(C->err);
  (*C->err->format_message)(C, e->Message);
  __builtin_longjmp(e->Jump, 1);
}

void EmitMessage(j_common_ptr C, int Level) {
  if (Level >= 0) return;
  int code = C->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC ||
      code == JWRN_NOT_SEQUENTIAL)
    ErrorExit(C);
  C->err->num_warnings++;
}

void OutputMessage(j_common_ptr) {}

void InitError(TJpegError& E) {
  jpeg_std_error(&E.Mgr);
  E.Mgr.error_exit = ErrorExit;
  E.Mgr.emit_message = EmitMessage;
  E.Mgr.output_message = OutputMessage;
  E.Message[0] = 0;
}

[[noreturn]] void RaiseJpeg(const TJpegError& E) {
  String msg;
  for (const char* p = E.Message; *p; ++p) msg += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  throw EJPEG(L"JPEG error: %s", {msg});
}

// The most pixels a decoded image may have (8192 x 8192); larger images are refused
// from their header, before anything is allocated for them.
constexpr unsigned long long MaxDecodedPixels = 1ull << 26;

struct TDecodeParams {
  const Byte* Data;
  size_t Size;
  int ScaleDenom;
  bool Grayscale;
  bool Quantize;
  bool Fast;
  bool Smoothing;
};

// Reads the header and starts decompression. Plain data only in this frame: a jump
// out of libjpeg lands here.
__attribute__((noinline)) bool StartDecode(jpeg_decompress_struct& D, TJpegError& E,
                                           const TDecodeParams& P) {
  if (__builtin_setjmp(E.Jump)) return false;
  jpeg_create_decompress(&D);
  jpeg_mem_src(&D, const_cast<unsigned char*>(P.Data), static_cast<unsigned long>(P.Size));
  jpeg_read_header(&D, TRUE);
  D.scale_num = 1;
  D.scale_denom = static_cast<unsigned>(P.ScaleDenom);
  D.out_color_space = P.Grayscale || D.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE
                                                                          : JCS_EXT_BGR;
  if (P.Quantize && D.out_color_space != JCS_GRAYSCALE) {
    D.quantize_colors = TRUE;
    D.desired_number_of_colors = 256;
  }
  D.dct_method = P.Fast ? JDCT_IFAST : JDCT_ISLOW;
  D.do_fancy_upsampling = P.Fast ? FALSE : TRUE;
  D.do_block_smoothing = P.Smoothing ? TRUE : FALSE;
  jpeg_calc_output_dimensions(&D);
  if (static_cast<unsigned long long>(D.output_width) * D.output_height > MaxDecodedPixels) {
    std::snprintf(E.Message, sizeof E.Message, "the image is too large (%u x %u)",
                  D.output_width, D.output_height);
    return false;
  }
  jpeg_start_decompress(&D);
  return true;
}

// Decodes every row into Rows (one pointer per output line).
__attribute__((noinline)) bool ReadRows(jpeg_decompress_struct& D, TJpegError& E,
                                        Byte** Rows) {
  if (__builtin_setjmp(E.Jump)) return false;
  while (D.output_scanline < D.output_height) {
    JSAMPROW row = Rows[D.output_scanline];
    jpeg_read_scanlines(&D, &row, 1);
  }
  jpeg_finish_decompress(&D);
  return true;
}

__attribute__((noinline)) bool ReadHeaderOnly(jpeg_decompress_struct& D, TJpegError& E,
                                              const Byte* Data, size_t Size) {
  if (__builtin_setjmp(E.Jump)) return false;
  jpeg_create_decompress(&D);
  jpeg_mem_src(&D, const_cast<unsigned char*>(Data), static_cast<unsigned long>(Size));
  jpeg_read_header(&D, TRUE);
  return true;
}

struct TEncodeParams {
  int Width, Height;
  bool GrayInput;    // Rows hold one byte per pixel
  bool GrayOutput;
  int Quality;
  bool Progressive;
  bool Fast;
};

__attribute__((noinline)) bool Encode(jpeg_compress_struct& C, TJpegError& E,
                                      const TEncodeParams& P, Byte** Rows,
                                      unsigned char** Out, unsigned long* OutSize) {
  if (__builtin_setjmp(E.Jump)) return false;
  jpeg_create_compress(&C);
  jpeg_mem_dest(&C, Out, OutSize);
  C.image_width = static_cast<JDIMENSION>(P.Width);
  C.image_height = static_cast<JDIMENSION>(P.Height);
  C.input_components = P.GrayInput ? 1 : 3;
  C.in_color_space = P.GrayInput ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&C);
  if (P.GrayOutput) jpeg_set_colorspace(&C, JCS_GRAYSCALE);
  jpeg_set_quality(&C, P.Quality, TRUE);
  C.dct_method = P.Fast ? JDCT_IFAST : JDCT_ISLOW;
  if (P.Progressive) jpeg_simple_progression(&C);
  jpeg_start_compress(&C, TRUE);
  while (C.next_scanline < C.image_height) {
    JSAMPROW row = Rows[C.next_scanline];
    jpeg_write_scanlines(&C, &row, 1);
  }
  jpeg_finish_compress(&C);
  return true;
}

int ScaleDenom(TJPEGScale S) {
  switch (S) {
    case jsHalf: return 2;
    case jsQuarter: return 4;
    case jsEighth: return 8;
    default: return 1;
  }
}

void InitJpeg() {
  TPicture::RegisterFileFormat(L"jpg", L"JPEG Image File", TJPEGImage::StaticClass());
  TPicture::RegisterFileFormat(L"jpeg", L"JPEG Image File", TJPEGImage::StaticClass());
}

void DoneJpeg() { TPicture::UnregisterGraphicClass(TJPEGImage::StaticClass()); }

}  // namespace

const TUnitInfo JpegUnit{L"Jpeg", InitJpeg, DoneJpeg};

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

bool TJPEGImage::Empty() const { return FData.empty() && (!FBitmap || FBitmap->Empty()); }

Integer TJPEGImage::Width() const {
  if (FBitmap && FData.empty()) return FBitmap->Width();
  int d = ScaleDenom(FScale);
  return (FWidth + d - 1) / d;
}

Integer TJPEGImage::Height() const {
  if (FBitmap && FData.empty()) return FBitmap->Height();
  int d = ScaleDenom(FScale);
  return (FHeight + d - 1) / d;
}

void TJPEGImage::SetWidth(Integer) {
  throw EInvalidGraphicOperation(L"Cannot change the size of a JPEG image");
}
void TJPEGImage::SetHeight(Integer) {
  throw EInvalidGraphicOperation(L"Cannot change the size of a JPEG image");
}

void TJPEGImage::SetCompressionQuality(Integer Value) {
  if (Value < 1) Value = 1;
  if (Value > 100) Value = 100;
  FQuality = Value;
}

// Options that change the decoded pixels drop the decoded bitmap (when the data can
// produce it again).
void TJPEGImage::SetGrayscale(bool Value) {
  if (FGrayscale == Value) return;
  FGrayscale = Value;
  if (!FData.empty()) FreeBitmap();
  Changed(this);
}
void TJPEGImage::SetScale(TJPEGScale Value) {
  if (FScale == Value) return;
  if (FData.empty() && FBitmap) JPEGNeeded();
  FScale = Value;
  FreeBitmap();
  Changed(this);
}
void TJPEGImage::SetPixelFormat(TJPEGPixelFormat Value) {
  if (FPixelFormat == Value) return;
  FPixelFormat = Value;
  if (!FData.empty()) FreeBitmap();
  Changed(this);
}
void TJPEGImage::SetPerformance(TJPEGPerformance Value) {
  if (FPerformance == Value) return;
  FPerformance = Value;
  if (!FData.empty()) FreeBitmap();
}
void TJPEGImage::SetSmoothing(bool Value) {
  if (FSmoothing == Value) return;
  FSmoothing = Value;
  if (!FData.empty()) FreeBitmap();
}

void TJPEGImage::FreeBitmap() { FBitmap.reset(); }

void TJPEGImage::ReadHeader() {
  FWidth = FHeight = 0;
  FGrayscaleData = false;
  if (FData.empty()) return;
  jpeg_decompress_struct d{};
  TJpegError e;
  InitError(e);
  d.err = &e.Mgr;
  bool ok = ReadHeaderOnly(d, e, FData.data(), FData.size());
  if (ok) {
    FWidth = static_cast<Integer>(d.image_width);
    FHeight = static_cast<Integer>(d.image_height);
    FGrayscaleData = d.jpeg_color_space == JCS_GRAYSCALE;
  }
  jpeg_destroy_decompress(&d);
  if (!ok) RaiseJpeg(e);
}

void TJPEGImage::DIBNeeded() {
  if (FBitmap || FData.empty()) return;
  jpeg_decompress_struct d{};
  TJpegError e;
  InitError(e);
  d.err = &e.Mgr;
  TDecodeParams p{FData.data(), FData.size(), ScaleDenom(FScale), FGrayscale,
                  FPixelFormat == jf8Bit, FPerformance == jpBestSpeed, FSmoothing};
  // The decompressor is destroyed however the decode ends.
  TScopeExit destroy([&d] { jpeg_destroy_decompress(&d); });
  if (!StartDecode(d, e, p)) RaiseJpeg(e);
  auto bmp = std::make_unique<TBitmap>();
  bool gray = d.out_color_space == JCS_GRAYSCALE;
  bool indexed = gray || d.quantize_colors;
  bmp->SetPixelFormat(indexed ? pf8bit : pf24bit);
  bmp->SetSize(static_cast<Integer>(d.output_width), static_cast<Integer>(d.output_height));
  if (indexed) {
    RGBQUAD table[256]{};
    int n = 256;
    if (gray) {
      for (int i = 0; i < 256; ++i)
        table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    } else {
      // The quantized colour map follows the output space: blue, green, red.
      n = d.actual_number_of_colors;
      for (int i = 0; i < n; ++i)
        table[i] = RGBQUAD{d.colormap[0][i], d.colormap[1][i], d.colormap[2][i], 0};
    }
    SetDIBColorTable(bmp->Canvas()->Handle(), 0, static_cast<UINT>(n), table);
  }
  std::vector<Byte*> rows(d.output_height);
  for (JDIMENSION y = 0; y < d.output_height; ++y)
    rows[y] = static_cast<Byte*>(bmp->ScanLine(static_cast<Integer>(y)));
  if (!ReadRows(d, e, rows.data())) RaiseJpeg(e);
  FBitmap = std::move(bmp);
}

void TJPEGImage::Compress() {
  if (!FBitmap || FBitmap->Empty()) {
    FData.clear();
    return;
  }
  // Work on a 24-bit copy so that every source format reads the same way.
  TBitmap src;
  src.Assign(FBitmap.get());
  src.SetPixelFormat(pf24bit);
  Integer w = src.Width(), h = src.Height();
  std::vector<Byte*> rows(static_cast<size_t>(h));
  for (Integer y = 0; y < h; ++y) rows[static_cast<size_t>(y)] = static_cast<Byte*>(src.ScanLine(y));
  jpeg_compress_struct c{};
  TJpegError e;
  InitError(e);
  c.err = &e.Mgr;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  TEncodeParams p{w, h, false, FGrayscale, FQuality, FProgressiveEncoding,
                  FPerformance == jpBestSpeed};
  bool ok = Encode(c, e, p, rows.data(), &out, &outSize);
  jpeg_destroy_compress(&c);
  if (!ok) {
    free(out);
    RaiseJpeg(e);
  }
  FData.assign(out, out + outSize);
  free(out);
  FWidth = w;
  FHeight = h;
  FGrayscaleData = FGrayscale;
  // The pixels now come from the data (at the current scale).
  FScale = jsFullSize;
}

void TJPEGImage::JPEGNeeded() {
  if (FData.empty() && FBitmap) Compress();
}

TBitmap* TJPEGImage::Bitmap() {
  DIBNeeded();
  if (!FBitmap) FBitmap = std::make_unique<TBitmap>();
  return FBitmap.get();
}

const TBytes& TJPEGImage::Data() {
  JPEGNeeded();
  return FData;
}

void TJPEGImage::Assign(TPersistent* Source) {
  if (!Source) {
    FData.clear();
    FreeBitmap();
    FWidth = FHeight = 0;
    Changed(this);
    return;
  }
  if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
    if (j == this) return;
    FData = j->FData;
    FWidth = j->FWidth;
    FHeight = j->FHeight;
    FGrayscaleData = j->FGrayscaleData;
    FQuality = j->FQuality;
    FGrayscale = j->FGrayscale;
    FScale = j->FScale;
    FPixelFormat = j->FPixelFormat;
    FPerformance = j->FPerformance;
    FProgressiveEncoding = j->FProgressiveEncoding;
    FSmoothing = j->FSmoothing;
    FreeBitmap();
    if (j->FBitmap) {
      FBitmap = std::make_unique<TBitmap>();
      FBitmap->Assign(j->FBitmap.get());
    }
    Changed(this);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->Assign(b);
    FData.clear();
    FBitmap = std::move(bmp);
    FWidth = FBitmap->Width();
    FHeight = FBitmap->Height();
    FScale = jsFullSize;
    Changed(this);
    return;
  }
  inherited::Assign(Source);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
  if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
    if (Empty()) {
      b->Assign(nullptr);
      return;
    }
    b->Assign(Bitmap());
    return;
  }
  inherited::AssignTo(Dest);
}

void TJPEGImage::LoadFromBytes(const TBytes& Data) {
  if (Data.empty()) throw EJPEG(L"JPEG error: the data is empty");
  TBytes old;
  old.swap(FData);
  FData = Data;
  {
    // Data that cannot be read leaves the image as it was.
    TScopeExit rollback([this, &old] {
      FData.swap(old);
      ReadHeader();
    });
    ReadHeader();
    rollback.Dismiss();
  }
  FreeBitmap();
  Changed(this);
}

TBytes TJPEGImage::SaveToBytes() {
  JPEGNeeded();
  return FData;
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
  Int64 n = Stream->Size() - Stream->Position();
  TBytes data(static_cast<size_t>(n > 0 ? n : 0));
  if (!data.empty()) Stream->ReadBuffer(data.data(), static_cast<Integer>(data.size()));
  LoadFromBytes(data);
}

void TJPEGImage::SaveToStream(TStream* Stream) {
  JPEGNeeded();
  if (!FData.empty()) Stream->WriteBuffer(FData.data(), static_cast<Integer>(FData.size()));
}

void TJPEGImage::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (Empty()) return;
  ACanvas->StretchDraw(Rect, Bitmap());
}
