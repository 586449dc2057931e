"""A tour of sorvek: tensors of every dtype, views and NumPy interchange, on the host and on the
GPU when one is usable."""

import numpy as np

import sorvek
from sorvek import DType, Tensor


def conv1d_through_im2col():
    """A 1-D convolution as unfolded columns times a weight matrix."""
    x = sorvek.from_numpy(np.array([[[1, 2, 3, 4, 5, 6]]], np.float32))  # (batch, channels, length)
    w = sorvek.from_numpy(np.array([[1, 0, -1]], np.float32))  # (out channels, channels * K)
    cols = sorvek.im2col_1d(x, kernel_size=3, stride=1, padding=1, dilation=1, out_length=6)
    y = w @ cols[0]
    print("conv1d [1..6] * [1, 0, -1], padding 1:", y.to_numpy().tolist())


def mlp_forward():
    """Two layers with a relu in between, scored by the fused cross-entropy."""
    rows, features, hidden, classes = 4, 3, 5, 2
    x = sorvek.Tensor([rows, features], "cpu")
    w1, w2 = sorvek.Tensor([features, hidden], "cpu"), sorvek.Tensor([hidden, classes], "cpu")
    for i, t in enumerate((x, w1, w2)):
        sorvek.fill_cpu_random(t, i)  # seed i
    b1 = sorvek.from_numpy(np.full(hidden, -0.5, np.float32))
    logits = ((x @ w1 + b1).relu() @ w2) * 4.0 - 2.0
    targets = sorvek.from_numpy(np.eye(classes, dtype=np.float32)[[0, 1, 1, 0]])
    loss = sorvek._cross_entropy_fused(logits, targets)
    print("MLP logits:", logits)
    print("row maxima:", logits.max(1))
    print(f"mean cross-entropy: {loss.item():.6f}")


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
    print("\n-- a small computation on the host")
    conv1d_through_im2col()
    mlp_forward()
    if "cuda" in devices:
        for _ in range(3):
            Tensor([256, 256], "cuda")  # each released block is reused by the next tensor
        hits, misses = sorvek._allocator_stats()
        print(f"\nGPU block cache: {hits} hits, {misses} misses")


if __name__ == "__main__":
    main()
