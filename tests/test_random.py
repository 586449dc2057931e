"""Host random fills against an independent MT19937 (NumPy's, with its legacy seeding)."""

import numpy as np
import pytest

import sorvek
from conftest import HAS_GPU
from sorvek import DType, Tensor


class Draws:
    """The raw 32-bit outputs of MT19937 seeded with the low 32 bits of a seed."""

    def __init__(self, seed):
        self.bits = np.random.MT19937()
        self.bits._legacy_seeding(seed & 0xFFFFFFFF)

    def __call__(self):
        return int(self.bits.random_raw())


def uniform_below(draw, n):
    words = 32 if n <= 2**32 else 64
    fresh = (lambda: draw()) if words == 32 else (lambda: (draw() << 32) | draw())
    product = n * fresh()
    low = product % 2**words
    if low < n:
        threshold = (2**words - n) % n
        while low < threshold:
            product = n * fresh()
            low = product % 2**words
    return product >> words


def expected_floats(dtype, n, seed):
    draw = Draws(seed)
    if dtype == DType.float32:
        return np.array([(draw() >> 8) * 2.0**-24 for _ in range(n)], np.float32)
    return np.array([((r1 >> 11) + (draw() << 21)) * 2.0**-53 for r1 in (draw() for _ in range(n))], np.float64)


def expected_ints(dtype, n, low, high, seed):
    draw = Draws(seed)
    bits = 32 if dtype == DType.int32 else 64
    lo, span = low % 2**bits, (high - 1 - low) % 2**bits
    values = []
    for _ in range(n):
        if bits == 32 and span == 2**32 - 1:
            offset = draw()
        else:
            offset = uniform_below(draw, span + 1)
        v = (lo + offset) % 2**bits
        values.append(v - 2**bits if v >= 2**(bits - 1) else v)
    return values


@pytest.mark.parametrize("dtype", [DType.float32, DType.float64])
@pytest.mark.parametrize("seed", [0, 42, 2**32 + 42, 2**64 - 1])
def test_uniform_fill_is_bit_exact(dtype, seed):
    t = Tensor([3, 67], "cpu", dtype)
    assert sorvek.fill_cpu_random(t, seed) is None
    np.testing.assert_array_equal(t.to_numpy().ravel(), expected_floats(dtype, 201, seed))


def test_uniform_fill_properties():
    a, b = Tensor([5000], "cpu"), Tensor([5000], "cpu")
    sorvek.fill_cpu_random(a, 7)
    sorvek.fill_cpu_random(b, 7 + 2**32)  # only the low 32 bits seed the engine
    values = a.to_numpy()
    assert (values == b.to_numpy()).all()
    assert values.min() >= 0 and values.max() < 1
    assert (values * 2**24 == np.floor(values * 2**24)).all()
    d = Tensor([5000], "cpu", DType.float64)
    sorvek.fill_cpu_random(d, 7)
    assert not np.array_equal(d.to_numpy().astype(np.float32), values)


@pytest.mark.parametrize("dtype", [DType.int32, DType.int64])
@pytest.mark.parametrize("low, high", [
    (0, 1), (-3, 3), (0, 10**6), (-2**31, 2**31 - 1), (5, 2**31 + 5), (0, 2**32),
    (-2**40, 2**40), (-2**63, 2**63 - 1), (2**62, 2**62 + 3)])
def test_integer_fill_is_bit_exact(dtype, low, high):
    t = Tensor([131], "cpu", dtype)
    sorvek.fill_cpu_randint(t, low, high, 99)
    assert t.to_numpy().tolist() == expected_ints(dtype, 131, low, high, 99)
    if dtype == DType.int64 or (-2**31 <= low and high <= 2**31):  # else truncated to 32 bits
        assert all(low <= v < high for v in t.to_numpy().tolist())


def test_fill_errors_leave_the_tensor_unchanged():
    t = sorvek.from_numpy(np.arange(4, dtype=np.int32))
    with pytest.raises(RuntimeError, match=r"^rand\(\) only supports float32/float64 dtypes. Use randint\(\) for integer types.$"):
        sorvek.fill_cpu_random(t, 1)
    f = sorvek.from_numpy(np.arange(4, dtype=np.float32))
    with pytest.raises(RuntimeError, match=r"^randint\(\) only supports int32/int64 dtypes.$"):
        sorvek.fill_cpu_randint(f, 0, 5, 1)
    with pytest.raises(ValueError, match=r"^randint\(\): high must be greater than low$"):
        sorvek.fill_cpu_randint(t, 5, 5, 1)
    assert t.to_numpy().tolist() == [0, 1, 2, 3] and f.to_numpy().tolist() == [0, 1, 2, 3]
    with pytest.raises(TypeError):
        sorvek.fill_cpu_random(f, -1)  # seeds are unsigned


def test_views_are_filled_through_their_strides_only():
    base = sorvek.from_numpy(np.full((4, 6), -1.0, np.float32))
    view = base[::-1, ::2]
    sorvek.fill_cpu_random(view, 3)
    expected = np.full((4, 6), -1.0, np.float32)
    expected[::-1, ::2] = expected_floats(DType.float32, 12, 3).reshape(4, 3)
    np.testing.assert_array_equal(base.to_numpy(), expected)


@pytest.mark.skipif(not HAS_GPU, reason="needs a GPU build to make a GPU tensor")
def test_gpu_tensors_are_refused():
    with pytest.raises(RuntimeError, match="tensor is on device 'cuda'"):
        sorvek.fill_cpu_random(Tensor([4], "cuda"), 1)
    with pytest.raises(RuntimeError, match="tensor is on device 'cuda'"):
        sorvek.fill_cpu_randint(Tensor([4], "cuda", DType.int32), 0, 4, 1)
