#include <immintrin.h>

#include "geometry/affine_kernels.h"

namespace vnimg::geometry {
namespace {

// Gathers read four bytes from a pixel's address: the columns read stay inside the row when
// the interior keeps this many more columns after the last neighbour.
constexpr int kNearestMargin = 3;
constexpr int kBilinearMargin = 2;

// Byte 0 of each 32-bit lane into the low 8 bytes.
inline void StoreLowBytes(VnBW8* dst, __m256i lanes) {
  const __m256i gather = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,  //
                                          0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(lanes, gather), _mm256_setr_epi32(0, 4, 1, 1, 1, 1, 1, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(packed));
}

struct Lanes {
  __m256i p, q, step8p, step8q;
  Lanes(std::int32_t p0, std::int32_t q0, std::int32_t dp, std::int32_t dq, int begin) {
    const __m256i index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    p = _mm256_add_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(p0 + std::int64_t{dp} * begin)),
                         _mm256_mullo_epi32(index, _mm256_set1_epi32(dp)));
    q = _mm256_add_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(q0 + std::int64_t{dq} * begin)),
                         _mm256_mullo_epi32(index, _mm256_set1_epi32(dq)));
    step8p = _mm256_set1_epi32(static_cast<std::int32_t>(std::uint32_t(dp) * 8u));
    step8q = _mm256_set1_epi32(static_cast<std::int32_t>(std::uint32_t(dq) * 8u));
  }
  void Advance() {
    p = _mm256_add_epi32(p, step8p);
    q = _mm256_add_epi32(q, step8q);
  }
};

int NearestInterior(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq,
                    VnBW8* dst, int begin, int end) {
  const auto* base = reinterpret_cast<const int*>(s.base);
  const __m256i pitch = _mm256_set1_epi32(static_cast<std::int32_t>(s.pitch));
  Lanes l(p, q, dp, dq, begin);
  int i = begin;
  for (; i + 8 <= end; i += 8) {
    const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(l.q, 16), pitch), _mm256_srai_epi32(l.p, 16));
    StoreLowBytes(dst + i, _mm256_i32gather_epi32(base, offset, 1));
    l.Advance();
  }
  return i;
}

int BilinearInterior(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int k,
                     VnBW8* dst, int begin, int end) {
  const auto* top = reinterpret_cast<const int*>(s.base);
  const auto* bottom = reinterpret_cast<const int*>(s.base + s.pitch);
  const __m256i pitch = _mm256_set1_epi32(static_cast<std::int32_t>(s.pitch));
  // The upper-left neighbour lies one row and one column before (P, Q) >> 16.
  const __m256i upperLeft = _mm256_set1_epi32(static_cast<std::int32_t>(-(s.pitch + 1)));
  const __m256i fraction = _mm256_set1_epi32(0xFFFF);
  const __m256i one = _mm256_set1_epi32(1 << k);
  const __m128i weightShift = _mm_cvtsi32_si128(16 - k);
  const __m128i kShift = _mm_cvtsi32_si128(k);
  const __m128i resultShift = _mm_cvtsi32_si128(2 * k);
  // Each lane's two bytes (left, right neighbour) as two 16-bit values.
  const __m256i pairs = _mm256_setr_epi8(0, -1, 1, -1, 4, -1, 5, -1, 8, -1, 9, -1, 12, -1, 13, -1,  //
                                         0, -1, 1, -1, 4, -1, 5, -1, 8, -1, 9, -1, 12, -1, 13, -1);
  Lanes l(p, q, dp, dq, begin);
  int i = begin;
  for (; i + 8 <= end; i += 8) {
    const __m256i offset = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(l.q, 16), pitch), _mm256_srai_epi32(l.p, 16)), upperLeft);
    const __m256i upper = _mm256_shuffle_epi8(_mm256_i32gather_epi32(top, offset, 1), pairs);
    const __m256i lower = _mm256_shuffle_epi8(_mm256_i32gather_epi32(bottom, offset, 1), pairs);
    const __m256i fx = _mm256_srl_epi32(_mm256_and_si256(l.p, fraction), weightShift);
    const __m256i fy = _mm256_srl_epi32(_mm256_and_si256(l.q, fraction), weightShift);
    // (2^k - Fx) in the low half of each lane, Fx in the high half.
    const __m256i wx = _mm256_or_si256(_mm256_sub_epi32(one, fx), _mm256_slli_epi32(fx, 16));
    const __m256i t = _mm256_madd_epi16(upper, wx);
    const __m256i b = _mm256_madd_epi16(lower, wx);
    // t (2^k - Fy) + b Fy, written as t 2^k + (b - t) Fy to need one multiplication.
    const __m256i sum = _mm256_add_epi32(_mm256_sll_epi32(t, kShift), _mm256_mullo_epi32(_mm256_sub_epi32(b, t), fy));
    StoreLowBytes(dst + i, _mm256_srl_epi32(sum, resultShift));
    l.Advance();
  }
  return i;
}

}  // namespace

void AffineRowAvx2(const Source<VnBW8>& s, std::int32_t p, std::int32_t q, std::int32_t dp, std::int32_t dq, int bits,
                   VnBW8* dst, int count) {
  // Gather offsets are signed 32-bit.
  const bool offsetsFit = s.pitch * (s.height + 1) < 0x7FFFFFFF;
  const int margin = bits == 0 ? kNearestMargin : kBilinearMargin;
  SplitAndSample(s, p, q, dp, dq, bits, dst, count, margin, [&](int begin, int end) {
    int done = begin;
    if (offsetsFit)
      done = bits == 0 ? NearestInterior(s, p, q, dp, dq, dst, begin, end)
                       : BilinearInterior(s, p, q, dp, dq, bits, dst, begin, end);
    SampleInteriorRun(s, p, q, dp, dq, bits, dst, done, end);
  });
}

}  // namespace vnimg::geometry
