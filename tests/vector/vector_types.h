// Every vector type with the type code and disk size its files must carry, for typed tests.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <vnimg.h>

namespace vnimg::test {

template <class V, class Kind, unsigned char Code, std::size_t Size>
struct VectorCase {
  using Vector = V;
  using Codec = VnVectorElement<Kind>;
  static constexpr unsigned char kCode = Code;  // the type code of its files
  static constexpr std::size_t kSize = Size;     // an element's bytes on disk
};

template <class... Cases>
struct CaseList {
  using Gtest = ::testing::Types<Cases...>;
  template <class F> static void ForEach(F&& f) { (f(Cases{}), ...); }  // f(Case{}) for every case
};

using AllVectorCases = CaseList<
    VectorCase<VnBW8Vector, VnBW8, 1, 1>, VectorCase<VnBW16Vector, VnBW16, 2, 2>, VectorCase<VnBW32Vector, VnBW32Element, 3, 4>,
    VectorCase<VnC24Vector, VnC24, 4, 3>, VectorCase<VnINT32Vector, VnINT32, 5, 4>, VectorCase<VnVectorTemplate<unsigned int>, unsigned int, 12, 4>,
    VectorCase<VnBWHistogramVector, unsigned int, 12, 4>, VectorCase<VnRunVector, VnRun, 13, 12>, VectorCase<VnColorVector, VnColor, 14, 12>,
    VectorCase<VnPathVector, VnPath, 6, 4>, VectorCase<VnBW8PathVector, VnBW8Path, 7, 6>, VectorCase<VnBW16PathVector, VnBW16Path, 11, 6>,
    VectorCase<VnC24PathVector, VnC24Path, 8, 8>, VectorCase<VnPeaksVector, VnPeak, 9, 20>>;
using VectorCases = AllVectorCases::Gtest;

// The disk images of a vector's elements in use: compares elements bit for bit, NaNs included.
template <class Case>
std::vector<unsigned char> Images(const typename Case::Vector& v) {
  std::vector<unsigned char> bytes(v.GetNumElements() * Case::kSize);
  for (unsigned int i = 0; i < v.GetNumElements(); ++i) Case::Codec::Write(v.GetDataPtr()[i], bytes.data() + i * Case::kSize);
  return bytes;
}

// n elements decoded from random disk bytes (any bit pattern of every field).
template <class Case>
typename Case::Vector RandomVector(unsigned int n, std::mt19937& rng) {
  typename Case::Vector v;
  for (unsigned int i = 0; i < n; ++i) {
    unsigned char bytes[Case::kSize];
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
    typename Case::Vector::Element e{};
    Case::Codec::Read(bytes, e);
    v.AddElement(e);
  }
  return v;
}

}  // namespace vnimg::test
