// Multi-method bootstrap of the tangent-intercept reading of a rising
// kappa-4 curve: eight fitting methods on the data as given and on
// moving-block bootstrap replicates of it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "noxara.h"
#include "noxk4.h"
#include "noxmv.h"
#include "numerics/blocks.h"
#include "numerics/common.h"
#include "numerics/replicate_range.h"
#include "numerics/rng.h"
#include "numerics/scratch.h"

namespace noxara {

// Uniform on [0, 1) from the replicate stream (one step per call).
inline double mv_unif(std::uint64_t& s) noexcept { return sm_unif(s); }

// Grid of the curve readings taken on every fit.
constexpr int kMvGrid = 4000;
// Subsets of this many points or fewer are not fitted.
constexpr int kMvMinSubset = 30;

// Tangent-intercept reading of a variable-projection record
// (b0, b1, b2, mu, sg, k, h, rss); the drift b1 is left out of the curve.
double mv_read_a(const double* v) {
  if (!std::isfinite(v[7])) return nan_marker();
  if (!std::isfinite(v[0]) || !std::isfinite(v[2]) || !std::isfinite(v[3]) ||
      !std::isfinite(v[4]) || !std::isfinite(v[5]) || !std::isfinite(v[6]))
    return nan_marker();
  const double theta[6] = {v[0], v[2], v[3], v[4], v[5], v[6]};
  const int grid = kMvGrid;
  double r[3];
  noxk4_readings(theta, &grid, r);
  return std::isfinite(r[0]) ? r[0] : nan_marker();
}

// Tangent-intercept reading of a six-parameter record (g0, g1, mu, sg, k, h, value).
double mv_read_th(const double* fit) {
  for (int j = 0; j < 7; ++j)
    if (!std::isfinite(fit[j])) return nan_marker();
  const int grid = kMvGrid;
  double r[3];
  noxk4_readings(fit, &grid, r);
  return std::isfinite(r[0]) ? r[0] : nan_marker();
}

// Start of the six-parameter fits (g0, log g1, mu, log sg, k, log h) from a
// variable-projection record.
void mv_tr6(const double* v, double* st6) {
  st6[0] = v[0];
  st6[1] = std::log(std::fmax(v[2], 1e-8));
  st6[2] = v[3];
  st6[3] = std::log(std::fmax(v[4], 1e-8));
  st6[4] = v[5];
  st6[5] = std::log(std::fmax(v[6], 0.001));
}

// Start grid in the variable-projection coordinates (mu, log sg, k, h):
// locations {mus, mum} (one when they coincide), scale factors, k and h
// shapes, nested in that order. Writes 4 values per start into starts (room
// for 120 starts) and returns the number of starts.
int mv_starts(double mus, double mum, double sg0, double* starts) {
  static const double fz[3] = {0.5, 1.0, 2.0};
  static const double k0[5] = {-0.9, -0.6, -0.3, 0.0, 0.3};
  static const double h0[4] = {0.02, 0.1, 0.3, 0.8};
  const double m0[2] = {mus, mum};
  const int nm = (std::fabs(mus - mum) > 0.0) ? 2 : 1;
  for (int s = 0; s < nm; ++s)
    for (int f = 0; f < 3; ++f)
      for (int kk = 0; kk < 5; ++kk)
        for (int hh = 0; hh < 4; ++hh) {
          const std::size_t num =
              static_cast<std::size_t>(s * 60 + f * 20 + kk * 4 + hh);
          double* st = starts + 4 * num;
          st[0] = m0[s];
          st[1] = std::log(fz[f] * sg0);
          st[2] = k0[kk];
          st[3] = h0[hh];
        }
  return 60 * nm;
}

// True when the h = 0 member is preferred to the free-h fit: both residual
// sums finite and n*log(rss0/rss) - 2 finite and negative.
static bool mv_prefer_h0(const double* of, const double* og, int n) {
  if (!std::isfinite(og[7])) return false;
  const double dA = static_cast<double>(n) * std::log(og[7] / of[7]) - 2.0;
  return std::isfinite(dA) && dA < 0.0;
}

// Reading of the pair (free-h fit of, h = 0 fit og) that the penalised fit
// comparison prefers. A record whose residual sum is NaN was never computed
// (its fit could not get memory): then the comparison cannot be made and the
// reading is NaN, never the other fit's reading. +infinity means the fit ran
// and found no admissible start.
double mv_select(const double* of, const double* og, int n) {
  if (std::isnan(of[7]) || std::isnan(og[7])) return nan_marker();
  if (std::isfinite(of[7])) return mv_prefer_h0(of, og, n) ? mv_read_a(og) : mv_read_a(of);
  return std::isfinite(og[7]) ? mv_read_a(og) : nan_marker();
}

// Variable-projection fits with h free and with h = 0 (records prefilled NaN
// so that a fit that could not run reads as a failure).
void mv_fit_pair(const double* x, const double* y, int n, const double* starts, int ns,
                 const int* maxit, const double* bounds, double* of, double* og) {
  fill_nan(of, 8);
  fill_nan(og, 8);
  const double hfree = nan_marker();
  const double hzero = 0.0;
  noxk4_fit_varpro(x, y, &n, starts, &ns, maxit, bounds, &hfree, of);
  noxk4_fit_varpro(x, y, &n, starts, &ns, maxit, bounds, &hzero, og);
}

// The reading of the preferred one of the two fits.
double mv_fit_sel(const double* x, const double* y, int n, const double* starts, int ns,
                  const int* maxit, const double* bounds) {
  double of[8], og[8];
  mv_fit_pair(x, y, n, starts, ns, maxit, bounds, of, og);
  return mv_select(of, og, n);
}

// The eight readings of one data set (slot j by method j).
// Slots 0 and 4 read the same pair of fits (slot 4 the h = 0 one, which has
// the same arguments as slot 0's). When base_of and base_og are given they
// are that pair, already run for (x, y) with these starts.
void mv_fit8(const double* x, const double* y, int n, const double* starts, int ns,
             const int* maxit, double cutx, const double* bounds, const double* base_st6,
             const double* base_of, const double* base_og, double* out8) {
  fill_nan(out8, 8);
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  Scratch<double> yb(nn), buf(nn);
  if (!yb.ok() || !buf.ok()) return;

  // 0: model-selected variable-projection fit of the raw data.
  double of[8], og[8];
  if (!base_of) {
    mv_fit_pair(x, y, n, starts, ns, maxit, bounds, of, og);
    base_of = of;
    base_og = og;
  }
  out8[0] = mv_select(base_of, base_og, n);

  // 1, 2: least squares on running medians of width 9 and 21.
  double fit[7];
  {
    const int w = 9;
    noxk4_runmed(y, &n, &w, yb.data());
    fill_nan(fit, 7);
    noxk4_fit_nls(x, yb.data(), &n, base_st6, fit);
    out8[1] = mv_read_th(fit);
  }
  {
    const int w = 21;
    noxk4_runmed(y, &n, &w, yb.data());
    fill_nan(fit, 7);
    noxk4_fit_nls(x, yb.data(), &n, base_st6, fit);
    out8[2] = mv_read_th(fit);
  }

  // 3: band arc lengths with an anchor.
  {
    const int J = 12, w = 9;
    const double lambda = 1.0, p = 2.0;
    fill_nan(fit, 7);
    noxk4_fit_nalr(x, y, &n, &J, &lambda, &w, &p, base_st6, fit);
    out8[3] = mv_read_th(fit);
  }

  // 4: variable projection with h = 0.
  out8[4] = mv_read_a(base_og);

  // 5: the points at or beyond cutx (a NaN cutx selects none).
  {
    int m = 0;
    for (std::size_t i = 0; i < nn; ++i)
      if (x[i] >= cutx) {
        buf[static_cast<std::size_t>(m)] = x[i];
        yb[static_cast<std::size_t>(m)] = y[i];
        ++m;
      }
    // Every point selected: the very fits of slot 0.
    if (static_cast<std::size_t>(m) == nn && m > kMvMinSubset)
      out8[5] = out8[0];
    else if (m > kMvMinSubset)
      out8[5] = mv_fit_sel(buf.data(), yb.data(), m, starts, ns, maxit, bounds);
  }

  // 6, 7: even-index and odd-index halves.
  for (int par = 0; par < 2; ++par) {
    int m = 0;
    for (std::size_t i = static_cast<std::size_t>(par); i < nn; i += 2) {
      buf[static_cast<std::size_t>(m)] = x[i];
      yb[static_cast<std::size_t>(m)] = y[i];
      ++m;
    }
    if (m > kMvMinSubset)
      out8[6 + par] = mv_fit_sel(buf.data(), yb.data(), m, starts, ns, maxit, bounds);
  }
}

// Block length of the residuals and one moving-block series: the rule shared
// with the curve-fit bootstraps.
int mv_blocklen(const double* r, int n) { return acf_blocklen(r, n); }

bool mv_blockdraw(const double* m0, const double* r, int n, int bl, std::uint64_t& s,
                  double* y2) {
  return moving_block_draw(m0, r, n, bl, s, y2);
}

// The fit on the data and replicates first .. first+count-1 (count >= 0,
// first >= 0, first + count within int): a_pt (when not null) receives the
// eight readings of the data, A row j those of replicate first + j. The
// caller has prefilled every output with NaN.
void mv_boot_rows(const double* x, const double* y, int nv, double cx, int first, int count,
                  int sd, const double* bounds, const int* maxit, double* a_pt, double* A) {
  if (!a_pt && count <= 0) return;
  // The steepest-slope scan needs at least one pair past the edge margin c.
  if (nv < 4) return;
  const int cr = static_cast<int>(0.05 * nv + 0.5);
  const int c = cr > 3 ? cr : 3;
  if (nv < c + 1) return;
  const std::size_t nn = static_cast<std::size_t>(nv);

  Scratch<double> starts(480);
  if (!starts.ok()) return;

  // Summaries of the smoothed curve: location of its steepest rise, its
  // midpoint level and its quartile spread.
  double mus, mum, sg0;
  {
    Scratch<double> sm(nn);
    if (!sm.ok()) return;
    const int w = 21;
    noxk4_runmed(y, &nv, &w, sm.data());
    double hi = -std::numeric_limits<double>::infinity();
    double lo = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < nn; ++i) {
      if (sm[i] > hi) hi = sm[i];
      if (sm[i] < lo) lo = sm[i];
    }
    const double range = hi - lo;

    double best = -std::numeric_limits<double>::infinity();
    std::size_t kb = nn;
    for (std::size_t k = static_cast<std::size_t>(c - 1); k + 1 < nn; ++k) {
      const double slope = (sm[k + 1] - sm[k]) / (x[k + 1] - x[k]);
      if (slope > best) {
        best = slope;
        kb = k;
      }
    }
    mus = (kb < nn) ? x[kb] : x[static_cast<std::size_t>(c)];

    const double t50 = lo + 0.5 * range, t25 = lo + 0.25 * range, t75 = lo + 0.75 * range;
    double x50 = x[nn - 1], x25 = x[nn - 1], x75 = x[nn - 1];
    bool f50 = false, f25 = false, f75 = false;
    for (std::size_t j = 0; j < nn; ++j) {
      if (!f50 && sm[j] >= t50) { x50 = x[j]; f50 = true; }
      if (!f25 && sm[j] >= t25) { x25 = x[j]; f25 = true; }
      if (!f75 && sm[j] >= t75) { x75 = x[j]; f75 = true; }
    }
    mum = x50;
    sg0 = std::fmax(0.02 * (x[nn - 1] - x[0]), (x75 - x25) / 1.5);
  }

  const int ns = mv_starts(mus, mum, sg0, starts.data());

  // Base fit: free h against h = 0. Without either record (no memory) there
  // is no base curve: everything stays NaN.
  double of[8], og[8];
  mv_fit_pair(x, y, nv, starts.data(), ns, maxit, bounds, of, og);
  if (!std::isfinite(of[7]) || std::isnan(og[7])) return;
  const double* base = mv_prefer_h0(of, og, nv) ? og : of;

  double base_st6[6];
  mv_tr6(base, base_st6);
  const double base_vp[4] = {base[3], std::log(std::fmax(base[4], 1e-8)), base[5], base[6]};

  if (a_pt) mv_fit8(x, y, nv, starts.data(), ns, maxit, cx, bounds, base_st6, of, og, a_pt);

  if (count <= 0) return;
  Scratch<double> m0(nn), r(nn), y2(nn);
  if (!m0.ok() || !r.ok() || !y2.ok()) return;
  for (std::size_t i = 0; i < nn; ++i) {
    m0[i] = base[0] + base[1] * x[i] + base[2] * k4_cdf(x[i], base[3], base[4], base[5], base[6]);
    r[i] = y[i] - m0[i];
  }
  const int bl = mv_blocklen(r.data(), nv);

  for (int j = 0; j < count; ++j) {
    std::uint64_t s = sm_seed(sd, first + j);
    if (!mv_blockdraw(m0.data(), r.data(), nv, bl, s, y2.data())) continue;
    mv_fit8(x, y2.data(), nv, base_vp, 1, maxit, cx, bounds, base_st6, nullptr, nullptr,
            A + 8 * static_cast<std::size_t>(j));
  }
}

}  // namespace noxara

extern "C" NOXARA_API void noxk4_mv_boot(const double* x, const double* y, const int* n,
                                         const double* cutx, const int* B, const int* seed,
                                         const double* bounds, const int* maxit,
                                         double* a_pt, double* A) {
  const int Bv = *B;
  noxara::fill_nan(a_pt, 8);
  if (Bv > 0) noxara::fill_nan(A, 8 * static_cast<std::size_t>(Bv));
  noxara::mv_boot_rows(x, y, *n, *cutx, 0, Bv > 0 ? Bv : 0, *seed, bounds, maxit, a_pt, A);
}

extern "C" NOXARA_API void noxk4_mv_boot_range(const double* x, const double* y, const int* n,
                                               const double* cutx, const int* B,
                                               const int* first, const int* seed,
                                               const double* bounds, const int* maxit,
                                               double* a_pt, double* A) {
  const int cnt = *B;
  const int fv = *first;
  if (cnt < 0) return;
  noxara::fill_nan(a_pt, 8);
  if (!noxara::open_range(cnt, fv, A, 8 * noxara::range_size(cnt))) return;
  noxara::mv_boot_rows(x, y, *n, *cutx, fv, cnt, *seed, bounds, maxit, nullptr, A);
}
