// Regularised incomplete beta function and its inverse, shared by the
// beta-kernel quantile family and the curve fits built on it.
//
// ibeta_lb_ and ibeta_inv_lb_ take log B(a, b) from the caller, so that a
// caller evaluating many points for one (a, b) pays for the three log-gamma
// calls once. Given lb == lbeta_(a, b) they return exactly (bit for bit) what
// ibeta_ and ibeta_inv_ return.
#ifndef NOXARA_NOXEQ2_H
#define NOXARA_NOXEQ2_H

namespace noxara {

// log B(a, b) = lgamma(a) + lgamma(b) - lgamma(a + b).
double lbeta_(double a, double b);

// Continued fraction of the incomplete beta function (modified Lentz method,
// at most 300 terms, relative tolerance 3e-16).
double betacf_(double a, double b, double x);

// I_x(a, b): 0 for x <= 0, 1 for x >= 1.
double ibeta_(double a, double b, double x);
double ibeta_lb_(double a, double b, double x, double lb);

// The x in (0, 1) with I_x(a, b) = p (bisection to a bracket below 1e-15,
// then at most four Newton steps): 0 for p <= 0, 1 for p >= 1.
double ibeta_inv_(double a, double b, double p);
double ibeta_inv_lb_(double a, double b, double p, double lb);

// The same inverse evaluated step by step: every one of the bisection's
// comparisons evaluates I. ibeta_inv_lb_ returns its bits for every input.
double ibeta_inv_literal_(double a, double b, double p, double lb);

// The x-independent factors of the continued fraction for one (a, b), filled
// on demand up to the term a point needs: term m of the even step is
// en[m-1]*x/ed[m-1], of the odd step on[m-1]*x/od[m-1], each factor formed
// exactly as betacf_ forms it.
struct CfFactors {
  static constexpr int kTerms = 300;
  double a = 0, b = 0, qab = 0, qap = 0, qam = 0;
  int filled = 0;
  double en[kTerms], ed[kTerms], on[kTerms], od[kTerms];
  void init(double a_, double b_) noexcept;
  void extend(int m) noexcept;
};

// I_x(a, b) and its inverse for many points of one (a, b) with log B(a, b)
// given. at() is bit for bit ibeta_lb_ for 0 < x < 1, taking log(x) and
// log1p(-x) from the caller; inverse() is bit for bit ibeta_inv_literal_.
//
// The inverse finds the root first (Halley steps on the exact I from the
// nearest root an earlier call of the same kernel found, or from the usual
// closed-form guess), then replays the bisection: a midpoint at or beyond
// a point where I was evaluated with a margin larger than a bound on the
// rounding error of I, on both sides, has its comparison with p decided by
// the monotonicity of I; every other midpoint evaluates I exactly. The
// Newton polish runs as written, reusing evaluations at points already seen.
// A kernel holds per-call state: one per thread and call, never shared.
class IbetaKernel {
 public:
  IbetaKernel(double a, double b, double lb) noexcept;
  double at(double x, double lx, double l1x) noexcept;
  // Two points of the same branch at once (both below the switch point, or
  // both at or above it); the same operations per point as at().
  void at2(const double* x, const double* lx, const double* l1x, double* out) noexcept;
  double inverse(double p) noexcept;
  // Exact evaluations of I made by the last inverse() (for benchmarks).
  int last_evaluations() const noexcept { return nev_; }

 private:
  // An exact evaluation: f = I_x (as ibeta_lb_ returns it), t = f below
  // the switch point and the computed 1 - I (f = 1 - t) at or above it.
  struct Pt {
    double x, lx, l1x, f, t, dens;
    int it;
    bool clean, up;
  };
  void eval(double x, Pt* pt) noexcept;
  Pt* find(double x) noexcept;
  double dens(Pt* q) noexcept;
  double rel_bound(double lxterm, double l1xterm, int it) const noexcept;
  void check_anchor(const Pt& q, double p) noexcept;
  double guess(double p) noexcept;

  double a_, b_, lb_, sw_, am1_, bm1_;
  CfFactors fw_, bw_;
  bool consts_ready_ = false, guess_ready_ = false;
  double glb_ = 0, lsw_ = 0, l1sw_ = 0;
  double g_t_ = 0, g_w_ = 0, g_h_ = 0, g_d_ = 0;
  // Per-inverse state.
  static constexpr int kCache = 96;
  Pt pts_[kCache];
  int npts_ = 0, nev_ = 0, itmax_ = 0;
  double L1_, L2_, U1_, U2_;
  // Roots found by earlier calls (p, root, density there): starting points.
  static constexpr int kMem = 16;
  double mp_[kMem], mr_[kMem], md_[kMem];
  int nmem_ = 0, memhead_ = 0;
};

}  // namespace noxara

namespace noxara {

// noxeq2_bc_q for n probabilities strictly inside (0, 1) whose logarithms
// lu[i] = log(u[i]) and l1u[i] = log1p(-u[i]) the caller has tabulated (a
// fixed grid): out[i] = B(a, b) I_u[i](a, b), a = 1 + alpha, b = 1 + beta,
// bit for bit what noxeq2_bc_q writes.
void bc_q_tab_(int n, const double* u, const double* lu, const double* l1u, double alpha,
               double beta, double* out) noexcept;

}  // namespace noxara

#endif
