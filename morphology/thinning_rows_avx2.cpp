#include <immintrin.h>

#include "morphology/thinning_rows.h"

namespace vnimg::morphology {

// 32 pixels a step: for each cell the pattern cares about, the bytes that are 0 there, kept
// (cell to be 0) or removed (cell to be set) from the hits.
bool HitRowAvx2(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, std::uint8_t* out, int width,
                int from, int to, const HitPattern& p) {
  struct Cell {
    const std::uint8_t* row;
    bool set;
  } cells[9];
  int count = 0;
  const std::uint8_t* rows[3] = {up, mid, down};
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) {
      const unsigned weight = 256u >> (3 * c + r);
      if (p.care & weight) cells[count++] = {rows[r] + c - 1, (p.match & weight) != 0};
    }
  const __m256i zero = _mm256_setzero_si256(), hitValue = _mm256_set1_epi8(p.thick ? -1 : 0);
  __m256i changed = zero;
  int x = from;
  for (; x + 32 <= to; x += 32) {
    __m256i hit = _mm256_set1_epi8(-1);
    for (int k = 0; k < count; ++k) {
      const __m256i isZero = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells[k].row + x)), zero);
      hit = cells[k].set ? _mm256_andnot_si256(isZero, hit) : _mm256_and_si256(isZero, hit);
    }
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mid + x)), vZero = _mm256_cmpeq_epi8(v, zero);
    const __m256i other = p.first ? _mm256_andnot_si256(vZero, _mm256_set1_epi8(-1)) : v;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_blendv_epi8(other, hitValue, hit));
    changed = _mm256_or_si256(changed, p.thick ? _mm256_and_si256(hit, vZero) : _mm256_andnot_si256(vZero, hit));
  }
  bool any = !_mm256_testz_si256(changed, changed);
  for (; x < to; ++x) any |= HitPixel(up, mid, down, out, x, width, p);
  return any;
}

}  // namespace vnimg::morphology
