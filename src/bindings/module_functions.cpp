// Module-level functions and attributes of `_C`.
#include <pybind11/stl.h>

#include "bindings/bindings.h"
#include "cuda/runtime.h"
#include "tensor/block_cache.h"
#include "tensor/numpy_interop.h"

void register_module_functions(py::module_& m) {
  m.def("from_numpy", &from_numpy,
        "Create a Tensor from an existing numpy array, preserving its dtype "
        "(float32/float64/int32/int64).",
        py::arg("array"), py::arg("device") = "cpu", py::arg("requires_grad") = false);
  m.def("is_available", &cuda_is_available,
        "Check if a CUDA-capable GPU is actually present and usable");
  m.def("device_count", &cuda_device_count, "Number of CUDA-capable GPUs detected");
  m.def(
      "empty_cache", [] { gpu_block_cache().empty(); }, "Release cached GPU memory");
  m.def("_synchronize", &cuda_synchronize);
  m.def("_allocator_stats", [] {
    const GpuBlockCache& cache = gpu_block_cache();
    return py::make_tuple(cache.hits, cache.misses);
  });
  m.attr("HAS_CUDA") = true;
  m.attr("HAS_CUDNN") = true;
}
