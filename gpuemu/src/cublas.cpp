// cuBLAS stand-in: column-major C <- alpha * op(A) * op(B) + beta * C computed on the host, with
// beta 0 never reading C and TF32 math mode rounding float inputs to 10 mantissa bits.
#include <cublas_v2.h>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "internal.h"

struct GpuemuCublasContext {
  cublasMath_t math_mode = CUBLAS_DEFAULT_MATH;
};

namespace {

// Round-to-nearest-even to the 10-bit mantissa TF32 tensor cores read.
float to_tf32(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  if ((bits & 0x7f800000u) != 0x7f800000u) {  // leave infinities and NaN alone
    bits += 0xfffu + ((bits >> 13) & 1u);
    bits &= 0xffffe000u;
  }
  std::memcpy(&x, &bits, sizeof bits);
  return x;
}

// Elements a column-major operand of `rows` x `cols` with leading dimension `ld` spans.
size_t extent(int rows, int cols, int ld) {
  return rows == 0 || cols == 0 ? 0 : size_t(cols - 1) * size_t(ld) + size_t(rows);
}

template <typename T>
cublasStatus_t gemm(const char* name, cublasHandle_t handle, cublasOperation_t transa,
                    cublasOperation_t transb, int m, int n, int k, const T* alpha, const T* A,
                    int lda, const T* B, int ldb, const T* beta, T* C, int ldc) {
  if (int status = gpuemu::take_call_failure(name)) return static_cast<cublasStatus_t>(status);
  if (handle == nullptr) return CUBLAS_STATUS_NOT_INITIALIZED;
  const bool ta = transa == CUBLAS_OP_T, tb = transb == CUBLAS_OP_T;
  const int a_rows = ta ? k : m, b_rows = tb ? n : k;
  if (m < 0 || n < 0 || k < 0 || lda < (a_rows > 1 ? a_rows : 1) ||
      ldb < (b_rows > 1 ? b_rows : 1) || ldc < (m > 1 ? m : 1)) {
    return CUBLAS_STATUS_INVALID_VALUE;
  }
  if (m == 0 || n == 0) return CUBLAS_STATUS_SUCCESS;
  if (k > 0) {
    gpuemu::require_device_range(A, extent(a_rows, ta ? m : k, lda) * sizeof(T), name);
    gpuemu::require_device_range(B, extent(b_rows, tb ? k : n, ldb) * sizeof(T), name);
  }
  gpuemu::require_device_range(C, extent(m, n, ldc) * sizeof(T), name);
  const bool tf32 = std::is_same_v<T, float> && handle->math_mode == CUBLAS_TF32_TENSOR_OP_MATH;
  auto input = [tf32](T v) {
    if constexpr (std::is_same_v<T, float>) return tf32 ? to_tf32(v) : v;
    return v;
  };
  const T a_scale = *alpha, c_scale = *beta;
#pragma omp parallel for schedule(static)
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < m; ++i) {
      T sum = 0;
      for (int p = 0; p < k; ++p) {
        T a = ta ? A[size_t(i) * lda + p] : A[size_t(p) * lda + i];
        T b = tb ? B[size_t(p) * ldb + j] : B[size_t(j) * ldb + p];
        sum += input(a) * input(b);
      }
      T& c = C[size_t(j) * ldc + i];
      c = c_scale == T(0) ? a_scale * sum : a_scale * sum + c_scale * c;
    }
  }
  return CUBLAS_STATUS_SUCCESS;
}

}  // namespace

cublasStatus_t cublasCreate_v2(cublasHandle_t* handle) {
  if (int status = gpuemu::take_call_failure("cublasCreate_v2")) {
    return static_cast<cublasStatus_t>(status);
  }
  *handle = new GpuemuCublasContext();
  return CUBLAS_STATUS_SUCCESS;
}

cublasStatus_t cublasDestroy_v2(cublasHandle_t handle) {
  delete handle;
  return CUBLAS_STATUS_SUCCESS;
}

cublasStatus_t cublasSetMathMode(cublasHandle_t handle, cublasMath_t mode) {
  if (int status = gpuemu::take_call_failure("cublasSetMathMode")) {
    return static_cast<cublasStatus_t>(status);
  }
  if (handle == nullptr) return CUBLAS_STATUS_NOT_INITIALIZED;
  handle->math_mode = mode;
  return CUBLAS_STATUS_SUCCESS;
}

cublasStatus_t cublasSgemm_v2(cublasHandle_t handle, cublasOperation_t transa,
                              cublasOperation_t transb, int m, int n, int k, const float* alpha,
                              const float* A, int lda, const float* B, int ldb, const float* beta,
                              float* C, int ldc) {
  return gemm("cublasSgemm_v2", handle, transa, transb, m, n, k, alpha, A, lda, B, ldb, beta, C,
              ldc);
}

cublasStatus_t cublasDgemm_v2(cublasHandle_t handle, cublasOperation_t transa,
                              cublasOperation_t transb, int m, int n, int k, const double* alpha,
                              const double* A, int lda, const double* B, int ldb,
                              const double* beta, double* C, int ldc) {
  return gemm("cublasDgemm_v2", handle, transa, transb, m, n, k, alpha, A, lda, B, ldb, beta, C,
              ldc);
}
