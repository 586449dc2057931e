// Host-side stand-in for the part of cuRAND sorvek uses: one pseudo-random generator type with
// uniform single and double generation into device memory. Its sequences are its own, not
// cuRAND's.
#pragma once

#include <cstddef>
#include <cstdint>

struct GpuemuCurandGenerator;
using curandGenerator_t = GpuemuCurandGenerator*;

enum curandStatus_t {
  CURAND_STATUS_SUCCESS = 0,
  CURAND_STATUS_NOT_INITIALIZED = 101,
  CURAND_STATUS_ALLOCATION_FAILED = 102,
  CURAND_STATUS_TYPE_ERROR = 103,
  CURAND_STATUS_LAUNCH_FAILURE = 201,
  CURAND_STATUS_INTERNAL_ERROR = 999,
};

enum curandRngType_t { CURAND_RNG_PSEUDO_DEFAULT = 100 };

curandStatus_t curandCreateGenerator(curandGenerator_t* generator, curandRngType_t type);
curandStatus_t curandDestroyGenerator(curandGenerator_t generator);
curandStatus_t curandSetPseudoRandomGeneratorSeed(curandGenerator_t generator,
                                                  unsigned long long seed);
// n uniform values in (0, 1].
curandStatus_t curandGenerateUniform(curandGenerator_t generator, float* out, size_t n);
curandStatus_t curandGenerateUniformDouble(curandGenerator_t generator, double* out, size_t n);
