// Host reductions. Each result element accumulates along the axis in increasing k, exactly as a
// sequential loop would; results are independent, so blocks of them run in parallel, and a block
// of neighbouring elements walks memory row by row instead of with stride `inner`.
#include "cpu/reductions.h"

#include <algorithm>
#include <stdexcept>
#include <type_traits>

#include "cpu/typed.h"
#include "tensor/access.h"
#include "tensor/shape_rules.h"

namespace {

constexpr int32_t kBlock = 256;  // neighbouring result elements handled together

// fn(o, j_begin, j_end) over every block of the outer x inner result elements, in parallel.
template <typename Fn>
void for_each_result_block(const AxisSplit& split, Fn fn) {
  const int64_t blocks_per_row = (int64_t{split.inner} + kBlock - 1) / kBlock;
  const int64_t items = int64_t{split.outer} * blocks_per_row;
  const bool parallel = int64_t{split.outer} * split.axis * split.inner >= (1 << 15);
#pragma omp parallel for schedule(static) if (parallel)
  for (int64_t item = 0; item < items; ++item) {
    const int64_t o = item / blocks_per_row;
    const int32_t j0 = static_cast<int32_t>(item % blocks_per_row * kBlock);
    fn(o, j0, std::min(split.inner, j0 + kBlock));
  }
}

void require_contiguous(const Tensor& x, const char* message) {
  if (!x.is_contiguous()) throw std::invalid_argument(message);
}

constexpr const char* kSumContiguous =
    "sum() requires a contiguous tensor. Call .contiguous() first.";
constexpr const char* kMaxContiguous =
    "max() requires a contiguous tensor. Call .contiguous() first.";

// Integer sums wrap in the 64-bit accumulator: add as unsigned to keep that defined.
template <typename Acc, typename In>
Acc accumulate(Acc acc, In v) {
  if constexpr (std::is_integral_v<Acc>) {
    return static_cast<Acc>(static_cast<uint64_t>(acc) +
                            static_cast<uint64_t>(static_cast<Acc>(v)));
  } else {
    return acc + static_cast<Acc>(v);
  }
}

template <typename In, typename Acc>
void sum_axis_loop(const In* x, const AxisSplit& split, Acc* out) {
  for_each_result_block(split, [&](int64_t o, int32_t j0, int32_t j1) {
    Acc acc[kBlock] = {};
    for (int32_t k = 0; k < split.axis; ++k) {
      const In* row = x + (o * split.axis + k) * split.inner;
      for (int32_t j = j0; j < j1; ++j) acc[j - j0] = accumulate(acc[j - j0], row[j]);
    }
    std::copy(acc, acc + (j1 - j0), out + o * split.inner + j0);
  });
}

// Strict less-than: the first maximum wins, a NaN at k = 0 stays, later NaNs are skipped.
template <typename T>
void max_axis_loop(const T* x, const AxisSplit& split, T* values, int32_t* positions) {
  for_each_result_block(split, [&](int64_t o, int32_t j0, int32_t j1) {
    T best[kBlock];
    int32_t pos[kBlock] = {};
    std::copy(x + o * split.axis * split.inner + j0, x + o * split.axis * split.inner + j1, best);
    for (int32_t k = 1; k < split.axis; ++k) {
      const T* row = x + (o * split.axis + k) * split.inner;
      for (int32_t j = j0; j < j1; ++j) {
        if (best[j - j0] < row[j]) {
          best[j - j0] = row[j];
          pos[j - j0] = k;
        }
      }
    }
    std::copy(best, best + (j1 - j0), values + o * split.inner + j0);
    std::copy(pos, pos + (j1 - j0), positions + o * split.inner + j0);
  });
}

// The typed sums: float64 accumulates in double, the integer types in int64.
template <typename Fn>
TensorPtr dispatch_sum(const TensorPtr& x, Fn fn) {
  switch (x->dtype) {
    case 1:
      return fn(double{}, double{}, 1);
    case 2:
      return fn(int32_t{}, int64_t{}, 3);
    case 3:
      return fn(int64_t{}, int64_t{}, 3);
    case 0:
      throw std::runtime_error("sum(): unsupported dtype 'float32'");
  }
  throw std::runtime_error("sum(): unknown dtype");
}

MaxResult max_axis(const TensorPtr& x, int32_t dim, bool keepdim, auto zero) {
  using T = decltype(zero);
  require_contiguous(*x, kMaxContiguous);
  require_host(*x, "max");
  const AxisSplit split = split_axis(x->shape, dim, keepdim, "max() dim out of range");
  if (split.axis == 0) throw std::invalid_argument("max(): cannot reduce an empty dimension");
  TensorPtr values = new_tensor(split.reduced_shape, "cpu", x->dtype);
  std::vector<int32_t> positions(static_cast<size_t>(split.outer) * split.inner);
  max_axis_loop(static_cast<const T*>(x->data), split, static_cast<T*>(values->data),
                positions.data());
  return {values, std::move(positions)};
}

}  // namespace

TensorPtr sum_all_cpu(const TensorPtr& x) {
  require_contiguous(*x, kSumContiguous);
  require_host(*x, "sum");
  TensorPtr out = new_tensor({1}, "cpu", 0);
  const float* v = data_f32(*x);
  float acc = 0.0f;
  for (int32_t i = 0; i < x->size; ++i) acc += v[i];  // strictly left to right
  data_f32(*out)[0] = acc;
  return out;
}

TensorPtr sum_all_cpu_typed(const TensorPtr& x) {
  return dispatch_sum(x, [&](auto in_zero, auto acc_zero, int32_t result_dtype) {
    using In = decltype(in_zero);
    using Acc = decltype(acc_zero);
    require_contiguous(*x, kSumContiguous);
    require_host(*x, "sum");
    TensorPtr out = new_tensor({1}, "cpu", result_dtype);
    const In* v = static_cast<const In*>(x->data);
    Acc acc = 0;
    for (int32_t i = 0; i < x->size; ++i) acc = accumulate(acc, v[i]);
    static_cast<Acc*>(out->data)[0] = acc;
    return out;
  });
}

TensorPtr sum_axis_cpu(const TensorPtr& x, int32_t dim, bool keepdim) {
  require_contiguous(*x, kSumContiguous);
  require_host(*x, "sum");
  const AxisSplit split = split_axis(x->shape, dim, keepdim, "sum() dim out of range");
  TensorPtr out = new_tensor(split.reduced_shape, "cpu", 0);
  float* r = data_f32(*out);
  sum_axis_loop(data_f32(*x), split, r);
  return out;
}

TensorPtr sum_axis_cpu_typed(const TensorPtr& x, int32_t dim, bool keepdim) {
  return dispatch_sum(x, [&](auto in_zero, auto acc_zero, int32_t result_dtype) {
    using In = decltype(in_zero);
    using Acc = decltype(acc_zero);
    require_contiguous(*x, kSumContiguous);
    require_host(*x, "sum");
    const AxisSplit split = split_axis(x->shape, dim, keepdim, "sum() dim out of range");
    TensorPtr out = new_tensor(split.reduced_shape, "cpu", result_dtype);
    sum_axis_loop(static_cast<const In*>(x->data), split, static_cast<Acc*>(out->data));
    return out;
  });
}

MaxResult max_axis_cpu(const TensorPtr& x, int32_t dim, bool keepdim) {
  require_float32(x->dtype, "this operation");
  return max_axis(x, dim, keepdim, float{});
}

MaxResult max_axis_cpu_typed(const TensorPtr& x, int32_t dim, bool keepdim) {
  return dispatch_typed(x->dtype, "max",
                        [&](auto zero) { return max_axis(x, dim, keepdim, zero); });
}

TensorPtr max_axis_backward_cpu(const TensorPtr& g, const std::vector<int32_t>& positions,
                                const Shape& input_shape, int32_t axis_size, int32_t inner) {
  TensorPtr out = new_tensor(input_shape, "cpu", 0);
  fill_zero(*out);
  const TensorPtr gd = dense(g);
  if (gd->size != static_cast<int64_t>(positions.size())) {
    throw std::invalid_argument("max backward: gradient size does not match the positions");
  }
  const float* gv = data_f32(*gd);
  float* r = data_f32(*out);
  const int64_t outer = static_cast<int64_t>(positions.size()) / inner;
  for (int64_t i = 0; i < outer; ++i) {
    for (int32_t j = 0; j < inner; ++j) {
      r[j + inner * (i * axis_size + positions[i * inner + j])] = gv[i * inner + j];
    }
  }
  return out;
}

TensorPtr broadcast_axis_cpu(const TensorPtr& g, int32_t dim, int32_t size) {
  if (!g->is_contiguous()) throw std::invalid_argument("broadcast requires a contiguous tensor.");
  const int32_t rank = static_cast<int32_t>(g->shape.size());
  if (dim < 0) dim += rank;
  if (dim < 0 || dim >= rank) throw std::out_of_range("broadcast dim out of range");
  Shape shape = g->shape;
  shape[dim] = size;
  TensorPtr out = new_tensor(shape, "cpu", 0);
  int64_t outer = 1, inner = 1;
  for (int32_t d = 0; d < rank; ++d) {
    if (d < dim) outer *= g->shape[d];
    if (d > dim) inner *= g->shape[d];
  }
  const float* gv = data_f32(*g);
  float* r = data_f32(*out);
  for (int64_t o = 0; o < outer; ++o) {
    for (int32_t k = 0; k < size; ++k)
      std::copy(gv + o * inner, gv + (o + 1) * inner, r + (o * size + k) * inner);
  }
  return out;
}
