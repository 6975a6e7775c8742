// The vector container: capacity, growth, refused allocations, copies, access, heap sift, and
// the text forms of the elements.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "support/images.h"

namespace vnimg::test {
namespace {

using Strings = std::vector<std::string>;

VnPath P(int x, int y) { return VnPath{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)}; }
VnPathVector Points(int n) {  // (0, 0), (1, -1) ... (n-1, 1-n)
  VnPathVector v;
  for (int i = 0; i < n; ++i) v.AddElement(P(i, -i));
  return v;
}
template <class V> std::vector<typename V::Element> Elements(const V& v, unsigned n = ~0u) { return {v.GetDataPtr(), v.GetDataPtr() + std::min(n, v.GetNumElements())}; }
template <class V> std::pair<unsigned, unsigned> Size(const V& v) { return {v.GetNumElements(), v.GetMaxElements()}; }  // (count, capacity)

TEST(Vector, GrowthDoublesFromOneOrTheGivenCapacity) {
  VnPathVector v;
  std::vector<unsigned int> capacities;
  for (int i = 0; i < 17; ++i) v.AddElement(P(i, -i)), capacities.push_back(v.GetMaxElements());
  EXPECT_EQ(capacities, (std::vector<unsigned int>{1, 2, 4, 4, 8, 8, 8, 8, 16, 16, 16, 16, 16, 16, 16, 16, 32}));
  VnINT32Vector ints;
  ints.SetMaxElements(3, 1);
  for (int i = 0; i < 4; ++i) ints.AddElementByRef(i);
  EXPECT_TRUE(Size(ints) == std::pair(4u, 6u) && ints[3] == 3);
}

// From 5 elements in a capacity of 8, one row per rule: (count, capacity), whether the buffer
// stayed, the first elements (a count beyond the old one shows what the buffer held), and for a
// refused allocation (beyond 32 bits of bytes) 1303 and the trace.
TEST(Vector, CapacityAndCountChanges) {
  struct Row { std::function<void(VnPathVector&)> change; unsigned count, max; bool sameBuffer; int first = 0; Strings trace = {}; };
  const Row rows[] = {
      {[](auto& v) { v.SetMaxElements(8, 0); }, 5, 8, true},  // the same capacity: nothing at all
      {[](auto& v) { v.SetMaxElements(20, 0); }, 0, 20, false}, {[](auto& v) { v.SetMaxElements(2, 0); }, 0, 2, false},
      {[](auto& v) { v.SetMaxElements(20, 1); }, 5, 20, false}, {[](auto& v) { v.SetMaxElements(3, 1); }, 3, 3, false},
      {[](auto& v) { v.SetMaxElements(0, 0); }, 0, 0, false},  // releases the buffer
      {[](auto& v) { v.SetNumElements(2), v.SetNumElements(7); }, 7, 8, true}, {[](auto& v) { v.SetNumElements(9); }, 9, 9, false},
      {[](auto& v) { v.Empty(); }, 0, 8, true}, {[](auto& v) { v.RemoveElement(0); }, 4, 8, true, 1},
      {[](auto& v) { v.SetMaxElements(0x40000000, 1); }, 5, 8, true, 0, {"VnVector::SetMaxElements"}},
      {[](auto& v) { v.SetNumElements(0x40000000); }, 5, 8, true, 0, {"VnVector::SetMaxElements", "VnVector::SetNumElements"}},
  };
  for (std::size_t n = 0; n < std::size(rows); ++n) {
    VnPathVector v = Points(5);
    const VnPath* data = v.GetDataPtr();
    VnOk();
    rows[n].change(v);
    EXPECT_TRUE(VnGetError() == (rows[n].trace.empty() ? 0 : VN_ERR_OUT_OF_MEMORY) && Trace() == rows[n].trace) << n;
    EXPECT_TRUE(Size(v) == std::pair(rows[n].count, rows[n].max) && (v.GetDataPtr() == data) == rows[n].sameBuffer) << n;
    auto expected = Elements(Points(5));
    expected.erase(expected.begin(), expected.begin() + rows[n].first);
    expected.resize(std::min<std::size_t>(rows[n].count, expected.size()));
    EXPECT_EQ(Elements(v, 5), expected) << n;
  }
}

TEST(Vector, ConstructionAndCopies) {
  EXPECT_TRUE(Elements(VnVectorTemplate<VnPath>(3)) == std::vector<VnPath>(3) && !VnVectorTemplate<VnPath>(0).GetDataPtr());  // zeros
  EXPECT_TRUE(Size(VnPathVector(3)) == std::pair(0u, 3u) && Size(VnBWHistogramVector(256)) == std::pair(0u, 256u));  // reserved
  VnOk();  // refused: the sized template sets the code alone, the derived vectors trace
  EXPECT_TRUE(Size(VnVectorTemplate<VnPath>(0x40000000)) == std::pair(0u, 0u) && VnGetError() == VN_ERR_OUT_OF_MEMORY && Trace().empty());
  EXPECT_TRUE(Size(VnPathVector(0x40000000)) == std::pair(0u, 0u) && VnGetError() == VN_ERR_OUT_OF_MEMORY && Trace() == Strings{"VnVector::SetMaxElements"});
  VnPathVector v = Points(5), dest(100), exact;
  EXPECT_TRUE(v.CopyTo(&v) == &v && Size(v) == std::pair(5u, 8u));  // to itself: nothing
  EXPECT_EQ(Elements(*std::unique_ptr<VnVectorTemplate<VnPath>>(v.CopyTo(nullptr))), Elements(v));
  dest.AddElement(P(9, 9));
  dest = v;  // the capacity becomes the count
  EXPECT_TRUE(Size(dest) == std::pair(5u, 5u) && Elements(dest) == Elements(v) && dest.GetDataPtr() != v.GetDataPtr());
  EXPECT_TRUE(Elements(*v.CopyTo(&exact)) == Elements(v) && Elements(VnPathVector(v)) == Elements(v));
  dest = VnPathVector();
  EXPECT_TRUE(Size(dest) == std::pair(0u, 0u) && dest.GetDataPtr() == nullptr);
}

TEST(Vector, AccessAndRemoval) {
  VnPathVector v = Points(5);
  v.RemoveElement(1), v.RemoveElement(3), v.SetElement(2, P(5, 6));
  EXPECT_TRUE(Elements(v) == (std::vector<VnPath>{P(0, 0), P(2, -2), P(5, 6)}) && v.GetElement(2) == P(5, 6) && &v[2] == v.GetDataPtr() + 2);
  const auto before = Elements(v);
  // Out of range, one row per access: 1011, its trace, nothing changed.
  const std::pair<std::function<void()>, const char*> rows[] = {
      {[&] { v.RemoveElement(3); }, "VnVector::RemoveElement"}, {[&] { v.RemoveElement(0xFFFFFFFF); }, "VnVector::RemoveElement"},
      {[&] { EXPECT_EQ(v.GetElement(-1), P(0, 0)); }, "VnVector::operator[]"}, {[&] { EXPECT_EQ(v.GetElement(3), P(0, 0)); }, "VnVector::operator[]"},
      {[&] { v.SetElement(3, P(9, 9)); }, "VnVector::operator[]"}, {[&] { v.SetElement(INT32_MIN, P(9, 9)); }, "VnVector::operator[]"},
      {[&] { EXPECT_EQ(v[3] = P(7, 7), P(7, 7)); }, "VnVector::operator[]"}, {[&] { EXPECT_EQ(v[4], P(0, 0)); }, "VnVector::operator[]"},
  };
  for (const auto& [call, trace] : rows) {
    VnOk();
    call();
    EXPECT_TRUE(VnGetError() == VN_ERR_PARAM_1 && Trace() == Strings{trace} && Elements(v) == before) << trace;
  }
}

TEST(HistogramVector, ClearZeroesTheBinsInUseOnly) {
  VnBWHistogramVector h(8), empty;
  for (unsigned int i = 1; i <= 8; ++i) h.AddElement(i);
  h.SetNumElements(5), h.Clear(), empty.Clear();
  EXPECT_TRUE(Size(h) == std::pair(5u, 8u) && Size(empty) == std::pair(0u, 0u));
  h.SetNumElements(8);
  EXPECT_EQ(Elements(h), (std::vector<unsigned int>{0, 0, 0, 0, 0, 6, 7, 8}));
}

TEST(VectorSift, ReplacesTheRootAndSiftsItDown) {
  struct Row { std::vector<int> heap; int incoming; std::vector<int> after; };
  const Row rows[] = {
      {{9, 7, 8, 3, 6, 5}, 4, {8, 7, 5, 3, 6, 4}},  // 8 rises, then 5
      {{8, 7, 5, 3, 6, 4}, 7, {7, 7, 5, 3, 6, 4}},  // an equal child stays below
      {{9, 5, 5}, 1, {5, 1, 5}},                    // equal children: the left one rises
      {{9, 8, 2, 7}, 1, {8, 7, 2, 1}},              // a left child without a sibling
  };
  for (const Row& r : rows) {
    VnINT32Vector v;
    for (int x : r.heap) v.AddElement(x);
    v.Sift(r.incoming, [](const int& a, const int& b) { return int{a > b}; });
    EXPECT_EQ(Elements(v), r.after);
  }
}

TEST(VectorText, ElementsPrintAsQuoted) {
  auto text = [](const auto& value, std::ios_base& (*manip)(std::ios_base&) = std::dec) { std::ostringstream os; os << manip << value; return os.str(); };
  EXPECT_EQ(text(VnPeak{10, 5, 12.0f, 40, 150}), "( VnPeak : m_un32Start = 10 m_un32Length = 5 m_f32Center = 12 m_n32Amplitude = 40 m_n32Area = 150)");
  EXPECT_EQ(text(P(-3, 32767)), "( VnPath : m_n16X = -3 m_n16Y = 32767)");
  EXPECT_EQ(text(VnBW8Path{1, -2, 65}), "( VnBW8Path : m_n16X = 1 m_n16Y = -2 m_bw8Pixel = A)");  // one raw character
  EXPECT_EQ(text(VnBW8Path{0, 0, 0}), std::string("( VnBW8Path : m_n16X = 0 m_n16Y = 0 m_bw8Pixel = \0)", 51));
  EXPECT_EQ(text(P(255, 16), std::hex), "( VnPath : m_n16X = ff m_n16Y = 10)");  // the stream's formatting applies
}

}  // namespace
}  // namespace vnimg::test
