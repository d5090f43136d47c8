// Analysis series: smoothing of noisy data, splines through a few points, a
// spectrum with its phase, a regression line with its confidence band, a
// polynomial fit and a fitted exponential decay whose coefficients the title
// shows; and a chart of analysis series before and after a trip through its
// saved XML form.
#include "GallerySheet.h"
#include "SheetGraphSupport.h"

#include "chart/analysis/GvFFT.h"
#include "chart/analysis/GvFitting.h"
#include "chart/analysis/GvInterpolation.h"
#include "chart/analysis/GvLinearRegression.h"
#include "chart/analysis/GvMovingAverage.h"
#include "chart/analysis/GvPolynomial.h"

#include "chart/GvIO.h"

#include <QDomDocument>
#include <QPainter>
#include <cmath>
#include <random>

namespace {

constexpr double Pi = 3.14159265358979323846;

// Measured points: symbols only.
TGvPointSeries* Points(TSheetGraph& G, const std::vector<double>& X, const std::vector<double>& Y,
                       float Size = 7)
{
  auto* S = G.Series<TGvPointSeries>(X, Y);
  S->Line()->SetVisible(false);
  S->PointSymbol()->SetVisible(true);
  S->PointSymbol()->SetPointSymbol(TGvPointSymbol::Circle);
  S->PointSymbol()->SetSize(Size);
  S->PointSymbol()->SetBorderColor(0xFF5070A0);
  S->PointSymbol()->SetFillColor(0x80B0C8F0);
  return S;
}

// A function series over the vectors of the data series D.
template <class T> T* Over(TSheetGraph& G, TGvSeries* D, TGvColor Color, float Width = 2.5f)
{
  auto* S = new T(G.Form.get());
  S->SetXAxis(G.Graph->PrimaryXAxis());
  S->SetYAxis(G.Graph->PrimaryYAxis());
  S->SetXData(D->XData());
  S->SetYData(D->YData());
  S->Line()->SetColor(Color);
  S->Line()->SetWidth(Width);
  return S;
}

void Captions(TSheetGraph& G, const QString& X, const QString& Y)
{
  G.Graph->PrimaryXAxis()->SetCaption(X);
  G.Graph->PrimaryYAxis()->SetCaption(Y);
}

} // namespace

GV_GALLERY_SHEET(analysis_smoothing)
{
  TSheetGraph G(900, 540,
                "Noisy damped oscillation: moving average (red, 9 points each side) and "
                "smoothing spline (blue)");
  std::mt19937 Rng(11);
  std::normal_distribution<double> Noise(0, 0.18);
  std::vector<double> X, Y;
  for (int I = 0; I <= 200; ++I) {
    const double T = I * 0.05;
    X.push_back(T);
    Y.push_back(std::exp(-T / 6) * std::sin(1.3 * T) + Noise(Rng));
  }
  auto* D = Points(G, X, Y, 6);
  auto* Avg = Over<TGvMovingAverage>(G, D, 0xFFD02020);
  Avg->SetAveragingDirection(TGvAveragingDirection::UpAndDownwards);
  Avg->SetAveragingMethod(TGvAveragingMethod::LinearWeighted);
  Avg->SetN(9);
  auto* Spline = Over<TGvInterpolation>(G, D, 0xFF2040D0);
  Spline->SetInterpolationMethod(TGvInterpolationMethod::ApproximativeSpline);
  Spline->SetElasticityFactor(8);
  Captions(G, "Time (s)", "Signal (V)");
  Sheet.Save(G.Image(), "analysis_smoothing");
}

GV_GALLERY_SHEET(analysis_spline)
{
  TSheetGraph G(900, 540,
                "12 points, one step among them: Akima (red) stays calm, the cubic spline "
                "(blue) overshoots");
  const std::vector<double> X = {0, 1, 2, 3, 4, 4.6, 5.4, 6, 7, 8, 9.5, 11};
  const std::vector<double> Y = {1.0, 1.3, 1.2, 1.6, 2.0, 5.6, 6.0, 6.1, 5.8, 6.4, 7.5, 7.2};
  auto* D = Points(G, X, Y, 9);
  auto* Cubic = Over<TGvInterpolation>(G, D, 0xFF2040D0);
  Cubic->SetInterpolationMethod(TGvInterpolationMethod::CubicSpline);
  auto* Akima = Over<TGvInterpolation>(G, D, 0xFFD02020);
  Akima->SetInterpolationMethod(TGvInterpolationMethod::Akima);
  Captions(G, "Position (mm)", "Height (mm)");
  Sheet.Save(G.Image(), "analysis_spline");
}

GV_GALLERY_SHEET(analysis_spectrum)
{
  // Above: 400 samples at 100 Hz of a mean of 0.3 and two tones (5 Hz at
  // 1.0, 12.5 Hz at 0.5 and a quarter period late) with a little noise;
  // below: the amplitude spectrum (steps of 0.25 Hz; the mean shows twice at
  // 0 Hz) and the phase of the bins that carry a tone.
  const int N = 400;
  const double Dt = 0.01;
  std::mt19937 Rng(5);
  std::normal_distribution<double> Noise(0, 0.03);
  std::vector<double> T, Y;
  for (int I = 0; I < N; ++I) {
    const double t = I * Dt;
    T.push_back(t);
    Y.push_back(0.3 + std::cos(2 * Pi * 5 * t) + 0.5 * std::sin(2 * Pi * 12.5 * t) + Noise(Rng));
  }
  TSheetGraph Signal(
      900, 260,
      "400 samples at 100 Hz: 0.3 + cos(2\u03c0\u00b75t) + 0.5 sin(2\u03c0\u00b712.5t) + noise");
  Signal.Line(T, Y)->Line()->SetColor(0xFF404040);
  Captions(Signal, "Time (s)", "Signal");

  TSheetGraph G(900, 400,
                "Amplitude spectrum (blue) and phase of the bins above 0.05 (green, right axis)");
  auto* S = new TGvDiscreteFourier(G.Form.get());
  S->SetXAxis(G.Graph->PrimaryXAxis());
  S->SetYAxis(G.Graph->PrimaryYAxis());
  S->SetXData(G.Vector(T));
  S->SetYData(G.Vector(Y));
  S->Line()->SetColor(0xFF2040D0);
  S->Line()->SetWidth(2);
  auto* PhaseAxis = new TGvAxis(G.Graph);
  PhaseAxis->SetPosition(TGvAxisPosition::Right);
  PhaseAxis->SetGraph(G.Graph);
  PhaseAxis->SetCaption("Phase (rad)");
  PhaseAxis->SetStartEnd(TGvAxisEnd::Fixed);
  PhaseAxis->SetStopEnd(TGvAxisEnd::Fixed);
  PhaseAxis->SetEndRounding(TGvAxisEndRounding::RndNothing);
  PhaseAxis->SetStartStop(-Pi, Pi);
  TGvChildSeries* Phase = S->Phase();
  Phase->SetYAxis(PhaseAxis);
  Phase->SetVisible(true);
  Phase->Line()->SetVisible(false);
  Phase->PointSymbol()->SetVisible(true);
  Phase->PointSymbol()->SetPointSymbol(TGvPointSymbol::Diamond);
  Phase->PointSymbol()->SetSize(11);
  Phase->PointSymbol()->SetBorderColor(0xFF006400);
  Phase->PointSymbol()->SetFillColor(0xFF90EE90);
  // The phase of a bin without a tone is that of the noise.
  Phase->OnGetPointSymbol = [S](TGvSeries*, TGvPointSymbolEventArgs& A) {
    const auto& Amplitude = S->Spectrum().Amplitude();
    A.Visible = A.Index >= 0 && std::size_t(A.Index) < Amplitude.size() &&
                Amplitude[std::size_t(A.Index)] > 0.05;
  };
  G.Graph->SetDistanceBorderAxisRight(0);
  TGvAxis* A = G.Graph->PrimaryYAxis();
  A->SetStopEnd(TGvAxisEnd::Fixed);
  A->SetStartStop(0, 1.2);
  Captions(G, "Frequency (Hz)", "Amplitude");

  QImage Image(900, 660, QImage::Format_ARGB32);
  Image.fill(Qt::white);
  {
    QPainter P(&Image);
    P.drawImage(0, 0, Signal.Image());
    P.drawImage(0, 260, G.Image());
  }
  Sheet.Save(Image, "analysis_spectrum");
}

GV_GALLERY_SHEET(analysis_regression)
{
  TSheetGraph G(900, 540, QString());
  std::mt19937 Rng(3);
  std::normal_distribution<double> Noise(0, 1.2);
  std::vector<double> X, Y;
  for (int I = 0; I < 40; ++I) {
    const double V = 0.5 + I * 0.25;
    X.push_back(V);
    Y.push_back(2.0 + 1.5 * V + Noise(Rng));
  }
  auto* D = Points(G, X, Y);
  auto* R = Over<TGvLinearRegression>(G, D, 0xFFC03020);
  R->setObjectName("Regression");
  R->ConfidenceIntervalLine()->SetVisible(true);
  R->ConfidenceIntervalLine()->SetColor(0xC0C03020);
  R->ConfidenceIntervalLine()->SetWidth(1.5);
  R->ConfidenceIntervalArea()->SetVisible(true);
  R->ConfidenceIntervalArea()->SetForeColor(0x30C03020);
  const QString Name = G.Form->objectName() + ".Regression.";
  G.Graph->SetCaption("Y = a + bX with its 95 % confidence band: a = <%" + Name +
                      "Offset;0.00%> \u00b1 <%" + Name + "DeltaOffset;0.00%>, b = <%" + Name +
                      "Slope;0.000%> \u00b1 <%" + Name + "DeltaSlope;0.000%>, r = <%" + Name +
                      "Correlation;0.000%>");
  G.Graph->SetCaptionVisible(true);
  G.Graph->SetCaptionDistanceBefore(6);
  G.Graph->SetCaptionDistanceAfter(6);
  Captions(G, "Concentration (ppm)", "Signal (mV)");
  Sheet.Save(G.Image(), "analysis_regression");
}

GV_GALLERY_SHEET(analysis_polynomial)
{
  TSheetGraph G(900, 540, QString());
  std::mt19937 Rng(8);
  std::normal_distribution<double> Noise(0, 0.25);
  std::vector<double> X, Y;
  for (int I = 0; I <= 60; ++I) {
    const double V = -3 + I * 0.1;
    X.push_back(V);
    // A quintic with three humps.
    Y.push_back(0.05 * std::pow(V, 5) - 0.6 * std::pow(V, 3) + 1.2 * V + 0.5 + Noise(Rng));
  }
  auto* D = Points(G, X, Y);
  auto* P = Over<TGvPolynomial>(G, D, 0xFF2040D0);
  P->setObjectName("Quintic");
  P->SetOrder(5);
  const QString Name = G.Form->objectName() + ".Quintic.";
  G.Graph->SetCaption("Polynomial of degree 5: <%" + Name + "Formula%>,  f = <%" + Name +
                      "Coefficients(5);0.000%>, d = <%" + Name + "Coefficients(3);0.000%>, b = <%" +
                      Name + "Coefficients(1);0.000%>  (true 0.05, -0.6, 1.2)");
  G.Graph->SetCaptionVisible(true);
  G.Graph->SetCaptionDistanceBefore(6);
  G.Graph->SetCaptionDistanceAfter(6);
  Captions(G, "x", "y");
  Sheet.Save(G.Image(), "analysis_polynomial");
}

GV_GALLERY_SHEET(analysis_fit)
{
  TSheetGraph G(900, 540, QString());
  std::mt19937 Rng(21);
  std::normal_distribution<double> Noise(0, 0.04);
  std::vector<double> X, Y;
  for (int I = 0; I <= 50; ++I) {
    const double T = I * 0.2;
    X.push_back(T);
    // A decay of amplitude 2.5 with rate 0.45/s over a baseline of 0.3.
    Y.push_back(2.5 * std::exp(-0.45 * T) + 0.3 + Noise(Rng));
  }
  auto* D = Points(G, X, Y);
  auto* F = Over<TGvFittedLine>(G, D, 0xFFC03020);
  F->setObjectName("Decay");
  F->SetExpression("A*EXP(-B*X)+C");
  F->SetCoefficients({1, 1, 0});
  F->SetIterations(2000);
  const QString Name = G.Form->objectName() + ".Decay.";
  G.Graph->SetCaption("Fitted <%" + Name + "Formula%>:  y = <%" + Name +
                      "Coefficients(0);0.000%> e\\+-<%" + Name +
                      "Coefficients(1);0.000%> x\\+ + <%" + Name +
                      "Coefficients(2);0.000%>  (true 2.5, 0.45, 0.3; sum of squared residuals <%" +
                      Name + "SumOfResiduals;0.000%>)");
  G.Graph->SetCaptionVisible(true);
  G.Graph->SetCaptionDistanceBefore(6);
  G.Graph->SetCaptionDistanceAfter(6);
  Captions(G, "Time (s)", "Concentration (mmol/l)");
  Sheet.Save(G.Image(), "analysis_fit");
}

GV_GALLERY_SHEET(analysis_saved)
{
  // Above the chart as built; below the same chart written as XML, its form
  // closed, and read back into a new empty form of the same name: it must
  // look the same.
  std::mt19937 Rng(13);
  std::normal_distribution<double> Noise(0, 0.15);
  std::vector<double> X, Y;
  for (int I = 0; I < 80; ++I) {
    const double T = I * 0.125;
    X.push_back(T);
    Y.push_back(1 + 0.25 * T + std::sin(1.3 * T) + Noise(Rng));
  }
  const QString Title = "Moving average (green), regression with its band (red) and fitted "
                        "A+B*X+C*SIN(D*X) (blue)";
  QByteArray Saved;
  QImage Written;
  {
    TSheetGraph G(900, 330, Title);
    G.Form->setObjectName("SavedSheetForm");
    auto* D = Points(G, X, Y, 5);
    D->setObjectName("Points");
    D->XData()->setObjectName("X1");
    D->YData()->setObjectName("Y1");
    auto* A = Over<TGvMovingAverage>(G, D, 0xFF20A040);
    A->setObjectName("Average");
    A->SetN(6);
    A->SetAveragingDirection(TGvAveragingDirection::UpAndDownwards);
    auto* R = Over<TGvLinearRegression>(G, D, 0xFFC03020, 1.5f);
    R->setObjectName("Regression");
    R->ConfidenceIntervalLine()->SetVisible(true);
    R->ConfidenceIntervalArea()->SetVisible(true);
    R->ConfidenceIntervalArea()->SetForeColor(0x30C03020);
    auto* F = Over<TGvFittedLine>(G, D, 0xFF2040D0);
    F->setObjectName("Fit");
    F->SetExpression("A+B*X+C*SIN(D*X)");
    F->SetCoefficients({1, 0.25, 1, 1.3});
    F->SetIterations(0);
    Captions(G, "Time (s)", "Signal");
    G.Image();
    // Ranged once more now that the axes know their lengths.
    for (TGvAxis* Axis : G.Graph->Axes()) Axis->RangeModified();
    Written = G.Image();
    QDomDocument Doc;
    QDomElement Root = Doc.createElement("Chart");
    Doc.appendChild(Root);
    G.Graph->WriteTo(Root, true);
    Saved = GvXmlText(Doc);
  }
  TSheetGraph G(900, 330, QString());
  G.Form->setObjectName("SavedSheetForm");
  QDomDocument Doc;
  GvParseXml(Saved, Doc);
  G.Graph->ReadFrom(Doc.documentElement().firstChildElement());
  const QImage Read = G.Image();

  QImage Image(900, 670, QImage::Format_ARGB32);
  Image.fill(Qt::white);
  {
    QPainter P(&Image);
    P.drawImage(0, 0, Written);
    P.drawImage(0, 340, Read);
    P.setPen(Read == Written ? Qt::darkGreen : Qt::red);
    P.drawText(QRect(0, 330, 900, 10), Qt::AlignCenter,
               Read == Written ? "read back: the same picture" : "read back: the picture differs");
  }
  Sheet.Save(Image, "analysis_saved");
}
