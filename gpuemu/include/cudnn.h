// Host-side stand-in for the part of cuDNN sorvek uses: 4-D NCHW float tensor and filter
// descriptors, 2-D convolution descriptors, the three algorithm searches, workspace queries and
// the three convolution passes, computed exactly on the host.
#pragma once

#include <cstddef>

struct GpuemuCudnnContext;
struct GpuemuTensorDescriptor;
struct GpuemuFilterDescriptor;
struct GpuemuConvolutionDescriptor;
using cudnnHandle_t = GpuemuCudnnContext*;
using cudnnTensorDescriptor_t = GpuemuTensorDescriptor*;
using cudnnFilterDescriptor_t = GpuemuFilterDescriptor*;
using cudnnConvolutionDescriptor_t = GpuemuConvolutionDescriptor*;

enum cudnnStatus_t {
  CUDNN_STATUS_SUCCESS = 0,
  CUDNN_STATUS_NOT_INITIALIZED = 1001,
  CUDNN_STATUS_BAD_PARAM = 2000,
  CUDNN_STATUS_BAD_PARAM_SIZE_INSUFFICIENT = 2006,
  CUDNN_STATUS_NOT_SUPPORTED = 3000,
  CUDNN_STATUS_INTERNAL_ERROR = 4000,
  CUDNN_STATUS_EXECUTION_FAILED = 5000,
};

enum cudnnTensorFormat_t { CUDNN_TENSOR_NCHW = 0 };
enum cudnnDataType_t { CUDNN_DATA_FLOAT = 0 };
enum cudnnConvolutionMode_t { CUDNN_CONVOLUTION = 0, CUDNN_CROSS_CORRELATION = 1 };
enum cudnnMathType_t { CUDNN_DEFAULT_MATH = 0, CUDNN_TENSOR_OP_MATH = 1, CUDNN_FMA_MATH = 3 };
enum cudnnDeterminism_t { CUDNN_NON_DETERMINISTIC = 0, CUDNN_DETERMINISTIC = 1 };

enum cudnnConvolutionFwdAlgo_t {
  CUDNN_CONVOLUTION_FWD_ALGO_IMPLICIT_GEMM = 0,
  CUDNN_CONVOLUTION_FWD_ALGO_IMPLICIT_PRECOMP_GEMM = 1,
  CUDNN_CONVOLUTION_FWD_ALGO_GEMM = 2,
  CUDNN_CONVOLUTION_FWD_ALGO_DIRECT = 3,
  CUDNN_CONVOLUTION_FWD_ALGO_FFT = 4,
};
enum cudnnConvolutionBwdDataAlgo_t {
  CUDNN_CONVOLUTION_BWD_DATA_ALGO_0 = 0,
  CUDNN_CONVOLUTION_BWD_DATA_ALGO_1 = 1,
  CUDNN_CONVOLUTION_BWD_DATA_ALGO_FFT = 2,
};
enum cudnnConvolutionBwdFilterAlgo_t {
  CUDNN_CONVOLUTION_BWD_FILTER_ALGO_0 = 0,
  CUDNN_CONVOLUTION_BWD_FILTER_ALGO_1 = 1,
  CUDNN_CONVOLUTION_BWD_FILTER_ALGO_FFT = 2,
};

template <typename Algo>
struct GpuemuAlgoPerf {
  Algo algo;
  cudnnStatus_t status;
  float time;     // milliseconds
  size_t memory;  // workspace bytes
  cudnnDeterminism_t determinism;
  cudnnMathType_t mathType;
  int reserved[3];
};
using cudnnConvolutionFwdAlgoPerf_t = GpuemuAlgoPerf<cudnnConvolutionFwdAlgo_t>;
using cudnnConvolutionBwdDataAlgoPerf_t = GpuemuAlgoPerf<cudnnConvolutionBwdDataAlgo_t>;
using cudnnConvolutionBwdFilterAlgoPerf_t = GpuemuAlgoPerf<cudnnConvolutionBwdFilterAlgo_t>;

const char* cudnnGetErrorString(cudnnStatus_t status);
cudnnStatus_t cudnnCreate(cudnnHandle_t* handle);
cudnnStatus_t cudnnDestroy(cudnnHandle_t handle);

cudnnStatus_t cudnnCreateTensorDescriptor(cudnnTensorDescriptor_t* desc);
cudnnStatus_t cudnnSetTensor4dDescriptor(cudnnTensorDescriptor_t desc, cudnnTensorFormat_t format,
                                         cudnnDataType_t type, int n, int c, int h, int w);
cudnnStatus_t cudnnDestroyTensorDescriptor(cudnnTensorDescriptor_t desc);
cudnnStatus_t cudnnCreateFilterDescriptor(cudnnFilterDescriptor_t* desc);
cudnnStatus_t cudnnSetFilter4dDescriptor(cudnnFilterDescriptor_t desc, cudnnDataType_t type,
                                         cudnnTensorFormat_t format, int k, int c, int h, int w);
cudnnStatus_t cudnnDestroyFilterDescriptor(cudnnFilterDescriptor_t desc);
cudnnStatus_t cudnnCreateConvolutionDescriptor(cudnnConvolutionDescriptor_t* desc);
cudnnStatus_t cudnnSetConvolution2dDescriptor(cudnnConvolutionDescriptor_t desc, int pad_h,
                                              int pad_w, int u, int v, int dilation_h,
                                              int dilation_w, cudnnConvolutionMode_t mode,
                                              cudnnDataType_t compute_type);
cudnnStatus_t cudnnSetConvolutionMathType(cudnnConvolutionDescriptor_t desc, cudnnMathType_t math);
cudnnStatus_t cudnnDestroyConvolutionDescriptor(cudnnConvolutionDescriptor_t desc);

cudnnStatus_t cudnnFindConvolutionForwardAlgorithmEx(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc, const void* x,
    const cudnnFilterDescriptor_t w_desc, const void* w,
    const cudnnConvolutionDescriptor_t conv_desc, const cudnnTensorDescriptor_t y_desc, void* y,
    const int requested, int* returned, cudnnConvolutionFwdAlgoPerf_t* results, void* workspace,
    size_t workspace_bytes);
cudnnStatus_t cudnnFindConvolutionBackwardDataAlgorithmEx(
    cudnnHandle_t handle, const cudnnFilterDescriptor_t w_desc, const void* w,
    const cudnnTensorDescriptor_t dy_desc, const void* dy,
    const cudnnConvolutionDescriptor_t conv_desc, const cudnnTensorDescriptor_t dx_desc, void* dx,
    const int requested, int* returned, cudnnConvolutionBwdDataAlgoPerf_t* results, void* workspace,
    size_t workspace_bytes);
cudnnStatus_t cudnnFindConvolutionBackwardFilterAlgorithmEx(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc, const void* x,
    const cudnnTensorDescriptor_t dy_desc, const void* dy,
    const cudnnConvolutionDescriptor_t conv_desc, const cudnnFilterDescriptor_t dw_desc, void* dw,
    const int requested, int* returned, cudnnConvolutionBwdFilterAlgoPerf_t* results,
    void* workspace, size_t workspace_bytes);

cudnnStatus_t cudnnGetConvolutionForwardWorkspaceSize(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc,
    const cudnnFilterDescriptor_t w_desc, const cudnnConvolutionDescriptor_t conv_desc,
    const cudnnTensorDescriptor_t y_desc, cudnnConvolutionFwdAlgo_t algo, size_t* bytes);
cudnnStatus_t cudnnGetConvolutionBackwardDataWorkspaceSize(
    cudnnHandle_t handle, const cudnnFilterDescriptor_t w_desc,
    const cudnnTensorDescriptor_t dy_desc, const cudnnConvolutionDescriptor_t conv_desc,
    const cudnnTensorDescriptor_t dx_desc, cudnnConvolutionBwdDataAlgo_t algo, size_t* bytes);
cudnnStatus_t cudnnGetConvolutionBackwardFilterWorkspaceSize(
    cudnnHandle_t handle, const cudnnTensorDescriptor_t x_desc,
    const cudnnTensorDescriptor_t dy_desc, const cudnnConvolutionDescriptor_t conv_desc,
    const cudnnFilterDescriptor_t dw_desc, cudnnConvolutionBwdFilterAlgo_t algo, size_t* bytes);

cudnnStatus_t cudnnConvolutionForward(cudnnHandle_t handle, const void* alpha,
                                      const cudnnTensorDescriptor_t x_desc, const void* x,
                                      const cudnnFilterDescriptor_t w_desc, const void* w,
                                      const cudnnConvolutionDescriptor_t conv_desc,
                                      cudnnConvolutionFwdAlgo_t algo, void* workspace,
                                      size_t workspace_bytes, const void* beta,
                                      const cudnnTensorDescriptor_t y_desc, void* y);
cudnnStatus_t cudnnConvolutionBackwardData(cudnnHandle_t handle, const void* alpha,
                                           const cudnnFilterDescriptor_t w_desc, const void* w,
                                           const cudnnTensorDescriptor_t dy_desc, const void* dy,
                                           const cudnnConvolutionDescriptor_t conv_desc,
                                           cudnnConvolutionBwdDataAlgo_t algo, void* workspace,
                                           size_t workspace_bytes, const void* beta,
                                           const cudnnTensorDescriptor_t dx_desc, void* dx);
cudnnStatus_t cudnnConvolutionBackwardFilter(cudnnHandle_t handle, const void* alpha,
                                             const cudnnTensorDescriptor_t x_desc, const void* x,
                                             const cudnnTensorDescriptor_t dy_desc, const void* dy,
                                             const cudnnConvolutionDescriptor_t conv_desc,
                                             cudnnConvolutionBwdFilterAlgo_t algo, void* workspace,
                                             size_t workspace_bytes, const void* beta,
                                             const cudnnFilterDescriptor_t dw_desc, void* dw);
