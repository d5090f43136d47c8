// A function series with a class of its own, so that saved graphs can name
// it: y = Amplitude sin(x).
#pragma once

#include "chart/GvSeries.h"

#include <cmath>

class TSavedSineSeries : public TGvFunctionSeries
{
  Q_OBJECT
public:
  explicit TSavedSineSeries(QObject* Owner = nullptr) : TGvFunctionSeries(Owner) { NumberCaption(); }
  double GetY(double X) override { return 2 * std::sin(X); }
  QString GetFormula() const override { return QStringLiteral("y=2 sin(x)"); }
};
