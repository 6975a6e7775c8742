#include <immintrin.h>

#include <cstdint>

#include "morphology/rows_simd.h"

namespace vnimg::morphology {
namespace {

struct Avx512 {
  using R = __m512i;
  static constexpr bool kLaneShifts = true;
  static constexpr int kBytes = 64;
  static R Load(const void* p) { return _mm512_loadu_si512(p); }
  template <class T>
  static R Fill(T v) {
    if constexpr (sizeof(T) == 1) return _mm512_set1_epi8(static_cast<char>(v));
    else return _mm512_set1_epi16(static_cast<short>(v));
  }
  static void Store(void* p, R v) { _mm512_storeu_si512(p, v); }
  static R Min8(R a, R b) { return _mm512_min_epu8(a, b); }
  static R Max8(R a, R b) { return _mm512_max_epu8(a, b); }
  static R Min16(R a, R b) { return _mm512_min_epu16(a, b); }
  static R Max16(R a, R b) { return _mm512_max_epu16(a, b); }
  // Lane j of permutex2var(a, index, b) is lane index[j] of the 2 L lanes of a then b.
  template <class T>
  static R Before(R a, R b) { return Permute<T>(a, Index<T>(Lanes<T>() - 1), b); }
  template <class T>
  static R After(R a, R b) { return Permute<T>(a, Index<T>(1), b); }

  template <class T>
  static constexpr int Lanes() { return kBytes / static_cast<int>(sizeof(T)); }
  // Lane j holds j + offset.
  template <class T>
  static R Index(int offset) {
    if constexpr (sizeof(T) == 1)
      return _mm512_add_epi8(_mm512_set_epi64(0x3F3E3D3C3B3A3938, 0x3736353433323130, 0x2F2E2D2C2B2A2928, 0x2726252423222120,
                                              0x1F1E1D1C1B1A1918, 0x1716151413121110, 0x0F0E0D0C0B0A0908, 0x0706050403020100),
                             _mm512_set1_epi8(static_cast<char>(offset)));
    else
      return _mm512_add_epi16(_mm512_set_epi64(0x001F001E001D001C, 0x001B001A00190018, 0x0017001600150014, 0x0013001200110010,
                                               0x000F000E000D000C, 0x000B000A00090008, 0x0007000600050004, 0x0003000200010000),
                              _mm512_set1_epi16(static_cast<short>(offset)));
  }
  template <class T>
  static R Permute(R a, R index, R b) {
    if constexpr (sizeof(T) == 1) return _mm512_permutex2var_epi8(a, index, b);
    else return _mm512_permutex2var_epi16(a, index, b);
  }
};

// Pixels start .. start + lanes - 1 of `row`, those outside [0, n) neutral. Masked lanes
// are never read, so the register may reach past either end of the row.
template <class T, class Op>
__m512i WindowLoad(const T* row, long long start, int n) {
  constexpr int kLanes = 64 / static_cast<int>(sizeof(T));
  if (start >= 0 && start + kLanes <= n) return Avx512::Load(row + start);
  const long long lo = start < 0 ? -start : 0, hi = n - start < kLanes ? n - start : kLanes;
  const auto at = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(row) + start * static_cast<long long>(sizeof(T)));
  const std::uint64_t mask = hi <= lo ? 0 : ((std::uint64_t{1} << (hi - lo)) - 1) << lo;
  const __m512i neutral = Avx512::Fill<T>(Op::template Neutral<T>());
  if constexpr (sizeof(T) == 1) return _mm512_mask_loadu_epi8(neutral, mask, at);
  else return _mm512_mask_loadu_epi16(neutral, static_cast<__mmask32>(mask), at);
}

// Lanes at + k < n of v into out.
template <class T>
void WindowStore(T* out, int at, int n, __m512i v) {
  constexpr int kLanes = 64 / static_cast<int>(sizeof(T));
  if (at + kLanes <= n) return Avx512::Store(out + at, v);
  const std::uint64_t mask = (std::uint64_t{1} << (n - at)) - 1;
  if constexpr (sizeof(T) == 1) _mm512_mask_storeu_epi8(out + at, mask, v);
  else _mm512_mask_storeu_epi16(out + at, static_cast<__mmask32>(mask), v);
}

// Doubling in registers: register j of level s holds, in each lane, the extremum of the 2^s
// pixels of the neutral-padded row up to that lane, from registers j - 1 and j of level s - 1
// (one lane move, one extremum). Registers are taken in order, each level keeping its last
// one, so every level of a register is done in its own step; the lane move overwrites the
// last register, which the step replaces anyway, so no register is copied for it.
// Register j holds the pixels from j * lanes + lead: for a WindowRowFn lead = half, and the
// output at x is level kLevels at x + half and at x - half + 2^kLevels - 1 (the step's loads
// and stores run beside the lane moves, where the core has room for them); for a SpanRowFn
// (kLevels = log2 of the lanes) lead = lanes - 1 - half and the output is level kLevels.
template <class T, class Op, int kLevels, bool kStep, bool kSpans>
class Doubling {
 public:
  using E = VecOp<Avx512, T, Op>;
  static constexpr int kLanes = E::kLanes;

  Doubling(const T* row, int half, T* out, int count, int n, const PrefixStep<T>* step)
      : m_row(row), m_lead(kSpans ? kLanes - 1 - half : half), m_out(out), m_count(count), m_n(n),
        m_step(step ? *step : PrefixStep<T>{}) {
    // Register -2 lies wholly before the row (lead < lanes): neutral at every level.
    const __m512i neutral = Avx512::Fill<T>(Op::template Neutral<T>());
    for (int s = 0; s < kLevels; ++s) m_moves[s] = Avx512::Index<T>(kLanes - (1 << s)), m_last[s] = neutral;
    m_last[kLevels] = neutral;
    m_end = Avx512::Index<T>(kLanes - (kSpans ? 0 : 2 * half + 1 - (1 << kLevels)));
  }

  // The registers whose loads, stores and step lie wholly inside the row take the plain forms
  // (measured: the masked forms' tests and branches cost 12 to 15 % of the 15x15 box at 1920x1080).
  void Run() {
    const int outputs = kSpans ? m_count : m_n;
    const int registers = (m_count + kLanes - 1) / kLanes;
    const int first = Larger(0, -FloorDiv(m_lead, kLanes));
    const int last = Smaller(Smaller(FloorDiv(m_n - m_lead - kLanes, kLanes), outputs / kLanes - 1), registers - 1);
    int j = -1;
    for (; j < Smaller(first, registers); ++j) Register<false>(j);
    for (; j <= last; ++j) Register<true>(j);
    for (; j < registers; ++j) Register<false>(j);
  }

 private:
  static int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
  static int Smaller(int a, int b) { return a < b ? a : b; }
  static int Larger(int a, int b) { return a < b ? b : a; }

  // One step's levels from its register of pixels; returns level kLevels.
  __m512i Climb(__m512i carry) {
    for (int s = 0; s < kLevels; ++s) {
      const __m512i moved = Avx512::Permute<T>(m_last[s], m_moves[s], carry);
      m_last[s] = carry;
      carry = E::Of(carry, moved);
    }
    return carry;
  }

  template <bool kPlain>
  void Register(int j) {
    const long long start = static_cast<long long>(j) * kLanes + m_lead;
    const __m512i carry = Climb(kPlain ? Avx512::Load(m_row + start) : WindowLoad<T, Op>(m_row, start, m_n));
    const int at = j * kLanes;
    if constexpr (kSpans) {
      if (kPlain) Avx512::Store(m_out + at, carry);
      else if (at >= 0) WindowStore(m_out, at, m_count, carry);
      return;
    }
    const __m512i filtered = E::Of(carry, Avx512::Permute<T>(m_last[kLevels], m_end, carry));
    m_last[kLevels] = carry;
    if (!kPlain && at < 0) return;
    const auto load = [this, at](const T* p) { return kPlain ? Avx512::Load(p + at) : WindowLoad<T, Op>(p, at, m_n); };
    const auto store = [this, at](T* p, __m512i v) { kPlain ? Avx512::Store(p + at, v) : WindowStore(p, at, m_n, v); };
    if constexpr (kStep) {
      // Both read before the filtered row is stored: it may go over the suffix.
      const __m512i suffix = load(m_step.suffix), prefix = load(m_step.prefix);
      store(m_out, filtered);
      store(m_step.out, E::Of(suffix, prefix));
      store(m_step.prefix, E::Of(prefix, filtered));
    } else {
      store(m_out, filtered);
    }
  }

  const T* m_row;
  int m_lead;
  T* m_out;
  int m_count, m_n;
  PrefixStep<T> m_step;  // a copy: the stores through its pointers cannot change it
  __m512i m_moves[kLevels], m_last[kLevels + 1], m_end;
};

template <class T, class Op, int kLevels, bool kStep, bool kSpans = false>
void WindowRowLevels(const T* row, int half, T* out, int count, int n, const PrefixStep<T>* step) {
  Doubling<T, Op, kLevels, kStep, kSpans>(row, half, out, count, n, step).Run();
}

template <class T, class Op, int kLevels>
void WindowRowAt(const T* row, int half, T* out, int n, const PrefixStep<T>* step) {
  if (step) return WindowRowLevels<T, Op, kLevels, true>(row, half, out, n, n, step);
  WindowRowLevels<T, Op, kLevels, false>(row, half, out, n, n, step);
}

// kLevels: the largest power of two within the window, up to 2^6 (half <= kWindowRowMaxHalf).
template <class T, class Op>
void WindowRow(const T* row, int half, T* out, int n, const PrefixStep<T>* step) {
  int levels = 0;
  while ((2 << levels) <= 2 * half + 1) ++levels;
  switch (levels) {
    case 1: return WindowRowAt<T, Op, 1>(row, half, out, n, step);
    case 2: return WindowRowAt<T, Op, 2>(row, half, out, n, step);
    case 3: return WindowRowAt<T, Op, 3>(row, half, out, n, step);
    case 4: return WindowRowAt<T, Op, 4>(row, half, out, n, step);
    case 5: return WindowRowAt<T, Op, 5>(row, half, out, n, step);
    default: return WindowRowAt<T, Op, 6>(row, half, out, n, step);
  }
}

template <class T, class Op>
void SpanRow(const T* row, int half, T* out, int count, int n) {
  constexpr int kLevels = sizeof(T) == 1 ? 6 : 5;
  static_assert(1 << kLevels == kSpanLanes<T>);
  WindowRowLevels<T, Op, kLevels, false, true>(row, half, out, count, n, nullptr);
}

template <class T>
RowKernels<T> KernelsWithWindows() {
  RowKernels<T> k = KernelsOf<Avx512, T>();
  k.window[0] = &WindowRow<T, MinOp>;
  k.window[1] = &WindowRow<T, MaxOp>;
  k.span[0] = &SpanRow<T, MinOp>;
  k.span[1] = &SpanRow<T, MaxOp>;
  return k;
}

}  // namespace

RowKernels<std::uint8_t> RowKernelsAvx512(std::uint8_t) { return KernelsWithWindows<std::uint8_t>(); }
RowKernels<std::uint16_t> RowKernelsAvx512(std::uint16_t) { return KernelsWithWindows<std::uint16_t>(); }

}  // namespace vnimg::morphology
