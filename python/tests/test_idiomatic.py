import matplotlib.pyplot as plt
import numpy as np
import pytest

import noxara
from noxara import lowlevel as ll

P = np.linspace(0.01, 0.99, 25)


@pytest.mark.parametrize("dist,ppf", [
    # closed forms: logistic (k = 0, h = -1), Gumbel (k = 0, h = 0), exponential (k = 0, h = 1)
    (noxara.kappa4(0.0, -1.0, loc=1.0, scale=2.0), lambda p: 1.0 + 2.0 * np.log(p / (1 - p))),
    (noxara.kappa4(0.0, 0.0), lambda p: -np.log(-np.log(p))),
    (noxara.kappa4(0.0, 1.0), lambda p: -np.log(1 - p)),
    (noxara.bc(0.0, 0.0), lambda p: p),                      # uniform on [0, 1]
    (noxara.circ3(0.0, mu=0.5), lambda p: np.mod(0.5 + 2 * np.pi * p, 2 * np.pi)),
])
def test_distributions_against_closed_forms_and_round_trips(dist, ppf):
    x = dist.ppf(P)
    assert np.allclose(x, ppf(P), rtol=1e-9, atol=1e-9)
    assert np.allclose(dist.cdf(x), P, atol=1e-9)
    assert np.allclose(dist.sf(x), 1 - P, atol=1e-9)
    h = 1e-5
    num = (dist.cdf(x + h) - dist.cdf(x - h)) / (2 * h)
    assert np.allclose(dist.pdf(x), num, rtol=1e-4)
    assert np.allclose(dist.logpdf(x), np.log(dist.pdf(x)))
    r = dist.rvs(size=(3, 4), random_state=1)
    assert r.shape == (3, 4) and np.array_equal(r, dist.rvs(size=(3, 4), random_state=1))


def test_broadcasting_support_and_moments():
    d = noxara.kappa4(np.array([0.0, 0.1]), 0.4, loc=[[0.0], [1.0]])
    assert d.cdf(0.5).shape == (2, 2)
    assert d.cdf(0.5)[1, 1] == noxara.kappa4(0.1, 0.4, loc=1.0).cdf(0.5)
    assert noxara.kappa4(0.2, 0.3).pdf(100.0) == 0.0          # beyond the upper bound 1/k
    b = noxara.bc(0.5, 1.5)
    assert b.pdf(-1.0) == 0.0 and b.pdf(1.0) == 0.0 and b.cdf(1.0) == 1.0
    lm = noxara.kappa4(0.0, 0.0, loc=1.0, scale=2.0).lmoments()
    assert abs(lm["l1"] - (1.0 + 2.0 * np.euler_gamma)) < 1e-4   # Gumbel mean (quadrature)
    assert abs(lm["tau3"] - 0.1699) < 1e-3
    m = noxara.circ3(0.0, mu=1.0).trig_moment(1)
    assert abs(m) < 1e-12                                       # uniform: no first moment
    assert abs(noxara.circ3.c3max() - 3 * np.sqrt(3) / 5) < 1e-15


def test_arclength_test_and_its_cache():
    u = np.linspace(0.05, 0.95, 10)
    r = noxara.arclength_test(u)
    assert r.statistic == ll.al_statistic(u=u).out[0]
    assert (r.mean, r.var) == tuple(ll.al_moments(n=10).out[:2])
    assert 0.0 <= r.pvalue <= 1.0 and "pvalue" in repr(r)
    px, py = r.polygon()
    assert abs(np.hypot(np.diff(px), np.diff(py)).sum() - r.statistic) < 1e-12
    r.plot()
    plt.close("all")
    with pytest.raises(ValueError, match="'u'"):
        noxara.arclength_test([0.2, 1.3])
    noxara.tests._moments.cache_clear()
    noxara.arclength_test(u)
    noxara.arclength_test(u[::-1])
    assert noxara.tests._moments.cache_info().hits == 1


X = np.linspace(-2.0, 4.0, 40)
Y = 0.5 + 2.0 * ll.k4_F(X, 0.8, 0.9, 0.1, 0.4) + 0.002 * np.sin(9 * X)


@pytest.mark.parametrize("method", ["nls", "nls_drift", "varpro", "nalr"])
def test_curve_fit_methods(method):
    f = noxara.fit_kappa4_curve(X, Y, method=method)
    if method != "nalr":   # band arc lengths do not minimise the squared residuals
        assert f.rss < 1e-3 and abs(f.params["mu"] - 0.8) < 0.05
        assert np.allclose(f.residuals, Y - f.predict(X))
    assert set(f.readings) == {"tangent_intercept", "inflection", "steepest"}
    ax = f.plot()
    assert len(ax.lines) >= 2
    plt.close("all")


def test_curve_fit_rejects_bad_input():
    with pytest.raises(ValueError, match="method"):
        noxara.fit_kappa4_curve(X, Y, method="magic")
    with pytest.raises(ValueError, match="same length"):
        noxara.fit_kappa4_curve(X, Y[:-1])


def test_bootstrap_interval_and_simulation_columns():
    r = noxara.BootstrapResult(1.0, np.array([np.nan, 1.0, 2.0, 3.0, 4.0]))
    assert r.n_failed == 1 and r.interval(0.5) == (1.75, 3.25)
    with pytest.raises(ValueError, match="level"):
        r.interval(1.5)
    s = noxara.estimation_simulation(1.5, 2.5, R=3, sizes=[20, 40], seed=1, maxit=50)
    full = ll.noxeqfit_estsim(a0=1.5, b0=2.5, R=3, nsizes=[20, 40], seed=1, maxit=50).out
    assert np.array_equal(s["beta_ml[40]"], full[(6 + 3) * 3:(6 + 4) * 3], equal_nan=True)


def test_circular_fits_interval_and_gof():
    th = noxara.circ3(0.4, mu=1.0).rvs(400, random_state=3)
    f = noxara.fit_circ3(th)
    assert abs(f.params["c3"] - 0.4) < 0.25 and f.solved
    ff = noxara.fit_circular_fourier(th, 2)
    assert ff.params["coefficients"].shape == (3,)
    g = noxara.circ3_gof(th, 0.4, 1.0, B=30, seed=2)
    assert 0.0 < g.pvalue <= 1.0
    ci = noxara.circ3_interval(th, np.linspace(-0.5, 1.0, 4), B=20, seed=2)
    assert ci.pvalues.shape == (4,)


@pytest.mark.parametrize("module", ["noxara", "noxara.lowlevel", "noxara.distributions",
                                    "noxara.tests", "noxara.fits", "noxara.circular",
                                    "noxara.results"])
def test_docstring_examples_run(module):
    import doctest
    import importlib
    res = doctest.testmod(importlib.import_module(module), optionflags=doctest.ELLIPSIS)
    assert res.failed == 0
