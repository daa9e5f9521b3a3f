"""Calls the shared library from Python through ctypes, as a host script does."""
import ctypes
import math
import sys

lib = ctypes.CDLL(sys.argv[1])
c_int_p = ctypes.POINTER(ctypes.c_int)
c_dbl_p = ctypes.POINTER(ctypes.c_double)


def ints(*v):
    return (ctypes.c_int * len(v))(*v)


def dbls(*v):
    return (ctypes.c_double * len(v))(*v)


failures = 0


def check(cond, what):
    global failures
    print(("ok    " if cond else "FAIL  ") + what)
    if not cond:
        failures += 1


# al_statistic(n, u, out): a perfectly regular sample gives sqrt(2)
out = dbls(0.0)
lib.al_statistic(ints(3), dbls(0.5, 0.25, 0.75), out)
check(abs(out[0] - math.sqrt(2.0)) < 1e-15, "al_statistic of a regular sample is sqrt(2)")

# bb_post(n, u, M, seed, out): n = 1, u = 0.5 has a closed form for every draw
out = dbls(*([0.0] * 6))
lib.bb_post(ints(1), dbls(0.5), ints(3), ints(7), out)
arc = math.sqrt(0.25 + 1.0) + 0.5 - 1.4142135623730951
check(all(abs(out[2 * i] - arc) < 1e-15 and out[2 * i + 1] == 0.5 for i in range(3)),
      "bb_post with one observation gives its closed form")

# noxvc_icc_oneway(y, g, n, ng, out): an integer data array
out = dbls(0.0, 0.0, 0.0)
lib.noxvc_icc_oneway(dbls(1.0, 1.0, 3.0, 3.0), ints(0, 0, 1, 1), ints(4), ints(2), out)
check(abs(out[0] - 1.0) < 1e-15 and out[1] == 0.0, "noxvc_icc_oneway with no within-group spread")

print("%d passed, %d failed" % (3 - failures, failures))
sys.exit(1 if failures else 0)
