// Beta-kernel quantile family: quantile density q(u) = u^alpha (1-u)^beta,
// quantile Q(u) = B(a, b) I_u(a, b) with a = 1 + alpha, b = 1 + beta,
// distribution function F(x) = I^-1(x/B; a, b) and density 1/q(F(x)).
// Also the closed-form mode and left inflection point of the density, the
// balance E between the inflection point and the foot of the tangent at the
// mode, and the beta that makes that balance zero.
#include "noxeq2.h"

#include <cmath>
#include <cstddef>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "noxara.h"
#include "numerics/common.h"

namespace noxara {

double lbeta_(double a, double b) {
  return lgamma_nosign(a) + lgamma_nosign(b) - lgamma_nosign(a + b);
}

double betacf_(double a, double b, double x) {
  const double eps = 3e-16;
  const double fpmin = 1e-300;
  const double qab = a + b;
  const double qap = a + 1;
  const double qam = a - 1;
  double c = 1;
  double d = 1 - qab * x / qap;
  if (std::fabs(d) < fpmin) d = fpmin;
  d = 1 / d;
  double h = d;
  for (int m = 1; m <= 300; ++m) {
    const double md = m;
    const double m2 = 2 * md;
    // even step of the fraction
    double aa = md * (b - md) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < fpmin) d = fpmin;
    c = 1 + aa / c;
    if (std::fabs(c) < fpmin) c = fpmin;
    d = 1 / d;
    h = h * d * c;
    // odd step
    aa = -(a + md) * (qab + md) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < fpmin) d = fpmin;
    c = 1 + aa / c;
    if (std::fabs(c) < fpmin) c = fpmin;
    d = 1 / d;
    const double del = d * c;
    h = h * del;
    if (std::fabs(del - 1) < eps) break;
  }
  return h;
}

double ibeta_lb_(double a, double b, double x, double lb) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  const double bt = std::exp(a * std::log(x) + b * std::log1p(-x) - lb);
  // The fraction converges fast below the mean-like switch point; above it
  // use the symmetry I_x(a, b) = 1 - I_(1-x)(b, a).
  if (x < (a + 1) / (a + b + 2)) return betacf_(a, b, x) * bt / a;
  return 1 - bt * betacf_(b, a, 1 - x) / b;
}

double ibeta_(double a, double b, double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  return ibeta_lb_(a, b, x, lbeta_(a, b));
}

// ---- tabulated continued fraction -----------------------------------------

void CfFactors::init(double a_, double b_) noexcept {
  a = a_;
  b = b_;
  qab = a + b;
  qap = a + 1;
  qam = a - 1;
  filled = 0;
}

void CfFactors::extend(int m) noexcept {
  // Fill in blocks so that the check in the loop stays rare.
  int upto = m + 31;
  if (upto > kTerms) upto = kTerms;
  for (int k = filled; k < upto; ++k) {
    const double md = k + 1;
    const double m2 = 2 * md;
    en[k] = md * (b - md);
    ed[k] = (qam + m2) * (a + m2);
    on[k] = -(a + md) * (qab + md);
    od[k] = (a + m2) * (qap + m2);
  }
  filled = upto;
}

namespace {

constexpr double kCfEps = 3e-16;
constexpr double kCfMin = 1e-300;
constexpr double kUnit = 1.1102230246251565e-16;  // 2^-53

// One half-step of the modified Lentz recurrence with partial numerator aa:
// d = 1/(1 + aa*d), c = 1 + aa/c, each denominator kept away from zero.
// With kTrack a clamped denominator is reported through *clean.
template <bool kTrack>
inline void lentz_step(double aa, double* c, double* d, bool* clean) noexcept {
  *d = 1 + aa * *d;
  if (std::fabs(*d) < kCfMin) {
    *d = kCfMin;
    if (kTrack) *clean = false;
  }
  *c = 1 + aa / *c;
  if (std::fabs(*c) < kCfMin) {
    *c = kCfMin;
    if (kTrack) *clean = false;
  }
  *d = 1 / *d;
}

// betacf_ on tabulated factors: the same operations in the same order. With
// kTrack the number of terms used is reported, and whether the fraction met
// its tolerance without clamping a denominator.
template <bool kTrack>
inline double cf_run(CfFactors& t, double x, int* iters, bool* clean) noexcept {
  double c = 1;
  double d = 1 - t.qab * x / t.qap;
  if (std::fabs(d) < kCfMin) {
    d = kCfMin;
    if (kTrack) *clean = false;
  }
  d = 1 / d;
  double h = d;
  for (int m = 1; m <= CfFactors::kTerms; ++m) {
    if (m > t.filled) t.extend(m);
    const int k = m - 1;
    lentz_step<kTrack>(t.en[k] * x / t.ed[k], &c, &d, clean);
    h = h * d * c;
    lentz_step<kTrack>(t.on[k] * x / t.od[k], &c, &d, clean);
    const double del = d * c;
    h = h * del;
    if (std::fabs(del - 1) < kCfEps) {
      if (kTrack) *iters = m;
      return h;
    }
  }
  if (kTrack) {
    *iters = CfFactors::kTerms;
    *clean = false;
  }
  return h;
}

// One lane on its own from term m on, with its state (c, d, h): the
// operations of cf_run.
inline double cf_finish(CfFactors& t, double x, int m, double c, double d, double h) noexcept {
  for (; m <= CfFactors::kTerms; ++m) {
    if (m > t.filled) t.extend(m);
    const int k = m - 1;
    lentz_step<false>(t.en[k] * x / t.ed[k], &c, &d, nullptr);
    h = h * d * c;
    lentz_step<false>(t.on[k] * x / t.od[k], &c, &d, nullptr);
    const double del = d * c;
    h = h * del;
    if (std::fabs(del - 1) < kCfEps) break;
  }
  return h;
}

#if defined(__SSE2__)

// Two fractions of the same factor table side by side, one per lane of an
// SSE2 register: each packed operation is the scalar IEEE operation in each
// lane, so each lane performs exactly the operations of cf_run and stops at
// its own term.

// Lanes with |v| < fpmin are set to fpmin (rare: one test per vector).
inline __m128d clamp_tiny(__m128d v, __m128d absmask, __m128d tiny) noexcept {
  const __m128d m = _mm_cmplt_pd(_mm_and_pd(v, absmask), tiny);
  if (__builtin_expect(_mm_movemask_pd(m) != 0, 0))
    v = _mm_or_pd(_mm_andnot_pd(m, v), _mm_and_pd(m, tiny));
  return v;
}

inline void cf_run2(CfFactors& t, double x0, double x1, double* h0out,
                    double* h1out) noexcept {
  const __m128d x = _mm_set_pd(x1, x0);
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d absmask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d tiny = _mm_set1_pd(kCfMin);
  const __m128d eps = _mm_set1_pd(kCfEps);
  __m128d c = one;
  __m128d d = _mm_sub_pd(one, _mm_div_pd(_mm_mul_pd(_mm_set1_pd(t.qab), x), _mm_set1_pd(t.qap)));
  d = clamp_tiny(d, absmask, tiny);
  d = _mm_div_pd(one, d);
  __m128d h = d;
  for (int m = 1; m <= CfFactors::kTerms; ++m) {
    if (m > t.filled) t.extend(m);
    const int k = m - 1;
    __m128d aa = _mm_div_pd(_mm_mul_pd(_mm_set1_pd(t.en[k]), x), _mm_set1_pd(t.ed[k]));
    d = clamp_tiny(_mm_add_pd(one, _mm_mul_pd(aa, d)), absmask, tiny);
    c = clamp_tiny(_mm_add_pd(one, _mm_div_pd(aa, c)), absmask, tiny);
    d = _mm_div_pd(one, d);
    h = _mm_mul_pd(_mm_mul_pd(h, d), c);
    aa = _mm_div_pd(_mm_mul_pd(_mm_set1_pd(t.on[k]), x), _mm_set1_pd(t.od[k]));
    d = clamp_tiny(_mm_add_pd(one, _mm_mul_pd(aa, d)), absmask, tiny);
    c = clamp_tiny(_mm_add_pd(one, _mm_div_pd(aa, c)), absmask, tiny);
    d = _mm_div_pd(one, d);
    const __m128d del = _mm_mul_pd(d, c);
    h = _mm_mul_pd(h, del);
    const int done =
        _mm_movemask_pd(_mm_cmplt_pd(_mm_and_pd(_mm_sub_pd(del, one), absmask), eps));
    if (done != 0) {
      // A lane that has met its tolerance stops; the other goes on alone
      // from the next term with its own state.
      double hv[2], cv[2], dv[2];
      _mm_storeu_pd(hv, h);
      _mm_storeu_pd(cv, c);
      _mm_storeu_pd(dv, d);
      if (done == 3) {
        *h0out = hv[0];
        *h1out = hv[1];
      } else if (done == 1) {
        *h0out = hv[0];
        *h1out = cf_finish(t, x1, m + 1, cv[1], dv[1], hv[1]);
      } else {
        *h0out = cf_finish(t, x0, m + 1, cv[0], dv[0], hv[0]);
        *h1out = hv[1];
      }
      return;
    }
  }
  double hv[2];
  _mm_storeu_pd(hv, h);
  *h0out = hv[0];
  *h1out = hv[1];
}

#else

inline void cf_run2(CfFactors& t, double x0, double x1, double* h0out,
                    double* h1out) noexcept {
  *h0out = cf_run<false>(t, x0, nullptr, nullptr);
  *h1out = cf_run<false>(t, x1, nullptr, nullptr);
}

#endif

// Larger of two finite bounds (the error bounds never see a NaN).
inline double bmax(double u, double v) noexcept { return u > v ? u : v; }

// An upper bound of |lgamma(z)| for z > 0: -log z + log Gamma(1 + z) below
// 1 (the second term is below 0.13 in size), under 0.7 on [1, 3], below
// z log z beyond.
double abslog_bound(double z) noexcept;
double lgamma_bound(double z) noexcept {
  if (z <= 1) return abslog_bound(z) + 0.2;
  if (z <= 3) return 1;
  return z * abslog_bound(z);
}

// An upper bound of |log z| for a positive finite z from its binary
// exponent e (2^e <= z < 2^(e+1)): no logarithm needed.
double abslog_bound(double z) noexcept {
  const int e = std::ilogb(z);
  return (e >= 0 ? e + 1 : -e) * 0.6931471805599453;
}

}  // namespace

IbetaKernel::IbetaKernel(double a, double b, double lb) noexcept
    : a_(a), b_(b), lb_(lb), sw_((a + 1) / (a + b + 2)), am1_(a - 1), bm1_(b - 1) {
  fw_.init(a, b);
  bw_.init(b, a);
}

double IbetaKernel::at(double x, double lx, double l1x) noexcept {
  const double bt = std::exp(a_ * lx + b_ * l1x - lb_);
  if (x < sw_) return cf_run<false>(fw_, x, nullptr, nullptr) * bt / a_;
  return 1 - bt * cf_run<false>(bw_, 1 - x, nullptr, nullptr) / b_;
}

void IbetaKernel::at2(const double* x, const double* lx, const double* l1x,
                      double* out) noexcept {
  const double bt0 = std::exp(a_ * lx[0] + b_ * l1x[0] - lb_);
  const double bt1 = std::exp(a_ * lx[1] + b_ * l1x[1] - lb_);
  double h0, h1;
  if (x[0] < sw_) {
    cf_run2(fw_, x[0], x[1], &h0, &h1);
    out[0] = h0 * bt0 / a_;
    out[1] = h1 * bt1 / a_;
  } else {
    cf_run2(bw_, 1 - x[0], 1 - x[1], &h0, &h1);
    out[0] = 1 - bt0 * h0 / b_;
    out[1] = 1 - bt1 * h1 / b_;
  }
}

void IbetaKernel::eval(double x, Pt* q) noexcept {
  q->x = x;
  q->lx = std::log(x);
  q->l1x = std::log1p(-x);
  const double bt = std::exp(a_ * q->lx + b_ * q->l1x - lb_);
  q->it = 0;
  q->clean = true;
  q->up = !(x < sw_);
  if (!q->up) {
    q->f = cf_run<true>(fw_, x, &q->it, &q->clean) * bt / a_;
    q->t = q->f;
  } else {
    q->t = bt * cf_run<true>(bw_, 1 - x, &q->it, &q->clean) / b_;
    q->f = 1 - q->t;
  }
  q->dens = -1;
  // Rounding error analysis needs normal numbers and a finite result.
  if (!(bt >= 1e-280) || !std::isfinite(q->f) || !(q->t >= 1e-280)) q->clean = false;
  ++nev_;
  if (q->it > itmax_) itmax_ = q->it;
}

// The beta density at an evaluated point, from the same logarithms: what
// the Newton polish computes there.
double IbetaKernel::dens(Pt* q) noexcept {
  if (q->dens < 0) q->dens = std::exp(am1_ * q->lx + bm1_ * q->l1x - lb_);
  return q->dens;
}

IbetaKernel::Pt* IbetaKernel::find(double x) noexcept {
  for (int i = npts_ - 1; i >= 0; --i)
    if (pts_[i].x == x) return &pts_[i];
  return nullptr;
}

// Relative error bound of a computed I (or of 1 - I on the upper branch):
// the exponent a log x + b log1p(-x) - log B carries an absolute error of a
// few units in the last place of each term (the log-beta terms bounded
// through |lgamma|), exp adds one; the fraction's product picks up a few
// roundings per term plus its truncation. Everything is taken 1.5 times for safety;
// the bounds hold with a factor of about 3 to spare against an
// extended-precision evaluation of the same fraction.
double IbetaKernel::rel_bound(double lxterm, double l1xterm, int it) const noexcept {
  const double e = 8 * kUnit * (lxterm + l1xterm + 2) + glb_ + kUnit * (2.0 * it + 8) +
                   4 * kCfEps;
  return 1.5 * e;
}

// An exactly evaluated point q becomes a left anchor (every x <= q.x has a
// computed I below p) or a right anchor (every x >= q.x has a computed I at
// or above p) when its margin to p exceeds the error bounds at q and at any
// point beyond it. Below the switch point the computed I carries a relative
// error; at or above it the computed tail t = 1 - I does, and the final
// rounding of 1 - t is monotone in t, so a bound on t decides 1 - t < p
// exactly as the evaluation would.
void IbetaKernel::check_anchor(const Pt& q, double p) noexcept {
  if (!q.clean || itmax_ > 150) return;
  const double y = q.x;
  const double alx = std::fabs(q.lx), al1x = std::fabs(q.l1x);
  const double R = rel_bound(a_ * alx, b_ * al1x, q.it);
  int its = itmax_ + 10;
  if (its > 300) its = 300;
  if (q.f < p) {
    // x <= y: |log x| grows (bounded through the power law of I near 0 by
    // its value at min(y, sw)); |log1p(-x)| shrinks.
    const double lterm = 2 * bmax(a_ * bmax(alx, std::fabs(lsw_)), 1.0);
    const double Rs = rel_bound(lterm, b_ * al1x, its);
    const double Rt = 1.01 * (R + Rs) + 4 * kUnit;
    if (!q.up) {
      if (q.f * (1 + Rt) < p && y > L1_) L1_ = y;
    } else {
      if (1 - q.t * (1 - Rt) < p && y > L2_) L2_ = y;
      // Lower-branch points below the switch: I(x) <= I(y) <= 1 - t/(1+R).
      const double Iup = (1 - q.t * (1 - 1.01 * R - 2 * kUnit) + 2 * kUnit) *
                         (1 + 1.01 * Rs + 2 * kUnit);
      if (Iup < p && y > L1_) L1_ = y;
    }
  } else {
    const double l1term = 2 * bmax(b_ * bmax(al1x, std::fabs(l1sw_)), 1.0);
    const double Rs = rel_bound(a_ * alx, l1term, its);
    const double Rt = 1.01 * (R + Rs) + 4 * kUnit;
    if (q.up) {
      if (!(1 - q.t * (1 + Rt) < p) && y < U2_) U2_ = y;
    } else {
      if (q.f * (1 - Rt) >= p && y < U1_) U1_ = y;
      // Upper-branch points above the switch: t(x) <= 1 - I(y) <= 1 - f/(1+R).
      const double thi = (1 - q.f * (1 - 1.01 * R - 2 * kUnit) + 2 * kUnit) *
                         (1 + 1.01 * Rs + 2 * kUnit);
      if (!(1 - thi < p) && y < U2_) U2_ = y;
    }
  }
}

// Starting point of the root search: the usual normal-approximation guess
// for a, b >= 1, else the power laws of the two tails.
double IbetaKernel::guess(double p) noexcept {
  if (!guess_ready_) {
    if (a_ >= 1 && b_ >= 1) {
      g_h_ = 2 / (1 / (2 * a_ - 1) + 1 / (2 * b_ - 1));
      g_d_ = 1 / (2 * b_ - 1) - 1 / (2 * a_ - 1);
    } else {
      const double lna = std::log(a_ / (a_ + b_)), lnb = std::log(b_ / (a_ + b_));
      g_t_ = std::exp(a_ * lna) / a_;
      g_w_ = g_t_ + std::exp(b_ * lnb) / b_;
    }
    guess_ready_ = true;
  }
  double x;
  if (a_ >= 1 && b_ >= 1) {
    const double pp = p < 0.5 ? p : 1 - p;
    const double t = std::sqrt(-2 * std::log(pp));
    double z = (2.30753 + t * 0.27061) / (1 + t * (0.99229 + t * 0.04481)) - t;
    if (p < 0.5) z = -z;
    const double al = (z * z - 3) / 6;
    const double w = z * std::sqrt(al + g_h_) / g_h_ - g_d_ * (al + 5.0 / 6 - 2 / (3 * g_h_));
    x = a_ / (a_ + b_ * std::exp(2 * w));
  } else {
    if (p < g_t_ / g_w_)
      x = std::pow(a_ * g_w_ * p, 1 / a_);
    else
      x = 1 - std::pow(b_ * g_w_ * (1 - p), 1 / b_);
  }
  if (!(x > 0 && x < 1)) x = 0.5;
  return x;
}

double IbetaKernel::inverse(double p) noexcept {
  if (p <= 0) return 0;
  if (p >= 1) return 1;
  nev_ = 0;
  if (!(a_ > 0 && b_ > 0 && std::isfinite(a_) && std::isfinite(b_) && std::isfinite(lb_) &&
        std::isfinite(sw_) && p == p))
    return ibeta_inv_literal_(a_, b_, p, lb_);
  if (!consts_ready_) {
    glb_ = 4 * kUnit * (lgamma_bound(a_) + lgamma_bound(b_) + lgamma_bound(a_ + b_) + 1);
    // Bounds on |log sw| and |log(1 - sw)| are all the margins need.
    lsw_ = abslog_bound(sw_);
    l1sw_ = abslog_bound(1 - sw_);
    consts_ready_ = true;
  }
  npts_ = 0;
  itmax_ = 0;
  L1_ = L2_ = -1;
  U1_ = U2_ = 2;

  // 1. The root: Halley steps on the exact I inside the bracket they build.
  //    Above the switch point they aim at the tail t = 1 - I: the computed
  //    1 - t < p holds for t beyond tau, the midpoint between 1 - p and the
  //    tail of the double below p (exact for p >= 0.5).
  const double tau = p >= 0.5 ? (1 - p) + (p - std::nextafter(p, 0.0)) * 0.5 : 1 - p;
  //    A root found earlier for a nearby p (many points of one (a, b))
  //    gives a first-order start from its density; else the usual guess.
  double r = -1;
  if (nmem_ > 0) {
    int j = 0;
    for (int i = 1; i < nmem_; ++i)
      if (std::fabs(p - mp_[i]) < std::fabs(p - mp_[j])) j = i;
    const double dp = p - mp_[j];
    if (std::fabs(dp) <= 0.1 * std::fmin(p, 1 - p)) {
      const double g = mr_[j] + dp / md_[j];
      if (g > 0 && g < 1) r = g;
    }
  }
  if (r < 0) r = guess(p);
  double blo = 0, bhi = 1, delta = -1, dlast = 0;
  for (int k = 0; k < 12 && npts_ < kCache; ++k) {
    Pt& q = pts_[npts_++];
    eval(r, &q);
    check_anchor(q, p);
    if (q.f < p)
      blo = r;
    else
      bhi = r;
    const double dq = dens(&q);
    if (!q.clean || !(dq > 0) || !std::isfinite(dq)) break;
    const double u = (q.up ? tau - q.t : q.f - p) / dq;
    double corr = 1 - 0.5 * std::fmin(1.0, u * (am1_ / r - bm1_ / (1 - r)));
    if (!(corr > 0.1)) corr = 1;
    double xn = r - u / corr;
    if (!(xn > blo)) xn = 0.5 * (blo + r);
    if (!(xn < bhi)) xn = 0.5 * (r + bhi);
    // Half-width of the band around the root inside which a comparison can
    // go either way, from the error bounds at this point.
    int its = itmax_ + 10;
    if (its > 300) its = 300;
    const double R = rel_bound(2 * bmax(a_ * std::fabs(q.lx), 1.0),
                               2 * bmax(b_ * std::fabs(q.l1x), 1.0), its);
    const double dl = 3 * R * q.t / dq;
    const double step = std::fabs(xn - r);
    dlast = dq;
    r = xn;
    // Halley's error falls with the cube of the step: once the next error
    // is far inside the band, the new point needs no evaluation of its own.
    const double scale = std::fmin(r, 1 - r);
    const double rs = step / scale;
    const double rres = std::fabs(q.up ? tau - q.t : q.f - p) / q.t;
    const double cube = 10 * bmax(rs * rs * rs, rres * rres * rres);
    if (step < 0.25 * dl || cube < 0.25 * dl / scale) {
      delta = dl;
      break;
    }
  }
  if (delta > 0 && std::isfinite(delta)) {
    mp_[memhead_] = p;
    mr_[memhead_] = r;
    md_[memhead_] = dlast;
    memhead_ = (memhead_ + 1) % kMem;
    if (nmem_ < kMem) ++nmem_;
  }

  // 2. Anchors on the path the bisection takes if its comparisons follow
  //    the root: the midpoints nearest the root outside the uncertain band.
  if (delta > 0 && std::isfinite(delta)) {
    double lo = 0, hi = 1;
    double left[3] = {-1, -1, -1}, right[3] = {2, 2, 2};
    for (int it = 0; it < 200; ++it) {
      const double x = (lo + hi) * 0.5;
      if (x < r) {
        if (x < r - delta) {
          left[2] = left[1];
          left[1] = left[0];
          left[0] = x;
        }
        lo = x;
      } else {
        if (x > r + delta) {
          right[2] = right[1];
          right[1] = right[0];
          right[0] = x;
        }
        hi = x;
      }
      if (hi - lo < 1e-15) break;
    }
    for (int j = 0; j < 3; ++j) {
      const double x = left[j];
      if (x < 0 || (x < sw_ ? L1_ >= x : L2_ >= x)) break;
      if (find(x) || npts_ >= kCache) continue;
      Pt& q = pts_[npts_++];
      eval(x, &q);
      check_anchor(q, p);
    }
    for (int j = 0; j < 3; ++j) {
      const double x = right[j];
      if (x > 1 || (x < sw_ ? U1_ <= x : U2_ <= x)) break;
      if (find(x) || npts_ >= kCache) continue;
      Pt& q = pts_[npts_++];
      eval(x, &q);
      check_anchor(q, p);
    }
  }

  // 3. The bisection as written, each comparison either decided by an
  //    anchor or evaluated exactly.
  double lo = 0, hi = 1;
  for (int it = 0; it < 200; ++it) {
    const double x = (lo + hi) * 0.5;
    bool below;
    const bool b1 = x < sw_;
    if (b1 ? x <= L1_ : x <= L2_) {
      below = true;
    } else if (b1 ? x >= U1_ : x >= U2_) {
      below = false;
    } else {
      const Pt* q = find(x);
      if (!q) {
        if (npts_ >= kCache) return ibeta_inv_literal_(a_, b_, p, lb_);
        Pt& nq = pts_[npts_++];
        eval(x, &nq);
        check_anchor(nq, p);
        q = &nq;
      }
      below = q->f < p;
    }
    if (below) {
      lo = x;
    } else {
      hi = x;
    }
    if (hi - lo < 1e-15) break;
  }

  // 4. Newton polish as written; a point met before reuses its evaluation,
  //    and a step that lands on its own starting point repeats forever.
  double x = (lo + hi) * 0.5;
  for (int it = 0; it < 4; ++it) {
    Pt* q = find(x);
    if (!q) {
      if (npts_ >= kCache) return ibeta_inv_literal_(a_, b_, p, lb_);
      Pt& nq = pts_[npts_++];
      eval(x, &nq);
      q = &nq;
    }
    const double dn = dens(q);
    if (dn <= 0) break;
    const double xn = x - (q->f - p) / dn;
    if (xn <= 0 || xn >= 1) break;
    if (!(xn == xn)) return ibeta_inv_literal_(a_, b_, p, lb_);
    if (xn == x) break;
    x = xn;
  }
  return x;
}

double ibeta_inv_literal_(double a, double b, double p, double lb) {
  if (p <= 0) return 0;
  if (p >= 1) return 1;
  double lo = 0, hi = 1;
  for (int it = 0; it < 200; ++it) {
    const double x = (lo + hi) * 0.5;
    const double f = ibeta_lb_(a, b, x, lb);
    if (f < p) {
      lo = x;
    } else {
      hi = x;
    }
    if (hi - lo < 1e-15) break;
  }
  double x = (lo + hi) * 0.5;
  // Newton polish with the beta density; a step that leaves (0, 1) or a
  // vanishing density ends the polish with the current point.
  for (int it = 0; it < 4; ++it) {
    const double f = ibeta_lb_(a, b, x, lb);
    const double dens = std::exp((a - 1) * std::log(x) + (b - 1) * std::log1p(-x) - lb);
    if (dens <= 0) break;
    const double xn = x - (f - p) / dens;
    if (xn <= 0 || xn >= 1) break;
    x = xn;
  }
  return x;
}

double ibeta_inv_lb_(double a, double b, double p, double lb) {
  if (p <= 0) return 0;
  if (p >= 1) return 1;
  IbetaKernel k(a, b, lb);
  return k.inverse(p);
}

void bc_q_tab_(int n, const double* u, const double* lu, const double* l1u, double alpha,
               double beta, double* out) noexcept {
  if (n <= 0) return;
  const double a = 1 + alpha;
  const double b = 1 + beta;
  const double lb = lbeta_(a, b);
  const double B = std::exp(lb);
  const double sw = (a + 1) / (a + b + 2);
  IbetaKernel k(a, b, lb);
  const std::size_t un = static_cast<std::size_t>(n);
  std::size_t i = 0;
  // Neighbours on the same branch go through the fraction side by side.
  for (; i + 1 < un; i += 2) {
    if ((u[i] < sw) == (u[i + 1] < sw)) {
      double f[2];
      k.at2(u + i, lu + i, l1u + i, f);
      out[i] = B * f[0];
      out[i + 1] = B * f[1];
    } else {
      out[i] = B * k.at(u[i], lu[i], l1u[i]);
      out[i + 1] = B * k.at(u[i + 1], lu[i + 1], l1u[i + 1]);
    }
  }
  if (i < un) out[i] = B * k.at(u[i], lu[i], l1u[i]);
}

double ibeta_inv_(double a, double b, double p) {
  if (p <= 0) return 0;
  if (p >= 1) return 1;
  return ibeta_inv_lb_(a, b, p, lbeta_(a, b));
}

namespace {

// Mode u_c = alpha/(alpha + beta) and left inflection point u_b of the
// density: the root in (0, u_c) of A2 u^2 + A1 u + A0 = 0, from
// 2 g'^2 - g'' = 0 with g = log q. ub[0] = u_b or NaN, ub[1] = u_c.
void ub_quad(double alpha, double beta, double* ub) {
  ub[0] = nan_marker();
  const double s = alpha + beta;
  const double uc = alpha / s;
  ub[1] = uc;
  const double A2 = 2 * s * s + alpha + beta;
  const double A1 = -2 * alpha * (2 * beta + 2 * alpha + 1);
  const double A0 = (2 * alpha + 1) * alpha;
  const double disc = A1 * A1 - 4 * A2 * A0;
  if (disc < 0 || !std::isfinite(disc)) return;
  const double r1 = (-A1 - std::sqrt(disc)) / (2 * A2);
  const double r2 = (std::sqrt(disc) - A1) / (2 * A2);
  const double rlo = std::fmin(r1, r2);
  const double rhi = std::fmax(r1, r2);
  if (rlo > 0 && uc > rlo) {
    ub[0] = rlo;
  } else if (rhi > 0 && uc > rhi) {
    ub[0] = rhi;
  }
}

// E(alpha, beta) = Q(u_c) - Q(u_b) - u_c q(u_c), or NaN without an
// inflection point left of the mode.
double eq2_E(double alpha, double beta) {
  double ub[2];
  ub_quad(alpha, beta, ub);
  if (!std::isfinite(ub[0])) return nan_marker();
  const double a = 1 + alpha;
  const double b = 1 + beta;
  const double lb = lbeta_(a, b);
  const double B = std::exp(lb);
  const double I = ibeta_lb_(a, b, ub[1], lb) - ibeta_lb_(a, b, ub[0], lb);
  return B * I - std::pow(1 - ub[1], beta) * std::pow(ub[1], a);
}

// beta* with E(alpha, beta*) = 0: a scan of 600 betas in [-0.999, -1e-6]
// for the first change of sign, then bisection of that bracket.
double eq2_bstar(double alpha) {
  bool have_prev = false, bracket = false;
  double bprev = 0, eprev = 0;
  double lo = 0, hi = 0, elo = 0;
  for (int i = 0; i < 600; ++i) {
    const double bi = i * 0.998999 / 599 - 0.999;
    const double ei = eq2_E(alpha, bi);
    if (!std::isfinite(ei)) continue;
    if (have_prev && ((ei < 0) != (eprev < 0))) {
      lo = bprev;
      elo = eprev;
      hi = bi;
      bracket = true;
      break;
    }
    bprev = bi;
    eprev = ei;
    have_prev = true;
  }
  if (!bracket) return nan_marker();
  for (int it = 0; it < 100; ++it) {
    const double mid = (lo + hi) * 0.5;
    const double em = eq2_E(alpha, mid);
    if (!std::isfinite(em)) return nan_marker();
    if ((em < 0) == (elo < 0)) {
      lo = mid;
      elo = em;
    } else {
      hi = mid;
    }
    if (hi - lo < 1e-14) break;
  }
  return (lo + hi) * 0.5;
}

}  // namespace
}  // namespace noxara

using namespace noxara;

extern "C" NOXARA_API void noxeq2_bc_q(const int* n, const double* u, const double* alpha,
                                       const double* beta, double* out) {
  const int nn = *n;
  if (nn <= 0) return;
  const double a = 1 + *alpha;
  const double b = 1 + *beta;
  const double lb = lbeta_(a, b);
  const double B = std::exp(lb);
  IbetaKernel k(a, b, lb);
  for (std::size_t i = 0; i < static_cast<std::size_t>(nn); ++i) {
    const double ui = u[i];
    if (ui <= 0) {
      out[i] = 0;
    } else if (ui >= 1) {
      out[i] = B;
    } else {
      out[i] = B * k.at(ui, std::log(ui), std::log1p(-ui));
    }
  }
}

extern "C" NOXARA_API void noxeq2_bc_cdf(const int* n, const double* x, const double* alpha,
                                         const double* beta, double* out) {
  const int nn = *n;
  if (nn <= 0) return;
  const double a = 1 + *alpha;
  const double b = 1 + *beta;
  const double lb = lbeta_(a, b);
  const double B = std::exp(lb);
  IbetaKernel k(a, b, lb);
  for (std::size_t i = 0; i < static_cast<std::size_t>(nn); ++i) {
    const double z = x[i] / B;
    if (z <= 0) {
      out[i] = 0;
    } else if (z >= 1) {
      out[i] = 1;
    } else {
      out[i] = k.inverse(z);
    }
  }
}

extern "C" NOXARA_API void noxeq2_bc_pdf(const int* n, const double* x, const double* alpha,
                                         const double* beta, double* out) {
  const int nn = *n;
  if (nn <= 0) return;
  const double al = *alpha;
  const double be = *beta;
  const double a = 1 + al;
  const double b = 1 + be;
  const double lb = lbeta_(a, b);
  const double B = std::exp(lb);
  IbetaKernel k(a, b, lb);
  for (std::size_t i = 0; i < static_cast<std::size_t>(nn); ++i) {
    const double z = x[i] / B;
    double w;
    if (z <= 0) {
      w = 0;
    } else if (z >= 1) {
      w = 1;
    } else {
      w = k.inverse(z);
    }
    out[i] = std::pow(w, -al) * std::pow(1 - w, -be);
  }
}

extern "C" NOXARA_API void noxeq2_ub_quad(const double* alpha, const double* beta, double* out) {
  double ub[2];
  ub_quad(*alpha, *beta, ub);
  out[0] = ub[0];
  out[1] = ub[1];
}

extern "C" NOXARA_API void noxeq2_E(const double* alpha, const double* beta, double* out) {
  out[0] = eq2_E(*alpha, *beta);
}

extern "C" NOXARA_API void noxeq2_bstar(const double* alpha, double* out) {
  out[0] = eq2_bstar(*alpha);
}
