// The sheets of verdane-chart-gallery: each sheet paints one or more PNG
// pictures into the output folder. A sheet registers itself from its own file:
//
//   GV_GALLERY_SHEET(symbols) { ... Sheet.Save(Image, "symbols"); }
#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

class TGallerySheet
{
public:
  explicit TGallerySheet(const QDir& Folder) : FFolder(Folder) {}
  // Writes Image as <Name>.png; returns the path written (raises on failure).
  QString Save(const QImage& Image, const QString& Name);
  // The path of a further output file (SVG, PDF ...) in the folder.
  QString Path(const QString& FileName) const { return FFolder.filePath(FileName); }
  const QStringList& Written() const { return FWritten; }

private:
  QDir FFolder;
  QStringList FWritten;
};

struct TGallerySheetEntry
{
  const char* Name;
  std::function<void(TGallerySheet&)> Paint;
};

std::vector<TGallerySheetEntry>& GallerySheets();

struct TGallerySheetRegistrar
{
  TGallerySheetRegistrar(const char* Name, void (*Paint)(TGallerySheet&))
  {
    GallerySheets().push_back({Name, Paint});
  }
};

#define GV_GALLERY_SHEET(Id)                                                                        \
  static void GallerySheet_##Id(TGallerySheet& Sheet);                                             \
  static const TGallerySheetRegistrar GallerySheetRegistrar_##Id(#Id, &GallerySheet_##Id);        \
  static void GallerySheet_##Id(TGallerySheet& Sheet)
