// Host unary functions, activations, their backward kernels, and arithmetic with a scalar.
#pragma once

#include "tensor/elementwise_op.h"
#include "tensor/tensor.h"

// float32 forward entries: a new contiguous float32 "cpu" tensor of x's shape.
TensorPtr relu_cpu(const TensorPtr& x);
TensorPtr leaky_relu_cpu(const TensorPtr& x, float slope);
TensorPtr sigmoid_cpu(const TensorPtr& x);
TensorPtr tanh_cpu(const TensorPtr& x);
TensorPtr exp_cpu(const TensorPtr& x);
TensorPtr log_cpu(const TensorPtr& x);
TensorPtr sqrt_cpu(const TensorPtr& x);
TensorPtr abs_cpu(const TensorPtr& x);
TensorPtr sign_cpu(const TensorPtr& x);

// Typed forward entries (float64, int32, int64): x's type, on "cpu".
TensorPtr relu_cpu_typed(const TensorPtr& x);
TensorPtr leaky_relu_cpu_typed(const TensorPtr& x, double slope);
TensorPtr abs_cpu_typed(const TensorPtr& x);
TensorPtr sign_cpu_typed(const TensorPtr& x);

// Backward entries from the forward input x and the incoming gradient g.
TensorPtr relu_backward_cpu(const TensorPtr& g, const TensorPtr& x);
TensorPtr leaky_relu_backward_cpu(const TensorPtr& g, const TensorPtr& x, float slope);
TensorPtr log_backward_cpu(const TensorPtr& g, const TensorPtr& x);
TensorPtr abs_backward_cpu(const TensorPtr& g, const TensorPtr& x);
// Backward entries from the saved forward output: `count` floats at y, result of `shape`.
TensorPtr sigmoid_backward_cpu(const TensorPtr& g, const float* y, int32_t count,
                               const Shape& shape);
TensorPtr tanh_backward_cpu(const TensorPtr& g, const float* y, int32_t count, const Shape& shape);
TensorPtr exp_backward_cpu(const TensorPtr& g, const float* y, int32_t count, const Shape& shape);
TensorPtr sqrt_backward_cpu(const TensorPtr& g, const float* y, int32_t count, const Shape& shape);

// a op s with the tensor on the left; the typed entry widens s to double (truncated toward zero
// for integers) and keeps a's device string.
TensorPtr scalar_op_cpu_f32(ElementwiseOp op, const TensorPtr& a, float s);
TensorPtr scalar_op_cpu_typed(ElementwiseOp op, const TensorPtr& a, float s);
// The host float64 square root of the sqrt front-end.
TensorPtr sqrt_cpu_f64(const TensorPtr& x);
