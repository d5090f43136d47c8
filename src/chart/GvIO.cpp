#include "chart/GvIO.h"

#include "controls/GvStringFunctions.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QWidget>
#include <bit>
#include <cstring>

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
    const bool Taken = Owner ? Owner->findChild<QObject*>(Name, Qt::FindDirectChildrenOnly) != nullptr
                             : TopLevelByName(Name) != nullptr;
    if (!Taken) return Name;
  }
}

// ---- Binary writer --------------------------------------------------------

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

template <class T>
static T ToLittleEndian(T V)
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

template <class T>
void TGvStreamWriter::WriteLE(T V)
{
  V = ToLittleEndian(V);
  WriteBytes(reinterpret_cast<const char*>(&V), sizeof(T));
}

void TGvStreamWriter::WriteFloat32(float V) { WriteLE(std::bit_cast<uint32_t>(V)); }
void TGvStreamWriter::WriteFloat64(double V) { WriteLE(std::bit_cast<uint64_t>(V)); }

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

static EGvReadError ShortRead() { return EGvReadError(QStringLiteral("Unexpected end of stream")); }

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

template <class T>
T TGvStreamReader::ReadLE()
{
  T V;
  ReadBytes(reinterpret_cast<char*>(&V), sizeof(T));
  return ToLittleEndian(V);
}

float TGvStreamReader::ReadFloat32() { return std::bit_cast<float>(ReadLE<uint32_t>()); }
double TGvStreamReader::ReadFloat64() { return std::bit_cast<double>(ReadLE<uint64_t>()); }

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

void TGvStreamReader::ReadDoubles(int32_t Count, std::vector<double>& Values)
{
  CheckAvailable(qint64(Count) * 8);
  constexpr int32_t Piece = 1 << 16;
  for (int32_t Left = Count; Left > 0;) {
    const int32_t N = std::min(Left, Piece);
    const size_t Old = Values.size();
    Values.resize(Old + size_t(N));
    ReadBytes(reinterpret_cast<char*>(Values.data() + Old), qint64(N) * 8);
    if constexpr (std::endian::native == std::endian::big) {
      for (size_t I = Old; I < Values.size(); ++I) Values[I] = ToLittleEndian(Values[I]);
    }
    Left -= N;
  }
}

void StringToStream(TGvStreamWriter& W, const QString& S) { W.WriteString(S); }
QString StringFromStream(TGvStreamReader& R) { return R.ReadString(); }

// ---- Ini ------------------------------------------------------------------

static const QString ReturnToken = QStringLiteral("@\\r");

QString AddReturnTokens(const QString& S)
{
  QString R = S;
  R.replace(QChar(13), ReturnToken);
  return R;
}

QString RemoveReturnTokens(const QString& S)
{
  QString R = S;
  R.replace(ReturnToken, QString(QChar(13)));
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

bool TGvIniFile::SectionExists(const QString& Section) const { return Find(Section) != nullptr; }

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
  const QString Text = ReadString(Section, Key, QString());
  if (Text.trimmed().isEmpty()) return Default;
  try {
    return DoubleFromStr(Text);
  } catch (const EConvertError&) {
    return Default;
  }
}

void TGvIniFile::WriteFloat(const QString& Section, const QString& Key, double Value)
{
  WriteString(Section, Key, DoubleToStr(Value));
}

// ---- XML ------------------------------------------------------------------

bool ContainsNode(const QDomElement& Node, const QString& Name)
{
  return !Node.firstChildElement(Name).isNull();
}

QString BoolToXml(bool Value) { return Value ? QStringLiteral("True") : QStringLiteral("False"); }

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
