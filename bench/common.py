"""Timing helpers shared by the benchmarks: best-of-N wall time and a ratio table."""

import time


def best_time(fn, repeat=7, number=None):
    """Best time of one call in seconds; `number` calls per sample (chosen for ~20 ms if None)."""
    if number is None:
        number = 1
        while True:
            start = time.perf_counter()
            for _ in range(number):
                fn()
            if time.perf_counter() - start > 0.02 or number >= 1 << 20:
                break
            number *= 4
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        for _ in range(number):
            fn()
        best = min(best, (time.perf_counter() - start) / number)
    return best


def report(rows):
    """rows: (case, sorvek seconds, numpy seconds). Ratio > 1 means sorvek is slower."""
    print(f"{'case':48} {'sorvek':>12} {'numpy':>12} {'ratio':>7}")
    for case, ours, theirs in rows:
        print(f"{case:48} {ours * 1e6:10.1f}us {theirs * 1e6:10.1f}us {ours / theirs:7.2f}")
