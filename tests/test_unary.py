"""Host unary functions and activations, float32 and typed, and the autograd dtype gate."""

import numpy as np
import pytest

import sorvek
from conftest import GUARD, host


FLOAT32 = {
    "relu": lambda x: np.where(x > 0, x, np.float32(0)),
    "sigmoid": lambda x: np.float32(1) / (np.exp(-x) + np.float32(1)),
    "tanh": np.tanh,
    "exp": np.exp,
    "log": np.log,
    "sqrt": np.sqrt,
    "abs": np.abs,
    "sign": lambda x: np.sign(np.nan_to_num(x, nan=0.0)).astype(np.float32),
}


@pytest.mark.parametrize("name", FLOAT32)
def test_float32_functions_match_numpy(name):
    x = np.random.default_rng(3).uniform(-4, 4, size=(37, 29)).astype(np.float32)
    if name in ("log", "sqrt"):
        x = np.abs(x) + np.float32(0.01)
    t = host(x)
    for view, expected_input in [(t, x), (t.T, x.T), (t[::-2, 1::3], x[::-2, 1::3])]:
        out = getattr(view, name)()
        assert out.is_contiguous() and out.shape == list(expected_input.shape)
        if name in ("relu", "sqrt", "abs", "sign"):  # exact operations
            np.testing.assert_array_equal(out.to_numpy(), FLOAT32[name](expected_input))
        else:  # libm and NumPy's vectorised versions may differ in the last bits
            np.testing.assert_allclose(out.to_numpy(), FLOAT32[name](expected_input), rtol=5e-7, atol=2e-7)


def test_special_values():
    nan, inf = float("nan"), float("inf")
    assert host([-1, 0, 2, nan]).relu().to_numpy().tolist() == [0, 0, 2, 0]
    assert host([-100, 3]).leaky_relu().to_numpy().tolist() == [np.float32(-100) * np.float32(0.01), 3]
    assert host([-100, 3]).leaky_relu(slope=0.5).to_numpy().tolist() == [-50, 3]
    assert np.isnan(host([nan]).leaky_relu().to_numpy()[0])
    assert host([-2, -0.0, 0, 5, nan]).sign().to_numpy().tolist() == [-1, 0, 0, 1, 0]
    assert np.signbit(host([-0.0]).abs().to_numpy()[0]) == False  # noqa: E712
    assert np.isnan(host([-1]).sqrt().to_numpy()[0])
    assert host([0]).log().to_numpy()[0] == -inf
    assert host([0]).sigmoid().item() == 0.5


def test_typed_activations():
    assert host([-3, 0, 4], np.int32).relu().to_numpy().tolist() == [0, 0, 4]
    assert host([-3], np.int32).leaky_relu(0.5).to_numpy().tolist() == [-1]
    assert host([-2147483648], np.int32).abs().to_numpy().tolist() == [-2147483648]
    assert host([-5, 0, 9], np.int64).sign().to_numpy().tolist() == [-1, 0, 1]
    assert host([-1.5, 2.0], np.float64).relu().to_numpy().tolist() == [0, 2]
    assert host([-1.5], np.float64).abs().dtype == "float64"
    # A product beyond the integer range saturates instead of being undefined.
    assert host([-3], np.int32).leaky_relu(1e12).to_numpy().tolist() == [-2147483648]
    strided = host(np.arange(6).reshape(2, 3) - 3, np.int64).T
    assert strided.relu().to_numpy().tolist() == [[0, 0], [0, 1], [0, 2]]


def test_functions_without_a_typed_path():
    for name in ["exp", "log", "sigmoid", "tanh"]:
        with pytest.raises(RuntimeError) as err:
            getattr(host([1.0], np.float64), name)()
        assert str(err.value) == "this operation" + GUARD.format("float64")


def test_sqrt_by_dtype():
    out = host([-4.0, 9.0], np.float64).sqrt()
    assert out.dtype == "float64"
    values = out.to_numpy()
    assert np.isnan(values[0]) and values[1] == 3.0
    for np_type, name in [(np.int32, "int32"), (np.int64, "int64")]:
        with pytest.raises(RuntimeError, match=rf"^sqrt\(\): dtype '{name}' is not supported. Use a float dtype.$"):
            host([4], np_type).sqrt()


def test_autograd_gate_on_typed_paths():
    t = host([-3, 0, 4], np.int32)
    t.requires_grad = True
    message = r"^Autograd is not yet supported for dtype 'int32'. Only float32 currently supports gradients.$"
    for call in [t.relu, t.abs, t.sign, lambda: t + t, lambda: t * 2, lambda: t.sum(), lambda: t.max(0)]:
        with pytest.raises(RuntimeError, match=message):
            call()
    other = host([1, 1, 1], np.int32)
    with pytest.raises(RuntimeError, match=message):
        other + t  # either operand of a two-operand operation counts
    assert sorvek._is_grad_enabled() is True
    sorvek._set_grad_enabled(False)
    try:
        assert sorvek._is_grad_enabled() is False
        assert t.relu().to_numpy().tolist() == [0, 0, 4]
        assert (other + t).to_numpy().tolist() == [-2, 1, 5]
    finally:
        sorvek._set_grad_enabled(True)


def test_contiguous_front_end():
    t = host(np.arange(6).reshape(2, 3))
    assert t.contiguous() is t
    assert t.T.contiguous().to_numpy().tolist() == [[0, 3], [1, 4], [2, 5]]
