// Score statistic of the bc curve: the residuals are regressed on the
// curve's Jacobian in its six parameters, and the explained share of the
// residual sum of squares is returned as an F-type ratio.
#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "noxeqfit.h"
#include "numerics/common.h"
#include "numerics/scratch.h"

namespace noxara {

namespace {

// Central-difference step of a parameter value.
inline double fd_step(double v) { return (std::fabs(v) > 1.0) ? 1e-5 * std::fabs(v) : 1e-5; }

// Column j of the curve's Jacobian at th by central differences, into
// J[j*n .. j*n + n-1]; mp and mm are n doubles of scratch. The grid (ug, Qg,
// Bab) of th's exponents serves the steps in g0, g1, mu and sr; a step in an
// exponent builds its own grid.
void jacobian_column(const double* x, int n, const double* th, int j, const double* ug,
                     const double* Qg, double Bab, double* mp, double* mm, double* J) {
  const std::size_t un = static_cast<std::size_t>(n);
  const double h = fd_step(th[j]);
  double tp[6], tm[6];
  for (int k = 0; k < 6; ++k) tp[k] = tm[k] = th[k];
  tp[j] = th[j] + h;
  tm[j] = th[j] - h;
  if (j < 4) {
    ef_mbc_g(x, n, tp, mp, ug, Qg, Bab);
    ef_mbc_g(x, n, tm, mm, ug, Qg, Bab);
  } else {
    ef_mbc(x, n, tp, mp);
    ef_mbc(x, n, tm, mm);
  }
  double* col = J + static_cast<std::size_t>(j) * un;
  for (std::size_t i = 0; i < un; ++i) col[i] = (mp[i] - mm[i]) / (2.0 * h);
}

// Regression of the residuals e0 (sum of squares sse0) on the six
// column-major Jacobian columns J (n rows each) through the ridged normal
// equations; returns ((sse0 - sse1)^+ / 6) / (sse1 / (n - 6)).
double score_core(const double* J, const double* e0, double sse0, int n) {
  const std::size_t un = static_cast<std::size_t>(n);
  double G[6][6], v[6];
  for (int a = 0; a < 6; ++a) {
    const double* ca = J + static_cast<std::size_t>(a) * un;
    for (int b = a; b < 6; ++b) {
      const double* cb = J + static_cast<std::size_t>(b) * un;
      double s = 0.0;
      for (std::size_t i = 0; i < un; ++i) s += ca[i] * cb[i];
      G[a][b] = s;
      G[b][a] = s;
    }
    double s = 0.0;
    for (std::size_t i = 0; i < un; ++i) s += ca[i] * e0[i];
    v[a] = s;
  }

  // A column without variation, or one negligible beside the others, makes
  // the regression meaningless.
  double dmx = G[0][0], dmn = G[0][0];
  for (int a = 1; a < 6; ++a) {
    if (G[a][a] > dmx) dmx = G[a][a];
    if (G[a][a] < dmn) dmn = G[a][a];
  }
  if (!(dmx > 0) || dmn < dmx * 1e-10) return nan_marker();

  double tr = 0.0;
  for (int a = 0; a < 6; ++a) tr += G[a][a];
  const double ridge = (tr > 0) ? tr * 1e-12 : 1e-12;
  for (int a = 0; a < 6; ++a) G[a][a] += ridge;

  // Cholesky factor G = L L', row by row.
  double L[6][6] = {};
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j <= i; ++j) {
      double s = G[i][j];
      for (int k = 0; k < j; ++k) s -= L[i][k] * L[j][k];
      if (i == j) {
        if (!(s > 0)) return nan_marker();
        L[i][i] = std::sqrt(s);
      } else {
        L[i][j] = s / L[j][j];
      }
    }
  }
  double w[6], beta[6];
  for (int i = 0; i < 6; ++i) {
    double s = v[i];
    for (int k = 0; k < i; ++k) s -= L[i][k] * w[k];
    w[i] = s / L[i][i];
  }
  for (int i = 5; i >= 0; --i) {
    double s = w[i];
    for (int k = i + 1; k < 6; ++k) s -= L[k][i] * beta[k];
    beta[i] = s / L[i][i];
  }

  double sse1 = 0.0;
  for (std::size_t i = 0; i < un; ++i) {
    double fit = 0.0;
    for (int j = 0; j < 6; ++j) fit += J[static_cast<std::size_t>(j) * un + i] * beta[j];
    const double r = e0[i] - fit;
    sse1 += r * r;
  }
  if (sse1 <= 0) return nan_marker();
  return (std::fmax(sse0 - sse1, 0.0) / 6.0) / (sse1 / static_cast<double>(n - 6));
}

}  // namespace

double ef_scoreF6p(const double* x, const double* y, int n, double mu, double sg,
                   double al, double be, double* wk) noexcept {
  // Six regression columns need more than six observations.
  if (n <= 6) return nan_marker();
  const std::size_t un = static_cast<std::size_t>(n);

  int nin = 0;
  for (std::size_t i = 0; i < un; ++i) {
    const double z = (x[i] - mu) / sg;
    if (z > 1e-9 && z < 0.999999999) ++nin;
  }
  if (nin <= 11 || nin < n / 10) return nan_marker();

  double thF[6] = {0.0, 1.0, mu, sg, al, be};
  double ug[kEfNg], Qg[kEfNg], Bab;
  ef_grid(al, be, ug, Qg, &Bab);

  double* e0 = wk;
  double* mp = wk + 2 * un;
  double* mm = wk + 3 * un;
  double* J = wk + 4 * un;
  double* F = J + un;  // column 1 is the curve itself
  ef_mbc_g(x, n, thF, F, ug, Qg, Bab);

  // Level and height by least squares of y on (1, F).
  double g0, g1;
  if (!ef_level_height(y, F, n, &g0, &g1)) return nan_marker();

  double sse0 = 0.0;
  for (std::size_t i = 0; i < un; ++i) {
    e0[i] = y[i] - g0 - g1 * F[i];
    sse0 += e0[i] * e0[i];
  }

  for (std::size_t i = 0; i < un; ++i) J[i] = 1.0;
  for (int j = 2; j < 6; ++j) jacobian_column(x, n, thF, j, ug, Qg, Bab, mp, mm, J);
  return score_core(J, e0, sse0, n);
}

double ef_scoreF6(const double* x, const double* y, int n, const double* th,
                  double* wk) noexcept {
  if (n <= 6) return nan_marker();
  const std::size_t un = static_cast<std::size_t>(n);
  double* e0 = wk;
  double* mp = wk + 2 * un;
  double* mm = wk + 3 * un;
  double* J = wk + 4 * un;

  // The curve's grid depends on (al, be) alone: the base grid serves the
  // curve itself and the steps in g0, g1, mu and sr.
  double ug[kEfNg], Qg[kEfNg], Bab;
  ef_grid(th[4], th[5], ug, Qg, &Bab);
  ef_mbc_g(x, n, th, mp, ug, Qg, Bab);
  double sse0 = 0.0;
  for (std::size_t i = 0; i < un; ++i) {
    e0[i] = y[i] - mp[i];
    sse0 += e0[i] * e0[i];
  }

  for (int j = 0; j < 6; ++j) jacobian_column(x, n, th, j, ug, Qg, Bab, mp, mm, J);
  return score_core(J, e0, sse0, n);
}

}  // namespace noxara

extern "C" NOXARA_API void noxeqfit_score_at(const double* x, const double* y, const int* n,
                                             const double* mu, const double* sg,
                                             const double* al, const double* be,
                                             double* out) {
  const int nn = *n;
  out[0] = noxara::nan_marker();
  // The statistic divides by n - 6 and needs 10n doubles of scratch.
  if (nn <= 6) return;
  noxara::Scratch<double> wk(10 * static_cast<std::size_t>(nn));
  if (!wk.ok()) return;
  out[0] = noxara::ef_scoreF6p(x, y, nn, *mu, *sg, *al, *be, wk.data());
}
