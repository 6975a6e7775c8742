// Exceptions of the bit-image workers; public operations turn them into the error state.
#pragma once

#include "vnimg/platform/error.h"

namespace Korvane {

struct Exception {
  virtual ~Exception() = default;
  // The error's text.
  virtual const char* GetText() const = 0;
};

namespace Quandor {

struct Exception : Korvane::Exception {
  int code;
  // Takes the code currently set.
  Exception() : code(VnGetError()) {}
  explicit Exception(int errorCode) : code(errorCode) {}
  Exception(const Exception&) = default;
  const char* GetText() const override;
};

}  // namespace Quandor
}  // namespace Korvane
