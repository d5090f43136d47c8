// Vectors fed from a database table: a real SQLite file in a folder of the
// test's own.
#include "chart/GvDataSource.h"
#include "chart/GvVectors.h"

#include "VectorTestSupport.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Connection = QStringLiteral("VectorDatabaseTest");

class VectorDatabase : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(Dir.isValid());
    {
      QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
      Db.setDatabaseName(Dir.filePath("lab.sqlite"));
      ASSERT_TRUE(Db.open()) << Db.lastError().text().toStdString();
    }
    Exec("create table readings (id integer primary key, temperature real)");
    Form = std::make_unique<QObject>();
    Form->setObjectName("FormDb");
    Form->setParent(QCoreApplication::instance());
    Source = new TGvDataSource(Form.get());
    Source->SetName("DS1");
    Source->SetConnectionName(Connection);
    Source->SetSQL("select temperature from readings order by id");
    V = new TGvDoubleVector(Form.get());
    V->SetName("Temperatures");
  }

  void TearDown() override
  {
    Form.reset();
    QSqlDatabase::removeDatabase(Connection);
  }

  void Exec(const QString& Sql)
  {
    QSqlQuery Q(QSqlDatabase::database(Connection));
    ASSERT_TRUE(Q.exec(Sql)) << Q.lastError().text().toStdString();
  }

  // Binds the vector to the temperature column of the open data source.
  void Bind()
  {
    if (!Source->Active()) Source->Open();
    V->SetDataSource(Source);
    V->SetDataField("temperature");
  }

  std::vector<double> Values() const
  {
    return std::vector<double>(V->StoredValues().begin(), V->StoredValues().end());
  }
  std::vector<int> Outliers() const
  {
    return std::vector<int>(V->Outliers().Data(), V->Outliers().Data() + V->Outliers().Count());
  }

  QTemporaryDir Dir;
  std::unique_ptr<QObject> Form;
  TGvDataSource* Source = nullptr;
  TGvDoubleVector* V = nullptr;
};

TEST_F(VectorDatabase, NullsInTheMiddleBecomeOutlierZerosAndALastNullIsDropped)
{
  Exec("insert into readings (temperature) values (20.5), (null), ('n/a'), (22), (null)");
  TRecorder S(TRecorder::Series, V);
  V->AddRelatedObject(&S);
  Bind();
  EXPECT_TRUE(V->IsBound());
  EXPECT_TRUE(V->IsReloadPending());
  EXPECT_EQ(V->Count(), 0); // until a user of the values asks
  S.Log.clear();

  V->UpdateDB();
  EXPECT_FALSE(V->IsReloadPending());
  // A text where a number belongs counts as a missing value, as a NULL does.
  EXPECT_EQ(Values(), (std::vector<double>{20.5, 0, 0, 22}));
  EXPECT_EQ(Outliers(), (std::vector<int>{1, 2}));
  EXPECT_EQ(V->Sum(), 42.5);
  EXPECT_EQ(V->Minimum(), 20.5);
  EXPECT_EQ(S.Calls(), "SetLastCount(0)");
  V->UpdateDB(); // nothing pending: nothing read
  EXPECT_EQ(S.Log.size(), 1);
}

TEST_F(VectorDatabase, AChangedRecordCountReloadsOnTheNextUpdateDB)
{
  Exec("insert into readings (temperature) values (1), (2)");
  Bind();
  V->UpdateDB();
  ASSERT_EQ(Values(), (std::vector<double>{1, 2}));

  Exec("insert into readings (temperature) values (3)");
  Source->Refresh();
  EXPECT_TRUE(V->IsReloadPending());
  EXPECT_EQ(V->Count(), 2);
  V->UpdateDB();
  EXPECT_EQ(Values(), (std::vector<double>{1, 2, 3}));

  // A dataset event with the same record count is no change of the field's
  // records; DBChanged asks for the reload explicitly.
  Exec("update readings set temperature = 5 where temperature = 2");
  Source->Refresh();
  EXPECT_FALSE(V->IsReloadPending());
  V->DBChanged(Source);
  V->UpdateDB();
  EXPECT_EQ(Values(), (std::vector<double>{1, 5, 3}));
}

TEST_F(VectorDatabase, AClosedDataSourceKeepsTheReloadWaiting)
{
  Exec("begin");
  for (int I = 0; I < 200; ++I)
    Exec(QString("insert into readings (temperature) values (%1)").arg(I));
  Exec("commit");
  V->SetDataSource(Source); // not open yet
  V->SetDataField("temperature");
  V->UpdateDB();
  EXPECT_TRUE(V->IsBound());
  EXPECT_TRUE(V->IsReloadPending());
  EXPECT_EQ(V->Count(), 0);

  Source->SetActive(true);
  V->UpdateDB();
  EXPECT_EQ(V->Count(), 200);
  EXPECT_EQ(V->Capacity(), 200); // raised to the record count
  EXPECT_EQ(V->Sum(), 199 * 100);
  EXPECT_TRUE(V->OnlyAscending());
}

TEST_F(VectorDatabase, DisabledControlsHoldTheReloadBack)
{
  Exec("insert into readings (temperature) values (1)");
  Bind();
  Source->DisableControls();
  V->UpdateDB();
  EXPECT_EQ(V->Count(), 0);
  EXPECT_TRUE(V->IsReloadPending());
  Source->EnableControls();
  V->UpdateDB();
  EXPECT_EQ(V->Count(), 1);
}

TEST_F(VectorDatabase, AMissingFieldOrSourceUnbinds)
{
  Exec("insert into readings (temperature) values (1)");
  Source->Open();
  V->SetDataSource(Source);
  V->SetDataField("pressure");
  V->UpdateDB();
  EXPECT_FALSE(V->IsBound());
  EXPECT_EQ(V->Count(), 0);

  TGvDoubleVector W;
  W.SetDataField("temperature"); // a field without a data source
  EXPECT_TRUE(W.IsBound());
  W.UpdateDB();
  EXPECT_FALSE(W.IsBound());
}

TEST_F(VectorDatabase, ADestroyedDataSourceLeavesTheVectorUnbound)
{
  Exec("insert into readings (temperature) values (1)");
  Bind();
  V->UpdateDB();
  delete Source;
  EXPECT_EQ(V->DataSource(), nullptr);
  EXPECT_FALSE(V->IsBound());
  V->DBChanged();
  EXPECT_FALSE(V->IsReloadPending());
  EXPECT_EQ(V->Count(), 1); // the values stay
}

TEST_F(VectorDatabase, ATableModelOfTheCallersFeedsTheVectorAndItsEdits)
{
  Exec("insert into readings (temperature) values (4), (6)");
  auto* Table = new QSqlTableModel(Form.get(), QSqlDatabase::database(Connection));
  Table->setTable("readings");
  Table->setEditStrategy(QSqlTableModel::OnManualSubmit);
  ASSERT_TRUE(Table->select());
  Source->SetModel(Table);
  EXPECT_TRUE(Source->Active());
  V->SetDataSource(Source);
  V->SetDataField("TEMPERATURE"); // field names as the driver compares them
  V->UpdateDB();
  EXPECT_EQ(Values(), (std::vector<double>{4, 6}));

  ASSERT_TRUE(Table->setData(Table->index(1, 1), 7.5));
  EXPECT_TRUE(V->IsReloadPending());
  V->UpdateDB();
  EXPECT_EQ(Values(), (std::vector<double>{4, 7.5}));

  delete Table; // the own query is the dataset again (closed)
  EXPECT_FALSE(Source->Active());
}

TEST_F(VectorDatabase, OpeningFailuresRaiseClearErrors)
{
  Source->SetSQL("select nothing from nowhere");
  try {
    Source->Open();
    FAIL();
  } catch (const EGvError& E) {
    EXPECT_TRUE(E.Message().startsWith("Cannot open data source: ")) << E.Message().toStdString();
  }
  EXPECT_FALSE(Source->Active());
  Source->SetConnectionName("NoSuchConnection");
  EXPECT_THROW(Source->Open(), EGvError);
}

} // namespace
