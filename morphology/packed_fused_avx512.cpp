#include "morphology/packed_fused.h"

namespace vnimg::morphology {
namespace {
struct Avx512 {};
}  // namespace

void FusedBoxAvx512(const fused::Job& job) { fused::FusedBox<Avx512>(job); }

}  // namespace vnimg::morphology
