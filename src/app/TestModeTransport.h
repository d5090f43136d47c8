// The window's view of the serial ports. "Fake port for testing" is the
// imaginary mixer only in the test mode, when both port lists are on that
// entry; outside it the name is only a port name, and opening it fails as it
// does for any port that is not there. So a fake relay board never stands in
// beside real controllers, nor fake controllers beside a real board.
#pragma once

#include "devices/SerialTransport.h"

#include <atomic>

// Thread-safe: the humidification thread opens its ports through it too.
class TTestModeTransport : public TSerialTransport
{
public:
  explicit TTestModeTransport(TSerialTransport& Inner) : FInner(Inner) {}

  void SetTestMode(bool On) { FTestMode = On; }
  bool TestMode() const { return FTestMode; }
  std::unique_ptr<TSerialLine> Open(const QString& Port, TClock& Clock) override;
  TOpenedLine OpenWithReason(const QString& Port, TClock& Clock) override;

private:
  TSerialTransport& FInner;
  std::atomic<bool> FTestMode{false};
};
