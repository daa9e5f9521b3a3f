// Circular families: the cubic family, von Mises tempering and the Monte Carlo
// interval and goodness-of-fit test; the Fourier-series family, circular
// L-moments, shrinkage and factorisation. Checked against closed forms, direct
// quadrature, symmetries and independently computed stream values.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "noxara.h"
#include "noxcirc.h"
#include "noxcirc_fourier.h"
#include "guarded_output.h"

namespace cubic_tests {
namespace {
using namespace noxara;
const double kPi = 3.141592653589793, k2Pi = 6.283185307179586;

// Composite Simpson rule on [a, b] with N (even) panels.
template <class F> double simpson_int(F f, double a, double b, int N) {
  const double h = (b - a) / N;
  double s = f(a) + f(b);
  for (int i = 1; i < N; ++i) s += (i % 2 ? 4.0 : 2.0) * f(a + i * h);
  return s * h / 3.0;
}
double dens3(double th, double c3, double mu) {
  double o; int one = 1; noxc_dens3(&th, &one, &c3, &mu, &o); return o;
}
void trigmom3(int p, double c3, double mu, int nodes, double* o) { noxc_trigmom3(&p, &c3, &mu, &nodes, o); }
// I0 and I1 by their power series.
double bessel_series(double x, int order) {
  double t = std::pow(x / 2, order), s = 0;
  for (int k = 0; k < 200; ++k) {
    s += t;
    t *= (x / 2) * (x / 2) / ((k + 1.0) * (k + 1.0 + order));
  }
  return s;
}
// n draws of the SplitMix64 stream (seed, 0).
std::vector<double> draws(int seed, int n) {
  std::uint64_t s = noxc_seed(seed, 0);
  std::vector<double> u(n);
  for (double& x : u) x = noxc_unif(s);
  return u;
}
bool same_bits(const double* a, const double* b, int n) { return std::memcmp(a, b, n * sizeof(double)) == 0; }
}  // namespace

TEST(NoxcircStreams, KnownWordsAndUniforms) {
  // Reference values from a short independent python3 script (arbitrary
  // precision integers masked to 64 bits) built from the stated constants.
  EXPECT_EQ(noxc_seed(0, 0), 0xf2fea5823ed3a667ULL);
  EXPECT_EQ(noxc_seed(12345, 3), 0x077eeb5807c5128dULL);
  EXPECT_EQ(noxc_seed(-1, 0), 0x27fdcf4ecb3e1586ULL);
  std::uint64_t s = noxc_seed(12345, 3);
  EXPECT_EQ(noxc_unif(s), 0.46570523232042604);
  EXPECT_EQ(noxc_unif(s), 0.8920605572162188);
  s = noxc_seed(-7, 2);
  EXPECT_EQ(noxc_unif(s), 0.5427945390997422);
  EXPECT_EQ(noxc_unif(s), 0.46091730753786064);
  EXPECT_EQ(noxc_unif(s), 0.24715753093520498);
}

TEST(NoxcircCubic, ClosedFormsAndWrapping) {
  double cm; noxc_c3max(&cm);
  EXPECT_EQ(cm, 1.0392304845413265);
  EXPECT_NEAR(cm, 3 * std::sqrt(3.0) / 5, 1e-15);
  for (double c : {-1.0, -0.3, 0.0, 0.7, 1.03}) {
    EXPECT_EQ(noxc_q3_one(0, c), 1.0); EXPECT_EQ(noxc_q3_one(1, c), 1.0);
    EXPECT_EQ(noxc_Q3_one(0, c), 0.0); EXPECT_EQ(noxc_Q3_one(1, c), 1.0);
    EXPECT_NEAR(noxc_Q3_one(0.5, c), 0.5 + 5 * c / 16, 1e-15);
    for (double u : {0.1, 0.37, 0.8})  // q is the derivative of Q
      EXPECT_NEAR(noxc_q3_one(u, c), (noxc_Q3_one(u + 1e-6, c) - noxc_Q3_one(u - 1e-6, c)) / 2e-6, 1e-8);
  }
  // Exactly at c3max the density touches zero at u = (3 - sqrt(3))/6 (c3 > 0).
  EXPECT_NEAR(noxc_q3_one((3 + std::sqrt(3.0)) / 6, cm), 0.0, 1e-14);
  double u[3] = {0.2, 1.5, -0.5}, o[3] = {7, 7, 7}; int three = 3, zero = 0; double c = 0.4;
  noxc_Q3(u, &three, &c, o);
  EXPECT_EQ(o[1], noxc_Q3_one(1.5, 0.4));  // no clamping outside [0, 1]
  noxc_qd3(u, &zero, &c, o);
  EXPECT_EQ(o[0], noxc_Q3_one(0.2, 0.4));  // count 0 leaves the output alone
  EXPECT_EQ(noxc_wrap01(-0.25), 0.75); EXPECT_EQ(noxc_wrap01(2.25), 0.25);
  EXPECT_EQ(noxc_wrappi(kPi), -kPi); EXPECT_EQ(noxc_wrappi(-kPi), -kPi);
  EXPECT_NEAR(noxc_wrappi(1.5 * kPi), -0.5 * kPi, 1e-15);
}

TEST(NoxcircCubic, QinvInvertsQ) {
  for (double c : {-1.0, -0.4, 0.0, 0.6, 1.0}) {
    for (double t = 0.01; t < 1; t += 0.049) {
      EXPECT_NEAR(noxc_Q3_one(noxc_Qinv(t, c), c), t, 1e-15);
      EXPECT_NEAR(noxc_Qinv(noxc_Q3_one(t, c), c), t, 1e-14);
    }
    EXPECT_EQ(noxc_Qinv(0, c), 0.0); EXPECT_EQ(noxc_Qinv(-0.2, c), 0.0);
    EXPECT_EQ(noxc_Qinv(1, c), 1.0); EXPECT_EQ(noxc_Qinv(1.3, c), 1.0);
  }
}

TEST(NoxcircCubic, DensityIntegratesAndMatchesQuantile) {
  const double mu = 0.7;
  for (double c : {-0.9, -0.2, 0.5, 0.85}) {
    auto f = [&](double th) { return dens3(th, c, mu); };
    EXPECT_NEAR(simpson_int(f, mu, mu + k2Pi, 800), 1.0, 1e-9);
    // Mass of the arc from mu to the angle of the 0.3 quantile is 0.3.
    EXPECT_NEAR(simpson_int(f, mu, mu + k2Pi * noxc_Q3_one(0.3, c), 800), 0.3, 1e-9);
    // Reflection: density at mu + a for c3 equals density at mu - a for -c3.
    for (double a : {0.3, 1.9, 4.4}) EXPECT_NEAR(dens3(mu + a, c, mu), dens3(mu - a, -c, mu), 1e-14);
  }
  // Angles evaluated together give the same bits as one at a time.
  double th[7] = {-3.0, 0.7, 0.71, 2.0, 5.5, 9.0, 0.7 + k2Pi}, o[7], c = -0.97, mu2 = 0.7; int seven = 7;
  noxc_dens3(th, &seven, &c, &mu2, o);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(o[i], dens3(th[i], c, mu2)) << i;
  EXPECT_EQ(dens3(-2.0, 0.0, 1.0), 0.15915494309189535);
  EXPECT_EQ(dens3(0.0, 0.8, 0.0), 0.15915494309189535);        // angle equal to mu
  EXPECT_EQ(dens3(3 * k2Pi, -0.8, 0.0), 0.15915494309189535);  // mu + whole turns
}

TEST(NoxcircCubic, TrigMomentsAgainstQuadratureOfDensity) {
  const double mu = -1.1;
  for (double c : {-0.7, 0.4, 0.85}) {
    for (int p = 0; p <= 3; ++p) {
      double m[2]; trigmom3(p, c, mu, 2000, m);
      const double re = simpson_int([&](double t) { return std::cos(p * t) * dens3(t, c, mu); }, mu, mu + k2Pi, 1000);
      const double im = simpson_int([&](double t) { return std::sin(p * t) * dens3(t, c, mu); }, mu, mu + k2Pi, 1000);
      EXPECT_NEAR(m[0], re, 1e-8); EXPECT_NEAR(m[1], im, 1e-8);
      double r[2]; trigmom3(p, -c, 0.0, 2000, r), trigmom3(p, c, 0.0, 2000, m);
      EXPECT_NEAR(r[0], m[0], 1e-14); EXPECT_NEAR(r[1], -m[1], 1e-14);  // mirror: conjugate
    }
  }
  double m[2]; trigmom3(1, 0.0, 0.3, 64, m);
  EXPECT_NEAR(std::hypot(m[0], m[1]), 0.0, 1e-15);
  for (int bad : {0, -1, -7}) {  // no nodes: no moment, whatever the sign of the count
    m[0] = m[1] = 5.0;
    trigmom3(1, 0.5, 0.3, bad, m);
    EXPECT_TRUE(std::isnan(m[0]) && std::isnan(m[1])) << bad;
    // The fit then has no moment to match: no location, not a fit at |c3| = c3max.
    double th[3] = {0.1, 0.4, 0.2}, o[4]; int three = 3;
    noxc_fit3(th, &three, &bad, o);
    EXPECT_TRUE(std::isnan(o[0])) << bad;
    EXPECT_LT(std::fabs(o[1]), 1e-12) << bad;
  }
}

TEST(NoxcircCubic, RandomAngles) {
  double u[4] = {0.0, 0.25, 0.5, 0.999}, o[4], c = 0.6, mu = -7.0; int n = 4;
  noxc_rand3(u, &n, &c, &mu, o);
  EXPECT_NEAR(o[0], -7.0 + 2 * k2Pi, 1e-14);
  for (int i = 0; i < 4; ++i) {
    EXPECT_GE(o[i], 0.0); EXPECT_LT(o[i], k2Pi);
    EXPECT_NEAR(noxc_wrap01((o[i] - mu) / k2Pi), noxc_wrap01(noxc_Q3_one(u[i], c)), 1e-14);
  }
}

TEST(NoxcircCubic, FitRecoversParametersAndEdgeCases) {
  const int n = 1000, nodes = 1000;
  for (double c : {-0.8, 0.3, 0.95}) {
    std::vector<double> u(n), th(n), ref(n);
    for (int i = 0; i < n; ++i) u[i] = (i + 0.5) / n;
    double mu = 2.5, o[4], r[4];
    noxc_rand3(u.data(), &n, &c, &mu, th.data());
    noxc_fit3(th.data(), &n, &nodes, o);
    EXPECT_NEAR(o[0], 2.5, 1e-9); EXPECT_NEAR(o[1], c, 1e-9); EXPECT_EQ(o[3], 1.0);
    for (int i = 0; i < n; ++i) ref[i] = -th[i];
    noxc_fit3(ref.data(), &n, &nodes, r);
    EXPECT_NEAR(r[1], -o[1], 1e-12); EXPECT_NEAR(r[2], o[2], 1e-15); EXPECT_NEAR(r[0], -2.5, 1e-9);
  }
  double o[4], cm; noxc_c3max(&cm); int two = 2, zero = 0, neg = -4, nd = 200;
  double same[2] = {1.2, 1.2}, opp[2] = {0.3, 0.3 + kPi};
  noxc_fit3(same, &two, &nd, o);
  EXPECT_EQ(std::fabs(o[1]), cm); EXPECT_EQ(o[3], 0.0);
  noxc_fit3(opp, &two, &nd, o);
  EXPECT_NEAR(o[2], 0.0, 1e-15); EXPECT_NEAR(o[1], 0.0, 1e-12); EXPECT_EQ(o[3], 1.0);
  for (const int* bad : {&zero, &neg}) {  // empty (or negative) sample: NaN moments
    noxc_fit3(same, bad, &nd, o);
    EXPECT_TRUE(std::isnan(o[0]) && std::isnan(o[2]));
  }
}

TEST(NoxcircTemper, BesselI0) {
  EXPECT_EQ(noxc_bessi0(0.0), 1.0);
  EXPECT_NEAR(noxc_bessi0(1.0), 1.2660658777520082, 2e-7);
  EXPECT_NEAR(noxc_bessi0(5.0) / 27.239871823604442, 1.0, 5e-7);
  for (double x = 0.25; x < 30; x += 0.5) {
    const double exact = bessel_series(x, 0);
    EXPECT_LT(std::fabs(noxc_bessi0(x) - exact) / exact, 5e-7) << x;
    EXPECT_EQ(noxc_bessi0(-x), noxc_bessi0(x));
  }
  EXPECT_NEAR(noxc_bessi0(3.75 - 1e-12) / noxc_bessi0(3.75), 1.0, 5e-7);
}

TEST(NoxcircTemper, DensityAndMoments) {
  int nodes = 512, one = 1, zero = 0, three = 3;
  auto g = [&](double th, double kap, double mu, double s, int N) {
    double o; noxc_temper_vm(&th, &one, &kap, &mu, &s, &N, &o); return o;
  };
  auto mom = [&](int p, double kap, double mu, double s, int N, double* o) { noxc_temper_vm_trigmom(&p, &kap, &mu, &s, &N, o); };
  double m[2];
  for (double th : {0.0, 1.0, 4.0}) {
    EXPECT_NEAR(g(th, 2.0, 1.0, 0.0, nodes), 1 / k2Pi, 1e-15);  // s = 0: uniform
    EXPECT_NEAR(g(th, 0.0, 1.0, 5.0, nodes), 1 / k2Pi, 1e-15);  // kappa = 0: uniform
  }
  for (int p = 1; p <= 3; ++p) {
    mom(p, 2.0, 1.0, 0.0, nodes, m);
    EXPECT_NEAR(m[0], 0.0, 1e-15); EXPECT_NEAR(m[1], 0.0, 1e-15);
  }
  mom(0, 3.0, 1.0, 2.0, nodes, m);
  EXPECT_EQ(m[0], 1.0); EXPECT_EQ(m[1], 0.0);
  // Against an independent build: series I0, normaliser by Simpson.
  const double kap = 2.0, mu = 0.8, s = 4.0, i0 = bessel_series(kap, 0);
  auto raw = [&](double t) { double f = std::exp(kap * std::cos(t - mu)) / (k2Pi * i0); return std::sqrt(1 + s * s * f * f); };
  const double Z = simpson_int(raw, 0, k2Pi, 2000);
  for (double th : {-1.0, 0.8, 2.9}) EXPECT_NEAR(g(th, kap, mu, s, nodes), raw(th) / Z, 1e-6 * raw(th) / Z);
  mom(2, kap, mu, s, nodes, m);
  EXPECT_NEAR(m[0], simpson_int([&](double t) { return std::cos(2 * t) * raw(t) / Z; }, 0, k2Pi, 2000), 1e-7);
  EXPECT_NEAR(m[1], simpson_int([&](double t) { return std::sin(2 * t) * raw(t) / Z; }, 0, k2Pi, 2000), 1e-7);
  // Large s: the first moment tends to that of the von Mises law, I1/I0 e^{i mu}.
  mom(1, kap, mu, 1e6, nodes, m);
  const double A = bessel_series(kap, 1) / i0;
  EXPECT_NEAR(m[0], A * std::cos(mu), 1e-7); EXPECT_NEAR(m[1], A * std::sin(mu), 1e-7);
  // Without nodes: moments (0, 0), density left unnormalised (never NaN).
  mom(1, kap, mu, s, zero, m);
  EXPECT_EQ(m[0], 0.0); EXPECT_EQ(m[1], 0.0);
  double th[3] = {0.1, 0.2, 0.3}, o[3];
  noxc_temper_vm(th, &three, &kap, &mu, &s, &zero, o);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(o[i], raw(th[i]), 1e-6 * raw(th[i]));
}

TEST(NoxcircMonteCarlo, GroupingAndStatistic) {
  EXPECT_EQ(noxc_group(0.9, 4), 0.0); EXPECT_EQ(noxc_group(0.62, 4), 0.5);
  EXPECT_EQ(noxc_group(0.99, 10), 0.0); EXPECT_EQ(noxc_group(0.33, 3), 1.0 / 3);
  double work[64], u[64];
  for (int n : {1, 2, 7, 64}) {
    for (int i = 0; i < n; ++i) u[i] = noxc_wrap01((n - 1 - i) / double(n) + 0.123);  // evenly spaced, unsorted
    EXPECT_NEAR(noxc_stat(u, n, 1, work), std::sqrt(2.0), 1e-14) << n;
    if (n > 1) { EXPECT_NEAR(noxc_stat(u, n, 0, work), 0.0, 1e-14); }
  }
  EXPECT_EQ(u[0], noxc_wrap01(63 / 64.0 + 0.123));  // input not reordered
  // Any sample: at least sqrt(2) (convexity); three equal points and one apart.
  std::vector<double> r = draws(9, 50);
  EXPECT_GE(noxc_stat(r.data(), 50, 1, work), std::sqrt(2.0));
  double pts[4] = {0.5, 0.0, 0.25, 0.0};
  EXPECT_NEAR(noxc_stat(pts, 4, 1, work), 0.25 + 2 * std::sqrt(0.125) + std::sqrt(0.3125), 1e-15);
  EXPECT_NEAR(noxc_stat(pts, 4, 0, work), std::sqrt(2.0) / 4, 1e-15);
  EXPECT_TRUE(std::isnan(noxc_stat(pts, 0, 0, work)));
}

TEST(NoxcircMonteCarlo, ExactIntervalObservedStatisticAndStreams) {
  // Positions 0.1, 0.3, 0.6, 0.9 grouped on 4 bins: 0, 0.25, 0.5, 0.
  double th[4] = {0.1 * k2Pi, 0.3 * k2Pi, 0.6 * k2Pi + 3 * k2Pi, 0.9 * k2Pi - k2Pi};
  int n = 4, B = 40, seed = 17, ng = 2, arc = 1, res = 0, k4 = 4, none = 0;
  double alpha = 0.05, grid[2] = {0.2, 0.7}, o[5], o2[5];
  noxc_exact_ci(th, &n, &B, &seed, grid, &ng, &arc, &k4, &alpha, o);
  EXPECT_NEAR(o[2], 0.25 + 2 * std::sqrt(0.125) + std::sqrt(0.3125), 1e-15);
  noxc_exact_ci(th, &n, &B, &seed, grid, &ng, &res, &k4, &alpha, o);
  EXPECT_NEAR(o[2], std::sqrt(2.0) / 4, 1e-15);
  noxc_exact_ci(th, &n, &B, &seed, grid, &ng, &res, &none, &alpha, o);
  noxc_exact_ci(th, &n, &B, &seed, grid, &ng, &res, &none, &alpha, o2);
  EXPECT_TRUE(same_bits(o, o2, 5));
  for (int j = 3; j < 5; ++j) { EXPECT_GE(o[j], 2.0 / (B + 1)); EXPECT_LE(o[j], 1.0); }
  // The p-value at grid index 1 depends on (seed, 1) and its value only.
  double other[2] = {-0.9, 0.7};
  noxc_exact_ci(th, &n, &B, &seed, other, &ng, &res, &none, &alpha, o2);
  EXPECT_EQ(o2[4], o[4]);
  // Interval: first and last accepted entries in the caller's grid order.
  double g3[3] = {0.5, -0.3, 0.1}, o3[6], all = -1.0, nothing = 1.0; int ng3 = 3;
  noxc_exact_ci(th, &n, &B, &seed, g3, &ng3, &arc, &none, &all, o3);
  EXPECT_EQ(o3[0], 0.5); EXPECT_EQ(o3[1], 0.1);
  noxc_exact_ci(th, &n, &B, &seed, g3, &ng3, &arc, &none, &nothing, o3);
  EXPECT_TRUE(std::isnan(o3[0]) && std::isnan(o3[1]));
}

TEST(NoxcircMonteCarlo, ExactIntervalSeparatesShapes) {
  // 300 angles from c3 = 0.9: the resultant-length test rejects c3 = 0 and
  // accepts +-0.9 (the modulus depends on |c3| only).
  int n = 300, B = 199, seed = 3, ng = 3, res = 0, none = 0;
  std::vector<double> u = draws(101, n), th(n);
  double c = 0.9, mu = 1.0, alpha = 0.05, grid[3] = {0.0, 0.9, -0.9}, o[6];
  noxc_rand3(u.data(), &n, &c, &mu, th.data());
  noxc_exact_ci(th.data(), &n, &B, &seed, grid, &ng, &res, &none, &alpha, o);
  EXPECT_EQ(o[3], 2.0 / (B + 1));
  EXPECT_GT(o[4], alpha); EXPECT_GT(o[5], alpha);
  EXPECT_EQ(o[0], 0.9); EXPECT_EQ(o[1], -0.9);
}

TEST(NoxcircMonteCarlo, GoodnessOfFit) {
  int n = 200, B = 99, seed = 5, n2 = n;
  double c = -0.6, mu = 2.0, o[2], o2[2];
  std::vector<double> u = draws(77, n), th(n);
  noxc_rand3(u.data(), &n, &c, &mu, th.data());
  noxc_gof(th.data(), &n, &c, &mu, &B, &seed, o);
  noxc_gof(th.data(), &n, &c, &mu, &B, &seed, o2);
  EXPECT_TRUE(same_bits(o, o2, 2));
  EXPECT_GT(o[1], 0.05); EXPECT_LE(o[1], 1.0);
  // Transformed positions evenly spread: smallest possible statistic, p = 1.
  for (int i = 0; i < n; ++i) u[i] = (i + 0.5) / n;
  noxc_rand3(u.data(), &n, &c, &mu, th.data());
  noxc_gof(th.data(), &n2, &c, &mu, &B, &seed, o);
  EXPECT_NEAR(o[0], std::sqrt(2.0), 1e-12); EXPECT_EQ(o[1], 1.0);
  // A concentrated sample: every replicate is smaller, p = 1/(B + 1).
  std::vector<double> lump(n, 0.4);
  noxc_gof(lump.data(), &n, &c, &mu, &B, &seed, o);
  EXPECT_EQ(o[1], 1.0 / (B + 1));
}

TEST(NoxcircMonteCarlo, DegenerateCounts) {
  const double s = -123.0;  // sentinel for untouched slots
  double th[3] = {0.1, 2.0, 4.0}, grid[2] = {0.1, 0.2}, a = 0.05, c = 0.2, mu = 0.0, o[6];
  int n = 3, B = 20, seed = 1, ng = 2, st = 1, k = 0, zero = 0, neg = -2;
  for (const int* bad : {&zero, &neg}) {
    for (double& x : o) x = s;
    noxc_exact_ci(th, bad, &B, &seed, grid, &ng, &st, &k, &a, o);  // no angles
    for (int j = 0; j < 5; ++j) EXPECT_TRUE(std::isnan(o[j]));
    EXPECT_EQ(o[5], s);
    for (double& x : o) x = s;
    noxc_exact_ci(th, &n, &B, &seed, grid, bad, &st, &k, &a, o);  // empty grid
    EXPECT_TRUE(std::isnan(o[0]) && std::isnan(o[1]));
    EXPECT_GT(o[2], std::sqrt(2.0)); EXPECT_EQ(o[3], s);
    for (double& x : o) x = s;
    noxc_gof(th, bad, &c, &mu, &B, &seed, o);
    EXPECT_TRUE(std::isnan(o[0]) && std::isnan(o[1])); EXPECT_EQ(o[2], s);
  }
  // No replicates: p = 1; a negative replicate count has no p-value.
  noxc_exact_ci(th, &n, &zero, &seed, grid, &ng, &st, &k, &a, o);
  EXPECT_EQ(o[3], 1.0); EXPECT_EQ(o[4], 1.0); EXPECT_EQ(o[0], 0.1); EXPECT_EQ(o[1], 0.2);
  noxc_exact_ci(th, &n, &neg, &seed, grid, &ng, &st, &k, &a, o);
  EXPECT_TRUE(std::isnan(o[3]) && std::isnan(o[4]) && std::isnan(o[0]));
  noxc_gof(th, &n, &c, &mu, &zero, &seed, o);
  EXPECT_EQ(o[1], 1.0);
  noxc_gof(th, &n, &c, &mu, &neg, &seed, o);
  EXPECT_GT(o[0], std::sqrt(2.0)); EXPECT_TRUE(std::isnan(o[1]));
}
}  // namespace cubic_tests

namespace fourier_tests {
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
}  // namespace fourier_tests

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(NoxcircBadInput, CubicMapsCountsAndNonFiniteArguments) {
  using namespace badin;
  {
    Out o(1);
    noxc_c3max(o.p());
    EXPECT_TRUE(o.guards_intact());
    EXPECT_DOUBLE_EQ(o[0], 3.0 * std::sqrt(3.0) / 5.0);
  }
  const double u[3] = {0.1, 0.5, 0.9};
  const double c3 = 0.4, mu = 1.0;
  for (int n : {0, -1, INT_MIN}) {
    Out o(3);
    noxc_qd3(u, &n, &c3, o.p());
    noxc_Q3(u, &n, &c3, o.p());
    noxc_dens3(u, &n, &c3, &mu, o.p());
    noxc_rand3(u, &n, &c3, &mu, o.p());
    EXPECT_TRUE(o.untouched()) << n;
  }
  // Five angles: one group of four bisections side by side and one alone.
  const int n = 5, nu = 3;
  for (double bad : kNonFinite) {
    Out o(5);
    noxc_qd3(u, &nu, &bad, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    o.reset();
    noxc_Q3(u, &nu, &bad, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    for (int which = 0; which < 3; ++which) {
      const double cc = which == 0 ? bad : c3;
      const double mm = which == 1 ? bad : mu;
      double thb[5] = {0.1, 2.0, 4.0, 5.5, 6.2};
      if (which == 2) thb[0] = thb[4] = bad;
      o.reset();
      noxc_dens3(thb, &n, &cc, &mm, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
      o.reset();
      noxc_rand3(thb, &n, &cc, &mm, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
    }
  }
}

TEST(NoxcircBadInput, CubicMomentsAndFit) {
  using namespace badin;
  const double c3 = 0.4, mu = 1.0;
  for (int nodes : {0, -1, INT_MIN}) {
    const int p = 1;
    Out o(2);
    noxc_trigmom3(&p, &c3, &mu, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_nan()) << nodes;
  }
  for (int p : {0, -1, INT_MIN, INT_MAX}) {
    const int nodes = 50;
    Out o(2);
    noxc_trigmom3(&p, &c3, &mu, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << p;
    EXPECT_TRUE(o.all_written()) << p;
  }
  for (double bad : kNonFinite) {
    const int p = 2, nodes = 50;
    Out o(2);
    noxc_trigmom3(&p, &bad, &mu, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    o.reset();
    noxc_trigmom3(&p, &c3, &bad, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
  }

  const double th[6] = {0.3, 0.5, 0.2, 1.0, 0.4, 0.6};
  // An empty sample has no mean direction and no resultant length.
  for (int n : {0, -1, INT_MIN}) {
    const int nodes = 50;
    Out o(4);
    noxc_fit3(th, &n, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(std::isnan(o[0]) && std::isnan(o[2])) << n;
  }
  for (int nodes : {0, -1, INT_MIN}) {
    const int n = 6;
    Out o(4);
    noxc_fit3(th, &n, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_written()) << nodes;
  }
  for (double bad : kNonFinite) {
    const double thb[6] = {0.3, bad, 0.2, 1.0, 0.4, 0.6};
    const int n = 6, nodes = 50;
    Out o(4);
    noxc_fit3(thb, &n, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(NoxcircBadInput, FourierFamilyCountsNodesAndNonFiniteCoefficients) {
  using namespace badin;
  const double u[4] = {0.0, 0.25, 0.6, 1.0};
  const double pre[2] = {1.0, 0.4}, pim[2] = {0.0, -0.2};
  const int np = 2;
  const double mu = 0.5;
  for (int n : {0, -1, INT_MIN}) {
    const int nodes = 16;
    Out o(4);
    noxc_qd_fr(u, &n, pre, pim, &np, o.p());
    noxc_Q_fr(u, &n, pre, pim, &np, &nodes, o.p());
    noxc_dens_fr(u, &n, pre, pim, &np, &mu, &nodes, o.p());
    noxc_rand_fr(u, &n, pre, pim, &np, &mu, &nodes, o.p());
    EXPECT_TRUE(o.untouched()) << n;
  }
  const int n = 4;
  // No coefficients: the uniform quantile density.
  for (int npc : {0, -1, INT_MIN}) {
    Out o(4);
    noxc_qd_fr(u, &n, pre, pim, &npc, o.p());
    EXPECT_TRUE(o.guards_intact()) << npc;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(o[i], 1.0) << npc;
    const int nodes = 16;
    o.reset();
    noxc_Q_fr(u, &n, pre, pim, &npc, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << npc;
    o.reset();
    noxc_dens_fr(u, &n, pre, pim, &npc, &mu, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << npc;
    o.reset();
    noxc_rand_fr(u, &n, pre, pim, &npc, &mu, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << npc;
    const int p = 1;
    Out m(2);
    noxc_trigmom_fr(&p, pre, pim, &npc, &mu, &nodes, m.p());
    EXPECT_TRUE(m.guards_intact()) << npc;
  }
  // Without a table interval there is no quantile, angle or moment.
  for (int nodes : {0, -1, INT_MIN}) {
    Out o(4);
    noxc_Q_fr(u, &n, pre, pim, &np, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_nan()) << nodes;
    o.reset();
    noxc_rand_fr(u, &n, pre, pim, &np, &mu, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_nan()) << nodes;
    o.reset();
    noxc_dens_fr(u, &n, pre, pim, &np, &mu, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    if (nodes < 0) {
      EXPECT_TRUE(o.all_nan()) << nodes;
    } else {
      EXPECT_TRUE(o.all_written()) << nodes;
    }
    const int p = 1;
    Out m(2);
    noxc_trigmom_fr(&p, pre, pim, &np, &mu, &nodes, m.p());
    EXPECT_TRUE(m.guards_intact()) << nodes;
    EXPECT_TRUE(m.all_nan()) << nodes;
  }
  for (int p : {0, -1, INT_MIN, INT_MAX}) {
    const int nodes = 16;
    Out m(2);
    noxc_trigmom_fr(&p, pre, pim, &np, &mu, &nodes, m.p());
    EXPECT_TRUE(m.guards_intact()) << p;
    EXPECT_TRUE(m.all_written()) << p;
  }
  for (double bad : kNonFinite) {
    const int nodes = 16, p = 1;
    const double preb[2] = {1.0, bad}, pimb[2] = {bad, 0.0};
    const double ub[4] = {bad, 0.25, 0.6, bad};
    for (int which = 0; which < 3; ++which) {
      const double* pr = which == 0 ? preb : pre;
      const double* pi = which == 0 ? pimb : pim;
      const double* uu = which == 1 ? ub : u;
      const double mm = which == 2 ? bad : mu;
      Out o(4);
      noxc_qd_fr(uu, &n, pr, pi, &np, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      o.reset();
      noxc_Q_fr(uu, &n, pr, pi, &np, &nodes, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
      o.reset();
      noxc_dens_fr(uu, &n, pr, pi, &np, &mm, &nodes, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
      o.reset();
      noxc_rand_fr(uu, &n, pr, pi, &np, &mm, &nodes, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
      Out m(2);
      noxc_trigmom_fr(&p, pr, pi, &np, &mm, &nodes, m.p());
      EXPECT_TRUE(m.guards_intact()) << bad << " " << which;
    }
  }
}

TEST(NoxcircBadInput, LmomentsRhoAndQminCounts) {
  using namespace badin;
  const double x[4] = {0.1, 0.7, 0.3, 0.95};
  for (int nm : {0, -1, INT_MIN}) {
    const int n = 4;
    Out o(4);
    noxc_lmom(x, &n, &nm, o.p());
    EXPECT_TRUE(o.untouched()) << nm;
    noxc_rho_from_lmom(x, x, &nm, o.p());
    EXPECT_TRUE(o.untouched()) << nm;
  }
  for (int n : {0, -1, INT_MIN}) {
    const int nm = 2;
    Out o(4);
    noxc_lmom(x, &n, &nm, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_written()) << n;
  }
  for (double bad : kNonFinite) {
    const double xb[4] = {0.1, bad, 0.3, 0.95};
    const int n = 4, nm = 2;
    Out o(4);
    noxc_lmom(xb, &n, &nm, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxc_rho_from_lmom(xb, xb, &nm, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
  const double rr[2] = {0.2, -0.1}, ri[2] = {0.05, 0.1};
  for (int nodes : {0, -1, INT_MIN}) {
    const int nm = 2;
    Out o(1);
    noxc_qmin_rho(rr, ri, &nm, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_EQ(o[0], 1e300) << nodes;
  }
  // No coefficients: q is identically 1.
  for (int nm : {0, -1, INT_MIN}) {
    const int nodes = 16;
    Out o(1);
    noxc_qmin_rho(rr, ri, &nm, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nm;
    EXPECT_EQ(o[0], 1.0) << nm;
  }
  for (double bad : kNonFinite) {
    const double rb[2] = {bad, 0.1};
    const int nm = 2, nodes = 16;
    Out o(1);
    noxc_qmin_rho(rb, ri, &nm, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(NoxcircBadInput, AdmissibilityFactorisationAndFit) {
  using namespace badin;
  const double rr[2] = {0.9, -0.4}, ri[2] = {0.3, 0.2};
  const double margin = 0.05;
  for (int nm : {-1, INT_MIN}) {
    const int nodes = 32;
    Out o(5);
    noxc_admiss(rr, ri, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.untouched()) << nm;
    noxc_factorise(rr, ri, &nm, o.p());
    EXPECT_TRUE(o.untouched()) << nm;
  }
  {
    // No coefficients: nothing to shrink, and the constant factor 1.
    const int nm = 0, nodes = 32;
    Out o(1);
    noxc_admiss(rr, ri, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact());
    EXPECT_EQ(o[0], 1.0);
    Out f(2);
    noxc_factorise(rr, ri, &nm, f.p());
    EXPECT_TRUE(f.guards_intact());
    EXPECT_EQ(f[0], 1.0);
    EXPECT_EQ(f[1], 0.0);
  }
  for (int nodes : {0, -1, INT_MIN}) {
    const int nm = 2;
    Out o(5);
    noxc_admiss(rr, ri, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_written()) << nodes;
  }
  for (double bad : kNonFinite) {
    const int nm = 2, nodes = 32;
    Out o(5);
    noxc_admiss(rr, ri, &nm, &bad, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    const double rb[2] = {0.9, bad}, ib[2] = {bad, 0.2};
    o.reset();
    noxc_admiss(rb, ib, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    Out f(6);
    noxc_factorise(rb, ri, &nm, f.p());
    EXPECT_TRUE(f.guards_intact()) << bad;
    EXPECT_TRUE(f.all_written()) << bad;
    f.reset();
    noxc_factorise(rr, ib, &nm, f.p());
    EXPECT_TRUE(f.guards_intact()) << bad;
    EXPECT_TRUE(f.all_written()) << bad;
  }

  const double th[6] = {0.3, 0.5, 0.2, 1.0, 0.4, 0.6};
  for (int nm : {0, -1, INT_MIN}) {
    const int n = 6, nodes = 32;
    Out o(8);
    noxc_fit_fr(th, &n, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.untouched()) << nm;
  }
  const int nm = 2;  // 2*nm + 5 = 9 slots
  for (int n : {0, -1, INT_MIN}) {
    const int nodes = 32;
    Out o(9);
    noxc_fit_fr(th, &n, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_written()) << n;
  }
  for (int nodes : {0, -1, INT_MIN}) {
    const int n = 6;
    Out o(9);
    noxc_fit_fr(th, &n, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_written()) << nodes;
  }
  for (double bad : kNonFinite) {
    const int n = 6, nodes = 32;
    Out o(9);
    noxc_fit_fr(th, &n, &nm, &bad, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    const double thb[6] = {0.3, bad, 0.2, 1.0, 0.4, 0.6};
    o.reset();
    noxc_fit_fr(thb, &n, &nm, &margin, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(NoxcircBadInput, TemperingCountsNodesAndNonFiniteParameters) {
  using namespace badin;
  const double th[3] = {0.0, 1.0, 4.0};
  const double kappa = 2.0, mu = 0.5, s = 1.5;
  for (int n : {0, -1, INT_MIN}) {
    const int nodes = 64;
    Out o(3);
    noxc_temper_vm(th, &n, &kappa, &mu, &s, &nodes, o.p());
    EXPECT_TRUE(o.untouched()) << n;
  }
  const int n = 3;
  for (int nodes : {0, -1, INT_MIN}) {
    Out o(3);
    noxc_temper_vm(th, &n, &kappa, &mu, &s, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_written()) << nodes;
    const int p = 1;
    Out m(2);
    noxc_temper_vm_trigmom(&p, &kappa, &mu, &s, &nodes, m.p());
    EXPECT_TRUE(m.guards_intact()) << nodes;
    EXPECT_EQ(m[0], 0.0) << nodes;
    EXPECT_EQ(m[1], 0.0) << nodes;
  }
  for (int p : {0, -1, INT_MIN, INT_MAX}) {
    const int nodes = 64;
    Out m(2);
    noxc_temper_vm_trigmom(&p, &kappa, &mu, &s, &nodes, m.p());
    EXPECT_TRUE(m.guards_intact()) << p;
    EXPECT_TRUE(m.all_written()) << p;
  }
  for (double bad : kNonFinite) {
    const int nodes = 64, p = 1;
    const double thb[3] = {0.0, bad, 4.0};
    for (int which = 0; which < 4; ++which) {
      const double kk = which == 0 ? bad : kappa;
      const double mm = which == 1 ? bad : mu;
      const double ss = which == 2 ? bad : s;
      const double* tt = which == 3 ? thb : th;
      Out o(3);
      noxc_temper_vm(tt, &n, &kk, &mm, &ss, &nodes, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
      Out m(2);
      noxc_temper_vm_trigmom(&p, &kk, &mm, &ss, &nodes, m.p());
      EXPECT_TRUE(m.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(m.all_written()) << bad << " " << which;
    }
  }
}

TEST(NoxcircBadInput, ExactIntervalCountsOptionsAndNaN) {
  using namespace badin;
  const double th[5] = {0.2, 1.1, 2.5, 4.0, 5.9};
  const double cgrid[3] = {-0.5, 0.0, 0.5};
  const double lev = 0.05;
  const int B = 9, seed = 4;
  auto run = [&](const double* t, int n, int b, int sd, const double* cg, int ng, int stat,
                 int group, double lv, Out& o) {
    noxc_exact_ci(t, &n, &b, &sd, cg, &ng, &stat, &group, &lv, o.p());
  };
  // No positions: every slot NaN, the grid's too.
  for (int n : {0, -1, INT_MIN}) {
    Out o(6);
    run(th, n, B, seed, cgrid, 3, 1, 0, lev, o);
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
    Out o3(3);
    run(th, n, B, seed, cgrid, -1, 1, 0, lev, o3);
    EXPECT_TRUE(o3.guards_intact()) << n;
    EXPECT_TRUE(o3.all_nan()) << n;
  }
  // An empty grid: no interval, the statistic only.
  for (int ng : {0, -1, INT_MIN}) {
    Out o(3);
    run(th, 5, B, seed, cgrid, ng, 1, 0, lev, o);
    EXPECT_TRUE(o.guards_intact()) << ng;
    EXPECT_TRUE(std::isnan(o[0]) && std::isnan(o[1])) << ng;
    EXPECT_TRUE(std::isfinite(o[2])) << ng;
  }
  for (int b : {0, -1, INT_MIN}) {
    Out o(6);
    run(th, 5, b, seed, cgrid, 3, 1, 0, lev, o);
    EXPECT_TRUE(o.guards_intact()) << b;
    EXPECT_TRUE(o.all_written()) << b;
  }
  // Statistic selectors, grouping bins and seeds far out of range.
  for (int opt : {-1, 2, INT_MIN, INT_MAX}) {
    Out o(6);
    run(th, 5, B, seed, cgrid, 3, opt, 0, lev, o);
    EXPECT_TRUE(o.guards_intact()) << opt;
    EXPECT_TRUE(o.all_written()) << opt;
    o.reset();
    run(th, 5, B, seed, cgrid, 3, 1, opt, lev, o);
    EXPECT_TRUE(o.guards_intact()) << opt;
    EXPECT_TRUE(o.all_written()) << opt;
    o.reset();
    run(th, 5, B, opt, cgrid, 3, 0, 0, lev, o);
    EXPECT_TRUE(o.guards_intact()) << opt;
    EXPECT_TRUE(o.all_written()) << opt;
  }
  for (double bad : kNonFinite) {
    const double thb[5] = {0.2, bad, 2.5, 4.0, 5.9};
    const double cgb[3] = {bad, 0.0, bad};
    for (int stat : {0, 1}) {
      Out o(6);
      run(thb, 5, B, seed, cgrid, 3, stat, 8, lev, o);
      EXPECT_TRUE(o.guards_intact()) << bad << " " << stat;
      EXPECT_TRUE(o.all_written()) << bad << " " << stat;
      o.reset();
      run(th, 5, B, seed, cgb, 3, stat, 0, lev, o);
      EXPECT_TRUE(o.guards_intact()) << bad << " " << stat;
      EXPECT_TRUE(o.all_written()) << bad << " " << stat;
      o.reset();
      run(th, 5, B, seed, cgrid, 3, stat, 0, bad, o);
      EXPECT_TRUE(o.guards_intact()) << bad << " " << stat;
      EXPECT_TRUE(o.all_written()) << bad << " " << stat;
    }
  }
}

TEST(NoxcircBadInput, GoodnessOfFitCountsAndNaN) {
  using namespace badin;
  const double th[5] = {0.2, 1.1, 2.5, 4.0, 5.9};
  const double c3 = 0.3, mu = 0.4;
  const int B = 9, seed = 4;
  for (int n : {0, -1, INT_MIN}) {
    Out o(2);
    noxc_gof(th, &n, &c3, &mu, &B, &seed, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
  }
  const int n = 5;
  for (int b : {0, -1, INT_MIN}) {
    Out o(2);
    noxc_gof(th, &n, &c3, &mu, &b, &seed, o.p());
    EXPECT_TRUE(o.guards_intact()) << b;
    EXPECT_TRUE(o.all_written()) << b;
    if (b == 0) {
      EXPECT_EQ(o[1], 1.0);  // no replicates: (0 + 1)/(0 + 1)
    }
  }
  for (int sd : {-1, INT_MIN, INT_MAX}) {
    Out o(2);
    noxc_gof(th, &n, &c3, &mu, &B, &sd, o.p());
    EXPECT_TRUE(o.guards_intact()) << sd;
    EXPECT_TRUE(o.all_written()) << sd;
  }
  for (double bad : kNonFinite) {
    const double thb[5] = {0.2, bad, 2.5, 4.0, 5.9};
    for (int which = 0; which < 3; ++which) {
      const double* tt = which == 0 ? thb : th;
      const double cc = which == 1 ? bad : c3;
      const double mm = which == 2 ? bad : mu;
      Out o(2);
      noxc_gof(tt, &n, &cc, &mm, &B, &seed, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
    }
  }
}

TEST(NoxcircRandom, AnglesJustBelowZeroComeBackAsZero) {
  // A location a hair below 0 with a uniform of 0: the reduction modulo 2*pi
  // rounds up to 2*pi, the same angle as 0, which lies outside [0, 2*pi).
  const double pre[2] = {1.0, 0.2}, pim[2] = {0.0, 0.1};
  const int n = 3, np = 2, nodes = 32;
  const double unif[3] = {0.0, 0.5, 1.0};
  for (double mu : {-1e-17, -1e-300, -0.0}) {
    double a[3], b[3];
    const double c3 = 0.1;
    noxc_rand3(unif, &n, &c3, &mu, a);
    noxc_rand_fr(unif, &n, pre, pim, &np, &mu, &nodes, b);
    for (const double* o : {a, b}) {
      for (int i = 0; i < n; ++i) {
        EXPECT_GE(o[i], 0.0) << mu;
        EXPECT_LT(o[i], 2.0 * M_PI) << mu;
      }
      EXPECT_EQ(o[0], 0.0) << mu;
    }
  }
}
