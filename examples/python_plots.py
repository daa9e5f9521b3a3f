"""Three pictures drawn with the Python package, written as PNG files.

  kappa4_fit.png    a fitted kappa-4 growth curve with its readings, and the
                    bootstrap spread of the first reading by eight methods
  arclength.png     the arc-length polygon of a sample against the diagonal
  circular.png      a cubic circular density over a histogram of angles

Run: python3 examples/python_plots.py [output directory]
"""
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import noxara  # noqa: E402
from noxara import lowlevel as ll  # noqa: E402


def main(outdir="."):
    os.makedirs(outdir, exist_ok=True)
    rng = np.random.default_rng(2026)

    # A noisy growth curve, its fit and readings, and the reading bootstrap.
    x = np.linspace(-2.0, 4.0, 40)
    y = 0.5 + 2.0 * ll.k4_F(x, 0.8, 0.9, 0.1, 0.4) + rng.normal(0.0, 0.03, x.size)
    fit = noxara.fit_kappa4_curve(x, y, method="nls")
    boot = noxara.reading_bootstrap(x, y, cutx=0.0, B=8, seed=1, maxit=60)
    fig, (a1, a2) = plt.subplots(1, 2, figsize=(10, 4))
    fit.plot(ax=a1)
    a1.set_title("kappa-4 fit, rss %.3g" % fit.rss)
    reps = boot.replicates
    for j, name in enumerate(noxara.fits.MV_METHODS):
        col = reps[:, j][np.isfinite(reps[:, j])]
        a2.plot(np.full(col.size, j), col, "o", ms=4, alpha=0.6)
        a2.plot(j, boot.estimate[j], "k_", ms=14)
    a2.set_xticks(range(8))
    a2.set_xticklabels(noxara.fits.MV_METHODS, rotation=45, fontsize=8)
    a2.set_ylabel("tangent intercept")
    a2.set_title("bootstrap spread of the first reading (B = %d)" % len(reps))
    fig.tight_layout()
    fig.savefig(os.path.join(outdir, "kappa4_fit.png"), dpi=100)

    # The arc-length polygon of a clustered sample.
    u = np.sort(np.concatenate([rng.uniform(0.0, 0.3, 15), rng.uniform(0.6, 1.0, 10)]))
    fig = plt.figure(figsize=(5, 5))
    noxara.arclength_test(u).plot(ax=fig.add_subplot())
    fig.savefig(os.path.join(outdir, "arclength.png"), dpi=100)

    # A cubic circular density over a histogram of angles, with the moment fit.
    angles = noxara.circ3(0.45, mu=1.0).rvs(600, random_state=3)
    f = noxara.fit_circ3(angles)
    t = np.linspace(0.0, 2.0 * np.pi, 400)
    fig = plt.figure(figsize=(6, 4))
    ax = fig.add_subplot()
    ax.hist(angles, bins=36, range=(0, 2 * np.pi), density=True, color="0.8", label="angles")
    ax.plot(t, noxara.circ3(0.45, mu=1.0).pdf(t), label="true (c3 0.45, mu 1)")
    ax.plot(t, noxara.circ3(f.params["c3"], mu=f.params["mu"]).pdf(t), "--",
            label="moment fit (c3 %.2f, mu %.2f)" % (f.params["c3"], f.params["mu"]))
    ax.set_xlabel("angle (radians)")
    ax.set_ylabel("density")
    ax.legend(fontsize=8)
    fig.savefig(os.path.join(outdir, "circular.png"), dpi=100)
    print("wrote kappa4_fit.png, arclength.png, circular.png to", os.path.abspath(outdir))


if __name__ == "__main__":
    main(*sys.argv[1:2])
