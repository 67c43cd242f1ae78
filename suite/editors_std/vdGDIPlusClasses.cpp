#include "vdGDIPlusClasses.h"

#include <objidl.h>

#include <cmath>

#include "TypInfo.h"

namespace {

using TGdipCreateBitmapFromScan0 = GpStatus(WINAPI*)(INT, INT, INT, PixelFormat, BYTE*, GpBitmap**);
using TGdipCreateBitmapFromStream = GpStatus(WINAPI*)(IStream*, GpBitmap**);
using TGdipSaveImageToStream = GpStatus(WINAPI*)(GpImage*, IStream*, const CLSID*, const void*);
using TGdipCreateHBITMAPFromBitmap = GpStatus(WINAPI*)(GpBitmap*, HBITMAP*, ARGB);
using TGdipDisposeImage = GpStatus(WINAPI*)(GpImage*);
using TGdipGetImageSize = GpStatus(WINAPI*)(GpImage*, UINT*);
using TGdipGetImageDimension = GpStatus(WINAPI*)(GpImage*, float*, float*);
using TGdipCloneImage = GpStatus(WINAPI*)(GpImage*, GpImage**);
using TGdipCreateFromHDC = GpStatus(WINAPI*)(HDC, GpGraphics**);
using TGdipDeleteGraphics = GpStatus(WINAPI*)(GpGraphics*);
using TGdipDrawImageRectRectI = GpStatus(WINAPI*)(GpGraphics*, GpImage*, INT, INT, INT, INT, INT, INT, INT, INT, int,
                                                  const void*, void*, void*);
using TGdipIsVisibleRectI = GpStatus(WINAPI*)(GpGraphics*, INT, INT, INT, INT, BOOL*);

// The image class: the null image until the PNG unit finds GDI+.
bool GNullImageClass = true;
CLSID GPngEncoder{};

void EnsurePngEncoder() {
  static const CLSID Zero{};
  if (memcmp(&GPngEncoder, &Zero, sizeof(CLSID)) == 0) GetEncoderClsid(L"image/png", GPngEncoder);
}

struct TComRelease {
  void operator()(IUnknown* P) const {
    if (P) P->Release();
  }
};

}  // namespace

TvdGPImage* vdNewGPImage() {
  if (GNullImageClass || !CheckGdiPlus()) return new TvdGPNullImage;
  return new TvdGPImage;
}

bool vdGPImageClassIsNull() { return GNullImageClass; }

// --- TvdGPImage -------------------------------------------------------------------------------------

TvdGPImage::~TvdGPImage() { FreeHandle(); }

void TvdGPImage::FreeHandle() {
  // An image outliving GDI+ (unloaded at shut-down) has nothing left to dispose of.
  if (FHandle)
    if (auto Dispose = GdipFn<TGdipDisposeImage>(gfGdipDisposeImage)) Dispose(FHandle);
  FHandle = nullptr;
}

Integer TvdGPImage::Width() const {
  UINT W = 0;
  if (FHandle) CheckGdiPlusStatus(GdipFn<TGdipGetImageSize>(gfGdipGetImageWidth)(FHandle, &W));
  return static_cast<Integer>(W);
}

Integer TvdGPImage::Height() const {
  UINT H = 0;
  if (FHandle) CheckGdiPlusStatus(GdipFn<TGdipGetImageSize>(gfGdipGetImageHeight)(FHandle, &H));
  return static_cast<Integer>(H);
}

void TvdGPImage::CreateFromPattern(Integer AWidth, Integer AHeight, const TvdRGBColors& Bits, bool AlphaChannel) {
  FreeHandle();
  FBits = Bits;
  if (!AlphaChannel)
    for (RGBQUAD& Q : FBits) Q.rgbReserved = 255;
  if (AWidth < 1 || AHeight < 1 || FBits.size() < static_cast<size_t>(AWidth) * AHeight) return;
  CheckGdiPlusStatus(GdipFn<TGdipCreateBitmapFromScan0>(gfGdipCreateBitmapFromScan0)(
      AWidth, AHeight, 4 * AWidth, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(FBits.data()), &FHandle));
}

namespace {
TvdRGBColors BitsOf(TBitmap* Bitmap) {
  const Integer W = Bitmap->Width(), H = Bitmap->Height();
  TvdRGBColors Bits(static_cast<size_t>(W) * H);
  if (Bits.empty()) return Bits;
  BITMAPINFO BI{};
  BI.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  BI.bmiHeader.biWidth = W;
  BI.bmiHeader.biHeight = -H;
  BI.bmiHeader.biPlanes = 1;
  BI.bmiHeader.biBitCount = 32;
  BI.bmiHeader.biCompression = BI_RGB;
  HDC DC = GetDC(nullptr);
  const int Lines = GetDIBits(DC, Bitmap->Handle(), 0, H, Bits.data(), &BI, DIB_RGB_COLORS);
  ReleaseDC(nullptr, DC);
  if (Lines == 0 && Bitmap->PixelFormat() == pf32bit)
    for (Integer Y = 0; Y < H; ++Y) memcpy(&Bits[static_cast<size_t>(Y) * W], Bitmap->ScanLine(Y), 4 * W);
  return Bits;
}
}  // namespace

void TvdGPImage::CreateFromBitmap(TBitmap* Bitmap) {
  EnsurePngEncoder();
  CreateFromPattern(Bitmap->Width(), Bitmap->Height(), BitsOf(Bitmap), Bitmap->PixelFormat() == pf32bit);
}

void TvdGPImage::CreateFromStream(TStream* Stream) {
  if (!CheckGdiPlus() || Stream->Size() - Stream->Position() <= 13) return;
  Byte Head[14];
  Stream->ReadBuffer(Head, 14);
  Stream->Seek(-14, soCurrent);
  if (Head[0] == 'B' && Head[1] == 'M') {
    TBitmap B;
    B.LoadFromStream(Stream);
    CreateFromBitmap(&B);
  } else {
    CreateHandleFromStream(Stream);
  }
}

void TvdGPImage::CreateHandleFromStream(TStream* Stream) {
  FreeHandle();
  FBits.clear();
  // The image is what lies between the position and the end of the stream.
  const Int64 Count = Stream->Size() - Stream->Position();
  if (Count <= 0) return;
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(Count));
  if (!Block) throw EOutOfMemory(L"Out of memory");
  auto FreeBlock = TScopeExit([&] { GlobalFree(Block); });
  {
    void* P = GlobalLock(Block);
    auto Unlock = TScopeExit([&] { GlobalUnlock(Block); });
    Stream->ReadBuffer(P, static_cast<Integer>(Count));
  }
  IStream* Raw = nullptr;
  if (CreateStreamOnHGlobal(Block, FALSE, &Raw) != S_OK) CheckGdiPlusStatus(1);
  std::unique_ptr<IStream, TComRelease> S(Raw);
  GpBitmap* B = nullptr;
  CheckGdiPlusStatus(GdipFn<TGdipCreateBitmapFromStream>(gfGdipCreateBitmapFromStream)(S.get(), &B));
  // The decoded image must not depend on the block, which is freed here: a copy is kept.
  GpImage* Copy = nullptr;
  const GpStatus St = GdipFn<TGdipCloneImage>(gfGdipCloneImage)(B, &Copy);
  GdipFn<TGdipDisposeImage>(gfGdipDisposeImage)(B);
  CheckGdiPlusStatus(St);
  FHandle = Copy;
}

void TvdGPImage::SaveToStream(TStream* Stream) {
  if (!FHandle) return;
  EnsurePngEncoder();
  IStream* Raw = nullptr;
  if (CreateStreamOnHGlobal(nullptr, TRUE, &Raw) != S_OK) CheckGdiPlusStatus(1);
  std::unique_ptr<IStream, TComRelease> S(Raw);
  CheckGdiPlusStatus(GdipFn<TGdipSaveImageToStream>(gfGdipSaveImageToStream)(FHandle, S.get(), &GPngEncoder, nullptr));
  HGLOBAL Block = nullptr;
  GetHGlobalFromStream(S.get(), &Block);
  STATSTG Stat{};
  S->Stat(&Stat, STATFLAG_NONAME);
  const void* P = GlobalLock(Block);
  auto Unlock = TScopeExit([&] { GlobalUnlock(Block); });
  Stream->WriteBuffer(P, static_cast<Integer>(Stat.cbSize.QuadPart));
}

std::unique_ptr<TBitmap> TvdGPImage::GetAsBitmap() {
  auto B = std::make_unique<TBitmap>();
  if (!FHandle) return B;
  HBITMAP H = nullptr;
  CheckGdiPlusStatus(GdipFn<TGdipCreateHBITMAPFromBitmap>(gfGdipCreateHBITMAPFromBitmap)(FHandle, &H, 0));
  B->SetHandle(H);
  B->SetPixelFormat(pf32bit);
  return B;
}

void TvdGPImage::Unpack() {
  if (!FBits.empty() || !FHandle) return;
  std::unique_ptr<TBitmap> B = GetAsBitmap();
  FBits = BitsOf(B.get());
}

TvdRGBColors TvdGPImage::GetBitmapBits() {
  Unpack();
  return FBits;
}

TvdGPImage* TvdGPImage::Clone() {
  TvdGPImage* R = vdNewGPImage();
  if (FBits.empty()) {
    if (FHandle) CheckGdiPlusStatus(GdipFn<TGdipCloneImage>(gfGdipCloneImage)(FHandle, &R->FHandle));
  } else {
    R->CreateFromPattern(Width(), Height(), FBits, true);
  }
  return R;
}

void TvdGPImage::Draw(HDC DC, const TRect& R) {
  GpGraphics* G = nullptr;
  if (GdipFn<TGdipCreateFromHDC>(gfGdipCreateFromHDC)(DC, &G) != Ok) return;
  auto Delete = TScopeExit([&] { GdipFn<TGdipDeleteGraphics>(gfGdipDeleteGraphics)(G); });
  DrawEx(G, R, ClientRect());
}

void TvdGPImage::DrawEx(GpGraphics* Graphics, const TRect& Dest, const TRect& Source) {
  Integer SW = Source.right - Source.left, SH = Source.bottom - Source.top;
  const Integer DW = Dest.right - Dest.left, DH = Dest.bottom - Dest.top;
  if (!FHandle || SW < 1 || SH < 1 || DW < 1 || DH < 1) return;
  // Enlarging samples one pixel less, so the last row and column do not fade out.
  if (SW > 1 && SW < DW) --SW;
  if (SH > 1 && SH < DH) --SH;
  BOOL Visible = FALSE;
  CheckGdiPlusStatus(GdipFn<TGdipIsVisibleRectI>(gfGdipIsVisibleRectI)(Graphics, Dest.left, Dest.top, DW, DH, &Visible));
  if (!Visible) return;
  CheckGdiPlusStatus(GdipFn<TGdipDrawImageRectRectI>(gfGdipDrawImageRectRectI)(
      Graphics, FHandle, Dest.left, Dest.top, DW, DH, Source.left, Source.top, SW, SH, UnitPixel, nullptr, nullptr,
      nullptr));
}

TvdGPImage* TvdGPImage::MakeComposition(TvdGPImage* Overlay, Byte Alpha) {
  Unpack();
  if (FBits.empty() || !Overlay) return nullptr;
  Overlay->Unpack();
  // Pixels are paired by index, so only images of one size can be blended.
  if (Overlay->Width() != Width() || Overlay->Height() != Height() || Overlay->FBits.size() != FBits.size())
    return nullptr;
  const double A = Alpha / 255.0;
  TvdRGBColors Out(FBits.size());
  auto Mix = [A](BYTE Own, BYTE Over) {
    return static_cast<BYTE>(std::nearbyint((1 - A) * Own + A * Over));
  };
  for (size_t I = 0; I < FBits.size(); ++I) {
    const RGBQUAD& P = FBits[I];
    const RGBQUAD& Q = Overlay->FBits[I];
    Out[I] = RGBQUAD{Mix(P.rgbBlue, Q.rgbBlue), Mix(P.rgbGreen, Q.rgbGreen), Mix(P.rgbRed, Q.rgbRed),
                     Mix(P.rgbReserved, Q.rgbReserved)};
  }
  TvdGPImage* R = vdNewGPImage();
  R->CreateFromPattern(Width(), Height(), Out, true);
  return R;
}

// --- TvdPNGImage ------------------------------------------------------------------------------------

TvdPNGImage::~TvdPNGImage() = default;

void TvdPNGImage::SetHandle(TvdGPImage* Value) {
  FHandle.reset(Value);
  Changed(this);
}

Integer TvdPNGImage::Width() const {
  if (!FHandle || !FHandle->Handle()) return 0;
  float W = 0, H = 0;
  CheckGdiPlusStatus(GdipFn<TGdipGetImageDimension>(gfGdipGetImageDimension)(FHandle->Handle(), &W, &H));
  return static_cast<Integer>(W);
}

Integer TvdPNGImage::Height() const {
  if (!FHandle || !FHandle->Handle()) return 0;
  float W = 0, H = 0;
  CheckGdiPlusStatus(GdipFn<TGdipGetImageDimension>(gfGdipGetImageDimension)(FHandle->Handle(), &W, &H));
  return static_cast<Integer>(H);
}

void TvdPNGImage::Assign(TPersistent* Source) {
  if (auto* B = dynamic_cast<TBitmap*>(Source)) {
    SetBitmap(B);
  } else if (auto* P = dynamic_cast<TvdPNGImage*>(Source)) {
    SetHandle(P->FHandle ? P->FHandle->Clone() : nullptr);
  } else {
    inherited::Assign(Source);
  }
}

void TvdPNGImage::AssignTo(TPersistent* Dest) {
  if (auto* P = dynamic_cast<TvdPNGImage*>(Dest)) {
    P->Assign(this);
  } else if (auto* B = dynamic_cast<TBitmap*>(Dest)) {
    std::unique_ptr<TBitmap> T = GetAsBitmap();
    B->Assign(T.get());
  } else {
    inherited::AssignTo(Dest);
  }
}

void TvdPNGImage::Changed(TObject* Sender) {
  FIsAlphaUsedAssigned = false;
  inherited::Changed(Sender);
}

bool TvdPNGImage::Compare(TvdPNGImage* Image) {
  if (Width() != Image->Width() || Height() != Image->Height()) return false;
  if (Empty() || Image->Empty()) return true;
  const TvdRGBColors A = FHandle->GetBitmapBits(), B = Image->FHandle->GetBitmapBits();
  return A.size() == B.size() && memcmp(A.data(), B.data(), A.size() * sizeof(RGBQUAD)) == 0;
}

std::unique_ptr<TBitmap> TvdPNGImage::GetAsBitmap() {
  return FHandle ? FHandle->GetAsBitmap() : std::make_unique<TBitmap>();
}

void TvdPNGImage::SetBitmap(TBitmap* Bitmap) {
  TvdGPImage* I = vdNewGPImage();
  std::unique_ptr<TvdGPImage, TImageDeleter> Guard(I);
  I->CreateFromBitmap(Bitmap);
  SetHandle(Guard.release());
}

bool TvdPNGImage::IsAlphaUsed() {
  if (!FIsAlphaUsedAssigned) {
    FIsAlphaUsed = false;
    if (FHandle)
      for (const RGBQUAD& Q : FHandle->GetBitmapBits())
        if (Q.rgbReserved != 255) {
          FIsAlphaUsed = true;
          break;
        }
    FIsAlphaUsedAssigned = true;
  }
  return FIsAlphaUsed;
}

void TvdPNGImage::LoadFromStream(TStream* Stream) {
  if (Stream->Size() == 0) {
    SetHandle(nullptr);
    return;
  }
  TvdGPImage* I = vdNewGPImage();
  std::unique_ptr<TvdGPImage, TImageDeleter> Guard(I);
  I->CreateFromStream(Stream);
  SetHandle(Guard.release());
}

void TvdPNGImage::SaveToStream(TStream* Stream) {
  if (!FHandle) return;
  TMemoryStream M;
  FHandle->SaveToStream(&M);
  M.SetPosition(0);
  Stream->CopyFrom(&M, M.Size());
}

void TvdPNGImage::LoadFromBytes(const TBytes& Data) {
  TMemoryStream M;
  if (!Data.empty()) M.WriteBuffer(Data.data(), static_cast<Integer>(Data.size()));
  M.SetPosition(0);
  LoadFromStream(&M);
}

TBytes TvdPNGImage::SaveToBytes() {
  TMemoryStream M;
  SaveToStream(&M);
  TBytes R(static_cast<size_t>(M.Size()));
  if (!R.empty()) memcpy(R.data(), M.Memory(), R.size());
  return R;
}

void TvdPNGImage::Draw(TCanvas* ACanvas, const RECT& Rect) {
  StretchDraw(ACanvas->Handle(), Rect, TRect{0, 0, Width(), Height()});
}

void TvdPNGImage::StretchDraw(HDC DC, const TRect& Dest, const TRect& Source) {
  if (!FHandle || !FHandle->Handle()) return;
  GpGraphics* G = nullptr;
  CheckGdiPlusStatus(GdipFn<TGdipCreateFromHDC>(gfGdipCreateFromHDC)(DC, &G));
  auto Delete = TScopeExit([&] { CheckGdiPlusStatus(GdipFn<TGdipDeleteGraphics>(gfGdipDeleteGraphics)(G)); });
  FHandle->DrawEx(G, Dest, Source);
}

// --- Registration ---------------------------------------------------------------------------------------

namespace {

void InitPNG() {
  GNullImageClass = true;
  if (!CheckGdiPlus()) return;
  EnsurePngEncoder();
  GNullImageClass = false;
  RegisterClass(TvdPNGImage::StaticClass());
  TPicture::RegisterFileFormat(L"PNG", L"PNG graphics from Tarvix", TvdPNGImage::StaticClass());
}

void FinPNG() {
  TPicture::UnregisterGraphicClass(TvdPNGImage::StaticClass());
  UnRegisterClass(TvdPNGImage::StaticClass());
  GNullImageClass = true;
}

void InitGDIPlusClasses() { UnitsLoaderInstance()->AddUnit(InitPNG, FinPNG); }
void FinGDIPlusClasses() { UnitsLoaderInstance()->RemoveUnit(FinPNG); }

}  // namespace

const TUnitInfo vdGDIPlusClassesUnit = {L"vdGDIPlusClasses", InitGDIPlusClasses, FinGDIPlusClasses};
