// The Canny edge detector and its stages.
//
// Gradient vectors (VnBW32) hold gx = p(x - 1, y) - p(x + 1, y) in the low and
// gy = p(x, y - 1) - p(x, y + 1) in the high signed 16 bits. Direction codes (VnBW32) are 0, 45,
// 90 and 135. Magnitudes are trunc(min(255, sqrt(gx^2 + gy^2))), the square root in float.
#pragma once

#include "vnimg/platform/roi.h"
#include "vnimg/platform/types.h"
#include "vnimg/vector.h"

// Any other value smooths nothing.
enum SMOOTH_MODE : int {
  SMOOTH_NONE = 0,
  SMOOTH_GAUSSIAN_3X3 = 1,
  SMOOTH_GAUSSIAN_5X5 = 2,
  SMOOTH_GAUSSIAN_7X7 = 3,
  SMOOTH_MEDIAN = 4,
};

// Any other value follows nothing: dst is not written.
enum EDGE_FOLLOWING_MODE : int {
  EDGE_FOLLOWING_HYSTERESIS = 0,
  EDGE_FOLLOWING_CONTOUR_GROWING = 1,
};

// The two thresholds the detector chooses.
struct VnCannyThresholds {
  unsigned char low = 1;
  unsigned char high = 0;
};

// The three-class split [0, t1), [t1, t2), [t2, 255] of a 256-bin histogram maximising
// sum over the classes of (sum of i h(i))^2 / (count), the first strictly greater than S^2 / N in
// the order t1 = 0..255, t2 = t1..255, every class non-empty: low = t1, high = t2. No such split
// gives low 1 and high 0. Bins beyond the 256th are ignored, missing ones count as empty.
VnCannyThresholds CannyThresholdSearch(const VnBWHistogramVector& histogram);

// dst = the edges of src: smoothing, gradient, suppression, thresholds from the suppressed
// histogram, then edge following (dst pixels no walk touches keep their value). A ROI with no
// pixels is left as it is. Errors: the stages' codes (null operand 1400, the core's validity and
// size codes, 1303 when the working images cannot be had), traced "Failed canny detection !"
// after the stage's own trace.
void ImgCannyDetector(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow);
// The same, also giving the thresholds chosen (untouched when the detector fails before them).
void ImgCannyDetector(const VnROI<VnBW8>* src, VnROI<VnBW8>* dst, SMOOTH_MODE smooth, EDGE_FOLLOWING_MODE follow,
                      VnCannyThresholds* chosen);

// direction = the code of (gx, gy): 0 when |gx| > 2.42 |gy|, else 90 when |gy| > 2.42 |gx|, else
// 135 when the signs differ and 45 otherwise; suppressed = the magnitude when it is not below
// either neighbour's across the edge (0: left and right; 90: above and below; 45: up-left and
// down-right; 135: up-right and down-left; outside the ROI 0), else 0.
// Errors: null or bufferless operand 1400, the core's validity and size codes.
// Trace "NonMaximaSuppression".
void NonMaximaSuppression(const VnROI<VnBW32>* gradient, VnROI<VnBW32>* direction, VnROI<VnBW8>* suppressed);

// Edge following by walks from the pixels at least high: a forward pass in row order (the seed
// 128, each pixel the walk reaches 255), then a backward pass (each strong pixel 80, reached
// pixels 255), every step taking the strongest unvisited of three candidates chosen by the
// direction code while it is at least low. dst is not cleared. Nothing is done unless the three
// images have one width and height. Errors: null or bufferless operand 1400, the core's
// validity codes, 1303 when the visited map cannot be had. Trace "Hysteresis".
void Hysteresis(const VnROI<VnBW8>* suppressed, VnROI<VnBW8>* dst, const VnImage<VnBW32>* direction, unsigned char low,
                unsigned char high);

// Edge following by growing from the interior pixels that are non-zero, at least low, and not
// below either neighbour along the edge (0: above and below; 90: left and right; 45: (x - 1,
// y + 1) and (x + 1, y - 1); 135: (x + 1, y + 1) and (x - 1, y - 1)). From each, depth first, a
// pixel is accepted (dst 255) when its value is at least half the seed's and at least 0.8 times
// that of the pixel it was reached from; growing continues into the 6 neighbours that lie
// along the edge of the accepted pixel's code (0: the three above and the three below; 90: the
// three left and the three right; 45: (x + 1, y - 1), (x - 1, y + 1) and the four pixels beside
// both; 135: likewise about (x - 1, y - 1), (x + 1, y + 1)). dst is not cleared. Nothing is done
// unless the three ROIs have one size. Errors: null or bufferless operand 1400, the core's
// validity codes, 1303 when the marks cannot be had. Trace "ContourGrowing".
void ContourGrowing(const VnROI<VnBW8>* suppressed, VnROI<VnBW8>* dst, const VnROI<VnBW32>* direction,
                    unsigned char low);
