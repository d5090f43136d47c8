#include "controls/GvPropertyLink.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMetaType>
#include <QWidget>

namespace {

// Takes the text before the first "." off Rest; false when there was no ".".
bool SplitFirst(QString& Rest, QString& Part)
{
  const qsizetype p = Rest.indexOf(u'.');
  if (p < 0) {
    Part = Rest;
    Rest.clear();
    return false;
  }
  Part = Rest.left(p);
  Rest = Rest.mid(p + 1);
  return true;
}

bool IsObjectProperty(const QMetaProperty& Property)
{
  return Property.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

// Value converted for a property of the given kind; an invalid QVariant when
// it cannot be.
QVariant ConvertFor(TGvTypeKind Kind, const QVariant& Value)
{
  bool ok = false;
  switch (Kind) {
  case TGvTypeKind::Integer:
  case TGvTypeKind::Enumeration: {
    const qlonglong v = Value.toLongLong(&ok);
    return ok ? QVariant(v) : QVariant();
  }
  case TGvTypeKind::Float: {
    const double v = Value.toDouble(&ok);
    return ok ? QVariant(v) : QVariant();
  }
  case TGvTypeKind::String:
    return Value.canConvert<QString>() ? QVariant(Value.toString()) : QVariant();
  default:
    return QVariant();
  }
}

bool SameValue(TGvTypeKind Kind, const QVariant& A, const QVariant& B)
{
  switch (Kind) {
  case TGvTypeKind::Integer:
  case TGvTypeKind::Enumeration:
    return A.toLongLong() == B.toLongLong();
  case TGvTypeKind::Float:
    return A.toDouble() == B.toDouble();
  case TGvTypeKind::String:
    return A.toString() == B.toString();
  default:
    return true;
  }
}

} // namespace

TGvTypeKind GvTypeKindOf(const QMetaProperty& Property)
{
  if (!Property.isValid()) return TGvTypeKind::Unknown;
  if (Property.isEnumType()) return TGvTypeKind::Enumeration;
  if (IsObjectProperty(Property)) return TGvTypeKind::Class;
  switch (Property.metaType().id()) {
  case QMetaType::Bool:
    return TGvTypeKind::Enumeration;
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::Long:
  case QMetaType::ULong:
  case QMetaType::LongLong:
  case QMetaType::ULongLong:
  case QMetaType::Short:
  case QMetaType::UShort:
  case QMetaType::Char:
  case QMetaType::SChar:
  case QMetaType::UChar:
    return TGvTypeKind::Integer;
  case QMetaType::Float:
  case QMetaType::Double:
    return TGvTypeKind::Float;
  case QMetaType::QString:
    return TGvTypeKind::String;
  default:
    return TGvTypeKind::Unknown;
  }
}

TGvPropertyLinks::TGvPropertyLinks(QObject* ManagedInstance, const QString& ManagedProperty)
    : FManagedInstance(ManagedInstance), FManagedProperty(ManagedProperty)
{
  if (ManagedInstance) {
    const QMetaObject* meta = ManagedInstance->metaObject();
    const int index = meta->indexOfProperty(ManagedProperty.toLatin1().constData());
    if (index >= 0) {
      FManagedInstancePropInfo = meta->property(index);
      FTypeFilter = QString::fromLatin1(FManagedInstancePropInfo.typeName());
      FTypeKind = GvTypeKindOf(FManagedInstancePropInfo);
    }
  }
  QAbstractEventDispatcher* dispatcher =
      ManagedInstance ? QAbstractEventDispatcher::instance(ManagedInstance->thread()) : nullptr;
  if (!dispatcher) dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher)
    FIdle = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                    &TGvPropertyLinks::DoIdle);
}

TGvPropertyLinks::~TGvPropertyLinks()
{
  FManagedInstance = nullptr;
  FPropRecs.clear();
  disconnect(FIdle);
}

void TGvPropertyLinks::Modified()
{
  FNeedCheck = true;
}

void TGvPropertyLinks::SetItems(const QStringList& List)
{
  FNeedCheck = true;
  FItems = List;
}

void TGvPropertyLinks::WriteAll(const QVariant& Value)
{
  if (FWriting) return;
  FWriting = true;
  // A target's writer may run code that changes the paths; work on a copy.
  const std::vector<TGvPropertyRec> recs = FPropRecs;
  for (const TGvPropertyRec& rec : recs)
    if (rec.Instance && rec.PropInfo.isValid()) rec.PropInfo.write(rec.Instance, Value);
  FWriting = false;
}

void TGvPropertyLinks::SetLink(int Value)
{
  WriteAll(QVariant(Value));
}

void TGvPropertyLinks::SetLink(bool Value)
{
  SetLink(int(Value));
}

void TGvPropertyLinks::SetLink(double Value)
{
  WriteAll(QVariant(Value));
}

void TGvPropertyLinks::SetLink(const QString& Value)
{
  WriteAll(QVariant(Value));
}

void TGvPropertyLinks::Resolve(const QString& Path, TGvPropertyRec& Rec) const
{
  Rec = TGvPropertyRec();
  QString rest = Path;
  QString part;
  bool more = SplitFirst(rest, part);
  if (part.isEmpty()) return;

  QObject* form = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == part) {
      form = w;
      break;
    }
  if (!form) return;

  QObject* component = form;
  QObject* instance = form;
  QMetaProperty propInfo;
  QString instanceName = rest;
  bool ok = true;
  while (ok && more) {
    more = SplitFirst(rest, part);
    if (part.isEmpty()) {
      ok = false;
      break;
    }
    if (QObject* child = component->findChild<QObject*>(part)) {
      component = child;
      instance = child;
      instanceName = rest;
      continue;
    }
    const QMetaObject* meta = instance->metaObject();
    const int index = meta->indexOfProperty(part.toLatin1().constData());
    if (index < 0) {
      ok = false;
      break;
    }
    const QMetaProperty property = meta->property(index);
    if (IsObjectProperty(property)) {
      QObject* held = property.read(instance).value<QObject*>();
      if (!held) {
        ok = false;
        break;
      }
      instance = held;
    } else {
      propInfo = property;
    }
  }
  if (!ok) return;
  Rec.PropInfo = propInfo;
  Rec.Instance = instance;
  Rec.InstanceName = instanceName;
  Rec.TheComponent = component;
}

void TGvPropertyLinks::CheckLink()
{
  if (!FNeedCheck) return;
  FNeedCheck = false;
  FPropRecs.assign(size_t(FItems.size()), TGvPropertyRec());
  if (FItems.isEmpty()) return;
  for (qsizetype i = 0; i < FItems.size(); ++i) Resolve(FItems[i], FPropRecs[size_t(i)]);

  const TGvPropertyRec first = FPropRecs.front();
  if (!first.Instance || !first.PropInfo.isValid() || !FManagedInstance ||
      !FManagedInstancePropInfo.isValid())
    return;
  const QVariant value = ConvertFor(FTypeKind, first.PropInfo.read(first.Instance));
  if (value.isValid()) FManagedInstancePropInfo.write(FManagedInstance, value);
}

void TGvPropertyLinks::DoIdle()
{
  if (FItems.isEmpty()) return;
  if (FNeedCheck) {
    CheckLink();
    return;
  }
  if (FPropRecs.empty() || !FManagedInstance || !FManagedInstancePropInfo.isValid()) return;
  const TGvPropertyRec& first = FPropRecs.front();
  if (!first.Instance || !first.PropInfo.isValid()) return;
  if (!SameValue(FTypeKind, first.PropInfo.read(first.Instance),
                 FManagedInstancePropInfo.read(FManagedInstance)))
    Modified();
  if (FNeedCheck) CheckLink();
}

void TGvPropertyLinks::UpdateLinkNames()
{
  if (FNeedCheck || FPropRecs.size() != size_t(FItems.size())) {
    Modified();
    CheckLink();
  }
  for (qsizetype i = 0; i < FItems.size() && size_t(i) < FPropRecs.size(); ++i) {
    const TGvPropertyRec& rec = FPropRecs[size_t(i)];
    if (!rec.TheComponent) continue;
    QStringList names;
    for (QObject* o = rec.TheComponent; o; o = o->parent())
      if (!o->objectName().isEmpty() || !o->parent()) names.prepend(o->objectName());
    QString path = names.join(u'.');
    if (!rec.InstanceName.isEmpty()) path += u'.' + rec.InstanceName;
    FItems[i] = path;
  }
}
