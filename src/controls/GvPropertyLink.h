// Property links: one property of a control (its managed property, "Value" for
// the entry controls) bound to properties of other objects named by dotted
// paths. A new value of the control is written into every linked property;
// while the application is idle the first linked property is watched, and a
// change made to it elsewhere is copied back into the control.
//
// A path is the objectName of an open top-level widget, then any number of
// object names (each found among the descendants of the previous object, the
// direct children first), then any number of QObject*-valued property names,
// ending with the name of the target property: "FormSettings.EditLimit.Value".
// A path that does not resolve is skipped.
#pragma once

#include <QMetaObject>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

// The kind of a property's type, as far as links copy and compare values.
enum class TGvTypeKind
{
  Unknown,
  Integer,     // integral numbers
  Enumeration, // enumerations and bool
  Float,       // float and double
  String,      // QString
  Class        // QObject pointers
};

TGvTypeKind GvTypeKindOf(const QMetaProperty& Property);

// One resolved path.
struct TGvPropertyRec
{
  QMetaProperty PropInfo;         // the target property; invalid when there is none
  QPointer<QObject> Instance;     // the object that has the target property
  QString InstanceName;           // the rest of the path after TheComponent
  QPointer<QObject> TheComponent; // the last object on the path found by name
};

class TGvPropertyLinks : public QObject
{
  Q_OBJECT
  Q_PROPERTY(QObject* ManagedInstance READ ManagedInstance)
  Q_PROPERTY(QString TypeFilter READ TypeFilter)
  Q_PROPERTY(QString ManagedProperty READ ManagedProperty)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)

public:
  TGvPropertyLinks(QObject* ManagedInstance, const QString& ManagedProperty);
  ~TGvPropertyLinks() override;

  QObject* ManagedInstance() const { return FManagedInstance; }
  QString TypeFilter() const { return FTypeFilter; }
  TGvTypeKind TypeKind() const { return FTypeKind; }
  QString ManagedProperty() const { return FManagedProperty; }
  const QStringList& Items() const { return FItems; }
  void SetItems(const QStringList& List);

  // The resolved targets, one per path, in the order of Items (empty until
  // the paths were resolved).
  const std::vector<TGvPropertyRec>& PropRecs() const { return FPropRecs; }

  // The paths must be resolved again.
  void Modified();
  // Writes Value into every resolved target property. A write that comes back
  // here while the targets are being written (a target linked back to this
  // control) is dropped.
  void SetLink(int Value);
  void SetLink(bool Value);
  void SetLink(double Value);
  void SetLink(const QString& Value);
  // Resolves the paths when needed and copies the first target's value into
  // the managed property.
  void CheckLink();
  // The idle check, run whenever the event loop is about to wait.
  void DoIdle();
  // Rewrites each resolved path as the chain of object names from its
  // top-level widget down to its last object, then the rest of the path.
  void UpdateLinkNames();

private:
  void WriteAll(const QVariant& Value);
  void Resolve(const QString& Path, TGvPropertyRec& Rec) const;

  bool FNeedCheck = true;
  QPointer<QObject> FManagedInstance;
  QString FTypeFilter;
  QString FManagedProperty;
  TGvTypeKind FTypeKind = TGvTypeKind::Unknown;
  QStringList FItems;
  std::vector<TGvPropertyRec> FPropRecs;
  QMetaObject::Connection FIdle;
  QMetaProperty FManagedInstancePropInfo;
  bool FWriting = false;
};
