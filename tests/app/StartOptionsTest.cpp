// The start options of an unattended start: gases chosen as the lists do,
// a sequence loaded and started, and what keeps it from starting said.
#include "AppTestSupport.h"

#include "app/MixerControl.h"
#include "app/StartOptions.h"
#include "sequence/SequenceRunner.h"

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The start options: ports, gases (A first), a sequence file and --start,
// as an unattended start after a power cut would give them.
TEST(StartOptions, GasesSequenceAndStart)
{
  QString error;
  std::optional<TStartOptions> o = ParseStartOptions(
      {"verdane", "--gas-a", "O2", "--gas-b", "N2", "--sequence", "p.csv", "--start"}, &error);
  ASSERT_TRUE(o) << error.toStdString();
  EXPECT_EQ(o->GasA, "O2");
  EXPECT_EQ(o->GasB, "N2");
  EXPECT_EQ(o->SequenceFile, "p.csv");
  EXPECT_TRUE(o->Start);
  EXPECT_FALSE(ParseStartOptions({"verdane", "--start"}, &error));
  EXPECT_EQ(error, "--start needs --sequence FILE");
  EXPECT_FALSE(ParseStartOptions({"verdane", "--gas-a"}, &error));
  EXPECT_EQ(error, "--gas-a needs a name");

  QTemporaryDir dir;
  const QString file = dir.filePath("p.csv"), missing = dir.filePath("missing.csv");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Kind;Gas A (ppm);H2O (ppm);Minutes\nmix;500000;0;1\nbypass;;;1\n");
  }
  struct Case
  {
    const char* name;
    TStartOptions options;
    QStringList problems;
    bool started;
  };
  const QString relay = ImaginaryRelayPort(), bus = ImaginaryBusPort();
  const auto options = [&](QString gasA, QString gasB, QString sequence, bool start,
                           QString mfc = ImaginaryBusPort()) {
    TStartOptions o;
    o.RelayPort = ImaginaryRelayPort();
    o.MFCPort = mfc;
    o.GasA = gasA;
    o.GasB = gasB;
    o.SequenceFile = sequence;
    o.Start = start;
    return o;
  };
  const Case cases[] = {
      {"all given", options("O2", "N2", file, true), {}, true},
      {"no start", options("Air", "Ar", file, false), {}, false},
      {"unknown gas",
       options("Xe", "N2", file, true),
       {"unknown gas A \"Xe\"; the names are: O2 | 5%H2,95%Ar | Air | H2",
        "the sequence was not started"},
       false},
      {"gas B not on its list",
       options("O2", "O2", "", false),
       {"unknown gas B \"O2\"; the names are: Ar | N2 | H2 | H2O"},
       false},
      {"no MFC port",
       options("O2", "", file, true, ""),
       {"gas A \"O2\" cannot be chosen: the MFCs are not validated",
        "the sequence was not started"},
       false},
      {"bad file",
       options("O2", "N2", missing, true),
       {"sequence " + missing + " not loaded: Cannot read " + missing +
            ": No such file or directory",
        "the sequence was not started"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TWindowFixture fx;
    TForm1& f = *fx.Form;
    f.show();
    const TStartOutcome out = ApplyStartOptions(f, c.options);
    EXPECT_EQ(out.Problems, c.problems);
    EXPECT_EQ(out.SequenceStarted, c.started);
    for (const QString& p : c.problems)
      EXPECT_TRUE(f.MemoSetupFeedback->toPlainText().contains(p)) << p.toStdString();
    EXPECT_EQ(f.SequenceRunner().State(),
              c.started ? TSequenceState::Running : TSequenceState::Idle);
    if (c.problems.isEmpty()) {
      // Chosen as the lists do, gas A first, on the controllers.
      EXPECT_EQ(TForm1::SelectedText(f.ListBoxSetupGas1), c.options.GasA);
      EXPECT_EQ(TForm1::SelectedText(f.ListBoxSetupGas2), c.options.GasB);
      EXPECT_EQ(fx.Mixer.ActiveFluid(1), c.options.GasA == "O2" ? 2 : 4);
      EXPECT_EQ(f.Control().Sequence().Steps.size(), 2u);
    }
    EXPECT_TRUE(fx.Dialogs.Messages.isEmpty()) << fx.Dialogs.Messages.join('\n').toStdString();
  }
}
