// A graphic control of the chart engine: a component with a place and a size
// inside its parent control (a graph) that paints itself onto any QPainter.
// It is no widget: the graph paints its graphic controls in its own order
// (axes between the series and their symbols, legends last), and a control
// standing alone paints onto whatever it is given.
//
// The owner (QObject parent) and the control it stands on may differ, as in
// saved forms where the form owns an axis that stands on a graph; the
// control on which a graphic control stands is kept by the class itself.
#pragma once

#include "chart/GvComponent.h"

#include <QRect>
#include <QString>

class QPainter;

namespace GvControlTypes {
Q_NAMESPACE

// The alignment of a caption along its control (stored in this order).
enum class TGvAlignment
{
  LeftJustify,
  RightJustify,
  Center
};
Q_ENUM_NS(TGvAlignment)

} // namespace GvControlTypes

using GvControlTypes::TGvAlignment;

class TGvGraphicControl : public TGvComponent
{
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)

public:
  explicit TGvGraphicControl(QObject* Owner = nullptr);
  ~TGvGraphicControl() override;

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  int Left() const { return FBounds.left(); }
  void SetLeft(int Value);
  int Top() const { return FBounds.top(); }
  void SetTop(int Value);
  int Width() const { return FBounds.width(); }
  void SetWidth(int Value);
  int Height() const { return FBounds.height(); }
  void SetHeight(int Value);
  // Sizes below 0 count as 0; positions and sizes are limited to
  // +-MaxCoordinate.
  static constexpr int MaxCoordinate = 32767;
  void SetBounds(int Left, int Top, int Width, int Height);
  QRect BoundsRect() const { return FBounds; }
  QString Hint() const { return FHint; }
  void SetHint(const QString& Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);

  // Paints the control in its own coordinates ((0, 0) is its top-left
  // corner).
  virtual void PaintGr(QPainter& Painter);
  // Paints the control at its place in its parent's coordinates (translated
  // by Left and Top), when it is visible.
  void PaintAt(QPainter& Painter);

protected:
  // After the bounds changed; Old are the bounds before.
  virtual void BoundsChanged(const QRect& Old);
  // The undo description of Visible.
  virtual QString VisibleComment() const;

private:
  bool FVisible = true;
  QRect FBounds{0, 0, 0, 0};
  QString FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
};
