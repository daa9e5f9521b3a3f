"""Circular fits, the Monte Carlo interval for c3 and the goodness-of-fit test."""
import numpy as np

from . import lowlevel as _ll
from .results import Result

__all__ = ["fit_circ3", "fit_circular_fourier", "circ3_interval", "circ3_gof"]


class CircularFit(Result):
    """A fitted circular distribution: ``params`` (dict) and ``solved`` (bool).

    Examples
    --------
    See :func:`fit_circ3` and :func:`fit_circular_fourier`.
    """

    _fields = ("params", "solved")


def fit_circ3(theta, nodes=4096):
    """Moment fit of the cubic circular family.

    Parameters
    ----------
    theta : array_like
        Angles in radians.
    nodes : int
        Midpoint-rule nodes of the moment integrals.

    Returns
    -------
    CircularFit
        params (mu, c3, resultant_length); solved is False when c3 was clipped.

    Examples
    --------
    >>> from noxara import circ3
    >>> th = circ3(0.4, mu=1.0).rvs(500, random_state=1)
    >>> f = fit_circ3(th)
    >>> bool(abs(f.params["c3"] - 0.4) < 0.3)
    True
    """
    o = _ll.noxc_fit3(theta=theta, nodes=nodes).out
    return CircularFit(params={"mu": float(o[0]), "c3": float(o[1]),
                               "resultant_length": float(o[2])}, solved=bool(o[3] == 1.0))


def fit_circular_fourier(theta, M, margin=0.05, nodes=4096):
    """Fourier-family fit of order M (circular L-moments, shrinkage, factorisation).

    Returns
    -------
    CircularFit
        params: coefficients (complex array of M + 1), mu, t (shrink factor); solved is
        True when no shrinkage was needed.

    Examples
    --------
    >>> from noxara import circ3
    >>> f = fit_circular_fourier(circ3(0.4).rvs(300, random_state=2), M=2)
    >>> f.params["coefficients"].shape
    (3,)
    """
    o = _ll.noxc_fit_fr(theta=theta, nm=M, margin=margin, nodes=nodes).out
    coef = o[0:2 * M + 2:2] + 1j * o[1:2 * M + 2:2]
    return CircularFit(params={"coefficients": coef, "mu": float(o[2 * M + 2]),
                               "t": float(o[2 * M + 3])}, solved=bool(o[2 * M + 4] == 1.0))


class IntervalResult(Result):
    """Monte Carlo interval for c3: lower, upper, statistic, grid and p-values.

    Examples
    --------
    See :func:`circ3_interval`.
    """

    _fields = ("lower", "upper", "statistic", "level")


def circ3_interval(theta, grid, B, seed, level=0.05, statistic="arc", groups=0,
                   executor=None, chunks=None, progress=None):
    """Monte Carlo interval for c3: the grid values whose two-sided p-value exceeds level.

    Parameters
    ----------
    theta : array_like
        Angles (radians).
    grid : array_like
        Candidate c3 values.
    B : int
        Replicates per grid point (cost grows with B * len(grid)).
    seed : int
    level : float
        Significance level.
    statistic : {"arc", "resultant"}
    groups : int
        Number of grouping bins (0: none).
    executor, chunks, progress
        Grid-point shards, see :mod:`noxara.lowlevel`.

    Returns
    -------
    IntervalResult
        lower, upper (NaN if no grid value is kept), statistic, grid, pvalues.

    Examples
    --------
    >>> import numpy as np
    >>> from noxara import circ3
    >>> th = circ3(0.4, mu=1.0).rvs(200, random_state=4)
    >>> ci = circ3_interval(th, np.linspace(-0.9, 0.9, 7), B=50, seed=1)
    >>> ci.pvalues.shape
    (7,)
    """
    if statistic not in ("arc", "resultant"):
        raise ValueError("circ3_interval: 'statistic' must be 'arc' or 'resultant'")
    grid = np.ascontiguousarray(np.asarray(grid, dtype=np.float64)).reshape(-1)
    o = _ll.noxc_exact_ci(theta=theta, Bp=B, seedp=seed, cgrid=grid,
                          statp=0 if statistic == "resultant" else 1, groupp=groups, levp=level,
                          executor=executor, chunks=chunks, progress=progress).out
    return IntervalResult(lower=float(o[0]), upper=float(o[1]), statistic=float(o[2]),
                          level=level, grid=grid, pvalues=o[3:])


class GofResult(Result):
    """Goodness-of-fit test: statistic and Monte Carlo p-value.

    Examples
    --------
    See :func:`circ3_gof`.
    """

    _fields = ("statistic", "pvalue")


def circ3_gof(theta, c3, mu, B, seed, executor=None, chunks=None, progress=None):
    """Goodness of fit of angles to the cubic family (c3, mu), Monte Carlo p-value.

    Returns
    -------
    GofResult

    Examples
    --------
    >>> from noxara import circ3
    >>> th = circ3(0.4, mu=1.0).rvs(200, random_state=4)
    >>> bool(0 < circ3_gof(th, 0.4, 1.0, B=99, seed=1).pvalue <= 1)
    True
    """
    o = _ll.noxc_gof(theta=theta, c3p=c3, mup=mu, Bp=B, seedp=seed, executor=executor,
                     chunks=chunks, progress=progress).out
    return GofResult(statistic=float(o[0]), pvalue=float(o[1]))
