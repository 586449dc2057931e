// Host matrix products with broadcast batch dimensions: BLAS for floats, a parallel loop for
// integers.
#pragma once

#include "tensor/tensor.h"

TensorPtr matmul_cpu_f32(const TensorPtr& a, const TensorPtr& b);
TensorPtr matmul_cpu_f64(const TensorPtr& a, const TensorPtr& b);
TensorPtr matmul_cpu_int(const TensorPtr& a, const TensorPtr& b);
