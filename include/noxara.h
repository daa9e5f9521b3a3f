/*
 * noxara: statistical routines built around the arc length of curves.
 *
 * Every exported routine is a plain function with an unmangled name. Apart from
 * k4_F and noxk4_nmd, every argument is an address: `const double*` or
 * `const int*` for inputs (a scalar is element 0 of its array), `double*` for
 * outputs that the caller allocated at the documented size. Nothing is
 * returned; a value that cannot be computed is written as a quiet NaN.
 * No routine keeps state for the caller; all are safe to call from many
 * threads at once.
 */
#ifndef NOXARA_H
#define NOXARA_H

#if defined(_WIN32)
#  if defined(NOXARA_BUILDING)
#    define NOXARA_API __declspec(dllexport)
#  else
#    define NOXARA_API
#  endif
#else
#  define NOXARA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Objective of the Nelder-Mead minimiser: parameter vector and opaque context. */
typedef double (*objfn)(const double* p, const void* ctx);

/* ---- minimiser -------------------------------------------------------- */

/* Nelder-Mead minimisation of f in d (1..7) dimensions from start, at most
 * maxit iterations. Writes the best vertex to xout[0..d-1] and its value to
 * *fout. With d outside 1..7: *fout = NaN and xout = start (when d >= 1). */
NOXARA_API void noxk4_nmd(objfn f, const void* ctx, int d, const double* start,
                          int maxit, double* xout, double* fout);

/* ---- arc-length test of uniformity (arclen) --------------------------- */

/* out[0] = arc length of the polygon through the sorted sample u[0..n-1]. */
NOXARA_API void al_statistic(const int* n, const double* u, double* out);
/* out[0..3] = E[S], Var[S], sqrt(2), 2 - 1/(n+1) under uniformity. */
NOXARA_API void al_moments(const int* n, double* out);
/* out[0] = saddlepoint approximation of P(S >= s) for sample size n. */
NOXARA_API void al_pvalue(const double* s, const int* n, double* out);

/* ---- Bayesian-bootstrap arc length (bayesarc) ------------------------- */

/* out[2m], out[2m+1] (m < M) = arc-length excess and corner distance of the
 * weighted ogive of the sorted sample u for draw m. */
NOXARA_API void bb_post(const int* n, const double* u, const int* M,
                        const int* seed, double* out);
/* Reference draws for D uniform samples of size n, m draws each (2*D*m values). */
NOXARA_API void bb_ref(const int* n, const int* D, const int* m,
                       const int* seed, double* out);

/* ---- characteristic-function arc length (cfarc) ----------------------- */

/* out[0] = arc length over [-T, T] of the empirical characteristic function
 * of the standardised sample, trapezoid rule on ng grid points of [0, T]. */
NOXARA_API void cf_arclength_emp(const double* x, const int* n, const double* T,
                                 const int* ng, double* out);

/* ---- variance components (noxvc) -------------------------------------- */

/* out[0..2] = intraclass correlation, within-group sd, between-group sd. */
NOXARA_API void noxvc_icc_oneway(const double* y, const int* g, const int* n,
                                 const int* ng, double* out);
/* out[i] = distance of point (h[i], k[i]) to the polyline (lh, lk) of nl vertices. */
NOXARA_API void noxvc_locus_dist(const double* h, const double* k, const int* n,
                                 const double* lh, const double* lk,
                                 const int* nl, double* out);

/* ---- shape-polynomial quantile family, band model, scale (noxdistc) --- */


/* ---- circular distributions (noxcirc) --------------------------------- */


/* ---- kappa-4 distribution and fits (noxk4) ---------------------------- */


/* ---- variable-projection kappa-4 fit (noxk4fit) ----------------------- */


/* ---- multi-method reading bootstrap (noxmv) --------------------------- */


/* ---- quantile-density readings (noxeq) -------------------------------- */


/* ---- beta-kernel quantile family (noxeq2) ----------------------------- */


/* ---- curve fitting and simulation studies (noxeqfit) ------------------ */


#ifdef __cplusplus
}
#endif

#endif /* NOXARA_H */
