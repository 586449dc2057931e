// Pending injected faults and the fatal-error report of the emulator's bug detectors.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "gpuemu/faults.h"
#include "internal.h"

namespace {

std::mutex fault_mutex;
int allocations_until_failure = 0;  // 0: none pending
int launch_failure = 0;
std::map<std::string, int> call_failures;

}  // namespace

namespace gpuemu {

void fail(const char* format, ...) {
  std::fprintf(stderr, "gpuemu: ");
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  std::abort();
}

bool take_allocation_failure() {
  std::lock_guard<std::mutex> lock(fault_mutex);
  return allocations_until_failure > 0 && --allocations_until_failure == 0;
}

int take_launch_failure() {
  std::lock_guard<std::mutex> lock(fault_mutex);
  int error = launch_failure;
  launch_failure = 0;
  return error;
}

int take_call_failure(const char* function) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  auto found = call_failures.find(function);
  if (found == call_failures.end()) return 0;
  int status = found->second;
  call_failures.erase(found);
  return status;
}

}  // namespace gpuemu

extern "C" {

void gpuemu_fail_allocation(int nth) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  allocations_until_failure = nth;
}

void gpuemu_fail_next_launch(int error) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  launch_failure = error;
}

void gpuemu_fail_next_call(const char* function, int status) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  call_failures[function] = status;
}

void gpuemu_clear_faults(void) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  allocations_until_failure = 0;
  launch_failure = 0;
  call_failures.clear();
  gpuemu_cudnn_search_outcome(0);
  gpuemu_set_total_memory(gpuemu::kDefaultTotalMemory);
}
}
