// Least-squares fit of the bc curve to paired data, free or with be tied to
// al by a constraint curve, its two landmarks on the x scale, and the
// moving-block bootstrap of the first landmark.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "noxara.h"
#include "noxeqfit.h"
#include "numerics/common.h"
#include "numerics/replicate_range.h"
#include "numerics/scratch.h"

namespace noxara {

void bc_theta(const double* p, const bc_ctx* ctx, double* th) noexcept {
  th[0] = p[0];
  th[1] = std::exp(p[1]);
  th[2] = p[2];
  th[3] = std::exp(p[3]);
  if (ctx->eqcon) {
    th[4] = ctx->alo + (ctx->ahi - ctx->alo) * ef_logis(p[4]);
    th[5] = ef_interp(ctx->cal, ctx->cbe, ctx->nc, th[4], 1);
  } else {
    th[4] = 0.98 * ef_logis(p[4]) - 1.0;  // al in (-1, -0.02)
    th[5] = 1.48 * ef_logis(p[5]) - 1.0;  // be in (-1, 0.48)
  }
}

double bc_obj(const double* p, const void* vctx) {
  const bc_ctx* ctx = static_cast<const bc_ctx*>(vctx);
  double th[6];
  bc_theta(p, ctx, th);
  if (!std::isfinite(th[5])) return 1e12;
  ef_mbc(ctx->x, ctx->n, th, ctx->work);
  double s = 0.0;
  for (int i = 0; i < ctx->n; ++i) {
    const double d = ctx->y[i] - ctx->work[i];
    s += d * d;
  }
  return std::isfinite(s) ? s : 1e12;
}

void bc_ip(const double* th, double* out2) noexcept {
  double r[5];
  const int ntheta = 0, ngrid = 20001;
  noxeq_readings(&th[4], &th[5], &ntheta, nullptr, &ngrid, r);
  // The readings are positions on the quantile scale [0, B]; dividing by B
  // and scaling by the window width maps them onto x.
  const double Bab = std::exp(ef_lbeta(th[4] + 1.0, th[5] + 1.0));
  if (std::isfinite(r[1])) out2[0] = r[1] * th[3] / Bab + th[2];
  if (std::isfinite(r[2])) out2[1] = r[2] * th[3] / Bab + th[2];
}

}  // namespace noxara

using noxara::bc_ctx;

extern "C" NOXARA_API void noxeqfit_bc(const double* x, const double* y, const int* n,
                                       const double* starts, const int* ns, const int* np,
                                       const int* maxit, const double* cal,
                                       const double* cbe, const int* nc, const double* alo,
                                       const double* ahi, double* out) {
  noxara::fill_nan(out, 9);
  const int nn = *n, nstart = *ns, d = *np, mi = *maxit;
  // Five free parameters select the constrained model; six (or seven, the
  // minimiser's limit, the last coordinate then idle) the free one. Other
  // dimensions cannot be mapped onto the curve or held by the minimiser.
  if (d < 5 || d > 7) return;
  // No data, no fit.
  if (nn <= 0) return;
  noxara::Scratch<double> work(static_cast<std::size_t>(nn));
  noxara::Scratch<double> zbuf(static_cast<std::size_t>(nn));
  if (!work.ok() || !zbuf.ok()) return;

  const bc_ctx ctx = {x, y, nn, d == 5 ? 1 : 0, cal, cbe, *nc, *alo, *ahi,
                      work.data(), zbuf.data()};
  double bestf = HUGE_VAL;
  double bestp[7] = {0, 0, 0, 0, 0, 0, 0};
  for (int s = 0; s < nstart; ++s) {
    const double* st = starts + static_cast<std::size_t>(s) * static_cast<std::size_t>(d);
    double p1[7], p2[7], f1, f2;
    noxk4_nmd(noxara::bc_obj, &ctx, d, st, mi, p1, &f1);
    noxk4_nmd(noxara::bc_obj, &ctx, d, p1, mi, p2, &f2);
    const bool second = f1 > f2;
    const double f = second ? f2 : f1;
    if (f < bestf) {
      bestf = f;
      for (int j = 0; j < d; ++j) bestp[j] = second ? p2[j] : p1[j];
    }
  }
  if (bestf < 1e12) {
    double th[6];
    noxara::bc_theta(bestp, &ctx, th);
    for (int j = 0; j < 6; ++j) out[j] = th[j];
    out[6] = bestf;
    out[7] = out[8] = noxara::nan_marker();
    if (std::isfinite(th[4]) && std::isfinite(th[5])) noxara::bc_ip(th, out + 7);
  }
}

extern "C" NOXARA_API void noxeqfit_bc_boot_range(const double* x, const double* y,
                                                  const int* n, const double* th, const int* B,
                                                  const int* first, const int* seed,
                                                  const int* maxit, const double* cal,
                                                  const double* cbe, const int* nc,
                                                  const double* alo, const double* ahi,
                                                  double* out_a) {
  const int nn = *n, nb = *B, b0 = *first, sd = *seed, mi = *maxit;
  const std::size_t ub = noxara::range_size(nb);
  if (!noxara::open_range(nb, b0, out_a, ub) || ub == 0) return;
  // A moving block of at least two residuals needs at least two of them.
  if (nn < 2) return;
  const std::size_t un = static_cast<std::size_t>(nn);
  noxara::Scratch<double> m0(un), z0(un), r0(un);
  noxara::Scratch<double> yb(un), wk(un), zb(un);
  if (!m0.ok() || !z0.ok() || !r0.ok() || !yb.ok() || !wk.ok() || !zb.ok()) return;

  noxara::ef_mbc(x, nn, th, m0.data());
  for (std::size_t i = 0; i < un; ++i) r0[i] = y[i] - m0[i];
  const int bl = noxara::ef_blocklen(r0.data(), nn);

  const double lo = *alo, hi = *ahi;
  // Start of every replicate: th in the constrained coordinates, the
  // position of al inside its interval kept off the ends (NaN stays NaN).
  double w0 = (th[4] - lo) / (hi - lo);
  if (w0 < 1e-6)
    w0 = 1e-6;
  else if (w0 > 0.999999)
    w0 = 0.999999;
  const double p0[5] = {th[0], std::log(th[1]), th[2], std::log(th[3]),
                        std::log(w0 / (1.0 - w0))};

  for (std::size_t j = 0; j < ub; ++j) {
    // Replicate b of the full run: its stream depends only on (seed, b).
    const int b = b0 + static_cast<int>(j);
    std::uint64_t s = noxara::ef_seed(sd, b);
    if (!noxara::ef_blockdraw(m0.data(), r0.data(), nn, bl, s, yb.data())) continue;
    const bc_ctx ctx = {x, yb.data(), nn, 1, cal, cbe, *nc, lo, hi, wk.data(), zb.data()};
    double p1[5], p2[5], f1, f2;
    noxk4_nmd(noxara::bc_obj, &ctx, 5, p0, mi, p1, &f1);
    noxk4_nmd(noxara::bc_obj, &ctx, 5, p1, mi, p2, &f2);
    double thb[6];
    noxara::bc_theta(f1 > f2 ? p2 : p1, &ctx, thb);
    double ip[2] = {noxara::nan_marker(), noxara::nan_marker()};
    if (std::isfinite(thb[4]) && std::isfinite(thb[5])) noxara::bc_ip(thb, ip);
    out_a[j] = ip[0];
  }
}

extern "C" NOXARA_API void noxeqfit_bc_boot(const double* x, const double* y, const int* n,
                                            const double* th, const int* B, const int* seed,
                                            const int* maxit, const double* cal,
                                            const double* cbe, const int* nc,
                                            const double* alo, const double* ahi,
                                            double* out_a) {
  const int zero = 0;
  noxeqfit_bc_boot_range(x, y, n, th, B, &zero, seed, maxit, cal, cbe, nc, alo, ahi, out_a);
}
