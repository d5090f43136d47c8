// Point symbols and their clip holes, gradient and hatch brushes, boxes,
// bars, cylinders, shadows and the geometry helpers.
#include "chart/GvDrawing.h"

#include "ChartTestSupport.h"

#include <QPainter>
#include <QSet>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QColor White(Qt::white);

bool IsWhite(const QImage& Image, int X, int Y)
{
  return Image.pixelColor(X, Y) == White;
}

int CountNonWhite(const QImage& Image, const QRect& Area)
{
  int N = 0;
  for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
    for (int X = Area.left(); X <= Area.right(); ++X) N += !IsWhite(Image, X, Y);
  return N;
}

TEST(GvDrawing, GeometryHelpers)
{
  EXPECT_EQ(OrderedRect(QPointF(10, 20), QPointF(2, 5)), QRectF(2, 5, 8, 15));
  EXPECT_EQ(OrderedRect(QRectF(10, 10, -4, -6)), QRectF(6, 4, 4, 6));
  EXPECT_EQ(OrderedRect(QPointF(NAN, 0), QPointF(1e300, 1)), QRectF(0, 0, GvMaxCoord, 1));
  EXPECT_EQ(TRectToRectF(QRect(1, 2, 3, 4)), QRectF(1, 2, 3, 4));
  for (auto [In, Out] : {std::pair{0.0, 0.0},
                         {-90.0, 270.0},
                         {720.0, 0.0},
                         {360.5, 0.5},
                         {-360.0, 0.0},
                         {double(NAN), 0.0},
                         {double(INFINITY), 0.0}})
    EXPECT_DOUBLE_EQ(MinAngle(In), Out) << In;
  const double Huge = MinAngle(1e300);
  EXPECT_TRUE(Huge >= 0 && Huge < 360);
  EXPECT_DOUBLE_EQ(GvClampCoord(NAN), 0);
  EXPECT_DOUBLE_EQ(GvClampCoord(-1e20), -GvMaxCoord);
}

TEST(GvDrawing, SymbolRadiusIsNeverNegative)
{
  const struct
  {
    double Size, Width, Radius;
  } Cases[] = {
      {11, 1, 5}, {11, 0, 5}, {11, -2, 5}, {11, 3, 4},          {3, 3, 0},
      {1, 3, 0},  {0, 1, 0},  {-5, 1, 0},  {double(NAN), 1, 0},
  };
  for (const auto& C : Cases)
    EXPECT_DOUBLE_EQ(PointSymbolRadius(C.Size, C.Width), C.Radius) << C.Size << " " << C.Width;
}

TEST(GvDrawing, SymbolShapes)
{
  // A Delta of radius 5 has its top vertex 5.7735 pixels above the centre.
  const QRectF Delta = PointSymbolPath(TGvPointSymbol::Delta, 5, 50, 50).boundingRect();
  EXPECT_NEAR(Delta.top(), 50 - 5.7735, 1e-9);
  EXPECT_NEAR(Delta.bottom(), 50 + 2.88675, 1e-9);
  EXPECT_NEAR(Delta.width(), 10, 1e-9);
  const QRectF Nabla = PointSymbolPath(TGvPointSymbol::Nabla, 5, 50, 50).boundingRect();
  EXPECT_NEAR(Nabla.bottom(), 50 + 5.7735, 1e-9);
  const QRectF Star = PointSymbolPath(TGvPointSymbol::FiveStar, 10, 0, 0).boundingRect();
  EXPECT_NEAR(Star.top(), -10.4, 1e-9);
  EXPECT_NEAR(Star.bottom(), 8.2, 1e-9);
  EXPECT_EQ(PointSymbolPath(TGvPointSymbol::Square, 4, 10, 10).boundingRect(), QRectF(6, 6, 8, 8));
  EXPECT_TRUE(PointSymbolPath(TGvPointSymbol::Cross, 4, 10, 10).isEmpty());
  EXPECT_FALSE(IsFilledSymbol(TGvPointSymbol::Star));
  EXPECT_TRUE(IsFilledSymbol(TGvPointSymbol::FiveStar));
  EXPECT_TRUE(IsFilledSymbol(TGvPointSymbol::Nabla));
}

TEST(GvDrawing, FilledSymbolsFillAndOutline)
{
  QImage Image = GvTestImage(40, 40);
  {
    QPainter P(&Image);
    DrawPointSymbol(P, QPen(Qt::red, 1), QBrush(Qt::blue), TGvPointSymbol::Square, 11, 20.5, 20.5);
  }
  EXPECT_EQ(Image.pixelColor(20, 20), QColor(Qt::blue));
  EXPECT_EQ(Image.pixelColor(15, 20), QColor(Qt::red)); // the border at half-side 5
  EXPECT_EQ(Image.pixelColor(25, 20), QColor(Qt::red));
  EXPECT_TRUE(IsWhite(Image, 14, 20));
  EXPECT_TRUE(IsWhite(Image, 27, 20));
}

TEST(GvDrawing, LineSymbolsDrawSpokes)
{
  QImage Cross = GvTestImage(40, 40), Ex = GvTestImage(40, 40);
  {
    QPainter P(&Cross);
    DrawPointSymbol(P, QPen(Qt::black, 1), QBrush(Qt::blue), TGvPointSymbol::Cross, 11, 20.5, 20.5);
    QPainter Q(&Ex);
    DrawPointSymbol(Q, QPen(Qt::black, 1), QBrush(Qt::blue), TGvPointSymbol::Ex, 11, 20.5, 20.5);
  }
  // Ink near a point (aliased lines may step a pixel aside).
  auto Near = [](const QImage& I, int X, int Y) {
    return CountNonWhite(I, QRect(X - 1, Y - 1, 3, 3)) > 0;
  };
  EXPECT_TRUE(Near(Cross, 24, 20));
  EXPECT_TRUE(Near(Cross, 20, 16));
  EXPECT_FALSE(Near(Cross, 23, 23));
  EXPECT_TRUE(Near(Ex, 23, 23));
  EXPECT_TRUE(Near(Ex, 17, 23));
  EXPECT_FALSE(Near(Ex, 24, 20));
  // No fill anywhere.
  for (const QImage* I : {&Cross, &Ex})
    for (int Y = 0; Y < 40; ++Y)
      for (int X = 0; X < 40; ++X) ASSERT_NE(I->pixelColor(X, Y), QColor(Qt::blue));
}

TEST(GvDrawing, SymbolSmallerThanItsPenDrawsADot)
{
  // Size 2 with a 4-pixel pen: radius 0, drawn as a Dot (a 4 x 4 square in the
  // pen's colour), never as an inverted shape.
  for (TGvPointSymbol S : {TGvPointSymbol::Circle, TGvPointSymbol::Delta, TGvPointSymbol::Cross,
                           TGvPointSymbol::Dot}) {
    QImage Image = GvTestImage(20, 20);
    {
      QPainter P(&Image);
      DrawPointSymbol(P, QPen(Qt::red, 4), QBrush(Qt::blue), S, 2, 10, 10);
    }
    EXPECT_EQ(Image.pixelColor(8, 8), QColor(Qt::red)) << int(S);
    EXPECT_EQ(Image.pixelColor(11, 11), QColor(Qt::red)) << int(S);
    EXPECT_TRUE(IsWhite(Image, 12, 10)) << int(S);
    EXPECT_TRUE(IsWhite(Image, 7, 10)) << int(S);
    EXPECT_EQ(CountNonWhite(Image, Image.rect()), 16) << int(S);
  }
  // A pen width of 0 counts as 1: a Dot is one pixel.
  QImage Image = GvTestImage(20, 20);
  {
    QPainter P(&Image);
    DrawPointSymbol(P, QPen(Qt::red, 0), QBrush(Qt::blue), TGvPointSymbol::Dot, 11, 10.5, 10.5);
  }
  EXPECT_EQ(CountNonWhite(Image, Image.rect()), 1);
}

TEST(GvDrawing, NonFiniteSymbolsDrawNothing)
{
  QImage Image = GvTestImage(20, 20);
  {
    QPainter P(&Image);
    DrawPointSymbol(P, QPen(Qt::red, 1), QBrush(Qt::blue), TGvPointSymbol::Circle, 11, NAN, 10);
    DrawPointSymbol(P, QPen(Qt::red, 1), QBrush(Qt::blue), TGvPointSymbol::Circle, 11, 10,
                    INFINITY);
    DrawPointSymbol(P, QPen(Qt::red, 1), QBrush(Qt::blue), TGvPointSymbol::Circle, NAN, 10, 10);
    DrawPointSymbol(P, QPen(Qt::red, 1), QBrush(Qt::blue), TGvPointSymbol::Circle, 11, 1e30, 10);
  }
  EXPECT_EQ(CountNonWhite(Image, Image.rect()), 0);
}

TEST(GvDrawing, SymbolSpaceIsCutFromTheClip)
{
  QImage Image = GvTestImage(60, 40);
  {
    QPainter P(&Image);
    P.setClipRect(QRect(0, 0, 50, 40));
    QPainterPath Holes;
    AddSymbolSpace(Holes, TGvPointSymbol::Circle, 11, 15, 20);
    // Two overlapping shapes: the overlap stays a hole.
    AddSymbolSpace(Holes, TGvPointSymbol::Square, 11, 32, 20);
    AddSymbolSpace(Holes, TGvPointSymbol::Circle, 11, 36, 20);
    AddSymbolSpace(Holes, TGvPointSymbol::Cross, 11, 45, 20); // a line shape leaves no hole
    ExcludeFromClip(P, Holes);
    P.fillRect(Image.rect(), Qt::black);
  }
  EXPECT_TRUE(IsWhite(Image, 15, 20));
  EXPECT_TRUE(IsWhite(Image, 32, 20));
  EXPECT_TRUE(IsWhite(Image, 34, 21)); // in both the square and the circle
  EXPECT_TRUE(IsWhite(Image, 37, 19));
  EXPECT_FALSE(IsWhite(Image, 45, 20));
  EXPECT_FALSE(IsWhite(Image, 5, 5));
  EXPECT_TRUE(IsWhite(Image, 55, 5)); // the clip there before stays
  // Without a clip before: the whole device minus the hole.
  QImage Free = GvTestImage(30, 30);
  {
    QPainter P(&Free);
    ExcludeSymbolSpace(P, TGvPointSymbol::Diamond, 11, 15, 15);
    P.fillRect(Free.rect(), Qt::black);
  }
  EXPECT_TRUE(IsWhite(Free, 15, 15));
  EXPECT_FALSE(IsWhite(Free, 2, 2));
  EXPECT_FALSE(IsWhite(Free, 27, 27));
}

// The mean lightness of a column of pixels from Y0 to Y1.
double Lightness(const QImage& Image, int X, int Y0, int Y1)
{
  double Sum = 0;
  for (int Y = Y0; Y <= Y1; ++Y) Sum += Image.pixelColor(X, Y).lightness();
  return Sum / (Y1 - Y0 + 1);
}

QColor At(const QBrush& Brush, const QRect& Area, QPoint Pixel)
{
  QImage Image = GvTestImage(Area.right() + 2, Area.bottom() + 2);
  QPainter P(&Image);
  P.fillRect(Area, Brush);
  P.end();
  return Image.pixelColor(Pixel);
}

TEST(GvDrawing, LinearBrushRunsAtTheAngle)
{
  const QRect R(0, 0, 100, 100);
  const TGvColor Red = 0xFFFF0000, Green = 0xFF00FF00, Blue = 0xFF0000FF;
  // 0 degrees: left to right.
  QBrush B = LinearBrush(R, Red, Green, Blue, 0.5, 0);
  EXPECT_GT(At(B, R, {1, 50}).red(), 230);
  EXPECT_GT(At(B, R, {50, 10}).green(), 230);
  EXPECT_GT(At(B, R, {98, 50}).blue(), 230);
  // 90 degrees: top to bottom (clockwise on the screen).
  B = LinearBrush(R, Red, Green, Blue, 0.5, 90);
  EXPECT_GT(At(B, R, {50, 1}).red(), 230);
  EXPECT_GT(At(B, R, {50, 98}).blue(), 230);
  // The middle colour moves with the centre.
  B = LinearBrush(R, Red, Green, Blue, 0.2, 0);
  EXPECT_GT(At(B, R, {20, 50}).green(), 220);
  // 45 degrees: corner to corner, the middle on the other diagonal.
  B = LinearBrush(R, Red, Green, Blue, 0.5, 45);
  EXPECT_GT(At(B, R, {1, 1}).red(), 220);
  EXPECT_GT(At(B, R, {98, 98}).blue(), 220);
  EXPECT_GT(At(B, R, {98, 1}).green(), 220);
  // A rectangle that is not finite gives the first colour.
  EXPECT_EQ(LinearBrush(QRectF(0, 0, NAN, 1), Red, Green, Blue, 0.5, 0).color().rgba(), Red);
}

TEST(GvDrawing, RadialAndEllipticalBrushes)
{
  const QRect R(0, 0, 100, 60);
  const TGvColor First = 0xFFFF0000, Last = 0xFF0000FF, Middle = 0xFF00FF00;
  QBrush B = RadialBrush(R, QPointF(0.5, 0.5), First, Last, Middle);
  EXPECT_GT(At(B, R, {50, 30}).red(), 240); // the first colour in the centre
  // The circle reaches the corners: the last colour there.
  EXPECT_GT(At(B, R, {0, 0}).blue(), 200);
  // A centre moved to a quarter of the rectangle.
  B = RadialBrush(R, QPointF(0.25, 0.25), First, Last, Middle);
  EXPECT_GT(At(B, R, {25, 15}).red(), 240);
  EXPECT_LT(At(B, R, {50, 30}).red(), 200);

  B = EllipticalBrush(R, QPointF(0.5, 0.5), First, Last, Middle);
  EXPECT_GT(At(B, R, {50, 30}).red(), 240);
  // Half way to the ellipse along both axes: the middle colour.
  EXPECT_GT(At(B, R, {75, 30}).green(), 200);
  EXPECT_GT(At(B, R, {50, 15}).green(), 200);
  // At the ellipse and outside it: the last colour.
  EXPECT_GT(At(B, R, {99, 30}).blue(), 200);
  EXPECT_GT(At(B, R, {1, 1}).blue(), 240);
}

TEST(GvDrawing, HatchPatternsLookLikeTheirNames)
{
  using S = TGvAreaStyle;
  auto Only = [](S Style, auto Want) {
    const TGvHatchPattern P = HatchPattern(Style);
    for (int Y = 0; Y < 8; ++Y)
      for (int X = 0; X < 8; ++X)
        EXPECT_EQ(P.At(X, Y), bool(Want(X, Y))) << int(Style) << " at " << X << "," << Y;
  };
  Only(S::Horizontal, [](int, int Y) { return Y == 0; });
  Only(S::Vertical, [](int X, int) { return X == 0; });
  Only(S::Cross, [](int X, int Y) { return X == 0 || Y == 0; });
  Only(S::ForwardDiagonal, [](int X, int Y) { return X == Y; });      // down to the right
  Only(S::BackwardDiagonal, [](int X, int Y) { return X == 7 - Y; }); // up to the right
  Only(S::DiagonalCross, [](int X, int Y) { return X == Y || X == 7 - Y; });
  Only(S::LightDownwardDiagonal, [](int X, int Y) { return (X - Y + 8) % 4 == 0; });
  Only(S::LightUpwardDiagonal, [](int X, int Y) { return (X + Y) % 4 == 3; });
  Only(S::DarkDownwardDiagonal, [](int X, int Y) { return (X - Y + 8) % 4 < 2; });
  Only(S::LightVertical, [](int X, int) { return X % 4 == 0; });
  Only(S::LightHorizontal, [](int, int Y) { return Y % 4 == 0; });
  Only(S::NarrowVertical, [](int X, int) { return X % 2 == 0; });
  Only(S::NarrowHorizontal, [](int, int Y) { return Y % 2 == 0; });
  Only(S::DarkVertical, [](int X, int) { return X % 4 < 2; });
  Only(S::DarkHorizontal, [](int, int Y) { return Y % 4 < 2; });
  Only(S::SmallGrid, [](int X, int Y) { return X % 4 == 0 || Y % 4 == 0; });
  Only(S::Percent50, [](int X, int Y) { return (X + Y) % 2 == 0; });
  Only(S::SmallCheckerBoard, [](int X, int Y) { return (X / 2 + Y / 2) % 2 == 0; });
  Only(S::LargeCheckerBoard, [](int X, int Y) { return (X / 4 + Y / 4) % 2 == 0; });

  // The percent patterns fill their share of the 64 pixels, growing.
  const std::pair<S, int> Shares[] = {{S::Percent05, 5},  {S::Percent10, 10}, {S::Percent20, 20},
                                      {S::Percent25, 25}, {S::Percent30, 30}, {S::Percent40, 40},
                                      {S::Percent50, 50}, {S::Percent60, 60}, {S::Percent70, 70},
                                      {S::Percent75, 75}, {S::Percent80, 80}, {S::Percent90, 90}};
  int Last = 0;
  for (auto [Style, Percent] : Shares) {
    const TGvHatchPattern P = HatchPattern(Style);
    int Set = 0;
    for (uint8_t Row : P.Rows) Set += std::popcount(Row);
    EXPECT_NEAR(Set, Percent * 64 / 100.0, 1.0) << Percent;
    EXPECT_GT(Set, Last) << Percent;
    Last = Set;
  }
  // All 53 differ, none is empty or full; Total has no pattern.
  QSet<quint64> Seen;
  for (int I = 0; I < GvHatchStyleCount; ++I) {
    const TGvHatchPattern P = HatchPattern(S(I));
    quint64 Bits = 0;
    for (uint8_t Row : P.Rows) Bits = (Bits << 8) | Row;
    EXPECT_NE(Bits, 0u) << I;
    EXPECT_NE(Bits, ~quint64(0)) << I;
    Seen.insert(Bits);
  }
  EXPECT_EQ(Seen.size(), GvHatchStyleCount);
}

TEST(GvDrawing, HatchBrushesLineUpFromTheOrigin)
{
  const TGvColor Fore = 0xFF000080, Back = 0xFFFFFF00;
  const QImage Tile = HatchImage(TGvAreaStyle::Horizontal, Fore, Back);
  EXPECT_EQ(Tile.size(), QSize(8, 8));
  EXPECT_EQ(Tile.pixel(3, 0), Fore);
  EXPECT_EQ(Tile.pixel(3, 1), Back);
  EXPECT_EQ(GetAreaBrush(TGvAreaStyle::Total, Fore, Back).style(), Qt::SolidPattern);
  EXPECT_EQ(GetAreaBrush(TGvAreaStyle::Total, Fore, Back).color().rgba(), Fore);

  // Two neighbouring fills, the second starting off the tile grid: the lines
  // run on from one to the other.
  QImage Image = GvTestImage(40, 40);
  {
    QPainter P(&Image);
    const QBrush B = GetAreaBrush(TGvAreaStyle::Horizontal, Fore, Back);
    P.fillRect(QRect(0, 0, 13, 40), B);
    P.fillRect(QRect(13, 3, 27, 37), B);
  }
  for (int X : {0, 12, 13, 39}) {
    EXPECT_EQ(Image.pixel(X, 8), Fore) << X;
    EXPECT_EQ(Image.pixel(X, 16), Fore) << X;
    EXPECT_EQ(Image.pixel(X, 9), Back) << X;
  }
  EXPECT_EQ(Image.pixel(20, 3), Back); // row 3 of the pattern, not its first row
  // A translucent back colour lets what is below show.
  const QImage Clear = HatchImage(TGvAreaStyle::Vertical, Fore, GvColors::Transparent);
  EXPECT_EQ(qAlpha(Clear.pixel(1, 1)), 0);
}

TEST(GvDrawing, HatchCacheIsBounded)
{
  TGvHatchBrushCache Cache(2);
  const QBrush A = Cache.Brush(TGvAreaStyle::Weave, 1, 2);
  Cache.Brush(TGvAreaStyle::Weave, 1, 3);
  EXPECT_EQ(Cache.Size(), 2u);
  EXPECT_EQ(Cache.Brush(TGvAreaStyle::Weave, 1, 2).textureImage(), A.textureImage());
  Cache.Brush(TGvAreaStyle::Plaid, 1, 2);
  EXPECT_EQ(Cache.Size(), 2u);
  EXPECT_EQ(Cache.Brush(TGvAreaStyle::Total, 0xFF112233, 2).color().rgba(), 0xFF112233u);
  EXPECT_EQ(Cache.Size(), 2u);
  Cache.Clear();
  EXPECT_EQ(Cache.Size(), 0u);
  // Colours that share bits are different keys.
  TGvHatchBrushCache Keys;
  const QBrush One = Keys.Brush(TGvAreaStyle::Horizontal, 0xFF000001, 0xFF000000);
  const QBrush Two = Keys.Brush(TGvAreaStyle::Horizontal, 0xFF000000, 0xFF000001);
  EXPECT_NE(One.textureImage(), Two.textureImage());
  EXPECT_EQ(Keys.Size(), 2u);
}

TEST(GvDrawing, RoundedBoxWithShadowAndBevel)
{
  const QPainterPath Path = RoundRectPath(QRectF(10, 10, 40, 20), 100); // radius limited to 10
  EXPECT_TRUE(Path.contains(QPointF(30, 20)));
  EXPECT_FALSE(Path.contains(QPointF(11, 11)));
  EXPECT_TRUE(Path.contains(QPointF(20, 11)));
  EXPECT_TRUE(RoundRectPath(QRectF(0, 0, 10, 10), 0).contains(QPointF(0.5, 0.5)));
  EXPECT_TRUE(RoundRectPath(QRectF(0, 0, NAN, 10), 3).isEmpty());

  QImage Image = GvTestImage(80, 60);
  {
    QPainter P(&Image);
    DrawRoundRect(P, QBrush(Qt::white), QPen(Qt::black, 1), false, true, true, true, 6,
                  QRectF(10.5, 10.5, 50, 30));
  }
  EXPECT_TRUE(IsWhite(Image, 35, 25));                    // the fill
  EXPECT_EQ(Image.pixelColor(35, 10), QColor(Qt::black)); // the frame
  // The shadow below and to the right, within 5 by 4 pixels.
  EXPECT_FALSE(IsWhite(Image, 63, 25));
  EXPECT_FALSE(IsWhite(Image, 35, 43));
  EXPECT_TRUE(IsWhite(Image, 67, 25));
  EXPECT_TRUE(IsWhite(Image, 35, 46));
  EXPECT_TRUE(IsWhite(Image, 5, 25)); // none to the left
  // Raised: light upper left, dark lower right just inside the frame.
  EXPECT_GT(Lightness(Image, 35, 11, 13), Lightness(Image, 35, 37, 39));

  QImage Lowered = GvTestImage(80, 60);
  {
    QPainter P(&Lowered);
    DrawRoundRect(P, QBrush(Qt::gray), QPen(Qt::black, 1), true, false, false, false, 0,
                  QRectF(10.5, 10.5, 50, 30));
  }
  EXPECT_LT(Lightness(Lowered, 35, 11, 13), Lightness(Lowered, 35, 37, 39));
  EXPECT_TRUE(IsWhite(Lowered, 63, 25)); // no shadow
}

TEST(GvDrawing, CuboidFaces)
{
  QImage Image = GvTestImage(80, 80);
  const TGvColor Fore = 0xFF4060C0;
  {
    QPainter P(&Image);
    Draw3DBar(P, 0xFF000000, Fore, 12, 8, QRectF(QPointF(20.5, 70.5), QPointF(40.5, 20.5)));
  }
  EXPECT_EQ(Image.pixel(30, 45), Fore); // the front face
  const QColor Top = Image.pixelColor(36, 16), Side = Image.pixelColor(46, 45);
  EXPECT_GT(Top.lightness(), QColor::fromRgba(Fore).lightness());
  EXPECT_LT(Side.lightness(), QColor::fromRgba(Fore).lightness());
  EXPECT_EQ(Image.pixelColor(20, 45), QColor(Qt::black)); // an edge
  EXPECT_TRUE(IsWhite(Image, 22, 14));                    // beyond the top face's left end
  EXPECT_TRUE(IsWhite(Image, 56, 45));                    // beyond the depth
  // Nothing for rectangles that are not finite.
  QImage Empty = GvTestImage(20, 20);
  {
    QPainter P(&Empty);
    Draw3DBar(P, 0xFF000000, Fore, 5, 5, QRectF(0, 0, INFINITY, 5));
    DrawCylinderVertical(P, 0xFF000000, Fore, 5, 5, QRectF(NAN, 0, 5, 5));
    DrawCylinderHorizontal(P, 0xFF000000, Fore, NAN, NAN, QRectF(0, 0, NAN, 5));
  }
  EXPECT_EQ(CountNonWhite(Empty, Empty.rect()), 0);
}

TEST(GvDrawing, CylindersFillTheCuboidsOutline)
{
  QImage V = GvTestImage(80, 80), H = GvTestImage(90, 60);
  const TGvColor Fore = 0xFF4060C0;
  {
    QPainter P(&V);
    P.setRenderHint(QPainter::Antialiasing);
    DrawCylinderVertical(P, 0xFF000000, Fore, 10, 8, QRectF(20, 20, 20, 50));
    QPainter Q(&H);
    Q.setRenderHint(QPainter::Antialiasing);
    DrawCylinderHorizontal(Q, 0xFF000000, Fore, 8, 10, QRectF(10, 25, 60, 20));
  }
  // Standing: 30 wide (20 + depth 10), ends 8 high, shifted up by half of it.
  EXPECT_FALSE(IsWhite(V, 35, 45));
  EXPECT_FALSE(IsWhite(V, 48, 45));
  EXPECT_TRUE(IsWhite(V, 52, 45));
  EXPECT_FALSE(IsWhite(V, 35, 18)); // the top end
  EXPECT_TRUE(IsWhite(V, 35, 10));
  EXPECT_TRUE(IsWhite(V, 35, 72));
  // Lying: 30 high (20 + depth 10) from y 15, the right end a full ellipse.
  EXPECT_FALSE(IsWhite(H, 40, 35));
  EXPECT_FALSE(IsWhite(H, 40, 17));
  EXPECT_TRUE(IsWhite(H, 40, 12));
  EXPECT_FALSE(IsWhite(H, 76, 30)); // the right end, past the rectangle
  EXPECT_TRUE(IsWhite(H, 80, 30));
  EXPECT_TRUE(IsWhite(H, 40, 48));
}

TEST(GvDrawing, ArrowLinesAndNonFiniteEnds)
{
  const TGvArrowCap Cap = ArrowPointCap(10, 6, 4);
  QImage Image = GvTestImage(60, 30);
  {
    QPainter P(&Image);
    DrawArrowLine(P, QPen(Qt::black, 1), QPointF(5, 15.5), QPointF(50, 15.5), &Cap, &Cap);
    DrawArrowLine(P, QPen(Qt::black, 1), QPointF(NAN, 15.5), QPointF(50, 15.5), &Cap);
  }
  EXPECT_FALSE(IsWhite(Image, 48, 15)); // near the end tip
  EXPECT_FALSE(IsWhite(Image, 7, 15));  // near the start tip
  EXPECT_FALSE(IsWhite(Image, 42, 13)); // a barb
  EXPECT_FALSE(IsWhite(Image, 12, 13));
  EXPECT_FALSE(IsWhite(Image, 25, 15)); // the line between
  EXPECT_TRUE(IsWhite(Image, 25, 13));
}

} // namespace
