#include "vxTLStrs.h"

TResStringRec svxIndexOutOfBounds(L"Index %d out of bounds");
TResStringRec svxInvalidStreamFormat(L"Invalid stream format");
TResStringRec svxMultiSelectRequired(L"Multi select required");
TResStringRec svxDesignerCaption(L"TreeListDesigner editing - ");
TResStringRec svxBands(L"Bands...");
TResStringRec svxColumns(L"Columns...");
TResStringRec svxCreateAllItems(L"Create all columns");
TResStringRec svxDeleteAllItems(L"Delete all columns");
TResStringRec svxItems(L"Items editor...");
TResStringRec svxCustomizeCaption(L"Customization");
TResStringRec svxColumnsCaption(L"   Columns   ");
TResStringRec svxBandsCaption(L"    Bands    ");
TResStringRec svxTreeListNoneMenuItem(L"None");
TResStringRec svxTreeListSumMenuItem(L"Sum");
TResStringRec svxTreeListMinMenuItem(L"Min");
TResStringRec svxTreeListMaxMenuItem(L"Max");
TResStringRec svxTreeListCountMenuItem(L"Count");
TResStringRec svxTreeListAvgMenuItem(L"Average");
TResStringRec svxTreeListAllNodesMenuItem(L"All Nodes");
TResStringRec svxTreeListSortAscendingMenuItem(L"&Sort Ascending");
TResStringRec svxTreeListSortDescendingMenuItem(L"S&ort Descending");
TResStringRec svxTreeListClearSortingMenuItem(L"&Clear Sorting");
TResStringRec svxTreeListFooterMenuItem(L"&Footer");
TResStringRec svxTreeListGroupFootersMenuItem(L"&Group Footers");
TResStringRec svxTreeListGroupFootersInvisibleMenuItem(L"&Hidden");
TResStringRec svxTreeListGroupFootersVisibleWhenExpandedMenuItem(L"&Visible When Expanded");
TResStringRec svxTreeListGroupFootersAlwaysVisibleMenuItem(L"&Always Visible");
TResStringRec svxTreeListRemoveThisColumnMenuItem(L"R&emove This Column");
TResStringRec svxTreeListFieldChooserMenuItem(L"F&ield Chooser");
TResStringRec svxTreeListHorizontalAlignmentMenuItem(L"Ho&rizontal Alignment");
TResStringRec svxTreeListHorizontalAlignmentLeftMenuItem(L"&Left");
TResStringRec svxTreeListHorizontalAlignmentCenterMenuItem(L"Ce&nter");
TResStringRec svxTreeListHorizontalAlignmentRightMenuItem(L"&Right");
TResStringRec svxTreeListVerticalAlignmentMenuItem(L"Ver&tical Alignment");
TResStringRec svxTreeListVerticalAlignmentBottomMenuItem(L"&Bottom");
TResStringRec svxTreeListVerticalAlignmentCenterMenuItem(L"Ce&nter");
TResStringRec svxTreeListVerticalAlignmentTopMenuItem(L"&Top");
TResStringRec svxTreeListBestFitMenuItem(L"&Best Fit");
TResStringRec svxTreeListBestFitAllColumnsMenuItem(L"Bes&t Fit (all columns)");
TResStringRec svxOperationNotSupported(L"Operation is not supported");
TResStringRec svxTreeListDeletingFocusedConfirmationText(L"Delete record(s)?");
TResStringRec svxTreeListDeletingConfirmationCaption(L"Confirm");
TResStringRec svxExportNotVisibleControl(L"Control must be visible for export");

TResStringRec svxTreeListColumnNamePrefix(L"TvxTreeList");

namespace {

using TEntry = TvdResourceStringEntry;

const TEntry GTLStrsEntries[] = {
    {L"svxIndexOutOfBounds", &svxIndexOutOfBounds, L"Index %d out of bounds"},
    {L"svxInvalidStreamFormat", &svxInvalidStreamFormat, L"Invalid stream format"},
    {L"svxMultiSelectRequired", &svxMultiSelectRequired, L"Multi select required"},
    {L"svxDesignerCaption", &svxDesignerCaption, L"TreeListDesigner editing - "},
    {L"svxBands", &svxBands, L"Bands..."},
    {L"svxColumns", &svxColumns, L"Columns..."},
    {L"svxCreateAllItems", &svxCreateAllItems, L"Create all columns"},
    {L"svxDeleteAllItems", &svxDeleteAllItems, L"Delete all columns"},
    {L"svxItems", &svxItems, L"Items editor..."},
    {L"svxCustomizeCaption", &svxCustomizeCaption, L"Customization"},
    {L"svxColumnsCaption", &svxColumnsCaption, L"   Columns   "},
    {L"svxBandsCaption", &svxBandsCaption, L"    Bands    "},
    {L"svxTreeListNoneMenuItem", &svxTreeListNoneMenuItem, L"None"},
    {L"svxTreeListSumMenuItem", &svxTreeListSumMenuItem, L"Sum"},
    {L"svxTreeListMinMenuItem", &svxTreeListMinMenuItem, L"Min"},
    {L"svxTreeListMaxMenuItem", &svxTreeListMaxMenuItem, L"Max"},
    {L"svxTreeListCountMenuItem", &svxTreeListCountMenuItem, L"Count"},
    {L"svxTreeListAvgMenuItem", &svxTreeListAvgMenuItem, L"Average"},
    {L"svxTreeListAllNodesMenuItem", &svxTreeListAllNodesMenuItem, L"All Nodes"},
    {L"svxTreeListSortAscendingMenuItem", &svxTreeListSortAscendingMenuItem, L"&Sort Ascending"},
    {L"svxTreeListSortDescendingMenuItem", &svxTreeListSortDescendingMenuItem, L"S&ort Descending"},
    {L"svxTreeListClearSortingMenuItem", &svxTreeListClearSortingMenuItem, L"&Clear Sorting"},
    {L"svxTreeListFooterMenuItem", &svxTreeListFooterMenuItem, L"&Footer"},
    {L"svxTreeListGroupFootersMenuItem", &svxTreeListGroupFootersMenuItem, L"&Group Footers"},
    {L"svxTreeListGroupFootersInvisibleMenuItem", &svxTreeListGroupFootersInvisibleMenuItem, L"&Hidden"},
    {L"svxTreeListGroupFootersVisibleWhenExpandedMenuItem", &svxTreeListGroupFootersVisibleWhenExpandedMenuItem, L"&Visible When Expanded"},
    {L"svxTreeListGroupFootersAlwaysVisibleMenuItem", &svxTreeListGroupFootersAlwaysVisibleMenuItem, L"&Always Visible"},
    {L"svxTreeListRemoveThisColumnMenuItem", &svxTreeListRemoveThisColumnMenuItem, L"R&emove This Column"},
    {L"svxTreeListFieldChooserMenuItem", &svxTreeListFieldChooserMenuItem, L"F&ield Chooser"},
    {L"svxTreeListHorizontalAlignmentMenuItem", &svxTreeListHorizontalAlignmentMenuItem, L"Ho&rizontal Alignment"},
    {L"svxTreeListHorizontalAlignmentLeftMenuItem", &svxTreeListHorizontalAlignmentLeftMenuItem, L"&Left"},
    {L"svxTreeListHorizontalAlignmentCenterMenuItem", &svxTreeListHorizontalAlignmentCenterMenuItem, L"Ce&nter"},
    {L"svxTreeListHorizontalAlignmentRightMenuItem", &svxTreeListHorizontalAlignmentRightMenuItem, L"&Right"},
    {L"svxTreeListVerticalAlignmentMenuItem", &svxTreeListVerticalAlignmentMenuItem, L"Ver&tical Alignment"},
    {L"svxTreeListVerticalAlignmentBottomMenuItem", &svxTreeListVerticalAlignmentBottomMenuItem, L"&Bottom"},
    {L"svxTreeListVerticalAlignmentCenterMenuItem", &svxTreeListVerticalAlignmentCenterMenuItem, L"Ce&nter"},
    {L"svxTreeListVerticalAlignmentTopMenuItem", &svxTreeListVerticalAlignmentTopMenuItem, L"&Top"},
    {L"svxTreeListBestFitMenuItem", &svxTreeListBestFitMenuItem, L"&Best Fit"},
    {L"svxTreeListBestFitAllColumnsMenuItem", &svxTreeListBestFitAllColumnsMenuItem, L"Bes&t Fit (all columns)"},
    {L"svxOperationNotSupported", &svxOperationNotSupported, L"Operation is not supported"},
    {L"svxTreeListDeletingFocusedConfirmationText", &svxTreeListDeletingFocusedConfirmationText, L"Delete record(s)?"},
    {L"svxTreeListDeletingConfirmationCaption", &svxTreeListDeletingConfirmationCaption, L"Confirm"},
    {L"svxExportNotVisibleControl", &svxExportNotVisibleControl, L"Control must be visible for export"},
};

const wchar_t* const CTLStrsProductName = L"TarvixTreeList";

void InitTLStrs() { vdRegisterResourceStrings(CTLStrsProductName, GTLStrsEntries); }

void FinTLStrs() { vdUnregisterResourceStrings(CTLStrsProductName, GTLStrsEntries); }

}  // namespace

const TUnitInfo vxTLStrsUnit = {L"vxTLStrs", InitTLStrs, FinTLStrs};
