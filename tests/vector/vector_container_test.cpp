// The vector container: capacity and count changes, growth, access, copies, heap sift and the
// text forms of the elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <queue>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <vnimg.h>

#include "support/images.h"

namespace {

using vnimg::test::Trace;
using Strings = std::vector<std::string>;

VnPath P(int x, int y) { return VnPath{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)}; }

// A path vector holding (0, 0), (1, -1) ... (n-1, 1-n).
VnPathVector Points(int n) {
  VnPathVector v;
  for (int i = 0; i < n; ++i) v.AddElement(P(i, -i));
  return v;
}

std::vector<VnPath> Elements(const VnVectorTemplate<VnPath>& v) {
  return {v.GetDataPtr(), v.GetDataPtr() + v.GetNumElements()};
}

// More VnPeak elements than 32 bits of bytes can hold.
constexpr unsigned int kTooManyPeaks = 0x0CCCCCCDu;

TEST(VectorGrowth, DoublesFromOne) {
  VnPathVector v;
  std::vector<unsigned int> maxima;
  for (int i = 0; i < 17; ++i) {
    v.AddElement(P(i, -i));
    maxima.push_back(v.GetMaxElements());
  }
  EXPECT_EQ(maxima, (std::vector<unsigned int>{1, 2, 4, 4, 8, 8, 8, 8, 16, 16, 16, 16, 16, 16, 16, 16, 32}));
  for (int i = 0; i < 17; ++i) EXPECT_EQ(v[i], P(i, -i));
  EXPECT_EQ(VnGetError(), VN_OK);
}

TEST(VectorGrowth, ByRefGrowsTheSameWay) {
  VnVectorTemplate<VnINT32> v;
  for (int i = 0; i < 5; ++i) v.AddElementByRef(i);
  EXPECT_EQ(v.GetNumElements(), 5u);
  EXPECT_EQ(v.GetMaxElements(), 8u);
  EXPECT_EQ(v[4], 4);
}

TEST(VectorGrowth, EmptyAndRemoveKeepTheBuffer) {
  VnPathVector v = Points(5);
  EXPECT_EQ(v.GetMaxElements(), 8u);
  const VnPath* data = v.GetDataPtr();
  v.RemoveElement(0);
  EXPECT_EQ(v.GetMaxElements(), 8u);
  v.Empty();
  EXPECT_EQ(v.GetNumElements(), 0u);
  EXPECT_EQ(v.GetMaxElements(), 8u);
  EXPECT_EQ(v.GetDataPtr(), data);
}

TEST(VectorGrowth, AppendsAfterSetMaxElementsFromTheGivenCapacity) {
  VnPathVector v;
  v.SetMaxElements(3, 1);
  for (int i = 0; i < 4; ++i) v.AddElement(P(i, i));
  EXPECT_EQ(v.GetMaxElements(), 6u);
}

TEST(VectorCapacity, SetMaxElementsCases) {
  struct Case {
    const char* name;
    unsigned int n;
    int keep;
    unsigned int count, max;
  };
  // From 5 elements in a capacity of 8.
  const Case cases[] = {
      {"same capacity, keep 0, keeps everything", 8, 0, 5, 8},
      {"same capacity, keep 1", 8, 1, 5, 8},
      {"larger, keep 0, empties", 20, 0, 0, 20},
      {"smaller, keep 0, empties", 2, 0, 0, 2},
      {"larger, keep 1", 20, 1, 5, 20},
      {"smaller, keep 1, truncates", 3, 1, 3, 3},
      {"zero releases the buffer", 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VnPathVector v = Points(5);
    v.SetMaxElements(c.n, c.keep);
    EXPECT_EQ(v.GetNumElements(), c.count);
    EXPECT_EQ(v.GetMaxElements(), c.max);
    EXPECT_EQ(v.GetDataPtr() == nullptr, c.max == 0);
    std::vector<VnPath> expected = Elements(Points(5));
    expected.resize(c.count);
    EXPECT_EQ(Elements(v), expected);
  }
}

TEST(VectorCapacity, SetMaxElementsFailureLeavesTheVector) {
  VnPeaksVector v;
  v.AddElement(VnPeak{1, 2, 3.0f, 4, 5});
  VnOk();
  v.SetMaxElements(kTooManyPeaks, 1);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace(), Strings{"VnVector::SetMaxElements"});
  EXPECT_EQ(v.GetNumElements(), 1u);
  EXPECT_EQ(v.GetMaxElements(), 1u);
  EXPECT_EQ(v[0].m_n32Area, 5);
}

TEST(VectorCapacity, SetNumElementsWithinCapacityKeepsTheBuffer) {
  VnPathVector v = Points(5);
  const VnPath* data = v.GetDataPtr();
  v.SetNumElements(2);
  v.SetNumElements(7);
  EXPECT_EQ(v.GetNumElements(), 7u);
  EXPECT_EQ(v.GetMaxElements(), 8u);
  EXPECT_EQ(v.GetDataPtr(), data);
  EXPECT_EQ(v[4], P(4, -4));  // still what the buffer held
}

TEST(VectorCapacity, SetNumElementsGrowsToExactlyN) {
  VnPathVector v = Points(5);
  v.SetNumElements(9);
  EXPECT_EQ(v.GetNumElements(), 9u);
  EXPECT_EQ(v.GetMaxElements(), 9u);
  EXPECT_EQ(v[4], P(4, -4));
}

TEST(VectorCapacity, SetNumElementsFailureTracesBothNames) {
  VnPeaksVector v(4);
  v.SetNumElements(2);
  v.SetNumElements(kTooManyPeaks);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace(), (Strings{"VnVector::SetMaxElements", "VnVector::SetNumElements"}));
  EXPECT_EQ(v.GetNumElements(), 2u);
  EXPECT_EQ(v.GetMaxElements(), 4u);
}

TEST(VectorCapacity, AppendFailureTracesTheAppendName) {
  // A byte vector at 2^31 elements cannot double within 32 bits of bytes.
  VnBW8Vector v;
  VnOk();
  v.SetMaxElements(0x80000000u, 1);
  if (VnGetError() != VN_OK) GTEST_SKIP() << "no 2 GiB of address space here";
  v.SetNumElements(0x80000000u);
  VnBW8 byte = 7;
  v.AddElementByRef(byte);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace(), (Strings{"VnVector::SetMaxElements", "VnVector::AddElementByRef"}));
  EXPECT_EQ(v.GetNumElements(), 0x80000000u);
}

TEST(VectorConstruction, SizedTemplateHoldsZeros) {
  const VnVectorTemplate<VnPath> v(3);
  EXPECT_EQ(v.GetNumElements(), 3u);
  EXPECT_EQ(v.GetMaxElements(), 3u);
  EXPECT_EQ(Elements(v), (std::vector<VnPath>{P(0, 0), P(0, 0), P(0, 0)}));
  const VnVectorTemplate<VnPath> none(0);
  EXPECT_EQ(none.GetDataPtr(), nullptr);
}

TEST(VectorConstruction, SizedTemplateFailureSetsTheCodeOnly) {
  VnOk();
  const VnVectorTemplate<VnPeak> v(kTooManyPeaks);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_TRUE(Trace().empty());
  EXPECT_EQ(v.GetNumElements(), 0u);
  EXPECT_EQ(v.GetMaxElements(), 0u);
  EXPECT_EQ(v.GetDataPtr(), nullptr);
}

TEST(VectorConstruction, DerivedVectorsReserveButHoldNothing) {
  const VnPathVector path(3);
  EXPECT_EQ(path.GetNumElements(), 0u);
  EXPECT_EQ(path.GetMaxElements(), 3u);
  EXPECT_EQ(path.GetClosed(), 0);
  EXPECT_EQ(path.m_binding.m_pWrapper, nullptr);
  EXPECT_EQ(path.m_binding.m_pCallback, nullptr);
  const VnC24PathVector c24(5);
  EXPECT_EQ(c24.GetMaxElements(), 5u);
  const VnPeaksVector peaks(2);
  EXPECT_EQ(peaks.GetNumElements(), 0u);
  EXPECT_EQ(peaks.GetMaxElements(), 2u);
  const VnBWHistogramVector hist(256);
  EXPECT_EQ(hist.GetNumElements(), 0u);
  EXPECT_EQ(hist.GetMaxElements(), 256u);
  const VnBW16PathVector empty;
  EXPECT_EQ(empty.GetDataPtr(), nullptr);
}

TEST(VectorConstruction, DerivedFailureTracesAndStaysEmpty) {
  VnOk();
  const VnPeaksVector peaks(kTooManyPeaks);
  EXPECT_EQ(VnGetError(), VN_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Trace(), Strings{"VnVector::SetMaxElements"});
  EXPECT_EQ(peaks.GetMaxElements(), 0u);
  EXPECT_EQ(peaks.GetDataPtr(), nullptr);
}

TEST(VectorConstruction, ClosedFlagAndBindingAreStoredUnchanged) {
  VnBW8PathVector v;
  v.SetClosed(-7);
  EXPECT_EQ(v.GetClosed(), -7);
  int wrapper = 0;
  v.m_binding.m_pWrapper = &wrapper;
  EXPECT_EQ(v.m_binding.m_pWrapper, &wrapper);
  static_assert(sizeof(v.m_binding.m_pWrapper) == sizeof(void*) && sizeof(v.m_binding.m_pCallback) == sizeof(void*));
}

TEST(VectorCopy, ToSelfDoesNothing) {
  VnPathVector v = Points(5);
  const VnPath* data = v.GetDataPtr();
  EXPECT_EQ(v.CopyTo(&v), &v);
  EXPECT_EQ(v.GetDataPtr(), data);
  EXPECT_EQ(v.GetMaxElements(), 8u);
}

TEST(VectorCopy, ToNullCreatesAVectorTheCallerOwns) {
  const VnPathVector v = Points(3);
  std::unique_ptr<VnVectorTemplate<VnPath>> copy(v.CopyTo(nullptr));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Elements(*copy), Elements(v));
  EXPECT_EQ(copy->GetMaxElements(), 3u);
}

TEST(VectorCopy, DestinationCapacityBecomesTheCount) {
  const VnPathVector source = Points(10);
  VnPathVector dest(100);
  dest.AddElement(P(9, 9));
  dest = source;
  EXPECT_EQ(dest.GetMaxElements(), 10u);
  EXPECT_EQ(Elements(dest), Elements(source));
  VnPathVector equalCapacity;
  equalCapacity.SetMaxElements(10, 0);
  const VnPath* data = equalCapacity.GetDataPtr();
  source.CopyTo(&equalCapacity);
  EXPECT_EQ(equalCapacity.GetDataPtr(), data);  // exact capacity: buffer reused
  EXPECT_EQ(Elements(equalCapacity), Elements(source));
}

TEST(VectorCopy, CopyConstructionAndEmptySources) {
  const VnPathVector source = Points(4);
  const VnPathVector copy(source);
  EXPECT_EQ(Elements(copy), Elements(source));
  EXPECT_NE(copy.GetDataPtr(), source.GetDataPtr());
  VnPathVector dest = Points(6);
  dest = VnPathVector();
  EXPECT_EQ(dest.GetNumElements(), 0u);
  EXPECT_EQ(dest.GetMaxElements(), 0u);
  EXPECT_EQ(dest.GetDataPtr(), nullptr);
}

TEST(VectorRemove, MovesTheFollowingElementsDown) {
  VnPathVector v = Points(5);
  v.RemoveElement(1);
  EXPECT_EQ(Elements(v), (std::vector<VnPath>{P(0, 0), P(2, -2), P(3, -3), P(4, -4)}));
  v.RemoveElement(3);
  EXPECT_EQ(Elements(v), (std::vector<VnPath>{P(0, 0), P(2, -2), P(3, -3)}));
  EXPECT_EQ(VnGetError(), VN_OK);
}

TEST(VectorRemove, OutOfRangeChangesNothing) {
  VnPathVector v = Points(3);
  for (unsigned int i : {3u, 4u, 0xFFFFFFFFu}) {
    VnOk();
    v.RemoveElement(i);
    EXPECT_EQ(VnGetError(), VN_ERR_PARAM_1);
    EXPECT_EQ(Trace(), Strings{"VnVector::RemoveElement"});
    EXPECT_EQ(Elements(v), Elements(Points(3)));
  }
}

TEST(VectorAccess, IndexPastTheEndGivesTheSharedScratch) {
  VnPathVector a = Points(3);
  VnPathVector b = Points(1);
  VnOk();
  VnPath& scratch = a[3];
  EXPECT_EQ(VnGetError(), VN_ERR_PARAM_1);
  EXPECT_EQ(Trace(), Strings{"VnVector::operator[]"});
  EXPECT_EQ(scratch, P(0, 0));
  scratch = P(77, 77);  // harmless: no element of either vector changes
  EXPECT_EQ(&b[5], &scratch);
  EXPECT_EQ(scratch, P(0, 0));  // zeroed on each out-of-range access
  EXPECT_EQ(Elements(a), Elements(Points(3)));
  EXPECT_EQ(Elements(b), Elements(Points(1)));
  VnOk();
  EXPECT_EQ(&a[2], a.GetDataPtr() + 2);
  EXPECT_EQ(VnGetError(), VN_OK);
}

TEST(VectorAccess, GetAndSetElementCheckBothEnds) {
  VnPathVector v = Points(3);
  for (int i : {-1, 3, std::numeric_limits<int>::min()}) {
    VnOk();
    EXPECT_EQ(v.GetElement(i), P(0, 0));
    EXPECT_EQ(VnGetError(), VN_ERR_PARAM_1);
    EXPECT_EQ(Trace(), Strings{"VnVector::operator[]"});
    VnOk();
    v.SetElement(i, P(9, 9));
    EXPECT_EQ(VnGetError(), VN_ERR_PARAM_1);
    EXPECT_EQ(Trace(), Strings{"VnVector::operator[]"});
    EXPECT_EQ(Elements(v), Elements(Points(3)));
  }
  VnOk();
  v.SetElement(2, P(5, 6));
  EXPECT_EQ(v.GetElement(2), P(5, 6));
  EXPECT_EQ(VnGetError(), VN_OK);
}

TEST(HistogramVector, ClearZeroesTheBinsInUseOnly) {
  VnBWHistogramVector h(8);
  for (unsigned int i = 1; i <= 8; ++i) h.AddElement(i);
  h.SetNumElements(5);
  h.Clear();
  EXPECT_EQ(h.GetNumElements(), 5u);
  EXPECT_EQ(h.GetMaxElements(), 8u);
  for (unsigned int i = 0; i < 5; ++i) EXPECT_EQ(h[i], 0u);
  h.SetNumElements(8);
  EXPECT_EQ(h[5], 6u);
  VnBWHistogramVector empty;
  empty.Clear();
  EXPECT_EQ(empty.GetNumElements(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Sift: the vector as a binary heap.

int Greater(const int& a, const int& b) { return a > b; }

TEST(VectorSift, HandWorkedHeap) {
  //        9
  //     7     8
  //    3 6   5
  VnINT32Vector v;
  for (int x : {9, 7, 8, 3, 6, 5}) v.AddElement(x);
  v.Sift(4, Greater);  // 8 rises, then 5
  EXPECT_EQ(std::vector<int>(v.GetDataPtr(), v.GetDataPtr() + 6), (std::vector<int>{8, 7, 5, 3, 6, 4}));
  v.Sift(7, Greater);  // ties stop the descent: 7 stays above its equal child
  EXPECT_EQ(std::vector<int>(v.GetDataPtr(), v.GetDataPtr() + 6), (std::vector<int>{7, 7, 5, 3, 6, 4}));
}

TEST(VectorSift, EqualChildrenTakeTheLeft) {
  VnINT32Vector v;
  for (int x : {9, 5, 5}) v.AddElement(x);
  v.Sift(1, Greater);
  EXPECT_EQ(std::vector<int>(v.GetDataPtr(), v.GetDataPtr() + 3), (std::vector<int>{5, 1, 5}));
}

TEST(VectorSift, SingleElementIsReplaced) {
  VnINT32Vector v;
  v.AddElement(3);
  v.Sift(11, Greater);
  EXPECT_EQ(v[0], 11);
}

// A priority queue popped through Sift gives the same order as the standard heap.
TEST(VectorSift, PopsInTheOrderOfAReferenceHeap) {
  std::mt19937 rng(7);
  for (int n : {1, 2, 3, 10, 101, 1000}) {
    std::uniform_int_distribution<int> value(-50, 50);
    std::vector<int> values(n);
    for (int& x : values) x = value(rng);
    std::make_heap(values.begin(), values.end());
    VnINT32Vector heap;
    for (int x : values) heap.AddElement(x);
    std::priority_queue<int> reference(values.begin(), values.end());
    while (heap.GetNumElements() > 0) {
      ASSERT_EQ(heap[0], reference.top());
      reference.pop();
      const int last = heap[heap.GetNumElements() - 1];
      heap.SetNumElements(heap.GetNumElements() - 1);
      if (heap.GetNumElements()) heap.Sift(last, Greater);
      const int* data = heap.GetDataPtr();
      ASSERT_TRUE(std::is_heap(data, data + heap.GetNumElements()));
    }
    EXPECT_TRUE(reference.empty());
  }
}

// Replacing the root keeps a heap and the multiset of keys it should hold.
TEST(VectorSift, ReplacesTheRootAndKeepsAHeap) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> value(0, 20);
  VnINT32Vector heap;
  std::vector<int> keys;
  for (int i = 0; i < 200; ++i) keys.push_back(value(rng));
  std::make_heap(keys.begin(), keys.end());
  for (int x : keys) heap.AddElement(x);
  for (int round = 0; round < 500; ++round) {
    const int incoming = value(rng);
    std::pop_heap(keys.begin(), keys.end());
    keys.back() = incoming;
    std::push_heap(keys.begin(), keys.end());
    heap.Sift(incoming, Greater);
    const int* data = heap.GetDataPtr();
    ASSERT_TRUE(std::is_heap(data, data + heap.GetNumElements()));
    std::vector<int> ours(data, data + heap.GetNumElements()), theirs = keys;
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    ASSERT_EQ(ours, theirs);
  }
}

// The comparison always gets a child first: a vector element below the root.
const VnPeak* g_siftData = nullptr;
unsigned int g_siftCount = 0;
bool g_firstWasAChild = true;
int ByArea(const VnPeak& a, const VnPeak& b) {
  const std::ptrdiff_t index = &a - g_siftData;
  if (index < 1 || index >= static_cast<std::ptrdiff_t>(g_siftCount)) g_firstWasAChild = false;
  return a.m_n32Area < b.m_n32Area;  // a min-heap on the area
}

TEST(VectorSift, ComparesWithTheChildFirst) {
  VnPeaksVector v;
  for (int area : {1, 4, 2, 9, 5, 3, 8, 10}) v.AddElement(VnPeak{0, 0, 0.0f, 0, area});
  g_siftData = v.GetDataPtr();
  g_siftCount = v.GetNumElements();
  v.Sift(VnPeak{0, 0, 0.0f, 0, 7}, ByArea);
  EXPECT_TRUE(g_firstWasAChild);
  std::vector<int> areas;
  for (unsigned int i = 0; i < v.GetNumElements(); ++i) areas.push_back(v[i].m_n32Area);
  EXPECT_EQ(areas, (std::vector<int>{2, 4, 3, 9, 5, 7, 8, 10}));
}

// ---------------------------------------------------------------------------------------------
// Text forms.

template <class T>
std::string Text(const T& value, std::ios_base& (*manip)(std::ios_base&) = nullptr) {
  std::ostringstream os;
  if (manip) os << manip;
  os << value;
  return os.str();
}

TEST(VectorText, ElementsPrintAsQuoted) {
  EXPECT_EQ(Text(VnPeak{10, 5, 12.0f, 40, 150}),
            "( VnPeak : m_un32Start = 10 m_un32Length = 5 m_f32Center = 12 m_n32Amplitude = 40 m_n32Area = 150)");
  EXPECT_EQ(Text(VnPeak{0, 1, 2.5f, -3, -4}),
            "( VnPeak : m_un32Start = 0 m_un32Length = 1 m_f32Center = 2.5 m_n32Amplitude = -3 m_n32Area = -4)");
  EXPECT_EQ(Text(P(-3, 32767)), "( VnPath : m_n16X = -3 m_n16Y = 32767)");
  EXPECT_EQ(Text(VnBW8Path{1, -2, 65}), "( VnBW8Path : m_n16X = 1 m_n16Y = -2 m_bw8Pixel = A)");
}

TEST(VectorText, PixelIsOneRawCharacter) {
  const std::string text = Text(VnBW8Path{0, 0, 0});
  const std::string head = "( VnBW8Path : m_n16X = 0 m_n16Y = 0 m_bw8Pixel = ";
  ASSERT_EQ(text.size(), head.size() + 2);
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ(text[head.size()], '\0');
  EXPECT_EQ(text.back(), ')');
}

TEST(VectorText, NumbersFollowTheStreamFormatting) {
  EXPECT_EQ(Text(P(255, 16), std::hex), "( VnPath : m_n16X = ff m_n16Y = 10)");
  EXPECT_EQ(Text(VnPeak{10, 5, 12.0f, 40, 150}, std::showpoint),
            "( VnPeak : m_un32Start = 10 m_un32Length = 5 m_f32Center = 12.0000 m_n32Amplitude = 40 m_n32Area = 150)");
}

}  // namespace
