// Floating-point entry controls: TGvCustomDoubleEdit does the work,
// TGvDoubleEdit publishes its settings for windows, and TGvNumericUpDn adds an
// up/down button pair and arrow-key stepping.
#pragma once

#include "controls/GvIntegerEdit.h"

#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <memory>

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QResizeEvent;
class QToolButton;

// A single-line edit holding a double Value, shown as a number (by Format, by
// DecimalPlaces, or as plain float text), as a date-time, or as a time span
// in days. Keys that cannot be part of such a text are refused; every
// keystroke that yields an in-range value is taken at once; the entry is
// corrected, with a beep, when the field is left; an unfocused field too
// narrow for its number shows fewer digits and, with DoHashes, 45 "#".
// MaxValue <= MinValue means no range (the initial 0, 0 included).
class TGvCustomDoubleEdit : public TGvEntryEdit
{
  Q_OBJECT
  Q_PROPERTY(double MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(double MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(double Value READ Value WRITE SetValue)

public:
  explicit TGvCustomDoubleEdit(QWidget* Parent = nullptr);

  double MinValue() const { return FMinValue; }
  double MaxValue() const { return FMaxValue; }
  double Value() const { return FValue; }
  bool AsDateTime() const { return FAsDateTime; }
  bool AsTimeSpan() const { return FAsTimeSpan; }
  bool DoHashes() const { return FDoHashes; }
  QString Format() const { return FFormat; }
  int DecimalPlaces() const { return FDigits; }

  void SetMinValue(double X);
  void SetMaxValue(double X);
  // Clamps, shows and takes X; raises OnValueChanged even when the value is
  // unchanged, then writes the linked properties.
  void SetValue(double X);
  void SetAsDateTime(bool B);
  void SetAsTimeSpan(bool B);
  void SetDoHashes(bool B);
  void SetFormat(const QString& S);
  // Writer of DecimalPlaces, kept within 0..18.
  void SetDigits(int N);

  // X clamped into the range, and in date-time mode into the date-time range.
  double Check(double X) const;
  // In date-time mode, both bounds clamped into the date-time range.
  void CheckDateTimeMinMax();
  // Takes the text as the value, clamped; a value that changes by it is set
  // with a beep and OnValueChanged. The control's own text of its value (as
  // after a step of the buttons) is left alone.
  void ValidateText() override;
  // Shows the value, shortened or as hashes when it does not fit.
  void DisplayOrHash() override;
  // The text of X for the mode (number, date-time or time span).
  QString ValueText(double X) const;
  // The number text of X: by Format, else by DecimalPlaces, else plain.
  QString DoubleStr(double X) const;
  // Pixels the displayed text may take.
  virtual int WinWidth() const;

protected:
  void Change() override;
  bool AcceptsChar(QChar Ch) const override;

  double FMinValue = 0;
  double FMaxValue = 0;
  double FValue = 0;
  int FDigits = -1;
  bool FAsDateTime = false;
  bool FAsTimeSpan = false;
  bool FDoHashes = true;
  QString FFormat;

private:
  bool HasRange() const { return FMaxValue > FMinValue; }
  double ParseText(const QString& Text) const;
};

// The floating-point entry control for windows.
class TGvDoubleEdit : public TGvCustomDoubleEdit
{
  Q_OBJECT
  Q_PROPERTY(bool AsDateTime READ AsDateTime WRITE SetAsDateTime)
  Q_PROPERTY(bool AsTimeSpan READ AsTimeSpan WRITE SetAsTimeSpan)
  Q_PROPERTY(bool DoHashes READ DoHashes WRITE SetDoHashes)
  Q_PROPERTY(QString Format READ Format WRITE SetFormat)

public:
  explicit TGvDoubleEdit(QWidget* Parent = nullptr);
};

// Which button of an up/down pair.
enum class TGvUDBtnType
{
  btNext, // the upper button
  btPrev  // the lower button
};

// Two small stacked arrow buttons.
class TGvUpDown : public QWidget
{
  Q_OBJECT
public:
  explicit TGvUpDown(QWidget* Parent = nullptr);
  QToolButton* UpButton() const { return FUp; }
  QToolButton* DownButton() const { return FDown; }

signals:
  void Click(TGvUDBtnType Button);

protected:
  void resizeEvent(QResizeEvent* Event) override;

private:
  QToolButton* FUp;
  QToolButton* FDown;
};

// A floating-point entry control with an up/down button pair at its right
// edge; the buttons and the Up and Down arrow keys step Value by Increment.
class TGvNumericUpDn : public TGvCustomDoubleEdit
{
  Q_OBJECT
  Q_PROPERTY(double Increment READ Increment WRITE SetIncrement)
  Q_PROPERTY(int BtnWidth READ BtnWidth WRITE SetBtnWidth)
  Q_PROPERTY(int DecimalPlaces READ DecimalPlaces WRITE SetDigits)

public:
  explicit TGvNumericUpDn(QWidget* Parent = nullptr);

  double Increment() const { return FIncrement; }
  void SetIncrement(double X) { FIncrement = X; }
  int BtnWidth() const { return FBtnWidth; }
  void SetBtnWidth(int N);
  // Value rounded to an integer, halves to even.
  int AsInteger() const;
  void SetAsInteger(int V);
  // Enables or disables the field and its buttons.
  void SetEnabled(bool B);
  TGvUpDown* UpDn() const { return FUpDn; }

  void UpDnClick(TGvUDBtnType Button);
  int WinWidth() const override;

protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

private:
  void PlaceButtons();
  void SetEditRect();

  TGvUpDown* FUpDn;
  double FIncrement = 1.0;
  int FBtnWidth = 15;
};
