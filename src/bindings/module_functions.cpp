// Module-level functions and attributes of `_C`.
#include <pybind11/stl.h>

#include "autograd/conv_loss.h"
#include "autograd/frontends.h"
#include "autograd/grad_mode.h"
#include "bindings/bindings.h"
#include "cpu/random.h"
#include "cuda/runtime.h"
#include "tensor/block_cache.h"
#include "tensor/numpy_interop.h"

void register_module_functions(py::module_& m) {
  m.def("_set_grad_enabled", &set_grad_enabled);
  m.def("_is_grad_enabled", &grad_enabled);
  m.def("fill_cpu_random", &fill_cpu_random, "Fill CPU Tensor with random numbers",
        py::arg("tensor").none(false), py::arg("seed"), py::pos_only());
  m.def("fill_cpu_randint", &fill_cpu_randint, "Fill CPU Tensor with random integers",
        py::arg("tensor").none(false), py::arg("low"), py::arg("high"), py::arg("seed"),
        py::pos_only());
  m.def("cpu_matmul", &matmul, "CPU matrix multiplication (autograd-aware)",
        py::arg("a").none(false), py::arg("b").none(false), py::pos_only());
  m.def(
      "cpu_add", [](TensorPtr a, TensorPtr b) { return elementwise(ElementwiseOp::ADD, a, b); },
      py::arg("a").none(false), py::arg("b").none(false), py::pos_only());
  m.def(
      "cpu_sub", [](TensorPtr a, TensorPtr b) { return elementwise(ElementwiseOp::SUB, a, b); },
      py::arg("a").none(false), py::arg("b").none(false), py::pos_only());
  m.def("from_numpy", &from_numpy,
        "Create a Tensor from an existing numpy array, preserving its dtype "
        "(float32/float64/int32/int64).",
        py::arg("array"), py::arg("device") = "cpu", py::arg("requires_grad") = false);
  m.def("is_available", &cuda_is_available,
        "Check if a CUDA-capable GPU is actually present and usable");
  m.def("device_count", &cuda_device_count, "Number of CUDA-capable GPUs detected");
  m.def(
      "im2col_1d",
      [](TensorPtr x, int32_t kernel_size, int32_t stride, int32_t padding, int32_t dilation,
         int32_t out_length) {
        return im2col_1d(x, {kernel_size, stride, padding, dilation, out_length});
      },
      py::arg("x").none(false), py::arg("kernel_size"), py::arg("stride"), py::arg("padding"),
      py::arg("dilation"), py::arg("out_length"));
  m.def(
      "empty_cache", [] { gpu_block_cache().empty(); }, "Release cached GPU memory");
  m.def("_synchronize", &cuda_synchronize);
  m.def("_huber_loss_fused", &huber_loss, py::arg("pred").none(false),
        py::arg("target").none(false), py::arg("delta") = 1.0f);
  m.def("_cross_entropy_fused", &cross_entropy, py::arg("logits").none(false),
        py::arg("onehot").none(false));
  m.def("_allocator_stats", [] {
    const GpuBlockCache& cache = gpu_block_cache();
    return py::make_tuple(cache.hits, cache.misses);
  });
  m.attr("HAS_CUDA") = true;
  m.attr("HAS_CUDNN") = true;
}
