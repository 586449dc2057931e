// Helpers of the host backend's typed (non-float32) routes.
#pragma once

#include <stdexcept>
#include <string>

#include "tensor/copy.h"
#include "tensor/tensor.h"

// Calls fn(T{}) with T the C++ element type of a float64, int32 or int64 code; any other code
// throws std::runtime_error(operation + "(): unsupported dtype '<name>'").
template <typename Fn>
inline decltype(auto) dispatch_typed(int32_t dtype, const std::string& operation, Fn fn) {
  switch (dtype) {
    case 1:
      return fn(double{});
    case 2:
      return fn(int32_t{});
    case 3:
      return fn(int64_t{});
  }
  throw std::runtime_error(operation + "(): unsupported dtype '" + dtype_name(dtype) + "'");
}

// Host kernels read operands as plain arrays of one element type: a GPU operand, an operand of
// another dtype, or a strided view would be read wrongly or out of bounds. Strided views are
// copied first (contiguous()); the others are rejected by these checks.
inline void require_host(const Tensor& t, const std::string& operation) {
  if (t.is_cuda()) {
    throw std::runtime_error(operation +
                             "(): operand is on device 'cuda' but the operation runs "
                             "on the host; move it with .to(\"cpu\") first");
  }
}

inline void require_same_dtype(const Tensor& a, const Tensor& b, const std::string& operation) {
  if (a.dtype != b.dtype) {
    throw std::runtime_error(operation + "(): operands have different dtypes ('" +
                             dtype_name(a.dtype) + "' and '" + dtype_name(b.dtype) + "')");
  }
}
