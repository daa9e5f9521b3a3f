"""noxara: statistical routines around the arc length of curves.

Layers
------
noxara.lowlevel
    One checked function per library routine, named as the routine.
noxara (this namespace)
    Distributions (:class:`kappa4`, :class:`bc`, :class:`circ3`), :func:`arclength_test`,
    :func:`fit_kappa4_curve` and result objects for fits, bootstraps and simulations.

Examples
--------
>>> import noxara
>>> r = noxara.arclength_test([0.02, 0.1, 0.12, 0.5, 0.51, 0.95])
>>> bool(0.0 <= r.pvalue <= 1.0)
True
"""
from . import lowlevel
from ._lib import library_path
from .circular import circ3_gof, circ3_interval, fit_circ3, fit_circular_fourier
from .distributions import bc, circ3, kappa4
from .fits import (bootstrap_bc, bootstrap_k4eq, estimation_simulation, fit_bc, fit_k4eq,
                   fit_kappa4_curve, model_fit_simulation, null_statistics, reading_bootstrap)
from .results import BootstrapResult, SimulationResult
from .tests import arclength_test

__version__ = "0.1.0"

__all__ = ["lowlevel", "library_path", "kappa4", "bc", "circ3", "arclength_test",
           "fit_kappa4_curve", "fit_bc", "bootstrap_bc", "fit_k4eq", "bootstrap_k4eq",
           "reading_bootstrap", "model_fit_simulation", "null_statistics",
           "estimation_simulation", "fit_circ3", "fit_circular_fourier", "circ3_interval",
           "circ3_gof", "BootstrapResult", "SimulationResult"]
