// Grad mode and the autograd dtype gate.
#include "autograd/grad_mode.h"

#include <stdexcept>
#include <string>

namespace {

bool grad_mode = true;  // serialised by the interpreter lock, like every caller

}  // namespace

bool grad_enabled() {
  return grad_mode;
}

void set_grad_enabled(bool enabled) {
  grad_mode = enabled;
}

bool wants_grad(std::initializer_list<const Tensor*> operands) {
  if (!grad_mode) return false;
  for (const Tensor* t : operands) {
    if (t->requires_grad) return true;
  }
  return false;
}

void require_no_grad_for_typed(int32_t dtype, std::initializer_list<const Tensor*> operands) {
  if (wants_grad(operands)) {
    throw std::runtime_error(std::string("Autograd is not yet supported for dtype '") +
                             dtype_name(dtype) + "'. Only float32 currently supports gradients.");
  }
}
