// Shared by the axis tests: a stand-in for the series bound to an axis, and
// fixed locale settings so that label texts do not depend on the machine.
#pragma once

#include "chart/GvAxisScale.h"
#include "controls/GvStringFunctions.h"

#include <limits>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& S, std::ostream* Os)
{
  *Os << '"' << S.toStdString() << '"';
}

// What a series tells its axes: its data range in both directions, the least
// positive values, its margin.
class TFakeAxisSeries : public IGvAxisSeries
{
public:
  TFakeAxisSeries() = default;
  TFakeAxisSeries(double XStart, double XStop, double YStart, double YStop)
      : XStart(XStart), XStop(XStop), YStart(YStart), YStop(YStop)
  {
  }

  bool Visible = true;
  double XStart = cGvNoValuesStart, XStop = cGvNoValuesStop;
  double YStart = cGvNoValuesStart, YStop = cGvNoValuesStop;
  double LeastPositiveX = std::numeric_limits<double>::infinity();
  double LeastPositiveY = std::numeric_limits<double>::infinity();
  float Extra = 0;
  mutable int LeastPositiveAsked = 0;

  bool AxisSeriesVisible() const override { return Visible; }
  bool AxisDataRange(bool Horizontal, double& Start, double& Stop) const override
  {
    Start = Horizontal ? XStart : YStart;
    Stop = Horizontal ? XStop : YStop;
    return Start <= Stop;
  }
  double AxisLeastPositive(bool Horizontal) const override
  {
    ++LeastPositiveAsked;
    return Horizontal ? LeastPositiveX : LeastPositiveY;
  }
  float ExtraSpaceAt(TGvAxisPosition) const override { return Extra; }
};

// "." as decimal separator, ":" between time fields, ISO-like dates.
inline TFormatSettings AxisTestSettings()
{
  TFormatSettings S = FormatSettingsWithDecimal(u'.');
  S.DateSeparator = u'-';
  S.TimeSeparator = u':';
  S.ShortDateFormat = QStringLiteral("yyyy/mm/dd");
  S.LongTimeFormat = QStringLiteral("hh:nn:ss");
  return S;
}
