// Series: a line of 10 million points, symbols only, areas and a band, error
// bars and a function series.
#include "GallerySheet.h"
#include "SheetGraphSupport.h"

#include <cmath>
#include <random>

GV_GALLERY_SHEET(series_10M)
{
  TSheetGraph G(1000, 600, "10 million points of a random walk");
  const int N = 10000000;
  std::vector<double> X(N), Y(N);
  std::mt19937 Rng(42);
  std::normal_distribution<double> Step(0, 1);
  double V = 0;
  for (int I = 0; I < N; ++I) {
    X[size_t(I)] = I;
    Y[size_t(I)] = V += Step(Rng);
  }
  auto* S = G.Line(X, Y);
  S->Line()->SetWidth(1);
  G.Graph->SetSmoothingMode(TGvSmoothingMode::None);
  Sheet.Save(G.Image(), "series_10M");
}

GV_GALLERY_SHEET(series_symbols)
{
  TSheetGraph G(800, 500, "Symbols only: two clouds, the translucent one over the other");
  std::mt19937 Rng(7);
  std::normal_distribution<double> A(3, 1), B(6, 1.5);
  std::vector<double> X1, Y1, X2, Y2;
  for (int I = 0; I < 400; ++I) {
    X1.push_back(A(Rng));
    Y1.push_back(A(Rng) * 2);
    X2.push_back(B(Rng));
    Y2.push_back(B(Rng) * 1.5);
  }
  auto* S1 = G.Series<TGvPointSeries>(X1, Y1);
  S1->Line()->SetVisible(false);
  S1->PointSymbol()->SetVisible(true);
  S1->PointSymbol()->SetSize(9);
  auto* S2 = G.Series<TGvPointSeries>(X2, Y2);
  S2->Line()->SetVisible(false);
  S2->PointSymbol()->SetVisible(true);
  S2->PointSymbol()->SetSize(13);
  S2->PointSymbol()->SetFillColor(0x6090EE90);
  // A line through translucent symbols: the line stops at their border.
  std::vector<double> X3, Y3;
  for (int I = 0; I <= 10; ++I) {
    X3.push_back(I);
    Y3.push_back(1 + 0.6 * I);
  }
  auto* S3 = G.Series<TGvPointSeries>(X3, Y3);
  S3->Line()->SetWidth(2);
  S3->PointSymbol()->SetVisible(true);
  S3->PointSymbol()->SetPointSymbol(TGvPointSymbol::Square);
  S3->PointSymbol()->SetSize(17);
  S3->PointSymbol()->SetFillColor(0x50FFFF00);
  Sheet.Save(G.Image(), "series_symbols");
}

GV_GALLERY_SHEET(series_area)
{
  TSheetGraph G(800, 500, "Filled area to the baseline, and a band between two lines");
  std::vector<double> X, Y, Lo, Hi;
  for (int I = 0; I <= 200; ++I) {
    const double T = I / 20.0;
    X.push_back(T);
    Y.push_back(2 + std::sin(T) + 0.3 * std::sin(5 * T));
    Lo.push_back(5 + 0.5 * std::cos(T));
    Hi.push_back(7 + 0.8 * std::cos(T * 0.7));
  }
  auto* A = G.Line(X, Y);
  A->Area()->SetVisible(true);
  A->Area()->SetForeColor(0x803050C0);
  A->Line()->SetColor(0xFF203080);
  auto* L = G.Line(X, Lo);
  auto* H = G.Line(X, Hi);
  H->SetDrawBandTo(L);
  H->Area()->SetForeColor(0x60C03030);
  H->Area()->SetAreaStyle(TGvAreaStyle::ForwardDiagonal);
  H->Area()->SetBackColor(0x20C03030);
  Sheet.Save(G.Image(), "series_area");
}

GV_GALLERY_SHEET(series_errorbars)
{
  TSheetGraph G(800, 500, "Error bars in X and Y");
  std::vector<double> X, Y, DY, DX;
  std::mt19937 Rng(3);
  std::uniform_real_distribution<double> U(0.2, 1.2);
  for (int I = 1; I <= 12; ++I) {
    X.push_back(I);
    Y.push_back(0.5 * I + std::sin(I));
    DY.push_back(U(Rng));
    DX.push_back(U(Rng) * 0.3);
  }
  auto* S = G.Series<TGvPointWithErrorSeries>(X, Y);
  S->Line()->SetVisible(false);
  S->PointSymbol()->SetVisible(true);
  S->PointSymbol()->SetSize(9);
  S->SetDeltaYPlus(G.Vector(DY));
  S->SetDeltaYMinus(G.Vector(DY));
  S->SetDeltaXPlus(G.Vector(DX));
  S->SetDeltaXMinus(G.Vector(DX));
  S->ErrorIndicator()->SetColor(0xFF404040);
  Sheet.Save(G.Image(), "series_errorbars");
}

namespace {
// A damped oscillation through the data: y = exp(-x / 4) cos(2 x) * 5.
class TDampedSeries : public TGvFunctionSeries
{
public:
  using TGvFunctionSeries::TGvFunctionSeries;
  double GetY(double X) override { return 5 * std::exp(-X / 4) * std::cos(2 * X); }
  QString GetFormula() const override { return QStringLiteral("Y=5 e\\+-x/4\\+ cos 2x"); }
};
} // namespace

GV_GALLERY_SHEET(series_function)
{
  TSheetGraph G(800, 500, "A function series over measured points, one sample per pixel");
  std::vector<double> X, Y;
  std::mt19937 Rng(11);
  std::normal_distribution<double> Noise(0, 0.3);
  for (int I = 0; I <= 40; ++I) {
    const double T = I * 0.25;
    X.push_back(T);
    Y.push_back(5 * std::exp(-T / 4) * std::cos(2 * T) + Noise(Rng));
  }
  auto* Data = G.Series<TGvPointSeries>(X, Y);
  Data->Line()->SetVisible(false);
  Data->PointSymbol()->SetVisible(true);
  Data->PointSymbol()->SetSize(7);
  auto* F = G.Series<TDampedSeries>(X, Y);
  F->Line()->SetWidth(2);
  F->Line()->SetColor(0xFF008000);
  Sheet.Save(G.Image(), "series_function");
}
