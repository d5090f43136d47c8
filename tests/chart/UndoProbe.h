// A settings object for the undo stack tests, with properties of the kinds
// the stack records and a setter that can be made to fail.
#pragma once

#include "chart/GvComponent.h"
#include "chart/GvStyles.h"
#include "chart/GvVectors.h"

#include <QPointer>
#include <QStringList>
#include <QVariantList>

// A settings object whose setter can be made to fail, to see what an error
// in the middle of an undo does.
class TUndoProbe : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(int Value READ Value WRITE SetValue)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(QVariantList Numbers READ Numbers WRITE SetNumbers)
  Q_PROPERTY(TGvLineSettings* Line READ Line WRITE SetLine)
  Q_PROPERTY(TGvDoubleVector* Data READ Data WRITE SetData)
public:
  explicit TUndoProbe(QObject* Owner = nullptr)
      : TGvPersistent(Owner), FLine(new TGvLineSettings(this))
  {
  }
  int Value() const { return FValue; }
  void SetValue(int V)
  {
    if (FailOnSet) throw EGvError(QStringLiteral("probe refuses"));
    RecordUndo(this, "Value", QStringLiteral("Probe value"));
    FValue = V;
  }
  QStringList Items() const { return FItems; }
  void SetItems(const QStringList& V)
  {
    RecordUndo(this, "Items", QStringLiteral("Probe items"));
    FItems = V;
  }
  QVariantList Numbers() const { return FNumbers; }
  void SetNumbers(const QVariantList& V)
  {
    RecordUndo(this, "Numbers", QStringLiteral("Probe numbers"));
    FNumbers = V;
  }
  TGvLineSettings* Line() const { return FLine; }
  void SetLine(TGvLineSettings* V)
  {
    if (V) FLine->Assign(*V);
  }
  TGvDoubleVector* Data() const { return FData; }
  void SetData(TGvDoubleVector* V)
  {
    RecordUndo(this, "Data", QStringLiteral("Probe data"));
    FData = V;
  }
  void SetUndoStack(TGvUndoStackBase* Stack) override
  {
    TGvPersistent::SetUndoStack(Stack);
    FLine->SetUndoStack(Stack);
  }

  bool FailOnSet = false;

private:
  int FValue = 0;
  QStringList FItems;
  QVariantList FNumbers;
  TGvLineSettings* FLine;
  QPointer<TGvDoubleVector> FData;
};
