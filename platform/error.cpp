#include "vnimg/platform/error.h"

namespace {

struct ErrorState {
  int code = 0;
  unsigned traceCount = 0;
  const char* trace[VN_MAX_TRACE] = {};
};

ErrorState& State() {
  thread_local ErrorState state;
  return state;
}

struct CodeText {
  int code;
  const char* text;
};

constexpr CodeText kTexts[] = {
    {VN_OK, "no error"},
    {VN_ERR_PATH_POINT_OUTSIDE, "a path point lies outside the ROI, or contour following cannot continue"},
    {VN_ERR_UNSUPPORTED_OPERATION, "the operation value is not supported for these operand types, or the call does not match the object's setting"},
    {VN_ERR_BAD_ARGUMENT_COMBINATION, "the arguments are inconsistent with each other (for example a lower bound not below the upper bound)"},
    {VN_ERR_BAD_CONTOUR_MODE, "the contour mode is outside its enumeration"},
    {VN_ERR_BAD_GROUP_RANGE, "the last group of the range lies below the first"},
    {VN_ERR_PARAM_1, "parameter 1 is out of range (or an element index is not below the number of elements)"},
    {VN_ERR_PARAM_2, "parameter 2 is out of range"},
    {VN_ERR_PARAM_3, "parameter 3 is out of range"},
    {VN_ERR_PARAM_4, "parameter 4 is out of range"},
    {VN_ERR_PARAM_5, "parameter 5 is out of range"},
    {VN_ERR_PARAM_6, "parameter 6 is out of range"},
    {VN_ERR_PYRAMID_TYPE_MISMATCH, "the pyramid is not set up for this pixel type"},
    {VN_ERR_SINGULAR_SYSTEM, "the registration system is singular (determinant 0)"},
    {VN_ERR_EMPTY_HISTOGRAM_RANGE, "the histogram range holds no pixel, or the regression is undefined"},
    {VN_ERR_FILE_OPEN, "the file cannot be opened"},
    {VN_ERR_FILE_READ, "reading the file failed (truncated or unreadable)"},
    {VN_ERR_FILE_WRITE, "writing the file failed"},
    {VN_ERR_FILE_TYPE, "the file holds another element type than the vector loading it"},
    {VN_ERR_FILE_CLOSE, "closing the written file failed"},
    {VN_ERR_WORK_ARRAY, "a working array cannot be allocated"},
    {VN_ERR_OUT_OF_MEMORY, "memory cannot be allocated (or the requested size does not fit)"},
    {VN_ERR_NULL_ROI, "a ROI pointer is null or the ROI has no pixel buffer"},
    {VN_ERR_SAME_ROI, "source and destination are the same ROI where two are needed"},
    {VN_ERR_SIZE_MISMATCH, "operands that must have equal sizes differ"},
    {VN_ERR_WARP_OUTSIDE, "a warp table points outside the source"},
    {VN_ERR_TRANSFORM_OUTSIDE, "the transform or scan leaves the image"},
    {VN_ERR_NEED_DISTINCT_DESTINATION, "the destination is null or equals the source"},
    {VN_ERR_PYRAMID_HALVING, "the pyramid levels have unexpected sizes"},
    {VN_ERR_PYRAMID_IMAGE_TYPE, "the pyramid's image type is not supported"},
    {VN_ERR_ROI_OUTSIDE_PARENT, "the ROI's rectangle does not lie inside its parent"},
    {VN_ERR_NEGATIVE_SIZE, "a width or height is negative"},
    {VN_ERR_BW1_NOT_ALIGNED, "the bit image does not start on a byte boundary"},
    {VN_ERR_CONTOUR_START, "contour following failed"},
    {VN_ERR_CONTOUR_1501, "contour following failed"},
    {VN_ERR_CONTOUR_1502, "contour following failed"},
    {VN_ERR_CONTOUR_1504, "contour following failed"},
    {VN_ERR_LEGACY_NO_DATA, "the legacy vector has no data"},
    {VN_ERR_LEGACY_VECTOR, "the legacy vector does not have the required type or use"},
    {VN_ERR_LEGACY_NOT_HISTOGRAM, "the legacy vector is not a histogram (vector type 2)"},
    {VN_ERR_LEGACY_EMPTY, "the legacy vector is empty or the first group is out of range"},
    {VN_ERR_LEGACY_ELEMENT_SIZE, "the legacy vector's element size is not accepted"},
    {VN_ERR_LEGACY_DATA_TYPE, "the legacy vector's data type is not supported"},
    {VN_ERR_LEGACY_VECTOR_TYPE, "the legacy vector's vector type is not the one needed"},
    {VN_ERR_LEGACY_CAPACITY, "more results than the legacy output vector can hold"},
    {VN_ERR_LEGACY_START_INDEX, "the legacy start index is out of range"},
    {VN_ERR_LEGACY_GROUP_LENGTH, "the legacy vector's group length is not 1"},
    {VN_ERR_VECTOR_SIZE, "the vector has the wrong number of elements"},
    {VN_ERR_KERNEL_EMPTY, "the kernel has no coefficients"},
    {VN_ERR_KERNEL_NOT_QUALIFIED, "the kernel does not qualify as a hit-or-miss pattern"},
    {VN_ERR_KERNEL_NOT_SYMMETRIC, "the kernel is not symmetric"},
    {VN_ERR_KERNEL_SIZE, "the kernel does not have the size this operation needs"},
    {VN_ERR_KERNEL_NO_BUFFER, "the kernel has no coefficient buffer"},
    {VN_ERR_WARP, "the warp failed"},
    {VN_ERR_FFT_SIZE, "the Fourier transform size is not a power of 2"},
    {VN_ERR_NOT_IMPLEMENTED, "no implementation for this case (or no valid partition, or a primitive failed)"},
};

}  // namespace

int VnOk() {
  ErrorState& state = State();
  state.code = 0;
  state.traceCount = 0;
  return 0;
}

int VnGetError() { return State().code; }

int VnSetError(int code) {
  State().code = code;
  return code;
}

int VnTraceError(const char* name) {
  ErrorState& state = State();
  if (state.traceCount < VN_MAX_TRACE) state.trace[state.traceCount++] = name;
  return state.code;
}

unsigned VnGetErrorTraceCount() { return State().traceCount; }

const char* VnGetErrorTraceName(unsigned i) {
  const ErrorState& state = State();
  return i < state.traceCount ? state.trace[i] : nullptr;
}

const char* VnGetErrorText(int code) {
  for (const CodeText& entry : kTexts)
    if (entry.code == code) return entry.text;
  if (code >= 1011 && code <= 1019) return "a parameter is out of range";
  return "unknown error code";
}
