// The binary readers of the saved charts over arbitrary bytes: the style
// blocks, the undo stack's entries, the axis and the saved graph. The first byte picks the reader,
// the others are its input. A block must either read, and then write and read back the same bytes,
// or fail with EGvError and leave the settings as they were; an undo entry must either restore or
// fail with EGvError. Nothing may crash, hang or allocate by a count the input does not hold.
#include "FuzzChartSupport.h"
#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvRichLabel.h"
#include "chart/GvSeries.h"
#include "chart/GvStyles.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"

#include <QApplication>
#include <QBuffer>
#include <QWidget>
#include <cstdlib>

namespace {

using namespace FuzzChart;

template <class T> QByteArray Write(const T& S)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  TGvStreamWriter W(B);
  ToStream(W, S);
  return B.data();
}

template <class T> void Read(T& S, const QByteArray& Bytes)
{
  QBuffer B;
  B.setData(Bytes);
  B.open(QIODevice::ReadOnly);
  TGvStreamReader R(B);
  FromStream(R, S);
}

template <class T> void Block(const QByteArray& Bytes)
{
  T S;
  const QByteArray Before = Write(S);
  try {
    Read(S, Bytes);
  } catch (const EGvError&) {
    Check(Write(S) == Before);
    return;
  }
  const QByteArray Once = Write(S);
  T Again;
  Read(Again, Once);
  Check(Write(Again) == Once);
}

QByteArray WriteAxis(const TGvAxis& A)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  A.WriteTo(static_cast<QIODevice&>(B));
  return B.data();
}

void ReadAxis(TGvAxis& A, const QByteArray& Bytes)
{
  QBuffer B;
  B.setData(Bytes);
  B.open(QIODevice::ReadOnly);
  A.ReadFrom(static_cast<QIODevice&>(B), true);
}

void Axis(const QByteArray& Bytes)
{
  TGvAxis A;
  A.SetCaption(QStringLiteral("before"));
  const QByteArray Before = WriteAxis(A);
  try {
    ReadAxis(A, Bytes);
  } catch (const EGvError&) {
    Check(WriteAxis(A) == Before);
    return;
  }
  const QByteArray Once = WriteAxis(A);
  TGvAxis Again;
  ReadAxis(Again, Once);
  Check(WriteAxis(Again) == Once);
}

QByteArray WriteGraph(const TGvGraph2D& G)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  G.WriteTo(static_cast<QIODevice&>(B), true);
  return B.data();
}

void ReadGraph(TGvGraph2D& G, const QByteArray& Bytes)
{
  QBuffer B;
  B.setData(Bytes);
  B.open(QIODevice::ReadOnly);
  G.ReadFrom(static_cast<QIODevice&>(B));
}

// A graph with one series on a form; a form that cannot be read leaves form
// and graph as they were, one that can be read writes the same after being
// read again.
void Graph(const QByteArray& Bytes)
{
  QWidget Form;
  TGvGraph2D* G = FuzzChart::GraphWithOneSeries(Form);
  const QByteArray Before = WriteGraph(*G);
  const QStringList Objects = Tree(&Form);
  try {
    ReadGraph(*G, Bytes);
  } catch (const EGvError&) {
    Check(WriteGraph(*G) == Before);
    Check(Tree(&Form) == Objects);
    Check(!G->IsLoading() && !G->Updating());
    return;
  }
  const QByteArray Once = WriteGraph(*G);
  ReadGraph(*G, Once);
  Check(WriteGraph(*G) == Once);
}

void UndoEntry(const QByteArray& Bytes)
{
  TGvUndoStack Stack;
  TGvLineSettings Line;
  TGvFont Font;
  TGvDoubleVector Vector;
  Vector.AddRange({1, 2, 3});
  // Identities 1, 2, 3 and 4: entries can name these objects.
  Stack.Identity(&Line);
  Stack.Identity(&Font);
  Stack.Identity(Font.Gradient());
  Stack.Identity(&Vector);
  QBuffer B;
  B.setData(Bytes);
  B.open(QIODevice::ReadOnly);
  try {
    Stack.ReplayEntry(B);
  } catch (const EGvError&) {
  }
  Check(!Stack.IsRestoring());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv)
{
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication App(*Argc, *Argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  if (Size == 0) return 0;
  const QByteArray Bytes(reinterpret_cast<const char*>(Data + 1), qsizetype(Size - 1));
  switch (Data[0] % 8) {
  case 0:
    Block<TGvGradientSettings>(Bytes);
    break;
  case 1:
    Block<TGvLineSettings>(Bytes);
    break;
  case 2:
    Block<TGvAreaSettings>(Bytes);
    break;
  case 3:
    Block<TGvFont>(Bytes);
    break;
  case 4:
    Block<TGvSimpleLineSettings>(Bytes);
    break;
  case 5:
    UndoEntry(Bytes);
    break;
  case 6:
    Axis(Bytes);
    break;
  default:
    Graph(Bytes);
    break;
  }
  return 0;
}
