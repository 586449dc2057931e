// Shape rules shared by the host and GPU backends: broadcasting of elementwise operands, the
// matrix-product batch rule, and the reduced shape of a reduction over one axis.
#pragma once

#include <cstdint>

#include "tensor/tensor.h"

// Operand layouts aligned to the broadcast result: sizes (1 for a missing leading dimension) and
// strides (0 for a missing one).
struct BroadcastLayout {
  Shape out_shape;
  Shape a_dims, a_steps;
  Shape b_dims, b_steps;
};

// Throws std::invalid_argument("Shapes are not broadcastable for elementwise op: ...").
BroadcastLayout broadcast_layout(const Tensor& a, const Tensor& b);

// The checked geometry of a matrix product a @ b.
struct MatmulGeometry {
  Shape batch_shape;  // broadcast of the operands' batch shapes
  int32_t batches;    // product of batch_shape
  int32_t m, k, n;
  Shape result_shape() const;
};

// Throws std::invalid_argument with the product's messages; `inner_mismatch` is the text for
// differing inner sizes (the GPU product words it differently).
MatmulGeometry matmul_geometry(const Tensor& a, const Tensor& b, const char* inner_mismatch);
// Element offset of the operand matrix that takes part in result batch i.
int64_t batch_offset(int64_t i, const Shape& batch_shape, const Shape& operand_shape,
                     int64_t matrix_size);

// A reduction over one axis as outer x axis x inner, with the normalised dim.
struct AxisSplit {
  int32_t dim;
  int32_t outer, axis, inner;
  Shape reduced_shape;
};

// Normalises dim (negative counts from the end); throws std::out_of_range(out_of_range_message).
AxisSplit split_axis(const Shape& shape, int32_t dim, bool keepdim,
                     const char* out_of_range_message);
