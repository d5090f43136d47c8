#include "sequence/SequencePanel.h"

#include "controls/GvDateTime.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {
template <class T> T* Named(T* Widget, const char* Name)
{
  Widget->setObjectName(QString::fromLatin1(Name));
  return Widget;
}

// The decimal separator numbers are shown with (the user's locale).
QChar DecimalSeparator()
{
  return FormatSettings().DecimalSeparator;
}

// Typing, F2, a double click or a click on the selected cell edit it; the
// arrow keys move between cells without opening editors.
QAbstractItemView::EditTriggers EditTriggers()
{
  return QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
         QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked;
}

// The table, telling whether a cell's editor is open.
class TStepTable : public QTableWidget
{
public:
  using QTableWidget::QTableWidget;
  bool Editing() const { return state() == EditingState; }
};

// Minutes as typed so far: digits with one decimal separator ("." or the
// locale's).
class TMinutesValidator : public QValidator
{
public:
  using QValidator::QValidator;
  State validate(QString& Input, int&) const override
  {
    if (Input.isEmpty()) return Intermediate;
    int separators = 0;
    for (QChar c : Input) {
      if (c == u'.' || c == DecimalSeparator())
        ++separators;
      else if (!c.isDigit())
        return Invalid;
    }
    if (separators > 1 || Input.size() > 12) return Invalid;
    return TSequencePanel::MinutesFromText(Input) ? Acceptable : Intermediate;
  }
};

// Editors of the table's cells: the kind as a list (typing its first letter
// picks it), whole ppm from 0 to 1000000, minutes.
class TStepDelegate : public QStyledItemDelegate
{
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option,
                        const QModelIndex& Index) const override
  {
    if (Index.column() == TSequencePanel::ColKind) {
      auto* box = new QComboBox(Parent);
      for (TStepKind k : {TStepKind::Mix, TStepKind::Bypass, TStepKind::Standby, TStepKind::Flush})
        box->addItem(StepKindName(k));
      return box;
    }
    auto* edit = new QLineEdit(Parent);
    if (Index.column() == TSequencePanel::ColMinutes)
      edit->setValidator(new TMinutesValidator(edit));
    else
      edit->setValidator(new QIntValidator(0, 1000000, edit));
    return edit;
  }
  void setEditorData(QWidget* Editor, const QModelIndex& Index) const override
  {
    if (auto* box = qobject_cast<QComboBox*>(Editor)) {
      box->setCurrentText(Index.data().toString());
      return;
    }
    QStyledItemDelegate::setEditorData(Editor, Index);
  }
  void setModelData(QWidget* Editor, QAbstractItemModel* Model,
                    const QModelIndex& Index) const override
  {
    if (auto* box = qobject_cast<QComboBox*>(Editor)) {
      Model->setData(Index, box->currentText());
      return;
    }
    auto* edit = static_cast<QLineEdit*>(Editor);
    if (!edit->hasAcceptableInput()) return; // the cell keeps what it had
    const QString text = edit->text();
    if (Index.column() == TSequencePanel::ColMinutes) {
      // The number is kept beside the text, which follows the locale.
      const double minutes = *TSequencePanel::MinutesFromText(text);
      Model->setData(Index, minutes, Qt::UserRole);
      Model->setData(Index, MinutesText(minutes));
    } else {
      Model->setData(Index, QString::number(text.toInt()));
    }
  }
};
} // namespace

QString DurationText(double Seconds)
{
  const long long s = std::isfinite(Seconds) && Seconds > 0 ? std::llround(Seconds) : 0;
  return QStringLiteral("%1:%2:%3")
      .arg(s / 3600)
      .arg(s / 60 % 60, 2, 10, QChar(u'0'))
      .arg(s % 60, 2, 10, QChar(u'0'));
}

std::optional<double> TSequencePanel::MinutesFromText(const QString& Text)
{
  QString t = Text.trimmed();
  t.replace(DecimalSeparator(), u'.');
  if (t.isEmpty() || t.startsWith(u'.') || t.endsWith(u'.')) return std::nullopt;
  for (QChar c : t)
    if (!c.isDigit() && c != u'.') return std::nullopt;
  bool ok = false;
  const double v = t.toDouble(&ok);
  if (!ok || !std::isfinite(v) || v < 0) return std::nullopt;
  return v;
}

TSequencePanel::TSequencePanel(QWidget* Parent) : QWidget(Parent)
{
  auto* layout = new QHBoxLayout(this);

  // The steps and their editing.
  auto* stepsBox = new QGroupBox(QStringLiteral("Steps"));
  auto* stepsLayout = new QVBoxLayout(stepsBox);
  StringGridSequence = Named(new TStepTable(0, ColumnCount), "StringGridSequence");
  StringGridSequence->setHorizontalHeaderLabels(
      {QStringLiteral("Kind"), QStringLiteral("Gas A (ppm)"), QStringLiteral("H2O (ppm)"),
       QStringLiteral("Minutes")});
  StringGridSequence->setItemDelegate(new TStepDelegate(StringGridSequence));
  StringGridSequence->setEditTriggers(EditTriggers());
  StringGridSequence->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGridSequence->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  StringGridSequence->verticalHeader()->setDefaultSectionSize(24);
  StringGridSequence->installEventFilter(this);
  stepsLayout->addWidget(StringGridSequence);
  auto* editRow = new QHBoxLayout;
  ButtonSequenceAdd = Named(new QPushButton(QStringLiteral("Add step")), "ButtonSequenceAdd");
  ButtonSequenceAdd->setToolTip(QStringLiteral("A copy of the current step below it (Insert)."));
  ButtonSequenceRemove = Named(new QPushButton(QStringLiteral("Remove")), "ButtonSequenceRemove");
  ButtonSequenceRemove->setToolTip(QStringLiteral("Removes the selected steps (Delete)."));
  ButtonSequenceUp = Named(new QPushButton(QStringLiteral("Move up")), "ButtonSequenceUp");
  ButtonSequenceUp->setToolTip(QStringLiteral("Ctrl+Up"));
  ButtonSequenceDown = Named(new QPushButton(QStringLiteral("Move down")), "ButtonSequenceDown");
  ButtonSequenceDown->setToolTip(QStringLiteral("Ctrl+Down"));
  for (QPushButton* b :
       {ButtonSequenceAdd, ButtonSequenceRemove, ButtonSequenceUp, ButtonSequenceDown})
    editRow->addWidget(b);
  editRow->addStretch();
  stepsLayout->addLayout(editRow);
  auto* runsRow = new QHBoxLayout;
  runsRow->addWidget(new QLabel(QStringLiteral("Repeat (times)")));
  GvIntegerEditSequenceRepeat = Named(new TGvIntegerEdit, "GvIntegerEditSequenceRepeat");
  GvIntegerEditSequenceRepeat->SetMinValue(1);
  GvIntegerEditSequenceRepeat->SetMaxValue(1000000);
  GvIntegerEditSequenceRepeat->SetValue(1);
  GvIntegerEditSequenceRepeat->setMaximumWidth(90);
  GvIntegerEditSequenceRepeat->Loaded();
  runsRow->addWidget(GvIntegerEditSequenceRepeat);
  runsRow->addSpacing(12);
  runsRow->addWidget(new QLabel(QStringLiteral("After the last step")));
  ComboBoxSequenceEnd = Named(new QComboBox, "ComboBoxSequenceEnd");
  ComboBoxSequenceEnd->addItem(QStringLiteral("Standby (Stop)"), int(TSequenceEnd::Standby));
  ComboBoxSequenceEnd->addItem(QStringLiteral("Hold the last step"), int(TSequenceEnd::Hold));
  runsRow->addWidget(ComboBoxSequenceEnd);
  runsRow->addStretch();
  stepsLayout->addLayout(runsRow);
  LabelSequenceSummary = Named(new QLabel, "LabelSequenceSummary");
  stepsLayout->addWidget(LabelSequenceSummary);
  layout->addWidget(stepsBox, 3);

  // Files, the run and its progress.
  auto* side = new QVBoxLayout;
  auto* fileBox = new QGroupBox(QStringLiteral("Sequence file"));
  auto* fileLayout = new QHBoxLayout(fileBox);
  ButtonSequenceLoad = Named(new QPushButton(QStringLiteral("Load...")), "ButtonSequenceLoad");
  ButtonSequenceSave = Named(new QPushButton(QStringLiteral("Save...")), "ButtonSequenceSave");
  fileLayout->addWidget(ButtonSequenceLoad);
  fileLayout->addWidget(ButtonSequenceSave);
  side->addWidget(fileBox);

  auto* runBox = new QGroupBox(QStringLiteral("Run"));
  auto* runLayout = new QGridLayout(runBox);
  ButtonSequenceStart = Named(new QPushButton(QStringLiteral("Start")), "ButtonSequenceStart");
  ButtonSequenceStart->setToolTip(
      QStringLiteral("Checks the whole sequence, then starts its first step at once."));
  ButtonSequencePause = Named(new QPushButton(QStringLiteral("Pause")), "ButtonSequencePause");
  ButtonSequencePause->setToolTip(
      QStringLiteral("Holds the mixer as it is and the sequence's clock; Resume continues the "
                     "step with the time it had left."));
  ButtonSequenceSkip = Named(new QPushButton(QStringLiteral("Skip step")), "ButtonSequenceSkip");
  ButtonSequenceSkip->setToolTip(QStringLiteral("Starts the next step now."));
  ButtonSequenceStop = Named(new QPushButton(QStringLiteral("Stop")), "ButtonSequenceStop");
  ButtonSequenceStop->setToolTip(QStringLiteral("Ends the sequence and stops the mixer (Standby)."));
  runLayout->addWidget(ButtonSequenceStart, 0, 0);
  runLayout->addWidget(ButtonSequencePause, 0, 1);
  runLayout->addWidget(ButtonSequenceSkip, 1, 0);
  runLayout->addWidget(ButtonSequenceStop, 1, 1);
  side->addWidget(runBox);

  auto* progressBox = new QGroupBox(QStringLiteral("Progress"));
  auto* progressLayout = new QVBoxLayout(progressBox);
  LabelSequenceStep = Named(new QLabel, "LabelSequenceStep");
  QFont bold = LabelSequenceStep->font();
  bold.setBold(true);
  LabelSequenceStep->setFont(bold);
  LabelSequenceStepLeft = Named(new QLabel, "LabelSequenceStepLeft");
  LabelSequenceTotalLeft = Named(new QLabel, "LabelSequenceTotalLeft");
  LabelSequenceEnd = Named(new QLabel, "LabelSequenceEnd");
  ProgressBarSequence = Named(new QProgressBar, "ProgressBarSequence");
  ProgressBarSequence->setRange(0, 1000);
  ProgressBarSequence->setTextVisible(false);
  LabelSequenceNote = Named(new QLabel, "LabelSequenceNote");
  LabelSequenceNote->setWordWrap(true);
  for (QWidget* w : std::initializer_list<QWidget*>{LabelSequenceStep, ProgressBarSequence,
                                                    LabelSequenceStepLeft, LabelSequenceTotalLeft,
                                                    LabelSequenceEnd, LabelSequenceNote})
    progressLayout->addWidget(w);
  side->addWidget(progressBox);
  side->addStretch();
  layout->addLayout(side, 2);

  connect(ButtonSequenceAdd, &QPushButton::clicked, this, [this] { AddStep(); });
  connect(ButtonSequenceRemove, &QPushButton::clicked, this, [this] { RemoveSelectedSteps(); });
  connect(ButtonSequenceUp, &QPushButton::clicked, this, [this] { MoveCurrentStep(-1); });
  connect(ButtonSequenceDown, &QPushButton::clicked, this, [this] { MoveCurrentStep(1); });
  connect(StringGridSequence, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (FFilling) return;
    if (item->column() == ColKind) FollowKind(item->row());
    UpdateSummary();
  });
  connect(GvIntegerEditSequenceRepeat, &TGvIntegerEdit::OnValueChanged, this,
          [this] { UpdateSummary(); });
  ShowProgress(TSequenceProgress(), 0);
  UpdateSummary();
}

TSequencePanel::~TSequencePanel()
{
  // The children go after this object: their last signals must not reach it.
  StringGridSequence->disconnect(this);
  GvIntegerEditSequenceRepeat->disconnect(this);
}

void TSequencePanel::SetRow(int R, const TSequenceStep& Step)
{
  const bool filling = FFilling;
  FFilling = true;
  const auto cell = [&](int c, const QString& text) {
    QTableWidgetItem* item = StringGridSequence->item(R, c);
    if (!item) StringGridSequence->setItem(R, c, item = new QTableWidgetItem);
    item->setText(text);
  };
  cell(ColKind, StepKindName(Step.Kind));
  cell(ColPpmA, QString::number(Step.PpmA));
  cell(ColPpmH2O, QString::number(Step.PpmH2O));
  cell(ColMinutes, MinutesText(Step.Minutes));
  StringGridSequence->item(R, ColMinutes)->setData(Qt::UserRole, Step.Minutes);
  FollowKind(R);
  FFilling = filling;
}

// Only a mix step has ppm values: the others show theirs empty and locked.
void TSequencePanel::FollowKind(int R)
{
  const bool filling = FFilling;
  FFilling = true;
  const bool mix = StringGridSequence->item(R, ColKind) &&
                   StringGridSequence->item(R, ColKind)->text() == StepKindName(TStepKind::Mix);
  for (int c : {int(ColPpmA), int(ColPpmH2O)}) {
    QTableWidgetItem* item = StringGridSequence->item(R, c);
    if (!item) StringGridSequence->setItem(R, c, item = new QTableWidgetItem);
    if (mix && item->text().isEmpty()) item->setText(QStringLiteral("0"));
    if (!mix) item->setText(QString());
    item->setFlags(mix ? item->flags() | Qt::ItemIsEditable | Qt::ItemIsEnabled
                       : item->flags() & ~Qt::ItemIsEditable & ~Qt::ItemIsEnabled);
  }
  FFilling = filling;
}

TSequenceStep TSequencePanel::Row(int R) const
{
  TSequenceStep s;
  const auto text = [&](int c) {
    const QTableWidgetItem* item = StringGridSequence->item(R, c);
    return item ? item->text() : QString();
  };
  s.Kind = StepKindFromName(text(ColKind)).value_or(TStepKind::Mix);
  if (s.Kind == TStepKind::Mix) {
    s.PpmA = text(ColPpmA).toInt();
    s.PpmH2O = text(ColPpmH2O).toInt();
  }
  const QTableWidgetItem* minutes = StringGridSequence->item(R, ColMinutes);
  s.Minutes = minutes ? minutes->data(Qt::UserRole).toDouble() : 0;
  return s;
}

TSequence TSequencePanel::Sequence() const
{
  TSequence s;
  for (int r = 0; r < StringGridSequence->rowCount(); ++r) s.Steps.push_back(Row(r));
  s.Repeat = GvIntegerEditSequenceRepeat->Value();
  s.End = TSequenceEnd(ComboBoxSequenceEnd->currentData().toInt());
  return s;
}

void TSequencePanel::SetSequence(const TSequence& Sequence)
{
  FMarkedRow = -1;
  FFilling = true;
  StringGridSequence->setRowCount(0);
  StringGridSequence->setRowCount(int(Sequence.Steps.size()));
  for (size_t r = 0; r < Sequence.Steps.size(); ++r) SetRow(int(r), Sequence.Steps[r]);
  FFilling = false;
  GvIntegerEditSequenceRepeat->SetValue(Sequence.Repeat);
  ComboBoxSequenceEnd->setCurrentIndex(Sequence.End == TSequenceEnd::Hold ? 1 : 0);
  if (!Sequence.Steps.empty()) StringGridSequence->setCurrentCell(0, ColKind);
  UpdateSummary();
}

void TSequencePanel::AddStep()
{
  if (!FEditable) return;
  const int current = StringGridSequence->currentRow();
  TSequenceStep step{TStepKind::Mix, 150, 0, 30};
  if (current >= 0) step = Row(current);
  const int at = current >= 0 ? current + 1 : StringGridSequence->rowCount();
  StringGridSequence->insertRow(at);
  SetRow(at, step);
  StringGridSequence->setCurrentCell(at, ColKind);
  UpdateSummary();
}

void TSequencePanel::RemoveSelectedSteps()
{
  if (!FEditable) return;
  QList<int> rows;
  for (const QModelIndex& i : StringGridSequence->selectionModel()->selectedRows()) rows << i.row();
  if (rows.isEmpty() && StringGridSequence->currentRow() >= 0)
    rows << StringGridSequence->currentRow();
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  for (int r : rows) StringGridSequence->removeRow(r);
  if (StringGridSequence->rowCount() > 0)
    StringGridSequence->setCurrentCell(
        std::min(rows.isEmpty() ? 0 : rows.last(), StringGridSequence->rowCount() - 1), ColKind);
  UpdateSummary();
}

void TSequencePanel::MoveCurrentStep(int By)
{
  if (!FEditable) return;
  const int from = StringGridSequence->currentRow();
  const int to = from + By;
  if (from < 0 || to < 0 || to >= StringGridSequence->rowCount()) return;
  const TSequenceStep a = Row(from), b = Row(to);
  SetRow(from, b);
  SetRow(to, a);
  StringGridSequence->setCurrentCell(to, std::max(0, StringGridSequence->currentColumn()));
  UpdateSummary();
}

void TSequencePanel::UpdateSummary()
{
  const TSequence s = Sequence();
  const int n = int(s.Steps.size());
  if (n == 0) {
    LabelSequenceSummary->setText(QStringLiteral("No steps yet: \"Add step\" (or Insert) adds one."));
    return;
  }
  LabelSequenceSummary->setText(
      QStringLiteral("%1 step%2 \u00d7 %3: %4 in all (a flush takes at least %5 s)")
          .arg(n)
          .arg(n == 1 ? "" : "s")
          .arg(s.Repeat)
          .arg(DurationText(double(RunDurationMs(s)) / 1000))
          .arg(cFlushStepMinMs / 1000));
}

void TSequencePanel::SetEditable(bool Editable)
{
  if (Editable == FEditable) return;
  FEditable = Editable;
  StringGridSequence->setEditTriggers(Editable ? EditTriggers() : QAbstractItemView::NoEditTriggers);
  for (QWidget* w : std::initializer_list<QWidget*>{
           ButtonSequenceAdd, ButtonSequenceRemove, ButtonSequenceUp, ButtonSequenceDown,
           GvIntegerEditSequenceRepeat, ComboBoxSequenceEnd, ButtonSequenceLoad})
    w->setEnabled(Editable);
}

void TSequencePanel::ShowProgress(const TSequenceProgress& P, double Now)
{
  const bool active = P.State == TSequenceState::Running || P.State == TSequenceState::Paused;
  // While it runs, the running step's mark is the only one the table shows.
  if (active && FEditable) StringGridSequence->clearSelection();
  SetEditable(!active);
  ButtonSequenceStart->setEnabled(!active);
  ButtonSequencePause->setEnabled(active);
  ButtonSequencePause->setText(P.State == TSequenceState::Paused ? QStringLiteral("Resume")
                                                                 : QStringLiteral("Pause"));
  ButtonSequenceSkip->setEnabled(active);
  ButtonSequenceStop->setEnabled(active);

  QString state;
  switch (P.State) {
  case TSequenceState::Idle:
    state = QStringLiteral("Not started");
    break;
  case TSequenceState::Running:
    state = QStringLiteral("Running");
    break;
  case TSequenceState::Paused:
    state = QStringLiteral("Paused");
    break;
  case TSequenceState::Finished:
    state = QStringLiteral("Finished");
    break;
  case TSequenceState::Stopped:
    state = QStringLiteral("Stopped");
    break;
  }
  if (P.Step > 0)
    state += QStringLiteral(": step %1 of %2, repetition %3 of %4")
                 .arg(P.Step)
                 .arg(P.Steps)
                 .arg(P.Repetition)
                 .arg(P.Repetitions);
  LabelSequenceStep->setText(state);
  if (P.HasEnds) {
    LabelSequenceStepLeft->setText(QStringLiteral("Left in the step: ") +
                                   DurationText(P.StepLeftS));
    LabelSequenceTotalLeft->setText(QStringLiteral("Left in all: ") + DurationText(P.TotalLeftS));
    LabelSequenceEnd->setText(QStringLiteral("Planned end: ") +
                              FormatDateTime(QStringLiteral("hh:nn:ss"), P.EndsAt) +
                              (std::floor(P.EndsAt) > std::floor(Now)
                                   ? QStringLiteral(" on ") +
                                         FormatDateTime(QStringLiteral("yyyy-mm-dd"), P.EndsAt)
                                   : QString()));
    const double total = (P.EndsAt - P.StartedAt) * 86400;
    const double done = total - P.TotalLeftS;
    ProgressBarSequence->setValue(total > 0 ? int(std::lround(1000 * done / total)) : 0);
  } else {
    LabelSequenceStepLeft->setText(QString());
    LabelSequenceTotalLeft->setText(QString());
    LabelSequenceEnd->setText(QString());
    ProgressBarSequence->setValue(P.State == TSequenceState::Finished ? 1000 : 0);
  }
  // The running step's row stands out (only the rows that change are
  // touched: this runs on every tick).
  const int row = active && P.Step > 0 ? P.Step - 1 : -1;
  if (row != FMarkedRow) {
    const auto paint = [this](int r, const QBrush& brush) {
      if (r < 0 || r >= StringGridSequence->rowCount()) return;
      for (int c = 0; c < ColumnCount; ++c)
        if (QTableWidgetItem* item = StringGridSequence->item(r, c)) item->setBackground(brush);
    };
    paint(FMarkedRow, QBrush());
    paint(row, QBrush(QColor(0xC8, 0xE6, 0xC9)));
    FMarkedRow = row;
    if (row >= 0) StringGridSequence->scrollToItem(StringGridSequence->item(row, 0));
  }
}

void TSequencePanel::ShowNote(const QString& Text)
{
  LabelSequenceNote->setText(Text);
}

bool TSequencePanel::eventFilter(QObject* Watched, QEvent* Event)
{
  // Not while a cell's editor is open (its keys are its own).
  if (Watched == StringGridSequence && Event->type() == QEvent::KeyPress &&
      !static_cast<TStepTable*>(StringGridSequence)->Editing()) {
    const auto* key = static_cast<QKeyEvent*>(Event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (key->key() == Qt::Key_Insert) {
      AddStep();
      return true;
    }
    if (key->key() == Qt::Key_Delete) {
      RemoveSelectedSteps();
      return true;
    }
    if (ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
      MoveCurrentStep(key->key() == Qt::Key_Up ? -1 : 1);
      return true;
    }
  }
  return QWidget::eventFilter(Watched, Event);
}
