#include "chart/GvDataSource.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QSqlTableModel>

// ---- TGvDataSource --------------------------------------------------------

TGvDataSource::TGvDataSource(QObject* Owner)
    : TGvComponent(Owner), FOwnModel(new QSqlQueryModel(this))
{
  ConnectModel(FOwnModel);
}

TGvDataSource::~TGvDataSource()
{
  BeginDestroy();
  for (const auto& C : FModelConnections) disconnect(C);
}

void TGvDataSource::SetConnectionName(const QString& Name)
{
  if (Name == FConnectionName) return;
  RecordUndo(this, "ConnectionName", QStringLiteral("Data source connection"));
  const bool WasOpen = !FModel && Active();
  FConnectionName = Name;
  if (WasOpen) Close();
  Modified();
}

void TGvDataSource::SetSQL(const QString& SQL)
{
  if (SQL == FSQL) return;
  RecordUndo(this, "SQL", QStringLiteral("Data source SQL"));
  const bool WasOpen = !FModel && Active();
  FSQL = SQL;
  if (WasOpen) Close();
  Modified();
}

bool TGvDataSource::Active() const
{
  const QSqlQueryModel* M = Model();
  return M && M->columnCount() > 0;
}

void TGvDataSource::SetActive(bool Value)
{
  if (IsLoading()) {
    // The connection and the statement may still follow.
    FOpenWhenLoaded = Value;
    return;
  }
  if (Value == Active()) return;
  RecordUndo(this, "Active", QStringLiteral("Data source active"));
  if (Value)
    Open();
  else
    Close();
}

void TGvDataSource::SetLoading(bool Loading)
{
  const bool Was = IsLoading();
  TGvComponent::SetLoading(Loading);
  if (Was && !Loading && FOpenWhenLoaded) {
    FOpenWhenLoaded = false;
    Open();
  }
}

void TGvDataSource::Open()
{
  const QString Connection = FConnectionName.isEmpty()
                                 ? QString::fromLatin1(QSqlDatabase::defaultConnection)
                                 : FConnectionName;
  if (!QSqlDatabase::contains(Connection))
    throw EGvError(QStringLiteral("Unknown database connection \"%1\"").arg(Connection));
  QSqlDatabase Db = QSqlDatabase::database(Connection, true);
  if (!Db.isOpen())
    throw EGvError(QStringLiteral("Cannot open database connection \"%1\": %2")
                       .arg(Connection, Db.lastError().text()));
  ++FQuiet;
  FOwnModel->setQuery(FSQL, Db);
  const QSqlError Error = FOwnModel->lastError();
  if (Error.isValid())
    FOwnModel->clear();
  else
    FetchAll();
  --FQuiet;
  if (!FModel) Send(&TGvDataSource::DataSetChanged);
  if (Error.isValid())
    throw EGvError(QStringLiteral("Cannot open data source: %1").arg(Error.text()));
}

void TGvDataSource::Close()
{
  ++FQuiet;
  FOwnModel->clear();
  --FQuiet;
  if (!FModel) Send(&TGvDataSource::DataSetChanged);
}

void TGvDataSource::Refresh()
{
  if (FModel) {
    if (auto* Table = qobject_cast<QSqlTableModel*>(FModel.data())) Table->select();
    return;
  }
  if (Active()) Open();
}

void TGvDataSource::SetModel(QSqlQueryModel* Model)
{
  if (Model == FOwnModel) Model = nullptr;
  if (Model == FModel) return;
  if (FModel) FModel->disconnect(this);
  FModel = Model;
  if (Model) {
    ConnectModel(Model);
    connect(Model, &QObject::destroyed, this, [this] { Send(&TGvDataSource::DataSetChanged); });
    FetchAll();
  }
  Send(&TGvDataSource::DataSetChanged);
}

QSqlQueryModel* TGvDataSource::Model() const
{
  return FModel ? FModel.data() : FOwnModel;
}

int TGvDataSource::RecordCount() const
{
  const QSqlQueryModel* M = Model();
  return M ? M->rowCount() : 0;
}

int TGvDataSource::FieldIndex(const QString& FieldName) const
{
  const QSqlQueryModel* M = Model();
  if (!M || FieldName.isEmpty()) return -1;
  return M->record().indexOf(FieldName);
}

QVariant TGvDataSource::FieldValue(int Record, int Field) const
{
  const QSqlQueryModel* M = Model();
  if (!M) return QVariant();
  return M->data(M->index(Record, Field));
}

void TGvDataSource::DisableControls()
{
  ++FDisableCount;
}

void TGvDataSource::EnableControls()
{
  if (FDisableCount == 0) return;
  if (--FDisableCount == 0 && FHeldBack) {
    FHeldBack = false;
    emit DataSetChanged();
  }
}

void TGvDataSource::ConnectModel(QSqlQueryModel* Model)
{
  auto& C = FModelConnections;
  C << connect(Model, &QAbstractItemModel::modelReset, this, &TGvDataSource::OnReset);
  C << connect(Model, &QAbstractItemModel::layoutChanged, this, &TGvDataSource::OnReset);
  C << connect(Model, &QAbstractItemModel::rowsInserted, this, &TGvDataSource::OnRows);
  C << connect(Model, &QAbstractItemModel::rowsRemoved, this, &TGvDataSource::OnRows);
  C << connect(Model, &QAbstractItemModel::dataChanged, this, &TGvDataSource::OnValues);
}

void TGvDataSource::FetchAll()
{
  QSqlQueryModel* M = Model();
  if (!M) return;
  ++FQuiet;
  while (M->canFetchMore()) M->fetchMore();
  --FQuiet;
}

void TGvDataSource::OnReset()
{
  if (FQuiet > 0 || sender() != Model()) return;
  FetchAll();
  Send(&TGvDataSource::DataSetChanged);
}

void TGvDataSource::OnRows()
{
  if (FQuiet > 0 || sender() != Model()) return;
  // A view that fetched a further batch: read the rest as well.
  FetchAll();
  Send(&TGvDataSource::DataSetChanged);
}

void TGvDataSource::OnValues()
{
  if (FQuiet > 0 || sender() != Model()) return;
  Send(&TGvDataSource::RecordChanged);
}

void TGvDataSource::Send(void (TGvDataSource::*Signal)())
{
  if (IsDestroying()) return;
  if (FDisableCount > 0) {
    FHeldBack = true;
    return;
  }
  emit(this->*Signal)();
}

// ---- TGvListLink ----------------------------------------------------------

TGvListLink::TGvListLink(QObject* Context, std::function<void()> OnChanged,
                         std::function<void()> OnSourceLost)
    : FContext(Context), FOnChanged(std::move(OnChanged)), FOnSourceLost(std::move(OnSourceLost))
{
}

TGvListLink::~TGvListLink()
{
  Disconnect();
}

void TGvListLink::Disconnect()
{
  for (const auto& C : FConnections) QObject::disconnect(C);
  FConnections.clear();
}

void TGvListLink::SetDataSource(TGvDataSource* Source)
{
  if (Source == FDataSource) return;
  Disconnect();
  FDataSource = Source;
  FLastRecordCount = -1;
  if (!Source) return;
  FConnections << QObject::connect(Source, &TGvDataSource::DataSetChanged, FContext,
                                   [this] { DataEvent(TDataEvent::DataSetChange); });
  FConnections << QObject::connect(Source, &TGvDataSource::RecordChanged, FContext,
                                   [this] { DataEvent(TDataEvent::FieldChange); });
  FConnections << QObject::connect(Source, &QObject::destroyed, FContext, [this] {
    Disconnect();
    FDataSource = nullptr;
    if (FOnSourceLost) FOnSourceLost();
  });
}

QSqlQueryModel* TGvListLink::DataSet() const
{
  return FDataSource ? FDataSource->Model() : nullptr;
}

int TGvListLink::FieldIndex() const
{
  return FDataSource ? FDataSource->FieldIndex(FFieldName) : -1;
}

void TGvListLink::DataEvent(TDataEvent Event)
{
  switch (Event) {
  case TDataEvent::FieldChange:
  case TDataEvent::UpdateRecord:
    if (FOnChanged) FOnChanged();
    break;
  case TDataEvent::DataSetChange: {
    const int Count = FDataSource ? FDataSource->RecordCount() : 0;
    if (Count != FLastRecordCount) {
      FLastRecordCount = Count;
      if (FOnChanged) FOnChanged();
    }
    break;
  }
  }
}
