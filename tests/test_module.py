"""Module import, its guard on the interpreter version, and the device queries."""

import glob
import os
import subprocess
import sys

import pytest

import sorvek


def test_attributes_and_queries():
    assert sorvek.HAS_CUDA is True
    assert sorvek.HAS_CUDNN is True
    count = sorvek.device_count()
    assert isinstance(count, int) and count >= 0
    assert sorvek.is_available() is (count > 0)
    assert sorvek._synchronize() is None
    assert sorvek.empty_cache() is None
    hits, misses = sorvek._allocator_stats()
    assert isinstance(hits, int) and isinstance(misses, int)


def test_package_reexports_the_native_module():
    assert sorvek.Tensor is sorvek._C.Tensor
    assert sorvek.DType.int64.value == 3
    assert [m.value for m in sorvek.DType.__members__.values()] == [0, 1, 2, 3]
    assert not hasattr(sorvek._C, "float32")  # enum members stay inside DType


def other_interpreters():
    root = os.environ.get("PYENV_ROOT", os.path.expanduser("~/.pyenv"))
    return sorted(glob.glob(os.path.join(root, "versions", "3.12*", "bin", "python3.12")))


LOAD_IN_OTHER_INTERPRETER = """
import importlib.machinery as m, importlib.util as u, os, sys
if sys.argv[2] == "lazy":
    sys.setdlopenflags(os.RTLD_LAZY)
loader = m.ExtensionFileLoader("_C", sys.argv[1])
try:
    u.module_from_spec(u.spec_from_file_location("_C", sys.argv[1], loader=loader))
except ImportError as e:
    print(e)
"""


@pytest.mark.skipif(not other_interpreters(), reason="no Python 3.12 interpreter to load into")
def test_other_interpreter_version_is_refused():
    python = other_interpreters()[0]
    version = subprocess.run([python, "-c", "import sys; print(sys.version)"],
                             capture_output=True, text=True).stdout.strip()

    def load(binding):
        return subprocess.run([python, "-c", LOAD_IN_OTHER_INTERPRETER, sorvek._C.__file__, binding],
                              capture_output=True, text=True, check=True).stdout.strip()

    # The module uses C API functions that 3.12 lacks, so an eagerly binding loader refuses it
    # before the entry point runs; a lazy one reaches the entry point's version guard.
    assert load("now") != ""
    assert load("lazy") == (
        "Python version mismatch: module was compiled for Python 3.13, but the interpreter "
        f"version is incompatible: {version}."
    )
