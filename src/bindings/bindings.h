// Registration steps of the `_C` module body, called in this order by the module entry.
#pragma once

#include <pybind11/pybind11.h>

#include "tensor/tensor.h"

namespace py = pybind11;

using TensorClass = py::class_<Tensor, TensorPtr>;

void register_dtype(py::module_& m);
TensorClass register_tensor_class(py::module_& m);
void register_tensor_methods(TensorClass& cls);
void register_module_functions(py::module_& m);
