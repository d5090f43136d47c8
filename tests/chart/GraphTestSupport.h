// A small graph for the series and graph tests: a form owning a graph with
// both primary axes on fixed ranges (so that pixels are known), and helpers
// to make vectors and series.
#pragma once

#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

// Puts an axis on a fixed range that is used as it is (no rounding).
inline void GvFixAxis(TGvAxis* A, double Start, double Stop)
{
  A->SetStartEnd(TGvAxisEnd::Fixed);
  A->SetStopEnd(TGvAxisEnd::Fixed);
  A->SetEndRounding(TGvAxisEndRounding::RndNothing);
  A->SetStartStop(Start, Stop);
}

struct TGvGraphFixture
{
  std::unique_ptr<QWidget> Form = std::make_unique<QWidget>();
  TGvGraph2D* Graph;

  explicit TGvGraphFixture(int W = 600, int H = 400, const char* Name = "GraphFixtureForm")
  {
    Form->setObjectName(Name);
    Form->resize(W, H);
    Graph = new TGvGraph2D(Form.get());
    Graph->setObjectName("Graph1");
    Graph->resize(W, H);
    Graph->TestPrimaryAxis();
  }
  TGvAxis* X() const { return Graph->PrimaryXAxis(); }
  TGvAxis* Y() const { return Graph->PrimaryYAxis(); }

  TGvDoubleVector* Vector(std::vector<double> Values)
  {
    auto* V = new TGvDoubleVector(Form.get());
    V->AddRange(std::span<const double>(Values));
    return V;
  }
  template <class T = TGvLineSeries>
  T* Series(TGvCustomDoubleVector* XData, TGvCustomDoubleVector* YData)
  {
    auto* S = new T(Form.get());
    S->SetXAxis(X());
    S->SetYAxis(Y());
    S->SetXData(XData);
    S->SetYData(YData);
    return S;
  }
  // One full paint into an image of the graph's size.
  QImage Paint()
  {
    QImage I(Graph->size(), QImage::Format_ARGB32_Premultiplied);
    I.fill(Qt::white);
    Graph->PaintToImage(I);
    return I;
  }
};
