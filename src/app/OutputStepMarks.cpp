#include "app/OutputStepMarks.h"

#include "app/OutputPlot.h"
#include "chart/GvAxis.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
constexpr double cEdgePx = 8;
} // namespace

TOutputStepMarks::TOutputStepMarks(const TOutputPlotData& Data, TGvGraph2D* Graph,
                                   QObject* Parent)
    : QObject(Parent), FData(Data), FGraph(Graph)
{
  FGraph->RegisterLegend(this, this);
}

void TOutputStepMarks::PaintLegend(QPainter& P)
{
  const TGvAxis* X = FGraph->PrimaryXAxis();
  const QRectF A = FGraph->DrawingArea();
  if (!X || A.width() <= 0 || A.height() <= 0 || FData.StepMarks().empty()) return;
  P.save();
  P.setRenderHint(QPainter::Antialiasing);
  QFont F = FGraph->font();
  F.setPointSizeF(7.5);
  F.setBold(true);
  P.setFont(F);
  const QFontMetricsF M(F);
  const QColor C(GetR(Color), GetG(Color), GetB(Color));
  double TagEnd = -1e9; // right end of the last tag drawn
  for (const TOutputPlotData::TStepMark& Mark : FData.StepMarks()) {
    double Px = X->NumberToWorld(Mark.Time);
    // A step's first row comes a tick after its start: a start just before
    // the first row (or after the last) shows at the edge of the area.
    if (!std::isfinite(Px) || Px < A.left() - cEdgePx || Px > A.right() + cEdgePx) continue;
    Px = std::clamp(Px, A.left(), A.right());
    P.setPen(QPen(QColor(C.red(), C.green(), C.blue(), 120), 1, Qt::DotLine));
    P.drawLine(QPointF(Px, A.top()), QPointF(Px, A.bottom()));
    // The tag hangs from the top of the area, right of the line (left of it
    // at the right end), unless it would cover the one before.
    const QString Text = QString::number(Mark.Step);
    const double W = M.horizontalAdvance(Text) + 6, H = M.height() + 2;
    const double Left = Px + W <= A.right() ? Px : Px - W;
    if (Left < TagEnd + 2) continue;
    const QRectF Tag(Left, A.top() + 1, W, H);
    P.setPen(Qt::NoPen);
    P.setBrush(C);
    P.drawRoundedRect(Tag, 2, 2);
    P.setPen(Qt::white);
    P.drawText(Tag, Qt::AlignCenter, Text);
    TagEnd = Tag.right();
  }
  P.restore();
}
