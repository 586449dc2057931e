"""Runs the native (GoogleTest) tests of internal entries that Python cannot reach, one by one."""

import pathlib
import subprocess

import pytest

import sorvek

# build/<variant>/python/sorvek/_C.so -> build/<variant>/sorvek_native_tests
BINARY = pathlib.Path(sorvek._C.__file__).parents[2] / "sorvek_native_tests"


def native_tests():
    if not BINARY.exists():
        return []
    listing = subprocess.run([str(BINARY), "--gtest_list_tests"], capture_output=True, text=True,
                             check=True).stdout
    tests, suite = [], None
    for line in listing.splitlines():
        if not line.startswith(" "):
            suite = line.strip()
        else:
            tests.append(suite + line.strip())
    return tests


@pytest.mark.skipif(not BINARY.exists(), reason="native tests not built")
@pytest.mark.parametrize("name", native_tests())
def test_native(name):
    result = subprocess.run([str(BINARY), f"--gtest_filter={name}"], capture_output=True, text=True,
                            timeout=120)
    assert result.returncode == 0, result.stdout + result.stderr
