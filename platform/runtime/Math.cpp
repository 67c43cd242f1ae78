#include "Math.h"

#include <algorithm>

Int64 Trunc(double X) { return static_cast<Int64>(std::trunc(X)); }
double Int(double X) { return std::trunc(X); }
double Frac(double X) { return X - std::trunc(X); }
Int64 Round(double X) { return static_cast<Int64>(std::nearbyint(X)); }  // default mode: ties to even
Int64 Ceil(double X) { return static_cast<Int64>(std::ceil(X)); }
Int64 Floor(double X) { return static_cast<Int64>(std::floor(X)); }

namespace {
constexpr double kResolution = 1e-12;  // relative tolerance for Epsilon 0
}

bool IsZero(double A, double Epsilon) { return std::fabs(A) <= (Epsilon == 0 ? kResolution : Epsilon); }

bool SameValue(double A, double B, double Epsilon) {
  if (Epsilon == 0) Epsilon = std::max(std::min(std::fabs(A), std::fabs(B)) * kResolution, kResolution);
  return A > B ? A - B <= Epsilon : B - A <= Epsilon;
}

Integer CompareValue(double A, double B, double Epsilon) {
  if (SameValue(A, B, Epsilon)) return 0;
  return A < B ? -1 : 1;
}

double Power(double Base, double Exponent) { return std::pow(Base, Exponent); }

double IntPower(double Base, Integer Exponent) { return std::pow(Base, static_cast<double>(Exponent)); }

double RoundTo(double Value, Integer Digit) {
  double f = std::pow(10.0, static_cast<double>(-Digit));
  return static_cast<double>(Round(Value * f)) / f;
}

double SimpleRoundTo(double Value, Integer Digit) {
  double f = std::pow(10.0, static_cast<double>(-Digit));
  return (Value < 0 ? std::ceil(Value * f - 0.5) : std::floor(Value * f + 0.5)) / f;
}

double Log10(double X) { return std::log10(X); }
