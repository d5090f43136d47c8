// Data vectors: every value the chart engine plots or analyses lives in one.
//
//   TGvBooleanVector, TGvIntegerVector, TGvSingleVector, TGvPointVector
//                          small growable arrays used inside the engine
//                          (outlier lists, screen points and their indices)
//   TGvVectorClient        what a user of a vector's content implements (a
//                          series, or a graph that registers with a vector)
//   TGvCustomDoubleVector  a vector of doubles with running statistics,
//                          outliers and change notifications to its users
//   TGvDoubleVector        the vector placed on forms: published properties,
//                          bulk operations, a database binding, and its
//                          stream, XML and ini forms
//   TGvIndexer             a read-only vector that stands for the index of
//                          the point (0, 1, 2 ...) of a reference vector
//
// Capacity and Increment: every vector keeps the capacity it reports and
// stores in its forms (grown by Increment elements at a time), while the
// storage below grows geometrically, so that appending costs amortised O(1).
// A stored capacity is a number only: nothing is allocated for it.
//
// Indices: reading at or beyond Count, or below 0, raises EGvRangeError
// "i=%d index out of range"; writing past the end grows the vector (the gap
// reads 0), writing below 0 raises; Delete outside the elements does nothing.
#pragma once

#include "chart/GvComponent.h"
#include "chart/GvDataSource.h"
#include "chart/GvIO.h"

#include <QDomElement>
#include <QIODevice>
#include <QPointer>
#include <QStringList>
#include <QVarLengthArray>
#include <QVariantList>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <unordered_set>
#include <vector>

class TGvCustomDoubleVector;

// ---- Range-for support ----------------------------------------------------

// The end of a range-for over a vector: the loop runs while the index is below
// the vector's count at each step (so a vector that shrinks meanwhile ends the
// loop early instead of being read past its end).
struct TGvVectorEnd
{
};

template <class TVector, class T> class TGvVectorIterator
{
public:
  TGvVectorIterator(const TVector* Vector, int Index) : FVector(Vector), FIndex(Index) {}
  T operator*() const { return FVector->Value(FIndex); }
  TGvVectorIterator& operator++()
  {
    ++FIndex;
    return *this;
  }
  bool operator!=(TGvVectorEnd) const { return FIndex < FVector->Count(); }
  bool operator==(TGvVectorEnd E) const { return !(*this != E); }

private:
  const TVector* FVector;
  int FIndex;
};

// The enumerator of a vector: the index starts at -1; MoveNext advances while
// the index is below Count - 1; GetCurrent reads the element at the index.
template <class TVector, class T> class TGvVectorEnumerator
{
public:
  explicit TGvVectorEnumerator(const TVector* Vector) : FVector(Vector) {}
  bool MoveNext()
  {
    if (FIndex >= FVector->Count() - 1) return false;
    ++FIndex;
    return true;
  }
  T GetCurrent() const { return FVector->Value(FIndex); }
  T Current() const { return GetCurrent(); }

private:
  const TVector* FVector;
  int FIndex = -1;
};

// ---- The small growable arrays --------------------------------------------

// Capacity after growing for N elements: Capacity grows by Increment until it
// is at least N (at least once; it stays when N is below it). Clamped to the
// largest int.
int GvGrownCapacity(int Capacity, int Increment, qint64 N);

// The shape the four small arrays share. Value reads raise the range error;
// SetValue grows the array (CheckCount(I + 1)) and stores.
template <class T> class TGvSmallVector
{
  using TStore = std::conditional_t<std::is_same_v<T, bool>, uint8_t, T>;

public:
  static constexpr int DefaultIncrement = 128;

  TGvSmallVector() : TGvSmallVector(DefaultIncrement) {}
  // An increment of 0 or less means 128.
  explicit TGvSmallVector(int Increment)
      : FIncrement(Increment > 0 ? Increment : DefaultIncrement), FCapacity(FIncrement)
  {
    FItems.reserve(size_t(FCapacity));
  }

  int Count() const { return int(FItems.size()); }
  int Capacity() const { return FCapacity; }
  int Increment() const { return FIncrement; }

  // Grows Capacity (by Increment steps) when N is at least Capacity, and Count
  // to N when N is above it (new elements are zero); never shrinks Count.
  void CheckCount(int N)
  {
    if (N >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, N);
    if (N > Count()) FItems.resize(size_t(N));
  }

  T Value(int I) const
  {
    if (I < 0 || I >= Count()) throw EGvRangeError::Index(I);
    return T(FItems[size_t(I)]);
  }
  T operator[](int I) const { return Value(I); }
  void SetValue(int I, T V)
  {
    if (I < 0 || I == INT32_MAX) throw EGvRangeError::Index(I);
    CheckCount(I + 1);
    FItems[size_t(I)] = TStore(V);
  }
  // Returns the new Count.
  int Add(T V)
  {
    if (Count() == INT32_MAX) throw EGvRangeError::Index(INT32_MAX);
    if (Count() + 1 >= FCapacity) FCapacity = GvGrownCapacity(FCapacity, FIncrement, Count() + 1);
    FItems.push_back(TStore(V));
    return Count();
  }
  // Count 0; the capacity stays.
  void Clear() { FItems.clear(); }
  // Removes element Idx; nothing when there is no such element.
  void Delete(int Idx)
  {
    if (Idx < 0 || Idx >= Count()) return;
    FItems.erase(FItems.begin() + Idx);
  }

  const TStore* Data() const { return FItems.data(); }

  TGvVectorIterator<TGvSmallVector, T> begin() const { return {this, 0}; }
  TGvVectorEnd end() const { return {}; }

protected:
  // Count and Capacity become exactly N.
  void DoSetCount(int N)
  {
    if (N < 0) N = 0;
    if (N == Count() && N == FCapacity) return;
    FItems.resize(size_t(N));
    FCapacity = N;
  }
  void DoSetCapacity(int N) { FCapacity = N; }

  TStore& Item(int I) { return FItems[size_t(I)]; }
  const TStore& Item(int I) const { return FItems[size_t(I)]; }

  int FIncrement;
  int FCapacity;
  std::vector<TStore> FItems;
};

class TGvBooleanVector : public TGvSmallVector<bool>
{
public:
  using TGvSmallVector::TGvSmallVector;
  void SetCount(int N) { DoSetCount(N); }
};

class TGvIntegerVector : public TGvSmallVector<int32_t>
{
public:
  using TGvSmallVector::TGvSmallVector;
  void SetCount(int N) { DoSetCount(N); }
  // Takes effect only when N is not below Capacity.
  void SetCapacity(int N)
  {
    if (N >= FCapacity) DoSetCapacity(N);
  }
};

class TGvSingleVector : public TGvSmallVector<float>
{
public:
  using TGvSmallVector::TGvSmallVector;
  void SetCount(int N) { DoSetCount(N); }
  // Takes effect only when N is above Capacity.
  void SetCapacity(int N)
  {
    if (N > FCapacity) DoSetCapacity(N);
  }
};

// A point in screen (world) coordinates.
struct TGvPoint
{
  float X = 0;
  float Y = 0;
  friend bool operator==(const TGvPoint&, const TGvPoint&) = default;
};

class TGvPointVector : public TGvSmallVector<TGvPoint>
{
public:
  using TGvSmallVector::TGvSmallVector;
  // The series sets the count of its points to the points it keeps.
  void SetCount(int N) { DoSetCount(N); }
  // Takes effect only when N is not below Capacity.
  void SetCapacity(int N)
  {
    if (N >= FCapacity) DoSetCapacity(N);
  }
  float GetX(int I) const { return Value(I).X; }
  float GetY(int I) const { return Value(I).Y; }
  void SetX(int I, float X);
  void SetY(int I, float Y);

  using TEnumerator = TGvVectorEnumerator<TGvPointVector, TGvPoint>;
  TEnumerator GetEnumerator() const { return TEnumerator(this); }
};

// ---- The storage of a double vector ---------------------------------------

// The values of a double vector: one block that grows geometrically by
// reallocation, so that a long vector moves to its larger block without
// copying where the platform can remap whole pages (as it does with large
// blocks), and the pages already written are not touched again. The subset
// of std::vector<double> that the vector needs; indices are not checked.
class TGvDoubleStore
{
public:
  TGvDoubleStore() = default;
  ~TGvDoubleStore();
  TGvDoubleStore(const TGvDoubleStore&) = delete;
  TGvDoubleStore& operator=(const TGvDoubleStore&) = delete;

  std::size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  std::size_t capacity() const { return FCapacity; }
  double* data() { return FData; }
  const double* data() const { return FData; }
  double& operator[](std::size_t I) { return FData[I]; }
  double operator[](std::size_t I) const { return FData[I]; }
  double* begin() { return FData; }
  double* end() { return FData + FSize; }
  const double* begin() const { return FData; }
  const double* end() const { return FData + FSize; }
  operator std::span<const double>() const { return {FData, FSize}; }

  void push_back(double X)
  {
    if (FSize == FCapacity) Grow(FSize + 1);
    FData[FSize++] = X;
  }
  void reserve(std::size_t N)
  {
    if (N > FCapacity) Reallocate(N);
  }
  // New elements are 0.
  void resize(std::size_t N);
  void clear() { FSize = 0; }
  void append(const double* Values, std::size_t N);
  // The content becomes Values[0 .. N-1].
  void assign(const double* Values, std::size_t N);
  void insert(std::size_t Pos, double X);
  void erase(std::size_t Pos);
  void swap(TGvDoubleStore& Other) noexcept
  {
    std::swap(FData, Other.FData);
    std::swap(FSize, Other.FSize);
    std::swap(FCapacity, Other.FCapacity);
  }

private:
  void Grow(std::size_t AtLeast);
  void Reallocate(std::size_t Capacity);

  double* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
};

// Appends N doubles to Values (TGvStreamReader::ReadDoubles).
inline void GvAppendDoubles(TGvDoubleStore& Values, const double* From, std::size_t N)
{
  Values.append(From, N);
}

// ---- The users of a vector ------------------------------------------------

// What a vector tells the objects that use its content (its related objects).
// A series implements the series calls and says that it is one; a graph that
// registers with a vector implements Modified. Every call has a default that
// does nothing, so each kind implements only what it needs.
//
// Registration: a series calls Vector->AddRelatedObject(this) for every role
// in which it takes the vector (X data, Y data, weight, error or OHLC data) and
// RemoveRelatedObject(this) when it lets go of that role. A vector counts the
// roles: an object stays related while it uses the vector in at least one
// role, and is told once per event however many roles it holds.
//
// Lifetime: the object leaves every vector when it is destroyed (this class'
// destructor), and a vector that is destroyed leaves its users' lists. The
// vector does not call anything on its users when it goes: a series learns of
// that through the vector's destroyed() signal (or a QPointer) as of any other
// component. A class deriving from this and from a QObject should list this
// base after the QObject one, or call LeaveRelatedVectors() first in its
// destructor, so that it is never told of anything while half destroyed.
//
// Notifications iterate over a snapshot of the users: a user may change the
// vector, register or unregister users, or destroy a user (itself included)
// or the vector during a call; users that left meanwhile are skipped, and a
// vector destroyed meanwhile tells nobody more.
//
// Note for a class that also derives from TGvComponent: both bases declare
// Modified(); override it once (the vector never calls it on a series).
class TGvVectorClient
{
public:
  TGvVectorClient() = default;
  TGvVectorClient(const TGvVectorClient&) = delete;
  TGvVectorClient& operator=(const TGvVectorClient&) = delete;
  virtual ~TGvVectorClient();

  // Whether this object is a series (it then gets the series calls below), and
  // whether it is a function series (it then recalculates on every change).
  virtual bool IsSeries() const { return false; }
  virtual bool IsFunctionSeries() const { return false; }
  // Whether Vector is this series' Y data: only then does it get the linked
  // marker calls.
  virtual bool IsYData(const TGvCustomDoubleVector* Vector) const { return false; }

  // The series calls.
  // Lowers the series' count of values already taken into its range (0:
  // recalculate from scratch).
  virtual void SetLastCount(int Value) {}
  // Values changed: the screen points need computing again.
  virtual void PointsModified() {}
  // Values were appended from OldCount on and nothing before it changed, so
  // what the series converted of the elements before OldCount stays valid.
  // The default takes it as any change of values.
  virtual void ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount)
  {
    PointsModified();
  }
  // The vector was emptied: the range starts again.
  virtual void RangesModified() {}
  virtual void ClearLinkedMarkers() {}
  // Element Idx was deleted (markers on it go, markers after it move down one
  // place).
  virtual void DeleteLinkedMarkers(int Idx) {}
  // An element was inserted at Idx (markers at or after it move up one place).
  virtual void ValueInsertedLinkedMarkers(int Idx) {}

  // The call on a related object that is not a series (a graph).
  virtual void Modified() {}

  // Leaves every vector this object is related to.
  void LeaveRelatedVectors();
  // The vectors this object is related to, each once.
  const std::vector<TGvCustomDoubleVector*>& RelatedVectors() const { return FRelatedVectors; }

private:
  friend class TGvCustomDoubleVector;
  std::vector<TGvCustomDoubleVector*> FRelatedVectors;
};

// ---- The double vector ----------------------------------------------------

class TGvCustomDoubleVector : public TGvComponent
{
  Q_OBJECT

public:
  static constexpr int DefaultIncrement = 128;

  explicit TGvCustomDoubleVector(QObject* Owner = nullptr);
  ~TGvCustomDoubleVector() override;

  int Count() const { return GetCount(); }
  double Value(int I) const { return GetValue(I); }
  double operator[](int I) const { return GetValue(I); }
  // Stores X at I. Writing past the end grows the vector; an element that is
  // set to the value it holds changes nothing and tells nobody.
  virtual void SetValue(int I, double X);

  int Capacity() const { return FCapacity; }
  // Takes effect only when Value is above Count and differs from Capacity.
  void SetCapacity(int Value);
  int Increment() const { return FIncrement; }
  // Values below 128 are ignored.
  void SetIncrement(int Value);
  // Grows Capacity when N is at least Capacity, and Count to N when N is above
  // it (new elements are 0).
  void CheckCount(int N);

  // The values in storage (none for a TGvIndexer, which stores nothing).
  std::span<const double> StoredValues() const { return FValues; }

  // Appends X; returns the new Count. As SetValue(Count, X), with the common
  // case inline: room below Capacity and nobody to tell (a class whose
  // SetValue takes no values clears FTakesValues, so that every Add goes
  // through its SetValue).
  int Add(double X)
  {
    const std::size_t N = FValues.size();
    if (FTakesValues && N + 1 < std::size_t(FCapacity) && FRelated.empty()) {
      FValues.push_back(X);
      return int(N) + 1;
    }
    return AddThroughSetValue(X);
  }
  // Inserts X before element Idx (Idx = Count appends); returns the new Count.
  int Insert(int Idx, double X);
  void Delete(int Idx, bool WithLinkedMarkers);
  void Clear(bool WithLinkedMarkers);

  // ---- Statistics (updated for appended values on the first query) ----
  // Without outliers:
  double Minimum() const { return GetMinimum(); }
  double Maximum() const { return GetMaximum(); }
  int MinimumIdx() const { return GetMinimumIdx(); }
  int MaximumIdx() const { return GetMaximumIdx(); }
  double Sum() const { return GetSum(); }
  // Every non-outlier value is strictly greater than the one before it.
  bool OnlyAscending() const { return GetOnlyAscending(); }
  // With outliers:
  double MinimumIncludingOutliers() const { return GetMinimumIncludingOutliers(); }
  double MaximumIncludingOutliers() const { return GetMaximumIncludingOutliers(); }
  int MinimumIdxIncludingOutliers() const { return GetMinimumIdxIncludingOutliers(); }
  int MaximumIdxIncludingOutliers() const { return GetMaximumIdxIncludingOutliers(); }
  double SumIncludingOutliers() const { return GetSumIncludingOutliers(); }
  // The number of leading elements already taken into the statistics.
  int LastCount() const { return FLastCount; }
  // Elements were appended since the statistics were last brought up to date.
  virtual bool IsChanged() const { return FLastCount < GetCount(); }

  // ---- Outliers: elements left out of the statistics and calculations ----
  bool AnyOutliers() const { return FOutliers.Count() > 0; }
  bool IsOutlier(int Idx) const { return AnyOutliers() && FOutlierSet.count(Idx) != 0; }
  // Negative indices raise the range error.
  void AddOutlier(int Idx);
  void RemoveOutlier(int Idx);
  void SetOutlier(int Idx, bool Value);
  void ClearOutlieres();
  // The outlier indices in the order they were marked.
  const TGvIntegerVector& Outliers() const { return FOutliers; }

  // ---- Notifications ----
  // The statistics back to their reset state (the next query makes a full pass).
  void ResetRanges();
  // ResetRanges, then ResetRelatedSeries.
  void OutOfRange();
  // Series: SetLastCount(0); other objects: Modified.
  void ResetRelatedSeries();
  // Other objects: Modified; function series: SetLastCount(0); other series:
  // PointsModified.
  void InvalidateRelatedSeries();
  // As InvalidateRelatedSeries after values were appended from OldCount on:
  // the series that are not function series get ValuesAppended.
  void AppendedRelatedSeries(int OldCount);

  // ---- Related objects (see TGvVectorClient) ----
  void AddRelatedObject(TGvVectorClient* Client);
  void RemoveRelatedObject(TGvVectorClient* Client);
  bool IsRelatedObject(const TGvVectorClient* Client) const;
  // The related objects in the order they came, each once.
  QList<TGvVectorClient*> RelatedObjects() const;

  // ---- Enumeration ----
  using TEnumerator = TGvVectorEnumerator<TGvCustomDoubleVector, double>;
  TEnumerator GetEnumerator() const { return TEnumerator(this); }
  TGvVectorIterator<TGvCustomDoubleVector, double> begin() const { return {this, 0}; }
  TGvVectorEnd end() const { return {}; }

  // The reset values of the statistics.
  static constexpr double NoMinimum = 1.7976931348623157e308;
  static constexpr double NoMaximum = -1.7976931348623157e308;

protected:
  virtual int GetCount() const { return StoredCount(); }
  // Takes the elements from LastCount to Count - 1 into the statistics.
  virtual void CheckMinMax() const;
  virtual double GetMinimum() const;
  virtual double GetMaximum() const;
  virtual double GetMinimumIncludingOutliers() const;
  virtual double GetMaximumIncludingOutliers() const;
  virtual int GetMinimumIdx() const;
  virtual int GetMaximumIdx() const;
  virtual int GetMinimumIdxIncludingOutliers() const;
  virtual int GetMaximumIdxIncludingOutliers() const;
  virtual bool GetOnlyAscending() const;
  virtual double GetSum() const;
  virtual double GetSumIncludingOutliers() const;
  virtual double GetValue(int I) const;

  int StoredCount() const { return int(FValues.size()); }
  // Raises when the vector cannot take values (the indexer).
  virtual void CheckWritable() const {}
  void Refresh() const
  {
    if (FLastCount < StoredCount()) CheckMinMax();
  }
  // Replaces the whole content, without telling anybody; the caller ends with
  // OutOfRange.
  void ReplaceContent(std::span<const double> Values, const std::vector<int32_t>& Outliers);
  void ReplaceContent(TGvDoubleStore&& Values, const std::vector<int32_t>& Outliers);
  void ReplaceOutliers(const std::vector<int32_t>& Outliers);
  // Empties the outlier list without telling anybody.
  void DropOutliers();
  void AppendValues(const double* Values, qsizetype N);
  void SetLastCountValue(int Value) const { FLastCount = Value; }

  TGvDoubleStore FValues;
  int FCapacity = DefaultIncrement;
  int FIncrement = DefaultIncrement;
  // False for a vector that stores nothing (Add then goes through SetValue).
  bool FTakesValues = true;

private:
  struct TRelated
  {
    TGvVectorClient* Client;
    int Uses;
    quint64 Serial;
  };
  using TSnapshot = QVarLengthArray<TRelated, 8>;
  TSnapshot Snapshot() const;
  bool StillRelated(const TRelated& R) const;
  template <class F> bool ForEachRelated(F&& Call);
  void ForgetClient(TGvVectorClient* Client);
  friend class TGvVectorClient;
  void RebuildOutlierSet();
  int AddThroughSetValue(double X);

  // The statistics caches (brought up to date by const queries).
  mutable int FLastCount = 0;
  mutable double FMinimum = NoMinimum, FMaximum = NoMaximum;
  mutable double FMinimumInc = NoMinimum, FMaximumInc = NoMaximum;
  mutable int FMinimumIdx = -1, FMaximumIdx = -1, FMinimumIdxInc = -1, FMaximumIdxInc = -1;
  mutable double FSum = 0, FSumInc = 0;
  mutable bool FOnlyAscending = true;
  // The nearest element below LastCount that is not an outlier (-1: none).
  mutable int FLastCountedValue = -1;

  TGvIntegerVector FOutliers;
  std::unordered_set<int32_t> FOutlierSet;

  std::vector<TRelated> FRelated;
  quint64 FNextSerial = 1;
};

// The vector that users place on forms.
class TGvDoubleVector : public TGvCustomDoubleVector
{
  Q_OBJECT
  // Whether the values are stored with the form (the form property "Values").
  Q_PROPERTY(bool PersistentValues READ PersistentValues WRITE SetPersistentValues)
  Q_PROPERTY(int Capacity READ Capacity WRITE SetCapacity)
  Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
  Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
  Q_PROPERTY(TGvDataSource* DataSource READ DataSource WRITE SetDataSource)

public:
  explicit TGvDoubleVector(QObject* Owner = nullptr);
  ~TGvDoubleVector() override;

  bool PersistentValues() const { return FPersistentValues; }
  void SetPersistentValues(bool Value);

  // Appends every value after the current ones (one growth); tells the related
  // objects as one Add does.
  void AddRange(std::initializer_list<double> Values);
  void AddRange(std::span<const double> Values);
  void AddRange(std::span<const float> Values);
  void AddRange(std::span<const int32_t> Values);
  // Replaces the whole content (Count and Capacity become the number of
  // values; the outliers are cleared) and resets the statistics.
  void SetValues(std::span<const double> Values);

  // ---- Database binding ----
  TGvDataSource* DataSource() const { return FLink.DataSource(); }
  void SetDataSource(TGvDataSource* Source);
  QString DataField() const { return FLink.FieldName(); }
  void SetDataField(const QString& Field);
  // Bound: a data source or field was set and not found missing since.
  bool IsBound() const { return FBound; }
  bool IsReloadPending() const { return FReloadPending; }
  // Reloads the values from the field when a reload is pending (called by the
  // users of the values before they read them). A NULL, or a value that is not
  // a number, becomes 0 marked as outlier, except in the last record, where it
  // is dropped. Without a data source or field the vector is no longer bound.
  void UpdateDB();
  // The data behind the field may have changed: a reload becomes pending.
  void DBChanged(QObject* Sender = nullptr);
  const TGvListLink& Link() const { return FLink; }

  // ---- The form property "Values" (DoubleToStr texts, one per element) ----
  // Stored only when PersistentValues is set and the vector has values.
  bool ValuesPropertyStored() const { return FPersistentValues && Count() > 0; }
  QStringList ValuesProperty() const;
  // Appends each item: a string (DoubleFromStr) or a number. An item that
  // cannot be read keeps its place as 0 marked as outlier. Ends with one
  // OutOfRange.
  void ReadValuesProperty(const QVariantList& Items);

  // ---- Stream, XML and ini forms ----
  // Reading checks the whole form first: a form that cannot be read raises
  // EGvReadError and leaves the vector as it was. Every reading ends with one
  // OutOfRange.
  void WriteTo(const QString& FileName) const;
  void ReadFrom(const QString& FileName);
  void WriteTo(QIODevice& Stream) const;
  void ReadFrom(QIODevice& Stream);
  void WriteTo(TGvStreamWriter& W) const;
  void ReadFrom(TGvStreamReader& R);
  // Adds a child "TGvDoubleVector" to Node.
  void WriteTo(QDomElement& Node) const;
  // Reads a "TGvDoubleVector" element written by WriteTo.
  void ReadFrom(const QDomElement& Node);
  void WriteTo(TGvIniFile& Ini, const QString& Section) const;
  void ReadFrom(const TGvIniFile& Ini, const QString& Section);

private:
  struct TForm;
  void Commit(TForm& Form);
  void OnSourceLost();

  bool FPersistentValues = false;
  TGvListLink FLink;
  bool FBound = false;
  bool FReloadPending = false;
  bool FDBLoading = false;
};

// A read-only vector that stands for the point index of its reference vector:
// Count is the reference's count, Value[i] = i.
class TGvIndexer : public TGvCustomDoubleVector
{
  Q_OBJECT

public:
  explicit TGvIndexer(QObject* Owner = nullptr);

  TGvCustomDoubleVector* ReferenceVector() const { return FReference.data(); }
  void SetReferenceVector(TGvCustomDoubleVector* Vector) { FReference = Vector; }

  // Raises EGvError "TGvIndexer is not supposed to set values!".
  void SetValue(int I, double X) override;
  bool IsChanged() const override;

protected:
  int GetCount() const override;
  double GetMinimum() const override;
  double GetMaximum() const override;
  double GetMinimumIncludingOutliers() const override;
  double GetMaximumIncludingOutliers() const override;
  int GetMinimumIdx() const override;
  int GetMaximumIdx() const override;
  int GetMinimumIdxIncludingOutliers() const override;
  int GetMaximumIdxIncludingOutliers() const override;
  bool GetOnlyAscending() const override;
  double GetSum() const override;
  double GetSumIncludingOutliers() const override;
  double GetValue(int I) const override;
  void CheckWritable() const override;

private:
  QPointer<TGvCustomDoubleVector> FReference;
};
