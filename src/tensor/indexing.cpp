// getitem: ints drop a dimension, slices keep it with a new start, length and step, using the
// interpreter's own slice unpacking and clamping.
#include "tensor/indexing.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace py = pybind11;

namespace {

// Items of the index: a tuple's (or tuple subclass's) items, else the object alone.
std::vector<py::handle> index_items(py::handle index) {
  std::vector<py::handle> items;
  if (PyTuple_Check(index.ptr())) {
    for (py::handle item : py::reinterpret_borrow<py::tuple>(index)) items.push_back(item);
  } else {
    items.push_back(index);
  }
  return items;
}

[[noreturn]] void index_out_of_range(const std::string& k, size_t d, int32_t size) {
  throw std::out_of_range("Index " + k + " out of range on dimension " + std::to_string(d) +
                          " (size " + std::to_string(size) + ")");
}

// Resolves a Python int against a dimension of `size`; huge ints are out of range too.
int32_t resolve_int(py::handle item, size_t d, int32_t size) {
  int overflow = 0;
  long long k = PyLong_AsLongLongAndOverflow(item.ptr(), &overflow);
  if (overflow != 0) index_out_of_range(py::str(item).cast<std::string>(), d, size);
  long long resolved = k < 0 ? k + size : k;
  if (resolved < 0 || resolved >= size) index_out_of_range(std::to_string(k), d, size);
  return static_cast<int32_t>(resolved);
}

// A step far beyond the dimension selects at most one element, whose address does not depend on
// it; such steps (and their strides) are held at the 32-bit limit instead of wrapping.
int32_t saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

TensorPtr getitem(const TensorPtr& t, py::handle index, std::vector<IndexRecord>* records) {
  const std::vector<py::handle> items = index_items(index);
  const size_t ndim = t->shape.size();
  if (items.size() > ndim) {
    throw std::out_of_range("Too many indices for tensor of dimension " + std::to_string(ndim));
  }
  int64_t offset = 0;
  Shape shape, strides;
  std::vector<IndexRecord> recorded;
  for (size_t d = 0; d < ndim; ++d) {
    const int32_t size = t->shape[d], stride = t->strides[d];
    if (d >= items.size()) {
      shape.push_back(size);
      strides.push_back(stride);
      recorded.push_back({false, 0, 0, 1});
      continue;
    }
    py::handle item = items[d];
    if (PyLong_Check(item.ptr())) {
      int32_t resolved = resolve_int(item, d, size);
      offset += int64_t{resolved} * stride;
      recorded.push_back({true, resolved, 0, 0});
    } else if (PySlice_Check(item.ptr())) {
      Py_ssize_t start, stop, step;
      if (PySlice_Unpack(item.ptr(), &start, &stop, &step) < 0) {
        PyErr_Clear();
        throw std::runtime_error("Invalid slice on dimension " + std::to_string(d));
      }
      Py_ssize_t length = PySlice_AdjustIndices(size, &start, &stop, step);
      offset += int64_t(start) * stride;
      shape.push_back(static_cast<int32_t>(length));
      int64_t view_stride;
      if (__builtin_mul_overflow(int64_t{step}, int64_t{stride}, &view_stride)) {
        view_stride = (step < 0) != (stride < 0) ? INT64_MIN : INT64_MAX;
      }
      strides.push_back(saturate(view_stride));
      recorded.push_back({false, 0, static_cast<int32_t>(start), saturate(step)});
    } else {
      throw std::runtime_error("Index must be int or slice, got " +
                               py::str(py::type::handle_of(item)).cast<std::string>());
    }
  }
  if (records != nullptr) *records = std::move(recorded);
  return make_view(t, static_cast<int32_t>(offset), shape, strides);
}
