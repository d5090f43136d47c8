// Test doubles for the main window: scripted dialogs and a window in virtual time.
#pragma once

#include "app/DialogService.h"
#include "app/UnitMain.h"
#include "devices/Clock.h"

#include <QListWidget>
#include <deque>
#include <memory>

// Records every dialog and answers from a script (Yes when nothing is scripted).
class TScriptedDialogs : public TDialogService
{
public:
  QStringList Messages;
  QStringList Questions;
  std::deque<bool> Answers;
  std::deque<QString> SaveNames;

  void ShowMessage(QWidget*, const QString& text) override { Messages << text; }
  bool AskYesNo(QWidget*, const QString& title, const QString& text) override
  {
    Questions << title + QStringLiteral(": ") + text;
    if (Answers.empty()) return true;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  QString AskSaveFileName(QWidget*, const QString& fileName, const QString& folder, const QString&,
                          const QString&) override
  {
    Questions << QStringLiteral("Save: ") + folder + u'/' + fileName;
    if (SaveNames.empty()) return QString();
    const QString name = SaveNames.front();
    SaveNames.pop_front();
    return name;
  }
};

// A main window on a virtual clock with scripted dialogs.
struct TWindowFixture
{
  TVirtualClock Clock;
  TScriptedDialogs Dialogs;
  std::unique_ptr<TForm1> Form;

  TWindowFixture()
  {
    TFormServices services;
    services.Clock = &Clock;
    services.Dialogs = &Dialogs;
    Form = std::make_unique<TForm1>(services);
  }

  // Selects an item of a list the way a click would, without running its handler.
  static void Select(QListWidget* list, const QString& text)
  {
    const auto items = list->findItems(text, Qt::MatchExactly);
    if (items.isEmpty()) return;
    list->setCurrentItem(items.first());
    items.first()->setSelected(true);
  }
};
