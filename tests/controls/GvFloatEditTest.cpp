#include "WidgetTestSupport.h"

#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QToolButton>
#include <optional>

namespace {

class FloatEditTest : public WidgetTest
{
protected:
  static void Clear(QWidget* Control)
  {
    QTest::keyClick(Control, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Control, Qt::Key_Backspace);
  }
  static void Type(QWidget* Control, const QString& Text)
  {
    Clear(Control);
    QTest::keyClicks(Control, Text);
  }
  // The main window's gas-B limit field.
  TGvNumericUpDn* MakeLimit()
  {
    TGvNumericUpDn* u = Add<TGvNumericUpDn>();
    u->SetMaxValue(2.0);
    u->SetIncrement(0.001);
    u->SetDigits(6);
    u->SetBtnWidth(15);
    u->SetValue(0.4);
    Beeps.Take();
    return u;
  }
};

// The same under a "." and a "," decimal separator.
class FloatEditLocaleTest : public FloatEditTest, public ::testing::WithParamInterface<char>
{
protected:
  FloatEditLocaleTest() : Sep(QChar::fromLatin1(GetParam())), Here(SettingsWithDecimal(Sep)) {}
  // Text with every "." replaced by the separator under test.
  QString L(const char* Text) const { return QString::fromLatin1(Text).replace(u'.', Sep); }
  QChar Sep;
  TFormatSettingsOverride Here;
};

INSTANTIATE_TEST_SUITE_P(Separators, FloatEditLocaleTest, ::testing::Values('.', ','),
                         [](const auto& info) {
                           return std::string(info.param == '.' ? "Point" : "Comma");
                         });

TEST_P(FloatEditLocaleTest, ShowsPlainFixedAndPatternTexts)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  EXPECT_EQ(d->text(), "0");
  EXPECT_EQ(d->DecimalPlaces(), -1);
  EXPECT_TRUE(d->DoHashes());
  d->SetValue(0.4);
  EXPECT_EQ(d->text(), L("0.4"));
  d->SetFormat("0.000 000");
  EXPECT_EQ(d->text(), L("0.400 000"));
  d->SetValue(1.2345678);
  EXPECT_EQ(d->text(), L("1.234 568"));
  d->SetFormat("");
  d->SetDigits(3);
  EXPECT_EQ(d->text(), L("1.235"));
  d->SetDigits(40);
  EXPECT_EQ(d->DecimalPlaces(), 18);
  d->SetDigits(-3);
  EXPECT_EQ(d->DecimalPlaces(), 0);
  EXPECT_EQ(d->text(), "1");
}

TEST_P(FloatEditLocaleTest, TypingTakesNumbersWithTheLocaleSeparatorAndExponents)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  std::vector<double>& log = Log(d);
  Enter(d);
  Type(d, L("2.5"));
  EXPECT_EQ(d->Value(), 2.5);
  Type(d, "1e3");
  EXPECT_EQ(d->Value(), 1000.0);
  Type(d, "+7E-1");
  EXPECT_EQ(d->Value(), 0.7);
  EXPECT_EQ(Beeps.Take(), 0);
  EXPECT_EQ(log.back(), 0.7);
  Leave();
  EXPECT_EQ(d->text(), L("0.7"));
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_P(FloatEditLocaleTest, PointIsAlwaysAcceptedCommaOnlyAsTheSeparator)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetValue(3);
  Enter(d);
  Type(d, "1.5");
  EXPECT_EQ(Beeps.Take(), 0);
  EXPECT_EQ(d->text(), "1.5");
  // Under "," the point is let through but does not parse.
  EXPECT_EQ(d->Value(), Sep == u'.' ? 1.5 : 1.0);
  Type(d, "2");
  QTest::keyClick(d, Qt::Key_Comma);
  EXPECT_EQ(Beeps.Take(), Sep == u',' ? 0 : 1);
  EXPECT_EQ(d->text(), Sep == u',' ? "2," : "2");
}

TEST_F(FloatEditTest, RefusedKeysBeep)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetValue(5);
  std::vector<double>& log = Log(d);
  Enter(d);
  QTest::keyClick(d, Qt::Key_End);
  for (Qt::Key key :
       {Qt::Key_Space, Qt::Key_A, Qt::Key_P, Qt::Key_Slash, Qt::Key_Colon, Qt::Key_Comma}) {
    SCOPED_TRACE(QKeySequence(key).toString().toStdString());
    QTest::keyClick(d, key);
    EXPECT_EQ(d->text(), "5");
    EXPECT_EQ(Beeps.Take(), 1);
  }
  EXPECT_TRUE(log.empty());
}

TEST_F(FloatEditTest, LeavingClampsWithABeepAndEnterValidates)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetMinValue(-1);
  d->SetMaxValue(2);
  d->SetValue(0.5);
  std::vector<double>& log = Log(d);
  QSignalSpy dbl(d, &TGvDoubleEdit::OnDblClick);
  Enter(d);
  Type(d, "3.5");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(d->Value(), 0.5);
  Leave();
  EXPECT_EQ(d->Value(), 2.0);
  EXPECT_EQ(d->text(), "2");
  EXPECT_EQ(log, (std::vector<double>{2}));
  EXPECT_EQ(Beeps.Take(), 1);

  Enter(d);
  Type(d, "-4");
  QTest::keyClick(d, Qt::Key_Return);
  EXPECT_EQ(d->Value(), -1.0);
  EXPECT_EQ(d->text(), "-1");
  EXPECT_EQ(dbl.count(), 1);
  EXPECT_EQ(Beeps.Take(), 2);
}

TEST_F(FloatEditTest, EqualOrReversedBoundsMeanNoRange)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetValue(-1e12);
  EXPECT_EQ(d->Value(), -1e12);
  d->SetMinValue(5);
  d->SetMaxValue(1);
  d->SetValue(1e12);
  EXPECT_EQ(d->Value(), 1e12);
  d->SetMaxValue(10);
  EXPECT_EQ(d->Value(), 10);
}

TEST_P(FloatEditLocaleTest, NarrowFieldShortensBeforeItHashes)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetFormat("0.000 000");
  d->SetValue(0.4);
  const QString full = L("0.400 000");
  const QString shortest = L("0.4");
  // The allowance: the text may be 2 pixels wider than WinWidth.
  SetWinWidth(d, TextWidth(d, full) - 2);
  EXPECT_EQ(d->text(), full);
  SetWinWidth(d, TextWidth(d, full) - 3);
  EXPECT_EQ(d->text(), shortest);
  SetWinWidth(d, TextWidth(d, shortest) - 2);
  EXPECT_EQ(d->text(), shortest);
  SetWinWidth(d, TextWidth(d, shortest) - 3);
  EXPECT_EQ(d->text(), QString(45, u'#'));
  d->SetDoHashes(false);
  EXPECT_EQ(d->text(), shortest);
  Enter(d);
  EXPECT_EQ(d->text(), full);
}

TEST_P(FloatEditLocaleTest, ShorteningKeepsAsManyDigitsAsFit)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetValue(3.14159265358979);
  EXPECT_EQ(d->text(), L("3.14159265358979"));
  SetWinWidth(d, TextWidth(d, L("3.14159")) - 2);
  EXPECT_EQ(d->text(), L("3.14159"));
  d->SetValue(123456789.0);
  EXPECT_TRUE(d->text().contains(u'E')) << d->text().toStdString();
  EXPECT_LE(TextWidth(d, d->text()), d->WinWidth() + 2);
  Enter(d);
  EXPECT_EQ(d->text(), "123456789");
}

TEST_F(FloatEditTest, NumericUpDnStartsWithItsOwnDefaults)
{
  TGvNumericUpDn* u = Add<TGvNumericUpDn>();
  EXPECT_EQ(u->Increment(), 1.0);
  EXPECT_EQ(u->DecimalPlaces(), 0);
  EXPECT_EQ(u->BtnWidth(), 15);
  EXPECT_FALSE(u->DoHashes());
  EXPECT_EQ(u->text(), "0");
  EXPECT_EQ(u->WinWidth(), GvEditClientWidth(*u) - 15 - 5);
}

TEST_P(FloatEditLocaleTest, ArrowKeysStepByIncrementAndClamp)
{
  TGvNumericUpDn* u = MakeLimit();
  EXPECT_EQ(u->text(), L("0.400000"));
  u->SetValue(1.9995);
  std::vector<double>& log = Log(u);
  Enter(u);
  QTest::keyClick(u, Qt::Key_Up);
  EXPECT_EQ(u->Value(), 2.0);
  EXPECT_EQ(u->text(), L("2.000000"));
  QTest::keyClick(u, Qt::Key_Up); // clamped again, still raised
  QTest::keyClick(u, Qt::Key_Down);
  EXPECT_EQ(log, (std::vector<double>{2.0, 2.0, 1.999}));
  EXPECT_EQ(u->text(), L("1.999000"));
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_P(FloatEditLocaleTest, ButtonsStepTheValue)
{
  TGvNumericUpDn* u = MakeLimit();
  std::vector<double>& log = Log(u);
  QTest::mouseClick(u->UpDn()->UpButton(), Qt::LeftButton);
  QTest::mouseClick(u->UpDn()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(u->text(), L("0.402000"));
  QTest::mouseClick(u->UpDn()->DownButton(), Qt::LeftButton);
  EXPECT_EQ(u->text(), L("0.401000"));
  ASSERT_EQ(log.size(), 3u);
  EXPECT_DOUBLE_EQ(log.back(), 0.401);
  u->SetValue(0.0005);
  QTest::mouseClick(u->UpDn()->DownButton(), Qt::LeftButton);
  EXPECT_EQ(u->Value(), 0.0);
}

TEST_F(FloatEditTest, LeavingAfterSteppingDoesNotCorrect)
{
  // 0.4 + 7 x 0.001 is not the double nearest to 0.407, but the field cannot
  // show the difference.
  TGvNumericUpDn* u = MakeLimit();
  Enter(u);
  for (int i = 0; i < 7; ++i) QTest::keyClick(u, Qt::Key_Up);
  std::vector<double>& log = Log(u);
  Leave();
  EXPECT_EQ(u->text(), "0.407000");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(FloatEditTest, CorrectionThatPrintsLikeTheOldValueStillTakesEffect)
{
  // 1.9999999 shows as "2.000000" with six decimals; a 3 typed over it is
  // clamped to 2, which prints the same, but it is a correction all the same.
  TGvNumericUpDn* u = MakeLimit();
  Enter(u);
  Type(u, "1.9999999");
  ASSERT_EQ(u->Value(), 1.9999999);
  Type(u, "3");
  EXPECT_EQ(u->Value(), 1.9999999); // out of range: not taken while typing
  std::vector<double>& log = Log(u);
  Leave();
  EXPECT_EQ(u->Value(), 2.0);
  EXPECT_EQ(u->text(), "2.000000");
  EXPECT_EQ(log, (std::vector<double>{2.0}));
  EXPECT_EQ(Beeps.Take(), 1);

  // The same on Enter.
  Enter(u);
  Type(u, "1.9999999");
  Type(u, "7");
  QTest::keyClick(u, Qt::Key_Return);
  EXPECT_EQ(u->Value(), 2.0);
  EXPECT_EQ(Beeps.Take(), 2); // the correction and the Enter key's own beep
}

TEST_F(FloatEditTest, ButtonPairSitsAtTheRightEdgeAndFollowsBtnWidth)
{
  TGvNumericUpDn* u = MakeLimit();
  const QRect pair = u->UpDn()->geometry();
  EXPECT_EQ(pair.width(), 15);
  EXPECT_LE(pair.right(), u->width() - 1);
  EXPECT_GE(pair.left(), u->width() - 15 - 4);
  EXPECT_EQ(u->textMargins().right(), 15 + 2);
  u->resize(200, 30);
  EXPECT_EQ(u->UpDn()->geometry().right(), pair.right() + 200 - 140);
  u->SetBtnWidth(25);
  EXPECT_EQ(u->UpDn()->width(), 25);
  EXPECT_EQ(u->textMargins().right(), 25 + 2);
  EXPECT_EQ(u->WinWidth(), GvEditClientWidth(*u) - 25 - 5);
  EXPECT_EQ(u->UpDn()->UpButton()->geometry().bottom() + 1,
            u->UpDn()->DownButton()->geometry().top());
}

TEST_F(FloatEditTest, SetEnabledSwitchesFieldAndButtons)
{
  TGvNumericUpDn* u = MakeLimit();
  u->SetEnabled(false);
  EXPECT_FALSE(u->isEnabled());
  EXPECT_FALSE(u->UpDn()->UpButton()->isEnabled());
  QTest::mouseClick(u->UpDn()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(u->Value(), 0.4);
  u->SetEnabled(true);
  EXPECT_TRUE(u->UpDn()->DownButton()->isEnabled());
}

TEST_F(FloatEditTest, AsIntegerRoundsHalfToEven)
{
  TGvNumericUpDn* u = Add<TGvNumericUpDn>();
  for (auto [v, i] : {std::pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.4999, 2}, {7.0, 7}}) {
    u->SetValue(v);
    EXPECT_EQ(u->AsInteger(), i) << v;
  }
  u->SetAsInteger(12);
  EXPECT_EQ(u->Value(), 12.0);
  EXPECT_EQ(u->text(), "12");
}

TEST_F(FloatEditTest, MouseClickRaisesOnClick)
{
  TGvNumericUpDn* u = MakeLimit();
  QSignalSpy click(u, &TGvNumericUpDn::OnClick);
  QTest::mouseClick(u, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(click.count(), 1);
  QTest::mouseClick(u->UpDn()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(click.count(), 1);
}

TEST_P(FloatEditLocaleTest, PasteTakesTheWholeText)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  std::vector<double>& log = Log(d);
  QApplication::clipboard()->setText(L("12.25"));
  Enter(d);
  QTest::keyClick(d, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(d, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(d->Value(), 12.25);
  EXPECT_EQ(log, (std::vector<double>{12.25}));
  QApplication::clipboard()->setText("inf");
  QTest::keyClick(d, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(d, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(d->Value(), 12.25);
  Leave();
  EXPECT_EQ(d->text(), L("12.25"));
  EXPECT_EQ(Beeps.Take(), 0);
}

// ---- Date-time and time-span modes ----

TEST_P(FloatEditLocaleTest, DateTimeModeShowsAndReadsDateTimes)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->resize(260, 24);
  const double when = EncodeDateTime(2024, 3, 5, 14, 30, 15);
  d->SetAsDateTime(true);
  d->SetValue(when);
  EXPECT_EQ(d->text(), "2024/03/05 14:30:15");
  std::vector<double>& log = Log(d);
  Enter(d);
  Type(d, "2023/12/31 08:05:00");
  EXPECT_EQ(Beeps.Take(), 0);
  EXPECT_DOUBLE_EQ(d->Value(), EncodeDateTime(2023, 12, 31, 8, 5, 0));
  EXPECT_FALSE(log.empty());
  Leave();
  EXPECT_EQ(d->text(), "2023/12/31 08:05:00");
  EXPECT_EQ(Beeps.Take(), 0);
}

TEST_F(FloatEditTest, DateTimeModeAcceptsDesignatorsAndSeparators)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetAsDateTime(true);
  Enter(d);
  Clear(d);
  QTest::keyClicks(d, "2024/1/2 3:04 PM");
  EXPECT_EQ(d->text(), "2024/1/2 3:04 PM");
  EXPECT_EQ(Beeps.Take(), 0);
  QTest::keyClick(d, Qt::Key_X);
  EXPECT_EQ(Beeps.Take(), 1);
}

TEST_F(FloatEditTest, DateTimeModeClampsValueAndBounds)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetMinValue(-1e9);
  d->SetMaxValue(1e9);
  d->SetAsDateTime(true);
  EXPECT_EQ(d->MinValue(), cMinDateTime);
  EXPECT_EQ(d->MaxValue(), cMaxDateTime);
  d->SetValue(-1e9);
  EXPECT_EQ(d->Value(), -693593.0);
  EXPECT_EQ(d->text(), "0001/01/01");
  d->SetValue(1e12);
  EXPECT_EQ(d->Value(), cMaxDateTime);
  // Switching to time spans leaves date-time mode.
  d->SetAsTimeSpan(true);
  EXPECT_FALSE(d->AsDateTime());
  d->SetAsDateTime(true);
  EXPECT_FALSE(d->AsTimeSpan());
}

TEST_F(FloatEditTest, DateTimeTooWideShowsHashesWithoutAllowance)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetAsDateTime(true);
  d->SetValue(EncodeDateTime(2024, 3, 5, 14, 30, 15));
  const QString text = "2024/03/05 14:30:15";
  SetWinWidth(d, TextWidth(d, text));
  EXPECT_EQ(d->text(), text);
  SetWinWidth(d, TextWidth(d, text) - 1);
  EXPECT_EQ(d->text(), QString(45, u'#'));
  d->SetDoHashes(false);
  EXPECT_EQ(d->text(), text);
}

TEST_P(FloatEditLocaleTest, TimeSpanModeShowsAndReadsSpans)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->resize(200, 24);
  d->SetAsTimeSpan(true);
  EXPECT_EQ(d->text(), "");
  d->SetValue(1.5);
  EXPECT_EQ(d->text(), "1.12:00:00" + QString(Sep) + "000");
  std::vector<double>& log = Log(d);
  Enter(d);
  Type(d, "2.06:00:00");
  EXPECT_EQ(Beeps.Take(), 0);
  EXPECT_EQ(d->Value(), 2.25);
  EXPECT_EQ(log.back(), 2.25);
  Type(d, "1.12:00:00");
  EXPECT_EQ(d->Value(), 1.5);
  QSignalSpy dbl(d, &TGvDoubleEdit::OnDblClick);
  QTest::keyClick(d, Qt::Key_Return);
  EXPECT_EQ(dbl.count(), 1);
  EXPECT_EQ(Beeps.Take(), 1);
}

TEST_F(FloatEditTest, NegativeTimeSpanShowsErrorWithoutThrowing)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetAsTimeSpan(true);
  d->SetValue(-1);
  EXPECT_EQ(d->Value(), -1.0);
  EXPECT_EQ(d->text(), "Error");
  d->resize(100, 24); // redisplays
  EXPECT_EQ(d->text(), "Error");
  EXPECT_EQ(Beeps.Take(), 0);
  // Entering shows the last valid text, the empty one; leaving reads it as 0.
  Enter(d);
  EXPECT_EQ(d->text(), "");
  Leave();
  EXPECT_EQ(d->Value(), 0.0);
  EXPECT_EQ(d->text(), "");
  EXPECT_EQ(Beeps.Take(), 1);
}

TEST_F(FloatEditTest, EnterValidatesRaisesOnDblClickAndBeepsInEveryMode)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  QSignalSpy dbl(d, &TGvDoubleEdit::OnDblClick);
  for (int mode = 0; mode < 3; ++mode) {
    d->SetAsDateTime(mode == 1);
    d->SetAsTimeSpan(mode == 2);
    Enter(d);
    QTest::keyClick(d, Qt::Key_Enter);
    EXPECT_EQ(dbl.count(), mode + 1);
    EXPECT_EQ(Beeps.Take(), 1);
    Leave();
  }
}

TEST_F(FloatEditTest, ValueSetWhileUnfocusedIsSelectedAtTheNextEntry)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->SetValue(12.5);
  d->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(d->selectedText(), "12.5");
  QTest::keyClick(d, Qt::Key_End);
  Leave();
  d->setFocus(Qt::OtherFocusReason);
  EXPECT_FALSE(d->hasSelectedText());
  EXPECT_EQ(d->cursorPosition(), 4);
}

TEST_F(FloatEditTest, EachControlHasItsOwnNamedProperties)
{
  const std::vector<const char*> common = {"Value", "MinValue", "MaxValue", "PropertyLinks"};
  struct Case
  {
    const QMetaObject* Meta;
    std::vector<const char*> Has, HasNot;
  };
  const Case cases[] = {
      {&TGvDoubleEdit::staticMetaObject,
       {"AsDateTime", "AsTimeSpan", "DoHashes", "Format"},
       {"DecimalPlaces", "Increment", "BtnWidth"}},
      {&TGvNumericUpDn::staticMetaObject,
       {"Increment", "BtnWidth", "DecimalPlaces"},
       {"AsDateTime", "AsTimeSpan", "DoHashes", "Format"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Meta->className());
    for (const char* name : common) EXPECT_GE(c.Meta->indexOfProperty(name), 0) << name;
    for (const char* name : c.Has) EXPECT_GE(c.Meta->indexOfProperty(name), 0) << name;
    for (const char* name : c.HasNot) EXPECT_LT(c.Meta->indexOfProperty(name), 0) << name;
  }
  // Writing by name goes through the writers.
  TGvNumericUpDn* u = Add<TGvNumericUpDn>();
  std::vector<double>& log = Log(u);
  EXPECT_TRUE(u->setProperty("DecimalPlaces", 2));
  EXPECT_TRUE(u->setProperty("Value", 1.5));
  EXPECT_EQ(u->text(), "1.50");
  EXPECT_EQ(log, (std::vector<double>{1.5}));
}

} // namespace
