// Row kernels of the point operations: a plain loop per ImgOper value (the reference) and its
// vector variants, gathered in one Variants table per value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/simd.h"

namespace vnimg::point {

// d[i] = OperPixel(op, a[i], b[i], d[i]) for i < n.
using ByteRowFn = void (*)(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* d, std::size_t n);
using WordRowFn = void (*)(const std::uint16_t* a, const std::uint16_t* b, std::uint16_t* d, std::size_t n);
// d[i] = table[x[i]] for i < n; table has 256 entries.
using TableRowFn = void (*)(const std::uint8_t* table, const std::uint8_t* x, std::uint8_t* d, std::size_t n);

// One table per ImgOper value 0 to 34; the plain entry is null for values that have no
// two-operand rule (0, 1, 29 to 32, 34). Ops outside 0 to 34 must not be asked for.
const simd::Variants<ByteRowFn>& ByteRowVariants(int op);
const simd::Variants<WordRowFn>& WordRowVariants(int op);
// Bit-image rows on whole bytes: d[i] = OperBits(op, a[i], b[i], d[i]).
const simd::Variants<ByteRowFn>& BitRowVariants(int op);
const simd::Variants<TableRowFn>& TableRowVariants();

inline constexpr int kOperCount = 35;

#if VNIMG_X86
// Each ISA file's variant for `op`, null where it has none.
ByteRowFn ByteRowSse2(int op);
ByteRowFn ByteRowAvx2(int op);
ByteRowFn ByteRowAvx512(int op);
WordRowFn WordRowSse2(int op);
WordRowFn WordRowAvx2(int op);
WordRowFn WordRowAvx512(int op);
ByteRowFn BitRowSse2(int op);
ByteRowFn BitRowAvx2(int op);
ByteRowFn BitRowAvx512(int op);
void TableRowAvx2(const std::uint8_t* table, const std::uint8_t* x, std::uint8_t* d, std::size_t n);
void TableRowAvx512(const std::uint8_t* table, const std::uint8_t* x, std::uint8_t* d, std::size_t n);
#endif

}  // namespace vnimg::point
