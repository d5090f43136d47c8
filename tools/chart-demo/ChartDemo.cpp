// verdane-chart-demo: a window with a graph whose vector grows by a random
// walk every 50 ms. Drag a rectangle to zoom, drag with Shift to pan once
// zoomed, click beside the data area to zoom back, double-click there to reset;
// the wheel zooms around the pointer. The File menu saves and opens the chart
// (binary stream, or XML / ini by the file's suffix), saves an image, prints or
// copies the graph; the Style menu changes the look, and Edit undoes and
// redoes those changes (and the clearing of the data). The Kind menu shows the
// same live data as other series kinds: bars (a histogram of the steps,
// changed in place, shifted or stacked, flat, cuboid or cylinder), OHLC bars
// and candlesticks (one "day" per ten ticks, the last 60 days), bubbles and
// arrows over the same days.
//
//   verdane-chart-demo [--open <chart>] [--restyle] [--undo <n>] [--kind <name>]
//                      [--screenshot <file.png> [--after <ms>]] [--zoom] [--pan]
//                      [--save <chart>]
//
// --open reads a saved chart at the start; --restyle makes five changes of
// style, --undo then undoes n of them. --kind starts with the kind named as in
// the Kind menu (for example "Candlesticks"). --screenshot grabs the window
// after the given time (default 2000 ms) and quits (after writing the chart to
// the file of --save); --zoom drags a rubber band with the mouse after a third
// of that time, --pan then drags the zoomed view with Shift held.
#include "chart/GvArrows.h"
#include "chart/GvAxis.h"
#include "chart/GvBars.h"
#include "chart/GvBubbles.h"
#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvLegend.h"
#include "chart/GvOHLC.h"
#include "chart/GvSeries.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"

#include <QDomDocument>
#include <QKeySequence>

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

TGvImageFileFormat FormatOf(const QString& FileName)
{
  const QString S = QFileInfo(FileName).suffix().toLower();
  if (S == "svg") return TGvImageFileFormat::Svg;
  if (S == "pdf") return TGvImageFileFormat::Pdf;
  if (S == "jpg" || S == "jpeg") return TGvImageFileFormat::Jpeg;
  if (S == "bmp") return TGvImageFileFormat::Bmp;
  if (S == "gif") return TGvImageFileFormat::Gif;
  if (S == "tif" || S == "tiff") return TGvImageFileFormat::Tiff;
  return TGvImageFileFormat::Png;
}

class TDemoWindow : public QMainWindow
{
public:
  TDemoWindow()
  {
    setObjectName("DemoWindow");
    setWindowTitle("Verdane chart demo");
    resize(900, 600);
    Graph = new TGvGraph2D(this);
    Graph->setObjectName("Graph1");
    setCentralWidget(Graph);
    Graph->TestPrimaryAxis();
    Graph->SetBackColor(0xFFFFFFFF);
    Graph->SetDataAreaColor(0xFFF8F8FF);
    Graph->DataAreaFrame()->SetVisible(true);
    Graph->MajorGridHorizontal()->SetVisible(true);
    Graph->MajorGridHorizontal()->SetColor(0xFFDDDDDD);
    Graph->MajorGridVertical()->SetVisible(true);
    Graph->MajorGridVertical()->SetColor(0xFFDDDDDD);
    Graph->SetCaption("A random walk, 20 steps every 50 ms");
    Graph->SetCaptionVisible(true);
    Graph->SetCaptionDistanceBefore(6);
    Graph->SetCaptionDistanceAfter(6);
    Graph->SetDistanceBorderAxisRight(12);
    Graph->PrimaryXAxis()->SetCaption("Step");
    Graph->PrimaryYAxis()->SetCaption("Position");
    X = new TGvDoubleVector(this);
    X->setObjectName("X1");
    Y = new TGvDoubleVector(this);
    Y->setObjectName("Y1");
    auto* S = new TGvPointSeries(this);
    S->setObjectName("Walk");
    Walker = S;
    S->SetXAxis(Graph->PrimaryXAxis());
    S->SetYAxis(Graph->PrimaryYAxis());
    S->SetXData(X);
    S->SetYData(Y);
    S->Line()->SetColor(0xFF2040C0);
    S->SetCaption("Random walk");
    WalkSeries = S;
    MakeKinds();
    // Every change made through the properties from now on can be undone.
    Stack = new TGvUndoStack(this);
    Stack->setObjectName("UndoStack1");
    Graph->SetUndoStack(Stack);

    auto* File = menuBar()->addMenu("&File");
    File->addAction("&Open chart...", QKeySequence::Open, this, [this] { OpenChart(); });
    File->addAction("Save &chart...", QKeySequence::Save, this, [this] { SaveChart(); });
    File->addSeparator();
    File->addAction("&Save image...", this, [this] { SaveImage(); });
    File->addAction("&Print...", this, [this] { Print(); });
    File->addAction("&Copy", this, [this] { Graph->CopyToClipboard(); });
    File->addSeparator();
    File->addAction("&Quit", this, &QWidget::close);
    auto* Edit = menuBar()->addMenu("&Edit");
    UndoAction = Edit->addAction("&Undo", QKeySequence::Undo, this, [this] { Undo(); });
    RedoAction = Edit->addAction("&Redo", QKeySequence::Redo, this, [this] { Redo(); });
    Edit->addSeparator();
    Edit->addAction("Clear the &data", this, [this] {
      Graph->UndoPushSeriesVectors();
      X->Clear(true);
      Y->Clear(true);
      Position = 0;
    });
    QObject::connect(Edit, &QMenu::aboutToShow, this, [this] { UpdateEditMenu(); });
    auto* Style = menuBar()->addMenu("&Style");
    Style->addAction("Next line &colour", this, [this] { NextColour(); });
    Style->addAction("&Thicker line", this,
                     [this] { Walker->Line()->SetWidth(Walker->Line()->Width() + 1); });
    Style->addAction("Thi&nner line", this, [this] {
      Walker->Line()->SetWidth(std::max(1.0f, Walker->Line()->Width() - 1));
    });
    Style->addAction("&Symbols on/off", this, [this] {
      Walker->PointSymbol()->SetVisible(!Walker->PointSymbol()->Visible());
    });
    Style->addAction("&Area on/off", this,
                     [this] { Walker->Area()->SetVisible(!Walker->Area()->Visible()); });
    Style->addAction("&Grid on/off", this, [this] {
      Stack->StartGroup("Grid");
      Graph->MajorGridHorizontal()->SetVisible(!Graph->MajorGridHorizontal()->Visible());
      Graph->MajorGridVertical()->SetVisible(!Graph->MajorGridVertical()->Visible());
      Stack->StopGroup();
    });
    Style->addAction("Dark &background", this, [this] {
      Stack->StartGroup("Dark background");
      Graph->SetBackColor(0xFF202830);
      Graph->SetDataAreaColor(0xFF303840);
      Graph->PrimaryXAxis()->SetForeColor(0xFFE0E0E0);
      Graph->PrimaryYAxis()->SetForeColor(0xFFE0E0E0);
      Stack->StopGroup();
    });
    auto* View = menuBar()->addMenu("&View");
    View->addAction("Zoom &back", this, [this] { Graph->ZoomBack(); });
    View->addAction("&Reset zoom", this, [this] { Graph->ZoomReset(); });
    View->addAction("Pause / &go on", this,
                    [this] { Walk.isActive() ? Walk.stop() : Walk.start(); });
    auto* Kinds = menuBar()->addMenu("&Kind");
    auto* Group = new QActionGroup(this);
    for (const QString& K : KindNames()) {
      QAction* Act = Kinds->addAction(K, this, [this, K] { ShowKind(K); });
      Act->setCheckable(true);
      Act->setChecked(K == KindNames().front());
      Group->addAction(Act);
    }
    statusBar()->showMessage("Drag to zoom, Shift+drag to pan, click beside the area to zoom back");

    // The application only appends; the graph's own poll shows the values.
    Walk.setInterval(50);
    QObject::connect(&Walk, &QTimer::timeout, this, [this] {
      const double Before = Position;
      double High = Position, Low = Position;
      for (int I = 0; I < 20; ++I) {
        const double D = Step(Rng);
        Position += D;
        X->Add(X->Count());
        Y->Add(Position);
        High = std::max(High, Position);
        Low = std::min(Low, Position);
        // The histogram of the steps, changed in place: first and second
        // half of each tick stacked.
        const int Bin = std::clamp(int(std::floor((D + 3) * 2)), 0, 11);
        TGvDoubleVector* H = I < 10 ? FirstHalf : SecondHalf;
        H->SetValue(Bin, H->Value(Bin) + 1);
      }
      AddDay(Before, High, Low, Position);
    });
    Walk.start();
  }

  TGvGraph2D* Graph;
  TGvUndoStack* Stack;

  // The form by the file's suffix: XML, ini, or else the binary stream.
  static bool IsXml(const QString& F) { return F.endsWith(".xml", Qt::CaseInsensitive); }
  static bool IsIni(const QString& F) { return F.endsWith(".ini", Qt::CaseInsensitive); }

  void WriteChart(const QString& F)
  {
    if (IsXml(F)) {
      QDomDocument Doc;
      QDomElement Root = Doc.createElement("Chart");
      Doc.appendChild(Root);
      Graph->WriteTo(Root, true);
      GvWriteXmlFile(F, Doc);
    } else if (IsIni(F)) {
      TGvIniFile Ini(F);
      Graph->WriteTo(Ini, "Graph", true);
      Ini.Save();
    } else {
      Graph->WriteTo(F, true);
    }
  }
  void ReadChart(const QString& F)
  {
    if (IsXml(F)) {
      QDomDocument Doc;
      GvReadXmlFile(F, Doc);
      Graph->ReadFrom(Doc.documentElement().firstChildElement("TGvGraph2D"));
    } else if (IsIni(F)) {
      TGvIniFile Ini(F);
      Ini.Load();
      Graph->ReadFrom(Ini, "Graph");
    } else {
      Graph->ReadFrom(F);
    }
    // What was recorded belongs to the chart before.
    Stack->Clear();
    const QStringList W = Graph->ReadWarnings();
    statusBar()->showMessage(W.isEmpty() ? QString("Opened %1").arg(F)
                                         : QString("Opened %1: %2").arg(F, W.join("; ")));
  }
  void SaveChart()
  {
    const QString F = QFileDialog::getSaveFileName(this, "Save chart", "chart.gvg",
                                                   "Charts (*.gvg);;XML (*.xml);;Ini (*.ini)");
    if (F.isEmpty()) return;
    try {
      WriteChart(F);
      statusBar()->showMessage(QString("Saved %1").arg(F));
    } catch (const std::exception& E) {
      QMessageBox::warning(this, "Save chart", E.what());
    }
  }
  void OpenChart()
  {
    const QString F = QFileDialog::getOpenFileName(this, "Open chart", QString(),
                                                   "Charts (*.gvg *.xml *.ini);;All files (*)");
    if (F.isEmpty()) return;
    try {
      ReadChart(F);
    } catch (const std::exception& E) {
      // A file that cannot be read leaves the chart as it was.
      QMessageBox::warning(this, "Open chart", E.what());
    }
  }
  void Undo()
  {
    try {
      Stack->Undo();
    } catch (const std::exception& E) {
      QMessageBox::warning(this, "Undo", E.what());
    }
  }
  void Redo()
  {
    try {
      Stack->Redo();
    } catch (const std::exception& E) {
      QMessageBox::warning(this, "Redo", E.what());
    }
  }
  void UpdateEditMenu()
  {
    UndoAction->setEnabled(Stack->CanUndo());
    RedoAction->setEnabled(Stack->CanRedo());
    UndoAction->setText(Stack->CanUndo() ? "&Undo " + Stack->UndoList()[0] : "&Undo");
    RedoAction->setText(Stack->CanRedo() ? "&Redo " + Stack->RedoList()[0] : "&Redo");
  }
  void NextColour()
  {
    static const TGvColor Colours[] = {0xFF2040C0, 0xFFC02020, 0xFF20A040, 0xFFE08000, 0xFF8020C0};
    const TGvColor Now = Walker->Line()->Color();
    int I = 0;
    while (I < 5 && Colours[I] != Now) ++I;
    Walker->Line()->SetColor(Colours[(I + 1) % 5]);
  }
  // Five changes of style, each a step of its own.
  void Restyle()
  {
    NextColour();
    Walker->Line()->SetWidth(3);
    Walker->PointSymbol()->SetVisible(true);
    Walker->Area()->SetVisible(true);
    Graph->SetBackColor(0xFFFFF4E0);
  }

  void SaveImage()
  {
    const QString F = QFileDialog::getSaveFileName(
        this, "Save image", "graph.png", "Images (*.png *.jpg *.bmp *.gif *.tif *.svg *.pdf)");
    if (F.isEmpty()) return;
    try {
      Graph->SaveImage(F, FormatOf(F), false);
    } catch (const std::exception& E) {
      QMessageBox::warning(this, "Save image", E.what());
    }
  }
  void Print()
  {
    QPrinter Printer(QPrinter::HighResolution);
    QPrintDialog Dialog(&Printer, this);
    if (Dialog.exec() != QDialog::Accepted) return;
    try {
      Graph->PrintTo(Printer, QRect());
    } catch (const std::exception& E) {
      QMessageBox::warning(this, "Print", E.what());
    }
  }

  static QStringList KindNames()
  {
    return {"Line",      "Bars shifted", "Bars stacked", "Cuboids stacked", "Cylinders shifted",
            "OHLC bars", "Candlesticks", "Bubbles",      "Arrows"};
  }

  void ShowKind(const QString& Kind)
  {
    TGvUpdateScope Update(Graph);
    WalkSeries->SetVisible(Kind == "Line");
    const bool AnyBars =
        Kind.contains("Bars") || Kind.contains("Cuboids") || Kind.contains("Cylinders");
    for (TGvBars* B : {BarsA, BarsB}) {
      B->SetVisible(AnyBars);
      B->SetIncludeInLegend(AnyBars);
    }
    if (AnyBars) {
      BarsA->SetOverlayStyle(Kind.contains("stacked") ? TGvBarsOverlayStyle::Stack
                                                      : TGvBarsOverlayStyle::Shift);
      const TGvBarStyle Style = Kind.contains("Cuboids")     ? TGvBarStyle::Cuboid
                                : Kind.contains("Cylinders") ? TGvBarStyle::Cylinder
                                                             : TGvBarStyle::Flat;
      BarsA->SetBarStyle(Style);
      BarsB->SetBarStyle(Style);
    }
    const std::pair<TGvSeries*, QString> Others[] = {
        {Ohlc, "OHLC bars"}, {Candles, "Candlesticks"}, {Bubbles, "Bubbles"}, {Arrows, "Arrows"}};
    for (const auto& [S, Name] : Others) {
      S->SetVisible(Kind == Name);
      S->SetIncludeInLegend(Kind == Name);
    }
    WalkSeries->SetIncludeInLegend(Kind == "Line");
    Graph->SetCaption(Kind == "Line" ? QStringLiteral("A random walk, 20 steps every 50 ms")
                                     : QStringLiteral("The same walk as ") + Kind);
    Graph->ZoomReset();
  }

private:
  // Named, so that a saved chart names them and finds them again.
  TGvDoubleVector* Vec(const char* Name)
  {
    auto* V = new TGvDoubleVector(this);
    V->setObjectName(QLatin1String(Name));
    return V;
  }
  template <class T>
  T* Kind(const QString& Name, TGvCustomDoubleVector* XV, TGvCustomDoubleVector* YV)
  {
    auto* S = new T(this);
    S->setObjectName(Name);
    S->SetCaption(Name);
    S->SetXAxis(Graph->PrimaryXAxis());
    S->SetYAxis(Graph->PrimaryYAxis());
    S->SetXData(XV);
    if (YV) S->SetYData(YV);
    S->SetVisible(false);
    S->SetIncludeInLegend(false);
    return S;
  }

  void MakeKinds()
  {
    // The histogram: 12 bins of half a unit from -3 to 3.
    FirstHalf = Vec("FirstHalf");
    SecondHalf = Vec("SecondHalf");
    auto* Bounds = Vec("Bounds");
    for (int I = 0; I < 12; ++I) {
      FirstHalf->Add(0);
      SecondHalf->Add(0);
      Bounds->Add(-3 + I * 0.5);
    }
    Bounds->Add(3);
    BarsA = Kind<TGvBars>("First half of each tick", Bounds, FirstHalf);
    BarsB = Kind<TGvBars>("Second half of each tick", Bounds, SecondHalf);
    BarsA->Area()->SetForeColor(0xFF4169E1);
    BarsB->Area()->SetForeColor(0xFFFF8C00);
    BarsA->SetClassesDistance(20);
    for (TGvBars* B : {BarsA, BarsB}) {
      B->SetLabelPosition(TGvBarLabelPosition::OnTopOfBar);
      B->SetLabelFrom(TGvLabelStyle::Percent);
      B->SetLabelFormat("0");
      B->SetLabelSize(28);
      B->Font()->SetStyle({});
    }
    // The days: the last 60, one per ten ticks.
    Day = Vec("Day");
    Open = Vec("Open");
    High = Vec("High");
    Low = Vec("Low");
    Close = Vec("Close");
    Radius = Vec("Radius");
    DX = Vec("DX");
    DY = Vec("DY");
    Ohlc = Kind<TGvOHLC>("OHLC", Day, nullptr);
    Candles = Kind<TGvCandleSticks>("Candles", Day, nullptr);
    for (TGvCustomOHLC* O :
         {static_cast<TGvCustomOHLC*>(Ohlc), static_cast<TGvCustomOHLC*>(Candles)}) {
      O->SetOpenData(Open);
      O->SetHighData(High);
      O->SetLowData(Low);
      O->SetCloseData(Close);
    }
    Bubbles = Kind<TGvBubbles>("Range of the day", Day, Close);
    Bubbles->SetRadiusData(Radius);
    Bubbles->Area()->SetVisible(true);
    Bubbles->Area()->SetForeColor(0x804682B4);
    Arrows = Kind<TGvArrows>("Move of the day", Day, Open);
    Arrows->SetDeltaX(DX);
    Arrows->SetDeltaY(DY);
    auto* L = new TGvLegend(this);
    L->setObjectName("Legend1");
    L->SetGraph(Graph);
    L->SetBackColor(0xFFFFFFFF);
    L->SetItemWidth(40);
    L->SetPosition(TGvLegendPosition::BottomCenterOfAxis);
  }

  void AddDay(double O, double H, double L, double C)
  {
    Tick = (Tick + 1) % 10;
    if (Tick == 1) {
      Day->Add(DayCount++);
      for (TGvDoubleVector* V : {Open, High, Low, Close}) V->Add(0);
      for (TGvDoubleVector* V : {Radius, DX, DY}) V->Add(0);
      Open->SetValue(Open->Count() - 1, O);
      DayHigh = H;
      DayLow = L;
      if (Day->Count() > 60)
        for (TGvDoubleVector* V : {Day, Open, High, Low, Close, Radius, DX, DY})
          V->Delete(0, false);
    }
    DayHigh = std::max(DayHigh, H);
    DayLow = std::min(DayLow, L);
    const int I = Day->Count() - 1;
    High->SetValue(I, DayHigh);
    Low->SetValue(I, DayLow);
    Close->SetValue(I, C);
    Radius->SetValue(I, (DayHigh - DayLow) / 2);
    DX->SetValue(I, 0.8);
    DY->SetValue(I, C - Open->Value(I));
  }

  TGvLineSeries* WalkSeries;
  TGvDoubleVector *FirstHalf, *SecondHalf;
  TGvBars *BarsA, *BarsB;
  TGvDoubleVector *Day, *Open, *High, *Low, *Close, *Radius, *DX, *DY;
  TGvOHLC* Ohlc;
  TGvCandleSticks* Candles;
  TGvBubbles* Bubbles;
  TGvArrows* Arrows;
  int Tick = 0, DayCount = 0;
  double DayHigh = 0, DayLow = 0;
  TGvDoubleVector* X;
  TGvDoubleVector* Y;
  TGvPointSeries* Walker;
  QAction* UndoAction;
  QAction* RedoAction;
  QTimer Walk;
  std::mt19937 Rng{2024};
  std::normal_distribution<double> Step{0, 1};
  double Position = 0;
};

void Mouse(QWidget* W, QEvent::Type T, QPoint At, Qt::MouseButton B, Qt::KeyboardModifiers M)
{
  const QPointF P(At);
  QMouseEvent E(T, P, W->mapToGlobal(P), B, T == QEvent::MouseButtonRelease ? Qt::NoButton : B, M);
  QApplication::sendEvent(W, &E);
}

void Drag(QWidget* W, QPoint From, QPoint To, Qt::KeyboardModifiers M)
{
  Mouse(W, QEvent::MouseButtonPress, From, Qt::LeftButton, M);
  for (int I = 1; I <= 10; ++I)
    Mouse(W, QEvent::MouseMove, From + (To - From) * I / 10, Qt::LeftButton, M);
  Mouse(W, QEvent::MouseButtonRelease, To, Qt::LeftButton, M);
}

} // namespace

int main(int argc, char** argv)
{
  QApplication App(argc, argv);
  const QStringList A = App.arguments();
  TDemoWindow W;
  auto Option = [&A](const char* Name) {
    const int I = A.indexOf(Name);
    return I > 0 && I + 1 < A.size() ? A[I + 1] : QString();
  };
  if (const QString Open = Option("--open"); !Open.isEmpty()) {
    try {
      W.ReadChart(Open);
      std::printf("opened %s\n", qPrintable(Open));
    } catch (const std::exception& E) {
      std::printf("could not open %s: %s\n", qPrintable(Open), E.what());
    }
  }
  if (A.contains("--restyle")) {
    W.Restyle();
    const int Steps = Option("--undo").toInt();
    if (Steps > 0) W.Stack->Undo(Steps - 1);
    std::printf("undo steps left %d, redo steps %d\n", W.Stack->UndoList().Count(),
                W.Stack->RedoList().Count());
  }
  W.show();
  if (const int K = A.indexOf("--kind"); K > 0 && K + 1 < A.size()) W.ShowKind(A[K + 1]);
  const int Shot = A.indexOf("--screenshot");
  if (Shot > 0 && Shot + 1 < A.size()) {
    const QString File = A[Shot + 1];
    const int After = A.contains("--after") ? A[A.indexOf("--after") + 1].toInt() : 2000;
    if (A.contains("--zoom"))
      QTimer::singleShot(After / 3, &W, [&W] {
        const QRectF R = W.Graph->DrawingArea();
        const QPoint C = R.center().toPoint();
        Drag(W.Graph, C - QPoint(int(R.width() / 4), int(R.height() / 4)),
             C + QPoint(int(R.width() / 6), int(R.height() / 4)), Qt::NoModifier);
      });
    if (A.contains("--pan"))
      QTimer::singleShot(After * 2 / 3, &W, [&W] {
        const QPoint C = W.Graph->DrawingArea().center().toPoint();
        Drag(W.Graph, C, C + QPoint(120, 0), Qt::ShiftModifier);
      });
    const QString Save = Option("--save");
    QTimer::singleShot(After, &W, [&W, File, Save] {
      const bool Ok = W.grab().save(File);
      std::printf("%s %s\n", Ok ? "wrote" : "could not write", qPrintable(File));
      if (!Save.isEmpty()) {
        try {
          W.WriteChart(Save);
          std::printf("saved %s\n", qPrintable(Save));
        } catch (const std::exception& E) {
          std::printf("could not save %s: %s\n", qPrintable(Save), E.what());
        }
      }
      QApplication::quit();
    });
  }
  return App.exec();
}
