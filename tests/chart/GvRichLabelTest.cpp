// Rich captions: the command parser, the layout relations (script sizes and
// shifts, line spacing, alignment, rotation), painting, the font and its
// fallback, the caption list and the label control.
#include "chart/GvRichLabel.h"

#include "ChartTestSupport.h"
#include "RecordingUndoStack.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// ---- Parser ----

struct TRunWant
{
  const char* Text;
  int Line = 0;
  const char* Flags = ""; // any of "biuo+-" and "c" for a colour of its own
  int Shift = 0;
};

struct TParseCase
{
  const char* Caption;
  const char* Plain;
  int Lines;
  std::vector<TRunWant> Runs;
};

QString FlagsOf(const TGvRichFormat& F)
{
  QString S;
  if (F.Bold) S += 'b';
  if (F.Italic) S += 'i';
  if (F.Underline) S += 'u';
  if (F.StrikeOut) S += 'o';
  if (F.Superscript) S += '+';
  if (F.Subscript) S += '-';
  if (!F.DefaultColor) S += 'c';
  return S;
}

TEST(GvRichText, CommandsBecomeRuns)
{
  const TParseCase Cases[] = {
      {"", "", 0, {}},
      {"plain", "plain", 1, {{"plain"}}},
      {"x\\+2\\+ + 1", "x2 + 1", 1, {{"x"}, {"2", 0, "+", 1}, {" + 1", 0, "", -1}}},
      {"H\\-2\\-O", "H2O", 1, {{"H"}, {"2", 0, "-", 1}, {"O", 0, "", -1}}},
      {"\\bB\\b\\iI\\i\\uU\\u\\oO\\o",
       "BIUO",
       1,
       {{"B", 0, "b"}, {"I", 0, "i"}, {"U", 0, "u"}, {"O", 0, "o"}}},
      {"\\b\\ibi\\b\\i", "bi", 1, {{"bi", 0, "bi"}}},
      // A doubled backslash gives one, followed by the text up to the next
      // backslash or line end.
      {"C:\\\\temp", "C:\\temp", 1, {{"C:"}, {"\\temp"}}},
      {"a\\\\b\\bc", "a\\bc", 1, {{"a"}, {"\\b"}, {"c", 0, "b"}}},
      {"\\\\\\\\", "\\\\", 1, {{"\\"}, {"\\"}}},
      // Not commands: literal text.
      {"end\\", "end\\", 1, {{"end\\"}}},
      {"a\\qb", "a\\qb", 1, {{"a\\qb"}}},
      {"\\c[A=255, R=255", "\\c[A=255, R=255", 1, {{"\\c[A=255, R=255"}}},
      {"\\f[Times", "\\f[Times", 1, {{"\\f[Times"}}},
      {"\\cx", "\\cx", 1, {{"\\cx"}}},
      {"x\\c", "x\\c", 1, {{"x\\c"}}},
      {"a\\\nb", "a\\\nb", 2, {{"a\\"}, {"b", 1}}},
      // Colours and families.
      {"\\c[A=255, R=255, G=0, B=0]red\\c[] normal",
       "red normal",
       1,
       {{"red", 0, "c"}, {" normal"}}},
      {"\\c[nonsense]x", "x", 1, {{"x", 0, "c"}}},
      {"\\f[Courier]x\\f[]y", "xy", 1, {{"x"}, {"y"}}},
      // Line ends: each kind is one.
      {"a\nb", "a\nb", 2, {{"a"}, {"b", 1}}},
      {"a\rb", "a\nb", 2, {{"a"}, {"b", 1}}},
      {"a\r\nb", "a\nb", 2, {{"a"}, {"b", 1}}},
      {"a\n\rb", "a\nb", 2, {{"a"}, {"b", 1}}},
      {"a\r\n\r\nb", "a\n\nb", 3, {{"a"}, {"b", 2}}},
      {"a\n\nb", "a\n\nb", 3, {{"a"}, {"b", 2}}},
      {"\\bx\ny", "x\ny", 2, {{"x", 0, "b"}, {"y", 1, "b"}}},
  };
  for (const TParseCase& C : Cases) {
    const TGvRichParse P = GvParseRichText(QString::fromUtf8(C.Caption), TGvRichFormat{});
    SCOPED_TRACE(C.Caption);
    EXPECT_EQ(P.PlainText, QString::fromUtf8(C.Plain));
    EXPECT_EQ(P.LineCount, C.Lines);
    ASSERT_EQ(P.Runs.size(), C.Runs.size());
    for (size_t I = 0; I < C.Runs.size(); ++I) {
      EXPECT_EQ(P.Runs[I].Text, QString::fromUtf8(C.Runs[I].Text)) << I;
      EXPECT_EQ(P.Runs[I].Line, C.Runs[I].Line) << I;
      EXPECT_EQ(FlagsOf(P.Runs[I].Format), C.Runs[I].Flags) << I;
      EXPECT_EQ(P.Runs[I].Shift, C.Runs[I].Shift) << I;
    }
  }
}

TEST(GvRichText, ColourAndFamilyCommands)
{
  TGvRichFormat Start;
  Start.FontName = "Base";
  Start.Color = 0xFF123456;
  TGvRichParse P = GvParseRichText("\\c[A=255, R=255, G=0, B=0]red\\c[]x", Start);
  ASSERT_EQ(P.Runs.size(), 2u);
  EXPECT_EQ(P.Runs[0].Format.Color, 0xFFFF0000u);
  EXPECT_TRUE(P.Runs[1].Format.DefaultColor);
  EXPECT_EQ(P.Runs[1].Format.Color, 0xFF123456u);
  // An identifier that cannot be read gives transparent black.
  P = GvParseRichText("\\c[A=1000]x", Start);
  EXPECT_EQ(P.Runs[0].Format.Color, 0u);
  EXPECT_FALSE(P.Runs[0].Format.DefaultColor);
  P = GvParseRichText("\\f[Courier]x\\f[]y", Start);
  EXPECT_EQ(P.Runs[0].Format.FontName, "Courier");
  EXPECT_EQ(P.Runs[1].Format.FontName, "Base");
  // The start format carries over.
  Start.Bold = true;
  P = GvParseRichText("a\\bb", Start);
  EXPECT_TRUE(P.Runs[0].Format.Bold);
  EXPECT_FALSE(P.Runs[1].Format.Bold);
}

TEST(GvRichText, LineEndsAreUnifiedOnce)
{
  EXPECT_EQ(GvUnifyLineEnds("a\r\nb\n\rc\nd\re"), "a\rb\rc\rd\re");
  EXPECT_EQ(GvUnifyLineEnds("\r\n\r\n"), "\r\r");
  EXPECT_EQ(GvUnifyLineEnds("\n\n"), "\r\r");
  EXPECT_EQ(GvUnifyLineEnds("\r\r"), "\r\r");
}

// ---- Layout ----

class GvRichCaption : public ::testing::Test
{
protected:
  QImage Device = GvTestImage(10, 10);

  void Parse(TGvRichCaptionObject& C) { C.ParseForSize(&Device); }
  double LineSpacing(const TGvRichCaptionObject& C)
  {
    return QFontMetricsF(C.Font()->ToQFont(), &Device).lineSpacing();
  }
};

TEST_F(GvRichCaption, EmptyCaptionHasNoSize)
{
  TGvRichCaptionObject C;
  Parse(C);
  EXPECT_EQ(C.Width(), 0);
  EXPECT_EQ(C.Height(), 0);
  EXPECT_TRUE(C.SubCaptions().empty());
}

TEST_F(GvRichCaption, LinesAreSpacedByTheFontHeight)
{
  TGvRichCaptionObject C("first\nsecond\nthird");
  C.Font()->SetSize(12);
  Parse(C);
  const double H = LineSpacing(C);
  EXPECT_GT(H, 0);
  EXPECT_DOUBLE_EQ(C.LineHeight(), H);
  EXPECT_EQ(C.LineCount(), 3);
  EXPECT_DOUBLE_EQ(C.Height(), 3 * H);
  ASSERT_EQ(C.SubCaptions().size(), 3u);
  for (int I = 0; I < 3; ++I) {
    EXPECT_DOUBLE_EQ(C.SubCaptions()[size_t(I)].Y, I * H);
    EXPECT_DOUBLE_EQ(C.SubCaptions()[size_t(I)].X, 0);
  }
  // The width is the widest line.
  const double W1 = C.LineWidths()[1];
  EXPECT_DOUBLE_EQ(C.Width(), W1);
  EXPECT_GT(W1, C.LineWidths()[0]);
  EXPECT_GT(W1, C.LineWidths()[2]);

  TGvRichCaptionObject Two("two\nwords");
  Parse(Two);
  EXPECT_DOUBLE_EQ(Two.Height(), 2 * LineSpacing(Two));
}

TEST_F(GvRichCaption, ScriptsAreSmallerAndShifted)
{
  TGvRichCaptionObject C("x\\+2\\+ + 1");
  C.Font()->SetSize(20);
  Parse(C);
  ASSERT_EQ(C.SubCaptions().size(), 3u);
  const TGvSubCaption &X = C.SubCaptions()[0], &Two = C.SubCaptions()[1],
                      &Rest = C.SubCaptions()[2];
  const double H = LineSpacing(C);
  const double Nudge = 0.1 * 20 * 0.66 * Device.logicalDpiY() / 72.0;
  EXPECT_DOUBLE_EQ(X.Size, 20);
  EXPECT_NEAR(Two.Size, 0.66 * 20, 1e-9);
  EXPECT_DOUBLE_EQ(Rest.Size, 20);
  EXPECT_NEAR(Two.Y, -0.025 * H, 1e-9);
  EXPECT_DOUBLE_EQ(Rest.Y, 0);
  EXPECT_NEAR(Two.X, X.X + X.Width + Nudge, 1e-9);
  // The raised run is a nudge wider than its text: the next run moves back
  // by the nudge and starts where the raised text ends, not inside it.
  const double TwoText = QFontMetricsF(Two.Font, &Device).horizontalAdvance("2");
  EXPECT_NEAR(Two.Width, TwoText + Nudge, 1e-9);
  EXPECT_NEAR(Rest.X, Two.X + TwoText, 1e-9);
  EXPECT_TRUE(Two.Superscript);
  EXPECT_LT(QFontMetricsF(Two.Font, &Device).ascent(), QFontMetricsF(X.Font, &Device).ascent());
  // The raised digit's base line lies above the others'.
  EXPECT_LT(Two.Y + Two.Ascent, X.Y + X.Ascent);
  EXPECT_DOUBLE_EQ(C.Width(), Rest.X + Rest.Width);

  TGvRichCaptionObject Sub("H\\-2\\-O");
  Sub.Font()->SetSize(20);
  Parse(Sub);
  ASSERT_EQ(Sub.SubCaptions().size(), 3u);
  EXPECT_NEAR(Sub.SubCaptions()[1].Y, 0.33 * LineSpacing(Sub), 1e-9);
  EXPECT_NEAR(Sub.SubCaptions()[1].Size, 0.66 * 20, 1e-9);
  EXPECT_TRUE(Sub.SubCaptions()[1].Subscript);
}

TEST_F(GvRichCaption, StylesAndFamiliesPerRun)
{
  TGvRichCaptionObject C("\\bbold\\b \\iitalic\\i \\f[NoSuchFamily-Verdane]odd\\f[]");
  C.Font()->SetName("Base-Not-Installed");
  Parse(C);
  ASSERT_EQ(C.SubCaptions().size(), 5u);
  EXPECT_TRUE(C.SubCaptions()[0].Font.bold());
  EXPECT_FALSE(C.SubCaptions()[1].Font.bold());
  EXPECT_TRUE(C.SubCaptions()[2].Font.italic());
  // Names stay as asked for; the families drawn are the fallback.
  EXPECT_EQ(C.SubCaptions()[0].FontName, "Base-Not-Installed");
  EXPECT_EQ(C.SubCaptions()[4].FontName, "NoSuchFamily-Verdane");
  EXPECT_EQ(C.SubCaptions()[4].Font.family(), GvResolveFontFamily("NoSuchFamily-Verdane"));
  EXPECT_EQ(C.Font()->Name(), "Base-Not-Installed");
}

TEST(GvFontFallback, MissingFamiliesFallBackToArialThenTheDefault)
{
  const QString Expected = QFontDatabase::hasFamily("Arial") ? QStringLiteral("Arial")
                                                             : QGuiApplication::font().family();
  EXPECT_EQ(GvResolveFontFamily("NoSuchFamily-Verdane"), Expected);
  EXPECT_EQ(GvResolveFontFamily(""), Expected);
  const QString Installed = QFontDatabase::families().value(0);
  ASSERT_FALSE(Installed.isEmpty());
  EXPECT_EQ(GvResolveFontFamily(Installed), Installed);
  TGvFont F("Times New Roman", 14, TGvFontStyle::Bold);
  EXPECT_EQ(F.Name(), "Times New Roman");
  EXPECT_EQ(F.ToQFont().family(), GvResolveFontFamily("Times New Roman"));
  EXPECT_TRUE(F.ToQFont().bold());
  EXPECT_DOUBLE_EQ(F.ToQFont().pointSizeF(), 14);
}

TEST_F(GvRichCaption, AlignmentPlacesLinesAndTheBox)
{
  const TGvContentAlignment All[] = {
      TGvContentAlignment::TopLeft,      TGvContentAlignment::TopCenter,
      TGvContentAlignment::TopRight,     TGvContentAlignment::MiddleLeft,
      TGvContentAlignment::MiddleCenter, TGvContentAlignment::MiddleRight,
      TGvContentAlignment::BottomLeft,   TGvContentAlignment::BottomCenter,
      TGvContentAlignment::BottomRight};
  for (int I = 0; I < 9; ++I) {
    TGvRichCaptionObject C("a\nmuch longer line");
    C.SetAlignment(All[I]);
    Parse(C);
    const double W = C.Width(), H = C.Height();
    const double Free = W - C.LineWidths()[0];
    const int Column = I % 3, Row = I / 3;
    EXPECT_NEAR(C.SubCaptions()[0].X, Free * Column / 2, 1e-9) << I;
    EXPECT_NEAR(C.SubCaptions()[1].X, 0, 1e-9) << I;
    EXPECT_NEAR(C.BoxOffset().x(), -W * Column / 2, 1e-9) << I;
    EXPECT_NEAR(C.BoxOffset().y(), -H * Row / 2, 1e-9) << I;
  }
}

TEST_F(GvRichCaption, RotatedExtentsAndBounds)
{
  TGvRichCaptionObject C("a rotated caption");
  Parse(C);
  const double W = C.Width(), H = C.Height();
  C.SetPosition(100, 100);
  for (double Angle : {0.0, 30.0, 45.0, 90.0, 135.0, 270.0}) {
    C.SetAngle(Angle);
    const double A = Angle * M_PI / 180, S = std::abs(std::sin(A)), Co = std::abs(std::cos(A));
    EXPECT_NEAR(C.RotatedExtent().width(), W * Co + H * S, 1e-9) << Angle;
    EXPECT_NEAR(C.RotatedExtent().height(), W * S + H * Co, 1e-9) << Angle;
    EXPECT_NEAR(C.RotatedBounds().width(), C.RotatedExtent().width(), 1e-6) << Angle;
  }
  // At 90 degrees a TopLeft caption extends upwards from its anchor.
  C.SetAngle(90);
  const QRectF B = C.RotatedBounds();
  EXPECT_NEAR(B.bottom(), 100, 1e-6);
  EXPECT_NEAR(B.top(), 100 - W, 1e-6);
  EXPECT_NEAR(B.left(), 100, 1e-6);
  EXPECT_NEAR(B.right(), 100 + H, 1e-6);
  // MiddleCenter turns about the box's centre.
  C.SetAlignment(TGvContentAlignment::MiddleCenter);
  Parse(C);
  EXPECT_NEAR(C.RotatedBounds().center().x(), 100, 1e-6);
  EXPECT_NEAR(C.RotatedBounds().center().y(), 100, 1e-6);
}

// The box of the pixels that differ from white.
QRect InkBox(const QImage& Image, std::function<bool(QColor)> Match = nullptr)
{
  QRect Box;
  for (int Y = 0; Y < Image.height(); ++Y)
    for (int X = 0; X < Image.width(); ++X) {
      const QColor C = Image.pixelColor(X, Y);
      if (C == QColor(Qt::white)) continue;
      if (Match && !Match(C)) continue;
      Box |= QRect(X, Y, 1, 1);
    }
  return Box;
}

TEST_F(GvRichCaption, PaintsRunsInTheirColours)
{
  QImage Image = GvTestImage(300, 60);
  TGvRichCaptionObject C("\\c[A=255, R=255, G=0, B=0]MMM\\c[] MMM");
  C.Font()->SetSize(20);
  C.SetPosition(10, 10);
  {
    QPainter P(&Image);
    C.PaintGr(P); // lays out first
  }
  ASSERT_TRUE(C.Parsed());
  const double Split = 10 + C.SubCaptions()[1].X;
  auto Red = [](QColor Q) { return Q.red() > 180 && Q.green() < 90 && Q.blue() < 90; };
  auto Dark = [](QColor Q) { return Q.red() < 90 && Q.green() < 90 && Q.blue() < 90; };
  const QRect RedBox = InkBox(Image, Red), DarkBox = InkBox(Image, Dark);
  ASSERT_FALSE(RedBox.isEmpty());
  ASSERT_FALSE(DarkBox.isEmpty());
  EXPECT_LT(RedBox.right(), Split);
  EXPECT_GT(DarkBox.left(), Split);
  // All ink inside the text box.
  const QRect Ink = InkBox(Image);
  EXPECT_GE(Ink.left(), 9);
  EXPECT_LE(Ink.right(), 10 + C.Width() + 1);
  EXPECT_GE(Ink.top(), 9);
  EXPECT_LE(Ink.bottom(), 10 + C.Height() + 1);

  // A colour override replaces the font's fill colour, not the run's own.
  C.SetColorOverride(0xFF0000FF);
  QImage Blue = GvTestImage(300, 60);
  {
    QPainter P(&Blue);
    C.PaintGr(P);
  }
  auto IsBlue = [](QColor Q) { return Q.blue() > 180 && Q.red() < 90; };
  EXPECT_GT(InkBox(Blue, IsBlue).left(), Split);
  EXPECT_LT(InkBox(Blue, Red).right(), Split);
}

TEST_F(GvRichCaption, AnchorFollowsTheAlignmentWhenPainted)
{
  // The anchor in the middle of the picture: the ink lies on the side the
  // alignment names.
  for (int I = 0; I < 9; ++I) {
    QImage Image = GvTestImage(200, 100);
    TGvRichCaptionObject C("MMMM");
    C.Font()->SetSize(14);
    C.SetPosition(100, 50);
    C.SetAlignment(TGvContentAlignment(I));
    {
      QPainter P(&Image);
      C.PaintGr(P);
    }
    const QRect Ink = InkBox(Image);
    const int Column = I % 3, Row = I / 3;
    SCOPED_TRACE(I);
    if (Column == 0) {
      EXPECT_GE(Ink.left(), 99);
    }
    if (Column == 1) {
      EXPECT_NEAR(Ink.center().x(), 100, 3);
    }
    if (Column == 2) {
      EXPECT_LE(Ink.right(), 101);
    }
    if (Row == 0) {
      EXPECT_GE(Ink.top(), 49);
    }
    if (Row == 2) {
      EXPECT_LE(Ink.bottom(), 51);
    }
    if (Row == 1) {
      EXPECT_LT(Ink.top(), 50);
      EXPECT_GT(Ink.bottom(), 50);
    }
  }
  // Rotated by 90 degrees, TopLeft: upwards and to the right of the anchor.
  QImage Image = GvTestImage(100, 200);
  TGvRichCaptionObject C("MMMM");
  C.Font()->SetSize(14);
  C.SetPosition(50, 150);
  C.SetAngle(90);
  {
    QPainter P(&Image);
    C.PaintGr(P);
  }
  const QRect Ink = InkBox(Image);
  EXPECT_LE(Ink.bottom(), 151);
  EXPECT_LT(Ink.top(), 150 - C.Width() * 0.8);
  EXPECT_GE(Ink.left(), 49);
}

TEST_F(GvRichCaption, DrawEffectsPaint)
{
  auto Paint = [](TGvCharDrawEffects Effects, TGvColor Fill) {
    QImage Image = GvTestImage(200, 60);
    TGvRichCaptionObject C("MMM");
    C.Font()->SetSize(24);
    C.Font()->SetFillColor(Fill);
    C.Font()->SetDrawEffects(Effects);
    C.SetPosition(10, 5);
    QPainter P(&Image);
    C.PaintGr(P);
    P.end();
    return Image;
  };
  const QImage Plain = Paint({}, 0xFF000000);
  const QRect PlainInk = InkBox(Plain);
  // Shadow: grey ink beyond the text to the lower right.
  const QImage Shadow = Paint(TGvCharDrawEffect::Shadow, 0xFF000000);
  EXPECT_GT(InkBox(Shadow).right(), PlainInk.right() + 2);
  EXPECT_GT(InkBox(Shadow).bottom(), PlainInk.bottom() + 1);
  // Outline: the letters are hollow (less dark ink than solid letters).
  auto DarkCount = [](const QImage& I) {
    int N = 0;
    for (int Y = 0; Y < I.height(); ++Y)
      for (int X = 0; X < I.width(); ++X) N += I.pixelColor(X, Y).lightness() < 100;
    return N;
  };
  const QImage Outline = Paint(TGvCharDrawEffect::Outline, 0xFF000000);
  EXPECT_GT(DarkCount(Outline), 0);
  // Raised and lowered: the rim is drawn, the glyphs stay clear.
  for (TGvCharDrawEffect E : {TGvCharDrawEffect::Raised, TGvCharDrawEffect::Lowered}) {
    const QImage Image = Paint(E, 0xFFFF0000);
    EXPECT_FALSE(InkBox(Image).isEmpty());
    EXPECT_TRUE(InkBox(Image, [](QColor Q) { return Q.red() > 200 && Q.green() < 60; }).isEmpty());
  }
}

TEST_F(GvRichCaption, GradientFillsDefaultColouredRuns)
{
  QImage Image = GvTestImage(300, 60);
  TGvRichCaptionObject C("MMMMMMMM");
  C.Font()->SetSize(24);
  TGvGradientSettings* G = C.Font()->Gradient();
  G->SetVisible(true);
  G->SetFirstColor(0xFFFF0000);
  G->SetMiddleColor(0xFFFF0000);
  G->SetLastColor(0xFF0000FF);
  C.SetPosition(10, 5);
  {
    QPainter P(&Image);
    C.PaintGr(P);
  }
  auto Reddish = [](QColor Q) { return Q.red() > 150 && Q.blue() < 100; };
  auto Bluish = [](QColor Q) { return Q.blue() > 150 && Q.red() < 100; };
  EXPECT_LT(InkBox(Image, Reddish).left(), InkBox(Image, Bluish).left());
  EXPECT_FALSE(InkBox(Image, Bluish).isEmpty());
}

TEST_F(GvRichCaption, FontChangesForgetTheLayout)
{
  TGvRichCaptionObject C("text");
  Parse(C);
  const double W = C.Width();
  EXPECT_TRUE(C.Parsed());
  C.Font()->SetSize(C.Font()->Size() * 2);
  EXPECT_FALSE(C.Parsed());
  Parse(C);
  EXPECT_GT(C.Width(), W * 1.5);
  C.SetCaption("other");
  EXPECT_FALSE(C.Parsed());
  // Fields are filled by the expression parser; one that names nothing keeps
  // its text.
  C.SetCaption("<%2+3%> value");
  Parse(C);
  EXPECT_EQ(C.PlainText(), "5 value");
  C.SetCaption("<%NoSuchName%> value");
  Parse(C);
  EXPECT_EQ(C.PlainText(), "<%NoSuchName%> value");
}

TEST_F(GvRichCaption, AssignCopiesTheSettings)
{
  TGvRichCaptionObject A("\\bx"), B;
  A.Font()->SetSize(31);
  A.SetAlignment(TGvContentAlignment::BottomRight);
  A.SetAngle(45);
  A.SetPosition(3, 4);
  A.SetColorOverride(0xFF00FF00);
  B.Assign(A);
  EXPECT_EQ(B.Caption(), "\\bx");
  EXPECT_FLOAT_EQ(B.Font()->Size(), 31);
  EXPECT_EQ(B.Alignment(), TGvContentAlignment::BottomRight);
  EXPECT_EQ(B.Angle(), 45);
  EXPECT_EQ(B.X(), 3);
  EXPECT_EQ(B.GetFillColor(), 0xFF00FF00u);
  EXPECT_FALSE(B.Parsed());
}

// ---- Font ----

TEST(GvFont, ValuesNotificationsAndUndoGroup)
{
  TGvFont F;
  QSignalSpy Changed(&F, &TGvPersistent::Changed);
  F.SetSize(12);
  EXPECT_EQ(F.Height(), -16);
  F.SetHeight(-20);
  EXPECT_FLOAT_EQ(F.Size(), 15);
  F.SetSize(0);
  F.SetSize(-3);
  F.SetSize(NAN);
  EXPECT_FLOAT_EQ(F.Size(), 15);
  F.SetSize(1e9f);
  EXPECT_FLOAT_EQ(F.Size(), TGvFont::MaxSize);
  F.SetStyle(TGvFontStyle::Bold | TGvFontStyle::Underline);
  EXPECT_TRUE(F.ToQFont().underline());
  F.SetDrawEffects(TGvCharDrawEffect::Shadow | TGvCharDrawEffect::Raised);
  EXPECT_EQ(F.DrawEffects().toInt(), 9);
  F.Gradient()->SetVisible(true); // the gradient tells the font's owner too
  const int Count = int(Changed.count());
  EXPECT_EQ(Count, 6);
  F.SetStyle(F.Style());
  EXPECT_EQ(Changed.count(), Count);
  // Sets as numbers through the property system (as saved forms and undo
  // entries write them).
  EXPECT_TRUE(F.setProperty("DrawEffects", 2));
  EXPECT_EQ(F.DrawEffects(), TGvCharDrawEffects(TGvCharDrawEffect::Outline));
  EXPECT_TRUE(F.setProperty("Style", 3));
  EXPECT_EQ(F.property("Style").toInt(), 3);
  EXPECT_TRUE(F.setProperty("RenderingHint", 4));
  EXPECT_EQ(F.RenderingHint(), TGvTextRenderingHint::AntiAlias);
  F.SetStyle(TGvFontStyle::Bold | TGvFontStyle::Underline);
  F.SetDrawEffects(TGvCharDrawEffect::Shadow | TGvCharDrawEffect::Raised);

  TGvFont Copy;
  Copy.Assign(F);
  EXPECT_FLOAT_EQ(Copy.Size(), TGvFont::MaxSize);
  EXPECT_EQ(Copy.Style(), F.Style());
  EXPECT_TRUE(Copy.Gradient()->Visible());

  TRecordingUndoStack Stack;
  F.PushToUndoStack(&Stack, "Font of axis caption");
  ASSERT_EQ(Stack.Entries.size(), 16u);
  EXPECT_EQ(Stack.Entries.front().Kind, "StartGroup");
  EXPECT_EQ(Stack.Entries.front().Comment, "Font of axis caption");
  EXPECT_EQ(Stack.Entries.back().Kind, "StopGroup");
  QStringList Props;
  for (size_t I = 1; I < 6; ++I) {
    EXPECT_EQ(Stack.Entries[I].Instance, &F);
    Props << Stack.Entries[I].PropName;
  }
  EXPECT_EQ(Props, (QStringList{"Name", "Size", "Style", "DrawEffects", "FillColor"}));
  for (size_t I = 6; I < 15; ++I) EXPECT_EQ(Stack.Entries[I].Instance, F.Gradient());
  // Every recorded name is a property of its object.
  for (const auto& E : Stack.Entries)
    if (E.Instance) {
      EXPECT_GE(E.Instance->metaObject()->indexOfProperty(qPrintable(E.PropName)), 0);
    }
  // Without a stack, or while it replays, nothing is recorded.
  F.PushToUndoStack(nullptr, "x");
  Stack.Restoring = true;
  F.PushToUndoStack(&Stack, "x");
  EXPECT_EQ(Stack.Entries.size(), 16u);
}

// ---- Caption list ----

TEST(GvRichCaptionObjects, IndexedList)
{
  TGvRichCaptionObjects List;
  EXPECT_EQ(List.Count(), 0);
  TGvRichCaptionObject* A = List.Add();
  A->SetCaption("a");
  List.Add()->SetCaption("b");
  List.Add(std::make_unique<TGvRichCaptionObject>("c"));
  EXPECT_EQ(List.Count(), 3);
  EXPECT_GE(List.Capacity(), 3);
  EXPECT_EQ(List.Value(0), A);
  EXPECT_EQ(List[2]->Caption(), "c");
  List.Delete(1);
  EXPECT_EQ(List[1]->Caption(), "c");
  for (int Bad : {-1, 2, 100}) {
    try {
      List.Value(Bad);
      ADD_FAILURE() << Bad;
    } catch (const EGvRangeError& E) {
      EXPECT_EQ(E.Message(), QStringLiteral("i=%1 index out of range").arg(Bad));
    }
    EXPECT_THROW(List.Delete(Bad), EGvRangeError);
  }
  EXPECT_EQ(List.Count(), 2);
  List.Clear();
  EXPECT_EQ(List.Count(), 0);
}

// ---- Label ----

TEST(GvRichLabel, AutoSizesToTheRotatedCaption)
{
  TGvRichLabel Label;
  Label.setObjectName("GvRichLabel1");
  EXPECT_TRUE(Label.AutoSize());
  Label.SetCaption("Flow \\bA\\b\nline two");
  const TGvRichCaptionObject& C = Label.CaptionObject();
  EXPECT_EQ(Label.width(), int(std::ceil(C.Width())));
  EXPECT_EQ(Label.height(), int(std::ceil(C.Height())));
  EXPECT_EQ(Label.GetPlainText(), "Flow A\nline two");
  Label.SetAngle(90);
  EXPECT_EQ(Label.width(), int(std::ceil(C.Height())));
  EXPECT_EQ(Label.height(), int(std::ceil(C.Width())));
  // A font change lays out again.
  const int Before = Label.height();
  Label.Font()->SetSize(Label.Font()->Size() * 2);
  EXPECT_GT(Label.height(), Before * 1.5);
  // Published under the names of the label.
  for (const char* Name : {"Angle", "BackColor", "ForeColor", "Caption", "TextAlign", "AutoSize",
                           "Font", "ParentFont"})
    EXPECT_GE(Label.metaObject()->indexOfProperty(Name), 0) << Name;
}

TEST(GvRichLabel, PaintsAlignedInItsRectangle)
{
  TGvRichLabel Label;
  Label.SetAutoSize(false);
  Label.resize(200, 100);
  Label.SetCaption("MMM");
  Label.SetBackColor(GvColors::White);
  Label.SetForeColor(0xFF0000FF);
  EXPECT_EQ(Label.ForeColor(), 0xFF0000FFu);
  Label.SetTextAlign(TGvContentAlignment::BottomRight);
  QImage Image = GvTestImage(200, 100);
  Image.fill(Qt::black);
  {
    QPainter P(&Image);
    Label.PaintGr(P);
  }
  EXPECT_EQ(Image.pixelColor(5, 5), QColor(Qt::white)); // the background
  const QRect Ink = InkBox(Image);
  ASSERT_FALSE(Ink.isEmpty());
  EXPECT_GT(Ink.left(), 120);
  EXPECT_GT(Ink.top(), 70);
  EXPECT_GT(Image.pixelColor(Ink.center()).blue(), 0);

  Label.SetTextAlign(TGvContentAlignment::TopLeft);
  Label.SetAngle(90);
  Image.fill(Qt::white);
  {
    QPainter P(&Image);
    Label.PaintGr(P);
  }
  const QRect Turned = InkBox(Image);
  EXPECT_LT(Turned.left(), 25);
  EXPECT_LT(Turned.top(), 10);
  EXPECT_GT(Turned.height(), Turned.width());
}

TEST(GvRichLabel, ParentFontFollowsTheParent)
{
  QWidget Parent;
  QFont F = Parent.font();
  F.setPointSizeF(17);
  F.setItalic(true);
  Parent.setFont(F);
  auto* Label = new TGvRichLabel(&Parent);
  Label->SetParentFont(true);
  EXPECT_FLOAT_EQ(Label->Font()->Size(), 17);
  EXPECT_TRUE(Label->Font()->Style().testFlag(TGvFontStyle::Italic));
  F.setPointSizeF(9);
  Parent.setFont(F);
  EXPECT_FLOAT_EQ(Label->Font()->Size(), 9);
  // A font of its own ends following the parent.
  TGvFont Own("Serif", 21);
  Label->SetFont(&Own);
  EXPECT_FALSE(Label->ParentFont());
  EXPECT_FLOAT_EQ(Label->Font()->Size(), 21);
}

} // namespace
