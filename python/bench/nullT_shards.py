"""Benchmark (run by hand, not a test): the null distribution of the profile statistic,
8 replicates, serial against 2 local workers, and a check that the bits agree.

    python3 python/bench/nullT_shards.py [--engine dask|processes|threads] [--workers 2]
                                         [--reps 8] [--nM 30] [--maxit 200]
"""
import argparse
import concurrent.futures as cf
import os
import time

import numpy as np

from noxara import lowlevel as ll

SETTING = dict(sde=0.05, seed=1, th0=[0.2, 1.5, 1.0, 2.0, -0.5, -0.4], st5=[0.0, 0.0, 0.0],
               cal=[-0.6, -0.4], cbe=[-0.45, -0.35], alo=-0.85, ahi=-0.15)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--engine", choices=("dask", "processes", "threads"), default="dask")
    ap.add_argument("--workers", type=int, default=2)
    ap.add_argument("--reps", type=int, default=8)
    ap.add_argument("--nM", type=int, default=30)
    ap.add_argument("--maxit", type=int, default=200)
    a = ap.parse_args()
    kw = dict(SETTING, nM=a.nM, R2=a.reps, maxit=a.maxit)

    t0 = time.perf_counter()
    serial = ll.noxeqfit_nullT(**kw).out
    t_serial = time.perf_counter() - t0

    if a.engine == "dask":
        import distributed
        cluster = distributed.LocalCluster(n_workers=a.workers, threads_per_worker=1,
                                           processes=True, dashboard_address=None)
        client = distributed.Client(cluster)
        executor = client.get_executor()
        client.run(lambda: __import__("noxara").lowlevel._lib.lib() and None)  # warm workers
    elif a.engine == "threads":  # calls release the GIL
        executor = cf.ThreadPoolExecutor(a.workers)
    else:
        executor = cf.ProcessPoolExecutor(a.workers)
        list(executor.map(abs, range(a.workers)))  # start the workers
    t0 = time.perf_counter()
    sharded = ll.noxeqfit_nullT(executor=executor, chunks=a.reps, **kw).out
    t_sharded = time.perf_counter() - t0
    if a.engine == "dask":
        client.close()
        cluster.close()
    else:
        executor.shutdown()

    same = np.array_equal(serial.view(np.uint64), sharded.view(np.uint64))
    print("noxeqfit_nullT: %d replicates, nM = %d, maxit = %d" % (a.reps, a.nM, a.maxit))
    print("  serial                 %8.2f s" % t_serial)
    print("  %d workers (%-9s)  %8.2f s   speed-up %.2fx" % (a.workers, a.engine, t_sharded,
                                                           t_serial / t_sharded))
    print("  results bit-identical: %s" % ("yes" if same else "NO"))
    print("  load average (1 min) %.1f on %d cores" % (os.getloadavg()[0], os.cpu_count()))
    return 0 if same else 1


if __name__ == "__main__":
    raise SystemExit(main())
