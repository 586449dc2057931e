// Host im2col and col2im for 1-D convolution; both parallel over the batch. col2im gathers per
// output position, so no two threads write the same element and the summation order is fixed.
#include "cpu/im2col.h"

#include <stdexcept>
#include <string>

#include "cpu/typed.h"

namespace {

template <typename T>
void im2col_loop(const T* x, T* cols, int32_t batch, int32_t channels, int32_t length,
                 const Conv1dWindow& w) {
  const int32_t k_size = w.kernel_size, l_out = w.out_length;
#pragma omp parallel for schedule(static)
  for (int32_t b = 0; b < batch; ++b) {
    for (int32_t c = 0; c < channels; ++c) {
      const T* signal = x + (int64_t{b} * channels + c) * length;
      for (int32_t k = 0; k < k_size; ++k) {
        T* row = cols + ((int64_t{b} * channels + c) * k_size + k) * l_out;
        for (int32_t t = 0; t < l_out; ++t) {
          const int64_t p = int64_t{t} * w.stride - w.padding + int64_t{k} * w.dilation;
          row[t] = p >= 0 && p < length ? signal[p] : T(0);
        }
      }
    }
  }
}

}  // namespace

void require_positive_stride(const Conv1dWindow& w, const char* operation) {
  if (w.stride < 1) {
    throw std::invalid_argument(std::string(operation) + ": stride must be positive, got " +
                                std::to_string(w.stride));
  }
}

void im2col_1d_cpu(const Tensor& x, Tensor& cols, const Conv1dWindow& w) {
  const int32_t batch = x.shape[0], channels = x.shape[1], length = x.shape[2];
  switch (x.dtype) {
    case 0: {
      const float* in = data_f32(x);
      return im2col_loop(in, data_f32(cols), batch, channels, length, w);
    }
    case 1:
      return im2col_loop(static_cast<const double*>(x.data), static_cast<double*>(cols.data), batch,
                         channels, length, w);
    case 2:
      return im2col_loop(static_cast<const int32_t*>(x.data), static_cast<int32_t*>(cols.data),
                         batch, channels, length, w);
    case 3:
      return im2col_loop(static_cast<const int64_t*>(x.data), static_cast<int64_t*>(cols.data),
                         batch, channels, length, w);
  }
  throw std::runtime_error(std::string("im2col_1d: unsupported dtype '") + dtype_name(x.dtype) +
                           "'");
}

void col2im_1d_cpu(const Tensor& cols, Tensor& out, int32_t batch, int32_t channels, int32_t length,
                   const Conv1dWindow& w) {
  require_positive_stride(w, "col2im_1d");
  const float* in = data_f32(cols);
  float* signal_out = data_f32(out);
  const int32_t k_size = w.kernel_size, l_out = w.out_length;
#pragma omp parallel for schedule(static)
  for (int32_t b = 0; b < batch; ++b) {
    for (int32_t c = 0; c < channels; ++c) {
      const float* rows = in + (int64_t{b} * channels + c) * k_size * l_out;
      float* signal = signal_out + (int64_t{b} * channels + c) * length;
      for (int32_t x = 0; x < length; ++x) {
        float sum = 0.0f;
        for (int32_t k = 0; k < k_size; ++k) {
          const int64_t v = int64_t{x} + w.padding - int64_t{k} * w.dilation;
          if (v >= 0 && v % w.stride == 0 && v / w.stride < l_out) {
            sum += rows[int64_t{k} * l_out + v / w.stride];
          }
        }
        signal[x] = sum;
      }
    }
  }
}
