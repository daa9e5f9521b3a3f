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
#include "numerics/replicate_range.h"
#include "numerics/scratch.h"

namespace noxara {

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
  sort_doubles(work, nn);
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

namespace {

// Uniform positions on [0, 1) of the sample theta, grouped into k bins when
// k >= 1 (no location removed: both statistics are invariant under rotation).
void noxc_ci_positions(const double* theta, std::size_t nn, int k, double* u) {
  for (std::size_t i = 0; i < nn; ++i) {
    const double x = theta[i] / kCircTwoPi;
    double t = x - std::floor(x);
    if (k >= 1) t = noxc_group(t, k);
    u[i] = t;
  }
}

// Two-sided Monte Carlo p-value of grid index g (value c) against the
// observed statistic tobs: B replicates from the stream of (seed, g).
double noxc_ci_pvalue(std::size_t nn, int B, int seed, int g, double c, int which, int k,
                      double tobs, double* pos, double* work) {
  const int n = static_cast<int>(nn);
  std::uint64_t state = noxc_seed(seed, g);
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
    const double tb = noxc_stat(pos, n, which, work);
    if (tb <= tobs) ++le;
    if (tb >= tobs) ++ge;
  }
  const double dB1 = static_cast<double>(B) + 1.0;
  const double pl = (static_cast<double>(le) + 1.0) / dB1;
  const double pu = (static_cast<double>(ge) + 1.0) / dB1;
  return std::fmin(1.0, 2.0 * std::fmin(pl, pu));
}

// First and last of grid[0..m-1] whose p-value p[j] exceeds alpha, in grid
// order; NaN when there is none. A grid point without a p-value (no
// replicates, or a range that failed) leaves the interval unknown: NaN.
void noxc_ci_bounds(const double* grid, const double* p, std::size_t m, double alpha,
                    double* lo_hi) {
  double lo = nan_marker(), hi = nan_marker();
  bool holes = false;
  for (std::size_t j = 0; j < m; ++j) {
    if (std::isnan(p[j])) holes = true;
    if (p[j] > alpha) {
      hi = grid[j];
      if (std::isnan(lo)) lo = grid[j];
    }
  }
  lo_hi[0] = holes ? nan_marker() : lo;
  lo_hi[1] = holes ? nan_marker() : hi;
}

// Goodness-of-fit run: the observed arc-length statistic of the
// probability-integral-transformed sample (*tobs), and the replicates
// first .. first + count - 1 of the one uniform stream of the seed, each of
// n draws: *ge counts those at least as large as the observed statistic;
// stats[j] (when stats is not null) receives replicate first + j.
// Returns false, writing nothing, when n < 1 or scratch cannot be had.
bool noxc_gof_run(const double* theta, int n, double c3, double mu, int seed, int first,
                  int count, double* tobs, std::int64_t* ge, double* stats) {
  if (n < 1) return false;
  const std::size_t nn = static_cast<std::size_t>(n);
  Scratch<double> u(nn), work(nn);
  if (!u.ok() || !work.ok()) return false;
  for (std::size_t i = 0; i < nn; ++i) {
    const double x = (theta[i] - mu) / kCircTwoPi;
    const double t = x - std::floor(x);
    u[i] = noxc_Qinv(t, c3);
  }
  const double tobs_v = noxc_stat(u.data(), n, 1, work.data());
  *tobs = tobs_v;
  // Every replicate takes n draws: replicate r starts r*n steps into the
  // stream, and a step adds the SplitMix64 increment (modulo 2^64).
  std::uint64_t state = noxc_seed(seed, 0);
  state += static_cast<std::uint64_t>(first) * static_cast<std::uint64_t>(nn) * kGamma;
  std::int64_t cnt = 0;
  for (std::int64_t j = 0; j < count; ++j) {
    for (std::size_t i = 0; i < nn; ++i) u[i] = noxc_unif(state);
    const double tb = noxc_stat(u.data(), n, 1, work.data());
    if (tb >= tobs_v) ++cnt;
    if (stats) stats[j] = tb;
  }
  *ge = cnt;
  return true;
}

}  // namespace

}  // namespace noxara

using namespace noxara;

// out (c + 3 values): out[0], out[1] = first and last accepted entries among
// this range's grid points, out[2] = observed statistic, out[3 + j] =
// two-sided Monte Carlo p-value at cgrid[first + j].
extern "C" NOXARA_API void noxc_exact_ci_range(const double* theta, const int* np,
                                               const int* Bp, const int* seedp,
                                               const double* cgrid, const int* ngp,
                                               const int* first, const int* statp,
                                               const int* groupp, const double* levp,
                                               double* out) {
  const int n = *np;
  const int B = *Bp;
  const int seed = *seedp;
  const int c = *ngp;
  const int g0 = *first;
  const int which = *statp;
  const int k = *groupp;
  const double alpha = *levp;
  const std::size_t m = range_size(c);
  if (!open_range(c, g0, out, m + 3u)) return;
  // Both statistics need at least one position.
  if (n < 1) return;
  const std::size_t nn = static_cast<std::size_t>(n);
  Scratch<double> u(nn), work(nn);
  if (!u.ok() || !work.ok()) return;
  noxc_ci_positions(theta, nn, k, u.data());
  const double tobs = noxc_stat(u.data(), n, which, work.data());
  out[2] = tobs;

  // A negative replicate count has no p-value.
  if (B >= 0) {
    // Each grid point has its own stream, so its p-value depends only on
    // (seed, grid index) and its grid value.
    for (std::size_t j = 0; j < m; ++j) {
      const int g = g0 + static_cast<int>(j);
      out[3u + j] = noxc_ci_pvalue(nn, B, seed, g, cgrid[g], which, k, tobs, u.data(),
                                   work.data());
    }
  }
  noxc_ci_bounds(m > 0 ? cgrid + g0 : cgrid, out + 3, m, alpha, out);
}

extern "C" NOXARA_API void noxc_exact_ci_combine(const double* cgrid, const int* ngp,
                                                 const double* levp, double* out) {
  const std::size_t m = range_size(*ngp);
  noxc_ci_bounds(cgrid, out + 3, m, *levp, out);
}

// out (ng + 3 values): out[0], out[1] = first and last accepted grid entries in
// grid order (NaN when none), out[2] = observed statistic, out[3 + j] =
// two-sided Monte Carlo p-value at cgrid[j].
extern "C" NOXARA_API void noxc_exact_ci(const double* theta, const int* np, const int* Bp,
                                         const int* seedp, const double* cgrid,
                                         const int* ngp, const int* statp,
                                         const int* groupp, const double* levp,
                                         double* out) {
  // A negative grid size is an empty grid.
  const int ng = (*ngp > 0) ? *ngp : 0;
  const int zero = 0;
  noxc_exact_ci_range(theta, np, Bp, seedp, cgrid, &ng, &zero, statp, groupp, levp, out);
}

// out[0] = arc-length statistic of the probability-integral-transformed
// sample, out[1] = Monte Carlo p-value (upper tail).
extern "C" NOXARA_API void noxc_gof(const double* theta, const int* np, const double* c3p,
                                    const double* mup, const int* Bp, const int* seedp,
                                    double* out) {
  const int B = *Bp;
  out[0] = nan_marker();
  out[1] = nan_marker();
  double tobs;
  std::int64_t ge = 0;
  // A negative replicate count has no p-value, only the observed statistic.
  if (!noxc_gof_run(theta, *np, *c3p, *mup, *seedp, 0, B > 0 ? B : 0, &tobs, &ge, nullptr))
    return;
  out[0] = tobs;
  if (B < 0) return;
  out[1] = (static_cast<double>(ge) + 1.0) / (static_cast<double>(B) + 1.0);
}

// out (B + 2 values): out[0] = observed statistic, out[1] = how many of the
// range's replicates are at least as large, out[2 + j] = statistic of
// replicate first + j.
extern "C" NOXARA_API void noxc_gof_range(const double* theta, const int* np,
                                          const double* c3p, const double* mup,
                                          const int* Bp, const int* first, const int* seedp,
                                          double* out) {
  const int c = *Bp;
  const int r0 = *first;
  if (!open_range(c, r0, out, range_size(c) + 2u)) return;
  double tobs;
  std::int64_t ge = 0;
  if (!noxc_gof_run(theta, *np, *c3p, *mup, *seedp, r0, c, &tobs, &ge, out + 2)) return;
  out[0] = tobs;
  out[1] = static_cast<double>(ge);
}
