#include "vxImageComboBox.h"

#include <algorithm>

#include "vxClasses.h"
#include "vxEditRepositoryItems.h"
#include "vxContainerRoutines.h"
#include "vxControls.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxImageList.h"
#include "vxVariants.h"

namespace {
// Same variant type and an equal value; two Nulls are the same.
bool SameTypedValue(const Variant& A, const Variant& B) {
  if (VarType(A) != VarType(B)) return false;
  if (VarIsNull(A) || VarIsEmpty(A)) return true;
  return VarEqualsComparable(A, B);
}

// Windows Vista (NT 6.0) or later: themed editors draw images straight from the list there.
bool IsWinVistaOrLater() { return LOBYTE(LOWORD(GetVersion())) >= 6; }

TvxCustomImageComboBoxProperties* OwnerProperties(TCollection* ACollection) {
  auto* items = dynamic_cast<TvxImageComboBoxItems*>(ACollection);
  return items ? items->Properties() : nullptr;
}
}  // namespace

// --- Items ------------------------------------------------------------------------------------------------

TvxImageComboBoxItem::TvxImageComboBoxItem(TCollection* Collection) : TCollectionItem(Collection) {
  TvxCustomImageComboBoxProperties* p = OwnerProperties(Collection);
  if (p && p->Images() && p->Images()->Count() >= Collection->Count()) FImageIndex = Collection->Count() - 1;
}

void TvxImageComboBoxItem::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TvxImageComboBoxItem*>(Source);
  if (!s) {
    inherited::Assign(Source);
    return;
  }
  FDescription = s->FDescription;
  FImageIndex = s->FImageIndex;
  FTag = s->FTag;
  FValue = s->FValue;
  Changed(false);
}

void TvxImageComboBoxItem::SetDescription(const String& Value) {
  if (FDescription == Value) return;
  FDescription = Value;
  Changed(false);
}

void TvxImageComboBoxItem::SetImageIndex(TImageIndex Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Changed(false);
}

void TvxImageComboBoxItem::SetValue(const Variant& Value) {
  if (SameTypedValue(FValue, Value)) return;
  FValue = Value;
  Changed(false);
}

void TvxImageComboBoxItem::DeclarePublished(TPublisher<TvxImageComboBoxItem>& P) {
  using C = TvxImageComboBoxItem;
  P.Property(L"Description", &C::Description, &C::SetDescription);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex);
  P.Property(L"Tag", &C::Tag, &C::SetTag).Default(0);
  P.Property(L"Value", [](C* I) { return I->Value(); }, [](C* I, const Variant& V) { I->SetValue(V); })
      .Stored([](C* I) { return !VarIsNull(I->Value()); });
}

TvxImageComboBoxItems::TvxImageComboBoxItems(TvxCustomImageComboBoxProperties* AOwner)
    : TOwnedCollection(AOwner, TvxImageComboBoxItem::StaticClass()), FProperties(AOwner) {}

void TvxImageComboBoxItems::Update(TCollectionItem*) { FProperties->Changed(); }

// --- Properties -------------------------------------------------------------------------------------------

TvxCustomImageComboBoxProperties::TvxCustomImageComboBoxProperties(TPersistent* AOwner)
    : TvxCustomComboBoxProperties(AOwner),
      FImagesChangeLink(std::make_unique<TChangeLink>()),
      FLargeImagesChangeLink(std::make_unique<TChangeLink>()),
      FItems(std::make_unique<TvxImageComboBoxItems>(this)) {
  FImagesChangeLink->OnChange = [this](TObject*) { Changed(); };
  FLargeImagesChangeLink->OnChange = [this](TObject*) { Changed(); };
  SetDropDownListStyle(lsFixedList);
}

TvxCustomImageComboBoxProperties::~TvxCustomImageComboBoxProperties() {
  // Unlinks from the lists (and their free notifications) before the links go.
  LockUpdate(true);
  SetImages(nullptr);
  SetLargeImages(nullptr);
}

void TvxCustomImageComboBoxProperties::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TvxCustomImageComboBoxProperties*>(Source);
  if (!s) {
    inherited::Assign(Source);
    return;
  }
  TUpdateScope<TvxCustomImageComboBoxProperties> update(this);
  inherited::Assign(Source);
  SetDefaultDescription(s->DefaultDescription());
  SetDefaultImageIndex(s->DefaultImageIndex());
  SetImageAlign(s->ImageAlign());
  SetImages(s->Images());
  FItems->Assign(s->Items());
  SetLargeImages(s->LargeImages());
  SetMultiLineText(s->MultiLineText());
  SetShowDescriptions(s->ShowDescriptions());
}

TClass TvxCustomImageComboBoxProperties::GetContainerClass() { return TvxImageComboBox::StaticClass(); }

TvxCustomEditViewData* TvxCustomImageComboBoxProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                        bool APreviewMode) {
  auto* result = new TvxImageComboBoxViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomImageComboBoxProperties::CreateViewInfo() { return new TvxImageComboBoxViewInfo(); }

std::unique_ptr<TvxCustomTextEditLookupData> TvxCustomImageComboBoxProperties::CreateLookupData(
    TvxCustomTextEdit* AEdit) {
  return std::make_unique<TvxImageComboBoxLookupData>(AEdit);
}

TvxEditSupportedOperations TvxCustomImageComboBoxProperties::GetSupportedOperations() {
  TvxEditSupportedOperations r{esoEditing, esoFiltering, esoHorzAlignment, esoSorting, esoSortingByDisplayText};
  if (Buttons()->Count() > 0) r.Include(esoHotTrack);
  if (FShowDescriptions) r.Include(esoIncSearch);
  return r;
}

void TvxCustomImageComboBoxProperties::SetImages(TCustomImageList* Value) {
  vxSetImageListRef(Value, FImages, FImagesChangeLink.get(), FreeNotificator());
}

void TvxCustomImageComboBoxProperties::SetLargeImages(TCustomImageList* Value) {
  vxSetImageListRef(Value, FLargeImages, FLargeImagesChangeLink.get(), FreeNotificator());
}

void TvxCustomImageComboBoxProperties::DoFreeNotification(TComponent* AComponent) {
  inherited::DoFreeNotification(AComponent);
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FLargeImages) SetLargeImages(nullptr);
}

TvxImageComboBoxItem* TvxCustomImageComboBoxProperties::FindItemByValue(const Variant& AValue) const {
  for (Integer i = 0; i < FItems->Count(); ++i)
    if (VariantsEqual(FItems->Items(i)->Value(), AValue)) return FItems->Items(i);
  return nullptr;
}

TvxImageComboBoxItem* TvxCustomImageComboBoxProperties::FindItemByDescription(const String& AText) const {
  for (Integer i = 0; i < FItems->Count(); ++i)
    if (AnsiSameText(FItems->Items(i)->Description(), AText)) return FItems->Items(i);
  return nullptr;
}

void TvxCustomImageComboBoxProperties::GetDescriptionAndImage(TvxImageComboBoxItem* AItem, bool AForceDescription,
                                                              String& AText, TImageIndex& AImageIndex) {
  if (AForceDescription || FShowDescriptions)
    AText = AItem ? AItem->Description() : FDefaultDescription;
  else
    AText.clear();
  AImageIndex = AItem ? AItem->ImageIndex() : FDefaultImageIndex;
}

void TvxCustomImageComboBoxProperties::GetImageComboBoxDisplayValue(const Variant& AEditValue, String& AText,
                                                                    TImageIndex& AImageIndex) {
  GetDescriptionAndImage(FindItemByValue(AEditValue), false, AText, AImageIndex);
}

void TvxCustomImageComboBoxProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool) {
  String text;
  TImageIndex image = -1;
  GetDescriptionAndImage(FindItemByValue(AEditValue), true, text, image);
  DisplayValue = text;
}

String TvxCustomImageComboBoxProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  Variant v;
  PrepareDisplayValue(AEditValue, v, false);
  return VarToStr(v);
}

bool TvxCustomImageComboBoxProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  String t1, t2;
  TImageIndex i1 = -1, i2 = -1;
  GetImageComboBoxDisplayValue(AEditValue1, t1, i1);
  GetImageComboBoxDisplayValue(AEditValue2, t2, i2);
  return vxSameStrings(t1, t2, true) && (!FImages || i1 == i2);
}

bool TvxCustomImageComboBoxProperties::IsLookupItem(const String& AText) {
  return FShowDescriptions && FindItemByDescription(AText) != nullptr;
}

void TvxImageComboBoxProperties::DeclarePublished(TPublisher<TvxImageComboBoxProperties>& P) {
  using C = TvxImageComboBoxProperties;
  vxDeclareComboBoxPropertiesPublished<C, false>(P);
  P.Property(L"DefaultDescription", &C::DefaultDescription, &C::SetDefaultDescription)
      .Stored([](C* E) { return !E->DefaultDescription().empty(); });
  P.Property(L"DefaultImageIndex", &C::DefaultImageIndex, &C::SetDefaultImageIndex).Default(-1);
  P.Property(L"ImageAlign", &C::ImageAlign, &C::SetImageAlign).Default(iaLeft);
  P.Property(L"Images", &C::Images, &C::SetImages);
  P.Property(L"Items", [](C* E) { return static_cast<TCollection*>(E->Items()); },
             [](C* E, TCollection* V) { E->Items()->Assign(V); });
  P.Property(L"LargeImages", &C::LargeImages, &C::SetLargeImages);
  P.Property(L"MultiLineText", &C::MultiLineText, &C::SetMultiLineText).Default(false);
  P.Property(L"ShowDescriptions", &C::ShowDescriptions, &C::SetShowDescriptions).Default(true);
}

// --- List box ---------------------------------------------------------------------------------------------

TvxImageComboBoxListBox::TvxImageComboBoxListBox(TComponent* AOwner) : TvxComboBoxListBox(AOwner) {
  SetBorderStyle(bsNone);
}

TvxCustomImageComboBoxProperties* TvxImageComboBoxListBox::ImageProperties() const {
  return FEdit ? dynamic_cast<TvxCustomImageComboBoxProperties*>(FEdit->ActiveProperties()) : nullptr;
}

TCustomImageList* TvxImageComboBoxListBox::ListImages() const {
  TvxCustomImageComboBoxProperties* p = ImageProperties();
  if (!p) return nullptr;
  return p->LargeImages() ? p->LargeImages() : p->Images();
}

Integer TvxImageComboBoxListBox::GetItemHeight(Integer AIndex) {
  TvxCustomImageComboBoxProperties* p = ImageProperties();
  if (!p) return TvxComboBoxListBox::GetItemHeight(AIndex);
  TCustomImageList* images = ListImages();
  Integer textWidth = FClientWidth - 2;
  if (images) textWidth -= images->Width() + 4;
  const Integer imageHeight = images ? images->Height() + 2 : 0;
  Integer h;
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  if (p->MultiLineText() && textWidth > 0 && AIndex >= 0 && AIndex < p->Items()->Count()) {
    const String text = p->Items()->Items(AIndex)->Description();
    RECT r{0, 0, textWidth, 0};
    DrawTextW(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    h = std::max<Integer>(r.bottom - r.top + 2, imageHeight);
  } else {
    h = std::max<Integer>(canvas->TextHeight(L"Wg") + 2, imageHeight);
  }
  if (AIndex >= 0 && FEdit && FEdit->IsOnMeasureItemAssigned()) {
    TvxCanvas vxCanvas(canvas);
    FEdit->DoMeasureItem(AIndex, &vxCanvas, h);
  }
  return h;
}

Integer TvxImageComboBoxListBox::GetHeight(Integer ARowCount, Integer AMaxHeight) {
  TvxCustomImageComboBoxProperties* p = ImageProperties();
  if (!p) return TvxComboBoxListBox::GetHeight(ARowCount, AMaxHeight);
  FHasScrollbar = false;
  FClientWidth = 0;
  if (p->MultiLineText() && FEdit && FEdit->PopupWindow()) {
    TRect border{};
    FEdit->PopupWindow()->ViewInfo()->GetClientExtent(border);
    FClientWidth = FEdit->Width() - border.left - border.right;
  }
  auto sum = [&] {
    Integer h = 0;
    for (Integer i = 0; i < ARowCount; ++i) h += GetItemHeight(i);
    return h;
  };
  Integer h = sum();
  if (p->MultiLineText() && ((AMaxHeight > 0 && h > AMaxHeight) || p->Items()->Count() > ARowCount)) {
    FHasScrollbar = true;
    FClientWidth -= GetSystemMetrics(SM_CXVSCROLL);
    h = sum();
  }
  return h;
}

Integer TvxImageComboBoxListBox::GetItemWidth(Integer AIndex) {
  TvxCustomImageComboBoxProperties* p = ImageProperties();
  if (p && p->MultiLineText()) return 0;
  return TvxComboBoxListBox::GetItemWidth(AIndex);
}

Integer TvxImageComboBoxListBox::GetListWidth() {
  TvxCustomImageComboBoxProperties* p = ImageProperties();
  if (!p) return 0;
  Integer widest = 0;
  for (Integer i = 0; i < p->Items()->Count(); ++i) widest = std::max(widest, GetItemWidth(i));
  TCustomImageList* images = ListImages();
  Integer w = widest + (images ? images->Width() + 8 : 4);
  if (p->DropDownRows() < p->Items()->Count()) w += GetSystemMetrics(SM_CXVSCROLL);
  return w;
}

void TvxImageComboBoxListBox::DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) {
  TvxCustomImageComboBoxProperties* p = ImageProperties();
  if (!p || (FEdit && FEdit->IsOnDrawItemAssigned())) {
    TvxComboBoxListBox::DrawItem(Index, Rect, State);
    return;
  }
  TCanvas* canvas = Canvas();
  canvas->FillRect(Rect);
  if (Index < 0 || Index >= p->Items()->Count()) return;
  TvxImageComboBoxItem* item = p->Items()->Items(Index);
  RECT text = Rect;
  const bool rtl = IsRightToLeft();
  if (rtl)
    text.right -= 2;
  else
    text.left += 2;
  if (TCustomImageList* images = ListImages()) {
    const Integer column = images->Width() + 4;
    RECT image = Rect;
    if (p->ImageAlign() == iaLeft) {
      image.right = image.left + column;
      text.left = image.right;
    } else {
      image.left = image.right - column;
      text.right = image.left;
    }
    if (vxIsImageIndexValid(images, item->ImageIndex()))
      images->Draw(canvas, image.left + 1, image.top + (image.bottom - image.top - images->Height()) / 2,
                   item->ImageIndex(), Enabled());
  }
  UINT flags = p->MultiLineText() ? DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX : DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  if (rtl) flags |= DT_RIGHT | DT_RTLREADING;
  const String s = item->Description();
  const int mode = SetBkMode(canvas->Handle(), TRANSPARENT);
  DrawTextW(canvas->Handle(), s.c_str(), static_cast<int>(s.size()), &text, flags);
  SetBkMode(canvas->Handle(), mode);
}

// --- Lookup data ------------------------------------------------------------------------------------------

String TvxImageComboBoxLookupData::GetItem(Integer AIndex) {
  auto* p = static_cast<TvxCustomImageComboBoxProperties*>(FEdit->ActiveProperties());
  return AIndex >= 0 && AIndex < p->Items()->Count() ? p->Items()->Items(AIndex)->Description() : String();
}

Integer TvxImageComboBoxLookupData::GetItemCount() {
  return static_cast<TvxCustomImageComboBoxProperties*>(FEdit->ActiveProperties())->Items()->Count();
}

void TvxImageComboBoxLookupData::TextChanged() {
  if (FEdit->IsEditValueSetting()) return;
  auto* p = static_cast<TvxCustomImageComboBoxProperties*>(FEdit->ActiveProperties());
  TvxImageComboBoxItem* item = p->FindItemByValue(FEdit->EditValue());
  InternalSetCurrentKey(item ? item->Index() : -1);
}

void TvxImageComboBoxLookupData::Initialize(TWinControl* AVisualControlsParent) {
  TvxComboBoxLookupData::Initialize(AVisualControlsParent);
  auto* p = static_cast<TvxCustomImageComboBoxProperties*>(FEdit->ActiveProperties());
  // Multi-line rows each take their own height.
  if (FList && p->MultiLineText()) FList->SetStyle(lbOwnerDrawVariable);
}

TSize TvxImageComboBoxLookupData::GetVisualAreaPreferredSize(Integer AMaxHeight, Integer AWidth) {
  TSize s = TvxComboBoxLookupData::GetVisualAreaPreferredSize(AMaxHeight, AWidth);
  if (auto* list = dynamic_cast<TvxImageComboBoxListBox*>(FList)) s.cx = std::max<Integer>(s.cx, list->GetListWidth());
  return s;
}

// --- View -------------------------------------------------------------------------------------------------

void TvxImageComboBoxViewInfo::Assign(TObject* Source) {
  TvxCustomComboBoxViewInfo::Assign(Source);
  if (auto* s = dynamic_cast<TvxImageComboBoxViewInfo*>(Source)) {
    ImageRect = s->ImageRect;
    ShowDescriptions = s->ShowDescriptions;
    ImageAlign = s->ImageAlign;
    ImageIndex = s->ImageIndex;
    Images = s->Images;
  }
}

void TvxImageComboBoxViewInfo::Offset(Integer DX, Integer DY) {
  TvxCustomComboBoxViewInfo::Offset(DX, DY);
  OffsetRect(&ImageRect, DX, DY);
}

void TvxImageComboBoxViewInfo::PaintContent(TvxCanvas* ACanvas) {
  TvxCustomComboBoxViewInfo::PaintContent(ACanvas);
  if (!Images || !vxIsImageIndexValid(Images, ImageIndex)) return;
  TRect clip{};
  if (!IntersectRect(&clip, &ImageRect, &BorderRect)) return;
  TSavedDC saved(ACanvas->Handle());
  IntersectClipRect(ACanvas->Handle(), clip.left, clip.top, clip.right, clip.bottom);
  if (Transparent || (IsWinVistaOrLater() && NativeStyle))
    Images->Draw(ACanvas->Canvas(), ImageRect.left, ImageRect.top, ImageIndex, Enabled);
  else
    DrawImageListGlyph(ACanvas, Images, ImageIndex, nullptr, Enabled, BackgroundColor(),
                       TRect{ImageRect.left, ImageRect.top, ImageRect.left + Images->Width(),
                             ImageRect.top + Images->Height()});
}

void TvxImageComboBoxViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                         TvxMouseButton Button, TShiftState Shift, TvxCustomEditViewInfo* AViewInfo,
                                         bool AIsMouseEvent) {
  TvxCustomComboBoxViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* vi = static_cast<TvxImageComboBoxViewInfo*>(AViewInfo);
  TvxCustomImageComboBoxProperties* p = ImageProperties();
  vi->ImageAlign = p->ImageAlign();
  vi->Images = p->Images();
  vi->ShowDescriptions = p->ShowDescriptions();
  TRect text = IsInplace() ? vi->TextRect : vi->ClientRect;
  if (TCustomImageList* images = p->Images()) {
    const Integer gap = IsInplace() ? 4 : 2;
    TRect& r = vi->ImageRect;
    r = vi->ClientRect;
    r.left += 2;
    r.right -= 2;
    const Integer w = images->Width(), h = images->Height();
    if (w >= r.right - r.left) {
      text.left = text.right;
    } else if (!p->ShowDescriptions()) {
      r.left += (r.right - r.left - w) / 2;
      r.right = r.left + w;
    } else if (p->ImageAlign() == iaRight) {
      r.left = r.right - w;
      text.right = r.left - gap;
    } else {
      r.right = r.left + w;
      text.left = r.right + gap;
    }
    if (h < r.bottom - r.top) {
      r.top += (r.bottom - r.top - h) / 2;
      r.bottom = r.top + h;
    }
  } else {
    vi->ImageRect = TRect{};
  }
  if (!IsInplace()) {
    vi->ClientRect = text;
    InflateRect(&text, -2, -1);
    if (text.left > text.right) text.left = text.right;
  }
  vi->TextRect = text;
  if (Edit) EditValueToDrawValue(ACanvas, Edit->EditValue(), vi);
  if (!p->ShowDescriptions()) vi->Text.clear();
}

void TvxImageComboBoxViewData::EditValueToDrawValue(TvxCanvas*, const Variant& AEditValue,
                                                    TvxCustomEditViewInfo* AViewInfo) {
  auto* vi = static_cast<TvxImageComboBoxViewInfo*>(AViewInfo);
  String text;
  TImageIndex image = -1;
  auto* combo = dynamic_cast<TvxCustomImageComboBox*>(Edit);
  if (combo && combo->Focused() && combo->ILookupData()) {
    // While editing the list's current row is what the editor shows.
    const Integer key = combo->ILookupData()->CurrentKey();
    TvxCustomImageComboBoxProperties* p = ImageProperties();
    TvxImageComboBoxItem* item = key >= 0 && key < p->Items()->Count() ? p->Items()->Items(key)
                                                                      : p->FindItemByValue(AEditValue);
    p->GetDescriptionAndImage(item, false, text, image);
  } else {
    ImageProperties()->GetImageComboBoxDisplayValue(AEditValue, text, image);
  }
  if (OnGetDisplayText) OnGetDisplayText(this, text);
  vi->Text = text;
  vi->ImageIndex = image;
}

void TvxImageComboBoxViewData::DisplayValueToDrawValue(const Variant&, TvxCustomTextEditViewInfo* AViewInfo) {
  if (Edit) EditValueToDrawValue(nullptr, Edit->EditValue(), AViewInfo);
}

TSize TvxImageComboBoxViewData::InternalGetEditContentSize(TvxCanvas* ACanvas, const Variant& AEditValue,
                                                           const TvxEditSizeProperties& AEditSizeProperties) {
  TSize s = TvxCustomComboBoxViewData::InternalGetEditContentSize(ACanvas, AEditValue, AEditSizeProperties);
  if (TCustomImageList* images = ImageProperties()->Images()) {
    s.cx += images->Width() + 5;
    s.cy = std::max<Integer>(s.cy, images->Height());
  } else {
    s.cx += 1;
  }
  return s;
}

// --- Edit -------------------------------------------------------------------------------------------------------

void TvxCustomImageComboBox::PrepareEditValue(const Variant&, Variant& AEditValue, bool) {
  AEditValue = LookupKeyToEditValue(ILookupData() ? ILookupData()->CurrentKey() : -1);
}

Variant TvxCustomImageComboBox::LookupKeyToEditValue(const Variant& AKey) {
  const Integer key = VarIsNull(AKey) ? -1 : AKey.AsInteger();
  TvxImageComboBoxItems* items = ActiveProperties()->Items();
  return key >= 0 && key < items->Count() ? items->Items(key)->Value() : Null();
}

void TvxCustomImageComboBox::ProcessKeyPress(wchar_t& Key) {
  // Only printable characters search the descriptions.
  if (!vxIsNonControlChar(Key) && Key != VK_BACK) {
    TvxCustomDropDownEdit::ProcessKeyPress(Key);
    return;
  }
  inherited::ProcessKeyPress(Key);
}

SIZE TvxCustomImageComboBox::GetPopupPreferredSize() {
  SIZE s = inherited::GetPopupPreferredSize();
  if (ActiveProperties()->MultiLineText()) {
    s.cx = 0;
  } else if (auto* list = dynamic_cast<TvxImageComboBoxListBox*>(GetLookupData() ? GetLookupData()->List() : nullptr)) {
    s.cx = std::max<LONG>(s.cx, list->GetListWidth());
  }
  return s;
}

void TvxImageComboBox::DeclarePublished(TPublisher<TvxImageComboBox>& P) {
  vxDeclareTextEditPublished<TvxImageComboBox, TvxImageComboBoxProperties>(P);
}

// --- Filter rows ----------------------------------------------------------------------------------------------

TvxFilterControlOperators TvxFilterImageComboBoxHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                                    TvxValueTypeClass,
                                                                                    bool AExtendedSet) const {
  return vxFixedListFilterOperators(AExtendedSet);
}

void TvxFilterImageComboBoxHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                        TvxCustomEditProperties* AEditProperties,
                                                        bool AHasButtons) const {
  TvxFilterComboBoxHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* p = dynamic_cast<TvxCustomImageComboBoxProperties*>(AProperties);
  if (!p) return;
  p->SetDropDownListStyle(lsFixedList);
  p->SetImmediateDropDown(true);
  p->SetShowDescriptions(true);
}

namespace {
void InitImageComboBox() {
  RegisterClass(TvxImageComboBox::StaticClass());
  RegisterClass(TvxEditRepositoryImageComboBoxItem::StaticClass());
  RegisterClass(TvxImageComboBoxItem::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxImageComboBoxProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryImageComboBoxItem));
  GetFilterEditsController()->Register(TvxImageComboBoxProperties::StaticClass(),
                                       TvxFilterImageComboBoxHelper::Class());
}
void FinImageComboBox() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxImageComboBoxProperties::StaticClass(),
                                           TvxFilterImageComboBoxHelper::Class());
  UnRegisterClass(TvxImageComboBox::StaticClass());
  UnRegisterClass(TvxEditRepositoryImageComboBoxItem::StaticClass());
  UnRegisterClass(TvxImageComboBoxItem::StaticClass());
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxImageComboBoxProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxImageComboBoxUnit = {L"vxImageComboBox", InitImageComboBox, FinImageComboBox};
