// The image editor's picture classes and the conversions between an edit value (the bytes a
// graphic writes to a stream) and a picture.
#pragma once

#include <vector>

#include "Graphics.h"
#include "Variants.h"
#include "Dialogs.h"
#include "vxCustomEdit.h"
#include "Menus.h"
#include "vxEdit.h"
#include "vxGeometry.h"

// Graphic classes the editor creates by name: TBitmap, TIcon, the PNG class when it is
// registered as a streamable class, TJPEGImage. Built on first use.
const std::vector<TGraphicClass>& PictureClassList();
TGraphicClass GetDefaultGraphicClass();
// The class of that name (case-insensitive), or nullptr.
TGraphicClass FindPictureClassByName(const String& Name);
// The class of the picture class list whose file format the bytes begin with (BMP, PNG,
// JPEG, ICO, GIF), or nullptr when none is recognised or no such class is listed.
TGraphicClass GraphicClassOfData(const Byte* Data, size_t Count);

// Area's top-left corner with W x H scaled to fit inside Area; an empty Area unchanged.
TRect FitRectProportionally(const TRect& Area, Integer W, Integer H);
bool IsPictureEmpty(TPicture* Picture);
// Stretch, or Proportional with a picture larger than the area.
bool NeedsPictureScaling(bool AStretch, bool AProportional, const TSize& APictureSize, const TSize& AAreaSize);

// Loads the picture from an edit value. The bytes' own file format decides the graphic
// class when it is recognised, so a value keeps its picture whatever class is asked for;
// otherwise AGraphicClass, or a bitmap without one. Anything unreadable clears the picture.
void LoadPictureFromValue(TPicture* Picture, TGraphicClass AGraphicClass, const Variant& Value);
// The bytes the graphic writes to a stream, as an 8-bit string; empty for an empty picture.
AnsiString SavePictureToValue(TPicture* Picture);

// --- The image editor ------------------------------------------------------------------------------

enum TvxImageTransparency { gtDefault, gtOpaque, gtTransparent };
ENUM_TYPEINFO(TvxImageTransparency, gtDefault, gtOpaque, gtTransparent)
enum TvxPopupMenuItem { pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave, pmiCustom };
using TvxPopupMenuItems = Set<TvxPopupMenuItem, 8>;
ENUM_TYPEINFO(TvxPopupMenuItem, pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave, pmiCustom)
SET_TYPEINFO(TvxPopupMenuItems, TvxPopupMenuItem)

class TvxCustomImage;

// Which commands the image editor's own context menu offers, and its custom command.
class TvxPopupMenuLayout : public TPersistent {
  DECLARE_CLASS(TvxPopupMenuLayout, TPersistent)
  PUBLISHED(TvxPopupMenuLayout)
 public:
  explicit TvxPopupMenuLayout(TvxCustomImage* AImage) : FImage(AImage) {}
  void Assign(TPersistent* Source) override;
  const String& CustomMenuItemCaption() const { return FCustomMenuItemCaption; }
  void SetCustomMenuItemCaption(const String& Value) { FCustomMenuItemCaption = Value; }
  // Made empty on first read.
  TBitmap* CustomMenuItemGlyph();
  // Copies the bitmap; nil frees the glyph.
  void SetCustomMenuItemGlyph(TBitmap* Value);
  TvxPopupMenuItems MenuItems() const { return FMenuItems; }
  void SetMenuItems(TvxPopupMenuItems Value) { FMenuItems = Value; }
  TvxCustomImage* Image() const { return FImage; }

 private:
  String FCustomMenuItemCaption;
  std::unique_ptr<TBitmap> FCustomMenuItemGlyph;
  TvxCustomImage* FImage;
  TvxPopupMenuItems FMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave};
};

using TvxImageGraphicClassEvent =
    std::function<void(TObject* AItem, Integer ARecordIndex, bool APastingFromClipboard, TGraphicClass& AGraphicClass)>;
using TvxImageEditGraphicClassEvent =
    std::function<void(TObject* Sender, bool APastingFromClipboard, TGraphicClass& AGraphicClass)>;

class TvxCustomImageProperties : public TvxCustomEditProperties {
  DECLARE_CLASS(TvxCustomImageProperties, TvxCustomEditProperties)
 public:
  explicit TvxCustomImageProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;
  bool HasDisplayValue() override { return true; }
  bool IsResetEditClass() override { return true; }
  String GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  virtual TGraphicClass GetDefaultGraphicClass() { return ::GetDefaultGraphicClass(); }
  // GraphicClass when set; else a bitmap when pasting, nothing otherwise, as the event decides.
  virtual TGraphicClass GetGraphicClass(TObject* AItem, Integer ARecordIndex, bool APastingFromClipboard);

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value) { SetValue(FCaption, Value); }
  bool Center() const { return FCenter; }
  void SetCenter(bool Value) { SetValue(FCenter, Value); }
  const String& CustomFilter() const { return FCustomFilter; }
  void SetCustomFilter(const String& Value) { FCustomFilter = Value; }
  TGraphicClass GraphicClass() const { return FGraphicClass; }
  void SetGraphicClass(TGraphicClass Value) { SetValue(FGraphicClass, Value); }
  String GraphicClassName() const { return FGraphicClass ? String(FGraphicClass->ClassName()) : String(); }
  // An empty name clears the class; a name not in the picture class list is ignored.
  void SetGraphicClassName(const String& Value);
  TvxImageTransparency GraphicTransparency() const { return FGraphicTransparency; }
  void SetGraphicTransparency(TvxImageTransparency Value) { SetValue(FGraphicTransparency, Value); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool Value) { SetValue(FProportional, Value); }
  bool ShowFocusRect() const { return FShowFocusRect; }
  void SetShowFocusRect(bool Value) { SetValue(FShowFocusRect, Value); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value) { SetValue(FStretch, Value); }
  TvxPopupMenuLayout* PopupMenuLayout() const { return FPopupMenuLayout.get(); }
  void SetPopupMenuLayout(TvxPopupMenuLayout* Value) { FPopupMenuLayout->Assign(Value); }

  TNotifyEvent OnCustomClick;
  TvxImageGraphicClassEvent OnGetGraphicClass;

 private:
  std::unique_ptr<TvxPopupMenuLayout> FPopupMenuLayout = std::make_unique<TvxPopupMenuLayout>(nullptr);
  template <class T>
  void SetValue(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
  }
  String FCaption;
  bool FCenter = true;
  String FCustomFilter;
  TGraphicClass FGraphicClass = nullptr;
  TvxImageTransparency FGraphicTransparency = gtDefault;
  bool FProportional = true;
  bool FShowFocusRect = true;
  bool FStretch = false;
};

class TvxImageProperties : public TvxCustomImageProperties {
  DECLARE_CLASS(TvxImageProperties, TvxCustomImageProperties)
  PUBLISHED(TvxImageProperties)
 public:
  using TvxCustomImageProperties::TvxCustomImageProperties;
};

// Paints the picture into the client area: stretched, fitted or centred by the properties.
class TvxImageViewInfo : public TvxCustomEditViewInfo {
  DECLARE_CLASS(TvxImageViewInfo, TvxCustomEditViewInfo)
 public:
  void PaintContent(TvxCanvas* ACanvas) override;
  TPicture* Picture = nullptr;  // not owned
  TvxCustomImageProperties* Properties = nullptr;
  // The scroll offset of the picture, in pixels.
  TPoint TopLeft{0, 0};
};

// Hands the view info the control's picture and the properties it is painted by.
class TvxImageViewData : public TvxCustomEditViewData {
  DECLARE_CLASS(TvxImageViewData, TvxCustomEditViewData)
 public:
  using TvxCustomEditViewData::TvxCustomEditViewData;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
};

class TvxCustomImage : public TvxCustomEdit {
  DECLARE_CLASS(TvxCustomImage, TvxCustomEdit)
 public:
  using TvxCustomEdit::TvxCustomEdit;
  ~TvxCustomImage() override;
  TvxCustomImageProperties* ActiveProperties() const {
    return static_cast<TvxCustomImageProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TvxCustomImageProperties* Properties() const {
    return static_cast<TvxCustomImageProperties*>(TvxCustomEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxCustomImageProperties::StaticClass(); }
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
  // Null for an empty picture, else the bytes its graphic writes.
  Variant EditValue() override;

  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void DeletePicture();
  virtual bool CanPasteFromClipboard();
  virtual TGraphicClass GetGraphicClass(bool APastingFromClipboard);
  // Picture file dialogs; the dialogs live only for the call.
  void LoadFromFile();
  void SaveToFile();
  // The editor's own context menu, brought up to date with the layout and the picture: made on
  // first use and kept.
  TPopupMenu* PreparePopupMenu();
  TPopupMenu* EditPopupMenu() const { return FEditPopupMenu.get(); }
  TvxImageEditGraphicClassEvent OnGetGraphicClass;

 protected:
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  bool WantsAfterKeyDownEvent(Word Key, TShiftState Shift) override;
  virtual void CustomClick();
  // The stand-alone editor scrolls a picture larger than its client (without Center, Stretch
  // and AutoSize) with its own scroll bars, 8 pixels a line.
  bool HasScrollBars() override { return !IsInplace(); }
  void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) override;
  void UpdateScrollBars() override;
  void SetupScrollBars() override;
  // The view info's offset from the bars' positions.
  void UpdateScrollPositions();
  void Initialize() override;
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue) override;
  void PropertiesChanged(TObject* Sender) override;
  // Shows the dialog (tests answer without a window).
  virtual bool ExecuteDialog(TOpenDialog* ADialog) { return ADialog->Execute(); }

 private:
  void HandlePictureChange(TObject* Sender);
  void MenuItemClick(TObject* Sender);
  std::unique_ptr<TPopupMenu> FEditPopupMenu;
  std::unique_ptr<TPicture> FPicture;
  bool FInternalChanging = false;
  bool FIsDialogShowed = false;
};

class TvxImage : public TvxCustomImage {
  DECLARE_CLASS(TvxImage, TvxCustomImage)
  PUBLISHED(TvxImage)
 public:
  using TvxCustomImage::TvxCustomImage;
  TClass GetPropertiesClass() override { return TvxImageProperties::StaticClass(); }
  TvxImageProperties* Properties() const {
    return static_cast<TvxImageProperties*>(TvxCustomImage::Properties());
  }
  void SetProperties(TvxImageProperties* Value) { Properties()->Assign(Value); }
};

extern const TUnitInfo vxImageUnit;
