// The least and greatest of a run of values, for the data ranges of the
// series kinds. Values that are not finite are passed over, so that a hole
// in the data never widens a range into infinity.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

struct TGvMinMax
{
  double Min = std::numeric_limits<double>::infinity();
  double Max = -std::numeric_limits<double>::infinity();

  // Whether at least one finite value was added.
  bool Valid() const { return Min <= Max; }
  void Add(double V)
  {
    if (!std::isfinite(V)) return;
    Min = std::min(Min, V);
    Max = std::max(Max, V);
  }
  void Add(const TGvMinMax& Other)
  {
    if (!Other.Valid()) return;
    Add(Other.Min);
    Add(Other.Max);
  }
  double Extent() const { return Valid() ? Max - Min : 0; }
};
