#include "point/oper_rows.h"

#include <array>
#include <utility>

#include "point/oper_kernels.h"

namespace vnimg::point {
namespace {

template <class T, int Op>
void OperRowPlain(const T* a, const T* b, T* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = OperPixel<T>(Op, a[i], b[i], d[i]);
}

template <int Op>
void BitRowPlain(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = OperBits(Op, a[i], b[i], d[i]);
}

void TableRowPlain(const std::uint8_t* table, const std::uint8_t* x, std::uint8_t* d, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] = table[x[i]];
}

template <class T, int Op>
constexpr auto PlainEntry() -> void (*)(const T*, const T*, T*, std::size_t) {
  if constexpr (HasTwoOperandRule(Op)) return &OperRowPlain<T, Op>;
  else return nullptr;
}
template <int Op>
constexpr ByteRowFn BitPlainEntry() {
  if constexpr (HasBitRule(Op)) return &BitRowPlain<Op>;
  else return nullptr;
}

// The table of every value: its plain loop and what each ISA file offers for it.
template <class Fn, class Plain>
std::array<simd::Variants<Fn>, kOperCount> Gather(Plain plain, [[maybe_unused]] Fn (*sse2)(int),
                                                  [[maybe_unused]] Fn (*avx2)(int),
                                                  [[maybe_unused]] Fn (*avx512)(int)) {
  std::array<simd::Variants<Fn>, kOperCount> table{};
  for (int op = 0; op < kOperCount; ++op) {
    table[op].plain = plain[op];
#if VNIMG_X86
    if (!plain[op]) continue;
    table[op].sse2 = sse2(op);
    table[op].avx2 = avx2(op);
    table[op].avx512 = avx512(op);
#endif
  }
  return table;
}

template <class T, int... Ops>
constexpr auto PlainTable(std::integer_sequence<int, Ops...>) {
  return std::array<void (*)(const T*, const T*, T*, std::size_t), sizeof...(Ops)>{PlainEntry<T, Ops>()...};
}
template <int... Ops>
constexpr auto BitPlainTable(std::integer_sequence<int, Ops...>) {
  return std::array<ByteRowFn, sizeof...(Ops)>{BitPlainEntry<Ops>()...};
}

#if VNIMG_X86
#define VNIMG_ISA_GETTERS(prefix) prefix##Sse2, prefix##Avx2, prefix##Avx512
#else
#define VNIMG_ISA_GETTERS(prefix) nullptr, nullptr, nullptr
#endif

constexpr auto kOps = std::make_integer_sequence<int, kOperCount>{};

}  // namespace

const simd::Variants<ByteRowFn>& ByteRowVariants(int op) {
  static const auto kTable = Gather<ByteRowFn>(PlainTable<std::uint8_t>(kOps), VNIMG_ISA_GETTERS(ByteRow));
  return kTable[static_cast<std::size_t>(op)];
}

const simd::Variants<WordRowFn>& WordRowVariants(int op) {
  static const auto kTable = Gather<WordRowFn>(PlainTable<std::uint16_t>(kOps), VNIMG_ISA_GETTERS(WordRow));
  return kTable[static_cast<std::size_t>(op)];
}

const simd::Variants<ByteRowFn>& BitRowVariants(int op) {
  static const auto kTable = Gather<ByteRowFn>(BitPlainTable(kOps), VNIMG_ISA_GETTERS(BitRow));
  return kTable[static_cast<std::size_t>(op)];
}

const simd::Variants<TableRowFn>& TableRowVariants() {
  static constexpr simd::Variants<TableRowFn> kVariants{
      .plain = TableRowPlain,
      .avx2 = VNIMG_X86_VARIANT(TableRowAvx2),
      .avx512 = VNIMG_X86_VARIANT(TableRowAvx512),
  };
  return kVariants;
}

}  // namespace vnimg::point
