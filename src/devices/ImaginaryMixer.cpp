#include "devices/ImaginaryMixer.h"

#include "devices/SerialPortVogtlin.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr qsizetype cFramesKept = 10000;
constexpr double cMinutesPerDay = 1440.0;

// Modbus exception codes.
constexpr uint8_t cIllegalFunction = 1;
constexpr uint8_t cIllegalAddress = 2;
constexpr uint8_t cIllegalValue = 3;
constexpr uint8_t cDeviceFailure = 4;

QByteArray Padded(const char* Text, qsizetype Width)
{
  QByteArray s(Text);
  s.resize(Width, ' ');
  return s;
}

TImaginaryFluid Fluid(const char* Name, const char* LongName, float Max, uint16_t Dyn)
{
  return TImaginaryFluid{Padded(Name, 8), Padded(LongName, 50), Padded("g/min", 8), Max, Dyn};
}

uint16_t Word(const QByteArray& Frame, qsizetype At)
{
  return uint16_t(uint8_t(Frame[At]) << 8 | uint8_t(Frame[At + 1]));
}

void AppendWord(QByteArray& Frame, uint16_t Value)
{
  Frame.append(char(Value >> 8));
  Frame.append(char(Value & 0xFF));
}

QByteArray WithCRC(QByteArray Frame)
{
  const uint16_t crc = CalculateCRC16(0xFFFF, Frame.constData(), int(Frame.size()));
  Frame.append(char(crc & 0xFF));
  Frame.append(char(crc >> 8));
  return Frame;
}

QByteArray Exception(uint8_t Address, uint8_t Function, uint8_t Code)
{
  QByteArray reply;
  reply.append(char(Address));
  reply.append(char(Function | 0x80));
  reply.append(char(Code));
  return WithCRC(reply);
}

uint16_t FloatWord(float Value, bool High)
{
  const uint32_t bits = std::bit_cast<uint32_t>(Value);
  return uint16_t(High ? bits >> 16 : bits & 0xFFFF);
}

uint16_t TextWord(const QByteArray& Text, int Offset)
{
  const auto at = [&Text](int i) { return i < Text.size() ? uint8_t(Text[i]) : uint8_t(' '); };
  return uint16_t(at(2 * Offset) << 8 | at(2 * Offset + 1));
}

bool IsFluidNumber(unsigned N)
{
  return N >= 2 && N <= 5;
}

// Inverse of the bead thermistor's calibration: the resistance at which the
// thermistor reads Celsius.
double BeadResistance(double Celsius)
{
  const double a = 1373.1696074919496;
  const double b = 52.676757508279636;
  const double c = -0.2987916592541921;
  const double offset = -682.1861323649009;
  return std::exp(std::pow((Celsius - offset) / a, 1.0 / c)) - b;
}

} // namespace

TImaginaryMixer::TImaginaryMixer()
{
  FControllers[0].Address = 1;
  FControllers[0].Type = "GSC-B4SA";
  FControllers[0].Fluids = FluidTable(1);
  FControllers[0].ActiveFluid = FControllers[0].FluidDataIndex = 2;
  FControllers[1].Address = 2;
  FControllers[1].Type = "GSC-C6SA";
  FControllers[1].Fluids = FluidTable(2);
  FControllers[1].ActiveFluid = FControllers[1].FluidDataIndex = 3;
}

std::array<TImaginaryFluid, 4> TImaginaryMixer::FluidTable(int Address)
{
  // Full scales of a 50 mln/min controller for gas A and a 800 mln/min one for
  // gas B, turndown 1:120.
  if (Address == 1)
    return {Fluid("O2", "O2", 0.0715f, 120), Fluid("5%H2/Ar", "5%H2,95%Ar", 0.0850f, 120),
            Fluid("Air", "Air", 0.0647f, 120), Fluid("H2", "Hydrogen", 0.0045f, 120)};
  if (Address == 2)
    return {Fluid("Ar", "Argon", 1.427f, 120), Fluid("N2", "Nitrogen", 1.0f, 120),
            Fluid("H2", "Hydrogen", 0.0719f, 120), Fluid("H2O", "Water vapour", 0.643f, 120)};
  return {};
}

// ---- Requests ----

QByteArray TImaginaryMixer::RelayBoardFrame(const QByteArray& Frame, double Now, unsigned* DelayMs)
{
  std::lock_guard<std::mutex> lock(FMutex);
  if (DelayMs) *DelayMs = 0;
  return RelayBoardLocked(Frame, Now, DelayMs);
}

QByteArray TImaginaryMixer::ControllerBusFrame(const QByteArray& Frame, double Now,
                                               unsigned* DelayMs)
{
  std::lock_guard<std::mutex> lock(FMutex);
  if (DelayMs) *DelayMs = 0;
  return ControllerBusLocked(Frame, Now, DelayMs);
}

TImaginaryLine TImaginaryMixer::FakePortLine(const QByteArray& Frame)
{
  return !Frame.isEmpty() && uint8_t(Frame[0]) == 254 ? TImaginaryLine::RelayBoard
                                                      : TImaginaryLine::ControllerBus;
}

QByteArray TImaginaryMixer::FakePortFrame(const QByteArray& Frame, double Now, unsigned* DelayMs)
{
  std::lock_guard<std::mutex> lock(FMutex);
  if (DelayMs) *DelayMs = 0;
  if (FakePortLine(Frame) == TImaginaryLine::RelayBoard)
    return RelayBoardLocked(Frame, Now, DelayMs);
  return ControllerBusLocked(Frame, Now, DelayMs);
}

// ---- Faults ----

namespace {
// What a fault in force does to a reply the device would have given; null
// faults leave it as it is.
QByteArray Spoilt(const TDeviceFault* Fault, QByteArray Reply, unsigned* DelayMs)
{
  if (!Fault || Reply.isEmpty()) return Reply;
  switch (Fault->Kind) {
  case TFaultKind::Slow:
    if (DelayMs) *DelayMs = unsigned(Fault->SlowMs);
    return Reply;
  case TFaultKind::Short:
    return Reply.left(std::min<qsizetype>(Fault->ShortBytes, Reply.size() - 1));
  case TFaultKind::Corrupt: {
    const qsizetype at = Fault->CorruptByte >= 0
                             ? std::min<qsizetype>(Fault->CorruptByte, Reply.size() - 1)
                             : Reply.size() / 2;
    Reply[at] = char(uint8_t(Reply[at]) ^ 1);
    return Reply;
  }
  case TFaultKind::OtherAddress: {
    QByteArray r = Reply.left(Reply.size() - 2);
    r[0] = char(uint8_t(r[0]) == 1 ? 2 : 1);
    return WithCRC(r);
  }
  default:
    return Reply;
  }
}

// Faults after which the device has not acted on the request.
bool Ignores(const TDeviceFault* Fault)
{
  return Fault && (Fault->Kind == TFaultKind::Silent || Fault->Kind == TFaultKind::Exception ||
                   Fault->Kind == TFaultKind::Gone);
}

bool Covers(TFaultDevice FaultDevice, TFaultDevice Device)
{
  return FaultDevice == Device ||
         (FaultDevice == TFaultDevice::ControllerBus && Device != TFaultDevice::RelayBoard);
}
} // namespace

void TImaginaryMixer::SetFaults(const QList<TDeviceFault>& Faults, double Now)
{
  std::lock_guard<std::mutex> lock(FMutex);
  FFaults.clear();
  for (const TDeviceFault& f : Faults) FFaults.append(TFaultState{f});
  FFaultEpoch = Now;
  FRequests.fill(0);
}

bool TImaginaryMixer::InForce(TFaultState& State, double Now)
{
  const TDeviceFault& f = State.Fault;
  if (!State.Began) {
    const bool counted = f.FromRequest <= 0 || FRequests[std::size_t(f.Device)] >= f.FromRequest;
    if (!counted || Now < FFaultEpoch + f.AfterS / 86400.0) return false;
    State.Began = true;
    State.BeganAt = Now;
  }
  return Now < State.BeganAt + f.ForS / 86400.0;
}

const TDeviceFault* TImaginaryMixer::FaultInForce(TFaultDevice Device, double Now)
{
  const TDeviceFault* found = nullptr;
  for (TFaultState& s : FFaults)
    if (Covers(s.Fault.Device, Device) && InForce(s, Now) && !found) found = &s.Fault;
  return found;
}

bool TImaginaryMixer::LineGone(TImaginaryLine Line, double Now)
{
  std::lock_guard<std::mutex> lock(FMutex);
  const TFaultDevice device =
      Line == TImaginaryLine::RelayBoard ? TFaultDevice::RelayBoard : TFaultDevice::ControllerBus;
  bool gone = false;
  for (TFaultState& s : FFaults)
    if (s.Fault.Kind == TFaultKind::Gone && s.Fault.Device == device && InForce(s, Now))
      gone = true;
  return gone;
}

bool TImaginaryMixer::HasGoneFaults() const
{
  std::lock_guard<std::mutex> lock(FMutex);
  for (const TFaultState& s : FFaults)
    if (s.Fault.Kind == TFaultKind::Gone) return true;
  return false;
}

void TImaginaryMixer::Record(TImaginaryLine Line, const QByteArray& Frame, double Now)
{
  if (FFrames.size() >= cFramesKept) FFrames.remove(0, FFrames.size() - cFramesKept + 1);
  FFrames.append(TImaginaryFrame{Line, Frame, Now});
}

QByteArray TImaginaryMixer::RelayBoardLocked(const QByteArray& Frame, double Now, unsigned* DelayMs)
{
  if (Frame.isEmpty()) return {};
  Record(TImaginaryLine::RelayBoard, Frame, Now);
  ++FRequests[std::size_t(TFaultDevice::RelayBoard)];
  const TDeviceFault* fault = FaultInForce(TFaultDevice::RelayBoard, Now);
  if (FRelayBoardSilent || Ignores(fault)) return {};
  QByteArray reply;
  qsizetype i = 0;
  while (i < Frame.size()) {
    if (uint8_t(Frame[i]) != 254 || i + 1 >= Frame.size()) {
      ++i;
      continue;
    }
    const uint8_t command = uint8_t(Frame[i + 1]);
    if (command == 33) { // self-test
      reply.append(char(85));
      i += 2;
    } else if (command == 40) { // relay mask
      if (i + 2 >= Frame.size()) break;
      FRelayMask = uint8_t(Frame[i + 2]);
      reply.append(char(85));
      i += 3;
    } else if (command == 158) { // ADC
      AppendWord(reply, uint16_t(ADCReadingLocked()));
      i += 2;
    } else {
      i += 2; // not a command of this board: ignored
    }
  }
  return Spoilt(fault, reply, DelayMs);
}

QByteArray TImaginaryMixer::ControllerBusLocked(const QByteArray& Frame, double Now,
                                                unsigned* DelayMs)
{
  if (Frame.isEmpty()) return {};
  Record(TImaginaryLine::ControllerBus, Frame, Now);
  // Every frame on the bus counts for the bus; a frame addressed to a
  // controller counts for that controller too.
  ++FRequests[std::size_t(TFaultDevice::ControllerBus)];
  const uint8_t to = uint8_t(Frame[0]);
  const TFaultDevice device = to == 1   ? TFaultDevice::Controller1
                              : to == 2 ? TFaultDevice::Controller2
                                        : TFaultDevice::ControllerBus;
  if (device != TFaultDevice::ControllerBus) ++FRequests[std::size_t(device)];
  const TDeviceFault* fault = FaultInForce(device, Now);
  // A frame too short to carry address, function and CRC, or with a wrong
  // CRC, is noise on the bus: no controller answers it.
  if (Frame.size() < 4) return {};
  const uint16_t crc = CalculateCRC16(0xFFFF, Frame.constData(), int(Frame.size() - 2));
  if (uint8_t(Frame[Frame.size() - 2]) != (crc & 0xFF) ||
      uint8_t(Frame[Frame.size() - 1]) != (crc >> 8))
    return {};
  const uint8_t address = uint8_t(Frame[0]);
  if (address == 0) { // broadcast: every controller acts, none answers
    for (TController& c : FControllers) {
      if (c.Silent ||
          Ignores(FaultInForce(
              c.Address == 1 ? TFaultDevice::Controller1 : TFaultDevice::Controller2, Now)))
        continue;
      Advance(c, Now);
      Serve(c, Frame, true);
    }
    return {};
  }
  TController* c = Controller(address);
  if (!c || c->Silent) return {};
  Advance(*c, Now);
  if (fault && fault->Kind == TFaultKind::Exception)
    return Exception(address, uint8_t(Frame[1]), cDeviceFailure);
  if (Ignores(fault)) return {};
  return Spoilt(fault, Serve(*c, Frame, false), DelayMs);
}

QByteArray TImaginaryMixer::Serve(TController& C, const QByteArray& Frame, bool Broadcast)
{
  const uint8_t address = uint8_t(C.Address);
  const uint8_t function = uint8_t(Frame[1]);
  const qsizetype size = Frame.size();

  if (function == 0x03 && size == 8 && !Broadcast) {
    const uint16_t start = Word(Frame, 2);
    const uint16_t count = Word(Frame, 4);
    if (count < 1 || count > 125) return Exception(address, function, cIllegalValue);
    QByteArray reply;
    reply.append(char(address));
    reply.append(char(function));
    reply.append(char(2 * count));
    for (unsigned r = start; r < unsigned(start) + count; ++r) {
      uint16_t value = 0;
      if (r > 0xFFFF || !ReadRegister(C, uint16_t(r), value))
        return Exception(address, function, cIllegalAddress);
      AppendWord(reply, value);
    }
    return WithCRC(reply);
  }

  if (function == 0x06 && size == 8) {
    const uint16_t reg = Word(Frame, 2);
    const uint16_t value = Word(Frame, 4);
    if (reg != VogtlinRegister::ActiveFluid && reg != VogtlinRegister::FluidIndex)
      return Broadcast ? QByteArray() : Exception(address, function, cIllegalAddress);
    if (!IsFluidNumber(value))
      return Broadcast ? QByteArray() : Exception(address, function, cIllegalValue);
    (reg == VogtlinRegister::ActiveFluid ? C.ActiveFluid : C.FluidDataIndex) = value;
    return Broadcast ? QByteArray() : Frame; // the confirmation echoes the request
  }

  if (function == 0x10 && size >= 9) {
    const uint16_t start = Word(Frame, 2);
    const uint16_t count = Word(Frame, 4);
    const uint8_t bytes = uint8_t(Frame[6]);
    if (count < 1 || count > 123 || bytes != 2 * count || size != 9 + bytes)
      return Broadcast ? QByteArray() : Exception(address, function, cIllegalValue);
    QByteArray confirmation = Frame.left(6);
    if ((start == VogtlinRegister::SetPoint || start == VogtlinRegister::TotalizerReset) &&
        count == 2) {
      const float value = std::bit_cast<float>(uint32_t(Word(Frame, 7)) << 16 | Word(Frame, 9));
      if (!std::isfinite(value) || value < 0.0f)
        return Broadcast ? QByteArray() : Exception(address, function, cIllegalValue);
      if (start == VogtlinRegister::SetPoint)
        C.SetPoint = value;
      else
        C.TotalizerKg = value; // 0.0 resets the count
    } else if ((start == VogtlinRegister::ActiveFluid || start == VogtlinRegister::FluidIndex) &&
               count == 1) {
      const uint16_t value = Word(Frame, 7);
      if (!IsFluidNumber(value))
        return Broadcast ? QByteArray() : Exception(address, function, cIllegalValue);
      (start == VogtlinRegister::ActiveFluid ? C.ActiveFluid : C.FluidDataIndex) = value;
    } else {
      return Broadcast ? QByteArray() : Exception(address, function, cIllegalAddress);
    }
    return Broadcast ? QByteArray() : WithCRC(confirmation);
  }

  if (Broadcast) return {};
  if (function == 0x03 || function == 0x06 || function == 0x10)
    return Exception(address, function, cIllegalValue); // malformed request
  return Exception(address, function, cIllegalFunction);
}

bool TImaginaryMixer::ReadRegister(const TController& C, uint16_t Register, uint16_t& Value)
{
  namespace R = VogtlinRegister;
  const auto inBlock = [Register](unsigned Start, unsigned Count) {
    return Register >= Start && Register < Start + Count;
  };
  if (inBlock(R::Totalizer, 2)) {
    Value = FloatWord(float(C.TotalizerKg), Register == R::Totalizer);
    return true;
  }
  if (inBlock(R::SetPoint, 2)) {
    Value = FloatWord(C.SetPoint, Register == R::SetPoint);
    return true;
  }
  if (inBlock(R::DeviceType, 4)) {
    Value = TextWord(C.Type, Register - R::DeviceType);
    return true;
  }
  if (Register == R::ActiveFluid) {
    Value = C.ActiveFluid;
    return true;
  }
  if (Register == R::FluidIndex) {
    Value = C.FluidDataIndex;
    return true;
  }
  if (!IsFluidNumber(C.FluidDataIndex)) return false;
  const TImaginaryFluid& f = C.Fluids[C.FluidDataIndex - 2];
  if (inBlock(R::FullScale, 2)) {
    Value = FloatWord(f.Max, Register == R::FullScale);
    return true;
  }
  if (inBlock(R::LongName, 25)) {
    Value = TextWord(f.LongName, Register - R::LongName);
    return true;
  }
  if (inBlock(R::ShortName, 4)) {
    Value = TextWord(f.Name, Register - R::ShortName);
    return true;
  }
  if (inBlock(R::FlowUnit, 4)) {
    Value = TextWord(f.FlowUnit, Register - R::FlowUnit);
    return true;
  }
  if (Register == R::Turndown) {
    Value = f.Dyn;
    return true;
  }
  return false;
}

// ---- Totalizer ----

double TImaginaryMixer::TotalizerAt(const TController& C, double Now)
{
  if (!C.Clocked || !(Now > C.LastTime)) return C.TotalizerKg;
  const double minutes = (Now - C.LastTime) * cMinutesPerDay;
  return C.TotalizerKg + double(C.SetPoint) * minutes / 1000.0; // g/min over minutes, in kg
}

void TImaginaryMixer::Advance(TController& C, double Now)
{
  C.TotalizerKg = TotalizerAt(C, Now);
  C.LastTime = Now; // a clock set back restarts the count from there
  C.Clocked = true;
}

// ---- Relay board ADC ----

int TImaginaryMixer::ADCReadingLocked() const
{
  if (std::isnan(FBubblerTemperature)) return 0;
  const double r = BeadResistance(FBubblerTemperature);
  if (!(r > 0.0)) return 1;
  const double reading = std::round(1024.0 * r / (r + 10000.0));
  return int(std::clamp(reading, 1.0, 1023.0));
}

// ---- Test access ----

TImaginaryMixer::TController* TImaginaryMixer::Controller(int Address)
{
  return Address == 1 || Address == 2 ? &FControllers[std::size_t(Address - 1)] : nullptr;
}

const TImaginaryMixer::TController* TImaginaryMixer::Controller(int Address) const
{
  return Address == 1 || Address == 2 ? &FControllers[std::size_t(Address - 1)] : nullptr;
}

qsizetype TImaginaryMixer::FrameLength(TImaginaryLine Line, const QByteArray& Pending)
{
  if (Pending.size() < 2) return 0;
  const uint8_t second = uint8_t(Pending[1]);
  if (Line == TImaginaryLine::RelayBoard) {
    if (uint8_t(Pending[0]) != 254) return -1;
    if (second == 33 || second == 158) return 2;
    if (second == 40) return 3;
    return -1;
  }
  if (second == 0x03 || second == 0x06) return 8;
  if (second == 0x10) return Pending.size() < 7 ? 0 : 9 + uint8_t(Pending[6]);
  return -1;
}

uint8_t TImaginaryMixer::RelayMask() const
{
  std::lock_guard<std::mutex> lock(FMutex);
  return FRelayMask;
}

float TImaginaryMixer::SetPoint(int Address) const
{
  std::lock_guard<std::mutex> lock(FMutex);
  const TController* c = Controller(Address);
  return c ? c->SetPoint : NAN;
}

double TImaginaryMixer::Totalizer(int Address) const
{
  std::lock_guard<std::mutex> lock(FMutex);
  const TController* c = Controller(Address);
  return c ? c->TotalizerKg : NAN;
}

double TImaginaryMixer::TotalizerAt(int Address, double Now) const
{
  std::lock_guard<std::mutex> lock(FMutex);
  const TController* c = Controller(Address);
  return c ? TotalizerAt(*c, Now) : NAN;
}

int TImaginaryMixer::ActiveFluid(int Address) const
{
  std::lock_guard<std::mutex> lock(FMutex);
  const TController* c = Controller(Address);
  return c ? c->ActiveFluid : 0;
}

int TImaginaryMixer::FluidDataIndex(int Address) const
{
  std::lock_guard<std::mutex> lock(FMutex);
  const TController* c = Controller(Address);
  return c ? c->FluidDataIndex : 0;
}

QList<TImaginaryFrame> TImaginaryMixer::ReceivedFrames() const
{
  std::lock_guard<std::mutex> lock(FMutex);
  return FFrames;
}

QList<QByteArray> TImaginaryMixer::ReceivedFrames(TImaginaryLine Line) const
{
  std::lock_guard<std::mutex> lock(FMutex);
  QList<QByteArray> frames;
  for (const TImaginaryFrame& f : FFrames)
    if (f.Line == Line) frames.append(f.Bytes);
  return frames;
}

void TImaginaryMixer::ClearReceivedFrames()
{
  std::lock_guard<std::mutex> lock(FMutex);
  FFrames.clear();
}

void TImaginaryMixer::SetBubblerTemperature(double Celsius)
{
  std::lock_guard<std::mutex> lock(FMutex);
  FBubblerTemperature = Celsius;
}

double TImaginaryMixer::BubblerTemperature() const
{
  std::lock_guard<std::mutex> lock(FMutex);
  return FBubblerTemperature;
}

int TImaginaryMixer::ADCReading() const
{
  std::lock_guard<std::mutex> lock(FMutex);
  return ADCReadingLocked();
}

void TImaginaryMixer::SetRelayBoardSilent(bool Silent)
{
  std::lock_guard<std::mutex> lock(FMutex);
  FRelayBoardSilent = Silent;
}

void TImaginaryMixer::SetControllerSilent(int Address, bool Silent)
{
  std::lock_guard<std::mutex> lock(FMutex);
  if (TController* c = Controller(Address)) c->Silent = Silent;
}

void TImaginaryMixer::SetRelayMask(uint8_t Mask)
{
  std::lock_guard<std::mutex> lock(FMutex);
  FRelayMask = uint8_t(Mask & 0x3F);
}

void TImaginaryMixer::SetSetPoint(int Address, float Value)
{
  std::lock_guard<std::mutex> lock(FMutex);
  if (TController* c = Controller(Address)) c->SetPoint = Value;
}

void TImaginaryMixer::SetControllerType(int Address, const QByteArray& Type)
{
  std::lock_guard<std::mutex> lock(FMutex);
  if (TController* c = Controller(Address)) {
    c->Type = Type.left(8);
    c->Type.resize(8, ' ');
  }
}
