#include "vxDropDownEdit.h"

#include <algorithm>

#include "vdCore.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"

namespace {

// Resize state shared by all popup windows: only the window holding the mouse capture
// can be resized, so one set is enough.
Integer SizingHorz = 0;  // -1 left, 0 none, 1 right
Integer SizingVert = 0;  // -1 top, 0 none, 1 bottom
POINT SizingGrab{0, 0};
bool SizingActive = false;
bool SizingCursorSet = false;
TRect SizingLastRect{0, 0, 0, 0};

constexpr Integer ShadowWidth = 3;

bool InRect(const TRect& R, Integer X, Integer Y) { return X >= R.left && X < R.right && Y >= R.top && Y < R.bottom; }
bool IsTopCorner(TvxEditCorner C) { return C == ecoTopLeft || C == ecoTopRight; }
bool IsLeftCorner(TvxEditCorner C) { return C == ecoTopLeft || C == ecoBottomLeft; }
bool IsEmpty(const TRect& R) { return R.right <= R.left || R.bottom <= R.top; }

}  // namespace

TCursor vxEditPopupSizingCursor(Integer AHorz, Integer AVert) {
  if (AHorz != 0 && AVert != 0) return AHorz == AVert ? crSizeNWSE : crSizeNESW;
  if (AHorz != 0) return crSizeWE;
  if (AVert != 0) return crSizeNS;
  return crDefault;
}

// --- View info ---------------------------------------------------------------------------

Integer TvxCustomEditPopupWindowViewInfo::GetClientEdgeWidth() {
  if (!ClientEdge) return 0;
  if (NativeStyle || Painter) return 2;
  static constexpr Integer Widths[] = {0, 2, 2, 1};
  return Widths[BorderStyle];
}

Integer TvxCustomEditPopupWindowViewInfo::GetBorderWidth(bool AIncludeClientEdge) {
  Integer w = -1;
  if (FOnCustomDrawBorder) {
    bool handled = false;
    Integer width = 0;
    FOnCustomDrawBorder(this, nullptr, Bounds, handled, width);
    if (handled) w = width;
  }
  if (w < 0) {
    static constexpr Integer Widths[] = {0, 1, 4, 2};
    w = NativeStyle || Painter ? 1 : Widths[BorderStyle];
  }
  if (AIncludeClientEdge && ClientEdge) w += GetClientEdgeWidth();
  return w;
}

Integer TvxCustomEditPopupWindowViewInfo::BaseSysPanelHeight() {
  return std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
}

Integer TvxCustomEditPopupWindowViewInfo::GetSysPanelHeight() {
  const Integer base = BaseSysPanelHeight();
  return MinSysPanelHeight > 0 && MinSysPanelHeight > base ? MinSysPanelHeight : base;
}

void TvxCustomEditPopupWindowViewInfo::GetBorderExtent(TRect& AExtent) {
  const Integer b = GetBorderWidth(true);
  AExtent = TRect{b, b, b, b};
  if (Shadow) {
    AExtent.right += ShadowWidth;
    AExtent.bottom += ShadowWidth;
  }
  if (SysPanelStyle) {
    SysPanelHeight = GetSysPanelHeight();
    const Integer h = SysPanelHeight + (NativeStyle || BorderStyle == epbsSingle || Painter ? 1 : 0);
    (IsTopCorner(SizeGripCorner) ? AExtent.top : AExtent.bottom) += h;
  } else
    SysPanelHeight = 0;
  SizingOffset = BaseSysPanelHeight();
}

namespace {
constexpr int CWindowCloseButtonPart = 18;  // WP_CLOSEBUTTON of the window theme
}  // namespace

void TvxCustomEditPopupWindowViewInfo::Calculate() {
  TRect extent;
  GetBorderExtent(extent);
  ClientRect = TRect{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
  const Integer b = GetBorderWidth(!SysPanelStyle);
  SizingRegionBounds = TRect{ClientRect.left + b, ClientRect.top + b, ClientRect.right - b, ClientRect.bottom - b};
  if (Shadow) {
    SizingRegionBounds.right -= ShadowWidth;
    SizingRegionBounds.bottom -= ShadowWidth;
  }
  ClientRect.left += extent.left;
  ClientRect.top += extent.top;
  ClientRect.right -= extent.right;
  ClientRect.bottom -= extent.bottom;
  // In the native style the close button is the window theme's, in the button's state.
  HTHEME windowTheme = SysPanelStyle && NativeStyle ? vdOpenThemeByType(totWindow) : nullptr;
  CloseButtonNativeState = windowTheme ? static_cast<Integer>(CloseButtonState) : 0;
  SizeGripRect = SizeGripSizingRect = CloseButtonRect = TRect{0, 0, 0, 0};
  if (!SysPanelStyle) return;
  const TRect& S = SizingRegionBounds;
  const bool left = IsLeftCorner(SizeGripCorner), top = IsTopCorner(SizeGripCorner);
  const Integer base = BaseSysPanelHeight();
  if (Sizeable) {
    const Integer g = base - 2;
    TRect& G = SizeGripSizingRect;
    G.left = left ? S.left : S.right - g;
    G.right = G.left + g;
    G.top = top ? S.top : S.bottom - g;
    G.bottom = G.top + g;
    SizeGripRect = G;
    if (left) SizeGripRect.left += 2; else SizeGripRect.right -= 2;
    if (top) SizeGripRect.top += 2; else SizeGripRect.bottom -= 2;
  }
  if (CloseButton) {
    SIZE size{base - 4, base - 4};
    SIZE themed{};
    if (CloseButtonNativeState != 0 &&
        SUCCEEDED(vdUxTheme::GetThemePartSize(windowTheme, nullptr, CWindowCloseButtonPart, CloseButtonNativeState,
                                              nullptr, TS_TRUE, &themed)) &&
        themed.cx > 0 && themed.cy > 0)
      size = themed;
    // A themed button sits 1 pixel from the side and centred in the panel; the system
    // one 3 pixels from the side and 2 from the panel's outer edge.
    const Integer side = CloseButtonNativeState ? 1 : 3;
    const Integer edge = CloseButtonNativeState ? (SysPanelHeight - size.cy) / 2 : 2;
    TRect& C = CloseButtonRect;
    if (left) {
      C.right = S.right - side;
      C.left = C.right - size.cx;
    } else {
      C.left = S.left + side;
      C.right = C.left + size.cx;
    }
    if (top) {
      C.top = S.top + edge;
      C.bottom = C.top + size.cy;
    } else {
      C.bottom = S.bottom - edge;
      C.top = C.bottom - size.cy;
    }
  }
}

bool TvxCustomEditPopupWindowViewInfo::IsSizingPlace(Integer X, Integer Y) {
  if (!Sizeable || !InRect(Bounds, X, Y)) return false;
  if (InRect(SizingRegionBounds, X, Y) && !InRect(SizeGripSizingRect, X, Y)) return false;
  const bool left = IsLeftCorner(SizeGripCorner), top = IsTopCorner(SizeGripCorner);
  if (InRect(SizeGripSizingRect, X, Y)) {
    SizingHorz = left ? -1 : 1;
    SizingVert = top ? -1 : 1;
    return true;
  }
  SizingHorz = left && X < SizingOffset ? -1 : !left && X >= Bounds.right - SizingOffset ? 1 : 0;
  SizingVert = top && Y < SizingOffset ? -1 : !top && Y >= Bounds.bottom - SizingOffset ? 1 : 0;
  return true;
}

void TvxCustomEditPopupWindowViewInfo::DrawBorder(TvxCanvas* ACanvas, TRect& R) {
  if (FOnCustomDrawBorder) {
    bool handled = false;
    Integer width = 0;
    FOnCustomDrawBorder(this, ACanvas, R, handled, width);
    if (handled) {
      InflateRect(&R, -width, -width);
      return;
    }
  }
  if (NativeStyle && vdOSWinVistaUp) {
    // The list box theme's border (LBCP_BORDER_NOSCROLL, normal).
    if (HTHEME theme = vdOpenThemeByType(totListBox)) {
      RECT r = R;
      vdUxTheme::DrawThemeBackground(theme, ACanvas->Handle(), 3, 3, &r, nullptr);
      InflateRect(&R, -1, -1);
      return;
    }
  }
  if (NativeStyle || Painter || BorderStyle == epbsSingle) {
    ACanvas->FrameRect(R, clBtnText);
    InflateRect(&R, -1, -1);
    return;
  }
  if (BorderStyle == epbsDefault) return;
  // Raised outer and inner edges, then the three-dimensional frame's two inner rings.
  ACanvas->DrawEdge(R, false, true);
  TRect r = R;
  InflateRect(&r, -1, -1);
  ACanvas->DrawEdge(r, false, false);
  if (BorderStyle == epbsFrame3D) {
    InflateRect(&r, -1, -1);
    ACanvas->FrameRect(r, ClientEdge ? clInactiveBorder : clBtnFace);
    InflateRect(&r, -1, -1);
    if (ClientEdge)
      ACanvas->FrameRect(r, clBtnFace);
    else
      ACanvas->DrawEdge(r, true, true);
  }
  InflateRect(&R, -GetBorderWidth(false), -GetBorderWidth(false));
}

void TvxPopupEditPopupWindowViewInfo::DrawBorder(TvxCanvas* ACanvas, TRect& R) {
  if (BorderStyle != epbsFrame3D || NativeStyle || FOnCustomDrawBorder) {
    inherited::DrawBorder(ACanvas, R);
    return;
  }
  ACanvas->DrawEdge(R, false, true);
  TRect r = R;
  InflateRect(&r, -1, -1);
  ACanvas->DrawEdge(r, false, false);
  InflateRect(&r, -1, -1);
  ACanvas->FrameRect(r, clInactiveBorder);
  InflateRect(&r, -1, -1);
  ACanvas->FrameRect(r, clBtnFace);
  InflateRect(&R, -4, -4);
}

void TvxCustomEditPopupWindowViewInfo::DrawSizeGrip(TvxCanvas* ACanvas) {
  const TRect& R = SizeGripRect;
  ACanvas->FillRect(R, clBtnFace);
  const Integer w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
  const bool left = IsLeftCorner(SizeGripCorner), top = IsTopCorner(SizeGripCorner);
  TRect box;
  box.left = left ? R.left : R.right - w;
  box.right = box.left + w;
  box.top = top ? R.top : R.bottom - h;
  box.bottom = box.top + h;
  // The standard bottom-right glyph, mirrored towards the grip's corner.
  HDC dc = ACanvas->Handle();
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  RECT all{0, 0, w, h};
  FillRect(mem, &all, GetSysColorBrush(COLOR_BTNFACE));
  DrawFrameControl(mem, &all, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  SaveDC(dc);
  IntersectClipRect(dc, R.left, R.top, R.right, R.bottom);
  StretchBlt(dc, left ? box.right - 1 : box.left, top ? box.bottom - 1 : box.top, left ? -w : w, top ? -h : h, mem, 0, 0,
             w, h, SRCCOPY);
  RestoreDC(dc, -1);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

void TvxCustomEditPopupWindowViewInfo::DrawCloseButton(TvxCanvas* ACanvas) {
  if (CloseButtonNativeState != 0) {
    if (HTHEME theme = vdOpenThemeByType(totWindow)) {
      CloseButtonNativeState = static_cast<Integer>(CloseButtonState);
      if (vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, CWindowCloseButtonPart, CloseButtonNativeState))
        ACanvas->FillRect(CloseButtonRect, clBtnFace);
      RECT r = CloseButtonRect;
      vdUxTheme::DrawThemeBackground(theme, ACanvas->Handle(), CWindowCloseButtonPart, CloseButtonNativeState, &r,
                                     nullptr);
      return;
    }
  }
  // The close button of the editor's popup look and feel.
  TRect r = CloseButtonRect;
  GetEditButtonPainterClass(NativeStyle, CloseButtonStyle)->DrawFilterCloseButton(ACanvas, r, CloseButtonState);
}

void TvxCustomEditPopupWindowViewInfo::PaintContent(TvxCanvas* ACanvas) {
  TRect R{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
  if (Shadow) {
    R.right -= ShadowWidth;
    R.bottom -= ShadowWidth;
    // The shadow band: dark along the right and bottom, offset by the shadow width.
    ACanvas->FillRect(TRect{R.right, R.top + ShadowWidth, R.right + ShadowWidth, R.bottom + ShadowWidth}, clBtnShadow);
    ACanvas->FillRect(TRect{R.left + ShadowWidth, R.bottom, R.right, R.bottom + ShadowWidth}, clBtnShadow);
  }
  DrawBorder(ACanvas, R);
  const bool top = IsTopCorner(SizeGripCorner);
  const Integer ce = GetClientEdgeWidth();
  if (SysPanelStyle && (BorderStyle == epbsSingle || CloseButtonNativeState != 0)) {
    const Integer y = top ? ClientRect.top - ce - 1 : ClientRect.bottom + ce;
    ACanvas->FillRect(TRect{ClientRect.left - ce, y, ClientRect.right + ce, y + 1}, clBtnText);
  }
  if (ClientEdge) {
    TRect e = R;
    if (SysPanelStyle) {
      const Integer ph = SysPanelHeight + (NativeStyle || BorderStyle == epbsSingle ? 1 : 0);
      (top ? e.top : e.bottom) += top ? ph : -ph;
    }
    ACanvas->DrawEdge(e, true, true);
    if (!(BorderStyle == epbsFlat && !NativeStyle)) {
      InflateRect(&e, -1, -1);
      ACanvas->DrawEdge(e, true, false);
    }
  }
  if (SysPanelStyle) {
    if (Sizeable) {
      DrawSizeGrip(ACanvas);
      ACanvas->ExcludeClipRect(SizeGripRect);
    }
    if (!IsEmpty(CloseButtonRect)) {
      DrawCloseButton(ACanvas);
      ACanvas->ExcludeClipRect(CloseButtonRect);
    }
  }
  ACanvas->FillRect(ClientRect, clBtnFace);
  if (SysPanelStyle) {
    TRect p = R;
    if (top)
      p.bottom = p.top + SysPanelHeight;
    else
      p.top = p.bottom - SysPanelHeight;
    ACanvas->FillRect(p, clBtnFace);
  }
}

// --- Drop-down edit properties -------------------------------------------------------------

TvxCustomDropDownEditProperties::TvxCustomDropDownEditProperties(TPersistent* AOwner,
                                                                 const TvxEditPropertiesParts& AParts)
    : TvxCustomMaskEditProperties(AOwner, AParts) {
  TvxEditButton* b = Buttons()->Add();
  b->SetKind(bkDown);
  FGlyphButtonIndex = 0;
}

TClass TvxCustomDropDownEditProperties::GetContainerClass() { return TvxCustomDropDownEdit::StaticClass(); }

TClass TvxCustomDropDownEditProperties::GetPopupWindowClass() { return TvxCustomEditPopupWindow::StaticClass(); }

TvxCustomEditViewData* TvxCustomDropDownEditProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                       bool APreviewMode) {
  auto* result = new TvxCustomDropDownEditViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TBitmap* TvxCustomDropDownEditProperties::ButtonGlyph() {
  if (FGlyphButtonIndex < 0 || FGlyphButtonIndex >= Buttons()->Count()) return nullptr;
  return Buttons()->Items(FGlyphButtonIndex)->Glyph();
}

void TvxCustomDropDownEditProperties::SetButtonGlyph(TBitmap* Value) {
  if (FGlyphButtonIndex < 0 || FGlyphButtonIndex >= Buttons()->Count()) return;
  TvxEditButton* b = Buttons()->Items(FGlyphButtonIndex);
  b->SetGlyph(Value);
  if (Value && !Value->Empty())
    b->SetKind(bkGlyph);
  else if (b->Kind() == bkGlyph)
    b->SetKind(bkDown);
}

void TvxCustomDropDownEditProperties::SetGlyphButtonIndex(Integer Value) {
  if (Value == FGlyphButtonIndex) return;
  const Integer n = Buttons()->Count();
  TvxEditButton* old = FGlyphButtonIndex >= 0 && FGlyphButtonIndex < n ? Buttons()->Items(FGlyphButtonIndex) : nullptr;
  if (Value >= 0 && Value < n) {
    TvxEditButton* b = Buttons()->Items(Value);
    b->SetGlyph(old && old->HasGlyph() ? old->Glyph() : nullptr);
    b->SetKind(bkGlyph);
  }
  if (old) old->SetGlyph(nullptr);
  FGlyphButtonIndex = Value;
}

TAlignment TvxCustomDropDownEditProperties::PopupAlignment() const {
  switch (FPopupHorzAlignment) {
    case pahRight: return taRightJustify;
    case pahCenter: return taCenter;
    default: return taLeftJustify;
  }
}

void TvxCustomDropDownEditProperties::SetPopupAlignment(TAlignment Value) {
  const TvxPopupAlignHorz a = Value == taRightJustify ? pahRight : Value == taCenter ? pahCenter : pahLeft;
  SetValue(FPopupHorzAlignment, a);
}

void TvxCustomDropDownEditProperties::SetPopupHeight(Integer Value) {
  FPopupHeight = Value < FPopupMinHeight ? FPopupMinHeight : Value;
}

void TvxCustomDropDownEditProperties::SetPopupWidth(Integer Value) {
  if (Value < 0) Value = 0;
  if (Value > 0 && Value < FPopupMinWidth) Value = FPopupMinWidth;
  FPopupWidth = Value;
}

void TvxCustomDropDownEditProperties::SetPopupMinHeight(Integer Value) {
  FPopupMinHeight = std::max<Integer>(Value, 0);
  SetPopupHeight(FPopupHeight);
}

void TvxCustomDropDownEditProperties::SetPopupMinWidth(Integer Value) {
  FPopupMinWidth = std::max<Integer>(Value, 0);
  SetPopupWidth(FPopupWidth);
}

void TvxCustomDropDownEditProperties::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TvxCustomDropDownEditProperties*>(Source);
  if (!s) {
    TvxCustomMaskEditProperties::Assign(Source);
    return;
  }
  TUpdateScope<TvxCustomDropDownEditProperties> update(this);
  TvxCustomMaskEditProperties::Assign(Source);
  const Integer si = s->FGlyphButtonIndex;
  TvxEditButtons* sb = s->Buttons();
  SetButtonGlyph(si >= 0 && si < sb->Count() && sb->Items(si)->HasGlyph() ? sb->Items(si)->Glyph() : nullptr);
  FImmediateDropDown = s->FImmediateDropDown;
  FImmediatePopup = s->FImmediatePopup;
  SetKeepArrowButtonPressedWhenDroppedDown(s->FKeepArrowButtonPressedWhenDroppedDown);
  FPopupAutoSize = s->FPopupAutoSize;
  SetPopupClientEdge(s->FPopupClientEdge);
  FPopupDirection = s->FPopupDirection;
  SetPopupHeight(s->FPopupHeight);
  FPopupHorzAlignment = s->FPopupHorzAlignment;
  SetPopupMinHeight(s->FPopupMinHeight);
  SetPopupMinWidth(s->FPopupMinWidth);
  SetPopupSizeable(s->FPopupSizeable);
  SetPopupSysPanelStyle(s->FPopupSysPanelStyle);
  FPopupVertAlignment = s->FPopupVertAlignment;
  SetPopupWidth(s->FPopupWidth);
  FPostPopupValueOnTab = s->FPostPopupValueOnTab;
  OnClosePopup = s->OnClosePopup;
  OnCloseQuery = s->OnCloseQuery;
  OnCloseUp = s->OnCloseUp;
  OnInitPopup = s->OnInitPopup;
  OnPopup = s->OnPopup;
}

void TvxCustomDropDownEditProperties::FirePropertiesChanged() {
  {
    BeginUpdate();
    TScopeExit end([this] { EndUpdate(false); });
    const Integer i = GetDropDownButtonVisibleIndex();
    if (i >= 0 && i < Buttons()->VisibleCount() && i < Buttons()->Count()) {
      TvxEditButton* b = Buttons()->Items(i);
      const bool hasGlyph = b->HasGlyph() && !b->Glyph()->Empty();
      if (hasGlyph && b->Kind() != bkGlyph)
        b->SetKind(bkGlyph);
      else if (!hasGlyph && b->Kind() == bkGlyph)
        b->SetKind(bkDown);
    }
  }
  TvxCustomMaskEditProperties::FirePropertiesChanged();
}

// --- Drop-down edit view data ---------------------------------------------------------------

namespace {

bool IsVistaOrLater() { return LOBYTE(LOWORD(GetVersion())) >= 6; }

}  // namespace

void TvxCustomDropDownEditViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                              TvxMouseButton Button, TShiftState Shift,
                                              TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  KeepArrowButtonPressedWhenDroppedDown =
      DropDownProperties()->KeepArrowButtonPressedWhenDroppedDown() || (NativeStyle && IsVistaOrLater());
  TvxCustomTextEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* vi = static_cast<TvxCustomTextEditViewInfo*>(AViewInfo);
  const TvxEditEditingStyle style = DropDownProperties()->GetEditingStyle();
  auto* edit = dynamic_cast<TvxCustomTextEdit*>(Edit);
  if (vi->IsInplace ||
      (edit && style == esFixedList && DropDownProperties()->FixedListSelection() && edit->FindSelection()))
    vi->DrawSelectionBar = false;
  else
    vi->DrawSelectionBar = style == esFixedList && vi->Focused && !vi->Transparent && !HasPopupWindow &&
                           !(vi->NativeStyle && IsVistaOrLater());
}

bool TvxCustomDropDownEditViewData::IsButtonPressable(TvxCustomEditViewInfo*, Integer AButtonVisibleIndex) {
  return !(IsHotAndPopup && AButtonVisibleIndex == DropDownProperties()->GetDropDownButtonVisibleIndex());
}

bool TvxCustomDropDownEditViewData::IsButtonPressed(TvxCustomEditViewInfo* AViewInfo, Integer AButtonVisibleIndex) {
  if (TvxCustomTextEditViewData::IsButtonPressed(AViewInfo, AButtonVisibleIndex)) return true;
  if (!Edit || !(HasPopupWindow || IsHotAndPopup)) return false;
  return AButtonVisibleIndex == DropDownProperties()->GetDropDownButtonVisibleIndex() &&
         KeepArrowButtonPressedWhenDroppedDown;
}

Integer TvxCustomDropDownEditViewData::GetEditNativeState(TvxCustomEditViewInfo* AViewInfo) {
  const Integer r = TvxCustomTextEditViewData::GetEditNativeState(AViewInfo);
  if (r != 3 || DropDownProperties()->GetEditingStyle() != esFixedList || HasPopupWindow) return r;
  return AViewInfo->ContainerState.Contains(csHotTrack) ? 2 : 1;
}

// --- Popup controls' look and feel -------------------------------------------------------------

TvxEditPopupControlLookAndFeel::TvxEditPopupControlLookAndFeel(TvxCustomDropDownEdit* AEdit)
    : TvxLookAndFeel(AEdit), FEdit(AEdit) {}

TvxLookAndFeelKind TvxEditPopupControlLookAndFeel::EffectiveKind() { return GetEditButtonsLookAndFeelKind(FEdit); }

bool TvxEditPopupControlLookAndFeel::EffectiveNativeStyle() { return FEdit->ViewInfo()->NativeStyle; }

TvdSkinName TvxEditPopupControlLookAndFeel::EffectiveSkinName() {
  return FEdit->ActiveStyle()->LookAndFeel()->SkinName();
}

void TvxEditPopupControlLookAndFeel::EditStyleChanged() {
  TvxLookAndFeelValues changed;
  if (EffectiveKind() != Kind()) changed.Include(lfvKind);
  if (EffectiveNativeStyle() != NativeStyle()) changed.Include(lfvNativeStyle);
  if (EffectiveSkinName() != SkinName()) changed.Include(lfvSkinName);
  if (!changed.Empty()) MasterChanged(this, changed);
}

// --- Inner edit ------------------------------------------------------------------------------

const TMessageMap* TvxCustomDropDownInnerEdit::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_HINTSHOW, MessageHandler<&TvxCustomDropDownInnerEdit::CMHintShow>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomDropDownInnerEdit::CMHintShow(TMessage& Message) {
  auto* edit = dynamic_cast<TvxCustomDropDownEdit*>(Container());
  Message.Result = edit && edit->DroppedDown() ? 1 : 0;
}

// --- The drop-down edit ------------------------------------------------------------------------

const TMessageMap* TvxCustomDropDownEdit::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_HINTSHOW, MessageHandler<&TvxCustomDropDownEdit::CMHintShow>},
      {VXM_SYNCHRONIZELOOKUPWITHTEXT, MessageHandler<&TvxCustomDropDownEdit::VXMSynchronizeLookupWithText>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxCustomDropDownEdit::TvxCustomDropDownEdit(TComponent* AOwner, bool AIsInplace)
    : TvxCustomMaskEdit(AOwner, AIsInplace) {}

TvxCustomDropDownEdit::~TvxCustomDropDownEdit() {
  if (FLookupData) FLookupData->Deinitialize();
  // A show request still queued is dropped without the close events: the editor is half
  // destroyed here, and its handlers would see an object whose descendant parts are gone.
  RemovePendingShow();
  FPopupInitialized = false;
  if (FPopupWindow) {
    FPopupWindow->OnShowed = nullptr;
    FPopupWindow->OnShowing = nullptr;
    FPopupWindow->OnClosing = nullptr;
    FPopupWindow->OnClosed = nullptr;
    FPopupWindow->OnCloseQuery = nullptr;
  }
  FPopupWindow.reset();
  FPopupControlsLookAndFeel.reset();
}

void TvxCustomDropDownEdit::Initialize() {
  TvxCustomMaskEdit::Initialize();
  if (!IsDesigning()) FPopupWindow = CreatePopupWindow();
  FSendChildrenStyle = true;
  FPopupControlsLookAndFeel = std::make_unique<TvxEditPopupControlLookAndFeel>(this);
  FPopupControlsLookAndFeel->OnChanged = [this](TvxLookAndFeel* Sender, TvxLookAndFeelValues AValues) {
    PopupControlsLookAndFeelChanged(Sender, AValues);
  };
}

TvxCustomEditPopupWindow* TvxCustomDropDownEdit::PopupWindow() {
  if (!FPopupWindow) FPopupWindow = CreatePopupWindow();
  return FPopupWindow.get();
}

std::unique_ptr<TvxCustomEditPopupWindow> TvxCustomDropDownEdit::CreatePopupWindow() {
  TClass cls = ActiveProperties()->GetPopupWindowClass();
  if (!cls || !cls->InheritsFrom(TvxCustomEditPopupWindow::StaticClass()))
    cls = TvxCustomEditPopupWindow::StaticClass();
  std::unique_ptr<TvxCustomEditPopupWindow> w(static_cast<TvxCustomEditPopupWindow*>(cls->NewInstance(this)));
  w->SetCaptureFocus(ActiveProperties()->PopupWindowCapturesFocus());
  w->SetIsTopMost(!IsInplace());
  w->Style()->LookAndFeel()->SetMasterLookAndFeel(ActiveStyle()->LookAndFeel());
  w->OnCloseQuery = [this](TObject* Sender, bool& CanClose) { DoPopupCloseQuery(Sender, CanClose); };
  w->OnClosed = [this](TObject* Sender) { DoClosePopupWindow(Sender); };
  w->OnClosing = [this](TObject* Sender) { DoPopupClosing(Sender); };
  w->OnShowed = [this](TObject* Sender) { DoPopupShowed(Sender); };
  w->OnShowing = [this](TObject* Sender) { DoPopupShowing(Sender); };
  return w;
}

bool TvxCustomDropDownEdit::HasPopupWindow() { return FPopupWindow && FPopupWindow->IsVisible(); }

bool TvxCustomDropDownEdit::Focused() { return TvxCustomMaskEdit::Focused() || HasPopupWindow(); }

bool TvxCustomDropDownEdit::IsShowPending() {
  if (!FPopupWindow || !FPopupWindow->HandleAllocated()) return false;
  MSG m;
  return PeekMessageW(&m, FPopupWindow->Handle(), VXM_SHOWPOPUPWINDOW, VXM_SHOWPOPUPWINDOW, PM_NOREMOVE) != 0;
}

bool TvxCustomDropDownEdit::RemovePendingShow() {
  return FPopupWindow && FPopupWindow->HandleAllocated() &&
         vxRemovePendingMessages(FPopupWindow->Handle(), VXM_SHOWPOPUPWINDOW, VXM_SHOWPOPUPWINDOW);
}

void TvxCustomDropDownEdit::CancelPendingShow() {
  if (RemovePendingShow()) DoClosePopupWindow(FPopupWindow.get());
}

void TvxCustomDropDownEdit::SetDroppedDown(bool Value) {
  if (Value) {
    if (HasPopupWindow() || IsShowPending()) return;
    DropDown();
  } else if (HasPopupWindow()) {
    CloseUp(crUnknown);
  }
}

void TvxCustomDropDownEdit::DropDown() {
  if (!HandleAllocated() || !IsWindowVisible(Handle()) || !PopupWindow()) return;
  InitPopup();
  if (!CanDropDown()) {
    FinalizePopup();
    return;
  }
  UpdatePopupWindow();
  FPopupWindow->HandleNeeded();
  FPopupWindow->SetPendingFocusedControl(GetPopupFocusedControl());
  PostMessageW(FPopupWindow->Handle(), VXM_SHOWPOPUPWINDOW, 0, 0);
}

void TvxCustomDropDownEdit::UpdatePopupWindow() {
  TvxCustomEditPopupWindow* w = PopupWindow();
  w->SetCaptureFocus(ActiveProperties()->PopupWindowCapturesFocus());
  InitializeLookupData();
  SetupPopupWindow();
  TPoint P = w->CalculateLockedBounds();
  w->SetBounds(P.x, P.y, w->Width(), w->Height());
  w->LayOut();
  PositionPopupContent(w->ViewInfo()->ClientRect);
  // Layered windows exist from Windows XP (NT 5.1) on: the popup looks like its form.
  const DWORD v = GetVersion();
  const bool layered = LOBYTE(LOWORD(v)) > 5 || (LOBYTE(LOWORD(v)) == 5 && HIBYTE(LOWORD(v)) >= 1);
  if (TCustomForm* form = GetParentForm(this); form && layered) {
    w->SetAlphaBlend(form->AlphaBlend());
    w->SetAlphaBlendValue(form->AlphaBlendValue());
  }
}

void TvxCustomDropDownEdit::SetupPopupWindow() {
  TvxCustomEditPopupWindow* w = PopupWindow();
  TvxCustomDropDownEditProperties* p = ActiveProperties();
  w->SetOwnerParent(Parent());
  w->SetDirection(p->PopupDirection());
  w->SetAlignHorz(p->PopupHorzAlignment());
  w->SetAlignVert(p->PopupVertAlignment());
  w->SetClientEdge(p->PopupClientEdge());
  w->SetMinHeight(p->PopupMinHeight());
  w->SetMinWidth(p->PopupMinWidth());
  w->SetPopupAutoSize(p->PopupAutoSize());
  w->SetSizeable(p->PopupSizeable());
  w->SetSysPanelStyle(p->PopupSysPanelStyle());
  auto* data = dynamic_cast<TvxCustomDropDownEditData*>(EditData());
  if (IsInplace() && p->PopupSizeable() && data) {
    w->SetPopupWidth(data->Width);
    w->SetPopupHeight(data->Height);
  } else {
    w->SetPopupWidth(p->PopupWidth());
    w->SetPopupHeight(p->PopupHeight());
  }
  w->SetCloseButton(ActiveStyle()->PopupCloseButton());
  CheckViewInfo();
  w->SetBorderStyle(ViewInfo()->PopupBorderStyle);
  w->SetNativeStyle(ViewInfo()->NativeStyle);
  w->SetShadow(ViewInfo()->Shadow);
}

void TvxCustomDropDownEdit::InitPopup() {
  if (FPopupInitialized) return;
  {
    TRollbackScope<bool> initialized(FPopupInitialized, true);
    if (Properties()->OnInitPopup) Properties()->OnInitPopup(this);
    if (RepositoryItem() && ActiveProperties()->OnInitPopup) ActiveProperties()->OnInitPopup(this);
  }
  if (ActiveProperties()->IsLookupDataUsed() && FLookupData) FLookupData->DropDown();
}

void TvxCustomDropDownEdit::FinalizePopup() {
  if (!FPopupInitialized) return;
  FPopupInitialized = false;
  if (ActiveProperties()->IsLookupDataUsed() && FLookupData) FLookupData->CloseUp();
  if (Properties()->OnFinalizePopup) Properties()->OnFinalizePopup(this);
  if (RepositoryItem() && ActiveProperties()->OnFinalizePopup) ActiveProperties()->OnFinalizePopup(this);
}

void TvxCustomDropDownEdit::FirePopup() {
  FCloseUpReason = crUnknown;
  if (Properties()->OnPopup) Properties()->OnPopup(this);
  if (RepositoryItem() && ActiveProperties()->OnPopup) ActiveProperties()->OnPopup(this);
}

void TvxCustomDropDownEdit::DoCloseUp() {
  DoClosePopup(FCloseUpReason);
  if (Properties()->OnCloseUp) Properties()->OnCloseUp(this);
  if (RepositoryItem() && ActiveProperties()->OnCloseUp) ActiveProperties()->OnCloseUp(this);
}

void TvxCustomDropDownEdit::DoPopupCloseQuery(TObject* Sender, bool& CanClose) {
  if (Properties()->OnCloseQuery) Properties()->OnCloseQuery(Sender, CanClose);
  if (RepositoryItem() && ActiveProperties()->OnCloseQuery) ActiveProperties()->OnCloseQuery(Sender, CanClose);
}

bool TvxCustomDropDownEdit::PopupCloseQuery() {
  bool can = true;
  DoPopupCloseQuery(FPopupWindow.get(), can);
  return can;
}

void TvxCustomDropDownEdit::InitializeLookupData() {
  if (FLookupData && !IsDesigning() && ActiveProperties()->IsLookupListInPopup() && PopupWindow())
    FLookupData->Initialize(FPopupWindow.get());
}

void TvxCustomDropDownEdit::PositionPopupContent(const TRect& AClientRect) {
  if (FLookupData) FLookupData->PositionVisualArea(AClientRect);
}

TWinControl* TvxCustomDropDownEdit::GetPopupFocusedControl() {
  if (FLookupData && ActiveProperties()->IsLookupListInPopup() && ActiveProperties()->PopupWindowCapturesFocus())
    if (TWinControl* c = FLookupData->GetActiveControl()) return c;
  return InnerEdit() ? InnerEdit()->GetControl() : nullptr;
}

TRect TvxCustomDropDownEdit::GetPopupOwnerBounds() {
  TRect R;
  if (IsInplace() && !IsRectEmpty(&ContentParams.ExternalBorderBounds))
    R = ContentParams.ExternalBorderBounds;
  else
    R = GetVisibleBounds();
  if (ViewInfo() && ViewInfo()->Shadow) R.right += 3;
  OffsetRect(&R, Left(), Top());
  return R;
}

void TvxCustomDropDownEdit::DoPopupShowed(TObject*) {
  ShortRefreshContainer(false);
  if (FPopupWindow) {
    FPopupWindow->CalculateViewInfo();
    PositionPopupContent(FPopupWindow->ViewInfo()->ClientRect);
  }
  FirePopup();
  UpdateDrawValue();
  TvxCustomDropDownEditProperties* p = ActiveProperties();
  if (p->IsLookupDataUsed() && FLookupData && FindSelection() && p->ImmediateDropDown() &&
      p->PopupWindowCapturesFocus())
    FLookupData->DroppedDown(GetDisplayValueText().substr(0, static_cast<size_t>(std::max<Integer>(SelStart(), 0))));
  FNeedStorePopupSize = false;
}

void TvxCustomDropDownEdit::CloseUp(TvxEditCloseUpReason AReason) {
  if (!HasPopupWindow()) return;
  if (FCloseUpReason == crUnknown) FCloseUpReason = AReason;
  {
    auto events = vxLockChangeEvents(this);
    if (AReason == crTab || AReason == crClose || AReason == crEnter) {
      TvxCustomDropDownEditProperties* p = ActiveProperties();
      if (p->IsLookupDataUsed() && FLookupData) {
        const Integer previous = FLookupData->CurrentKey();
        LockClick(true);
        TScopeExit unlock([this, previous] {
          LockClick(false);
          if (ModifiedAfterEnter() && FLookupData->CurrentKey() != previous) DoClick();
        });
        FLookupData->SelectItem();
      }
      if (!p->PostAfterPopupClosed() && p->ImmediatePost() && CanPostEditValue()) InternalPostEditValue(true);
    }
  }
  if (FPopupWindow) FPopupWindow->CloseUp();
}

void TvxCustomDropDownEdit::DoClosePopupWindow(TObject*) {
  TvxCustomDropDownEditProperties* p = ActiveProperties();
  if (p->PopupSizeable() && FNeedStorePopupSize && FPopupWindow) {
    if (IsInplace()) {
      if (auto* data = dynamic_cast<TvxCustomDropDownEditData*>(EditData())) {
        data->Initialized = true;
        data->Width = FPopupWindow->Width();
        data->Height = FPopupWindow->Height();
      }
    } else {
      Properties()->SetPopupWidth(FPopupWindow->Width());
      Properties()->SetPopupHeight(FPopupWindow->Height());
    }
  }
  FinalizePopup();
  if (p->GetEditingStyle() == esFixedList) ShortRefreshContainer(false);
  DoCloseUp();
  {
    auto events = vxLockChangeEvents(this);
    if (p->PostAfterPopupClosed() && p->ImmediatePost() && CanPostEditValue() && ValidateEdit(true))
      InternalPostEditValue(false);
  }
  ShortRefreshContainer(false);
  if (!HandleAllocated()) FIsHotAndPopup = false;
}

void TvxCustomDropDownEdit::Activate(TvxCustomEditData*& AEditData) {
  TvxCustomMaskEdit::Activate(AEditData);
  auto* data = dynamic_cast<TvxCustomDropDownEditData*>(AEditData);
  FPopupSizeChanged = data && data->Initialized && ActiveProperties()->PopupSizeable();
  if (ActiveProperties()->ImmediatePopup()) SetDroppedDown(true);
}

void TvxCustomDropDownEdit::ActivateByKey(wchar_t Key, TvxCustomEditData*& AEditData) {
  TvxCustomMaskEdit::ActivateByKey(Key, AEditData);
  TvxCustomDropDownEditProperties* p = ActiveProperties();
  if (vxIsNonControlChar(Key) && p->ImmediateDropDown() && !p->ImmediatePopup() && !SendActivationKey(Key))
    SetDroppedDown(true);
  if (!SendActivationKey(Key) && CanDropDown() && GetPopupFocusedControl() && FPopupWindow &&
      FPopupWindow->HandleAllocated())
    PostMessageW(FPopupWindow->Handle(), VXM_FORWARDCHARTOPOPUP, static_cast<WPARAM>(Key), 0);
}

void TvxCustomDropDownEdit::ActivateByMouse(TShiftState Shift, Integer X, Integer Y,
                                            TvxCustomEditData*& AEditData) {
  TValueScope<bool> activating(FIsActivatingByMouse, true);
  TvxCustomMaskEdit::ActivateByMouse(Shift, X, Y, AEditData);
}

bool TvxCustomDropDownEdit::SendActivationKey(wchar_t Key) {
  TvxCustomDropDownEditProperties* p = ActiveProperties();
  return !(p->ImmediateDropDown() && p->PopupWindowCapturesFocus() && Key != L'\r');
}

bool TvxCustomDropDownEdit::Deactivate() {
  if (HasPopupWindow()) CloseUp(crUnknown);
  if (auto* data = dynamic_cast<TvxCustomDropDownEditData*>(EditData())) data->Initialized = FPopupSizeChanged;
  const bool r = TvxCustomMaskEdit::Deactivate();
  CancelPendingShow();
  return r;
}

void TvxCustomDropDownEdit::DestroyWnd() {
  if (FPopupWindow) {
    CloseUp(crUnknown);
    FinalizePopup();
    if (FPopupWindow->HandleAllocated()) FPopupWindow->DestroyHandle();
  }
  TvxCustomMaskEdit::DestroyWnd();
}

void TvxCustomDropDownEdit::CreateHandle() {
  TvxCustomMaskEdit::CreateHandle();
  InitializeLookupData();
}

TvxCustomEditViewData* TvxCustomDropDownEdit::CreateViewData() {
  TvxCustomEditViewData* vd = TvxCustomMaskEdit::CreateViewData();
  if (auto* d = dynamic_cast<TvxCustomDropDownEditViewData*>(vd)) {
    d->HasPopupWindow = HasPopupWindow();
    d->IsHotAndPopup = FIsHotAndPopup;
  }
  return vd;
}

void TvxCustomDropDownEdit::DoButtonDown(Integer AButtonVisibleIndex) {
  TvxCustomMaskEdit::DoButtonDown(AButtonVisibleIndex);
  if (AButtonVisibleIndex == ActiveProperties()->GetDropDownButtonVisibleIndex()) SetDroppedDown(true);
}

void TvxCustomDropDownEdit::InitializeEditData() {
  auto* data = dynamic_cast<TvxCustomDropDownEditData*>(EditData());
  if (!data) return;
  data->Initialized = false;
  data->Width = ActiveProperties()->PopupWidth();
  data->Height = ActiveProperties()->PopupHeight();
}

TvxContainerStyleValues TvxCustomDropDownEdit::GetNotPublishedStyleValues() {
  TvxContainerStyleValues r = TvxCustomMaskEdit::GetNotPublishedStyleValues();
  for (TvxContainerStyleValue v = svButtonStyle; v <= svGradientButtons; ++v) r.Exclude(v);
  return r;
}

void TvxCustomDropDownEdit::PropertiesChanged(TObject* Sender) {
  if (!ActiveProperties()->PopupSizeable()) FPopupSizeChanged = false;
  if (HasPopupWindow()) UpdatePopupWindow();
  TvxCustomMaskEdit::PropertiesChanged(Sender);
}

void TvxCustomDropDownEdit::ContainerStyleChanged(TObject* Sender) {
  if (HandleAllocated()) UpdatePopupLookAndFeel();
  TvxCustomMaskEdit::ContainerStyleChanged(Sender);
}

void TvxCustomDropDownEdit::UpdatePopupLookAndFeel() {
  if (FPopupControlsLookAndFeel && !SkipInnerEditUpdate()) FPopupControlsLookAndFeel->EditStyleChanged();
}

bool TvxCustomDropDownEdit::IsClickKey(Word Key, TShiftState Shift) {
  if (TvxCustomMaskEdit::IsClickKey(Key, Shift)) return true;
  return IsInplace() && HasPopupWindow() &&
         (Shift.Contains(ssAlt) || Shift.Contains(ssCtrl) || vxIsNonCharVirtualKey(Key));
}

bool TvxCustomDropDownEdit::IsInplaceEditing() {
  return TvxCustomMaskEdit::IsInplaceEditing() || (HasPopupWindow() && ActiveProperties()->PostPopupValueOnTab());
}

bool TvxCustomDropDownEdit::CanScrollLookupItems(bool AIsMouseWheel) {
  if (SkipInnerEditUpdate()) return false;
  return !(IsInplace() && InplaceParams.MultiRowParent && !AIsMouseWheel && !HasPopupWindow());
}

void TvxCustomDropDownEdit::ProcessKeyDown(Word& Key, TShiftState Shift) {
  Key = vxTranslateVirtualKey(Key);
  const bool alt = Shift.Contains(ssAlt);
  if (((Key == VK_UP || Key == VK_DOWN) && alt) || (Key == VK_F4 && !alt)) {
    if (HasPopupWindow())
      CloseUp(crClose);
    else
      SetDroppedDown(true);
    Key = 0;
  } else if ((Key == VK_RETURN || Key == VK_ESCAPE) && !alt && HasPopupWindow()) {
    FIsPopupWindowJustClosed = true;
    {
      TValueScope<bool> keyboard(FKeyboardAction, true);
      CloseUp(Key == VK_RETURN && DoEditing() ? crEnter : crCancel);
    }
    if (!HasPopupWindow()) {
      if (Key == VK_ESCAPE) SetCaptureControl(nullptr);
      Key = 0;
    }
  }
  if (Key != 0) TvxCustomMaskEdit::ProcessKeyDown(Key, Shift);
}

void TvxCustomDropDownEdit::ProcessKeyPress(wchar_t& Key) {
  TvxCustomDropDownEditProperties* p = ActiveProperties();
  if (vxIsNonControlChar(Key) && p->ImmediateDropDown() && !HasPopupWindow()) {
    SetDroppedDown(true);
    if (p->PopupWindowCapturesFocus() && Key != L'\r' && CanDropDown() && GetPopupFocusedControl() &&
        FPopupWindow && FPopupWindow->HandleAllocated()) {
      PostMessageW(FPopupWindow->Handle(), VXM_FORWARDCHARTOPOPUP, static_cast<WPARAM>(Key), 0);
      Key = 0;
    }
  }
  if (Key != 0) TvxCustomMaskEdit::ProcessKeyPress(Key);
}

void TvxCustomDropDownEdit::BeforeTabNavigation(TShiftState Shift) {
  if (HasPopupWindow() && ActiveProperties()->PostPopupValueOnTab()) CloseUp(crTab);
  TvxCustomMaskEdit::BeforeTabNavigation(Shift);
}

void TvxCustomDropDownEdit::FocusChanged() {
  if (!ActiveProperties()->PopupWindowCapturesFocus()) {
    TWinControl* inner = InnerEdit() ? InnerEdit()->GetControl() : nullptr;
    const bool innerFocused = inner && inner->HandleAllocated() && GetFocus() == inner->Handle();
    if (!innerFocused) CloseUp(crUnknown);
  }
  TvxCustomMaskEdit::FocusChanged();
}

void TvxCustomDropDownEdit::DoExit() {
  CloseUp(crUnknown);
  FocusChanged();
  TvxCustomMaskEdit::DoExit();
}

void TvxCustomDropDownEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxObjectLink* link = vxAddObjectLink(this);
  TScopeExit unlink([link] { vxRemoveObjectLink(link); });
  TvxCustomMaskEdit::MouseDown(Button, Shift, X, Y);
  if (!link->Ref || FIsActivatingByMouse) return;
  if (ActiveProperties()->DropDownOnClick() && Button == mbLeft &&
      PtInRect(&ViewInfo()->ClientRect, POINT{X, Y}) && !HasPopupWindow() && !FIsHotAndPopup && Focused())
    SetDroppedDown(true);
}

bool TvxCustomDropDownEdit::RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift,
                                              bool AIsMouseEvent) {
  const bool r = TvxCustomMaskEdit::RefreshViewInfoAt(P, AButton, AShift, AIsMouseEvent);
  if (HasPopupWindow() && ViewInfo()->IsButtonReallyPressed && ViewInfo()->PressedButton == -1)
    CloseUp(crUnknown);
  if (AIsMouseEvent && (AButton != vxmbLeft || !AShift.Contains(ssLeft)))
    FIsHotAndPopup = HasPopupWindow() && ViewInfo()->ContainerState.Contains(csHotTrack);
  UpdatePopupLookAndFeel();
  return r;
}

bool TvxCustomDropDownEdit::DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) {
  if (TvxCustomMaskEdit::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (!CanScrollLookupItems(true) || !HasPopupWindow() || !ActiveProperties()->IsLookupDataUsed() || !FLookupData ||
      FLookupData->IsEmpty())
    return false;
  TvxCustomEditListBox* list = FLookupData->GetActiveControl();
  if (list && list->HandleAllocated())
    SendMessageW(list->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(vxShiftToMouseKeys(Shift), static_cast<WORD>(WheelDelta)),
                 MAKELPARAM(MousePos.x, MousePos.y));
  return true;
}

void TvxCustomDropDownEdit::PasteFromClipboard() {
  if (!Focused()) {
    TvxCustomMaskEdit::PasteFromClipboard();
    return;
  }
  bool changed;
  {
    TValueScope<bool> keyboard(FKeyboardAction, true);
    TWinControl* inner = InnerEdit() ? InnerEdit()->GetControl() : nullptr;
    const String before = inner ? inner->Text() : String();
    TvxCustomMaskEdit::PasteFromClipboard();
    changed = inner && inner->Text() != before;
  }
  if (changed && ActiveProperties()->ImmediateDropDown() && !HasPopupWindow()) {
    SetDroppedDown(true);
    if (ActiveProperties()->IsLookupDataUsed() && HandleAllocated())
      PostMessageW(Handle(), VXM_SYNCHRONIZELOOKUPWITHTEXT, 0, 0);
  }
}

void TvxCustomDropDownEdit::VXMSynchronizeLookupWithText(TMessage&) {
  if (!FLookupData) return;
  const Integer previous = FLookupData->CurrentKey();
  {
    LockClick(true);
    TScopeExit unlock([this] { LockClick(false); });
    FLookupData->TextChanged();
  }
  if (FLookupData->CurrentKey() != previous) DoClick();
  switch (ActiveProperties()->GetEditingStyle()) {
    case esEdit:
      SetFindSelection(SelStart() == static_cast<Integer>(Text().size()));
      FLookupData->Find(Text());
      break;
    case esFixedList:
      SetFindSelection(true);
      break;
    default:
      break;
  }
}

void TvxCustomDropDownEdit::CMHintShow(TMessage& Message) {
  TvxCustomMaskEdit::CMHintShow(Message);
  if (DroppedDown()) Message.Result += 1;
}

// --- The popup window ----------------------------------------------------------------------

TvxCustomEditPopupWindow::TvxCustomEditPopupWindow(TWinControl* AOwnerControl)
    : TvxCustomPopupWindow(AOwnerControl), FViewInfo(std::make_unique<TvxCustomEditPopupWindowViewInfo>()) {
  FViewInfo->CloseButtonState = vxbsNormal;
  ControlStyle().Include(csCaptureMouse);
}

TvxCustomEditPopupWindow::~TvxCustomEditPopupWindow() { FSizeFrame.reset(); }

const TMessageMap* TvxCustomEditPopupWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {VXM_FORWARDCHARTOPOPUP, MessageHandler<&TvxCustomEditPopupWindow::VXMForwardChar>},
      {VXM_SHOWPOPUPWINDOW, MessageHandler<&TvxCustomEditPopupWindow::VXMShowPopupWindow>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomEditPopupWindow::Popup(TWinControl* AFocusedControl) {
  if (!OwnerControlShowing()) Edit()->FinalizePopup();
  inherited::Popup(AFocusedControl);
}

void TvxCustomEditPopupWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (Edit()->UsesNativeStyle() && LOBYTE(LOWORD(GetVersion())) >= 6) Params.WindowClass.style |= CS_DROPSHADOW;
}

void TvxCustomEditPopupWindow::AdjustClientRect(RECT& Rect) {
  TRect e;
  FViewInfo->GetClientExtent(e);
  Rect.left += e.left;
  Rect.top += e.top;
  Rect.right -= e.right;
  Rect.bottom -= e.bottom;
}

bool TvxCustomEditPopupWindow::AdjustsToWorkArea() { return Edit()->FitPopupToWorkArea(); }

void TvxCustomEditPopupWindow::SendCharToFocus(WideChar C) {
  if (HWND f = GetFocus()) SendMessageW(f, WM_CHAR, C, 0);
}

void TvxCustomEditPopupWindow::VXMForwardChar(TMessage& Message) {
  if (Visible()) SendCharToFocus(static_cast<WideChar>(Message.WParam));
}

void TvxCustomEditPopupWindow::VXMShowPopupWindow(TMessage&) {
  TWinControl* focused = FPendingFocusedControl;
  FPendingFocusedControl = nullptr;
  Popup(focused);
}

TPoint TvxCustomEditPopupWindow::CalculateLockedBounds() {
  TValueScope<bool> lock(FLockCheckSize, true);
  CalculateSize();
  TPoint P = CalculatePosition();
  CorrectBoundsWithDesktopWorkArea(P);
  return P;
}

void TvxCustomEditPopupWindow::LayOut() {
  SetOwnerBounds(Edit()->GetPopupOwnerBounds());
  CalculateViewInfo();
  Edit()->PositionPopupContent(FViewInfo->ClientRect);
  UpdateShadowRegion();
  if (HandleAllocated()) Invalidate();
}

void TvxCustomEditPopupWindow::CalculateViewInfo() {
  FViewInfo->Bounds = TRect{0, 0, Width(), Height()};
  FViewInfo->Calculate();
  FViewInfo->CloseButtonStyle = Edit()->PopupLookAndFeelKind();
}

void TvxCustomEditPopupWindow::DoClosed() {
  SizingActive = false;
  SizingCursorSet = false;
  inherited::DoClosed();
}

void TvxCustomEditPopupWindow::DoClosing() {
  inherited::DoClosing();
  DrawOutline(TRect{0, 0, 0, 0});
}

void TvxCustomEditPopupWindow::CloseUpByModalResult() {
  const TModalResult r = ModalResult();
  Edit()->CloseUp(r == mrOk ? crEnter : r == mrCancel ? crCancel : crUnknown);
}

void TvxCustomEditPopupWindow::MouseLeave(TControl* AControl) {
  inherited::MouseLeave(AControl);
  if (FViewInfo->CloseButtonState != vxbsNormal) {
    FViewInfo->CloseButtonState = vxbsNormal;
    RepaintCloseButton();
  }
  SetCursor(crDefault);
}

// Escape inside a popup that holds the focus cancels it, as it does in the editor.
void TvxCustomEditPopupWindow::KeyDown(Word& Key, TShiftState Shift) {
  const bool releasesCapture = Key == VK_ESCAPE && HasCapture();
  inherited::KeyDown(Key, Shift);
  if (Key == VK_ESCAPE && !releasesCapture && IsVisible()) {
    Key = 0;
    Edit()->CloseUp(crCancel);
  }
}

void TvxCustomEditPopupWindow::Resize() {
  inherited::Resize();
  if (HandleAllocated()) {
    CalculateViewInfo();
    UpdateShadowRegion();
  }
}

void TvxCustomEditPopupWindow::Paint() {
  CalculateViewInfo();
  FViewInfo->PaintContent(vxCanvas());
}

SIZE TvxCustomEditPopupWindow::MinSize() {
  TRect e;
  FViewInfo->GetClientExtent(e);
  SIZE s{e.left + e.right, e.top + e.bottom};
  if (FSizeable && FSysPanelStyle) {
    FViewInfo->Bounds = TRect{0, 0, Width(), Height()};
    FViewInfo->Calculate();
    const TRect& c = FViewInfo->CloseButtonRect;
    const TRect& g = FViewInfo->SizeGripSizingRect;
    s.cx += (c.right - c.left) + (g.right - g.left) + 10;
  }
  return s;
}

void TvxCustomEditPopupWindow::CalculateSize() {
  FViewInfo->SizeGripCorner = ecoBottomRight;
  SetOwnerBounds(Edit()->GetPopupOwnerBounds());
  SetOwnerParent(Edit()->Parent());
  TRect e;
  FViewInfo->GetClientExtent(e);
  const SIZE ms = MinSize();
  Integer w, h;
  if (FPopupAutoSize) {
    const SIZE pref = Edit()->GetPopupPreferredSize();
    w = e.left + e.right + pref.cx;
    h = e.top + e.bottom + pref.cy;
  } else {
    w = FPopupWidth != 0 ? FPopupWidth : OwnerBounds().right - OwnerBounds().left;
    h = FPopupHeight > 0 ? FPopupHeight : std::max<Integer>(FMinHeight, ms.cy);
  }
  if (FSizeable && FMinWidth > 0) w = std::max(w, FMinWidth);
  if (FSizeable && FMinHeight > 0) h = std::max(h, FMinHeight);
  TValueScope<bool> lock(FLockCheckSize, true);
  SetWidth(std::max<Integer>(w, ms.cx));
  SetHeight(std::max<Integer>(h, ms.cy));
}

TPoint TvxCustomEditPopupWindow::CalculatePosition() {
  SetOwnerBounds(Edit()->GetPopupOwnerBounds());
  TPoint P = inherited::CalculatePosition();
  const TRect O = OwnerScreenBounds();
  RECT W;
  vxGetMonitorWorkArea(P, W);
  const bool toLeft = (AlignHorz() == pahRight && P.x + Width() == O.right && W.left < P.x) ||
                      P.x + Width() == O.left || (P.x + Width() == W.right && P.x < O.right);
  const bool upwards = (AlignVert() == pavBottom && P.y + Height() == O.bottom && W.top < P.y) ||
                       P.y + Height() == O.top || (P.y + Height() == W.bottom && P.y < O.bottom);
  FViewInfo->SizeGripCorner = upwards ? (toLeft ? ecoTopLeft : ecoTopRight) : (toLeft ? ecoBottomLeft : ecoBottomRight);
  if (FShadow && upwards) P.y += ShadowWidth;
  return P;
}

SIZE TvxCustomEditPopupWindow::GetMaxVisualAreaSize() {
  TRect e;
  FViewInfo->GetClientExtent(e);
  TRect O = Edit()->GetPopupOwnerBounds();
  if (Edit()->Parent() && Edit()->Parent()->HandleAllocated() && Edit()->HandleAllocated() &&
      (GetWindowLongW(Edit()->Handle(), GWL_STYLE) & WS_CHILD))
    MapWindowPoints(Edit()->Parent()->Handle(), nullptr, reinterpret_cast<POINT*>(&O), 2);
  RECT W;
  vxGetMonitorWorkArea(POINT{O.left, O.top}, W);
  const Integer s = FShadow ? ShadowWidth : 0;
  SIZE r;
  if (Direction() == pdVertical) {
    r.cx = W.right - W.left;
    r.cy = std::max<Integer>(O.top + s - W.top, W.bottom - O.bottom);
  } else {
    r.cx = std::max<Integer>(O.left + s - W.left, W.right - O.right) + 1;
    r.cy = W.bottom - W.top;
  }
  r.cx -= e.left + e.right;
  r.cy -= e.top + e.bottom;
  return r;
}

bool TvxCustomEditPopupWindow::CanResize(Integer& NewWidth, Integer& NewHeight) {
  if (!FSizeable || FLockCheckSize || (NewWidth == Width() && NewHeight == Height())) return true;
  const SIZE ms = MinSize();
  NewWidth = std::max<Integer>(NewWidth, std::max<Integer>(FMinWidth, ms.cx));
  NewHeight = std::max<Integer>(NewHeight, std::max<Integer>(FMinHeight, ms.cy));
  if (NewWidth == Width() && NewHeight == Height()) return true;
  TvxCustomDropDownEdit* edit = Edit();
  TvxCustomTextEditLookupData* lookup = edit->ILookupData();
  if (!lookup || !edit->ActiveProperties()->IsLookupDataUsed() || !edit->IsLookupListInPopup()) return true;
  TRect e;
  FViewInfo->GetClientExtent(e);
  TSize client{NewWidth - e.left - e.right, NewHeight - e.top - e.bottom};
  const SIZE maxSize = GetMaxVisualAreaSize();
  if (lookup->CanResizeVisualArea(client, maxSize.cy, maxSize.cx)) {
    NewWidth = std::max<Integer>(client.cx + e.left + e.right, ms.cx);
    NewHeight = std::max<Integer>(client.cy + e.top + e.bottom, ms.cy);
  } else {
    NewWidth = Width();
    NewHeight = Height();
  }
  return true;
}

void TvxCustomEditPopupWindow::RepaintCloseButton() {
  if (!HandleAllocated() || IsEmpty(FViewInfo->CloseButtonRect)) return;
  InvalidateRect(Handle(), &FViewInfo->CloseButtonRect, FALSE);
}

void TvxCustomEditPopupWindow::DrawOutline(const TRect& R) {
  if (IsEmpty(R)) {
    FSizeFrame.reset();
    return;
  }
  if (!FSizeFrame) {
    FSizeFrame = std::make_unique<TvxSizeFrame>(std::max<Integer>(FViewInfo->GetBorderWidth(false), 2));
    FSizeFrame->SetPopupParent(this);
    FSizeFrame->Show();
  }
  FSizeFrame->DrawSizeFrame(R);
  SizingLastRect = R;
}

void TvxCustomEditPopupWindow::ApplyBounds(const TRect& R) {
  Edit()->FPopupSizeChanged = true;
  Edit()->FNeedStorePopupSize = true;
  SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
  LayOut();
  Update();
}

void TvxCustomEditPopupWindow::UpdateShadowRegion() {
  if (!HandleAllocated()) return;
  TRect bounds{0, 0, Width(), Height()};
  const bool shadow = FShadow && !FNativeStyle;
  if (shadow) {
    bounds.right -= ShadowWidth;
    bounds.bottom -= ShadowWidth;
  }
  TRect exclude{0, 0, 0, 0};
  if (shadow && IsTopCorner(FViewInfo->SizeGripCorner)) {
    TRect o = OwnerScreenBounds();
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&o), 2);
    exclude = TRect{o.left, Height() - ShadowWidth, o.right - ShadowWidth, Height()};
  }
  vxSetWindowShadowRegion(Handle(), bounds, TRect{0, 0, 0, 0}, exclude, FShadow, FNativeStyle);
}

void TvxCustomEditPopupWindow::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TvxCustomEditPopupWindowViewInfo& vi = *FViewInfo;
  if (InRect(vi.CloseButtonRect, X, Y)) {
    if (vi.CloseButtonState != vxbsPressed) {
      vi.CloseButtonState = vxbsPressed;
      RepaintCloseButton();
    }
    return;
  }
  if (!HasCapture() || !vi.IsSizingPlace(X, Y)) return;
  SizingGrab.x = SizingHorz == -1 ? X : Width() - X;
  SizingGrab.y = SizingVert == -1 ? Y : Height() - Y;
  SizingActive = true;
  SetCursor(vxEditPopupSizingCursor(SizingHorz, SizingVert));
  if (!FShowContentWhileResize) DrawOutline(BoundsRect());
}

void TvxCustomEditPopupWindow::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  TvxCustomEditPopupWindowViewInfo& vi = *FViewInfo;
  if (!SizingActive) {
    const bool over = InRect(vi.CloseButtonRect, X, Y);
    if (vi.CloseButtonState != vxbsNormal && !over) {
      vi.CloseButtonState = vxbsNormal;
      RepaintCloseButton();
    } else if (vi.CloseButtonState == vxbsNormal && over && Shift.Empty()) {
      vi.CloseButtonState = vxbsHot;
      RepaintCloseButton();
    }
    if (vi.IsSizingPlace(X, Y)) {
      SetCursor(vxEditPopupSizingCursor(SizingHorz, SizingVert));
      SizingCursorSet = true;
    } else if (SizingCursorSet) {
      SetCursor(crDefault);
      SizingCursorSet = false;
    }
    return;
  }
  TRect R = BoundsRect();
  const POINT A{SizingHorz == -1 ? SizingGrab.x : Width() - SizingGrab.x,
                SizingVert == -1 ? SizingGrab.y : Height() - SizingGrab.y};
  Integer DX = X - A.x, DY = Y - A.y;
  const TRect& G = vi.SizeGripSizingRect;
  if (!IsEmpty(G)) {
    const bool anchorInGrip = InRect(G, A.x, A.y);
    if (SizingHorz == 1 && DX > 0 && X <= Width() && !(anchorInGrip && X >= G.left && X < G.right)) DX = 0;
    if (SizingVert == 1 && DY > 0 && Y <= Height() && !(anchorInGrip && Y >= G.top && Y < G.bottom)) DY = 0;
  }
  const bool gripLeft = IsLeftCorner(vi.SizeGripCorner), gripTop = IsTopCorner(vi.SizeGripCorner);
  if ((SizingHorz == 1 && gripLeft) || (SizingHorz == -1 && !gripLeft)) DX = 0;
  if ((SizingVert == 1 && gripTop) || (SizingVert == -1 && !gripTop)) DY = 0;
  if (SizingHorz == -1) R.left += DX; else if (SizingHorz == 1) R.right += DX;
  if (SizingVert == -1) R.top += DY; else if (SizingVert == 1) R.bottom += DY;
  Integer w = R.right - R.left, h = R.bottom - R.top;
  if (!CanResize(w, h) || (w == Width() && h == Height())) return;
  R = BoundsRect();
  if (gripLeft) R.left = R.right - w; else R.right = R.left + w;
  if (gripTop) R.top = R.bottom - h; else R.bottom = R.top + h;
  const TRect O = OwnerScreenBounds();
  if (R.left > O.right - 1) OffsetRect(&R, O.right - 1 - R.left, 0);
  if (R.right < O.left + 1) OffsetRect(&R, O.left + 1 - R.right, 0);
  RECT W;
  vxGetMonitorWorkArea(vxGetMouseCursorPos(), W);
  R.left = std::max<Integer>(R.left, W.left);
  R.top = std::max<Integer>(R.top, W.top);
  R.right = std::min<Integer>(R.right, W.right);
  R.bottom = std::min<Integer>(R.bottom, W.bottom);
  const TRect cur = FShowContentWhileResize || !FSizeFrame ? BoundsRect() : SizingLastRect;
  if (EqualRect(&R, &cur)) return;
  if (FShowContentWhileResize)
    ApplyBounds(R);
  else
    DrawOutline(R);
}

void TvxCustomEditPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TvxCustomEditPopupWindowViewInfo& vi = *FViewInfo;
  if (SizingActive) {
    SetMouseCapture(false);
    SizingActive = false;
    const TRect last = SizingLastRect;
    const bool applyLast = !FShowContentWhileResize && FSizeFrame;
    DrawOutline(TRect{0, 0, 0, 0});
    if (applyLast) ApplyBounds(last);
    SetCursor(vi.IsSizingPlace(X, Y) ? vxEditPopupSizingCursor(SizingHorz, SizingVert) : crDefault);
    return;
  }
  if (vi.CloseButtonState == vxbsPressed) {
    if (CloseQuery()) {
      // The editor owns the window, so closing hides it but never frees it here.
      Edit()->CloseUp(crUnknown);
      if (!IsVisible()) return;
    }
    vi.CloseButtonState = vxbsHot;
    RepaintCloseButton();
  }
}

// --- Combo box --------------------------------------------------------------------------------

TvxCustomComboBoxProperties::TvxCustomComboBoxProperties(TPersistent* AOwner)
    : TvxCustomDropDownEditProperties(AOwner) {}

TClass TvxCustomComboBoxProperties::GetContainerClass() { return TvxComboBox::StaticClass(); }

TClass TvxCustomComboBoxProperties::GetPopupWindowClass() { return TvxComboBoxPopupWindow::StaticClass(); }

TvxCustomEditViewData* TvxCustomComboBoxProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* result = new TvxCustomComboBoxViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomComboBoxProperties::CreateViewInfo() { return new TvxCustomComboBoxViewInfo(); }

std::unique_ptr<TvxCustomTextEditLookupData> TvxCustomComboBoxProperties::CreateLookupData(TvxCustomTextEdit* AEdit) {
  return std::make_unique<TvxComboBoxLookupData>(AEdit);
}

TvxEditEditingStyle TvxCustomComboBoxProperties::GetEditingStyle() {
  switch (FDropDownListStyle) {
    case lsEditFixedList: return esEditList;
    case lsFixedList: return esFixedList;
    default: return esEdit;
  }
}

void TvxCustomComboBoxProperties::SetDropDownRows(Integer Value) {
  if (Value < 1) return;
  SetValue(FDropDownRows, Value);
}

void TvxCustomComboBoxProperties::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TvxCustomComboBoxProperties*>(Source);
  if (!s) {
    TvxCustomDropDownEditProperties::Assign(Source);
    return;
  }
  TUpdateScope<TvxCustomComboBoxProperties> update(this);
  TvxCustomDropDownEditProperties::Assign(Source);
  SetDropDownListStyle(s->FDropDownListStyle);
  SetDropDownRows(s->FDropDownRows);
  SetItemHeight(s->FItemHeight);
  FRevertable = s->FRevertable;
  OnDrawItem = s->OnDrawItem;
  OnMeasureItem = s->OnMeasureItem;
}

void TvxComboBoxProperties::DeclarePublished(TPublisher<TvxComboBoxProperties>& P) {
  vxDeclareComboBoxPropertiesPublished(P);
}

void TvxCustomComboBoxViewInfo::Assign(TObject* Source) {
  TvxCustomTextEditViewInfo::Assign(Source);
  if (auto* s = dynamic_cast<TvxCustomComboBoxViewInfo*>(Source)) ItemIndex = s->ItemIndex;
}

void TvxCustomComboBoxViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                          TvxMouseButton Button, TShiftState Shift,
                                          TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TvxCustomDropDownEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* vi = static_cast<TvxCustomComboBoxViewInfo*>(AViewInfo);
  TvxCustomComboBoxProperties* p = ComboProperties();
  vi->ItemIndex = -1;
  vi->IsOwnerDrawing = false;
  if (p->DropDownListStyle() != lsFixedList) return;
  auto* combo = dynamic_cast<TvxCustomComboBox*>(Edit);
  const bool assigned = combo ? combo->IsOnDrawItemAssigned() : static_cast<bool>(p->OnDrawItem);
  if (!assigned) return;
  vi->ItemIndex = combo ? combo->ItemIndex() : p->LookupItems()->IndexOf(vi->Text);
  if (vi->ItemIndex == -1) return;
  vi->IsOwnerDrawing = true;
  const Integer index = vi->ItemIndex;
  vi->CustomDrawHandler = [vi, combo, p, index](TvxCanvas* ACanvas, const TRect& R) {
    const bool bar = vi->DrawSelectionBar;
    ACanvas->SetBrushColor(bar ? clHighlight : vi->BackgroundColor());
    ACanvas->FillRect(R);
    if (vi->Font) ACanvas->SetFont(vi->Font);
    ACanvas->Font()->SetColor(bar ? clHighlightText : vi->TextColor);
    TOwnerDrawState state{odComboBoxEdit};
    if (vi->Focused) {
      state.Include(odSelected);
      state.Include(odFocused);
    }
    if (combo)
      combo->DoDrawItem(ACanvas, index, R, state);
    else if (p->OnDrawItem)
      p->OnDrawItem(nullptr, ACanvas, index, R, state);
  };
}

void TvxComboBoxPopupWindow::CalculateSize() {
  TvxCustomEditPopupWindowViewInfo* vi = ViewInfo();
  vi->SizeGripCorner = ecoBottomRight;
  TvxCustomDropDownEdit* edit = Edit();
  SetOwnerBounds(edit->GetPopupOwnerBounds());
  SetOwnerParent(edit->Parent());
  const SIZE P = edit->GetPopupPreferredSize();
  TRect B;
  vi->GetClientExtent(B);
  const SIZE M = MinSize();
  const Integer ownerWidth = OwnerBounds().right - OwnerBounds().left;
  const bool resized = edit->FPopupSizeChanged && Sizeable();
  Integer w, h;
  if (resized || (!PopupAutoSize() && PopupWidth() > 0))
    w = PopupWidth();
  else if (PopupAutoSize())
    w = std::max<Integer>(ownerWidth, P.cx + B.left + B.right);
  else
    w = ownerWidth;
  if ((resized || PopupHeight() != 0) && (Sizeable() || !PopupAutoSize()))
    h = PopupHeight();
  else
    h = P.cy + B.top + B.bottom;
  if (Sizeable()) {
    w = std::max(w, MinWidth());
    h = std::max(h, MinHeight());
  }
  TValueScope<bool> lock(LockCheckSizeFlag(), true);
  SetWidth(std::max<Integer>(w, M.cx));
  SetHeight(std::max<Integer>(h, M.cy));
}

// The combo box's list.

TvxCustomComboBoxListBox::TvxCustomComboBoxListBox(TComponent* AOwner) : TvxCustomEditListBox(AOwner) {
  SetStyle(lbOwnerDrawVariable);
}

void TvxCustomComboBoxListBox::CreateParams(TCreateParams& Params) {
  TvxCustomEditListBox::CreateParams(Params);
  if (FEdit && FEdit->IsOnDrawItemAssigned()) Params.WindowClass.style |= CS_HREDRAW;
}

Integer TvxCustomComboBoxListBox::GetHeight(Integer ARowCount, Integer) {
  Integer h = 0;
  for (Integer i = 0; i < ARowCount; ++i) h += GetItemHeight(i);
  return h;
}

void TvxCustomComboBoxListBox::MeasureItem(Integer Index, Integer& Height) { Height = GetItemHeight(Index); }

void TvxCustomComboBoxListBox::DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) {
  if (!FEdit || !FEdit->IsOnDrawItemAssigned()) {
    TvxCustomEditListBox::DrawItem(Index, Rect, State);
    return;
  }
  TvxCanvas canvas(Canvas());
  FEdit->DoDrawItem(&canvas, Index, TRect{Rect.left, Rect.top, Rect.right, Rect.bottom}, State);
}

void TvxCustomComboBoxListBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  // The first move after the list was placed under a resting pointer is not the user's.
  if (FEdit && FEdit->PopupMouseMoveLocked()) {
    FEdit->SetPopupMouseMoveLocked(false);
    return;
  }
  TvxCustomEditListBox::MouseMove(Shift, X, Y);
}

const TMessageMap* TvxComboBoxListBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_SIZE, MessageHandler<&TvxComboBoxListBox::WMSize>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

Integer TvxComboBoxListBox::GetItemHeight(Integer AIndex) {
  Integer h = 0;
  const Integer fixed = FEdit ? FEdit->ActiveProperties()->ItemHeight() : 0;
  h = fixed > 0 ? fixed : TvxCustomEditListBox::GetItemHeight(-1);
  if (AIndex >= 0 && FEdit && FEdit->IsOnMeasureItemAssigned()) {
    TvxCanvas canvas(Canvas());
    FEdit->DoMeasureItem(AIndex, &canvas, h);
  }
  return h;
}

void TvxComboBoxListBox::PropertiesChanged() {
  SetItemHeight(GetItemHeight(-1));
  SetStyle(FEdit && FEdit->IsOnMeasureItemAssigned() ? lbOwnerDrawVariable : lbOwnerDrawFixed);
}

void TvxComboBoxListBox::SetItemIndexProgrammatically(Integer Value) {
  if (FEdit) FEdit->SetPopupMouseMoveLocked(true);
  TvxCustomInnerListBox::SetItemIndex(Value);
}

void TvxComboBoxListBox::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxCustomComboBoxListBox::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || !FEdit) return;
  const Integer index = ItemAtPos(POINT{X, Y}, true);
  if (index == -1) return;
  SetCaptureControl(nullptr);
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
  SetItemIndex(index);
  FEdit->CloseUp(crEnter);
}

void TvxComboBoxListBox::WMSize(TMessage& Message) {
  InheritedMessage(Message);
  if (!HandleAllocated() || !FEdit || !FEdit->HasPopupWindow()) return;
  const LONG style = GetWindowLongW(Handle(), GWL_STYLE);
  if ((style & WS_VSCROLL) == 0 || (style & WS_HSCROLL) == 0) return;
  // Both bars leave a corner box: repaint it so it shows the popup's grip side cleanly.
  RECT w;
  GetWindowRect(Handle(), &w);
  const Integer cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
  HRGN rgn = CreateRectRgn(w.right - cx, w.bottom - cy, w.right, w.bottom);
  SendMessageW(Handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(rgn), 0);
  DeleteObject(rgn);
}

// The combo box's lookup.

TvxCustomEditListBox* TvxComboBoxLookupData::CreateListBox(TComponent* AOwner) { return new TvxComboBoxListBox(AOwner); }

void TvxComboBoxLookupData::Initialize(TWinControl* AVisualControlsParent) {
  const bool created = !FList;
  TvxCustomTextEditLookupData::Initialize(AVisualControlsParent);
  if (!FList) return;
  auto* combo = dynamic_cast<TvxCustomComboBox*>(FEdit);
  List()->SetEdit(combo);
  if (created || combo) List()->PropertiesChanged();
}

void TvxComboBoxLookupData::PropertiesChanged() {
  TvxCustomTextEditLookupData::PropertiesChanged();
  if (FList) List()->PropertiesChanged();
}

TSize TvxComboBoxLookupData::GetVisualAreaPreferredSize(Integer AMaxHeight, Integer AWidth) {
  TvxComboBoxListBox* list = List();
  if (!list) return TSize{0, 0};
  auto* p = static_cast<TvxCustomComboBoxProperties*>(FEdit->ActiveProperties());
  const Integer n = GetItemCount();
  const Integer rows = std::min(p->DropDownRows(), n);
  TSize s{0, list->GetHeight(rows, AMaxHeight)};
  Integer widest = 0;
  for (Integer i = 0; i < n; ++i) widest = std::max(widest, list->GetItemWidth(i));
  s.cx = widest + 4;
  list->SetScrollWidth(s.cx);
  if (n > p->DropDownRows() || (AMaxHeight > 0 && AMaxHeight < s.cy)) {
    s.cx += GetSystemMetrics(SM_CXVSCROLL);
    if (AMaxHeight > 0 && s.cy > AMaxHeight) s.cy = AMaxHeight;
  }
  if (AWidth > 0 && AWidth < s.cx) s.cy += GetSystemMetrics(SM_CYHSCROLL);
  return s;
}

bool TvxComboBoxLookupData::CanResizeVisualArea(TSize& ASize, Integer AMaxHeight, Integer AMaxWidth) {
  TvxComboBoxListBox* list = List();
  if (!list) return true;
  const TSize current{list->Width(), list->Height()};
  if (ASize.cx == current.cx && ASize.cy == current.cy) return true;
  const bool growing = ASize.cy > current.cy;
  const Integer n = GetItemCount();
  const Integer vbar = GetSystemMetrics(SM_CXVSCROLL), hbar = GetSystemMetrics(SM_CYHSCROLL);
  Integer widest = 0;
  for (Integer i = 0; i < n; ++i) widest = std::max(widest, list->GetItemWidth(i));
  const Integer scrollWidth = widest + 4;
  Integer sum = 0, height = 0, rows = 0;
  bool hbarAdded = false;
  for (Integer i = 0; i < n; ++i) {
    const Integer rowsLeft = n - (i + 1);
    sum += list->GetItemHeight(i);
    const Integer widthLeft = ASize.cx - (rowsLeft > 0 ? vbar : 0);
    const bool hb = widthLeft < scrollWidth || (AMaxWidth > 0 && widthLeft > AMaxWidth);
    const Integer total = sum + (hb ? hbar : 0);
    const bool pastMax = AMaxHeight > 0 && total > AMaxHeight;
    if (total == ASize.cy && !pastMax) {
      height = total;
      rows = i + 1;
      hbarAdded = hb;
      break;
    }
    if (total > ASize.cy || pastMax) {
      // Snap towards the current size: back one row when growing (or past the maximum),
      // keep the row when shrinking.
      if (!(pastMax || growing) || i == 0) {
        height = total;
        rows = i + 1;
        hbarAdded = hb;
      }
      break;
    }
    height = total;
    rows = i + 1;
    hbarAdded = hb;
  }
  ASize.cy = height;
  if (rows < n) ASize.cx = std::max<Integer>(ASize.cx, hbarAdded ? 2 * vbar : vbar);
  return true;
}

// The combo box's inner edit.

const TMessageMap* TvxCustomComboBoxInnerEdit::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_LBUTTONUP, MessageHandler<&TvxCustomComboBoxInnerEdit::WMLButtonUp>},
      {WM_LBUTTONDBLCLK, MessageHandler<&TvxCustomComboBoxInnerEdit::WMLButtonDblClk>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// The system edit takes no click events, so its double click is handed on here: it steps
// a revertable combo box.
void TvxCustomComboBoxInnerEdit::WMLButtonDblClk(TMessage& Message) {
  InheritedMessage(Message);
  DblClick();
}

void TvxCustomComboBoxInnerEdit::WMLButtonUp(TMessage& Message) {
  ControlState().Exclude(csClicked);
  InheritedMessage(Message);
}

// The combo box.

const TMessageMap* TvxCustomComboBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_LBUTTONUP, MessageHandler<&TvxCustomComboBox::WMLButtonUp>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomComboBox::WMLButtonUp(TMessage& Message) {
  ControlState().Exclude(csClicked);
  InheritedMessage(Message);
}

void TvxCustomComboBox::Initialize() {
  TvxCustomDropDownEdit::Initialize();
  ControlStyle().Exclude(csClickEvents);
}

Integer TvxCustomComboBox::SelectedItem() const {
  TvxComboBoxLookupData* l = GetLookupData();
  return l && l->GetActiveControl() ? l->GetActiveControl()->ItemIndex() : -1;
}

void TvxCustomComboBox::SetSelectedItem(Integer Value) {
  TvxComboBoxLookupData* l = GetLookupData();
  if (l && l->List()) l->List()->SetItemIndexProgrammatically(Value);
}

bool TvxCustomComboBox::CanDropDown() {
  TvxComboBoxLookupData* l = GetLookupData();
  return l && !l->IsEmpty();
}

SIZE TvxCustomComboBox::GetPopupPreferredSize() {
  TvxCustomEditPopupWindow* w = PopupWindow();
  TvxComboBoxLookupData* l = GetLookupData();
  if (!w || !l) return SIZE{0, 0};
  const SIZE A = w->GetMaxVisualAreaSize();
  TvxCustomComboBoxProperties* p = ActiveProperties();
  Integer width = A.cx;
  if (!p->PopupSizeable() && !p->PopupAutoSize()) {
    Integer pw = p->PopupWidth();
    if (pw < 1) {
      const TRect o = GetPopupOwnerBounds();
      pw = o.right - o.left;
    }
    TRect e;
    w->ViewInfo()->GetClientExtent(e);
    width = std::min<Integer>(A.cx, pw - e.left - e.right);
  }
  const TSize s = l->GetVisualAreaPreferredSize(A.cy, width);
  return SIZE{s.cx, s.cy};
}

void TvxCustomComboBox::Activate(TvxCustomEditData*& AEditData) {
  TvxCustomDropDownEdit::Activate(AEditData);
  if (ActiveProperties()->IsLookupDataUsed() && ILookupData()) ILookupData()->TextChanged();
}

void TvxCustomComboBox::DoDrawItem(TvxCanvas* ACanvas, Integer AIndex, const TRect& ARect, TOwnerDrawState AState) {
  if (Properties()->OnDrawItem) Properties()->OnDrawItem(this, ACanvas, AIndex, ARect, AState);
  if (RepositoryItem() && ActiveProperties()->OnDrawItem) ActiveProperties()->OnDrawItem(this, ACanvas, AIndex, ARect, AState);
}

bool TvxCustomComboBox::DoMeasureItem(Integer AIndex, TvxCanvas* ACanvas, Integer& AHeight) {
  if (Properties()->OnMeasureItem) Properties()->OnMeasureItem(this, AIndex, ACanvas, AHeight);
  if (RepositoryItem() && ActiveProperties()->OnMeasureItem)
    ActiveProperties()->OnMeasureItem(this, AIndex, ACanvas, AHeight);
  return IsOnMeasureItemAssigned();
}

bool TvxCustomComboBox::IsOnDrawItemAssigned() {
  return Properties()->OnDrawItem || (RepositoryItem() && ActiveProperties()->OnDrawItem);
}

bool TvxCustomComboBox::IsOnMeasureItemAssigned() {
  return Properties()->OnMeasureItem || (RepositoryItem() && ActiveProperties()->OnMeasureItem);
}

bool TvxCustomComboBox::ShouldSyncLookupWithText() {
  TvxCustomTextEditLookupData* l = ILookupData();
  if (!l || IsEditValueSetting() || FLookupDataTextChangedLockCount > 0) return false;
  if (HasPopupWindow() || IsShowPending()) return true;
  if (ActiveProperties()->GetEditingStyle() != esEdit) return true;
  const Integer key = l->CurrentKey();
  return Focused() && key >= 0 && Text() == l->GetDisplayText(key);
}

void TvxCustomComboBox::ChangeHandler(TObject* Sender) {
  TvxCustomTextEditLookupData* l = ILookupData();
  const Integer previous = l ? l->CurrentKey() : -1;
  {
    auto events = vxLockChangeEvents(this);
    LockClick(true);
    TScopeExit unlock([this] { LockClick(false); });
    TvxCustomDropDownEdit::ChangeHandler(Sender);
    if (l && ShouldSyncLookupWithText()) l->TextChanged();
  }
  if (l && l->CurrentKey() != previous && ActiveProperties()->IncrementalSearch()) DoClick();
}

void TvxCustomComboBox::DblClick() {
  TvxCustomDropDownEdit::DblClick();
  TvxCustomTextEditLookupData* l = ILookupData();
  if (!l || HasPopupWindow() || !ActiveProperties()->Revertable()) return;
  auto events = vxLockChangeEvents(this);
  TValueScope<bool> scrolling(FLookupItemsScrolling, true);
  const Integer previous = l->CurrentKey();
  l->Go(egdNext, true);
  if (l->CurrentKey() != previous && CanPostEditValue() && ActiveProperties()->ImmediatePost() && ValidateEdit(true))
    InternalPostEditValue(false);
}

void TvxCustomComboBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxCustomDropDownEdit::MouseMove(Shift, X, Y);
  TvxComboBoxLookupData* l = GetLookupData();
  if (!l || !l->List() || !HasPopupWindow() || !HandleAllocated() || GetCapture() != Handle()) return;
  // Dragging from the button into the list selects rows.
  POINT p{X, Y};
  ::ClientToScreen(Handle(), &p);
  if (!l->IsMouseOverList(TPoint{p.x, p.y})) return;
  TvxComboBoxListBox* list = l->List();
  ::ScreenToClient(list->Handle(), &p);
  SendMessageW(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

void TvxCustomComboBox::DoPopupShowed(TObject* Sender) {
  TvxCustomDropDownEdit::DoPopupShowed(Sender);
  TvxCustomTextEditLookupData* l = ILookupData();
  if (l && l->IsMouseOverList(vxGetMouseCursorPos())) FPopupMouseMoveLocked = true;
}

void TvxCustomComboBox::SetupPopupWindow() {
  TvxCustomDropDownEdit::SetupPopupWindow();
  PopupWindow()->SetSysPanelStyle(ActiveProperties()->PopupSizeable());
}

void TvxCustomComboBox::UpdatePopupWindow() {
  TvxCustomDropDownEdit::UpdatePopupWindow();
  TvxComboBoxLookupData* l = GetLookupData();
  if (l && l->List() && l->List()->HandleAllocated()) l->List()->Invalidate();
}

void TvxComboBox::DeclarePublished(TPublisher<TvxComboBox>& P) {
  using C = TvxComboBox;
  P.Property(L"Properties", &C::Properties, [](C* E, TvxComboBoxProperties* V) { E->SetProperties(V); });
}

bool TvxComboBox::SupportsSpelling() {
  return Properties()->DropDownListStyle() == lsEditList && InternalSupportsSpelling();
}


// --- Popup edit -----------------------------------------------------------------------------------

TvxCustomPopupEditProperties::TvxCustomPopupEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts)
    : TvxCustomDropDownEditProperties(AOwner, AParts) {
  SetPopupAutoSize(true);
  SetPopupMinHeight(100);
  SetPopupMinWidth(100);
  SetPopupHeight(200);
  SetPopupSizeable(true);
  SetPopupWidth(250);
}

TvxCustomPopupEditProperties::~TvxCustomPopupEditProperties() {
  if (FPopupControl && FreeNotificator()) FreeNotificator()->RemoveSender(FPopupControl);
}

TClass TvxCustomPopupEditProperties::GetContainerClass() { return TvxPopupEdit::StaticClass(); }

TClass TvxCustomPopupEditProperties::GetPopupWindowClass() { return TvxPopupEditPopupWindow::StaticClass(); }

void TvxCustomPopupEditProperties::SetPopupControl(TControl* Value) {
  if (Value == FPopupControl) return;
  if (FPopupControl) FreeNotificator()->RemoveSender(FPopupControl);
  FPopupControl = Value;
  if (FPopupControl) FreeNotificator()->AddSender(FPopupControl);
}

void TvxCustomPopupEditProperties::DoFreeNotification(TComponent* AComponent) {
  TvxCustomDropDownEditProperties::DoFreeNotification(AComponent);
  if (AComponent == FPopupControl) FPopupControl = nullptr;
}

void TvxCustomPopupEditProperties::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TvxCustomPopupEditProperties*>(Source);
  if (!s) {
    TvxCustomDropDownEditProperties::Assign(Source);
    return;
  }
  TUpdateScope<TvxCustomPopupEditProperties> update(this);
  TvxCustomDropDownEditProperties::Assign(Source);
  SetPopupControl(s->FPopupControl);
}

TvxPopupEditProperties::TvxPopupEditProperties(TPersistent* AOwner) : TvxCustomPopupEditProperties(AOwner) {
  SetImmediateDropDown(true);
  SetImmediatePopup(true);
}

void TvxPopupEditProperties::DeclarePublished(TPublisher<TvxPopupEditProperties>& P) {
  using C = TvxPopupEditProperties;
  P.Property(L"AssignedValues", &C::AssignedValues,
             [](C* E, TvxTextEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"CharCase", &C::CharCase, &C::SetCharCase).Default(ecNormal);
  P.Property(L"EchoMode", &C::EchoMode, &C::SetEchoMode).Default(eemNormal);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"ImeMode", &C::ImeMode, &C::SetImeMode).Default(imDontCare);
  P.Property(L"ImeName", &C::ImeName, &C::SetImeName).Stored([](C* E) { return !E->ImeName().empty(); });
  P.Property(L"ImmediateDropDown", &C::ImmediateDropDown, &C::SetImmediateDropDown).Default(true);
  P.Property(L"ImmediatePopup", &C::ImmediatePopup, &C::SetImmediatePopup).Default(true);
  P.Property(L"IncrementalSearch", &C::IncrementalSearch, &C::SetIncrementalSearch).Default(true);
  P.Property(L"LookupItems", &C::LookupItems, [](C* E, TStringList* V) { E->SetLookupItems(V); });
  P.Property(L"LookupItemsSorted", &C::LookupItemsSorted, &C::SetLookupItemsSorted).Default(false);
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Stored([](C* E) {
    return E->AssignedValues()->MaxLength();
  });
  P.Property(L"OEMConvert", &C::OEMConvert, &C::SetOEMConvert).Default(false);
  P.Property(L"PasswordChar", &C::PasswordChar, &C::SetPasswordChar).Default(0);
  P.Property(L"PopupAlignment", &C::PopupAlignment, &C::SetPopupAlignment).Default(taLeftJustify);
  P.Property(L"PopupAutoSize", &C::PopupAutoSize, &C::SetPopupAutoSize).Default(true);
  P.Property(L"PopupClientEdge", &C::PopupClientEdge, &C::SetPopupClientEdge).Default(false);
  P.Property(L"PopupHeight", &C::PopupHeight, &C::SetPopupHeight).Default(200);
  P.Property(L"PopupMinHeight", &C::PopupMinHeight, &C::SetPopupMinHeight).Default(100);
  P.Property(L"PopupMinWidth", &C::PopupMinWidth, &C::SetPopupMinWidth).Default(100);
  P.Property(L"PopupSizeable", &C::PopupSizeable, &C::SetPopupSizeable).Default(true);
  P.Property(L"PopupSysPanelStyle", &C::PopupSysPanelStyle, &C::SetPopupSysPanelStyle).Default(false);
  P.Property(L"PopupWidth", &C::PopupWidth, &C::SetPopupWidth).Default(250);
}

TvxPopupEditPopupWindow::TvxPopupEditPopupWindow(TWinControl* AOwnerControl)
    : TvxCustomEditPopupWindow(AOwnerControl) {
  SetViewInfo(std::make_unique<TvxPopupEditPopupWindowViewInfo>());
}

TvxCustomPopupEdit::~TvxCustomPopupEdit() {
  if (FPopupWindow && FPopupWindow->IsVisible()) RestorePopupControl();
}

void TvxCustomPopupEdit::InitPopup() {
  TControl* c = ActiveProperties()->PopupControl();
  if (c) {
    bool circular = c == FPopupWindow.get() || c == this;
    for (TWinControl* p = Parent(); p && !circular; p = p->Parent()) circular = c == p;
    if (circular) throw EvxEditError(vxGetResString(&vxSEditPopupCircularReferencingError));
  }
  TvxCustomDropDownEdit::InitPopup();
}

SIZE TvxCustomPopupEdit::GetPopupPreferredSize() {
  TControl* c = ActiveProperties()->PopupControl();
  return c ? SIZE{c->Width(), c->Height()} : SIZE{0, 0};
}

TWinControl* TvxCustomPopupEdit::GetPopupFocusedControl() {
  return dynamic_cast<TWinControl*>(ActiveProperties()->PopupControl());
}

void TvxCustomPopupEdit::PositionPopupContent(const TRect& AClientRect) {
  if (TControl* c = ActiveProperties()->PopupControl())
    c->SetBounds(AClientRect.left, AClientRect.top, AClientRect.right - AClientRect.left,
                 AClientRect.bottom - AClientRect.top);
}

void TvxCustomPopupEdit::SavePopupControlState() {
  TControl* c = ActiveProperties()->PopupControl();
  FSavedPopupControl = c;
  if (!c) return;
  TvxPrevPopupControlData& d = FPrevPopupControlData;
  d.Align = c->Align();
  if (auto* form = dynamic_cast<TCustomForm*>(c)) {
    d.BorderStyle = form->BorderStyle();
    form->SetBorderStyle(bsNone);
  }
  d.Bounds = c->BoundsRect();
  d.Parent = c->Parent();
  d.Visible = c->Visible();
}

void TvxCustomPopupEdit::RestorePopupControl() {
  TControl* c = FSavedPopupControl;
  FSavedPopupControl = nullptr;
  // A control freed or replaced meanwhile is not touched.
  if (!c || c != ActiveProperties()->PopupControl()) return;
  const TvxPrevPopupControlData& d = FPrevPopupControlData;
  c->SetVisible(false);
  c->SetParent(d.Parent);
  c->SetAlign(d.Align);
  c->SetBoundsRect(d.Bounds);
  if (auto* form = dynamic_cast<TCustomForm*>(c)) form->SetBorderStyle(d.BorderStyle);
  c->SetVisible(d.Visible);
}

void TvxCustomPopupEdit::UpdatePopupWindow() {
  TControl* c = ActiveProperties()->PopupControl();
  if (c && FSavedPopupControl != c) {
    SavePopupControlState();
    c->SetParent(PopupWindow());
    c->SetVisible(true);
  }
  TvxCustomDropDownEdit::UpdatePopupWindow();
  if (c) c->SetAlign(alClient);
}

void TvxCustomPopupEdit::DoClosePopupWindow(TObject* Sender) {
  RestorePopupControl();
  TvxCustomDropDownEdit::DoClosePopupWindow(Sender);
}

void TvxCustomPopupEdit::ClosePopupWithReason(TvxEditCloseUpReason AReason) {
  if (FCloseUpReason == crUnknown) FCloseUpReason = AReason;
  if (FPopupWindow) FPopupWindow->ClosePopup();
}

void TvxPopupEdit::DeclarePublished(TPublisher<TvxPopupEdit>& P) {
  using C = TvxPopupEdit;
  P.Property(L"Properties", &C::Properties, [](C* E, TvxPopupEditProperties* V) { E->SetProperties(V); });
}

// --- Filter helpers and start-up ----------------------------------------------------------------

TvxFilterControlOperators vxFixedListFilterOperators(bool AExtendedSet) {
  TvxFilterControlOperators r{fcoEqual, fcoNotEqual, fcoBlanks, fcoNonBlanks};
  if (AExtendedSet) {
    r.Include(fcoInList);
    r.Include(fcoNotInList);
  }
  return r;
}

void TvxFilterComboBoxHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                   TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  TvxFilterDropDownEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* p = dynamic_cast<TvxCustomComboBoxProperties*>(AProperties);
  if (!p) return;
  p->SetButtonGlyph(nullptr);
  p->SetDropDownRows(8);
  p->SetDropDownListStyle(lsEditList);
  p->SetImmediateDropDown(false);
  p->SetPopupAlignment(taLeftJustify);
  p->SetRevertable(false);
}

namespace {

void InitDropDownEdit() {
  GetEditPropertiesRegistry()->Register(TvxComboBoxProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryComboBoxItem));
  GetFilterEditsController()->Register(TvxComboBoxProperties::StaticClass(), TvxFilterComboBoxHelper::Class());
  GetEditPropertiesRegistry()->Register(TvxPopupEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryPopupItem));
}

void FinDropDownEdit() {
  GetFilterEditsController()->Unregister(TvxComboBoxProperties::StaticClass(), TvxFilterComboBoxHelper::Class());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) {
    r->Unregister(TvxPopupEditProperties::StaticClass());
    r->Unregister(TvxComboBoxProperties::StaticClass());
  }
}

}  // namespace

const TUnitInfo vxDropDownEditUnit = {L"vxDropDownEdit", InitDropDownEdit, FinDropDownEdit};
