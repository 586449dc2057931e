// Host unary functions, activations, their backward kernels and scalar arithmetic. Every float32
// entry is one parallel loop over a contiguous array; a strided operand is first gathered into
// the result (the same elements the row-major walk reads) and transformed in place.
#include "cpu/unary.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "cpu/typed.h"
#include "tensor/parallel.h"
#include "tensor/strided.h"

namespace {

// result[i] = f(x[i]) over x's elements in row-major order.
template <typename F>
TensorPtr map_f32(const TensorPtr& x, F f) {
  TensorPtr out = new_tensor(x->shape, "cpu", 0);
  float* y = data_f32(*out);
  require_host(*x, "this operation");
  const float* in;
  if (x->is_contiguous()) {
    in = data_f32(*x);
  } else {
    require_float32(x->dtype, "get_scalar_flat");
    gather_strided(static_cast<const float*>(x->data), x->shape, x->strides, y);
    in = y;
  }
  const int64_t n = x->size;
#pragma omp parallel for schedule(static) if (worth_parallel(n))
  for (int64_t i = 0; i < n; ++i) y[i] = f(in[i]);
  return out;
}

// g as a contiguous float32 host array of exactly `count` elements.
TensorPtr dense_gradient(const TensorPtr& g, int64_t count) {
  require_host(*g, "this operation");
  if (g->size != count) {
    throw std::invalid_argument("gradient of shape " + shape_text(g->shape) +
                                " does not match the " + std::to_string(count) +
                                " elements of the forward result");
  }
  return contiguous(g);
}

// result[i] = f(x[i], g[i]) for a backward entry that reads the forward input.
template <typename F>
TensorPtr backward_from_input(const TensorPtr& g, const TensorPtr& x, F f) {
  TensorPtr out = new_tensor(x->shape, "cpu", 0);
  float* r = data_f32(*out);
  const TensorPtr gd = dense_gradient(g, x->size);
  const float* gv = data_f32(*gd);
  const TensorPtr xd = contiguous(x);
  const float* xv = data_f32(*xd);
  const int64_t n = x->size;
#pragma omp parallel for schedule(static) if (worth_parallel(n))
  for (int64_t i = 0; i < n; ++i) r[i] = f(xv[i], gv[i]);
  return out;
}

// result[i] = f(y[i], g[i]) for a backward entry that reads the saved forward output.
template <typename F>
TensorPtr backward_from_output(const TensorPtr& g, const float* y, int32_t count,
                               const Shape& shape, F f) {
  TensorPtr out = new_tensor(shape, "cpu", 0);
  float* r = data_f32(*out);
  const TensorPtr gd = dense_gradient(g, count);
  const float* gv = data_f32(*gd);
#pragma omp parallel for schedule(static) if (worth_parallel(count))
  for (int64_t i = 0; i < count; ++i) r[i] = f(y[i], gv[i]);
  return out;
}

// result[i] = f(x[i]) of x's own type on "cpu", for the typed forward entries.
template <typename F>
TensorPtr map_typed(const TensorPtr& x, const char* operation, bool parallel, F f) {
  return dispatch_typed(x->dtype, operation, [&](auto zero) {
    using T = decltype(zero);
    require_host(*x, operation);
    const TensorPtr xd = contiguous(x);
    TensorPtr out = new_tensor(x->shape, "cpu", x->dtype);
    const T* in = static_cast<const T*>(xd->data);
    T* r = static_cast<T*>(out->data);
    const int64_t n = x->size;
#pragma omp parallel for schedule(static) if (parallel && worth_parallel(n))
    for (int64_t i = 0; i < n; ++i) r[i] = f(in[i]);
    return out;
  });
}

template <typename T>
T sign_of(T v) {
  return v > T(0) ? T(1) : (v < T(0) ? T(-1) : T(0));
}

}  // namespace

TensorPtr relu_cpu(const TensorPtr& x) {
  return map_f32(x, [](float v) { return v > 0.0f ? v : 0.0f; });
}
TensorPtr leaky_relu_cpu(const TensorPtr& x, float slope) {
  return map_f32(x, [slope](float v) { return v > 0.0f ? v : v * slope; });
}
TensorPtr sigmoid_cpu(const TensorPtr& x) {
  return map_f32(x, [](float v) { return 1.0f / (expf(-v) + 1.0f); });
}
TensorPtr tanh_cpu(const TensorPtr& x) {
  return map_f32(x, [](float v) { return tanhf(v); });
}
TensorPtr exp_cpu(const TensorPtr& x) {
  return map_f32(x, [](float v) { return expf(v); });
}
TensorPtr log_cpu(const TensorPtr& x) {
  return map_f32(x, [](float v) { return logf(v); });
}
TensorPtr sqrt_cpu(const TensorPtr& x) {
  return map_f32(x, [](float v) { return sqrtf(v); });
}
TensorPtr abs_cpu(const TensorPtr& x) {
  return map_f32(x, [](float v) { return fabsf(v); });
}
TensorPtr sign_cpu(const TensorPtr& x) {
  return map_f32(x, sign_of<float>);
}

TensorPtr relu_cpu_typed(const TensorPtr& x) {
  return map_typed(x, "relu", false, [](auto v) {
    using T = decltype(v);
    if constexpr (std::is_integral_v<T>) return v >= T(1) ? v : T(0);
    return v > T(0) ? v : T(0);
  });
}
TensorPtr leaky_relu_cpu_typed(const TensorPtr& x, double slope) {
  return map_typed(x, "leaky_relu", false, [slope](auto v) {
    using T = decltype(v);
    if (v > T(0)) return v;
    if constexpr (std::is_integral_v<T>) {
      return saturating_cast<T>(static_cast<double>(v) * slope);
    } else {
      return v * slope;
    }
  });
}
TensorPtr abs_cpu_typed(const TensorPtr& x) {
  return map_typed(x, "abs", true, [](auto v) {
    using T = decltype(v);
    if constexpr (std::is_integral_v<T>) {  // wrapping: the smallest value maps to itself
      using U = std::make_unsigned_t<T>;
      return v < T(0) ? static_cast<T>(U(0) - static_cast<U>(v)) : v;
    } else {
      return std::fabs(v);
    }
  });
}
TensorPtr sign_cpu_typed(const TensorPtr& x) {
  return map_typed(x, "sign", true, [](auto v) { return sign_of(v); });
}

TensorPtr relu_backward_cpu(const TensorPtr& g, const TensorPtr& x) {
  return backward_from_input(g, x, [](float v, float grad) { return v > 0.0f ? grad : 0.0f; });
}
TensorPtr leaky_relu_backward_cpu(const TensorPtr& g, const TensorPtr& x, float slope) {
  return backward_from_input(
      g, x, [slope](float v, float grad) { return v > 0.0f ? grad : grad * slope; });
}
TensorPtr log_backward_cpu(const TensorPtr& g, const TensorPtr& x) {
  return backward_from_input(g, x, [](float v, float grad) { return grad / v; });
}
TensorPtr abs_backward_cpu(const TensorPtr& g, const TensorPtr& x) {
  return backward_from_input(g, x, [](float v, float grad) { return grad * sign_of(v); });
}

TensorPtr sigmoid_backward_cpu(const TensorPtr& g, const float* y, int32_t count,
                               const Shape& shape) {
  return backward_from_output(g, y, count, shape,
                              [](float v, float grad) { return (v * grad) * (1.0f - v); });
}
TensorPtr tanh_backward_cpu(const TensorPtr& g, const float* y, int32_t count, const Shape& shape) {
  return backward_from_output(g, y, count, shape,
                              [](float v, float grad) { return (1.0f - v * v) * grad; });
}
TensorPtr exp_backward_cpu(const TensorPtr& g, const float* y, int32_t count, const Shape& shape) {
  return backward_from_output(g, y, count, shape, [](float v, float grad) { return grad * v; });
}
TensorPtr sqrt_backward_cpu(const TensorPtr& g, const float* y, int32_t count, const Shape& shape) {
  return backward_from_output(g, y, count, shape,
                              [](float v, float grad) { return (grad * 0.5f) / v; });
}

TensorPtr scalar_op_cpu_f32(ElementwiseOp op, const TensorPtr& a, float s) {
  switch (op) {
    case ElementwiseOp::ADD:
      return map_f32(a, [s](float v) { return s + v; });
    case ElementwiseOp::SUB:
      return map_f32(a, [s](float v) { return v - s; });
    case ElementwiseOp::MUL:
      return map_f32(a, [s](float v) { return s * v; });
    case ElementwiseOp::DIV:
      return map_f32(a, [s](float v) { return v / s; });
  }
  throw std::logic_error("unknown elementwise op");
}

TensorPtr scalar_op_cpu_typed(ElementwiseOp op, const TensorPtr& a, float s) {
  return dispatch_typed(a->dtype, op_name(op), [&](auto zero) {
    using T = decltype(zero);
    require_host(*a, op_name(op));
    T t;
    if constexpr (std::is_integral_v<T>) {
      t = saturating_cast<T>(static_cast<double>(s));
      if (op == ElementwiseOp::DIV && t == 0) throw_integer_division_by_zero(op);
    } else {
      t = static_cast<T>(s);
    }
    const TensorPtr ad = contiguous(a);
    TensorPtr out = new_tensor(a->shape, a->device, a->dtype);
    const T* in = static_cast<const T*>(ad->data);
    T* r = static_cast<T*>(out->data);
    for (int32_t i = 0; i < a->size; ++i) r[i] = apply_op(op, in[i], t);
    return out;
  });
}

TensorPtr sqrt_cpu_f64(const TensorPtr& x) {
  require_host(*x, "sqrt");
  const TensorPtr xd = contiguous(x);
  TensorPtr out = new_tensor(x->shape, "cpu", 1);
  const double* in = static_cast<const double*>(xd->data);
  double* r = static_cast<double*>(out->data);
  for (int32_t i = 0; i < x->size; ++i) r[i] = std::sqrt(in[i]);
  return out;
}
