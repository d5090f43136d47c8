// Fixture for the entry-control tests: a shown, active window holding the
// controls under test and a plain edit to move the focus to, a beep counter,
// and fixed number conventions.
#pragma once

#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <gtest/gtest.h>
#include <ostream>
#include <utility>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& Text, std::ostream* Out)
{
  *Out << '"' << Text.toStdString() << '"';
}

// Number and date conventions with the given decimal separator; everything
// else as the library's defaults ("yyyy/mm/dd", "hh:nn:ss", ":" and "/").
inline TFormatSettings SettingsWithDecimal(QChar Separator)
{
  TFormatSettings s;
  s.DecimalSeparator = Separator;
  s.ThousandSeparator = Separator == u'.' ? u',' : u'.';
  return s;
}

// Counts beeps instead of sounding them while it lives.
class BeepCounter
{
public:
  BeepCounter() : FPrevious(SetGvBeepHook([this] { ++FCount; })) {}
  ~BeepCounter() { SetGvBeepHook(std::move(FPrevious)); }
  // Beeps since the last call.
  int Take() { return std::exchange(FCount, 0); }

private:
  int FCount = 0;
  TGvBeepHook FPrevious;
};

// Lets the event loop wait once, so that the idle checks run.
inline void RunIdle()
{
  QEventLoop loop;
  QTimer::singleShot(20, &loop, &QEventLoop::quit);
  loop.exec();
}

class WidgetTest : public ::testing::Test
{
protected:
  WidgetTest() : Locale(SettingsWithDecimal(u'.'))
  {
    Window.setObjectName(QStringLiteral("WindowControls"));
    Window.resize(400, 200);
    Other = new QLineEdit(&Window);
    Other->setGeometry(10, 150, 100, 24);
  }

  void SetUp() override
  {
    Window.show();
    QApplication::setActiveWindow(&Window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
  }

  // A control of type T in the window, 140 x 24 at the top left.
  template <class T> T* Add()
  {
    T* control = new T(&Window);
    control->setGeometry(10, 10 + 30 * Count++, 140, 24);
    control->show();
    return control;
  }

  // Records the value at every OnValueChanged.
  template <class T> std::vector<double>& Log(T* Control)
  {
    Logs.emplace_back();
    std::vector<double>* log = &Logs.back();
    QObject::connect(Control, &T::OnValueChanged, Control, [log, Control](QObject* Sender) {
      EXPECT_EQ(Sender, Control);
      log->push_back(double(Control->Value()));
    });
    return *log;
  }

  static void Enter(QWidget* Control)
  {
    Control->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(Control->hasFocus());
  }
  void Leave()
  {
    Other->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(Other->hasFocus());
  }

  // Widens or narrows the control so that WinWidth() becomes W.
  template <class T> static void SetWinWidth(T* Control, int W)
  {
    Control->resize(Control->width() + W - Control->WinWidth(), Control->height());
    ASSERT_EQ(Control->WinWidth(), W);
  }
  static int TextWidth(const QWidget* Control, const QString& Text)
  {
    return Control->fontMetrics().horizontalAdvance(Text);
  }

  TFormatSettingsOverride Locale;
  BeepCounter Beeps;
  QWidget Window;
  QLineEdit* Other = nullptr;
  int Count = 0;
  std::deque<std::vector<double>> Logs;
};
