// Per-thread error state: one current code and a trace of operation names, innermost first.
#pragma once

// Every code the library and its platform layer raise; 0 is success.
enum VN_ERRORS : int {
  VN_OK = 0,
  VN_ERR_PATH_POINT_OUTSIDE = 106,
  VN_ERR_UNSUPPORTED_OPERATION = 1003,
  VN_ERR_BAD_ARGUMENT_COMBINATION = 1007,
  VN_ERR_BAD_CONTOUR_MODE = 1009,
  VN_ERR_BAD_GROUP_RANGE = 1010,
  VN_ERR_PARAM_1 = 1011,
  VN_ERR_PARAM_2 = 1012,
  VN_ERR_PARAM_3 = 1013,
  VN_ERR_PARAM_4 = 1014,
  VN_ERR_PARAM_5 = 1015,
  VN_ERR_PARAM_6 = 1016,
  VN_ERR_PYRAMID_TYPE_MISMATCH = 1024,
  VN_ERR_SINGULAR_SYSTEM = 1050,
  VN_ERR_EMPTY_HISTOGRAM_RANGE = 1051,
  VN_ERR_FILE_OPEN = 1102,
  VN_ERR_FILE_READ = 1103,
  VN_ERR_FILE_WRITE = 1104,
  VN_ERR_FILE_TYPE = 1105,
  VN_ERR_FILE_CLOSE = 1106,
  VN_ERR_WORK_ARRAY = 1301,
  VN_ERR_OUT_OF_MEMORY = 1303,
  VN_ERR_NULL_ROI = 1400,
  VN_ERR_SAME_ROI = 1402,
  VN_ERR_SIZE_MISMATCH = 1403,
  VN_ERR_WARP_OUTSIDE = 1405,
  VN_ERR_TRANSFORM_OUTSIDE = 1411,
  VN_ERR_NEED_DISTINCT_DESTINATION = 1413,
  VN_ERR_PYRAMID_HALVING = 1414,
  VN_ERR_PYRAMID_IMAGE_TYPE = 1419,
  VN_ERR_ROI_OUTSIDE_PARENT = 1420,   // platform: a ROI's rectangle leaves its parent
  VN_ERR_NEGATIVE_SIZE = 1421,        // platform: a negative width or height
  VN_ERR_BW1_NOT_ALIGNED = 1423,
  VN_ERR_CONTOUR_START = 1500,
  VN_ERR_CONTOUR_1501 = 1501,
  VN_ERR_CONTOUR_1502 = 1502,
  VN_ERR_CONTOUR_1504 = 1504,
  VN_ERR_LEGACY_NO_DATA = 1601,
  VN_ERR_LEGACY_VECTOR = 1602,
  VN_ERR_LEGACY_NOT_HISTOGRAM = 1603,
  VN_ERR_LEGACY_EMPTY = 1604,
  VN_ERR_LEGACY_ELEMENT_SIZE = 1605,
  VN_ERR_LEGACY_DATA_TYPE = 1606,
  VN_ERR_LEGACY_VECTOR_TYPE = 1607,
  VN_ERR_LEGACY_CAPACITY = 1608,
  VN_ERR_LEGACY_START_INDEX = 1609,
  VN_ERR_LEGACY_GROUP_LENGTH = 1611,
  VN_ERR_VECTOR_SIZE = 1613,
  VN_ERR_KERNEL_EMPTY = 1700,
  VN_ERR_KERNEL_NOT_QUALIFIED = 1701,
  VN_ERR_KERNEL_NOT_SYMMETRIC = 1702,
  VN_ERR_KERNEL_SIZE = 1703,
  VN_ERR_KERNEL_NO_BUFFER = 1704,
  VN_ERR_WARP = 2200,
  VN_ERR_FFT_SIZE = 2600,
  VN_ERR_NOT_IMPLEMENTED = 32767,
};

// Clears the calling thread's code and trace; returns 0.
int VnOk();
// The calling thread's current code.
int VnGetError();
// Sets the current code (the trace is kept, so that workers' names stay); returns the code.
int VnSetError(int code);
// Appends an operation name to the current trace; returns the current code.
// The name must outlive the trace (the library passes string literals).
int VnTraceError(const char* name);
// A readable text for any code (unknown codes get a generic text naming the number's range).
const char* VnGetErrorText(int code);
// Number of names traced since the last VnOk (at most VN_MAX_TRACE are kept).
unsigned VnGetErrorTraceCount();
// Traced name i, 0 being the innermost (first traced); null past the end.
const char* VnGetErrorTraceName(unsigned i);

inline constexpr unsigned VN_MAX_TRACE = 32;
