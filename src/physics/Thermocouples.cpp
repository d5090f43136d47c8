#include "physics/Thermocouples.h"

#include <cmath>

bool ResistanceToTemperatureBead(double Resistance, double& Temperature)
{
  const double R = Resistance;
  if (R > 32600 || !(R >= 2986)) return false;
  const long double a = 1373.1696074919496;
  const long double b = 52.676757508279636;
  const long double c = -0.2987916592541921;
  const long double offset = -682.1861323649009;
  Temperature =
      static_cast<double>(a * std::pow(std::log(static_cast<long double>(R) + b), c) + offset);
  return true;
}
