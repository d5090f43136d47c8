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
#include <QTimer>
#include <cstring>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Records every dialog and answers from a script (Yes when nothing is scripted).
class TScriptedDialogs : public TDialogService
{
public:
  QStringList Messages;
  QStringList Questions;
  std::deque<bool> Answers;
  std::deque<QString> SaveNames;

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
  TDeviceTransport Transport{&Mixer};
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
