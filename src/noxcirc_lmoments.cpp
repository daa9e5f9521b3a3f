// Fit of the Fourier-series circular family to a sample of angles. The sample's
// unit-scale quantile function is summarised by its first M complex Fourier
// coefficients (circular L-moments), which give the Fourier coefficients rho_m
// of the quantile density; the density is shrunk toward the uniform until its
// minimum on a grid clears a margin, and the non-negative trigonometric
// polynomial is factorised as |p(z)|^2 with p of degree M through the roots of
// the self-reciprocal polynomial z^M q.
#include <cmath>
#include <cstddef>

#include "noxara.h"
#include "noxcirc.h"
#include "noxcirc_fourier.h"
#include "numerics/common.h"
#include "numerics/scratch.h"

namespace noxara {

double noxc_q_of_rho(double u, const double* rr, const double* ri, int M) {
  double s = 0.0;
  // The counter runs one past M: a wide type keeps M = INT_MAX from
  // overflowing it (its value as a double is the same). Likewise below.
  for (long long m = 1; m <= M; ++m) {
    const double a = m * kCircTwoPi * u;
    s += std::cos(a) * rr[m - 1] - std::sin(a) * ri[m - 1];
  }
  return 1 + 2 * s;
}

namespace {

// Circular L-moments ell_1..ell_M of positions x[0..n-1] in [0, 1), written
// interleaved. False (nothing written) when the sorted copy cannot be had.
bool lmom_into(const double* x, int n, int M, double* out) {
  const std::size_t ns = n > 0 ? static_cast<std::size_t>(n) : 0;
  Scratch<double> xs(ns);
  if (!xs.ok()) return false;
  for (std::size_t k = 0; k < ns; ++k) xs[k] = x[k];
  sort_doubles(xs.data(), ns);
  for (long long m = 1; m <= M; ++m) {
    const double c = kCircTwoPi * m;
    double re = 0.0;
    double im = 0.0;
    double s0 = std::sin(0.0);
    double c0 = std::cos(0.0);
    // Exact integral of exp(-i*c*u) over [(k-1)/n, k/n] times the step value.
    for (long long k = 1; k <= n; ++k) {
      const double a = k * (-c) / n;
      const double s1 = std::sin(a);
      const double c1 = std::cos(a);
      const double xk = xs[static_cast<std::size_t>(k - 1)];
      re += (s0 - s1) / c * xk;
      im += -(c0 - c1) / c * xk;
      s0 = s1;
      c0 = c1;
    }
    const std::size_t o = 2 * static_cast<std::size_t>(m - 1);
    out[o] = re;
    out[o + 1] = im;
  }
  return true;
}

// Minimum of the trigonometric polynomial over u = j/nodes, j = 0..nodes-1
// (1e300 without nodes).
double qmin_grid(const double* rr, const double* ri, int M, int nodes) {
  double mn = 1e300;
  for (int j = 0; j < nodes; ++j) {
    const double v = noxc_q_of_rho(static_cast<double>(j) / nodes, rr, ri, M);
    if (v < mn) mn = v;
  }
  return mn;
}

// Largest grid (M times nodes) whose cosines and sines the shrinkage tabulates.
constexpr std::size_t kQminTableMax = std::size_t(1) << 20;

// qmin_grid from tabulated cos/sin of the angles m*2*pi*(j/nodes), stored
// row j, column m-1.
double qmin_table(const double* cs, const double* sn, const double* rr, const double* ri,
                  std::size_t M, std::size_t N) {
  double mn = 1e300;
  for (std::size_t j = 0; j < N; ++j) {
    const double* c = cs + j * M;
    const double* s = sn + j * M;
    double acc = 0.0;
    for (std::size_t m = 0; m < M; ++m) acc += c[m] * rr[m] - s[m] * ri[m];
    const double v = 1 + 2 * acc;
    if (v < mn) mn = v;
  }
  return mn;
}

// Shrinks rho toward 0 (the density toward the uniform) until the minimum of
// q clears the margin: out = t*rho interleaved, out[2M] = t. M >= 0.
bool admiss_into(const double* rr, const double* ri, int M, double margin, int nodes,
                 double* out) {
  const std::size_t Ms = static_cast<std::size_t>(M);
  Scratch<double> tr(Ms);
  Scratch<double> ti(Ms);
  if (!tr.ok() || !ti.ok()) return false;
  if (qmin_grid(rr, ri, M, nodes) >= margin) {
    for (std::size_t m = 0; m < Ms; ++m) {
      out[2 * m] = rr[m];
      out[2 * m + 1] = ri[m];
    }
    out[2 * Ms] = 1.0;
    return true;
  }
  // t*rho gives q_t(u) = 1 + t*(q(u) - 1): bisection for the largest
  // admissible t. The grid's cosines and sines do not depend on t, so they
  // are tabulated once when the table is of moderate size (same values, same
  // order of operations as the direct evaluation).
  const std::size_t Ns = nodes > 0 ? static_cast<std::size_t>(nodes) : 0;
  const bool tabulate = Ns > 0 && Ms > 0 && Ms <= kQminTableMax / Ns;
  Scratch<double> cs(tabulate ? Ms * Ns : 0);
  Scratch<double> sn(tabulate ? Ms * Ns : 0);
  const bool use_tab = tabulate && cs.ok() && sn.ok();
  if (use_tab) {
    for (std::size_t j = 0; j < Ns; ++j) {
      const double u = static_cast<double>(j) / nodes;
      for (std::size_t m = 1; m <= Ms; ++m) {
        const double a = static_cast<int>(m) * kCircTwoPi * u;
        cs[j * Ms + m - 1] = std::cos(a);
        sn[j * Ms + m - 1] = std::sin(a);
      }
    }
  }
  double lo = 0.0;
  double hi = 1.0;
  for (int it = 0; it < 80; ++it) {
    const double t = (lo + hi) * 0.5;
    for (std::size_t m = 0; m < Ms; ++m) {
      tr[m] = t * rr[m];
      ti[m] = t * ri[m];
    }
    const double mn = use_tab ? qmin_table(cs.data(), sn.data(), tr.data(), ti.data(), Ms, Ns)
                              : qmin_grid(tr.data(), ti.data(), M, nodes);
    if (mn >= margin) {
      lo = t;
    } else {
      hi = t;
    }
  }
  for (std::size_t m = 0; m < Ms; ++m) {
    out[2 * m] = lo * rr[m];
    out[2 * m + 1] = lo * ri[m];
  }
  out[2 * Ms] = lo;
  return true;
}

// Durand-Kerner (Weierstrass) iteration, sequential form, for the D roots of
// c[0] + ... + c[D] z^D. Starts on a circle of radius 0.9 turned by 0.4 radian;
// at most 500 sweeps, stopping after the first sweep whose total correction
// falls below 1e-14.
void durand_kerner(const noxc_cx* c, std::size_t D, noxc_cx* z) {
  for (std::size_t k = 0; k < D; ++k) {
    const double a = kCircTwoPi * static_cast<double>(k) / static_cast<double>(D) + 0.4;
    z[k] = noxc_cx{0.9 * std::cos(a), 0.9 * std::sin(a)};
  }
  for (int sweep = 0; sweep < 500; ++sweep) {
    double move = 0.0;
    for (std::size_t k = 0; k < D; ++k) {
      const noxc_cx num = noxc_polyval(c, D, z[k]);
      noxc_cx den = c[D];
      for (std::size_t j = 0; j < D; ++j) {
        if (j != k) den = noxc_cxm(den, noxc_cxs(z[k], z[j]));
      }
      if (den.r * den.r + den.i * den.i != 0) {
        const noxc_cx delta = noxc_cxd(num, den);
        z[k] = noxc_cxs(z[k], delta);
        move += noxc_cxmod(delta);
      }
    }
    if (move < 1e-14) break;
  }
}

// Unit-norm p of degree <= M with |p(exp(2*pi*i*u))|^2 = q(u), written as
// M + 1 interleaved coefficients. M >= 1.
bool factorise_into(const double* rr, const double* ri, int M, double* out) {
  const std::size_t Ms = static_cast<std::size_t>(M);
  const std::size_t L = 2 * Ms;
  Scratch<noxc_cx> c(L + 1);
  Scratch<noxc_cx> z(L);
  Scratch<noxc_cx> w(Ms + 1);
  if (!c.ok() || !z.ok() || !w.ok()) return false;

  // Self-reciprocal polynomial P(z) = z^M q(u) on |z| = 1: c_k = conj(c_(2M-k)).
  for (std::size_t k = 0; k < Ms; ++k) c[k] = noxc_cx{rr[Ms - k - 1], -ri[Ms - k - 1]};
  c[Ms] = noxc_cx{1.0, 0.0};
  for (std::size_t k = Ms + 1; k <= L; ++k) c[k] = noxc_cx{rr[k - Ms - 1], ri[k - Ms - 1]};

  double cmax = 0.0;
  for (std::size_t k = 0; k <= L; ++k) {
    const double a = noxc_cxmod(c[k]);
    if (a > cmax) cmax = a;
  }
  const double tol = (cmax > 0) ? 1e-12 * cmax : 1e-12;
  std::size_t d = 0;
  for (std::size_t k = 0; k <= L; ++k) {
    if (noxc_cxmod(c[k]) > tol) d = k;
  }
  if (d < 2) {
    out[0] = 1.0;
    out[1] = 0.0;
    for (std::size_t k = 2; k < L + 2; ++k) out[k] = 0.0;
    return true;
  }
  // Vanishing top coefficients come with as many vanishing bottom ones (their
  // conjugates): divide out that power of z, or the roots at 0 would take the
  // place of genuine roots in the factor. The reduced polynomial has even
  // degree D and the factor degree D/2 <= M.
  const std::size_t low = L - d;
  const std::size_t D = d - low;
  durand_kerner(c.data() + low, D, z.data());

  // Roots by increasing modulus (exchange sort).
  for (std::size_t a = 0; a < D; ++a) {
    for (std::size_t b = a + 1; b < D; ++b) {
      if (noxc_cxmod(z[b]) < noxc_cxmod(z[a])) {
        const noxc_cx tmp = z[a];
        z[a] = z[b];
        z[b] = tmp;
      }
    }
  }
  // p(z) = product of (z - r) over the D/2 roots inside the unit circle.
  const std::size_t half = D / 2;
  w[0] = noxc_cx{1.0, 0.0};
  for (std::size_t k = 1; k <= Ms; ++k) w[k] = noxc_cx{0.0, 0.0};
  for (std::size_t s = 0; s < half; ++s) {
    const noxc_cx r = z[s];
    for (std::size_t k = s + 1; k >= 1; --k) w[k] = noxc_cxs(w[k - 1], noxc_cxm(r, w[k]));
    w[0] = noxc_cxm(noxc_cx{-r.r, -r.i}, w[0]);
  }
  double nrm = 0.0;
  for (std::size_t k = 0; k <= Ms; ++k) nrm += w[k].r * w[k].r + w[k].i * w[k].i;
  nrm = std::sqrt(nrm);
  if (nrm <= 0) nrm = 1.0;
  for (std::size_t k = 0; k <= Ms; ++k) {
    if (k <= half) {
      out[2 * k] = w[k].r / nrm;
      out[2 * k + 1] = w[k].i / nrm;
    } else {
      out[2 * k] = 0.0;
      out[2 * k + 1] = 0.0;
    }
  }
  return true;
}

}  // namespace
}  // namespace noxara

using noxara::kCircTwoPi;

extern "C" NOXARA_API void noxc_lmom(const double* x, const int* n, const int* nm,
                                     double* out) {
  noxara::lmom_into(x, *n, *nm, out);
}

extern "C" NOXARA_API void noxc_rho_from_lmom(const double* ellre, const double* ellim,
                                              const int* nm, double* out) {
  const int M = *nm;
  for (long long m = 1; m <= M; ++m) {
    const std::size_t o = 2 * static_cast<std::size_t>(m - 1);
    out[o] = 1 - kCircTwoPi * m * ellim[m - 1];
    out[o + 1] = kCircTwoPi * m * ellre[m - 1];
  }
}

extern "C" NOXARA_API void noxc_qmin_rho(const double* rhore, const double* rhoim,
                                         const int* nm, const int* nodes, double* out) {
  out[0] = noxara::qmin_grid(rhore, rhoim, *nm, *nodes);
}

extern "C" NOXARA_API void noxc_admiss(const double* rhore, const double* rhoim,
                                       const int* nm, const double* margin, const int* nodes,
                                       double* out) {
  // The shrink factor goes to out[2M]: a negative M has no such slot.
  if (*nm < 0) return;
  noxara::admiss_into(rhore, rhoim, *nm, *margin, *nodes, out);
}

extern "C" NOXARA_API void noxc_factorise(const double* rhore, const double* rhoim,
                                          const int* nm, double* out) {
  const int M = *nm;
  // A negative degree has no coefficient slots to write.
  if (M < 0) return;
  if (M == 0) {
    out[0] = 1.0;
    out[1] = 0.0;
    return;
  }
  noxara::factorise_into(rhore, rhoim, M, out);
}

extern "C" NOXARA_API void noxc_fit_fr(const double* theta, const int* n, const int* nm,
                                       const double* margin, const int* nodes, double* out) {
  const int nn = *n;
  const int M = *nm;
  if (M <= 0) return;
  const std::size_t ns = nn > 0 ? static_cast<std::size_t>(nn) : 0;
  const std::size_t Ms = static_cast<std::size_t>(M);
  noxara::Scratch<double> x(ns);
  noxara::Scratch<double> ell(2 * Ms);
  noxara::Scratch<double> shr(2 * Ms + 1);
  noxara::Scratch<double> er(Ms);
  noxara::Scratch<double> ei(Ms);
  noxara::Scratch<double> rr(Ms);
  noxara::Scratch<double> ri(Ms);
  if (!x.ok() || !ell.ok() || !shr.ok() || !er.ok() || !ei.ok() || !rr.ok() || !ri.ok()) {
    return;
  }
  // Location: the mean direction; positions are measured from it.
  double mu = 0.0;
  if (nn > 0) {
    double ss = 0.0;
    double sc = 0.0;
    for (std::size_t i = 0; i < ns; ++i) {
      ss += std::sin(theta[i]);
      sc += std::cos(theta[i]);
    }
    mu = std::atan2(ss, sc);
  }
  for (std::size_t i = 0; i < ns; ++i) x[i] = noxara::noxc_wrap01((theta[i] - mu) / kCircTwoPi);

  if (!noxara::lmom_into(x.data(), nn, M, ell.data())) return;
  for (std::size_t m = 0; m < Ms; ++m) {
    er[m] = ell[2 * m];
    ei[m] = ell[2 * m + 1];
  }
  noxc_rho_from_lmom(er.data(), ei.data(), nm, ell.data());
  for (std::size_t m = 0; m < Ms; ++m) {
    rr[m] = ell[2 * m];
    ri[m] = ell[2 * m + 1];
  }
  if (!noxara::admiss_into(rr.data(), ri.data(), M, *margin, *nodes, shr.data())) return;
  for (std::size_t m = 0; m < Ms; ++m) {
    rr[m] = shr[2 * m];
    ri[m] = shr[2 * m + 1];
  }
  if (!noxara::factorise_into(rr.data(), ri.data(), M, out)) return;
  const double t = shr[2 * Ms];
  out[2 * Ms + 2] = mu;
  out[2 * Ms + 3] = t;
  out[2 * Ms + 4] = (t >= 1) ? 1.0 : 0.0;
}
