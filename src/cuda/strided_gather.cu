// Strided gather: one GPU thread per destination element computes its source offset from its
// row-major position, the shape and the strides.
#include "cuda/strided_gather.h"

#include <stdexcept>

#include "cuda/launch.h"

struct ShapeInfo {
  int shape[MAX_DIMS];
  int strides[MAX_DIMS];
  int ndim;
};

__global__ void strided_gather_kernel(const float* __restrict__ src, float* __restrict__ dst,
                                      ShapeInfo info, int n) {
  int i = blockIdx.x * blockDim.x + threadIdx.x;
  if (i >= n) return;
  int rest = i;
  int offset = 0;
  for (int d = info.ndim - 1; d >= 0; --d) {
    offset += (rest % info.shape[d]) * info.strides[d];
    rest /= info.shape[d];
  }
  dst[i] = __ldg(&src[static_cast<long long>(offset)]);
}

void strided_gather(const float* src, float* dst, const Shape& shape, const Shape& strides,
                    int32_t n) {
  if (shape.size() > MAX_DIMS) {
    throw std::runtime_error("strided_gather: tensor rank exceeds MAX_DIMS (8)");
  }
  ShapeInfo info{};
  info.ndim = static_cast<int>(shape.size());
  for (int d = 0; d < info.ndim; ++d) {
    info.shape[d] = shape[d];
    info.strides[d] = strides[d];
  }
  if (n == 0) return;  // a zero-block grid is not a valid launch
  // One thread per element in 256-thread blocks; no grid-stride loop, so the grid covers n.
  launch_kernel(strided_gather_kernel, dim3((n + 255) / 256), dim3(256), 0, src, dst, info, n);
}
