// The emulator's own checks: `gpuemu_selftest CASE` runs one case and exits 0 when it holds;
// the cases that must trap end in an abort with gpuemu's message (the pytest side checks both).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include <cublas_v2.h>
#include <cudnn.h>
#include <curand.h>

#include "cuda/launch.h"
#include "gpuemu/faults.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "selftest failed: %s\n", what.c_str());
  std::exit(1);
}

void expect(bool condition, const std::string& what) {
  if (!condition) fail(what);
}

template <typename T>
T* device_copy(const std::vector<T>& host) {
  T* ptr = nullptr;
  expect(cudaMalloc(&ptr, host.size() * sizeof(T)) == cudaSuccess, "cudaMalloc");
  cudaMemcpy(ptr, host.data(), host.size() * sizeof(T), cudaMemcpyHostToDevice);
  return ptr;
}

template <typename T>
std::vector<T> host_copy(const T* device, size_t n) {
  std::vector<T> host(n);
  cudaMemcpy(host.data(), device, n * sizeof(T), cudaMemcpyDeviceToHost);
  return host;
}

__global__ void affine_kernel(const float* x, float* y, int n) {
  for (int i = blockIdx.x * blockDim.x + threadIdx.x; i < n; i += blockDim.x * gridDim.x) {
    y[i] = 2.0f * x[i] + 1.0f;
  }
}

// Grid-stride loop whose element count is not a multiple of the grid's thread count.
void elementwise_grid_stride() {
  const int n = 1000003;
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i) x[i] = float(i % 977) - 300.0f;
  float* dx = device_copy(x);
  float* dy = device_copy(std::vector<float>(n, -1.0f));
  auto start = std::chrono::steady_clock::now();
  launch_kernel(affine_kernel, dim3(1024), dim3(256), 0, dx, dy, n);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  expect(cudaGetLastError() == cudaSuccess, "launch error");
  std::vector<float> y = host_copy(dy, n);
  for (int i = 0; i < n; ++i) expect(y[i] == 2.0f * x[i] + 1.0f, "element " + std::to_string(i));
  std::printf("1M-element grid-stride kernel: %.3f s\n", seconds);
  cudaFree(dx);
  cudaFree(dy);
}

// Tree reduction in dynamic shared memory; a static __shared__ flag checks that the barrier
// orders every thread after thread 0's write.
__global__ void block_sum_kernel(const int* x, long long* sums, int n) {
  long long* partial = dynamic_shared_memory<long long>();
  __shared__ int ready;
  if (threadIdx.x == 0) ready = static_cast<int>(blockIdx.x) + 1;
  int i = blockIdx.x * blockDim.x + threadIdx.x;
  partial[threadIdx.x] = i < n ? x[i] : 0;
  __syncthreads();
  if (ready != static_cast<int>(blockIdx.x) + 1) partial[threadIdx.x] = -1000000;
  for (unsigned stride = blockDim.x / 2; stride > 0; stride /= 2) {
    if (threadIdx.x < stride) partial[threadIdx.x] += partial[threadIdx.x + stride];
    __syncthreads();
  }
  if (threadIdx.x == 0) sums[blockIdx.x] = partial[0];
}

void shared_memory_reduction() {
  const int n = 100000, threads = 256, blocks = (n + threads - 1) / threads;
  std::vector<int> x(n);
  std::iota(x.begin(), x.end(), 1);
  int* dx = device_copy(x);
  long long* dsums = device_copy(std::vector<long long>(blocks, 0));
  launch_kernel(block_sum_kernel, dim3(blocks), dim3(threads), threads * sizeof(long long), dx,
                dsums, n);
  expect(cudaGetLastError() == cudaSuccess, "launch error");
  std::vector<long long> sums = host_copy(dsums, blocks);
  for (int b = 0; b < blocks; ++b) {
    long long expected = 0;
    for (int i = b * threads; i < std::min(n, (b + 1) * threads); ++i) expected += x[i];
    expect(sums[b] == expected, "block " + std::to_string(b));
  }
  cudaFree(dx);
  cudaFree(dsums);
}

__global__ void atomics_kernel(int* i32, unsigned long long* u64, float* f32, double* f64) {
  atomicAdd(i32, 1);
  atomicAdd(u64, 3ull);
  atomicAdd(f32, 0.5f);
  atomicAdd(f64, 0.25);
}

void atomics() {
  int* i32 = device_copy(std::vector<int>{0});
  unsigned long long* u64 = device_copy(std::vector<unsigned long long>{0});
  float* f32 = device_copy(std::vector<float>{0});
  double* f64 = device_copy(std::vector<double>{0});
  const int total = 64 * 128;
  launch_kernel(atomics_kernel, dim3(64), dim3(128), 0, i32, u64, f32, f64);
  expect(host_copy(i32, 1)[0] == total, "int atomicAdd");
  expect(host_copy(u64, 1)[0] == 3ull * total, "unsigned long long atomicAdd");
  expect(host_copy(f32, 1)[0] == 0.5f * total, "float atomicAdd");
  expect(host_copy(f64, 1)[0] == 0.25 * total, "double atomicAdd");
}

__global__ void index_kernel(int* out) {
  int block = (blockIdx.z * gridDim.y + blockIdx.y) * gridDim.x + blockIdx.x;
  int thread = (threadIdx.z * blockDim.y + threadIdx.y) * blockDim.x + threadIdx.x;
  int per_block = blockDim.x * blockDim.y * blockDim.z;
  out[block * per_block + thread] = block * 1000 + thread;
}

void three_dimensional_indices() {
  dim3 grid(3, 2, 2), block(4, 3, 2);
  const int n = 12 * 24;
  int* out = device_copy(std::vector<int>(n, -1));
  launch_kernel(index_kernel, grid, block, 0, out);
  std::vector<int> host = host_copy(out, n);
  for (int i = 0; i < n; ++i)
    expect(host[i] == (i / 24) * 1000 + i % 24, "index " + std::to_string(i));
}

__global__ void noop_kernel(float* out) {
  if (out != nullptr) out[0] = 1.0f;
}

void invalid_configurations() {
  struct Config {
    dim3 grid, block;
    size_t shared;
  };
  const Config bad[] = {
      {dim3(1), dim3(1025), 0},        {dim3(1), dim3(32, 32, 2), 0},
      {dim3(1), dim3(1, 1, 65), 0},    {dim3(0), dim3(256), 0},
      {dim3(1, 65536), dim3(32), 0},   {dim3(1, 1, 65536), dim3(32), 0},
      {dim3(1), dim3(256), 49 * 1024}, {dim3(2147483648u), dim3(1), 0},
  };
  for (const Config& c : bad) {
    launch_kernel(noop_kernel, c.grid, c.block, c.shared, nullptr);
    cudaError_t error = cudaGetLastError();
    expect(error == cudaErrorInvalidConfiguration, "configuration not rejected");
    expect(std::strcmp(cudaGetErrorString(error), "invalid configuration argument") == 0, "text");
    expect(cudaGetLastError() == cudaSuccess, "error not cleared by reading it");
  }
  gpuemu_fail_next_launch(cudaErrorLaunchFailure);
  float* out = device_copy(std::vector<float>{0.0f});
  launch_kernel(noop_kernel, dim3(1), dim3(1), 0, out);
  expect(cudaGetLastError() == cudaErrorLaunchFailure, "injected launch failure");
  expect(host_copy(out, 1)[0] == 0.0f, "a failed launch ran");
}

void allocation_failure() {
  gpuemu_fail_allocation(2);
  void* first = nullptr;
  void* second = nullptr;
  expect(cudaMalloc(&first, 64) == cudaSuccess, "first allocation");
  expect(cudaMalloc(&second, 64) == cudaErrorMemoryAllocation, "second allocation must fail");
  size_t free_bytes = 0, total = 0;
  cudaMemGetInfo(&free_bytes, &total);
  expect(total - free_bytes == 64, "live bytes");
  expect(reinterpret_cast<uintptr_t>(first) % 256 == 0, "256-byte alignment");
}

__global__ void vector_copy_kernel(const float4* in, float4* out, int n) {
  int i = blockIdx.x * blockDim.x + threadIdx.x;
  if (i < n) out[i] = __ldg(&in[i]);
}

void misaligned_vector_access() {
  float* buffer = device_copy(std::vector<float>(64, 1.0f));
  launch_kernel(vector_copy_kernel, dim3(1), dim3(4), 0,
                reinterpret_cast<const float4*>(buffer + 1), reinterpret_cast<float4*>(buffer + 32),
                4);
}

void freed_memory_argument() {
  float* buffer = device_copy(std::vector<float>(16, 1.0f));
  cudaFree(buffer);
  launch_kernel(noop_kernel, dim3(1), dim3(1), 0, buffer);
}

void host_memory_argument() {
  std::vector<float> host(16);
  launch_kernel(noop_kernel, dim3(1), dim3(1), 0, host.data());
}

void copy_kind_mismatch() {
  std::vector<float> host(16);
  float* device = device_copy(host);
  cudaMemcpy(device, host.data(), 64, cudaMemcpyDeviceToHost);  // the pointers are swapped
}

void copy_past_allocation() {
  std::vector<float> host(32);
  float* device = device_copy(std::vector<float>(16));
  cudaMemcpy(host.data(), device, 32 * sizeof(float), cudaMemcpyDeviceToHost);
}

void cublas_gemm() {
  // Column-major C (2 x 3) = A^T (2 x 4) * B (4 x 3) with lda 5 and an alpha/beta blend.
  const int m = 2, n = 3, k = 4, lda = 5, ldb = 4, ldc = 2;
  std::vector<double> a(lda * m), b(ldb * n), c(ldc * n, 1.0);
  for (size_t i = 0; i < a.size(); ++i) a[i] = double(i) - 3.0;
  for (size_t i = 0; i < b.size(); ++i) b[i] = 0.5 * double(i);
  double *da = device_copy(a), *db = device_copy(b), *dc = device_copy(c);
  cublasHandle_t handle;
  expect(cublasCreate_v2(&handle) == CUBLAS_STATUS_SUCCESS, "create");
  const double alpha = 2.0, beta = 3.0;
  expect(cublasDgemm_v2(handle, CUBLAS_OP_T, CUBLAS_OP_N, m, n, k, &alpha, da, lda, db, ldb, &beta,
                        dc, ldc) == CUBLAS_STATUS_SUCCESS,
         "dgemm");
  std::vector<double> out = host_copy(dc, c.size());
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < m; ++i) {
      double sum = 0;
      for (int p = 0; p < k; ++p) sum += a[i * lda + p] * b[j * ldb + p];
      expect(out[j * ldc + i] == alpha * sum + beta * 1.0, "dgemm element");
    }
  // beta 0 never reads C, so NaN garbage there does not leak into the result.
  float *fa = device_copy(std::vector<float>{1, 2}), *fb = device_copy(std::vector<float>{3}),
        *fc = device_copy(std::vector<float>{NAN, NAN});
  const float one = 1.0f, zero = 0.0f;
  cublasSgemm_v2(handle, CUBLAS_OP_N, CUBLAS_OP_N, 2, 1, 1, &one, fa, 2, fb, 1, &zero, fc, 2);
  std::vector<float> f = host_copy(fc, 2);
  expect(f[0] == 3.0f && f[1] == 6.0f, "sgemm with beta 0");
  gpuemu_fail_next_call("cublasSgemm_v2", CUBLAS_STATUS_EXECUTION_FAILED);
  expect(cublasSgemm_v2(handle, CUBLAS_OP_N, CUBLAS_OP_N, 2, 1, 1, &one, fa, 2, fb, 1, &zero, fc,
                        2) == CUBLAS_STATUS_EXECUTION_FAILED,
         "injected sgemm failure");
  cublasDestroy_v2(handle);
}

void curand_sequences() {
  curandGenerator_t generator;
  expect(curandCreateGenerator(&generator, CURAND_RNG_PSEUDO_DEFAULT) == CURAND_STATUS_SUCCESS,
         "create");
  float* buffer = device_copy(std::vector<float>(1000));
  curandSetPseudoRandomGeneratorSeed(generator, 42);
  curandGenerateUniform(generator, buffer, 1000);
  std::vector<float> whole = host_copy(buffer, 1000);
  curandSetPseudoRandomGeneratorSeed(generator, 42);
  curandGenerateUniform(generator, buffer, 400);
  curandGenerateUniform(generator, buffer + 400, 600);
  expect(host_copy(buffer, 1000) == whole, "split calls continue the sequence");
  for (float v : whole) expect(v > 0.0f && v <= 1.0f, "value outside (0, 1]");
  double* doubles = device_copy(std::vector<double>(100));
  curandGenerateUniformDouble(generator, doubles, 100);
  for (double v : host_copy(doubles, 100)) expect(v > 0.0 && v <= 1.0, "double outside (0, 1]");
  curandDestroyGenerator(generator);
}

void cudnn_convolution() {
  // x (2, 3, 1, 9), w (4, 3, 1, 3), padding 1, stride 2, dilation 2 -> y (2, 4, 1, 4)
  const int n = 2, c = 3, l = 9, k = 4, r = 3, pad = 1, stride = 2, dil = 2;
  const int lo = 1 + (l + 2 * pad - ((r - 1) * dil + 1)) / stride;
  std::vector<float> x(n * c * l), w(k * c * r);
  for (size_t i = 0; i < x.size(); ++i) x[i] = float(int(i % 7) - 3);
  for (size_t i = 0; i < w.size(); ++i) w[i] = 0.25f * float(int(i % 5) - 2);
  float *dx = device_copy(x), *dw = device_copy(w),
        *dy = device_copy(std::vector<float>(n * k * lo));
  cudnnHandle_t handle;
  expect(cudnnCreate(&handle) == CUDNN_STATUS_SUCCESS, "create");
  cudnnTensorDescriptor_t xd, yd;
  cudnnFilterDescriptor_t wd;
  cudnnConvolutionDescriptor_t cd;
  cudnnCreateTensorDescriptor(&xd);
  cudnnCreateTensorDescriptor(&yd);
  cudnnCreateFilterDescriptor(&wd);
  cudnnCreateConvolutionDescriptor(&cd);
  cudnnSetTensor4dDescriptor(xd, CUDNN_TENSOR_NCHW, CUDNN_DATA_FLOAT, n, c, 1, l);
  cudnnSetTensor4dDescriptor(yd, CUDNN_TENSOR_NCHW, CUDNN_DATA_FLOAT, n, k, 1, lo);
  cudnnSetFilter4dDescriptor(wd, CUDNN_DATA_FLOAT, CUDNN_TENSOR_NCHW, k, c, 1, r);
  cudnnSetConvolution2dDescriptor(cd, 0, pad, 1, stride, 1, dil, CUDNN_CROSS_CORRELATION,
                                  CUDNN_DATA_FLOAT);
  float* workspace = device_copy(std::vector<float>(1 << 16));
  cudnnConvolutionFwdAlgoPerf_t perf[8];
  int returned = 0;
  expect(cudnnFindConvolutionForwardAlgorithmEx(handle, xd, dx, wd, dw, cd, yd, dy, 8, &returned,
                                                perf, workspace, 4 << 16) == CUDNN_STATUS_SUCCESS,
         "search");
  expect(returned > 2, "several candidates");
  expect(
      perf[0].status == CUDNN_STATUS_SUCCESS && perf[returned - 1].status != CUDNN_STATUS_SUCCESS,
      "successes first, a failure last");
  std::vector<float> expected(n * k * lo, 0.0f);
  for (int b = 0; b < n; ++b)
    for (int o = 0; o < k; ++o)
      for (int t = 0; t < lo; ++t) {
        double sum = 0;
        for (int ci = 0; ci < c; ++ci)
          for (int j = 0; j < r; ++j) {
            int pos = t * stride - pad + j * dil;
            if (pos >= 0 && pos < l)
              sum += double(x[(b * c + ci) * l + pos]) * w[(o * c + ci) * r + j];
          }
        expected[(b * k + o) * lo + t] = float(sum);
      }
  expect(host_copy(dy, expected.size()) == expected, "search result");
  const float one = 1.0f, zero = 0.0f;
  cudaMemset(dy, 0xff, expected.size() * sizeof(float));  // NaN garbage that beta 0 must not read
  expect(cudnnConvolutionForward(handle, &one, xd, dx, wd, dw, cd, perf[0].algo, workspace, 4 << 16,
                                 &zero, yd, dy) == CUDNN_STATUS_SUCCESS,
         "forward");
  expect(host_copy(dy, expected.size()) == expected, "forward result");
  // The backward passes are the adjoints of the forward pass in x and in w:
  // <conv(x, w), g> = <x, backward_data(g, w)> = <w, backward_filter(x, g)>.
  std::vector<float> g(expected.size());
  for (size_t i = 0; i < g.size(); ++i) g[i] = float(int(i % 3) - 1);
  float *dg = device_copy(g), *dxg = device_copy(std::vector<float>(x.size())),
        *dwg = device_copy(std::vector<float>(w.size()));
  cudnnConvolutionBwdDataAlgoPerf_t data_perf[8];
  cudnnConvolutionBwdFilterAlgoPerf_t filter_perf[8];
  expect(cudnnFindConvolutionBackwardDataAlgorithmEx(handle, wd, dw, yd, dg, cd, xd, dxg, 8,
                                                     &returned, data_perf, workspace,
                                                     4 << 16) == CUDNN_STATUS_SUCCESS,
         "backward-data search");
  expect(cudnnConvolutionBackwardData(handle, &one, wd, dw, yd, dg, cd, data_perf[0].algo,
                                      workspace, 4 << 16, &zero, xd, dxg) == CUDNN_STATUS_SUCCESS,
         "backward data");
  expect(cudnnFindConvolutionBackwardFilterAlgorithmEx(handle, xd, dx, yd, dg, cd, wd, dwg, 8,
                                                       &returned, filter_perf, workspace,
                                                       4 << 16) == CUDNN_STATUS_SUCCESS,
         "backward-filter search");
  expect(cudnnConvolutionBackwardFilter(handle, &one, xd, dx, yd, dg, cd, filter_perf[0].algo,
                                        workspace, 4 << 16, &zero, wd, dwg) == CUDNN_STATUS_SUCCESS,
         "backward filter");
  auto dot = [](const std::vector<float>& a, const std::vector<float>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += double(a[i]) * b[i];
    return sum;
  };
  const std::vector<float> grad_x = host_copy(dxg, x.size()), grad_w = host_copy(dwg, w.size());
  expect(dot(expected, g) == dot(x, grad_x), "backward data is the adjoint in x");
  expect(dot(expected, g) == dot(w, grad_w), "backward filter is the adjoint in w");
  // beta 1 accumulates into the earlier result.
  cudnnConvolutionBackwardFilter(handle, &one, xd, dx, yd, dg, cd, filter_perf[0].algo, workspace,
                                 4 << 16, &one, wd, dwg);
  const std::vector<float> twice = host_copy(dwg, w.size());
  for (size_t i = 0; i < w.size(); ++i) expect(twice[i] == 2 * grad_w[i], "beta 1 accumulates");
  cudnnSetTensor4dDescriptor(yd, CUDNN_TENSOR_NCHW, CUDNN_DATA_FLOAT, n, k, 1, lo + 1);
  expect(cudnnConvolutionForward(handle, &one, xd, dx, wd, dw, cd, perf[0].algo, workspace, 4 << 16,
                                 &zero, yd, dy) == CUDNN_STATUS_BAD_PARAM,
         "wrong output length");
  expect(std::strcmp(cudnnGetErrorString(CUDNN_STATUS_BAD_PARAM), "CUDNN_STATUS_BAD_PARAM") == 0,
         "error string");
}

const std::map<std::string, std::function<void()>> cases = {
    {"elementwise_grid_stride", elementwise_grid_stride},
    {"shared_memory_reduction", shared_memory_reduction},
    {"atomics", atomics},
    {"three_dimensional_indices", three_dimensional_indices},
    {"invalid_configurations", invalid_configurations},
    {"allocation_failure", allocation_failure},
    {"misaligned_vector_access", misaligned_vector_access},
    {"freed_memory_argument", freed_memory_argument},
    {"host_memory_argument", host_memory_argument},
    {"copy_kind_mismatch", copy_kind_mismatch},
    {"copy_past_allocation", copy_past_allocation},
    {"cublas_gemm", cublas_gemm},
    {"curand_sequences", curand_sequences},
    {"cudnn_convolution", cudnn_convolution},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || cases.count(argv[1]) == 0) {
    std::fprintf(stderr, "usage: gpuemu_selftest CASE\ncases:");
    for (const auto& entry : cases) std::fprintf(stderr, " %s", entry.first.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  cases.at(argv[1])();
  std::printf("ok\n");
  return 0;
}
