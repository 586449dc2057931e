// The module entry `PyInit__C`: pybind11's macro refuses interpreters other than the one compiled
// for and declares a multi-phase module without sub-interpreter support.
#include "bindings/bindings.h"

PYBIND11_MODULE(_C, m) {
  register_dtype(m);
  TensorClass tensor = register_tensor_class(m);
  register_tensor_methods(tensor);
  register_module_functions(m);
}
