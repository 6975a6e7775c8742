// ImgLut and ImgTransform: tables applied row by row; the 8-bit table runs through the shared
// byte-table row kernel (vector permutes or shuffles).
#include <cstdint>

#include "point/lut_frame.h"
#include "point/oper_rows.h"
#include "vnimg/lut.h"

namespace {

using namespace vnimg;

template <class T, class W>
void ApplyTable(const VnROI<T>& src, VnROI<W>& dst, const W* table, unsigned shift, unsigned mask) {
  frame::ForEachRow(src, dst, [&](const T* s, W* d, int width) {
    for (int x = 0; x < width; ++x) d[x] = table[(static_cast<unsigned>(s[x]) >> shift) & mask];
  });
}

}  // namespace

void ImgLut(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, const VnBW8* lut) {
  if (!lut) {
    VnOk();
    VnSetError(VN_ERR_NULL_ROI);
    return;
  }
  if (!lut::UntracedRoisUsable({src, dst})) return;
  const point::TableRowFn row = point::TableRowVariants().Pick();
  frame::ForEachRow(*src, *dst, [&](const VnBW8* s, VnBW8* d, int width) { row(lut, s, d, static_cast<std::size_t>(width)); });
}

void ImgLut(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnBW8Vector* lut) {
  constexpr const char* kTrace = "ImgLut";
  VnOk();
  if (!frame::CheckNotNull(kTrace, {src, dst, lut})) return;
  if (!src->CheckSameSize(dst)) return frame::Trace(kTrace);
  if (lut->GetNumElements() != 256) return frame::Fail(VN_ERR_VECTOR_SIZE, kTrace);
  ImgLut(src, dst, static_cast<const VnBW8*>(lut->GetDataPtr()));
  if (VnGetError()) frame::Trace(kTrace);
}

void ImgLut(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnBW16* lut) {
  constexpr const char* kTrace = "ImgLut (BW16)";
  VnOk();
  if (!lut::Usable(kTrace, {lut}, {src, dst})) return;
  ApplyTable(*src, *dst, lut, 0, 0xFFFF);
}

void ImgLut(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnBW16Vector* lut) {
  constexpr const char* kTrace = "ImgLut (BW16)";
  VnOk();
  if (!lut::Usable(kTrace, {lut}, {src, dst})) return;
  if (lut->GetNumElements() != 65536) return frame::Fail(VN_ERR_VECTOR_SIZE, kTrace);
  ApplyTable(*src, *dst, lut->GetDataPtr(), 0, 0xFFFF);
}

void ImgLut(VnROI<VnBW16>* src, VnROI<VnBW8>* dst, VnBW8Vector* lut, unsigned int shift) {
  constexpr const char* kTrace = "ImgLut ( BW16 to BW8)";
  VnOk();
  if (!frame::CheckNotNull(kTrace, {src, dst, lut})) return;
  if (!src->CheckSameSize(dst)) return frame::Trace(kTrace);
  if (!frame::CheckEachRoi(kTrace, {src, dst})) return;
  const unsigned n = lut->GetNumElements();
  unsigned bits = 0;
  while (n > 1 && (n >> (bits + 1)) != 0) ++bits;
  const std::uint64_t size = std::uint64_t{1} << bits;
  if (shift == 4294967295u) shift = bits > 16 ? 0 : 16 - bits;
  else if (std::uint64_t{bits} + shift >= 17) return frame::Fail(VN_ERR_PARAM_4, kTrace);
  if (bits > 16 || n != size) return frame::Fail(VN_ERR_VECTOR_SIZE, kTrace);
  ApplyTable(*src, *dst, lut->GetDataPtr(), shift, static_cast<unsigned>(size - 1));
}

void ImgTransform(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnBW8 (*f)(VnBW8), int useTable) {
  constexpr const char* kTrace = "ImgTransform";
  VnOk();
  if (!lut::Usable(kTrace, {reinterpret_cast<const void*>(f)}, {src, dst})) return;
  if (!useTable) {
    frame::ForEachRow(*src, *dst, [&](const VnBW8* s, VnBW8* d, int width) {
      for (int x = 0; x < width; ++x) d[x] = f(s[x]);
    });
    return;
  }
  VnBW8 table[256];
  for (int v = 0; v < 256; ++v) table[v] = f(static_cast<VnBW8>(v));
  ImgLut(src, dst, table);
}

void ImgTransform(VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnBW16 (*f)(VnBW16)) {
  constexpr const char* kTrace = "ImgTransform (BW16)";
  VnOk();
  if (!lut::Usable(kTrace, {reinterpret_cast<const void*>(f)}, {src, dst})) return;
  frame::ForEachRow(*src, *dst, [&](const VnBW16* s, VnBW16* d, int width) {
    for (int x = 0; x < width; ++x) d[x] = f(s[x]);
  });
}
