// The saved forms of an axis (stream, XML, ini): round trips byte for byte,
// the range only with the data, bad forms refused without a change, links
// to other components, and undo over an axis, compared as rendered images.
#include "ChartTestSupport.h"

#include "chart/GvAxis.h"
#include "chart/GvIO.h"
#include "chart/GvUndoStack.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDomDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Axes under a holder owned by the application, so that references resolve.
class AxisForms : public ::testing::Test
{
protected:
  void SetUp() override { Holder.setObjectName(QStringLiteral("AxisFormsHolder")); }

  TGvAxis* NewAxis(const QString& Name)
  {
    auto* A = new TGvAxis(&Holder);
    A->setObjectName(Name);
    return A;
  }

  // Every setting away from its default.
  void Customise(TGvAxis& A)
  {
    A.SetPosition(TGvAxisPosition::Left);
    A.SetAutoSize(false);
    A.SetBounds(7, 9, 80, 310);
    A.SetHint(QStringLiteral("hint\nwith a break"));
    A.SetShowHint(true);
    A.SetParentShowHint(false);
    A.SetAxisThicknes(2.5f);
    A.SetMajorTickThicknes(1.5f);
    A.SetTickThicknes(0.75f);
    A.SetMajorTickLength(12);
    A.SetTickLength(4);
    A.SetForeColor(0xFF102030);
    A.SetMajorTickColor(GvColors::DarkRed);
    A.SetTickColor(0x80FFFFFF);
    A.SetCaption(QStringLiteral("Pressure \\+2\\+ @\\r [hPa]"));
    A.SetCaptionVisible(false);
    A.SetCaptionHorizontalOnVerticalAxis(true);
    A.SetCaptionAlignment(TGvAlignment::RightJustify);
    A.SetCaptionDistanceBefore(3.25f);
    A.SetCaptionDistanceAfter(1.5f);
    A.CaptionFont()->SetName(QStringLiteral("Courier New"));
    A.CaptionFont()->SetSize(11.5f);
    A.SetCaptionColor(0xFF336699);
    A.SetScaling(TGvAxisScaling::Log);
    A.SetLogToNormalScalingLevel(0.1 + 0.2);
    A.SetTicksPointToData(true);
    A.SetTwisted(true);
    A.SetNumbersVisible(false);
    A.SetNumbersColor(0xFF00AA00);
    A.SetRubricsAngle(-30);
    A.SetMovingSlitWidth(1.0 / 3);
    A.SetMovingSlitIncrement(1e-300);
    A.SetExtraDigits(2);
    A.SetMaxForExtraExponent(12345.678);
    A.SetMinForExtraExponent(2e-9);
    A.SetAutoTickParts(false);
    A.SetLabelPart(0.7);
    A.SetMajorTickPart(0.35);
    A.SetTickPart(0.07);
    A.Font()->SetStyle(TGvFontStyle::Italic);
    A.SetStartStop(0.001, 12345.678901234567);
    A.SetEndRounding(TGvAxisEndRounding::RndToMinor);
    A.SetStartEnd(TGvAxisEnd::Fixed);
    A.SetStopEnd(TGvAxisEnd::FirstSet);
    A.SetRubrics({QStringLiteral("one"), QStringLiteral("two\rlines"), QString()});
    A.SetShortMonthFormat(QStringLiteral("mmm"));
    A.SetLongMonthFormat(QStringLiteral("mmmm yyyy"));
    A.SetDayFormat(QStringLiteral("d.m."));
    A.SetDayAndHourFormat(QStringLiteral("d. hh"));
    A.SetMinuteFormat(QStringLiteral("hh:nn"));
    A.SetSecondFormat(QStringLiteral("nn:ss"));
    A.SetMilliSecondFormat(QStringLiteral("ss.zzz"));
    A.SetIsSlaveAxis(true);
    A.SetSlaveOffset(-5.5);
    A.SetSlaveSlope(1.25);
    A.ArrowPoint()->SetVisible(true);
    A.ArrowPoint()->SetPointLength(9);
    A.SetDistanceValuesAxis(2);
    A.SetDistanceAxisLabels(3);
    A.SetDistanceAxisExtraExponent(4);
    A.ZoomIn(1, 100);
    A.ZoomIn(2, 50);
    A.ZoomBack();
    A.SetLabelDistanceFactor(1.75f);
    A.ScaleData().LabelParts[1] = 0.25;
    A.ScaleData().MinorParts[2] = 0.01;
    A.SetMajorGridMode(TGvMajorGridMode::AtMajorTick);
    A.ScaleData().ValuesStart = 0.5;
    A.ScaleData().ValuesStop = 99.5;
  }

  static QByteArray Stream(const TGvAxis& A)
  {
    QBuffer B;
    B.open(QIODevice::WriteOnly);
    A.WriteTo(static_cast<QIODevice&>(B));
    return B.data();
  }
  static void ReadStream(TGvAxis& A, const QByteArray& Bytes, bool WithRange = true,
                         TGvReadContext* Context = nullptr)
  {
    QBuffer B;
    B.setData(Bytes);
    B.open(QIODevice::ReadOnly);
    TGvStreamReader R(B);
    A.ReadFrom(R, WithRange, Context);
  }
  static QByteArray Xml(const TGvAxis& A)
  {
    QDomDocument Doc;
    QDomElement Root = Doc.createElement(QStringLiteral("Root"));
    Doc.appendChild(Root);
    A.WriteTo(Root);
    return Doc.toByteArray();
  }
  static void ReadXml(TGvAxis& A, const QByteArray& Text, bool WithRange = true)
  {
    QDomDocument Doc;
    GvParseXml(Text, Doc);
    A.ReadFrom(Doc.documentElement().firstChildElement(), WithRange);
  }
  static QByteArray Ini(const TGvAxis& A)
  {
    TGvIniFile I;
    A.WriteTo(I, QStringLiteral("Axis"));
    return I.ToText();
  }
  static void ReadIni(TGvAxis& A, const QByteArray& Text, bool WithRange = true)
  {
    TGvIniFile I;
    I.FromText(Text);
    A.ReadFrom(I, QStringLiteral("Axis"), WithRange);
  }

  QObject Holder{QCoreApplication::instance()};
};

TEST_F(AxisForms, EveryFormRoundTripsByteForByte)
{
  TGvAxis* Master = NewAxis(QStringLiteral("Master1"));
  TGvAxis* A = NewAxis(QStringLiteral("YAxis1"));
  Customise(*A);
  A->SetMasterAxis(Master);
  const QByteArray S = Stream(*A), X = Xml(*A), I = Ini(*A);
  for (int Form = 0; Form < 3; ++Form) {
    TGvAxis* B = NewAxis(QStringLiteral("Fresh%1").arg(Form));
    if (Form == 0) ReadStream(*B, S);
    if (Form == 1) ReadXml(*B, X);
    if (Form == 2) ReadIni(*B, I);
    EXPECT_EQ(B->MasterAxis(), Master);
    EXPECT_EQ(B->Start(), 1); // the zoom stage shown
    EXPECT_EQ(B->Stop(), 100);
    EXPECT_EQ(B->ZoomStarts()->Value(0), 0.001);
    EXPECT_EQ(B->ZoomStops()->Value(0), 12345.678901234567);
    EXPECT_EQ(B->LogToNormalScalingLevel(), 0.1 + 0.2);
    EXPECT_EQ(B->ZoomBufferSize(), 3);
    EXPECT_EQ(B->CurrentZoomStage(), 1);
    EXPECT_EQ(B->Rubrics(), A->Rubrics());
    EXPECT_EQ(B->Caption(), A->Caption());
    EXPECT_EQ(B->CaptionFont()->Size(), 11.5f);
    EXPECT_EQ(B->Scale().LabelParts[1], 0.25);
    EXPECT_EQ(B->ValuesStop(), 99.5);
    B->setObjectName(QStringLiteral("YAxis1"));
    A->setObjectName(QStringLiteral("Old"));
    EXPECT_EQ(Stream(*B), S);
    EXPECT_EQ(Xml(*B), X);
    EXPECT_EQ(Ini(*B), I);
    A->setObjectName(QStringLiteral("YAxis1"));
    delete B;
  }
}

TEST_F(AxisForms, TheRangeComesOnlyWithTheData)
{
  TGvAxis* A = NewAxis(QStringLiteral("A1"));
  Customise(*A);
  const QByteArray S = Stream(*A), X = Xml(*A), I = Ini(*A);
  for (int Form = 0; Form < 3; ++Form) {
    TGvAxis B;
    B.SetStartStop(-1, 1);
    if (Form == 0) ReadStream(B, S, false);
    if (Form == 1) ReadXml(B, X, false);
    if (Form == 2) ReadIni(B, I, false);
    EXPECT_EQ(B.Start(), -1) << Form;
    EXPECT_EQ(B.Stop(), 1) << Form;
    EXPECT_EQ(B.ZoomBufferSize(), 0) << Form;
    EXPECT_EQ(B.Caption(), A->Caption()) << Form;
    EXPECT_EQ(B.Position(), TGvAxisPosition::Left) << Form;
  }
}

TEST_F(AxisForms, BadStreamsAreRefusedAndChangeNothing)
{
  TGvAxis* A = NewAxis(QStringLiteral("A1"));
  Customise(*A);
  const QByteArray S = Stream(*A);
  TGvAxis B;
  B.SetCaption(QStringLiteral("kept"));
  const QByteArray Before = Stream(B);
  for (int N = 0; N < S.size(); N += (N < 200 ? 1 : 7)) {
    EXPECT_THROW(ReadStream(B, S.left(N)), EGvReadError) << N;
    ASSERT_EQ(Stream(B), Before) << N;
  }
  // An enumeration out of range (the position byte), a count beyond the data
  // (the rubrics), an unknown extension at the end.
  const int PositionAt =
      4 + int(GetComponentRef(A).toUtf8().size()) + 1 + 4 + int(A->Hint().toUtf8().size()) + 1 + 1;
  for (auto [At, Byte] : {std::pair{PositionAt, char(4)}, std::pair{int(S.size()) - 1, char(1)}}) {
    QByteArray Bad = S;
    Bad[At] = Byte;
    EXPECT_THROW(ReadStream(B, Bad), EGvReadError) << At;
    EXPECT_EQ(Stream(B), Before);
  }
  const int RubricsAt = S.indexOf(QByteArray("\3\0\0\0\3\0\0\0one", 11));
  ASSERT_GT(RubricsAt, 0);
  QByteArray Huge = S;
  Huge.replace(RubricsAt, 4, QByteArray("\xff\xff\xff\x7f", 4));
  EXPECT_THROW(ReadStream(B, Huge), EGvReadError);
  EXPECT_EQ(Stream(B), Before);
}

TEST_F(AxisForms, AnOlderShorterStreamLeavesTheLaterSettings)
{
  TGvAxis* A = NewAxis(QStringLiteral("A1"));
  Customise(*A);
  const QByteArray S = Stream(*A);
  // The writer stopped before the extension groups: 1 + 4 + 72 + 1 + 1 + 1 + 16 + 1 bytes.
  const QByteArray Old = S.left(S.size() - (1 + 4 + 72 + 1 + 1 + 1 + 16 + 1)) + QByteArray(1, '\0');
  TGvAxis B;
  ReadStream(B, Old);
  EXPECT_EQ(B.Caption(), A->Caption());
  EXPECT_EQ(B.LabelDistanceFactor(), 1.0f);
  EXPECT_EQ(B.MajorGridMode(), TGvMajorGridMode::AtLabel);
  EXPECT_EQ(B.Scale().LabelParts[1], 0.5);
}

TEST_F(AxisForms, BadTextFormsAreRefusedAndChangeNothing)
{
  TGvAxis* A = NewAxis(QStringLiteral("A1"));
  Customise(*A);
  TGvAxis B;
  const QByteArray Before = Stream(B);
  QByteArray I = Ini(*A);
  I.replace("Rubrics.Count=3", "Rubrics.Count=2000000000");
  EXPECT_THROW(ReadIni(B, I), EGvReadError);
  I = Ini(*A);
  I.replace("Scaling=1", "Scaling=17");
  EXPECT_THROW(ReadIni(B, I), EGvReadError);
  QByteArray X = Xml(*A);
  X.replace("Count=\"3\"", "Count=\"4\"");
  EXPECT_THROW(ReadXml(B, X), EGvReadError);
  X = Xml(*A);
  X.replace(" Start=\"1\"", " Start=\"soon\"");
  EXPECT_THROW(ReadXml(B, X), EGvReadError);
  EXPECT_EQ(Stream(B), Before);
  TGvIniFile Empty;
  EXPECT_THROW(B.ReadFrom(Empty, QStringLiteral("Axis"), true), EGvReadError);
}

TEST_F(AxisForms, LinksAreTypeCheckedAndMayPointForward)
{
  TGvAxis* A = NewAxis(QStringLiteral("A1"));
  A->SetIsSlaveAxis(true);
  TGvAxis* Later = NewAxis(QStringLiteral("Later1"));
  A->SetMasterAxis(Later);
  const QByteArray S = Stream(*A);
  delete Later;

  // Names nothing: the link stays empty.
  TGvAxis* B = NewAxis(QStringLiteral("B1"));
  ReadStream(*B, S);
  EXPECT_EQ(B->MasterAxis(), nullptr);

  // Names a component of another kind: empty, and noted.
  auto* Vector = new TGvDoubleVector(&Holder);
  Vector->setObjectName(QStringLiteral("Later1"));
  TGvReadContext Context;
  ReadStream(*B, S, true, &Context);
  Context.Finish();
  EXPECT_EQ(B->MasterAxis(), nullptr);
  ASSERT_EQ(Context.Warnings().size(), 1);
  EXPECT_TRUE(Context.Warnings()[0].contains(QStringLiteral("TGvDoubleVector")));
  delete Vector;

  // Names an axis that is made after the reading: found once all exist.
  TGvReadContext Forward;
  ReadStream(*B, S, true, &Forward);
  EXPECT_EQ(B->MasterAxis(), nullptr);
  TGvAxis* Made = NewAxis(QStringLiteral("Later1"));
  Forward.Finish();
  EXPECT_EQ(B->MasterAxis(), Made);
  EXPECT_TRUE(Forward.Warnings().isEmpty());
}

TEST_F(AxisForms, ReadingRecordsNothingAndUndoRestoresTheImage)
{
  TGvUndoStack Stack;
  TGvAxis* A = NewAxis(QStringLiteral("A1"));
  A->SetBounds(0, 0, 400, 60);
  A->SetUndoStack(&Stack);
  auto Render = [A] {
    A->Calculate();
    QImage Image = GvTestImage(400, 60);
    QPainter P(&Image);
    A->PaintGr(P);
    P.end();
    return Image;
  };
  const QImage Before = Render();
  Stack.StartGroup(QStringLiteral("Restyle axis"));
  A->SetForeColor(GvColors::Red);
  A->SetAxisThicknes(3);
  A->SetTicksPointToData(true);
  A->SetCaption(QStringLiteral("Time [s]"));
  A->SetStop(5);
  A->SetStart(-5);
  A->ArrowPoint()->SetVisible(true);
  Stack.StopGroup();
  A->SetFont(A->CaptionFont()); // the label font as one group
  const QImage After = Render();
  ASSERT_NE(After, Before);
  EXPECT_EQ(Stack.UndoCount(), 2);
  Stack.Undo(1);
  EXPECT_EQ(Render(), Before);
  Stack.Redo(1);
  EXPECT_EQ(Render(), After);

  const int Count = Stack.UndoCount();
  TGvAxis Other;
  Other.SetCaption(QStringLiteral("other"));
  ReadStream(*A, Stream(Other));
  ReadXml(*A, Xml(Other));
  ReadIni(*A, Ini(Other));
  EXPECT_EQ(Stack.UndoCount(), Count);
  EXPECT_EQ(A->Caption(), QStringLiteral("other"));
}

TEST_F(AxisForms, FilesGoThroughASaveFile)
{
  QTemporaryDir Dir;
  TGvAxis* A = NewAxis(QStringLiteral("A1"));
  Customise(*A);
  const QString Name = Dir.filePath(QStringLiteral("axis.bin"));
  A->WriteTo(Name);
  TGvAxis B;
  B.ReadFrom(Name, true);
  EXPECT_EQ(B.Caption(), A->Caption());
  EXPECT_THROW(A->WriteTo(Dir.filePath(QStringLiteral("no/such/dir/axis.bin"))), EGvError);
  EXPECT_THROW(B.ReadFrom(Dir.filePath(QStringLiteral("missing.bin")), true), EGvReadError);
}

} // namespace
