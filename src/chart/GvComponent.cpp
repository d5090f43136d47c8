#include "chart/GvComponent.h"

EGvRangeError EGvRangeError::Index(qint64 I)
{
  return EGvRangeError(QStringLiteral("i=%1 index out of range").arg(I));
}

TGvComponent::~TGvComponent() = default;
