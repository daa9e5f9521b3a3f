// Cubic circular family, von Mises tempering, and the Monte Carlo interval and
// goodness-of-fit test, checked against closed forms, direct quadrature,
// symmetries and independently computed stream values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "noxara.h"
#include "noxcirc.h"


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
  trigmom3(1, 0.5, 0.3, 0, m);
  EXPECT_TRUE(std::isnan(m[0]) && std::isnan(m[1]));
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
