import ctypes
import threading

import numpy as np
import pytest

from conftest import same_bits
from noxara import lowlevel as ll

RNG = np.random.default_rng(7)
U = np.sort(RNG.random(25))
XC = np.linspace(-2.0, 4.0, 30)
YC = 0.5 + 2.0 * ll.k4_F(XC, 0.8, 0.9, 0.1, 0.4) + 0.01 * np.sin(7 * XC)
TH = RNG.random(40) * 2 * np.pi


class D:
    def __init__(self, *v):
        self.v = (ctypes.c_double * len(v))(*v)


class I:
    def __init__(self, *v):
        self.v = (ctypes.c_int * len(v))(*v)


# (routine, package arguments, C arguments in order with None for outputs, output sizes)
CASES = [
    ("al_statistic", dict(u=U), [I(25), D(*U), None], [1]),
    ("al_moments", dict(n=12), [I(12), None], [4]),
    ("bb_post", dict(u=U, M=5, seed=3), [I(25), D(*U), I(5), I(3), None], [10]),
    ("noxk4_q", dict(u=U, mu=0.3, sg=1.2, k=0.1, h=0.4),
     [D(*U), I(25), D(0.3), D(1.2), D(0.1), D(0.4), None], [25]),
    ("noxk4_tau34", dict(k=0.1, h=0.4, nodes=80), [D(0.1), D(0.4), I(80), None], [4]),
    ("noxk4_fit_nls", dict(x=XC, y=YC, start=[0.4, 0.6, 0.6, 0.0, 0.05, -0.7]),
     [D(*XC), D(*YC), I(30), D(0.4, 0.6, 0.6, 0.0, 0.05, -0.7), None], [7]),
    ("noxc_fit_fr", dict(theta=TH, nm=2, margin=0.05, nodes=512),
     [D(*TH), I(40), I(2), D(0.05), I(512), None], [9]),
    ("noxc_gof", dict(theta=TH, c3p=0.3, mup=0.5, Bp=20, seedp=11),
     [D(*TH), I(40), D(0.3), D(0.5), I(20), I(11), None], [2]),
    ("noxeqfit_taus", dict(a0=1.5, b0=2.5, R=4, n=30, seed=5),
     [D(1.5), D(2.5), I(4), I(30), I(5), None], [16]),
    ("noxeq_readings", dict(alpha=0.5, beta=1.5, theta=[0.1, -0.2], ngrid=500),
     [D(0.5), D(1.5), I(2), D(0.1, -0.2), I(500), None], [5]),
]


@pytest.mark.parametrize("name,kw,cargs,sizes", CASES, ids=[c[0] for c in CASES])
def test_values_equal_the_cmake_library_bit_for_bit(reference, name, kw, cargs, sizes):
    outs = [np.full(s, np.nan) for s in sizes]
    it = iter(outs)
    ptrs = [a.v if a is not None else next(it).ctypes.data_as(ctypes.c_void_p) for a in cargs]
    getattr(reference, name)(*ptrs)
    got = getattr(ll, name)(**kw)
    for g, o in zip(got, outs):
        assert same_bits(g, o)


@pytest.mark.parametrize("call,exc,words", [
    (lambda: ll.al_statistic(n=2.5, u=U), TypeError, "'n'"),                # float count
    (lambda: ll.noxk4_fit_nls(x=XC, y=YC, n=30.5, start=np.zeros(6)), TypeError, "'n'"),
    (lambda: ll.al_statistic(n=30, u=U), ValueError, "'u'"),               # disagreeing count
    (lambda: ll.noxk4_fit_nls(x=XC, y=YC[:-1], start=np.zeros(6)), ValueError, "'y'"),
    (lambda: ll.noxk4_fit_nls(x=XC, y=YC, start=np.zeros(5)), ValueError, "'start'"),
    (lambda: ll.noxk4_fit_nls(x=XC, y=YC), TypeError, "'start'"),           # missing
    (lambda: ll.noxk4_q(u=U, mu=0, sg=1, k=0), TypeError, "'h'"),
    (lambda: ll.al_statistic(u=["a", "b"]), TypeError, "'u'"),              # strings
    (lambda: ll.al_statistic(u=[1 + 2j]), TypeError, "'u'"),
    (lambda: ll.bb_post(u=U, M=-1, seed=1), ValueError, "'M'"),             # negative size
    (lambda: ll.noxk4_tau34(k=0.1, h=0.2, nodes=10 ** 6), ValueError, "'nodes'"),  # cap
    (lambda: ll.noxk4_readings(theta=np.zeros(6), grid=10 ** 9), ValueError, "'grid'"),
    (lambda: ll.noxk4_q(u=U, mu=[0, 1], sg=1, k=0, h=0), ValueError, "'mu'"),
    (lambda: ll.al_statistic(u=U, nn=3), TypeError, "'nn'"),                # unknown argument
    (lambda: ll.noxeqfit_bc(x=XC, y=YC, starts=np.zeros(7), np=5, maxit=10, cal=[1, 2],
                            cbe=[1, 2], alo=0, ahi=1), ValueError, "'starts'"),
    (lambda: ll.noxeqfit_estsim(a0=1, b0=1, R=2, nsizes=[10, -3], seed=1, maxit=10),
     ValueError, "'nsizes'"),
    (lambda: ll.bb_ref(n=10 ** 6, D=10 ** 6, m=10 ** 6, seed=1), ValueError, "'out'"),
    (lambda: ll.noxk4_nmd(lambda p: 0.0, np.zeros(8), 10), ValueError, "'start'"),
    (lambda: ll.bb_post(u=U[::-1], M=2, seed=1), ValueError, "'u' must be sorted"),  # unsorted
    (lambda: ll.noxk4_mv_boot(x=XC[::-1], y=YC, cutx=0, B=0, seed=1, bounds=[-1, 1, 0, 1],
                              maxit=5), ValueError, "'x' must be sorted"),
])
def test_mistakes_raise_naming_the_argument(call, exc, words):
    with pytest.raises(exc, match=words):
        call()


def test_conversions_counts_and_outputs():
    # float32 and integer samples are converted, not read past their buffers
    a = ll.al_statistic(u=U.astype(np.float32)).out
    b = ll.al_statistic(u=U.astype(np.float32).astype(np.float64)).out
    assert same_bits(a, b)
    assert ll.noxc_qd3(u=[0, 1], c3=0.2).out.tolist() == [1.0, 1.0]
    # integral floats are accepted for ints; counts inferred with multipliers and offsets
    assert ll.noxk4_band_sample(x=XC, y=YC, breaks=[-2, 0, 2, 4], p=2.0, n=30.0).out.size == 3
    assert ll.noxk4_fit_varpro(x=XC, y=YC, starts=np.zeros((3, 4)), maxit=5,
                               bounds=[-1, 1, 0, 2], hfix=np.nan).out.size == 8
    # outputs are NaN-prefilled and keep untouched slots NaN; lambda_ reaches lambda
    r = ll.noxk4_fit_nalr(x=XC[:2], y=YC[:2], J=3, lambda_=1.0, w=3, p=2.0, start=np.zeros(6))
    assert np.isnan(r.out).all()
    assert ll.noxeqfit_blocklen(r=np.sin(np.arange(50.0))).out.dtype == np.int32
    assert ll.noxeqfit_absweep(ks=[0.1, 0.2], h=0.3)._fields == ("out_a", "out_b")


def test_k4F_broadcasts_and_matches_the_vector_routine():
    x = np.linspace(-1, 3, 7)
    grid = ll.k4_F(x[:, None], 0.2, 1.1, np.array([0.0, 0.1, -0.2]), 0.4)
    assert grid.shape == (7, 3)
    for j, k in enumerate([0.0, 0.1, -0.2]):
        assert same_bits(grid[:, j], ll.noxk4_cdf(x=x, mu=0.2, sg=1.1, k=k, h=0.4).out)
    assert float(ll.k4_F(0.0, 0.0, 1.0, 0.0, -1.0)) == 0.5


def test_minimiser_of_a_python_callable():
    r = ll.noxk4_nmd(lambda p: (p[0] - 1.0) ** 2 + (p[1] + 2.0) ** 2, [0.0, 0.0], 1000)
    assert np.allclose(r.xout, [1.0, -2.0], atol=1e-9)

    def bad(p):
        raise KeyError("inside the objective")
    with pytest.raises(KeyError, match="inside the objective"):
        ll.noxk4_nmd(bad, [0.0], 10)


def test_threads_give_the_lone_call_bits():
    kw = dict(theta=TH, c3p=0.3, mup=0.5, Bp=200, seedp=4)
    lone = ll.noxc_gof(**kw).out
    got = [None] * 4

    def work(i):
        got[i] = ll.noxc_gof(**kw).out
    ts = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for t in ts:
        t.start()
    for t in ts:
        t.join()
    assert all(same_bits(g, lone) for g in got)


def test_every_routine_has_a_function():
    assert len(ll.ROUTINE_NAMES) == 78
    assert all(callable(getattr(ll, n)) and getattr(ll, n).__doc__ for n in ll.ROUTINE_NAMES)


# Small valid inputs for every routine, generated from the argument table.
SMALL_INT = {"count": 4, "glnodes": 16, "nodes": 16, "grid": 50, "maxit": 5, "reps": 2,
             "size": 5, "order": 2, "seed": 1, "sel": 1, "index": 0}
SPECIAL = {("noxeqfit_bc", "np"): 5, ("noxeqfit_msim", "Rm"): 1, ("noxc_exact_ci", "groupp"): 0, ("noxk4_runmed", "w"): 3}


def small_arguments(name):
    r = ll._ROUTINES[name]
    ints = {a.name: SPECIAL.get((name, a.name), SMALL_INT[a.kind]) for a in r.inputs if a.is_int}
    kw = dict(ints)
    for a in r.inputs:
        if a.kind == "s":
            kw[a.name] = 0.3
        elif a.kind in ("d", "i"):
            size = ll._eval(a.expr, ints) if a.expr else 4
            vals = np.linspace(0.1, 0.9, size)
            kw[a.name] = np.full(size, 5) if a.kind == "i" else vals
    return kw


@pytest.mark.parametrize("name", sorted(ll._ROUTINES))
def test_the_library_writes_only_inside_the_outputs_the_table_sizes(reference, name):
    r = ll._ROUTINES[name]
    vals = r.resolve(small_arguments(name))
    sizes = r.sizes(vals)
    guard, keep, ptrs = 16, [], []
    for a in r.args:
        if a.is_output:
            arr = np.full(sizes[a.name] + guard, 7.0 if a.kind == "o" else 7,
                          dtype=np.float64 if a.kind == "o" else np.int32)
        else:
            v = vals[a.name]
            arr = np.array([v], dtype=np.int32) if isinstance(v, int) else ll._pointer(v)
        keep.append(arr)
        ptrs.append(arr.ctypes.data_as(ctypes.c_void_p))
    getattr(reference, name)(*ptrs)
    outs = [k for a, k in zip(r.args, keep) if a.is_output]
    for a, arr in zip(r.outputs, outs):
        assert (arr[sizes[a.name]:] == 7).all(), "%s wrote past %s" % (name, a.name)


def test_the_library_in_use_exports_plain_names_only():
    import shutil
    import subprocess
    from noxara import library_path
    if not shutil.which("nm"):
        pytest.skip("no nm")
    out = subprocess.run(["nm", "-D", "--defined-only", library_path()], check=True,
                         capture_output=True, text=True).stdout
    names = [ln.split()[-1] for ln in out.splitlines() if ln.split()[-2:-1] in (["T"], ["W"])]
    assert set(ll.ROUTINE_NAMES) <= set(names)
    assert not [n for n in names if n.startswith("_Z")]
