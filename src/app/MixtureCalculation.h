// How the mixer produces a wanted mixture: which controller runs at its limit,
// which follows, whether a flow must be dosed in pulses, what share of time
// gas B spends in the bubbler, and the plain-text description of it all.
#pragma once

#include "app/MixerTypes.h"

#include <QStringList>

struct TMixtureInput
{
  int a = 0;                         // gas A, ppm
  int b = 0;                         // gas B, ppm
  int w = 0;                         // water, ppm
  double p = 0;                      // saturation pressure of water at the bubbler, atm
  QString GasA;                      // selected gas A item; empty when none is selected
  QString GasB;                      // selected gas B item; empty when none is selected
  TFlowInfo FIA;                     // controller A
  TFlowInfo FIB;                     // controller B, Max already replaced by the gas-B limit
  double DesiredH2OTimeFraction = 0; // kept when p is not positive
};

struct TMixtureResult
{
  // False when a gas is not selected or the entries describe no gas at all;
  // then nothing else is meaningful and the caller keeps its state.
  bool Computed = false;
  QStringList Lines; // the description
  QString MixingMethod;
  double DesiredFlowAGramsperMinute = 0;
  double DesiredFlowBGramsperMinute = 0;
  double DesiredH2OTimeFraction = 0;
  bool WaterInB = false;     // water was added to gas B (w > 0 and b > 0)
  double H2OFractioninB = 0; // valid when WaterInB
  // Working values, for inspection.
  double TotalMass = 0;
  int MaxMassFraction = 0;
  float AFractioOfFlowB = 0, TotalFlowB = 0, TimeScaleA = 0, TimeScaleB = 0, mlA = 0, mlB = 0;
};

TMixtureResult CalculateMixture(const TMixtureInput& In);
