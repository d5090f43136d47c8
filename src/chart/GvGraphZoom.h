// The arithmetic of zooming, panning and scrolling a graph over plain
// numbers: the rubber band and what releasing it does, shifting an axis'
// range by pixels or by a scroll step within its scroll range, and what a
// scroll bar position means for the range.
#pragma once

#include "chart/GvAxisScale.h"

#include <QObject>
#include <QPoint>
#include <QRectF>

// The rectangle spanned by two corners in any order, clamped to the drawing
// area Area; the lower edges rounded down, the upper ones up.
QRectF GvZoomRect(QPointF Corner1, QPointF Corner2, const QRectF& Area);

// What releasing the rubber band does.
enum class TGvRubberBandAction
{
  Reset, // ZoomReset
  None,  // smaller than 5 pixels in one direction: just repaint
  Back,  // ZoomBack
  Zoom   // ZoomTo(Start, End)
};
// Dragged from bottom-right to top-left means End left of and above Start.
TGvRubberBandAction GvRubberBandAction(QPoint Start, QPoint End,
                                       bool ResetOnRightBottomLeftTopFrame,
                                       bool BackOnRightBottomLeftTopFrame);
// A release that zooms back (with BackOnClickBeside): the pointer moved less
// than 4 pixels in both directions.
bool GvIsClick(QPoint Start, QPoint End);

// One axis while it is panned: its range when panning started (base-10
// logarithms for a logarithmic axis) and its scroll range (the same units).
struct TGvPanAxis
{
  double Start = 0, Stop = 1;
  double ScrollStart = 0, ScrollStop = 1;
  double ValuePerPixel = 0; // range units per pixel (in decades on a log axis)
  bool Twisted = false;
  bool Horizontal = true;
};
// The range after the pointer moved by (DX, DY) pixels from where the pan
// started (DX = start x - x, DY = y - start y): each axis moves by its own
// pixels' worth of values along its direction (negated when twisted), so the
// data under the pointer follow it on every axis. False when the new range
// would leave the scroll range (the axis then keeps its range).
bool GvPanRange(const TGvPanAxis& A, double DX, double DY, double& NewStart, double& NewStop);

// Shifting one axis by a scroll step.
struct TGvShiftAxis
{
  double Start = 0, Stop = 1;             // current range (log10 on a log axis)
  double ScrollStart = 0, ScrollStop = 1; // scroll range (same units)
  bool RoundStart = false;                // round the new start up to Step
  double Step = 0;                        // value units
};
// The range moved by Shift: with RoundStart the shift is scaled by 0.9999
// and the new start rounded to Step in the direction of the shift (up for a
// shift to greater values, down for one to smaller values, so that a step
// shorter than Step still moves the range that way); the start never goes
// below the scroll start and the stop (start + the old width) never beyond
// the scroll stop (pushed back and rounded down then). False when the range
// stays as it was.
bool GvShiftRange(const TGvShiftAxis& A, double Shift, double& NewStart, double& NewStop);

// The step a scroll shift rounds the new start to, by the axis' end rounding:
// the major step for RndToMajor, the minor one for RndToMajorZoomToMinor and
// RndToMinor (a shifted axis is zoomed), none (0) for the others.
double GvShiftRoundingStep(TGvAxisEndRounding Rounding, double MajorIncrement,
                           double MinorIncrement);

// Rounding to a step: up = s round(v / s + 0.499999), down = s round(v / s -
// 0.499999); a step of 0 returns the value.
double GvRoundUpToStep(double V, double Step);
double GvRoundDownToStep(double V, double Step);

namespace GvScrollTypes {
Q_NAMESPACE

// The scroll increments (declaration order is the stored value).
enum class TGvScrollIncrement
{
  Page,
  MajorTick,
  MinorTick,
  Pixel
};
Q_ENUM_NS(TGvScrollIncrement)

} // namespace GvScrollTypes

using GvScrollTypes::TGvScrollIncrement;

double GvScrollStep(TGvScrollIncrement Kind, double RangeWidth, double MajorIncrement,
                    double MinorIncrement, double ValuePerPixel);

// Whether a scroll bar runs against the values: a vertical bar of an axis
// that is not twisted, or a horizontal bar of a twisted one (the top or left
// end of the bar is then the high end of the values).
inline bool GvScrollInverted(bool Horizontal, bool Twisted)
{
  return Horizontal == Twisted;
}

// The range start for thumb position Position (0 .. 10000) of a bar over the
// scroll range, for a range of width Width (units as in TGvShiftAxis).
double GvScrollStartFor(int Position, double ScrollStart, double ScrollStop, double Width,
                        bool Inverted);

// Zoom history at graph level, from the primary axes' history (Stage: the
// current stage, Size: the number of stages; 0 without history).
bool GvCanZoomBack(bool Circular, int Stage, int Size);
bool GvCanRedoZoom(bool Circular, int Stage, int Size);
