// The mixer's shared state: the operating mode, the totalizers, what the
// controllers report, the mixing methods, and the one record of variables that
// the main window owns and every handler reads and writes.
#pragma once

#include "app/OutputColumns.h"
#include "physics/MolarMasses.h"

#include <QString>
#include <array>
#include <cstdint>

enum class TMixerState : uint8_t
{
  Unknown,
  Standby,
  Flushing,
  Dilution,
  Bypass
};

// "Unknown", "Standby", "Flushing", "Dilution" or "Bypass".
QString MixerStateName(TMixerState State);

// One controller's totalizer, as last read.
struct TTotalizer
{
  double Value = 0;      // grams since the reset (register value x 1000)
  double Time = 0;       // date-time of the reading
  double StartValue = 0; // grams read right after the reset
  double StartTime = 0;  // date-time of the reset: zero of the dosing time base
};

// What one mass flow controller reports about its active fluid.
struct TFlowInfo
{
  QString Name;
  QString LongName;
  QString FlowUnit;
  float Max = 0;     // current upper limit (for gas B: the operator's limit)
  float MaxOrig = 0; // full scale as read
  uint32_t Dyn = 0;  // turndown ratio
  float Min = 0;     // smallest controllable flow
};

// The mixing methods, in the order of their codes.
enum class TCode
{
  t1,
  t2,
  t3,
  t4,
  t5,
  t6,
  t7,
  tA,
  tB,
  tC,
  tD,
  tE,
  tF,
  tG,
  tH
};

extern const std::array<const char*, 15> MixingMethodTexts;

// The code of a method text by exact comparison; false for any other text.
bool CodeOfMethod(const QString& Method, TCode& Code);
// Gas B goes through the bubbler (the humidification thread runs).
bool IsWetMethod(TCode Code);
bool IsAPulsed(TCode Code);
bool IsBPulsed(TCode Code);

class QThread;

// The variables every part of the mixer shares. One record, owned by the main
// window; everything belongs to the user-interface thread. The humidification
// thread reaches ThreadStop, ThreadHasStopped, OccuredWETTime and
// OccuredTemperature only through its synchronized result call.
struct TMixerData
{
  TMixerState MixerState = TMixerState::Unknown;
  TMixerState MixerStateOld = TMixerState::Unknown;
  QString MixingMethod;
  TCompound A, B, H2OC;
  TFlowInfo FIA, FIB;
  double DesiredFlowAGramsperMinute = 0;
  double DesiredFlowBGramsperMinute = 0;
  double PossibleMaxFlowBGramsperMinute = 0;
  double DesiredH2OTimeFraction = 0;
  double H2OFractioninB = 0;
  bool FlowASetToConstant = false;
  bool FlowBSetToConstant = false;
  bool ValvesSet = false;
  bool V1O = false, V2O = false, V3O = false, V4O = false, V5O = false, V6O = false;
  TTotalizer TotalizerA, TotalizerB;
  double FLAI = 0, FLBI = 0;
  // The pulse of A (B) has reached its limit since the mixture was applied,
  // and the Debug tab has said so.
  bool PulseALimitLogged = false, PulseBLimitLogged = false;
  int Counter = 0;
  double AutoStopTime = 0;
  double DataStoredLast = 0;
  double LastAutoSave = 0;
  bool ppmUpdating = false;
  QThread* WETT = nullptr; // the humidification thread; owned, freed only by StopThread
  bool ThreadStop = false;
  bool ThreadHasStopped = false;
  double OccuredWETTime = 0;
  double OccuredTemperature = 0;
  bool Simulation = false;
  TColumnTable P;
};
