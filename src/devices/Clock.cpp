#include "devices/Clock.h"

#include "controls/GvDateTime.h"

#include <QDateTime>
#include <QThread>

double TSystemClock::Now() const
{
  return DateTimeFromQDateTime(QDateTime::currentDateTime());
}

void TSystemClock::Sleep(unsigned Ms)
{
  QThread::msleep(Ms);
}

TClock& SystemClock()
{
  static TSystemClock clock;
  return clock;
}

TVirtualClock::TVirtualClock(double start) : FNow(start) {}

double TVirtualClock::Now() const
{
  std::lock_guard<std::mutex> lock(FMutex);
  return FNow;
}

void TVirtualClock::Sleep(unsigned Ms)
{
  Advance(Ms);
  FSleptMs += Ms;
  if (unsigned us = FRealPauseUs.load()) QThread::usleep(us);
}

void TVirtualClock::Advance(double Ms)
{
  std::lock_guard<std::mutex> lock(FMutex);
  FNow += Ms / 86400000.0;
}

void TVirtualClock::SetNow(double DateTime)
{
  std::lock_guard<std::mutex> lock(FMutex);
  FNow = DateTime;
}
