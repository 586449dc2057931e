"""NumPy interchange and the text form."""

import numpy as np
import pytest

import sorvek
from sorvek import DType, Tensor


@pytest.mark.parametrize("np_type, name", [
    (np.float32, "float32"), (np.float64, "float64"), (np.int32, "int32"), (np.int64, "int64")])
def test_round_trip_keeps_dtype(device, np_type, name):
    a = (np.arange(24) - 7).astype(np_type).reshape(2, 3, 4)
    t = sorvek.from_numpy(a, device)
    assert (t.dtype, t.device, t.shape, t.requires_grad) == (name, device, [2, 3, 4], False)
    out = t.to_numpy()
    assert out.dtype == np_type and out.flags.c_contiguous
    np.testing.assert_array_equal(out, a)
    a[0, 0, 0] = 99  # both directions copy
    assert t.to_numpy()[0, 0, 0] == -7
    out[0, 0, 0] = 55
    assert t.to_numpy()[0, 0, 0] == -7


def test_from_numpy_layouts(device):
    a = np.arange(6, dtype=np.float32).reshape(2, 3)
    for array in [np.asfortranarray(a), a.T, a[:, ::-2], a[::-1]]:
        t = sorvek.from_numpy(array, device)
        assert t.is_contiguous() and t.shape == list(array.shape)
        np.testing.assert_array_equal(t.to_numpy(), array)
    zero_d = sorvek.from_numpy(np.array(2.5, np.float32), device)
    assert zero_d.shape == [1] and zero_d.item() == 2.5
    assert sorvek.from_numpy(a, device=device, requires_grad=True).requires_grad


@pytest.mark.parametrize("array, kind, itemsize", [
    (np.zeros(3, np.uint8), "u", 1), (np.zeros(3, bool), "b", 1), (np.zeros(3, np.float16), "f", 2),
    (np.zeros(3, np.complex64), "c", 8), (np.zeros(3, np.int16), "i", 2), (np.zeros(0, np.uint8), "u", 1)])
def test_unsupported_dtypes_allocate_nothing(device, array, kind, itemsize):
    before = sorvek._allocator_stats()
    with pytest.raises(RuntimeError) as err:
        sorvek.from_numpy(array, device)
    assert str(err.value) == (f"from_numpy(): unsupported numpy dtype (kind='{kind}', "
                              f"itemsize={itemsize}). Supported: float32, float64, int32, int64.")
    assert sorvek._allocator_stats() == before


def test_from_numpy_rejects_empty_arrays_and_non_arrays():
    with pytest.raises(ValueError, match="^Tensor dimensions must be positive$"):
        sorvek.from_numpy(np.zeros((2, 0), np.float32))
    with pytest.raises(TypeError):
        sorvek.from_numpy([1.0, 2.0])


def test_to_numpy_of_a_zero_dimensional_view(device):
    t = sorvek.from_numpy(np.arange(4, dtype=np.int64).reshape(2, 2), device)
    out = t[1, 0].to_numpy()
    assert out.shape == () and out == 2


def test_to_numpy_of_negative_strides_reads_only_the_allocation(device, request):
    # On the emulated GPU a read outside the allocation would abort the process.
    a = np.arange(40, dtype=np.float64).reshape(5, 8)
    t = sorvek.from_numpy(a, device)
    for view, expected in [(t[::-1, ::-1], a[::-1, ::-1]), (t[3:0:-2, 5::-3], a[3:0:-2, 5::-3]),
                           (t[::-1].T[2], a[::-1].T[2])]:
        np.testing.assert_array_equal(view.to_numpy(), expected)


def test_text_form(device):
    t = sorvek.from_numpy(np.full((2, 2), 0.5, np.float32), device)
    assert repr(t) == str(t) == (
        "sorvek.Tensor([0.500000, 0.500000, 0.500000, 0.500000], "
        f"device='{device}', shape=(2, 2))")
    seven = sorvek.from_numpy(np.arange(1, 8, dtype=np.float32), device)
    assert str(seven) == (
        "sorvek.Tensor([1.000000, 2.000000, 3.000000, 4.000000, 5.000000, 6.000000, ...], "
        f"device='{device}', shape=(7,))")
    assert str(seven[3:3]) == f"sorvek.Tensor([], device='{device}', shape=(0,))"
    assert str(seven[::-1][:2]) == (
        f"sorvek.Tensor([7.000000, 6.000000], device='{device}', shape=(2,))")
    assert str(Tensor([3], device, DType.int64)) == (
        f"sorvek.Tensor(dtype='int64', device='{device}', shape=(3,)) "
        "[preview unavailable for this dtype yet]")
    special = sorvek.from_numpy(np.array([np.inf, -np.inf, np.nan, -0.0], np.float32), device)
    assert str(special).startswith("sorvek.Tensor([inf, -inf, ")
