// Message boxes, questions and file dialogs go through this service, so that
// tests can answer them without a person at the screen.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

class QWidget;

class TDialogService
{
public:
  virtual ~TDialogService() = default;
  // A modal message box with the text and an OK button.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // A modal Yes/No question with the question icon; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
  // A save dialog; returns the chosen path, or an empty text when cancelled.
  // Filter uses the "Description|*.ext|Description|*.ext" form.
  virtual QString AskSaveFileName(QWidget* parent, const QString& fileName, const QString& folder,
                                  const QString& filter, const QString& defaultExtension) = 0;
  // An open dialog; returns the chosen existing file, or an empty text when
  // cancelled. A service that shows no dialogs chooses nothing.
  virtual QString AskOpenFileName(QWidget* parent, const QString& folder, const QString& filter)
  {
    return QString();
  }
  // A pop-up menu of Items at GlobalPos (screen coordinates); returns the
  // chosen item, or an empty text when none was chosen. A service that shows
  // no menus chooses nothing.
  virtual QString AskMenuChoice(QWidget* parent, const QPoint& GlobalPos, const QStringList& Items)
  {
    return QString();
  }
};

// The real dialogs of the platform.
class TQtDialogService : public TDialogService
{
public:
  void ShowMessage(QWidget* parent, const QString& text) override;
  bool AskYesNo(QWidget* parent, const QString& title, const QString& text) override;
  QString AskSaveFileName(QWidget* parent, const QString& fileName, const QString& folder,
                          const QString& filter, const QString& defaultExtension) override;
  QString AskOpenFileName(QWidget* parent, const QString& folder, const QString& filter) override;
  QString AskMenuChoice(QWidget* parent, const QPoint& GlobalPos,
                        const QStringList& Items) override;
};

// Turns "Comma separated file|*.csv|Text file|*.txt" into Qt's
// "Comma separated file (*.csv);;Text file (*.txt)".
QString QtFileFilter(const QString& filter);
