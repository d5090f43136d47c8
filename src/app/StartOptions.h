// The command line of Verdane: the serial ports to pick at start, so that an
// unattended restart (or a test) finds the devices validated as if the
// operator had picked them in the Setup tab's lists.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class TForm1;

struct TStartOptions
{
  QString RelayPort; // port of the relay board, empty: none picked
  QString MFCPort;   // port of the controller bus, empty: none picked
  bool Help = false;
  bool Version = false;
};

// Reads the arguments (the program name first, Qt's own options already
// taken out). Nullopt with the reason in Error for an unknown option or a
// missing value.
std::optional<TStartOptions> ParseStartOptions(const QStringList& Arguments, QString* Error);
// The text of --help: usage, options, environment, signals and exit
// statuses. The manual page is made from it (ManPageFromHelp), so a line
// added here appears there too.
QString StartOptionsHelp();

// The arguments without the toolkit's own options (single-dash, such as
// "-platform offscreen" or "-reverse") and the value that follows one, so that
// the command line can be read before QApplication has taken them out.
QStringList WithoutToolkitOptions(const QStringList& Arguments);

// Adds the ports to the port lists (and keeps them there for "Find ports"),
// picks them and validates the devices behind them, as the Setup tab does
// when the operator picks them.
void ApplyStartOptions(TForm1& Form, const TStartOptions& Options);
