// Fourier-series circular family: the quantile density is the squared modulus
// of a complex polynomial in z = exp(2*pi*i*u), divided by the sum of squared
// coefficient moduli so that it integrates to 1 over [0, 1]. The quantile
// function is tabulated on an equal grid by Simpson's rule and interpolated.
#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "noxcirc.h"
#include "noxcirc_fourier.h"
#include "numerics/common.h"
#include "numerics/scratch.h"

namespace noxara {

double noxc_fr_mod2(double u, const double* pre, const double* pim, int np) {
  if (np <= 0) return 0.0;
  const double a = kCircTwoPi * u;
  const double zr = std::cos(a);
  const double zi = std::sin(a);
  double sr = 0.0;
  double si = 0.0;
  for (std::size_t j = static_cast<std::size_t>(np); j-- > 0;) {
    const double tr = sr * zr - si * zi + pre[j];
    const double ti = si * zr + sr * zi + pim[j];
    sr = tr;
    si = ti;
  }
  return sr * sr + si * si;
}

double noxc_fr_norm(const double* pre, const double* pim, int np) {
  double s = 0.0;
  for (int j = 0; j < np; ++j) s += pre[j] * pre[j] + pim[j] * pim[j];
  return s;
}

void noxc_fr_Qtable(const double* pre, const double* pim, int np, int nodes,
                    double* tab) {
  const double h = 1.0 / nodes;
  double S = noxc_fr_norm(pre, pim, np);
  if (S <= 0) S = 1.0;
  tab[0] = 0.0;
  double q0 = noxc_fr_mod2(0.0, pre, pim, np) / S;
  const std::size_t N = static_cast<std::size_t>(nodes);
  for (std::size_t k = 0; k < N; ++k) {
    const double qm = noxc_fr_mod2((static_cast<double>(k) + 0.5) * h, pre, pim, np) / S;
    const double q1 = noxc_fr_mod2(static_cast<double>(k + 1) * h, pre, pim, np) / S;
    tab[k + 1] = tab[k] + (4 * qm + q0 + q1) * h / 6;
    q0 = q1;
  }
}

double noxc_tab_at(const double* tab, int nodes, double u) {
  if (std::isnan(u)) return nan_marker();
  const std::size_t N = static_cast<std::size_t>(nodes);
  if (u <= 0) return tab[0];
  if (u >= 1) return tab[N];
  // 0 < u < 1, so 0 <= x < nodes (x may round up to nodes, caught below).
  const double x = nodes * u;
  std::size_t k = static_cast<std::size_t>(x);
  if (k >= N) k = N - 1;
  const double f = x - static_cast<double>(k);
  return f * tab[k + 1] + (1 - f) * tab[k];
}

double noxc_tab_inv(const double* tab, int nodes, double t) {
  const std::size_t N = static_cast<std::size_t>(nodes);
  if (t <= tab[0]) return 0.0;
  if (t >= tab[N]) return 1.0;
  std::size_t lo = 0;
  std::size_t hi = N;
  while (hi - lo > 1) {
    const std::size_t mid = (lo + hi) / 2;
    if (t >= tab[mid]) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  const double a = tab[lo];
  const double b = tab[hi];
  if (b <= a) return static_cast<double>(lo) / nodes;
  return (static_cast<double>(lo) + (t - a) / (b - a)) / nodes;
}

}  // namespace noxara

using noxara::kCircTwoPi;

extern "C" NOXARA_API void noxc_qd_fr(const double* u, const int* nu, const double* pre,
                                      const double* pim, const int* np, double* out) {
  const int n = *nu;
  const int npc = *np;
  if (n <= 0) return;
  const double S = noxara::noxc_fr_norm(pre, pim, npc);
  for (int i = 0; i < n; ++i) {
    out[i] = (S > 0) ? noxara::noxc_fr_mod2(u[i], pre, pim, npc) / S : 1.0;
  }
}

extern "C" NOXARA_API void noxc_trigmom_fr(const int* p, const double* pre, const double* pim,
                                           const int* np, const double* mu, const int* nodes,
                                           double* out) {
  const int pp = *p;
  const int npc = *np;
  const int N = *nodes;
  // Without nodes there is no rule to apply: the moment is not available.
  if (N <= 0) {
    out[0] = noxara::nan_marker();
    out[1] = noxara::nan_marker();
    return;
  }
  const double h = 1.0 / N;
  double S = noxara::noxc_fr_norm(pre, pim, npc);
  if (S <= 0) S = 1.0;
  double q0 = noxara::noxc_fr_mod2(0.0, pre, pim, npc) / S;
  double Q = 0.0;
  double sr = 0.0;
  double si = 0.0;
  const double w = kCircTwoPi * pp;
  for (int k = 0; k < N; ++k) {
    const double qm = noxara::noxc_fr_mod2((k + 0.5) * h, pre, pim, npc) / S;
    const double q1 = noxara::noxc_fr_mod2(static_cast<double>(k + 1) * h, pre, pim, npc) / S;
    // Q at the midpoint from the quadratic through q0, qm, q1.
    const double Qm = Q + (5 * q0 + 8 * qm - q1) * h / 24;
    sr += std::cos(w * Qm);
    si += std::sin(w * Qm);
    Q = Q + (4 * qm + q0 + q1) * h / 6;
    q0 = q1;
  }
  sr = sr / N;
  si = si / N;
  const double c = std::cos(pp * *mu);
  const double s = std::sin(pp * *mu);
  out[0] = c * sr - s * si;
  out[1] = s * sr + c * si;
}

extern "C" NOXARA_API void noxc_Q_fr(const double* u, const int* nu, const double* pre,
                                     const double* pim, const int* np, const int* nodes,
                                     double* out) {
  const int n = *nu;
  const int N = *nodes;
  if (n <= 0) return;
  // A table needs at least one interval.
  if (N < 1) {
    noxara::fill_nan(out, static_cast<std::size_t>(n));
    return;
  }
  noxara::Scratch<double> tab(static_cast<std::size_t>(N) + 1);
  if (!tab.ok()) return;
  noxara::noxc_fr_Qtable(pre, pim, *np, N, tab.data());
  for (int i = 0; i < n; ++i) out[i] = noxara::noxc_tab_at(tab.data(), N, u[i]);
}

extern "C" NOXARA_API void noxc_dens_fr(const double* theta, const int* nth, const double* pre,
                                        const double* pim, const int* np, const double* mu,
                                        const int* nodes, double* out) {
  const int n = *nth;
  const int npc = *np;
  const int N = *nodes;
  if (n <= 0) return;
  if (N < 0) {
    noxara::fill_nan(out, static_cast<std::size_t>(n));
    return;
  }
  noxara::Scratch<double> tab(static_cast<std::size_t>(N) + 1);
  if (!tab.ok()) return;
  noxara::noxc_fr_Qtable(pre, pim, npc, N, tab.data());
  double S = noxara::noxc_fr_norm(pre, pim, npc);
  if (S <= 0) S = 1.0;
  const double m = *mu;
  for (int i = 0; i < n; ++i) {
    const double t = noxara::noxc_wrap01((theta[i] - m) / kCircTwoPi);
    const double uu = noxara::noxc_tab_inv(tab.data(), N, t);
    const double q = noxara::noxc_fr_mod2(uu, pre, pim, npc) / S;
    out[i] = (q > 0) ? 1 / (q * kCircTwoPi) : 0.0;
  }
}

extern "C" NOXARA_API void noxc_rand_fr(const double* unif, const int* n, const double* pre,
                                        const double* pim, const int* np, const double* mu,
                                        const int* nodes, double* out) {
  const int nn = *n;
  const int N = *nodes;
  if (nn <= 0) return;
  if (N < 1) {
    noxara::fill_nan(out, static_cast<std::size_t>(nn));
    return;
  }
  noxara::Scratch<double> tab(static_cast<std::size_t>(N) + 1);
  if (!tab.ok()) return;
  noxara::noxc_fr_Qtable(pre, pim, *np, N, tab.data());
  const double m = *mu;
  for (int i = 0; i < nn; ++i) {
    double x = std::fmod(noxara::noxc_tab_at(tab.data(), N, unif[i]) * kCircTwoPi + m,
                         kCircTwoPi);
    if (x < 0) x = x + kCircTwoPi;
    if (x >= kCircTwoPi) x = 0.0;  // a tiny negative angle rounds up to 2*pi: the same angle as 0
    out[i] = x;
  }
}
