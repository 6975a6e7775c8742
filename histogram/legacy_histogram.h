// The legacy untyped vectors that carry histograms (type 2: 256 unsigned 32-bit counts) and
// lookup tables (type 3: 256 bytes).
#pragma once

#include <cstdint>

#include "vnimg/platform/legacy_vector.h"

namespace vnimg::histogram::legacy {

inline constexpr int kHistogramType = 2;
inline constexpr int kLookupType = 3;
inline constexpr unsigned kBins = 256;

// The counts of a vector that is already a histogram; null when it holds no data or fewer
// than 256 counts (a vector shaped by hand), which must not be read past its storage.
inline const std::uint32_t* StoredCounts(const VnVector& v) {
  if (!v.GetDataPtr() || v.GetAllocatedSize() < kBins * sizeof(std::uint32_t)) return nullptr;
  return static_cast<const std::uint32_t*>(v.GetDataPtr());
}

// An output histogram: re-typed when it is not a histogram of 256 counts; null without data.
inline std::uint32_t* HistogramCounts(VnVector& v) {
  if (v.GetVectType() != kHistogramType || !StoredCounts(v)) v.SetType(kHistogramType, 0, 0);
  return const_cast<std::uint32_t*>(StoredCounts(v));
}

// An output lookup table: re-typed when it is not a table of 256 bytes; null without data.
inline unsigned char* LookupTable(VnVector& v) {
  if (v.GetVectType() != kLookupType || !v.GetDataPtr() || v.GetAllocatedSize() < kBins) v.SetType(kLookupType, 1, kBins);
  if (!v.GetDataPtr() || v.GetAllocatedSize() < kBins) return nullptr;
  return static_cast<unsigned char*>(v.GetDataPtr());
}

}  // namespace vnimg::histogram::legacy
