// The XML and ini readers of the saved charts over arbitrary bytes: the XML
// guard, the style blocks, the axis and the saved graph. The first byte picks the reader and the
// form (even: XML, odd: ini); the others are the document. A block must either read, and then write
// and read back the same text, or fail with EGvError and leave the settings as they were.
#include "FuzzChartSupport.h"
#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvRichLabel.h"
#include "chart/GvSeries.h"
#include "chart/GvStyles.h"

#include <QApplication>
#include <QBuffer>
#include <QDomDocument>
#include <QWidget>
#include <cstdlib>

namespace {

using namespace FuzzChart;

template <class T> QByteArray Stream(const T& S)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  TGvStreamWriter W(B);
  ToStream(W, S);
  return B.data();
}

const QString Name = QStringLiteral("Block");

template <class T> QByteArray Write(const T& S, bool Ini)
{
  if (Ini) {
    TGvIniFile File;
    ToIni(File, Name, QStringLiteral("P"), S);
    return File.ToText();
  }
  QDomDocument Doc;
  QDomElement Root = Doc.createElement(QStringLiteral("Root"));
  Doc.appendChild(Root);
  ToNode(Root, Name, S);
  return Doc.toByteArray();
}

template <class T> void Read(T& S, const QByteArray& Text, bool Ini)
{
  if (Ini) {
    TGvIniFile File;
    File.FromText(Text);
    FromIni(File, Name, QStringLiteral("P"), S);
    return;
  }
  QDomDocument Doc;
  GvParseXml(Text, Doc);
  FromNode(Doc.documentElement(), Name, S);
}

template <class T> void Block(const QByteArray& Text, bool Ini)
{
  T S;
  const QByteArray Before = Stream(S);
  try {
    Read(S, Text, Ini);
  } catch (const EGvError&) {
    Check(Stream(S) == Before);
    return;
  }
  const QByteArray Once = Write(S, Ini);
  T Again;
  Read(Again, Once, Ini);
  Check(Stream(Again) == Stream(S));
  Check(Write(Again, Ini) == Once);
}

QByteArray AxisStream(const TGvAxis& A)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  A.WriteTo(static_cast<QIODevice&>(B));
  return B.data();
}

QByteArray WriteAxis(const TGvAxis& A, bool Ini)
{
  if (Ini) {
    TGvIniFile File;
    A.WriteTo(File, Name);
    return File.ToText();
  }
  QDomDocument Doc;
  QDomElement Root = Doc.createElement(QStringLiteral("Root"));
  Doc.appendChild(Root);
  A.WriteTo(Root);
  return Doc.toByteArray();
}

void ReadAxis(TGvAxis& A, const QByteArray& Text, bool Ini)
{
  if (Ini) {
    TGvIniFile File;
    File.FromText(Text);
    A.ReadFrom(File, Name, true);
    return;
  }
  QDomDocument Doc;
  GvParseXml(Text, Doc);
  A.ReadFrom(Doc.documentElement().firstChildElement(), true);
}

void Axis(const QByteArray& Text, bool Ini)
{
  TGvAxis A;
  A.SetCaption(QStringLiteral("before"));
  const QByteArray Before = AxisStream(A);
  try {
    ReadAxis(A, Text, Ini);
  } catch (const EGvError&) {
    Check(AxisStream(A) == Before);
    return;
  }
  const QByteArray Once = WriteAxis(A, Ini);
  TGvAxis Again;
  ReadAxis(Again, Once, Ini);
  Check(AxisStream(Again) == AxisStream(A));
  Check(WriteAxis(Again, Ini) == Once);
}

QByteArray GraphStream(const TGvGraph2D& G)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  G.WriteTo(static_cast<QIODevice&>(B), true);
  return B.data();
}

QByteArray WriteGraph(const TGvGraph2D& G, bool Ini)
{
  if (Ini) {
    TGvIniFile File;
    G.WriteTo(File, Name, true);
    return File.ToText();
  }
  QDomDocument Doc;
  QDomElement Root = Doc.createElement(QStringLiteral("Root"));
  Doc.appendChild(Root);
  G.WriteTo(Root, true);
  return GvXmlText(Doc);
}

void ReadGraph(TGvGraph2D& G, const QByteArray& Text, bool Ini)
{
  if (Ini) {
    TGvIniFile File;
    File.FromText(Text);
    G.ReadFrom(File, Name);
    return;
  }
  QDomDocument Doc;
  GvParseXml(Text, Doc);
  G.ReadFrom(Doc.documentElement().firstChildElement());
}

void Graph(const QByteArray& Text, bool Ini)
{
  QWidget Form;
  TGvGraph2D* G = FuzzChart::GraphWithOneSeries(Form);
  const QByteArray Before = GraphStream(*G);
  const QStringList Objects = Tree(&Form);
  try {
    ReadGraph(*G, Text, Ini);
  } catch (const EGvError&) {
    Check(GraphStream(*G) == Before);
    Check(Tree(&Form) == Objects);
    Check(!G->IsLoading() && !G->Updating());
    return;
  }
  const QByteArray Once = WriteGraph(*G, Ini);
  ReadGraph(*G, Once, Ini);
  Check(WriteGraph(*G, Ini) == Once);
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
  const QByteArray Text(reinterpret_cast<const char*>(Data + 1), qsizetype(Size - 1));
  const bool Ini = Data[0] & 1;
  switch ((Data[0] >> 1) % 6) {
  case 0:
    Block<TGvLineSettings>(Text, Ini);
    break;
  case 1:
    Block<TGvAreaSettings>(Text, Ini);
    break;
  case 2:
    Block<TGvFont>(Text, Ini);
    break;
  case 3:
    Block<TGvGradientSettings>(Text, Ini);
    break;
  case 4:
    Axis(Text, Ini);
    break;
  default:
    Graph(Text, Ini);
    break;
  }
  return 0;
}
