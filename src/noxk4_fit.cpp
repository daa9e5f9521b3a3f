// Kappa-4 fits by Nelder-Mead: shape by L-moment ratios, shape and scale by
// band arc lengths of the quantile curve, curves y = g0 + g1*F(x) by least
// squares (optionally with a linear drift) and by band arc lengths of the
// smoothed data with an anchor point.
#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "noxk4.h"
#include "numerics/common.h"
#include "numerics/gl01.h"
#include "numerics/nelder_mead.h"
#include "numerics/scratch.h"

namespace noxara {

void untrans(const double* p, double* th) {
  th[0] = p[0];
  th[1] = std::exp(p[1]);
  th[2] = p[2];
  th[3] = std::exp(p[3]);
  th[4] = p[4];
  th[5] = std::exp(p[5]);
}

namespace {

// ---- L-moment ratios ----

struct lm_ctx {
  double t3;
  double t4;
  int nodes;
  // The Gauss-Legendre rule of `nodes` points, built once per fit (the same
  // rule noxk4_tau34 builds on every call); null when it could not be had.
  const double* x01;
  const double* w01;
};

double lm_obj(const double* p, const void* ctx) {
  const lm_ctx* c = static_cast<const lm_ctx*>(ctx);
  const double k = p[0], h = p[1];
  if (h <= 0.01 || h > 3.0 || k < -0.9 || k > 0.9) return 1e6;
  double t[4];
  if (c->x01 != nullptr)
    k4_tau34_rule(k, h, c->nodes, c->x01, c->w01, t);
  else
    noxk4_tau34(&k, &h, &c->nodes, t);
  if (!std::isfinite(t[0]) || !std::isfinite(t[1])) return 1e6;
  return (t[1] - c->t4) * (t[1] - c->t4) + (t[0] - c->t3) * (t[0] - c->t3);
}

// ---- band arc lengths of the quantile curve ----

constexpr int kAleqNodes = 40;

struct aq_ctx {
  const double* A;
  const double* bands;
  int J;
  int nodes;
  const double* x01;
  const double* w01;
};

double aq_obj(const double* p, const void* ctx) {
  const aq_ctx* c = static_cast<const aq_ctx*>(ctx);
  const double al = std::exp(p[0]), k = p[1], h = std::exp(p[2]);
  if (k < -0.9 || k > 0.9 || h > 3.0) return 1e6;
  double s = 0.0;
  for (int j = 0; j < c->J; ++j) {
    const double a = c->bands[2 * static_cast<std::size_t>(j)];
    const double b = c->bands[2 * static_cast<std::size_t>(j) + 1];
    double S = 0.0;
    for (int i = 0; i < c->nodes; ++i) {
      const double u = (b - a) * c->x01[i] + a;
      // Quantile density of the kappa-4 member with scale al.
      const double qd = al * std::pow((1.0 - std::pow(u, h)) / h, k - 1.0) * std::pow(u, h - 1.0);
      S += c->w01[i] * (b - a) * std::sqrt(1.0 + qd * qd);
    }
    s += (S - c->A[j]) * (S - c->A[j]);
  }
  return std::isfinite(s) ? s : 1e6;
}

// ---- least squares ----

struct nls_ctx {
  const double* x;
  const double* y;
  int n;
};

struct nlsd_ctx {
  const double* x;
  const double* y;
  int n;
};

inline bool k4_shape_out(double k, double h) { return k < -0.9 || k > 0.9 || h < 0.02 || h > 3.0; }

double nls_obj(const double* p, const void* ctx) {
  const nls_ctx* c = static_cast<const nls_ctx*>(ctx);
  const double g0 = p[0], g1 = std::exp(p[1]), mu = p[2], sg = std::exp(p[3]), k = p[4],
               h = std::exp(p[5]);
  if (k4_shape_out(k, h)) return 1e12;
  double s = 0.0;
  for (int i = 0; i < c->n; ++i) {
    const double r = c->y[i] - (g1 * k4_cdf(c->x[i], mu, sg, k, h) + g0);
    s += r * r;
  }
  return std::isfinite(s) ? s : 1e12;
}

double nlsd_obj(const double* p, const void* ctx) {
  const nlsd_ctx* c = static_cast<const nlsd_ctx*>(ctx);
  const double g0 = p[0], m = p[1], g1 = std::exp(p[2]), mu = p[3], sg = std::exp(p[4]),
               k = p[5], h = std::exp(p[6]);
  if (k4_shape_out(k, h)) return 1e12;
  double s = 0.0;
  for (int i = 0; i < c->n; ++i) {
    const double r = c->y[i] - ((m * c->x[i] + g0) + k4_cdf(c->x[i], mu, sg, k, h) * g1);
    s += r * r;
  }
  return std::isfinite(s) ? s : 1e12;
}

// ---- band arc lengths of the curve, with an anchor ----

constexpr int kNalrNodes = 60;

struct na_ctx {
  const double* A;
  const double* breaks;
  int J;
  int nodes;
  const double* x01;
  const double* w01;
  double x0;
  double y0;
  double lambda;
  double p;
};

double na_obj(const double* p, const void* ctx) {
  const na_ctx* c = static_cast<const na_ctx*>(ctx);
  double th[6];
  untrans(p, th);
  if (k4_shape_out(th[4], th[5])) return 1e12;
  double s = 0.0;
  for (int j = 0; j < c->J; ++j) {
    const double d =
        band_model_one(th, c->breaks[j], c->breaks[j + 1], c->nodes, c->x01, c->w01, c->p) - c->A[j];
    s += d * d;
  }
  const double e = c->y0 - (th[0] + th[1] * k4_cdf(c->x0, th[2], th[3], th[4], th[5]));
  const double v = c->lambda * e * e + s;
  return std::isfinite(v) ? v : 1e12;
}

// Two runs of the general minimiser, the second from the first's result; the
// second is kept only when strictly better.
void two_runs(objfn f, const void* ctx, int d, const double* start, int maxit, double* best,
              double* fbest) {
  double p1[kNelderMeadMaxDim], p2[kNelderMeadMaxDim], f1, f2;
  nelder_mead(f, ctx, d, start, maxit, p1, &f1);
  nelder_mead(f, ctx, d, p1, maxit, p2, &f2);
  const bool second = f2 < f1;
  for (int i = 0; i < d; ++i) best[i] = second ? p2[i] : p1[i];
  *fbest = second ? f2 : f1;
}

}  // namespace

}  // namespace noxara

extern "C" NOXARA_API void noxk4_fit_lmom(const double* t3, const double* t4, const int* nodes,
                                          double* out) {
  const int n = *nodes;
  const std::size_t nn = (n > 0) ? static_cast<std::size_t>(n) : 0;
  noxara::Scratch<double> x01(nn), w01(nn);
  noxara::lm_ctx c{*t3, *t4, n, nullptr, nullptr};
  if (x01.ok() && w01.ok()) {
    noxara::gl01(n, x01.data(), w01.data());
    c.x01 = x01.data();
    c.w01 = w01.data();
  } else {
    // No rule, no fit: the penalty of a failed run must not read as a value.
    noxara::fill_nan(out, 3);
    return;
  }
  const double starts[3][2] = {{0.0, 0.3}, {0.2, 0.5}, {-0.2, 0.2}};
  double best = 1e300;
  double bk = noxara::nan_marker(), bh = noxara::nan_marker();
  for (const auto& st : starts) {
    double p[2], f;
    noxara::nelder_mead(noxara::lm_obj, &c, 2, st, 300, p, &f);
    if (f < best) {
      best = f;
      bk = p[0];
      bh = p[1];
    }
  }
  out[0] = bk;
  out[1] = bh;
  out[2] = best;
}

extern "C" NOXARA_API void noxk4_fit_aleq(const double* ysorted, const int* n,
                                          const double* bands, const int* J, const double* start,
                                          double* out) {
  const int N = *n, nb = *J;
  const std::size_t nbs = (nb > 0) ? static_cast<std::size_t>(nb) : 0;
  noxara::Scratch<double> A(nbs, true);
  if (!A.ok()) {
    noxara::fill_nan(out, 4);
    return;
  }
  // Empirical quantile curve: sample value m at probability (m + 1)/(N + 1);
  // each segment goes to the first band holding its midpoint.
  const double N1 = static_cast<double>(N) + 1.0;
  for (int i = 1; i < N; ++i) {
    const double ua = i / N1, ub = (i + 1.0) / N1;
    const double dy = ysorted[i] - ysorted[i - 1], du = ub - ua;
    const double len = std::sqrt(dy * dy + du * du);
    const double um = (ua + ub) * 0.5;
    for (int j = 0; j < nb; ++j) {
      if (bands[2 * static_cast<std::size_t>(j)] <= um && um < bands[2 * static_cast<std::size_t>(j) + 1]) {
        A[j] += len;
        break;
      }
    }
  }
  double x01[noxara::kAleqNodes], w01[noxara::kAleqNodes];
  noxara::gl01(noxara::kAleqNodes, x01, w01);
  const noxara::aq_ctx c{A.data(), bands, nb, noxara::kAleqNodes, x01, w01};

  const double s2[3] = {0.0, 0.3, std::log(0.5)};
  const double s3[3] = {0.3, -0.2, std::log(0.2)};
  const double* starts[3] = {start, s2, s3};
  double best = 1e300;
  double bp[3] = {noxara::nan_marker(), noxara::nan_marker(), noxara::nan_marker()};
  for (const double* st : starts) {
    double p[3], f;
    noxara::nelder_mead(noxara::aq_obj, &c, 3, st, 400, p, &f);
    if (f < best) {
      best = f;
      for (int i = 0; i < 3; ++i) bp[i] = p[i];
    }
  }
  out[0] = bp[1];
  out[1] = std::exp(bp[2]);
  out[2] = std::exp(bp[0]);
  out[3] = best;
}

extern "C" NOXARA_API void noxk4_fit_nls(const double* x, const double* y, const int* n,
                                         const double* start, double* out) {
  const noxara::nls_ctx c{x, y, *n};
  double p[6], f;
  noxara::two_runs(noxara::nls_obj, &c, 6, start, 2000, p, &f);
  noxara::untrans(p, out);
  out[6] = f;
}

extern "C" NOXARA_API void noxk4_fit_nls_drift(const double* x, const double* y, const int* n,
                                               const double* start, double* out) {
  const noxara::nlsd_ctx c{x, y, *n};
  double p[7], f;
  noxara::two_runs(noxara::nlsd_obj, &c, 7, start, 3000, p, &f);
  out[0] = p[0];
  out[1] = p[1];
  out[2] = std::exp(p[2]);
  out[3] = p[3];
  out[4] = std::exp(p[4]);
  out[5] = p[5];
  out[6] = std::exp(p[6]);
  out[7] = f;
}

extern "C" NOXARA_API void noxk4_fit_nalr(const double* x, const double* y, const int* n,
                                          const int* J, const double* lambda, const int* w,
                                          const double* p, const double* start, double* out) {
  const int nn = *n, nb = *J;
  // The anchor takes three points and the band limits need one band.
  if (nn < 3 || nb < 1) {
    noxara::fill_nan(out, 7);
    return;
  }
  const std::size_t nbs = static_cast<std::size_t>(nb);
  noxara::Scratch<double> ys(static_cast<std::size_t>(nn)), br(nbs + 1), A(nbs);
  if (!ys.ok() || !br.ok() || !A.ok()) {
    noxara::fill_nan(out, 7);
    return;
  }
  noxk4_runmed(y, n, w, ys.data());

  // Equal-width bands; the last limit is nudged so the last point is inside.
  const double range = x[nn - 1] - x[0];
  for (std::size_t j = 0; j <= nbs; ++j) br[j] = static_cast<double>(j) * range / nb + x[0];
  br[nbs] = br[nbs] + 1e-9 * range;
  noxk4_band_sample(x, ys.data(), n, br.data(), J, p, A.data());

  // Anchor: median of the first m smoothed values, at the m-th abscissa.
  int m = static_cast<int>(0.03 * nn);
  if (m < 3) m = 3;
  if (m > 129) m = 129;
  double buf[129];
  for (int i = 0; i < m; ++i) buf[i] = ys[i];
  noxara::sort_doubles(buf, static_cast<std::size_t>(m));
  const double y0 = noxara::med_of(buf, m);
  const double x0 = x[m - 1];

  double x01[noxara::kNalrNodes], w01[noxara::kNalrNodes];
  noxara::gl01(noxara::kNalrNodes, x01, w01);
  const noxara::na_ctx c{A.data(), br.data(), nb, noxara::kNalrNodes, x01, w01, x0, y0, *lambda, *p};
  double pb[6], f;
  noxara::two_runs(noxara::na_obj, &c, 6, start, 2000, pb, &f);
  noxara::untrans(pb, out);
  out[6] = f;
}
