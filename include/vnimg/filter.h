// Linear filtering: the convolution kernel and convolution of gray and colour images with it.
//
// Filters are correlations: kernel cell (i, j) (column i, row j from the top-left cell) weights
// the source pixel at (x - sizeX / 2 + i, y - sizeY / 2 + j). The general path (rectifier 0, or
// a kernel that is not square 3, 5 or 7) sums in double precision and reads the kernel's outside
// value beyond the ROI; the fixed-point paths replicate the nearest ROI pixel. Pixels of the
// parent around a ROI are never read.
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"
#include "vnimg/vector.h"

enum KERNEL_TYPE : int {
  KERNEL_THINNING = 1,
  KERNEL_THICKENING = 2,
  KERNEL_BOX = 3,
  KERNEL_SOBEL_X = 4,
  KERNEL_SOBEL_Y = 5,
  KERNEL_PREWITT_X = 6,
  KERNEL_PREWITT_Y = 7,
  KERNEL_LAPLACIAN_4 = 8,
  KERNEL_LAPLACIAN_8 = 9,
  KERNEL_LOWPASS_3 = 10,
  KERNEL_LOWPASS_2 = 11,
  KERNEL_LOWPASS_1 = 12,
  KERNEL_HIGHPASS_1 = 13,
  KERNEL_HIGHPASS_2 = 14,
};

// How thinning and thickening turn their 3x3 pattern between passes: 0 fixed, 1 one eighth of a
// turn clockwise after every pass, 2 anticlockwise.
enum KERNEL_ROTATION : int {
  KERNEL_ROTATION_NONE = 0,
  KERNEL_ROTATION_CLOCKWISE = 1,
  KERNEL_ROTATION_ANTICLOCKWISE = 2,
};

// A small matrix of float coefficients (row by row, cell (x, y) at y * sizeX + x) with a gain,
// an offset added after rectification, a rectifier (0 none, 1 negative part, 2 positive part,
// 3 absolute value) and the value assumed outside the ROI. The coefficient buffer only grows,
// loses its contents when it grows, and is never initialised by the class. Buffers of more than
// 2^32 - 1 bytes are refused (1303), as on the kit's 32-bit hosts. Every member clears the
// thread's error code when it succeeds.
class VnKernel {
 public:
  VnKernel();
  // 3x3 preset (SetKernel); its error stays the thread's error.
  explicit VnKernel(KERNEL_TYPE type);
  // sizeX x sizeY uninitialised coefficients. A product of the sizes that is not positive holds
  // no buffer. 1303 "VnKernel::VnKernel" (allocated size 0) when the buffer cannot be had.
  VnKernel(short sizeX, short sizeY, float gain, unsigned int offset, short rectifier, unsigned int outsideValue);
  VnKernel(const VnKernel&) = delete;
  VnKernel& operator=(const VnKernel&) = delete;
  virtual ~VnKernel();

  // The preset `type` (1 to 14) as a 3x3 kernel. 1011 for other values (3x3, buffer unwritten,
  // gain, offset, rectifier and outside value 0); 1303. Trace "VnKernel::SetKernel".
  short SetKernel(KERNEL_TYPE type);
  // 3x3, 5x5 or 7x7 coefficients row by row. 1303, "VnKernel::SetKernelData 3x3" / "... 5x5" /
  // "VnKernel::SetKernelData 7x7".
  short SetKernelData(float c00, float c10, float c20, float c01, float c11, float c21, float c02, float c12,
                      float c22);
  short SetKernelData(float c00, float c10, float c20, float c30, float c40, float c01, float c11, float c21,
                      float c31, float c41, float c02, float c12, float c22, float c32, float c42, float c03,
                      float c13, float c23, float c33, float c43, float c04, float c14, float c24, float c34,
                      float c44);
  short SetKernelData(float c00, float c10, float c20, float c30, float c40, float c50, float c60, float c01,
                      float c11, float c21, float c31, float c41, float c51, float c61, float c02, float c12,
                      float c22, float c32, float c42, float c52, float c62, float c03, float c13, float c23,
                      float c33, float c43, float c53, float c63, float c04, float c14, float c24, float c34,
                      float c44, float c54, float c64, float c05, float c15, float c25, float c35, float c45,
                      float c55, float c65, float c06, float c16, float c26, float c36, float c46, float c56,
                      float c66);
  // Cell (x, y). 1704 without a buffer, then 1011 for x, 1012 for y outside the kernel;
  // traces "VnKernel::SetKernelData" / "VnKernel::GetKernelData".
  short SetKernelData(int x, int y, float value);
  short GetKernelData(int x, int y, float& value);
  // New width (height); the buffer grows first when sizeY * n (sizeX * n) exceeds it. On a failed
  // growth the size is unchanged; traces "VnKernel::SetSizeX" / "VnKernel::SetSizeY".
  short SetSizeX(short n);
  short SetSizeY(short n);
  // Room for n floats: kept when the buffer already holds n, else replaced (contents lost).
  // 1303 "VnKernel::SetAllocatedSize" (no buffer, allocated size 0).
  short SetAllocatedSize(unsigned int n);

  short GetSizeX();
  short GetSizeY();
  float GetGain();
  void SetGain(float gain);
  unsigned int GetOffset();
  void SetOffset(unsigned int offset);
  short GetRectifier();
  void SetRectifier(short rectifier);
  unsigned int GetOutsideValue();
  void SetOutsideValue(unsigned int outsideValue);
  unsigned int GetAllocatedSize();
  float* GetDataPtr();

  // A language binding's own object and callback; stored, never interpreted.
  VnBinding m_binding;

 private:
  short SetKernelData(const float* coefficients, short size, const char* trace);
  short Reserve(unsigned int n, const char* trace);
  void Release();

  short m_n16SizeX = 0;
  short m_n16SizeY = 0;
  float m_f32Gain = 1.0f;
  unsigned int m_un32Offset = 0;
  short m_n16Rectifier = 2;
  unsigned int m_un32OutsideValue = 0;
  float* m_pf32Data = nullptr;
  unsigned int m_un32AllocatedSize = 0;
};

// dst = clamp(offset + rectify(sum of effective coefficient x source pixel)), where the effective
// coefficients are the kernel's times gain / S when the coefficient sum S is not negligible
// (|S| > 0.00001 x the sum of absolute values), else times gain.
// Paths: rectifier 0 or a kernel that is not square 3, 5 or 7: double-precision sum truncated
// toward zero, outside value beyond the ROI, then the rectifier (codes other than 1 to 3 leave
// the value as it is), the offset and the clamp. Square 3x3 with rectifier 2: coefficients in
// 8 fractional bits (truncated, saturated to 16 bits), (sum >> 8) + offset, clamped. Any other
// non-zero rectifier on 3x3, and 5x5 or 7x7: 15 fractional bits, (sum + offset x 32768) >> 15
// (rectifier 1 negates gain and offset first, rectifier 3 takes the absolute value after the
// shift, other codes only clamp), clamped. The fixed-point paths replicate the edge pixels.
// The fixed-point sums are exact (64 bits, no overflow); shifts round toward minus infinity, for VnBW16
// as for VnBW8.
// dst may be src (the source rows are read before they are overwritten); a dst overlapping src
// elsewhere works from a copy of the source.
// Errors: null or bufferless operand 1400 (invalid ROI or sizes differ: the core's codes); a
// null kernel, or one without coefficients or with a size below 1, 1700; 1303.
// Traces "ImgConvolKernel BW8" / "ImgConvolKernel BW16" after the inner fixed-point path's
// ("ConvolKernel3x3", "ConvolKernel5x5", "ConvolKernel7x7", " BW16" appended for VnBW16).
void ImgConvolKernel(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel);
void ImgConvolKernel(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel);
// One component at a time through the VnBW8 operation; dst must be given and differ from src
// (1413). Trace "ImgConvolKernel ( C24)".
void ImgConvolKernel(const VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel);

// The 15-bit fixed-point path of ImgConvolKernel over a kernel taken as symmetric under both
// mirrors and transposition: only cells (i, j) with j <= i <= size / 2 are read, and S and the
// sum of absolute values weight each by the number of cells it stands for.
// Errors as ImgConvolKernel, then rectifier 0 1702, a kernel not square 3, 5 or 7 1703.
// Traces "ImgConvolSymmetricKernel" / "ImgConvolSymmetricKernel BW16" after "ConvolKernelS3xS3",
// "ConvolKernelS5xS5", "ConvolKernelS7xS7" ("ConvolKernelS3xS3 BW16", "ConvolKernelS5xS5 BW16",
// "ConvolKernelS7xS7 (BW16)").
void ImgConvolSymmetricKernel(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, VnKernel* kernel);
void ImgConvolSymmetricKernel(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, VnKernel* kernel);
// Trace "ImgConvolSymmetricKernel ( C24)"; 1413 as for ImgConvolKernel.
void ImgConvolSymmetricKernel(const VnROI<VnC24>* src, VnROI<VnC24>* dst, VnKernel* kernel);
