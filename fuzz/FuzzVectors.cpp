// The readers of a vector's saved forms over arbitrary bytes. The first byte
// picks the form (0 stream, 1 XML, 2 ini; the rest of the byte is ignored),
// the others are the form. Every input must either read, and then write and
// read back the same content, or fail with EGvError and leave the vector as
// it was; never crash, hang or allocate by a count the input does not hold.
#include "chart/GvVectors.h"

#include <QBuffer>
#include <QDomDocument>
#include <cstdlib>
#include <vector>

namespace {

struct TState
{
  std::vector<double> Values;
  std::vector<int32_t> Outliers;
  int Increment = 0;
  int Capacity = 0;
  bool Bound = false;
  QString Field; // written only while bound

  explicit TState(const TGvDoubleVector& V)
      : Values(V.StoredValues().begin(), V.StoredValues().end()),
        Outliers(V.Outliers().Data(), V.Outliers().Data() + V.Outliers().Count()),
        Increment(V.Increment()), Capacity(V.Capacity()), Bound(V.IsBound()), Field(V.DataField())
  {
  }
  // Bitwise, so that NaNs compare equal to themselves.
  bool SameContent(const TState& O) const
  {
    return Values.size() == O.Values.size() &&
           (Values.empty() ||
            memcmp(Values.data(), O.Values.data(), Values.size() * sizeof(double)) == 0) &&
           Outliers == O.Outliers && Increment == O.Increment && Bound == O.Bound &&
           (!Bound || Field == O.Field);
  }
};

void Check(bool Condition)
{
  if (!Condition) std::abort();
}

void Read(TGvDoubleVector& V, uint8_t Form, const QByteArray& Bytes)
{
  switch (Form % 3) {
  case 0: {
    QBuffer B;
    B.setData(Bytes);
    B.open(QIODevice::ReadOnly);
    V.ReadFrom(static_cast<QIODevice&>(B));
    break;
  }
  case 1: {
    QDomDocument Doc;
    if (!Doc.setContent(Bytes)) throw EGvReadError(QStringLiteral("Not XML"));
    V.ReadFrom(Doc.documentElement());
    break;
  }
  default: {
    TGvIniFile Ini;
    Ini.FromText(Bytes);
    V.ReadFrom(Ini, QStringLiteral("Vector"));
    break;
  }
  }
}

QByteArray Write(const TGvDoubleVector& V, uint8_t Form)
{
  switch (Form % 3) {
  case 0: {
    QBuffer B;
    B.open(QIODevice::WriteOnly);
    V.WriteTo(static_cast<QIODevice&>(B));
    return B.data();
  }
  case 1: {
    QDomDocument Doc;
    QDomElement Root = Doc.createElement(QStringLiteral("Root"));
    Doc.appendChild(Root);
    V.WriteTo(Root);
    QDomDocument Out;
    Out.appendChild(Out.importNode(Root.firstChildElement(), true));
    return Out.toByteArray();
  }
  default: {
    TGvIniFile Ini;
    V.WriteTo(Ini, QStringLiteral("Vector"));
    return Ini.ToText();
  }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  if (Size == 0) return 0;
  const uint8_t Form = Data[0];
  const QByteArray Bytes(reinterpret_cast<const char*>(Data + 1), qsizetype(Size - 1));

  TGvDoubleVector V;
  V.AddRange({1.5, -2, 3});
  V.AddOutlier(1);
  const TState Before(V);
  try {
    Read(V, Form, Bytes);
  } catch (const EGvError&) {
    Check(TState(V).SameContent(Before) && V.Capacity() == Before.Capacity);
    return 0;
  }
  // What was read writes and reads back the same, in every form (the text
  // forms write the shortest text that reads back exactly).
  Check(V.Capacity() >= V.Count());
  const QByteArray Once = Write(V, Form);
  TGvDoubleVector Again;
  Read(Again, Form, Once);
  Check(TState(Again).SameContent(TState(V)));
  Check(Write(Again, Form) == Once);
  return 0;
}
