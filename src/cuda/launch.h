// The one way kernels are started and reach dynamic shared memory, for both builds: under nvcc a
// real <<<grid, block, shared>>> launch on the default stream; in the emulated build (host
// compiler) the same kernel runs through gpuemu's launch, which checks it as the hardware would.
#pragma once

#include <cuda_runtime.h>

#include <cstddef>
#include <utility>

template <typename... Params, typename... Args>
inline void launch_kernel(void (*kernel)(Params...), dim3 grid, dim3 block, size_t shared_bytes,
                          Args&&... args) {
#ifdef __CUDACC__
  kernel<<<grid, block, shared_bytes>>>(std::forward<Args>(args)...);
#else
  gpuemu::launch(kernel, grid, block, shared_bytes, std::forward<Args>(args)...);
#endif
}

// The block's dynamic shared memory (the launch's shared_bytes), 16-byte aligned.
template <typename T>
__device__ inline T* dynamic_shared_memory() {
#ifdef __CUDACC__
  extern __shared__ __align__(16) unsigned char shared_bytes[];
  return reinterpret_cast<T*>(shared_bytes);
#else
  return static_cast<T*>(gpuemu::dynamic_shared_memory());
#endif
}
