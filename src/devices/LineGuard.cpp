#include "devices/LineGuard.h"

#include <algorithm>

void TLineGuard::MarkDirty(const QString& Port, double SentAt)
{
  std::lock_guard<std::mutex> lock(FMutex);
  const auto it = FDirty.find(Port);
  if (it == FDirty.end())
    FDirty.insert(Port, SentAt);
  else
    *it = std::max(*it, SentAt);
}

bool TLineGuard::Dirty(const QString& Port, double* SentAt) const
{
  std::lock_guard<std::mutex> lock(FMutex);
  const auto it = FDirty.constFind(Port);
  if (it == FDirty.constEnd()) return false;
  if (SentAt) *SentAt = *it;
  return true;
}

void TLineGuard::MarkClean(const QString& Port)
{
  std::lock_guard<std::mutex> lock(FMutex);
  FDirty.remove(Port);
}
