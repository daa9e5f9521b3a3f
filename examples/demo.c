/*
 * A short report in three blocks:
 *  1. the arc-length test of uniformity applied to a built-in sample of
 *     probability-integral transforms, ending with its verdict at the 5% level;
 *  2. the Bayesian-bootstrap draws for that sample beside reference draws for
 *     uniform samples of the same size;
 *  3. a kappa-4 growth curve fitted to points from a known curve, with the
 *     curve's readings, true beside fitted.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "noxara.h"

static int cmp(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

/* Sorts v[0..n-1] and prints its median and central 95% range. */
static void summary(double* v, int n) {
  qsort(v, (size_t)n, sizeof v[0], cmp);
  printf("  %.4f [%.4f, %.4f]", v[n / 2], v[(int)(0.025 * n)], v[(int)(0.975 * n) - 1]);
}

int main(void) {
  /* 1. Probability-integral transforms of 24 observations under a fitted model. */
  static const double u[] = {0.000, 0.025, 0.061, 0.074, 0.089, 0.118, 0.121, 0.126,
                             0.187, 0.196, 0.198, 0.253, 0.434, 0.505, 0.522, 0.592,
                             0.607, 0.830, 0.832, 0.859, 0.921, 0.948, 0.955, 0.976};
  const int n = (int)(sizeof u / sizeof u[0]);
  double s, mom[4], p;

  al_statistic(&n, u, &s);
  al_moments(&n, mom);
  al_pvalue(&s, &n, &p);

  printf("Arc-length test of uniformity\n");
  printf("  sample size                 %d\n", n);
  printf("  arc length S                %.6f\n", s);
  printf("  diagonal (shortest S)       %.6f\n", mom[2]);
  printf("  E[S] under uniformity       %.6f\n", mom[0]);
  printf("  sd[S] under uniformity      %.6f\n", sqrt(mom[1]));
  printf("  standardised excess         %.3f\n", (s - mom[0]) / sqrt(mom[1]));
  printf("  P(S >= s), saddlepoint      %.4f\n", p);
  if (p < 0.05)
    printf("  Verdict: uniformity is rejected at the 5%% level; the transforms do\n"
           "  not look uniform, so the fitted model does not describe the observations.\n");
  else
    printf("  Verdict: uniformity is not rejected at the 5%% level; the transforms\n"
           "  are consistent with the fitted model.\n");

  /* 2. The same draws for the observed sample (bb_post) and for D uniform
   * samples of the same size, m draws each (bb_ref). */
  enum { M = 2000, D = 200, MD = M / D };
  const int m_obs = M, d_ref = D, m_ref = MD, seed = 2026;
  static double obs[2 * M], ref[2 * M], col[4][M];
  bb_post(&n, u, &m_obs, &seed, obs);
  bb_ref(&n, &d_ref, &m_ref, &seed, ref);
  for (int i = 0; i < M; ++i) {
    col[0][i] = obs[2 * i];
    col[1][i] = ref[2 * i];
    col[2][i] = obs[2 * i + 1];
    col[3][i] = ref[2 * i + 1];
  }
  const double obs_excess_median = (qsort(col[0], M, sizeof(double), cmp), col[0][M / 2]);
  int above = 0;
  for (int i = 0; i < M; ++i) above += col[1][i] >= obs_excess_median;

  printf("\nBayesian bootstrap: %d weighted draws for the sample, %d for %d uniform\n"
         "samples of size %d (seed %d); median [central 95%%]\n", M, M, D, n, seed);
  printf("  excess: the weighted ogive's arc length minus the diagonal's sqrt(2)\n");
  printf("  corner distance: the largest vertical gap between the ogive's corners\n"
         "  and the diagonal\n");
  printf("  %-15s  %-23s  %s\n", "", "observed sample", "uniform reference");
  printf("  excess         ");
  summary(col[0], M);
  summary(col[1], M);
  printf("\n  corner distance");
  summary(col[2], M);
  summary(col[3], M);
  printf("\n  %.1f%% of the reference draws reach the observed median excess: the\n"
         "  sample's ogive is %s than a uniform sample's.\n",
         100.0 * above / M, above < M / 20 ? "longer" : "not clearly longer");

  /* 3. Points from the kappa-4 growth curve y = g0 + g1*F(x; mu, sg, k, h) with
   * small fixed disturbances, fitted back by least squares. */
  enum { NF = 40 };
  const double truth[6] = {0.5, 2.0, 0.8, 0.9, 0.1, 0.4};
  const int nf = NF, grid = 4000;
  double x[NF], y[NF];
  for (int i = 0; i < NF; ++i) {
    x[i] = -2.0 + 6.0 * i / (NF - 1);
    y[i] = truth[0] + truth[1] * k4_F(x[i], truth[2], truth[3], truth[4], truth[5]) +
           0.01 * ((i * 7) % 5 - 2);
  }
  /* start in the fit's coordinates: g0, log g1, mu, log sg, k, log h */
  const double start[6] = {0.4, log(1.8), 0.6, log(1.0), 0.05, log(0.5)};
  double fit[7], rd_true[3], rd_fit[3];
  noxk4_fit_nls(x, y, &nf, start, fit);
  noxk4_readings(truth, &grid, rd_true);
  noxk4_readings(fit, &grid, rd_fit);

  static const char* const pname[6] = {"g0", "g1", "mu", "sg", "k", "h"};
  static const char* const rname[3] = {"tangent intercept", "inflection x left of the steepest point",
                                       "steepest point"};
  printf("\nKappa-4 growth curve, %d points, least-squares fit (RSS %.3g)\n", NF, fit[6]);
  printf("  %-40s %8s %8s\n", "", "true", "fitted");
  for (int j = 0; j < 6; ++j) printf("  %-40s %8.4f %8.4f\n", pname[j], truth[j], fit[j]);
  printf("  readings (%d grid points)\n", grid);
  for (int j = 0; j < 3; ++j) printf("  %-40s %8.4f %8.4f\n", rname[j], rd_true[j], rd_fit[j]);
  return 0;
}
