/*
 * noxara: statistical routines built around the arc length of curves.
 *
 * Calling convention. Every exported routine is a plain C function with an
 * unmangled name. Apart from k4_F and noxk4_nmd, every argument is an address:
 * `const double*` or `const int*` for inputs (a scalar is element 0 of its
 * array, read once at entry), `double*` for outputs that the caller allocated
 * at the size stated beside the routine. Inputs are never written and no
 * pointer is kept after the call. Nothing is returned. Array lengths are not
 * checked against their counts: an array shorter than its count is a caller
 * error.
 *
 * Results on bad or degenerate input. A value that cannot be computed is
 * written as a quiet NaN (test with isnan, not by bit pattern); fitting
 * routines also use large finite penalty values (1e6, 1e9, 1e12, 1e30, 1e300)
 * that are named beside each routine. A routine that maps a vector (one
 * output per input element) writes nothing when its count is 0 or negative.
 * Routines that fit, bootstrap or simulate first fill their whole output with
 * NaN and then overwrite what they manage to compute, so a failed replicate
 * or quantity stays NaN. Inputs are otherwise trusted: probabilities are
 * taken to lie in [0, 1], samples to be finite, sorted inputs to be sorted.
 *
 * Memory. Scratch memory is taken per call and released before return. When
 * it cannot be obtained, the routine returns at once: the comment of every
 * allocating routine says what it leaves (its NaN prefill, NaN, or the output
 * untouched as the caller passed it).
 *
 * Threads and reproducibility. No routine keeps state for the caller; every
 * routine may be called from many threads at once. The only state kept
 * between calls is a read-only quadrature table built once, safely, on the
 * first call of al_band_model_star or al_scale. Every random stream is a fixed
 * function of the caller's seed and the replicate index, so equal arguments
 * give bit-identical results on every call and from every thread.
 *
 * Node, grid and iteration counts are part of the result: the same count
 * always gives the same numbers, and a count is never adapted internally.
 * A value suggested below is the one the library itself uses where it calls
 * the routine, or a range in which results are stable. A count near INT_MAX
 * with no array behind it is honoured and can run for hours: hosts that pass
 * user input guard such counts before calling.
 *
 * Readings of a rising curve. Several families read three x positions off a
 * rising S-shaped curve y(x) = g0 + g1*F(x) (F a distribution function, f its
 * density, so the slope is g1*f(x)); one vocabulary is used throughout:
 *   steepest point      the x of the largest slope (the mode of f);
 *   tangent intercept   the x where the tangent at the steepest point meets
 *                       the baseline y = g0 (equivalently where the tangent
 *                       to F at the mode reaches 0);
 *   inflection x left of the steepest point
 *                       the x where the slope curve changes from convex to
 *                       concave on its rising flank (an inflection of f).
 */
#ifndef NOXARA_H
#define NOXARA_H

/* Library version (the build reads it from here). */
#define NOXARA_VERSION_MAJOR 0
#define NOXARA_VERSION_MINOR 1
#define NOXARA_VERSION_PATCH 0

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

/* Objective of the Nelder-Mead minimiser: returns the value at the parameter
 * vector p (of the dimension given to the minimiser); ctx is passed through
 * unchanged. Return a large finite penalty, not NaN, for inadmissible p. */
typedef double (*objfn)(const double* p, const void* ctx);

/* ---- minimiser -------------------------------------------------------- */

/* Nelder-Mead simplex minimisation of f in d dimensions (1 <= d <= 7) from
 * start[0..d-1]: reflection 1, expansion 2, inside contraction 0.5, shrink
 * 0.5; initial step 0.1*|start[i]| (0.1 for a zero coordinate); stops when
 * |f_worst - f_best| < (|f_best| + 1e-12)*1e-12 or after maxit iterations
 * (maxit <= 0: the best initial vertex). Writes the best vertex to
 * xout[0..d-1] and its value to fout[0]. There is no convergence flag: a run
 * that hits maxit returns its best vertex like a converged one. A vertex with
 * a NaN value is never accepted. d and maxit are passed by value; d outside
 * 1..7 gives fout[0] = NaN and xout = start (when d >= 1). Fits in this
 * library use maxit of 300 to 3000. No memory is taken. */
NOXARA_API void noxk4_nmd(objfn f, const void* ctx, int d, const double* start,
                          int maxit, double* xout, double* fout);

/* ---- arc-length test of uniformity (arclen) --------------------------- */

/* Arc-length statistic of a sample of n probabilities u[0..n-1] in [0, 1], in
 * any order (a sorted copy is made; u is not reordered): out[0] = S, the length
 * of the polygon from (0, 0) through (i/(n+1), u_(i)), i = 1..n, to (1, 1).
 * S >= sqrt(2), with equality for perfectly regular spacings; irregular
 * spacings lengthen it. n = 0 gives sqrt(2). Values outside [0, 1] are not
 * detected (they lengthen the polygon). n < 0: out[0] = NaN. Output untouched
 * if the sorted copy cannot be allocated. */
NOXARA_API void al_statistic(const int* n, const double* u, double* out);
/* Exact moments of S under uniformity for sample size n, by Simpson
 * integration over the spacing distribution (8000, 8000 and 2000 x 2000
 * subintervals): out[0] = E[S], out[1] = Var[S], out[2] = sqrt(2) (the
 * smallest possible S), out[3] = the reference value 2 - 1/(n+1). n = 1 gives
 * a NaN variance; n <= 0 (or n = INT_MAX) gives NaN for out[0] and out[1];
 * out[2] and out[3] are always written. Costly: 0.1 to 0.25 s per call
 * (about four million integrand evaluations); tabulate it for repeated use.
 * No memory is taken. */
NOXARA_API void al_moments(const int* n, double* out);
/* Upper-tail probability of the arc-length statistic under uniformity:
 * out[0] = P(S >= s) for sample size n (n >= 1, s as from al_statistic), by a
 * conditional saddlepoint approximation (Lugannani-Rice form; at most 60
 * Newton steps, 20001-node Simpson transform per step), clamped to [0, 1].
 * NaN when the saddlepoint cannot be located (the transform does not exist
 * at an iterate or the Jacobian is singular) and at the exact centre of the
 * distribution, where the formula is 0/0. About 1.5 to 5 ms per call. No
 * memory is taken. */
NOXARA_API void al_pvalue(const double* s, const int* n, double* out);

/* ---- Bayesian-bootstrap arc length (bayesarc) ------------------------- */

/* Posterior draws of the Bayesian-bootstrap arc length. Each of the M draws
 * gives the n probabilities u[0..n-1] Dirichlet(1, ..., 1) weights and follows
 * their weighted empirical distribution function (the ogive) from (0, 0) to
 * (1, 1). u must be sorted ascending by the caller and lie in [0, 1] (neither
 * is checked). Writes 2*M values: out[2m] = arc-length excess (the ogive's
 * length minus the diagonal's sqrt(2), >= 0 up to rounding), out[2m+1] = corner
 * distance (the largest vertical distance between the ogive's corners and
 * the diagonal, a Kolmogorov-Smirnov-type distance), m < M. Compare with
 * bb_ref for the same n. n < 1: every pair is (1 - sqrt(2), 0). M <= 0: nothing
 * written. Output untouched if the n weights cannot be allocated. Cost
 * O(M*n). */
NOXARA_API void bb_post(const int* n, const double* u, const int* M,
                        const int* seed, double* out);
/* Reference draws under uniformity: D uniform samples of size n are simulated
 * and sorted, and m Bayesian-bootstrap draws are made from each, exactly as in
 * bb_post. Writes 2*D*m values: draw c = d*m + j (sample d < D, draw j < m)
 * at out[2c] (arc-length excess) and out[2c+1] (corner distance). D <= 0 or
 * m <= 0: nothing written. n < 1: every pair is (1 - sqrt(2), 0). Output
 * untouched if scratch cannot be allocated. Cost O(D*m*n). */
NOXARA_API void bb_ref(const int* n, const int* D, const int* m,
                       const int* seed, double* out);

/* ---- characteristic-function arc length (cfarc) ----------------------- */

/* out[0] = arc length over [-T, T] of the empirical characteristic function
 * phi(t) = (1/n) sum_j exp(i*t*z_j) of the standardised sample z_j =
 * (x_j - mean)/sd (sd with divisor n - 1): twice the trapezoid rule for the
 * speed |phi'(t)| on ng equally spaced points of [0, T]. The result does not
 * depend on the location or scale of x. Needs n >= 2 and a non-constant
 * sample (else NaN); n < 0 gives NaN; ng <= 1 gives 0. T > 0 in standardised
 * units (a few units); ng of a few hundred to a few thousand. Cost n*ng
 * complex exponentials; no memory is taken. */
NOXARA_API void cf_arclength_emp(const double* x, const int* n, const double* T,
                                 const int* ng, double* out);

/* ---- variance components (noxvc) -------------------------------------- */

/* One-way random-effects analysis of variance of y[0..n-1] with group labels
 * g[0..n-1] in 0..ng-1: out[0] = intraclass correlation vb/(vb + MSW), out[1]
 * = within-group sd sqrt(MSW), out[2] = between-group sd sqrt(vb), where
 * vb = max(0, (MSB - MSW)/k0) with k0 = (n - sum c_j^2/n)/(ng - 1) for
 * unbalanced groups of sizes c_j. All three NaN when ng <= 1, n <= ng, a label
 * is out of range, a group is empty, or scratch cannot be allocated. Zero
 * total variance gives a NaN correlation and two zero sds. */
NOXARA_API void noxvc_icc_oneway(const double* y, const int* g, const int* n,
                                 const int* ng, double* out);
/* out[i] = Euclidean distance of the point (h[i], k[i]) to the polyline with
 * vertices (lh[j], lk[j]), j < nl, i < n: the smallest distance to any of its
 * segments (to the vertex itself when nl = 1). NaN for a point with a
 * non-finite coordinate, and for every point when nl <= 0. n <= 0: nothing
 * written. No memory is taken. */
NOXARA_API void noxvc_locus_dist(const double* h, const double* k, const int* n,
                                 const double* lh, const double* lk,
                                 const int* nl, double* out);

/* ---- shape-polynomial quantile family, band model, scale (noxdistc) --- */

/* Quantile density of the shape-polynomial family,
 * q(u) = sigma * max(0, 1 + sum_{r=1..k} coef[r-1] * P_r(2u - 1)),
 * P_r the Legendre polynomials: out[i] = q(u[i]), i < nu. k <= 0 gives sigma
 * everywhere; a shape that cannot be evaluated gives NaN. nu <= 0: nothing
 * written. */
NOXARA_API void noxq_qd(const double* u, const int* nu, const double* coef,
                        const int* k, const double* sigma, double* out);
/* out[0] = arc length of the family's quantile function over u in [0, 1],
 * the integral of sqrt(1 + q(u)^2) by the `nodes`-point Gauss-Legendre rule
 * (20 to 200 nodes are sensible; the integrand is smooth). nodes <= 0 gives
 * 0. Output untouched if the rule cannot be allocated. */
NOXARA_API void noxq_arclength(const double* coef, const int* k, const double* sigma,
                               const int* nodes, double* out);
/* Unbiased sample L-moments lambda_1..lambda_nmom of x[0..n-1] (any order; a
 * sorted copy is made), from probability-weighted moments: out[r-1] =
 * lambda_r, r <= nmom. n <= 0 gives NaN moments; nmom <= 0 writes nothing.
 * Output untouched if scratch cannot be allocated. */
NOXARA_API void sample_lmoments_c(const double* x, const int* n, const int* nmom,
                                  double* out);
/* L-moment fit of the two-coefficient shape-polynomial family (k = 2) to
 * x[0..n-1]: out[0..4] = c1, c2, mu (location), sigma, admissibility flag
 * (1 when the fitted quantile density is >= 0 on [0, 1] within 1e-12, else 0).
 * All five NaN when lambda_2 <= 0 (e.g. a constant sample), when
 * 7*tau_4 + 3 = 0, or when scratch cannot be allocated. */
NOXARA_API void noxq_fit_cf_c(const double* x, const int* n, double* out);
/* Normal band arc length: out[0] = integral from z_a to z_b of
 * sqrt(sigma^2 + phi(z)^2) dz, the length of the graph of the normal
 * distribution function with horizontal scale sigma between its a- and
 * b-quantiles (z_a, z_b standard normal quantiles), by the Simpson rule on
 * max(nodes, 8) subintervals rounded up to even (400 is used by the scale
 * routines). a, b must lie in (0, 1), else NaN. No memory is taken. */
NOXARA_API void al_band_model(const double* sigma, const double* a, const double* b,
                              const int* nodes, double* out);
/* As al_band_model for a normal whose horizontal scale is mixed over a
 * standard exponential factor T: out[0] = integral of
 * E[sqrt((T*sigma)^2 + phi(z)^2)] dz, the expectation by an 80-node table that
 * is built once, on the first call, and kept. NaN for a, b outside (0, 1). */
NOXARA_API void al_band_model_star(const double* sigma, const double* a,
                                   const double* b, const int* nodes, double* out);
/* Sample band arc length: out[0] = length of the empirical quantile polygon
 * of x[0..n-1] (any order; a sorted copy is made) between its a- and
 * b-quantiles (type 7), with probability steps 1/n. NaN when n < 1 or fewer
 * than two values lie in the band. Output untouched if the sorted copy cannot
 * be allocated. */
NOXARA_API void al_band_sample(const double* x, const int* n, const double* a,
                               const double* b, double* out);
/* Scale estimate by band arc length under the exponential-mixture model
 * (al_band_model_star): x is divided by its normalised median absolute
 * deviation s0 = 1.4826*MAD, the sigma in [1e-4, 30] whose model band length
 * equals the sample's is found by bisection (at most 200 steps, 400 Simpson
 * subintervals), and out[0] = sigma*s0; a < b, e.g. 0.1 and 0.9. NaN
 * when n < 1, s0 is 0 or not finite (e.g. more than half the values equal),
 * a or b lies outside (0, 1), fewer than two values lie in the band, or no
 * root lies in [1e-4, 30]. Output untouched if scratch cannot be allocated.
 * About 10 ms per call. */
NOXARA_API void al_scale(const double* x, const int* n, const double* a,
                         const double* b, double* out);
/* As al_scale under the normal model (al_band_model); same NaN cases, output
 * untouched if scratch cannot be allocated. Well below 1 ms per call. */
NOXARA_API void al_scale_raw(const double* x, const int* n, const double* a,
                             const double* b, double* out);

/* ---- circular distributions (noxcirc) --------------------------------- */
/*
 * Circular families are defined through a quantile function on the unit
 * scale: a probability u in [0, 1] maps to a position Q(u) in [0, 1] (a
 * fraction of the full turn), and the angle is mu + 2*pi*Q(u) reduced modulo
 * 2*pi. Angles are in radians. Densities are per radian and integrate to 1
 * over a full turn. Midpoint and Simpson rules on `nodes` points or
 * intervals: 1000 to 10000 are sensible; cost is linear in nodes.
 */

/* out[0] = 3*sqrt(3)/5 = 1.0392304845413265, the largest |c3| for which the
 * cubic family's quantile density is >= 0 on [0, 1]. */
NOXARA_API void noxc_c3max(double* out);
/* Cubic family, quantile density: out[i] = q(u[i]) = 1 + 10*c3*u*(1-u)*(1-2u),
 * i < nu, for any u (no clamping). q(0) = q(1) = 1; q < 0 somewhere when
 * |c3| > c3max (the value is still returned). nu <= 0: nothing written. */
NOXARA_API void noxc_qd3(const double* u, const int* nu, const double* c3, double* out);
/* Cubic family, quantile function on the unit scale: out[i] = Q(u[i]) =
 * u + 5*c3*u^2*(1-u)^2 (a fraction of the full turn), i < nu, for any u.
 * nu <= 0: nothing written. */
NOXARA_API void noxc_Q3(const double* u, const int* nu, const double* c3, double* out);
/* Cubic family, density of angles: out[i] = 1/(2*pi*q(u)) with u = Q^-1 of the
 * position of theta[i] relative to mu (80 bisection halvings), i < nth; 0
 * where q(u) <= 0 (possible only for |c3| > c3max). c3 = 0 gives 1/(2*pi).
 * nth <= 0: nothing written. */
NOXARA_API void noxc_dens3(const double* theta, const int* nth, const double* c3,
                           const double* mu, double* out);
/* Cubic family, order-p trigonometric moment E[exp(i*p*Theta)]: out[0], out[1]
 * = real and imaginary part, by the midpoint rule on `nodes` points in u,
 * rotated by p*mu. |moment| depends on |c3| only. Both NaN when nodes <= 0. */
NOXARA_API void noxc_trigmom3(const int* p, const double* c3, const double* mu,
                              const int* nodes, double* out);
/* Cubic family, random angles from the caller's uniforms: out[i] = angle in
 * [0, 2*pi) at probability unif[i], i < n (mu + 2*pi*Q(unif[i]) reduced;
 * nothing is drawn here). n <= 0: nothing written. */
NOXARA_API void noxc_rand3(const double* unif, const int* n, const double* c3,
                           const double* mu, double* out);
/* Moment fit of the cubic family to n angles theta[0..n-1]: |c3| matches the
 * mean resultant length of the sample to that of the family (80 bisection
 * halvings on [0, c3max], each a noxc_trigmom3 on `nodes` points), its sign
 * comes from the phase of the second moment, and mu from the phase of the
 * first. out[0..3] = mu in [-pi, pi), c3, mean resultant length rbar, flag
 * (1 when solved within the range, 0 when rbar is beyond the family's reach and
 * c3 is clipped to +-c3max). n <= 0 gives NaN for mu and rbar. Cost 82 moment
 * evaluations; no memory is taken. */
NOXARA_API void noxc_fit3(const double* theta, const int* n, const int* nodes,
                          double* out);
/* Fourier-series family, quantile density: out[j] = q(u[j]) =
 * |sum_m c_m z^m|^2 / sum_m |c_m|^2, z = exp(2*pi*i*u[j]), c_m = pre[m] +
 * i*pim[m], m < np, j < nu. q >= 0 and integrates to 1 for any coefficients;
 * a common complex factor leaves it unchanged. 1 everywhere when all c_m are
 * 0 or np <= 0. nu <= 0: nothing written. */
NOXARA_API void noxc_qd_fr(const double* u, const int* nu, const double* pre,
                           const double* pim, const int* np, double* out);
/* Fourier-series family, order-p trigonometric moment E[exp(i*p*Theta)] at
 * location mu: out[0], out[1] = real and imaginary part, by the midpoint rule
 * on `nodes` points with Q integrated alongside (no table, no memory). Both
 * NaN when nodes <= 0. */
NOXARA_API void noxc_trigmom_fr(const int* p, const double* pre, const double* pim,
                                const int* np, const double* mu, const int* nodes,
                                double* out);
/* Fourier-series family, quantile function on the unit scale: out[j] = Q(u[j]),
 * j < nu, interpolated linearly in a Simpson table of Q on `nodes` equal
 * intervals (built per call); Q(u <= 0) = 0, Q(u >= 1) = the table's last
 * value (1 up to quadrature error). All coefficients 0 give 0. nu <= 0:
 * nothing written; all NaN when nodes < 1; output untouched if the table
 * cannot be allocated. */
NOXARA_API void noxc_Q_fr(const double* u, const int* nu, const double* pre,
                          const double* pim, const int* np, const int* nodes,
                          double* out);
/* Fourier-series family, density of angles: out[j] = 1/(2*pi*q(u)) with u the
 * inverse of the Q table (`nodes` intervals) at the position of theta[j]
 * relative to mu, j < nth; 0 where q <= 0. nth <= 0: nothing written; all NaN
 * when nodes < 0; output untouched if the table cannot be allocated. */
NOXARA_API void noxc_dens_fr(const double* theta, const int* nth, const double* pre,
                             const double* pim, const int* np, const double* mu,
                             const int* nodes, double* out);
/* Fourier-series family, random angles from the caller's uniforms: out[j] =
 * angle in [0, 2*pi) at probability unif[j], j < n, via the Q table of
 * `nodes` intervals (nothing is drawn here). n <= 0: nothing written; all NaN
 * when nodes < 1; output untouched if the table cannot be allocated. */
NOXARA_API void noxc_rand_fr(const double* unif, const int* n, const double* pre,
                             const double* pim, const int* np, const double* mu,
                             const int* nodes, double* out);
/* Circular L-moments of n positions x[0..n-1] in [0, 1) (any order; a sorted
 * copy is made): ell_m = integral over [0, 1] of Qn(u)*exp(-2*pi*i*m*u) du with
 * Qn the empirical quantile function, m = 1..nm, written interleaved:
 * out[2(m-1)] = Re, out[2(m-1)+1] = Im (2*nm values). n <= 0 gives zeros;
 * nm <= 0 writes nothing. Output untouched if the sorted copy cannot be
 * allocated. */
NOXARA_API void noxc_lmom(const double* x, const int* n, const int* nm, double* out);
/* Quantile-density coefficients rho_m = 1 + 2*pi*i*m*ell_m from circular
 * L-moments, m = 1..nm, interleaved: out[2(m-1)] = 1 - 2*pi*m*ellim[m-1],
 * out[2(m-1)+1] = 2*pi*m*ellre[m-1]. nm <= 0: nothing written. */
NOXARA_API void noxc_rho_from_lmom(const double* ellre, const double* ellim,
                                   const int* nm, double* out);
/* out[0] = minimum of the density q(u) = 1 + 2*Re sum_{m=1..nm}
 * rho_m*exp(2*pi*i*m*u) over u = j/nodes, j < nodes; 1e300 when nodes <= 0.
 * No memory is taken. */
NOXARA_API void noxc_qmin_rho(const double* rhore, const double* rhoim, const int* nm,
                              const int* nodes, double* out);
/* Admissibility by shrinkage toward the uniform density: the largest t in
 * [0, 1] (80 bisection halvings) with min q_t >= margin on the `nodes` grid,
 * where q_t = 1 + t*(q - 1) (coefficients t*rho). out[0..2nm-1] = t*rho
 * interleaved, out[2nm] = t (1 when rho already clears the margin). margin is
 * the density floor to clear, between 0 and 1 (1 forces the uniform). Output
 * untouched when nm < 0 or scratch cannot be allocated. */
NOXARA_API void noxc_admiss(const double* rhore, const double* rhoim, const int* nm,
                            const double* margin, const int* nodes, double* out);
/* Factorisation q(u) = |p(exp(2*pi*i*u))|^2 of a non-negative trigonometric
 * polynomial of degree nm: out[0..2nm+1] = the nm+1 coefficients of p
 * (interleaved Re, Im; unit norm; roots inside the unit circle), ready as
 * pre/pim of the Fourier-series family after de-interleaving. Roots by the
 * Durand-Kerner iteration (at most 500 sweeps). nm = 0 gives (1, 0); a
 * polynomial whose coefficients all vanish gives (1, 0, 0, ...). q must be
 * >= 0 (pass it through noxc_admiss first). Output untouched when nm < 0 or
 * scratch cannot be allocated. */
NOXARA_API void noxc_factorise(const double* rhore, const double* rhoim, const int* nm,
                               double* out);
/* Fourier-series fit of n angles with M = nm coefficients beyond the first:
 * location mu = mean direction, then noxc_lmom, noxc_rho_from_lmom,
 * noxc_admiss(margin, nodes) and noxc_factorise. out[0..2M+1] = coefficients
 * as from noxc_factorise, out[2M+2] = mu, out[2M+3] = shrink factor t,
 * out[2M+4] = 1 if t >= 1 (no shrinkage needed) else 0 (2M+5 values). Output
 * untouched when nm <= 0 or scratch cannot be allocated. */
NOXARA_API void noxc_fit_fr(const double* theta, const int* n, const int* nm,
                            const double* margin, const int* nodes, double* out);
/* Tempered von Mises density: out[i] = sqrt(1 + (s*f(theta[i]))^2)/Z, i < nth,
 * the normalised arc-length element of the graph of s*f, f the von Mises
 * density with concentration kappa >= 0 and location mu, s >= 0 its vertical
 * scale (s = 0: uniform; large s: close to f). Z by the midpoint rule on
 * `nodes` points; with nodes <= 0 the values are left unnormalised (Z = 1).
 * nth <= 0: nothing written. No memory is taken. */
NOXARA_API void noxc_temper_vm(const double* theta, const int* nth,
                               const double* kappa, const double* mu, const double* s,
                               const int* nodes, double* out);
/* Order-p trigonometric moment of the tempered von Mises density (about angle
 * 0): out[0], out[1] = real and imaginary part, midpoint rule on `nodes`
 * points; (0, 0) when nodes <= 0. */
NOXARA_API void noxc_temper_vm_trigmom(const int* p, const double* kappa,
                                       const double* mu, const double* s,
                                       const int* nodes, double* out);
/* Monte Carlo confidence interval for the c3 of the cubic family from n angles:
 * each grid value cgrid[j], j < ng, is tested by B simulated samples (own
 * stream per grid point, from seed and j) with the statistic statp (0: mean
 * resultant length; otherwise circular arc length), positions rounded to
 * groupp bins when groupp >= 1 (data recorded on a grid; <= 0: no rounding).
 * out has ng + 3 values: out[3 + j] = two-sided p-value at cgrid[j] (at least
 * min(1, 2/(B + 1))), out[0], out[1] = first and last grid value, in grid
 * order, with p-value > levp (the level, e.g. 0.05; NaN if none), out[2] =
 * observed statistic. All ng + 3 values NaN when n < 1 or scratch cannot be
 * allocated; p-values NaN when B < 0. A grid value without a p-value makes the
 * interval out[0], out[1] NaN. B of 999 or more is sensible;
 * cost ng*B*(n + 1) draws and ng*B statistics (each a sort of n values). */
NOXARA_API void noxc_exact_ci(const double* theta, const int* np, const int* Bp,
                              const int* seedp, const double* cgrid, const int* ngp,
                              const int* statp, const int* groupp, const double* levp,
                              double* out);
/* Goodness of fit of n angles to the cubic family (c3, mu): the angles are
 * transformed to probabilities by the family's distribution function, out[0] =
 * their circular arc-length statistic, out[1] = Monte Carlo p-value
 * (ge + 1)/(B + 1) from B uniform samples (upper tail; smallest possible value
 * 1/(B + 1)). Both NaN when n < 1 or scratch cannot be allocated; out[1] NaN
 * when B < 0. Cost n*80 Q evaluations plus B*n draws and B sorts. */
NOXARA_API void noxc_gof(const double* theta, const int* np, const double* c3p,
                         const double* mup, const int* Bp, const int* seedp,
                         double* out);

/* ---- kappa-4 distribution and fits (noxk4) ---------------------------- */
/*
 * The four-parameter kappa distribution, with t = (x - mu)/sg:
 *   F(x) = (1 - h*(1 - k*t)^(1/k))^(1/h),
 *   x(u) = mu + (sg/k)*(1 - ((1 - u^h)/h)^k),
 *   f(x) = F(x)^(1-h) * (1/sg) * (1 - k*t)^(1/k - 1).
 * sg > 0 (not checked). k > 0 gives a finite upper end mu + sg/k; h > 0 a
 * finite lower end. |k| < 1e-8 is taken as the limit k = 0 ((1 - k*t)^(1/k)
 * becomes exp(-t)) and |h| < 1e-8 as h = 0 (F = exp(-exp(-t)) at k = h = 0,
 * the Gumbel distribution; h = 0 is the generalised extreme-value family and
 * h = 1 the generalised Pareto family). The
 * curve routines model y = g0 + g1*F(x), with theta[0..5] = (g0, g1, mu, sg, k,
 * h).
 */

/* Kappa-4 distribution function F(x; mu, sg, k, h), all arguments and the
 * result by value. Exactly 0 below the lower end and 1 above the upper end;
 * 0 for NaN x (a NaN parameter gives NaN). */
NOXARA_API double k4_F(double x, double mu, double sg, double k, double h);
/* Kappa-4 quantile function: out[i] = x(u[i]), i < nu. u = 1 gives the upper
 * end (+Inf when k <= 0); u = 0 gives the lower end (-Inf when it is
 * infinite). nu <= 0: nothing written. */
NOXARA_API void noxk4_q(const double* u, const int* nu, const double* mu,
                        const double* sg, const double* k, const double* h,
                        double* out);
/* Kappa-4 distribution function: out[i] = k4_F(x[i], mu, sg, k, h), i < nx.
 * nx <= 0: nothing written. */
NOXARA_API void noxk4_cdf(const double* x, const int* nx, const double* mu,
                          const double* sg, const double* k, const double* h,
                          double* out);
/* Kappa-4 density: out[i] = f(x[i]), i < nx; exactly 0 outside the support and
 * where F = 0. nx <= 0: nothing written. */
NOXARA_API void noxk4_pdf(const double* x, const int* nx, const double* mu,
                          const double* sg, const double* k, const double* h,
                          double* out);
/* L-moments of the standard member (mu = 0, sg = 1) by the `nodes`-point
 * Gauss-Legendre rule on the quantile function: out[0..3] = tau3 =
 * lambda3/lambda2, tau4 = lambda4/lambda2, lambda1, lambda2. The quantile
 * function may have logarithmic end singularities, so the ratios converge
 * slowly in nodes; 40 is the count used by the L-moment fit, and results for
 * different counts differ. nodes <= 0 gives NaN, NaN, 0, 0; all four NaN if
 * the rule cannot be allocated. */
NOXARA_API void noxk4_tau34(const double* k, const double* h, const int* nodes,
                            double* out);
/* Readings of the curve theta[0..5] = (g0, g1, mu, sg, k, h) (g0 is not read)
 * on `grid` equally spaced points between the 0.001- and 0.999-quantiles of F:
 * out[0] = tangent intercept, out[1] = inflection x left of the steepest
 * point, out[2] = steepest point (a grid point). |k| < 1e-4 is read as +-1e-4.
 * All three NaN when the quantile range is not finite and increasing, when the
 * steepest point is at an end of the grid, when grid < 2, or when the slope
 * grid cannot be allocated; out[1] alone NaN when no inflection is found,
 * when grid <= 3, or when its grid cannot be allocated. grid = 4000 is the
 * count used throughout the library; cost 2*grid density evaluations (about
 * 1 ms at 4000). */
NOXARA_API void noxk4_readings(const double* theta, const int* grid, double* out);
/* L_p arc length of the model curve y = g0 + g1*F(x) over the x-bands
 * [breaks[j], breaks[j+1]), j < J (breaks has J + 1 ascending values): out[j] =
 * integral of ||(1, g1*f(x))||_p dx by the `nodes`-point Gauss-Legendre rule
 * per band (20 to 60 are sensible). p = 2 is the ordinary length, p = 1 the
 * L1 length; p <= 0 or non-finite p gives the L-infinity (max) norm. nodes <=
 * 0 gives zeros. Output untouched when J <= 0; all J values NaN if the rule
 * cannot be allocated. */
NOXARA_API void noxk4_band_model(const double* theta, const double* breaks,
                                 const int* J, const int* nodes, const double* p,
                                 double* out);
/* L_p length of the observed polyline (x[i], y[i]), i < n, taken in the given
 * order (sorted by x): out[j] = sum of the lengths ||(|dx|, |dy|)||_p of the
 * segments whose x-midpoint lies in band [breaks[j], breaks[j+1]), j < J;
 * segments outside every band are dropped. Output untouched when J <= 0;
 * zeros when n < 2. No memory is taken. */
NOXARA_API void noxk4_band_sample(const double* x, const double* y, const int* n,
                                  const double* breaks, const int* J, const double* p,
                                  double* out);
/* Expected L-infinity length of noisy observations of the curve: for
 * y_i = g0 + g1*F(x_i) + e_i with independent errors of sd sigma, segment i
 * (from x[i-1] to x[i], x ascending) contributes E[max(dx, |dy|)]; out[j] sums
 * the segments whose right end x[i] <= breaks[j+1] first holds (later ends go
 * to the last band), j < J. Output untouched when J <= 0; zeros when n < 2. */
NOXARA_API void noxk4_band_trop_mean(const double* x, const int* n,
                                     const double* theta, const double* sigma,
                                     const double* breaks, const int* J, double* out);
/* Running median: out[i] = median of y over the window of 2*(w/2) + 1 values
 * centred on i (w values for odd w, w + 1 for even w), cut at the ends of the
 * series, and limited to its first 129 values, i < n. w = 0 or 1 returns y.
 * n <= 0: nothing written; all NaN when w < 0. No memory is taken. */
NOXARA_API void noxk4_runmed(const double* y, const int* n, const int* w, double* out);
/* Fit of the shapes (k, h) to sample L-moment ratios t3, t4 (e.g. from
 * sample_lmoments_c): minimises (tau4 - t4)^2 + (tau3 - t3)^2 with tau from
 * noxk4_tau34 on `nodes` points (40 is usual) over k in [-0.9, 0.9], h in
 * (0.01, 3] (penalty 1e6 outside), by three Nelder-Mead runs of 300
 * iterations. out[0..2] = k, h, objective; an objective of 1e6 means no
 * admissible fit was found; NaN, NaN, 1e300 when no run gives a value; all
 * three NaN if the node table cannot be allocated. A few ms per call. */
NOXARA_API void noxk4_fit_lmom(const double* t3, const double* t4, const int* nodes,
                               double* out);
/* Band arc-length fit of kappa-4 shapes and scale to a sample ysorted[0..n-1]
 * sorted ascending (not checked): for each band j < J with probability limits
 * bands[2j] = a_j < bands[2j+1] = b_j in [0, 1], the arc length of the quantile
 * curve u -> x(u) with scale al (40-point rule) is matched to that of the
 * sample's quantile polygon (values at (m + 1)/(n + 1)). start[3] = (log al,
 * k, log h) is the first of three starts (400 iterations each); k in
 * [-0.9, 0.9], h <= 3 (penalty 1e6). out[0..3] = k, h, al, objective. J <= 0
 * returns the start with objective 0; all four NaN if scratch cannot be
 * allocated. */
NOXARA_API void noxk4_fit_aleq(const double* ysorted, const int* n,
                               const double* bands, const int* J, const double* start,
                               double* out);
/* Least-squares fit of y = g0 + g1*F(x; mu, sg, k, h) to (x[i], y[i]), i < n:
 * two Nelder-Mead runs (2000 iterations each, the second from the first's
 * result). start[6] = (g0, log g1, mu, log sg, k, log h); k in [-0.9, 0.9],
 * h in [0.02, 3] (penalty 1e12 outside, also for a non-finite sum). out[0..6]
 * = g0, g1, mu, sg, k, h, residual sum of squares; g1, sg, h are always > 0.
 * An rss of 1e12 means the fit never left the penalised region (a start
 * outside the box is returned unchanged). n <= 0 returns the start with rss 0.
 * No memory is taken; about 1 ms for 100 points. */
NOXARA_API void noxk4_fit_nls(const double* x, const double* y, const int* n,
                              const double* start, double* out);
/* As noxk4_fit_nls for y = g0 + m*x + g1*F(x) (3000 iterations per run),
 * start[7] = (g0, m, log g1, mu, log sg, k, log h): out[0..7] = g0, m, g1, mu,
 * sg, k, h, residual sum of squares (1e12: no admissible fit). */
NOXARA_API void noxk4_fit_nls_drift(const double* x, const double* y, const int* n,
                                    const double* start, double* out);
/* Band arc-length fit of y = g0 + g1*F(x) with an anchor: y is smoothed by
 * noxk4_runmed with window w, cut into J equal-width x-bands (x ascending),
 * and the model's L_p band lengths (60-point rule) are matched to the
 * smoothed polyline's, plus lambda*(y0 - curve(x0))^2 for an anchor point
 * (x0, y0) at the left end of the data (median of the first 3 to 129 smoothed
 * values), which fixes the level. Usual settings: J = 12, lambda = 1, w = 9,
 * p = 2. start[6] as for noxk4_fit_nls; two runs of 2000 iterations.
 * out[0..6] = g0, g1, mu, sg, k, h, objective (1e12: every trial was
 * inadmissible). All seven NaN when n < 3, J < 1 or scratch cannot be
 * allocated. */
NOXARA_API void noxk4_fit_nalr(const double* x, const double* y, const int* n,
                               const int* J, const double* lambda, const int* w,
                               const double* p, const double* start, double* out);

/* ---- variable-projection kappa-4 fit (noxk4fit) ----------------------- */

/* Multi-start fit of y = b0 + b1*x + b2*F(x; mu, sg, k, h) with the linear
 * coefficients (b0, b1, b2) solved exactly by least squares for every trial
 * of the shape. starts[4*nstart]: row s = (mu, log sg, k, h). bounds[4] =
 * (k_lo, k_hi, h_lo, h_hi), closed; a finite hfix fixes h (3-parameter
 * search; the rows' fourth value is ignored), NaN leaves it free. Each start:
 * two Nelder-Mead runs of maxit iterations (a few hundred is usual); trials
 * outside the bounds, with non-finite F, or with a curve flat over the data
 * are penalised with 1e12. out[0..7] = b0, b1, b2, mu, sg, k, h, residual sum
 * of squares of the best start, recomputed at its parameters (+Inf when that
 * linear system is singular; test out[7] with isfinite). nstart <= 0 or no
 * usable start: out[7] = +Inf, out[0..6] untouched. All eight NaN if scratch
 * cannot be allocated. Cost per start about 2*maxit*n evaluations of F. */
NOXARA_API void noxk4_fit_varpro(const double* x, const double* y, const int* n,
                                 const double* starts, const int* nstart,
                                 const int* maxit, const double* bounds,
                                 const double* hfix, double* out);

/* ---- multi-method reading bootstrap (noxmv) --------------------------- */

/* Tangent intercept (out[0] of noxk4_readings, grid 4000) of a rising curve
 * through (x[i], y[i]), i < n, x ascending, estimated by eight methods:
 * 0 variable-projection fit with a choice between free h and h = 0 (by
 * n*log(rss0/rss) - 2), 1 and 2 least squares on running medians of 9 and 21
 * values, 3 band arc-length fit with an anchor, 4 the h = 0 variable-projection
 * fit, 5 the selected fit on the points with x >= cutx, 6 and 7 on the even-
 * and odd-indexed points (subsets need more than 30 points). bounds[4] and
 * maxit go to every noxk4_fit_varpro call. a_pt[0..7] = the eight readings of
 * the data; A[8*B]: row b at A[8b..8b+7] = the readings of moving-block
 * bootstrap replicate b < B (block length chosen as noxeqfit_blocklen does;
 * row b depends only on seed and b). NaN where a method fails, its subset is
 * too small, or its scratch cannot be allocated; a_pt and A all NaN when
 * n < 4 or the free-h base fit fails or gets no memory. B <= 0: A untouched.
 * Costly: about a second per data set (the data and each replicate) at
 * n = 100. */
NOXARA_API void noxk4_mv_boot(const double* x, const double* y, const int* n,
                              const double* cutx, const int* B, const int* seed,
                              const double* bounds, const int* maxit, double* a_pt,
                              double* A);

/* ---- quantile-density readings (noxeq) -------------------------------- */
/*
 * A distribution given by its quantile density q(u) = dx/du is read on the
 * grid u_i = 1e-5 + i*0.99998/(ngrid - 1), i < ngrid (ngrid = 20001 is the
 * count the curve fits use; ngrid >= 22 is needed). The steepest point of the
 * distribution function is the mode of the density, where q is smallest.
 * Positions are x values measured from x(1e-5), the quantile at the first
 * grid point; q is integrated by the trapezoid rule. out[0..4]:
 *   out[0] = out[2] - out[1]  (inflection x minus tangent intercept),
 *   out[1] = tangent intercept,
 *   out[2] = inflection x left of the steepest point,
 *   out[3] = u at the steepest point (the mode),
 *   out[4] = u at the inflection.
 * All five NaN when ngrid <= 0, when the minimum of q lies within 10 grid
 * points of either end, or when the grid cannot be allocated; only out[3] set
 * when no inflection is found left of the mode. About 1 ms at 20001 points.
 */

/* Readings of q with log q = alpha*log u + beta*log(1-u) + sum_r
 * theta[r-1]*P_r(u), P_r the shifted Legendre polynomials on [0, 1],
 * r <= min(ntheta, 3) (theta may be null when ntheta <= 0). An interior mode
 * needs alpha, beta < 0. */
NOXARA_API void noxeq_readings(const double* alpha, const double* beta,
                               const int* ntheta, const double* theta,
                               const int* ngrid, double* out);
/* The same out[0..4] for q(u) = (1-delta)*u^(lambda-1) + delta*(1-u)^(lambda-1)
 * (grid points with u < 0.001 are not used for the inflection). lambda = 1
 * makes q constant: all NaN. */
NOXARA_API void noxeq_readings_vsl(const double* lambda, const double* delta,
                                   const int* ngrid, double* out);

/* ---- beta-kernel quantile family (noxeq2) ----------------------------- */
/*
 * Quantile density q(u) = u^alpha * (1-u)^beta on (0, 1), alpha, beta > -1 (not
 * checked; other values give meaningless numbers). With a = 1 + alpha,
 * b = 1 + beta and B = B(a, b): Q(u) = B*I_u(a, b) on the support [0, B],
 * F = Q^-1, density 1/q(F(x)). Note: the count comes first in the three
 * vector routines. No routine of this family takes memory.
 */

/* out[i] = Q(u[i]) = B*I_u(a, b): 0 for u <= 0, B for u >= 1; i < n. n <= 0:
 * nothing written. */
NOXARA_API void noxeq2_bc_q(const int* n, const double* u, const double* alpha,
                            const double* beta, double* out);
/* out[i] = F(x[i]), the inverse of Q (bisection to 1e-15 plus up to 4 Newton
 * steps): 0 below the support, 1 above; i < n. Up to about 200 incomplete
 * beta evaluations per element. n <= 0: nothing written. */
NOXARA_API void noxeq2_bc_cdf(const int* n, const double* x, const double* alpha,
                              const double* beta, double* out);
/* out[i] = density 1/q(w) = w^-alpha * (1-w)^-beta with w = F(x[i]), i < n
 * (same cost as noxeq2_bc_cdf). n <= 0: nothing written. */
NOXARA_API void noxeq2_bc_pdf(const int* n, const double* x, const double* alpha,
                              const double* beta, double* out);
/* Closed-form readings for alpha, beta < 0: out[1] = u_c = alpha/(alpha + beta),
 * the probability at the mode (steepest point of F); out[0] = u_b, the root in
 * (0, u_c) of the quadratic whose roots are the density's inflections (the
 * inflection left of the steepest point), or NaN when there is none. */
NOXARA_API void noxeq2_ub_quad(const double* alpha, const double* beta, double* out);
/* Balance of the readings: out[0] = Q(u_c) - Q(u_b) - u_c*q(u_c), the tangent
 * intercept minus the inflection x left of the steepest point (minus out[0]
 * of noxeq_readings for the same kernel, up to the grid). NaN when u_b is
 * NaN. */
NOXARA_API void noxeq2_E(const double* alpha, const double* beta, double* out);
/* out[0] = beta* in (-0.999, 0) with noxeq2_E(alpha, beta*) = 0, by a scan of
 * 600 values and bisection to 1e-14; NaN when the scan finds no sign change or
 * E cannot be evaluated. Up to 700 evaluations of noxeq2_E. */
NOXARA_API void noxeq2_bstar(const double* alpha, double* out);

/* ---- curve fitting and simulation studies (noxeqfit) ------------------ */
/*
 * The bc curve: y = g0 + g1*F(z*B) with z = (x - mu)/sr clamped to
 * [1e-9, 0.999999999] and F, B of the beta-kernel family, i.e. g0 + g1 times
 * the Beta(alpha + 1, beta + 1) quantile of z: flat at g0 left of mu, rising
 * over the window [mu, mu + sr] to g0 + g1. Its parameter vector is
 * th[0..5] = (g0, g1, mu, sr, alpha, beta). F is interpolated in a 2049-point
 * table per (alpha, beta). A constraint curve (cal[j], cbe[j]), j < nc, cal
 * ascending, ties beta to alpha (no extrapolation: beta is NaN outside
 * [cal[0], cal[nc-1]], and nc >= 2 is needed). Bootstraps resample residuals
 * in moving blocks (length from noxeqfit_blocklen, needs n >= 2); replicate b
 * uses a stream that depends only on seed and b. maxit is the Nelder-Mead
 * limit per run (500 to 2000 is usual).
 */

/* out[0] = automatic moving-block length of the series r[0..n-1] (an int): the
 * first lag l <= min(200, n - 2) whose sample autocorrelation lies inside
 * +-2/sqrt(n), else n^(1/3) rounded; never below 2. */
NOXARA_API void noxeqfit_blocklen(const double* r, const int* n, int* out);
/* Multi-start least-squares fit of the bc curve to (x[i], y[i]), i < n: for
 * each of the ns starts two Nelder-Mead runs of maxit iterations. np = 6:
 * free curve, start s = starts[6s..6s+5] = (g0, log g1, mu, log sr,
 * logit((alpha + 1)/0.98), logit((beta + 1)/1.48)), so alpha in (-1, -0.02),
 * beta in (-1, 0.48). np = 5: beta tied to alpha by (cal, cbe), start
 * starts[5s..5s+4] with alpha = alo + (ahi - alo)*logistic(p[4]). out[0..8] =
 * g0, g1, mu, sr, alpha, beta, rss, tangent intercept x, inflection x left of
 * the steepest point (readings of the family on 20001 points, mapped to x).
 * All nine NaN when no start reaches an rss below 1e12, n <= 0, np is not
 * 5, 6 or 7, or scratch cannot be allocated; the two readings NaN where not
 * found. Each objective evaluation builds one 2049-point table. */
NOXARA_API void noxeqfit_bc(const double* x, const double* y, const int* n,
                            const double* starts, const int* ns, const int* np,
                            const int* maxit, const double* cal, const double* cbe,
                            const int* nc, const double* alo, const double* ahi,
                            double* out);
/* Bootstrap of the tangent intercept x of the constrained (np = 5) bc fit:
 * residuals about the curve th[0..5] (normally out[0..5] of noxeqfit_bc) are
 * resampled, and each replicate is fitted from the start derived from th
 * (alpha clamped into (alo, ahi)). out_a[b] = tangent intercept x of replicate
 * b < B (reported even when the replicate's fit ends on a penalty, NaN when it
 * cannot be read). B <= 0: nothing written; all NaN when n < 2 or scratch
 * cannot be allocated. */
NOXARA_API void noxeqfit_bc_boot(const double* x, const double* y, const int* n,
                                 const double* th, const int* B, const int* seed,
                                 const int* maxit, const double* cal,
                                 const double* cbe, const int* nc, const double* alo,
                                 const double* ahi, double* out_a);
/* Multi-start least-squares fit of y = g0 + g1*F(x; mu, sg, k, h) (kappa-4)
 * with k tied to h by the table (lh[j], lk[j]), j < nl, lh ascending (constant
 * beyond its ends; nl >= 2). Start s = starts[5s..5s+4] = (g0, log g1, mu,
 * log sg, logit((h - hlo)/(hhi - hlo))); hlo = hhi fixes h. out[0..7] = g0, g1,
 * mu, sg, k, h, rss, tangent intercept (noxk4_readings on 4000 points). All
 * eight NaN when no start reaches an rss below 1e12 or n <= 0; out[7] alone
 * NaN when the reading cannot be taken. */
NOXARA_API void noxeqfit_k4eq(const double* x, const double* y, const int* n,
                              const double* starts, const int* ns, const int* maxit,
                              const double* lh, const double* lk, const int* nl,
                              const double* hlo, const double* hhi, double* out);
/* Bootstrap of the tangent intercept of the constrained kappa-4 fit: residuals
 * about th[0..5] (out[0..5] of noxeqfit_k4eq) are resampled and each replicate
 * is fitted from p0in[5] (coordinates as the starts of noxeqfit_k4eq).
 * out_a[b] = tangent intercept of replicate b < B, NaN where it cannot be read.
 * B <= 0: nothing written; all NaN when n < 2 or scratch cannot be
 * allocated. */
NOXARA_API void noxeqfit_k4eq_boot(const double* x, const double* y, const int* n,
                                   const double* th, const double* p0in, const int* B,
                                   const int* seed, const int* maxit, const double* lh,
                                   const double* lk, const int* nl, const double* hlo,
                                   const double* hhi, double* out_a);
/* Score statistic of the bc curve of shape (mu, sg = window width, al, be),
 * level and height fitted by least squares: out[0] = ((sse0 - sse1)/6) /
 * (sse1/(n - 6)), where sse0 is the residual sum of squares and sse1 that
 * after regressing the residuals on the curve's six-column Jacobian (an F-type
 * statistic; large values say the curve can still be improved). NaN when
 * n <= 6, fewer than 12 points (or fewer than n/10) lie strictly inside the
 * window, the design is singular, the fit is perfect, or scratch (10n values)
 * cannot be allocated. */
NOXARA_API void noxeqfit_score_at(const double* x, const double* y, const int* n,
                                  const double* mu, const double* sg, const double* al,
                                  const double* be, double* out);
/* Model-fit simulation of the constrained bc curve, Rm replicates in each of
 * four arms: data at nM equally spaced x over the window of th0[0..5] plus
 * normal noise of sd sde, with beta shifted by 0, 0.2, -0.15, -0.3 in arms
 * 0..3 (arm a seeded from seed + 1000*a). T is the profile statistic, the
 * smallest score statistic over constrained curves (least-squares stage from
 * five starts around st5[0..2], then the score stage); 1e30 when no start
 * gives an admissible least-squares fit. out has 8 columns of Rm,
 * out[c*Rm + r]: c = 0 and 1 arm 0's T and its score statistic at th0; c = 2..4
 * T of arms 1..3; c = 5..7 score statistic of arm a at thref[4(a-1)..4(a-1)+3]
 * = (mu, sg, alpha, beta). Prefilled with NaN; a replicate whose scratch
 * cannot be allocated stays NaN; all NaN when nM < 2 or the design cannot be
 * allocated. Rm <= 0: nothing written. Costly: up to 15 minimiser runs per
 * replicate, each evaluation building 2049-point tables. */
NOXARA_API void noxeqfit_msim(const int* nM, const double* sde, const int* Rm,
                              const int* seed, const double* th0, const double* st5,
                              const int* maxit, const double* cal, const double* cbe,
                              const int* nc, const double* alo, const double* ahi,
                              const double* thref, double* out);
/* out[r] = profile statistic T of replicate r < R2 simulated under th0, as in
 * arm 0 of noxeqfit_msim (same seed gives the same data as its column 0).
 * Prefilled with NaN, same failure cases. */
NOXARA_API void noxeqfit_nullT(const int* nM, const double* sde, const int* R2,
                               const int* seed, const double* th0, const double* st5,
                               const int* maxit, const double* cal, const double* cbe,
                               const int* nc, const double* alo, const double* ahi,
                               double* out);
/* Estimation study: R samples of each size nsizes[e], e < nn, from the
 * beta-kernel family with exponents (a0 - 1, b0 - 1) (size e seeded from
 * seed + 7000*e), fitted by likelihood, moments and L-moments (one
 * Nelder-Mead run of maxit iterations each, alpha in (-0.99, -0.01), beta in
 * (-0.99, 0.5)). out[(6e + k)*R + r], k = 0..2 alpha by likelihood, moments,
 * L-moments; k = 3..5 beta likewise (6*R*nn values). Prefilled with NaN; a
 * fit that stays on the penalty 1e9, a size below 1 or a sample that cannot be
 * allocated leaves NaN. R <= 0 or nn <= 0: nothing written. */
NOXARA_API void noxeqfit_estsim(const double* a0, const double* b0, const int* R,
                                const int* nsizes, const int* nn, const int* seed,
                                const int* maxit, double* out);
/* For R samples of size n as in noxeqfit_estsim: out[r] = t3, out[R + r] = t4
 * (sample L-moment ratios), out[2R + r] = alpha, out[3R + r] = beta by Newton
 * inversion of the ratios (at most 12 steps from (a0 - 1, b0 - 1); the last
 * iterate, unbounded). All four NaN for replicate r when n < 1 or its sample
 * cannot be allocated. R <= 0: nothing written. */
NOXARA_API void noxeqfit_taus(const double* a0, const double* b0, const int* R,
                              const int* n, const int* seed, double* out);
/* out_b[i] = inflection x left of the steepest point (out[1] of
 * noxk4_readings on 4000 points) of the standard curve theta = (0, 1, 0, 1,
 * ks[i], h), i < nk; NaN where the reading is not found or its grid cannot
 * be allocated. nk <= 0: nothing written. */
NOXARA_API void noxeqfit_bsweep(const double* ks, const int* nk, const double* h,
                                double* out_b);
/* Same curves: out_a[i] = tangent intercept, out_b[i] = inflection x left of
 * the steepest point, i < nk; NaN as in noxeqfit_bsweep. nk <= 0: nothing
 * written. */
NOXARA_API void noxeqfit_absweep(const double* ks, const int* nk, const double* h,
                                 double* out_a, double* out_b);
/* out[i] = noxeq2_E(alpha, bg[i]), i < nb. nb <= 0: nothing written. */
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
/* Replicates first .. first+B-1 of noxk4_mv_boot (B here is how many): A row j
 * (A[8j..8j+7]) is bit for bit row first+j of the full call; a_pt[8] is written
 * NaN (the readings of the data come from noxk4_mv_boot). B < 0: nothing is
 * written; first < 0 or first + B > INT_MAX: a_pt and A[8*B] NaN. */
NOXARA_API void noxk4_mv_boot_range(const double* x, const double* y, const int* n,
                                    const double* cutx, const int* B, const int* first,
                                    const int* seed, const double* bounds,
                                    const int* maxit, double* a_pt, double* A);

#ifdef __cplusplus
}
#endif

#endif /* NOXARA_H */
