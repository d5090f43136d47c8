// Program entry: the application and its one main window, the set-up and the
// sequence given on the command line, and the signals that end it as closing
// the window does.
#include "app/ShutdownSignals.h"
#include "app/StartOptions.h"
#include "app/UnitMain.h"
#include "app/Version.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteSettings.h"

#include <QApplication>
#include <cstdio>
#include <memory>

namespace {
// --help, --version, or the refusal of a command line that cannot be read.
int Answer(const std::optional<TStartOptions>& Options, const QString& Error)
{
  if (!Options) {
    std::fprintf(stderr, "verdane: %s\nTry verdane --help.\n", Error.toLocal8Bit().constData());
    return 2;
  }
  const QString text = Options->Help ? StartOptionsHelp() : VersionText() + u'\n';
  std::fputs(text.toLocal8Bit().constData(), stdout);
  return 0;
}

int Run(int argc, char** argv)
{
  QApplication app(argc, argv);
  QString error;
  const std::optional<TStartOptions> options = ParseStartOptions(app.arguments(), &error);
  if (!options || options->Help || options->Version) return Answer(options, error);
  // The remote interface is checked before anything else starts: a bad
  // address, token file or port ends Verdane before it touches a device.
  std::optional<TRemoteSettings> remote;
  if (!options->Remote.isEmpty()) {
    remote = RemoteSettingsFromOptions(options->Remote, options->RemoteTokenFile, &error);
    if (!remote) {
      std::fprintf(stderr, "verdane: %s\n", error.toLocal8Bit().constData());
      return 2;
    }
  }
  TShutdownSignals endSignals;
  if (!endSignals.Install())
    std::fprintf(stderr, "verdane: cannot take SIGTERM, SIGINT and SIGHUP\n");
  TForm1 form;
  QObject::connect(&endSignals, &TShutdownSignals::Received, &form,
                   [&form](int) { CloseOnSignal(form); });
  std::unique_ptr<TRemoteServer> server;
  if (remote) {
    server = std::make_unique<TRemoteServer>(form, *remote);
    if (!server->Listen(&error)) {
      std::fprintf(stderr, "verdane: %s\n", error.toLocal8Bit().constData());
      return 2;
    }
    std::fprintf(stderr, "verdane: remote interface at %s%s\n",
                 server->Url().toLocal8Bit().constData(),
                 remote->Token.isEmpty() ? "" : " (token required)");
    std::fflush(stderr);
  }
  form.showMaximized();
  const TStartOutcome outcome = ApplyStartOptions(form, *options);
  for (const QString& problem : outcome.Problems)
    std::fprintf(stderr, "verdane: %s\n", problem.toLocal8Bit().constData());
  if (options->Start && !outcome.SequenceStarted) {
    // A script or a service restarting after a power cut learns that the
    // sequence did not start; the devices are left safe as on closing.
    form.close();
    return 2;
  }
  return app.exec();
}
} // namespace

int main(int argc, char** argv)
{
  // The command line is read once before the window system is reached, so
  // that --help, --version and a refusal work without a display; once more
  // after QApplication has taken out its own options.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QString error;
  const std::optional<TStartOptions> options =
      ParseStartOptions(WithoutToolkitOptions(arguments), &error);
  if (!options || options->Help || options->Version) return Answer(options, error);
  return Run(argc, argv);
}
