#include <immintrin.h>

#include <cstdint>

#include "filter/gradient_kernels.h"

namespace vnimg::filter {
namespace {

inline __m256i Widen(const VnBW8* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }

// The gradient pairs (gx, gy) of outputs x .. x + 15 as 16-bit lanes, eight pixels a vector.
inline void Pairs(const VnBW8* const* lines, int x, __m256i& first, __m256i& second) {
  const __m256i gx = _mm256_sub_epi16(Widen(lines[1] + x), Widen(lines[1] + x + 2));
  const __m256i gy = _mm256_sub_epi16(Widen(lines[0] + x + 1), Widen(lines[2] + x + 1));
  const __m256i low = _mm256_unpacklo_epi16(gx, gy), high = _mm256_unpackhi_epi16(gx, gy);  // pixels 0-3 8-11, 4-7 12-15
  first = _mm256_permute2x128_si256(low, high, 0x20);
  second = _mm256_permute2x128_si256(low, high, 0x31);
}

// Eight table reads by gathering the aligned 32-bit word that holds each entry (an aligned
// word never leaves the table's buffer, whose size is a multiple of 64 bytes).
struct Gatherer {
  const int* words;
  __m256i misalignment;
  __m256i weights;

  explicit Gatherer(const GradientTable<VnBW8>& table) {
    const auto address = reinterpret_cast<std::uintptr_t>(table.centre);
    words = reinterpret_cast<const int*>(address & ~std::uintptr_t{3});
    misalignment = _mm256_set1_epi32(static_cast<int>(address & 3));
    weights = _mm256_set1_epi32(static_cast<std::int32_t>(static_cast<std::uint32_t>(table.pitch) << 16 | 1u));
  }
  // The entries of eight (gx, gy) pairs as 32-bit lanes.
  __m256i Entries(__m256i pairs) const {
    const __m256i offset = _mm256_add_epi32(_mm256_madd_epi16(pairs, weights), misalignment);
    const __m256i word = _mm256_i32gather_epi32(words, _mm256_srai_epi32(offset, 2), 4);
    const __m256i shift = _mm256_slli_epi32(_mm256_and_si256(offset, _mm256_set1_epi32(3)), 3);
    return _mm256_and_si256(_mm256_srlv_epi32(word, shift), _mm256_set1_epi32(255));
  }
  void Store(__m256i first, __m256i second, VnBW8* dst) const {
    const __m256i words16 = _mm256_permute4x64_epi64(_mm256_packus_epi32(Entries(first), Entries(second)), 0xD8);
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words16), _mm256_extracti128_si256(words16, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), bytes);
  }
};

}  // namespace

void GradientVectorRowAvx2(const VnBW8* const* lines, VnBW32* dst, int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i first, second;
    Pairs(lines, x, first, second);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), first);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x + 8), second);
  }
  for (; x < width; ++x) dst[x] = PackGradient(GradientX(lines, x), GradientY(lines, x));
}

void GradientScalarRowAvx2(const VnBW8* const* lines, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  int x = 0;
  if (table.pitch <= 32767) {
    const Gatherer gather(table);
    for (; x + 16 <= width; x += 16) {
      __m256i first, second;
      Pairs(lines, x, first, second);
      gather.Store(first, second, dst + x);
    }
  }
  for (; x < width; ++x) dst[x] = Lookup(table, GradientX(lines, x), GradientY(lines, x));
}

void VectorScalarRowAvx2(const VnBW32* src, const GradientTable<VnBW8>& table, VnBW8* dst, int width) {
  int x = 0;
  if (table.pitch <= 32767) {
    const Gatherer gather(table);
    const __m256i low = _mm256_set1_epi16(-256), high = _mm256_set1_epi16(255);
    auto load = [&](int at) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + at));
      return _mm256_min_epi16(_mm256_max_epi16(v, low), high);
    };
    for (; x + 16 <= width; x += 16) gather.Store(load(x), load(x + 8), dst + x);
  }
  for (; x < width; ++x) dst[x] = Lookup(table, VectorCell(src[x], 0), VectorCell(src[x], 16));
}

}  // namespace vnimg::filter
