// When a host loop is worth splitting across OpenMP threads: below this much work the cost of
// waking the team exceeds the loop itself. Splitting never changes a result.
#pragma once

#include <cstdint>

constexpr int64_t kParallelWork = int64_t{1} << 15;

inline bool worth_parallel(int64_t work) {
  return work >= kParallelWork;
}
