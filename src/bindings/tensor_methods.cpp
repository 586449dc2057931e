// Methods, operators and the `T` property of Tensor, in registration order. Operators are plain
// overloads: a Tensor operand is tried before a number.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "autograd/conv_loss.h"
#include "autograd/frontends.h"
#include "bindings/bindings.h"
#include "tensor/access.h"
#include "tensor/copy.h"
#include "tensor/indexing.h"
#include "tensor/numpy_interop.h"
#include "tensor/views.h"

namespace {

// The other operand of a binary operator: a Tensor, never None.
py::arg other() {
  return py::arg("other").none(false);
}

// s - t, computed as (-t) + s.
TensorPtr reflected_sub(const TensorPtr& t, float s) {
  return scalar_op(ElementwiseOp::ADD, scalar_op(ElementwiseOp::MUL, t, -1.0f), s);
}

// s / t, computed as (t * 0 + s) / t so the gradient reaches t only through the division.
TensorPtr reflected_div(const TensorPtr& t, float s) {
  TensorPtr filled = scalar_op(ElementwiseOp::ADD, scalar_op(ElementwiseOp::MUL, t, 0.0f), s);
  return elementwise(ElementwiseOp::DIV, filled, t);
}

void register_arithmetic(TensorClass& cls, const char* name, const char* reflected,
                         ElementwiseOp op) {
  cls.def(
      name, [op](const TensorPtr& a, const TensorPtr& b) { return elementwise(op, a, b); }, other(),
      py::pos_only());
  cls.def(name, [op](const TensorPtr& a, float s) { return scalar_op(op, a, s); });
  switch (op) {
    case ElementwiseOp::ADD:
    case ElementwiseOp::MUL:
      cls.def(reflected, [op](const TensorPtr& a, float s) { return scalar_op(op, a, s); });
      break;
    case ElementwiseOp::SUB:
      cls.def(reflected, &reflected_sub);
      break;
    case ElementwiseOp::DIV:
      cls.def(reflected, &reflected_div);
      break;
  }
}

}  // namespace

void register_tensor_methods(TensorClass& cls) {
  cls.def("to_numpy", [](const Tensor& t) { return to_numpy(t); });
  cls.def("is_contiguous", &Tensor::is_contiguous);
  cls.def("relu", [](const TensorPtr& t) { return relu(t); });
  cls.def("sigmoid", [](const TensorPtr& t) { return sigmoid(t); });
  cls.def("tanh", [](const TensorPtr& t) { return tanh_op(t); });
  cls.def(
      "copy_", [](Tensor& t, const Tensor& source) { copy_(t, source); },
      py::arg("source").none(false), py::pos_only());
  cls.def(
      "leaky_relu", [](const TensorPtr& t, float slope) { return leaky_relu(t, slope); },
      py::arg("slope") = 0.01f);
  cls.def(
      "max",
      [](const TensorPtr& t, int32_t dim, bool keepdim) { return max_axis(t, dim, keepdim); },
      py::arg("dim"), py::arg("keepdim") = false);
  cls.def("__neg__", [](const TensorPtr& t) { return scalar_op(ElementwiseOp::MUL, t, -1.0f); });
  cls.def("contiguous", [](const TensorPtr& t) { return contiguous_op(t); });
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
  cls.def("exp", [](const TensorPtr& t) { return exp_op(t); });
  cls.def("log", [](const TensorPtr& t) { return log_op(t); });
  cls.def(
      "huber_loss",
      [](const TensorPtr& t, const TensorPtr& target, float delta) {
        return huber_loss(t, target, delta);
      },
      py::arg("target").none(false), py::arg("delta") = 1.0f);
  cls.def("view", [](const TensorPtr& t, const Shape& shape) { return view(t, shape); });
  cls.def("reshape", [](const TensorPtr& t, const Shape& shape) { return reshape(t, shape); });
  cls.def(
      "sum",
      [](const TensorPtr& t, py::object dim, bool keepdim) {
        if (dim.is_none()) return sum_all(t);
        return sum_axis(t, dim.cast<int32_t>(), keepdim);
      },
      py::arg("dim") = py::none(), py::arg("keepdim") = false);
  cls.def("detach", [](const TensorPtr& t) { return detach(t); });
  cls.def("__getitem__", [](const TensorPtr& t, py::object index) { return getitem(t, index); });
  register_arithmetic(cls, "__add__", "__radd__", ElementwiseOp::ADD);
  register_arithmetic(cls, "__sub__", "__rsub__", ElementwiseOp::SUB);
  register_arithmetic(cls, "__mul__", "__rmul__", ElementwiseOp::MUL);
  register_arithmetic(cls, "__truediv__", "__rtruediv__", ElementwiseOp::DIV);
  cls.def(
      "__matmul__", [](const TensorPtr& a, const TensorPtr& b) { return matmul(a, b); }, other(),
      py::pos_only());
  cls.def("sqrt", [](const TensorPtr& t) { return sqrt_op(t); });
  cls.def("sign", [](const TensorPtr& t) { return sign(t); });
  cls.def("abs", [](const TensorPtr& t) { return abs_op(t); });
}
