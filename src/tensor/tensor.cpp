// Construction and destruction of tensors, and the shape helpers every Part uses.
#include "tensor/tensor.h"

#include <sys/mman.h>

#include <cstdlib>
#include <limits>
#include <new>
#include <stdexcept>

#include "cuda/runtime.h"
#include "tensor/block_cache.h"

namespace {

constexpr size_t kHostAlignment = 64;  // a cache line; also keeps 16-byte vector loads aligned

// Element count of an owning shape, rejecting sizes that are not positive and counts the 32-bit
// `size` cannot hold (a wrapped count would allocate too little memory).
int32_t owning_element_count(const Shape& shape) {
  int64_t count = 1;
  for (int32_t dim : shape) {
    if (dim <= 0) throw std::invalid_argument("Tensor dimensions must be positive");
    count *= dim;
    if (count > std::numeric_limits<int32_t>::max()) {
      throw std::invalid_argument("Tensor of shape " + shape_text(shape) +
                                  " has more than 2147483647 elements");
    }
  }
  return static_cast<int32_t>(count);
}

// Large buffers are placed on 2 MiB boundaries and offered transparent huge pages, as NumPy does
// for its arrays: first-touch page faults otherwise dominate filling a fresh buffer.
constexpr size_t kHugePage = size_t{2} << 20;

void* host_allocate(size_t bytes) {
  const size_t alignment = bytes >= 2 * kHugePage ? kHugePage : kHostAlignment;
  size_t rounded = (bytes + alignment - 1) / alignment * alignment;
  void* p = std::aligned_alloc(alignment, rounded);
  if (p == nullptr) throw std::bad_alloc();
  if (alignment == kHugePage) madvise(p, rounded, MADV_HUGEPAGE);
  return p;
}

}  // namespace

Tensor::Tensor(const Shape& shape_, const std::string& device_, int32_t dtype_)
    : dtype(dtype_), shape(shape_), device(device_) {
  size = owning_element_count(shape);
  strides = contiguous_strides(shape);
  size_t bytes = dtype_size(dtype) * static_cast<size_t>(size);
  if (!is_cuda()) {
    storage = host_allocate(bytes);
  } else if (dtype != 0) {
    storage = cuda_allocate(bytes);
  } else {
    storage = gpu_block_cache().acquire(size);
  }
  data = storage;
}

Tensor::Tensor(std::shared_ptr<Tensor> base_, int32_t offset, const Shape& shape_,
               const Shape& strides_)
    : dtype(base_->dtype), shape(shape_), strides(strides_), device(base_->device) {
  size = 1;
  for (int32_t dim : shape) size *= dim;
  data = static_cast<char*>(base_->data) +
         static_cast<ptrdiff_t>(offset) * static_cast<ptrdiff_t>(dtype_size(dtype));
  base = std::move(base_);
}

Tensor::~Tensor() {
  if (base || storage == nullptr) return;
  if (!is_cuda()) {
    std::free(storage);
  } else if (dtype != 0) {
    cuda_free(storage);
  } else {
    gpu_block_cache().release(size, storage);
  }
}

bool Tensor::is_contiguous() const {
  return strides == contiguous_strides(shape);
}

TensorPtr new_tensor(const Shape& shape, const std::string& device, int32_t dtype) {
  return std::make_shared<Tensor>(shape, device, dtype);
}

TensorPtr make_view(TensorPtr base, int32_t offset, const Shape& shape, const Shape& strides) {
  return std::make_shared<Tensor>(std::move(base), offset, shape, strides);
}

Shape contiguous_strides(const Shape& shape) {
  Shape strides(shape.size());
  int32_t step = 1;
  for (size_t i = shape.size(); i-- > 0;) {
    strides[i] = step;
    step *= shape[i];
  }
  return strides;
}

std::string shape_text(const Shape& shape) {
  std::string text = "(";
  for (size_t i = 0; i < shape.size(); ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(shape[i]);
  }
  text += shape.size() == 1 ? ",)" : ")";
  return text;
}

float* data_f32(const Tensor& t) {
  require_float32(t.dtype, "this operation");
  return static_cast<float*>(t.data);
}
