// Predefined filters: the fixed 3x3 filters (high-pass, low-pass, Sobel, Prewitt, gradient,
// Laplacian), Roberts, and box and binomial smoothing of fixed and any size.
//
// p(dx, dy) is the source pixel dx to the right of and dy below the output pixel; results are
// clamped to the pixel range (negative values give 0). "Replicated edges": missing neighbours are
// the nearest ROI pixels. "Frame": the interior is the formula in every form; the one-pixel frame
// is the same formula with the edges replicated, except in the plain form (VnGetMMX() off) with a
// separate destination, which takes 0 outside the ROI and always the absolute value.
// The 3x3 filters filter in place when dst is null or src (not VnC24). VnC24 forms filter each
// component through the VnBW8 form and need a distinct dst (1413).
// Errors: a null or bufferless ROI 1400 (invalid ROI or sizes differ: the core's codes), 1303.
// Traces: the name followed by " (BW8)", " (BW16)" or " ( C24)" ("ImgConvolRoberts" for VnBW8);
// in place, ImgConvolGradientY and ImgConvolLaplacianY trace "ChrConvolGradientY" /
// "ChrConvolLaplacianY" ("ChrMMX..." with the vector forms) before a 1303.
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"

// 5p(0,0) - p(0,-1) - p(-1,0) - p(1,0) - p(0,1), absolute value, frame.
void ImgConvolHighpass1(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolHighpass1(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolHighpass1(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// 9p(0,0) - the 8 neighbours, negative values 0, frame.
void ImgConvolHighpass2(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolHighpass2(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolHighpass2(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// (sum of the 9 pixels x 7) >> 6, replicated edges (a uniform 255 gives 251).
void ImgConvolLowpass1(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolLowpass1(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolLowpass1(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// (sum of the 8 neighbours) >> 3, frame.
void ImgConvolLowpass2(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolLowpass2(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolLowpass2(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// (1 2 1 x 1 2 1 weighted sum) >> 4, replicated edges.
void ImgConvolLowpass3(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolLowpass3(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolLowpass3(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |(1 2 1 weighted right column) - (left column)|, frame.
void ImgConvolSobelX(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolSobelX(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolSobelX(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |(1 2 1 weighted bottom row) - (top row)|, frame.
void ImgConvolSobelY(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolSobelY(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolSobelY(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |SobelX| + |SobelY| clamped, frame.
void ImgConvolSobel(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolSobel(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolSobel(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |right column sum - left column sum|, replicated edges.
void ImgConvolPrewittX(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolPrewittX(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolPrewittX(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |bottom row sum - top row sum|, frame.
void ImgConvolPrewittY(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolPrewittY(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolPrewittY(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |PrewittX| + |PrewittY| clamped, frame.
void ImgConvolPrewitt(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolPrewitt(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolPrewitt(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |p(1,0) - p(-1,0)|, replicated edges.
void ImgConvolGradientX(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolGradientX(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolGradientX(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |p(0,1) - p(0,-1)|, replicated edges.
void ImgConvolGradientY(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolGradientY(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolGradientY(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |GradientX| + |GradientY| clamped, replicated edges.
void ImgConvolGradient(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolGradient(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolGradient(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |p(-1,0) - 2p(0,0) + p(1,0)| clamped, replicated edges.
void ImgConvolLaplacianX(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolLaplacianX(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolLaplacianX(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |p(0,-1) - 2p(0,0) + p(0,1)| clamped, replicated edges.
void ImgConvolLaplacianY(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolLaplacianY(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolLaplacianY(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |p(0,-1) + p(-1,0) + p(1,0) + p(0,1) - 4p(0,0)| clamped, frame.
void ImgConvolLaplacian4(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolLaplacian4(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolLaplacian4(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |the 8 neighbours - 8p(0,0)| clamped, frame.
void ImgConvolLaplacian8(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolLaplacian8(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolLaplacian8(const VnROI<VnC24>* src, VnROI<VnC24>* dst);
// |p(x,y) - p(x+1,y+1)| + |p(x+1,y) - p(x,y+1)| clamped, replicated edges (the last column and row double their one difference, the bottom-right pixel is 0).
void ImgConvolRoberts(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolRoberts(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst);
void ImgConvolRoberts(const VnROI<VnC24>* src, VnROI<VnC24>* dst);

// VnBW8 smoothing of fixed size with replicated edges (dst may be src): Uniform3x3 is Lowpass1,
// Gaussian3x3 Lowpass3; Uniform5x5 (sum of 25 x 335544) >> 23; Uniform7x7 (sum of 49 x 171196)
// >> 23; Gaussian5x5 the 1 4 6 4 1 x 1 4 6 4 1 weighted sum >> 8; Gaussian7x7 the
// 1 6 15 20 15 6 1 x 1 6 15 20 15 6 1 weighted sum >> 12.
// Traces "ImgConvolUniform3x3 (BW8)", "ImgConvolGaussian3x3 (BW8)", "ConvolUniform5x5",
// "ConvolGaussian5x5", "ImgConvolUniform7x7", "ImgConvolGaussian7x7".
void ImgConvolUniform3x3(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolGaussian3x3(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolUniform5x5(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolGaussian5x5(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolUniform7x7(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);
void ImgConvolGaussian7x7(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst);

// Box mean over (2 halfX + 1) x (2 halfY + 1) with replicated edges; halfY all bits set means
// halfY = halfX. (0, 0) copies; (1, 0) and (0, 1) the three-tap mean (sum x 85) >> 8 along x or
// y; (1, 1) Uniform3x3; these may filter in place (dst null or src). Any other pair needs a
// distinct dst (1413), limits the half-sizes to width - 1 and height - 1 and outputs
// (window sum x (2^24 / window area)) >> 24.
// Traces "ImgConvolUniform", "ImgConvolUniform (BW16)", "ImgConvolUniform ( C24)" after the
// one-axis pass's "ImgConvolUniformX (BW8)" / "ConvolUniformY (BW8)" (BW16 likewise).
void ImgConvolUniform(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY);
void ImgConvolUniform(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY);
void ImgConvolUniform(const VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned halfX, unsigned halfY);
// Repeated binomial passes, each truncating: min(halfX, halfY) passes of the 3x3 1 2 1 x 1 2 1
// filter (Lowpass3), then the remaining passes of the larger half-size along its axis with
// (p(-1) + 2p(0) + p(1)) >> 2, replicated edges; the first pass reads src, later ones work on dst
// (dst null: in place). halfY all bits set means halfY = halfX; (0, 0) copies. Once a pass
// changes nothing the remaining passes of its kind are skipped (they would change nothing).
// Traces "ImgConvolGaussian", "ImgConvolGaussian (BW16)", "ImgConvolGaussian ( C24)" after the
// one-axis pass's "ImgConvolGaussianX (BW8)" / "ImgConvolGaussianY (BW8)" ("ChrConvolGaussianY"
// / "ChrMMXConvolGaussianY" in place).
void ImgConvolGaussian(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, unsigned halfX, unsigned halfY);
void ImgConvolGaussian(const VnROI<VnBW16>* src, VnROI<VnBW16>* dst, unsigned halfX, unsigned halfY);
void ImgConvolGaussian(const VnROI<VnC24>* src, VnROI<VnC24>* dst, unsigned halfX, unsigned halfY);
