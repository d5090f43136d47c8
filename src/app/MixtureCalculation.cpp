#include "app/MixtureCalculation.h"

#include "controls/GvStringFunctions.h"

#include <algorithm>
#include <cmath>

namespace {
using LD = long double;

QString F(const char* pattern, LD value)
{
  return FormatFloat(QString::fromLatin1(pattern), value);
}

QString I(long long value)
{
  return QString::number(value);
}

float M(const QString& name)
{
  return GetCompound(name).MolarMass;
}

struct TSlot
{
  QString n;
  float x;
};

// Slots 1 and 2, and slot 3 when it is named; slot 4 never takes part.
std::vector<TSlot> Slots123(const TCompound& c)
{
  std::vector<TSlot> s{{c.C1Name, c.C1VFraction}, {c.C2Name, c.C2VFraction}};
  if (!c.C3Name.isEmpty()) s.push_back({c.C3Name, c.C3VFraction});
  return s;
}
} // namespace

TMixtureResult CalculateMixture(const TMixtureInput& In)
{
  TMixtureResult R;
  if (In.GasA.isEmpty() || In.GasB.isEmpty()) return R;

  const LD a = In.a, b = In.b, w = In.w, p = In.p;
  const TFlowInfo& FIA = In.FIA;
  const TFlowInfo& FIB = In.FIB;
  TCompound A = GetCompound(In.GasA);
  TCompound B = GetCompound(In.GasB);
  QStringList& L = R.Lines;

  // Water in gas B: it becomes a mixture with water as a further component.
  double H2OFractionOfB = 0;
  if (In.w > 0 && In.b > 0) {
    const LD f = w / (1000000.0L - a);
    H2OFractionOfB = double(f);
    R.WaterInB = true;
    R.H2OFractioninB = double(f);
    B.Mixture = true;
    B.C1VFraction = float(B.C1VFraction / (1 + f));
    B.C2VFraction = float(B.C2VFraction / (1 + f));
    B.C3VFraction = float(B.C3VFraction / (1 + f));
    if (B.C1Name.isEmpty()) {
      B.C1Name = B.Name;
      B.C1VFraction = float(1 - f);
      B.C2Name = QStringLiteral("H2O");
      B.C2VFraction = float(f);
    } else if (B.C3Name.isEmpty()) {
      B.C3Name = QStringLiteral("H2O");
      B.C3VFraction = float(f);
    } else if (B.C4Name.isEmpty()) {
      B.C4Name = QStringLiteral("H2O");
      B.C4VFraction = float(f);
    }
    B.MolarMass = float(LD(M(B.C1Name)) * B.C1VFraction + LD(M(B.C2Name)) * B.C2VFraction +
                        LD(M(B.C3Name)) * B.C3VFraction + LD(M(B.C4Name)) * B.C4VFraction);
    B.LongName += QStringLiteral(" with H2O");
  }

  L << QStringLiteral("Description of desired mixture")
    << QStringLiteral("  ") + I(In.a) + " ppm of " + A.LongName + " in " + B.LongName
    << QStringLiteral("  ") << QStringLiteral("Components of mixture (as partial pressure)");

  LD TotalMass = 0;
  if (A.Mixture) {
    for (const TSlot& s : Slots123(A)) {
      L << QStringLiteral("  ") + I(RoundHalfEven(a * s.x)) + " ppm of " + s.n;
      TotalMass += a * s.x * M(s.n);
    }
  } else {
    L << QStringLiteral("  ") + I(In.a) + " ppm of " + A.Name;
    TotalMass += a * A.MolarMass;
  }
  if (B.Mixture) {
    for (const TSlot& s : Slots123(B)) {
      const float Temp = float((b + w) * s.x);
      L << QStringLiteral("  ") + I(RoundHalfEven(Temp)) + " ppm of " + s.n;
      TotalMass += LD(M(s.n)) * Temp;
    }
  } else {
    L << QStringLiteral("  ") + I(In.b) + " ppm of " + B.Name;
    TotalMass += b * B.MolarMass;
  }
  if (H2OFractionOfB > 0)
    L << QStringLiteral("      ") + F("0.000", LD(H2OFractionOfB) * 100) + " % H2O fraction of B";

  if (In.a > 0 && In.a < 1000000) {
    L << QStringLiteral("  ");
    auto logLine = [&](const QString& name, LD x) {
      L << QStringLiteral("  log10(p") + name + ")=" + F("0.0", std::log10(x / 1000000.0L));
    };
    if (A.Mixture)
      for (const TSlot& s : Slots123(A)) logLine(s.n, a * s.x);
    else
      logLine(A.Name, a);
    if (B.Mixture)
      for (const TSlot& s : Slots123(B)) logLine(s.n, (b + w) * s.x);
    else if (In.b > 0)
      logLine(B.Name, b);
  }

  // With no gas at all (only water that gas B cannot carry) there is no
  // mixture to describe, and every relation below would divide by zero.
  if (!(TotalMass > 0)) return R;

  TotalMass = TotalMass / 1000000.0L; // mean molar mass, g/mol
  L << QStringLiteral("  ") << QStringLiteral("Components of mixture (as mass fraction)");

  int MaxMassFraction = 0;
  const LD massA = a * A.MolarMass / TotalMass;
  if (A.Mixture) {
    L << QStringLiteral("  ") + F("0.0", massA) + " ppm total gas A";
    for (const TSlot& s : Slots123(A))
      L << QStringLiteral("      ") + F("0.0", a * s.x * M(s.n) / TotalMass) + " ppm of " + s.n;
  } else {
    L << QStringLiteral("  ") + F("0.0", massA) + " ppm of " + A.Name;
  }
  MaxMassFraction = std::max<long long>(MaxMassFraction, RoundHalfEven(massA));

  if (B.Mixture) {
    L << QStringLiteral("  ") + F("0.0", (b + w) * B.MolarMass / TotalMass) + " ppm total gas B";
    for (const TSlot& s : Slots123(B))
      L << QStringLiteral("      ") + F("0.0", (b + w) * s.x * M(s.n) / TotalMass) + " ppm of " +
               s.n;
  } else {
    L << QStringLiteral("  ") + F("0.0", b * B.MolarMass / TotalMass) + " ppm of " + B.Name;
  }
  if (MaxMassFraction < RoundHalfEven(b * B.MolarMass / TotalMass))
    MaxMassFraction = int(RoundHalfEven((b + w) * B.MolarMass / TotalMass));

  L << QStringLiteral("    ") << QStringLiteral("Mass relations of input gases");
  const float AFractioOfFlowB = float(massA / MaxMassFraction);
  L << QStringLiteral("  ") + F("0.000 000 000", AFractioOfFlowB) + " of " + A.LongName;
  L << QStringLiteral("  ") +
           F("0.000 000 000", (b + w) * B.MolarMass / TotalMass / MaxMassFraction) + " of " +
           B.LongName;

  L << QStringLiteral("  ");
  for (const auto& [title, fi] : {std::pair{"Controller details for Gas A", &FIA},
                                  std::pair{"Controller details for Gas B", &FIB}}) {
    L << QString::fromLatin1(title) << QStringLiteral("  Fluid name     : ") + fi->Name
      << QStringLiteral("  Long name      : ") + fi->LongName
      << QStringLiteral("  Flow unit      : ") + fi->FlowUnit
      << QStringLiteral("  Max flow       : ") + F("0.000 000", fi->Max)
      << QStringLiteral("  Min flow       : ") + F("0.000 000", fi->Min)
      << QStringLiteral("  Turndown ratio : ") + I(fi->Dyn) << QStringLiteral("    ");
  }

  const QString unitB = QStringLiteral(" ") + FIB.FlowUnit;
  L << QStringLiteral("Flow limits")
    << QStringLiteral("  Min flow of gas A : ") + F("0.000 000 000", FIA.Min) + unitB
    << QStringLiteral("  Max flow of gas A : ") + FloatToStr(FIA.Max) + unitB
    << QStringLiteral("  Min flow of gas B : ") + FloatToStr(FIB.Min) + unitB
    << QStringLiteral("  Max flow of gas B : ") + FloatToStr(FIB.Max) + unitB
    << QStringLiteral("    ") << QStringLiteral("Conclusion");

  // The decision.
  float TimeScaleA = 1, TimeScaleB = 1, TotalFlowB = 0, TempScale = 0;
  double DesiredFlowA = 0;
  const bool wet = In.w != 0;
  const LD r = b * M(B.Name) / TotalMass / MaxMassFraction;
  QString Method;
  if (r < AFractioOfFlowB) {
    // Gas B is the minor part; gas A runs at full scale.
    Method = wet ? "B/H2O (constant) in A" : "B (constant) in A";
    DesiredFlowA = FIA.Max;
    TotalFlowB = float(b * FIA.Max * M(B.Name) / TotalMass / MaxMassFraction);
    if (TotalFlowB > FIB.Max) {
      Method = wet ? "B/H2O in A (limited)" : "B in A (limited)";
      TempScale = TotalFlowB / FIB.Max;
      DesiredFlowA = DesiredFlowA / TempScale;
      TotalFlowB = TotalFlowB / TempScale;
    }
    if (TotalFlowB < FIB.Min) {
      Method = wet ? "B/H2O (pulse) in A" : "B (pulse) in A";
      TimeScaleB = TotalFlowB / FIB.Min;
    }
  } else {
    // Gas A is the minor part; gas B runs at its limit.
    Method = wet ? "A (constant) in B/H2O" : "A (constant) in B";
    TotalFlowB = FIB.Max;
    DesiredFlowA = LD(FIB.Max) * AFractioOfFlowB;
    if (DesiredFlowA > FIA.Max) {
      Method = wet ? "A in B/H2O (limited)" : "A in B (limited)";
      TempScale = float(DesiredFlowA / FIA.Max);
      DesiredFlowA = DesiredFlowA / TempScale;
      TotalFlowB = TotalFlowB / TempScale;
    }
    if (DesiredFlowA < FIA.Min) {
      Method = wet ? "A (pulse) in B/H2O" : "A (pulse) in B";
      TimeScaleA = float(DesiredFlowA / FIA.Min);
    }
    if (In.a == 0 && In.w > 0) Method = QStringLiteral("B/H2O");
  }

  double DesiredH2OTimeFraction = In.DesiredH2OTimeFraction;
  if (p > 0) DesiredH2OTimeFraction = double(H2OFractionOfB / p);

  if (In.a == 1000000) Method = QStringLiteral("A pure");
  if (In.b == 1000000) Method = QStringLiteral("B pure");

  L << QStringLiteral("  Mixing method     : ") + Method
    << QStringLiteral("  Required flow A   : ") + F("0.000 000 000", DesiredFlowA) + " " +
           FIA.FlowUnit
    << QStringLiteral("  Required flow B   : ") + F("0.000 000 000", TotalFlowB) + " " +
           FIB.FlowUnit;
  if (DesiredH2OTimeFraction > 0)
    L << QStringLiteral("  Wetting time for B: ") + F("0.000", LD(DesiredH2OTimeFraction) * 100) +
             "%";

  if (Method.contains(QStringLiteral("pulse")) && TimeScaleA > 0 && TimeScaleB > 0) {
    L << QStringLiteral("  Timescale A       : ") + F("0.000 000", TimeScaleA)
      << QStringLiteral("  Timescale B       : ") + F("0.000 000", TimeScaleB)
      << QStringLiteral("  1/Timescale A     : ") + F("0.000 000", 1 / LD(TimeScaleA))
      << QStringLiteral("  1/Timescale B     : ") + F("0.000 000", 1 / LD(TimeScaleB))
      << QStringLiteral("  Timescale A * 60  : ") + F("0.000", 60 * LD(TimeScaleA))
      << QStringLiteral("  Timescale B * 60  : ") + F("0.000", 60 * LD(TimeScaleB))
      << QStringLiteral("  Massflow A (1 min): ") +
             F("0.000 000 000", TimeScaleA * LD(DesiredFlowA)) + " g"
      << QStringLiteral("  Massflow B (1 min): ") +
             F("0.000 000 000", LD(TimeScaleB) * TotalFlowB) + " g";
  }

  const double DesiredFlowB = double(LD(TimeScaleB) * TotalFlowB);
  const float mlA = float(TimeScaleA * LD(DesiredFlowA) / A.MolarMass * 24 * 1000);
  const float mlB = float(LD(TimeScaleB) * TotalFlowB / B.MolarMass * 24 * 1000);
  L << QStringLiteral("  Resulting flow    : ") + F("0.0", LD(mlA) + mlB) + " ml/min  (25ºC)"
    << QStringLiteral("  Resulting flow    : ") + F("0.0", (LD(mlA) + mlB) / 24 * 22.4L) +
           " mln/min (0ºC)";

  if (FIB.Max < FIB.MaxOrig)
    L << QString() << QStringLiteral("Limiting flow for gas B leads to increased")
      << QStringLiteral("delay for settling to new setpoint. Additionally, ")
      << QStringLiteral("mixture may be less accurate and less stable.");

  R.Computed = true;
  R.MixingMethod = Method;
  R.DesiredFlowAGramsperMinute = DesiredFlowA;
  R.DesiredFlowBGramsperMinute = DesiredFlowB;
  R.DesiredH2OTimeFraction = DesiredH2OTimeFraction;
  R.TotalMass = double(TotalMass);
  R.MaxMassFraction = MaxMassFraction;
  R.AFractioOfFlowB = AFractioOfFlowB;
  R.TotalFlowB = TotalFlowB;
  R.TimeScaleA = TimeScaleA;
  R.TimeScaleB = TimeScaleB;
  R.mlA = mlA;
  R.mlB = mlB;
  return R;
}
