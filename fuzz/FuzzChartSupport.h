// What the fuzz targets of the saved charts share: the check that aborts, the
// names of everything a form holds, and the graph with one series that a form
// is read into.
#pragma once

#include "chart/GvGraph2D.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

#include <QStringList>
#include <QWidget>
#include <cstdlib>

namespace FuzzChart {

inline void Check(bool Condition)
{
  if (!Condition) std::abort();
}

// The names of everything the form holds.
inline QStringList Tree(const QObject* O)
{
  QStringList L;
  for (const QObject* C : O->findChildren<QObject*>())
    L << QLatin1String(C->metaObject()->className()) + QLatin1Char(' ') + C->objectName();
  return L;
}

// A graph on Form with its primary axes and one line series over a vector.
inline TGvGraph2D* GraphWithOneSeries(QWidget& Form)
{
  Form.setObjectName(QStringLiteral("FuzzForm"));
  auto* G = new TGvGraph2D(&Form);
  G->setObjectName(QStringLiteral("Graph1"));
  G->TestPrimaryAxis();
  auto* V = new TGvDoubleVector(&Form);
  V->setObjectName(QStringLiteral("Y1"));
  V->AddRange({1, 4, 2});
  auto* S = new TGvLineSeries(&Form);
  S->setObjectName(QStringLiteral("Series1"));
  S->SetYData(V);
  S->SetXAxis(G->PrimaryXAxis());
  S->SetYAxis(G->PrimaryYAxis());
  return G;
}

} // namespace FuzzChart
