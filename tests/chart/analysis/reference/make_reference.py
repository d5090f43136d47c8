#!/usr/bin/python3
"""Reference values for the analysis tests, computed once with numpy 1.24 and
scipy 1.10 and frozen as literal tables into the test sources:

  GvFFTTest.cpp            the transform of three test signals (numpy.fft)
  GvInterpolationTest.cpp  Akima, not-a-knot cubic spline, smoothing spline
                           and its two limits (scipy.interpolate, numpy.polyfit)

Run it with /usr/bin/python3 and paste a section's output over the table of
the same name. The input formulas are the same as in the tests.
"""
import math

import numpy as np
from scipy.interpolate import Akima1DInterpolator, CubicSpline, make_smoothing_spline


def r(v):
    return repr(float(v))


def fft_tables():
    # Our transform has the + sign and no normalisation: X = N·ifft(x).
    for n in (6, 12, 67):
        t = np.arange(n, dtype=float)
        x = (np.sin(0.7 * t) + 0.3 * np.cos(1.3 * t)) + 1j * (0.2 * np.sin(2.1 * t))
        X = np.fft.ifft(x) * n
        print(f"// N = {n}")
        print(f"const TComplex FftRef{n}[] = {{")
        for v in X:
            print(f"    {{{r(v.real)}, {r(v.imag)}}},")
        print("};")


def spline_points():
    i = np.arange(12, dtype=float)
    x = i + 0.3 * np.sin(1.7 * i)
    y = np.sin(0.9 * x) + 0.1 * x
    return x, y


def queries(x):
    # 25 points from half a unit below the first node to half above the last.
    return np.linspace(x[0] - 0.5, x[-1] + 0.5, 25)


def table(name, q, v):
    print(f"const TRefPoint {name}[] = {{")
    for a, b in zip(q, v):
        print(f"    {{{r(a)}, {r(b)}}},")
    print("};")


def spline_tables():
    x, y = spline_points()
    q = queries(x)
    table("AkimaRef", q, Akima1DInterpolator(x, y)(q, extrapolate=True))
    table("CubicSplineRef", q, CubicSpline(x, y, bc_type="not-a-knot")(q))

    # Smoothing spline: min Σ w·(y − f)² + λ∫f''², our weights w·ElasticityFactor
    # with λ = 1, i.e. scipy's lam = 1/ElasticityFactor on the plain weights.
    i = np.arange(12, dtype=float)
    ys = y + 0.2 * np.cos(5.3 * i)
    w = 1 + 0.5 * np.sin(i)
    table("SmoothingSplineRef", q, make_smoothing_spline(x, ys, w, lam=1 / 2.0)(q))
    # Elasticity → ∞: the natural interpolating spline.
    table("NaturalSplineRef", q, CubicSpline(x, ys, bc_type="natural")(q))
    # Elasticity → 0: the weighted least-squares straight line (polyfit squares its weights).
    slope, icept = np.polyfit(x, ys, 1, w=np.sqrt(w))
    print(f"const double LineSlope = {r(slope)}, LineIntercept = {r(icept)};")


if __name__ == "__main__":
    print("// ---- GvFFTTest.cpp")
    fft_tables()
    print("// ---- GvInterpolationTest.cpp")
    spline_tables()
