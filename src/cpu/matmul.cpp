// Host matrix products: one GEMM (or one parallel integer loop) per result matrix, with
// broadcast batch dimensions resolved by operand offsets, never by copies.
#include "cpu/matmul.h"

#include <cblas.h>

#include <cstring>
#include <type_traits>

#include "cpu/typed.h"
#include "tensor/shape_rules.h"

namespace {

constexpr const char* kInnerMismatch = "Shape mismatch: inner dimensions must match";

// The shape checks, then the operands' place and types: the kernels read both operands from host
// memory as a's element type.
MatmulGeometry checked_geometry(const Tensor& a, const Tensor& b, bool float32_entry) {
  MatmulGeometry g = matmul_geometry(a, b, kInnerMismatch);
  require_host(a, "matmul");
  require_host(b, "matmul");
  if (float32_entry) {
    require_float32(a.dtype, "this operation");
    require_float32(b.dtype, "this operation");
  }
  require_same_dtype(a, b, "matmul");
  return g;
}

template <typename T, typename Gemm>
TensorPtr float_product(const TensorPtr& a, const TensorPtr& b, Gemm gemm) {
  const MatmulGeometry g = checked_geometry(*a, *b, std::is_same_v<T, float>);
  TensorPtr out = new_tensor(g.result_shape(), "cpu", a->dtype);
  const T* x = static_cast<const T*>(a->data);
  const T* y = static_cast<const T*>(b->data);
  T* z = static_cast<T*>(out->data);
  const int64_t mn = int64_t{g.m} * g.n;
  if (g.k == 0) {  // BLAS rejects lda 0 and would leave the result unwritten
    std::memset(z, 0, sizeof(T) * mn * g.batches);
    return out;
  }
  for (int64_t i = 0; i < g.batches; ++i) {
    gemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, g.m, g.n, g.k, T(1),
         x + batch_offset(i, g.batch_shape, a->shape, int64_t{g.m} * g.k), g.k,
         y + batch_offset(i, g.batch_shape, b->shape, int64_t{g.k} * g.n), g.n, T(0), z + i * mn,
         g.n);
  }
  return out;
}

// Row, column, inner order with a wrapping accumulator of the operand type.
template <typename T>
void integer_product(const T* a, const T* b, T* c, int32_t m, int32_t n, int32_t k) {
  using U = std::make_unsigned_t<T>;
#pragma omp parallel for schedule(static)
  for (int32_t r = 0; r < m; ++r) {
    for (int32_t col = 0; col < n; ++col) {
      U acc = 0;
      for (int32_t p = 0; p < k; ++p) {
        acc += static_cast<U>(a[int64_t{r} * k + p]) * static_cast<U>(b[int64_t{p} * n + col]);
      }
      c[int64_t{r} * n + col] = static_cast<T>(acc);
    }
  }
}

}  // namespace

TensorPtr matmul_cpu_f32(const TensorPtr& a, const TensorPtr& b) {
  return float_product<float>(a, b, cblas_sgemm);
}

TensorPtr matmul_cpu_f64(const TensorPtr& a, const TensorPtr& b) {
  return float_product<double>(a, b, cblas_dgemm);
}

TensorPtr matmul_cpu_int(const TensorPtr& a, const TensorPtr& b) {
  if (a->dtype != 2 && a->dtype != 3) {
    throw std::runtime_error(std::string("matmul(): unsupported integer dtype '") +
                             dtype_name(a->dtype) + "'");
  }
  const MatmulGeometry g = checked_geometry(*a, *b, false);
  TensorPtr out = new_tensor(g.result_shape(), "cpu", a->dtype);
  const int64_t mn = int64_t{g.m} * g.n;
  auto run = [&](auto zero) {
    using T = decltype(zero);
    for (int64_t i = 0; i < g.batches; ++i) {
      integer_product(static_cast<const T*>(a->data) +
                          batch_offset(i, g.batch_shape, a->shape, int64_t{g.m} * g.k),
                      static_cast<const T*>(b->data) +
                          batch_offset(i, g.batch_shape, b->shape, int64_t{g.k} * g.n),
                      static_cast<T*>(out->data) + i * mn, g.m, g.n, g.k);
    }
  };
  a->dtype == 2 ? run(int32_t{}) : run(int64_t{});
  return out;
}
