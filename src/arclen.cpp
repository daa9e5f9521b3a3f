// Arc-length test of uniformity: the length S of the polygon from (0, 0)
// through (i/(n+1), u_(i)) to (1, 1), its exact mean and variance under
// uniformity, and a saddlepoint upper-tail probability.
//
// Under uniformity the m = n + 1 spacings D_i of the sorted sample are
// Dirichlet(1, ..., 1); segment i has length sqrt(D_i^2 + c^2) with c = 1/m.
// The moments integrate over the one- and two-spacing marginals; the p-value
// conditions m standard exponentials W_i on their mean being 1 and applies the
// Lugannani-Rice formula to the joint cumulant generating function of
// (sqrt(1 + W^2), W).

#include <climits>
#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "numerics/common.h"
#include "numerics/scratch.h"

namespace noxara {
namespace {

// Context of the moment integrands: number of segments, horizontal step, and
// the outer variable held fixed while the inner integral runs.
struct mpar {
  int m;
  double c0;
  double a;
};

// Length of one segment times the density (m-1)(1-u)^(m-2) of one spacing.
double marg1(double u, void* vp) {
  const mpar* p = static_cast<const mpar*>(vp);
  return std::sqrt(u * u + p->c0 * p->c0) * static_cast<double>(p->m - 1) *
         std::pow(1.0 - u, static_cast<double>(p->m - 2));
}

// Squared segment length times the density of one spacing.
double marg2(double u, void* vp) {
  const mpar* p = static_cast<const mpar*>(vp);
  return (u * u + p->c0 * p->c0) * static_cast<double>(p->m - 1) *
         std::pow(1.0 - u, static_cast<double>(p->m - 2));
}

// Inner integrand over the second spacing g2 with the first fixed at a:
// its segment length times the unnormalised pair density ((1-a) - g2)^(m-3).
double inner(double g2, void* vp) {
  const mpar* p = static_cast<const mpar*>(vp);
  return std::sqrt(g2 * g2 + p->c0 * p->c0) *
         std::pow((1.0 - p->a) - g2, static_cast<double>(p->m - 3));
}

// E[L_i L_j | D_i = g1] times the density of D_i, integrated over g2.
double crossf(double g1, void* vp) {
  mpar* p = static_cast<mpar*>(vp);
  p->a = g1;
  return std::sqrt(g1 * g1 + p->c0 * p->c0) * static_cast<double>(p->m - 1) *
         static_cast<double>(p->m - 2) * simpson(inner, vp, 0.0, 1.0 - g1, 2000);
}

// Cumulant generating function K(a, b) = log E[exp(a sqrt(1+W^2) + b W)] of a
// standard exponential W and its derivatives, by one Simpson pass of 20000
// subintervals: o = {K, K_a, K_b, K_aa, K_bb, K_ab}. All six are NaN when the
// transform does not exist (a + b too close to 1) or the integral is not a
// positive finite number.
void al_kappa_all(double a, double b, double* o) {
  const double d = (1.0 - b) - a;
  if (d <= 1e-6) {
    fill_nan(o, 6);
    return;
  }
  const double Wmax = 60.0 / d;
  const double h = (Wmax > 400.0) ? 0.02 : Wmax / 20000.0;
  double I = 0.0, Ia = 0.0, Ib = 0.0, Iaa = 0.0, Ibb = 0.0, Iab = 0.0;
  for (int i = 0; i <= 20000; ++i) {
    const double w = i * h;
    // The shift by 1 keeps the exponent small; it is restored in K below.
    const double p1 = std::sqrt(w * w + 1.0) - 1.0;
    const double f = std::exp((b - 1.0) * w + a * p1);
    const double weight = (i == 0 || i == 20000) ? 1.0 : ((i % 2 == 1) ? 4.0 : 2.0);
    const double g = f * weight;
    I += g;
    Ia += p1 * g;
    Ib += w * g;
    Iaa += p1 * p1 * g;
    Ibb += w * w * g;
    Iab += w * p1 * g;
  }
  const double c3 = h / 3.0;
  I = I * c3;
  if (!(I > 0.0) || std::isinf(I)) {
    fill_nan(o, 6);
    return;
  }
  const double ra = Ia * c3 / I;
  const double rb = Ib * c3 / I;
  o[0] = std::log(I) + a;
  o[1] = 1.0 + ra;
  o[2] = rb;
  o[3] = Iaa * c3 / I - ra * ra;
  o[4] = Ibb * c3 / I - rb * rb;
  o[5] = Iab * c3 / I - ra * rb;
}

}  // namespace
}  // namespace noxara

extern "C" NOXARA_API void al_statistic(const int* n, const double* u, double* out) {
  const int nn = *n;
  if (nn < 0) {  // a negative sample size has no polygon
    out[0] = noxara::nan_marker();
    return;
  }
  const std::size_t len = static_cast<std::size_t>(nn);
  noxara::Scratch<double> v(len);
  if (!v.ok()) return;
  for (std::size_t i = 0; i < len; ++i) v[i] = u[i];
  noxara::sort_doubles(v.data(), len);
  // m = n + 1 in double: exact, and free of overflow at the largest n.
  const double c = 1.0 / (static_cast<double>(nn) + 1.0);
  double prev = 0.0, sum = 0.0;
  for (std::size_t i = 0; i < len; ++i) {
    const double dv = v[i] - prev;
    sum += std::sqrt(dv * dv + c * c);
    prev = v[i];
  }
  out[0] = sum + std::sqrt(c * c + (1.0 - prev) * (1.0 - prev));
}

extern "C" NOXARA_API void al_moments(const int* n, double* out) {
  using namespace noxara;
  const int nn = *n;
  const double md = static_cast<double>(nn) + 1.0;
  const double c0 = 1.0 / md;
  out[2] = 1.4142135623730951;
  out[3] = 2.0 - c0;
  // The mean needs n >= 1; n + 1 must also fit the integer segment count.
  if (nn <= 0 || nn == INT_MAX) {
    out[0] = nan_marker();
    out[1] = nan_marker();
    return;
  }
  mpar p = {nn + 1, c0, 0.0};
  const double E1 = simpson(marg1, &p, 0.0, 1.0, 8000);
  const double E2 = simpson(marg2, &p, 0.0, 1.0, 8000);
  const double Ecr = simpson(crossf, &p, 0.0, 1.0, 2000);
  // n*m in double: exact, where the integer product could overflow.
  out[0] = md * E1;
  out[1] = (static_cast<double>(nn) * md) * (Ecr - E1 * E1) + md * (E2 - E1 * E1);
}

extern "C" NOXARA_API void al_pvalue(const double* s, const int* n, double* out) {
  using namespace noxara;
  const double m = static_cast<double>(*n) + 1.0;
  const double t = *s * m;
  const double tau = t / m;
  double a = 0.01, b = 0.0;
  double K[6];
  for (int it = 0; it < 60; ++it) {
    al_kappa_all(a, b, K);
    if (std::isnan(K[0])) {
      out[0] = nan_marker();
      return;
    }
    const double fa = K[1] - tau;
    const double fb = K[2] - 1.0;
    if (std::fabs(fa) < 1e-12 && std::fabs(fb) < 1e-12) break;
    const double det = K[3] * K[4] - K[5] * K[5];
    if (std::fabs(det) < 1e-14) {
      out[0] = nan_marker();
      return;
    }
    const double da = (K[4] * fa - K[5] * fb) / det;
    const double db = (K[3] * fb - K[5] * fa) / det;
    double an = a - da;
    double bn = b - db;
    // The transform exists only for a + b < 1: halve the step until inside.
    if (an >= 1.0 - bn - 1e-4) {
      double step = 1.0;
      for (int k = 0; k < 20; ++k) {
        step = step / 2.0;
        an = a - step * da;
        bn = b - step * db;
        if (an < 1.0 - bn - 1e-4) break;
      }
    }
    a = an;
    b = bn;
  }
  al_kappa_all(a, b, K);
  if (std::isnan(K[0])) {
    out[0] = nan_marker();
    return;
  }
  const double sgn = (a >= 0.0) ? 1.0 : -1.0;
  const double w = sgn * std::sqrt(2.0 * ((t * a + b * m) - K[0] * m));
  const double u = a * std::sqrt(m * (K[3] * K[4] - K[5] * K[5]));
  const double Phi = 0.5 * std::erfc(-w / 1.4142135623730951);
  const double phi = std::exp(-0.5 * w * w) / 2.5066282746310002;
  const double p = 1.0 - Phi - phi * (1.0 / w - 1.0 / u);
  if (p < 0.0)
    out[0] = 0.0;
  else if (p > 1.0)
    out[0] = 1.0;
  else
    out[0] = p;  // includes NaN, written unchanged
}
