// Axes standing alone: linear, logarithmic and twisted axes over ranges from
// 1e-12 to 1e12 with captions and extra exponents, horizontal and vertical;
// seconds axes over 3 s, 3 min and 3 h and date axes over a day, a month and
// ten years; rubrics with rotated captions. Each axis is framed by its
// bounds (grey); labels that overlap are listed in red under the sheet.
#include "GallerySheet.h"
#include "GalleryText.h"

#include "chart/GvAxis.h"

#include <memory>
#include <vector>

namespace {

struct TAxisSpec
{
  TGvAxisPosition Position;
  TGvAxisScaling Scaling;
  double Start, Stop;
  const char* Caption;
  bool Twisted = false;
  bool Arrow = false;
  double Angle = 0;
};

// Lays the axis out within its bounds and paints it at its place, with its
// bounds as a grey frame. Returns the number of label pairs that overlap.
int PaintAxis(QPainter& P, TGvAxis& A)
{
  A.Calculate();
  P.save();
  P.setPen(QPen(QColor(0xD0, 0xD0, 0xD0), 1, Qt::DotLine));
  P.drawRect(A.BoundsRect().adjusted(0, 0, -1, -1));
  P.restore();
  A.PaintAt(P);
  // The labels, the extra exponent and the caption, as they stand.
  std::vector<QRectF> Boxes;
  for (int I = 0; I < A.LabelCount(); ++I) Boxes.push_back(A.Label(I)->RotatedBounds());
  if (A.ShowsExtraExponent()) Boxes.push_back(A.ExtraExponentObject().RotatedBounds());
  if (!A.Caption().isEmpty()) Boxes.push_back(A.CaptionObject().RotatedBounds());
  int Overlaps = 0;
  for (size_t I = 0; I < Boxes.size(); ++I)
    for (size_t J = I + 1; J < Boxes.size(); ++J)
      if (Boxes[I].intersects(Boxes[J])) ++Overlaps;
  return Overlaps;
}

std::unique_ptr<TGvAxis> MakeAxis(const TAxisSpec& S, int Left, int Top, int Width, int Height)
{
  auto A = std::make_unique<TGvAxis>();
  A->SetPosition(S.Position);
  A->SetScaling(S.Scaling);
  A->SetBounds(Left, Top, Width, Height);
  A->SetStartStop(S.Start, S.Stop);
  A->SetCaption(QString::fromUtf8(S.Caption));
  A->SetTwisted(S.Twisted);
  A->ArrowPoint()->SetVisible(S.Arrow);
  A->SetRubricsAngle(float(S.Angle));
  A->CaptionFont()->SetSize(11);
  return A;
}

void Report(QPainter& P, QStringList& Problems, double X, double Y)
{
  if (Problems.isEmpty()) {
    GalleryText(P, "No labels overlap.", X, Y, 9, TGvContentAlignment::TopLeft, 0xFF006400);
    return;
  }
  GalleryText(P, Problems.join(u'\n'), X, Y, 9, TGvContentAlignment::TopLeft, GvColors::Red);
}

} // namespace

GV_GALLERY_SHEET(axes)
{
  using P = TGvAxisPosition;
  using Sc = TGvAxisScaling;
  const TAxisSpec Horizontal[] = {
      {P::Bottom, Sc::Normal, 0, 10, "linear 0 .. 10"},
      {P::Bottom, Sc::Normal, 0, 1e-12, "0 .. 10\\+-12\\+ s, extra exponent"},
      {P::Bottom, Sc::Normal, -0.003, 0.002, "-0.003 .. 0.002"},
      {P::Bottom, Sc::Normal, -5, 5, "twisted -5 .. 5", true},
      {P::Bottom, Sc::Normal, 0, 10000, "0 .. 10000: labels 0.0 .. 1.0 times 10\\+4"},
      {P::Bottom, Sc::Normal, 0, 1e12, "0 .. 10\\+12\\+, with arrow", false, true},
      {P::Bottom, Sc::Normal, 1e12, 1e12 + 3, "10\\+12\\+ .. 10\\+12\\+ + 3"},
      {P::Bottom, Sc::Log, 1, 1000, "logarithmic 1 .. 1000"},
      {P::Bottom, Sc::Log, 1e-12, 1e12, "logarithmic 10\\+-12\\+ .. 10\\+12"},
      {P::Bottom, Sc::LogEE, 1e-6, 1e6, "LogEE 10\\+-6\\+ .. 10\\+6\\+, twisted", true},
      {P::Top, Sc::Normal, 0, 250, "on top 0 .. 250"},
      {P::Bottom, Sc::Rubrics, 0, 6, "rubrics at 45\u00B0", false, false, 45},
  };
  const int W = 720, RowH = 78;
  const int Rows = int(std::size(Horizontal));
  QImage Image = GalleryImage(1100, 80 + Rows * RowH + 60);
  QPainter Painter(&Image);
  Painter.setRenderHint(QPainter::Antialiasing);
  GalleryText(Painter, "\\bAxes\\b standing alone: horizontal (left), vertical (right)", 10, 8, 12);
  QStringList Problems;
  int Y = 40;
  std::vector<std::unique_ptr<TGvAxis>> Keep;
  for (const TAxisSpec& S : Horizontal) {
    auto A = MakeAxis(S, 20, S.Position == P::Top ? Y + 8 : Y, W, RowH - 8);
    if (S.Scaling == Sc::Rubrics)
      A->SetRubrics({"Argon", "Nitrogen", "Hydrogen", "Oxygen", "Air", "Water"});
    if (int N = PaintAxis(Painter, *A))
      Problems << QStringLiteral("%1: %2 overlaps").arg(S.Caption).arg(N);
    Y += RowH;
    Keep.push_back(std::move(A));
  }

  const TAxisSpec Vertical[] = {
      {P::Left, Sc::Normal, 0, 100, "linear 0 .. 100"},
      {P::Left, Sc::Normal, 0, 1e-6, "twisted 0 .. 10\\+-6", true},
      {P::Left, Sc::LogEE, 1e-3, 1e3, "LogEE 10\\+-3\\+ .. 10\\+3\\+", false, true},
      {P::Right, Sc::Log, 0.01, 100, "right: log 0.01 .. 100"},
  };
  int X = W + 40;
  for (const TAxisSpec& S : Vertical) {
    auto A = MakeAxis(S, X, 40, S.Position == P::Right ? 100 : 80, 520);
    if (int N = PaintAxis(Painter, *A))
      Problems << QStringLiteral("%1: %2 overlaps").arg(S.Caption).arg(N);
    X += S.Position == P::Right ? 110 : 88;
    Keep.push_back(std::move(A));
  }
  // A vertical axis whose caption stands level, with an extra exponent.
  auto Level = MakeAxis({P::Left, Sc::Normal, -2e5, 8e5, "level caption"}, W + 40, 590, 330, 200);
  Level->SetCaptionHorizontalOnVerticalAxis(true);
  if (int N = PaintAxis(Painter, *Level))
    Problems << QStringLiteral("level caption: %1 overlaps").arg(N);
  Report(Painter, Problems, 20, Y + 10);
  Painter.end();
  Sheet.Save(Image, "axes");
}

GV_GALLERY_SHEET(timeaxes)
{
  using P = TGvAxisPosition;
  using Sc = TGvAxisScaling;
  const double Day = EncodeDateTime(2024, 3, 5, 0, 0);
  const TAxisSpec Specs[] = {
      {P::Bottom, Sc::Seconds, 0, 3, "seconds over 3 s"},
      {P::Bottom, Sc::Seconds, 0, 180, "seconds over 3 min"},
      {P::Bottom, Sc::Seconds, 0, 3 * 3600, "seconds over 3 h"},
      {P::Bottom, Sc::Seconds, 0, 3 * 86400, "seconds over 3 days"},
      {P::Bottom, Sc::DateTime, Day, Day + 1, "date over 1 day (2024-03-05)"},
      {P::Bottom, Sc::DateTime, Day, IncMonth(Day, 1), "date over 1 month"},
      {P::Bottom, Sc::DateTime, EncodeDateTime(2015, 1, 1), EncodeDateTime(2025, 1, 1),
       "date over 10 years"},
      {P::Bottom, Sc::DateTime, Day + 0.5, Day + 0.5 + 2.0 / 86400, "date over 2 s"},
      {P::Bottom, Sc::DateTime, EncodeDateTime(1899, 12, 20), EncodeDateTime(1900, 1, 12),
       "date across 1899-12-30, the day count's zero"},
  };
  const int W = 900, RowH = 78;
  QImage Image = GalleryImage(W + 40, 60 + int(std::size(Specs)) * RowH + 40);
  QPainter Painter(&Image);
  Painter.setRenderHint(QPainter::Antialiasing);
  GalleryText(Painter, "\\bSeconds and date/time axes\\b", 10, 8, 12);
  QStringList Problems;
  int Y = 40;
  std::vector<std::unique_ptr<TGvAxis>> Keep;
  for (const TAxisSpec& S : Specs) {
    auto A = MakeAxis(S, 20, Y, W, RowH - 8);
    if (int N = PaintAxis(Painter, *A))
      Problems << QStringLiteral("%1: %2 overlaps").arg(S.Caption).arg(N);
    Y += RowH;
    Keep.push_back(std::move(A));
  }
  Report(Painter, Problems, 20, Y + 6);
  Painter.end();
  Sheet.Save(Image, "timeaxes");
}
