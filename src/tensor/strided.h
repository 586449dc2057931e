// Row-major walks over a strided layout (shape and strides in elements). A "row" is a run along
// the last dimension; rows are independent, so long walks split them across OpenMP threads.
#pragma once

#include <cstdint>
#include <cstring>

#include "tensor/parallel.h"
#include "tensor/tensor.h"

// Number of rows and the length and stride of each row; a 0-d layout is one row of one element.
struct RowLayout {
  int64_t rows;
  int32_t length;
  int32_t stride;
};

inline RowLayout row_layout(const Shape& shape, const Shape& strides) {
  if (shape.empty()) return {1, 1, 1};
  int64_t rows = 1;
  for (size_t d = 0; d + 1 < shape.size(); ++d) rows *= shape[d];
  return {shape.back() == 0 ? 0 : rows, shape.back(), strides.back()};
}

// Element offset of the first element of row r.
inline int64_t row_offset(const Shape& shape, const Shape& strides, int64_t r) {
  int64_t offset = 0;
  for (size_t d = shape.size() - (shape.empty() ? 0 : 1); d-- > 0;) {
    offset += (r % shape[d]) * int64_t{strides[d]};
    r /= shape[d];
  }
  return offset;
}

// visit(r, offset of row r's first element, layout) for every row; parallel when the walk is long
// enough to pay for the threads. Each visit must touch only its own row's outputs.
template <typename Visit>
inline void for_each_row(const Shape& shape, const Shape& strides, Visit visit) {
  const RowLayout layout = row_layout(shape, strides);
  const bool parallel = layout.rows > 1 && worth_parallel(layout.rows * layout.length);
#pragma omp parallel for schedule(static) if (parallel)
  for (int64_t r = 0; r < layout.rows; ++r) visit(r, row_offset(shape, strides, r), layout);
}

// Copies the layout's elements from `src` (its element 0 at src) into row-major `dst`.
template <typename T>
inline void gather_strided(const T* src, const Shape& shape, const Shape& strides, T* dst) {
  for_each_row(shape, strides, [=](int64_t r, int64_t offset, RowLayout row) {
    T* out = dst + r * row.length;
    const T* in = src + offset;
    if (row.stride == 1) {
      std::memcpy(out, in, sizeof(T) * row.length);
    } else {
      for (int32_t j = 0; j < row.length; ++j) out[j] = in[int64_t{j} * row.stride];
    }
  });
}

// Copies row-major `src` into the layout's elements at `dst`.
template <typename T>
inline void scatter_strided(const T* src, const Shape& shape, const Shape& strides, T* dst) {
  for_each_row(shape, strides, [=](int64_t r, int64_t offset, RowLayout row) {
    const T* in = src + r * row.length;
    T* out = dst + offset;
    for (int32_t j = 0; j < row.length; ++j) out[int64_t{j} * row.stride] = in[j];
  });
}

// Smallest and largest element offsets the layout reaches (both 0 for a single element).
struct OffsetSpan {
  int64_t lowest = 0;
  int64_t highest = 0;
};

inline OffsetSpan reachable_span(const Shape& shape, const Shape& strides) {
  OffsetSpan span;
  for (size_t d = 0; d < shape.size(); ++d) {
    if (shape[d] < 1) continue;
    int64_t extent = int64_t{shape[d] - 1} * strides[d];
    (extent < 0 ? span.lowest : span.highest) += extent;
  }
  return span;
}
