// The expression parser and the caption templates over arbitrary text.
//
// The first byte chooses: "t" expands the rest as a caption, anything else
// parses the rest as an expression. An expression that parses is evaluated
// for a few values of its bound variable x, both by the evaluation program and
// by walking the tree; the two must agree on the value or on the error. Only
// the parser's own errors may come out.
#include "chart/analysis/GvParseFkt.h"

#include <QObject>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A publisher with a variable, a bound double, a self-expanding caption and
// two arrays, registered once for the whole run.
struct TPublished
{
  QObject Source;
  double Bound = 0.25;
  std::vector<double> Values{1.5, -2, 1E300, 0};

  TPublished()
  {
    Source.setObjectName("Src");
    AddVariableToList("V", "", &Source, GlobalVariableList(), [] { return 3.0; });
    AddVariableToList("P", "", &Source, GlobalVariableList(), &Bound);
    AddStringToList("Caption", "", &Source, GlobalStringList(),
                    [] { return QStringLiteral("c<%Src.Caption%><%Src.V;0.0%>"); });
    AddArrayToList(
        "A", "", &Source, GlobalArrayList(), [this](int I) { return Values.at(size_t(I)); },
        [this] { return int(Values.size()); });
    AddArrayToList("Open", "", &Source, GlobalArrayList(), [](int I) { return I * 0.5; });
  }
};

struct TOutcome
{
  bool Ok = false;
  double Value = 0;
  QString Error;
  bool operator==(const TOutcome& O) const
  {
    if (Ok != O.Ok) return false;
    if (!Ok) return Error == O.Error;
    return std::memcmp(&Value, &O.Value, sizeof Value) == 0;
  }
};

template <class F> TOutcome Outcome(F Evaluate)
{
  TOutcome R;
  try {
    R.Value = Evaluate();
    R.Ok = true;
  } catch (const EGvError& E) {
    R.Error = E.Message();
  }
  return R;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  static TPublished Published;
  if (Size == 0) return 0;
  const QString Text =
      QString::fromUtf8(reinterpret_cast<const char*>(Data) + 1, qsizetype(Size - 1));
  if (Data[0] == 't') {
    QObject Owner;
    try {
      ParseVariables(Text, &Owner);
    } catch (const EGvError&) {
    }
    return 0;
  }
  double X = 0;
  TGvFunctionParser Parser;
  Parser.BindVariable("x", &X);
  try {
    Parser.SetExpression(Text);
  } catch (const EGvError&) {
    if (Parser.StartNode()) std::abort(); // a failed parse leaves no tree
    return 0;
  }
  if (!Parser.StartNode()) return 0;
  for (double Value : {0.0, 1.5, -2.5, 1E300}) {
    X = Value;
    Parser.SetRandomSeed(7); // both draw the same random numbers
    const TOutcome Program = Outcome([&] { return Parser.GetResult(); });
    Parser.SetRandomSeed(7);
    const TOutcome Tree = Outcome([&] { return Parser.StartNode()->GetResult(); });
    if (!(Program == Tree)) std::abort();
    if (Program.Ok && !std::isfinite(Program.Value)) std::abort(); // no inf or NaN comes out
  }
  return 0;
}
