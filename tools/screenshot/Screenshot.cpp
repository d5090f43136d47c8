// Saves a picture of each tab of the main window, for looking at the layout
// without a screen: verdane-screenshot <folder> [width height].
// Run it with QT_QPA_PLATFORM=offscreen.
#include "app/PageControl.h"
#include "app/UnitMain.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  const int width = argc > 3 ? atoi(argv[2]) : 1069;
  const int height = argc > 3 ? atoi(argv[3]) : 771;
  QDir().mkpath(folder);

  TForm1 form;
  form.Timer1->stop();
  form.show();
  form.resize(width, height);
  QTest::qWait(50);
  for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
    form.PageControl1->SetActivePageIndex(tab);
    QTest::qWait(50);
    const QString path = QStringLiteral("%1/tab%2-%3.png")
                             .arg(folder)
                             .arg(tab)
                             .arg(form.PageControl1->tabText(tab));
    form.grab().save(path);
    std::printf("%s\n", qPrintable(path));
  }
  return 0;
}
