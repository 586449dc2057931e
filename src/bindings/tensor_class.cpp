// The DType enum and the Tensor class: constructors and attribute properties.
#include <pybind11/stl.h>

#include "bindings/bindings.h"

void register_dtype(py::module_& m) {
  py::enum_<DType>(m, "DType")
      .value("float32", DType::float32)
      .value("float64", DType::float64)
      .value("int32", DType::int32)
      .value("int64", DType::int64);
}

TensorClass register_tensor_class(py::module_& m) {
  TensorClass cls(m, "Tensor");
  cls.def(py::init([](const Shape& shape, const std::string& device) {
       return new_tensor(shape, device);
     }))
      .def(py::init([](const Shape& shape, const std::string& device, DType dtype) {
        return new_tensor(shape, device, static_cast<int32_t>(dtype));
      }));
  cls.def_property_readonly("dtype",
                            [](const Tensor& t) { return std::string(dtype_name(t.dtype)); })
      .def_property_readonly("device", [](const Tensor& t) { return t.device; })
      .def_property_readonly("size", [](const Tensor& t) { return t.size; })
      .def_property_readonly("shape", [](const Tensor& t) { return t.shape; })
      .def_property_readonly("strides", [](const Tensor& t) { return t.strides; })
      .def_property(
          "requires_grad", [](const Tensor& t) { return t.requires_grad; },
          [](Tensor& t, bool flag) { t.requires_grad = flag; })
      .def_property(
          "grad", [](const Tensor& t) { return t.grad; },
          [](Tensor& t, TensorPtr grad) { t.grad = std::move(grad); });
  return cls;
}
