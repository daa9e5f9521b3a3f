"""Build: compile the repository's C++ sources into a shared library bundled in the package.

The compiler is called directly (not through the interpreter's extension flags) so that
the floating-point flags are exactly those of the CMake build: no contraction into fused
multiply-adds, no fast-math, -O2 last.
"""
import glob
import os
import shlex
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
FP_FLAGS = ["-O2", "-ffp-contract=off", "-fno-fast-math", "-fno-tree-vectorize"]


def repository_root():
    root = os.environ.get("NOXARA_SOURCE_DIR", os.path.join(HERE, ".."))
    root = os.path.abspath(root)
    if not os.path.isfile(os.path.join(root, "include", "noxara.h")):
        sys.exit("noxara: C++ sources not found in %s (set NOXARA_SOURCE_DIR to the "
                 "repository root)" % root)
    return root


def compile_library(dest):
    root = repository_root()
    sources = sorted(glob.glob(os.path.join(root, "src", "*.cpp")) +
                     glob.glob(os.path.join(root, "src", "numerics", "*.cpp")))
    cxx = shlex.split(os.environ.get("CXX", "g++"))
    cmd = (cxx + ["-std=c++17", "-shared", "-fPIC", "-fvisibility=hidden",
                  "-fvisibility-inlines-hidden", "-DNOXARA_BUILDING",
                  "-I" + os.path.join(root, "include"), "-I" + os.path.join(root, "src")]
           + sources + FP_FLAGS + ["-o", dest, "-lm"])
    os.makedirs(os.path.dirname(dest), exist_ok=True)
    print(" ".join(cmd))
    subprocess.check_call(cmd)


class BuildWithLibrary(build_py):
    def run(self):
        super().run()
        compile_library(os.path.join(self.build_lib, "noxara", "_libnoxara.so"))


class BinaryDistribution(Distribution):
    def has_ext_modules(self):
        return True


setup(cmdclass={"build_py": BuildWithLibrary}, distclass=BinaryDistribution)
