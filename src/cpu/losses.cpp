// Host fused losses: one pass over the data each, no intermediate tensors.
#include "cpu/losses.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "cpu/typed.h"

namespace {

// The fused loops read both operands as flat arrays of the first one's length; operands of
// different shapes would be read past the end of the smaller one.
void require_same_shape(const Tensor& a, const Tensor& b, const char* operation) {
  if (a.shape != b.shape) {
    throw std::invalid_argument(std::string(operation) +
                                ": operands must have the same shape, got " + shape_text(a.shape) +
                                " vs " + shape_text(b.shape));
  }
  require_host(a, operation);
  require_host(b, operation);
}

struct RowStats {
  float max;
  float sum;  // of expf(x_j - max)
};

RowStats row_stats(const float* x, int32_t classes) {
  float m = -std::numeric_limits<float>::infinity();
  for (int32_t j = 0; j < classes; ++j) {
    if (x[j] > m) m = x[j];
  }
  float s = 0.0f;
  for (int32_t j = 0; j < classes; ++j) s += expf(x[j] - m);
  return {m, s};
}

}  // namespace

float huber_loss_cpu(const TensorPtr& pred, const TensorPtr& target, float delta) {
  if (!pred->is_contiguous() || !target->is_contiguous()) {
    throw std::invalid_argument("HuberLoss requires contiguous tensors. Call .contiguous() first.");
  }
  require_same_shape(*pred, *target, "huber_loss()");
  const int64_t n = pred->size;
  if (n == 0) throw std::runtime_error("HuberLoss: cannot reduce an empty tensor");
  const float* p = data_f32(*pred);
  const float* t = data_f32(*target);
  double sum = 0.0;
#pragma omp parallel for schedule(static) reduction(+ : sum)
  for (int64_t i = 0; i < n; ++i) {
    const float d = fabsf(p[i] - t[i]);
    const float term = delta >= d ? (d * 0.5f) * d : (d - delta * 0.5f) * delta;
    sum += static_cast<double>(term);
  }
  return static_cast<float>(sum);
}

TensorPtr huber_backward_cpu(const TensorPtr& a, const TensorPtr& b, float delta, float scale) {
  require_same_shape(*a, *b, "huber_loss()");
  TensorPtr out = new_tensor(a->shape, "cpu", 0);
  const TensorPtr ad = contiguous(a), bd = contiguous(b);
  const float* x = data_f32(*ad);
  const float* y = data_f32(*bd);
  float* r = data_f32(*out);
  const int64_t n = a->size;
#pragma omp parallel for schedule(static)
  for (int64_t i = 0; i < n; ++i) {
    const float diff = x[i] - y[i];
    const float c = delta >= fabsf(diff) ? diff : (diff > 0.0f ? 1.0f : -1.0f) * delta;
    r[i] = c * scale;
  }
  return out;
}

TensorPtr cross_entropy_cpu(const TensorPtr& logits, const TensorPtr& onehot) {
  if (!logits->is_contiguous() || !onehot->is_contiguous()) {
    throw std::invalid_argument(
        "cross_entropy requires contiguous tensors. Call .contiguous() first.");
  }
  require_same_shape(*logits, *onehot, "cross_entropy()");
  const int32_t rows = logits->shape[0], classes = logits->shape[1];
  TensorPtr out = new_tensor({rows}, "cpu", 0);
  const float* x = data_f32(*logits);
  const float* t = data_f32(*onehot);
  float* r = data_f32(*out);
#pragma omp parallel for schedule(static)
  for (int32_t row = 0; row < rows; ++row) {
    const float* xr = x + int64_t{row} * classes;
    const float* tr = t + int64_t{row} * classes;
    const RowStats stats = row_stats(xr, classes);
    const float lse = logf(stats.sum);
    float loss = 0.0f;
    for (int32_t j = 0; j < classes; ++j) loss = loss - ((xr[j] - stats.max) - lse) * tr[j];
    r[row] = loss;
  }
  return out;
}

TensorPtr cross_entropy_backward_cpu(const TensorPtr& logits, const TensorPtr& onehot,
                                     float scale) {
  require_same_shape(*logits, *onehot, "cross_entropy()");
  const int32_t rows = logits->shape[0], classes = logits->shape[1];
  TensorPtr out = new_tensor(logits->shape, "cpu", 0);
  const TensorPtr ld = contiguous(logits), od = contiguous(onehot);
  const float* x = data_f32(*ld);
  const float* t = data_f32(*od);
  float* r = data_f32(*out);
#pragma omp parallel for schedule(static)
  for (int32_t row = 0; row < rows; ++row) {
    const float* xr = x + int64_t{row} * classes;
    const RowStats stats = row_stats(xr, classes);
    for (int32_t j = 0; j < classes; ++j) {
      const int64_t i = int64_t{row} * classes + j;
      r[i] = (expf(xr[j] - stats.max) / stats.sum - t[i]) * scale;
    }
  }
  return out;
}
