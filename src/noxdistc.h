// Internal pieces of the shape-polynomial family and the band-model routines.
#ifndef NOXARA_NOXDISTC_H
#define NOXARA_NOXDISTC_H

#include <cstddef>

namespace noxara {

// 80-node rule for the expectation over a standard exponential factor.
struct exp_table {
  double exp_t[80];
  double exp_w[80];
};

// The table, built once on first use and only read afterwards.
const exp_table& al_exp_nodes();

// 1 + sum of coef[r-1] * P_r(2u - 1) over r = 1..k.
double noxq_shape(double u, const double* coef, int k);
// 1.0 when the cubic shape with coefficients (c1, c2) is non-negative on [0, 1].
double noxq_admissible(double c1, double c2);
// Standard normal quantile; NaN outside (0, 1).
double std_normal_qf(double p);
// Sample quantile (linear interpolation of order statistics) of sorted v[0..N-1].
double quantile7(const double* v, std::size_t N, double p);

}  // namespace noxara

#endif
