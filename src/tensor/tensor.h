// The Tensor record: an n-dimensional array of one dtype in host or GPU memory, with shape and
// strides in elements and the slots automatic differentiation hangs on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tensor/dtype.h"

struct Node;  // autograd graph node

using Shape = std::vector<int32_t>;

struct Tensor : std::enable_shared_from_this<Tensor> {
  void* data = nullptr;  // element with all indices zero
  int32_t dtype = 0;
  int32_t size = 1;  // element count
  Shape shape;
  Shape strides;  // in elements; a view may have any, including negative ones
  std::string device;
  bool requires_grad = false;
  std::shared_ptr<Tensor> grad;
  std::shared_ptr<Node> grad_fn;
  std::shared_ptr<Tensor> base;  // the tensor this one is a view of; empty when owning
  void* storage = nullptr;       // the allocation released on destruction; null for a view

  // Owning tensor with uninitialised memory. Use new_tensor(), which keeps it in shared ownership.
  Tensor(const Shape& shape, const std::string& device, int32_t dtype);
  // View of `base` starting `offset` elements past base->data. Use make_view().
  Tensor(std::shared_ptr<Tensor> base, int32_t offset, const Shape& shape, const Shape& strides);
  ~Tensor();
  Tensor(const Tensor&) = delete;
  Tensor& operator=(const Tensor&) = delete;

  bool is_cuda() const { return device == "cuda"; }
  bool is_contiguous() const;
};

using TensorPtr = std::shared_ptr<Tensor>;

TensorPtr new_tensor(const Shape& shape, const std::string& device, int32_t dtype = 0);
TensorPtr make_view(TensorPtr base, int32_t offset, const Shape& shape, const Shape& strides);

Shape contiguous_strides(const Shape& shape);
// The shape as a Python tuple: "(2, 3)", "(5,)", "()".
std::string shape_text(const Shape& shape);
// The tensor's elements as float32, after require_float32 for "this operation".
float* data_f32(const Tensor& t);
