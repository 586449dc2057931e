// Operation front-ends: route by the first operand's device and dtype, apply the front-end's own
// checks and contiguity steps, and return the backend's result.
#pragma once

#include "tensor/elementwise_op.h"
#include "tensor/tensor.h"

TensorPtr relu(TensorPtr x);
TensorPtr leaky_relu(TensorPtr x, double slope);
TensorPtr sigmoid(TensorPtr x);
TensorPtr tanh_op(TensorPtr x);
TensorPtr exp_op(TensorPtr x);
TensorPtr log_op(TensorPtr x);
TensorPtr sqrt_op(TensorPtr x);
TensorPtr abs_op(TensorPtr x);
TensorPtr sign(TensorPtr x);
// "add_scalar", "sub_scalar", "mul_scalar", "div_scalar": x op s.
TensorPtr scalar_op(ElementwiseOp op, TensorPtr x, float s);
// "add", "sub", "mul", "div".
TensorPtr elementwise(ElementwiseOp op, TensorPtr a, TensorPtr b);
TensorPtr matmul(TensorPtr a, TensorPtr b);
TensorPtr sum_all(TensorPtr x);
TensorPtr sum_axis(TensorPtr x, int32_t dim, bool keepdim);
TensorPtr max_axis(TensorPtr x, int32_t dim, bool keepdim);
TensorPtr contiguous_op(TensorPtr x);
