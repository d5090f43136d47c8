// chart-png FILE.png: draws a damped sine as a line series on a graph of
// Verdane's chart engine and writes the picture to FILE.png. Checks the
// picture it wrote (size, the series' colour) and ends with 1 when it is not
// what was drawn. Runs without a display: QT_QPA_PLATFORM=offscreen.
#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"
#include "controls/GvStringFunctions.h"

#include <QApplication>
#include <QImage>
#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: chart-png FILE.png\n", stderr);
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);

  TGvGraph2D graph;
  graph.resize(640, 400);
  graph.TestPrimaryAxis();
  graph.SetBackColor(0xFFFFFFFF);
  auto* x = new TGvDoubleVector(&graph);
  auto* y = new TGvDoubleVector(&graph);
  for (int i = 0; i <= 400; ++i) {
    const double t = i / 20.0;
    x->Add(t);
    y->Add(std::sin(t) * std::exp(-t / 8));
  }
  auto* series = new TGvLineSeries(&graph);
  series->SetXAxis(graph.PrimaryXAxis());
  series->SetYAxis(graph.PrimaryYAxis());
  series->SetXData(x);
  series->SetYData(y);
  const TGvColor blue = 0xFF1040C0;
  series->Line()->SetColor(blue);
  series->Line()->SetWidth(2);
  // The entry controls' number formatting names the peak in the caption.
  graph.SetCaption(QStringLiteral("Damped sine, first peak ") +
                   FormatFloat(QStringLiteral("0.000"), y->Maximum()));
  graph.SetCaptionVisible(true);
  graph.PrimaryXAxis()->SetCaption(QStringLiteral("t (s)"));
  graph.PrimaryYAxis()->SetCaption(QStringLiteral("sin(t) exp(-t/8)"));

  try {
    graph.SaveImage(file, TGvImageFileFormat::Png, true);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "chart-png: %s\n", e.what());
    return 1;
  }

  const QImage picture(file);
  int blueDots = 0;
  for (int py = 0; py < picture.height(); ++py)
    for (int px = 0; px < picture.width(); ++px)
      if (picture.pixel(px, py) == QRgb(blue)) ++blueDots;
  std::printf("%s: %dx%d, %d dots of the series\n", argv[1], picture.width(), picture.height(),
              blueDots);
  return picture.size() == QSize(640, 400) && blueDots > 200 ? 0 : 1;
}
