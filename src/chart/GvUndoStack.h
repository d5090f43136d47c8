// The undo stack of the chart engine.
//
// Every persistent setter of the chart classes records the old value here
// before it changes it (TGvUndoClient::RecordUndo); a graph hands its stack to
// the objects it holds. One user action that changes several values is one
// group and is undone as one step: entries recorded outside StartGroup /
// StopGroup are a group each.
//
// Entry kinds, each "comment, token, payload" in the stack's own little-endian
// encoding (it only has to read back what it wrote itself, within one run):
//   Property       object, property name, the value (by the property's type)
//   Component      object, class, owner and name, the component's state
//   FreeComponent  object (undo frees it: it was created by the change)
//   EditState      edit control, its text, selection start and length
//   VectorState    vector, then the vector's binary stream form
//   GroupStart, GroupEnd
//
// An object is written as its dotted path from the application (when that
// path leads back to it) and an identity: a number this stack hands out and
// keeps in a registry of guarded references, so that an object that is freed
// is never reached again through its number (a recreated one is found again
// by its path). Entries whose object is gone are passed over.
//
// Storage: every group keeps its own entries, either in a buffer of its own
// (ToMemoryStream) or as a segment of a temporary file (QTemporaryFile:
// created exclusively, removed with the stack). Dropping the oldest group when
// Limit is reached forgets one buffer or one segment; nothing is copied. A
// file whose dead segments outweigh the live ones is compacted now and then,
// which costs, spread over the pushes, a constant per byte recorded.
//
// Undoing a group first writes the present state of everything the group
// touches into the group's redo entries, then restores the recorded values,
// last entry first. Redo applies the redo entries, last first. An error while
// replaying leaves the stack unusable: it is cleared and the error raised
// again.
#pragma once

#include "chart/GvComponent.h"
#include "chart/GvIO.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QTemporaryFile;
class TGvUndoStack;

enum class TGvUndoToken : uint8_t
{
  Property,
  Component,
  FreeComponent,
  EditState,
  VectorState,
  GroupStart,
  GroupEnd,
};

// In-process identities of objects: numbers from 1 up, each bound to a
// guarded reference. A number whose object has been destroyed finds nothing;
// an object gets a new number if one is asked for after the old one died.
class TGvObjectIdentities
{
public:
  explicit TGvObjectIdentities(QObject* Context) : FContext(Context) {}
  uint32_t IdOf(QObject* Object);
  QObject* Find(uint32_t Id) const;
  // Components the stack may free: those recorded as free components and
  // those it made again itself. No entry frees anything else.
  void MarkFreeable(QObject* Object) { FFreeable.insert(IdOf(Object)); }
  bool Freeable(QObject* Object) const;
  void Clear();
  qsizetype Size() const { return qsizetype(FById.size()); }

private:
  QObject* FContext;
  std::unordered_map<uint32_t, QPointer<QObject>> FById;
  std::unordered_map<const QObject*, uint32_t> FByObject;
  std::unordered_set<uint32_t> FFreeable;
  uint32_t FNext = 1;
};

// The group comments, most recent first; read-only (Clear, Delete and Insert
// do nothing).
class TGvUndoCommentList
{
public:
  TGvUndoCommentList(const TGvUndoStack* Stack, bool Redo) : FStack(Stack), FRedo(Redo) {}
  int Count() const;
  QString Strings(int I) const;
  QString operator[](int I) const { return Strings(I); }
  QStringList ToStringList() const;
  void Clear() {}
  void Delete(int) {}
  void Insert(int, const QString&) {}

private:
  const TGvUndoStack* FStack;
  bool FRedo;
};
using TGvUndoList = TGvUndoCommentList;
using TGvRedoList = TGvUndoCommentList;

class TGvUndoStack : public TGvUndoStackBase
{
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(int Limit READ Limit WRITE SetLimit)
  Q_PROPERTY(bool ToMemoryStream READ ToMemoryStream WRITE SetToMemoryStream)

public:
  explicit TGvUndoStack(QObject* Owner = nullptr);
  ~TGvUndoStack() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  // The most groups kept (the oldest go first); 0 or less keeps every group.
  int Limit() const { return FLimit; }
  void SetLimit(int Value) { FLimit = Value; }
  // Memory buffers, or a temporary file per side. Changing it empties the stack.
  bool ToMemoryStream() const { return FToMemoryStream; }
  void SetToMemoryStream(bool Value);

  // ---- Recording (nothing while disabled, replaying or suspended) ----
  bool IsRestoring() const override { return FRestoring; }
  // Raises "Property: "Name" not found" for a property the object lacks.
  void PushProperty(QObject* Instance, const QString& Comment, const char* PropName) override;
  void PushComponent(QObject* Component, const QString& Comment) override;
  // Raises "Component does not have a name" for an unnamed component.
  void PushFreeComponent(QObject* Component, const QString& Comment) override;
  void PushVectorState(QObject* Vector, const QString& Comment) override;
  // Edit: a QLineEdit (or any object with a "text" property); Caption and the
  // selection are its state before the change.
  void PushEditState(QObject* Edit, const QString& Caption, int SelStart, int SelLength,
                     const QString& Comment);
  void StartGroup(const QString& Comment) override;
  // Raises "Undo stack has too many StopGroup statements" (and records
  // nothing) when no group is open.
  void StopGroup() override;
  int GroupLevel() const { return FLevel; }

  // ---- Replaying ----
  // ToIndex 0 undoes (redoes) one group, n undoes n + 1 groups; more than
  // there are is limited to what there is.
  void Undo(int ToIndex = 0);
  void Redo(int ToIndex = 0);
  bool CanUndo() const { return FEnabled && FCurrent > 0; }
  bool CanRedo() const { return FEnabled && FCurrent < int(FGroups.size()); }
  // Group slots: every group held (undone ones too), and the undone ones.
  int UndoCount() const { return int(FGroups.size()); }
  // The index of the group the next Undo takes back (-1: none).
  int CurrentGroup() const { return FCurrent - 1; }
  int RedoCount() const { return int(FGroups.size()) - FCurrent; }
  // The comment of group I, oldest first (0 .. UndoCount - 1), and of redo
  // slot I (RedoCount - 1 is the next to redo).
  QString UndoComment(int I) const;
  QString RedoComment(int I) const;
  const TGvUndoList& UndoList() const { return FUndoList; }
  const TGvRedoList& RedoList() const { return FRedoList; }

  // Empties both sides (and the files).
  void Clear();
  // Forgets the undone groups.
  void ClearRedo();

  // ---- For tests and the fuzz target ----
  // The identity this stack gives an object.
  uint32_t Identity(QObject* Object) { return FIds.IdOf(Object); }
  // Reads one entry from Stream and restores what it holds (restoring flag
  // set; nothing written for redo). Raises EGvReadError for a malformed entry.
  void ReplayEntry(QIODevice& Stream);
  // Bytes held in memory or in the files for the live groups.
  qint64 StoredBytes() const;
  // The size and names of the temporary files (none in memory).
  qint64 FileBytes() const;
  QStringList FileNames() const;

signals:
  void OnUndo(QObject* Sender);
  void OnRedo(QObject* Sender);

private:
  struct TSegment
  {
    QByteArray Memory; // in memory
    qint64 Start = 0;  // in the file
    qint64 Size = 0;
    std::vector<qint64> Entries; // offsets of the entries in the segment
  };
  struct TGroup
  {
    QString Comment;
    TSegment Undo;
    std::optional<TSegment> Redo;
  };
  // One side's file (undo or redo entries).
  struct TFileSide
  {
    std::unique_ptr<QTemporaryFile> File;
    qint64 Live = 0;
  };
  class TEntryWriter;

  bool CanRecord() const { return FEnabled && !FRestoring && !RecordingSuspended(); }
  // Cuts the undone branch and opens a group when none is open; returns the
  // segment the entry goes to.
  TSegment& PreparePush(const QString& Comment);
  void DropOldest();
  void DropGroupsFrom(int Index);
  void ForgetSegment(TSegment& S, bool Redo);
  TFileSide& Side(bool Redo) { return Redo ? FRedoFile : FUndoFile; }
  void EnsureFile(TFileSide& Side);
  void CompactIfWorthIt(bool Redo);

  // Writes one entry through F (which writes the payload after comment and
  // token) into S; on failure the segment stays as it was.
  template <class F>
  void WriteEntry(TSegment& S, bool Redo, const QString& Comment, TGvUndoToken Token, F&& Payload);
  std::unique_ptr<QIODevice> OpenSegment(const TSegment& S, bool Redo) const;

  void ReplayGroupUndo(TGroup& G);
  void ReplayGroupRedo(TGroup& G);
  // Restores the entry at the reader's position; with Capture, first writes
  // the present state into the redo segment.
  void RestoreEntry(TGvStreamReader& R, TSegment* Capture);

  void WriteRef(TGvStreamWriter& W, QObject* Object);
  QObject* ReadRef(TGvStreamReader& R, bool& Named, QString* Path = nullptr);
  void WriteValue(TGvStreamWriter& W, QObject* Instance, const QMetaProperty& P);
  void ReadValue(TGvStreamReader& R, QObject* Instance, const QMetaProperty& P);
  void WriteComponentState(TGvStreamWriter& W, QObject* C);
  void ReadComponentState(TGvStreamReader& R, QObject* C);
  void WritePropertyList(TGvStreamWriter& W, QObject* O, int Depth);
  void ReadPropertyList(TGvStreamReader& R, QObject* O, int Depth);
  void WriteEditState(TGvStreamWriter& W, QObject* Edit);

  bool FEnabled = true;
  int FLimit = 20;
  bool FToMemoryStream = true;
  bool FRestoring = false;
  int FLevel = 0;
  int FRedoHeld = 0; // groups holding redo entries
  std::deque<TGroup> FGroups;
  int FCurrent = 0; // groups applied: undo goes back from here
  TFileSide FUndoFile, FRedoFile;
  TGvObjectIdentities FIds;
  TGvUndoList FUndoList;
  TGvRedoList FRedoList;
};
