// Readings of a distribution given by its quantile density q(u) = dQ/du:
// the mode (minimum of q), the inflection point of the density left of the
// mode, and the foot of the tangent to the distribution function at the mode,
// all taken from a fixed grid on [1e-5, 0.99999].
//
// Two forms of q:
//   log q = alpha log u + beta log(1-u) + theta1 P1 + theta2 P2 + theta3 P3
//   (shifted Legendre polynomials on [0, 1]), and
//   q = (1-delta) u^(lambda-1) + delta (1-u)^(lambda-1).
//
// Output (5 doubles, positions measured from Q(u_0)):
//   out[0] = Qb - (Qc - u_c q(u_c))  inflection point minus tangent foot
//   out[1] = Qc - u_c q(u_c)         foot of the tangent at the mode
//   out[2] = Qb                      inflection point
//   out[3] = u_c                     probability at the mode
//   out[4] = u_b                     probability at the inflection point
#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "numerics/common.h"
#include "numerics/scratch.h"

namespace noxara {
namespace {

// Grid point i of N: i*0.99998/(N-1) + 1e-5.
inline double eq_grid(std::size_t i, double nm1) {
  return static_cast<double>(i) * 0.99998 / nm1 + 1e-5;
}

// Sign test of the density's curvature: 2 g'^2 - g''.
inline double eq_curv(double gp, double gpp) { return 2 * gp * gp - gpp; }

// Minimum of q, inflection point left of it, trapezoid integrals and the
// five readings. The inflection scan takes left ends k = k0 .. ic-2, skipping
// grid points below 0.001 when skip_small is set.
void eq_readings_from_grid(const double* u, const double* q, const double* gp,
                           const double* gpp, std::size_t N, std::size_t k0,
                           bool skip_small, double* out) {
  fill_nan(out, 5);

  // first index of the strict minimum; NaN never compares below
  std::size_t ic = 0;
  double qmin = q[0];
  for (std::size_t i = 1; i < N; ++i) {
    if (q[i] < qmin) {
      ic = i;
      qmin = q[i];
    }
  }
  // the mode must lie more than ten points inside either end
  if (!(ic > 10 && ic + 10 < N)) return;
  out[3] = u[ic];

  bool found = false;
  std::size_t ib = 0;
  for (std::size_t k = k0; k + 2 <= ic; ++k) {
    if (skip_small && u[k] < 0.001) continue;
    const double s0 = eq_curv(gp[k], gpp[k]);
    const double s1 = eq_curv(gp[k + 1], gpp[k + 1]);
    if ((s0 > 0 && s1 < 0) || (s0 < 0 && s1 > 0)) {
      ib = k;
      found = true;
      break;
    }
  }
  if (!found) return;
  out[4] = u[ib];

  double acc = 0, Qb = 0, Qc = 0;
  for (std::size_t j = 1; j <= ic; ++j) {
    acc += (u[j] - u[j - 1]) * ((q[j] + q[j - 1]) * 0.5);
    if (j == ib) Qb = acc;
    if (j == ic) Qc = acc;
  }
  out[1] = Qc - u[ic] * q[ic];
  out[2] = Qb;
  out[0] = Qb - out[1];
}

// The four grid arrays u, q, g', g'' of ng points in one block of scratch.
// An empty grid takes nothing and is not ok: the readings then report five
// NaN markers.
struct EqGrid {
  explicit EqGrid(int ng) noexcept
      : N(ng > 0 ? static_cast<std::size_t>(ng) : 0), buf(4 * N) {}
  bool ok() const noexcept { return N > 0 && buf.ok(); }
  double* u() noexcept { return buf.data(); }
  double* q() noexcept { return buf.data() + N; }
  double* gp() noexcept { return buf.data() + 2 * N; }
  double* gpp() noexcept { return buf.data() + 3 * N; }

  std::size_t N;
  Scratch<double> buf;
};

}  // namespace
}  // namespace noxara

using namespace noxara;

extern "C" NOXARA_API void noxeq_readings(const double* alpha, const double* beta,
                                          const int* ntheta, const double* theta,
                                          const int* ngrid, double* out) {
  const int ng = *ngrid;
  EqGrid grid(ng);
  if (!grid.ok()) {
    fill_nan(out, 5);
    return;
  }
  const std::size_t N = grid.N;
  double *u = grid.u(), *q = grid.q(), *gp = grid.gp(), *gpp = grid.gpp();

  const double al = *alpha;
  const double be = *beta;
  const int nth = *ntheta;
  const double t1 = nth >= 1 ? theta[0] : 0.0;
  const double t2 = nth >= 2 ? theta[1] : 0.0;
  const double t3 = nth >= 3 ? theta[2] : 0.0;
  const double nm1 = static_cast<double>(ng - 1);

  for (std::size_t i = 0; i < N; ++i) {
    const double x = eq_grid(i, nm1);
    const double om = 1 - x;
    double g = al * std::log(x) + be * std::log(om);
    double g1 = al / x - be / om;
    double g2 = -al / (x * x) - be / (om * om);
    if (nth >= 1) {
      g += t1 * (2 * x - 1);
      g1 += 2 * t1;
    }
    if (nth >= 2) {
      g += t2 * (6 * x * x - 6 * x + 1);
      g1 += t2 * (12 * x - 6);
      g2 += 12 * t2;
    }
    if (nth >= 3) {
      g += t3 * (20 * x * x * x - 30 * x * x + 12 * x - 1);
      g1 += t3 * (60 * x * x - 60 * x + 12);
      g2 += t3 * (120 * x - 60);
    }
    u[i] = x;
    q[i] = std::exp(g);
    gp[i] = g1;
    gpp[i] = g2;
  }
  // the first six grid points are never the left end of the inflection pair
  eq_readings_from_grid(u, q, gp, gpp, N, 6, false, out);
}

extern "C" NOXARA_API void noxeq_readings_vsl(const double* lambda, const double* delta,
                                              const int* ngrid, double* out) {
  const int ng = *ngrid;
  EqGrid grid(ng);
  if (!grid.ok()) {
    fill_nan(out, 5);
    return;
  }
  const std::size_t N = grid.N;
  double *u = grid.u(), *q = grid.q(), *gp = grid.gp(), *gpp = grid.gpp();

  const double l = *lambda;
  const double d = *delta;
  const double nm1 = static_cast<double>(ng - 1);

  for (std::size_t i = 0; i < N; ++i) {
    const double x = eq_grid(i, nm1);
    const double om = 1 - x;
    const double qv = d * std::pow(om, l - 1) + (1 - d) * std::pow(x, l - 1);
    const double g1 =
        ((1 - d) * (l - 1) * std::pow(x, l - 2) - d * (l - 1) * std::pow(om, l - 2)) / qv;
    const double g2 = ((1 - d) * (l - 1) * (l - 2) * std::pow(x, l - 3) +
                       d * (l - 1) * (l - 2) * std::pow(om, l - 3)) /
                          qv -
                      g1 * g1;
    u[i] = x;
    q[i] = qv;
    gp[i] = g1;
    gpp[i] = g2;
  }
  // left ends below u = 0.001 are skipped
  eq_readings_from_grid(u, q, gp, gpp, N, 0, true, out);
}
