// The text of numbers and colours in the saved forms, ini text encoding, the
// XML depth guard and the line, area, gradient and font blocks in their three
// forms.
#include "chart/GvIO.h"

#include "chart/GvRichLabel.h"
#include "chart/GvStyles.h"
#include "controls/GvStringFunctions.h"

#include <QBuffer>
#include <QDomDocument>
#include <QTemporaryDir>
#include <bit>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

TEST(FloatText, ShortestTextInTheLayoutOfDoubleToStr)
{
  struct TCase
  {
    double X;
    const char* Text;
  };
  const TCase Cases[] = {
      {0.1, "0.1"},
      {1.5, "1.5"},
      {-2.5e-7, "-2.5E-7"},
      {1e20, "1E20"},
      {1e15, "1E15"},
      {123456789012345.0, "123456789012345"},
      {0.00001, "0.00001"},
      {1.0 / 3, "0.3333333333333333"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.7976931348623157e308, "1.7976931348623157E308"},
      {5e-324, "5E-324"},
      {0.0, "0"},
      {-0.0, "-0"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(GvFloatToText(C.X), QLatin1String(C.Text));
    double Back = 42;
    ASSERT_TRUE(GvTextToFloat(QLatin1String(C.Text), Back)) << C.Text;
    EXPECT_EQ(std::bit_cast<uint64_t>(Back), std::bit_cast<uint64_t>(C.X)) << C.Text;
  }
  EXPECT_EQ(GvFloatToText(0.1f), QStringLiteral("0.1"));
  EXPECT_EQ(GvFloatToText(2.7182817f), QStringLiteral("2.7182817"));
  // The 15 digits of DoubleToStr stay as they are.
  EXPECT_EQ(DoubleToStr(0.1 + 0.2), QStringLiteral("0.3"));
}

TEST(FloatText, EveryDoubleAndFloatReadsBackExactly)
{
  std::mt19937_64 Random(16);
  for (int I = 0; I < 20000; ++I) {
    const double X = std::bit_cast<double>(Random());
    const QString T = GvFloatToText(X);
    double Back = 0;
    ASSERT_TRUE(GvTextToFloat(T, Back)) << T.toStdString();
    if (std::isnan(X))
      EXPECT_TRUE(std::isnan(Back));
    else
      ASSERT_EQ(std::bit_cast<uint64_t>(Back), std::bit_cast<uint64_t>(X)) << T.toStdString();
    int Digits = 0;
    for (QChar C : T.left(T.indexOf(QLatin1Char('E')))) Digits += C.isDigit();
    EXPECT_LE(Digits, 17 + 5) << T.toStdString(); // plain layout adds leading zeros
    const float F = std::bit_cast<float>(uint32_t(Random()));
    float FBack = 0;
    ASSERT_TRUE(GvTextToFloat(GvFloatToText(F), FBack));
    if (!std::isnan(F)) { ASSERT_EQ(std::bit_cast<uint32_t>(FBack), std::bit_cast<uint32_t>(F)); }
  }
}

TEST(FloatText, ReadsDoubleToStrTextsAndRefusesTheRest)
{
  for (const char* T : {"1.5E-7", "1,5", "", "1.5x", "0x10", "--1", "+-1", "1e", "infinity"}) {
    double X = 7;
    const bool Ok = GvTextToFloat(QLatin1String(T), X);
    if (QLatin1String(T) == QLatin1String("1.5E-7")) {
      EXPECT_TRUE(Ok);
      EXPECT_EQ(X, 1.5e-7);
    } else {
      EXPECT_FALSE(Ok) << T;
      EXPECT_EQ(X, 7) << T;
    }
  }
  double X = 0;
  EXPECT_TRUE(GvTextToFloat(QStringLiteral(" +2.5E+3 "), X));
  EXPECT_EQ(X, 2500);
  EXPECT_TRUE(GvTextToFloat(QStringLiteral("1E-400"), X));
  EXPECT_EQ(X, 0);
  EXPECT_FALSE(GvTextToFloat(QStringLiteral("1E400"), X));
  // The special texts in any case, a sign only before INF.
  const double Inf = std::numeric_limits<double>::infinity();
  struct TSpecial
  {
    const char* Text;
    bool Ok;
    double Value;
  };
  for (const TSpecial& C :
       {TSpecial{"nan", true, 0}, TSpecial{" NaN ", true, 0}, TSpecial{"+INF", true, Inf},
        TSpecial{"-inf", true, -Inf}, TSpecial{"iNf", true, Inf}, TSpecial{"+NAN", false, 0},
        TSpecial{"-nan", false, 0}, TSpecial{"N", false, 0}, TSpecial{"+", false, 0},
        TSpecial{"-", false, 0}, TSpecial{"INFX", false, 0}, TSpecial{"+-INF", false, 0}}) {
    double V = 7;
    EXPECT_EQ(GvTextToFloat(QLatin1String(C.Text), V), C.Ok) << C.Text;
    if (!C.Ok)
      EXPECT_EQ(V, 7) << C.Text;
    else if (C.Value == 0)
      EXPECT_TRUE(std::isnan(V)) << C.Text;
    else
      EXPECT_EQ(V, C.Value) << C.Text;
  }
}

TEST(IniText, LineBreaksAndTheEscapeCannotEndALine)
{
  struct TCase
  {
    QString Text;
    QString Encoded;
  };
  const TCase Cases[] = {
      {QStringLiteral("a\rb"), QStringLiteral("a@\\rb")},
      {QStringLiteral("a\nb"), QStringLiteral("a@\\nb")},
      {QStringLiteral("a\r\nb"), QStringLiteral("a@\\r@\\nb")},
      {QStringLiteral("at @\\r literally"), QStringLiteral("at @\\\\r literally")},
      {QStringLiteral("@\\"), QStringLiteral("@\\\\")},
      {QStringLiteral("@@\\n"), QStringLiteral("@@\\\\n")},
      {QStringLiteral("back\\slash @ at"), QStringLiteral("back\\slash @ at")},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(EncodeForIni(C.Text), C.Encoded);
    EXPECT_EQ(DecodeFomIni(C.Encoded), C.Text);
  }
  // A caption that tries to start a key and a section of its own.
  TGvIniFile Ini;
  const QString Evil = QStringLiteral("x\nInjected=1\r\n[Evil]\nKey=2");
  IniWriteText(Ini, QStringLiteral("Graph"), QStringLiteral("Caption"), Evil);
  TGvIniFile Back;
  Back.FromText(Ini.ToText());
  EXPECT_EQ(Back.Sections(), QStringList({QStringLiteral("Graph")}));
  EXPECT_EQ(Back.Keys(QStringLiteral("Graph")), QStringList({QStringLiteral("Caption")}));
  QString Read;
  IniRead(Back, QStringLiteral("Graph"), QStringLiteral("Caption"), Read);
  EXPECT_EQ(Read, Evil);
  // Files written before line feeds were encoded read as before.
  Back.FromText("[G]\r\nCaption=one@\\rtwo @\\x\r\n");
  IniRead(Back, QStringLiteral("G"), QStringLiteral("Caption"), Read);
  EXPECT_EQ(Read, QStringLiteral("one\rtwo @\\x"));
}

TEST(ColorText, NamesHexAndDecimalAboveTheSignedRange)
{
  EXPECT_EQ(ARGBToString(GvColors::DarkRed), QStringLiteral("DarkRed"));
  EXPECT_EQ(ARGBToString(0x12345678), QStringLiteral("$12345678"));
  EXPECT_EQ(ColorToARGB(QStringLiteral("4294901760")), 0xFFFF0000u);
  EXPECT_EQ(ColorToARGB(QStringLiteral("2147483648")), 0x80000000u);
  EXPECT_EQ(ColorToARGB(QStringLiteral("-16777216")), 0xFF000000u);
  TGvIniFile Ini;
  Ini.WriteString(QStringLiteral("S"), QStringLiteral("Color"), QStringLiteral("4278190335"));
  EXPECT_EQ(Ini.ReadColor(QStringLiteral("S"), QStringLiteral("Color"), 0), 0xFF0000FFu);
  EXPECT_EQ(Ini.ReadColor(QStringLiteral("S"), QStringLiteral("Missing"), 7u), 7u);
}

TEST(Xml, DeepNestingIsRefusedBeforeADomIsBuilt)
{
  QDomDocument Doc;
  QByteArray Deep;
  for (int I = 0; I < 100000; ++I) Deep += "<a>";
  try {
    GvParseXml(Deep, Doc);
    FAIL();
  } catch (const EGvReadError& E) {
    EXPECT_TRUE(E.Message().contains(QStringLiteral("deeper"))) << E.what();
  }
  EXPECT_THROW(GvParseXml("<a><b></a>", Doc), EGvReadError);
  QByteArray Fine;
  for (int I = 0; I < GvMaxXmlDepth; ++I) Fine += "<a>";
  for (int I = 0; I < GvMaxXmlDepth; ++I) Fine += "</a>";
  GvParseXml(Fine, Doc);
  EXPECT_EQ(Doc.documentElement().tagName(), QStringLiteral("a"));
}

// The parser builds the nodes QDomDocument::setContent builds: elements and
// attributes, text that is not only white space, CDATA, comments, processing
// instructions and the XML declaration.
TEST(Xml, ParsedDocumentsHoldTheNodesOfTheDomParser)
{
  const char* const Texts[] = {
      "<a/>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a x=\"1\" y='2'>\n <b>text &amp; more</b>\n"
      " <c><![CDATA[ <raw> ]]></c>\n <!-- note -->\n <?pi data?>\n   \n <d>  </d><e> x </e></a>",
      "<?xml version=\"1.0\" standalone=\"yes\"?><r>&lt;&#65;&#x263a;</r>",
      "<!-- before --><r><s a=\"&quot;&#10;&#9;\"/>tail<t/>more</r><!-- after -->",
      "<r>a<b/>c<b>d<b>e</b></b></r>",
  };
  for (const char* Text : Texts) {
    QDomDocument Dom, Ours;
    ASSERT_TRUE(Dom.setContent(QByteArray(Text))) << Text;
    GvParseXml(QByteArray(Text), Ours);
    EXPECT_EQ(Ours.toString(-1), Dom.toString(-1)) << Text;
  }
}

TEST(Xml, TextOfADocumentDoesNotDependOnTheRun)
{
  // The same attributes set in two orders give one text, attributes by name.
  QDomDocument A, B;
  QDomElement EA = A.createElement(QStringLiteral("Line")),
              EB = B.createElement(QStringLiteral("Line"));
  A.appendChild(EA);
  B.appendChild(EB);
  const char* const Names[] = {"Width", "Color", "Visible", "DashStyle"};
  for (int I = 0; I < 4; ++I) {
    EA.setAttribute(QLatin1String(Names[I]), I);
    EB.setAttribute(QLatin1String(Names[3 - I]), 3 - I);
  }
  QDomElement T = A.createElement(QStringLiteral("Item"));
  T.appendChild(A.createTextNode(QStringLiteral("a < b & \"c\"")));
  EA.appendChild(T);
  QDomElement TB = B.createElement(QStringLiteral("Item"));
  TB.appendChild(B.createTextNode(QStringLiteral("a < b & \"c\"")));
  EB.appendChild(TB);
  const QByteArray Text = GvXmlText(A);
  EXPECT_EQ(GvXmlText(B), Text);
  EXPECT_TRUE(Text.contains("<Line Color=\"1\" DashStyle=\"3\" Visible=\"2\" Width=\"0\">"))
      << Text.toStdString();
  QDomDocument Back;
  GvParseXml(Text, Back);
  EXPECT_EQ(GvXmlText(Back), Text);
  EXPECT_EQ(Back.documentElement().firstChildElement().text(), QStringLiteral("a < b & \"c\""));
}

// ---- Style blocks ---------------------------------------------------------

void Customise(TGvGradientSettings& G)
{
  G.SetVisible(true);
  G.SetStyle(TGvGradientStyle::Elliptical);
  G.SetFirstColor(0x11223344);
  G.SetMiddleColor(GvColors::DarkRed);
  G.SetLastColor(0xFEDCBA98);
  G.SetLinearAngle(33.3f);
  G.SetLinearCenter(0.1f);
  G.SetRadialCenterX(0.7f);
  G.SetRadialCenterY(-0.25f);
}

void Customise(TGvLineSettings& L)
{
  L.SetVisible(false);
  L.SetColor(0x80FF8000);
  L.SetWidth(2.5f);
  L.SetDashStyle(TGvDashStyle::DashDotDot);
  Customise(*L.Gradient());
}

void Customise(TGvAreaSettings& A)
{
  A.SetVisible(true);
  A.SetForeColor(0x01020304);
  A.SetBackColor(GvColors::Navy);
  A.SetAreaStyle(TGvAreaStyle::Weave);
  Customise(*A.Gradient());
}

void Customise(TGvFont& F)
{
  F.SetName(QStringLiteral("Times New Roman"));
  F.SetSize(13.3f);
  F.SetStyle(TGvFontStyle::Bold | TGvFontStyle::StrikeOut);
  F.SetDrawEffects(TGvCharDrawEffect::Outline | TGvCharDrawEffect::Raised);
  F.SetRenderingHint(TGvTextRenderingHint::ClearTypeGridFit);
  F.SetFillColor(0xFF00FF00);
  Customise(*F.Gradient());
}

QByteArray StreamOf(const auto& S)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  TGvStreamWriter W(B);
  ToStream(W, S);
  return B.data();
}

template <class T> void ReadStream(const QByteArray& Bytes, T& S)
{
  QBuffer B;
  B.setData(Bytes);
  B.open(QIODevice::ReadOnly);
  TGvStreamReader R(B);
  FromStream(R, S);
  EXPECT_TRUE(B.atEnd());
}

QByteArray XmlOf(const auto& S)
{
  QDomDocument Doc;
  QDomElement Root = Doc.createElement(QStringLiteral("Root"));
  Doc.appendChild(Root);
  ToNode(Root, QStringLiteral("Block"), S);
  return Doc.toByteArray();
}

template <class T> void ReadXml(const QByteArray& Text, T& S)
{
  QDomDocument Doc;
  GvParseXml(Text, Doc);
  EXPECT_TRUE(FromNode(Doc.documentElement(), QStringLiteral("Block"), S));
}

QByteArray IniOf(const auto& S)
{
  TGvIniFile Ini;
  ToIni(Ini, QStringLiteral("Sec"), QStringLiteral("P"), S);
  return Ini.ToText();
}

template <class T> void ReadIni(const QByteArray& Text, T& S)
{
  TGvIniFile Ini;
  Ini.FromText(Text);
  FromIni(Ini, QStringLiteral("Sec"), QStringLiteral("P"), S);
}

// Written, read into defaults and written again: the same in every form.
template <class T> void ExpectRoundTrips()
{
  T Source;
  Customise(Source);
  const QByteArray S = StreamOf(Source), X = XmlOf(Source), I = IniOf(Source);
  T A, B, C;
  ReadStream(S, A);
  ReadXml(X, B);
  ReadIni(I, C);
  for (T* Read : {&A, &B, &C}) {
    EXPECT_EQ(StreamOf(*Read), S) << T::staticMetaObject.className();
    EXPECT_EQ(XmlOf(*Read), X);
    EXPECT_EQ(IniOf(*Read), I);
  }
}

TEST(StyleBlocks, EveryBlockRoundTripsInEveryForm)
{
  ExpectRoundTrips<TGvGradientSettings>();
  ExpectRoundTrips<TGvLineSettings>();
  ExpectRoundTrips<TGvAreaSettings>();
  ExpectRoundTrips<TGvFont>();
  // The simple line: no Visible byte.
  TGvSimpleLineSettings Simple;
  Simple.SetColor(GvColors::Blue);
  TGvLineSettings Full;
  Full.SetColor(GvColors::Blue);
  EXPECT_EQ(StreamOf(static_cast<const TGvSimpleLineSettings&>(Full)), StreamOf(Simple));
  EXPECT_EQ(StreamOf(Full), QByteArray(1, '\1') + StreamOf(Simple));
}

TEST(StyleBlocks, BinaryLayoutAsTabled)
{
  TGvLineSettings L;
  Customise(L);
  const QByteArray S = StreamOf(L);
  // Visible, Color, Width, DashStyle, 1, gradient (31 bytes), 0.
  ASSERT_EQ(S.size(), 1 + 4 + 4 + 1 + 1 + 31 + 1);
  EXPECT_EQ(S[0], '\0');
  EXPECT_EQ(S.mid(1, 4), QByteArray("\x00\x80\xFF\x80", 4));
  float W;
  std::memcpy(&W, S.constData() + 5, 4);
  EXPECT_EQ(W, 2.5f);
  EXPECT_EQ(S[9], char(TGvDashStyle::DashDotDot));
  EXPECT_EQ(S[10], '\1');
  EXPECT_EQ(S[11], '\1'); // gradient Visible
  EXPECT_EQ(S[12], char(TGvGradientStyle::Elliptical));
  EXPECT_EQ(S.mid(13, 4), QByteArray("\x44\x33\x22\x11", 4));
  EXPECT_EQ(S[41], '\0'); // gradient end
  EXPECT_EQ(S[42], '\0'); // line end

  TGvFont F;
  Customise(F);
  const QByteArray FS = StreamOf(F);
  // Name, Size 13, Style, 1, DrawEffects, RenderingHint, FillColor, gradient, 1, 13.3f, 0.
  ASSERT_EQ(FS.size(), 4 + 15 + 4 + 1 + 1 + 1 + 1 + 4 + 31 + 1 + 4 + 1);
  EXPECT_EQ(FS.mid(4, 15), QByteArray("Times New Roman"));
  EXPECT_EQ(FS.mid(19, 4), QByteArray("\x0D\0\0\0", 4));
  EXPECT_EQ(FS[23], char(1 | 8));
  EXPECT_EQ(FS[25], char(2 | 8));
  EXPECT_EQ(FS[26], char(TGvTextRenderingHint::ClearTypeGridFit));
}

TEST(StyleBlocks, OlderShorterBlocksLeaveTheRestAsItIs)
{
  // A line block whose writer stopped after DashStyle, a font block after Style.
  TGvLineSettings Old;
  Customise(Old);
  QByteArray S = StreamOf(Old).left(10) + QByteArray(1, '\0');
  TGvLineSettings L;
  ReadStream(S, L);
  EXPECT_EQ(L.Color(), 0x80FF8000u);
  EXPECT_EQ(L.DashStyle(), TGvDashStyle::DashDotDot);
  EXPECT_FALSE(L.Gradient()->Visible());

  TGvFont OldFont;
  Customise(OldFont);
  const QByteArray FS = StreamOf(OldFont);
  TGvFont F;
  ReadStream(FS.left(24) + QByteArray(1, '\0'), F);
  EXPECT_EQ(F.Name(), QStringLiteral("Times New Roman"));
  EXPECT_EQ(F.Size(), 13.0f); // the whole points only
  EXPECT_EQ(F.FillColor(), GvColors::Black);
  TGvFont G;
  ReadStream(FS.left(FS.size() - 6) + QByteArray(1, '\0'), G);
  EXPECT_EQ(G.Size(), 13.0f);
  EXPECT_EQ(G.FillColor(), 0xFF00FF00u);
}

template <class T>
void ExpectBadStreamsRefused(const QByteArray& Good,
                             std::initializer_list<std::pair<int, char>> Bad)
{
  T Fresh;
  const QByteArray Before = StreamOf(Fresh);
  for (int N = 0; N < Good.size(); ++N) {
    T S;
    EXPECT_THROW(ReadStream(Good.left(N), S), EGvReadError) << N;
    EXPECT_EQ(StreamOf(S), Before) << N;
  }
  for (auto [At, Byte] : Bad) {
    QByteArray Corrupt = Good;
    Corrupt[At] = Byte;
    T S;
    EXPECT_THROW(ReadStream(Corrupt, S), EGvReadError) << At;
    EXPECT_EQ(StreamOf(S), Before) << At;
  }
}

TEST(StyleBlocks, CutOrCorruptedBlocksFailAndChangeNothing)
{
  TGvLineSettings L;
  Customise(L);
  // dash style 6, gradient style 3, an unknown extension at the end.
  ExpectBadStreamsRefused<TGvLineSettings>(StreamOf(L), {{9, 6}, {12, 3}, {42, 1}, {41, 2}});
  TGvAreaSettings A;
  Customise(A);
  ExpectBadStreamsRefused<TGvAreaSettings>(StreamOf(A), {{9, 54}});
  TGvFont F;
  Customise(F);
  // style bit 16, draw effect bit 16, rendering hint 6, a name length beyond the data.
  ExpectBadStreamsRefused<TGvFont>(StreamOf(F), {{23, 16}, {25, 16}, {26, 6}, {1, 1}});
}

TEST(StyleBlocks, TextFormsNameTheirKeysAndRefuseBadValues)
{
  TGvAreaSettings A;
  Customise(A);
  const QString Xml = QString::fromUtf8(XmlOf(A));
  for (const char* Attr :
       {"Visible=\"True\"", "ForeColor=\"$01020304\"", "BackColor=\"Navy\"", "AreaStyle=\"40\"",
        "<Gradient", "LinearAngle=\"33.3\"", "RadialCenterY=\"-0.25\""})
    EXPECT_TRUE(Xml.contains(QLatin1String(Attr))) << Attr << "\n" << Xml.toStdString();
  const QByteArray Ini = IniOf(A);
  for (const char* Key : {"P.Visible=1", "P.ForeColor=$01020304", "P.Style=40",
                          "P.Gradient.Style=2", "P.Gradient.FirstColor=$11223344"})
    EXPECT_TRUE(Ini.contains(Key)) << Key << "\n" << Ini.toStdString();
  TGvFont F;
  Customise(F);
  const QByteArray FontIni = IniOf(F);
  for (const char* Key : {"P.Name=Times New Roman", "P.Size=13.3", "P.Style=9", "P.DrawEffects=10",
                          "P.RenderingHint=5", "P.FillColor=Lime", "P.Gradient.Visible=1"})
    EXPECT_TRUE(FontIni.contains(Key)) << Key;

  struct TBad
  {
    const char* From;
    const char* To;
  };
  for (const TBad& B :
       {TBad{"AreaStyle=\"40\"", "AreaStyle=\"54\""}, TBad{"Visible=\"True\"", "Visible=\"maybe\""},
        TBad{"LinearAngle=\"33.3\"", "LinearAngle=\"1,5\""}}) {
    QString Bad = Xml;
    Bad.replace(QLatin1String(B.From), QLatin1String(B.To));
    TGvAreaSettings S;
    EXPECT_THROW(ReadXml(Bad.toUtf8(), S), EGvReadError) << B.To;
    EXPECT_EQ(StreamOf(S), StreamOf(TGvAreaSettings())) << B.To;
  }
  for (const TBad& B : {TBad{"P.Style=40", "P.Style=-1"},
                        TBad{"P.Gradient.LinearCenter=0.1", "P.Gradient.LinearCenter=x"}}) {
    QByteArray Bad = Ini;
    Bad.replace(B.From, B.To);
    TGvAreaSettings S;
    EXPECT_THROW(ReadIni(Bad, S), EGvReadError) << B.To;
    EXPECT_EQ(StreamOf(S), StreamOf(TGvAreaSettings())) << B.To;
  }
  // Missing parts keep their values.
  TGvAreaSettings Partial;
  ReadIni("[Sec]\r\nP.BackColor=Yellow\r\n", Partial);
  EXPECT_EQ(Partial.BackColor(), GvColors::Yellow);
  EXPECT_EQ(Partial.ForeColor(), GvColors::LightGray);
  QDomDocument Doc;
  GvParseXml("<Root/>", Doc);
  EXPECT_FALSE(FromNode(Doc.documentElement(), QStringLiteral("Block"), Partial));
}

TEST(IniFile, SavesThroughASaveFile)
{
  QTemporaryDir Dir;
  TGvIniFile Ini(Dir.filePath(QStringLiteral("g.ini")));
  Ini.WriteFloat(QStringLiteral("S"), QStringLiteral("X"), 0.1 + 0.2);
  Ini.Save();
  TGvIniFile Back(Ini.FileName());
  Back.Load();
  EXPECT_EQ(Back.ReadFloat(QStringLiteral("S"), QStringLiteral("X"), 0), 0.1 + 0.2);
  TGvIniFile Nowhere(Dir.filePath(QStringLiteral("missing/dir/g.ini")));
  EXPECT_THROW(Nowhere.Save(), EGvError);
}

} // namespace
