#!/usr/bin/python3
"""Times the library against scipy/numpy on the same inputs, in one process.

Run by hand (not by CI), after building the library:
    /usr/bin/python3 bench/peers/peer_bench.py [--lib build/libnoxara.so] [--reps 7]
Prints, per operation, the median CPU time of the library and of the peer and
their ratio (library / peer: below 1 the library is faster), with the largest
difference of the results as a sanity check.
"""
import argparse
import ctypes as C
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy import optimize, special, stats

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

P = np.ctypeslib.ndpointer(dtype=np.float64, flags="C_CONTIGUOUS")


def ip(v):
    return C.byref(C.c_int(int(v)))


def dp(v):
    return C.byref(C.c_double(float(v)))


def cpu_median(fn, reps):
    fn()  # warm-up
    ts = []
    for _ in range(reps):
        t0 = time.process_time()
        fn()
        ts.append(time.process_time() - t0)
    return float(np.median(ts))


def lmoments_numpy(x, nmom):
    """Unbiased sample L-moments through probability-weighted moments."""
    s = np.sort(x)
    n = s.size
    i = np.arange(n, dtype=float)
    b = [s.mean()]
    w = np.ones(n)
    for r in range(1, nmom):
        w = w * (i - r + 1) / (n - r)
        b.append(np.dot(w, s) / n)
    l = [b[0], 2 * b[1] - b[0], 6 * b[2] - 6 * b[1] + b[0],
         20 * b[3] - 30 * b[2] + 12 * b[1] - b[0]]
    return np.array(l[:nmom])


def arclen_numpy(u):
    s = np.sort(u)
    c = 1.0 / (u.size + 1.0)
    d = np.diff(s, prepend=0.0)
    return np.sqrt(d * d + c * c).sum() + np.sqrt(c * c + (1.0 - s[-1]) ** 2)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--lib", default=os.path.join(ROOT, "build", "libnoxara.so"))
    ap.add_argument("--reps", type=int, default=7)
    a = ap.parse_args()
    lib = C.CDLL(os.path.abspath(a.lib))
    rng = np.random.default_rng(20261208)
    rows = []

    def add(name, lib_fn, peer_fn, peer_name, per=1):
        got, want = lib_fn(), peer_fn()
        diff = float(np.max(np.abs(np.asarray(got, float) - np.asarray(want, float))))
        tl = cpu_median(lib_fn, a.reps) / per
        tp = cpu_median(peer_fn, a.reps) / per
        rows.append((name, peer_name, tl, tp, diff))

    # Kappa-4 distribution, quantile and density functions.
    n = 100000
    mu, sg, k, h = 0.5, 1.3, 0.2, 0.4
    x = rng.uniform(-2.0, 4.0, n)
    u = rng.uniform(0.0, 1.0, n)
    out = np.empty(n)
    for nm, arg, sp in (("noxk4_cdf", x, stats.kappa4.cdf), ("noxk4_q", u, stats.kappa4.ppf),
                        ("noxk4_pdf", x, stats.kappa4.pdf)):
        f = getattr(lib, nm)
        f.argtypes = [P, C.c_void_p, C.c_void_p, C.c_void_p, C.c_void_p, C.c_void_p, P]

        def run(f=f, arg=arg):
            f(arg, ip(n), dp(mu), dp(sg), dp(k), dp(h), out)
            return out.copy()
        add(nm + " (1e5)", run, lambda sp=sp, arg=arg: sp(arg, h, k, loc=mu, scale=sg),
            "scipy kappa4")

    # Incomplete beta and its inverse: Q(u) = B*I_u(1+al, 1+be) and F = Q^-1.
    al, be = 0.7, 1.9
    A, Bp = 1.0 + al, 1.0 + be
    Bf = special.beta(A, Bp)
    m = 20000
    uu = rng.uniform(0.0, 1.0, m)
    xx = rng.uniform(0.0, 1.0, m) * Bf
    out2 = np.empty(m)
    for nm, arg, peer, pn in (
            ("noxeq2_bc_q", uu, lambda: Bf * special.betainc(A, Bp, uu), "scipy betainc"),
            ("noxeq2_bc_cdf", xx, lambda: special.betaincinv(A, Bp, xx / Bf), "scipy betaincinv")):
        f = getattr(lib, nm)
        f.argtypes = [C.c_void_p, P, C.c_void_p, C.c_void_p, P]

        def run(f=f, arg=arg):
            f(ip(m), arg, dp(al), dp(be), out2)
            return out2.copy()
        add(nm + " (2e4)", run, peer, pn)

    # Nelder-Mead with a C objective against scipy's with a numpy objective.
    with tempfile.TemporaryDirectory() as td:
        so = os.path.join(td, "nm_objectives.so")
        libdir = os.path.dirname(os.path.abspath(a.lib))
        subprocess.check_call(["cc", "-shared", "-fPIC", "-O2", "-ffp-contract=off",
                               "-I", os.path.join(ROOT, "include"),
                               os.path.join(HERE, "nm_objectives.c"), "-o", so,
                               "-L", libdir, "-lnoxara", "-Wl,-rpath," + libdir])
        obj = C.CDLL(so)
        lib.noxk4_nmd.argtypes = [C.c_void_p, C.c_void_p, C.c_int, P, C.c_int, P, P]
        d = 4
        dctx = C.c_int(d)
        start = np.zeros(d)
        xo, fo = np.empty(d), np.empty(1)
        wq = np.arange(1.0, d + 1)
        peers = {
            "peer_quadratic": lambda p: float(np.sum((p - wq) ** 2 * wq)),
            "peer_rosenbrock": lambda p: float(np.sum(100.0 * (p[1:] - p[:-1] ** 2) ** 2
                                                     + (1.0 - p[:-1]) ** 2)),
        }
        for nm, maxit in (("peer_quadratic", 400), ("peer_rosenbrock", 2000)):
            fptr = C.cast(getattr(obj, nm), C.c_void_p)
            reps = 50

            def run(fptr=fptr, maxit=maxit, reps=reps):
                for _ in range(reps):
                    lib.noxk4_nmd(fptr, C.byref(dctx), d, start, maxit, xo, fo)
                return fo.copy()

            def peer(nm=nm, maxit=maxit, reps=reps):
                for _ in range(reps):
                    r = optimize.minimize(peers[nm], start, method="Nelder-Mead",
                                          options={"maxiter": maxit, "xatol": 1e-10,
                                                   "fatol": 1e-12})
                return np.array([r.fun])
            add("noxk4_nmd " + nm.split("_")[1] + " d=4 (per call)", run, peer,
                "scipy Nelder-Mead", per=reps)

    # Sample L-moments and the arc-length statistic (both sort the sample).
    n = 100000
    xs = rng.standard_normal(n)
    lm = np.empty(4)
    lib.sample_lmoments_c.argtypes = [P, C.c_void_p, C.c_void_p, P]

    def run_lm():
        lib.sample_lmoments_c(xs, ip(n), ip(4), lm)
        return lm.copy()
    add("sample_lmoments_c (1e5)", run_lm, lambda: lmoments_numpy(xs, 4), "numpy sort+PWM")

    us = rng.uniform(0.0, 1.0, n)
    st = np.empty(1)
    lib.al_statistic.argtypes = [C.c_void_p, P, P]

    def run_al():
        lib.al_statistic(ip(n), us, st)
        return st.copy()
    add("al_statistic (1e5)", run_al, lambda: np.array([arclen_numpy(us)]), "numpy sort+diff")

    w = max(len(r[0]) for r in rows)
    pw = max(len(r[1]) for r in rows)
    print(f"{'operation':<{w}}  {'peer':<{pw}}  {'library ms':>10}  {'peer ms':>9}  "
          f"{'ratio':>6}  {'max |diff|':>10}")
    for name, pn, tl, tp, diff in rows:
        print(f"{name:<{w}}  {pn:<{pw}}  {tl * 1e3:10.3f}  {tp * 1e3:9.3f}  "
              f"{tl / tp:6.3g}  {diff:10.2e}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
