// The saved forms of the series kinds with data of their own (bars, OHLC,
// candlesticks, bubbles, arrows) and of legends, inside a saved graph: a
// graph holding all of them written in each form, read into an empty form,
// written again (the same bytes) and painted (the same picture); cut and
// corrupted forms refused without a change; references of the wrong kind
// skipped; the items order list of a legend settled against the graph; and
// undo over bars and a legend.
#include "GraphFormsIO.h"
#include "chart/GvArrows.h"
#include "chart/GvBars.h"
#include "chart/GvBubbles.h"
#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvLegend.h"
#include "chart/GvOHLC.h"
#include "chart/GvSeries.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"

#include <QBuffer>
#include <QDomDocument>
#include <QPointer>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace {

using namespace GvFormsTest;

class KindsForms : public ::testing::Test
{
protected:
  void SetUp() override { NewForm(); }

  void NewForm()
  {
    Form.reset();
    Form = std::make_unique<QWidget>();
    Form->setObjectName(QStringLiteral("KindsForms1"));
    Form->resize(900, 640);
    Graph = new TGvGraph2D(Form.get());
    Graph->setObjectName(QStringLiteral("Graph1"));
    Graph->setGeometry(0, 0, 900, 640);
  }

  TGvAxis* NewAxis(const char* Name, TGvAxisPosition Position)
  {
    auto* A = new TGvAxis(Graph);
    A->setObjectName(QLatin1String(Name));
    A->SetPosition(Position);
    A->SetGraph(Graph);
    return A;
  }
  TGvDoubleVector* NewVector(const char* Name, std::vector<double> Values)
  {
    auto* V = new TGvDoubleVector(Form.get());
    V->setObjectName(QLatin1String(Name));
    V->AddRange(std::span<const double>(Values));
    return V;
  }
  template <class T>
  T* NewSeries(const char* Name, TGvAxis* X, TGvAxis* Y, TGvCustomDoubleVector* XData,
               TGvCustomDoubleVector* YData)
  {
    auto* S = new T(Form.get());
    S->setObjectName(QLatin1String(Name));
    S->SetCaption(QStringLiteral("Caption of ") + QLatin1String(Name));
    S->SetXData(XData);
    S->SetYData(YData);
    S->SetXAxis(X);
    S->SetYAxis(Y);
    return S;
  }
  template <class T> T* Find(const char* Name) const
  {
    return Form->findChild<T*>(QLatin1String(Name));
  }

  // Five bar series, one per label kind, shifted or stacked; OHLC bars and
  // candlesticks on axes of their own; bubbles and arrows; a docked legend
  // whose items order list names series saved after it (and one twice), and
  // a floating one.
  void Build(TGvBarsOverlayStyle Overlay)
  {
    TGvAxis* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
    TGvAxis* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
    TGvAxis* X2 = NewAxis("XAxis2", TGvAxisPosition::Top);
    TGvAxis* Y2 = NewAxis("YAxis2", TGvAxisPosition::Right);
    Graph->SetPrimaryXAxis(X);
    Graph->SetPrimaryYAxis(Y);

    TGvDoubleVector* Classes = NewVector("Classes1", {0, 1, 2, 3, 4, 5});
    const TGvLabelStyle Labels[5] = {TGvLabelStyle::Value, TGvLabelStyle::CaptionsList,
                                     TGvLabelStyle::Percent, TGvLabelStyle::CaptionAndValue,
                                     TGvLabelStyle::CaptionAndPercent};
    const TGvBarLabelPosition Places[5] = {
        TGvBarLabelPosition::OnTopOfBar, TGvBarLabelPosition::Centered, TGvBarLabelPosition::InTop,
        TGvBarLabelPosition::GoldenCut, TGvBarLabelPosition::ThreeFourth};
    for (int K = 0; K < 5; ++K) {
      std::vector<double> V;
      for (int I = 0; I < 5; ++I) V.push_back(1 + (I * 7 + K * 3) % 5);
      const QByteArray Name = "Bars" + QByteArray::number(K + 1);
      auto* B =
          NewSeries<TGvBars>(Name.constData(), X, Y, Classes,
                             NewVector(("BarValues" + QByteArray::number(K + 1)).constData(), V));
      B->SetLabelFrom(Labels[K]);
      B->SetLabelPosition(Places[K]);
      B->SetCaptions({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
      B->Area()->SetForeColor(0xFF000000u | (0x305080u + 0x281000u * unsigned(K)));
      if (K == 2) B->SetLabelFormat(QStringLiteral("0.0"));
      if (K == 3) B->SetLabelVertical(true);
      if (K == 4) B->SetLabelSize(14);
    }
    auto* First = Find<TGvBars>("Bars1");
    First->SetOverlayStyle(Overlay);
    First->SetClassesDistance(20);
    First->SetDepth3D(30);
    First->SetBarStyle(TGvBarStyle::Cuboid);
    First->Font()->SetName(QStringLiteral("Courier New"));
    First->SetLabelColor(GvColors::DarkRed);

    std::vector<double> T, Open, High, Low, Close;
    for (int I = 0; I < 12; ++I) {
      T.push_back(I);
      Open.push_back(10 + std::sin(I * 0.9) * 3);
      Close.push_back(10 + std::sin(I * 0.9 + 0.8) * 3);
      High.push_back(std::max(Open.back(), Close.back()) + 1 + (I % 3) * 0.5);
      Low.push_back(std::min(Open.back(), Close.back()) - 1 - (I % 2) * 0.5);
    }
    TGvDoubleVector* TV = NewVector("T1", T);
    auto* Ohlc = NewSeries<TGvOHLC>("OHLC1", X2, Y2, TV, NewVector("Close1", Close));
    Ohlc->SetOpenData(NewVector("Open1", Open));
    Ohlc->SetHighData(NewVector("High1", High));
    Ohlc->SetLowData(NewVector("Low1", Low));
    Ohlc->SetBarWidth(3);
    Ohlc->SetIndicatorLength(4);
    // The candles below the OHLC bars; they share the high values' shape.
    auto Down = [](std::vector<double> V) {
      for (double& E : V) E -= 6;
      return V;
    };
    auto* Candles =
        NewSeries<TGvCandleSticks>("Candles1", X2, Y2, TV, NewVector("Close2", Down(Close)));
    Candles->SetOpenData(NewVector("Open2", Down(Open)));
    Candles->SetHighData(NewVector("High2", Down(High)));
    Candles->SetLowData(NewVector("Low2", Down(Low)));
    Candles->SetBullColor(GvColors::Navy);
    Candles->SetShadowsSameColorAsFill(true);

    auto* Bubbles = NewSeries<TGvBubbles>("Bubbles1", X, Y, NewVector("BX1", {0.5, 2.5, 4.2}),
                                          NewVector("BY1", {6, 7.5, 6.5}));
    Bubbles->SetRadiusData(NewVector("Radius1", {0.4, -0.6, 0.3}));
    Bubbles->SetElliptical(true);
    Bubbles->Area()->SetVisible(true);
    Bubbles->Area()->SetForeColor(0x8000A000);
    auto* Arrows = NewSeries<TGvArrows>("Arrows1", X, Y, NewVector("AX1", {1, 2, 3}),
                                        NewVector("AY1", {8, 8.5, 8}));
    Arrows->SetDeltaX(NewVector("DX1", {0.5, -0.4, 0.7}));
    Arrows->SetDeltaY(NewVector("DY1", {-0.5, 0.6, 0.3}));
    Arrows->Arrow()->SetPointLength(9);
    Arrows->Arrow()->SetPointHeight(4);
    Arrows->Line()->SetWidth(2);
    // A forward reference: the arrows are saved after the bubbles.
    Bubbles->SetMergeLegendItemWith(Arrows);

    auto* Docked = new TGvLegend(Form.get());
    Docked->setObjectName(QStringLiteral("Legend1"));
    Docked->SetGraph(Graph);
    Docked->SetPosition(TGvLegendPosition::BottomCenterOfGraph);
    Docked->SetRows(2);
    Docked->SetCaption(QStringLiteral("Legend \\bcaption\\b"));
    Docked->SetCaptionVisible(true);
    Docked->SetBackColor(0xFFFFFFE0);
    Docked->SetCornerRounding(5);
    Docked->SetItemHeight(14);
    Docked->SetBorderRaised(true);
    Docked->SetItemsOrderList({GetComponentRef(Candles), GetComponentRef(Arrows)});
    auto* Floating = new TGvLegend(Form.get());
    Floating->setObjectName(QStringLiteral("Legend2"));
    Floating->SetGraph(Graph);
    Floating->SetBounds(120, 60, 10, 10);
    Floating->SetItemsOrder(TGvItemsOrder::ByColumn);
    Floating->SetColumns(2);
    Floating->SetDropShadow(true);
    Floating->SetLegendCaptionColorFrom(TGvLegendCaptionColorFrom::SeriesAreaForeColor);
    Floating->SetStartFreeFloatingMovingKeys(GvGraphTypes::ssLeft | GvGraphTypes::ssShift);
    Floating->Font()->SetSize(8);
    Floating->Frame()->SetWidth(2);
  }

  QImage Paint()
  {
    QImage I(Graph->size(), QImage::Format_ARGB32_Premultiplied);
    I.fill(Qt::white);
    Graph->PaintToImage(I);
    return I;
  }

  std::unique_ptr<QWidget> Form;
  TGvGraph2D* Graph = nullptr;
};

class KindsFormsEach : public KindsForms,
                       public ::testing::WithParamInterface<std::tuple<int, TGvBarsOverlayStyle>>
{
};

INSTANTIATE_TEST_SUITE_P(
    Forms, KindsFormsEach,
    ::testing::Combine(::testing::Values(Stream, Xml, Ini),
                       ::testing::Values(TGvBarsOverlayStyle::Shift, TGvBarsOverlayStyle::Stack)),
    [](const auto& Info) {
      return std::string(FormName(std::get<0>(Info.param))) +
             (std::get<1>(Info.param) == TGvBarsOverlayStyle::Shift ? "Shifted" : "Stacked");
    });

TEST_P(KindsFormsEach, ReadIntoAnEmptyFormWritesTheSameAndPaintsTheSame)
{
  const int F = std::get<0>(GetParam());
  Build(std::get<1>(GetParam()));
  Paint();
  const QImage Before = Paint();
  const QByteArray Saved = Save(*Graph, F);
  const qsizetype Vectors = Form->findChildren<TGvDoubleVector*>().size();
  // As after a restart: nothing of the chart is left but the saved form.
  NewForm();
  Load(*Graph, F, Saved);
  EXPECT_TRUE(Graph->ReadWarnings().isEmpty()) << Graph->ReadWarnings().join('\n').toStdString();
  EXPECT_EQ(Save(*Graph, F), Saved);
  if (F == Stream) {
    // The legend's stream form is the table's: the set item height, the
    // raised border and the drag keys travel in the XML and ini forms only.
    auto* Docked = Find<TGvLegend>("Legend1");
    auto* Floating = Find<TGvLegend>("Legend2");
    ASSERT_TRUE(Docked && Floating);
    EXPECT_EQ(Docked->ItemHeight(), 0);
    EXPECT_FALSE(Docked->BorderRaised());
    EXPECT_EQ(Floating->StartFreeFloatingMovingKeys(), GvGraphTypes::ssLeft);
    Docked->SetItemHeight(14);
    Docked->SetBorderRaised(true);
    Floating->SetStartFreeFloatingMovingKeys(GvGraphTypes::ssLeft | GvGraphTypes::ssShift);
  }
  EXPECT_EQ(Paint(), Before);
  // Painting lays the legends out again, from their restored settings.
  EXPECT_EQ(Save(*Graph, F), Saved);

  // Every vector came back once, with its values, and the links found.
  auto* Ohlc = Find<TGvOHLC>("OHLC1");
  auto* Candles = Find<TGvCandleSticks>("Candles1");
  auto* Bubbles = Find<TGvBubbles>("Bubbles1");
  auto* Arrows = Find<TGvArrows>("Arrows1");
  auto* Bars3 = Find<TGvBars>("Bars3");
  ASSERT_TRUE(Ohlc && Candles && Bubbles && Arrows && Bars3);
  EXPECT_EQ(Ohlc->HighData(), Find<TGvDoubleVector>("High1"));
  EXPECT_EQ(Candles->LowData(), Find<TGvDoubleVector>("Low2"));
  ASSERT_NE(Ohlc->OpenData(), nullptr);
  EXPECT_EQ(Ohlc->OpenData()->Count(), 12);
  EXPECT_EQ(Ohlc->IndicatorLength(), 4);
  EXPECT_EQ(Candles->BullColor(), GvColors::Navy);
  ASSERT_NE(Bubbles->RadiusData(), nullptr);
  EXPECT_EQ(Bubbles->RadiusData()->Value(1), -0.6);
  EXPECT_TRUE(Bubbles->Elliptical());
  EXPECT_EQ(Bubbles->MergeLegendItemWith(), Arrows);
  ASSERT_NE(Arrows->DeltaY(), nullptr);
  EXPECT_EQ(Arrows->DeltaY()->Value(1), 0.6);
  EXPECT_EQ(Arrows->Arrow()->PointLength(), 9);
  EXPECT_EQ(Bars3->XData(), Find<TGvDoubleVector>("Classes1"));
  EXPECT_EQ(Bars3->OverlayStyle(), std::get<1>(GetParam()));
  EXPECT_EQ(Bars3->LabelFormat(), QStringLiteral("0.0"));
  EXPECT_EQ(Bars3->Captions().size(), 3);
  EXPECT_EQ(Find<TGvBars>("Bars1")->Font()->Name(), QStringLiteral("Courier New"));
  EXPECT_EQ(Form->findChildren<TGvDoubleVector*>().size(), Vectors);

  auto* Docked = Find<TGvLegend>("Legend1");
  auto* Floating = Find<TGvLegend>("Legend2");
  ASSERT_TRUE(Docked && Floating);
  EXPECT_EQ(Docked->Graph(), Graph);
  EXPECT_EQ(Docked->Position(), TGvLegendPosition::BottomCenterOfGraph);
  EXPECT_EQ(Docked->ItemsOrderList(),
            QStringList({GetComponentRef(Candles), GetComponentRef(Arrows)}));
  EXPECT_EQ(Docked->Item(0), Candles);
  EXPECT_EQ(Docked->ItemHeight(), 14);
  EXPECT_TRUE(Docked->BorderRaised());
  EXPECT_EQ(Floating->Columns(), 2);
  EXPECT_EQ(Floating->StartFreeFloatingMovingKeys(), GvGraphTypes::ssLeft | GvGraphTypes::ssShift);
  EXPECT_EQ(Floating->LegendCaptionColorFrom(), TGvLegendCaptionColorFrom::SeriesAreaForeColor);
}

TEST_P(KindsFormsEach, ReadIntoTheSameGraphKeepsItsObjects)
{
  const int F = std::get<0>(GetParam());
  Build(std::get<1>(GetParam()));
  const QImage Before = Paint();
  const QByteArray Saved = Save(*Graph, F);
  const QStringList Objects = Tree(Form.get());
  QPointer<TGvLegend> Legend = Find<TGvLegend>("Legend1");
  QPointer<TGvBars> Bars = Find<TGvBars>("Bars2");
  Load(*Graph, F, Saved);
  EXPECT_EQ(Tree(Form.get()), Objects);
  EXPECT_EQ(Find<TGvLegend>("Legend1"), Legend.data());
  EXPECT_EQ(Find<TGvBars>("Bars2"), Bars.data());
  EXPECT_EQ(Save(*Graph, F), Saved);
  EXPECT_EQ(Paint(), Before);
}

// ---- Bad forms -------------------------------------------------------------------

TEST_F(KindsForms, CutGraphStreamsAreRefusedAndLeaveEverythingAsItWas)
{
  Build(TGvBarsOverlayStyle::Shift);
  Paint();
  const QByteArray Saved = Save(*Graph, Stream);
  const QStringList Objects = Tree(Form.get());
  for (qsizetype N = 0; N < Saved.size(); N += 97) {
    ASSERT_THROW(Load(*Graph, Stream, Saved.left(N)), EGvReadError) << N;
    ASSERT_EQ(Save(*Graph, Stream), Saved) << N;
    ASSERT_EQ(Tree(Form.get()), Objects) << N;
  }
}

// Each kind on its own: every cut of its stream form, and its text forms
// with a value outside its range, are refused and leave it as it was.
TEST_F(KindsForms, CutAndCorruptedFormsOfEachKindAreRefused)
{
  Build(TGvBarsOverlayStyle::Stack);
  Paint();
  struct TCase
  {
    const char* Name;
    const char* XmlFrom;
    const char* XmlTo;
    const char* IniFrom;
    const char* IniTo;
  };
  const TCase Cases[] = {
      {"Bars4", "Position=\"3\"", "Position=\"7\"", "Label.From=3", "Label.From=5"},
      {"OHLC1", "BarWidth=\"3\"", "BarWidth=\"wide\"", "BarWidth=3", "BarWidth=wide"},
      {"Candles1", "ShadowsSameColorAsFill=\"True\"", "ShadowsSameColorAsFill=\"maybe\"",
       "IndicatorLength", "IndicatorLength"},
      {"Bubbles1", "Elliptical=\"True\"", "Elliptical=\"maybe\"", "Elliptical=1", "Elliptical=x"},
      {"Arrows1", "PointLength=\"9\"", "PointLength=\"long\"", "Arrow.PointLength=9",
       "Arrow.PointLength=long"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    auto* S = Find<TGvSeries>(C.Name);
    ASSERT_NE(S, nullptr);
    const QByteArray Before = SaveOne(*S, Stream);
    for (qsizetype N = 0; N < Before.size(); N += 7) {
      ASSERT_THROW(LoadOne(*S, Stream, Before.left(N)), EGvReadError) << N;
      ASSERT_EQ(SaveOne(*S, Stream), Before) << N;
    }
    // An unknown extension where the kind's fields end.
    QByteArray Extension = Before;
    Extension[Extension.size() - 1] = 2;
    EXPECT_THROW(LoadOne(*S, Stream, Extension), EGvReadError);
    // The text forms: the value replaced must be there.
    QByteArray XmlForm = SaveOne(*S, Xml), IniForm = SaveOne(*S, Ini);
    ASSERT_TRUE(XmlForm.contains(C.XmlFrom)) << XmlForm.toStdString();
    XmlForm.replace(C.XmlFrom, C.XmlTo);
    EXPECT_THROW(LoadOne(*S, Xml, XmlForm), EGvReadError);
    if (QByteArray(C.IniFrom) != C.IniTo) {
      ASSERT_TRUE(IniForm.contains(C.IniFrom)) << IniForm.toStdString();
      IniForm.replace(C.IniFrom, C.IniTo);
      EXPECT_THROW(LoadOne(*S, Ini, IniForm), EGvReadError);
    }
    EXPECT_EQ(SaveOne(*S, Stream), Before);
    // And each form reads back to itself.
    for (int F : {Stream, Xml, Ini}) {
      const QByteArray Own = SaveOne(*S, F);
      LoadOne(*S, F, Own);
      EXPECT_EQ(SaveOne(*S, F), Own) << FormName(F);
    }
  }
}

TEST_F(KindsForms, CutAndCorruptedLegendFormsAreRefused)
{
  Build(TGvBarsOverlayStyle::Shift);
  Paint();
  auto* L = Find<TGvLegend>("Legend1");
  const QByteArray Before = SaveOne(*L, Stream);
  for (qsizetype N = 0; N < Before.size(); N += 5) {
    ASSERT_THROW(LoadOne(*L, Stream, Before.left(N)), EGvReadError) << N;
    ASSERT_EQ(SaveOne(*L, Stream), Before) << N;
  }
  QByteArray Extension = Before;
  Extension[Extension.size() - 1] = 1;
  EXPECT_THROW(LoadOne(*L, Stream, Extension), EGvReadError);
  const QByteArray XmlForm = SaveOne(*L, Xml), IniForm = SaveOne(*L, Ini);
  for (const auto& [From, To] :
       {std::pair<const char*, const char*>{"Position=\"0\"", "Position=\"11\""},
        {"ItemsOrder=\"1\"", "ItemsOrder=\"2\""},
        {"Count=\"2\"", "Count=\"3\""},
        {"Rows=\"2\"", "Rows=\"two\""}}) {
    QByteArray Bad = XmlForm;
    ASSERT_TRUE(Bad.contains(From)) << From;
    Bad.replace(From, To);
    EXPECT_THROW(LoadOne(*L, Xml, Bad), EGvReadError) << To;
  }
  for (const auto& [From, To] :
       {std::pair<const char*, const char*>{"Caption.Alignment=2", "Caption.Alignment=3"},
        {"ItemsOrderList.Count=2", "ItemsOrderList.Count=9999"},
        {"LegendCaptionColorFrom=0", "LegendCaptionColorFrom=-1"}}) {
    QByteArray Bad = IniForm;
    ASSERT_TRUE(Bad.contains(From)) << From;
    Bad.replace(From, To);
    EXPECT_THROW(LoadOne(*L, Ini, Bad), EGvReadError) << To;
  }
  EXPECT_EQ(SaveOne(*L, Stream), Before);
}

// The legend's stream ends as the table says, with 0 after the gradient; a
// stream with the group an earlier version wrote there (set item height,
// raised and lowered border, drag keys) reads, those values included.
TEST_F(KindsForms, LegendStreamsEndAfterTheGradient)
{
  Build(TGvBarsOverlayStyle::Shift);
  auto* L = Find<TGvLegend>("Legend1");
  const QByteArray Saved = SaveOne(*L, Stream);
  // The table's end: more = 1, DropShadow, the gradient block, 0.
  QByteArray Gradient;
  {
    QBuffer B(&Gradient);
    B.open(QIODevice::WriteOnly);
    TGvStreamWriter W(B);
    ToStream(W, *L->BackgroundGradient());
  }
  ASSERT_TRUE(Saved.endsWith(QByteArray(1, '\1') + char(L->DropShadow()) + Gradient +
                             QByteArray(1, '\0')));
  QByteArray Earlier = Saved.left(Saved.size() - 1) + QByteArray(1, '\1');
  {
    QBuffer B(&Earlier);
    B.open(QIODevice::Append);
    TGvStreamWriter W(B);
    W.WriteFloat32(33);
    W.WriteBool(false);
    W.WriteBool(true);
    W.WriteUInt16(uint16_t(GvGraphTypes::ssCtrl | GvGraphTypes::ssLeft));
    W.WriteByte(0);
  }
  L->SetRows(5);
  LoadOne(*L, Stream, Earlier);
  EXPECT_EQ(L->Rows(), 2);
  EXPECT_EQ(L->ItemHeight(), 33);
  EXPECT_FALSE(L->BorderRaised());
  EXPECT_TRUE(L->BorderLowered());
  EXPECT_EQ(L->StartFreeFloatingMovingKeys(), GvGraphTypes::ssCtrl | GvGraphTypes::ssLeft);
  // Read back from the table's form they keep their values.
  LoadOne(*L, Stream, Saved);
  EXPECT_EQ(L->ItemHeight(), 33);
  EXPECT_TRUE(L->BorderLowered());
}

// A saved legend whose name another object holds is made anew under a free
// name; the other object is neither freed nor changed.
TEST_F(KindsForms, ALegendNameHeldByAnotherObjectLeavesItAlone)
{
  Build(TGvBarsOverlayStyle::Shift);
  const QByteArray Saved = Save(*Graph, Xml);
  NewForm();
  auto* Holder = new TGvLineSeries(Form.get());
  Holder->setObjectName(QStringLiteral("Legend1"));
  Holder->SetCaption(QStringLiteral("holder"));
  QPointer<TGvLineSeries> Guard(Holder);
  Load(*Graph, Xml, Saved);
  ASSERT_TRUE(Guard);
  EXPECT_EQ(Holder->Caption(), QStringLiteral("holder"));
  EXPECT_EQ(Holder->Graph(), nullptr);
  const auto Legends = Form->findChildren<TGvLegend*>();
  ASSERT_EQ(Legends.size(), 2);
  for (TGvLegend* L : Legends) EXPECT_EQ(L->Graph(), Graph);
  EXPECT_TRUE(Graph->ReadWarnings().join('\n').contains(QStringLiteral("name is taken")));
  Paint();
}

// ---- Mends ------------------------------------------------------------------------

// A saved legend with 0 or fewer rows or columns reads as 1, as the setters
// store it.
TEST_F(KindsForms, SavedZeroRowsOrColumnsReadAsOne)
{
  Build(TGvBarsOverlayStyle::Shift);
  auto* L = Find<TGvLegend>("Legend1");
  QByteArray IniForm = SaveOne(*L, Ini), XmlForm = SaveOne(*L, Xml);
  IniForm.replace("Rows=2", "Rows=0").replace("Columns=1", "Columns=-3");
  LoadOne(*L, Ini, IniForm);
  EXPECT_EQ(L->Rows(), 1);
  EXPECT_EQ(L->Columns(), 1);
  L->SetRows(4);
  XmlForm.replace("Rows=\"2\"", "Rows=\"0\"");
  LoadOne(*L, Xml, XmlForm);
  EXPECT_EQ(L->Rows(), 1);
  // The stream: Rows and Columns follow the two bytes after the colours.
  QByteArray StreamForm = SaveOne(*L, Stream);
  const QByteArray Rows("\x01\x00\x00\x00\x01\x00\x00\x00", 8);
  const qsizetype At = StreamForm.indexOf(Rows);
  ASSERT_GT(At, 0);
  StreamForm.replace(At, 8, QByteArray(8, '\0'));
  L->SetColumns(3);
  LoadOne(*L, Stream, StreamForm);
  EXPECT_EQ(L->Rows(), 1);
  EXPECT_EQ(L->Columns(), 1);
  Paint();
}

// The items order list read with a graph keeps the series of the graph, each
// once, by their names now; a name of nothing, of a series of no graph or of
// an object that is no series is left out and noted. No item of a legend
// refers to a series the graph lost.
TEST_F(KindsForms, ItemsOrderListsAreSettledAgainstTheGraph)
{
  Build(TGvBarsOverlayStyle::Shift);
  auto* Outside = new TGvLineSeries(Form.get());
  Outside->setObjectName(QStringLiteral("Outside1"));
  auto* L = Find<TGvLegend>("Legend1");
  const QString Arrows = GetComponentRef(Find<TGvArrows>("Arrows1"));
  const QString Nothing = QStringLiteral("KindsForms1.Nothing1");
  L->SetItemsOrderList({Arrows, Nothing, GetComponentRef(Outside), Arrows,
                        GetComponentRef(Find<TGvAxis>("XAxis1"))});
  for (int F : {Stream, Xml, Ini}) {
    SCOPED_TRACE(FormName(F));
    const QByteArray Saved = Save(*Graph, F);
    Load(*Graph, F, Saved);
    EXPECT_EQ(L->ItemsOrderList(), QStringList({Arrows}));
    EXPECT_EQ(Graph->ReadWarnings().size(), 3) << Graph->ReadWarnings().join('\n').toStdString();
    EXPECT_TRUE(Graph->ReadWarnings().join('\n').contains(Nothing));
    L->SetItemsOrderList({Arrows, Nothing, GetComponentRef(Outside), Arrows,
                          GetComponentRef(Find<TGvAxis>("XAxis1"))});
  }
  // Named twice, listed once.
  Paint();
  int Times = 0;
  for (int I = 0; I < L->ItemCount(); ++I) Times += L->Item(I) == Find<TGvArrows>("Arrows1");
  EXPECT_EQ(Times, 1);

  // A series that the form does not hold leaves the graph and the legend.
  auto* Extra = NewSeries<TGvBubbles>("Extra1", Find<TGvAxis>("XAxis1"), Find<TGvAxis>("YAxis1"),
                                      Find<TGvDoubleVector>("BX1"), Find<TGvDoubleVector>("BY1"));
  Extra->SetRadiusData(Find<TGvDoubleVector>("Radius1"));
  L->SetItemsOrderList({GetComponentRef(Extra)});
  Paint();
  EXPECT_EQ(L->Item(0), Extra);
  Extra->SetXAxis(nullptr);
  const QByteArray Without = Save(*Graph, Stream);
  Extra->SetXAxis(Find<TGvAxis>("XAxis1"));
  Paint();
  Load(*Graph, Stream, Without);
  EXPECT_TRUE(L->ItemsOrderList().isEmpty());
  EXPECT_EQ(Extra->Graph(), nullptr);
  Paint();
  for (int I = 0; I < L->ItemCount(); ++I) EXPECT_NE(L->Item(I), Extra);
  delete Extra;
  Paint();
  for (int I = 0; I < L->ItemCount(); ++I) EXPECT_NE(L->Item(I), nullptr);
}

// A radius or delta must be a vector, a data source a data source, a graph a
// graph: anything else is noted and leaves the link empty; the object named
// is neither freed nor taken over.
TEST_F(KindsForms, ReferencesOfTheWrongKindAreSkipped)
{
  Build(TGvBarsOverlayStyle::Shift);
  const QString Axis = GetComponentRef(Find<TGvAxis>("XAxis1"));
  const QString Series = GetComponentRef(Find<TGvBars>("Bars1"));
  const QString Vector = GetComponentRef(Find<TGvDoubleVector>("T1"));
  QPointer<TGvAxis> AxisObject = Find<TGvAxis>("XAxis1");
  QPointer<TGvBars> SeriesObject = Find<TGvBars>("Bars1");
  const QStringList Objects = Tree(Form.get());
  QByteArray XmlForm = Save(*Graph, Xml);
  auto Replace = [&](const QString& From, const QString& To) {
    ASSERT_TRUE(XmlForm.contains(From.toUtf8())) << From.toStdString();
    XmlForm.replace(From.toUtf8(), To.toUtf8());
  };
  Replace(
      QStringLiteral("RadiusData=\"%1\"").arg(GetComponentRef(Find<TGvDoubleVector>("Radius1"))),
      QStringLiteral("RadiusData=\"%1\"").arg(Axis));
  Replace(QStringLiteral("DeltaX=\"%1\"").arg(GetComponentRef(Find<TGvDoubleVector>("DX1"))),
          QStringLiteral("DeltaX=\"%1\"").arg(Series));
  Replace(QStringLiteral("OpenData=\"%1\"").arg(GetComponentRef(Find<TGvDoubleVector>("Open1"))),
          QStringLiteral("OpenData=\"%1\"").arg(Axis));
  // The first legend's graph names a vector.
  const qsizetype At = XmlForm.indexOf("<TGvLegend");
  ASSERT_GT(At, 0);
  const QByteArray GraphAttr = "Graph=\"" + GetComponentRef(Graph).toUtf8() + "\"";
  XmlForm.replace(XmlForm.indexOf(GraphAttr, At), GraphAttr.size(),
                  "Graph=\"" + Vector.toUtf8() + "\"");
  Load(*Graph, Xml, XmlForm);
  const QString Warnings = Graph->ReadWarnings().join('\n');
  for (const QString& Named : {Axis, Series, Vector})
    EXPECT_TRUE(Warnings.contains(QStringLiteral("\"%1\" names a").arg(Named)))
        << Named.toStdString() << "\n"
        << Warnings.toStdString();
  EXPECT_TRUE(Warnings.contains(QStringLiteral("not a TGvGraph2D")));
  EXPECT_EQ(Find<TGvBubbles>("Bubbles1")->RadiusData(), nullptr);
  EXPECT_EQ(Find<TGvArrows>("Arrows1")->DeltaX(), nullptr);
  EXPECT_NE(Find<TGvArrows>("Arrows1")->DeltaY(), nullptr);
  EXPECT_EQ(Find<TGvOHLC>("OHLC1")->OpenData(), nullptr);
  // A legend read with the graph stays with the graph.
  EXPECT_EQ(Find<TGvLegend>("Legend1")->Graph(), Graph);
  EXPECT_TRUE(AxisObject && SeriesObject);
  EXPECT_EQ(AxisObject->Graph(), Graph);
  EXPECT_EQ(Tree(Form.get()), Objects);
  Paint();
}

// Bounds read from a form (an axis' or a legend's) may be anything: they are
// limited, so that no edge overflows (the chart_stream fuzz target found an
// axis stream with Left 1178861568 and Width 1953449811).
TEST_F(KindsForms, HugeBoundsFromAFormAreLimited)
{
  Build(TGvBarsOverlayStyle::Shift);
  auto* L = Find<TGvLegend>("Legend2");
  QByteArray IniForm = SaveOne(*L, Ini);
  ASSERT_TRUE(IniForm.contains("Left=120"));
  IniForm.replace("Left=120", "Left=2147483000");
  LoadOne(*L, Ini, IniForm);
  EXPECT_EQ(L->Left(), TGvGraphicControl::MaxCoordinate);
  Paint();
  for (TGvGraphicControl* C : {static_cast<TGvGraphicControl*>(L),
                               static_cast<TGvGraphicControl*>(Find<TGvAxis>("YAxis2"))}) {
    C->SetBounds(1178861568, -2147483647 - 1, 1953449811, 2147483647);
    EXPECT_EQ(C->Left(), TGvGraphicControl::MaxCoordinate);
    EXPECT_EQ(C->Top(), -TGvGraphicControl::MaxCoordinate);
    EXPECT_EQ(C->Width(), TGvGraphicControl::MaxCoordinate);
    EXPECT_EQ(C->BoundsRect().right(), 2 * TGvGraphicControl::MaxCoordinate - 1);
  }
}

// ---- Undo ---------------------------------------------------------------------------

TEST_F(KindsForms, UndoAndRedoOverBarsAndALegendGiveBackThePictures)
{
  TGvUndoStack Stack;
  Build(TGvBarsOverlayStyle::Shift);
  Graph->SetUndoStack(&Stack);
  const QImage Before = Paint();
  auto* Bars = Find<TGvBars>("Bars1");
  auto* Legend = Find<TGvLegend>("Legend1");
  Bars->SetBarStyle(TGvBarStyle::Cylinder);
  Bars->SetOverlayStyle(TGvBarsOverlayStyle::Stack);
  Bars->SetLabelPosition(TGvBarLabelPosition::OnBottom);
  Legend->SetRows(1);
  Legend->SetAutoSize(false);
  Legend->SetPosition(TGvLegendPosition::RightCenterOfGraph);
  Legend->SetCaption(QStringLiteral("Changed"));
  const QImage After = Paint();
  ASSERT_NE(After, Before);
  while (Stack.CanUndo()) Stack.Undo();
  EXPECT_EQ(Paint(), Before);
  EXPECT_EQ(Legend->Rows(), 2);
  EXPECT_TRUE(Legend->AutoSize());
  while (Stack.CanRedo()) Stack.Redo();
  EXPECT_EQ(Paint(), After);
  EXPECT_EQ(Find<TGvBars>("Bars5")->OverlayStyle(), TGvBarsOverlayStyle::Stack);
}

} // namespace
