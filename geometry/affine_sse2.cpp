#include "geometry/affine_kernels.h"

namespace vnimg::geometry {

// The row split alone: the interior run goes without class tests.
void AffineRowSse2(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int bits,
                   VnBW8* dst, int count) {
  SplitAndSample(s, p, q, dp, dq, bits, dst, count, 0,
                 [&](int begin, int end) { SampleInteriorRun(s, p, q, dp, dq, bits, dst, begin, end); });
}

}  // namespace vnimg::geometry
