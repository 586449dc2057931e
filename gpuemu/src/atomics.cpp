// Device atomics as host atomics: blocks of one grid run on several host threads at once.
#include <atomic>

#include <cuda_runtime.h>

namespace {

template <typename T>
T fetch_add(T* address, T value) {
  return std::atomic_ref<T>(*address).fetch_add(value, std::memory_order_relaxed);
}

}  // namespace

int atomicAdd(int* address, int value) {
  return fetch_add(address, value);
}
unsigned int atomicAdd(unsigned int* address, unsigned int value) {
  return fetch_add(address, value);
}
unsigned long long atomicAdd(unsigned long long* address, unsigned long long value) {
  return fetch_add(address, value);
}
float atomicAdd(float* address, float value) {
  return fetch_add(address, value);
}
double atomicAdd(double* address, double value) {
  return fetch_add(address, value);
}
