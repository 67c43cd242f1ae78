#include "vxImageList.h"

#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Streaming.h"
#include "vdCore.h"

Byte vxDisabledImageAlpha = 0x97;
Byte vxFadedImageAlpha = 0x40;
TvxDrawImageHook vxDrawImageHook;

namespace {

bool IsMaskSet(TBitmap* AMask) { return AMask && !AMask->Empty(); }

// A copy of a bitmap handle as a DIB section, owned by the caller.
HBITMAP CopyAsDIBSection(HBITMAP AHandle) {
  return static_cast<HBITMAP>(CopyImage(AHandle, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// A temporary system bitmap, deleted when the scope ends.
using TBitmapHandle = THandleScope<HBITMAP, DeleteObject>;

// The system list in the system's stream format.
std::vector<Byte> SerializeList(HIMAGELIST AHandle) {
  std::vector<Byte> result;
  IStream* s = nullptr;
  if (!AHandle || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &s))) return result;
  TInterfaceScope stream(s);
  if (ImageList_Write(AHandle, s)) {
    HGLOBAL g = nullptr;
    STATSTG st{};
    if (SUCCEEDED(GetHGlobalFromStream(s, &g)) && SUCCEEDED(s->Stat(&st, STATFLAG_NONAME))) {
      const Byte* p = static_cast<const Byte*>(GlobalLock(g));
      if (p) result.assign(p, p + st.cbSize.QuadPart);
      GlobalUnlock(g);
    }
  }
  return result;
}

}  // namespace

// --- TvxImageInfo ---------------------------------------------------------------------------

TvxImageInfo::TvxImageInfo() : FImage(std::make_unique<TvxBitmap>()), FMask(std::make_unique<TvxBitmap>()) {}

TvxImageInfo::~TvxImageInfo() = default;

void TvxImageInfo::Assign(TPersistent* Source) {
  if (auto* info = dynamic_cast<TvxImageInfo*>(Source)) {
    SetImage(info->Image());
    SetMask(info->Mask());
    FMaskColor = info->FMaskColor;
    return;
  }
  inherited::Assign(Source);
}

void TvxImageInfo::SetImage(TBitmap* Value) {
  FImage->Assign(Value);
  FImage->Handle();
}

void TvxImageInfo::SetMask(TBitmap* Value) {
  FMask->Assign(Value);
  FMask->Handle();
}

// --- TvxImageInfoItem -----------------------------------------------------------------------

TvxImageInfoItem::TvxImageInfoItem(TCollection* ACollection)
    : TCollectionItem(ACollection), FImageInfo(std::make_unique<TvxImageInfo>()) {
  if (auto* c = dynamic_cast<TvxImageInfoCollection*>(ACollection)) SetCompressData(c->CompressData());
}

TvxImageInfoItem::~TvxImageInfoItem() = default;

bool TvxImageInfoItem::CompressData() const {
  return static_cast<TvxBitmap*>(Image())->CompressData() && static_cast<TvxBitmap*>(Mask())->CompressData();
}

void TvxImageInfoItem::SetCompressData(bool Value) {
  static_cast<TvxBitmap*>(Image())->SetCompressData(Value);
  static_cast<TvxBitmap*>(Mask())->SetCompressData(Value);
}

void TvxImageInfoItem::DeclarePublished(TPublisher<TvxImageInfoItem>& P) {
  P.Property(L"Image", &TvxImageInfoItem::Image, &TvxImageInfoItem::SetImage);
  P.Property(L"Mask", &TvxImageInfoItem::Mask, &TvxImageInfoItem::SetMask);
  P.Property(L"MaskColor", &TvxImageInfoItem::MaskColor, &TvxImageInfoItem::SetMaskColor)
      .Type(TypeInfoColor())
      .Default(clNone);
}

// --- TvxImageInfoCollection -----------------------------------------------------------------

TvxImageInfoCollection::TvxImageInfoCollection(TvxImageList* AImageList)
    : TCollection(TvxImageInfoItem::StaticClass()), FImageList(AImageList) {}

TvxImageInfoItem* TvxImageInfoCollection::Add(TBitmap* AImage, TBitmap* AMask, TColor AMaskColor) {
  auto* item = static_cast<TvxImageInfoItem*>(TCollection::Add());
  if (AImage) item->SetImage(AImage);
  if (AMask) item->SetMask(AMask);
  item->SetMaskColor(AMaskColor);
  return item;
}

void TvxImageInfoCollection::SetCompressData(bool Value) {
  FCompressData = Value;
  for (Integer i = 0; i < Count(); ++i) Items(i)->SetCompressData(Value);
}

TPersistent* TvxImageInfoCollection::GetOwner() { return FImageList; }

// --- TvxImageList ---------------------------------------------------------------------------

TvxImageList::TvxImageList(TComponent* AOwner) : TDragImageList(AOwner) { Initialize(); }

TvxImageList::TvxImageList(Integer AWidth, Integer AHeight) : TDragImageList(AWidth, AHeight) { Initialize(); }

void TvxImageList::Initialize() {
  FImages = std::make_unique<TvxImageInfoCollection>(this);
  FAlphaBlending = true;
  SetColorDepth(cd32Bit);
  SetMasked(true);
}

TvxImageList::~TvxImageList() { FImages.reset(); }

void TvxImageList::DeclarePublished(TPublisher<TvxImageList>& P) {
  P.Property(L"BlendColor", &TvxImageList::BlendColor, &TvxImageList::SetBlendColor)
      .Type(TypeInfoColor())
      .Default(clNone);
  P.Property(L"BkColor", &TvxImageList::BkColor, &TvxImageList::SetBkColor).Type(TypeInfoColor()).Default(clNone);
  P.Property(L"CompressData", &TvxImageList::CompressData, &TvxImageList::SetCompressData).Default(false);
  P.Property(L"DrawingStyle", &TvxImageList::DrawingStyle, &TvxImageList::SetDrawingStyle).Default(dsNormal);
  P.Property(L"Height", &TvxImageList::Height, &TvxImageList::SetHeight).Default(16);
  P.Property(L"ImageType", &TvxImageList::ImageType, &TvxImageList::SetImageType).Default(itImage);
  P.Property(L"ShareImages", &TvxImageList::ShareImages, &TvxImageList::SetShareImages).Default(false);
  P.Property(L"Width", &TvxImageList::Width, &TvxImageList::SetWidth).Default(16);
  P.Property(L"OnChange", &TvxImageList::OnChange);
}

bool TvxImageList::CompressData() const { return FImages->CompressData(); }
void TvxImageList::SetCompressData(bool Value) { FImages->SetCompressData(Value); }

void TvxImageList::EndUpdate(bool AForceUpdate) {
  if (FLockCount <= 0) return;
  --FLockCount;
  if (AForceUpdate) Change();
}

void TvxImageList::Change() {
  if (FLockCount == 0) inherited::Change();
}

Integer TvxImageList::CellCount(TBitmap* AImage) {
  if (!AImage || AImage->Empty()) return 1;
  const Integer w = AImage->Width(), h = AImage->Height();
  if (w % Width() == 0 && h % Height() == 0) return std::max(1, (w / Width()) * (h / Height()));
  return 1;
}

void TvxImageList::AddToInternalCollection(TBitmap* AImage, TBitmap* AMask, TColor AMaskColor) {
  const Integer w = AImage->Width(), h = AImage->Height();
  const bool strip = w % Width() == 0 && h % Height() == 0 && (w > Width() || h > Height());
  if (!strip) {
    TvxImageInfoItem* item = FImages->Add(AImage, AMask, AMaskColor);
    item->Image()->Dormant();
    return;
  }
  const bool masked = IsMaskSet(AMask);
  for (Integer row = 0; row < h / Height(); ++row)
    for (Integer col = 0; col < w / Width(); ++col) {
      const TRect cell{0, 0, Width(), Height()};
      const TPoint from{col * Width(), row * Height()};
      TvxBitmap image(Width(), Height(), AImage->PixelFormat());
      image.CopyBitmap(AImage, cell, from);
      std::unique_ptr<TvxBitmap> mask;
      if (masked) {
        mask = std::make_unique<TvxBitmap>(Width(), Height(), AMask->PixelFormat());
        mask->CopyBitmap(AMask, cell, from);
      }
      TvxImageInfoItem* item = FImages->Add(&image, mask.get(), AMaskColor);
      item->Image()->Dormant();
    }
}

Integer TvxImageList::Add(TBitmap* AImage, TBitmap* AMask) {
  BeginUpdate();
  HBITMAP image = nullptr;
  if (AImage && !AImage->Empty()) {
    AImage->Dormant();  // the system list reads bitmaps that no DC holds
    image = AImage->Handle();
  }
  HBITMAP mask = nullptr;
  TBitmapHandle temporaryMask;
  if (IsMaskSet(AMask)) {
    AMask->Dormant();
    mask = AMask->Handle();
  } else {
    std::vector<Byte> zero(static_cast<size_t>((Width() + 15) / 16 * 2) * Height(), 0);
    temporaryMask.Reset(CreateBitmap(Width(), Height(), 1, 1, zero.data()));
    mask = temporaryMask.Get();
  }
  const Integer result = ImageList_Add(Handle(), image, mask);
  if (!FSynchronization && result != -1 && AImage) AddToInternalCollection(AImage, AMask, clNone);
  EndUpdate(true);
  return result;
}

Integer TvxImageList::AddMasked(TBitmap* AImage, TColor AMaskColor) {
  if (AMaskColor == clNone) return Add(AImage, nullptr);
  if (!AImage || AImage->Empty()) return -1;
  BeginUpdate();
  // The system call blackens the masked pixels of the bitmap it gets: it gets a copy.
  TBitmap copy;
  copy.Assign(AImage);
  copy.Dormant();
  const Integer result =
      ImageList_AddMasked(Handle(), copy.Handle(), static_cast<COLORREF>(ColorToRGB(AMaskColor)) & 0xFFFFFF);
  if (!FSynchronization && result != -1) AddToInternalCollection(AImage, nullptr, AMaskColor);
  EndUpdate(true);
  return result;
}

Integer TvxImageList::AddIcon(TIcon* AIcon) {
  if (!AIcon || AIcon->Empty()) return -1;
  BeginUpdate();
  const Integer result = ImageList_ReplaceIcon(Handle(), -1, AIcon->Handle());
  if (!FSynchronization && result != -1) {
    TvxBitmap image(Width(), Height(), pf32bit), mask(Width(), Height(), pf1bit);
    GetImageInfo(Handle(), Count() - 1, &image, &mask);
    AddToInternalCollection(&image, &mask, clNone);
  }
  EndUpdate(true);
  return result;
}

void TvxImageList::Insert(Integer AIndex, TBitmap* AImage, TBitmap* AMask) {
  if (AIndex < 0 || AIndex > Count()) return;
  BeginUpdate();
  const Integer first = Count();
  if (Add(AImage, AMask) != -1)
    for (Integer k = 0; k < CellCount(AImage); ++k) Move(first + k, AIndex + k);
  EndUpdate(true);
}

void TvxImageList::InsertMasked(Integer AIndex, TBitmap* AImage, TColor AMaskColor) {
  if (AIndex < 0 || AIndex > Count()) return;
  BeginUpdate();
  const Integer first = Count();
  if (AddMasked(AImage, AMaskColor) != -1)
    for (Integer k = 0; k < CellCount(AImage); ++k) Move(first + k, AIndex + k);
  EndUpdate(true);
}

void TvxImageList::InsertIcon(Integer AIndex, TIcon* AIcon) {
  if (AIndex < 0 || AIndex > Count()) return;
  BeginUpdate();
  const Integer first = Count();
  if (AddIcon(AIcon) != -1) Move(first, AIndex);
  EndUpdate(true);
}

void TvxImageList::Replace(Integer AIndex, TBitmap* AImage, TBitmap* AMask) {
  BeginUpdate();
  Delete(AIndex);
  Insert(AIndex, AImage, AMask);
  EndUpdate(true);
}

void TvxImageList::ReplaceMasked(Integer AIndex, TBitmap* AImage, TColor AMaskColor) {
  BeginUpdate();
  Delete(AIndex);
  InsertMasked(AIndex, AImage, AMaskColor);
  EndUpdate(true);
}

void TvxImageList::ReplaceIcon(Integer AIndex, TIcon* AIcon) {
  BeginUpdate();
  Delete(AIndex);
  InsertIcon(AIndex, AIcon);
  EndUpdate(true);
}

void TvxImageList::SwapImages(Integer AIndex1, Integer AIndex2) {
  // Read out and written back: the system list's own swapping copy is not relied on
  // (some implementations blacken the swapped images).
  TvxBitmap image1(Width(), Height(), pf32bit), mask1(Width(), Height(), pf1bit);
  TvxBitmap image2(Width(), Height(), pf32bit), mask2(Width(), Height(), pf1bit);
  GetImageInfo(Handle(), AIndex1, &image1, &mask1);
  GetImageInfo(Handle(), AIndex2, &image2, &mask2);
  for (TBitmap* b : {static_cast<TBitmap*>(&image1), static_cast<TBitmap*>(&mask1), static_cast<TBitmap*>(&image2),
                     static_cast<TBitmap*>(&mask2)})
    b->Dormant();
  ImageList_Replace(Handle(), AIndex1, image2.Handle(), mask2.Handle());
  ImageList_Replace(Handle(), AIndex2, image1.Handle(), mask1.Handle());
}

void TvxImageList::Move(Integer ACurIndex, Integer ANewIndex) {
  if (ACurIndex == ANewIndex) return;
  if (ACurIndex < 0 || ACurIndex >= Count() || ANewIndex < 0 || ANewIndex >= Count())
    throw EInvalidOperation(L"Invalid ImageList Index");
  BeginUpdate();
  const Integer step = ANewIndex > ACurIndex ? 1 : -1;
  for (Integer i = ACurIndex; i != ANewIndex; i += step) SwapImages(i, i + step);
  if (ACurIndex < FImages->Count() && ANewIndex < FImages->Count()) FImages->Items(ACurIndex)->SetIndex(ANewIndex);
  EndUpdate(true);
}

void TvxImageList::Delete(Integer AIndex) {
  BeginUpdate();
  inherited::Delete(AIndex);
  if (AIndex == -1)
    FImages->Clear();
  else if (AIndex < FImages->Count())
    FImages->Delete(AIndex);
  EndUpdate(true);
}

Integer TvxImageList::AddImage(TCustomImageList* AValue, Integer AIndex) {
  if (!AValue || AIndex < 0 || AIndex >= AValue->Count()) return -1;
  const Integer result = Count();
  CopyImages(AValue, AIndex, AIndex);
  return result;
}

void TvxImageList::AddImages(TCustomImageList* AImageList) {
  if (AImageList) CopyImages(AImageList, 0, -1);
}

void TvxImageList::AddFromImageInfo(TvxImageInfo* AInfo) {
  if (IsMaskSet(AInfo->Mask()))
    Add(AInfo->Image(), AInfo->Mask());
  else
    AddMasked(AInfo->Image(), AInfo->MaskColor());
}

void TvxImageList::CopyImages(TCustomImageList* AImageList, Integer AStartIndex, Integer AEndIndex) {
  if (!AImageList) return;
  BeginUpdate();
  TvxImageList source(AImageList->Width(), AImageList->Height());
  source.Assign(AImageList);
  // -1 stands for the last image; it is resolved before the range is limited.
  if (AEndIndex == -1) AEndIndex = source.Count() - 1;
  AEndIndex = std::min(AEndIndex, source.Count() - 1);
  for (Integer i = std::max(AStartIndex, 0); i <= AEndIndex; ++i) AddFromImageInfo(source.FImages->Items(i)->ImageInfo());
  EndUpdate(true);
}

void TvxImageList::Assign(TPersistent* Source) {
  auto* list = dynamic_cast<TCustomImageList*>(Source);
  if (!list) return;
  if (list == this) return;
  BeginUpdate();
  inherited::Assign(Source);
  Clear();
  if (auto* vx = dynamic_cast<TvxImageList*>(list)) {
    FAlphaBlending = vx->FAlphaBlending;
    for (Integer i = 0; i < vx->FImages->Count(); ++i) AddFromImageInfo(vx->FImages->Items(i)->ImageInfo());
  } else {
    for (Integer i = 0; i < list->Count(); ++i) {
      TvxBitmap image(Width(), Height(), pf32bit), mask(Width(), Height(), pf1bit);
      GetImageInfo(list->Handle(), i, &image, &mask);
      Add(&image, &mask);
    }
  }
  EndUpdate(true);
}

bool TvxImageList::LoadImage(HINSTANCE AInstance, const String& AResourceName, TColor AMaskColor, Integer AWidth,
                             TLoadResources AFlags) {
  UINT flags = LR_CREATEDIBSECTION;
  if (AFlags.Contains(lrDefaultSize)) flags |= LR_DEFAULTSIZE;
  if (AFlags.Contains(lrFromFile)) flags |= LR_LOADFROMFILE;
  if (AFlags.Contains(lrMap3DColors)) flags |= LR_LOADMAP3DCOLORS;
  if (AFlags.Contains(lrTransparent)) flags |= LR_LOADTRANSPARENT;
  if (AFlags.Contains(lrMonoChrome)) flags |= LR_MONOCHROME;
  const COLORREF mask = AMaskColor == clNone      ? CLR_NONE
                        : AMaskColor == clDefault ? CLR_DEFAULT
                                                  : static_cast<COLORREF>(ColorToRGB(AMaskColor));
  HIMAGELIST h = ImageList_LoadImageW(AInstance, AResourceName.c_str(), AWidth > 0 ? AWidth : Width(), AllocBy(), mask,
                                      IMAGE_BITMAP, flags);
  if (!h) return false;
  TCustomImageList loaded(Width(), Height());
  loaded.SetHandle(h);
  CopyImages(&loaded, 0, -1);
  return true;
}

void TvxImageList::SynchronizeCollectionFromList() {
  FImages->BeginUpdate();
  FImages->Clear();
  for (Integer i = 0; i < Count(); ++i) {
    TvxBitmap image(Width(), Height(), pf32bit), mask(Width(), Height(), pf1bit);
    GetImageInfo(Handle(), i, &image, &mask);
    FImages->Add(&image, &mask, clNone);
  }
  FImages->EndUpdate();
}

void TvxImageList::SynchronizeListFromCollection() {
  BeginUpdate();
  TValueScope<bool> synchronizing(FSynchronization, true);
  inherited::Delete(-1);
  for (Integer i = 0; i < FImages->Count(); ++i) {
    TvxImageInfo* info = FImages->Items(i)->ImageInfo();
    AddFromImageInfo(info);
    info->Image()->Dormant();
  }
  EndUpdate(true);
}

bool TvxImageList::GetResource(TResType AResType, const String& AName, Integer AWidth, TLoadResources ALoadFlags,
                               TColor AMaskColor) {
  return GetInstRes(GetModuleHandleW(nullptr), AResType, AName, AWidth, ALoadFlags, AMaskColor);
}

bool TvxImageList::GetInstRes(HINSTANCE AInstance, TResType AResType, const String& AName, Integer AWidth,
                              TLoadResources ALoadFlags, TColor AMaskColor) {
  BeginUpdate();
  const bool result = inherited::GetInstRes(AInstance, AResType, AName, AWidth, ALoadFlags, AMaskColor);
  SynchronizeCollectionFromList();
  EndUpdate(true);
  return result;
}

bool TvxImageList::ResourceLoad(TResType AResType, const String& AName, TColor AMaskColor) {
  return ResInstLoad(GetModuleHandleW(nullptr), AResType, AName, AMaskColor);
}

bool TvxImageList::ResInstLoad(HINSTANCE AInstance, TResType AResType, const String& AName, TColor AMaskColor) {
  return GetInstRes(AInstance, AResType, AName, Width(), {}, AMaskColor);
}

void TvxImageList::SetHandle(HIMAGELIST Value) {
  TCustomImageList temporary(Width(), Height());
  temporary.SetHandle(Value);
  Assign(&temporary);
}

void TvxImageList::Draw(TCanvas* ACanvas, const TRect& ARect, Integer AIndex, bool AStretch, bool ASmoothResize,
                        bool AEnabled) {
  if (AIndex < 0 || AIndex >= Count()) return;
  if (ARect.right - ARect.left == Width() && ARect.bottom - ARect.top == Height()) AStretch = false;
  TRect r = ARect;
  if (!AStretch) {
    r.left = (ARect.left + ARect.right - Width()) / 2;
    r.top = (ARect.top + ARect.bottom - Height()) / 2;
    r.right = r.left + Width();
    r.bottom = r.top + Height();
  }
  const Byte mode = AEnabled ? vxImageDrawNormal : vxImageDrawDisabled;
  if (FAlphaBlending) {
    vxDrawImageViaAlphaBitmap(ACanvas->Handle(), r, ARect, nullptr, this, AIndex, mode, ASmoothResize);
  } else if (AStretch) {
    TBitmap image;
    image.SetSize(Width(), Height());
    ImageList_DrawEx(Handle(), AIndex, image.Canvas()->Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
    vxDrawImageViaAlphaBitmap(ACanvas->Handle(), r, ARect, &image, nullptr, -1, mode, ASmoothResize);
  } else {
    inherited::DoDraw(AIndex, ACanvas, r.left, r.top, DrawFlags(DrawingStyle(), ImageType()), AEnabled);
  }
}

void TvxImageList::DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT, bool Enabled) {
  Draw(Canvas, TRect{X, Y, X + Width(), Y + Height()}, Index, false, false, Enabled);
}

void TvxImageList::GetImageInfo(Integer AIndex, TBitmap* AImage, TBitmap* AMask) {
  if (AIndex < 0 || AIndex >= Count() || AIndex >= FImages->Count()) return;
  TvxImageInfo* info = FImages->Items(AIndex)->ImageInfo();
  TBitmap* stored = info->Image();
  if (vxGetBitmapBitsPerPixel(stored) == 32 || vdOSWin9x) {
    auto copy = [](TBitmap* AFrom, TBitmap* ATo) {
      if (!ATo) return;
      ATo->SetSize(AFrom->Width(), AFrom->Height());
      vxDrawBitmapToDC(ATo->Canvas()->Handle(), AFrom, TRect{0, 0, AFrom->Width(), AFrom->Height()});
    };
    copy(stored, AImage);
    if (AMask && !info->Mask()->Empty())
      copy(info->Mask(), AMask);
    else if (AMask)
      GetImageInfo(Handle(), AIndex, nullptr, AMask);
  } else {
    GetImageInfo(Handle(), AIndex, AImage, AMask);
  }
  stored->Dormant();
}

void TvxImageList::GetImageInfo(HIMAGELIST AHandle, Integer AIndex, TBitmap* AImage, TBitmap* AMask) {
  IMAGEINFO info{};
  if (!AHandle || !ImageList_GetImageInfo(AHandle, AIndex == -1 ? 0 : AIndex, &info)) return;
  auto take = [&](HBITMAP ASource, TBitmap* ATarget) {
    if (!ATarget || !ASource) return;
    TBitmapHandle whole(CopyAsDIBSection(ASource));
    if (!whole.Get()) return;
    if (AIndex == -1) {
      ATarget->SetHandle(whole.Detach());  // the target owns it now
    } else {
      const TRect& r = info.rcImage;
      TBitmap full;
      full.SetHandle(whole.Detach());
      ATarget->SetSize(r.right - r.left, r.bottom - r.top);
      vxBitBlt(ATarget->Canvas()->Handle(), full.Canvas()->Handle(), TRect{0, 0, r.right - r.left, r.bottom - r.top},
               SRCCOPY, TPoint{r.left, r.top});
    }
  };
  take(info.hbmImage, AImage);
  take(info.hbmMask, AMask);
}

Integer TvxImageList::GetPixelFormat(HIMAGELIST AHandle) {
  IMAGEINFO info{};
  if (!AHandle || ImageList_GetImageCount(AHandle) == 0 || !ImageList_GetImageInfo(AHandle, 0, &info)) return 0;
  BITMAP bm{};
  if (!GetObjectW(info.hbmImage, sizeof(bm), &bm)) return 0;
  return bm.bmBitsPixel;
}

void TvxImageList::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  const bool reading = Is<TReader>(Filer);
  Filer->DefineProperty(
      L"FormatVersion", [this](TReader* R) { FFormatVersion = R->ReadInteger(); },
      [this](TWriter* W) {
        FFormatVersion = 1;
        W->WriteInteger(1);
      },
      true);
  if (reading) {
    // Forms written by the plain system list: its images, then the collection from them.
    Filer->DefineBinaryProperty(
        L"Bitmap",
        [this](TStream* S) {
          ReadData(S);
          SynchronizeCollectionFromList();
        },
        nullptr, false);
  }
  auto* ancestor = dynamic_cast<TvxImageList*>(Filer->Ancestor());
  Filer->DefineProperty(
      L"DesignInfo", [this](TReader* R) { FDesignInfo = R->ReadInteger(); },
      [this](TWriter* W) { W->WriteInteger(FDesignInfo); }, !ancestor || ancestor->FDesignInfo != FDesignInfo);
  bool hasImages = Count() > 0;
  if (auto* a = dynamic_cast<TCustomImageList*>(Filer->Ancestor())) {
    hasImages = a->Count() != Count();
    // The same count: written when the system lists differ byte for byte.
    if (!hasImages && Count() > 0) hasImages = SerializeList(Handle()) != SerializeList(a->Handle());
  }
  Filer->DefineProperty(
      L"ImageInfo",
      [this](TReader* R) {
        FImages->Clear();
        R->CheckValue(vaCollection);
        R->ReadCollection(FImages.get());
        SynchronizeListFromCollection();
      },
      [this](TWriter* W) { W->WriteCollection(FImages.get()); }, hasImages);
}

// --- Image routines -------------------------------------------------------------------------

bool vxIsImageIndexValid(TCustomImageList* AImages, Integer AIndex) {
  return AImages && AIndex >= 0 && AIndex < AImages->Count();
}

void vxSetImageListRef(TCustomImageList* AValue, TCustomImageList*& AField, TChangeLink* AChangeLink,
                       TComponent* ANotifyComponent) {
  if (AValue == AField) return;
  if (AField) {
    if (ANotifyComponent) AField->RemoveFreeNotification(ANotifyComponent);
    if (AChangeLink) AField->UnRegisterChanges(AChangeLink);
  }
  AField = AValue;
  if (AValue) {
    if (AChangeLink) AValue->RegisterChanges(AChangeLink);
    if (ANotifyComponent) AValue->FreeNotification(ANotifyComponent);
  }
  if (AChangeLink) AChangeLink->Change();
}

namespace {

// The scratch bitmaps of image drawing, made on first use and resized afterwards.
TvxAlphaBitmap* FDrawBitmap = nullptr;
TvxAlphaBitmap* FImageBitmap = nullptr;
TvxAlphaBitmap* FMaskBitmap = nullptr;

TvxAlphaBitmap* ScratchBitmap(TvxAlphaBitmap*& ABitmap, Integer AWidth, Integer AHeight) {
  if (!ABitmap)
    ABitmap = new TvxAlphaBitmap(AWidth, AHeight);
  else
    ABitmap->RefreshImage(AWidth, AHeight);
  return ABitmap;
}

}  // namespace

void vxFreeImageDrawBitmaps() {
  delete FMaskBitmap;
  FMaskBitmap = nullptr;
  delete FImageBitmap;
  FImageBitmap = nullptr;
  delete FDrawBitmap;
  FDrawBitmap = nullptr;
}

void vxDrawImageViaAlphaBitmap(HDC ADC, const TRect& AImageRect, const TRect& ADrawRect, TBitmap* ABitmap,
                               TCustomImageList* AImages, Integer AImageIndex, Byte AMode, bool ASmoothResize,
                               HBRUSH ABrush, TColor ATransparentColor, bool AUseBitmapTransparency) {
  const bool fromBitmap = vxIsBitmapSet(ABitmap);
  if (!fromBitmap && !vxIsImageIndexValid(AImages, AImageIndex)) return;
  const Integer dw = ADrawRect.right - ADrawRect.left, dh = ADrawRect.bottom - ADrawRect.top;
  if (dw <= 0 || dh <= 0) return;
  TvxAlphaBitmap* draw = ScratchBitmap(FDrawBitmap, dw, dh);
  if (ABrush) {
    const TRect all = draw->ClientRect();
    ::FillRect(draw->Canvas()->Handle(), &all, ABrush);
  } else {
    vxBitBlt(draw->Canvas()->Handle(), ADC, draw->ClientRect(), SRCCOPY, TPoint{ADrawRect.left, ADrawRect.top});
  }
  TRect imageRect = AImageRect;
  OffsetRect(&imageRect, -ADrawRect.left, -ADrawRect.top);

  const bool hooked = vxDrawImageHook &&
                      vxDrawImageHook(draw->Canvas(), AImages, AImageIndex, AMode, imageRect, ABitmap);
  if (!hooked) {
    const Integer w = fromBitmap ? ABitmap->Width() : AImages->Width();
    const Integer h = fromBitmap ? ABitmap->Height() : AImages->Height();
    TvxAlphaBitmap* image = ScratchBitmap(FImageBitmap, w, h);
    TvxAlphaBitmap* mask = ScratchBitmap(FMaskBitmap, w, h);
    bool alphaCounts;
    if (fromBitmap) {
      image->CopyBitmap(ABitmap);
      alphaCounts = vxGetBitmapBitsPerPixel(ABitmap) == 32;
    } else {
      if (auto* vx = dynamic_cast<TvxImageList*>(AImages))
        vx->GetImage(AImageIndex, image);
      else
        TvxImageList::GetImageInfo(AImages->Handle(), AImageIndex, image, nullptr);
      image->SetPixelFormat(pf32bit);
      alphaCounts = TvxImageList::GetPixelFormat(AImages->Handle()) == 32;
    }
    alphaCounts = alphaCounts && image->IsAlphaUsed();
    if (!alphaCounts) image->TransformBitmap(btmSetOpaque);

    mask->CopyBitmap(image);
    if (!alphaCounts) {
      if (!fromBitmap) {
        TvxAlphaBitmap listMask(w, h);
        TvxBitmap mono(w, h, pf1bit);
        TvxImageList::GetImageInfo(AImages->Handle(), AImageIndex, nullptr, &mono);
        listMask.CopyBitmap(&mono);
        listMask.TransformBitmap(btmCorrectBlend);
        mask->Filter(&listMask);
      }
      if (ATransparentColor != clNone) mask->TransparentPixels()->Add(ATransparentColor);
      if (AUseBitmapTransparency && fromBitmap) mask->TransparentPixels()->Add(ABitmap->TransparentColor());
    }
    mask->TransformBitmap(btmMakeMask);
    image->Filter(mask);

    Byte alpha = 0xFF;
    switch (AMode) {
      case vxImageDrawDisabled:
        if (alphaCounts) {
          image->TransformBitmap(btmDisable);
          alpha = vxDisabledImageAlpha;
        } else {
          image->TransformBitmap(btmDirty);
          image->DrawShadow(mask, 1, clBtnHighlight, false);
        }
        break;
      case vxImageDrawFaded:
        image->TransformBitmap(btmFade);
        alpha = vxFadedImageAlpha;
        break;
      case vxImageDrawGrayScale:
        image->TransformBitmap(btmGrayScale);
        break;
      case vxImageDrawDingy:
        image->TransformBitmap(btmDingy);
        break;
      case vxImageDrawShadowed:
        image->DrawShadow(mask, 2, clBtnShadow, true);
        imageRect.right += 2;
        imageRect.bottom += 2;
        OffsetRect(&imageRect, -1, -1);
        break;
      default:
        break;
    }
    image->AlphaBlend(draw, imageRect, ASmoothResize, alpha);
  }
  vxDrawBitmapToDC(ADC, draw, ADrawRect, SRCCOPY, TPoint{0, 0});
}
