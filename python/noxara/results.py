"""Result objects returned by the idiomatic functions."""
import numpy as np

__all__ = ["Result", "BootstrapResult", "SimulationResult"]


def _fmt(v):
    if isinstance(v, dict):
        return "{" + ", ".join("%s=%s" % (k, _fmt(x)) for k, x in v.items()) + "}"
    if isinstance(v, (float, np.floating)):
        return "%.6g" % v
    if isinstance(v, np.ndarray) and v.size > 6:
        return "array of %s values" % (v.shape,)
    if isinstance(v, np.ndarray):
        return np.array2string(v, precision=6)
    if False:
        return "array of %s values" % (v.shape,)
    return repr(v)


class Result:
    """Attribute bag printed readably: one ``name: value`` line per field.

    Examples
    --------
    >>> Result(a=1.5, b=2)
    Result
      a:         1.5
      b:         2
    """

    _fields = ()

    def __init__(self, **kw):
        self.__dict__.update(kw)

    def __repr__(self):
        head = type(self).__name__
        fields = self._fields or tuple(self.__dict__)
        body = "\n".join("  %-10s %s" % (k + ":", _fmt(getattr(self, k))) for k in fields)
        return head + "\n" + body


class BootstrapResult(Result):
    """Point estimate(s) with bootstrap replicates.

    Attributes
    ----------
    estimate : float or ndarray
        Estimate from the data as given.
    replicates : ndarray
        One row per replicate (NaN where a replicate's fit failed).
    n_failed : int
        Replicates with a NaN.

    Examples
    --------
    >>> import numpy as np
    >>> b = BootstrapResult(1.0, np.array([0.8, 0.9, np.nan, 1.1, 1.2]))
    >>> b.n_failed, b.interval(0.5)
    (1, (0.875, 1.125))
    """

    _fields = ("estimate", "replicates", "n_failed")

    def __init__(self, estimate, replicates, **kw):
        reps = np.asarray(replicates)
        bad = np.isnan(reps) if reps.ndim == 1 else np.isnan(reps).any(axis=1)
        super().__init__(estimate=estimate, replicates=reps, n_failed=int(bad.sum()), **kw)

    def interval(self, level=0.95):
        """Quantile (percentile) interval of the finite replicates, per column.

        Parameters
        ----------
        level : float in (0, 1)

        Returns
        -------
        (lower, upper) : floats or arrays (one per column); NaN when no replicate is finite.
        """
        if not 0.0 < level < 1.0:
            raise ValueError("interval: 'level' must lie in (0, 1)")
        a = (1.0 - level) / 2.0
        reps = self.replicates
        cols = reps.reshape(len(reps), -1) if reps.size else reps.reshape(0, 1)
        lo, hi = [], []
        for c in cols.T:
            c = c[np.isfinite(c)]
            lo.append(np.quantile(c, a) if c.size else np.nan)
            hi.append(np.quantile(c, 1.0 - a) if c.size else np.nan)
        if reps.ndim == 1:
            return float(lo[0]), float(hi[0])
        return np.array(lo), np.array(hi)


class SimulationResult(Result):
    """Columns of a simulation study.

    Attributes
    ----------
    columns : dict of str -> ndarray
        One array per quantity, one value per replicate (NaN where a fit failed).

    Examples
    --------
    >>> import numpy as np
    >>> s = SimulationResult(columns={"T": np.array([1.0, 2.0, np.nan])})
    >>> s["T"].size
    3
    """

    _fields = ("columns",)

    def __getitem__(self, key):
        return self.columns[key]

    def __repr__(self):
        lines = [type(self).__name__]
        for k, v in self.columns.items():
            f = v[np.isfinite(v)]
            lines.append("  %-22s n=%d  mean=%.6g  sd=%.6g  failed=%d" % (
                k, v.size, f.mean() if f.size else np.nan,
                f.std(ddof=1) if f.size > 1 else np.nan, v.size - f.size))
        return "\n".join(lines)
