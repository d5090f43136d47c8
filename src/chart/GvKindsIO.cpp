// The saved forms of the series kinds with data of their own: bars, OHLC bars
// and candlesticks, bubbles and arrows. Each form is the series' own form
// (GvSeriesIO.cpp) followed by the fields of the kind.
//
// Stream forms, after the series' fields (strings and references as 32-bit
// byte length and UTF-8, little-endian numbers):
//   bars         OverlayStyle, BarsHorizontal bytes; Depth3D, ClassesDistance
//                float64; LabelSize float32; LabelVertical byte; label colour
//                uint32; LabelPosition, LabelFrom bytes; LabelFormat, font
//                name strings; font style byte; database flag byte; bound:
//                data source reference and captions field; otherwise the
//                caption count (int32, -1 for none stored) and the captions;
//                1; font block; BarStyle byte; 0
//   OHLC base    open, high and low vector references; BarWidth float32; 0
//   OHLC         then IndicatorLength float32; 0
//   candles      then BullColor, BearColor uint32; ShadowsSameColorAsFill
//                byte; 0
//   bubbles      radius vector reference; Elliptical byte; 0
//   arrows       delta-X and delta-Y vector references; arrow PointLength,
//                InnerLength, PointHeight float32; 0 (the arrow's line is the
//                series' line block)
//
// Readers check every enumeration byte and end byte (EGvReadError), and
// resolve references through GvLinkRef: a reference to an object of another
// kind (an axis where a vector belongs) is noted and leaves the link empty.
#include "chart/GvArrows.h"
#include "chart/GvBars.h"
#include "chart/GvBubbles.h"
#include "chart/GvIO.h"
#include "chart/GvOHLC.h"

#include <QDomDocument>
#include <cmath>

namespace {

using namespace GvForms;

constexpr int OverlayCount = 2, BarStyleCount = 3, LabelStyleCount = 5, LabelPositionCount = 7,
              FontStyleCount = 16;

} // namespace

// ---- TGvBars ---------------------------------------------------------------------

namespace {

// The bar settings of a form, read whole before any of them is applied.
struct TBarsForm
{
  int Overlay, BarStyle, LabelPosition, LabelFrom;
  bool Horizontal, LabelVertical;
  double Depth3D, ClassesDistance;
  float LabelSize;
  TGvColor LabelColor;
  QString LabelFormat;
  bool Bound;
  QString DataSource, CaptionsField;
  bool HasCaptions = true;
  QStringList Captions;

  explicit TBarsForm(const TGvBars& B)
      : Overlay(int(B.OverlayStyle())), BarStyle(int(B.BarStyle())),
        LabelPosition(int(B.LabelPosition())), LabelFrom(int(B.LabelFrom())),
        Horizontal(B.BarsHorizontal()), LabelVertical(B.LabelVertical()), Depth3D(B.Depth3D()),
        ClassesDistance(B.ClassesDistance()), LabelSize(B.LabelSize()), LabelColor(B.LabelColor()),
        LabelFormat(B.LabelFormat()), Bound(B.CaptionsBound()), DataSource(RefOf(B.DataSource())),
        CaptionsField(B.CaptionsField()), Captions(B.Captions())
  {
  }

  void Check() const
  {
    CheckedValue(Overlay, OverlayCount, "bars overlay style", "series");
    CheckedValue(BarStyle, BarStyleCount, "bar style", "series");
    CheckedValue(LabelPosition, LabelPositionCount, "bar label position", "series");
    CheckedValue(LabelFrom, LabelStyleCount, "bar label style", "series");
  }

  void Apply(TGvBars& B) const
  {
    B.SetOverlayStyle(TGvBarsOverlayStyle(Overlay));
    B.SetBarsHorizontal(Horizontal);
    B.SetBarStyle(TGvBarStyle(BarStyle));
    if (std::isfinite(Depth3D)) B.SetDepth3D(Depth3D);
    if (std::isfinite(ClassesDistance)) B.SetClassesDistance(ClassesDistance);
    B.SetLabelSize(FiniteOr(LabelSize, B.LabelSize()));
    B.SetLabelVertical(LabelVertical);
    B.SetLabelColor(LabelColor);
    B.SetLabelPosition(TGvBarLabelPosition(LabelPosition));
    B.SetLabelFrom(TGvLabelStyle(LabelFrom));
    B.SetLabelFormat(LabelFormat);
    if (Bound) {
      // The captions come from the database again.
      B.SetCaptionsField(CaptionsField);
      Link<TGvDataSource>(&B, DataSource, "Bars data source",
                          [](TGvBars* S, TGvDataSource* D) { S->SetDataSource(D); });
      return;
    }
    // Unbound first: a bound series refuses a captions list.
    B.SetDataSource(nullptr);
    B.SetCaptionsField(QString());
    if (HasCaptions) B.SetCaptions(Captions);
  }
};

} // namespace

void TGvBars::WriteFields(TGvStreamWriter& W) const
{
  TGvSeries::WriteFields(W);
  const TBarsForm F(*this);
  W.WriteByte(uint8_t(F.Overlay));
  W.WriteBool(F.Horizontal);
  W.WriteFloat64(F.Depth3D);
  W.WriteFloat64(F.ClassesDistance);
  W.WriteFloat32(F.LabelSize);
  W.WriteBool(F.LabelVertical);
  W.WriteUInt32(F.LabelColor);
  W.WriteByte(uint8_t(F.LabelPosition));
  W.WriteByte(uint8_t(F.LabelFrom));
  W.WriteString(F.LabelFormat);
  W.WriteString(FFont->Name());
  W.WriteByte(uint8_t(FFont->Style().toInt()));
  W.WriteBool(F.Bound);
  if (F.Bound) {
    W.WriteString(F.DataSource);
    W.WriteString(F.CaptionsField);
  } else {
    W.WriteInt32(int32_t(F.Captions.size()));
    for (const QString& C : F.Captions) EncodeToStream(W, C);
  }
  W.WriteByte(1);
  ToStream(W, *FFont);
  W.WriteByte(uint8_t(F.BarStyle));
  W.WriteByte(0);
}

void TGvBars::ReadFields(TGvStreamReader& R)
{
  TGvSeries::ReadFields(R);
  TBarsForm F(*this);
  F.Overlay = R.ReadByte();
  F.Horizontal = R.ReadBool();
  F.Depth3D = R.ReadFloat64();
  F.ClassesDistance = R.ReadFloat64();
  F.LabelSize = R.ReadFloat32();
  F.LabelVertical = R.ReadBool();
  F.LabelColor = R.ReadUInt32();
  F.LabelPosition = R.ReadByte();
  F.LabelFrom = R.ReadByte();
  F.LabelFormat = R.ReadString();
  const QString FontName = R.ReadString();
  const int FontStyle = CheckedValue(R.ReadByte(), FontStyleCount, "bar font style", "series");
  F.Bound = R.ReadBool();
  if (F.Bound) {
    F.DataSource = R.ReadString();
    F.CaptionsField = R.ReadString();
  } else {
    const int32_t N = R.ReadInt32();
    if (N < -1) throw EGvReadError(QStringLiteral("Invalid caption count %1 in bars").arg(N));
    F.HasCaptions = N >= 0;
    // Every caption takes its 4-byte length at least.
    if (N > 0 && R.Remaining() >= 0 && qint64(N) * 4 > R.Remaining())
      throw EGvReadError(QStringLiteral("Caption count %1 beyond the end of the data").arg(N));
    F.Captions.clear();
    for (int32_t I = 0; I < N; ++I) F.Captions << DecodeFromStream(R);
  }
  const bool More = R.ReadByte() != 0;
  if (More) {
    // The whole font, then the bar style: read into a copy, so that a bad
    // block leaves the font as it was.
    TGvFont Font;
    FromStream(R, Font);
    F.BarStyle = R.ReadByte();
    ReadEndByte(R, "series");
    F.Check();
    F.Apply(*this);
    FFont->Assign(Font);
    return;
  }
  F.Check();
  F.Apply(*this);
  FFont->SetName(FontName);
  FFont->SetStyle(TGvFontStyles::fromInt(FontStyle));
}

void TGvBars::WriteToInner(QDomElement& E) const
{
  TGvSeries::WriteToInner(E);
  const TBarsForm F(*this);
  QDomElement B = Child(E, "Bars");
  XmlWrite(B, Str("OverlayStyle"), F.Overlay);
  XmlWrite(B, Str("BarsHorizontal"), F.Horizontal);
  XmlWrite(B, Str("BarStyle"), F.BarStyle);
  XmlWrite(B, Str("Depth3D"), F.Depth3D);
  XmlWrite(B, Str("ClassesDistance"), F.ClassesDistance);
  QDomElement L = Child(E, "Labels");
  XmlWrite(L, Str("Size"), F.LabelSize);
  XmlWrite(L, Str("Vertical"), F.LabelVertical);
  XmlWriteColor(L, Str("Color"), F.LabelColor);
  XmlWrite(L, Str("Position"), F.LabelPosition);
  XmlWrite(L, Str("From"), F.LabelFrom);
  XmlWrite(L, Str("Format"), F.LabelFormat);
  ToNode(L, Str("Font"), *FFont);
  QDomElement C = Child(E, "Captions");
  XmlWrite(C, Str("DatabaseBinding"), F.Bound);
  if (F.Bound) {
    XmlWrite(C, Str("DataSource"), F.DataSource);
    XmlWrite(C, Str("CaptionsField"), F.CaptionsField);
  } else {
    XmlWrite(C, Str("Count"), int(F.Captions.size()));
    for (const QString& Text : F.Captions) {
      QDomElement I = Child(C, "Item");
      XmlWrite(I, Str("Text"), Text);
    }
  }
}

void TGvBars::ReadFromInner(const QDomElement& E)
{
  TBarsForm F(*this);
  const QDomElement B = E.firstChildElement(Str("Bars"));
  XmlRead(B, Str("OverlayStyle"), F.Overlay);
  XmlRead(B, Str("BarsHorizontal"), F.Horizontal);
  XmlRead(B, Str("BarStyle"), F.BarStyle);
  XmlRead(B, Str("Depth3D"), F.Depth3D);
  XmlRead(B, Str("ClassesDistance"), F.ClassesDistance);
  const QDomElement L = E.firstChildElement(Str("Labels"));
  XmlRead(L, Str("Size"), F.LabelSize);
  XmlRead(L, Str("Vertical"), F.LabelVertical);
  XmlReadColor(L, Str("Color"), F.LabelColor);
  XmlRead(L, Str("Position"), F.LabelPosition);
  XmlRead(L, Str("From"), F.LabelFrom);
  XmlRead(L, Str("Format"), F.LabelFormat);
  TGvFont Font;
  Font.Assign(*FFont);
  FromNode(L, Str("Font"), Font);
  const QDomElement C = E.firstChildElement(Str("Captions"));
  F.HasCaptions = !C.isNull();
  XmlRead(C, Str("DatabaseBinding"), F.Bound);
  XmlRead(C, Str("DataSource"), F.DataSource);
  XmlRead(C, Str("CaptionsField"), F.CaptionsField);
  if (!C.isNull() && !F.Bound) {
    F.Captions.clear();
    for (QDomElement I = C.firstChildElement(Str("Item")); !I.isNull();
         I = I.nextSiblingElement(Str("Item"))) {
      QString Text;
      XmlRead(I, Str("Text"), Text);
      F.Captions << Text;
    }
    int Count = int(F.Captions.size());
    XmlRead(C, Str("Count"), Count);
    if (Count != F.Captions.size())
      throw EGvReadError(QStringLiteral("Bars captions: count %1 differs from the %2 items")
                             .arg(Count)
                             .arg(F.Captions.size()));
  }
  F.Check();
  TGvSeries::ReadFromInner(E);
  F.Apply(*this);
  FFont->Assign(Font);
}

void TGvBars::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvSeries::WriteIni(Ini, Sec);
  const TBarsForm F(*this);
  Ini.WriteInteger(Sec, Str("OverlayStyle"), F.Overlay);
  Ini.WriteBool(Sec, Str("BarsHorizontal"), F.Horizontal);
  Ini.WriteInteger(Sec, Str("BarStyle"), F.BarStyle);
  Ini.WriteFloat(Sec, Str("Depth3D"), F.Depth3D);
  Ini.WriteFloat(Sec, Str("ClassesDistance"), F.ClassesDistance);
  Ini.WriteSingle(Sec, Str("Label.Size"), F.LabelSize);
  Ini.WriteBool(Sec, Str("Label.Vertical"), F.LabelVertical);
  Ini.WriteColor(Sec, Str("Label.Color"), F.LabelColor);
  Ini.WriteInteger(Sec, Str("Label.Position"), F.LabelPosition);
  Ini.WriteInteger(Sec, Str("Label.From"), F.LabelFrom);
  IniWriteText(Ini, Sec, Str("Label.Format"), F.LabelFormat);
  ToIni(Ini, Sec, Str("Label.Font"), *FFont);
  Ini.WriteBool(Sec, Str("Captions.DatabaseBinding"), F.Bound);
  if (F.Bound) {
    IniWriteText(Ini, Sec, Str("Captions.DataSource"), F.DataSource);
    IniWriteText(Ini, Sec, Str("Captions.CaptionsField"), F.CaptionsField);
    return;
  }
  Ini.WriteInteger(Sec, Str("Captions.Count"), int(F.Captions.size()));
  for (int I = 0; I < F.Captions.size(); ++I)
    IniWriteText(Ini, Sec, QStringLiteral("Captions(%1)").arg(I), F.Captions[I]);
}

void TGvBars::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TBarsForm F(*this);
  IniRead(Ini, Sec, Str("OverlayStyle"), F.Overlay);
  IniRead(Ini, Sec, Str("BarsHorizontal"), F.Horizontal);
  IniRead(Ini, Sec, Str("BarStyle"), F.BarStyle);
  IniRead(Ini, Sec, Str("Depth3D"), F.Depth3D);
  IniRead(Ini, Sec, Str("ClassesDistance"), F.ClassesDistance);
  IniRead(Ini, Sec, Str("Label.Size"), F.LabelSize);
  IniRead(Ini, Sec, Str("Label.Vertical"), F.LabelVertical);
  IniReadColor(Ini, Sec, Str("Label.Color"), F.LabelColor);
  IniRead(Ini, Sec, Str("Label.Position"), F.LabelPosition);
  IniRead(Ini, Sec, Str("Label.From"), F.LabelFrom);
  IniRead(Ini, Sec, Str("Label.Format"), F.LabelFormat);
  TGvFont Font;
  Font.Assign(*FFont);
  FromIni(Ini, Sec, Str("Label.Font"), Font);
  IniRead(Ini, Sec, Str("Captions.DatabaseBinding"), F.Bound);
  IniRead(Ini, Sec, Str("Captions.DataSource"), F.DataSource);
  IniRead(Ini, Sec, Str("Captions.CaptionsField"), F.CaptionsField);
  F.HasCaptions = Ini.ValueExists(Sec, Str("Captions.Count"));
  if (F.HasCaptions && !F.Bound) {
    int N = 0;
    IniRead(Ini, Sec, Str("Captions.Count"), N);
    // Each caption is a key of the section: a count beyond them is refused
    // before anything is read.
    if (N < 0 || N > Ini.Keys(Sec).size())
      throw EGvReadError(
          QStringLiteral("Invalid captions count %1 in section [%2]").arg(N).arg(Sec));
    F.Captions.clear();
    for (int I = 0; I < N; ++I) {
      const QString Key = QStringLiteral("Captions(%1)").arg(I);
      if (!Ini.ValueExists(Sec, Key))
        throw EGvReadError(QStringLiteral("Key %1 not found in section [%2]").arg(Key, Sec));
      QString Text;
      IniRead(Ini, Sec, Key, Text);
      F.Captions << Text;
    }
  }
  F.Check();
  TGvSeries::ReadIni(Ini, Sec);
  F.Apply(*this);
  FFont->Assign(Font);
}

// ---- TGvCustomOHLC, TGvOHLC, TGvCandleSticks -------------------------------------

namespace {

// Open, high and low in the order the forms hold them, with their slots
// among the series' value vectors (low 0, open 1, high 2).
const char* const OHLCNames[3] = {"OpenData", "HighData", "LowData"};

QString OHLCRef(const TGvCustomOHLC& S, int K)
{
  const TGvCustomDoubleVector* V[3] = {S.OpenData(), S.HighData(), S.LowData()};
  return RefOf(V[K]);
}

void LinkOHLC(TGvCustomOHLC* S, const QString (&Refs)[3])
{
  Link<TGvCustomDoubleVector>(
      S, Refs[0], "OHLC open data",
      [](TGvCustomOHLC* O, TGvCustomDoubleVector* V) { O->SetOpenData(V); });
  Link<TGvCustomDoubleVector>(
      S, Refs[1], "OHLC high data",
      [](TGvCustomOHLC* O, TGvCustomDoubleVector* V) { O->SetHighData(V); });
  Link<TGvCustomDoubleVector>(S, Refs[2], "OHLC low data",
                              [](TGvCustomOHLC* O, TGvCustomDoubleVector* V) { O->SetLowData(V); });
}

} // namespace

void TGvCustomOHLC::WriteFields(TGvStreamWriter& W) const
{
  TGvSeries::WriteFields(W);
  for (int K = 0; K < 3; ++K) W.WriteString(OHLCRef(*this, K));
  W.WriteFloat32(FBarWidth);
  W.WriteByte(0);
}

void TGvCustomOHLC::ReadFields(TGvStreamReader& R)
{
  TGvSeries::ReadFields(R);
  QString Refs[3];
  for (QString& Ref : Refs) Ref = R.ReadString();
  const float Width = R.ReadFloat32();
  ReadEndByte(R, "series");
  LinkOHLC(this, Refs);
  SetBarWidth(FiniteOr(Width, FBarWidth));
}

void TGvCustomOHLC::WriteToInner(QDomElement& E) const
{
  TGvSeries::WriteToInner(E);
  QDomElement O = Child(E, "OHLC");
  for (int K = 0; K < 3; ++K) XmlWrite(O, Str(OHLCNames[K]), OHLCRef(*this, K));
  XmlWrite(O, Str("BarWidth"), FBarWidth);
}

void TGvCustomOHLC::ReadFromInner(const QDomElement& E)
{
  QString Refs[3];
  for (int K = 0; K < 3; ++K) Refs[K] = OHLCRef(*this, K);
  float Width = FBarWidth;
  const QDomElement O = E.firstChildElement(Str("OHLC"));
  for (int K = 0; K < 3; ++K) XmlRead(O, Str(OHLCNames[K]), Refs[K]);
  XmlRead(O, Str("BarWidth"), Width);
  TGvSeries::ReadFromInner(E);
  LinkOHLC(this, Refs);
  SetBarWidth(FiniteOr(Width, FBarWidth));
}

void TGvCustomOHLC::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvSeries::WriteIni(Ini, Sec);
  for (int K = 0; K < 3; ++K) IniWriteText(Ini, Sec, Str(OHLCNames[K]), OHLCRef(*this, K));
  Ini.WriteSingle(Sec, Str("BarWidth"), FBarWidth);
}

void TGvCustomOHLC::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  QString Refs[3];
  for (int K = 0; K < 3; ++K) Refs[K] = OHLCRef(*this, K);
  float Width = FBarWidth;
  for (int K = 0; K < 3; ++K) IniRead(Ini, Sec, Str(OHLCNames[K]), Refs[K]);
  IniRead(Ini, Sec, Str("BarWidth"), Width);
  TGvSeries::ReadIni(Ini, Sec);
  LinkOHLC(this, Refs);
  SetBarWidth(FiniteOr(Width, FBarWidth));
}

void TGvOHLC::WriteFields(TGvStreamWriter& W) const
{
  TGvCustomOHLC::WriteFields(W);
  W.WriteFloat32(FIndicatorLength);
  W.WriteByte(0);
}

void TGvOHLC::ReadFields(TGvStreamReader& R)
{
  TGvCustomOHLC::ReadFields(R);
  const float Length = R.ReadFloat32();
  ReadEndByte(R, "series");
  SetIndicatorLength(Length);
}

void TGvOHLC::WriteToInner(QDomElement& E) const
{
  TGvCustomOHLC::WriteToInner(E);
  QDomElement O = E.firstChildElement(Str("OHLC"));
  XmlWrite(O, Str("IndicatorLength"), FIndicatorLength);
}

void TGvOHLC::ReadFromInner(const QDomElement& E)
{
  float Length = FIndicatorLength;
  XmlRead(E.firstChildElement(Str("OHLC")), Str("IndicatorLength"), Length);
  TGvCustomOHLC::ReadFromInner(E);
  SetIndicatorLength(Length);
}

void TGvOHLC::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvCustomOHLC::WriteIni(Ini, Sec);
  Ini.WriteSingle(Sec, Str("IndicatorLength"), FIndicatorLength);
}

void TGvOHLC::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  float Length = FIndicatorLength;
  IniRead(Ini, Sec, Str("IndicatorLength"), Length);
  TGvCustomOHLC::ReadIni(Ini, Sec);
  SetIndicatorLength(Length);
}

void TGvCandleSticks::WriteFields(TGvStreamWriter& W) const
{
  TGvCustomOHLC::WriteFields(W);
  W.WriteUInt32(FBullColor);
  W.WriteUInt32(FBearColor);
  W.WriteBool(FShadowsSameColorAsFill);
  W.WriteByte(0);
}

void TGvCandleSticks::ReadFields(TGvStreamReader& R)
{
  TGvCustomOHLC::ReadFields(R);
  const TGvColor Bull = R.ReadUInt32(), Bear = R.ReadUInt32();
  const bool Same = R.ReadBool();
  ReadEndByte(R, "series");
  SetBullColor(Bull);
  SetBearColor(Bear);
  SetShadowsSameColorAsFill(Same);
}

void TGvCandleSticks::WriteToInner(QDomElement& E) const
{
  TGvCustomOHLC::WriteToInner(E);
  QDomElement C = Child(E, "CandleSticks");
  XmlWriteColor(C, Str("BullColor"), FBullColor);
  XmlWriteColor(C, Str("BearColor"), FBearColor);
  XmlWrite(C, Str("ShadowsSameColorAsFill"), FShadowsSameColorAsFill);
}

void TGvCandleSticks::ReadFromInner(const QDomElement& E)
{
  TGvColor Bull = FBullColor, Bear = FBearColor;
  bool Same = FShadowsSameColorAsFill;
  const QDomElement C = E.firstChildElement(Str("CandleSticks"));
  XmlReadColor(C, Str("BullColor"), Bull);
  XmlReadColor(C, Str("BearColor"), Bear);
  XmlRead(C, Str("ShadowsSameColorAsFill"), Same);
  TGvCustomOHLC::ReadFromInner(E);
  SetBullColor(Bull);
  SetBearColor(Bear);
  SetShadowsSameColorAsFill(Same);
}

void TGvCandleSticks::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvCustomOHLC::WriteIni(Ini, Sec);
  Ini.WriteColor(Sec, Str("BullColor"), FBullColor);
  Ini.WriteColor(Sec, Str("BearColor"), FBearColor);
  Ini.WriteBool(Sec, Str("ShadowsSameColorAsFill"), FShadowsSameColorAsFill);
}

void TGvCandleSticks::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvColor Bull = FBullColor, Bear = FBearColor;
  bool Same = FShadowsSameColorAsFill;
  IniReadColor(Ini, Sec, Str("BullColor"), Bull);
  IniReadColor(Ini, Sec, Str("BearColor"), Bear);
  IniRead(Ini, Sec, Str("ShadowsSameColorAsFill"), Same);
  TGvCustomOHLC::ReadIni(Ini, Sec);
  SetBullColor(Bull);
  SetBearColor(Bear);
  SetShadowsSameColorAsFill(Same);
}

// ---- TGvBubbles --------------------------------------------------------------------

namespace {
void LinkRadius(TGvBubbles* S, const QString& Ref)
{
  Link<TGvCustomDoubleVector>(S, Ref, "Bubbles radius data",
                              [](TGvBubbles* B, TGvCustomDoubleVector* V) { B->SetRadiusData(V); });
}
} // namespace

void TGvBubbles::WriteFields(TGvStreamWriter& W) const
{
  TGvSeries::WriteFields(W);
  W.WriteString(RefOf(RadiusData()));
  W.WriteBool(FElliptical);
  W.WriteByte(0);
}

void TGvBubbles::ReadFields(TGvStreamReader& R)
{
  TGvSeries::ReadFields(R);
  const QString Radius = R.ReadString();
  const bool Elliptical = R.ReadBool();
  ReadEndByte(R, "series");
  LinkRadius(this, Radius);
  SetElliptical(Elliptical);
}

void TGvBubbles::WriteToInner(QDomElement& E) const
{
  TGvSeries::WriteToInner(E);
  QDomElement B = Child(E, "Bubbles");
  XmlWrite(B, Str("RadiusData"), RefOf(RadiusData()));
  XmlWrite(B, Str("Elliptical"), FElliptical);
}

void TGvBubbles::ReadFromInner(const QDomElement& E)
{
  QString Radius = RefOf(RadiusData());
  bool Elliptical = FElliptical;
  const QDomElement B = E.firstChildElement(Str("Bubbles"));
  XmlRead(B, Str("RadiusData"), Radius);
  XmlRead(B, Str("Elliptical"), Elliptical);
  TGvSeries::ReadFromInner(E);
  LinkRadius(this, Radius);
  SetElliptical(Elliptical);
}

void TGvBubbles::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvSeries::WriteIni(Ini, Sec);
  IniWriteText(Ini, Sec, Str("RadiusData"), RefOf(RadiusData()));
  Ini.WriteBool(Sec, Str("Elliptical"), FElliptical);
}

void TGvBubbles::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  QString Radius = RefOf(RadiusData());
  bool Elliptical = FElliptical;
  IniRead(Ini, Sec, Str("RadiusData"), Radius);
  IniRead(Ini, Sec, Str("Elliptical"), Elliptical);
  TGvSeries::ReadIni(Ini, Sec);
  LinkRadius(this, Radius);
  SetElliptical(Elliptical);
}

// ---- TGvArrows ---------------------------------------------------------------------

namespace {

struct TArrowForm
{
  QString DeltaX, DeltaY;
  float PointLength, InnerLength, PointHeight;

  explicit TArrowForm(const TGvArrows& A)
      : DeltaX(RefOf(A.DeltaX())), DeltaY(RefOf(A.DeltaY())), PointLength(A.Arrow()->PointLength()),
        InnerLength(A.Arrow()->InnerLength()), PointHeight(A.Arrow()->PointHeight())
  {
  }
  void Apply(TGvArrows& A) const
  {
    Link<TGvCustomDoubleVector>(&A, DeltaX, "Arrows X-delta data",
                                [](TGvArrows* S, TGvCustomDoubleVector* V) { S->SetDeltaX(V); });
    Link<TGvCustomDoubleVector>(&A, DeltaY, "Arrows Y-delta data",
                                [](TGvArrows* S, TGvCustomDoubleVector* V) { S->SetDeltaY(V); });
    TGvArrowSettings* P = A.Arrow();
    P->SetPointLength(FiniteOr(PointLength, P->PointLength()));
    P->SetInnerLength(FiniteOr(InnerLength, P->InnerLength()));
    P->SetPointHeight(FiniteOr(PointHeight, P->PointHeight()));
  }
};

} // namespace

void TGvArrows::WriteFields(TGvStreamWriter& W) const
{
  TGvSeries::WriteFields(W);
  const TArrowForm F(*this);
  W.WriteString(F.DeltaX);
  W.WriteString(F.DeltaY);
  W.WriteFloat32(F.PointLength);
  W.WriteFloat32(F.InnerLength);
  W.WriteFloat32(F.PointHeight);
  W.WriteByte(0);
}

void TGvArrows::ReadFields(TGvStreamReader& R)
{
  TGvSeries::ReadFields(R);
  TArrowForm F(*this);
  F.DeltaX = R.ReadString();
  F.DeltaY = R.ReadString();
  F.PointLength = R.ReadFloat32();
  F.InnerLength = R.ReadFloat32();
  F.PointHeight = R.ReadFloat32();
  ReadEndByte(R, "series");
  F.Apply(*this);
}

void TGvArrows::WriteToInner(QDomElement& E) const
{
  TGvSeries::WriteToInner(E);
  const TArrowForm F(*this);
  QDomElement A = Child(E, "Arrows");
  XmlWrite(A, Str("DeltaX"), F.DeltaX);
  XmlWrite(A, Str("DeltaY"), F.DeltaY);
  XmlWrite(A, Str("PointLength"), F.PointLength);
  XmlWrite(A, Str("InnerLength"), F.InnerLength);
  XmlWrite(A, Str("PointHeight"), F.PointHeight);
}

void TGvArrows::ReadFromInner(const QDomElement& E)
{
  TArrowForm F(*this);
  const QDomElement A = E.firstChildElement(Str("Arrows"));
  XmlRead(A, Str("DeltaX"), F.DeltaX);
  XmlRead(A, Str("DeltaY"), F.DeltaY);
  XmlRead(A, Str("PointLength"), F.PointLength);
  XmlRead(A, Str("InnerLength"), F.InnerLength);
  XmlRead(A, Str("PointHeight"), F.PointHeight);
  TGvSeries::ReadFromInner(E);
  F.Apply(*this);
}

void TGvArrows::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvSeries::WriteIni(Ini, Sec);
  const TArrowForm F(*this);
  IniWriteText(Ini, Sec, Str("DeltaX"), F.DeltaX);
  IniWriteText(Ini, Sec, Str("DeltaY"), F.DeltaY);
  Ini.WriteSingle(Sec, Str("Arrow.PointLength"), F.PointLength);
  Ini.WriteSingle(Sec, Str("Arrow.InnerLength"), F.InnerLength);
  Ini.WriteSingle(Sec, Str("Arrow.PointHeight"), F.PointHeight);
}

void TGvArrows::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TArrowForm F(*this);
  IniRead(Ini, Sec, Str("DeltaX"), F.DeltaX);
  IniRead(Ini, Sec, Str("DeltaY"), F.DeltaY);
  IniRead(Ini, Sec, Str("Arrow.PointLength"), F.PointLength);
  IniRead(Ini, Sec, Str("Arrow.InnerLength"), F.InnerLength);
  IniRead(Ini, Sec, Str("Arrow.PointHeight"), F.PointHeight);
  TGvSeries::ReadIni(Ini, Sec);
  F.Apply(*this);
}
