// The saved forms of an axis: binary stream, XML element and ini section.
//
// Every form is read into a TAxisForm first (starting from the axis' current
// values, so that what a text form leaves out keeps them), checked whole, and
// only then applied through the setters with the axis in its loading state.
#include "chart/GvAxis.h"

#include "chart/GvIO.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <memory>

namespace {

using namespace GvForms;

constexpr int PositionCount = 4;
constexpr int ScalingCount = 6;
constexpr int AxisEndCount = 4;
constexpr int RoundingCount = 6;
constexpr int GridModeCount = 2;
constexpr int AlignmentCount = 3;

const char* const FormatKeys[7] = {"ShortMonth", "LongMonth", "Day",        "DayAndHour",
                                   "Minute",     "Second",    "MilliSecond"};

EGvReadError BadValue(const char* What, qint64 Value)
{
  return EGvReadError(QStringLiteral("Invalid %1 %2 in axis").arg(QLatin1String(What)).arg(Value));
}

int Checked(int Value, int Count, const char* What)
{
  if (Value < 0 || Value >= Count) throw BadValue(What, Value);
  return Value;
}

// A vector kept apart until the form is applied (the zoom stages).
struct TDetachedVector
{
  std::unique_ptr<TGvDoubleVector> Vector = std::make_unique<TGvDoubleVector>();

  // Its content through the exact stream form.
  QByteArray Bytes() const
  {
    QBuffer B;
    B.open(QIODevice::WriteOnly);
    TGvStreamWriter W(B);
    Vector->WriteTo(W);
    return B.data();
  }
  void CopyInto(TGvDoubleVector& Target) const
  {
    QBuffer B;
    B.setData(Bytes());
    B.open(QIODevice::ReadOnly);
    Target.ReadFrom(static_cast<QIODevice&>(B));
  }
  void CopyFrom(const TGvDoubleVector& Source)
  {
    QBuffer B;
    B.open(QIODevice::ReadWrite);
    TGvStreamWriter W(B);
    Source.WriteTo(W);
    B.seek(0);
    TGvStreamReader R(B);
    Vector->ReadFrom(R);
  }
};

// A font kept apart until the form is applied.
std::unique_ptr<TGvFont> DetachedFont(const TGvFont& Source)
{
  auto F = std::make_unique<TGvFont>();
  F->Assign(Source);
  return F;
}

struct TAxisForm
{
  bool Visible;
  QString Hint;
  bool ParentShowHint, ShowHint;
  int Position;
  int Top, Left;
  bool AutoSize;
  int Width, Height;
  float AxisThicknes, MajorTickThicknes, TickThicknes, MajorTickLength, TickLength;
  TGvColor ForeColor, MajorTickColor, TickColor;
  QString Caption;
  bool CaptionVisible, CaptionHorizontalOnVerticalAxis;
  int CaptionAlignment;
  TGvColor CaptionColor;
  float CaptionDistanceBefore, CaptionDistanceAfter;
  std::unique_ptr<TGvFont> CaptionFont;
  int Scaling;
  double LogToNormalScalingLevel;
  bool TicksPointToData, Twisted, NumbersVisible;
  TGvColor NumbersColor;
  float RubricsAngle;
  double MovingSlitWidth, MovingSlitIncrement;
  int ExtraDigits;
  double MaxForExtraExponent, MinForExtraExponent;
  bool AutoTickParts;
  double LabelPart, MajorTickPart, TickPart;
  std::unique_ptr<TGvFont> Font;
  double Start, Stop;
  int EndRounding, StartEnd, StopEnd;
  bool RubricsFromDatabase;
  QString DataSource, RubricsField;
  QStringList Rubrics;
  QString Formats[7];
  bool IsSlaveAxis;
  QString MasterAxis;
  double SlaveOffset, SlaveSlope;
  bool ArrowVisible;
  float ArrowPointLength, ArrowInnerLength, ArrowPointHeight;
  float DistanceValuesAxis, DistanceAxisLabels, DistanceAxisExtraExponent;
  bool Zoomed;
  TDetachedVector ZoomStarts, ZoomStops;
  int ZoomIdx;
  float LabelDistanceFactor;
  double Parts[9];
  int MajorGridMode;
  double ValuesStart, ValuesStop;

  explicit TAxisForm(const TGvAxis& A);
  void Check() const;
  void Apply(TGvAxis& A, bool WithRange, TGvReadContext* Context) const;

  void Read(TGvStreamReader& R);
  void Read(const QDomElement& E);
  void Read(const TGvIniFile& Ini, const QString& Section);
};

TAxisForm::TAxisForm(const TGvAxis& A)
    : Visible(A.Visible()), Hint(A.Hint()), ParentShowHint(A.ParentShowHint()),
      ShowHint(A.ShowHint()), Position(int(A.Position())), Top(A.Top()), Left(A.Left()),
      AutoSize(A.AutoSize()), Width(A.Width()), Height(A.Height()), AxisThicknes(A.AxisThicknes()),
      MajorTickThicknes(A.MajorTickThicknes()), TickThicknes(A.TickThicknes()),
      MajorTickLength(A.MajorTickLength()), TickLength(A.TickLength()), ForeColor(A.ForeColor()),
      MajorTickColor(A.MajorTickColor()), TickColor(A.TickColor()), Caption(A.Caption()),
      CaptionVisible(A.CaptionVisible()),
      CaptionHorizontalOnVerticalAxis(A.CaptionHorizontalOnVerticalAxis()),
      CaptionAlignment(int(A.CaptionAlignment())), CaptionColor(A.CaptionColor()),
      CaptionDistanceBefore(A.CaptionDistanceBefore()),
      CaptionDistanceAfter(A.CaptionDistanceAfter()), CaptionFont(DetachedFont(*A.CaptionFont())),
      Scaling(int(A.Scaling())), LogToNormalScalingLevel(A.LogToNormalScalingLevel()),
      TicksPointToData(A.TicksPointToData()), Twisted(A.Twisted()),
      NumbersVisible(A.NumbersVisible()), NumbersColor(A.NumbersColor()),
      RubricsAngle(A.RubricsAngle()), MovingSlitWidth(A.MovingSlitWidth()),
      MovingSlitIncrement(A.MovingSlitIncrement()), ExtraDigits(A.ExtraDigits()),
      MaxForExtraExponent(A.MaxForExtraExponent()), MinForExtraExponent(A.MinForExtraExponent()),
      AutoTickParts(A.AutoTickParts()), LabelPart(A.LabelPart()), MajorTickPart(A.MajorTickPart()),
      TickPart(A.TickPart()), Font(DetachedFont(*A.Font())), Start(A.Start()), Stop(A.Stop()),
      EndRounding(int(A.EndRounding())), StartEnd(int(A.StartEnd())), StopEnd(int(A.StopEnd())),
      RubricsFromDatabase(A.IsRubricsBound()), DataSource(RefOf(A.DataSource())),
      RubricsField(A.RubricsField()),
      Rubrics(A.Rubrics()), Formats{A.ShortMonthFormat(), A.LongMonthFormat(), A.DayFormat(),
                                    A.DayAndHourFormat(), A.MinuteFormat(),    A.SecondFormat(),
                                    A.MilliSecondFormat()},
      IsSlaveAxis(A.IsSlaveAxis()), MasterAxis(RefOf(A.MasterAxis())), SlaveOffset(A.SlaveOffset()),
      SlaveSlope(A.SlaveSlope()), ArrowVisible(A.ArrowPoint()->Visible()),
      ArrowPointLength(A.ArrowPoint()->PointLength()),
      ArrowInnerLength(A.ArrowPoint()->InnerLength()),
      ArrowPointHeight(A.ArrowPoint()->PointHeight()), DistanceValuesAxis(A.DistanceValuesAxis()),
      DistanceAxisLabels(A.DistanceAxisLabels()),
      DistanceAxisExtraExponent(A.DistanceAxisExtraExponent()), Zoomed(A.ZoomBufferSize() > 0),
      ZoomIdx(A.CurrentZoomStage()), LabelDistanceFactor(A.LabelDistanceFactor()),
      MajorGridMode(int(A.MajorGridMode())), ValuesStart(A.ValuesStart()),
      ValuesStop(A.ValuesStop())
{
  const TGvAxisScale& S = A.Scale();
  for (int I = 0; I < 3; ++I) {
    Parts[I] = S.LabelParts[I];
    Parts[3 + I] = S.MajorParts[I];
    Parts[6 + I] = S.MinorParts[I];
  }
  ZoomStarts.CopyFrom(*A.ZoomStarts());
  ZoomStops.CopyFrom(*A.ZoomStops());
  // An angle just below 360 degrees rounds to 360 as a float: that is 0.
  if (!(RubricsAngle < 360.0f)) RubricsAngle = 0;
}

void TAxisForm::Check() const
{
  Checked(Position, PositionCount, "position");
  Checked(CaptionAlignment, AlignmentCount, "caption alignment");
  Checked(Scaling, ScalingCount, "scaling");
  Checked(EndRounding, RoundingCount, "end rounding");
  Checked(StartEnd, AxisEndCount, "start end");
  Checked(StopEnd, AxisEndCount, "stop end");
  Checked(MajorGridMode, GridModeCount, "major grid mode");
  if (Zoomed && ZoomStarts.Vector->Count() != ZoomStops.Vector->Count())
    throw EGvReadError(QStringLiteral("Zoom stages of an axis do not pair up"));
}

void TAxisForm::Apply(TGvAxis& A, bool WithRange, TGvReadContext* Context) const
{
  A.SetVisible(Visible);
  A.SetHint(Hint);
  A.SetParentShowHint(ParentShowHint);
  A.SetShowHint(ShowHint);
  A.SetPosition(TGvAxisPosition(Position));
  A.SetAutoSize(AutoSize);
  A.SetBounds(Left, Top, Width, Height);
  A.SetAxisThicknes(AxisThicknes);
  A.SetMajorTickThicknes(MajorTickThicknes);
  A.SetTickThicknes(TickThicknes);
  A.SetMajorTickLength(MajorTickLength);
  A.SetTickLength(TickLength);
  A.SetForeColor(ForeColor);
  A.SetMajorTickColor(MajorTickColor);
  A.SetTickColor(TickColor);
  A.SetCaption(Caption);
  A.SetCaptionVisible(CaptionVisible);
  A.SetCaptionHorizontalOnVerticalAxis(CaptionHorizontalOnVerticalAxis);
  A.SetCaptionAlignment(TGvAlignment(CaptionAlignment));
  A.SetCaptionColor(CaptionColor);
  A.SetCaptionDistanceBefore(CaptionDistanceBefore);
  A.SetCaptionDistanceAfter(CaptionDistanceAfter);
  A.SetCaptionFont(CaptionFont.get());
  A.SetScaling(TGvAxisScaling(Scaling));
  A.SetLogToNormalScalingLevel(LogToNormalScalingLevel);
  A.SetTicksPointToData(TicksPointToData);
  A.SetTwisted(Twisted);
  A.SetNumbersVisible(NumbersVisible);
  A.SetNumbersColor(NumbersColor);
  A.SetRubricsAngle(RubricsAngle);
  A.SetMovingSlitWidth(MovingSlitWidth);
  A.SetMovingSlitIncrement(MovingSlitIncrement);
  A.SetExtraDigits(ExtraDigits);
  A.SetMaxForExtraExponent(MaxForExtraExponent);
  A.SetMinForExtraExponent(MinForExtraExponent);
  A.SetAutoTickParts(AutoTickParts);
  A.SetLabelPart(LabelPart);
  A.SetMajorTickPart(MajorTickPart);
  A.SetTickPart(TickPart);
  A.SetFont(Font.get());
  if (WithRange) {
    A.SetStart(Start);
    A.SetStop(Stop);
  }
  A.SetEndRounding(TGvAxisEndRounding(EndRounding));
  A.SetStartEnd(TGvAxisEnd(StartEnd));
  A.SetStopEnd(TGvAxisEnd(StopEnd));
  if (RubricsFromDatabase) {
    A.SetRubricsField(RubricsField);
    GvLinkRef<TGvDataSource>(Context, DataSource, &A, "Rubrics data source",
                             [P = QPointer<TGvAxis>(&A)](TGvDataSource* D) {
                               if (P) P->SetDataSource(D);
                             });
  } else {
    A.SetDataSource(nullptr);
    if (!A.IsRubricsBound()) A.SetRubrics(Rubrics);
  }
  A.SetShortMonthFormat(Formats[0]);
  A.SetLongMonthFormat(Formats[1]);
  A.SetDayFormat(Formats[2]);
  A.SetDayAndHourFormat(Formats[3]);
  A.SetMinuteFormat(Formats[4]);
  A.SetSecondFormat(Formats[5]);
  A.SetMilliSecondFormat(Formats[6]);
  A.SetIsSlaveAxis(IsSlaveAxis);
  GvLinkRef<TGvAxis>(Context, MasterAxis, &A, "Master axis",
                     [P = QPointer<TGvAxis>(&A)](TGvAxis* M) {
                       if (P) P->SetMasterAxis(M);
                     });
  A.SetSlaveOffset(SlaveOffset);
  A.SetSlaveSlope(SlaveSlope);
  A.ArrowPoint()->SetVisible(ArrowVisible);
  A.ArrowPoint()->SetPointLength(ArrowPointLength);
  A.ArrowPoint()->SetInnerLength(ArrowInnerLength);
  A.ArrowPoint()->SetPointHeight(ArrowPointHeight);
  A.SetDistanceValuesAxis(DistanceValuesAxis);
  A.SetDistanceAxisLabels(DistanceAxisLabels);
  A.SetDistanceAxisExtraExponent(DistanceAxisExtraExponent);
  if (WithRange) {
    if (Zoomed) {
      ZoomStarts.CopyInto(*A.ZoomStarts());
      ZoomStops.CopyInto(*A.ZoomStops());
      A.SetCurrentZoomStage(ZoomIdx);
    } else {
      A.ZoomClearBuffer();
    }
  }
  TGvAxisScale& S = A.ScaleData();
  if (std::isfinite(LabelDistanceFactor)) A.SetLabelDistanceFactor(LabelDistanceFactor);
  for (int I = 0; I < 3; ++I) {
    S.LabelParts[I] = Parts[I];
    S.MajorParts[I] = Parts[3 + I];
    S.MinorParts[I] = Parts[6 + I];
  }
  A.SetMajorGridMode(TGvMajorGridMode(MajorGridMode));
  if (WithRange) {
    S.ValuesStart = ValuesStart;
    S.ValuesStop = ValuesStop;
  }
  S.RedoRange = false;
  A.Modified();
}

// ---- Stream ----------------------------------------------------------------

void TAxisForm::Read(TGvStreamReader& R)
{
  R.ReadString(); // the reference: the reader found the axis by it
  Visible = R.ReadBool();
  Hint = R.ReadString();
  ParentShowHint = R.ReadBool();
  ShowHint = R.ReadBool();
  Position = R.ReadByte();
  Top = R.ReadInt32();
  Left = R.ReadInt32();
  AutoSize = R.ReadBool();
  Width = R.ReadInt32();
  Height = R.ReadInt32();
  AxisThicknes = R.ReadFloat32();
  MajorTickThicknes = R.ReadFloat32();
  TickThicknes = R.ReadFloat32();
  MajorTickLength = R.ReadFloat32();
  TickLength = R.ReadFloat32();
  ForeColor = R.ReadUInt32();
  MajorTickColor = R.ReadUInt32();
  TickColor = R.ReadUInt32();
  Caption = R.ReadString();
  CaptionVisible = R.ReadBool();
  CaptionHorizontalOnVerticalAxis = R.ReadBool();
  CaptionAlignment = R.ReadByte();
  CaptionColor = R.ReadUInt32();
  CaptionDistanceBefore = R.ReadFloat32();
  CaptionDistanceAfter = R.ReadFloat32();
  FromStream(R, *CaptionFont);
  Scaling = R.ReadByte();
  LogToNormalScalingLevel = R.ReadFloat64();
  TicksPointToData = R.ReadBool();
  Twisted = R.ReadBool();
  NumbersVisible = R.ReadBool();
  NumbersColor = R.ReadUInt32();
  RubricsAngle = R.ReadFloat32();
  MovingSlitWidth = R.ReadFloat64();
  MovingSlitIncrement = R.ReadFloat64();
  ExtraDigits = R.ReadInt32();
  MaxForExtraExponent = R.ReadFloat64();
  MinForExtraExponent = R.ReadFloat64();
  AutoTickParts = R.ReadBool();
  LabelPart = R.ReadFloat64();
  MajorTickPart = R.ReadFloat64();
  TickPart = R.ReadFloat64();
  FromStream(R, *Font);
  Start = R.ReadFloat64();
  Stop = R.ReadFloat64();
  EndRounding = R.ReadByte();
  StartEnd = R.ReadByte();
  StopEnd = R.ReadByte();
  RubricsFromDatabase = R.ReadBool();
  if (RubricsFromDatabase) {
    DataSource = R.ReadString();
    RubricsField = R.ReadString();
  } else {
    const int32_t N = R.ReadCount(4);
    Rubrics.clear();
    for (int32_t I = 0; I < N; ++I) Rubrics << R.ReadString();
  }
  for (QString& F : Formats) F = R.ReadString();
  IsSlaveAxis = R.ReadBool();
  MasterAxis = R.ReadString();
  SlaveOffset = R.ReadFloat64();
  SlaveSlope = R.ReadFloat64();
  ArrowVisible = R.ReadBool();
  ArrowPointLength = R.ReadFloat32();
  ArrowInnerLength = R.ReadFloat32();
  ArrowPointHeight = R.ReadFloat32();
  DistanceValuesAxis = R.ReadFloat32();
  DistanceAxisLabels = R.ReadFloat32();
  DistanceAxisExtraExponent = R.ReadFloat32();
  Zoomed = R.ReadBool();
  if (Zoomed) {
    ZoomStarts.Vector->ReadFrom(R);
    ZoomStops.Vector->ReadFrom(R);
    ZoomIdx = R.ReadInt32();
  }
  // The extension groups, each announced by a byte 1.
  if (R.ReadByte() == 0) return;
  LabelDistanceFactor = R.ReadFloat32();
  for (double& P : Parts) P = R.ReadFloat64();
  if (R.ReadByte() == 0) return;
  MajorGridMode = R.ReadByte();
  if (R.ReadByte() == 0) return;
  ValuesStart = R.ReadFloat64();
  ValuesStop = R.ReadFloat64();
  const uint8_t End = R.ReadByte();
  if (End != 0) throw EGvReadError(QStringLiteral("Unknown extension %1 in axis").arg(End));
}

// ---- XML -------------------------------------------------------------------

void ReadVectorNode(const QDomElement& Parent, const char* Name, TGvDoubleVector& V)
{
  const QDomElement E = Parent.firstChildElement(QLatin1String(Name));
  if (E.isNull()) return;
  const QDomElement VE = E.firstChildElement(QStringLiteral("TGvDoubleVector"));
  if (VE.isNull()) throw EGvReadError(QStringLiteral("Zoom stages without a vector"));
  V.ReadFrom(VE);
}

void TAxisForm::Read(const QDomElement& Node)
{
  QDomElement E = Node.firstChildElement(QStringLiteral("Properties"));
  XmlRead(E, Str("Visible"), Visible);
  XmlRead(E, Str("Position"), Position);
  XmlRead(E, Str("Top"), Top);
  XmlRead(E, Str("Left"), Left);
  XmlRead(E, Str("AutoSize"), AutoSize);
  XmlRead(E, Str("Width"), Width);
  XmlRead(E, Str("Height"), Height);
  XmlRead(E, Str("Hint"), Hint);
  XmlRead(E, Str("ParentShowHint"), ParentShowHint);
  XmlRead(E, Str("ShowHint"), ShowHint);
  XmlRead(E, Str("AxisThicknes"), AxisThicknes);
  XmlRead(E, Str("MajorTickThicknes"), MajorTickThicknes);
  XmlRead(E, Str("TickThicknes"), TickThicknes);
  XmlRead(E, Str("MajorTickLength"), MajorTickLength);
  XmlRead(E, Str("TickLength"), TickLength);
  XmlReadColor(E, Str("AxisColor"), ForeColor);
  XmlReadColor(E, Str("MajorTickColor"), MajorTickColor);
  XmlReadColor(E, Str("TickColor"), TickColor);

  E = Node.firstChildElement(QStringLiteral("Caption"));
  XmlRead(E, Str("Text"), Caption);
  XmlRead(E, Str("Visible"), CaptionVisible);
  XmlRead(E, Str("HorizontalOnVerticalAxis"), CaptionHorizontalOnVerticalAxis);
  XmlRead(E, Str("Alignment"), CaptionAlignment);
  XmlReadColor(E, Str("Color"), CaptionColor);
  XmlRead(E, Str("DistanceBefore"), CaptionDistanceBefore);
  XmlRead(E, Str("DistanceAfter"), CaptionDistanceAfter);
  FromNode(E, Str("Font"), *CaptionFont);

  E = Node.firstChildElement(QStringLiteral("Scaling"));
  XmlRead(E, Str("Type"), Scaling);
  XmlRead(E, Str("LogToNormalScalingLevel"), LogToNormalScalingLevel);
  XmlRead(E, Str("TicksPointToData"), TicksPointToData);
  XmlRead(E, Str("Twisted"), Twisted);
  XmlRead(E, Str("NumbersVisible"), NumbersVisible);
  XmlReadColor(E, Str("NumbersColor"), NumbersColor);
  XmlRead(E, Str("RubricsAngle"), RubricsAngle);
  XmlRead(E, Str("MovingSlitWidth"), MovingSlitWidth);
  XmlRead(E, Str("MovingSlitIncrement"), MovingSlitIncrement);
  XmlRead(E, Str("ExtraDigits"), ExtraDigits);
  XmlRead(E, Str("MaxForExtraExponent"), MaxForExtraExponent);
  XmlRead(E, Str("MinForExtraExponent"), MinForExtraExponent);
  FromNode(E, Str("Font"), *Font);

  E = Node.firstChildElement(QStringLiteral("TickParts"));
  XmlRead(E, Str("LabelDistanceFactor"), LabelDistanceFactor);
  for (int I = 0; I < 3; ++I) {
    XmlRead(E, QStringLiteral("LabelParts.%1").arg(I), Parts[I]);
    XmlRead(E, QStringLiteral("MajorParts.%1").arg(I), Parts[3 + I]);
    XmlRead(E, QStringLiteral("MinorParts.%1").arg(I), Parts[6 + I]);
  }
  XmlRead(E, Str("Auto"), AutoTickParts);
  XmlRead(E, Str("Label"), LabelPart);
  XmlRead(E, Str("Major"), MajorTickPart);
  XmlRead(E, Str("Minor"), TickPart);
  XmlRead(E, Str("MajorGridMode"), MajorGridMode);

  E = Node.firstChildElement(QStringLiteral("Ends"));
  XmlRead(E, Str("Start"), Start);
  XmlRead(E, Str("Stop"), Stop);
  XmlRead(E, Str("ValuesStart"), ValuesStart);
  XmlRead(E, Str("ValuesStop"), ValuesStop);
  XmlRead(E, Str("Rounding"), EndRounding);
  XmlRead(E, Str("StartEnd"), StartEnd);
  XmlRead(E, Str("StopEnd"), StopEnd);

  E = Node.firstChildElement(QStringLiteral("Rubrics"));
  if (!E.isNull()) {
    const QDomElement D = E.firstChildElement(QStringLiteral("Database"));
    const QDomElement C = E.firstChildElement(QStringLiteral("Captions"));
    if (!D.isNull()) {
      RubricsFromDatabase = true;
      XmlRead(D, Str("DataSource"), DataSource);
      XmlRead(D, Str("RubricsField"), RubricsField);
    } else if (!C.isNull()) {
      RubricsFromDatabase = false;
      Rubrics.clear();
      for (QDomElement I = C.firstChildElement(QStringLiteral("Item")); !I.isNull();
           I = I.nextSiblingElement(QStringLiteral("Item")))
        Rubrics << I.text();
      int Count = int(Rubrics.size());
      XmlRead(C, Str("Count"), Count);
      if (Count != Rubrics.size())
        throw EGvReadError(QStringLiteral("Rubrics count %1 differs from the %2 items")
                               .arg(Count)
                               .arg(Rubrics.size()));
    }
  }

  E = Node.firstChildElement(QStringLiteral("DateTimeFormat"));
  for (int I = 0; I < 7; ++I) XmlRead(E, Str(FormatKeys[I]), Formats[I]);

  E = Node.firstChildElement(QStringLiteral("SlaveAxis"));
  XmlRead(E, Str("IsSlave"), IsSlaveAxis);
  XmlRead(E, Str("MasterAxis"), MasterAxis);
  XmlRead(E, Str("Offset"), SlaveOffset);
  XmlRead(E, Str("Slope"), SlaveSlope);

  E = Node.firstChildElement(QStringLiteral("Arrow"));
  XmlRead(E, Str("Visible"), ArrowVisible);
  XmlRead(E, Str("PointLength"), ArrowPointLength);
  XmlRead(E, Str("InnerLength"), ArrowInnerLength);
  XmlRead(E, Str("PointHeight"), ArrowPointHeight);

  E = Node.firstChildElement(QStringLiteral("Distance"));
  XmlRead(E, Str("ValuesAxis"), DistanceValuesAxis);
  XmlRead(E, Str("AxisLabels"), DistanceAxisLabels);
  XmlRead(E, Str("AxisExtraExponent"), DistanceAxisExtraExponent);

  E = Node.firstChildElement(QStringLiteral("Zoom"));
  if (!E.isNull()) {
    Zoomed = ContainsNode(E, Str("Starts"));
    if (Zoomed) {
      ReadVectorNode(E, "Starts", *ZoomStarts.Vector);
      ReadVectorNode(E, "Stops", *ZoomStops.Vector);
      XmlRead(E, Str("Idx"), ZoomIdx);
    }
  }
}

// ---- Ini -------------------------------------------------------------------

void TAxisForm::Read(const TGvIniFile& Ini, const QString& Sec)
{
  auto Key = [](const char* K) { return QString::fromLatin1(K); };
  IniRead(Ini, Sec, Key("Visible"), Visible);
  IniRead(Ini, Sec, Key("Position"), Position);
  IniRead(Ini, Sec, Key("Top"), Top);
  IniRead(Ini, Sec, Key("Left"), Left);
  IniRead(Ini, Sec, Key("AutoSize"), AutoSize);
  IniRead(Ini, Sec, Key("Width"), Width);
  IniRead(Ini, Sec, Key("Height"), Height);
  IniRead(Ini, Sec, Key("Hint"), Hint);
  IniRead(Ini, Sec, Key("ParentShowHint"), ParentShowHint);
  IniRead(Ini, Sec, Key("ShowHint"), ShowHint);
  IniRead(Ini, Sec, Key("AxisThicknes"), AxisThicknes);
  IniRead(Ini, Sec, Key("MajorTickThicknes"), MajorTickThicknes);
  IniRead(Ini, Sec, Key("TickThicknes"), TickThicknes);
  IniRead(Ini, Sec, Key("MajorTickLength"), MajorTickLength);
  IniRead(Ini, Sec, Key("TickLength"), TickLength);
  IniReadColor(Ini, Sec, Key("AxisColor"), ForeColor);
  IniReadColor(Ini, Sec, Key("MajorTickColor"), MajorTickColor);
  IniReadColor(Ini, Sec, Key("TickColor"), TickColor);
  IniRead(Ini, Sec, Key("Caption"), Caption);
  IniRead(Ini, Sec, Key("Caption.Visible"), CaptionVisible);
  IniRead(Ini, Sec, Key("Caption.HorizontalOnVerticalAxis"), CaptionHorizontalOnVerticalAxis);
  IniRead(Ini, Sec, Key("Caption.Alignment"), CaptionAlignment);
  IniReadColor(Ini, Sec, Key("Caption.Color"), CaptionColor);
  IniRead(Ini, Sec, Key("Caption.DistanceBefore"), CaptionDistanceBefore);
  IniRead(Ini, Sec, Key("Caption.DistanceAfter"), CaptionDistanceAfter);
  FromIni(Ini, Sec, Key("Caption.Font"), *CaptionFont);
  IniRead(Ini, Sec, Key("Scaling"), Scaling);
  IniRead(Ini, Sec, Key("LogToNormalScalingLevel"), LogToNormalScalingLevel);
  IniRead(Ini, Sec, Key("TicksPointToData"), TicksPointToData);
  IniRead(Ini, Sec, Key("Twisted"), Twisted);
  IniRead(Ini, Sec, Key("Numbers.Visible"), NumbersVisible);
  IniReadColor(Ini, Sec, Key("Numbers.Color"), NumbersColor);
  IniRead(Ini, Sec, Key("RubricsAngle"), RubricsAngle);
  IniRead(Ini, Sec, Key("MovingSlit.Width"), MovingSlitWidth);
  IniRead(Ini, Sec, Key("MovingSlit.Increment"), MovingSlitIncrement);
  IniRead(Ini, Sec, Key("ExtraDigits"), ExtraDigits);
  IniRead(Ini, Sec, Key("MaxForExtraExponent"), MaxForExtraExponent);
  IniRead(Ini, Sec, Key("MinForExtraExponent"), MinForExtraExponent);
  IniRead(Ini, Sec, Key("TickParts.Auto"), AutoTickParts);
  IniRead(Ini, Sec, Key("LabelDistanceFactor"), LabelDistanceFactor);
  for (int I = 0; I < 3; ++I) {
    IniRead(Ini, Sec, QStringLiteral("LabelParts.%1").arg(I), Parts[I]);
    IniRead(Ini, Sec, QStringLiteral("MajorParts.%1").arg(I), Parts[3 + I]);
    IniRead(Ini, Sec, QStringLiteral("MinorParts.%1").arg(I), Parts[6 + I]);
  }
  IniRead(Ini, Sec, Key("TickParts.Label"), LabelPart);
  IniRead(Ini, Sec, Key("TickParts.Major"), MajorTickPart);
  IniRead(Ini, Sec, Key("TickParts.Minor"), TickPart);
  IniRead(Ini, Sec, Key("TickParts.MajorGridMode"), MajorGridMode);
  FromIni(Ini, Sec, Key("Font"), *Font);
  IniRead(Ini, Sec, Key("Ends.Start"), Start);
  IniRead(Ini, Sec, Key("Ends.Stop"), Stop);
  IniRead(Ini, Sec, Key("Ends.ValuesStart"), ValuesStart);
  IniRead(Ini, Sec, Key("Ends.ValuesStop"), ValuesStop);
  IniRead(Ini, Sec, Key("Ends.Rounding"), EndRounding);
  IniRead(Ini, Sec, Key("Ends.StartEnd"), StartEnd);
  IniRead(Ini, Sec, Key("Ends.StopEnd"), StopEnd);
  IniRead(Ini, Sec, Key("Rubrics.FromDatabase"), RubricsFromDatabase);
  if (RubricsFromDatabase) {
    IniRead(Ini, Sec, Key("Rubrics.DataSource"), DataSource);
    IniRead(Ini, Sec, Key("Rubrics.RubricsField"), RubricsField);
  } else if (Ini.ValueExists(Sec, Key("Rubrics.Count"))) {
    int Count = 0;
    IniRead(Ini, Sec, Key("Rubrics.Count"), Count);
    // Each caption is a key of its own: a count beyond the keys is refused.
    if (Count < 0 || Count > Ini.Keys(Sec).size())
      throw EGvReadError(
          QStringLiteral("Invalid rubrics count %1 in section [%2]").arg(Count).arg(Sec));
    Rubrics.clear();
    for (int I = 0; I < Count; ++I) {
      QString R;
      IniRead(Ini, Sec, QStringLiteral("Captions(%1)").arg(I), R);
      Rubrics << R;
    }
  }
  for (int I = 0; I < 7; ++I)
    IniRead(Ini, Sec, QStringLiteral("DateTimeFormat.") + Key(FormatKeys[I]), Formats[I]);
  IniRead(Ini, Sec, Key("SlaveAxis"), IsSlaveAxis);
  IniRead(Ini, Sec, Key("MasterAxis"), MasterAxis);
  IniRead(Ini, Sec, Key("Slave.Offset"), SlaveOffset);
  IniRead(Ini, Sec, Key("Slave.Slope"), SlaveSlope);
  IniRead(Ini, Sec, Key("Arrow.Visible"), ArrowVisible);
  IniRead(Ini, Sec, Key("Arrow.PointLength"), ArrowPointLength);
  IniRead(Ini, Sec, Key("Arrow.InnerLength"), ArrowInnerLength);
  IniRead(Ini, Sec, Key("Arrow.PointHeight"), ArrowPointHeight);
  IniRead(Ini, Sec, Key("Distance.ValuesAxis"), DistanceValuesAxis);
  IniRead(Ini, Sec, Key("Distance.AxisLabels"), DistanceAxisLabels);
  IniRead(Ini, Sec, Key("Distance.AxisExtraExponent"), DistanceAxisExtraExponent);
  IniRead(Ini, Sec, Key("Zoom"), Zoomed);
  if (Zoomed) {
    IniRead(Ini, Sec, Key("Zoom.Idx"), ZoomIdx);
    ZoomStarts.Vector->ReadFrom(Ini, Sec + QStringLiteral(".Zoom.Start"));
    ZoomStops.Vector->ReadFrom(Ini, Sec + QStringLiteral(".Zoom.Stop"));
  }
}

} // namespace

// ---- TGvAxis -----------------------------------------------------------------

void TGvAxis::WriteTo(TGvStreamWriter& W) const
{
  const TAxisForm F(*this);
  W.WriteString(GetComponentRef(this));
  W.WriteBool(F.Visible);
  W.WriteString(F.Hint);
  W.WriteBool(F.ParentShowHint);
  W.WriteBool(F.ShowHint);
  W.WriteByte(uint8_t(F.Position));
  W.WriteInt32(F.Top);
  W.WriteInt32(F.Left);
  W.WriteBool(F.AutoSize);
  W.WriteInt32(F.Width);
  W.WriteInt32(F.Height);
  W.WriteFloat32(F.AxisThicknes);
  W.WriteFloat32(F.MajorTickThicknes);
  W.WriteFloat32(F.TickThicknes);
  W.WriteFloat32(F.MajorTickLength);
  W.WriteFloat32(F.TickLength);
  W.WriteUInt32(F.ForeColor);
  W.WriteUInt32(F.MajorTickColor);
  W.WriteUInt32(F.TickColor);
  W.WriteString(F.Caption);
  W.WriteBool(F.CaptionVisible);
  W.WriteBool(F.CaptionHorizontalOnVerticalAxis);
  W.WriteByte(uint8_t(F.CaptionAlignment));
  W.WriteUInt32(F.CaptionColor);
  W.WriteFloat32(F.CaptionDistanceBefore);
  W.WriteFloat32(F.CaptionDistanceAfter);
  ToStream(W, *CaptionFont());
  W.WriteByte(uint8_t(F.Scaling));
  W.WriteFloat64(F.LogToNormalScalingLevel);
  W.WriteBool(F.TicksPointToData);
  W.WriteBool(F.Twisted);
  W.WriteBool(F.NumbersVisible);
  W.WriteUInt32(F.NumbersColor);
  W.WriteFloat32(F.RubricsAngle);
  W.WriteFloat64(F.MovingSlitWidth);
  W.WriteFloat64(F.MovingSlitIncrement);
  W.WriteInt32(F.ExtraDigits);
  W.WriteFloat64(F.MaxForExtraExponent);
  W.WriteFloat64(F.MinForExtraExponent);
  W.WriteBool(F.AutoTickParts);
  W.WriteFloat64(F.LabelPart);
  W.WriteFloat64(F.MajorTickPart);
  W.WriteFloat64(F.TickPart);
  ToStream(W, *Font());
  W.WriteFloat64(F.Start);
  W.WriteFloat64(F.Stop);
  W.WriteByte(uint8_t(F.EndRounding));
  W.WriteByte(uint8_t(F.StartEnd));
  W.WriteByte(uint8_t(F.StopEnd));
  W.WriteBool(F.RubricsFromDatabase);
  if (F.RubricsFromDatabase) {
    W.WriteString(F.DataSource);
    W.WriteString(F.RubricsField);
  } else {
    W.WriteInt32(int32_t(F.Rubrics.size()));
    for (const QString& R : F.Rubrics) W.WriteString(R);
  }
  for (const QString& Fmt : F.Formats) W.WriteString(Fmt);
  W.WriteBool(F.IsSlaveAxis);
  W.WriteString(F.MasterAxis);
  W.WriteFloat64(F.SlaveOffset);
  W.WriteFloat64(F.SlaveSlope);
  W.WriteBool(F.ArrowVisible);
  W.WriteFloat32(F.ArrowPointLength);
  W.WriteFloat32(F.ArrowInnerLength);
  W.WriteFloat32(F.ArrowPointHeight);
  W.WriteFloat32(F.DistanceValuesAxis);
  W.WriteFloat32(F.DistanceAxisLabels);
  W.WriteFloat32(F.DistanceAxisExtraExponent);
  W.WriteBool(F.Zoomed);
  if (F.Zoomed) {
    ZoomStarts()->WriteTo(W);
    ZoomStops()->WriteTo(W);
    W.WriteInt32(F.ZoomIdx);
  }
  W.WriteByte(1);
  W.WriteFloat32(F.LabelDistanceFactor);
  for (double P : F.Parts) W.WriteFloat64(P);
  W.WriteByte(1);
  W.WriteByte(uint8_t(F.MajorGridMode));
  W.WriteByte(1);
  W.WriteFloat64(F.ValuesStart);
  W.WriteFloat64(F.ValuesStop);
  W.WriteByte(0);
}

void TGvAxis::ReadFrom(TGvStreamReader& R, bool WithRange, TGvReadContext* Context)
{
  TAxisForm F(*this);
  F.Read(R);
  F.Check();
  TGvLoadingScope Loading(this);
  F.Apply(*this, WithRange, Context);
}

void TGvAxis::WriteTo(QIODevice& Stream) const
{
  TGvStreamWriter W(Stream);
  WriteTo(W);
}

void TGvAxis::ReadFrom(QIODevice& Stream, bool WithRange)
{
  TGvStreamReader R(Stream);
  ReadFrom(R, WithRange);
}

void TGvAxis::WriteTo(const QString& FileName) const
{
  QSaveFile F(FileName);
  if (!F.open(QIODevice::WriteOnly))
    throw EGvError(QStringLiteral("Cannot create file \"%1\"").arg(FileName));
  WriteTo(static_cast<QIODevice&>(F));
  if (!F.commit()) throw EGvError(QStringLiteral("Cannot write file \"%1\"").arg(FileName));
}

void TGvAxis::ReadFrom(const QString& FileName, bool WithRange)
{
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly))
    throw EGvReadError(QStringLiteral("Cannot open file \"%1\"").arg(FileName));
  ReadFrom(static_cast<QIODevice&>(F), WithRange);
}

void TGvAxis::WriteTo(QDomElement& Node) const
{
  const TAxisForm F(*this);
  QDomElement A = Node.ownerDocument().createElement(QStringLiteral("TGvAxis"));
  Node.appendChild(A);
  A.setAttribute(QStringLiteral("Name"), GetComponentRef(this));

  QDomElement E = Child(A, "Properties");
  XmlWrite(E, Str("Visible"), F.Visible);
  XmlWrite(E, Str("Position"), F.Position);
  XmlWrite(E, Str("Top"), F.Top);
  XmlWrite(E, Str("Left"), F.Left);
  XmlWrite(E, Str("AutoSize"), F.AutoSize);
  XmlWrite(E, Str("Width"), F.Width);
  XmlWrite(E, Str("Height"), F.Height);
  XmlWrite(E, Str("Hint"), F.Hint);
  XmlWrite(E, Str("ParentShowHint"), F.ParentShowHint);
  XmlWrite(E, Str("ShowHint"), F.ShowHint);
  XmlWrite(E, Str("AxisThicknes"), F.AxisThicknes);
  XmlWrite(E, Str("MajorTickThicknes"), F.MajorTickThicknes);
  XmlWrite(E, Str("TickThicknes"), F.TickThicknes);
  XmlWrite(E, Str("MajorTickLength"), F.MajorTickLength);
  XmlWrite(E, Str("TickLength"), F.TickLength);
  XmlWriteColor(E, Str("AxisColor"), F.ForeColor);
  XmlWriteColor(E, Str("MajorTickColor"), F.MajorTickColor);
  XmlWriteColor(E, Str("TickColor"), F.TickColor);

  E = Child(A, "Caption");
  XmlWrite(E, Str("Text"), F.Caption);
  XmlWrite(E, Str("Visible"), F.CaptionVisible);
  XmlWrite(E, Str("HorizontalOnVerticalAxis"), F.CaptionHorizontalOnVerticalAxis);
  XmlWrite(E, Str("Alignment"), F.CaptionAlignment);
  XmlWriteColor(E, Str("Color"), F.CaptionColor);
  XmlWrite(E, Str("DistanceBefore"), F.CaptionDistanceBefore);
  XmlWrite(E, Str("DistanceAfter"), F.CaptionDistanceAfter);
  ToNode(E, Str("Font"), *CaptionFont());

  E = Child(A, "Scaling");
  XmlWrite(E, Str("Type"), F.Scaling);
  XmlWrite(E, Str("LogToNormalScalingLevel"), F.LogToNormalScalingLevel);
  XmlWrite(E, Str("TicksPointToData"), F.TicksPointToData);
  XmlWrite(E, Str("Twisted"), F.Twisted);
  XmlWrite(E, Str("NumbersVisible"), F.NumbersVisible);
  XmlWriteColor(E, Str("NumbersColor"), F.NumbersColor);
  XmlWrite(E, Str("RubricsAngle"), F.RubricsAngle);
  XmlWrite(E, Str("MovingSlitWidth"), F.MovingSlitWidth);
  XmlWrite(E, Str("MovingSlitIncrement"), F.MovingSlitIncrement);
  XmlWrite(E, Str("ExtraDigits"), F.ExtraDigits);
  XmlWrite(E, Str("MaxForExtraExponent"), F.MaxForExtraExponent);
  XmlWrite(E, Str("MinForExtraExponent"), F.MinForExtraExponent);
  ToNode(E, Str("Font"), *Font());

  E = Child(A, "TickParts");
  XmlWrite(E, Str("LabelDistanceFactor"), F.LabelDistanceFactor);
  for (int I = 0; I < 3; ++I) {
    XmlWrite(E, QStringLiteral("LabelParts.%1").arg(I), F.Parts[I]);
    XmlWrite(E, QStringLiteral("MajorParts.%1").arg(I), F.Parts[3 + I]);
    XmlWrite(E, QStringLiteral("MinorParts.%1").arg(I), F.Parts[6 + I]);
  }
  XmlWrite(E, Str("Auto"), F.AutoTickParts);
  XmlWrite(E, Str("Label"), F.LabelPart);
  XmlWrite(E, Str("Major"), F.MajorTickPart);
  XmlWrite(E, Str("Minor"), F.TickPart);
  XmlWrite(E, Str("MajorGridMode"), F.MajorGridMode);

  E = Child(A, "Ends");
  XmlWrite(E, Str("Start"), F.Start);
  XmlWrite(E, Str("Stop"), F.Stop);
  XmlWrite(E, Str("ValuesStart"), F.ValuesStart);
  XmlWrite(E, Str("ValuesStop"), F.ValuesStop);
  XmlWrite(E, Str("Rounding"), F.EndRounding);
  XmlWrite(E, Str("StartEnd"), F.StartEnd);
  XmlWrite(E, Str("StopEnd"), F.StopEnd);

  E = Child(A, "Rubrics");
  if (F.RubricsFromDatabase) {
    QDomElement D = Child(E, "Database");
    XmlWrite(D, Str("DataSource"), F.DataSource);
    XmlWrite(D, Str("RubricsField"), F.RubricsField);
  } else {
    QDomElement C = Child(E, "Captions");
    XmlWrite(C, Str("Count"), int(F.Rubrics.size()));
    for (const QString& R : F.Rubrics) {
      QDomElement I = Child(C, "Item");
      I.appendChild(A.ownerDocument().createTextNode(R));
    }
  }

  E = Child(A, "DateTimeFormat");
  for (int I = 0; I < 7; ++I) XmlWrite(E, Str(FormatKeys[I]), F.Formats[I]);

  E = Child(A, "SlaveAxis");
  XmlWrite(E, Str("IsSlave"), F.IsSlaveAxis);
  XmlWrite(E, Str("MasterAxis"), F.MasterAxis);
  XmlWrite(E, Str("Offset"), F.SlaveOffset);
  XmlWrite(E, Str("Slope"), F.SlaveSlope);

  E = Child(A, "Arrow");
  XmlWrite(E, Str("Visible"), F.ArrowVisible);
  XmlWrite(E, Str("PointLength"), F.ArrowPointLength);
  XmlWrite(E, Str("InnerLength"), F.ArrowInnerLength);
  XmlWrite(E, Str("PointHeight"), F.ArrowPointHeight);

  E = Child(A, "Distance");
  XmlWrite(E, Str("ValuesAxis"), F.DistanceValuesAxis);
  XmlWrite(E, Str("AxisLabels"), F.DistanceAxisLabels);
  XmlWrite(E, Str("AxisExtraExponent"), F.DistanceAxisExtraExponent);

  E = Child(A, "Zoom");
  if (F.Zoomed) {
    XmlWrite(E, Str("Idx"), F.ZoomIdx);
    QDomElement S = Child(E, "Starts");
    ZoomStarts()->WriteTo(S);
    QDomElement T = Child(E, "Stops");
    ZoomStops()->WriteTo(T);
  }
}

void TGvAxis::ReadFrom(const QDomElement& Node, bool WithRange, TGvReadContext* Context)
{
  if (Node.tagName() != QLatin1String("TGvAxis"))
    throw EGvReadError(QStringLiteral("Element \"%1\" is not an axis").arg(Node.tagName()));
  TAxisForm F(*this);
  F.Read(Node);
  F.Check();
  TGvLoadingScope Loading(this);
  F.Apply(*this, WithRange, Context);
}

void TGvAxis::WriteTo(TGvIniFile& Ini, const QString& Sec) const
{
  const TAxisForm F(*this);
  auto Key = [](const char* K) { return QString::fromLatin1(K); };
  IniWriteText(Ini, Sec, Key("Name"), GetComponentRef(this));
  Ini.WriteBool(Sec, Key("Visible"), F.Visible);
  Ini.WriteInteger(Sec, Key("Position"), F.Position);
  Ini.WriteInteger(Sec, Key("Top"), F.Top);
  Ini.WriteInteger(Sec, Key("Left"), F.Left);
  Ini.WriteBool(Sec, Key("AutoSize"), F.AutoSize);
  Ini.WriteInteger(Sec, Key("Width"), F.Width);
  Ini.WriteInteger(Sec, Key("Height"), F.Height);
  IniWriteText(Ini, Sec, Key("Hint"), F.Hint);
  Ini.WriteBool(Sec, Key("ParentShowHint"), F.ParentShowHint);
  Ini.WriteBool(Sec, Key("ShowHint"), F.ShowHint);
  Ini.WriteSingle(Sec, Key("AxisThicknes"), F.AxisThicknes);
  Ini.WriteSingle(Sec, Key("MajorTickThicknes"), F.MajorTickThicknes);
  Ini.WriteSingle(Sec, Key("TickThicknes"), F.TickThicknes);
  Ini.WriteSingle(Sec, Key("MajorTickLength"), F.MajorTickLength);
  Ini.WriteSingle(Sec, Key("TickLength"), F.TickLength);
  Ini.WriteColor(Sec, Key("AxisColor"), F.ForeColor);
  Ini.WriteColor(Sec, Key("MajorTickColor"), F.MajorTickColor);
  Ini.WriteColor(Sec, Key("TickColor"), F.TickColor);
  IniWriteText(Ini, Sec, Key("Caption"), F.Caption);
  Ini.WriteBool(Sec, Key("Caption.Visible"), F.CaptionVisible);
  Ini.WriteBool(Sec, Key("Caption.HorizontalOnVerticalAxis"), F.CaptionHorizontalOnVerticalAxis);
  Ini.WriteInteger(Sec, Key("Caption.Alignment"), F.CaptionAlignment);
  Ini.WriteColor(Sec, Key("Caption.Color"), F.CaptionColor);
  Ini.WriteSingle(Sec, Key("Caption.DistanceBefore"), F.CaptionDistanceBefore);
  Ini.WriteSingle(Sec, Key("Caption.DistanceAfter"), F.CaptionDistanceAfter);
  ToIni(Ini, Sec, Key("Caption.Font"), *CaptionFont());
  Ini.WriteInteger(Sec, Key("Scaling"), F.Scaling);
  Ini.WriteFloat(Sec, Key("LogToNormalScalingLevel"), F.LogToNormalScalingLevel);
  Ini.WriteBool(Sec, Key("TicksPointToData"), F.TicksPointToData);
  Ini.WriteBool(Sec, Key("Twisted"), F.Twisted);
  Ini.WriteBool(Sec, Key("Numbers.Visible"), F.NumbersVisible);
  Ini.WriteColor(Sec, Key("Numbers.Color"), F.NumbersColor);
  Ini.WriteSingle(Sec, Key("RubricsAngle"), F.RubricsAngle);
  Ini.WriteFloat(Sec, Key("MovingSlit.Width"), F.MovingSlitWidth);
  Ini.WriteFloat(Sec, Key("MovingSlit.Increment"), F.MovingSlitIncrement);
  Ini.WriteInteger(Sec, Key("ExtraDigits"), F.ExtraDigits);
  Ini.WriteFloat(Sec, Key("MaxForExtraExponent"), F.MaxForExtraExponent);
  Ini.WriteFloat(Sec, Key("MinForExtraExponent"), F.MinForExtraExponent);
  Ini.WriteBool(Sec, Key("TickParts.Auto"), F.AutoTickParts);
  Ini.WriteSingle(Sec, Key("LabelDistanceFactor"), F.LabelDistanceFactor);
  for (int I = 0; I < 3; ++I)
    Ini.WriteFloat(Sec, QStringLiteral("LabelParts.%1").arg(I), F.Parts[I]);
  for (int I = 0; I < 3; ++I)
    Ini.WriteFloat(Sec, QStringLiteral("MajorParts.%1").arg(I), F.Parts[3 + I]);
  for (int I = 0; I < 3; ++I)
    Ini.WriteFloat(Sec, QStringLiteral("MinorParts.%1").arg(I), F.Parts[6 + I]);
  Ini.WriteFloat(Sec, Key("TickParts.Label"), F.LabelPart);
  Ini.WriteFloat(Sec, Key("TickParts.Major"), F.MajorTickPart);
  Ini.WriteFloat(Sec, Key("TickParts.Minor"), F.TickPart);
  Ini.WriteInteger(Sec, Key("TickParts.MajorGridMode"), F.MajorGridMode);
  ToIni(Ini, Sec, Key("Font"), *Font());
  Ini.WriteFloat(Sec, Key("Ends.Start"), F.Start);
  Ini.WriteFloat(Sec, Key("Ends.Stop"), F.Stop);
  Ini.WriteFloat(Sec, Key("Ends.ValuesStart"), F.ValuesStart);
  Ini.WriteFloat(Sec, Key("Ends.ValuesStop"), F.ValuesStop);
  Ini.WriteInteger(Sec, Key("Ends.Rounding"), F.EndRounding);
  Ini.WriteInteger(Sec, Key("Ends.StartEnd"), F.StartEnd);
  Ini.WriteInteger(Sec, Key("Ends.StopEnd"), F.StopEnd);
  Ini.WriteBool(Sec, Key("Rubrics.FromDatabase"), F.RubricsFromDatabase);
  if (F.RubricsFromDatabase) {
    IniWriteText(Ini, Sec, Key("Rubrics.DataSource"), F.DataSource);
    IniWriteText(Ini, Sec, Key("Rubrics.RubricsField"), F.RubricsField);
  } else {
    Ini.WriteInteger(Sec, Key("Rubrics.Count"), int(F.Rubrics.size()));
    for (int I = 0; I < F.Rubrics.size(); ++I)
      IniWriteText(Ini, Sec, QStringLiteral("Captions(%1)").arg(I), F.Rubrics[I]);
  }
  for (int I = 0; I < 7; ++I)
    IniWriteText(Ini, Sec, QStringLiteral("DateTimeFormat.") + Key(FormatKeys[I]), F.Formats[I]);
  Ini.WriteBool(Sec, Key("SlaveAxis"), F.IsSlaveAxis);
  IniWriteText(Ini, Sec, Key("MasterAxis"), F.MasterAxis);
  Ini.WriteFloat(Sec, Key("Slave.Offset"), F.SlaveOffset);
  Ini.WriteFloat(Sec, Key("Slave.Slope"), F.SlaveSlope);
  Ini.WriteBool(Sec, Key("Arrow.Visible"), F.ArrowVisible);
  Ini.WriteSingle(Sec, Key("Arrow.PointLength"), F.ArrowPointLength);
  Ini.WriteSingle(Sec, Key("Arrow.InnerLength"), F.ArrowInnerLength);
  Ini.WriteSingle(Sec, Key("Arrow.PointHeight"), F.ArrowPointHeight);
  Ini.WriteSingle(Sec, Key("Distance.ValuesAxis"), F.DistanceValuesAxis);
  Ini.WriteSingle(Sec, Key("Distance.AxisLabels"), F.DistanceAxisLabels);
  Ini.WriteSingle(Sec, Key("Distance.AxisExtraExponent"), F.DistanceAxisExtraExponent);
  Ini.WriteBool(Sec, Key("Zoom"), F.Zoomed);
  if (F.Zoomed) {
    Ini.WriteInteger(Sec, Key("Zoom.Idx"), F.ZoomIdx);
    ZoomStarts()->WriteTo(Ini, Sec + QStringLiteral(".Zoom.Start"));
    ZoomStops()->WriteTo(Ini, Sec + QStringLiteral(".Zoom.Stop"));
  }
}

void TGvAxis::ReadFrom(const TGvIniFile& Ini, const QString& Section, bool WithRange,
                       TGvReadContext* Context)
{
  if (!Ini.SectionExists(Section))
    throw EGvReadError(QStringLiteral("Section \"%1\" not found").arg(Section));
  TAxisForm F(*this);
  F.Read(Ini, Section);
  F.Check();
  TGvLoadingScope Loading(this);
  F.Apply(*this, WithRange, Context);
}
