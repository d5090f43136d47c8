// A graph, a series or a legend written to and read from each saved form
// (stream, XML, ini) in memory, for the round-trip tests of the forms.
#pragma once

#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"

#include <QBuffer>
#include <QDomDocument>
#include <QStringList>

namespace GvFormsTest {

enum TForm
{
  Stream,
  Xml,
  Ini
};

inline const char* FormName(int Form)
{
  return Form == Stream ? "Stream" : Form == Xml ? "Xml" : "Ini";
}

inline QByteArray Save(const TGvGraph2D& G, int Form, bool Values = true)
{
  switch (Form) {
  case Stream: {
    QBuffer B;
    B.open(QIODevice::WriteOnly);
    G.WriteTo(static_cast<QIODevice&>(B), Values);
    return B.data();
  }
  case Xml: {
    QDomDocument Doc;
    QDomElement Root = Doc.createElement(QStringLiteral("Chart"));
    Doc.appendChild(Root);
    G.WriteTo(Root, Values);
    return GvXmlText(Doc);
  }
  default: {
    TGvIniFile I;
    G.WriteTo(I, QStringLiteral("Graph"), Values);
    return I.ToText();
  }
  }
}

inline void Load(TGvGraph2D& G, int Form, const QByteArray& Bytes)
{
  switch (Form) {
  case Stream: {
    QBuffer B;
    B.setData(Bytes);
    B.open(QIODevice::ReadOnly);
    G.ReadFrom(static_cast<QIODevice&>(B));
    return;
  }
  case Xml: {
    QDomDocument Doc;
    GvParseXml(Bytes, Doc);
    G.ReadFrom(Doc.documentElement().firstChildElement());
    return;
  }
  default: {
    TGvIniFile I;
    I.FromText(Bytes);
    G.ReadFrom(I, QStringLiteral("Graph"));
    return;
  }
  }
}

// The forms of one series or legend on its own.
template <class T> QByteArray SaveOne(const T& O, int Form)
{
  switch (Form) {
  case Stream: {
    QBuffer B;
    B.open(QIODevice::WriteOnly);
    O.WriteTo(static_cast<QIODevice&>(B));
    return B.data();
  }
  case Xml: {
    QDomDocument Doc;
    QDomElement Root = Doc.createElement(QStringLiteral("Root"));
    Doc.appendChild(Root);
    O.WriteTo(Root);
    return GvXmlText(Doc);
  }
  default: {
    TGvIniFile I;
    O.WriteTo(I, QStringLiteral("One"));
    return I.ToText();
  }
  }
}

template <class T> void LoadOne(T& O, int Form, const QByteArray& Bytes)
{
  switch (Form) {
  case Stream: {
    QBuffer B;
    B.setData(Bytes);
    B.open(QIODevice::ReadOnly);
    O.ReadFrom(static_cast<QIODevice&>(B));
    return;
  }
  case Xml: {
    QDomDocument Doc;
    GvParseXml(Bytes, Doc);
    O.ReadFrom(Doc.documentElement().firstChildElement());
    return;
  }
  default: {
    TGvIniFile I;
    I.FromText(Bytes);
    O.ReadFrom(I, QStringLiteral("One"));
    return;
  }
  }
}

// The names of everything a form holds, to see that a refused file changed
// nothing.
inline QStringList Tree(const QObject* O, const QString& Indent = QString())
{
  QStringList L;
  for (const QObject* C : O->children()) {
    if (C->objectName().isEmpty() && !qobject_cast<const TGvComponent*>(C)) continue;
    L << Indent + QLatin1String(C->metaObject()->className()) + QLatin1Char(' ') + C->objectName();
    L << Tree(C, Indent + QStringLiteral("  "));
  }
  return L;
}

} // namespace GvFormsTest
