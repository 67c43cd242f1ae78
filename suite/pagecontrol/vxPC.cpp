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

namespace {

String ResStr(const TResStringRec& ARec) { return vxGetResString(&ARec); }

[[noreturn]] void RaiseError(const String& AClassName, const String& AMethod, const String& AMessage) {
  throw EvdException(AClassName + L"." + AMethod + L": " + AMessage);
}

// Whether ACharCode is the accelerator of ACaption: the character after a single "&".
bool IsAccel(Word ACharCode, const String& ACaption) {
  for (size_t i = 0; i + 1 < ACaption.size(); ++i) {
    if (ACaption[i] != L'&') continue;
    if (ACaption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ACaption[i + 1]))) ==
           CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ACharCode)));
  }
  return false;
}

bool IsHorizontal(TvxTabPosition P) { return P == tpTop || P == tpBottom; }

Integer RectWidth(const TRect& R) { return R.right - R.left; }
Integer RectHeight(const TRect& R) { return R.bottom - R.top; }
bool IsRectEmptyEx(const TRect& R) { return R.right <= R.left || R.bottom <= R.top; }

TRect IntersectRects(const TRect& A, const TRect& B) {
  TRect r{std::max(A.left, B.left), std::max(A.top, B.top), std::min(A.right, B.right), std::min(A.bottom, B.bottom)};
  if (IsRectEmptyEx(r)) return TRect{};
  return r;
}

}  // namespace

// =======================================================================================
// TvxTab

TvxTab::TvxTab(TvxTabs* ATabs, Integer AIndex) : FImageIndex(AIndex), FIndex(AIndex), FTabs(ATabs) {}

TvxTab::~TvxTab() {
  TvxCustomTabControl* control = FTabs->Parent();
  const bool wasTracking = Tracking();
  FTabs->NotifyTabDestroying(FIndex, false);
  FPaintBitmap.reset();
  FVerticalTextBitmap.reset();
  if (wasTracking) control->FTracking = -1;
}

TvxCustomTabControl* TvxTab::Control() const { return FTabs->Parent(); }

void TvxTab::AssignTo(TPersistent* Dest) {
  if (auto* tab = dynamic_cast<TvxTab*>(Dest)) {
    tab->FCaption = FCaption;
    tab->FEnabled = FEnabled;
    tab->FHighlighted = FHighlighted;
    tab->SetImageIndex(FImageIndex);
    tab->SetObject(FObject);
    tab->SetVisible(FVisible);
    tab->SetSelected(FSelected);
    return;
  }
  inherited::AssignTo(Dest);
}

void TvxTab::Changed(Integer AKind) { FTabs->Changed(VisibleIndex(), AKind); }

void TvxTab::SetCaption(const String& Value) {
  if (Value == FCaption) return;
  if (!FVisible) {
    FCaption = Value;
    return;
  }
  TvxCustomTabControl* control = Control();
  const bool wasVisible = RealVisible();
  const Integer oldWidth = FTabPosition.TabNormalWidth;
  const Integer oldRowHeight = control->FRowHeight;
  FCaption = Value;
  bool differs;
  if (control->IsLoading() || !control->FPainter) {
    differs = true;
  } else {
    FTabPosition.TabNormalWidth = control->FPainter->CalculateTabNormalWidth(this);
    if (control->FRotate) {
      control->CalculateRowHeight();
      differs = control->FRowHeight != oldRowHeight;
    } else {
      differs = FTabPosition.TabNormalWidth != oldWidth;
    }
  }
  if (differs)
    Changed(tckLayout);
  else if (wasVisible)
    Changed(tckContent);
}

void TvxTab::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  if (RealVisible()) Changed(tckColor);
}

void TvxTab::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  const bool before = RealVisible();
  FEnabled = Value;
  if (before || RealVisible()) Changed(tckEnabled);
}

void TvxTab::SetHighlighted(bool Value) {
  if (Value == FHighlighted) return;
  const bool before = RealVisible();
  FHighlighted = Value;
  if (before || RealVisible()) Changed(tckHighlighted);
}

Integer TvxTab::ImageIndex() const { return Control()->GetTabImageIndex(FIndex); }

void TvxTab::SetImageIndex(Integer Value) {
  if (Value < 0) Value = -1;
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  if (!Control()->IsLoading() && RealVisible()) Changed(tckLayout);
}

void TvxTab::SetSelected(bool Value) {
  if (Value == FSelected) return;
  TvxCustomTabControl* control = Control();
  if (control->IsLoading()) {
    FSelected = Value;
    return;
  }
  if (control->FPainter && control->FPainter->Class()->IsMultiSelectionAccepted()) {
    if (Value)
      for (TvxTab* t : FTabs->FTabsItemA)
        if (t != this && t->FSelected) control->FMultiSelect = true;
  } else if (Value && control->FTabIndex != FIndex) {
    return;  // without multi-selection only the selected tab carries the mark
  }
  const bool before = RealVisible();
  FSelected = Value;
  if (before || RealVisible()) Changed(tckSelected);
}

void TvxTab::SetVisible(bool Value) {
  if (Value == FVisible) return;
  TvxCustomTabControl* control = Control();
  if (Value) {
    control->FVisibleTabList->ShowTab(FIndex);
    FVisible = true;
    FTabs->Changed(-1, tckLayout);
    return;
  }
  const bool reselect = control->SelectsVisibleTabsOnly() && control->FTabIndex == FIndex;
  const bool wasVisible = RealVisible();
  control->FVisibleTabList->HideTab(FIndex);
  FVisible = false;
  if (wasVisible || control->FMultiLine)
    FTabs->Changed(-1, tckLayout);
  else if (!control->IsLoading() && !control->IsDestroying() && FTabs->FUpdateCount == 0)
    control->CalculateTabPositions();
  if (reselect) {
    Integer v = control->FMainTabVisibleIndex;
    const Integer count = control->FVisibleTabList->Count();
    if (v >= count) v = count - 1;
    control->SelectTabByIndex(v >= 0 ? control->FVisibleTabList->TabIndexA[v] : -1);
  }
}

Integer TvxTab::VisibleIndex() const { return Control()->FVisibleTabList->TabVisibleIndexOf(FIndex); }

bool TvxTab::IsMainTab() const {
  TvxCustomTabControl* c = Control();
  const Integer m = c->FMainTabVisibleIndex;
  return m >= 0 && m < c->FVisibleTabList->Count() && c->FVisibleTabList->TabIndexA[m] == FIndex;
}

bool TvxTab::HotTrack() const {
  const Integer v = Control()->FHotTrackTabVisibleIndex;
  return v != -1 && v == VisibleIndex();
}
bool TvxTab::Pressed() const {
  const Integer v = Control()->FPressedTabVisibleIndex;
  return v != -1 && v == VisibleIndex();
}
bool TvxTab::Tracking() const {
  const Integer v = Control()->FTracking;
  return v != -1 && v == VisibleIndex();
}
bool TvxTab::RealEnabled() const { return Control()->Enabled() && FEnabled; }
bool TvxTab::RealVisible() const { return !IsRectEmptyEx(const_cast<TvxTab*>(this)->VisibleRect()); }

TRect TvxTab::NormalRect() const {
  TvxCustomTabControl* c = Control();
  const TPoint p = FTabPosition.TabNormalPosition;
  const Integer along = c->FRotate ? c->FRowHeight : FTabPosition.TabNormalWidth;
  if (c->IsVerticalText()) return TRect{p.x, p.y, p.x + FTabs->FTabNormalHeight, p.y + along};
  return TRect{p.x, p.y, p.x + along, p.y + FTabs->FTabNormalHeight};
}

TRect TvxTab::FullRect() {
  TvxCustomTabControl* c = Control();
  if (c->FPainter) c->FPainter->GetTabRectCorrection(VisibleIndex(), FTabPosition.TabRectCorrection);
  const TvxPCRectCorrection& d = FTabPosition.TabRectCorrection;
  TRect r = NormalRect();
  return TRect{r.left + d.dLeft, r.top + d.dTop, r.right + d.dRight, r.bottom + d.dBottom};
}

TRect TvxTab::VisibleRect() {
  TvxCustomTabControl* c = Control();
  const Integer v = VisibleIndex();
  if (v < 0 || !c->IsDisplayedTab(v)) return TRect{};
  const TRect& ext = FVisibleRow < c->FTopOrLeftPartRowCount ? c->FExtendedTopOrLeftTabsRect
                                                              : c->FExtendedBottomOrRightTabsRect;
  return IntersectRects(FullRect(), ext);
}

TvxTabPosition TvxTab::PaintingPosition() const {
  TvxCustomTabControl* c = Control();
  const bool before = FVisibleRow < c->FTopOrLeftPartRowCount;
  if (IsHorizontal(c->FTabPosition)) return before ? tpTop : tpBottom;
  return before ? tpLeft : tpRight;
}

Integer TvxTab::PaintingPositionIndex() const {
  static const Integer Table[4][3] = {{1, 2, 3}, {10, 11, 12}, {6, 4, 5}, {9, 7, 8}};
  const TvxRotationAngle a = Control()->CaptionRotation();
  const Integer dir = a == raPlus90 ? 1 : a == raMinus90 ? 2 : 0;
  return Table[PaintingPosition()][dir];
}

void TvxTab::InitializePaintBitmap() {
  if (!FPaintBitmap) {
    FPaintBitmap = std::make_unique<TBitmap>();
    FPaintBitmap->SetPixelFormat(pf32bit);
  }
}

// =======================================================================================
// TvxTabs

TvxTabs::TvxTabs(TvxCustomTabControl* AParent) : FParent(AParent) {}

TvxTabs::~TvxTabs() {
  ++FUpdateCount;  // the control is going; nothing to relayout
  Clear();
}

void TvxTabs::RaiseIndexError(const String& AMethodName, Integer AIndex) const {
  RaiseError(L"TvxTabs", AMethodName, Format(ResStr(svxPCTabIndexError), {AIndex}));
}

void TvxTabs::Insert(Integer Index, const String& S) {
  if (Index < 0 || Index > Count()) RaiseIndexError(L"Insert", Index);
  auto* tab = new TvxTab(this, Index);
  FTabsItemA.insert(FTabsItemA.begin() + Index, tab);
  for (Integer i = Index + 1; i < Count(); ++i) FTabsItemA[i]->FIndex = i;
  tab->FCaption = S;
  if (!FParent->IsLoading() && FParent->FTabIndex == -1 && Count() == 1) FParent->FTabIndex = 0;
  Changed(-1, tckLayout);
}

void TvxTabs::Delete(Integer Index) {
  if (FUpdating) return;
  {
    TValueScope<bool> updating(FUpdating, true);
    if (!FNotification) {
      if (Index < 0 || Index >= Count()) RaiseIndexError(L"Delete", Index);
      delete FTabsItemA[Index];  // its destruction notification comes back here and is ignored
    }
    FTabsItemA.erase(FTabsItemA.begin() + Index);
    for (Integer i = Index; i < Count(); ++i) FTabsItemA[i]->FIndex = i;
  }
  Changed(-1, tckLayout);
}

void TvxTabs::Clear() {
  {
    TValueScope<bool> updating(FUpdating, true);  // each tab's removal is done here, not by Delete
    for (Integer i = Count() - 1; i >= 0; --i) delete FTabsItemA[i];
    FTabsItemA.clear();
  }
  Changed(-1, tckLayout);
}

void TvxTabs::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  // Range-checked like inserting and deleting: a bad index would read outside the list.
  if (CurIndex < 0 || CurIndex >= Count()) RaiseIndexError(L"Move", CurIndex);
  if (NewIndex < 0 || NewIndex >= Count()) RaiseIndexError(L"Move", NewIndex);
  TvxTab* tab = FTabsItemA[CurIndex];
  FTabsItemA.erase(FTabsItemA.begin() + CurIndex);
  FTabsItemA.insert(FTabsItemA.begin() + NewIndex, tab);
  for (Integer i = std::min(CurIndex, NewIndex); i <= std::max(CurIndex, NewIndex); ++i) FTabsItemA[i]->FIndex = i;
  Changed(-1, tckLayout);
}

String TvxTabs::Get(Integer Index) const {
  if (Index < 0 || Index >= Count()) RaiseIndexError(L"Get", Index);
  return FTabsItemA[Index]->FCaption;
}

void TvxTabs::Put(Integer Index, const String& S) { Tab(Index)->SetCaption(S); }
TObject* TvxTabs::GetObject(Integer Index) const { return Tab(Index)->FObject; }
void TvxTabs::PutObject(Integer Index, TObject* AObject) { Tab(Index)->FObject = AObject; }

void TvxTabs::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed(-1, tckLayout);
}

void TvxTabs::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTabs*>(Source)) {
    struct TUpdate {
      TvxTabs* Tabs;
      ~TUpdate() { Tabs->EndUpdate(); }
    } update{this};
    BeginUpdate();
    Clear();
    for (Integer i = 0; i < src->Count(); ++i) {
      Add(src->Get(i));
      PutObject(i, src->GetObject(i));
    }
    return;
  }
  inherited::Assign(Source);
}

TvxTab* TvxTabs::Tab(Integer Index) const {
  if (Index < 0 || Index >= Count()) RaiseIndexError(L"GetTab", Index);
  return FTabsItemA[Index];
}

TvxTab* TvxTabs::VisibleTab(Integer AVisibleIndex) const {
  const Integer n = VisibleTabsCount();
  if (AVisibleIndex < 0 || AVisibleIndex >= n)
    RaiseError(L"TvxTabs", L"GetVisibleTab", Format(ResStr(svxPCTabVisibleIndexOutsOfBounds), {AVisibleIndex, n - 1}));
  return FTabsItemA[FParent->FVisibleTabList->TabIndexA[AVisibleIndex]];
}

Integer TvxTabs::VisibleTabsCount() const { return FParent->FVisibleTabList->Count(); }

void TvxTabs::ResetTabVerticalTextBitmaps() {
  for (TvxTab* t : FTabsItemA) t->ResetVerticalTextBitmap();
}

void TvxTabs::NotifyTabDestroying(Integer AIndex, bool AFlag) {
  TValueScope<bool> notification(FNotification, true);
  if (!AFlag) Delete(AIndex);
}

void TvxTabs::Changed(Integer AVisibleIndex, Integer AKind) {
  if (FUpdateCount > 0 || FParent->IsLoading() || FParent->IsDestroying()) return;
  if (AVisibleIndex == -1 && AKind == tckLayout) FParent->FVisibleTabList->Update();
  if (AVisibleIndex >= 0 && AVisibleIndex < VisibleTabsCount() && AKind != tckLayout) {
    if (FParent->FPainter) FParent->FPainter->TabStateChanged(AVisibleIndex, AKind);
  } else {
    FParent->Relayout();
  }
}

void TvxTabs::SetHotTrackTab(Integer AVisibleIndex) {
  const Integer old = FParent->FHotTrackTabVisibleIndex;
  if (old == AVisibleIndex) return;
  FParent->FHotTrackTabVisibleIndex = AVisibleIndex;
  if (old != -1) Changed(old, tckHotTrack);
  if (AVisibleIndex != -1) Changed(AVisibleIndex, tckHotTrack);
}

void TvxTabs::UpdateMainTab() {
  Integer v = -1;
  const Integer sel = FParent->FTabIndex;
  if (sel >= 0 && sel < Count()) {
    auto& list = *FParent->FVisibleTabList;
    if (!list.FindVisibleTab(sel, v) && v >= list.Count()) v = list.Count() - 1;
  }
  const Integer old = FParent->FMainTabVisibleIndex;
  if (v == old) return;
  FParent->FMainTabVisibleIndex = v;
  if (old != -1) Changed(old, tckMainTab);
  if (v != -1) Changed(v, tckMainTab);
  FParent->UpdateNavigatorButtonStates();
}

void TvxTabs::SetTrackingTab(Integer AVisibleIndex) {
  const Integer n = VisibleTabsCount();
  if (AVisibleIndex < 0 || AVisibleIndex >= n) AVisibleIndex = -1;
  Integer old = FParent->FTracking;
  if (old < 0 || old >= n) old = -1;
  if (old == AVisibleIndex) return;
  FParent->FTracking = AVisibleIndex;
  if (old != -1) Changed(old, tckTracking);
  if (AVisibleIndex != -1) {
    Changed(AVisibleIndex, tckTracking);
    if (!FParent->FMultiLine) {
      FParent->MakeTabVisible(AVisibleIndex);
      FParent->Relayout();
      FParent->UpdateHotTrackState(KeyboardStateToShiftState());
    }
  }
}

void TvxTabs::RefreshTabImages() {
  for (TvxTab* t : FTabsItemA)
    if (t->ImageIndex() != -1 && t->RealVisible()) Changed(t->VisibleIndex(), tckContent);
}

// =======================================================================================
// TvxVisibleTabList

TvxTab* TvxVisibleTabList::GetTab(Integer AVisibleIndex) const {
  if (Count() == 0) RaiseError(L"TvxVisibleTabList", L"GetTab", ResStr(svxPCVisibleTabListEmpty));
  if (AVisibleIndex < 0 || AVisibleIndex >= Count())
    RaiseError(L"TvxVisibleTabList", L"GetTab",
               Format(ResStr(svxPCTabVisibleIndexOutsOfBounds), {AVisibleIndex, Count() - 1}));
  return FParent->Tabs()->FTabsItemA[TabIndexA[AVisibleIndex]];
}

bool TvxVisibleTabList::FindVisibleTab(Integer ATabIndex, Integer& AVisibleIndex) const {
  const Integer n = Count();
  if (n == 0) { AVisibleIndex = 0; return false; }
  if (ATabIndex == TabIndexA[0]) { AVisibleIndex = 0; return true; }
  if (ATabIndex < TabIndexA[0]) { AVisibleIndex = 0; return false; }
  if (ATabIndex == TabIndexA[n - 1]) { AVisibleIndex = n - 1; return true; }
  if (ATabIndex > TabIndexA[n - 1]) { AVisibleIndex = n; return false; }
  Integer low = 0, high = n - 1;
  while (high - low > 1) {
    const Integer middle = (low + high) / 2;
    if (TabIndexA[middle] == ATabIndex) { AVisibleIndex = middle; return true; }
    if (ATabIndex < TabIndexA[middle]) high = middle; else low = middle;
  }
  AVisibleIndex = high;
  return false;
}

void TvxVisibleTabList::HideTab(Integer ATabIndex) {
  Integer v;
  if (FindVisibleTab(ATabIndex, v)) TabIndexA.erase(TabIndexA.begin() + v);
}

void TvxVisibleTabList::ShowTab(Integer ATabIndex) {
  Integer v;
  if (!FindVisibleTab(ATabIndex, v)) TabIndexA.insert(TabIndexA.begin() + v, ATabIndex);
}

void TvxVisibleTabList::Update() {
  TabIndexA.clear();
  const TvxTabs* tabs = FParent->Tabs();
  for (Integer i = 0; i < tabs->Count(); ++i)
    if (tabs->FTabsItemA[i]->Visible()) TabIndexA.push_back(i);
}

Integer TvxVisibleTabList::TabVisibleIndexOf(Integer ATabIndex) const {
  Integer v;
  return FindVisibleTab(ATabIndex, v) ? v : -1;
}

// =======================================================================================
// TvxTabSlants

void TvxTabSlants::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxTabSlants*>(Source)) {
    SetKind(s->FKind);
    SetPositions(s->FPositions);
    return;
  }
  inherited::Assign(Source);
}

void TvxTabSlants::SetKind(TvxTabSlantKind Value) {
  if (Value == FKind) return;
  FKind = Value;
  if (OnChange) OnChange(this);
}

void TvxTabSlants::SetPositions(TvxTabSlantPositions Value) {
  if (Value == FPositions) return;
  FPositions = Value;
  if (OnChange) OnChange(this);
}

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
    throw EvdException(L"TvxPCImageList.Draw: BaseImages is not assigned");
  const Integer count = FBaseImages->Count();
  if (AIndex < 0 || AIndex >= count)
    throw EvdException(L"TvxPCImageList.Draw: Index (" + IntToStr(AIndex) + L") must be between 0 and " +
                       IntToStr(count - 1));
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

// =======================================================================================
// TvxCustomTabControl

TvxCustomTabControl::TvxCustomTabControl(TComponent* AOwner) : TvxControl(AOwner) {
  ControlStyle() = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csOpaque, csDoubleClicks,
                                 csParentBackground};
  FTabSlants = std::make_unique<TvxTabSlants>(this);
  FTabSlants->OnChange = [this](TObject*) { Relayout(); };
  FImageList = std::make_unique<TvxPCImageList>(this);
  FImageList->OnChange = [this](TObject*) { ImagesChanged(); };
  FImageList->OnPrepareBitmapBackground = [this](TBitmap* ABitmap) {
    if (FPainter)
      FPainter->PrepareTabTextBitmapBackground(ABitmap, FPainter->OutTabImageAndTextData(),
                                               FPainter->OutTabImageAndTextData().TabVisibleIndex);
  };
  FVisibleTabList = std::make_unique<TvxVisibleTabList>(this);
  FTabs = std::make_unique<TvxTabs>(this);
  SetBounds(Left(), Top(), 289, 193);
  SetTabStop(true);
  SetStyle(0);
  if (!IsDesigning()) {
    FGoDialog = new TvxPCGoDialog(this);
    FGoDialog->OnClick = [this](Integer AIndex) { DoGoDialogClick(AIndex); };
  }
}

TvxCustomTabControl::~TvxCustomTabControl() {
  FTabSlants.reset();
  delete FTimer;
  FTimer = nullptr;
  delete FGoDialog;
  FGoDialog = nullptr;
  FImageList.reset();
  FTabs.reset();
  if (FPainter) {
    if (TvxPCPaintersFactory* f = PaintersFactory())
      f->FreePainterInstance(FPainter);
    else
      delete FPainter;
    FPainter = nullptr;
  }
  FVisibleTabList.reset();
}

bool TvxCustomTabControl::CanFocus() { return TvxControl::CanFocus() && FFocusable; }

bool TvxCustomTabControl::IsVerticalText() const {
  return IsHorizontal(FTabPosition) ? FRotate : !FRotate;
}

TvxRotationAngle TvxCustomTabControl::CaptionRotation() const {
  if (!IsVerticalText()) return ra0;
  return FOptions.Contains(pcoTopToBottomText) ? raMinus90 : raPlus90;
}

bool TvxCustomTabControl::IsRowDirectionReversed() const {
  const bool ttb = FOptions.Contains(pcoTopToBottomText);
  if (IsHorizontal(FTabPosition)) return FRotate && ttb;
  return !FRotate && !ttb;
}

bool TvxCustomTabControl::IsDisplayedTab(Integer AVisibleIndex) const {
  if (AVisibleIndex < 0 || AVisibleIndex >= FVisibleTabList->Count()) return false;
  if (FMultiLine) return true;
  return AVisibleIndex >= FFirstVisibleTab && AVisibleIndex <= FLastVisibleTab;
}

Integer TvxCustomTabControl::TabLength(TvxTab* ATab) const {
  return FRotate ? FTabs->FTabNormalHeight : ATab->FTabPosition.TabNormalWidth;
}

// --- Painter choice -------------------------------------------------------------------

void TvxCustomTabControl::SetStyle(TvxPCStyleID Value) {
  if (Value == 0) {
    FStyle = 0;
    UpdatePainterFromLookAndFeel();
    return;
  }
  ApplyStyle(Value);
}

void TvxCustomTabControl::UpdatePainterFromLookAndFeel() {
  if (FStyle != 0) return;
  TvxPCPaintersFactory* f = PaintersFactory();
  if (!f) RaiseError(L"TvxPCPaintersFactory", L"GetDefaultStyleID", ResStr(svxPCNoRegisteredStyles));
  TvxPCStyleID id = f->GetStyleID(LookAndFeel());
  if (id == -1) id = f->GetDefaultStyleID(LookAndFeel());
  ApplyStyle(id);
  FStyle = 0;
}

void TvxCustomTabControl::ApplyStyle(TvxPCStyleID Value) {
  if (Value == FStyle && FPainter) return;
  TvxPCPaintersFactory* f = PaintersFactory();
  TvxPCPainterClass cls = f ? f->GetPainterClass(Value) : nullptr;
  if (!cls) return;
  FStyle = Value;
  if (FPainter && FPainter->Class() == cls) return;
  if (FPainter) {
    f->FreePainterInstance(FPainter);
    FPainter = nullptr;
  }
  FPainter = f->GetPainterInstance(cls, this);
  if (!FPainter->SupportsTabRotation()) FRotate = false;
  SetDoubleBuffered(FPainter->IsDoubleBuffered());
  FTabs->ResetTabVerticalTextBitmaps();
  Relayout();
  InvalidateWithChildren();
}

void TvxCustomTabControl::SetStandardStyle(TvxPCStandardStyle AStandardStyle) {
  static const wchar_t* const Names[] = {L"tsTabs", L"tsButtons", L"tsFlatButtons"};
  TvxPCPaintersFactory* f = PaintersFactory();
  TvxPCPainterClass cls = f ? f->GetPainterClass(AStandardStyle) : nullptr;
  if (!cls)
    RaiseError(L"TvxCustomTabControl", L"SetStandardStyle",
               Format(ResStr(svxPCStandardStyleError), {String(Names[AStandardStyle])}));
  SetStyle(cls->GetStyleID());
}

void TvxCustomTabControl::SetStyleByStyleName(const String& AStyleName) {
  if (AStyleName == L"Default") {
    FStyle = 0;
    UpdatePainterFromLookAndFeel();
    return;
  }
  TvxPCPaintersFactory* f = PaintersFactory();
  TvxPCPainterClass cls = f ? f->GetPainterClass(AStyleName) : nullptr;
  if (!cls) RaiseError(L"TvxCustomTabControl", L"SetStyleByName", Format(ResStr(svxPCStyleNameError), {AStyleName}));
  SetStyle(cls->GetStyleID());
}

void TvxCustomTabControl::LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  TvxControl::LookAndFeelChanged(Sender, AChangedValues);
  UpdatePainterFromLookAndFeel();
  Relayout();
  InvalidateWithChildren();
}

// --- Properties ----------------------------------------------------------------------

void TvxCustomTabControl::SetHideTabs(bool Value) {
  if (Value == FHideTabs) return;
  FHideTabs = Value;
  Invalidate();
  Realign();
}

void TvxCustomTabControl::SetHotTrack(bool Value) {
  if (Value == FHotTrack) return;
  FHotTrack = Value;
  UpdateHotTrackState(KeyboardStateToShiftState());
}

void TvxCustomTabControl::SetImageBorder(Integer Value) {
  if (Value < 0 || Value == FImageBorder) return;
  FImageBorder = Value;
  if (FVisibleTabList->Count() > 0) Relayout();
}

void TvxCustomTabControl::SetMultiLine(bool Value) {
  if (Value == FMultiLine) return;
  FMultiLine = Value;
  Relayout();
}

void TvxCustomTabControl::SetNavigatorPosition(TvxPCNavigatorPosition Value) {
  if (Value == FNavigatorPosition) return;
  FNavigatorPosition = Value;
  Relayout();
}

void TvxCustomTabControl::SetOptions(TvxPCOptions Value) {
  if (Value == FOptions) return;
  TvxPCOptions changed = (Value - FOptions) + (FOptions - Value);
  FOptions = Value;
  const TvxPCOptions relayout{pcoAlwaysShowGoDialogButton, pcoCloseButton, pcoFixedTabWidthWhenRotated,
                              pcoGoDialog, pcoGradient, pcoGradientClientArea, pcoNoArrows, pcoTopToBottomText};
  const TvxPCOptions invalidate{pcoGradient, pcoGradientClientArea, pcoUsePageColorForTab};
  if (!(changed * relayout).Empty())
    Relayout();
  else if (!(changed * invalidate).Empty())
    Invalidate();
}

void TvxCustomTabControl::SetOwnerDraw(bool Value) {
  if (Value == FOwnerDraw) return;
  FOwnerDraw = Value;
  Invalidate();
}

void TvxCustomTabControl::SetRaggedRight(bool Value) {
  if (Value == FRaggedRight) return;
  FRaggedRight = Value;
  if (FMultiLine) Relayout();
}

void TvxCustomTabControl::SetRotate(bool Value) {
  if (Value && FPainter && !FPainter->SupportsTabRotation())
    throw EvdException(Format(ResStr(svxPCAllowRotateError), {FPainter->Class()->GetStyleName()}));
  if (Value == FRotate) return;
  FRotate = Value;
  Relayout();
}

void TvxCustomTabControl::SetScrollOpposite(bool Value) {
  if (Value == FScrollOpposite) return;
  FScrollOpposite = Value;
  if (!FMultiLine) return;
  if (FMainTabVisibleIndex == -1) {
    Realign();
  } else {
    CalculateRowOrder();
    Realign();
    Invalidate();
  }
}

void TvxCustomTabControl::SetShowFrame(bool Value) {
  if (Value == FShowFrame) return;
  FShowFrame = Value;
  Relayout();
}

void TvxCustomTabControl::SetTabHeight(Integer Value) {
  if (Value == FTabHeight) return;
  FTabHeight = Value;
  Relayout();
}

void TvxCustomTabControl::SetTabWidth(Integer Value) {
  if (Value == FTabWidth) return;
  FTabWidth = Value;
  Relayout();
}

void TvxCustomTabControl::SetTabPosition(TvxTabPosition Value) {
  if (Value == FTabPosition) return;
  FTabPosition = Value;
  Relayout();
}

// --- Selection -----------------------------------------------------------------------

void TvxCustomTabControl::LockChangeEvents(bool ALock) {
  if (ALock)
    ++FChangeEventLockCount;
  else if (FChangeEventLockCount > 0)
    --FChangeEventLockCount;
}

bool TvxCustomTabControl::CanChange(Integer ANewTabIndex) {
  bool allow = true;
  if (FChangeEventLockCount == 0 && !IsLoading() && OnChanging) OnChanging(this, allow);
  return allow;
}

void TvxCustomTabControl::Change() {
  if (FChangeEventLockCount == 0 && !IsLoading() && OnChange) OnChange(this);
}

void TvxCustomTabControl::SelectTabByIndex(Integer AIndex) {
  if (IsLoading()) {
    FTabIndex = AIndex;
    return;
  }
  if (AIndex < -1 || AIndex >= FTabs->Count()) return;
  if (AIndex != -1 && SelectsVisibleTabsOnly() && !FTabs->Tab(AIndex)->Visible()) AIndex = -1;
  if (AIndex == FTabIndex || !CanChange(AIndex)) return;
  FTabIndex = -1;
  FTabs->UpdateMainTab();
  for (TvxTab* t : FTabs->FTabsItemA) t->FSelected = false;
  FTabs->SetTrackingTab(-1);
  FTabIndex = AIndex;
  FTabs->UpdateMainTab();
  if (!FMultiLine && FMainTabVisibleIndex != -1) MakeTabVisible(FMainTabVisibleIndex);
  if (FMultiLine) {
    CalculateRowOrder();
    Realign();
    Invalidate();
  } else {
    Relayout();
  }
  UpdateNavigatorButtonStates();
  UpdateHotTrackState(KeyboardStateToShiftState());
  Change();
}

void TvxCustomTabControl::Loaded() {
  TvxControl::Loaded();
  FTabs->Changed(-1, tckLayout);
  if (FTabIndex != -1) {
    const Integer index = FTabIndex;
    FTabIndex = -1;
    LockChangeEvents(true);
    struct TUnlock {
      TvxCustomTabControl* C;
      ~TUnlock() { C->LockChangeEvents(false); }
    } unlock{this};
    SelectTabByIndex(index);
  }
}

Integer TvxCustomTabControl::IndexOfTabAt(Integer X, Integer Y) {
  const Integer n = FVisibleTabList->Count();
  const Integer first = FMultiLine ? 0 : std::max<Integer>(FFirstVisibleTab, 0);
  const Integer last = FMultiLine ? n - 1 : std::min(FLastVisibleTab, n - 1);
  for (Integer v = first; v <= last; ++v) {
    const TRect r = FVisibleTabList->GetTab(v)->VisibleRect();
    if (X >= r.left && X < r.right && Y >= r.top && Y < r.bottom && FPainter->IsTabHit(v, X, Y)) return v;
  }
  return -1;
}

void TvxCustomTabControl::ScrollTabs(Integer ADelta) {
  if (FMultiLine) return;
  const TvxPCNavigatorButton b = ADelta >= 0 ? nbBottomRight : nbTopLeft;
  for (Integer i = 0; i < std::abs(ADelta); ++i) {
    const bool forward = IsRowDirectionReversed() ? b == nbTopLeft : b == nbBottomRight;
    if (forward && FLastVisibleTab >= FVisibleTabList->Count() - 1 && FIsLastTabFullyVisible) break;
    if (!forward && FFirstVisibleTab <= 0) break;
    FFirstVisibleTab += forward ? 1 : -1;
    Relayout();
  }
}

bool TvxCustomTabControl::DoCanClose() {
  bool can = true;
  if (OnCanClose) OnCanClose(this, can);
  return can;
}

void TvxCustomTabControl::DoClose() {
  if (FTabIndex != -1) FTabs->Delete(FTabIndex);
  Change();
}

bool TvxCustomTabControl::IsTabAccessible(Integer AIndex) {
  TvxTab* t = FTabs->Tab(AIndex);
  return t->Visible() && t->RealEnabled();
}

Integer TvxCustomTabControl::GetTabImageIndex(Integer AIndex) {
  Integer result = FTabs->Tab(AIndex)->FImageIndex;
  if (OnGetImageIndex) OnGetImageIndex(this, AIndex, result);
  if (result < 0) result = -1;
  TCustomImageList* images = Images();
  if (!images || images->Width() == 0 || images->Height() == 0 || result >= images->Count()) result = -1;
  return result;
}

void TvxCustomTabControl::PrepareTabFont(TvxTab* ATab, TvxCanvas* ACanvas) {
  ACanvas->SetFont(Font());
  const Integer v = ATab->VisibleIndex();
  if (FPainter && v >= 0) ACanvas->Font()->SetColor(FPainter->GetTabTextColor(v));
  if (OnDrawTabEx) OnDrawTabEx(this, ATab, ACanvas->Font());
}

bool TvxCustomTabControl::DoDialogChar(Integer ACharCode) {
  if (!TWinControl::CanFocus()) return false;
  for (Integer i = 0; i < FTabs->Count(); ++i) {
    if (IsAccel(static_cast<Word>(ACharCode), FTabs->Tab(i)->Caption()) && IsTabAccessible(i)) {
      SelectTabByIndex(i);
      return true;
    }
  }
  return false;
}

// --- Keyboard ------------------------------------------------------------------------

bool TvxCustomTabControl::HandleTabNavigationKey(Word& Key, TShiftState Shift) {
  const Integer n = FVisibleTabList->Count();
  if (FHideTabs || n == 0 || Shift == TShiftState{ssAlt} || Shift == TShiftState{ssShift, ssAlt}) return false;
  const Integer m = IsRowDirectionReversed() ? -1 : 1;
  Integer d = 0, start = 0;
  bool wraps = false, fixedStart = false;
  switch (Key) {
    case VK_TAB:
      if (!Shift.Contains(ssCtrl)) return false;
      d = (Shift.Contains(ssShift) ? -1 : 1) * m;
      wraps = true;
      break;
    case VK_LEFT:
    case VK_UP: d = -m; break;
    case VK_RIGHT:
    case VK_DOWN: d = m; break;
    case VK_HOME:
    case VK_END: {
      const Integer mm = (Key == VK_HOME ? -1 : 1) * m;
      start = mm == 1 ? n - 1 : 0;
      d = -mm;
      fixedStart = true;
      break;
    }
    case VK_RETURN:
    case VK_SPACE:
      if (FTracking == -1) return false;
      SelectTabByIndex(FVisibleTabList->TabIndexA[FTracking]);
      return true;
    default: return false;
  }
  if (!fixedStart) {
    if (FTracking != -1)
      start = FTracking + d;
    else if (FMainTabVisibleIndex != -1)
      start = FMainTabVisibleIndex + d;
    else
      start = d == 1 ? 0 : n - 1;
    if (start < 0 || start >= n) {
      if (!wraps) return true;
      start = start < 0 ? n - 1 : 0;
    }
  }
  Integer found = -1;
  Integer v = start;
  for (Integer examined = 0; examined < n; ++examined) {
    if (FVisibleTabList->GetTab(v)->RealEnabled()) {
      found = v;
      break;
    }
    v += d;
    if (v < 0 || v >= n) {
      if (!wraps) return true;
      v = v < 0 ? n - 1 : 0;
    }
  }
  if (found == -1) return true;
  if (FPainter->Class()->IsTabPressable() && Key != VK_TAB)
    FTabs->SetTrackingTab(found);
  else if (found != FMainTabVisibleIndex)
    SelectTabByIndex(FVisibleTabList->TabIndexA[found]);
  return true;
}

void TvxCustomTabControl::KeyDown(Word& Key, TShiftState Shift) {
  TvxControl::KeyDown(Key, Shift);
  HandleTabNavigationKey(Key, Shift);
}

void TvxCustomTabControl::WMGetDlgCode(TWMGetDlgCode& Message) {
  InheritedMessage(Message.M);
  Message.M.Result |= DLGC_WANTARROWS;
}

void TvxCustomTabControl::CMDialogChar(TCMDialogKey& Message) {
  if (DoDialogChar(Message.CharCode()))
    Message.M.Result = 1;
  else
    InheritedMessage(Message.M);
}

void TvxCustomTabControl::CMDialogKey(TCMDialogKey& Message) {
  HWND focus = GetFocus();
  if (HandleAllocated() && (focus == Handle() || IsChild(Handle(), focus))) {
    Word key = Message.CharCode();
    if (HandleTabNavigationKey(key, KeyboardStateToShiftState())) {
      Message.M.Result = 1;
      return;
    }
  }
  InheritedMessage(Message.M);
}

void TvxCustomTabControl::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(Message);
  Invalidate();
}

void TvxCustomTabControl::CMParentColorChanged(TMessage& Message) {
  InheritedMessage(Message);
  Invalidate();
}

// --- Mouse ---------------------------------------------------------------------------

void TvxCustomTabControl::UpdateHotTrackState(TShiftState Shift) {
  if (IsLoading() || IsDestroying() || IsDesigning() || !HandleAllocated() || !FPainter || FIsGoDialogShowing)
    return;
  TvxPCNavigatorButtons hotButton;
  Integer hotTab = -1;
  if ((FHotTrack || FPainter->NeedsHotTracking()) && Enabled()) {
    POINT p;
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    TvxPCNavigatorButton b;
    if (FPainter->GetNavigatorButtonAt(p.x, p.y, b)) {
      if (FNavigatorButtonStates[b] != nbsPressed && FNavigatorButtonStates[b] != nbsDisabled &&
          !Shift.Contains(ssLeft))
        hotButton << b;
    } else if (!(Shift.Contains(ssLeft) && FPainter->Class()->IsTabPressable())) {
      hotTab = IndexOfTabAt(p.x, p.y);
      if (hotTab != -1 && !FVisibleTabList->GetTab(hotTab)->Enabled()) hotTab = -1;
    }
  }
  SetHotTrackNavigatorButton(hotButton);
  FTabs->SetHotTrackTab(hotTab);
}

void TvxCustomTabControl::SetHotTrackNavigatorButton(TvxPCNavigatorButtons AButtons) {
  if (AButtons == FHotTrackNavigatorButton) return;
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    if (FHotTrackNavigatorButton.Contains(b) && FNavigatorButtonStates[b] == nbsHotTrack) {
      FNavigatorButtonStates[b] = nbsNormal;
      FPainter->NavigatorButtonStateChanged(b, nbsHotTrack);
    }
  }
  FHotTrackNavigatorButton = AButtons;
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    if (AButtons.Contains(b)) {
      FNavigatorButtonStates[b] = nbsHotTrack;
      FPainter->NavigatorButtonStateChanged(b, nbsNormal);
    }
  }
}

void TvxCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  const bool goDialogJustClosed = FGoDialogJustClosed;
  FGoDialogJustClosed = false;
  TvxControl::MouseDown(Button, Shift, X, Y);
  if (!IsDesigning() && (FHideTabs || Button != mbLeft)) return;
  UpdateHotTrackState(Shift);
  TvxPCNavigatorButton b;
  if (FPainter->GetNavigatorButtonAt(X, Y, b)) {
    if (!(b == nbGoDialog && goDialogJustClosed)) PressNavigatorButton(b);
    return;
  }
  TabMouseDown(IndexOfTabAt(X, Y), Shift);
}

void TvxCustomTabControl::TabMouseDown(Integer AVisibleIndex, TShiftState Shift) {
  FMouseDownTabVisibleIndex = AVisibleIndex;
  if (AVisibleIndex < 0 || AVisibleIndex >= FVisibleTabList->Count()) return;
  if (!FVisibleTabList->GetTab(AVisibleIndex)->RealEnabled() && !IsDesigning()) return;
  if (!FPainter->Class()->IsTabPressable() || IsDesigning()) {
    ClickSelectTab(AVisibleIndex, Shift.Contains(ssCtrl));
  } else {
    FPressedTabVisibleIndex = AVisibleIndex;
    FPainter->TabStateChanged(AVisibleIndex, tckPressed);
  }
}

void TvxCustomTabControl::ClickSelectTab(Integer AVisibleIndex, bool ACtrl) {
  TvxTab* tab = FVisibleTabList->GetTab(AVisibleIndex);
  if (FMultiSelect && FPainter->Class()->IsMultiSelectionAccepted() && ACtrl) {
    if (AVisibleIndex == FMainTabVisibleIndex)
      SelectTabByIndex(-1);
    else
      tab->SetSelected(!tab->Selected());
    return;
  }
  SelectTabByIndex(tab->Index());
}

void TvxCustomTabControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxControl::MouseMove(Shift, X, Y);
  if (FHideTabs || FIsGoDialogShowing) return;
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    TvxPCNavigatorButton at;
    if (FPressedNavigatorButton.Contains(b) && !(FPainter->GetNavigatorButtonAt(X, Y, at) && at == b)) {
      if (FTimer) FTimer->SetEnabled(false);
      FNavigatorButtonStates[b] = nbsNormal;
      FPressedNavigatorButton = {};
      FPainter->NavigatorButtonStateChanged(b, nbsPressed);
    }
  }
  if (FPressedTabVisibleIndex != -1 && IndexOfTabAt(X, Y) != FPressedTabVisibleIndex) {
    const Integer old = FPressedTabVisibleIndex;
    FPressedTabVisibleIndex = -1;
    FPainter->TabStateChanged(old, tckPressed);
  }
  UpdateHotTrackState(Shift);
}

void TvxCustomTabControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxControl::MouseUp(Button, Shift, X, Y);
  if (FHideTabs || Button != mbLeft || FIsGoDialogShowing) return;
  TvxPCNavigatorButton b;
  if (FPainter->GetNavigatorButtonAt(X, Y, b)) {
    ReleaseNavigatorButton(b);
    FMouseDownTabVisibleIndex = -1;
    return;
  }
  TabMouseUp(IndexOfTabAt(X, Y), Shift);
}

void TvxCustomTabControl::TabMouseUp(Integer AVisibleIndex, TShiftState Shift) {
  if (AVisibleIndex >= 0 && AVisibleIndex < FVisibleTabList->Count() &&
      (FVisibleTabList->GetTab(AVisibleIndex)->RealEnabled() || IsDesigning())) {
    if (FPainter->Class()->IsTabPressable() && !IsDesigning() && AVisibleIndex == FPressedTabVisibleIndex) {
      FPressedTabVisibleIndex = -1;
      FPainter->TabStateChanged(AVisibleIndex, tckPressed);
      ClickSelectTab(AVisibleIndex, Shift.Contains(ssCtrl));
    }
    UpdateHotTrackState(Shift);
    if (AVisibleIndex == FMouseDownTabVisibleIndex) DoTabClick(AVisibleIndex, Shift);
  }
  FMouseDownTabVisibleIndex = -1;
}

void TvxCustomTabControl::MouseLeave(TControl* AControl) {
  TvxControl::MouseLeave(AControl);
  UpdateHotTrackState(TShiftState{});
}

bool TvxCustomTabControl::WheelApplies(POINT MousePos) {
  if (FMultiLine || FFirstVisibleTab < 0 || FFirstVisibleTab >= FVisibleTabList->Count()) return false;
  if (HandleAllocated()) ::ScreenToClient(Handle(), &MousePos);
  const TRect r = FVisibleTabList->GetTab(FFirstVisibleTab)->FullRect();
  if (IsHorizontal(FTabPosition)) return r.top <= MousePos.y && MousePos.y < r.bottom;
  return r.left <= MousePos.x && MousePos.x < r.right;
}

bool TvxCustomTabControl::DoMouseWheelDown(TShiftState Shift, POINT MousePos) {
  if (!WheelApplies(MousePos)) return TvxControl::DoMouseWheelDown(Shift, MousePos);
  ScrollTabs(1);
  return true;
}

bool TvxCustomTabControl::DoMouseWheelUp(TShiftState Shift, POINT MousePos) {
  if (!WheelApplies(MousePos)) return TvxControl::DoMouseWheelUp(Shift, MousePos);
  ScrollTabs(-1);
  return true;
}

// --- Navigator buttons ---------------------------------------------------------------

TvxPCNavigatorButtons TvxCustomTabControl::GetNeededNavigatorButtons(bool AAllFit) {
  TvxPCNavigatorButtons result;
  if (FOptions.Contains(pcoCloseButton) && !FMultiLine) result << nbClose;
  if (!AAllFit && !FOptions.Contains(pcoNoArrows)) result << nbTopLeft << nbBottomRight;
  if (FOptions.Contains(pcoGoDialog) && (!AAllFit || FOptions.Contains(pcoAlwaysShowGoDialogButton)))
    result << nbGoDialog;
  return result;
}

void TvxCustomTabControl::SetNavigatorButtons(TvxPCNavigatorButtons AButtons) {
  FNavigatorButtons = AButtons;
  FPainter->GetTabsPosition(AButtons, FTabsPosition);
}

void TvxCustomTabControl::ResetVanishedNavigatorButtons() {
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    if (!FNavigatorButtons.Contains(b)) {
      FHotTrackNavigatorButton >> b;
      FPressedNavigatorButton >> b;
      FNavigatorButtonStates[b] = nbsNormal;
    }
  }
}

bool TvxCustomTabControl::IsNavigatorButtonAvailable(TvxPCNavigatorButton AButton) {
  const bool reversed = IsRowDirectionReversed();
  const bool towardEnd = AButton == (reversed ? nbTopLeft : nbBottomRight);
  switch (AButton) {
    case nbTopLeft:
    case nbBottomRight:
      if (towardEnd)
        return !(FLastVisibleTab == FVisibleTabList->Count() - 1 &&
                 (FIsLastTabFullyVisible || FLastVisibleTab == FFirstVisibleTab));
      return FFirstVisibleTab > 0;
    case nbClose: return FMainTabVisibleIndex != -1;
    default: return true;
  }
}

void TvxCustomTabControl::UpdateNavigatorButtonStates() {
  if (!FPainter) return;
  for (TvxPCNavigatorButton b : {nbTopLeft, nbBottomRight, nbClose}) {
    if (!FNavigatorButtons.Contains(b)) continue;
    const TvxPCNavigatorButtonState old = FNavigatorButtonStates[b];
    const bool available = IsNavigatorButtonAvailable(b);
    if (!available && old != nbsDisabled) {
      FNavigatorButtonStates[b] = nbsDisabled;
      FHotTrackNavigatorButton = {};
      FPressedNavigatorButton = {};
    } else if (available && old == nbsDisabled) {
      FNavigatorButtonStates[b] = nbsNormal;
    }
    if (FNavigatorButtonStates[b] != old) FPainter->NavigatorButtonStateChanged(b, old);
  }
  UpdateHotTrackState(KeyboardStateToShiftState());
}

void TvxCustomTabControl::PressNavigatorButton(TvxPCNavigatorButton AButton) {
  const TvxPCNavigatorButtonState old = FNavigatorButtonStates[AButton];
  if (old == nbsPressed || old == nbsDisabled) return;
  FNavigatorButtonStates[AButton] = nbsPressed;
  FPressedNavigatorButton = TvxPCNavigatorButtons{AButton};
  FPainter->NavigatorButtonStateChanged(AButton, old);
  if (AButton == nbTopLeft || AButton == nbBottomRight) {
    ScrollTabsStep(AButton);
    if (FPressedNavigatorButton.Contains(AButton)) {
      if (!FTimer) {
        FTimer = new TvxTimer(nullptr);
        FTimer->SetOnTimer([this](TObject* Sender) { TimerHandler(Sender); });
      }
      FTimer->SetInterval(300);
      FTimer->SetEnabled(true);
    }
  }
}

void TvxCustomTabControl::TimerHandler(TObject*) {
  FTimer->SetInterval(150);
  for (TvxPCNavigatorButton b : {nbTopLeft, nbBottomRight})
    if (FPressedNavigatorButton.Contains(b)) {
      ScrollTabsStep(b);
      return;
    }
  FTimer->SetEnabled(false);
}

void TvxCustomTabControl::ScrollTabsStep(TvxPCNavigatorButton AButton) {
  if (FNavigatorButtonStates[AButton] == nbsDisabled) return;
  const bool reversed = IsRowDirectionReversed();
  if ((reversed && AButton == nbTopLeft) || (!reversed && AButton == nbBottomRight))
    ++FFirstVisibleTab;
  else
    --FFirstVisibleTab;
  Relayout();
}

void TvxCustomTabControl::ReleaseNavigatorButton(TvxPCNavigatorButton AButton) {
  if (FTimer) FTimer->SetEnabled(false);
  const TvxPCNavigatorButtonState old = FNavigatorButtonStates[AButton];
  if (old == nbsDisabled) return;
  const bool wasPressed = FPressedNavigatorButton.Contains(AButton);
  if (!IsDesigning() && AButton == nbGoDialog && wasPressed) {
    FIsGoDialogShowing = true;
    ShowGoDialog();
    return;
  }
  const bool closeDue = !IsDesigning() && AButton == nbClose && wasPressed;
  if (old == nbsPressed) FPressedNavigatorButton = {};
  FNavigatorButtonStates[AButton] = nbsNormal;
  FPainter->NavigatorButtonStateChanged(AButton, old);
  UpdateHotTrackState(KeyboardStateToShiftState());
  if (closeDue && DoCanClose()) DoClose();
}

void TvxCustomTabControl::ShowGoDialog() {
  if (FGoDialog) FGoDialog->Popup(FOptions.Contains(pcoSort));
  GoDialogClosed(-1);
}

void TvxCustomTabControl::GoDialogClosed(Integer ATabIndex) {
  MSG m;
  if (HandleAllocated() && (PeekMessageW(&m, Handle(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE) ||
                            PeekMessageW(&m, Handle(), WM_LBUTTONDBLCLK, WM_LBUTTONDBLCLK, PM_NOREMOVE)))
    FGoDialogJustClosed = true;
  FIsGoDialogShowing = false;
  FNavigatorButtonStates[nbGoDialog] = nbsNormal;
  FPressedNavigatorButton = {};
  if (FPainter) FPainter->NavigatorButtonStateChanged(nbGoDialog, nbsPressed);
  if (ATabIndex != -1) SelectTabByIndex(ATabIndex);
  UpdateHotTrackState(KeyboardStateToShiftState());
}

// --- Painting ------------------------------------------------------------------------

void TvxCustomTabControl::CreateParams(TCreateParams& Params) {
  TvxControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TvxCustomTabControl::CreateHandle() {
  TvxControl::CreateHandle();
  Relayout();
  Realign();
}

void TvxCustomTabControl::Paint() {
  if (IsDestroying() || !FPainter) return;
  Canvas()->SaveClipRegion();
  struct TRestore {
    TvxCanvas* C;
    ~TRestore() { C->RestoreClipRegion(); }
  } restore{Canvas()};
  FPainter->Paint();
}

void TvxCustomTabControl::EraseBackground(HDC DC) {
  TCanvas* c = Canvas()->Canvas();
  c->Lock();
  HDC old = c->Handle();
  c->SetHandle(DC);
  struct TReset {
    TCanvas* C;
    HDC Old;
    ~TReset() {
      C->SetHandle(Old);
      C->Unlock();
    }
  } reset{c, old};
  FPainter->PaintClientAreaBackground();
}

void TvxCustomTabControl::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (Message.IntoBuffer()) {
    EraseBackground(Message.DC());
    Message.M.Result = 1;
    return;
  }
  InheritedMessage(Message.M);
}

void TvxCustomTabControl::FocusChanged() {
  TvxControl::FocusChanged();
  if (!IsDestroying() && FMainTabVisibleIndex != -1 &&
      FVisibleTabList->GetTab(FMainTabVisibleIndex)->RealVisible())
    FPainter->TabStateChanged(FMainTabVisibleIndex, tckFocus);
}

void TvxCustomTabControl::FontChanged() {
  TvxControl::FontChanged();
  Relayout();
}

void TvxCustomTabControl::Resize() {
  Relayout();
  Realign();
  TvxControl::Resize();
}

TRect TvxCustomTabControl::ClientRectOfPainter() {
  TRect r = FPainter ? FPainter->GetClientRect() : TRect{0, 0, Width(), Height()};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void TvxCustomTabControl::AdjustClientRect(RECT& Rect) {
  if (IsLoading()) {
    Rect = FIsClientRectLoaded ? FClientRect : TRect{0, 0, Width(), Height()};
    return;
  }
  Rect = ClientRectOfPainter();
}

void TvxCustomTabControl::DefineProperties(TFiler* Filer) {
  TvxControl::DefineProperties(Filer);
  TRect r{0, 0, Width(), Height()};
  if (IsLoading() && FIsClientRectLoaded)
    r = FClientRect;
  else if (!IsLoading())
    r = ClientRectOfPainter();
  auto* ancestor = dynamic_cast<TvxCustomTabControl*>(Filer->Ancestor());
  const TRect a = ancestor ? ancestor->ClientRectOfPainter() : TRect{};
  auto define = [&](const wchar_t* AName, LONG TRect::*AField, bool AStoredWithoutAncestor, bool AMarksRead) {
    Filer->DefineProperty(
        AName,
        [this, AField, AMarksRead](TReader* R) {
          FClientRect.*AField = R->ReadInteger();
          if (AMarksRead) FIsClientRectLoaded = true;
        },
        [value = r.*AField](TWriter* W) { W->WriteInteger(value); },
        ancestor ? r.*AField != a.*AField : AStoredWithoutAncestor);
  };
  define(L"ClientRectBottom", &TRect::bottom, r.bottom != 0, false);
  define(L"ClientRectLeft", &TRect::left, r.left != 0, false);
  define(L"ClientRectRight", &TRect::right, true, false);
  define(L"ClientRectTop", &TRect::top, true, true);
}

void TvxCustomTabControl::ChangeScale(Integer M, Integer D) {
  FClientRect = TRect{MulDiv(FClientRect.left, M, D), MulDiv(FClientRect.top, M, D), MulDiv(FClientRect.right, M, D),
                      MulDiv(FClientRect.bottom, M, D)};
  TvxControl::ChangeScale(M, D);
}

const TMessageMap* TvxCustomTabControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxCustomTabControl::WMEraseBkgnd>},
      {WM_GETDLGCODE, MessageHandler<&TvxCustomTabControl::WMGetDlgCode>},
      {CM_DIALOGCHAR, MessageHandler<&TvxCustomTabControl::CMDialogChar>},
      {CM_DIALOGKEY, MessageHandler<&TvxCustomTabControl::CMDialogKey>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxCustomTabControl::CMEnabledChanged>},
      {CM_PARENTCOLORCHANGED, MessageHandler<&TvxCustomTabControl::CMParentColorChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// =======================================================================================
// Layout

void TvxCustomTabControl::CalculateTabNormalSizes() {
  if (FTabs->Count() == 0) RaiseError(L"TvxCustomTabControl", L"CalculateTabNormalSizes", ResStr(svxPCTabCountEqualsZero));
  FTabs->FTabNormalHeight = FPainter->CalculateTabNormalHeight();
  for (TvxTab* t : FTabs->FTabsItemA)
    t->FTabPosition.TabNormalWidth = t->Visible() ? FPainter->CalculateTabNormalWidth(t) : 0;
}

void TvxCustomTabControl::Relayout() {
  if (IsLoading() || FUpdating || !FPainter || IsDestroying()) return;
  TValueScope<bool> updating(FUpdating, true);
  Integer main = FMainTabVisibleIndex;
  if (main >= FVisibleTabList->Count()) main = -1;
  FMainTabVisibleIndex = main;
  FPainter->PrepareLayout();
  FTabs->ResetTabVerticalTextBitmaps();
  CalculateTabPositions();
  FTabs->RefreshTabImages();
  if (Images()) FImageList->SetImageRotationAngle(FPainter->IsNativePainting() ? ra0 : CaptionRotation());
  Realign();
  Invalidate();
  FMainTabVisibleIndex = main;
  FTabs->UpdateMainTab();
  UpdateHotTrackState(KeyboardStateToShiftState());
}

void TvxCustomTabControl::CalculateTabPositions() {
  FExtendedTopOrLeftTabsRect = TRect{};
  FExtendedBottomOrRightTabsRect = TRect{};
  const Integer n = FVisibleTabList->Count();
  if (FFirstVisibleTab == -1 && n > 0) FFirstVisibleTab = 0;
  if (FFirstVisibleTab > n - 1) FFirstVisibleTab = n - 1;
  FLastVisibleTab = FFirstVisibleTab;
  if (FHotTrackTabVisibleIndex >= n) FHotTrackTabVisibleIndex = -1;
  if (FMainTabVisibleIndex >= n) FMainTabVisibleIndex = -1;
  if (FPressedTabVisibleIndex >= n) FPressedTabVisibleIndex = -1;
  FRowCount = 0;
  if (FTabIndex >= FTabs->Count()) FTabIndex = FTabs->Count() - 1;
  FTopOrLeftPartRowCount = 0;
  if (n == 0) {
    SetNavigatorButtons({});
    ResetVanishedNavigatorButtons();
    return;
  }
  CalculateTabNormalSizes();
  if (FMultiLine)
    MultiLineLayout();
  else
    SingleLineLayout();
}

void TvxCustomTabControl::SingleLineLayout() {
  FRowCount = 1;
  FTopOrLeftPartRowCount = (FTabPosition == tpTop || FTabPosition == tpLeft) ? 1 : 0;
  CalculateSingleRowScroll();
  if (FTabsPosition.NormalRowWidth < 1) return;
  for (Integer v = FFirstVisibleTab; v <= FLastVisibleTab; ++v) {
    TvxTab* t = FVisibleTabList->GetTab(v);
    t->FRow = 0;
    t->FVisibleRow = 0;
  }
  CalculateRowHeight();
  CalculateRowCoordinates();
}

void TvxCustomTabControl::PlaceRow(Integer AFirst, Integer ALast, bool AFitAll) {
  const bool horizontal = IsHorizontal(FTabPosition);
  const Integer start = horizontal ? FTabsPosition.NormalTabsRect.left : FTabsPosition.NormalTabsRect.top;
  const Integer lastPixel = start + FTabsPosition.NormalRowWidth - 1;
  const Integer gap = FRotate ? FPainter->GetTabsDistance().Second : FPainter->GetTabsDistance().First;
  const bool reversed = IsRowDirectionReversed();
  Integer pos = reversed ? lastPixel : start;
  Integer end = pos;
  for (Integer v = AFirst; v <= ALast; ++v) {
    TvxTab* t = FVisibleTabList->GetTab(v);
    FLastVisibleTab = v;
    const Integer len = TabLength(t);
    end = reversed ? pos - (len - 1) : pos + (len - 1);
    const Integer lower = reversed ? end : pos;
    if (horizontal)
      t->FTabPosition.TabNormalPosition.x = lower;
    else
      t->FTabPosition.TabNormalPosition.y = lower;
    pos = reversed ? end - gap - 1 : end + gap + 1;
    if (!AFitAll && (reversed ? pos < start : pos > lastPixel)) break;
  }
  FIsLastTabFullyVisible = (reversed ? end >= start : end <= lastPixel) && FLastVisibleTab == ALast;
}

void TvxCustomTabControl::CalculateSingleRowScroll() {
  const Integer last = FVisibleTabList->Count() - 1;
  const Integer remembered = FFirstVisibleTab;
  FFirstVisibleTab = 0;
  SetNavigatorButtons(GetNeededNavigatorButtons(true));
  if (FTabsPosition.NormalRowWidth < 1) return;
  PlaceRow(0, last, true);
  if (!FIsLastTabFullyVisible) {
    FFirstVisibleTab = std::max<Integer>(0, std::min(remembered, last));
    SetNavigatorButtons(GetNeededNavigatorButtons(false));
    PlaceRow(FFirstVisibleTab, last, false);
    if (FLastVisibleTab == last && FIsLastTabFullyVisible) {
      while (FFirstVisibleTab > 0) {
        --FFirstVisibleTab;
        PlaceRow(FFirstVisibleTab, last, false);
        if (!(FLastVisibleTab == last && FIsLastTabFullyVisible)) {
          ++FFirstVisibleTab;
          PlaceRow(FFirstVisibleTab, last, false);
          break;
        }
      }
    }
  }
  ResetVanishedNavigatorButtons();
  UpdateNavigatorButtonStates();
}

void TvxCustomTabControl::MakeTabVisible(Integer AVisibleIndex) {
  if (FMultiLine || AVisibleIndex < 0 || AVisibleIndex >= FVisibleTabList->Count()) return;
  if (AVisibleIndex < FFirstVisibleTab) {
    FFirstVisibleTab = AVisibleIndex;
    return;
  }
  if (AVisibleIndex < FLastVisibleTab || (AVisibleIndex == FLastVisibleTab && FIsLastTabFullyVisible)) return;
  FPainter->GetTabsPosition(FNavigatorButtons, FTabsPosition);
  const Integer W = FTabsPosition.NormalRowWidth;
  if (W < 1) {
    FFirstVisibleTab = AVisibleIndex;
    return;
  }
  const Integer gap = FRotate ? FPainter->GetTabsDistance().Second : FPainter->GetTabsDistance().First;
  Integer first = AVisibleIndex;
  Integer acc = TabLength(FVisibleTabList->GetTab(AVisibleIndex));
  while (first > 0) {
    const Integer next = acc + gap + TabLength(FVisibleTabList->GetTab(first - 1));
    if (next > W) break;
    acc = next;
    --first;
  }
  FFirstVisibleTab = first;
}

namespace {

// Balancing of a run of rows, on the tabs' lengths.
struct TRowBalancer {
  const std::vector<Integer>& Len;  // lengths of the run's tabs
  Integer W, G;

  Integer Used(const TvxPCIndexInterval& r) const {
    Integer s = 0;
    for (Integer i = r.Left; i <= r.Right; ++i) s += Len[i];
    return s + G * (r.Right - r.Left);
  }
  long double Cost(const TvxPCIndexInterval& r) const {
    // 2 ^ free space; saturating so that a larger free space never costs less.
    const Integer free = std::min<Integer>(W - Used(r), 16000);
    return std::ldexp(1.0L, free);
  }
  long double Total(const TvxPCLineIndexBoundsArray& a) const {
    long double s = 0;
    for (const auto& r : a) s += Cost(r);
    return s;
  }
  bool Pull(TvxPCLineIndexBoundsArray& a, size_t r, Integer d) const {
    TvxPCLineIndexBoundsArray c = a;
    if (d < 0) {
      if (r == 0 || c[r - 1].Right <= c[r - 1].Left) return false;
      --c[r - 1].Right;
      --c[r].Left;
    } else {
      if (r + 1 >= c.size() || c[r + 1].Left >= c[r + 1].Right) return false;
      ++c[r].Right;
      ++c[r + 1].Left;
    }
    if (!(Cost(c[r]) < Cost(a[r])) || Used(c[r]) > W) return false;
    a = c;
    return true;
  }
  bool ComplexPass(TvxPCLineIndexBoundsArray& a) const {
    const long double x = Total(a);
    TvxPCLineIndexBoundsArray c = a;
    for (size_t r = c.size(); r-- > 0;) {
      for (;;) {
        const long double before = Total(c);
        if (!Pull(c, r, -1) || Total(c) > before) break;
      }
      if (Total(c) < x) {
        a = c;
        return true;
      }
    }
    return false;
  }
  bool SimplePass(TvxPCLineIndexBoundsArray& a, Integer d) const {
    const long double x = Total(a);
    for (size_t r = 0; r < a.size(); ++r) {
      TvxPCLineIndexBoundsArray c = a;
      if (Pull(c, r, d) && Total(c) < x) {
        a = c;
        return true;
      }
    }
    return false;
  }
  void Run(TvxPCLineIndexBoundsArray& a) const {
    while (ComplexPass(a) || SimplePass(a, +1) || SimplePass(a, -1)) {
    }
  }
};

}  // namespace

void TvxCustomTabControl::PackTabRows(const std::vector<Integer>& ALengths, Integer AWidth, Integer AGap,
                                      bool ABalance, std::vector<Integer>& ARows) {
  const Integer n = static_cast<Integer>(ALengths.size());
  ARows.assign(ALengths.size(), 0);
  // Balances the run of tabs [AFirst, ALast] over the rows the greedy packing gave them.
  auto balance = [&](Integer AFirst, Integer ALast) {
    if (!ABalance) return;
    std::vector<Integer> len(ALengths.begin() + AFirst, ALengths.begin() + ALast + 1);
    TvxPCLineIndexBoundsArray rows;
    for (Integer i = AFirst; i <= ALast; ++i) {
      if (rows.empty() || ARows[i] != ARows[i - 1])
        rows.push_back({i - AFirst, i - AFirst});
      else
        rows.back().Right = i - AFirst;
    }
    if (rows.size() < 2) return;
    TRowBalancer{len, AWidth, AGap}.Run(rows);
    const Integer firstRow = ARows[AFirst];
    for (size_t r = 0; r < rows.size(); ++r)
      for (Integer i = rows[r].Left; i <= rows[r].Right; ++i) ARows[AFirst + i] = firstRow + static_cast<Integer>(r);
  };
  Integer rowCount = 1, used = 0, runStart = 0;
  for (Integer i = 0; i < n; ++i) {
    const Integer len = ALengths[i];
    if (len < AWidth) {
      if (used + len > AWidth) {
        ++rowCount;
        used = len + AGap;
      } else {
        used += len + AGap;
      }
      ARows[i] = rowCount - 1;
    } else {
      if (used != 0) {
        ++rowCount;
        used = 0;
      }
      if (i - 1 >= runStart && ARows[i - 1] - ARows[runStart] >= 1) balance(runStart, i - 1);
      ARows[i] = rowCount - 1;
      if (i < n - 1) ++rowCount;
      runStart = i + 1;
    }
  }
  if (n - runStart >= 2 && ARows[n - 1] - ARows[runStart] >= 1) balance(runStart, n - 1);
}

void TvxCustomTabControl::MultiLineLayout() {
  SetNavigatorButtons({});
  const Integer W = FTabsPosition.NormalRowWidth;
  if (W < 1) return;
  const Integer n = FVisibleTabList->Count();
  const Integer gap = FRotate ? FPainter->GetTabsDistance().Second : FPainter->GetTabsDistance().First;
  // Packing, with a balancing of each run of tabs between two over-long tabs.
  std::vector<Integer> lengths, rows;
  for (Integer v = 0; v < n; ++v) lengths.push_back(TabLength(FVisibleTabList->GetTab(v)));
  PackTabRows(lengths, W, gap, !(FRotate && FRaggedRight), rows);
  FRowCount = 0;
  for (Integer v = 0; v < n; ++v) {
    TvxTab* t = FVisibleTabList->GetTab(v);
    t->FRow = rows[v];
    FRowCount = std::max(FRowCount, rows[v] + 1);
    // A tab as long as the row gets it to itself and, without rotation, is cut to it.
    if (lengths[v] >= W && !FRotate && FPainter->GetMinTabNormalWidth(v) < W) t->FTabPosition.TabNormalWidth = W;
  }
  if (FRowCount == 1) {
    CalculateSingleRowScroll();
  } else {
    SetNavigatorButtons({});
    ResetVanishedNavigatorButtons();
    TvxPCLineIndexBoundsArray rows;
    for (Integer v = 0; v < n; ++v) {
      const Integer r = FVisibleTabList->GetTab(v)->FRow;
      if (static_cast<Integer>(rows.size()) <= r) rows.push_back({v, v});
      else rows[r].Right = v;
    }
    for (const auto& row : rows) {
      if (!FRotate && !FRaggedRight) {
        Integer sum = 0;
        for (Integer v = row.Left; v <= row.Right; ++v) sum += TabLength(FVisibleTabList->GetTab(v));
        const Integer free = W - (sum + gap * (row.Right - row.Left));
        if (free > 0 && sum > 0) {
          Integer given = 0;
          for (Integer v = row.Left; v < row.Right; ++v) {
            TvxTab* t = FVisibleTabList->GetTab(v);
            const Integer add = t->FTabPosition.TabNormalWidth * free / sum;
            t->FTabPosition.TabNormalWidth += add;
            given += add;
          }
          FVisibleTabList->GetTab(row.Right)->FTabPosition.TabNormalWidth += free - given;
        }
      }
      PlaceRow(row.Left, row.Right, false);
    }
    FFirstVisibleTab = 0;
    FLastVisibleTab = n - 1;
  }
  CalculateRowHeight();
  CalculateRowOrder();
}

void TvxCustomTabControl::CalculateRowHeight() {
  if (!FRotate) {
    FRowHeight = FTabs->FTabNormalHeight;
    return;
  }
  TvxTab* widest = nullptr;
  const bool all = FOptions.Contains(pcoFixedTabWidthWhenRotated) || FMultiLine;
  const Integer first = all ? 0 : std::max<Integer>(FFirstVisibleTab, 0);
  const Integer last = all ? FVisibleTabList->Count() - 1 : FLastVisibleTab;
  for (Integer v = first; v <= last && v < FVisibleTabList->Count(); ++v) {
    TvxTab* t = FVisibleTabList->GetTab(v);
    if (!widest || t->FTabPosition.TabNormalWidth > widest->FTabPosition.TabNormalWidth) widest = t;
  }
  if (!widest) {
    FMaxTabCaptionWidth = 0;
    FRowHeight = 0;
    return;
  }
  PrepareTabFont(widest, Canvas());
  FMaxTabCaptionWidth = Canvas()->TextWidth(widest->Caption());
  FRowHeight = widest->FTabPosition.TabNormalWidth;
}

void TvxCustomTabControl::CalculateRowOrder() {
  const Integer n = FRowCount;
  const bool ttb = FOptions.Contains(pcoTopToBottomText);
  bool reverse;
  switch (FTabPosition) {
    case tpLeft:
    case tpRight: reverse = (!FRotate && ttb) != (FTabPosition == tpRight); break;
    case tpTop: reverse = FRotate && !ttb; break;
    default: reverse = !(FRotate && !ttb); break;
  }
  for (TvxTab* t : FTabs->FTabsItemA) t->FVisibleRow = reverse ? n - t->FRow - 1 : t->FRow;
  FTopOrLeftPartRowCount = n;
  if (FMainTabVisibleIndex != -1 && FMainTabVisibleIndex < FVisibleTabList->Count()) {
    TvxTab* main = FVisibleTabList->GetTab(FMainTabVisibleIndex);
    if (FScrollOpposite) {
      FTopOrLeftPartRowCount = main->FVisibleRow + 1;
    } else if (FPainter->Class()->IsMainTabBoundWithClient()) {
      const Integer mainRow = main->FVisibleRow;
      for (TvxTab* t : FTabs->FTabsItemA) t->FVisibleRow = (t->FVisibleRow + n - mainRow - 1) % n;
    }
  }
  if (FTabPosition == tpBottom || FTabPosition == tpRight) {
    for (TvxTab* t : FTabs->FTabsItemA) t->FVisibleRow = n - t->FVisibleRow - 1;
    FTopOrLeftPartRowCount = n - FTopOrLeftPartRowCount;
  }
  CalculateRowCoordinates();
}

void TvxCustomTabControl::CalculateRowCoordinates() {
  const bool horizontal = IsHorizontal(FTabPosition);
  const Integer h = FRowHeight;
  const Integer gr = FRotate ? FPainter->GetTabsDistance().First : FPainter->GetTabsDistance().Second;
  const Integer n = FRowCount, t = FTopOrLeftPartRowCount;
  const TRect& nr = FTabsPosition.NormalTabsRect;
  const TRect& er = FTabsPosition.ExtendedTabsRect;
  const Integer S = horizontal ? nr.top : nr.left;
  const Integer E = horizontal ? nr.bottom : nr.right;
  const Integer first = FMultiLine ? 0 : FFirstVisibleTab;
  const Integer last = FMultiLine ? FVisibleTabList->Count() - 1 : FLastVisibleTab;
  for (Integer v = first; v <= last; ++v) {
    TvxTab* tab = FVisibleTabList->GetTab(v);
    const Integer k = tab->FVisibleRow;
    const Integer across = k < t ? S + k * (h + gr) : E - (n - k) * h - (n - k - 1) * gr;
    if (horizontal)
      tab->FTabPosition.TabNormalPosition.y = across;
    else
      tab->FTabPosition.TabNormalPosition.x = across;
  }
  const Integer XS = horizontal ? er.top : er.left;
  const Integer XE = horizontal ? er.bottom : er.right;
  Integer tlEnd = std::min(XE, S + t * (h + gr) - gr + FTabsPosition.ExtendedTopOrLeftTabsRectBottomOrRightBorderOffset);
  Integer brStart =
      std::max(XS, E + gr + FTabsPosition.ExtendedBottomOrRightTabsRectTopOrLeftBorderOffset - (n - t) * (h + gr));
  if (t > 0 && t < n) {
    const Integer dist = FTabsPosition.MinDistanceBetweenTopOrLeftAndBottomOrRightExtendedTabsRects;
    if (FTabPosition == tpTop || FTabPosition == tpLeft) {
      if (brStart < tlEnd + dist) brStart = std::min(XE, tlEnd + dist);
    } else if (tlEnd > brStart - dist) {
      tlEnd = std::max(XS, brStart - dist);
    }
  }
  if (horizontal) {
    FExtendedTopOrLeftTabsRect = TRect{er.left, XS, er.right, tlEnd};
    FExtendedBottomOrRightTabsRect = TRect{er.left, brStart, er.right, XE};
  } else {
    FExtendedTopOrLeftTabsRect = TRect{XS, er.top, tlEnd, er.bottom};
    FExtendedBottomOrRightTabsRect = TRect{brStart, er.top, XE, er.bottom};
  }
}

Integer TvxCustomTabControl::GetOptimalSize() {
  const Integer n = FVisibleTabList->Count();
  if (n == 0 || !FPainter) return 0;
  CalculateTabNormalSizes();
  FPainter->GetTabsPosition(GetNeededNavigatorButtons(true), FTabsPosition);
  const bool horizontal = IsHorizontal(FTabPosition);
  const Integer gap = FRotate ? FPainter->GetTabsDistance().Second : FPainter->GetTabsDistance().First;
  const Integer start = horizontal ? FTabsPosition.NormalTabsRect.left : FTabsPosition.NormalTabsRect.top;
  Integer pos = start, end = start;
  for (Integer v = 0; v < n; ++v) {
    end = pos + TabLength(FVisibleTabList->GetTab(v)) - 1;
    pos = end + gap + 1;
  }
  const Integer rowLast = start + FTabsPosition.NormalRowWidth - 1;
  FIsLastTabFullyVisible = end < rowLast;
  return (horizontal ? Width() : Height()) + end - rowLast;
}

void TvxCustomTabControl::CalculateTabContentRects(TvxTab* ATab, TRect& AImageRect, TRect& ATextRect) {
  AImageRect = TRect{};
  ATextRect = TRect{};
  const Integer v = ATab->VisibleIndex();
  const bool native = FPainter->IsNativePainting();
  const bool vertical = IsVerticalText();
  TRect R = ATab->FullRect();
  if (native) {
    R = vertical ? TRect{0, 0, RectHeight(R), RectWidth(R)} : TRect{0, 0, RectWidth(R), RectHeight(R)};
  }
  const TvxRotationAngle rho = native ? ra0 : CaptionRotation();
  const Integer ppi = ATab->PaintingPositionIndex();
  const bool pressable = FPainter->Class()->IsTabPressable();
  const bool drawnPressed = pressable && FPainter->IsTabDrawnPressed(v);
  // Margins across the row of the image or the caption.
  auto acrossMargins = [&](bool AImage) {
    TRect m;
    if (AImage)
      FPainter->GetTabImageAreaMargins(v, m);
    else
      FPainter->GetTabTextAreaMargins(v, m);
    if (pressable) {
      if (rho == raMinus90 ? !drawnPressed : drawnPressed) {
        m.top += 1;
        m.bottom -= 1;
      }
    } else if (FRotate) {
      m.top = 0;
      m.bottom = 0;
    }
    if (FPainter->Class()->IsMainTabBoundWithClient() && (ppi == 5 || ppi == 7 || ppi == 10))
      std::swap(m.top, m.bottom);
    return m;
  };
  // An item of the given depth centred across the row between the margins.
  auto across = [&](const TRect& m, Integer ADepth, Integer& AStart, Integer& AEnd) {
    if (rho == ra0) {
      const Integer free = RectHeight(R) - m.top - m.bottom - ADepth;
      AStart = R.top + m.top + free / 2;
      AEnd = AStart + ADepth;
    } else if (rho == raPlus90) {
      const Integer free = RectWidth(R) - m.top - m.bottom - ADepth;
      AStart = R.left + m.top + free / 2;
      AEnd = AStart + ADepth;
    } else {
      const Integer free = RectWidth(R) - m.top - m.bottom - ADepth;
      AEnd = R.right - m.top - free / 2;
      AStart = AEnd - ADepth;
    }
  };
  const SIZE imageSize = FImageList->BaseImageSize();
  const bool hasImages = imageSize.cx > 0;
  const Integer imageIndex = hasImages ? GetTabImageIndex(ATab->Index()) : -1;
  const bool tabHasImage = hasImages && imageIndex >= 0;
  Integer imageAcrossStart = 0, imageAcrossEnd = 0;
  if (tabHasImage)
    across(acrossMargins(true), imageSize.cy, imageAcrossStart, imageAcrossEnd);
  // The image along the row from a position measured in the caption's direction; a turned
  // image keeps its base width along the caption and its height across.
  auto placeImage = [&](Integer APos) {
    if (rho == ra0)
      AImageRect = TRect{R.left + APos, imageAcrossStart, R.left + APos + imageSize.cx, imageAcrossEnd};
    else if (rho == raPlus90)
      AImageRect = TRect{imageAcrossStart, R.bottom - APos - imageSize.cx, imageAcrossEnd, R.bottom - APos};
    else
      AImageRect = TRect{imageAcrossStart, R.top + APos, imageAcrossEnd, R.top + APos + imageSize.cx};
  };
  if (ATab->Caption().empty()) {
    if (!tabHasImage) return;
    TvxPCSizePair side = FPainter->GetTabImageSideOffsets(v);
    const Integer along = rho == ra0 ? RectWidth(R) : RectHeight(R);
    placeImage(side.First + (along - side.First - side.Second - imageSize.cx) / 2);
    return;
  }
  Integer acrossStart, acrossEnd;
  across(acrossMargins(false), Canvas()->TextHeight(L"Zg"), acrossStart, acrossEnd);
  // Along the row.
  TvxPCSizePair pad = FPainter->GetTextPadding(v);
  const Integer along = (rho == ra0) ? RectWidth(R) : RectHeight(R);
  Integer L = along - pad.First - pad.Second;
  const Integer fullWidth = Canvas()->TextWidth(ATab->Caption());
  const Integer imagePart =
      ((hasImages && FRotate) || tabHasImage) ? FPainter->GetImageTextDistance(v) + 2 * FImageBorder + imageSize.cx : 0;
  if (L - imagePart < fullWidth) {
    pad = FPainter->GetCompactTextPadding(v);
    L = along - pad.First - pad.Second;
  }
  // Cutting: the width of the caption with an end ellipsis in the room there is.
  Integer textWidth = 0;
  if (L - imagePart > 0) {
    String copy = ATab->Caption() + String(4, L'\0');
    RECT cr{0, 0, L - imagePart, 0};
    ::DrawTextW(Canvas()->Handle(), copy.data(), static_cast<int>(ATab->Caption().size()), &cr,
                DT_SINGLELINE | DT_CALCRECT | DT_END_ELLIPSIS | DT_MODIFYSTRING);
    const String cut(copy.c_str());
    textWidth = cr.right;
    if (textWidth > L - imagePart || cut == L"&...") textWidth = 0;
  }
  if (imagePart + textWidth <= 0) return;
  const TAlignment mode = (FRotate && FTabWidth <= 0) ? FTabCaptionAlignment : taCenter;
  auto align = [&](Integer a, Integer b) {
    switch (mode) {
      case taLeftJustify: return (a - FMaxTabCaptionWidth) / 2;
      case taRightJustify: return FMaxTabCaptionWidth + (a - FMaxTabCaptionWidth) / 2 - b;
      default: return (a - b) / 2;
    }
  };
  const bool fits = textWidth >= fullWidth || textWidth < L - imagePart;
  Integer pos = pad.First;
  if (fits && !(hasImages && FRotate)) pos += align(L, imagePart + textWidth);
  if (tabHasImage) placeImage(pos + FImageBorder);
  if ((hasImages && FRotate) || tabHasImage) pos += imagePart;
  if (fits && hasImages && FRotate) pos += align(along - pad.Second - pos, textWidth);
  if (textWidth <= 0) return;
  if (rho == ra0)
    ATextRect = TRect{R.left + pos, acrossStart, R.left + pos + textWidth, acrossEnd};
  else if (rho == raPlus90)
    ATextRect = TRect{acrossStart, R.bottom - pos - textWidth, acrossEnd, R.bottom - pos};
  else
    ATextRect = TRect{acrossStart, R.top + pos, acrossEnd, R.top + pos + textWidth};
}

// =======================================================================================
// TvxPCGoDialog

TvxPCGoDialog::TvxPCGoDialog(TvxCustomTabControl* AOwner) : TPopupMenu(AOwner), FTabControl(AOwner) {}

void TvxPCGoDialog::BuildItems(bool ASortItems) {
  TStringList list;
  TvxVisibleTabList* visible = FTabControl->VisibleTabList();
  for (Integer v = 0; v < visible->Count(); ++v) {
    TvxTab* tab = visible->GetTab(v);
    if (tab->RealEnabled()) list.AddObject(vxStripAccelChars(tab->Caption(), false), tab);
  }
  list.SetSorted(ASortItems);
  SetImages(FTabControl->Images());
  Items()->Clear();
  for (Integer i = 0; i < list.Count(); ++i) {
    auto* tab = static_cast<TvxTab*>(list.Objects(i));
    auto* item = new TMenuItem(this);
    item->SetCaption(tab->Caption());
    item->SetTag(tab->Index());
    const bool selected = tab->Index() == FTabControl->TabIndex();
    item->SetChecked(selected);
    item->SetDefault(selected);
    item->SetImageIndex(FTabControl->GetTabImageIndex(tab->Index()));
    item->OnClick = [this](TObject* Sender) { ItemClick(Sender); };
    Items()->Add(item);
  }
}

void TvxPCGoDialog::Popup(bool ASortItems) {
  BuildItems(ASortItems);
  const TRect b = FTabControl->Painter()->GetGoDialogButtonBounds();
  POINT p{b.left, b.bottom};
  if (FTabControl->HandleAllocated()) ClientToScreen(FTabControl->Handle(), &p);
  TPopupMenu::Popup(p.x, p.y);
}

void TvxPCGoDialog::ItemClick(TObject* Sender) {
  if (OnClick) OnClick(static_cast<Integer>(static_cast<TMenuItem*>(Sender)->Tag()));
}

// =======================================================================================
// TvxPageControl

TvxPageControl::TvxPageControl(TComponent* AOwner) : TvxCustomTabControl(AOwner) {}

TvxPageControl::~TvxPageControl() {
  for (TvxTabSheet* page : FPages) {
    page->FPageControl = nullptr;
    page->FTab = nullptr;
  }
  FPages.clear();
}

TWinControl* TvxPageControl::GetPageByIndex(Integer AIndex) {
  return AIndex >= 0 && AIndex < PageCount() ? FPages[AIndex] : nullptr;
}

void TvxPageControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TvxTabSheet* page : FPages) Proc(page);
}

void TvxPageControl::Relayout() {
  TvxCustomTabControl::Relayout();
  if (FActivePage && FActivePage->HandleAllocated()) FActivePage->Invalidate();
}

TComponent* TvxPageControl::ActivePageComponent() const { return FActivePage; }

void TvxPageControl::SetActivePageComponent(TComponent* Value) {
  auto* page = dynamic_cast<TvxTabSheet*>(Value);
  if (IsLoading() && page) {
    // The stored active page: applied as the form loads, without events.
    LockChangeEvents(true);
    struct TUnlock {
      TvxCustomTabControl* C;
      ~TUnlock() { C->LockChangeEvents(false); }
    } unlock{this};
    FActivePage = page;
    FTabIndex = page->FPageControl == this ? page->PageIndex() : -1;
    return;
  }
  SetActivePage(page);
}

void TvxPageControl::DeclarePublished(TPublisher<TvxPageControl>& P) {
  using C = TvxPageControl;
  P.Property(L"ActivePage", &C::ActivePageComponent, &C::SetActivePageComponent);
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"Color", &TControl::Color, &TControl::SetColor).Type(TypeInfoColor());
  P.Property(L"Focusable", &C::Focusable, &C::SetFocusable).Default(true);
  P.Property(L"Font", &TControl::Font, &TControl::SetFont);
  P.Property(L"HideTabs", &C::HideTabs, &C::SetHideTabs).Default(false);
  P.Property(L"HotTrack", &C::HotTrack, &C::SetHotTrack).Default(false);
  P.Property(L"ImageBorder", &C::ImageBorder, &C::SetImageBorder).Default(0);
  P.Property(L"LookAndFeel", &TvxControl::LookAndFeel, &TvxControl::SetLookAndFeel);
  P.Property(L"MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  P.Property(L"NavigatorPosition", &C::NavigatorPosition, &C::SetNavigatorPosition).Default(npRightTop);
  P.Property(L"Options", &C::Options, &C::SetOptions).NoDefault();
  P.Property(L"OwnerDraw", &C::OwnerDraw, &C::SetOwnerDraw).Default(false);
  P.Property(L"RaggedRight", &C::RaggedRight, &C::SetRaggedRight).Default(false);
  P.Property(L"Rotate", &C::Rotate, &C::SetRotate).Default(false);
  P.Property(L"ScrollOpposite", &C::ScrollOpposite, &C::SetScrollOpposite).Default(false);
  P.Property(L"ShowFrame", &C::ShowFrame, &C::SetShowFrame).Default(false);
  P.Property(L"Style", &C::Style, &C::SetStyle).Default(0);
  P.Property(L"TabHeight", &C::TabHeight, &C::SetTabHeight).Default(0);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabPosition", &C::TabPosition, &C::SetTabPosition).Default(tpTop);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"TabWidth", &C::TabWidth, &C::SetTabWidth).Default(0);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

Integer TvxPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TvxPageControl::SetActivePageIndex(Integer Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[Value] : nullptr);
}

void TvxPageControl::SetActivePage(TvxTabSheet* Value) {
  if (FActivePageSetting || IsDestroying() || (Value && Value->FPageControl != this)) return;
  ChangeActivePage(Value);
  if (Value == FActivePage) {
    TValueScope<bool> setting(FActivePageSetting, true);
    LockChangeEvents(true);
    struct TUnlock {
      TvxCustomTabControl* C;
      ~TUnlock() { C->LockChangeEvents(false); }
    } unlock{this};
    SelectTabByIndex(Value && Value->FTabVisible ? Value->PageIndex() : -1);
  }
}

bool TvxPageControl::DoPageChanging(TvxTabSheet* ANewPage) {
  bool allow = true;
  if (FChangeEventLockCount == 0 && !IsLoading() && OnPageChanging) OnPageChanging(this, ANewPage, allow);
  return allow;
}

void TvxPageControl::ChangeActivePage(TvxTabSheet* APage) {
  if (APage == FActivePage || !DoPageChanging(APage)) return;
  TCustomForm* form = GetParentForm(this);
  if (form && FActivePage && FActivePage->ContainsControl(form->ActiveControl())) {
    form->SetActiveControl(FActivePage);
    if (form->ActiveControl() != FActivePage) {
      SelectTabByIndex(FActivePage->FTabVisible ? FActivePage->PageIndex() : -1);
      return;
    }
  }
  TWinControl* focusTo = nullptr;
  if (APage && form && FActivePage && form->ActiveControl() == FActivePage) {
    if (APage->Enabled() && Visible() && Enabled() && Parent() && Parent()->CanFocus())
      focusTo = APage;
    else
      focusTo = this;
  }
  TvxTabSheet* old = FActivePage;
  if (old) old->SetVisible(false);
  if (APage) {
    APage->BringToFront();
    APage->SetVisible(true);
    APage->Invalidate();
  }
  if (form && focusTo) form->SetActiveControl(focusTo);
  FActivePage = APage;
  PageChanged();
  if (form && APage && form->ActiveControl() == APage) APage->SelectNext(nullptr, true, true);
}

bool TvxPageControl::CanChange(Integer ANewTabIndex) {
  bool allow = TvxCustomTabControl::CanChange(ANewTabIndex);
  if (allow && ANewTabIndex != -1 && ANewTabIndex < PageCount()) allow = DoPageChanging(FPages[ANewTabIndex]);
  return allow;
}

void TvxPageControl::Change() {
  LockChangeEvents(true);
  {
    struct TUnlock {
      TvxCustomTabControl* C;
      ~TUnlock() { C->LockChangeEvents(false); }
    } unlock{this};
    UpdateActivePage();
  }
  TvxCustomTabControl::Change();
}

void TvxPageControl::UpdateActivePage() {
  const Integer index = TabIndex();
  ChangeActivePage(index >= 0 && index < PageCount() ? FPages[index] : nullptr);
}

void TvxPageControl::DoClose() {
  TvxTabSheet* page = FActivePage;
  delete page;
  Change();
}

bool TvxPageControl::CanFocusOnClick() {
  if (!TvxCustomTabControl::CanFocusOnClick()) return false;
  POINT p;
  GetCursorPos(&p);
  if (HandleAllocated()) ::ScreenToClient(Handle(), &p);
  return IndexOfTabAt(p.x, p.y) == (FActivePage ? FActivePage->TabIndex() : -1);
}

void TvxPageControl::Loaded() {
  TvxCustomTabControl::Loaded();
  for (TvxTabSheet* page : FPages) RefreshTabFromSheet(page);
  // The active page read from the form was only stored: it is the one shown.
  for (TvxTabSheet* page : FPages) page->SetVisible(page == FActivePage);
  if (FActivePage) FActivePage->BringToFront();
  if (!IsDesigning() && FActivePage && !FActivePage->Enabled()) SetActivePage(nullptr);
}

TvxTabSheet* TvxPageControl::FindNextPage(TvxTabSheet* ACurrentPage, bool AGoForward, bool ACheckTabAccessibility) {
  return FindNextPageEx(ACurrentPage, AGoForward, true, ACheckTabAccessibility);
}

TvxTabSheet* TvxPageControl::FindNextPageEx(TvxTabSheet* ACurrentPage, bool AGoForward, bool ACircular,
                                            bool ACheckTabAccessibility) {
  const Integer n = PageCount();
  if (n == 0) return nullptr;
  auto it = std::find(FPages.begin(), FPages.end(), ACurrentPage);
  Integer i, count;
  if (it == FPages.end()) {
    i = AGoForward ? 0 : n - 1;
    count = n;
  } else {
    i = static_cast<Integer>(it - FPages.begin()) + (AGoForward ? 1 : -1);
    count = n - 1;
  }
  for (Integer k = 0; k < count; ++k) {
    if (i < 0 || i >= n) {
      if (!ACircular) return nullptr;
      i = AGoForward ? 0 : n - 1;
    }
    TvxTabSheet* page = FPages[i];
    if (!ACheckTabAccessibility || (page->FTabVisible && page->Enabled())) return page;
    i += AGoForward ? 1 : -1;
  }
  return nullptr;
}

void TvxPageControl::SelectNextPage(bool AGoForward, bool ACheckTabVisible) {
  TvxTabSheet* page = FindNextPage(FActivePage, AGoForward, ACheckTabVisible);
  if (page && page != FActivePage) SetActivePage(page);
}

void TvxPageControl::InsertPage(TvxTabSheet* APage) {
  if (!HandleAllocated() && Parent()) HandleNeeded();
  {
    TValueScope<bool> inserting(FPageInserting, true);
    FPages.push_back(APage);
    APage->AssignPageControl(this);
    Tabs()->Add(APage->Caption());
  }
  APage->FTab = Tabs()->Tab(PageCount() - 1);
  RefreshTabFromSheet(APage);
}

void TvxPageControl::RemovePage(TvxTabSheet* APage) {
  TvxTabSheet* next = FindNextPageEx(APage, true, false, !IsDesigning());
  if (!next) next = FindNextPageEx(APage, false, false, !IsDesigning());
  auto it = std::find(FPages.begin(), FPages.end(), APage);
  if (it == FPages.end()) return;
  const Integer index = static_cast<Integer>(it - FPages.begin());
  FPages.erase(it);
  APage->FTab = nullptr;
  Tabs()->Delete(index);
  FTabIndex = -1;
  FMainTabVisibleIndex = -1;
  if (FActivePage == APage) FActivePage = nullptr;  // gone: no focus or hiding to do on it
  SetActivePage(next == APage ? nullptr : next);
  APage->AssignPageControl(nullptr);
}

void TvxPageControl::RefreshTabFromSheet(TvxTabSheet* APage) {
  if (IsLoading() || !APage->FTab) return;
  TvxTab* tab = APage->FTab;
  tab->SetCaption(APage->Caption());
  tab->SetEnabled(APage->Enabled());
  tab->SetImageIndex(APage->FImageIndex);
  tab->SetHighlighted(APage->FHighlighted);
  tab->SetVisible(APage->FTabVisible);
  if (APage == FActivePage) {
    LockChangeEvents(true);
    struct TUnlock {
      TvxCustomTabControl* C;
      ~TUnlock() { C->LockChangeEvents(false); }
    } unlock{this};
    SelectTabByIndex(APage->FTabVisible ? APage->PageIndex() : -1);
  }
}

void TvxPageControl::MovePage(TvxTabSheet* APage, Integer ANewIndex) {
  const Integer old = APage->PageIndex();
  FPages.erase(FPages.begin() + old);
  FPages.insert(FPages.begin() + ANewIndex, APage);
  Tabs()->Move(old, ANewIndex);
  for (Integer i = 0; i < PageCount(); ++i) FPages[i]->FTab = Tabs()->Tab(i);
  RefreshTabFromSheet(APage);
  if (FActivePage) {
    LockChangeEvents(true);
    struct TUnlock {
      TvxCustomTabControl* C;
      ~TUnlock() { C->LockChangeEvents(false); }
    } unlock{this};
    FTabIndex = -1;
    SelectTabByIndex(FActivePage->FTabVisible ? FActivePage->PageIndex() : -1);
  }
}

// =======================================================================================
// TvxTabSheet

TvxTabSheet::TvxTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  SetAlign(alClient);
  ControlStyle() = ControlStyle() + TControlStyle{csAcceptsControls, csNoDesignVisible};
  SetVisible(false);
  SetTabStop(false);
}

TvxTabSheet::~TvxTabSheet() {
  if (FPageControl) FPageControl->RemovePage(this);
}

void TvxTabSheet::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TvxTabSheet::AssignPageControl(TvxPageControl* Value) {
  FPageControl = Value;
  TCustomControl::SetParent(Value);
}

void TvxTabSheet::SetParent(TWinControl* AParent) {
  if (AParent && !dynamic_cast<TvxPageControl*>(AParent)) Abort();
  if (AParent == FPageControl && AParent)
    TCustomControl::SetParent(AParent);
  else
    SetPageControl(static_cast<TvxPageControl*>(AParent));
}

void TvxTabSheet::SetPageControl(TvxPageControl* Value) {
  if (Value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  if (Value) {
    Value->InsertPage(this);
    if (!Value->IsLoading() && !Value->FActivePage && FTabVisible) Value->SetActivePage(this);
  }
}

void TvxTabSheet::SetParentComponent(TComponent* Value) {
  // A form stream names the page control as the sheet's parent.
  if (auto* pc = dynamic_cast<TvxPageControl*>(Value)) SetPageControl(pc);
  else TCustomControl::SetParentComponent(Value);
}

void TvxTabSheet::DeclarePublished(TPublisher<TvxTabSheet>& P) {
  using C = TvxTabSheet;
  P.Property(L"Caption", &TControl::Caption, &TControl::SetCaption);
  P.Property(L"Color", &TControl::Color, &TControl::SetColor).Type(TypeInfoColor());
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Font", &TControl::Font, &TControl::SetFont);
  P.Property(L"Highlighted", &C::Highlighted, &C::SetHighlighted).Default(false);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(-1);
  P.Property(L"TabVisible", &C::TabVisible, &C::SetTabVisible).Default(true);
}

Integer TvxTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  auto& pages = FPageControl->FPages;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<Integer>(it - pages.begin());
}

void TvxTabSheet::SetPageIndex(Integer Value) {
  if (!FPageControl) return;
  const Integer count = FPageControl->PageCount();
  // Negative values are refused like values past the end: either would move the page
  // outside the page list.
  if (Value < 0 || Value > count - 1) throw EListError(Format(ResStr(svxPCPageIndexError), {Value, count - 1}));
  if (Value == PageIndex()) return;
  FPageControl->MovePage(this, Value);
}

Integer TvxTabSheet::TabIndex() const { return FTab ? FTab->VisibleIndex() : -1; }

void TvxTabSheet::SetHighlighted(bool Value) {
  if (Value == FHighlighted) return;
  FHighlighted = Value;
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::SetImageIndex(Integer Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::SetTabVisible(bool Value) {
  if (Value == FTabVisible) return;
  FTabVisible = Value;
  if (!FPageControl) return;
  FPageControl->RefreshTabFromSheet(this);
  if (Value && FPageControl->PageCount() == 1 && !FPageControl->FActivePage) FPageControl->SetActivePage(this);
}

void TvxTabSheet::DoHide() {
  if (OnHide) OnHide(this);
}

void TvxTabSheet::DoShow() {
  if (OnShow) OnShow(this);
}

void TvxTabSheet::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (!FPageControl || !FPageControl->Painter()) {
    InheritedMessage(Message.M);
    return;
  }
  HDC dc = Message.DC();
  if (FPageControl->Painter()->IsNativePainting()) {
    FPageControl->Painter()->PaintPageBackground(dc, this);
  } else {
    const int saved = ::SaveDC(dc);
    POINT org;
    ::GetWindowOrgEx(dc, &org);
    ::SetWindowOrgEx(dc, org.x + Left(), org.y + Top(), nullptr);
    FPageControl->EraseBackground(dc);
    ::RestoreDC(dc, saved);
  }
  Message.M.Result = 1;
}

void TvxTabSheet::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::CMTextChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::CMShowingChanged(TMessage& Message) {
  InheritedMessage(Message);
  try {
    if (Showing())
      DoShow();
    else
      DoHide();
  } catch (Exception&) {
    Application->HandleException(this);
  }
}

void TvxTabSheet::CMColorChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (FTab) FTab->Changed(tckLayout);
  Invalidate();
}

const TMessageMap* TvxTabSheet::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxTabSheet::WMEraseBkgnd>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxTabSheet::CMEnabledChanged>},
      {CM_TEXTCHANGED, MessageHandler<&TvxTabSheet::CMTextChanged>},
      {CM_SHOWINGCHANGED, MessageHandler<&TvxTabSheet::CMShowingChanged>},
      {CM_COLORCHANGED, MessageHandler<&TvxTabSheet::CMColorChanged>},
      {CM_PARENTCOLORCHANGED, MessageHandler<&TvxTabSheet::CMColorChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
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
