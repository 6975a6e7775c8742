// Regions of interest and images of every pixel type.
//
// A VnImage owns its pixels; a VnROI is a rectangle inside a parent ROI or image and owns
// nothing. Rows of an image start 64-byte aligned and lie a pitch apart; the pitch is padded
// to a multiple of 64 bytes. Geometry is read through the parent chain at each call, so a ROI
// follows its image when the image is resized.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "vnimg/platform/types.h"

class VnGenericROI {
 public:
  virtual ~VnGenericROI() = default;

  // Virtual operations, in slot order.
  // Bytes per pixel; 0 for packed bit pixels.
  virtual int GetBytesPerPixel() const = 0;
  // True when other has this ROI's width and height; otherwise sets VN_ERR_SIZE_MISMATCH
  // (VN_ERR_NULL_ROI when other is null) and returns false.
  virtual bool CheckSameSize(const VnGenericROI* other) const;
  // True when the ROI has no pixel buffer (GetGenericImagePtr(0, 0) is null).
  virtual bool Void() const;
  virtual void SetSize(VnGenericROI* other);
  virtual void SetSize(const VnGenericROI* other);
  // On a ROI: new width and height at the same origin. On an image: new storage.
  virtual void SetSize(int width, int height);
  // Untyped address of pixel (x, y) (for bit images the byte holding it); null without buffer.
  virtual void* GetGenericImagePtr(int x, int y) const = 0;
  // Bytes from a row to the next; 0 without buffer.
  virtual int GetRowPitch() const;
  // Bit offset of pixel (x, y) in its byte, 0 (most significant bit) to 7; 0 for byte pixels.
  virtual int GetBitOffset(int x, int y) const;
  // True when the ROI can be used: every rectangle of the chain has a non-negative size and
  // lies inside its parent (else VN_ERR_NEGATIVE_SIZE / VN_ERR_ROI_OUTSIDE_PARENT), and the
  // top image has a buffer (else VN_ERR_NULL_ROI). Sets the code on failure.
  virtual bool CheckValidity() const;
  // Bytes from just past a row's last pixel to the next row's first (held at the int range's
  // ends for a ROI wider than its image).
  virtual int GetSkip() const;

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetOrgX() const { return m_orgX; }
  int GetOrgY() const { return m_orgY; }
  // Origin and height in the top image of the parent chain (an origin past the int range,
  // possible only on a ROI that fails CheckValidity, is held at the range's ends).
  int GetTotalOrgX() const;
  int GetTotalOrgY() const;
  int GetTotalHeight() const;

 protected:
  VnGenericROI() = default;
  VnGenericROI(const VnGenericROI* parent, int orgX, int orgY, int width, int height)
      : m_parent(parent), m_orgX(orgX), m_orgY(orgY), m_width(width), m_height(height) {}
  // A copy views the same pixels: a copy of a ROI has the same parent and placement, a copy
  // of a top image is a ROI over the whole of it. Buffers are never shared by copying.
  VnGenericROI(const VnGenericROI& other);
  VnGenericROI& operator=(const VnGenericROI& other);

  const VnGenericROI& Top() const;
  // The total origin summed wide: a chain that leaves its parents may pass the int range.
  std::int64_t WideTotalOrgX() const;
  std::int64_t WideTotalOrgY() const;
  unsigned char* TopBuffer() const { return Top().m_buffer; }
  // Address of the byte holding pixel column `column` (in top-image columns) of row `row`.
  unsigned char* ByteAt(std::ptrdiff_t column, std::ptrdiff_t row, int bitsPerPixel) const;

  const VnGenericROI* m_parent = nullptr;
  int m_orgX = 0;
  int m_orgY = 0;
  int m_width = 0;
  int m_height = 0;
  // Set on top images only.
  unsigned char* m_buffer = nullptr;
  int m_rowPitch = 0;
};

template <class T>
struct VnPixelTraits {
  using Storage = T;
  static constexpr int kBitsPerPixel = static_cast<int>(sizeof(T)) * 8;
};
template <>
struct VnPixelTraits<VnBW1> {
  using Storage = unsigned char;
  static constexpr int kBitsPerPixel = 1;
};

template <class T>
class VnROI : public VnGenericROI {
 public:
  // What GetImagePtr points at: the pixel type, or the byte holding the pixel for VnBW1.
  using Storage = typename VnPixelTraits<T>::Storage;
  static constexpr int kBitsPerPixel = VnPixelTraits<T>::kBitsPerPixel;

  VnROI() = default;
  VnROI(const VnROI<T>* parent, int orgX, int orgY, int width, int height)
      : VnGenericROI(parent, orgX, orgY, width, height) {}
  VnROI(const VnROI&) = default;
  VnROI& operator=(const VnROI&) = default;

  // Moves the rectangle inside its parent; checked by CheckValidity, not here.
  void SetPlacement(int orgX, int orgY, int width, int height) {
    m_orgX = orgX;
    m_orgY = orgY;
    m_width = width;
    m_height = height;
  }

  int GetBytesPerPixel() const override { return kBitsPerPixel / 8; }
  void* GetGenericImagePtr(int x, int y) const override { return GetImagePtr(x, y); }
  using VnGenericROI::SetSize;

  Storage* GetImagePtr(int x, int y) const {
    if (!TopBuffer()) return nullptr;
    return reinterpret_cast<Storage*>(ByteAt(WideTotalOrgX() + x, WideTotalOrgY() + y, kBitsPerPixel));
  }

  // Unchecked pixel access; (x, y) must lie inside the ROI.
  T GetPixel(int x, int y) const {
    if constexpr (std::is_same_v<T, VnBW1>) {
      return VnBW1((*GetImagePtr(x, y) >> (7 - GetBitOffset(x, y))) & 1u);
    } else {
      return *GetImagePtr(x, y);
    }
  }
  void SetPixel(T value, int x, int y) {
    if constexpr (std::is_same_v<T, VnBW1>) {
      unsigned char* byte = GetImagePtr(x, y);
      const unsigned char bit = static_cast<unsigned char>(0x80u >> GetBitOffset(x, y));
      *byte = static_cast<unsigned char>(value ? (*byte | bit) : (*byte & ~bit));
    } else {
      *GetImagePtr(x, y) = value;
    }
  }

  // Mask runs (used on VnROI<VnBW8>): an empty list means the whole rectangle. The ROI keeps
  // its own copy of the runs.
  void SetMaskRuns(const VnRun* runs, unsigned count) { m_maskRuns.assign(runs, runs + (runs ? count : 0)); }
  void ClearMaskRuns() { m_maskRuns.clear(); }
  const VnRun* GetMaskRuns() const { return m_maskRuns.empty() ? nullptr : m_maskRuns.data(); }
  unsigned GetMaskRunCount() const { return static_cast<unsigned>(m_maskRuns.size()); }
  // Non-zero: run start and end are byte offsets from the address of pixel (0, 0). Always 1
  // here, because addresses do not fit the records' 32-bit fields on 64-bit hosts.
  int GetMaskOffsets() const { return 1; }

 private:
  std::vector<VnRun> m_maskRuns;
};

// Storage of an image: sizes whose bytes or pitch do not fit give VN_ERR_OUT_OF_MEMORY.
namespace vnimg::platform {
bool AllocateImage(int width, int height, int bitsPerPixel, unsigned char*& buffer, int& pitch);
void FreeImage(unsigned char* buffer);
}  // namespace vnimg::platform

template <class T>
class VnImage : public VnROI<T> {
 public:
  VnImage() = default;
  // Allocates zeroed pixels; on failure sets the code and stays empty (void).
  VnImage(int width, int height) { SetSize(width, height); }
  VnImage(const VnImage& other) : VnROI<T>() { CopyFrom(other); }
  VnImage& operator=(const VnImage& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }
  VnImage(VnImage&& other) noexcept : VnROI<T>() { TakeFrom(other); }
  VnImage& operator=(VnImage&& other) noexcept {
    if (this != &other) {
      vnimg::platform::FreeImage(this->m_buffer);
      TakeFrom(other);
    }
    return *this;
  }
  ~VnImage() override { vnimg::platform::FreeImage(this->m_buffer); }

  using VnROI<T>::SetSize;
  // New zeroed storage of width x height (0 in either gives an empty, void image). Negative
  // sizes set VN_ERR_NEGATIVE_SIZE, storage that cannot be had VN_ERR_OUT_OF_MEMORY; the
  // image is then left as it was.
  void SetSize(int width, int height) override {
    unsigned char* buffer = nullptr;
    int pitch = 0;
    if (!vnimg::platform::AllocateImage(width, height, VnROI<T>::kBitsPerPixel, buffer, pitch)) return;
    vnimg::platform::FreeImage(this->m_buffer);
    this->m_buffer = buffer;
    this->m_rowPitch = pitch;
    this->m_width = width;
    this->m_height = height;
  }

 private:
  void CopyFrom(const VnImage& other) {
    SetSize(other.GetWidth(), other.GetHeight());
    if (this->m_buffer && other.m_buffer && this->m_width == other.m_width && this->m_height == other.m_height) {
      const std::size_t bytes = static_cast<std::size_t>(this->m_rowPitch) * static_cast<std::size_t>(this->m_height);
      std::copy(other.m_buffer, other.m_buffer + bytes, this->m_buffer);
    }
  }
  void TakeFrom(VnImage& other) {
    this->m_buffer = other.m_buffer;
    this->m_rowPitch = other.m_rowPitch;
    this->m_width = other.m_width;
    this->m_height = other.m_height;
    other.m_buffer = nullptr;
    other.m_rowPitch = 0;
    other.m_width = 0;
    other.m_height = 0;
  }
};
