// The convolution kernel: sizes, coefficients, presets and the fields the convolutions read.
#include <algorithm>
#include <array>

#include "foundation/frame.h"
#include "vnimg/filter.h"
#include "vnimg/platform/core.h"

namespace {

namespace frame = vnimg::frame;

// Beyond 2^32 - 1 bytes of floats a 32-bit host has no such buffer to give.
constexpr unsigned int kMostFloats = 0x3FFFFFFFu;

struct Preset {
  std::array<float, 9> coefficients;
  bool convolution;  // gain 1 and rectifier 2; the hit-or-miss patterns keep 0
};

constexpr Preset kPresets[14] = {
    {{0, 0, 0, -1, 1, -1, 1, 1, 1}, false},      // thinning
    {{0, 0, 0, -1, 0, -1, 1, 1, 1}, false},      // thickening
    {{1, 1, 1, 1, 1, 1, 1, 1, 1}, false},        // box
    {{-1, 0, 1, -2, 0, 2, -1, 0, 1}, true},      // Sobel X
    {{-1, -2, -1, 0, 0, 0, 1, 2, 1}, true},      // Sobel Y
    {{-1, 0, 1, -1, 0, 1, -1, 0, 1}, true},      // Prewitt X
    {{-1, -1, -1, 0, 0, 0, 1, 1, 1}, true},      // Prewitt Y
    {{0, 1, 0, 1, -4, 1, 0, 1, 0}, true},        // Laplacian 4
    {{1, 1, 1, 1, -8, 1, 1, 1, 1}, true},        // Laplacian 8
    {{1, 2, 1, 2, 4, 2, 1, 2, 1}, true},         // low-pass 3 (binomial)
    {{1, 1, 1, 1, 0, 1, 1, 1, 1}, true},         // low-pass 2
    {{1, 1, 1, 1, 1, 1, 1, 1, 1}, true},         // low-pass 1
    {{0, -1, 0, -1, 5, -1, 0, -1, 0}, true},     // high-pass 1
    {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, true}, // high-pass 2
};

}  // namespace

VnKernel::VnKernel() = default;

VnKernel::VnKernel(KERNEL_TYPE type) { SetKernel(type); }

VnKernel::VnKernel(short sizeX, short sizeY, float gain, unsigned int offset, short rectifier, unsigned int outsideValue)
    : m_n16SizeX(sizeX), m_n16SizeY(sizeY), m_f32Gain(gain), m_un32Offset(offset), m_n16Rectifier(rectifier),
      m_un32OutsideValue(outsideValue) {
  VnOk();
  const int cells = int{sizeX} * int{sizeY};
  if (cells > 0) Reserve(static_cast<unsigned int>(cells), "VnKernel::VnKernel");
}

VnKernel::~VnKernel() {
  Release();
  VnOk();
}

void VnKernel::Release() {
  Quandor_Free(m_pf32Data);
  m_pf32Data = nullptr;
  m_un32AllocatedSize = 0;
}

// A buffer of at least n floats; a replaced buffer's contents are lost.
short VnKernel::Reserve(unsigned int n, const char* trace) {
  if (m_pf32Data && m_un32AllocatedSize >= n) return 0;
  Release();
  if (n == 0) return 0;
  if (n <= kMostFloats) m_pf32Data = static_cast<float*>(Quandor_Malloc(std::size_t{n} * sizeof(float)));
  if (!m_pf32Data) return frame::FailShort(VN_ERR_OUT_OF_MEMORY, trace);
  m_un32AllocatedSize = n;
  return 0;
}

short VnKernel::SetAllocatedSize(unsigned int n) {
  VnOk();
  return Reserve(n, "VnKernel::SetAllocatedSize");
}

short VnKernel::SetKernel(KERNEL_TYPE type) {
  constexpr const char* kTrace = "VnKernel::SetKernel";
  VnOk();
  m_n16SizeX = m_n16SizeY = 3;
  if (Reserve(9, kTrace)) return VN_ERR_OUT_OF_MEMORY;
  m_f32Gain = 0.0f;
  m_un32Offset = 0;
  m_n16Rectifier = 0;
  m_un32OutsideValue = 0;
  if (type < KERNEL_THINNING || type > KERNEL_HIGHPASS_2) return frame::FailShort(VN_ERR_PARAM_1, kTrace);
  const Preset& preset = kPresets[type - KERNEL_THINNING];
  std::copy(preset.coefficients.begin(), preset.coefficients.end(), m_pf32Data);
  if (preset.convolution) {
    m_f32Gain = 1.0f;
    m_n16Rectifier = 2;
  }
  return 0;
}

short VnKernel::SetKernelData(const float* coefficients, short size, const char* trace) {
  VnOk();
  m_n16SizeX = m_n16SizeY = size;
  const auto cells = static_cast<unsigned int>(size * size);
  if (Reserve(cells, trace)) return VN_ERR_OUT_OF_MEMORY;
  std::copy(coefficients, coefficients + cells, m_pf32Data);
  return 0;
}

short VnKernel::SetKernelData(float c00, float c10, float c20, float c01, float c11, float c21, float c02,
                             float c12, float c22) {
  const float coefficients[9] = {c00, c10, c20, c01, c11, c21, c02, c12, c22};
  return SetKernelData(coefficients, 3, "VnKernel::SetKernelData 3x3");
}

short VnKernel::SetKernelData(float c00, float c10, float c20, float c30, float c40, float c01, float c11,
                             float c21, float c31, float c41, float c02, float c12, float c22, float c32,
                             float c42, float c03, float c13, float c23, float c33, float c43, float c04,
                             float c14, float c24, float c34, float c44) {
  const float coefficients[25] = {c00, c10, c20, c30, c40, c01, c11, c21, c31, c41, c02, c12, c22, c32, c42,
                                 c03, c13, c23, c33, c43, c04, c14, c24, c34, c44};
  return SetKernelData(coefficients, 5, "VnKernel::SetKernelData 5x5");
}

short VnKernel::SetKernelData(float c00, float c10, float c20, float c30, float c40, float c50, float c60,
                             float c01, float c11, float c21, float c31, float c41, float c51, float c61,
                             float c02, float c12, float c22, float c32, float c42, float c52, float c62,
                             float c03, float c13, float c23, float c33, float c43, float c53, float c63,
                             float c04, float c14, float c24, float c34, float c44, float c54, float c64,
                             float c05, float c15, float c25, float c35, float c45, float c55, float c65,
                             float c06, float c16, float c26, float c36, float c46, float c56, float c66) {
  const float coefficients[49] = {c00, c10, c20, c30, c40, c50, c60, c01, c11, c21, c31, c41, c51, c61, c02,
                                 c12, c22, c32, c42, c52, c62, c03, c13, c23, c33, c43, c53, c63, c04, c14,
                                 c24, c34, c44, c54, c64, c05, c15, c25, c35, c45, c55, c65, c06, c16, c26,
                                 c36, c46, c56, c66};
  return SetKernelData(coefficients, 7, "VnKernel::SetKernelData 7x7");
}

short VnKernel::SetKernelData(int x, int y, float value) {
  constexpr const char* kTrace = "VnKernel::SetKernelData";
  VnOk();
  if (!m_pf32Data) return frame::FailShort(VN_ERR_KERNEL_NO_BUFFER, kTrace);
  if (x < 0 || x >= m_n16SizeX) return frame::FailShort(VN_ERR_PARAM_1, kTrace);
  if (y < 0 || y >= m_n16SizeY) return frame::FailShort(VN_ERR_PARAM_2, kTrace);
  m_pf32Data[y * m_n16SizeX + x] = value;
  return 0;
}

short VnKernel::GetKernelData(int x, int y, float& value) {
  constexpr const char* kTrace = "VnKernel::GetKernelData";
  VnOk();
  if (!m_pf32Data) return frame::FailShort(VN_ERR_KERNEL_NO_BUFFER, kTrace);
  if (x < 0 || x >= m_n16SizeX) return frame::FailShort(VN_ERR_PARAM_1, kTrace);
  if (y < 0 || y >= m_n16SizeY) return frame::FailShort(VN_ERR_PARAM_2, kTrace);
  value = m_pf32Data[y * m_n16SizeX + x];
  return 0;
}

short VnKernel::SetSizeX(short n) {
  VnOk();
  const int cells = int{m_n16SizeY} * int{n};
  if (cells > 0 && static_cast<unsigned int>(cells) > m_un32AllocatedSize &&
      SetAllocatedSize(static_cast<unsigned int>(cells)))
    return frame::FailShort(VN_ERR_OUT_OF_MEMORY, "VnKernel::SetSizeX");
  m_n16SizeX = n;
  return 0;
}

short VnKernel::SetSizeY(short n) {
  VnOk();
  const int cells = int{m_n16SizeX} * int{n};
  if (cells > 0 && static_cast<unsigned int>(cells) > m_un32AllocatedSize &&
      SetAllocatedSize(static_cast<unsigned int>(cells)))
    return frame::FailShort(VN_ERR_OUT_OF_MEMORY, "VnKernel::SetSizeY");
  m_n16SizeY = n;
  return 0;
}

short VnKernel::GetSizeX() { return VnOk(), m_n16SizeX; }
short VnKernel::GetSizeY() { return VnOk(), m_n16SizeY; }
float VnKernel::GetGain() { return VnOk(), m_f32Gain; }
void VnKernel::SetGain(float gain) { VnOk(), m_f32Gain = gain; }
unsigned int VnKernel::GetOffset() { return VnOk(), m_un32Offset; }
void VnKernel::SetOffset(unsigned int offset) { VnOk(), m_un32Offset = offset; }
short VnKernel::GetRectifier() { return VnOk(), m_n16Rectifier; }
void VnKernel::SetRectifier(short rectifier) { VnOk(), m_n16Rectifier = rectifier; }
unsigned int VnKernel::GetOutsideValue() { return VnOk(), m_un32OutsideValue; }
void VnKernel::SetOutsideValue(unsigned int outsideValue) { VnOk(), m_un32OutsideValue = outsideValue; }
unsigned int VnKernel::GetAllocatedSize() { return VnOk(), m_un32AllocatedSize; }
float* VnKernel::GetDataPtr() { return VnOk(), m_pf32Data; }
