// verdane-chart-demo: a window with a graph whose vector grows by a random
// walk every 50 ms. Drag a rectangle to zoom, drag with Shift to pan once
// zoomed, click beside the data area to zoom back, double-click there to reset;
// the wheel zooms around the pointer. The File menu saves and opens the chart
// (binary stream, or XML / ini by the file's suffix), saves an image, prints or
// copies the graph; the Style menu changes the look, and Edit undoes and
// redoes those changes (and the clearing of the data).
//
//   verdane-chart-demo [--open <chart>] [--restyle] [--undo <n>]
//                      [--screenshot <file.png> [--after <ms>]] [--zoom] [--pan]
//                      [--save <chart>]
//
// --open reads a saved chart at the start; --restyle makes five changes of
// style, --undo then undoes n of them. --screenshot grabs the window after the
// given time (default 2000 ms) and quits (after writing the chart to the file
// of --save); --zoom drags a rubber band with the mouse after a third of that
// time, --pan then drags the zoomed view with Shift held.
#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvSeries.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"

#include <QDomDocument>
#include <QKeySequence>

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
    statusBar()->showMessage("Drag to zoom, Shift+drag to pan, click beside the area to zoom back");

    // The application only appends; the graph's own poll shows the values.
    Walk.setInterval(50);
    QObject::connect(&Walk, &QTimer::timeout, this, [this] {
      for (int I = 0; I < 20; ++I) {
        Position += Step(Rng);
        X->Add(X->Count());
        Y->Add(Position);
      }
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

private:
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
