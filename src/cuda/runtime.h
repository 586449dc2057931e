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

// Blocking copies and fills (results ignored, as every caller may assume success once the
// memory exists).
void cuda_copy_to_device(void* device_dst, const void* host_src, size_t bytes);
void cuda_copy_to_host(void* host_dst, const void* device_src, size_t bytes);
void cuda_copy_on_device(void* device_dst, const void* device_src, size_t bytes);
void cuda_zero(void* device_ptr, size_t bytes);
