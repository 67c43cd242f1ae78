// The resource strings of the data controller product "TarvixDataController".
#pragma once

#include "vdCore.h"

extern TResStringRec vxSDataReadError;
extern TResStringRec vxSDataWriteError;
extern TResStringRec vxSDataItemExistError;
extern TResStringRec vxSDataRecordIndexError;
extern TResStringRec vxSDataItemIndexError;
extern TResStringRec vxSDataProviderModeError;
extern TResStringRec vxSDataInvalidStreamFormat;
extern TResStringRec vxSDataRowIndexError;
extern TResStringRec vxSDataCustomDataSourceInvalidCompare;
extern TResStringRec vxSDBDetailFilterControllerNotFound;
extern TResStringRec vxSDBNotInGridMode;
extern TResStringRec vxSDBKeyFieldNotFound;

// The built-in text of a data-controller string, not any translation of it (stream
// errors are reported with the program's own texts).
String vxDataOriginalText(const TResStringRec& ARec);

extern const TUnitInfo vxDataConstsUnit;
