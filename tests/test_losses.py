"""Fused Huber and cross-entropy losses on the host."""

import math

import numpy as np
import pytest

import sorvek
from conftest import host


def test_huber_examples():
    pred, target = host([0, 0, 0]), host([0.5, 2, -3])
    assert pred.huber_loss(target).item() == 1.375  # (0.125 + 1.5 + 2.5) / 3
    assert sorvek._huber_loss_fused(pred, target, delta=1.0).item() == 1.375
    assert host([1.0]).huber_loss(host([0.0]), delta=1.0).item() == 0.5  # |d| == delta: quadratic
    assert host([3.0]).huber_loss(target=host([0.0]), delta=2.0).item() == 4.0  # (3 - 1) * 2
    assert math.isnan(host([float("nan")]).huber_loss(host([0.0])).item())


def test_huber_matches_numpy_on_strided_operands():
    rng = np.random.default_rng(8)
    p = rng.normal(size=(50, 40)).astype(np.float32)
    t = rng.normal(size=(40, 50)).astype(np.float32)
    d = np.abs(p - t.T)
    terms = np.where(d <= 1.5, 0.5 * d * d, (d - 0.75) * 1.5)
    assert host(p).huber_loss(host(t).T, 1.5).item() == pytest.approx(terms.mean(), rel=1e-6)


def test_cross_entropy_examples():
    assert sorvek._cross_entropy_fused(host([[0, 0]]), host([[1, 0]])).item() == pytest.approx(0.6931472)
    assert sorvek._cross_entropy_fused(host([[1000, 0]]), host([[1, 0]])).item() == 0.0
    rng = np.random.default_rng(9)
    logits = rng.normal(size=(6, 5)).astype(np.float32)
    onehot = np.eye(5, dtype=np.float32)[rng.integers(0, 5, size=6)]
    shifted = logits - logits.max(axis=1, keepdims=True)
    expected = -(onehot * (shifted - np.log(np.exp(shifted).sum(axis=1, keepdims=True)))).sum(axis=1).mean()
    out = sorvek._cross_entropy_fused(logits=host(logits.T).T, onehot=host(onehot))
    assert out.shape == [1] and out.item() == pytest.approx(expected, rel=1e-6)


@pytest.mark.parametrize("call, error, message", [
    (lambda: host([1.0], np.float64).huber_loss(host([1.0])), RuntimeError,
     r"^huber_loss\(\): only float32 is currently supported by the fused kernel.$"),
    (lambda: sorvek._cross_entropy_fused(host(np.zeros((1, 2, 2)), np.float64), host(np.zeros((1, 2, 2)))),
     RuntimeError, r"^cross_entropy\(\): only float32 is currently supported by the fused kernel.$"),
    (lambda: sorvek._cross_entropy_fused(host(np.zeros((1, 2, 2))), host(np.zeros((1, 2, 2)))),
     RuntimeError, r"^cross_entropy\(\): fused kernel currently requires 2D \(batch, classes\) input.$"),
    (lambda: host(np.zeros((3, 4)))[3:].huber_loss(host(np.zeros((3, 4)))[3:]), RuntimeError,
     "^HuberLoss: cannot reduce an empty tensor$"),
    (lambda: host([1.0, 2.0, 3.0]).huber_loss(host([1.0])), ValueError,
     r"^huber_loss\(\): operands must have the same shape, got \(3,\) vs \(1,\)$"),
    (lambda: host([1.0]).huber_loss(host([1.0, 2.0, 3.0])), ValueError, "same shape"),
    (lambda: sorvek._cross_entropy_fused(host(np.zeros((4, 3))), host(np.zeros((2, 3)))), ValueError,
     r"^cross_entropy\(\): operands must have the same shape, got \(4, 3\) vs \(2, 3\)$"),
    (lambda: host([1.0]).huber_loss(None), TypeError, None),
])
def test_loss_errors(call, error, message):
    with pytest.raises(error, match=message):
        call()
