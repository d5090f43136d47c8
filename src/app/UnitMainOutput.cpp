// The output table's rows, the data file and the autosave.
#include "app/UnitMain.h"

#include "app/DialogService.h"
#include "app/OutputChart.h"
#include "app/OutputPlot.h"
#include "app/OutputRows.h"
#include "chart/GvGraph2D.h"
#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"
#include "devices/Clock.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>

void TForm1::StoreData()
{
  TMixerData& S = Shared;
  if (!GridCell(0, 1).isEmpty()) GridAddRow();
  const int r = GridRowCount() - 1;
  StringGrid1->setUpdatesEnabled(false);

  TRowInputs in;
  in.Now = Clock().Now();
  in.MixerState = S.MixerState;
  in.MixingMethod = S.MixingMethod;
  in.TotalizerA = S.TotalizerA;
  in.TotalizerB = S.TotalizerB;
  in.DesiredFlowBGramsperMinute = S.DesiredFlowBGramsperMinute;
  in.OccuredWETTime = S.OccuredWETTime;
  in.A = S.A;
  in.B = S.B;
  in.H2OC = S.H2OC;
  in.GasBItem = SelectedText(ListBoxSetupGas2);
  in.ProtectiveMlPerMin = GvDoubleEditProtective->Value();
  in.pH2O = GvIntegerEditpH2O->Value();
  const TRow row = ComputeRow(in, S.P);
  MemoDevFeedback->appendPlainText(row.ProtectiveLine());
  for (int q = 0; q < PropertyCount; ++q)
    if (row.Cells[size_t(q)] && ColumnShown(S.P[q]) && S.P[q].ColID < StringGrid1->columnCount())
      SetGridCell(S.P[q].ColID, r, *row.Cells[size_t(q)]);
  // The chart plots what the row holds; its graph picks it up at its poll.
  FOutputPlot->AppendRow(row);

  S.DataStoredLast = in.Now;
  StringGrid1->selectRow(r - 1);
  StringGrid1->scrollToBottom();
  StringGrid1->setUpdatesEnabled(true);
  StringGrid1->viewport()->update();
}

bool TForm1::Save(const QString& Path)
{
  QList<QStringList> rows;
  for (int r = 0; r < GridRowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < StringGrid1->columnCount(); ++c) cells << GridCell(c, r);
    rows << cells;
  }
  const QString description = Memo4->toPlainText();
  const QStringList lines =
      DataFileLines(description.isEmpty() ? QStringList() : description.split(u'\n'), rows);
  const bool ok = WriteDataFile(Path, lines);
  MemoDevFeedback->appendPlainText(QString());
  MemoDevFeedback->appendPlainText(ok ? QStringLiteral("Saving succeeded")
                                      : QStringLiteral("Saving failed"));
  return ok;
}

void TForm1::Autosave()
{
  const double now = Clock().Now();
  const QString path = EditAutosaveFilename->text() + QStringLiteral(" autosave ") +
                       FormatDateTime(QStringLiteral("mm-dd hh_mm"), now) + QStringLiteral(".CSV");
  bool ok = false;
  try {
    ok = Save(path);
  } catch (const std::exception&) {
    ok = false;
  }
  Shared.LastAutoSave = now;
  Label17->setText((ok ? QStringLiteral("Last autosave: ") : QStringLiteral("Autosave failed: ")) +
                   FormatDateTime(QStringLiteral("mm-dd hh:mm"), now));
}

void TForm1::StringGrid1MouseDown(Qt::MouseButton Button)
{
  if (Button != Qt::RightButton) return;
  const QString name = FormatDateTime(QStringLiteral("yyyy-mm-dd hh_mm"), Clock().Now());
  const QString path = Dialogs().AskSaveFileName(this, name, QCoreApplication::applicationDirPath(),
                                                 SaveDialog1Filter, SaveDialog1DefaultExt);
  if (path.isEmpty()) return;
  if (QFileInfo::exists(path)) {
    Dialogs().ShowMessage(this, QStringLiteral("File already exists. Cannot overwrite."));
    return;
  }
  Save(path);
}

void TForm1::CheckBoxOutputLogScaleClick()
{
  OutputChart->SetLogScale(CheckBoxOutputLogScale->isChecked());
}

void TForm1::GraphOutputMouseDown(Qt::MouseButton Button, QPoint GlobalPos)
{
  if (Button != Qt::RightButton) return;
  const QString saveImage = QStringLiteral("Save chart image");
  if (Dialogs().AskMenuChoice(this, GlobalPos, {saveImage}) != saveImage) return;
  const QString name = FormatDateTime(QStringLiteral("yyyy-mm-dd hh_mm"), Clock().Now());
  QString path = Dialogs().AskSaveFileName(
      this, name, QCoreApplication::applicationDirPath(),
      QStringLiteral("PNG image|*.png|SVG image|*.svg|PDF document|*.pdf"), QStringLiteral("png"));
  if (path.isEmpty()) return;
  ChartImageFormat(path); // a name without a known suffix becomes a PNG file
  if (QFileInfo::exists(path)) {
    Dialogs().ShowMessage(this, QStringLiteral("File already exists. Cannot overwrite."));
    return;
  }
  if (!SaveChartImage(path)) Dialogs().ShowMessage(this, QStringLiteral("Saving failed"));
}

bool TForm1::SaveChartImage(const QString& Path)
{
  QString path = Path;
  const TGvImageFileFormat format = ChartImageFormat(path);
  bool ok = true;
  try {
    GraphOutput->SaveImage(path, format, true, GvColors::White);
  } catch (const std::exception&) {
    ok = false;
  }
  MemoDevFeedback->appendPlainText(QString());
  MemoDevFeedback->appendPlainText(ok ? QStringLiteral("Saving succeeded")
                                      : QStringLiteral("Saving failed"));
  return ok;
}
