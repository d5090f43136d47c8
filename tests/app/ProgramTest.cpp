// Verdane as a program: --help, --version and a refused command line answer
// without a display; the manual page is made from the --help text; the Debug
// pane begins with the version.
#include "AppTestSupport.h"

#include "app/ManPage.h"
#include "app/StartOptions.h"
#include "app/Version.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(Program, HelpVersionAndRefusalNeedNoDisplay)
{
  // Without a display and without a platform named, QApplication could not
  // start: every answer here comes before it.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  const struct
  {
    QStringList Arguments;
    int Status;
    QString Out;  // standard output, exactly
    QString Error; // found in standard error
  } cases[] = {
      {{"--help"}, 0, StartOptionsHelp(), ""},
      {{"-h"}, 0, StartOptionsHelp(), ""},
      {{"--version"}, 0, VersionText() + "\n", ""},
      {{"-platform", "offscreen", "-reverse", "--version"}, 0, VersionText() + "\n", ""},
      {{"--relay-port", "/dev/ttyUSB0", "--help"}, 0, StartOptionsHelp(), ""},
      {{"--pump"}, 2, "", "verdane: unknown option \"--pump\""},
      {{"--mfc-port"}, 2, "", "verdane: --mfc-port needs a port"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Arguments.join(u' ').toStdString());
    QProcess verdane;
    verdane.setProcessEnvironment(env);
    verdane.start(QStringLiteral(VERDANE_PROGRAM), c.Arguments);
    ASSERT_TRUE(verdane.waitForFinished(30000));
    EXPECT_EQ(verdane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(verdane.exitCode(), c.Status);
    EXPECT_EQ(QString::fromLocal8Bit(verdane.readAllStandardOutput()), c.Out);
    const QString error = QString::fromLocal8Bit(verdane.readAllStandardError());
    EXPECT_TRUE(error.contains(c.Error)) << error.toStdString();
  }
}

TEST(Program, VersionIsTheDebugPanesFirstLine)
{
  // The project's version, and the checkout's description when there is one.
  EXPECT_TRUE(QRegularExpression("^Verdane \\d+\\.\\d+(\\.\\d+)*( \\([A-Za-z0-9._+-]+\\))?$")
                  .match(VersionText())
                  .hasMatch())
      << VersionText().toStdString();
  TWindowFixture fx;
  EXPECT_EQ(fx.Form->MemoDevFeedback->toPlainText().split(u'\n').first(), VersionText());
  EXPECT_EQ(fx.Form->windowTitle(), "Mix");
}

TEST(Program, ToolkitOptionsAndTheirValuesAreLeftOut)
{
  const struct
  {
    QStringList In, Out;
  } cases[] = {
      {{"verdane", "-platform", "offscreen", "--help"}, {"verdane", "--help"}},
      {{"verdane", "-reverse", "--relay-port", "/dev/x"}, {"verdane", "--relay-port", "/dev/x"}},
      {{"verdane", "-h", "-style=fusion"}, {"verdane", "-h"}},
      {{"verdane", "--mfc-port", "/dev/y", "-"}, {"verdane", "--mfc-port", "/dev/y", "-"}},
  };
  for (const auto& c : cases) EXPECT_EQ(WithoutToolkitOptions(c.In), c.Out);
}

TEST(ManPage, MadeFromTheHelpText)
{
  const QString page = ManPageFromHelp(StartOptionsHelp(), "Verdane 1.2 (v1.2-3-gabcdef0)");
  const QStringList lines = page.split(u'\n');
  for (const char* line :
       {".TH VERDANE 1 \"\" \"Verdane 1.2 (v1.2\\-3\\-gabcdef0)\" \"User Commands\"", ".SH NAME",
        "verdane \\- controls a laboratory gas mixer", ".SH SYNOPSIS",
        "\\fBverdane\\fR [\\fIOPTION\\fR]...", ".SH DESCRIPTION", ".SH \"OPTIONS\"",
        "\\fB\\-\\-relay\\-port\\fR \\fIPORT\\fR", "\\fB\\-h\\fR, \\fB\\-\\-help\\fR",
        ".SH \"ENVIRONMENT\"", "\\fBVERDANE_EXTRA_PORTS\\fR", ".SH \"SIGNALS\"",
        "\\fBSIGTERM\\fR, \\fBSIGINT\\fR, \\fBSIGHUP\\fR", ".SH \"EXIT STATUS\"", "\\fB2\\fR"})
    EXPECT_TRUE(lines.contains(line)) << line;
  // Every item of the help is an item of the page, an option added later too.
  static const QRegularExpression item("^  \\S");
  EXPECT_EQ(lines.count(".TP"), StartOptionsHelp().split(u'\n').filter(item).size());

  // The rules one at a time: escapes, an item without text and one that goes
  // on, a paragraph after items, a line that would be a request.
  const QString help = "Usage: tool [-x] FILE\n"
                       "Does things. More\n"
                       "\n"
                       "Options:\n"
                       "  -x, --extra=N  first line\n"
                       "                 second line\n"
                       "  --alone\n"
                       "Back\\slash text.\n"
                       ".dot and 'quote\n";
  EXPECT_EQ(ManPageFromHelp(help, "tool 1"), ".TH TOOL 1 \"\" \"tool 1\" \"User Commands\"\n"
                                             ".SH NAME\n"
                                             "tool \\- does things\n"
                                             ".SH SYNOPSIS\n"
                                             "\\fBtool\\fR [\\fB\\-x\\fR] \\fIFILE\\fR\n"
                                             ".SH DESCRIPTION\n"
                                             "Does things. More\n"
                                             ".SH \"OPTIONS\"\n"
                                             ".TP\n"
                                             "\\fB\\-x\\fR, \\fB\\-\\-extra\\fR=\\fIN\\fR\n"
                                             "first line\n"
                                             "second line\n"
                                             ".TP\n"
                                             "\\fB\\-\\-alone\\fR\n"
                                             ".PP\n"
                                             "Back\\eslash text.\n"
                                             "\\&.dot and 'quote\n");
}

// groff reads the page without a warning (where groff is installed).
TEST(ManPage, GroffReadsItWithoutWarnings)
{
  const QString groff = QStandardPaths::findExecutable("groff");
  if (groff.isEmpty()) GTEST_SKIP() << "groff is not installed";
  QProcess p;
  p.start(groff, {"-man", "-Tutf8", "-ww", "-z"});
  ASSERT_TRUE(p.waitForStarted());
  p.write(ManPageFromHelp(StartOptionsHelp(), VersionText()).toUtf8());
  p.closeWriteChannel();
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(QString::fromLocal8Bit(p.readAllStandardError()), QString());
}
