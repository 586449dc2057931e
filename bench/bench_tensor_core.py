"""NumPy interchange and strided copies against NumPy, float32, in one run.

Run: PYTHONPATH=build/real/python .venv/bin/python bench/bench_tensor_core.py
"""

import numpy as np

import sorvek
from common import best_time, report


def main():
    rows = []
    for n in (1 << 14, 1 << 24):  # fits in cache / does not
        a = np.random.rand(n).astype(np.float32)
        t = sorvek.from_numpy(a)
        rows.append((f"from_numpy ({n} elements) vs np.copy", best_time(lambda: sorvek.from_numpy(a)),
                     best_time(lambda: np.copy(a))))
        rows.append((f"to_numpy ({n} elements) vs np.copy", best_time(t.to_numpy),
                     best_time(lambda: np.copy(a))))
    for side in (128, 2048):
        m = np.random.rand(side, side).astype(np.float32)
        tt = sorvek.from_numpy(m).T
        rows.append((f"contiguous of transposed ({side}, {side})", best_time(tt.contiguous),
                     best_time(lambda: np.ascontiguousarray(m.T))))
    report(rows)


if __name__ == "__main__":
    main()
