// An undo stack that only lists what is recorded on it, for the tests of the
// setters that record their old values.
#pragma once

#include "chart/GvComponent.h"

#include <QString>
#include <vector>

class TRecordingUndoStack : public TGvUndoStackBase
{
public:
  struct TEntry
  {
    QString Kind; // "Property", "StartGroup", "StopGroup", ...
    QObject* Instance = nullptr;
    QString Comment;
    QString PropName;
  };

  bool Restoring = false;
  std::vector<TEntry> Entries;

  bool IsRestoring() const override { return Restoring; }
  void PushProperty(QObject* Instance, const QString& Comment, const char* PropName) override
  {
    Entries.push_back(
        {QStringLiteral("Property"), Instance, Comment, QString::fromLatin1(PropName)});
  }
  void PushComponent(QObject* Component, const QString& Comment) override
  {
    Entries.push_back({QStringLiteral("Component"), Component, Comment, {}});
  }
  void PushFreeComponent(QObject* Component, const QString& Comment) override
  {
    Entries.push_back({QStringLiteral("FreeComponent"), Component, Comment, {}});
  }
  void PushVectorState(QObject* Vector, const QString& Comment) override
  {
    Entries.push_back({QStringLiteral("VectorState"), Vector, Comment, {}});
  }
  void StartGroup(const QString& Comment) override
  {
    Entries.push_back({QStringLiteral("StartGroup"), nullptr, Comment, {}});
  }
  void StopGroup() override { Entries.push_back({QStringLiteral("StopGroup"), nullptr, {}, {}}); }
};
