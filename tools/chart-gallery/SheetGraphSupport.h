// A graph on a form for the gallery sheets: title, axis captions, a light
// data area, and helpers that bind vectors to series.
#pragma once

#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

#include <QImage>
#include <QWidget>
#include <memory>
#include <span>
#include <vector>

struct TSheetGraph
{
  std::unique_ptr<QWidget> Form = std::make_unique<QWidget>();
  TGvGraph2D* Graph;

  TSheetGraph(int W, int H, const QString& Title, QWidget* Parent = nullptr)
  {
    Form->setObjectName(QStringLiteral("SheetForm%1").arg(quintptr(Form.get()), 0, 16));
    Form->resize(W, H);
    Graph = new TGvGraph2D(Form.get());
    Graph->setObjectName("Graph1");
    Graph->resize(W, H);
    Setup(Graph, Title);
  }
  static void Setup(TGvGraph2D* G, const QString& Title)
  {
    G->TestPrimaryAxis();
    G->SetBackColor(0xFFFFFFFF);
    G->SetDataAreaColor(0xFFF8F8FF);
    G->DataAreaFrame()->SetVisible(true);
    G->DataAreaFrame()->SetColor(0xFF808080);
    G->MajorGridHorizontal()->SetVisible(true);
    G->MajorGridHorizontal()->SetColor(0xFFDDDDDD);
    G->MajorGridVertical()->SetVisible(true);
    G->MajorGridVertical()->SetColor(0xFFDDDDDD);
    G->SetDistanceBorderAxisRight(10);
    if (!Title.isEmpty()) {
      G->SetCaption(Title);
      G->SetCaptionVisible(true);
      G->SetCaptionDistanceBefore(6);
      G->SetCaptionDistanceAfter(6);
    }
  }
  TGvDoubleVector* Vector(const std::vector<double>& V)
  {
    auto* D = new TGvDoubleVector(Form.get());
    D->AddRange(std::span<const double>(V));
    return D;
  }
  template <class T>
  T* Series(const std::vector<double>& X, const std::vector<double>& Y, TGvGraph2D* On = nullptr)
  {
    TGvGraph2D* G = On ? On : Graph;
    auto* S = new T(Form.get());
    S->SetXAxis(G->PrimaryXAxis());
    S->SetYAxis(G->PrimaryYAxis());
    S->SetXData(Vector(X));
    S->SetYData(Vector(Y));
    return S;
  }
  TGvLineSeries* Line(const std::vector<double>& X, const std::vector<double>& Y)
  {
    return Series<TGvLineSeries>(X, Y);
  }
  QImage Image() { return Graph->AsImage(true); }
};
