// The image combo box: a fixed-list drop-down whose items pair a stored value with a
// description and an image. The edit value is an item's Value; the editor shows that item's
// description and image, and its list shows every item with its image.
#pragma once

#include "ImgList.h"
#include "vxDropDownEdit.h"

enum TvxImageAlign { iaLeft, iaRight };
ENUM_TYPEINFO(TvxImageAlign, iaLeft, iaRight)

class TvxCustomImageComboBoxProperties;

class TvxImageComboBoxItem : public TCollectionItem {
  DECLARE_CLASS(TvxImageComboBoxItem, TCollectionItem)
  PUBLISHED(TvxImageComboBoxItem)
 public:
  // The image index is the item's own index while the owner's Images hold an image for
  // every item, else -1.
  explicit TvxImageComboBoxItem(TCollection* Collection);
  void Assign(TPersistent* Source) override;
  const String& Description() const { return FDescription; }
  void SetDescription(const String& Value);
  TImageIndex ImageIndex() const { return FImageIndex; }
  void SetImageIndex(TImageIndex Value);
  Integer Tag() const { return FTag; }
  void SetTag(Integer Value) { FTag = Value; }
  const Variant& Value() const { return FValue; }
  // A value of the same type that compares equal changes nothing.
  void SetValue(const Variant& Value);

 private:
  String FDescription;
  TImageIndex FImageIndex = -1;
  Integer FTag = 0;
  Variant FValue = Null();
};

class TvxImageComboBoxItems : public TOwnedCollection {
  DECLARE_CLASS(TvxImageComboBoxItems, TOwnedCollection)
 public:
  explicit TvxImageComboBoxItems(TvxCustomImageComboBoxProperties* AOwner);
  TvxImageComboBoxItem* Items(Integer Index) const {
    return static_cast<TvxImageComboBoxItem*>(TCollection::Items(Index));
  }
  TvxImageComboBoxItem* Add() { return static_cast<TvxImageComboBoxItem*>(TCollection::Add()); }
  TvxCustomImageComboBoxProperties* Properties() const { return FProperties; }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TvxCustomImageComboBoxProperties* FProperties;
};

class TvxCustomImageComboBoxProperties : public TvxCustomComboBoxProperties {
  DECLARE_CLASS(TvxCustomImageComboBoxProperties, TvxCustomComboBoxProperties)
 public:
  explicit TvxCustomImageComboBoxProperties(TPersistent* AOwner);
  ~TvxCustomImageComboBoxProperties() override;
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  std::unique_ptr<TvxCustomTextEditLookupData> CreateLookupData(TvxCustomTextEdit* AEdit) override;
  TvxEditDisplayFormatOptions DisplayFormatOptions() override { return {}; }
  TvxDataEditValueSource GetEditValueSource(bool) override { return evsValue; }
  bool IsEditValueValid(Variant&, bool) override { return true; }
  TvxEditSupportedOperations GetSupportedOperations() override;
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  String GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  // A typed text matches an item only while descriptions are shown (any letter case).
  bool IsLookupItem(const String& AText) override;
  void DoFreeNotification(TComponent* AComponent) override;

  // The first item whose Value equals AValue, nullptr for none.
  TvxImageComboBoxItem* FindItemByValue(const Variant& AValue) const;
  // The first item whose Description equals AText in any letter case, nullptr for none.
  TvxImageComboBoxItem* FindItemByDescription(const String& AText) const;
  void GetImageComboBoxDisplayValue(const Variant& AEditValue, String& AText, TImageIndex& AImageIndex);
  // The text and image shown for an item (nullptr: the defaults). The text is empty unless
  // AForceDescription or ShowDescriptions holds.
  virtual void GetDescriptionAndImage(TvxImageComboBoxItem* AItem, bool AForceDescription, String& AText,
                                      TImageIndex& AImageIndex);

  const String& DefaultDescription() const { return FDefaultDescription; }
  void SetDefaultDescription(const String& Value) { SetValue(FDefaultDescription, Value); }
  TImageIndex DefaultImageIndex() const { return FDefaultImageIndex; }
  void SetDefaultImageIndex(TImageIndex Value) { SetValue(FDefaultImageIndex, Value); }
  TvxImageAlign ImageAlign() const { return FImageAlign; }
  void SetImageAlign(TvxImageAlign Value) { SetValue(FImageAlign, Value); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* LargeImages() const { return FLargeImages; }
  void SetLargeImages(TCustomImageList* Value);
  TvxImageComboBoxItems* Items() const { return FItems.get(); }
  void SetItems(TvxImageComboBoxItems* Value) { FItems->Assign(Value); }
  bool MultiLineText() const { return FMultiLineText; }
  void SetMultiLineText(bool Value) { SetValue(FMultiLineText, Value); }
  bool ShowDescriptions() const { return FShowDescriptions; }
  void SetShowDescriptions(bool Value) { SetValue(FShowDescriptions, Value); }

 private:
  String FDefaultDescription;
  TImageIndex FDefaultImageIndex = -1;
  TvxImageAlign FImageAlign = iaLeft;
  TCustomImageList* FImages = nullptr;       // not owned; forgotten when freed
  TCustomImageList* FLargeImages = nullptr;  // not owned; forgotten when freed
  std::unique_ptr<TChangeLink> FImagesChangeLink;
  std::unique_ptr<TChangeLink> FLargeImagesChangeLink;
  std::unique_ptr<TvxImageComboBoxItems> FItems;
  bool FMultiLineText = false;
  bool FShowDescriptions = true;
};

class TvxImageComboBoxProperties : public TvxCustomImageComboBoxProperties {
  DECLARE_CLASS(TvxImageComboBoxProperties, TvxCustomImageComboBoxProperties)
  PUBLISHED(TvxImageComboBoxProperties)
 public:
  using TvxCustomImageComboBoxProperties::TvxCustomImageComboBoxProperties;
};

class TvxCustomImageComboBox;

// The drop-down list: each row an item's image and description.
class TvxImageComboBoxListBox : public TvxComboBoxListBox {
  DECLARE_CLASS(TvxImageComboBoxListBox, TvxComboBoxListBox)
 public:
  explicit TvxImageComboBoxListBox(TComponent* AOwner);
  Integer GetItemHeight(Integer AIndex = -1) override;
  Integer GetItemWidth(Integer AIndex) override;
  Integer GetHeight(Integer ARowCount, Integer AMaxHeight) override;
  // The widest description plus the image column (or 4 without images) and, with more
  // items than rows, the vertical scroll bar.
  Integer GetListWidth();
  TvxCustomImageComboBoxProperties* ImageProperties() const;
  // LargeImages when assigned, else Images.
  TCustomImageList* ListImages() const;

  Integer FClientWidth = 0;
  bool FHasScrollbar = false;

 protected:
  void DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) override;
};

class TvxImageComboBoxLookupData : public TvxComboBoxLookupData {
  DECLARE_CLASS(TvxImageComboBoxLookupData, TvxComboBoxLookupData)
 public:
  using TvxComboBoxLookupData::TvxComboBoxLookupData;
  String GetItem(Integer AIndex) override;
  Integer GetItemCount() override;
  void TextChanged() override;
  TSize GetVisualAreaPreferredSize(Integer AMaxHeight, Integer AWidth) override;
  void Initialize(TWinControl* AVisualControlsParent) override;

 protected:
  TvxCustomEditListBox* CreateListBox(TComponent* AOwner) override { return new TvxImageComboBoxListBox(AOwner); }
};

class TvxImageComboBoxViewInfo : public TvxCustomComboBoxViewInfo {
  DECLARE_CLASS(TvxImageComboBoxViewInfo, TvxCustomComboBoxViewInfo)
 public:
  void Assign(TObject* Source) override;
  void Offset(Integer DX, Integer DY) override;
  void PaintContent(TvxCanvas* ACanvas) override;
  TRect ImageRect{};
  bool ShowDescriptions = true;
  TvxImageAlign ImageAlign = iaLeft;
  TImageIndex ImageIndex = -1;
  TCustomImageList* Images = nullptr;  // not owned
};

class TvxImageComboBoxViewData : public TvxCustomComboBoxViewData {
  DECLARE_CLASS(TvxImageComboBoxViewData, TvxCustomComboBoxViewData)
 public:
  using TvxCustomComboBoxViewData::TvxCustomComboBoxViewData;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  void EditValueToDrawValue(TvxCanvas* ACanvas, const Variant& AEditValue, TvxCustomEditViewInfo* AViewInfo) override;
  void DisplayValueToDrawValue(const Variant& ADisplayValue, TvxCustomTextEditViewInfo* AViewInfo) override;
  TSize InternalGetEditContentSize(TvxCanvas* ACanvas, const Variant& AEditValue,
                                   const TvxEditSizeProperties& AEditSizeProperties) override;
  TvxCustomImageComboBoxProperties* ImageProperties() const {
    return static_cast<TvxCustomImageComboBoxProperties*>(Properties());
  }
};

class TvxCustomImageComboBox : public TvxCustomComboBox {
  DECLARE_CLASS(TvxCustomImageComboBox, TvxCustomComboBox)
 public:
  using TvxCustomComboBox::TvxCustomComboBox;
  TvxCustomImageComboBoxProperties* Properties() const {
    return static_cast<TvxCustomImageComboBoxProperties*>(TvxCustomComboBox::Properties());
  }
  TvxCustomImageComboBoxProperties* ActiveProperties() const {
    return static_cast<TvxCustomImageComboBoxProperties*>(TvxCustomComboBox::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomImageComboBoxProperties::StaticClass(); }
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  SIZE GetPopupPreferredSize() override;

 protected:
  Variant LookupKeyToEditValue(const Variant& AKey) override;
  void ProcessKeyPress(wchar_t& Key) override;
};

class TvxImageComboBox : public TvxCustomImageComboBox {
  DECLARE_CLASS(TvxImageComboBox, TvxCustomImageComboBox)
  PUBLISHED(TvxImageComboBox)
 public:
  using TvxCustomImageComboBox::TvxCustomImageComboBox;
  TvxImageComboBoxProperties* Properties() const {
    return static_cast<TvxImageComboBoxProperties*>(TvxCustomImageComboBox::Properties());
  }
  TClass GetPropertiesClass() override { return TvxImageComboBoxProperties::StaticClass(); }
  void SetProperties(TvxImageComboBoxProperties* Value) { Properties()->Assign(Value); }
};

// Filter rows pick an image combo box's value from its fixed list.
class TvxFilterImageComboBoxHelper : public TvxFilterComboBoxHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterImageComboBoxHelper, TvxFilterComboBoxHelper)
 public:
  TClass GetFilterEditClass() const override { return TvxImageComboBox::StaticClass(); }
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
};

extern const TUnitInfo vxImageComboBoxUnit;
