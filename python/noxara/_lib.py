"""Locating and loading the shared library."""
import ctypes
import os

_HERE = os.path.dirname(os.path.abspath(__file__))
_lib = None


def library_path():
    """Path of the shared library in use: ``NOXARA_LIBRARY`` if set, else the bundled one."""
    env = os.environ.get("NOXARA_LIBRARY")
    if env:
        return os.path.abspath(env)
    return os.path.join(_HERE, "_libnoxara.so")


def lib():
    """The loaded library (ctypes.CDLL: calls release the GIL)."""
    global _lib
    if _lib is None:
        path = library_path()
        if not os.path.isfile(path):
            raise ImportError("noxara: shared library not found at %s; install the package "
                              "with pip or set NOXARA_LIBRARY" % path)
        _lib = ctypes.CDLL(path)
    return _lib


def has(name):
    """Whether the loaded library exports ``name``."""
    try:
        getattr(lib(), name)
        return True
    except AttributeError:
        return False
