// cuRAND stand-in: a 64-bit SplitMix generator whose state continues across calls, so one seed
// gives one sequence however it is split into calls. Values are in (0, 1] as cuRAND's are.
#include <curand.h>

#include <cstdint>

#include "internal.h"

struct GpuemuCurandGenerator {
  uint64_t state = 0;
};

namespace {

uint64_t next_bits(GpuemuCurandGenerator& g) {
  uint64_t z = (g.state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

template <typename T>
curandStatus_t generate(const char* name, curandGenerator_t generator, T* out, size_t n) {
  if (int status = gpuemu::take_call_failure(name)) return static_cast<curandStatus_t>(status);
  if (generator == nullptr) return CURAND_STATUS_NOT_INITIALIZED;
  if (n == 0) return CURAND_STATUS_SUCCESS;
  gpuemu::require_device_range(out, n * sizeof(T), name);
  // The top mantissa-width bits plus one, scaled: the smallest value is 2^-bits, the largest 1.
  constexpr int bits = sizeof(T) == 4 ? 24 : 53;
  constexpr T scale = T(1) / T(uint64_t{1} << bits);
  for (size_t i = 0; i < n; ++i) out[i] = T((next_bits(*generator) >> (64 - bits)) + 1) * scale;
  return CURAND_STATUS_SUCCESS;
}

}  // namespace

curandStatus_t curandCreateGenerator(curandGenerator_t* generator, curandRngType_t type) {
  if (int status = gpuemu::take_call_failure("curandCreateGenerator")) {
    return static_cast<curandStatus_t>(status);
  }
  if (type != CURAND_RNG_PSEUDO_DEFAULT) return CURAND_STATUS_TYPE_ERROR;
  *generator = new GpuemuCurandGenerator();
  return CURAND_STATUS_SUCCESS;
}

curandStatus_t curandDestroyGenerator(curandGenerator_t generator) {
  delete generator;
  return CURAND_STATUS_SUCCESS;
}

curandStatus_t curandSetPseudoRandomGeneratorSeed(curandGenerator_t generator,
                                                  unsigned long long seed) {
  if (int status = gpuemu::take_call_failure("curandSetPseudoRandomGeneratorSeed")) {
    return static_cast<curandStatus_t>(status);
  }
  if (generator == nullptr) return CURAND_STATUS_NOT_INITIALIZED;
  generator->state = seed;
  return CURAND_STATUS_SUCCESS;
}

curandStatus_t curandGenerateUniform(curandGenerator_t generator, float* out, size_t n) {
  return generate("curandGenerateUniform", generator, out, n);
}

curandStatus_t curandGenerateUniformDouble(curandGenerator_t generator, double* out, size_t n) {
  return generate("curandGenerateUniformDouble", generator, out, n);
}
