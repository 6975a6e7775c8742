// Gray-level histograms, their features, and automatic threshold selection from them.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <utility>

#include "vnimg/exception.h"
#include "vnimg/platform/core.h"
#include "vnimg/platform/legacy_vector.h"
#include "vnimg/platform/roi.h"
#include "vnimg/vector.h"

// ---------------------------------------------------------------------------------------------
// Histograms

// hist[v] = number of pixels of value v: 256 bins. When src carries mask runs, only the pixels
// of the runs count. Runs are clipped to the ROI's memory (from pixel (0, 0) to just past the
// last pixel), so a run that crosses a row end also counts the bytes between the rows.
// Errors: null operand 1400; src's validity code; hist's allocation failure.
void ImgHistogram(VnROI<VnBW8>* src, VnBWHistogramVector* hist);

// hist[bin] with bin = v >> (msb - bits + 1), 2^bits bins; with saturate non-zero a bin beyond
// the last counts in the last, otherwise such a pixel is not counted. Mask runs are not used.
// Errors, in order: null operand 1400; msb >= 16 1013; bits > msb + 1 1014; src's validity
// code; hist's allocation failure.
void ImgHistogram(VnROI<VnBW16>* src, VnBWHistogramVector* hist, unsigned int msb, unsigned int bits,
                  int saturate = 1);
// As the VnBW16 form with msb < 32; bits = 32 (2^32 bins cannot be held) gives 1014.
void ImgHistogram(VnROI<VnBW32>* src, VnBWHistogramVector* hist, unsigned int msb, unsigned int bits,
                  int saturate = 1);

// Legacy: hist (re-typed as a vector of type 2 when it is not one) gets the 256 counts of the
// whole rectangle; mask runs are not used. Returns the code: null operand or no pixels 1400;
// hist without data 1601. Unlike the other legacy forms it also runs src's validity check,
// after the pixel check and before hist is touched: a ROI outside its parent (or of negative
// size) would be counted from memory that is not its own, so it fails with that check's code
// (1420, 1421), traced "ImgHistogram ( VnVector)", and hist is left as it was.
short ImgHistogram(VnROI<VnBW8>* src, VnVector* hist);

// dst[i] = src[0] + ... + src[i] in unsigned 32-bit arithmetic; dst may be src.
// Errors: null vector 1400; dst's allocation failure.
void ImgCumulateHistogram(VnBWHistogramVector* src, VnBWHistogramVector* dst);

// lut[i] = floor(255 * (hist[0] + ... + hist[i - 1]) / N), N the total count; an all-zero
// histogram gives the identity table. Errors: null vector 1400; hist not 256 bins 1613; lut's
// allocation failure.
void ImgSetupEqualize(VnBWHistogramVector* hist, VnBW8Vector* lut);
// Legacy: lut[i] = floor(256 * (hist[0] + ... + hist[i - 1]) / N) kept in 8 bits (256 becomes 0);
// an all-zero histogram gives the identity table. Returns the code: null vector 1400; hist not
// of type 2 1603; a vector without data (or too short) 1601.
short ImgSetupEqualize(VnVector* hist, VnVector* lut);

enum IMG_HISTOGRAM_FEATURE : int {
  IMG_HIST_MODE_VALUE = 0,       // lowest bin of the largest count; 0 when all are 0
  IMG_HIST_MODE_COUNT = 1,       // that count
  IMG_HIST_RAREST_VALUE = 2,     // lowest bin of the smallest non-zero count; 0 when none
  IMG_HIST_RAREST_COUNT = 3,     // that count; -1 when none
  IMG_HIST_FIRST_USED_VALUE = 4, // lowest non-empty bin; hi + 1 when none
  IMG_HIST_LAST_USED_VALUE = 5,  // highest non-empty bin; lo - 1 when none
  IMG_HIST_TOTAL_COUNT = 6,      // sum of the counts
  IMG_HIST_MEAN = 7,             // sum count(i) * i / sum count(i); 0 without pixels
  IMG_HIST_STD_DEV = 8,          // population standard deviation; 0 without pixels
};

// The feature over bins lo..hi. Integer features come back as signed 32-bit values; a feature
// outside the enumeration gives 0 without error. Errors (result 0), in order: null 1400; not
// 256 bins 1613; lo < 0 1013; hi >= 256 1014; hi < lo 1007.
float ImgAnalyseHistogram(VnBWHistogramVector* hist, IMG_HISTOGRAM_FEATURE feature, int lo = 0, int hi = 255);
// As above over any number of bins: lo < 0 1013; hi >= bins 1014; hi < lo 1007.
float ImgAnalyseHistogramBW16(VnBWHistogramVector* hist, IMG_HISTOGRAM_FEATURE feature, int lo = 0, int hi = 65535);
// Legacy: features 0 to 6 into result (other features: nothing written, success). lo and hi
// are not checked; bins outside 0..255 count as empty, and the "none" results hi + 1 and
// lo - 1 saturate at INT_MAX and INT_MIN. Returns the code: null 1400; hist not
// of type 2 1602; no data 1601.
short ImgAnalyseHistogram(VnVector* hist, int lo, int hi, int feature, int& result);
// Legacy: features 7 and 8 into result; otherwise as the int form.
short ImgAnalyseHistogram(VnVector* hist, int lo, int hi, int feature, float& result);

// ---------------------------------------------------------------------------------------------
// Threshold selection

// A threshold argument: an absolute level (a bin index) below 0xFFFFFFF8, or one of the modes.
enum IMG_THRESHOLD_MODES : unsigned int {
  IMG_THRESHOLD_MIN_SQ_ERROR = 0xFFFFFFF8u,   // least squared error to the binarised image
  IMG_THRESHOLD_MIN_ABS_ERROR = 0xFFFFFFF9u,  // least absolute error to the binarised image
  IMG_THRESHOLD_ISODATA = 0xFFFFFFFAu,        // nearest to the mid-point of the class means
  IMG_THRESHOLD_MAX_ENTROPY = 0xFFFFFFFBu,    // largest sum of the two class entropies
  IMG_THRESHOLD_MIN_RESIDUE = 0xFFFFFFFCu,    // least within-class residue
  IMG_THRESHOLD_RELATIVE = 0xFFFFFFFDu,       // a given fraction of the pixels below
};

namespace Korvane::Quandor::Utils {

// A growable array, 32 more elements at a time. Elements are copied in and destroyed on
// Clear, so an element may own storage itself (a partition's classes). Indexing at or past
// the size throws Korvane::Quandor::Exception(1011); storage that cannot be had throws it with
// 1303 and leaves the vector as it was.
template <class T>
class Vector {
 public:
  Vector() = default;
  Vector(const Vector& other) { *this = other; }
  Vector& operator=(const Vector& other) {
    if (this == &other) return *this;
    Vector copy;
    copy.Reserve(other.m_size);
    for (int i = 0; i < other.m_size; ++i) copy.Append(other.m_data[i]);
    Swap(copy);
    return *this;
  }
  Vector(Vector&& other) noexcept { Swap(other); }
  Vector& operator=(Vector&& other) noexcept {
    Vector taken(std::move(other));
    Swap(taken);
    return *this;
  }
  ~Vector() { Clear(); }

  int GetSize() const { return m_size; }
  int GetCapacity() const { return m_capacity; }
  T* GetData() const { return m_data; }

  void Append(const T& element) {
    if (m_size < m_capacity) {
      ::new (static_cast<void*>(m_data + m_size)) T(element);
    } else {
      // Past INT_MAX elements the capacity cannot grow: refused like missing storage.
      if (m_capacity > std::numeric_limits<int>::max() - kGrowth) throw Korvane::Quandor::Exception(VN_ERR_OUT_OF_MEMORY);
      T copy(element);  // element may live in this vector
      Reserve(m_capacity + kGrowth);
      ::new (static_cast<void*>(m_data + m_size)) T(std::move(copy));
    }
    ++m_size;
  }
  // Releases the storage: size and capacity 0.
  void Clear() {
    std::destroy_n(m_data, m_size);
    Quandor_Free(m_data);
    m_data = nullptr;
    m_size = m_capacity = 0;
  }
  T& operator[](int i) const {
    if (i < 0 || i >= m_size) throw Korvane::Quandor::Exception(VN_ERR_PARAM_1);
    return m_data[i];
  }

 private:
  static constexpr int kGrowth = 32;

  void Reserve(int capacity) {
    if (capacity <= m_capacity) return;
    T* data = static_cast<T*>(Quandor_Malloc(sizeof(T) * std::size_t(capacity)));
    if (!data) throw Korvane::Quandor::Exception(VN_ERR_OUT_OF_MEMORY);
    std::uninitialized_move_n(m_data, m_size, data);
    std::destroy_n(m_data, m_size);
    Quandor_Free(m_data);
    m_data = data;
    m_capacity = capacity;
  }
  void Swap(Vector& other) {
    std::swap(m_data, other.m_data);
    std::swap(m_size, other.m_size);
    std::swap(m_capacity, other.m_capacity);
  }

  T* m_data = nullptr;
  int m_size = 0;
  int m_capacity = 0;
};

}  // namespace Korvane::Quandor::Utils

// One class of a multi-level partition: bins first..last (inclusive).
struct VnRegionDescriptor {
  std::uint32_t m_un32First = 0;
  std::uint32_t m_un32Last = 0;
  float m_f32Mean = 0.0f;
  float m_f32Variance = 0.0f;  // population variance of the gray level
  std::int32_t m_n32Count = 0;
};

// One partition: its classes in increasing bin order and the RMS distance of the pixels to
// their class mean.
struct VnLabelisationDescriptor {
  Korvane::Quandor::Utils::Vector<VnRegionDescriptor> m_regions;
  float m_f32Residual = 0.0f;
};

// The threshold of `threshold`'s mode over bins lo..hi of a 256-bin histogram (or checks an
// absolute one), with the mean of each class: lower = bins below the threshold, upper = the
// threshold and above (the error modes report their lower class inclusively and each class's
// mean error). An empty class gets lo (lower) or hi + 1 (upper). Errors leave every output
// unchanged, in order: null 1400; not 256 bins 1613; lo >= 256 1015; hi >= 256 1016; lo >= hi
// 1007; relative mode with the fraction outside [0, 1] (or NaN) 1015; an absolute threshold
// outside [lo, hi], 0xFFFFFFFE or 0xFFFFFFFF 1012.
void ImgHistogramThreshold(VnBWHistogramVector* hist, unsigned int& threshold, float& belowAverage,
                           float& aboveAverage, float relativeThreshold = 0.5f, unsigned int lo = 0,
                           unsigned int hi = 255);
// As above over a 65536-bin histogram (bounds 65536), with 64-bit sums and double criteria.
void ImgHistogramThresholdBW16(VnBWHistogramVector* hist, unsigned int& threshold, float& belowAverage,
                               float& aboveAverage, float relativeThreshold = 0.5f, unsigned int lo = 0,
                               unsigned int hi = 65535);

// Iterated mid-point of the two class means (lower class lo..t inclusive), at most 16 rounds.
// Errors (result 0): null 1400; not 256 bins 1613; lo >= 256 1012; hi >= 256 1013; lo >= hi 1007.
VnBW8 ImgIsodataThreshold(VnBWHistogramVector* hist, unsigned int lo = 0, unsigned int hi = 255);
// As above over 65536 bins.
VnBW16 ImgIsodataThresholdBW16(VnBWHistogramVector* hist, unsigned int lo = 0, unsigned int hi = 65535);
// Legacy: range errors give 0 (1012, 1013, 1007); a null vector 1400, a vector not of type 2
// 1607 and one without data 1601 give (lo + hi + 1) >> 1.
unsigned int ImgIsodataThreshold(VnVector* hist, unsigned int lo, unsigned int hi);

// The two-class split of least within-class residue that beats the single class; the averages
// are written only when a split is found (0 is returned otherwise). Errors: null 1400; not
// 256 bins 1613.
VnBW8 ImgMinResidueThreshold(VnBWHistogramVector* hist, float& belowAverage, float& aboveAverage);
// As ImgMinResidueThreshold (threshold 0 when no split wins); returns the RMS distance of the
// pixels to their class mean (0 for an empty histogram).
float ImgTwoLevelsMinResidueThreshold(VnBWHistogramVector* hist, VnBW8& threshold, float& belowAverage,
                                      float& aboveAverage);
// Three classes [0, low), [low, high), [high, 255]; returns their RMS residual. Both
// thresholds start at 0; the averages are written only when a split is found.
float ImgThreeLevelsMinResidueThreshold(VnBWHistogramVector* hist, VnBW8& lowThreshold, VnBW8& highThreshold,
                                        float& average0, float& average1, float& average2);

// The partition of the occupied bins into `classes` classes of least within-class residue
// (dynamic programming, quadratic in bins); regions receives the classes, the RMS residual is
// returned. classes = 1 gives the single class. Errors (result -1): null 1400; not 256 bins or
// no pixel 1613; no memory for the work tables 1303; no partition into that many non-empty
// classes (classes = 0 included) 32767.
float ImgMultiLevelsMinResidueThreshold(VnBWHistogramVector* hist, unsigned int classes,
                                        Korvane::Quandor::Utils::Vector<VnRegionDescriptor>& regions);
// The first bins of classes 1 .. thresholds of the thresholds + 1 class partition.
float ImgMultiLevelsMinResidueThreshold(VnBWHistogramVector* hist, unsigned int thresholds,
                                        Korvane::Quandor::Utils::Vector<VnBW8>& values);
// Every best partition from 2 to `classes` classes (partitions is cleared first); returns the
// residual of the last. classes = 1 appends nothing and returns the single class's residual.
float ImgAllMultiLevelsMinResidueThreshold(VnBWHistogramVector* hist, unsigned int classes,
                                           Korvane::Quandor::Utils::Vector<VnLabelisationDescriptor>& partitions);

// The split whose two class entropies sum highest, when that beats the entropy of the whole
// histogram; the averages are written only then. Errors: null 1400; not 256 bins 1613.
VnBW8 ImgMaxEntropyThreshold(VnBWHistogramVector* hist, float& belowAverage, float& aboveAverage);
