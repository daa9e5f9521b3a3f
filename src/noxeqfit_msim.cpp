// Model-fit simulation of the constrained bc curve (be tied to al by a
// table). For each simulated data set the profile statistic T is the
// smallest score statistic over all constrained curves, found in two stages:
// least squares over (mu, sg, al) with the level and height profiled, then
// the score statistic itself from the least-squares optimum.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "noxara.h"
#include "noxeqfit.h"
#include "numerics/common.h"
#include "numerics/replicate_range.h"
#include "numerics/scratch.h"

namespace noxara {

namespace {

// Shape of the constrained curve for the free vector p = (p_mu, p_sg, p_al):
// al in (alo, ahi), be from the table (NaN outside it), mu in
// (xlo - 0.5 xrng, xlo + 0.25 xrng), sg in (0.5 xrng, 3 xrng).
struct mf_shape {
  double mu, sg, al, be;
};

mf_shape mf_map(const double* p, const mf_ctx* c) {
  mf_shape s;
  s.al = c->alo + (c->ahi - c->alo) * ef_logis(p[2]);
  s.be = ef_interp(c->cal, c->cbe, c->nc, s.al, 1);
  s.mu = (c->xlo - 0.5 * c->xrng) + 0.75 * ef_logis(p[0]) * c->xrng;
  s.sg = 0.5 * c->xrng * std::exp(1.791759469228055 * ef_logis(p[1]));
  return s;
}

// Seed of arm `arm`: seed + 1000*arm taken modulo 2^32 as a 32-bit
// two's-complement value, so seeds near the int limits wrap instead of
// overflowing.
int mf_arm_seed(int seed, int arm) {
  const std::uint32_t w =
      static_cast<std::uint32_t>(seed) + 1000u * static_cast<std::uint32_t>(arm);
  return static_cast<int>(w);
}

// Equally spaced design across the true window: x[i] = mu + i*sr/(N - 1).
void mf_design(const double* th0, int N, double* x) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(N); ++i)
    x[i] = th0[2] + static_cast<double>(i) * th0[3] / static_cast<double>(N - 1);
}

// One simulated response: y[i] = m[i] + sde * (normal deviate i) with the
// curve th at the design x, from the stream of (seed, r).
void mf_response(const double* x, int N, const double* th, double sde, int seed, int r,
                 double* m, double* y) {
  ef_mbc(x, N, th, m);
  std::uint64_t s = ef_seed(seed, r);
  for (std::size_t i = 0; i < static_cast<std::size_t>(N); ++i) y[i] = m[i] + sde * ef_norm(s);
}

}  // namespace

int mf_overlap(double mu, double sg, const mf_ctx* c) noexcept {
  const double q1 = c->xlo + 0.25 * c->xrng;
  const double q3 = c->xlo + 0.75 * c->xrng;
  return (mu <= q1 && mu + sg >= q3) ? 1 : 0;
}

double mf_sse3(const double* p, const void* vctx) {
  const mf_ctx* c = static_cast<const mf_ctx*>(vctx);
  const mf_shape s = mf_map(p, c);
  if (!std::isfinite(s.be) || !mf_overlap(s.mu, s.sg, c)) return 1e30;
  const int n = c->n;
  const std::size_t un = static_cast<std::size_t>(n);
  double ug[kEfNg], Qg[kEfNg], Bab;
  ef_grid(s.al, s.be, ug, Qg, &Bab);
  const double thF[6] = {0.0, 1.0, s.mu, s.sg, s.al, s.be};
  double* F = c->wk + 4 * un;
  ef_mbc_g(c->x, n, thF, F, ug, Qg, Bab);

  // Level and height by least squares of y on (1, F).
  const double* y = c->y;
  double g0, g1;
  if (!ef_level_height(y, F, n, &g0, &g1)) return 1e30;
  double sse = 0.0;
  for (std::size_t i = 0; i < un; ++i) {
    const double e = y[i] - g0 - g1 * F[i];
    sse += e * e;
  }
  // A response that is not finite (NaN or infinite noise) gives no sum to
  // minimise: penalise it like an inadmissible shape. A NaN value would
  // keep the minimiser's spread test from ever passing, so the least-squares
  // stage would run its whole iteration cap (maxit/2 for large caps).
  return std::isfinite(sse) ? sse : 1e30;
}

double mf_obj3(const double* p, const void* vctx) {
  const mf_ctx* c = static_cast<const mf_ctx*>(vctx);
  const mf_shape s = mf_map(p, c);
  if (!std::isfinite(s.be) || !mf_overlap(s.mu, s.sg, c)) return 1e10;
  const double v = ef_scoreF6p(c->x, c->y, c->n, s.mu, s.sg, s.al, s.be, c->wk);
  return std::isfinite(v) ? v : 1e10;
}

void ef_profls(const mf_ctx* ctx, const double* s0, int maxit, double* pls, double* fls) noexcept {
  // 300 iterations, or half the cap when that is more.
  const int m1 = (maxit <= 601) ? 300 : maxit / 2;
  noxk4_nmd(mf_sse3, ctx, 3, s0, m1, pls, fls);
}

double ef_profmin(const mf_ctx* ctx, const double* st, int maxit) noexcept {
  const double a = st[2];
  const double starts[5] = {a - 2.2, a - 1.1, a, a + 1.1, a + 2.2};
  double T = 1e30;
  for (int k = 0; k < 5; ++k) {
    const double s0[3] = {st[0], st[1], starts[k]};
    double pls[3], fls;
    ef_profls(ctx, s0, maxit, pls, &fls);
    if (!(std::isfinite(fls) && fls < 1e29)) continue;
    // Score stage from the least-squares optimum, restarted once; a NaN
    // value never replaces T.
    double p1[3], f1, p2[3], f2;
    noxk4_nmd(mf_obj3, ctx, 3, pls, maxit, p1, &f1);
    if (f1 < T) T = f1;
    noxk4_nmd(mf_obj3, ctx, 3, p1, maxit, p2, &f2);
    if (f2 < T) T = f2;
  }
  return T;
}

}  // namespace noxara

extern "C" NOXARA_API void noxeqfit_msim_range(const int* nM, const double* sde,
                                               const int* Rm, const int* first,
                                               const int* seed, const double* th0,
                                               const double* st5, const int* maxit,
                                               const double* cal, const double* cbe,
                                               const int* nc, const double* alo,
                                               const double* ahi, const double* thref,
                                               double* out) {
  using namespace noxara;
  const int N = *nM, R = *Rm, r0 = *first, sd = *seed, mx = *maxit, ncv = *nc;
  const double sdev = *sde, alov = *alo, ahiv = *ahi;
  const std::size_t RR = range_size(R);
  // Every slot is NaN before anything can fail.
  if (!open_range(R, r0, out, 8 * RR) || RR == 0) return;
  // The design needs two distinct points: with fewer the output keeps its
  // NaN prefill.
  if (N < 2) return;
  const std::size_t un = static_cast<std::size_t>(N);
  Scratch<double> x(un), y(un), m(un), wk(10 * un);
  if (!x.ok() || !y.ok() || !m.ok() || !wk.ok()) return;
  mf_design(th0, N, x.data());

  const double shifts[4] = {0.0, 0.2, -0.15, -0.3};
  for (int arm = 0; arm < 4; ++arm) {
    const int sa = mf_arm_seed(sd, arm);
    double th2[6];
    for (int k = 0; k < 6; ++k) th2[k] = th0[k];
    th2[5] = th0[5] + shifts[arm];
    for (std::size_t j = 0; j < RR; ++j) {
      // Replicate r0 + j of the full run, from the stream of (arm seed, r0 + j).
      mf_response(x.data(), N, th2, sdev, sa, r0 + static_cast<int>(j), m.data(), y.data());
      const mf_ctx ctx = {x.data(), y.data(), N, cal, cbe, ncv, alov, ahiv,
                          x[0], x[un - 1] - x[0], wk.data()};
      const double T = ef_profmin(&ctx, st5, mx);
      if (arm == 0) {
        out[j] = T;
        out[RR + j] = ef_scoreF6(x.data(), y.data(), N, th0, wk.data());
      } else {
        const std::size_t a = static_cast<std::size_t>(arm);
        const double* rf = thref + 4 * (a - 1);
        out[(a + 1) * RR + j] = T;
        out[(a + 4) * RR + j] =
            ef_scoreF6p(x.data(), y.data(), N, rf[0], rf[1], rf[2], rf[3], wk.data());
      }
    }
  }
}

extern "C" NOXARA_API void noxeqfit_msim(const int* nM, const double* sde, const int* Rm,
                                         const int* seed, const double* th0, const double* st5,
                                         const int* maxit, const double* cal, const double* cbe,
                                         const int* nc, const double* alo, const double* ahi,
                                         const double* thref, double* out) {
  const int zero = 0;
  noxeqfit_msim_range(nM, sde, Rm, &zero, seed, th0, st5, maxit, cal, cbe, nc, alo, ahi, thref,
                      out);
}

extern "C" NOXARA_API void noxeqfit_nullT_range(const int* nM, const double* sde,
                                                const int* R2, const int* first,
                                                const int* seed, const double* th0,
                                                const double* st5, const int* maxit,
                                                const double* cal, const double* cbe,
                                                const int* nc, const double* alo,
                                                const double* ahi, double* out) {
  using namespace noxara;
  const int N = *nM, R = *R2, r0 = *first, sd = *seed, mx = *maxit, ncv = *nc;
  const double sdev = *sde, alov = *alo, ahiv = *ahi;
  const std::size_t RR = range_size(R);
  // Every slot is NaN before anything can fail.
  if (!open_range(R, r0, out, RR) || RR == 0) return;
  if (N < 2) return;
  const std::size_t un = static_cast<std::size_t>(N);
  Scratch<double> x(un), y(un), m(un), wk(10 * un);
  if (!x.ok() || !y.ok() || !m.ok() || !wk.ok()) return;
  mf_design(th0, N, x.data());

  for (std::size_t j = 0; j < RR; ++j) {
    mf_response(x.data(), N, th0, sdev, sd, r0 + static_cast<int>(j), m.data(), y.data());
    const mf_ctx ctx = {x.data(), y.data(), N, cal, cbe, ncv, alov, ahiv,
                        x[0], x[un - 1] - x[0], wk.data()};
    out[j] = ef_profmin(&ctx, st5, mx);
  }
}

extern "C" NOXARA_API void noxeqfit_nullT(const int* nM, const double* sde, const int* R2,
                                          const int* seed, const double* th0, const double* st5,
                                          const int* maxit, const double* cal, const double* cbe,
                                          const int* nc, const double* alo, const double* ahi,
                                          double* out) {
  const int zero = 0;
  noxeqfit_nullT_range(nM, sde, R2, &zero, seed, th0, st5, maxit, cal, cbe, nc, alo, ahi, out);
}
