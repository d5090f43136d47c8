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
  // Series: the kinds saved graphs name (the analysis series add theirs).
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvLineSeries>();
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvPointSeries>();
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvPointWithErrorSeries>();
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvBars>();
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvOHLC>();
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvCandleSticks>();
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvBubbles>();
  TGvClassRegistry<TGvSeries>::Instance().Register<TGvArrows>();
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
