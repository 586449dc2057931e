"""Shared fixtures: the devices this build can run on, and the GPU emulator's fault injection."""

import ctypes
import pathlib

import numpy as np
import pytest

import sorvek

HAS_GPU = sorvek.is_available()
DEVICES = ["cpu", "cuda"] if HAS_GPU else ["cpu"]
DTYPES = [sorvek.DType.float32, sorvek.DType.float64, sorvek.DType.int32, sorvek.DType.int64]

requires_gpu = pytest.mark.skipif(not HAS_GPU, reason="no usable GPU in this build")

# The float32-only guard's text after the operation name, for a given dtype name.
GUARD = ("() does not yet support dtype '{}'. Only float32 is currently fully implemented for "
         "this operation; float64/int32/int64 support is being added incrementally.")


def host(values, dtype=np.float32, device="cpu"):
    """A tensor holding `values` as `dtype`, on the host unless a device is given."""
    return sorvek.from_numpy(np.asarray(values, dtype=dtype), device)

# The emulated build places the emulator library beside `_C`.
EMULATOR_LIBRARY = pathlib.Path(sorvek._C.__file__).with_name("libgpuemu.so")


class Emulator:
    """ctypes face of the GPU emulator's fault injection."""

    def __init__(self, path):
        self.lib = ctypes.CDLL(str(path))
        self.lib.gpuemu_fail_next_call.argtypes = [ctypes.c_char_p, ctypes.c_int]
        self.lib.gpuemu_live_allocations.restype = ctypes.c_long

    def fail_allocation(self, nth=1):
        self.lib.gpuemu_fail_allocation(nth)

    def fail_next_launch(self, error):
        self.lib.gpuemu_fail_next_launch(error)

    def fail_next_call(self, function, status):
        self.lib.gpuemu_fail_next_call(function.encode(), status)

    def live_allocations(self):
        return self.lib.gpuemu_live_allocations()


@pytest.fixture
def emulator():
    if not EMULATOR_LIBRARY.exists():
        pytest.skip("needs the emulated GPU build")
    emu = Emulator(EMULATOR_LIBRARY)
    yield emu
    emu.lib.gpuemu_clear_faults()


@pytest.fixture(params=DEVICES)
def device(request):
    return request.param
