// Row plumbing shared by the point operations: images and constants as rows of elements
// (bytes for VnBW8 and VnC24, words for VnBW16), copy and fill.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "foundation/frame.h"
#include "point/oper_rows.h"

namespace vnimg::point {

// The element the rules work on: each VnC24 channel is a byte.
template <class P>
using Elem = std::conditional_t<std::is_same_v<P, VnBW16>, std::uint16_t, std::uint8_t>;

template <class P>
constexpr std::size_t ElemsPerPixel() {
  return sizeof(P) / sizeof(Elem<P>);
}

// Rows of elements a pitch apart; a pitch of 0 repeats one row (a constant operand).
template <class E>
struct ElemRows {
  E* base;
  std::ptrdiff_t pitch;
  E* Row(int y) const {
    using Byte = std::conditional_t<std::is_const_v<E>, const unsigned char, unsigned char>;
    return reinterpret_cast<E*>(reinterpret_cast<Byte*>(base) + pitch * y);
  }
};

template <class E, class P>
ElemRows<E> RowsOf(const VnROI<P>& roi) {
  return {static_cast<E*>(roi.GetGenericImagePtr(0, 0)), roi.GetRowPitch()};
}

template <class E>
ElemRows<const E> RepeatedRow(const std::vector<E>& row) {
  return {row.data(), 0};
}

// `width` copies of value's elements, in memory order.
template <class P>
std::vector<Elem<P>> ConstantRow(P value, int width) {
  std::vector<Elem<P>> row(static_cast<std::size_t>(width) * ElemsPerPixel<P>());
  for (std::size_t i = 0; i < row.size(); i += ElemsPerPixel<P>()) std::memcpy(&row[i], &value, sizeof(P));
  return row;
}

inline ByteRowFn PickRow(int op, std::uint8_t) { return ByteRowVariants(op).Pick(); }
inline WordRowFn PickRow(int op, std::uint16_t) { return WordRowVariants(op).Pick(); }

// d = row(a, b) over `height` rows of n elements.
template <class E>
void RunRows(void (*row)(const E*, const E*, E*, std::size_t), ElemRows<const E> a, ElemRows<const E> b,
             ElemRows<E> d, std::size_t n, int height) {
  for (int y = 0; y < height; ++y) row(a.Row(y), b.Row(y), d.Row(y), n);
}

// Row copy (memmove: the destination may be the source) and fill; no checks.
template <class T>
void CopyRows(const VnROI<T>& src, VnROI<T>& dst) {
  const std::size_t bytes = static_cast<std::size_t>(src.GetWidth()) * sizeof(T);
  frame::ForEachRow(src, dst, [&](const T* s, T* d, int) { std::memmove(d, s, bytes); });
}
template <class T>
void FillRows(T value, VnROI<T>& dst) {
  frame::ForEachRow(dst, [&](T* d, int width) { std::fill_n(d, width, value); });
}

// The checked image-to-image and constant forms, under the caller's trace name.
template <class T>
void CopyImage(const VnROI<T>* src, VnROI<T>* dst, const char* trace) {
  if (!frame::CheckNotNull(trace, {src, dst}) || !frame::CheckRois(trace, {src, dst})) return;
  CopyRows(*src, *dst);
}
template <class T>
void FillImage(T value, VnROI<T>* dst, const char* trace) {
  if (!frame::CheckNotNull(trace, {dst}) || !frame::CheckRois(trace, {dst})) return;
  FillRows(value, *dst);
}

}  // namespace vnimg::point
