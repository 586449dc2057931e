// Element-type codes: sizes, names and the float32-only guard.
#include "tensor/dtype.h"

#include <stdexcept>

size_t dtype_size(int32_t code) {
  switch (code) {
    case 0:
    case 2:
      return 4;
    case 1:
    case 3:
      return 8;
  }
  throw std::runtime_error("Unknown dtype");
}

const char* dtype_name(int32_t code) {
  switch (code) {
    case 0:
      return "float32";
    case 1:
      return "float64";
    case 2:
      return "int32";
    case 3:
      return "int64";
  }
  throw std::runtime_error("Unknown dtype");
}

void require_float32(int32_t code, const std::string& operation) {
  if (code == 0) return;
  throw std::runtime_error(operation + "() does not yet support dtype '" + dtype_name(code) +
                           "'. Only float32 is currently fully implemented for this operation; "
                           "float64/int32/int64 support is being added incrementally.");
}
