// The Sequence tab's contents: the table of steps with its editing buttons,
// the repeat count and the end behaviour, the file and run buttons, and the
// progress of a running sequence. The panel edits a TSequence and shows a
// TSequenceProgress; what the run buttons do is the window's (it connects
// them to the mixer's commands).
//
// Keyboard: type into a cell to edit it (Tab moves on); Insert adds a step
// below the current one (a copy of it), Delete removes the selected steps,
// Ctrl+Up and Ctrl+Down move the current step.
#pragma once

#include "sequence/Sequence.h"
#include "sequence/SequenceRunner.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TGvIntegerEdit;

class TSequencePanel : public QWidget
{
  Q_OBJECT
public:
  explicit TSequencePanel(QWidget* Parent = nullptr);
  ~TSequencePanel() override;

  // The table's steps, the repeat count and the end behaviour.
  TSequence Sequence() const;
  void SetSequence(const TSequence& Sequence);

  // A new step: a copy of the current one below it, or, in an empty table,
  // mix 150 ppm A, 0 ppm H2O, 30 min.
  void AddStep();
  void RemoveSelectedSteps();
  // Moves the current step one place up (-1) or down (+1).
  void MoveCurrentStep(int By);

  // Shows where a sequence stands: the run buttons, the table locked while
  // one runs and its current step marked, the step, repetition, times left
  // and the planned end. Now: the date-time of the clock.
  void ShowProgress(const TSequenceProgress& Progress, double Now);
  // A line under the progress (the last start refused, the log's file, ...).
  void ShowNote(const QString& Text);

  // Widgets, named as in the window.
  QTableWidget* StringGridSequence = nullptr;
  QPushButton *ButtonSequenceAdd = nullptr, *ButtonSequenceRemove = nullptr,
              *ButtonSequenceUp = nullptr, *ButtonSequenceDown = nullptr;
  TGvIntegerEdit* GvIntegerEditSequenceRepeat = nullptr;
  QComboBox* ComboBoxSequenceEnd = nullptr;
  QPushButton *ButtonSequenceLoad = nullptr, *ButtonSequenceSave = nullptr;
  QPushButton *ButtonSequenceStart = nullptr, *ButtonSequencePause = nullptr,
              *ButtonSequenceSkip = nullptr, *ButtonSequenceStop = nullptr;
  QLabel *LabelSequenceSummary = nullptr, *LabelSequenceStep = nullptr,
         *LabelSequenceStepLeft = nullptr, *LabelSequenceTotalLeft = nullptr,
         *LabelSequenceEnd = nullptr, *LabelSequenceNote = nullptr;
  QProgressBar* ProgressBarSequence = nullptr;

  // Columns of the table.
  enum TColumn
  {
    ColKind,
    ColPpmA,
    ColPpmH2O,
    ColMinutes,
    ColumnCount
  };

  // Minutes as typed: "." or the locale's decimal separator; nullopt when
  // the text is no number of minutes (negative, empty, a word).
  static std::optional<double> MinutesFromText(const QString& Text);

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void SetRow(int Row, const TSequenceStep& Step);
  TSequenceStep Row(int Row) const;
  void FollowKind(int Row);
  void UpdateSummary();
  void SetEditable(bool Editable);

  bool FEditable = true;
  bool FFilling = false;
  int FMarkedRow = -1; // the row marked as the running step
};

// Seconds as "h:mm:ss".
QString DurationText(double Seconds);
