// Host reductions: sums over all elements or one axis, maxima over one axis with their
// positions, and the two gradient helpers that undo them.
#pragma once

#include <utility>
#include <vector>

#include "tensor/tensor.h"

TensorPtr sum_all_cpu(const TensorPtr& x);        // float32, shape [1], sequential order
TensorPtr sum_all_cpu_typed(const TensorPtr& x);  // float64 -> float64; int32, int64 -> int64
TensorPtr sum_axis_cpu(const TensorPtr& x, int32_t dim, bool keepdim);
TensorPtr sum_axis_cpu_typed(const TensorPtr& x, int32_t dim, bool keepdim);

using MaxResult = std::pair<TensorPtr, std::vector<int32_t>>;  // values, argmax along the axis
MaxResult max_axis_cpu(const TensorPtr& x, int32_t dim, bool keepdim);
MaxResult max_axis_cpu_typed(const TensorPtr& x, int32_t dim, bool keepdim);

// Sends each reduced gradient element to the position of its maximum; zeros elsewhere.
TensorPtr max_axis_backward_cpu(const TensorPtr& g, const std::vector<int32_t>& positions,
                                const Shape& input_shape, int32_t axis_size, int32_t inner);
// Repeats g (length 1 at dim) `size` times along dim.
TensorPtr broadcast_axis_cpu(const TensorPtr& g, int32_t dim, int32_t size);
