// The component layer every chart class stands on.
//
// A chart component is a QObject: its QObject parent is its owner, its
// objectName is its Name, and its persistent settings are Q_PROPERTYs, so
// that property links, the undo stack and the saved forms reach them by name.
// References to other components are QPointers (they drop to null when the
// other component is destroyed); where a class must react to the loss, it
// also connects to the other object's destroyed() signal.
//
//   TGvUndoClient      the undo-stack reference and the one helper every
//                      persistent setter calls before it changes its value
//   TGvPersistent      an unnamed settings object owned by a chart object
//                      (line, area, gradient, font ...); tells its owner of a
//                      change through Changed()
//   TGvComponent       a named chart component (vector, series, axis ...)
//   TGvClassRegistry   chart classes by class name, one map per base kind, so
//                      that a class name read from a file creates only an
//                      object of the kind expected there
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <stdexcept>

// Errors the chart engine raises, with their fixed English messages.
class EGvError : public std::runtime_error
{
public:
  explicit EGvError(const QString& Message) : std::runtime_error(Message.toStdString()) {}
  QString Message() const { return QString::fromStdString(what()); }
};

// "i=%d index out of range" and its kin.
class EGvRangeError : public EGvError
{
public:
  using EGvError::EGvError;
  static EGvRangeError Index(qint64 I);
};

// An evaluation that cannot run: "No valid expression defined".
class EExternal : public EGvError
{
public:
  using EGvError::EGvError;
  static EExternal NoValidExpression();
};

// Arithmetic that cannot be carried out: an expression that cannot be read, a
// calculation without its data, too few points, a singular system, a result
// out of the range of doubles.
class EMathError : public EExternal
{
public:
  using EExternal::EExternal;
};

// What the undo stack offers to the objects that record their changes on it.
// The stack itself (a component of its own) derives from this class; until a
// graph hands one to its objects, recording does nothing.
class TGvUndoStackBase : public QObject
{
  Q_OBJECT
public:
  using QObject::QObject;
  // True while the stack replays entries: setters then do not record.
  virtual bool IsRestoring() const = 0;
  virtual void PushProperty(QObject* Instance, const QString& Comment, const char* PropName) = 0;
  virtual void PushComponent(QObject* Component, const QString& Comment) = 0;
  virtual void PushFreeComponent(QObject* Component, const QString& Comment) = 0;
  virtual void PushVectorState(QObject* Vector, const QString& Comment) = 0;
  virtual void StartGroup(const QString& Comment) = 0;
  virtual void StopGroup() = 0;

  // Recording stops while saved forms are read, so that loading a graph, an
  // axis, a series or a vector leaves no entries. Suspensions nest.
  void SuspendRecording() { ++FSuspended; }
  void ResumeRecording()
  {
    if (FSuspended > 0) --FSuspended;
  }
  bool RecordingSuspended() const { return FSuspended > 0; }

private:
  int FSuspended = 0;
};

// Suspends recording on a stack for the life of the scope.
class TGvUndoSuspendScope
{
public:
  explicit TGvUndoSuspendScope(TGvUndoStackBase* Stack) : FStack(Stack)
  {
    if (Stack) Stack->SuspendRecording();
  }
  ~TGvUndoSuspendScope()
  {
    if (FStack) FStack->ResumeRecording();
  }
  TGvUndoSuspendScope(const TGvUndoSuspendScope&) = delete;
  TGvUndoSuspendScope& operator=(const TGvUndoSuspendScope&) = delete;

private:
  QPointer<TGvUndoStackBase> FStack;
};

// Holds the undo stack that an object records its changes on.
class TGvUndoClient
{
public:
  virtual ~TGvUndoClient() = default;

  TGvUndoStackBase* UndoStack() const { return FUndoStack.data(); }
  // Classes with nested settings pass the stack on to them.
  virtual void SetUndoStack(TGvUndoStackBase* Stack) { FUndoStack = Stack; }

  // Whether a change made now would be recorded.
  bool Recording() const
  {
    return FUndoStack && !FUndoStack->IsRestoring() && !FUndoStack->RecordingSuspended();
  }
  // Called by a persistent setter before it changes the property PropName of
  // Self; Comment is the entry's description.
  void RecordUndo(QObject* Self, const char* PropName, const QString& Comment) const
  {
    if (Recording()) FUndoStack->PushProperty(Self, Comment, PropName);
  }
  void RecordStartGroup(const QString& Comment) const
  {
    if (Recording()) FUndoStack->StartGroup(Comment);
  }
  void RecordStopGroup() const
  {
    if (Recording()) FUndoStack->StopGroup();
  }
  void RecordVectorState(QObject* Vector, const QString& Comment) const
  {
    if (Recording()) FUndoStack->PushVectorState(Vector, Comment);
  }

private:
  QPointer<TGvUndoStackBase> FUndoStack;
};

// An unnamed settings object. Its owner (QObject parent) listens to Changed().
class TGvPersistent : public QObject, public TGvUndoClient
{
  Q_OBJECT
public:
  explicit TGvPersistent(QObject* Owner = nullptr) : QObject(Owner) {}

  // Tells the owner that a value changed.
  virtual void Modified() { emit Changed(); }

signals:
  void Changed();
};

// A named chart component.
class TGvComponent : public QObject, public TGvUndoClient
{
  Q_OBJECT
public:
  explicit TGvComponent(QObject* Owner = nullptr) : QObject(Owner) {}
  ~TGvComponent() override;

  QString Name() const { return objectName(); }
  void SetName(const QString& Name) { setObjectName(Name); }
  QObject* Owner() const { return parent(); }

  // While a saved form is being read the component takes values without
  // reacting to them (no notifications, no undo records).
  bool IsLoading() const { return FLoading; }
  virtual void SetLoading(bool Loading) { FLoading = Loading; }
  // True from the start of the destructor on.
  bool IsDestroying() const { return FDestroying; }

  // A value changed: tells whoever listens.
  virtual void Modified() { emit Changed(); }

signals:
  void Changed();

protected:
  // Derived destructors call this first, so that notifications sent while
  // they tear down can tell a dying component from a live one.
  void BeginDestroy() { FDestroying = true; }

private:
  bool FLoading = false;
  bool FDestroying = false;
};

// Sets a component's loading state for the life of the scope, also when the
// reading raises; its undo stack records nothing meanwhile.
class TGvLoadingScope
{
public:
  explicit TGvLoadingScope(TGvComponent* C)
      : FComponent(C), FWas(C ? C->IsLoading() : false), FSuspend(C ? C->UndoStack() : nullptr)
  {
    if (C) C->SetLoading(true);
  }
  ~TGvLoadingScope()
  {
    if (FComponent) FComponent->SetLoading(FWas);
  }
  TGvLoadingScope(const TGvLoadingScope&) = delete;
  TGvLoadingScope& operator=(const TGvLoadingScope&) = delete;

private:
  QPointer<TGvComponent> FComponent;
  bool FWas;
  TGvUndoSuspendScope FSuspend;
};

// The chart classes by class name, one registry per base kind (Base is the
// kind, for example TGvSeries). The registries are filled on first use by
// GvRegisterChartClasses. Beside them the engine keeps one more process-wide
// value, the colour cycle of new series (GvSeries), and the expression
// parser keeps its registries of named values (GvParseFkt).
template <class Base> class TGvClassRegistry
{
public:
  using TFactory = std::function<Base*(QObject* Owner)>;

  static TGvClassRegistry& Instance();

  template <class T> void Register()
  {
    Register(QString::fromLatin1(T::staticMetaObject.className()),
             [](QObject* Owner) -> Base* { return new T(Owner); });
  }
  void Register(const QString& ClassName, TFactory Factory) { FFactories[ClassName] = Factory; }

  bool Contains(const QString& ClassName) const { return FFactories.count(ClassName) != 0; }
  // A new object of the class, owned by Owner; nullptr for a class that is not
  // registered for this kind.
  Base* Create(const QString& ClassName, QObject* Owner) const
  {
    auto It = FFactories.find(ClassName);
    return It == FFactories.end() ? nullptr : It->second(Owner);
  }
  QStringList ClassNames() const
  {
    QStringList Names;
    for (const auto& [Name, Factory] : FFactories) Names << Name;
    return Names;
  }

private:
  TGvClassRegistry() = default;
  std::map<QString, TFactory> FFactories;
};

// A new component of a registered chart class of any kind, owned by Owner;
// nullptr for a class no registry knows.
QObject* GvCreateChartComponent(const QString& ClassName, QObject* Owner);

// Registers every chart class with its kind's registry (GvRegistry.cpp holds
// the list). Runs once, on the first use of any registry; later calls return
// at once.
void GvRegisterChartClasses();

template <class Base> TGvClassRegistry<Base>& TGvClassRegistry<Base>::Instance()
{
  static TGvClassRegistry Registry;
  GvRegisterChartClasses();
  return Registry;
}
