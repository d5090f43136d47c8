#include "chart/GvDrawing.h"

#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>

// ---- Geometry helpers -----------------------------------------------------

bool GvFinite(double V)
{
  return std::isfinite(V);
}
bool GvFinite(const QPointF& P)
{
  return std::isfinite(P.x()) && std::isfinite(P.y());
}
bool GvFinite(const QRectF& R)
{
  return std::isfinite(R.x()) && std::isfinite(R.y()) && std::isfinite(R.width()) &&
         std::isfinite(R.height());
}

double GvClampCoord(double V)
{
  return std::isfinite(V) ? std::clamp(V, -GvMaxCoord, GvMaxCoord) : 0.0;
}

static QPointF Clamped(const QPointF& P)
{
  return {GvClampCoord(P.x()), GvClampCoord(P.y())};
}

QRectF OrderedRect(const QPointF& A, const QPointF& B)
{
  const QPointF P = Clamped(A), Q = Clamped(B);
  return QRectF(QPointF(std::min(P.x(), Q.x()), std::min(P.y(), Q.y())),
                QPointF(std::max(P.x(), Q.x()), std::max(P.y(), Q.y())));
}

QRectF OrderedRect(const QRectF& R)
{
  return OrderedRect(R.topLeft(), R.bottomRight());
}

QRectF TRectToRectF(const QRect& R)
{
  return QRectF(R.x(), R.y(), R.width(), R.height());
}

double MinAngle(double Angle)
{
  if (!std::isfinite(Angle)) return 0;
  double A = std::fmod(Angle, 360.0);
  if (A < 0) A += 360.0;
  return A >= 360.0 ? 0.0 : A;
}

// ---- Point symbols --------------------------------------------------------

double PointSymbolRadius(double Size, double PenWidth)
{
  const double W = std::isfinite(PenWidth) && PenWidth > 0 ? PenWidth : 1.0;
  const double R = (Size - W) / 2;
  return std::isfinite(R) && R > 0 ? std::min(R, GvMaxCoord) : 0.0;
}

bool IsFilledSymbol(TGvPointSymbol Symbol)
{
  return int(Symbol) >= int(TGvPointSymbol::FiveStar) && int(Symbol) <= int(TGvPointSymbol::Nabla);
}

namespace {

QPainterPath Polygon(std::initializer_list<QPointF> Points)
{
  QPolygonF Poly(Points);
  Poly << Poly.first(); // closed by repeating the first vertex
  QPainterPath Path;
  Path.addPolygon(Poly);
  Path.closeSubpath();
  return Path;
}

} // namespace

QPainterPath PointSymbolPath(TGvPointSymbol Symbol, double R, double X, double Y)
{
  QPainterPath Path;
  switch (Symbol) {
  case TGvPointSymbol::FiveStar:
    return Polygon({{X, Y - 1.04 * R},
                    {X + 0.27 * R, Y - 0.3 * R},
                    {X + R, Y - 0.3 * R},
                    {X + 0.4 * R, Y + 0.12 * R},
                    {X + 0.64 * R, Y + 0.82 * R},
                    {X, Y + 0.4 * R},
                    {X - 0.64 * R, Y + 0.82 * R},
                    {X - 0.4 * R, Y + 0.12 * R},
                    {X - R, Y - 0.3 * R},
                    {X - 0.27 * R, Y - 0.3 * R}});
  case TGvPointSymbol::Circle:
    Path.addEllipse(QPointF(X, Y), R, R);
    return Path;
  case TGvPointSymbol::Square:
    return Polygon({{X - R, Y - R}, {X + R, Y - R}, {X + R, Y + R}, {X - R, Y + R}});
  case TGvPointSymbol::Diamond:
    return Polygon({{X, Y - R}, {X + R, Y}, {X, Y + R}, {X - R, Y}});
  case TGvPointSymbol::Delta:
    return Polygon({{X, Y - 1.1547 * R}, {X + R, Y + 0.57735 * R}, {X - R, Y + 0.57735 * R}});
  case TGvPointSymbol::Nabla:
    return Polygon({{X - R, Y - 0.57735 * R}, {X + R, Y - 0.57735 * R}, {X, Y + 1.1547 * R}});
  default:
    return Path;
  }
}

void DrawPointSymbol(QPainter& Painter, const QPen& Pen, const QBrush& Brush, TGvPointSymbol Symbol,
                     double Size, double X, double Y)
{
  if (!std::isfinite(X) || !std::isfinite(Y) || !std::isfinite(Size)) return;
  if (std::abs(X) > GvMaxCoord || std::abs(Y) > GvMaxCoord) return;
  const double W = Pen.widthF() > 0 ? Pen.widthF() : 1.0;
  const double R = PointSymbolRadius(Size, W);
  const QPen OldPen = Painter.pen();
  const QBrush OldBrush = Painter.brush();
  if (Symbol == TGvPointSymbol::Dot || R <= 0) {
    Painter.fillRect(QRectF(X - W / 2, Y - W / 2, W, W), Pen.brush());
    return;
  }
  Painter.setPen(Pen);
  auto Spokes = [&](double DX, double DY) {
    const QPointF C(X, Y);
    Painter.drawLine(C, QPointF(X + DX, Y + DY));
    Painter.drawLine(C, QPointF(X - DX, Y - DY));
  };
  switch (Symbol) {
  case TGvPointSymbol::Cross:
    Spokes(R, 0);
    Spokes(0, R);
    break;
  case TGvPointSymbol::Ex:
    Spokes(R, R);
    Spokes(R, -R);
    break;
  case TGvPointSymbol::Star: {
    const double D = R * 0.7071067;
    Spokes(R, 0);
    Spokes(0, R);
    Spokes(D, D);
    Spokes(D, -D);
    break;
  }
  default:
    Painter.setBrush(Brush);
    Painter.drawPath(PointSymbolPath(Symbol, R, X, Y));
    break;
  }
  Painter.setPen(OldPen);
  Painter.setBrush(OldBrush);
}

void AddSymbolSpace(QPainterPath& Holes, TGvPointSymbol Symbol, double Size, double X, double Y)
{
  if (!IsFilledSymbol(Symbol) || !std::isfinite(X) || !std::isfinite(Y)) return;
  if (std::abs(X) > GvMaxCoord || std::abs(Y) > GvMaxCoord) return;
  const double R = PointSymbolRadius(Size, 1);
  if (R <= 0) return;
  QPainterPath Shape = PointSymbolPath(Symbol, R, X, Y);
  // The holes are joined under the winding rule: all shapes must run the same
  // way round, or overlapping ones would cancel out.
  const QPolygonF Outline = Shape.toFillPolygon();
  double Area2 = 0;
  for (qsizetype I = 0; I + 1 < Outline.size(); ++I)
    Area2 += Outline[I].x() * Outline[I + 1].y() - Outline[I + 1].x() * Outline[I].y();
  if (Area2 < 0) Shape = Shape.toReversed();
  Holes.setFillRule(Qt::WindingFill);
  Holes.addPath(Shape);
}

void ExcludeFromClip(QPainter& Painter, const QPainterPath& Holes)
{
  if (Holes.isEmpty()) return;
  QPainterPath Base;
  if (Painter.hasClipping()) {
    Base = Painter.clipPath();
  } else {
    const QPaintDevice* Device = Painter.device();
    const QRectF Area = Device ? QRectF(0, 0, Device->width(), Device->height()) : QRectF();
    Base.addRect(Painter.worldTransform().inverted().mapRect(Area));
  }
  Painter.setClipPath(Base.subtracted(Holes), Qt::ReplaceClip);
}

void ExcludeSymbolSpace(QPainter& Painter, TGvPointSymbol Symbol, double Size, double X, double Y)
{
  QPainterPath Holes;
  AddSymbolSpace(Holes, Symbol, Size, X, Y);
  ExcludeFromClip(Painter, Holes);
}

// ---- Gradient brushes -----------------------------------------------------

static double Fraction(double V, double Default)
{
  return std::isfinite(V) ? std::clamp(V, 0.0, 1.0) : Default;
}

QBrush LinearBrush(const QRectF& Rect, TGvColor Color1, TGvColor Color2, TGvColor Color3,
                   double Center, double Angle)
{
  if (!GvFinite(Rect)) return QBrush(GvQColor(Color1));
  const QRectF R = OrderedRect(Rect).adjusted(-1, -1, 1, 1);
  const double A = MinAngle(Angle) * M_PI / 180;
  const QPointF Dir(std::cos(A), std::sin(A));
  const QPointF C = R.center();
  // The gradient line runs along Dir between the projections of the corners.
  double Lo = 0, Hi = 0;
  for (const QPointF& P : {R.topLeft(), R.topRight(), R.bottomLeft(), R.bottomRight()}) {
    const double T = QPointF::dotProduct(P - C, Dir);
    Lo = std::min(Lo, T);
    Hi = std::max(Hi, T);
  }
  QLinearGradient G(C + Dir * Lo, C + Dir * Hi);
  G.setColorAt(0, GvQColor(Color1));
  // The middle colour stays between the ends, so that neither end colour is
  // lost when the centre sits on an end.
  G.setColorAt(std::clamp(Fraction(Center, 0.5), 1e-4, 1 - 1e-4), GvQColor(Color2));
  G.setColorAt(1, GvQColor(Color3));
  return QBrush(G);
}

static QRadialGradient RadialGradient(const QPointF& Centre, double Radius, const QPointF& Focal,
                                      TGvColor CenterColor, TGvColor SurroundColor,
                                      TGvColor MiddleColor)
{
  QRadialGradient G(Centre, Radius, Focal);
  G.setColorAt(0, GvQColor(CenterColor));
  G.setColorAt(0.5, GvQColor(MiddleColor));
  G.setColorAt(1, GvQColor(SurroundColor));
  return G;
}

QBrush RadialBrush(const QRectF& Rect, const QPointF& Center, TGvColor CenterColor,
                   TGvColor SurroundColor, TGvColor MiddleColor)
{
  if (!GvFinite(Rect)) return QBrush(GvQColor(SurroundColor));
  const QRectF R = OrderedRect(Rect);
  const double Radius = std::max(0.5, std::hypot(R.width(), R.height()) / 2);
  const QPointF Focal(R.center().x() + (Fraction(Center.x(), 0.5) - 0.5) * R.width(),
                      R.center().y() + (Fraction(Center.y(), 0.5) - 0.5) * R.height());
  return QBrush(RadialGradient(R.center(), Radius, Focal, CenterColor, SurroundColor, MiddleColor));
}

QBrush EllipticalBrush(const QRectF& Rect, const QPointF& Center, TGvColor CenterColor,
                       TGvColor SurroundColor, TGvColor MiddleColor)
{
  if (!GvFinite(Rect)) return QBrush(GvQColor(SurroundColor));
  const QRectF R = OrderedRect(Rect);
  const double RX = std::max(0.5, R.width() / 2), RY = std::max(0.5, R.height() / 2);
  // A unit circle, stretched onto the ellipse by the brush transform.
  QPointF Focal((Fraction(Center.x(), 0.5) - 0.5) * 2, (Fraction(Center.y(), 0.5) - 0.5) * 2);
  // A centre outside the ellipse (a corner of the rectangle) is taken to just
  // inside it, where the gradient can still start.
  const double Reach = std::hypot(Focal.x(), Focal.y());
  if (Reach > 0.9) Focal *= 0.9 / Reach;
  QBrush B(RadialGradient(QPointF(0, 0), 1, Focal, CenterColor, SurroundColor, MiddleColor));
  QTransform T;
  T.translate(R.center().x(), R.center().y());
  T.scale(RX, RY);
  B.setTransform(T);
  return B;
}

// ---- Hatch brushes --------------------------------------------------------

namespace {

constexpr uint8_t RotR(uint8_t V, int N)
{
  N &= 7;
  return uint8_t((V >> N) | (V << ((8 - N) & 7)));
}
constexpr uint8_t RotL(uint8_t V, int N)
{
  return RotR(V, 8 - (N & 7));
}

constexpr TGvHatchPattern Same(uint8_t Row)
{
  return {{Row, Row, Row, Row, Row, Row, Row, Row}};
}

constexpr TGvHatchPattern Diagonal(uint8_t Row0, bool Down)
{
  TGvHatchPattern P{};
  for (int Y = 0; Y < 8; ++Y) P.Rows[Y] = Down ? RotR(Row0, Y) : RotL(Row0, Y);
  return P;
}

// The ordered-dither threshold of pixel (X, Y), 0..63: the percent patterns
// set the pixels whose threshold lies below their share of the 64.
constexpr int Bayer(int X, int Y)
{
  int V = 0;
  for (int Bit = 0; Bit < 3; ++Bit) {
    const int XB = (X >> Bit) & 1, YB = (Y >> Bit) & 1;
    V = (V << 2) | ((XB ^ YB) << 1) | YB;
  }
  return V;
}

constexpr TGvHatchPattern Percent(int Pixels)
{
  TGvHatchPattern P{};
  for (int Y = 0; Y < 8; ++Y)
    for (int X = 0; X < 8; ++X)
      if (Bayer(X, Y) < Pixels) P.Rows[Y] |= uint8_t(0x80 >> X);
  return P;
}

constexpr TGvHatchPattern Blocks2x2(std::initializer_list<std::pair<int, int>> Corners)
{
  TGvHatchPattern P{};
  for (auto [X0, Y0] : Corners)
    for (int Y = Y0; Y < Y0 + 2; ++Y)
      for (int X = X0; X < X0 + 2; ++X) P.Rows[Y & 7] |= uint8_t(0x80 >> (X & 7));
  return P;
}

constexpr std::array<TGvHatchPattern, GvHatchStyleCount> MakePatterns()
{
  std::array<TGvHatchPattern, GvHatchStyleCount> T{};
  auto Set = [&T](TGvAreaStyle S, TGvHatchPattern P) { T[size_t(S)] = P; };
  using S = TGvAreaStyle;
  Set(S::Horizontal, {{0xFF, 0, 0, 0, 0, 0, 0, 0}});
  Set(S::Vertical, Same(0x80));
  Set(S::ForwardDiagonal, Diagonal(0x80, true));
  Set(S::BackwardDiagonal, Diagonal(0x01, false));
  Set(S::Cross, {{0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}});
  {
    TGvHatchPattern P{};
    for (int Y = 0; Y < 8; ++Y) P.Rows[Y] = uint8_t((0x80 >> Y) | (0x01 << Y));
    Set(S::DiagonalCross, P);
  }
  // Shares of the 64 pixels: 5 % .. 90 %.
  Set(S::Percent05, Percent(3));
  Set(S::Percent10, Percent(6));
  Set(S::Percent20, Percent(13));
  Set(S::Percent25, Percent(16));
  Set(S::Percent30, Percent(19));
  Set(S::Percent40, Percent(26));
  Set(S::Percent50, Percent(32));
  Set(S::Percent60, Percent(38));
  Set(S::Percent70, Percent(45));
  Set(S::Percent75, Percent(48));
  Set(S::Percent80, Percent(51));
  Set(S::Percent90, Percent(58));
  Set(S::LightDownwardDiagonal, Diagonal(0x88, true));
  Set(S::LightUpwardDiagonal, Diagonal(0x11, false));
  Set(S::DarkDownwardDiagonal, Diagonal(0xCC, true));
  Set(S::DarkUpwardDiagonal, Diagonal(0x33, false));
  Set(S::WideDownwardDiagonal, Diagonal(0xE0, true));
  Set(S::WideUpwardDiagonal, Diagonal(0x07, false));
  Set(S::LightVertical, Same(0x88));
  Set(S::LightHorizontal, {{0xFF, 0, 0, 0, 0xFF, 0, 0, 0}});
  Set(S::NarrowVertical, Same(0xAA));
  Set(S::NarrowHorizontal, {{0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}});
  Set(S::DarkVertical, Same(0xCC));
  Set(S::DarkHorizontal, {{0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}});
  Set(S::DashedDownwardDiagonal, {{0, 0, 0x88, 0x44, 0x22, 0x11, 0, 0}});
  Set(S::DashedUpwardDiagonal, {{0, 0, 0x11, 0x22, 0x44, 0x88, 0, 0}});
  Set(S::DashedHorizontal, {{0xF0, 0, 0, 0, 0x0F, 0, 0, 0}});
  Set(S::DashedVertical, {{0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08}});
  Set(S::SmallConfetti, {{0x80, 0x08, 0x40, 0x02, 0x10, 0x01, 0x20, 0x04}});
  Set(S::LargeConfetti, Blocks2x2({{0, 0}, {4, 1}, {2, 3}, {6, 4}, {1, 6}, {5, 6}}));
  Set(S::ZigZag, {{0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18}});
  Set(S::Wave, {{0x00, 0x60, 0x90, 0x09, 0x06, 0x00, 0x00, 0x00}});
  Set(S::DiagonalBrick, {{0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81}});
  Set(S::HorizontalBrick, {{0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08}});
  Set(S::Weave, {{0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51}});
  Set(S::Plaid, {{0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0}});
  Set(S::Divot, {{0x00, 0x20, 0x10, 0x20, 0x00, 0x02, 0x01, 0x02}});
  Set(S::DottedGrid, {{0xAA, 0, 0x80, 0, 0x80, 0, 0x80, 0}});
  Set(S::DottedDiamond, {{0x80, 0, 0x22, 0, 0x08, 0, 0x22, 0}});
  Set(S::Shingle, {{0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01}});
  Set(S::Trellis, {{0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99}});
  Set(S::Sphere, {{0xEE, 0x91, 0xF1, 0xF1, 0xEE, 0x19, 0x1F, 0x1F}});
  Set(S::SmallGrid, {{0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88}});
  Set(S::SmallCheckerBoard, {{0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33}});
  Set(S::LargeCheckerBoard, {{0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F}});
  Set(S::OutlinedDiamond, {{0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41, 0x80}});
  Set(S::SolidDiamond, {{0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00}});
  return T;
}

constexpr std::array<TGvHatchPattern, GvHatchStyleCount> HatchPatterns = MakePatterns();

} // namespace

TGvHatchPattern HatchPattern(TGvAreaStyle Style)
{
  const int I = int(Style);
  return I >= 0 && I < GvHatchStyleCount ? HatchPatterns[size_t(I)] : TGvHatchPattern{};
}

QImage HatchImage(TGvAreaStyle Style, TGvColor ForeColor, TGvColor BackColor)
{
  const TGvHatchPattern P = HatchPattern(Style);
  QImage Tile(8, 8, QImage::Format_ARGB32_Premultiplied);
  const QColor Fore = GvQColor(ForeColor), Back = GvQColor(BackColor);
  for (int Y = 0; Y < 8; ++Y)
    for (int X = 0; X < 8; ++X) Tile.setPixelColor(X, Y, P.At(X, Y) ? Fore : Back);
  return Tile;
}

QBrush GetAreaBrush(TGvAreaStyle Style, TGvColor ForeColor, TGvColor BackColor)
{
  const int I = int(Style);
  if (I < 0 || I >= GvHatchStyleCount) return QBrush(GvQColor(ForeColor));
  return QBrush(HatchImage(Style, ForeColor, BackColor));
}

QBrush TGvHatchBrushCache::Brush(TGvAreaStyle Style, TGvColor ForeColor, TGvColor BackColor)
{
  const int I = int(Style);
  if (I < 0 || I >= GvHatchStyleCount) return QBrush(GvQColor(ForeColor));
  const TKey Key(I, (uint64_t(ForeColor) << 32) | BackColor);
  auto It = FBrushes.find(Key);
  if (It != FBrushes.end()) {
    FOrder.splice(FOrder.begin(), FOrder, It->second);
    return It->second->Brush;
  }
  FOrder.push_front({Key, GetAreaBrush(Style, ForeColor, BackColor)});
  FBrushes[Key] = FOrder.begin();
  if (FBrushes.size() > FCapacity) {
    FBrushes.erase(FOrder.back().Key);
    FOrder.pop_back();
  }
  return FOrder.front().Brush;
}

void TGvHatchBrushCache::Clear()
{
  FBrushes.clear();
  FOrder.clear();
}

// ---- Arrows ---------------------------------------------------------------

void DrawArrowLine(QPainter& Painter, const QPen& Pen, const QPointF& From, const QPointF& To,
                   const TGvArrowCap* EndCap, const TGvArrowCap* StartCap)
{
  if (!GvFinite(From) || !GvFinite(To)) return;
  const QPointF A = Clamped(From), B = Clamped(To);
  const double Len = std::hypot(B.x() - A.x(), B.y() - A.y());
  QPointF LineFrom = A, LineTo = B;
  if (Len > 0) {
    const QPointF U = (B - A) / Len;
    const double EndInset = EndCap ? std::clamp(EndCap->BaseInset, 0.0, Len) : 0.0;
    const double StartInset = StartCap ? std::clamp(StartCap->BaseInset, 0.0, Len - EndInset) : 0.0;
    LineTo = B - U * EndInset;
    LineFrom = A + U * StartInset;
  }
  const QPen OldPen = Painter.pen();
  const QBrush OldBrush = Painter.brush();
  Painter.setPen(Pen);
  Painter.drawLine(LineFrom, LineTo);
  Painter.setPen(Qt::NoPen);
  Painter.setBrush(Pen.brush());
  if (EndCap) {
    const QPolygonF Head = PlaceArrowCap(*EndCap, A, B);
    if (!Head.isEmpty()) Painter.drawPolygon(Head);
  }
  if (StartCap) {
    const QPolygonF Head = PlaceArrowCap(*StartCap, B, A);
    if (!Head.isEmpty()) Painter.drawPolygon(Head);
  }
  Painter.setPen(OldPen);
  Painter.setBrush(OldBrush);
}

// ---- Boxes, bars, shadows -------------------------------------------------

QPainterPath RoundRectPath(const QRectF& Rect, double Radius)
{
  QPainterPath Path;
  if (!GvFinite(Rect)) return Path;
  const QRectF R = OrderedRect(Rect);
  const double Limit = std::min(R.width(), R.height()) / 2;
  const double Rad = std::isfinite(Radius) ? std::clamp(Radius, 0.0, Limit) : 0.0;
  if (Rad > 0)
    Path.addRoundedRect(R, Rad, Rad);
  else
    Path.addRect(R);
  return Path;
}

void DrawShadow(QPainter& Painter, const QPainterPath& Shape, double DX, double DY)
{
  if (Shape.isEmpty() || !std::isfinite(DX) || !std::isfinite(DY)) return;
  const QPainterPath Moved = Shape.translated(GvClampCoord(DX), GvClampCoord(DY));
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, true);
  // A dark core with a fading rim about a pixel wide on either side.
  QPainterPathStroker Rim;
  Rim.setJoinStyle(Qt::RoundJoin);
  Rim.setWidth(2);
  Painter.fillPath(Moved, QColor(0, 0, 0, 0x40));
  Painter.fillPath(Rim.createStroke(Moved), QColor(0, 0, 0, 0x18));
  Rim.setWidth(1);
  Painter.fillPath(Rim.createStroke(Moved), QColor(0, 0, 0, 0x10));
  Painter.restore();
}

void DrawRoundRect(QPainter& Painter, const QBrush& Fill, const QPen& Pen, bool Lowered,
                   bool Raised, bool Shadow, bool FrameVisible, double Radius, const QRectF& Rect)
{
  if (!GvFinite(Rect)) return;
  const QRectF R = OrderedRect(Rect);
  const QPainterPath Box = RoundRectPath(R, Radius);
  if (Shadow) DrawShadow(Painter, Box, 4, 3);
  Painter.save();
  Painter.fillPath(Box, Fill);
  if ((Lowered || Raised) && R.width() > 4 && R.height() > 4) {
    // A bevel one pixel inside the border: the upper left half in one shade,
    // the lower right half in the other.
    const double Inset = std::max(1.0, Pen.widthF() / 2 + 1);
    const QPainterPath Inner =
        RoundRectPath(R.adjusted(Inset, Inset, -Inset, -Inset), std::max(0.0, Radius - Inset));
    const QColor Dark(0, 0, 0, 0x5A), Light(255, 255, 255, 0xD2);
    const QColor UpperLeft = Lowered ? Dark : Light, LowerRight = Lowered ? Light : Dark;
    // The halves meet on the diagonal from the lower left to the upper right
    // corner, extended past both.
    const QPointF Diagonal = R.topRight() - R.bottomLeft();
    const QPointF ToUpperLeft = (R.topLeft() - R.bottomRight()) * 2;
    const QPointF A = R.bottomLeft() - Diagonal, B = R.topRight() + Diagonal;
    QPolygonF Upper, Lower;
    Upper << A << B << B + ToUpperLeft << A + ToUpperLeft;
    Lower << A << B << B - ToUpperLeft << A - ToUpperLeft;
    for (int Half = 0; Half < 2; ++Half) {
      Painter.save();
      QPainterPath Clip;
      Clip.addPolygon(Half == 0 ? Upper : Lower);
      Painter.setClipPath(Clip, Qt::IntersectClip);
      Painter.setBrush(Qt::NoBrush);
      Painter.setPen(QPen(Half == 0 ? UpperLeft : LowerRight, 1.5));
      Painter.drawPath(Inner);
      Painter.restore();
    }
  }
  if (FrameVisible) {
    Painter.setBrush(Qt::NoBrush);
    Painter.setPen(Pen);
    Painter.drawPath(Box);
  }
  Painter.restore();
}

namespace {

// The shades of a 3-D face: lit from the upper left.
TGvColor Lighter(TGvColor C)
{
  const double L = GetBrightness(C);
  return WithAlpha(HSLToColor(GetHue(C), GetSaturation(C), L + (1 - L) * 0.35), GetAlpha(C));
}
TGvColor Darker(TGvColor C, double Factor = 0.7)
{
  return Brighten(C, Factor);
}

QPen EdgePen(TGvColor LineColor)
{
  QPen P(GvQColor(LineColor), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  P.setMiterLimit(GvMiterLimit(0));
  return P;
}

struct TDepth
{
  double DX, DY;
};

TDepth Depth(double DepthX, double DepthY)
{
  return {std::isfinite(DepthX) ? std::clamp(DepthX, 0.0, GvMaxCoord) : 0.0,
          std::isfinite(DepthY) ? std::clamp(DepthY, 0.0, GvMaxCoord) : 0.0};
}

} // namespace

void Draw3DBar(QPainter& Painter, TGvColor LineColor, TGvColor ForeColor, double DepthX,
               double DepthY, const QRectF& Rect)
{
  if (!GvFinite(Rect)) return;
  const QRectF R = OrderedRect(Rect);
  const auto [DX, DY] = Depth(DepthX, DepthY);
  const QPointF Back(DX, -DY);
  QPolygonF Top, Side;
  Top << R.topLeft() << R.topLeft() + Back << R.topRight() + Back << R.topRight();
  Side << R.topRight() << R.topRight() + Back << R.bottomRight() + Back << R.bottomRight();
  Painter.save();
  Painter.setPen(EdgePen(LineColor));
  Painter.setBrush(GvQColor(ForeColor));
  Painter.drawRect(R);
  if (DX > 0 || DY > 0) {
    Painter.setBrush(GvQColor(Lighter(ForeColor)));
    Painter.drawPolygon(Top);
    Painter.setBrush(GvQColor(Darker(ForeColor)));
    Painter.drawPolygon(Side);
  }
  Painter.restore();
}

void DrawCylinderVertical(QPainter& Painter, TGvColor LineColor, TGvColor ForeColor, double DepthX,
                          double DepthY, const QRectF& Rect)
{
  if (!GvFinite(Rect)) return;
  const QRectF R = OrderedRect(Rect);
  const auto [DX, DY] = Depth(DepthX, DepthY);
  const double EW = R.width() + DX, EH = std::max(DY, 1.0);
  const double Left = R.left(), Right = R.left() + EW;
  const double TopY = R.top() - DY / 2, BottomY = R.bottom() - DY / 2;
  const QRectF TopCap(Left, TopY - EH / 2, EW, EH), BottomCap(Left, BottomY - EH / 2, EW, EH);
  QPainterPath Body;
  Body.moveTo(Left, TopY);
  Body.lineTo(Left, BottomY);
  Body.arcTo(BottomCap, 180, 180); // the front half of the bottom end
  Body.lineTo(Right, TopY);
  Body.arcTo(TopCap, 0, -180); // the front half of the top end, back to the start
  Body.closeSubpath();
  QLinearGradient Shade(Left, 0, Right, 0);
  Shade.setColorAt(0, GvQColor(Darker(ForeColor, 0.8)));
  Shade.setColorAt(0.3, GvQColor(Lighter(ForeColor)));
  Shade.setColorAt(1, GvQColor(Darker(ForeColor, 0.55)));
  Painter.save();
  Painter.setPen(EdgePen(LineColor));
  Painter.setBrush(Shade);
  Painter.drawPath(Body);
  Painter.setBrush(GvQColor(Lighter(ForeColor)));
  Painter.drawEllipse(TopCap);
  Painter.restore();
}

void DrawCylinderHorizontal(QPainter& Painter, TGvColor LineColor, TGvColor ForeColor,
                            double DepthX, double DepthY, const QRectF& Rect)
{
  if (!GvFinite(Rect)) return;
  const QRectF R = OrderedRect(Rect);
  const auto [DX, DY] = Depth(DepthX, DepthY);
  const double EW = std::max(DX, 1.0), EH = R.height() + DY;
  const double Top = R.top() - DY, Bottom = Top + EH;
  const double LeftX = R.left() + DX / 2, RightX = R.right() + DX / 2;
  const QRectF LeftCap(LeftX - EW / 2, Top, EW, EH), RightCap(RightX - EW / 2, Top, EW, EH);
  QPainterPath Body;
  Body.moveTo(LeftX, Top);
  Body.lineTo(RightX, Top);
  Body.lineTo(RightX, Bottom);
  Body.lineTo(LeftX, Bottom);
  Body.arcTo(LeftCap, 270, -180); // the outer half of the left end
  Body.closeSubpath();
  QLinearGradient Shade(0, Top, 0, Bottom);
  Shade.setColorAt(0, GvQColor(Darker(ForeColor, 0.8)));
  Shade.setColorAt(0.3, GvQColor(Lighter(ForeColor)));
  Shade.setColorAt(1, GvQColor(Darker(ForeColor, 0.55)));
  Painter.save();
  Painter.setPen(EdgePen(LineColor));
  Painter.setBrush(Shade);
  Painter.drawPath(Body);
  Painter.setBrush(GvQColor(Darker(ForeColor, 0.85)));
  Painter.drawEllipse(RightCap);
  Painter.restore();
}
