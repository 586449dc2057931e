// Shared state between the parts of the emulator.
#pragma once

#include <cuda_runtime.h>

namespace gpuemu {

// The device memory size cudaMemGetInfo reports unless a test sets another.
constexpr size_t kDefaultTotalMemory = size_t{16} << 30;

[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

void set_last_error(cudaError_t error);

// Injected faults, each consumed by the call that honours it.
bool take_allocation_failure();
int take_launch_failure();  // 0 when none is pending
int take_call_failure(const char* function);  // 0 when none is pending

}  // namespace gpuemu
