// Gravity centre and centroid from column and row tables, and second-order inertia.
#include <memory>
#include <new>
#include <utility>

#include "foundation/frame.h"
#include "statistics/centre_kernels.h"
#include "statistics/moments_sums.h"
#include "vnimg/moments.h"

namespace vnimg::moments {
namespace {

// One table of weights per column and one per row. Columns count in 32 bits and move to 64
// bits before any could wrap: a span adds at most 65535 to a column.
class CentreTables {
 public:
  CentreTables(int width, int height)
      : m_narrow(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(width)]()),
        m_columns(new (std::nothrow) std::uint64_t[static_cast<std::size_t>(width)]()),
        m_rows(new (std::nothrow) std::uint64_t[static_cast<std::size_t>(height)]()),
        m_width(width),
        m_height(height) {}
  bool Ok() const { return m_narrow && m_columns && m_rows; }
  // Pixels x .. x + n - 1 of row y: addColumns(columns) adds their weights to the counts of
  // their columns and returns the total.
  template <class AddColumnsFn>
  void Add(int x, int y, AddColumnsFn addColumns) {
    if (m_spans == kSpansBetweenMoves) MoveColumns();
    ++m_spans;
    m_rows[y] += addColumns(m_narrow.get() + x);
  }
  // The means of the column and row indices under the tables' weights (0 when they are all 0).
  void Store(float& x, float& y) {
    MoveColumns();
    x = Mean(m_columns.get(), m_width);
    y = Mean(m_rows.get(), m_height);
  }

 private:
  static constexpr unsigned kSpansBetweenMoves = 65536;

  void MoveColumns() {
    for (int i = 0; i < m_width; ++i) m_columns[i] += std::exchange(m_narrow[i], 0u);
    m_spans = 0;
  }
  static float Mean(const std::uint64_t* table, int n) {
    double total = 0, weighted = 0;
    for (int i = 0; i < n; ++i) {
      total += static_cast<double>(table[i]);
      weighted += static_cast<double>(table[i]) * i;
    }
    return total == 0 ? 0.0f : static_cast<float>(weighted / total);
  }

  std::unique_ptr<std::uint32_t[]> m_narrow;
  std::unique_ptr<std::uint64_t[]> m_columns;
  std::unique_ptr<std::uint64_t[]> m_rows;
  int m_width;
  int m_height;
  unsigned m_spans = 0;
};

// Checks the ROI and gets the tables; false (traced) on failure.
template <class T>
bool StartCentre(VnROI<T>* src, const char* trace, std::unique_ptr<CentreTables>& tables) {
  if (!frame::CheckEachRoi(trace, {src})) return false;
  tables.reset(new (std::nothrow) CentreTables(src->GetWidth(), src->GetHeight()));
  if (tables && tables->Ok()) return true;
  frame::Fail(VN_ERR_WORK_ARRAY, trace);
  return false;
}

bool LutIsUsable(const VnBW8Vector* lut) { return !lut || lut->GetNumElements() == 256; }

// N, Sx, Sy, Sxx, Sxy, Syy of the counted pixels: each span adds double(y^q row[p]) to
// its sum, the product exact.
struct InertiaSums {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;

  void AddSpan(const RowSums& row, unsigned y) {
    const Wide yw = y;
    n += static_cast<double>(row.s[0]);
    sx += static_cast<double>(row.s[1]);
    sxx += static_cast<double>(row.s[2]);
    sy += static_cast<double>(yw * row.s[0]);
    sxy += static_cast<double>(yw * row.s[1]);
    syy += static_cast<double>(yw * yw * row.s[0]);
  }
  void Store(float& varX, float& covXY, float& varY, float* centerX, float* centerY, unsigned int* mass) const {
    const double n2 = n * n;
    varX = static_cast<float>((n * sxx - sx * sx) / n2);
    covXY = static_cast<float>((n * sxy - sx * sy) / n2);
    varY = static_cast<float>((n * syy - sy * sy) / n2);
    if (centerX) *centerX = static_cast<float>(sx / n);
    if (centerY) *centerY = static_cast<float>(sy / n);
    if (mass) *mass = static_cast<unsigned int>(static_cast<std::uint64_t>(n));
  }
};

// stretchSums(pixels, count, sums) adds the second-order power sums of `count` pixels.
template <class StretchSums>
InertiaSums SumInertia(const VnROI<VnBW8>& src, StretchSums stretchSums) {
  InertiaSums sums;
  ForEachSpan(src, [&](const VnBW8* pixels, int x, int y, int n) {
    const auto stretch = [&](int first, int count, PowerSums& s) { stretchSums(pixels + first, count, s); };
    sums.AddSpan(SpanSums(n, x, 2, stretch), static_cast<unsigned>(y));
  });
  return sums;
}

}  // namespace

std::uint64_t CountColumns8Plain(const VnBW8* p, int n, unsigned threshold, std::uint32_t* columns) {
  return AddColumns(p, 0, n, [threshold](VnBW8 v) { return BinaryWeight(v, threshold); }, columns);
}

std::uint64_t WeighColumns8Plain(const VnBW8* p, int n, std::uint32_t* columns) {
  return AddColumns(p, 0, n, [](VnBW8 v) { return unsigned{v}; }, columns);
}

const simd::Variants<CountColumns8Fn>& CountColumns8Variants() {
  static constexpr simd::Variants<CountColumns8Fn> kVariants{&CountColumns8Plain, VNIMG_X86_VARIANT(CountColumns8Sse2),
                                                             VNIMG_X86_VARIANT(CountColumns8Avx2), nullptr};
  return kVariants;
}

const simd::Variants<WeighColumns8Fn>& WeighColumns8Variants() {
  static constexpr simd::Variants<WeighColumns8Fn> kVariants{&WeighColumns8Plain, VNIMG_X86_VARIANT(WeighColumns8Sse2),
                                                             VNIMG_X86_VARIANT(WeighColumns8Avx2), nullptr};
  return kVariants;
}

}  // namespace vnimg::moments

using namespace vnimg;
using namespace vnimg::moments;

void ImgGravityCenter(VnROI<VnBW8>* src, unsigned int threshold, float& x, float& y) {
  constexpr const char* kTrace = "ImgGravityCenter";
  x = y = 0;
  VnOk();
  std::unique_ptr<CentreTables> tables;
  if (!StartCentre(src, kTrace, tables)) return;
  const CountColumns8Fn run = CountColumns8Variants().Pick();
  ForEachSpan(*src, [&](const VnBW8* pixels, int px, int py, int n) {
    tables->Add(px, py, [&](std::uint32_t* columns) { return run(pixels, n, threshold, columns); });
  });
  tables->Store(x, y);
}

void ImgGravityCenter(VnROI<VnBW16>* src, unsigned int threshold, float& x, float& y) {
  constexpr const char* kTrace = "ImgGravityCenter (BW16)";
  x = y = 0;
  VnOk();
  std::unique_ptr<CentreTables> tables;
  if (!StartCentre(src, kTrace, tables) || src->GetMaskRunCount() != 0) return;
  const frame::Rows<VnBW16> rows(*src);
  for (int row = 0; row < src->GetHeight(); ++row)
    tables->Add(0, row, [&](std::uint32_t* columns) {
      return AddColumns(rows.Row(row), 0, src->GetWidth(), [threshold](VnBW16 v) { return BinaryWeight(v, threshold); }, columns);
    });
  tables->Store(x, y);
}

void ImgCentroid(VnROI<VnBW8>* src, float& x, float& y, VnBW8Vector* lut) {
  constexpr const char* kTrace = "ImgCentroid";
  x = y = 0;
  VnOk();
  if (!frame::CheckNotNull(kTrace, {src})) return;
  if (!LutIsUsable(lut)) return frame::Fail(VN_ERR_VECTOR_SIZE, kTrace);
  std::unique_ptr<CentreTables> tables;
  if (!StartCentre(src, kTrace, tables)) return;
  const VnBW8* table = lut ? lut->GetDataPtr() : nullptr;
  const WeighColumns8Fn run = WeighColumns8Variants().Pick();
  ForEachSpan(*src, [&](const VnBW8* pixels, int px, int py, int n) {
    tables->Add(px, py, [&](std::uint32_t* columns) {
      return table ? AddColumns(pixels, 0, n, [table](VnBW8 v) { return unsigned{table[v]}; }, columns) : run(pixels, n, columns);
    });
  });
  tables->Store(x, y);
}

void ImgInertia(VnROI<VnBW8>* src, unsigned int threshold, float& varX, float& covXY, float& varY, float* centerX,
                float* centerY, unsigned int* count) {
  constexpr const char* kTrace = "ImgInertia ( binary)";
  VnOk();
  if (!frame::CheckEachRoi(kTrace, {src})) return;
  const Binary8Fn run = Binary8Variants().Pick();
  const InertiaSums sums = SumInertia(*src, [&](const VnBW8* p, int n, PowerSums& s) { run(p, n, threshold, 2, s); });
  if (sums.n != 0) sums.Store(varX, covXY, varY, centerX, centerY, count);
}

void ImgInertia(VnROI<VnBW8>* src, float& varX, float& covXY, float& varY, float* centerX, float* centerY,
                unsigned int* mass, VnBW8Vector* lut) {
  constexpr const char* kTrace = "ImgInertia ( weighted)";
  VnOk();
  if (!frame::CheckNotNull(kTrace, {src})) return;
  if (!LutIsUsable(lut)) return frame::Fail(VN_ERR_VECTOR_SIZE, kTrace);
  if (!frame::CheckEachRoi(kTrace, {src})) return;
  InertiaSums sums;
  if (const VnBW8* table = lut ? lut->GetDataPtr() : nullptr) {
    sums = SumInertia(*src, [table](const VnBW8* p, int n, PowerSums& s) {
      AddPowerSums(p, 0, n, 2, [table](VnBW8 v) { return unsigned{table[v]}; }, s);
    });
  } else {
    const Weighted8Fn run = Weighted8Variants().Pick();
    sums = SumInertia(*src, [&](const VnBW8* p, int n, PowerSums& s) { run(p, n, 2, s); });
  }
  if (sums.n != 0) sums.Store(varX, covXY, varY, centerX, centerY, mass);
}
