// The command line of Verdane: the serial ports to pick at start, the gases
// to choose and a sequence to load and start, so that an unattended start
// (a service restarting after a power cut, a script, a test) finds the
// mixer set up as if the operator had done it in the Setup tab.
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
  QString GasA;         // gas A to choose, empty: none
  QString GasB;         // gas B to choose, empty: none
  QString SequenceFile; // sequence to load into the Sequence tab, empty: none
  bool Start = false;   // start the sequence once the set-up is complete
  // The remote interface: "[ADDRESS:]PORT" as given (empty: off), and the
  // file holding its token (empty: none).
  QString Remote;
  QString RemoteTokenFile;
};

// Reads the arguments (the program name first, Qt's own options already
// taken out). Nullopt with the reason in Error for an unknown option, a
// missing value, or --start without --sequence.
std::optional<TStartOptions> ParseStartOptions(const QStringList& Arguments, QString* Error);
// The text of --help: usage, options, environment, signals and exit
// statuses. The manual page is made from it (ManPageFromHelp), so a line
// added here appears there too.
QString StartOptionsHelp();

// The arguments without the toolkit's own options (single-dash, such as
// "-platform offscreen" or "-reverse") and the value that follows one, so that
// the command line can be read before QApplication has taken them out.
QStringList WithoutToolkitOptions(const QStringList& Arguments);

// What came of the options: what was missing or refused (each also written
// to the Setup tab's feedback pane), and whether the sequence started.
struct TStartOutcome
{
  QStringList Problems;
  bool SequenceStarted = false;
};

// Adds the ports to the port lists (and keeps them there for "Find ports"),
// picks them and validates the devices behind them, as the Setup tab does
// when the operator picks them; then chooses gas A and gas B as the gas
// lists do (A first), loads the sequence file and, with Start, starts it.
TStartOutcome ApplyStartOptions(TForm1& Form, const TStartOptions& Options);
