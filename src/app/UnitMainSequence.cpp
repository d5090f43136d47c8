// The Sequence tab: the table of steps, its files, and a running sequence's
// progress, record and marks on the Output chart. The run's commands go
// through the mixer-control facade like the buttons of the Operation tab.
#include "app/UnitMain.h"

#include "app/DialogService.h"
#include "app/MixerControl.h"
#include "app/OutputPlot.h"
#include "chart/GvGraph2D.h"
#include "controls/GvDateTime.h"
#include "devices/Clock.h"
#include "sequence/SequenceFile.h"
#include "sequence/SequenceLog.h"
#include "sequence/SequencePanel.h"
#include "sequence/SequenceRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
QString When(double DateTime)
{
  return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), DateTime);
}

QString SequenceFileFilter()
{
  return QStringLiteral("Sequence file|*.csv|Text file|*.txt");
}
} // namespace

QWidget* TForm1::BuildSequenceTab()
{
  TabSheetSequence = new TSequencePanel;
  TabSheetSequence->setObjectName(QStringLiteral("TabSheetSequence"));
  return TabSheetSequence;
}

void TForm1::SetUpSequence()
{
  FSequenceRunner = std::make_unique<TSequenceRunner>(Clock(), Control());
  FSequenceRunner->OnStepStarted = [this](const TStepStart& S) { SequenceStepStarted(S); };
  FSequenceRunner->OnEnded = [this](TSequenceState State, const QString& Reason) {
    SequenceEnded(State, Reason);
  };
  TSequencePanel* p = TabSheetSequence;
  connect(p->ButtonSequenceStart, &QPushButton::clicked, this, [this] { ButtonSequenceStartClick(); });
  connect(p->ButtonSequencePause, &QPushButton::clicked, this, [this] { ButtonSequencePauseClick(); });
  connect(p->ButtonSequenceSkip, &QPushButton::clicked, this, [this] { ButtonSequenceSkipClick(); });
  connect(p->ButtonSequenceStop, &QPushButton::clicked, this, [this] { ButtonSequenceStopClick(); });
  connect(p->ButtonSequenceLoad, &QPushButton::clicked, this, [this] { ButtonSequenceLoadClick(); });
  connect(p->ButtonSequenceSave, &QPushButton::clicked, this, [this] { ButtonSequenceSaveClick(); });
}

TSequenceRunner& TForm1::SequenceRunner() const
{
  return *FSequenceRunner;
}

void TForm1::BeginSequence(const TSequence& Sequence)
{
  const double now = Clock().Now();
  const QString path = SequenceLogPath(EditAutosaveFilename->text(), now);
  QString error;
  QString log = QStringLiteral("log: ") + QFileInfo(path).absoluteFilePath();
  if (!FSequenceLog.Open(path, &error)) log = QStringLiteral("no log: ") + error;
  AppendDebugLine(QStringLiteral("Sequence started: %1 step%2, %3 repetition%4, planned end %5; %6")
                      .arg(Sequence.Steps.size())
                      .arg(Sequence.Steps.size() == 1 ? "" : "s")
                      .arg(Sequence.Repeat)
                      .arg(Sequence.Repeat == 1 ? "" : "s")
                      .arg(When(now + double(RunDurationMs(Sequence)) / 86400000))
                      .arg(log));
  TabSheetSequence->ShowNote(log.left(1).toUpper() + log.mid(1));
  FSequenceRunner->Start(Sequence);
  ShowSequenceProgress();
}

void TForm1::SequenceStepStarted(const TStepStart& S)
{
  AppendDebugLine(QStringLiteral("Sequence step %1 of %2, repetition %3 of %4: %5")
                      .arg(S.Step)
                      .arg(S.Steps)
                      .arg(S.Repetition)
                      .arg(S.Repetitions)
                      .arg(StepText(S.Values)));
  const double tookS = (S.Done - S.Issued) * 86400;
  if (tookS >= 1)
    AppendDebugLine(QStringLiteral("  the command took %1 s (waiting for the valve operations)")
                        .arg(tookS, 0, 'f', 1));
  QString error;
  if (FSequenceLog.IsOpen() && !FSequenceLog.Append(S, &error)) {
    AppendDebugLine(error);
    TabSheetSequence->ShowNote(error);
  }
  FOutputPlot->AddStepMark(S.Issued, S.Step);
  GraphOutput->Modified();
  ShowSequenceProgress();
}

void TForm1::SequenceEnded(TSequenceState State, const QString& Reason)
{
  const QString line = State == TSequenceState::Finished
                           ? QStringLiteral("Sequence finished")
                           : QStringLiteral("Sequence stopped: ") + Reason;
  AppendDebugLine(line);
  TabSheetSequence->ShowNote(line);
  FSequenceLog.Close();
  ShowSequenceProgress();
}

void TForm1::SequenceTick()
{
  FSequenceRunner->Tick();
  ShowSequenceProgress();
}

void TForm1::ShowSequenceProgress()
{
  TabSheetSequence->ShowProgress(FSequenceRunner->Progress(), Clock().Now());
}

void TForm1::EndSequence(const QString& Reason)
{
  FSequenceRunner->Stop(Reason);
}

void TForm1::SequenceEvent(const QString& Text)
{
  AppendDebugLine(Text);
  TabSheetSequence->ShowNote(Text);
  ShowSequenceProgress();
}

void TForm1::ReportSequenceCommand(const TCommandResult& Result)
{
  if (Result.IsDone()) return;
  TabSheetSequence->ShowNote(Result.Message);
  Dialogs().ShowMessage(this, Result.Message);
}

void TForm1::ButtonSequenceStartClick()
{
  ReportSequenceCommand(Control().StartSequence());
}

void TForm1::ButtonSequencePauseClick()
{
  ReportSequenceCommand(FSequenceRunner->State() == TSequenceState::Paused
                            ? Control().ResumeSequence()
                            : Control().PauseSequence());
}

void TForm1::ButtonSequenceSkipClick()
{
  ReportSequenceCommand(Control().SkipStep());
}

void TForm1::ButtonSequenceStopClick()
{
  ReportSequenceCommand(Control().StopSequence());
}

bool TForm1::LoadSequence(const QString& Path, QString* Error)
{
  const TSequenceReadResult r = LoadSequenceFile(Path);
  if (!r.Ok) {
    if (Error) *Error = r.Error;
    return false;
  }
  TabSheetSequence->SetSequence(r.Sequence);
  TabSheetSequence->ShowNote(QStringLiteral("Loaded ") + QFileInfo(Path).fileName());
  return true;
}

void TForm1::ButtonSequenceLoadClick()
{
  const QString path = Dialogs().AskOpenFileName(this, QDir::currentPath(), SequenceFileFilter());
  if (path.isEmpty()) return;
  QString error;
  if (!LoadSequence(path, &error)) {
    // The table keeps what it had.
    TabSheetSequence->ShowNote(error);
    Dialogs().ShowMessage(this, error);
  }
}

void TForm1::ButtonSequenceSaveClick()
{
  const QString name = FormatDateTime(QStringLiteral("yyyy-mm-dd hh_nn"), Clock().Now()) +
                       QStringLiteral(" sequence");
  const QString path = Dialogs().AskSaveFileName(this, name, QDir::currentPath(),
                                                 SequenceFileFilter(), QStringLiteral("csv"));
  if (path.isEmpty()) return;
  if (QFileInfo::exists(path) &&
      !Dialogs().AskYesNo(this, QStringLiteral("Confirm action"),
                          QStringLiteral("Replace %1?").arg(QFileInfo(path).fileName())))
    return;
  QString error;
  if (SaveSequenceFile(path, TabSheetSequence->Sequence(), &error)) {
    TabSheetSequence->ShowNote(QStringLiteral("Saved ") + QFileInfo(path).fileName());
  } else {
    TabSheetSequence->ShowNote(error);
    Dialogs().ShowMessage(this, error);
  }
}
