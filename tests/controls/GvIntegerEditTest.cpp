#include "WidgetTestSupport.h"

#include "controls/GvIntegerEdit.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QSignalSpy>

namespace {

class IntegerEditTest : public WidgetTest
{
protected:
  // A field with the given bounds and value, its events recorded from here on.
  TGvIntegerEdit* Make(int Min, int Max, int Value)
  {
    TGvIntegerEdit* e = Add<TGvIntegerEdit>();
    e->SetMinValue(Min);
    e->SetMaxValue(Max);
    e->SetValue(Value);
    Beeps.Take();
    return e;
  }
  // Empties the focused field with select-all and Backspace.
  static void Clear(QWidget* Control)
  {
    QTest::keyClick(Control, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Control, Qt::Key_Backspace);
  }
};

TEST_F(IntegerEditTest, StartsUnboundedAtZero)
{
  TGvIntegerEdit* e = Add<TGvIntegerEdit>();
  EXPECT_EQ(e->Value(), 0);
  EXPECT_EQ(e->text(), "0");
  EXPECT_EQ(e->MinValue(), 0);
  EXPECT_EQ(e->MaxValue(), 0);
  std::vector<double>& log = Log(e);
  Enter(e);
  Clear(e);
  QTest::keyClicks(e, "-123456");
  EXPECT_EQ(e->Value(), -123456);
  Leave();
  EXPECT_EQ(e->text(), "-123456");
  EXPECT_EQ(log.back(), -123456);
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(IntegerEditTest, TypingTakesEachInRangeNumberAndLeavingClampsWithABeep)
{
  TGvIntegerEdit* e = Make(1, 72, 24);
  std::vector<double>& log = Log(e);
  Enter(e);
  Clear(e);
  EXPECT_TRUE(log.empty());
  QTest::keyClicks(e, "100");
  EXPECT_EQ(log, (std::vector<double>{1, 10}));
  EXPECT_EQ(e->text(), "100");
  EXPECT_EQ(e->Value(), 10);
  EXPECT_EQ(Beeps.Take(), 0);
  Leave();
  EXPECT_EQ(log, (std::vector<double>{1, 10, 72}));
  EXPECT_EQ(e->Value(), 72);
  EXPECT_EQ(e->text(), "72");
  EXPECT_EQ(Beeps.Take(), 1);
}

TEST_F(IntegerEditTest, PastedOutOfRangeTextAtTheBoundStaysUntilLeft)
{
  TGvIntegerEdit* e = Make(1, 72, 72);
  std::vector<double>& log = Log(e);
  QSignalSpy dbl(e, &TGvIntegerEdit::OnDblClick);
  QApplication::clipboard()->setText("100");
  Enter(e);
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e->text(), "100");
  QTest::keyClick(e, Qt::Key_Return);
  EXPECT_EQ(dbl.count(), 1);
  EXPECT_EQ(Beeps.Take(), 1); // the Enter key itself, no correction
  EXPECT_EQ(e->text(), "100");
  EXPECT_TRUE(log.empty());
  Leave();
  EXPECT_EQ(e->text(), "72");
  EXPECT_EQ(e->Value(), 72);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(IntegerEditTest, EnterCorrectsAnOutOfRangeEntry)
{
  TGvIntegerEdit* e = Make(0, 60, 1);
  std::vector<double>& log = Log(e);
  QSignalSpy dbl(e, &TGvIntegerEdit::OnDblClick);
  Enter(e);
  Clear(e);
  QTest::keyClicks(e, "75");
  QTest::keyClick(e, Qt::Key_Enter);
  EXPECT_EQ(e->Value(), 60);
  EXPECT_EQ(e->text(), "60");
  EXPECT_EQ(log, (std::vector<double>{7, 60}));
  EXPECT_EQ(dbl.count(), 1);
  EXPECT_EQ(Beeps.Take(), 2); // the correction and the key
}

TEST_F(IntegerEditTest, RefusedKeysBeepAndLeaveTheText)
{
  TGvIntegerEdit* e = Make(0, 0, 5);
  std::vector<double>& log = Log(e);
  Enter(e);
  QTest::keyClick(e, Qt::Key_End);
  struct Case
  {
    Qt::Key Key;
    Qt::KeyboardModifiers Mods;
  };
  const Case refused[] = {{Qt::Key_Plus, {}},
                          {Qt::Key_Space, {}},
                          {Qt::Key_A, {}},
                          {Qt::Key_E, {}},
                          {Qt::Key_Period, {}},
                          {Qt::Key_Comma, {}},
                          {Qt::Key_B, Qt::ControlModifier}};
  for (const Case& c : refused) {
    SCOPED_TRACE(QKeySequence(int(c.Key) | int(c.Mods)).toString().toStdString());
    QTest::keyClick(e, c.Key, c.Mods);
    EXPECT_EQ(e->text(), "5");
    EXPECT_EQ(Beeps.Take(), 1);
  }
  EXPECT_TRUE(log.empty());
}

TEST_F(IntegerEditTest, NavigationAndEditingKeysPassUnfiltered)
{
  TGvIntegerEdit* e = Make(0, 0, 123);
  std::vector<double>& log = Log(e);
  Enter(e);
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, Qt::Key_Right);
  QTest::keyClick(e, Qt::Key_Delete); // "13"
  QTest::keyClick(e, Qt::Key_End);
  QTest::keyClick(e, Qt::Key_Left);
  QTest::keyClick(e, Qt::Key_Minus); // "1-3" does not parse
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, Qt::Key_Delete); // "-3"
  EXPECT_EQ(e->text(), "-3");
  EXPECT_EQ(log, (std::vector<double>{13, -3}));
  EXPECT_EQ(Beeps.Take(), 0);
  QTest::keyClick(e, Qt::Key_Z, Qt::ControlModifier); // undo
  EXPECT_EQ(e->text(), "1-3");
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(IntegerEditTest, ClearedFieldLeftRaisesNothingAndShowsTheValueAgain)
{
  TGvIntegerEdit* e = Make(1, 72, 24);
  std::vector<double>& log = Log(e);
  Enter(e);
  Clear(e);
  EXPECT_EQ(e->text(), "");
  Leave();
  EXPECT_EQ(e->text(), "24");
  EXPECT_EQ(e->Value(), 24);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(IntegerEditTest, SettingValueAndBoundsRaisesOnValueChanged)
{
  TGvIntegerEdit* e = Make(1, 72, 24);
  std::vector<double>& log = Log(e);
  e->SetValue(24); // unchanged, still raised
  e->SetValue(100);
  e->SetMinValue(30);
  e->SetMinValue(30); // the bound it has: nothing
  e->SetMaxValue(72);
  EXPECT_EQ(log, (std::vector<double>{24, 72, 72}));
  e->SetValue(10);
  EXPECT_EQ(e->Value(), 30);
  EXPECT_EQ(e->text(), "30");
  // Maximum below the minimum: no range at all.
  e->SetMaxValue(5);
  e->SetValue(-1000);
  EXPECT_EQ(e->Value(), -1000);
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(IntegerEditTest, LeadingZerosStayWhileFocused)
{
  TGvIntegerEdit* e = Make(0, 0, 0);
  Enter(e);
  Clear(e);
  QTest::keyClicks(e, "0042");
  EXPECT_EQ(e->Value(), 42);
  EXPECT_EQ(e->text(), "0042");
  Leave();
  EXPECT_EQ(e->text(), "42");
  Enter(e);
  EXPECT_EQ(e->text(), "0042");
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(IntegerEditTest, TooWideNumberShowsHashesOnlyWhileUnfocused)
{
  TGvIntegerEdit* e = Make(0, 0, 123456789);
  const int needed = TextWidth(e, "123456789");
  SetWinWidth(e, needed);
  EXPECT_EQ(e->text(), "123456789");
  SetWinWidth(e, needed - 1);
  EXPECT_EQ(e->text(), QString(45, u'#'));
  Enter(e);
  EXPECT_EQ(e->text(), "123456789");
  Leave();
  EXPECT_EQ(e->text(), QString(45, u'#'));
  e->SetValue(12);
  EXPECT_EQ(e->text(), "12");
  e->SetValue(987654321);
  EXPECT_EQ(e->text(), QString(45, u'#'));
  SetWinWidth(e, needed);
  EXPECT_EQ(e->text(), "987654321");
}

TEST_F(IntegerEditTest, ResizingAFocusedFieldKeepsTheTypedText)
{
  TGvIntegerEdit* e = Make(1, 72, 24);
  Enter(e);
  Clear(e);
  QTest::keyClicks(e, "0100");
  e->resize(e->width() - 20, e->height());
  EXPECT_EQ(e->text(), "0100");
  EXPECT_EQ(e->Value(), 10);
}

TEST_F(IntegerEditTest, MouseClicksRaiseOnClickAndOnDblClick)
{
  TGvIntegerEdit* e = Make(0, 0, 1);
  QSignalSpy click(e, &TGvIntegerEdit::OnClick);
  QSignalSpy dbl(e, &TGvIntegerEdit::OnDblClick);
  QTest::mouseClick(e, Qt::LeftButton);
  EXPECT_EQ(click.count(), 1);
  EXPECT_EQ(click.at(0).at(0).value<QObject*>(), e);
  QTest::mouseClick(e, Qt::RightButton);
  EXPECT_EQ(click.count(), 1);
  EXPECT_EQ(dbl.count(), 0);
  QTest::mouseDClick(e, Qt::LeftButton);
  EXPECT_EQ(dbl.count(), 1);
}

TEST_F(IntegerEditTest, ReentryRestoresCaretAndSelection)
{
  TGvIntegerEdit* e = Make(0, 0, 12345);
  Enter(e);
  e->setSelection(1, 2);
  Leave();
  e->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(e->selectionStart(), 1);
  EXPECT_EQ(e->selectedText(), "23");
  // A value set while focused selects everything at the next entry.
  e->SetValue(777);
  Leave();
  e->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(e->selectedText(), "777");
}

TEST_F(IntegerEditTest, PopupOverTheFieldIsNotLeavingIt)
{
  TGvIntegerEdit* e = Make(1, 72, 24);
  Enter(e);
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(e, "99");
  QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(e, &out);
  QFocusEvent in(QEvent::FocusIn, Qt::PopupFocusReason);
  QApplication::sendEvent(e, &in);
  EXPECT_EQ(e->text(), "99");
  EXPECT_EQ(Beeps.Take(), 0);
  Leave();
  EXPECT_EQ(e->Value(), 72);
  EXPECT_EQ(Beeps.Take(), 1);
}

TEST_F(IntegerEditTest, WindowActivationEntersOnlyTheFirstTime)
{
  QWidget form;
  TGvIntegerEdit* e = new TGvIntegerEdit(&form);
  e->setGeometry(5, 5, 140, 24);
  e->SetValue(123456789);
  SetWinWidth(e, TextWidth(e, "123456789") - 1);
  e->DisplayOrHash(); // a hidden window gets its resize events when shown
  EXPECT_EQ(e->text(), QString(45, u'#'));
  // The first activation focuses the field: it shows the number.
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  ASSERT_TRUE(e->hasFocus());
  EXPECT_EQ(e->text(), "123456789");
  QTest::keyClick(e, Qt::Key_End);
  QTest::keyClick(e, Qt::Key_Backspace);
  EXPECT_EQ(e->text(), "12345678");
  // Switching windows neither leaves nor enters the field.
  QApplication::setActiveWindow(&Window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
  EXPECT_EQ(e->text(), "12345678");
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(e->text(), "12345678");
  EXPECT_EQ(e->Value(), 12345678);
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(IntegerEditTest, TabKeyLeavesTheField)
{
  TGvIntegerEdit* e = Make(0, 60, 1);
  Enter(e);
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(e, "99");
  QTest::keyClick(e, Qt::Key_Tab);
  EXPECT_FALSE(e->hasFocus());
  EXPECT_EQ(e->Value(), 60);
  EXPECT_EQ(e->text(), "60");
  EXPECT_EQ(Beeps.Take(), 1);
}

} // namespace
