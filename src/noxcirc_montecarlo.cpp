// Monte Carlo procedures for the cubic circular family: a confidence set for
// c3 by inverting a test over a grid of candidate values, and a
// goodness-of-fit test of one given member of the family. Both rest on a circular
// uniformity statistic of positions on [0, 1) and draw their replicates from
// SplitMix64 streams derived from (seed, grid index), so results are exactly
// reproducible from the arguments.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "noxara.h"
#include "noxcirc.h"
#include "numerics/common.h"
#include "numerics/scratch.h"

namespace noxara {
namespace {

// Three-way comparison for qsort: -1, 0, +1; NaN compares equal to everything.
int noxc_dcmp(const void* a, const void* b) { return cmp_double(a, b); }

}  // namespace

// Rounds a position to the nearest multiple of 1/k, mapping 1 back to 0:
// data recorded on a grid of k bins.
double noxc_group(double th01, int k) {
  const double dk = static_cast<double>(k);
  const double g = std::floor(th01 * dk + 0.5) / dk;
  return g - std::floor(g);
}

// Uniformity statistic of n positions on [0, 1).
// which == 0: mean resultant length of the angles 2*pi*u.
// which != 0: length of the closed polygon through the sorted positions with
// vertical steps 1/n (smallest, sqrt(2), for evenly spread points); `work`
// holds n doubles and receives the sorted copy. Needs n >= 1 (NaN otherwise).
double noxc_stat(const double* u01, int n, int which, double* work) {
  if (which == 0) {
    double cs = 0.0, sn = 0.0;
    for (int i = 0; i < n; ++i) {
      const double a = kCircTwoPi * u01[i];
      cs += std::cos(a);
      sn += std::sin(a);
    }
    const double dn = static_cast<double>(n);
    const double mc = cs / dn;
    const double ms = sn / dn;
    return std::sqrt(mc * mc + ms * ms);
  }
  if (n < 1) return nan_marker();
  const std::size_t nn = static_cast<std::size_t>(n);
  for (std::size_t i = 0; i < nn; ++i) work[i] = u01[i];
  std::qsort(work, nn, sizeof(double), noxc_dcmp);
  const double c = 1.0 / static_cast<double>(n);
  double s = 0.0;
  for (std::size_t i = 0; i + 1 < nn; ++i) {
    const double d = work[i + 1] - work[i];
    s += std::sqrt(d * d + c * c);
  }
  const double gap = 1.0 - (work[nn - 1] - work[0]);
  s += std::sqrt(gap * gap + c * c);
  return s;
}

}  // namespace noxara

using namespace noxara;

// out (ng + 3 values): out[0], out[1] = first and last accepted grid entries in
// grid order (NaN when none), out[2] = observed statistic, out[3 + j] =
// two-sided Monte Carlo p-value at cgrid[j].
extern "C" NOXARA_API void noxc_exact_ci(const double* theta, const int* np, const int* Bp,
                                         const int* seedp, const double* cgrid,
                                         const int* ngp, const int* statp,
                                         const int* groupp, const double* levp,
                                         double* out) {
  const int n = *np;
  const int B = *Bp;
  const int seed = *seedp;
  const int ng = (*ngp > 0) ? *ngp : 0;
  const int which = *statp;
  const int k = *groupp;
  const double alpha = *levp;
  const double qnan = nan_marker();

  // Both statistics need at least one position.
  if (n < 1) {
    fill_nan(out, static_cast<std::size_t>(ng) + 3u);
    return;
  }
  const std::size_t nn = static_cast<std::size_t>(n);

  {
    Scratch<double> u(nn), work(nn);
    if (!u.ok() || !work.ok()) {
      fill_nan(out, static_cast<std::size_t>(ng) + 3u);
      return;
    }
    // No location is removed: both statistics are invariant under rotation.
    for (std::size_t i = 0; i < nn; ++i) {
      const double x = theta[i] / kCircTwoPi;
      double t = x - std::floor(x);
      if (k >= 1) t = noxc_group(t, k);
      u[i] = t;
    }
    out[2] = noxc_stat(u.data(), n, which, work.data());
  }
  const double tobs = out[2];

  const double dB1 = static_cast<double>(B) + 1.0;
  for (int j = 0; j < ng; ++j) {
    const std::size_t slot = 3u + static_cast<std::size_t>(j);
    // A negative replicate count has no p-value.
    if (B < 0) {
      out[slot] = qnan;
      continue;
    }
    Scratch<double> pos(nn), work(nn);
    if (!pos.ok() || !work.ok()) {
      out[slot] = qnan;
      continue;
    }
    const double c = cgrid[j];
    // Each grid point has its own stream, so its p-value depends only on
    // (seed, j) and cgrid[j].
    std::uint64_t state = noxc_seed(seed, j);
    std::int64_t le = 0, ge = 0;
    for (std::int64_t b = 1; b <= B; ++b) {
      const double rot = noxc_unif(state);
      for (std::size_t i = 0; i < nn; ++i) {
        const double x = noxc_unif(state);
        double t = noxc_Q3_one(x, c) + rot;
        t = t - std::floor(t);
        if (k >= 1) t = noxc_group(t, k);
        pos[i] = t;
      }
      const double tb = noxc_stat(pos.data(), n, which, work.data());
      if (tb <= tobs) ++le;
      if (tb >= tobs) ++ge;
    }
    const double pl = (static_cast<double>(le) + 1.0) / dB1;
    const double pu = (static_cast<double>(ge) + 1.0) / dB1;
    out[slot] = std::fmin(1.0, 2.0 * std::fmin(pl, pu));
  }

  // A grid point without a p-value (no scratch, or no replicates) leaves the
  // interval unknown.
  double lo = qnan, hi = qnan;
  bool holes = false;
  for (int j = 0; j < ng; ++j) {
    if (std::isnan(out[3u + static_cast<std::size_t>(j)])) holes = true;
    if (out[3u + static_cast<std::size_t>(j)] > alpha) {
      hi = cgrid[j];
      if (std::isnan(lo)) lo = cgrid[j];
    }
  }
  out[0] = holes ? qnan : lo;
  out[1] = holes ? qnan : hi;
}

// out[0] = arc-length statistic of the probability-integral-transformed
// sample, out[1] = Monte Carlo p-value (upper tail).
extern "C" NOXARA_API void noxc_gof(const double* theta, const int* np, const double* c3p,
                                    const double* mup, const int* Bp, const int* seedp,
                                    double* out) {
  const int n = *np;
  const double c3 = *c3p;
  const double mu = *mup;
  const int B = *Bp;
  const int seed = *seedp;
  const double qnan = nan_marker();

  // The arc-length statistic needs at least one position.
  if (n < 1) {
    out[0] = qnan;
    out[1] = qnan;
    return;
  }
  const std::size_t nn = static_cast<std::size_t>(n);
  Scratch<double> u(nn), work(nn);
  if (!u.ok() || !work.ok()) {
    out[0] = qnan;
    out[1] = qnan;
    return;
  }
  for (std::size_t i = 0; i < nn; ++i) {
    const double x = (theta[i] - mu) / kCircTwoPi;
    const double t = x - std::floor(x);
    u[i] = noxc_Qinv(t, c3);
  }
  const double tobs = noxc_stat(u.data(), n, 1, work.data());
  out[0] = tobs;
  // A negative replicate count has no p-value.
  if (B < 0) {
    out[1] = qnan;
    return;
  }

  std::uint64_t state = noxc_seed(seed, 0);
  std::int64_t ge = 0;
  for (std::int64_t b = 1; b <= B; ++b) {
    for (std::size_t i = 0; i < nn; ++i) u[i] = noxc_unif(state);
    const double tb = noxc_stat(u.data(), n, 1, work.data());
    if (tb >= tobs) ++ge;
  }
  out[1] = (static_cast<double>(ge) + 1.0) / (static_cast<double>(B) + 1.0);
}
