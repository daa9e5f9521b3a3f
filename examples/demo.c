/*
 * A short report: the arc-length test of uniformity applied to a built-in
 * sample of probability-integral transforms, with the exact mean and
 * variance of the statistic, its saddlepoint p-value, and a Bayesian-bootstrap
 * summary of the arc-length excess; then a kappa-4 growth-curve fit.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "noxara.h"

static int cmp(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

int main(void) {
  /* Probability-integral transforms of 24 observations under a fitted model. */
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
  printf("  minimum possible (diagonal) %.6f\n", mom[2]);
  printf("  E[S] under uniformity       %.6f\n", mom[0]);
  printf("  sd[S] under uniformity      %.6f\n", sqrt(mom[1]));
  printf("  standardised excess         %.3f\n", (s - mom[0]) / sqrt(mom[1]));
  printf("  P(S >= s), saddlepoint      %.4f\n", p);

  /* Posterior draws of the arc-length excess of the weighted ogive. */
  enum { M = 2000 };
  const int m = M, seed = 2026;
  static double pairs[2 * M], arc[M], ks[M];
  bb_post(&n, u, &m, &seed, pairs);
  double mean_arc = 0.0, mean_ks = 0.0;
  for (int i = 0; i < M; ++i) {
    arc[i] = pairs[2 * i];
    ks[i] = pairs[2 * i + 1];
    mean_arc += arc[i] / M;
    mean_ks += ks[i] / M;
  }
  qsort(arc, M, sizeof arc[0], cmp);
  qsort(ks, M, sizeof ks[0], cmp);
  printf("\nBayesian bootstrap (%d draws, seed %d)\n", M, seed);
  printf("  arc-length excess: mean %.5f, 95%% interval [%.5f, %.5f]\n", mean_arc,
         arc[(int)(0.025 * M)], arc[(int)(0.975 * M) - 1]);
  printf("  largest corner distance: mean %.4f, median %.4f\n", mean_ks, ks[M / 2]);

  /* A kappa-4 growth curve y = g0 + g1 F(x; mu, sg, k, h) fitted by least
   * squares to 40 slightly noisy points, and its three readings. */
  enum { NF = 40 };
  const int nf = NF, grid = 4000;
  double x[NF], y[NF];
  for (int i = 0; i < NF; ++i) {
    x[i] = -2.0 + 6.0 * i / (NF - 1);
    y[i] = 0.5 + 2.0 * k4_F(x[i], 0.8, 0.9, 0.1, 0.4) + 0.01 * ((i * 7) % 5 - 2);
  }
  /* start in the fit's coordinates: g0, log g1, mu, log sg, k, log h */
  const double start[6] = {0.4, log(1.8), 0.6, log(1.0), 0.05, log(0.5)};
  double fit[7], rd[3];
  noxk4_fit_nls(x, y, &nf, start, fit);
  noxk4_readings(fit, &grid, rd);
  printf("\nKappa-4 curve fit (%d points)\n", NF);
  printf("  g0 %.4f  g1 %.4f  mu %.4f  sg %.4f  k %.4f  h %.4f\n", fit[0], fit[1], fit[2],
         fit[3], fit[4], fit[5]);
  printf("  residual sum of squares     %.3g\n", fit[6]);
  printf("  readings: tangent foot %.4f, first bend %.4f, steepest point %.4f\n", rd[0], rd[1],
         rd[2]);
  return 0;
}
