"""Distributions in the scipy.stats style, computed by the library.

Each object takes its parameters once and offers ``pdf``, ``cdf``, ``ppf``, ``sf``,
``logpdf`` and ``rvs``; every method broadcasts over its argument and the parameters.
"""
import numpy as np

from . import lowlevel as _ll

__all__ = ["kappa4", "bc", "circ3"]


def _rng(random_state):
    if isinstance(random_state, np.random.Generator):
        return random_state
    if isinstance(random_state, np.random.RandomState):
        return random_state
    return np.random.default_rng(random_state)


def _elementwise(fn, x, params):
    """Broadcast x with the parameters; call ``fn(xflat, *scalars)`` once per parameter set."""
    arrs = [np.asarray(x, dtype=np.float64)] + [np.asarray(p, dtype=np.float64) for p in params]
    b = np.broadcast_arrays(*arrs)
    shape = b[0].shape
    if all(np.asarray(p).size == 1 for p in params):
        out = fn(np.ascontiguousarray(b[0]).reshape(-1), *[float(np.asarray(p).reshape(-1)[0])
                                                            for p in params])
        return out.reshape(shape)
    flat = [np.ascontiguousarray(a).reshape(-1) for a in b]
    out = np.empty(flat[0].size)
    for i in range(out.size):
        out[i] = fn(flat[0][i:i + 1], *[f[i] for f in flat[1:]])[0]
    return out.reshape(shape)


def _ret(v):
    return v[()] if v.ndim == 0 else v


class _Dist:
    def sf(self, x):
        """Survival function 1 - cdf(x)."""
        return _ret(1.0 - np.asarray(self.cdf(x)))

    def logpdf(self, x):
        """Logarithm of the density (-inf where the density is 0)."""
        with np.errstate(divide="ignore"):
            return _ret(np.log(np.asarray(self.pdf(x))))

    def rvs(self, size=None, random_state=None):
        """Random variates by the quantile function of uniform draws.

        Parameters
        ----------
        size : int or tuple, optional
        random_state : None, int, numpy Generator or RandomState
        """
        u = _rng(random_state).random(size)
        return self.ppf(u)


class kappa4(_Dist):
    """Kappa-4 distribution. NOTE THE ARGUMENT ORDER: ``kappa4(k, h, loc, scale)``.

    scipy.stats.kappa4 takes h first; here k comes first, matching the library.
    F(x) = (1 - h (1 - k (x - loc)/scale)^(1/k))^(1/h), with the usual limits at k = 0
    and h = 0.

    Parameters
    ----------
    k, h : float or array_like
        Shape parameters.
    loc : float or array_like, default 0
    scale : float or array_like, > 0, default 1

    Notes
    -----
    Outside the support the density is 0 and the distribution function 0 or 1.

    Examples
    --------
    >>> d = kappa4(0.1, 0.4, loc=1.0, scale=2.0)
    >>> bool(abs(d.cdf(d.ppf(0.3)) - 0.3) < 1e-12)
    True
    """

    def __init__(self, k, h, loc=0.0, scale=1.0):
        self.k, self.h, self.loc, self.scale = k, h, loc, scale

    def _p(self):
        return (self.loc, self.scale, self.k, self.h)

    def pdf(self, x):
        """Density at x."""
        f = lambda x, mu, sg, k, h: _ll.noxk4_pdf(x=x, mu=mu, sg=sg, k=k, h=h).out
        return _ret(_elementwise(f, x, self._p()))

    def cdf(self, x):
        """Distribution function at x."""
        f = lambda x, mu, sg, k, h: _ll.noxk4_cdf(x=x, mu=mu, sg=sg, k=k, h=h).out
        return _ret(_elementwise(f, x, self._p()))

    def ppf(self, q):
        """Quantile function at probabilities q."""
        f = lambda u, mu, sg, k, h: _ll.noxk4_q(u=u, mu=mu, sg=sg, k=k, h=h).out
        return _ret(_elementwise(f, q, self._p()))

    def lmoments(self, nodes=200):
        """L-moments by a Gauss-Legendre rule of ``nodes`` points.

        Returns
        -------
        dict
            ``l1``, ``l2`` (for this loc and scale), ``tau3``, ``tau4`` (ratios).
        """
        b = np.broadcast_arrays(*[np.asarray(v, dtype=float) for v in self._p()])
        out = {key: np.empty(b[0].shape) for key in ("l1", "l2", "tau3", "tau4")}
        for idx in np.ndindex(b[0].shape):
            mu, sg, k, h = (float(a[idx]) for a in b)
            t = _ll.noxk4_tau34(k=k, h=h, nodes=nodes).out
            out["tau3"][idx], out["tau4"][idx] = t[0], t[1]
            out["l1"][idx] = mu + sg * t[2]
            out["l2"][idx] = sg * t[3]
        return {key: _ret(v) for key, v in out.items()}


class bc(_Dist):
    """Beta-kernel quantile family: Q(u) = B(1+alpha, 1+beta) I_u(1+alpha, 1+beta).

    The quantile density is q(u) = u^alpha (1-u)^beta; the support is [0, B(1+alpha, 1+beta)].

    Parameters
    ----------
    alpha, beta : float or array_like
        Exponents of the quantile density (> -1).

    Examples
    --------
    >>> d = bc(0.5, 1.5)
    >>> bool(abs(d.cdf(d.ppf(0.7)) - 0.7) < 1e-10)
    True
    """

    def __init__(self, alpha, beta):
        self.alpha, self.beta = alpha, beta

    def pdf(self, x):
        """Density 1/q(F(x)) inside the support [0, B], 0 outside it."""
        def f(x, a, b):
            d = _ll.noxeq2_bc_pdf(x=x, alpha=a, beta=b).out
            top = _ll.noxeq2_bc_q(u=[1.0], alpha=a, beta=b).out[0]
            return np.where((x < 0.0) | (x > top), 0.0, d)
        return _ret(_elementwise(f, x, (self.alpha, self.beta)))

    def cdf(self, x):
        """Distribution function (0 below, 1 above the support)."""
        f = lambda x, a, b: _ll.noxeq2_bc_cdf(x=x, alpha=a, beta=b).out
        return _ret(_elementwise(f, x, (self.alpha, self.beta)))

    def ppf(self, q):
        """Quantile function Q(q)."""
        f = lambda u, a, b: _ll.noxeq2_bc_q(u=u, alpha=a, beta=b).out
        return _ret(_elementwise(f, q, (self.alpha, self.beta)))


class circ3(_Dist):
    """Cubic circular family: quantile Q(u) = u + 5 c3 u^2 (1-u)^2 of the turn, rotated by mu.

    Angles are in radians in [0, 2 pi). The density (per radian) is
    1 / (2 pi q(u)) with q(u) = 1 + 10 c3 u (1-u)(1-2u); it is a density for
    |c3| <= 3 sqrt(3)/5 (:meth:`c3max`).

    Parameters
    ----------
    c3 : float or array_like
        Shape, |c3| <= 3 sqrt(3)/5.
    mu : float or array_like, default 0
        Location (radians): the angle at probability 0.

    Examples
    --------
    >>> d = circ3(0.5, mu=1.0)
    >>> bool(abs(d.cdf(d.ppf(0.25)) - 0.25) < 1e-9)
    True
    """

    def __init__(self, c3, mu=0.0):
        self.c3, self.mu = c3, mu

    @staticmethod
    def c3max():
        """Largest |c3| with a non-negative quantile density, 3 sqrt(3)/5."""
        return float(_ll.noxc_c3max().out[0])

    def pdf(self, x):
        """Density per radian at angles x."""
        f = lambda t, c3, mu: _ll.noxc_dens3(theta=t, c3=c3, mu=mu).out
        return _ret(_elementwise(f, x, (self.c3, self.mu)))

    def ppf(self, q):
        """Angle in [0, 2 pi) at probability q."""
        f = lambda u, c3, mu: _ll.noxc_rand3(unif=u, c3=c3, mu=mu).out
        return _ret(_elementwise(f, q, (self.c3, self.mu)))

    def cdf(self, x):
        """Probability from mu counterclockwise to the angle x (inverts Q by bisection)."""
        def f(t, c3, mu):
            frac = np.mod((t - mu) / (2.0 * np.pi), 1.0)
            lo, hi = np.zeros_like(frac), np.ones_like(frac)
            for _ in range(60):
                mid = 0.5 * (lo + hi)
                below = _ll.noxc_Q3(u=mid, c3=c3).out < frac
                lo = np.where(below, mid, lo)
                hi = np.where(below, hi, mid)
            return np.where(np.isfinite(t), 0.5 * (lo + hi), np.nan)
        return _ret(_elementwise(f, x, (self.c3, self.mu)))

    def trig_moment(self, p=1, nodes=4096):
        """Order-p trigonometric moment E[exp(i p Theta)] (midpoint rule on ``nodes`` points)."""
        b = np.broadcast_arrays(np.asarray(self.c3, float), np.asarray(self.mu, float))
        out = np.empty(b[0].shape, dtype=complex)
        for idx in np.ndindex(b[0].shape):
            m = _ll.noxc_trigmom3(p=p, c3=float(b[0][idx]), mu=float(b[1][idx]),
                                  nodes=nodes).out
            out[idx] = complex(m[0], m[1])
        return _ret(out)
