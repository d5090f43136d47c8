// Program entry: the application and its one main window, the set-up and the
// sequence given on the command line, and the signals that end it as closing
// the window does.
#include "app/ShutdownSignals.h"
#include "app/StartOptions.h"
#include "app/UnitMain.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  QString error;
  const std::optional<TStartOptions> options = ParseStartOptions(app.arguments(), &error);
  if (!options || options->Help) {
    if (!options) std::fprintf(stderr, "verdane: %s\n", error.toLocal8Bit().constData());
    std::fputs(StartOptionsHelp().toLocal8Bit().constData(), options ? stdout : stderr);
    return options ? 0 : 2;
  }
  TShutdownSignals endSignals;
  if (!endSignals.Install())
    std::fprintf(stderr, "verdane: cannot take SIGTERM, SIGINT and SIGHUP\n");
  TForm1 form;
  QObject::connect(&endSignals, &TShutdownSignals::Received, &form,
                   [&form](int) { CloseOnSignal(form); });
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
