// Kappa-4 family: distribution functions against the closed forms of their
// special members, readings, band lengths, running median and the fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "noxara.h"
#include "noxk4.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kPi = 3.141592653589793;

// ---- closed forms of the special members, written from their definitions ----

struct Member {
  const char* name;
  double k, h;
  double (*F)(double t, double k);
  double (*Q)(double u, double k);
  double (*f)(double t, double k);
};

double gum_F(double t, double) { return std::exp(-std::exp(-t)); }
double gum_Q(double u, double) { return -std::log(-std::log(u)); }
double gum_f(double t, double) { return std::exp(-t) * std::exp(-std::exp(-t)); }
double exp_F(double t, double) { return t <= 0 ? 0.0 : -std::expm1(-t); }
double exp_Q(double u, double) { return -std::log1p(-u); }
double exp_f(double t, double) { return t < 0 ? 0.0 : std::exp(-t); }
// Generalised Pareto: F = 1 - (1 - k t)^(1/k).
double gpa_F(double t, double k) { return 1.0 - std::pow(1.0 - k * t, 1.0 / k); }
double gpa_Q(double u, double k) { return (1.0 - std::pow(1.0 - u, k)) / k; }
double gpa_f(double t, double k) { return std::pow(1.0 - k * t, 1.0 / k - 1.0); }
// Generalised extreme value: F = exp(-(1 - k t)^(1/k)).
double gev_F(double t, double k) { return std::exp(-std::pow(1.0 - k * t, 1.0 / k)); }
double gev_Q(double u, double k) { return (1.0 - std::pow(-std::log(u), k)) / k; }
double gev_f(double t, double k) {
  return std::pow(1.0 - k * t, 1.0 / k - 1.0) * std::exp(-std::pow(1.0 - k * t, 1.0 / k));
}
// Generalised logistic: F = 1 / (1 + (1 - k t)^(1/k)).
double glo_F(double t, double k) { return 1.0 / (1.0 + std::pow(1.0 - k * t, 1.0 / k)); }
double glo_Q(double u, double k) { return (1.0 - std::pow((1.0 - u) / u, k)) / k; }
double glo_f(double t, double k) {
  const double y = std::pow(1.0 - k * t, 1.0 / k);
  return std::pow(1.0 - k * t, 1.0 / k - 1.0) / ((1.0 + y) * (1.0 + y));
}

const Member kMembers[] = {
    {"gumbel", 0.0, 0.0, gum_F, gum_Q, gum_f},
    {"exponential", 0.0, 1.0, exp_F, exp_Q, exp_f},
    {"pareto k>0", 0.3, 1.0, gpa_F, gpa_Q, gpa_f},
    {"pareto k<0", -0.25, 1.0, gpa_F, gpa_Q, gpa_f},
    {"gev k>0", 0.2, 0.0, gev_F, gev_Q, gev_f},
    {"gev k<0", -0.3, 0.0, gev_F, gev_Q, gev_f},
    {"logistic k>0", 0.15, -1.0, glo_F, glo_Q, glo_f},
    {"logistic k<0", -0.2, -1.0, glo_F, glo_Q, glo_f},
};

TEST(Noxk4Dist, SpecialMembersMatchClosedForms) {
  const double mu = 1.5, sg = 2.0;
  for (const Member& m : kMembers) {
    for (double u = 0.02; u < 0.99; u += 0.06) {
      const double t = m.Q(u, m.k);
      const double x = mu + sg * t;
      EXPECT_NEAR(noxara::k4_q(u, mu, sg, m.k, m.h), x, 1e-11 * (1 + std::fabs(x))) << m.name;
      EXPECT_NEAR(k4_F(x, mu, sg, m.k, m.h), m.F(t, m.k), 1e-12) << m.name << " u=" << u;
      EXPECT_NEAR(k4_F(x, mu, sg, m.k, m.h), u, 1e-12) << m.name;
      const double f = m.f(t, m.k) / sg;
      EXPECT_NEAR(noxara::k4_f(x, mu, sg, m.k, m.h), f, 1e-12 * (1 + f)) << m.name;
    }
  }
}

TEST(Noxk4Dist, QuantileAndCdfInvertInsideSupport) {
  const double pars[][2] = {{0.4, 0.7}, {-0.5, 2.5}, {0.1, -0.6}, {-0.8, 0.05}, {0.9, 3.0}};
  for (const auto& p : pars) {
    for (int i = 1; i < 100; ++i) {
      const double u = i / 100.0;
      const double x = noxara::k4_q(u, -1.0, 0.5, p[0], p[1]);
      ASSERT_TRUE(std::isfinite(x));
      EXPECT_NEAR(k4_F(x, -1.0, 0.5, p[0], p[1]), u, 1e-11) << p[0] << " " << p[1];
    }
  }
}

TEST(Noxk4Dist, ZeroThresholdsAreSeparateAndStrict) {
  // 1e-9 counts as zero for either shape; 2e-8 does not, but stays close.
  const double x = 0.7;
  EXPECT_EQ(k4_F(x, 0, 1, 1e-9, 0), gum_F(x, 0));
  EXPECT_EQ(k4_F(x, 0, 1, 0, -1e-9), gum_F(x, 0));
  EXPECT_NE(k4_F(x, 0, 1, 2e-8, 0), gum_F(x, 0));
  EXPECT_NEAR(k4_F(x, 0, 1, 2e-8, 0), gum_F(x, 0), 1e-7);
  EXPECT_NEAR(k4_F(x, 0, 1, 0, 2e-8), gum_F(x, 0), 1e-7);
  // A tiny positive k keeps its finite upper end in the quantile at u = 1.
  EXPECT_EQ(noxara::k4_q(1.0, 2.0, 3.0, 5e-9, 0.5), 2.0 + 3.0 / 5e-9);
}

TEST(Noxk4Dist, SupportEndsAndExactValuesOutside) {
  const double mu = 0.5, sg = 2.0;
  // k > 0: upper end mu + sg/k; F is exactly 1 at and above it, f exactly 0.
  const double ku = 0.25, up = mu + sg / ku;
  for (double h : {-1.0, 0.0, 0.4}) {
    EXPECT_EQ(k4_F(up, mu, sg, ku, h), 1.0);
    EXPECT_EQ(k4_F(up + 3.0, mu, sg, ku, h), 1.0);
    EXPECT_EQ(noxara::k4_f(up + 3.0, mu, sg, ku, h), 0.0);
    EXPECT_EQ(noxara::k4_q(1.0, mu, sg, ku, h), up);
    EXPECT_EQ(noxara::k4_q(1.5, mu, sg, ku, h), up);
  }
  // k < 0, h <= 0: lower end mu + sg/k; F exactly 0 below it.
  const double kl = -0.4, lo = mu + sg / kl;
  EXPECT_EQ(k4_F(lo - 1.0, mu, sg, kl, 0.0), 0.0);
  EXPECT_EQ(k4_F(lo - 1.0, mu, sg, kl, -0.5), 0.0);
  EXPECT_EQ(noxara::k4_f(lo - 1.0, mu, sg, kl, -0.5), 0.0);
  EXPECT_EQ(noxara::k4_q(0.0, mu, sg, kl, 0.0), lo);
  EXPECT_EQ(noxara::k4_q(0.0, mu, sg, kl, -0.5), lo);
  EXPECT_EQ(noxara::k4_q(1.0, mu, sg, kl, 0.3), kInf);
  // h > 0: lower end mu + sg (1 - h^-k)/k, whose limit at k = 0 is mu + sg log h.
  for (double k : {0.3, -0.2, 0.0}) {
    const double h = 0.5;
    const double end = (k == 0.0) ? mu + sg * std::log(h) : mu + sg * (1 - std::pow(h, -k)) / k;
    EXPECT_NEAR(noxara::k4_q(0.0, mu, sg, k, h), end, 1e-12);
    EXPECT_EQ(k4_F(end - 1e-6, mu, sg, k, h), 0.0);
    EXPECT_GT(k4_F(end + 1e-6, mu, sg, k, h), 0.0);
    EXPECT_EQ(noxara::k4_f(end - 1e-6, mu, sg, k, h), 0.0);
  }
  // Unbounded ends.
  EXPECT_EQ(noxara::k4_q(0.0, mu, sg, 0.2, 0.0), -kInf);
  EXPECT_EQ(noxara::k4_q(0.0, mu, sg, 0.0, -0.5), -kInf);
  EXPECT_EQ(noxara::k4_q(-0.1, mu, sg, 0.0, 0.0), -kInf);
  EXPECT_TRUE(std::isnan(noxara::k4_q(-0.1, mu, sg, 0.2, 0.5)));
  EXPECT_EQ(k4_F(kNaN, 0, 1, 0, 0), 0.0);
  EXPECT_EQ(k4_F(kInf, 0, 1, 0, 0), 1.0);
  EXPECT_EQ(k4_F(-kInf, 0, 1, 0, 0), 0.0);
  EXPECT_TRUE(std::isnan(k4_F(0.3, 0, 1, 0.1, kNaN)));
}

TEST(Noxk4Dist, DensityIsDerivativeOfCdf) {
  const double pars[][2] = {{0.4, 0.7}, {-0.5, 2.5}, {0.1, -0.6}, {0.0, 0.0}, {0.3, 1.0}};
  for (const auto& p : pars) {
    for (int i = 1; i < 20; ++i) {
      const double x = noxara::k4_q(i / 20.0, 0.3, 1.7, p[0], p[1]);
      auto F = [&](double v) { return k4_F(v, 0.3, 1.7, p[0], p[1]); };
      // Step well inside the distance to a finite lower end, where the
      // density may have a power singularity.
      const double lo = noxara::k4_q(0.0, 0.3, 1.7, p[0], p[1]);
      const double e = std::isfinite(lo) ? std::min(1e-4, 1e-3 * (x - lo)) : 1e-4;
      const double num = (F(x - 2 * e) - 8 * F(x - e) + 8 * F(x + e) - F(x + 2 * e)) / (12 * e);
      const double f = noxara::k4_f(x, 0.3, 1.7, p[0], p[1]);
      EXPECT_NEAR(f, num, 1e-8 * (1 + f)) << p[0] << " " << p[1];
    }
  }
}

TEST(Noxk4Dist, VectorWrappers) {
  const double x[3] = {-1.0, 0.2, 9.0}, mu = 0.0, sg = 1.0, k = 0.2, h = 0.4;
  double out[4] = {7, 7, 7, 7};
  const int n3 = 3, n0 = 0, nm = -2;
  noxk4_cdf(x, &n3, &mu, &sg, &k, &h, out);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], k4_F(x[i], mu, sg, k, h));
  EXPECT_EQ(out[3], 7);
  noxk4_pdf(x, &n3, &mu, &sg, &k, &h, out);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], noxara::k4_f(x[i], mu, sg, k, h));
  EXPECT_EQ(out[2], 0.0);  // beyond the upper end 5
  const double u[3] = {0.1, 0.5, 0.9};
  noxk4_q(u, &n3, &mu, &sg, &k, &h, out);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], noxara::k4_q(u[i], mu, sg, k, h));
  double untouched[2] = {7, 7};
  noxk4_q(u, &n0, &mu, &sg, &k, &h, untouched);
  noxk4_cdf(x, &nm, &mu, &sg, &k, &h, untouched);
  noxk4_pdf(x, &n0, &mu, &sg, &k, &h, untouched);
  EXPECT_EQ(untouched[0], 7);
  EXPECT_EQ(untouched[1], 7);
}

// L-moments of the special members, from their standard formulas.
TEST(Noxk4Dist, Tau34ConvergesToKnownRatios) {
  auto tau = [](double k, double h, int nodes, double* out) { noxk4_tau34(&k, &h, &nodes, out); };
  double o[4];
  // Exponential: lambda1 = 1, lambda2 = 1/2, tau3 = 1/3, tau4 = 1/6.
  tau(0.0, 1.0, 200, o);
  EXPECT_NEAR(o[0], 1.0 / 3, 2e-3);
  EXPECT_NEAR(o[1], 1.0 / 6, 2e-3);
  EXPECT_NEAR(o[2], 1.0, 2e-3);
  EXPECT_NEAR(o[3], 0.5, 2e-3);
  // Gumbel: approached from below as the rule grows.
  const double l2 = std::log(2.0), l3 = std::log(3.0);
  const double t3g = (2 * l3 - 3 * l2) / l2, t4g = (16 * l2 - 10 * l3) / l2;
  double prev3 = -1, prev4 = -1;
  for (int n : {10, 20, 40, 80, 160}) {
    tau(0.0, 0.0, n, o);
    EXPECT_LT(o[0], t3g);
    EXPECT_LT(o[1], t4g);
    EXPECT_GT(o[0], prev3);
    EXPECT_GT(o[1], prev4);
    prev3 = o[0];
    prev4 = o[1];
  }
  EXPECT_NEAR(prev3, t3g, 2e-3);
  EXPECT_NEAR(prev4, t4g, 2e-3);
  // Pareto: tau3 = (1-k)/(3+k), tau4 = (1-k)(2-k)/((3+k)(4+k)),
  // lambda1 = 1/(1+k), lambda2 = 1/((1+k)(2+k)). With k = 2 the quantile
  // function is a quadratic, integrated exactly by three nodes.
  for (double k : {2.0, 0.3}) {
    const double tol = (k == 2.0) ? 1e-14 : 1e-4;
    tau(k, 1.0, (k == 2.0) ? 3 : 60, o);
    EXPECT_NEAR(o[0], (1 - k) / (3 + k), tol);
    EXPECT_NEAR(o[1], (1 - k) * (2 - k) / ((3 + k) * (4 + k)), tol);
    EXPECT_NEAR(o[2], 1 / (1 + k), tol);
    EXPECT_NEAR(o[3], 1 / ((1 + k) * (2 + k)), tol);
  }
  // Generalised logistic with k = 0.2: tau3 = -k, tau4 = (1 + 5k^2)/6,
  // lambda2 = k pi / sin(k pi).
  const double kg = 0.2;
  tau(kg, -1.0, 200, o);
  EXPECT_NEAR(o[0], -kg, 2e-3);
  EXPECT_NEAR(o[1], (1 + 5 * kg * kg) / 6, 2e-3);
  EXPECT_NEAR(o[3], kg * kPi / std::sin(kg * kPi), 2e-3);
  // GEV with k = 0.25: tau3 = 2(1 - 3^-k)/(1 - 2^-k) - 3.
  const double ke = 0.25;
  tau(ke, 0.0, 200, o);
  const double d2 = 1 - std::pow(2.0, -ke), d3 = 1 - std::pow(3.0, -ke), d4 = 1 - std::pow(4.0, -ke);
  EXPECT_NEAR(o[0], 2 * d3 / d2 - 3, 2e-3);
  EXPECT_NEAR(o[1], (5 * d4 - 10 * d3 + 6 * d2) / d2, 2e-3);
  EXPECT_NEAR(o[3], d2 * std::tgamma(1 + ke) / ke, 2e-3);
}

TEST(Noxk4Dist, Tau34WithoutNodes) {
  const double k = 0.1, h = 0.2;
  double o[4] = {7, 7, 7, 7};
  const int zero = 0, neg = -5;
  noxk4_tau34(&k, &h, &zero, o);
  EXPECT_TRUE(std::isnan(o[0]));
  EXPECT_TRUE(std::isnan(o[1]));
  EXPECT_EQ(o[2], 0.0);
  EXPECT_EQ(o[3], 0.0);
  noxk4_tau34(&k, &h, &neg, o);
  EXPECT_TRUE(std::isnan(o[0]));
  EXPECT_EQ(o[3], 0.0);
}

}  // namespace
