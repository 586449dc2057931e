"""A tour of sorvek: tensors of every dtype, views and NumPy interchange, on the host and on the
GPU when one is usable."""

import numpy as np

import sorvek
from sorvek import DType, Tensor


def main():
    devices = ["cpu"] + (["cuda"] if sorvek.is_available() else [])
    print(f"sorvek: {sorvek.device_count()} GPU(s) usable; computing on {', '.join(devices)}")
    for device in devices:
        print(f"\n-- tensors on {device!r}")
        for np_type in (np.float32, np.float64, np.int32, np.int64):
            t = sorvek.from_numpy(np.arange(6, dtype=np_type).reshape(2, 3), device)
            print(t, "->", t.to_numpy().tolist())
        m = sorvek.from_numpy(np.arange(12, dtype=np.float32).reshape(3, 4), device)
        print("m      ", m)
        print("m.T    ", m.T, "strides", m.T.strides)
        print("m[::-1, 1]", m[::-1, 1], "->", m[::-1, 1].to_numpy().tolist())
        print("m.T.reshape([12])", m.T.reshape([12]).to_numpy().tolist())
    if "cuda" in devices:
        for _ in range(3):
            Tensor([256, 256], "cuda")  # each released block is reused by the next tensor
        hits, misses = sorvek._allocator_stats()
        print(f"\nGPU block cache: {hits} hits, {misses} misses")


if __name__ == "__main__":
    main()
