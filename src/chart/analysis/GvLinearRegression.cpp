#include "chart/analysis/GvLinearRegression.h"

#include <QPainter>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iterator>

namespace {

struct TT95Row
{
  double Bound;
  double T;
};

constexpr TT95Row T95Table[] = {
    {1, 12.706}, {2, 4.303},   {3, 3.182},   {4, 2.776},   {5, 2.571},   {6, 2.447},  {7, 2.365},
    {8, 2.306},  {9, 2.262},   {10, 2.228},  {11, 2.201},  {12, 2.179},  {13, 2.16},  {14, 2.145},
    {15, 2.131}, {16, 2.12},   {17, 2.11},   {18, 2.101},  {19, 2.093},  {20, 2.086}, {21, 2.08},
    {22, 2.074}, {23, 2.069},  {24, 2.064},  {25, 2.06},   {26, 2.056},  {27, 2.052}, {28, 2.048},
    {29, 2.045}, {30, 2.042},  {40, 2.021},  {50, 2.009},  {60, 2.0},    {70, 1.994}, {80, 1.99},
    {90, 1.987}, {100, 1.984}, {200, 1.972}, {300, 1.968}, {400, 1.966}, {500, 1.965}};

// A result for an axis: never infinite, never NaN.
double Finite(double Y)
{
  if (std::isnan(Y)) return 0.0;
  if (Y > DBL_MAX) return DBL_MAX;
  if (Y < -DBL_MAX) return -DBL_MAX;
  return Y;
}

} // namespace

double T95Percent(double N)
{
  for (const TT95Row& Row : T95Table)
    if (Row.Bound >= N) return Row.T;
  return 1.96;
}

double Exp10(double Y)
{
  if (Y == 0) return 1.0;
  const double R = std::pow(10.0, Y);
  return std::isfinite(R) ? R : DBL_MAX;
}

TGvLinearRegressionCalculation::TGvLinearRegressionCalculation()
    : FSlope(1.0), FDeltaSlope(1.0), FOffset(1.0), FDeltaOffset(1.0), FAverageX(1.0),
      FAverageY(1.0), FVarianceX(1.0), FVarianceY(1.0), FProbability(1.0), FCorrelation(1.0),
      FSumOfResiduals(1.0)
{
}

void TGvLinearRegressionCalculation::Reset()
{
  FSumX = FSumY = FSumW = FSumWXX = FSumWXY = FSumWdXY = 0;
  FQxx = FQyy = 0;
  FSlope = FAverageX = FAverageY = FVarianceX = FVarianceY = 0;
  FProbability = FCorrelation = FSumOfResiduals = 0;
  FDeltaSlope = -DBL_MAX;
  FDeltaOffset = DBL_MAX;
  FAllXEqual = false;
  FT95Percent = 0;
}

double TGvLinearRegressionCalculation::FitX(double X) const
{
  return FXLog ? std::log10(X) : X;
}

void TGvLinearRegressionCalculation::Calculate(const TGvCalculationData& Points)
{
  Reset();
  if (!FFixedOffset) FOffset = 0;
  const std::size_t N = Points.Count();

  // The points of the fit: valid, positive weight, and with a logarithm
  // where one is taken.
  std::vector<double> Xs, Ys, Ws;
  Xs.reserve(N);
  Ys.reserve(N);
  Ws.reserve(N);
  for (std::size_t I = 0; I < N; ++I) {
    if (!Points.IsValid(I)) continue;
    const double W = Points.Wi(I);
    if (!(W > 0)) continue;
    const double X = FitX(Points.Xi(I));
    const double Y = FYLog ? std::log10(Points.Yi(I)) : Points.Yi(I);
    if (!std::isfinite(X) || !std::isfinite(Y)) continue;
    Xs.push_back(X);
    Ys.push_back(Y);
    Ws.push_back(W);
  }
  const std::size_t K = Xs.size();
  if (K < (FFixedOffset ? 1u : 2u)) throw EMathError(GvCalcMessages::NotEnoughPoints);

  // Pass 1: sums and weighted means.
  for (std::size_t I = 0; I < K; ++I) {
    const double W = Ws[I], X = Xs[I], Y = Ys[I];
    FSumW += W;
    FSumX += W * X;
    FSumY += W * Y;
    if (FFixedOffset) {
      FSumWXX += W * X * X;
      FSumWXY += W * X * (Y - FOffset);
    }
  }
  FAverageX = FSumX / FSumW;
  FAverageY = FSumY / FSumW;

  // Pass 2: the scatter about the means.
  for (std::size_t I = 0; I < K; ++I) {
    const double W = Ws[I], Dx = Xs[I] - FAverageX, Dy = Ys[I] - FAverageY;
    FQxx += W * Dx * Dx;
    FQyy += W * Dy * Dy;
    if (!FFixedOffset) FSumWdXY += W * Dx * Dy;
  }
  auto Residuals = [&] {
    double S = 0;
    for (std::size_t I = 0; I < K; ++I) {
      const double R = Ys[I] - FSlope * Xs[I] - FOffset;
      S += Ws[I] * R * R;
    }
    return S;
  };

  if (FFixedOffset) {
    if (!(FSumWXX > 0)) {
      // All X are 0: the slope is not determined.
      FSumOfResiduals = 0;
      FDeltaSlope = 0;
      FProbability = 1;
    } else {
      FSlope = FSumWXY / FSumWXX;
      FSumOfResiduals = Residuals();
      FDeltaOffset = 0;
      FDeltaSlope = FSumW > 1 ? std::sqrt(FSumOfResiduals / ((FSumW - 1) * FSumWXX)) : 0;
      FProbability = FQyy > 0 ? 1 - FSumOfResiduals / FQyy : 1;
      if (FSumW > 1) {
        FVarianceX = FQxx / (FSumW - 1);
        FVarianceY = FQyy / (FSumW - 1);
      }
      FT95Percent = T95Percent(FSumW - 1);
    }
    return;
  }

  if (FSumW > 1) {
    FVarianceX = FQxx / (FSumW - 1);
    FVarianceY = FQyy / (FSumW - 1);
  }
  const double Slope = FQxx > 0 ? FSumWdXY / FQxx : 0;
  const double Offset = FAverageY - Slope * FAverageX;
  if (!(FQxx > 0) || !std::isfinite(Slope) || !std::isfinite(Offset)) {
    // All X equal: a vertical line.
    FAllXEqual = true;
    FSlope = FOffset = DBL_MAX;
    FCorrelation = 1;
    FProbability = 1;
    FSumOfResiduals = 0;
    FDeltaSlope = FDeltaOffset = 0;
    return;
  }
  FSlope = Slope;
  FOffset = Offset;
  FSumOfResiduals = Residuals();
  if (!(FQyy > 0)) {
    // All Y equal: a horizontal line through them.
    FSlope = 0;
    FOffset = FAverageY;
    FCorrelation = 1;
    FProbability = 1;
    FSumOfResiduals = 0;
  } else {
    FCorrelation = std::clamp(FSlope * std::sqrt(FQxx / FQyy), -1.0, 1.0);
    FProbability = 1 - FSumOfResiduals / FQyy;
  }
  if (FSumW - 2 > 0) {
    FDeltaSlope = std::sqrt(FSumOfResiduals / ((FSumW - 2) * FQxx));
    FDeltaOffset =
        std::sqrt((1 / FSumW + FAverageX * FAverageX / FQxx) * FSumOfResiduals / (FSumW - 2));
    FT95Percent = T95Percent(FSumW - 2);
  } else {
    FDeltaSlope = FDeltaOffset = 0;
  }
}

double TGvLinearRegressionCalculation::GetY(double AtX) const
{
  const double Y = FSlope * FitX(AtX) + FOffset;
  return Finite(FYLog ? Exp10(Finite(Y)) : Y);
}

bool TGvLinearRegressionCalculation::HasConfidence() const
{
  if (FAllXEqual) return false;
  if (FFixedOffset) return FSumWXX > 0 && FSumW - 1 > 0;
  return FQxx > 0 && FSumW - 2 > 0;
}

double TGvLinearRegressionCalculation::Confidence(double X) const
{
  if (!HasConfidence()) return 0.0;
  const double Xf = FitX(X);
  if (!std::isfinite(Xf)) return 0.0;
  double C;
  if (FFixedOffset) {
    C = FT95Percent * std::fabs(Xf) * FDeltaSlope;
  } else {
    const double Dx = Xf - FAverageX;
    C = FT95Percent * std::sqrt(FSumOfResiduals / (FSumW - 2) * (1 / FSumW + Dx * Dx / FQxx));
  }
  return Finite(C);
}

TGvConfidenceBand TGvLinearRegressionCalculation::ConfidenceBand(double From, double To,
                                                                 int Count) const
{
  TGvConfidenceBand Band;
  Count = std::clamp(Count, 2, MaxBandSamples);
  if (!std::isfinite(From) || !std::isfinite(To) || FAllXEqual) return Band;
  Band.X.reserve(Count);
  Band.Lower.reserve(Count);
  Band.Upper.reserve(Count);
  for (int I = 0; I < Count; ++I) {
    const double X = I == Count - 1 ? To : From + (To - From) * I / (Count - 1);
    const double Y = FSlope * FitX(X) + FOffset;
    const double C = Confidence(X);
    Band.X.push_back(X);
    if (FYLog) {
      Band.Lower.push_back(Finite(Exp10(Finite(Y - C))));
      Band.Upper.push_back(Finite(Exp10(Finite(Y + C))));
    } else {
      Band.Lower.push_back(Finite(Y - C));
      Band.Upper.push_back(Finite(Y + C));
    }
  }
  return Band;
}

std::pair<double, double> TGvLinearRegressionCalculation::YExtent(double From, double To,
                                                                  bool WithBand) const
{
  // The line is straight and the band's half-width convex in X, so the
  // extremes lie at the ends.
  double Lo = DBL_MAX, Hi = -DBL_MAX;
  for (const double X : {From, To}) {
    const double Y = FSlope * FitX(X) + FOffset;
    const double C = WithBand ? Confidence(X) : 0.0;
    double L = Finite(Y - C), U = Finite(Y + C);
    if (FYLog) {
      L = Exp10(L);
      U = Exp10(U);
    }
    Lo = std::min(Lo, L);
    Hi = std::max(Hi, U);
  }
  return {Lo, Hi};
}

QString LinearRegressionFormula(bool XLog, bool YLog)
{
  return QString(YLog ? "lg(Y)=a+b(" : "Y=a+b(") + (XLog ? "lg(X))" : "X)");
}

// ---- TGvLinearRegression -------------------------------------------------------

namespace {

bool AxisLog(const TGvAxis* A)
{
  return A && A->Scale().IsLogScaling();
}

} // namespace

TGvLinearRegression::TGvLinearRegression(QObject* Owner) : TGvFunctionSeries(Owner)
{
  auto C = std::make_unique<TGvCalculationOf<TGvLinearRegressionCalculation>>();
  FRegr = C.get();
  SetCalculation(std::move(C));
  FConfidenceIntervalLine = new TGvLineSettings(this);
  FConfidenceIntervalArea = new TGvAreaSettings(this);
  const TGvColor Color = FLine->Color() & 0x00FFFFFF;
  FConfidenceIntervalLine->SetDashStyle(TGvDashStyle::Dash);
  FConfidenceIntervalLine->SetColor(Color | (TGvColor(100) << 24));
  FConfidenceIntervalLine->SetVisible(false);
  FConfidenceIntervalArea->SetForeColor(Color | (TGvColor(10) << 24));
  FConfidenceIntervalArea->SetVisible(false);
  // A band switched on or off widens or narrows the Y range.
  for (TGvPersistent* S : {static_cast<TGvPersistent*>(FConfidenceIntervalLine),
                           static_cast<TGvPersistent*>(FConfidenceIntervalArea)})
    connect(S, &TGvPersistent::Changed, this, [this] {
      SetLastCount(0);
      if (FGraph) FGraph->Modified();
    });
  RegisterVariables();
  NumberCaption();
}

TGvLinearRegression::~TGvLinearRegression()
{
  BeginDestroy();
}

void TGvLinearRegression::SetFixedOffset(bool Value)
{
  if (Value == FixedOffset()) return;
  CheckUndo("FixedOffset", QStringLiteral("Linear regression fixed offset"));
  FRegr->Calc.SetFixedOffset(Value);
  SetLastCount(0);
}

void TGvLinearRegression::SetOffset(double Value)
{
  if (Value == Offset()) return;
  if (FixedOffset()) CheckUndo("Offset", QStringLiteral("Linear regression offset"));
  FRegr->Calc.SetOffset(Value);
  SetLastCount(0);
}

void TGvLinearRegression::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvFunctionSeries::SetUndoStack(Stack);
  FConfidenceIntervalLine->SetUndoStack(Stack);
  FConfidenceIntervalArea->SetUndoStack(Stack);
}

bool TGvLinearRegression::BandVisible() const
{
  return FConfidenceIntervalLine->Visible() || FConfidenceIntervalArea->Visible();
}

bool TGvLinearRegression::SeriesVisible() const
{
  return TGvFunctionSeries::SeriesVisible() || (Visible() && BandVisible());
}

void TGvLinearRegression::CalculateFunction()
{
  if (FCount < 2) return;
  // The fit on a logarithmic axis runs in its logarithm, which an axis that
  // turns linear below some level cannot show.
  for (TGvAxis* A : {FXAxis.data(), FYAxis.data()}) {
    if (!AxisLog(A) || !(A->LogToNormalScalingLevel() > 0)) continue;
    ShowMessage(QString(A == FXAxis ? "Log X-Axis" : "Log Y-Axis") +
                " with regression and LogToNormalScalingLevel>0 not possible\nSetting to 0");
    A->SetLogToNormalScalingLevel(0);
  }
  SetLimits();
  PrepareCalculation(*FRegr);
  FRegr->Calc.SetXLog(AxisLog(FXAxis));
  FRegr->Calc.SetYLog(AxisLog(FYAxis));
  FRegr->Calculate();
  if (Regr().AllXEqual() || YRangeClipped()) {
    FYStart = GvNoRangeStart;
    FYStop = GvNoRangeStop;
  } else {
    const auto [Lo, Hi] = Regr().YExtent(DisplayStart(), DisplayStop(), BandVisible());
    FYStart = Lo;
    FYStop = Hi;
  }
  if (OnCalculated) OnCalculated(this);
}

void TGvLinearRegression::CalculatePoints()
{
  FPoints.clear();
  FAreaPoints.clear();
  FSymbolPos.clear();
  FUpper.clear();
  FLower.clear();
  FBandArea.clear();
  FCommitted = 0;
  FPointsWithSymbols = false;
  if (FXAxis && FYAxis) {
    FMapX = MapKeyOf(FXAxis);
    FMapY = MapKeyOf(FYAxis);
  }
  const bool Drawn =
      FXAxis && FYAxis && FCount >= MinCount() && !FCalculationFailed && !Regr().AllXEqual();
  const std::vector<double> Grid = Drawn ? DisplayGrid() : std::vector<double>();
  if (Grid.size() >= 2) {
    auto Point = [this](double X, double Y) {
      return TGvScreenPoint{GvClampPixel(FXAxis->NumberToWorld(X)),
                            GvClampPixel(FYAxis->NumberToWorld(Y)), -1};
    };
    // The line is straight on the screen (it is fitted in the axes' units).
    FPoints.push_back(Point(Grid.front(), GetY(Grid.front())));
    FPoints.push_back(Point(Grid.back(), GetY(Grid.back())));
    FCommitted = FPoints.size();
    if (BandVisible() && Regr().HasConfidence()) {
      const bool YLog = Regr().YLog();
      FUpper.reserve(Grid.size());
      FLower.reserve(Grid.size());
      for (double X : Grid) {
        const double Y = GetY(X), C = Confidence(X);
        const double Lo = YLog ? Y * Exp10(-C) : Y - C, Hi = YLog ? Y * Exp10(C) : Y + C;
        FUpper.push_back(Point(X, Hi));
        FLower.push_back(Point(X, Lo));
      }
      FBandArea.reserve(2 * Grid.size() + 1);
      for (const TGvScreenPoint& P : FUpper) FBandArea.emplace_back(P.X, P.Y);
      for (auto It = FLower.rbegin(); It != FLower.rend(); ++It)
        FBandArea.emplace_back(It->X, It->Y);
      FBandArea.push_back(FBandArea.front());
    }
  }
  AddBandPoints();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

void TGvLinearRegression::PaintGr(QPainter& Painter)
{
  if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible()) return;
  if (PointsStale()) CalculatePoints();
  if (!FUpper.empty()) {
    const QRectF View = FGraph->DrawingArea();
    Painter.save();
    if (ClipYValues()) Painter.setClipRect(View, Qt::IntersectClip);
    if (FConfidenceIntervalArea->Visible()) {
      const std::vector<QPointF> C = GvClipPolygon(FBandArea, LineClip(4));
      if (C.size() >= 3) {
        Painter.setPen(Qt::NoPen);
        Painter.setBrush(FConfidenceIntervalArea->GetBrush(View));
        Painter.drawPolygon(C.data(), int(C.size()));
      }
    }
    if (FConfidenceIntervalLine->Visible()) {
      const QPen Pen = FConfidenceIntervalLine->GetPen(View);
      DrawPolyline(Painter, Pen, FUpper);
      DrawPolyline(Painter, Pen, FLower);
    }
    Painter.restore();
  }
  if (TGvFunctionSeries::SeriesVisible()) TGvFunctionSeries::PaintGr(Painter);
}

double TGvLinearRegression::GetY(double AtX)
{
  return Regr().GetY(AtX);
}

QString TGvLinearRegression::GetFormula() const
{
  return LinearRegressionFormula(AxisLog(FXAxis), AxisLog(FYAxis));
}

void TGvLinearRegression::RegisterVariables()
{
  TGvFunctionSeries::RegisterVariables();
  struct TVar
  {
    const char* Id;
    const char* Comment;
    double (TGvLinearRegression::*Get)() const;
  };
  const TVar Vars[] = {
      {"Offset", "The offset a of the regression line Y=a+mX", &TGvLinearRegression::Offset},
      {"Slope", "The slope m of the regression line Y=a+mX", &TGvLinearRegression::Slope},
      {"DeltaSlope", "Statistical error of slope m of the regression line Y=a+mX",
       &TGvLinearRegression::DeltaSlope},
      {"DeltaOffset", "Statistical error of offset a of the regression line Y=a+mX",
       &TGvLinearRegression::DeltaOffset},
      {"AverageX", "Mean of X values", &TGvLinearRegression::AverageX},
      {"AverageY", "Mean of Y values", &TGvLinearRegression::AverageY},
      {"VarianceX", "Variance of X values", &TGvLinearRegression::VarianceX},
      {"VarianceY", "Variance of Y values", &TGvLinearRegression::VarianceY},
      {"Probability", "Probability of the fitted line", &TGvLinearRegression::Probability},
      {"Correlation", "Correlation coefficient", &TGvLinearRegression::Correlation},
      {"SumOfResiduals", "Sum of squared deviations of data points to fitted line",
       &TGvLinearRegression::SumOfResiduals},
  };
  for (const TVar& V : Vars) {
    const auto Get = V.Get;
    AddVariableToList(V.Id, V.Comment, this, GlobalVariableList(),
                      [this, Get] { return (this->*Get)(); });
  }
}
