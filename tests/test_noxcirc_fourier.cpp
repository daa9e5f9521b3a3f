#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "noxara.h"
#include "noxcirc_fourier.h"

namespace {

using cd = std::complex<double>;
const double kTwoPi = 6.283185307179586;

// A skewed, strictly positive quantile density: p(z) = sum c_j z^j.
const double kPre[4] = {1.0, 0.4, -0.2, 0.1};
const double kPim[4] = {0.0, 0.3, 0.15, -0.05};

// q(u) straight from the definition |p(e^{2 pi i u})|^2 / sum |c_j|^2.
double q_direct(double u, const double* pre, const double* pim, int np) {
  cd z = std::exp(cd(0, kTwoPi * u)), s = 0, zk = 1;
  double S = 0;
  for (int j = 0; j < np; ++j, zk *= z) {
    s += cd(pre[j], pim[j]) * zk;
    S += pre[j] * pre[j] + pim[j] * pim[j];
  }
  return std::norm(s) / S;
}

// Two coefficients (1, a): q(u) = 1 + 2 Re(a e^{2 pi i u})/(1 + |a|^2),
// Q(u) = u + Re(a (e^{2 pi i u} - 1)/(i pi))/(1 + |a|^2).
double q_two(double u, cd a) { return 1 + 2 * std::real(a * std::exp(cd(0, kTwoPi * u))) / (1 + std::norm(a)); }
double Q_two(double u, cd a) {
  return u + std::real(a * (std::exp(cd(0, kTwoPi * u)) - 1.0) / cd(0, M_PI)) / (1 + std::norm(a));
}

// q(u) = 1 + 2 sum Re(rho_m e^{2 pi i m u}).
double q_rho(double u, const std::vector<cd>& rho) {
  double s = 1;
  for (size_t m = 0; m < rho.size(); ++m) s += 2 * std::real(rho[m] * std::exp(cd(0, kTwoPi * (m + 1) * u)));
  return s;
}

// Writes rho (M values) to split arrays, factorises, and checks |p|^2 = q on a grid.
std::vector<double> factorise_and_check(const std::vector<cd>& rho, double tol) {
  const int M = static_cast<int>(rho.size());
  std::vector<double> rr(M), ri(M), out(2 * M + 2, -7.0);
  for (int m = 0; m < M; ++m) { rr[m] = rho[m].real(); ri[m] = rho[m].imag(); }
  noxc_factorise(rr.data(), ri.data(), &M, out.data());
  std::vector<double> pre(M + 1), pim(M + 1);
  double nrm = 0;
  for (int k = 0; k <= M; ++k) {
    pre[k] = out[2 * k]; pim[k] = out[2 * k + 1];
    nrm += pre[k] * pre[k] + pim[k] * pim[k];
  }
  EXPECT_NEAR(nrm, 1.0, 1e-12);
  for (int j = 0; j < 37; ++j) {
    const double u = (j + 0.3) / 37;
    EXPECT_NEAR(noxara::noxc_fr_mod2(u, pre.data(), pim.data(), M + 1), q_rho(u, rho), tol) << "u=" << u;
  }
  return out;
}

TEST(NoxcircFourier, QuantileDensityIsNormalisedAndMatchesDefinition) {
  const int np = 4, N = 64;
  std::vector<double> u(N), q(N);
  for (int i = 0; i < N; ++i) u[i] = (i + 0.5) / N;
  noxc_qd_fr(u.data(), &N, kPre, kPim, &np, q.data());
  double s = 0;
  for (int i = 0; i < N; ++i) {
    EXPECT_NEAR(q[i], q_direct(u[i], kPre, kPim, np), 1e-13);
    s += q[i];
  }
  // A trigonometric polynomial of degree 3: the midpoint rule on 64 nodes is exact.
  EXPECT_NEAR(s / N, 1.0, 1e-13);
}

TEST(NoxcircFourier, CommonComplexFactorChangesNothing) {
  const int np = 4, nodes = 200, n = 5, p = 2;
  const double u[n] = {0.0, 0.13, 0.5, 0.77, 0.999}, th[n] = {-2.0, 0.3, 1.0, 3.0, 6.0}, mu = 0.4;
  // Every routine's outputs, one after the other.
  auto all = [&](const double* pre, const double* pim) {
    std::vector<double> r(4 * n + 2);
    noxc_qd_fr(u, &n, pre, pim, &np, &r[0]);
    noxc_Q_fr(u, &n, pre, pim, &np, &nodes, &r[n]);
    noxc_dens_fr(th, &n, pre, pim, &np, &mu, &nodes, &r[2 * n]);
    noxc_rand_fr(u, &n, pre, pim, &np, &mu, &nodes, &r[3 * n]);
    noxc_trigmom_fr(&p, pre, pim, &np, &mu, &nodes, &r[4 * n]);
    return r;
  };
  double pre2[4], pim2[4];
  for (int j = 0; j < 4; ++j) {
    const cd c = cd(-0.7, 1.3) * cd(kPre[j], kPim[j]);
    pre2[j] = c.real(); pim2[j] = c.imag();
  }
  const std::vector<double> a = all(kPre, kPim), b = all(pre2, pim2);
  for (size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-11) << i;
}

TEST(NoxcircFourier, QuantileAndDensityAgainstClosedForm) {
  const cd a(0.3, -0.25);
  const double mu = -1.1;
  const double pre[2] = {1.0, a.real()}, pim[2] = {0.0, a.imag()};
  const int np = 2, nodes = 200, n = 6;
  double u[n], Q[n];
  for (int i = 0; i < n; ++i) u[i] = (17.0 + 31 * i) / nodes;  // table nodes: Simpson error only
  noxc_Q_fr(u, &n, pre, pim, &np, &nodes, Q);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(Q[i], Q_two(u[i], a), 1e-9);
  // The angle at position Q(u0) has density 1/(2 pi q(u0)).
  const int fine = 2000;
  double th[n], f[n];
  for (int i = 0; i < n; ++i) th[i] = mu + kTwoPi * Q_two((i + 0.37) / n, a) + (i % 2 ? kTwoPi : -2 * kTwoPi);
  noxc_dens_fr(th, &n, pre, pim, &np, &mu, &fine, f);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(f[i] * kTwoPi * q_two((i + 0.37) / n, a), 1.0, 1e-5);
}

TEST(NoxcircFourier, DensityIntegratesToOneAndMomentsMatchIt) {
  const int np = 4, nodes = 1000, G = 4000;
  const double mu = 0.7;
  std::vector<double> th(G), f(G);
  for (int i = 0; i < G; ++i) th[i] = (i + 0.5) * kTwoPi / G;
  noxc_dens_fr(th.data(), &G, kPre, kPim, &np, &mu, &nodes, f.data());
  cd m[4] = {0, 0, 0, 0};
  for (int i = 0; i < G; ++i)
    for (int p = 0; p < 4; ++p) m[p] += f[i] * std::exp(cd(0, p * th[i])) * (kTwoPi / G);
  EXPECT_NEAR(m[0].real(), 1.0, 1e-5);
  for (int p = 1; p < 4; ++p) {
    double out[2];
    noxc_trigmom_fr(&p, kPre, kPim, &np, &mu, &nodes, out);
    EXPECT_NEAR(out[0], m[p].real(), 1e-5) << p;
    EXPECT_NEAR(out[1], m[p].imag(), 1e-5) << p;
  }
  // Random angles from evenly spread uniforms carry the same moments.
  const int n = 4000, p = 2;
  std::vector<double> un(n), x(n);
  for (int i = 0; i < n; ++i) un[i] = (i + 0.5) / n;
  noxc_rand_fr(un.data(), &n, kPre, kPim, &np, &mu, &nodes, x.data());
  cd e = 0;
  for (int i = 0; i < n; ++i) {
    EXPECT_TRUE(x[i] >= 0 && x[i] < kTwoPi);
    e += std::exp(cd(0, p * x[i])) / double(n);
  }
  double out[2];
  noxc_trigmom_fr(&p, kPre, kPim, &np, &mu, &nodes, out);
  EXPECT_NEAR(out[0], e.real(), 1e-5);
  EXPECT_NEAR(out[1], e.imag(), 1e-5);
}

TEST(NoxcircFourier, QuantileEdgesAndTable) {
  const int np = 4, nodes = 50, n = 5;
  std::vector<double> tab(nodes + 1);
  noxara::noxc_fr_Qtable(kPre, kPim, np, nodes, tab.data());
  const double u[n] = {-0.5, 0.0, 1.0, 2.5, 0.5};
  double Q[n];
  noxc_Q_fr(u, &n, kPre, kPim, &np, &nodes, Q);
  EXPECT_EQ(Q[0], 0.0);
  EXPECT_EQ(Q[1], 0.0);
  EXPECT_EQ(Q[2], tab[nodes]);
  EXPECT_EQ(Q[3], tab[nodes]);
  EXPECT_NEAR(tab[nodes], 1.0, 1e-8);
  EXPECT_EQ(Q[4], tab[25]);
  for (int k = 0; k < nodes; ++k) EXPECT_LT(tab[k], tab[k + 1]);
  // The inverse lookup undoes the lookup.
  for (double v : {0.01, 0.333, 0.5, 0.9, 0.99})
    EXPECT_NEAR(noxara::noxc_tab_inv(tab.data(), nodes, noxara::noxc_tab_at(tab.data(), nodes, v)), v, 1e-12);
}

TEST(NoxcircFourier, SingleCoefficientIsUniform) {
  const double pre[1] = {-0.3}, pim[1] = {2.0}, mu = 1.0;
  const int np = 1, nodes = 64, n = 3;
  std::vector<double> tab(nodes + 1);
  noxara::noxc_fr_Qtable(pre, pim, np, nodes, tab.data());
  for (int k = 0; k <= nodes; ++k) EXPECT_NEAR(tab[k], double(k) / nodes, 1e-14);
  const double th[n] = {-1.0, 1.0, 4.0};
  double f[n];
  noxc_dens_fr(th, &n, pre, pim, &np, &mu, &nodes, f);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(f[i], 1 / kTwoPi, 1e-14);
  for (int p = 1; p <= 3; ++p) {
    double m[2];
    noxc_trigmom_fr(&p, pre, pim, &np, &mu, &nodes, m);
    EXPECT_NEAR(m[0], 0.0, 1e-12); EXPECT_NEAR(m[1], 0.0, 1e-12);
  }
}

TEST(NoxcircFourier, ZeroCoefficientsAndLocation) {
  const double z[2] = {0.0, 0.0}, mu = -0.5;
  const int np = 2, nodes = 16, n = 2, p = 3;
  const double u[n] = {0.2, 0.9};
  double a[n];
  noxc_qd_fr(u, &n, z, z, &np, a);
  EXPECT_EQ(a[0], 1.0); EXPECT_EQ(a[1], 1.0);
  noxc_Q_fr(u, &n, z, z, &np, &nodes, a);
  EXPECT_EQ(a[0], 0.0); EXPECT_EQ(a[1], 0.0);
  noxc_rand_fr(u, &n, z, z, &np, &mu, &nodes, a);
  EXPECT_NEAR(a[0], kTwoPi + mu, 1e-15);
  noxc_dens_fr(u, &n, z, z, &np, &mu, &nodes, a);
  EXPECT_EQ(a[0], 0.0);
  noxc_trigmom_fr(&p, z, z, &np, &mu, &nodes, a);
  EXPECT_NEAR(a[0], std::cos(p * mu), 1e-15); EXPECT_NEAR(a[1], std::sin(p * mu), 1e-15);
  const double tab[3] = {0, 0, 0};
  EXPECT_EQ(noxara::noxc_tab_inv(tab, 2, 0.0), 0.0);
  EXPECT_EQ(noxara::noxc_tab_inv(tab, 2, 1e-9), 1.0);
  // An angle equal to the location sits at position 0.
  const int np4 = 4, one = 1;
  const double th = mu + kTwoPi;
  noxc_dens_fr(&th, &one, kPre, kPim, &np4, &mu, &nodes, a);
  EXPECT_NEAR(a[0], 1 / (kTwoPi * q_direct(0.0, kPre, kPim, 4)), 1e-12);
}

TEST(NoxcircFourier, BadCountsAndNodes) {
  const int np = 4, n = 3, zero = 0;
  const double u[n] = {0.1, NAN, 0.7}, mu = 0.0;
  double a[n] = {5, 5, 5};
  for (int nodes : {0, -3}) {
    noxc_Q_fr(u, &n, kPre, kPim, &np, &nodes, a);
    for (double v : a) EXPECT_TRUE(std::isnan(v));
    a[0] = a[1] = a[2] = 5;
    noxc_rand_fr(u, &n, kPre, kPim, &np, &mu, &nodes, a);
    for (double v : a) EXPECT_TRUE(std::isnan(v));
    noxc_trigmom_fr(&n, kPre, kPim, &np, &mu, &nodes, a);
    EXPECT_TRUE(std::isnan(a[0]) && std::isnan(a[1]));
  }
  const int neg = -1;
  noxc_dens_fr(u, &n, kPre, kPim, &np, &mu, &neg, a);
  for (double v : a) EXPECT_TRUE(std::isnan(v));
  // Without intervals the table is one point; the density still evaluates.
  noxc_dens_fr(u, &n, kPre, kPim, &np, &mu, &zero, a);
  EXPECT_TRUE(std::isfinite(a[0]) && std::isfinite(a[2]));
  // A NaN probability gives NaN for its own element only.
  const int nodes = 32;
  noxc_Q_fr(u, &n, kPre, kPim, &np, &nodes, a);
  EXPECT_TRUE(std::isfinite(a[0]) && std::isnan(a[1]) && std::isfinite(a[2]));
  noxc_rand_fr(u, &n, kPre, kPim, &np, &mu, &nodes, a);
  EXPECT_TRUE(std::isfinite(a[0]) && std::isnan(a[1]) && std::isfinite(a[2]));
  // Counts of zero touch nothing.
  a[0] = 5;
  noxc_qd_fr(u, &zero, kPre, kPim, &np, a);
  noxc_Q_fr(u, &zero, kPre, kPim, &np, &nodes, a);
  noxc_dens_fr(u, &zero, kPre, kPim, &np, &mu, &nodes, a);
  noxc_rand_fr(u, &zero, kPre, kPim, &np, &mu, &nodes, a);
  EXPECT_EQ(a[0], 5.0);
}

TEST(NoxcircLmom, LmomAgainstDirectIntegral) {
  const int n = 7, M = 3;
  const double x[n] = {0.61, 0.05, 0.93, 0.33, 0.34, 0.72, 0.18};
  double ell[2 * M], ell2[2 * M];
  noxc_lmom(x, &n, &M, ell);
  const double xr[n] = {0.18, 0.72, 0.34, 0.33, 0.93, 0.05, 0.61};
  noxc_lmom(xr, &n, &M, ell2);
  std::vector<double> xs(x, x + n);
  std::sort(xs.begin(), xs.end());
  const int G = n * 4000;
  for (int m = 1; m <= M; ++m) {
    cd s = 0;
    for (int g = 0; g < G; ++g) {
      const double u = (g + 0.5) / G;
      s += xs[g / 4000] * std::exp(cd(0, -kTwoPi * m * u)) / double(G);
    }
    EXPECT_NEAR(ell[2 * m - 2], s.real(), 1e-8);
    EXPECT_NEAR(ell[2 * m - 1], s.imag(), 1e-8);
    EXPECT_EQ(ell[2 * m - 2], ell2[2 * m - 2]);
    EXPECT_EQ(ell[2 * m - 1], ell2[2 * m - 1]);
  }
}

TEST(NoxcircLmom, RhoOfUniformAndOfAKnownFamily) {
  // Evenly spread positions: the quantile density is flat, rho_m = 0.
  const int n = 50, M = 5;
  std::vector<double> x(n);
  for (int k = 0; k < n; ++k) x[k] = double(k) / n;
  double ell[2 * M], er[M], ei[M], rho[2 * M];
  noxc_lmom(x.data(), &n, &M, ell);
  for (int m = 0; m < M; ++m) { er[m] = ell[2 * m]; ei[m] = ell[2 * m + 1]; }
  noxc_rho_from_lmom(er, ei, &M, rho);
  for (int k = 0; k < 2 * M; ++k) EXPECT_NEAR(rho[k], 0.0, 1e-12);
  // Positions Q((k+0.5)/n) of the family q = 1 + 2 Re(a e^{2 pi i u})/(1+|a|^2):
  // rho_1 = a/(1+|a|^2), the others vanish.
  const int n2 = 4000, M2 = 2;
  const cd a(0.3, 0.2);
  std::vector<double> y(n2);
  for (int k = 0; k < n2; ++k) y[k] = Q_two((k + 0.5) / n2, a);
  double ell2[4], fr[2], fi[2], rho2[4];
  noxc_lmom(y.data(), &n2, &M2, ell2);
  for (int m = 0; m < M2; ++m) { fr[m] = ell2[2 * m]; fi[m] = ell2[2 * m + 1]; }
  noxc_rho_from_lmom(fr, fi, &M2, rho2);
  EXPECT_NEAR(rho2[0], a.real() / (1 + std::norm(a)), 1e-3);
  EXPECT_NEAR(rho2[1], a.imag() / (1 + std::norm(a)), 1e-3);
  EXPECT_NEAR(rho2[2], 0.0, 1e-3);
  EXPECT_NEAR(rho2[3], 0.0, 1e-3);
}

TEST(NoxcircLmom, QminAndAdmissibility) {
  const int M = 1, nodes = 8, none = 0;
  const double rr[1] = {0.8}, ri[1] = {0.0};
  double out[3];
  noxc_qmin_rho(rr, ri, &M, &nodes, out);
  EXPECT_NEAR(out[0], -0.6, 1e-15);
  noxc_qmin_rho(rr, ri, &M, &none, out);
  EXPECT_EQ(out[0], 1e300);
  // Shrinking: 1 + t*(-1.6) >= 0.1 at best for t = 0.5625.
  const double margin = 0.1;
  noxc_admiss(rr, ri, &M, &margin, &nodes, out);
  EXPECT_NEAR(out[2], 0.5625, 1e-12);
  EXPECT_EQ(out[0], out[2] * 0.8);
  const double sr[1] = {out[0]}, si[1] = {out[1]};
  double mn;
  noxc_qmin_rho(sr, si, &M, &nodes, &mn);
  EXPECT_GE(mn, margin);
  // A complex rho with several terms: the shrunk minimum clears the margin.
  const int M3 = 3, nodes3 = 256;
  const double r3[3] = {0.5, -0.2, 0.3}, i3[3] = {0.4, 0.25, -0.1}, mg3 = 0.05;
  double o3[7];
  noxc_admiss(r3, i3, &M3, &mg3, &nodes3, o3);
  EXPECT_GT(o3[6], 0.0); EXPECT_LT(o3[6], 1.0);
  const double s3r[3] = {o3[0], o3[2], o3[4]}, s3i[3] = {o3[1], o3[3], o3[5]};
  noxc_qmin_rho(s3r, s3i, &M3, &nodes3, &mn);
  EXPECT_GE(mn, mg3);
  EXPECT_LT(mn, mg3 + 1e-9);
  // The shrink factor is exactly that of 80 halvings checked by noxc_qmin_rho.
  double lo = 0, hi = 1;
  for (int it = 0; it < 80; ++it) {
    const double t = (lo + hi) * 0.5;
    const double tr[3] = {t * r3[0], t * r3[1], t * r3[2]}, ti[3] = {t * i3[0], t * i3[1], t * i3[2]};
    noxc_qmin_rho(tr, ti, &M3, &nodes3, &mn);
    (mn >= mg3 ? lo : hi) = t;
  }
  EXPECT_EQ(o3[6], lo);
  EXPECT_EQ(o3[0], lo * r3[0]);
  // rho = 0 and a margin up to 1: nothing to shrink.
  const double z3[3] = {0, 0, 0}, one = 1.0;
  noxc_admiss(z3, z3, &M3, &one, &nodes3, o3);
  EXPECT_EQ(o3[6], 1.0);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(o3[k], 0.0);
  // A negative M has no slots: nothing is written.
  const int neg = -1;
  double guard[4] = {9, 9, 9, 9};
  noxc_admiss(rr, ri, &neg, &margin, &nodes, guard + 2);
  noxc_factorise(rr, ri, &neg, guard + 2);
  for (double g : guard) EXPECT_EQ(g, 9.0);
}

TEST(NoxcircLmom, FactoriseReproducesTrigPolynomial) {
  factorise_and_check({cd(0.3, 0.1), cd(0.1, -0.05)}, 1e-10);
  factorise_and_check({cd(-0.2, 0.1), cd(0.08, 0.06), cd(0.03, -0.04)}, 1e-10);
  factorise_and_check({cd(0.4, 0.0)}, 1e-12);
}

TEST(NoxcircLmom, FactoriseWithVanishingTopCoefficients) {
  std::vector<double> o = factorise_and_check({cd(0.3, 0.1), cd(0, 0)}, 1e-10);
  EXPECT_EQ(o[4], 0.0); EXPECT_EQ(o[5], 0.0);
  o = factorise_and_check({cd(0.2, -0.1), cd(0.0, 0.15), cd(0, 0), cd(1e-15, 0)}, 1e-10);
  for (int k = 6; k < 10; ++k) EXPECT_EQ(o[k], 0.0);
  // Nothing left but the constant: the uniform density, exactly.
  for (int M : {1, 3}) {
    o = factorise_and_check(std::vector<cd>(M, cd(0, 0)), 1e-15);
    EXPECT_EQ(o[0], 1.0);
    for (int k = 1; k < 2 * M + 2; ++k) EXPECT_EQ(o[k], 0.0);
  }
  const int zero = 0;
  double t[2] = {7, 7};
  noxc_factorise(nullptr, nullptr, &zero, t);
  EXPECT_EQ(t[0], 1.0); EXPECT_EQ(t[1], 0.0);
}

TEST(NoxcircLmom, FitReproducesShrunkDensityOfTheSample) {
  // A skewed sample drawn from the family by evenly spread uniforms.
  const int np = 4, nodes = 400, n = 60;
  const double mu0 = 2.0;
  std::vector<double> un(n), th(n);
  for (int i = 0; i < n; ++i) un[i] = (i + 0.5) / n;
  noxc_rand_fr(un.data(), &n, kPre, kPim, &np, &mu0, &nodes, th.data());
  for (double margin : {0.0, 0.6}) {
    const int M = 3;
    double out[2 * M + 5];
    noxc_fit_fr(th.data(), &n, &M, &margin, &nodes, out);
    const double mu = out[2 * M + 2], t = out[2 * M + 3];
    EXPECT_EQ(out[2 * M + 4], t >= 1 ? 1.0 : 0.0);
    if (margin > 0.5) {
      EXPECT_LT(t, 1.0);
    }
    // The sample's rho from the definitions, around the fitted location.
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i) x[i] = th[i] - mu - kTwoPi * std::floor((th[i] - mu) / kTwoPi);
    std::sort(x.begin(), x.end());
    std::vector<cd> rho(M);
    for (int m = 1; m <= M; ++m) {
      cd ell = 0;
      for (int k = 0; k < n; ++k)
        ell += x[k] / kTwoPi * (std::exp(cd(0, -kTwoPi * m * (k + 1) / n)) - std::exp(cd(0, -kTwoPi * m * k / n))) / cd(0, -kTwoPi * m);
      rho[m - 1] = 1.0 + cd(0, kTwoPi * m) * ell;
    }
    const int np3 = M + 1, G = 41;
    double pre[4], pim[4];
    for (int k = 0; k <= M; ++k) { pre[k] = out[2 * k]; pim[k] = out[2 * k + 1]; }
    std::vector<double> u(G), q(G);
    for (int j = 0; j < G; ++j) u[j] = (j + 0.25) / G;
    noxc_qd_fr(u.data(), &G, pre, pim, &np3, q.data());
    for (int j = 0; j < G; ++j) EXPECT_NEAR(q[j], 1 + t * (q_rho(u[j], rho) - 1), 1e-8);
  }
  const int zero = 0, n1 = 1;
  const double mg = 0.1;
  double guard = 3;
  noxc_fit_fr(th.data(), &n1, &zero, &mg, &nodes, &guard);
  EXPECT_EQ(guard, 3.0);
}

}  // namespace
