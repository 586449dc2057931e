// transpose, view, reshape, detach and len.
#include "tensor/views.h"

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "tensor/copy.h"

namespace {

int32_t resolve_transpose_dim(int32_t dim, size_t ndim) {
  int64_t resolved = dim < 0 ? int64_t{dim} + int64_t(ndim) : dim;
  if (resolved < 0 || resolved >= int64_t(ndim))
    throw std::out_of_range("transpose dim out of range");
  return static_cast<int32_t>(resolved);
}

}  // namespace

TensorPtr transpose(const TensorPtr& t, int32_t dim0, int32_t dim1) {
  int32_t d0 = resolve_transpose_dim(dim0, t->shape.size());
  int32_t d1 = resolve_transpose_dim(dim1, t->shape.size());
  Shape shape = t->shape, strides = t->strides;
  std::swap(shape[d0], shape[d1]);
  std::swap(strides[d0], strides[d1]);
  return make_view(t, 0, shape, strides);
}

TensorPtr transpose_all(const TensorPtr& t) {
  return make_view(t, 0, Shape(t->shape.rbegin(), t->shape.rend()),
                   Shape(t->strides.rbegin(), t->strides.rend()));
}

TensorPtr transpose2d(const TensorPtr& t) {
  return transpose(t, 0, 1);
}

TensorPtr view(const TensorPtr& t, Shape new_shape) {
  int64_t product = 1;
  int inferred = -1;
  for (size_t i = 0; i < new_shape.size(); ++i) {
    if (new_shape[i] == -1) {
      if (inferred >= 0) {
        throw std::invalid_argument("Only one dimension can be inferred (-1) in view()");
      }
      inferred = static_cast<int>(i);
    } else if (new_shape[i] <= 0) {
      throw std::invalid_argument("view() dimensions must be positive (or -1 to infer)");
    } else {
      // A product beyond 64 bits can only mismatch; it saturates instead of wrapping.
      if (__builtin_mul_overflow(product, int64_t{new_shape[i]}, &product)) product = INT64_MAX;
    }
  }
  if (inferred >= 0) {
    if (t->size % product != 0) {
      throw std::invalid_argument("view(): inferred dimension does not evenly divide total size");
    }
    new_shape[inferred] = static_cast<int32_t>(t->size / product);
    product = t->size;
  }
  if (product != t->size) {
    throw std::invalid_argument("view(): new shape's total size (" + std::to_string(product) +
                                ") must match tensor's size (" + std::to_string(t->size) + ")");
  }
  if (!t->is_contiguous()) {
    throw std::invalid_argument("view() requires a contiguous tensor. Use reshape() instead.");
  }
  Shape strides = contiguous_strides(new_shape);
  return make_view(t, 0, new_shape, strides);
}

TensorPtr reshape(const TensorPtr& t, const Shape& new_shape) {
  return view(t->is_contiguous() ? t : contiguous(t), new_shape);
}

TensorPtr detach(const TensorPtr& t) {
  return make_view(t, 0, t->shape, t->strides);
}

int32_t len(const Tensor& t) {
  return t.shape.empty() ? 0 : t.shape[0];
}
