"""Curve fits, bootstraps and simulation studies with result objects."""
import numpy as np

from . import lowlevel as _ll
from .results import BootstrapResult, Result, SimulationResult

__all__ = ["fit_kappa4_curve", "Kappa4CurveFit", "fit_bc", "bootstrap_bc", "fit_k4eq",
           "bootstrap_k4eq", "reading_bootstrap", "model_fit_simulation", "null_statistics",
           "estimation_simulation"]

READINGS = ("tangent_intercept", "inflection", "steepest")
_GRID = 4000
_VARPRO_BOUNDS = (-0.9, 0.9, 0.0, 3.0)


def _xy(x, y):
    x = np.ascontiguousarray(np.asarray(x, dtype=np.float64)).reshape(-1)
    y = np.ascontiguousarray(np.asarray(y, dtype=np.float64)).reshape(-1)
    if x.size != y.size:
        raise ValueError("arguments 'x' and 'y' must have the same length (%d, %d)"
                         % (x.size, y.size))
    if x.size < 4:
        raise ValueError("arguments 'x' and 'y' need at least 4 points")
    return x, y


def _default_start6(x, y):
    """(g0, log g1, mu, log sg, k, log h) from the data: level, rise, half-rise point, width."""
    lo, hi = float(np.min(y)), float(np.max(y))
    g1 = max(hi - lo, 1e-8)
    order = np.argsort(x)
    xs, ys = x[order], y[order]
    mu = float(xs[np.argmin(np.abs(ys - (lo + 0.5 * g1)))])
    sg = max((float(xs[-1]) - float(xs[0])) / 6.0, 1e-8)
    return np.array([lo, np.log(g1), mu, np.log(sg), 0.0, np.log(0.5)])


class Kappa4CurveFit(Result):
    """A fitted kappa-4 curve y = g0 + drift*x + g1*F(x; mu, sg, k, h).

    Attributes
    ----------
    params : dict
        g0, drift (0 unless fitted), g1, mu, sg, k, h.
    rss : float
        Residual sum of squares (for method "nalr": the band objective).
    readings : dict
        tangent_intercept, inflection, steepest (NaN where not found).
    method : str
    x, y : ndarray
        The data.

    Examples
    --------
    >>> import numpy as np
    >>> from noxara import lowlevel as ll
    >>> x = np.linspace(-2, 4, 30)
    >>> fit = fit_kappa4_curve(x, 1.0 + ll.k4_F(x, 0.5, 1.0, 0.0, 0.3))
    >>> bool(np.abs(fit.residuals).max() < 1e-6), sorted(fit.readings)[0]
    (True, 'inflection')
    """

    _fields = ("method", "params", "rss", "readings")

    def predict(self, x):
        """Fitted curve at x."""
        p = self.params
        x = np.asarray(x, dtype=np.float64)
        return p["g0"] + p["drift"] * x + p["g1"] * _ll.k4_F(x, p["mu"], p["sg"], p["k"], p["h"])

    @property
    def residuals(self):
        """y - predict(x)."""
        return self.y - self.predict(self.x)

    def plot(self, ax=None):
        """Data, fitted curve and the readings marked and labelled (matplotlib).

        Returns
        -------
        matplotlib.axes.Axes
        """
        import matplotlib.pyplot as plt
        if ax is None:
            ax = plt.figure().add_subplot()
        ax.plot(self.x, self.y, "o", ms=3, color="0.4", label="data")
        grid = np.linspace(np.min(self.x), np.max(self.x), 400)
        ax.plot(grid, self.predict(grid), "-", color="C0", label="kappa-4 fit (%s)" % self.method)
        for i, (name, v) in enumerate(self.readings.items()):
            if np.isfinite(v):
                ax.axvline(v, ls="--", lw=0.8, color="C%d" % (i + 1))
                ax.annotate(name.replace("_", " "), (v, ax.get_ylim()[0]), rotation=90,
                            va="bottom", ha="right", fontsize=8, color="C%d" % (i + 1))
        ax.set_xlabel("x")
        ax.set_ylabel("y")
        ax.legend(loc="best", fontsize=8)
        return ax


def fit_kappa4_curve(x, y, method="nls", start=None, maxit=500, J=10, lambda_=1.0, w=5,
                     p=2.0, bounds=_VARPRO_BOUNDS):
    """Fit a kappa-4 growth curve y = g0 + g1*F(x) (+ drift*x) and read it.

    Parameters
    ----------
    x, y : array_like of float
        At least 4 paired observations.
    method : {"nls", "nls_drift", "varpro", "nalr"}
        Least squares; least squares with a linear drift; variable projection
        (linear level, drift and height, multi-start over (mu, log sg, k, h)); band
        arc lengths with an anchor.
    start : array_like, optional
        Start in the method's coordinates: nls/nalr (g0, log g1, mu, log sg, k, log h),
        nls_drift (g0, m, log g1, mu, log sg, k, log h), varpro rows of
        (mu, log sg, k, h). Default: from the data (level, rise, half-rise point, width).
    maxit : int
        Iteration limit (varpro only).
    J, lambda_, w, p : method "nalr" only
        Bands, anchor weight, running-median window, segment norm order.
    bounds : 4 floats
        k range and h range (varpro only).

    Returns
    -------
    Kappa4CurveFit

    Examples
    --------
    >>> import numpy as np
    >>> from noxara import lowlevel as ll
    >>> x = np.linspace(-2, 4, 40)
    >>> y = 0.5 + 2.0 * ll.k4_F(x, 0.8, 0.9, 0.1, 0.4)
    >>> fit = fit_kappa4_curve(x, y)
    >>> bool(fit.rss < 1e-6)
    True
    """
    x, y = _xy(x, y)
    s6 = _default_start6(x, y)
    drift = 0.0
    if method == "nls":
        st = s6 if start is None else start
        o = _ll.noxk4_fit_nls(x=x, y=y, start=st).out
        g0, g1, mu, sg, k, h, rss = o
    elif method == "nls_drift":
        st = np.r_[s6[0], 0.0, s6[1:]] if start is None else start
        o = _ll.noxk4_fit_nls_drift(x=x, y=y, start=st).out
        g0, drift, g1, mu, sg, k, h, rss = o
    elif method == "nalr":
        st = s6 if start is None else start
        o = _ll.noxk4_fit_nalr(x=x, y=y, J=J, lambda_=lambda_, w=w, p=p, start=st).out
        g0, g1, mu, sg, k, h, rss = o
    elif method == "varpro":
        if start is None:
            st = np.array([[s6[2], s6[3] + np.log(f), kk, hh] for f in (0.5, 1.0, 2.0)
                           for kk in (-0.3, 0.0, 0.3) for hh in (0.1, 0.5)])
        else:
            st = np.asarray(start, dtype=np.float64).reshape(-1, 4)
        o = _ll.noxk4_fit_varpro(x=x, y=y, starts=st, maxit=maxit, bounds=bounds,
                                 hfix=np.nan).out
        g0, drift, g1, mu, sg, k, h, rss = o
    else:
        raise ValueError("fit_kappa4_curve: argument 'method' must be one of 'nls', "
                         "'nls_drift', 'varpro', 'nalr', got %r" % (method,))
    params = dict(g0=g0, drift=drift, g1=g1, mu=mu, sg=sg, k=k, h=h)
    params = {key: float(v) for key, v in params.items()}
    rd = _ll.noxk4_readings(theta=[g0, g1, mu, sg, k, h], grid=_GRID).out
    return Kappa4CurveFit(method=method, params=params, rss=float(rss),
                          readings=dict(zip(READINGS, map(float, rd))), x=x, y=y, raw=o)


# --------------------------------------------------------------- bc and constrained kappa-4

_BC_NAMES = ("g0", "g1", "mu", "sr", "alpha", "beta")


class CurveFit(Result):
    """Fitted curve parameters, residual sum of squares and readings.

    Attributes
    ----------
    params : dict
    rss : float
    readings : dict
    theta : ndarray
        The six curve parameters, as the bootstraps take them.

    Examples
    --------
    See :func:`fit_bc` and :func:`fit_k4eq`.
    """

    _fields = ("params", "rss", "readings")


def fit_bc(x, y, starts, cal, cbe, alo, ahi, maxit=500):
    """Multi-start fit of the bc curve (beta tied to alpha by the table cal, cbe when
    each start row has 5 values).

    Parameters
    ----------
    x, y : array_like
    starts : array_like, shape (ns, 5) or (ns, 6)
        Starts in the fit's unconstrained coordinates.
    cal, cbe : array_like
        Table of alpha values (ascending) and the beta tied to each.
    alo, ahi : float
        Interval of alpha.
    maxit : int

    Returns
    -------
    CurveFit
        params (g0, g1, mu, sr, alpha, beta), rss, readings (tangent_foot, inflection).

    Examples
    --------
    >>> import numpy as np
    >>> from noxara import lowlevel as ll
    >>> x = np.linspace(-1, 11, 30)
    >>> th = [1.0, 2.0, 0.0, 10.0, -0.65, -0.375]       # on the tie line of the table
    >>> y = th[0] + th[1] * ll.noxeq2_bc_cdf(x=(x - th[2]) / th[3], alpha=th[4],
    ...                                      beta=th[5]).out
    >>> tab = dict(cal=[-0.95, -0.1], cbe=[-0.525, -0.1], alo=-0.9, ahi=-0.52)
    >>> fit = fit_bc(x, y, starts=[[1.05, np.log(1.9), 0.2, np.log(10.4), 0.3]], **tab)
    >>> bool(fit.rss < 1e-3)
    True
    """
    starts = np.atleast_2d(np.asarray(starts, dtype=np.float64))
    o = _ll.noxeqfit_bc(x=x, y=y, starts=starts, np=starts.shape[1], maxit=maxit, cal=cal,
                        cbe=cbe, alo=alo, ahi=ahi).out
    return CurveFit(params=dict(zip(_BC_NAMES, map(float, o[:6]))), rss=float(o[6]),
                    readings={"tangent_foot": float(o[7]), "inflection": float(o[8])},
                    theta=o[:6].copy())


def bootstrap_bc(x, y, fit, B, seed, cal, cbe, alo, ahi, maxit=500, executor=None,
                 chunks=None, progress=None):
    """Moving-block bootstrap of the tangent foot of a constrained bc fit.

    Parameters
    ----------
    fit : CurveFit from :func:`fit_bc`
    B : int
        Replicates (about 0.2 s each).
    seed : int
    executor, chunks, progress
        Replicate shards, see :mod:`noxara.lowlevel`; the bits do not change.

    Returns
    -------
    BootstrapResult
        estimate = the fit's tangent foot, replicates (B values; NaN where a refit failed).

    Examples
    --------
    With ``x, y, fit, tab`` as in :func:`fit_bc`::

        boot = bootstrap_bc(x, y, fit, B=200, seed=1, **tab)
        boot.interval(0.9)          # quantile interval of the tangent foot
    """
    r = _ll.noxeqfit_bc_boot(x=x, y=y, th=fit.theta, B=B, seed=seed, maxit=maxit, cal=cal,
                             cbe=cbe, alo=alo, ahi=ahi, executor=executor, chunks=chunks,
                             progress=progress)
    return BootstrapResult(fit.readings["tangent_foot"], r.out_a)


def fit_k4eq(x, y, starts, lh, lk, hlo, hhi, maxit=500):
    """Multi-start kappa-4 curve fit with k read from the table (lh, lk) at h.

    Parameters
    ----------
    starts : array_like, shape (ns, 5)
    lh, lk : array_like
        h values (ascending) and the k at each.
    hlo, hhi : float
        Interval of h.

    Returns
    -------
    CurveFit
        params (g0, g1, mu, sg, k, h), rss, readings (tangent_intercept).

    Examples
    --------
    >>> import numpy as np
    >>> from noxara import lowlevel as ll
    >>> x = np.linspace(1, 13, 30)
    >>> y = 0.5 + 2.0 * ll.k4_F(x, 5.0, 1.5, 0.0, 0.0)
    >>> tab = dict(lh=[-0.5, 0.5], lk=[-0.1, 0.1], hlo=-0.5, hhi=0.5)
    >>> fit = fit_k4eq(x, y, starts=[[0.45, np.log(2.1), 5.1, np.log(1.4), 0.1]], **tab)
    >>> round(fit.params["mu"], 3)
    5.0
    """
    o = _ll.noxeqfit_k4eq(x=x, y=y, starts=starts, maxit=maxit, lh=lh, lk=lk, hlo=hlo,
                          hhi=hhi).out
    return CurveFit(params=dict(zip(("g0", "g1", "mu", "sg", "k", "h"), map(float, o[:6]))),
                    rss=float(o[6]), readings={"tangent_intercept": float(o[7])},
                    theta=o[:6].copy())


def bootstrap_k4eq(x, y, fit, p0, B, seed, lh, lk, hlo, hhi, maxit=500, executor=None,
                   chunks=None, progress=None):
    """Moving-block bootstrap of the tangent intercept of the constrained kappa-4 fit.

    Parameters
    ----------
    fit : CurveFit from :func:`fit_k4eq`
    p0 : 5 floats
        Start of every replicate's fit.
    B, seed, executor, chunks, progress : as for :func:`bootstrap_bc`

    Returns
    -------
    BootstrapResult

    Examples
    --------
    With ``x, y, fit, tab`` as in :func:`fit_k4eq`::

        boot = bootstrap_k4eq(x, y, fit, p0=[0.5, np.log(2), 5, np.log(1.5), 0], B=500,
                              seed=2, executor=concurrent.futures.ThreadPoolExecutor(2), **tab)
    """
    r = _ll.noxeqfit_k4eq_boot(x=x, y=y, th=fit.theta, p0in=p0, B=B, seed=seed, maxit=maxit,
                               lh=lh, lk=lk, hlo=hlo, hhi=hhi, executor=executor,
                               chunks=chunks, progress=progress)
    return BootstrapResult(fit.readings["tangent_intercept"], r.out_a)


MV_METHODS = ("varpro_select", "median9_nls", "median21_nls", "nalr", "varpro_h0", "x_above_cutx",
              "even_points", "odd_points")


def reading_bootstrap(x, y, cutx, B, seed, bounds=_VARPRO_BOUNDS, maxit=500, executor=None,
                      chunks=None, progress=None):
    """The first reading (tangent intercept) by eight fitting methods, with a moving-block
    bootstrap of all eight (about 2 s per replicate).

    Parameters
    ----------
    x, y : array_like
        Paired data, x ascending.
    cutx : float
        Threshold of the subset method.
    B, seed : int
    bounds : 4 floats
        k and h ranges of the variable-projection fits.
    executor, chunks, progress
        Replicate shards (needs a library with ``noxk4_mv_boot_range``).

    Returns
    -------
    BootstrapResult
        estimate (8 values), replicates of shape (B, 8), methods (the slot names):
        variable projection with the free-h / h = 0 choice; least squares on running
        medians of 9 and 21 values; band arc lengths; variable projection with h = 0;
        the points with x >= cutx; the even- and odd-indexed points. A subset of 30
        points or fewer leaves its slot NaN.

    Examples
    --------
    >>> import numpy as np
    >>> from noxara import lowlevel as ll
    >>> x = np.linspace(-2, 4, 40)
    >>> y = 0.5 + 2.0 * ll.k4_F(x, 0.8, 0.9, 0.1, 0.4) + 0.01 * np.sin(9 * x)
    >>> b = reading_bootstrap(x, y, cutx=0.0, B=2, seed=1, maxit=30)
    >>> b.replicates.shape
    (2, 8)
    """
    x, y = _xy(x, y)
    if np.any(np.diff(x) < 0):
        raise ValueError("reading_bootstrap: argument 'x' must be ascending")
    r = _ll.noxk4_mv_boot(x=x, y=y, cutx=cutx, B=B, seed=seed, bounds=bounds, maxit=maxit,
                          executor=executor, chunks=chunks, progress=progress)
    return BootstrapResult(r.a_pt, r.A.reshape(-1, 8), methods=MV_METHODS)


# --------------------------------------------------------------- simulation studies

_MSIM_COLS = ("T_arm0", "score_arm0", "T_arm1", "T_arm2", "T_arm3", "score_arm1",
              "score_arm2", "score_arm3")


def model_fit_simulation(nM, sde, R, seed, th0, st5, cal, cbe, alo, ahi, thref, maxit=200,
                         executor=None, chunks=None, progress=None):
    """Model-fit simulation of the constrained bc curve: profile and score statistics in
    four arms (about 21 s per replicate at nM = 30, maxit = 200).

    Returns
    -------
    SimulationResult
        Columns T_arm0, score_arm0, T_arm1..3, score_arm1..3 (R values each).
    Examples
    --------
    Shards on two local processes, or on a Dask cluster (same numbers)::

        from concurrent.futures import ProcessPoolExecutor
        setting = dict(sde=0.05, th0=[0.2, 1.5, 1.0, 2.0, -0.5, -0.4], st5=[0, 0, 0],
                       cal=[-0.6, -0.4], cbe=[-0.45, -0.35], alo=-0.85, ahi=-0.15)
        with ProcessPoolExecutor(2) as ex:
            r = model_fit_simulation(nM=30, R=100, seed=1, executor=ex, chunks=20, progress=True,
                   **setting, thref=thref)
        # from distributed import Client
        # r = model_fit_simulation(..., executor=Client("tcp://scheduler:8786").get_executor())
    """
    o = _ll.noxeqfit_msim(nM=nM, sde=sde, Rm=R, seed=seed, th0=th0, st5=st5, maxit=maxit,
                          cal=cal, cbe=cbe, alo=alo, ahi=ahi, thref=thref, executor=executor,
                          chunks=chunks, progress=progress).out
    return SimulationResult(columns=dict(zip(_MSIM_COLS, o.reshape(8, -1))))


def null_statistics(nM, sde, R, seed, th0, st5, cal, cbe, alo, ahi, maxit=200, executor=None,
                    chunks=None, progress=None):
    """Null distribution of the profile statistic T (about 5 s per replicate).

    Returns
    -------
    SimulationResult
        Column T (R values).
    Examples
    --------
    Shards on two local processes, or on a Dask cluster (same numbers)::

        from concurrent.futures import ProcessPoolExecutor
        setting = dict(sde=0.05, th0=[0.2, 1.5, 1.0, 2.0, -0.5, -0.4], st5=[0, 0, 0],
                       cal=[-0.6, -0.4], cbe=[-0.45, -0.35], alo=-0.85, ahi=-0.15)
        with ProcessPoolExecutor(2) as ex:
            r = null_statistics(nM=30, R=100, seed=1, executor=ex, chunks=20, progress=True,
                   **setting)
        # from distributed import Client
        # r = null_statistics(..., executor=Client("tcp://scheduler:8786").get_executor())
    """
    o = _ll.noxeqfit_nullT(nM=nM, sde=sde, R2=R, seed=seed, th0=th0, st5=st5, maxit=maxit,
                           cal=cal, cbe=cbe, alo=alo, ahi=ahi, executor=executor,
                           chunks=chunks, progress=progress).out
    return SimulationResult(columns={"T": o})


def estimation_simulation(a0, b0, R, sizes, seed, maxit=200, executor=None, chunks=None,
                          progress=None):
    """Estimation study of the bc exponents by likelihood, moments and L-moments.

    Returns
    -------
    SimulationResult
        Columns "alpha_ml[n]", "alpha_mom[n]", "alpha_lmom[n]", "beta_..." per size n.

    Examples
    --------
    >>> s = estimation_simulation(1.5, 2.5, R=3, sizes=[20], seed=1, maxit=50)
    >>> s["alpha_ml[20]"].shape
    (3,)
    """
    sizes = np.atleast_1d(sizes)
    o = _ll.noxeqfit_estsim(a0=a0, b0=b0, R=R, nsizes=sizes, seed=seed, maxit=maxit,
                            executor=executor, chunks=chunks, progress=progress).out
    cols = o.reshape(6 * sizes.size, -1)
    names = {}
    for e, n in enumerate(sizes):
        for k, nm in enumerate(("alpha_ml", "alpha_mom", "alpha_lmom", "beta_ml", "beta_mom",
                                "beta_lmom")):
            names["%s[%d]" % (nm, n)] = cols[6 * e + k]
    return SimulationResult(columns=names)
