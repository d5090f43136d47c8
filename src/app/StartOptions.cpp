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
    } else if (a == QLatin1String("--relay-port") || a == QLatin1String("--mfc-port")) {
      if (i + 1 >= Arguments.size() || Arguments[i + 1].isEmpty())
        return fail(QStringLiteral("%1 needs a port").arg(a));
      (a == QLatin1String("--relay-port") ? options.RelayPort : options.MFCPort) = Arguments[++i];
    } else if (a == QLatin1String("--remote") || a == QLatin1String("--remote-token-file")) {
      if (i + 1 >= Arguments.size() || Arguments[i + 1].isEmpty())
        return fail(QStringLiteral("%1 needs %2")
                        .arg(a, a == QLatin1String("--remote") ? QStringLiteral("[ADDRESS:]PORT")
                                                               : QStringLiteral("a file")));
      (a == QLatin1String("--remote") ? options.Remote : options.RemoteTokenFile) = Arguments[++i];
    } else {
      return fail(QStringLiteral("unknown option \"%1\"").arg(a));
    }
  }
  if (!options.RemoteTokenFile.isEmpty() && options.Remote.isEmpty())
    return fail(QStringLiteral("--remote-token-file needs --remote"));
  return options;
}

QString StartOptionsHelp()
{
  return QStringLiteral(
      "usage: verdane [--relay-port PORT] [--mfc-port PORT] [--remote [ADDRESS:]PORT\n"
      "               [--remote-token-file FILE]]\n"
      "  --relay-port PORT  pick PORT for the relay board and validate it at start\n"
      "  --mfc-port PORT    pick PORT for the mass flow controllers and validate them\n"
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
