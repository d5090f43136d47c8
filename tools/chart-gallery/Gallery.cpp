// verdane-chart-gallery <folder> [sheet ...]: paints the chart engine's
// gallery sheets as PNG pictures into <folder> (offscreen), all sheets or the
// ones named.
#include "GallerySheet.h"

#include <QApplication>
#include <QImageWriter>
#include <cstdio>
#include <exception>

std::vector<TGallerySheetEntry>& GallerySheets()
{
  static std::vector<TGallerySheetEntry> Sheets;
  return Sheets;
}

QString TGallerySheet::Save(const QImage& Image, const QString& Name)
{
  const QString File = FFolder.filePath(Name + QStringLiteral(".png"));
  QImageWriter Writer(File, "png");
  if (!Writer.write(Image))
    throw std::runtime_error(("Cannot write " + File + ": " + Writer.errorString()).toStdString());
  FWritten << File;
  return File;
}

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication App(argc, argv);
  const QStringList Args = App.arguments().mid(1);
  if (Args.isEmpty() || Args.first() == QLatin1String("--help")) {
    std::printf("usage: verdane-chart-gallery <folder> [sheet ...]\nsheets:");
    for (const auto& S : GallerySheets()) std::printf(" %s", S.Name);
    std::printf("\n");
    return Args.isEmpty() ? 2 : 0;
  }
  QDir Folder(Args.first());
  if (!Folder.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "Cannot create %s\n", qPrintable(Args.first()));
    return 1;
  }
  const QStringList Only = Args.mid(1);
  int Failed = 0;
  for (const auto& S : GallerySheets()) {
    if (!Only.isEmpty() && !Only.contains(QLatin1String(S.Name))) continue;
    TGallerySheet Sheet(Folder);
    try {
      S.Paint(Sheet);
      for (const QString& F : Sheet.Written()) std::printf("%s\n", qPrintable(F));
    } catch (const std::exception& E) {
      std::fprintf(stderr, "sheet %s failed: %s\n", S.Name, E.what());
      ++Failed;
    }
  }
  return Failed ? 1 : 0;
}
