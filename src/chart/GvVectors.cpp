#include "chart/GvVectors.h"

#include "controls/GvDateTime.h"
#include "controls/GvStringFunctions.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

// ---- Growth ---------------------------------------------------------------

int GvGrownCapacity(int Capacity, int Increment, qint64 N)
{
  if (N < Capacity) return Capacity;
  if (Increment <= 0) Increment = TGvCustomDoubleVector::DefaultIncrement;
  // Whole increments until the capacity exceeds N, as one Add at a time would
  // grow it (a capacity equal to the count is grown by the next reader).
  const qint64 Steps = (N - Capacity) / Increment + 1;
  return int(std::min<qint64>(qint64(Capacity) + Steps * Increment, INT32_MAX));
}

// ---- Double storage -------------------------------------------------------

TGvDoubleStore::~TGvDoubleStore()
{
  std::free(FData);
}

void TGvDoubleStore::Reallocate(std::size_t Capacity)
{
  if (Capacity > std::numeric_limits<std::size_t>::max() / sizeof(double)) throw std::bad_alloc();
  void* P = std::realloc(FData, std::max<std::size_t>(Capacity, 1) * sizeof(double));
  if (!P) throw std::bad_alloc();
  FData = static_cast<double*>(P);
  FCapacity = Capacity;
}

void TGvDoubleStore::Grow(std::size_t AtLeast)
{
  Reallocate(std::max({AtLeast, 2 * FCapacity, std::size_t(16)}));
}

void TGvDoubleStore::resize(std::size_t N)
{
  if (N > FCapacity) Grow(N);
  if (N > FSize) std::fill(FData + FSize, FData + N, 0.0);
  FSize = N;
}

void TGvDoubleStore::append(const double* Values, std::size_t N)
{
  if (N == 0) return;
  if (FSize + N > FCapacity) Grow(FSize + N);
  std::copy(Values, Values + N, FData + FSize);
  FSize += N;
}

void TGvDoubleStore::assign(const double* Values, std::size_t N)
{
  FSize = 0;
  append(Values, N);
}

void TGvDoubleStore::insert(std::size_t Pos, double X)
{
  if (FSize == FCapacity) Grow(FSize + 1);
  std::copy_backward(FData + Pos, FData + FSize, FData + FSize + 1);
  FData[Pos] = X;
  ++FSize;
}

void TGvDoubleStore::erase(std::size_t Pos)
{
  std::copy(FData + Pos + 1, FData + FSize, FData + Pos);
  --FSize;
}

// ---- Point vector ---------------------------------------------------------

void TGvPointVector::SetX(int I, float X)
{
  if (I < 0 || I == INT32_MAX) throw EGvRangeError::Index(I);
  CheckCount(I + 1);
  Item(I).X = X;
}

void TGvPointVector::SetY(int I, float Y)
{
  if (I < 0 || I == INT32_MAX) throw EGvRangeError::Index(I);
  CheckCount(I + 1);
  Item(I).Y = Y;
}

// ---- Related objects ------------------------------------------------------

TGvVectorClient::~TGvVectorClient()
{
  LeaveRelatedVectors();
}

void TGvVectorClient::LeaveRelatedVectors()
{
  const std::vector<TGvCustomDoubleVector*> Vectors = std::move(FRelatedVectors);
  FRelatedVectors.clear();
  for (TGvCustomDoubleVector* V : Vectors) V->ForgetClient(this);
}

void TGvCustomDoubleVector::AddRelatedObject(TGvVectorClient* Client)
{
  if (!Client) return;
  for (TRelated& R : FRelated)
    if (R.Client == Client) {
      ++R.Uses;
      return;
    }
  FRelated.push_back(TRelated{Client, 1, FNextSerial++});
  Client->FRelatedVectors.push_back(this);
}

void TGvCustomDoubleVector::RemoveRelatedObject(TGvVectorClient* Client)
{
  for (auto It = FRelated.begin(); It != FRelated.end(); ++It) {
    if (It->Client != Client) continue;
    if (--It->Uses > 0) return;
    FRelated.erase(It);
    std::erase(Client->FRelatedVectors, this);
    return;
  }
}

bool TGvCustomDoubleVector::IsRelatedObject(const TGvVectorClient* Client) const
{
  return std::any_of(FRelated.begin(), FRelated.end(),
                     [Client](const TRelated& R) { return R.Client == Client; });
}

QList<TGvVectorClient*> TGvCustomDoubleVector::RelatedObjects() const
{
  QList<TGvVectorClient*> List;
  for (const TRelated& R : FRelated) List << R.Client;
  return List;
}

void TGvCustomDoubleVector::ForgetClient(TGvVectorClient* Client)
{
  std::erase_if(FRelated, [Client](const TRelated& R) { return R.Client == Client; });
}

TGvCustomDoubleVector::TSnapshot TGvCustomDoubleVector::Snapshot() const
{
  TSnapshot S;
  S.reserve(qsizetype(FRelated.size()));
  for (const TRelated& R : FRelated) S.append(R);
  return S;
}

bool TGvCustomDoubleVector::StillRelated(const TRelated& Entry) const
{
  return std::any_of(FRelated.begin(), FRelated.end(), [&](const TRelated& R) {
    return R.Client == Entry.Client && R.Serial == Entry.Serial;
  });
}

// Calls Call(Client) for each related object of a snapshot that is still
// related when its turn comes. Returns false when the vector was destroyed
// meanwhile (the caller must then not touch it).
template <class F> bool TGvCustomDoubleVector::ForEachRelated(F&& Call)
{
  if (FRelated.empty()) return true;
  const TSnapshot Items = Snapshot();
  const QPointer<TGvCustomDoubleVector> Self(this);
  for (const TRelated& R : Items) {
    if (!Self) return false;
    if (StillRelated(R)) Call(*R.Client);
  }
  return !Self.isNull();
}

// ---- Custom double vector -------------------------------------------------

TGvCustomDoubleVector::TGvCustomDoubleVector(QObject* Owner) : TGvComponent(Owner)
{
  FValues.reserve(size_t(FCapacity));
}

TGvCustomDoubleVector::~TGvCustomDoubleVector()
{
  BeginDestroy();
  for (const TRelated& R : FRelated) std::erase(R.Client->FRelatedVectors, this);
  FRelated.clear();
}

double TGvCustomDoubleVector::GetValue(int I) const
{
  if (I < 0 || I >= StoredCount()) throw EGvRangeError::Index(I);
  return FValues[size_t(I)];
}

void TGvCustomDoubleVector::SetCapacity(int Value)
{
  if (Value <= StoredCount() || Value == FCapacity) return;
  RecordUndo(this, "Capacity", QStringLiteral("Vector capacity"));
  FCapacity = Value;
  Modified();
}

void TGvCustomDoubleVector::SetIncrement(int Value)
{
  if (Value < DefaultIncrement || Value == FIncrement) return;
  RecordUndo(this, "Increment", QStringLiteral("Vector increment"));
  FIncrement = Value;
  Modified();
}

void TGvCustomDoubleVector::CheckCount(int N)
{
  if (N >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, N);
  if (N > StoredCount()) FValues.resize(size_t(N));
}

void TGvCustomDoubleVector::AppendValues(const double* Values, qsizetype N)
{
  if (N <= 0) return;
  const qint64 NewCount = qint64(StoredCount()) + N;
  if (NewCount >= INT32_MAX) throw EGvRangeError::Index(NewCount);
  if (NewCount >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, NewCount);
  FValues.append(Values, size_t(N));
}

void TGvCustomDoubleVector::SetValue(int I, double X)
{
  const int N = StoredCount();
  if (I >= N) {
    // Past the end: the elements are new, the statistics stay as they are.
    if (I == INT32_MAX) throw EGvRangeError::Index(I);
    if (I + 1 >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, qint64(I) + 1);
    if (I == N) {
      FValues.push_back(X);
    } else {
      FValues.resize(size_t(I) + 1);
      FValues[size_t(I)] = X;
    }
    if (!FRelated.empty()) AppendedRelatedSeries(N);
    return;
  }
  if (I < 0) throw EGvRangeError::Index(I);

  const double Old = FValues[size_t(I)];
  if (I <= FLastCount && Old == X) return;
  bool Reset = false;
  if (I < FLastCount) {
    // A counted element: the sums can follow in place as long as no extreme
    // and no ascending order is touched, and the old value can be taken out
    // of them again (a NaN or an infinity cannot).
    const bool HoldsExtreme =
        I == FMinimumIdx || I == FMaximumIdx || I == FMinimumIdxInc || I == FMaximumIdxInc;
    const bool Inside = X > FMinimumInc && X < FMaximumInc && X > FMinimum && X < FMaximum;
    if (!HoldsExtreme && Inside && !FOnlyAscending && std::isfinite(Old)) {
      FSumInc += X - Old;
      if (!AnyOutliers())
        FSum = FSumInc;
      else if (!IsOutlier(I))
        FSum += X - Old;
    } else {
      Reset = true;
    }
  }
  FValues[size_t(I)] = X;
  if (Reset)
    OutOfRange();
  else
    InvalidateRelatedSeries();
}

int TGvCustomDoubleVector::AddThroughSetValue(double X)
{
  // The users told of the new value may even destroy the vector: the count is
  // taken first.
  const int N = StoredCount();
  SetValue(N, X);
  return N + 1;
}

int TGvCustomDoubleVector::Insert(int Idx, double X)
{
  CheckWritable();
  const int N = StoredCount();
  if (Idx < 0 || Idx > N) throw EGvRangeError::Index(Idx);
  if (Idx == N) return Add(X);
  if (N == INT32_MAX) throw EGvRangeError::Index(N);

  bool Shifted = false;
  for (int K = 0; K < FOutliers.Count(); ++K)
    if (FOutliers[K] >= Idx) {
      FOutliers.SetValue(K, FOutliers[K] + 1);
      Shifted = true;
    }
  if (Shifted) RebuildOutlierSet();
  if (N + 1 >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, N + 1);
  FValues.insert(size_t(Idx), X);
  for (int* Extreme : {&FMinimumIdx, &FMaximumIdx, &FMinimumIdxInc, &FMaximumIdxInc})
    if (*Extreme >= Idx) ++*Extreme;

  const int NewCount = N + 1;
  const QPointer<TGvCustomDoubleVector> Self(this);
  if (Idx < FLastCount)
    OutOfRange();
  else
    InvalidateRelatedSeries();
  // The objects that are not series heard of it above; the series whose Y data
  // this is move their markers.
  if (Self)
    ForEachRelated([&](TGvVectorClient& C) {
      if (C.IsSeries() && C.IsYData(this)) C.ValueInsertedLinkedMarkers(Idx);
    });
  return NewCount;
}

void TGvCustomDoubleVector::Delete(int Idx, bool WithLinkedMarkers)
{
  if (Idx < 0 || Idx >= StoredCount()) return;
  if (AnyOutliers()) {
    TGvIntegerVector Kept(FOutliers.Increment());
    for (int32_t O : FOutliers)
      if (O != Idx) Kept.Add(O > Idx ? O - 1 : O);
    FOutliers = Kept;
    RebuildOutlierSet();
  }
  FValues.erase(size_t(Idx));
  const bool Reset = Idx < FLastCount;
  if (Reset) ResetRanges();
  if (WithLinkedMarkers) {
    const bool Alive = ForEachRelated([&](TGvVectorClient& C) {
      if (C.IsSeries() && C.IsYData(this)) C.DeleteLinkedMarkers(Idx);
    });
    if (!Alive) return;
  }
  ResetRelatedSeries();
}

void TGvCustomDoubleVector::Clear(bool WithLinkedMarkers)
{
  FValues.clear();
  DropOutliers();
  ResetRanges();
  if (WithLinkedMarkers) {
    const bool Alive = ForEachRelated([&](TGvVectorClient& C) {
      if (C.IsSeries() && C.IsYData(this)) C.ClearLinkedMarkers();
    });
    if (!Alive) return;
  }
  ForEachRelated([](TGvVectorClient& C) {
    if (C.IsSeries())
      C.RangesModified();
    else
      C.Modified();
  });
}

// ---- Statistics -----------------------------------------------------------

void TGvCustomDoubleVector::CheckMinMax() const
{
  const int N = StoredCount();
  if (FLastCount >= N) return;
  const double* V = FValues.data();
  if (!AnyOutliers()) {
    // The sum in element order (the same bits whenever the queries come),
    // the order beside it; the smallest and largest new value in two running
    // values each, and the index only when a new extreme came: the first
    // element that equals it, as one comparison after another would find.
    const int First = FLastCount;
    double Sum = FSum;
    bool Ascending = FOnlyAscending;
    // The first element has nothing before it to compare with.
    double Prev = First > 0 ? V[First - 1] : V[0];
    double Lo0 = FMinimum, Lo1 = FMinimum, Hi0 = FMaximum, Hi1 = FMaximum;
    int I = First;
    for (; I + 1 < N; I += 2) {
      const double X0 = V[I], X1 = V[I + 1];
      Lo0 = X0 < Lo0 ? X0 : Lo0;
      Lo1 = X1 < Lo1 ? X1 : Lo1;
      Hi0 = X0 > Hi0 ? X0 : Hi0;
      Hi1 = X1 > Hi1 ? X1 : Hi1;
      Ascending &= (X0 > Prev || I == 0) & (X1 > X0);
      Prev = X1;
      Sum += X0;
      Sum += X1;
    }
    if (I < N) {
      const double X = V[I];
      Lo0 = X < Lo0 ? X : Lo0;
      Hi0 = X > Hi0 ? X : Hi0;
      Ascending &= X > Prev || I == 0;
      Sum += X;
    }
    const double Lo = Lo1 < Lo0 ? Lo1 : Lo0, Hi = Hi1 > Hi0 ? Hi1 : Hi0;
    if (Lo < FMinimum) {
      int K = First;
      while (!(V[K] == Lo)) ++K;
      FMinimum = FMinimumInc = V[K];
      FMinimumIdx = FMinimumIdxInc = K;
    }
    if (Hi > FMaximum) {
      int K = First;
      while (!(V[K] == Hi)) ++K;
      FMaximum = FMaximumInc = V[K];
      FMaximumIdx = FMaximumIdxInc = K;
    }
    FSum = FSumInc = Sum;
    FOnlyAscending = Ascending;
    FLastCountedValue = N - 1;
  } else {
    int Prev = FLastCountedValue;
    for (int I = FLastCount; I < N; ++I) {
      const double X = V[I];
      if (X < FMinimumInc) {
        FMinimumInc = X;
        FMinimumIdxInc = I;
      }
      if (X > FMaximumInc) {
        FMaximumInc = X;
        FMaximumIdxInc = I;
      }
      FSumInc += X;
      if (FOutlierSet.count(I)) continue;
      if (X < FMinimum) {
        FMinimum = X;
        FMinimumIdx = I;
      }
      if (X > FMaximum) {
        FMaximum = X;
        FMaximumIdx = I;
      }
      if (Prev >= 0) FOnlyAscending = FOnlyAscending && X > V[Prev];
      FSum += X;
      Prev = I;
    }
    FLastCountedValue = Prev;
  }
  FLastCount = N;
}

double TGvCustomDoubleVector::GetMinimum() const
{
  Refresh();
  return FMinimum;
}

double TGvCustomDoubleVector::GetMaximum() const
{
  Refresh();
  return FMaximum;
}

double TGvCustomDoubleVector::GetMinimumIncludingOutliers() const
{
  Refresh();
  return FMinimumInc;
}

double TGvCustomDoubleVector::GetMaximumIncludingOutliers() const
{
  Refresh();
  return FMaximumInc;
}

int TGvCustomDoubleVector::GetMinimumIdx() const
{
  Refresh();
  return FMinimumIdx;
}

int TGvCustomDoubleVector::GetMaximumIdx() const
{
  Refresh();
  return FMaximumIdx;
}

int TGvCustomDoubleVector::GetMinimumIdxIncludingOutliers() const
{
  Refresh();
  return FMinimumIdxInc;
}

int TGvCustomDoubleVector::GetMaximumIdxIncludingOutliers() const
{
  Refresh();
  return FMaximumIdxInc;
}

bool TGvCustomDoubleVector::GetOnlyAscending() const
{
  Refresh();
  return FOnlyAscending;
}

double TGvCustomDoubleVector::GetSum() const
{
  Refresh();
  return FSum;
}

double TGvCustomDoubleVector::GetSumIncludingOutliers() const
{
  Refresh();
  return FSumInc;
}

// ---- Outliers -------------------------------------------------------------

void TGvCustomDoubleVector::RebuildOutlierSet()
{
  FOutlierSet.clear();
  for (int32_t O : FOutliers) FOutlierSet.insert(O);
}

void TGvCustomDoubleVector::DropOutliers()
{
  FOutliers.Clear();
  FOutlierSet.clear();
}

void TGvCustomDoubleVector::AddOutlier(int Idx)
{
  if (Idx < 0) throw EGvRangeError::Index(Idx);
  if (!FOutlierSet.insert(Idx).second) return;
  FOutliers.Add(Idx);
  OutOfRange();
}

void TGvCustomDoubleVector::RemoveOutlier(int Idx)
{
  if (FOutlierSet.erase(Idx) == 0) return;
  TGvIntegerVector Kept(FOutliers.Increment());
  for (int32_t O : FOutliers)
    if (O != Idx) Kept.Add(O);
  FOutliers = Kept;
  OutOfRange();
}

void TGvCustomDoubleVector::SetOutlier(int Idx, bool Value)
{
  if (Value)
    AddOutlier(Idx);
  else
    RemoveOutlier(Idx);
}

void TGvCustomDoubleVector::ClearOutlieres()
{
  if (!AnyOutliers()) return;
  DropOutliers();
  OutOfRange();
}

void TGvCustomDoubleVector::ReplaceContent(std::span<const double> Values,
                                           const std::vector<int32_t>& Outliers)
{
  FValues.assign(Values.data(), Values.size());
  ReplaceOutliers(Outliers);
}

void TGvCustomDoubleVector::ReplaceContent(TGvDoubleStore&& Values,
                                           const std::vector<int32_t>& Outliers)
{
  FValues.swap(Values);
  ReplaceOutliers(Outliers);
}

void TGvCustomDoubleVector::ReplaceOutliers(const std::vector<int32_t>& Outliers)
{
  DropOutliers();
  for (int32_t O : Outliers)
    if (FOutlierSet.insert(O).second) FOutliers.Add(O);
}

// ---- Notifications --------------------------------------------------------

void TGvCustomDoubleVector::ResetRanges()
{
  FLastCount = 0;
  FMinimum = FMinimumInc = NoMinimum;
  FMaximum = FMaximumInc = NoMaximum;
  FMinimumIdx = FMaximumIdx = FMinimumIdxInc = FMaximumIdxInc = -1;
  FSum = FSumInc = 0;
  FOnlyAscending = true;
  FLastCountedValue = -1;
}

void TGvCustomDoubleVector::OutOfRange()
{
  ResetRanges();
  ResetRelatedSeries();
}

void TGvCustomDoubleVector::ResetRelatedSeries()
{
  ForEachRelated([](TGvVectorClient& C) {
    if (C.IsSeries())
      C.SetLastCount(0);
    else
      C.Modified();
  });
}

void TGvCustomDoubleVector::InvalidateRelatedSeries()
{
  ForEachRelated([](TGvVectorClient& C) {
    if (!C.IsSeries())
      C.Modified();
    else if (C.IsFunctionSeries())
      C.SetLastCount(0);
    else
      C.PointsModified();
  });
}

void TGvCustomDoubleVector::AppendedRelatedSeries(int OldCount)
{
  ForEachRelated([this, OldCount](TGvVectorClient& C) {
    if (!C.IsSeries())
      C.Modified();
    else if (C.IsFunctionSeries())
      C.SetLastCount(0);
    else
      C.ValuesAppended(this, OldCount);
  });
}

// ---- Double vector: bulk operations ---------------------------------------

TGvDoubleVector::TGvDoubleVector(QObject* Owner)
    : TGvCustomDoubleVector(Owner),
      FLink(
          this, [this] { DBChanged(FLink.DataSource()); }, [this] { OnSourceLost(); })
{
}

TGvDoubleVector::~TGvDoubleVector()
{
  BeginDestroy();
}

void TGvDoubleVector::SetPersistentValues(bool Value)
{
  if (Value == FPersistentValues) return;
  RecordUndo(this, "PersistentValues", QStringLiteral("Vector persistent values"));
  FPersistentValues = Value;
  Modified();
}

void TGvDoubleVector::AddRange(std::initializer_list<double> Values)
{
  AddRange(std::span<const double>(Values.begin(), Values.size()));
}

void TGvDoubleVector::AddRange(std::span<const double> Values)
{
  if (Values.empty()) return;
  const int OldCount = Count();
  AppendValues(Values.data(), qsizetype(Values.size()));
  AppendedRelatedSeries(OldCount);
}

template <class T> static std::vector<double> ToDoubles(std::span<const T> Values)
{
  return std::vector<double>(Values.begin(), Values.end());
}

void TGvDoubleVector::AddRange(std::span<const float> Values)
{
  const std::vector<double> D = ToDoubles(Values);
  AddRange(std::span<const double>(D));
}

void TGvDoubleVector::AddRange(std::span<const int32_t> Values)
{
  const std::vector<double> D = ToDoubles(Values);
  AddRange(std::span<const double>(D));
}

void TGvDoubleVector::SetValues(std::span<const double> Values)
{
  if (Values.size() >= size_t(INT32_MAX)) throw EGvRangeError::Index(qint64(Values.size()));
  ReplaceContent(Values, {});
  FCapacity = int(Values.size());
  OutOfRange();
}

// ---- Double vector: database binding --------------------------------------

void TGvDoubleVector::SetDataSource(TGvDataSource* Source)
{
  RecordUndo(this, "DataSource", QStringLiteral("Vector data source"));
  FLink.SetDataSource(Source);
  if (Source) {
    FBound = true;
    FReloadPending = true;
    Clear(true);
  } else {
    FBound = false;
  }
}

void TGvDoubleVector::SetDataField(const QString& Field)
{
  RecordUndo(this, "DataField", QStringLiteral("Vector data field"));
  FLink.SetFieldName(Field);
  FBound = true;
  FReloadPending = true;
  Clear(true);
}

void TGvDoubleVector::OnSourceLost()
{
  FBound = false;
}

void TGvDoubleVector::DBChanged(QObject*)
{
  if (IsDestroying() || !FBound || FReloadPending || FDBLoading || !FLink.DataSet()) return;
  FReloadPending = true;
}

// The value of a field as a double; false for a NULL and for a value that is
// not a number. Dates and times count in days (the chart engine's date-times).
static bool FieldToDouble(const QVariant& V, double& X)
{
  if (V.isNull() || !V.isValid()) return false;
  switch (V.typeId()) {
  case QMetaType::QDateTime:
    X = DateTimeFromQDateTime(V.toDateTime());
    return true;
  case QMetaType::QDate:
    X = DateTimeFromQDateTime(V.toDate().startOfDay());
    return true;
  default:
    break;
  }
  bool Ok = false;
  X = V.toDouble(&Ok);
  return Ok;
}

void TGvDoubleVector::UpdateDB()
{
  if (!FBound || !FReloadPending || FDBLoading) return;
  TGvDataSource* Source = FLink.DataSource();
  if (!Source || !FLink.DataSet()) {
    FBound = false;
    return;
  }
  // A closed dataset has no fields yet: the reload waits until it opens.
  if (!Source->Active() || Source->ControlsDisabled()) return;
  const int Field = FLink.FieldIndex();
  if (Field < 0) {
    FBound = false;
    return;
  }

  FDBLoading = true;
  struct TEnd
  {
    TGvDataSource* Source;
    bool& Loading;
    ~TEnd()
    {
      Source->EnableControls();
      Loading = false;
    }
  };
  std::vector<double> Values;
  std::vector<int32_t> Outliers;
  const int Records = Source->RecordCount();
  {
    Source->DisableControls();
    TEnd End{Source, FDBLoading};
    Values.reserve(size_t(Records));
    for (int R = 0; R < Records; ++R) {
      double X = 0;
      if (FieldToDouble(Source->FieldValue(R, Field), X)) {
        Values.push_back(X);
      } else if (R < Records - 1) {
        Outliers.push_back(int32_t(Values.size()));
        Values.push_back(0);
      }
    }
  }
  if (Records > FCapacity) FCapacity = Records;
  ReplaceContent(std::span<const double>(Values), Outliers);
  FLink.SetLastRecordCount(Records);
  FReloadPending = false;
  OutOfRange();
}

// ---- Double vector: the form property "Values" ----------------------------

QStringList TGvDoubleVector::ValuesProperty() const
{
  QStringList Items;
  if (!ValuesPropertyStored()) return Items;
  Items.reserve(StoredCount());
  for (double X : FValues) Items << DoubleToStr(X);
  return Items;
}

// A value as text: DoubleFromStr, and the texts DoubleToStr gives the values
// that are not finite ("NAN", "INF", "-INF"), so that every value written
// reads back.
static bool TextToDouble(const QString& Text, double& X)
{
  const QString T = Text.trimmed();
  try {
    X = DoubleFromStr(T);
    return true;
  } catch (const EConvertError&) {
  }
  if (T.compare(QLatin1String("NAN"), Qt::CaseInsensitive) == 0)
    X = std::numeric_limits<double>::quiet_NaN();
  else if (T.compare(QLatin1String("INF"), Qt::CaseInsensitive) == 0 ||
           T.compare(QLatin1String("+INF"), Qt::CaseInsensitive) == 0)
    X = std::numeric_limits<double>::infinity();
  else if (T.compare(QLatin1String("-INF"), Qt::CaseInsensitive) == 0)
    X = -std::numeric_limits<double>::infinity();
  else
    return false;
  return true;
}

// A "Values" item: a string read with DoubleFromStr, or a number.
static bool ItemToDouble(const QVariant& Item, double& X)
{
  switch (Item.typeId()) {
  case QMetaType::QString:
  case QMetaType::QByteArray:
  case QMetaType::QChar:
    return TextToDouble(Item.toString(), X);
  case QMetaType::Double:
  case QMetaType::Float:
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::LongLong:
  case QMetaType::ULongLong:
  case QMetaType::Short:
  case QMetaType::UShort:
    X = Item.toDouble();
    return true;
  default:
    return false;
  }
}

void TGvDoubleVector::ReadValuesProperty(const QVariantList& Items)
{
  CheckWritable();
  std::vector<double> Values(FValues.begin(), FValues.end());
  const TGvIntegerVector& Marked = this->Outliers();
  std::vector<int32_t> Outliers(Marked.Data(), Marked.Data() + Marked.Count());
  if (Values.size() + size_t(Items.size()) >= size_t(INT32_MAX))
    throw EGvReadError(QStringLiteral("Too many values"));
  for (const QVariant& Item : Items) {
    double X = 0;
    if (!ItemToDouble(Item, X)) {
      X = 0;
      Outliers.push_back(int32_t(Values.size()));
    }
    Values.push_back(X);
  }
  const int N = int(Values.size());
  if (N >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, N);
  ReplaceContent(std::span<const double>(Values), Outliers);
  OutOfRange();
}

// ---- Double vector: saved forms -------------------------------------------

// A saved vector as read, before anything of it is applied.
struct TGvDoubleVector::TForm
{
  int Increment = 0;
  int Capacity = 0;
  bool Bound = false;
  QString DataSource;
  QString DataField;
  TGvDoubleStore Values;
  std::vector<int32_t> Outliers;
};

void TGvDoubleVector::Commit(TForm& Form)
{
  const QPointer<TGvDoubleVector> Self(this);
  Clear(true);
  if (!Self) return;
  if (Form.Increment >= DefaultIncrement) FIncrement = Form.Increment;
  if (Form.Capacity > 0 && Form.Capacity != FCapacity) FCapacity = Form.Capacity;
  if (Form.Bound) {
    auto* Source = qobject_cast<TGvDataSource*>(GetComponentFromRef(Form.DataSource));
    FLink.SetFieldName(Form.DataField);
    FLink.SetDataSource(Source);
    FBound = Source != nullptr;
    FReloadPending = FBound;
    Form.Values.clear();
  }
  const int N = int(Form.Values.size());
  if (N >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, N);
  ReplaceContent(std::move(Form.Values), Form.Outliers);
  OutOfRange();
}

void TGvDoubleVector::WriteTo(const QString& FileName) const
{
  QSaveFile F(FileName);
  if (!F.open(QIODevice::WriteOnly))
    throw EGvError(QStringLiteral("Cannot create file \"%1\"").arg(FileName));
  WriteTo(static_cast<QIODevice&>(F));
  if (!F.commit()) throw EGvError(QStringLiteral("Cannot write file \"%1\"").arg(FileName));
}

void TGvDoubleVector::ReadFrom(const QString& FileName)
{
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly))
    throw EGvReadError(QStringLiteral("Cannot open file \"%1\"").arg(FileName));
  ReadFrom(static_cast<QIODevice&>(F));
}

void TGvDoubleVector::WriteTo(QIODevice& Stream) const
{
  TGvStreamWriter W(Stream);
  WriteTo(W);
}

void TGvDoubleVector::ReadFrom(QIODevice& Stream)
{
  TGvStreamReader R(Stream);
  ReadFrom(R);
}

void TGvDoubleVector::WriteTo(TGvStreamWriter& W) const
{
  W.WriteString(GetComponentRef(this));
  W.WriteInt32(FIncrement);
  W.WriteInt32(FCapacity);
  W.WriteBool(FBound);
  if (FBound) {
    W.WriteString(DataSource() ? GetComponentRef(DataSource()) : QString());
    W.WriteString(DataField());
  } else {
    W.WriteInt32(StoredCount());
    W.WriteDoubles(FValues.data(), StoredCount());
  }
  W.WriteBool(AnyOutliers());
  if (AnyOutliers()) {
    W.WriteInt32(Outliers().Count());
    for (int32_t O : Outliers()) W.WriteInt32(O);
  }
  W.WriteByte(0);
}

static EGvReadError BadOutlier(qint64 Idx)
{
  return EGvReadError(QStringLiteral("Invalid outlier index %1").arg(Idx));
}

void TGvDoubleVector::ReadFrom(TGvStreamReader& R)
{
  CheckWritable();
  TForm Form;
  R.ReadString(); // the saved reference: the reader found this vector by it
  Form.Increment = R.ReadInt32();
  Form.Capacity = R.ReadInt32();
  Form.Bound = R.ReadBool();
  if (Form.Bound) {
    Form.DataSource = R.ReadString();
    Form.DataField = R.ReadString();
  } else {
    const int32_t N = R.ReadCount(8);
    R.ReadDoubles(N, Form.Values);
  }
  if (R.ReadBool()) {
    const int32_t N = R.ReadCount(4);
    for (int32_t K = 0; K < N; ++K) {
      const int32_t O = R.ReadInt32();
      if (O < 0) throw BadOutlier(O);
      Form.Outliers.push_back(O);
    }
  }
  R.ReadByte(); // end of the vector
  Commit(Form);
}

void TGvDoubleVector::WriteTo(QDomElement& Node) const
{
  QDomDocument Doc = Node.ownerDocument();
  QDomElement E = Doc.createElement(QStringLiteral("TGvDoubleVector"));
  E.setAttribute(QStringLiteral("Name"), GetComponentRef(this));
  E.setAttribute(QStringLiteral("Increment"), FIncrement);
  E.setAttribute(QStringLiteral("Capacity"), FCapacity);
  if (FBound) {
    QDomElement D = Doc.createElement(QStringLiteral("Database"));
    D.setAttribute(QStringLiteral("DataSource"),
                   DataSource() ? GetComponentRef(DataSource()) : QString());
    D.setAttribute(QStringLiteral("DataField"), DataField());
    E.appendChild(D);
  } else {
    QDomElement V = Doc.createElement(QStringLiteral("Values"));
    V.setAttribute(QStringLiteral("Count"), StoredCount());
    for (double X : FValues) {
      QDomElement Item = Doc.createElement(QStringLiteral("Item"));
      Item.appendChild(Doc.createTextNode(GvFloatToText(X)));
      V.appendChild(Item);
    }
    E.appendChild(V);
  }
  if (AnyOutliers()) {
    QDomElement O = Doc.createElement(QStringLiteral("Outliers"));
    O.setAttribute(QStringLiteral("Count"), Outliers().Count());
    for (int32_t Idx : Outliers()) {
      QDomElement Item = Doc.createElement(QStringLiteral("Item"));
      Item.appendChild(Doc.createTextNode(QString::number(Idx)));
      O.appendChild(Item);
    }
    E.appendChild(O);
  }
  Node.appendChild(E);
}

// An integer attribute; Default when it is missing; raises when it is there
// but no integer.
static int IntAttribute(const QDomElement& E, const QString& Name, int Default)
{
  if (!E.hasAttribute(Name)) return Default;
  bool Ok = false;
  const int V = E.attribute(Name).trimmed().toInt(&Ok);
  if (!Ok)
    throw EGvReadError(
        QStringLiteral("Invalid value \"%1\" of attribute %2").arg(E.attribute(Name), Name));
  return V;
}

static double ReadDoubleText(const QString& Text)
{
  double X = 0;
  if (!GvTextToFloat(Text, X))
    throw EGvReadError(QStringLiteral("Invalid vector value \"%1\"").arg(Text.left(64)));
  return X;
}

static int32_t ReadOutlierText(const QString& Text)
{
  bool Ok = false;
  const int32_t V = Text.trimmed().toInt(&Ok);
  if (!Ok) throw EGvReadError(QStringLiteral("Invalid outlier index \"%1\"").arg(Text.left(64)));
  if (V < 0) throw BadOutlier(V);
  return V;
}

void TGvDoubleVector::ReadFrom(const QDomElement& Node)
{
  CheckWritable();
  if (Node.tagName() != QLatin1String("TGvDoubleVector"))
    throw EGvReadError(QStringLiteral("Element \"%1\" is not a vector").arg(Node.tagName()));
  TForm Form;
  Form.Increment = IntAttribute(Node, QStringLiteral("Increment"), FIncrement);
  Form.Capacity = IntAttribute(Node, QStringLiteral("Capacity"), FCapacity);
  const QDomElement First = Node.firstChildElement();
  if (First.tagName() == QLatin1String("Database")) {
    Form.Bound = true;
    Form.DataSource = First.attribute(QStringLiteral("DataSource"));
    Form.DataField = First.attribute(QStringLiteral("DataField"));
  } else if (First.tagName() == QLatin1String("Values")) {
    for (QDomElement I = First.firstChildElement(QStringLiteral("Item")); !I.isNull();
         I = I.nextSiblingElement(QStringLiteral("Item"))) {
      if (Form.Values.size() >= size_t(INT32_MAX - 1))
        throw EGvReadError(QStringLiteral("Too many values"));
      // The text of an item is its one text node (shared, not gathered).
      const QDomNode Text = I.firstChild();
      Form.Values.push_back(ReadDoubleText(
          Text.isText() && Text.nextSibling().isNull() ? Text.nodeValue() : I.text()));
    }
  }
  const QDomElement O = Node.firstChildElement(QStringLiteral("Outliers"));
  for (QDomElement I = O.firstChildElement(QStringLiteral("Item")); !I.isNull();
       I = I.nextSiblingElement(QStringLiteral("Item")))
    Form.Outliers.push_back(ReadOutlierText(I.text()));
  Commit(Form);
}

static const QString NoneText = QStringLiteral("None");

void TGvDoubleVector::WriteTo(TGvIniFile& Ini, const QString& Section) const
{
  Ini.WriteString(Section, QStringLiteral("Name"), GetComponentRef(this));
  Ini.WriteInteger(Section, QStringLiteral("Increment"), FIncrement);
  Ini.WriteInteger(Section, QStringLiteral("Capacity"), FCapacity);
  Ini.WriteBool(Section, QStringLiteral("FromDatabase"), FBound);
  if (FBound) {
    Ini.WriteString(Section, QStringLiteral("DataSource"),
                    EncodeForIni(DataSource() ? GetComponentRef(DataSource()) : QString()));
    Ini.WriteString(Section, QStringLiteral("DataField"), EncodeForIni(DataField()));
  } else {
    QStringList Texts;
    Texts.reserve(StoredCount());
    for (double X : FValues) Texts << GvFloatToText(X);
    Ini.WriteString(Section, QStringLiteral("Values"),
                    Texts.isEmpty() ? NoneText : Texts.join(QLatin1Char(' ')));
  }
  QStringList Marked;
  for (int32_t O : Outliers()) Marked << QString::number(O);
  Ini.WriteString(Section, QStringLiteral("Outliers"),
                  Marked.isEmpty() ? NoneText : Marked.join(QLatin1Char(' ')));
}

// The blank-separated items of an ini list; "None" (or nothing) is no item.
static QStringList IniItems(const QString& Text)
{
  const QString T = Text.trimmed();
  if (T.isEmpty() || T == NoneText) return {};
  return T.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void TGvDoubleVector::ReadFrom(const TGvIniFile& Ini, const QString& Section)
{
  CheckWritable();
  if (!Ini.SectionExists(Section))
    throw EGvReadError(QStringLiteral("Section \"%1\" not found").arg(Section));
  TForm Form;
  Form.Increment = Ini.ReadInteger(Section, QStringLiteral("Increment"), FIncrement);
  Form.Capacity = Ini.ReadInteger(Section, QStringLiteral("Capacity"), FCapacity);
  Form.Bound = Ini.ReadBool(Section, QStringLiteral("FromDatabase"), false);
  if (Form.Bound) {
    Form.DataSource =
        DecodeFomIni(Ini.ReadString(Section, QStringLiteral("DataSource"), QString()));
    Form.DataField = DecodeFomIni(Ini.ReadString(Section, QStringLiteral("DataField"), QString()));
  } else {
    const QStringList Items =
        IniItems(Ini.ReadString(Section, QStringLiteral("Values"), QString()));
    Form.Values.reserve(size_t(Items.size()));
    for (const QString& Item : Items) Form.Values.push_back(ReadDoubleText(Item));
  }
  for (const QString& Item :
       IniItems(Ini.ReadString(Section, QStringLiteral("Outliers"), QString())))
    Form.Outliers.push_back(ReadOutlierText(Item));
  Commit(Form);
}

// ---- Indexer --------------------------------------------------------------

static const QString IndexerError = QStringLiteral("TGvIndexer is not supposed to set values!");

TGvIndexer::TGvIndexer(QObject* Owner) : TGvCustomDoubleVector(Owner)
{
  FTakesValues = false;
}

void TGvIndexer::SetValue(int, double)
{
  throw EGvError(IndexerError);
}
void TGvIndexer::CheckWritable() const
{
  throw EGvError(IndexerError);
}

bool TGvIndexer::IsChanged() const
{
  return FReference && FReference->IsChanged();
}

int TGvIndexer::GetCount() const
{
  return FReference ? FReference->Count() : 0;
}

double TGvIndexer::GetValue(int I) const
{
  if (I < 0) throw EGvRangeError::Index(I);
  return FReference ? double(I) : 0.0;
}

double TGvIndexer::GetMinimum() const
{
  SetLastCountValue(GetCount());
  return 0;
}

double TGvIndexer::GetMaximum() const
{
  const int N = GetCount();
  SetLastCountValue(N);
  return std::max(N - 1, 0);
}

double TGvIndexer::GetMinimumIncludingOutliers() const
{
  return GetMinimum();
}
double TGvIndexer::GetMaximumIncludingOutliers() const
{
  return GetMaximum();
}
int TGvIndexer::GetMinimumIdx() const
{
  return GetCount() > 0 ? 0 : -1;
}
int TGvIndexer::GetMaximumIdx() const
{
  return GetCount() > 0 ? GetCount() - 1 : -1;
}
int TGvIndexer::GetMinimumIdxIncludingOutliers() const
{
  return GetMinimumIdx();
}
int TGvIndexer::GetMaximumIdxIncludingOutliers() const
{
  return GetMaximumIdx();
}
bool TGvIndexer::GetOnlyAscending() const
{
  return true;
}

double TGvIndexer::GetSum() const
{
  // (Count - 1) / 2 * Count; an empty reference gives +0, not -0.
  const int N = GetCount();
  return N > 0 ? (double(N) - 1) / 2 * double(N) : 0.0;
}

double TGvIndexer::GetSumIncludingOutliers() const
{
  return GetSum();
}
