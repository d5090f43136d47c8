// Feeding chart objects from a database table.
//
//   TGvDataSource   a chart component placed beside a graph: a query over a
//                   Qt SQL connection (its own QSqlQueryModel), or a query
//                   model of the caller's (a QSqlTableModel that a table view
//                   also shows, for example). Every record is fetched, so the
//                   record count is the true one.
//   TGvListLink     the link of one chart object (a vector, an axis with
//                   rubrics) to one field of a data source; it turns the data
//                   source's events into the owner's "reload me" call.
//
// The data source has no cursor: readers take the records by number, so no
// record position needs to be remembered and restored around a reading.
#pragma once

#include "chart/GvComponent.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <functional>

class QSqlQueryModel;

class TGvDataSource : public TGvComponent
{
  Q_OBJECT
  // The name of the QSqlDatabase connection; empty for the default connection.
  Q_PROPERTY(QString ConnectionName READ ConnectionName WRITE SetConnectionName)
  // The SELECT statement of the own query.
  Q_PROPERTY(QString SQL READ SQL WRITE SetSQL)
  // Whether the dataset is open; setting it opens or closes the own query.
  Q_PROPERTY(bool Active READ Active WRITE SetActive)

public:
  explicit TGvDataSource(QObject* Owner = nullptr);
  ~TGvDataSource() override;

  QString ConnectionName() const { return FConnectionName; }
  void SetConnectionName(const QString& Name);
  QString SQL() const { return FSQL; }
  void SetSQL(const QString& SQL);
  bool Active() const;
  void SetActive(bool Value);

  // Runs the own query on the connection and fetches every record. Raises
  // EGvError with the driver's message when the connection or the query fails
  // (the dataset is then closed).
  void Open();
  void Close();
  // Reads the dataset again: the own query runs again; a QSqlTableModel of the
  // caller's selects again. Other models of the caller's are refreshed by the
  // caller.
  void Refresh();

  // A query model of the caller's as the dataset (not owned; when it is
  // destroyed the own query is the dataset again). nullptr returns to the own
  // query.
  void SetModel(QSqlQueryModel* Model);
  // The dataset: the caller's model when one is set, else the own one.
  QSqlQueryModel* Model() const;

  int RecordCount() const;
  // The column of a field (case-insensitive, as the drivers compare names);
  // -1 when the dataset has no such field.
  int FieldIndex(const QString& FieldName) const;
  // The value of a field in a record; a null value for a database NULL.
  QVariant FieldValue(int Record, int Field) const;

  // While controls are disabled the data source holds back its events; the
  // last EnableControls sends one DataSetChanged when any were held back.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }

  void SetLoading(bool Loading) override;

signals:
  // The dataset was opened, closed, read again, or gained or lost records.
  void DataSetChanged();
  // Values of existing records changed (an edit through the caller's model).
  void RecordChanged();

private:
  void ConnectModel(QSqlQueryModel* Model);
  void FetchAll();
  void OnReset();
  void OnRows();
  void OnValues();
  void Send(void (TGvDataSource::*Signal)());

  QString FConnectionName;
  QString FSQL;
  QSqlQueryModel* FOwnModel;
  QPointer<QSqlQueryModel> FModel;
  QList<QMetaObject::Connection> FModelConnections;
  bool FOpenWhenLoaded = false;
  int FDisableCount = 0;
  bool FHeldBack = false;
  int FQuiet = 0; // > 0 while the data source fetches records itself
};

// The link of a chart object to one field of a data source.
//
// The events of the data source reach the owner's OnChanged as follows: a
// change of values always; a change of the dataset only when its record count
// differs from the one the link saw last (which it then remembers), so that
// events that leave the records as they were do not reload the owner. When the
// data source is destroyed the link lets go of it and calls OnSourceLost.
class TGvListLink
{
public:
  enum class TDataEvent
  {
    FieldChange,
    UpdateRecord,
    DataSetChange
  };

  // Context is the object that owns the link: the connections end with it.
  TGvListLink(QObject* Context, std::function<void()> OnChanged,
              std::function<void()> OnSourceLost);
  ~TGvListLink();
  TGvListLink(const TGvListLink&) = delete;
  TGvListLink& operator=(const TGvListLink&) = delete;

  TGvDataSource* DataSource() const { return FDataSource.data(); }
  void SetDataSource(TGvDataSource* Source);
  QString FieldName() const { return FFieldName; }
  void SetFieldName(const QString& Name) { FFieldName = Name; }

  // The dataset behind the data source; nullptr without a data source.
  QSqlQueryModel* DataSet() const;
  // The column of the field in the dataset; -1 when there is none.
  int FieldIndex() const;

  // The record count the link saw last; a reader that has just read every
  // record sets it, so that the next dataset event with that count is quiet.
  int LastRecordCount() const { return FLastRecordCount; }
  void SetLastRecordCount(int Count) { FLastRecordCount = Count; }

  void DataEvent(TDataEvent Event);

private:
  void Disconnect();

  QObject* FContext;
  std::function<void()> FOnChanged;
  std::function<void()> FOnSourceLost;
  QPointer<TGvDataSource> FDataSource;
  QString FFieldName;
  int FLastRecordCount = -1;
  QList<QMetaObject::Connection> FConnections;
};
