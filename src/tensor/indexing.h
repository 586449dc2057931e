// Integer and slice indexing with Python index objects.
#pragma once

#include <pybind11/pybind11.h>

#include <vector>

#include "tensor/tensor.h"

// What indexing did to one source dimension (kept by autograd for the backward pass).
struct IndexRecord {
  bool is_int = false;
  int32_t index = 0;  // resolved integer index when is_int
  int32_t start = 0;  // resolved slice start
  int32_t step = 1;   // slice step; 1 for a dimension not indexed, 0 for an integer index
};

// A view selected by an int, a slice or a tuple of them; `records` (if given) receives one
// IndexRecord per source dimension.
TensorPtr getitem(const TensorPtr& t, pybind11::handle index,
                  std::vector<IndexRecord>* records = nullptr);
