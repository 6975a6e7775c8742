#include "morphology/packed_fused.h"

namespace vnimg::morphology {
namespace {
struct Sse2 {};
}  // namespace

void FusedBoxSse2(const fused::Job& job) { fused::FusedBox<Sse2>(job); }

}  // namespace vnimg::morphology
