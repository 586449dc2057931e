"""Views, reshaping and indexing, with NumPy as the oracle."""

import random

import numpy as np
import pytest

import sorvek
from conftest import DEVICES


def arange(shape, device, dtype=np.float32):
    a = np.arange(np.prod(shape), dtype=dtype).reshape(shape)
    return a, sorvek.from_numpy(a, device)


def element_strides(a):
    # NumPy normalises the stride of a dimension of length 0 or 1; only longer ones are comparable.
    return [s // a.itemsize if n > 1 else None for s, n in zip(a.strides, a.shape)]


def comparable_strides(t):
    return [s if n > 1 else None for s, n in zip(t.strides, t.shape)]


def random_index(rng, shape):
    items = []
    for dim in shape[: rng.randint(1, len(shape))]:
        if rng.random() < 0.3:
            items.append(rng.randint(-dim, dim - 1))
        else:
            start = rng.choice([None, rng.randint(-dim - 2, dim + 2)])
            stop = rng.choice([None, rng.randint(-dim - 2, dim + 2)])
            step = rng.choice([None, 1, 2, 3, -1, -2, -3])
            items.append(slice(start, stop, step))
    return items[0] if len(items) == 1 and rng.random() < 0.5 else tuple(items)


@pytest.mark.parametrize("seed", range(4))
def test_random_indexing_matches_numpy(device, seed):
    rng = random.Random(seed)
    for _ in range(60):
        shape = [rng.randint(1, 5) for _ in range(rng.randint(1, 4))]
        a, t = arange(shape, device)
        index = random_index(rng, shape)
        expected = a[index]
        v = t[index]
        assert v.shape == list(expected.shape), index
        assert comparable_strides(v) == element_strides(expected), index
        assert v.size == expected.size
        np.testing.assert_array_equal(v.to_numpy(), expected)
        if v.size == 0:
            continue  # an owning tensor cannot be empty, so neither can a contiguous copy
        np.testing.assert_array_equal(v.contiguous().to_numpy(), expected)
        if v.shape:  # a second level of indexing composes offsets
            second = random_index(rng, v.shape)
            np.testing.assert_array_equal(v[second].to_numpy(), expected[second])


def test_index_examples(device):
    a, t = arange([3, 4], device)
    assert t[1].shape == [4] and t[1].to_numpy().tolist() == [4, 5, 6, 7]
    np.testing.assert_array_equal(t[-1].to_numpy(), a[2])
    assert t[:, 1].strides == [4]
    assert (t[::2].shape, t[::2].strides) == ([2, 4], [8, 1])
    assert t[::-1].strides == [-4, 1] and t[::-1][0].to_numpy().tolist() == [8, 9, 10, 11]
    assert (t[5:].shape, t[5:].size) == ([0, 4], 0)
    assert t[5:].to_numpy().shape == (0, 4)
    assert (t[1, 2].shape, t[1, 2].size, t[1, 2].item()) == ([], 1, 6.0)
    assert t[True].to_numpy().tolist() == [4, 5, 6, 7]  # bool is an int


@pytest.mark.parametrize("index, error, message", [
    (3, IndexError, r"^Index 3 out of range on dimension 0 \(size 3\)$"),
    (-4, IndexError, r"^Index -4 out of range on dimension 0 \(size 3\)$"),
    ((0, 9), IndexError, r"^Index 9 out of range on dimension 1 \(size 4\)$"),
    (2**70, IndexError, r"^Index 1180591620717411303424 out of range on dimension 0 \(size 3\)$"),
    ((0, 0, 0), IndexError, "^Too many indices for tensor of dimension 2$"),
    (1.5, RuntimeError, "^Index must be int or slice, got <class 'float'>$"),
    ((0, None), RuntimeError, "^Index must be int or slice, got <class 'NoneType'>$"),
    (slice(None, None, 0), RuntimeError, "^Invalid slice on dimension 0$"),
    ((0, slice(None, None, 0)), RuntimeError, "^Invalid slice on dimension 1$"),
])
def test_bad_indices(device, index, error, message):
    _, t = arange([3, 4], device)
    with pytest.raises(error, match=message):
        t[index]


def test_huge_slice_step_selects_one_element_without_wrapping():
    a, t = arange([3, 4], "cpu")
    v = t[::2**40]
    assert v.shape == [1, 4]
    np.testing.assert_array_equal(v.to_numpy(), a[::2**40])


def test_transpose(device):
    a, t = arange([2, 3, 4], device)
    v = t.transpose(-1, 0)
    assert (v.shape, v.strides, v.is_contiguous()) == ([4, 3, 2], [1, 4, 12], False)
    np.testing.assert_array_equal(v.to_numpy(), a.transpose(2, 1, 0))
    assert t.transpose(1, 1).strides == t.strides
    for dims in [(0, 3), (-4, 0)]:
        with pytest.raises(IndexError, match="^transpose dim out of range$"):
            t.transpose(*dims)
    assert (t.T.shape, t.T.strides) == ([4, 3, 2], [1, 4, 12])
    m = t[0]
    assert (m.transpose2d().shape, m.transpose2d().strides) == ([4, 3], [1, 4])
    assert t[0, 0].T.strides == [1]
    assert t[0, 0, 0].T.shape == []


def test_view_and_reshape(device):
    a, t = arange([3, 3], device)
    assert t.view([-1]).shape == [9]
    assert t.view([-1, 3]).shape == [3, 3]
    assert t[1, 1].view([]).shape == [] and t[1, 1].view([]).item() == 4.0
    np.testing.assert_array_equal(t.view([9, 1]).to_numpy(), a.reshape(9, 1))
    with pytest.raises(ValueError, match=r"^Only one dimension can be inferred \(-1\) in view\(\)$"):
        t.view([-1, -1])
    with pytest.raises(ValueError, match=r"^view\(\) dimensions must be positive \(or -1 to infer\)$"):
        t.view([0, 9])
    with pytest.raises(ValueError, match="^view\\(\\): inferred dimension does not evenly divide total size$"):
        t.view([-1, 2])
    with pytest.raises(ValueError, match=r"^view\(\): new shape's total size \(8\) must match tensor's size \(9\)$"):
        t.view([4, 2])
    with pytest.raises(ValueError, match=r"^view\(\): new shape's total size \(10\)"):
        t.T.view([10])  # the size check comes before the contiguity check
    with pytest.raises(ValueError, match=r"^view\(\) requires a contiguous tensor. Use reshape\(\) instead.$"):
        t.T.view([3, 3])
    r = t.T.reshape([9])
    assert r.is_contiguous()
    np.testing.assert_array_equal(r.to_numpy(), a.T.reshape(9))
    r.copy_(sorvek.from_numpy(np.zeros(9, np.float32), device))
    np.testing.assert_array_equal(t.to_numpy(), a)  # the reshaped copy is not the source


def test_views_share_memory_with_their_source(device):
    a, t = arange([3, 4], device)
    t[1].copy_(sorvek.from_numpy(np.full(4, -1, np.float32), device))
    t[:, ::-3].copy_(sorvek.from_numpy(np.full((3, 2), 7, np.float32), device))
    expected = a.copy()
    expected[1] = -1
    expected[:, ::-3] = 7
    np.testing.assert_array_equal(t.to_numpy(), expected)
    d = t.detach()
    assert (d.shape, d.strides, d.requires_grad) == (t.shape, t.strides, False)
    d[0].copy_(sorvek.from_numpy(np.zeros(4, np.float32), device))
    assert t.to_numpy()[0].tolist() == [0, 0, 0, 0]


def test_len():
    assert len(sorvek.Tensor([3, 4], "cpu")) == 3
    assert len(sorvek.Tensor([2], "cpu")[0]) == 0
