// The time source and the sleep that every device transaction and the mixer
// use. The system clock reads the local wall clock and really sleeps; the
// virtual clock lets tests run hours of mixer time without waiting.
#pragma once

#include <atomic>
#include <mutex>

class TClock
{
public:
  virtual ~TClock() = default;
  // Current local date-time as days since 1899-12-30.
  virtual double Now() const = 0;
  // Waits Ms milliseconds (in the clock's time).
  virtual void Sleep(unsigned Ms) = 0;
};

class TSystemClock : public TClock
{
public:
  double Now() const override;
  void Sleep(unsigned Ms) override;
};

// The process's system clock (stateless, shared).
TClock& SystemClock();

// Virtual time: Now() stands still until Sleep or Advance moves it. Safe to
// use from several threads. With a real pause per sleep set, each Sleep also
// yields that long in real time, so a second thread (or a peer process) gets
// the chance to run.
class TVirtualClock : public TClock
{
public:
  explicit TVirtualClock(double start = 46000.5); // 2025-12-09 12:00
  double Now() const override;
  void Sleep(unsigned Ms) override;
  void Advance(double Ms);
  void SetNow(double DateTime);
  void SetRealPauseUs(unsigned Us) { FRealPauseUs = Us; }
  unsigned long long SleptMs() const { return FSleptMs; }

private:
  mutable std::mutex FMutex;
  double FNow;
  std::atomic<unsigned> FRealPauseUs{0};
  std::atomic<unsigned long long> FSleptMs{0};
};
