"""Host elementwise arithmetic with broadcasting, scalar arithmetic and the reflected operators."""

import numpy as np
import pytest

import sorvek
from conftest import GUARD, HAS_GPU, host
from sorvek import DType

OPS = {"add": np.add, "sub": np.subtract, "mul": np.multiply, "div": np.divide}
PYTHON_OPS = {"add": lambda a, b: a + b, "sub": lambda a, b: a - b,
              "mul": lambda a, b: a * b, "div": lambda a, b: a / b}


def rand(shape, rng):
    return rng.uniform(-3, 3, size=shape).astype(np.float32) + np.float32(0.25)


@pytest.mark.parametrize("op", OPS)
@pytest.mark.parametrize("shape_a, shape_b", [
    ((2, 3), (2, 3)), ((2, 3), (3,)), ((2, 1), (1, 3)), ((3,), (2, 3)), ((4, 1, 5), (3, 1)),
    ((), (3,)), ((1,), (2, 2)), ((300, 200), (200,)), ((64, 1, 512), (1, 8, 512))])
def test_float32_matches_numpy_bit_for_bit(op, shape_a, shape_b):
    rng = np.random.default_rng(1)
    a, b = rand(shape_a, rng), rand(shape_b, rng)
    out = PYTHON_OPS[op](host(a), host(b))
    expected = OPS[op](a, b)
    assert out.shape == list(expected.shape) and out.device == "cpu" and out.is_contiguous()
    np.testing.assert_array_equal(out.to_numpy(), expected)


@pytest.mark.parametrize("op", OPS)
def test_strided_operands_are_read_through_their_strides(op):
    rng = np.random.default_rng(2)
    a, b = rand((40, 30), rng), rand((30, 40), rng)
    ta, tb = host(a), host(b)
    cases = [(ta.T, tb, a.T, b), (ta, tb.T, a, b.T), (ta[::-1, ::2], tb.T[:, ::2], a[::-1, ::2], b.T[:, ::2]),
             (ta.T, host(b[0]), a.T, b[0]), (ta[::-2, 3], host(b[0, :20]), a[::-2, 3], b[0, :20])]
    for x, y, ex, ey in cases:
        np.testing.assert_array_equal(PYTHON_OPS[op](x, y).to_numpy(), OPS[op](ex, ey))


@pytest.mark.parametrize("shape_a, shape_b", [((2, 3), (3, 2)), ((4,), (5,)), ((2, 3, 4), (3, 3, 4))])
def test_incompatible_shapes(shape_a, shape_b):
    text = f"{tuple(shape_a)} vs {tuple(shape_b)}"
    with pytest.raises(ValueError) as err:
        sorvek.Tensor(list(shape_a), "cpu") + sorvek.Tensor(list(shape_b), "cpu")
    assert str(err.value) == "Shapes are not broadcastable for elementwise op: " + text


def test_ieee_float32():
    out = (host([1.0, 0.0, -1.0]) / host([0.0, 0.0, 0.0])).to_numpy()
    assert out[0] == np.inf and np.isnan(out[1]) and out[2] == -np.inf


@pytest.mark.parametrize("np_type", [np.int32, np.int64])
def test_integer_semantics(np_type):
    info = np.iinfo(np_type)
    a = host([-7, 7, info.max, info.min, info.min], np_type)
    b = host([2, -2, 1, 1, -1], np_type)
    assert (a / b).to_numpy().tolist() == [-3, -3, info.max, info.min, info.min]
    assert (a + b).to_numpy().tolist()[2] == info.min  # wraps
    assert (a - b).to_numpy().tolist()[3] == info.max
    assert (a * b).dtype == np.dtype(np_type).name


@pytest.mark.parametrize("np_type", [np.int32, np.int64])
def test_integer_division_by_zero_is_an_error(np_type):
    with pytest.raises(ValueError, match=r"^div\(\): integer division by zero$"):
        host([1, 2], np_type) / host([1, 0], np_type)
    with pytest.raises(ValueError, match=r"^div\(\): integer division by zero$"):
        host([1, 2], np_type) / 0.5  # the scalar truncates to 0


def test_typed_route_checks():
    with pytest.raises(ValueError, match="^Broadcasting is not yet supported for non-float32 dtypes.$"):
        host(np.ones((2, 3)), np.float64) + host(np.ones(3), np.float64)
    with pytest.raises(RuntimeError, match=r"^add\(\): operands have different dtypes \('float64' and 'int64'\)$"):
        host([1.0], np.float64) + host([1], np.int64)
    with pytest.raises(RuntimeError) as err:
        host([1.0, 2.0]) + host([1.0, 2.0], np.float64)
    assert str(err.value) == "this operation" + GUARD.format("float64")
    with pytest.raises(RuntimeError) as err:
        host([[1.0, 2.0]]).T + host([[1.0], [2.0]], np.float64)
    assert str(err.value) == "get_scalar_flat" + GUARD.format("float64")


def test_typed_route_reads_strided_operands_by_value():
    a = np.arange(12, dtype=np.int64).reshape(3, 4)
    ta = host(a, np.int64)
    np.testing.assert_array_equal((ta.T + ta.T).to_numpy(), a.T + a.T)
    np.testing.assert_array_equal((ta[::-1] * 3).to_numpy(), a[::-1] * 3)


def test_result_device_labels():
    a = sorvek.from_numpy(np.ones(2, np.float32), "CPU")
    i = sorvek.from_numpy(np.ones(2, np.int32), "CPU")
    assert (a + a).device == "cpu" and (a * 2).device == "cpu"
    assert (i + i).device == "CPU" and (i * 2).device == "CPU"
    assert i.relu().device == "cpu"


def test_scalar_operations():
    a = np.array([1.5, -2.0, 0.0], np.float32)
    t = host(a)
    np.testing.assert_array_equal((t + 1).to_numpy(), a + np.float32(1))
    np.testing.assert_array_equal((2 + t).to_numpy(), a + np.float32(2))
    np.testing.assert_array_equal((t - 0.5).to_numpy(), a - np.float32(0.5))
    np.testing.assert_array_equal((t * 3).to_numpy(), a * np.float32(3))
    np.testing.assert_array_equal((t / 4).to_numpy(), a / np.float32(4))
    np.testing.assert_array_equal((2.0 - t).to_numpy(), -a + np.float32(2))
    np.testing.assert_array_equal((-t).to_numpy(), a * np.float32(-1))
    np.testing.assert_array_equal((1.0 / host([2.0, 2.0])).to_numpy(), [0.5, 0.5])
    np.testing.assert_array_equal((t.T * 2).to_numpy(), a * 2)
    d = host([1.0], np.float64) + 0.1
    assert d.to_numpy()[0] == 1.0 + float(np.float32(0.1))
    i = host([7, -7], np.int32)
    assert (i / 2.0).to_numpy().tolist() == [3, -3]
    assert (i * 2.5).to_numpy().tolist() == [14, -14]
    assert (i / 2.9).to_numpy().tolist() == [3, -3]


def test_scalar_beyond_the_integer_range_saturates():
    i = host([1, -1], np.int32)
    big = (i + 1e30).to_numpy().tolist()  # the scalar saturates to 2147483647, then wraps
    assert big == [-2147483648, 2147483646]


def test_operators_reject_other_types():
    t = host([1.0])
    for bad in ["a", None, [1.0]]:
        with pytest.raises(TypeError):
            t + bad
    with pytest.raises(TypeError):
        t @ None


def test_module_level_add_and_sub():
    a, b = host([1.0, 2.0]), host([3.0, 5.0])
    assert sorvek.cpu_add(a, b).to_numpy().tolist() == [4, 7]
    assert sorvek.cpu_sub(a, b).to_numpy().tolist() == [-2, -3]
    with pytest.raises(TypeError):
        sorvek.cpu_add(a, None)


@pytest.mark.skipif(not HAS_GPU, reason="needs a GPU build to make a GPU tensor")
def test_host_route_refuses_gpu_operands():
    cpu = host([1.0, 2.0])
    gpu = host([1.0, 2.0], device="cuda")
    with pytest.raises(RuntimeError, match="operand is on device 'cuda'"):
        cpu + gpu
    with pytest.raises(RuntimeError, match="operand is on device 'cuda'"):
        host([1, 2], np.int64) + host([1, 2], np.int64, "cuda")


@pytest.mark.parametrize("call", [
    lambda t: t.copy_(None), lambda t: t.huber_loss(None), lambda t: t + None, lambda t: t @ None,
    lambda t: sorvek.cpu_matmul(t, None), lambda t: sorvek.cpu_sub(None, t),
    lambda t: sorvek.fill_cpu_random(None, 1), lambda t: sorvek.im2col_1d(None, 1, 1, 0, 1, 1),
    lambda t: sorvek._cross_entropy_fused(t, None), lambda t: sorvek.from_numpy(None)])
def test_none_is_refused_where_a_tensor_is_expected(call):
    with pytest.raises(TypeError):
        call(host([[1.0]]))


@pytest.mark.skipif(not HAS_GPU, reason="needs a GPU build to make a GPU tensor")
@pytest.mark.parametrize("call", [
    lambda t: t + t, lambda t: t * 2.0, lambda t: t.relu(), lambda t: t.exp(), lambda t: t.sum(),
    lambda t: t.sum(0), lambda t: t.max(0), lambda t: t @ t, lambda t: t.huber_loss(t),
    lambda t: sorvek._cross_entropy_fused(t, t), lambda t: t.view([1, 1, 1]).sqrt()])
def test_gpu_routes_report_that_they_are_not_available_yet(call):
    gpu = host([[1.0]], device="cuda")
    with pytest.raises(RuntimeError, match=r"\(\): the CUDA backend for this operation is not available yet$"):
        call(gpu)
