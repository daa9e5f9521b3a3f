// Arc length of the empirical characteristic function of the standardised
// sample, phi(t) = (1/N) sum_j exp(i t z_j), over [-T, T]. Since phi(-t) is the
// conjugate of phi(t), the length is twice the length over [0, T], which is
// the trapezoid rule on G grid points applied to the speed |phi'(t)|.

#include <cmath>
#include <complex>

#include "noxara.h"
#include "numerics/common.h"

extern "C" NOXARA_API void cf_arclength_emp(const double* x, const int* n, const double* T,
                                            const int* ng, double* out) {
  const int N = *n;
  const int G = *ng;
  if (G <= 1) {  // no interval to sum
    out[0] = 0.0;
    return;
  }
  if (N < 0) {  // a negative count has no mean
    out[0] = noxara::nan_marker();
    return;
  }
  const double Nd = static_cast<double>(N);
  double sum = 0.0;
  for (int j = 0; j < N; ++j) sum += x[j];
  const double mu = sum / Nd;
  double ss = 0.0;
  for (int j = 0; j < N; ++j) {
    const double dv = x[j] - mu;
    ss += dv * dv;
  }
  const double sd = std::sqrt(ss / (Nd - 1.0));

  const double dt = *T / (G - 1);
  double L = 0.0;
  double prev = 0.0;
  for (int g = 0; g < G; ++g) {
    const double t = g * dt;
    // phi'(t) = (1/N) sum_j (i z_j) exp(i t z_j); the complex product keeps
    // the infinity-recovering rule for non-finite parts.
    double re = 0.0, im = 0.0;
    for (int j = 0; j < N; ++j) {
      const double z = (x[j] - mu) / sd;
      const std::complex<double> e = std::exp(std::complex<double>(0.0 * t * z, t * z));
      const std::complex<double> d = e * std::complex<double>(0.0 * z, z);
      re += d.real();
      im += d.imag();
    }
    const double speed = std::abs(std::complex<double>(re / Nd, im / Nd));
    if (g > 0) L += (prev + speed) * 0.5 * dt;
    prev = speed;
  }
  out[0] = 2.0 * L;
}
