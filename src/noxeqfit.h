// Internal pieces of the curve-fitting family: the quantile grid of the
// beta-kernel family and the bc curve built on it, table interpolation, the
// automatic block length and the moving-block draw, the random-stream
// wrappers, the bc and constrained kappa-4 fits, and the score statistics.
//
// The bc curve with parameters th = (g0, g1, mu, sr, al, be) is
//   m(x) = g0 + g1 * F(z * B),  z = clamp((x - mu)/sr, 1e-9, 0.999999999),
// with F the distribution function of the beta-kernel family of exponents
// (al, be) and B = B(al + 1, be + 1) the length of its support.
#ifndef NOXARA_NOXEQFIT_H
#define NOXARA_NOXEQFIT_H

#include <cstddef>
#include <cstdint>

#include "noxara.h"
#include "numerics/rng.h"

namespace noxara {

// ---- random streams ------------------------------------------------------

// Uniform on [0, 1) from the stream word s (one step).
inline double ef_unif(std::uint64_t& s) noexcept { return sm_unif(s); }
// Normal deviate, Box-Muller cosine branch (two steps).
inline double ef_norm(std::uint64_t& s) noexcept { return sm_norm(s); }
// Stream word of replicate b (0-based) for the seed `seed`.
inline std::uint64_t ef_seed(int seed, int b) noexcept { return sm_seed(seed, b); }

// ---- quantile grid and bc curve -----------------------------------------

// Number of points of the quantile grid.
constexpr int kEfNg = 2049;

// 1/(1 + exp(-p)).
double ef_logis(double p) noexcept;
// log B(a, b) = lgamma(a) + lgamma(b) - lgamma(a + b).
double ef_lbeta(double a, double b) noexcept;

// Fills the grid of exponents (al, be): ug[i] = i*0.999999998/2048 + 1e-9,
// Qg[i] = Q(ug[i]) (ascending), *Bab = B(al + 1, be + 1). ug and Qg hold
// kEfNg doubles each.
void ef_grid(double al, double be, double* ug, double* Qg, double* Bab) noexcept;

// out[i] = m(x[i]) for i < n on a grid already built for th[4], th[5]; only
// th[0..3] are read. Nothing is written when n <= 0.
void ef_mbc_g(const double* x, int n, const double* th, double* out,
              const double* ug, const double* Qg, double Bab) noexcept;

// out[i] = m(x[i]) for i < n, building the grid for th[4], th[5] itself.
void ef_mbc(const double* x, int n, const double* th, double* out) noexcept;

// Piecewise-linear lookup in the ascending table (xs, ys) of n points.
// Rule 2 extends the end values as constants; any other rule (1) gives NaN
// outside [xs[0], xs[n-1]] (the end points themselves are inside). NaN when
// n < 2 or x is not finite.
double ef_interp(const double* xs, const double* ys, int n, double x, int rule) noexcept;

// Level g0 and height g1 of y on (1, F) by least squares over n points; false
// when the determinant is negligible (|det| <= (sum F^2 * n + 1) * 1e-12).
bool ef_level_height(const double* y, const double* F, int n, double* g0,
                     double* g1) noexcept;

// ---- moving-block bootstrap ---------------------------------------------

// Block length of the residual series r[0..n-1]: the first lag (at most
// min(200, n - 2)) whose sample autocorrelation lies inside +-2/sqrt(n),
// at least 2; otherwise max(2, round(n^(1/3))). 2 for n <= 0.
int ef_blocklen(const double* r, int n) noexcept;

// One moving-block series: yb[pos] = r0[i0 + i] + m0[pos], blocks of length
// bl starting uniformly at 0..n-bl, cut at n; one uniform per block from the
// stream word s, advanced in place. Returns false (yb filled with NaN for
// n > 0, s untouched) when bl < 1 or bl > n.
bool ef_blockdraw(const double* m0, const double* r0, int n, int bl, std::uint64_t& s,
                  double* yb) noexcept;

// ---- bc curve fit ---------------------------------------------------------

// Context of the bc least-squares objective.
struct bc_ctx {
  const double* x;
  const double* y;
  int n;
  int eqcon;          // 1: be tied to al by the constraint curve (5 free parameters)
  const double* cal;  // constraint curve: al values, ascending
  const double* cbe;  // be at each al
  int nc;
  double alo, ahi;    // interval of al when eqcon = 1
  double* work;       // n doubles: curve values
  double* zbuf;       // n doubles, not read by the objective
};

// Maps the free parameter vector p (5 or 6 values) to th[0..5].
void bc_theta(const double* p, const bc_ctx* ctx, double* th) noexcept;
// Residual sum of squares of the bc curve, 1e12 for inadmissible parameters.
double bc_obj(const double* p, const void* ctx);
// Landmarks of the bc curve th on the x scale: out2[0] the foot of the tangent
// at the steepest point, out2[1] the inflection point of the rising flank.
// A landmark that cannot be read leaves its slot unchanged.
void bc_ip(const double* th, double* out2) noexcept;

// ---- constrained kappa-4 curve fit ----------------------------------------

// Context of the kappa-4 least-squares objective with k tied to h.
struct kq_ctx {
  const double* x;
  const double* y;
  int n;
  const double* lh;  // table of h values, ascending
  const double* lk;  // k at each h
  int nl;
  double hlo, hhi;   // interval of h
};

// Maps p (5 values) to th = (g0, g1, mu, sg, k, h).
void kq_theta(const double* p, const kq_ctx* ctx, double* th) noexcept;
// Residual sum of squares of the kappa-4 curve, 1e12 for inadmissible parameters.
double kq_obj(const double* p, const void* ctx);

// ---- score statistics -----------------------------------------------------

// F-type score statistic of the bc curve with shape (mu, sg, al, be), the
// level and height profiled by least squares. wk: scratch of 10n doubles.
// NaN for n <= 6, too few points inside the window, a singular design or a
// perfect fit.
double ef_scoreF6p(const double* x, const double* y, int n, double mu, double sg,
                   double al, double be, double* wk) noexcept;
// Score statistic at the complete parameter vector th[0..5]. wk: 10n doubles.
double ef_scoreF6(const double* x, const double* y, int n, const double* th,
                  double* wk) noexcept;

}  // namespace noxara

// ===========================================================================
// Simulation studies: model-fit simulation of the constrained bc curve and
// estimation of the beta-kernel exponents (separate block, kept last).
// ===========================================================================

namespace noxara {

// ---- model-fit simulation --------------------------------------------------

// Context of the two profile objectives over (mu, sg, al) of the constrained
// bc curve (be tied to al by the table (cal, cbe)).
struct mf_ctx {
  const double* x;
  const double* y;
  int n;
  const double* cal;  // al values, ascending
  const double* cbe;  // be at each al
  int nc;
  double alo, ahi;    // interval of al
  double xlo;         // x[0]
  double xrng;        // x[n-1] - x[0]
  double* wk;         // 10n doubles of scratch
};

// Window test: the rising window [mu, mu + sg] covers the middle half of the
// design range. 1 when admissible, 0 otherwise (also for NaN).
int mf_overlap(double mu, double sg, const mf_ctx* ctx) noexcept;
// Residual sum of squares with the level and height profiled by least
// squares; 1e30 for inadmissible parameters or a singular design.
double mf_sse3(const double* p, const void* ctx);
// Score statistic of the profiled curve; 1e10 when inadmissible or not
// computable.
double mf_obj3(const double* p, const void* ctx);
// Profile minimum of the score statistic over the constrained curves: a
// least-squares stage of m1 iterations from five al starts, then two score
// stages of maxit iterations; 1e30 when no start reaches an admissible fit.
double ef_profmin(const mf_ctx* ctx, const double* st, int maxit) noexcept;
// Least-squares stage of ef_profmin from s0: mf_sse3 minimised with 300
// iterations when maxit <= 601, maxit/2 otherwise.
void ef_profls(const mf_ctx* ctx, const double* s0, int maxit, double* pls, double* fls) noexcept;

// ---- estimation of the exponents --------------------------------------------

// Context of the estimation objective over (al, be).
struct es_ctx {
  const double* x;     // the sample
  int n;
  int which;           // 0 likelihood, 1 mean and variance, 2 L-moment ratios
  const double* targ;  // two target values (not read for which = 0)
  const double* g200;  // the 200 midpoints (k + 0.5)/200
};

// I_u(a, b), the quantile function of the family normalised to [0, 1].
double ef_pbeta(double u, double a, double b) noexcept;
// Its inverse: the distribution function at x.
double ef_qbeta(double x, double a, double b) noexcept;
// L-moment ratios (tau3, tau4) of the normalised family of exponents (al, be).
void es_tau(double al, double be, double* out2) noexcept;
// Estimation objective; 1e9 outside the box al in (-0.99, -0.01),
// be in (-0.99, 0.5) and for non-finite values.
double es_obj(const double* p, const void* ctx);

}  // namespace noxara

#endif
