// The drawing settings: defaults, recording setters, Assign, the nested
// gradient, pens and brushes, TGvPen and the arrow heads.
#include "chart/GvStyles.h"
#include "chart/GvDrawing.h"

#include "ChartTestSupport.h"
#include "RecordingUndoStack.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

QVariant Prop(const QObject& O, const char* Name)
{
  const int I = O.metaObject()->indexOfProperty(Name);
  EXPECT_GE(I, 0) << O.metaObject()->className() << "." << Name;
  return I >= 0 ? O.metaObject()->property(I).read(&O) : QVariant();
}

struct TDefault
{
  const char* Name;
  QVariant Value;
};

void ExpectDefaults(const QObject& O, std::initializer_list<TDefault> Defaults)
{
  for (const TDefault& D : Defaults) {
    const QVariant V = Prop(O, D.Name);
    if (D.Value.typeId() == QMetaType::Double)
      EXPECT_FLOAT_EQ(V.toFloat(), D.Value.toFloat())
          << O.metaObject()->className() << "." << D.Name;
    else if (D.Value.typeId() == QMetaType::UInt)
      EXPECT_EQ(V.toUInt(), D.Value.toUInt()) << O.metaObject()->className() << "." << D.Name;
    else
      EXPECT_EQ(V.toInt(), D.Value.toInt()) << O.metaObject()->className() << "." << D.Name;
  }
}

TEST(GvStyles, DefaultsUnderThePropertyNames)
{
  TGvGradientSettings G;
  ExpectDefaults(G, {{"Visible", false},
                     {"Style", int(TGvGradientStyle::Linear)},
                     {"FirstColor", 0xFFD3D3D3u},
                     {"MiddleColor", 0xFFB0B0B0u},
                     {"LastColor", 0xFF808080u},
                     {"LinearAngle", 0.0},
                     {"LinearCenter", 0.5},
                     {"RadialCenterX", 0.5},
                     {"RadialCenterY", 0.5}});
  TGvSimpleLineSettings S;
  ExpectDefaults(
      S, {{"Color", GvColors::Red}, {"DashStyle", int(TGvDashStyle::Solid)}, {"Width", 1.0}});
  EXPECT_EQ(Prop(S, "Gradient").value<TGvGradientSettings*>(), S.Gradient());
  TGvLineSettings L;
  ExpectDefaults(L, {{"Visible", true}, {"Color", GvColors::Red}, {"Width", 1.0}});
  TGvAreaSettings A;
  ExpectDefaults(A, {{"Visible", false},
                     {"ForeColor", GvColors::LightGray},
                     {"BackColor", GvColors::DarkGray},
                     {"AreaStyle", int(TGvAreaStyle::Total)}});
  EXPECT_TRUE(A.Solid());
  TGvPointSymbolSettings P;
  ExpectDefaults(P, {{"Visible", true},
                     {"Size", 11.0},
                     {"BorderLineWidth", 1.0},
                     {"BorderColor", GvColors::Blue},
                     {"FillColor", GvColors::Blue},
                     {"PointSymbol", int(TGvPointSymbol::Circle)}});
  TGvArrowSettings R;
  ExpectDefaults(
      R, {{"PointLength", 5.0}, {"InnerLength", 3.0}, {"PointHeight", 2.0}, {"Visible", true}});
  TGvAxisArrowPoint X;
  ExpectDefaults(
      X, {{"Visible", false}, {"PointLength", 7.0}, {"InnerLength", 5.0}, {"PointHeight", 3.0}});
  EXPECT_EQ(int(TGvAreaStyle::SolidDiamond), 52);
  EXPECT_EQ(int(TGvAreaStyle::Total), 53);
}

// One recorded change: the object, the property, a value that differs from
// the default, and the entry's description.
struct TSetterCase
{
  std::function<TGvPersistent*(QObject*)> Make;
  const char* PropName;
  QVariant Value;
  const char* Comment;
};

template <class T> std::function<TGvPersistent*(QObject*)> Maker()
{
  return [](QObject* Owner) { return new T(Owner); };
}

TEST(GvStyles, SettersCompareRecordStoreAndNotify)
{
  const TSetterCase Cases[] = {
      {Maker<TGvGradientSettings>(), "Visible", true, "Gradient visible"},
      {Maker<TGvGradientSettings>(), "Style", int(TGvGradientStyle::Radial), "Gradient style"},
      {Maker<TGvGradientSettings>(), "FirstColor", 1u, "Gradient first color"},
      {Maker<TGvGradientSettings>(), "MiddleColor", 1u, "Gradient middle color"},
      {Maker<TGvGradientSettings>(), "LastColor", 1u, "Gradient last color"},
      {Maker<TGvGradientSettings>(), "LinearAngle", 30.0f, "Linear gradient angle"},
      {Maker<TGvGradientSettings>(), "LinearCenter", 0.25f, "Linear gradient center"},
      {Maker<TGvGradientSettings>(), "RadialCenterX", 0.25f, "X component of gradient center"},
      {Maker<TGvGradientSettings>(), "RadialCenterY", 0.25f, "Y component of gradient center"},
      {Maker<TGvLineSettings>(), "Width", 2.5f, "Line width"},
      {Maker<TGvLineSettings>(), "DashStyle", int(TGvDashStyle::Dot), "Line dash style"},
      {Maker<TGvLineSettings>(), "Color", 1u, "Line color"},
      {Maker<TGvLineSettings>(), "Visible", false, "Line visible"},
      {Maker<TGvAreaSettings>(), "Visible", true, "Filled area visible"},
      {Maker<TGvAreaSettings>(), "AreaStyle", int(TGvAreaStyle::Cross), "Area fill style"},
      {Maker<TGvAreaSettings>(), "ForeColor", 1u, "Area fill foreground color"},
      {Maker<TGvAreaSettings>(), "BackColor", 1u, "Area fill background color"},
      {Maker<TGvPointSymbolSettings>(), "Visible", false, "Point symbol visible"},
      {Maker<TGvPointSymbolSettings>(), "BorderLineWidth", 3.0f, "Point symbol borderline width"},
      {Maker<TGvPointSymbolSettings>(), "Size", 7.0f, "Point symbol size"},
      {Maker<TGvPointSymbolSettings>(), "BorderColor", 1u, "Point symbol borderline color"},
      {Maker<TGvPointSymbolSettings>(), "FillColor", 1u, "Point symbol fill color"},
      {Maker<TGvPointSymbolSettings>(), "PointSymbol", int(TGvPointSymbol::Star),
       "Point symbol selection"},
      {Maker<TGvArrowSettings>(), "PointLength", 9.0f, "Arrow tip point length"},
      {Maker<TGvArrowSettings>(), "InnerLength", 9.0f, "Arrow tip point inner length"},
      {Maker<TGvArrowSettings>(), "PointHeight", 9.0f, "Arrow tip point height"},
      {Maker<TGvAxisArrowPoint>(), "PointLength", 9.0f, "Axis arrow tip point length"},
      {Maker<TGvAxisArrowPoint>(), "InnerLength", 9.0f, "Axis arrow tip point inner length"},
      {Maker<TGvAxisArrowPoint>(), "PointHeight", 9.0f, "Axis arrow tip point height"},
      {Maker<TGvAxisArrowPoint>(), "Visible", true, "Axis arrow visible"},
  };
  for (const TSetterCase& C : Cases) {
    QObject Owner;
    TRecordingUndoStack Stack;
    TGvPersistent* O = C.Make(&Owner);
    O->SetUndoStack(&Stack);
    QSignalSpy Changed(O, &TGvPersistent::Changed);
    const QMetaProperty P = O->metaObject()->property(O->metaObject()->indexOfProperty(C.PropName));
    ASSERT_TRUE(P.isValid()) << C.PropName;
    const QVariant Old = P.read(O);
    ASSERT_TRUE(P.write(O, C.Value)) << C.PropName;
    ASSERT_EQ(Stack.Entries.size(), 1u) << C.Comment;
    EXPECT_EQ(Stack.Entries[0].Instance, O);
    EXPECT_EQ(Stack.Entries[0].PropName, C.PropName);
    EXPECT_EQ(Stack.Entries[0].Comment, C.Comment);
    EXPECT_EQ(Changed.count(), 1) << C.Comment;
    EXPECT_NE(P.read(O), Old) << C.Comment;
    // The same value again: nothing recorded, nobody told.
    P.write(O, C.Value);
    EXPECT_EQ(Stack.Entries.size(), 1u) << C.Comment;
    EXPECT_EQ(Changed.count(), 1) << C.Comment;
    // While the stack replays, setters do not record.
    Stack.Restoring = true;
    P.write(O, Old);
    EXPECT_EQ(Stack.Entries.size(), 1u) << C.Comment;
    EXPECT_EQ(P.read(O), Old) << C.Comment;
  }
}

TEST(GvStyles, WithoutAStackSettersJustStore)
{
  TGvLineSettings L;
  L.SetWidth(3);
  EXPECT_FLOAT_EQ(L.Width(), 3);
  // Values that are not finite are refused.
  L.SetWidth(NAN);
  L.SetWidth(INFINITY);
  EXPECT_FLOAT_EQ(L.Width(), 3);
  TGvAreaSettings A;
  A.SetAreaStyle(TGvAreaStyle(200)); // a stored number beyond the styles
  EXPECT_EQ(A.AreaStyle(), TGvAreaStyle::Total);
}

TEST(GvStyles, NestedGradientTakesTheStackAndTellsTheOwner)
{
  TRecordingUndoStack Stack;
  TGvLineSettings Line;
  TGvAreaSettings Area;
  Line.SetUndoStack(&Stack);
  Area.SetUndoStack(&Stack);
  QSignalSpy LineChanged(&Line, &TGvPersistent::Changed);
  QSignalSpy AreaChanged(&Area, &TGvPersistent::Changed);
  Line.Gradient()->SetVisible(true);
  Area.Gradient()->SetLastColor(0xFF000000);
  ASSERT_EQ(Stack.Entries.size(), 2u);
  EXPECT_EQ(Stack.Entries[0].Instance, Line.Gradient());
  EXPECT_EQ(Stack.Entries[0].Comment, "Gradient visible");
  EXPECT_EQ(Stack.Entries[1].Instance, Area.Gradient());
  EXPECT_EQ(LineChanged.count(), 1);
  EXPECT_EQ(AreaChanged.count(), 1);
}

TEST(GvStyles, AssignCopiesEverythingWithTheGradient)
{
  TGvArrowSettings Source, Target;
  Source.SetColor(0xFF010203);
  Source.SetWidth(4);
  Source.SetDashStyle(TGvDashStyle::DashDot);
  Source.SetVisible(false);
  Source.SetPointLength(12);
  Source.Gradient()->SetVisible(true);
  Source.Gradient()->SetLinearAngle(45);
  QSignalSpy Changed(&Target, &TGvPersistent::Changed);
  TRecordingUndoStack Stack;
  Target.SetUndoStack(&Stack);
  Target.Assign(Source);
  EXPECT_EQ(Target.Color(), 0xFF010203u);
  EXPECT_FLOAT_EQ(Target.Width(), 4);
  EXPECT_EQ(Target.DashStyle(), TGvDashStyle::DashDot);
  EXPECT_FALSE(Target.Visible());
  EXPECT_FLOAT_EQ(Target.PointLength(), 12);
  EXPECT_TRUE(Target.Gradient()->Visible());
  EXPECT_FLOAT_EQ(Target.Gradient()->LinearAngle(), 45);
  EXPECT_GE(Changed.count(), 1);
  EXPECT_TRUE(Stack.Entries.empty()); // the caller records before it assigns
  // A plain line takes what it has of an arrow.
  TGvSimpleLineSettings Simple;
  Simple.Assign(Source);
  EXPECT_FLOAT_EQ(Simple.Width(), 4);
  // Nothing changes: nobody is told.
  const int Before = int(Changed.count());
  Target.Assign(Source);
  EXPECT_EQ(Changed.count(), Before);

  TGvAreaSettings A, B;
  A.SetAreaStyle(TGvAreaStyle::Weave);
  A.SetForeColor(1);
  A.Gradient()->SetStyle(TGvGradientStyle::Elliptical);
  B.Assign(A);
  EXPECT_EQ(B.AreaStyle(), TGvAreaStyle::Weave);
  EXPECT_EQ(B.ForeColor(), 1u);
  EXPECT_EQ(B.Gradient()->Style(), TGvGradientStyle::Elliptical);
  TGvPointSymbolSettings P, Q;
  P.SetPointSymbol(TGvPointSymbol::Nabla);
  P.SetSize(3);
  Q.Assign(P);
  EXPECT_EQ(Q.PointSymbol(), TGvPointSymbol::Nabla);
  EXPECT_FLOAT_EQ(Q.Size(), 3);
}

TEST(GvStyles, LinePenIsSolidOrAGradientAlongTheLine)
{
  TGvLineSettings L;
  L.SetColor(0xFF00FF00);
  L.SetWidth(2.5);
  L.SetDashStyle(TGvDashStyle::Dash);
  const QPen Pen = L.GetPen();
  EXPECT_EQ(Pen.color().rgba(), 0xFF00FF00u);
  EXPECT_DOUBLE_EQ(Pen.widthF(), 2.5);
  EXPECT_EQ(Pen.dashPattern(), (QList<qreal>{3, 1}));
  EXPECT_EQ(Pen.capStyle(), Qt::FlatCap);
  // The miter limit 0 of the pens counts as 1.
  EXPECT_DOUBLE_EQ(Pen.miterLimit(), 1.0);

  // A gradient line runs from the first colour to the last along the line's
  // bounding rectangle.
  L.SetDashStyle(TGvDashStyle::Solid);
  L.SetWidth(5);
  L.Gradient()->SetVisible(true);
  L.Gradient()->SetFirstColor(0xFFFF0000);
  L.Gradient()->SetMiddleColor(0xFF800080);
  L.Gradient()->SetLastColor(0xFF0000FF);
  QImage Image = GvTestImage(120, 20);
  {
    QPainter P(&Image);
    const QRectF Bounds(10, 10, 100, 0);
    P.setPen(L.GetPen(Bounds));
    P.drawLine(QPointF(10, 10), QPointF(110, 10));
  }
  const QColor Left = Image.pixelColor(12, 10), Right = Image.pixelColor(108, 10);
  EXPECT_GT(Left.red(), 200);
  EXPECT_LT(Left.blue(), 60);
  EXPECT_GT(Right.blue(), 200);
  EXPECT_LT(Right.red(), 60);
}

TEST(GvStyles, DashedLinesLeaveGapsInPenWidths)
{
  TGvLineSettings L;
  L.SetColor(0xFF000000);
  L.SetWidth(2);
  L.SetDashStyle(TGvDashStyle::Dash); // 3 on, 1 off: 6 and 2 pixels
  QImage Image = GvTestImage(40, 10);
  {
    QPainter P(&Image);
    P.setPen(L.GetPen());
    P.drawLine(QPointF(0, 5), QPointF(40, 5));
  }
  EXPECT_EQ(Image.pixelColor(1, 5), QColor(Qt::black));
  EXPECT_EQ(Image.pixelColor(5, 5), QColor(Qt::black));
  EXPECT_EQ(Image.pixelColor(6, 5), QColor(Qt::white));
  EXPECT_EQ(Image.pixelColor(7, 5), QColor(Qt::white));
  EXPECT_EQ(Image.pixelColor(8, 5), QColor(Qt::black));
}

TEST(GvStyles, PenAccessorsAndMiterLimit)
{
  TGvPen Pen(0xFF123456, 3);
  EXPECT_EQ(Pen.Color(), 0xFF123456u);
  EXPECT_DOUBLE_EQ(Pen.Width(), 3);
  Pen.SetDashStyle(TGvDashStyle::DashDotDot);
  EXPECT_EQ(Pen.DashStyle(), TGvDashStyle::DashDotDot);
  EXPECT_EQ(Pen.Pen().dashPattern(), (QList<qreal>{3, 1, 1, 1, 1, 1}));
  Pen.SetWidth(-2);
  EXPECT_DOUBLE_EQ(Pen.Width(), 0);
  for (auto [Limit, Expected] :
       {std::pair{0.0, 1.0}, {0.5, 1.0}, {-3.0, 1.0}, {double(NAN), 1.0}, {1.0, 1.0}, {4.0, 4.0}}) {
    Pen.SetMiterLimit(Limit);
    EXPECT_DOUBLE_EQ(Pen.MiterLimit(), Expected) << Limit;
  }
  EXPECT_DOUBLE_EQ(TGvPen(QPen(Qt::red)).MiterLimit(), 2.0); // Qt's default stays
  QPen Zero(Qt::red);
  Zero.setMiterLimit(0);
  EXPECT_DOUBLE_EQ(TGvPen(Zero).MiterLimit(), 1.0);
}

TEST(GvStyles, AreaBrushSolidHatchOrGradient)
{
  TGvAreaSettings A;
  A.SetForeColor(0xFF336699);
  const QRectF View(0, 0, 20, 20);
  QBrush B = A.GetBrush(View);
  EXPECT_EQ(B.style(), Qt::SolidPattern);
  EXPECT_EQ(B.color().rgba(), 0xFF336699u);
  QImage Image = GvTestImage(20, 20);
  {
    QPainter P(&Image);
    P.fillRect(View, B);
  }
  EXPECT_EQ(Image.pixel(10, 10), 0xFF336699u);

  A.SetAreaStyle(TGvAreaStyle::Cross);
  B = A.GetBrush(View);
  EXPECT_EQ(B.style(), Qt::TexturePattern);
  TGvHatchBrushCache Cache;
  EXPECT_EQ(A.GetBrush(View, &Cache).textureImage(), B.textureImage());

  A.Gradient()->SetVisible(true);
  EXPECT_EQ(A.GetBrush(View).style(), Qt::LinearGradientPattern);
  A.Gradient()->SetStyle(TGvGradientStyle::Radial);
  EXPECT_EQ(A.GetBrush(View).style(), Qt::RadialGradientPattern);
}

TEST(GvStyles, ArrowHeadPolygonAndPlacement)
{
  TGvArrowSettings S;
  const TGvArrowCap Cap = ArrowPointCap(S);
  const QPolygonF Expected{{2, -5}, {0, 0}, {-2, -5}, {0, -3}, {2, -5}};
  EXPECT_EQ(Cap.Path, Expected);
  EXPECT_DOUBLE_EQ(Cap.BaseInset, 3);
  // At the end of a line going right the tip is the end and the barbs lie
  // PointLength back, PointHeight to either side.
  const QPolygonF Placed = PlaceArrowCap(Cap, QPointF(0, 10), QPointF(20, 10));
  ASSERT_EQ(Placed.size(), 5);
  EXPECT_NEAR(Placed[1].x(), 20, 1e-9);
  EXPECT_NEAR(Placed[1].y(), 10, 1e-9);
  EXPECT_NEAR(Placed[0].x(), 15, 1e-9);
  EXPECT_NEAR(std::abs(Placed[0].y() - 10), 2, 1e-9);
  EXPECT_NEAR(Placed[2].x(), 15, 1e-9);
  EXPECT_NEAR(Placed[0].y() + Placed[2].y(), 20, 1e-9);
  EXPECT_NEAR(Placed[3].x(), 17, 1e-9);
  EXPECT_TRUE(PlaceArrowCap(Cap, QPointF(3, 3), QPointF(3, 3)).isEmpty());

  TGvAxisArrowPoint Axis;
  EXPECT_DOUBLE_EQ(ArrowPointCap(Axis).BaseInset, 5);

  // The arrow pen draws its head at the line's end.
  S.SetColor(0xFF000000);
  S.SetPointLength(10);
  S.SetPointHeight(5);
  S.SetInnerLength(6);
  const TGvPen Pen = S.GetArrowPen(QRectF());
  QImage Image = GvTestImage(60, 30);
  {
    QPainter P(&Image);
    Pen.DrawLine(P, QPointF(5, 15), QPointF(50, 15));
  }
  EXPECT_EQ(Image.pixelColor(43, 12), QColor(Qt::black)); // inside the head, off the line
  EXPECT_EQ(Image.pixelColor(43, 5), QColor(Qt::white));
  EXPECT_EQ(Image.pixelColor(20, 13), QColor(Qt::white)); // the line itself is thin
}

} // namespace
