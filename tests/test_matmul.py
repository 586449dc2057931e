"""Host matrix products: BLAS for floats, own loop for integers, broadcast batches."""

import numpy as np
import pytest

import sorvek
from conftest import host


@pytest.mark.parametrize("np_type", [np.float32, np.float64, np.int32, np.int64])
@pytest.mark.parametrize("shape_a, shape_b", [
    ((2, 3), (3, 4)), ((5, 2, 3), (3, 4)), ((2, 1, 3, 4), (5, 4, 6)), ((1, 3, 4), (7, 4, 2)),
    ((3, 4), (2, 4, 5)), ((1, 1), (1, 1)), ((33, 65), (65, 17))])
def test_products_match_numpy(np_type, shape_a, shape_b):
    rng = np.random.default_rng(7)
    a = rng.integers(-9, 9, size=shape_a).astype(np_type)
    b = rng.integers(-9, 9, size=shape_b).astype(np_type)
    out = host(a, np_type) @ host(b, np_type)
    expected = np.matmul(a, b)
    assert out.shape == list(expected.shape) and out.dtype == np.dtype(np_type).name
    # Small integers are exact in any summation order, so floats compare exactly too.
    np.testing.assert_array_equal(out.to_numpy(), expected)
    np.testing.assert_array_equal(sorvek.cpu_matmul(host(a, np_type), host(b, np_type)).to_numpy(), expected)


@pytest.mark.parametrize("shape_a, shape_b, message", [
    ((2, 3), (4, 5), "^Shape mismatch: inner dimensions must match$"),
    ((2, 2, 3), (3, 3, 4), "^Batch dimensions are not broadcastable for matmul$"),
    ((3,), (3, 2), "^matmul requires tensors with at least 2 dimensions$"),
    ((2, 3), (3,), "^matmul requires tensors with at least 2 dimensions$"),
])
def test_shape_errors(shape_a, shape_b, message):
    with pytest.raises(ValueError, match=message):
        sorvek.Tensor(list(shape_a), "cpu") @ sorvek.Tensor(list(shape_b), "cpu")


def test_transposed_operand_needs_contiguous():
    a = host(np.arange(6).reshape(2, 3))
    with pytest.raises(ValueError, match=r"^matmul requires contiguous tensors. Call .contiguous\(\) first.$"):
        a.T @ a
    np.testing.assert_array_equal((a.T.contiguous() @ a).to_numpy(), np.arange(6).reshape(2, 3).T @ np.arange(6).reshape(2, 3))


def test_integer_products_wrap():
    assert (host([[65536]], np.int32) @ host([[65536]], np.int32)).to_numpy().tolist() == [[0]]
    assert (host([[2**31 - 1, 1]], np.int32) @ host([[1], [1]], np.int32)).to_numpy().tolist() == [[-2**31]]
    assert (host([[2**40]], np.int64) @ host([[2**30]], np.int64)).to_numpy().tolist() == [[0]]


def test_mixed_dtypes_are_refused():
    with pytest.raises(RuntimeError, match=r"^matmul\(\): operands have different dtypes \('float64' and 'float32'\)$"):
        host(np.ones((2, 2)), np.float64) @ host(np.ones((2, 2)))
    with pytest.raises(RuntimeError, match="does not yet support dtype 'int32'"):
        host(np.ones((2, 2))) @ host(np.ones((2, 2)), np.int32)
