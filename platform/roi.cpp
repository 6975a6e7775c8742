#include "vnimg/platform/roi.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "vnimg/platform/core.h"
#include "vnimg/platform/error.h"

VnGenericROI::VnGenericROI(const VnGenericROI& other)
    : m_parent(other.m_parent ? other.m_parent : (other.m_buffer ? &other : nullptr)),
      m_orgX(other.m_parent ? other.m_orgX : 0),
      m_orgY(other.m_parent ? other.m_orgY : 0),
      m_width(other.m_width),
      m_height(other.m_height) {}

VnGenericROI& VnGenericROI::operator=(const VnGenericROI& other) {
  if (this == &other) return *this;
  m_parent = other.m_parent ? other.m_parent : (other.m_buffer ? &other : nullptr);
  m_orgX = other.m_parent ? other.m_orgX : 0;
  m_orgY = other.m_parent ? other.m_orgY : 0;
  m_width = other.m_width;
  m_height = other.m_height;
  return *this;
}

const VnGenericROI& VnGenericROI::Top() const {
  const VnGenericROI* roi = this;
  while (roi->m_parent) roi = roi->m_parent;
  return *roi;
}

namespace {

// A value of a ROI that no usable ROI lets pass the int range (a sum of origins, a skip),
// held at the range's ends when the ROI is not usable.
int Saturated(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

unsigned char* VnGenericROI::ByteAt(std::ptrdiff_t column, std::ptrdiff_t row, int bitsPerPixel) const {
  const VnGenericROI& top = Top();
  const std::ptrdiff_t byte = bitsPerPixel == 1 ? (column >> 3) : column * (bitsPerPixel / 8);
  return top.m_buffer + row * top.m_rowPitch + byte;
}

std::int64_t VnGenericROI::WideTotalOrgX() const {
  std::int64_t x = 0;
  for (const VnGenericROI* roi = this; roi; roi = roi->m_parent) x += roi->m_orgX;
  return x;
}

std::int64_t VnGenericROI::WideTotalOrgY() const {
  std::int64_t y = 0;
  for (const VnGenericROI* roi = this; roi; roi = roi->m_parent) y += roi->m_orgY;
  return y;
}

int VnGenericROI::GetTotalOrgX() const { return Saturated(WideTotalOrgX()); }
int VnGenericROI::GetTotalOrgY() const { return Saturated(WideTotalOrgY()); }

int VnGenericROI::GetTotalHeight() const { return Top().m_height; }

bool VnGenericROI::CheckSameSize(const VnGenericROI* other) const {
  if (!other) {
    VnSetError(VN_ERR_NULL_ROI);
    return false;
  }
  if (other->m_width != m_width || other->m_height != m_height) {
    VnSetError(VN_ERR_SIZE_MISMATCH);
    return false;
  }
  return true;
}

bool VnGenericROI::Void() const { return GetGenericImagePtr(0, 0) == nullptr; }

void VnGenericROI::SetSize(VnGenericROI* other) { SetSize(static_cast<const VnGenericROI*>(other)); }

void VnGenericROI::SetSize(const VnGenericROI* other) {
  if (!other) {
    VnSetError(VN_ERR_NULL_ROI);
    return;
  }
  SetSize(other->m_width, other->m_height);
}

void VnGenericROI::SetSize(int width, int height) {
  m_width = width;
  m_height = height;
}

int VnGenericROI::GetRowPitch() const { return Top().m_buffer ? Top().m_rowPitch : 0; }

int VnGenericROI::GetBitOffset(int x, int /*y*/) const {
  if (GetBytesPerPixel() != 0) return 0;
  return static_cast<int>((WideTotalOrgX() + x) & 7);
}

bool VnGenericROI::CheckValidity() const {
  for (const VnGenericROI* roi = this; roi; roi = roi->m_parent) {
    if (roi->m_width < 0 || roi->m_height < 0) {
      VnSetError(VN_ERR_NEGATIVE_SIZE);
      return false;
    }
    const VnGenericROI* parent = roi->m_parent;
    if (parent && (roi->m_orgX < 0 || roi->m_orgY < 0 ||
                   std::int64_t{roi->m_orgX} + roi->m_width > parent->m_width ||
                   std::int64_t{roi->m_orgY} + roi->m_height > parent->m_height)) {
      VnSetError(VN_ERR_ROI_OUTSIDE_PARENT);
      return false;
    }
  }
  if (!TopBuffer()) {
    VnSetError(VN_ERR_NULL_ROI);
    return false;
  }
  return true;
}

int VnGenericROI::GetSkip() const {
  if (!TopBuffer()) return 0;
  const std::int64_t bpp = GetBytesPerPixel();
  if (bpp != 0) return Saturated(GetRowPitch() - m_width * bpp);
  // Bit rows: the bytes the row touches, counted from the byte holding its first pixel.
  const std::int64_t touched = (GetBitOffset(0, 0) + std::int64_t{m_width} + 7) / 8;
  return Saturated(GetRowPitch() - touched);
}

namespace vnimg::platform {

bool AllocateImage(int width, int height, int bitsPerPixel, unsigned char*& buffer, int& pitch) {
  buffer = nullptr;
  pitch = 0;
  if (width < 0 || height < 0) {
    VnSetError(VN_ERR_NEGATIVE_SIZE);
    return false;
  }
  if (width == 0 || height == 0) return true;
  const std::uint64_t rowBits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel);
  const std::uint64_t rowBytes = (rowBits + 7) / 8;
  const std::uint64_t paddedPitch = (rowBytes + 63) / 64 * 64;
  if (paddedPitch > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    return false;
  }
  std::uint64_t bytes = 0;
  if (__builtin_mul_overflow(paddedPitch, static_cast<std::uint64_t>(height), &bytes) ||
      bytes > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    return false;
  }
  auto* storage = static_cast<unsigned char*>(Quandor_Malloc(static_cast<std::size_t>(bytes)));
  if (!storage) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    return false;
  }
  std::memset(storage, 0, static_cast<std::size_t>(bytes));
  buffer = storage;
  pitch = static_cast<int>(paddedPitch);
  return true;
}

void FreeImage(unsigned char* buffer) { Quandor_Free(buffer); }

}  // namespace vnimg::platform
