// Copies between tensors, contiguous copies and device transfer.
#pragma once

#include <string>

#include "tensor/tensor.h"

// Copies src's elements into dst through dst's strides.
void copy_(Tensor& dst, const Tensor& src);
// The tensor itself when contiguous, else a new row-major owning copy on the same device.
TensorPtr contiguous(const TensorPtr& t);
// The tensor itself when `device` equals its device string, else a new owning copy there.
TensorPtr to_device(const TensorPtr& t, const std::string& device);
// Writes t's elements in row-major order into host memory `out` (t.size elements), with one
// device transfer of the reachable span for a GPU tensor.
void gather_to_host(const Tensor& t, void* out);
