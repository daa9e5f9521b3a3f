#include "numerics/gl01.h"

#include <cmath>

namespace noxara {

namespace {

// P_n(z), P_{n-1}(z) by the three-term recurrence, and P_n'(z).
void legendre(int n, double z, double* pn, double* pnm1, double* dpn) {
  double p0 = 1.0;
  double p1 = z;
  for (long long k = 2; k <= n; ++k) {
    const double p2 = ((2.0 * k - 1.0) * z * p1 - (k - 1.0) * p0) / k;
    p0 = p1;
    p1 = p2;
  }
  *pn = p1;
  *pnm1 = p0;
  *dpn = n * (z * p1 - p0) / (z * z - 1.0);
}

}  // namespace

void gl01(int n, double* x01, double* w01) {
  if (n <= 0) return;
  const double pi = 3.141592653589793;
  for (int i = 0; i < n; ++i) {
    double z = std::cos(pi * (i + 0.75) / (n + 0.5));
    double pn, pnm1, dpn;
    for (int it = 0; it < 100; ++it) {
      legendre(n, z, &pn, &pnm1, &dpn);
      const double dz = pn / dpn;
      z = z - dz;
      if (std::fabs(dz) < 1e-15) break;
    }
    legendre(n, z, &pn, &pnm1, &dpn);
    x01[i] = (z + 1.0) * 0.5;
    // (1 - z^2) times P_n' times P_n', in that order.
    w01[i] = 1.0 / ((1.0 - z * z) * dpn * dpn);
  }
}

}  // namespace noxara
