"""The GPU block cache: float32 device blocks reused by element count, last in first out."""

import subprocess
import sys

import pytest

import sorvek
from conftest import requires_gpu
from sorvek import DType, Tensor

pytestmark = requires_gpu


def stats_delta(before):
    hits, misses = sorvek._allocator_stats()
    return hits - before[0], misses - before[1]


def test_release_then_same_count_of_any_shape_is_a_hit():
    sorvek.empty_cache()
    before = sorvek._allocator_stats()
    t = Tensor([10], "cuda")
    del t
    u = Tensor([2, 5], "cuda")
    assert stats_delta(before) == (1, 1)
    v = Tensor([3, 3], "cuda")  # another count: a miss
    assert stats_delta(before) == (1, 2)
    del u, v


def test_reuse_needs_a_released_block():
    sorvek.empty_cache()
    before = sorvek._allocator_stats()
    a = Tensor([7], "cuda")
    b = Tensor([7], "cuda")  # a is still alive
    assert stats_delta(before) == (0, 2)
    del a, b


@pytest.mark.parametrize("dtype", [DType.float64, DType.int32, DType.int64])
def test_other_dtypes_bypass_the_cache_and_free_their_memory(emulator, dtype):
    before = sorvek._allocator_stats()
    live = emulator.live_allocations()
    t = Tensor([10], "cuda", dtype)
    assert emulator.live_allocations() == live + 1
    del t
    assert emulator.live_allocations() == live
    assert sorvek._allocator_stats() == before


def test_empty_cache_frees_blocks_and_keeps_counters(emulator):
    t = Tensor([11], "cuda")
    del t
    cached = emulator.live_allocations()
    counters = sorvek._allocator_stats()
    sorvek.empty_cache()
    assert emulator.live_allocations() < cached
    assert sorvek._allocator_stats() == counters
    u = Tensor([11], "cuda")
    assert stats_delta(counters) == (0, 1)
    del u


def test_live_blocks_survive_empty_cache(emulator):
    sorvek.empty_cache()
    t = Tensor([12], "cuda")
    live = emulator.live_allocations()
    sorvek.empty_cache()
    assert emulator.live_allocations() == live
    del t  # returns to the now empty cache
    assert emulator.live_allocations() == live


@pytest.mark.parametrize("dtype", [DType.float32, DType.float64])
def test_failed_allocation_raises_and_leaves_nothing(emulator, dtype):
    sorvek.empty_cache()
    live = emulator.live_allocations()
    emulator.fail_allocation(1)
    with pytest.raises(RuntimeError, match="^Sorvek out of memory!$"):
        Tensor([13], "cuda", dtype)
    assert emulator.live_allocations() == live
    Tensor([13], "cuda", dtype)  # the fault was used up


def test_counters_start_at_zero_in_a_fresh_process():
    code = "import sorvek; print(sorvek._allocator_stats())"
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert out.stdout.strip() == "(0, 0)"
