// Counts of the positions where two images differ.
#include <optional>

#include "foundation/bw1_pair.h"
#include "statistics/stat_frame.h"
#include "statistics/stat_kernels.h"
#include "vnimg/statistics.h"

namespace vnimg::statistics {
namespace {

template <class T, class Run>
unsigned int Compare(VnROI<T>* a, VnROI<T>* b, const char* trace, Run run) {
  VnOk();
  if (!frame::CheckRois(trace, {a, b})) return 0;
  std::uint64_t count = 0;
  frame::ForEachRow(*a, *b, [&](const T* p, const T* q, int width) { count += run(p, q, static_cast<std::size_t>(width)); });
  return static_cast<unsigned int>(count);
}

std::uint64_t DifferColours(const VnC24* a, const VnC24* b, std::size_t n) {
  std::uint64_t count = 0;
  for (std::size_t i = 0; i < n; ++i) count += !(a[i] == b[i]);
  return count;
}

}  // namespace
}  // namespace vnimg::statistics

using namespace vnimg;
using namespace vnimg::statistics;

unsigned int ImgPixelCompare(VnROI<VnBW8>* a, VnROI<VnBW8>* b) {
  return Compare(a, b, "ImgPixelCompare ( BW8)", Differ8Variants().Pick());
}

unsigned int ImgPixelCompare(VnROI<VnBW16>* a, VnROI<VnBW16>* b) {
  return Compare(a, b, "ImgPixelCompare ( BW16)", Differ16Variants().Pick());
}

unsigned int ImgPixelCompare(VnROI<VnC24>* a, VnROI<VnC24>* b) { return Compare(a, b, "ImgPixelCompare ( C24)", DifferColours); }

unsigned int ImgPixelCompareAligned(VnROI<VnBW1>* a, VnROI<VnBW1>* b) {
  frame::CheckAlignedRois({a, b});
  if (a->GetBitOffset(0, 0) != 0 || b->GetBitOffset(0, 0) != 0) throw Korvane::Quandor::Exception(VN_ERR_BW1_NOT_ALIGNED);
  const auto run = DifferBitsVariants().Pick();
  const std::size_t fullBytes = static_cast<std::size_t>(a->GetWidth()) / 8;
  const int lastBits = a->GetWidth() % 8;
  std::uint64_t count = 0;
  frame::ForEachRow(*a, *b, [&](const std::uint8_t* p, const std::uint8_t* q, int) {
    count += run(p, q, fullBytes);
    if (lastBits) count += DifferLeadingBits(p[fullBytes], q[fullBytes], lastBits);
  });
  return static_cast<unsigned int>(count);
}

unsigned int ImgPixelCompare(VnROI<VnBW1>* a, VnROI<VnBW1>* b) {
  constexpr const char* kTrace = "ImgPixelCompare (BW1)";
  VnOk();
  if (!frame::CheckNotNull(kTrace, {a, b})) return 0;
  try {
    std::optional<VnImage<VnBW1>> alignedA, alignedB;
    VnROI<VnBW1>* pa = a;
    VnROI<VnBW1>* pb = b;
    if (a->GetBitOffset(0, 0) != 0) frame::detail::MakeAlignedCopy(*a, alignedA), pa = &*alignedA;
    if (b->GetBitOffset(0, 0) != 0) frame::detail::MakeAlignedCopy(*b, alignedB), pb = &*alignedB;
    return ImgPixelCompareAligned(pa, pb);
  } catch (const Korvane::Quandor::Exception& e) {
    VnSetError(e.code);
    VnTraceError(kTrace);
  } catch (const std::bad_alloc&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, kTrace);
  }
  return 0;
}
