// Host random fills. The engine is the standard MT19937 seeded with the seed's low 32 bits; the
// mappings from its 32-bit draws to values are fixed so that a seed always gives the same tensor.
// Values are generated in row-major order of the tensor and written through its strides.
#include "cpu/random.h"

#include <random>
#include <stdexcept>
#include <vector>

#include "tensor/strided.h"

namespace {

// An unbiased integer in [0, range) by multiply-shift with rejection, one draw per candidate
// when range fits 32 bits, two (high word first) otherwise.
uint64_t uniform_below(std::mt19937& engine, uint64_t range) {
  if (range <= (uint64_t{1} << 32)) {
    uint64_t product = range * engine();
    uint32_t low = static_cast<uint32_t>(product);
    if (low < range) {
      const uint32_t threshold = static_cast<uint32_t>((uint64_t{1} << 32) - range) % range;
      while (low < threshold) {
        product = range * engine();
        low = static_cast<uint32_t>(product);
      }
    }
    return product >> 32;
  }
  auto draw64 = [&engine] {
    const uint64_t high = engine();
    return high << 32 | engine();
  };
  unsigned __int128 product = static_cast<unsigned __int128>(range) * draw64();
  uint64_t low = static_cast<uint64_t>(product);
  if (low < range) {
    const uint64_t threshold = (0 - range) % range;
    while (low < threshold) {
      product = static_cast<unsigned __int128>(range) * draw64();
      low = static_cast<uint64_t>(product);
    }
  }
  return static_cast<uint64_t>(product >> 64);
}

// Host tensors only: a GPU tensor's memory cannot be written from here.
void require_host_tensor(const Tensor& t, const char* function) {
  if (t.is_cuda()) {
    throw std::runtime_error(std::string(function) +
                             "(): the tensor is on device 'cuda'; use the "
                             "GPU fill for GPU tensors");
  }
}

// Writes next() for each element in row-major order, through the strides.
template <typename T, typename Next>
void fill(Tensor& t, Next next) {
  T* base = static_cast<T*>(t.data);
  if (t.is_contiguous()) {
    for (int32_t i = 0; i < t.size; ++i) base[i] = next();
    return;
  }
  std::vector<T> values(static_cast<size_t>(t.size));
  for (T& v : values) v = next();
  scatter_strided(values.data(), t.shape, t.strides, base);
}

}  // namespace

void fill_cpu_random(Tensor& t, uint64_t seed) {
  std::mt19937 engine(static_cast<uint32_t>(seed));
  if (t.dtype != 0 && t.dtype != 1) {
    throw std::runtime_error(
        "rand() only supports float32/float64 dtypes. Use randint() for integer types.");
  }
  require_host_tensor(t, "fill_cpu_random");
  if (t.dtype == 0) {
    fill<float>(t, [&] { return static_cast<float>(engine() >> 8) * 0x1p-24f; });
  } else {
    fill<double>(t, [&] {
      const uint64_t r1 = engine(), r2 = engine();
      return static_cast<double>(r2 << 21 | r1 >> 11) * 0x1p-53;
    });
  }
}

void fill_cpu_randint(Tensor& t, int64_t low, int64_t high, uint64_t seed) {
  std::mt19937 engine(static_cast<uint32_t>(seed));
  if (t.dtype != 2 && t.dtype != 3) {
    throw std::runtime_error("randint() only supports int32/int64 dtypes.");
  }
  if (low >= high) throw std::invalid_argument("randint(): high must be greater than low");
  require_host_tensor(t, "fill_cpu_randint");
  if (t.dtype == 2) {
    const uint32_t lo = static_cast<uint32_t>(low);
    const uint32_t span = static_cast<uint32_t>(high - 1) - lo;
    fill<int32_t>(t, [&] {
      const uint32_t offset =
          span == UINT32_MAX ? engine()
                             : static_cast<uint32_t>(uniform_below(engine, uint64_t{span} + 1));
      return static_cast<int32_t>(lo + offset);
    });
  } else {
    const uint64_t span = static_cast<uint64_t>(high) - 1 - static_cast<uint64_t>(low);
    // low < high bounds span by 2^64 - 2, so span + 1 never wraps to 0.
    fill<int64_t>(t, [&] {
      return static_cast<int64_t>(static_cast<uint64_t>(low) + uniform_below(engine, span + 1));
    });
  }
}
