#include "vxPC.h"

#include <algorithm>
#include <cmath>

#include "Forms.h"
#include "Streaming.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxImageList.h"
#include "vxPCConsts.h"
#include "vxPCInternal.h"

using namespace vxPCDetail;

// =======================================================================================
// Painter registry

namespace {
TvxPCPaintersFactory* GPaintersFactory = nullptr;
}

TvxPCPaintersFactory* PaintersFactory() { return GPaintersFactory; }

void RegisterPCPainter(TvxPCPainterClass AClass) {
  if (!GPaintersFactory) GPaintersFactory = new TvxPCPaintersFactory;
  GPaintersFactory->RegisterPCPainterClass(AClass);
}

void UnregisterPCPainter(TvxPCPainterClass AClass) {
  if (!GPaintersFactory) return;
  GPaintersFactory->UnregisterPCPainterClass(AClass);
  if (GPaintersFactory->PainterClassCount() == 0) FreeAndNil(GPaintersFactory);
}

void TvxPCPaintersFactory::RegisterPCPainterClass(TvxPCPainterClass AClass) {
  if (std::find(FPainterClassList.begin(), FPainterClassList.end(), AClass) == FPainterClassList.end())
    FPainterClassList.push_back(AClass);
}

void TvxPCPaintersFactory::UnregisterPCPainterClass(TvxPCPainterClass AClass) {
  auto it = std::find(FPainterClassList.begin(), FPainterClassList.end(), AClass);
  if (it != FPainterClassList.end()) FPainterClassList.erase(it);
}

TvxPCPainterClass TvxPCPaintersFactory::GetPainterClass(TvxPCStandardStyle AStandardStyle) const {
  for (TvxPCPainterClass c : FPainterClassList)
    if (c->IsStandardStyle() && c->GetStandardStyle() == AStandardStyle) return c;
  return nullptr;
}

TvxPCPainterClass TvxPCPaintersFactory::GetPainterClass(TvxPCStyleID AStyleID) const {
  for (TvxPCPainterClass c : FPainterClassList)
    if (c->GetStyleID() == AStyleID) return c;
  return nullptr;
}

TvxPCPainterClass TvxPCPaintersFactory::GetPainterClass(const String& AStyleName) const {
  const String name = AnsiUpperCase(AStyleName);
  for (TvxPCPainterClass c : FPainterClassList)
    if (AnsiUpperCase(c->GetStyleName()) == name) return c;
  return nullptr;
}

TvxPCStyleID TvxPCPaintersFactory::GetStyleID(TvxLookAndFeel* ALookAndFeel) const {
  for (auto it = FPainterClassList.rbegin(); it != FPainterClassList.rend(); ++it)
    if ((*it)->HasLookAndFeel(ALookAndFeel)) return (*it)->GetStyleID();
  return -1;
}

TvxPCStyleID TvxPCPaintersFactory::GetDefaultStyleID(TvxLookAndFeel* ALookAndFeel) const {
  if (FPainterClassList.empty())
    RaiseError(L"TvxPCPaintersFactory", L"GetDefaultStyleID", ResStr(svxPCNoRegisteredStyles));
  for (auto it = FPainterClassList.rbegin(); it != FPainterClassList.rend(); ++it)
    if ((*it)->IsDefault(ALookAndFeel)) return (*it)->GetStyleID();
  return FPainterClassList.front()->GetStyleID();
}

TvxPCCustomPainter* TvxPCPaintersFactory::GetPainterInstance(TvxPCPainterClass AClass,
                                                             TvxCustomTabControl* AParent) const {
  if (!AClass) RaiseError(L"TvxPCPaintersFactory", L"GetPainterInstance", ResStr(svxPCPainterClassError));
  return AClass->Create(AParent);
}

void TvxPCPaintersFactory::FreePainterInstance(TvxPCCustomPainter* APainter) const { delete APainter; }

// =======================================================================================
// TvxPCPainterParentInfo

TvxTabSheet* TvxPCPainterParentInfo::ActivePage() const { return FParent->GetActivePage(); }
TvxCanvas* TvxPCPainterParentInfo::Canvas() const { return FParent->Canvas(); }
TColor TvxPCPainterParentInfo::Color() const { return FParent->Color(); }
TRect TvxPCPainterParentInfo::ExtendedBottomOrRightTabsRect() const { return FParent->FExtendedBottomOrRightTabsRect; }
TRect TvxPCPainterParentInfo::ExtendedTopOrLeftTabsRect() const { return FParent->FExtendedTopOrLeftTabsRect; }
TFont* TvxPCPainterParentInfo::Font() const { return FParent->Font(); }
Integer TvxPCPainterParentInfo::Height() const { return FParent->Height(); }
bool TvxPCPainterParentInfo::HideTabs() const { return FParent->FHideTabs; }
Integer TvxPCPainterParentInfo::ImageBorder() const { return FParent->FImageBorder; }
bool TvxPCPainterParentInfo::IsTabsContainer() const { return FParent->FIsTabsContainer; }
Integer TvxPCPainterParentInfo::MainTabVisibleIndex() const { return FParent->FMainTabVisibleIndex; }
bool TvxPCPainterParentInfo::MultiLine() const { return FParent->FMultiLine; }
TvxPCNavigatorButtons TvxPCPainterParentInfo::NavigatorButtons() const { return FParent->FNavigatorButtons; }
TvxPCNavigatorPosition TvxPCPainterParentInfo::NavigatorPosition() const { return FParent->FNavigatorPosition; }
TvxPCOptions TvxPCPainterParentInfo::Options() const { return FParent->FOptions; }
bool TvxPCPainterParentInfo::RaggedRight() const { return FParent->FRaggedRight; }
bool TvxPCPainterParentInfo::Rotate() const { return FParent->FRotate; }
Integer TvxPCPainterParentInfo::RowCount() const { return FParent->FRowCount; }
bool TvxPCPainterParentInfo::ScrollOpposite() const { return FParent->FScrollOpposite; }
bool TvxPCPainterParentInfo::ShowFrame() const { return FParent->FShowFrame; }
Integer TvxPCPainterParentInfo::TabHeight() const { return FParent->FTabHeight; }
Integer TvxPCPainterParentInfo::TabWidth() const { return FParent->FTabWidth; }
TvxTabPosition TvxPCPainterParentInfo::TabPosition() const { return FParent->FTabPosition; }
TvxTabSlants* TvxPCPainterParentInfo::TabSlants() const { return FParent->FTabSlants.get(); }
Integer TvxPCPainterParentInfo::TopOrLeftPartRowCount() const { return FParent->FTopOrLeftPartRowCount; }
Integer TvxPCPainterParentInfo::Width() const { return FParent->Width(); }
bool TvxPCPainterParentInfo::TabsOnBothSides() const {
  const TvxTabPosition p = FParent->FTabPosition;
  if (p == tpTop || p == tpLeft) return FParent->FTopOrLeftPartRowCount != FParent->FRowCount;
  return FParent->FTopOrLeftPartRowCount != 0;
}
TvxPCNavigatorButtonState TvxPCPainterParentInfo::NavigatorButtonState(TvxPCNavigatorButton AButton) const {
  return FParent->FNavigatorButtonStates[AButton];
}
TvxTab* TvxPCPainterParentInfo::VisibleTab(Integer AVisibleIndex) const {
  return FParent->FVisibleTabList->GetTab(AVisibleIndex);
}
TWinControl* TvxPCPainterParentInfo::VisibleTabPage(Integer AVisibleIndex) const {
  return FParent->GetPageByIndex(VisibleTab(AVisibleIndex)->Index());
}

// =======================================================================================
// TvxPCCustomPainter

TvxPCCustomPainter::TvxPCCustomPainter(TvxCustomTabControl* AParent)
    : FParentInfo(std::make_unique<TvxPCPainterParentInfo>(AParent)), FParentControl(AParent) {}

TvxPCCustomPainter::~TvxPCCustomPainter() = default;

TRect TvxPCCustomPainter::TurnOffsets(const TRect& O, TvxTabPosition APosition) {
  switch (APosition) {
    case tpBottom: return TRect{O.right, O.bottom, O.left, O.top};
    case tpLeft: return TRect{O.top, O.right, O.bottom, O.left};
    case tpRight: return TRect{O.bottom, O.left, O.top, O.right};
    default: return O;
  }
}

TRect TvxPCCustomPainter::TurnOffsets(const TRect& AOffsets) const {
  return TurnOffsets(AOffsets, FParentControl->TabPosition());
}

void TvxPCCustomPainter::GetFrameRectOffsets(TRect& AOffsets) {
  AOffsets = TRect{};
  TvxCustomTabControl* c = FParentControl;
  if (c->HideTabs() || c->RowCount() == 0) return;
  const TRect& tl = c->ExtendedTopOrLeftTabsRect();
  const TRect& br = c->ExtendedBottomOrRightTabsRect();
  const bool both = FParentInfo->TabsOnBothSides();
  const bool noRowWidth = c->TabsPosition().NormalRowWidth < 1;
  switch (c->TabPosition()) {
    case tpTop:
      AOffsets.top = tl.bottom;
      if (both) AOffsets.bottom = c->Height() - br.top;
      break;
    case tpBottom:
      AOffsets.top = noRowWidth ? tl.top : c->Height() - br.top;
      if (c->TopOrLeftPartRowCount() > 0) AOffsets.bottom = tl.bottom;
      break;
    case tpLeft:
      AOffsets.top = tl.right;
      if (both) AOffsets.bottom = c->Width() - br.left;
      break;
    case tpRight:
      AOffsets.top = noRowWidth ? tl.left : c->Width() - br.left;
      if (c->TopOrLeftPartRowCount() > 0) AOffsets.bottom = tl.right;
      break;
  }
}

void TvxPCCustomPainter::GetClientRectOffsets(TRect& AOffsets) {
  GetFrameRectOffsets(AOffsets);
  if (IsFrameVisible()) {
    const Integer w = GetFrameWidth();
    AOffsets.left += w;
    AOffsets.top += w;
    AOffsets.right += w;
    AOffsets.bottom += w;
  }
}

namespace {
TRect ShrinkByOffsets(Integer W, Integer H, const TRect& O) {
  TRect r{O.left, O.top, W - O.right, H - O.bottom};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}
}  // namespace

TRect TvxPCCustomPainter::GetFrameRect() {
  TRect o;
  GetFrameRectOffsets(o);
  return ShrinkByOffsets(FParentControl->Width(), FParentControl->Height(), TurnOffsets(o));
}

TRect TvxPCCustomPainter::GetClientRect() {
  TRect o;
  GetClientRectOffsets(o);
  return ShrinkByOffsets(FParentControl->Width(), FParentControl->Height(), TurnOffsets(o));
}

TColor TvxPCCustomPainter::GetDefaultClientColor() { return FParentControl->Color(); }

TColor TvxPCCustomPainter::GetClientColor() {
  TvxTabSheet* page = FParentInfo->ActivePage();
  if (!page || page->ParentColor()) return GetDefaultClientColor();
  return page->Color();
}

void TvxPCCustomPainter::PaintClientArea() {
  FParentInfo->Canvas()->FillRect(GetClientRect(), GetClientColor());
}

bool TvxPCCustomPainter::IsFrameVisible() { return FParentControl->ShowFrame(); }

void TvxPCCustomPainter::PaintFrameAndClientArea() {
  if (IsFrameVisible()) PaintFrame();
  PaintClientArea();
  FParentInfo->Canvas()->ExcludeClipRect(GetFrameRect());
}

void TvxPCCustomPainter::AfterPaintTab(Integer AVisibleIndex) {
  FParentControl->DoAfterPaintTab(FParentInfo->Canvas(), FParentInfo->VisibleTab(AVisibleIndex),
                                  FOutTabImageAndTextData);
}

void TvxPCCustomPainter::GetNativeContentMargins(TRect& AMargins) {
  AMargins = TRect{};
  HTHEME theme = vdOpenThemeByType(totTab);
  if (!theme) return;
  const RECT bounds{0, 0, 100, 100};
  RECT content{};
  HDC dc = FParentInfo->Canvas()->Handle();
  if (FAILED(GetThemeBackgroundContentRect(theme, dc, 9 /* TABP_PANE */, 0, &bounds, &content))) return;
  const Integer v = FParentControl->IsTabsContainer() ? 3 : std::max<Integer>(content.left, content.top);
  AMargins = TRect{v, v, 2 * v, 2 * v};
}

TColor TvxPCCustomPainter::GetTabColor(Integer AVisibleIndex) {
  TvxTab* tab = FParentInfo->VisibleTab(AVisibleIndex);
  if (tab->Color() != clDefault) return tab->Color();
  TWinControl* page = FParentControl->GetPageByIndex(tab->Index());
  if (page && (FParentControl->Options().Contains(pcoUsePageColorForTab) || IsTabColoredByPage()) &&
      !page->ParentColor())
    return page->Color();
  return clDefault;
}

TvxRegion* TvxPCCustomPainter::GetTabClipRegion(Integer AVisibleIndex) {
  return new TvxRegion(FParentInfo->VisibleTab(AVisibleIndex)->VisibleRect());
}

TColor TvxPCCustomPainter::GetTabTextColor(Integer AVisibleIndex) {
  TvxTab* tab = FParentInfo->VisibleTab(AVisibleIndex);
  if (tab->Highlighted()) {
    if (IsNativePainting()) {
      if (HTHEME theme = vdOpenThemeByType(totTab)) {
        const Integer state = tab->IsMainTab() ? 3 : tab->HotTrack() ? 2 : 1;
        COLORREF c;
        if (SUCCEEDED(GetThemeColor(theme, 1 /* TABP_TABITEM */, state, 3803 /* TMT_TEXTCOLOR */, &c)))
          return static_cast<TColor>(c);
      }
      return FParentControl->Font()->Color();
    }
    return clHighlightText;
  }
  if (tab->HotTrack()) return static_cast<TColor>(GetSysColor(COLOR_HOTLIGHT));
  return clBtnText;
}

void TvxPCCustomPainter::DrawTabText(TvxCanvas* ACanvas, const String& AText, Integer AVisibleIndex, TRect R) {
  HDC dc = ACanvas->Handle();
  TvxTab* tab = FParentInfo->VisibleTab(AVisibleIndex);
  HTHEME theme = IsNativePainting() ? vdOpenThemeByType(totTab) : nullptr;
  if (theme && tab->RealEnabled()) {
    Integer part, state;
    GetNativeTabPartAndState(AVisibleIndex, part, state);
    DrawThemeText(theme, dc, part, state, AText.c_str(), static_cast<int>(AText.size()),
                  DT_SINGLELINE | DT_END_ELLIPSIS, 0, &R);
    return;
  }
  ::DrawTextW(dc, AText.c_str(), static_cast<int>(AText.size()), &R, DT_SINGLELINE | DT_END_ELLIPSIS);
}

void TvxPCCustomPainter::PaintContent() {
  if (!FParentControl->HideTabs()) {
    PaintNavigatorButtons();
    const TRect f = GetFrameRect();
    const Integer W = FParentControl->Width(), H = FParentControl->Height();
    TvxCanvas* canvas = FParentInfo->Canvas();
    const TRect bands[4] = {{0, 0, f.left, H}, {0, 0, W, f.top}, {f.right, 0, W, H}, {0, f.bottom, W, H}};
    bool visible = false;
    for (const TRect& b : bands)
      if (!IsRectEmptyEx(b) && canvas->RectVisible(b)) visible = true;
    if (visible) PaintTabs();
  }
  PaintFrameAndClientArea();
}

void TvxPCCustomPainter::DrawTabCaptionBitmap(TvxTab* ATab, Integer AVisibleIndex) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TRect& tr = FOutTabImageAndTextData.TabTextRect;
  const TColor body = GetTabBodyColor(AVisibleIndex);
  const bool vertical = FParentControl->IsVerticalText();
  const Integer w = vertical ? RectHeight(tr) : RectWidth(tr);
  const Integer h = vertical ? RectWidth(tr) : RectHeight(tr);
  if (w <= 0 || h <= 0) return;
  // The caption is drawn unrotated into a bitmap on the tab's body colour, turned for
  // vertical captions, and copied to its place.
  std::unique_ptr<TBitmap> own;
  TBitmap* bmp;
  if (vertical) {
    ATab->FVerticalTextBitmap = std::make_unique<TBitmap>();
    bmp = ATab->FVerticalTextBitmap.get();
  } else {
    own = std::make_unique<TBitmap>();
    bmp = own.get();
  }
  bmp->SetPixelFormat(pf32bit);
  bmp->SetSize(w, h);
  TCanvas* bc = bmp->Canvas();
  HDC dc = bc->Handle();
  const RECT whole{0, 0, w, h};
  HBRUSH brush = CreateSolidBrush(ColorToRGB(body));
  ::FillRect(dc, &whole, brush);
  DeleteObject(brush);
  PrepareTabTextBitmapBackground(bmp, FOutTabImageAndTextData, AVisibleIndex);
  bc->SetFont(canvas->Font());
  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  TvxCanvas vc(bc);
  if (ATab->RealEnabled()) {
    ::SetTextColor(dc, ColorToRGB(canvas->Font()->Color()));
    DrawTabText(&vc, ATab->Caption(), AVisibleIndex, whole);
  } else {
    ::SetTextColor(dc, ColorToRGB(clBtnHighlight));
    if (NeedsDisabledTextShadow()) {
      DrawTabText(&vc, ATab->Caption(), AVisibleIndex, TRect{1, 1, w + 1, h + 1});
      ::SetTextColor(dc, ColorToRGB(clGrayText));
    }
    DrawTabText(&vc, ATab->Caption(), AVisibleIndex, whole);
  }
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  if (vertical) vc.RotateBitmap(bmp, FParentControl->CaptionRotation());
  ::BitBlt(canvas->Handle(), tr.left, tr.top, bmp->Width(), bmp->Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TvxPCCustomPainter::PaintTabContent(TvxTab* ATab, Integer AVisibleIndex) {
  FOutTabImageAndTextData.TabVisibleIndex = AVisibleIndex;
  TvxCanvas* canvas = FParentInfo->Canvas();
  FParentControl->PrepareTabFont(ATab, canvas);
  TRect imageRect{}, textRect{};
  FParentControl->CalculateTabContentRects(ATab, imageRect, textRect);
  SetTabImageAndTextRects(AVisibleIndex, imageRect, textRect);
  if (!ATab->Caption().empty() && !IsRectEmptyEx(FOutTabImageAndTextData.TabTextRect)) {
    if (IsNativePainting()) {
      TBitmap* bmp = ATab->PaintBitmap();
      if (bmp && bmp->Width() > 0) {
        TvxCanvas vc(bmp->Canvas());
        HDC dc = bmp->Canvas()->Handle();
        HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ColorToRGB(ATab->RealEnabled() ? canvas->Font()->Color() : clGrayText));
        DrawTabText(&vc, ATab->Caption(), AVisibleIndex, FOutTabImageAndTextData.TabTextRect);
        SetBkMode(dc, oldMode);
        SelectObject(dc, oldFont);
      }
    } else {
      DrawTabCaptionBitmap(ATab, AVisibleIndex);
    }
  }
  const TRect& imageRect2 = FOutTabImageAndTextData.TabImageRect;
  const Integer imageIndex = FParentControl->GetTabImageIndex(ATab->Index());
  if (imageIndex != -1 && !IsRectEmptyEx(imageRect2)) {
    TCanvas* target = canvas->Canvas();
    if (IsNativePainting() && ATab->PaintBitmap() && ATab->PaintBitmap()->Width() > 0)
      target = ATab->PaintBitmap()->Canvas();
    FParentControl->ImageList()->Draw(target, imageRect2.left, imageRect2.top, imageIndex, ATab->RealEnabled(),
                                      GetTabBodyColor(AVisibleIndex));
  }
  if (!IsNativePainting()) {
    // Only the two drawn rectangles are taken out of the clip: the gap between image and
    // caption has no content of its own and still gets the tab's body.
    const TRect& tr = FOutTabImageAndTextData.TabTextRect;
    const TRect& ir = FOutTabImageAndTextData.TabImageRect;
    if (!IsRectEmptyEx(tr) || !IsRectEmptyEx(ir)) {
      auto* region = new TvxRegion(IsRectEmptyEx(tr) ? ir : tr);
      if (!IsRectEmptyEx(tr) && !IsRectEmptyEx(ir)) region->Combine(new TvxRegion(ir), roAdd);
      region->Combine(GetTabClipRegion(AVisibleIndex), roIntersect);
      canvas->SetClipRegion(region, roSubtract);
    }
  }
}

void TvxPCCustomPainter::InvalidateTab(Integer AVisibleIndex) {
  InvalidateRect(FParentInfo->VisibleTab(AVisibleIndex)->VisibleRect());
}

void TvxPCCustomPainter::SaveClipRegion() { FParentInfo->Canvas()->SaveClipRegion(); }
void TvxPCCustomPainter::RestoreClipRegion() { FParentInfo->Canvas()->RestoreClipRegion(); }
void TvxPCCustomPainter::InvalidateRect(const TRect& R) { FParentControl->InvalidateRect(R, false); }

void TvxPCCustomPainter::DrawPolyline(std::vector<TPoint> Points, TColor AColor) {
  if (Points.empty()) return;
  TvxCanvas* canvas = FParentInfo->Canvas();
  canvas->Pen()->SetColor(AColor);
  const TPoint last = Points.back();
  Points.push_back(TPoint{last.x + 1, last.y + 1});
  if (Points.size() == 2) {
    canvas->SetPixel(last.x, last.y, AColor);
    return;
  }
  Points.pop_back();
  canvas->Polyline(Points);
  canvas->SetPixel(last.x, last.y, AColor);
}

TPoint TvxPCCustomPainter::MirrorPoint(const TPoint& P, const TRect& R, TvxTabPosition APosition) {
  switch (APosition) {
    case tpBottom: return TPoint{P.x, R.bottom + R.top - P.y - 1};
    case tpLeft: return TPoint{P.y + R.right - R.bottom, R.bottom + R.left - P.x - 1};
    case tpRight: return TPoint{R.bottom + R.left - P.y - 1, R.bottom + R.left - P.x - 1};
    default: return P;
  }
}

// =======================================================================================
// TvxPCImageList

TvxPCImageList::TvxPCImageList(TvxCustomTabControl* AParent) : FParent(AParent) {
  FBaseImageChangeLink = std::make_unique<TChangeLink>();
  FBaseImageChangeLink->OnChange = [this](TObject*) { BaseImagesChanged(); };
  FFreeNotificator = std::make_unique<TvxFreeNotificator>(nullptr);
  FFreeNotificator->OnFreeNotification = [this](TComponent*) { SetBaseImages(nullptr); };
}

TvxPCImageList::~TvxPCImageList() {
  FFreeNotificator.reset();
  if (FBaseImages) FBaseImages->UnRegisterChanges(FBaseImageChangeLink.get());
}

void TvxPCImageList::SetBaseImages(TCustomImageList* Value) {
  if (FBaseImages == Value) return;
  if (FBaseImages) FFreeNotificator->RemoveSender(FBaseImages);
  vxSetImageListRef(Value, FBaseImages, FBaseImageChangeLink.get(), nullptr);
  if (FBaseImages) FFreeNotificator->AddSender(FBaseImages);
}

void TvxPCImageList::BaseImagesChanged() {
  Rebuild();
  if (OnChange) OnChange(this);
}

void TvxPCImageList::SetImageRotationAngle(TvxRotationAngle Value) {
  if (FImageRotationAngle == Value) return;
  FImageRotationAngle = Value;
  BaseImagesChanged();
}

void TvxPCImageList::Rebuild() {
  if (FImageRotationAngle == ra0 || !FBaseImages || FBaseImages->Count() == 0) return;
  FRotatedImages.clear();
  FRotatedImages.resize(static_cast<size_t>(FBaseImages->Count()));
  for (TRotatedImage& e : FRotatedImages) {
    e.Bitmap = std::make_unique<TBitmap>();
    e.Bitmap->SetPixelFormat(pf32bit);
  }
}

SIZE TvxPCImageList::BaseImageSize() const {
  if (FBaseImages && FBaseImages->Width() > 0 && FBaseImages->Height() > 0)
    return SIZE{FBaseImages->Width(), FBaseImages->Height()};
  return SIZE{0, 0};
}

SIZE TvxPCImageList::RotatedImageSize() const {
  const SIZE s = BaseImageSize();
  return FImageRotationAngle == ra0 ? s : SIZE{s.cy, s.cx};
}

void TvxPCImageList::PrepareBitmap(TBitmap* ABitmap, Integer AIndex, bool AEnabled, TColor ABackgroundColor) {
  const SIZE s = BaseImageSize();
  ABitmap->SetSize(s.cx, s.cy);
  const RECT r{0, 0, s.cx, s.cy};
  HBRUSH brush = CreateSolidBrush(ColorToRGB(ABackgroundColor));
  ::FillRect(ABitmap->Canvas()->Handle(), &r, brush);
  DeleteObject(brush);
  if (OnPrepareBitmapBackground) OnPrepareBitmapBackground(ABitmap);
  FBaseImages->Draw(ABitmap->Canvas(), 0, 0, AIndex, AEnabled);
}

void TvxPCImageList::Draw(TCanvas* ACanvas, Integer X, Integer Y, Integer AIndex, bool AEnabled,
                          TColor ABackgroundColor) {
  if (!FBaseImages || FBaseImages->Count() == 0)
    RaiseError(L"TvxPCImageList", L"Draw", ResStr(svxPCNoBaseImages));
  const Integer count = FBaseImages->Count();
  if (AIndex < 0 || AIndex >= count)
    RaiseError(L"TvxPCImageList", L"Draw", Format(ResStr(svxPCImageListIndexError), {AIndex, count - 1}));
  const bool native = FParent->Painter() && FParent->Painter()->IsNativePainting();
  if (FImageRotationAngle != ra0 && static_cast<size_t>(AIndex) < FRotatedImages.size()) {
    TRotatedImage& e = FRotatedImages[static_cast<size_t>(AIndex)];
    if (!e.IsBackgroundColorSpecified || e.BackgroundColor != ABackgroundColor) {
      PrepareBitmap(e.Bitmap.get(), AIndex, AEnabled, ABackgroundColor);
      TvxCanvas vc(e.Bitmap->Canvas());
      vc.RotateBitmap(e.Bitmap.get(), FImageRotationAngle);
      e.BackgroundColor = ABackgroundColor;
      e.IsBackgroundColorSpecified = true;
    }
    ::BitBlt(ACanvas->Handle(), X, Y, e.Bitmap->Width(), e.Bitmap->Height(), e.Bitmap->Canvas()->Handle(), 0, 0,
             SRCCOPY);
    return;
  }
  if (native) {
    FBaseImages->Draw(ACanvas, X, Y, AIndex, AEnabled);
    return;
  }
  TBitmap bmp;
  bmp.SetPixelFormat(pf32bit);
  PrepareBitmap(&bmp, AIndex, AEnabled, ABackgroundColor);
  ::BitBlt(ACanvas->Handle(), X, Y, bmp.Width(), bmp.Height(), bmp.Canvas()->Handle(), 0, 0, SRCCOPY);
}

namespace {
void InitPC() {
  RegisterClass(TvxPageControl::StaticClass());
  RegisterClass(TvxTabSheet::StaticClass());
}

// The registry goes with its unit, even when a painter class was left registered.
void FinPC() {
  UnRegisterClass(TvxTabSheet::StaticClass());
  UnRegisterClass(TvxPageControl::StaticClass());
  FreeAndNil(GPaintersFactory);
}
}  // namespace

const TUnitInfo vxPCUnit = {L"vxPC", InitPC, FinPC};
