// Beta-kernel quantile family: quantile density q(u) = u^alpha (1-u)^beta,
// quantile Q(u) = B(a, b) I_u(a, b) with a = 1 + alpha, b = 1 + beta,
// distribution function F(x) = I^-1(x/B; a, b) and density 1/q(F(x)).
// Also the closed-form mode and left inflection point of the density, the
// balance E between the inflection point and the foot of the tangent at the
// mode, and the beta that makes that balance zero.
#include "noxeq2.h"

#include <cmath>
#include <cstddef>

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

double ibeta_inv_lb_(double a, double b, double p, double lb) {
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
  for (std::size_t i = 0; i < static_cast<std::size_t>(nn); ++i) {
    const double ui = u[i];
    if (ui <= 0) {
      out[i] = 0;
    } else if (ui >= 1) {
      out[i] = B;
    } else {
      out[i] = B * ibeta_lb_(a, b, ui, lb);
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
  for (std::size_t i = 0; i < static_cast<std::size_t>(nn); ++i) {
    const double z = x[i] / B;
    if (z <= 0) {
      out[i] = 0;
    } else if (z >= 1) {
      out[i] = 1;
    } else {
      out[i] = ibeta_inv_lb_(a, b, z, lb);
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
  for (std::size_t i = 0; i < static_cast<std::size_t>(nn); ++i) {
    const double z = x[i] / B;
    double w;
    if (z <= 0) {
      w = 0;
    } else if (z >= 1) {
      w = 1;
    } else {
      w = ibeta_inv_lb_(a, b, z, lb);
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
