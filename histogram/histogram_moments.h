// Moments of a 256-bin histogram over a range of bins, for the statistics operations.
// On failure each sets the code and traces its own name (the caller then traces its own).
#pragma once

#include "vnimg/vector.h"

namespace vnimg::histogram {

// mean = S1 / n over bins lo..hi (bins outside 0..255 count as empty), n the count and S1 the
// sum of count(i) * i. Errors, traced "ImgHistogramMoments ( 1)": not 256 bins 1613; n = 0 1051.
bool HistogramFirstMoment(const VnBWHistogramVector& hist, int lo, int hi, float& mean);

// mean = S1 / n and the population variance S2 / n - mean^2 over bins lo..hi, S2 the sum of
// count(i) * i^2 formed in double as 2 * sum(count(i) * i(i + 1) / 2) - S1. Errors as above,
// traced "ImgHistogramCenteredMoments ( 2)".
bool HistogramCenteredMoments(const VnBWHistogramVector& hist, int lo, int hi, float& mean, float& variance);

}  // namespace vnimg::histogram
