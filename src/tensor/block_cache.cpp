// The process-wide cache of free float32 device blocks, keyed by element count.
#include "tensor/block_cache.h"

#include "cuda/runtime.h"

void* GpuBlockCache::acquire(int32_t count) {
  auto found = blocks.find(count);
  if (found != blocks.end() && !found->second.empty()) {
    void* block = found->second.back();
    found->second.pop_back();
    ++hits;
    return block;
  }
  ++misses;
  return cuda_allocate(static_cast<size_t>(count) * sizeof(float));
}

void GpuBlockCache::release(int32_t count, void* block) {
  blocks[count].push_back(block);
}

void GpuBlockCache::empty() {
  for (auto& entry : blocks) {
    for (void* block : entry.second) cuda_free(block);
  }
  blocks.clear();
}

GpuBlockCache& gpu_block_cache() {
  // Never destroyed: the driver reclaims device memory at exit, and tensors still alive during
  // interpreter shutdown may release blocks after static destructors would have run.
  static GpuBlockCache* cache = new GpuBlockCache();
  return *cache;
}
