// verdane-man-page PROGRAM OUTPUT: writes the manual page of PROGRAM, made
// from what "PROGRAM --help" and "PROGRAM --version" print. The build runs it
// on verdane, so that the page always has the options of --help.
#include "app/ManPage.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <cstdio>

namespace {
// What Program prints with Option; nothing when it fails.
QString Output(const QString& Program, const QString& Option)
{
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(Program, {Option});
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0)
    return QString();
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}
} // namespace

int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3) {
    std::fputs("usage: verdane-man-page PROGRAM OUTPUT\n", stderr);
    return 2;
  }
  const QString help = Output(args[1], QStringLiteral("--help"));
  const QString version = Output(args[1], QStringLiteral("--version")).trimmed();
  if (help.isEmpty() || version.isEmpty()) {
    std::fprintf(stderr, "verdane-man-page: %s --help or --version failed\n",
                 args[1].toLocal8Bit().constData());
    return 1;
  }
  QFile out(args[2]);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      out.write(ManPageFromHelp(help, version).toUtf8()) < 0 || !out.flush()) {
    std::fprintf(stderr, "verdane-man-page: cannot write %s\n", args[2].toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
