// Grad mode, the process-wide switch for recording, and the dtype gate of the typed paths.
#pragma once

#include <initializer_list>

#include "tensor/tensor.h"

bool grad_enabled();
void set_grad_enabled(bool enabled);

// Whether an operation over `operands` would record: grad mode on and one of them requires grad.
bool wants_grad(std::initializer_list<const Tensor*> operands);
// The typed paths' gate: throws "Autograd is not yet supported for dtype ..." when the operation
// would have to record.
void require_no_grad_for_typed(int32_t dtype, std::initializer_list<const Tensor*> operands);
