// Host elementwise arithmetic. Contiguous equal shapes run one parallel vectorisable loop; every
// other float32 case walks the result by rows with per-operand strides (0 along broadcast
// dimensions), parallel over rows and with offsets advanced incrementally along each row.
#include "cpu/elementwise.h"

#include <algorithm>

#include "cpu/typed.h"
#include "tensor/parallel.h"
#include "tensor/shape_rules.h"
#include "tensor/strided.h"

namespace {

template <ElementwiseOp op>
void contiguous_loop(const float* a, const float* b, float* out, int64_t n) {
#pragma omp parallel for schedule(static) if (worth_parallel(n))
  for (int64_t i = 0; i < n; ++i) out[i] = apply_op(op, a[i], b[i]);
}

void dispatch_contiguous(ElementwiseOp op, const float* a, const float* b, float* out, int64_t n) {
  switch (op) {
    case ElementwiseOp::ADD:
      return contiguous_loop<ElementwiseOp::ADD>(a, b, out, n);
    case ElementwiseOp::SUB:
      return contiguous_loop<ElementwiseOp::SUB>(a, b, out, n);
    case ElementwiseOp::MUL:
      return contiguous_loop<ElementwiseOp::MUL>(a, b, out, n);
    case ElementwiseOp::DIV:
      return contiguous_loop<ElementwiseOp::DIV>(a, b, out, n);
  }
}

// out (row-major, out_shape) = a op b, where a and b are read through steps aligned to out_shape.
void strided_loop(ElementwiseOp op, const float* a, const Shape& a_steps, const float* b,
                  const Shape& b_steps, const Shape& out_shape, float* out) {
  for_each_row(out_shape, a_steps, [&](int64_t r, int64_t a_row, RowLayout row) {
    const int64_t b_row = row_offset(out_shape, b_steps, r);
    const int64_t a_step = row.stride, b_step = out_shape.empty() ? 0 : b_steps.back();
    float* dst = out + r * row.length;
    for (int32_t j = 0; j < row.length; ++j) {
      dst[j] = apply_op(op, a[a_row + j * a_step], b[b_row + j * b_step]);
    }
  });
}

// Steps with 0 along the dimensions an operand is broadcast over (its size there is 1).
Shape broadcast_steps(const Shape& dims, const Shape& steps) {
  Shape result(steps.size());
  for (size_t d = 0; d < steps.size(); ++d) result[d] = dims[d] == 1 ? 0 : steps[d];
  return result;
}

void require_both_on_host(const Tensor& a, const Tensor& b, ElementwiseOp op) {
  require_host(a, op_name(op));
  require_host(b, op_name(op));
}

}  // namespace

TensorPtr elementwise_cpu_f32(ElementwiseOp op, const TensorPtr& a, const TensorPtr& b) {
  if (a->shape != b->shape) return elementwise_broadcast_cpu_f32(op, a, b);
  require_both_on_host(*a, *b, op);
  TensorPtr out = new_tensor(a->shape, "cpu", 0);
  if (a->is_contiguous() && b->is_contiguous()) {
    const float* x = data_f32(*a);
    const float* y = data_f32(*b);
    dispatch_contiguous(op, x, y, data_f32(*out), a->size);
  } else {
    require_float32(a->dtype, "get_scalar_flat");
    require_float32(b->dtype, "get_scalar_flat");
    strided_loop(op, static_cast<const float*>(a->data), a->strides,
                 static_cast<const float*>(b->data), b->strides, a->shape, data_f32(*out));
  }
  return out;
}

TensorPtr elementwise_broadcast_cpu_f32(ElementwiseOp op, const TensorPtr& a, const TensorPtr& b) {
  const BroadcastLayout layout = broadcast_layout(*a, *b);
  require_both_on_host(*a, *b, op);
  TensorPtr out = new_tensor(layout.out_shape, "cpu", 0);
  const float* y = data_f32(*b);
  const float* x = data_f32(*a);
  strided_loop(op, x, broadcast_steps(layout.a_dims, layout.a_steps), y,
               broadcast_steps(layout.b_dims, layout.b_steps), layout.out_shape, data_f32(*out));
  return out;
}

TensorPtr elementwise_cpu_typed(ElementwiseOp op, const TensorPtr& a, const TensorPtr& b) {
  return dispatch_typed(a->dtype, op_name(op), [&](auto zero) {
    using T = decltype(zero);
    if (a->shape != b->shape) {
      throw std::invalid_argument("Broadcasting is not yet supported for non-float32 dtypes.");
    }
    require_both_on_host(*a, *b, op);
    require_same_dtype(*a, *b, op_name(op));
    const TensorPtr da = contiguous(a), db = contiguous(b);
    const T* x = static_cast<const T*>(da->data);
    const T* y = static_cast<const T*>(db->data);
    if constexpr (std::is_integral_v<T>) {
      if (op == ElementwiseOp::DIV && std::find(y, y + db->size, T{0}) != y + db->size) {
        throw_integer_division_by_zero(op);
      }
    }
    TensorPtr out = new_tensor(a->shape, a->device, a->dtype);
    T* z = static_cast<T*>(out->data);
    for (int32_t i = 0; i < a->size; ++i) z[i] = apply_op(op, x[i], y[i]);
    return out;
  });
}
