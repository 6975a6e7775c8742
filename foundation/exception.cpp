#include "vnimg/exception.h"

// Defined here so that the exception's type information has one home in the library.
const char* Korvane::Quandor::Exception::GetText() const { return VnGetErrorText(code); }
