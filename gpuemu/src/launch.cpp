// Kernel execution: a grid's blocks are spread over host threads (OpenMP); within a block every
// GPU thread is a cooperative fiber, so __syncthreads() can suspend it until the whole block has
// arrived.
#include <sys/mman.h>

#include <boost/context/fiber.hpp>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "internal.h"

thread_local uint3 threadIdx;
thread_local uint3 blockIdx;
thread_local dim3 blockDim;
thread_local dim3 gridDim;

namespace {

namespace ctx = boost::context;

// Hardware limits checked at launch, as a device of compute capability 7.5 and later has them.
constexpr unsigned kMaxThreadsPerBlock = 1024;
constexpr unsigned kMaxBlockDimZ = 64;
constexpr unsigned kMaxGridDimX = 2147483647u;
constexpr unsigned kMaxGridDimYZ = 65535;
constexpr size_t kMaxSharedBytes = 48 * 1024;  // per block without an opt-in attribute

// Kernels compiled for the host have small frames; a guard page below each stack turns an
// overflow into a fault instead of silent corruption.
constexpr size_t kStackBytes = 128 * 1024;
constexpr size_t kGuardBytes = 4096;

struct FiberStack {
  void* region = nullptr;  // guard page, then the stack
  ctx::stack_context context;
};

// Stacks belong to the worker's pool, so a finishing fiber releases nothing.
struct PooledStack {
  ctx::stack_context allocate() { std::abort(); }
  void deallocate(ctx::stack_context&) noexcept {}
};

FiberStack map_stack() {
  void* region = mmap(nullptr, kStackBytes + kGuardBytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (region == MAP_FAILED) gpuemu::fail("cannot map a fiber stack");
  mprotect(region, kGuardBytes, PROT_NONE);
  FiberStack stack;
  stack.region = region;
  stack.context.size = kStackBytes;
  stack.context.sp = static_cast<char*>(region) + kGuardBytes + kStackBytes;
  return stack;
}

// What one host thread needs to run blocks: fiber stacks, the fibers of the current block, the
// scheduler side of each suspended fiber, and the block's dynamic shared memory.
struct Worker {
  std::vector<FiberStack> stacks;
  std::vector<ctx::fiber> threads;
  std::vector<ctx::fiber> schedulers;
  unsigned current = 0;
  void* shared = nullptr;
  size_t shared_capacity = 0;

  ~Worker() {
    for (FiberStack& stack : stacks) munmap(stack.region, kStackBytes + kGuardBytes);
    std::free(shared);
  }

  void reserve(unsigned thread_count, size_t shared_bytes) {
    while (stacks.size() < thread_count) stacks.push_back(map_stack());
    threads.resize(thread_count);
    schedulers.resize(thread_count);
    if (shared_bytes > shared_capacity) {
      std::free(shared);
      shared = std::aligned_alloc(16, (shared_bytes + 15) / 16 * 16);
      shared_capacity = shared_bytes;
    }
  }
};

thread_local Worker worker;

uint3 unflatten(uint64_t index, dim3 extent) {
  return {static_cast<unsigned>(index % extent.x),
          static_cast<unsigned>(index / extent.x % extent.y),
          static_cast<unsigned>(index / extent.x / extent.y)};
}

// Round-robin over the block's fibers: each runs until it finishes or reaches __syncthreads(),
// so after every pass all live threads stand at the same barrier.
void run_block(Worker& w, unsigned thread_count, void (*body)(void*), void* closure) {
  for (unsigned t = 0; t < thread_count; ++t) {
    FiberStack& stack = w.stacks[t];
    w.threads[t] = ctx::fiber(
        std::allocator_arg, ctx::preallocated(stack.context.sp, stack.context.size, stack.context),
        PooledStack{}, [&w, t, body, closure](ctx::fiber&& scheduler) {
          w.schedulers[t] = std::move(scheduler);
          body(closure);
          return std::move(w.schedulers[t]);
        });
  }
  unsigned running = thread_count;
  while (running > 0) {
    for (unsigned t = 0; t < thread_count; ++t) {
      if (!w.threads[t]) continue;
      threadIdx = unflatten(t, blockDim);
      w.current = t;
      w.threads[t] = std::move(w.threads[t]).resume();
      if (!w.threads[t]) --running;
    }
  }
}

}  // namespace

void __syncthreads() {
  ctx::fiber& scheduler = worker.schedulers[worker.current];
  scheduler = std::move(scheduler).resume();
}

namespace gpuemu {

bool configure_launch(dim3 grid, dim3 block, size_t shared_bytes) {
  if (int injected = take_launch_failure()) {
    set_last_error(static_cast<cudaError_t>(injected));
    return false;
  }
  uint64_t threads = uint64_t{block.x} * block.y * block.z;
  bool valid = threads >= 1 && threads <= kMaxThreadsPerBlock && block.z <= kMaxBlockDimZ &&
               grid.x >= 1 && grid.y >= 1 && grid.z >= 1 && grid.x <= kMaxGridDimX &&
               grid.y <= kMaxGridDimYZ && grid.z <= kMaxGridDimYZ &&
               shared_bytes <= kMaxSharedBytes;
  if (!valid) set_last_error(cudaErrorInvalidConfiguration);
  return valid;
}

void run_grid(dim3 grid, dim3 block, size_t shared_bytes, void (*body)(void*), void* closure) {
  const int64_t block_count = int64_t{grid.x} * grid.y * grid.z;
  const unsigned thread_count = block.x * block.y * block.z;
  // Blocks are independent, so any host thread may take any of them; dynamic scheduling evens
  // out blocks whose threads exit early.
#pragma omp parallel for schedule(dynamic, 1) if (block_count > 1)
  for (int64_t b = 0; b < block_count; ++b) {
    Worker& w = worker;
    w.reserve(thread_count, shared_bytes);
    gridDim = grid;
    blockDim = block;
    blockIdx = unflatten(static_cast<uint64_t>(b), grid);
    run_block(w, thread_count, body, closure);
  }
}

void* dynamic_shared_memory() {
  return worker.shared;
}

}  // namespace gpuemu
