// Host-side stand-in for the part of cuBLAS sorvek uses: a handle, the math mode and column-major
// single and double GEMM.
#pragma once

#include <cuda_runtime.h>

struct GpuemuCublasContext;
using cublasHandle_t = GpuemuCublasContext*;

enum cublasStatus_t {
  CUBLAS_STATUS_SUCCESS = 0,
  CUBLAS_STATUS_NOT_INITIALIZED = 1,
  CUBLAS_STATUS_ALLOC_FAILED = 3,
  CUBLAS_STATUS_INVALID_VALUE = 7,
  CUBLAS_STATUS_EXECUTION_FAILED = 13,
};

enum cublasOperation_t { CUBLAS_OP_N = 0, CUBLAS_OP_T = 1 };

enum cublasMath_t { CUBLAS_DEFAULT_MATH = 0, CUBLAS_TF32_TENSOR_OP_MATH = 3 };

cublasStatus_t cublasCreate_v2(cublasHandle_t* handle);
cublasStatus_t cublasDestroy_v2(cublasHandle_t handle);
cublasStatus_t cublasSetMathMode(cublasHandle_t handle, cublasMath_t mode);
cublasStatus_t cublasSgemm_v2(cublasHandle_t handle, cublasOperation_t transa,
                              cublasOperation_t transb, int m, int n, int k, const float* alpha,
                              const float* A, int lda, const float* B, int ldb, const float* beta,
                              float* C, int ldc);
cublasStatus_t cublasDgemm_v2(cublasHandle_t handle, cublasOperation_t transa,
                              cublasOperation_t transb, int m, int n, int k, const double* alpha,
                              const double* A, int lda, const double* B, int ldb,
                              const double* beta, double* C, int ldc);
