#include "chart/GvArrows.h"

#include "chart/GvDrawing.h"

#include <algorithm>
#include <cmath>

QRectF GvArrowGradientRect(const QPointF& Tail, const QPointF& Tip)
{
  QRectF R = OrderedRect(Tail, Tip);
  if (R.width() < 1) {
    const double C = R.center().x();
    R.setLeft(C - 0.5);
    R.setRight(C + 0.5);
  }
  if (R.height() < 1) {
    const double C = R.center().y();
    R.setTop(C - 0.5);
    R.setBottom(C + 0.5);
  }
  return R;
}

TGvArrowGeometry GvArrowGeometry(const QPointF& Tail, const QPointF& Tip, const TGvArrowCap& Cap)
{
  TGvArrowGeometry G;
  if (!GvFinite(Tail) || !GvFinite(Tip)) return G;
  const double Len = std::hypot(Tip.x() - Tail.x(), Tip.y() - Tail.y());
  if (!(Len > 0) || !std::isfinite(Len)) return G;
  G.Visible = true;
  const QPointF U = (Tip - Tail) / Len;
  G.Shaft = QLineF(Tail, Tip - U * std::clamp(Cap.BaseInset, 0.0, Len));
  G.Head = PlaceArrowCap(Cap, Tail, Tip);
  G.GradientRect = GvArrowGradientRect(Tail, Tip);
  return G;
}

int GvArrowCount(int XCount, int YCount, int DeltaXCount, int DeltaYCount)
{
  if (DeltaXCount < 0 || DeltaYCount < 0) return 0;
  return std::max(std::min({XCount, YCount, DeltaXCount, DeltaYCount}), 0);
}

TGvArrowRanges GvArrowRanges(const std::vector<double>& X, const std::vector<double>& Y,
                             const std::vector<double>& DX, const std::vector<double>& DY)
{
  TGvArrowRanges R;
  const size_t N = std::min({X.size(), Y.size(), DX.size(), DY.size()});
  for (size_t I = 0; I < N; ++I) {
    const double X1 = X[I] + DX[I], Y1 = Y[I] + DY[I];
    if (!std::isfinite(X1) || !std::isfinite(Y1)) continue;
    R.X.Add(X[I]);
    R.X.Add(X1);
    R.Y.Add(Y[I]);
    R.Y.Add(Y1);
  }
  return R;
}
