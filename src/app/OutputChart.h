// The Output tab's chart: A ppm and H2O ppm of the stored rows over time, on
// a date/time axis, with a logarithmic Y axis that a check box switches to
// linear, the mode changes marked along the time axis (and the starts of a
// sequence's steps with their numbers), and a legend naming
// the two curves. Zoom and pan are the graph's own (drag a rectangle; Shift
// and drag to pan once zoomed; click beside the data area to zoom back,
// double-click there to reset).
//
// The series read the vectors of TOutputPlotData; the graph's 50 ms poll
// shows what the row store appended. Elements without values (rows whose ppm
// cell is empty, and on the logarithmic axis values at or below 0) are gaps:
// the line is not drawn across them.
#pragma once

#include "chart/GvGraph2D.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>

class TGvPointSeries;
class TGvSeries;
class TOutputPlotData;
class TOutputStepMarks;

// The line segment of Series that starts at the line point of data element
// From reaches the next line point over elements without values.
bool OutputSegmentSpansGap(const TGvSeries& Series, int From);

// The image format for a chart image file, by its suffix ("svg", "pdf",
// anything else PNG); the path gets ".png" appended when its suffix is none
// of "png", "svg" and "pdf".
TGvImageFileFormat ChartImageFormat(QString& Path);

class TOutputChart : public QObject
{
  Q_OBJECT
public:
  // The graph (objectName "GraphOutput") is created as a child of Parent;
  // Data outlives the chart. Now: the date-time the empty chart shows.
  TOutputChart(TOutputPlotData& Data, QWidget* Parent, double Now);
  ~TOutputChart() override;

  TGvGraph2D* Graph() const { return FGraph.data(); }
  TGvPointSeries* SeriesPpmA() const { return FSeriesA; }
  TGvPointSeries* SeriesPpmH2O() const { return FSeriesH2O; }

  // Logarithmic (the default) or linear Y axis.
  void SetLogScale(bool Log);
  bool LogScale() const { return FLog; }

  // A mouse button went down on the graph (global position).
  std::function<void(Qt::MouseButton Button, QPoint GlobalPos)> OnMouseDown;

  static constexpr TGvColor ColorPpmA = 0xFFC62828;   // crimson
  static constexpr TGvColor ColorPpmH2O = 0xFF1565C0; // blue
  // The colour a mode change is marked in.
  static TGvColor ModeColor(const QString& Mode);

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  class TLegend;
  class TModeMarks;
  TGvPointSeries* MakeSeries(TGvDoubleVector* Y, const QString& Name, const QString& Caption,
                             TGvColor Color);

  TOutputPlotData& FData;
  QPointer<TGvGraph2D> FGraph;
  TGvPointSeries* FSeriesA = nullptr;
  TGvPointSeries* FSeriesH2O = nullptr;
  TLegend* FLegend = nullptr;
  TModeMarks* FMarks = nullptr;
  TOutputStepMarks* FStepMarks = nullptr; // a sequence's step starts
  bool FLog = true;
};
