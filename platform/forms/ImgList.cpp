#include "ImgList.h"

#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <vector>
#include <memory>

#include "Classes.h"
#include "Streaming.h"

namespace {

COLORREF ListColor(TColor C) {
  if (C == clNone) return CLR_NONE;
  if (C == clDefault) return CLR_DEFAULT;
  return static_cast<COLORREF>(ColorToRGB(C));
}

// A device context with a bitmap selected, released on scope exit.
struct TMemDC {
  HDC DC;
  HGDIOBJ Old;
  TMemDC(HBITMAP B) : DC(CreateCompatibleDC(nullptr)), Old(SelectObject(DC, B)) {}
  ~TMemDC() {
    SelectObject(DC, Old);
    DeleteDC(DC);
  }
};

// A 32-bit top-down DIB section for pixel work.
struct TDib {
  HBITMAP Handle = nullptr;
  DWORD* Bits = nullptr;
  int W = 0, H = 0;
  TDib(int AW, int AH) : W(AW), H(AH) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = AW;
    bi.bmiHeader.biHeight = -AH;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    Handle = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!Handle) throw EOutOfResources(L"Out of system resources");
    Bits = static_cast<DWORD*>(bits);
  }
  ~TDib() { DeleteObject(Handle); }
};

}  // namespace

// ---------------------------------------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

// ---------------------------------------------------------------------------------------

void TImageList::DeclarePublished(TPublisher<TImageList>& P) {
  using C = TImageList;
  P.Property(L"AllocBy", &C::AllocBy, &C::SetAllocBy).Default(4);
  P.Property(L"BkColor", &C::BkColor, &C::SetBkColor).Default(clNone);
  P.Property(L"BlendColor", &C::BlendColor, &C::SetBlendColor).Default(clNone);
  P.Property(L"ColorDepth", &C::ColorDepth, &C::SetColorDepth).Default(cd32Bit);
  P.Property(L"DrawingStyle", &C::DrawingStyle, &C::SetDrawingStyle).Default(dsNormal);
  P.Property(L"ImageType", &C::ImageType, &C::SetImageType).Default(itImage);
  P.Property(L"Masked", &C::Masked, &C::SetMasked).Default(true);
  P.Property(L"ShareImages", &C::ShareImages, &C::SetShareImages).Default(false);
  P.Property(L"Height", &C::Height, &C::SetHeight).Default(16);
  P.Property(L"Width", &C::Width, &C::SetWidth).Default(16);
  P.Property(L"OnChange", &C::OnChange);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(Integer AWidth, Integer AHeight) : TComponent(nullptr) {
  FWidth = AWidth;
  FHeight = AHeight;
}

TCustomImageList::~TCustomImageList() {
  if (FDragging) EndDrag();
  for (TChangeLink* l : FClients) l->SetSender(nullptr);
  FClients.clear();
  FreeHandle();
}

UINT TCustomImageList::ColorFlags() const {
  switch (FColorDepth) {
    case cd4Bit: return ILC_COLOR4;
    case cd8Bit: return ILC_COLOR8;
    case cd16Bit: return ILC_COLOR16;
    case cd24Bit: return ILC_COLOR24;
    case cd32Bit: return ILC_COLOR32;
    default: return ILC_COLORDDB;
  }
}

void TCustomImageList::CreateList() {
  if (FWidth <= 0 || FHeight <= 0)
    throw EInvalidOperation(L"Invalid image size");
  FHandle = ImageList_Create(FWidth, FHeight, ColorFlags() | (FMasked ? ILC_MASK : 0),
                             FAllocBy, FAllocBy);
  if (!FHandle) throw EInvalidOperation(L"Failed to create the image list");
  ImageList_SetBkColor(FHandle, ListColor(FBkColor));
}

void TCustomImageList::FreeHandle() {
  if (FHandle && !FShareImages) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
  if (!FHandle) CreateList();
  return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
  if (Value == FHandle) return;
  FreeHandle();
  FHandle = Value;
  if (FHandle) {
    int w = 0, h = 0;
    ImageList_GetIconSize(FHandle, &w, &h);
    FWidth = w;
    FHeight = h;
    COLORREF bk = ImageList_GetBkColor(FHandle);
    FBkColor = bk == CLR_NONE ? clNone : static_cast<TColor>(bk);
  }
  Change();
}

HIMAGELIST TCustomImageList::ReleaseHandle() {
  HIMAGELIST h = FHandle;
  FHandle = nullptr;
  return h;
}

void TCustomImageList::SetSize(Integer AWidth, Integer AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) return;
  if (AWidth <= 0 || AHeight <= 0) throw EInvalidOperation(L"Invalid image size");
  FWidth = AWidth;
  FHeight = AHeight;
  if (FHandle) {
    ImageList_SetIconSize(FHandle, FWidth, FHeight);  // also removes every image
    Change();
  }
}

// Properties the system list fixes at creation make a new, empty list.
void TCustomImageList::SetMasked(bool Value) {
  if (FMasked == Value) return;
  FMasked = Value;
  if (FHandle) {
    FreeHandle();
    Change();
  }
}

void TCustomImageList::SetColorDepth(TColorDepth Value) {
  if (FColorDepth == Value) return;
  FColorDepth = Value;
  if (FHandle) {
    FreeHandle();
    Change();
  }
}

void TCustomImageList::SetBkColor(TColor Value) {
  FBkColor = Value;
  if (FHandle) ImageList_SetBkColor(FHandle, ListColor(Value));
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
  if (FDrawingStyle == Value) return;
  FDrawingStyle = Value;
  Change();
}

void TCustomImageList::SetImageType(TImageType Value) {
  if (FImageType == Value) return;
  FImageType = Value;
  Change();
}

Integer TCustomImageList::Count() { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::CheckIndex(Integer Index, bool AllowEnd) {
  Integer n = Count();
  if (Index < 0 || Index > n || (!AllowEnd && Index == n))
    throw EInvalidOperation(L"Invalid ImageList Index");
}

void TCustomImageList::Change() {
  if (FUpdateCount > 0) {
    FChanged = true;
    return;
  }
  FChanged = false;
  std::vector<TChangeLink*> links = FClients;
  for (TChangeLink* l : links) l->Change();
  if (OnChange) OnChange(this);
}

void TCustomImageList::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FChanged) Change();
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value) return;
  Value->SetSender(this);
  if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end())
    FClients.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto it = std::find(FClients.begin(), FClients.end(), Value);
  if (it != FClients.end()) {
    (*it)->SetSender(nullptr);
    FClients.erase(it);
  }
}

Integer TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->Empty()) return -1;
  // A bitmap still selected into its canvas cannot be selected by the system call: the
  // canvases let go of their contexts first.
  Image->Dormant();
  if (Mask) Mask->Dormant();
  Integer r = ImageList_Add(Handle(), Image->Handle(), Mask ? Mask->Handle() : nullptr);
  Change();
  return r;
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty()) return -1;
  // The system call blackens the transparent pixels of the bitmap it gets: give it a copy.
  TBitmap copy;
  copy.Assign(Image);
  Integer r;
  if (FMasked && MaskColor != clNone) {
    TColor c = MaskColor == clDefault ? copy.Canvas()->Pixel(0, copy.Height() - 1) : MaskColor;
    copy.Dormant();  // the system call selects the bitmap itself
    r = ImageList_AddMasked(Handle(), copy.Handle(), static_cast<COLORREF>(ColorToRGB(c)));
  } else {
    copy.Dormant();
    r = ImageList_Add(Handle(), copy.Handle(), nullptr);
  }
  Change();
  return r;
}

Integer TCustomImageList::AddIcon(TIcon* Image) {
  if (!Image || Image->Empty()) return -1;
  Integer r = ImageList_ReplaceIcon(Handle(), -1, Image->Handle());
  Change();
  return r;
}

void TCustomImageList::AddImages(TCustomImageList* Value) {
  if (!Value || Value == this) return;
  BeginUpdate();
  for (Integer i = 0, n = Value->Count(); i < n; ++i) {
    HICON icon = ImageList_GetIcon(Value->Handle(), i, ILD_TRANSPARENT);
    if (icon) {
      ImageList_ReplaceIcon(Handle(), -1, icon);
      DestroyIcon(icon);
    }
  }
  Change();
  EndUpdate();
}

void TCustomImageList::Insert(Integer Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index, true);
  Integer at = Add(Image, Mask);
  if (at >= 0) Move(at, Index);
}

void TCustomImageList::InsertMasked(Integer Index, TBitmap* Image, TColor MaskColor) {
  CheckIndex(Index, true);
  Integer at = AddMasked(Image, MaskColor);
  if (at >= 0) Move(at, Index);
}

void TCustomImageList::InsertIcon(Integer Index, TIcon* Image) {
  CheckIndex(Index, true);
  Integer at = AddIcon(Image);
  if (at >= 0) Move(at, Index);
}

void TCustomImageList::Replace(Integer Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index);
  if (Image) Image->Dormant();
  if (Mask) Mask->Dormant();
  if (!ImageList_Replace(Handle(), Index, Image ? Image->Handle() : nullptr,
                         Mask ? Mask->Handle() : nullptr))
    throw EInvalidOperation(L"Failed to replace image");
  Change();
}

void TCustomImageList::ReplaceMasked(Integer Index, TBitmap* NewImage, TColor MaskColor) {
  CheckIndex(Index);
  BeginUpdate();
  // Add the masked image at the end, copy it over the old one and drop the extra.
  Integer at = AddMasked(NewImage, MaskColor);
  if (at >= 0) {
    ImageList_Copy(FHandle, Index, FHandle, at, ILCF_MOVE);
    ImageList_Remove(FHandle, at);
  }
  Change();
  EndUpdate();
}

void TCustomImageList::ReplaceIcon(Integer Index, TIcon* Image) {
  CheckIndex(Index);
  if (Image && !Image->Empty()) ImageList_ReplaceIcon(Handle(), Index, Image->Handle());
  Change();
}

void TCustomImageList::Delete(Integer Index) {
  if (Index != -1) CheckIndex(Index);
  ImageList_Remove(Handle(), Index);
  Change();
}

void TCustomImageList::Clear() { Delete(-1); }

// Moves one image, shifting those in between. The system's swap loses the images under
// Wine, so the moved image waits in an extra slot at the end while the others shift with
// plain copies.
void TCustomImageList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  const Integer spare = Count();
  if (!ImageList_SetImageCount(FHandle, static_cast<UINT>(spare + 1)))
    throw EInvalidOperation(L"Failed to move image");
  ImageList_Copy(FHandle, spare, FHandle, CurIndex, ILCF_MOVE);
  Integer step = NewIndex > CurIndex ? 1 : -1;
  for (Integer i = CurIndex; i != NewIndex; i += step)
    ImageList_Copy(FHandle, i, FHandle, i + step, ILCF_MOVE);
  ImageList_Copy(FHandle, NewIndex, FHandle, spare, ILCF_MOVE);
  ImageList_Remove(FHandle, spare);
  Change();
}

UINT TCustomImageList::DrawFlags(TDrawingStyle S, TImageType T) const {
  UINT f = 0;
  switch (S) {
    case dsFocus: f = ILD_FOCUS; break;
    case dsSelected: f = ILD_SELECTED; break;
    case dsTransparent: f = ILD_TRANSPARENT; break;
    default: f = ILD_NORMAL; break;
  }
  if (T == itMask) f |= ILD_MASK;
  return f;
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled) {
  Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index,
                            TDrawingStyle ADrawingStyle, TImageType AImageType, bool Enabled) {
  if (!FHandle || Index < 0 || Index >= Count()) return;
  DoDraw(Index, Canvas, X, Y, DrawFlags(ADrawingStyle, AImageType), Enabled);
}

void TCustomImageList::DrawOverlay(TCanvas* Canvas, Integer X, Integer Y, Integer ImageIndex,
                                   TOverlay Overlay, bool Enabled) {
  if (!FHandle || ImageIndex < 0 || ImageIndex >= Count() || Overlay > 14) return;
  UINT f = DrawFlags(FDrawingStyle, FImageType) | INDEXTOOVERLAYMASK(Overlay + 1);
  DoDraw(ImageIndex, Canvas, X, Y, f, Enabled);
}

bool TCustomImageList::Overlay(Integer ImageIndex, TOverlay Overlay) {
  if (Overlay > 14) return false;
  return ImageList_SetOverlayImage(Handle(), ImageIndex, Overlay + 1) != FALSE;
}

// Disabled images are drawn embossed: the image's covered pixels become a highlight
// shadow one pixel down and right, and the dark ones the button shadow colour on top.
void TCustomImageList::DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT Style,
                              bool Enabled) {
  HDC dc = Canvas->Handle();
  if (Enabled) {
    ImageList_DrawEx(FHandle, Index, dc, X, Y, 0, 0, ListColor(FBkColor),
                     ListColor(FBlendColor), Style);
    return;
  }
  // Render on black and on white: a pixel equal in both is covered by the image.
  TDib onBlack(FWidth, FHeight), onWhite(FWidth, FHeight);
  std::fill(onWhite.Bits, onWhite.Bits + FWidth * FHeight, 0x00FFFFFFu);
  {
    TMemDC b(onBlack.Handle), w(onWhite.Handle);
    ImageList_DrawEx(FHandle, Index, b.DC, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    ImageList_DrawEx(FHandle, Index, w.DC, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
  }
  COLORREF hi = static_cast<COLORREF>(ColorToRGB(clBtnHighlight));
  COLORREF sh = static_cast<COLORREF>(ColorToRGB(clBtnShadow));
  auto dark = [&](int x, int y) {
    DWORD b = onBlack.Bits[y * FWidth + x] & 0xFFFFFF, w = onWhite.Bits[y * FWidth + x] & 0xFFFFFF;
    if (b != w) return false;
    int lum = ((b >> 16) & 0xFF) * 30 + ((b >> 8) & 0xFF) * 59 + (b & 0xFF) * 11;
    return lum < 192 * 100;
  };
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (dark(x, y)) SetPixelV(dc, X + x + 1, Y + y + 1, hi);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (dark(x, y)) SetPixelV(dc, X + x, Y + y, sh);
}

// The image's own pixels (alpha included for 32-bit lists), copied from the list's
// image strip; pixels outside the image's mask are left as stored.
bool TCustomImageList::GetBitmap(Integer Index, TBitmap* Image) {
  if (!Image || !FHandle || Index < 0 || Index >= Count()) return false;
  IMAGEINFO info{};
  if (!ImageList_GetImageInfo(FHandle, Index, &info)) return false;
  // The strip stays selected into the list's own context, so it is read with
  // GetDIBits rather than selected again.
  BITMAP bm{};
  GetObjectW(info.hbmImage, sizeof bm, &bm);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<DWORD> strip(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  HDC screen = GetDC(nullptr);
  int got = GetDIBits(screen, info.hbmImage, 0, static_cast<UINT>(bm.bmHeight), strip.data(), &bi,
                      DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (got == 0) return false;
  bool alpha = FColorDepth == cd32Bit;
  Image->SetPixelFormat(alpha ? pf32bit : pf24bit);
  Image->SetSize(FWidth, FHeight);
  for (Integer y = 0; y < FHeight; ++y) {
    const DWORD* src = &strip[static_cast<size_t>(info.rcImage.top + y) * bm.bmWidth + info.rcImage.left];
    auto* dst = static_cast<Byte*>(Image->ScanLine(y));
    for (Integer x = 0; x < FWidth; ++x) {
      if (alpha) {
        reinterpret_cast<DWORD*>(dst)[x] = src[x];
      } else {
        dst[x * 3] = static_cast<Byte>(src[x]);
        dst[x * 3 + 1] = static_cast<Byte>(src[x] >> 8);
        dst[x * 3 + 2] = static_cast<Byte>(src[x] >> 16);
      }
    }
  }
  Image->SetModified(true);
  return true;
}

bool TCustomImageList::GetInstRes(HINSTANCE Instance, TResType ResType, const String& Name,
                                  Integer Width, TLoadResources LoadFlags, TColor MaskColor) {
  UINT type = ResType == rtBitmap ? IMAGE_BITMAP : ResType == rtCursor ? IMAGE_CURSOR : IMAGE_ICON;
  UINT flags = LR_CREATEDIBSECTION;
  if (LoadFlags.Contains(lrDefaultColor)) flags |= LR_DEFAULTCOLOR;
  if (LoadFlags.Contains(lrDefaultSize)) flags |= LR_DEFAULTSIZE;
  if (LoadFlags.Contains(lrFromFile)) flags |= LR_LOADFROMFILE;
  if (LoadFlags.Contains(lrMap3DColors)) flags |= LR_LOADMAP3DCOLORS;
  if (LoadFlags.Contains(lrTransparent)) flags |= LR_LOADTRANSPARENT;
  if (LoadFlags.Contains(lrMonoChrome)) flags |= LR_MONOCHROME;
  COLORREF mask = MaskColor == clNone ? CLR_NONE : MaskColor == clDefault ? CLR_DEFAULT
                                                                          : static_cast<COLORREF>(ColorToRGB(MaskColor));
  HIMAGELIST h = ImageList_LoadImageW(Instance, Name.c_str(), Width > 0 ? Width : FWidth, FAllocBy,
                                      mask, type, flags);
  if (!h) return false;
  BeginUpdate();
  for (int i = 0, n = ImageList_GetImageCount(h); i < n; ++i) {
    HICON icon = ImageList_GetIcon(h, i, ILD_TRANSPARENT);
    if (icon) {
      ImageList_ReplaceIcon(Handle(), -1, icon);
      DestroyIcon(icon);
    }
  }
  ImageList_Destroy(h);
  Change();
  EndUpdate();
  return true;
}

bool TCustomImageList::GetResource(TResType ResType, const String& Name, Integer Width,
                                   TLoadResources LoadFlags, TColor MaskColor) {
  return GetInstRes(GetModuleHandleW(nullptr), ResType, Name, Width, LoadFlags, MaskColor);
}

bool TCustomImageList::ResInstLoad(HINSTANCE Instance, TResType ResType, const String& Name,
                                   TColor MaskColor) {
  return GetInstRes(Instance, ResType, Name, FWidth, TLoadResources(), MaskColor);
}

bool TCustomImageList::ResourceLoad(TResType ResType, const String& Name, TColor MaskColor) {
  return ResInstLoad(GetModuleHandleW(nullptr), ResType, Name, MaskColor);
}

HBITMAP TCustomImageList::GetImageBitmap() {
  IMAGEINFO info{};
  if (!FHandle || Count() == 0 || !ImageList_GetImageInfo(FHandle, 0, &info)) return nullptr;
  return info.hbmImage;
}

HBITMAP TCustomImageList::GetMaskBitmap() {
  IMAGEINFO info{};
  if (!FHandle || Count() == 0 || !ImageList_GetImageInfo(FHandle, 0, &info)) return nullptr;
  return info.hbmMask;
}

void TCustomImageList::GetIcon(Integer Index, TIcon* Image) {
  GetIcon(Index, Image, FDrawingStyle, FImageType);
}

void TCustomImageList::GetIcon(Integer Index, TIcon* Image, TDrawingStyle ADrawingStyle,
                               TImageType AImageType) {
  if (!Image || !FHandle || Index < 0 || Index >= Count()) return;
  HICON h = ImageList_GetIcon(FHandle, Index, DrawFlags(ADrawingStyle, AImageType));
  if (h) Image->SetHandle(h);
}

void TCustomImageList::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* l = dynamic_cast<TCustomImageList*>(Source)) {
    if (l == this) return;
    BeginUpdate();
    FreeHandle();
    FWidth = l->FWidth;
    FHeight = l->FHeight;
    FMasked = l->FMasked;
    FColorDepth = l->FColorDepth;
    FBkColor = l->FBkColor;
    FBlendColor = l->FBlendColor;
    FDrawingStyle = l->FDrawingStyle;
    FImageType = l->FImageType;
    FAllocBy = l->FAllocBy;
    if (l->FHandle) FHandle = ImageList_Duplicate(l->FHandle);
    Change();
    EndUpdate();
    return;
  }
  inherited::Assign(Source);
}

// The images travel in the system's own image-list stream format.
void TCustomImageList::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      L"Bitmap", [this](TStream* S) { ReadData(S); }, [this](TStream* S) { WriteData(S); },
      Count() > 0);
}

void TCustomImageList::WriteData(TStream* Stream) {
  IStream* s = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &s))) throw EWriteError(L"Stream write error");
  BOOL ok = ImageList_Write(Handle(), s);
  HGLOBAL g = nullptr;
  if (ok) GetHGlobalFromStream(s, &g);
  STATSTG st{};
  s->Stat(&st, STATFLAG_NONAME);
  if (ok && g) {
    void* p = GlobalLock(g);
    Stream->WriteBuffer(p, static_cast<Integer>(st.cbSize.QuadPart));
    GlobalUnlock(g);
  }
  s->Release();
  if (!ok) throw EWriteError(L"Failed to write ImageList data to stream");
}

namespace {

// The header the system's image-list stream starts with.
#pragma pack(push, 2)
struct TImageListStreamHeader {
  WORD Magic;  // "IL"
  WORD Version;
  WORD Count;
  WORD Capacity;
  WORD Grow;
  WORD Width;
  WORD Height;
  COLORREF BkColor;
  WORD Flags;
  SHORT Overlays[4];
};
#pragma pack(pop)
static_assert(sizeof(TImageListStreamHeader) == 28);

// Limits a form's image list is held to before the system sees it: a side of an image,
// and the pixels all its images (present or reserved) may take.
constexpr Integer MaxImageListSide = 1024;
constexpr Int64 MaxImageListPixels = 4 * 1024 * 1024;

[[noreturn]] void InvalidImageListData() { throw EInvalidGraphic(L"Invalid image list data"); }

// Checks one embedded bitmap (file header, info header, colour table and bits) that starts
// at AOffset, and returns the offset after it and its pixel count.
size_t CheckEmbeddedBitmap(const Byte* AData, size_t ASize, size_t AOffset, Int64& APixels) {
  if (ASize - AOffset < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) InvalidImageListData();
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  std::memcpy(&file, AData + AOffset, sizeof file);
  std::memcpy(&info, AData + AOffset + sizeof file, sizeof info);
  if (file.bfType != 0x4D42 || info.biSize < sizeof(BITMAPINFOHEADER) || info.biPlanes != 1) InvalidImageListData();
  const Int64 width = info.biWidth, height = info.biHeight < 0 ? -Int64(info.biHeight) : Int64(info.biHeight);
  if (width <= 0 || height <= 0 || width * height > 4 * MaxImageListPixels) InvalidImageListData();
  const WORD bits = info.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) InvalidImageListData();
  Int64 colors = info.biClrUsed;
  if (bits <= 8 && colors == 0) colors = Int64(1) << bits;
  if (colors > 256) InvalidImageListData();
  Int64 tail = info.biSize + colors * Int64(sizeof(RGBQUAD));
  if (info.biCompression == BI_BITFIELDS)
    tail += 3 * sizeof(DWORD);
  else if (info.biCompression != BI_RGB)
    InvalidImageListData();
  const Int64 stride = ((width * bits + 31) / 32) * 4;
  tail += stride * height;
  if (tail > Int64(ASize - AOffset - sizeof file)) InvalidImageListData();
  APixels = width * height;
  return AOffset + sizeof file + static_cast<size_t>(tail);
}

// Checks image-list stream data before the system reads it: the system's reader trusts
// the header and the embedded bitmaps, and sizes beyond the data crash or stall it.
void CheckImageListData(const Byte* AData, size_t ASize) {
  TImageListStreamHeader h;
  if (ASize < sizeof h) InvalidImageListData();
  std::memcpy(&h, AData, sizeof h);
  if (h.Magic != 0x4C49 || (h.Version != 0x0101 && h.Version != 0x0600)) InvalidImageListData();
  if (h.Width == 0 || h.Height == 0 || h.Width > MaxImageListSide || h.Height > MaxImageListSide)
    InvalidImageListData();
  if (h.Count > h.Capacity) InvalidImageListData();
  const Int64 images = std::max<Int64>(h.Capacity, Int64(h.Count) + h.Grow);
  if (Int64(h.Width) * h.Height * images > MaxImageListPixels) InvalidImageListData();
  Int64 pixels = 0;
  size_t next = CheckEmbeddedBitmap(AData, ASize, sizeof h, pixels);
  if (pixels < Int64(h.Width) * h.Height * h.Count) InvalidImageListData();
  if ((h.Flags & ILC_MASK) != 0 && next < ASize) {
    CheckEmbeddedBitmap(AData, ASize, next, pixels);
    if (pixels < Int64(h.Width) * h.Height * h.Count) InvalidImageListData();
  }
}

}  // namespace

void TCustomImageList::ReadData(TStream* Stream) {
  Int64 n = Stream->Size() - Stream->Position();
  if (n > 0x7FFFFFFF) InvalidImageListData();
  std::vector<Byte> bytes(static_cast<size_t>(n > 0 ? n : 0));
  if (n > 0) Stream->ReadBuffer(bytes.data(), static_cast<Integer>(n));
  CheckImageListData(bytes.data(), bytes.size());
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n > 0 ? n : 1));
  if (!g) throw EOutOfMemory(L"Out of memory");
  void* p = GlobalLock(g);
  if (n > 0) std::memcpy(p, bytes.data(), bytes.size());
  GlobalUnlock(g);
  IStream* s = nullptr;
  if (FAILED(CreateStreamOnHGlobal(g, TRUE, &s))) {
    GlobalFree(g);
    throw EReadError(L"Failed to read ImageList data from stream");
  }
  HIMAGELIST h = ImageList_Read(s);
  s->Release();
  if (!h) throw EReadError(L"Failed to read ImageList data from stream");
  SetHandle(h);
}

// --- drag image ----------------------------------------------------------------------

bool TCustomImageList::SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY) {
  if (!FHandle || Index < 0 || Index >= Count()) return false;
  FDragIndex = Index;
  FDragHotspot = POINT{HotSpotX, HotSpotY};
  if (FDragging) {
    ImageList_EndDrag();
    if (!ImageList_BeginDrag(FHandle, Index, HotSpotX, HotSpotY)) return false;
  }
  return true;
}

bool TCustomImageList::BeginDrag(HWND Window, Integer X, Integer Y) {
  if (!FHandle) return false;
  if (FDragging) EndDrag();
  Integer index = FDragIndex >= 0 ? FDragIndex : 0;
  if (!ImageList_BeginDrag(FHandle, index, FDragHotspot.x, FDragHotspot.y)) return false;
  FDragging = true;
  return DragLock(Window, X, Y);
}

bool TCustomImageList::DragLock(HWND Window, Integer XPos, Integer YPos) {
  if (!FDragging) return false;
  if (FDragWindow && FDragWindow != Window) DragUnlock();
  FDragWindow = Window;
  return ImageList_DragEnter(Window, XPos, YPos) != FALSE;
}

void TCustomImageList::DragUnlock() {
  if (FDragging && FDragWindow) ImageList_DragLeave(FDragWindow);
  FDragWindow = nullptr;
}

bool TCustomImageList::DragMove(Integer X, Integer Y) {
  return FDragging && ImageList_DragMove(X, Y) != FALSE;
}

bool TCustomImageList::EndDrag() {
  if (!FDragging) return false;
  DragUnlock();
  ImageList_EndDrag();
  FDragging = false;
  return true;
}

void TCustomImageList::HideDragImage() {
  if (FDragging) ImageList_DragShowNolock(FALSE);
}

void TCustomImageList::ShowDragImage() {
  if (FDragging) ImageList_DragShowNolock(TRUE);
}

bool ReplaceImageList(TCustomImageList*& Field, TCustomImageList* Value, TChangeLink& Link,
                      TComponent* Client) {
  if (Field == Value) return false;
  if (Field) {
    Field->UnRegisterChanges(&Link);
    Field->RemoveFreeNotification(Client);
  }
  Field = Value;
  if (Value) {
    Value->RegisterChanges(&Link);
    Value->FreeNotification(Client);
  }
  return true;
}

// =======================================================================================
// Unit start-up and shut-down

namespace {

// The classes form files may name, registered while the unit runs.
std::vector<TClass> ImgListClasses() { return {TImageList::StaticClass()}; }

void InitImgList() {
  for (TClass c : ImgListClasses()) RegisterClass(c);
}

void DoneImgList() {
  for (TClass c : ImgListClasses()) UnRegisterClass(c);
}

}  // namespace

const TUnitInfo ImgListUnit{L"ImgList", InitImgList, DoneImgList};
