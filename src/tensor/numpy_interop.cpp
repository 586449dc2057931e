// from_numpy, to_numpy and the text form.
#include "tensor/numpy_interop.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "cuda/runtime.h"
#include "tensor/access.h"
#include "tensor/copy.h"

namespace py = pybind11;

namespace {

int32_t dtype_of_array(const py::dtype& dt) {
  const char kind = dt.kind();
  const py::ssize_t itemsize = dt.itemsize();
  if (kind == 'f' && itemsize == 4) return 0;
  if (kind == 'f' && itemsize == 8) return 1;
  if (kind == 'i' && itemsize == 4) return 2;
  if (kind == 'i' && itemsize == 8) return 3;
  throw std::runtime_error(std::string("from_numpy(): unsupported numpy dtype (kind='") + kind +
                           "', itemsize=" + std::to_string(itemsize) +
                           "). Supported: float32, float64, int32, int64.");
}

py::dtype numpy_dtype(int32_t dtype) {
  switch (dtype) {
    case 0:
      return py::dtype::of<float>();
    case 1:
      return py::dtype::of<double>();
    case 2:
      return py::dtype::of<int32_t>();
    case 3:
      return py::dtype::of<int64_t>();
  }
  throw std::runtime_error("Unknown dtype");
}

Shape shape_of_array(const py::array& array) {
  if (array.ndim() == 0) return {1};
  Shape shape;
  for (py::ssize_t d = 0; d < array.ndim(); ++d) {
    py::ssize_t dim = array.shape(d);
    // A dimension past 32 bits is a tensor past 2^31 elements, which the constructor rejects;
    // clamp so the conversion cannot wrap into a small, wrong size first.
    shape.push_back(
        static_cast<int32_t>(std::min<py::ssize_t>(dim, std::numeric_limits<int32_t>::max())));
  }
  return shape;
}

}  // namespace

TensorPtr from_numpy(const py::array& array, const std::string& device, bool requires_grad) {
  const int32_t dtype = dtype_of_array(array.dtype());
  TensorPtr t = new_tensor(shape_of_array(array), device, dtype);
  py::array source = py::array::ensure(array, py::array::c_style);
  if (!source) throw py::error_already_set();
  const size_t bytes = dtype_size(dtype) * static_cast<size_t>(t->size);
  if (t->is_cuda()) {
    cuda_copy_to_device(t->data, source.data(), bytes);
  } else {
    std::memcpy(t->data, source.data(), bytes);
  }
  t->requires_grad = requires_grad;
  return t;
}

py::array to_numpy(const Tensor& t) {
  std::vector<py::ssize_t> shape(t.shape.begin(), t.shape.end());
  py::array array(numpy_dtype(t.dtype), shape);
  gather_to_host(t, array.mutable_data());
  return array;
}

std::string tensor_text(const Tensor& t) {
  const std::string tail = "device='" + t.device + "', shape=" + shape_text(t.shape) + ")";
  if (t.dtype != 0) {
    return std::string("sorvek.Tensor(dtype='") + dtype_name(t.dtype) + "', " + tail +
           " [preview unavailable for this dtype yet]";
  }
  std::string text = "sorvek.Tensor([";
  const int32_t shown = std::min<int32_t>(t.size, 6);
  for (int32_t i = 0; i < shown; ++i) {
    char number[64];
    std::snprintf(number, sizeof number, "%f", static_cast<double>(get_scalar_flat(t, i)));
    if (i > 0) text += ", ";
    text += number;
  }
  if (t.size > 6) text += ", ...";
  return text + "], " + tail;
}
