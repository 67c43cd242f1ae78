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
// Layout

void TvxCustomTabControl::CalculateTabNormalSizes() {
  if (FTabs->Count() == 0) RaiseError(L"TvxCustomTabControl", L"CalculateTabNormalSizes", ResStr(svxPCTabCountEqualsZero));
  FTabs->FTabNormalHeight = FPainter->CalculateTabNormalHeight();
  for (TvxTab* t : FTabs->FTabsItemA)
    t->FTabPosition.TabNormalWidth = t->Visible() ? FPainter->CalculateTabNormalWidth(t) : 0;
}

void TvxCustomTabControl::Relayout() {
  if (IsLoading() || FUpdating || !FPainter || IsDestroying()) return;
  if (FLayoutDeferCount > 0) {
    FLayoutPending = true;
    return;
  }
  TValueScope<bool> updating(FUpdating, true);
  Integer main = FMainTabVisibleIndex;
  if (main >= FVisibleTabList->Count()) main = -1;
  FMainTabVisibleIndex = main;
  FPainter->PrepareLayout();
  if (FMaxRotatedTabWidth > 0) FMaxRotatedTabWidth = std::max(FMaxRotatedTabWidth, FPainter->GetMinTabNormalWidth(-1));
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
  // A limit of at least the narrowest tab shortens the row; one below it is not applied.
  if (FMaxRotatedTabWidth >= 1 && FMaxRotatedTabWidth >= FPainter->GetMinTabNormalWidth(-1) &&
      FMaxRotatedTabWidth < FRowHeight)
    FRowHeight = FMaxRotatedTabWidth;
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
  const TAlignment mode = (FRotate && FTabWidth <= 0 && FMaxRotatedTabWidth <= 0) ? FTabCaptionAlignment : taCenter;
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
