// The tree list's style sheet (a named set of tree-list styles that tree lists share) and
// the choice of the custom-draw event for each kind of painted cell.
#include "vxTL.h"
#include "vxTLView.h"

const TvxTreeListCustomDrawCellEvent* TvxCustomTreeList::CustomDrawEvent(Integer ACustomDrawID) const {
  switch (ACustomDrawID) {
    case tlcdDataCell: return &OnCustomDrawDataCell;
    case tlcdPreviewCell: return &OnCustomDrawPreviewCell;
    case tlcdBandCell: return &OnCustomDrawBandCell;
    case tlcdHeaderCell: return &OnCustomDrawHeaderCell;
    case tlcdBandHeaderCell: return &OnCustomDrawBandHeaderCell;
    case tlcdIndentCell: return &OnCustomDrawIndentCell;
    case tlcdIndicatorCell: return &OnCustomDrawIndicatorCell;
    case tlcdBackgroundCell: return &OnCustomDrawBackgroundCell;
    case tlcdFooterCell: return &OnCustomDrawFooterCell;
    default: return nullptr;
  }
}

TvxTreeListStyles* TvxTreeListStyleSheet::Styles() { return static_cast<TvxTreeListStyles*>(TvxCustomStyleSheet::Styles()); }

void TvxTreeListStyleSheet::SetStyles(TvxTreeListStyles* Value) { Styles()->Assign(Value); }

void TvxTreeListStyleSheet::DeclarePublished(TPublisher<TvxTreeListStyleSheet>& P) {
  P.Property(L"Styles", &TvxTreeListStyleSheet::Styles, &TvxTreeListStyleSheet::SetStyles);
}
