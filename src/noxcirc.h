// Internal pieces shared by the circular families (cubic, Fourier-series,
// L-moments, tempering, Monte Carlo procedures).
#ifndef NOXARA_NOXCIRC_H
#define NOXARA_NOXCIRC_H

#include <cmath>
#include <cstdint>

#include "numerics/rng.h"

namespace noxara {

constexpr double kCircPi = 3.141592653589793;
constexpr double kCircTwoPi = 6.283185307179586;

// Position reduced into [0, 1).
inline double noxc_wrap01(double x) {
  double y = std::fmod(x, 1.0);
  if (y < 0) y = y + 1.0;
  return y;
}

// Angle reduced into [-pi, pi).
inline double noxc_wrappi(double x) {
  double y = std::fmod(x + kCircPi, kCircTwoPi);
  if (y < 0) y = y + kCircTwoPi;
  return y - kCircPi;
}

// Stream word of grid point (or replicate) j, and its uniform on [0, 1).
inline std::uint64_t noxc_seed(int seed, int j) { return sm_seed(seed, j); }
inline double noxc_unif(std::uint64_t& s) { return sm_unif(s); }

// Cubic family on the unit scale: quantile function Q(u) = u + 5*c3*u^2*(1-u)^2,
// its derivative q(u), and the distribution function (inverse of Q) by 80
// bisection halvings on [0, 1].
double noxc_Q3_one(double u, double c3);
double noxc_q3_one(double u, double c3);
double noxc_Qinv(double t, double c3);

// Modified Bessel function I0 (polynomial approximation).
double noxc_bessi0(double x);
// A position rounded to the nearest of k bins on the circle (1 maps to 0).
double noxc_group(double th01, int k);
// Resultant length (which = 0) or circular arc length of n positions in [0, 1);
// work holds n doubles of scratch.
double noxc_stat(const double* u01, int n, int which, double* work);

}  // namespace noxara

#endif
