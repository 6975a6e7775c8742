// Process-wide settings, per-thread state and memory of the core library.
#pragma once

#include <cstddef>

#include "vnimg/platform/types.h"

// Non-zero lets operations use their vectorised variants (named MMX after the original kit).
// The default is on when the running CPU has the vector variants (always on x86-64).
int VnGetMMX();
void VnSetMMX(int enabled);

enum VN_ANGLE_UNIT : int {
  VN_ANGLE_RADIANS = 0,
  VN_ANGLE_DEGREES = 1,
};
// The unit in which callers give angles; radians by default. Values other than the two
// units are ignored.
void VnSetAngleUnit(VN_ANGLE_UNIT unit);
VN_ANGLE_UNIT VnGetAngleUnit();
// angle in the caller's unit -> radians
double VnToRadians(double angle);
// radians -> the caller's unit
double VnFromRadians(double radians);

// The calling thread's state kept for the library.
struct ToviTLSStruct {
  VnC24 m_c24OverlayColor{};
};
ToviTLSStruct* VnGetTLSPtr();

// 64-byte aligned storage; null for 0 bytes or when the memory cannot be had.
void* Quandor_Malloc(std::size_t bytes);
void Quandor_Free(void* p);
