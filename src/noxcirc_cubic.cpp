// Cubic circular quantile family: angles mu + 2*pi*Q(u) with the quantile
// function Q(u) = u + 5*c3*u^2*(1-u)^2 on the unit scale (a fraction of the
// full turn). Quantile density, quantile function, density of angles,
// trigonometric moments, angles from caller-supplied uniforms and a fit by the
// first two trigonometric moments.
#include <cmath>

#include "noxara.h"
#include "noxcirc.h"

namespace noxara {

// c3 at which the quantile density first touches zero: 3*sqrt(3)/5.
constexpr double kC3Max = 1.0392304845413265;

double noxc_Q3_one(double u, double c3) {
  const double v = 1.0 - u;
  return ((((5.0 * c3) * u) * u) * v) * v + u;
}

double noxc_q3_one(double u, double c3) {
  return ((10.0 * c3 * u) * (2.0 * u - 1.0)) * (u - 1.0) + 1.0;
}

// Bisection always runs its 80 halvings (no tolerance test), so the result is
// a fixed function of (t, c3). Outside the admissible range of c3 it finds one
// crossing of the non-monotone Q.
double noxc_Qinv(double t, double c3) {
  if (t <= 0.0) return 0.0;
  if (t >= 1.0) return 1.0;
  double lo = 0.0, hi = 1.0;
  for (int it = 0; it < 80; ++it) {
    const double mid = (lo + hi) * 0.5;
    if (noxc_Q3_one(mid, c3) < t) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return (lo + hi) * 0.5;
}

namespace {

// Order-p trigonometric moment by the midpoint rule on `nodes` points,
// rotated by the location. nodes <= 0 gives NaN in both parts (0/0): a
// negative count is no rule either, and dividing the empty sums by it would
// give zeros that pass for the moment of a uniform distribution.
void trigmom3_one(int p, double c3, double mu, int nodes, double* re, double* im) {
  const int N = (nodes > 0) ? nodes : 0;
  const double fac = static_cast<double>(p) * kCircTwoPi;
  const double dN = static_cast<double>(N);
  double sr = 0.0, si = 0.0;
  for (int j = 0; j < N; ++j) {
    const double u = (static_cast<double>(j) + 0.5) / dN;
    const double a = fac * noxc_Q3_one(u, c3);
    sr += std::cos(a);
    si += std::sin(a);
  }
  sr = sr / dN;
  si = si / dN;
  const double pmu = static_cast<double>(p) * mu;
  const double c = std::cos(pmu);
  const double s = std::sin(pmu);
  *re = sr * c - si * s;
  *im = sr * s + si * c;
}

double trigmom3_mod(int p, double c3, double mu, int nodes) {
  double re, im;
  trigmom3_one(p, c3, mu, nodes, &re, &im);
  return std::sqrt(re * re + im * im);
}

}  // namespace
}  // namespace noxara

using namespace noxara;

extern "C" NOXARA_API void noxc_c3max(double* out) { out[0] = kC3Max; }

extern "C" NOXARA_API void noxc_qd3(const double* u, const int* nu, const double* c3,
                                    double* out) {
  const int n = *nu;
  const double c = *c3;
  for (int i = 0; i < n; ++i) out[i] = noxc_q3_one(u[i], c);
}

extern "C" NOXARA_API void noxc_Q3(const double* u, const int* nu, const double* c3,
                                   double* out) {
  const int n = *nu;
  const double c = *c3;
  for (int i = 0; i < n; ++i) out[i] = noxc_Q3_one(u[i], c);
}

extern "C" NOXARA_API void noxc_dens3(const double* theta, const int* nth, const double* c3,
                                      const double* mu, double* out) {
  const int n = *nth;
  const double c = *c3;
  const double m = *mu;
  int i = 0;
  // Four bisections side by side: the same operations per angle as
  // noxc_Qinv, interleaved so that their dependency chains overlap.
  for (; i + 4 <= n; i += 4) {
    double t[4], lo[4], hi[4];
    for (int r = 0; r < 4; ++r) {
      t[r] = noxc_wrap01((theta[i + r] - m) / kCircTwoPi);
      lo[r] = 0.0;
      hi[r] = 1.0;
    }
    for (int it = 0; it < 80; ++it) {
#pragma GCC unroll 4
      for (int r = 0; r < 4; ++r) {
        const double mid = (lo[r] + hi[r]) * 0.5;
        const bool below = noxc_Q3_one(mid, c) < t[r];
        lo[r] = below ? mid : lo[r];
        hi[r] = below ? hi[r] : mid;
      }
    }
    for (int r = 0; r < 4; ++r) {
      double u = (lo[r] + hi[r]) * 0.5;
      if (t[r] <= 0.0) u = 0.0;
      if (t[r] >= 1.0) u = 1.0;
      const double q = noxc_q3_one(u, c);
      out[i + r] = (q > 0.0) ? 1.0 / (q * kCircTwoPi) : 0.0;
    }
  }
  for (; i < n; ++i) {
    const double t = noxc_wrap01((theta[i] - m) / kCircTwoPi);
    const double u = noxc_Qinv(t, c);
    const double q = noxc_q3_one(u, c);
    out[i] = (q > 0.0) ? 1.0 / (q * kCircTwoPi) : 0.0;
  }
}

extern "C" NOXARA_API void noxc_trigmom3(const int* p, const double* c3, const double* mu,
                                         const int* nodes, double* out) {
  trigmom3_one(*p, *c3, *mu, *nodes, &out[0], &out[1]);
}

extern "C" NOXARA_API void noxc_rand3(const double* unif, const int* n, const double* c3,
                                      const double* mu, double* out) {
  const int nn = *n;
  const double c = *c3;
  const double m = *mu;
  for (int i = 0; i < nn; ++i) {
    double x = std::fmod(noxc_Q3_one(unif[i], c) * kCircTwoPi + m, kCircTwoPi);
    if (x < 0.0) x = x + kCircTwoPi;
    if (x >= kCircTwoPi) x = 0.0;  // a tiny negative angle rounds up to 2*pi: the same angle as 0
    out[i] = x;
  }
}

// out[0] = location in [-pi, pi), out[1] = c3, out[2] = mean resultant length,
// out[3] = 1 when the modulus equation was solved inside the admissible range,
// 0 when the sample is more concentrated than the family allows (|c3| = c3max).
extern "C" NOXARA_API void noxc_fit3(const double* theta, const int* n, const int* nodes,
                                     double* out) {
  // A negative count is treated as an empty sample: 0/0 gives NaN moments
  // instead of signed zeros that would pass for a fitted uniform distribution.
  const int nn = (*n > 0) ? *n : 0;
  const int N = *nodes;
  double ar = 0.0, ai = 0.0, br = 0.0, bi = 0.0;
  for (int i = 0; i < nn; ++i) {
    const double x = theta[i];
    ar += std::cos(x);
    ai += std::sin(x);
    br += std::cos(2.0 * x);
    bi += std::sin(2.0 * x);
  }
  const double dn = static_cast<double>(nn);
  ar = ar / dn;
  ai = ai / dn;
  br = br / dn;
  bi = bi / dn;
  const double rbar = std::sqrt(ar * ar + ai * ai);

  // The sign of c3 is read off the phase of the second moment relative to
  // twice the phase of the first.
  const double psi = noxc_wrappi(std::atan2(bi, br) - 2.0 * std::atan2(ai, ar));
  const double sgn = (psi >= 0.0) ? 1.0 : -1.0;

  const double cmax = kC3Max;
  const double modmax = trigmom3_mod(1, cmax, 0.0, N);
  double flag = 1.0;
  double c;
  if (rbar <= 0.0) {
    c = 0.0;
  } else if (rbar >= modmax) {
    c = cmax;
    flag = 0.0;
  } else {
    // The modulus of the first moment grows with |c3| from 0 at c3 = 0.
    double lo = 0.0, hi = cmax;
    for (int it = 0; it < 80; ++it) {
      const double mid = (lo + hi) * 0.5;
      const double m = trigmom3_mod(1, mid, 0.0, N);
      if (m < rbar) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    c = (lo + hi) * 0.5;
  }
  const double c3 = c * sgn;

  double mre, mim;
  trigmom3_one(1, c3, 0.0, N, &mre, &mim);
  const double mu = noxc_wrappi(std::atan2(ai, ar) - std::atan2(mim, mre));

  out[0] = mu;
  out[1] = c3;
  out[2] = rbar;
  out[3] = flag;
}
