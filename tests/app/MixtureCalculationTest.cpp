// The mixture calculation through the real window: entries set on the
// controls, the handler run, results read from the shared state and the
// description pane.
#include "AppTestSupport.h"

#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"
#include "devices/SerialTransport.h"
#include "physics/MolarMasses.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
// Controller A: full scale 0.1 g/min, turndown 100; controller B: full scale
// 1.0 g/min, minimum 0.01 g/min; gas-B limit 0.4 g/min; p = 0.03 atm; O2 in Ar.
struct TCalculationFixture : TWindowFixture
{
  TCalculationFixture()
  {
    TForm1& f = *Form;
    f.Timer1->stop();
    f.Shared.FIA = {"O2", "O2", "g/min", 0.1f, 0.1f, 100, 0.001f};
    f.Shared.FIB = {"Ar", "Argon", "g/min", 1.0f, 1.0f, 100, 0.01f};
    Select(f.ListBoxSetupGas1, "O2");
    Select(f.ListBoxSetupGas2, "Ar");
    f.GvNumericUpDn1->SetValue(0.4);
  }

  // Puts the entries in place without running the entry handler, as the
  // handler itself would leave them (b = 1 000 000 - a - w).
  void Enter(int a, int w, double p = 0.03)
  {
    TForm1& f = *Form;
    f.Shared.ppmUpdating = true;
    f.GvIntegerEditpH2O->SetValue(p);
    f.GvIntegerEditGasAPPM->SetValue(a);
    f.GvIntegerEditH2Oppm->SetValue(w);
    f.GvIntegerEditGasBPPM->SetValue(1000000 - a - w);
    f.Shared.ppmUpdating = false;
  }

  QStringList Description() const { return Form->Memo4->toPlainText().split(u'\n'); }
};

struct TCalculationCase
{
  const char* name;
  int a, w;
  const char* method;
  double flowA, flowB;            // flows the cycle uses afterwards (B as stored)
  double wetFraction;             // -1: not checked
  std::vector<const char*> lines; // lines that must appear, in this order
};

const double tol = 5e-4; // relative

void ExpectRelNear(double actual, double expected, const char* what)
{
  if (expected == 0)
    EXPECT_EQ(actual, 0.0) << what;
  else
    EXPECT_NEAR(actual / expected, 1.0, tol) << what << ": " << actual << " vs " << expected;
}
} // namespace

TEST(MixtureCalculation, MethodsFlowsAndDescriptionThroughTheWindow)
{
  const TCalculationCase cases[] = {
      {"a150",
       150,
       0,
       "A (pulse) in B",
       0.0000480679,
       0.4,
       -1,
       {"  150 ppm of Oxygen in Argon", "  Mixing method     : A (pulse) in B",
        "  Required flow A   : 0.000 048 068 g/min", "  Required flow B   : 0.400 000 006 g/min",
        "  Timescale A       : 0.048 068", "  Timescale B       : 1.000 000",
        "  Resulting flow    : 240.3 ml/min  (25ºC)", "  Resulting flow    : 224.3 mln/min (0ºC)",
        "", "Limiting flow for gas B leads to increased",
        "delay for settling to new setpoint. Additionally, ",
        "mixture may be less accurate and less stable."}},
      {"a500000",
       500000,
       0,
       "A in B (limited)",
       0.1,
       0.124842,
       -1,
       {"  Mixing method     : A in B (limited)", "  Required flow A   : 0.100 000 001 g/min",
        "  Required flow B   : 0.124 842 271 g/min"}},
      {"a999000",
       999000,
       0,
       "B (pulse) in A",
       0.1,
       0.00000156168,
       -1,
       {"  Mixing method     : B (pulse) in A", "  Required flow B   : 0.000 124 967 g/min",
        "  Timescale A       : 1.000 000", "  Timescale B       : 0.012 497"}},
      {"a150w10000",
       150,
       10000,
       "A (pulse) in B/H2O",
       -1,
       0.4,
       0.333383,
       {"  150 ppm of Oxygen in Argon with H2O", "      1.000 % H2O fraction of B",
        "  Mixing method     : A (pulse) in B/H2O", "  Wetting time for B: 33.338%"}},
      {"a0w10000", 0, 10000, "B/H2O", 0, 0.4, 0.333333, {"  Mixing method     : B/H2O"}},
      {"a0w0", 0, 0, "B pure", 0, 0.4, -1, {"  Mixing method     : B pure"}},
      {"a1000000", 1000000, 0, "A pure", 0.1, 0, -1, {"  Mixing method     : A pure"}},
  };
  for (const TCalculationCase& c : cases) {
    SCOPED_TRACE(c.name);
    TCalculationFixture fx;
    TForm1& f = *fx.Form;
    fx.Enter(c.a, c.w);
    f.Calculate(true);
    EXPECT_EQ(f.Shared.MixingMethod, c.method);
    if (c.flowA >= 0) ExpectRelNear(f.Shared.DesiredFlowAGramsperMinute, c.flowA, "flow A");
    ExpectRelNear(f.Shared.DesiredFlowBGramsperMinute, c.flowB, "flow B");
    if (c.wetFraction >= 0) ExpectRelNear(f.Shared.DesiredH2OTimeFraction, c.wetFraction, "wet");
    const QStringList lines = fx.Description();
    EXPECT_EQ(lines.first(), "Description of desired mixture");
    int from = 0;
    for (const char* expected : c.lines) {
      const int at = lines.indexOf(QString::fromUtf8(expected), from);
      EXPECT_GE(at, 0) << "missing line '" << expected << "' in:\n"
                       << lines.join(u'\n').toStdString();
      if (at >= 0) from = at + 1;
    }
    const bool pulse = QString(c.method).contains("pulse");
    EXPECT_EQ(lines.filter("Timescale A * 60").size(), pulse ? 1 : 0);
  }
}

TEST(MixtureCalculation, DescriptionOfThePulsedExampleLineByLine)
{
  TCalculationFixture fx;
  fx.Enter(150, 0);
  fx.Form->Calculate(false);
  const QStringList expected = {
      "Description of desired mixture",
      "  150 ppm of Oxygen in Argon",
      "  ",
      "Components of mixture (as partial pressure)",
      "  150 ppm of O2",
      "  999850 ppm of Ar",
      "  ",
      "  log10(pO2)=-3.8",
      "  log10(pAr)=0.0",
      "  ",
      "Components of mixture (as mass fraction)",
      "  120.2 ppm of O2",
      "  999879.8 ppm of Ar",
      "    ",
      "Mass relations of input gases",
      "  0.000 120 170 of Oxygen",
      "  0.999 999 845 of Argon",
      "  ",
      "Controller details for Gas A",
      "  Fluid name     : O2",
      "  Long name      : O2",
      "  Flow unit      : g/min",
      "  Max flow       : 0.100 000",
      "  Min flow       : 0.001 000",
      "  Turndown ratio : 100",
      "    ",
      "Controller details for Gas B",
      "  Fluid name     : Ar",
      "  Long name      : Argon",
      "  Flow unit      : g/min",
      "  Max flow       : 0.400 000",
      "  Min flow       : 0.010 000",
      "  Turndown ratio : 100",
      "    ",
      "Flow limits",
      "  Min flow of gas A : 0.001 000 000 g/min",
      "  Max flow of gas A : 0.100000001490116 g/min",
      "  Min flow of gas B : 0.00999999977648258 g/min",
      "  Max flow of gas B : 0.400000005960464 g/min",
      "    ",
      "Conclusion",
      "  Mixing method     : A (pulse) in B",
      "  Required flow A   : 0.000 048 068 g/min",
      "  Required flow B   : 0.400 000 006 g/min",
      "  Timescale A       : 0.048 068",
      "  Timescale B       : 1.000 000",
      "  1/Timescale A     : 20.803 914",
      "  1/Timescale B     : 1.000 000",
      "  Timescale A * 60  : 2.884",
      "  Timescale B * 60  : 60.000",
      "  Massflow A (1 min): 0.000 002 311 g",
      "  Massflow B (1 min): 0.400 000 006 g",
      "  Resulting flow    : 240.3 ml/min  (25ºC)",
      "  Resulting flow    : 224.3 mln/min (0ºC)",
      "",
      "Limiting flow for gas B leads to increased",
      "delay for settling to new setpoint. Additionally, ",
      "mixture may be less accurate and less stable.",
  };
  EXPECT_EQ(fx.Description().join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

TEST(MixtureCalculation, DescriptionFollowsTheLocaleDecimalSeparator)
{
  TFormatSettingsOverride comma(FormatSettingsWithDecimal(u','));
  TCalculationFixture fx;
  fx.Enter(150, 10000);
  fx.Form->Calculate(false);
  const QStringList lines = fx.Description();
  EXPECT_TRUE(lines.contains("      1,000 % H2O fraction of B"));
  EXPECT_TRUE(lines.contains("  Wetting time for B: 33,338%"));
}

TEST(MixtureCalculation, PreviewLeavesTheAppliedResultsAlone)
{
  TCalculationFixture fx;
  TForm1& f = *fx.Form;
  fx.Enter(150, 0);
  f.Calculate(true);
  const TMixerData before = f.Shared;
  fx.Enter(500000, 10000);
  f.Calculate(false);
  EXPECT_TRUE(f.Memo4->toPlainText().contains("A in B/H2O (limited)"));
  EXPECT_EQ(f.Shared.MixingMethod, before.MixingMethod);
  EXPECT_EQ(f.Shared.DesiredFlowAGramsperMinute, before.DesiredFlowAGramsperMinute);
  EXPECT_EQ(f.Shared.DesiredFlowBGramsperMinute, before.DesiredFlowBGramsperMinute);
  EXPECT_EQ(f.Shared.DesiredH2OTimeFraction, before.DesiredH2OTimeFraction);
}

TEST(MixtureCalculation, ApplyResetsTheDosingState)
{
  TCalculationFixture fx;
  TForm1& f = *fx.Form;
  f.Shared.Counter = 7;
  f.Shared.FLAI = f.Shared.FLBI = 4;
  f.Shared.FlowASetToConstant = f.Shared.FlowBSetToConstant = true;
  fx.Enter(150, 0);
  f.Calculate(false);
  EXPECT_EQ(f.Shared.Counter, 7);
  EXPECT_TRUE(f.Shared.FlowASetToConstant);
  f.Calculate(true);
  EXPECT_EQ(f.Shared.Counter, 0);
  EXPECT_EQ(f.Shared.FLAI, 1);
  EXPECT_EQ(f.Shared.FLBI, 1);
  EXPECT_FALSE(f.Shared.FlowASetToConstant);
  EXPECT_FALSE(f.Shared.FlowBSetToConstant);
}

TEST(MixtureCalculation, WithoutBothGasesOnlyTheGridIsMarked)
{
  TCalculationFixture fx;
  TForm1& f = *fx.Form;
  f.ListBoxSetupGas2->clearSelection();
  f.Memo4->setPlainText("earlier");
  f.Shared.MixingMethod = "A pure";
  fx.Enter(150, 0);
  f.Calculate(false);
  EXPECT_EQ(f.Memo4->toPlainText(), "earlier");
  EXPECT_EQ(f.GridCell(1, 1), "Reset");
  f.Calculate(true); // applying clears the pane, and still computes nothing
  EXPECT_EQ(f.Memo4->toPlainText(), "");
  EXPECT_EQ(f.Shared.MixingMethod, "A pure");
}

TEST(MixtureCalculation, GridMarkReusesAnEmptyFirstRowThenAddsRows)
{
  TCalculationFixture fx;
  TForm1& f = *fx.Form;
  EXPECT_EQ(f.GridRowCount(), 2);
  f.Calculate(false);
  EXPECT_EQ(f.GridRowCount(), 2);
  EXPECT_EQ(f.GridCell(1, 1), "Reset");
  f.SetGridCell(0, 1, "14:02:31");
  f.Calculate(false);
  EXPECT_EQ(f.GridRowCount(), 3);
  EXPECT_EQ(f.GridCell(1, 2), "Reset");
}

// The entry handler keeps a + b + w = 1 000 000 and limits the water to what
// the bubbler can give at p, except with the fake solenoid port. The handler
// refreshes p from the bubbler first; with no relay board answering that is
// the vapour pressure at 20 degrees (the fake port's bubbler reads 22).
TEST(MixtureEntries, HandlerKeepsTheSumAndLimitsTheWater)
{
  struct Case
  {
    const char* name;
    bool fakePort;
    bool viaMax; // "Max" instead of typing w
    int w;
    bool limited;
  };
  const Case cases[] = {
      {"limited", false, false, 50000, true},
      {"fake port: no limit", true, false, 50000, false},
      {"within the limit", false, false, 20000, false},
      {"Max proposes Floor(p*1e6), then limited", false, true, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCalculationFixture fx;
    TForm1& f = *fx.Form;
    if (c.fakePort) {
      f.ListBoxPortSolenoid->addItem(FakePortName());
      TWindowFixture::Select(f.ListBoxPortSolenoid, FakePortName());
    }
    fx.Enter(150, 0);
    if (c.viaMax)
      f.Button2Click();
    else
      f.GvIntegerEditH2Oppm->SetValue(c.w);
    const double p = f.GvIntegerEditpH2O->Value();
    if (!c.fakePort) {
      EXPECT_FLOAT_EQ(p, GetH2OPressureATM(20));
    }
    const int expectedW = c.limited ? int(RoundHalfEven(999850 * p)) : c.w;
    EXPECT_EQ(f.GvIntegerEditH2Oppm->Value(), expectedW);
    EXPECT_EQ(f.GvIntegerEditGasBPPM->Value(), 1000000 - 150 - expectedW);
    EXPECT_TRUE(f.Memo4->toPlainText().contains(QString("  150 ppm of Oxygen in Argon")));
  }
}

TEST(MixtureEntries, StopHoursAndStoreIntervalAlsoRerunThePreview)
{
  for (int which = 0; which < 2; ++which) {
    TCalculationFixture fx;
    TForm1& f = *fx.Form;
    f.Memo4->clear();
    f.SetGridCell(0, 1, "14:02:31");
    const int rows = f.GridRowCount();
    (which == 0 ? f.GvIntegerEdit1 : f.GvIntegerEdit2)->SetValue(5);
    EXPECT_EQ(f.GridRowCount(), rows + 1);
    EXPECT_EQ(f.GridCell(1, rows), "Reset");
    EXPECT_TRUE(f.Memo4->toPlainText().startsWith("Description of desired mixture"));
  }
}

TEST(MixtureEntries, GasBLimitGoesIntoTheControllerRecord)
{
  TCalculationFixture fx;
  TForm1& f = *fx.Form;
  fx.Enter(150, 0);
  f.GvNumericUpDn1->SetValue(0.25);
  EXPECT_EQ(f.Shared.FIB.Max, 0.25f);
  EXPECT_TRUE(f.Memo4->toPlainText().contains("  Max flow of gas B : 0.25 g/min"));
  f.Shared.FIB.Max = 1.0f;
  f.GvNumericUpDn1Click(f.GvNumericUpDn1);
  EXPECT_EQ(f.Shared.FIB.Max, 0.25f);
}
