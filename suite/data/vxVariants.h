// Variant routines of the data layer: predicates, the three-way comparison shared by
// sorting, filtering and editors, small variant arrays, the tagged byte form of one
// variant, and a few date, text and currency-format routines.
#pragma once

#include "Classes.h"
#include "SysUtils.h"
#include "Variants.h"
#include "vxDataConsts.h"

bool IsDateVarType(TVarType AVarType);
bool IsCurrencyVarType(TVarType AVarType);
bool VariantIsDate(const Variant& V);
bool VariantIsNumericOrBcd(const Variant& V);
bool VariantIsNullOrEmptyString(const Variant& V);

// Negative, 0 or positive. Arrays after scalars, Empty first, Null next; values the
// variant type cannot compare with each other are ordered by their kind, type code and
// text, so that the result is antisymmetric for every pair.
Integer VariantCompare(const Variant& A, const Variant& B);
bool VariantsMatch(const Variant& A, const Variant& B);
// As VariantsMatch, except that a Boolean beside a non-Null value compares as text.
bool VariantsEqual(const Variant& A, const Variant& B);

Variant MakeVariantPair(const Variant& A, const Variant& B);
Variant MakeVariantSingleton(const Variant& A);
void AppendToVariantArray(Variant& Arr, const Variant& V);

// The tagged form: one tag byte (the component-stream value kinds), then the payload.
void WriteVariantToStream(TStream* AStream, const Variant& V);
Variant ReadVariantFromStream(TStream* AStream);

// The 10-byte x87 extended form of a double, and back.
void vxDoubleToExtended(double AValue, Byte AOut[10]);
double vxExtendedToDouble(const Byte AIn[10]);

// Bytes left between the stream's position and its end.
Int64 vxStreamBytesLeft(TStream* AStream);
// Raise the read error "Stream read error" / "Invalid stream format" and the write
// error "Stream write error".
[[noreturn]] void vxDataReadError();
[[noreturn]] void vxInvalidStreamFormat();
[[noreturn]] void vxDataWriteError();
// Raises "Invalid stream format" unless 0 <= ACount and ACount * AItemSize bytes remain.
void vxCheckStreamCount(TStream* AStream, Int64 ACount, Int64 AItemSize);

// The display format of currency values from the locale's currency settings.
String GetCurrencyDisplayFormat();
TDateTime DatePartOf(TDateTime D);
TDateTime TimePartOf(TDateTime D);
// 0 Sunday .. 6 Saturday.
Integer LocaleFirstDayOfWeek();
TDateTime WeekStartOf(TDateTime D);
// Case-insensitive equality, or a prefix match with APartial.
bool MatchSearchText(const String& AText, const String& ASearchText, bool APartial);

extern const TUnitInfo vxVariantsUnit;
