// Output rows, the data file and the autosave.
#include "AppTestSupport.h"

#include "app/OutputRows.h"
#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvStringFunctions.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {
struct TOutputFixture : TWindowFixture
{
  TOutputFixture()
  {
    StartTestMode(); // O2 in N2
    Clock.SetNow(EncodeDateTime(2026, 3, 9, 14, 2, 31));
  }
  TForm1& F() { return *Form; }
  QString Cell(TProperty q, int row) const { return Form->GridCell(Form->Shared.P[q].ColID, row); }
};

QByteArray ReadFile(const QString& path)
{
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(OutputRows, FirstStoreFillsRowOneThenRowsAreAdded)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  f.Shared.MixerState = TMixerState::Standby;
  f.StoreData();
  EXPECT_EQ(f.GridRowCount(), 2);
  EXPECT_EQ(fx.Cell(TProperty::Time, 1), "14:02:31");
  EXPECT_EQ(f.Shared.DataStoredLast, fx.Clock.Now());
  fx.Clock.Advance(1000);
  f.StoreData();
  EXPECT_EQ(f.GridRowCount(), 3);
  EXPECT_EQ(fx.Cell(TProperty::Time, 2), "14:02:32");
  EXPECT_EQ(f.StringGrid1->currentRow(), 1); // the last row is selected
}

TEST(OutputRows, MethodCellFollowsTheMode)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  f.Shared.MixingMethod = "A (pulse) in B";
  const std::pair<TMixerState, const char*> cases[] = {{TMixerState::Dilution, "A (pulse) in B"},
                                                       {TMixerState::Bypass, "Dry B"},
                                                       {TMixerState::Standby, ""},
                                                       {TMixerState::Flushing, ""},
                                                       {TMixerState::Unknown, ""}};
  int row = 1;
  for (auto [state, method] : cases) {
    f.Shared.MixerState = state;
    f.StoreData();
    EXPECT_EQ(fx.Cell(TProperty::Mode, row), MixerStateName(state));
    EXPECT_EQ(fx.Cell(TProperty::Method, row), method);
    ++row;
  }
}

TEST(OutputRows, NothingDeliveredLeavesRatiosEmpty)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  f.Shared.TotalizerB.StartTime = fx.Clock.Now();
  f.Shared.MixerState = TMixerState::Dilution;
  f.StoreData();
  for (TProperty q : {TProperty::GasA, TProperty::GasB, TProperty::H2O, TProperty::TOTg,
                      TProperty::TOTm, TProperty::MA, TProperty::MB, TProperty::MH2O})
    EXPECT_EQ(fx.Cell(q, 1), "0.000 000") << f.Shared.P[q].Caption.toStdString();
  for (TProperty q :
       {TProperty::GfracA, TProperty::GfracB, TProperty::GfracH2O, TProperty::ppmA, TProperty::ppmB,
        TProperty::ppmH2O, TProperty::logA, TProperty::logB, TProperty::logH2O})
    EXPECT_EQ(fx.Cell(q, 1), "") << f.Shared.P[q].Caption.toStdString();
  EXPECT_TRUE(f.MemoDevFeedback->toPlainText().endsWith("Protective B gas grams:0.0 0.000 000"));
}

TEST(OutputRows, GasesWaterAndProtectiveGasInTheRow)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  TMixerData& S = f.Shared;
  S.MixerState = TMixerState::Dilution;
  S.MixingMethod = "A (pulse) in B/H2O";
  S.TotalizerB.StartTime = fx.Clock.Now() - 60.0 / 1440; // an hour of protective gas
  S.TotalizerA.Value = 0.01;
  S.TotalizerB.Value = 10.0;
  S.DesiredFlowBGramsperMinute = 0.5;
  S.OccuredWETTime = 600; // 5 g of gas B went through the bubbler
  f.GvIntegerEditpH2O->SetValue(0.03);
  f.GvDoubleEditProtective->SetValue(100);
  f.StoreData();

  const double extra = 60 * 100 * double(GetCompound("N2").MolarMass) / 24 / 1000;
  EXPECT_NEAR(extra, 7.003, 1e-3);
  EXPECT_TRUE(f.MemoDevFeedback->toPlainText().endsWith("Protective B gas grams:60.0 " +
                                                        FormatFloat("0.000 000", extra)));
  const double h2o = double(GetCompound("H2O").MolarMass) * 0.03 * 5.0 * GetMolesPerGram("N2");
  const double total = 0.01 + 10.0 + h2o + extra;
  EXPECT_EQ(fx.Cell(TProperty::GasB, 1), "10.000 000"); // without the protective gas
  EXPECT_EQ(fx.Cell(TProperty::H2O, 1), FormatFloat("0.000 000", h2o));
  EXPECT_EQ(fx.Cell(TProperty::TOTg, 1), FormatFloat("0.000 000", 0.01 + 10.0 + h2o));
  EXPECT_EQ(fx.Cell(TProperty::GfracB, 1), FormatFloat("0.000 000", (10.0 + extra) / total));
  const double mA = GetMolesPerGram("O2") * 0.01, mB = GetMolesPerGram("N2") * (10.0 + extra),
               mW = GetMolesPerGram("H2O") * h2o, tot = mA + mB + mW;
  EXPECT_EQ(fx.Cell(TProperty::MB, 1), FormatFloat("0.000 000", mB));
  EXPECT_EQ(fx.Cell(TProperty::TOTm, 1), FormatFloat("0.000 000", tot));
  EXPECT_EQ(fx.Cell(TProperty::ppmA, 1), FormatFloat("0 000 000", mA / tot * 1e6));
  EXPECT_EQ(fx.Cell(TProperty::ppmH2O, 1), FormatFloat("0 000 000", mW / tot * 1e6));
  EXPECT_EQ(fx.Cell(TProperty::logA, 1), FormatFloat("0.00", std::log10(mA / tot)));
  EXPECT_EQ(fx.Cell(TProperty::logH2O, 1), FormatFloat("0.00", std::log10(mW / tot)));
}

// log10(pB) is written when the metered part of gas B alone is above 0; the
// protective gas counts in the moles, fractions and ppm, but not here.
TEST(OutputRows, LogOfBFollowsTheMeteredGasB)
{
  struct Case
  {
    const char* name;
    double gramsB, protective;
    bool logB;
  };
  const Case cases[] = {
      {"protective gas only", 0, 100, false},
      {"metered gas B", 2, 0, true},
      {"both", 2, 100, true},
      {"nothing", 0, 0, false},
  };
  const TColumnTable P = DefaultColumnTable();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRowInputs in;
    in.Now = 46000.5;
    in.MixerState = TMixerState::Dilution;
    in.A = GetCompound("O2");
    in.B = GetCompound("N2");
    in.H2OC = GetCompound("H2O");
    in.TotalizerA.Value = 0.01;
    in.TotalizerB.Value = c.gramsB;
    in.TotalizerB.StartTime = in.Now - 10.0 / 1440;
    in.ProtectiveMlPerMin = c.protective;
    const TRow row = ComputeRow(in, P);
    const double mA = GetMolesPerGram("O2") * 0.01;
    const double mB = GetMolesPerGram("N2") * (c.gramsB + row.BgramsExtra);
    const auto& logB = row.Cells[size_t(TProperty::logB)];
    EXPECT_EQ(logB.has_value(), c.logB);
    if (c.logB) {
      EXPECT_EQ(*logB, FormatFloat("0.00", std::log10(mB / (mA + mB))));
    }
    EXPECT_EQ(row.Cells[size_t(TProperty::ppmB)].value_or("none"),
              FormatFloat("0 000 000", mB / (mA + mB) * 1e6));
  }
}

TEST(OutputRows, NoGasBSelectedIsNotAnError)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  f.ListBoxSetupGas2->clearSelection(); // "Clear selected gases?" answered Yes while mixing
  f.Shared.MixerState = TMixerState::Dilution;
  f.Shared.OccuredWETTime = 60;
  f.Shared.DesiredFlowBGramsperMinute = 1;
  f.GvIntegerEditpH2O->SetValue(0.03);
  f.StoreData();
  EXPECT_NE(fx.Cell(TProperty::H2O, 1), "0.000 000"); // taken from gas B as chosen
}

TEST(DataFile, ExactBytesOfASmallTable)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  f.StringGrid1->setColumnCount(4);
  f.SetGridCell(3, 0, "Gas A (g)");
  f.SetGridCell(0, 1, "14:02:31");
  f.SetGridCell(1, 1, "Dilution");
  f.SetGridCell(2, 1, "A (pulse) in B");
  f.SetGridCell(3, 1, "0.012 345");
  f.GridAddRow();
  f.SetGridCell(0, 2, "say \"hi\"");
  f.SetGridCell(1, 2, "-3.82");
  f.SetGridCell(2, 2, "a;b");
  f.Memo4->setPlainText("Description of desired mixture\n  150 ppm (25ºC)");
  ASSERT_TRUE(f.Save("table.csv"));
  const QByteArray expected = "Data starts after *** line\r\n"
                              "Description of desired mixture\r\n"
                              "  150 ppm (25\xBA"
                              "C)\r\n"
                              "*********\r\n"
                              "Time;Mode;Method;\"Gas A (g)\"\r\n"
                              "14:02:31;Dilution;\"A(pulse)inB\";\"0.012345\"\r\n"
                              "\"say\"\"hi\"\"\";-3.82;\"a;b\";\r\n";
  EXPECT_EQ(ReadFile("table.csv"), expected);
  EXPECT_EQ(f.MemoDevFeedback->toPlainText().split(u'\n').last(), "Saving succeeded");
}

TEST(DataFile, EmptyDescriptionGivesOneEmptyLine)
{
  const QStringList lines = DataFileLines({}, {{"Time", "Mode"}, {"", "Standby"}});
  EXPECT_EQ(lines,
            QStringList({"Data starts after *** line", "", "*********", "Time;Mode", ";Standby"}));
}

TEST(DataFile, AFailedWriteIsReported)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  EXPECT_FALSE(f.Save("/nonexistent-folder/data.csv"));
  EXPECT_EQ(f.MemoDevFeedback->toPlainText().split(u'\n').last(), "Saving failed");
}

TEST(Autosave, NameAndLabel)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  fx.Clock.SetNow(EncodeDateTime(2026, 3, 9, 14, 5, 12));
  f.Autosave();
  EXPECT_TRUE(QFile::exists("Filename autosave 03-09 14_05.CSV"));
  EXPECT_EQ(f.Label17->text(), "Last autosave: 03-09 14:05");
  EXPECT_EQ(f.Shared.LastAutoSave, fx.Clock.Now());

  f.EditAutosaveFilename->setText("/nonexistent-folder/run");
  f.Autosave();
  EXPECT_EQ(f.Label17->text(), "Autosave failed: 03-09 14:05");
}

TEST(SaveDialog, RightClickSavesButNeverOverwrites)
{
  TOutputFixture fx;
  TForm1& f = fx.F();
  fx.Clock.SetNow(EncodeDateTime(2026, 3, 9, 14, 5, 12));
  f.StringGrid1MouseDown(Qt::LeftButton);
  EXPECT_TRUE(fx.Dialogs.Questions.isEmpty());

  fx.Dialogs.SaveNames = {QDir::current().absoluteFilePath("run.csv")};
  f.show();
  QTest::mouseClick(f.StringGrid1->viewport(), Qt::RightButton);
  ASSERT_EQ(fx.Dialogs.Questions.size(), 1);
  EXPECT_TRUE(fx.Dialogs.Questions[0].endsWith("/2026-03-09 14_05"))
      << fx.Dialogs.Questions[0].toStdString();
  EXPECT_TRUE(QFile::exists("run.csv"));

  QFile existing("run.csv");
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("mine");
  existing.close();
  fx.Dialogs.SaveNames = {QDir::current().absoluteFilePath("run.csv")};
  f.StringGrid1MouseDown(Qt::RightButton);
  EXPECT_EQ(fx.Dialogs.Messages.last(), "File already exists. Cannot overwrite.");
  EXPECT_EQ(ReadFile("run.csv"), "mine");
}
