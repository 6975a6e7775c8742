// Typed growable vectors of plain elements, their element types and their vector files.
//
// A vector file is a four-byte header (magic 0x56, the element type's code, version 1, and
// the exclusive-or of those three bytes), the element count as an unsigned 32-bit
// little-endian number, then every element as its fixed-size little-endian image.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iosfwd>
#include <limits>
#include <new>
#include <type_traits>

#include "vnimg/platform/error.h"
#include "vnimg/platform/types.h"

// ---------------------------------------------------------------------------------------------
// Element types of the library's own vectors.

// A point of a path.
struct VnPath {
  std::int16_t m_n16X = 0;
  std::int16_t m_n16Y = 0;
  friend constexpr bool operator==(const VnPath&, const VnPath&) = default;
};

// A path point with the gray level sampled there.
struct VnBW8Path {
  std::int16_t m_n16X = 0;
  std::int16_t m_n16Y = 0;
  VnBW8 m_bw8Pixel = 0;
  friend constexpr bool operator==(const VnBW8Path&, const VnBW8Path&) = default;
};

struct VnBW16Path {
  std::int16_t m_n16X = 0;
  std::int16_t m_n16Y = 0;
  VnBW16 m_bw16Pixel = 0;
  friend constexpr bool operator==(const VnBW16Path&, const VnBW16Path&) = default;
};

struct VnC24Path {
  std::int16_t m_n16X = 0;
  std::int16_t m_n16Y = 0;
  VnC24 m_c24Pixel{};
  friend constexpr bool operator==(const VnC24Path&, const VnC24Path&) = default;
};

// A peak of a profile: elements [start, start + length), its centre, height and area.
struct VnPeak {
  std::uint32_t m_un32Start = 0;
  std::uint32_t m_un32Length = 0;
  float m_f32Center = 0.0f;
  std::int32_t m_n32Amplitude = 0;
  std::int32_t m_n32Area = 0;
  friend constexpr bool operator==(const VnPeak&, const VnPeak&) = default;
};

// The alignment bytes are part of the file format, so the sizes are fixed.
static_assert(sizeof(VnPath) == 4 && sizeof(VnBW8Path) == 6 && sizeof(VnBW16Path) == 6);
static_assert(sizeof(VnC24Path) == 8 && sizeof(VnPeak) == 20);

// "( VnPeak : m_un32Start = 10 m_un32Length = 5 m_f32Center = 12 m_n32Amplitude = 40 m_n32Area = 150)"
std::ostream& operator<<(std::ostream& os, const VnPeak& peak);
// "( VnPath : m_n16X = 3 m_n16Y = -4)"
std::ostream& operator<<(std::ostream& os, const VnPath& point);
// "( VnBW8Path : m_n16X = 3 m_n16Y = 4 m_bw8Pixel = A)": the pixel is written as one raw
// character, not as a number.
std::ostream& operator<<(std::ostream& os, const VnBW8Path& point);

// The core library's plot frame; the histogram vector draws inside it. Empty until drawing
// lands.
class VnPlot {};

// Selects the VnBW32 element type where VnBW32 and unsigned int are one C++ type, so that a
// VnBW32Vector stays a type of its own and writes its own type code.
struct VnBW32Element {};

// ---------------------------------------------------------------------------------------------
// How each element type sits in a vector file: its type code, its size on disk and its
// little-endian image. Kind is the element type itself, or VnBW32Element.

namespace vnimg::vector_bytes {

inline void Put16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t Get32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
inline void PutPoint(unsigned char* p, std::int16_t x, std::int16_t y) {
  Put16(p, static_cast<std::uint16_t>(x));
  Put16(p + 2, static_cast<std::uint16_t>(y));
}
inline void PutFloat(unsigned char* p, float v) { Put32(p, std::bit_cast<std::uint32_t>(v)); }
inline float GetFloat(const unsigned char* p) { return std::bit_cast<float>(Get32(p)); }
template <class Point>
void GetPoint(const unsigned char* p, Point& point) {
  point.m_n16X = static_cast<std::int16_t>(Get16(p));
  point.m_n16Y = static_cast<std::int16_t>(Get16(p + 2));
}

}  // namespace vnimg::vector_bytes

template <class Kind>
struct VnVectorElement;

// Codes of the library's own element types are 6 to 11 (10 unused); the core library's element
// types take 1 to 5 and 12 to 14. No code may be 0x57, which would make the check byte 0.
template <>
struct VnVectorElement<VnBW8> {
  using Type = VnBW8;
  static constexpr unsigned char kTypeCode = 1;
  static constexpr std::size_t kDiskSize = 1;
  static void Write(const Type& e, unsigned char* p) { p[0] = e; }
  static void Read(const unsigned char* p, Type& e) { e = p[0]; }
};

template <>
struct VnVectorElement<VnBW16> {
  using Type = VnBW16;
  static constexpr unsigned char kTypeCode = 2;
  static constexpr std::size_t kDiskSize = 2;
  static void Write(const Type& e, unsigned char* p) { vnimg::vector_bytes::Put16(p, e); }
  static void Read(const unsigned char* p, Type& e) { e = vnimg::vector_bytes::Get16(p); }
};

// 32-bit words: VnBW32 pixels, unsigned int counts and VnINT32 values differ only in the code.
template <class T, unsigned char Code>
struct VnVectorWordElement {
  using Type = T;
  static constexpr unsigned char kTypeCode = Code;
  static constexpr std::size_t kDiskSize = 4;
  static void Write(const Type& e, unsigned char* p) { vnimg::vector_bytes::Put32(p, static_cast<std::uint32_t>(e)); }
  static void Read(const unsigned char* p, Type& e) { e = static_cast<T>(vnimg::vector_bytes::Get32(p)); }
};
template <>
struct VnVectorElement<VnBW32Element> : VnVectorWordElement<VnBW32, 3> {};
template <>
struct VnVectorElement<VnINT32> : VnVectorWordElement<VnINT32, 5> {};
template <>
struct VnVectorElement<unsigned int> : VnVectorWordElement<unsigned int, 12> {};

template <>
struct VnVectorElement<VnC24> {
  using Type = VnC24;
  static constexpr unsigned char kTypeCode = 4;
  static constexpr std::size_t kDiskSize = 3;
  static void Write(const Type& e, unsigned char* p) {
    p[0] = e.c0;
    p[1] = e.c1;
    p[2] = e.c2;
  }
  static void Read(const unsigned char* p, Type& e) { e = VnC24{p[0], p[1], p[2]}; }
};

template <>
struct VnVectorElement<VnRun> {
  using Type = VnRun;
  static constexpr unsigned char kTypeCode = 13;
  static constexpr std::size_t kDiskSize = 12;
  static void Write(const Type& e, unsigned char* p) {
    vnimg::vector_bytes::Put32(p, e.m_un32Start);
    vnimg::vector_bytes::Put32(p + 4, e.m_un32End);
    vnimg::vector_bytes::PutPoint(p + 8, e.m_n16X, e.m_n16Y);
  }
  static void Read(const unsigned char* p, Type& e) {
    e.m_un32Start = vnimg::vector_bytes::Get32(p);
    e.m_un32End = vnimg::vector_bytes::Get32(p + 4);
    vnimg::vector_bytes::GetPoint(p + 8, e);
  }
};

template <>
struct VnVectorElement<VnColor> {
  using Type = VnColor;
  static constexpr unsigned char kTypeCode = 14;
  static constexpr std::size_t kDiskSize = 12;
  static void Write(const Type& e, unsigned char* p) {
    vnimg::vector_bytes::PutFloat(p, e.c0);
    vnimg::vector_bytes::PutFloat(p + 4, e.c1);
    vnimg::vector_bytes::PutFloat(p + 8, e.c2);
  }
  static void Read(const unsigned char* p, Type& e) {
    e.c0 = vnimg::vector_bytes::GetFloat(p);
    e.c1 = vnimg::vector_bytes::GetFloat(p + 4);
    e.c2 = vnimg::vector_bytes::GetFloat(p + 8);
  }
};

template <>
struct VnVectorElement<VnPath> {
  using Type = VnPath;
  static constexpr unsigned char kTypeCode = 6;
  static constexpr std::size_t kDiskSize = 4;
  static void Write(const Type& e, unsigned char* p) { vnimg::vector_bytes::PutPoint(p, e.m_n16X, e.m_n16Y); }
  static void Read(const unsigned char* p, Type& e) { vnimg::vector_bytes::GetPoint(p, e); }
};

// Byte 5 is the alignment byte: written as 0, ignored on reading.
template <>
struct VnVectorElement<VnBW8Path> {
  using Type = VnBW8Path;
  static constexpr unsigned char kTypeCode = 7;
  static constexpr std::size_t kDiskSize = 6;
  static void Write(const Type& e, unsigned char* p) {
    vnimg::vector_bytes::PutPoint(p, e.m_n16X, e.m_n16Y);
    p[4] = e.m_bw8Pixel;
    p[5] = 0;
  }
  static void Read(const unsigned char* p, Type& e) {
    vnimg::vector_bytes::GetPoint(p, e);
    e.m_bw8Pixel = p[4];
  }
};

// Byte 7 is the alignment byte: written as 0, ignored on reading.
template <>
struct VnVectorElement<VnC24Path> {
  using Type = VnC24Path;
  static constexpr unsigned char kTypeCode = 8;
  static constexpr std::size_t kDiskSize = 8;
  static void Write(const Type& e, unsigned char* p) {
    vnimg::vector_bytes::PutPoint(p, e.m_n16X, e.m_n16Y);
    VnVectorElement<VnC24>::Write(e.m_c24Pixel, p + 4);
    p[7] = 0;
  }
  static void Read(const unsigned char* p, Type& e) {
    vnimg::vector_bytes::GetPoint(p, e);
    VnVectorElement<VnC24>::Read(p + 4, e.m_c24Pixel);
  }
};

template <>
struct VnVectorElement<VnPeak> {
  using Type = VnPeak;
  static constexpr unsigned char kTypeCode = 9;
  static constexpr std::size_t kDiskSize = 20;
  static void Write(const Type& e, unsigned char* p) {
    vnimg::vector_bytes::Put32(p, e.m_un32Start);
    vnimg::vector_bytes::Put32(p + 4, e.m_un32Length);
    vnimg::vector_bytes::PutFloat(p + 8, e.m_f32Center);
    vnimg::vector_bytes::Put32(p + 12, static_cast<std::uint32_t>(e.m_n32Amplitude));
    vnimg::vector_bytes::Put32(p + 16, static_cast<std::uint32_t>(e.m_n32Area));
  }
  static void Read(const unsigned char* p, Type& e) {
    e.m_un32Start = vnimg::vector_bytes::Get32(p);
    e.m_un32Length = vnimg::vector_bytes::Get32(p + 4);
    e.m_f32Center = vnimg::vector_bytes::GetFloat(p + 8);
    e.m_n32Amplitude = static_cast<std::int32_t>(vnimg::vector_bytes::Get32(p + 12));
    e.m_n32Area = static_cast<std::int32_t>(vnimg::vector_bytes::Get32(p + 16));
  }
};

template <>
struct VnVectorElement<VnBW16Path> {
  using Type = VnBW16Path;
  static constexpr unsigned char kTypeCode = 11;
  static constexpr std::size_t kDiskSize = 6;
  static void Write(const Type& e, unsigned char* p) {
    vnimg::vector_bytes::PutPoint(p, e.m_n16X, e.m_n16Y);
    vnimg::vector_bytes::Put16(p + 4, e.m_bw16Pixel);
  }
  static void Read(const unsigned char* p, Type& e) {
    vnimg::vector_bytes::GetPoint(p, e);
    e.m_bw16Pixel = vnimg::vector_bytes::Get16(p + 4);
  }
};

// ---------------------------------------------------------------------------------------------
// File helpers shared by every instantiation (vector/vector_file.cpp).

namespace vnimg::vector_file {

// Opens for "wb" or "rb"; a wide path is converted to the locale's multibyte form first.
// Null when the file cannot be opened (or the path cannot be converted).
std::FILE* Open(const char* path, bool write);
std::FILE* Open(const wchar_t* path, bool write);
// Writes the four header bytes of the type code: 0, or 1104 when they did not all go out.
int WriteHeader(std::FILE* file, unsigned char typeCode);
// Reads and checks the four header bytes: 0, 1103 when short, 1105 when not the type's.
int ReadHeader(std::FILE* file, unsigned char typeCode);
// Sets code, closes the file and traces.
void Abandon(std::FILE* file, int code, const char* trace);
// After the body: traces the body's error, or closes and reports 1106 when closing fails.
void Finish(std::FILE* file, const char* trace);

// Opens the file, writes or checks the header, then runs body(file), which reports through
// the error state. Every failure is traced with `trace`; the file is closed on every path.
template <class Path, class Body>
void Transfer(const Path* path, bool write, unsigned char typeCode, const char* trace, Body&& body) {
  std::FILE* file = Open(path, write);
  if (!file) {
    VnSetError(VN_ERR_FILE_OPEN);
    VnTraceError(trace);
    return;
  }
  const int header = write ? WriteHeader(file, typeCode) : ReadHeader(file, typeCode);
  if (header != VN_OK) return Abandon(file, header, trace);
  VnOk();
  body(file);
  Finish(file, trace);
}

}  // namespace vnimg::vector_file

// ---------------------------------------------------------------------------------------------

// A growable array of plain elements: count elements in use out of a buffer of maximum
// elements. Elements are copied byte-wise, never constructed or destroyed one by one.
// Kind picks the element's file type code (see VnBW32Element).
template <class T, class Kind = T>
class VnVectorTemplate {
 public:
  using Element = T;
  using Compare = int (*)(const T&, const T&);

  VnVectorTemplate() = default;
  // count = maximum = n, every byte 0. Allocation failure: 1303 (no trace), left empty.
  explicit VnVectorTemplate(unsigned int n);
  VnVectorTemplate(const VnVectorTemplate& other) { other.CopyTo(this); }
  VnVectorTemplate& operator=(const VnVectorTemplate& other) {
    other.CopyTo(this);
    return *this;
  }
  virtual ~VnVectorTemplate() {
    Release(m_pData);
    m_pData = nullptr;
  }

  // Writes (write non-zero) or reads the body of a vector file: the count, then the elements.
  // Codes: 1104 write failure, 1103 short read, 1303 no memory for the count read.
  virtual void Serialize(std::FILE* file, int write, unsigned int version);

  // Copies this vector into dest (a new vector owned by the caller when dest is null) and
  // returns it; dest's buffer becomes exactly count elements. Allocation failure: 1303,
  // trace "VnVector::SetMaxElements", dest unchanged, null returned for a null dest.
  VnVectorTemplate* CopyTo(VnVectorTemplate* dest) const;

  unsigned int GetNumElements() const { return m_un32NumElements; }
  unsigned int GetMaxElements() const { return m_un32MaxElements; }
  T* GetDataPtr() const { return m_pData; }

  // count = 0; the buffer stays.
  void Empty() { m_un32NumElements = 0; }
  // Capacity n, keeping the first elements when keep is non-zero (emptying otherwise); nothing
  // at all when n is already the capacity. Failure: 1303, trace "VnVector::SetMaxElements".
  void SetMaxElements(unsigned int n, int keep) { Reallocate(n, keep != 0); }
  // count = n, growing the capacity to exactly n when needed (new elements are not set).
  // Failure: trace "VnVector::SetNumElements" under the allocation's code, count unchanged.
  void SetNumElements(unsigned int n);
  // Appends, doubling the capacity when full (1, 2, 4 ... from empty).
  void AddElement(T element) { Append(element, "VnVector::AddElement"); }
  void AddElementByRef(T& element) { Append(element, "VnVector::AddElementByRef"); }
  // Removes element i, moving the following ones down. i >= count: 1011.
  void RemoveElement(unsigned int i);

  // Element i; i >= count: 1011 and a per-type scratch element, zeroed on each such call.
  T& operator[](unsigned int i) const;
  // Copy of element i; out of range: 1011 and a zero element.
  T GetElement(int i) const;
  // Stores element at i; out of range: 1011 and nothing stored.
  void SetElement(int i, T element);

  // Replaces the root of the heap held in elements 0 .. count-1 by element and sifts it down;
  // compare(a, b) non-zero means a belongs above b. The vector must not be empty.
  void Sift(const T& element, Compare compare);

  void Save(const char* path) { SaveTo(path, "VnVector::Save"); }
  void Save(const wchar_t* path) { SaveTo(path, "VnVector::Save ( Unicode)"); }
  void Load(const char* path) { LoadFrom(path, "VnVector::Load"); }
  void Load(const wchar_t* path) { LoadFrom(path, "VnVector::Load ( Unicode)"); }

 private:
  using Codec = VnVectorElement<Kind>;
  static_assert(std::is_same_v<typename Codec::Type, T>, "Kind must describe T");
  static_assert(std::is_trivially_copyable_v<T>);

  static T* Allocate(unsigned int n, bool& ok);
  static void Release(T* data) { ::operator delete[](data); }
  // SetMaxElements reporting success.
  bool Reallocate(unsigned int n, bool keep);
  void Append(const T& element, const char* trace);
  bool InRange(int i, const char* trace) const;
  void WriteBody(std::FILE* file) const;
  void ReadBody(std::FILE* file);
  template <class Path>
  void SaveTo(const Path* path, const char* trace);
  template <class Path>
  void LoadFrom(const Path* path, const char* trace);

  unsigned int m_un32NumElements = 0;
  unsigned int m_un32MaxElements = 0;
  T* m_pData = nullptr;
};

using VnBW8Vector = VnVectorTemplate<VnBW8>;
using VnBW16Vector = VnVectorTemplate<VnBW16>;
using VnBW32Vector = VnVectorTemplate<VnBW32, VnBW32Element>;
using VnC24Vector = VnVectorTemplate<VnC24>;
using VnINT32Vector = VnVectorTemplate<VnINT32>;
using VnRunVector = VnVectorTemplate<VnRun>;
using VnColorVector = VnVectorTemplate<VnColor>;

// ---------------------------------------------------------------------------------------------
// Vectors of the library's own elements.

// Two opaque values a language binding stores in an object and reads back; never interpreted.
struct VnBinding {
  void* m_pWrapper = nullptr;
  void* m_pCallback = nullptr;
};

// A path: its points, and whether drawing joins the last point to the first.
template <class Point>
class VnPathVectorTemplate : public VnVectorTemplate<Point> {
 public:
  VnPathVectorTemplate() = default;
  // Empty, with room for n points. Failure: 1303, trace "VnVector::SetMaxElements".
  explicit VnPathVectorTemplate(unsigned int n) { this->SetMaxElements(n, 1); }
  ~VnPathVectorTemplate() override = default;

  int GetClosed() const { return m_n32Closed; }
  void SetClosed(int closed) { m_n32Closed = closed; }

  VnBinding m_binding;

 private:
  int m_n32Closed = 0;
};

using VnPathVector = VnPathVectorTemplate<VnPath>;
using VnBW8PathVector = VnPathVectorTemplate<VnBW8Path>;
using VnBW16PathVector = VnPathVectorTemplate<VnBW16Path>;
using VnC24PathVector = VnPathVectorTemplate<VnC24Path>;

class VnPeaksVector : public VnVectorTemplate<VnPeak> {
 public:
  VnPeaksVector() = default;
  // Empty, with room for n peaks. Failure: 1303, trace "VnVector::SetMaxElements".
  explicit VnPeaksVector(unsigned int n) { SetMaxElements(n, 1); }
  ~VnPeaksVector() override = default;

  VnBinding m_binding;
};

// One unsigned 32-bit count per gray level.
class VnBWHistogramVector : public VnVectorTemplate<unsigned int>, public VnPlot {
 public:
  VnBWHistogramVector() = default;
  // Empty, with room for n bins. Failure: 1303, trace "VnVector::SetMaxElements".
  explicit VnBWHistogramVector(unsigned int n) { SetMaxElements(n, 1); }
  ~VnBWHistogramVector() override = default;

  // Every bin in use set to 0; count and maximum unchanged.
  void Clear();
  // Shannon entropy in bits of bins first .. last (last 0xFFFFFFFF: to the end).
  float Entropy(unsigned int first, unsigned int last);

  VnBinding m_binding;
};

// ---------------------------------------------------------------------------------------------
// Implementation.

template <class T, class Kind>
T* VnVectorTemplate<T, Kind>::Allocate(unsigned int n, bool& ok) {
  ok = true;
  if (n == 0) return nullptr;
  // A buffer whose size does not fit in 32 bits is refused like one the system cannot give.
  const std::uint64_t bytes = std::uint64_t{n} * sizeof(T);
  T* data = nullptr;
  if (bytes <= std::numeric_limits<std::uint32_t>::max())
    data = static_cast<T*>(::operator new[](static_cast<std::size_t>(bytes), std::nothrow));
  ok = data != nullptr;
  return data;
}

template <class T, class Kind>
VnVectorTemplate<T, Kind>::VnVectorTemplate(unsigned int n) {
  bool ok = false;
  T* data = Allocate(n, ok);
  if (!ok) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    return;
  }
  if (n) std::memset(static_cast<void*>(data), 0, std::size_t{n} * sizeof(T));
  m_pData = data;
  m_un32NumElements = m_un32MaxElements = n;
}

template <class T, class Kind>
bool VnVectorTemplate<T, Kind>::Reallocate(unsigned int n, bool keep) {
  if (n == m_un32MaxElements) return true;
  bool ok = false;
  T* data = Allocate(n, ok);
  if (!ok) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    VnTraceError("VnVector::SetMaxElements");
    return false;
  }
  m_un32MaxElements = n;
  if (m_un32NumElements > n) m_un32NumElements = n;
  if (keep) {
    if (m_un32NumElements)
      std::memcpy(static_cast<void*>(data), m_pData, std::size_t{m_un32NumElements} * sizeof(T));
  } else {
    m_un32NumElements = 0;
  }
  Release(m_pData);
  m_pData = data;
  return true;
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::SetNumElements(unsigned int n) {
  if (n <= m_un32MaxElements) {
    m_un32NumElements = n;
    return;
  }
  VnOk();
  if (!Reallocate(n, true)) {
    VnTraceError("VnVector::SetNumElements");
    return;
  }
  m_un32NumElements = n;
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::Append(const T& element, const char* trace) {
  if (m_un32NumElements == m_un32MaxElements) {
    VnOk();
    // Past 2^31 elements doubling would wrap; the capacity then stays as it is and fails.
    const unsigned int grown = m_un32MaxElements == 0 ? 1u
                               : m_un32MaxElements > std::numeric_limits<unsigned int>::max() / 2
                                   ? m_un32MaxElements
                                   : 2 * m_un32MaxElements;
    if (grown == m_un32MaxElements) {
      VnSetError(VN_ERR_OUT_OF_MEMORY);
      VnTraceError("VnVector::SetMaxElements");
      VnTraceError(trace);
      return;
    }
    if (!Reallocate(grown, true)) {
      VnTraceError(trace);
      return;
    }
  }
  m_pData[m_un32NumElements++] = element;
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::RemoveElement(unsigned int i) {
  if (i >= m_un32NumElements) {
    VnSetError(VN_ERR_PARAM_1);
    VnTraceError("VnVector::RemoveElement");
    return;
  }
  std::memmove(static_cast<void*>(m_pData + i), m_pData + i + 1, std::size_t{m_un32NumElements - i - 1} * sizeof(T));
  --m_un32NumElements;
}

template <class T, class Kind>
T& VnVectorTemplate<T, Kind>::operator[](unsigned int i) const {
  if (i < m_un32NumElements) return m_pData[i];
  VnSetError(VN_ERR_PARAM_1);
  VnTraceError("VnVector::operator[]");
  // One per element type and thread, so that a stray write through it races with nobody.
  thread_local T scratch{};
  scratch = T{};
  return scratch;
}

template <class T, class Kind>
bool VnVectorTemplate<T, Kind>::InRange(int i, const char* trace) const {
  if (i >= 0 && static_cast<unsigned int>(i) < m_un32NumElements) return true;
  VnSetError(VN_ERR_PARAM_1);
  VnTraceError(trace);
  return false;
}

template <class T, class Kind>
T VnVectorTemplate<T, Kind>::GetElement(int i) const {
  if (!InRange(i, "VnVector::operator[]")) return T{};
  return m_pData[i];
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::SetElement(int i, T element) {
  if (InRange(i, "VnVector::operator[]")) m_pData[i] = element;
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::Sift(const T& element, Compare compare) {
  const T moving = element;  // element may live in this vector
  const unsigned int count = m_un32NumElements;
  unsigned int pos = 0;
  for (;;) {
    const std::uint64_t left = 2 * std::uint64_t{pos} + 1;
    const std::uint64_t right = left + 1;
    const std::uint64_t child = right < count && compare(m_pData[right], m_pData[left]) ? right : left;
    if (child >= count || !compare(m_pData[child], moving)) break;
    m_pData[pos] = m_pData[child];
    pos = static_cast<unsigned int>(child);
  }
  if (count) m_pData[pos] = moving;
}

template <class T, class Kind>
VnVectorTemplate<T, Kind>* VnVectorTemplate<T, Kind>::CopyTo(VnVectorTemplate* dest) const {
  if (dest == this) return dest;
  VnVectorTemplate* target = dest ? dest : new (std::nothrow) VnVectorTemplate;
  if (!target) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
    VnTraceError("VnVector::SetMaxElements");
    return nullptr;
  }
  if (target->m_un32MaxElements != m_un32NumElements && !target->Reallocate(m_un32NumElements, false)) {
    if (!dest) delete target;
    return dest;
  }
  if (m_un32NumElements)
    std::memcpy(static_cast<void*>(target->m_pData), m_pData, std::size_t{m_un32NumElements} * sizeof(T));
  target->m_un32NumElements = m_un32NumElements;
  return target;
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::Serialize(std::FILE* file, int write, unsigned int /*version*/) {
  if (write)
    WriteBody(file);
  else
    ReadBody(file);
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::WriteBody(std::FILE* file) const {
  unsigned char count[4];
  vnimg::vector_bytes::Put32(count, m_un32NumElements);
  if (std::fwrite(count, 1, 4, file) != 4) {
    VnSetError(VN_ERR_FILE_WRITE);
    return;
  }
  // Elements go out through a small buffer of little-endian images.
  constexpr std::size_t kChunk = 4096 / Codec::kDiskSize;
  unsigned char buffer[kChunk * Codec::kDiskSize];
  for (unsigned int first = 0; first < m_un32NumElements;) {
    const std::size_t n = std::min<std::size_t>(kChunk, m_un32NumElements - first);
    for (std::size_t k = 0; k < n; ++k) Codec::Write(m_pData[first + k], buffer + k * Codec::kDiskSize);
    if (std::fwrite(buffer, Codec::kDiskSize, n, file) != n) {
      VnSetError(VN_ERR_FILE_WRITE);
      return;
    }
    first += static_cast<unsigned int>(n);
  }
}

template <class T, class Kind>
void VnVectorTemplate<T, Kind>::ReadBody(std::FILE* file) {
  unsigned char bytes[4];
  if (std::fread(bytes, 1, 4, file) != 4) {
    VnSetError(VN_ERR_FILE_READ);
    return;
  }
  const unsigned int count = vnimg::vector_bytes::Get32(bytes);
  // No old element survives, and the capacity becomes exactly the count read.
  m_un32NumElements = 0;
  if (!Reallocate(count, true)) return;
  SetNumElements(count);
  constexpr std::size_t kChunk = 4096 / Codec::kDiskSize;
  unsigned char buffer[kChunk * Codec::kDiskSize];
  for (unsigned int first = 0; first < count;) {
    const std::size_t n = std::min<std::size_t>(kChunk, count - first);
    const std::size_t got = std::fread(buffer, Codec::kDiskSize, n, file);
    for (std::size_t k = 0; k < got; ++k) Codec::Read(buffer + k * Codec::kDiskSize, m_pData[first + k]);
    if (got != n) {
      VnSetError(VN_ERR_FILE_READ);
      return;
    }
    first += static_cast<unsigned int>(n);
  }
}

template <class T, class Kind>
template <class Path>
void VnVectorTemplate<T, Kind>::SaveTo(const Path* path, const char* trace) {
  VnOk();
  vnimg::vector_file::Transfer(path, true, Codec::kTypeCode, trace, [this](std::FILE* file) { Serialize(file, 1, 1); });
}

template <class T, class Kind>
template <class Path>
void VnVectorTemplate<T, Kind>::LoadFrom(const Path* path, const char* trace) {
  VnOk();
  vnimg::vector_file::Transfer(path, false, Codec::kTypeCode, trace, [this](std::FILE* file) { Serialize(file, 0, 1); });
}
