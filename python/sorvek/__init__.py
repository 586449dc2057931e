"""sorvek: a small tensor and automatic-differentiation library with a C++/CUDA core.

Everything the native module `sorvek._C` offers is re-exported here, so `import sorvek` is all a
program needs: `sorvek.Tensor`, `sorvek.DType`, `sorvek.from_numpy`, ...
"""

from . import _C

globals().update({name: getattr(_C, name) for name in dir(_C) if not name.startswith("__")})
