// Internal pieces of the kappa-4 family shared with the curve-fitting,
// variable-projection and model-selection families: the scalar transform,
// quantile function and density behind the exported k4_F, and the band and
// smoothing helpers.
#ifndef NOXARA_NOXK4_H
#define NOXARA_NOXK4_H

#include "noxara.h"

namespace noxara {

// A shape parameter whose absolute value is below this is treated as 0.
constexpr double kK4Zero = 1e-8;

// Reduced variable of the kappa-4 family at x. With t = (x - mu)/sg:
// |k| < 1e-8: y = exp(-t), z = 1; otherwise z = 1 - k*t and y = z^(1/k)
// (y = 0 above the upper end when k > 0, y = +inf below the lower end when
// k < 0).
void k4_y(double x, double mu, double sg, double k, double* y, double* z);

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
