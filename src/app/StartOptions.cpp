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
    } else if (a == QLatin1String("--start")) {
      options.Start = true;
    } else {
      return fail(QStringLiteral("unknown option \"%1\"").arg(a));
    }
  }
  if (!options.RemoteTokenFile.isEmpty() && options.Remote.isEmpty())
    return fail(QStringLiteral("--remote-token-file needs --remote"));
  if (options.Start && options.SequenceFile.isEmpty() && !options.Help)
    return fail(QStringLiteral("--start needs --sequence FILE"));
  return options;
}

QString StartOptionsHelp()
{
  return QStringLiteral(
      "usage: verdane [--relay-port PORT] [--mfc-port PORT] [--gas-a NAME] [--gas-b NAME]\n"
      "               [--sequence FILE [--start]]\n"
      "               [--remote [ADDRESS:]PORT [--remote-token-file FILE]]\n"
      "  --relay-port PORT  pick PORT for the relay board and validate it at start\n"
      "  --mfc-port PORT    pick PORT for the mass flow controllers and validate them\n"
      "  --gas-a NAME       choose gas A (O2, 5%H2,95%Ar, Air, H2) once the devices are valid\n"
      "  --gas-b NAME       choose gas B (Ar, N2, H2, H2O), after gas A\n"
      "  --sequence FILE    load the sequence file into the Sequence tab\n"
      "  --start            start the sequence once the set-up is complete; anything that\n"
      "                     keeps it from starting ends Verdane with exit status 2\n"
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
      "The ports join the port lists as VERDANE_EXTRA_PORTS does. SIGTERM, SIGINT and\n"
      "SIGHUP end Verdane as closing its window does.\n");
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
