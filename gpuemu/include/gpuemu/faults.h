/* Fault injection into the emulated CUDA platform, for tests (through ctypes) and the emulator's
   own checks. Not part of sorvek's Python API. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define GPUEMU_API __attribute__((visibility("default")))

/* The nth next device allocation (1 = the next one) fails with cudaErrorMemoryAllocation. */
GPUEMU_API void gpuemu_fail_allocation(int nth);
/* The next kernel launch fails with the given cudaError_t code and runs nothing. */
GPUEMU_API void gpuemu_fail_next_launch(int error);
/* The next call of the named cuBLAS, cuRAND or cuDNN function returns `status` and does nothing. */
GPUEMU_API void gpuemu_fail_next_call(const char* function, int status);
/* How the next cuDNN algorithm searches answer: 0 as usual, 1 every candidate with a failure
   status, 2 no candidate at all. Stays until changed or cleared. */
GPUEMU_API void gpuemu_cudnn_search_outcome(int outcome);
/* The device memory size cudaMemGetInfo reports (free = total - live bytes); default 16 GiB. */
GPUEMU_API void gpuemu_set_total_memory(unsigned long long bytes);
/* Forgets every pending injected fault and restores the defaults above. */
GPUEMU_API void gpuemu_clear_faults(void);
/* Number of live device allocations, for leak checks. */
GPUEMU_API long gpuemu_live_allocations(void);

#ifdef __cplusplus
}
#endif
