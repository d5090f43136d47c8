#include "app/OutputPlot.h"

#include "chart/GvVectors.h"

TOutputPlotData::TOutputPlotData()
    : FTime(std::make_unique<TGvDoubleVector>()), FPpmA(std::make_unique<TGvDoubleVector>()),
      FPpmH2O(std::make_unique<TGvDoubleVector>())
{
  FTime->setObjectName(QStringLiteral("VectorOutputTime"));
  FPpmA->setObjectName(QStringLiteral("VectorOutputPpmA"));
  FPpmH2O->setObjectName(QStringLiteral("VectorOutputPpmH2O"));
}

TOutputPlotData::~TOutputPlotData() = default;

int TOutputPlotData::Count() const
{
  return FTime->Count();
}

void TOutputPlotData::AppendRow(const TRow& Row)
{
  const QString mode = Row.Cells[size_t(TProperty::Mode)].value_or(QString());
  const double time = RowValue(Row, TProperty::Time);
  if (!FHasRow || mode != FLastMode) FModeChanges.push_back({time, mode});
  FHasRow = true;
  FLastMode = mode;
  // Y first: a series counts the elements both of its vectors hold, so the
  // row becomes visible to it once the time is there too.
  FPpmA->Add(RowValue(Row, TProperty::ppmA));
  FPpmH2O->Add(RowValue(Row, TProperty::ppmH2O));
  FTime->Add(time);
}
