// Seeded uniform fills of host tensors with MT19937, reproducible value for value.
#pragma once

#include <cstdint>

#include "tensor/tensor.h"

// float32 / float64 values in [0, 1).
void fill_cpu_random(Tensor& t, uint64_t seed);
// int32 / int64 values in [low, high).
void fill_cpu_randint(Tensor& t, int64_t low, int64_t high, uint64_t seed);
