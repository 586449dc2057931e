// Host fused losses: Huber and softmax cross-entropy with their gradients (float32).
#pragma once

#include "tensor/tensor.h"

// Sum (not mean) of the per-element Huber terms of pred against target.
float huber_loss_cpu(const TensorPtr& pred, const TensorPtr& target, float delta);
TensorPtr huber_backward_cpu(const TensorPtr& a, const TensorPtr& b, float delta, float scale);
// Per-row losses (N,) of logits (N, C) against targets of the same shape.
TensorPtr cross_entropy_cpu(const TensorPtr& logits, const TensorPtr& onehot);
TensorPtr cross_entropy_backward_cpu(const TensorPtr& logits, const TensorPtr& onehot, float scale);
