// Gases and gas mixtures the mixer knows, their molar masses, and the
// saturation vapour pressure of water.
#pragma once

#include <QString>
#include <array>
#include <stdexcept>

// A gas or a gas mixture. A mixture is described by up to four components,
// each the Name of another row with its volume (mole) fraction.
struct TCompound
{
  bool Mixture = false;
  QString Name;
  QString LongName;
  float MolarMass = 0; // g/mol
  QString C1Name;
  float C1VFraction = 0;
  QString C2Name;
  float C2VFraction = 0;
  QString C3Name;
  float C3VFraction = 0;
  QString C4Name;
  float C4VFraction = 0;
};

// Raised when a compound name is not in the table (or has no molar mass).
class ECompoundError : public std::runtime_error
{
public:
  explicit ECompoundError(const QString& message)
      : std::runtime_error(message.toStdString()), FMessage(message)
  {
  }
  const QString& Message() const { return FMessage; }

private:
  QString FMessage;
};

// The 17 rows, in lookup order. The last row is entirely empty, so that
// looking up an unused component slot (empty name) finds molar mass 0.
extern const std::array<TCompound, 17> Compounds;

// Exact, case-sensitive lookup by Name; raises ECompoundError when absent.
TCompound GetCompound(const QString& SearchFor);

// 1 / MolarMass of the named compound, in mol per gram. Raises as GetCompound
// does, and also for a row without molar mass (the empty row), which would
// otherwise divide by zero.
float GetMolesPerGram(const QString& SearchFor);

// Saturation vapour pressure of water in atm at TemperatureInC (not limited).
float GetH2OPressureATM(float TemperatureInC);
