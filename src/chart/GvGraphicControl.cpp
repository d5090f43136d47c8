#include "chart/GvGraphicControl.h"

#include <QPainter>
#include <algorithm>

TGvGraphicControl::TGvGraphicControl(QObject* Owner) : TGvComponent(Owner) {}

TGvGraphicControl::~TGvGraphicControl() = default;

void TGvGraphicControl::SetVisible(bool Value)
{
  if (FVisible == Value) return;
  RecordUndo(this, "Visible", VisibleComment());
  FVisible = Value;
  Modified();
}

void TGvGraphicControl::SetLeft(int Value)
{
  SetBounds(Value, Top(), Width(), Height());
}

void TGvGraphicControl::SetTop(int Value)
{
  SetBounds(Left(), Value, Width(), Height());
}

void TGvGraphicControl::SetWidth(int Value)
{
  SetBounds(Left(), Top(), Value, Height());
}

void TGvGraphicControl::SetHeight(int Value)
{
  SetBounds(Left(), Top(), Width(), Value);
}

void TGvGraphicControl::SetBounds(int Left, int Top, int Width, int Height)
{
  // Bounds from saved forms may be anything: no edge may overflow an int, and
  // no coordinate that reaches the painter is huge.
  const QRect New(std::clamp(Left, -MaxCoordinate, MaxCoordinate),
                  std::clamp(Top, -MaxCoordinate, MaxCoordinate),
                  std::clamp(Width, 0, MaxCoordinate), std::clamp(Height, 0, MaxCoordinate));
  if (New == FBounds) return;
  const QRect Old = FBounds;
  FBounds = New;
  BoundsChanged(Old);
}

void TGvGraphicControl::SetHint(const QString& Value)
{
  FHint = Value;
}

void TGvGraphicControl::SetShowHint(bool Value)
{
  FShowHint = Value;
}

void TGvGraphicControl::SetParentShowHint(bool Value)
{
  FParentShowHint = Value;
}

void TGvGraphicControl::PaintGr(QPainter&) {}

void TGvGraphicControl::PaintAt(QPainter& Painter)
{
  if (!FVisible) return;
  Painter.save();
  Painter.translate(Left(), Top());
  PaintGr(Painter);
  Painter.restore();
}

void TGvGraphicControl::BoundsChanged(const QRect&)
{
  Modified();
}

QString TGvGraphicControl::VisibleComment() const
{
  return QStringLiteral("Visible");
}
