#include "chart/GvComponent.h"

EGvRangeError EGvRangeError::Index(qint64 I)
{
  return EGvRangeError(QStringLiteral("i=%1 index out of range").arg(I));
}

EExternal EExternal::NoValidExpression()
{
  return EExternal(QStringLiteral("No valid expression defined"));
}

TGvComponent::~TGvComponent() = default;
