#include "chart/GvStyles.h"

#include "chart/GvDrawing.h"

#include <QPainter>
#include <cmath>

// ---- Pens -----------------------------------------------------------------

void ApplyDashStyle(QPen& Pen, TGvDashStyle Style)
{
  // Dash patterns in pen widths; with flat caps the dashes keep their length.
  switch (Style) {
  case TGvDashStyle::Dash:
    Pen.setDashPattern({3, 1});
    break;
  case TGvDashStyle::Dot:
    Pen.setDashPattern({1, 1});
    break;
  case TGvDashStyle::DashDot:
    Pen.setDashPattern({3, 1, 1, 1});
    break;
  case TGvDashStyle::DashDotDot:
    Pen.setDashPattern({3, 1, 1, 1, 1, 1});
    break;
  case TGvDashStyle::Solid:
  case TGvDashStyle::Custom:
  default:
    Pen.setStyle(Qt::SolidLine);
    break;
  }
}

double GvMiterLimit(double Limit)
{
  return std::isfinite(Limit) && Limit > 1 ? Limit : 1.0;
}

static double PenWidthOf(double Width)
{
  return std::isfinite(Width) && Width > 0 ? Width : 0.0;
}

TGvPen::TGvPen(TGvColor Color, double Width)
    : FPen(QBrush(GvQColor(Color)), PenWidthOf(Width), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin)
{
  FPen.setMiterLimit(GvMiterLimit(0));
}

TGvPen::TGvPen(const QPen& Pen) : FPen(Pen)
{
  FPen.setMiterLimit(GvMiterLimit(Pen.miterLimit()));
}

TGvColor TGvPen::Color() const
{
  return FPen.color().rgba();
}

void TGvPen::SetColor(TGvColor Color)
{
  FPen.setColor(GvQColor(Color));
}

void TGvPen::SetWidth(double Width)
{
  FPen.setWidthF(PenWidthOf(Width));
  // A dash pattern is kept in pen widths; setting it again keeps it so.
  ApplyDashStyle(FPen, FDashStyle);
}

void TGvPen::SetDashStyle(TGvDashStyle Style)
{
  FDashStyle = Style;
  ApplyDashStyle(FPen, Style);
}

void TGvPen::DrawLine(QPainter& Painter, const QPointF& From, const QPointF& To) const
{
  DrawArrowLine(Painter, FPen, From, To, FEndCap ? &*FEndCap : nullptr,
                FStartCap ? &*FStartCap : nullptr);
}

QPolygonF PlaceArrowCap(const TGvArrowCap& Cap, const QPointF& From, const QPointF& To)
{
  const double DX = To.x() - From.x(), DY = To.y() - From.y();
  const double Len = std::hypot(DX, DY);
  if (!(Len > 0) || !std::isfinite(Len)) return {};
  // u points out of the line at its end, n across it.
  const QPointF U(DX / Len, DY / Len), N(-U.y(), U.x());
  QPolygonF Placed;
  Placed.reserve(Cap.Path.size());
  for (const QPointF& C : Cap.Path) Placed << To + N * C.x() + U * C.y();
  return Placed;
}

// ---- Setters --------------------------------------------------------------

namespace {

// Compare, record the old value, store, tell the owner.
template <class T>
void SetProp(TGvPersistent& Self, T& Field, const T& Value, const char* Prop, const char* Comment)
{
  if (Field == Value) return;
  Self.RecordUndo(&Self, Prop, QString::fromUtf8(Comment));
  Field = Value;
  Self.Modified();
}

// Floats that are not finite are refused: the old value stays.
void SetProp(TGvPersistent& Self, float& Field, float Value, const char* Prop, const char* Comment)
{
  if (!std::isfinite(Value) || Field == Value) return;
  Self.RecordUndo(&Self, Prop, QString::fromUtf8(Comment));
  Field = Value;
  Self.Modified();
}

template <class T> bool Copy(T& Field, const T& Value)
{
  if (Field == Value) return false;
  Field = Value;
  return true;
}

TGvGradientSettings* NewGradient(TGvPersistent* Owner)
{
  auto* G = new TGvGradientSettings(Owner);
  QObject::connect(G, &TGvPersistent::Changed, Owner, [Owner] { Owner->Modified(); });
  return G;
}

} // namespace

// ---- TGvGradientSettings --------------------------------------------------

void TGvGradientSettings::SetVisible(bool Value)
{
  SetProp(*this, FVisible, Value, "Visible", "Gradient visible");
}
void TGvGradientSettings::SetStyle(TGvGradientStyle Value)
{
  SetProp(*this, FStyle, Value, "Style", "Gradient style");
}
void TGvGradientSettings::SetFirstColor(TGvColor Value)
{
  SetProp(*this, FFirstColor, Value, "FirstColor", "Gradient first color");
}
void TGvGradientSettings::SetMiddleColor(TGvColor Value)
{
  SetProp(*this, FMiddleColor, Value, "MiddleColor", "Gradient middle color");
}
void TGvGradientSettings::SetLastColor(TGvColor Value)
{
  SetProp(*this, FLastColor, Value, "LastColor", "Gradient last color");
}
void TGvGradientSettings::SetLinearAngle(float Value)
{
  SetProp(*this, FLinearAngle, Value, "LinearAngle", "Linear gradient angle");
}
void TGvGradientSettings::SetLinearCenter(float Value)
{
  SetProp(*this, FLinearCenter, Value, "LinearCenter", "Linear gradient center");
}
void TGvGradientSettings::SetRadialCenterX(float Value)
{
  SetProp(*this, FRadialCenterX, Value, "RadialCenterX", "X component of gradient center");
}
void TGvGradientSettings::SetRadialCenterY(float Value)
{
  SetProp(*this, FRadialCenterY, Value, "RadialCenterY", "Y component of gradient center");
}

void TGvGradientSettings::Assign(const TGvGradientSettings& Source)
{
  if (&Source == this) return;
  bool Changed = false;
  Changed |= Copy(FVisible, Source.FVisible);
  Changed |= Copy(FStyle, Source.FStyle);
  Changed |= Copy(FFirstColor, Source.FFirstColor);
  Changed |= Copy(FMiddleColor, Source.FMiddleColor);
  Changed |= Copy(FLastColor, Source.FLastColor);
  Changed |= Copy(FLinearAngle, Source.FLinearAngle);
  Changed |= Copy(FLinearCenter, Source.FLinearCenter);
  Changed |= Copy(FRadialCenterX, Source.FRadialCenterX);
  Changed |= Copy(FRadialCenterY, Source.FRadialCenterY);
  if (Changed) Modified();
}

QBrush TGvGradientSettings::GetBrush(const QRectF& View, double Angle) const
{
  const QPointF Center(FRadialCenterX, FRadialCenterY);
  switch (FStyle) {
  case TGvGradientStyle::Radial:
    return RadialBrush(View, Center, FFirstColor, FLastColor, FMiddleColor);
  case TGvGradientStyle::Elliptical:
    return EllipticalBrush(View, Center, FFirstColor, FLastColor, FMiddleColor);
  case TGvGradientStyle::Linear:
  default:
    return LinearBrush(View, FFirstColor, FMiddleColor, FLastColor, FLinearCenter,
                       double(FLinearAngle) + Angle);
  }
}

QBrush TGvGradientSettings::GetBrush(const QRect& View, double Angle) const
{
  return GetBrush(TRectToRectF(View), Angle);
}

// ---- TGvSimpleLineSettings, TGvLineSettings -------------------------------

TGvSimpleLineSettings::TGvSimpleLineSettings(QObject* Owner)
    : TGvPersistent(Owner), FGradient(NewGradient(this))
{
}

void TGvSimpleLineSettings::SetColor(TGvColor Value)
{
  SetProp(*this, FColor, Value, "Color", "Line color");
}
void TGvSimpleLineSettings::SetDashStyle(TGvDashStyle Value)
{
  SetProp(*this, FDashStyle, Value, "DashStyle", "Line dash style");
}
void TGvSimpleLineSettings::SetWidth(float Value)
{
  SetProp(*this, FWidth, Value, "Width", "Line width");
}
void TGvSimpleLineSettings::SetGradient(TGvGradientSettings* Value)
{
  if (Value) FGradient->Assign(*Value);
}

void TGvSimpleLineSettings::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvPersistent::SetUndoStack(Stack);
  FGradient->SetUndoStack(Stack);
}

void TGvSimpleLineSettings::Assign(const TGvSimpleLineSettings& Source)
{
  if (&Source == this) return;
  bool Changed = false;
  Changed |= Copy(FColor, Source.FColor);
  Changed |= Copy(FDashStyle, Source.FDashStyle);
  Changed |= Copy(FWidth, Source.FWidth);
  FGradient->Assign(*Source.FGradient);
  if (Changed) Modified();
}

QPen TGvSimpleLineSettings::GetPen(const QRectF& View, double Angle) const
{
  TGvPen Pen = GetGvPen(View, Angle);
  return Pen.Pen();
}

QPen TGvSimpleLineSettings::GetPen(const QRect& View, double Angle) const
{
  return GetPen(TRectToRectF(View), Angle);
}

TGvPen TGvSimpleLineSettings::GetGvPen(const QRectF& View, double Angle) const
{
  TGvPen Pen(FColor, FWidth);
  if (FGradient->Visible()) Pen.SetBrush(FGradient->GetBrush(View, Angle));
  Pen.SetDashStyle(FDashStyle);
  Pen.SetMiterLimit(0); // counts as 1
  return Pen;
}

void TGvLineSettings::SetVisible(bool Value)
{
  SetProp(*this, FVisible, Value, "Visible", "Line visible");
}

void TGvLineSettings::Assign(const TGvSimpleLineSettings& Source)
{
  if (&Source == this) return;
  if (const auto* Line = qobject_cast<const TGvLineSettings*>(&Source)) {
    if (Copy(FVisible, Line->FVisible)) Modified();
  }
  TGvSimpleLineSettings::Assign(Source);
}

// ---- TGvAreaSettings ------------------------------------------------------

TGvAreaSettings::TGvAreaSettings(QObject* Owner)
    : TGvPersistent(Owner), FGradient(NewGradient(this))
{
}

void TGvAreaSettings::SetVisible(bool Value)
{
  SetProp(*this, FVisible, Value, "Visible", "Filled area visible");
}
void TGvAreaSettings::SetForeColor(TGvColor Value)
{
  SetProp(*this, FForeColor, Value, "ForeColor", "Area fill foreground color");
}
void TGvAreaSettings::SetBackColor(TGvColor Value)
{
  SetProp(*this, FBackColor, Value, "BackColor", "Area fill background color");
}
void TGvAreaSettings::SetAreaStyle(TGvAreaStyle Value)
{
  // A stored number beyond the styles reads as a solid fill.
  if (int(Value) < 0 || int(Value) > int(TGvAreaStyle::Total)) Value = TGvAreaStyle::Total;
  SetProp(*this, FAreaStyle, Value, "AreaStyle", "Area fill style");
}
void TGvAreaSettings::SetGradient(TGvGradientSettings* Value)
{
  if (Value) FGradient->Assign(*Value);
}

void TGvAreaSettings::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvPersistent::SetUndoStack(Stack);
  FGradient->SetUndoStack(Stack);
}

void TGvAreaSettings::Assign(const TGvAreaSettings& Source)
{
  if (&Source == this) return;
  bool Changed = false;
  Changed |= Copy(FVisible, Source.FVisible);
  Changed |= Copy(FForeColor, Source.FForeColor);
  Changed |= Copy(FBackColor, Source.FBackColor);
  Changed |= Copy(FAreaStyle, Source.FAreaStyle);
  FGradient->Assign(*Source.FGradient);
  if (Changed) Modified();
}

QBrush TGvAreaSettings::GetBrush(const QRectF& View, TGvHatchBrushCache* Cache) const
{
  if (FGradient->Visible()) return FGradient->GetBrush(View);
  if (Cache) return Cache->Brush(FAreaStyle, FForeColor, FBackColor);
  return GetAreaBrush(FAreaStyle, FForeColor, FBackColor);
}

QBrush TGvAreaSettings::GetBrush(const QRect& View, TGvHatchBrushCache* Cache) const
{
  return GetBrush(TRectToRectF(View), Cache);
}

// ---- TGvPointSymbolSettings -----------------------------------------------

void TGvPointSymbolSettings::SetVisible(bool Value)
{
  SetProp(*this, FVisible, Value, "Visible", "Point symbol visible");
}
void TGvPointSymbolSettings::SetSize(float Value)
{
  SetProp(*this, FSize, Value, "Size", "Point symbol size");
}
void TGvPointSymbolSettings::SetBorderLineWidth(float Value)
{
  SetProp(*this, FBorderLineWidth, Value, "BorderLineWidth", "Point symbol borderline width");
}
void TGvPointSymbolSettings::SetBorderColor(TGvColor Value)
{
  SetProp(*this, FBorderColor, Value, "BorderColor", "Point symbol borderline color");
}
void TGvPointSymbolSettings::SetFillColor(TGvColor Value)
{
  SetProp(*this, FFillColor, Value, "FillColor", "Point symbol fill color");
}
void TGvPointSymbolSettings::SetPointSymbol(TGvPointSymbol Value)
{
  if (int(Value) < 0 || int(Value) >= GvPointSymbolCount) return;
  SetProp(*this, FPointSymbol, Value, "PointSymbol", "Point symbol selection");
}

void TGvPointSymbolSettings::Assign(const TGvPointSymbolSettings& Source)
{
  if (&Source == this) return;
  bool Changed = false;
  Changed |= Copy(FVisible, Source.FVisible);
  Changed |= Copy(FSize, Source.FSize);
  Changed |= Copy(FBorderLineWidth, Source.FBorderLineWidth);
  Changed |= Copy(FBorderColor, Source.FBorderColor);
  Changed |= Copy(FFillColor, Source.FFillColor);
  Changed |= Copy(FPointSymbol, Source.FPointSymbol);
  if (Changed) Modified();
}

QPen TGvPointSymbolSettings::GetPen() const
{
  return TGvPen(FBorderColor, FBorderLineWidth).Pen();
}

QBrush TGvPointSymbolSettings::GetBrush() const
{
  return QBrush(GvQColor(FFillColor));
}

void TGvPointSymbolSettings::Draw(QPainter& Painter, double X, double Y) const
{
  DrawPointSymbol(Painter, GetPen(), GetBrush(), FPointSymbol, FSize, X, Y);
}

// ---- Arrow heads ----------------------------------------------------------

void TGvArrowSettings::SetPointLength(float Value)
{
  SetProp(*this, FPointLength, Value, "PointLength", "Arrow tip point length");
}
void TGvArrowSettings::SetInnerLength(float Value)
{
  SetProp(*this, FInnerLength, Value, "InnerLength", "Arrow tip point inner length");
}
void TGvArrowSettings::SetPointHeight(float Value)
{
  SetProp(*this, FPointHeight, Value, "PointHeight", "Arrow tip point height");
}

void TGvArrowSettings::Assign(const TGvSimpleLineSettings& Source)
{
  if (&Source == this) return;
  if (const auto* Arrow = qobject_cast<const TGvArrowSettings*>(&Source)) {
    bool Changed = false;
    Changed |= Copy(FPointLength, Arrow->FPointLength);
    Changed |= Copy(FInnerLength, Arrow->FInnerLength);
    Changed |= Copy(FPointHeight, Arrow->FPointHeight);
    if (Changed) Modified();
  }
  TGvLineSettings::Assign(Source);
}

TGvPen TGvArrowSettings::GetArrowPen(const QRectF& View, double Angle) const
{
  TGvPen Pen = GetGvPen(View, Angle);
  Pen.SetEndCap(ArrowPointCap(*this));
  return Pen;
}

void TGvAxisArrowPoint::SetVisible(bool Value)
{
  SetProp(*this, FVisible, Value, "Visible", "Axis arrow visible");
}
void TGvAxisArrowPoint::SetPointLength(float Value)
{
  SetProp(*this, FPointLength, Value, "PointLength", "Axis arrow tip point length");
}
void TGvAxisArrowPoint::SetInnerLength(float Value)
{
  SetProp(*this, FInnerLength, Value, "InnerLength", "Axis arrow tip point inner length");
}
void TGvAxisArrowPoint::SetPointHeight(float Value)
{
  SetProp(*this, FPointHeight, Value, "PointHeight", "Axis arrow tip point height");
}

void TGvAxisArrowPoint::Assign(const TGvAxisArrowPoint& Source)
{
  if (&Source == this) return;
  bool Changed = false;
  Changed |= Copy(FVisible, Source.FVisible);
  Changed |= Copy(FPointLength, Source.FPointLength);
  Changed |= Copy(FInnerLength, Source.FInnerLength);
  Changed |= Copy(FPointHeight, Source.FPointHeight);
  if (Changed) Modified();
}

TGvArrowCap ArrowPointCap(double PointLength, double InnerLength, double PointHeight)
{
  const double L = GvClampCoord(PointLength), I = GvClampCoord(InnerLength),
               H = GvClampCoord(PointHeight);
  TGvArrowCap Cap;
  Cap.Path << QPointF(H, -L) << QPointF(0, 0) << QPointF(-H, -L) << QPointF(0, -I)
           << QPointF(H, -L);
  Cap.BaseInset = I;
  return Cap;
}

TGvArrowCap ArrowPointCap(const TGvArrowSettings& Settings)
{
  return ArrowPointCap(Settings.PointLength(), Settings.InnerLength(), Settings.PointHeight());
}

TGvArrowCap ArrowPointCap(const TGvAxisArrowPoint& Settings)
{
  return ArrowPointCap(Settings.PointLength(), Settings.InnerLength(), Settings.PointHeight());
}
