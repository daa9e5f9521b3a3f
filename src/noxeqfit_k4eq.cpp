// Least-squares fit of the kappa-4 curve y = g0 + g1*F(x; mu, sg, k, h) with
// the shape k tied to h by a table, its first reading, and the moving-block
// bootstrap of that reading.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "noxara.h"
#include "noxeqfit.h"
#include "noxk4.h"
#include "numerics/common.h"
#include "numerics/replicate_range.h"
#include "numerics/scratch.h"

namespace noxara {

namespace {
constexpr int kReadingsGrid = 4000;
}  // namespace

void kq_theta(const double* p, const kq_ctx* ctx, double* th) noexcept {
  th[0] = p[0];
  th[1] = std::exp(p[1]);
  th[2] = p[2];
  th[3] = std::exp(p[3]);
  const double h = ctx->hlo + (ctx->hhi - ctx->hlo) * ef_logis(p[4]);
  th[4] = ef_interp(ctx->lh, ctx->lk, ctx->nl, h, 2);
  th[5] = h;
}

double kq_obj(const double* p, const void* vctx) {
  const kq_ctx* ctx = static_cast<const kq_ctx*>(vctx);
  double th[6];
  kq_theta(p, ctx, th);
  if (!std::isfinite(th[4])) return 1e12;
  double s = 0.0;
  for (int i = 0; i < ctx->n; ++i) {
    const double d =
        ctx->y[i] - (th[0] + th[1] * noxara::k4_cdf(ctx->x[i], th[2], th[3], th[4], th[5]));
    s += d * d;
  }
  return std::isfinite(s) ? s : 1e12;
}

}  // namespace noxara

using noxara::kq_ctx;

extern "C" NOXARA_API void noxeqfit_k4eq(const double* x, const double* y, const int* n,
                                         const double* starts, const int* ns,
                                         const int* maxit, const double* lh,
                                         const double* lk, const int* nl,
                                         const double* hlo, const double* hhi,
                                         double* out) {
  noxara::fill_nan(out, 8);
  const int nn = *n, nstart = *ns, mi = *maxit;
  // No data, no fit (every parameter vector would fit nothing perfectly).
  if (nn <= 0) return;
  const kq_ctx ctx = {x, y, nn, lh, lk, *nl, *hlo, *hhi};
  double bestf = HUGE_VAL;
  double bestp[5] = {0, 0, 0, 0, 0};
  for (int s = 0; s < nstart; ++s) {
    const double* st = starts + 5 * static_cast<std::size_t>(s);
    double p1[5], p2[5], f1, f2;
    noxk4_nmd(noxara::kq_obj, &ctx, 5, st, mi, p1, &f1);
    noxk4_nmd(noxara::kq_obj, &ctx, 5, p1, mi, p2, &f2);
    const bool second = f1 > f2;
    const double f = second ? f2 : f1;
    if (f < bestf) {
      bestf = f;
      for (int j = 0; j < 5; ++j) bestp[j] = second ? p2[j] : p1[j];
    }
  }
  if (!(bestf < 1e12)) return;
  double th[6];
  noxara::kq_theta(bestp, &ctx, th);
  for (int j = 0; j < 6; ++j) out[j] = th[j];
  out[6] = bestf;
  double r[3];
  const int grid = noxara::kReadingsGrid;
  noxk4_readings(th, &grid, r);
  out[7] = r[0];
}

extern "C" NOXARA_API void noxeqfit_k4eq_boot_range(const double* x, const double* y,
                                                    const int* n, const double* th,
                                                    const double* p0in, const int* B,
                                                    const int* first, const int* seed,
                                                    const int* maxit, const double* lh,
                                                    const double* lk, const int* nl,
                                                    const double* hlo, const double* hhi,
                                                    double* out_a) {
  const int nn = *n, nb = *B, b0 = *first, sd = *seed, mi = *maxit;
  const std::size_t ub = noxara::range_size(nb);
  if (!noxara::open_range(nb, b0, out_a, ub) || ub == 0) return;
  // A moving block of at least two residuals needs at least two of them.
  if (nn < 2) return;
  const std::size_t un = static_cast<std::size_t>(nn);
  noxara::Scratch<double> m0(un), r0(un), yb(un);
  if (!m0.ok() || !r0.ok() || !yb.ok()) return;

  for (std::size_t i = 0; i < un; ++i) {
    m0[i] = th[0] + th[1] * noxara::k4_cdf(x[i], th[2], th[3], th[4], th[5]);
    r0[i] = y[i] - m0[i];
  }
  const int bl = noxara::ef_blocklen(r0.data(), nn);
  const int grid = noxara::kReadingsGrid;

  for (std::size_t j = 0; j < ub; ++j) {
    // Replicate b of the full run: its stream depends only on (seed, b).
    const int b = b0 + static_cast<int>(j);
    std::uint64_t s = noxara::ef_seed(sd, b);
    if (!noxara::ef_blockdraw(m0.data(), r0.data(), nn, bl, s, yb.data())) continue;
    const kq_ctx ctx = {x, yb.data(), nn, lh, lk, *nl, *hlo, *hhi};
    double p1[5], p2[5], f1, f2;
    noxk4_nmd(noxara::kq_obj, &ctx, 5, p0in, mi, p1, &f1);
    noxk4_nmd(noxara::kq_obj, &ctx, 5, p1, mi, p2, &f2);
    double thb[6];
    noxara::kq_theta(f1 > f2 ? p2 : p1, &ctx, thb);
    double r[3];
    noxk4_readings(thb, &grid, r);
    out_a[j] = r[0];
  }
}

extern "C" NOXARA_API void noxeqfit_k4eq_boot(const double* x, const double* y,
                                              const int* n, const double* th,
                                              const double* p0in, const int* B,
                                              const int* seed, const int* maxit,
                                              const double* lh, const double* lk,
                                              const int* nl, const double* hlo,
                                              const double* hhi, double* out_a) {
  const int zero = 0;
  noxeqfit_k4eq_boot_range(x, y, n, th, p0in, B, &zero, seed, maxit, lh, lk, nl, hlo, hhi,
                           out_a);
}
