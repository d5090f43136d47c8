#include "chart/GvBars.h"

#include "chart/GvGDI.h"
#include "controls/GvStringFunctions.h"

#include <algorithm>
#include <cmath>

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

TGvStackLevel GvStackLevel(const std::vector<double>& Own, const std::vector<double>* BelowRunning)
{
  TGvStackLevel S;
  const size_t NOwn = Own.size(), NBelow = BelowRunning ? BelowRunning->size() : 0;
  S.Base.resize(NOwn);
  S.Top.resize(NOwn);
  S.Running.resize(std::max(NOwn, NBelow));
  for (size_t I = 0; I < S.Running.size(); ++I) {
    const double Below = I < NBelow ? (*BelowRunning)[I] : 0.0;
    double Sum = Below;
    if (I < NOwn) {
      S.Base[I] = Below;
      if (std::isfinite(Own[I])) {
        Sum = Below + Own[I];
        S.Top[I] = Sum;
      } else {
        S.Top[I] = std::nan("");
      }
    }
    S.Running[I] = Sum;
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
