"""Tensor construction, properties and the rules for shapes, dtypes and devices."""

import pytest

import sorvek
from conftest import DTYPES, requires_gpu
from sorvek import DType, Tensor

NAMES = {DType.float32: "float32", DType.float64: "float64", DType.int32: "int32", DType.int64: "int64"}


@pytest.mark.parametrize("dtype", DTYPES)
@pytest.mark.parametrize("shape", [[2, 3], [5], [], [1, 4, 1, 2]])
def test_owning_tensor_properties(device, dtype, shape):
    t = Tensor(shape, device, dtype)
    expected_size = 1
    for dim in shape:
        expected_size *= dim
    assert t.dtype == NAMES[dtype]
    assert t.device == device
    assert t.size == expected_size
    assert t.shape == shape
    row_major = [0] * len(shape)
    step = 1
    for i in reversed(range(len(shape))):
        row_major[i] = step
        step *= shape[i]
    assert t.strides == row_major
    assert t.requires_grad is False
    assert t.grad is None


def test_default_dtype_is_float32():
    assert Tensor([2, 3], "cpu").dtype == "float32"
    assert Tensor((4,), "cpu").shape == [4]  # any sequence of ints is a shape


@pytest.mark.parametrize("shape", [[0], [2, 0], [3, -1], [-5]])
def test_non_positive_dimension_is_rejected(device, shape):
    with pytest.raises(ValueError, match="^Tensor dimensions must be positive$"):
        Tensor(shape, device)


@pytest.mark.parametrize("shape", [[65536, 65536], [2, 1073741824], [46341, 46341]])
def test_element_count_beyond_32_bits_is_rejected_before_allocating(device, shape):
    with pytest.raises(ValueError, match="more than 2147483647 elements"):
        Tensor(shape, device, DType.int64)


def test_dimension_beyond_32_bits_is_a_type_error():
    with pytest.raises(TypeError):
        Tensor([2**31], "cpu")


def test_unknown_dtype_code():
    with pytest.raises(RuntimeError, match="^Unknown dtype$"):
        Tensor([2], "cpu", DType(7))


def test_shape_and_strides_are_fresh_lists():
    t = Tensor([2, 3], "cpu")
    t.shape.append(9)
    t.strides.append(9)
    assert t.shape == [2, 3]
    assert t.strides == [3, 1]


def test_requires_grad_and_grad_are_writable(device):
    t = Tensor([3], device, DType.int32)
    t.requires_grad = True
    assert t.requires_grad is True
    g = Tensor([3], device)
    t.grad = g
    assert t.grad is g  # the same Python object comes back
    t.grad = None
    assert t.grad is None


def test_grad_setter_rejects_non_tensors():
    with pytest.raises(TypeError):
        Tensor([1], "cpu").grad = 3.0


@requires_gpu
@pytest.mark.parametrize("name", ["cpu", "CPU", "gpu", "", "cuda:0", "Cuda"])
def test_only_the_exact_string_cuda_means_the_gpu(emulator, name):
    before_stats = sorvek._allocator_stats()
    before_live = emulator.live_allocations()
    t = Tensor([8], name)
    u = Tensor([8], name, DType.int64)
    assert sorvek._allocator_stats() == before_stats
    assert emulator.live_allocations() == before_live
    assert t.device == name and u.device == name
