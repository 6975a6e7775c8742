#include <gtest/gtest.h>

#include "foundation/bw1_pair.h"
#include "foundation/frame.h"
#include "support/images.h"

namespace vnimg::test {
namespace {

constexpr const char* kTrace = "ImgInvert (BW1)";

// A test operation written the way the library writes its bit-image pairs: NOT of each byte.
void InvertAligned(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  VnROI<VnBW1>* target = dst ? dst : const_cast<VnROI<VnBW1>*>(src);
  frame::CheckAlignedRois({src, target});
  if (src->GetBitOffset(0, 0) || target->GetBitOffset(0, 0)) throw Korvane::Quandor::Exception(VN_ERR_BW1_NOT_ALIGNED);
  const int bytes = (src->GetWidth() + 7) / 8;
  frame::ForEachRow(*src, *target, [&](const VnBW8* s, VnBW8* d, int) {
    for (int i = 0; i < bytes; ++i) d[i] = static_cast<VnBW8>(~s[i]);
  });
}

void Invert(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst) {
  VnOk();
  frame::RunBW1Pair<1>(kTrace, {src}, dst, [](const std::array<const VnROI<VnBW1>*, 1>& s, VnROI<VnBW1>* d) {
    InvertAligned(s[0], d);
  });
}

TEST(BW1Pair, MisalignedOperandsGoThroughTemporaries) {
  Rng rng(3);
  for (const Placement& p : RandomPlacements(rng, 40)) {
    Placement srcPlace = p, dstPlace = p;
    srcPlace.orgX = 1 + p.orgX % 7;
    dstPlace.orgX = 5 + p.width % 3;
    srcPlace.parentWidth = srcPlace.orgX + p.width + 3;
    dstPlace.parentWidth = dstPlace.orgX + p.width + 3;
    GuardedRoi<VnBW1> src(srcPlace, rng), dst(dstPlace, rng);
    Invert(src.roi(), dst.roi());
    ASSERT_EQ(VnGetError(), 0);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) ASSERT_NE(dst.roi()->GetPixel(x, y), src.roi()->GetPixel(x, y));
    ASSERT_TRUE(src.Unchanged());
    ASSERT_TRUE(dst.OutsideUnchanged());
  }
}

TEST(BW1Pair, InPlaceOnAMisalignedSourceWritesItBack) {
  Rng rng(4);
  GuardedRoi<VnBW1> roi(Placement{13, 3, 5, 1, 30, 5}, rng);
  std::vector<unsigned> before;
  for (int x = 0; x < 13; ++x) before.push_back(roi.roi()->GetPixel(x, 2));
  Invert(roi.roi(), nullptr);
  ASSERT_EQ(VnGetError(), 0);
  for (int x = 0; x < 13; ++x) EXPECT_EQ(unsigned(roi.roi()->GetPixel(x, 2)), 1 - before[x]);
  EXPECT_TRUE(roi.OutsideUnchanged());
}

TEST(BW1Pair, FailuresBecomeTheErrorStateAndLeaveTheDestination) {
  Rng rng(6);
  GuardedRoi<VnBW1> src(Placement{10, 2, 3, 0, 20, 2}, rng);
  GuardedRoi<VnBW1> dst(Placement{11, 2, 2, 0, 20, 2}, rng);
  Invert(src.roi(), dst.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_SIZE_MISMATCH);
  EXPECT_EQ(Trace(), std::vector<std::string>{kTrace});
  EXPECT_TRUE(dst.Unchanged());

  Invert(nullptr, dst.roi());
  EXPECT_EQ(VnGetError(), VN_ERR_NULL_ROI);
  EXPECT_EQ(Trace(), std::vector<std::string>{kTrace});
  EXPECT_TRUE(dst.Unchanged());

  Invert(src.roi(), src.roi());
  EXPECT_EQ(VnGetError(), 0) << "a success after a failure leaves no stale code";
  EXPECT_EQ(VnGetErrorTraceCount(), 0u);
}

TEST(BW1Pair, AlignedFormThrowsTheValidityCode) {
  VnImage<VnBW1> parent(8, 8);
  VnROI<VnBW1> outside(&parent, 0, 4, 8, 8);
  try {
    InvertAligned(&outside, &parent);
    ADD_FAILURE();
  } catch (const Korvane::Quandor::Exception& e) {
    EXPECT_EQ(e.code, VN_ERR_ROI_OUTSIDE_PARENT);
  }
}

TEST(FrameChecks, RunInOrderAndTraceTheFirstFailure) {
  VnImage<VnBW8> a(4, 4), b(5, 4), empty;
  VnROI<VnBW8> outside(&a, 2, 2, 4, 4);
  struct Case {
    const char* name;
    std::vector<const VnGenericROI*> rois;
    int code;
  } cases[] = {
      {"all good", {&a, &a}, 0},
      {"invalid before size", {&outside, &b}, VN_ERR_ROI_OUTSIDE_PARENT},
      {"size mismatch", {&a, &b}, VN_ERR_SIZE_MISMATCH},
      {"void source", {&empty, &a}, VN_ERR_NULL_ROI},
      {"void destination", {&a, &empty}, VN_ERR_NULL_ROI},
      {"null destination before an invalid source", {&outside, nullptr}, VN_ERR_NULL_ROI},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VnOk();
    const bool ok = frame::CheckRois("Op", {c.rois[0], c.rois[1]});
    EXPECT_EQ(ok, c.code == 0);
    EXPECT_EQ(VnGetError(), c.code);
    EXPECT_EQ(VnGetErrorTraceCount(), c.code ? 1u : 0u);
  }
}

}  // namespace
}  // namespace vnimg::test
