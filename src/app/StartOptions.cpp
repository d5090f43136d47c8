#include "app/StartOptions.h"

#include "app/MixerControl.h"
#include "app/UnitMain.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>

std::optional<TStartOptions> ParseStartOptions(const QStringList& Arguments, QString* Error)
{
  TStartOptions options;
  const auto fail = [Error](const QString& reason) {
    if (Error) *Error = reason;
    return std::optional<TStartOptions>();
  };
  for (qsizetype i = 1; i < Arguments.size(); ++i) {
    const QString& a = Arguments[i];
    QString* value = nullptr;
    if (a == QLatin1String("--relay-port"))
      value = &options.RelayPort;
    else if (a == QLatin1String("--mfc-port"))
      value = &options.MFCPort;
    else if (a == QLatin1String("--gas-a"))
      value = &options.GasA;
    else if (a == QLatin1String("--gas-b"))
      value = &options.GasB;
    else if (a == QLatin1String("--sequence"))
      value = &options.SequenceFile;
    else if (a == QLatin1String("--remote"))
      value = &options.Remote;
    else if (a == QLatin1String("--remote-token-file"))
      value = &options.RemoteTokenFile;
    if (value) {
      if (i + 1 >= Arguments.size() || Arguments[i + 1].isEmpty())
        return fail(QStringLiteral("%1 needs a %2")
                        .arg(a, a.endsWith(QLatin1String("port"))   ? QStringLiteral("port")
                                : a == QLatin1String("--sequence") ||
                                        a == QLatin1String("--remote-token-file")
                                    ? QStringLiteral("file")
                                : a == QLatin1String("--remote") ? QStringLiteral("[ADDRESS:]PORT")
                                                                   : QStringLiteral("name")));
      *value = Arguments[++i];
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      options.Help = true;
    } else if (a == QLatin1String("--version")) {
      options.Version = true;
    } else if (a == QLatin1String("--start")) {
      options.Start = true;
    } else {
      return fail(QStringLiteral("unknown option \"%1\"").arg(a));
    }
  }
  if (!options.RemoteTokenFile.isEmpty() && options.Remote.isEmpty())
    return fail(QStringLiteral("--remote-token-file needs --remote"));
  if (options.Start && options.SequenceFile.isEmpty() && !options.Help && !options.Version)
    return fail(QStringLiteral("--start needs --sequence FILE"));
  return options;
}

QString StartOptionsHelp()
{
  return QStringLiteral(
      "Usage: verdane [OPTION]...\n"
      "Controls a laboratory gas mixer: two mass flow controllers on one serial bus, six\n"
      "solenoid valves and a water bubbler behind a relay board. Without hardware, pick\n"
      "\"Fake port for testing\" on the Setup tab, or serve simulated devices on\n"
      "pseudo-terminals with verdane-devsim.\n"
      "\n"
      "Options:\n"
      "  --relay-port PORT  pick PORT for the relay board and validate it at start\n"
      "  --mfc-port PORT    pick PORT for the mass flow controllers and validate them\n"
      "  --gas-a NAME       choose gas A (O2, 5%H2,95%Ar, Air, H2) once the devices are\n"
      "                     validated, as the Setup tab's list does\n"
      "  --gas-b NAME       choose gas B (Ar, N2, H2, H2O), after gas A\n"
      "  --sequence FILE    load the sequence file into the Sequence tab\n"
      "  --start            start the sequence once the set-up is complete (needs\n"
      "                     --sequence)\n"
      "  --remote [ADDRESS:]PORT\n"
      "                     start the remote interface (HTTP/JSON and a status page) on\n"
      "                     ADDRESS (default 127.0.0.1; [::1] for IPv6) and PORT (0: any\n"
      "                     free port); the address it listens on is written to standard\n"
      "                     error. Off unless given. A port in use ends Verdane with\n"
      "                     exit status 2.\n"
      "  --remote-token-file FILE\n"
      "                     every request must carry \"Authorization: Bearer TOKEN\", TOKEN\n"
      "                     being the text of FILE (at least 32 printable characters, no\n"
      "                     blanks); needed for any ADDRESS outside this machine's\n"
      "                     loopback, or Verdane refuses to start (exit status 2)\n"
      "  -h, --help         print this text and end\n"
      "  --version          print the version and end\n"
      "Options with a single dash are Qt's own, such as -platform offscreen.\n"
      "\n"
      "Environment:\n"
      "  VERDANE_EXTRA_PORTS  serial ports the system does not list (pseudo-terminals,\n"
      "                       socat bridges), separated by \":\"; they join the port\n"
      "                       lists after the system's ports, as the ports given by\n"
      "                       --relay-port and --mfc-port do\n"
      "\n"
      "Signals:\n"
      "  SIGTERM, SIGINT, SIGHUP  end Verdane as closing its window does: valves closed,\n"
      "                           both set-points 0, the humidification stopped, and an\n"
      "                           autosave written when the output table holds rows\n"
      "\n"
      "Exit status:\n"
      "  0  Verdane ended: its window was closed or one of the signals above came\n"
      "  2  the command line was not understood, the remote interface could not start\n"
      "     (a bad address or token file, a port in use), or with --start anything kept\n"
      "     the sequence from starting (said on standard error; the devices left safe)\n");
}

QStringList WithoutToolkitOptions(const QStringList& Arguments)
{
  QStringList kept;
  for (qsizetype i = 0; i < Arguments.size(); ++i) {
    const QString& a = Arguments[i];
    const bool toolkit = i > 0 && a.size() > 1 && a.startsWith(u'-') && !a.startsWith(u"--") &&
                         a != QLatin1String("-h");
    if (!toolkit) {
      kept << a;
      continue;
    }
    if (i + 1 < Arguments.size() && !Arguments[i + 1].startsWith(u'-')) ++i; // its value
  }
  return kept;
}

namespace {
QStringList Items(const QListWidget* List)
{
  QStringList items;
  for (int i = 0; i < List->count(); ++i) items << List->item(i)->text();
  return items;
}

// Chooses Name in the gas list of Address as a click does. An empty text when
// it was chosen, otherwise why not.
QString ChooseGas(TForm1& Form, unsigned Address, const QString& Name)
{
  QListWidget* list = Address == 1 ? Form.ListBoxSetupGas1 : Form.ListBoxSetupGas2;
  const QString gas = Address == 1 ? QStringLiteral("gas A") : QStringLiteral("gas B");
  const QList<QListWidgetItem*> items = list->findItems(Name, Qt::MatchExactly);
  if (items.isEmpty())
    return QStringLiteral("unknown %1 \"%2\"; the names are: %3")
        .arg(gas, Name, Items(list).join(QStringLiteral(" | ")));
  if (Form.TestMode()) {
    // The imaginary mixer has its own fixed gases.
    const QString fixed = Address == 1 ? QStringLiteral("O2") : QStringLiteral("N2");
    return Name == fixed ? QString()
                         : QStringLiteral("the imaginary mixer's %1 is %2, not \"%3\"")
                               .arg(gas, fixed, Name);
  }
  if (!Form.CheckBoxMFCOK->isChecked())
    return QStringLiteral("%1 \"%2\" cannot be chosen: the MFCs are not validated")
        .arg(gas, Name);
  list->setCurrentItem(items.first());
  items.first()->setSelected(true);
  if (Address == 1)
    Form.ListBoxSetupGas1Click();
  else
    Form.ListBoxSetupGas2Click();
  if (TForm1::SelectedText(list) != Name)
    return QStringLiteral("%1 \"%2\" could not be chosen on controller %3 (see the lines above)")
        .arg(gas, Name)
        .arg(Address);
  return QString();
}
} // namespace

TStartOutcome ApplyStartOptions(TForm1& Form, const TStartOptions& Options)
{
  TStartOutcome outcome;
  const auto problem = [&](const QString& text) {
    outcome.Problems << text;
    Form.MemoSetupFeedback->appendPlainText(text);
  };
  if (!Options.RelayPort.isEmpty() || !Options.MFCPort.isEmpty()) {
    QStringList extra;
    for (const QString& port : {Options.RelayPort, Options.MFCPort})
      if (!port.isEmpty()) extra << port;
    const QString earlier = qEnvironmentVariable("VERDANE_EXTRA_PORTS");
    if (!earlier.isEmpty()) extra << earlier;
    qputenv("VERDANE_EXTRA_PORTS", extra.join(u':').toLocal8Bit());
    Form.ButtonSetupFindPortsClick();
    const auto pick = [](QListWidget* list, const QString& port) {
      const QList<QListWidgetItem*> items = list->findItems(port, Qt::MatchExactly);
      if (items.isEmpty()) return;
      list->setCurrentItem(items.first());
      items.first()->setSelected(true);
    };
    pick(Form.ListBoxPortSolenoid, Options.RelayPort);
    pick(Form.ListBoxPortMFC, Options.MFCPort);
    Form.ButtonSetupValidateClick();
  }
  for (auto [address, name] : {std::pair{1u, Options.GasA}, {2u, Options.GasB}}) {
    if (name.isEmpty()) continue;
    const QString why = ChooseGas(Form, address, name);
    if (!why.isEmpty()) problem(why);
  }
  if (!Options.SequenceFile.isEmpty()) {
    QString error;
    if (!Form.LoadSequence(Options.SequenceFile, &error))
      problem(QStringLiteral("sequence %1 not loaded: %2").arg(Options.SequenceFile, error));
  }
  if (Options.Start) {
    if (!outcome.Problems.isEmpty()) {
      problem(QStringLiteral("the sequence was not started"));
    } else {
      const TCommandResult r = Form.Control().StartSequence();
      outcome.SequenceStarted = r.IsDone();
      if (!r.IsDone()) problem(QStringLiteral("the sequence was not started: ") + r.Message);
    }
  }
  return outcome;
}
