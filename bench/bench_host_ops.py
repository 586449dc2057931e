"""Host operations against NumPy, float32, in one run: elementwise, unary and scalar operations
at 1M and 16M elements, matrix products, broadcast add, axis reductions and per-call overhead.

Run: PYTHONPATH=build/real/python .venv/bin/python bench/bench_host_ops.py
"""

import numpy as np

import sorvek
from common import best_time, report


def main():
    rng = np.random.default_rng(0)
    rows = []
    for n in (1 << 20, 1 << 24):
        a = rng.uniform(-1, 1, n).astype(np.float32)
        b = rng.uniform(-1, 1, n).astype(np.float32)
        ta, tb = sorvek.from_numpy(a), sorvek.from_numpy(b)
        p = np.abs(a) + np.float32(0.5)
        pa = sorvek.from_numpy(p)
        rows += [
            (f"a + b ({n})", best_time(lambda: ta + tb), best_time(lambda: a + b)),
            (f"a * b ({n})", best_time(lambda: ta * tb), best_time(lambda: a * b)),
            (f"relu ({n})", best_time(ta.relu), best_time(lambda: np.maximum(a, 0))),
            (f"exp ({n})", best_time(ta.exp), best_time(lambda: np.exp(a))),
            (f"tanh ({n})", best_time(ta.tanh), best_time(lambda: np.tanh(a))),
            (f"sigmoid ({n})", best_time(ta.sigmoid), best_time(lambda: 1 / (np.exp(-a) + 1))),
            (f"abs ({n})", best_time(ta.abs), best_time(lambda: np.abs(a))),
            (f"sqrt of |a| ({n})", best_time(pa.sqrt), best_time(lambda: np.sqrt(p))),
            (f"log of |a| ({n})", best_time(pa.log), best_time(lambda: np.log(p))),
            (f"a * 2.0 ({n})", best_time(lambda: ta * 2.0), best_time(lambda: a * np.float32(2.0))),
        ]
    for side in (256, 1024):
        a = rng.standard_normal((side, side), dtype=np.float32)
        b = rng.standard_normal((side, side), dtype=np.float32)
        ta, tb = sorvek.from_numpy(a), sorvek.from_numpy(b)
        rows.append((f"matmul ({side}, {side})", best_time(lambda: ta @ tb), best_time(lambda: a @ b)))
    a = rng.standard_normal((32, 128, 128), dtype=np.float32)
    b = rng.standard_normal((32, 128, 128), dtype=np.float32)
    ta, tb = sorvek.from_numpy(a), sorvek.from_numpy(b)
    rows.append(("matmul (32, 128, 128) batched", best_time(lambda: ta @ tb), best_time(lambda: a @ b)))

    m = rng.standard_normal((1024, 1024), dtype=np.float32)
    v = rng.standard_normal(1024, dtype=np.float32)
    tm, tv = sorvek.from_numpy(m), sorvek.from_numpy(v)
    rows += [
        ("broadcast (1024, 1024) + (1024,)", best_time(lambda: tm + tv), best_time(lambda: m + v)),
        ("sum over axis 0 of (1024, 1024)", best_time(lambda: tm.sum(0)), best_time(lambda: m.sum(axis=0))),
        ("sum over axis 1 of (1024, 1024)", best_time(lambda: tm.sum(1)), best_time(lambda: m.sum(axis=1))),
        ("max over axis 0 of (1024, 1024)", best_time(lambda: tm.max(0)), best_time(lambda: m.max(axis=0))),
        ("max over axis 1 of (1024, 1024)", best_time(lambda: tm.max(1)), best_time(lambda: m.max(axis=1))),
        ("sum of all (1024, 1024), sequential", best_time(tm.sum), best_time(m.sum)),
    ]
    s, t = np.ones(4, np.float32), sorvek.from_numpy(np.ones(4, np.float32))
    rows.append(("per-call overhead: a + b, 4 elements", best_time(lambda: t + t), best_time(lambda: s + s)))
    report(rows)


if __name__ == "__main__":
    main()
