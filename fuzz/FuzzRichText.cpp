// The rich-caption parser and layout over arbitrary text (captions come from
// saved charts): every input must parse in one pass without reading past its
// end, the runs must account for the plain text, and laying out (after the
// caption's fields are expanded) and painting must not fail.
#include "chart/GvRichLabel.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication App(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  const QString Text = QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
  const TGvRichParse Parse = GvParseRichText(Text, TGvRichFormat{});
  QString Joined;
  int Line = 0;
  for (const TGvRichRun& Run : Parse.Runs) {
    if (Run.Text.isEmpty() || Run.Line < Line || Run.Line >= Parse.LineCount) std::abort();
    for (; Line < Run.Line; ++Line) Joined += QLatin1Char('\n');
    Joined += Run.Text;
  }
  for (; Line + 1 < Parse.LineCount; ++Line) Joined += QLatin1Char('\n');
  if (Joined != Parse.PlainText) std::abort();
  if (Parse.PlainText.size() > Text.size()) std::abort();

  // Layout and painting, on short texts (fonts are slow to measure).
  if (Size <= 512) {
    QImage Image(64, 32, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::white);
    QPainter P(&Image);
    TGvRichCaptionObject Caption(Text);
    Caption.SetAngle(Size % 360);
    Caption.SetAlignment(TGvContentAlignment(Size % 9));
    Caption.ParseForSize(P);
    // A caption expands its "<%" … "%>" fields first, so its lines are those
    // of the expanded text; without fields they are the parse's.
    if (!Text.contains(QLatin1String("<%")) && Caption.LineCount() != Parse.LineCount) std::abort();
    if (Caption.LineCount() > Caption.PlainText().count(QLatin1Char('\n')) + 1) std::abort();
    Caption.PaintGr(P);
  }
  return 0;
}
