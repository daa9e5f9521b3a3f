"""Replicate shards reassemble into the one full call's bits."""
import concurrent.futures as cf

import numpy as np
import pytest

from conftest import same_bits
from noxara import _lib
from noxara import lowlevel as ll

X30 = np.linspace(-1.0, 11.0, 30)
BC = dict(th=[1.0, 2.0, 0.0, 10.0, -0.65, -0.375], cal=[-0.95, -0.1], cbe=[-0.525, -0.1],
          alo=-0.9, ahi=-0.52)
XK = np.linspace(1.0, 13.0, 30)
YK = 0.5 + 2.0 * ll.k4_F(XK, 5.0, 1.5, 0.0, 0.0) + 0.02 * np.sin(5 * XK)
SIM = dict(sde=0.05, th0=[0.2, 1.5, 1.0, 2.0, -0.5, -0.4], st5=[0.0, 0.0, 0.0],
           cal=[-0.6, -0.4], cbe=[-0.45, -0.35], alo=-0.85, ahi=-0.15)
TH = np.random.default_rng(5).random(30) * 2 * np.pi


def _ybc():
    y = 1.0 + 2.0 * ll.noxeq2_bc_q(u=np.clip(X30 / 10.0, 0, 1), alpha=-0.65, beta=-0.375).out
    return y + 0.01 * np.cos(3 * X30)


# routine -> keyword arguments of a small run (three to five replicates or grid points)
CASES = {
    "noxeqfit_bc_boot": dict(x=X30, y=_ybc(), B=5, seed=3, maxit=40, **BC),
    "noxeqfit_k4eq_boot": dict(x=XK, y=YK, th=[0.5, 2.0, 5.0, 1.5, 0.0, 0.0],
                               p0in=[0.5, np.log(2.0), 5.0, np.log(1.5), 0.0], B=5, seed=4,
                               maxit=40, lh=[-0.5, 0.5], lk=[-0.1, 0.1], hlo=-0.5, hhi=0.5),
    "noxk4_mv_boot": dict(x=XK, y=YK, cutx=5.0, B=5, seed=2, bounds=[-0.9, 0.9, 0.0, 1.0],
                          maxit=15),
    "noxeqfit_msim": dict(nM=8, Rm=3, seed=1, maxit=5,
                          thref=[0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5,
                                 -0.7], **SIM),
    "noxeqfit_nullT": dict(nM=10, R2=3, seed=1, maxit=5, **SIM),
    "noxeqfit_estsim": dict(a0=1.5, b0=2.5, R=4, nsizes=[12, 16], seed=9, maxit=10),
    "noxc_exact_ci": dict(theta=TH, Bp=20, seedp=3, cgrid=np.linspace(-0.6, 0.6, 5), statp=1,
                          groupp=0, levp=0.05),
    "noxc_gof": dict(theta=TH, c3p=0.2, mup=0.3, Bp=5, seedp=7),
}
NAN_CASE = dict(CASES["noxeqfit_bc_boot"], x=X30[:1], y=_ybc()[:1])  # all rows NaN
FULL = {}


def full_call(name):
    if name not in FULL:
        FULL[name] = getattr(ll, name)(**CASES[name])
    return FULL[name]


def ranged(name):
    return _lib.has(name + "_range")


needs_ranges = pytest.mark.skipif(not ranged("noxeqfit_nullT"),
                                  reason="library without replicate-range entry points")


def _split_cases():
    for name in CASES:
        count = CASES[name][ll.RANGED[name][0].replace("ngp", "cgrid")]
        count = count if isinstance(count, int) else len(count)
        for chunks in (2, count):  # uneven shards; shards of one replicate
            yield name, chunks


@pytest.mark.parametrize("name,chunks", list(_split_cases()))
def test_shards_equal_the_full_call(name, chunks):
    if not ranged(name):
        pytest.skip("no %s_range in this library" % name)
    kw = CASES[name]
    full = full_call(name)
    with cf.ThreadPoolExecutor(2) as ex:
        for executor in (None, ex):
            got = getattr(ll, name)(executor=executor, chunks=chunks, **kw)
            assert all(same_bits(g, f) for g, f in zip(got, full))


@needs_ranges
def test_nan_rows_and_a_process_pool():
    full = ll.noxeqfit_bc_boot(**NAN_CASE).out_a
    with cf.ProcessPoolExecutor(2) as ex:
        got = ll.noxeqfit_bc_boot(executor=ex, chunks=3, **NAN_CASE).out_a
        assert np.isnan(full).all() and same_bits(got, full)
        for name in ("noxeqfit_msim", "noxc_exact_ci", "noxc_gof"):
            a = full_call(name)
            b = getattr(ll, name)(executor=ex, chunks=3, **CASES[name])
            assert all(same_bits(g, f) for g, f in zip(b, a))


@needs_ranges
def test_dask_local_cluster_of_two_worker_processes():
    distributed = pytest.importorskip("distributed")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        ex = client.get_executor()
        for name in ("noxeqfit_nullT", "noxeqfit_estsim", "noxc_gof"):
            a = full_call(name)
            b = getattr(ll, name)(executor=ex, chunks=3, **CASES[name])
            assert all(same_bits(g, f) for g, f in zip(b, a))


@needs_ranges
def test_range_functions_and_their_argument_checks():
    kw = dict(CASES["noxeqfit_nullT"], R2=2, first=1)
    assert same_bits(ll.noxeqfit_nullT_range(**kw).out, full_call("noxeqfit_nullT").out[1:3])
    with pytest.raises(ValueError, match="'cgrid'"):   # the shard reads past the grid
        ll.noxc_exact_ci_range(**dict(CASES["noxc_exact_ci"], ngp=3, first=4))
    with pytest.raises(ValueError, match="'first'"):
        ll.noxeqfit_nullT_range(**dict(kw, first=-1))
    with pytest.raises(ValueError, match="'first'"):
        ll.noxeqfit_nullT_range(**dict(kw, first=2 ** 31 - 2))


# ---- the host-side machinery, with ranges emulated by full calls (no library support needed)

def _emulated_worker(name, vals, first, count):
    cname = ll.RANGED[name][0]
    out = ll._ROUTINES[name].run(dict(vals, **{cname: first + count}))[0]
    if name == "noxeqfit_estsim":
        ncol = 6 * vals["nn"]
        return (out.reshape(ncol, first + count)[:, first:].reshape(-1),)
    if name == "noxeqfit_bc_boot" and first == 3:
        raise ArithmeticError("worker lost")
    return (out[first:],)


@pytest.fixture
def emulated(monkeypatch):
    monkeypatch.setattr(ll, "_shard_worker", _emulated_worker)
    monkeypatch.setattr(ll._lib, "has", lambda name: True)


def test_reassembly_and_progress_shard_by_shard(emulated):
    kw = dict(CASES["noxeqfit_estsim"], R=5)
    full = ll.noxeqfit_estsim(**kw).out
    seen = []
    with cf.ThreadPoolExecutor(2) as ex:
        got = ll.noxeqfit_estsim(executor=ex, chunks=3, progress=lambda d, t: seen.append((d, t)),
                                 **kw).out
    assert same_bits(got, full)
    assert seen == [(1, 3), (2, 3), (3, 3)]
    seen.clear()
    ll.noxeqfit_estsim(chunks=2, progress=lambda d, t: seen.append((d, t)), **kw)
    assert seen == [(1, 2), (2, 2)]


def test_a_failing_shard_names_its_range(emulated):
    with pytest.raises(RuntimeError, match=r"replicates 3\.\.4 failed: ArithmeticError"):
        ll.noxeqfit_bc_boot(chunks=2, **CASES["noxeqfit_bc_boot"])
    with pytest.raises(RuntimeError, match=r"replicates 3\.\.4 failed"):
        with cf.ThreadPoolExecutor(2) as ex:
            ll.noxeqfit_bc_boot(executor=ex, chunks=2, **CASES["noxeqfit_bc_boot"])
    with pytest.raises(ValueError, match="'chunks'"):
        ll.noxeqfit_nullT(chunks=0, **CASES["noxeqfit_nullT"])
    with pytest.raises(TypeError, match="'executor'"):
        ll.noxeqfit_nullT(executor=4, **CASES["noxeqfit_nullT"])


@pytest.mark.skipif(ranged("noxk4_mv_boot"), reason="this library shards noxk4_mv_boot")
def test_sharding_without_library_support_is_a_clear_error():
    with pytest.raises(NotImplementedError, match="noxk4_mv_boot_range"):
        ll.noxk4_mv_boot(chunks=2, **CASES["noxk4_mv_boot"])
