// Shared machinery of the curve fits: the quantile grid of the beta-kernel
// family, the bc curve evaluated on it, table interpolation, the automatic
// block length of a residual series and the moving-block draw.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "noxara.h"
#include "noxeqfit.h"
#include "numerics/common.h"

namespace noxara {

double ef_logis(double p) noexcept { return 1.0 / (1.0 + std::exp(-p)); }

double ef_lbeta(double a, double b) noexcept {
  return std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b);
}

void ef_grid(double al, double be, double* ug, double* Qg, double* Bab) noexcept {
  for (int i = 0; i < kEfNg; ++i)
    ug[i] = (static_cast<double>(i) * 0.999999998) / 2048.0 + 1e-9;
  const int ng = kEfNg;
  noxeq2_bc_q(&ng, ug, &al, &be, Qg);
  *Bab = std::exp(ef_lbeta(al + 1.0, be + 1.0));
}

void ef_mbc_g(const double* x, int n, const double* th, double* out,
              const double* ug, const double* Qg, double Bab) noexcept {
  const double g0 = th[0], g1 = th[1], mu = th[2], sr = th[3];
  const double qlo = Qg[0], qhi = Qg[kEfNg - 1];
  for (int i = 0; i < n; ++i) {
    // Position inside the rising window; a NaN position stays NaN.
    double z = (x[i] - mu) / sr;
    if (z < 1e-9)
      z = 1e-9;
    else if (z > 0.999999999)
      z = 0.999999999;
    const double t = z * Bab;
    double u;
    if (t <= qlo) {
      u = ug[0];
    } else if (t >= qhi) {
      u = ug[kEfNg - 1];
    } else {
      int lo = 0, hi = kEfNg - 1;
      while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (t >= Qg[mid])
          lo = mid;
        else
          hi = mid;
      }
      u = ug[lo] + (ug[lo + 1] - ug[lo]) * (t - Qg[lo]) / (Qg[lo + 1] - Qg[lo]);
    }
    out[i] = g0 + g1 * u;
  }
}

void ef_mbc(const double* x, int n, const double* th, double* out) noexcept {
  double ug[kEfNg], Qg[kEfNg], Bab;
  ef_grid(th[4], th[5], ug, Qg, &Bab);
  ef_mbc_g(x, n, th, out, ug, Qg, Bab);
}

double ef_interp(const double* xs, const double* ys, int n, double x, int rule) noexcept {
  if (n < 2 || !std::isfinite(x)) return nan_marker();
  const bool extend = (rule == 2);
  if (x <= xs[0]) {
    if (extend || x == xs[0]) return ys[0];
    return nan_marker();
  }
  if (x >= xs[n - 1]) {
    if (extend || x == xs[n - 1]) return ys[n - 1];
    return nan_marker();
  }
  int lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    if (x >= xs[mid])
      lo = mid;
    else
      hi = mid;
  }
  return ys[lo] + (ys[lo + 1] - ys[lo]) * (x - xs[lo]) / (xs[lo + 1] - xs[lo]);
}

int ef_blocklen(const double* r, int n) noexcept {
  // An empty series has no autocorrelation; the rule's floor applies.
  if (n <= 0) return 2;
  const std::size_t nn = static_cast<std::size_t>(n);
  double sum = 0.0;
  for (std::size_t i = 0; i < nn; ++i) sum += r[i];
  const double rb = sum / static_cast<double>(n);
  double den = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    const double d = r[i] - rb;
    den += d * d;
  }
  const double thr = 2.0 / std::sqrt(static_cast<double>(n));
  const int L = (n - 2 < 200) ? n - 2 : 200;
  for (int l = 1; l <= L; ++l) {
    const std::size_t lag = static_cast<std::size_t>(l);
    double c = 0.0;
    for (std::size_t i = 0; i + lag < nn; ++i) c += (r[i + lag] - rb) * (r[i] - rb);
    if (std::fabs(c / den) < thr) return (l > 2) ? l : 2;
  }
  // n >= 1 here, so the cube root is finite and small: the cast is safe.
  const int b = static_cast<int>(std::pow(static_cast<double>(n), 0.3333333333333333) + 0.5);
  return (b > 2) ? b : 2;
}

bool ef_blockdraw(const double* m0, const double* r0, int n, int bl, std::uint64_t& s,
                  double* yb) noexcept {
  if (bl < 1 || bl > n) {
    if (n > 0) fill_nan(yb, static_cast<std::size_t>(n));
    return false;
  }
  const int nstart = n - bl + 1;  // block starts 0 .. n - bl
  int pos = 0;
  while (pos < n) {
    const double u = ef_unif(s);
    // u < 1 and nstart <= n, so the product lies in [0, n]: the cast is safe.
    int i0 = static_cast<int>(u * static_cast<double>(nstart));
    if (i0 > n - bl) i0 = n - bl;
    for (int i = 0; i < bl && pos < n; ++i) {
      yb[pos] = r0[i0 + i] + m0[pos];
      ++pos;
    }
  }
  return true;
}

}  // namespace noxara

extern "C" NOXARA_API void noxeqfit_blocklen(const double* r, const int* n, int* out) {
  out[0] = noxara::ef_blocklen(r, *n);
}
