import ctypes
import os

import matplotlib
import numpy as np
import pytest

matplotlib.use("Agg")

HERE = os.path.dirname(os.path.abspath(__file__))


@pytest.fixture(scope="session")
def reference():
    """The CMake-built library, called directly (NOXARA_REFERENCE_LIBRARY or ../../build)."""
    path = os.environ.get("NOXARA_REFERENCE_LIBRARY",
                          os.path.join(HERE, "..", "..", "build", "libnoxara.so"))
    if not os.path.isfile(path):
        pytest.skip("no CMake-built library at %s" % path)
    return ctypes.CDLL(path)


def same_bits(a, b):
    a = np.ascontiguousarray(a, dtype=np.float64)
    b = np.ascontiguousarray(b, dtype=np.float64)
    return a.shape == b.shape and np.array_equal(a.view(np.uint64), b.view(np.uint64))
