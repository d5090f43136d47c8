// The list of chart classes that saved forms can create by class name. Each
// class is registered with the registry of its base kind.
#include "chart/GvArrows.h"
#include "chart/GvAxis.h"
#include "chart/GvBars.h"
#include "chart/GvBubbles.h"
#include "chart/GvComponent.h"
#include "chart/GvDataSource.h"
#include "chart/GvLegend.h"
#include "chart/GvOHLC.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"
#include "chart/analysis/GvFFT.h"
#include "chart/analysis/GvFitting.h"
#include "chart/analysis/GvGeneralLinearLeastSquares.h"
#include "chart/analysis/GvInterpolation.h"
#include "chart/analysis/GvLinearRegression.h"
#include "chart/analysis/GvMovingAverage.h"
#include "chart/analysis/GvPolynomial.h"

void GvRegisterChartClasses()
{
  static bool Done = false;
  if (Done) return;
  Done = true; // set first: the registrations below call Instance() again

  // Vectors: the vector of saved graphs (the indexer belongs to its series).
  TGvClassRegistry<TGvCustomDoubleVector>::Instance().Register<TGvDoubleVector>();
  // Data sources that feed vectors and axes from a database.
  TGvClassRegistry<TGvDataSource>::Instance().Register<TGvDataSource>();
  // Axes.
  TGvClassRegistry<TGvAxis>::Instance().Register<TGvAxis>();
  // Series: the kinds saved graphs name, the analysis series among them.
  TGvClassRegistry<TGvSeries>& Series = TGvClassRegistry<TGvSeries>::Instance();
  Series.Register<TGvLineSeries>();
  Series.Register<TGvPointSeries>();
  Series.Register<TGvPointWithErrorSeries>();
  Series.Register<TGvBars>();
  Series.Register<TGvOHLC>();
  Series.Register<TGvCandleSticks>();
  Series.Register<TGvBubbles>();
  Series.Register<TGvArrows>();
  Series.Register<TGvMovingAverage>();
  Series.Register<TGvInterpolation>();
  Series.Register<TGvFittedLine>();
  Series.Register<TGvLinearRegression>();
  Series.Register<TGvGeneralLinearLeastSquares>();
  Series.Register<TGvPolynomial>();
  Series.Register<TGvDiscreteFourier>();
  // Legends.
  TGvClassRegistry<TGvCustomLegend>::Instance().Register<TGvLegend>();
}

QObject* GvCreateChartComponent(const QString& ClassName, QObject* Owner)
{
  if (QObject* C = TGvClassRegistry<TGvCustomDoubleVector>::Instance().Create(ClassName, Owner))
    return C;
  if (QObject* C = TGvClassRegistry<TGvDataSource>::Instance().Create(ClassName, Owner)) return C;
  if (QObject* C = TGvClassRegistry<TGvAxis>::Instance().Create(ClassName, Owner)) return C;
  if (QObject* C = TGvClassRegistry<TGvSeries>::Instance().Create(ClassName, Owner)) return C;
  return nullptr;
}
