// Variable-projection fit of the kappa-4 curve with a linear drift,
// y = b0 + b1*x + b2*F(x; mu, sg, k, h): the three linear coefficients are
// solved exactly for every trial of the nonlinear parameters.
#ifndef NOXARA_NOXK4FIT_H
#define NOXARA_NOXK4FIT_H

namespace noxara {

// Objective context. Fbuf holds n doubles of scratch for the F values; bnd
// holds the closed boxes [bnd[0], bnd[1]] of k and [bnd[2], bnd[3]] of h.
struct vp_ctx {
  const double* x;
  const double* y;
  int n;
  double* Fbuf;
  const double* bnd;
  int hfix;     // 1 when h is held at hval
  double hval;
  const double* dsum = nullptr;  // data sums of varpro_data_sums, or null
};

// Least-squares solve of y on the columns (1, x, F) through the (slightly
// ridged) normal equations. Writes beta[0..2] and returns the residual sum of
// squares, or +infinity for a singular system (beta then not written) or a
// non-finite sum.
double varpro_rss(const double* x, const double* F, const double* y, int n, double* beta);

// The sums of the normal equations that do not involve F, in index order:
// d = (sum x, sum y, sum x*x, sum x*y).
void varpro_data_sums(const double* x, const double* y, int n, double* d);

// varpro_rss with the data sums d of varpro_data_sums already taken.
double varpro_rss_sums(const double* x, const double* F, const double* y, int n,
                       const double* d, double* beta);

// Objective over p = (mu, log sg, k, h): the residual sum of squares after the
// linear solve, or 1e12 for inadmissible or degenerate trials.
double vp_obj(const double* p, void* ctx);

}  // namespace noxara

#endif
