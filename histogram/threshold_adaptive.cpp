// A surface of local automatic thresholds: one selection per tile corner, enlarged bilinearly.
#include <algorithm>
#include <cstdint>

#include "foundation/frame.h"
#include "vnimg/geometry.h"
#include "vnimg/histogram.h"
#include "vnimg/threshold.h"

namespace frame = vnimg::frame;

namespace {

// Columns (or rows) of the window of `tile` pixels centred on `centre`, cut to [0, size).
struct Span {
  int first;
  int end;
};
Span WindowAround(int centre, int tile, int size) {
  // Wide: a tile of up to INT_MAX pixels reaches past the int range from a far centre.
  const std::int64_t half = tile / 2;
  return {static_cast<int>(std::max<std::int64_t>(centre - half, 0)), static_cast<int>(std::min<std::int64_t>(centre + half, size))};
}

// The threshold `mode` selects on the histogram of one window of src; false with the code set
// when the histogram or the selection fails. A selection one past the top level (the relative
// mode over an empty window) is kept at 255, the most the map can hold.
bool SelectInWindow(VnROI<VnBW8>* src, Span columns, Span rows, IMG_THRESHOLD_MODES mode, VnBW8& selected) {
  VnROI<VnBW8> window(src, columns.first, rows.first, columns.end - columns.first, rows.end - rows.first);
  VnBWHistogramVector hist;
  ImgHistogram(&window, &hist);
  if (VnGetError()) return false;
  unsigned threshold = static_cast<unsigned>(mode);
  float belowAverage = 0.0f, aboveAverage = 0.0f;
  ImgHistogramThreshold(&hist, threshold, belowAverage, aboveAverage, 0.5f, 0, 255);
  if (VnGetError()) return false;
  selected = static_cast<VnBW8>(std::min(threshold, 255u));
  return true;
}

}  // namespace

void ImgAutoAdaptiveThreshold(VnROI<VnBW8>* src, VnROI<VnBW8>* dst, IMG_THRESHOLD_MODES mode, int tileWidth,
                              int tileHeight) {
  constexpr const char* kTrace = "ImgAutoAdaptiveThreshold";
  VnOk();
  if (!frame::CheckNotNull(kTrace, {src, dst})) return;
  if (tileWidth <= 0) return frame::Fail(VN_ERR_PARAM_4, kTrace);
  if (tileHeight < 0) return frame::Fail(VN_ERR_PARAM_5, kTrace);
  if (!frame::CheckRois(kTrace, {src, dst})) return;
  if (tileHeight == 0) tileHeight = tileWidth;
  const int width = src->GetWidth();
  const int height = src->GetHeight();
  if (width == 0 || height == 0) return;
  // ceil(W / tile) without forming W + tile - 1, which passes INT_MAX for large tiles.
  const int tilesX = (width - 1) / tileWidth + 1;
  const int tilesY = (height - 1) / tileHeight + 1;

  VnImage<VnBW8> map(tilesX + 1, tilesY + 1);
  if (VnGetError()) return frame::Trace(kTrace);
  for (int j = 0; j <= tilesY; ++j) {
    const Span rows = WindowAround(static_cast<int>(std::int64_t{j} * height / tilesY), tileHeight, height);
    for (int i = 0; i <= tilesX; ++i) {
      const Span columns = WindowAround(static_cast<int>(std::int64_t{i} * width / tilesX), tileWidth, width);
      VnBW8 selected = 0;
      if (!SelectInWindow(src, columns, rows, mode, selected)) return frame::Trace(kTrace);
      map.SetPixel(selected, i, j);
    }
  }
  const float scaleX = static_cast<float>(width) / static_cast<float>(tilesX);
  const float scaleY = static_cast<float>(height) / static_cast<float>(tilesY);
  ImgScaleRotate(&map, 0.0f, 0.0f, 0.0f, 0.0f, scaleX, scaleY, 0.0f, dst, 8);
  if (VnGetError()) frame::Trace(kTrace);
}
