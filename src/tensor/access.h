// Element access: scalar reads and writes through the strides, zero fills and item().
#pragma once

#include "tensor/tensor.h"

// float32 only; one index per dimension, unchecked (callers pass valid indices).
float get_scalar(const Tensor& t, const Shape& index);
void set_scalar(Tensor& t, const Shape& index, float value);
// The i-th element in row-major order, read through the strides.
float get_scalar_flat(const Tensor& t, int32_t i);
// Zero the tensor's elements (float32 only / any dtype); a non-contiguous view is cleared element
// by element, never as one span that would include memory outside the view.
void fill_zero(Tensor& t);
void zero_fill(Tensor& t, int32_t dtype);
float item(const Tensor& t);
