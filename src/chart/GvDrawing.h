// Drawing primitives of the chart engine on QPainter: point symbols and the
// holes they leave in the clip, gradient brushes, the hatch brushes, and the
// shapes of bars, legends and markers (3-D cuboids, cylinders, rounded and
// shadowed boxes), with the small geometry helpers they share.
//
// Coordinates that are not finite never reach the painter: the primitives
// draw nothing for them, and clamp huge ones to GvMaxCoord.
#pragma once

#include "chart/GvGDI.h"
#include "chart/GvStyles.h"

#include <QBrush>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <list>
#include <map>
#include <utility>

class QPainter;

// ---- Geometry helpers -----------------------------------------------------

// The largest coordinate (in pixels) handed to the painter.
constexpr double GvMaxCoord = 1e6;
// V clamped to +-GvMaxCoord; 0 when not finite.
double GvClampCoord(double V);
bool GvFinite(double V);
bool GvFinite(const QPointF& P);
bool GvFinite(const QRectF& R);

// The rectangle between two corners, with non-negative width and height.
QRectF OrderedRect(const QPointF& A, const QPointF& B);
QRectF OrderedRect(const QRectF& R);
QRectF TRectToRectF(const QRect& R);
// The same angle within [0, 360) degrees; 0 when not finite.
double MinAngle(double Angle);

// ---- Point symbols --------------------------------------------------------

// The radius a symbol of Size is drawn with for a pen of PenWidth (a width of
// 0 or less counts as 1): (Size - width) / 2, at least 0.
double PointSymbolRadius(double Size, double PenWidth);

// Draws Symbol centred on (X, Y): filled shapes are filled with Brush and
// outlined with Pen, the line shapes are drawn with Pen. A radius of 0 draws
// the symbol as a Dot (a square of the pen width in the pen's colour).
void DrawPointSymbol(QPainter& Painter, const QPen& Pen, const QBrush& Brush, TGvPointSymbol Symbol,
                     double Size, double X, double Y);

// Whether the symbol is a filled shape (FiveStar to Nabla).
bool IsFilledSymbol(TGvPointSymbol Symbol);
// The outline of a filled symbol of radius R at (X, Y); empty for the line
// shapes (Dot, Cross, Ex, Star).
QPainterPath PointSymbolPath(TGvPointSymbol Symbol, double R, double X, double Y);

// Adds the area of a filled symbol (radius (Size - 1) / 2, at least 0) to
// Holes; ExcludeFromClip then removes all of them from the painter's clip in
// one step, so that lines are not drawn through translucent symbols.
void AddSymbolSpace(QPainterPath& Holes, TGvPointSymbol Symbol, double Size, double X, double Y);
void ExcludeFromClip(QPainter& Painter, const QPainterPath& Holes);
// Both for one symbol.
void ExcludeSymbolSpace(QPainter& Painter, TGvPointSymbol Symbol, double Size, double X, double Y);

// ---- Gradient brushes -----------------------------------------------------

// A linear gradient over Rect enlarged by 1 pixel on each side, at Angle
// degrees (clockwise on the screen), with Color1 at 0, Color2 at Center
// (clamped to 0..1) and Color3 at 1; the ends of the gradient line touch the
// rectangle's corners.
QBrush LinearBrush(const QRectF& Rect, TGvColor Color1, TGvColor Color2, TGvColor Color3,
                   double Center, double Angle);
// A radial gradient over the circle around Rect's centre whose diameter is the
// rectangle's diagonal: CenterColor at the centre point (the rectangle's
// centre moved by (Center.x - 0.5) * width and (Center.y - 0.5) * height),
// MiddleColor half way and SurroundColor at the circle.
QBrush RadialBrush(const QRectF& Rect, const QPointF& Center, TGvColor CenterColor,
                   TGvColor SurroundColor, TGvColor MiddleColor);
// The same over the ellipse inscribed in Rect (the corners outside it take the
// surround colour).
QBrush EllipticalBrush(const QRectF& Rect, const QPointF& Center, TGvColor CenterColor,
                       TGvColor SurroundColor, TGvColor MiddleColor);

// ---- Hatch brushes --------------------------------------------------------

// The 8 x 8 pattern of a hatch style: row y, bit (7 - x) set where the fore
// colour goes. All zero for Total.
struct TGvHatchPattern
{
  uint8_t Rows[8];
  bool At(int X, int Y) const { return (Rows[Y & 7] >> (7 - (X & 7))) & 1; }
};
TGvHatchPattern HatchPattern(TGvAreaStyle Style);

// The 8 x 8 tile of a hatch in the fore colour on the back colour.
QImage HatchImage(TGvAreaStyle Style, TGvColor ForeColor, TGvColor BackColor);
// A solid brush of ForeColor for Total, otherwise the hatch as a texture
// brush. Texture brushes repeat from the painter's origin, so neighbouring
// fills line up.
QBrush GetAreaBrush(TGvAreaStyle Style, TGvColor ForeColor, TGvColor BackColor);

// A bounded cache of hatch brushes by style and colours, for painters that
// fill many areas (a graph owns one for its paint).
class TGvHatchBrushCache
{
public:
  explicit TGvHatchBrushCache(size_t Capacity = 64) : FCapacity(Capacity ? Capacity : 1) {}
  QBrush Brush(TGvAreaStyle Style, TGvColor ForeColor, TGvColor BackColor);
  size_t Size() const { return FBrushes.size(); }
  void Clear();

private:
  // Style, then fore and back colour in one word.
  using TKey = std::pair<int, uint64_t>;
  struct TEntry
  {
    TKey Key;
    QBrush Brush;
  };
  size_t FCapacity;
  std::list<TEntry> FOrder; // most recently used first
  std::map<TKey, std::list<TEntry>::iterator> FBrushes;
};

// ---- Arrows ---------------------------------------------------------------

// A line From -> To with an arrow head at To (and at From), the line stopping
// at the head's base inset; heads are filled with the pen's brush.
void DrawArrowLine(QPainter& Painter, const QPen& Pen, const QPointF& From, const QPointF& To,
                   const TGvArrowCap* EndCap, const TGvArrowCap* StartCap = nullptr);

// ---- Boxes, bars, shadows -------------------------------------------------

// A rectangle with corners rounded by Radius (0: square corners; the radius is
// limited to half the shorter side).
QPainterPath RoundRectPath(const QRectF& Rect, double Radius);

// A soft shadow of Shape, offset by (DX, DY) and blurred over about a pixel.
void DrawShadow(QPainter& Painter, const QPainterPath& Shape, double DX = 4, double DY = 3);

// The box of a legend or marker: the shadow first (when Shadow: it reaches 5
// pixels right and 4 pixels below Rect), the fill, a lowered or raised bevel
// inside the border, and the border when FrameVisible.
void DrawRoundRect(QPainter& Painter, const QBrush& Fill, const QPen& Pen, bool Lowered,
                   bool Raised, bool Shadow, bool FrameVisible, double Radius, const QRectF& Rect);

// A cuboid whose front face is Rect, its depth going DepthX right and DepthY
// up: the front in ForeColor, the top lighter, the side darker, edges in
// LineColor.
void Draw3DBar(QPainter& Painter, TGvColor LineColor, TGvColor ForeColor, double DepthX,
               double DepthY, const QRectF& Rect);
// A standing cylinder inscribed in the cuboid of Draw3DBar: its elliptic ends
// DepthY high and Rect.width() + DepthX wide, shaded round.
void DrawCylinderVertical(QPainter& Painter, TGvColor LineColor, TGvColor ForeColor, double DepthX,
                          double DepthY, const QRectF& Rect);
// A lying cylinder inscribed in the cuboid of Draw3DBar: its elliptic ends
// DepthX wide and Rect.height() + DepthY high.
void DrawCylinderHorizontal(QPainter& Painter, TGvColor LineColor, TGvColor ForeColor,
                            double DepthX, double DepthY, const QRectF& Rect);
