#include "vxBlobEdit.h"

#include <algorithm>

#include "vdCore.h"
#include "vxClasses.h"
#include "vxEditRepositoryItems.h"
#include "vxContainerRoutines.h"
#include "vxDrawTextUtils.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxImageList.h"
#include "vxVariants.h"

namespace {
std::unique_ptr<TCustomImageList> GBlobEditGlyphs;

// The glyph bitmaps in glyph order: raw data, memo, picture, OLE; each empty, then with data.
constexpr const wchar_t* GlyphResources[] = {L"VXBMBLOB_BLOB_NULL", L"VXBMBLOB_BLOB", L"VXBMBLOB_MEMO_NULL",
                                             L"VXBMBLOB_MEMO",      L"VXBMBLOB_PICT_NULL", L"VXBMBLOB_PICT",
                                             L"VXBMBLOB_OLE_NULL",  L"VXBMBLOB_OLE"};
constexpr TColor GlyphMaskColor = TColor(0x008080);

bool HasBitmapResource(const wchar_t* AName) {
  return FindResourceW(GetModuleHandleW(nullptr), AName, MAKEINTRESOURCEW(2)) != nullptr;
}

void BuildGlyphs() {
  if (!HasBitmapResource(GlyphResources[0])) return;
  auto first = std::make_unique<TBitmap>();
  first->LoadFromResourceName(GetModuleHandleW(nullptr), GlyphResources[0]);
  auto list = std::make_unique<TCustomImageList>(first->Width(), first->Height());
  list->AddMasked(first.get(), GlyphMaskColor);
  for (size_t i = 1; i < std::size(GlyphResources); ++i) {
    if (!HasBitmapResource(GlyphResources[i])) return;  // an incomplete set is not used
    TBitmap b;
    b.LoadFromResourceName(GetModuleHandleW(nullptr), GlyphResources[i]);
    list->AddMasked(&b, GlyphMaskColor);
  }
  GBlobEditGlyphs = std::move(list);
}

// The first glyph of a resolved kind (its empty glyph); an automatic kind shows the raw
// data glyphs, so the index always names one of the eight glyphs.
Integer FirstGlyphOfKind(TvxBlobEditKind AKind) {
  switch (AKind) {
    case bekMemo: return 2;
    case bekPict: return 4;
    case bekOle: return 6;
    default: return 0;
  }
}
}  // namespace

TCustomImageList* BlobEditGlyphs() { return GBlobEditGlyphs.get(); }

// --- Properties -------------------------------------------------------------------------------------------

TvxCustomBlobEditProperties::TvxCustomBlobEditProperties(TPersistent* AOwner)
    : TvxCustomPopupEditProperties(AOwner), FPictureGraphicClass(GetDefaultGraphicClass()) {
  SetImmediatePopup(true);
  SetPopupMinWidth(160);
  SetPopupMinHeight(140);
  SetPopupWidth(250);
  SetPopupHeight(200);
  if (Buttons()->Count() > 0) Buttons()->Items(0)->SetKind(bkEllipsis);
}

void TvxCustomBlobEditProperties::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TvxCustomBlobEditProperties*>(Source);
  if (!s) {
    inherited::Assign(Source);
    return;
  }
  TUpdateScope<TvxCustomBlobEditProperties> update(this);
  inherited::Assign(Source);
  FAlwaysSaveData = s->FAlwaysSaveData;
  FApplyStyleToButtons = s->FApplyStyleToButtons;
  SetBlobEditKind(s->FBlobEditKind);
  SetBlobPaintStyle(s->FBlobPaintStyle);
  FMemoAutoReplace = s->FMemoAutoReplace;
  FMemoWantReturns = s->FMemoWantReturns;
  FMemoWantTabs = s->FMemoWantTabs;
  FMemoOEMConvert = s->FMemoOEMConvert;
  FMemoWordWrap = s->FMemoWordWrap;
  FMemoMaxLength = s->FMemoMaxLength;
  FMemoCharCase = s->FMemoCharCase;
  FMemoScrollBars = s->FMemoScrollBars;
  FPictureAutoSize = s->FPictureAutoSize;
  FPictureFilter = s->FPictureFilter;
  SetPictureGraphicClass(s->FPictureGraphicClass);
  FPictureTransparency = s->FPictureTransparency;
  FShowExPopupItems = s->FShowExPopupItems;
  FShowPicturePopup = s->FShowPicturePopup;
  OnAssignPicture = s->OnAssignPicture;
  OnGetGraphicClass = s->OnGetGraphicClass;
}

void TvxCustomBlobEditProperties::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      L"IsPictureGraphicClassNameEmpty",
      [this](TReader* Reader) {
        if (Reader->ReadBoolean()) SetPictureGraphicClass(nullptr);
      },
      [](TWriter* Writer) { Writer->WriteBoolean(true); }, PictureGraphicClassName().empty());
}

TClass TvxCustomBlobEditProperties::GetContainerClass() { return TvxBlobEdit::StaticClass(); }

TClass TvxCustomBlobEditProperties::GetPopupWindowClass() { return TvxBlobEditPopupWindow::StaticClass(); }

TvxCustomEditViewData* TvxCustomBlobEditProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* result = new TvxBlobEditViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomBlobEditProperties::CreateViewInfo() { return new TvxBlobEditViewInfo(); }

void TvxCustomBlobEditProperties::SetBlobEditKind(TvxBlobEditKind Value) {
  if (Value == FBlobEditKind) return;
  FBlobEditKind = Value;
  if (Buttons()->Count() > 0)
    Buttons()->Items(0)->SetKind(Value == bekMemo || Value == bekPict ? bkDown : bkEllipsis);
  Changed();
}

String TvxCustomBlobEditProperties::PictureGraphicClassName() const {
  return FPictureGraphicClass ? String(FPictureGraphicClass->ClassName()) : String();
}

void TvxCustomBlobEditProperties::SetPictureGraphicClassName(const String& Value) {
  if (Value.empty()) {
    SetPictureGraphicClass(nullptr);
    return;
  }
  if (TGraphicClass c = FindPictureClassByName(Value)) SetPictureGraphicClass(c);
}

void TvxCustomBlobEditProperties::ResolveBlobEditKind() {
  if (FBlobEditKind != bekAuto) return;
  IvxEditDefaultValuesProvider* provider = IDefaultValuesProvider();
  if (provider && !provider->IsDataAvailable()) return;
  TvxBlobEditKind kind = bekBlob;
  if (provider) {
    switch (provider->DefaultBlobKind()) {
      case bkGraphic: kind = bekPict; break;
      case bkMemo: kind = bekMemo; break;
      case bkOle: kind = bekOle; break;
      default: kind = bekBlob; break;
    }
  }
  // The button follows the kind, without a change notification.
  LockUpdate(true);
  TScopeExit unlock([this] { LockUpdate(false); });
  SetBlobEditKind(kind);
}

bool TvxCustomBlobEditProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  ResolveBlobEditKind();
  return FBlobPaintStyle == vxBlobEdit::bpsText && FBlobEditKind == bekMemo && VarIsStr(AEditValue1) && VarIsStr(AEditValue2) &&
         vxSameStrings(VarToStr(AEditValue1), VarToStr(AEditValue2), true);
}

String TvxCustomBlobEditProperties::GetDisplayText(const Variant& AEditValue, bool AFullText, bool) {
  if (VarIsNull(AEditValue)) return String();
  switch (FBlobEditKind) {
    case bekMemo: return GetBlobDisplayText(AEditValue, AFullText);
    case bekPict: return vxGetResString(&vxSBlobPicture);
    case bekOle: return L"OLE";
    case bekBlob: return L"BLOB";
    default: return String();
  }
}

String TvxCustomBlobEditProperties::GetBlobDisplayText(const Variant& AValue, bool AFullText) {
  if (AFullText && FBlobEditKind == bekMemo && VarIsStr(AValue)) return VarToStr(AValue);
  if (FBlobPaintStyle == vxBlobEdit::bpsDefault) {
    const bool empty = VarIsNull(AValue);
    if (FBlobEditKind == bekMemo) return vxGetResString(empty ? &vxSBlobMemoEmpty : &vxSBlobMemo);
    if (FBlobEditKind == bekPict) return vxGetResString(empty ? &vxSBlobPictureEmpty : &vxSBlobPicture);
    return String();
  }
  if (FBlobPaintStyle == vxBlobEdit::bpsText && FBlobEditKind == bekMemo && vdIsBlobVariant(AValue))
    return MemoFirstLine(vdVariantAsWideString(AValue));
  return String();
}

TvxDataEditValueSource TvxCustomBlobEditProperties::GetEditValueSource(bool) {
  ResolveBlobEditKind();
  IvxEditDefaultValuesProvider* provider = IDefaultValuesProvider();
  return FBlobEditKind == bekMemo && (!provider || !provider->IsBlob()) ? evsText : evsValue;
}

TvxEditSpecialFeatures TvxCustomBlobEditProperties::GetSpecialFeatures() {
  TvxEditSpecialFeatures r = inherited::GetSpecialFeatures();
  if (FBlobEditKind == bekPict) r.Include(esfBlobEditValue);
  return r;
}

TvxEditSupportedOperations TvxCustomBlobEditProperties::GetSupportedOperations() {
  TvxEditSupportedOperations r{esoEditing};
  if (Buttons()->Count() > 0) r.Include(esoHotTrack);
  return r;
}

TGraphicClass TvxCustomBlobEditProperties::GetGraphicClass(TObject* AItem, Integer ARecordIndex,
                                                           bool APastingFromClipboard) {
  if (FPictureGraphicClass) return FPictureGraphicClass;
  TGraphicClass r = APastingFromClipboard ? TBitmap::StaticClass() : nullptr;
  if (OnGetGraphicClass) OnGetGraphicClass(AItem, ARecordIndex, APastingFromClipboard, r);
  return r;
}

void TvxBlobEditProperties::DeclarePublished(TPublisher<TvxBlobEditProperties>& P) {
  using C = TvxBlobEditProperties;
  P.Property(L"AlwaysSaveData", &C::AlwaysSaveData, &C::SetAlwaysSaveData).Default(true);
  P.Property(L"AssignedValues", [](C* E) { return E->AssignedValues(); },
             [](C* E, TvxCustomEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"BlobEditKind", &C::BlobEditKind, &C::SetBlobEditKind).Default(bekAuto);
  P.Property(L"BlobPaintStyle", &C::BlobPaintStyle, &C::SetBlobPaintStyle).Default(vxBlobEdit::bpsIcon);
  P.Property(L"ImmediatePopup", &C::ImmediatePopup, &C::SetImmediatePopup).Default(true);
  P.Property(L"MemoAutoReplace", &C::MemoAutoReplace, &C::SetMemoAutoReplace).Default(false);
  P.Property(L"MemoCharCase", &C::MemoCharCase, &C::SetMemoCharCase).Default(ecNormal);
  P.Property(L"MemoMaxLength", &C::MemoMaxLength, &C::SetMemoMaxLength).Default(0);
  P.Property(L"MemoOEMConvert", &C::MemoOEMConvert, &C::SetMemoOEMConvert).Default(false);
  P.Property(L"MemoScrollBars", &C::MemoScrollBars, &C::SetMemoScrollBars).Default(ssNone);
  P.Property(L"MemoWantReturns", &C::MemoWantReturns, &C::SetMemoWantReturns).Default(true);
  P.Property(L"MemoWantTabs", &C::MemoWantTabs, &C::SetMemoWantTabs).Default(true);
  P.Property(L"MemoWordWrap", &C::MemoWordWrap, &C::SetMemoWordWrap).Default(true);
  P.Property(L"PictureAutoSize", &C::PictureAutoSize, &C::SetPictureAutoSize).Default(true);
  P.Property(L"PictureFilter", &C::PictureFilter, &C::SetPictureFilter)
      .Stored([](C* E) { return !E->PictureFilter().empty(); });
  P.Property(L"PictureGraphicClassName", &C::PictureGraphicClassName, &C::SetPictureGraphicClassName)
      .Stored([](C* E) { return E->IsPictureGraphicClassNameStored() && !E->PictureGraphicClassName().empty(); });
  P.Property(L"PictureTransparency", &C::PictureTransparency, &C::SetPictureTransparency).Default(gtDefault);
  P.Property(L"PopupHeight", &C::PopupHeight, &C::SetPopupHeight).Default(200);
  P.Property(L"PopupWidth", &C::PopupWidth, &C::SetPopupWidth).Default(250);
  P.Property(L"ShowExPopupItems", &C::ShowExPopupItems, &C::SetShowExPopupItems).Default(true);
  P.Property(L"ShowPicturePopup", &C::ShowPicturePopup, &C::SetShowPicturePopup).Default(true);
}

// --- View -------------------------------------------------------------------------------------------------

void TvxBlobEditViewInfo::Assign(TObject* Source) {
  TvxCustomTextEditViewInfo::Assign(Source);
  if (auto* s = dynamic_cast<TvxBlobEditViewInfo*>(Source)) {
    IconRect = s->IconRect;
    ImageIndex = s->ImageIndex;
  }
}

void TvxBlobEditViewInfo::Offset(Integer DX, Integer DY) {
  TvxCustomTextEditViewInfo::Offset(DX, DY);
  OffsetRect(&IconRect, DX, DY);
}

void TvxBlobEditViewInfo::PaintContent(TvxCanvas* ACanvas) {
  HDC dc = ACanvas->Handle();
  if (!RectVisible(dc, &Bounds)) return;
  if (ImageIndex == -1 && !Text.empty()) {
    DrawEditBackground(ACanvas);
    ACanvas->Brush()->SetStyle(bsClear);
    if (Font) ACanvas->SetFont(Font);
    ACanvas->Font()->SetColor(TextColor);
    TRect r = TextRect;
    vxTextOutFormatted(dc, Text, r, DrawTextFlags);
    ACanvas->Brush()->SetStyle(bsSolid);
  } else {
    TCustomImageList* glyphs = BlobEditGlyphs();
    if (glyphs && ImageIndex != -1) {
      {
        TSavedDC saved(dc);
        TRect clip{};
        IntersectRect(&clip, &IconRect, &ClientRect);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        if (Transparent)
          glyphs->Draw(ACanvas->Canvas(), IconRect.left, IconRect.top, ImageIndex, Enabled);
        else
          DrawImageListGlyph(ACanvas, glyphs, ImageIndex, nullptr, Enabled, BackgroundColor(), IconRect);
      }
      if (!Transparent) ExcludeClipRect(dc, IconRect.left, IconRect.top, IconRect.right, IconRect.bottom);
    }
    DrawEditBackground(ACanvas);
  }
  if (Focused && !IsInplace && !HasPopupWindow) {
    TRect r = ClientRect;
    InflateRect(&r, -1, -1);
    ACanvas->Font()->SetColor(TColor(0xFFFFFF));
    ACanvas->SetBrushColor(clBlack);
    DrawFocusRect(dc, &r);
  }
}

void TvxBlobEditViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button,
                                    TShiftState Shift, TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TvxCustomDropDownEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* vi = static_cast<TvxBlobEditViewInfo*>(AViewInfo);
  const TRect& c = vi->ClientRect;
  if (TCustomImageList* glyphs = BlobEditGlyphs()) {
    const Integer left = c.left + (c.right - c.left - glyphs->Width()) / 2;
    const Integer top = c.top + (c.bottom - c.top - glyphs->Height()) / 2;
    vi->IconRect = TRect{left, top, left + glyphs->Width(), top + glyphs->Height()};
  } else {
    vi->IconRect = TRect{};
  }
  if (Edit) EditValueToDrawValue(ACanvas, Edit->EditValue(), vi);
  vi->DrawTextFlags = GetDrawTextFlags();
}

Integer TvxBlobEditViewData::GetDrawTextFlags() {
  return !IsInplace() || PaintOptions.Contains(epoShowEndEllipsis) ? 0xA10 : 0x210;
}

void TvxBlobEditViewData::EditValueToDrawValue(TvxCanvas* ACanvas, const Variant& AEditValue,
                                               TvxCustomEditViewInfo* AViewInfo) {
  auto* vi = static_cast<TvxBlobEditViewInfo*>(AViewInfo);
  TvxCustomBlobEditProperties* p = BlobProperties();
  p->ResolveBlobEditKind();
  if (p->BlobPaintStyle() == vxBlobEdit::bpsIcon) {
    vi->Text.clear();
    vi->ImageIndex = FirstGlyphOfKind(p->BlobEditKind()) + (VariantIsNullOrEmptyString(AEditValue) ? 0 : 1);
  } else {
    TvxCustomDropDownEditViewData::EditValueToDrawValue(ACanvas, AEditValue, vi);
    vi->ImageIndex = -1;
  }
}

void TvxBlobEditViewData::InternalEditValueToDisplayText(const Variant& AEditValue, String& AText) {
  AText = BlobProperties()->GetBlobDisplayText(AEditValue, false);
}

TSize TvxBlobEditViewData::GetEditConstantPartSize(TvxCanvas* ACanvas, const TvxEditSizeProperties& AEditSizeProperties,
                                                   TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo) {
  TSize s = TvxCustomDropDownEditViewData::GetEditConstantPartSize(ACanvas, AEditSizeProperties, MinContentSize,
                                                                   AViewInfo);
  if (BlobProperties()->BlobPaintStyle() == vxBlobEdit::bpsIcon && BlobEditGlyphs()) s.cx += BlobEditGlyphs()->Width();
  return s;
}

// --- Popup ------------------------------------------------------------------------------------------------

void TvxBlobEditPopupWindow::ApplyModalResult(TModalResult AResult) {
  SetModalResult(AResult);
  if (AResult == mrNone || ModalMode() || !IsVisible()) return;
  // Without its own message loop the popup closes here, as the loop would.
  if (CloseQuery())
    CloseUpByModalResult();
  else
    SetModalResult(mrNone);
}

TModalResult PopupKeyToModalResult(Word& Key, TShiftState Shift, bool AReturnCloses, bool AAlwaysSaveData) {
  TModalResult r = mrNone;
  const bool alt = Shift.Contains(ssAlt);
  if ((Key == VK_F4 && !alt) || Key == VK_ESCAPE || ((Key == VK_UP || Key == VK_DOWN) && alt))
    r = AAlwaysSaveData && Key != VK_ESCAPE ? mrOk : mrCancel;
  else if (Key == VK_RETURN && (AReturnCloses || Shift.Contains(ssCtrl)))
    r = mrOk;
  if (r != mrNone) Key = 0;
  return r;
}

void TvxPopupMemo::KeyDown(Word& Key, TShiftState Shift) {
  TvxBlobEditPopupWindow* w = FBlobEdit ? FBlobEdit->BlobPopupWindow() : nullptr;
  if (!w) {
    inherited::KeyDown(Key, Shift);
    return;
  }
  const TModalResult r = PopupKeyToModalResult(Key, Shift, !ActiveProperties()->WantReturns(),
                                               FBlobEdit->ActiveProperties()->AlwaysSaveData());
  if (Key != 0) {
    inherited::KeyDown(Key, Shift);
    return;
  }
  // The Enter or Escape character that follows is not typed into the memo.
  if (InnerMemo() && InnerMemo()->HandleAllocated()) vxRemovePendingMessages(InnerMemo()->Handle(), WM_CHAR, WM_CHAR);
  w->ApplyModalResult(r);
}

void TvxPopupImage::KeyDown(Word& Key, TShiftState Shift) {
  TvxBlobEditPopupWindow* w = FBlobEdit ? FBlobEdit->BlobPopupWindow() : nullptr;
  const TModalResult r =
      w ? PopupKeyToModalResult(Key, Shift, true, FBlobEdit->ActiveProperties()->AlwaysSaveData()) : mrNone;
  inherited::KeyDown(Key, Shift);
  if (r != mrNone) w->ApplyModalResult(r);
}

// --- Edit -------------------------------------------------------------------------------------------------------

TvxCustomBlobEdit::~TvxCustomBlobEdit() { FreePopupControls(); }

void TvxCustomBlobEdit::Initialize() {
  inherited::Initialize();
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption});
  SetTabStop(true);
}

bool TvxCustomBlobEdit::CanDropDown() { return FStorage != nullptr && inherited::CanDropDown(); }

void TvxCustomBlobEdit::InitPopup() {
  inherited::InitPopup();
  PreparePopupControls();
}

void TvxCustomBlobEdit::StorageEditing(TObject*, bool& CanEdit) { CanEdit = CanModify(); }

void TvxCustomBlobEdit::StorageChanged() {
  if (!FOkButton) return;
  FOkButton->SetEnabled(true);
  FOkButton->SetDefault(true);
}

void TvxCustomBlobEdit::PreparePopupControls() {
  TvxCustomBlobEditProperties* p = ActiveProperties();
  TClass wanted = p->BlobEditKind() == bekMemo   ? TvxPopupMemo::StaticClass()
                  : p->BlobEditKind() == bekPict ? TvxPopupImage::StaticClass()
                                                 : nullptr;
  if (FStorage && FStorage->ClassType() != wanted) FreePopupControls();
  if (!wanted) return;
  if (!FStorage) {
    if (wanted == TvxPopupMemo::StaticClass())
      FStorage.reset(TvxContainer::Create<TvxPopupMemo>(nullptr));
    else
      FStorage.reset(TvxContainer::Create<TvxPopupImage>(nullptr));
    FStorage->OnEditing = [this](TObject* Sender, bool& CanEdit) { StorageEditing(Sender, CanEdit); };
    FStorage->Style()->SetBorderStyle(cbsNone);
    FStorage->Properties()->OnChange = [this](TObject*) { StorageChanged(); };
  }
  FStorage->Properties()->SetReadOnly(!CanModify());
  p->SetPopupControl(FStorage.get());
  p->SetPopupSysPanelStyle(true);
  FStorage->SetParent(PopupWindow());
  if (auto* memo = dynamic_cast<TvxPopupMemo*>(FStorage.get()))
    PrepareMemo(memo);
  else
    PrepareImage(static_cast<TvxPopupImage*>(FStorage.get()));
}

void TvxCustomBlobEdit::PrepareMemo(TvxPopupMemo* AMemo) {
  TvxCustomBlobEditProperties* p = ActiveProperties();
  AMemo->FBlobEdit = this;
  TvxCustomMemoProperties* mp = AMemo->Properties();
  mp->SetCharCase(p->MemoCharCase());
  mp->SetImeMode(p->ImeMode());
  mp->SetImeName(p->ImeName());
  mp->SetMaxLength(p->MemoMaxLength());
  mp->SetOEMConvert(p->MemoOEMConvert());
  mp->SetScrollBars(p->MemoScrollBars());
  mp->SetWantReturns(p->MemoWantReturns());
  mp->SetWantTabs(p->MemoWantTabs());
  mp->SetWordWrap(p->MemoWordWrap());
  p->SetPopupAutoSize(false);
  AMemo->SetEditValue(EditValue());
  AMemo->SetEditModified(false);
  AMemo->Style()->LookAndFeel()->SetMasterLookAndFeel(PopupControlsLookAndFeel());
  AMemo->Style()->SetFont(GetStateFont());
  AMemo->Style()->SetColor(ViewInfo()->BackgroundColor());
  CreatePopupButtons();
}

void TvxCustomBlobEdit::PrepareImage(TvxPopupImage* AImage) {
  TvxCustomBlobEditProperties* p = ActiveProperties();
  AImage->FBlobEdit = this;
  TvxCustomImageProperties* ip = AImage->Properties();
  ip->SetShowFocusRect(false);
  ip->SetStretch(true);
  ip->SetCustomFilter(p->PictureFilter());
  ip->SetGraphicTransparency(p->PictureTransparency());
  ip->OnClosePopup = [this](TObject*, TvxEditCloseUpReason AReason) {
    if (HasPopupWindow()) return;
    if (AReason == crEnter) SavePopupValue();
    DoClosePopup(AReason);
  };
  TvxPopupMenuItems items = ip->PopupMenuLayout()->MenuItems();
  if (!p->ShowPicturePopup()) {
    items = TvxPopupMenuItems{};
  } else if (!p->ShowExPopupItems()) {
    items.Exclude(pmiLoad);
    items.Exclude(pmiSave);
  }
  ip->PopupMenuLayout()->SetMenuItems(items);
  ip->SetGraphicClass(p->PictureGraphicClass());
  ip->OnGetGraphicClass = [this](TObject*, Integer, bool APasting, TGraphicClass& AClass) {
    AClass = GetGraphicClass(APasting);
  };
  AImage->OnGetGraphicClass = [this](TObject*, bool APasting, TGraphicClass& AClass) {
    AClass = GetGraphicClass(APasting);
  };
  // The value's own format decides the picture's class, as in the image editor.
  LoadPictureFromValue(AImage->Picture(), GetGraphicClass(false), EditValue());
  AImage->SetEditModified(false);
  AImage->Style()->LookAndFeel()->SetMasterLookAndFeel(PopupControlsLookAndFeel());
  p->SetPopupAutoSize(p->PictureAutoSize());
  CreatePopupButtons();
}

TGraphicClass TvxCustomBlobEdit::GetGraphicClass(bool APastingFromClipboard) {
  if (IsInplace())
    return ActiveProperties()->GetGraphicClass(InplaceParams.Position.Item, InplaceParams.Position.RecordIndex,
                                               APastingFromClipboard);
  TvxCustomBlobEditProperties* p = ActiveProperties();
  if (p->PictureGraphicClass()) return p->PictureGraphicClass();
  TGraphicClass r = APastingFromClipboard ? TBitmap::StaticClass() : nullptr;
  if (OnGetGraphicClass) OnGetGraphicClass(this, APastingFromClipboard, r);
  return r;
}

std::unique_ptr<TvxButton> TvxCustomBlobEdit::MakePopupButton(std::unique_ptr<TvxButton> AButton,
                                                              const String& ACaption, TModalResult AResult,
                                                              Integer AHeight) {
  if (!AButton) {
    AButton.reset(new TvxButton(nullptr));
    AButton->OnClick = [this, AResult](TObject*) {
      if (TvxBlobEditPopupWindow* w = BlobPopupWindow()) w->ApplyModalResult(AResult);
    };
  }
  AButton->SetUseSystemPaint(false);
  AButton->SetCaption(ACaption);
  AButton->LookAndFeel()->SetMasterLookAndFeel(PopupControlsLookAndFeel());
  AButton->SetHeight(AHeight);
  AButton->SetWidth(FButtonWidth);
  AButton->SetParent(PopupWindow());
  AButton->SetModalResult(AResult);
  return AButton;
}

void TvxCustomBlobEdit::CreatePopupButtons() {
  TvxCustomBlobEditProperties* p = ActiveProperties();
  TvxCustomEditPopupWindow* w = PopupWindow();
  const bool readOnly = p->ReadOnly() || !DataBinding()->IsDataAvailable();
  const String cancel = vxGetResString(readOnly ? &vxSBlobButtonClose : &vxSBlobButtonCancel);
  const String ok = vxGetResString(&vxSBlobButtonOK);
  if (p->ApplyStyleToButtons()) w->Font()->SetSize(GetStateFont()->Size());
  TCanvas* canvas = w->Canvas();
  canvas->SetFont(w->Font());
  FButtonWidth = std::max(canvas->TextWidth(cancel + L"00"), canvas->TextWidth(ok + L"00"));
  const Integer h = MulDiv(canvas->TextHeight(L"Wg"), 20, 13);
  FCancelButton = MakePopupButton(std::move(FCancelButton), cancel, mrCancel, h);
  FCancelButton->SetCancel(true);
  if (readOnly) {
    FOkButton.reset();
  } else {
    FOkButton = MakePopupButton(std::move(FOkButton), ok, mrOk, h);
    FOkButton->SetEnabled(FStorage && FStorage->EditModified());
  }
  w->SetMinSysPanelHeight(h + h / 3);
  const Integer buttons = FOkButton ? 2 : 1;
  p->SetPopupMinWidth(GetSystemMetrics(SM_CXVSCROLL) + buttons * (h / 3 + FButtonWidth) + h / 2);
}

void TvxCustomBlobEdit::SetupPopupWindow() {
  if (!FCancelButton) {
    inherited::SetupPopupWindow();
    return;
  }
  inherited::SetupPopupWindow();
  TvxCustomEditPopupWindow* w = PopupWindow();
  w->SetCloseButton(false);
  w->CalculateViewInfo();
  const Integer h = FCancelButton->Height(), W = FButtonWidth;
  const TRect grip = w->ViewInfo()->SizeGripRect;
  const TvxEditCorner corner = w->ViewInfo()->SizeGripCorner;
  Integer R;
  if (corner == ecoTopRight || corner == ecoBottomRight) {
    R = W + h / 6 + (w->Width() - grip.left);
  } else {
    R = W + 2 * (h / 6);
    if (R - W < grip.left) R = grip.left + W;
  }
  Integer top;
  TAnchors anchors;
  if (corner == ecoBottomLeft || corner == ecoBottomRight) {
    top = grip.bottom - h - (w->MinSysPanelHeight() - h) / 2 + 2;
    anchors = TAnchors{akRight, akBottom};
  } else {
    top = grip.top + (w->MinSysPanelHeight() - h) / 2 - 2;
    anchors = TAnchors{akTop, akRight};
  }
  FCancelButton->SetBounds(w->Width() - R, top, W, h);
  FCancelButton->SetAnchors(anchors);
  if (FOkButton) {
    FOkButton->SetBounds(FCancelButton->Left() - h / 3 - W, FCancelButton->Top(), W, h);
    FOkButton->SetAnchors(anchors);
  }
}

SIZE TvxCustomBlobEdit::GetPopupPreferredSize() {
  auto* image = dynamic_cast<TvxPopupImage*>(FStorage.get());
  if (image && ActiveProperties()->PictureAutoSize()) {
    TPicture* pic = image->Picture();
    return SIZE{pic->Width() + 4, pic->Height() + 4};
  }
  return inherited::GetPopupPreferredSize();
}

TWinControl* TvxCustomBlobEdit::GetPopupFocusedControl() {
  return FStorage ? FStorage.get() : inherited::GetPopupFocusedControl();
}

void TvxCustomBlobEdit::FreePopupControls() {
  if (Properties() && ActiveProperties()->PopupControl() == FStorage.get() && FStorage)
    ActiveProperties()->SetPopupControl(nullptr);
  FOkButton.reset();
  FCancelButton.reset();
  FStorage.reset();
}

void TvxCustomBlobEdit::SavePopupValue() {
  if (!FStorage || !FStorage->EditModified()) return;
  TvxCustomEditPopupWindow* w = PopupWindow();
  const TModalResult r = w ? w->ModalResult() : mrNone;
  if (!(r == mrOk || (r != mrCancel && ActiveProperties()->AlwaysSaveData()))) return;
  if (!DoEditing()) return;
  auto* image = dynamic_cast<TvxPopupImage*>(FStorage.get());
  if (auto* memo = dynamic_cast<TvxPopupMemo*>(FStorage.get())) {
    SetInternalEditValue(memo->Lines()->Text());
  } else if (image) {
    TGraphic* g = image->Picture()->Graphic();
    FGraphicClass = g && !g->Empty() ? g->ClassType() : nullptr;
    SetInternalEditValue(image->EditValue());
  }
  SetModifiedAfterEnter(true);
  if (image) {
    LockEditValueChanging(true);
    TScopeExit unlock([this] { LockEditValueChanging(false); });
    if (Properties()->OnAssignPicture) Properties()->OnAssignPicture(this, image->Picture());
    if (RepositoryItem() && ActiveProperties()->OnAssignPicture)
      ActiveProperties()->OnAssignPicture(this, image->Picture());
    TvxModifiedStateScope modified(this);
    SetEditModified(false);
    DoEditing();
  }
  if (ActiveProperties()->ImmediatePost() && CanPostEditValue() && ValidateEdit(true)) InternalPostEditValue();
}

void TvxCustomBlobEdit::DoClosePopupWindow(TObject* Sender) {
  auto lock = vxLockChangeEvents(this);
  SavePopupValue();
  inherited::DoClosePopupWindow(Sender);
  ShortRefreshContainer(false);
}

void TvxCustomBlobEdit::PropertiesChanged(TObject* Sender) {
  inherited::PropertiesChanged(Sender);
  if (!HasPopupWindow() || !FStorage) return;
  if (auto* image = dynamic_cast<TvxPopupImage*>(FStorage.get()))
    image->Properties()->SetGraphicClass(ActiveProperties()->PictureGraphicClass());
  else if (auto* memo = dynamic_cast<TvxPopupMemo*>(FStorage.get())) {
    memo->Properties()->SetImeMode(ActiveProperties()->ImeMode());
    memo->Properties()->SetImeName(ActiveProperties()->ImeName());
  }
}

void TvxBlobEdit::DeclarePublished(TPublisher<TvxBlobEdit>& P) {
  using C = TvxBlobEdit;
  P.Property(L"AutoSize", [](C* E) { return E->AutoSize(); }, [](C* E, bool V) { E->SetAutoSize(V); }).Default(true);
  P.Property(L"BeepOnEnter", &C::BeepOnEnter, &C::SetBeepOnEnter).Default(true);
  P.Property(L"Properties", &C::Properties, [](C* E, TvxBlobEditProperties* V) { E->SetProperties(V); });
  P.Property(L"Style", [](C* E) { return E->Style(); }, [](C* E, TvxContainerStyle* V) { E->SetStyle(V); });
  P.Property(L"StyleDisabled", [](C* E) { return E->StyleDisabled(); },
             [](C* E, TvxContainerStyle* V) { E->SetStyleDisabled(V); });
  P.Property(L"StyleFocused", [](C* E) { return E->StyleFocused(); },
             [](C* E, TvxContainerStyle* V) { E->SetStyleFocused(V); });
  P.Property(L"StyleHot", [](C* E) { return E->StyleHot(); }, [](C* E, TvxContainerStyle* V) { E->SetStyleHot(V); });
  P.Property(L"TabStop", [](C* E) { return E->TabStop(); }, [](C* E, bool V) { E->SetTabStop(V); }).Default(true);
}

namespace {
void InitBlobEdit() {
  BuildGlyphs();
  RegisterClass(TvxBlobEdit::StaticClass());
  RegisterClass(TvxEditRepositoryBlobItem::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxBlobEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryBlobItem));
}
void FinBlobEdit() {
  GBlobEditGlyphs.reset();
  UnRegisterClass(TvxBlobEdit::StaticClass());
  UnRegisterClass(TvxEditRepositoryBlobItem::StaticClass());
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxBlobEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxBlobEditUnit = {L"vxBlobEdit", InitBlobEdit, FinBlobEdit};
