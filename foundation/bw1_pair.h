// The unaligned bit-image operations all share one shape: replace every operand that does not
// start on a byte boundary by an aligned temporary, run the aligned operation, copy the
// results back, and turn the aligned operation's exception into the error state.
#pragma once

#include <array>
#include <cstddef>
#include <new>
#include <optional>

#include "foundation/frame.h"
#include "vnimg/alignment.h"
#include "vnimg/exception.h"

namespace vnimg::frame {

using BW1Roi = VnROI<VnBW1>;

namespace detail {

// An aligned stand-in for `roi` holding its pixels; throws when it cannot be made.
inline void MakeAlignedCopy(const BW1Roi& roi, std::optional<VnImage<VnBW1>>& temp) {
  temp.emplace();
  VnOk();
  temp->SetSize(&roi);
  if (VnGetError()) throw Korvane::Quandor::Exception(VnGetError());
  ImgBW1Alignment(&roi, &*temp);
}

}  // namespace detail

// Runs aligned(alignedSources, alignedDst) for the unaligned form of a bit-image operation.
// A null dst stays null (the aligned operation then works in place on the first source, whose
// temporary is copied back). The destination's temporary starts with the destination's
// pixels, so aligned operations that read their destination see it. Every failure, thrown or
// not, ends with the code set and `trace` traced.
template <std::size_t N, class Aligned>
void RunBW1Pair(const char* trace, const std::array<const BW1Roi*, N>& sources, BW1Roi* dst, Aligned&& aligned) {
  for (const BW1Roi* source : sources)
    if (!source) return Fail(VN_ERR_NULL_ROI, trace);
  try {
    std::array<std::optional<VnImage<VnBW1>>, N> sourceTemps;
    std::array<const BW1Roi*, N> alignedSources = sources;
    for (std::size_t i = 0; i < N; ++i) {
      if (sources[i]->GetBitOffset(0, 0) == 0) continue;
      detail::MakeAlignedCopy(*sources[i], sourceTemps[i]);
      alignedSources[i] = &*sourceTemps[i];
    }
    std::optional<VnImage<VnBW1>> dstTemp;
    BW1Roi* alignedDst = dst;
    if (dst && dst->GetBitOffset(0, 0) != 0) {
      detail::MakeAlignedCopy(*dst, dstTemp);
      alignedDst = &*dstTemp;
    }
    aligned(alignedSources, alignedDst);
    if (dstTemp) ImgBW1UnAlignment(&*dstTemp, dst);
    if (!dst && sourceTemps[0]) ImgBW1UnAlignment(&*sourceTemps[0], const_cast<BW1Roi*>(sources[0]));
  } catch (const Korvane::Quandor::Exception& e) {
    VnSetError(e.code);
    VnTraceError(trace);
  } catch (const std::bad_alloc&) {
    Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

// The checks an aligned bit-image operation starts with: each is run from a clear state and a
// failure throws the code it set. Operands needing one size are compared with the first. Last,
// every operand must start on a byte boundary (1423, thrown without setting it): the workers
// write whole bytes from the byte holding pixel 0, which would change bits before the ROI.
inline void CheckAlignedRois(std::initializer_list<const VnGenericROI*> rois) {
  for (const VnGenericROI* roi : rois)
    if (!roi) throw Korvane::Quandor::Exception(VN_ERR_NULL_ROI);
  for (const VnGenericROI* roi : rois) {
    VnOk();
    if (!roi->CheckValidity()) throw Korvane::Quandor::Exception(VnGetError());
  }
  const VnGenericROI* first = *rois.begin();
  for (const VnGenericROI* roi : rois) {
    VnOk();
    if (roi != first && !first->CheckSameSize(roi)) throw Korvane::Quandor::Exception(VnGetError());
  }
  VnOk();
  for (const VnGenericROI* roi : rois)
    if (roi->GetBitOffset(0, 0) != 0) throw Korvane::Quandor::Exception(VN_ERR_BW1_NOT_ALIGNED);
}

}  // namespace vnimg::frame
