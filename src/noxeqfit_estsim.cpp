// Estimation studies of the two exponents (alpha, beta) of the beta-kernel
// family: samples are drawn through the regularised incomplete beta function
// of uniforms, and the exponents are estimated by maximum likelihood, by
// matching the mean and variance, and by matching the L-moment ratios
// tau3, tau4. Also three sweeps over readings of kappa-4 curves and over the
// balance function E of the beta-kernel family.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "noxara.h"
#include "noxeqfit.h"
#include "numerics/common.h"
#include "numerics/replicate_range.h"
#include "numerics/scratch.h"

namespace noxara {

// I_u(a, b): the quantile function of the normalised family (support [0, 1])
// at probability u, from the family's quantile Q(u) = B(a, b) * I_u(a, b).
double ef_pbeta(double u, double a, double b) noexcept {
  const int one = 1;
  const double al = a - 1.0, be = b - 1.0;
  double q;
  noxeq2_bc_q(&one, &u, &al, &be, &q);
  return q / std::exp(ef_lbeta(a, b));
}

// Inverse of ef_pbeta in u: the distribution function of the normalised
// family at x in [0, 1].
double ef_qbeta(double x, double a, double b) noexcept {
  const int one = 1;
  const double al = a - 1.0, be = b - 1.0;
  const double t = x * std::exp(ef_lbeta(a, b));
  double u;
  noxeq2_bc_cdf(&one, &t, &al, &be, &u);
  return u;
}

// L-moment ratios (tau3, tau4) of the normalised family with exponents
// (al, be), from the raw moments m1..m4 of Beta(1 + al, 1 + be): the
// quantile function I_u(a, b) integrates against u^k to (1 - m_{k+1})/(k + 1).
void es_tau(double al, double be, double* out2) noexcept {
  const double a = 1.0 + al, b = 1.0 + be;
  const double m1 = a / (a + b);
  const double m2 = m1 * (a + 1.0) / (a + b + 1.0);
  const double m3 = m2 * (a + 2.0) / (a + b + 2.0);
  const double m4 = m3 * (a + 3.0) / (a + b + 3.0);
  const double l2 = m1 - m2;
  out2[0] = (3.0 * m2 - 2.0 * m3 - m1) / l2;
  out2[1] = (m1 - 6.0 * m2 + 10.0 * m3 - 5.0 * m4) / l2;
}

double es_obj(const double* p, const void* vctx) {
  const es_ctx* c = static_cast<const es_ctx*>(vctx);
  const double al = p[0], be = p[1];
  if (al <= -0.99 || al >= -0.01 || be <= -0.99 || be >= 0.5) return 1e9;
  const double a = 1.0 + al, b = 1.0 + be;
  double v;
  if (c->which == 0) {
    // Negative log-likelihood: the density of the normalised family at x is
    // B(a, b) / (u^al (1 - u)^be) with u its distribution function at x.
    double slu = 0.0, sl1u = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(c->n); ++i) {
      double u = ef_qbeta(c->x[i], a, b);
      if (u < 1e-12)
        u = 1e-12;
      else if (u > 0.999999999999)
        u = 0.999999999999;
      slu += std::log(u);
      sl1u += std::log(1.0 - u);
    }
    v = -(static_cast<double>(c->n) * ef_lbeta(a, b) - al * slu - be * sl1u);
  } else if (c->which == 1) {
    // Mean b/(a + b) in closed form; the second moment through
    // E X^2 = 1 - 2 * integral of x F(x) over [0, 1], by the midpoint rule.
    double f = 0.0;
    for (int k = 0; k < 200; ++k) f += c->g200[k] * ef_qbeta(c->g200[k], a, b);
    const double mean = b / (a + b);
    const double var = 1.0 - 2.0 * f / 200.0 - mean * mean;
    const double dv = var - c->targ[1], dm = mean - c->targ[0];
    v = dv * dv + dm * dm;
  } else {
    double t[2];
    es_tau(al, be, t);
    const double d3 = t[0] - c->targ[0], d4 = t[1] - c->targ[1];
    v = d3 * d3 + d4 * d4;
  }
  return std::isfinite(v) ? v : 1e9;
}

}  // namespace noxara

namespace {

using noxara::ef_pbeta;

// Seed of size index e: seed + 7000*e taken modulo 2^32 as a 32-bit
// two's-complement value, so seeds near the int limits wrap instead of
// overflowing.
int es_size_seed(int seed, std::size_t e) {
  const std::uint32_t w =
      static_cast<std::uint32_t>(seed) + 7000u * static_cast<std::uint32_t>(e);
  return static_cast<int>(w);
}

// Sample L-moment ratios t3, t4 of the ascending sample xs[0..n-1].
void sample_tau(const double* xs, int n, double* t3, double* t4) {
  const double dn = static_cast<double>(n);
  const double n1 = dn - 1.0, n2 = dn - 2.0, n3 = dn - 3.0;
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
    const double rk = static_cast<double>(i) + 1.0;  // rank i + 1
    const double x = xs[i];
    s0 += x;
    s1 += (rk - 1.0) / n1 * x;
    s2 += (rk - 1.0) * (rk - 2.0) / (n1 * n2) * x;
    s3 += (rk - 1.0) * (rk - 2.0) * (rk - 3.0) / (n1 * n2 * n3) * x;
  }
  const double b0 = s0 / dn, b1 = s1 / dn, b2 = s2 / dn, b3 = s3 / dn;
  const double l2 = 2.0 * b1 - b0;
  *t3 = (6.0 * b2 - 6.0 * b1 + b0) / l2;
  *t4 = (20.0 * b3 - 30.0 * b2 + 12.0 * b1 - b0) / l2;
}

// The 200 midpoints (k + 0.5)/200 of the moment objective.
void fill_g200(double* g) {
  for (int k = 0; k < 200; ++k) g[k] = (static_cast<double>(k) + 0.5) / 200.0;
}

}  // namespace

extern "C" NOXARA_API void noxeqfit_estsim_range(const double* a0, const double* b0,
                                                 const int* R, const int* first,
                                                 const int* nsizes, const int* nn,
                                                 const int* seed, const int* maxit,
                                                 double* out) {
  using namespace noxara;
  const int Ri = *R, r0 = *first, nni = *nn, sd = *seed, mx = *maxit;
  const double a = *a0, b = *b0;
  if (Ri <= 0 || nni <= 0) return;
  const std::size_t RR = static_cast<std::size_t>(Ri);
  const std::size_t NE = static_cast<std::size_t>(nni);
  if (!open_range(Ri, r0, out, 6 * RR * NE)) return;

  double g200[200];
  fill_g200(g200);
  const double st[2] = {-0.5, -0.3};

  for (std::size_t e = 0; e < NE; ++e) {
    const int n = nsizes[e];
    // A size below 1 has no sample: its block keeps the NaN prefill.
    if (n < 1) continue;
    const std::size_t ns = static_cast<std::size_t>(n);
    const int se = es_size_seed(sd, e);
    Scratch<double> x(ns);
    if (!x.ok()) continue;
    for (std::size_t r = 0; r < RR; ++r) {
      // Replicate r0 + r of the full run, from the stream of (size seed, r0 + r).
      std::uint64_t s = ef_seed(se, r0 + static_cast<int>(r));
      for (std::size_t i = 0; i < ns; ++i) x[i] = ef_pbeta(ef_unif(s), a, b);

      double* col = out + 6 * e * RR + r;  // column k of this block at col[k*R]
      double p[2], f;

      es_ctx c0 = {x.data(), n, 0, nullptr, g200};
      noxk4_nmd(es_obj, &c0, 2, st, mx, p, &f);
      if (f < 1e9) {
        col[0 * RR] = p[0];
        col[3 * RR] = p[1];
      }

      double sum = 0.0;
      for (std::size_t i = 0; i < ns; ++i) sum += x[i];
      const double mean = sum / static_cast<double>(n);
      double ss = 0.0;
      for (std::size_t i = 0; i < ns; ++i) {
        const double d = x[i] - mean;
        ss += d * d;
      }
      const double tm[2] = {mean, ss / static_cast<double>(n - 1)};
      es_ctx c1 = {x.data(), n, 1, tm, g200};
      noxk4_nmd(es_obj, &c1, 2, st, mx, p, &f);
      if (f < 1e9) {
        col[1 * RR] = p[0];
        col[4 * RR] = p[1];
      }

      sort_doubles(x.data(), ns);
      double tl[2];
      sample_tau(x.data(), n, &tl[0], &tl[1]);
      es_ctx c2 = {x.data(), n, 2, tl, g200};
      noxk4_nmd(es_obj, &c2, 2, st, mx, p, &f);
      if (f < 1e9) {
        col[2 * RR] = p[0];
        col[5 * RR] = p[1];
      }
    }
  }
}

extern "C" NOXARA_API void noxeqfit_estsim(const double* a0, const double* b0, const int* R,
                                           const int* nsizes, const int* nn, const int* seed,
                                           const int* maxit, double* out) {
  const int zero = 0;
  noxeqfit_estsim_range(a0, b0, R, &zero, nsizes, nn, seed, maxit, out);
}

extern "C" NOXARA_API void noxeqfit_taus(const double* a0, const double* b0, const int* R,
                                         const int* n, const int* seed, double* out) {
  using namespace noxara;
  const int Ri = *R, ni = *n, sd = *seed;
  const double a = *a0, b = *b0;
  if (Ri <= 0) return;
  const std::size_t RR = static_cast<std::size_t>(Ri);
  for (std::size_t r = 0; r < RR; ++r) {
    out[r] = out[RR + r] = out[2 * RR + r] = out[3 * RR + r] = nan_marker();
    if (ni < 1) continue;
    const std::size_t ns = static_cast<std::size_t>(ni);
    Scratch<double> x(ns);
    if (!x.ok()) continue;
    std::uint64_t s = ef_seed(sd, static_cast<int>(r));
    for (std::size_t i = 0; i < ns; ++i) x[i] = ef_pbeta(ef_unif(s), a, b);
    sort_doubles(x.data(), ns);
    double t3, t4;
    sample_tau(x.data(), ni, &t3, &t4);
    out[r] = t3;
    out[RR + r] = t4;

    // Newton's method on (tau3, tau4)(al, be) = (t3, t4) from the true
    // exponents, with a central-difference Jacobian.
    double al = a - 1.0, be = b - 1.0;
    for (int it = 0; it < 12; ++it) {
      double tc[2], tp[2], tm[2];
      es_tau(al, be, tc);
      es_tau(al + 1e-7, be, tp);
      es_tau(al - 1e-7, be, tm);
      const double d3a = (tp[0] - tm[0]) / 2e-7, d4a = (tp[1] - tm[1]) / 2e-7;
      es_tau(al, be + 1e-7, tp);
      es_tau(al, be - 1e-7, tm);
      const double d3b = (tp[0] - tm[0]) / 2e-7, d4b = (tp[1] - tm[1]) / 2e-7;
      const double det = d3a * d4b - d4a * d3b;
      if (std::fabs(det) < 1e-14) break;
      const double e3 = tc[0] - t3, e4 = tc[1] - t4;
      const double da = (d4b * e3 - d3b * e4) / det;
      const double db = (d3a * e4 - d4a * e3) / det;
      al -= da;
      be -= db;
      if (std::fabs(da) + std::fabs(db) < 1e-12) break;
    }
    out[2 * RR + r] = al;
    out[3 * RR + r] = be;
  }
}

extern "C" NOXARA_API void noxeqfit_bsweep(const double* ks, const int* nk, const double* h,
                                           double* out_b) {
  const int n = *nk;
  const int grid = 4000;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n > 0 ? n : 0); ++i) {
    const double th[6] = {0.0, 1.0, 0.0, 1.0, ks[i], *h};
    double r[3];
    noxk4_readings(th, &grid, r);
    out_b[i] = r[1];
  }
}

extern "C" NOXARA_API void noxeqfit_absweep(const double* ks, const int* nk, const double* h,
                                            double* out_a, double* out_b) {
  const int n = *nk;
  const int grid = 4000;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n > 0 ? n : 0); ++i) {
    const double th[6] = {0.0, 1.0, 0.0, 1.0, ks[i], *h};
    double r[3];
    noxk4_readings(th, &grid, r);
    out_a[i] = r[0];
    out_b[i] = r[1];
  }
}

extern "C" NOXARA_API void noxeqfit_Esweep(const double* alpha, const double* bg, const int* nb,
                                           double* out) {
  const int n = *nb;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n > 0 ? n : 0); ++i)
    noxeq2_E(alpha, bg + i, out + i);
}
