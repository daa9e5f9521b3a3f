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

/* out[0] = 3*sqrt(3)/5, the largest |c3| whose cubic quantile density is >= 0. */
NOXARA_API void noxc_c3max(double* out);
/* out[i] = cubic quantile density q(u[i]) = 1 + 10*c3*u*(1-u)*(1-2u), i < nu. */
NOXARA_API void noxc_qd3(const double* u, const int* nu, const double* c3, double* out);
/* out[i] = cubic quantile function Q(u[i]) = u + 5*c3*u^2*(1-u)^2 (a fraction of
 * the full turn), i < nu. */
NOXARA_API void noxc_Q3(const double* u, const int* nu, const double* c3, double* out);
/* out[i] = density per radian of angle theta[i] under (c3, mu), i < nth; 0 where
 * the quantile density is <= 0. */
NOXARA_API void noxc_dens3(const double* theta, const int* nth, const double* c3,
                           const double* mu, double* out);
/* out[0], out[1] = Re, Im of the order-p moment E[exp(i*p*Theta)] of (c3, mu),
 * midpoint rule on `nodes` points; both NaN when nodes <= 0. */
NOXARA_API void noxc_trigmom3(const int* p, const double* c3, const double* mu,
                              const int* nodes, double* out);
/* out[i] = angle in [0, 2*pi) at probability unif[i] (caller's uniforms), i < n. */
NOXARA_API void noxc_rand3(const double* unif, const int* n, const double* c3,
                           const double* mu, double* out);
/* Moment fit of the cubic family: out[0..3] = mu in [-pi, pi), c3, mean resultant
 * length, flag (1 solved in range, 0 when c3 is clipped to +-c3max). n <= 0 gives
 * NaN mu and length. */
NOXARA_API void noxc_fit3(const double* theta, const int* n, const int* nodes,
                          double* out);
/* out[j] = quantile density q(u[j]) = |sum c_m z^m|^2 / sum |c_m|^2, j < nu, with
 * z = exp(2*pi*i*u[j]), c_m = pre[m] + i*pim[m], m < np; 1 when all c_m are 0. */
NOXARA_API void noxc_qd_fr(const double* u, const int* nu, const double* pre,
                           const double* pim, const int* np, double* out);
/* out[0], out[1] = Re, Im of E[exp(i*p*Theta)] of the Fourier family (pre, pim,
 * np) at location mu, midpoint rule on `nodes` points; both NaN when nodes <= 0. */
NOXARA_API void noxc_trigmom_fr(const int* p, const double* pre, const double* pim,
                                const int* np, const double* mu, const int* nodes,
                                double* out);
/* out[j] = Q(u[j]), j < nu, interpolated in a Simpson table of `nodes` intervals;
 * all NaN when nodes < 1; untouched if the table cannot be allocated. */
NOXARA_API void noxc_Q_fr(const double* u, const int* nu, const double* pre,
                          const double* pim, const int* np, const int* nodes,
                          double* out);
/* out[j] = density per radian of angle theta[j] at location mu, j < nth (table of
 * `nodes` intervals, 0 where q <= 0); all NaN when nodes < 0; untouched if no
 * memory. */
NOXARA_API void noxc_dens_fr(const double* theta, const int* nth, const double* pre,
                             const double* pim, const int* np, const double* mu,
                             const int* nodes, double* out);
/* out[j] = angle in [0, 2*pi) at probability unif[j] (caller's uniforms), j < n,
 * via the table of `nodes` intervals; all NaN when nodes < 1; untouched if no
 * memory. */
NOXARA_API void noxc_rand_fr(const double* unif, const int* n, const double* pre,
                             const double* pim, const int* np, const double* mu,
                             const int* nodes, double* out);
/* out[2(m-1)], out[2(m-1)+1] = Re, Im of the circular L-moment ell_m, m = 1..nm,
 * of the n positions x in [0, 1) (sorted internally); untouched if no memory. */
NOXARA_API void noxc_lmom(const double* x, const int* n, const int* nm, double* out);
/* Quantile-density coefficients rho_m, m = 1..nm, interleaved:
 * out[2(m-1)] = 1 - 2*pi*m*ellim[m-1], out[2(m-1)+1] = 2*pi*m*ellre[m-1]. */
NOXARA_API void noxc_rho_from_lmom(const double* ellre, const double* ellim,
                                   const int* nm, double* out);
/* out[0] = minimum of q(u) = 1 + 2*Re sum rho_m*exp(2*pi*i*m*u) over u = j/nodes,
 * j < nodes (1e300 when nodes <= 0). */
NOXARA_API void noxc_qmin_rho(const double* rhore, const double* rhoim, const int* nm,
                              const int* nodes, double* out);
/* rho shrunk toward uniform by t in [0, 1] until min q >= margin: out[0..2nm-1] =
 * t*rho (interleaved), out[2nm] = t; untouched when nm < 0 or no memory. */
NOXARA_API void noxc_admiss(const double* rhore, const double* rhoim, const int* nm,
                            const double* margin, const int* nodes, double* out);
/* out[0..2nm+1] = nm+1 coefficients (interleaved Re, Im, unit norm) of p with
 * q(u) = |p(exp(2*pi*i*u))|^2; nm = 0 gives (1, 0); untouched when nm < 0. */
NOXARA_API void noxc_factorise(const double* rhore, const double* rhoim, const int* nm,
                               double* out);
/* Fourier-family fit of n angles, M = nm: out[0..2M+1] = coefficients as from
 * noxc_factorise, out[2M+2] = mu, out[2M+3] = shrink factor t, out[2M+4] = 1 if
 * t >= 1 else 0. Untouched when nm <= 0 or no memory. */
NOXARA_API void noxc_fit_fr(const double* theta, const int* n, const int* nm,
                            const double* margin, const int* nodes, double* out);
/* out[i] = tempered von Mises density sqrt(1 + (s*f(theta[i]))^2)/Z, i < nth, Z
 * by the midpoint rule on `nodes` points (Z = 1 when nodes <= 0). */
NOXARA_API void noxc_temper_vm(const double* theta, const int* nth,
                               const double* kappa, const double* mu, const double* s,
                               const int* nodes, double* out);
/* out[0], out[1] = Re, Im of the order-p moment of the tempered von Mises density,
 * midpoint rule on `nodes` points ((0, 0) when nodes <= 0). */
NOXARA_API void noxc_temper_vm_trigmom(const int* p, const double* kappa,
                                       const double* mu, const double* s,
                                       const int* nodes, double* out);
/* Monte Carlo interval for c3 (ng grid values, B draws each): out[0], out[1] = first
 * and last cgrid value with p > levp (NaN if none), out[2] = observed statistic,
 * out[3 + j] = two-sided p-value at cgrid[j]; all ng + 3 NaN when n < 1. */
NOXARA_API void noxc_exact_ci(const double* theta, const int* np, const int* Bp,
                              const int* seedp, const double* cgrid, const int* ngp,
                              const int* statp, const int* groupp, const double* levp,
                              double* out);
/* Goodness of fit of n angles to the cubic family (c3, mu): out[0] = arc-length
 * statistic of the transformed sample, out[1] = Monte Carlo p-value; both NaN
 * when n < 1. */
NOXARA_API void noxc_gof(const double* theta, const int* np, const double* c3p,
                         const double* mup, const int* Bp, const int* seedp,
                         double* out);

/* ---- kappa-4 distribution and fits (noxk4) ---------------------------- */

/* Kappa-4 distribution function F(x; mu, sg, k, h), arguments by value. */
NOXARA_API double k4_F(double x, double mu, double sg, double k, double h);
/* out[i] = kappa-4 quantile at u[i], i < nu. */
NOXARA_API void noxk4_q(const double* u, const int* nu, const double* mu,
                        const double* sg, const double* k, const double* h,
                        double* out);
/* out[i] = k4_F(x[i], mu, sg, k, h), i < nx. */
NOXARA_API void noxk4_cdf(const double* x, const int* nx, const double* mu,
                          const double* sg, const double* k, const double* h,
                          double* out);
/* out[i] = kappa-4 density at x[i] (0 outside the support), i < nx. */
NOXARA_API void noxk4_pdf(const double* x, const int* nx, const double* mu,
                          const double* sg, const double* k, const double* h,
                          double* out);
/* L-moments of the standard member (mu = 0, sg = 1), `nodes`-point Gauss-Legendre
 * rule: out[0..3] = tau3, tau4, lambda1, lambda2. */
NOXARA_API void noxk4_tau34(const double* k, const double* h, const int* nodes,
                            double* out);
/* Readings of the curve theta[0..5] = (g0, g1, mu, sg, k, h) on `grid` points:
 * out[0..2] = tangent intercept, inflection x left of the steepest point, steepest
 * point; NaN where a reading is not found. */
NOXARA_API void noxk4_readings(const double* theta, const int* grid, double* out);
/* out[j] = L_p arc length of the model curve theta[0..5] over band
 * [breaks[j], breaks[j+1]), j < J, `nodes` points per band; untouched when J <= 0. */
NOXARA_API void noxk4_band_model(const double* theta, const double* breaks,
                                 const int* J, const int* nodes, const double* p,
                                 double* out);
/* out[j] = summed L_p length of the polyline (x, y) segments whose x-midpoint lies
 * in band [breaks[j], breaks[j+1]), j < J; untouched when J <= 0. */
NOXARA_API void noxk4_band_sample(const double* x, const double* y, const int* n,
                                  const double* breaks, const int* J, const double* p,
                                  double* out);
/* out[j] = summed expected L-infinity length of the segments of y = g0 + g1*F(x)
 * plus noise of sd sigma, by band of the right end, j < J; untouched when J <= 0. */
NOXARA_API void noxk4_band_trop_mean(const double* x, const int* n,
                                     const double* theta, const double* sigma,
                                     const double* breaks, const int* J, double* out);
/* out[i] = median of y over the window of w values centred on i (cut at the ends,
 * at most 129 values), i < n; all NaN when w < 0. */
NOXARA_API void noxk4_runmed(const double* y, const int* n, const int* w, double* out);
/* Fit of (k, h) to the L-moment ratios t3, t4: out[0..2] = k, h, objective;
 * NaN, NaN, 1e300 when no run gives a value. */
NOXARA_API void noxk4_fit_lmom(const double* t3, const double* t4, const int* nodes,
                               double* out);
/* Band arc-length fit to a sorted sample, bands[2J] = probability pairs (a_j, b_j),
 * start[3] = (log al, k, log h): out[0..3] = k, h, al, objective; NaN if no memory. */
NOXARA_API void noxk4_fit_aleq(const double* ysorted, const int* n,
                               const double* bands, const int* J, const double* start,
                               double* out);
/* Least-squares fit of y = g0 + g1*F(x), start[6] = (g0, log g1, mu, log sg, k,
 * log h): out[0..6] = g0, g1, mu, sg, k, h, residual sum of squares (1e12: no
 * admissible fit). */
NOXARA_API void noxk4_fit_nls(const double* x, const double* y, const int* n,
                              const double* start, double* out);
/* As noxk4_fit_nls plus drift m*x, start[7] = (g0, m, log g1, mu, log sg, k, log h):
 * out[0..7] = g0, m, g1, mu, sg, k, h, residual sum of squares. */
NOXARA_API void noxk4_fit_nls_drift(const double* x, const double* y, const int* n,
                                    const double* start, double* out);
/* Band arc-length fit with an anchor (J bands, running median w, L_p order p),
 * start[6] as for noxk4_fit_nls: out[0..6] = g0, g1, mu, sg, k, h, objective; all
 * NaN when n < 3, J < 1 or no memory. */
NOXARA_API void noxk4_fit_nalr(const double* x, const double* y, const int* n,
                               const int* J, const double* lambda, const int* w,
                               const double* p, const double* start, double* out);

/* ---- variable-projection kappa-4 fit (noxk4fit) ----------------------- */

/* Multi-start fit of y = b0 + b1*x + b2*F(x), starts[4*nstart] = (mu, log sg, k, h),
 * bounds[4] = k range, h range, finite hfix fixes h: out[0..7] = b0, b1, b2, mu, sg,
 * k, h, rss. No usable start: out[7] = +Inf, out[0..6] untouched. */
NOXARA_API void noxk4_fit_varpro(const double* x, const double* y, const int* n,
                                 const double* starts, const int* nstart,
                                 const int* maxit, const double* bounds,
                                 const double* hfix, double* out);

/* ---- multi-method reading bootstrap (noxmv) --------------------------- */

/* Tangent-intercept reading by eight fitting methods: a_pt[8] for the data, A[8*B]
 * with row b at A[8b..8b+7] for moving-block replicate b. NaN where a method fails;
 * all NaN when n < 4 or the base fit fails. */
NOXARA_API void noxk4_mv_boot(const double* x, const double* y, const int* n,
                              const double* cutx, const int* B, const int* seed,
                              const double* bounds, const int* maxit, double* a_pt,
                              double* A);

/* ---- quantile-density readings (noxeq) -------------------------------- */

/* Readings of q, log q = alpha*log u + beta*log(1-u) + Legendre terms theta[0..2]
 * (first min(ntheta, 3)), ngrid points: out[0..4] = out[2] - out[1], tangent foot,
 * inflection x (x from Q(1e-5)), u at mode, u at inflection; NaN where not found. */
NOXARA_API void noxeq_readings(const double* alpha, const double* beta,
                               const int* ntheta, const double* theta,
                               const int* ngrid, double* out);
/* The same out[0..4] for q = (1-delta)*u^(lambda-1) + delta*(1-u)^(lambda-1). */
NOXARA_API void noxeq_readings_vsl(const double* lambda, const double* delta,
                                   const int* ngrid, double* out);

/* ---- beta-kernel quantile family (noxeq2) ----------------------------- */

/* out[i] = Q(u[i]) = B*I_u(1+alpha, 1+beta), B = B(1+alpha, 1+beta); 0 for u <= 0,
 * B for u >= 1; i < n. */
NOXARA_API void noxeq2_bc_q(const int* n, const double* u, const double* alpha,
                            const double* beta, double* out);
/* out[i] = F(x[i]), the inverse of Q; 0 below the support, 1 above; i < n. */
NOXARA_API void noxeq2_bc_cdf(const int* n, const double* x, const double* alpha,
                              const double* beta, double* out);
/* out[i] = density 1/q(w) = w^-alpha*(1-w)^-beta with w = F(x[i]), i < n. */
NOXARA_API void noxeq2_bc_pdf(const int* n, const double* x, const double* alpha,
                              const double* beta, double* out);
/* out[0] = inflection probability u_b in (0, u_c) or NaN, out[1] = mode
 * probability u_c = alpha/(alpha + beta). */
NOXARA_API void noxeq2_ub_quad(const double* alpha, const double* beta, double* out);
/* out[0] = Q(u_c) - Q(u_b) - u_c*q(u_c), or NaN when u_b is NaN. */
NOXARA_API void noxeq2_E(const double* alpha, const double* beta, double* out);
/* out[0] = beta in (-0.999, 0) with noxeq2_E(alpha, beta) = 0, or NaN. */
NOXARA_API void noxeq2_bstar(const double* alpha, double* out);

/* ---- curve fitting and simulation studies (noxeqfit) ------------------ */

/* out[0] = automatic moving-block length of the series r[0..n-1]. */
NOXARA_API void noxeqfit_blocklen(const double* r, const int* n, int* out);
/* Multi-start fit of the bc curve, starts[ns*np]; np = 5 ties beta to alpha by the
 * table (cal, cbe): out[0..8] = g0, g1, mu, sr, al, be, rss, tangent-foot x,
 * inflection x. All NaN when no fit is below 1e12. */
NOXARA_API void noxeqfit_bc(const double* x, const double* y, const int* n,
                            const double* starts, const int* ns, const int* np,
                            const int* maxit, const double* cal, const double* cbe,
                            const int* nc, const double* alo, const double* ahi,
                            double* out);
/* out_a[b] = tangent-foot x of the constrained bc fit to moving-block replicate b
 * around the curve th[6], b < B; NaN where it fails (all NaN when n < 2). */
NOXARA_API void noxeqfit_bc_boot(const double* x, const double* y, const int* n,
                                 const double* th, const int* B, const int* seed,
                                 const int* maxit, const double* cal,
                                 const double* cbe, const int* nc, const double* alo,
                                 const double* ahi, double* out_a);
/* Multi-start fit of g0 + g1*F(x) with k read from the table (lh, lk) at h,
 * starts[5*ns]: out[0..7] = g0, g1, mu, sg, k, h, rss, tangent intercept; all NaN
 * when no fit is below 1e12. */
NOXARA_API void noxeqfit_k4eq(const double* x, const double* y, const int* n,
                              const double* starts, const int* ns, const int* maxit,
                              const double* lh, const double* lk, const int* nl,
                              const double* hlo, const double* hhi, double* out);
/* out_a[b] = tangent intercept of the constrained kappa-4 fit (start p0in[5]) to
 * moving-block replicate b around th[6], b < B; NaN where it fails. */
NOXARA_API void noxeqfit_k4eq_boot(const double* x, const double* y, const int* n,
                                   const double* th, const double* p0in, const int* B,
                                   const int* seed, const int* maxit, const double* lh,
                                   const double* lk, const int* nl, const double* hlo,
                                   const double* hhi, double* out_a);
/* out[0] = score statistic of the bc curve of shape (mu, sg, al, be), level and
 * height by least squares; NaN when it cannot be computed (e.g. n <= 6). */
NOXARA_API void noxeqfit_score_at(const double* x, const double* y, const int* n,
                                  const double* mu, const double* sg, const double* al,
                                  const double* be, double* out);
/* Model-fit simulation, 8 columns of Rm, out[c*Rm + r] (NaN first): c = 0, 1 arm 0
 * profile T and score at th0; c = 2..4 T of arms 1..3; c = 5..7 score of arm a at
 * thref[4(a-1)..4(a-1)+3]. */
NOXARA_API void noxeqfit_msim(const int* nM, const double* sde, const int* Rm,
                              const int* seed, const double* th0, const double* st5,
                              const int* maxit, const double* cal, const double* cbe,
                              const int* nc, const double* alo, const double* ahi,
                              const double* thref, double* out);
/* out[r] = profile statistic T of replicate r < R2 simulated under th0 (NaN first). */
NOXARA_API void noxeqfit_nullT(const int* nM, const double* sde, const int* R2,
                               const int* seed, const double* th0, const double* st5,
                               const int* maxit, const double* cal, const double* cbe,
                               const int* nc, const double* alo, const double* ahi,
                               double* out);
/* Estimation study, exponents (a0-1, b0-1): out[(6e + k)*R + r], size nsizes[e],
 * e < nn, r < R; k = 0..2 alpha by likelihood, moments, L-moments, k = 3..5 beta
 * likewise; NaN where a fit fails. */
NOXARA_API void noxeqfit_estsim(const double* a0, const double* b0, const int* R,
                                const int* nsizes, const int* nn, const int* seed,
                                const int* maxit, double* out);
/* Replicate r < R of size n: out[r] = t3, out[R + r] = t4, out[2R + r] = alpha,
 * out[3R + r] = beta by Newton inversion of the L-moment ratios. */
NOXARA_API void noxeqfit_taus(const double* a0, const double* b0, const int* R,
                              const int* n, const int* seed, double* out);
/* out_b[i] = out[1] of noxk4_readings for theta = (0, 1, 0, 1, ks[i], h) on 4000
 * grid points (the inflection x), i < nk. */
NOXARA_API void noxeqfit_bsweep(const double* ks, const int* nk, const double* h,
                                double* out_b);
/* Same curves: out_a[i] = out[0] (tangent intercept), out_b[i] = out[1], i < nk. */
NOXARA_API void noxeqfit_absweep(const double* ks, const int* nk, const double* h,
                                 double* out_a, double* out_b);
/* out[i] = noxeq2_E(alpha, bg[i]), i < nb. */
NOXARA_API void noxeqfit_Esweep(const double* alpha, const double* bg, const int* nb,
                                double* out);

/* ---- Replicate ranges ------------------------------------------------- */
/*
 * The bootstraps, simulation studies and Monte Carlo procedures below draw
 * every replicate (or grid point) from a stream fixed by the seed and its
 * index, so a run can be split into ranges computed anywhere and reassembled.
 * Each routine <name>_range takes the arguments of <name> plus `first`,
 * placed directly after the replicate (or grid) count; that count c then
 * means "how many". The call computes replicates first .. first + c - 1 and
 * writes them in the layout <name> would use for a run of c replicates. Every
 * value is bit for bit the value the single full call writes for that
 * replicate, NaN rows included, on any split: ranges of one replicate, uneven
 * ranges, or the whole run at once. (The full routines are these ranges with
 * first = 0.)
 *
 * Bad ranges: c < 0 writes nothing. first < 0, or first + c beyond INT_MAX,
 * fills the output (its size for count c) with NaN and computes nothing. No
 * write ever leaves that output. A host should reject such arguments before
 * calling.
 */

/* Range of noxeqfit_bc_boot: out_a[j] = replicate first + j, j < B. */
NOXARA_API void noxeqfit_bc_boot_range(const double* x, const double* y, const int* n,
                                       const double* th, const int* B, const int* first,
                                       const int* seed, const int* maxit, const double* cal,
                                       const double* cbe, const int* nc, const double* alo,
                                       const double* ahi, double* out_a);
/* Range of noxeqfit_k4eq_boot: out_a[j] = replicate first + j, j < B. */
NOXARA_API void noxeqfit_k4eq_boot_range(const double* x, const double* y, const int* n,
                                         const double* th, const double* p0in, const int* B,
                                         const int* first, const int* seed, const int* maxit,
                                         const double* lh, const double* lk, const int* nl,
                                         const double* hlo, const double* hhi,
                                         double* out_a);
/* Range of noxeqfit_msim, 8 columns of c = Rm rows: out[col*c + j] is the full
 * run's out[col*R + first + j]. Reassemble column by column: column col of the
 * full run is the concatenation of column col of the ranges, in order. */
NOXARA_API void noxeqfit_msim_range(const int* nM, const double* sde, const int* Rm,
                                    const int* first, const int* seed, const double* th0,
                                    const double* st5, const int* maxit, const double* cal,
                                    const double* cbe, const int* nc, const double* alo,
                                    const double* ahi, const double* thref, double* out);
/* Range of noxeqfit_nullT: out[j] = replicate first + j, j < R2. */
NOXARA_API void noxeqfit_nullT_range(const int* nM, const double* sde, const int* R2,
                                     const int* first, const int* seed, const double* th0,
                                     const double* st5, const int* maxit, const double* cal,
                                     const double* cbe, const int* nc, const double* alo,
                                     const double* ahi, double* out);
/* Range of noxeqfit_estsim, 6*nn columns of c = R rows: out[(6e + k)*c + j] is
 * the full run's out[(6e + k)*R + first + j]; reassemble column by column. */
NOXARA_API void noxeqfit_estsim_range(const double* a0, const double* b0, const int* R,
                                      const int* first, const int* nsizes, const int* nn,
                                      const int* seed, const int* maxit, double* out);
/* Range of noxc_exact_ci over grid indices first .. first + ngp - 1 (c = ngp
 * values; cgrid is the whole grid, read at cgrid[first + j]). out (c + 3
 * values): out[2] = observed statistic, out[3 + j] = p-value of grid index
 * first + j, out[0], out[1] = first and last of this range's grid values with
 * p > levp (NaN if none). All c + 3 are NaN when n < 1.
 * Reassembly of a grid of ng values: concatenate the ranges' p-values into
 * out[3 .. ng + 2] in grid order, take out[2] from any range, then call
 * noxc_exact_ci_combine to fill out[0], out[1]. */
NOXARA_API void noxc_exact_ci_range(const double* theta, const int* np, const int* Bp,
                                    const int* seedp, const double* cgrid, const int* ngp,
                                    const int* first, const int* statp, const int* groupp,
                                    const double* levp, double* out);
/* Interval of noxc_exact_ci from its reassembled p-values: reads out[3 .. ng + 2]
 * (ng = ngp values, none when ngp <= 0) and writes out[0], out[1] = first and
 * last cgrid value with p > levp, NaN if none, exactly as the full routine. */
NOXARA_API void noxc_exact_ci_combine(const double* cgrid, const int* ngp,
                                      const double* levp, double* out);
/* Range of noxc_gof over replicates first .. first + c - 1 (c = Bp). out (c + 2
 * values): out[0] = observed statistic, out[1] = number of the range's
 * replicates whose statistic is at least the observed one (a whole number, as
 * a double), out[2 + j] = statistic of replicate first + j. All NaN when n < 1.
 * The replicates share one SplitMix64 stream, n draws each; replicate r starts
 * r*n steps into it. Reassembly for B replicates: with G the sum of out[1]
 * over ranges covering 0 .. B - 1 (exact: whole numbers), the p-value of the
 * full call is (G + 1.0) / ((double)B + 1.0), computed in doubles in that
 * order. */
NOXARA_API void noxc_gof_range(const double* theta, const int* np, const double* c3p,
                               const double* mup, const int* Bp, const int* first,
                               const int* seedp, double* out);

#ifdef __cplusplus
}
#endif

#endif /* NOXARA_H */
