#include "chart/GvGraph2D.h"

#include "chart/GvArrows.h"
#include "chart/GvBars.h"
#include "chart/GvBubbles.h"
#include "chart/GvDrawing.h"
#include "chart/GvIO.h"
#include "chart/GvOHLC.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImageWriter>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QScrollBar>
#include <QSet>
#include <QSvgGenerator>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <memory>

#ifdef VERDANE_HAVE_GIFLIB
#include <gif_lib.h>
#endif

TGvShiftState GvShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
  TGvShiftState S;
  if (Modifiers & Qt::ShiftModifier) S |= GvGraphTypes::ssShift;
  if (Modifiers & Qt::AltModifier) S |= GvGraphTypes::ssAlt;
  if (Modifiers & Qt::ControlModifier) S |= GvGraphTypes::ssCtrl;
  if (Buttons & Qt::LeftButton) S |= GvGraphTypes::ssLeft;
  if (Buttons & Qt::RightButton) S |= GvGraphTypes::ssRight;
  if (Buttons & Qt::MiddleButton) S |= GvGraphTypes::ssMiddle;
  return S;
}

namespace {

bool Finite(double V)
{
  return V - V == 0;
}

TGvGraph2D* AxisGraph(const TGvAxis* A)
{
  return A ? qobject_cast<TGvGraph2D*>(A->Graph()) : nullptr;
}

bool AxisLog(const TGvAxis* A)
{
  return A->Scale().HasLogScaling;
}

// Values of an axis in the units its pixels are linear in (log10 on a
// logarithmic axis).
double ToLinear(const TGvAxis* A, double V)
{
  return AxisLog(A) ? std::log10(V) : V;
}
double FromLinear(const TGvAxis* A, double V)
{
  return AxisLog(A) ? std::pow(10.0, V) : V;
}

TGvGraphSide SideOf(TGvAxisPosition P)
{
  switch (P) {
  case TGvAxisPosition::Left:
    return TGvGraphSide::Left;
  case TGvAxisPosition::Top:
    return TGvGraphSide::Top;
  case TGvAxisPosition::Right:
    return TGvGraphSide::Right;
  default:
    return TGvGraphSide::Bottom;
  }
}

QColor ToQColor(TGvColor C)
{
  return QColor::fromRgba(C);
}

// The colour a picture without alpha is flattened onto.
TGvColor Opaque(TGvColor C)
{
  return GetAlpha(C) == 0 ? GvColors::White : (C | 0xFF000000u);
}

} // namespace

// ---- TGvZoomSettings ------------------------------------------------------------------

TGvZoomSettings::TGvZoomSettings(TGvGraph2D* Graph) : TGvPersistent(Graph) {}

TGvGraph2D* TGvZoomSettings::Graph() const
{
  return static_cast<TGvGraph2D*>(parent());
}

void TGvZoomSettings::SetStartZoom(TGvShiftState V)
{
  if (V == FStartPanning)
    throw EGvError(QStringLiteral("Zooming and panning not allowed to start with same parameters"));
  FStartZoom = V;
}

void TGvZoomSettings::SetStartPanning(TGvShiftState V)
{
  if (V == FStartZoom)
    throw EGvError(QStringLiteral("Zooming and panning not allowed to start with same parameters"));
  FStartPanning = V;
}

void TGvZoomSettings::SetHScrollbarVisible(bool V)
{
  FHScrollbarVisible = V;
  Graph()->Modified();
}

void TGvZoomSettings::SetVScrollbarVisible(bool V)
{
  FVScrollbarVisible = V;
  Graph()->Modified();
}

bool TGvZoomSettings::CanZoomBack() const
{
  return Graph()->CanZoomBack();
}
bool TGvZoomSettings::CanRedoZoom() const
{
  return Graph()->CanRedoZoom();
}
void TGvZoomSettings::ZoomTo(QPointF C1, QPointF C2)
{
  Graph()->ZoomTo(C1, C2);
}
void TGvZoomSettings::ZoomBack()
{
  Graph()->ZoomBack();
}
void TGvZoomSettings::RedoZoom()
{
  Graph()->RedoZoom();
}
void TGvZoomSettings::ZoomToStage(int Stage)
{
  Graph()->ZoomToStage(Stage);
}
void TGvZoomSettings::ZoomReset()
{
  Graph()->ZoomReset();
}
int TGvZoomSettings::CurrentStage() const
{
  return Graph()->CurrentZoomStage();
}
int TGvZoomSettings::BufferSize() const
{
  return Graph()->ZoomBufferSize();
}

// ---- TGvCustomGraph -------------------------------------------------------------------

TGvCustomGraph::TGvCustomGraph(QWidget* Parent) : QWidget(Parent)
{
  resize(600, 400);
  FBackgroundGradient = new TGvGradientSettings(this);
  connect(FBackgroundGradient, &TGvPersistent::Changed, this, [this] { Modified(); });
  FTitle.SetAlignment(TGvContentAlignment::TopCenter);
  RegisterVariables();
}

TGvCustomGraph::~TGvCustomGraph()
{
  FDestroying = true;
  DeRegisterVariables();
}

void TGvCustomGraph::RegisterVariables()
{
  AddStringToList("Name", "Internal name of the graph control", this, GlobalStringList(),
                  [this] { return objectName(); });
  AddStringToList("Caption", "Caption used in title of graph", this, GlobalStringList(),
                  [this] { return FTitle.Caption(); });
}

void TGvCustomGraph::DeRegisterVariables()
{
  RemoveFromGlobalLists(this);
}

void TGvCustomGraph::Modified()
{
  InvalidateChart();
}

void TGvCustomGraph::InvalidateChart()
{
  update();
}

void TGvCustomGraph::SetBackColor(TGvColor Value)
{
  if (Value == FBackColor) return;
  RecordUndo(this, "BackColor", QStringLiteral("Graph background color"));
  FBackColor = Value;
  InvalidateChart();
}

void TGvCustomGraph::SetSmoothingMode(TGvSmoothingMode Value)
{
  if (Value == FSmoothingMode) return;
  RecordUndo(this, "SmoothingMode", QStringLiteral("Graph smoothing mode"));
  FSmoothingMode = Value;
  InvalidateChart();
}

void TGvCustomGraph::SetCaption(const QString& Value)
{
  if (Value == FTitle.Caption()) return;
  RecordUndo(this, "Caption", QStringLiteral("Graph caption"));
  FTitle.SetCaption(Value);
  Modified();
  UpdateVariablesObjects(ObjectsToUpdate());
}

void TGvCustomGraph::SetCaptionAlignment(int Value)
{
  Value = std::clamp(Value, -1, 1);
  if (Value == FCaptionAlignment) return;
  RecordUndo(this, "CaptionAlignment", QStringLiteral("Graph caption alignment"));
  FCaptionAlignment = Value;
  FTitle.SetAlignment(Value < 0   ? TGvContentAlignment::TopLeft
                      : Value > 0 ? TGvContentAlignment::TopRight
                                  : TGvContentAlignment::TopCenter);
  Modified();
}

TGvColor TGvCustomGraph::CaptionColor() const
{
  return FTitle.GetFillColor();
}

void TGvCustomGraph::SetCaptionColor(TGvColor Value)
{
  RecordUndo(this, "CaptionColor", QStringLiteral("Graph caption color"));
  FTitle.SetColorOverride(Value);
  InvalidateChart();
}

void TGvCustomGraph::SetCaptionDistanceAfter(float Value)
{
  if (Value == FCaptionDistanceAfter) return;
  RecordUndo(this, "CaptionDistanceAfter", QStringLiteral("Graph distance below caption"));
  FCaptionDistanceAfter = Value;
  Modified();
}

void TGvCustomGraph::SetCaptionDistanceBefore(float Value)
{
  if (Value == FCaptionDistanceBefore) return;
  RecordUndo(this, "CaptionDistanceBefore", QStringLiteral("Graph distance above caption"));
  FCaptionDistanceBefore = Value;
  Modified();
}

void TGvCustomGraph::SetCaptionVisible(bool Value)
{
  if (Value == FCaptionVisible) return;
  RecordUndo(this, "CaptionVisible", QStringLiteral("Graph caption visible"));
  FCaptionVisible = Value;
  Modified();
}

void TGvCustomGraph::SetBorderStyle(TGvBorderStyle Value)
{
  if (Value == FBorderStyle) return;
  RecordUndo(this, "BorderStyle", QStringLiteral("Graph border style"));
  FBorderStyle = Value;
  Modified();
}

void TGvCustomGraph::ApplySmoothing(QPainter& Painter, TGvSmoothingMode Mode)
{
  const bool Smooth = Mode == TGvSmoothingMode::AntiAlias || Mode == TGvSmoothingMode::HighQuality;
  Painter.setRenderHint(QPainter::Antialiasing, Smooth);
  Painter.setRenderHint(QPainter::SmoothPixmapTransform, Mode == TGvSmoothingMode::HighQuality);
}

void TGvCustomGraph::PaintBackground(QPainter& Painter, const QRectF& Client)
{
  if (GetAlpha(FBackColor) > 0) Painter.fillRect(Client, ToQColor(FBackColor));
  if (FBackgroundGradient->Visible())
    Painter.fillRect(Client, FBackgroundGradient->GetBrush(Client));
}

void TGvCustomGraph::PaintBorder(QPainter& Painter, const QRectF& Client)
{
  if (FBorderStyle != TGvBorderStyle::Single || Client.width() < 1 || Client.height() < 1) return;
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawRect(Client.adjusted(0.5, 0.5, -0.5, -0.5));
  Painter.restore();
}

// ---- TGvGraph2D: construction ---------------------------------------------------------

TGvGraph2D::TGvGraph2D(QWidget* Parent) : TGvCustomGraph(Parent)
{
  FZoom = new TGvZoomSettings(this);
  FDataAreaFrame = new TGvLineSettings(this);
  FDataAreaFrame->SetVisible(false);
  FDataAreaFrame->SetColor(GvColors::Black);
  FDataAreaGradient = new TGvGradientSettings(this);
  for (int I = 0; I < 4; ++I) {
    FGrid[I] = new TGvLineSettings(this);
    FGrid[I]->SetVisible(false);
    FGrid[I]->SetColor(I < 2 ? 0xFF008000 : GvColors::Gray);
    connect(FGrid[I], &TGvPersistent::Changed, this, [this] { InvalidateChart(); });
  }
  connect(FDataAreaFrame, &TGvPersistent::Changed, this, [this] { InvalidateChart(); });
  connect(FDataAreaGradient, &TGvPersistent::Changed, this, [this] { InvalidateChart(); });

  FHScroll = new QScrollBar(Qt::Horizontal, this);
  FVScroll = new QScrollBar(Qt::Vertical, this);
  for (QScrollBar* B : {FHScroll, FVScroll}) {
    B->hide();
    B->setRange(0, GvScrollMax);
    B->setFocusPolicy(Qt::NoFocus);
    const bool H = B == FHScroll;
    connect(B, &QAbstractSlider::actionTriggered, this, [this, H](int A) { OnScroll(H, A); });
    connect(B, &QAbstractSlider::sliderMoved, this, [this, H](int V) { OnScrollMoved(H, V); });
    connect(B, &QAbstractSlider::sliderReleased, this, [this] {
      RecordStages(ZoomAxes());
      for (TGvGraph2D* G : ZoomGroup()) G->Modified();
    });
  }
  FPollTimer.setInterval(50);
  connect(&FPollTimer, &QTimer::timeout, this, &TGvGraph2D::OnPoll);
  FFont = new TGvFont(this);
  FFont->AssignQFont(font());
  connect(FFont, &TGvPersistent::Changed, this, [this] {
    setFont(FFont->ToQFont());
    Modified();
  });
}

TGvGraph2D::~TGvGraph2D()
{
  FDestroying = true;
  FPollTimer.stop();
  const std::vector<TGvSeries*> Series = FSeries;
  FSeries.clear();
  for (TGvSeries* S : Series) S->SetGraph(nullptr);
  // The axes standing on the graph go while the graph is still whole.
  for (TGvAxis* A : findChildren<TGvAxis*>(Qt::FindDirectChildrenOnly)) delete A;
}

// ---- Properties -------------------------------------------------------------------------

void TGvGraph2D::SetDataAreaColor(TGvColor Value)
{
  if (Value == FDataAreaColor) return;
  RecordUndo(this, "DataAreaColor", QStringLiteral("Graph data area color"));
  FDataAreaColor = Value;
  InvalidateChart();
}

void TGvGraph2D::SetDistance(int Side, float Value)
{
  if (Value == FDistance[Side]) return;
  static const char* const Names[4] = {"DistanceBorderAxisLeft", "DistanceBorderAxisTop",
                                       "DistanceBorderAxisRight", "DistanceBorderAxisBottom"};
  RecordUndo(this, Names[Side], QStringLiteral("Graph distance between border and axis"));
  FDistance[Side] = Value;
  Modified();
}

void TGvGraph2D::SetPrimaryXAxis(TGvAxis* Value)
{
  if (Value == FPrimaryXAxis) return;
  FPrimaryXAxis = Value;
  if (Value)
    connect(Value, &QObject::destroyed, this, &TGvGraph2D::OnAxisDestroyed, Qt::UniqueConnection);
  Modified();
  SeriesModified();
}

void TGvGraph2D::SetPrimaryYAxis(TGvAxis* Value)
{
  if (Value == FPrimaryYAxis) return;
  FPrimaryYAxis = Value;
  if (Value)
    connect(Value, &QObject::destroyed, this, &TGvGraph2D::OnAxisDestroyed, Qt::UniqueConnection);
  Modified();
  SeriesModified();
}

void TGvGraph2D::SetZeroOrigin(bool Value)
{
  if (Value == FZeroOrigin) return;
  RecordUndo(this, "ZeroOrigin", QStringLiteral("Graph axes cross at zero"));
  FZeroOrigin = Value;
  Modified();
}

void TGvGraph2D::SetFont(TGvFont* Value)
{
  if (!Value || Value == FFont) return;
  if (Recording()) FFont->PushToUndoStack(UndoStack(), QStringLiteral("Graph font"));
  FFont->Assign(*Value);
}

void TGvGraph2D::GraphAxisModified(TGvAxis*)
{
  if (FDestroying || FInLayout || FRendering) return;
  Modified();
}

void TGvGraph2D::OnAxisDestroyed(QObject*)
{
  if (FDestroying) return;
  Modified();
  SeriesModified();
}

void TGvGraph2D::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvCustomGraph::SetUndoStack(Stack);
  for (TGvPersistent* P :
       {static_cast<TGvPersistent*>(FZoom), static_cast<TGvPersistent*>(FDataAreaFrame),
        static_cast<TGvPersistent*>(FDataAreaGradient),
        static_cast<TGvPersistent*>(FBackgroundGradient)})
    P->SetUndoStack(Stack);
  for (TGvLineSettings* G : FGrid) G->SetUndoStack(Stack);
  for (TGvAxis* A : Axes())
    if (AxisGraph(A) == this) A->SetUndoStack(Stack);
  for (TGvSeries* S : FSeries) S->SetUndoStack(Stack);
  // The legends bound to the graph record their changes on its stack too.
  for (const auto& E : FLegends)
    if (auto* C = qobject_cast<TGvComponent*>(E.Object.data())) C->SetUndoStack(Stack);
}

std::vector<TGvDoubleVector*> TGvGraph2D::VectorsOf(const std::vector<TGvSeries*>& Series)
{
  std::vector<TGvDoubleVector*> R;
  for (TGvSeries* S : Series) {
    std::vector<TGvCustomDoubleVector*> Used = {S->XData(), S->YData()};
    if (auto* F = qobject_cast<TGvFunctionSeries*>(S)) Used.push_back(F->Weight());
    if (auto* E = qobject_cast<TGvPointWithErrorSeries*>(S))
      for (TGvCustomDoubleVector* V :
           {E->DeltaXPlus(), E->DeltaXMinus(), E->DeltaYPlus(), E->DeltaYMinus()})
        Used.push_back(V);
    // The kinds with data vectors of their own (the bars' boundaries are
    // their X or Y data).
    if (auto* O = qobject_cast<TGvCustomOHLC*>(S))
      for (TGvCustomDoubleVector* V : {O->OpenData(), O->HighData(), O->LowData()})
        Used.push_back(V);
    if (auto* B = qobject_cast<TGvBubbles*>(S)) Used.push_back(B->RadiusData());
    if (auto* A = qobject_cast<TGvArrows*>(S)) {
      Used.push_back(A->DeltaX());
      Used.push_back(A->DeltaY());
    }
    for (TGvCustomDoubleVector* V : Used) {
      auto* D = qobject_cast<TGvDoubleVector*>(V);
      if (D && !D->Name().isEmpty() && std::find(R.begin(), R.end(), D) == R.end()) R.push_back(D);
    }
  }
  return R;
}

void TGvGraph2D::UndoPushSeriesVectors()
{
  if (!Recording()) return;
  RecordStartGroup(QStringLiteral("Graph series data"));
  for (TGvDoubleVector* V : GetVectorsList())
    RecordVectorState(V, QStringLiteral("Graph series data"));
  RecordStopGroup();
}

// ---- Lists --------------------------------------------------------------------------------

std::vector<TGvAxis*> TGvGraph2D::Axes() const
{
  std::vector<TGvAxis*> R;
  QObject* Root = window();
  for (TGvAxis* A : Root->findChildren<TGvAxis*>())
    if (A->Graph() == this && std::find(R.begin(), R.end(), A) == R.end()) R.push_back(A);
  for (TGvAxis* A : findChildren<TGvAxis*>())
    if (A->Graph() == this && std::find(R.begin(), R.end(), A) == R.end()) R.push_back(A);
  if (FCoupled && FPrimaryXAxis && std::find(R.begin(), R.end(), FPrimaryXAxis.data()) == R.end())
    R.push_back(FPrimaryXAxis.data());
  return R;
}

std::vector<TGvGraph2D*> TGvGraph2D::ChildGraphs() const
{
  std::vector<TGvGraph2D*> R;
  for (const auto& G : FChildGraphs)
    if (G && !G->IsDestroying()) R.push_back(G.data());
  return R;
}

TGvGraph2D* TGvGraph2D::MasterGraph() const
{
  if (FCoupled)
    if (TGvGraph2D* M = AxisGraph(FPrimaryXAxis)) return M;
  return const_cast<TGvGraph2D*>(this);
}

void TGvGraph2D::CheckCoupled()
{
  FChildGraphs.clear();
  FCoupled = FPrimaryXAxis && AxisGraph(FPrimaryXAxis) != this;
  if (FCoupled) return;
  for (TGvGraph2D* G : window()->findChildren<TGvGraph2D*>())
    if (G != this && !G->IsDestroying() && G->PrimaryXAxis() && G->PrimaryXAxis()->Graph() == this)
      FChildGraphs.emplace_back(G);
}

void TGvGraph2D::AddSeries(TGvSeries* Series)
{
  if (!Series || std::find(FSeries.begin(), FSeries.end(), Series) != FSeries.end()) return;
  FSeries.push_back(Series);
  // The series is only a QObject by the time it reports its end: it is found
  // by the pointer it was added with, never cast back.
  connect(Series, &QObject::destroyed, this, [this, Series] { OnSeriesDestroyed(Series); });
  Modified();
}

void TGvGraph2D::RemoveSeries(TGvSeries* Series)
{
  auto It = std::find(FSeries.begin(), FSeries.end(), Series);
  if (It == FSeries.end()) return;
  FSeries.erase(It);
  disconnect(Series, &QObject::destroyed, this, nullptr);
  if (FDestroying) return;
  Modified();
  LegendsModified();
}

void TGvGraph2D::OnSeriesDestroyed(TGvSeries* Series)
{
  auto It = std::find(FSeries.begin(), FSeries.end(), Series);
  if (It != FSeries.end()) FSeries.erase(It);
  if (!FDestroying) Modified();
}

void TGvGraph2D::RegisterLegend(QObject* Legend, IGvGraphLegend* Interface)
{
  for (const auto& E : FLegends)
    if (E.Object == Legend) return;
  FLegends.push_back({Legend, Interface});
  connect(Legend, &QObject::destroyed, this, [this](QObject* L) { UnregisterLegend(L); });
  Modified();
}

std::vector<QObject*> TGvGraph2D::Legends() const
{
  std::vector<QObject*> R;
  for (const auto& E : FLegends)
    if (E.Object) R.push_back(E.Object);
  return R;
}

void TGvGraph2D::UnregisterLegend(QObject* Legend)
{
  FLegends.erase(
      std::remove_if(FLegends.begin(), FLegends.end(),
                     [&](const TLegendEntry& E) { return !E.Object || E.Object == Legend; }),
      FLegends.end());
  if (!FDestroying) Modified();
}

void TGvGraph2D::SortLayers()
{
  // A stable sort by layer, then the layers renumbered 0 .. n - 1.
  const std::vector<TGvSeries*> Before = FSeries;
  std::stable_sort(FSeries.begin(), FSeries.end(),
                   [](const TGvSeries* A, const TGvSeries* B) { return A->Layer() < B->Layer(); });
  for (size_t I = 0; I < FSeries.size(); ++I) FSeries[I]->FLayer = int(I);
  // Bar series stack and shift in the order of the list: a new order changes
  // their ranges and places. (Told only when the order changed: a new range
  // clears the axes' zoom history, which each layout must not.)
  if (FSeries.size() < 2 || FSeries == Before) return;
  std::vector<TGvBars*> Bars;
  for (TGvSeries* S : FSeries)
    if (auto* B = qobject_cast<TGvBars*>(S)) Bars.push_back(B);
  for (TGvBars* B : Bars) B->RangesModified();
  // The new ranges before the axes range themselves in this layout.
  for (TGvBars* B : Bars) {
    try {
      B->Calculate();
    } catch (const std::exception& E) {
      qWarning("%s: %s", qPrintable(B->ToString()), E.what());
    }
  }
}

// ---- Change notifications -----------------------------------------------------------------

void TGvGraph2D::Modified()
{
  FRecalculate = true;
  InvalidateChart();
}

void TGvGraph2D::InvalidateChart()
{
  if (FRendering || FDestroying) return;
  FCacheValid = false;
  update();
}

void TGvGraph2D::SeriesModified()
{
  for (TGvSeries* S : FSeries) S->InvalidatePoints();
  InvalidateChart();
}

void TGvGraph2D::LegendsModified()
{
  // The legends refresh at the next poll or paint.
  FLegendsDirty = true;
  MasterGraph()->FLegendsDirty = true;
  for (TGvGraph2D* G : ChildGraphs()) G->FLegendsDirty = true;
}

void TGvGraph2D::BeginUpdate()
{
  ++FUpdateCount;
}

void TGvGraph2D::EndUpdate()
{
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) InvalidateChart();
}

// ---- Primary axes, polling ------------------------------------------------------------------

TGvAxis* TGvGraph2D::CreateAxis(const QString& Base, const QString& Caption,
                                TGvAxisPosition Position)
{
  // The first free name among the objects of the window.
  QStringList Taken;
  for (QObject* O : window()->findChildren<QObject*>()) Taken << O->objectName();
  if (QObject* Owner = parent())
    for (QObject* O : Owner->children()) Taken << O->objectName();
  int N = 1;
  while (Taken.contains(Base + QString::number(N))) ++N;
  auto* A = new TGvAxis(this);
  A->SetName(Base + QString::number(N));
  A->SetCaption(Caption);
  A->SetPosition(Position);
  A->SetGraph(this);
  return A;
}

void TGvGraph2D::TestPrimaryAxis()
{
  if (!FPrimaryXAxis) SetPrimaryXAxis(CreateAxis("XAxis", "X-Axis", TGvAxisPosition::Bottom));
  if (!FPrimaryYAxis) SetPrimaryYAxis(CreateAxis("YAxis", "Y-Axis", TGvAxisPosition::Left));
  if (!FPrimaryXAxis->IsHorizontal()) FPrimaryXAxis->SetPosition(TGvAxisPosition::Bottom);
  if (FPrimaryYAxis->IsHorizontal()) FPrimaryYAxis->SetPosition(TGvAxisPosition::Left);
  if (!FPollTimer.isActive()) FPollTimer.start();
}

void TGvGraph2D::TestSeriesAndAxis()
{
  // Copies: a series may leave the graph while it calculates.
  const std::vector<TGvSeries*> Series = FSeries;
  for (TGvSeries* S : Series) {
    if (std::find(FSeries.begin(), FSeries.end(), S) == FSeries.end()) continue;
    if (!S->AutoUpdate() || !S->Visible()) continue;
    try {
      S->CheckDBVectors();
      S->Calculate();
    } catch (const std::exception& E) {
      // A series that fails to calculate shows what it has; the graph goes on.
      qWarning("%s: %s", qPrintable(S->ToString()), E.what());
    }
  }
  // A new range lays the graph out again; the series see for themselves
  // whether their axes map otherwise (a wider data range often does not move
  // the rounded ends).
  bool Changed = false;
  for (TGvAxis* A : Axes())
    if (AxisGraph(A) == this && A->GetNewRanges()) Changed = true;
  if (Changed) Modified();
}

void TGvGraph2D::OnPoll()
{
  if (FDestroying) return;
  if (!Updating() && !FRecalculate && !FSeries.empty()) TestSeriesAndAxis();
  if (FLegendsDirty) {
    FLegendsDirty = false;
    for (const auto& L : FLegends)
      if (L.Object) L.Legend->LegendRefresh();
  }
}

// ---- Layout ----------------------------------------------------------------------------------

void TGvGraph2D::LayoutSelf()
{
  const int W = std::max(0, width()), H = std::max(0, height());
  std::vector<TGvAxis*> Own;
  for (TGvAxis* A : Axes())
    if (AxisGraph(A) == this) Own.push_back(A);
  if (FZeroOrigin) {
    if (FPrimaryXAxis) FPrimaryXAxis->SetVisible(true);
    if (FPrimaryYAxis) FPrimaryYAxis->SetVisible(true);
  }

  // Ranges, ends and ticks over the control lengths (while panning only the
  // ticks follow); an axis whose data reach beyond its range asks for a
  // scroll bar.
  // An auto-sized axis spans the whole client along its line: its length
  // decides the partition (a new length asks for a new one).
  for (TGvAxis* A : Own) {
    if (!A->AutoSize()) continue;
    const QRect B = A->BoundsRect();
    // The line starts at the control's start for the first tick pass, so that
    // what follows does not depend on the layout before.
    if (A->IsHorizontal()) {
      A->SetBounds(0, B.top(), W, B.height());
      A->SetAxisGeometry(0, A->AxTop(), W);
    } else {
      A->SetBounds(B.left(), 0, B.width(), H);
      A->SetAxisGeometry(A->AxLeft(), 0, H);
    }
  }
  if (!FPanning)
    TGvAxis::CalculateAxes(Own);
  else
    for (TGvAxis* A : Own) A->CalculateTicks();
  // From here on the graph places its axes; at the end they count as laid
  // out (also when something below raises).
  std::vector<QPointer<TGvAxis>> Placed(Own.begin(), Own.end());
  struct TPlaced
  {
    std::vector<QPointer<TGvAxis>>& List;
    ~TPlaced()
    {
      for (auto& A : List)
        if (A) A->SetGraphLayout(false);
    }
  } PlacedEnd{Placed};
  for (TGvAxis* A : Own) A->SetGraphLayout(true);
  if (!FPanning) {
    FHScrollNeeded = FVScrollNeeded = false;
    for (TGvAxis* A : Own)
      if (A->IsClipped()) (A->IsHorizontal() ? FHScrollNeeded : FVScrollNeeded) = true;
  }

  // Borders from the distances, the scroll bars and the title.
  TGvBorderSettings BS;
  BS.DistanceLeft = FDistance[0];
  BS.DistanceTop = FDistance[1];
  BS.DistanceRight = FDistance[2];
  BS.DistanceBottom = FDistance[3];
  BS.SingleBorder = FBorderStyle == TGvBorderStyle::Single;
  const bool HBar = FHScrollNeeded && FZoom->HScrollbarVisible() && FPrimaryXAxis;
  const bool VBar = FVScrollNeeded && FZoom->VScrollbarVisible() && FPrimaryYAxis;
  BS.HScrollHeight = HBar ? FHScroll->sizeHint().height() : 0;
  BS.VScrollWidth = VBar ? FVScroll->sizeHint().width() : 0;
  BS.TitleShown = TitleShown();
  if (BS.TitleShown) {
    FTitle.ParseForSize(this, this);
    BS.TitleHeight = FTitle.Height();
  }
  BS.CaptionDistanceBefore = FCaptionDistanceBefore;
  BS.CaptionDistanceAfter = FCaptionDistanceAfter;
  FBorders = GvResetBorders(BS);

  // Docked legends: each side grows by the largest legend docked there.
  struct TDocked
  {
    IGvGraphLegend* L;
    TGvLegendPosition P;
    QSizeF Size;
    int Border;
  };
  std::vector<TDocked> Docked;
  int Grow[4] = {0, 0, 0, 0};
  for (const auto& E : FLegends) {
    if (!E.Object || !E.Legend->LegendVisible()) continue;
    TGvGraphSide Side;
    const TGvLegendPosition P = E.Legend->LegendPosition();
    if (!GvLegendSide(P, Side)) continue;
    const QSizeF S = E.Legend->LegendSize();
    Docked.push_back({E.Legend, P, S, FBorders.At(Side)});
    const bool Across = Side == TGvGraphSide::Left || Side == TGvGraphSide::Right;
    Grow[int(Side)] = std::max(Grow[int(Side)], int(std::ceil(Across ? S.width() : S.height())));
  }
  for (int I = 0; I < 4; ++I) FBorders.At(TGvGraphSide(I)) += Grow[I];

  // Auto-sized axes stacked from the border towards the data, visited from
  // the last to the first, each across the whole client; the last visible
  // one of a side is its edge axis. Along its line an axis leaves the room
  // its end labels need.
  TGvAxis* Edge[4] = {nullptr, nullptr, nullptr, nullptr};
  auto CrossesZero = [](const TGvAxis* A) {
    return A && !AxisLog(A) && A->Start() < 0 && A->Stop() > 0;
  };
  const bool XBelowZero = FPrimaryXAxis && !AxisLog(FPrimaryXAxis) && FPrimaryXAxis->Start() < 0;
  const bool YBelowZero = FPrimaryYAxis && !AxisLog(FPrimaryYAxis) && FPrimaryYAxis->Start() < 0;
  for (auto It = Own.rbegin(); It != Own.rend(); ++It) {
    TGvAxis* A = *It;
    if (!A->AutoSize()) continue;
    const TGvGraphSide Side = SideOf(A->Position());
    const int T = A->Visible() ? int(std::ceil(std::max(0.0, A->NeededThickness()))) : 0;
    int& B = FBorders.At(Side);
    const bool Horizontal = A->IsHorizontal();
    switch (Side) {
    case TGvGraphSide::Left:
      A->SetBounds(B, 0, T, H);
      break;
    case TGvGraphSide::Right:
      A->SetBounds(W - B - T, 0, T, H);
      break;
    case TGvGraphSide::Top:
      A->SetBounds(0, B, W, T);
      break;
    default:
      A->SetBounds(0, H - B - T, W, T);
      break;
    }
    const double Line =
        GvAxisLineOffset(Side, A->TicksPointToData(), A->MajorTickLength(), A->AxisThicknes(), T);
    const double Length = Horizontal ? W : H;
    const double Low = std::ceil(A->EndRoom(true)), High = std::ceil(A->EndRoom(false));
    const double Len = std::max(40.0, Length - Low - High);
    if (Horizontal)
      A->SetAxisGeometry(Low, Line, Len);
    else
      A->SetAxisGeometry(Line, Low, Len);
    A->CalculateTicks();
    if (!A->Visible()) continue;
    const bool Crossing = FZeroOrigin && ((Side == TGvGraphSide::Left && XBelowZero) ||
                                          (Side == TGvGraphSide::Bottom && YBelowZero));
    if (!Crossing) B += T;
    if (!(FZeroOrigin && (A == FPrimaryXAxis || A == FPrimaryYAxis) && CrossesZero(A)))
      Edge[int(Side)] = A;
  }

  // Inner borders: the room the axes running along each side need beyond
  // their ends (labels, the series' symbols, arrows).
  double Room[4] = {0, 0, 0, 0};
  for (TGvAxis* A : Own) {
    if (!A->AutoSize()) continue;
    for (int End = 0; End < 2; ++End) {
      const bool Low = End == 0;
      const TGvGraphSide Side = A->IsHorizontal()
                                    ? (Low ? TGvGraphSide::Left : TGvGraphSide::Right)
                                    : (Low ? TGvGraphSide::Top : TGvGraphSide::Bottom);
      Room[int(Side)] = std::max(Room[int(Side)], std::ceil(std::max(0.0, A->EndRoom(Low))));
    }
  }
  for (int I = 0; I < 4; ++I) {
    const TGvGraphSide Side = TGvGraphSide(I);
    TGvAxis* E = Edge[I];
    double LinePos = 0;
    if (E) {
      const QRect B = E->BoundsRect();
      switch (Side) {
      case TGvGraphSide::Left:
        LinePos = B.left() + E->AxLeft();
        break;
      case TGvGraphSide::Right:
        LinePos = W - (B.left() + E->AxLeft());
        break;
      case TGvGraphSide::Top:
        LinePos = B.top() + E->AxTop();
        break;
      default:
        LinePos = H - (B.top() + E->AxTop());
        break;
      }
    }
    double Shift = 0;
    FBorders.At(Side) = GvInnerBorder(FBorders.At(Side), E != nullptr, LinePos,
                                      E ? E->DistanceValuesAxis() : 0.0f, Room[I], Shift);
    if (E && Shift != 0) {
      const QRect B = E->BoundsRect();
      const int S = int(std::lround(Shift));
      switch (Side) {
      case TGvGraphSide::Left:
        E->SetBounds(B.left() + S, B.top(), B.width(), B.height());
        break;
      case TGvGraphSide::Right:
        E->SetBounds(B.left() - S, B.top(), B.width(), B.height());
        break;
      case TGvGraphSide::Top:
        E->SetBounds(B.left(), B.top() + S, B.width(), B.height());
        break;
      default:
        E->SetBounds(B.left(), B.top() - S, B.width(), B.height());
        break;
      }
    }
  }

  // Fit the auto axes to the data area (with ZeroOrigin the primary axes
  // only).
  const bool Crossing = FZeroOrigin && FPrimaryXAxis && FPrimaryYAxis &&
                        AxisGraph(FPrimaryXAxis) == this && AxisGraph(FPrimaryYAxis) == this;
  for (TGvAxis* A : Own) {
    if (!A->AutoSize()) continue;
    if (Crossing && A != FPrimaryXAxis && A != FPrimaryYAxis) continue;
    if (A->IsHorizontal()) {
      FBorders.Right = std::max(FBorders.Right, int(std::ceil(A->MajorTickThicknes() / 2)));
      A->SetAxisGeometry(FBorders.Left, A->AxTop(),
                         std::max(40, W - FBorders.Left - FBorders.Right));
    } else {
      FBorders.Top = std::max(FBorders.Top, int(std::ceil(A->MajorTickThicknes() / 2)));
      A->SetAxisGeometry(A->AxLeft(), FBorders.Top,
                         std::max(40, H - FBorders.Top - FBorders.Bottom));
    }
    A->CalculateTicks();
  }
  if (Crossing) CrossAxesAtZero();
  FDrawingArea = GvDrawingArea(FBorders, W, H);

  // The title, the scroll bars and the legends.
  if (BS.TitleShown)
    FTitle.SetPosition(GvTitleX(FCaptionAlignment, FDistance[0], FDistance[2], W),
                       FCaptionDistanceBefore);
  UpdateScrollBars();
  for (const TDocked& D : Docked)
    D.L->PlaceLegend(GvLegendPlace(D.P, D.Size, D.Border, FDrawingArea, W, H));
}

void TGvGraph2D::CrossAxesAtZero()
{
  TGvAxis* X = FPrimaryXAxis;
  TGvAxis* Y = FPrimaryYAxis;
  const auto Inside = [](const TGvAxis* A) {
    return !AxisLog(A) && A->Start() < 0 && A->Stop() > 0;
  };
  // The label (and tick) at 0 goes where the other axis crosses; an axis
  // that stays at the border leaves out the label at its corner instead
  // (unless the one at 0 went already).
  bool XLabelGone = false, YLabelGone = false;
  if (Inside(X)) {
    const QRect B = Y->BoundsRect();
    const double Px = X->Left() + X->NumberToWorld(0);
    Y->SetBounds(int(std::lround(Px - Y->AxLeft())), B.top(), B.width(), B.height());
    YLabelGone = Y->RemoveMarksAt(Y->NumberToWorld(0), 0.1);
  }
  if (Inside(Y)) {
    const QRect B = X->BoundsRect();
    const double Py = Y->Top() + Y->NumberToWorld(0);
    // The line (AxTop within the control) stands at the pixel of 0.
    X->SetBounds(B.left(), int(std::lround(Py - X->AxTop())), B.width(), B.height());
    XLabelGone = X->RemoveMarksAt(X->NumberToWorld(0), 0.1);
  }
  if (!Inside(X) && !XLabelGone) X->RemoveFirstLabel();
  if (!Inside(Y) && !YLabelGone) Y->RemoveFirstLabel();
}

void TGvGraph2D::UpdateScrollBars()
{
  if (FPanning) return;
  FSettingScrollBars = true;
  struct TBar
  {
    QScrollBar* Bar;
    TGvAxis* Axis;
    bool Show;
  };
  const TBar Bars[2] = {
      {FHScroll, FPrimaryXAxis.data(), FHScrollNeeded && FZoom->HScrollbarVisible()},
      {FVScroll, FPrimaryYAxis.data(), FVScrollNeeded && FZoom->VScrollbarVisible()}};
  for (const TBar& B : Bars) {
    if (!B.Show || !B.Axis || FDrawingArea.isEmpty()) {
      B.Bar->hide();
      continue;
    }
    const double S0 = ToLinear(B.Axis, B.Axis->GetScrollStart());
    const double S1 = ToLinear(B.Axis, B.Axis->GetScrollStop());
    const double A0 = ToLinear(B.Axis, B.Axis->Start()), A1 = ToLinear(B.Axis, B.Axis->Stop());
    double Wd = S1 - S0;
    if (!(Wd > 0)) Wd = A1 - A0;
    if (!(Wd > 0) || !Finite(Wd)) {
      B.Bar->hide();
      continue;
    }
    const int Page = std::clamp(int(std::lround(GvScrollMax * (A1 - A0) / Wd)), 0, GvScrollMax);
    const int PStart = int(std::lround(GvScrollMax * std::clamp((A0 - S0) / Wd, -1.0, 2.0)));
    const int PStop = int(std::lround(GvScrollMax * std::clamp((A1 - S0) / Wd, -1.0, 2.0)));
    const bool Inverted = GvScrollInverted(B.Axis->IsHorizontal(), B.Axis->Twisted());
    B.Bar->setRange(0, GvScrollMax - Page);
    B.Bar->setPageStep(std::max(1, Page));
    B.Bar->setSingleStep(std::max(1, Page / 10));
    B.Bar->setValue(
        std::clamp(GvScrollBarPosition(PStart, PStop, Inverted), 0, GvScrollMax - Page));
    if (B.Bar == FHScroll) {
      const int BH = FHScroll->sizeHint().height();
      FHScroll->setGeometry(int(FDrawingArea.left()), height() - BH, int(FDrawingArea.width()), BH);
    } else {
      const int BW = FVScroll->sizeHint().width();
      FVScroll->setGeometry(0, int(FDrawingArea.top()), BW, int(FDrawingArea.height()));
    }
    B.Bar->show();
  }
  FSettingScrollBars = false;
}

void TGvGraph2D::AlignChildGraphs()
{
  const std::vector<TGvGraph2D*> Children = ChildGraphs();
  if (Children.empty()) return;
  std::vector<TGvGraph2D*> Group = {this};
  Group.insert(Group.end(), Children.begin(), Children.end());
  std::vector<QRectF> Areas;
  for (TGvGraph2D* G : Group) Areas.push_back(G->FDrawingArea);
  const QPointF LR = GvAlignCoupledAreas(Areas);
  for (size_t I = 0; I < Group.size(); ++I) {
    TGvGraph2D* G = Group[I];
    const QRectF Old = G->FDrawingArea;
    G->FDrawingArea = Areas[I];
    std::vector<QPointer<TGvAxis>> Placed;
    for (TGvAxis* A : G->Axes())
      if (AxisGraph(A) == G) {
        Placed.emplace_back(A);
        A->SetGraphLayout(true);
      }
    struct TPlaced
    {
      std::vector<QPointer<TGvAxis>>& List;
      ~TPlaced()
      {
        for (auto& A : List)
          if (A) A->SetGraphLayout(false);
      }
    } PlacedEnd{Placed};
    const int DL = int(std::lround(Areas[I].left() - Old.left()));
    const int DR =
        int(std::lround((Areas[I].left() + Areas[I].width()) - (Old.left() + Old.width())));
    for (TGvAxis* A : G->Axes()) {
      if (AxisGraph(A) != G) continue;
      if (A->IsHorizontal()) {
        A->SetAxisGeometry(LR.x(), A->AxTop(), std::max(0.0, LR.y() - LR.x()));
      } else {
        const QRect B = A->BoundsRect();
        if (A->Position() == TGvAxisPosition::Left)
          A->SetBounds(B.left() + DL, B.top(), B.width(), B.height());
        else
          A->SetBounds(B.left() + DR, B.top(), B.width(), B.height());
      }
      A->CalculateTicks();
    }
    G->SeriesModified();
  }
}

void TGvGraph2D::Calculate()
{
  if (Updating() || !FPrimaryXAxis || !FPrimaryYAxis || FInLayout || FDestroying) return;
  FInLayout = true;
  struct TDone
  {
    bool& Flag;
    ~TDone() { Flag = false; }
  } Done{FInLayout};
  CheckCoupled();
  SortLayers();
  if (!FCoupled) {
    LayoutSelf();
    for (TGvGraph2D* G : ChildGraphs()) {
      if (G->FInLayout || !G->FPrimaryYAxis) continue;
      G->FInLayout = true;
      TDone ChildDone{G->FInLayout};
      G->CheckCoupled();
      G->SortLayers();
      G->LayoutSelf();
      G->FRecalculate = false;
      for (TGvSeries* S : G->FSeries) S->TestVisibleChanged();
      G->InvalidateChart();
    }
    AlignChildGraphs();
  } else if (TGvGraph2D* M = MasterGraph(); M != this) {
    // The master lays out its child graphs with itself.
    M->FRecalculate = true;
    M->Calculate();
    if (FRecalculate) LayoutSelf();
  }
  for (TGvSeries* S : FSeries) S->TestVisibleChanged();
  FRecalculate = false;
  InvalidateChart();
}

// ---- Painting
// ------------------------------------------------------------------------------------

bool TGvGraph2D::AnyAxisClipped() const
{
  for (TGvAxis* A : Axes())
    if (A->IsClipped()) return true;
  return false;
}

void TGvGraph2D::ClipToData(QPainter& P)
{
  // On each side whose axis cuts off data the drawing stops at the area.
  double L = 0, T = 0, R = width(), B = height();
  for (TGvAxis* A : Axes()) {
    if (!A->IsClipped()) continue;
    if (A->IsHorizontal()) {
      L = FDrawingArea.left();
      R = FDrawingArea.left() + FDrawingArea.width();
    } else {
      T = FDrawingArea.top();
      B = FDrawingArea.top() + FDrawingArea.height();
    }
  }
  P.setClipRect(QRectF(L, T, R - L, B - T), Qt::IntersectClip);
}

void TGvGraph2D::PaintBarWalls(QPainter& P, const QRectF& A, double DepthX, double DepthY)
{
  // 3-D bars stand in a box: a back wall behind the data area and two side
  // walls joining it, drawn without smoothing.
  const TGvBarWalls W = GvBarWalls(A, DepthX, DepthY);
  const TGvBarWallColors C = GvBarWallColors(FDataAreaColor);
  P.save();
  P.setRenderHint(QPainter::Antialiasing, false);
  P.setPen(Qt::NoPen);
  P.setBrush(ToQColor(C.Back));
  P.drawPolygon(W.Back);
  P.setBrush(ToQColor(C.Left));
  P.drawPolygon(W.Left);
  P.setBrush(ToQColor(C.Floor));
  P.drawPolygon(W.Floor);
  P.restore();
}

void TGvGraph2D::PaintGrids(QPainter& P)
{
  const QRectF A = FDrawingArea;
  auto Lines = [&](TGvLineSettings* Grid, TGvAxis* Axis, bool Vertical, bool Major) {
    if (!Grid->Visible() || !Axis) return;
    const QPen Pen = Grid->GetPen(A);
    P.save();
    P.setRenderHint(QPainter::Antialiasing,
                    Pen.style() == Qt::SolidLine && P.testRenderHint(QPainter::Antialiasing));
    P.setPen(Pen);
    for (const TGvAxisTick& T : Axis->Ticks()) {
      if (T.Grid != Major || !Finite(T.Pixel)) continue;
      if (Vertical) {
        if (T.Pixel < A.left() || T.Pixel > A.left() + A.width()) continue;
        P.drawLine(QPointF(T.Pixel, A.top()), QPointF(T.Pixel, A.top() + A.height()));
      } else {
        if (T.Pixel < A.top() || T.Pixel > A.top() + A.height()) continue;
        P.drawLine(QPointF(A.left(), T.Pixel), QPointF(A.left() + A.width(), T.Pixel));
      }
    }
    P.restore();
  };
  Lines(FGrid[3], FPrimaryXAxis, true, false);
  Lines(FGrid[0], FPrimaryYAxis, false, true);
  Lines(FGrid[1], FPrimaryXAxis, true, true);
  Lines(FGrid[2], FPrimaryYAxis, false, false);
}

void TGvGraph2D::Render(QPainter& P)
{
  FRendering = true;
  struct TDone
  {
    bool& Flag;
    ~TDone() { Flag = false; }
  } Done{FRendering};
  if (FOnce) {
    FOnce = false;
    TestPrimaryAxis();
  }
  TestSeriesAndAxis();
  if (FCoupled) {
    CheckCoupled();
    TGvGraph2D* M = MasterGraph();
    if (M != this && M->FRecalculate) M->Calculate();
  }
  if (FRecalculate || (FCoupled && FDrawingArea.isNull())) Calculate();

  const QRectF Client(0, 0, width(), height());
  P.save();
  PaintBackground(P, Client);
  const QRectF A = FDrawingArea;
  const bool HasArea = A.width() > 0 && A.height() > 0;
  if (HasArea) {
    double WallX = 0, WallY = 0;
    bool Walls = false;
    for (TGvSeries* S : FSeries)
      if (S->DataAreaWalls(WallX, WallY)) {
        Walls = true;
        break;
      }
    if (FDataAreaGradient->Visible())
      P.fillRect(A, FDataAreaGradient->GetBrush(A));
    else if (FDataAreaColor != FBackColor && GetAlpha(FDataAreaColor) > 0 && Walls)
      PaintBarWalls(P, A, WallX, WallY);
    else if (FDataAreaColor != FBackColor && GetAlpha(FDataAreaColor) > 0)
      P.fillRect(A, ToQColor(FDataAreaColor));
  }
  if (TitleShown()) FTitle.PaintGr(P);
  ApplySmoothing(P, FSmoothingMode);
  if (HasArea) {
    PaintGrids(P);
    P.save();
    if (AnyAxisClipped()) ClipToData(P);
    for (TGvSeries* S : FSeries) {
      try {
        S->PaintGr(P);
      } catch (const std::exception& E) {
        qWarning("%s: %s", qPrintable(S->ToString()), E.what());
      }
    }
    P.restore();
    if (FDataAreaFrame->Visible()) {
      P.setPen(FDataAreaFrame->GetPen(A));
      P.setBrush(Qt::NoBrush);
      P.drawRect(A);
    }
  }
  for (TGvAxis* Ax : Axes()) {
    if (AxisGraph(Ax) != this || !Ax->Visible()) continue;
    P.save();
    P.translate(Ax->Left(), Ax->Top());
    Ax->PaintGr(P);
    P.restore();
  }
  if (HasArea) {
    P.save();
    if (AnyAxisClipped()) ClipToData(P);
    for (TGvSeries* S : FSeries) {
      try {
        S->DrawSymbols(P);
      } catch (const std::exception& E) {
        qWarning("%s: %s", qPrintable(S->ToString()), E.what());
      }
    }
    P.restore();
  }
  if (FLegendsDirty) {
    FLegendsDirty = false;
    for (const auto& L : FLegends)
      if (L.Object) L.Legend->LegendRefresh();
  }
  for (const auto& L : FLegends)
    if (L.Object && L.Legend->LegendVisible()) L.Legend->PaintLegend(P);
  PaintBorder(P, Client);
  P.restore();
  ++FRenderCount;
}

void TGvGraph2D::EnsureCache()
{
  const qreal Dpr = devicePixelRatioF();
  const QSize Pixels = size() * Dpr;
  if (FCacheValid && FCache.size() == Pixels) return;
  if (FCache.size() != Pixels) FCache = QImage(Pixels, QImage::Format_ARGB32_Premultiplied);
  if (FCache.isNull()) return;
  FCache.setDevicePixelRatio(Dpr);
  FCache.fill(Qt::transparent);
  // Valid before rendering: what the rendering itself calculates is in it.
  FCacheValid = true;
  QPainter P(&FCache);
  Render(P);
}

void TGvGraph2D::paintEvent(QPaintEvent*)
{
  EnsureCache();
  QPainter P(this);
  if (!FCache.isNull()) P.drawImage(0, 0, FCache);
  if (FZooming) {
    // The rubber band as a dotted focus rectangle over the cached chart.
    const QRect R = QRect(FDragStart, FDragLast).normalized();
    P.setPen(QPen(Qt::black, 1, Qt::DotLine));
    P.setBrush(Qt::NoBrush);
    P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    P.drawRect(R);
  }
}

void TGvGraph2D::resizeEvent(QResizeEvent* Event)
{
  QWidget::resizeEvent(Event);
  Modified();
  SeriesModified();
}

void TGvGraph2D::showEvent(QShowEvent* Event)
{
  QWidget::showEvent(Event);
  InvalidateChart();
}

// ---- Hit tests
// -----------------------------------------------------------------------------------

TGvSeries* TGvGraph2D::FindSeriesPoint(double MouseX, double MouseY, int& Index, double& X,
                                       double& Y)
{
  Index = -1;
  X = Y = 0;
  for (auto It = FSeries.rbegin(); It != FSeries.rend(); ++It) {
    TGvSeries* S = *It;
    const int I = S->FindPoint(MouseX, MouseY);
    if (I < 0) continue;
    if (S->IsFunction()) {
      X = S->XAxis()->WorldToNumber(MouseX);
      Y = S->GetY(X);
      Index = -1;
    } else {
      Index = I;
      S->ElementValues(I, X, Y);
    }
    return S;
  }
  return nullptr;
}

// ---- Zoom
// ------------------------------------------------------------------------------------------

std::vector<TGvGraph2D*> TGvGraph2D::ZoomGroup()
{
  CheckCoupled();
  TGvGraph2D* M = MasterGraph();
  if (M != this) M->CheckCoupled();
  std::vector<TGvGraph2D*> G = {M};
  for (TGvGraph2D* C : M->ChildGraphs())
    if (std::find(G.begin(), G.end(), C) == G.end()) G.push_back(C);
  if (std::find(G.begin(), G.end(), this) == G.end()) G.push_back(this);
  return G;
}

std::vector<TGvAxis*> TGvGraph2D::ZoomAxes()
{
  std::vector<TGvAxis*> R;
  for (TGvGraph2D* G : ZoomGroup())
    for (TGvAxis* A : G->Axes())
      if (std::find(R.begin(), R.end(), A) == R.end()) R.push_back(A);
  return R;
}

void TGvGraph2D::RepaintGroup(const std::vector<TGvGraph2D*>& Group)
{
  for (TGvGraph2D* G : Group) {
    G->Modified();
    G->SeriesModified();
  }
}

void TGvGraph2D::RecordStages(const std::vector<TGvAxis*>& Axes)
{
  for (TGvAxis* A : Axes) A->ZoomIn(A->Start(), A->Stop());
}

bool TGvGraph2D::CanZoomBack() const
{
  const TGvAxis* A = FPrimaryXAxis ? FPrimaryXAxis.data() : FPrimaryYAxis.data();
  if (!A) return false;
  if (FPrimaryXAxis && FPrimaryYAxis && FPrimaryXAxis->ZoomBufferSize() == 0)
    A = FPrimaryYAxis.data();
  return GvCanZoomBack(FZoom->BufferType() == TGvZoomBufferType::AsCircularBuffer,
                       A->CurrentZoomStage(), A->ZoomBufferSize());
}

bool TGvGraph2D::CanRedoZoom() const
{
  const TGvAxis* A = FPrimaryXAxis ? FPrimaryXAxis.data() : FPrimaryYAxis.data();
  if (!A) return false;
  if (FPrimaryXAxis && FPrimaryYAxis && FPrimaryXAxis->ZoomBufferSize() == 0)
    A = FPrimaryYAxis.data();
  return GvCanRedoZoom(FZoom->BufferType() == TGvZoomBufferType::AsCircularBuffer,
                       A->CurrentZoomStage(), A->ZoomBufferSize());
}

int TGvGraph2D::CurrentZoomStage() const
{
  return FPrimaryXAxis ? FPrimaryXAxis->CurrentZoomStage() : 0;
}

int TGvGraph2D::ZoomBufferSize() const
{
  return FPrimaryXAxis ? FPrimaryXAxis->ZoomBufferSize() : 0;
}

void TGvGraph2D::ZoomTo(QPointF Corner1, QPointF Corner2)
{
  if (!FPrimaryXAxis || !FPrimaryYAxis) return;
  const QRectF R = GvZoomRect(Corner1, Corner2, FDrawingArea);
  const std::vector<TGvGraph2D*> Group = ZoomGroup();
  std::vector<std::unique_ptr<TGvUpdateScope>> Scopes;
  for (TGvGraph2D* G : Group) Scopes.push_back(std::make_unique<TGvUpdateScope>(G));

  // This graph's axes take the rectangle; every other axis of the group
  // records its range as a stage of its own, so that all histories keep in
  // step. Each distinct axis is zoomed once.
  std::vector<TGvAxis*> Done;
  for (TGvAxis* A : Axes()) {
    if (std::find(Done.begin(), Done.end(), A) != Done.end()) continue;
    Done.push_back(A);
    double S, E;
    if (FZoom->OptimizeSeries()) {
      S = std::numeric_limits<double>::infinity();
      E = -S;
      for (TGvSeries* Sr : FSeries) {
        const bool OnX = Sr->XAxis() == A, OnY = Sr->YAxis() == A;
        if ((!OnX && !OnY) || !Sr->SeriesVisible()) continue;
        for (const TGvScreenPoint& P : Sr->ScreenPoints()) {
          if (!R.contains(QPointF(P.X, P.Y))) continue;
          double X, Y;
          if (Sr->IsFunction()) {
            X = Sr->XAxis()->WorldToNumber(P.X);
            Y = Sr->GetY(X);
          } else if (!Sr->ElementValues(P.Index, X, Y)) {
            continue;
          }
          const double V = OnX ? X : Y;
          S = std::min(S, V);
          E = std::max(E, V);
        }
      }
    } else if (A->IsHorizontal()) {
      S = A->WorldToNumber(R.left());
      E = A->WorldToNumber(R.right());
    } else {
      S = A->WorldToNumber(R.bottom());
      E = A->WorldToNumber(R.top());
    }
    if (S > E) std::swap(S, E);
    if (Finite(S) && Finite(E) && S < E) A->ZoomIn(S, E);
  }
  for (TGvGraph2D* G : Group)
    for (TGvAxis* A : G->Axes())
      if (std::find(Done.begin(), Done.end(), A) == Done.end()) {
        Done.push_back(A);
        A->ZoomIn(A->Start(), A->Stop());
      }
  RepaintGroup(Group);
}

void TGvGraph2D::ZoomBack()
{
  if (!CanZoomBack()) return;
  for (TGvAxis* A : ZoomAxes()) A->ZoomBack();
  RepaintGroup(ZoomGroup());
}

void TGvGraph2D::RedoZoom()
{
  if (!CanRedoZoom()) return;
  for (TGvAxis* A : ZoomAxes()) A->RedoZoom();
  RepaintGroup(ZoomGroup());
}

void TGvGraph2D::ZoomToStage(int Stage)
{
  for (TGvAxis* A : ZoomAxes()) A->ZoomToStage(Stage);
  RepaintGroup(ZoomGroup());
}

void TGvGraph2D::ZoomReset()
{
  for (TGvAxis* A : ZoomAxes()) A->RangeModified();
  RepaintGroup(ZoomGroup());
}

void TGvGraph2D::ShiftAxis(TGvAxis* Axis, double Shift, bool Record)
{
  if (!Axis) return;
  TGvShiftAxis S;
  S.Start = ToLinear(Axis, Axis->Start());
  S.Stop = ToLinear(Axis, Axis->Stop());
  S.ScrollStart = ToLinear(Axis, Axis->GetScrollStart());
  S.ScrollStop = ToLinear(Axis, Axis->GetScrollStop());
  if (S.ScrollStart > S.ScrollStop) std::swap(S.ScrollStart, S.ScrollStop);
  S.RoundStart = !FPanning && !AxisLog(Axis) && Record;
  S.Step = GvShiftRoundingStep(Axis->EndRounding(), Axis->MajorIncrement(),
                               Axis->MinorIncrement());
  double A, B;
  if (!GvShiftRange(S, Shift, A, B)) return;
  A = FromLinear(Axis, A);
  B = FromLinear(Axis, B);
  const std::vector<TGvGraph2D*> Group = ZoomGroup();
  if (Record) {
    Axis->ZoomIn(A, B);
    std::vector<TGvAxis*> Others = ZoomAxes();
    Others.erase(std::remove(Others.begin(), Others.end(), Axis), Others.end());
    RecordStages(Others);
  } else {
    Axis->SetStartStop(A, B);
  }
  RepaintGroup(Group);
}

// ---- Mouse
// ------------------------------------------------------------------------------------------

void TGvGraph2D::mousePressEvent(QMouseEvent* Event)
{
  // A free-floating legend under the pointer takes the press first (the
  // legend painted last is the one on top).
  const QPoint Press = Event->position().toPoint();
  const TGvShiftState Shift = GvShiftStateOf(Event->modifiers(), Event->buttons());
  for (auto It = FLegends.rbegin(); It != FLegends.rend(); ++It)
    if (It->Object && It->Legend->LegendVisible() && It->Legend->LegendMousePress(Press, Shift)) {
      FMouseLegend = *It;
      return;
    }
  if (!FZoom->Auto()) {
    QWidget::mousePressEvent(Event);
    return;
  }
  FDragStart = FDragLast = Event->position().toPoint();
  FMouseDown = true;
  const TGvShiftState S = GvShiftStateOf(Event->modifiers(), Event->buttons());
  if (S == FZoom->StartZoom()) {
    FZooming = true;
    if (OnBeginZoom) OnBeginZoom(this);
    update();
  } else if (CanZoomBack() && S == FZoom->StartPanning()) {
    StartPanning(FDragStart);
  }
}

void TGvGraph2D::mouseMoveEvent(QMouseEvent* Event)
{
  const QPoint At = Event->position().toPoint();
  if (FMouseLegend.Object) {
    FMouseLegend.Legend->LegendMouseMove(At);
    return;
  }
  if (FZooming) {
    FDragLast = At;
    update(); // the cached chart and the band over it
  } else if (FPanning) {
    PanTo(At);
  }
}

void TGvGraph2D::mouseReleaseEvent(QMouseEvent* Event)
{
  const QPoint At = Event->position().toPoint();
  if (FMouseLegend.Object) {
    FMouseLegend.Legend->LegendMouseRelease();
    FMouseLegend = {nullptr, nullptr};
    return;
  }
  FMouseDown = false;
  const bool Beside = !FDrawingArea.contains(At) && !FDrawingArea.contains(FDragStart);
  if (FZooming) {
    FZooming = false;
    FDragLast = At;
    if (Beside && GvIsClick(FDragStart, At) && FZoom->BackOnClickBeside() && CanZoomBack()) {
      ZoomBack();
    } else {
      switch (GvRubberBandAction(FDragStart, At, FZoom->ResetOnRightBottomLeftTopFrame(),
                                 FZoom->BackOnRightBottomLeftTopFrame())) {
      case TGvRubberBandAction::Reset:
        ZoomReset();
        break;
      case TGvRubberBandAction::None:
        break;
      case TGvRubberBandAction::Back:
        ZoomBack();
        break;
      case TGvRubberBandAction::Zoom:
        ZoomTo(FDragStart, At);
        break;
      }
    }
    if (OnEndZoom) OnEndZoom(this);
    update();
  } else if (FPanning) {
    PanTo(At);
    StopPanning();
  } else if (Beside && GvIsClick(FDragStart, At) && FZoom->Auto() && FZoom->BackOnClickBeside() &&
             CanZoomBack()) {
    ZoomBack();
  }
}

void TGvGraph2D::mouseDoubleClickEvent(QMouseEvent* Event)
{
  const QPoint At = Event->position().toPoint();
  if (FZoom->Auto() && FZoom->ResetOnDoubleClickBeside() && !FDrawingArea.contains(At) &&
      ZoomBufferSize() > 0) {
    FZooming = false;
    ZoomReset();
  }
}

void TGvGraph2D::StartPanning(QPoint At)
{
  FPanning = true;
  FCursorBeforePanning = cursor().shape();
  setCursor(FZoom->PanningCursor());
  FPanSnapshots.clear();
  for (TGvAxis* A : ZoomAxes())
    FPanSnapshots.push_back({A, ToLinear(A, A->Start()), ToLinear(A, A->Stop())});
  if (OnBeginPanning) OnBeginPanning(this);
}

void TGvGraph2D::PanTo(QPoint At)
{
  if (At == FDragLast) return;
  FDragLast = At;
  const double DX = FDragStart.x() - At.x(), DY = At.y() - FDragStart.y();
  bool Moved = false;
  for (const TPanSnapshot& S : FPanSnapshots) {
    TGvAxis* A = S.Axis.data();
    if (!A || !(A->AxLength() > 0)) continue;
    TGvPanAxis P;
    P.Start = S.Start;
    P.Stop = S.Stop;
    P.ScrollStart = ToLinear(A, A->GetScrollStart());
    P.ScrollStop = ToLinear(A, A->GetScrollStop());
    P.ValuePerPixel = (S.Stop - S.Start) / A->AxLength();
    P.Twisted = A->Twisted();
    P.Horizontal = A->IsHorizontal();
    double NS, NE;
    if (!GvPanRange(P, DX, DY, NS, NE)) continue;
    A->SetStartStop(FromLinear(A, NS), FromLinear(A, NE));
    A->CalculateTicks();
    Moved = true;
  }
  if (!Moved) return;
  for (TGvGraph2D* G : ZoomGroup()) G->SeriesModified();
}

void TGvGraph2D::StopPanning()
{
  FPanning = false;
  setCursor(FCursorBeforePanning);
  RecordStages(ZoomAxes());
  FPanSnapshots.clear();
  if (OnEndPanning) OnEndPanning(this);
  RepaintGroup(ZoomGroup());
}

void TGvGraph2D::wheelEvent(QWheelEvent* Event)
{
  const QPointF At = Event->position();
  const int Steps = Event->angleDelta().y() / 120;
  if (!FZoom->Auto() || Steps == 0 || !FDrawingArea.contains(At) || FZooming || FPanning) {
    Event->ignore();
    return;
  }
  // Each step zooms by 1.25 around the pointer; zooming out stops at the
  // range before the first zoom.
  const double F = std::pow(0.8, Steps);
  const std::vector<TGvGraph2D*> Group = ZoomGroup();
  std::vector<TGvAxis*> Done;
  bool Any = false;
  for (TGvAxis* A : Axes()) {
    if (std::find(Done.begin(), Done.end(), A) != Done.end()) continue;
    Done.push_back(A);
    const double C = ToLinear(A, A->WorldToNumber(A->IsHorizontal() ? At.x() : At.y()));
    const double S = ToLinear(A, A->Start()), E = ToLinear(A, A->Stop());
    double NS = C - (C - S) * F, NE = C + (E - C) * F;
    const double S0 = ToLinear(A, A->GetScrollStart()), S1 = ToLinear(A, A->GetScrollStop());
    if (NE - NS >= S1 - S0) {
      NS = S0;
      NE = S1;
    } else {
      if (NS < S0) NE += S0 - NS, NS = S0;
      if (NE > S1) NS -= NE - S1, NE = S1;
    }
    if (!Finite(NS) || !Finite(NE) || !(NS < NE) || (NS == S && NE == E)) {
      A->ZoomIn(A->Start(), A->Stop());
      continue;
    }
    A->ZoomIn(FromLinear(A, NS), FromLinear(A, NE));
    Any = true;
  }
  for (TGvGraph2D* G : Group)
    for (TGvAxis* A : G->Axes())
      if (std::find(Done.begin(), Done.end(), A) == Done.end()) {
        Done.push_back(A);
        A->ZoomIn(A->Start(), A->Stop());
      }
  if (!Any) {
    // Nothing moved: the stages just recorded are taken back.
    for (TGvAxis* A : Done) A->ZoomBack();
  }
  RepaintGroup(Group);
  Event->accept();
}

// ---- Scroll bars
// -------------------------------------------------------------------------------------

void TGvGraph2D::OnScroll(bool Horizontal, int Action)
{
  if (FSettingScrollBars) return;
  TGvAxis* A = Horizontal ? FPrimaryXAxis.data() : FPrimaryYAxis.data();
  if (!A) return;
  TGvScrollIncrement Kind;
  double Sign;
  switch (Action) {
  case QAbstractSlider::SliderSingleStepAdd:
    Kind = FZoom->ScrollSmallIncrement();
    Sign = 1;
    break;
  case QAbstractSlider::SliderSingleStepSub:
    Kind = FZoom->ScrollSmallIncrement();
    Sign = -1;
    break;
  case QAbstractSlider::SliderPageStepAdd:
    Kind = FZoom->ScrollLargeIncrement();
    Sign = 1;
    break;
  case QAbstractSlider::SliderPageStepSub:
    Kind = FZoom->ScrollLargeIncrement();
    Sign = -1;
    break;
  default:
    return;
  }
  if (GvScrollInverted(A->IsHorizontal(), A->Twisted())) Sign = -Sign;
  const double Width = ToLinear(A, A->Stop()) - ToLinear(A, A->Start());
  const double PerPixel = A->AxLength() > 0 ? Width / A->AxLength() : 0;
  double Step = GvScrollStep(Kind, Width, A->MajorIncrement(), A->MinorIncrement(), PerPixel);
  if (AxisLog(A) && Kind != TGvScrollIncrement::Page && Kind != TGvScrollIncrement::Pixel)
    Step = Kind == TGvScrollIncrement::MajorTick ? 1 : 0.04 * 10;
  ShiftAxis(A, Sign * Step, true);
}

void TGvGraph2D::OnScrollMoved(bool Horizontal, int Value)
{
  if (FSettingScrollBars) return;
  TGvAxis* A = Horizontal ? FPrimaryXAxis.data() : FPrimaryYAxis.data();
  if (!A) return;
  const double S = ToLinear(A, A->Start()), E = ToLinear(A, A->Stop());
  const double S0 = ToLinear(A, A->GetScrollStart()), S1 = ToLinear(A, A->GetScrollStop());
  const int Page = GvScrollMax - (Horizontal ? FHScroll : FVScroll)->maximum();
  const bool Inverted = GvScrollInverted(A->IsHorizontal(), A->Twisted());
  const int Pos = Inverted ? Value + Page : Value;
  const double NS = GvScrollStartFor(Pos, S0, S1, E - S, Inverted);
  // Dragging the thumb pans: no rounding, no stage until it is let go.
  const bool Was = FPanning;
  FPanning = true;
  ShiftAxis(A, NS - S, false);
  FPanning = Was;
}

// ---- Output
// ----------------------------------------------------------------------------------------------

QSize TGvGraph2D::ImageSize() const
{
  int W = width(), H = height();
  for (TGvGraph2D* G : const_cast<TGvGraph2D*>(this)->ChildGraphs()) {
    W = std::max(W, G->width());
    H += G->height();
  }
  return QSize(std::max(1, W), std::max(1, H));
}

void TGvGraph2D::RenderStack(QPainter& P, int DX, int DY, bool Metafile)
{
  CheckCoupled();
  // The child graphs stand above the master, one below the other.
  int Y = DY;
  std::vector<TGvGraph2D*> Stack = ChildGraphs();
  Stack.push_back(this);
  for (TGvGraph2D* G : Stack) {
    // Vector output (SVG, PDF, printers) keeps the positions as they are,
    // not rounded to the screen's pixels.
    struct TFlags
    {
      TGvGraph2D* G;
      ~TFlags() { G->FDoingImage = G->FDoingMetafile = false; }
    } Flags{G};
    G->FDoingImage = true;
    G->FDoingMetafile = Metafile;
    P.save();
    P.translate(DX, Y);
    if (!Metafile) P.setClipRect(QRect(0, 0, G->width(), G->height()));
    G->Render(P);
    if (!Metafile)
      for (TGvRichLabel* L : G->findChildren<TGvRichLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!L->isVisible() && !L->isVisibleTo(G)) continue;
        P.save();
        P.translate(L->pos());
        L->render(&P, QPoint(), QRegion(), QWidget::DrawChildren);
        P.restore();
      }
    P.restore();
    Y += G->height();
  }
}

void TGvGraph2D::PaintToImage(QImage& Image, int DX, int DY)
{
  QPainter P(&Image);
  if (!P.isActive()) throw EGvError(QStringLiteral("The image cannot be painted on"));
  RenderStack(P, DX, DY, false);
}

QImage TGvGraph2D::AsImage(bool RemoveTransparency, TGvColor ExchangeColor)
{
  QImage Image(ImageSize(), QImage::Format_ARGB32_Premultiplied);
  if (Image.isNull()) throw EGvError(QStringLiteral("Not enough memory for the image"));
  Image.fill(RemoveTransparency ? ToQColor(Opaque(ExchangeColor)) : QColor(255, 255, 255, 0));
  PaintToImage(Image);
  if (RemoveTransparency) return Image.convertToFormat(QImage::Format_RGB32);
  return Image;
}

namespace {

QString FormatName(TGvImageFileFormat F)
{
  switch (F) {
  case TGvImageFileFormat::Emf:
    return QStringLiteral("EMF");
  case TGvImageFileFormat::Bmp:
    return QStringLiteral("BMP");
  case TGvImageFileFormat::Jpeg:
    return QStringLiteral("JPEG");
  case TGvImageFileFormat::Png:
    return QStringLiteral("PNG");
  case TGvImageFileFormat::Gif:
    return QStringLiteral("GIF");
  case TGvImageFileFormat::Tiff:
    return QStringLiteral("TIFF");
  case TGvImageFileFormat::Exif:
    return QStringLiteral("EXIF");
  case TGvImageFileFormat::Icon:
    return QStringLiteral("Icon");
  case TGvImageFileFormat::Svg:
    return QStringLiteral("SVG");
  default:
    return QStringLiteral("PDF");
  }
}

[[noreturn]] void Unsupported(TGvImageFileFormat F)
{
  throw EGvError(QStringLiteral("Images cannot be saved as %1 on this platform; use PNG, BMP, "
                                "JPEG, GIF, TIFF, SVG or PDF")
                     .arg(FormatName(F)));
}

#ifdef VERDANE_HAVE_GIFLIB
int GifWrite(GifFileType* Gif, const GifByteType* Data, int Size)
{
  auto* Device = static_cast<QIODevice*>(Gif->UserData);
  return int(Device->write(reinterpret_cast<const char*>(Data), Size));
}

// A GIF of the picture: reduced to a palette of at most 255 colours (Qt's
// conversion, with dithering where there are more), fully transparent
// pixels on an extra transparent entry.
void WriteGif(QIODevice& Device, const QImage& Source, bool KeepTransparency)
{
  const QImage Argb = Source.convertToFormat(QImage::Format_ARGB32);
  QImage Flat(Argb.size(), QImage::Format_RGB32);
  Flat.fill(Qt::white);
  {
    QPainter P(&Flat);
    P.drawImage(0, 0, Argb);
  }
  // The exact colours when there are few enough, else a 6 x 7 x 6 colour cube
  // with error diffusion; one entry stays free for transparency.
  QVector<QRgb> Table;
  {
    QSet<QRgb> Seen;
    for (int Y = 0; Y < Flat.height() && Seen.size() <= 255; ++Y) {
      const QRgb* Line = reinterpret_cast<const QRgb*>(Flat.constScanLine(Y));
      for (int X = 0; X < Flat.width() && Seen.size() <= 255; ++X)
        Seen.insert(Line[X] | 0xFF000000u);
    }
    if (Seen.size() <= 255) {
      Table = QVector<QRgb>(Seen.begin(), Seen.end());
    } else {
      for (int R = 0; R < 6; ++R)
        for (int G = 0; G < 7; ++G)
          for (int B = 0; B < 6; ++B) Table.push_back(qRgb(R * 51, G * 255 / 6, B * 51));
    }
  }
  const QImage Indexed = Flat.convertToFormat(QImage::Format_Indexed8, Table, Qt::DiffuseDither);
  const int Transparent = KeepTransparency ? int(Table.size()) : -1;
  int Error = 0;
  GifFileType* Gif = EGifOpen(&Device, GifWrite, &Error);
  if (!Gif) throw EGvError(QStringLiteral("GIF encoder error: %1").arg(GifErrorString(Error)));
  struct TClose
  {
    GifFileType*& G;
    ~TClose()
    {
      int E = 0;
      if (G) EGifCloseFile(G, &E);
    }
  } Close{Gif};
  ColorMapObject* Map = GifMakeMapObject(256, nullptr);
  if (!Map) throw EGvError(QStringLiteral("GIF encoder error: no memory for the palette"));
  for (int I = 0; I < 256; ++I) {
    const QRgb C = I < Table.size() ? Table[I] : qRgb(255, 255, 255);
    Map->Colors[I] = {GifByteType(qRed(C)), GifByteType(qGreen(C)), GifByteType(qBlue(C))};
  }
  const int W = Indexed.width(), H = Indexed.height();
  bool Ok = EGifPutScreenDesc(Gif, W, H, 8, 0, Map) == GIF_OK;
  GifFreeMapObject(Map);
  if (Ok && Transparent >= 0) {
    const GifByteType Ext[4] = {0x01, 0, 0, GifByteType(Transparent)};
    Ok = EGifPutExtension(Gif, GRAPHICS_EXT_FUNC_CODE, 4, Ext) == GIF_OK;
  }
  Ok = Ok && EGifPutImageDesc(Gif, 0, 0, W, H, false, nullptr) == GIF_OK;
  std::vector<GifByteType> Line(static_cast<size_t>(W));
  for (int Y = 0; Ok && Y < H; ++Y) {
    const uchar* Src = Indexed.constScanLine(Y);
    const QRgb* Alpha = reinterpret_cast<const QRgb*>(Argb.constScanLine(Y));
    for (int X = 0; X < W; ++X)
      Line[size_t(X)] = Transparent >= 0 && qAlpha(Alpha[X]) < 128 ? GifByteType(Transparent)
                                                                   : GifByteType(Src[X]);
    Ok = EGifPutLine(Gif, Line.data(), W) == GIF_OK;
  }
  int E = 0;
  const int Closed = EGifCloseFile(Gif, &E);
  Gif = nullptr;
  if (!Ok || Closed != GIF_OK)
    throw EGvError(QStringLiteral("GIF encoder error: %1").arg(GifErrorString(Ok ? E : Error)));
}
#endif

} // namespace

void TGvGraph2D::SaveImage(QIODevice& Stream, TGvImageFileFormat Format, bool RemoveTransparency,
                           TGvColor TransparentExchangeColor)
{
  if (!Stream.isWritable())
    throw EGvError(QStringLiteral("The image cannot be written: the "
                                  "stream is not open for writing"));
  const QSize Size = ImageSize();
  switch (Format) {
  case TGvImageFileFormat::Emf:
  case TGvImageFileFormat::Exif:
  case TGvImageFileFormat::Icon:
    Unsupported(Format);
  case TGvImageFileFormat::Svg:
  case TGvImageFileFormat::Pdf: {
    auto RenderTo = [&](QPaintDevice& Device, double Scale) {
      QPainter P(&Device);
      if (!P.isActive())
        throw EGvError(QStringLiteral("The %1 image could not be started").arg(FormatName(Format)));
      P.scale(Scale, Scale);
      if (RemoveTransparency)
        P.fillRect(QRect(QPoint(), Size), ToQColor(Opaque(TransparentExchangeColor)));
      RenderStack(P, 0, 0, true);
    };
    if (Format == TGvImageFileFormat::Svg) {
      QSvgGenerator Svg;
      Svg.setOutputDevice(&Stream);
      Svg.setSize(Size);
      Svg.setViewBox(QRect(QPoint(), Size));
      Svg.setTitle(windowTitle().isEmpty() ? objectName() : windowTitle());
      RenderTo(Svg, 1);
    } else {
      QPdfWriter Pdf(&Stream);
      Pdf.setPageSize(QPageSize(QSizeF(Size), QPageSize::Point));
      Pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      Pdf.setResolution(72);
      RenderTo(Pdf, 1);
    }
    break;
  }
  case TGvImageFileFormat::Gif: {
#ifdef VERDANE_HAVE_GIFLIB
    QImage Image = AsImage(RemoveTransparency, TransparentExchangeColor);
    WriteGif(Stream, Image, !RemoveTransparency);
#else
    Unsupported(Format);
#endif
    break;
  }
  default: {
    const char* Kind = Format == TGvImageFileFormat::Bmp    ? "bmp"
                       : Format == TGvImageFileFormat::Jpeg ? "jpeg"
                       : Format == TGvImageFileFormat::Tiff ? "tiff"
                                                            : "png";
    if (!QImageWriter::supportedImageFormats().contains(Kind)) Unsupported(Format);
    // Formats without alpha are flattened onto the exchange colour.
    const bool Flatten = RemoveTransparency || Format == TGvImageFileFormat::Bmp ||
                         Format == TGvImageFileFormat::Jpeg;
    const QImage Image = AsImage(Flatten, TransparentExchangeColor);
    QImageWriter Writer(&Stream, Kind);
    if (Format == TGvImageFileFormat::Jpeg) Writer.setQuality(95);
    if (!Writer.write(Image))
      throw EGvError(QStringLiteral("The %1 image could not be written: %2")
                         .arg(FormatName(Format), Writer.errorString()));
    break;
  }
  }
}

void TGvGraph2D::SaveImage(const QString& FileName, TGvImageFileFormat Format,
                           bool RemoveTransparency, TGvColor TransparentExchangeColor)
{
  if (Format == TGvImageFileFormat::Emf || Format == TGvImageFileFormat::Exif ||
      Format == TGvImageFileFormat::Icon)
    Unsupported(Format);
  QSaveFile File(FileName);
  if (!File.open(QIODevice::WriteOnly))
    throw EGvError(
        QStringLiteral("The file %1 cannot be written: %2").arg(FileName, File.errorString()));
  SaveImage(File, Format, RemoveTransparency, TransparentExchangeColor);
  if (!File.commit())
    throw EGvError(
        QStringLiteral("The file %1 cannot be written: %2").arg(FileName, File.errorString()));
}

void TGvGraph2D::PrintTo(QPrinter& Printer, const QRect& Rect)
{
  QPainter P;
  if (!P.begin(&Printer)) throw EGvError(QStringLiteral("The printer cannot be drawn on"));
  const QSize Size = ImageSize();
  const QRect Target = Rect.isEmpty() ? P.viewport() : Rect;
  P.translate(Target.topLeft());
  P.scale(double(Target.width()) / Size.width(), double(Target.height()) / Size.height());
  RenderStack(P, 0, 0, true);
  if (!P.end() || Printer.printerState() == QPrinter::Error)
    throw EGvError(QStringLiteral("The graph could not be printed"));
}

void TGvGraph2D::CopyToClipboard()
{
  QClipboard* Clip = QGuiApplication::clipboard();
  if (!Clip) throw EGvError(QStringLiteral("There is no clipboard"));
  auto* Data = new QMimeData;
  Data->setImageData(AsImage(false));
  QBuffer Svg;
  Svg.open(QIODevice::WriteOnly);
  SaveImage(Svg, TGvImageFileFormat::Svg);
  Data->setData(QStringLiteral("image/svg+xml"), Svg.data());
  Clip->setMimeData(Data);
}
