// AVX2 power sums: 32 pixels a step, indices counted within chunks of 128 pixels so that every
// product fits its lanes (w i and i² in 16 bits, pair sums in 32); each chunk
// is then moved to its place in the stretch exactly, in 64-bit integers.
#include <immintrin.h>

#include "statistics/moments_kernels.h"

namespace vnimg::moments {
namespace {

constexpr int kBlock = 32;
constexpr int kChunk = 128;

std::uint64_t SumU64(__m256i v) {
  const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(s)) + static_cast<std::uint64_t>(_mm_extract_epi64(s, 1));
}
// Lanes read as unsigned 32-bit numbers.
std::uint64_t SumU32(__m256i v) {
  const __m256i zero = _mm256_setzero_si256();
  return SumU64(_mm256_add_epi64(_mm256_unpacklo_epi32(v, zero), _mm256_unpackhi_epi32(v, zero)));
}

// Power sums of one chunk; Add takes 32 weights (bytes) at chunk index j.
template <int Order>
class ChunkSums {
 public:
  void Add(__m256i w, int j) {
    const __m256i zero = _mm256_setzero_si256();
    m_s0 = _mm256_add_epi64(m_s0, _mm256_sad_epu8(w, zero));
    if constexpr (Order >= 1) {
      // unpack keeps 128-bit lanes: lo holds pixels 0-7 and 16-23, hi 8-15 and 24-31
      const __m256i base = _mm256_set1_epi16(static_cast<short>(j));
      const __m256i iLo = _mm256_add_epi16(base, _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23));
      const __m256i iHi = _mm256_add_epi16(iLo, _mm256_set1_epi16(8));
      const __m256i lo = _mm256_unpacklo_epi8(w, zero), hi = _mm256_unpackhi_epi8(w, zero);
      m_s1 = _mm256_add_epi32(m_s1, _mm256_add_epi32(_mm256_madd_epi16(lo, iLo), _mm256_madd_epi16(hi, iHi)));
      if constexpr (Order >= 2) {
        const __m256i qLo = _mm256_mullo_epi16(iLo, iLo), qHi = _mm256_mullo_epi16(iHi, iHi);
        m_s2 = _mm256_add_epi32(m_s2, _mm256_add_epi32(_mm256_madd_epi16(lo, qLo), _mm256_madd_epi16(hi, qHi)));
      }
    }
  }
  // Moves the chunk to `origin` in the stretch and starts a new one.
  void Flush(int origin, PowerSums& sums) {
    std::uint64_t chunk[kMaxOrder + 1] = {SumU64(m_s0)};
    if constexpr (Order >= 1) chunk[1] = SumU32(m_s1);
    if constexpr (Order >= 2) chunk[2] = SumU32(m_s2);
    AddShifted(chunk, static_cast<std::uint64_t>(origin), Order, sums);
    *this = ChunkSums();
  }

 private:
  __m256i m_s0 = _mm256_setzero_si256(), m_s1 = _mm256_setzero_si256(), m_s2 = _mm256_setzero_si256();
};

// weights(x) gives the 32 weight bytes of pixels x .. x + 31; the tail goes through `tail`.
template <int Order, class Weights, class Tail>
void Sums(int n, Weights weights, Tail tail, PowerSums& sums) {
  ChunkSums<Order> chunk;
  int x = 0;
  for (; x + kBlock <= n; x += kBlock) {
    chunk.Add(weights(x), x % kChunk);
    if ((x + kBlock) % kChunk == 0) chunk.Flush(x + kBlock - kChunk, sums);
  }
  if (x % kChunk != 0) chunk.Flush(x - x % kChunk, sums);
  tail(x, sums);
}

template <class Weights, class Tail>
void SumsOfOrder(int order, int n, Weights weights, Tail tail, PowerSums& sums) {
  switch (order) {
    case 1: return Sums<1>(n, weights, tail, sums);
    default: return Sums<2>(n, weights, tail, sums);
  }
}

__m256i Load(const VnBW8* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

}  // namespace

void Binary8Avx2(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums) {
  if (threshold > 255) return;  // nothing counts
  const __m256i t = _mm256_set1_epi8(static_cast<char>(threshold)), one = _mm256_set1_epi8(1);
  const auto weights = [&](int x) {
    const __m256i v = Load(p + x);
    return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(v, t), v), one);
  };
  const auto tail = [&](int x, PowerSums& s) {
    AddPowerSums(p, x, n, order, [threshold](VnBW8 v) { return BinaryWeight(v, threshold); }, s);
  };
  SumsOfOrder(order, n, weights, tail, sums);
}

void Weighted8Avx2(const VnBW8* p, int n, int order, PowerSums& sums) {
  const auto weights = [&](int x) { return Load(p + x); };
  const auto tail = [&](int x, PowerSums& s) { AddPowerSums(p, x, n, order, [](VnBW8 v) { return unsigned{v}; }, s); };
  SumsOfOrder(order, n, weights, tail, sums);
}

}  // namespace vnimg::moments
