// Which serial lines may still carry a reply that nobody waits for.
//
// When a transaction on a line fails (no reply within the read-out time-out,
// a reply that cannot answer its request), the device may still answer: a
// controller that answers 230 ms late puts its reply into the next
// transaction on the same line, where it would be taken for the next
// reading. Such a line is dirty. Before the next request on it, whatever
// comes is read and discarded until the line has been quiet for the guard
// time, counted from the failed request at the earliest; then it is clean
// again. This costs time only while a device fails.
//
// Lines are known by their port names. Thread-safe: the window and the
// humidification thread share the relay board's line.
#pragma once

#include <QHash>
#include <QString>
#include <mutex>

class TLineGuard
{
public:
  // The latest a reply may come after its request and still be kept off the
  // next transaction.
  static constexpr unsigned DefaultGuardMs = 300;

  explicit TLineGuard(unsigned GuardMs = DefaultGuardMs) : FGuardMs(GuardMs) {}
  TLineGuard(const TLineGuard&) = delete;
  TLineGuard& operator=(const TLineGuard&) = delete;

  unsigned GuardMs() const { return FGuardMs; }
  // The request sent on Port at SentAt (date-time) failed: the line is dirty.
  // A later failure moves the time on.
  void MarkDirty(const QString& Port, double SentAt);
  // Whether Port is dirty; SentAt is then the time of its failed request.
  bool Dirty(const QString& Port, double* SentAt = nullptr) const;
  // The line has been quiet for the guard time.
  void MarkClean(const QString& Port);

private:
  mutable std::mutex FMutex;
  QHash<QString, double> FDirty;
  unsigned FGuardMs;
};
