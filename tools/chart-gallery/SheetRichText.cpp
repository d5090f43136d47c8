// Rich captions: every command, several lines, fields, rotation, the nine
// alignments with their anchor points, the draw effects and the label
// control.
#include "GallerySheet.h"
#include "GalleryText.h"

#include "chart/GvDrawing.h"

namespace {

// The source of a caption as text that shows itself: backslashes doubled,
// line ends as a symbol.
QString Source(const QString& Caption)
{
  QString S = Caption;
  S.replace(QLatin1String("\\"), QLatin1String("\\\\"));
  S.replace(QLatin1Char('\n'), QStringLiteral(" \u21B5 "));
  return S;
}

void Anchor(QPainter& P, double X, double Y)
{
  P.save();
  P.setRenderHint(QPainter::Antialiasing, false);
  P.setPen(QPen(Qt::red, 1));
  P.drawLine(QPointF(X - 5, Y), QPointF(X + 5, Y));
  P.drawLine(QPointF(X, Y - 5), QPointF(X, Y + 5));
  P.restore();
}

// The text box of a laid-out caption, rotated as it is painted.
void Box(QPainter& P, const TGvRichCaptionObject& C)
{
  P.save();
  P.translate(C.X(), C.Y());
  P.rotate(-C.Angle());
  P.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 1, Qt::DotLine));
  P.setBrush(Qt::NoBrush);
  P.drawRect(QRectF(C.BoxOffset(), QSizeF(C.Width(), C.Height())));
  P.restore();
}

} // namespace

GV_GALLERY_SHEET(richtext)
{
  QImage Image = GalleryImage(900, 1480);
  QPainter P(&Image);
  P.setRenderHint(QPainter::Antialiasing);
  GalleryText(P, "\\bRich captions\\b: source (grey) and result", 10, 8, 12);

  const char* Samples[] = {
      "\\bbold\\b, \\iitalic\\i, \\uunderline\\u, \\ostrike-out\\o, \\b\\iboth\\i\\b",
      "x\\+2\\+ + y\\+2\\+ = r\\+2\\+   H\\-2\\-O, CO\\-2\\-   c = 10\\+-3\\+ mol/l",
      "\\c[A=255, R=255, G=0, B=0]red\\c[] normal \\c[A=255, R=0, G=128, B=0]green\\c[] "
      "\\c[A=96, R=0, G=0, B=255]translucent blue\\c[]",
      "\\f[DejaVu Serif]Serif\\f[] \\f[DejaVu Sans Mono]Mono\\f[] \\f[No Such Font]fallback\\f[] "
      "back",
      "C:\\\\temp, a trailing backslash \\",
      "unknown \\q command, unclosed \\c[A=1 and \\f[x",
      "first line\nsecond \\bline\\b\nthird, \\c[A=255, R=139, G=0, B=0]dark red\\c[]",
      "field <%Name%> keeps its text",
  };
  double Y = 40;
  for (const char* S : Samples) {
    const QString Caption = QString::fromUtf8(S);
    GalleryText(P, Source(Caption), 10, Y, 8, TGvContentAlignment::TopLeft, GvColors::Gray);
    TGvRichCaptionObject C(Caption);
    C.Font()->SetSize(13);
    C.SetPosition(30, Y + 16);
    C.PaintGr(P);
    Y += 24 + C.Height();
  }

  // Rotation about the anchor (red cross), box dotted.
  Y += 10;
  GalleryText(P, "\\bRotation\\b 0, 45, 90, 135, 270 degrees, TopLeft and MiddleCenter", 10, Y, 11);
  const double Angles[] = {0, 45, 90, 135, 270};
  for (int Row = 0; Row < 2; ++Row) {
    const double AY = Y + 110 + Row * 190;
    for (int I = 0; I < 5; ++I) {
      const double AX = 90 + I * 170;
      TGvRichCaptionObject C(QStringLiteral("Rotated\n\\iby\\i %1\\+o\\+").arg(Angles[I]));
      C.Font()->SetSize(14);
      C.SetAngle(Angles[I]);
      C.SetAlignment(Row == 0 ? TGvContentAlignment::TopLeft : TGvContentAlignment::MiddleCenter);
      C.SetPosition(AX, AY);
      C.PaintGr(P);
      Box(P, C);
      Anchor(P, AX, AY);
    }
  }

  // The nine alignments: the anchor (red cross) lies where the name says.
  Y += 420;
  GalleryText(P, "\\bAlignments\\b: the anchor (red cross) on the text box", 10, Y, 11);
  for (int I = 0; I < 9; ++I) {
    const double AX = 150 + (I % 3) * 300, AY = Y + 60 + (I / 3) * 80;
    TGvRichCaptionObject C(
        QStringLiteral("%1\n\\bline\\b two").arg(GalleryEnumName(TGvContentAlignment(I))));
    C.Font()->SetSize(12);
    C.SetAlignment(TGvContentAlignment(I));
    C.SetPosition(AX, AY);
    C.PaintGr(P);
    Box(P, C);
    Anchor(P, AX, AY);
  }

  // Draw effects.
  Y += 300;
  GalleryText(P, "\\bDraw effects\\b", 10, Y, 11);
  P.fillRect(QRectF(10, Y + 20, 880, 110), QColor(0xB0, 0xC4, 0xDE));
  struct TEffect
  {
    const char* Title;
    TGvCharDrawEffects Effects;
    bool Gradient;
  };
  const TEffect Effects[] = {
      {"Plain", {}, false},
      {"Shadow", TGvCharDrawEffect::Shadow, false},
      {"Outline", TGvCharDrawEffect::Outline, false},
      {"Lowered", TGvCharDrawEffect::Lowered, false},
      {"Raised", TGvCharDrawEffect::Raised, false},
      {"Gradient", {}, true},
      {"Shadow+Grad", TGvCharDrawEffect::Shadow, true},
  };
  for (int I = 0; I < int(std::size(Effects)); ++I) {
    TGvRichCaptionObject C(QString::fromLatin1(Effects[I].Title));
    C.Font()->SetSize(20);
    C.Font()->SetStyle(TGvFontStyle::Bold);
    C.Font()->SetFillColor(0xFF000080);
    C.Font()->SetDrawEffects(Effects[I].Effects);
    if (Effects[I].Gradient) {
      C.Font()->Gradient()->SetVisible(true);
      C.Font()->Gradient()->SetFirstColor(0xFFFF0000);
      C.Font()->Gradient()->SetMiddleColor(0xFFFFA500);
      C.Font()->Gradient()->SetLastColor(0xFF0000FF);
    }
    C.SetPosition(20 + (I % 4) * 220, Y + 30 + (I / 4) * 50);
    C.PaintGr(P);
  }

  // The label control, rendered as a widget.
  Y += 150;
  GalleryText(P, "\\bTGvRichLabel\\b: auto-sized, back colour, 0 / 30 / 90 degrees", 10, Y, 11);
  double X = 20;
  for (double Angle : {0.0, 30.0, 90.0}) {
    TGvRichLabel Label;
    Label.setObjectName("GvRichLabel1");
    Label.SetBackColor(0xFFFFFACD);
    Label.Font()->SetSize(14);
    Label.SetAngle(Angle);
    Label.SetCaption("Flow of gas \\bA\\b\nin ml/min\\+ \\+");
    Label.render(&P, QPoint(int(X), int(Y + 24)));
    X += Label.width() + 30;
  }
  P.end();
  Sheet.Save(Image, "richtext");
}
