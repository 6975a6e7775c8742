// Projections of an image onto a row (column sums) and onto a column (row sums).
#include <algorithm>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "statistics/stat_frame.h"
#include "statistics/stat_kernels.h"
#include "vnimg/statistics.h"

namespace vnimg::statistics {
namespace {

// Rows whose column sums cannot wrap a 32-bit counter.
template <class T>
constexpr int kRowsPerBlock = static_cast<int>(0xFFFFFFFFu / std::numeric_limits<T>::max());
// Rows the kernels add per call: enough to spare the sums most of their loads and stores, few
// enough that these rows and the next call's, read ahead, stay in the first-level cache when a
// pitch of 4 KiB puts the same columns of every row in the same cache set (measured at
// 4096x4096: 4 rows about 1.3 times as fast as 8).
constexpr int kGroupRows = 4;
static_assert(kGroupRows <= static_cast<int>(kMaxColumnRows));

// Exact column sums: added row by row into 32-bit counters, which move into 64-bit totals
// before they can wrap.
template <class T>
std::vector<std::uint64_t> ColumnTotals(const VnROI<T>& roi) {
  const auto run = [] {
    if constexpr (sizeof(T) == 1) return AddColumns8Variants().Pick();
    else return AddColumns16Variants().Pick();
  }();
  const auto width = static_cast<std::size_t>(roi.GetWidth());
  std::vector<std::uint32_t> block(width, 0);
  std::vector<std::uint64_t> totals(width, 0);
  const auto flush = [&] {
    for (std::size_t x = 0; x < width; ++x) totals[x] += std::exchange(block[x], 0u);
  };
  const frame::Rows<T> rows(roi);
  int inBlock = 0;
  for (int y = 0; y < roi.GetHeight(); y += kGroupRows) {
    const int group = std::min(kGroupRows, roi.GetHeight() - y);
    if (inBlock + group > kRowsPerBlock<T>) flush(), inBlock = 0;
    run(rows.Row(y), rows.pitch, static_cast<std::size_t>(group), block.data(), width);
    inBlock += group;
  }
  flush();
  return totals;
}

// Column sums of each component, three per column.
std::vector<std::uint64_t> ColumnTotals(const VnROI<VnC24>& roi) {
  std::vector<std::uint64_t> totals(3 * static_cast<std::size_t>(roi.GetWidth()), 0);
  ForEachRowSpan(roi, [&](const VnC24* p, std::size_t n) {
    for (std::size_t x = 0; x < n; ++x) totals[3 * x] += p[x].c0, totals[3 * x + 1] += p[x].c1, totals[3 * x + 2] += p[x].c2;
  });
  return totals;
}

template <class T>
std::vector<std::uint64_t> RowTotals(const VnROI<T>& roi) {
  const auto run = [] {
    if constexpr (sizeof(T) == 1) return Sum8Variants().Pick();
    else return Sum16Variants().Pick();
  }();
  std::vector<std::uint64_t> totals;
  totals.reserve(static_cast<std::size_t>(roi.GetHeight()));
  ForEachRowSpan(roi, [&](const T* p, std::size_t n) { totals.push_back(run(p, n)); });
  return totals;
}

std::vector<std::uint64_t> RowTotals(const VnROI<VnC24>& roi) {
  std::vector<std::uint64_t> totals;
  totals.reserve(3 * static_cast<std::size_t>(roi.GetHeight()));
  ForEachRowSpan(roi, [&](const VnC24* p, std::size_t n) {
    std::uint64_t s[3] = {};
    for (std::size_t x = 0; x < n; ++x) s[0] += p[x].c0, s[1] += p[x].c1, s[2] += p[x].c2;
    totals.insert(totals.end(), s, s + 3);
  });
  return totals;
}

std::uint64_t Quotient(std::uint64_t sum, std::uint64_t divisor) { return divisor ? sum / divisor : 0; }

// Element i from its totals (three for colour vectors): the sum cut to 32 bits, or the quotient.
template <class Element>
Element ElementOf(const std::uint64_t* totals, std::uint64_t divisor, bool average) {
  if constexpr (std::is_same_v<Element, VnC24>) {
    return VnC24{static_cast<unsigned char>(Quotient(totals[0], divisor)), static_cast<unsigned char>(Quotient(totals[1], divisor)),
                 static_cast<unsigned char>(Quotient(totals[2], divisor))};
  } else {
    return static_cast<Element>(average ? Quotient(totals[0], divisor) : totals[0]);
  }
}

// onto a row: totals of the columns, divided by the height; onto a column: of the rows, by the width.
template <class T, class Vector>
void Project(VnROI<T>* roi, Vector* projection, bool ontoRow, bool average, const char* trace) {
  using Element = typename Vector::Element;
  constexpr std::size_t kTotals = std::is_same_v<Element, VnC24> ? 3 : 1;
  VnOk();
  if (!frame::CheckNotNull(trace, {projection}) || !CheckBuffer(trace, roi)) return;
  const auto n = static_cast<unsigned int>(ontoRow ? roi->GetWidth() : roi->GetHeight());
  projection->SetMaxElements(n, 1);
  if (VnGetError() == VN_OK) projection->SetNumElements(n);
  if (VnGetError() != VN_OK) return frame::Trace(trace);
  std::fill_n(projection->GetDataPtr(), n, Element{});
  try {
    const std::vector<std::uint64_t> totals = ontoRow ? ColumnTotals(*roi) : RowTotals(*roi);
    const auto divisor = static_cast<std::uint64_t>(ontoRow ? roi->GetHeight() : roi->GetWidth());
    for (unsigned int i = 0; i < n; ++i) projection->GetDataPtr()[i] = ElementOf<Element>(&totals[kTotals * i], divisor, average);
  } catch (const std::bad_alloc&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

// The legacy form: a type-2 vector of n 32-bit sums, with the legacy pre-set codes.
short ProjectLegacy(VnROI<VnBW8>* roi, VnVector* projection, bool ontoRow, const char* trace) {
  VnOk();
  VnSetError(VN_ERR_NULL_ROI);
  if (!roi || !projection || roi->Void()) return static_cast<short>(VnTraceError(trace));
  VnOk();
  if (!roi->CheckValidity()) return static_cast<short>(VnTraceError(trace));
  const int n = ontoRow ? roi->GetWidth() : roi->GetHeight();
  if (projection->SetType(2, 1, n) != VN_OK) return static_cast<short>(VnTraceError(trace));
  VnSetError(VN_ERR_LEGACY_NO_DATA);
  auto* sums = static_cast<std::uint32_t*>(projection->GetDataPtr());
  if (!sums) return static_cast<short>(VnTraceError(trace));
  try {
    const std::vector<std::uint64_t> totals = ontoRow ? ColumnTotals(*roi) : RowTotals(*roi);
    std::transform(totals.begin(), totals.end(), sums, [](std::uint64_t t) { return static_cast<std::uint32_t>(t); });
  } catch (const std::bad_alloc&) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    return static_cast<short>(VnTraceError(trace));
  }
  return static_cast<short>(VnOk());
}

}  // namespace
}  // namespace vnimg::statistics

using namespace vnimg;
using namespace vnimg::statistics;

void ImgProjectOnARow(VnROI<VnBW8>* roi, VnBW32Vector* projection) {
  Project(roi, projection, true, false, "ImgProjectOnARow ( BW8 Image Sum)");
}
void ImgProjectOnARow(VnROI<VnBW8>* roi, VnBW8Vector* projection) {
  Project(roi, projection, true, true, "ImgProjectOnARow ( BW8 Image Average)");
}
void ImgProjectOnARow(VnROI<VnBW16>* roi, VnBW32Vector* projection) {
  Project(roi, projection, true, false, "ImgProjectOnARow ( BW16 Image Sum)");
}
void ImgProjectOnARow(VnROI<VnBW16>* roi, VnBW16Vector* projection) {
  Project(roi, projection, true, true, "ImgProjectOnARow ( BW16 Image Average)");
}
void ImgProjectOnARow(VnROI<VnC24>* roi, VnC24Vector* projection) {
  Project(roi, projection, true, true, "ImgProjectOnARow ( C24 Image Average)");
}

void ImgProjectOnAColumn(VnROI<VnBW8>* roi, VnBW32Vector* projection) {
  Project(roi, projection, false, false, "ImgProjectOnAColumn ( BW8 Image Sum)");
}
void ImgProjectOnAColumn(VnROI<VnBW8>* roi, VnBW8Vector* projection) {
  Project(roi, projection, false, true, "ImgProjectOnAColumn ( BW8 Image Average)");
}
void ImgProjectOnAColumn(VnROI<VnBW16>* roi, VnBW32Vector* projection) {
  Project(roi, projection, false, false, "ImgProjectOnAColumn ( BW16 Image Sum)");
}
void ImgProjectOnAColumn(VnROI<VnBW16>* roi, VnBW16Vector* projection) {
  Project(roi, projection, false, true, "ImgProjectOnAColumn ( BW16 Image Average)");
}
void ImgProjectOnAColumn(VnROI<VnC24>* roi, VnC24Vector* projection) {
  Project(roi, projection, false, true, "ImgProjectOnAColumn ( C24 Image Average)");
}

short ImgProjectOnARow(VnROI<VnBW8>* roi, VnVector* projection) {
  return ProjectLegacy(roi, projection, true, "ImgProjectOnARow ( VnVector)");
}
short ImgProjectOnAColumn(VnROI<VnBW8>* roi, VnVector* projection) {
  return ProjectLegacy(roi, projection, false, "ImgProjectOnAColumn");
}
