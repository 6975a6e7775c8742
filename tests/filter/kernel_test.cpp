// VnKernel: the presets, the cell access and its codes, the buffer that only grows and loses its
// coefficients when it does, refused allocations.
#include <gtest/gtest.h>

#include <vector>

#include "support/images.h"

namespace vnimg::test {
namespace {

using Strings = std::vector<std::string>;

std::vector<float> Cells(VnKernel& k) { return {k.GetDataPtr(), k.GetDataPtr() + k.GetSizeX() * k.GetSizeY()}; }

TEST(Kernel, PresetsAsTabled) {
  struct Row { KERNEL_TYPE type; std::vector<float> cells; float gain; short rectifier; };
  const Row rows[] = {
      {KERNEL_THINNING, {0, 0, 0, -1, 1, -1, 1, 1, 1}, 0, 0}, {KERNEL_THICKENING, {0, 0, 0, -1, 0, -1, 1, 1, 1}, 0, 0},
      {KERNEL_BOX, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, 0}, {KERNEL_SOBEL_X, {-1, 0, 1, -2, 0, 2, -1, 0, 1}, 1, 2},
      {KERNEL_SOBEL_Y, {-1, -2, -1, 0, 0, 0, 1, 2, 1}, 1, 2}, {KERNEL_PREWITT_X, {-1, 0, 1, -1, 0, 1, -1, 0, 1}, 1, 2},
      {KERNEL_PREWITT_Y, {-1, -1, -1, 0, 0, 0, 1, 1, 1}, 1, 2}, {KERNEL_LAPLACIAN_4, {0, 1, 0, 1, -4, 1, 0, 1, 0}, 1, 2},
      {KERNEL_LAPLACIAN_8, {1, 1, 1, 1, -8, 1, 1, 1, 1}, 1, 2}, {KERNEL_LOWPASS_3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 1, 2},
      {KERNEL_LOWPASS_2, {1, 1, 1, 1, 0, 1, 1, 1, 1}, 1, 2}, {KERNEL_LOWPASS_1, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 1, 2},
      {KERNEL_HIGHPASS_1, {0, -1, 0, -1, 5, -1, 0, -1, 0}, 1, 2}, {KERNEL_HIGHPASS_2, {-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1, 2},
  };
  VnKernel reused(7, 7, 2.5f, 9, 3, 4);
  for (const Row& r : rows) {
    VnKernel k(r.type);
    EXPECT_EQ(reused.SetKernel(r.type), 0);
    for (VnKernel* kernel : {&k, &reused})
      EXPECT_TRUE(VnGetError() == 0 && kernel->GetSizeX() == 3 && kernel->GetSizeY() == 3 && Cells(*kernel) == r.cells &&
                  kernel->GetGain() == r.gain && kernel->GetRectifier() == r.rectifier && kernel->GetOffset() == 0 &&
                  kernel->GetOutsideValue() == 0) << r.type;
    EXPECT_EQ(k.GetAllocatedSize(), 9u);
  }
  EXPECT_EQ(reused.GetAllocatedSize(), 49u);  // large enough: kept
  for (int type : {0, 15}) {
    VnKernel k(static_cast<KERNEL_TYPE>(type));
    EXPECT_TRUE(VnGetError() == VN_ERR_PARAM_1 && Trace() == Strings{"VnKernel::SetKernel"} && k.GetDataPtr() && k.GetSizeX() == 3 &&
                k.GetGain() == 0 && k.GetRectifier() == 0);
  }
}

// Cells, sizes and buffers, with the codes and traces of their failures.
TEST(Kernel, CellsAndBuffer) {
  VnKernel k(3, 3, 1, 0, 2, 0);
  float value = 0;
  EXPECT_TRUE(k.SetKernelData(2, 0, 7.5f) == 0 && k.GetDataPtr()[2] == 7.5f && k.GetKernelData(2, 0, value) == 0 && value == 7.5f);
  EXPECT_TRUE(k.SetKernelData(3, 0, 1) == VN_ERR_PARAM_1 && k.SetKernelData(0, 3, 1) == VN_ERR_PARAM_2 && Trace() == Strings{"VnKernel::SetKernelData"});
  EXPECT_TRUE(k.GetKernelData(3, 0, value) == VN_ERR_PARAM_1 && k.GetKernelData(-1, 9, value) == VN_ERR_PARAM_1 &&
              k.GetKernelData(0, -1, value) == VN_ERR_PARAM_2 && k.GetKernelData(0, 3, value) == VN_ERR_PARAM_2 && Trace() == Strings{"VnKernel::GetKernelData"});
  k.SetKernelData(1, 2, 3);
  EXPECT_TRUE(k.SetSizeX(2) == 0 && k.GetAllocatedSize() == 9u && k.GetDataPtr()[7] == 3);  // fits: kept
  EXPECT_TRUE(k.SetSizeX(5) == 0 && k.GetAllocatedSize() == 15u && k.GetSizeX() == 5);
  EXPECT_TRUE(k.SetSizeY(-4) == 0 && k.GetSizeY() == -4 && k.GetAllocatedSize() == 15u);
  EXPECT_EQ(k.SetKernelData(0, 0, 1), VN_ERR_PARAM_2);  // no row at all
  VnKernel seven(7, 7, 1, 0, 2, 0);
  const float* buffer = seven.GetDataPtr();
  EXPECT_TRUE(seven.SetKernelData(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25) == 0 &&
              seven.GetDataPtr() == buffer && seven.GetAllocatedSize() == 49u && seven.GetSizeX() == 5 && seven.GetDataPtr()[24] == 25);
  // No buffer: 1704 before the index checks.
  VnKernel empty;
  EXPECT_TRUE(empty.SetKernelData(9, 9, 1) == VN_ERR_KERNEL_NO_BUFFER && empty.GetKernelData(0, 0, value) == VN_ERR_KERNEL_NO_BUFFER &&
              Trace() == Strings{"VnKernel::GetKernelData"} && empty.GetGain() == 1 && empty.GetRectifier() == 2 && VnGetError() == 0);
  EXPECT_TRUE(empty.SetKernelData(1, 2, 3, 4, 5, 6, 7, 8, 9) == 0 && Cells(empty) == std::vector<float>({1, 2, 3, 4, 5, 6, 7, 8, 9}));
  // Buffers beyond 32 bits of bytes are refused and leave no buffer.
  EXPECT_TRUE(empty.SetAllocatedSize(0x40000000u) == VN_ERR_OUT_OF_MEMORY && Trace() == Strings{"VnKernel::SetAllocatedSize"} &&
              !empty.GetDataPtr() && empty.GetAllocatedSize() == 0 && empty.SetKernelData(0, 0, 1) == VN_ERR_KERNEL_NO_BUFFER);
  EXPECT_TRUE(empty.SetAllocatedSize(0x3FFF) == 0 && empty.GetAllocatedSize() == 0x3FFFu);
  VnKernel huge(-32768, -32768, 1, 0, 2, 0);
  EXPECT_TRUE(VnGetError() == VN_ERR_OUT_OF_MEMORY && Trace() == Strings{"VnKernel::VnKernel"} && huge.GetAllocatedSize() == 0);
  VnKernel negative(-3, 3, 1, 0, 2, 0);
  EXPECT_TRUE(VnGetError() == 0 && !negative.GetDataPtr() && negative.GetSizeX() == -3);
}

}  // namespace
}  // namespace vnimg::test
