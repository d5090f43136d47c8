#include "chart/GvIO.h"

#include "chart/GvRichLabel.h"
#include "chart/GvStyles.h"
#include "controls/GvStringFunctions.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QWidget>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

// ---- Component references -------------------------------------------------

QString GetComponentRef(const QObject* Component)
{
  const QObject* App = QCoreApplication::instance();
  QStringList Segments;
  for (const QObject* C = Component; C && C != App; C = C->parent()) {
    const QString Name = C->objectName();
    if (Name.isEmpty() || Name.contains(QLatin1Char('.'))) return QString();
    Segments.prepend(Name);
  }
  return Segments.join(QLatin1Char('.'));
}

static QObject* TopLevelByName(const QString& Name)
{
  if (QObject* App = QCoreApplication::instance()) {
    for (QObject* C : App->children())
      if (C->objectName() == Name) return C;
  }
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    for (QWidget* W : QApplication::topLevelWidgets())
      if (W->objectName() == Name) return W;
  }
  return nullptr;
}

QObject* GetComponentFromRef(const QString& Ref)
{
  if (Ref.isEmpty()) return nullptr;
  const QStringList Segments = Ref.split(QLatin1Char('.'));
  QObject* C = TopLevelByName(Segments.first());
  for (qsizetype I = 1; C && I < Segments.size(); ++I)
    C = C->findChild<QObject*>(Segments[I], Qt::FindDirectChildrenOnly);
  return C;
}

QString OwnerName(const QString& Ref)
{
  const qsizetype Dot = Ref.lastIndexOf(QLatin1Char('.'));
  return Dot < 0 ? QString() : Ref.left(Dot);
}

QString ComponentName(const QString& Ref)
{
  const qsizetype Dot = Ref.lastIndexOf(QLatin1Char('.'));
  return Dot < 0 ? Ref : Ref.mid(Dot + 1);
}

QObject* RefOwner(const QString& Ref)
{
  const QString Owner = OwnerName(Ref);
  if (Owner.isEmpty()) return QCoreApplication::instance();
  return GetComponentFromRef(Owner);
}

QString UniqueName(const QObject* Owner, const QString& Base)
{
  for (int I = 1;; ++I) {
    const QString Name = Base + QString::number(I);
    const bool Taken = Owner
                           ? Owner->findChild<QObject*>(Name, Qt::FindDirectChildrenOnly) != nullptr
                           : TopLevelByName(Name) != nullptr;
    if (!Taken) return Name;
  }
}

QObject* TGvReadContext::Resolve(const QString& Ref) const
{
  for (auto It = FBound.rbegin(); It != FBound.rend(); ++It)
    if (It->first == Ref && It->second) return It->second;
  return GetComponentFromRef(Ref);
}

static const char* const ContextProperty = "_GvReadContext";

TGvReadContext* TGvReadContext::Of(const QObject* Object)
{
  if (!Object) return nullptr;
  return static_cast<TGvReadContext*>(Object->property(ContextProperty).value<void*>());
}

TGvReadContextScope::TGvReadContextScope(QObject* Object, TGvReadContext* Context)
    : FObject(Object), FWas(TGvReadContext::Of(Object))
{
  if (Object) Object->setProperty(ContextProperty, QVariant::fromValue<void*>(Context));
}

TGvReadContextScope::~TGvReadContextScope()
{
  if (FObject)
    FObject->setProperty(ContextProperty, FWas ? QVariant::fromValue<void*>(FWas) : QVariant());
}

void TGvReadContext::Finish()
{
  if (FFinished) return;
  FFinished = true;
  // A setter may read further links: run until none is left.
  while (!FPending.empty()) {
    std::vector<TPending> Now;
    Now.swap(FPending);
    for (TPending& P : Now) {
      if (!P.Holder) continue;
      QObject* O = Resolve(P.Ref);
      if (!O) FWarnings << QStringLiteral("Reference \"%1\" names nothing").arg(P.Ref);
      P.Set(O);
    }
  }
}

// ---- Binary writer --------------------------------------------------------

static_assert(std::endian::native == std::endian::little ||
              std::endian::native == std::endian::big);

template <class T> static T ToLittleEndian(T V)
{
  if constexpr (std::endian::native == std::endian::big) {
    unsigned char B[sizeof(T)];
    std::memcpy(B, &V, sizeof(T));
    for (size_t I = 0; I < sizeof(T) / 2; ++I) std::swap(B[I], B[sizeof(T) - 1 - I]);
    std::memcpy(&V, B, sizeof(T));
  }
  return V;
}

void TGvStreamWriter::WriteBytes(const char* Data, qint64 Size)
{
  if (Size <= 0) return;
  if (FDevice.write(Data, Size) != Size) throw EGvError(QStringLiteral("Stream write error"));
}

template <class T> void TGvStreamWriter::WriteLE(T V)
{
  V = ToLittleEndian(V);
  WriteBytes(reinterpret_cast<const char*>(&V), sizeof(T));
}

void TGvStreamWriter::WriteFloat32(float V)
{
  WriteLE(std::bit_cast<uint32_t>(V));
}
void TGvStreamWriter::WriteFloat64(double V)
{
  WriteLE(std::bit_cast<uint64_t>(V));
}

void TGvStreamWriter::WriteString(const QString& S)
{
  const QByteArray Utf8 = S.toUtf8();
  WriteInt32(static_cast<int32_t>(Utf8.size()));
  WriteBytes(Utf8.constData(), Utf8.size());
}

void TGvStreamWriter::WriteDoubles(const double* Values, qint64 Count)
{
  if constexpr (std::endian::native == std::endian::little) {
    WriteBytes(reinterpret_cast<const char*>(Values), Count * qint64(sizeof(double)));
  } else {
    for (qint64 I = 0; I < Count; ++I) WriteFloat64(Values[I]);
  }
}

// ---- Binary reader --------------------------------------------------------

static EGvReadError ShortRead()
{
  return EGvReadError(QStringLiteral("Unexpected end of stream"));
}

qint64 TGvStreamReader::Remaining() const
{
  if (FDevice.isSequential()) return -1;
  return FDevice.size() - FDevice.pos();
}

void TGvStreamReader::CheckAvailable(qint64 Bytes) const
{
  const qint64 Left = Remaining();
  if (Left >= 0 && Bytes > Left) throw ShortRead();
}

void TGvStreamReader::ReadBytes(char* Data, qint64 Size)
{
  if (Size <= 0) return;
  if (FDevice.read(Data, Size) != Size) throw ShortRead();
}

uint8_t TGvStreamReader::ReadByte()
{
  uint8_t V;
  ReadBytes(reinterpret_cast<char*>(&V), 1);
  return V;
}

template <class T> T TGvStreamReader::ReadLE()
{
  T V;
  ReadBytes(reinterpret_cast<char*>(&V), sizeof(T));
  return ToLittleEndian(V);
}

float TGvStreamReader::ReadFloat32()
{
  return std::bit_cast<float>(ReadLE<uint32_t>());
}
double TGvStreamReader::ReadFloat64()
{
  return std::bit_cast<double>(ReadLE<uint64_t>());
}

QString TGvStreamReader::ReadString()
{
  const int32_t Length = ReadInt32();
  if (Length <= 0) return QString();
  CheckAvailable(Length);
  // Read in pieces, so that a length promising more than a sequential device
  // holds never allocates more than what arrived.
  QByteArray Bytes;
  constexpr qint64 Piece = 1 << 16;
  for (qint64 Left = Length; Left > 0;) {
    const qint64 N = std::min(Left, Piece);
    const qsizetype Old = Bytes.size();
    Bytes.resize(Old + N);
    ReadBytes(Bytes.data() + Old, N);
    Left -= N;
  }
  return QString::fromUtf8(Bytes);
}

QString TGvStreamReader::PeekString()
{
  if (FDevice.isSequential()) throw EGvReadError(QStringLiteral("Stream cannot be rewound"));
  const qint64 Start = FDevice.pos();
  QString S = ReadString();
  FDevice.seek(Start);
  return S;
}

int32_t TGvStreamReader::ReadCount(qint64 ElementSize)
{
  const int32_t Count = ReadInt32();
  if (Count < 0) throw EGvReadError(QStringLiteral("Invalid count %1 in stream").arg(Count));
  CheckAvailable(qint64(Count) * std::max<qint64>(ElementSize, 0));
  return Count;
}

const double* TGvStreamReader::DirectDoubles(int32_t Count) const
{
  if constexpr (std::endian::native != std::endian::little) return nullptr;
  const auto* Buffer = qobject_cast<const QBuffer*>(&FDevice);
  if (!Buffer || !Buffer->isReadable() || Buffer->isTransactionStarted()) return nullptr;
  const QByteArray& Bytes = Buffer->data();
  const qint64 Pos = Buffer->pos();
  if (Pos < 0 || Pos > Bytes.size() || Bytes.size() - Pos < qint64(Count) * 8) return nullptr;
  const char* At = Bytes.constData() + Pos;
  if (reinterpret_cast<std::uintptr_t>(At) % alignof(double) != 0) return nullptr;
  // The bytes were copied into the buffer's storage, which holds doubles as
  // well as it holds bytes.
  return reinterpret_cast<const double*>(At);
}

void TGvStreamReader::SkipDoubles(int32_t Count)
{
  if (!FDevice.seek(FDevice.pos() + qint64(Count) * 8)) throw ShortRead();
}

int32_t TGvStreamReader::DoublesPiece(int32_t Left) const
{
  // The count was checked against what a random-access device holds.
  if (Remaining() >= 0) return Left;
  return std::min(Left, int32_t(1) << 16);
}

void TGvStreamReader::ReadDoublesInto(double* Values, int32_t N)
{
  ReadBytes(reinterpret_cast<char*>(Values), qint64(N) * 8);
  if constexpr (std::endian::native == std::endian::big) {
    for (int32_t I = 0; I < N; ++I) Values[I] = ToLittleEndian(Values[I]);
  }
}

void StringToStream(TGvStreamWriter& W, const QString& S)
{
  W.WriteString(S);
}
QString StringFromStream(TGvStreamReader& R)
{
  return R.ReadString();
}

// ---- Numbers as text ------------------------------------------------------

namespace {

// Shortest digits and decimal exponent of a finite, non-zero value, laid out
// as DoubleToStr lays out its 15 digits: plain below 1E15 and from 1E-5 on,
// else one digit, the rest after the point, "E" and the exponent.
template <class T> QString ShortestText(T X)
{
  if (std::isnan(X)) return QStringLiteral("NAN");
  if (std::isinf(X)) return X < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (X == 0) return std::signbit(X) ? QStringLiteral("-0") : QStringLiteral("0");
  char Sci[64];
  const auto R = std::to_chars(Sci, Sci + sizeof(Sci), X, std::chars_format::scientific);
  // "-d.ddde+xx": the digits without the point, and the exponent.
  const char* P = Sci;
  const bool Negative = *P == '-';
  if (Negative) ++P;
  char Digits[40];
  int N = 0;
  for (; P < R.ptr && *P != 'e'; ++P)
    if (*P != '.') Digits[N++] = *P;
  int Exponent = 0;
  std::from_chars(P + (P[1] == '+' ? 2 : 1), R.ptr, Exponent);
  char Out[64];
  int L = 0;
  const auto Put = [&](char C) { Out[L++] = C; };
  if (Negative) Put('-');
  if (Exponent >= -5 && Exponent < 15) {
    if (Exponent < 0) {
      Put('0');
      Put('.');
      for (int Z = 0; Z < -Exponent - 1; ++Z) Put('0');
      for (int D = 0; D < N; ++D) Put(Digits[D]);
    } else if (Exponent + 1 >= N) {
      for (int D = 0; D < N; ++D) Put(Digits[D]);
      for (int Z = 0; Z < Exponent + 1 - N; ++Z) Put('0');
    } else {
      for (int D = 0; D <= Exponent; ++D) Put(Digits[D]);
      Put('.');
      for (int D = Exponent + 1; D < N; ++D) Put(Digits[D]);
    }
  } else {
    Put(Digits[0]);
    if (N > 1) {
      Put('.');
      for (int D = 1; D < N; ++D) Put(Digits[D]);
    }
    Put('E');
    L = int(std::to_chars(Out + L, Out + sizeof(Out), Exponent).ptr - Out);
  }
  return QString::fromLatin1(Out, L);
}

// The special texts of TextToFloat, any case.
bool SpecialText(QStringView S, double& V)
{
  const auto Is = [S](const char* Text) {
    return S.compare(QLatin1String(Text), Qt::CaseInsensitive) == 0;
  };
  if (Is("NAN")) {
    V = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (Is("INF") || Is("+INF")) {
    V = std::numeric_limits<double>::infinity();
    return true;
  }
  if (Is("-INF")) {
    V = -std::numeric_limits<double>::infinity();
    return true;
  }
  return false;
}

template <class T> bool TextToFloat(const QString& Text, T& X)
{
  const QStringView S = QStringView(Text).trimmed();
  if (S.isEmpty() || S.size() > 400) return false;
  // "NAN", "INF", "+INF", "-INF": only where a letter comes first (after a sign).
  const char16_t Lead =
      S[S[0] == u'+' || S[0] == u'-' ? std::min<qsizetype>(1, S.size() - 1) : 0].unicode();
  if (Lead == u'N' || Lead == u'n' || Lead == u'I' || Lead == u'i') {
    double V = 0;
    if (!SpecialText(S, V)) return false;
    X = T(V);
    return true;
  }
  // Only the characters of a number: digits, one sign in front, ".", "E" with
  // its sign (from_chars itself takes no "+" in front).
  char Local[64];
  std::string Long;
  char* A = Local;
  if (S.size() > qsizetype(sizeof(Local))) {
    Long.resize(std::size_t(S.size()));
    A = Long.data();
  }
  const std::size_t Size = std::size_t(S.size());
  for (std::size_t I = 0; I < Size; ++I) {
    const char16_t U = S[qsizetype(I)].unicode();
    if (!((U >= '0' && U <= '9') || U == '.' || U == 'e' || U == 'E' || U == '+' || U == '-'))
      return false;
    A[I] = char(U);
  }
  std::size_t Start = 0;
  if (A[0] == '+') {
    Start = 1;
    if (Size > 1 && (A[1] == '-' || A[1] == '+')) return false;
  }
  T V = 0;
  const char* B = A + Start;
  const char* End = A + Size;
  const auto R = std::from_chars(B, End, V, std::chars_format::general);
  if (R.ptr != End) return false;
  if (R.ec == std::errc::result_out_of_range) {
    // Beyond the largest value does not fit; below the smallest is zero.
    const std::string_view Sv(A, Size);
    const std::size_t EPos = Sv.find_first_of("eE");
    const bool Tiny =
        EPos != std::string_view::npos && Sv.find('-', EPos) != std::string_view::npos;
    if (!Tiny) return false;
    V = A[Start] == '-' ? -T(0) : T(0);
  } else if (R.ec != std::errc()) {
    return false;
  }
  X = V;
  return true;
}

} // namespace

QString GvFloatToText(double X)
{
  return ShortestText(X);
}
QString GvFloatToText(float X)
{
  return ShortestText(X);
}
bool GvTextToFloat(const QString& Text, double& X)
{
  return TextToFloat(Text, X);
}
bool GvTextToFloat(const QString& Text, float& X)
{
  return TextToFloat(Text, X);
}

QString GetTemporaryPath()
{
  return QDir::tempPath().left(256);
}

// ---- Ini ------------------------------------------------------------------

QString AddReturnTokens(const QString& S)
{
  QString R;
  R.reserve(S.size());
  for (qsizetype I = 0; I < S.size(); ++I) {
    const QChar C = S[I];
    if (C == QChar(13))
      R += QLatin1String("@\\r");
    else if (C == QChar(10))
      R += QLatin1String("@\\n");
    else if (C == u'@' && I + 1 < S.size() && S[I + 1] == u'\\') {
      R += QLatin1String("@\\\\");
      ++I;
    } else
      R += C;
  }
  return R;
}

QString RemoveReturnTokens(const QString& S)
{
  QString R;
  R.reserve(S.size());
  for (qsizetype I = 0; I < S.size(); ++I) {
    const QChar C = S[I];
    if (C == u'@' && I + 2 < S.size() && S[I + 1] == u'\\') {
      const QChar T = S[I + 2];
      if (T == u'r' || T == u'n' || T == u'\\') {
        R += T == u'r'   ? QString(QChar(13))
             : T == u'n' ? QString(QChar(10))
                         : QStringLiteral("@\\");
        I += 2;
        continue;
      }
    }
    R += C;
  }
  return R;
}

void TGvIniFile::Load()
{
  FSections.clear();
  QFile F(FFileName);
  if (!F.exists()) return;
  if (!F.open(QIODevice::ReadOnly))
    throw EGvReadError(QStringLiteral("Cannot open file \"%1\"").arg(FFileName));
  FromText(F.readAll());
}

void TGvIniFile::Save() const
{
  QSaveFile F(FFileName);
  if (!F.open(QIODevice::WriteOnly))
    throw EGvError(QStringLiteral("Cannot create file \"%1\"").arg(FFileName));
  const QByteArray Text = ToText();
  if (F.write(Text) != Text.size() || !F.commit())
    throw EGvError(QStringLiteral("Cannot write file \"%1\"").arg(FFileName));
}

QByteArray TGvIniFile::ToText() const
{
  QByteArray Text;
  for (const TSection& S : FSections) {
    Text += '[' + S.Name.toUtf8() + "]\r\n";
    for (const auto& [Key, Value] : S.Values) Text += Key.toUtf8() + '=' + Value.toUtf8() + "\r\n";
    Text += "\r\n";
  }
  return Text;
}

void TGvIniFile::FromText(const QByteArray& Text)
{
  FSections.clear();
  TSection* Current = nullptr;
  for (QByteArray Line : Text.split('\n')) {
    if (Line.endsWith('\r')) Line.chop(1);
    const QByteArray Trimmed = Line.trimmed();
    if (Trimmed.isEmpty() || Trimmed.startsWith(';')) continue;
    // A section header; a line with "=" is always a key ("[a=b]" sets the key "[a").
    if (Trimmed.startsWith('[') && Trimmed.endsWith(']') && !Trimmed.contains('=')) {
      Current = &FindOrAdd(QString::fromUtf8(Trimmed.mid(1, Trimmed.size() - 2)));
      continue;
    }
    const qsizetype Eq = Line.indexOf('=');
    if (!Current || Eq < 0) continue;
    const QString Key = QString::fromUtf8(Line.left(Eq).trimmed());
    const QString Value = QString::fromUtf8(Line.mid(Eq + 1));
    bool Replaced = false;
    for (auto& KV : Current->Values)
      if (KV.first.compare(Key, Qt::CaseInsensitive) == 0) {
        KV.second = Value;
        Replaced = true;
        break;
      }
    if (!Replaced) Current->Values.emplace_back(Key, Value);
  }
}

const TGvIniFile::TSection* TGvIniFile::Find(const QString& Section) const
{
  for (const TSection& S : FSections)
    if (S.Name.compare(Section, Qt::CaseInsensitive) == 0) return &S;
  return nullptr;
}

TGvIniFile::TSection& TGvIniFile::FindOrAdd(const QString& Section)
{
  for (TSection& S : FSections)
    if (S.Name.compare(Section, Qt::CaseInsensitive) == 0) return S;
  FSections.push_back(TSection{Section, {}});
  return FSections.back();
}

bool TGvIniFile::SectionExists(const QString& Section) const
{
  return Find(Section) != nullptr;
}

bool TGvIniFile::ValueExists(const QString& Section, const QString& Key) const
{
  if (const TSection* S = Find(Section))
    for (const auto& KV : S->Values)
      if (KV.first.compare(Key, Qt::CaseInsensitive) == 0) return true;
  return false;
}

QStringList TGvIniFile::Sections() const
{
  QStringList Names;
  for (const TSection& S : FSections) Names << S.Name;
  return Names;
}

QStringList TGvIniFile::Keys(const QString& Section) const
{
  QStringList Names;
  if (const TSection* S = Find(Section))
    for (const auto& KV : S->Values) Names << KV.first;
  return Names;
}

void TGvIniFile::EraseSection(const QString& Section)
{
  std::erase_if(FSections, [&](const TSection& S) {
    return S.Name.compare(Section, Qt::CaseInsensitive) == 0;
  });
}

QString TGvIniFile::ReadString(const QString& Section, const QString& Key,
                               const QString& Default) const
{
  if (const TSection* S = Find(Section))
    for (const auto& KV : S->Values)
      if (KV.first.compare(Key, Qt::CaseInsensitive) == 0) return KV.second;
  return Default;
}

void TGvIniFile::WriteString(const QString& Section, const QString& Key, const QString& Value)
{
  TSection& S = FindOrAdd(Section);
  for (auto& KV : S.Values)
    if (KV.first.compare(Key, Qt::CaseInsensitive) == 0) {
      KV.second = Value;
      return;
    }
  S.Values.emplace_back(Key, Value);
}

int TGvIniFile::ReadInteger(const QString& Section, const QString& Key, int Default) const
{
  const QString Text = ReadString(Section, Key, QString()).trimmed();
  bool Ok = false;
  int V = Text.startsWith(QLatin1Char('$')) ? int(Text.mid(1).toUInt(&Ok, 16)) : Text.toInt(&Ok);
  return Ok ? V : Default;
}

void TGvIniFile::WriteInteger(const QString& Section, const QString& Key, int Value)
{
  WriteString(Section, Key, QString::number(Value));
}

bool TGvIniFile::ReadBool(const QString& Section, const QString& Key, bool Default) const
{
  return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TGvIniFile::WriteBool(const QString& Section, const QString& Key, bool Value)
{
  WriteString(Section, Key, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TGvIniFile::ReadFloat(const QString& Section, const QString& Key, double Default) const
{
  double X = Default;
  GvTextToFloat(ReadString(Section, Key, QString()), X);
  return X;
}

void TGvIniFile::WriteFloat(const QString& Section, const QString& Key, double Value)
{
  WriteString(Section, Key, GvFloatToText(Value));
}

float TGvIniFile::ReadSingle(const QString& Section, const QString& Key, float Default) const
{
  float X = Default;
  GvTextToFloat(ReadString(Section, Key, QString()), X);
  return X;
}

void TGvIniFile::WriteSingle(const QString& Section, const QString& Key, float Value)
{
  WriteString(Section, Key, GvFloatToText(Value));
}

TGvColor TGvIniFile::ReadColor(const QString& Section, const QString& Key, TGvColor Default) const
{
  if (!ValueExists(Section, Key)) return Default;
  return ColorToARGB(ReadString(Section, Key, QString()));
}

void TGvIniFile::WriteColor(const QString& Section, const QString& Key, TGvColor Value)
{
  WriteString(Section, Key, ARGBToString(Value));
}

// ---- XML ------------------------------------------------------------------

bool ContainsNode(const QDomElement& Node, const QString& Name)
{
  return !Node.firstChildElement(Name).isNull();
}

QString BoolToXml(bool Value)
{
  return Value ? QStringLiteral("True") : QStringLiteral("False");
}

bool BoolFromXml(const QString& Text, bool Default)
{
  const QString T = Text.trimmed();
  if (T.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || T == QLatin1String("1"))
    return true;
  if (T.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || T == QLatin1String("0"))
    return false;
  return Default;
}

// The integer kinds the header's inline readers and writers use.
template void TGvStreamWriter::WriteLE<int16_t>(int16_t);
template void TGvStreamWriter::WriteLE<uint16_t>(uint16_t);
template void TGvStreamWriter::WriteLE<int32_t>(int32_t);
template void TGvStreamWriter::WriteLE<uint32_t>(uint32_t);
template void TGvStreamWriter::WriteLE<int64_t>(int64_t);
template int16_t TGvStreamReader::ReadLE<int16_t>();
template uint16_t TGvStreamReader::ReadLE<uint16_t>();
template int32_t TGvStreamReader::ReadLE<int32_t>();
template uint32_t TGvStreamReader::ReadLE<uint32_t>();
template int64_t TGvStreamReader::ReadLE<int64_t>();

// ---- XML parsing and attributes -------------------------------------------

// One pass of the stream reader builds the DOM as QDomDocument::setContent
// builds it (without namespace processing: elements and attributes by their
// qualified names; text that is only white space left out unless it is CDATA;
// the XML declaration as the processing instruction "xml"), and refuses a
// nesting deeper than GvMaxXmlDepth before it builds that deep. The reader
// itself processes namespaces, so that an undeclared prefix is an error. The
// document type declaration is not kept (no reader uses it).
void GvParseXml(const QByteArray& Text, QDomDocument& Doc)
{
  QXmlStreamReader R(Text);
  // A document that exists (a default-constructed one stays null until it
  // creates its first node).
  QDomDocument D{QDomDocumentType()};
  std::vector<QDomNode> Open; // the document, then the open elements
  QString Tag;
  Open.reserve(GvMaxXmlDepth + 1);
  Open.push_back(D);
  const auto Fail = [&R](const QString& Message) {
    return EGvReadError(QStringLiteral("Invalid XML: %1 (line %2, column %3)")
                            .arg(Message)
                            .arg(R.lineNumber())
                            .arg(R.columnNumber()));
  };
  while (!R.atEnd()) {
    switch (R.readNext()) {
    case QXmlStreamReader::StartDocument:
      if (!R.documentVersion().isEmpty()) {
        QString Declaration =
            QStringLiteral("version='") + R.documentVersion().toString() + QLatin1Char('\'');
        if (!R.documentEncoding().isEmpty())
          Declaration +=
              QStringLiteral(" encoding='") + R.documentEncoding().toString() + QLatin1Char('\'');
        if (R.isStandaloneDocument()) Declaration += QStringLiteral(" standalone='yes'");
        D.appendChild(D.createProcessingInstruction(QStringLiteral("xml"), Declaration));
      }
      break;
    case QXmlStreamReader::StartElement: {
      if (int(Open.size()) > GvMaxXmlDepth)
        throw EGvReadError(QStringLiteral("XML nests deeper than %1 elements (line %2)")
                               .arg(GvMaxXmlDepth)
                               .arg(R.lineNumber()));
      // Long lists repeat one tag: its text is shared, not copied each time.
      if (R.qualifiedName() != Tag) Tag = R.qualifiedName().toString();
      QDomElement E = D.createElement(Tag);
      for (const QXmlStreamAttribute& A : R.attributes())
        E.setAttribute(A.qualifiedName().toString(), A.value().toString());
      Open.back().appendChild(E);
      Open.push_back(E);
      break;
    }
    case QXmlStreamReader::EndElement:
      if (Open.size() > 1) Open.pop_back();
      break;
    case QXmlStreamReader::Characters:
      if (R.isCDATA())
        Open.back().appendChild(D.createCDATASection(R.text().toString()));
      else if (!R.isWhitespace())
        Open.back().appendChild(D.createTextNode(R.text().toString()));
      break;
    case QXmlStreamReader::Comment:
      Open.back().appendChild(D.createComment(R.text().toString()));
      break;
    case QXmlStreamReader::ProcessingInstruction:
      Open.back().appendChild(D.createProcessingInstruction(
          R.processingInstructionTarget().toString(), R.processingInstructionData().toString()));
      break;
    case QXmlStreamReader::EntityReference:
      Open.back().appendChild(D.createEntityReference(R.name().toString()));
      break;
    default:
      break;
    }
  }
  if (R.hasError()) throw Fail(R.errorString());
  if (D.documentElement().isNull()) throw Fail(QStringLiteral("no root element"));
  Doc = D;
}

QByteArray GvXmlText(const QDomDocument& Doc)
{
  QByteArray Out;
  QXmlStreamWriter W(&Out);
  W.setAutoFormatting(true);
  W.setAutoFormattingIndent(1);
  W.writeStartDocument();
  // Depth first without recursion: a node, and whether its children are done.
  std::vector<std::pair<QDomNode, bool>> Stack;
  for (QDomNode N = Doc.lastChild(); !N.isNull(); N = N.previousSibling())
    Stack.emplace_back(N, false);
  while (!Stack.empty()) {
    auto [N, Done] = Stack.back();
    Stack.pop_back();
    if (Done) {
      W.writeEndElement();
      continue;
    }
    if (N.isElement()) {
      const QDomElement E = N.toElement();
      W.writeStartElement(E.tagName());
      const QDomNamedNodeMap A = E.attributes();
      std::vector<std::pair<QString, QString>> Attrs;
      for (int I = 0; I < A.count(); ++I) {
        const QDomAttr Attr = A.item(I).toAttr();
        Attrs.emplace_back(Attr.name(), Attr.value());
      }
      std::sort(Attrs.begin(), Attrs.end());
      for (const auto& [Name, Value] : Attrs) W.writeAttribute(Name, Value);
      Stack.emplace_back(N, true);
      for (QDomNode C = N.lastChild(); !C.isNull(); C = C.previousSibling())
        Stack.emplace_back(C, false);
    } else if (N.isCDATASection()) {
      W.writeCDATA(N.toCDATASection().data());
    } else if (N.isText()) {
      W.writeCharacters(N.toText().data());
    } else if (N.isComment()) {
      W.writeComment(N.toComment().data());
    }
  }
  W.writeEndDocument();
  return Out;
}

void GvWriteXmlFile(const QString& FileName, const QDomDocument& Doc)
{
  QSaveFile F(FileName);
  if (!F.open(QIODevice::WriteOnly))
    throw EGvError(QStringLiteral("Cannot create file \"%1\"").arg(FileName));
  const QByteArray Text = GvXmlText(Doc);
  if (F.write(Text) != Text.size() || !F.commit())
    throw EGvError(QStringLiteral("Cannot write file \"%1\"").arg(FileName));
}

void GvReadXmlFile(const QString& FileName, QDomDocument& Doc)
{
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly))
    throw EGvReadError(QStringLiteral("Cannot open file \"%1\"").arg(FileName));
  GvParseXml(F.readAll(), Doc);
}

static EGvReadError BadAttribute(const QDomElement& E, const QString& Name)
{
  return EGvReadError(QStringLiteral("Invalid value \"%1\" of attribute %2 in element %3")
                          .arg(E.attribute(Name).left(64), Name, E.tagName()));
}

void XmlRead(const QDomElement& E, const QString& Name, bool& Value)
{
  if (!E.hasAttribute(Name)) return;
  const QString T = E.attribute(Name).trimmed();
  if (T.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || T == QLatin1String("1"))
    Value = true;
  else if (T.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || T == QLatin1String("0"))
    Value = false;
  else
    throw BadAttribute(E, Name);
}

void XmlRead(const QDomElement& E, const QString& Name, int& Value)
{
  if (!E.hasAttribute(Name)) return;
  bool Ok = false;
  const int V = E.attribute(Name).trimmed().toInt(&Ok);
  if (!Ok) throw BadAttribute(E, Name);
  Value = V;
}

void XmlRead(const QDomElement& E, const QString& Name, double& Value)
{
  if (!E.hasAttribute(Name)) return;
  if (!GvTextToFloat(E.attribute(Name), Value)) throw BadAttribute(E, Name);
}

void XmlRead(const QDomElement& E, const QString& Name, float& Value)
{
  if (!E.hasAttribute(Name)) return;
  if (!GvTextToFloat(E.attribute(Name), Value)) throw BadAttribute(E, Name);
}

void XmlRead(const QDomElement& E, const QString& Name, QString& Value)
{
  if (E.hasAttribute(Name)) Value = E.attribute(Name);
}

void XmlReadColor(const QDomElement& E, const QString& Name, TGvColor& Value)
{
  if (E.hasAttribute(Name)) Value = ColorToARGB(E.attribute(Name));
}

void XmlWrite(QDomElement& E, const QString& Name, bool Value)
{
  E.setAttribute(Name, BoolToXml(Value));
}
void XmlWrite(QDomElement& E, const QString& Name, int Value)
{
  E.setAttribute(Name, Value);
}
void XmlWrite(QDomElement& E, const QString& Name, double Value)
{
  E.setAttribute(Name, GvFloatToText(Value));
}
void XmlWrite(QDomElement& E, const QString& Name, float Value)
{
  E.setAttribute(Name, GvFloatToText(Value));
}
void XmlWrite(QDomElement& E, const QString& Name, const QString& Value)
{
  E.setAttribute(Name, Value);
}
void XmlWriteColor(QDomElement& E, const QString& Name, TGvColor Value)
{
  E.setAttribute(Name, ARGBToString(Value));
}

// ---- Ini keys -------------------------------------------------------------

static EGvReadError BadKey(const TGvIniFile& Ini, const QString& Section, const QString& Key)
{
  return EGvReadError(QStringLiteral("Invalid value \"%1\" of key %2 in section [%3]")
                          .arg(Ini.ReadString(Section, Key, QString()).left(64), Key, Section));
}

void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, bool& Value)
{
  if (!Ini.ValueExists(Section, Key)) return;
  int V = 0;
  IniRead(Ini, Section, Key, V);
  Value = V != 0;
}

void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, int& Value)
{
  if (!Ini.ValueExists(Section, Key)) return;
  const QString T = Ini.ReadString(Section, Key, QString()).trimmed();
  bool Ok = false;
  const int V = T.toInt(&Ok);
  if (!Ok) throw BadKey(Ini, Section, Key);
  Value = V;
}

void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, double& Value)
{
  if (!Ini.ValueExists(Section, Key)) return;
  if (!GvTextToFloat(Ini.ReadString(Section, Key, QString()), Value))
    throw BadKey(Ini, Section, Key);
}

void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, float& Value)
{
  if (!Ini.ValueExists(Section, Key)) return;
  if (!GvTextToFloat(Ini.ReadString(Section, Key, QString()), Value))
    throw BadKey(Ini, Section, Key);
}

void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, QString& Value)
{
  if (Ini.ValueExists(Section, Key)) Value = DecodeFomIni(Ini.ReadString(Section, Key, QString()));
}

void IniReadColor(const TGvIniFile& Ini, const QString& Section, const QString& Key,
                  TGvColor& Value)
{
  Value = Ini.ReadColor(Section, Key, Value);
}

void IniWriteText(TGvIniFile& Ini, const QString& Section, const QString& Key, const QString& Value)
{
  Ini.WriteString(Section, Key, EncodeForIni(Value));
}

// ---- Style blocks ---------------------------------------------------------
//
// Each block is read into a form first (starting from the current values, so
// that parts a text form leaves out keep them), checked, and only then
// applied through the setters.

namespace {

EGvReadError BadEnum(const char* What, int Value)
{
  return EGvReadError(
      QStringLiteral("Invalid %1 %2 in stream").arg(QLatin1String(What)).arg(Value));
}

int CheckedEnum(int Value, int Count, const char* What)
{
  if (Value < 0 || Value >= Count) throw BadEnum(What, Value);
  return Value;
}

// An end byte: 0 ends the block; anything else would be an extension this
// reader does not know, whose length it cannot tell.
void ReadEnd(TGvStreamReader& R)
{
  const uint8_t B = R.ReadByte();
  if (B != 0) throw EGvReadError(QStringLiteral("Unknown extension %1 in stream").arg(B));
}

constexpr int GradientStyleCount = 3;
constexpr int AreaStyleCount = GvHatchStyleCount + 1; // the hatches and Total
constexpr int RenderingHintCount = 6;
constexpr int FontStyleBits = 15;
constexpr int DrawEffectBits = 15;

struct TGradientForm
{
  bool Visible;
  int Style;
  TGvColor First, Middle, Last;
  float LinearAngle, LinearCenter, RadialCenterX, RadialCenterY;

  explicit TGradientForm(const TGvGradientSettings& S)
      : Visible(S.Visible()), Style(int(S.Style())), First(S.FirstColor()), Middle(S.MiddleColor()),
        Last(S.LastColor()), LinearAngle(S.LinearAngle()), LinearCenter(S.LinearCenter()),
        RadialCenterX(S.RadialCenterX()), RadialCenterY(S.RadialCenterY())
  {
  }

  static void Write(TGvStreamWriter& W, const TGvGradientSettings& S)
  {
    W.WriteBool(S.Visible());
    W.WriteByte(uint8_t(S.Style()));
    W.WriteUInt32(S.FirstColor());
    W.WriteUInt32(S.MiddleColor());
    W.WriteUInt32(S.LastColor());
    W.WriteFloat32(S.LinearAngle());
    W.WriteFloat32(S.LinearCenter());
    W.WriteFloat32(S.RadialCenterX());
    W.WriteFloat32(S.RadialCenterY());
    W.WriteByte(0);
  }
  void Read(TGvStreamReader& R)
  {
    Visible = R.ReadBool();
    Style = CheckedEnum(R.ReadByte(), GradientStyleCount, "gradient style");
    First = R.ReadUInt32();
    Middle = R.ReadUInt32();
    Last = R.ReadUInt32();
    LinearAngle = R.ReadFloat32();
    LinearCenter = R.ReadFloat32();
    RadialCenterX = R.ReadFloat32();
    RadialCenterY = R.ReadFloat32();
    ReadEnd(R);
  }

  static void Write(QDomElement& E, const TGvGradientSettings& S)
  {
    XmlWrite(E, QStringLiteral("Visible"), S.Visible());
    XmlWrite(E, QStringLiteral("Style"), int(S.Style()));
    XmlWriteColor(E, QStringLiteral("FirstColor"), S.FirstColor());
    XmlWriteColor(E, QStringLiteral("MiddleColor"), S.MiddleColor());
    XmlWriteColor(E, QStringLiteral("LastColor"), S.LastColor());
    XmlWrite(E, QStringLiteral("LinearAngle"), S.LinearAngle());
    XmlWrite(E, QStringLiteral("LinearCenter"), S.LinearCenter());
    XmlWrite(E, QStringLiteral("RadialCenterX"), S.RadialCenterX());
    XmlWrite(E, QStringLiteral("RadialCenterY"), S.RadialCenterY());
  }
  void Read(const QDomElement& E)
  {
    XmlRead(E, QStringLiteral("Visible"), Visible);
    XmlRead(E, QStringLiteral("Style"), Style);
    if (Style < 0 || Style >= GradientStyleCount) throw BadAttribute(E, QStringLiteral("Style"));
    XmlReadColor(E, QStringLiteral("FirstColor"), First);
    XmlReadColor(E, QStringLiteral("MiddleColor"), Middle);
    XmlReadColor(E, QStringLiteral("LastColor"), Last);
    XmlRead(E, QStringLiteral("LinearAngle"), LinearAngle);
    XmlRead(E, QStringLiteral("LinearCenter"), LinearCenter);
    XmlRead(E, QStringLiteral("RadialCenterX"), RadialCenterX);
    XmlRead(E, QStringLiteral("RadialCenterY"), RadialCenterY);
  }

  static void Write(TGvIniFile& Ini, const QString& Sec, const QString& P,
                    const TGvGradientSettings& S)
  {
    Ini.WriteBool(Sec, P + QLatin1String(".Visible"), S.Visible());
    Ini.WriteInteger(Sec, P + QLatin1String(".Style"), int(S.Style()));
    Ini.WriteColor(Sec, P + QLatin1String(".FirstColor"), S.FirstColor());
    Ini.WriteColor(Sec, P + QLatin1String(".MiddleColor"), S.MiddleColor());
    Ini.WriteColor(Sec, P + QLatin1String(".LastColor"), S.LastColor());
    Ini.WriteSingle(Sec, P + QLatin1String(".LinearAngle"), S.LinearAngle());
    Ini.WriteSingle(Sec, P + QLatin1String(".LinearCenter"), S.LinearCenter());
    Ini.WriteSingle(Sec, P + QLatin1String(".RadialCenterX"), S.RadialCenterX());
    Ini.WriteSingle(Sec, P + QLatin1String(".RadialCenterY"), S.RadialCenterY());
  }
  void Read(const TGvIniFile& Ini, const QString& Sec, const QString& P)
  {
    IniRead(Ini, Sec, P + QLatin1String(".Visible"), Visible);
    IniRead(Ini, Sec, P + QLatin1String(".Style"), Style);
    if (Style < 0 || Style >= GradientStyleCount)
      throw BadKey(Ini, Sec, P + QLatin1String(".Style"));
    IniReadColor(Ini, Sec, P + QLatin1String(".FirstColor"), First);
    IniReadColor(Ini, Sec, P + QLatin1String(".MiddleColor"), Middle);
    IniReadColor(Ini, Sec, P + QLatin1String(".LastColor"), Last);
    IniRead(Ini, Sec, P + QLatin1String(".LinearAngle"), LinearAngle);
    IniRead(Ini, Sec, P + QLatin1String(".LinearCenter"), LinearCenter);
    IniRead(Ini, Sec, P + QLatin1String(".RadialCenterX"), RadialCenterX);
    IniRead(Ini, Sec, P + QLatin1String(".RadialCenterY"), RadialCenterY);
  }

  void Apply(TGvGradientSettings& S) const
  {
    S.SetVisible(Visible);
    S.SetStyle(TGvGradientStyle(Style));
    S.SetFirstColor(First);
    S.SetMiddleColor(Middle);
    S.SetLastColor(Last);
    S.SetLinearAngle(LinearAngle);
    S.SetLinearCenter(LinearCenter);
    S.SetRadialCenterX(RadialCenterX);
    S.SetRadialCenterY(RadialCenterY);
  }
};

// A simple line, and Visible when the settings are a full line.
struct TLineForm
{
  std::optional<bool> Visible;
  TGvColor Color;
  float Width;
  int DashStyle;
  TGradientForm Gradient;

  TLineForm(const TGvSimpleLineSettings& S, bool WithVisible)
      : Color(S.Color()), Width(S.Width()), DashStyle(int(S.DashStyle())), Gradient(*S.Gradient())
  {
    if (WithVisible) {
      const auto* L = qobject_cast<const TGvLineSettings*>(&S);
      Visible = L ? L->Visible() : true;
    }
  }

  static void Write(TGvStreamWriter& W, const TGvSimpleLineSettings& S, bool WithVisible)
  {
    if (WithVisible) {
      const auto* L = qobject_cast<const TGvLineSettings*>(&S);
      W.WriteBool(L ? L->Visible() : true);
    }
    W.WriteUInt32(S.Color());
    W.WriteFloat32(S.Width());
    W.WriteByte(uint8_t(S.DashStyle()));
    W.WriteByte(1);
    TGradientForm::Write(W, *S.Gradient());
    W.WriteByte(0);
  }
  void Read(TGvStreamReader& R)
  {
    if (Visible) Visible = R.ReadBool();
    Color = R.ReadUInt32();
    Width = R.ReadFloat32();
    DashStyle = CheckedEnum(R.ReadByte(), GvDashStyleCount, "dash style");
    if (R.ReadByte() != 0) {
      Gradient.Read(R);
      ReadEnd(R);
    }
  }

  static void Write(QDomElement& E, const TGvSimpleLineSettings& S, bool WithVisible)
  {
    if (WithVisible) {
      const auto* L = qobject_cast<const TGvLineSettings*>(&S);
      XmlWrite(E, QStringLiteral("Visible"), L ? L->Visible() : true);
    }
    XmlWriteColor(E, QStringLiteral("Color"), S.Color());
    XmlWrite(E, QStringLiteral("Width"), S.Width());
    XmlWrite(E, QStringLiteral("DashStyle"), int(S.DashStyle()));
    QDomElement G = E.ownerDocument().createElement(QStringLiteral("Gradient"));
    TGradientForm::Write(G, *S.Gradient());
    E.appendChild(G);
  }
  void Read(const QDomElement& E)
  {
    if (Visible) XmlRead(E, QStringLiteral("Visible"), *Visible);
    XmlReadColor(E, QStringLiteral("Color"), Color);
    XmlRead(E, QStringLiteral("Width"), Width);
    XmlRead(E, QStringLiteral("DashStyle"), DashStyle);
    if (DashStyle < 0 || DashStyle >= GvDashStyleCount)
      throw BadAttribute(E, QStringLiteral("DashStyle"));
    const QDomElement G = E.firstChildElement(QStringLiteral("Gradient"));
    if (!G.isNull()) Gradient.Read(G);
  }

  static void Write(TGvIniFile& Ini, const QString& Sec, const QString& P,
                    const TGvSimpleLineSettings& S, bool WithVisible)
  {
    if (WithVisible) {
      const auto* L = qobject_cast<const TGvLineSettings*>(&S);
      Ini.WriteBool(Sec, P + QLatin1String(".Visible"), L ? L->Visible() : true);
    }
    Ini.WriteColor(Sec, P + QLatin1String(".Color"), S.Color());
    Ini.WriteSingle(Sec, P + QLatin1String(".Width"), S.Width());
    Ini.WriteInteger(Sec, P + QLatin1String(".DashStyle"), int(S.DashStyle()));
    TGradientForm::Write(Ini, Sec, P + QLatin1String(".Gradient"), *S.Gradient());
  }
  void Read(const TGvIniFile& Ini, const QString& Sec, const QString& P)
  {
    if (Visible) IniRead(Ini, Sec, P + QLatin1String(".Visible"), *Visible);
    IniReadColor(Ini, Sec, P + QLatin1String(".Color"), Color);
    IniRead(Ini, Sec, P + QLatin1String(".Width"), Width);
    IniRead(Ini, Sec, P + QLatin1String(".DashStyle"), DashStyle);
    if (DashStyle < 0 || DashStyle >= GvDashStyleCount)
      throw BadKey(Ini, Sec, P + QLatin1String(".DashStyle"));
    Gradient.Read(Ini, Sec, P + QLatin1String(".Gradient"));
  }

  void Apply(TGvSimpleLineSettings& S) const
  {
    if (Visible)
      if (auto* L = qobject_cast<TGvLineSettings*>(&S)) L->SetVisible(*Visible);
    S.SetColor(Color);
    S.SetWidth(Width);
    S.SetDashStyle(TGvDashStyle(DashStyle));
    Gradient.Apply(*S.Gradient());
  }
};

struct TAreaForm
{
  bool Visible;
  TGvColor Fore, Back;
  int AreaStyle;
  TGradientForm Gradient;

  explicit TAreaForm(const TGvAreaSettings& S)
      : Visible(S.Visible()), Fore(S.ForeColor()), Back(S.BackColor()),
        AreaStyle(int(S.AreaStyle())), Gradient(*S.Gradient())
  {
  }

  static void Write(TGvStreamWriter& W, const TGvAreaSettings& S)
  {
    W.WriteBool(S.Visible());
    W.WriteUInt32(S.ForeColor());
    W.WriteUInt32(S.BackColor());
    W.WriteByte(uint8_t(S.AreaStyle()));
    W.WriteByte(1);
    TGradientForm::Write(W, *S.Gradient());
    W.WriteByte(0);
  }
  void Read(TGvStreamReader& R)
  {
    Visible = R.ReadBool();
    Fore = R.ReadUInt32();
    Back = R.ReadUInt32();
    AreaStyle = CheckedEnum(R.ReadByte(), AreaStyleCount, "area style");
    if (R.ReadByte() != 0) {
      Gradient.Read(R);
      ReadEnd(R);
    }
  }

  static void Write(QDomElement& E, const TGvAreaSettings& S)
  {
    XmlWrite(E, QStringLiteral("Visible"), S.Visible());
    XmlWriteColor(E, QStringLiteral("ForeColor"), S.ForeColor());
    XmlWriteColor(E, QStringLiteral("BackColor"), S.BackColor());
    XmlWrite(E, QStringLiteral("AreaStyle"), int(S.AreaStyle()));
    QDomElement G = E.ownerDocument().createElement(QStringLiteral("Gradient"));
    TGradientForm::Write(G, *S.Gradient());
    E.appendChild(G);
  }
  void Read(const QDomElement& E)
  {
    XmlRead(E, QStringLiteral("Visible"), Visible);
    XmlReadColor(E, QStringLiteral("ForeColor"), Fore);
    XmlReadColor(E, QStringLiteral("BackColor"), Back);
    XmlRead(E, QStringLiteral("AreaStyle"), AreaStyle);
    if (AreaStyle < 0 || AreaStyle >= AreaStyleCount)
      throw BadAttribute(E, QStringLiteral("AreaStyle"));
    const QDomElement G = E.firstChildElement(QStringLiteral("Gradient"));
    if (!G.isNull()) Gradient.Read(G);
  }

  static void Write(TGvIniFile& Ini, const QString& Sec, const QString& P, const TGvAreaSettings& S)
  {
    Ini.WriteBool(Sec, P + QLatin1String(".Visible"), S.Visible());
    Ini.WriteColor(Sec, P + QLatin1String(".ForeColor"), S.ForeColor());
    Ini.WriteColor(Sec, P + QLatin1String(".BackColor"), S.BackColor());
    Ini.WriteInteger(Sec, P + QLatin1String(".Style"), int(S.AreaStyle()));
    TGradientForm::Write(Ini, Sec, P + QLatin1String(".Gradient"), *S.Gradient());
  }
  void Read(const TGvIniFile& Ini, const QString& Sec, const QString& P)
  {
    IniRead(Ini, Sec, P + QLatin1String(".Visible"), Visible);
    IniReadColor(Ini, Sec, P + QLatin1String(".ForeColor"), Fore);
    IniReadColor(Ini, Sec, P + QLatin1String(".BackColor"), Back);
    IniRead(Ini, Sec, P + QLatin1String(".Style"), AreaStyle);
    if (AreaStyle < 0 || AreaStyle >= AreaStyleCount)
      throw BadKey(Ini, Sec, P + QLatin1String(".Style"));
    Gradient.Read(Ini, Sec, P + QLatin1String(".Gradient"));
  }

  void Apply(TGvAreaSettings& S) const
  {
    S.SetVisible(Visible);
    S.SetForeColor(Fore);
    S.SetBackColor(Back);
    S.SetAreaStyle(TGvAreaStyle(AreaStyle));
    Gradient.Apply(*S.Gradient());
  }
};

struct TFontForm
{
  QString Name;
  float Size;
  int Style;
  int DrawEffects;
  int RenderingHint;
  TGvColor FillColor;
  TGradientForm Gradient;

  explicit TFontForm(const TGvFont& F)
      : Name(F.Name()), Size(F.Size()), Style(int(F.Style().toInt())),
        DrawEffects(int(F.DrawEffects().toInt())), RenderingHint(int(F.RenderingHint())),
        FillColor(F.FillColor()), Gradient(*F.Gradient())
  {
  }

  static void Write(TGvStreamWriter& W, const TGvFont& F)
  {
    W.WriteString(F.Name());
    W.WriteInt32(int32_t(std::lround(double(F.Size()))));
    W.WriteByte(uint8_t(F.Style().toInt()));
    W.WriteByte(1);
    W.WriteByte(uint8_t(F.DrawEffects().toInt()));
    W.WriteByte(uint8_t(F.RenderingHint()));
    W.WriteUInt32(F.FillColor());
    TGradientForm::Write(W, *F.Gradient());
    W.WriteByte(1);
    W.WriteFloat32(F.Size());
    W.WriteByte(0);
  }
  static int Bits(int Value, int Mask, const char* What)
  {
    if (Value & ~Mask) throw BadEnum(What, Value);
    return Value;
  }
  void Read(TGvStreamReader& R)
  {
    Name = R.ReadString();
    const int32_t Points = R.ReadInt32();
    if (Points > 0) Size = float(Points);
    Style = Bits(R.ReadByte(), FontStyleBits, "font style");
    if (R.ReadByte() == 0) return;
    DrawEffects = Bits(R.ReadByte(), DrawEffectBits, "draw effects");
    RenderingHint = CheckedEnum(R.ReadByte(), RenderingHintCount, "rendering hint");
    FillColor = R.ReadUInt32();
    Gradient.Read(R);
    if (R.ReadByte() == 0) return;
    Size = R.ReadFloat32();
    ReadEnd(R);
  }

  static void Write(QDomElement& E, const TGvFont& F)
  {
    XmlWrite(E, QStringLiteral("Name"), F.Name());
    XmlWrite(E, QStringLiteral("Size"), F.Size());
    XmlWrite(E, QStringLiteral("Style"), int(F.Style().toInt()));
    XmlWrite(E, QStringLiteral("DrawEffects"), int(F.DrawEffects().toInt()));
    XmlWrite(E, QStringLiteral("RenderingHint"), int(F.RenderingHint()));
    XmlWriteColor(E, QStringLiteral("FillColor"), F.FillColor());
    QDomElement G = E.ownerDocument().createElement(QStringLiteral("Gradient"));
    TGradientForm::Write(G, *F.Gradient());
    E.appendChild(G);
  }
  void Read(const QDomElement& E)
  {
    XmlRead(E, QStringLiteral("Name"), Name);
    XmlRead(E, QStringLiteral("Size"), Size);
    XmlRead(E, QStringLiteral("Style"), Style);
    XmlRead(E, QStringLiteral("DrawEffects"), DrawEffects);
    XmlRead(E, QStringLiteral("RenderingHint"), RenderingHint);
    if (Style & ~FontStyleBits) throw BadAttribute(E, QStringLiteral("Style"));
    if (DrawEffects & ~DrawEffectBits) throw BadAttribute(E, QStringLiteral("DrawEffects"));
    if (RenderingHint < 0 || RenderingHint >= RenderingHintCount)
      throw BadAttribute(E, QStringLiteral("RenderingHint"));
    XmlReadColor(E, QStringLiteral("FillColor"), FillColor);
    const QDomElement G = E.firstChildElement(QStringLiteral("Gradient"));
    if (!G.isNull()) Gradient.Read(G);
  }

  static void Write(TGvIniFile& Ini, const QString& Sec, const QString& P, const TGvFont& F)
  {
    IniWriteText(Ini, Sec, P + QLatin1String(".Name"), F.Name());
    Ini.WriteSingle(Sec, P + QLatin1String(".Size"), F.Size());
    Ini.WriteInteger(Sec, P + QLatin1String(".Style"), int(F.Style().toInt()));
    Ini.WriteInteger(Sec, P + QLatin1String(".DrawEffects"), int(F.DrawEffects().toInt()));
    Ini.WriteInteger(Sec, P + QLatin1String(".RenderingHint"), int(F.RenderingHint()));
    Ini.WriteColor(Sec, P + QLatin1String(".FillColor"), F.FillColor());
    TGradientForm::Write(Ini, Sec, P + QLatin1String(".Gradient"), *F.Gradient());
  }
  void Read(const TGvIniFile& Ini, const QString& Sec, const QString& P)
  {
    IniRead(Ini, Sec, P + QLatin1String(".Name"), Name);
    IniRead(Ini, Sec, P + QLatin1String(".Size"), Size);
    IniRead(Ini, Sec, P + QLatin1String(".Style"), Style);
    IniRead(Ini, Sec, P + QLatin1String(".DrawEffects"), DrawEffects);
    IniRead(Ini, Sec, P + QLatin1String(".RenderingHint"), RenderingHint);
    if (Style & ~FontStyleBits) throw BadKey(Ini, Sec, P + QLatin1String(".Style"));
    if (DrawEffects & ~DrawEffectBits) throw BadKey(Ini, Sec, P + QLatin1String(".DrawEffects"));
    if (RenderingHint < 0 || RenderingHint >= RenderingHintCount)
      throw BadKey(Ini, Sec, P + QLatin1String(".RenderingHint"));
    IniReadColor(Ini, Sec, P + QLatin1String(".FillColor"), FillColor);
    Gradient.Read(Ini, Sec, P + QLatin1String(".Gradient"));
  }

  void Apply(TGvFont& F) const
  {
    F.SetName(Name);
    F.SetSize(Size);
    F.SetStyle(TGvFontStyles::fromInt(Style));
    F.SetDrawEffects(TGvCharDrawEffects::fromInt(DrawEffects));
    F.SetRenderingHint(TGvTextRenderingHint(RenderingHint));
    F.SetFillColor(FillColor);
    Gradient.Apply(*F.Gradient());
  }
};

// Applies a checked form with the settings' undo stack suspended.
template <class TForm, class TSettings> void ApplyForm(const TForm& Form, TSettings& S)
{
  TGvUndoSuspendScope Suspend(S.UndoStack());
  Form.Apply(S);
}

QDomElement AddChild(QDomElement& Parent, const QString& Name)
{
  QDomElement E = Parent.ownerDocument().createElement(Name);
  Parent.appendChild(E);
  return E;
}

} // namespace

void ToStream(TGvStreamWriter& W, const TGvGradientSettings& S)
{
  TGradientForm::Write(W, S);
}
void ToStream(TGvStreamWriter& W, const TGvSimpleLineSettings& S)
{
  TLineForm::Write(W, S, false);
}
void ToStream(TGvStreamWriter& W, const TGvLineSettings& S)
{
  TLineForm::Write(W, S, true);
}
void ToStream(TGvStreamWriter& W, const TGvAreaSettings& S)
{
  TAreaForm::Write(W, S);
}
void ToStream(TGvStreamWriter& W, const TGvFont& S)
{
  TFontForm::Write(W, S);
}

void FromStream(TGvStreamReader& R, TGvGradientSettings& S)
{
  TGradientForm F(S);
  F.Read(R);
  ApplyForm(F, S);
}
void FromStream(TGvStreamReader& R, TGvSimpleLineSettings& S)
{
  TLineForm F(S, false);
  F.Read(R);
  ApplyForm(F, S);
}
void FromStream(TGvStreamReader& R, TGvLineSettings& S)
{
  TLineForm F(S, true);
  F.Read(R);
  ApplyForm(F, S);
}
void FromStream(TGvStreamReader& R, TGvAreaSettings& S)
{
  TAreaForm F(S);
  F.Read(R);
  ApplyForm(F, S);
}
void FromStream(TGvStreamReader& R, TGvFont& S)
{
  TFontForm F(S);
  F.Read(R);
  ApplyForm(F, S);
}

QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvGradientSettings& S)
{
  QDomElement E = AddChild(Parent, Name);
  TGradientForm::Write(E, S);
  return E;
}
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvSimpleLineSettings& S)
{
  QDomElement E = AddChild(Parent, Name);
  TLineForm::Write(E, S, false);
  return E;
}
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvLineSettings& S)
{
  QDomElement E = AddChild(Parent, Name);
  TLineForm::Write(E, S, true);
  return E;
}
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvAreaSettings& S)
{
  QDomElement E = AddChild(Parent, Name);
  TAreaForm::Write(E, S);
  return E;
}
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvFont& S)
{
  QDomElement E = AddChild(Parent, Name);
  TFontForm::Write(E, S);
  return E;
}

template <class TForm, class TSettings, class... TArgs>
static bool ReadNode(const QDomElement& Parent, const QString& Name, TSettings& S, TArgs... Args)
{
  const QDomElement E = Parent.firstChildElement(Name);
  if (E.isNull()) return false;
  TForm F(S, Args...);
  F.Read(E);
  ApplyForm(F, S);
  return true;
}

bool FromNode(const QDomElement& Parent, const QString& Name, TGvGradientSettings& S)
{
  return ReadNode<TGradientForm>(Parent, Name, S);
}
bool FromNode(const QDomElement& Parent, const QString& Name, TGvSimpleLineSettings& S)
{
  return ReadNode<TLineForm>(Parent, Name, S, false);
}
bool FromNode(const QDomElement& Parent, const QString& Name, TGvLineSettings& S)
{
  return ReadNode<TLineForm>(Parent, Name, S, true);
}
bool FromNode(const QDomElement& Parent, const QString& Name, TGvAreaSettings& S)
{
  return ReadNode<TAreaForm>(Parent, Name, S);
}
bool FromNode(const QDomElement& Parent, const QString& Name, TGvFont& S)
{
  return ReadNode<TFontForm>(Parent, Name, S);
}

void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
           const TGvGradientSettings& S)
{
  TGradientForm::Write(Ini, Section, Prefix, S);
}
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
           const TGvSimpleLineSettings& S)
{
  TLineForm::Write(Ini, Section, Prefix, S, false);
}
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix, const TGvLineSettings& S)
{
  TLineForm::Write(Ini, Section, Prefix, S, true);
}
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix, const TGvAreaSettings& S)
{
  TAreaForm::Write(Ini, Section, Prefix, S);
}
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix, const TGvFont& S)
{
  TFontForm::Write(Ini, Section, Prefix, S);
}

void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvGradientSettings& S)
{
  TGradientForm F(S);
  F.Read(Ini, Section, Prefix);
  ApplyForm(F, S);
}
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvSimpleLineSettings& S)
{
  TLineForm F(S, false);
  F.Read(Ini, Section, Prefix);
  ApplyForm(F, S);
}
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvLineSettings& S)
{
  TLineForm F(S, true);
  F.Read(Ini, Section, Prefix);
  ApplyForm(F, S);
}
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvAreaSettings& S)
{
  TAreaForm F(S);
  F.Read(Ini, Section, Prefix);
  ApplyForm(F, S);
}
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix, TGvFont& S)
{
  TFontForm F(S);
  F.Read(Ini, Section, Prefix);
  ApplyForm(F, S);
}

// ---- Small helpers of the per-class forms ----------------------------------

namespace GvForms {

QString Str(const char* S)
{
  return QString::fromLatin1(S);
}

QString RefOf(const QObject* O)
{
  return O ? GetComponentRef(O) : QString();
}

int CheckedValue(int Value, int Count, const char* What, const char* Where)
{
  if (Value < 0 || Value >= Count)
    throw EGvReadError(QStringLiteral("Invalid %1 %2 in %3")
                           .arg(QLatin1String(What))
                           .arg(Value)
                           .arg(QLatin1String(Where)));
  return Value;
}

void ReadEndByte(TGvStreamReader& R, const char* Where)
{
  const uint8_t B = R.ReadByte();
  if (B != 0)
    throw EGvReadError(
        QStringLiteral("Unknown extension %1 in %2").arg(B).arg(QLatin1String(Where)));
}

QIODevice& Rereadable(QIODevice& Stream, QBuffer& Copy)
{
  if (!Stream.isSequential()) return Stream;
  Copy.setData(Stream.readAll());
  Copy.open(QIODevice::ReadOnly);
  return Copy;
}

QDomElement Child(QDomElement& Parent, const char* Name)
{
  QDomElement E = Parent.ownerDocument().createElement(QLatin1String(Name));
  Parent.appendChild(E);
  return E;
}

float FiniteOr(float V, float Else)
{
  return std::isfinite(V) ? V : Else;
}

} // namespace GvForms
