// Host-side stand-in for the CUDA runtime and the CUDA C++ kernel language, declaring only what
// sorvek uses. The emulated build compiles the .cu sources against this header with the host
// compiler; kernels run as cooperative fibers, one per GPU thread, blocks spread over host threads.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

#define __global__
#define __device__
#define __host__
#define __forceinline__ inline
#define __restrict__ __restrict
#define __launch_bounds__(...)
// Shared by the fibers of one block, which all run on one host thread; each host thread runs one
// block at a time.
#define __shared__ static thread_local

enum cudaError_t {
  cudaSuccess = 0,
  cudaErrorInvalidValue = 1,
  cudaErrorMemoryAllocation = 2,
  cudaErrorInvalidConfiguration = 9,
  cudaErrorNoDevice = 100,
  cudaErrorLaunchFailure = 719,
};
using cudaError = cudaError_t;

enum cudaMemcpyKind {
  cudaMemcpyHostToHost = 0,
  cudaMemcpyHostToDevice = 1,
  cudaMemcpyDeviceToHost = 2,
  cudaMemcpyDeviceToDevice = 3,
};

struct uint3 {
  unsigned int x, y, z;
};

struct dim3 {
  unsigned int x, y, z;
  constexpr dim3(unsigned int vx = 1, unsigned int vy = 1, unsigned int vz = 1)
      : x(vx), y(vy), z(vz) {}
  constexpr dim3(uint3 v) : x(v.x), y(v.y), z(v.z) {}
};

// 16-byte vector types, aligned as on the device.
struct alignas(16) float4 {
  float x, y, z, w;
};
struct alignas(16) int4 {
  int x, y, z, w;
};
struct alignas(16) double2 {
  double x, y;
};
struct alignas(16) longlong2 {
  long long x, y;
};
// Runtime API.
cudaError_t cudaMalloc(void** ptr, size_t bytes);
template <typename T>
inline cudaError_t cudaMalloc(T** ptr, size_t bytes) {
  return cudaMalloc(reinterpret_cast<void**>(ptr), bytes);
}
cudaError_t cudaFree(void* ptr);
cudaError_t cudaMemcpy(void* dst, const void* src, size_t bytes, cudaMemcpyKind kind);
cudaError_t cudaMemset(void* ptr, int value, size_t bytes);
cudaError_t cudaMemGetInfo(size_t* free_bytes, size_t* total_bytes);
cudaError_t cudaGetDeviceCount(int* count);
cudaError_t cudaGetLastError();
const char* cudaGetErrorString(cudaError_t error);
cudaError_t cudaDeviceSynchronize();

// Built-in variables of the running GPU thread.
extern thread_local uint3 threadIdx;
extern thread_local uint3 blockIdx;
extern thread_local dim3 blockDim;
extern thread_local dim3 gridDim;

void __syncthreads();

// Atomics: blocks run on several host threads at once, so these are real atomic operations.
int atomicAdd(int* address, int value);
unsigned int atomicAdd(unsigned int* address, unsigned int value);
unsigned long long atomicAdd(unsigned long long* address, unsigned long long value);
float atomicAdd(float* address, float value);
double atomicAdd(double* address, double value);

namespace gpuemu {

// Bug detectors: abort with a message naming `what` unless [ptr, ptr + bytes) lies inside one live
// device allocation, or unless ptr is 16-byte aligned (a device fault on real hardware).
void require_device_range(const void* ptr, size_t bytes, const char* what);
void require_vector_alignment(const void* ptr, const char* what);

// Validates a launch configuration (and any injected launch failure); on failure records the
// error for cudaGetLastError and returns false, and nothing runs.
bool configure_launch(dim3 grid, dim3 block, size_t shared_bytes);
// Runs every thread of the grid: body(closure) once per GPU thread.
void run_grid(dim3 grid, dim3 block, size_t shared_bytes, void (*body)(void*), void* closure);
// This block's dynamic shared memory.
void* dynamic_shared_memory();

template <typename T>
inline void check_kernel_argument(const T& arg) {
  if constexpr (std::is_pointer_v<T>) {
    if (arg == nullptr) return;
    require_device_range(arg, 1, "kernel argument");
    if constexpr (alignof(std::remove_pointer_t<T>) >= 16) {
      require_vector_alignment(arg, "16-byte vector kernel argument");
    }
  }
}

// A kernel launch: arguments convert to the kernel's parameter types as in a real launch; device
// pointers among them must be live allocations (16-byte aligned for vector types).
template <typename... Params, typename... Args>
void launch(void (*kernel)(Params...), dim3 grid, dim3 block, size_t shared_bytes, Args&&... args) {
  static_assert(sizeof...(Params) == sizeof...(Args),
                "kernel launched with a wrong argument count");
  if (!configure_launch(grid, block, shared_bytes)) return;
  struct Closure {
    void (*kernel)(Params...);
    std::tuple<std::decay_t<Params>...> params;
  } closure{kernel, {std::forward<Args>(args)...}};
  std::apply([](const auto&... p) { (check_kernel_argument(p), ...); }, closure.params);
  run_grid(
      grid, block, shared_bytes,
      [](void* c) {
        auto* self = static_cast<Closure*>(c);
        std::apply(self->kernel, self->params);
      },
      &closure);
}

}  // namespace gpuemu

// Read-only cached load; a 16-byte load must be aligned, as on the device.
template <typename T>
inline T __ldg(const T* ptr) {
  if constexpr (alignof(T) >= 16) gpuemu::require_vector_alignment(ptr, "16-byte __ldg");
  return *ptr;
}
