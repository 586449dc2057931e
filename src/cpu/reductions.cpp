// Host reductions. Each result element accumulates along the axis in increasing k, exactly as a
// sequential loop would; results are independent, so groups of them run in parallel and side by
// side (see for_each_lane_group).
#include "cpu/reductions.h"

#include <algorithm>
#include <stdexcept>
#include <type_traits>

#include "cpu/typed.h"
#include "tensor/access.h"
#include "tensor/parallel.h"
#include "tensor/shape_rules.h"

namespace {

constexpr int32_t kBlock = 256;  // neighbouring result elements handled together
constexpr int32_t kRows = 8;     // rows reduced side by side when the axis is the last one

// A group of result elements reduced together. Lane l reads element k along the axis at
// first + l * lane_step + k * k_step and writes result element out + l.
struct LaneGroup {
  int64_t first, lane_step, k_step, out;
  int32_t lanes;
};

// fn(group) over all result elements, in parallel. With inner > 1 a group is a run of
// neighbouring columns (contiguous lanes); with inner == 1 it is kRows rows, whose independent
// sequential sums then overlap instead of waiting on one another.
template <typename Fn>
void for_each_lane_group(const AxisSplit& split, Fn fn) {
  const bool rows = split.inner == 1;
  const int64_t per_outer = rows ? 1 : (int64_t{split.inner} + kBlock - 1) / kBlock;
  const int64_t groups =
      rows ? (int64_t{split.outer} + kRows - 1) / kRows : int64_t{split.outer} * per_outer;
  const bool parallel = worth_parallel(int64_t{split.outer} * split.axis * split.inner);
#pragma omp parallel for schedule(static) if (parallel)
  for (int64_t g = 0; g < groups; ++g) {
    if (rows) {
      const int64_t o = g * kRows;
      fn(LaneGroup{o * split.axis, split.axis, 1, o,
                   static_cast<int32_t>(std::min<int64_t>(kRows, split.outer - o))});
    } else {
      const int64_t o = g / per_outer;
      const int32_t j0 = static_cast<int32_t>(g % per_outer * kBlock);
      fn(LaneGroup{o * split.axis * split.inner + j0, 1, split.inner, o * split.inner + j0,
                   std::min(split.inner - j0, kBlock)});
    }
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

// Calls step(l, value) for lanes l of group g at axis position k; a unit lane step is spelled
// out so the loop vectorises.
template <typename T, typename Step>
inline void visit_lanes(const T* x, const LaneGroup& g, int32_t k, Step step) {
  const T* at = x + g.first + k * g.k_step;
  if (g.lane_step == 1) {
    for (int32_t l = 0; l < g.lanes; ++l) step(l, at[l]);
  } else {
    for (int32_t l = 0; l < g.lanes; ++l) step(l, at[l * g.lane_step]);
  }
}

template <typename In, typename Acc>
void sum_axis_loop(const In* x, const AxisSplit& split, Acc* out) {
  for_each_lane_group(split, [&](const LaneGroup& g) {
    Acc acc[kBlock] = {};
    for (int32_t k = 0; k < split.axis; ++k) {
      visit_lanes(x, g, k, [&](int32_t l, In v) { acc[l] = accumulate(acc[l], v); });
    }
    std::copy(acc, acc + g.lanes, out + g.out);
  });
}

// Strict less-than: the first maximum wins, a NaN at k = 0 stays, later NaNs are skipped. The
// position update is a bit mask rather than a branch so that the loop vectorises.
template <typename T>
void max_axis_loop(const T* x, const AxisSplit& split, T* values, int32_t* positions) {
  for_each_lane_group(split, [&](const LaneGroup& g) {
    T best[kBlock];
    int32_t pos[kBlock] = {};
    visit_lanes(x, g, 0, [&](int32_t l, T v) { best[l] = v; });
    for (int32_t k = 1; k < split.axis; ++k) {
      visit_lanes(x, g, k, [&](int32_t l, T v) {
        const int32_t mask = -static_cast<int32_t>(best[l] < v);
        best[l] = best[l] < v ? v : best[l];
        pos[l] = (k & mask) | (pos[l] & ~mask);
      });
    }
    std::copy(best, best + g.lanes, values + g.out);
    std::copy(pos, pos + g.lanes, positions + g.out);
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
  const TensorPtr gd = contiguous(g);
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
