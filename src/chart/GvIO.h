// Conventions shared by the saved forms of the chart engine: component
// references, the little-endian binary reader and writer, strings in streams
// and ini files, the ini file itself and small XML helpers.
#pragma once

#include "chart/GvComponent.h"
#include "chart/GvGDI.h"

#include <QBuffer>
#include <QDomElement>
#include <QIODevice>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
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

// ---- Links read from saved forms ------------------------------------------
//
// A reader that meets a reference to another object hands it to GvLinkRef
// with the setter that takes the object. The reference is resolved at once;
// within a saved graph (a context is given, or is attached to the object
// being read) a reference that names nothing yet is tried again once every
// object of the graph exists (Finish), so that an object may name one saved
// after it. A reference that names nothing in the end, or an object of
// another class, leaves the link empty and is noted among the warnings.
//
// A graph is read twice: first into scratch objects with a checking context
// (nothing resolves, nothing outside the scratch objects changes), so that a
// form that cannot be read fails before anything of the graph has changed;
// then for real.
class TGvReadContext
{
public:
  enum class TMode
  {
    Apply,
    Check,
  };
  explicit TGvReadContext(TMode Mode = TMode::Apply) : FMode(Mode) {}

  bool Checking() const { return FMode == TMode::Check; }
  // Resolves the pending links; those whose holder is gone are dropped.
  void Finish();
  bool Finished() const { return FFinished; }
  void Warn(const QString& Text) { FWarnings << Text; }
  const QStringList& Warnings() const { return FWarnings; }

  // An object read under another name than the saved one (its name was
  // taken): references to the saved name lead to it.
  void Bind(const QString& Ref, QObject* Object) { FBound.emplace_back(Ref, Object); }
  // The object a reference names: a bound one first, then by its path.
  QObject* Resolve(const QString& Ref) const;

  void Pend(const QString& Ref, QObject* Holder, std::function<void(QObject*)> Set)
  {
    FPending.push_back({Ref, Holder, std::move(Set)});
  }

  // The context attached to an object while it reads itself (nullptr: none).
  static TGvReadContext* Of(const QObject* Object);

private:
  struct TPending
  {
    QString Ref;
    QPointer<QObject> Holder;
    std::function<void(QObject*)> Set;
  };
  TMode FMode;
  std::vector<TPending> FPending;
  std::vector<std::pair<QString, QPointer<QObject>>> FBound;
  QStringList FWarnings;
  bool FFinished = false;
};

// Attaches a context to an object for the life of the scope.
class TGvReadContextScope
{
public:
  TGvReadContextScope(QObject* Object, TGvReadContext* Context);
  ~TGvReadContextScope();
  TGvReadContextScope(const TGvReadContextScope&) = delete;
  TGvReadContextScope& operator=(const TGvReadContextScope&) = delete;

private:
  QPointer<QObject> FObject;
  TGvReadContext* FWas;
};

// Whether Object (not null) is a T; notes the refusal in Context.
template <class T>
T* GvTypedRef(TGvReadContext* Context, QObject* Object, const QString& Ref, const char* What)
{
  if (!Object) return nullptr;
  if (T* Typed = qobject_cast<T*>(Object)) return Typed;
  if (Context)
    Context->Warn(QStringLiteral("%1 \"%2\" names a %3, not a %4")
                      .arg(QLatin1String(What), Ref,
                           QLatin1String(Object->metaObject()->className()),
                           QLatin1String(T::staticMetaObject.className())));
  return nullptr;
}

// Calls Set with the T that Ref names (nullptr for the empty reference, for
// nothing, or for an object of another class), now or when the context
// finishes. The context is Context, or else the one attached to Holder.
// Holder guards the call: it is not made once Holder is gone. While checking
// nothing resolves and Set is called with nullptr.
template <class T, class TSet>
void GvLinkRef(TGvReadContext* Context, const QString& Ref, QObject* Holder, const char* What,
               TSet Set)
{
  if (!Context) Context = TGvReadContext::Of(Holder);
  if (Ref.isEmpty() || (Context && Context->Checking())) {
    Set(static_cast<T*>(nullptr));
    return;
  }
  if (QObject* O = Context ? Context->Resolve(Ref) : GetComponentFromRef(Ref)) {
    Set(GvTypedRef<T>(Context, O, Ref, What));
    return;
  }
  if (Context && !Context->Finished()) {
    Context->Pend(Ref, Holder, [Context, Ref, What, Set](QObject* O) mutable {
      Set(GvTypedRef<T>(Context, O, Ref, What));
    });
    return;
  }
  if (Context)
    Context->Warn(QStringLiteral("%1 \"%2\" names nothing").arg(QLatin1String(What), Ref));
  Set(static_cast<T*>(nullptr));
}

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
  template <class T> void WriteLE(T V);
  QIODevice& FDevice;
};

// Appends N doubles to Values (TGvStreamReader::ReadDoubles).
inline void GvAppendDoubles(std::vector<double>& Values, const double* From, std::size_t N)
{
  Values.insert(Values.end(), From, From + N);
}

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
  // Count doubles, appended to Values: a std::vector<double>, or any storage
  // with size(), resize(n), data() and a GvAppendDoubles overload. On a
  // random-access device the values come as one block (from the memory of a
  // buffer device straight into Values where they lie aligned); on a
  // sequential one in pieces, so that storage grows with what was read.
  template <class TDoubles> void ReadDoubles(int32_t Count, TDoubles& Values)
  {
    CheckAvailable(qint64(Count) * 8);
    if (Count <= 0) return;
    if (const double* Direct = DirectDoubles(Count)) {
      GvAppendDoubles(Values, Direct, std::size_t(Count));
      SkipDoubles(Count);
      return;
    }
    for (int32_t Left = Count; Left > 0;) {
      const int32_t N = DoublesPiece(Left);
      const std::size_t Old = Values.size();
      Values.resize(Old + std::size_t(N));
      ReadDoublesInto(Values.data() + Old, N);
      Left -= N;
    }
  }

  // Bytes left on a random-access device; -1 when the device cannot tell.
  qint64 Remaining() const;
  QIODevice& Device() { return FDevice; }

private:
  template <class T> T ReadLE();
  void CheckAvailable(qint64 Bytes) const;
  // Count doubles as they lie, aligned, in the memory of a buffer device at
  // its position (little-endian machines only); nullptr otherwise.
  const double* DirectDoubles(int32_t Count) const;
  void SkipDoubles(int32_t Count);
  // How many of Left doubles to read next.
  int32_t DoublesPiece(int32_t Left) const;
  void ReadDoublesInto(double* Values, int32_t N);
  QIODevice& FDevice;
};

// The stream-string functions of the saved forms, over the writer and reader.
void StringToStream(TGvStreamWriter& W, const QString& S);
QString StringFromStream(TGvStreamReader& R);
inline void EncodeToStream(TGvStreamWriter& W, const QString& S)
{
  StringToStream(W, S);
}
inline QString DecodeFromStream(TGvStreamReader& R)
{
  return StringFromStream(R);
}

// ---- Numbers as text -------------------------------------------------------
//
// The XML and ini forms write a double as the shortest text that reads back
// to the same double (at most 17 significant digits, "." as separator, in the
// layout DoubleToStr uses: "0.1", "-2.5E-7", "1E20"; "NAN", "INF", "-INF" for
// the values that are not finite), and a float as the shortest text that reads
// back to the same float. DoubleToStr keeps its 15 digits for what is shown.

QString GvFloatToText(double X);
QString GvFloatToText(float X);
// Reads those texts and every DoubleToStr text; blanks around are ignored.
// False (X unchanged) for anything else.
bool GvTextToFloat(const QString& Text, double& X);
bool GvTextToFloat(const QString& Text, float& X);

// The platform's temporary directory (the undo stack's files go there).
QString GetTemporaryPath();

// ---- Ini files ------------------------------------------------------------

// Ini values are single lines. EncodeForIni replaces every carriage return by
// the token "@\r" (at sign, backslash, letter r), every line feed by "@\n"
// and a literal "@\" by "@\\", so that no text can end its line and start a
// key of its own; DecodeFomIni turns the tokens back. Texts written before
// line feeds were encoded read as they did: their "@\r" tokens are carriage
// returns, and any other "@\" stays as it stands.
QString AddReturnTokens(const QString& S);
QString RemoveReturnTokens(const QString& S);
inline QString EncodeForIni(const QString& S)
{
  return AddReturnTokens(S);
}
inline QString DecodeFomIni(const QString& S)
{
  return RemoveReturnTokens(S);
}

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
  // Written as GvFloatToText (the shortest text that reads back exactly);
  // read as GvTextToFloat, so DoubleToStr texts read too. An unreadable value
  // gives Default.
  double ReadFloat(const QString& Section, const QString& Key, double Default) const;
  void WriteFloat(const QString& Section, const QString& Key, double Value);
  float ReadSingle(const QString& Section, const QString& Key, float Default) const;
  void WriteSingle(const QString& Section, const QString& Key, float Value);
  // Colour text (ARGBToString / ColorToARGB).
  TGvColor ReadColor(const QString& Section, const QString& Key, TGvColor Default) const;
  void WriteColor(const QString& Section, const QString& Key, TGvColor Value);

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

// The deepest element nesting a saved chart may hold. Deeper documents are
// refused before a DOM is built (the DOM frees and copies its trees
// recursively, so a crafted document could exhaust the stack).
constexpr int GvMaxXmlDepth = 64;
// Parses Text into Doc; raises EGvReadError with the parser's message and
// position when it is not well-formed XML or nests deeper than
// GvMaxXmlDepth.
void GvParseXml(const QByteArray& Text, QDomDocument& Doc);

// The text of a document with every element's attributes in name order.
// (QDomDocument::toByteArray writes them in an order that changes from one
// run of the program to the next, so the same chart would not give the same
// file twice.) UTF-8, indented by one blank per level.
QByteArray GvXmlText(const QDomDocument& Doc);
// Writes GvXmlText(Doc) through a QSaveFile; raises EGvError on failure.
void GvWriteXmlFile(const QString& FileName, const QDomDocument& Doc);
// Reads and parses a file with GvParseXml.
void GvReadXmlFile(const QString& FileName, QDomDocument& Doc);

// Attribute readers of the XML forms: a missing attribute keeps Value; one
// that is there but cannot be read raises EGvReadError naming it.
void XmlRead(const QDomElement& E, const QString& Name, bool& Value);
void XmlRead(const QDomElement& E, const QString& Name, int& Value);
void XmlRead(const QDomElement& E, const QString& Name, double& Value);
void XmlRead(const QDomElement& E, const QString& Name, float& Value);
void XmlRead(const QDomElement& E, const QString& Name, QString& Value);
// Colour text; an unreadable text reads as 0, as ColorToARGB gives it.
void XmlReadColor(const QDomElement& E, const QString& Name, TGvColor& Value);
void XmlWrite(QDomElement& E, const QString& Name, bool Value);
void XmlWrite(QDomElement& E, const QString& Name, int Value);
void XmlWrite(QDomElement& E, const QString& Name, double Value);
void XmlWrite(QDomElement& E, const QString& Name, float Value);
void XmlWrite(QDomElement& E, const QString& Name, const QString& Value);
void XmlWriteColor(QDomElement& E, const QString& Name, TGvColor Value);

// Ini readers with the same rule: a missing key keeps Value, a key that is
// there but cannot be read raises EGvReadError naming it.
void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, bool& Value);
void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, int& Value);
void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, double& Value);
void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, float& Value);
// The text through DecodeFomIni.
void IniRead(const TGvIniFile& Ini, const QString& Section, const QString& Key, QString& Value);
void IniReadColor(const TGvIniFile& Ini, const QString& Section, const QString& Key,
                  TGvColor& Value);
// The text through EncodeForIni.
void IniWriteText(TGvIniFile& Ini, const QString& Section, const QString& Key,
                  const QString& Value);

// ---- Style blocks ---------------------------------------------------------
//
// The saved forms of the line, area, gradient and font settings. Binary
// blocks are little-endian with more-follows bytes (a reader takes an
// extension group only when its byte is 1; a byte 0 ends the block):
//
//   gradient     Visible, Style bytes; FirstColor, MiddleColor, LastColor
//                uint32; LinearAngle, LinearCenter, RadialCenterX,
//                RadialCenterY float32; end byte 0
//   simple line  Color uint32; Width float32; DashStyle byte; 1; gradient; 0
//   line         Visible byte, then as the simple line
//   area         Visible byte; ForeColor, BackColor uint32; AreaStyle byte;
//                1; gradient; 0
//   font         Name string; Size int32 (whole points); Style byte (bold 1,
//                italic 2, underline 4, strike-out 8); 1; DrawEffects,
//                RenderingHint bytes; FillColor uint32; gradient; 1; Size
//                float32 (exact); 0
//
// Reading checks the whole block before it applies anything: a block that is
// cut short, holds a value outside its enumeration or an unknown extension
// raises EGvReadError and leaves the settings as they were. Values then go
// through the setters (limits and notifications apply); nothing is recorded
// on an undo stack. The XML forms are a child element named by the caller;
// the ini forms are keys Prefix + ".Color" ... in the caller's section. Parts
// missing from an XML element or an ini section keep their current values.

class TGvGradientSettings;
class TGvSimpleLineSettings;
class TGvLineSettings;
class TGvAreaSettings;
class TGvFont;

void ToStream(TGvStreamWriter& W, const TGvGradientSettings& S);
void ToStream(TGvStreamWriter& W, const TGvSimpleLineSettings& S);
void ToStream(TGvStreamWriter& W, const TGvLineSettings& S);
void ToStream(TGvStreamWriter& W, const TGvAreaSettings& S);
void ToStream(TGvStreamWriter& W, const TGvFont& S);
void FromStream(TGvStreamReader& R, TGvGradientSettings& S);
void FromStream(TGvStreamReader& R, TGvSimpleLineSettings& S);
void FromStream(TGvStreamReader& R, TGvLineSettings& S);
void FromStream(TGvStreamReader& R, TGvAreaSettings& S);
void FromStream(TGvStreamReader& R, TGvFont& S);

// Adds the child element Name to Parent and returns it.
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvGradientSettings& S);
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvSimpleLineSettings& S);
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvLineSettings& S);
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvAreaSettings& S);
QDomElement ToNode(QDomElement& Parent, const QString& Name, const TGvFont& S);
// Reads the child element Name of Parent; false (nothing changed) when there
// is none.
bool FromNode(const QDomElement& Parent, const QString& Name, TGvGradientSettings& S);
bool FromNode(const QDomElement& Parent, const QString& Name, TGvSimpleLineSettings& S);
bool FromNode(const QDomElement& Parent, const QString& Name, TGvLineSettings& S);
bool FromNode(const QDomElement& Parent, const QString& Name, TGvAreaSettings& S);
bool FromNode(const QDomElement& Parent, const QString& Name, TGvFont& S);

void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
           const TGvGradientSettings& S);
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
           const TGvSimpleLineSettings& S);
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
           const TGvLineSettings& S);
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
           const TGvAreaSettings& S);
void ToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix, const TGvFont& S);
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvGradientSettings& S);
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvSimpleLineSettings& S);
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvLineSettings& S);
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
             TGvAreaSettings& S);
void FromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix, TGvFont& S);

// ---- Small helpers of the per-class forms ----------------------------------

namespace GvForms {

// A key, attribute or element name as a string.
QString Str(const char* S);
// The reference of O; empty for none.
QString RefOf(const QObject* O);
// Value when it is one of the Count values of an enumeration, else the read
// error "Invalid <What> <Value> in <Where>".
int CheckedValue(int Value, int Count, const char* What, const char* Where);
// The end byte of a block: 0; anything else would be an extension whose
// length this reader cannot tell ("Unknown extension <B> in <Where>").
void ReadEndByte(TGvStreamReader& R, const char* Where);
// A device whose form can be read twice (checked, then applied): Stream
// itself, or for a sequential one the rest of it read into Copy.
QIODevice& Rereadable(QIODevice& Stream, QBuffer& Copy);
// A new child element Name of Parent.
QDomElement Child(QDomElement& Parent, const char* Name);
// A finite float from a form, Else for one that is not (the setters pass over
// values that are not finite).
float FiniteOr(float V, float Else);

// Hands a reference read to GvLinkRef; Set runs once it resolves, and only
// while Holder still exists.
template <class T, class THolder, class TSet>
void Link(THolder* Holder, const QString& Ref, const char* What, TSet Set)
{
  GvLinkRef<T>(nullptr, Ref, Holder, What, [P = QPointer<THolder>(Holder), Set](T* O) {
    if (P) Set(P.data(), O);
  });
}

} // namespace GvForms
