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

/* out[i] = quantile density at u[i], i < nu. */
NOXARA_API void noxq_qd(const double* u, const int* nu, const double* coef,
                        const int* k, const double* sigma, double* out);
/* out[0] = arc length of the quantile function. */
NOXARA_API void noxq_arclength(const double* coef, const int* k, const double* sigma,
                               const int* nodes, double* out);
/* out[0..nmom-1] = sample L-moments. */
NOXARA_API void sample_lmoments_c(const double* x, const int* n, const int* nmom,
                                  double* out);
/* out[0..4] = c1, c2, mu, sigma, admissibility flag. */
NOXARA_API void noxq_fit_cf_c(const double* x, const int* n, double* out);
/* out[0] = normal band arc length. */
NOXARA_API void al_band_model(const double* sigma, const double* a, const double* b,
                              const int* nodes, double* out);
/* out[0] = exponential-mixture band arc length. */
NOXARA_API void al_band_model_star(const double* sigma, const double* a,
                                   const double* b, const int* nodes, double* out);
/* out[0] = sample band arc length. */
NOXARA_API void al_band_sample(const double* x, const int* n, const double* a,
                               const double* b, double* out);
/* out[0] = scale estimate under the mixture model. */
NOXARA_API void al_scale(const double* x, const int* n, const double* a,
                         const double* b, double* out);
/* out[0] = scale estimate under the normal model. */
NOXARA_API void al_scale_raw(const double* x, const int* n, const double* a,
                             const double* b, double* out);

/* ---- circular distributions (noxcirc) --------------------------------- */

NOXARA_API void noxc_c3max(double* out);
NOXARA_API void noxc_qd3(const double* u, const int* nu, const double* c3, double* out);
NOXARA_API void noxc_Q3(const double* u, const int* nu, const double* c3, double* out);
NOXARA_API void noxc_dens3(const double* theta, const int* nth, const double* c3,
                           const double* mu, double* out);
NOXARA_API void noxc_trigmom3(const int* p, const double* c3, const double* mu,
                              const int* nodes, double* out);
NOXARA_API void noxc_rand3(const double* unif, const int* n, const double* c3,
                           const double* mu, double* out);
NOXARA_API void noxc_fit3(const double* theta, const int* n, const int* nodes,
                          double* out);
NOXARA_API void noxc_qd_fr(const double* u, const int* nu, const double* pre,
                           const double* pim, const int* np, double* out);
NOXARA_API void noxc_trigmom_fr(const int* p, const double* pre, const double* pim,
                                const int* np, const double* mu, const int* nodes,
                                double* out);
NOXARA_API void noxc_Q_fr(const double* u, const int* nu, const double* pre,
                          const double* pim, const int* np, const int* nodes,
                          double* out);
NOXARA_API void noxc_dens_fr(const double* theta, const int* nth, const double* pre,
                             const double* pim, const int* np, const double* mu,
                             const int* nodes, double* out);
NOXARA_API void noxc_rand_fr(const double* unif, const int* n, const double* pre,
                             const double* pim, const int* np, const double* mu,
                             const int* nodes, double* out);
NOXARA_API void noxc_lmom(const double* x, const int* n, const int* nm, double* out);
NOXARA_API void noxc_rho_from_lmom(const double* ellre, const double* ellim,
                                   const int* nm, double* out);
NOXARA_API void noxc_qmin_rho(const double* rhore, const double* rhoim, const int* nm,
                              const int* nodes, double* out);
NOXARA_API void noxc_admiss(const double* rhore, const double* rhoim, const int* nm,
                            const double* margin, const int* nodes, double* out);
NOXARA_API void noxc_factorise(const double* rhore, const double* rhoim, const int* nm,
                               double* out);
NOXARA_API void noxc_fit_fr(const double* theta, const int* n, const int* nm,
                            const double* margin, const int* nodes, double* out);
NOXARA_API void noxc_temper_vm(const double* theta, const int* nth,
                               const double* kappa, const double* mu, const double* s,
                               const int* nodes, double* out);
NOXARA_API void noxc_temper_vm_trigmom(const int* p, const double* kappa,
                                       const double* mu, const double* s,
                                       const int* nodes, double* out);
NOXARA_API void noxc_exact_ci(const double* theta, const int* np, const int* Bp,
                              const int* seedp, const double* cgrid, const int* ngp,
                              const int* statp, const int* groupp, const double* levp,
                              double* out);
NOXARA_API void noxc_gof(const double* theta, const int* np, const double* c3p,
                         const double* mup, const int* Bp, const int* seedp,
                         double* out);

/* ---- kappa-4 distribution and fits (noxk4) ---------------------------- */

/* Kappa-4 distribution function F(x; mu, sg, k, h), arguments by value. */
NOXARA_API double k4_F(double x, double mu, double sg, double k, double h);
NOXARA_API void noxk4_q(const double* u, const int* nu, const double* mu,
                        const double* sg, const double* k, const double* h,
                        double* out);
NOXARA_API void noxk4_cdf(const double* x, const int* nx, const double* mu,
                          const double* sg, const double* k, const double* h,
                          double* out);
NOXARA_API void noxk4_pdf(const double* x, const int* nx, const double* mu,
                          const double* sg, const double* k, const double* h,
                          double* out);
NOXARA_API void noxk4_tau34(const double* k, const double* h, const int* nodes,
                            double* out);
NOXARA_API void noxk4_readings(const double* theta, const int* grid, double* out);
NOXARA_API void noxk4_band_model(const double* theta, const double* breaks,
                                 const int* J, const int* nodes, const double* p,
                                 double* out);
NOXARA_API void noxk4_band_sample(const double* x, const double* y, const int* n,
                                  const double* breaks, const int* J, const double* p,
                                  double* out);
NOXARA_API void noxk4_band_trop_mean(const double* x, const int* n,
                                     const double* theta, const double* sigma,
                                     const double* breaks, const int* J, double* out);
NOXARA_API void noxk4_runmed(const double* y, const int* n, const int* w, double* out);
NOXARA_API void noxk4_fit_lmom(const double* t3, const double* t4, const int* nodes,
                               double* out);
NOXARA_API void noxk4_fit_aleq(const double* ysorted, const int* n,
                               const double* bands, const int* J, const double* start,
                               double* out);
NOXARA_API void noxk4_fit_nls(const double* x, const double* y, const int* n,
                              const double* start, double* out);
NOXARA_API void noxk4_fit_nls_drift(const double* x, const double* y, const int* n,
                                    const double* start, double* out);
NOXARA_API void noxk4_fit_nalr(const double* x, const double* y, const int* n,
                               const int* J, const double* lambda, const int* w,
                               const double* p, const double* start, double* out);

/* ---- variable-projection kappa-4 fit (noxk4fit) ----------------------- */

NOXARA_API void noxk4_fit_varpro(const double* x, const double* y, const int* n,
                                 const double* starts, const int* nstart,
                                 const int* maxit, const double* bounds,
                                 const double* hfix, double* out);

/* ---- multi-method reading bootstrap (noxmv) --------------------------- */

NOXARA_API void noxk4_mv_boot(const double* x, const double* y, const int* n,
                              const double* cutx, const int* B, const int* seed,
                              const double* bounds, const int* maxit, double* a_pt,
                              double* A);

/* ---- quantile-density readings (noxeq) -------------------------------- */

NOXARA_API void noxeq_readings(const double* alpha, const double* beta,
                               const int* ntheta, const double* theta,
                               const int* ngrid, double* out);
NOXARA_API void noxeq_readings_vsl(const double* lambda, const double* delta,
                                   const int* ngrid, double* out);

/* ---- beta-kernel quantile family (noxeq2) ----------------------------- */

NOXARA_API void noxeq2_bc_q(const int* n, const double* u, const double* alpha,
                            const double* beta, double* out);
NOXARA_API void noxeq2_bc_cdf(const int* n, const double* x, const double* alpha,
                              const double* beta, double* out);
NOXARA_API void noxeq2_bc_pdf(const int* n, const double* x, const double* alpha,
                              const double* beta, double* out);
NOXARA_API void noxeq2_ub_quad(const double* alpha, const double* beta, double* out);
NOXARA_API void noxeq2_E(const double* alpha, const double* beta, double* out);
NOXARA_API void noxeq2_bstar(const double* alpha, double* out);

/* ---- curve fitting and simulation studies (noxeqfit) ------------------ */

/* out[0] = automatic moving-block length of the series r[0..n-1]. */
NOXARA_API void noxeqfit_blocklen(const double* r, const int* n, int* out);
NOXARA_API void noxeqfit_bc(const double* x, const double* y, const int* n,
                            const double* starts, const int* ns, const int* np,
                            const int* maxit, const double* cal, const double* cbe,
                            const int* nc, const double* alo, const double* ahi,
                            double* out);
NOXARA_API void noxeqfit_bc_boot(const double* x, const double* y, const int* n,
                                 const double* th, const int* B, const int* seed,
                                 const int* maxit, const double* cal,
                                 const double* cbe, const int* nc, const double* alo,
                                 const double* ahi, double* out_a);
NOXARA_API void noxeqfit_k4eq(const double* x, const double* y, const int* n,
                              const double* starts, const int* ns, const int* maxit,
                              const double* lh, const double* lk, const int* nl,
                              const double* hlo, const double* hhi, double* out);
NOXARA_API void noxeqfit_k4eq_boot(const double* x, const double* y, const int* n,
                                   const double* th, const double* p0in, const int* B,
                                   const int* seed, const int* maxit, const double* lh,
                                   const double* lk, const int* nl, const double* hlo,
                                   const double* hhi, double* out_a);
NOXARA_API void noxeqfit_score_at(const double* x, const double* y, const int* n,
                                  const double* mu, const double* sg, const double* al,
                                  const double* be, double* out);
NOXARA_API void noxeqfit_msim(const int* nM, const double* sde, const int* Rm,
                              const int* seed, const double* th0, const double* st5,
                              const int* maxit, const double* cal, const double* cbe,
                              const int* nc, const double* alo, const double* ahi,
                              const double* thref, double* out);
NOXARA_API void noxeqfit_nullT(const int* nM, const double* sde, const int* R2,
                               const int* seed, const double* th0, const double* st5,
                               const int* maxit, const double* cal, const double* cbe,
                               const int* nc, const double* alo, const double* ahi,
                               double* out);
NOXARA_API void noxeqfit_estsim(const double* a0, const double* b0, const int* R,
                                const int* nsizes, const int* nn, const int* seed,
                                const int* maxit, double* out);
NOXARA_API void noxeqfit_taus(const double* a0, const double* b0, const int* R,
                              const int* n, const int* seed, double* out);
NOXARA_API void noxeqfit_bsweep(const double* ks, const int* nk, const double* h,
                                double* out_b);
NOXARA_API void noxeqfit_absweep(const double* ks, const int* nk, const double* h,
                                 double* out_a, double* out_b);
NOXARA_API void noxeqfit_Esweep(const double* alpha, const double* bg, const int* nb,
                                double* out);

#ifdef __cplusplus
}
#endif

#endif /* NOXARA_H */
