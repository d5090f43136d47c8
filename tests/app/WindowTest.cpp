// Start-up state, the tab guard and the window's fixed texts.
#include "AppTestSupport.h"

#include "app/PageControl.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
void ClickTab(TForm1& f, int index)
{
  QTabBar* bar = f.PageControl1->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

void ReadyForOperation(TForm1& f)
{
  f.CheckBoxSolenoidOK->setChecked(true);
  f.CheckBoxMFCOK->setChecked(true);
  TWindowFixture::Select(f.ListBoxSetupGas1, "O2");
  TWindowFixture::Select(f.ListBoxSetupGas2, "N2");
  f.CheckContinue();
}
} // namespace

TEST(StartUp, WindowStateAfterStart)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  EXPECT_EQ(f.windowTitle(), "Mix");
  EXPECT_EQ(f.PageControl1->currentIndex(), 0);
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Unknown);
  EXPECT_EQ(f.Shared.LastAutoSave, 0);
  EXPECT_DOUBLE_EQ(f.Shared.AutoStopTime, fx.Clock.Now() + 1);
  EXPECT_EQ(f.Shared.H2OC.Name, "H2O");
  EXPECT_EQ(f.Shared.FIB.Max, 0.4f); // the gas-B limit applied once
  EXPECT_EQ(f.Timer1->interval(), 250);
  {
    TForm1 running({&fx.Clock, &fx.Dialogs, &fx.Transport});
    EXPECT_TRUE(running.Timer1->isActive()); // the cycle runs from the start
  }
  EXPECT_EQ(f.LabelStatus->text(), "Undefined");
  EXPECT_EQ(f.Label17->text(), "Last autosave: never");
  EXPECT_EQ(f.EditAutosaveFilename->text(), "Filename");
  EXPECT_EQ(f.SaveDialog1Filter, "Comma separated file|*.csv|Text file|*.txt");
  EXPECT_EQ(f.SaveDialog1DefaultExt, "csv");
  EXPECT_FALSE(f.ButtonSetupValidate->isVisibleTo(&f));
  EXPECT_EQ(f.ButtonSetupValidate->text(), "Validate ports && equipment");

  // Entry fields with their ranges and first values.
  struct IntField
  {
    TGvIntegerEdit* edit;
    int min, max, value;
  };
  for (const IntField& e :
       {IntField{f.GvIntegerEditGasAPPM, 0, 1000000, 150},
        IntField{f.GvIntegerEditGasBPPM, 0, 0, 999850},
        IntField{f.GvIntegerEditH2Oppm, 0, 1000000, 0}, IntField{f.GvIntegerEdit1, 1, 72, 24},
        IntField{f.GvIntegerEdit2, 0, 60, 1}}) {
    EXPECT_EQ(e.edit->MinValue(), e.min) << e.edit->objectName().toStdString();
    EXPECT_EQ(e.edit->MaxValue(), e.max) << e.edit->objectName().toStdString();
    EXPECT_EQ(e.edit->Value(), e.value) << e.edit->objectName().toStdString();
  }
  EXPECT_FALSE(f.GvIntegerEditGasBPPM->isEnabled());
  EXPECT_EQ(f.GvIntegerEditH2Oppm->maxLength(), 8);
  EXPECT_FALSE(f.GvIntegerEditpH2O->isEnabled());
  EXPECT_EQ(f.GvIntegerEditpH2O->Format(), "0.000 000");
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->Value(), 0.4);
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->MaxValue(), 2.0);
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->Increment(), 0.001);
  EXPECT_EQ(f.GvNumericUpDn1->DecimalPlaces(), 6);
  EXPECT_EQ(f.GvNumericUpDn1->BtnWidth(), 15);

  // Gas lists in the order of the controllers' fluid numbers.
  QStringList gasA, gasB;
  for (int i = 0; i < f.ListBoxSetupGas1->count(); ++i) gasA << f.ListBoxSetupGas1->item(i)->text();
  for (int i = 0; i < f.ListBoxSetupGas2->count(); ++i) gasB << f.ListBoxSetupGas2->item(i)->text();
  EXPECT_EQ(gasA, QStringList({"O2", "5%H2,95%Ar", "Air", "H2"}));
  EXPECT_EQ(gasB, QStringList({"Ar", "N2", "H2", "H2O"}));

  // Commands top to bottom, with their hints.
  struct Command
  {
    QPushButton* button;
    const char* caption;
    const char* hint;
  };
  for (const Command& c :
       {Command{f.ButtonStop, "Stop",
                "Stops whatever the mixer is doing and closes all valves as quickly as possible. "
                "Note, that disconnecting the main power is more reliable way to disable the "
                "mixer in case of emergency."},
        Command{f.ButtonFlush, "Flush",
                "Short procedure to remove some of the existing gases in the mixer. Multiple "
                "rounds of flushing may be required when input gas types are changed."},
        Command{f.ButtonBypass, "Bypass",
                "Switch immediately from diluted mixture to pure, dry gas B."},
        Command{f.ButtonDilution, "Apply Mixture", "Create mixture according user wishes."}}) {
    EXPECT_EQ(c.button->text(), c.caption);
    EXPECT_EQ(c.button->toolTip(), c.hint) << c.caption;
  }
  f.show();
  f.PageControl1->SetActivePageIndex(1);
  QTest::qWait(10);
  EXPECT_LT(f.ButtonStop->mapTo(&f, QPoint()).y(), f.ButtonFlush->mapTo(&f, QPoint()).y());
  EXPECT_LT(f.ButtonFlush->mapTo(&f, QPoint()).y(), f.ButtonBypass->mapTo(&f, QPoint()).y());
  EXPECT_LT(f.ButtonBypass->mapTo(&f, QPoint()).y(), f.ButtonDilution->mapTo(&f, QPoint()).y());
}

TEST(StartUp, EveryNamedWidgetCanBeFound)
{
  TWindowFixture fx;
  for (const char* name : {"PageControl1",
                           "Setup",
                           "TabSheet1",
                           "TabSheet2",
                           "TabSheet3",
                           "ButtonSetupFindPorts",
                           "ListBoxPortSolenoid",
                           "ListBoxPortMFC",
                           "ButtonSetupValidate",
                           "MemoSetupFeedback",
                           "ListBoxSetupGas1",
                           "ListBoxSetupGas2",
                           "CheckBoxSolenoidOK",
                           "CheckBoxMFCOK",
                           "CheckBoxGasesSelected",
                           "Image1",
                           "Memo4",
                           "Splitter1",
                           "GvIntegerEditGasAPPM",
                           "GvIntegerEditGasBPPM",
                           "GvIntegerEditH2Oppm",
                           "GvIntegerEditpH2O",
                           "Label14",
                           "Button2",
                           "GvNumericUpDn1",
                           "GvDoubleEditProtective",
                           "LabelStatus",
                           "ButtonStop",
                           "ButtonFlush",
                           "ButtonBypass",
                           "ButtonDilution",
                           "EditAutosaveFilename",
                           "Label17",
                           "GroupBox12",
                           "GvIntegerEdit1",
                           "Button3",
                           "GvIntegerEdit2",
                           "StringGrid1",
                           "MemoDevFeedback",
                           "Button1",
                           "Timer1"})
    EXPECT_NE(fx.Form->findChild<QObject*>(name), nullptr) << name;
}

TEST(StartUp, OutputGridIsTitledFromTheColumnTable)
{
  struct Column
  {
    const char* caption;
    const char* format;
    int width;
  };
  const Column columns[] = {
      {"Time", "hh:mm:ss", 60},
      {"Mode", "", 70},
      {"Method", "", 100},
      {"Gas A (g)", "0.000 000", 90},
      {"Gas B (g)", "0.000 000", 90},
      {"H2O (g)", "0.000 000", 90},
      {"Total mass (g)", "0.000 000", 90},
      {"A mass frac", "0.000 000", 80},
      {"B mass frac", "0.000 000", 80},
      {"H2O mass frac", "0.000 000", 80},
      {"Total moles", "0.000 000", 90},
      {"Moles A", "0.000 000", 80},
      {"Moles B", "0.000 000", 80},
      {"Moles H2O", "0.000 000", 80},
      {"A ppm", "0 000 000", 80},
      {"B ppm", "0 000 000", 80},
      {"H2O ppm", "0 000 000", 80},
      {"log10(pA)", "0.00", 80},
      {"log10(pB)", "0.00", 80},
      {"log10(pH2O)", "0.00", 80},
  };
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  ASSERT_EQ(f.StringGrid1->columnCount(), 20);
  EXPECT_EQ(f.GridRowCount(), 2);
  for (int c = 0; c < 20; ++c) {
    SCOPED_TRACE(columns[c].caption);
    EXPECT_EQ(f.Shared.P[c].Caption, columns[c].caption);
    EXPECT_EQ(f.Shared.P[c].Format, columns[c].format);
    EXPECT_EQ(f.Shared.P[c].ColID, c);
    EXPECT_EQ(f.Shared.P[c].ColW, columns[c].width);
    EXPECT_EQ(f.GridCell(c, 0), columns[c].caption);
    EXPECT_EQ(f.StringGrid1->columnWidth(c), columns[c].width);
  }
  // The start-up preview, with no gases chosen, only marks the grid.
  EXPECT_EQ(f.GridCell(1, 1), "Reset");
  EXPECT_EQ(f.GridCell(0, 1), "");
}

// A quantity with a negative column or an empty caption gets no title and no
// width, and its values are not shown.
TEST(StartUp, HiddenColumnsGetNoTitleWidthOrValues)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  f.Shared.P[TProperty::GasA].ColID = -1;  // column 3 left without a quantity
  f.Shared.P[TProperty::H2O].Caption = ""; // column 5 keeps its quantity, untitled
  f.StringGrid1->setColumnCount(0);
  f.StringGrid1->setColumnCount(20);
  const int plain = f.StringGrid1->horizontalHeader()->defaultSectionSize();
  ASSERT_NE(plain, 90);
  f.SetUpOutputGrid();
  for (int c : {3, 5}) {
    EXPECT_EQ(f.GridCell(c, 0), "") << c;
    EXPECT_EQ(f.StringGrid1->columnWidth(c), plain) << c;
  }
  EXPECT_EQ(f.GridCell(4, 0), "Gas B (g)");
  EXPECT_EQ(f.StringGrid1->columnWidth(4), 90);

  f.Shared.MixerState = TMixerState::Standby;
  f.StoreData();
  const int r = f.GridRowCount() - 1;
  EXPECT_EQ(f.GridCell(3, r), "");
  EXPECT_EQ(f.GridCell(5, r), "");
  EXPECT_EQ(f.GridCell(4, r), "0.000 000");
  EXPECT_EQ(f.GridCell(6, r), "0.000 000");
}

TEST(TabGuard, RefusesEveryTabUntilEquipmentAndGasesAreReady)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  f.show();
  // The Sequence tab comes after Operation; the guard holds for it too.
  QStringList tabs;
  for (int tab = 0; tab < f.PageControl1->count(); ++tab) tabs << f.PageControl1->tabText(tab);
  EXPECT_EQ(tabs, QStringList({"Setup", "Operation", "Sequence", "Output", "Debug"}));
  for (int tab = 1; tab < f.PageControl1->count(); ++tab) {
    ClickTab(f, tab);
    EXPECT_EQ(f.PageControl1->currentIndex(), 0);
  }
  ASSERT_EQ(fx.Dialogs.Messages.size(), 4);
  for (const QString& m : fx.Dialogs.Messages)
    EXPECT_EQ(m, "Must validate equipment and select gas types before proceeding to operation");

  f.CheckBoxSolenoidOK->setChecked(true);
  f.CheckBoxMFCOK->setChecked(true);
  ClickTab(f, 1); // gases still missing
  EXPECT_EQ(f.PageControl1->currentIndex(), 0);

  ReadyForOperation(f);
  EXPECT_TRUE(f.CheckBoxGasesSelected->isChecked());
  ClickTab(f, 2);
  EXPECT_EQ(f.PageControl1->currentIndex(), 2);
  EXPECT_TRUE(fx.Dialogs.Questions.isEmpty());
}

TEST(TabGuard, BackToSetupAsksWhetherToClearTheGases)
{
  for (bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    TWindowFixture fx;
    TForm1& f = *fx.Form;
    f.show();
    ReadyForOperation(f);
    ClickTab(f, 3);
    ASSERT_EQ(f.PageControl1->currentIndex(), 3);
    fx.Dialogs.Messages.clear();
    fx.Dialogs.Answers = {yes};
    ClickTab(f, 0);
    EXPECT_EQ(f.PageControl1->currentIndex(), 0);
    EXPECT_EQ(fx.Dialogs.Questions, QStringList{"Confirm action: Clear selected gases?"});
    if (yes) {
      EXPECT_EQ(fx.Dialogs.Messages, QStringList{"Gas selections removed"});
      EXPECT_FALSE(f.CheckBoxGasesSelected->isChecked());
      EXPECT_TRUE(f.ListBoxSetupGas1->selectedItems().isEmpty());
      EXPECT_TRUE(f.ListBoxSetupGas2->selectedItems().isEmpty());
      ClickTab(f, 1); // refused again
      EXPECT_EQ(f.PageControl1->currentIndex(), 0);
    } else {
      EXPECT_TRUE(fx.Dialogs.Messages.isEmpty());
      EXPECT_TRUE(f.CheckBoxGasesSelected->isChecked());
      ClickTab(f, 1);
      EXPECT_EQ(f.PageControl1->currentIndex(), 1);
    }
  }
}

TEST(FormResize, DescriptionPaneTakesFortyPercentOfTheScreen)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  f.resize(1500, 771);
  f.show();
  QTest::qWait(10);
  const int screenWidth = f.screen()->geometry().width();
  EXPECT_EQ(f.Memo4->width(), int(0.4 * screenWidth));
  f.resize(1300, 700);
  QTest::qWait(10);
  EXPECT_EQ(f.Memo4->width(), int(0.4 * screenWidth));
}
