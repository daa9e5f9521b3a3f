/* Objectives for the Nelder-Mead comparison of the peer benchmarks, and one
 * .C-callable driver for R. Built by the benchmark scripts at run time against
 * the library under test. */
#include "noxara.h"

/* Sum of (p_i - (i + 1))^2 * (i + 1). */
double peer_quadratic(const double* p, const void* ctx) {
  const int d = *(const int*)ctx;
  double s = 0.0;
  for (int i = 0; i < d; ++i) {
    const double e = p[i] - (double)(i + 1);
    s += e * e * (double)(i + 1);
  }
  return s;
}

/* Rosenbrock's valley in d dimensions. */
double peer_rosenbrock(const double* p, const void* ctx) {
  const int d = *(const int*)ctx;
  double s = 0.0;
  for (int i = 0; i + 1 < d; ++i) {
    const double a = p[i + 1] - p[i] * p[i];
    const double b = 1.0 - p[i];
    s += 100.0 * a * a + b * b;
  }
  return s;
}

/* .C entry: which = 0 quadratic, 1 Rosenbrock; reps minimisations from start. */
void peer_nmd(const int* which, const int* d, const double* start, const int* maxit,
              const int* reps, double* xout, double* fout) {
  objfn f = (*which == 0) ? peer_quadratic : peer_rosenbrock;
  for (int r = 0; r < *reps; ++r) noxk4_nmd(f, d, *d, start, *maxit, xout, fout);
}
