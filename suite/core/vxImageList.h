// The suite's image list: a 32-bit masked system image list that also keeps every image
// as it was added (bitmap, mask bitmap, mask colour) in a collection, which is what forms
// persist (optionally in the compressed bitmap form) and what keeps alpha channels; and
// the drawing of a bitmap or list image through scratch alpha bitmaps in one of six
// looks (normal, disabled, faded, grayscale, dingy, shadowed), with blending, stretching
// and smoothing.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>

#include "Graphics.h"
#include "ImgList.h"
#include "Persistent.h"
#include "vxBitmaps.h"
#include "vxGraphics.h"

class TvxImageList;

// One image as it was added.
class TvxImageInfo : public TPersistent {
  DECLARE_CLASS(TvxImageInfo, TPersistent)
 public:
  TvxImageInfo();
  ~TvxImageInfo() override;
  void Assign(TPersistent* Source) override;
  TBitmap* Image() const { return FImage.get(); }
  // Assign the given bitmap to the owned one (whose handle is then made sure of).
  virtual void SetImage(TBitmap* Value);
  TBitmap* Mask() const { return FMask.get(); }
  virtual void SetMask(TBitmap* Value);
  TColor MaskColor() const { return FMaskColor; }
  void SetMaskColor(TColor Value) { FMaskColor = Value; }

 private:
  std::unique_ptr<TvxBitmap> FImage;
  std::unique_ptr<TvxBitmap> FMask;
  TColor FMaskColor = clNone;
};

class TvxImageInfoItem : public TCollectionItem {
  DECLARE_CLASS(TvxImageInfoItem, TCollectionItem)
  PUBLISHED(TvxImageInfoItem)
 public:
  explicit TvxImageInfoItem(TCollection* ACollection);
  ~TvxImageInfoItem() override;
  TBitmap* Image() const { return FImageInfo->Image(); }
  void SetImage(TBitmap* Value) { FImageInfo->SetImage(Value); }
  TBitmap* Mask() const { return FImageInfo->Mask(); }
  void SetMask(TBitmap* Value) { FImageInfo->SetMask(Value); }
  TColor MaskColor() const { return FImageInfo->MaskColor(); }
  void SetMaskColor(TColor Value) { FImageInfo->SetMaskColor(Value); }
  // True when both bitmaps write the compressed form.
  bool CompressData() const;
  void SetCompressData(bool Value);
  TvxImageInfo* ImageInfo() const { return FImageInfo.get(); }

 private:
  std::unique_ptr<TvxImageInfo> FImageInfo;
};

class TvxImageInfoCollection : public TCollection {
  DECLARE_CLASS(TvxImageInfoCollection, TCollection)
 public:
  explicit TvxImageInfoCollection(TvxImageList* AImageList);
  TvxImageInfoItem* Items(Integer Index) const { return static_cast<TvxImageInfoItem*>(TCollection::Items(Index)); }
  TvxImageInfoItem* Add(TBitmap* AImage, TBitmap* AMask, TColor AMaskColor);
  bool CompressData() const { return FCompressData; }
  // Sets the flag of every item too.
  void SetCompressData(bool Value);
  TPersistent* GetOwner() override;

 private:
  bool FCompressData = false;
  TvxImageList* FImageList;
};

class TvxImageList : public TDragImageList {
  DECLARE_CLASS(TvxImageList, TDragImageList)
  PUBLISHED(TvxImageList)
 public:
  using TCreateArg = TComponent*;
  explicit TvxImageList(TComponent* AOwner = nullptr);
  TvxImageList(Integer AWidth, Integer AHeight);
  ~TvxImageList() override;
  static std::unique_ptr<TvxImageList> CreateSize(Integer AWidth, Integer AHeight) {
    return std::make_unique<TvxImageList>(AWidth, AHeight);
  }

  // Adds to the system list (a missing mask becomes an all-zero one) and records the
  // image; answers the system list's index (-1 when it refused).
  Integer Add(TBitmap* AImage, TBitmap* AMask);
  Integer AddMasked(TBitmap* AImage, TColor AMaskColor);
  Integer AddIcon(TIcon* AIcon);
  // Nothing unless 0 <= AIndex <= Count.
  void Insert(Integer AIndex, TBitmap* AImage, TBitmap* AMask);
  void InsertMasked(Integer AIndex, TBitmap* AImage, TColor AMaskColor);
  void InsertIcon(Integer AIndex, TIcon* AIcon);
  void Replace(Integer AIndex, TBitmap* AImage, TBitmap* AMask);
  void ReplaceMasked(Integer AIndex, TBitmap* AImage, TColor AMaskColor);
  void ReplaceIcon(Integer AIndex, TIcon* AIcon);
  void Move(Integer ACurIndex, Integer ANewIndex);
  // -1 deletes all.
  void Delete(Integer AIndex);
  void Clear() { Delete(-1); }
  // Appends image AIndex of AValue; -1 for no list or an index past its end, else the
  // index the image gets.
  Integer AddImage(TCustomImageList* AValue, Integer AIndex);
  void AddImages(TCustomImageList* AImageList);
  // Appends images AStartIndex to AEndIndex (-1: the last) of AImageList.
  void CopyImages(TCustomImageList* AImageList, Integer AStartIndex = 0, Integer AEndIndex = -1);
  void Assign(TPersistent* Source) override;
  bool LoadImage(HINSTANCE AInstance, const String& AResourceName, TColor AMaskColor = clDefault,
                 Integer AWidth = 0, TLoadResources AFlags = {});
  bool GetResource(TResType AResType, const String& AName, Integer AWidth, TLoadResources ALoadFlags,
                   TColor AMaskColor);
  bool GetInstRes(HINSTANCE AInstance, TResType AResType, const String& AName, Integer AWidth,
                  TLoadResources ALoadFlags, TColor AMaskColor);
  bool ResourceLoad(TResType AResType, const String& AName, TColor AMaskColor);
  bool ResInstLoad(HINSTANCE AInstance, TResType AResType, const String& AName, TColor AMaskColor);
  void BeginUpdate() { ++FLockCount; }
  void EndUpdate(bool AForceUpdate = true);
  // Draws image AIndex into ARect: stretched, or centred at its own size.
  void Draw(TCanvas* ACanvas, const TRect& ARect, Integer AIndex, bool AStretch = false, bool ASmoothResize = false,
            bool AEnabled = true);
  using TCustomImageList::Draw;
  // Copies of the image as added and its mask (nil targets are skipped).
  void GetImageInfo(Integer AIndex, TBitmap* AImage, TBitmap* AMask);
  void GetImage(Integer AIndex, TBitmap* AImage) { GetImageInfo(AIndex, AImage, nullptr); }
  void GetMask(Integer AIndex, TBitmap* AMask) { GetImageInfo(AIndex, nullptr, AMask); }
  // Image and mask of a system list (image 0 of the whole bitmaps for AIndex -1).
  static void GetImageInfo(HIMAGELIST AHandle, Integer AIndex, TBitmap* AImage, TBitmap* AMask);
  // Bits per pixel of the system list's image bitmap; 0 when it has no image.
  static Integer GetPixelFormat(HIMAGELIST AHandle);
  // Takes the images of the given system list, which is destroyed.
  void SetHandle(HIMAGELIST Value);
  void DefineProperties(TFiler* Filer) override;

  bool AlphaBlending() const { return FAlphaBlending; }
  void SetAlphaBlending(bool Value) { FAlphaBlending = Value; }
  bool CompressData() const;
  void SetCompressData(bool Value);
  Integer FormatVersion() const { return FFormatVersion; }
  TvxImageInfoCollection* ImageInfoCollection() const { return FImages.get(); }

 protected:
  void Change() override;
  void DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT Style, bool Enabled) override;

 private:
  void Initialize();
  // Records an added image: a strip of whole cells becomes one entry per cell.
  void AddToInternalCollection(TBitmap* AImage, TBitmap* AMask, TColor AMaskColor);
  void AddFromImageInfo(TvxImageInfo* AInfo);
  Integer CellCount(TBitmap* AImage);
  void SwapImages(Integer AIndex1, Integer AIndex2);
  void SynchronizeCollectionFromList();
  void SynchronizeListFromCollection();

  bool FAlphaBlending = true;
  Integer FFormatVersion = 0;
  Integer FDesignInfo = 0;
  std::unique_ptr<TvxImageInfoCollection> FImages;
  Integer FLockCount = 0;
  bool FSynchronization = false;
};

// --- Image routines -------------------------------------------------------------------------

bool vxIsImageIndexValid(TCustomImageList* AImages, Integer AIndex);
// Points AField at AValue, moving the change link's registration and ANotifyComponent's
// free notification from the old list to the new one, and tells the link. Nothing when
// the list is the same.
void vxSetImageListRef(TCustomImageList* AValue, TCustomImageList*& AField, TChangeLink* AChangeLink,
                       TComponent* ANotifyComponent);

// Draw modes of vxDrawImageViaAlphaBitmap.
constexpr Byte vxImageDrawNormal = 0;
constexpr Byte vxImageDrawDisabled = 1;
constexpr Byte vxImageDrawFaded = 2;
constexpr Byte vxImageDrawGrayScale = 3;
constexpr Byte vxImageDrawDingy = 4;
constexpr Byte vxImageDrawShadowed = 5;

// Opacity of disabled and faded images with alpha channels.
extern Byte vxDisabledImageAlpha;
extern Byte vxFadedImageAlpha;

// Consulted before each image draw; answering True means it drew the image itself onto
// the canvas (of the scratch bitmap that then goes to the target).
using TvxDrawImageHook = std::function<bool(TCanvas* ACanvas, TCustomImageList* AImages, Integer AImageIndex,
                                            Byte AMode, const TRect& AImageRect, TBitmap* ABitmap)>;
extern TvxDrawImageHook vxDrawImageHook;

// Draws ABitmap, or image AImageIndex of AImages, into AImageRect of ADC in one of the
// six modes, over ABrush's fill of ADrawRect (or what ADC shows there). Nothing unless the
// bitmap is set or the index is valid.
void vxDrawImageViaAlphaBitmap(HDC ADC, const TRect& AImageRect, const TRect& ADrawRect, TBitmap* ABitmap,
                               TCustomImageList* AImages, Integer AImageIndex, Byte AMode, bool ASmoothResize = false,
                               HBRUSH ABrush = nullptr, TColor ATransparentColor = clNone,
                               bool AUseBitmapTransparency = true);
// Frees the scratch bitmaps of image drawing (the graphics unit's shut-down).
void vxFreeImageDrawBitmaps();
