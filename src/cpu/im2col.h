// Host 1-D im2col (signal windows to columns) and its adjoint col2im.
#pragma once

#include "tensor/tensor.h"

// Geometry of a 1-D convolution window walk.
struct Conv1dWindow {
  int32_t kernel_size, stride, padding, dilation, out_length;
};

// Rejects a stride below 1 (col2im divides by it).
void require_positive_stride(const Conv1dWindow& w, const char* operation);

// x (B, C, L) contiguous -> cols (B, C*K, Lout) of x's dtype, every element written.
void im2col_1d_cpu(const Tensor& x, Tensor& cols, const Conv1dWindow& w);
// float32 cols (B, C*K, Lout) -> out (B, C, L), each position summing its window entries.
void col2im_1d_cpu(const Tensor& cols, Tensor& out, int32_t batch, int32_t channels, int32_t length,
                   const Conv1dWindow& w);
