#include "app/TestModeTransport.h"

std::unique_ptr<TSerialLine> TTestModeTransport::Open(const QString& Port, TClock& Clock)
{
  return OpenWithReason(Port, Clock).Line;
}

TOpenedLine TTestModeTransport::OpenWithReason(const QString& Port, TClock& Clock)
{
  if (Port == FakePortName() && !FTestMode) return {nullptr, TPortOpenFailure::Other};
  return FInner.OpenWithReason(Port, Clock);
}
