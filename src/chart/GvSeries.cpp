#include "chart/GvSeries.h"

#include "chart/GvDrawing.h"
#include "chart/GvGraph2D.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

// ---- The colour cycle --------------------------------------------------------

const TGvSeriesColors& GvSeriesColors(int Entry)
{
  static const TGvSeriesColors Table[6] = {
      {0xFFFF0000, 0xFF0000FF, 0xFFADD8E6, TGvPointSymbol::Circle},
      {0xFF008000, 0xFF8B0000, 0xFFF08080, TGvPointSymbol::Square},
      {0xFF0000FF, 0xFF006400, 0xFF90EE90, TGvPointSymbol::Diamond},
      {0xFF800000, 0xFFD2691E, 0xFFFFFF00, TGvPointSymbol::FiveStar},
      {0xFF006400, 0xFFA52A2A, 0xFFDEB887, TGvPointSymbol::Delta},
      {0xFF00008B, 0xFF008B8B, 0xFFE0FFFF, TGvPointSymbol::Nabla},
  };
  return Table[((Entry % 6) + 6) % 6];
}

int GvNextSeriesColorEntry()
{
  // One cycle for the whole program, so that a series made after another
  // was deleted does not take a colour that one still shown has.
  static int Counter = 0;
  const int Entry = Counter;
  Counter = Counter >= 5 ? 0 : Counter + 1;
  return Entry;
}

namespace {

bool Finite(double V)
{
  return V - V == 0;
}

// ---- What the series asks of its axes ------------------------------------

// The axis scales logarithmically (its setting: ranges leave out what it
// cannot show).
bool AxisIsLog(const TGvAxis* A)
{
  return A && A->Scale().IsLogScaling();
}
// The axis is drawn logarithmically now (pixels are linear in log10).
bool AxisDrawnLog(const TGvAxis* A)
{
  return A && A->Scale().HasLogScaling;
}

TGvGraph2D* AxisGraph(const TGvAxis* A)
{
  return A ? qobject_cast<TGvGraph2D*>(A->Graph()) : nullptr;
}

int AxisPixelWidth(const TGvAxis* A)
{
  return A ? std::max(1, int(std::lround(std::min(A->AxLength(), 1e6)))) : 1;
}

// The mapping of one axis for the conversion loop: linear axes convert by a
// multiply-add, the others through the axis.
struct TAxisMap
{
  const TGvAxis* Axis = nullptr;
  bool Linear = false;
  double Origin = 0, Scale = 0, Start = 0;

  explicit TAxisMap(const TGvAxis* A) : Axis(A)
  {
    const TGvAxisScaling S = A->Scaling();
    Linear = !A->Scale().HasLogScaling && S != TGvAxisScaling::DateTime;
    if (Linear) {
      Start = A->Start();
      const double Span = A->Stop() - A->Start();
      const double P0 = A->NumberToWorld(A->Start());
      const double P1 = A->NumberToWorld(A->Stop());
      if (Span > 0 && Finite(Span) && Finite(P0) && Finite(P1)) {
        Origin = P0;
        Scale = (P1 - P0) / Span;
      } else {
        Linear = false;
      }
    }
  }
  float Map(double V) const
  {
    if (Linear) return GvClampPixel(Origin + (V - Start) * Scale);
    return GvClampPixel(Axis->NumberToWorld(V));
  }
};

bool RasterDevice(const QPainter& P)
{
  return P.paintEngine() && P.paintEngine()->type() == QPaintEngine::Raster;
}

} // namespace

// ---- TGvSeries: construction -------------------------------------------------

TGvSeries::TGvSeries(QObject* Owner) : TGvComponent(Owner)
{
  FIndexer = new TGvIndexer(this);
  FLine = new TGvLineSettings(this);
  FArea = new TGvAreaSettings(this);
  FPointSymbol = new TGvPointSymbolSettings(this);
  FOutOfRangeSymbol = new TGvPointSymbolSettings(this);

  const TGvSeriesColors& C = GvSeriesColors(GvNextSeriesColorEntry());
  FLine->SetColor(C.Line);
  FLine->SetVisible(true);
  FArea->SetVisible(false);
  FPointSymbol->SetVisible(false);
  FPointSymbol->SetBorderColor(C.SymbolBorder);
  FPointSymbol->SetFillColor(C.SymbolFill);
  FPointSymbol->SetPointSymbol(C.Symbol);
  FOutOfRangeSymbol->SetVisible(false);
  FOutOfRangeSymbol->SetBorderColor(0xFF696969);
  FOutOfRangeSymbol->SetFillColor(0xFFD3D3D3);
  FOutOfRangeSymbol->SetPointSymbol(C.Symbol);

  for (TGvPersistent* S :
       {static_cast<TGvPersistent*>(FLine), static_cast<TGvPersistent*>(FArea),
        static_cast<TGvPersistent*>(FPointSymbol), static_cast<TGvPersistent*>(FOutOfRangeSymbol)})
    connect(S, &TGvPersistent::Changed, this, &TGvSeries::OnSettingsChanged);
  RegisterVariables();
  connect(this, &QObject::objectNameChanged, this, [this] {
    DeRegisterVariables();
    RegisterVariables();
  });
  NumberCaption();
}

TGvSeries::~TGvSeries()
{
  BeginDestroy();
  DeRegisterVariables();
  LeaveRelatedVectors();
  if (FXAxis) FXAxis->RemoveRelatedSeries(this);
  if (FYAxis) FYAxis->RemoveRelatedSeries(this);
  if (FGraph && !FGraph->IsDestroying()) FGraph->RemoveSeries(this);
}

// ---- Parser variables ----------------------------------------------------------

void TGvSeries::RegisterVariables()
{
  AddStringToList("Name", "Internal name of the series", this, GlobalStringList(),
                  [this] { return objectName(); });
  AddStringToList("Caption", "Caption of the series e.g. used in legends", this, GlobalStringList(),
                  [this] { return Caption(); });
}

void TGvSeries::DeRegisterVariables()
{
  RemoveFromGlobalLists(this);
}

// ---- Properties ----------------------------------------------------------------

void TGvSeries::SetVisible(bool Value)
{
  if (Value == FVisible) return;
  CheckUndo("Visible", QStringLiteral("Series visibility"));
  FVisible = Value;
  if (FXAxis) FXAxis->RangeModified();
  if (FYAxis) FYAxis->RangeModified();
  if (FGraph) {
    FGraph->LegendsModified();
    FGraph->Modified();
  }
  Invalidate();
}

void TGvSeries::NumberCaption()
{
  // The class name without its leading letter and the first number that no
  // other series of the owner carries in its caption and no other component
  // of the owner in its name. Each constructor numbers again, so the most
  // derived class names the caption.
  const QString Base = QString::fromLatin1(metaObject()->className()).mid(1);
  QStringList Taken;
  if (QObject* O = parent())
    for (QObject* C : O->children()) {
      if (C == this) continue;
      Taken << C->objectName();
      if (auto* S = qobject_cast<TGvSeries*>(C)) Taken << S->FCaption;
    }
  int N = 1;
  while (Taken.contains(Base + QString::number(N))) ++N;
  FCaption = Base + QString::number(N);
}

void TGvSeries::SetCaption(const QString& Value)
{
  if (Value == FCaption) return;
  CheckUndo("Caption", QStringLiteral("Series caption"));
  FCaption = Value;
  if (FGraph) FGraph->LegendsModified();
  Invalidate();
}

void TGvSeries::SetIncludeInLegend(bool Value)
{
  if (Value == FIncludeInLegend) return;
  CheckUndo("IncludeInLegend", QStringLiteral("Series visibility in legends"));
  FIncludeInLegend = Value;
  if (FGraph) FGraph->LegendsModified();
}

void TGvSeries::SetMergeLegendItemWith(TGvSeries* Value)
{
  if (Value == FMergeLegendItemWith || Value == this) return;
  FMergeLegendItemWith = Value;
  if (FGraph) FGraph->LegendsModified();
}

void TGvSeries::SetLayer(int Value)
{
  if (Value == FLayer) return;
  CheckUndo("Layer", QStringLiteral("Series drawing order"));
  FLayer = Value;
  if (FGraph) FGraph->Modified();
}

void TGvSeries::SetAutoUpdate(bool Value)
{
  FAutoUpdate = Value;
}

void TGvSeries::SetOutliersVisible(bool Value)
{
  if (Value == FOutliersVisible) return;
  CheckUndo("OutliersVisible", QStringLiteral("Series visibility of outliers"));
  FOutliersVisible = Value;
  RangesModified();
}

void TGvSeries::SetXAxis(TGvAxis* Value)
{
  if (Value == FXAxis) return;
  CheckUndo("XAxis", QStringLiteral("Series X-axis reference"));
  if (TGvAxis* Old = FXAxis) {
    Old->RemoveRelatedSeries(this);
    Old->RangeModified();
  }
  FXAxis = Value;
  if (Value)
    connect(Value, &QObject::destroyed, this, &TGvSeries::OnLinkedDestroyed, Qt::UniqueConnection);
  TestAllAssigned();
}

void TGvSeries::SetYAxis(TGvAxis* Value)
{
  if (Value == FYAxis) return;
  CheckUndo("YAxis", QStringLiteral("Series Y-axis reference"));
  if (TGvAxis* Old = FYAxis) {
    Old->RemoveRelatedSeries(this);
    Old->RangeModified();
  }
  FYAxis = Value;
  if (Value)
    connect(Value, &QObject::destroyed, this, &TGvSeries::OnLinkedDestroyed, Qt::UniqueConnection);
  TestAllAssigned();
}

void TGvSeries::AttachVector(QPointer<TGvCustomDoubleVector>& Slot, TGvCustomDoubleVector* Value)
{
  TGvCustomDoubleVector* Old = Slot.data();
  if (Old && Old != FIndexer && !IsDestroying()) Old->RemoveRelatedObject(this);
  Slot = Value;
  if (Value) {
    Value->AddRelatedObject(this);
    connect(Value, &QObject::destroyed, this, &TGvSeries::OnLinkedDestroyed, Qt::UniqueConnection);
  }
}

void TGvSeries::SetXData(TGvCustomDoubleVector* Value)
{
  if (Value == FXData) return;
  CheckUndo("XData", QStringLiteral("Series X-data reference"));
  AttachVector(FXData, Value);
  TestAllAssigned();
}

void TGvSeries::SetYData(TGvCustomDoubleVector* Value)
{
  if (Value == FYData) return;
  CheckUndo("YData", QStringLiteral("Series Y-data reference"));
  AttachVector(FYData, Value);
  TestAllAssigned();
}

void TGvSeries::SetLine(TGvLineSettings* Value)
{
  if (Value && Value != FLine) FLine->Assign(*Value);
}

void TGvSeries::SetArea(TGvAreaSettings* Value)
{
  if (Value && Value != FArea) FArea->Assign(*Value);
}

void TGvSeries::SetPointSymbol(TGvPointSymbolSettings* Value)
{
  if (Value && Value != FPointSymbol) FPointSymbol->Assign(*Value);
}

void TGvSeries::SetOutOfRangePointSymbol(TGvPointSymbolSettings* Value)
{
  if (Value && Value != FOutOfRangeSymbol) FOutOfRangeSymbol->Assign(*Value);
}

void TGvSeries::SetDrawBandTo(TGvSeries* Value)
{
  if (Value == FDrawBandTo) return;
  for (TGvSeries* S = Value; S; S = S->FDrawBandTo.data())
    if (S == this)
      throw EGvError(QStringLiteral("A series cannot draw its band to itself, not even through "
                                    "other series"));
  FDrawBandTo = Value;
  if (Value)
    connect(Value, &QObject::destroyed, this, &TGvSeries::OnLinkedDestroyed, Qt::UniqueConnection);
  InvalidatePoints();
}

TGvFunctionSeries* TGvSeries::RangeFromFunction() const
{
  return qobject_cast<TGvFunctionSeries*>(FRangeFromFunction.data());
}

void TGvSeries::SetRangeFromFunction(TGvFunctionSeries* Value)
{
  if (Value == FRangeFromFunction) return;
  FRangeFromFunction = Value;
  if (Value)
    connect(Value, &QObject::destroyed, this, &TGvSeries::OnLinkedDestroyed, Qt::UniqueConnection);
  InvalidatePoints();
}

void TGvSeries::SetXValueTransformation(TGvValueTransformation Value)
{
  FXTransform = std::move(Value);
  RangesModified();
}

void TGvSeries::SetYValueTransformation(TGvValueTransformation Value)
{
  FYTransform = std::move(Value);
  RangesModified();
}

TGvCustomDoubleVector* TGvSeries::XVector() const
{
  return FXData ? FXData.data() : (FYData ? FIndexer : nullptr);
}

TGvCustomDoubleVector* TGvSeries::YVector() const
{
  return FYData ? FYData.data() : (FXData ? FIndexer : nullptr);
}

bool TGvSeries::IsYData(const TGvCustomDoubleVector* Vector) const
{
  return Vector == FYData;
}

QString TGvSeries::ToString() const
{
  const QString C = Caption();
  return C.isEmpty() ? Name() : C;
}

void TGvSeries::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvComponent::SetUndoStack(Stack);
  for (TGvPersistent* S :
       {static_cast<TGvPersistent*>(FLine), static_cast<TGvPersistent*>(FArea),
        static_cast<TGvPersistent*>(FPointSymbol), static_cast<TGvPersistent*>(FOutOfRangeSymbol)})
    S->SetUndoStack(Stack);
}

// ---- Links ---------------------------------------------------------------------

void TGvSeries::SetGraph(TGvGraph2D* Graph)
{
  if (Graph == FGraph) return;
  if (FGraph && !FGraph->IsDestroying()) FGraph->RemoveSeries(this);
  FGraph = Graph;
  if (Graph) {
    connect(Graph, &QObject::destroyed, this, &TGvSeries::OnLinkedDestroyed, Qt::UniqueConnection);
    Graph->AddSeries(this);
  }
}

void TGvSeries::TestAllAssigned()
{
  if (IsDestroying()) return;
  TGvAxis* X = FXAxis.data();
  TGvAxis* Y = FYAxis.data();
  if (X && Y && (FXData || FYData)) {
    TGvGraph2D* G = AxisGraph(Y);
    if (G && G->IsDestroying()) G = nullptr;
    if (G != FGraph) {
      if (G && !IsLoading()) FLayer = G->RelatedSeries().size();
      SetGraph(G);
    }
    if (G && !UndoStack()) SetUndoStack(G->UndoStack());
    FIndexer->SetReferenceVector(FXData ? FXData.data() : FYData.data());
    X->AddRelatedSeries(this, this);
    Y->AddRelatedSeries(this, this);
    RangesModified();
    if (G) {
      G->LegendsModified();
      G->Modified();
    }
  } else {
    if (X) X->RemoveRelatedSeries(this);
    if (Y) Y->RemoveRelatedSeries(this);
    if (TGvGraph2D* G = FGraph.data()) {
      FGraph = nullptr;
      if (!G->IsDestroying()) {
        G->RemoveSeries(this);
        if (G->PrimaryYAxis()) G->PrimaryYAxis()->RangeModified();
        G->SeriesModified();
        G->LegendsModified();
      }
    }
    FCount = FLastCount = FLastPointsCount = 0;
    FPoints.clear();
    FAreaPoints.clear();
    FLinePts.clear();
    FSymbolPos.clear();
    FCommitted = 0;
  }
}

void TGvSeries::OnLinkedDestroyed(QObject* Object)
{
  if (IsDestroying()) return;
  // The guarded references are null by now.
  if (Object == FGraph.data()) FGraph = nullptr;
  if (!FGraph) {
    // A graph going down takes its axes with it; nothing to tell it.
  }
  TestAllAssigned();
}

void TGvSeries::OnSettingsChanged()
{
  // Visibility of symbols, the line or the area changes what is converted
  // and the room the axes leave: everything is taken again.
  FMinCount = MinimumCount();
  FLastCount = 0;
  ResetFolds();
  TestVisibleChanged();
  PointsModified();
  if (FGraph) FGraph->Modified();
}

// ---- Change notifications ----------------------------------------------------

void TGvSeries::RangesModified()
{
  FXStart = FYStart = GvNoRangeStart;
  FXStop = FYStop = GvNoRangeStop;
  FLastCount = FCount = 0;
  ResetFolds();
  PointsModified();
  if (FXAxis) FXAxis->RangeModified();
  if (FYAxis) FYAxis->RangeModified();
}

void TGvSeries::PointsModified()
{
  // A value changed in place: a transformed or folded range may move even
  // when the raw value stays between the vector's extremes.
  FLastCount = 0;
  ResetFolds();
  InvalidatePoints();
}

void TGvSeries::InvalidatePoints()
{
  FLastPointsCount = 0;
  FRecalcPoints = true;
  Invalidate();
}

void TGvSeries::ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount)
{
  // The converted elements stay valid when all of them lie before the first
  // new one; the next calculation folds in the rest.
  if (OldCount < FLastPointsCount) {
    InvalidatePoints();
    return;
  }
  FRecalcPoints = true;
  Invalidate();
}

void TGvSeries::SetLastCount(int Value)
{
  if (Value < FLastCount) {
    FLastCount = std::max(0, Value);
    ResetFolds();
  }
  // The screen points are converted again from the start (the reducers
  // cannot go back to an element in the middle).
  if (FLastPointsCount > FLastCount) FLastPointsCount = 0;
  FRecalcPoints = true;
  Invalidate();
}

void TGvSeries::Modified()
{
  TGvComponent::Modified();
  Invalidate();
}

void TGvSeries::Invalidate()
{
  // Its graph (with the legends it paints), and the graphs coupled to it:
  // the master of a coupled graph and the child graphs of a master.
  if (!FGraph || FGraph->IsDestroying()) return;
  FGraph->InvalidateChart();
  if (TGvGraph2D* M = FGraph->MasterGraph(); M != FGraph && !M->IsDestroying())
    M->InvalidateChart();
  for (TGvGraph2D* G : FGraph->ChildGraphs()) G->InvalidateChart();
}

void TGvSeries::ResetFolds()
{
  FXFold.Reset();
  FYFold.Reset();
  FXPositive.Reset();
  FYPositive.Reset();
}

// ---- Values ------------------------------------------------------------------------

double TGvSeries::TransformX(int Idx, double Value) const
{
  return FXTransform ? FXTransform(const_cast<TGvSeries*>(this), {Value, Idx}) : Value;
}

double TGvSeries::TransformY(int Idx, double Value) const
{
  return FYTransform ? FYTransform(const_cast<TGvSeries*>(this), {Value, Idx}) : Value;
}

bool TGvSeries::HasValuesAt(int Idx) const
{
  const TGvCustomDoubleVector* X = XVector();
  const TGvCustomDoubleVector* Y = YVector();
  if (!X || !Y || Idx < 0 || Idx >= X->Count() || Idx >= Y->Count()) return false;
  if (!Finite(X->Value(Idx)) || !Finite(Y->Value(Idx))) return false;
  if (FOutliersVisible) return true;
  return !X->IsOutlier(Idx) && !Y->IsOutlier(Idx);
}

bool TGvSeries::ElementValues(int Idx, double& X, double& Y) const
{
  if (!HasValuesAt(Idx)) return false;
  X = TransformX(Idx, XVector()->Value(Idx));
  Y = TransformY(Idx, YVector()->Value(Idx));
  return Finite(X) && Finite(Y);
}

int TGvSeries::GetCount()
{
  FMinCount = MinimumCount();
  const TGvCustomDoubleVector* X = XVector();
  const TGvCustomDoubleVector* Y = YVector();
  if (!X || !Y) return 0;
  return std::min(X->Count(), Y->Count());
}

bool TGvSeries::SymbolsVisible() const
{
  return FPointSymbol->Visible();
}

void TGvSeries::CheckDBVectors()
{
  for (TGvCustomDoubleVector* V : {FXData.data(), FYData.data()})
    if (auto* D = qobject_cast<TGvDoubleVector*>(V)) D->UpdateDB();
}

void TGvSeries::FoldX(TFold& F, int To) const
{
  for (int I = F.Count; I < To; ++I) {
    double X, Y;
    if (ElementValues(I, X, Y)) F.Add(X);
  }
  F.Count = std::max(F.Count, To);
}

void TGvSeries::FoldY(TFold& F, int To) const
{
  for (int I = F.Count; I < To; ++I) {
    double X, Y;
    if (ElementValues(I, X, Y)) F.Add(Y);
  }
  F.Count = std::max(F.Count, To);
}

namespace {
// Values appended while an axis is zoomed do not re-range it (which would
// throw the zoom away at every append of a live vector): the axis takes the
// new range when the zoom is reset.
void TellAxis(TGvAxis* A, bool Appended)
{
  if (A && !(Appended && A->ZoomBufferSize() > 0)) A->RangeModified();
}
} // namespace

void TGvSeries::StoreXRange(double Lo, double Hi)
{
  if (Lo == FXStart && Hi == FXStop) return;
  FXStart = Lo;
  FXStop = Hi;
  TellAxis(FXAxis, FAppending);
}

void TGvSeries::StoreYRange(double Lo, double Hi)
{
  if (Lo == FYStart && Hi == FYStop) return;
  FYStart = Lo;
  FYStop = Hi;
  TellAxis(FYAxis, FAppending);
}

void TGvSeries::Calculate()
{
  TGvCustomDoubleVector* X = XVector();
  TGvCustomDoubleVector* Y = YVector();
  if (!X || !Y) return;
  const int XC = X->Count(), YC = Y->Count();
  if (XC <= FLastCount && YC <= FLastCount) return;
  FCount = GetCount();
  if (FLastCount >= FCount || FCount < FMinCount) return;
  FAppending = FLastCount > 0;

  // X range: the vector's statistics when they cover exactly the elements
  // used, else the running fold (transformations, shorter Y data, values
  // that are not finite).
  double Lo, Hi;
  bool FromStats = !FXTransform && YC >= XC;
  if (FromStats) {
    Lo = FOutliersVisible ? X->MinimumIncludingOutliers() : X->Minimum();
    Hi = FOutliersVisible ? X->MaximumIncludingOutliers() : X->Maximum();
    FromStats = Finite(Lo) && Finite(Hi) && !(FOutliersVisible ? false : Y->AnyOutliers());
  }
  if (!FromStats) {
    FoldX(FXFold, FCount);
    Lo = FXFold.Lo;
    Hi = FXFold.Hi;
  }
  if (AxisIsLog(FXAxis) && Lo <= 0) {
    // A logarithmic axis starts at the least positive value; without any
    // positive value the series has no range there.
    FoldX(FXPositive, FCount);
    if (FXPositive.LeastPositive <= Hi && Finite(FXPositive.LeastPositive)) {
      Lo = FXPositive.LeastPositive;
    } else {
      Lo = GvNoRangeStart;
      Hi = GvNoRangeStop;
    }
  }
  StoreXRange(Lo, Hi);

  FromStats = !FYTransform && XC >= YC;
  if (FromStats) {
    Lo = FOutliersVisible ? Y->MinimumIncludingOutliers() : Y->Minimum();
    Hi = FOutliersVisible ? Y->MaximumIncludingOutliers() : Y->Maximum();
    FromStats = Finite(Lo) && Finite(Hi) && !(FOutliersVisible ? false : X->AnyOutliers());
  }
  if (!FromStats) {
    FoldY(FYFold, FCount);
    Lo = FYFold.Lo;
    Hi = FYFold.Hi;
  }
  if (AxisIsLog(FYAxis) && Lo <= 0) {
    FoldY(FYPositive, FCount);
    if (FYPositive.LeastPositive <= Hi && Finite(FYPositive.LeastPositive)) {
      Lo = FYPositive.LeastPositive;
    } else {
      Lo = GvNoRangeStart;
      Hi = GvNoRangeStop;
    }
  }
  StoreYRange(Lo, Hi);

  FRecalcPoints = true;
  FLastCount = FCount;
  Invalidate();
}

bool TGvSeries::AxisDataRange(bool Horizontal, double& Start, double& Stop) const
{
  Start = Horizontal ? FXStart : FYStart;
  Stop = Horizontal ? FXStop : FYStop;
  return Start <= Stop;
}

double TGvSeries::AxisLeastPositive(bool Horizontal) const
{
  if (Horizontal)
    FoldX(FXPositive, FCount);
  else
    FoldY(FYPositive, FCount);
  return Horizontal ? FXPositive.LeastPositive : FYPositive.LeastPositive;
}

// ---- Screen points -------------------------------------------------------------

TGvSeries::TMapKey TGvSeries::MapKeyOf(const TGvAxis* Axis) const
{
  TMapKey K;
  if (!Axis) return K;
  K.Start = Axis->Start();
  K.Stop = Axis->Stop();
  K.P0 = Axis->NumberToWorld(K.Start);
  K.P1 = Axis->NumberToWorld(K.Stop);
  K.Scaling = int(Axis->Scaling()) * 2 + (Axis->Scale().HasLogScaling ? 1 : 0);
  return K;
}

bool TGvSeries::XAscending() const
{
  const TGvCustomDoubleVector* X = XVector();
  return X && !FXTransform && !X->AnyOutliers() && X->OnlyAscending();
}

TGvIndexRange TGvSeries::GetCalcPointsStartStop()
{
  const TGvCustomDoubleVector* X = XVector();
  return GvCalcPointsStartStop(
      FCount, FLastPointsCount, XAscending(), FXAxis->Start(), FXAxis->Stop(),
      [&](int I) { return TransformX(I, X->Value(I)); },
      [&](int I) {
        double A, B;
        return ElementValues(I, A, B);
      });
}

TGvScreenPoint TGvSeries::GetCalcPoint(int Idx, double X, double Y) const
{
  return {GvClampPixel(FXAxis->NumberToWorld(X)), GvClampPixel(FYAxis->NumberToWorld(Y)), Idx};
}

const std::vector<TGvScreenPoint>& TGvSeries::LinePoints() const
{
  return FPointsWithSymbols ? FLinePts : FPoints;
}

int TGvSeries::SymbolKind(int DataIndex) const
{
  TGvFunctionSeries* F = RangeFromFunction();
  if (!F) return 0;
  double X, Y;
  if (!ElementValues(DataIndex, X, Y)) return -1;
  if (X >= F->CalculationStart() && X <= F->CalculationStop()) return 0;
  return FOutOfRangeSymbol->Visible() ? 1 : -1;
}

namespace {

// The least and the greatest of N values (a NaN never wins) and the starts
// of the blocks of 64 where each first occurs, with four independent lanes so
// that the comparisons do not wait on each other.
void ColumnExtremes(const double* V, int N, double& Min, double& Max, int& MinBlock, int& MaxBlock)
{
  const double Inf = std::numeric_limits<double>::infinity();
  Min = Inf;
  Max = -Inf;
  MinBlock = MaxBlock = 0;
  for (int B = 0; B < N; B += 64) {
    const int E = std::min(N, B + 64);
    double Lo[4] = {Inf, Inf, Inf, Inf};
    double Hi[4] = {-Inf, -Inf, -Inf, -Inf};
    int J = B;
    for (; J + 4 <= E; J += 4)
      for (int K = 0; K < 4; ++K) {
        const double X = V[J + K];
        Lo[K] = X < Lo[K] ? X : Lo[K];
        Hi[K] = X > Hi[K] ? X : Hi[K];
      }
    for (; J < E; ++J) {
      Lo[0] = V[J] < Lo[0] ? V[J] : Lo[0];
      Hi[0] = V[J] > Hi[0] ? V[J] : Hi[0];
    }
    const double L = std::min(std::min(Lo[0], Lo[1]), std::min(Lo[2], Lo[3]));
    const double H = std::max(std::max(Hi[0], Hi[1]), std::max(Hi[2], Hi[3]));
    if (L < Min) {
      Min = L;
      MinBlock = B;
    }
    if (H > Max) {
      Max = H;
      MaxBlock = B;
    }
  }
}

// The line of ascending X on linear axes, a pixel column at a time: the
// column's elements are found by a galloping search on X, and only their Y
// values are scanned for the entry, the lowest, the highest and the exit
// element, which go to the reducer as every element of the column would.
template <class TFeed>
void ConvertByColumns(const double* XS, const double* YS, TGvIndexRange R, const TAxisMap& MX,
                      const TAxisMap& MY, TFeed&& Feed)
{
  // Ascending X: the infinite values can only stand at the ends.
  int Lo = R.Start, Hi = R.Stop;
  while (Lo <= Hi && !Finite(XS[Lo])) ++Lo;
  while (Hi >= Lo && !Finite(XS[Hi])) --Hi;
  if (Lo > Hi) return;
  auto Column = [&](int I) { return int(std::floor(MX.Map(XS[I]))); };
  // Value order of Y against pixel order: on a vertical axis that is not
  // twisted the pixels grow downwards.
  const bool Down = MY.Scale < 0;
  for (int I = Lo; I <= Hi;) {
    const int C = Column(I);
    // The last index of the column: gallop, then bisect.
    int Last = I, Step = 1;
    while (Last + Step <= Hi && Column(Last + Step) == C) {
      Last += Step;
      Step *= 2;
    }
    int A = Last + 1, B = std::min(Last + Step, Hi + 1); // first of the next column in [A, B]
    while (A < B) {
      const int M = A + (B - A) / 2;
      if (Column(M) == C)
        A = M + 1;
      else
        B = M;
    }
    Last = A - 1;
    int First = I, Exit = Last;
    while (First <= Last && !Finite(YS[First])) ++First;
    while (Exit >= First && !Finite(YS[Exit])) --Exit;
    int Min = -1, Max = -1;
    if (First <= Exit) {
      // The extremes in one pass the compiler can vectorise (a NaN never
      // wins a comparison), then their first places; an infinite extreme
      // sends the column through the careful scan.
      double VMin, VMax;
      int MinBlock, MaxBlock;
      ColumnExtremes(YS + First, Exit - First + 1, VMin, VMax, MinBlock, MaxBlock);
      if (Finite(VMin) && Finite(VMax)) {
        // The first place of each lies in the block where it was first seen.
        Min = First + MinBlock;
        while (YS[Min] != VMin) ++Min;
        Max = First + MaxBlock;
        while (YS[Max] != VMax) ++Max;
      } else {
        bool Any = false;
        for (int J = First; J <= Exit; ++J) {
          const double V = YS[J];
          if (!Finite(V)) continue;
          if (!Any || V < VMin) VMin = V, Min = J;
          if (!Any || V > VMax) VMax = V, Max = J;
          Any = true;
        }
      }
    }
    if (Min < 0) First = -1;
    if (First >= 0) {
      // The least pixel is the greatest value when the pixels grow downwards.
      if (Down) std::swap(Min, Max);
      int K[4] = {First, Min, Max, Exit};
      std::sort(K, K + 4);
      for (int N = 0; N < 4; ++N)
        if (N == 0 || K[N] != K[N - 1])
          Feed(TGvScreenPoint{MX.Map(XS[K[N]]), MY.Map(YS[K[N]]), K[N]});
    }
    I = Last + 1;
  }
}

} // namespace

void TGvSeries::CalculatePoints()
{
  if (!FXAxis || !FYAxis) return;
  const TMapKey KX = MapKeyOf(FXAxis), KY = MapKeyOf(FYAxis);
  const bool Sym = SymbolsVisible();
  const bool Dedup = Sym && !OnGetPointSymbol;
  if (!(KX == FMapX) || !(KY == FMapY) || Sym != FPointsWithSymbols || Dedup != FPointsWithDedup)
    FLastPointsCount = 0;
  FMapX = KX;
  FMapY = KY;
  FPointsWithSymbols = Sym;
  FPointsWithDedup = Dedup;

  if (FLastPointsCount <= 0) {
    FLastPointsCount = 0;
    FPoints.clear();
    FCommitted = 0;
    FLineReducer.Reset();
    FSymbolRule.Reset();
    FLinePts.clear();
    FLineCommitted = FLineFed = 0;
    FLineOfSymbols.Reset();
    FSymbolPixels.Clear();
    FSymbolPos.clear();
    FFirstChangedPoint = 0;
  } else {
    FFirstChangedPoint = Sym ? FPoints.size() : FCommitted;
  }
  if (FCount > 0) {
    const TGvIndexRange R = GetCalcPointsStartStop();
    const TGvCustomDoubleVector* XV = XVector();
    const TGvCustomDoubleVector* YV = YVector();
    const TAxisMap MX(FXAxis), MY(FYAxis);
    // The plain case: no outliers, no transformations, stored values.
    const bool Plain = !FXTransform && !FYTransform &&
                       (FOutliersVisible || (!XV->AnyOutliers() && !YV->AnyOutliers())) &&
                       PlainValues();
    const double* XS = XV == FIndexer ? nullptr : XV->StoredValues().data();
    const double* YS = YV == FIndexer ? nullptr : YV->StoredValues().data();

    auto Convert = [&](auto&& Sink) {
      if (R.Empty()) return;
      if (Plain) {
        for (int I = R.Start; I <= R.Stop; ++I) {
          const double X = XS ? XS[I] : double(I);
          const double Y = YS ? YS[I] : double(I);
          if (!Finite(X) || !Finite(Y)) continue;
          Sink(TGvScreenPoint{MX.Map(X), MY.Map(Y), I});
        }
      } else {
        for (int I = R.Start; I <= R.Stop; ++I) {
          double X, Y;
          if (!ElementValues(I, X, Y)) continue;
          Sink(TGvScreenPoint{MX.Map(X), MY.Map(Y), I});
        }
      }
    };

    if (!Sym) {
      FPoints.resize(FCommitted);
      auto Push = [this](const TGvScreenPoint& P) { FPoints.push_back(P); };
      auto Feed = [&](const TGvScreenPoint& P) { FLineReducer.Feed(P, Push); };
      if (Plain && XS && YS && MX.Linear && MY.Linear && MX.Scale != 0 && XAscending())
        ConvertByColumns(XS, YS, R, MX, MY, Feed);
      else
        Convert(Feed);
      FCommitted = FPoints.size();
      FLineReducer.Finish(Push);
    } else {
      Convert([&](const TGvScreenPoint& P) {
        if (!FSymbolRule.Keep(P)) return;
        FPoints.push_back(P);
        if (Dedup) {
          const int Kind = SymbolKind(P.Index);
          if (Kind >= 0 && FSymbolPixels.Add(P.X, P.Y, Kind))
            FSymbolPos.push_back(int(FPoints.size()) - 1);
        }
      });
      // The line through the symbols, reduced per pixel column.
      FLinePts.resize(FLineCommitted);
      auto Push = [this](const TGvScreenPoint& P) { FLinePts.push_back(P); };
      for (size_t I = FLineFed; I < FPoints.size(); ++I) FLineOfSymbols.Feed(FPoints[I], Push);
      FLineFed = FPoints.size();
      FLineCommitted = FLinePts.size();
      FLineOfSymbols.Finish(Push);
    }
  }
  AddBandPoints();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

bool TGvSeries::PointsStale() const
{
  if (FRecalcPoints) return true;
  return !(MapKeyOf(FXAxis) == FMapX) || !(MapKeyOf(FYAxis) == FMapY);
}

double TGvSeries::BaselinePixel() const
{
  if (!FYAxis) return 0;
  const double Start = FYAxis->Start();
  const double Base = AxisIsLog(FYAxis) ? Start : std::max(Start, 0.0);
  return double(GvClampPixel(FYAxis->NumberToWorld(Base))) - 0.5;
}

bool TGvSeries::AreaShown() const
{
  return FArea->Visible() || FDrawBandTo;
}

void TGvSeries::AddBandPoints()
{
  FAreaPoints.clear();
  if (!AreaShown()) return;
  const std::vector<TGvScreenPoint>& L = LinePoints();
  if (L.empty()) return;
  FAreaPoints.reserve(L.size() + 2);
  for (const TGvScreenPoint& P : L) FAreaPoints.emplace_back(P.X, P.Y);
  TGvSeries* B = FDrawBandTo.data();
  if (B && B->FXAxis && B->FYAxis) {
    if (B->PointsStale()) B->CalculatePoints();
    const std::vector<TGvScreenPoint>& BL = B->LinePoints();
    if (!BL.empty()) {
      for (auto It = BL.rbegin(); It != BL.rend(); ++It) FAreaPoints.emplace_back(It->X, It->Y);
      return;
    }
  }
  // Closed along the baseline, below the last and the first point.
  const double Base = BaselinePixel();
  FAreaPoints.emplace_back(L.back().X, Base);
  FAreaPoints.emplace_back(L.front().X, Base);
}

// ---- Painting ------------------------------------------------------------------------

bool TGvSeries::SeriesVisible() const
{
  return FVisible && (FLine->Visible() || AreaShown() || SymbolsVisible());
}

QRectF TGvSeries::LineClip(double Margin) const
{
  QRectF A = FGraph ? FGraph->DrawingArea() : QRectF();
  if (A.isEmpty()) A = QRectF(-GvMaxPixel, -GvMaxPixel, 2 * GvMaxPixel, 2 * GvMaxPixel);
  return A.adjusted(-Margin, -Margin, Margin, Margin);
}

bool TGvSeries::FastLine(const QPainter& Painter, const QPen& Pen) const
{
  // Long opaque thin or solid lines on a raster device without
  // anti-aliasing go as whole-pixel polylines.
  if (Painter.testRenderHint(QPainter::Antialiasing) || !RasterDevice(Painter)) return false;
  if (FCount < 101) return false;
  if (Pen.brush().style() != Qt::SolidPattern || Pen.color().alpha() != 255) return false;
  return Pen.widthF() <= 1 || Pen.style() == Qt::SolidLine;
}

void TGvSeries::DrawPolyline(QPainter& Painter, const QPen& Pen,
                             const std::vector<TGvScreenPoint>& P)
{
  if (P.size() < 2) return;
  const double Margin = Pen.widthF() + 2;
  Painter.setPen(Pen);
  Painter.setBrush(Qt::NoBrush);
  if (FastLine(Painter, Pen)) {
    thread_local TGvIntPolylinePieces Pieces;
    Pieces.Clear();
    GvClipPolyline(P.data(), int(P.size()), LineClip(Margin), Pieces);
    const QPoint* Q = Pieces.Points.data();
    for (int N : Pieces.Sizes) {
      Painter.drawPolyline(Q, N);
      Q += N;
    }
  } else {
    TGvPolylinePieces Pieces;
    GvClipPolyline(P.data(), int(P.size()), LineClip(Margin), Pieces);
    const QPointF* Q = Pieces.Points.data();
    for (int N : Pieces.Sizes) {
      Painter.drawPolyline(Q, N);
      Q += N;
    }
  }
}

void TGvSeries::SegmentValues(const TGvScreenPoint& P, int& Index, double& X, double& Y)
{
  if (IsFunction()) {
    Index = -1;
    X = FXAxis->WorldToNumber(P.X);
    try {
      Y = GetY(X);
    } catch (const std::exception&) {
      Y = std::nan("");
    }
    return;
  }
  Index = P.Index;
  if (!ElementValues(P.Index, X, Y)) X = Y = std::nan("");
}

void TGvSeries::DrawLine(QPainter& Painter)
{
  const std::vector<TGvScreenPoint>& L = LinePoints();
  const QRectF View = FGraph ? FGraph->DrawingArea() : QRectF();
  const QRectF Clip = LineClip(4);
  if (AreaShown() && !FAreaPoints.empty()) {
    Painter.setPen(Qt::NoPen);
    if (OnGetBrush && L.size() > 1) {
      TGvBrushEventArgs Args;
      Args.Brush = FArea->GetBrush(View);
      Args.Visible = true;
      const double Base = BaselinePixel();
      for (size_t I = 0; I + 1 < L.size(); ++I) {
        SegmentValues(L[I], Args.Index, Args.X, Args.Y);
        OnGetBrush(this, Args);
        if (!Args.Visible) continue;
        const std::vector<QPointF> Quad = {{L[I].X, L[I].Y},
                                           {L[I + 1].X + 0.5, L[I + 1].Y},
                                           {L[I + 1].X + 0.5, Base},
                                           {L[I].X, Base}};
        const std::vector<QPointF> C = GvClipPolygon(Quad, Clip);
        if (C.size() < 3) continue;
        Painter.setBrush(Args.Brush);
        Painter.drawPolygon(C.data(), int(C.size()));
      }
    } else {
      const std::vector<QPointF> C = GvClipPolygon(FAreaPoints, Clip);
      if (C.size() >= 3) {
        Painter.setBrush(FArea->GetBrush(View));
        Painter.drawPolygon(C.data(), int(C.size()));
      }
    }
  }
  if (!FLine->Visible() || L.size() < 2) return;
  const QPen Pen = FLine->GetPen(View);
  if (!OnGetPen) {
    DrawPolyline(Painter, Pen, L);
    return;
  }
  TGvPenEventArgs Args;
  Args.Pen = Pen;
  Args.Visible = true;
  for (size_t I = 0; I + 1 < L.size(); ++I) {
    SegmentValues(L[I], Args.Index, Args.X, Args.Y);
    OnGetPen(this, Args);
    if (!Args.Visible) continue;
    TGvPolylinePieces Pieces;
    GvClipPolyline(&L[I], 2, LineClip(Args.Pen.widthF() + 2), Pieces);
    if (Pieces.Points.size() < 2) continue;
    Painter.setPen(Args.Pen);
    Painter.drawLine(Pieces.Points[0], Pieces.Points[1]);
  }
}

void TGvSeries::PrepareSymbols()
{
  FHandlerSymbols.clear();
  if (!OnGetPointSymbol || !FVisible) return;
  // The handler runs once per point and paint: its answers serve the holes
  // in the line and the symbols drawn above the axes.
  TGvPointSymbolEventArgs Args;
  Args.Size = FPointSymbol->Size();
  Args.Pen = FPointSymbol->GetPen();
  Args.Brush = FPointSymbol->GetBrush();
  Args.Symbol = FPointSymbol->PointSymbol();
  Args.Visible = FPointSymbol->Visible();
  FHandlerSymbols.reserve(FPoints.size());
  for (const TGvScreenPoint& P : FPoints) {
    Args.Index = P.Index;
    if (!ElementValues(P.Index, Args.X, Args.Y)) Args.X = Args.Y = std::nan("");
    OnGetPointSymbol(this, Args);
    FHandlerSymbols.push_back(Args);
  }
}

bool TGvSeries::NeedsHoles() const
{
  if (FPoints.size() < 2) return false;
  if (OnGetPointSymbol) {
    for (const TGvPointSymbolEventArgs& A : FHandlerSymbols)
      if (A.Visible && IsFilledSymbol(A.Symbol) && A.Brush.color().alpha() < 255) return true;
    return false;
  }
  if (!FPointSymbol->Visible()) return false;
  if (FPointSymbol->Translucent() && IsFilledSymbol(FPointSymbol->PointSymbol())) return true;
  return RangeFromFunction() && FOutOfRangeSymbol->Visible() && FOutOfRangeSymbol->Translucent() &&
         IsFilledSymbol(FOutOfRangeSymbol->PointSymbol());
}

void TGvSeries::AddHoles(QPainterPath& Holes) const
{
  if (OnGetPointSymbol) {
    for (size_t I = 0; I < FHandlerSymbols.size() && I < FPoints.size(); ++I) {
      const TGvPointSymbolEventArgs& A = FHandlerSymbols[I];
      if (A.Visible && A.Brush.color().alpha() < 255)
        AddSymbolSpace(Holes, A.Symbol, A.Size, FPoints[I].X, FPoints[I].Y);
    }
    return;
  }
  for (int Pos : FSymbolPos) {
    const TGvScreenPoint& P = FPoints[size_t(Pos)];
    const int Kind = SymbolKind(P.Index);
    const TGvPointSymbolSettings* S = Kind == 1 ? FOutOfRangeSymbol : FPointSymbol;
    if (Kind >= 0 && S->Translucent()) AddSymbolSpace(Holes, S->PointSymbol(), S->Size(), P.X, P.Y);
  }
}

void TGvSeries::PaintGr(QPainter& Painter)
{
  if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible()) return;
  if (PointsStale()) CalculatePoints();
  PrepareSymbols();
  if (FPoints.empty()) return;
  if (!NeedsHoles()) {
    if (FPoints.size() > 1) DrawLine(Painter);
    DrawIndicators(Painter);
    return;
  }
  QPainterPath Holes;
  AddHoles(Holes);
  if (!RasterDevice(Painter)) {
    // Vector output: the holes are cut from the clip.
    Painter.save();
    ExcludeFromClip(Painter, Holes);
    DrawLine(Painter);
    DrawIndicators(Painter);
    Painter.restore();
    return;
  }
  // Raster output: line, area and bars go into a transparent layer over the
  // drawing area, the symbol shapes are cleared from it, and it is composed
  // once.
  const QRectF Layer =
      LineClip(4).intersected(Painter.transform().inverted().mapRect(QRectF(Painter.viewport())));
  if (Layer.isEmpty()) return;
  const qreal Dpr = Painter.device()->devicePixelRatioF();
  const QRect Pixels = Layer.toAlignedRect();
  QImage Image(Pixels.size() * Dpr, QImage::Format_ARGB32_Premultiplied);
  if (Image.isNull()) return;
  Image.setDevicePixelRatio(Dpr);
  Image.fill(Qt::transparent);
  {
    QPainter L(&Image);
    L.setRenderHints(Painter.renderHints());
    L.translate(-Pixels.topLeft());
    DrawLine(L);
    DrawIndicators(L);
    L.setCompositionMode(QPainter::CompositionMode_Clear);
    L.fillPath(Holes, Qt::black);
  }
  Painter.drawImage(Pixels.topLeft(), Image);
}

void TGvSeries::DrawSymbols(QPainter& Painter)
{
  if (!FVisible || !FXAxis || !FYAxis || FPoints.empty()) return;
  if (OnGetPointSymbol) {
    if (FHandlerSymbols.size() != FPoints.size()) PrepareSymbols();
    for (size_t I = 0; I < FPoints.size() && I < FHandlerSymbols.size(); ++I) {
      const TGvPointSymbolEventArgs& A = FHandlerSymbols[I];
      if (A.Visible)
        DrawPointSymbol(Painter, A.Pen, A.Brush, A.Symbol, A.Size, FPoints[I].X, FPoints[I].Y);
    }
    return;
  }
  if (!FPointSymbol->Visible()) return;
  const QPen Pen = FPointSymbol->GetPen(), OutPen = FOutOfRangeSymbol->GetPen();
  const QBrush Brush = FPointSymbol->GetBrush(), OutBrush = FOutOfRangeSymbol->GetBrush();
  for (int Pos : FSymbolPos) {
    const TGvScreenPoint& P = FPoints[size_t(Pos)];
    const int Kind = SymbolKind(P.Index);
    if (Kind == 0)
      DrawPointSymbol(Painter, Pen, Brush, FPointSymbol->PointSymbol(), FPointSymbol->Size(), P.X,
                      P.Y);
    else if (Kind == 1)
      DrawPointSymbol(Painter, OutPen, OutBrush, FOutOfRangeSymbol->PointSymbol(),
                      FOutOfRangeSymbol->Size(), P.X, P.Y);
  }
}

void TGvSeries::DrawListItem(QPainter& Painter, const QRectF& Rect)
{
  const double Y = Rect.center().y();
  if (AreaShown()) {
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(FArea->GetBrush(Rect));
    Painter.drawRect(QRectF(Rect.left(), Y, Rect.width(), Rect.bottom() - Y));
  }
  if (FLine->Visible()) {
    Painter.setPen(FLine->GetPen(Rect));
    Painter.drawLine(QPointF(Rect.left(), Y), QPointF(Rect.right(), Y));
  }
  if (SymbolsVisible()) FPointSymbol->Draw(Painter, Rect.center().x(), Y);
}

void TGvSeries::TestVisibleChanged() {}

// ---- Hit tests ---------------------------------------------------------------------

int TGvSeries::FindPoint(double X, double Y, double Delta)
{
  if (FRecalcPoints) return -1;
  for (const TGvScreenPoint& P : FPoints)
    if (std::fabs(X - P.X) <= Delta && std::fabs(Y - P.Y) <= Delta) return P.Index;
  return -1;
}

int TGvSeries::FindPoint(double X, double Y)
{
  return FindPoint(X, Y, SymbolsVisible() ? FPointSymbol->Size() : 1.0);
}

namespace {
enum class TNearest
{
  Point,
  X,
  Y
};
}

static TGvNearestPointResult Nearest(TGvSeries& S, TNearest Kind, QPointF From)
{
  TGvNearestPointResult R;
  if (S.RecalculatePoints() || !S.Graph() || !S.XAxis()) return R;
  const QRectF A = S.Graph()->DrawingArea();
  const double L = A.left(), Rt = A.left() + A.width(), T = A.top(), B = A.top() + A.height();
  const TGvScreenPoint* Best = nullptr;
  for (const TGvScreenPoint& P : S.ScreenPoints()) {
    const bool InX = P.X >= L && P.X <= Rt, InY = P.Y >= T && P.Y <= B;
    double D;
    if (Kind == TNearest::Point) {
      if (!InX || !InY) continue;
      D = std::hypot(P.X - From.x(), P.Y - From.y());
    } else if (Kind == TNearest::X) {
      if (!InX) continue;
      D = std::fabs(P.X - From.x());
    } else {
      if (!InY) continue;
      D = std::fabs(P.Y - From.y());
    }
    if (D < R.Distance) {
      R.Distance = float(D);
      Best = &P;
    }
  }
  if (!Best) return R;
  R.Found = true;
  R.ThePoint = QPointF(Best->X, Best->Y);
  if (S.IsFunction()) {
    R.Index = -1;
    R.X = S.XAxis()->WorldToNumber(Best->X);
    R.Y = S.GetY(R.X);
  } else {
    R.Index = Best->Index;
    S.ElementValues(Best->Index, R.X, R.Y);
  }
  return R;
}

TGvNearestPointResult TGvSeries::NearestPoint(QPointF FromPosition)
{
  return Nearest(*this, TNearest::Point, FromPosition);
}

TGvNearestPointResult TGvSeries::NearestX(double FromX)
{
  return Nearest(*this, TNearest::X, QPointF(FromX, 0));
}

TGvNearestPointResult TGvSeries::NearestY(double FromY)
{
  return Nearest(*this, TNearest::Y, QPointF(0, FromY));
}

double TGvSeries::GetY(double AtX)
{
  const TGvCustomDoubleVector* X = XVector();
  const TGvCustomDoubleVector* Y = YVector();
  if (!X || !Y) return 0;
  const int N = std::min(X->Count(), Y->Count());
  return GvInterpolateY(
      N, XAscending(), AtX, [&](int I) { return TransformX(I, X->Value(I)); },
      [&](int I) { return TransformY(I, Y->Value(I)); },
      [&](int I) {
        double A, B;
        return ElementValues(I, A, B);
      });
}

float TGvSeries::ExtraSpaceAt(TGvAxisPosition Border) const
{
  if (!FVisible || !SymbolsVisible() || !(FXStart < FXStop)) return 0;
  return (FPointSymbol->Size() + FPointSymbol->BorderLineWidth()) / 2 + 1;
}

// ---- TGvPointWithErrorSeries -----------------------------------------------------

TGvPointWithErrorSeries::TGvPointWithErrorSeries(QObject* Owner) : TGvPointSeries(Owner)
{
  FErrorIndicator = new TGvLineSettings(this);
  FErrorIndicator->SetColor(GvColors::Gray);
  FErrorIndicator->SetWidth(1);
  connect(FErrorIndicator, &TGvPersistent::Changed, this,
          &TGvPointWithErrorSeries::OnSettingsChanged);
  NumberCaption();
}

TGvPointWithErrorSeries::~TGvPointWithErrorSeries()
{
  BeginDestroy();
}

void TGvPointWithErrorSeries::SetErrorIndicator(TGvLineSettings* Value)
{
  if (Value && Value != FErrorIndicator) FErrorIndicator->Assign(*Value);
}

void TGvPointWithErrorSeries::SetDelta(int K, TGvCustomDoubleVector* Value)
{
  if (Value == FDelta[K]) return;
  AttachVector(FDelta[K], Value);
  RangesModified();
}

void TGvPointWithErrorSeries::SetDeltaTransform(int K, TGvValueTransformation T)
{
  FDeltaTransform[K] = std::move(T);
  RangesModified();
}

double TGvPointWithErrorSeries::GetDelta(int K, int I) const
{
  const TGvCustomDoubleVector* V = FDelta[K].data();
  double D = 0;
  if (V && I >= 0 && I < V->Count()) D = std::fabs(V->Value(I));
  if (FDeltaTransform[K])
    D = std::fabs(FDeltaTransform[K](const_cast<TGvPointWithErrorSeries*>(this), {D, I}));
  return Finite(D) ? D : 0;
}

bool TGvPointWithErrorSeries::AnyDelta() const
{
  return FDelta[0] || FDelta[1] || FDelta[2] || FDelta[3];
}

bool TGvPointWithErrorSeries::PlainValues() const
{
  for (const auto& D : FDelta)
    if (D && D->AnyOutliers()) return FOutliersVisible;
  return true;
}

bool TGvPointWithErrorSeries::HasValuesAt(int Idx) const
{
  if (!TGvSeries::HasValuesAt(Idx)) return false;
  if (FOutliersVisible) return true;
  for (const auto& D : FDelta)
    if (D && Idx < D->Count() && D->IsOutlier(Idx)) return false;
  return true;
}

bool TGvPointWithErrorSeries::SeriesVisible() const
{
  return TGvSeries::SeriesVisible() || (FVisible && FErrorIndicator->Visible() && AnyDelta());
}

void TGvPointWithErrorSeries::ResetFolds()
{
  TGvSeries::ResetFolds();
  FErrX.Reset();
  FErrXTop.Reset();
  FErrY.Reset();
  FErrYTop.Reset();
  FErrFolded = 0;
}

void TGvPointWithErrorSeries::Calculate()
{
  if (!FErrorIndicator->Visible() || !AnyDelta()) {
    TGvSeries::Calculate();
    return;
  }
  TGvCustomDoubleVector* X = XVector();
  TGvCustomDoubleVector* Y = YVector();
  if (!X || !Y) return;
  if (X->Count() <= FLastCount && Y->Count() <= FLastCount) return;
  FCount = GetCount();
  if (FLastCount >= FCount || FCount < FMinCount) return;
  FAppending = FLastCount > 0;
  // Only the elements that came since the last calculation are folded in.
  for (int I = FErrFolded; I < FCount; ++I) {
    double XV, YV;
    if (!ElementValues(I, XV, YV)) continue;
    FErrX.Add(XV - GetDxMinus(I));
    FErrXTop.Add(XV + GetDxPlus(I));
    FErrY.Add(YV - GetDyMinus(I));
    FErrYTop.Add(YV + GetDyPlus(I));
  }
  FErrFolded = FCount;
  auto Range = [](const TFold& Low, const TFold& High, bool Log, double& Lo, double& Hi) {
    Lo = Log ? Low.LeastPositive : Low.Lo;
    Hi = High.Hi;
    if (!Finite(Lo) || !Finite(Hi)) {
      Lo = GvNoRangeStart;
      Hi = GvNoRangeStop;
    } else if (Lo > Hi) {
      std::swap(Lo, Hi);
    }
  };
  double Lo, Hi;
  Range(FErrX, FErrXTop, AxisIsLog(FXAxis), Lo, Hi);
  StoreXRange(Lo, Hi);
  Range(FErrY, FErrYTop, AxisIsLog(FYAxis), Lo, Hi);
  StoreYRange(Lo, Hi);
  FRecalcPoints = true;
  FLastCount = FCount;
  Invalidate();
}

void TGvPointWithErrorSeries::CalculatePoints()
{
  TGvSeries::CalculatePoints();
  FBarEnds.resize(std::min(FBarEnds.size(), FFirstChangedPoint));
  if (!FErrorIndicator->Visible() || !AnyDelta() || !FXAxis || !FYAxis) {
    FBarEnds.clear();
    return;
  }
  const float NaN = std::numeric_limits<float>::quiet_NaN();
  for (size_t I = FBarEnds.size(); I < FPoints.size(); ++I) {
    const int Idx = FPoints[I].Index;
    TBarEnds E{NaN, NaN, NaN, NaN};
    double X, Y;
    if (ElementValues(Idx, X, Y)) {
      auto Covers = [&](int K) { return FDelta[K] && Idx < FDelta[K]->Count(); };
      if (Covers(0)) E.XPlus = GvClampPixel(FXAxis->NumberToWorld(X + GetDxPlus(Idx)));
      if (Covers(1)) E.XMinus = GvClampPixel(FXAxis->NumberToWorld(X - GetDxMinus(Idx)));
      if (Covers(2)) E.YPlus = GvClampPixel(FYAxis->NumberToWorld(Y + GetDyPlus(Idx)));
      if (Covers(3)) E.YMinus = GvClampPixel(FYAxis->NumberToWorld(Y - GetDyMinus(Idx)));
    }
    FBarEnds.push_back(E);
  }
}

void TGvPointWithErrorSeries::ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount)
{
  // A delta vector that grows gives bars to elements already folded in.
  for (const auto& D : FDelta)
    if (D == Vector && OldCount < FErrFolded) {
      PointsModified();
      return;
    }
  TGvSeries::ValuesAppended(Vector, OldCount);
}

void TGvPointWithErrorSeries::TestVisibleChanged()
{
  const bool V = FErrorIndicator->Visible();
  if (V != FLastIndicatorVisible) {
    FLastIndicatorVisible = V;
    if (!FYAxis || FYAxis->ZoomBufferSize() == 0) RangesModified();
  }
}

void TGvPointWithErrorSeries::DrawIndicators(QPainter& Painter)
{
  if (!FErrorIndicator->Visible() || FBarEnds.empty()) return;
  const QRectF View = FGraph ? FGraph->DrawingArea() : QRectF();
  TGvPenEventArgs Args;
  Args.Pen = FErrorIndicator->GetPen(View);
  Args.Visible = true;
  const double Cap = std::max(0.0, (double(FPointSymbol->Size()) - 1) / 2);
  Painter.setBrush(Qt::NoBrush);
  Painter.setPen(Args.Pen);
  for (size_t I = 0; I < FPoints.size() && I < FBarEnds.size(); ++I) {
    const TGvScreenPoint& P = FPoints[I];
    if (OnGetIndicatorsPen) {
      Args.Index = P.Index;
      if (!ElementValues(P.Index, Args.X, Args.Y)) continue;
      OnGetIndicatorsPen(this, Args);
      Painter.setPen(Args.Pen);
    }
    if (!Args.Visible) continue;
    const TBarEnds& E = FBarEnds[I];
    for (float XE : {E.XPlus, E.XMinus})
      if (Finite(XE)) {
        Painter.drawLine(QPointF(P.X, P.Y), QPointF(XE, P.Y));
        Painter.drawLine(QPointF(XE, P.Y - Cap), QPointF(XE, P.Y + Cap));
      }
    for (float YE : {E.YPlus, E.YMinus})
      if (Finite(YE)) {
        Painter.drawLine(QPointF(P.X, P.Y), QPointF(P.X, YE));
        Painter.drawLine(QPointF(P.X - Cap, YE), QPointF(P.X + Cap, YE));
      }
  }
}

// ---- TGvCalculation ------------------------------------------------------------------

int TGvCalculation::Count() const
{
  if (!X || !Y) return 0;
  return std::min(X->Count(), Y->Count());
}

double TGvCalculation::Xi(int I) const
{
  const double V = X->Value(I);
  return XTransform ? XTransform(Sender, {V, I}) : V;
}

double TGvCalculation::Yi(int I) const
{
  const double V = Y->Value(I);
  return YTransform ? YTransform(Sender, {V, I}) : V;
}

double TGvCalculation::Wi(int I) const
{
  double V = 1;
  if (W && I < W->Count()) V = std::fabs(W->Value(I));
  if (WTransform) V = std::fabs(WTransform(Sender, {V, I}));
  return V;
}

bool TGvCalculation::IsValid(int I) const
{
  if (!X || !Y || I < 0 || I >= Count()) return false;
  if (!OutliersVisible) {
    if (X->IsOutlier(I) || Y->IsOutlier(I)) return false;
    if (W && I < W->Count() && W->IsOutlier(I)) return false;
  }
  const double V = Xi(I);
  return V >= Start && V <= Stop;
}

const TGvCalculationData& TGvCalculation::Gather()
{
  const int N = Count();
  FXs.resize(std::size_t(N));
  FYs.resize(std::size_t(N));
  FValid.resize(std::size_t(N));
  const bool Weighted = W || WTransform;
  FWs.resize(Weighted ? std::size_t(N) : 0);
  for (int I = 0; I < N; ++I) {
    const double Xv = Xi(I);
    FXs[std::size_t(I)] = Xv;
    FYs[std::size_t(I)] = Yi(I);
    if (Weighted) FWs[std::size_t(I)] = Wi(I);
    bool Use = true;
    if (!OutliersVisible)
      Use = !X->IsOutlier(I) && !Y->IsOutlier(I) && !(W && I < W->Count() && W->IsOutlier(I));
    FValid[std::size_t(I)] = Use && Xv >= Start && Xv <= Stop;
  }
  FData = TGvCalculationData();
  FData.X = FXs;
  FData.Y = FYs;
  FData.Weight = FWs;
  FData.Valid = FValid;
  FData.Start = Start;
  FData.Stop = Stop;
  FData.HasX = !X.isNull();
  FData.HasY = !Y.isNull();
  return FData;
}

// ---- TGvFunctionSeries ---------------------------------------------------------------

TGvFunctionSeries::TGvFunctionSeries(QObject* Owner) : TGvLineSeries(Owner)
{
  FMinCount = FFunctionMinCount;
  RegisterVariables();
  NumberCaption();
}

void TGvFunctionSeries::SetMinCount(int Value)
{
  FFunctionMinCount = std::max(0, Value);
  FMinCount = FFunctionMinCount;
}

TGvFunctionSeries::~TGvFunctionSeries()
{
  BeginDestroy();
}

void TGvFunctionSeries::SetWeight(TGvCustomDoubleVector* Value)
{
  if (Value == FWeight) return;
  CheckUndo("Weight", QStringLiteral("Function series weight"));
  AttachVector(FWeight, Value);
  SetLastCount(0);
}

void TGvFunctionSeries::SetWeightValueTransformation(TGvValueTransformation Value)
{
  FWTransform = std::move(Value);
  SetLastCount(0);
}

namespace {
// Switching an automatic bound off records the flag; switching it on records
// the bound value and the flag as one group, so one undo restores both.
void RecordAutoSwitch(TGvSeries* S, bool On, const char* Flag, const char* Bound,
                      const QString& Comment)
{
  if (!On) {
    S->RecordUndo(S, Flag, Comment);
    return;
  }
  S->RecordStartGroup(Comment);
  S->RecordUndo(S, Bound, Comment);
  S->RecordUndo(S, Flag, Comment);
  S->RecordStopGroup();
}
} // namespace

void TGvFunctionSeries::SetAutoStart(bool Value)
{
  if (Value == FAutoStart) return;
  RecordAutoSwitch(this, Value, "AutoStart", "CalculationStart",
                   QStringLiteral("Function series calculation start auto"));
  FAutoStart = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetAutoStop(bool Value)
{
  if (Value == FAutoStop) return;
  RecordAutoSwitch(this, Value, "AutoStop", "CalculationStop",
                   QStringLiteral("Function series calculation stop auto"));
  FAutoStop = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetDisplayAutoStart(bool Value)
{
  if (Value == FDisplayAutoStart) return;
  RecordAutoSwitch(this, Value, "DisplayAutoStart", "DisplayStart",
                   QStringLiteral("Function series display start auto"));
  FDisplayAutoStart = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetDisplayAutoStop(bool Value)
{
  if (Value == FDisplayAutoStop) return;
  RecordAutoSwitch(this, Value, "DisplayAutoStop", "DisplayStop",
                   QStringLiteral("Function series display stop auto"));
  FDisplayAutoStop = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetCoupleCalculationAndDisplay(bool Value)
{
  if (Value == FCouple) return;
  const QString Comment = QStringLiteral("Function series couple calculation and display");
  if (!Value) {
    RecordUndo(this, "CoupleCalculationAndDisplay", Comment);
  } else {
    RecordStartGroup(Comment);
    RecordUndo(this, "DisplayStop", Comment);
    RecordUndo(this, "DisplayStart", Comment);
    RecordUndo(this, "CoupleCalculationAndDisplay", Comment);
    RecordStopGroup();
  }
  FCouple = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetCalculationStart(double Value)
{
  if (Value == FCalculationStart) return;
  CheckUndo("CalculationStart", QStringLiteral("Function series calculation start"));
  FCalculationStart = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetCalculationStop(double Value)
{
  if (Value == FCalculationStop) return;
  CheckUndo("CalculationStop", QStringLiteral("Function series calculation stop"));
  FCalculationStop = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetDisplayStart(double Value)
{
  if (Value == FDisplayStart) return;
  CheckUndo("DisplayStart", QStringLiteral("Function series display start"));
  FDisplayStart = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetDisplayStop(double Value)
{
  if (Value == FDisplayStop) return;
  CheckUndo("DisplayStop", QStringLiteral("Function series display stop"));
  FDisplayStop = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::SetClipYValues(bool Value)
{
  if (Value == FClipYValues) return;
  CheckUndo("ClipYValues", QStringLiteral("Function series clip Y-values"));
  FClipYValues = Value;
  SetLastCount(0);
}

void TGvFunctionSeries::RegisterVariables()
{
  TGvLineSeries::RegisterVariables();
  AddStringToList("Formula", "Formula used for calculation", this, GlobalStringList(),
                  [this] { return GetFormula(); });
  AddVariableToList("CalculationStart", "Start value of range used for calculation", this,
                    GlobalVariableList(), &FCalculationStart);
  AddVariableToList("CalculationStop", "Stop value of range used for calculation", this,
                    GlobalVariableList(), &FCalculationStop);
  AddVariableToList("DisplayStart", "Start value of range used for display of line", this,
                    GlobalVariableList(), &FDisplayStart);
  AddVariableToList("DisplayStop", "Stop value of range used for display of line", this,
                    GlobalVariableList(), &FDisplayStop);
}

void TGvFunctionSeries::ShowMessage(const QString& Message)
{
  if (OnMessage)
    OnMessage(this, Message);
  else
    qWarning("%s: %s", qPrintable(ToString()), qPrintable(Message));
}

void TGvFunctionSeries::UpdateVariables()
{
  const TGvUpdateList List = ObjectsToUpdate();
  if (!List.empty()) UpdateVariablesObjects(List);
}

QString TGvFunctionSeries::GetFormula() const
{
  throw EGvError(
      QStringLiteral("Formula function of function series must be overridden in derived classes"));
}

void TGvFunctionSeries::SetLimits()
{
  if (FAutoStart) FCalculationStart = FXStart;
  if (FAutoStop) FCalculationStop = FXStop;
  if (FCouple) {
    FDisplayStart = FCalculationStart;
    FDisplayStop = FCalculationStop;
  } else {
    if (FDisplayAutoStart) FDisplayStart = FXStart;
    if (FDisplayAutoStop) FDisplayStop = FXStop;
  }
}

void TGvFunctionSeries::Calculate()
{
  TGvCustomDoubleVector* X = XVector();
  TGvCustomDoubleVector* Y = YVector();
  if (!X || !Y) return;
  if (X->Count() <= FLastCount && Y->Count() <= FLastCount) return;
  FCount = GetCount();
  if (FLastCount >= FCount || FCount < FMinCount) return;

  // Whatever happens below, this count has been dealt with (a failing
  // calculation is not tried again until the data change).
  struct TDone
  {
    TGvFunctionSeries* S;
    ~TDone()
    {
      S->FLastCount = S->FCount;
      S->Invalidate();
    }
  } Done{this};

  double Lo, Hi;
  bool FromStats = !FXTransform && Y->Count() >= X->Count();
  if (FromStats) {
    Lo = FOutliersVisible ? X->MinimumIncludingOutliers() : X->Minimum();
    Hi = FOutliersVisible ? X->MaximumIncludingOutliers() : X->Maximum();
    FromStats = Finite(Lo) && Finite(Hi) && (FOutliersVisible || !Y->AnyOutliers());
  }
  if (!FromStats) {
    FoldX(FXFold, FCount);
    Lo = FXFold.Lo;
    Hi = FXFold.Hi;
  }
  if (!FCouple && Lo <= Hi) {
    if (!FDisplayAutoStart && FDisplayStart < Lo) Lo = FDisplayStart;
    if (!FDisplayAutoStop && FDisplayStop > Hi) Hi = FDisplayStop;
  }
  StoreXRange(Lo, Hi);
  try {
    FCalculationFailed = false;
    CalculateFunction();
    UpdateVariables();
    if (FYAxis) FYAxis->RangeModified();
    FRecalcPoints = true;
  } catch (const std::exception& E) {
    // No curve until a calculation succeeds (also when the points are
    // converted again for a new axis range).
    FCalculationFailed = true;
    FLastPointsCount = FCount;
    FPoints.clear();
    FAreaPoints.clear();
    FRecalcPoints = false;
    FYStart = GvNoRangeStart;
    FYStop = GvNoRangeStop;
    if (!OnCalculationError) throw;
    OnCalculationError(this, E);
  }
}

void TGvFunctionSeries::CalculateFunction()
{
  if (FCount < FMinCount) return;
  SetLimits();
  if (FCalculation) {
    PrepareCalculation(*FCalculation);
    FCalculation->Calculate();
  }
  SampleYRange();
  if (OnCalculated) OnCalculated(this);
}

void TGvFunctionSeries::PrepareCalculation(TGvCalculation& C, bool WithWeightTransform)
{
  C.OutliersVisible = FOutliersVisible;
  C.X = XVector();
  C.Y = YVector();
  C.W = FWeight;
  C.Start = FCalculationStart;
  C.Stop = FCalculationStop;
  C.XTransform = FXTransform;
  C.YTransform = FYTransform;
  C.WTransform = WithWeightTransform ? FWTransform : TGvValueTransformation();
  C.Sender = this;
}

bool TGvFunctionSeries::YRangeClipped() const
{
  if (FClipYValues && FGraph && FYAxis)
    for (TGvSeries* S : FGraph->RelatedSeries())
      if (S != this && S->YAxis() == FYAxis && !S->IsFunction() && S->SeriesVisible()) return true;
  return false;
}

int TGvFunctionSeries::XAxisPixels() const
{
  return AxisPixelWidth(FXAxis);
}

std::vector<double> TGvFunctionSeries::DisplayGrid() const
{
  if (!FXAxis) return {};
  const double A = std::max(FDisplayStart, FXAxis->Start());
  const double B = std::min(FDisplayStop, FXAxis->Stop());
  return GvSampleGrid(A, B, AxisPixelWidth(FXAxis), AxisDrawnLog(FXAxis));
}

void TGvFunctionSeries::SampleYRange()
{
  // A clipped curve beside other data does not widen the Y axis.
  if (YRangeClipped()) {
    FYStart = GvNoRangeStart;
    FYStop = GvNoRangeStop;
    return;
  }
  double Lo = GvNoRangeStart, Hi = GvNoRangeStop;
  const std::vector<double> Grid =
      GvSampleGrid(FDisplayStart, FDisplayStop, AxisPixelWidth(FXAxis), AxisDrawnLog(FXAxis));
  // A function that fails at some X leaves a gap there (as it is drawn);
  // one that fails at every X fails the calculation.
  std::exception_ptr Failure;
  bool Evaluated = false;
  for (double X : Grid) {
    double Y;
    try {
      Y = GetY(X);
    } catch (const std::exception&) {
      if (!Failure) Failure = std::current_exception();
      continue;
    }
    Evaluated = true;
    if (!Finite(Y)) continue;
    Lo = std::min(Lo, Y);
    Hi = std::max(Hi, Y);
  }
  if (Failure && !Evaluated) std::rethrow_exception(Failure);
  FYStart = Lo;
  FYStop = Hi;
}

void TGvFunctionSeries::CalculatePoints()
{
  FPoints.clear();
  FAreaPoints.clear();
  FSymbolPos.clear();
  FCommitted = 0;
  FPointsWithSymbols = false;
  if (FXAxis && FYAxis) {
    FMapX = MapKeyOf(FXAxis);
    FMapY = MapKeyOf(FYAxis);
  }
  if (FCount >= FMinCount && FXAxis && FYAxis && !FCalculationFailed) {
    const std::vector<double> Grid = DisplayGrid();
    FPoints.reserve(Grid.size());
    const float NaN = std::numeric_limits<float>::quiet_NaN();
    for (double X : Grid) {
      // A function that fails at a point leaves a gap there.
      double Y;
      try {
        Y = GetY(X);
      } catch (const std::exception&) {
        Y = std::nan("");
      }
      if (Finite(Y))
        FPoints.push_back(
            {GvClampPixel(FXAxis->NumberToWorld(X)), GvClampPixel(FYAxis->NumberToWorld(Y)), -1});
      else if (!FPoints.empty() && Finite(FPoints.back().X))
        FPoints.push_back({NaN, NaN, -1});
    }
    FCommitted = FPoints.size();
  }
  AddBandPoints();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

void TGvFunctionSeries::PaintGr(QPainter& Painter)
{
  if (!FClipYValues || !FGraph) {
    TGvSeries::PaintGr(Painter);
    return;
  }
  Painter.save();
  Painter.setClipRect(FGraph->DrawingArea(), Qt::IntersectClip);
  TGvSeries::PaintGr(Painter);
  Painter.restore();
}

int TGvFunctionSeries::FindPoint(double X, double Y, double Delta)
{
  if (FRecalcPoints) return -1;
  for (const TGvScreenPoint& P : FPoints)
    if (std::fabs(X - P.X) <= Delta && std::fabs(Y - P.Y) <= Delta) return 0;
  return -1;
}
