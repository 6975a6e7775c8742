// The demo's built-in test picture: machined parts on a table under uneven light.
#pragma once

#include <cstdint>

#include <vnimg.h>

namespace vnimg::tool {

// 480 x 320 8-bit gray: a drilled plate, a flange with bolt holes, an L-bracket with a slot,
// a washer and a hex nut, bright metal with dark engraved marks and holes, on a darker table.
// The light falls off from the top right to the bottom left (so no single threshold separates
// parts from table everywhere), and every pixel carries Gaussian noise. Edges are
// anti-aliased. The same seed gives the same picture on every machine.
VnImage<VnBW8> MakeInspectionScene(std::uint64_t seed = 1);

}  // namespace vnimg::tool
