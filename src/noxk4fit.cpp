// Variable-projection fit of kappa-4 curves with a linear drift.
#include "noxk4fit.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "noxara.h"
#include "noxk4.h"
#include "numerics/common.h"
#include "numerics/nelder_mead.h"
#include "numerics/scratch.h"

namespace noxara {

void varpro_data_sums(const double* x, const double* y, int n, double* d) {
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    sx += x[i];
    sy += y[i];
    sxx += x[i] * x[i];
    sxy += x[i] * y[i];
  }
  d[0] = sx;
  d[1] = sy;
  d[2] = sxx;
  d[3] = sxy;
}

double varpro_rss(const double* x, const double* F, const double* y, int n, double* beta) {
  double d[4];
  varpro_data_sums(x, y, n, d);
  return varpro_rss_sums(x, F, y, n, d, beta);
}

double varpro_rss_sums(const double* x, const double* F, const double* y, int n,
                       const double* d, double* beta) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;

  // Every sum is its own accumulator in index order, so the data-only ones
  // (d) are the same numbers whether taken here or once per fit.
  const double sx = d[0], sy = d[1], sxx = d[2], sxy = d[3];
  double sf = 0.0, sxf = 0.0, sff = 0.0, sfy = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    sf += F[i];
    sxf += x[i] * F[i];
    sff += F[i] * F[i];
    sfy += F[i] * y[i];
  }
  const double s1 = static_cast<double>(n > 0 ? n : 0);

  // Augmented normal equations [A | b] of the columns (1, x, F).
  double a[3][4] = {{s1, sx, sf, sy}, {sx, sxx, sxf, sxy}, {sf, sxf, sff, sfy}};
  // A relative ridge on the diagonal keeps nearly collinear columns solvable.
  for (int d = 0; d < 3; ++d) {
    const double v = a[d][d];
    a[d][d] = (v > 0.0) ? v + v * 1e-10 : v + 1e-10;
  }

  // Gaussian elimination with partial pivoting.
  for (int c = 0; c < 2; ++c) {
    int piv = c;
    for (int r = c + 1; r < 3; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[piv][c])) piv = r;
    if (std::fabs(a[piv][c]) < 1e-300) return inf;
    if (piv != c)
      for (int j = 0; j < 4; ++j) {
        const double t = a[c][j];
        a[c][j] = a[piv][j];
        a[piv][j] = t;
      }
    for (int r = c + 1; r < 3; ++r) {
      const double f = a[r][c] / a[c][c];
      for (int j = c; j < 4; ++j) a[r][j] = a[r][j] - f * a[c][j];
    }
  }
  if (std::fabs(a[2][2]) < 1e-300) return inf;

  const double b2 = a[2][3] / a[2][2];
  const double b1 = (a[1][3] - a[1][2] * b2) / a[1][1];
  const double b0 = (a[0][3] - a[0][1] * b1 - a[0][2] * b2) / a[0][0];
  beta[0] = b0;
  beta[1] = b1;
  beta[2] = b2;

  double rss = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    const double e = y[i] - (b0 + b1 * x[i] + b2 * F[i]);
    rss += e * e;
  }
  return std::isfinite(rss) ? rss : inf;
}

double vp_obj(const double* p, void* ctx) {
  vp_ctx* c = static_cast<vp_ctx*>(ctx);
  const double mu = p[0];
  const double sg = std::exp(p[1]);
  const double k = p[2];
  const double h = c->hfix ? c->hval : p[3];

  if (!std::isfinite(sg) || !(sg > 0.0)) return 1e12;
  if (k < c->bnd[0] || k > c->bnd[1] || h < c->bnd[2] || h > c->bnd[3]) return 1e12;

  const std::size_t nn = c->n > 0 ? static_cast<std::size_t>(c->n) : 0;
  double fmin = std::numeric_limits<double>::infinity();
  double fmax = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < nn; ++i) {
    const double F = k4_cdf(c->x[i], mu, sg, k, h);
    if (!std::isfinite(F)) return 1e12;
    c->Fbuf[i] = F;
    if (F < fmin) fmin = F;
    if (F > fmax) fmax = F;
  }
  // A curve flat over the data cannot be told apart from the intercept.
  if (fmax - fmin < 1e-8) return 1e12;

  double beta[3];
  const double rss = c->dsum ? varpro_rss_sums(c->x, c->Fbuf, c->y, c->n, c->dsum, beta)
                             : varpro_rss(c->x, c->Fbuf, c->y, c->n, beta);
  return std::isfinite(rss) ? rss : 1e12;
}

}  // namespace noxara

extern "C" NOXARA_API void noxk4_fit_varpro(const double* x, const double* y, const int* n,
                                            const double* starts, const int* nstart,
                                            const int* maxit, const double* bounds,
                                            const double* hfix, double* out) {
  using noxara::Scratch;
  const int nv = *n;
  const int ns = *nstart > 0 ? *nstart : 0;
  const int mi = *maxit;
  const double hv = *hfix;
  const std::size_t nn = nv > 0 ? static_cast<std::size_t>(nv) : 0;
  const std::size_t nss = static_cast<std::size_t>(ns);
  const double inf = std::numeric_limits<double>::infinity();

  Scratch<double> bestp(4 * nss, true);
  Scratch<double> bestf(nss);
  // Scratch that cannot be had leaves all eight values NaN: never a fit.
  if (!bestp.ok() || !bestf.ok()) {
    noxara::fill_nan(out, 8);
    return;
  }
  for (std::size_t s = 0; s < nss; ++s) bestf[s] = inf;

  {
    Scratch<double> Fbuf(nn);
    if (Fbuf.ok()) {
      noxara::vp_ctx ctx;
      ctx.x = x;
      ctx.y = y;
      ctx.n = nv;
      ctx.Fbuf = Fbuf.data();
      ctx.bnd = bounds;
      ctx.hfix = std::isfinite(hv) ? 1 : 0;
      ctx.hval = hv;
      double dsum[4];
      noxara::varpro_data_sums(x, y, nv, dsum);
      ctx.dsum = dsum;
      const int d = ctx.hfix ? 3 : 4;

      for (std::size_t s = 0; s < nss; ++s) {
        double p1[4], p2[4], f1, f2;
        noxara::nmd(noxara::vp_obj, &ctx, d, starts + 4 * s, mi, p1, &f1);
        noxara::nmd(noxara::vp_obj, &ctx, d, p1, mi, p2, &f2);
        const double* pb = (f2 < f1) ? p2 : p1;
        for (int j = 0; j < 4; ++j) bestp[4 * s + static_cast<std::size_t>(j)] = pb[j];
        bestf[s] = (f2 < f1) ? f2 : f1;
      }
    } else {
      noxara::fill_nan(out, 8);
      return;
    }
  }

  // The first start whose value is strictly below all earlier ones; +infinity
  // and NaN values are never chosen.
  double fbest = inf;
  std::size_t chosen = nss;
  for (std::size_t s = 0; s < nss; ++s)
    if (bestf[s] < fbest) {
      fbest = bestf[s];
      chosen = s;
    }
  if (chosen == nss) {
    out[7] = inf;
    return;
  }

  const double* p = bestp.data() + 4 * chosen;
  const double mu = p[0];
  const double sg = std::exp(p[1]);
  const double k = p[2];
  const double h = std::isfinite(hv) ? hv : p[3];

  double beta[3] = {0.0, 0.0, 0.0};
  double rss = inf;
  Scratch<double> F(nn);
  if (F.ok()) {
    for (std::size_t i = 0; i < nn; ++i) F[i] = noxara::k4_cdf(x[i], mu, sg, k, h);
    rss = noxara::varpro_rss(x, F.data(), y, nv, beta);
  } else {
    noxara::fill_nan(out, 8);
    return;
  }
  out[0] = beta[0];
  out[1] = beta[1];
  out[2] = beta[2];
  out[3] = mu;
  out[4] = sg;
  out[5] = k;
  out[6] = h;
  out[7] = rss;
}
