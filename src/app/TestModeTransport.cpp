#include "app/TestModeTransport.h"

std::unique_ptr<TSerialLine> TTestModeTransport::Open(const QString& Port, TClock& Clock)
{
  if (Port == FakePortName() && !FTestMode) return nullptr;
  return FInner.Open(Port, Clock);
}
