// The resource strings of the shared library units (registry and storage messages, the smart-date words), product
// "TarvixLibrary".
#pragma once

#include "vdCore.h"

extern TResStringRec svxCantCreateRegistryKey;
extern TResStringRec svxCantOpenRegistryKey;
extern TResStringRec svxErrorStoreObject;
extern TResStringRec svxConverterCantCreateStyleRepository;
extern TResStringRec vxSDateToday;
extern TResStringRec vxSDateYesterday;
extern TResStringRec vxSDateTomorrow;
extern TResStringRec vxSDateSunday;
extern TResStringRec vxSDateMonday;
extern TResStringRec vxSDateTuesday;
extern TResStringRec vxSDateWednesday;
extern TResStringRec vxSDateThursday;
extern TResStringRec vxSDateFriday;
extern TResStringRec vxSDateSaturday;
extern TResStringRec vxSDateFirst;
extern TResStringRec vxSDateSecond;
extern TResStringRec vxSDateThird;
extern TResStringRec vxSDateFourth;
extern TResStringRec vxSDateFifth;
extern TResStringRec vxSDateSixth;
extern TResStringRec vxSDateSeventh;
extern TResStringRec vxSDateBOM;
extern TResStringRec vxSDateEOM;
extern TResStringRec vxSDateNow;

extern const TUnitInfo vxLibraryConstsUnit;
