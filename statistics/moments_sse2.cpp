// SSE2 power sums: 16 pixels a step, indices counted within chunks of 64 pixels so that every
// product fits its lanes (w i and i² in 16 bits, pair sums in 32); each chunk
// is then moved to its place in the stretch exactly, in 64-bit integers.
#include <emmintrin.h>

#include "statistics/moments_kernels.h"

namespace vnimg::moments {
namespace {

constexpr int kBlock = 16;
constexpr int kChunk = 64;

std::uint64_t SumU64(__m128i v) {
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(v)) + static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
}
// Lanes read as unsigned 32-bit numbers.
std::uint64_t SumU32(__m128i v) {
  const __m128i zero = _mm_setzero_si128();
  return SumU64(_mm_add_epi64(_mm_unpacklo_epi32(v, zero), _mm_unpackhi_epi32(v, zero)));
}

// Power sums of one chunk; Add takes 16 weights (bytes) at chunk index j.
template <int Order>
class ChunkSums {
 public:
  void Add(__m128i w, int j) {
    const __m128i zero = _mm_setzero_si128();
    m_s0 = _mm_add_epi64(m_s0, _mm_sad_epu8(w, zero));
    if constexpr (Order >= 1) {
      const __m128i lo = _mm_unpacklo_epi8(w, zero), hi = _mm_unpackhi_epi8(w, zero);
      const __m128i iLo = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(j)), _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7));
      const __m128i iHi = _mm_add_epi16(iLo, _mm_set1_epi16(8));
      m_s1 = _mm_add_epi32(m_s1, _mm_add_epi32(_mm_madd_epi16(lo, iLo), _mm_madd_epi16(hi, iHi)));
      if constexpr (Order >= 2) {
        const __m128i qLo = _mm_mullo_epi16(iLo, iLo), qHi = _mm_mullo_epi16(iHi, iHi);
        m_s2 = _mm_add_epi32(m_s2, _mm_add_epi32(_mm_madd_epi16(lo, qLo), _mm_madd_epi16(hi, qHi)));
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
  __m128i m_s0 = _mm_setzero_si128(), m_s1 = _mm_setzero_si128(), m_s2 = _mm_setzero_si128();
};

// weights(x) gives the 16 weight bytes of pixels x .. x + 15; the tail goes through `tail`.
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

__m128i Load(const VnBW8* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

}  // namespace

void Binary8Sse2(const VnBW8* p, int n, unsigned threshold, int order, PowerSums& sums) {
  if (threshold > 255) return;  // nothing counts
  const __m128i t = _mm_set1_epi8(static_cast<char>(threshold)), one = _mm_set1_epi8(1);
  const auto weights = [&](int x) {
    const __m128i v = Load(p + x);
    return _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(v, t), v), one);
  };
  const auto tail = [&](int x, PowerSums& s) {
    AddPowerSums(p, x, n, order, [threshold](VnBW8 v) { return BinaryWeight(v, threshold); }, s);
  };
  SumsOfOrder(order, n, weights, tail, sums);
}

void Weighted8Sse2(const VnBW8* p, int n, int order, PowerSums& sums) {
  const auto weights = [&](int x) { return Load(p + x); };
  const auto tail = [&](int x, PowerSums& s) { AddPowerSums(p, x, n, order, [](VnBW8 v) { return unsigned{v}; }, s); };
  SumsOfOrder(order, n, weights, tail, sums);
}

}  // namespace vnimg::moments
