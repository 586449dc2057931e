// Views that reorder or reshape a tensor without copying (reshape copies a non-contiguous one).
#pragma once

#include "tensor/tensor.h"

TensorPtr transpose(const TensorPtr& t, int32_t dim0, int32_t dim1);
TensorPtr transpose_all(const TensorPtr& t);          // all dimensions reversed
TensorPtr transpose2d(const TensorPtr& t);            // dimensions 0 and 1
TensorPtr view(const TensorPtr& t, Shape new_shape);  // at most one -1, inferred
TensorPtr reshape(const TensorPtr& t, const Shape& new_shape);
TensorPtr detach(const TensorPtr& t);
int32_t len(const Tensor& t);
