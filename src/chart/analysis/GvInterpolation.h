// What the interpolation series (TGvInterpolation, a function series) adds to
// its calculation, TGvInterpolationCalculation (unit
// GvInterpolationCalculations), that does not need the series model.
//
// How the series will be built on it: it owns the calculation as
// FInterpolation and publishes InterpolationMethod, SmoothPoints,
// SmoothingRange and ElasticityFactor by forwarding to the calculation's
// setters (showing ApproximativeSmoothingMessage() in an error box when a
// setter says so); its MinCount is InterpolationMinCount(method); GetY(AtX)
// is the calculation's Interpolate(AtX); GetFormula is
// InterpolationFormula(method); Minima and Maxima are the calculation's.
#pragma once

#include "chart/analysis/GvInterpolationCalculations.h"

#include <QString>

// "Interpolation (Akima)", "Interpolation (cubic spline)",
// "Interpolation (approximative spline)".
QString InterpolationFormula(TGvInterpolationMethod M);
// The series' minimum point count: 6 for the approximative spline, else 3.
int InterpolationMinCount(TGvInterpolationMethod M);
