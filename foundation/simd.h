// Vector variants: every operation that has them keeps a plain loop (the reference) and
// optional SSE2 / AVX2 / AVX-512 variants in files named for the ISA, gathered in one
// Variants table and chosen at one dispatch point per call.
#pragma once

// x86, 64- or 32-bit: the ISA files are built and chosen at run time; elsewhere (ARM ...) every
// operation runs its plain loop.
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define VNIMG_X86 1
#else
#define VNIMG_X86 0
#endif

// The address of an ISA-specific variant, or null where the ISA files are not built.
#if VNIMG_X86
#define VNIMG_X86_VARIANT(fn) (&(fn))
#else
#define VNIMG_X86_VARIANT(fn) nullptr
#endif

namespace vnimg::simd {

enum class Level : int { Plain = 0, Sse2 = 1, Avx2 = 2, Avx512 = 3 };
inline constexpr Level kAllLevels[] = {Level::Plain, Level::Sse2, Level::Avx2, Level::Avx512};

const char* LevelName(Level level);
// The best level the running CPU (and OS) supports.
Level CpuLevel();
// The level operations use now: Plain when VnGetMMX() is off, else the CPU's level lowered to
// the cap.
Level ActiveLevel();
// Caps the level for every thread (tests and benchmarks use it to force a lower variant).
void SetLevelCap(Level cap);
Level GetLevelCap();

template <class Fn>
struct Variants {
  Fn plain = nullptr;
  Fn sse2 = nullptr;
  Fn avx2 = nullptr;
  Fn avx512 = nullptr;

  constexpr Fn At(Level level) const {
    switch (level) {
      case Level::Sse2: return sse2;
      case Level::Avx2: return avx2;
      case Level::Avx512: return avx512;
      case Level::Plain: break;
    }
    return plain;
  }
  // The best variant at or below `level`.
  Fn Pick(Level level) const {
    for (int l = static_cast<int>(level); l > 0; --l)
      if (Fn fn = At(static_cast<Level>(l))) return fn;
    return plain;
  }
  // The dispatch point: the variant for the current setting.
  Fn Pick() const { return Pick(ActiveLevel()); }
};

}  // namespace vnimg::simd
