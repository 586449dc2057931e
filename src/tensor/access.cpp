// Scalar reads and writes, zero fills and item().
#include "tensor/access.h"

#include <cstring>
#include <stdexcept>

#include "cuda/runtime.h"
#include "tensor/strided.h"

namespace {

float* element_address(const Tensor& t, const Shape& index) {
  int64_t offset = 0;
  for (size_t d = 0; d < index.size(); ++d) offset += int64_t{index[d]} * t.strides[d];
  return static_cast<float*>(t.data) + offset;
}

// Clears element_bytes at every element of the layout; one span when the layout is contiguous.
void clear_elements(Tensor& t, size_t element_bytes) {
  auto* base = static_cast<char*>(t.data);
  if (t.is_contiguous()) {
    size_t bytes = element_bytes * static_cast<size_t>(t.size);
    t.is_cuda() ? cuda_zero(base, bytes) : void(std::memset(base, 0, bytes));
    return;
  }
  const bool cuda = t.is_cuda();
  for_each_row(t.shape, t.strides, [&](int64_t, int64_t offset, RowLayout row) {
    for (int32_t j = 0; j < row.length; ++j) {
      char* element = base + (offset + int64_t{j} * row.stride) * int64_t(element_bytes);
      cuda ? cuda_zero(element, element_bytes) : void(std::memset(element, 0, element_bytes));
    }
  });
}

}  // namespace

float get_scalar(const Tensor& t, const Shape& index) {
  require_float32(t.dtype, "get_scalar");
  const float* address = element_address(t, index);
  if (!t.is_cuda()) return *address;
  float value;
  cuda_copy_to_host(&value, address, sizeof value);
  return value;
}

void set_scalar(Tensor& t, const Shape& index, float value) {
  require_float32(t.dtype, "set_scalar");
  float* address = element_address(t, index);
  if (t.is_cuda()) {
    cuda_copy_to_device(address, &value, sizeof value);
  } else {
    *address = value;
  }
}

float get_scalar_flat(const Tensor& t, int32_t i) {
  require_float32(t.dtype, "get_scalar_flat");
  Shape index(t.shape.size());
  for (size_t d = index.size(); d-- > 0;) {
    index[d] = i % t.shape[d];
    i /= t.shape[d];
  }
  return get_scalar(t, index);
}

void fill_zero(Tensor& t) {
  require_float32(t.dtype, "fill_zero");
  clear_elements(t, sizeof(float));
}

void zero_fill(Tensor& t, int32_t dtype) {
  clear_elements(t, dtype_size(dtype));
}

float item(const Tensor& t) {
  require_float32(t.dtype, "item");
  if (t.size != 1) {
    throw std::runtime_error("item() only works on tensors with exactly one element, got size=" +
                             std::to_string(t.size));
  }
  return get_scalar(t, Shape(t.shape.size(), 0));
}
