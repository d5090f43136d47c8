#include "app/DialogService.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

void TQtDialogService::ShowMessage(QWidget* parent, const QString& text)
{
  QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
}

bool TQtDialogService::AskYesNo(QWidget* parent, const QString& title, const QString& text)
{
  return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

QString TQtDialogService::AskSaveFileName(QWidget* parent, const QString& fileName,
                                          const QString& folder, const QString& filter,
                                          const QString& defaultExtension)
{
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDirectory(folder);
  dialog.selectFile(fileName);
  dialog.setNameFilter(QtFileFilter(filter));
  dialog.setDefaultSuffix(defaultExtension);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

QString TQtDialogService::AskOpenFileName(QWidget* parent, const QString& folder,
                                          const QString& filter)
{
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDirectory(folder);
  dialog.setNameFilter(QtFileFilter(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

QString TQtDialogService::AskMenuChoice(QWidget* parent, const QPoint& GlobalPos,
                                        const QStringList& Items)
{
  QMenu menu(parent);
  for (const QString& item : Items) menu.addAction(item);
  const QAction* chosen = menu.exec(GlobalPos);
  return chosen ? chosen->text() : QString();
}

QString QtFileFilter(const QString& filter)
{
  const QStringList parts = filter.split(u'|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    out << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')';
  return out.join(QStringLiteral(";;"));
}
