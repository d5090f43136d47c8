#include "chart/GvBars.h"

#include "chart/GvDrawing.h"
#include "chart/GvGDI.h"
#include "controls/GvStringFunctions.h"

#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

double Finite(double V, double Default = 0)
{
  return std::isfinite(V) ? V : Default;
}

} // namespace

// ---- Counting -------------------------------------------------------------

int GvBarCount(int ValueCount, bool BoundaryIsVector, int BoundaryCount)
{
  int Count = std::max(ValueCount, 0);
  if (BoundaryIsVector && BoundaryCount <= Count) Count = std::max(BoundaryCount - 1, 0);
  return Count;
}

// ---- Placement ------------------------------------------------------------

TGvBarSlot GvBarSlot(double Edge1, double Edge2, double ClassesDistance, int N, int A,
                     bool Horizontal)
{
  N = std::max(N, 1);
  A = std::clamp(A, 1, N);
  const double Low = std::min(Edge1, Edge2), High = std::max(Edge1, Edge2);
  const double Z = High - Low;
  const double G = Z * std::clamp(Finite(ClassesDistance), 0.0, 100.0) / 200;
  const double L = Z - 2 * G, W = L / N;
  TGvBarSlot Slot;
  Slot.GroupWidth = L;
  if (!Horizontal) {
    Slot.Lo = Low + G + W * (A - 1);
    Slot.Hi = Low + G + W * A;
  } else {
    // The class's bottom is the greater pixel; bars count upwards from it.
    Slot.Lo = High - W * A - G;
    Slot.Hi = High - W * (A - 1) - G;
  }
  return Slot;
}

QRectF TGvBarCorners::Rect() const
{
  const double L = std::min(TopLeft.x(), BottomRight.x()),
               R = std::max(TopLeft.x(), BottomRight.x());
  const double T = std::min(TopLeft.y(), BottomRight.y()),
               B = std::max(TopLeft.y(), BottomRight.y());
  return QRectF(L, T, R - L, B - T);
}

TGvBarCorners GvBarCorners(const TGvBarSlot& Slot, double ValuePixel, double BasePixel,
                           bool Horizontal, bool FromZeroLine)
{
  TGvBarCorners C;
  if (!Horizontal) {
    C.TopLeft = QPointF(Slot.Lo, ValuePixel);
    C.BottomRight = QPointF(Slot.Hi, BasePixel);
  } else {
    C.TopLeft = QPointF(FromZeroLine ? BasePixel + 1 : BasePixel, Slot.Lo);
    C.BottomRight = QPointF(ValuePixel, Slot.Hi);
  }
  return C;
}

// ---- Depth ----------------------------------------------------------------

TGvBarDepth GvBarDepth(double GroupWidth, double Depth3D, TGvBarStyle Style, bool Horizontal)
{
  TGvBarDepth D;
  const double L = std::abs(Finite(GroupWidth)), Depth = Finite(Depth3D);
  D.DepthX = std::max(L * Depth / 240, 1.0);
  D.DepthY = std::max(L * Depth / 400, 1.0);
  if (Style == TGvBarStyle::Cylinder) D.CylinderShift = Horizontal ? D.DepthY : D.DepthX;
  return D;
}

TGvBarWalls GvBarWalls(const QRectF& DataArea, double DepthX, double DepthY)
{
  TGvBarWalls W;
  const QRectF A = DataArea.normalized();
  const QPointF Back(Finite(DepthX), -Finite(DepthY));
  W.Back << A.topLeft() + Back << A.topRight() + Back << A.bottomRight() + Back
         << A.bottomLeft() + Back;
  W.Left << A.topLeft() << A.topLeft() + Back << A.bottomLeft() + Back << A.bottomLeft();
  W.Floor << A.bottomLeft() << A.bottomLeft() + Back << A.bottomRight() + Back << A.bottomRight();
  return W;
}

TGvBarWallColors GvBarWallColors(TGvColor Color)
{
  return {Color, Brighten(Color, 0.85), Brighten(Color, 0.75)};
}

// ---- Stacking -------------------------------------------------------------

TGvStackLevel GvStackLevel(const std::vector<double>& Own, const TGvStackLevel* Below)
{
  TGvStackLevel S;
  const size_t NOwn = Own.size(), NBelow = Below ? Below->Running.size() : 0;
  S.Base.resize(NOwn);
  S.Top.resize(NOwn);
  S.Running.resize(std::max(NOwn, NBelow));
  S.Covered.resize(S.Running.size());
  for (size_t I = 0; I < S.Running.size(); ++I) {
    const double Base = I < NBelow ? Below->Running[I] : 0.0;
    bool Covered = I < NBelow && Below->Covered[I];
    double Sum = Base;
    if (I < NOwn) {
      S.Base[I] = Base;
      if (std::isfinite(Own[I])) {
        Sum = Base + Own[I];
        S.Top[I] = Sum;
        Covered = true;
      } else {
        S.Top[I] = std::nan("");
      }
    }
    S.Running[I] = Sum;
    S.Covered[I] = Covered;
  }
  return S;
}

// ---- Ranges ---------------------------------------------------------------

TGvMinMax GvBarValueRange(const std::vector<double>& Values)
{
  TGvMinMax R;
  R.Add(0.0);
  for (double V : Values) R.Add(V);
  return R;
}

// ---- Labels ---------------------------------------------------------------

TGvBarLabelPosition GvEffectiveLabelPosition(TGvBarLabelPosition Position, bool Stacked,
                                             bool TopMost)
{
  if (Stacked && !TopMost && Position == TGvBarLabelPosition::OnTopOfBar)
    return TGvBarLabelPosition::InTop;
  return Position;
}

double GvBarLabelFontSize(double NarrowestGroupWidth, bool NoGroup, double LabelSize)
{
  const double L = NoGroup ? 100.0 : std::abs(Finite(NarrowestGroupWidth));
  const double Size = L * 0.01 * Finite(LabelSize);
  return std::isfinite(Size) ? std::max(Size, 1.0) : 1.0;
}

namespace {

QString ValueText(double R, const QString& Format)
{
  if (!std::isfinite(R)) return {};
  return Format.isEmpty() ? FloatToStr(R) : FormatFloat(Format, R);
}

QString PercentText(double R, double Total, const QString& Format)
{
  if (!std::isfinite(R) || !std::isfinite(Total) || Total == 0) return {};
  const double P = R * 100 / Total;
  if (!std::isfinite(P)) return {};
  QString F = Format;
  if (F.isEmpty())
    F = QStringLiteral("##0.##%");
  else if (!F.contains(u'%'))
    F += u'%';
  return FormatFloat(F, P);
}

QString Joined(const QString& Caption, const QString& Number)
{
  if (Caption.isEmpty()) return Number;
  if (Number.isEmpty()) return Caption;
  return Caption + u' ' + Number;
}

} // namespace

QString GvBarLabelText(TGvLabelStyle From, double R, double Total, const QString& Caption,
                       const QString& Format)
{
  switch (From) {
  case TGvLabelStyle::Value:
    return ValueText(R, Format);
  case TGvLabelStyle::CaptionsList:
    return Caption;
  case TGvLabelStyle::Percent:
    return PercentText(R, Total, Format);
  case TGvLabelStyle::CaptionAndValue:
    return Joined(Caption, ValueText(R, Format));
  case TGvLabelStyle::CaptionAndPercent:
    return Joined(Caption, PercentText(R, Total, Format));
  }
  return {};
}

QPointF GvBarLabelPoint(const TGvBarLabelInput& In)
{
  using P = TGvBarLabelPosition;
  const QRectF B = In.Bar.normalized();
  const double K = In.K, J = In.J;
  const bool Cuboid = In.Style == TGvBarStyle::Cuboid;
  const bool Deep = Cuboid || In.Style == TGvBarStyle::Cylinder;
  double X = 0, Y = 0;
  if (!In.Horizontal) {
    const double Top = B.top(), Bottom = B.bottom();
    X = B.center().x();
    auto OnTop = [&] {
      X = B.center().x() + (Cuboid ? In.Depth.DepthX / 2 : 0);
      Y = Top - J / 2 - (Deep ? In.Depth.DepthY : 0);
    };
    switch (In.Position) {
    case P::Invisible:
    case P::OnBottom:
      Y = Bottom - 0.75 * J;
      break;
    case P::Centered:
      Y = Top + 0.5 * (Bottom - Top);
      break;
    case P::GoldenCut:
      Y = Top + 0.381966 * (Bottom - Top);
      break;
    case P::ThreeFourth:
      Y = Top + 0.25 * (Bottom - Top);
      break;
    case P::InTop:
      Y = Top + 0.75 * J;
      break;
    case P::OnTopOfBar:
      OnTop();
      break;
    }
    if (In.Position != P::OnTopOfBar && !(Y >= Top + J / 2 && Y <= Bottom - J / 2)) {
      if (In.StackedBelowTop)
        Y = Top + 0.5 * (Bottom - Top);
      else
        OnTop();
    }
    X += In.Depth.CylinderShift / 2;
  } else {
    const double Left = B.left(), Right = B.right();
    Y = B.center().y();
    auto OnTop = [&] {
      X = Right + (In.LabelVertical ? K / 2 : K / 2 + J / 4) + (Deep ? In.Depth.DepthX : 0);
      Y = B.center().y() - (Cuboid ? In.Depth.DepthY / 2 : 0);
    };
    switch (In.Position) {
    case P::Invisible:
    case P::OnBottom:
      X = In.LabelVertical ? Left + K : Left + K / 2 + J / 2;
      break;
    case P::Centered:
      X = Left + 0.5 * (Right - Left);
      break;
    case P::GoldenCut:
      X = Left + 0.6180339 * (Right - Left);
      break;
    case P::ThreeFourth:
      X = Left + 0.75 * (Right - Left);
      break;
    case P::InTop:
      X = In.LabelVertical ? Right - K : Right - K / 2 - J / 2;
      break;
    case P::OnTopOfBar:
      OnTop();
      break;
    }
    if (In.Position != P::OnTopOfBar && !(X >= Left + K / 2 && X <= Right - K / 2)) {
      if (In.StackedBelowTop)
        X = Left + 0.5 * (Right - Left);
      else
        OnTop();
    }
    Y -= In.Depth.CylinderShift / 2;
  }
  return QPointF(X, Y);
}

// ---- TGvBars --------------------------------------------------------------

namespace {

bool SameBits(const std::vector<double>& A, const std::vector<double>& B)
{
  return A.size() == B.size() &&
         (A.empty() || std::memcmp(A.data(), B.data(), A.size() * sizeof(double)) == 0);
}

bool AxisLog(const TGvAxis* A)
{
  return A && A->Scale().HasLogScaling;
}

// The pixel of a value on an axis (clamped, so that nothing huge or not
// finite reaches the painter).
double Pixel(const TGvAxis* A, double V)
{
  return GvClampPixel(A->NumberToWorld(V));
}

} // namespace

TGvBars::TGvBars(QObject* Owner)
    : TGvSeries(Owner), FCaptionsLink(
                            this,
                            [this] {
                              FCaptionsReloadPending = true;
                              LabelsChanged();
                            },
                            [this] { FCaptionsBound = false; }),
      FFont(new TGvFont(QStringLiteral("Arial"), 12, TGvFontStyle::Bold, this))
{
  FMinCount = 1;
  FLine->SetColor(GvColors::Blue);
  FArea->SetVisible(true);
  FArea->SetForeColor(GvColors::Navy);
  connect(FFont, &TGvPersistent::Changed, this, &TGvBars::LabelsChanged);
  NumberCaption();
}

TGvBars::~TGvBars()
{
  BeginDestroy();
}

// ---- Properties -------------------------------------------------------------

template <class F> void TGvBars::ForOtherBars(F&& Do)
{
  for (TGvBars* B : GraphBars())
    if (B != this) Do(B);
}

void TGvBars::AllRangesModified()
{
  RangesModified();
  ForOtherBars([](TGvBars* B) { B->RangesModified(); });
  if (FGraph) FGraph->Modified();
}

template <class T>
void TGvBars::ShareSetting(T TGvBars::*Field, T Value, const char* Prop, const QString& Comment)
{
  // One change is one undo step, however many bar series share it.
  std::vector<TGvBars*> All = {this};
  ForOtherBars([&](TGvBars* B) { All.push_back(B); });
  RecordStartGroup(Comment);
  for (TGvBars* B : All)
    if (!(B->*Field == Value)) {
      B->CheckUndo(Prop, Comment);
      B->*Field = Value;
    }
  RecordStopGroup();
  AllRangesModified();
}

void TGvBars::SetOverlayStyle(TGvBarsOverlayStyle Value)
{
  if (Value == FOverlayStyle) return;
  ShareSetting(&TGvBars::FOverlayStyle, Value, "OverlayStyle",
               QStringLiteral("Bars stacked/shifted overlays"));
}

void TGvBars::SetBarsHorizontal(bool Value)
{
  if (Value == FBarsHorizontal) return;
  ShareSetting(&TGvBars::FBarsHorizontal, Value, "BarsHorizontal",
               QStringLiteral("Bars horizontal"));
  if (FGraph) FGraph->LegendsModified();
}

void TGvBars::SetBarStyle(TGvBarStyle Value)
{
  if (Value == FBarStyle) return;
  CheckUndo("BarStyle", QStringLiteral("Bars style"));
  FBarStyle = Value;
  InvalidatePoints();
  if (FGraph) {
    FGraph->LegendsModified();
    FGraph->Modified();
  }
}

void TGvBars::SetDepth3D(double Value)
{
  if (Value == FDepth3D || !std::isfinite(Value)) return;
  ShareSetting(&TGvBars::FDepth3D, Value, "Depth3D", QStringLiteral("Bars 3D depth"));
}

void TGvBars::SetClassesDistance(double Value)
{
  if (Value == FClassesDistance || !std::isfinite(Value)) return;
  ShareSetting(&TGvBars::FClassesDistance, Value, "ClassesDistance",
               QStringLiteral("Bars distance of classes"));
}

void TGvBars::SetCaptions(const QStringList& Value)
{
  if (FCaptionsBound)
    throw EGvError(QStringLiteral("Setting captions list not allowed with database binding set"));
  if (Value == FCaptions) return;
  CheckUndo("Captions", QStringLiteral("Bars captions"));
  FCaptions = Value;
  LabelsChanged();
}

void TGvBars::SetCaptionsField(const QString& Value)
{
  if (Value == FCaptionsLink.FieldName()) return;
  CheckUndo("CaptionsField", QStringLiteral("CaptionsField"));
  FCaptionsLink.SetFieldName(Value);
  FCaptionsBound = !Value.isEmpty() && FCaptionsLink.DataSource();
  FCaptionsReloadPending = FCaptionsBound;
  LabelsChanged();
}

void TGvBars::SetDataSource(TGvDataSource* Value)
{
  if (Value == FCaptionsLink.DataSource()) return;
  CheckUndo("DataSource", QStringLiteral("DataSource"));
  try {
    FCaptionsLink.SetDataSource(Value);
  } catch (const std::exception&) {
    // A data source that cannot be linked leaves the captions unbound.
  }
  FCaptionsBound =
      Value && FCaptionsLink.DataSource() == Value && !FCaptionsLink.FieldName().isEmpty();
  FCaptionsReloadPending = FCaptionsBound;
  LabelsChanged();
}

void TGvBars::CheckDBVectors()
{
  TGvSeries::CheckDBVectors();
  UpdateCaptionsFromDB();
}

void TGvBars::UpdateCaptionsFromDB()
{
  if (!FCaptionsBound || !FCaptionsReloadPending || IsLoading()) return;
  TGvDataSource* Source = FCaptionsLink.DataSource();
  if (!Source || !FCaptionsLink.DataSet()) return;
  if (!Source->Active() || Source->ControlsDisabled()) return;
  const int Field = FCaptionsLink.FieldIndex();
  FCaptionsReloadPending = false;
  if (Field < 0) return;
  const int Records = Source->RecordCount();
  QStringList Captions;
  Captions.reserve(Records);
  for (int R = 0; R < Records; ++R) {
    const QVariant V = Source->FieldValue(R, Field);
    Captions << (V.isNull() ? QString() : V.toString());
  }
  FCaptionsLink.SetLastRecordCount(Records);
  FCaptions = Captions;
  Invalidate();
}

void TGvBars::SetFont(TGvFont* Value)
{
  if (!Value || Value == FFont) return;
  if (Recording()) FFont->PushToUndoStack(UndoStack(), QStringLiteral("Bars font"));
  FFont->Assign(*Value);
}

void TGvBars::SetLabelColor(TGvColor Value)
{
  if (Value == FFont->FillColor()) return;
  CheckUndo("LabelColor", QStringLiteral("Labels color"));
  const QSignalBlocker Quiet(FFont);
  FFont->SetFillColor(Value);
  LabelsChanged();
}

void TGvBars::SetLabelFormat(const QString& Value)
{
  if (Value == FLabelFormat) return;
  CheckUndo("LabelFormat", QStringLiteral("Labels output format"));
  FLabelFormat = Value;
  LabelsChanged();
}

void TGvBars::SetLabelFrom(TGvLabelStyle Value)
{
  if (Value == FLabelFrom) return;
  CheckUndo("LabelFrom", QStringLiteral("Labels from list/values/percent"));
  FLabelFrom = Value;
  LabelsChanged();
}

void TGvBars::SetLabelPosition(TGvBarLabelPosition Value)
{
  if (Value == FLabelPosition) return;
  CheckUndo("LabelPosition", QStringLiteral("Labels position"));
  FLabelPosition = Value;
  LabelsChanged();
}

void TGvBars::SetLabelSize(float Value)
{
  if (Value == FLabelSize || !std::isfinite(Value)) return;
  CheckUndo("LabelSize", QStringLiteral("Label size"));
  FLabelSize = Value;
  LabelsChanged();
}

void TGvBars::SetLabelVertical(bool Value)
{
  if (Value == FLabelVertical) return;
  CheckUndo("LabelVertical", QStringLiteral("Bars vertical labels"));
  FLabelVertical = Value;
  LabelsChanged();
}

void TGvBars::LabelsChanged()
{
  // Labels are laid out at paint time; the room above the bars may change.
  FLabels.clear();
  if (FGraph && !FGraph->IsDestroying()) FGraph->Modified();
  Invalidate();
}

// ---- Partners -----------------------------------------------------------------

std::vector<TGvBars*> TGvBars::GraphBars() const
{
  std::vector<TGvBars*> Bars;
  if (!FGraph) return Bars;
  for (TGvSeries* S : FGraph->RelatedSeries())
    if (auto* B = qobject_cast<TGvBars*>(S)) Bars.push_back(B);
  return Bars;
}

std::vector<TGvBars*> TGvBars::SeriesBelow() const
{
  std::vector<TGvBars*> Below;
  if (!Stacked()) return Below;
  const TGvAxis* Cat = CategoryAxis();
  for (TGvBars* B : GraphBars()) {
    if (B == this) break;
    if (B->Stacked() && B->FBarsHorizontal == FBarsHorizontal && B->CategoryAxis() == Cat)
      Below.push_back(B);
  }
  return Below;
}

bool TGvBars::TopMost() const
{
  const TGvAxis* Cat = CategoryAxis();
  bool After = false;
  for (TGvBars* B : GraphBars()) {
    if (B == this) {
      After = true;
      continue;
    }
    if (After && B->FBarsHorizontal == FBarsHorizontal && B->CategoryAxis() == Cat) return false;
  }
  return true;
}

TGvBars::TShiftKey TGvBars::ShiftKey() const
{
  TShiftKey K;
  K.Distance = FClassesDistance;
  K.Depth = FDepth3D;
  if (Stacked()) return K;
  const TGvAxis* Cat = CategoryAxis();
  int N = 0, A = 0;
  for (TGvBars* B : GraphBars()) {
    if (!B->Visible() || B->Stacked() || B->FBarsHorizontal != FBarsHorizontal ||
        B->CategoryAxis() != Cat)
      continue;
    ++N;
    if (B == this) A = N;
    K.Distance = std::max(K.Distance, B->FClassesDistance);
    K.Depth = std::max(K.Depth, B->FDepth3D);
  }
  K.N = std::max(N, 1);
  K.A = A > 0 ? A : 1;
  return K;
}

// ---- Values ---------------------------------------------------------------------

TGvCustomDoubleVector* TGvBars::BoundaryVector() const
{
  return FBarsHorizontal ? FYData.data() : FXData.data();
}

TGvCustomDoubleVector* TGvBars::ValueVector() const
{
  return FBarsHorizontal ? XVector() : YVector();
}

double TGvBars::Boundary(int I) const
{
  const TGvCustomDoubleVector* B = BoundaryVector();
  if (!B) return I;
  if (I < 0 || I >= B->Count()) return std::nan("");
  const double V = B->Value(I);
  return FBarsHorizontal ? TransformY(I, V) : TransformX(I, V);
}

double TGvBars::BarValue(int I) const
{
  if (!HasValuesAt(I)) return std::nan("");
  const double V = ValueVector()->Value(I);
  const double T = FBarsHorizontal ? TransformX(I, V) : TransformY(I, V);
  return std::isfinite(T) ? T : std::nan("");
}

int TGvBars::GetCount()
{
  FMinCount = 1;
  const TGvCustomDoubleVector* V = ValueVector();
  if (!V) return 0;
  const TGvCustomDoubleVector* B = BoundaryVector();
  int C = GvBarCount(V->Count(), B != nullptr, B ? B->Count() : 0);
  if (!FOutliersVisible)
    while (C > 0 && V->IsOutlier(C - 1)) --C;
  return C;
}

bool TGvBars::HasValuesAt(int Idx) const
{
  const TGvCustomDoubleVector* V = ValueVector();
  if (!V || Idx < 0 || Idx >= V->Count()) return false;
  if (!std::isfinite(V->Value(Idx))) return false;
  if (!FOutliersVisible && V->IsOutlier(Idx)) return false;
  return std::isfinite(Boundary(Idx)) && std::isfinite(Boundary(Idx + 1));
}

void TGvBars::RangesModified()
{
  FCalculated = false;
  TGvSeries::RangesModified();
}

void TGvBars::Calculate()
{
  const TGvCustomDoubleVector* V = ValueVector();
  if (!V) return;
  const std::vector<TGvBars*> Below = SeriesBelow();
  TGvBars* Under = Below.empty() ? nullptr : Below.back();
  if (Under) Under->Calculate();
  const int UnderVersion = Under ? Under->FStackVersion : -1;
  const TGvCustomDoubleVector* B = BoundaryVector();
  const bool Grew =
      V->Count() > FLastCount || (B && B->Count() > FLastCount + 1) || FLastCount == 0;
  if (FCalculated && !Grew && Under == FBelow && UnderVersion == FBelowVersion) return;
  if (FCalculated && FLastCount == 0 && FCount == 0 && GetCount() == 0 && Under == FBelow &&
      UnderVersion == FBelowVersion)
    return;

  FCount = GetCount();
  std::vector<double> Own(size_t(std::max(FCount, 0)));
  for (int I = 0; I < FCount; ++I) Own[size_t(I)] = BarValue(I);
  TGvStackLevel Level = GvStackLevel(Own, Under ? &Under->FStack : nullptr);

  // The total of the percentages: the values of the value vector (including
  // outliers when they are shown); values that are not finite have no bar
  // and take no part.
  double Total = 0;
  for (int I = 0; I < V->Count(); ++I) {
    if (!FOutliersVisible && V->IsOutlier(I)) continue;
    const double R = FBarsHorizontal ? TransformX(I, V->Value(I)) : TransformY(I, V->Value(I));
    if (std::isfinite(R)) Total += R;
  }

  const bool Changed = !SameBits(Level.Top, FStack.Top) || !SameBits(Level.Base, FStack.Base) ||
                       !SameBits(Level.Running, FStack.Running) ||
                       Level.Covered != FStack.Covered || !SameBits(Own, FValues) ||
                       !(Total == FTotal);
  FValues = std::move(Own);
  FStack = std::move(Level);
  FTotal = Total;
  FBelow = Under;
  FBelowVersion = UnderVersion;
  FCalculated = true;
  if (Changed) ++FStackVersion;

  // Ranges: the Count + 1 boundaries along the category axis, the bar ends
  // (the stack's sums) and 0 along the value axis.
  TGvMinMax Cat;
  if (FCount > 0)
    for (int I = 0; I <= FCount; ++I) Cat.Add(Boundary(I));
  const TGvMinMax Val = GvBarValueRange(Stacked() ? FStack.Top : FValues);
  const double CLo = Cat.Valid() ? Cat.Min : GvNoRangeStart,
               CHi = Cat.Valid() ? Cat.Max : GvNoRangeStop;
  const double VLo = FCount > 0 ? Val.Min : GvNoRangeStart,
               VHi = FCount > 0 ? Val.Max : GvNoRangeStop;
  if (FBarsHorizontal) {
    StoreXRange(VLo, VHi);
    StoreYRange(CLo, CHi);
  } else {
    StoreXRange(CLo, CHi);
    StoreYRange(VLo, VHi);
  }
  FLastCount = FCount;
  if (Changed) {
    FRecalcPoints = true;
    FLastPointsCount = 0;
    FLabels.clear();
    Invalidate();
  }
}

// ---- Geometry -------------------------------------------------------------------

void TGvBars::TestVisibleChanged()
{
  // The shift group (visible bars side by side) may have changed.
  if (!(ShiftKey() == FShiftKey)) InvalidatePoints();
}

void TGvBars::CalculatePoints()
{
  if (!FXAxis || !FYAxis) return;
  FMapX = MapKeyOf(FXAxis);
  FMapY = MapKeyOf(FYAxis);
  FPoints.clear();
  FBottomRight.clear();
  FAreaPoints.clear();
  FSymbolPos.clear();
  FLabels.clear();
  FShiftKey = ShiftKey();
  const TGvAxis* Cat = CategoryAxis();
  const TGvAxis* Val = ValueAxis();
  const double Zero = Pixel(Val, AxisLog(Val) ? Val->Start() : 0.0);
  double Last = -1, Narrowest = -1;
  const int N = std::min<int>(FCount, int(FStack.Top.size()));
  FPoints.reserve(size_t(std::max(N, 0)));
  FBottomRight.reserve(size_t(std::max(N, 0)));
  for (int I = 0; I < N; ++I) {
    const double Top = FStack.Top[size_t(I)];
    if (!std::isfinite(Top)) continue;
    const double E1 = Boundary(I), E2 = Boundary(I + 1);
    if (!std::isfinite(E1) || !std::isfinite(E2)) continue;
    const TGvBarSlot Slot = GvBarSlot(Pixel(Cat, E1), Pixel(Cat, E2), FShiftKey.Distance,
                                      FShiftKey.N, FShiftKey.A, FBarsHorizontal);
    Last = Slot.GroupWidth;
    if (Narrowest < 0 || Slot.GroupWidth < Narrowest) Narrowest = Slot.GroupWidth;
    const bool FromZero = !Stacked() || !FBelow || size_t(I) >= FBelow->FStack.Covered.size() ||
                          !FBelow->FStack.Covered[size_t(I)];
    const double Base = FromZero ? Zero : Pixel(Val, FStack.Base[size_t(I)]);
    const TGvBarCorners C = GvBarCorners(Slot, Pixel(Val, Top), Base, FBarsHorizontal, FromZero);
    FPoints.push_back({GvClampPixel(C.TopLeft.x()), GvClampPixel(C.TopLeft.y()), I});
    FBottomRight.emplace_back(GvClampPixel(C.BottomRight.x()), GvClampPixel(C.BottomRight.y()));
  }
  FLastGroupWidth = Last;
  FNarrowest = Narrowest;
  FDepth = GvBarDepth(std::max(Last, 0.0), FShiftKey.Depth, FBarStyle, FBarsHorizontal);
  // The depth the graph left room for differs: lay out again.
  if (FVisible && FBarStyle != TGvBarStyle::Flat &&
      (std::abs(FDepth.DepthX - FReportedDepth.x()) > 2 ||
       std::abs(FDepth.DepthY - FReportedDepth.y()) > 2))
    ScheduleLayout();
  FCommitted = FPoints.size();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

TGvBarCorners TGvBars::BarCorners(int K) const
{
  const TGvScreenPoint& P = FPoints.at(size_t(K));
  return {QPointF(P.X, P.Y), FBottomRight.at(size_t(K))};
}

const TGvRichCaptionObject* TGvBars::BarLabel(int K) const
{
  return K >= 0 && size_t(K) < FLabels.size() ? FLabels[size_t(K)].get() : nullptr;
}

int TGvBars::FindPoint(double X, double Y, double Delta)
{
  if (FRecalcPoints) return -1;
  for (int K = 0; K < BarCount(); ++K)
    if (BarCorners(K).Rect().adjusted(-Delta, -Delta, Delta, Delta).contains(QPointF(X, Y)))
      return BarIndex(K);
  return -1;
}

bool TGvBars::DataAreaWalls(double& DepthX, double& DepthY) const
{
  if (!FVisible || FBarStyle == TGvBarStyle::Flat || !FXAxis || !FYAxis || !FGraph) return false;
  if (PointsStale()) const_cast<TGvBars*>(this)->CalculatePoints();
  DepthX = FDepth.DepthX;
  DepthY = FDepth.DepthY;
  return true;
}

float TGvBars::ExtraSpaceAt(TGvAxisPosition Border) const
{
  if (!FVisible || FCount <= 0) return 0;
  const bool Deep = FBarStyle != TGvBarStyle::Flat;
  const bool Top = Border == TGvAxisPosition::Top, Right = Border == TGvAxisPosition::Right;
  // The depth goes right and up; the labels above the bars (beside them
  // for horizontal bars) need their own room.
  const double DX = Deep ? FDepth.DepthX : 0, DY = Deep ? FDepth.DepthY : 0;
  FReportedDepth = QPointF(DX, DY);
  double Room = 0;
  if (Top) Room = FBarsHorizontal ? DY : std::max(DY, FLabelRoom);
  if (Right) Room = FBarsHorizontal ? std::max(DX, FLabelRoom) : DX;
  return float(std::ceil(std::clamp(Room, 0.0, 1000.0)));
}

// ---- Labels ---------------------------------------------------------------------

void TGvBars::PrepareLabels(QPainter& Painter)
{
  FLabels.clear();
  FPaintedPosition = GvEffectiveLabelPosition(FLabelPosition, Stacked(), TopMost());
  const double OldRoom = FLabelRoom;
  FLabelRoom = 0;
  if (FLabelPosition == TGvBarLabelPosition::Invisible || FPoints.empty()) {
    if (OldRoom > 0) ScheduleLayout();
    return;
  }
  const double Size = GvBarLabelFontSize(FNarrowest, FNarrowest < 0, FLabelSize);
  const bool BelowTop = Stacked() && !TopMost();
  double Room = 0;
  FLabels.resize(FPoints.size());
  for (size_t K = 0; K < FPoints.size(); ++K) {
    const int I = FPoints[K].Index;
    const double R = size_t(I) < FValues.size() ? FValues[size_t(I)] : std::nan("");
    const QString Caption = I < FCaptions.size() ? FCaptions[I] : QString();
    TGvBarLabelEventArgs Args{GvBarLabelText(FLabelFrom, R, FTotal, Caption, FLabelFormat), I};
    if (OnGetLabel) OnGetLabel(this, Args);
    if (Args.Caption.isEmpty()) continue;
    auto L = std::make_unique<TGvRichCaptionObject>(Args.Caption);
    L->SetFont(*FFont);
    L->Font()->SetSize(float(std::min<double>(Size, TGvFont::MaxSize)));
    L->SetAlignment(TGvContentAlignment::MiddleCenter);
    L->SetAngle(FLabelVertical ? 90 : 0);
    L->ParseForSize(Painter, this);
    const QSizeF Ext = L->RotatedExtent();
    TGvBarLabelInput In;
    In.Bar = BarCorners(int(K)).Rect();
    In.Horizontal = FBarsHorizontal;
    In.Position = FPaintedPosition;
    In.Style = FBarStyle;
    In.Depth = FDepth;
    In.K = Ext.width();
    In.J = Ext.height();
    In.LabelVertical = FLabelVertical;
    In.StackedBelowTop = BelowTop;
    const QPointF At = GvBarLabelPoint(In);
    L->SetPosition(GvClampPixel(At.x()), GvClampPixel(At.y()));
    // How far the label stands out of the data area at the value axis' far
    // end: the room the graph leaves there.
    const QRectF Box = L->RotatedBounds();
    if (FGraph) {
      const QRectF A = FGraph->DrawingArea();
      Room = std::max(Room,
                      FBarsHorizontal ? Box.right() - (A.left() + A.width()) : A.top() - Box.top());
    }
    FLabels[K] = std::move(L);
  }
  FLabelRoom = std::max(0.0, Room);
  // A change of more than 2 pixels lays the graph out again (after this
  // paint); smaller ones are let be, so that the layout settles.
  if (std::abs(FLabelRoom - OldRoom) > 2)
    ScheduleLayout();
  else
    FLabelRoom = OldRoom;
}

void TGvBars::ScheduleLayout()
{
  if (!FGraph) return;
  QPointer<TGvGraph2D> G = FGraph;
  QMetaObject::invokeMethod(
      G,
      [G] {
        if (G) G->Modified();
      },
      Qt::QueuedConnection);
}

// ---- Painting -------------------------------------------------------------------

void TGvBars::PaintGr(QPainter& Painter)
{
  if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible()) return;
  // The first visible bar series paints all of them.
  std::vector<TGvBars*> All;
  for (TGvBars* B : GraphBars())
    if (B->XAxis() && B->YAxis() && B->SeriesVisible()) All.push_back(B);
  if (All.empty() || All.front() != this) return;
  int Largest = 0;
  for (TGvBars* B : All) {
    B->Calculate();
    if (!(B->ShiftKey() == B->FShiftKey)) B->FRecalcPoints = true;
    if (B->PointsStale()) B->CalculatePoints();
    B->PrepareLabels(Painter);
    Largest = std::max(Largest, B->FCount);
  }
  // Class by class, and within a class in list order.
  std::vector<size_t> Next(All.size(), 0);
  for (int I = 0; I < Largest; ++I)
    for (size_t S = 0; S < All.size(); ++S) {
      TGvBars* B = All[S];
      size_t& K = Next[S];
      while (K < B->FPoints.size() && B->FPoints[K].Index < I) ++K;
      if (K < B->FPoints.size() && B->FPoints[K].Index == I) B->PaintBar(Painter, int(K));
    }
  // The labels last, so that no later bar (or its 3-D side) covers them.
  for (TGvBars* B : All)
    for (const auto& L : B->FLabels)
      if (L) L->PaintGr(Painter);
}

void TGvBars::PaintBar(QPainter& Painter, int K)
{
  const QRectF Rect = BarCorners(K).Rect();
  if (!GvFinite(Rect)) return;
  const int I = BarIndex(K);
  const TGvColor Fore = FArea->Visible() ? FArea->ForeColor() : GvColors::White;
  const TGvColor LineColor = FLine->Visible() ? FLine->Color() : GvColors::White;
  const bool Flat = FBarStyle == TGvBarStyle::Flat;
  const double Category = Boundary(I);
  const double Value = size_t(I) < FValues.size() ? FValues[size_t(I)] : 0;
  TGvBrushEventArgs BA;
  BA.Index = I;
  BA.X = FBarsHorizontal ? Value : Category;
  BA.Y = FBarsHorizontal ? Category : Value;
  BA.Brush = FArea->GetBrush(Rect);
  BA.Visible = FArea->Visible();
  if (OnGetBrush) OnGetBrush(this, BA);
  TGvPenEventArgs PA;
  PA.Index = I;
  PA.X = BA.X;
  PA.Y = BA.Y;
  PA.Pen = Flat && FLine->Gradient()->Visible() ? FLine->GetPen(Rect) : FLine->GetPen();
  PA.Visible = FLine->Visible();
  if (OnGetPen) OnGetPen(this, PA);

  Painter.save();
  if (Flat) {
    const double W = PA.Pen.widthF();
    if (W < Rect.width() && W < Rect.height()) {
      const QRectF R = Rect.adjusted(W / 2, W / 2, -W / 2, -W / 2);
      if (BA.Visible) Painter.fillRect(R, BA.Brush);
      if (PA.Visible) {
        Painter.setPen(PA.Pen);
        Painter.setBrush(Qt::NoBrush);
        Painter.drawRect(R);
      }
    }
  } else if (BA.Visible || PA.Visible) {
    if (FBarStyle == TGvBarStyle::Cuboid)
      Draw3DBar(Painter, LineColor, Fore, FDepth.DepthX, FDepth.DepthY, Rect);
    else if (FBarsHorizontal)
      DrawCylinderHorizontal(Painter, LineColor, Fore, FDepth.DepthX, FDepth.DepthY, Rect);
    else
      DrawCylinderVertical(Painter, LineColor, Fore, FDepth.DepthX, FDepth.DepthY, Rect);
  }
  Painter.restore();
}

void TGvBars::DrawListItem(QPainter& Painter, const QRectF& Rect)
{
  // A small bar of the series' shape, standing (or lying) in the sample.
  const double H = Rect.height(), W = Rect.width();
  QRectF Bar;
  if (!FBarsHorizontal)
    Bar = QRectF(Rect.center().x() - W * 0.2, Rect.top() + H * 0.25, W * 0.3, H * 0.75);
  else
    Bar = QRectF(Rect.left(), Rect.center().y() - H * 0.25, W * 0.75, H * 0.6);
  const TGvColor Fore = FArea->Visible() ? FArea->ForeColor() : GvColors::White;
  const TGvColor LineColor = FLine->Visible() ? FLine->Color() : GvColors::White;
  const double DX = std::max(1.0, H * 0.2), DY = std::max(1.0, H * 0.2);
  Painter.save();
  switch (FBarStyle) {
  case TGvBarStyle::Flat:
    if (FArea->Visible()) Painter.fillRect(Bar, FArea->GetBrush(Bar));
    if (FLine->Visible()) {
      Painter.setPen(FLine->GetPen(Bar));
      Painter.setBrush(Qt::NoBrush);
      Painter.drawRect(Bar);
    }
    break;
  case TGvBarStyle::Cuboid:
    Draw3DBar(Painter, LineColor, Fore, DX, DY, Bar);
    break;
  case TGvBarStyle::Cylinder:
    if (FBarsHorizontal)
      DrawCylinderHorizontal(Painter, LineColor, Fore, DX, DY, Bar);
    else
      DrawCylinderVertical(Painter, LineColor, Fore, DX, DY, Bar);
    break;
  }
  Painter.restore();
}
