// verdane-chart-demo: a window with a graph whose vector grows by a random
// walk every 50 ms. Drag a rectangle to zoom, drag with Shift to pan once
// zoomed, click beside the data area to zoom back, double-click there to reset;
// the wheel zooms around the pointer. The File menu saves an image, prints or
// copies the graph.
//
//   verdane-chart-demo [--screenshot <file.png> [--after <ms>]] [--zoom] [--pan]
//
// --screenshot grabs the window after the given time (default 2000 ms) and
// quits; --zoom drags a rubber band with the mouse after a third of that time,
// --pan then drags the zoomed view with Shift held.
#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

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
    Y = new TGvDoubleVector(this);
    auto* S = new TGvLineSeries(this);
    S->setObjectName("Walk");
    S->SetXAxis(Graph->PrimaryXAxis());
    S->SetYAxis(Graph->PrimaryYAxis());
    S->SetXData(X);
    S->SetYData(Y);
    S->Line()->SetColor(0xFF2040C0);

    auto* File = menuBar()->addMenu("&File");
    File->addAction("&Save image...", this, [this] { SaveImage(); });
    File->addAction("&Print...", this, [this] { Print(); });
    File->addAction("&Copy", this, [this] { Graph->CopyToClipboard(); });
    File->addSeparator();
    File->addAction("&Quit", this, &QWidget::close);
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
    QTimer::singleShot(After, &W, [&W, File] {
      const bool Ok = W.grab().save(File);
      std::printf("%s %s\n", Ok ? "wrote" : "could not write", qPrintable(File));
      QApplication::quit();
    });
  }
  return App.exec();
}
