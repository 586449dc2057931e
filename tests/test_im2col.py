"""Host 1-D im2col through its front-end."""

import numpy as np
import pytest

import sorvek


def reference(x, k, s, p, d, l_out):
    b, c, length = x.shape
    cols = np.zeros((b, c * k, l_out), x.dtype)
    for ci in range(c):
        for ki in range(k):
            for t in range(l_out):
                pos = t * s - p + ki * d
                if 0 <= pos < length:
                    cols[:, ci * k + ki, t] = x[:, ci, pos]
    return cols


@pytest.mark.parametrize("k, s, p, d, l_out", [
    (2, 1, 0, 1, 3), (2, 1, 1, 1, 5), (2, 2, 0, 2, 1), (3, 2, 2, 1, 4), (3, 1, 0, 2, 9), (1, 3, 0, 1, 2)])
@pytest.mark.parametrize("np_type", [np.float32, np.float64, np.int32, np.int64])
def test_matches_reference(k, s, p, d, l_out, np_type):
    x = np.arange(2 * 3 * 4, dtype=np_type).reshape(2, 3, 4) + 1
    out = sorvek.im2col_1d(sorvek.from_numpy(x), k, s, p, d, l_out)
    assert out.dtype == np.dtype(np_type).name
    np.testing.assert_array_equal(out.to_numpy(), reference(x, k, s, p, d, l_out))


def test_examples_and_strided_input():
    x = sorvek.from_numpy(np.array([[[1, 2, 3, 4]]], np.float32))
    assert sorvek.im2col_1d(x, 2, 1, 0, 1, 3).to_numpy().tolist() == [[[1, 2, 3], [2, 3, 4]]]
    assert sorvek.im2col_1d(x=x, kernel_size=2, stride=1, padding=1, dilation=1, out_length=5).to_numpy().tolist() == [[[0, 1, 2, 3, 4], [1, 2, 3, 4, 0]]]
    a = np.arange(24, dtype=np.float32).reshape(4, 3, 2)
    strided = sorvek.from_numpy(a).transpose(0, 2)  # (2, 3, 4), non-contiguous
    np.testing.assert_array_equal(sorvek.im2col_1d(strided, 2, 1, 0, 1, 3).to_numpy(),
                                  reference(a.transpose(2, 1, 0), 2, 1, 0, 1, 3))


def test_errors():
    x = sorvek.from_numpy(np.zeros((2, 4), np.float32))
    with pytest.raises(ValueError, match=r"^im2col_1d: expected input of shape \(batch, channels, length\), got rank 2$"):
        sorvek.im2col_1d(x, 2, 1, 0, 1, 3)
    x3 = sorvek.from_numpy(np.zeros((1, 1, 4), np.float32))
    for stride in (0, -1):
        with pytest.raises(ValueError, match=f"^im2col_1d: stride must be positive, got {stride}$"):
            sorvek.im2col_1d(x3, 2, stride, 0, 1, 3)
    with pytest.raises(ValueError, match="^Tensor dimensions must be positive$"):
        sorvek.im2col_1d(x3, 2, 1, 0, 1, 0)
    big = sorvek.from_numpy(np.zeros((1, 65536, 1), np.float32))
    with pytest.raises(ValueError, match="exceeds 2147483647 rows"):
        sorvek.im2col_1d(big, 65536, 1, 0, 1, 1)
    t = sorvek.from_numpy(np.zeros((1, 1, 4), np.int32))
    t.requires_grad = True
    with pytest.raises(RuntimeError, match="Autograd is not yet supported for dtype 'int32'"):
        sorvek.im2col_1d(t, 2, 1, 0, 1, 3)
