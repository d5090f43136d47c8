// The check before a start, and the record of a run.
#include "controls/GvDateTime.h"
#include "sequence/SequenceCheck.h"
#include "sequence/SequenceLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline void PrintTo(const QString& Text, std::ostream* Out)
{
  *Out << '"' << Text.toStdString() << '"';
}

namespace {
constexpr double cNow = 46000.5; // 2025-12-09 12:00

TSequenceCheckInput Input(double HoursToStop = 24)
{
  TSequenceCheckInput in;
  in.Now = cNow;
  in.AutoStopTime = cNow + HoursToStop / 24;
  // Stands in for the mixer: water above 30000 ppm is more than the bubbler gives.
  in.MixRefusal = [](int a, int w) {
    return w > 30000 ? QStringLiteral("too wet (%1 + %2)").arg(a).arg(w) : QString();
  };
  return in;
}

TSequence Steps(std::vector<TSequenceStep> Steps, int Repeat = 1)
{
  TSequence s;
  s.Steps = std::move(Steps);
  s.Repeat = Repeat;
  return s;
}
} // namespace

TEST(SequenceCheck, EachRefusalNamesTheStep)
{
  const TSequenceStep mix{TStepKind::Mix, 100, 5000, 30};
  struct Case
  {
    TSequence sequence;
    const char* refusal;
  };
  const Case cases[] = {
      {Steps({mix, {TStepKind::Bypass, 0, 0, 10}, {TStepKind::Flush, 0, 0, 0}}, 3), ""},
      {Steps({}), "The sequence has no steps."},
      {Steps({mix}, 0), "The repeat count must be 1 or more, not 0."},
      {Steps({mix, {TStepKind::Mix, 150, 50000, 30}}),
       "Step 2 (mix 150 ppm A, 50000 ppm H2O, 30 min): too wet (150 + 50000)"},
      {Steps({mix, mix, {TStepKind::Bypass, 0, 0, 0}}),
       "Step 3 (bypass, 0 min): the minutes must be above 0 (only a flush may take 0)."},
      {Steps({{TStepKind::Standby, 0, 0, 0.001}}),
       "Step 1 (standby, 0.001 min): a step lasts at least one cycle of 250 ms."},
      {Steps({{TStepKind::Flush, 0, 0, -1}}),
       "Step 1 (flush, -1 min): the minutes must lie between 0 and 14400."},
      {Steps({{TStepKind::Bypass, 0, 0, std::nan("")}}),
       "Step 1 (bypass, NAN min): the minutes must lie between 0 and 14400."},
      // 25 hours against a stop in 24: both times named.
      {Steps({{TStepKind::Mix, 100, 0, 60}}, 25),
       "The sequence would end at 2025-12-10 13:00:00, after the automatic stop at 2025-12-10 "
       "12:00:00. Raise the hours of the automatic stop (\"Add hours to counter\") or shorten the "
       "sequence."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refusal);
    EXPECT_EQ(SequenceRefusal(c.sequence, Input()), QString::fromUtf8(c.refusal));
  }
  // 10000 steps may run; one more may not.
  TSequence many = Steps(std::vector<TSequenceStep>(cMaxSequenceSteps, {TStepKind::Bypass, 0, 0, 0.005}));
  EXPECT_EQ(SequenceRefusal(many, Input()), QString());
  many.Steps.push_back(many.Steps.back());
  EXPECT_EQ(SequenceRefusal(many, Input()),
            QStringLiteral("The sequence has 10001 steps; at most 10000 can run."));
  // A run that ends exactly at the stop is refused; a second earlier is not.
  TSequence day = Steps({{TStepKind::Bypass, 0, 0, 60}}, 24);
  EXPECT_NE(SequenceRefusal(day, Input(24)), QString());
  EXPECT_EQ(SequenceRefusal(day, Input(24 + 1.0 / 3600)), QString());
}

TEST(SequenceLog, OneLinePerStepStartOnTheDiskAsItIsWritten)
{
  QTemporaryDir dir;
  const double start = 46000.5 + 5.0 / 86400;
  const QString path = SequenceLogPath(dir.filePath("Filename"), start);
  EXPECT_EQ(path, dir.filePath("Filename sequence 12-09 12_00.CSV"));
  TSequenceLog log;
  QString error;
  ASSERT_TRUE(log.Open(path, &error)) << error.toStdString();
  TStepStart s;
  s.Step = 3;
  s.Repetition = 2;
  s.Values = {TStepKind::Mix, 100, 5000, 30};
  s.Method = "A (pulse) in B/H2O";
  s.Issued = start;
  ASSERT_TRUE(log.Append(s, &error));
  // Read beside the open log: the line is there already.
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "Time;Step;Repetition;Kind;Gas A (ppm);H2O (ppm);Minutes;Method\r\n"
                         "2025-12-09 12:00:05;3;2;mix;100;5000;30;A (pulse) in B/H2O\r\n");
  s.Step = 4;
  s.Values = {TStepKind::Bypass, 0, 0, 0.1};
  s.Method.clear();
  s.Issued += 1800.0 / 86400;
  ASSERT_TRUE(log.Append(s, &error));
  log.Close();
  // Opened again (a second sequence in the same minute), it goes on below.
  ASSERT_TRUE(log.Open(path, &error));
  s.Values = {TStepKind::Flush, 0, 0, 0};
  ASSERT_TRUE(log.Append(s, &error));
  log.Close();
  f.seek(0);
  const QList<QByteArray> lines = f.readAll().split('\n');
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[2], "2025-12-09 12:30:05;4;2;bypass;;;0.1;\r");
  EXPECT_EQ(lines[3], "2025-12-09 12:30:05;4;2;flush;;;0;\r");
  EXPECT_FALSE(TSequenceLog().Open(dir.filePath("no/such/folder.CSV"), &error));
  EXPECT_TRUE(error.startsWith("Cannot write ")) << error.toStdString();
}
