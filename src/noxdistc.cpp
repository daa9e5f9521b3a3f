// Shape-polynomial quantile family, sample L-moments, band arc-length model
// and the scale estimate that matches a sample's band arc length.
//
// The family: q(u) = sigma * max(0, shape(u)) with shape(u) = 1 plus a
// Legendre series in t = 2u - 1. The band routines measure the arc length of
// a distribution-function graph between two quantiles, for the normal model,
// for a normal whose horizontal scale is mixed over a standard exponential
// factor, and for a sample's empirical quantile polygon.

#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "noxdistc.h"
#include "numerics/common.h"
#include "numerics/gl01.h"
#include "numerics/scratch.h"

namespace noxara {

// ---------------------------------------------------------------------------
// Shape polynomial

// 1 + sum_{r=1..k} coef[r-1] * P_r(2u - 1), terms added in order of r onto 1.
double noxq_shape(double u, const double* coef, int k) {
  const double t = 2.0 * u - 1.0;
  double s = 1.0;
  double pm1 = 1.0;  // P_{r-2}
  double p = t;      // P_{r-1}, then P_r
  // A wide counter: it runs one past k, which may be INT_MAX.
  for (long long r = 1; r <= k; ++r) {
    if (r >= 2) {
      const double pr = ((2.0 * r - 1.0) * t * p - (r - 1.0) * pm1) / r;
      pm1 = p;
      p = pr;
    }
    s += coef[r - 1] * p;
  }
  return s;
}

// 1.0 when the quadratic shape A + B u + C u^2 (k = 2) is non-negative on
// [0, 1] within 1e-12, else 0.0. The end-point tests are written so that a
// NaN coefficient fails them: a shape that cannot be evaluated is not
// declared admissible.
double noxq_admissible(double c1, double c2) {
  const double tol = 1e-12;
  const double A = 1.0 - c1 + c2;
  const double B = 2.0 * c1 - 6.0 * c2;
  const double C = 6.0 * c2;
  if (!(A >= -tol)) return 0.0;
  if (!(A + B + C >= -tol)) return 0.0;
  if (C > 0) {
    const double ustar = -B / (2.0 * C);
    if (ustar > 0 && ustar < 1) return (A - B * B / (4.0 * C) >= -tol) ? 1.0 : 0.0;
  }
  return 1.0;
}

// ---------------------------------------------------------------------------
// Sample L-moments

// Writes m sample L-moments of x[0..N-1] (unbiased probability-weighted
// moment estimators). Returns false, writing nothing, when scratch cannot be
// obtained. N <= 0 gives NaN moments.
bool sample_lmoments(const double* x, int n, int m, double* out) {
  if (m <= 0) return true;
  const std::size_t M = static_cast<std::size_t>(m);
  if (n <= 0) {
    fill_nan(out, M);
    return true;
  }
  const std::size_t N = static_cast<std::size_t>(n);
  Scratch<double> v(N);
  Scratch<double> bsum(M, true);
  if (!v.ok() || !bsum.ok()) return false;
  for (std::size_t i = 0; i < N; ++i) v[i] = x[i];
  sort_doubles(v.data(), N);

  // sum_i W_{i,r} v_i for r >= 1, with W_{i,r} = prod_{s=1..r} (i-s+1)/(N-s).
  // The running product over r extends W_{i,r-1} by its next factor, which is
  // the same product taken in order s = 1..r. Each sum runs over i in order.
  const double dN = static_cast<double>(N);
  double s0 = 0.0;
  for (std::size_t i = 0; i < N; ++i) {
    s0 += v[i];
    const double di = static_cast<double>(i);
    double w = 1.0;
    const std::size_t rmax = (i < M - 1) ? i : M - 1;  // W_{i,r} = 0 for r > i
    for (std::size_t r = 1; r <= rmax; ++r) {
      const double dr = static_cast<double>(r);
      w = w * ((di - dr + 1.0) / (dN - dr));
      bsum[r] += w * v[i];
    }
  }
  bsum[0] = s0 / dN;
  for (std::size_t r = 1; r < M; ++r) bsum[r] = (1.0 / dN) * bsum[r];

  for (std::size_t i = 0; i < M; ++i) {
    const double di = static_cast<double>(i);
    double sum = 0.0;
    double cik = 1.0;  // C(i, k) as a running product over t = 0..k-1
    for (std::size_t k = 0; k <= i; ++k) {
      const double dk = static_cast<double>(k);
      if (k > 0) cik = cik * ((di - (dk - 1.0)) / dk);
      double cikk = 1.0;  // C(i + k, k)
      for (std::size_t t = 0; t < k; ++t) {
        const double dt = static_cast<double>(t);
        cikk = cikk * ((di + dk - dt) / (dt + 1.0));
      }
      const double sgn = ((i - k) % 2 == 0) ? 1.0 : -1.0;
      sum += sgn * cik * cikk * bsum[k];
    }
    out[i] = sum;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Normal quantile, type-7 sample quantile, exponential quadrature table

// Standard normal quantile: rational approximation in three regions, then
// one Halley refinement against erfc. NaN marker outside (0, 1).
double std_normal_qf(double p) {
  if (!(p > 0.0 && p < 1.0)) return nan_marker();
  static const double a[6] = {-39.69683028665376, 220.9460984245205, -275.9285104469687,
                              138.357751867269,   -30.66479806614716, 2.506628277459239};
  static const double b[5] = {-54.47609879822406, 161.5858368580409, -155.6989798598866,
                              66.80131188771972,  -13.28068155288572};
  static const double c[6] = {-0.007784894002430293, -0.3223964580411365, -2.400758277161838,
                              -2.549732539343734,    4.374664141464968,   2.938163982698783};
  static const double d[4] = {0.007784695709041462, 0.3224671290700398, 2.445134137142996,
                              3.754408661907416};
  double x;
  if (p < 0.02425) {
    const double q = std::sqrt(-2.0 * std::log(p));
    x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
  } else if (p > 0.97575) {
    const double q = std::sqrt(-2.0 * std::log(1.0 - p));
    x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
  } else {
    const double q = p - 0.5;
    const double r = q * q;
    x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
        (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
  }
  const double e = 0.5 * std::erfc(-x / 1.4142135623730951) - p;
  const double u = e * 2.5066282746310002 * std::exp(0.5 * x * x);
  x = x - u / (1.0 + 0.5 * x * u);
  return x;
}

// Type-7 quantile of the ascending sample v[0..N-1] (N >= 1) at p:
// linear interpolation between order statistics at position (N - 1) p.
// The lower index is clamped to [0, N-1] before it becomes an integer, so an
// out-of-range p never indexes outside the sample; NaN p gives NaN.
double quantile7(const double* v, std::size_t N, double p) {
  if (std::isnan(p)) return nan_marker();
  const double hh = (static_cast<double>(N) - 1.0) * p;
  const double top = static_cast<double>(N - 1);
  double flo = std::floor(hh);
  if (!(flo >= 0.0)) flo = 0.0;
  if (flo > top) flo = top;
  const std::size_t lo = static_cast<std::size_t>(flo);
  const std::size_t hi = (lo + 1 < N - 1) ? lo + 1 : N - 1;
  return v[lo] + (hh - flo) * (v[hi] - v[lo]);
}

// 80 nodes t_j (ascending) and weights w_j (summing to 1) approximating
// E[g(T)] for a standard exponential T: Gauss-Legendre on [-1, 1], mapped
// through b = (x + 1)/2, t = b/(1 - b).

namespace {

exp_table build_exp_table() noexcept {
  const double pi = 3.141592653589793;
  double xs[80];
  double ws[80];
  for (int i = 0; i < 40; ++i) {
    double z = std::cos(pi * (i + 0.75) / 80.5);
    double znew = z;
    double pp = 0.0;
    for (int it = 0; it < 100; ++it) {
      double pm1 = 0.0;  // P_{j-1}
      double pj = 1.0;   // P_j
      for (int j = 0; j < 80; ++j) {
        const double pn = ((2.0 * j + 1.0) * z * pj - j * pm1) / (j + 1.0);
        pm1 = pj;
        pj = pn;
      }
      pp = 80.0 * (z * pj - pm1) / (z * z - 1.0);
      znew = z - pj / pp;
      const bool done = std::fabs(znew - z) <= 1e-15;
      z = znew;
      if (done) break;
    }
    const double w = 2.0 / ((1.0 - znew * znew) * pp * pp);
    xs[i] = -znew;
    xs[79 - i] = znew;
    ws[i] = w;
    ws[79 - i] = w;
  }
  exp_table tab;
  for (int j = 0; j < 80; ++j) {
    const double b = (xs[j] + 1.0) / 2.0;
    tab.exp_t[j] = b / (1.0 - b);
    tab.exp_w[j] = std::exp(-tab.exp_t[j]) * (0.5 * ws[j]) / ((1.0 - b) * (1.0 - b));
  }
  double sum = 0.0;
  for (int j = 0; j < 80; ++j) sum += tab.exp_w[j];
  for (int j = 0; j < 80; ++j) tab.exp_w[j] = tab.exp_w[j] / sum;
  return tab;
}

}  // namespace

// The table, built on first use and kept for the life of the library. The
// function-local static is initialised exactly once (its guard is the table's
// ready flag); a concurrent first caller waits until the table is complete,
// and afterwards it is only read.
const exp_table& al_exp_nodes() {
  static const exp_table tab = build_exp_table();
  return tab;
}

// ---------------------------------------------------------------------------
// Band arc lengths

namespace {

inline double al_phi(double z) { return std::exp(-0.5 * z * z) / 2.5066282746310002; }

// Simpson sum over z_i = za + i h, i = 0..N in index order, weights
// 1, 4, 2, ..., 4, 1, of sqrt(sigma^2 + phi^2) (tab == nullptr) or of its
// exponential mixture sum_j w_j sqrt((t_j sigma)^2 + phi^2).
double band_simpson(double sigma, double za, double zb, long long N, const exp_table* tab) {
  const double h = (zb - za) / static_cast<double>(N);
  double s = 0.0;
  for (long long i = 0; i <= N; ++i) {
    const double z = za + static_cast<double>(i) * h;
    const double ph = al_phi(z);
    const double ph2 = ph * ph;
    double f;
    if (tab == nullptr) {
      f = std::sqrt(sigma * sigma + ph2);
    } else {
      f = 0.0;
      for (int j = 0; j < 80; ++j) {
        const double ts = tab->exp_t[j] * sigma;
        f += tab->exp_w[j] * std::sqrt(ts * ts + ph2);
      }
    }
    const double w = (i == 0 || i == N) ? 1.0 : ((i % 2 == 1) ? 4.0 : 2.0);
    s += w * f;
  }
  return h / 3.0 * s;
}

// Subinterval count: at least 8, rounded up to even (in a wide type, so the
// largest int count cannot overflow when rounded up).
long long band_intervals(int nodes) {
  long long N = nodes < 8 ? 8 : nodes;
  if (N % 2 != 0) N += 1;
  return N;
}

// Band model between the a- and b-quantiles; NaN marker when either
// probability is outside (0, 1).
double band_model(double sigma, double a, double b, int nodes, const exp_table* tab) {
  const double za = std_normal_qf(a);
  const double zb = std_normal_qf(b);
  if (std::isnan(za) || std::isnan(zb)) return nan_marker();
  return band_simpson(sigma, za, zb, band_intervals(nodes), tab);
}

// Arc length of the empirical quantile polygon of the ascending sample
// v[0..N-1] (N >= 1) between its type-7 a- and b-quantiles, with probability
// steps 1/N. NaN marker when fewer than two values lie in the band.
double band_sample_sorted(const double* v, std::size_t N, double a, double b) {
  const double qa = quantile7(v, N, a);
  const double qb = quantile7(v, N, b);
  const double step = 1.0 / static_cast<double>(N);
  double sum = 0.0;
  double prev = 0.0;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < N; ++i) {
    if (qa <= v[i] && v[i] <= qb) {
      if (kept > 0) {
        const double d = v[i] - prev;
        sum += std::sqrt(d * d + step * step);
      }
      prev = v[i];
      ++kept;
    }
  }
  return kept >= 2 ? sum : nan_marker();
}

// Scale estimate: the sigma in [1e-4, 30] whose model band arc length equals
// the band arc length of the sample divided by its normalised MAD, found by
// bisection, times that MAD. Returns false (output untouched) only when
// scratch cannot be obtained.
bool al_scale_impl(const double* x, int n, double a, double b, bool star, double* out) {
  if (n < 1) {
    out[0] = nan_marker();
    return true;
  }
  const std::size_t N = static_cast<std::size_t>(n);
  Scratch<double> v(N);
  if (!v.ok()) return false;
  for (std::size_t i = 0; i < N; ++i) v[i] = x[i];
  sort_doubles(v.data(), N);
  const double med = quantile7(v.data(), N, 0.5);
  for (std::size_t i = 0; i < N; ++i) v[i] = std::fabs(v[i] - med);
  sort_doubles(v.data(), N);
  const double s0 = 1.4826 * quantile7(v.data(), N, 0.5);
  if (!(s0 > 0.0) || !std::isfinite(s0)) {
    out[0] = nan_marker();
    return true;
  }

  for (std::size_t i = 0; i < N; ++i) v[i] = x[i] / s0;
  sort_doubles(v.data(), N);
  const double target = band_sample_sorted(v.data(), N, a, b);
  if (std::isnan(target)) {
    out[0] = nan_marker();
    return true;
  }

  const exp_table* tab = star ? &al_exp_nodes() : nullptr;
  const int nodes = 400;
  double lo = 1e-4;
  double hi = 30.0;
  double flo = band_model(lo, a, b, nodes, tab) - target;
  double fhi = band_model(hi, a, b, nodes, tab) - target;
  // A model that cannot be evaluated (a band probability outside (0, 1)) has
  // no sign change to bracket: report failure rather than a meaningless root.
  if (std::isnan(flo) || std::isnan(fhi) || flo * fhi > 0) {
    out[0] = nan_marker();
    return true;
  }
  const double za = std_normal_qf(a);
  const double zb = std_normal_qf(b);
  const long long nint = band_intervals(nodes);
  double mid = lo;
  for (int it = 0; it < 200; ++it) {
    mid = (lo + hi) / 2.0;
    // Both stopping tests end with this mid; the width test needs no model
    // evaluation, so it is made first.
    if (hi - lo < 1e-12) break;
    const double fm = band_simpson(mid, za, zb, nint, tab) - target;
    if (fm == 0) break;
    if (flo * fm < 0) {
      hi = mid;
      fhi = fm;
    } else {
      lo = mid;
      flo = fm;
    }
  }
  out[0] = mid * s0;
  return true;
}

}  // namespace

}  // namespace noxara

using noxara::nan_marker;

extern "C" NOXARA_API void noxq_qd(const double* u, const int* nu, const double* coef,
                                   const int* k, const double* sigma, double* out) {
  const int n = *nu;
  const int kk = *k;
  const double sg = *sigma;
  for (int i = 0; i < n; ++i) {
    if (kk <= 0) {
      out[i] = sg;
      continue;
    }
    const double sh = noxara::noxq_shape(u[i], coef, kk);
    // A shape that cannot be evaluated gives NaN, not a zero density.
    out[i] = (sh > 0 || std::isnan(sh)) ? sg * sh : sg * 0.0;
  }
}

extern "C" NOXARA_API void noxq_arclength(const double* coef, const int* k, const double* sigma,
                                          const int* nodes, double* out) {
  const int nn = *nodes;
  const int kk = *k;
  const double sg = *sigma;
  if (nn <= 0) {
    out[0] = 0.0;
    return;
  }
  const std::size_t N = static_cast<std::size_t>(nn);
  noxara::Scratch<double> xw(2 * N);
  if (!xw.ok()) return;
  double* x01 = xw.data();
  double* w01 = xw.data() + N;
  noxara::gl01(nn, x01, w01);
  double s = 0.0;
  for (std::size_t j = 0; j < N; ++j) {
    double sh = 1.0;
    if (kk > 0) {
      sh = noxara::noxq_shape(x01[j], coef, kk);
      if (sh < 0) sh = 0.0;  // max(0, shape); a NaN shape stays NaN
    }
    const double q = sg * sh;
    s += w01[j] * std::sqrt(1.0 + q * q);
  }
  out[0] = s;
}

extern "C" NOXARA_API void sample_lmoments_c(const double* x, const int* n, const int* nmom,
                                             double* out) {
  noxara::sample_lmoments(x, *n, *nmom, out);
}

extern "C" NOXARA_API void noxq_fit_cf_c(const double* x, const int* n, double* out) {
  double lam[4];
  noxara::fill_nan(lam, 4);
  noxara::sample_lmoments(x, *n, 4, lam);
  const double l2 = lam[1];
  if (l2 > 0) {
    const double t4 = lam[3] / l2;
    const double den = 7.0 * t4 + 3.0;
    if (den != 0) {
      const double c2 = 35.0 * t4 / den;
      const double c1 = (lam[2] / l2) * (5.0 - c2);
      const double sg = l2 / (0.16666666666666666 - c2 / 30.0);
      const double mu = lam[0] - (0.5 - c1 / 6.0) * sg;
      out[0] = c1;
      out[1] = c2;
      out[2] = mu;
      out[3] = sg;
      out[4] = noxara::noxq_admissible(c1, c2);
      return;
    }
  }
  noxara::fill_nan(out, 5);
}

extern "C" NOXARA_API void al_band_model(const double* sigma, const double* a, const double* b,
                                         const int* nodes, double* out) {
  out[0] = noxara::band_model(*sigma, *a, *b, *nodes, nullptr);
}

extern "C" NOXARA_API void al_band_model_star(const double* sigma, const double* a,
                                              const double* b, const int* nodes, double* out) {
  const noxara::exp_table& tab = noxara::al_exp_nodes();
  out[0] = noxara::band_model(*sigma, *a, *b, *nodes, &tab);
}

extern "C" NOXARA_API void al_band_sample(const double* x, const int* n, const double* a,
                                          const double* b, double* out) {
  const int nn = *n;
  if (nn < 1) {
    out[0] = nan_marker();
    return;
  }
  const std::size_t N = static_cast<std::size_t>(nn);
  noxara::Scratch<double> v(N);
  if (!v.ok()) return;
  for (std::size_t i = 0; i < N; ++i) v[i] = x[i];
  noxara::sort_doubles(v.data(), N);
  out[0] = noxara::band_sample_sorted(v.data(), N, *a, *b);
}

extern "C" NOXARA_API void al_scale(const double* x, const int* n, const double* a,
                                    const double* b, double* out) {
  noxara::al_scale_impl(x, *n, *a, *b, true, out);
}

extern "C" NOXARA_API void al_scale_raw(const double* x, const int* n, const double* a,
                                        const double* b, double* out) {
  noxara::al_scale_impl(x, *n, *a, *b, false, out);
}
