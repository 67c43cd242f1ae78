#include "vxDataConsts.h"

namespace {

using TEntry = TvdResourceStringEntry;

}  // namespace

TResStringRec vxSDataReadError(L"Stream read error");
TResStringRec vxSDataWriteError(L"Stream write error");
TResStringRec vxSDataItemExistError(L"Item already exists");
TResStringRec vxSDataRecordIndexError(L"RecordIndex out of range");
TResStringRec vxSDataItemIndexError(L"ItemIndex out of range");
TResStringRec vxSDataProviderModeError(L"This operation is not supported in provider mode");
TResStringRec vxSDataInvalidStreamFormat(L"Invalid stream format");
TResStringRec vxSDataRowIndexError(L"RowIndex out of range");
TResStringRec vxSDataCustomDataSourceInvalidCompare(L"GetInfoForCompare not implemented");
TResStringRec vxSDBDetailFilterControllerNotFound(L"DetailFilterController not found");
TResStringRec vxSDBNotInGridMode(L"DataController not in GridMode");
TResStringRec vxSDBKeyFieldNotFound(L"Key Field not found");

namespace {

const TEntry GDataConstsEntries[] = {
    {L"vxSDataReadError", &vxSDataReadError, L"Stream read error"},
    {L"vxSDataWriteError", &vxSDataWriteError, L"Stream write error"},
    {L"vxSDataItemExistError", &vxSDataItemExistError, L"Item already exists"},
    {L"vxSDataRecordIndexError", &vxSDataRecordIndexError, L"RecordIndex out of range"},
    {L"vxSDataItemIndexError", &vxSDataItemIndexError, L"ItemIndex out of range"},
    {L"vxSDataProviderModeError", &vxSDataProviderModeError, L"This operation is not supported in provider mode"},
    {L"vxSDataInvalidStreamFormat", &vxSDataInvalidStreamFormat, L"Invalid stream format"},
    {L"vxSDataRowIndexError", &vxSDataRowIndexError, L"RowIndex out of range"},
    {L"vxSDataCustomDataSourceInvalidCompare", &vxSDataCustomDataSourceInvalidCompare,
     L"GetInfoForCompare not implemented"},
    {L"vxSDBDetailFilterControllerNotFound", &vxSDBDetailFilterControllerNotFound,
     L"DetailFilterController not found"},
    {L"vxSDBNotInGridMode", &vxSDBNotInGridMode, L"DataController not in GridMode"},
    {L"vxSDBKeyFieldNotFound", &vxSDBKeyFieldNotFound, L"Key Field not found"},
};

const wchar_t* const CDataConstsProductName = L"TarvixDataController";

void InitDataConsts() { vdRegisterResourceStrings(CDataConstsProductName, GDataConstsEntries); }

void FinDataConsts() { vdUnregisterResourceStrings(CDataConstsProductName, GDataConstsEntries); }

}  // namespace

String vxDataOriginalText(const TResStringRec& ARec) {
  for (const TEntry& e : GDataConstsEntries)
    if (e.Rec == &ARec) return e.Text;
  return ARec.Text;
}

const TUnitInfo vxDataConstsUnit = {L"vxDataConsts", InitDataConsts, FinDataConsts};
