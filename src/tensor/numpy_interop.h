// NumPy arrays in and out (always copies) and the text form of a tensor.
#pragma once

#include <pybind11/numpy.h>

#include <string>

#include "tensor/tensor.h"

TensorPtr from_numpy(const pybind11::array& array, const std::string& device, bool requires_grad);
pybind11::array to_numpy(const Tensor& t);
std::string tensor_text(const Tensor& t);
