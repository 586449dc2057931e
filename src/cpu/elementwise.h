// Host elementwise add, sub, mul and div between two tensors.
#pragma once

#include "tensor/elementwise_op.h"
#include "tensor/tensor.h"

// float32 (a decides): equal shapes, else broadcasting; operands may be strided views.
TensorPtr elementwise_cpu_f32(ElementwiseOp op, const TensorPtr& a, const TensorPtr& b);
TensorPtr elementwise_broadcast_cpu_f32(ElementwiseOp op, const TensorPtr& a, const TensorPtr& b);
// float64, int32, int64: equal shapes and dtypes only; the result keeps a's device string.
TensorPtr elementwise_cpu_typed(ElementwiseOp op, const TensorPtr& a, const TensorPtr& b);
