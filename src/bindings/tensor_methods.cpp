// Methods, operators and the `T` property of Tensor.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "bindings/bindings.h"
#include "tensor/access.h"
#include "tensor/copy.h"
#include "tensor/indexing.h"
#include "tensor/numpy_interop.h"
#include "tensor/views.h"

void register_tensor_methods(TensorClass& cls) {
  cls.def("to_numpy", [](const Tensor& t) { return to_numpy(t); });
  cls.def("is_contiguous", &Tensor::is_contiguous);
  cls.def(
      "copy_", [](Tensor& t, const Tensor& source) { copy_(t, source); },
      py::arg("source").none(false), py::pos_only());
  cls.def("contiguous", [](const TensorPtr& t) { return contiguous(t); });
  cls.def(
      "to", [](const TensorPtr& t, const std::string& device) { return to_device(t, device); },
      py::arg("target_device"));
  cls.def(
      "to_device",
      [](const TensorPtr& t, const std::string& device) { return to_device(t, device); },
      py::arg("target_device"));
  cls.def("transpose",
          [](const TensorPtr& t, int32_t dim0, int32_t dim1) { return transpose(t, dim0, dim1); });
  cls.def("transpose2d", [](const TensorPtr& t) { return transpose2d(t); });
  cls.def_property_readonly("T", [](const TensorPtr& t) { return transpose_all(t); });
  cls.def("item", [](const Tensor& t) { return item(t); });
  cls.def("__repr__", &tensor_text);
  cls.def("__str__", &tensor_text);
  cls.def("__len__", &len);
  cls.def("view", [](const TensorPtr& t, const Shape& shape) { return view(t, shape); });
  cls.def("reshape", [](const TensorPtr& t, const Shape& shape) { return reshape(t, shape); });
  cls.def("detach", [](const TensorPtr& t) { return detach(t); });
  cls.def("__getitem__", [](const TensorPtr& t, py::object index) { return getitem(t, index); });
}
