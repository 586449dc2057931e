"""The GPU emulator's own checks, run from its selftest program (emulated build only)."""

import pathlib
import re
import subprocess

import pytest

import sorvek

# build/<variant>/python/sorvek/_C.so -> build/<variant>/gpuemu/gpuemu_selftest
SELFTEST = pathlib.Path(sorvek._C.__file__).parents[2] / "gpuemu" / "gpuemu_selftest"

pytestmark = pytest.mark.skipif(not SELFTEST.exists(), reason="needs the emulated GPU build")


def run(case):
    return subprocess.run([str(SELFTEST), case], capture_output=True, text=True, timeout=120)


@pytest.mark.parametrize("case", [
    "elementwise_grid_stride",
    "shared_memory_reduction",
    "atomics",
    "three_dimensional_indices",
    "invalid_configurations",
    "allocation_failure",
    "cublas_gemm",
    "curand_sequences",
    "cudnn_convolution",
])
def test_emulated_platform_behaves_like_the_device(case):
    result = run(case)
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip().endswith("ok")


@pytest.mark.parametrize("case, message", [
    ("misaligned_vector_access", "16-byte vector kernel argument: misaligned 16-byte vector access"),
    ("freed_memory_argument", "kernel argument: .* is not inside a live device allocation"),
    ("host_memory_argument", "kernel argument: .* is not inside a live device allocation"),
    ("copy_kind_mismatch", "cudaMemcpy device-to-host destination: host range .* lies in device memory"),
    ("copy_past_allocation", "cudaMemcpy device-to-host source: .* is not inside a live device allocation"),
])
def test_device_faults_are_trapped(case, message):
    result = run(case)
    assert result.returncode != 0
    assert result.stdout == ""
    assert re.search("gpuemu: " + message, result.stderr), result.stderr
