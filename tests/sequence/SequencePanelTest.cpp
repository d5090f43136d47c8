// The Sequence tab's table as an operator edits it, with mouse and keyboard.
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"
#include "sequence/SequencePanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

inline void PrintTo(const QString& Text, std::ostream* Out)
{
  *Out << '"' << Text.toStdString() << '"';
}

namespace {
QString Cell(const TSequencePanel& p, int r, int c)
{
  const QTableWidgetItem* item = p.StringGridSequence->item(r, c);
  return item ? item->text() : QString();
}

// Types Text into the cell as an operator does: select it, type, Enter.
void TypeInto(TSequencePanel& p, int r, int c, const QString& Text)
{
  QTableWidget* t = p.StringGridSequence;
  t->setFocus();
  t->setCurrentCell(r, c);
  QTest::keyClicks(t, Text.left(1));
  QWidget* editor = nullptr;
  for (QWidget* w : t->viewport()->findChildren<QWidget*>())
    if (w->isVisible() && (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))) editor = w;
  ASSERT_NE(editor, nullptr) << "no editor opened";
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->selectAll();
    QTest::keyClicks(line, Text);
  }
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents(); // the editor hands its value over queued
}
} // namespace

TEST(SequencePanel, BuildAProfileWithTheKeyboard)
{
  TSequencePanel p;
  p.show();
  p.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
  EXPECT_EQ(p.Sequence().Steps.size(), 0u);
  EXPECT_EQ(p.LabelSequenceSummary->text(), "No steps yet: \"Add step\" (or Insert) adds one.");

  // Insert adds the default step, then copies of the current one below it.
  QTableWidget* t = p.StringGridSequence;
  t->setFocus();
  QTest::keyClick(t, Qt::Key_Insert);
  EXPECT_EQ(p.Sequence().Steps, (std::vector<TSequenceStep>{{TStepKind::Mix, 150, 0, 30}}));
  TypeInto(p, 0, TSequencePanel::ColPpmA, "100");
  TypeInto(p, 0, TSequencePanel::ColPpmH2O, "5000");
  QTest::keyClick(t, Qt::Key_Insert);
  QTest::keyClick(t, Qt::Key_Insert);
  ASSERT_EQ(t->rowCount(), 3);
  EXPECT_EQ(t->currentRow(), 2);
  // Typing a kind's first letter picks it; a bypass has no ppm.
  TypeInto(p, 1, TSequencePanel::ColKind, "b");
  EXPECT_EQ(Cell(p, 1, TSequencePanel::ColKind), "bypass");
  EXPECT_EQ(Cell(p, 1, TSequencePanel::ColPpmA), "");
  EXPECT_FALSE(t->item(1, TSequencePanel::ColPpmA)->flags() & Qt::ItemIsEditable);
  TypeInto(p, 1, TSequencePanel::ColMinutes, "0.5");
  // The locale's decimal separator is taken too, and shown.
  {
    TFormatSettings german = FormatSettings();
    german.DecimalSeparator = u',';
    german.ThousandSeparator = u'.';
    const TFormatSettingsOverride locale(german);
    TypeInto(p, 2, TSequencePanel::ColMinutes, "2,25");
    EXPECT_EQ(Cell(p, 2, TSequencePanel::ColMinutes), "2,25");
    EXPECT_EQ(p.Sequence().Steps[2].Minutes, 2.25);
    TypeInto(p, 2, TSequencePanel::ColMinutes, "2.25"); // "." is taken too
    EXPECT_EQ(p.Sequence().Steps[2].Minutes, 2.25);
  }
  // Text that is no number leaves the cell as it was.
  TypeInto(p, 2, TSequencePanel::ColPpmA, "12x");
  EXPECT_EQ(p.Sequence().Steps[2].PpmA, 12);
  TypeInto(p, 2, TSequencePanel::ColPpmA, "100");
  // Ctrl+Up moves the last step to the middle; Delete removes the bypass.
  t->setCurrentCell(2, 0);
  QTest::keyClick(t, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(t->currentRow(), 1);
  EXPECT_EQ(p.Sequence().Steps,
            (std::vector<TSequenceStep>{{TStepKind::Mix, 100, 5000, 30},
                                        {TStepKind::Mix, 100, 5000, 2.25},
                                        {TStepKind::Bypass, 0, 0, 0.5}}));
  t->clearSelection();
  t->selectRow(2);
  QTest::keyClick(t, Qt::Key_Delete);
  EXPECT_EQ(p.Sequence().Steps.size(), 2u);
  // Back to mix: the ppm cells open again.
  TypeInto(p, 1, TSequencePanel::ColKind, "s");
  EXPECT_EQ(Cell(p, 1, TSequencePanel::ColKind), "standby");
  TypeInto(p, 1, TSequencePanel::ColKind, "m");
  EXPECT_EQ(Cell(p, 1, TSequencePanel::ColPpmA), "0");
  EXPECT_TRUE(t->item(1, TSequencePanel::ColPpmA)->flags() & Qt::ItemIsEditable);

  p.GvIntegerEditSequenceRepeat->SetValue(3);
  p.ComboBoxSequenceEnd->setCurrentIndex(1);
  const TSequence s = p.Sequence();
  EXPECT_EQ(s.Repeat, 3);
  EXPECT_EQ(s.End, TSequenceEnd::Hold);
  EXPECT_EQ(p.LabelSequenceSummary->text(),
            QStringLiteral("2 steps \u00d7 3: 1:36:45 in all (a flush takes at least 20 s)"));

  // The same sequence set back reads the same.
  TSequencePanel q;
  q.SetSequence(s);
  EXPECT_EQ(q.Sequence(), s);
}

TEST(SequencePanel, ProgressLocksTheTableAndMarksTheStep)
{
  TSequencePanel p;
  TSequence s;
  s.Steps = {{TStepKind::Mix, 100, 0, 10}, {TStepKind::Bypass, 0, 0, 5}};
  s.Repeat = 2;
  p.SetSequence(s);
  TSequenceProgress g;
  g.State = TSequenceState::Running;
  g.Step = 2;
  g.Steps = 2;
  g.Repetition = 1;
  g.Repetitions = 2;
  g.HasEnds = true;
  const double now = 46000.5;
  g.StartedAt = now - 600.0 / 86400;
  g.StepEndsAt = now + 125.0 / 86400;
  g.EndsAt = now + 1325.0 / 86400;
  g.StepLeftS = 125;
  g.TotalLeftS = 1325;
  p.ShowProgress(g, now);
  EXPECT_EQ(p.LabelSequenceStep->text(), "Running: step 2 of 2, repetition 1 of 2");
  EXPECT_EQ(p.LabelSequenceStepLeft->text(), "Left in the step: 0:02:05");
  EXPECT_EQ(p.LabelSequenceTotalLeft->text(), "Left in all: 0:22:05");
  EXPECT_EQ(p.LabelSequenceEnd->text(), "Planned end: 12:22:05");
  EXPECT_EQ(p.ProgressBarSequence->value(), 312); // 10 of 32 minutes
  EXPECT_FALSE(p.ButtonSequenceStart->isEnabled());
  EXPECT_FALSE(p.ButtonSequenceAdd->isEnabled());
  EXPECT_TRUE(p.ButtonSequenceStop->isEnabled());
  EXPECT_EQ(p.ButtonSequencePause->text(), "Pause");
  EXPECT_EQ(p.StringGridSequence->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_NE(p.StringGridSequence->item(1, 0)->background(), QBrush());
  EXPECT_EQ(p.StringGridSequence->item(0, 0)->background(), QBrush());
  p.AddStep(); // locked
  EXPECT_EQ(p.StringGridSequence->rowCount(), 2);
  g.State = TSequenceState::Paused;
  p.ShowProgress(g, now);
  EXPECT_EQ(p.ButtonSequencePause->text(), "Resume");
  g.State = TSequenceState::Finished;
  g.HasEnds = false;
  p.ShowProgress(g, now);
  EXPECT_EQ(p.LabelSequenceStep->text(), "Finished: step 2 of 2, repetition 1 of 2");
  EXPECT_EQ(p.LabelSequenceEnd->text(), "");
  EXPECT_TRUE(p.ButtonSequenceStart->isEnabled() && p.ButtonSequenceAdd->isEnabled());
  EXPECT_FALSE(p.ButtonSequenceSkip->isEnabled());
  EXPECT_EQ(p.StringGridSequence->item(1, 0)->background(), QBrush());
}
