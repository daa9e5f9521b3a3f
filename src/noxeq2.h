// Regularised incomplete beta function and its inverse, shared by the
// beta-kernel quantile family and the curve fits built on it.
//
// ibeta_lb_ and ibeta_inv_lb_ take log B(a, b) from the caller, so that a
// caller evaluating many points for one (a, b) pays for the three log-gamma
// calls once. Given lb == lbeta_(a, b) they return exactly (bit for bit) what
// ibeta_ and ibeta_inv_ return.
#ifndef NOXARA_NOXEQ2_H
#define NOXARA_NOXEQ2_H

namespace noxara {

// log B(a, b) = lgamma(a) + lgamma(b) - lgamma(a + b).
double lbeta_(double a, double b);

// Continued fraction of the incomplete beta function (modified Lentz method,
// at most 300 terms, relative tolerance 3e-16).
double betacf_(double a, double b, double x);

// I_x(a, b): 0 for x <= 0, 1 for x >= 1.
double ibeta_(double a, double b, double x);
double ibeta_lb_(double a, double b, double x, double lb);

// The x in (0, 1) with I_x(a, b) = p (bisection to a bracket below 1e-15,
// then at most four Newton steps): 0 for p <= 0, 1 for p >= 1.
double ibeta_inv_(double a, double b, double p);
double ibeta_inv_lb_(double a, double b, double p, double lb);

}  // namespace noxara

#endif
