// ImgList: image lists over the common controls' HIMAGELIST. A list holds images of
// one size; it draws them normally, selected, masked or disabled, hands out single
// images as bitmaps or icons, tells linked controls when it changes, writes its
// images as the "Bitmap" binary property of a form stream and drives the system's
// drag image.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "Controls.h"
#include "Graphics.h"
#include "Persistent.h"
#include "SysInit.h"

class TCustomImageList;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
ENUM_TYPEINFO(TDrawingStyle, dsFocus, dsSelected, dsNormal, dsTransparent)
enum TImageType { itImage, itMask };
ENUM_TYPEINFO(TImageType, itImage, itMask)
enum TColorDepth { cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit };
ENUM_TYPEINFO(TColorDepth, cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit)
using TImageIndex = Integer;
enum TResType { rtBitmap, rtCursor, rtIcon };
enum TLoadResource { lrDefaultColor, lrDefaultSize, lrFromFile, lrMap3DColors, lrTransparent, lrMonoChrome };
using TLoadResources = Set<TLoadResource, 8>;
using TOverlay = Byte;

// A link through which an image list tells a user (a control, a menu) that it changed.
class TChangeLink : public TObject {
  DECLARE_CLASS(TChangeLink, TObject)
 public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TCustomImageList* Sender() const { return FSender; }
  void SetSender(TCustomImageList* Value) { FSender = Value; }
  virtual void Change();
  TNotifyEvent OnChange;

 private:
  TCustomImageList* FSender = nullptr;
};


class TCustomImageList : public TComponent {
  DECLARE_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* AOwner);
  TCustomImageList(Integer AWidth, Integer AHeight);
  ~TCustomImageList() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;

  HIMAGELIST Handle();
  void SetHandle(HIMAGELIST Value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Hands the handle over: the list forgets it without destroying it.
  HIMAGELIST ReleaseHandle();
  bool ShareImages() const { return FShareImages; }
  void SetShareImages(bool Value) { FShareImages = Value; }

  Integer Width() const { return FWidth; }
  void SetWidth(Integer Value) { SetSize(Value, FHeight); }
  Integer Height() const { return FHeight; }
  void SetHeight(Integer Value) { SetSize(FWidth, Value); }
  // Changing the size clears the list.
  void SetSize(Integer AWidth, Integer AHeight);
  Integer Count();
  Integer AllocBy() const { return FAllocBy; }
  void SetAllocBy(Integer Value) { FAllocBy = Value; }
  bool Masked() const { return FMasked; }
  void SetMasked(bool Value);
  TColorDepth ColorDepth() const { return FColorDepth; }
  void SetColorDepth(TColorDepth Value);
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);
  TColor BlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor Value) { FBlendColor = Value; }
  TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle Value);
  TImageType ImageType() const { return FImageType; }
  void SetImageType(TImageType Value);

  // Adds the images of a bitmap (as many as fit its width), with an optional mask;
  // returns the index of the first. -1 when nothing was added.
  Integer Add(TBitmap* Image, TBitmap* Mask);
  // Adds the images with every pixel of MaskColor transparent.
  Integer AddMasked(TBitmap* Image, TColor MaskColor);
  Integer AddIcon(TIcon* Image);
  void AddImages(TCustomImageList* Value);
  void Insert(Integer Index, TBitmap* Image, TBitmap* Mask);
  void InsertMasked(Integer Index, TBitmap* Image, TColor MaskColor);
  void InsertIcon(Integer Index, TIcon* Image);
  void Replace(Integer Index, TBitmap* Image, TBitmap* Mask);
  void ReplaceMasked(Integer Index, TBitmap* NewImage, TColor MaskColor);
  void ReplaceIcon(Integer Index, TIcon* Image);
  void Delete(Integer Index);
  void Move(Integer CurIndex, Integer NewIndex);
  void Clear();
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, TDrawingStyle ADrawingStyle,
            TImageType AImageType, bool Enabled = true);
  void DrawOverlay(TCanvas* Canvas, Integer X, Integer Y, Integer ImageIndex, TOverlay Overlay,
                   bool Enabled = true);
  bool Overlay(Integer ImageIndex, TOverlay Overlay);
  // Copies one image into Image (sized to the list, 32 bits when the list keeps alpha).
  bool GetBitmap(Integer Index, TBitmap* Image);
  void GetIcon(Integer Index, TIcon* Image);
  void GetIcon(Integer Index, TIcon* Image, TDrawingStyle ADrawingStyle, TImageType AImageType);
  // Adds the images of a bitmap or icon resource (cut into cells of the list's size);
  // MaskColor clNone adds them without a mask. False when the resource is missing.
  bool GetInstRes(HINSTANCE Instance, TResType ResType, const String& Name, Integer Width,
                  TLoadResources LoadFlags, TColor MaskColor);
  bool GetResource(TResType ResType, const String& Name, Integer Width, TLoadResources LoadFlags,
                   TColor MaskColor);
  bool ResInstLoad(HINSTANCE Instance, TResType ResType, const String& Name, TColor MaskColor);
  bool ResourceLoad(TResType ResType, const String& Name, TColor MaskColor);
  HBITMAP GetImageBitmap();
  HBITMAP GetMaskBitmap();

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);
  TNotifyEvent OnChange;

  // The drag image, shown by the system over every window while a drag is on.
  bool BeginDrag(HWND Window, Integer X, Integer Y);
  bool DragLock(HWND Window, Integer XPos, Integer YPos);
  bool DragMove(Integer X, Integer Y);
  void DragUnlock();
  bool EndDrag();
  void HideDragImage();
  void ShowDragImage();
  bool SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY);
  POINT GetHotSpot() const { return FDragHotspot; }
  bool Dragging() const { return FDragging; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }

 protected:
  virtual void Change();
  void CheckIndex(Integer Index, bool AllowEnd = false);
  void CreateList();
  void FreeHandle();
  UINT ColorFlags() const;
  UINT DrawFlags(TDrawingStyle S, TImageType T) const;
  virtual void DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT Style, bool Enabled);
  void ReadData(TStream* Stream);
  void WriteData(TStream* Stream);

 private:
  HIMAGELIST FHandle = nullptr;
  Integer FWidth = 16, FHeight = 16;
  Integer FAllocBy = 4;
  bool FMasked = true;
  bool FShareImages = false;
  TColorDepth FColorDepth = cd32Bit;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  TDrawingStyle FDrawingStyle = dsNormal;
  TImageType FImageType = itImage;
  std::vector<TChangeLink*> FClients;
  Integer FUpdateCount = 0;
  bool FChanged = false;
  // Drag image state.
  HWND FDragWindow = nullptr;
  POINT FDragHotspot{0, 0};
  Integer FDragIndex = -1;
  bool FDragging = false;
  TCursor FDragCursor = crDrag;
};

class TImageList : public TCustomImageList {
  DECLARE_CLASS(TImageList, TCustomImageList)
  PUBLISHED(TImageList)
 public:
  using TCustomImageList::TCustomImageList;
};

class TDragImageList : public TCustomImageList {
  DECLARE_CLASS(TDragImageList, TCustomImageList)
 public:
  using TCustomImageList::TCustomImageList;
};

// Points Field at Value for a control that shows images from a list: the change link and
// the free notification move from the old list to the new one. Returns false when Field
// already was Value (nothing changed).
bool ReplaceImageList(TCustomImageList*& Field, TCustomImageList* Value, TChangeLink& Link,
                      TComponent* Client);

// Registers the unit's classes for the form streaming.
extern const TUnitInfo ImgListUnit;
