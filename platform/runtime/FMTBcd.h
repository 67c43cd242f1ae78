// Binary-coded decimals: a 34-byte decimal number (precision, sign and scale, 64 packed
// digits) and the custom variant type that carries one.
#pragma once

#include "SysInit.h"
#include "SysUtils.h"
#include "Variants.h"

#pragma pack(push, 1)
struct TBcd {
  Byte Precision = 0;          // number of digits held in Fraction
  Byte SignSpecialPlaces = 0;  // bit 7: negative; bits 0..5: digits after the decimal point
  Byte Fraction[32] = {};      // packed digits, two per byte, the first digit in the high nibble
};
#pragma pack(pop)
static_assert(sizeof(TBcd) == 34);

DECLARE_EXCEPTION(EBcdException, Exception)

// Parses "-123.45" (either '.' or the locale's decimal separator); EBcdException when
// the text is not a decimal number or needs more than 64 digits.
TBcd StrToBcd(const String& AValue);
bool TryStrToBcd(const String& AValue, TBcd& Bcd);
// The shortest text of the number, with the locale's decimal separator.
String BcdToStr(const TBcd& Bcd);
// -1, 0 or 1.
Integer BcdCompare(const TBcd& A, const TBcd& B);
double BcdToDouble(const TBcd& Bcd);
TBcd DoubleToBcd(double Value);

// The type code of BCD variants (valid while the unit is initialised).
TVarType VarFMTBcd();
Variant VarFMTBcdCreate(const TBcd& Bcd);
bool VarIsFMTBcd(const Variant& V);
// A BCD variant's number; any other variant goes through its text.
TBcd VarToBcd(const Variant& V);

extern const TUnitInfo FMTBcdUnit;
