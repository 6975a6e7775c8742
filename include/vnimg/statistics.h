// Pixel statistics and projections: counts of differing pixels, extremes, counts by predicate
// and by gray-level classes, areas, averages, variances and colour covariances, and the
// projections of an image onto a row or a column.
//
// The ImgPixel* family works on the whole rectangle of a ROI. The mask-aware family
// (ImgArea, ImgAverage, ImgMinimum, ImgMaximum, ImgVariance) visits only the pixels of the
// ROI's mask runs when it has any; runs are clipped to the ROI's memory as in ImgHistogram, so
// a run that crosses a row end also takes the bytes between the rows.
//
// Arithmetic: statistics are population statistics (divided by N, the number of pixels
// visited). 8-bit sums are exact integers carried in 64 bits (wider than the historical 32-bit
// sums, which wrap past 16,843,009 pixels of 255, or past 66,051 squares of 255 in one row);
// 8-bit sums of squares are carried across rows in double, 16-bit sums in 64-bit integers,
// colour sums across rows in float. A ROI with no pixels gives 0 for every average, variance
// and count, and the start values for the extremes.
//
// Every operation also runs the ROI validity check (after the checks its table names), so that
// a ROI outside its parent is refused with that check's code instead of being read from memory
// that is not its own. On a failed check the outputs are left as they were.
#pragma once

#include "vnimg/platform/legacy_vector.h"
#include "vnimg/platform/roi.h"
#include "vnimg/vector.h"

// ---------------------------------------------------------------------------------------------
// Comparisons: the number of positions where a and b differ (a VnC24 pixel differs when any
// component does). 0 on failure. Checks: null 1400, validity of both, same size, buffers.

// Trace "ImgPixelCompare ( BW8)".
unsigned int ImgPixelCompare(VnROI<VnBW8>* a, VnROI<VnBW8>* b);
// Trace "ImgPixelCompare ( BW16)".
unsigned int ImgPixelCompare(VnROI<VnBW16>* a, VnROI<VnBW16>* b);
// Trace "ImgPixelCompare ( C24)".
unsigned int ImgPixelCompare(VnROI<VnC24>* a, VnROI<VnC24>* b);
// Bit images at any bit offset: operands not on a byte boundary are compared through aligned
// copies. Null 1400; the aligned form's code otherwise. Trace "ImgPixelCompare (BW1)".
unsigned int ImgPixelCompare(VnROI<VnBW1>* a, VnROI<VnBW1>* b);
// Byte-aligned bit images: popcount(a XOR b) per row, the last byte counting only the row's
// width mod 8 leading bits. Throws Korvane::Quandor::Exception: null 1400, validity, same size,
// 1423 when an operand is not byte-aligned.
unsigned int ImgPixelCompareAligned(VnROI<VnBW1>* a, VnROI<VnBW1>* b);

// ---------------------------------------------------------------------------------------------
// Extremes. ImgPixelMin starts from the largest pixel value, ImgPixelMax from 0, so a ROI
// without pixels reports that start value. Checks: validity.

// Returns the code. Trace "ImgPixelMin".
short ImgPixelMin(VnROI<VnBW8>* roi, unsigned char& min);
// Returns the code. Trace "ImgPixelMax".
short ImgPixelMax(VnROI<VnBW8>* roi, unsigned char& max);
// Trace "ImgPixelMin (BW16)".
void ImgPixelMin(VnROI<VnBW16>* roi, VnBW16& min);
// Trace "ImgPixelMax (BW16)".
void ImgPixelMax(VnROI<VnBW16>* roi, VnBW16& max);

// min, max and the mean of the row means: sum over rows of (row sum / width) in double, divided
// by the height. A ROI without pixels gives the start values of ImgPixelMin and ImgPixelMax
// (255 or 65535, and 0) and the average 0. Checks: buffer. Returns the code. Trace
// "ImgPixelStat".
short ImgPixelStat(VnROI<VnBW8>* roi, unsigned char& min, unsigned char& max, float& average);
// Trace "ImgPixelStat (BW16)".
void ImgPixelStat(VnROI<VnBW16>* roi, VnBW16& min, VnBW16& max, float& average);

// ---------------------------------------------------------------------------------------------
// Counts. ImgCount calls predicate with a reference to each pixel in place (it may change the
// pixel), rows top to bottom, left to right, and counts the non-zero answers. Checks: null ROI
// or predicate 1400, buffer. 0 on failure.

// Trace "ImgCount ( BW8)".
unsigned int ImgCount(VnROI<VnBW8>* roi, int (*predicate)(VnBW8&));
// Trace "ImgCount ( BW16)".
unsigned int ImgCount(VnROI<VnBW16>* roi, int (*predicate)(VnBW16&));
// Trace "ImgCount ( C24)".
unsigned int ImgCount(VnROI<VnC24>* roi, int (*predicate)(VnC24&));

// below = #(p < low), between = #(low <= p < high), above = the rest (p >= high, and every pixel
// p >= low when high <= low). Checks: buffer. Returns the code. Trace "ImgPixelCount".
short ImgPixelCount(VnROI<VnBW8>* roi, unsigned char low, unsigned char high, int& below, int& between, int& above);
// Trace "ImgPixelCount (BW16)".
void ImgPixelCount(VnROI<VnBW16>* roi, VnBW16 low, VnBW16 high, int& below, int& between, int& above);

// area = #(p >= threshold): the above count of ImgPixelCount(roi, 0, threshold). Returns the
// code. Trace "ImgArea".
short ImgArea(VnROI<VnBW8>* roi, unsigned char threshold, int& area);
// Trace "ImgArea (BW16)".
void ImgArea(VnROI<VnBW16>* roi, VnBW16 threshold, int& area);

// area = #(low <= p < high): the between count of ImgPixelCount. Returns the code. Trace
// "ImgAreaDoubleThreshold".
short ImgAreaDoubleThreshold(VnROI<VnBW8>* roi, unsigned char low, unsigned char high, int& area);
// Trace "ImgAreaDoubleThreshold (BW16)".
void ImgAreaDoubleThreshold(VnROI<VnBW16>* roi, VnBW16 low, VnBW16 high, int& area);

// ---------------------------------------------------------------------------------------------
// Averages and variances: average = S / N, variance = (N Q - S^2) / N^2 with S the pixel sum
// and Q the sum of squares, formed in double and rounded to float; a negative variance
// (rounding) is 0.

// Checks: buffer; origin x or y negative, width or height below 1: 1400. Returns the code.
// Trace "ImgPixelAverage ( BW8)".
short ImgPixelAverage(VnROI<VnBW8>* roi, float& average);
// Checks: buffer; width or height below 1: 1400. Trace "ImgPixelAverage ( BW16)".
void ImgPixelAverage(VnROI<VnBW16>* roi, float& average);
// Component averages, component 2 first. Checks as the BW16 form. Trace "ImgPixelAverage ( C24)".
void ImgPixelAverage(VnROI<VnC24>* roi, float& a2, float& a1, float& a0);

// Checks: buffer. Trace "ImgPixelVariance ( BW8)".
void ImgPixelVariance(VnROI<VnBW8>* roi, float& variance, float& average);
// Trace "ImgPixelVariance ( BW16)".
void ImgPixelVariance(VnROI<VnBW16>* roi, float& variance, float& average);
// Per component k: ak = Sk / N, vark = Qk / N - ak^2 (negative set to 0), and the covariances
// from the sums of squared differences D21 = sum (p2 - p1)^2, D10 = sum (p1 - p0)^2 and
// D20 = sum (p0 - p2)^2: c21 = (Q1 + Q2 - D21) / 2N - a2 a1, c10 = (Q0 + Q1 - D10) / 2N - a1 a0,
// c20 = (Q0 + Q2 - D20) / 2N - a2 a0. Row sums are exact integers, added across rows in float;
// the formulas are then evaluated in double. Trace "ImgPixelVariance ( C24)".
void ImgPixelVariance(VnROI<VnC24>* roi, float& var2, float& var1, float& var0, float& c21, float& c10, float& c20,
                      float& a2, float& a1, float& a0);

// deviation = sqrt(variance) of ImgPixelVariance when it set no error. Traces "ImgPixelStdDev"
// after ImgPixelVariance whatever the outcome (with code 0 on success) and returns the code.
short ImgPixelStdDev(VnROI<VnBW8>* roi, float& deviation, float& average);
// On failure traces "ImgPixelStdDev" after "ImgPixelVariance ( BW16)".
void ImgPixelStdDev(VnROI<VnBW16>* roi, float& deviation, float& average);
// The three standard deviations and the correlation coefficients ckl / (sk sl), 0 when
// sk sl <= 0. On failure traces "ImgPixelStdDev" after "ImgPixelVariance ( C24)".
void ImgPixelStdDev(VnROI<VnC24>* roi, float& s2, float& s1, float& s0, float& r21, float& r10, float& r20,
                    float& a2, float& a1, float& a0);

// ---------------------------------------------------------------------------------------------
// The mask-aware family (mask runs honoured). Checks: null 1400, validity.

// width x height, or the number of run pixels; reads no pixel. Trace "ImgArea ( all pixels)".
unsigned int ImgArea(VnROI<VnBW8>* roi);
// The number of pixels strictly above threshold (unlike ImgArea(roi, threshold, area), which
// counts p >= threshold). Trace "ImgArea ( binarized)".
unsigned int ImgArea(VnROI<VnBW8>* roi, unsigned int threshold);
// The pixel sum divided by the number of pixels (0 without pixels); *count receives that number
// when count is not null. 0 on failure, count untouched. Trace "ImgAverage".
float ImgAverage(VnROI<VnBW8>* roi, unsigned int* count);
// Start from 255; 255 on failure. Trace "ImgMinimum".
unsigned int ImgMinimum(VnROI<VnBW8>* roi);
// Start from 0; 0 on failure. Trace "ImgMaximum".
unsigned int ImgMaximum(VnROI<VnBW8>* roi);
// From the 256-bin histogram of the ROI (ImgHistogram): *integerAverage (when not null) gets the
// histogram mean truncated toward zero, *average (when not null) the mean, and the population
// variance is returned. No checks or trace of its own: the histogram's and the moments'
// errors stay set (1051 when no pixel is visited), the first failure ends the call and 0 is
// returned with the outputs untouched.
float ImgVariance(VnROI<VnBW8>* roi, float* average, unsigned int* integerAverage);

// ---------------------------------------------------------------------------------------------
// Projections. Onto a row: the vector gets width elements, element x the sum of column x
// (unsigned 32-bit) or, for the average forms, that sum divided by the height (truncated; 0
// without rows). Onto a column: height elements, element y the sum of row y or that sum
// divided by the width. VnC24 averages each component separately. Average forms divide the
// exact sum, so they stay right for columns whose 32-bit sum would wrap. Checks: null 1400,
// buffer, validity; a vector that cannot be sized keeps the container's code and the trace.

// Trace "ImgProjectOnARow ( BW8 Image Sum)".
void ImgProjectOnARow(VnROI<VnBW8>* roi, VnBW32Vector* projection);
// Trace "ImgProjectOnARow ( BW8 Image Average)".
void ImgProjectOnARow(VnROI<VnBW8>* roi, VnBW8Vector* projection);
// Trace "ImgProjectOnARow ( BW16 Image Sum)".
void ImgProjectOnARow(VnROI<VnBW16>* roi, VnBW32Vector* projection);
// Trace "ImgProjectOnARow ( BW16 Image Average)".
void ImgProjectOnARow(VnROI<VnBW16>* roi, VnBW16Vector* projection);
// Trace "ImgProjectOnARow ( C24 Image Average)".
void ImgProjectOnARow(VnROI<VnC24>* roi, VnC24Vector* projection);

// Trace "ImgProjectOnAColumn ( BW8 Image Sum)".
void ImgProjectOnAColumn(VnROI<VnBW8>* roi, VnBW32Vector* projection);
// Trace "ImgProjectOnAColumn ( BW8 Image Average)".
void ImgProjectOnAColumn(VnROI<VnBW8>* roi, VnBW8Vector* projection);
// Trace "ImgProjectOnAColumn ( BW16 Image Sum)".
void ImgProjectOnAColumn(VnROI<VnBW16>* roi, VnBW32Vector* projection);
// Trace "ImgProjectOnAColumn ( BW16 Image Average)".
void ImgProjectOnAColumn(VnROI<VnBW16>* roi, VnBW16Vector* projection);
// Trace "ImgProjectOnAColumn ( C24 Image Average)".
void ImgProjectOnAColumn(VnROI<VnC24>* roi, VnC24Vector* projection);

// Legacy: the vector is set with SetType(2, 1, width) (height onto a column), zeroed, and gets
// the 32-bit sums; a size of 0 takes the type's default of 256 zeroed elements. Returns the
// code: null or no pixel buffer 1400, the validity code, the vector's allocation code, no data
// 1601. Traces "ImgProjectOnARow ( VnVector)" and "ImgProjectOnAColumn".
short ImgProjectOnARow(VnROI<VnBW8>* roi, VnVector* projection);
short ImgProjectOnAColumn(VnROI<VnBW8>* roi, VnVector* projection);
