// Math: comparisons with tolerance, ranges and rounding of floating-point numbers, and the
// runtime's Trunc/Frac/Round/Int.
#pragma once

#include <cmath>

#include "System.h"

template <class T>
constexpr T Min(T A, T B) { return B < A ? B : A; }
template <class T>
constexpr T Max(T A, T B) { return A < B ? B : A; }
template <class T>
constexpr bool InRange(T Value, T AMin, T AMax) { return AMin <= Value && Value <= AMax; }
template <class T>
constexpr T EnsureRange(T Value, T AMin, T AMax) { return Value < AMin ? AMin : (AMax < Value ? AMax : Value); }
template <class T>
constexpr T IfThen(bool Value, T ATrue, T AFalse) { return Value ? ATrue : AFalse; }
// -1, 0 or 1.
template <class T>
constexpr Integer Sign(T Value) { return Value < T(0) ? -1 : (T(0) < Value ? 1 : 0); }

// Whole part toward zero; the fraction keeps the sign of the value.
Int64 Trunc(double X);
double Int(double X);
double Frac(double X);
// Rounds halves to the even neighbour, as the runtime's Round.
Int64 Round(double X);
Int64 Ceil(double X);
Int64 Floor(double X);

// Epsilon 0 picks a tolerance from the magnitude of the values.
bool IsZero(double A, double Epsilon = 0);
bool SameValue(double A, double B, double Epsilon = 0);
// -1, 0 or 1 with the same tolerance.
Integer CompareValue(double A, double B, double Epsilon = 0);
double Power(double Base, double Exponent);
double IntPower(double Base, Integer Exponent);
// Rounds to 10^Digit (Digit -2 = hundredths): RoundTo with banker's rounding,
// SimpleRoundTo with halves away from zero.
double RoundTo(double Value, Integer Digit);
double SimpleRoundTo(double Value, Integer Digit = -2);
double Log10(double X);
