#include "chart/GvUndoStack.h"

#include "chart/GvVectors.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QLineEdit>
#include <QMetaProperty>
#include <QTemporaryFile>
#include <algorithm>
#include <cstring>

namespace {

// The value kinds of a recorded property, written before the value.
enum TValueKind : uint8_t
{
  KBool = 1,
  KInt,  // signed integers, as int64
  KUInt, // unsigned integers, as uint64
  KFloat32,
  KFloat64,
  KString,
  KBytes,
  KStringList,
  KObject,  // a reference (or null)
  KEnum,    // enumerations and sets: their size, then the bits
  KList,    // a one-dimensional list of scalars
  KVariant, // anything else, through QDataStream
};

// The kinds of a list item.
enum TItemKind : uint8_t
{
  IBool = 1,
  IInt,
  IFloat64,
  IString,
};

// The forms a component's state is stored in.
enum TStateKind : uint8_t
{
  SProperties = 0,
  SVector = 1,
};

constexpr int MaxNesting = 4; // owned settings inside owned settings ...

TValueKind KindOf(const QMetaProperty& P)
{
  const QMetaType MT = P.metaType();
  if (P.isEnumType() || P.isFlagType() || (MT.flags() & QMetaType::IsEnumeration)) return KEnum;
  if (MT.flags() & QMetaType::PointerToQObject) return KObject;
  switch (MT.id()) {
  case QMetaType::Bool:
    return KBool;
  case QMetaType::Int:
  case QMetaType::Short:
  case QMetaType::Char:
  case QMetaType::SChar:
  case QMetaType::Long:
  case QMetaType::LongLong:
    return KInt;
  case QMetaType::UInt:
  case QMetaType::UShort:
  case QMetaType::UChar:
  case QMetaType::ULong:
  case QMetaType::ULongLong:
  case QMetaType::Char16:
  case QMetaType::Char32:
    return KUInt;
  case QMetaType::Float:
    return KFloat32;
  case QMetaType::Double:
    return KFloat64;
  case QMetaType::QString:
    return KString;
  case QMetaType::QByteArray:
    return KBytes;
  case QMetaType::QStringList:
    return KStringList;
  case QMetaType::QVariantList:
    return KList;
  default:
    return KVariant;
  }
}

EGvReadError BadEntry(const QString& What)
{
  return EGvReadError(QStringLiteral("Invalid undo entry: %1").arg(What));
}

void WriteBytes(TGvStreamWriter& W, const QByteArray& B)
{
  W.WriteInt32(int32_t(B.size()));
  W.WriteBytes(B.constData(), B.size());
}

QByteArray ReadBytes(TGvStreamReader& R)
{
  const int32_t N = R.ReadCount(1);
  QByteArray B;
  constexpr int32_t Piece = 1 << 16;
  for (int32_t Left = N; Left > 0;) {
    const int32_t K = std::min(Left, Piece);
    const qsizetype Old = B.size();
    B.resize(Old + K);
    R.ReadBytes(B.data() + Old, K);
    Left -= K;
  }
  return B;
}

void WriteItem(TGvStreamWriter& W, const QVariant& V)
{
  switch (V.typeId()) {
  case QMetaType::Bool:
    W.WriteByte(IBool);
    W.WriteBool(V.toBool());
    return;
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::LongLong:
  case QMetaType::Short:
  case QMetaType::UShort:
  case QMetaType::Char:
  case QMetaType::SChar:
  case QMetaType::UChar:
    W.WriteByte(IInt);
    W.WriteInt64(V.toLongLong());
    return;
  case QMetaType::Float:
  case QMetaType::Double:
    W.WriteByte(IFloat64);
    W.WriteFloat64(V.toDouble());
    return;
  case QMetaType::QString:
    W.WriteByte(IString);
    W.WriteString(V.toString());
    return;
  case QMetaType::QVariantList:
  case QMetaType::QStringList:
    throw EGvError(QStringLiteral("Only one dimensional arrays suported"));
  default:
    throw EGvError(QStringLiteral("Array element of type %1 cannot be recorded")
                       .arg(QLatin1String(V.typeName())));
  }
}

QVariant ReadItem(TGvStreamReader& R)
{
  switch (R.ReadByte()) {
  case IBool:
    return R.ReadBool();
  case IInt:
    return qlonglong(R.ReadInt64());
  case IFloat64:
    return R.ReadFloat64();
  case IString:
    return R.ReadString();
  default:
    throw BadEntry(QStringLiteral("unknown array element"));
  }
}

// Passes over a value of the given kind.
void SkipValue(TGvStreamReader& R, uint8_t Kind)
{
  switch (Kind) {
  case KBool:
    R.ReadByte();
    return;
  case KInt:
  case KUInt:
  case KFloat64:
    R.ReadInt64();
    return;
  case KFloat32:
    R.ReadUInt32();
    return;
  case KString:
    R.ReadString();
    return;
  case KBytes:
  case KVariant:
    ReadBytes(R);
    return;
  case KStringList: {
    const int32_t N = R.ReadCount(4);
    for (int32_t I = 0; I < N; ++I) R.ReadString();
    return;
  }
  case KObject:
    if (R.ReadBool()) {
      R.ReadString();
      R.ReadUInt32();
    }
    return;
  case KEnum:
    R.ReadByte();
    R.ReadInt64();
    return;
  case KList: {
    const int32_t N = R.ReadCount(2);
    for (int32_t I = 0; I < N; ++I) ReadItem(R);
    return;
  }
  default:
    throw BadEntry(QStringLiteral("unknown value kind %1").arg(Kind));
  }
}

// The stored, writable properties of an object that make up its state.
std::vector<QMetaProperty> StateProperties(const QObject* O)
{
  std::vector<QMetaProperty> Props;
  const QMetaObject* M = O->metaObject();
  for (int I = 0; I < M->propertyCount(); ++I) {
    const QMetaProperty P = M->property(I);
    if (qstrcmp(P.name(), "objectName") == 0) continue;
    if (P.isReadable() && P.isWritable() && P.isStored()) Props.push_back(P);
  }
  return Props;
}

// A read-only view of [Start, Start + Size) of a file.
class TSegmentDevice : public QIODevice
{
public:
  TSegmentDevice(QFileDevice& File, qint64 Start, qint64 Size)
      : FFile(File), FStart(Start), FSize(Size)
  {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return false; }
  qint64 size() const override { return FSize; }

protected:
  qint64 readData(char* Data, qint64 Max) override
  {
    const qint64 N = std::min(Max, FSize - pos());
    if (N <= 0) return 0;
    if (!FFile.seek(FStart + pos())) return -1;
    return FFile.read(Data, N);
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  QFileDevice& FFile;
  qint64 FStart, FSize;
};

// Sets the restoring flag for the life of the scope.
class TRestoring
{
public:
  explicit TRestoring(bool& Flag) : FFlag(Flag), FWas(Flag) { Flag = true; }
  ~TRestoring() { FFlag = FWas; }

private:
  bool& FFlag;
  bool FWas;
};

QString TemporaryTemplate()
{
  QString Base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  if (Base.isEmpty()) Base = QStringLiteral("Verdane");
  return GetTemporaryPath() + QLatin1Char('/') + Base + QStringLiteral(".GvUndoStack.XXXXXX");
}

} // namespace

// ---- Identities -----------------------------------------------------------

uint32_t TGvObjectIdentities::IdOf(QObject* Object)
{
  if (!Object) return 0;
  auto It = FByObject.find(Object);
  if (It != FByObject.end()) {
    auto J = FById.find(It->second);
    if (J != FById.end() && J->second.data() == Object) return It->second;
    // A stale entry: the address now belongs to another object.
    if (J != FById.end()) FById.erase(J);
    FByObject.erase(It);
  }
  uint32_t Id;
  do {
    Id = FNext++;
    if (FNext == 0) FNext = 1;
  } while (Id == 0 || FById.count(Id) != 0);
  FById.emplace(Id, QPointer<QObject>(Object));
  FByObject.emplace(Object, Id);
  QObject::connect(Object, &QObject::destroyed, FContext, [this, Object, Id] {
    auto It = FByObject.find(Object);
    if (It != FByObject.end() && It->second == Id) FByObject.erase(It);
    FById.erase(Id);
    FFreeable.erase(Id);
  });
  return Id;
}

QObject* TGvObjectIdentities::Find(uint32_t Id) const
{
  auto It = FById.find(Id);
  return It == FById.end() ? nullptr : It->second.data();
}

bool TGvObjectIdentities::Freeable(QObject* Object) const
{
  auto It = FByObject.find(Object);
  if (It == FByObject.end()) return false;
  auto J = FById.find(It->second);
  return J != FById.end() && J->second.data() == Object && FFreeable.count(It->second) != 0;
}

void TGvObjectIdentities::Clear()
{
  FById.clear();
  FByObject.clear();
  FFreeable.clear();
}

// ---- Comment lists --------------------------------------------------------

int TGvUndoCommentList::Count() const
{
  return FRedo ? FStack->RedoCount() : FStack->CurrentGroup() + 1;
}

QString TGvUndoCommentList::Strings(int I) const
{
  if (I < 0 || I >= Count()) throw EGvRangeError::Index(I);
  return FRedo ? FStack->RedoComment(FStack->RedoCount() - 1 - I)
               : FStack->UndoComment(FStack->CurrentGroup() - I);
}

QStringList TGvUndoCommentList::ToStringList() const
{
  QStringList L;
  for (int I = 0; I < Count(); ++I) L << Strings(I);
  return L;
}

// ---- The stack ------------------------------------------------------------

TGvUndoStack::TGvUndoStack(QObject* Owner)
    : TGvUndoStackBase(Owner), FIds(this), FUndoList(this, false), FRedoList(this, true)
{
}

TGvUndoStack::~TGvUndoStack() = default;

void TGvUndoStack::SetToMemoryStream(bool Value)
{
  if (Value == FToMemoryStream) return;
  Clear();
  FToMemoryStream = Value;
}

void TGvUndoStack::Clear()
{
  FGroups.clear();
  FCurrent = 0;
  FLevel = 0;
  FRedoHeld = 0;
  for (TFileSide* S : {&FUndoFile, &FRedoFile}) {
    if (S->File) S->File->resize(0);
    S->Live = 0;
  }
  FIds.Clear();
}

void TGvUndoStack::ClearRedo()
{
  if (FCurrent < int(FGroups.size())) DropGroupsFrom(FCurrent);
}

qint64 TGvUndoStack::StoredBytes() const
{
  qint64 N = 0;
  for (const TGroup& G : FGroups) N += G.Undo.Size + (G.Redo ? G.Redo->Size : 0);
  return N;
}

qint64 TGvUndoStack::FileBytes() const
{
  qint64 N = 0;
  for (const TFileSide* S : {&FUndoFile, &FRedoFile})
    if (S->File) N += S->File->size();
  return N;
}

QStringList TGvUndoStack::FileNames() const
{
  QStringList Names;
  for (const TFileSide* S : {&FUndoFile, &FRedoFile})
    if (S->File) Names << S->File->fileName();
  return Names;
}

QString TGvUndoStack::UndoComment(int I) const
{
  if (I < 0 || I >= int(FGroups.size())) throw EGvRangeError::Index(I);
  return FGroups[size_t(I)].Comment;
}

QString TGvUndoStack::RedoComment(int I) const
{
  if (I < 0 || I >= RedoCount()) throw EGvRangeError::Index(I);
  return FGroups[FGroups.size() - 1 - size_t(I)].Comment;
}

// ---- Storage --------------------------------------------------------------

void TGvUndoStack::EnsureFile(TFileSide& S)
{
  if (S.File) return;
  auto F = std::make_unique<QTemporaryFile>(TemporaryTemplate());
  F->setAutoRemove(true);
  if (!F->open())
    throw EGvError(QStringLiteral("Cannot create undo file: %1").arg(F->errorString()));
  S.File = std::move(F);
  S.Live = 0;
}

template <class F>
void TGvUndoStack::WriteEntry(TSegment& S, bool Redo, const QString& Comment, TGvUndoToken Token,
                              F&& Payload)
{
  if (FToMemoryStream) {
    const qsizetype Old = S.Memory.size();
    QBuffer B(&S.Memory);
    B.open(QIODevice::WriteOnly | QIODevice::Append);
    try {
      TGvStreamWriter W(B);
      W.WriteString(Comment);
      W.WriteByte(uint8_t(Token));
      Payload(W);
    } catch (...) {
      B.close();
      S.Memory.truncate(Old);
      throw;
    }
    B.close();
    S.Entries.push_back(Old);
    S.Size = S.Memory.size();
    return;
  }
  TFileSide& Sd = Side(Redo);
  EnsureFile(Sd);
  QTemporaryFile& File = *Sd.File;
  if (S.Entries.empty()) {
    S.Start = File.size();
    S.Size = 0;
  }
  const qint64 End = S.Start + S.Size;
  // A segment grows only while it is the last one of its file.
  if (End != File.size()) throw EGvError(QStringLiteral("Undo file out of order"));
  if (!File.seek(End)) throw EGvError(QStringLiteral("Stream write error"));
  try {
    TGvStreamWriter W(File);
    W.WriteString(Comment);
    W.WriteByte(uint8_t(Token));
    Payload(W);
    if (!File.flush()) throw EGvError(QStringLiteral("Stream write error"));
  } catch (...) {
    File.resize(End);
    throw;
  }
  const qint64 NewSize = File.size() - S.Start;
  Sd.Live += NewSize - S.Size;
  S.Entries.push_back(S.Size);
  S.Size = NewSize;
}

std::unique_ptr<QIODevice> TGvUndoStack::OpenSegment(const TSegment& S, bool Redo) const
{
  if (FToMemoryStream) {
    auto B = std::make_unique<QBuffer>();
    B->setData(S.Memory);
    B->open(QIODevice::ReadOnly);
    return B;
  }
  const TFileSide& Sd = Redo ? FRedoFile : FUndoFile;
  if (!Sd.File) throw EGvError(QStringLiteral("Undo file missing"));
  return std::make_unique<TSegmentDevice>(*Sd.File, S.Start, S.Size);
}

void TGvUndoStack::ForgetSegment(TSegment& S, bool Redo)
{
  if (!FToMemoryStream && !S.Entries.empty()) {
    TFileSide& Sd = Side(Redo);
    Sd.Live -= S.Size;
    if (Sd.Live <= 0 && Sd.File) {
      Sd.Live = 0;
      Sd.File->resize(0);
    }
  }
  S = TSegment();
}

void TGvUndoStack::CompactIfWorthIt(bool Redo)
{
  if (FToMemoryStream) return;
  TFileSide& Sd = Side(Redo);
  if (!Sd.File) return;
  const qint64 Dead = Sd.File->size() - Sd.Live;
  if (Dead <= std::max<qint64>(Sd.Live, 1 << 20)) return;
  // Copies the live segments, in file order, to a new file.
  std::vector<TSegment*> Live;
  for (TGroup& G : FGroups) {
    TSegment* S = Redo ? (G.Redo ? &*G.Redo : nullptr) : &G.Undo;
    if (S && !S->Entries.empty()) Live.push_back(S);
  }
  std::sort(Live.begin(), Live.end(), [](TSegment* A, TSegment* B) { return A->Start < B->Start; });
  auto F = std::make_unique<QTemporaryFile>(TemporaryTemplate());
  F->setAutoRemove(true);
  if (!F->open()) return; // the old file stays in use
  QByteArray Buf;
  std::vector<qint64> Starts;
  for (TSegment* S : Live) {
    Starts.push_back(F->pos());
    if (!Sd.File->seek(S->Start)) return;
    for (qint64 Left = S->Size; Left > 0;) {
      Buf = Sd.File->read(std::min<qint64>(Left, 1 << 20));
      if (Buf.isEmpty() || F->write(Buf) != Buf.size()) return;
      Left -= Buf.size();
    }
  }
  if (!F->flush()) return;
  for (size_t I = 0; I < Live.size(); ++I) Live[I]->Start = Starts[I];
  Sd.File = std::move(F);
}

void TGvUndoStack::DropOldest()
{
  TGroup& G = FGroups.front();
  ForgetSegment(G.Undo, false);
  if (G.Redo) {
    ForgetSegment(*G.Redo, true);
    --FRedoHeld;
  }
  FGroups.pop_front();
  if (FCurrent > 0) --FCurrent;
  CompactIfWorthIt(false);
}

void TGvUndoStack::DropGroupsFrom(int Index)
{
  while (int(FGroups.size()) > Index) {
    TGroup& G = FGroups.back();
    ForgetSegment(G.Undo, false);
    if (G.Redo) {
      ForgetSegment(*G.Redo, true);
      --FRedoHeld;
    }
    FGroups.pop_back();
  }
  FCurrent = std::min(FCurrent, int(FGroups.size()));
  if (!FToMemoryStream) {
    // The dropped groups were the last of the undo file: cut it back.
    if (FUndoFile.File) {
      const qint64 End = FGroups.empty() || FGroups.back().Undo.Entries.empty()
                             ? 0
                             : FGroups.back().Undo.Start + FGroups.back().Undo.Size;
      qint64 LastEnd = End;
      for (const TGroup& G : FGroups)
        if (!G.Undo.Entries.empty()) LastEnd = std::max(LastEnd, G.Undo.Start + G.Undo.Size);
      FUndoFile.File->resize(LastEnd);
    }
    CompactIfWorthIt(true);
  }
}

// ---- Recording ------------------------------------------------------------

TGvUndoStack::TSegment& TGvUndoStack::PreparePush(const QString& Comment)
{
  // A change after undoing forgets the undone branch and every redo entry.
  if (FCurrent < int(FGroups.size())) DropGroupsFrom(FCurrent);
  if (FRedoHeld > 0) {
    for (TGroup& G : FGroups)
      if (G.Redo) {
        ForgetSegment(*G.Redo, true);
        G.Redo.reset();
      }
    FRedoHeld = 0;
  }
  if (FLevel == 0 || FGroups.empty()) {
    FGroups.push_back(TGroup{Comment, {}, {}});
    FCurrent = int(FGroups.size());
    while (FLimit > 0 && int(FGroups.size()) > FLimit) DropOldest();
  }
  return FGroups.back().Undo;
}

void TGvUndoStack::WriteRef(TGvStreamWriter& W, QObject* Object)
{
  QString Path = GetComponentRef(Object);
  if (!Path.isEmpty() && GetComponentFromRef(Path) != Object) Path.clear();
  W.WriteString(Path);
  W.WriteUInt32(FIds.IdOf(Object));
}

QObject* TGvUndoStack::ReadRef(TGvStreamReader& R, bool& Named, QString* Path)
{
  const QString P = R.ReadString();
  const uint32_t Id = R.ReadUInt32();
  Named = !P.isEmpty();
  if (Path) *Path = P;
  if (QObject* O = Id ? FIds.Find(Id) : nullptr) return O;
  return Named ? GetComponentFromRef(P) : nullptr;
}

void TGvUndoStack::WriteValue(TGvStreamWriter& W, QObject* Instance, const QMetaProperty& P)
{
  const QVariant V = P.read(Instance);
  const TValueKind Kind = KindOf(P);
  W.WriteByte(Kind);
  switch (Kind) {
  case KBool:
    W.WriteBool(V.toBool());
    break;
  case KInt:
    W.WriteInt64(V.toLongLong());
    break;
  case KUInt:
    W.WriteInt64(int64_t(V.toULongLong()));
    break;
  case KFloat32:
    W.WriteFloat32(V.toFloat());
    break;
  case KFloat64:
    W.WriteFloat64(V.toDouble());
    break;
  case KString:
    W.WriteString(V.toString());
    break;
  case KBytes:
    WriteBytes(W, V.toByteArray());
    break;
  case KStringList: {
    const QStringList L = V.toStringList();
    W.WriteInt32(int32_t(L.size()));
    for (const QString& S : L) W.WriteString(S);
    break;
  }
  case KObject: {
    QObject* O = V.value<QObject*>();
    W.WriteBool(O != nullptr);
    if (O) WriteRef(W, O);
    break;
  }
  case KEnum: {
    const int Size = int(P.metaType().sizeOf());
    if (Size < 1 || Size > 8 || !V.isValid())
      throw EGvError(
          QStringLiteral("Property: \"%1\" cannot be recorded").arg(QLatin1String(P.name())));
    uint64_t Raw = 0;
    std::memcpy(&Raw, V.constData(), size_t(Size));
    W.WriteByte(uint8_t(Size));
    W.WriteInt64(int64_t(Raw));
    break;
  }
  case KList: {
    const QVariantList L = V.toList();
    W.WriteInt32(int32_t(L.size()));
    for (const QVariant& Item : L) WriteItem(W, Item);
    break;
  }
  case KVariant: {
    QByteArray Blob;
    QDataStream S(&Blob, QIODevice::WriteOnly);
    S << V;
    WriteBytes(W, Blob);
    break;
  }
  }
}

void TGvUndoStack::ReadValue(TGvStreamReader& R, QObject* Instance, const QMetaProperty& P)
{
  const uint8_t Kind = R.ReadByte();
  if (Kind != KindOf(P)) {
    // Recorded for another kind of property of that name: passed over.
    SkipValue(R, Kind);
    return;
  }
  const QMetaType MT = P.metaType();
  QVariant V;
  switch (Kind) {
  case KBool:
    V = R.ReadBool();
    break;
  case KInt:
    V = qlonglong(R.ReadInt64());
    break;
  case KUInt:
    V = qulonglong(R.ReadInt64());
    break;
  case KFloat32:
    V = R.ReadFloat32();
    break;
  case KFloat64:
    V = R.ReadFloat64();
    break;
  case KString:
    V = R.ReadString();
    break;
  case KBytes:
    V = ReadBytes(R);
    break;
  case KStringList: {
    const int32_t N = R.ReadCount(4);
    QStringList L;
    for (int32_t I = 0; I < N; ++I) L << R.ReadString();
    V = L;
    break;
  }
  case KObject: {
    QObject* O = nullptr;
    if (R.ReadBool()) {
      bool Named = false;
      O = ReadRef(R, Named);
      // The object it named is gone, or is not of the property's class.
      if (!O || !MT.metaObject() || !O->metaObject()->inherits(MT.metaObject())) return;
    }
    V = QVariant(MT, &O);
    break;
  }
  case KEnum: {
    const int Size = R.ReadByte();
    const uint64_t Raw = uint64_t(R.ReadInt64());
    if (Size != int(MT.sizeOf()) || Size < 1 || Size > 8) return;
    unsigned char Buf[8] = {};
    std::memcpy(Buf, &Raw, size_t(Size));
    V = QVariant(MT, Buf);
    break;
  }
  case KList: {
    const int32_t N = R.ReadCount(2);
    QVariantList L;
    for (int32_t I = 0; I < N; ++I) L << ReadItem(R);
    V = L;
    break;
  }
  case KVariant: {
    const QByteArray Blob = ReadBytes(R);
    QDataStream S(Blob);
    S >> V;
    if (S.status() != QDataStream::Ok || V.metaType() != MT) return;
    break;
  }
  default:
    throw BadEntry(QStringLiteral("unknown value kind %1").arg(Kind));
  }
  if (V.metaType() != MT && !V.convert(MT)) return;
  P.write(Instance, V);
}

void TGvUndoStack::WritePropertyList(TGvStreamWriter& W, QObject* O, int Depth)
{
  const std::vector<QMetaProperty> Props = StateProperties(O);
  W.WriteInt32(int32_t(Props.size()));
  for (const QMetaProperty& P : Props) {
    W.WriteString(QString::fromLatin1(P.name()));
    QObject* Child = KindOf(P) == KObject ? P.read(O).value<QObject*>() : nullptr;
    // Settings the object owns travel with it, value by value.
    if (Child && Child->parent() == O && Depth < MaxNesting) {
      W.WriteByte(1);
      WritePropertyList(W, Child, Depth + 1);
    } else {
      W.WriteByte(0);
      WriteValue(W, O, P);
    }
  }
}

void TGvUndoStack::ReadPropertyList(TGvStreamReader& R, QObject* O, int Depth)
{
  if (Depth > MaxNesting) throw BadEntry(QStringLiteral("settings nested too deeply"));
  const int32_t N = R.ReadCount(6);
  for (int32_t I = 0; I < N; ++I) {
    const QByteArray Name = R.ReadString().toLatin1();
    const bool Nested = R.ReadBool();
    const int Idx = O ? O->metaObject()->indexOfProperty(Name.constData()) : -1;
    const QMetaProperty P = Idx >= 0 ? O->metaObject()->property(Idx) : QMetaProperty();
    if (Nested) {
      QObject* Child = Idx >= 0 && KindOf(P) == KObject ? P.read(O).value<QObject*>() : nullptr;
      ReadPropertyList(R, Child, Depth + 1);
    } else if (Idx >= 0 && P.isWritable()) {
      ReadValue(R, O, P);
    } else {
      SkipValue(R, R.ReadByte());
    }
  }
}

void TGvUndoStack::WriteComponentState(TGvStreamWriter& W, QObject* C)
{
  W.WriteString(QString::fromLatin1(C->metaObject()->className()));
  QObject* Owner = C->parent();
  W.WriteBool(Owner != nullptr);
  if (Owner) WriteRef(W, Owner);
  W.WriteString(C->objectName());
  if (auto* V = qobject_cast<TGvDoubleVector*>(C)) {
    W.WriteByte(SVector);
    V->WriteTo(W);
  } else {
    W.WriteByte(SProperties);
    WritePropertyList(W, C, 0);
  }
}

void TGvUndoStack::ReadComponentState(TGvStreamReader& R, QObject* C)
{
  const uint8_t Kind = R.ReadByte();
  if (Kind == SVector) {
    if (auto* V = qobject_cast<TGvDoubleVector*>(C)) V->ReadFrom(R);
  } else if (Kind == SProperties) {
    ReadPropertyList(R, C, 0);
  } else {
    throw BadEntry(QStringLiteral("unknown component state %1").arg(Kind));
  }
}

void TGvUndoStack::WriteEditState(TGvStreamWriter& W, QObject* Edit)
{
  WriteRef(W, Edit);
  if (auto* E = qobject_cast<QLineEdit*>(Edit)) {
    W.WriteString(E->text());
    const bool Sel = E->hasSelectedText();
    W.WriteInt32(Sel ? E->selectionStart() : E->cursorPosition());
    W.WriteInt32(Sel ? int32_t(E->selectedText().size()) : 0);
  } else {
    W.WriteString(Edit->property("text").toString());
    W.WriteInt32(0);
    W.WriteInt32(0);
  }
}

void TGvUndoStack::PushProperty(QObject* Instance, const QString& Comment, const char* PropName)
{
  if (!CanRecord() || !Instance) return;
  const int Idx = Instance->metaObject()->indexOfProperty(PropName);
  if (Idx < 0)
    throw EGvError(QStringLiteral("Property: \"%1\" not found").arg(QLatin1String(PropName)));
  const QMetaProperty P = Instance->metaObject()->property(Idx);
  TSegment& S = PreparePush(Comment);
  WriteEntry(S, false, Comment, TGvUndoToken::Property, [&](TGvStreamWriter& W) {
    WriteRef(W, Instance);
    W.WriteString(QString::fromLatin1(PropName));
    WriteValue(W, Instance, P);
  });
}

void TGvUndoStack::PushComponent(QObject* Component, const QString& Comment)
{
  if (!CanRecord() || !Component) return;
  TSegment& S = PreparePush(Comment);
  WriteEntry(S, false, Comment, TGvUndoToken::Component, [&](TGvStreamWriter& W) {
    WriteRef(W, Component);
    WriteComponentState(W, Component);
  });
}

void TGvUndoStack::PushFreeComponent(QObject* Component, const QString& Comment)
{
  if (!CanRecord() || !Component) return;
  if (Component->objectName().isEmpty())
    throw EGvError(QStringLiteral("Component does not have a name"));
  TSegment& S = PreparePush(Comment);
  WriteEntry(S, false, Comment, TGvUndoToken::FreeComponent,
             [&](TGvStreamWriter& W) { WriteRef(W, Component); });
  FIds.MarkFreeable(Component);
}

void TGvUndoStack::PushVectorState(QObject* Vector, const QString& Comment)
{
  auto* V = qobject_cast<TGvDoubleVector*>(Vector);
  if (!CanRecord() || !V) return;
  TSegment& S = PreparePush(Comment);
  WriteEntry(S, false, Comment, TGvUndoToken::VectorState, [&](TGvStreamWriter& W) {
    WriteRef(W, V);
    V->WriteTo(W);
  });
}

void TGvUndoStack::PushEditState(QObject* Edit, const QString& Caption, int SelStart, int SelLength,
                                 const QString& Comment)
{
  if (!CanRecord() || !Edit) return;
  TSegment& S = PreparePush(Comment);
  WriteEntry(S, false, Comment, TGvUndoToken::EditState, [&](TGvStreamWriter& W) {
    WriteRef(W, Edit);
    W.WriteString(Caption);
    W.WriteInt32(SelStart);
    W.WriteInt32(SelLength);
  });
}

void TGvUndoStack::StartGroup(const QString& Comment)
{
  if (!CanRecord()) return;
  TSegment& S = PreparePush(Comment);
  WriteEntry(S, false, Comment, TGvUndoToken::GroupStart, [](TGvStreamWriter&) {});
  ++FLevel;
}

void TGvUndoStack::StopGroup()
{
  if (!CanRecord()) return;
  if (FLevel <= 0) throw EGvError(QStringLiteral("Undo stack has too many StopGroup statements"));
  TGroup& G = FGroups.back();
  WriteEntry(G.Undo, false, G.Comment, TGvUndoToken::GroupEnd, [](TGvStreamWriter&) {});
  --FLevel;
}

// ---- Replaying ------------------------------------------------------------

void TGvUndoStack::RestoreEntry(TGvStreamReader& R, TSegment* Capture)
{
  const QString Comment = R.ReadString();
  const uint8_t Token = R.ReadByte();
  bool Named = false;
  switch (TGvUndoToken(Token)) {
  case TGvUndoToken::Property: {
    QObject* O = ReadRef(R, Named);
    const QByteArray Name = R.ReadString().toLatin1();
    if (!O) return; // the object is gone
    const int Idx = O->metaObject()->indexOfProperty(Name.constData());
    if (Idx < 0) return;
    const QMetaProperty P = O->metaObject()->property(Idx);
    if (!P.isWritable()) return;
    if (Capture)
      WriteEntry(*Capture, true, Comment, TGvUndoToken::Property, [&](TGvStreamWriter& W) {
        WriteRef(W, O);
        W.WriteString(QString::fromLatin1(Name));
        WriteValue(W, O, P);
      });
    ReadValue(R, O, P);
    return;
  }
  case TGvUndoToken::Component: {
    QObject* C = ReadRef(R, Named);
    const QString ClassName = R.ReadString();
    QObject* Owner = nullptr;
    bool HasOwner = R.ReadBool();
    if (HasOwner) Owner = ReadRef(R, Named);
    const QString Name = R.ReadString();
    if (C) {
      if (Capture)
        WriteEntry(*Capture, true, Comment, TGvUndoToken::Component, [&](TGvStreamWriter& W) {
          WriteRef(W, C);
          WriteComponentState(W, C);
        });
      ReadComponentState(R, C);
      return;
    }
    // Freed since: made again, with its owner, or the stack's owner (with
    // neither, nothing would own it: it is not made).
    if (!Owner) Owner = parent();
    if (!Owner) return;
    QObject* Made = GvCreateChartComponent(ClassName, Owner);
    if (!Made) return;
    Made->setObjectName(Name);
    FIds.MarkFreeable(Made);
    try {
      ReadComponentState(R, Made);
    } catch (...) {
      delete Made;
      throw;
    }
    if (Capture)
      WriteEntry(*Capture, true, Comment, TGvUndoToken::FreeComponent,
                 [&](TGvStreamWriter& W) { WriteRef(W, Made); });
    return;
  }
  case TGvUndoToken::FreeComponent: {
    QObject* C = ReadRef(R, Named);
    if (!C || !FIds.Freeable(C)) return;
    if (Capture)
      WriteEntry(*Capture, true, Comment, TGvUndoToken::Component, [&](TGvStreamWriter& W) {
        WriteRef(W, C);
        WriteComponentState(W, C);
      });
    delete C;
    return;
  }
  case TGvUndoToken::EditState: {
    QObject* E = ReadRef(R, Named);
    const QString Text = R.ReadString();
    const int32_t SelStart = R.ReadInt32();
    const int32_t SelLength = R.ReadInt32();
    if (!E) return;
    if (Capture)
      WriteEntry(*Capture, true, Comment, TGvUndoToken::EditState,
                 [&](TGvStreamWriter& W) { WriteEditState(W, E); });
    if (auto* L = qobject_cast<QLineEdit*>(E)) {
      L->setText(Text);
      if (SelLength > 0)
        L->setSelection(SelStart, SelLength);
      else
        L->setCursorPosition(SelStart);
    } else {
      E->setProperty("text", Text);
    }
    return;
  }
  case TGvUndoToken::VectorState: {
    auto* V = qobject_cast<TGvDoubleVector*>(ReadRef(R, Named));
    if (!V) return;
    if (Capture)
      WriteEntry(*Capture, true, Comment, TGvUndoToken::VectorState, [&](TGvStreamWriter& W) {
        WriteRef(W, V);
        V->WriteTo(W);
      });
    V->ReadFrom(R);
    return;
  }
  case TGvUndoToken::GroupStart:
  case TGvUndoToken::GroupEnd:
    return;
  }
  throw BadEntry(QStringLiteral("unknown token %1").arg(Token));
}

void TGvUndoStack::ReplayGroupUndo(TGroup& G)
{
  if (G.Redo) {
    ForgetSegment(*G.Redo, true);
    G.Redo.reset();
    --FRedoHeld;
  }
  TSegment Redo;
  std::unique_ptr<QIODevice> Dev = OpenSegment(G.Undo, false);
  TGvStreamReader R(*Dev);
  try {
    for (auto It = G.Undo.Entries.rbegin(); It != G.Undo.Entries.rend(); ++It) {
      if (!Dev->seek(*It)) throw BadEntry(QStringLiteral("offset beyond its group"));
      RestoreEntry(R, &Redo);
    }
  } catch (...) {
    ForgetSegment(Redo, true);
    throw;
  }
  G.Redo = std::move(Redo);
  ++FRedoHeld;
}

void TGvUndoStack::ReplayGroupRedo(TGroup& G)
{
  if (!G.Redo) throw EGvError(QStringLiteral("Nothing recorded to redo"));
  {
    std::unique_ptr<QIODevice> Dev = OpenSegment(*G.Redo, true);
    TGvStreamReader R(*Dev);
    for (auto It = G.Redo->Entries.rbegin(); It != G.Redo->Entries.rend(); ++It) {
      if (!Dev->seek(*It)) throw BadEntry(QStringLiteral("offset beyond its group"));
      RestoreEntry(R, nullptr);
    }
  }
  // The state it held is the present one again; the next undo writes it anew.
  ForgetSegment(*G.Redo, true);
  G.Redo.reset();
  --FRedoHeld;
}

void TGvUndoStack::Undo(int ToIndex)
{
  if (!FEnabled || FCurrent <= 0) return;
  FLevel = 0;
  const int Steps = std::clamp(ToIndex, 0, FCurrent - 1) + 1;
  try {
    TRestoring Scope(FRestoring);
    for (int K = 0; K < Steps; ++K) {
      ReplayGroupUndo(FGroups[size_t(FCurrent - 1)]);
      --FCurrent;
    }
  } catch (...) {
    // What is recorded can no longer be trusted.
    Clear();
    throw;
  }
  emit OnUndo(this);
}

void TGvUndoStack::Redo(int ToIndex)
{
  if (!FEnabled || FCurrent >= int(FGroups.size())) return;
  FLevel = 0;
  const int Steps = std::clamp(ToIndex, 0, int(FGroups.size()) - FCurrent - 1) + 1;
  try {
    TRestoring Scope(FRestoring);
    for (int K = 0; K < Steps; ++K) {
      ReplayGroupRedo(FGroups[size_t(FCurrent)]);
      ++FCurrent;
    }
  } catch (...) {
    Clear();
    throw;
  }
  CompactIfWorthIt(true);
  emit OnRedo(this);
}

void TGvUndoStack::ReplayEntry(QIODevice& Stream)
{
  TRestoring Scope(FRestoring);
  TGvStreamReader R(Stream);
  RestoreEntry(R, nullptr);
}
