// Element-type codes and their helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class DType : int32_t { float32 = 0, float64 = 1, int32 = 2, int64 = 3 };

// Both throw std::runtime_error("Unknown dtype") for a code outside 0..3.
size_t dtype_size(int32_t code);
const char* dtype_name(int32_t code);

// The guard of operations that only handle float32: throws a std::runtime_error naming the
// operation and the rejected dtype.
void require_float32(int32_t code, const std::string& operation);
