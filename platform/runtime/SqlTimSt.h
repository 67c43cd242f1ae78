// SQL time stamps: a 16-byte date and time with separate fields, and the custom variant
// type that carries one.
#pragma once

#include "SysInit.h"
#include "SysUtils.h"
#include "Variants.h"

#pragma pack(push, 1)
struct TSQLTimeStamp {
  SmallInt Year = 0;
  Word Month = 0;
  Word Day = 0;
  Word Hour = 0;
  Word Minute = 0;
  Word Second = 0;
  Cardinal Fractions = 0;  // milliseconds
};
#pragma pack(pop)
static_assert(sizeof(TSQLTimeStamp) == 16);

// EConvertError when the fields do not make a date.
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ATimeStamp);
TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime ADateTime);

// The type code of time-stamp variants (valid while the unit is initialised).
TVarType VarSQLTimeStamp();
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ATimeStamp);
bool VarIsSQLTimeStamp(const Variant& V);
// A time-stamp variant's value; any other variant goes through its date.
TSQLTimeStamp VarToSQLTimeStamp(const Variant& V);

extern const TUnitInfo SqlTimStUnit;
