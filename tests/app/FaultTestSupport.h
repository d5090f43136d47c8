// Test peers for faults on the lines: a main window whose devices answer on
// pseudo-terminals (the imaginary mixer's server) in virtual time, and
// verdane-devsim or Verdane itself as a program of its own.
#pragma once

#include "AppTestSupport.h"
#include "common/DevSimLines.h"
#include "common/PacedClock.h"
#include "devices/DeviceFaults.h"
#include "devices/ImaginaryMixerServer.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <bit>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

// Virtual time for a window whose devices sit behind real serial lines.
using TLineClock = TPaced<TRecordingClock>;

inline TDeviceFault FaultOf(const QString& Text)
{
  QString error;
  const std::optional<TDeviceFault> f = ParseDeviceFault(Text, &error);
  EXPECT_TRUE(f) << Text.toStdString() << ": " << error.toStdString();
  return f.value_or(TDeviceFault{});
}

// A window in virtual time whose relay board and controllers are the
// imaginary mixer on pseudo-terminals (published as links, so that a line
// that goes comes back under the same path), set up as the operator does:
// both ports picked and validated, O2 and N2 chosen.
struct TLineWindow
{
  TOwnFolder Folder;
  TLineClock Clock;
  TPacedTransport Transport;
  TScriptedDialogs Dialogs;
  TImaginaryMixer Mixer;
  TImaginaryMixerServer Server{Mixer, Clock};
  QTemporaryDir Links;
  std::unique_ptr<TForm1> Form;

  // Lines that went and came back, with the (virtual) time: "relay back".
  mutable std::mutex EventMutex;
  QList<std::pair<double, QString>> Events;

  TLineWindow()
  {
    Clock.AfterSleep = [this] { Server.DeliverDue(); };
    Server.SetEventTrace([this](TImaginaryLine Line, const QString& Event) {
      std::lock_guard<std::mutex> lock(EventMutex);
      Events << std::pair{
          Clock.Now(), QString::fromLatin1(Line == TImaginaryLine::RelayBoard ? "relay " : "mfc ") +
                           Event.section(u' ', 0, 0)};
    });
    Server.SetLinks(Links.filePath("relay"), Links.filePath("mfc"));
    QString error;
    if (!Server.Start(&error)) {
      ADD_FAILURE() << error.toStdString();
      return;
    }
    qputenv("VERDANE_EXTRA_PORTS",
            (Server.RelayBoardPort() + u':' + Server.ControllerBusPort()).toLocal8Bit());
    TFormServices services;
    services.Clock = &Clock;
    services.Dialogs = &Dialogs;
    services.Transport = &Transport;
    Form = std::make_unique<TForm1>(services);
    qunsetenv("VERDANE_EXTRA_PORTS");
    Form->Timer1->stop();
    Form->show();
    TWindowFixture::Click(Form->ListBoxPortSolenoid, Server.RelayBoardPort());
    TWindowFixture::Click(Form->ListBoxPortMFC, Server.ControllerBusPort());
    TWindowFixture::Click(Form->ListBoxSetupGas1, "O2");
    TWindowFixture::Click(Form->ListBoxSetupGas2, "N2");
  }
  ~TLineWindow()
  {
    if (Form) Form->Timer1->stop();
    Mixer.ClearFaults();
    Form.reset();
    Server.Stop();
    Clock.AfterSleep = nullptr;
  }
  bool Ready() const
  {
    return Form && Form->CheckBoxSolenoidOK->isChecked() && Form->CheckBoxMFCOK->isChecked() &&
           Form->CheckBoxGasesSelected->isChecked();
  }
  // Waits (in real time, at most 3 s) until both lines are there, as after a
  // gone fault has ended.
  bool WaitForLines() const
  {
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(Server.RelayBoardPort()) ||
           !QFileInfo::exists(Server.ControllerBusPort())) {
      if (timer.elapsed() > 3000) return false;
      QThread::msleep(2);
    }
    return true;
  }
  // When a line last came back ("relay" or "mfc"), or 0.
  double CameBack(const QString& Line) const
  {
    std::lock_guard<std::mutex> lock(EventMutex);
    double at = 0;
    for (const auto& [time, event] : Events)
      if (event == Line + QStringLiteral(" back")) at = time;
    return at;
  }

  // Plays the faults from now on; a line that a fault takes away is gone
  // when this returns.
  void Play(std::initializer_list<const char*> Faults)
  {
    QList<TDeviceFault> list;
    for (const char* f : Faults) list << FaultOf(QString::fromLatin1(f));
    Mixer.SetFaults(list, Clock.Now());
    for (const TDeviceFault& f : list) {
      if (f.Kind != TFaultKind::Gone || f.FromRequest > 0 || f.AfterS > 0) continue;
      const QString port = f.Device == TFaultDevice::RelayBoard ? Server.RelayBoardPort()
                                                                : Server.ControllerBusPort();
      QElapsedTimer timer;
      timer.start();
      while (QFileInfo::exists(port) && timer.elapsed() < 3000) QThread::msleep(1);
    }
  }

  // One tick of the cycle, then the rest of the 250 ms until the next one.
  // Returns how long the tick took (virtual ms).
  double Tick()
  {
    const double start = Clock.Now();
    Form->Timer1Timer();
    const double spentMs = (Clock.Now() - start) * 86400000;
    if (spentMs < 250) Clock.Advance(250 - spentMs);
    Server.DeliverDue();
    return spentMs;
  }

  // Relay masks and floats written to a register, as the devices received
  // them, with the (virtual) time they arrived.
  QList<std::pair<double, int>> RelayMasks() const
  {
    QList<std::pair<double, int>> masks;
    for (const TImaginaryFrame& f : Mixer.ReceivedFrames())
      if (f.Line == TImaginaryLine::RelayBoard && f.Bytes.size() >= 3 &&
          uint8_t(f.Bytes[0]) == 254 && uint8_t(f.Bytes[1]) == 40)
        masks << std::pair{f.Time, int(uint8_t(f.Bytes[2]))};
    return masks;
  }
  QList<float> Writes(int Address, int Register) const
  {
    QList<float> values;
    for (const QByteArray& f : Mixer.ReceivedFrames(TImaginaryLine::ControllerBus)) {
      if (f.size() < 13 || uint8_t(f[0]) != Address || uint8_t(f[1]) != 0x10) continue;
      if ((uint8_t(f[2]) << 8 | uint8_t(f[3])) != Register) continue;
      const uint32_t bits = uint32_t(uint8_t(f[7])) << 24 | uint32_t(uint8_t(f[8])) << 16 |
                            uint32_t(uint8_t(f[9])) << 8 | uint8_t(f[10]);
      values << std::bit_cast<float>(bits);
    }
    return values;
  }
  bool Safe() const
  {
    return Mixer.RelayMask() == 0 && Mixer.SetPoint(1) == 0.0f && Mixer.SetPoint(2) == 0.0f;
  }
};

// A program of the project run beside the test, its standard error read line
// by line as it comes.
struct TProgram
{
  QProcess Process;
  QStringList ErrorLines;

  ~TProgram()
  {
    if (Process.state() != QProcess::NotRunning) {
      Process.kill();
      Process.waitForFinished(5000);
    }
  }
  // Reads what standard error has, waiting at most Ms for more.
  void ReadErrors(int Ms)
  {
    Process.setReadChannel(QProcess::StandardError);
    if (!Process.canReadLine()) Process.waitForReadyRead(Ms);
    while (Process.canReadLine())
      ErrorLines << QString::fromLocal8Bit(Process.readLine()).trimmed();
    Process.setReadChannel(QProcess::StandardOutput);
  }
  // Waits (at most Ms) until a line of standard error contains Text.
  bool WaitForError(const QString& Text, int Ms)
  {
    QElapsedTimer timer;
    timer.start();
    while (!HasError(Text)) {
      const qint64 left = Ms - timer.elapsed();
      if (left <= 0 || Process.state() == QProcess::NotRunning) return HasError(Text);
      ReadErrors(int(std::min<qint64>(left, 100)));
    }
    return true;
  }
  bool HasError(const QString& Text) const
  {
    return std::any_of(ErrorLines.begin(), ErrorLines.end(),
                       [&](const QString& l) { return l.contains(Text); });
  }
  void Signal(int Number) const { ::kill(pid_t(Process.processId()), Number); }
};

// verdane-devsim: the ports it serves, its log, and on exit the state its
// devices were left in.
struct TDevSimProgram : TProgram
{
  QString RelayPort, MFCPort;
  std::map<QString, QString> Final;

  bool Start(const QStringList& Arguments)
  {
    Process.start(QStringLiteral(VERDANE_DEVSIM), Arguments);
    if (!Process.waitForStarted(10000)) return false;
    return ReadDevSimPorts(Process, RelayPort, MFCPort, 10000);
  }
  void Stop()
  {
    Signal(SIGTERM);
    Process.waitForFinished(10000);
    Final = DevSimFinalState(Process.readAllStandardOutput());
    ErrorLines << QString::fromLocal8Bit(Process.readAllStandardError()).split(u'\n');
  }
};
