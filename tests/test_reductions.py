"""Host sums and maxima over all elements or one axis."""

import numpy as np
import pytest

import sorvek
from conftest import host


def test_sum_of_all_elements_is_sequential_float32():
    values = np.array([16777216.0] + [1.0] * 8, np.float32)
    assert host(values).sum().to_numpy().tolist() == [16777216.0]
    assert host(values).sum().shape == [1]
    x = np.random.default_rng(4).uniform(-1, 1, size=10001).astype(np.float32)
    sequential = np.float32(0)
    for v in x:
        sequential = np.float32(sequential + v)
    assert host(x).sum().item() == sequential


@pytest.mark.parametrize("np_type", [np.float32, np.float64, np.int32, np.int64])
@pytest.mark.parametrize("shape", [(5,), (2, 3), (3, 1, 4), (7, 300), (300, 7), (2, 513, 3)])
def test_sum_over_each_axis(np_type, shape):
    x = (np.random.default_rng(5).uniform(-50, 50, size=shape)).astype(np_type)
    t = host(x, np_type)
    for dim in range(-len(shape), len(shape)):
        for keepdim in (False, True):
            out = t.sum(dim, keepdim=keepdim)
            expected = x.astype(np.int64 if np_type in (np.int32, np.int64) else np_type)
            if np_type in (np.float32, np.float64):  # increasing k, one element at a time
                acc = np.zeros(np.delete(shape, dim % len(shape)), np_type)
                for k in range(shape[dim]):
                    acc = (acc + np.take(x, k, axis=dim)).astype(np_type)
                expected_values = np.expand_dims(acc, dim) if keepdim else acc
            else:
                expected_values = expected.sum(axis=dim, keepdims=keepdim)
            if expected_values.ndim == 0:
                expected_values = expected_values.reshape(1)
            assert out.shape == list(expected_values.shape)
            np.testing.assert_array_equal(out.to_numpy(), expected_values)


def test_sum_examples_and_types():
    t = host([[1, 2, 3], [4, 5, 6]])
    assert t.sum(1).to_numpy().tolist() == [6, 15]
    assert t.sum(dim=1, keepdim=True).shape == [2, 1]
    assert t.sum(-2).to_numpy().tolist() == [5, 7, 9]
    assert host([1, 2]).sum(0, True).shape == [1]
    big = host([2147483647, 1], np.int32).sum()
    assert big.dtype == "int64" and big.to_numpy().tolist() == [2147483648]
    assert host([1.5], np.float64).sum(0).dtype == "float64"
    with pytest.raises(Exception):
        t.sum(1.5)


@pytest.mark.parametrize("dim", [2, -3])
def test_axis_out_of_range(dim):
    t = host(np.zeros((2, 3)))
    with pytest.raises(IndexError, match=r"^sum\(\) dim out of range$"):
        t.sum(dim)
    with pytest.raises(IndexError, match=r"^max\(\) dim out of range$"):
        t.max(dim)


def test_contiguity_of_typed_reductions():
    f = host(np.arange(6).reshape(2, 3))
    assert f.T.sum(0).to_numpy().tolist() == [3, 12]  # float32 copies first
    i = host(np.arange(6).reshape(2, 3), np.int32)
    message = r"^sum\(\) requires a contiguous tensor. Call .contiguous\(\) first.$"
    with pytest.raises(ValueError, match=message):
        i.T.sum(0)
    with pytest.raises(ValueError, match=message):
        i.T.sum()
    assert i.T.max(0).to_numpy().tolist() == [2, 5]  # max copies on both paths


def test_max_ties_and_nan():
    nan = float("nan")
    assert host([3, 7, 7, 1]).max(0).to_numpy().tolist() == [7]
    assert np.isnan(host([nan, 5]).max(0).item())
    assert host([5, nan]).max(0).item() == 5
    x = np.random.default_rng(6).integers(-5, 5, size=(4, 300, 3)).astype(np.int64)
    for dim in range(3):
        np.testing.assert_array_equal(host(x, np.int64).max(dim).to_numpy(), x.max(axis=dim))
        np.testing.assert_array_equal(host(x, np.float32).max(dim, keepdim=True).to_numpy(),
                                      x.max(axis=dim, keepdims=True).astype(np.float32))


def test_max_of_an_empty_axis_is_refused():
    empty = host(np.zeros((3, 4)))[:, 4:]  # shape (3, 0), contiguous after the copy step
    with pytest.raises((ValueError, RuntimeError)):
        empty.max(1)
    rows = host(np.zeros((3, 4)))[3:]  # shape (0, 4), a contiguous view
    with pytest.raises(ValueError, match=r"^max\(\): cannot reduce an empty dimension$"):
        rows.max(0)
