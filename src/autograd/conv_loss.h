// Front-ends of the 1-D im2col and the fused losses.
#pragma once

#include "cpu/im2col.h"
#include "tensor/tensor.h"

TensorPtr im2col_1d(TensorPtr x, const Conv1dWindow& window);
// Mean losses as float32 tensors of shape [1] on the first operand's device.
TensorPtr huber_loss(TensorPtr pred, TensorPtr target, float delta);
TensorPtr cross_entropy(TensorPtr logits, TensorPtr onehot);
