// The tree list's customization form owner, its built-in context menus, and the floating
// picture of a text drag.
#include "vxTL.h"
#include "vxTLCustomizing.h"
#include "vxTLPopupMenus.h"
#include "vxTLView.h"

TvxTreeListCustomizing* TvxCustomTreeList::Customizing() {
  if (!FCustomizing) FCustomizing = std::make_unique<TvxTreeListCustomizing>(this);
  return FCustomizing.get();
}

TvxTreeListPopupMenus* TvxCustomTreeList::PopupMenus() {
  if (!FPopupMenus) FPopupMenus = std::make_unique<TvxTreeListPopupMenus>(this);
  return FPopupMenus.get();
}

bool TvxCustomTreeList::ShowPopupMenu(TComponent* APopupMenu, Integer X, Integer Y) {
  if (!FDestroying && PopupMenus()->Popup(X, Y)) return true;
  return TvxExtEditingControl::ShowPopupMenu(APopupMenu, X, Y);
}

String TvxCustomTreeList::GetDragDropText(TvxTreeListNode* ANode) {
  String text;
  if (ANode && VisibleColumnCount() > 0) text = VarToStr(VisibleColumns(0)->GetDisplayValue(ANode, true));
  if (OnGetDragDropText) OnGetDragDropText(this, ANode, text);
  return text;
}

void TvxCustomTreeList::GetDragImageBounds(TRect& R) {
  R = TRect{};
  if (VisibleColumnCount() == 0) return;
  const Integer h = vxTextHeightOfFont(Font(), L"Wg");
  const POINT p = ScreenToClient(vxGetMouseCursorPos());
  R = TRect{p.x, p.y, p.x + VisibleColumns(0)->DisplayWidth(), p.y + h};
  InflateRect(&R, 2, 2);
}

void TvxCustomTreeList::PaintDragImage(TBitmap* ABitmap, TvxCanvas* ACanvas) {
  if (!ABitmap || !ACanvas || VisibleColumnCount() == 0) return;
  TvxTreeListNode* node = FocusedNode();
  TvxViewParams params = FStyles->GetContentParams(node, VisibleColumns(0)->ItemIndex());
  TvxViewParams selection;
  FStyles->GetViewParams(tlsSelection, node, nullptr, selection);
  params.Color = selection.Color;
  params.TextColor = selection.TextColor;
  if (FStyles->IsSelectionTextAssigned(true) && selection.Font) params.Font = selection.Font;
  const TRect r{0, 0, ABitmap->Width(), ABitmap->Height()};
  ACanvas->FillRect(r, params.Color);
  ACanvas->FrameRect(r, params.TextColor);
  if (params.Font) ACanvas->Font()->Assign(params.Font);
  ACanvas->Font()->SetColor(params.TextColor);
  TRect text = r;
  InflateRect(&text, -2, -2);
  ACanvas->DrawTexT(GetDragDropText(node), text, taLeftJustify, vaCenter, false, false);
}
