// The whole mixer as an operator runs it, against verdane-devsim on
// pseudo-terminals, in real time: about a minute of a wet mixture, then
// Bypass, Stop and a save.
#include "AppTestSupport.h"
#include "common/DevSimLines.h"

#include "app/OutputChart.h"
#include "app/OutputPlot.h"
#include "app/PageControl.h"
#include "chart/GvAxis.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"
#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <map>

namespace {
// verdane-devsim as a separate program: the ports it serves, and on exit the
// state its devices were left in.
struct TDevSim
{
  QProcess Process;
  QString RelayPort, MFCPort;
  std::map<QString, QString> Final;

  bool Start()
  {
    Process.start(QStringLiteral(VERDANE_DEVSIM), {});
    if (!Process.waitForStarted(5000)) return false;
    return ReadDevSimPorts(Process, RelayPort, MFCPort, 5000);
  }
  // Ends the simulator and reads the final state it prints.
  void Stop()
  {
    ::kill(pid_t(Process.processId()), SIGTERM);
    Process.waitForFinished(5000);
    Final = DevSimFinalState(Process.readAllStandardOutput());
  }
  ~TDevSim()
  {
    if (Process.state() != QProcess::NotRunning) {
      Process.kill();
      Process.waitForFinished(2000);
    }
  }
};

void ClickTab(TForm1& f, int index)
{
  QTabBar* bar = f.PageControl1->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// The grid rows that StoreData filled (those with a time).
QList<int> StoredRows(const TForm1& f)
{
  QList<int> rows;
  for (int r = 1; r < f.GridRowCount(); ++r)
    if (!f.GridCell(0, r).isEmpty()) rows << r;
  return rows;
}

void Type(QWidget* field, const QString& text)
{
  field->setFocus();
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Tab);
}
} // namespace

TEST(EndToEnd, WetMixtureForAMinuteThenBypassStopAndSave)
{
  TOwnFolder folder; // the autosave and the saved file
  TDevSim sim;
  ASSERT_TRUE(sim.Start()) << "verdane-devsim did not start";
  qputenv("VERDANE_EXTRA_PORTS", (sim.RelayPort + u':' + sim.MFCPort).toLocal8Bit());

  // A window as the program makes it, in real time, its cycle running.
  TScriptedDialogs dialogs;
  TForm1 f({nullptr, &dialogs, nullptr});
  f.resize(1400, 900);
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));

  // Setup: find the ports, choose them, let the program validate, choose gases.
  f.ButtonSetupFindPorts->click();
  qunsetenv("VERDANE_EXTRA_PORTS");
  TWindowFixture::Click(f.ListBoxPortSolenoid, sim.RelayPort);
  TWindowFixture::Click(f.ListBoxPortMFC, sim.MFCPort);
  ASSERT_TRUE(f.CheckBoxSolenoidOK->isChecked())
      << f.MemoSetupFeedback->toPlainText().toStdString();
  ASSERT_TRUE(f.CheckBoxMFCOK->isChecked()) << f.MemoSetupFeedback->toPlainText().toStdString();
  TWindowFixture::Click(f.ListBoxSetupGas1, "O2");
  TWindowFixture::Click(f.ListBoxSetupGas2, "N2");
  ASSERT_TRUE(f.CheckBoxGasesSelected->isChecked());
  ClickTab(f, 1);
  ASSERT_EQ(f.PageControl1->currentIndex(), 1);
  ASSERT_GT(f.GvIntegerEditpH2O->Value(), 0.02); // measured at the simulated bubbler

  // A wet mixture: 1000 ppm O2 and 5000 ppm water in N2.
  Type(f.GvIntegerEditGasAPPM, "1000");
  Type(f.GvIntegerEditH2Oppm, "5000");
  ASSERT_EQ(f.GvIntegerEditH2Oppm->Value(), 5000);
  f.ButtonDilution->click();
  const QString method = f.Shared.MixingMethod;
  TCode code;
  ASSERT_TRUE(CodeOfMethod(method, code));
  ASSERT_TRUE(IsWetMethod(code)) << method.toStdString();
  const double wetFraction = f.Shared.DesiredH2OTimeFraction;
  ASSERT_GT(wetFraction, 0.05);
  QElapsedTimer wet;
  wet.start();
  ClickTab(f, f.PageControl1->indexOf(f.TabSheet2)); // the chart follows the rows while the mixture runs
  QTest::qWait(60000);
  ASSERT_NE(f.Shared.WETT, nullptr);
  const int shown = StoredRows(f).size();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return f.OutputChart->SeriesPpmA()->Count() >= shown &&
               f.OutputChart->SeriesPpmH2O()->Count() >= shown;
      },
      2000));
  EXPECT_GE(f.GraphOutput->PrimaryXAxis()->Stop(), f.OutputPlot().Time()->Value(shown - 1));
  const int dilutionRows = f.GridRowCount() - 1;
  // About one a second for 30 s, then one a minute. This runs in real time
  // against the simulator, so a busy machine stretches the ticks: the exact
  // cadence is tested in virtual time (Cycle.RecordingCadence); here the rows
  // only have to keep coming.
  EXPECT_GE(dilutionRows, 15);

  f.ButtonBypass->click();
  const double wetSeconds = wet.elapsed() / 1000.0;
  EXPECT_EQ(f.Shared.WETT, nullptr);
  QTest::qWait(3000);
  f.ButtonStop->click();
  QTest::qWait(1500);
  f.Timer1->stop();

  // Save through the right-click on the table.
  const QString path = QDir::current().absoluteFilePath("run.csv");
  dialogs.SaveNames = {path};
  ClickTab(f, f.PageControl1->indexOf(f.TabSheet2));
  QTest::mouseClick(f.StringGrid1->viewport(), Qt::RightButton);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');

  sim.Stop();
  ASSERT_EQ(sim.Final.count("VERDANE_FINAL_RELAY_MASK"), 1u) << "no final state from the simulator";
  EXPECT_EQ(sim.Final["VERDANE_FINAL_RELAY_MASK"], "0");
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_1"].toDouble(), 0.0);
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_2"].toDouble(), 0.0);
  const double deliveredA = sim.Final["VERDANE_FINAL_TOTALIZER_1"].toDouble() * 1000;
  const double deliveredB = sim.Final["VERDANE_FINAL_TOTALIZER_2"].toDouble() * 1000;

  // The file: header, description, separator, titles, then one line per row.
  int table = lines.indexOf("*********\r");
  ASSERT_GT(table, 1);
  EXPECT_EQ(lines[0], "Data starts after *** line\r");
  EXPECT_EQ(lines[1], "Description of desired mixture\r");
  QList<QStringList> rows;
  for (int i = table + 2; i < lines.size(); ++i)
    if (!lines[i].isEmpty()) rows << QString::fromLatin1(lines[i]).trimmed().split(u';');
  ASSERT_EQ(rows.size(), f.GridRowCount() - 1);
  auto number = [](const QString& cell) { return QString(cell).remove(u'"').toDouble(); };
  const int gasA = f.Shared.P[TProperty::GasA].ColID, gasB = f.Shared.P[TProperty::GasB].ColID,
            h2o = f.Shared.P[TProperty::H2O].ColID, mode = f.Shared.P[TProperty::Mode].ColID;
  const QStringList& last = rows.last();
  EXPECT_EQ(last[mode], "Standby");
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                          [&](const QStringList& r) { return r[mode] == "Bypass"; }));

  // The rows agree with what the controllers delivered: A stopped with the
  // mixture, B went on in Bypass until at most a tick before Stop.
  EXPECT_NEAR(number(last[gasA]), deliveredA, 1e-5);
  EXPECT_LE(number(last[gasB]), deliveredB + 1e-5);
  EXPECT_GE(number(last[gasB]), deliveredB - 1.0 / 60 * 1.0); // full scale 1 g/min, < 1 s
  // Grams grow from row to row while gas flows.
  for (int i = 1; i < rows.size(); ++i)
    EXPECT_GE(number(rows[i][gasB]) + 1e-9, number(rows[i - 1][gasB])) << i;

  // The water agrees with the wetting time the thread counted.
  const double counted = f.Shared.OccuredWETTime;
  EXPECT_NEAR(counted, wetFraction * wetSeconds, 3.5);
  const double h2oGrams = double(f.Shared.H2OC.MolarMass) * f.GvIntegerEditpH2O->Value() *
                          GetMolesPerGram("N2") * counted / 60 *
                          f.Shared.DesiredFlowBGramsperMinute;
  EXPECT_NEAR(number(last[h2o]), h2oGrams, 2e-6);
  EXPECT_GT(number(last[h2o]), 0);

  // The chart plotted what the rows hold, and marked the three modes.
  const QList<int> stored = StoredRows(f);
  const TOutputPlotData& plot = f.OutputPlot();
  ASSERT_EQ(plot.Count(), stored.size());
  const TColumnTable& P = f.Shared.P;
  for (int i = 0; i < stored.size(); ++i) {
    EXPECT_EQ(FormatDateTime(P[TProperty::Time].Format, plot.Time()->Value(i)),
              f.GridCell(P[TProperty::Time].ColID, stored[i]));
    for (auto [q, v] :
         {std::pair{TProperty::ppmA, plot.PpmA()}, {TProperty::ppmH2O, plot.PpmH2O()}}) {
      const QString cell = f.GridCell(P[q].ColID, stored[i]);
      EXPECT_EQ(std::isnan(v->Value(i)) ? QString() : FormatFloat(P[q].Format, v->Value(i)), cell)
          << i;
    }
  }
  QStringList modes;
  for (const auto& change : plot.ModeChanges()) modes << change.Mode;
  EXPECT_EQ(modes, QStringList({"Dilution", "Bypass", "Standby"}));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return f.OutputChart->SeriesPpmA()->Count() == stored.size(); }, 2000));
}
