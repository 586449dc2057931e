"""Element access, copy_, contiguous and device transfer."""

import numpy as np
import pytest

import sorvek
from conftest import DEVICES, GUARD, host, requires_gpu
from sorvek import DType, Tensor

NUMPY_TYPES = [np.float32, np.float64, np.int32, np.int64]


def tensor(values, device, dtype=np.float32):
    return host(values, dtype, device)


def test_item(device):
    assert tensor([[[2.5]]], device).item() == 2.5
    assert tensor(3.25, device).item() == 3.25
    with pytest.raises(RuntimeError, match="^item\\(\\) only works on tensors with exactly one element, got size=2$"):
        tensor([1, 2], device).item()
    with pytest.raises(RuntimeError) as err:
        tensor([1], device, np.int64).item()
    assert str(err.value) == "item" + GUARD.format("int64")


def test_copy_checks(device):
    with pytest.raises(ValueError, match=r"^copy_\(\): shape mismatch$"):
        Tensor([3, 2], device).copy_(Tensor([2, 3], device))
    with pytest.raises(ValueError, match=r"^copy_\(\): dtype mismatch \(float32 vs int32\)$"):
        Tensor([2], device).copy_(Tensor([2], device, DType.int32))
    with pytest.raises(TypeError):
        Tensor([2], device).copy_(None)


@pytest.mark.parametrize("np_type", NUMPY_TYPES)
def test_contiguous_copy_on_one_device(device, np_type):
    a = np.arange(6, dtype=np_type).reshape(2, 3)
    dst = tensor(np.zeros((2, 3)), device, np_type)
    assert dst.copy_(tensor(a, device, np_type)) is None
    np.testing.assert_array_equal(dst.to_numpy(), a)


@requires_gpu
@pytest.mark.parametrize("src_device, dst_device", [("cpu", "cuda"), ("cuda", "cpu")])
def test_copy_across_devices(src_device, dst_device):
    a = np.arange(12, dtype=np.float32).reshape(3, 4)
    dst = tensor(np.zeros((4, 3)), dst_device)
    dst.copy_(tensor(a, src_device).T)
    np.testing.assert_array_equal(dst.to_numpy(), a.T)
    strided_dst = tensor(np.zeros((4, 6)), dst_device)
    strided_dst[:, ::-2].copy_(tensor(a, src_device).T)
    expected = np.zeros((4, 6), np.float32)
    expected[:, ::-2] = a.T
    np.testing.assert_array_equal(strided_dst.to_numpy(), expected)
    with pytest.raises(RuntimeError, match="^copy_\\(\\) between non-contiguous tensors is not yet supported for dtype 'int64'. Call .contiguous\\(\\) on both tensors first.$"):
        tensor([[1, 2]], dst_device, np.int64).copy_(tensor([[1, 2]], src_device, np.int64))


@pytest.mark.parametrize("np_type", NUMPY_TYPES)
def test_contiguous(device, np_type):
    a = np.arange(24, dtype=np_type).reshape(2, 3, 4)
    t = tensor(a, device, np_type)
    assert t.contiguous() is t
    for view, expected in [(t.T, a.T), (t[:, ::-1, 1::2], a[:, ::-1, 1::2]), (t.transpose(0, 1), a.transpose(1, 0, 2))]:
        c = view.contiguous()
        assert c.is_contiguous() and c.device == device and c.dtype == t.dtype
        assert c.strides == [s // a.itemsize for s in np.ascontiguousarray(expected).strides]
        np.testing.assert_array_equal(c.to_numpy(), expected)


@requires_gpu
def test_gpu_gather_beyond_eight_dimensions_is_refused():
    t = tensor(np.zeros([2] * 9), "cuda")
    with pytest.raises(RuntimeError, match=r"^strided_gather: tensor rank exceeds MAX_DIMS \(8\)$"):
        t.T.contiguous()


@requires_gpu
@pytest.mark.parametrize("n", [1, 255, 256, 257, 1000])
def test_gpu_gather_block_edges(n):
    a = np.arange(2 * n, dtype=np.float32)
    np.testing.assert_array_equal(tensor(a, "cuda")[::-2].contiguous().to_numpy(), a[::-2])


@pytest.mark.parametrize("np_type", NUMPY_TYPES)
def test_to_device_round_trip(device, np_type):
    a = np.arange(12, dtype=np_type).reshape(3, 4)
    t = tensor(a, device, np_type)
    assert t.to(device) is t and t.to_device(target_device=device) is t
    for target in ["cpu", "cuda"] if "cuda" in DEVICES else ["cpu", "host"]:
        moved = t.to(target)
        assert moved.device == target
        np.testing.assert_array_equal(moved.to_device(device).to_numpy(), a)


def test_to_device_of_a_strided_tensor(device):
    a = np.arange(12, dtype=np.float32).reshape(3, 4)
    for target in [d for d in DEVICES + ["elsewhere"] if d != device]:
        moved = tensor(a, device)[::-1, 1:].to(target)
        assert moved.is_contiguous()
        np.testing.assert_array_equal(moved.to_numpy(), a[::-1, 1:])
    with pytest.raises(RuntimeError) as err:
        tensor(a, device, np.int32).T.to("elsewhere")
    assert str(err.value) == "to_device (on a non-contiguous tensor)" + GUARD.format("int32")


@requires_gpu
def test_view_keeps_its_base_memory_alive(emulator):
    live = emulator.live_allocations()
    t = tensor(np.arange(6).reshape(2, 3), "cuda", np.float64)
    v = t[1]
    del t
    assert emulator.live_allocations() == live + 1
    assert v.to_numpy().tolist() == [3, 4, 5]
    del v
    assert emulator.live_allocations() == live


@requires_gpu
def test_block_cache_hands_out_the_last_released_block_first():
    sorvek.empty_cache()
    a = tensor(np.full(10, 1.0), "cuda")
    b = tensor(np.full(10, 2.0), "cuda")
    del a
    del b
    # New memory is not initialised, so it still shows which block each tensor got.
    x = Tensor([10], "cuda")
    y = Tensor([2, 5], "cuda")
    assert x.to_numpy()[0] == 2.0
    assert y.to_numpy()[0, 0] == 1.0
