// The histogram vector's own members (its analysis lives with the histograms).
#include <cstring>

#include "vnimg/vector.h"

void VnBWHistogramVector::Clear() {
  if (GetNumElements()) std::memset(GetDataPtr(), 0, std::size_t{GetNumElements()} * sizeof(unsigned int));
}
