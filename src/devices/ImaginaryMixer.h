// The imaginary mixer: simulated devices that answer the requests of the
// mixer byte for byte as the real ones would. Two mass flow controllers at bus
// addresses 1 and 2 answer Modbus RTU (functions 3, 6 and 16) on the
// controller bus; a relay board answers its 254-prefixed commands on its own
// line. The same object serves the in-process fake port (through
// TDeviceTransport) and the pseudo-terminals of verdane-devsim (through
// TImaginaryMixerServer).
//
// Thread-safe: every call locks the mixer, so the humidification thread may
// talk to the relay board while the main thread talks to the controllers.
#pragma once

#include "devices/DeviceFaults.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <cstdint>
#include <mutex>

// The two lines of the mixer.
enum class TImaginaryLine
{
  RelayBoard,
  ControllerBus
};

// A request as a device received it: the line, the bytes, and the time (days
// since 1899-12-30) of the clock that delivered it.
struct TImaginaryFrame
{
  TImaginaryLine Line = TImaginaryLine::ControllerBus;
  QByteArray Bytes;
  double Time = 0.0;
};

// One calibration held by a controller: short name (register 0x6042), long
// name (0x6022, padded with blanks to 50 characters as a controller keeps it),
// flow unit (0x6046), full-scale flow (0x6020) and turndown ratio (0x6122).
struct TImaginaryFluid
{
  QByteArray Name;
  QByteArray LongName;
  QByteArray FlowUnit;
  float Max = 0.0f;
  uint16_t Dyn = 0;
};

class TImaginaryMixer
{
public:
  // Controller 1 holds the fluids 2..5 "O2", "5%H2,95%Ar", "Air", "H2" with
  // "O2" active; controller 2 holds "Ar", "N2", "H2", "H2O" with "N2" active;
  // the bubbler is at 22 degrees Celsius; all relays are off.
  TImaginaryMixer();
  TImaginaryMixer(const TImaginaryMixer&) = delete;
  TImaginaryMixer& operator=(const TImaginaryMixer&) = delete;

  // ---- The device side ----
  // One whole request as received between two silences on the line, at the
  // time Now; returns the devices' reply (empty when none answers). DelayMs,
  // when given, is set to how long after the request the reply is to be sent
  // (0 but for a slow device).
  QByteArray RelayBoardFrame(const QByteArray& Frame, double Now, unsigned* DelayMs = nullptr);
  QByteArray ControllerBusFrame(const QByteArray& Frame, double Now, unsigned* DelayMs = nullptr);
  // The fake port carries both lines: frames that begin with 254 go to the
  // relay board, all others to the controller bus.
  QByteArray FakePortFrame(const QByteArray& Frame, double Now, unsigned* DelayMs = nullptr);
  static TImaginaryLine FakePortLine(const QByteArray& Frame);

  // Framing of a byte stream: for the bytes waiting at the start of Pending,
  // the length of the complete request they begin (which may be longer than
  // what has arrived), 0 when more bytes are needed to tell, or -1 when the
  // length cannot be told and the request ends at the next silence.
  static qsizetype FrameLength(TImaginaryLine Line, const QByteArray& Pending);

  // ---- What tests read and set ----
  uint8_t RelayMask() const;
  // Set-point (register 6) of the controller at Address (1 or 2), in g/min.
  float SetPoint(int Address) const;
  // Totalizer (register 4) in kilograms as of the controller's last request,
  // and as of the time Now.
  double Totalizer(int Address) const;
  double TotalizerAt(int Address, double Now) const;
  // Active fluid (register 0x4139) and the fluid the data registers show
  // (register 0x5FFF).
  int ActiveFluid(int Address) const;
  int FluidDataIndex(int Address) const;
  // The fluid table of a controller (fluid numbers 2..5 at positions 0..3).
  static std::array<TImaginaryFluid, 4> FluidTable(int Address);

  // Every request received, oldest first (the latest 10 000 are kept).
  QList<TImaginaryFrame> ReceivedFrames() const;
  QList<QByteArray> ReceivedFrames(TImaginaryLine Line) const;
  void ClearReceivedFrames();

  // The bubbler temperature the relay board's ADC reads through the bead
  // thermistor divider (NaN makes the ADC read 0: no measurement).
  void SetBubblerTemperature(double Celsius);
  double BubblerTemperature() const;
  // The ADC reading 1..1023 (0 for NaN) for the bubbler temperature.
  int ADCReading() const;

  // A silent device neither answers nor acts on requests (as if unplugged).
  void SetRelayBoardSilent(bool Silent);
  void SetControllerSilent(int Address, bool Silent);
  // The device type text (register 0x0023, 8 characters, blank-padded).
  void SetControllerType(int Address, const QByteArray& Type);
  // The state the devices start in: relays and set-points as an earlier run
  // may have left them.
  void SetRelayMask(uint8_t Mask);
  void SetSetPoint(int Address, float Value);

  // ---- Faults ----
  // Plays Faults from now on; Now is the time their after= options count
  // from. Replaces earlier faults and starts the request counts anew.
  void SetFaults(const QList<TDeviceFault>& Faults, double Now);
  void ClearFaults() { SetFaults({}, 0); }
  // Whether the line is gone (closed by a gone fault) at the time Now.
  bool LineGone(TImaginaryLine Line, double Now);
  // Whether any fault can take a line away.
  bool HasGoneFaults() const;

private:
  struct TController
  {
    int Address = 0;
    QByteArray Type;
    std::array<TImaginaryFluid, 4> Fluids;
    uint16_t ActiveFluid = 2;
    uint16_t FluidDataIndex = 2;
    float SetPoint = 0.0f;
    double TotalizerKg = 0.0;
    double LastTime = 0.0;
    bool Clocked = false;
    bool Silent = false;
  };

  struct TFaultState
  {
    TDeviceFault Fault;
    bool Began = false;
    double BeganAt = 0;
  };

  void Record(TImaginaryLine Line, const QByteArray& Frame, double Now);
  // The first fault of Device (or of the bus, for a controller) in force at
  // Now, or null.
  const TDeviceFault* FaultInForce(TFaultDevice Device, double Now);
  bool InForce(TFaultState& State, double Now);
  QByteArray RelayBoardLocked(const QByteArray& Frame, double Now, unsigned* DelayMs);
  QByteArray ControllerBusLocked(const QByteArray& Frame, double Now, unsigned* DelayMs);
  QByteArray Serve(TController& C, const QByteArray& Frame, bool Broadcast);
  static void Advance(TController& C, double Now);
  static double TotalizerAt(const TController& C, double Now);
  static bool ReadRegister(const TController& C, uint16_t Register, uint16_t& Value);
  int ADCReadingLocked() const;
  TController* Controller(int Address);
  const TController* Controller(int Address) const;

  mutable std::mutex FMutex;
  std::array<TController, 2> FControllers;
  uint8_t FRelayMask = 0;
  bool FRelayBoardSilent = false;
  double FBubblerTemperature = 22.0;
  QList<TImaginaryFrame> FFrames;
  QList<TFaultState> FFaults;
  double FFaultEpoch = 0;
  std::array<long long, 4> FRequests{}; // per TFaultDevice, since SetFaults
};
