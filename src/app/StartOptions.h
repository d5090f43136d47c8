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
  // The remote interface: "[ADDRESS:]PORT" as given (empty: off), and the
  // file holding its token (empty: none).
  QString Remote;
  QString RemoteTokenFile;
  bool Help = false;
};

// Reads the arguments (the program name first, Qt's own options already
// taken out). Nullopt with the reason in Error for an unknown option or a
// missing value.
std::optional<TStartOptions> ParseStartOptions(const QStringList& Arguments, QString* Error);
QString StartOptionsHelp();

// Adds the ports to the port lists (and keeps them there for "Find ports"),
// picks them and validates the devices behind them, as the Setup tab does
// when the operator picks them.
void ApplyStartOptions(TForm1& Form, const TStartOptions& Options);
