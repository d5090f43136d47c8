// Conventions shared by the saved forms of the chart engine: component
// references, the little-endian binary reader and writer, strings in streams
// and ini files, the ini file itself and small XML helpers.
#pragma once

#include "chart/GvComponent.h"

#include <QDomElement>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

// ---- Component references -------------------------------------------------
//
// A component is named in a saved chart by its dotted owner path: its own
// name, prefixed by the names of its owners up to (not including) the
// application object. An unnamed component, one with an unnamed owner, or one
// whose path holds a name with a "." has the empty reference.
//
// A path is resolved from the top: its first segment names an object owned by
// the application object (searched first, in order) or a top-level widget;
// every further segment is a direct child of the previous object.

QString GetComponentRef(const QObject* Component);
QObject* GetComponentFromRef(const QString& Ref);
QString OwnerName(const QString& Ref);
QString ComponentName(const QString& Ref);
// The object named by OwnerName(Ref), or the application object when that is
// empty; nullptr when the owner cannot be found.
QObject* RefOwner(const QString& Ref);
// Base + "1", or Base + "2", "3", ...: the first name that no direct child of
// Owner carries (with no owner: the first that resolves to nothing at the top).
QString UniqueName(const QObject* Owner, const QString& Base);

// ---- Binary forms ---------------------------------------------------------

// A saved form that cannot be read: truncated, corrupted or inconsistent.
class EGvReadError : public EGvError
{
public:
  using EGvError::EGvError;
};

// Writes little-endian values to a device. A device that refuses bytes raises
// EGvError("Stream write error").
class TGvStreamWriter
{
public:
  explicit TGvStreamWriter(QIODevice& Device) : FDevice(Device) {}

  void WriteBytes(const char* Data, qint64 Size);
  void WriteByte(uint8_t V) { WriteBytes(reinterpret_cast<const char*>(&V), 1); }
  void WriteBool(bool V) { WriteByte(V ? 1 : 0); }
  void WriteInt16(int16_t V) { WriteLE(V); }
  void WriteUInt16(uint16_t V) { WriteLE(V); }
  void WriteInt32(int32_t V) { WriteLE(V); }
  void WriteUInt32(uint32_t V) { WriteLE(V); }
  void WriteInt64(int64_t V) { WriteLE(V); }
  void WriteFloat32(float V);
  void WriteFloat64(double V);
  // A signed 32-bit byte length, then the UTF-8 bytes, no terminator.
  void WriteString(const QString& S);
  void WriteDoubles(const double* Values, qint64 Count);

  QIODevice& Device() { return FDevice; }

private:
  template <class T>
  void WriteLE(T V);
  QIODevice& FDevice;
};

// Reads little-endian values. Every read checks for a short read; counts and
// lengths are checked against what the device still holds (when it can tell)
// before anything is allocated, and storage otherwise grows only with the
// bytes actually read. Failures raise EGvReadError.
class TGvStreamReader
{
public:
  explicit TGvStreamReader(QIODevice& Device) : FDevice(Device) {}

  void ReadBytes(char* Data, qint64 Size);
  uint8_t ReadByte();
  bool ReadBool() { return ReadByte() != 0; }
  int16_t ReadInt16() { return ReadLE<int16_t>(); }
  uint16_t ReadUInt16() { return ReadLE<uint16_t>(); }
  int32_t ReadInt32() { return ReadLE<int32_t>(); }
  uint32_t ReadUInt32() { return ReadLE<uint32_t>(); }
  int64_t ReadInt64() { return ReadLE<int64_t>(); }
  float ReadFloat32();
  double ReadFloat64();
  // A length of 0 or less reads as the empty string.
  QString ReadString();
  // Reads a string and returns to where it started.
  QString PeekString();
  // An int32 count of items of ElementSize bytes each that must follow:
  // negative counts and counts larger than the rest of the device raise.
  int32_t ReadCount(qint64 ElementSize);
  // Count doubles, appended to Values (storage grows with what was read).
  void ReadDoubles(int32_t Count, std::vector<double>& Values);

  // Bytes left on a random-access device; -1 when the device cannot tell.
  qint64 Remaining() const;
  QIODevice& Device() { return FDevice; }

private:
  template <class T>
  T ReadLE();
  void CheckAvailable(qint64 Bytes) const;
  QIODevice& FDevice;
};

// The stream-string functions of the saved forms, over the writer and reader.
void StringToStream(TGvStreamWriter& W, const QString& S);
QString StringFromStream(TGvStreamReader& R);
inline void EncodeToStream(TGvStreamWriter& W, const QString& S) { StringToStream(W, S); }
inline QString DecodeFromStream(TGvStreamReader& R) { return StringFromStream(R); }

// ---- Ini files ------------------------------------------------------------

// Replaces every carriage return by the token "@\r" (at sign, backslash,
// letter r), and back.
QString AddReturnTokens(const QString& S);
QString RemoveReturnTokens(const QString& S);
inline QString EncodeForIni(const QString& S) { return AddReturnTokens(S); }
inline QString DecodeFomIni(const QString& S) { return RemoveReturnTokens(S); }

// A small ini file: sections and keys in the order they were written, values
// stored exactly as given ("Key=Value", one per line, nothing escaped or
// quoted). QSettings cannot be used: it escapes, quotes and reorders keys on
// its own, so the saved forms would not come out byte for byte.
class TGvIniFile
{
public:
  TGvIniFile() = default;
  explicit TGvIniFile(const QString& FileName) : FFileName(FileName) {}

  // Reads FileName (a missing file gives an empty ini); raises EGvReadError
  // when the file exists but cannot be read.
  void Load();
  // Writes FileName through a QSaveFile, so a failed write keeps the old file;
  // raises EGvError on failure.
  void Save() const;
  QString FileName() const { return FFileName; }

  QByteArray ToText() const;
  void FromText(const QByteArray& Text);

  bool SectionExists(const QString& Section) const;
  bool ValueExists(const QString& Section, const QString& Key) const;
  QStringList Sections() const;
  QStringList Keys(const QString& Section) const;
  void EraseSection(const QString& Section);
  void Clear() { FSections.clear(); }

  QString ReadString(const QString& Section, const QString& Key, const QString& Default) const;
  void WriteString(const QString& Section, const QString& Key, const QString& Value);
  int ReadInteger(const QString& Section, const QString& Key, int Default) const;
  void WriteInteger(const QString& Section, const QString& Key, int Value);
  // "1" and "0" on writing; on reading any integer, non-zero being true.
  bool ReadBool(const QString& Section, const QString& Key, bool Default) const;
  void WriteBool(const QString& Section, const QString& Key, bool Value);
  // DoubleToStr / DoubleFromStr text; an unreadable value gives Default.
  double ReadFloat(const QString& Section, const QString& Key, double Default) const;
  void WriteFloat(const QString& Section, const QString& Key, double Value);

private:
  struct TSection
  {
    QString Name;
    std::vector<std::pair<QString, QString>> Values;
  };
  const TSection* Find(const QString& Section) const;
  TSection& FindOrAdd(const QString& Section);

  QString FFileName;
  std::vector<TSection> FSections;
};

// ---- XML ------------------------------------------------------------------

// Whether Node has a child element of that name.
bool ContainsNode(const QDomElement& Node, const QString& Name);
// The platform's Boolean texts of the XML forms: "True" and "False"; reading
// also takes "1"/"0" and any case.
QString BoolToXml(bool Value);
bool BoolFromXml(const QString& Text, bool Default);
