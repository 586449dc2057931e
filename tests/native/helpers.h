// Small helpers for the native tests: host float32 tensors from and to vectors.
#pragma once

#include <vector>

#include "tensor/tensor.h"

inline TensorPtr host_tensor(const Shape& shape, const std::vector<float>& values) {
  TensorPtr t = new_tensor(shape, "cpu", 0);
  float* data = data_f32(*t);
  for (size_t i = 0; i < values.size(); ++i) data[i] = values[i];
  return t;
}

inline std::vector<float> values_of(const Tensor& t) {
  const float* data = data_f32(t);
  return std::vector<float>(data, data + t.size);
}
