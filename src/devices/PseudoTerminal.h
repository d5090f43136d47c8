// A pseudo-terminal pair: a serial line without hardware. The program opens
// the slave end by its path (/dev/pts/N) as it would any serial port; a
// simulated or scripted device reads and writes the master end.
#pragma once

#include <QString>

class TPseudoTerminal
{
public:
  TPseudoTerminal() = default;
  ~TPseudoTerminal();
  TPseudoTerminal(const TPseudoTerminal&) = delete;
  TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

  // Opens a new pair. The slave end is also kept open here, in raw mode: the
  // master then sees no hang-up while the program has the port closed between
  // transactions, and the line never echoes or translates bytes. On failure
  // returns false with the reason in Error.
  bool Open(QString* Error = nullptr);
  void Close();

  int Master() const { return FMaster; }
  int Slave() const { return FSlave; }
  QString SlavePath() const { return FSlavePath; }

private:
  int FMaster = -1;
  int FSlave = -1;
  QString FSlavePath;
};
