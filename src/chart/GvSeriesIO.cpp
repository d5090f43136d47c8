// The saved forms of the series: binary stream, XML element and ini section,
// with the fields the point, error-bar and function series add.
//
// The readers apply each value through its setter as they go, with the
// series loading (no undo records, the layer kept when it joins its graph).
// The public readers first read the same form into a scratch series of the
// same class with a checking context (nothing resolves, so the scratch
// series joins nothing), so that a bad form fails before the series changes.
#include "chart/GvSeries.h"

#include "chart/GvIO.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <memory>

namespace {

using namespace GvForms;

// A band to a series that leads back is refused by the series: noted, the
// link stays empty.
void SetBand(TGvSeries* S, TGvLineSeries* To)
{
  try {
    S->SetDrawBandTo(To);
  } catch (const EGvError& E) {
    if (TGvReadContext* C = TGvReadContext::Of(S)) C->Warn(E.Message());
  }
}

// ---- Point symbols ----

void WriteSymbol(TGvStreamWriter& W, const TGvPointSymbolSettings& P)
{
  W.WriteBool(P.Visible());
  W.WriteFloat32(P.Size());
  W.WriteFloat32(P.BorderLineWidth());
  W.WriteUInt32(P.BorderColor());
  W.WriteUInt32(P.FillColor());
  W.WriteByte(uint8_t(P.PointSymbol()));
}

struct TSymbolForm
{
  bool Visible;
  float Size, BorderLineWidth;
  TGvColor BorderColor, FillColor;
  int Symbol;

  explicit TSymbolForm(const TGvPointSymbolSettings& P)
      : Visible(P.Visible()), Size(P.Size()), BorderLineWidth(P.BorderLineWidth()),
        BorderColor(P.BorderColor()), FillColor(P.FillColor()), Symbol(int(P.PointSymbol()))
  {
  }
  void Read(TGvStreamReader& R)
  {
    Visible = R.ReadBool();
    Size = R.ReadFloat32();
    BorderLineWidth = R.ReadFloat32();
    BorderColor = R.ReadUInt32();
    FillColor = R.ReadUInt32();
    Symbol = CheckedValue(R.ReadByte(), GvPointSymbolCount, "point symbol", "series");
  }
  void Read(const QDomElement& E)
  {
    XmlRead(E, Str("Visible"), Visible);
    XmlRead(E, Str("Size"), Size);
    XmlRead(E, Str("BorderLineWidth"), BorderLineWidth);
    XmlReadColor(E, Str("BorderColor"), BorderColor);
    XmlReadColor(E, Str("FillColor"), FillColor);
    XmlRead(E, Str("Symbol"), Symbol);
    CheckedValue(Symbol, GvPointSymbolCount, "point symbol", "series");
  }
  void Read(const TGvIniFile& Ini, const QString& Sec, const QString& P)
  {
    IniRead(Ini, Sec, P + Str(".Visible"), Visible);
    IniRead(Ini, Sec, P + Str(".Size"), Size);
    IniRead(Ini, Sec, P + Str(".BorderLineWidth"), BorderLineWidth);
    IniReadColor(Ini, Sec, P + Str(".BorderColor"), BorderColor);
    IniReadColor(Ini, Sec, P + Str(".FillColor"), FillColor);
    IniRead(Ini, Sec, P + Str(".Symbol"), Symbol);
    CheckedValue(Symbol, GvPointSymbolCount, "point symbol", "series");
  }
  void Apply(TGvPointSymbolSettings& P) const
  {
    P.SetVisible(Visible);
    P.SetSize(Size);
    P.SetBorderLineWidth(BorderLineWidth);
    P.SetBorderColor(BorderColor);
    P.SetFillColor(FillColor);
    P.SetPointSymbol(TGvPointSymbol(Symbol));
  }
};

void WriteSymbol(QDomElement& E, const TGvPointSymbolSettings& P)
{
  XmlWrite(E, Str("Visible"), P.Visible());
  XmlWrite(E, Str("Size"), P.Size());
  XmlWrite(E, Str("BorderLineWidth"), P.BorderLineWidth());
  XmlWriteColor(E, Str("BorderColor"), P.BorderColor());
  XmlWriteColor(E, Str("FillColor"), P.FillColor());
  XmlWrite(E, Str("Symbol"), int(P.PointSymbol()));
}

void WriteSymbol(TGvIniFile& Ini, const QString& Sec, const QString& Pre,
                 const TGvPointSymbolSettings& P)
{
  Ini.WriteBool(Sec, Pre + Str(".Visible"), P.Visible());
  Ini.WriteSingle(Sec, Pre + Str(".Size"), P.Size());
  Ini.WriteSingle(Sec, Pre + Str(".BorderLineWidth"), P.BorderLineWidth());
  Ini.WriteColor(Sec, Pre + Str(".BorderColor"), P.BorderColor());
  Ini.WriteColor(Sec, Pre + Str(".FillColor"), P.FillColor());
  Ini.WriteInteger(Sec, Pre + Str(".Symbol"), int(P.PointSymbol()));
}

// A scratch series of the same class, for the check of a form.
std::unique_ptr<TGvSeries> Scratch(const TGvSeries& Like)
{
  const QString Class = QString::fromLatin1(Like.metaObject()->className());
  std::unique_ptr<TGvSeries> S(TGvClassRegistry<TGvSeries>::Instance().Create(Class, nullptr));
  if (!S) throw EGvError(QStringLiteral("Series class \"%1\" is not registered").arg(Class));
  return S;
}

} // namespace

// ---- TGvSeries: stream --------------------------------------------------------

void TGvSeries::WriteTo(TGvStreamWriter& W) const
{
  W.WriteString(QString::fromLatin1(metaObject()->className()));
  W.WriteString(GetComponentRef(this));
  WriteFields(W);
}

void TGvSeries::WriteFields(TGvStreamWriter& W) const
{
  W.WriteString(Caption());
  W.WriteBool(Visible());
  W.WriteBool(OutliersVisible());
  W.WriteBool(IncludeInLegend());
  W.WriteBool(AutoUpdate());
  W.WriteInt32(Layer());
  ToStream(W, *Line());
  ToStream(W, *Area());
  W.WriteString(RefOf(XData()));
  W.WriteString(RefOf(YData()));
  W.WriteString(RefOf(XAxis()));
  W.WriteString(RefOf(YAxis()));
  W.WriteByte(1);
  W.WriteString(RefOf(MergeLegendItemWith()));
  W.WriteString(RefOf(DrawBandTo()));
  W.WriteByte(0);
}

void TGvSeries::ReadFields(TGvStreamReader& R)
{
  SetCaption(R.ReadString());
  SetVisible(R.ReadBool());
  SetOutliersVisible(R.ReadBool());
  SetIncludeInLegend(R.ReadBool());
  SetAutoUpdate(R.ReadBool());
  SetLayer(R.ReadInt32());
  FromStream(R, *Line());
  FromStream(R, *Area());
  const QString X = R.ReadString(), Y = R.ReadString(), XA = R.ReadString(), YA = R.ReadString();
  Link<TGvCustomDoubleVector>(this, X, "X data",
                              [](TGvSeries* S, TGvCustomDoubleVector* V) { S->SetXData(V); });
  Link<TGvCustomDoubleVector>(this, Y, "Y data",
                              [](TGvSeries* S, TGvCustomDoubleVector* V) { S->SetYData(V); });
  Link<TGvAxis>(this, XA, "X axis", [](TGvSeries* S, TGvAxis* A) { S->SetXAxis(A); });
  Link<TGvAxis>(this, YA, "Y axis", [](TGvSeries* S, TGvAxis* A) { S->SetYAxis(A); });
  if (R.ReadByte() == 0) return;
  const QString Merge = R.ReadString(), Band = R.ReadString();
  Link<TGvSeries>(this, Merge, "MergeLegendItemWith",
                  [](TGvSeries* S, TGvSeries* M) { S->SetMergeLegendItemWith(M); });
  Link<TGvLineSeries>(this, Band, "DrawBandTo",
                      [](TGvSeries* S, TGvLineSeries* B) { SetBand(S, B); });
  ReadEndByte(R, "series");
}

void TGvSeries::ReadUnchecked(TGvStreamReader& R)
{
  R.ReadString(); // the class name: the reader made the series by it
  R.ReadString(); // the reference: the reader found the series by it
  TGvLoadingScope Loading(this);
  ReadFields(R);
}

void TGvSeries::WriteTo(QIODevice& Stream) const
{
  TGvStreamWriter W(Stream);
  WriteTo(W);
}

void TGvSeries::ReadFrom(QIODevice& Stream)
{
  // The check needs the bytes twice: a sequential device is read into memory.
  QBuffer Copy;
  QIODevice* D = &Rereadable(Stream, Copy);
  const qint64 Start = D->pos();
  {
    std::unique_ptr<TGvSeries> S = Scratch(*this);
    TGvReadContext Check(TGvReadContext::TMode::Check);
    TGvReadContextScope Scope(S.get(), &Check);
    TGvStreamReader R(*D);
    const QString Class = R.PeekString();
    if (Class != QLatin1String(metaObject()->className()))
      throw EGvReadError(QStringLiteral("Stream holds a %1, not a %2")
                             .arg(Class.left(64), QLatin1String(metaObject()->className())));
    S->ReadUnchecked(R);
  }
  D->seek(Start);
  TGvStreamReader R(*D);
  ReadUnchecked(R);
}

void TGvSeries::WriteTo(const QString& FileName) const
{
  QSaveFile F(FileName);
  if (!F.open(QIODevice::WriteOnly))
    throw EGvError(QStringLiteral("Cannot create file \"%1\"").arg(FileName));
  WriteTo(static_cast<QIODevice&>(F));
  if (!F.commit()) throw EGvError(QStringLiteral("Cannot write file \"%1\"").arg(FileName));
}

void TGvSeries::ReadFrom(const QString& FileName)
{
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly))
    throw EGvReadError(QStringLiteral("Cannot open file \"%1\"").arg(FileName));
  ReadFrom(static_cast<QIODevice&>(F));
}

// ---- TGvSeries: XML -----------------------------------------------------------

void TGvSeries::WriteTo(QDomElement& Node) const
{
  QDomElement E = Node.ownerDocument().createElement(QLatin1String(metaObject()->className()));
  Node.appendChild(E);
  WriteToInner(E);
}

void TGvSeries::WriteToInner(QDomElement& E) const
{
  E.setAttribute(Str("Name"), GetComponentRef(this));
  QDomElement C = Child(E, "Caption");
  XmlWrite(C, Str("Text"), Caption());
  QDomElement P = Child(E, "Properties");
  XmlWrite(P, Str("Visible"), Visible());
  XmlWrite(P, Str("OutliersVisible"), OutliersVisible());
  XmlWrite(P, Str("AutoUpdate"), AutoUpdate());
  XmlWrite(P, Str("IncludeInLegend"), IncludeInLegend());
  XmlWrite(P, Str("Layer"), Layer());
  ToNode(E, Str("Line"), *Line());
  ToNode(E, Str("Area"), *Area());
  QDomElement L = Child(E, "Links");
  XmlWrite(L, Str("XData"), RefOf(XData()));
  XmlWrite(L, Str("YData"), RefOf(YData()));
  XmlWrite(L, Str("XAxis"), RefOf(XAxis()));
  XmlWrite(L, Str("YAxis"), RefOf(YAxis()));
  XmlWrite(L, Str("MergeLegendItemWith"), RefOf(MergeLegendItemWith()));
  XmlWrite(L, Str("DrawBandTo"), RefOf(DrawBandTo()));
}

void TGvSeries::ReadFromInner(const QDomElement& E)
{
  QString Text = Caption();
  XmlRead(E.firstChildElement(Str("Caption")), Str("Text"), Text);
  const QDomElement P = E.firstChildElement(Str("Properties"));
  bool Vis = Visible(), Outliers = OutliersVisible(), Auto = AutoUpdate(),
       Legend = IncludeInLegend();
  int L = Layer();
  XmlRead(P, Str("Visible"), Vis);
  XmlRead(P, Str("OutliersVisible"), Outliers);
  XmlRead(P, Str("AutoUpdate"), Auto);
  XmlRead(P, Str("IncludeInLegend"), Legend);
  XmlRead(P, Str("Layer"), L);
  QString Refs[6] = {RefOf(XData()),
                     RefOf(YData()),
                     RefOf(XAxis()),
                     RefOf(YAxis()),
                     RefOf(MergeLegendItemWith()),
                     RefOf(DrawBandTo())};
  const char* const Names[6] = {"XData",     "YData", "XAxis", "YAxis", "MergeLegendItemWith",
                                "DrawBandTo"};
  const QDomElement Links = E.firstChildElement(Str("Links"));
  for (int I = 0; I < 6; ++I) XmlRead(Links, Str(Names[I]), Refs[I]);

  SetCaption(Text);
  SetVisible(Vis);
  SetOutliersVisible(Outliers);
  SetIncludeInLegend(Legend);
  SetAutoUpdate(Auto);
  SetLayer(L);
  FromNode(E, Str("Line"), *Line());
  FromNode(E, Str("Area"), *Area());
  Link<TGvCustomDoubleVector>(this, Refs[0], "X data",
                              [](TGvSeries* S, TGvCustomDoubleVector* V) { S->SetXData(V); });
  Link<TGvCustomDoubleVector>(this, Refs[1], "Y data",
                              [](TGvSeries* S, TGvCustomDoubleVector* V) { S->SetYData(V); });
  Link<TGvAxis>(this, Refs[2], "X axis", [](TGvSeries* S, TGvAxis* A) { S->SetXAxis(A); });
  Link<TGvAxis>(this, Refs[3], "Y axis", [](TGvSeries* S, TGvAxis* A) { S->SetYAxis(A); });
  Link<TGvSeries>(this, Refs[4], "MergeLegendItemWith",
                  [](TGvSeries* S, TGvSeries* M) { S->SetMergeLegendItemWith(M); });
  Link<TGvLineSeries>(this, Refs[5], "DrawBandTo",
                      [](TGvSeries* S, TGvLineSeries* B) { SetBand(S, B); });
}

void TGvSeries::ReadUnchecked(const QDomElement& Node)
{
  if (Node.tagName() != QLatin1String(metaObject()->className()))
    throw EGvReadError(QStringLiteral("Element \"%1\" is not a %2")
                           .arg(Node.tagName().left(64), QLatin1String(metaObject()->className())));
  TGvLoadingScope Loading(this);
  ReadFromInner(Node);
}

void TGvSeries::ReadFrom(const QDomElement& Node)
{
  {
    std::unique_ptr<TGvSeries> S = Scratch(*this);
    TGvReadContext Check(TGvReadContext::TMode::Check);
    TGvReadContextScope Scope(S.get(), &Check);
    S->ReadUnchecked(Node);
  }
  ReadUnchecked(Node);
}

// ---- TGvSeries: ini -------------------------------------------------------------

void TGvSeries::WriteTo(TGvIniFile& Ini, const QString& Section) const
{
  Ini.WriteString(Section, Str("Type"), QString::fromLatin1(metaObject()->className()));
  IniWriteText(Ini, Section, Str("Name"), GetComponentRef(this));
  WriteIni(Ini, Section);
}

void TGvSeries::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  IniWriteText(Ini, Sec, Str("Caption"), Caption());
  Ini.WriteBool(Sec, Str("Visible"), Visible());
  Ini.WriteBool(Sec, Str("OutliersVisible"), OutliersVisible());
  Ini.WriteBool(Sec, Str("AutoUpdate"), AutoUpdate());
  Ini.WriteBool(Sec, Str("IncludeInLegend"), IncludeInLegend());
  Ini.WriteInteger(Sec, Str("Layer"), Layer());
  ToIni(Ini, Sec, Str("Line"), *Line());
  ToIni(Ini, Sec, Str("Area"), *Area());
  IniWriteText(Ini, Sec, Str("XData"), RefOf(XData()));
  IniWriteText(Ini, Sec, Str("YData"), RefOf(YData()));
  IniWriteText(Ini, Sec, Str("XAxis"), RefOf(XAxis()));
  IniWriteText(Ini, Sec, Str("YAxis"), RefOf(YAxis()));
  IniWriteText(Ini, Sec, Str("MergeLegendItemWith"), RefOf(MergeLegendItemWith()));
  IniWriteText(Ini, Sec, Str("DrawBandTo"), RefOf(DrawBandTo()));
}

void TGvSeries::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  QString Text = Caption();
  bool Vis = Visible(), Outliers = OutliersVisible(), Auto = AutoUpdate(),
       Legend = IncludeInLegend();
  int L = Layer();
  IniRead(Ini, Sec, Str("Caption"), Text);
  IniRead(Ini, Sec, Str("Visible"), Vis);
  IniRead(Ini, Sec, Str("OutliersVisible"), Outliers);
  IniRead(Ini, Sec, Str("AutoUpdate"), Auto);
  IniRead(Ini, Sec, Str("IncludeInLegend"), Legend);
  IniRead(Ini, Sec, Str("Layer"), L);
  QString Refs[6] = {RefOf(XData()),
                     RefOf(YData()),
                     RefOf(XAxis()),
                     RefOf(YAxis()),
                     RefOf(MergeLegendItemWith()),
                     RefOf(DrawBandTo())};
  const char* const Names[6] = {"XData",     "YData", "XAxis", "YAxis", "MergeLegendItemWith",
                                "DrawBandTo"};
  for (int I = 0; I < 6; ++I) IniRead(Ini, Sec, Str(Names[I]), Refs[I]);

  SetCaption(Text);
  SetVisible(Vis);
  SetOutliersVisible(Outliers);
  SetIncludeInLegend(Legend);
  SetAutoUpdate(Auto);
  SetLayer(L);
  FromIni(Ini, Sec, Str("Line"), *Line());
  FromIni(Ini, Sec, Str("Area"), *Area());
  Link<TGvCustomDoubleVector>(this, Refs[0], "X data",
                              [](TGvSeries* S, TGvCustomDoubleVector* V) { S->SetXData(V); });
  Link<TGvCustomDoubleVector>(this, Refs[1], "Y data",
                              [](TGvSeries* S, TGvCustomDoubleVector* V) { S->SetYData(V); });
  Link<TGvAxis>(this, Refs[2], "X axis", [](TGvSeries* S, TGvAxis* A) { S->SetXAxis(A); });
  Link<TGvAxis>(this, Refs[3], "Y axis", [](TGvSeries* S, TGvAxis* A) { S->SetYAxis(A); });
  Link<TGvSeries>(this, Refs[4], "MergeLegendItemWith",
                  [](TGvSeries* S, TGvSeries* M) { S->SetMergeLegendItemWith(M); });
  Link<TGvLineSeries>(this, Refs[5], "DrawBandTo",
                      [](TGvSeries* S, TGvLineSeries* B) { SetBand(S, B); });
}

void TGvSeries::ReadUnchecked(const TGvIniFile& Ini, const QString& Section)
{
  if (!Ini.SectionExists(Section))
    throw EGvReadError(QStringLiteral("Section \"%1\" not found").arg(Section));
  const QString Type = Ini.ReadString(Section, Str("Type"), QString());
  if (!Type.isEmpty() && Type != QLatin1String(metaObject()->className()))
    throw EGvReadError(QStringLiteral("Section \"%1\" holds a %2, not a %3")
                           .arg(Section, Type.left(64), QLatin1String(metaObject()->className())));
  TGvLoadingScope Loading(this);
  ReadIni(Ini, Section);
}

void TGvSeries::ReadFrom(const TGvIniFile& Ini, const QString& Section)
{
  {
    std::unique_ptr<TGvSeries> S = Scratch(*this);
    TGvReadContext Check(TGvReadContext::TMode::Check);
    TGvReadContextScope Scope(S.get(), &Check);
    S->ReadUnchecked(Ini, Section);
  }
  ReadUnchecked(Ini, Section);
}

// ---- TGvPointSeries ----------------------------------------------------------------

void TGvPointSeries::WriteFields(TGvStreamWriter& W) const
{
  TGvLineSeries::WriteFields(W);
  WriteSymbol(W, *PointSymbol());
  W.WriteByte(1);
  WriteSymbol(W, *OutOfRangePointSymbol());
  W.WriteString(RefOf(RangeFromFunction()));
  W.WriteByte(0);
}

void TGvPointSeries::ReadFields(TGvStreamReader& R)
{
  TGvLineSeries::ReadFields(R);
  TSymbolForm Symbol(*PointSymbol());
  Symbol.Read(R);
  Symbol.Apply(*PointSymbol());
  if (R.ReadByte() == 0) return;
  TSymbolForm Out(*OutOfRangePointSymbol());
  Out.Read(R);
  Out.Apply(*OutOfRangePointSymbol());
  Link<TGvFunctionSeries>(
      this, R.ReadString(), "RangeFromFunction",
      [](TGvPointSeries* S, TGvFunctionSeries* F) { S->SetRangeFromFunction(F); });
  ReadEndByte(R, "series");
}

void TGvPointSeries::WriteToInner(QDomElement& E) const
{
  TGvLineSeries::WriteToInner(E);
  QDomElement P = Child(E, "PointSymbol");
  WriteSymbol(P, *PointSymbol());
  XmlWrite(P, Str("RangeFromFunction"), RefOf(RangeFromFunction()));
  QDomElement O = Child(E, "OutOfRangeSymbol");
  WriteSymbol(O, *OutOfRangePointSymbol());
}

void TGvPointSeries::ReadFromInner(const QDomElement& E)
{
  TSymbolForm Symbol(*PointSymbol()), Out(*OutOfRangePointSymbol());
  const QDomElement P = E.firstChildElement(Str("PointSymbol"));
  Symbol.Read(P);
  Out.Read(E.firstChildElement(Str("OutOfRangeSymbol")));
  QString Range = RefOf(RangeFromFunction());
  XmlRead(P, Str("RangeFromFunction"), Range);
  TGvLineSeries::ReadFromInner(E);
  Symbol.Apply(*PointSymbol());
  Out.Apply(*OutOfRangePointSymbol());
  Link<TGvFunctionSeries>(
      this, Range, "RangeFromFunction",
      [](TGvPointSeries* S, TGvFunctionSeries* F) { S->SetRangeFromFunction(F); });
}

void TGvPointSeries::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvLineSeries::WriteIni(Ini, Sec);
  WriteSymbol(Ini, Sec, Str("PointSymbol"), *PointSymbol());
  WriteSymbol(Ini, Sec, Str("OutOfRangeSymbol"), *OutOfRangePointSymbol());
  IniWriteText(Ini, Sec, Str("RangeFromFunction"), RefOf(RangeFromFunction()));
}

void TGvPointSeries::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TSymbolForm Symbol(*PointSymbol()), Out(*OutOfRangePointSymbol());
  Symbol.Read(Ini, Sec, Str("PointSymbol"));
  Out.Read(Ini, Sec, Str("OutOfRangeSymbol"));
  QString Range = RefOf(RangeFromFunction());
  IniRead(Ini, Sec, Str("RangeFromFunction"), Range);
  TGvLineSeries::ReadIni(Ini, Sec);
  Symbol.Apply(*PointSymbol());
  Out.Apply(*OutOfRangePointSymbol());
  Link<TGvFunctionSeries>(
      this, Range, "RangeFromFunction",
      [](TGvPointSeries* S, TGvFunctionSeries* F) { S->SetRangeFromFunction(F); });
}

// ---- TGvPointWithErrorSeries ----------------------------------------------------------

namespace {
const char* const DeltaNames[4] = {"DeltaXPlus", "DeltaXMinus", "DeltaYPlus", "DeltaYMinus"};

void SetDeltaOf(TGvPointWithErrorSeries* S, int K, TGvCustomDoubleVector* V)
{
  switch (K) {
  case 0:
    S->SetDeltaXPlus(V);
    break;
  case 1:
    S->SetDeltaXMinus(V);
    break;
  case 2:
    S->SetDeltaYPlus(V);
    break;
  default:
    S->SetDeltaYMinus(V);
    break;
  }
}

QString DeltaRef(const TGvPointWithErrorSeries& S, int K)
{
  const TGvCustomDoubleVector* V[4] = {S.DeltaXPlus(), S.DeltaXMinus(), S.DeltaYPlus(),
                                       S.DeltaYMinus()};
  return RefOf(V[K]);
}

void LinkDeltas(TGvPointWithErrorSeries* S, const QString (&Refs)[4])
{
  for (int K = 0; K < 4; ++K)
    Link<TGvCustomDoubleVector>(
        S, Refs[K], DeltaNames[K],
        [K](TGvPointWithErrorSeries* E, TGvCustomDoubleVector* V) { SetDeltaOf(E, K, V); });
}
} // namespace

void TGvPointWithErrorSeries::WriteFields(TGvStreamWriter& W) const
{
  TGvPointSeries::WriteFields(W);
  ToStream(W, *ErrorIndicator());
  for (int K = 0; K < 4; ++K) W.WriteString(DeltaRef(*this, K));
  W.WriteByte(0);
}

void TGvPointWithErrorSeries::ReadFields(TGvStreamReader& R)
{
  TGvPointSeries::ReadFields(R);
  FromStream(R, *ErrorIndicator());
  QString Refs[4];
  for (QString& Ref : Refs) Ref = R.ReadString();
  LinkDeltas(this, Refs);
  ReadEndByte(R, "series");
}

void TGvPointWithErrorSeries::WriteToInner(QDomElement& E) const
{
  TGvPointSeries::WriteToInner(E);
  QDomElement I = Child(E, "ErrorIndicator");
  ToNode(I, Str("Line"), *ErrorIndicator());
  for (int K = 0; K < 4; ++K) XmlWrite(I, Str(DeltaNames[K]), DeltaRef(*this, K));
}

void TGvPointWithErrorSeries::ReadFromInner(const QDomElement& E)
{
  TGvPointSeries::ReadFromInner(E);
  const QDomElement I = E.firstChildElement(Str("ErrorIndicator"));
  if (I.isNull()) return;
  FromNode(I, Str("Line"), *ErrorIndicator());
  QString Refs[4];
  for (int K = 0; K < 4; ++K) {
    Refs[K] = DeltaRef(*this, K);
    XmlRead(I, Str(DeltaNames[K]), Refs[K]);
  }
  LinkDeltas(this, Refs);
}

void TGvPointWithErrorSeries::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvPointSeries::WriteIni(Ini, Sec);
  ToIni(Ini, Sec, Str("ErrorIndicator"), *ErrorIndicator());
  for (int K = 0; K < 4; ++K) IniWriteText(Ini, Sec, Str(DeltaNames[K]), DeltaRef(*this, K));
}

void TGvPointWithErrorSeries::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvPointSeries::ReadIni(Ini, Sec);
  FromIni(Ini, Sec, Str("ErrorIndicator"), *ErrorIndicator());
  QString Refs[4];
  for (int K = 0; K < 4; ++K) {
    Refs[K] = DeltaRef(*this, K);
    IniRead(Ini, Sec, Str(DeltaNames[K]), Refs[K]);
  }
  LinkDeltas(this, Refs);
}

// ---- TGvFunctionSeries ------------------------------------------------------------------

void TGvFunctionSeries::WriteFields(TGvStreamWriter& W) const
{
  TGvLineSeries::WriteFields(W);
  W.WriteString(RefOf(Weight()));
  W.WriteBool(AutoStart());
  W.WriteBool(AutoStop());
  W.WriteBool(DisplayAutoStart());
  W.WriteBool(DisplayAutoStop());
  W.WriteFloat64(CalculationStart());
  W.WriteFloat64(CalculationStop());
  W.WriteFloat64(DisplayStart());
  W.WriteFloat64(DisplayStop());
  W.WriteBool(CoupleCalculationAndDisplay());
  W.WriteBool(ClipYValues());
  W.WriteByte(0);
}

void TGvFunctionSeries::ReadFields(TGvStreamReader& R)
{
  TGvLineSeries::ReadFields(R);
  Link<TGvCustomDoubleVector>(
      this, R.ReadString(), "Weight",
      [](TGvFunctionSeries* S, TGvCustomDoubleVector* V) { S->SetWeight(V); });
  // The flags before the bounds, in the order written.
  SetAutoStart(R.ReadBool());
  SetAutoStop(R.ReadBool());
  SetDisplayAutoStart(R.ReadBool());
  SetDisplayAutoStop(R.ReadBool());
  SetCalculationStart(R.ReadFloat64());
  SetCalculationStop(R.ReadFloat64());
  SetDisplayStart(R.ReadFloat64());
  SetDisplayStop(R.ReadFloat64());
  SetCoupleCalculationAndDisplay(R.ReadBool());
  SetClipYValues(R.ReadBool());
  ReadEndByte(R, "series");
}

void TGvFunctionSeries::WriteToInner(QDomElement& E) const
{
  TGvLineSeries::WriteToInner(E);
  QDomElement F = Child(E, "FunctionSeries");
  XmlWrite(F, Str("Weight"), RefOf(Weight()));
  XmlWrite(F, Str("AutoStart"), AutoStart());
  XmlWrite(F, Str("AutoStop"), AutoStop());
  XmlWrite(F, Str("DisplayAutoStart"), DisplayAutoStart());
  XmlWrite(F, Str("DisplayAutoStop"), DisplayAutoStop());
  XmlWrite(F, Str("CalculationStart"), CalculationStart());
  XmlWrite(F, Str("CalculationStop"), CalculationStop());
  XmlWrite(F, Str("DisplayStart"), DisplayStart());
  XmlWrite(F, Str("DisplayStop"), DisplayStop());
  XmlWrite(F, Str("CoupleCalculationAndDisplay"), CoupleCalculationAndDisplay());
  XmlWrite(F, Str("ClipYValues"), ClipYValues());
}

namespace {
struct TFunctionForm
{
  QString Weight;
  bool AutoStart, AutoStop, DisplayAutoStart, DisplayAutoStop, Couple, Clip;
  double CalculationStart, CalculationStop, DisplayStart, DisplayStop;

  explicit TFunctionForm(const TGvFunctionSeries& S)
      : Weight(RefOf(S.Weight())), AutoStart(S.AutoStart()), AutoStop(S.AutoStop()),
        DisplayAutoStart(S.DisplayAutoStart()), DisplayAutoStop(S.DisplayAutoStop()),
        Couple(S.CoupleCalculationAndDisplay()), Clip(S.ClipYValues()),
        CalculationStart(S.CalculationStart()), CalculationStop(S.CalculationStop()),
        DisplayStart(S.DisplayStart()), DisplayStop(S.DisplayStop())
  {
  }
  void Apply(TGvFunctionSeries& S) const
  {
    Link<TGvCustomDoubleVector>(
        &S, Weight, "Weight",
        [](TGvFunctionSeries* F, TGvCustomDoubleVector* V) { F->SetWeight(V); });
    S.SetAutoStart(AutoStart);
    S.SetAutoStop(AutoStop);
    S.SetDisplayAutoStart(DisplayAutoStart);
    S.SetDisplayAutoStop(DisplayAutoStop);
    S.SetCalculationStart(CalculationStart);
    S.SetCalculationStop(CalculationStop);
    S.SetDisplayStart(DisplayStart);
    S.SetDisplayStop(DisplayStop);
    S.SetCoupleCalculationAndDisplay(Couple);
    S.SetClipYValues(Clip);
  }
};
} // namespace

void TGvFunctionSeries::ReadFromInner(const QDomElement& E)
{
  TGvLineSeries::ReadFromInner(E);
  const QDomElement F = E.firstChildElement(Str("FunctionSeries"));
  if (F.isNull()) return;
  TFunctionForm Form(*this);
  XmlRead(F, Str("Weight"), Form.Weight);
  XmlRead(F, Str("AutoStart"), Form.AutoStart);
  XmlRead(F, Str("AutoStop"), Form.AutoStop);
  XmlRead(F, Str("DisplayAutoStart"), Form.DisplayAutoStart);
  XmlRead(F, Str("DisplayAutoStop"), Form.DisplayAutoStop);
  XmlRead(F, Str("CalculationStart"), Form.CalculationStart);
  XmlRead(F, Str("CalculationStop"), Form.CalculationStop);
  XmlRead(F, Str("DisplayStart"), Form.DisplayStart);
  XmlRead(F, Str("DisplayStop"), Form.DisplayStop);
  XmlRead(F, Str("CoupleCalculationAndDisplay"), Form.Couple);
  XmlRead(F, Str("ClipYValues"), Form.Clip);
  Form.Apply(*this);
}

void TGvFunctionSeries::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvLineSeries::WriteIni(Ini, Sec);
  IniWriteText(Ini, Sec, Str("Weight"), RefOf(Weight()));
  Ini.WriteBool(Sec, Str("AutoStart"), AutoStart());
  Ini.WriteBool(Sec, Str("AutoStop"), AutoStop());
  Ini.WriteBool(Sec, Str("DisplayAutoStart"), DisplayAutoStart());
  Ini.WriteBool(Sec, Str("DisplayAutoStop"), DisplayAutoStop());
  Ini.WriteFloat(Sec, Str("CalculationStart"), CalculationStart());
  Ini.WriteFloat(Sec, Str("CalculationStop"), CalculationStop());
  Ini.WriteFloat(Sec, Str("DisplayStart"), DisplayStart());
  Ini.WriteFloat(Sec, Str("DisplayStop"), DisplayStop());
  Ini.WriteBool(Sec, Str("CoupleCalculationAndDisplay"), CoupleCalculationAndDisplay());
  Ini.WriteBool(Sec, Str("ClipYValues"), ClipYValues());
}

void TGvFunctionSeries::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvLineSeries::ReadIni(Ini, Sec);
  TFunctionForm Form(*this);
  IniRead(Ini, Sec, Str("Weight"), Form.Weight);
  IniRead(Ini, Sec, Str("AutoStart"), Form.AutoStart);
  IniRead(Ini, Sec, Str("AutoStop"), Form.AutoStop);
  IniRead(Ini, Sec, Str("DisplayAutoStart"), Form.DisplayAutoStart);
  IniRead(Ini, Sec, Str("DisplayAutoStop"), Form.DisplayAutoStop);
  IniRead(Ini, Sec, Str("CalculationStart"), Form.CalculationStart);
  IniRead(Ini, Sec, Str("CalculationStop"), Form.CalculationStop);
  IniRead(Ini, Sec, Str("DisplayStart"), Form.DisplayStart);
  IniRead(Ini, Sec, Str("DisplayStop"), Form.DisplayStop);
  IniRead(Ini, Sec, Str("CoupleCalculationAndDisplay"), Form.Couple);
  IniRead(Ini, Sec, Str("ClipYValues"), Form.Clip);
  Form.Apply(*this);
}

// ---- Point symbols for other series -------------------------------------------------

void PointSymbolToStream(TGvStreamWriter& W, const TGvPointSymbolSettings& P)
{
  WriteSymbol(W, P);
}

void PointSymbolFromStream(TGvStreamReader& R, TGvPointSymbolSettings& P)
{
  TSymbolForm Form(P);
  Form.Read(R);
  Form.Apply(P);
}

void PointSymbolToNode(QDomElement& E, const TGvPointSymbolSettings& P)
{
  WriteSymbol(E, P);
}

void PointSymbolFromNode(const QDomElement& E, TGvPointSymbolSettings& P)
{
  TSymbolForm Form(P);
  Form.Read(E);
  Form.Apply(P);
}

void PointSymbolToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
                      const TGvPointSymbolSettings& P)
{
  WriteSymbol(Ini, Section, Prefix, P);
}

void PointSymbolFromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
                        TGvPointSymbolSettings& P)
{
  TSymbolForm Form(P);
  Form.Read(Ini, Section, Prefix);
  Form.Apply(P);
}
