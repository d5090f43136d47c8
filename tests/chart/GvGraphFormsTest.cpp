// The saved graph in its three forms: a graph with every axis kind and every
// series setting written, read into an empty form, written again (the same
// bytes) and painted (the same picture); bad files refused without a change;
// the objects a file may touch; links; and undo over a graph.
#include "GraphFormsIO.h"
#include "GraphFormsSupport.h"

#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvSeries.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDomDocument>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace GvFormsTest;

class GraphForms : public ::testing::Test
{
protected:
  void SetUp() override
  {
    TGvClassRegistry<TGvSeries>::Instance().Register<TSavedSineSeries>();
    AppVector = new TGvDoubleVector(QCoreApplication::instance());
    AppVector->setObjectName(QStringLiteral("GraphFormsAppY1"));
    AppVector->AddRange({1, 3, 2, 5, 4, 6});
    NewForm();
  }
  void TearDown() override
  {
    Form.reset();
    delete AppVector;
  }

  // An empty form with an empty graph of the same names.
  void NewForm()
  {
    Form.reset();
    Form = std::make_unique<QWidget>();
    Form->setObjectName(QStringLiteral("GraphForms1"));
    Form->resize(640, 480);
    Graph = new TGvGraph2D(Form.get());
    Graph->setObjectName(QStringLiteral("Graph1"));
    Graph->setGeometry(0, 0, 640, 480);
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

  // Every axis kind, every series kind and setting, and the graph's own.
  void Build()
  {
    // A slave saved before its master: a forward reference.
    TGvAxis* Slave = NewAxis("AxisSlave1", TGvAxisPosition::Right);
    TGvAxis* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
    TGvAxis* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
    TGvAxis* Log = NewAxis("YAxis2", TGvAxisPosition::Right);
    TGvAxis* Date = NewAxis("XAxis2", TGvAxisPosition::Top);
    TGvAxis* Rubrics = NewAxis("YAxis3", TGvAxisPosition::Left);
    TGvAxis* Seconds = NewAxis("XAxis3", TGvAxisPosition::Bottom);
    TGvAxis* LogEE = NewAxis("YAxis4", TGvAxisPosition::Right);
    Graph->SetPrimaryXAxis(X);
    Graph->SetPrimaryYAxis(Y);
    X->SetCaption(QStringLiteral("Time \\i t\\i [s]"));
    Y->SetCaption(QStringLiteral("Signal"));
    Y->SetTicksPointToData(true);
    Y->ArrowPoint()->SetVisible(true);
    Log->SetScaling(TGvAxisScaling::Log);
    Log->SetCaption(QStringLiteral("Log"));
    LogEE->SetScaling(TGvAxisScaling::LogEE);
    Date->SetScaling(TGvAxisScaling::DateTime);
    Date->SetDayFormat(QStringLiteral("d.m."));
    Rubrics->SetScaling(TGvAxisScaling::Rubrics);
    Rubrics->SetRubrics({QStringLiteral("low"), QStringLiteral("mid"), QStringLiteral("high")});
    Seconds->SetScaling(TGvAxisScaling::Seconds);
    Seconds->SetTwisted(true);
    Slave->SetIsSlaveAxis(true);
    Slave->SetMasterAxis(Y);
    Slave->SetSlaveSlope(1.8);
    Slave->SetSlaveOffset(32);

    std::vector<double> Xs, Ys, Ws, Ds;
    for (int I = 0; I < 20; ++I) {
      Xs.push_back(I * 0.5);
      Ys.push_back(2 + std::sin(I * 0.7) + 0.1 * I);
      Ws.push_back(1 + (I % 3));
      Ds.push_back(0.05 * (I % 5));
    }
    TGvDoubleVector* X1 = NewVector("X1", Xs);
    TGvDoubleVector* Y1 = NewVector("Y1", Ys);
    TGvDoubleVector* W1 = NewVector("W1", Ws);
    TGvDoubleVector* DX1 = NewVector("DX1", Ds);
    TGvDoubleVector* DY1 = NewVector("DY1", Ds);
    TGvDoubleVector* T1 = NewVector("T1", {45000, 45001.5, 45003, 45004, 45006, 45007});
    Y1->AddOutlier(3);

    auto* Line = NewSeries<TGvLineSeries>("Line1", X, Y, X1, Y1);
    Line->Line()->SetWidth(2);
    Line->Line()->SetDashStyle(TGvDashStyle::Dash);
    Line->Area()->SetVisible(true);
    Line->Area()->SetForeColor(0x8000FF00);
    Line->SetLayer(2);
    auto* Points = NewSeries<TGvPointSeries>("Points1", Seconds, Log, X1, Y1);
    Points->PointSymbol()->SetVisible(true);
    Points->PointSymbol()->SetPointSymbol(TGvPointSymbol::Diamond);
    Points->OutOfRangePointSymbol()->SetVisible(true);
    Points->SetOutliersVisible(true);
    Points->SetIncludeInLegend(false);
    Points->SetMergeLegendItemWith(Line);
    Points->SetLayer(0);
    auto* Errors = NewSeries<TGvPointWithErrorSeries>("Errors1", Date, Rubrics, T1, AppVector);
    Errors->SetDeltaXPlus(DX1);
    Errors->SetDeltaYMinus(DY1);
    Errors->ErrorIndicator()->SetColor(GvColors::DarkRed);
    Errors->PointSymbol()->SetVisible(true);
    Errors->SetLayer(1);
    auto* Sine = NewSeries<TSavedSineSeries>("Sine1", X, Y, X1, Y1);
    Sine->SetWeight(W1);
    Sine->SetAutoStart(false);
    Sine->SetCalculationStart(1.5);
    Sine->SetCoupleCalculationAndDisplay(false);
    Sine->SetDisplayAutoStop(false);
    Sine->SetDisplayStop(8.25);
    Sine->SetClipYValues(false);
    Sine->Line()->SetColor(GvColors::Navy);
    Sine->SetLayer(3);
    // Links to series saved later: resolved once all exist.
    Points->SetRangeFromFunction(Sine);
    Points->SetDrawBandTo(Line);
    (void)LogEE;

    Graph->SetBackColor(0xFFF0F0F0);
    Graph->SetDataAreaColor(GvColors::White);
    Graph->SetCaption(QStringLiteral("Saved \\bchart\\b"));
    Graph->SetCaptionVisible(true);
    Graph->SetCaptionAlignment(-1);
    Graph->SetCaptionDistanceBefore(4);
    Graph->CaptionFont()->SetSize(15);
    Graph->SetDistanceBorderAxisTop(6);
    Graph->SetDistanceBorderAxisRight(8);
    Graph->MajorGridHorizontal()->SetVisible(true);
    Graph->MinorGridVertical()->SetVisible(true);
    Graph->DataAreaFrame()->SetVisible(true);
    Graph->DataAreaGradient()->SetVisible(true);
    Graph->Zoom()->SetBufferType(TGvZoomBufferType::AsCircularBuffer);
    Graph->Zoom()->SetBackOnRightBottomLeftTopFrame(true);
    Graph->Zoom()->SetStartPanning(GvGraphTypes::ssCtrl | GvGraphTypes::ssLeft);
    Graph->setToolTip(QStringLiteral("a hint"));
    Graph->SetBorderStyle(TGvBorderStyle::Single);
  }

  QImage Paint()
  {
    QImage I(Graph->size(), QImage::Format_ARGB32_Premultiplied);
    I.fill(Qt::white);
    Graph->PaintToImage(I);
    return I;
  }

  template <class T> T* Find(const char* Name) const
  {
    return Form->findChild<T*>(QLatin1String(Name));
  }

  std::unique_ptr<QWidget> Form;
  TGvGraph2D* Graph = nullptr;
  TGvDoubleVector* AppVector = nullptr;
};

class GraphFormsEach : public GraphForms, public ::testing::WithParamInterface<int>
{
};

INSTANTIATE_TEST_SUITE_P(Forms, GraphFormsEach, ::testing::Values(Stream, Xml, Ini),
                         [](const auto& Info) {
                           return Info.param == Stream ? "Stream"
                                  : Info.param == Xml  ? "Xml"
                                                       : "Ini";
                         });

TEST_P(GraphFormsEach, ReadIntoAnEmptyFormWritesTheSameAndPaintsTheSame)
{
  Build();
  Paint();
  // Zoomed after the data came: the stages travel with the range.
  Find<TGvAxis>("XAxis1")->ZoomIn(1, 6);
  Find<TGvAxis>("XAxis1")->ZoomIn(2, 5);
  const QImage Before = Paint();
  const QByteArray Saved = Save(*Graph, GetParam());
  // As after a restart: nothing of the chart is left but the saved form.
  NewForm();
  Load(*Graph, GetParam(), Saved);
  EXPECT_EQ(Save(*Graph, GetParam()), Saved);
  EXPECT_TRUE(Graph->ReadWarnings().isEmpty()) << Graph->ReadWarnings().join('\n').toStdString();

  // Made with the saved names; the links found, forward ones too.
  auto* Points = Find<TGvPointSeries>("Points1");
  auto* Sine = Find<TSavedSineSeries>("Sine1");
  auto* Errors = Find<TGvPointWithErrorSeries>("Errors1");
  ASSERT_TRUE(Points && Sine && Errors);
  EXPECT_EQ(Points->RangeFromFunction(), Sine);
  EXPECT_EQ(Points->DrawBandTo(), Find<TGvLineSeries>("Line1"));
  EXPECT_EQ(Find<TGvAxis>("AxisSlave1")->MasterAxis(), Find<TGvAxis>("YAxis1"));
  // The weight and error-bar vectors came back with their values.
  ASSERT_NE(Sine->Weight(), nullptr);
  EXPECT_EQ(Sine->Weight()->Count(), 20);
  ASSERT_NE(Errors->DeltaXPlus(), nullptr);
  EXPECT_EQ(Errors->DeltaXPlus()->Value(4), 0.2);
  // A vector owned by the application is found again, not made anew.
  EXPECT_EQ(Errors->YData(), AppVector);
  EXPECT_EQ(Graph->PrimaryXAxis()->ZoomBufferSize(), 3);
  EXPECT_EQ(Graph->PrimaryXAxis()->Start(), 2);
  EXPECT_EQ(Graph->BorderStyle(), TGvBorderStyle::Single);

  EXPECT_EQ(Paint(), Before);
}

TEST_P(GraphFormsEach, ReadIntoTheSameGraphKeepsItsObjects)
{
  Build();
  Paint();
  const QByteArray Saved = Save(*Graph, GetParam());
  QPointer<TGvSeries> Line = Find<TGvLineSeries>("Line1");
  QPointer<TGvAxis> Log = Find<TGvAxis>("YAxis2");
  const QStringList Objects = Tree(Form.get());
  Load(*Graph, GetParam(), Saved);
  EXPECT_EQ(Save(*Graph, GetParam()), Saved);
  EXPECT_EQ(Find<TGvLineSeries>("Line1"), Line.data());
  EXPECT_EQ(Find<TGvAxis>("YAxis2"), Log.data());
  EXPECT_EQ(Tree(Form.get()), Objects);
}

TEST_P(GraphFormsEach, WithoutValuesTheDataAndTheRangesStay)
{
  Build();
  Paint();
  const QByteArray Saved = Save(*Graph, GetParam(), false);
  EXPECT_FALSE(Saved.contains("TGvDoubleVector"));
  auto* X = Find<TGvAxis>("XAxis1");
  const double Start = X->Start(), Stop = X->Stop();
  Find<TGvDoubleVector>("Y1")->SetValue(0, 42);
  X->ZoomIn(2, 3);
  Load(*Graph, GetParam(), Saved);
  EXPECT_EQ(Find<TGvDoubleVector>("Y1")->Value(0), 42);
  EXPECT_EQ(X->Start(), 2);
  EXPECT_EQ(X->Stop(), 3);
  (void)Start;
  (void)Stop;
}

// A graph laid out without the flag that says values are included: the
// vectors it holds (an XML "Vectors" child, a non-zero "Vectors.Count") are
// read all the same, with their values and the axes' ranges.
TEST_F(GraphForms, TextFormsWithoutTheValuesFlagReadTheirVectors)
{
  for (int Form : {Xml, Ini}) {
    SCOPED_TRACE(FormName(Form));
    NewForm();
    Build();
    Paint();
    Find<TGvAxis>("XAxis1")->ZoomIn(2, 5);
    const QImage Before = Paint();
    QByteArray Saved = Save(*Graph, Form);
    if (Form == Xml) {
      QDomDocument Doc;
      GvParseXml(Saved, Doc);
      QDomElement G = Doc.documentElement().firstChildElement();
      ASSERT_TRUE(G.hasAttribute("IncludeValues"));
      G.removeAttribute("IncludeValues");
      Saved = GvXmlText(Doc);
    } else {
      const qsizetype At = Saved.indexOf("\nIncludeValues=");
      ASSERT_GE(At, 0);
      Saved.remove(At, Saved.indexOf('\n', At + 1) - At);
    }
    ASSERT_FALSE(Saved.contains("IncludeValues"));
    NewForm();
    Load(*Graph, Form, Saved);
    EXPECT_TRUE(Graph->ReadWarnings().isEmpty()) << Graph->ReadWarnings().join('\n').toStdString();
    ASSERT_NE(Find<TGvDoubleVector>("X1"), nullptr);
    EXPECT_EQ(Find<TGvDoubleVector>("X1")->Count(), 20);
    EXPECT_EQ(Find<TGvLineSeries>("Line1")->YData(), Find<TGvDoubleVector>("Y1"));
    EXPECT_EQ(Graph->PrimaryXAxis()->Start(), 2);
    EXPECT_EQ(Paint(), Before);
  }
}

TEST_P(GraphFormsEach, ReadingRecordsNothingOnTheUndoStack)
{
  TGvUndoStack Stack;
  Build();
  Graph->SetUndoStack(&Stack);
  const QByteArray Saved = Save(*Graph, GetParam());
  Load(*Graph, GetParam(), Saved);
  EXPECT_EQ(Stack.UndoCount(), 0);
}

TEST_F(GraphForms, CutStreamsAreRefusedAndLeaveEverythingAsItWas)
{
  Build();
  Paint();
  const QByteArray Saved = Save(*Graph, Stream);
  const QStringList Objects = Tree(Form.get());
  for (qsizetype N = 0; N < Saved.size(); N += (N < 120 ? 1 : 61)) {
    EXPECT_THROW(Load(*Graph, Stream, Saved.left(N)), EGvReadError) << N;
    ASSERT_EQ(Save(*Graph, Stream), Saved) << N;
    ASSERT_EQ(Tree(Form.get()), Objects) << N;
    ASSERT_FALSE(Graph->IsLoading());
    ASSERT_FALSE(Graph->Updating());
  }
}

TEST_F(GraphForms, CorruptedStreamsAreRefused)
{
  Build();
  const QByteArray Saved = Save(*Graph, Stream);
  const QStringList Objects = Tree(Form.get());
  // An unknown class: the end of its data cannot be found.
  QByteArray Unknown = Saved;
  Unknown.replace("TGvPointSeries", "TGvPointSeriez");
  // A count of vectors far beyond the data.
  QByteArray Huge = Saved;
  const qsizetype CountAt = 4 + GetComponentRef(Graph).toUtf8().size() + 1;
  Huge.replace(CountAt, 4, QByteArray("\xff\xff\xff\x7f", 4));
  // An unknown extension at the very end.
  QByteArray Extension = Saved;
  Extension[Extension.size() - 1] = 1;
  for (const QByteArray& Bad : {Unknown, Huge, Extension}) {
    EXPECT_THROW(Load(*Graph, Stream, Bad), EGvReadError);
    EXPECT_EQ(Save(*Graph, Stream), Saved);
    EXPECT_EQ(Tree(Form.get()), Objects);
  }
}

TEST_F(GraphForms, OlderStreamsStopAfterTheGrids)
{
  Build();
  const QByteArray Saved = Save(*Graph, Stream);
  // Extensions: 1, two gradients, 1, BufferType, 1, CaptionVisible, 1, the
  // frame's line block, 1, one byte, 0.
  const int Tail = 1 + 2 * 31 + 1 + 1 + 1 + 1 + 1 + 43 + 1 + 1 + 1;
  NewForm();
  Load(*Graph, Stream, Saved.left(Saved.size() - Tail) + QByteArray(1, '\0'));
  EXPECT_TRUE(Graph->MajorGridHorizontal()->Visible());
  EXPECT_FALSE(Graph->CaptionVisible());
  EXPECT_FALSE(Graph->DataAreaFrame()->Visible());
  EXPECT_EQ(Graph->Zoom()->BufferType(), TGvZoomBufferType::AsStack);
}

TEST_F(GraphForms, BadTextFormsAreRefusedOrSkippedAsTheFormsSay)
{
  Build();
  const QByteArray Saved = Save(*Graph, Xml), SavedIni = Save(*Graph, Ini);
  const QByteArray Stream0 = Save(*Graph, Stream);
  const QStringList Objects = Tree(Form.get());
  // Refused: a count that differs from the elements, a value that is no
  // number, a section count beyond the file, deep nesting.
  QByteArray Count = Saved;
  Count.replace("<RelatedSeries Count=\"4\"", "<RelatedSeries Count=\"5\"");
  QByteArray Value = Saved;
  Value.replace("DistanceBorderAxisTop=\"6\"", "DistanceBorderAxisTop=\"six\"");
  for (const QByteArray& Bad : {Count, Value}) {
    EXPECT_THROW(Load(*Graph, Xml, Bad), EGvReadError);
    EXPECT_EQ(Save(*Graph, Stream), Stream0);
    EXPECT_EQ(Tree(Form.get()), Objects);
  }
  QByteArray Sections = SavedIni;
  Sections.replace("Axes.Count=8", "Axes.Count=2000000000");
  EXPECT_THROW(Load(*Graph, Ini, Sections), EGvReadError);
  QByteArray Deep = "<Chart>";
  for (int I = 0; I < 1000; ++I) Deep += "<TGvGraph2D>";
  EXPECT_THROW(Load(*Graph, Xml, Deep), EGvReadError);
  EXPECT_EQ(Save(*Graph, Stream), Stream0);

  // Skipped: a series of an unknown class, with a note; the rest is read.
  QByteArray Unknown = Saved;
  Unknown.replace("<TGvPointSeries ", "<TGvPointSeriez ");
  Unknown.replace("</TGvPointSeries>", "</TGvPointSeriez>");
  NewForm();
  Load(*Graph, Xml, Unknown);
  EXPECT_EQ(Find<TGvPointSeries>("Points1"), nullptr);
  EXPECT_NE(Find<TSavedSineSeries>("Sine1"), nullptr);
  EXPECT_EQ(Graph->RelatedSeries().size(), 3u);
  ASSERT_FALSE(Graph->ReadWarnings().isEmpty());
  EXPECT_TRUE(Graph->ReadWarnings().join('\n').contains(QStringLiteral("TGvPointSeriez")));
}

TEST_F(GraphForms, AFileFreesNothingButASeriesOfThisGraph)
{
  Build();
  // Another graph with a series of its own.
  auto* Other = new TGvGraph2D(Form.get());
  Other->setObjectName(QStringLiteral("Graph2"));
  Other->TestPrimaryAxis();
  auto* Foreign = new TGvPointSeries(Form.get());
  Foreign->setObjectName(QStringLiteral("Foreign1"));
  Foreign->SetXData(Find<TGvDoubleVector>("X1"));
  Foreign->SetXAxis(Other->PrimaryXAxis());
  Foreign->SetYAxis(Other->PrimaryYAxis());
  QPointer<TGvPointSeries> ForeignP(Foreign);
  QPointer<TGvDoubleVector> X1 = Find<TGvDoubleVector>("X1");
  QPointer<QWidget> FormP(Form.get());

  QByteArray I = Save(*Graph, Ini);
  // The series sections name a vector, another graph's series (of another
  // class) and the form itself.
  I.replace("Name=GraphForms1.Line1", "Name=GraphForms1.X1");
  I.replace("Name=GraphForms1.Points1", "Name=GraphForms1.Foreign1");
  I.replace("Name=GraphForms1.Errors1", "Name=GraphForms1");
  Load(*Graph, Ini, I);
  EXPECT_FALSE(X1.isNull());
  EXPECT_FALSE(ForeignP.isNull());
  EXPECT_FALSE(FormP.isNull());
  EXPECT_EQ(Foreign->Graph(), Other);
  EXPECT_EQ(Graph->RelatedSeries().size(), 4u);
  EXPECT_GE(Graph->ReadWarnings().size(), 2);

  // A series of this graph whose class differs is replaced.
  QPointer<TGvSeries> Sine = Find<TSavedSineSeries>("Sine1");
  QByteArray Replace = Save(*Graph, Ini);
  Replace.replace("Type=TSavedSineSeries", "Type=TGvLineSeries");
  Load(*Graph, Ini, Replace);
  EXPECT_TRUE(Sine.isNull());
  auto* Now = Form->findChild<TGvSeries*>(QStringLiteral("Sine1"));
  ASSERT_NE(Now, nullptr);
  EXPECT_STREQ(Now->metaObject()->className(), "TGvLineSeries");
}

TEST_F(GraphForms, EveryLinkIsTypeChecked)
{
  Build();
  QByteArray I = Save(*Graph, Ini);
  I.replace("XAxis=GraphForms1.Graph1.XAxis3", "XAxis=GraphForms1.X1");
  I.replace("DrawBandTo=GraphForms1.Line1", "DrawBandTo=GraphForms1.X1");
  I.replace("RangeFromFunction=GraphForms1.Sine1", "RangeFromFunction=GraphForms1.Line1");
  I.replace("MasterAxis=GraphForms1.Graph1.YAxis1", "MasterAxis=GraphForms1.W1");
  I.replace("PrimaryYAxis=GraphForms1.Graph1.YAxis1", "PrimaryYAxis=GraphForms1.Nowhere");
  NewForm();
  Load(*Graph, Ini, I);
  auto* Points = Find<TGvPointSeries>("Points1");
  ASSERT_NE(Points, nullptr);
  EXPECT_EQ(Points->XAxis(), nullptr);
  EXPECT_EQ(Points->DrawBandTo(), nullptr);
  EXPECT_EQ(Points->RangeFromFunction(), nullptr);
  EXPECT_EQ(Find<TGvAxis>("AxisSlave1")->MasterAxis(), nullptr);
  EXPECT_EQ(Graph->PrimaryYAxis(), nullptr);
  EXPECT_EQ(Graph->ReadWarnings().size(), 5) << Graph->ReadWarnings().join('\n').toStdString();
  Paint(); // what is left paints
}

TEST_F(GraphForms, ObjectsWithoutAReferenceAreNotSaved)
{
  Build();
  auto* Dotted = NewVector("a.b", {1, 2, 3});
  Find<TGvLineSeries>("Line1")->SetYData(Dotted);
  const QByteArray Saved = Save(*Graph, Xml);
  EXPECT_FALSE(Saved.contains("a.b"));
  NewForm();
  Load(*Graph, Xml, Saved);
  EXPECT_EQ(Find<TGvLineSeries>("Line1")->YData(), nullptr);
  for (TGvDoubleVector* V :
       Form->findChildren<TGvDoubleVector*>(QString(), Qt::FindDirectChildrenOnly))
    EXPECT_FALSE(V->objectName().isEmpty());
}

TEST_F(GraphForms, FilesGoThroughASaveFile)
{
  Build();
  Paint(); // reading calculates the series: so does the first paint
  QTemporaryDir Dir;
  const QString Name = Dir.filePath(QStringLiteral("chart.gvg"));
  Graph->WriteTo(Name, true);
  const QByteArray Saved = Save(*Graph, Xml);
  NewForm();
  Graph->ReadFrom(Name);
  EXPECT_EQ(Save(*Graph, Xml), Saved);
  EXPECT_THROW(Graph->WriteTo(Dir.filePath(QStringLiteral("no/dir/chart.gvg")), true), EGvError);
  EXPECT_THROW(Graph->ReadFrom(Dir.filePath(QStringLiteral("missing.gvg"))), EGvReadError);
}

TEST_F(GraphForms, ASeriesOnItsOwnRoundTripsAndRefusesCutForms)
{
  Build();
  Paint();
  auto* Errors = Find<TGvPointWithErrorSeries>("Errors1");
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  Errors->WriteTo(static_cast<QIODevice&>(B));
  const QByteArray Saved = B.data();
  auto Read = [](TGvSeries& S, const QByteArray& Bytes) {
    QBuffer In;
    In.setData(Bytes);
    In.open(QIODevice::ReadOnly);
    S.ReadFrom(static_cast<QIODevice&>(In));
  };
  auto Write = [](const TGvSeries& S) {
    QBuffer Out;
    Out.open(QIODevice::WriteOnly);
    S.WriteTo(static_cast<QIODevice&>(Out));
    return Out.data();
  };
  // Read into another series of the class: the same fields, its own name.
  auto* Copy = new TGvPointWithErrorSeries(Form.get());
  Copy->setObjectName(QStringLiteral("Errors1"));
  Errors->setObjectName(QStringLiteral("Old"));
  Read(*Copy, Saved);
  EXPECT_EQ(Write(*Copy), Saved);
  EXPECT_EQ(Copy->DeltaXPlus(), Find<TGvDoubleVector>("DX1"));
  EXPECT_EQ(Copy->ErrorIndicator()->Color(), GvColors::DarkRed);
  // Cut forms, and the form of another class, change nothing.
  TGvPointWithErrorSeries Fresh;
  const QByteArray Before = Write(Fresh);
  for (qsizetype N = 0; N < Saved.size(); N += 3) {
    EXPECT_THROW(Read(Fresh, Saved.left(N)), EGvReadError) << N;
    ASSERT_EQ(Write(Fresh), Before) << N;
  }
  TGvLineSeries Other;
  EXPECT_THROW(Read(Other, Saved), EGvReadError);
  // XML and ini of the series alone.
  QDomDocument Doc;
  QDomElement Root = Doc.createElement(QStringLiteral("Root"));
  Doc.appendChild(Root);
  Copy->WriteTo(Root);
  TGvPointWithErrorSeries FromXml;
  FromXml.ReadFrom(Root.firstChildElement());
  EXPECT_EQ(FromXml.ErrorIndicator()->Color(), GvColors::DarkRed);
  TGvIniFile Ini;
  Copy->WriteTo(Ini, QStringLiteral("S"));
  TGvPointWithErrorSeries FromIni;
  FromIni.ReadFrom(Ini, QStringLiteral("S"));
  EXPECT_EQ(FromIni.Caption(), Copy->Caption());
  EXPECT_THROW(Other.ReadFrom(Ini, QStringLiteral("S")), EGvReadError);
}

// ---- Undo over a graph --------------------------------------------------------------

TEST_F(GraphForms, UndoOverTheGraphsObjects)
{
  Build();
  TGvUndoStack Stack;
  Graph->SetUndoStack(&Stack);
  auto* Line = Find<TGvLineSeries>("Line1");
  auto* Sine = Find<TSavedSineSeries>("Sine1");
  auto* Y1 = Find<TGvDoubleVector>("Y1");
  Paint();

  // Captions: two changes, undone one by one, redone.
  Line->SetCaption(QStringLiteral("first"));
  Line->SetCaption(QStringLiteral("second"));
  Stack.Undo();
  EXPECT_EQ(Line->Caption(), QStringLiteral("first"));
  Stack.Undo();
  EXPECT_EQ(Line->Caption(), QStringLiteral("Caption of Line1"));
  Stack.Redo(1);
  EXPECT_EQ(Line->Caption(), QStringLiteral("second"));
  Stack.Undo(1);

  // Switching AutoStart on records the bound and the flag: one step.
  const int Count = Stack.UndoList().Count();
  Sine->SetAutoStart(true);
  EXPECT_EQ(Stack.UndoList().Count(), Count + 1);
  Stack.Undo();
  EXPECT_FALSE(Sine->AutoStart());
  EXPECT_EQ(Sine->CalculationStart(), 1.5);

  // The series' data as one step.
  const std::vector<double> Data(Y1->StoredValues().begin(), Y1->StoredValues().end());
  Graph->UndoPushSeriesVectors();
  Y1->SetValue(2, 9);
  Find<TGvDoubleVector>("W1")->Clear(true);
  Stack.Undo();
  EXPECT_EQ(std::vector<double>(Y1->StoredValues().begin(), Y1->StoredValues().end()), Data);
  EXPECT_EQ(Find<TGvDoubleVector>("W1")->Count(), 20);
  Stack.Redo();
  EXPECT_EQ(Y1->Value(2), 9);
  EXPECT_EQ(Find<TGvDoubleVector>("W1")->Count(), 0);
}

// On axes with fixed ends the picture follows from the settings and the data
// alone: after undoing everything it is the first one again, after redoing
// everything the last one.
TEST_F(GraphForms, UndoAndRedoGiveBackThePictures)
{
  TGvUndoStack Stack;
  TGvAxis* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
  TGvAxis* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
  for (TGvAxis* A : {X, Y}) {
    A->SetStartEnd(TGvAxisEnd::Fixed);
    A->SetStopEnd(TGvAxisEnd::Fixed);
    A->SetEndRounding(TGvAxisEndRounding::RndNothing);
    A->SetStartStop(0, 10);
  }
  Graph->SetPrimaryXAxis(X);
  Graph->SetPrimaryYAxis(Y);
  auto* Line = NewSeries<TGvPointSeries>("Line1", X, Y, NewVector("X1", {1, 3, 5, 7, 9}),
                                         NewVector("Y1", {2, 8, 3, 9, 4}));
  Graph->SetUndoStack(&Stack);
  const QImage Before = Paint();

  Line->Line()->SetColor(GvColors::Yellow);
  Line->Line()->SetWidth(3);
  Line->PointSymbol()->SetVisible(true);
  Y->SetForeColor(GvColors::Red);
  Y->SetCaption(QStringLiteral("Y \\+2\\+"));
  Y->CaptionFont()->PushToUndoStack(&Stack, QStringLiteral("Font"));
  Y->CaptionFont()->SetSize(20);
  Graph->SetBackColor(GvColors::LightGreen);
  Graph->MajorGridVertical()->SetVisible(true);
  Graph->UndoPushSeriesVectors();
  Find<TGvDoubleVector>("Y1")->SetValue(1, 1);
  const QImage After = Paint();
  ASSERT_NE(After, Before);
  while (Stack.CanUndo()) Stack.Undo();
  EXPECT_EQ(Paint(), Before);
  while (Stack.CanRedo()) Stack.Redo();
  EXPECT_EQ(Paint(), After);
  Stack.Undo(3);
  Stack.Redo(3);
  EXPECT_EQ(Paint(), After);
}

} // namespace
