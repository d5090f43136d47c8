// Virtual time for transactions on real serial lines (pseudo-terminals with a
// device server on their far end): every wait moves the clock on by its
// length, and the short waits of a transaction's polling (10 ms or less) also
// pass in real time, so that the server's thread answers while the
// transaction polls. Longer waits pass at once (1 ms of real time each).
// AfterSleep runs after every wait (on the thread that waited): a server that
// sends replies late by this clock delivers those whose time has come.
#pragma once

#include <QThread>
#include <functional>

template <class TBase> class TPaced : public TBase
{
public:
  std::function<void()> AfterSleep;

  void Sleep(unsigned Ms) override
  {
    TBase::Sleep(Ms);
    QThread::usleep(Ms <= 10 ? Ms * 1000 : 1000);
    if (AfterSleep) AfterSleep();
  }
};
