// The Output tab's chart: what it plots is what the rows hold, it follows a
// running mixture through the graph's own poll, its Y axis switches between
// logarithmic and linear, a row without a value is a gap, mode changes are
// marked, and a right click saves its picture.
#include "AppTestSupport.h"

#include "app/OutputChart.h"
#include "app/OutputPlot.h"
#include "app/OutputStepMarks.h"
#include "app/PageControl.h"
#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"
#include "controls/GvDateTime.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace {
struct TChartFixture : TWindowFixture
{
  TChartFixture()
  {
    Clock.SetNow(EncodeDateTime(2026, 3, 9, 14, 2, 0));
    StartTestMode();      // O2 in N2
    Form->Button3Click(); // the automatic stop a day after the new time
    Form->resize(1200, 900);
    Form->PageControl1->SetActivePageIndex(Form->PageControl1->indexOf(Form->TabSheet2));
    QCoreApplication::processEvents();
  }
  TForm1& F() { return *Form; }
  TOutputChart& Chart() { return *Form->OutputChart; }
  TGvGraph2D* Graph() { return Form->GraphOutput; }
  TOutputPlotData& Plot() { return Form->OutputPlot(); }

  void Tick(int n = 1)
  {
    for (int i = 0; i < n; ++i) {
      const double start = Clock.Now();
      Form->Timer1Timer();
      const double spentMs = (Clock.Now() - start) * 86400000;
      if (spentMs < 250) Clock.Advance(250 - spentMs);
    }
  }
  void RunFor(double seconds)
  {
    const double end = Clock.Now() + seconds / 86400;
    while (Clock.Now() < end) Tick();
  }
  // A dry mixture of 2 % O2 in N2.
  void ApplyDry()
  {
    Form->GvIntegerEditGasAPPM->SetValue(20000);
    Form->ButtonDilutionClick();
  }
  // The grid rows that StoreData filled (those with a time).
  QList<int> StoredRows() const
  {
    QList<int> rows;
    for (int r = 1; r < Form->GridRowCount(); ++r)
      if (!Form->GridCell(0, r).isEmpty()) rows << r;
    return rows;
  }
  QString Cell(TProperty q, int row) const { return Form->GridCell(Form->Shared.P[q].ColID, row); }
  // Lets the graph's own 50 ms poll (and the paints) run until both series
  // count N elements.
  bool PollShows(int N)
  {
    return QTest::qWaitFor(
        [&] { return Chart().SeriesPpmA()->Count() == N && Chart().SeriesPpmH2O()->Count() == N; },
        3000);
  }
  QImage Picture() { return Graph()->AsImage(true); }
};

// Some pixel within Radius of (X, Y) has about the colour C.
bool ColourNear(const QImage& I, double X, double Y, TGvColor C, int Radius = 1)
{
  for (int dy = -Radius; dy <= Radius; ++dy)
    for (int dx = -Radius; dx <= Radius; ++dx) {
      const QPoint P(int(std::lround(X)) + dx, int(std::lround(Y)) + dy);
      if (!I.rect().contains(P)) continue;
      const QColor Q = I.pixelColor(P);
      if (std::abs(Q.red() - int(GetR(C))) < 40 && std::abs(Q.green() - int(GetG(C))) < 40 &&
          std::abs(Q.blue() - int(GetB(C))) < 40)
        return true;
    }
  return false;
}

// Every stored row against the element of the vectors at its place: the time
// and both ppm as the cells show them, NaN where a cell is empty.
void ExpectPlotEqualsRows(TChartFixture& fx)
{
  const QList<int> rows = fx.StoredRows();
  TOutputPlotData& plot = fx.Plot();
  ASSERT_EQ(plot.Count(), rows.size());
  const TColumnTable& P = fx.F().Shared.P;
  for (int i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    const int r = rows[i];
    EXPECT_EQ(FormatDateTime(P[TProperty::Time].Format, plot.Time()->Value(i)),
              fx.Cell(TProperty::Time, r));
    for (auto [q, v] :
         {std::pair{TProperty::ppmA, plot.PpmA()}, {TProperty::ppmH2O, plot.PpmH2O()}}) {
      const QString cell = fx.Cell(q, r);
      if (cell.isEmpty())
        EXPECT_TRUE(std::isnan(v->Value(i)));
      else
        EXPECT_EQ(FormatFloat(P[q].Format, v->Value(i)), cell);
    }
  }
}
} // namespace

TEST(OutputChart, TheChartStandsAboveTheTableInASplitter)
{
  TChartFixture fx;
  TForm1& f = fx.F();
  auto* splitter = f.findChild<QSplitter*>("SplitterOutput");
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(splitter->orientation(), Qt::Vertical);
  EXPECT_EQ(splitter->indexOf(f.findChild<QWidget*>("PanelOutputChart")), 0);
  EXPECT_EQ(splitter->indexOf(f.StringGrid1), 1);
  EXPECT_EQ(f.findChild<TGvGraph2D*>("GraphOutput"), f.GraphOutput);
  EXPECT_TRUE(f.PanelOutputChart->isAncestorOf(f.GraphOutput));
  EXPECT_EQ(f.CheckBoxOutputLogScale, f.findChild<QCheckBox*>("CheckBoxOutputLogScale"));
  EXPECT_EQ(f.CheckBoxOutputLogScale->text(), "Logarithmic scale");
  EXPECT_TRUE(f.CheckBoxOutputLogScale->isChecked());
  EXPECT_GT(f.GraphOutput->height(), 150);
  EXPECT_GT(f.StringGrid1->height(), 150);
  // The series read the vectors the row store appends to.
  for (auto [s, y] : {std::pair{fx.Chart().SeriesPpmA(), fx.Plot().PpmA()},
                      {fx.Chart().SeriesPpmH2O(), fx.Plot().PpmH2O()}}) {
    EXPECT_EQ(s->XData(), fx.Plot().Time());
    EXPECT_EQ(s->YData(), y);
    EXPECT_EQ(s->Graph(), f.GraphOutput);
  }
  EXPECT_EQ(fx.Chart().SeriesPpmA()->Caption(), "A ppm");
  EXPECT_EQ(fx.Chart().SeriesPpmH2O()->Caption(), "H2O ppm");
  EXPECT_EQ(f.GraphOutput->PrimaryXAxis()->Scaling(), TGvAxisScaling::DateTime);
}

// The rows of a running mixture reach the chart through the graph's poll;
// what it plots is what the rows hold, and the chart follows as rows come.
TEST(OutputChart, PlotsTheRowsOfARunningMixtureAsTheyCome)
{
  TChartFixture fx;
  fx.ApplyDry();
  fx.RunFor(40);
  const int first = fx.StoredRows().size();
  ASSERT_GE(first, 30);
  ExpectPlotEqualsRows(fx);
  ASSERT_TRUE(fx.PollShows(first));

  TGvAxis* X = fx.Graph()->PrimaryXAxis();
  TGvAxis* Y = fx.Graph()->PrimaryYAxis();
  TGvDoubleVector* time = fx.Plot().Time();
  TGvDoubleVector* ppmA = fx.Plot().PpmA();
  EXPECT_LE(X->Start(), time->Value(0));
  EXPECT_GE(X->Stop(), time->Value(first - 1));
  // Close around the data: the time axis spans less than twice the run.
  EXPECT_LT(X->Stop() - X->Start(), 2 * (time->Value(first - 1) - time->Value(0)));
  EXPECT_LE(Y->Start(), ppmA->Value(first - 1));
  EXPECT_GE(Y->Stop(), ppmA->Value(first - 1));
  QImage picture = fx.Picture();
  EXPECT_TRUE(ColourNear(picture, X->NumberToWorld(time->Value(first - 1)),
                         Y->NumberToWorld(ppmA->Value(first - 1)), TOutputChart::ColorPpmA));

  // Two more minutes: rows at the store interval, shown without a call.
  fx.RunFor(125);
  const int now = fx.StoredRows().size();
  ASSERT_GE(now, first + 2);
  ExpectPlotEqualsRows(fx);
  ASSERT_TRUE(fx.PollShows(now));
  EXPECT_GE(X->Stop(), time->Value(now - 1));
  picture = fx.Picture();
  EXPECT_TRUE(ColourNear(picture, X->NumberToWorld(time->Value(now - 1)),
                         Y->NumberToWorld(ppmA->Value(now - 1)), TOutputChart::ColorPpmA));
}

// Logarithmic by default: the dry mixture's 0 ppm of water has no place
// there and is left out; linear shows it at 0.
TEST(OutputChart, TheCheckBoxSwitchesBetweenLogarithmicAndLinear)
{
  TChartFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.RunFor(10);
  const int n = fx.StoredRows().size();
  ASSERT_TRUE(fx.PollShows(n));
  TGvAxis* Y = fx.Graph()->PrimaryYAxis();
  TGvPointSeries* water = fx.Chart().SeriesPpmH2O();
  ASSERT_EQ(fx.Cell(TProperty::ppmH2O, fx.StoredRows().last()), "0 000 000");
  const auto withValues = [&](TGvSeries* s) {
    int k = 0;
    double x, y;
    for (int i = 0; i < s->Count(); ++i) k += s->ElementValues(i, x, y);
    return k;
  };
  EXPECT_EQ(Y->Scaling(), TGvAxisScaling::Log);
  EXPECT_EQ(withValues(water), 0);
  EXPECT_GT(withValues(fx.Chart().SeriesPpmA()), 0);
  fx.Picture();
  EXPECT_GT(Y->Start(), 0);
  EXPECT_LE(Y->Start(), fx.Plot().PpmA()->Value(n - 1));
  EXPECT_TRUE(std::isfinite(Y->Stop()));

  f.CheckBoxOutputLogScale->click();
  EXPECT_FALSE(fx.Chart().LogScale());
  fx.Picture();
  EXPECT_EQ(Y->Scaling(), TGvAxisScaling::Normal);
  int written = 0; // the first row, before anything was delivered, has none
  for (int r : fx.StoredRows()) written += !fx.Cell(TProperty::ppmH2O, r).isEmpty();
  EXPECT_GE(written, n - 1);
  EXPECT_EQ(withValues(water), written);
  EXPECT_LE(Y->Start(), 0);
  EXPECT_GE(Y->Stop(), fx.Plot().PpmA()->Value(n - 1));

  f.CheckBoxOutputLogScale->click();
  fx.Picture();
  EXPECT_EQ(Y->Scaling(), TGvAxisScaling::Log);
  EXPECT_EQ(withValues(water), 0);
}

// A controller that does not answer leaves the ppm cells of its rows empty:
// the plot holds NaN there, the log axis stays on the good values and the
// line is not drawn across them.
TEST(OutputChart, ARowWithoutAValueIsAGap)
{
  TChartFixture fx;
  fx.ApplyDry();
  fx.RunFor(8);
  fx.Mixer.SetControllerSilent(1, true);
  fx.RunFor(5);
  fx.Mixer.SetControllerSilent(1, false);
  fx.RunFor(8);
  const QList<int> rows = fx.StoredRows();
  ExpectPlotEqualsRows(fx);
  TGvDoubleVector* ppmA = fx.Plot().PpmA();
  int before = -1, after = -1; // the good elements around the silent ones
  for (int i = 1; i < ppmA->Count(); ++i) {
    if (std::isnan(ppmA->Value(i)) && before < 0 && !std::isnan(ppmA->Value(i - 1))) before = i - 1;
    if (before >= 0 && after < 0 && i > before + 1 && !std::isnan(ppmA->Value(i))) after = i;
  }
  ASSERT_GE(before, 0);
  ASSERT_GE(after, before + 3);
  ASSERT_TRUE(fx.PollShows(rows.size()));
  const QImage picture = fx.Picture();

  TGvAxis* X = fx.Graph()->PrimaryXAxis();
  TGvAxis* Y = fx.Graph()->PrimaryYAxis();
  TGvPointSeries* S = fx.Chart().SeriesPpmA();
  EXPECT_TRUE(std::isfinite(Y->Start()) && std::isfinite(Y->Stop()));
  EXPECT_GT(Y->Start(), 0);
  EXPECT_TRUE(OutputSegmentSpansGap(*S, before));
  EXPECT_FALSE(OutputSegmentSpansGap(*S, before - 1));
  const auto pixel = [&](int i) {
    return QPointF(X->NumberToWorld(fx.Plot().Time()->Value(i)), Y->NumberToWorld(ppmA->Value(i)));
  };
  // Between two good rows the line is drawn; across the gap it is not.
  const QPointF a = pixel(before - 1), b = pixel(before), c = pixel(after);
  ASSERT_GT(c.x() - b.x(), 20);
  EXPECT_TRUE(
      ColourNear(picture, (a.x() + b.x()) / 2, (a.y() + b.y()) / 2, TOutputChart::ColorPpmA));
  for (double t : {0.3, 0.5, 0.7}) {
    const QPointF m = b + (c - b) * t;
    EXPECT_FALSE(ColourNear(picture, m.x(), m.y(), TOutputChart::ColorPpmA)) << t;
  }
}

// Each mode change is marked at the time of its first row, in the mode's
// colour on the time axis.
TEST(OutputChart, ModeChangesAreMarkedOnTheTimeAxis)
{
  TChartFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.RunFor(10);
  f.ButtonBypassClick();
  fx.RunFor(10);
  f.ButtonStopClick();
  fx.RunFor(2);
  const QList<int> rows = fx.StoredRows();
  const auto& marks = fx.Plot().ModeChanges();
  ASSERT_EQ(marks.size(), 3u);
  const char* modes[] = {"Dilution", "Bypass", "Standby"};
  int m = 0;
  for (int i = 0; i < rows.size(); ++i) {
    const QString mode = fx.Cell(TProperty::Mode, rows[i]);
    if (i > 0 && mode == fx.Cell(TProperty::Mode, rows[i - 1])) continue;
    ASSERT_LT(m, 3);
    EXPECT_EQ(mode, modes[m]);
    EXPECT_EQ(marks[m].Mode, mode);
    EXPECT_EQ(marks[m].Time, fx.Plot().Time()->Value(i));
    ++m;
  }
  ASSERT_TRUE(fx.PollShows(rows.size()));
  const QImage picture = fx.Picture();
  const QRectF area = fx.Graph()->DrawingArea();
  const double x = fx.Graph()->PrimaryXAxis()->NumberToWorld(marks[1].Time);
  EXPECT_TRUE(ColourNear(picture, x, area.bottom() - 2, TOutputChart::ModeColor("Bypass")));
}

TEST(OutputChart, ARightClickSavesTheChartAsPngSvgOrPdf)
{
  TChartFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.RunFor(5);
  fx.Clock.SetNow(EncodeDateTime(2026, 3, 9, 14, 5, 12));
  TScriptedDialogs& d = fx.Dialogs;

  f.GraphOutputMouseDown(Qt::LeftButton, {});
  EXPECT_TRUE(d.Questions.isEmpty());
  // Nothing chosen from the menu: no save dialog.
  QTest::mouseClick(f.GraphOutput, Qt::RightButton);
  EXPECT_EQ(d.Questions, QStringList({"Menu: Save chart image"}));

  struct TCase
  {
    const char* name;
    const char* written;
    QByteArray start; // the file's first bytes
  };
  const TCase cases[] = {{"chart.png", "chart.png", "\x89PNG"},
                         {"chart.svg", "chart.svg", "<?xml"},
                         {"chart.pdf", "chart.pdf", "%PDF"},
                         {"chart", "chart.png", "\x89PNG"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    d.Questions.clear();
    d.MenuChoices = {"Save chart image"};
    d.SaveNames = {QDir::current().absoluteFilePath(c.name)};
    QTest::mouseClick(f.GraphOutput, Qt::RightButton);
    ASSERT_EQ(d.Questions.size(), 2);
    EXPECT_TRUE(d.Questions[1].endsWith("/2026-03-09 14_05")) << d.Questions[1].toStdString();
    QFile file(c.written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(16).startsWith(c.start));
    EXPECT_EQ(f.MemoDevFeedback->toPlainText().split(u'\n').last(), "Saving succeeded");
  }
  const QImage png("chart.png");
  EXPECT_EQ(png.size(), f.GraphOutput->size());
  EXPECT_EQ(png.pixelColor(2, 2), QColor(Qt::white));

  // An existing file is never overwritten.
  d.MenuChoices = {"Save chart image"};
  d.SaveNames = {QDir::current().absoluteFilePath("chart.svg")};
  const qint64 size = QFileInfo("chart.svg").size();
  QTest::mouseClick(f.GraphOutput, Qt::RightButton);
  EXPECT_EQ(d.Messages.last(), "File already exists. Cannot overwrite.");
  EXPECT_EQ(QFileInfo("chart.svg").size(), size);

  // A picture that cannot be written is reported.
  d.MenuChoices = {"Save chart image"};
  d.SaveNames = {"/nonexistent-folder/chart.png"};
  QTest::mouseClick(f.GraphOutput, Qt::RightButton);
  EXPECT_EQ(d.Messages.last(), "Saving failed");
  EXPECT_EQ(f.MemoDevFeedback->toPlainText().split(u'\n').last(), "Saving failed");
}

TEST(OutputPlot, AppendsWhatTheRowHoldsAndNotesModeChanges)
{
  TOutputPlotData plot;
  const auto row = [](double t, const char* mode, double ppmA, double ppmH2O) {
    TRow r;
    r.Values.fill(std::nan(""));
    r.Cells[size_t(TProperty::Mode)] = QString::fromLatin1(mode);
    r.Values[size_t(TProperty::Time)] = t;
    r.Values[size_t(TProperty::ppmA)] = ppmA;
    r.Values[size_t(TProperty::ppmH2O)] = ppmH2O;
    return r;
  };
  plot.AppendRow(row(1, "Dilution", std::nan(""), std::nan(""))); // nothing delivered yet
  plot.AppendRow(row(2, "Dilution", 150, 5000));
  plot.AppendRow(row(3, "Bypass", 140, 4900));
  plot.AppendRow(row(4, "Bypass", 130, 4800));
  ASSERT_EQ(plot.Count(), 4);
  EXPECT_TRUE(std::isnan(plot.PpmA()->Value(0)));
  EXPECT_EQ(plot.PpmA()->Value(2), 140);
  EXPECT_EQ(plot.PpmH2O()->Value(3), 4800);
  EXPECT_EQ(plot.Time()->Value(3), 4);
  ASSERT_EQ(plot.ModeChanges().size(), 2u);
  EXPECT_EQ(plot.ModeChanges()[0].Time, 1);
  EXPECT_EQ(plot.ModeChanges()[1].Time, 3);
  EXPECT_EQ(plot.ModeChanges()[1].Mode, "Bypass");
}

TEST(OutputPlot, ChartImageFormatFollowsTheSuffix)
{
  struct TCase
  {
    const char* in;
    const char* out;
    TGvImageFileFormat format;
  };
  const TCase cases[] = {
      {"a.png", "a.png", TGvImageFileFormat::Png}, {"a.PNG", "a.PNG", TGvImageFileFormat::Png},
      {"b.svg", "b.svg", TGvImageFileFormat::Svg}, {"c.Pdf", "c.Pdf", TGvImageFileFormat::Pdf},
      {"d", "d.png", TGvImageFileFormat::Png},     {"e.jpg", "e.jpg.png", TGvImageFileFormat::Png}};
  for (const TCase& c : cases) {
    QString path = c.in;
    EXPECT_EQ(ChartImageFormat(path), c.format) << c.in;
    EXPECT_EQ(path, c.out);
  }
}

// The starts of a sequence's steps: a tag with the step's number at the top
// of the data area, at the time of the start (the first a moment before the
// first row, as a sequence's first step comes).
TEST(OutputChart, SequenceStepsAreMarkedWithTheirNumbers)
{
  TChartFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.RunFor(10);
  const QList<int> rows = fx.StoredRows();
  ASSERT_GE(rows.size(), 6);
  TOutputPlotData& plot = f.OutputPlot();
  plot.AddStepMark(plot.Time()->Value(0) - 0.02 / 86400, 1);
  plot.AddStepMark(plot.Time()->Value(5), 2);
  ASSERT_TRUE(fx.PollShows(rows.size()));
  f.GraphOutput->Modified();
  const QImage picture = fx.Picture();
  const QRectF area = fx.Graph()->DrawingArea();
  const double x = fx.Graph()->PrimaryXAxis()->NumberToWorld(plot.Time()->Value(5));
  EXPECT_TRUE(ColourNear(picture, x + 1.5, area.top() + 2.5, TOutputStepMarks::Color));
  const double x1 = std::max<double>(
      area.left(), fx.Graph()->PrimaryXAxis()->NumberToWorld(plot.Time()->Value(0) - 0.02 / 86400));
  EXPECT_TRUE(ColourNear(picture, x1 + 1.5, area.top() + 2.5, TOutputStepMarks::Color));
  EXPECT_FALSE(ColourNear(picture, (x1 + x) / 2, area.top() + 2.5, TOutputStepMarks::Color));
}
