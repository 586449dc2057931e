// The CUDA runtime calls the rest of the system makes, behind plain C++ functions so that only
// the files under cuda/ include the CUDA headers.
#pragma once

#include <cstddef>

// Device memory of `bytes` bytes; throws std::runtime_error("Sorvek out of memory!") on failure.
void* cuda_allocate(size_t bytes);
void cuda_free(void* ptr);  // result ignored

// Number of usable devices; 0 when the runtime reports an error (no driver, no device).
int cuda_device_count();
bool cuda_is_available();
// Waits for all launched work; never throws.
void cuda_synchronize();
