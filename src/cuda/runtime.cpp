// Thin wrappers over the CUDA runtime used for storage and device queries.
#include "cuda/runtime.h"

#include <cuda_runtime.h>

#include <stdexcept>

void* cuda_allocate(size_t bytes) {
  void* ptr = nullptr;
  if (cudaMalloc(&ptr, bytes) != cudaSuccess) throw std::runtime_error("Sorvek out of memory!");
  return ptr;
}

void cuda_free(void* ptr) {
  cudaFree(ptr);
}

int cuda_device_count() {
  int count = 0;
  if (cudaGetDeviceCount(&count) != cudaSuccess) {
    cudaGetLastError();  // leave no stale error for the next launch check
    return 0;
  }
  return count;
}

bool cuda_is_available() {
  return cuda_device_count() > 0;
}

void cuda_synchronize() {
  cudaDeviceSynchronize();
}

void cuda_copy_to_device(void* device_dst, const void* host_src, size_t bytes) {
  cudaMemcpy(device_dst, host_src, bytes, cudaMemcpyHostToDevice);
}

void cuda_copy_to_host(void* host_dst, const void* device_src, size_t bytes) {
  cudaMemcpy(host_dst, device_src, bytes, cudaMemcpyDeviceToHost);
}

void cuda_copy_on_device(void* device_dst, const void* device_src, size_t bytes) {
  cudaMemcpy(device_dst, device_src, bytes, cudaMemcpyDeviceToDevice);
}

void cuda_zero(void* device_ptr, size_t bytes) {
  cudaMemset(device_ptr, 0, bytes);
}
