#include "app/StartOptions.h"

#include "app/UnitMain.h"

#include <QListWidget>

std::optional<TStartOptions> ParseStartOptions(const QStringList& Arguments, QString* Error)
{
  TStartOptions options;
  const auto fail = [Error](const QString& reason) {
    if (Error) *Error = reason;
    return std::optional<TStartOptions>();
  };
  for (qsizetype i = 1; i < Arguments.size(); ++i) {
    const QString& a = Arguments[i];
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      options.Help = true;
    } else if (a == QLatin1String("--version")) {
      options.Version = true;
    } else if (a == QLatin1String("--relay-port") || a == QLatin1String("--mfc-port")) {
      if (i + 1 >= Arguments.size() || Arguments[i + 1].isEmpty())
        return fail(QStringLiteral("%1 needs a port").arg(a));
      (a == QLatin1String("--relay-port") ? options.RelayPort : options.MFCPort) = Arguments[++i];
    } else {
      return fail(QStringLiteral("unknown option \"%1\"").arg(a));
    }
  }
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
      "  2  the command line was not understood\n");
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

void ApplyStartOptions(TForm1& Form, const TStartOptions& Options)
{
  if (Options.RelayPort.isEmpty() && Options.MFCPort.isEmpty()) return;
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
