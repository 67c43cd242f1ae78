// The blob edit: the editor for values too large for a text box (memo text, pictures, OLE
// objects, raw data). Its cell shows a glyph or a short text naming the kind of value; its
// popup holds a memo or an image editor with OK and Cancel buttons in the system panel.
#pragma once

#include <memory>

#include "vxButtons.h"
#include "vxDropDownEdit.h"
#include "vxImage.h"
#include "vxMemo.h"

enum TvxBlobEditKind { bekAuto, bekMemo, bekPict, bekOle, bekBlob };
ENUM_TYPEINFO(TvxBlobEditKind, bekAuto, bekMemo, bekPict, bekOle, bekBlob)
// The button unit names its own paint style bpsDefault, so these live in the unit's namespace.
namespace vxBlobEdit {
enum TvxBlobPaintStyle { bpsDefault, bpsIcon, bpsText };
ENUM_TYPEINFO(TvxBlobPaintStyle, bpsDefault, bpsIcon, bpsText)
}  // namespace vxBlobEdit
using vxBlobEdit::TvxBlobPaintStyle;

using TvxImageAssignPictureEvent = std::function<void(TObject* Sender, TPicture* Picture)>;

// The glyphs of every blob editor: raw data, memo, picture and OLE, each empty and with
// data (indexes 0 to 7). Built at the unit's start-up; nullptr when the program carries
// no glyph bitmaps.
TCustomImageList* BlobEditGlyphs();

class TvxCustomBlobEditProperties : public TvxCustomPopupEditProperties {
  DECLARE_CLASS(TvxCustomBlobEditProperties, TvxCustomPopupEditProperties)
 public:
  explicit TvxCustomBlobEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  // Writes "IsPictureGraphicClassNameEmpty" for an empty class against a non-empty default.
  void DefineProperties(TFiler* Filer) override;
  TClass GetContainerClass() override;
  TClass GetPopupWindowClass() override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  TvxEditDisplayFormatOptions DisplayFormatOptions() override { return {}; }
  String GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  TvxDataEditValueSource GetEditValueSource(bool AEditFocused) override;
  TvxEditSpecialFeatures GetSpecialFeatures() override;
  TvxEditSupportedOperations GetSupportedOperations() override;
  bool IsEditValueValid(Variant&, bool) override { return true; }
  bool DropDownOnClick() override { return true; }
  bool IsLookupDataUsed() override { return false; }

  // Sets an automatic kind from the default values provider once its data is available.
  void ResolveBlobEditKind();
  String GetBlobDisplayText(const Variant& AValue, bool AFullText);
  // The class of the popup picture: PictureGraphicClass when set, else a bitmap when
  // pasting, as the properties' OnGetGraphicClass decides.
  TGraphicClass GetGraphicClass(TObject* AItem, Integer ARecordIndex, bool APastingFromClipboard);

  bool AlwaysSaveData() const { return FAlwaysSaveData; }
  void SetAlwaysSaveData(bool Value) { FAlwaysSaveData = Value; }
  bool ApplyStyleToButtons() const { return FApplyStyleToButtons; }
  void SetApplyStyleToButtons(bool Value) { FApplyStyleToButtons = Value; }
  TvxBlobEditKind BlobEditKind() const { return FBlobEditKind; }
  void SetBlobEditKind(TvxBlobEditKind Value);
  TvxBlobPaintStyle BlobPaintStyle() const { return FBlobPaintStyle; }
  void SetBlobPaintStyle(TvxBlobPaintStyle Value) { SetValue(FBlobPaintStyle, Value); }
  bool MemoAutoReplace() const { return FMemoAutoReplace; }
  void SetMemoAutoReplace(bool Value) { FMemoAutoReplace = Value; }
  TEditCharCase MemoCharCase() const { return FMemoCharCase; }
  void SetMemoCharCase(TEditCharCase Value) { FMemoCharCase = Value; }
  Integer MemoMaxLength() const { return FMemoMaxLength; }
  void SetMemoMaxLength(Integer Value) { FMemoMaxLength = Value; }
  bool MemoOEMConvert() const { return FMemoOEMConvert; }
  void SetMemoOEMConvert(bool Value) { FMemoOEMConvert = Value; }
  TScrollStyle MemoScrollBars() const { return FMemoScrollBars; }
  void SetMemoScrollBars(TScrollStyle Value) { FMemoScrollBars = Value; }
  bool MemoWantReturns() const { return FMemoWantReturns; }
  void SetMemoWantReturns(bool Value) { FMemoWantReturns = Value; }
  bool MemoWantTabs() const { return FMemoWantTabs; }
  void SetMemoWantTabs(bool Value) { FMemoWantTabs = Value; }
  bool MemoWordWrap() const { return FMemoWordWrap; }
  void SetMemoWordWrap(bool Value) { FMemoWordWrap = Value; }
  bool PictureAutoSize() const { return FPictureAutoSize; }
  void SetPictureAutoSize(bool Value) { FPictureAutoSize = Value; }
  const String& PictureFilter() const { return FPictureFilter; }
  void SetPictureFilter(const String& Value) { FPictureFilter = Value; }
  TGraphicClass PictureGraphicClass() const { return FPictureGraphicClass; }
  void SetPictureGraphicClass(TGraphicClass Value) { SetValue(FPictureGraphicClass, Value); }
  String PictureGraphicClassName() const;
  // An empty name clears the class; a name of no registered graphic class is ignored.
  void SetPictureGraphicClassName(const String& Value);
  bool IsPictureGraphicClassNameStored() const { return FPictureGraphicClass != GetDefaultGraphicClass(); }
  TvxImageTransparency PictureTransparency() const { return FPictureTransparency; }
  void SetPictureTransparency(TvxImageTransparency Value) { FPictureTransparency = Value; }
  bool ShowExPopupItems() const { return FShowExPopupItems; }
  void SetShowExPopupItems(bool Value) { FShowExPopupItems = Value; }
  bool ShowPicturePopup() const { return FShowPicturePopup; }
  void SetShowPicturePopup(bool Value) { FShowPicturePopup = Value; }

  TvxImageAssignPictureEvent OnAssignPicture;
  TvxImageGraphicClassEvent OnGetGraphicClass;

 private:
  bool FAlwaysSaveData = true;
  bool FApplyStyleToButtons = true;
  TvxBlobEditKind FBlobEditKind = bekAuto;
  TvxBlobPaintStyle FBlobPaintStyle = vxBlobEdit::bpsIcon;
  bool FMemoAutoReplace = false;
  bool FMemoWantReturns = true;
  bool FMemoWantTabs = true;
  bool FMemoOEMConvert = false;
  bool FMemoWordWrap = true;
  Integer FMemoMaxLength = 0;
  TEditCharCase FMemoCharCase = ecNormal;
  TScrollStyle FMemoScrollBars = ssNone;
  bool FPictureAutoSize = true;
  String FPictureFilter;
  TGraphicClass FPictureGraphicClass = nullptr;
  TvxImageTransparency FPictureTransparency = gtDefault;
  bool FShowExPopupItems = true;
  bool FShowPicturePopup = true;
};

class TvxBlobEditProperties : public TvxCustomBlobEditProperties {
  DECLARE_CLASS(TvxBlobEditProperties, TvxCustomBlobEditProperties)
  PUBLISHED(TvxBlobEditProperties)
 public:
  using TvxCustomBlobEditProperties::TvxCustomBlobEditProperties;
};

class TvxBlobEditViewInfo : public TvxCustomTextEditViewInfo {
  DECLARE_CLASS(TvxBlobEditViewInfo, TvxCustomTextEditViewInfo)
 public:
  void Assign(TObject* Source) override;
  void Offset(Integer DX, Integer DY) override;
  void PaintContent(TvxCanvas* ACanvas) override;
  bool NeedShowHint(TvxCanvas*, const TPoint&, TRect&, bool&, String& AText, const TRect& = TRect{}) override {
    AText.clear();
    return false;
  }
  TRect IconRect{};
  TImageIndex ImageIndex = -1;  // -1: the text is drawn instead of a glyph
};

class TvxBlobEditViewData : public TvxCustomDropDownEditViewData {
  DECLARE_CLASS(TvxBlobEditViewData, TvxCustomDropDownEditViewData)
 public:
  using TvxCustomDropDownEditViewData::TvxCustomDropDownEditViewData;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  void EditValueToDrawValue(TvxCanvas* ACanvas, const Variant& AEditValue, TvxCustomEditViewInfo* AViewInfo) override;
  void InternalEditValueToDisplayText(const Variant& AEditValue, String& AText) override;
  TSize GetEditConstantPartSize(TvxCanvas* ACanvas, const TvxEditSizeProperties& AEditSizeProperties,
                                TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo = nullptr) override;
  Integer GetDrawTextFlags() override;
  TvxCustomBlobEditProperties* BlobProperties() const {
    return static_cast<TvxCustomBlobEditProperties*>(Properties());
  }
};

// The blob edit's popup: a modal result set by a key or a button closes it, OK as Enter,
// Cancel as Cancel, also while the popup runs without its own message loop.
class TvxBlobEditPopupWindow : public TvxPopupEditPopupWindow {
  DECLARE_CLASS(TvxBlobEditPopupWindow, TvxPopupEditPopupWindow)
 public:
  using TvxPopupEditPopupWindow::TvxPopupEditPopupWindow;
  void ApplyModalResult(TModalResult AResult);
  // With MemoAutoReplace, a character typed into the closed edit replaces the popup memo's
  // text instead of joining it.
  void SendCharToFocus(WideChar C) override;

 protected:
  // The window previews the keys of its controls: the closing keys of the blob popup are
  // taken here, so that Escape and Alt+arrows give their modal result as in the controls.
  void KeyDown(Word& Key, TShiftState Shift) override;
};

class TvxCustomBlobEdit;

// Maps a key inside the popup to a modal result (mrNone for a key the control keeps); a
// mapped key is cleared.
TModalResult PopupKeyToModalResult(Word& Key, TShiftState Shift, bool AReturnCloses, bool AAlwaysSaveData);

class TvxPopupMemo : public TvxMemo {
  DECLARE_CLASS(TvxPopupMemo, TvxMemo)
 public:
  using TvxMemo::TvxMemo;
  TvxCustomBlobEdit* FBlobEdit = nullptr;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
};

class TvxPopupImage : public TvxImage {
  DECLARE_CLASS(TvxPopupImage, TvxImage)
 public:
  using TvxImage::TvxImage;
  TvxCustomBlobEdit* FBlobEdit = nullptr;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
};

class TvxCustomBlobEdit : public TvxCustomPopupEdit {
  DECLARE_CLASS(TvxCustomBlobEdit, TvxCustomPopupEdit)
  friend class TvxPopupMemo;
  friend class TvxPopupImage;
  friend class TvxBlobEditPopupWindow;

 public:
  using TvxCustomPopupEdit::TvxCustomPopupEdit;
  ~TvxCustomBlobEdit() override;
  TvxCustomBlobEditProperties* Properties() const {
    return static_cast<TvxCustomBlobEditProperties*>(TvxCustomPopupEdit::Properties());
  }
  TvxCustomBlobEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomBlobEditProperties*>(TvxCustomPopupEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomBlobEditProperties::StaticClass(); }
  bool IsEditClass() override { return false; }
  bool CanDropDown() override;
  void InitPopup() override;
  SIZE GetPopupPreferredSize() override;
  TWinControl* GetPopupFocusedControl() override;
  void SetupPopupWindow() override;
  void PropertiesChanged(TObject* Sender) override;
  TvxBlobEditPopupWindow* BlobPopupWindow() { return static_cast<TvxBlobEditPopupWindow*>(PopupWindow()); }

  // The popup control (a TvxPopupMemo or a TvxPopupImage) and the popup's buttons.
  TvxCustomEdit* Storage() const { return FStorage.get(); }
  TvxButton* OkButton() const { return FOkButton.get(); }
  TvxButton* CancelButton() const { return FCancelButton.get(); }
  Integer ButtonWidth() const { return FButtonWidth; }
  // The class of the picture last taken from the popup (nullptr for an empty picture).
  TGraphicClass GraphicClass() const { return FGraphicClass; }
  virtual TGraphicClass GetGraphicClass(bool APastingFromClipboard);

  virtual void PreparePopupControls();
  virtual void FreePopupControls();
  virtual void StorageEditing(TObject* Sender, bool& CanEdit);
  // Turns a closing key pressed in the open popup into the popup's modal result, which
  // closes it; answers whether the key was taken (it is then cleared).
  bool HandlePopupKey(Word& Key, TShiftState Shift);
  // The popup memo while the popup is open, else nullptr.
  TvxPopupMemo* OpenPopupMemo();

  // Editing text and window text stand for a memo value only: while the popup is open
  // they are the popup memo's text, else the value itself (at design time, any value as
  // text). Other kinds have no text.
  void SetEditingText(const String& Value) override;
  String InternalGetText() override;
  bool InternalSetText(const String& AText) override;
  void SynchronizeDisplayValue() override;
  void SynchronizeEditValue() override;

  TvxImageEditGraphicClassEvent OnGetGraphicClass;

 protected:
  void Initialize() override;
  void DoClosePopupWindow(TObject* Sender) override;
  // The font and colour of the edit reach the open popup's memo and buttons.
  void ContainerStyleChanged(TObject* Sender) override;
  virtual void CreatePopupButtons();
  virtual void SavePopupValue();

 private:
  void PrepareMemo(TvxPopupMemo* AMemo);
  void PrepareImage(TvxPopupImage* AImage);
  void StorageChanged();
  std::unique_ptr<TvxButton> MakePopupButton(std::unique_ptr<TvxButton> AButton, const String& ACaption,
                                             TModalResult AResult, Integer AHeight);
  Integer FButtonWidth = 0;
  std::unique_ptr<TvxButton> FCancelButton;
  TGraphicClass FGraphicClass = nullptr;
  std::unique_ptr<TvxButton> FOkButton;
  std::unique_ptr<TvxCustomEdit> FStorage;
};

class TvxBlobEdit : public TvxCustomBlobEdit {
  DECLARE_CLASS(TvxBlobEdit, TvxCustomBlobEdit)
  PUBLISHED(TvxBlobEdit)
 public:
  using TvxCustomBlobEdit::TvxCustomBlobEdit;
  TvxBlobEditProperties* Properties() const {
    return static_cast<TvxBlobEditProperties*>(TvxCustomBlobEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxBlobEditProperties::StaticClass(); }
  void SetProperties(TvxBlobEditProperties* Value) { Properties()->Assign(Value); }
};

extern const TUnitInfo vxBlobEditUnit;
