// Small helpers that keep every operation reading as its frame: clear, argument checks,
// ROI checks, buffer check, variant choice, row loops, trace on failure.
//
//   void ImgExample(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
//     constexpr const char* kTrace = "ImgExample (BW8)";
//     VnOk();
//     if (!frame::CheckRois(kTrace, {src, dst})) return;
//     const auto run = ExampleVariants().Pick();
//     frame::ForEachRow(*src, *dst, [&](const VnBW8* s, VnBW8* d, int width) { run(s, d, width); });
//   }
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <utility>

#include "vnimg/platform/error.h"
#include "vnimg/platform/roi.h"

namespace vnimg::frame {

// Sets the code and traces the name: the end of every failed check.
inline void Fail(int code, const char* trace) {
  VnSetError(code);
  VnTraceError(trace);
}
// Traces the name under the code already set (by a core check or an inner worker).
inline void Trace(const char* trace) { VnTraceError(trace); }
// The legacy short-returning form of Fail.
inline short FailShort(int code, const char* trace) {
  VnSetError(code);
  return static_cast<short>(VnTraceError(trace));
}

// True when every pointer is non-null; otherwise VN_ERR_NULL_ROI is set and traced.
inline bool CheckNotNull(const char* trace, std::initializer_list<const void*> pointers) {
  if (std::find(pointers.begin(), pointers.end(), nullptr) == pointers.end()) return true;
  Fail(VN_ERR_NULL_ROI, trace);
  return false;
}

namespace detail {

using RoiList = std::initializer_list<const VnGenericROI*>;

// Null pointers first, then the validity of each ROI in order, each from a clear state.
inline bool NonNullAndValid(const char* trace, RoiList rois) {
  if (std::find(rois.begin(), rois.end(), nullptr) != rois.end()) {
    Fail(VN_ERR_NULL_ROI, trace);
    return false;
  }
  for (const VnGenericROI* roi : rois) {
    VnOk();
    if (!roi->CheckValidity()) {
      Trace(trace);
      return false;
    }
  }
  return true;
}

inline bool SameSizeAsFirst(const char* trace, RoiList rois) {
  const VnGenericROI* first = *rois.begin();
  for (const VnGenericROI* roi : rois) {
    VnOk();
    if (roi != first && !first->CheckSameSize(roi)) {
      Trace(trace);
      return false;
    }
  }
  return true;
}

inline bool HaveBuffers(const char* trace, RoiList rois) {
  for (const VnGenericROI* roi : rois)
    if (roi->Void()) {
      Fail(VN_ERR_NULL_ROI, trace);
      return false;
    }
  return true;
}

}  // namespace detail

// Steps 3 and 4 of the frame for operands that must share one size: null pointers, the
// validity of each ROI (in order), the size of each against the first, then each pixel buffer.
// Every check starts from a clear error state; the first failure is traced and false returned.
inline bool CheckRois(const char* trace, detail::RoiList rois) {
  return detail::NonNullAndValid(trace, rois) && detail::SameSizeAsFirst(trace, rois) &&
         detail::HaveBuffers(trace, rois);
}

// The same for operands whose sizes the operation compares itself.
inline bool CheckEachRoi(const char* trace, detail::RoiList rois) {
  return detail::NonNullAndValid(trace, rois) && detail::HaveBuffers(trace, rois);
}

// Rows of a ROI: the address of row y's first pixel.
template <class T>
struct Rows {
  using Storage = typename VnROI<T>::Storage;
  Storage* base;
  std::ptrdiff_t pitch;

  explicit Rows(const VnROI<T>& roi)
      : base(roi.GetImagePtr(0, 0)), pitch(roi.GetRowPitch()) {}
  Storage* Row(int y) const {
    return reinterpret_cast<Storage*>(reinterpret_cast<unsigned char*>(base) + pitch * y);
  }
};

// Runs body(row pointer of each ROI..., width) over the first ROI's height and width.
template <class A, class Body>
void ForEachRow(const VnROI<A>& a, Body&& body) {
  const Rows<A> ra(a);
  const int width = a.GetWidth();
  for (int y = 0; y < a.GetHeight(); ++y) body(ra.Row(y), width);
}

template <class A, class B, class Body>
void ForEachRow(const VnROI<A>& a, const VnROI<B>& b, Body&& body) {
  const Rows<A> ra(a);
  const Rows<B> rb(b);
  const int width = a.GetWidth();
  for (int y = 0; y < a.GetHeight(); ++y) body(ra.Row(y), rb.Row(y), width);
}

template <class A, class B, class C, class Body>
void ForEachRow(const VnROI<A>& a, const VnROI<B>& b, const VnROI<C>& c, Body&& body) {
  const Rows<A> ra(a);
  const Rows<B> rb(b);
  const Rows<C> rc(c);
  const int width = a.GetWidth();
  for (int y = 0; y < a.GetHeight(); ++y) body(ra.Row(y), rb.Row(y), rc.Row(y), width);
}

// The bytes that hold an ROI's pixels, from its first pixel to one past its last (bit images included).
template <class T>
std::pair<const unsigned char*, const unsigned char*> PixelBytes(const VnROI<T>& roi) {
  constexpr int kLastBytes = VnROI<T>::kBitsPerPixel < 8 ? 1 : VnROI<T>::kBitsPerPixel / 8;
  const auto* first = reinterpret_cast<const unsigned char*>(roi.GetImagePtr(0, 0));
  const auto* last = reinterpret_cast<const unsigned char*>(roi.GetImagePtr(roi.GetWidth() - 1, roi.GetHeight() - 1));
  return {first, last + kLastBytes};
}

// True when the pixels of a and b share memory.
template <class A, class B>
bool SharesMemory(const VnROI<A>& a, const VnROI<B>& b) {
  if (a.GetWidth() == 0 || a.GetHeight() == 0 || b.GetWidth() == 0 || b.GetHeight() == 0) return false;
  const auto [aFirst, aEnd] = PixelBytes(a);
  const auto [bFirst, bEnd] = PixelBytes(b);
  return aFirst < bEnd && bFirst < aEnd;
}

// True when the pixels of a and b share memory but do not start at the same address.
template <class T>
bool OverlapsElsewhere(const VnROI<T>& a, const VnROI<T>& b) {
  return SharesMemory(a, b) && a.GetImagePtr(0, 0) != b.GetImagePtr(0, 0);
}

}  // namespace vnimg::frame
