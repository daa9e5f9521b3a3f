// Shared machinery of the curve fits: the quantile grid of the beta-kernel
// family, the bc curve evaluated on it, table interpolation, the automatic
// block length of a residual series and the moving-block draw.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "noxara.h"
#include "noxeq2.h"
#include "noxeqfit.h"
#include "numerics/blocks.h"
#include "numerics/common.h"

namespace noxara {

double ef_logis(double p) noexcept { return 1.0 / (1.0 + std::exp(-p)); }

double ef_lbeta(double a, double b) noexcept {
  return lgamma_nosign(a) + lgamma_nosign(b) - lgamma_nosign(a + b);
}

namespace {

// The fixed abscissae of the grid with their logarithms, the same for every
// grid: built once (thread-safe initialisation of a local static) and only
// read afterwards.
struct GridAbscissae {
  double u[kEfNg], lu[kEfNg], l1u[kEfNg];
  GridAbscissae() noexcept {
    for (int i = 0; i < kEfNg; ++i) {
      u[i] = (static_cast<double>(i) * 0.999999998) / 2048.0 + 1e-9;
      lu[i] = std::log(u[i]);
      l1u[i] = std::log1p(-u[i]);
    }
  }
};

const GridAbscissae& grid_abscissae() noexcept {
  static const GridAbscissae g;
  return g;
}

}  // namespace

void ef_grid(double al, double be, double* ug, double* Qg, double* Bab) noexcept {
  const GridAbscissae& g = grid_abscissae();
  std::memcpy(ug, g.u, sizeof g.u);
  // Qg = noxeq2_bc_q(ug): every abscissa lies inside (0, 1).
  bc_q_tab_(kEfNg, g.u, g.lu, g.l1u, al, be, Qg);
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

bool ef_level_height(const double* y, const double* F, int n, double* g0,
                     double* g1) noexcept {
  const std::size_t un = n > 0 ? static_cast<std::size_t>(n) : 0;
  const double s1 = static_cast<double>(n);
  double sF = 0.0, sFF = 0.0, sy = 0.0, sFy = 0.0;
  for (std::size_t i = 0; i < un; ++i) {
    sF += F[i];
    sFF += F[i] * F[i];
    sy += y[i];
    sFy += F[i] * y[i];
  }
  const double det = sFF * s1 - sF * sF;
  if (!(std::fabs(det) > (sFF * s1 + 1.0) * 1e-12)) return false;
  *g1 = (sFy * s1 - sF * sy) / det;
  *g0 = (sy - sF * *g1) / s1;
  return true;
}

int ef_blocklen(const double* r, int n) noexcept { return acf_blocklen(r, n); }

bool ef_blockdraw(const double* m0, const double* r0, int n, int bl, std::uint64_t& s,
                  double* yb) noexcept {
  if (!moving_block_draw(m0, r0, n, bl, s, yb)) {
    if (n > 0) fill_nan(yb, static_cast<std::size_t>(n));
    return false;
  }
  return true;
}

}  // namespace noxara

extern "C" NOXARA_API void noxeqfit_blocklen(const double* r, const int* n, int* out) {
  out[0] = noxara::ef_blocklen(r, *n);
}
