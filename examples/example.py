"""A tour of sorvek: tensors of every dtype on the host, and on the GPU when one is usable."""

import sorvek
from sorvek import DType, Tensor


def describe(t):
    return f"Tensor(shape={t.shape}, strides={t.strides}, dtype={t.dtype}, device={t.device!r})"


def main():
    devices = ["cpu"] + (["cuda"] if sorvek.is_available() else [])
    print(f"sorvek: {sorvek.device_count()} GPU(s) usable; computing on {', '.join(devices)}")
    for device in devices:
        for dtype in (DType.float32, DType.float64, DType.int32, DType.int64):
            print(" ", describe(Tensor([2, 3], device, dtype)))
    if "cuda" in devices:
        for _ in range(3):
            Tensor([256, 256], "cuda")  # each released block is reused by the next tensor
        hits, misses = sorvek._allocator_stats()
        print(f"GPU block cache: {hits} hits, {misses} misses")


if __name__ == "__main__":
    main()
