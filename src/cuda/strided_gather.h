// Row-major copy of a strided float32 layout on the GPU, without a trip through the host.
#pragma once

#include <cstdint>

#include "tensor/tensor.h"

constexpr int MAX_DIMS = 8;

// dst[i] = the i-th element of (src, shape, strides) in row-major order, for i < n. Queued on the
// default stream; throws std::runtime_error for more than MAX_DIMS dimensions.
void strided_gather(const float* src, float* dst, const Shape& shape, const Shape& strides,
                    int32_t n);
