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
    TUpdateScope<TvxTabs> update(this);
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

void TvxTabSlants::DeclarePublished(TPublisher<TvxTabSlants>& P) {
  using C = TvxTabSlants;
  P.Property(L"Kind", &C::Kind, &C::SetKind).Default(skSlant);
  P.Property(L"Positions", &C::Positions, &C::SetPositions).Default(TvxTabSlantPositions{spLeft});
}

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
