// Test helpers of the point operations: images rich in the values where rules change (0, 1,
// the middle, the maximum, equal operands), and an independent statement of every rule.
#pragma once

#include <cstdint>

#include "support/images.h"

namespace vnimg::test {

// Every pixel drawn from 0, 1, 2, M/2, M/2 + 1, M - 1, M or any value; about one pixel in
// eight copies the pixel at the same place of `like` (when given) so that equal operands occur.
template <class T>
VnImage<T> EdgeImage(int width, int height, Rng& rng, const VnImage<T>* like = nullptr);

// The ImgOper table's result for value op on a, b with maximum max; d is the destination's
// pixel before the call.
std::int64_t ExpectedRule(int op, std::int64_t a, std::int64_t b, std::int64_t d, std::int64_t max);

// The values that have a rule on two operands of one type.
bool HasRule(int op);

}  // namespace vnimg::test
