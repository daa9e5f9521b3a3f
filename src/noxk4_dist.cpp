// Kappa-4 distribution: distribution function, quantile function, density and
// the L-moment ratios of the standard member.
#include <cmath>
#include <cstddef>
#include <limits>

#include "noxara.h"
#include "noxk4.h"
#include "numerics/common.h"
#include "numerics/gl01.h"
#include "numerics/scratch.h"

namespace noxara {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

double k4_q(double u, double mu, double sg, double k, double h) {
  double w;
  if (std::fabs(h) < kK4Zero)
    w = (u <= 0.0) ? kInf : -std::log(u);
  else
    w = (1.0 - std::pow(u, h)) / h;
  // u = 1 and beyond: the upper end. Tested before the test on k, so a
  // positive k below the zero threshold still gives the finite end.
  if (w <= 0.0) return (k > 0.0) ? mu + sg / k : kInf;
  if (std::fabs(k) < kK4Zero) return mu - sg * std::log(w);
  return mu + (sg / k) * (1.0 - std::exp(k * std::log(w)));
}

double k4_f(double x, double mu, double sg, double k, double h) {
  double y, z;
  k4_y(x, mu, sg, k, &y, &z);
  if (z <= 0.0) return 0.0;
  if (!(y > 0.0) || y == kInf) return 0.0;
  // Same value as k4_F(x, mu, sg, k, h): the reduced variable is reused.
  const double F = k4_F_of_y(y, h);
  if (F <= 0.0) return 0.0;
  return std::pow(F, 1.0 - h) * (1.0 / sg) * (y / z);
}

void k4_tau34_rule(double k, double h, int n, const double* x01, const double* w01,
                   double* out) {
  double l1 = 0.0, l2 = 0.0, l3 = 0.0, l4 = 0.0;
  for (int i = 0; i < n; ++i) {
    const double u = x01[i];
    const double q = k4_q(u, 0.0, 1.0, k, h) * w01[i];
    l1 += q;
    l2 += (2.0 * u - 1.0) * q;
    l3 += (6.0 * u * u - 6.0 * u + 1.0) * q;
    l4 += (20.0 * u * u * u - 30.0 * u * u + 12.0 * u - 1.0) * q;
  }
  out[0] = l3 / l2;
  out[1] = l4 / l2;
  out[2] = l1;
  out[3] = l2;
}

}  // namespace noxara

using noxara::k4_f;
using noxara::k4_q;

extern "C" NOXARA_API double k4_F(double x, double mu, double sg, double k, double h) {
  return noxara::k4_cdf(x, mu, sg, k, h);
}

extern "C" NOXARA_API void noxk4_q(const double* u, const int* nu, const double* mu,
                                   const double* sg, const double* k, const double* h,
                                   double* out) {
  const int n = *nu;
  for (int i = 0; i < n; ++i) out[i] = k4_q(u[i], *mu, *sg, *k, *h);
}

extern "C" NOXARA_API void noxk4_cdf(const double* x, const int* nx, const double* mu,
                                     const double* sg, const double* k, const double* h,
                                     double* out) {
  const int n = *nx;
  for (int i = 0; i < n; ++i) out[i] = noxara::k4_cdf(x[i], *mu, *sg, *k, *h);
}

extern "C" NOXARA_API void noxk4_pdf(const double* x, const int* nx, const double* mu,
                                     const double* sg, const double* k, const double* h,
                                     double* out) {
  const int n = *nx;
  for (int i = 0; i < n; ++i) out[i] = k4_f(x[i], *mu, *sg, *k, *h);
}

extern "C" NOXARA_API void noxk4_tau34(const double* k, const double* h, const int* nodes,
                                       double* out) {
  const int n = *nodes;
  const std::size_t nn = (n > 0) ? static_cast<std::size_t>(n) : 0;
  noxara::Scratch<double> x01(nn), w01(nn);
  if (!x01.ok() || !w01.ok()) {
    noxara::fill_nan(out, 4);
    return;
  }
  noxara::gl01(n, x01.data(), w01.data());
  noxara::k4_tau34_rule(*k, *h, n, x01.data(), w01.data(), out);
}
