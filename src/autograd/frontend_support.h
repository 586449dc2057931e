// Steps shared by the front-ends.
#pragma once

#include <stdexcept>
#include <string>

#include "autograd/frontends.h"

// The GPU kernels of the operation have not landed yet.
[[noreturn]] inline void gpu_not_available(const std::string& operation) {
  throw std::runtime_error(operation +
                           "(): the CUDA backend for this operation is not available yet");
}

// The contiguity step: a strided operand is replaced by the "contiguous" front-end's copy.
inline void make_contiguous(TensorPtr& x) {
  if (!x->is_contiguous()) x = contiguous_op(x);
}
