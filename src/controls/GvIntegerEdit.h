// Integer entry control, and what all entry controls share: the beep, the
// character a key press types, and the base class that enters, leaves and
// filters the field.
#pragma once

#include "controls/GvPropertyLink.h"

#include <QLineEdit>
#include <QString>
#include <functional>
#include <memory>

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QResizeEvent;

// ---- Shared by the entry controls ----

// The platform's default beep, sounded for refused keys and corrected
// entries. A hook installed with SetGvBeepHook replaces the sound (tests count
// beeps with it); an empty hook brings the sound back. SetGvBeepHook returns
// the hook it replaces. Main thread only.
using TGvBeepHook = std::function<void()>;
void GvBeep();
TGvBeepHook SetGvBeepHook(TGvBeepHook Hook);

// The characters a key press types, as the entry controls filter them:
// "\r" for Return and Enter, "\b" for Backspace, the control character for
// Ctrl with a letter (Ctrl+A is "\x01", Ctrl+V "\x16"), otherwise the key's
// printable text. Empty when the key types no character (arrows, Home, End,
// Delete, Tab, Escape, function keys, Ctrl with other keys).
QString GvKeyChars(const QKeyEvent& Event);

// Width in pixels of the line in which a line edit draws its text when it
// has no text margins (inside the frame and the edit's own inner margins).
int GvEditClientWidth(const QLineEdit& Edit);

// Start of the selection, or the caret position when nothing is selected.
int GvSelStart(const QLineEdit& Edit);

// Whether losing the focus means leaving the field: not when a popup (the
// context menu) opens over it, nor when its window is deactivated. Entering is
// the first focus after leaving: a popup closing and a return to the window
// do not enter the field again, the first activation of a window does.
bool GvIsLeaving(const QFocusEvent& Event);

// The text shown instead of a number that does not fit the field: 45 "#".
QString GvHashText();

// ---- TGvEntryEdit ----

// What the entry controls share: the link that carries Value, the caret and
// selection kept between visits, entering and leaving the field, Enter, the
// filtered keys and the clicks. The controls supply what a text means.
class TGvEntryEdit : public QLineEdit
{
  Q_OBJECT
  Q_PROPERTY(TGvPropertyLinks* PropertyLinks READ PropertyLinks)

public:
  explicit TGvEntryEdit(QWidget* Parent = nullptr);
  ~TGvEntryEdit() override;

  TGvPropertyLinks* PropertyLinks() const { return FLink.get(); }
  // Takes the text as the value, corrected with a beep where needed.
  virtual void ValidateText() = 0;
  // Shows the value in the form that fits the field.
  virtual void DisplayOrHash() = 0;
  // To be called once the window has set the properties: resolves the links.
  void Loaded();

signals:
  void OnValueChanged(QObject* Sender);
  void OnDblClick(QObject* Sender);
  void OnClick(QObject* Sender);

protected:
  // A text change the control did not make itself.
  virtual void Change() = 0;
  // Whether a typed character may go into the text.
  virtual bool AcceptsChar(QChar Ch) const = 0;
  // The editing keys every control lets through: Backspace and Ctrl+A, C, V,
  // X and Z.
  static bool IsEditingChar(QChar Ch);
  // Writes the text without taking it as an entry.
  void WriteText(const QString& Text);

  void keyPressEvent(QKeyEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;

  int FLastCursorPos = 0;
  int FLastSelLength = 0;
  bool FSetting = false;
  bool FNeedSelectAll = false;
  QString FLastValid = QStringLiteral("0");
  // Made by each control, for its own Value.
  std::unique_ptr<TGvPropertyLinks> FLink;

private:
  bool FEntered = false;
  bool FClicked = false;
};

// ---- TGvIntegerEdit ----

// A single-line edit holding a 32-bit Value. Only keys that can form an
// integer are let through; every keystroke that yields an in-range number is
// taken at once; an out-of-range entry is clamped with a beep when the field
// is left; an unfocused field too narrow for its number shows 45 "#".
// MinValue >= MaxValue means no range (the initial 0, 0 included).
class TGvIntegerEdit : public TGvEntryEdit
{
  Q_OBJECT
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(int Value READ Value WRITE SetValue)

public:
  explicit TGvIntegerEdit(QWidget* Parent = nullptr);

  int MinValue() const { return FMinValue; }
  int MaxValue() const { return FMaxValue; }
  int Value() const { return FValue; }
  void SetMinValue(int V);
  void SetMaxValue(int V);
  // Clamps, shows and takes V; raises OnValueChanged even when the value is
  // unchanged, then writes the linked properties.
  void SetValue(int V);

  // A clamped into the range (unchanged when there is no range).
  int Check(int A) const;
  // Takes the text as the value, clamped, beeping when that changes the value.
  void ValidateText() override;
  // Shows the value, or hashes when the field is unfocused and too narrow.
  void DisplayOrHash() override;
  // Pixels the displayed text may take.
  virtual int WinWidth() const;

protected:
  void Change() override;
  bool AcceptsChar(QChar Ch) const override;

private:
  bool InRange(int V) const;

  int FMinValue = 0;
  int FMaxValue = 0;
  int FValue = 0;
};
