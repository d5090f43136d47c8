#include "physics/MolarMasses.h"

#include <cmath>

namespace {
TCompound Pure(const char* name, const char* longName, float molarMass)
{
  TCompound c;
  c.Name = QString::fromLatin1(name);
  c.LongName = QString::fromLatin1(longName);
  c.MolarMass = molarMass;
  return c;
}

TCompound Mix(const char* name, const char* longName, float molarMass, const char* n1, float x1,
              const char* n2, float x2, const char* n3 = "", float x3 = 0)
{
  TCompound c = Pure(name, longName, molarMass);
  c.Mixture = true;
  c.C1Name = QString::fromLatin1(n1);
  c.C1VFraction = x1;
  c.C2Name = QString::fromLatin1(n2);
  c.C2VFraction = x2;
  c.C3Name = QString::fromLatin1(n3);
  c.C3VFraction = x3;
  return c;
}
} // namespace

const std::array<TCompound, 17> Compounds = {
    Mix("5%H2,95%Ar", "5%H2,95%Ar", 38.0513f, "H2", 0.05f, "Ar", 0.95f),
    Mix("Air", "Air", 28.9495f, "N2", 0.78084f, "O2", 0.20946f, "Ar", 0.00934f),
    Mix("Air2", "AirBottle", 28.8462f, "N2", 0.790985f, "O2", 0.209f, "H2O", 1.5e-05f),
    Mix("Air3", "AirBottleDry", 28.846348f, "N2", 0.791f, "O2", 0.209f),
    Pure("Ar", "Argon", 39.948f),
    Pure("CO", "Carbon monoxide", 28.0134f),
    Pure("CO2", "Carbon dioxide", 44.0095f),
    Pure("H2", "Hydrogen", 2.01588f),
    Pure("H2O", "Water", 18.01528f),
    Pure("He", "Helium", 4.002602f),
    Pure("N2", "Nitrogen", 28.0134f),
    Pure("O2", "Oxygen", 31.9988f),
    Pure("C", "Carbon single", 12.0107f),
    Pure("H", "Hydrogen single", 1.00794f),
    Pure("N", "Nitrogen single", 14.0067f),
    Pure("O", "Oxygen single", 15.9994f),
    TCompound{},
};

TCompound GetCompound(const QString& SearchFor)
{
  for (const TCompound& c : Compounds)
    if (c.Name == SearchFor) return c;
  throw ECompoundError(QStringLiteral("Molar mass could not be found for search item '") +
                       SearchFor +
                       QStringLiteral("' It is not recommended to continue the program before "
                                      "the problem is fixed"));
}

float GetMolesPerGram(const QString& SearchFor)
{
  const TCompound c = GetCompound(SearchFor);
  if (!(c.MolarMass > 0))
    throw ECompoundError(QStringLiteral("Moles per gram cannot be computed for '") + SearchFor +
                         QStringLiteral("': it has no molar mass"));
  return static_cast<float>(1.0L / static_cast<long double>(c.MolarMass));
}

float GetH2OPressureATM(float TemperatureInC)
{
  const long double c0 = 0.00600131607517L;
  const long double c1 = 0.000440243970154L;
  const long double c2 = 1.41074334293e-5L;
  const long double c3 = 2.63232511023e-7L;
  const long double c4 = 2.74056279733e-9L;
  const long double c5 = 2.71607801742e-11L;
  const long double t = static_cast<double>(TemperatureInC);
  const long double p = (c2 * std::pow(t, 2.0L) + (c1 * t + c0)) + c3 * std::pow(t, 3.0L) +
                        c4 * std::pow(t, 4.0L) + c5 * std::pow(t, 5.0L);
  return static_cast<float>(p);
}
