// Test doubles for the main window: scripted dialogs and a window in virtual time.
#pragma once

#include "app/DialogService.h"
#include "app/UnitMain.h"
#include "devices/Clock.h"
#include "devices/ImaginaryMixer.h"
#include "devices/SerialTransport.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cstring>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& Text, std::ostream* Out)
{
  *Out << '"' << Text.toStdString() << '"';
}

// Records every dialog and answers from a script (Yes when nothing is scripted).
class TScriptedDialogs : public TDialogService
{
public:
  QStringList Messages;
  QStringList Questions;
  std::deque<bool> Answers;
  std::deque<QString> SaveNames;
  std::deque<QString> MenuChoices;
  std::deque<QString> OpenNames;

  void ShowMessage(QWidget*, const QString& text) override { Messages << text; }
  bool AskYesNo(QWidget*, const QString& title, const QString& text) override
  {
    Questions << title + QStringLiteral(": ") + text;
    if (Answers.empty()) return true;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  QString AskSaveFileName(QWidget*, const QString& fileName, const QString& folder, const QString&,
                          const QString&) override
  {
    Questions << QStringLiteral("Save: ") + folder + u'/' + fileName;
    if (SaveNames.empty()) return QString();
    const QString name = SaveNames.front();
    SaveNames.pop_front();
    return name;
  }
  QString AskOpenFileName(QWidget*, const QString& folder, const QString&) override
  {
    Questions << QStringLiteral("Open: ") + folder;
    if (OpenNames.empty()) return QString();
    const QString name = OpenNames.front();
    OpenNames.pop_front();
    return name;
  }
  // Records the menu as "Menu: item | item" and chooses the scripted item
  // (nothing when none is scripted).
  QString AskMenuChoice(QWidget*, const QPoint&, const QStringList& Items) override
  {
    Questions << QStringLiteral("Menu: ") + Items.join(QStringLiteral(" | "));
    if (MenuChoices.empty()) return QString();
    const QString choice = MenuChoices.front();
    MenuChoices.pop_front();
    return choice;
  }
};

// Virtual time that tells the test about every wait.
class TRecordingClock : public TVirtualClock
{
public:
  std::function<void(unsigned)> OnSleep;
  void Sleep(unsigned Ms) override
  {
    if (OnSleep) OnSleep(Ms);
    TVirtualClock::Sleep(Ms);
  }
};

// Two more names for the imaginary mixer's devices: to the window they are
// ordinary ports (outside the test mode), to the fixture's transport the
// relay board and the controller bus of its mixer.
inline QString ImaginaryRelayPort()
{
  return QStringLiteral("/dev/verdane-imaginary-relay");
}
inline QString ImaginaryBusPort()
{
  return QStringLiteral("/dev/verdane-imaginary-bus");
}

// The fixture's transport: the device transport of the imaginary mixer (the
// fake port), the two names above for the same devices, and a log of every
// request with the thread that sent it. While it lives beside a clock
// (Watch), the sleeps of that clock between transactions on the window's
// thread are logged as well, so that the order and the waits of a series of
// operations can be read off one list.
class TTestTransport : public TSerialTransport
{
public:
  struct TRequest
  {
    QThread* Thread = nullptr;
    QByteArray Bytes;
  };

  explicit TTestTransport(TSerialTransport& Inner) : FInner(Inner) {}

  std::unique_ptr<TSerialLine> Open(const QString& Port, TClock& Clock) override
  {
    const bool alias = Port == ImaginaryRelayPort() || Port == ImaginaryBusPort();
    std::unique_ptr<TSerialLine> line = FInner.Open(alias ? FakePortName() : Port, Clock);
    if (!line) return nullptr;
    ++FOpen;
    return std::make_unique<TLine>(*this, std::move(line));
  }

  QList<TRequest> Requests() const
  {
    std::lock_guard<std::mutex> lock(FMutex);
    return FRequests;
  }
  // Requests and (while watched) waits, as "1 read 0x0023", "2 write 0x4139"
  // (address, Modbus function, register), "relay 254 40 24" and "wait 20".
  QStringList Steps() const
  {
    std::lock_guard<std::mutex> lock(FMutex);
    return FSteps;
  }
  void Clear()
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FRequests.clear();
    FSteps.clear();
  }
  // Logs the sleeps of Clock that come between transactions on this thread.
  void Watch(TRecordingClock& Clock)
  {
    QThread* self = QThread::currentThread();
    Clock.OnSleep = [this, self](unsigned ms) {
      if (QThread::currentThread() != self || FOpen > 0) return;
      std::lock_guard<std::mutex> lock(FMutex);
      FSteps << QStringLiteral("wait %1").arg(ms);
    };
  }

  static QString Describe(const QByteArray& b)
  {
    if (b.size() >= 2 && uint8_t(b[0]) == 254) {
      QStringList bytes;
      for (char c : b) bytes << QString::number(uint8_t(c));
      return QStringLiteral("relay ") + bytes.join(u' ');
    }
    if (b.size() < 4) return QStringLiteral("short frame");
    const char* kind = uint8_t(b[1]) == 3 ? "read" : "write";
    const uint reg = uint(uint8_t(b[2])) << 8 | uint8_t(b[3]);
    return QStringLiteral("%1 %2 0x%3")
        .arg(uint8_t(b[0]))
        .arg(QLatin1String(kind))
        .arg(QString::number(reg, 16).toUpper().rightJustified(4, u'0'));
  }

private:
  class TLine : public TSerialLine
  {
  public:
    TLine(TTestTransport& T, std::unique_ptr<TSerialLine> Inner) : FT(T), FInner(std::move(Inner))
    {
    }
    ~TLine() override { --FT.FOpen; }
    bool Configure(int B, int P, int S) override { return FInner->Configure(B, P, S); }
    bool SetTimeouts(const TSerialTimeouts& T) override { return FInner->SetTimeouts(T); }
    bool SetBuffers(unsigned I, unsigned O) override { return FInner->SetBuffers(I, O); }
    void DiscardInput() override { FInner->DiscardInput(); }
    bool Write(const uint8_t* Data, std::size_t Count) override
    {
      const QByteArray bytes(reinterpret_cast<const char*>(Data), qsizetype(Count));
      {
        std::lock_guard<std::mutex> lock(FT.FMutex);
        FT.FRequests << TRequest{QThread::currentThread(), bytes};
        FT.FSteps << Describe(bytes);
      }
      return FInner->Write(Data, Count);
    }
    std::size_t BytesWaiting() override { return FInner->BytesWaiting(); }
    bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) override
    {
      return FInner->Read(Buffer, MaxCount, Count);
    }
    void Close() override { FInner->Close(); }

  private:
    TTestTransport& FT;
    std::unique_ptr<TSerialLine> FInner;
  };

  TSerialTransport& FInner;
  std::atomic<int> FOpen{0};
  mutable std::mutex FMutex;
  QList<TRequest> FRequests;
  QStringList FSteps;
};

enum class TTime
{
  Virtual, // the window waits in virtual time (in-process devices only)
  Real     // the window waits for real (devices on pseudo-terminals)
};

// A main window with scripted dialogs and its own imaginary mixer behind the
// fake port; its timer is stopped so that tests run the ticks themselves.
// Autosaves and other relative paths land in a folder of the test's own.
struct TOwnFolder
{
  QTemporaryDir Dir;
  QString Previous = QDir::currentPath();
  TOwnFolder() { QDir::setCurrent(Dir.path()); }
  ~TOwnFolder() { QDir::setCurrent(Previous); }
};

struct TWindowFixture
{
  TOwnFolder Folder;
  TRecordingClock Clock;
  TScriptedDialogs Dialogs;
  TImaginaryMixer Mixer;
  TDeviceTransport Devices{&Mixer};
  TTestTransport Transport{Devices};
  std::unique_ptr<TForm1> Form;

  explicit TWindowFixture(TTime time = TTime::Virtual)
  {
    TFormServices services;
    services.Clock = time == TTime::Virtual ? static_cast<TClock*>(&Clock) : &SystemClock();
    services.Dialogs = &Dialogs;
    services.Transport = &Transport;
    Form = std::make_unique<TForm1>(services);
    Form->Timer1->stop();
  }

  // Clicks an item of a list as the operator would (runs its handler).
  static void Click(QListWidget* list, const QString& text)
  {
    const auto items = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(items.isEmpty()) << text.toStdString();
    list->scrollToItem(items.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(items.first()).center());
  }

  // Both fake ports: the test mode with the imaginary mixer, gases chosen.
  void StartTestMode()
  {
    Form->show();
    Click(Form->ListBoxPortSolenoid, FakePortName());
  }

  // Lists the ports again, with the imaginary devices under their ordinary
  // names (ImaginaryRelayPort, ImaginaryBusPort) before the fake entry.
  void ListImaginaryPorts()
  {
    qputenv("VERDANE_EXTRA_PORTS",
            (ImaginaryRelayPort() + u':' + ImaginaryBusPort()).toLocal8Bit());
    Form->ButtonSetupFindPortsClick();
    qunsetenv("VERDANE_EXTRA_PORTS");
  }

  // Relay masks the board received, oldest first.
  QList<int> RelayMasks() const
  {
    QList<int> masks;
    for (const QByteArray& f : Mixer.ReceivedFrames(TImaginaryLine::RelayBoard))
      if (f.size() >= 3 && uint8_t(f[0]) == 254 && uint8_t(f[1]) == 40) masks << uint8_t(f[2]);
    return masks;
  }

  // Floats written to Register of the controller at Address, oldest first.
  QList<float> Writes(int Address, int Register) const
  {
    QList<float> values;
    for (const QByteArray& f : Mixer.ReceivedFrames(TImaginaryLine::ControllerBus)) {
      if (f.size() < 13 || uint8_t(f[0]) != Address || uint8_t(f[1]) != 0x10) continue;
      if ((uint8_t(f[2]) << 8 | uint8_t(f[3])) != Register) continue;
      const uint32_t bits = uint32_t(uint8_t(f[7])) << 24 | uint32_t(uint8_t(f[8])) << 16 |
                            uint32_t(uint8_t(f[9])) << 8 | uint8_t(f[10]);
      float v;
      std::memcpy(&v, &bits, 4);
      values << v;
    }
    return values;
  }

  // Selects an item of a list the way a click would, without running its handler.
  static void Select(QListWidget* list, const QString& text)
  {
    const auto items = list->findItems(text, Qt::MatchExactly);
    if (items.isEmpty()) return;
    list->setCurrentItem(items.first());
    items.first()->setSelected(true);
  }
};
