// Device memory as 256-byte aligned host memory, with a registry of live allocations that every
// copy, fill and kernel argument is checked against; plus the runtime's error state and queries.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "gpuemu/faults.h"
#include "internal.h"

namespace {

constexpr size_t kAlignment = 256;  // what the CUDA allocator guarantees

std::mutex registry_mutex;
std::map<uintptr_t, size_t> live;  // start address -> requested bytes
size_t live_bytes = 0;
size_t total_bytes = gpuemu::kDefaultTotalMemory;
std::atomic<int> last_error{cudaSuccess};

// Whether [p, p + bytes) lies inside one live allocation.
bool inside_live_allocation(const void* ptr, size_t bytes) {
  auto address = reinterpret_cast<uintptr_t>(ptr);
  std::lock_guard<std::mutex> lock(registry_mutex);
  auto after = live.upper_bound(address);
  if (after == live.begin()) return false;
  auto block = std::prev(after);
  size_t extent = block->second == 0 ? 1 : block->second;
  return address - block->first <= extent && bytes <= extent - (address - block->first);
}

bool overlaps_device_memory(const void* ptr, size_t bytes) {
  auto start = reinterpret_cast<uintptr_t>(ptr);
  std::lock_guard<std::mutex> lock(registry_mutex);
  auto after = live.lower_bound(start + bytes);
  if (after == live.begin()) return false;
  auto block = std::prev(after);
  return block->first + block->second > start;
}

void require_host_range(const void* ptr, size_t bytes, const char* what) {
  if (overlaps_device_memory(ptr, bytes)) {
    gpuemu::fail("%s: host range %p + %zu bytes lies in device memory", what, ptr, bytes);
  }
}

}  // namespace

namespace gpuemu {

void require_device_range(const void* ptr, size_t bytes, const char* what) {
  if (!inside_live_allocation(ptr, bytes)) {
    fail(
        "%s: %p + %zu bytes is not inside a live device allocation (freed, host or out of "
        "bounds)",
        what, ptr, bytes);
  }
}

void require_vector_alignment(const void* ptr, const char* what) {
  if (reinterpret_cast<uintptr_t>(ptr) % 16 != 0) {
    fail("%s: misaligned 16-byte vector access at %p (a device fault on a real GPU)", what, ptr);
  }
}

void set_last_error(cudaError_t error) {
  last_error = error;
}

}  // namespace gpuemu

cudaError_t cudaMalloc(void** ptr, size_t bytes) {
  if (gpuemu::take_allocation_failure()) {
    gpuemu::set_last_error(cudaErrorMemoryAllocation);
    return cudaErrorMemoryAllocation;
  }
  size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
  void* block = std::aligned_alloc(kAlignment, rounded == 0 ? kAlignment : rounded);
  if (block == nullptr) {
    gpuemu::set_last_error(cudaErrorMemoryAllocation);
    return cudaErrorMemoryAllocation;
  }
  std::lock_guard<std::mutex> lock(registry_mutex);
  live[reinterpret_cast<uintptr_t>(block)] = bytes;
  live_bytes += bytes;
  *ptr = block;
  return cudaSuccess;
}

cudaError_t cudaFree(void* ptr) {
  if (ptr == nullptr) return cudaSuccess;
  {
    std::lock_guard<std::mutex> lock(registry_mutex);
    auto found = live.find(reinterpret_cast<uintptr_t>(ptr));
    if (found == live.end()) gpuemu::fail("cudaFree(%p): not a live device allocation", ptr);
    live_bytes -= found->second;
    live.erase(found);
  }
  std::free(ptr);
  return cudaSuccess;
}

cudaError_t cudaMemcpy(void* dst, const void* src, size_t bytes, cudaMemcpyKind kind) {
  if (bytes == 0) return cudaSuccess;
  switch (kind) {
    case cudaMemcpyHostToDevice:
      gpuemu::require_device_range(dst, bytes, "cudaMemcpy host-to-device destination");
      require_host_range(src, bytes, "cudaMemcpy host-to-device source");
      break;
    case cudaMemcpyDeviceToHost:
      require_host_range(dst, bytes, "cudaMemcpy device-to-host destination");
      gpuemu::require_device_range(src, bytes, "cudaMemcpy device-to-host source");
      break;
    case cudaMemcpyDeviceToDevice:
      gpuemu::require_device_range(dst, bytes, "cudaMemcpy device-to-device destination");
      gpuemu::require_device_range(src, bytes, "cudaMemcpy device-to-device source");
      break;
    default:
      gpuemu::fail("cudaMemcpy: unsupported copy kind %d", static_cast<int>(kind));
  }
  std::memmove(dst, src, bytes);
  return cudaSuccess;
}

cudaError_t cudaMemset(void* ptr, int value, size_t bytes) {
  if (bytes == 0) return cudaSuccess;
  gpuemu::require_device_range(ptr, bytes, "cudaMemset");
  std::memset(ptr, value, bytes);
  return cudaSuccess;
}

cudaError_t cudaMemGetInfo(size_t* free_bytes, size_t* total) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  *total = total_bytes;
  *free_bytes = live_bytes < total_bytes ? total_bytes - live_bytes : 0;
  return cudaSuccess;
}

cudaError_t cudaGetDeviceCount(int* count) {
  *count = 1;
  return cudaSuccess;
}

cudaError_t cudaGetLastError() {
  return static_cast<cudaError_t>(last_error.exchange(cudaSuccess));
}

const char* cudaGetErrorString(cudaError_t error) {
  switch (error) {
    case cudaSuccess:
      return "no error";
    case cudaErrorInvalidValue:
      return "invalid argument";
    case cudaErrorMemoryAllocation:
      return "out of memory";
    case cudaErrorInvalidConfiguration:
      return "invalid configuration argument";
    case cudaErrorNoDevice:
      return "no CUDA-capable device is detected";
    case cudaErrorLaunchFailure:
      return "unspecified launch failure";
  }
  return "unrecognized error code";
}

cudaError_t cudaDeviceSynchronize() {
  return cudaSuccess;
}

extern "C" long gpuemu_live_allocations(void) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  return static_cast<long>(live.size());
}

extern "C" void gpuemu_set_total_memory(unsigned long long bytes) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  total_bytes = bytes;
}
