// Row kernels of the bi-level passes: AND (erosion) or OR (dilation) over the pass's
// neighbourhood, and the 3x3 majority. Rows are padded as for the gray kernels (index -1 and
// n readable); `out` must not overlap the inputs.
#pragma once

#include <cstdint>

#include "foundation/simd.h"
#include "morphology/rows.h"
#include "vnimg/platform/roi.h"

namespace vnimg::morphology {

using BiLevelRowFn = NeighbourRowFn<std::uint8_t>;

// [Extremum::Min] is the AND, [Extremum::Max] the OR.
const simd::Variants<BiLevelRowFn>& BiLevelRowVariants(Extremum e, Shape shape);
// out[i] = 255 when at least 5 of the nine bytes around column i are non-zero, else 0.
const simd::Variants<BiLevelRowFn>& MajorityRowVariants();

struct BiLevelKernels {
  BiLevelRowFn neighbour[2][4] = {};
  BiLevelRowFn majority = nullptr;
};

// True when every pixel is 0 or 255: there AND and OR are the minimum and the maximum.
bool IsBinary(const VnROI<std::uint8_t>& src);

#if VNIMG_X86
BiLevelKernels BiLevelKernelsSse2();
BiLevelKernels BiLevelKernelsAvx2();
BiLevelKernels BiLevelKernelsAvx512();
#endif

}  // namespace vnimg::morphology
