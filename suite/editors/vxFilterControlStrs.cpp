#include "vxFilterControlStrs.h"

TResStringRec vxSFilterBoolOperatorAnd(L"AND");
TResStringRec vxSFilterBoolOperatorOr(L"OR");
TResStringRec vxSFilterBoolOperatorNotAnd(L"NOT AND");
TResStringRec vxSFilterBoolOperatorNotOr(L"NOT OR");
TResStringRec vxSFilterRootButtonCaption(L"Filter");
TResStringRec vxSFilterAddCondition(L"Add &Condition");
TResStringRec vxSFilterAddGroup(L"Add &Group");
TResStringRec vxSFilterRemoveRow(L"&Remove Row");
TResStringRec vxSFilterClearAll(L"Clear &All");
TResStringRec vxSFilterFooterAddCondition(L"press the button to add a new condition");
TResStringRec vxSFilterGroupCaption(L"applies to the following conditions");
TResStringRec vxSFilterRootGroupCaption(L"<root>");
TResStringRec vxSFilterControlNullString(L"<empty>");
TResStringRec vxSFilterErrorBuilding(L"Can't build filter from source");
TResStringRec vxSFilterDialogCaption(L"Custom Filter");
TResStringRec vxSFilterDialogInvalidValue(L"Invalid value");
TResStringRec vxSFilterDialogUse(L"Use");
TResStringRec vxSFilterDialogSingleCharacter(L"to represent any single character");
TResStringRec vxSFilterDialogCharactersSeries(L"to represent any series of characters");
TResStringRec vxSFilterDialogOperationAnd(L"AND");
TResStringRec vxSFilterDialogOperationOr(L"OR");
TResStringRec vxSFilterDialogRows(L"Show rows where:");
TResStringRec vxSFilterControlDialogCaption(L"Filter builder");
TResStringRec vxSFilterControlDialogNewFile(L"untitled.flt");
TResStringRec vxSFilterControlDialogOpenDialogCaption(L"Open an existing filter");
TResStringRec vxSFilterControlDialogSaveDialogCaption(L"Save the active filter to file");
TResStringRec vxSFilterControlDialogActionSaveCaption(L"&Save As...");
TResStringRec vxSFilterControlDialogActionOpenCaption(L"&Open...");
TResStringRec vxSFilterControlDialogActionApplyCaption(L"&Apply");
TResStringRec vxSFilterControlDialogActionOkCaption(L"OK");
TResStringRec vxSFilterControlDialogActionCancelCaption(L"Cancel");
TResStringRec vxSFilterControlDialogFileExt(L"flt");
TResStringRec vxSFilterControlDialogFileFilter(L"Filters (*.flt)|*.flt");

namespace {

using TEntry = TvdResourceStringEntry;

const TEntry GFilterControlStrsEntries[] = {
    {L"vxSFilterBoolOperatorAnd", &vxSFilterBoolOperatorAnd, L"AND"},
    {L"vxSFilterBoolOperatorOr", &vxSFilterBoolOperatorOr, L"OR"},
    {L"vxSFilterBoolOperatorNotAnd", &vxSFilterBoolOperatorNotAnd, L"NOT AND"},
    {L"vxSFilterBoolOperatorNotOr", &vxSFilterBoolOperatorNotOr, L"NOT OR"},
    {L"vxSFilterRootButtonCaption", &vxSFilterRootButtonCaption, L"Filter"},
    {L"vxSFilterAddCondition", &vxSFilterAddCondition, L"Add &Condition"},
    {L"vxSFilterAddGroup", &vxSFilterAddGroup, L"Add &Group"},
    {L"vxSFilterRemoveRow", &vxSFilterRemoveRow, L"&Remove Row"},
    {L"vxSFilterClearAll", &vxSFilterClearAll, L"Clear &All"},
    {L"vxSFilterFooterAddCondition", &vxSFilterFooterAddCondition, L"press the button to add a new condition"},
    {L"vxSFilterGroupCaption", &vxSFilterGroupCaption, L"applies to the following conditions"},
    {L"vxSFilterRootGroupCaption", &vxSFilterRootGroupCaption, L"<root>"},
    {L"vxSFilterControlNullString", &vxSFilterControlNullString, L"<empty>"},
    {L"vxSFilterErrorBuilding", &vxSFilterErrorBuilding, L"Can't build filter from source"},
    {L"vxSFilterDialogCaption", &vxSFilterDialogCaption, L"Custom Filter"},
    {L"vxSFilterDialogInvalidValue", &vxSFilterDialogInvalidValue, L"Invalid value"},
    {L"vxSFilterDialogUse", &vxSFilterDialogUse, L"Use"},
    {L"vxSFilterDialogSingleCharacter", &vxSFilterDialogSingleCharacter, L"to represent any single character"},
    {L"vxSFilterDialogCharactersSeries", &vxSFilterDialogCharactersSeries, L"to represent any series of characters"},
    {L"vxSFilterDialogOperationAnd", &vxSFilterDialogOperationAnd, L"AND"},
    {L"vxSFilterDialogOperationOr", &vxSFilterDialogOperationOr, L"OR"},
    {L"vxSFilterDialogRows", &vxSFilterDialogRows, L"Show rows where:"},
    {L"vxSFilterControlDialogCaption", &vxSFilterControlDialogCaption, L"Filter builder"},
    {L"vxSFilterControlDialogNewFile", &vxSFilterControlDialogNewFile, L"untitled.flt"},
    {L"vxSFilterControlDialogOpenDialogCaption", &vxSFilterControlDialogOpenDialogCaption, L"Open an existing filter"},
    {L"vxSFilterControlDialogSaveDialogCaption", &vxSFilterControlDialogSaveDialogCaption,
     L"Save the active filter to file"},
    {L"vxSFilterControlDialogActionSaveCaption", &vxSFilterControlDialogActionSaveCaption, L"&Save As..."},
    {L"vxSFilterControlDialogActionOpenCaption", &vxSFilterControlDialogActionOpenCaption, L"&Open..."},
    {L"vxSFilterControlDialogActionApplyCaption", &vxSFilterControlDialogActionApplyCaption, L"&Apply"},
    {L"vxSFilterControlDialogActionOkCaption", &vxSFilterControlDialogActionOkCaption, L"OK"},
    {L"vxSFilterControlDialogActionCancelCaption", &vxSFilterControlDialogActionCancelCaption, L"Cancel"},
    {L"vxSFilterControlDialogFileExt", &vxSFilterControlDialogFileExt, L"flt"},
    {L"vxSFilterControlDialogFileFilter", &vxSFilterControlDialogFileFilter, L"Filters (*.flt)|*.flt"},
};

const wchar_t* const CFilterControlStrsProductName = L"TarvixFilterControl";

void InitFilterControlStrs() { vdRegisterResourceStrings(CFilterControlStrsProductName, GFilterControlStrsEntries); }

void FinFilterControlStrs() { vdUnregisterResourceStrings(CFilterControlStrsProductName, GFilterControlStrsEntries); }

}  // namespace

const TUnitInfo vxFilterControlStrsUnit = {L"vxFilterControlStrs", InitFilterControlStrs, FinFilterControlStrs};
