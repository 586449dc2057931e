// copy_, contiguous and to_device. Strided data crosses between host and GPU as one transfer of
// the span it occupies, gathered or scattered on the host, which gives the same elements as an
// element-by-element walk at a fraction of the transfers.
#include "tensor/copy.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "cuda/runtime.h"
#include "cuda/strided_gather.h"
#include "tensor/strided.h"

namespace {

size_t byte_count(const Tensor& t) {
  return dtype_size(t.dtype) * static_cast<size_t>(t.size);
}

// gather_strided over raw element bits of 4 or 8 bytes.
void gather_elements(const void* src, const Tensor& layout, void* dst) {
  if (dtype_size(layout.dtype) == 4) {
    gather_strided(static_cast<const uint32_t*>(src), layout.shape, layout.strides,
                   static_cast<uint32_t*>(dst));
  } else {
    gather_strided(static_cast<const uint64_t*>(src), layout.shape, layout.strides,
                   static_cast<uint64_t*>(dst));
  }
}

// Moves `bytes` between two places, each on the host or the GPU.
void transfer(void* dst, bool dst_cuda, const void* src, bool src_cuda, size_t bytes) {
  if (dst_cuda && src_cuda) {
    cuda_copy_on_device(dst, src, bytes);
  } else if (dst_cuda) {
    cuda_copy_to_device(dst, src, bytes);
  } else if (src_cuda) {
    cuda_copy_to_host(dst, src, bytes);
  } else {
    std::memmove(dst, src, bytes);
  }
}

}  // namespace

void gather_to_host(const Tensor& t, void* out) {
  if (t.size == 0) return;
  if (!t.is_cuda()) {
    gather_elements(t.data, t, out);
    return;
  }
  const size_t element = dtype_size(t.dtype);
  if (t.is_contiguous()) {
    cuda_copy_to_host(out, t.data, element * static_cast<size_t>(t.size));
    return;
  }
  // Negative strides reach below `data`: copy from the lowest reachable element to the highest.
  const OffsetSpan span = reachable_span(t.shape, t.strides);
  std::vector<char> staging(element * static_cast<size_t>(span.highest - span.lowest + 1));
  cuda_copy_to_host(staging.data(),
                    static_cast<const char*>(t.data) + span.lowest * int64_t(element),
                    staging.size());
  gather_elements(staging.data() - span.lowest * int64_t(element), t, out);
}

void copy_(Tensor& dst, const Tensor& src) {
  if (dst.shape != src.shape) throw std::invalid_argument("copy_(): shape mismatch");
  if (dst.dtype != src.dtype) {
    throw std::invalid_argument(std::string("copy_(): dtype mismatch (") + dtype_name(dst.dtype) +
                                " vs " + dtype_name(src.dtype) + ")");
  }
  if (dst.is_contiguous() && src.is_contiguous() && dst.device == src.device) {
    transfer(dst.data, dst.is_cuda(), src.data, src.is_cuda(), byte_count(src));
    return;
  }
  if (dst.dtype != 0) {
    throw std::runtime_error(std::string("copy_() between non-contiguous tensors is not yet "
                                         "supported for dtype '") +
                             dtype_name(dst.dtype) +
                             "'. Call .contiguous() on both tensors first.");
  }
  if (dst.size == 0) return;
  if (dst.is_cuda() && src.is_cuda() && dst.is_contiguous()) {
    strided_gather(static_cast<const float*>(src.data), static_cast<float*>(dst.data), src.shape,
                   src.strides, src.size);
    return;
  }
  std::vector<float> values(static_cast<size_t>(src.size));
  gather_to_host(src, values.data());
  if (dst.is_contiguous()) {
    transfer(dst.data, dst.is_cuda(), values.data(), false, byte_count(dst));
  } else if (!dst.is_cuda()) {
    scatter_strided(values.data(), dst.shape, dst.strides, static_cast<float*>(dst.data));
  } else {
    // One 4-byte write per element: the destination's span may hold memory that is not its own.
    auto* base = static_cast<float*>(dst.data);
    for_each_row(dst.shape, dst.strides, [&](int64_t r, int64_t offset, RowLayout row) {
      for (int32_t j = 0; j < row.length; ++j) {
        cuda_copy_to_device(base + offset + int64_t{j} * row.stride, &values[r * row.length + j],
                            sizeof(float));
      }
    });
  }
}

TensorPtr contiguous(const TensorPtr& t) {
  if (t->is_contiguous()) return t;
  TensorPtr out = new_tensor(t->shape, t->device, t->dtype);
  if (!t->is_cuda()) {
    gather_elements(t->data, *t, out->data);
  } else if (t->dtype == 0) {
    strided_gather(static_cast<const float*>(t->data), static_cast<float*>(out->data), t->shape,
                   t->strides, t->size);
  } else {
    std::vector<char> values(byte_count(*t));
    gather_to_host(*t, values.data());
    cuda_copy_to_device(out->data, values.data(), values.size());
  }
  return out;
}

TensorPtr to_device(const TensorPtr& t, const std::string& device) {
  if (device == t->device) return t;
  if (!t->is_contiguous()) require_float32(t->dtype, "to_device (on a non-contiguous tensor)");
  TensorPtr out = new_tensor(t->shape, device, t->dtype);
  const bool target_cuda = out->is_cuda();
  if (t->is_contiguous()) {
    transfer(out->data, target_cuda, t->data, t->is_cuda(), byte_count(*t));
  } else if (!target_cuda) {
    gather_to_host(*t, out->data);
  } else {
    std::vector<float> values(static_cast<size_t>(t->size));
    gather_to_host(*t, values.data());
    cuda_copy_to_device(out->data, values.data(), byte_count(*t));
  }
  return out;
}
