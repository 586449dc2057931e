// Broadcast, matrix-product batch and reduced-shape rules.
#include "tensor/shape_rules.h"

#include <algorithm>
#include <stdexcept>

BroadcastLayout broadcast_layout(const Tensor& a, const Tensor& b) {
  const size_t n = std::max(a.shape.size(), b.shape.size());
  BroadcastLayout layout;
  for (size_t i = 0; i < n; ++i) {
    // Aligned at the last dimension: position i is dimension i - (n - rank) of each operand.
    const ptrdiff_t da = ptrdiff_t(i) - ptrdiff_t(n - a.shape.size());
    const ptrdiff_t db = ptrdiff_t(i) - ptrdiff_t(n - b.shape.size());
    const int32_t sa = da < 0 ? 1 : a.shape[da], sb = db < 0 ? 1 : b.shape[db];
    if (sa != sb && sa != 1 && sb != 1) {
      throw std::invalid_argument("Shapes are not broadcastable for elementwise op: " +
                                  shape_text(a.shape) + " vs " + shape_text(b.shape));
    }
    layout.out_shape.push_back(std::max(sa, sb));
    layout.a_dims.push_back(sa);
    layout.a_steps.push_back(da < 0 ? 0 : a.strides[da]);
    layout.b_dims.push_back(sb);
    layout.b_steps.push_back(db < 0 ? 0 : b.strides[db]);
  }
  return layout;
}

Shape MatmulGeometry::result_shape() const {
  Shape shape = batch_shape;
  shape.push_back(m);
  shape.push_back(n);
  return shape;
}

MatmulGeometry matmul_geometry(const Tensor& a, const Tensor& b, const char* inner_mismatch) {
  if (!a.is_contiguous() || !b.is_contiguous()) {
    throw std::invalid_argument("matmul requires contiguous tensors. Call .contiguous() first.");
  }
  if (a.shape.size() < 2 || b.shape.size() < 2) {
    throw std::invalid_argument("matmul requires tensors with at least 2 dimensions");
  }
  MatmulGeometry g;
  g.m = a.shape[a.shape.size() - 2];
  g.k = a.shape.back();
  g.n = b.shape.back();
  if (g.k != b.shape[b.shape.size() - 2]) throw std::invalid_argument(inner_mismatch);
  const size_t la = a.shape.size() - 2, lb = b.shape.size() - 2, n = std::max(la, lb);
  g.batch_shape.assign(n, 1);
  for (size_t i = 0; i < n; ++i) {  // innermost batch dimension first
    const int32_t p = i < la ? a.shape[la - 1 - i] : 1, q = i < lb ? b.shape[lb - 1 - i] : 1;
    if (p != q && p != 1 && q != 1) {
      throw std::invalid_argument("Batch dimensions are not broadcastable for matmul");
    }
    g.batch_shape[n - 1 - i] = std::max(p, q);
  }
  int64_t batches = 1;
  for (int32_t size : g.batch_shape) batches *= size;
  g.batches = static_cast<int32_t>(batches);
  return g;
}

int64_t batch_offset(int64_t i, const Shape& batch_shape, const Shape& operand_shape,
                     int64_t matrix_size) {
  const ptrdiff_t operand_batch = ptrdiff_t(operand_shape.size()) - 2;
  const ptrdiff_t shift = operand_batch - ptrdiff_t(batch_shape.size());
  int64_t offset = 0, step = matrix_size;
  for (ptrdiff_t k = ptrdiff_t(batch_shape.size()) - 1; k >= 0; --k) {
    const int64_t index = i % batch_shape[k];
    i /= batch_shape[k];
    const ptrdiff_t position = shift + k;
    if (position < 0 || operand_shape[position] == 1) continue;
    offset += step * index;
    step *= operand_shape[position];
  }
  return offset;
}

AxisSplit split_axis(const Shape& shape, int32_t dim, bool keepdim,
                     const char* out_of_range_message) {
  const int32_t rank = static_cast<int32_t>(shape.size());
  const int64_t d = dim < 0 ? int64_t{dim} + rank : dim;
  if (d < 0 || d >= rank) throw std::out_of_range(out_of_range_message);
  AxisSplit split{static_cast<int32_t>(d), 1, shape[d], 1, {}};
  for (int32_t i = 0; i < rank; ++i) {
    if (i < d) split.outer *= shape[i];
    if (i > d) split.inner *= shape[i];
    if (i != d) {
      split.reduced_shape.push_back(shape[i]);
    } else if (keepdim) {
      split.reduced_shape.push_back(1);
    }
  }
  if (split.reduced_shape.empty()) split.reduced_shape.push_back(1);
  return split;
}
