// von Mises tempering: the arc-length element sqrt(1 + (s*f(theta))^2) of the
// graph of the von Mises density f, normalised over the circle. The scale s
// moves the result from the uniform density (s = 0) towards f (large s).
// Normaliser and moments come from the midpoint rule on `nodes` angles.
#include <cmath>

#include "noxara.h"
#include "noxcirc.h"

namespace noxara {

// Modified Bessel function I0 by the classical polynomial approximations
// (relative error about 1e-7): a polynomial in (x/3.75)^2 below 3.75, and
// exp(|x|)/sqrt(|x|) times a polynomial in 3.75/|x| above.
double noxc_bessi0(double x) {
  const double ax = std::fabs(x);
  if (ax < 3.75) {
    const double r = x / 3.75;
    const double y = r * r;
    return 1.0 + y * (3.5156229 + y * (3.0899424 + y * (1.2067492 +
                 y * (0.2659732 + y * (0.0360768 + y * 0.0045813)))));
  }
  const double y = 3.75 / ax;
  return (std::exp(ax) / std::sqrt(ax)) *
         (0.39894228 + y * (0.01328592 + y * (0.00225319 + y * (-0.00157565 +
          y * (0.00916281 + y * (-0.02057706 + y * (0.02635537 +
          y * (-0.01647633 + y * 0.00392377))))))));
}

// Unnormalised tempered density at theta, with i0 = I0(kappa).
double noxc_temper_raw(double theta, double kappa, double mu, double s, double i0) {
  const double f = std::exp(kappa * std::cos(theta - mu)) / (kCircTwoPi * i0);
  const double sf = s * f;
  return std::sqrt(1.0 + sf * sf);
}

}  // namespace noxara

using namespace noxara;

extern "C" NOXARA_API void noxc_temper_vm(const double* theta, const int* nth,
                                          const double* kappa, const double* mu,
                                          const double* s, const int* nodes, double* out) {
  const int n = *nth;
  const double kap = *kappa;
  const double m = *mu;
  const double sc = *s;
  const int N = *nodes;
  const double i0 = noxc_bessi0(kap);
  const double h = kCircTwoPi / static_cast<double>(N);
  double Z = 0.0;
  for (int j = 0; j < N; ++j) {
    Z += noxc_temper_raw((static_cast<double>(j) + 0.5) * h, kap, m, sc, i0);
  }
  Z = Z * h;
  // Without quadrature nodes the raw values are returned unnormalised. N = 0
  // is caught explicitly: its step is infinite and 0*inf would give NaN.
  if (N <= 0 || Z <= 0.0) Z = 1.0;
  for (int i = 0; i < n; ++i) out[i] = noxc_temper_raw(theta[i], kap, m, sc, i0) / Z;
}

extern "C" NOXARA_API void noxc_temper_vm_trigmom(const int* p, const double* kappa,
                                                  const double* mu, const double* s,
                                                  const int* nodes, double* out) {
  const int N = *nodes;
  const double dp = static_cast<double>(*p);
  const double kap = *kappa;
  const double m = *mu;
  const double sc = *s;
  const double i0 = noxc_bessi0(kap);
  const double step = kCircTwoPi / static_cast<double>(N);
  double z = 0.0, sr = 0.0, si = 0.0;
  for (int j = 0; j < N; ++j) {
    const double phi = step * (static_cast<double>(j) + 0.5);
    const double g = noxc_temper_raw(phi, kap, m, sc, i0);
    z += g;
    sr += g * std::cos(dp * phi);
    si += g * std::sin(dp * phi);
  }
  if (z > 0.0) {
    sr = sr / z;
    si = si / z;
  }
  out[0] = sr;
  out[1] = si;
}
