// Internal pieces of the kappa-4 family shared with the curve-fitting,
// variable-projection and model-selection families: the scalar transform,
// quantile function and density behind the exported k4_F, and the band and
// smoothing helpers.
#ifndef NOXARA_NOXK4_H
#define NOXARA_NOXK4_H

#include <cmath>
#include <limits>

#include "noxara.h"

namespace noxara {

// A shape parameter whose absolute value is below this is treated as 0.
constexpr double kK4Zero = 1e-8;

// Reduced variable of the kappa-4 family at x. With t = (x - mu)/sg:
// |k| < 1e-8: y = exp(-t), z = 1; otherwise z = 1 - k*t and y = z^(1/k)
// (y = 0 above the upper end when k > 0, y = +inf below the lower end when
// k < 0).
inline void k4_y(double x, double mu, double sg, double k, double* y, double* z) {
  const double t = (x - mu) / sg;
  if (std::fabs(k) < kK4Zero) {
    *y = std::exp(-t);
    *z = 1.0;
    return;
  }
  const double zz = 1.0 - k * t;
  *z = zz;
  if (zz <= 0.0) {
    // Outside the support on the k-side: above the upper end (k > 0) or
    // below the lower end (k < 0).
    *y = (k > 0.0) ? 0.0 : std::numeric_limits<double>::infinity();
    return;
  }
  *y = std::exp(std::log(zz) / k);
}

// Distribution function from the reduced variable y. NaN and +inf cover
// points below the lower end for k < 0, x = -inf and NaN input.
inline double k4_F_of_y(double y, double h) {
  if (std::isnan(y) || y == std::numeric_limits<double>::infinity()) return 0.0;
  if (std::fabs(h) < kK4Zero) return std::exp(-y);
  const double w = 1.0 - h * y;
  if (w <= 0.0) return (h > 0.0) ? 0.0 : 1.0;
  return std::exp(std::log(w) / h);
}

// Distribution function at x: the value of the exported k4_F, inlined for the
// objectives that evaluate it once per data point and trial.
inline double k4_cdf(double x, double mu, double sg, double k, double h) {
  double y, z;
  k4_y(x, mu, sg, k, &y, &z);
  return k4_F_of_y(y, h);
}

// Quantile function at probability u.
double k4_q(double u, double mu, double sg, double k, double h);

// Density at x (exactly 0 outside the support).
double k4_f(double x, double mu, double sg, double k, double h);

// L-moments of the standard member (mu = 0, sg = 1) with a Gauss-Legendre
// rule already built (x01 descending, as gl01 delivers it): out = tau3, tau4,
// lambda1, lambda2.
void k4_tau34_rule(double k, double h, int n, const double* x01, const double* w01,
                   double* out);

// L_p length of a segment with extents a, b >= 0 (max(a, b) when p is not
// finite or p <= 0).
double pnorm2(double a, double b, double p);

// L_p arc length over [a, b] of the curve g0 + g1*F(x; th[2..5]) by the
// Gauss-Legendre rule (x01, w01) of `nodes` points.
double band_model_one(const double* th, double a, double b, int nodes,
                      const double* x01, const double* w01, double p);

// Standard normal density and distribution function.
double k4_norm_pdf(double z);
double k4_norm_cdf(double z);

// E max(d, |Y|) for Y normal with mean mu and standard deviation s.
double k4_emax(double d, double mu, double s);

// Three-way comparison for the library sort, and the median of the sorted
// buf[0..m-1] (mean of the two middle values for even m).
int cmp_d(const void* a, const void* b);
double med_of(double* buf, int m);

// Curve parameters (g0, g1, mu, sg, k, h) from the minimiser coordinates
// (g0, log g1, mu, log sg, k, log h).
void untrans(const double* p, double* th);

}  // namespace noxara

#endif
