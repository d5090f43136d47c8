// A stand-in for the users of a vector: it records every call it gets.
#pragma once

#include "chart/GvVectors.h"

#include <QStringList>
#include <functional>

class TRecorder : public TGvVectorClient
{
public:
  enum TKind
  {
    Graph,         // not a series
    Series,        // a plain series
    FunctionSeries // a computed series
  };

  explicit TRecorder(TKind Kind = Series, const TGvCustomDoubleVector* YData = nullptr)
      : FKind(Kind), YData(YData)
  {
  }

  bool IsSeries() const override { return FKind != Graph; }
  bool IsFunctionSeries() const override { return FKind == FunctionSeries; }
  bool IsYData(const TGvCustomDoubleVector* Vector) const override
  {
    return YData && Vector == YData;
  }

  void SetLastCount(int Value) override { Note(QStringLiteral("SetLastCount(%1)").arg(Value)); }
  void PointsModified() override { Note(QStringLiteral("PointsModified")); }
  void RangesModified() override { Note(QStringLiteral("RangesModified")); }
  void ClearLinkedMarkers() override { Note(QStringLiteral("ClearLinkedMarkers")); }
  void DeleteLinkedMarkers(int Idx) override
  {
    Note(QStringLiteral("DeleteLinkedMarkers(%1)").arg(Idx));
  }
  void ValueInsertedLinkedMarkers(int Idx) override
  {
    Note(QStringLiteral("ValueInsertedLinkedMarkers(%1)").arg(Idx));
  }
  void Modified() override { Note(QStringLiteral("Modified")); }

  QString Calls() const { return Log.join(QLatin1Char(' ')); }

  TKind FKind;
  const TGvCustomDoubleVector* YData;
  QStringList Log;
  // Runs inside every call (after it is logged), to act on the vector meanwhile.
  std::function<void()> During;

private:
  void Note(const QString& Call)
  {
    Log << Call;
    if (During) During();
  }
};
