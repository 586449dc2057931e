// Front-ends of the pointwise, matrix and reduction operations.
#include "autograd/frontends.h"

#include <stdexcept>
#include <string>

#include "autograd/frontend_support.h"
#include "autograd/grad_mode.h"
#include "cpu/elementwise.h"
#include "cpu/matmul.h"
#include "cpu/reductions.h"
#include "cpu/unary.h"
#include "tensor/copy.h"

namespace {

// A one-operand operation with a float32 backend and a typed backend behind the autograd gate.
// The contiguity step runs on the float32 path, and on the typed path too unless the typed
// backend takes strided operands itself (the typed sums reject them).
template <typename F32, typename Typed>
TensorPtr unary(const char* name, TensorPtr x, F32 f32, Typed typed, bool contiguous_typed = true) {
  const bool typed_path = x->dtype != 0;
  if (typed_path) require_no_grad_for_typed(x->dtype, {x.get()});
  if (!typed_path || contiguous_typed) make_contiguous(x);
  if (x->is_cuda()) gpu_not_available(name);
  return typed_path ? typed(x) : f32(x);
}

// sigmoid, tanh, exp and log have no typed path: the float32 backend rejects other dtypes.
template <typename F32>
TensorPtr float_unary(const char* name, TensorPtr x, F32 f32) {
  make_contiguous(x);
  if (x->is_cuda()) gpu_not_available(name);
  return f32(x);
}

const char* scalar_op_name(ElementwiseOp op) {
  static const char* names[] = {"add_scalar", "sub_scalar", "mul_scalar", "div_scalar"};
  return names[static_cast<int>(op)];
}

}  // namespace

TensorPtr relu(TensorPtr x) {
  return unary("relu", std::move(x), relu_cpu, relu_cpu_typed);
}

TensorPtr leaky_relu(TensorPtr x, double slope) {
  return unary(
      "leaky_relu", std::move(x),
      [slope](const TensorPtr& t) { return leaky_relu_cpu(t, static_cast<float>(slope)); },
      [slope](const TensorPtr& t) { return leaky_relu_cpu_typed(t, slope); });
}

TensorPtr abs_op(TensorPtr x) {
  return unary("abs", std::move(x), abs_cpu, abs_cpu_typed);
}

TensorPtr sign(TensorPtr x) {
  return unary("sign", std::move(x), sign_cpu, sign_cpu_typed);
}

TensorPtr sigmoid(TensorPtr x) {
  return float_unary("sigmoid", std::move(x), sigmoid_cpu);
}
TensorPtr tanh_op(TensorPtr x) {
  return float_unary("tanh", std::move(x), tanh_cpu);
}
TensorPtr exp_op(TensorPtr x) {
  return float_unary("exp", std::move(x), exp_cpu);
}
TensorPtr log_op(TensorPtr x) {
  return float_unary("log", std::move(x), log_cpu);
}

TensorPtr sqrt_op(TensorPtr x) {
  if (x->dtype == 2 || x->dtype == 3) {
    throw std::runtime_error(std::string("sqrt(): dtype '") + dtype_name(x->dtype) +
                             "' is not supported. Use a float dtype.");
  }
  if (x->dtype == 1) {
    require_no_grad_for_typed(x->dtype, {x.get()});
    make_contiguous(x);
    if (x->is_cuda()) gpu_not_available("sqrt");
    return sqrt_cpu_f64(x);
  }
  return float_unary("sqrt", std::move(x), sqrt_cpu);
}

TensorPtr scalar_op(ElementwiseOp op, TensorPtr x, float s) {
  if (x->dtype != 0) require_no_grad_for_typed(x->dtype, {x.get()});
  if (x->is_cuda()) gpu_not_available(scalar_op_name(op));
  return x->dtype == 0 ? scalar_op_cpu_f32(op, x, s) : scalar_op_cpu_typed(op, x, s);
}

TensorPtr elementwise(ElementwiseOp op, TensorPtr a, TensorPtr b) {
  if (a->dtype != 0) require_no_grad_for_typed(a->dtype, {a.get(), b.get()});
  if (a->is_cuda()) gpu_not_available(op_name(op));
  return a->dtype == 0 ? elementwise_cpu_f32(op, a, b) : elementwise_cpu_typed(op, a, b);
}

TensorPtr matmul(TensorPtr a, TensorPtr b) {
  if (a->dtype != 0) require_no_grad_for_typed(a->dtype, {a.get(), b.get()});
  if (a->is_cuda()) gpu_not_available("matmul");
  switch (a->dtype) {
    case 0:
      return matmul_cpu_f32(a, b);
    case 1:
      return matmul_cpu_f64(a, b);
    default:
      return matmul_cpu_int(a, b);
  }
}

TensorPtr sum_all(TensorPtr x) {
  return unary("sum", std::move(x), sum_all_cpu, sum_all_cpu_typed, false);
}

TensorPtr sum_axis(TensorPtr x, int32_t dim, bool keepdim) {
  return unary(
      "sum", std::move(x), [&](const TensorPtr& t) { return sum_axis_cpu(t, dim, keepdim); },
      [&](const TensorPtr& t) { return sum_axis_cpu_typed(t, dim, keepdim); }, false);
}

TensorPtr max_axis(TensorPtr x, int32_t dim, bool keepdim) {
  return unary(
      "max", std::move(x), [&](const TensorPtr& t) { return max_axis_cpu(t, dim, keepdim).first; },
      [&](const TensorPtr& t) { return max_axis_cpu_typed(t, dim, keepdim).first; });
}

TensorPtr contiguous_op(TensorPtr x) {
  return contiguous(x);
}
