#include "morphology/packed_fused.h"

namespace vnimg::morphology {
namespace {
struct Avx2 {};
}  // namespace

void FusedBoxAvx2(const fused::Job& job) { fused::FusedBox<Avx2>(job); }

}  // namespace vnimg::morphology
