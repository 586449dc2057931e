#!/usr/bin/env bash
# Set-up shared by the README commands, idempotent and quick when nothing changed:
#   system packages -> Python 3.13 -> .venv with the pinned dependencies -> builds.
# Usage: scripts/setup.sh BUILD...   where BUILD is "real" (nvcc, CUDA libraries) or "emulated"
# (host-side GPU emulation). SORVEK_CUDA_ARCHITECTURES restricts the real build's GPU targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# --- system packages (Debian) ---
missing=()
for pkg in libopenblas-dev libboost-context-dev libgtest-dev cmake ninja-build g++; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# --- Python 3.13 ---
is_python313() { "$1" -c 'import sys; sys.exit(sys.version_info[:2] != (3, 13))' >/dev/null 2>&1; }
find_python() {
  if [ -n "${PYTHON:-}" ]; then echo "$PYTHON"; return; fi
  # pyenv's shim may answer to python3.13 without providing it, so try each candidate.
  local pyenv_root candidate
  pyenv_root=$(pyenv root 2>/dev/null || echo "$HOME/.pyenv")
  for candidate in python3.13 "$pyenv_root"/versions/3.13*/bin/python3.13; do
    if is_python313 "$candidate"; then command -v "$candidate"; return; fi
  done
  echo "setup: Python 3.13 not found; set PYTHON=/path/to/python3.13" >&2
  exit 1
}
python=$(find_python)

# --- virtual environment with the pinned dependencies ---
venv="$root/.venv"
if ! is_python313 "$venv/bin/python"; then
  rm -rf "$venv"
  "$python" -m venv "$venv"
fi
stamp="$venv/.requirements.sha256"
if [ ! -f "$stamp" ] || ! sha256sum --status -c "$stamp" 2>/dev/null; then
  "$venv/bin/python" -m pip install -q --disable-pip-version-check -r requirements.txt
  sha256sum requirements.txt > "$stamp"
fi

# --- builds: configure once, then incremental ninja builds ---
pybind11_dir=$("$venv/bin/python" -c 'import pybind11; print(pybind11.get_cmake_dir())')
for build in "$@"; do
  dir="$root/build/$build"
  case "$build" in
    real) options=(-DSORVEK_EMULATED_GPU=OFF -DCMAKE_CUDA_COMPILER=/usr/local/cuda/bin/nvcc) ;;
    emulated) options=(-DSORVEK_EMULATED_GPU=ON) ;;
    *) echo "setup: unknown build '$build' (real or emulated)" >&2; exit 2 ;;
  esac
  if [ -n "${SORVEK_CUDA_ARCHITECTURES:-}" ]; then
    options+=("-DSORVEK_CUDA_ARCHITECTURES=$SORVEK_CUDA_ARCHITECTURES")
  fi
  if [ ! -f "$dir/build.ninja" ] || [ -n "${SORVEK_CUDA_ARCHITECTURES:-}" ]; then
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DPython_EXECUTABLE="$venv/bin/python" -Dpybind11_DIR="$pybind11_dir" "${options[@]}" >/dev/null
  fi
  cmake --build "$dir"
done
