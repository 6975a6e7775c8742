// Moving bit images to and from byte-aligned storage. Both report failure by throwing
// Korvane::Quandor::Exception, as the aligned bit-image workers do.
#pragma once

#include "vnimg/exception.h"
#include "vnimg/platform/roi.h"

// dst (byte-aligned) receives src, whatever src's bit offset. Each destination row byte i is
// (src[i] << o) | (src[i + 1] >> (8 - o)) over ceil(width / 8) bytes, o being src's bit offset
// (the source is never read past its row's last byte; a missing byte counts as 0), so the
// bits of a row's last byte beyond the width take whatever follows in the source.
// Throws: a null operand 1400; an invalid operand its validity code; different sizes the
// same-size code; a destination not byte-aligned 1423.
void ImgBW1Alignment(const VnROI<VnBW1>* src, VnROI<VnBW1>* dst);

// dst (any bit offset) receives src (byte-aligned). Bits of dst's bytes outside the ROI are
// never changed. Throws: a null operand 1400; an invalid operand its validity code; different
// sizes the same-size code; a source not byte-aligned 1423.
void ImgBW1UnAlignment(VnROI<VnBW1>* src, VnROI<VnBW1>* dst);
