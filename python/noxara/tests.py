"""The arc-length test of uniformity."""
import functools

import numpy as np

from . import lowlevel as _ll
from .results import Result

__all__ = ["arclength_test", "ArcLengthTestResult"]


@functools.lru_cache(maxsize=256)
def _moments(n):
    return tuple(_ll.al_moments(n=n).out)


class ArcLengthTestResult(Result):
    """Result of :func:`arclength_test`.

    Attributes
    ----------
    statistic : float
        Arc length S of the polygon through the sorted sample (sqrt(2) at perfect
        regularity, 2 at the most extreme clustering).
    pvalue : float
        Saddlepoint approximation of P(S >= statistic) under uniformity.
    mean, var : float
        Exact mean and variance of S under uniformity.
    n : int
        Sample size.

    Examples
    --------
    >>> r = arclength_test([0.2, 0.4, 0.6, 0.8])
    >>> x, y = r.polygon()
    >>> x.size, float(y[0]), float(y[-1])
    (6, 0.0, 1.0)
    """

    _fields = ("statistic", "pvalue", "mean", "var", "n")

    def polygon(self):
        """Vertices (x, y) of the polygon whose length is the statistic: (0, 0), then
        (i/(n+1), u_(i)) for the sorted sample, then (1, 1)."""
        n = self.n
        x = np.arange(n + 2) / (n + 1.0)
        y = np.concatenate([[0.0], np.sort(self.sample), [1.0]])
        return x, y

    def plot(self, ax=None):
        """The polygon against the diagonal (matplotlib); returns the Axes."""
        import matplotlib.pyplot as plt
        if ax is None:
            ax = plt.figure().add_subplot()
        x, y = self.polygon()
        ax.plot([0, 1], [0, 1], "--", color="0.5", label="diagonal (length sqrt 2)")
        ax.plot(x, y, "-o", ms=3, label="sample polygon, S = %.4f" % self.statistic)
        ax.set_xlabel("i / (n + 1)")
        ax.set_ylabel("sorted sample")
        ax.set_title("arc-length test: p = %.3g" % self.pvalue)
        ax.legend(loc="upper left", fontsize=8)
        return ax


def arclength_test(u):
    """Arc-length test that a sample in [0, 1] is uniform.

    Parameters
    ----------
    u : array_like of float
        Sample in [0, 1], for instance probability-integral transforms under a model.

    Returns
    -------
    ArcLengthTestResult

    Notes
    -----
    The exact moments cost 0.1-0.2 s for a new n; they are kept for the session.

    Examples
    --------
    >>> r = arclength_test([0.1, 0.35, 0.5, 0.72, 0.9])
    >>> r.n, bool(r.statistic >= 2 ** 0.5)
    (5, True)
    """
    u = np.ascontiguousarray(np.asarray(u, dtype=np.float64)).reshape(-1)
    if u.size == 0:
        raise ValueError("arclength_test: argument 'u' is empty")
    if np.any((u < 0.0) | (u > 1.0)):
        raise ValueError("arclength_test: argument 'u' must lie in [0, 1] (probabilities)")
    s = float(_ll.al_statistic(u=u).out[0])
    mean, var = _moments(u.size)[:2]
    p = float(_ll.al_pvalue(s=s, n=u.size).out[0])
    return ArcLengthTestResult(statistic=s, pvalue=p, mean=mean, var=var, n=u.size, sample=u)
