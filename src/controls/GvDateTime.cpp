#include "controls/GvDateTime.h"

#include "controls/GvStringFunctions.h"

#include <cmath>

namespace {
const QDate cEpoch(1899, 12, 30);

double Combine(long long days, double dayFraction)
{
  // For days before the epoch the magnitude of the fraction is the time of day.
  return days >= 0 ? double(days) + dayFraction : double(days) - dayFraction;
}
} // namespace

double EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second,
                      int MilliSecond)
{
  const QDate date(Year, Month, Day);
  if (!date.isValid()) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
  const double ms = ((Hour * 60.0 + Minute) * 60.0 + Second) * 1000.0 + MilliSecond;
  return Combine(cEpoch.daysTo(date), ms / 86400000.0);
}

double DateTimeFromQDateTime(const QDateTime& dt)
{
  return Combine(cEpoch.daysTo(dt.date()), dt.time().msecsSinceStartOfDay() / 86400000.0);
}
