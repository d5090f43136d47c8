#pragma once
// What verdane-devsim prints on its standard output: the two ports it serves
// when it starts, and the state its devices were left in when it ends.
#include <QProcess>
#include <QString>

#include <map>

// Reads the simulator's first lines until both ports are known (false when
// it ends or stays silent for TimeoutMs first).
inline bool ReadDevSimPorts(QProcess& Process, QString& RelayPort, QString& MFCPort,
                            int TimeoutMs)
{
  while (RelayPort.isEmpty() || MFCPort.isEmpty()) {
    if (!Process.canReadLine() && !Process.waitForReadyRead(TimeoutMs)) return false;
    while (Process.canReadLine()) {
      const QString line = QString::fromLocal8Bit(Process.readLine()).trimmed();
      if (line.startsWith("VERDANE_RELAY_PORT=")) RelayPort = line.section(u'=', 1);
      if (line.startsWith("VERDANE_MFC_PORT=")) MFCPort = line.section(u'=', 1);
    }
  }
  return true;
}

// The VERDANE_FINAL_* lines of what the simulator printed at its end.
inline std::map<QString, QString> DevSimFinalState(const QByteArray& Output)
{
  std::map<QString, QString> final;
  for (const QByteArray& raw : Output.split('\n')) {
    const QString line = QString::fromLocal8Bit(raw).trimmed();
    if (line.startsWith("VERDANE_FINAL_")) final[line.section(u'=', 0, 0)] = line.section(u'=', 1);
  }
  return final;
}
