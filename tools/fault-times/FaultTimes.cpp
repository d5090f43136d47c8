// verdane-fault-times: how soon the mixer gets its commands taken when its
// devices fail, in real time against verdane-devsim (started here, with
// faults at set times), with the main window offscreen in this process as
// the operator would drive it. Prints one line per figure, "name ms=<x>" or
// "name count=<n>", read off the simulator's log (the time each device
// received a request and how it answered) and the window's own clock:
//
//   lost     "Apply Mixture" during a one-second silence of the relay board and
//            controller B (a dilution with A dosed in pulses): from the end of
//            the silence to the valve line-up, B's set-point and B's totalizer
//            reset taken
//   late     controller A answers 230 ms late for 8 s of a pulsed dilution:
//            readings of A taken meanwhile (each would be a late reply), and
//            from A answering in time again to its first reading
//   stop     Stop during a wet mixture (the humidification thread running),
//            with the relay board answering and silent: from the click to both
//            set-points 0 taken, to the valves closed, and how long the stop
//            waited for the thread
//   signal   SIGTERM during a wet mixture: from the signal to both set-points
//            0 taken and to the valves closed
//
// Not a test: it takes about a minute and its figures depend on the machine.
// Usage: verdane-fault-times [--devsim PATH] [--keep DIR] [scenario ...]
// --keep saves the simulator's log of each scenario (<name>-devsim.log) and
// pictures of the Operation tab during the silence of "lost" and after it
// (lost-silence.png, lost-after.png) into DIR.
#include "app/DialogService.h"
#include "app/PageControl.h"
#include "app/ShutdownSignals.h"
#include "app/StartOptions.h"
#include "app/UnitMain.h"
#include "controls/GvIntegerEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>

namespace {

// No person at the screen: every message is printed, every question answered
// No, no file chosen.
class TQuietDialogs : public TDialogService
{
public:
  void ShowMessage(QWidget*, const QString& text) override
  {
    std::fprintf(stderr, "  (message: %s)\n", text.toLocal8Bit().constData());
  }
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
  QString AskSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                          const QString&) override
  {
    return QString();
  }
};

// Milliseconds since midnight, as the simulator stamps its log.
double NowMs()
{
  return QTime::currentTime().msecsSinceStartOfDay();
}

// One request of the simulator's log: when, on which line, what, and the answer.
struct TLogLine
{
  double Ms = 0;
  QString Line; // "relay" or "mfc"
  QString Request;
  QString Reply; // "(none)" when the device did not answer
};

// verdane-devsim with its log read as it comes.
class TDevSim
{
public:
  explicit TDevSim(const QString& Program) : FProgram(Program) {}
  ~TDevSim()
  {
    if (FProcess.state() != QProcess::NotRunning) {
      FProcess.kill();
      FProcess.waitForFinished(3000);
    }
  }

  bool Start(const QStringList& Faults)
  {
    QStringList args{"--verbose"};
    for (const QString& f : Faults) args << "--fault" << f;
    FProcess.start(FProgram, args);
    if (!FProcess.waitForStarted(10000)) return false;
    StartedMs = NowMs();
    while (Relay.isEmpty() || MFC.isEmpty()) {
      if (!FProcess.canReadLine() && !FProcess.waitForReadyRead(10000)) return false;
      while (FProcess.canReadLine()) {
        const QString line = QString::fromLocal8Bit(FProcess.readLine()).trimmed();
        if (line.startsWith("VERDANE_RELAY_PORT=")) Relay = line.section(u'=', 1);
        if (line.startsWith("VERDANE_MFC_PORT=")) MFC = line.section(u'=', 1);
      }
    }
    return true;
  }

  // The requests logged so far.
  QList<TLogLine> Log()
  {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d) (relay|mfc): (.*) -> (.*)$"));
    FErrors += FProcess.readAllStandardError();
    QList<TLogLine> lines;
    for (const QByteArray& raw : FErrors.split('\n')) {
      const QRegularExpressionMatch m = pattern.match(QString::fromLocal8Bit(raw).trimmed());
      if (!m.hasMatch()) continue;
      TLogLine l;
      l.Ms = ((m.captured(1).toInt() * 60 + m.captured(2).toInt()) * 60 + m.captured(3).toInt()) *
                 1000.0 +
             m.captured(4).toInt();
      l.Line = m.captured(5);
      l.Request = m.captured(6);
      l.Reply = m.captured(7);
      lines << l;
    }
    return lines;
  }

  // Writes the log so far to Path (nothing when Path is empty).
  void SaveLog(const QString& Path)
  {
    Log();
    QFile file(Path);
    if (!Path.isEmpty() && file.open(QIODevice::WriteOnly)) file.write(FErrors);
  }

  QString Relay, MFC;
  double StartedMs = 0;

private:
  QString FProgram;
  QProcess FProcess;
  QByteArray FErrors;
};

// The first logged request at or after FromMs on Line that begins with
// Request and was answered (or, with Answered false, was not); nullopt if none.
std::optional<TLogLine> First(const QList<TLogLine>& Log, double FromMs, const QString& Line,
                              const QString& Request, bool Answered = true)
{
  for (const TLogLine& l : Log)
    if (l.Ms >= FromMs && l.Line == Line && l.Request.startsWith(Request) &&
        (l.Reply != QLatin1String("(none)")) == Answered)
      return l;
  return std::nullopt;
}

void Print(const char* Name, const std::optional<double>& Ms)
{
  if (Ms)
    std::printf("%s ms=%.0f\n", Name, *Ms);
  else
    std::printf("%s ms=none\n", Name);
  std::fflush(stdout);
}

// A main window in real time on the simulator's ports, validated, with O2
// and N2 chosen, on the Operation tab.
struct TMixer
{
  TQuietDialogs Dialogs;
  TForm1 Form{TFormServices{nullptr, &Dialogs, nullptr}};

  bool SetUp(const TDevSim& Sim)
  {
    Form.showMaximized(); // as Verdane opens it (also without a window manager)
    if (const QScreen* screen = Form.screen()) Form.setGeometry(screen->availableGeometry());
    TStartOptions ports;
    ports.RelayPort = Sim.Relay;
    ports.MFCPort = Sim.MFC;
    ApplyStartOptions(Form, ports);
    for (auto [list, gas] :
         {std::pair{Form.ListBoxSetupGas1, "O2"}, {Form.ListBoxSetupGas2, "N2"}}) {
      const QList<QListWidgetItem*> items =
          list->findItems(QString::fromLatin1(gas), Qt::MatchExactly);
      if (items.isEmpty()) return false;
      list->setCurrentItem(items.first());
      items.first()->setSelected(true);
      if (list == Form.ListBoxSetupGas1)
        Form.ListBoxSetupGas1Click();
      else
        Form.ListBoxSetupGas2Click();
    }
    return Form.CheckBoxSolenoidOK->isChecked() && Form.CheckBoxMFCOK->isChecked() &&
           Form.CheckBoxGasesSelected->isChecked();
  }
  void Mixture(int APpm, int H2OPpm)
  {
    Form.GvIntegerEditGasAPPM->SetValue(APpm);
    Form.GvIntegerEditH2Oppm->SetValue(H2OPpm);
  }
};

// Runs the window's event loop until the simulator's clock passes AtMs.
void WaitUntil(double AtMs)
{
  const double left = AtMs - NowMs();
  if (left > 0) QTest::qWait(int(left));
}

bool Lost(const QString& DevSim, const QString& Keep)
{
  constexpr double cAfterS = 6; // validation and gas selection are over by then
  TDevSim sim(DevSim);
  const QString after = QStringLiteral(":after=%1:for=1").arg(cAfterS);
  if (!sim.Start({"relay:silent" + after, "mfc2:silent" + after})) return false;
  TMixer m;
  if (!m.SetUp(sim)) return false;
  m.Mixture(150, 0); // O2 in N2 at 150 ppm: A dosed in pulses, B constant
  WaitUntil(sim.StartedMs + cAfterS * 1000 + 100);
  m.Form.ButtonDilutionClick(); // the silences begin with its first requests
  m.Form.PageControl1->setCurrentIndex(1);
  const auto picture = [&](const char* Name) {
    if (!Keep.isEmpty()) m.Form.grab().save(Keep + u'/' + QLatin1String(Name));
  };
  QStringList statuses;
  QElapsedTimer run;
  run.start();
  bool during = false;
  while (run.elapsed() < 3000) {
    QTest::qWait(50);
    if (statuses.isEmpty() || statuses.last() != m.Form.LabelStatus->text())
      statuses << m.Form.LabelStatus->text();
    if (!during && run.elapsed() > 500) {
      picture("lost-silence.png");
      during = true;
    }
  }
  picture("lost-after.png");
  m.Form.ButtonStopClick();
  QTest::qWait(500);
  std::printf("# statuses: %s\n", statuses.join(" | ").toLocal8Bit().constData());

  if (!Keep.isEmpty()) sim.SaveLog(Keep + QStringLiteral("/lost-devsim.log"));
  const QList<TLogLine> log = sim.Log();
  const auto silentFrom = [&](const QString& line, const QString& request) {
    const std::optional<TLogLine> l = First(log, 0, line, request, false);
    return l ? std::optional<double>(l->Ms + 1000) : std::nullopt;
  };
  const auto taken = [&](std::optional<double> end, const QString& line, const QString& request) {
    if (!end) return std::optional<double>();
    const std::optional<TLogLine> l = First(log, *end, line, request);
    return l ? std::optional<double>(l->Ms - *end) : std::nullopt;
  };
  const std::optional<double> relayEnd = silentFrom("relay", "FE 28");
  const std::optional<double> busEnd = silentFrom("mfc", "02 ");
  Print("lost_valves_taken_after_silence", taken(relayEnd, "relay", "FE 28 18"));
  Print("lost_setpoint_b_taken_after_silence", taken(busEnd, "mfc", "02 10 00 06"));
  Print("lost_reset_b_taken_after_silence", taken(busEnd, "mfc", "02 10 63 80"));
  return true;
}

bool Late(const QString& DevSim, const QString& Keep)
{
  constexpr double cAfterS = 9, cForS = 8;
  TDevSim sim(DevSim);
  if (!sim.Start({QStringLiteral("mfc1:slow:delay=230:after=%1:for=%2").arg(cAfterS).arg(cForS)}))
    return false;
  TMixer m;
  if (!m.SetUp(sim)) return false;
  m.Mixture(150, 0);
  m.Form.ButtonDilutionClick();
  // Every 20 ms: whether A has a reading.
  QList<std::pair<double, bool>> samples;
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    samples << std::pair{NowMs(), std::isfinite(m.Form.Shared.TotalizerA.Value)};
  });
  sampler.start(20);
  WaitUntil(sim.StartedMs + (cAfterS + cForS + 4) * 1000);
  sampler.stop();
  m.Form.ButtonStopClick();
  QTest::qWait(300);

  if (!Keep.isEmpty()) sim.SaveLog(Keep + QStringLiteral("/late-devsim.log"));
  const QList<TLogLine> log = sim.Log();
  // The fault began with controller A's first request after its start time.
  const std::optional<TLogLine> first = First(log, sim.StartedMs + cAfterS * 1000, "mfc", "01 ");
  if (!first) return false;
  const double begin = first->Ms, end = begin + cForS * 1000;
  int taken = 0, reads = 0;
  for (const TLogLine& l : log)
    if (l.Ms >= begin + 400 && l.Ms < end && l.Request.startsWith("01 03 00 04")) ++reads;
  bool had = true;
  std::optional<double> back;
  for (const auto& [ms, finite] : samples) {
    if (ms >= begin + 400 && ms < end && finite && !had) ++taken; // a reading came meanwhile
    if (ms >= begin + 400 && ms < end) had = finite;
    if (ms >= end && finite && !back) back = ms - end;
  }
  std::printf("late_readings_of_a_taken_while_late count=%d of %d reads\n", taken, reads);
  Print("late_first_reading_of_a_after_in_time", back);
  return true;
}

bool Stop(const QString& DevSim, bool RelaySilent, bool BySignal, const QString& Keep)
{
  constexpr double cRunS = 12;
  TDevSim sim(DevSim);
  QStringList faults;
  if (RelaySilent) faults << QStringLiteral("relay:silent:after=%1").arg(cRunS);
  if (!sim.Start(faults)) return false;
  TMixer m;
  if (!m.SetUp(sim)) return false;
  TShutdownSignals endSignals;
  if (BySignal) {
    if (!endSignals.Install()) return false;
    QObject::connect(&endSignals, &TShutdownSignals::Received, &m.Form,
                     [&m](int) { CloseOnSignal(m.Form); });
  }
  m.Mixture(1000, 5000); // wet: the humidification thread runs
  m.Form.ButtonDilutionClick();
  WaitUntil(sim.StartedMs + cRunS * 1000 + 500);
  if (!m.Form.Shared.WETT) return false;
  const double at = NowMs();
  double waited = 0;
  if (BySignal) {
    ::raise(SIGTERM);
    QElapsedTimer t;
    t.start();
    while (m.Form.isVisible() && t.elapsed() < 20000) QTest::qWait(10);
    waited = NowMs() - at;
    QTest::qWait(500); // the simulator's last log lines
  } else {
    m.Form.ButtonStopClick();
    waited = NowMs() - at;
    QTest::qWait(1500);
  }
  m.Form.Timer1->stop();

  const QString name = QString::fromLatin1(BySignal ? "signal" : "stop") +
                       (RelaySilent ? QStringLiteral("_relay_silent") : QString());
  if (!Keep.isEmpty()) sim.SaveLog(Keep + u'/' + name + QStringLiteral("-devsim.log"));
  const QList<TLogLine> log = sim.Log();
  const auto after = [&](const QString& line, const QString& request) {
    const std::optional<TLogLine> l = First(log, at, line, request);
    return l ? std::optional<double>(l->Ms - at) : std::nullopt;
  };
  const std::optional<double> a = after("mfc", "01 10 00 06 00 02 04 00 00 00 00");
  const std::optional<double> b = after("mfc", "02 10 00 06 00 02 04 00 00 00 00");
  Print((name + "_setpoints_zero_taken").toLatin1().constData(),
        a && b ? std::optional<double>(std::max(*a, *b)) : std::nullopt);
  Print((name + "_valves_closed_taken").toLatin1().constData(), after("relay", "FE 28 00"));
  Print((name + (BySignal ? "_window_closed" : "_thread_wait")).toLatin1().constData(), waited);
  return true;
}

} // namespace

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false); // each scenario has a window of its own
  QString devsim = QCoreApplication::applicationDirPath() + QStringLiteral("/verdane-devsim");
  QString keep;
  QStringList scenarios;
  const QStringList args = app.arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--devsim") && i + 1 < args.size())
      devsim = args[++i];
    else if (args[i] == QLatin1String("--keep") && i + 1 < args.size())
      keep = args[++i];
    else if (args[i].startsWith(u'-')) {
      std::fprintf(stderr, "usage: verdane-fault-times [--devsim PATH] [--keep DIR] "
                           "[lost|late|stop|signal ...]\n");
      return 2;
    } else
      scenarios << args[i];
  }
  if (scenarios.isEmpty()) scenarios = {"lost", "late", "stop", "signal"};
  const std::map<QString, std::function<bool()>> run = {
      {"lost", [&] { return Lost(devsim, keep); }},
      {"late", [&] { return Late(devsim, keep); }},
      {"stop", [&] { return Stop(devsim, false, false, keep) && Stop(devsim, true, false, keep); }},
      {"signal", [&] { return Stop(devsim, false, true, keep); }},
  };
  int failed = 0;
  for (const QString& s : scenarios) {
    const auto it = run.find(s);
    if (it == run.end() || !it->second()) {
      std::fprintf(stderr, "verdane-fault-times: %s could not be run\n",
                   s.toLocal8Bit().constData());
      ++failed;
    }
  }
  return failed ? 1 : 0;
}
