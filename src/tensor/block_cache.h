// GpuBlockCache: released float32 device blocks kept for reuse by tensors of the same element
// count.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

struct GpuBlockCache {
  std::unordered_map<int32_t, std::vector<void*>> blocks;  // element count -> LIFO stack
  int64_t hits = 0;
  int64_t misses = 0;

  // A block of count * 4 bytes: the most recently released one of that count, else a new one.
  void* acquire(int32_t count);
  void release(int32_t count, void* block);
  // Frees every cached block; the counters keep their values.
  void empty();
};

// The process-wide instance, created on first use.
GpuBlockCache& gpu_block_cache();
