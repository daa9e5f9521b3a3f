// Internal pieces of the Fourier-series circular family and of its fit by
// circular L-moments: the polynomial whose squared modulus on the unit circle
// is the quantile density, its quantile table, and the complex arithmetic of
// the factorisation.
#ifndef NOXARA_NOXCIRC_FOURIER_H
#define NOXARA_NOXCIRC_FOURIER_H

#include <cmath>
#include <cstddef>

#include "noxcirc.h"

namespace noxara {

// |p(z)|^2 at z = exp(2*pi*i*u) for p(z) = sum c_j z^j, c_j = pre[j] + i*pim[j],
// by Horner's rule from the highest coefficient down. 0 for np <= 0.
double noxc_fr_mod2(double u, const double* pre, const double* pim, int np);

// Sum of |c_j|^2 in index order.
double noxc_fr_norm(const double* pre, const double* pim, int np);

// tab[k] = Q(k/nodes), k = 0..nodes (nodes >= 1): Simpson's rule on each of
// the nodes equal intervals of the normalised quantile density.
void noxc_fr_Qtable(const double* pre, const double* pim, int np, int nodes,
                    double* tab);

// Q(u) by linear interpolation in the table (nodes >= 1); NaN for a NaN u.
double noxc_tab_at(const double* tab, int nodes, double u);

// Unit-scale distribution function: the u with Q(u) = t, by bisection on the
// table index and linear interpolation inside the bracketing interval.
double noxc_tab_inv(const double* tab, int nodes, double t);

// Real trigonometric polynomial 1 + 2*sum_m Re(rho_m exp(2*pi*i*m*u)),
// m = 1..M, rho_m = rr[m-1] + i*ri[m-1].
double noxc_q_of_rho(double u, const double* rr, const double* ri, int M);

// Complex numbers of the factorisation.
struct noxc_cx {
  double r;
  double i;
};

inline noxc_cx noxc_cxm(noxc_cx a, noxc_cx b) {
  return noxc_cx{a.r * b.r - a.i * b.i, a.r * b.i + a.i * b.r};
}
inline noxc_cx noxc_cxs(noxc_cx a, noxc_cx b) { return noxc_cx{a.r - b.r, a.i - b.i}; }
inline noxc_cx noxc_cxd(noxc_cx a, noxc_cx b) {
  const double d = b.r * b.r + b.i * b.i;
  return noxc_cx{(a.r * b.r + a.i * b.i) / d, (a.i * b.r - a.r * b.i) / d};
}
inline double noxc_cxmod(noxc_cx a) { return std::sqrt(a.r * a.r + a.i * a.i); }

// Horner evaluation of c[0] + c[1] z + ... + c[d] z^d (d >= 0).
inline noxc_cx noxc_polyval(const noxc_cx* c, std::size_t d, noxc_cx z) {
  noxc_cx w = c[d];
  for (std::size_t j = d; j-- > 0;) {
    const noxc_cx t = noxc_cxm(w, z);
    w = noxc_cx{t.r + c[j].r, t.i + c[j].i};
  }
  return w;
}

}  // namespace noxara

#endif
