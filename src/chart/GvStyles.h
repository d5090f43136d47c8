// The drawing settings that chart objects hold instead of raw pens and
// brushes: a gradient, a line, a filled area, a point symbol and arrow heads.
// Each is a persistent object owned by a chart object: its setters record the
// old value on the undo stack, store the new one and tell the owner
// (Changed()); it makes the QPen or QBrush for a given rectangle on demand.
// TGvPen is a pen with the accessors the series use and an optional arrow
// head at its end.
#pragma once

#include "chart/GvComponent.h"
#include "chart/GvGDI.h"

#include <QBrush>
#include <QPen>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <optional>

class QPainter;
class TGvHatchBrushCache;

namespace GvStyleTypes {
Q_NAMESPACE

enum class TGvGradientStyle
{
  Linear,
  Radial,
  Elliptical,
};
Q_ENUM_NS(TGvGradientStyle)

// The dash styles of a line; Custom draws solid (no pattern is stored).
enum class TGvDashStyle
{
  Solid,
  Dash,
  Dot,
  DashDot,
  DashDotDot,
  Custom,
};
Q_ENUM_NS(TGvDashStyle)

// The 53 hatch patterns (numbered as stored) and Total, a solid fill.
enum class TGvAreaStyle
{
  Horizontal,
  Vertical,
  ForwardDiagonal,
  BackwardDiagonal,
  Cross,
  DiagonalCross,
  Percent05,
  Percent10,
  Percent20,
  Percent25,
  Percent30,
  Percent40,
  Percent50,
  Percent60,
  Percent70,
  Percent75,
  Percent80,
  Percent90,
  LightDownwardDiagonal,
  LightUpwardDiagonal,
  DarkDownwardDiagonal,
  DarkUpwardDiagonal,
  WideDownwardDiagonal,
  WideUpwardDiagonal,
  LightVertical,
  LightHorizontal,
  NarrowVertical,
  NarrowHorizontal,
  DarkVertical,
  DarkHorizontal,
  DashedDownwardDiagonal,
  DashedUpwardDiagonal,
  DashedHorizontal,
  DashedVertical,
  SmallConfetti,
  LargeConfetti,
  ZigZag,
  Wave,
  DiagonalBrick,
  HorizontalBrick,
  Weave,
  Plaid,
  Divot,
  DottedGrid,
  DottedDiamond,
  Shingle,
  Trellis,
  Sphere,
  SmallGrid,
  SmallCheckerBoard,
  LargeCheckerBoard,
  OutlinedDiamond,
  SolidDiamond,
  Total,
};
Q_ENUM_NS(TGvAreaStyle)

enum class TGvPointSymbol
{
  Dot,
  Cross,
  Ex,
  Star,
  FiveStar,
  Circle,
  Square,
  Diamond,
  Delta,
  Nabla,
};
Q_ENUM_NS(TGvPointSymbol)

} // namespace GvStyleTypes

using GvStyleTypes::TGvAreaStyle;
using GvStyleTypes::TGvDashStyle;
using GvStyleTypes::TGvGradientStyle;
using GvStyleTypes::TGvPointSymbol;

constexpr int GvHatchStyleCount = 53;
constexpr int GvPointSymbolCount = 10;
constexpr int GvDashStyleCount = 6;

// The pen style and dash pattern (in pen widths) of a dash style.
void ApplyDashStyle(QPen& Pen, TGvDashStyle Style);
// A miter limit below 1 (or not finite) counts as 1.
double GvMiterLimit(double Limit);

// ---- Arrow heads ----------------------------------------------------------

// An arrow head in the coordinates of a line end: the tip at (0, 0), y along
// the line's direction (negative y lies back along the line), x across it;
// BaseInset is how far the line stops short of the tip (the head covers the
// rest).
struct TGvArrowCap
{
  QPolygonF Path;
  double BaseInset = 0;
};

// The head polygon placed at the end To of the line From -> To, in pixels;
// empty when the line has no length.
QPolygonF PlaceArrowCap(const TGvArrowCap& Cap, const QPointF& From, const QPointF& To);

// ---- TGvPen ---------------------------------------------------------------

// A pen with Color, Width and DashStyle accessors and an optional arrow head
// at the line's end (and start). Lines go through DrawLine so that the head is
// drawn; polylines and shapes use Pen() directly.
class TGvPen
{
public:
  TGvPen() : TGvPen(GvColors::Black, 1) {}
  TGvPen(TGvColor Color, double Width);
  explicit TGvPen(const QPen& Pen);

  TGvColor Color() const;
  void SetColor(TGvColor Color);
  double Width() const { return FPen.widthF(); }
  void SetWidth(double Width);
  TGvDashStyle DashStyle() const { return FDashStyle; }
  void SetDashStyle(TGvDashStyle Style);
  double MiterLimit() const { return FPen.miterLimit(); }
  void SetMiterLimit(double Limit) { FPen.setMiterLimit(GvMiterLimit(Limit)); }
  void SetBrush(const QBrush& Brush) { FPen.setBrush(Brush); }
  QBrush Brush() const { return FPen.brush(); }

  const std::optional<TGvArrowCap>& EndCap() const { return FEndCap; }
  void SetEndCap(const std::optional<TGvArrowCap>& Cap) { FEndCap = Cap; }
  const std::optional<TGvArrowCap>& StartCap() const { return FStartCap; }
  void SetStartCap(const std::optional<TGvArrowCap>& Cap) { FStartCap = Cap; }

  const QPen& Pen() const { return FPen; }
  operator const QPen&() const { return FPen; }

  // Draws the line with its heads (filled in the pen's brush).
  void DrawLine(QPainter& Painter, const QPointF& From, const QPointF& To) const;

private:
  QPen FPen;
  TGvDashStyle FDashStyle = TGvDashStyle::Solid;
  std::optional<TGvArrowCap> FEndCap;
  std::optional<TGvArrowCap> FStartCap;
};

// ---- TGvGradientSettings --------------------------------------------------

class TGvGradientSettings : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(GvStyleTypes::TGvGradientStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(TGvColor FirstColor READ FirstColor WRITE SetFirstColor)
  Q_PROPERTY(TGvColor MiddleColor READ MiddleColor WRITE SetMiddleColor)
  Q_PROPERTY(TGvColor LastColor READ LastColor WRITE SetLastColor)
  Q_PROPERTY(float LinearAngle READ LinearAngle WRITE SetLinearAngle)
  Q_PROPERTY(float LinearCenter READ LinearCenter WRITE SetLinearCenter)
  Q_PROPERTY(float RadialCenterX READ RadialCenterX WRITE SetRadialCenterX)
  Q_PROPERTY(float RadialCenterY READ RadialCenterY WRITE SetRadialCenterY)
public:
  explicit TGvGradientSettings(QObject* Owner = nullptr) : TGvPersistent(Owner) {}

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TGvGradientStyle Style() const { return FStyle; }
  void SetStyle(TGvGradientStyle Value);
  TGvColor FirstColor() const { return FFirstColor; }
  void SetFirstColor(TGvColor Value);
  TGvColor MiddleColor() const { return FMiddleColor; }
  void SetMiddleColor(TGvColor Value);
  TGvColor LastColor() const { return FLastColor; }
  void SetLastColor(TGvColor Value);
  // Degrees, clockwise on the screen.
  float LinearAngle() const { return FLinearAngle; }
  void SetLinearAngle(float Value);
  // Where the middle colour sits between the first (0) and the last (1).
  float LinearCenter() const { return FLinearCenter; }
  void SetLinearCenter(float Value);
  // The centre of a radial or elliptical gradient, as fractions of the
  // rectangle.
  float RadialCenterX() const { return FRadialCenterX; }
  void SetRadialCenterX(float Value);
  float RadialCenterY() const { return FRadialCenterY; }
  void SetRadialCenterY(float Value);

  void Assign(const TGvGradientSettings& Source);

  // The brush of the gradient over View; Angle turns a linear gradient
  // further (degrees).
  QBrush GetBrush(const QRectF& View, double Angle = 0) const;
  QBrush GetBrush(const QRect& View, double Angle = 0) const;

private:
  bool FVisible = false;
  TGvGradientStyle FStyle = TGvGradientStyle::Linear;
  TGvColor FFirstColor = 0xFFD3D3D3;
  TGvColor FMiddleColor = 0xFFB0B0B0;
  TGvColor FLastColor = 0xFF808080;
  float FLinearAngle = 0;
  float FLinearCenter = 0.5f;
  float FRadialCenterX = 0.5f;
  float FRadialCenterY = 0.5f;
};

// ---- Lines ----------------------------------------------------------------

class TGvSimpleLineSettings : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(TGvColor Color READ Color WRITE SetColor)
  Q_PROPERTY(GvStyleTypes::TGvDashStyle DashStyle READ DashStyle WRITE SetDashStyle)
  Q_PROPERTY(float Width READ Width WRITE SetWidth)
  Q_PROPERTY(TGvGradientSettings* Gradient READ Gradient WRITE SetGradient)
public:
  explicit TGvSimpleLineSettings(QObject* Owner = nullptr);

  TGvColor Color() const { return FColor; }
  void SetColor(TGvColor Value);
  TGvDashStyle DashStyle() const { return FDashStyle; }
  void SetDashStyle(TGvDashStyle Value);
  float Width() const { return FWidth; }
  void SetWidth(float Value);
  TGvGradientSettings* Gradient() const { return FGradient; }
  void SetGradient(TGvGradientSettings* Value);

  void SetUndoStack(TGvUndoStackBase* Stack) override;
  // Copies every value, the gradient's too (and Visible between line settings).
  virtual void Assign(const TGvSimpleLineSettings& Source);

  // The pen: the gradient brush over View when the gradient is visible, else
  // solid Color; width Width (not below 0), the dash style, miter joins.
  QPen GetPen(const QRectF& View, double Angle = 0) const;
  QPen GetPen(const QRect& View, double Angle = 0) const;
  QPen GetPen() const { return GetPen(QRectF()); }
  TGvPen GetGvPen(const QRectF& View, double Angle = 0) const;

private:
  TGvColor FColor = GvColors::Red;
  TGvDashStyle FDashStyle = TGvDashStyle::Solid;
  float FWidth = 1;
  TGvGradientSettings* FGradient;
};

class TGvLineSettings : public TGvSimpleLineSettings
{
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
public:
  explicit TGvLineSettings(QObject* Owner = nullptr) : TGvSimpleLineSettings(Owner) {}

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

  void Assign(const TGvSimpleLineSettings& Source) override;

private:
  bool FVisible = true;
};

// ---- Areas ----------------------------------------------------------------

class TGvAreaSettings : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(TGvColor ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(TGvColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(GvStyleTypes::TGvAreaStyle AreaStyle READ AreaStyle WRITE SetAreaStyle)
  Q_PROPERTY(TGvGradientSettings* Gradient READ Gradient WRITE SetGradient)
public:
  explicit TGvAreaSettings(QObject* Owner = nullptr);

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TGvColor ForeColor() const { return FForeColor; }
  void SetForeColor(TGvColor Value);
  TGvColor BackColor() const { return FBackColor; }
  void SetBackColor(TGvColor Value);
  TGvAreaStyle AreaStyle() const { return FAreaStyle; }
  void SetAreaStyle(TGvAreaStyle Value);
  TGvGradientSettings* Gradient() const { return FGradient; }
  void SetGradient(TGvGradientSettings* Value);
  // A solid fill (AreaStyle Total).
  bool Solid() const { return FAreaStyle == TGvAreaStyle::Total; }

  void SetUndoStack(TGvUndoStackBase* Stack) override;
  void Assign(const TGvAreaSettings& Source);

  // The gradient brush over View when the gradient is visible, else the
  // solid or hatch brush of AreaStyle (hatches from Cache when given).
  QBrush GetBrush(const QRectF& View, TGvHatchBrushCache* Cache = nullptr) const;
  QBrush GetBrush(const QRect& View, TGvHatchBrushCache* Cache = nullptr) const;

private:
  bool FVisible = false;
  TGvColor FForeColor = GvColors::LightGray;
  TGvColor FBackColor = GvColors::DarkGray;
  TGvAreaStyle FAreaStyle = TGvAreaStyle::Total;
  TGvGradientSettings* FGradient;
};

// ---- Point symbols --------------------------------------------------------

class TGvPointSymbolSettings : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(float Size READ Size WRITE SetSize)
  Q_PROPERTY(float BorderLineWidth READ BorderLineWidth WRITE SetBorderLineWidth)
  Q_PROPERTY(TGvColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TGvColor FillColor READ FillColor WRITE SetFillColor)
  Q_PROPERTY(GvStyleTypes::TGvPointSymbol PointSymbol READ PointSymbol WRITE SetPointSymbol)
public:
  explicit TGvPointSymbolSettings(QObject* Owner = nullptr) : TGvPersistent(Owner) {}

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  // Pixels.
  float Size() const { return FSize; }
  void SetSize(float Value);
  float BorderLineWidth() const { return FBorderLineWidth; }
  void SetBorderLineWidth(float Value);
  TGvColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TGvColor Value);
  TGvColor FillColor() const { return FFillColor; }
  void SetFillColor(TGvColor Value);
  TGvPointSymbol PointSymbol() const { return FPointSymbol; }
  void SetPointSymbol(TGvPointSymbol Value);

  void Assign(const TGvPointSymbolSettings& Source);

  // The border pen and the fill brush the symbol is drawn with.
  QPen GetPen() const;
  QBrush GetBrush() const;
  // Whether the fill lets what is below show through.
  bool Translucent() const { return GetAlpha(FFillColor) < 255; }
  // Draws the symbol at (X, Y) (also when not Visible; callers decide).
  void Draw(QPainter& Painter, double X, double Y) const;

private:
  bool FVisible = true;
  float FSize = 11;
  float FBorderLineWidth = 1;
  TGvColor FBorderColor = GvColors::Blue;
  TGvColor FFillColor = GvColors::Blue;
  TGvPointSymbol FPointSymbol = TGvPointSymbol::Circle;
};

// ---- Arrow heads ----------------------------------------------------------

// The line of an arrow with its head (pixels).
class TGvArrowSettings : public TGvLineSettings
{
  Q_OBJECT
  Q_PROPERTY(float PointLength READ PointLength WRITE SetPointLength)
  Q_PROPERTY(float InnerLength READ InnerLength WRITE SetInnerLength)
  Q_PROPERTY(float PointHeight READ PointHeight WRITE SetPointHeight)
public:
  explicit TGvArrowSettings(QObject* Owner = nullptr) : TGvLineSettings(Owner) {}

  float PointLength() const { return FPointLength; }
  void SetPointLength(float Value);
  float InnerLength() const { return FInnerLength; }
  void SetInnerLength(float Value);
  float PointHeight() const { return FPointHeight; }
  void SetPointHeight(float Value);

  void Assign(const TGvSimpleLineSettings& Source) override;

  // The line's pen with the head at its end.
  TGvPen GetArrowPen(const QRectF& View, double Angle = 0) const;

private:
  float FPointLength = 5;
  float FInnerLength = 3;
  float FPointHeight = 2;
};

// The arrow head at the end of an axis (pixels).
class TGvAxisArrowPoint : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(float PointLength READ PointLength WRITE SetPointLength)
  Q_PROPERTY(float InnerLength READ InnerLength WRITE SetInnerLength)
  Q_PROPERTY(float PointHeight READ PointHeight WRITE SetPointHeight)
public:
  explicit TGvAxisArrowPoint(QObject* Owner = nullptr) : TGvPersistent(Owner) {}

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  float PointLength() const { return FPointLength; }
  void SetPointLength(float Value);
  float InnerLength() const { return FInnerLength; }
  void SetInnerLength(float Value);
  float PointHeight() const { return FPointHeight; }
  void SetPointHeight(float Value);

  void Assign(const TGvAxisArrowPoint& Source);

private:
  bool FVisible = false;
  float FPointLength = 7;
  float FInnerLength = 5;
  float FPointHeight = 3;
};

// The head polygon (PointHeight, -PointLength), (0, 0), (-PointHeight,
// -PointLength), (0, -InnerLength), (PointHeight, -PointLength) with base
// inset InnerLength.
TGvArrowCap ArrowPointCap(double PointLength, double InnerLength, double PointHeight);
TGvArrowCap ArrowPointCap(const TGvArrowSettings& Settings);
TGvArrowCap ArrowPointCap(const TGvAxisArrowPoint& Settings);
