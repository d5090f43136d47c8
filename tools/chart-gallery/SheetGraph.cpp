// The graph control: two coupled graphs, a zoomed and a panned state, one
// graph saved as PNG, SVG and PDF, and axes that cross at zero.
#include "GallerySheet.h"
#include "SheetGraphSupport.h"

#include <QPainter>
#include <cmath>
#include <tuple>

namespace {

// A signal and its noise over 0 .. 20.
void Signal(std::vector<double>& X, std::vector<double>& Y, std::vector<double>& Z)
{
  for (int I = 0; I <= 2000; ++I) {
    const double T = I / 100.0;
    X.push_back(T);
    Y.push_back(std::sin(T) * std::exp(-T / 15) + 0.15 * std::sin(17 * T));
    Z.push_back(100 * (1 + std::cos(T / 2)) + 10 * std::sin(7 * T));
  }
}

} // namespace

GV_GALLERY_SHEET(graph_coupled)
{
  // The child graph above shares the master's X axis below.
  QWidget Form;
  Form.setObjectName("CoupledSheetForm");
  Form.resize(800, 640);
  auto* Child = new TGvGraph2D(&Form);
  Child->setObjectName("Upper");
  Child->setGeometry(0, 0, 800, 300);
  auto* Master = new TGvGraph2D(&Form);
  Master->setObjectName("Lower");
  Master->setGeometry(0, 300, 800, 340);
  TSheetGraph::Setup(Master, QString());
  Child->SetPrimaryXAxis(Master->PrimaryXAxis());
  TSheetGraph::Setup(Child, "Two coupled graphs: one X axis, zoomed to 4 .. 12 in both");
  Child->PrimaryYAxis()->SetCaption("Pressure");
  Master->PrimaryYAxis()->SetCaption("Signal");
  Master->PrimaryXAxis()->SetCaption("Time (s)");
  std::vector<double> X, Y, Z;
  Signal(X, Y, Z);
  auto Bind = [&](TGvGraph2D* G, const std::vector<double>& V, TGvColor C) {
    auto* S = new TGvLineSeries(&Form);
    S->SetXAxis(Master->PrimaryXAxis());
    S->SetYAxis(G->PrimaryYAxis());
    auto* XV = new TGvDoubleVector(&Form);
    XV->AddRange(std::span<const double>(X));
    auto* YV = new TGvDoubleVector(&Form);
    YV->AddRange(std::span<const double>(V));
    S->SetXData(XV);
    S->SetYData(YV);
    S->Line()->SetColor(C);
  };
  Bind(Master, Y, 0xFF0000C0);
  Bind(Child, Z, 0xFFC00000);
  Master->AsImage(); // the first paint lays both out
  TGvAxis* A = Master->PrimaryXAxis();
  const QRectF R = Child->DrawingArea();
  Child->ZoomTo(QPointF(A->NumberToWorld(4), R.top()), QPointF(A->NumberToWorld(12), R.bottom()));
  Sheet.Save(Master->AsImage(true), "graph_coupled");
}

GV_GALLERY_SHEET(graph_zoomed)
{
  TSheetGraph G(800, 500, "Zoomed to 5 .. 9 by a rubber band: the scroll bars show where");
  std::vector<double> X, Y, Z;
  Signal(X, Y, Z);
  G.Line(X, Y)->Line()->SetWidth(2);
  G.Image();
  TGvAxis* A = G.Graph->PrimaryXAxis();
  TGvAxis* B = G.Graph->PrimaryYAxis();
  G.Graph->ZoomTo(QPointF(A->NumberToWorld(5), B->NumberToWorld(0.9)),
                  QPointF(A->NumberToWorld(9), B->NumberToWorld(-0.6)));
  Sheet.Save(G.Graph->grab().toImage(), "graph_zoomed");
}

GV_GALLERY_SHEET(graph_panned)
{
  TSheetGraph G(800, 500, "The same zoom panned by 2 to the right");
  std::vector<double> X, Y, Z;
  Signal(X, Y, Z);
  G.Line(X, Y)->Line()->SetWidth(2);
  G.Image();
  TGvAxis* A = G.Graph->PrimaryXAxis();
  TGvAxis* B = G.Graph->PrimaryYAxis();
  G.Graph->ZoomTo(QPointF(A->NumberToWorld(5), B->NumberToWorld(0.9)),
                  QPointF(A->NumberToWorld(9), B->NumberToWorld(-0.6)));
  G.Image();
  G.Graph->ShiftAxis(A, 2, true);
  Sheet.Save(G.Graph->grab().toImage(), "graph_panned");
}

GV_GALLERY_SHEET(graph_formats)
{
  TSheetGraph G(700, 450, "One graph as PNG, SVG and PDF");
  std::vector<double> X, Y, Z;
  Signal(X, Y, Z);
  auto* S = G.Series<TGvPointSeries>(std::vector<double>(X.begin(), X.begin() + 400),
                                     std::vector<double>(Y.begin(), Y.begin() + 400));
  S->PointSymbol()->SetVisible(true);
  S->PointSymbol()->SetSize(7);
  S->PointSymbol()->SetFillColor(0x80ADD8E6);
  G.Line(X, Y)->Area()->SetVisible(true);
  G.Graph->SaveImage(Sheet.Path("graph_formats.svg"), TGvImageFileFormat::Svg, true);
  G.Graph->SaveImage(Sheet.Path("graph_formats.pdf"), TGvImageFileFormat::Pdf, true);
  G.Graph->SaveImage(Sheet.Path("graph_formats.jpg"), TGvImageFileFormat::Jpeg);
  G.Graph->SaveImage(Sheet.Path("graph_formats.gif"), TGvImageFileFormat::Gif);
  Sheet.Save(G.Image(), "graph_formats");
}

GV_GALLERY_SHEET(graph_zero_origin)
{
  // ZeroOrigin: each axis stands at the 0 of the other, without its label
  // and tick at 0; an axis whose other range holds no 0 stays at the border.
  struct TPanel
  {
    const char* Title;
    double X0, X1, Y0, Y1;
    bool ZeroOrigin;
  };
  const TPanel Panels[] = {
      {"X -4 .. 6, Y -3 .. 7, axes at the border", -4, 6, -3, 7, false},
      {"The same with ZeroOrigin: crossing at (0, 0)", -4, 6, -3, 7, true},
      {"ZeroOrigin, Y 1 .. 9: the X axis stays below", -4, 6, 1, 9, true},
  };
  QImage Picture(3 * 400, 400, QImage::Format_RGB32);
  Picture.fill(Qt::white);
  QPainter P(&Picture);
  int Left = 0;
  for (const TPanel& Panel : Panels) {
    TSheetGraph G(400, 400, QString::fromLatin1(Panel.Title));
    G.Graph->CaptionFont()->SetSize(10);
    for (auto [A, Lo, Hi] : {std::tuple{G.Graph->PrimaryXAxis(), Panel.X0, Panel.X1},
                             std::tuple{G.Graph->PrimaryYAxis(), Panel.Y0, Panel.Y1}}) {
      A->SetStartEnd(TGvAxisEnd::Fixed);
      A->SetStopEnd(TGvAxisEnd::Fixed);
      A->SetEndRounding(TGvAxisEndRounding::RndNothing);
      A->SetStartStop(Lo, Hi);
      A->SetCaptionVisible(false);
    }
    G.Graph->SetZeroOrigin(Panel.ZeroOrigin);
    std::vector<double> X, Y;
    for (int I = 0; I <= 100; ++I) {
      const double V = -4 + I * 0.1;
      X.push_back(V);
      Y.push_back(Panel.Y0 + (Panel.Y1 - Panel.Y0) * (0.2 + 0.03 * (V + 4) * (V + 4) * 0.7));
    }
    G.Line(X, Y)->Line()->SetWidth(2);
    P.drawImage(Left, 0, G.Image());
    Left += 400;
  }
  P.end();
  Sheet.Save(Picture, "graph_zero_origin");
}
