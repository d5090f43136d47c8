// Saves pictures of the main window, for looking at it without a screen.
// Run with QT_QPA_PLATFORM=offscreen.
//
//   verdane-screenshot <folder> [width height]
//       one picture of each tab
//   verdane-screenshot --demo <folder> [seconds]
//       drives the window the way a newcomer would with "Fake port for
//       testing": choose the fake port, open the Operation tab, apply a wet
//       mixture, let the mixer run (in real time), then pictures of the
//       Operation, Output and Debug tabs; then Bypass for a few seconds and
//       Stop, and the Output tab's chart again (with the mode changes marked),
//       on its logarithmic and on its linear scale.
//   verdane-screenshot --sequence <folder> [seconds]
//       with "Fake port for testing": builds a profile on the Sequence tab
//       (0, 10, 50 and 100 ppm of O2, dry and at 10000 ppm of water, 6 s each,
//       three times), starts it, and after the seconds (in real time) takes
//       pictures of the Sequence tab during the run and of the Output tab's
//       chart with the steps marked.
#include "app/PageControl.h"
#include "app/UnitMain.h"
#include "sequence/SequencePanel.h"
#include "controls/GvIntegerEdit.h"
#include "devices/SerialTransport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {
void Save(TForm1& form, const QString& folder, const QString& name)
{
  const QString path = folder + u'/' + name + QStringLiteral(".png");
  form.grab().save(path);
  std::printf("%s\n", qPrintable(path));
}

void ClickItem(QListWidget* list, const QString& text)
{
  const auto items = list->findItems(text, Qt::MatchExactly);
  if (items.isEmpty()) return;
  list->scrollToItem(items.first());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(items.first()).center());
}

void ClickTab(TForm1& form, QWidget* page)
{
  QTabBar* bar = form.PageControl1->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(form.PageControl1->indexOf(page)).center());
}

int Tabs(const QString& folder, int width, int height)
{
  TForm1 form;
  form.Timer1->stop();
  form.show();
  form.resize(width, height);
  QTest::qWait(50);
  for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
    form.PageControl1->SetActivePageIndex(tab);
    QTest::qWait(50);
    Save(form, folder, QStringLiteral("tab%1-%2").arg(tab).arg(form.PageControl1->tabText(tab)));
  }
  return 0;
}

// The window as a newcomer opens it: "Fake port for testing" chosen, the
// imaginary mixer set up.
void OpenInTestMode(TForm1& form)
{
  form.show();
  form.resize(1600, 900);
  QTest::qWait(100);
  ClickItem(form.ListBoxPortSolenoid, FakePortName());
  QTest::qWait(100);
}

int Demo(const QString& folder, int seconds)
{
  TForm1 form;
  OpenInTestMode(form);
  Save(form, folder, QStringLiteral("demo1-setup"));
  ClickTab(form, form.TabSheet1);
  form.GvIntegerEditH2Oppm->setFocus();
  QTest::keyClick(form.GvIntegerEditH2Oppm, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(form.GvIntegerEditH2Oppm, QStringLiteral("5000"));
  QTest::keyClick(form.GvIntegerEditH2Oppm, Qt::Key_Tab);
  form.ButtonDilution->click();
  QTest::qWait(seconds * 1000);
  Save(form, folder, QStringLiteral("demo2-operation"));
  ClickTab(form, form.TabSheet2);
  QTest::qWait(100);
  Save(form, folder, QStringLiteral("demo3-output"));
  ClickTab(form, form.TabSheet3);
  QTest::qWait(100);
  Save(form, folder, QStringLiteral("demo4-debug"));
  form.ButtonBypass->click();
  QTest::qWait(6000);
  form.ButtonStop->click();
  QTest::qWait(2500);
  ClickTab(form, form.TabSheet2);
  QTest::qWait(200);
  Save(form, folder, QStringLiteral("demo5-output-modes"));
  form.CheckBoxOutputLogScale->click();
  QTest::qWait(200);
  Save(form, folder, QStringLiteral("demo6-output-linear"));
  return 0;
}
// Types Text into a cell of the sequence table as an operator does.
void TypeCell(QTableWidget* table, int row, int column, const QString& text)
{
  table->setCurrentCell(row, column);
  table->setFocus();
  QTest::keyClicks(table, text.left(1));
  if (QWidget* editor = QApplication::focusWidget(); editor && editor != table) {
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->selectAll();
      QTest::keyClicks(line, text);
    }
    QTest::keyClick(editor, Qt::Key_Return);
  }
  QTest::qWait(20);
}

int Sequence(const QString& folder, int seconds)
{
  TForm1 form;
  OpenInTestMode(form);
  ClickTab(form, form.TabSheetSequence);
  TSequencePanel& tab = *form.TabSheetSequence;
  QTableWidget* table = tab.StringGridSequence;
  const int ppm[4] = {0, 10, 50, 100};
  for (int i = 0; i < 8; ++i) {
    tab.ButtonSequenceAdd->click(); // a copy of the step before
    TypeCell(table, i, TSequencePanel::ColPpmA, QString::number(ppm[i % 4]));
    TypeCell(table, i, TSequencePanel::ColPpmH2O, i < 4 ? QStringLiteral("0") : QStringLiteral("10000"));
    TypeCell(table, i, TSequencePanel::ColMinutes, QStringLiteral("0.1"));
  }
  tab.GvIntegerEditSequenceRepeat->SetValue(3);
  tab.ButtonSequenceStart->click();
  QTest::qWait(seconds * 1000);
  Save(form, folder, QStringLiteral("sequence1-tab"));
  ClickTab(form, form.TabSheet2);
  QTest::qWait(300);
  Save(form, folder, QStringLiteral("sequence2-output"));
  form.ButtonStop->click();
  QTest::qWait(500);
  return 0;
}
} // namespace

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  if (argc > 2 && std::strcmp(argv[1], "--sequence") == 0) {
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);
    return Sequence(folder, argc > 3 ? atoi(argv[3]) : 40);
  }
  if (argc > 2 && std::strcmp(argv[1], "--demo") == 0) {
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);
    return Demo(folder, argc > 3 ? atoi(argv[3]) : 20);
  }
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QDir().mkpath(folder);
  return Tabs(folder, argc > 3 ? atoi(argv[2]) : 1069, argc > 3 ? atoi(argv[3]) : 771);
}
