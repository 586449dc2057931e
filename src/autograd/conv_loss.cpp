// Front-ends of "im2col_1d", "huber_loss" and "cross_entropy_fused".
#include "autograd/conv_loss.h"

#include <limits>
#include <stdexcept>
#include <string>

#include "autograd/frontend_support.h"
#include "autograd/frontends.h"
#include "autograd/grad_mode.h"
#include "cpu/losses.h"

namespace {

// A one-element float32 tensor holding `value`, on the host (the GPU route is still pending).
TensorPtr scalar_result(float value) {
  TensorPtr out = new_tensor({1}, "cpu", 0);
  data_f32(*out)[0] = value;
  return out;
}

}  // namespace

TensorPtr im2col_1d(TensorPtr x, const Conv1dWindow& window) {
  if (x->shape.size() != 3) {
    throw std::invalid_argument(
        "im2col_1d: expected input of shape (batch, channels, length), got rank " +
        std::to_string(x->shape.size()));
  }
  require_positive_stride(window, "im2col_1d");
  make_contiguous(x);
  const int64_t rows = int64_t{x->shape[1]} * window.kernel_size;
  if (rows > std::numeric_limits<int32_t>::max()) {
    throw std::invalid_argument("im2col_1d: channels x kernel_size exceeds 2147483647 rows");
  }
  const Shape shape = {x->shape[0], static_cast<int32_t>(rows), window.out_length};
  if (x->dtype != 0) require_no_grad_for_typed(x->dtype, {x.get()});
  TensorPtr cols = new_tensor(shape, x->device, x->dtype);
  if (x->is_cuda()) gpu_not_available("im2col_1d");
  im2col_1d_cpu(*x, *cols, window);
  return cols;
}

TensorPtr huber_loss(TensorPtr pred, TensorPtr target, float delta) {
  if (pred->dtype != 0 || target->dtype != 0) {
    throw std::runtime_error(
        "huber_loss(): only float32 is currently supported by the fused kernel.");
  }
  make_contiguous(pred);
  make_contiguous(target);
  if (pred->is_cuda()) gpu_not_available("huber_loss");
  const float sum = huber_loss_cpu(pred, target, delta);
  return scalar_result(sum / static_cast<float>(pred->size));
}

TensorPtr cross_entropy(TensorPtr logits, TensorPtr onehot) {
  if (logits->dtype != 0 || onehot->dtype != 0) {
    throw std::runtime_error(
        "cross_entropy(): only float32 is currently supported by the fused kernel.");
  }
  if (logits->shape.size() != 2) {
    throw std::runtime_error(
        "cross_entropy(): fused kernel currently requires 2D (batch, classes) input.");
  }
  make_contiguous(logits);
  make_contiguous(onehot);
  if (logits->is_cuda()) gpu_not_available("cross_entropy");
  const TensorPtr rows = cross_entropy_cpu(logits, onehot);
  const int32_t batch = logits->shape[0];
  const float* losses = data_f32(*rows);
  float sum = 0.0f;
  for (int32_t r = 0; r < batch; ++r) sum += losses[r];
  return scalar_result(sum / static_cast<float>(batch));
}
