#include "chart/GvMath.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// The exponent and the mantissa digits of |x| in exponent notation with
// Digits significant digits (to_chars rounds correctly, ties to even).
int Scientific(double x, int Digits, char* Mantissa, int& MantissaLength)
{
  char Buffer[64];
  const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, std::fabs(x),
                               std::chars_format::scientific, Digits - 1);
  MantissaLength = 0;
  const char* P = Buffer;
  for (; P < R.ptr && *P != 'e'; ++P)
    if (*P >= '0' && *P <= '9') Mantissa[MantissaLength++] = *P;
  int Exponent = 0;
  if (P < R.ptr) std::from_chars(P + (P[1] == '+' ? 2 : 1), R.ptr, Exponent);
  return Exponent;
}

} // namespace

int Real10thExponent(double x)
{
  if (x == 0 || !std::isfinite(x)) return 0;
  char Mantissa[32];
  int Length;
  return Scientific(x, 7, Mantissa, Length);
}

int LastSignificant(double x)
{
  if (x == 0 || !std::isfinite(x)) return 0;
  char Mantissa[32];
  int Length;
  Scientific(x, 15, Mantissa, Length);
  while (Length > 1 && Mantissa[Length - 1] == '0') --Length;
  return Length;
}

double Power10(int e)
{
  static constexpr double Exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (e >= 0 && e <= 22) return Exact[e];
  if (e < 0 && e >= -22) return 1.0 / Exact[-e];
  return std::pow(10.0, double(e));
}

double RoundHalfEvenF(double Value)
{
  // nearbyint rounds in the current rounding mode, which is to nearest with
  // ties to even unless someone changed it; do it by hand to be independent.
  if (!std::isfinite(Value)) return Value;
  const double Floor = std::floor(Value);
  const double Diff = Value - Floor;
  if (Diff > 0.5) return Floor + 1;
  if (Diff < 0.5) return Floor;
  return std::fmod(Floor, 2.0) == 0 ? Floor : Floor + 1;
}

namespace {

double RoundTo(int RangeExponent, double Step, double Value, double Bias)
{
  const double S = Step * Power10(RangeExponent);
  if (S == 0 || !std::isfinite(S) || !std::isfinite(Value)) return Value;
  const double Q = Value / S;
  // Beyond 2^52 every double is an integer already.
  if (!std::isfinite(Q) || std::fabs(Q) > 4.5e15) return Value;
  const double R = S * RoundHalfEvenF(Q + Bias);
  return std::isfinite(R) ? R : Value;
}

} // namespace

double RoundUp(int RangeExponent, double Step, double Value)
{
  return RoundTo(RangeExponent, Step, Value, 0.499999);
}

double RoundDown(int RangeExponent, double Step, double Value)
{
  return RoundTo(RangeExponent, Step, Value, -0.499999);
}

double ClampFinite(double Value, double Lo, double Hi)
{
  if (std::isnan(Value)) return Lo;
  return Value < Lo ? Lo : Value > Hi ? Hi : Value;
}
