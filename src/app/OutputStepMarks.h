// The starts of a sequence's steps on the Output tab's chart: a dotted line
// across the data area at each start, with the step's number in a small tag
// at the top of the area. Painted by the graph with its legends, so that it
// also shows in saved images; it takes no room of its own.
#pragma once

#include "chart/GvGraph2D.h"

#include <QObject>

class TOutputPlotData;

class TOutputStepMarks : public QObject, public IGvGraphLegend
{
public:
  // Registers itself with Graph; Data outlives it.
  TOutputStepMarks(const TOutputPlotData& Data, TGvGraph2D* Graph, QObject* Parent);

  static constexpr TGvColor Color = 0xFF00695C; // dark teal

  bool LegendVisible() const override { return true; }
  TGvLegendPosition LegendPosition() const override { return TGvLegendPosition::FreeFloating; }
  QSizeF LegendSize() override { return {}; }
  void PlaceLegend(QPointF) override {}
  void LegendRefresh() override {}
  void PaintLegend(QPainter& Painter) override;

private:
  const TOutputPlotData& FData;
  TGvGraph2D* FGraph;
};
