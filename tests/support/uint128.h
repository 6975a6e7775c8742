// The library's exact 128-bit integer, for reference sums in the tests.
#pragma once

#include "foundation/uint128.h"

namespace vnimg::test {

using Uint128 = vnimg::Uint128;

}  // namespace vnimg::test
