// The sequence file: round trips whatever the locale, and bad files refused
// with the line named.
#include "sequence/SequenceFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline void PrintTo(const QString& Text, std::ostream* Out)
{
  *Out << '"' << Text.toStdString() << '"';
}

namespace {
// Runs the body under another default locale (a decimal comma).
struct TLocale
{
  QLocale Before;
  explicit TLocale(QLocale::Language L) { QLocale::setDefault(QLocale(L)); }
  ~TLocale() { QLocale::setDefault(Before); }
};
} // namespace

TEST(SequenceFile, RoundTripsInEveryLocale)
{
  TSequence s;
  s.Steps = {{TStepKind::Mix, 150, 5000, 30},
             {TStepKind::Bypass, 0, 0, 10},
             {TStepKind::Flush, 0, 0, 0},
             {TStepKind::Standby, 0, 0, 0.1},
             {TStepKind::Mix, 0, 0, 1.0 / 3},
             {TStepKind::Mix, 1000000, 0, 1440}};
  s.Repeat = 3;
  s.End = TSequenceEnd::Hold;
  const QByteArray expected = "Kind;Gas A (ppm);H2O (ppm);Minutes\n"
                              "mix;150;5000;30\n"
                              "bypass;;;10\n"
                              "flush;;;0\n"
                              "standby;;;0.1\n"
                              "mix;0;0;0.3333333333333333\n"
                              "mix;1000000;0;1440\n"
                              "Repeat;3\n"
                              "End;hold\n";
  for (QLocale::Language l : {QLocale::English, QLocale::German, QLocale::French}) {
    SCOPED_TRACE(QLocale::languageToString(l).toStdString());
    TLocale locale(l);
    EXPECT_EQ(WriteSequenceText(s), expected);
    const TSequenceReadResult r = ReadSequenceText(expected);
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    ASSERT_EQ(r.Sequence.Steps.size(), s.Steps.size());
    EXPECT_EQ(r.Sequence.Steps[3].Minutes, 0.1);
    EXPECT_EQ(r.Sequence.Steps[4].Minutes, 1.0 / 3);
    EXPECT_EQ(StepDurationMs(r.Sequence.Steps[4]), 20000);
    EXPECT_EQ(r.Sequence.Repeat, 3);
    EXPECT_EQ(r.Sequence.End, TSequenceEnd::Hold);
    EXPECT_EQ(r.Sequence, s);
    EXPECT_EQ(WriteSequenceText(r.Sequence), expected);
  }

  // What scripts may also write: CR LF, a byte-order mark, empty lines,
  // Repeat and End before the steps, whole ppm as "150.0", defaults.
  const TSequenceReadResult r = ReadSequenceText("\xEF\xBB\xBFKind;Gas A (ppm);H2O (ppm);Minutes\r\n"
                                                 "End;standby\r\n"
                                                 "\r\n"
                                                 "Repeat;2\r\n"
                                                 "mix;150.0;0;2.5\r\n"
                                                 "   \r\n"
                                                 "flush;;;1e-1");
  ASSERT_TRUE(r.Ok) << r.Error.toStdString();
  EXPECT_EQ(r.Sequence.Steps,
            (std::vector<TSequenceStep>{{TStepKind::Mix, 150, 0, 2.5}, {TStepKind::Flush, 0, 0, 0.1}}));
  EXPECT_EQ(r.Sequence.Repeat, 2);
  EXPECT_EQ(r.Sequence.End, TSequenceEnd::Standby);
  const TSequenceReadResult plain = ReadSequenceText("Kind;Gas A (ppm);H2O (ppm);Minutes\nbypass;;;1\n");
  ASSERT_TRUE(plain.Ok);
  EXPECT_EQ(plain.Sequence.Repeat, 1);
  EXPECT_EQ(plain.Sequence.End, TSequenceEnd::Standby);
}

TEST(SequenceFile, BadFilesAreRefusedNamingTheLine)
{
  const QByteArray header = "Kind;Gas A (ppm);H2O (ppm);Minutes\n";
  struct Case
  {
    QByteArray text;
    int line;
    const char* error;
  };
  const Case cases[] = {
      {"Kind;Gas A;H2O;Minutes\nmix;1;2;3\n", 1,
       "Line 1: the first line must be \"Kind;Gas A (ppm);H2O (ppm);Minutes\", not "
       "\"Kind;Gas A;H2O;Minutes\"."},
      {"", 1,
       "Line 1: the first line must be \"Kind;Gas A (ppm);H2O (ppm);Minutes\", not \"\"."},
      {"\nKind;Gas A (ppm);H2O (ppm);Minutes\n", 1,
       "Line 1: the first line must be \"Kind;Gas A (ppm);H2O (ppm);Minutes\", not \"\"."},
      {header + "mix;150;5000;30\nmix;abc;0;30\n", 3,
       "Line 3: Gas A (ppm) must be a whole number from 0 to 1000000, not \"abc\"."},
      {header + "mix;150;5000;half\n", 2,
       "Line 2: the minutes must be a number with \".\" as decimal separator, not \"half\"."},
      {header + "mix;150;5000;2,5\n", 2,
       "Line 2: the minutes must be a number with \".\" as decimal separator, not \"2,5\"."},
      {header + "bypass;;;-5\n", 2, "Line 2: the minutes are negative (\"-5\")."},
      {header + "mix;-1;0;5\n", 2, "Line 2: Gas A (ppm) is negative (\"-1\")."},
      {header + "mix;150;5000;30;x\n", 2,
       "Line 2: 5 fields; a step has 4 (Kind;Gas A (ppm);H2O (ppm);Minutes)."},
      {header + "mix;150;30\n", 2,
       "Line 2: 3 fields; a step has 4 (Kind;Gas A (ppm);H2O (ppm);Minutes)."},
      {header + "purge;;;5\n", 2,
       "Line 2: unknown kind \"purge\"; a step is mix, bypass, standby or flush (in lower case), "
       "besides the lines Repeat and End."},
      {header + "Mix;150;0;5\n", 2,
       "Line 2: unknown kind \"Mix\"; a step is mix, bypass, standby or flush (in lower case), "
       "besides the lines Repeat and End."},
      {header + "bypass;150;;5\n", 2,
       "Line 2: a bypass step takes no ppm values; leave both fields empty."},
      {header + "mix;;0;5\n", 2, "Line 2: Gas A (ppm) is missing; a mix step needs it."},
      {header + "mix;1000001;0;5\n", 2,
       "Line 2: Gas A (ppm) must be a whole number from 0 to 1000000, not \"1000001\"."},
      {header + "mix;150.5;0;5\n", 2,
       "Line 2: Gas A (ppm) must be a whole number from 0 to 1000000, not \"150.5\"."},
      {header + "standby;;;\n", 2, "Line 2: the minutes are missing."},
      {header + "flush;;;nan\n", 2,
       "Line 2: the minutes must be a number with \".\" as decimal separator, not \"nan\"."},
      {header + "flush;;;1e999\n", 2,
       "Line 2: the minutes must be a number with \".\" as decimal separator, not \"1e999\"."},
      {header + "mix;1;0;5\nRepeat;0\n", 3,
       "Line 3: Repeat must be a whole number from 1 to 1000000, not \"0\"."},
      {header + "Repeat;2\nmix;1;0;5\nRepeat;3\n", 4, "Line 4: Repeat was given before, on line 2."},
      {header + "mix;1;0;5\nEnd;forever\n", 3,
       "Line 3: End must be \"standby\" or \"hold\", not \"forever\"."},
      {header + "mix;1;0;5\nEnd;hold;x\n", 3, "Line 3: 3 fields; a End line has 2 (End;value)."},
      {header + "mix;1;0;" + QByteArray(1000, '1') + "\n", 2,
       "Line 2: the line is longer than 1000 characters."},
      {header + "mix;\x01\xFF;0;5\n", 2,
       "Line 2: Gas A (ppm) must be a whole number from 0 to 1000000, not \"??\"."},
      {header, 0, "The file holds no steps."},
      {header + "Repeat;4\n\n", 0, "The file holds no steps."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.left(80).toStdString());
    const TSequenceReadResult r = ReadSequenceText(c.text);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Line, c.line);
    EXPECT_EQ(r.Error, QString::fromUtf8(c.error));
    EXPECT_TRUE(r.Sequence.Steps.empty());
  }

  // More steps than can run: the line of the first one too many.
  QByteArray many = header;
  for (int i = 0; i < cMaxSequenceSteps + 1; ++i) many += "bypass;;;1\n";
  const TSequenceReadResult r = ReadSequenceText(many);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, QStringLiteral("Line %1: more than 10000 steps.").arg(cMaxSequenceSteps + 2));
}

TEST(SequenceFile, LoadAndSaveThroughFiles)
{
  QTemporaryDir dir;
  TSequence s;
  s.Steps = {{TStepKind::Mix, 100, 5000, 30}, {TStepKind::Standby, 0, 0, 5}};
  const QString path = dir.filePath("profile.csv");
  QString error;
  ASSERT_TRUE(SaveSequenceFile(path, s, &error)) << error.toStdString();
  TSequenceReadResult r = LoadSequenceFile(path);
  ASSERT_TRUE(r.Ok) << r.Error.toStdString();
  EXPECT_EQ(r.Sequence, s);
  // A save that cannot be written says so and leaves nothing behind.
  EXPECT_FALSE(SaveSequenceFile(dir.filePath("no/such/folder/x.csv"), s, &error));
  EXPECT_TRUE(error.startsWith("Cannot write ")) << error.toStdString();

  // Ten megabytes of noise are refused without being read whole.
  const QString noise = dir.filePath("noise.csv");
  {
    QFile f(noise);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray block(1024 * 1024, '\0');
    uint32_t x = 2463534242u;
    for (char& c : block) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      c = char(x);
    }
    for (int i = 0; i < 10; ++i) f.write(block);
  }
  r = LoadSequenceFile(noise);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, noise + " is larger than 1048576 bytes; it is not a sequence file.");
  r = LoadSequenceFile(dir.filePath("missing.csv"));
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(r.Error.startsWith("Cannot read ")) << r.Error.toStdString();
}
