// Numeric helpers that the axes and the analysis series share: decimal
// exponents and significant digits of a value, powers of ten, and rounding a
// value up or down to a multiple of a step.
#pragma once

#include <cstdint>

// The largest finite double, the "no value yet" marks of ranges.
constexpr double cGvMaxDouble = 1.7976931348623157e308;

// The decimal exponent of x written in exponent notation with 7 significant
// digits: 9.9999999 is 1.000000E+1 and has exponent 1. 0 for 0 and for values
// that are not finite.
int Real10thExponent(double x);

// The number of mantissa digits of |x| in exponent notation without its
// trailing zeros: 0.25 has 2, 0.1 and 100 have 1. 0 for 0 and for values that
// are not finite. The notation has 15 digits, as many as every double holds
// exactly (with 16, 9.999999 would show its binary error as 9.999999000000001).
int LastSignificant(double x);

// 10 to the power e (exact for |e| <= 22, 0 or infinity far outside the
// double range).
double Power10(int e);

// Value rounded up or down to a multiple of s = Step * 10^RangeExponent:
// up = s * Round(Value / s + 0.499999), down = s * Round(Value / s - 0.499999),
// rounding to nearest with ties to even. The rounding happens in floating
// point, so that large values with a fine step do not overflow an integer. A
// step that is 0 or not finite, or a quotient too large to round, returns the
// value itself.
double RoundUp(int RangeExponent, double Step, double Value);
double RoundDown(int RangeExponent, double Step, double Value);

// Round to nearest, ties to even, in floating point (no integer range limit).
double RoundHalfEvenF(double Value);

// Value limited to [Lo, Hi]; NaN gives Lo.
double ClampFinite(double Value, double Lo, double Hi);
