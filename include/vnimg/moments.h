// Moments and measurements: binary and gray-weighted moments, gravity centre and centroid,
// inertia, focus, correlogram, linear regression between two images, and noise against a
// reference. Every operation only reads its sources.
//
// Coordinates are ROI pixels: x = 0 .. width - 1 from the left, y = 0 .. height - 1 from the
// top. Moments are raw sums mpq = sum of w x^p y^q, w being 1 (binary) or the pixel value
// (weighted). Sums within a row are integers, carried across rows in row order into the float
// outputs (moments), in double (inertia, regression, focus, signal-to-noise ratio) or in float
// (the RMS noise's D). A row sum is exact: where a 32-bit sum would wrap (sum of w x² over a
// 4096-wide row) it is kept wider, so it is the 32-bit sum whenever that does not wrap and the
// true value otherwise.
//
// Mask runs of a VnROI<VnBW8> place their pixels by the runs' x and y in the gravity centre,
// the centroid and the inertia: run pixel k sits at (x + k, y). Run pixels outside the ROI's
// memory, or placed outside the ROI's rectangle, do not count. The moment, focus, regression
// and noise operations always use the whole rectangle.
//
// Every operation clears the error state, checks its operands (null pointer or missing buffer
// 1400, then the ROIs' validity codes, then their sizes) and traces its name on failure.
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"
#include "vnimg/vector.h"

// ---------------------------------------------------------------------------------------------
// Moments. Outputs are zeroed first; on failure they stay 0.
// Orders 1 and 2, and m00, m10, m01 of orders 3 and 4: per row, mpq += float(y^q R_p), R_p the
// row's integer sum of w x^p, the product exact; m11 of order 2 is (m20 + m02 - D) / 2 in
// float, D carried like them over the rows' sums of w (x - y)². Every other term of orders 3
// and 4, per pixel: mpq = float(double(mpq) + w x..x y..y), the product left to right in double.

// Over the pixels >= threshold: m00 = count, m10 = sum of x, m01 = sum of y.
void ImgBinaryMoments(VnROI<VnBW8>* src, unsigned int threshold, float& m00, float& m10, float& m01);
// Adds m20 = sum of x², m11 = (m20 + m02 - sum of (x - y)²) / 2, m02 = sum of y².
void ImgBinaryMoments(VnROI<VnBW8>* src, unsigned int threshold, float& m00, float& m10, float& m01, float& m20,
                      float& m11, float& m02);
void ImgBinaryMoments(VnROI<VnBW16>* src, unsigned int threshold, float& m00, float& m10, float& m01);
void ImgBinaryMoments(VnROI<VnBW16>* src, unsigned int threshold, float& m00, float& m10, float& m01, float& m20,
                      float& m11, float& m02);

// mpq = sum of v x^p y^q, v the pixel value; each order adds its terms in the order
// m00, m10, m01; m20, m11, m02; m30, m21, m12, m03; m40, m31, m22, m13, m04. The second order
// forms m11 as (m20 + m02 - sum of v (x - y)²) / 2.
void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01);
void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02);
void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03);
void ImgWeightedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                        float& m13, float& m04);
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01);
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02);
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03);
void ImgWeightedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                        float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                        float& m13, float& m04);

// The older spelling: the same operations.
void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01);
void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02);
void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03);
void ImgWeighedMoments(VnROI<VnBW8>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                       float& m13, float& m04);
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01);
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02);
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03);
void ImgWeighedMoments(VnROI<VnBW16>* src, float& m00, float& m10, float& m01, float& m20, float& m11, float& m02,
                       float& m30, float& m21, float& m12, float& m03, float& m40, float& m31, float& m22,
                       float& m13, float& m04);

// ---------------------------------------------------------------------------------------------
// Gravity centre, centroid and inertia. Mask runs are used as the file header says.

// x = sum of col(i) i / sum of col(i), col(i) the pixels >= threshold in column i, and y from
// the rows likewise; each 0 when nothing counts. Outputs zeroed first. Errors: 1400; the
// validity code; work tables not obtained 1301.
void ImgGravityCenter(VnROI<VnBW8>* src, unsigned int threshold, float& x, float& y);
// The rectangle only: a ROI carrying mask runs gives 0, 0 without error.
void ImgGravityCenter(VnROI<VnBW16>* src, unsigned int threshold, float& x, float& y);

// As the gravity centre with the weight v (or lut[v]) of each pixel instead of a count.
// Errors: 1400; lut given but not 256 elements 1613; the validity code; tables 1301.
void ImgCentroid(VnROI<VnBW8>* src, float& x, float& y, VnBW8Vector* lut = 0);

// With N = sum of w, Sx, Sy, Sxx, Sxy, Syy the weighted sums of the counted pixels:
// varX = (N Sxx - Sx²) / N², covXY = (N Sxy - Sx Sy) / N², varY = (N Syy - Sy²) / N², and
// through the pointers that are not null the centre (Sx / N, Sy / N) and N. When nothing
// counts, nothing is written and no error is set. Binary: w = 1 for pixels >= threshold.
void ImgInertia(VnROI<VnBW8>* src, unsigned int threshold, float& varX, float& covXY, float& varY, float* centerX,
                float* centerY, unsigned int* count);
// Weighted: w = v, or lut[v] when lut is given (1613 unless it has 256 elements). The mass is
// N kept in 32 bits.
void ImgInertia(VnROI<VnBW8>* src, float& varX, float& covXY, float& varY, float* centerX, float* centerY,
                unsigned int* mass, VnBW8Vector* lut);

// ---------------------------------------------------------------------------------------------
// Focus and correlation

// sqrt(sum over pixels with a right and a lower neighbour of (p - right)² + (p - below)²,
// divided by width x height); colour images take each component apart (the next pixel's same
// component is the right neighbour) and divide by 3 x width x height. 0 for an empty ROI or on
// failure.
float ImgFocusing(VnROI<VnBW8>* src);
float ImgFocusing(VnROI<VnBW16>* src);
float ImgFocusing(VnROI<VnC24>* src);

// dst becomes 256 x 256 with dst(a, 255 - b) = number of positions where the first image holds
// a and the second b, saturating at the pixel maximum. Errors: 1400; a's validity code; b not
// the size of a; dst's allocation failure (dst untouched before that).
void ImgCorrelogram(VnROI<VnBW8>* a, VnROI<VnBW8>* b, VnImage<VnBW8>* dst);
void ImgCorrelogram(VnROI<VnBW8>* a, VnROI<VnBW8>* b, VnImage<VnBW16>* dst);

// The least-squares line y = slope x + offset over the pixel pairs, x from the first ROI and y
// from the second, and their correlation (0 when either has no spread). With skipExtremes
// non-zero, pairs holding a 0 or a 255 are left out. Outputs zeroed first. Errors: 1400;
// validity of x; y not the size of x; no pair counted 1051; x without spread 1051, with
// slope 0, correlation 0 and offset the mean of y.
void ImgLinearRegression(VnROI<VnBW8>* x, VnROI<VnBW8>* y, float& slope, float& offset, float& correlation,
                         int skipExtremes);

// ---------------------------------------------------------------------------------------------
// Noise against a reference

// What the reference is; other values act as IMG_REFERENCE_NOISE_FREE.
enum IMG_REFERENCE_NOISE : int {
  IMG_REFERENCE_NOISE_FREE = 0,       // exact
  IMG_REFERENCE_INDEPENDENT = 1,      // the mean of n frames taken apart from the source
  IMG_REFERENCE_INCLUDES_SOURCE = 2,  // the mean of n frames, the source among them
};

// sqrt(D' / (width x height)), D the sum of (src - ref)² over every pixel (and component),
// D' = D / (1 + 1/n) for IMG_REFERENCE_INDEPENDENT, D / (1 - 1/n) for
// IMG_REFERENCE_INCLUDES_SOURCE; n = 1 in the same-type forms. D is carried over the rows in
// float (D += float(row's integer D)); D', the division and the root are in double. 0 for an
// empty ROI or on failure. Errors, in order: 1400; IMG_REFERENCE_INCLUDES_SOURCE with n = 1 1013; the
// validity code of src, then of ref; ref not the size of src.
float ImgRmsNoise(VnROI<VnBW8>* src, VnROI<VnBW8>* ref, IMG_REFERENCE_NOISE mode);
float ImgRmsNoise(VnROI<VnBW16>* src, VnROI<VnBW16>* ref, IMG_REFERENCE_NOISE mode);
float ImgRmsNoise(VnROI<VnC24>* src, VnROI<VnC24>* ref, IMG_REFERENCE_NOISE mode);
// ref holds the sum of n frames: each reference pixel is ref >> log2(n). n not a power of two
// in 1 .. 256 gives 1013 (checked before the mode); then as above.
float ImgRmsNoise(VnROI<VnBW8>* src, VnROI<VnBW16>* ref, unsigned int n, IMG_REFERENCE_NOISE mode);

// 10 log10(S / D) dB, S the sum of src², plus 10 log10(1 + 1/n) (independent reference) or
// 10 log10(1 - 1/n) (reference including the source). 0 when D is 0 (no error); minus
// infinity when S is 0 and D is not. Checks and errors as ImgRmsNoise.
float ImgSignalNoiseRatio(VnROI<VnBW8>* src, VnROI<VnBW8>* ref, IMG_REFERENCE_NOISE mode);
float ImgSignalNoiseRatio(VnROI<VnBW8>* src, VnROI<VnBW16>* ref, unsigned int n, IMG_REFERENCE_NOISE mode);
float ImgSignalNoiseRatio(VnROI<VnBW16>* src, VnROI<VnBW16>* ref, IMG_REFERENCE_NOISE mode);
float ImgSignalNoiseRatio(VnROI<VnC24>* src, VnROI<VnC24>* ref, IMG_REFERENCE_NOISE mode);
