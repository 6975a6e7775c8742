// Image primitives on raw buffers. Each returns 0 on success and a non-zero value on bad
// arguments (null buffer, negative size, pitch shorter than a row, unknown mode).
// Addresses are those of pixel (0, 0); pitches are in bytes.
#pragma once

// gray = (29 * c0 + 150 * c1 + 77 * c2 + 128) >> 8: the ITU-R BT.601 luma weights in 8-bit
// fixed point, c0 being blue, c1 green and c2 red (the kit's byte order).
int KorvaneIDsp_RGBToGray_BW8_C3C1R(const unsigned char* src, int srcRowPitch, unsigned char* dst, int dstRowPitch,
                                    int width, int height);

// Storage for `count` floats (64-byte aligned); null for a count below 1 or without memory.
float* KorvaneIDsp_1DMallocFLOAT32(int count);
void KorvaneIDsp_1DFree(void* pointer);

// Two-pass 3 x 3 chamfer distance: each zero pixel gets 0, each non-zero pixel the cheapest
// path to a zero pixel, costs[0] per horizontal or vertical step and costs[1] per diagonal
// step. Outside the image there are no zero pixels; a pixel that reaches no zero pixel gets
// the largest finite float.
int KorvaneIDsp_DistanceTransform3x3_BW8ToFLOAT32(const unsigned char* src, int srcRowPitch, float* dst,
                                                  int dstRowPitch, int width, int height, const float* costs);

// Float to 16-bit pixels, saturated to 0..65535 (NaN gives 0). Mode 0 truncates toward zero;
// mode 1 rounds half up (floor(v + 0.5)).
int KorvaneIDsp_ConvertFLOAT32toBW16(const float* src, int srcRowPitch, unsigned short* dst, int dstRowPitch,
                                     int width, int height, int mode);
