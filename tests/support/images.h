// Test images: random pixels, ROIs at odd places inside larger parents, and checks that an
// operation wrote nothing outside its destination ROI.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <vnimg.h>

namespace vnimg::test {

using Rng = std::mt19937;

// Every byte of the image, padding included, random.
template <class T>
void FillRandomBytes(VnImage<T>& image, Rng& rng) {
  if (image.Void()) return;
  auto* bytes = reinterpret_cast<unsigned char*>(image.GetImagePtr(0, 0));
  const std::size_t size = static_cast<std::size_t>(image.GetRowPitch()) * image.GetHeight();
  std::uniform_int_distribution<int> byte(0, 255);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(byte(rng));
}

// Where a ROI sits inside its parent.
struct Placement {
  int width = 0;
  int height = 0;
  int orgX = 0;
  int orgY = 0;
  int parentWidth = 0;
  int parentHeight = 0;
};

// Random placements: every width from 1 to 100 in turn, a few large ones, odd origins.
std::vector<Placement> RandomPlacements(Rng& rng, int count);

// A ROI inside a larger random parent; remembers the parent's bytes to find stray writes.
template <class T>
class GuardedRoi {
 public:
  GuardedRoi(const Placement& p, Rng& rng) : m_image(p.parentWidth, p.parentHeight), m_roi(&m_image, p.orgX, p.orgY, p.width, p.height) {
    FillRandomBytes(m_image, rng);
    Remember();
  }
  GuardedRoi(const GuardedRoi&) = delete;
  GuardedRoi& operator=(const GuardedRoi&) = delete;

  // Starts again from the bytes `other` remembered (a second destination for a differential
  // test); both must have the same placement.
  void StartLike(const GuardedRoi& other) {
    m_before = other.m_before;
    std::memcpy(Bytes(), m_before.data(), Size());
  }
  void Remember() { m_before.assign(Bytes(), Bytes() + Size()); }

  VnROI<T>* roi() { return &m_roi; }
  const VnROI<T>* roi() const { return &m_roi; }
  VnImage<T>& parent() { return m_image; }

  // The parent's bytes equal other's everywhere.
  ::testing::AssertionResult SameBytesAs(const GuardedRoi& other) const {
    for (std::size_t i = 0; i < Size(); ++i)
      if (Bytes()[i] != other.Bytes()[i]) return ::testing::AssertionFailure() << "byte " << Describe(i) << " differs";
    return ::testing::AssertionSuccess();
  }
  // No byte of the parent changed since Remember().
  ::testing::AssertionResult Unchanged() const {
    for (std::size_t i = 0; i < Size(); ++i)
      if (Bytes()[i] != m_before[i]) return ::testing::AssertionFailure() << "byte " << Describe(i) << " changed";
    return ::testing::AssertionSuccess();
  }
  // No byte outside the ROI's pixels changed since Remember() (bit images: no bit outside).
  ::testing::AssertionResult OutsideUnchanged() const {
    const std::size_t pitch = static_cast<std::size_t>(m_image.GetRowPitch());
    for (std::size_t i = 0; i < Size(); ++i) {
      const int row = static_cast<int>(i / pitch);
      const int byteInRow = static_cast<int>(i % pitch);
      const unsigned outsideBits = OutsideMask(row, byteInRow);
      if ((Bytes()[i] ^ m_before[i]) & outsideBits)
        return ::testing::AssertionFailure() << "byte " << Describe(i) << " outside the ROI changed";
    }
    return ::testing::AssertionSuccess();
  }

 private:
  const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(m_image.GetImagePtr(0, 0)); }
  unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(m_image.GetImagePtr(0, 0)); }
  std::size_t Size() const { return static_cast<std::size_t>(m_image.GetRowPitch()) * m_image.GetHeight(); }
  std::string Describe(std::size_t i) const {
    const std::size_t pitch = static_cast<std::size_t>(m_image.GetRowPitch());
    return std::to_string(i % pitch) + " of row " + std::to_string(i / pitch) + " (ROI at " +
           std::to_string(m_roi.GetOrgX()) + "," + std::to_string(m_roi.GetOrgY()) + " size " +
           std::to_string(m_roi.GetWidth()) + "x" + std::to_string(m_roi.GetHeight()) + ")";
  }
  // Bits of parent byte (row, byteInRow) that lie outside the ROI.
  unsigned OutsideMask(int row, int byteInRow) const {
    if (row < m_roi.GetOrgY() || row >= m_roi.GetOrgY() + m_roi.GetHeight()) return 0xFF;
    const long long bits = VnROI<T>::kBitsPerPixel;
    const long long firstBit = static_cast<long long>(m_roi.GetOrgX()) * bits;
    const long long endBit = firstBit + static_cast<long long>(m_roi.GetWidth()) * bits;
    unsigned mask = 0;
    for (int b = 0; b < 8; ++b) {
      const long long bit = static_cast<long long>(byteInRow) * 8 + b;  // b = 0 is the most significant bit
      if (bit < firstBit || bit >= endBit) mask |= 0x80u >> b;
    }
    return mask;
  }

  VnImage<T> m_image;
  VnROI<T> m_roi;
  std::vector<unsigned char> m_before;
};

// The trace of the calling thread, innermost first.
std::vector<std::string> Trace();

}  // namespace vnimg::test
