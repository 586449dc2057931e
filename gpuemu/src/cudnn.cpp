// cuDNN stand-in: descriptors as plain records, convolutions computed exactly with double
// accumulation, and algorithm searches that report a fixed, plausible ranking of candidates
// (fastest first, unsupported or over-budget ones last with a failure status).
#include <cuda_runtime.h>
#include <cudnn.h>

#include <algorithm>
#include <vector>

#include "gpuemu/faults.h"
#include "internal.h"

struct GpuemuCudnnContext {};

struct GpuemuTensorDescriptor {
  bool set = false;
  int n = 0, c = 0, h = 0, w = 0;
};

struct GpuemuFilterDescriptor {
  bool set = false;
  int k = 0, c = 0, h = 0, w = 0;
};

struct GpuemuConvolutionDescriptor {
  bool set = false;
  int pad_h = 0, pad_w = 0, u = 1, v = 1, dilation_h = 1, dilation_w = 1;
  cudnnConvolutionMode_t mode = CUDNN_CROSS_CORRELATION;
  cudnnMathType_t math = CUDNN_DEFAULT_MATH;
};

namespace {

int search_outcome = 0;  // see gpuemu_cudnn_search_outcome

// A validated convolution problem: input (n, c, h, w), filter (k, c, r, s), output (n, k, p, q).
struct Geometry {
  int n, c, h, w, k, r, s, p, q;
  const GpuemuConvolutionDescriptor* conv;

  size_t x_count() const { return size_t(n) * c * h * w; }
  size_t w_count() const { return size_t(k) * c * r * s; }
  size_t y_count() const { return size_t(n) * k * p * q; }
  double macs() const { return double(y_count()) * c * r * s; }
};

int output_extent(int input, int pad, int filter, int stride, int dilation) {
  return 1 + (input + 2 * pad - ((filter - 1) * dilation + 1)) / stride;
}

cudnnStatus_t make_geometry(const GpuemuTensorDescriptor* x, const GpuemuFilterDescriptor* f,
                            const GpuemuConvolutionDescriptor* conv,
                            const GpuemuTensorDescriptor* y, Geometry* g) {
  if (!x || !f || !conv || !y || !x->set || !f->set || !conv->set || !y->set) {
    return CUDNN_STATUS_BAD_PARAM;
  }
  if (x->c != f->c || y->n != x->n || y->c != f->k) return CUDNN_STATUS_BAD_PARAM;
  if (y->h != output_extent(x->h, conv->pad_h, f->h, conv->u, conv->dilation_h) ||
      y->w != output_extent(x->w, conv->pad_w, f->w, conv->v, conv->dilation_w)) {
    return CUDNN_STATUS_BAD_PARAM;  // the output descriptor must match the convolution
  }
  *g = {x->n, x->c, x->h, x->w, f->k, f->h, f->w, y->h, y->w, conv};
  return CUDNN_STATUS_SUCCESS;
}

// Calls tap(x_index, w_index, y_index) for every product term of the convolution.
template <typename Tap>
void for_each_tap(const Geometry& g, Tap tap) {
  const GpuemuConvolutionDescriptor& cv = *g.conv;
  const bool flip = cv.mode == CUDNN_CONVOLUTION;
  for (int n = 0; n < g.n; ++n)
    for (int k = 0; k < g.k; ++k)
      for (int p = 0; p < g.p; ++p)
        for (int q = 0; q < g.q; ++q)
          for (int c = 0; c < g.c; ++c)
            for (int r = 0; r < g.r; ++r)
              for (int s = 0; s < g.s; ++s) {
                int ih = p * cv.u - cv.pad_h + r * cv.dilation_h;
                int iw = q * cv.v - cv.pad_w + s * cv.dilation_w;
                if (ih < 0 || ih >= g.h || iw < 0 || iw >= g.w) continue;
                int fr = flip ? g.r - 1 - r : r, fs = flip ? g.s - 1 - s : s;
                tap(((size_t(n) * g.c + c) * g.h + ih) * g.w + iw,
                    ((size_t(k) * g.c + c) * g.r + fr) * g.s + fs,
                    ((size_t(n) * g.k + k) * g.p + p) * g.q + q);
              }
}

// out = alpha * sum + beta * out, where beta 0 never reads out.
void blend(const std::vector<double>& sum, const void* alpha, const void* beta, float* out) {
  const float a = *static_cast<const float*>(alpha), b = *static_cast<const float*>(beta);
  for (size_t i = 0; i < sum.size(); ++i) {
    float v = static_cast<float>(sum[i]);
    out[i] = b == 0.0f ? a * v : a * v + b * out[i];
  }
}

enum class Pass { forward, backward_data, backward_filter };

void compute(Pass pass, const Geometry& g, const float* x, const float* w, const float* y,
             const void* alpha, const void* beta, float* out) {
  std::vector<double> sum(pass == Pass::forward         ? g.y_count()
                          : pass == Pass::backward_data ? g.x_count()
                                                        : g.w_count(),
                          0.0);
  for_each_tap(g, [&](size_t xi, size_t wi, size_t yi) {
    switch (pass) {
      case Pass::forward:
        sum[yi] += double(x[xi]) * w[wi];
        break;
      case Pass::backward_data:
        sum[xi] += double(w[wi]) * y[yi];
        break;
      case Pass::backward_filter:
        sum[wi] += double(x[xi]) * y[yi];
        break;
    }
  });
  blend(sum, alpha, beta, out);
}

// The candidates of each pass, in a fixed order of speed; an unsupported configuration or a
// workspace need above the budget turns a candidate into a failure.
struct Candidate {
  int algo;
  float relative_time;
  size_t memory;
  bool supported;
};

std::vector<Candidate> candidates(Pass pass, const Geometry& g) {
  const GpuemuConvolutionDescriptor& cv = *g.conv;
  const bool unit = cv.u == 1 && cv.v == 1 && cv.dilation_h == 1 && cv.dilation_w == 1;
  const size_t columns = size_t(g.c) * g.r * g.s * g.p * g.q * g.n * sizeof(float);
  const size_t fft = 4 * (g.x_count() + g.w_count() + g.y_count()) * sizeof(float);
  switch (pass) {
    case Pass::forward:
      return {{CUDNN_CONVOLUTION_FWD_ALGO_IMPLICIT_PRECOMP_GEMM, 1.0f,
               size_t(g.c) * g.r * g.s * sizeof(int), true},
              {CUDNN_CONVOLUTION_FWD_ALGO_IMPLICIT_GEMM, 1.4f, 0, true},
              {CUDNN_CONVOLUTION_FWD_ALGO_GEMM, 1.9f, columns, true},
              {CUDNN_CONVOLUTION_FWD_ALGO_FFT, 2.5f, fft, unit},
              {CUDNN_CONVOLUTION_FWD_ALGO_DIRECT, 3.0f, 0, false}};
    case Pass::backward_data:
      return {{CUDNN_CONVOLUTION_BWD_DATA_ALGO_1, 1.0f, 0, true},
              {CUDNN_CONVOLUTION_BWD_DATA_ALGO_0, 1.6f, 0, true},
              {CUDNN_CONVOLUTION_BWD_DATA_ALGO_FFT, 2.2f, fft, unit}};
    case Pass::backward_filter:
      return {{CUDNN_CONVOLUTION_BWD_FILTER_ALGO_1, 1.0f, columns, true},
              {CUDNN_CONVOLUTION_BWD_FILTER_ALGO_0, 1.5f, 0, true},
              {CUDNN_CONVOLUTION_BWD_FILTER_ALGO_FFT, 2.4f, fft, unit}};
  }
  return {};
}

const Candidate* find_candidate(Pass pass, const Geometry& g, int algo,
                                std::vector<Candidate>& storage) {
  storage = candidates(pass, g);
  for (const Candidate& c : storage) {
    if (c.algo == algo && c.supported) return &c;
  }
  return nullptr;
}

struct Operands {
  const float* x;
  const float* w;
  const float* y;
  float* out;
};

void require_operands(const char* name, const Geometry& g, Pass pass, const Operands& o) {
  if (pass != Pass::backward_data) gpuemu::require_device_range(o.x, g.x_count() * 4, name);
  if (pass != Pass::backward_filter) gpuemu::require_device_range(o.w, g.w_count() * 4, name);
  if (pass != Pass::forward) gpuemu::require_device_range(o.y, g.y_count() * 4, name);
  size_t out = pass == Pass::forward         ? g.y_count()
               : pass == Pass::backward_data ? g.x_count()
                                             : g.w_count();
  gpuemu::require_device_range(o.out, out * 4, name);
}

template <typename Perf>
cudnnStatus_t find(const char* name, Pass pass, cudnnHandle_t handle, cudnnStatus_t geometry_status,
                   const Geometry& g, const Operands& o, int requested, int* returned,
                   Perf* results, void* workspace, size_t workspace_bytes) {
  if (int status = gpuemu::take_call_failure(name)) return static_cast<cudnnStatus_t>(status);
  if (handle == nullptr) return CUDNN_STATUS_NOT_INITIALIZED;
  if (geometry_status != CUDNN_STATUS_SUCCESS) return geometry_status;
  if (requested < 1 || returned == nullptr || results == nullptr) return CUDNN_STATUS_BAD_PARAM;
  require_operands(name, g, pass, o);
  if (workspace_bytes > 0) gpuemu::require_device_range(workspace, workspace_bytes, name);
  const float one = 1.0f, zero = 0.0f;
  compute(pass, g, o.x, o.w, o.y, &one, &zero, o.out);  // the search writes the result too

  std::vector<Perf> ranked;
  const float base_ms = static_cast<float>(g.macs() * 1e-7) + 0.005f;
  for (const Candidate& c : candidates(pass, g)) {
    Perf perf{};
    perf.algo = static_cast<decltype(perf.algo)>(c.algo);
    perf.determinism = CUDNN_DETERMINISTIC;
    perf.mathType = g.conv->math;
    bool ok = c.supported && c.memory <= workspace_bytes && search_outcome != 1;
    perf.status = !c.supported ? CUDNN_STATUS_NOT_SUPPORTED
                  : ok         ? CUDNN_STATUS_SUCCESS
                               : CUDNN_STATUS_BAD_PARAM_SIZE_INSUFFICIENT;
    perf.time = ok ? base_ms * c.relative_time : -1.0f;
    perf.memory = c.memory;
    ranked.push_back(perf);
  }
  std::stable_partition(ranked.begin(), ranked.end(),
                        [](const Perf& p) { return p.status == CUDNN_STATUS_SUCCESS; });
  int count = search_outcome == 2 ? 0 : std::min<int>(requested, static_cast<int>(ranked.size()));
  std::copy(ranked.begin(), ranked.begin() + count, results);
  *returned = count;
  return CUDNN_STATUS_SUCCESS;
}

cudnnStatus_t workspace_size(const char* name, Pass pass, cudnnHandle_t handle,
                             cudnnStatus_t geometry_status, const Geometry& g, int algo,
                             size_t* bytes) {
  if (int status = gpuemu::take_call_failure(name)) return static_cast<cudnnStatus_t>(status);
  if (handle == nullptr) return CUDNN_STATUS_NOT_INITIALIZED;
  if (geometry_status != CUDNN_STATUS_SUCCESS) return geometry_status;
  std::vector<Candidate> storage;
  const Candidate* c = find_candidate(pass, g, algo, storage);
  if (c == nullptr) return CUDNN_STATUS_NOT_SUPPORTED;
  *bytes = c->memory;
  return CUDNN_STATUS_SUCCESS;
}

cudnnStatus_t run(const char* name, Pass pass, cudnnHandle_t handle, cudnnStatus_t geometry_status,
                  const Geometry& g, int algo, const Operands& o, void* workspace,
                  size_t workspace_bytes, const void* alpha, const void* beta) {
  if (int status = gpuemu::take_call_failure(name)) return static_cast<cudnnStatus_t>(status);
  if (handle == nullptr) return CUDNN_STATUS_NOT_INITIALIZED;
  if (geometry_status != CUDNN_STATUS_SUCCESS) return geometry_status;
  std::vector<Candidate> storage;
  const Candidate* c = find_candidate(pass, g, algo, storage);
  if (c == nullptr) return CUDNN_STATUS_NOT_SUPPORTED;
  if (c->memory > workspace_bytes) return CUDNN_STATUS_BAD_PARAM;
  require_operands(name, g, pass, o);
  if (workspace_bytes > 0) gpuemu::require_device_range(workspace, workspace_bytes, name);
  compute(pass, g, o.x, o.w, o.y, alpha, beta, o.out);
  return CUDNN_STATUS_SUCCESS;
}

template <typename T>
cudnnStatus_t create(const char* name, T** desc) {
  if (int status = gpuemu::take_call_failure(name)) return static_cast<cudnnStatus_t>(status);
  *desc = new T();
  return CUDNN_STATUS_SUCCESS;
}

template <typename T>
cudnnStatus_t destroy(T* object) {
  delete object;
  return CUDNN_STATUS_SUCCESS;
}

bool dims_positive(std::initializer_list<int> dims) {
  return std::all_of(dims.begin(), dims.end(), [](int d) { return d > 0; });
}

// Tensor and filter descriptors alike: four positive NCHW float dimensions.
template <typename Desc>
cudnnStatus_t set_4d(const char* name, Desc* desc, cudnnTensorFormat_t format, cudnnDataType_t type,
                     int d0, int d1, int d2, int d3) {
  if (int status = gpuemu::take_call_failure(name)) return static_cast<cudnnStatus_t>(status);
  if (!desc || format != CUDNN_TENSOR_NCHW || type != CUDNN_DATA_FLOAT ||
      !dims_positive({d0, d1, d2, d3})) {
    return CUDNN_STATUS_BAD_PARAM;
  }
  *desc = {true, d0, d1, d2, d3};
  return CUDNN_STATUS_SUCCESS;
}

}  // namespace

extern "C" void gpuemu_cudnn_search_outcome(int outcome) {
  search_outcome = outcome;
}

const char* cudnnGetErrorString(cudnnStatus_t status) {
  switch (status) {
    case CUDNN_STATUS_SUCCESS:
      return "CUDNN_STATUS_SUCCESS";
    case CUDNN_STATUS_NOT_INITIALIZED:
      return "CUDNN_STATUS_NOT_INITIALIZED";
    case CUDNN_STATUS_BAD_PARAM:
      return "CUDNN_STATUS_BAD_PARAM";
    case CUDNN_STATUS_BAD_PARAM_SIZE_INSUFFICIENT:
      return "CUDNN_STATUS_BAD_PARAM_SIZE_INSUFFICIENT";
    case CUDNN_STATUS_NOT_SUPPORTED:
      return "CUDNN_STATUS_NOT_SUPPORTED";
    case CUDNN_STATUS_INTERNAL_ERROR:
      return "CUDNN_STATUS_INTERNAL_ERROR";
    case CUDNN_STATUS_EXECUTION_FAILED:
      return "CUDNN_STATUS_EXECUTION_FAILED";
  }
  return "CUDNN_STATUS_UNKNOWN";
}

cudnnStatus_t cudnnCreate(cudnnHandle_t* handle) {
  return create("cudnnCreate", handle);
}
cudnnStatus_t cudnnDestroy(cudnnHandle_t handle) {
  return destroy(handle);
}

cudnnStatus_t cudnnCreateTensorDescriptor(cudnnTensorDescriptor_t* desc) {
  return create("cudnnCreateTensorDescriptor", desc);
}
cudnnStatus_t cudnnSetTensor4dDescriptor(cudnnTensorDescriptor_t desc, cudnnTensorFormat_t format,
                                         cudnnDataType_t type, int n, int c, int h, int w) {
  return set_4d("cudnnSetTensor4dDescriptor", desc, format, type, n, c, h, w);
}
cudnnStatus_t cudnnDestroyTensorDescriptor(cudnnTensorDescriptor_t desc) {
  return destroy(desc);
}

cudnnStatus_t cudnnCreateFilterDescriptor(cudnnFilterDescriptor_t* desc) {
  return create("cudnnCreateFilterDescriptor", desc);
}
cudnnStatus_t cudnnSetFilter4dDescriptor(cudnnFilterDescriptor_t desc, cudnnDataType_t type,
                                         cudnnTensorFormat_t format, int k, int c, int h, int w) {
  return set_4d("cudnnSetFilter4dDescriptor", desc, format, type, k, c, h, w);
}
cudnnStatus_t cudnnDestroyFilterDescriptor(cudnnFilterDescriptor_t desc) {
  return destroy(desc);
}

cudnnStatus_t cudnnCreateConvolutionDescriptor(cudnnConvolutionDescriptor_t* desc) {
  return create("cudnnCreateConvolutionDescriptor", desc);
}
cudnnStatus_t cudnnSetConvolution2dDescriptor(cudnnConvolutionDescriptor_t desc, int pad_h,
                                              int pad_w, int u, int v, int dilation_h,
                                              int dilation_w, cudnnConvolutionMode_t mode,
                                              cudnnDataType_t compute_type) {
  if (int status = gpuemu::take_call_failure("cudnnSetConvolution2dDescriptor")) {
    return static_cast<cudnnStatus_t>(status);
  }
  if (!desc || pad_h < 0 || pad_w < 0 || !dims_positive({u, v, dilation_h, dilation_w}) ||
      compute_type != CUDNN_DATA_FLOAT) {
    return CUDNN_STATUS_BAD_PARAM;
  }
  desc->set = true;
  desc->pad_h = pad_h;
  desc->pad_w = pad_w;
  desc->u = u;
  desc->v = v;
  desc->dilation_h = dilation_h;
  desc->dilation_w = dilation_w;
  desc->mode = mode;
  return CUDNN_STATUS_SUCCESS;
}
cudnnStatus_t cudnnSetConvolutionMathType(cudnnConvolutionDescriptor_t desc, cudnnMathType_t math) {
  if (int status = gpuemu::take_call_failure("cudnnSetConvolutionMathType")) {
    return static_cast<cudnnStatus_t>(status);
  }
  if (!desc) return CUDNN_STATUS_BAD_PARAM;
  desc->math = math;
  return CUDNN_STATUS_SUCCESS;
}
cudnnStatus_t cudnnDestroyConvolutionDescriptor(cudnnConvolutionDescriptor_t desc) {
  return destroy(desc);
}

cudnnStatus_t cudnnFindConvolutionForwardAlgorithmEx(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc, const void* x,
    const cudnnFilterDescriptor_t w_desc, const void* w,
    const cudnnConvolutionDescriptor_t conv_desc, const cudnnTensorDescriptor_t y_desc, void* y,
    const int requested, int* returned, cudnnConvolutionFwdAlgoPerf_t* results, void* workspace,
    size_t workspace_bytes) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(x_desc, w_desc, conv_desc, y_desc, &g);
  Operands o{static_cast<const float*>(x), static_cast<const float*>(w), nullptr,
             static_cast<float*>(y)};
  return find("cudnnFindConvolutionForwardAlgorithmEx", Pass::forward, handle, status, g, o,
              requested, returned, results, workspace, workspace_bytes);
}

cudnnStatus_t cudnnFindConvolutionBackwardDataAlgorithmEx(
    cudnnHandle_t handle, const cudnnFilterDescriptor_t w_desc, const void* w,
    const cudnnTensorDescriptor_t dy_desc, const void* dy,
    const cudnnConvolutionDescriptor_t conv_desc, const cudnnTensorDescriptor_t dx_desc, void* dx,
    const int requested, int* returned, cudnnConvolutionBwdDataAlgoPerf_t* results, void* workspace,
    size_t workspace_bytes) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(dx_desc, w_desc, conv_desc, dy_desc, &g);
  Operands o{nullptr, static_cast<const float*>(w), static_cast<const float*>(dy),
             static_cast<float*>(dx)};
  return find("cudnnFindConvolutionBackwardDataAlgorithmEx", Pass::backward_data, handle, status, g,
              o, requested, returned, results, workspace, workspace_bytes);
}

cudnnStatus_t cudnnFindConvolutionBackwardFilterAlgorithmEx(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc, const void* x,
    const cudnnTensorDescriptor_t dy_desc, const void* dy,
    const cudnnConvolutionDescriptor_t conv_desc, const cudnnFilterDescriptor_t dw_desc, void* dw,
    const int requested, int* returned, cudnnConvolutionBwdFilterAlgoPerf_t* results,
    void* workspace, size_t workspace_bytes) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(x_desc, dw_desc, conv_desc, dy_desc, &g);
  Operands o{static_cast<const float*>(x), nullptr, static_cast<const float*>(dy),
             static_cast<float*>(dw)};
  return find("cudnnFindConvolutionBackwardFilterAlgorithmEx", Pass::backward_filter, handle,
              status, g, o, requested, returned, results, workspace, workspace_bytes);
}

cudnnStatus_t cudnnGetConvolutionForwardWorkspaceSize(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc,
    const cudnnFilterDescriptor_t w_desc, const cudnnConvolutionDescriptor_t conv_desc,
    const cudnnTensorDescriptor_t y_desc, cudnnConvolutionFwdAlgo_t algo, size_t* bytes) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(x_desc, w_desc, conv_desc, y_desc, &g);
  return workspace_size("cudnnGetConvolutionForwardWorkspaceSize", Pass::forward, handle, status, g,
                        algo, bytes);
}

cudnnStatus_t cudnnGetConvolutionBackwardDataWorkspaceSize(
    cudnnHandle_t handle, const cudnnFilterDescriptor_t w_desc,
    const cudnnTensorDescriptor_t dy_desc, const cudnnConvolutionDescriptor_t conv_desc,
    const cudnnTensorDescriptor_t dx_desc, cudnnConvolutionBwdDataAlgo_t algo, size_t* bytes) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(dx_desc, w_desc, conv_desc, dy_desc, &g);
  return workspace_size("cudnnGetConvolutionBackwardDataWorkspaceSize", Pass::backward_data, handle,
                        status, g, algo, bytes);
}

cudnnStatus_t cudnnGetConvolutionBackwardFilterWorkspaceSize(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc,
    const cudnnTensorDescriptor_t dy_desc, const cudnnConvolutionDescriptor_t conv_desc,
    const cudnnFilterDescriptor_t dw_desc, cudnnConvolutionBwdFilterAlgo_t algo, size_t* bytes) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(x_desc, dw_desc, conv_desc, dy_desc, &g);
  return workspace_size("cudnnGetConvolutionBackwardFilterWorkspaceSize", Pass::backward_filter,
                        handle, status, g, algo, bytes);
}

cudnnStatus_t cudnnConvolutionForward(cudnnHandle_t handle, const void* alpha,
                                      const cudnnTensorDescriptor_t x_desc, const void* x,
                                      const cudnnFilterDescriptor_t w_desc, const void* w,
                                      const cudnnConvolutionDescriptor_t conv_desc,
                                      cudnnConvolutionFwdAlgo_t algo, void* workspace,
                                      size_t workspace_bytes, const void* beta,
                                      const cudnnTensorDescriptor_t y_desc, void* y) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(x_desc, w_desc, conv_desc, y_desc, &g);
  Operands o{static_cast<const float*>(x), static_cast<const float*>(w), nullptr,
             static_cast<float*>(y)};
  return run("cudnnConvolutionForward", Pass::forward, handle, status, g, algo, o, workspace,
             workspace_bytes, alpha, beta);
}

cudnnStatus_t cudnnConvolutionBackwardData(cudnnHandle_t handle, const void* alpha,
                                           const cudnnFilterDescriptor_t w_desc, const void* w,
                                           const cudnnTensorDescriptor_t dy_desc, const void* dy,
                                           const cudnnConvolutionDescriptor_t conv_desc,
                                           cudnnConvolutionBwdDataAlgo_t algo, void* workspace,
                                           size_t workspace_bytes, const void* beta,
                                           const cudnnTensorDescriptor_t dx_desc, void* dx) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(dx_desc, w_desc, conv_desc, dy_desc, &g);
  Operands o{nullptr, static_cast<const float*>(w), static_cast<const float*>(dy),
             static_cast<float*>(dx)};
  return run("cudnnConvolutionBackwardData", Pass::backward_data, handle, status, g, algo, o,
             workspace, workspace_bytes, alpha, beta);
}

cudnnStatus_t cudnnConvolutionBackwardFilter(cudnnHandle_t handle, const void* alpha,
                                             const cudnnTensorDescriptor_t x_desc, const void* x,
                                             const cudnnTensorDescriptor_t dy_desc, const void* dy,
                                             const cudnnConvolutionDescriptor_t conv_desc,
                                             cudnnConvolutionBwdFilterAlgo_t algo, void* workspace,
                                             size_t workspace_bytes, const void* beta,
                                             const cudnnFilterDescriptor_t dw_desc, void* dw) {
  Geometry g{};
  cudnnStatus_t status = make_geometry(x_desc, dw_desc, conv_desc, dy_desc, &g);
  Operands o{static_cast<const float*>(x), nullptr, static_cast<const float*>(dy),
             static_cast<float*>(dw)};
  return run("cudnnConvolutionBackwardFilter", Pass::backward_filter, handle, status, g, algo, o,
             workspace, workspace_bytes, alpha, beta);
}
