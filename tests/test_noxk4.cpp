// Kappa-4 family: distribution functions against the closed forms of their
// special members, readings, band lengths, running median and the fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "noxara.h"
#include "noxk4.h"
#include "guarded_output.h"

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

// ---- readings ----

// Mode and rising-flank inflection of the density of the h = 0 member (GEV)
// in standardised units. With y = (1 - k t)^(1/k) the density is
// proportional to y^(1-k) exp(-y): the mode has y = 1 - k, and the density
// bends where y^2 - 3a y + 2a^2 - a = 0 with a = 1 - k (larger root on the
// rising flank).
double gev_mode_t(double k) { return (1 - std::pow(1 - k, k)) / k; }
double gev_bend_t(double k) {
  const double a = 1 - k;
  const double y = (3 * a + std::sqrt(a * a + 4 * a)) / 2;
  return (1 - std::pow(y, k)) / k;
}

TEST(Noxk4Readings, CurveWithKnownSteepestPoint) {
  const double g1 = 2.5, mu = 0.5, sg = 1.5, k = 0.2;
  const double th[6] = {1.0, g1, mu, sg, k, 0.0};
  const int G = 4000;
  double out[3];
  noxk4_readings(th, &G, out);
  const double x0 = mu + sg * gev_Q(0.001, k), x1 = mu + sg * gev_Q(0.999, k);
  const double dx = (x1 - x0) / (G - 1);
  const double mode = mu + sg * gev_mode_t(k);
  EXPECT_NEAR(out[2], mode, dx);
  const double tm = gev_mode_t(k);
  EXPECT_NEAR(out[0], mode - sg * gev_F(tm, k) / gev_f(tm, k), 1e-5);
  const double dz = (out[2] - x0) / (G - 1);
  EXPECT_NEAR(out[1], mu + sg * gev_bend_t(k), 2 * dz);
  EXPECT_LT(out[1], out[2]);
}

TEST(Noxk4Readings, GumbelCurveIsReadWithSmallK) {
  const double th[6] = {0.0, 1.0, 2.0, 0.5, 0.0, 0.0};
  const int G = 2000;
  double out[3], out2[3];
  noxk4_readings(th, &G, out);
  // Gumbel: steepest at mu, where F/f = sg, so the tangent meets the baseline
  // at mu - sg; bend at
  // mu - sg*log((3 + sqrt 5)/2).
  EXPECT_NEAR(out[2], 2.0, 2e-3);
  EXPECT_NEAR(out[0], 2.0 - 0.5, 2e-3);
  EXPECT_NEAR(out[1], 2.0 - 0.5 * std::log((3 + std::sqrt(5.0)) / 2), 2e-3);
  // k = 0 reads the curve with k = 1e-4; a tiny negative k with -1e-4.
  const double thp[6] = {0.0, 1.0, 2.0, 0.5, 1e-4, 0.0};
  noxk4_readings(thp, &G, out2);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], out2[i]);
  const double thn[6] = {0.0, 1.0, 2.0, 0.5, -1e-6, 0.0};
  const double thm[6] = {0.0, 1.0, 2.0, 0.5, -1e-4, 0.0};
  noxk4_readings(thn, &G, out);
  noxk4_readings(thm, &G, out2);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], out2[i]);
}

TEST(Noxk4Readings, FailuresGiveNaN) {
  double out[3];
  auto all_nan = [&] { return std::isnan(out[0]) && std::isnan(out[1]) && std::isnan(out[2]); };
  const double th[6] = {0.0, 1.0, 0.0, 1.0, 0.1, 0.2};
  // Grids without a step.
  for (int G : {1, 0, -7}) {
    out[0] = out[1] = out[2] = 5;
    noxk4_readings(th, &G, out);
    EXPECT_TRUE(all_nan()) << G;
  }
  const int G = 500;
  // A steeply falling curve: every slope is below -1, no steepest point.
  const double fall[6] = {0.0, -1e6, 0.0, 1.0, 0.1, 0.2};
  noxk4_readings(fall, &G, out);
  EXPECT_TRUE(all_nan());
  const double nan1[6] = {0.0, kNaN, 0.0, 1.0, 0.1, 0.2};
  noxk4_readings(nan1, &G, out);
  EXPECT_TRUE(all_nan());
  // Exponential: the density falls from the lower end, the peak is at the
  // first grid point.
  const double expo[6] = {0.0, 1.0, 0.0, 1.0, 0.0, 1.0};
  noxk4_readings(expo, &G, out);
  EXPECT_TRUE(all_nan());
  // A NaN scale gives no quantile range to read on.
  const double bad[6] = {0.0, 1.0, 0.0, kNaN, 0.1, 0.2};
  noxk4_readings(bad, &G, out);
  EXPECT_TRUE(all_nan());
  // Three grid points: steepest point and intercept, no bend.
  const int G3 = 3;
  noxk4_readings(th, &G3, out);
  EXPECT_FALSE(std::isnan(out[0]));
  EXPECT_TRUE(std::isnan(out[1]));
  EXPECT_EQ(out[2], 0.5 * (noxara::k4_q(0.001, 0, 1, 0.1, 0.2) + noxara::k4_q(0.999, 0, 1, 0.1, 0.2)));
}

// ---- band lengths ----

TEST(Noxk4Band, Pnorm2) {
  EXPECT_EQ(noxara::pnorm2(3, 4, 2), 5.0);
  EXPECT_EQ(noxara::pnorm2(3, 4, 1), 7.0);
  EXPECT_EQ(noxara::pnorm2(3, 4, kInf), 4.0);
  EXPECT_EQ(noxara::pnorm2(3, 4, 0), 4.0);
  EXPECT_EQ(noxara::pnorm2(3, 4, -2), 4.0);
  EXPECT_EQ(noxara::pnorm2(3, 4, kNaN), 4.0);
  EXPECT_NEAR(noxara::pnorm2(3, 4, 3), std::cbrt(91.0), 1e-14);
  EXPECT_NEAR(noxara::pnorm2(3, 4, 60), 4.0, 1e-2);
}

// Arc length of g0 + g1 F by a fine Simpson rule, as an independent truth.
double arc_simpson(const double* th, double a, double b, double p) {
  const int N = 20000;
  const double hstep = (b - a) / N;
  double s = 0;
  for (int i = 0; i <= N; ++i) {
    const double x = a + i * hstep;
    const double d = std::fabs(th[1] * noxara::k4_f(x, th[2], th[3], th[4], th[5]));
    const double v = (p == 2) ? std::hypot(1.0, d) : std::max(1.0, d);
    s += v * ((i == 0 || i == N) ? 1 : (i % 2 ? 4 : 2));
  }
  return s * hstep / 3;
}

TEST(Noxk4Band, ModelLengths) {
  const double th[6] = {0.3, 4.0, 1.0, 0.8, 0.15, 0.4};
  const double br[4] = {0.4, 0.9, 1.6, 3.0};  // lower end 0.215
  const int J = 3, nodes = 40;
  double out[3];
  // p = 1: the length is the run plus the rise, (b - a) + g1 (F(b) - F(a)).
  const double p1 = 1;
  noxk4_band_model(th, br, &J, &nodes, &p1, out);
  for (int j = 0; j < J; ++j) {
    const double rise = th[1] * (k4_F(br[j + 1], 1.0, 0.8, 0.15, 0.4) - k4_F(br[j], 1.0, 0.8, 0.15, 0.4));
    EXPECT_NEAR(out[j], (br[j + 1] - br[j]) + rise, 1e-9) << j;
  }
  const double p2 = 2;
  noxk4_band_model(th, br, &J, &nodes, &p2, out);
  for (int j = 0; j < J; ++j) EXPECT_NEAR(out[j], arc_simpson(th, br[j], br[j + 1], 2), 1e-7) << j;
  double untouched[1] = {7};
  const int J0 = 0;
  noxk4_band_model(th, br, &J0, &nodes, &p2, untouched);
  EXPECT_EQ(untouched[0], 7);
  const int n0 = 0;
  noxk4_band_model(th, br, &J, &n0, &p2, out);
  EXPECT_EQ(out[0], 0.0);
}

TEST(Noxk4Band, SampleLengths) {
  // Points (0,0) (1,1) (2,1) (4,2) (5,5): segment midpoints 0.5, 1.5, 3, 4.5.
  const double x[5] = {0, 1, 2, 4, 5}, y[5] = {0, 1, 1, 2, 5};
  const int n = 5, J = 2;
  const double br[3] = {0.0, 1.5, 4.5}, p2 = 2, pinf = kInf;
  double out[2];
  noxk4_band_sample(x, y, &n, br, &J, &p2, out);
  // 1.5 belongs to the band starting there; 4.5 = breaks[J] is dropped.
  EXPECT_NEAR(out[0], std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(out[1], 1.0 + std::sqrt(5.0), 1e-15);
  noxk4_band_sample(x, y, &n, br, &J, &pinf, out);
  EXPECT_EQ(out[0], 1.0);
  EXPECT_EQ(out[1], 3.0);
  const int n1 = 1;
  noxk4_band_sample(x, y, &n1, br, &J, &p2, out);
  EXPECT_EQ(out[0], 0.0);
  EXPECT_EQ(out[1], 0.0);
}

TEST(Noxk4Band, ExpectedMaxOfAbsNormal) {
  EXPECT_EQ(noxara::k4_emax(1, 0, 0), 1.0);
  EXPECT_EQ(noxara::k4_emax(1, -3, 0), 3.0);
  EXPECT_NEAR(noxara::k4_emax(1e-8, 0, 50), 50 * std::sqrt(2 / kPi), 1e-6);
  EXPECT_NEAR(noxara::k4_norm_cdf(1.959963984540054), 0.975, 1e-15);
  EXPECT_NEAR(noxara::k4_norm_pdf(1.0), std::exp(-0.5) / std::sqrt(2 * kPi), 1e-16);
  // E max(d, |Y|) by Simpson over +-12 s.
  const double cases[][3] = {{0.7, 0.4, 0.5}, {0.2, -1.0, 0.3}, {2.0, 0.5, 1.5}};
  for (const auto& c : cases) {
    const double d = c[0], m = c[1], s = c[2];
    const int N = 40000;
    const double lo = m - 12 * s, hs = 24 * s / N;
    double acc = 0;
    for (int i = 0; i <= N; ++i) {
      const double v = lo + i * hs, z = (v - m) / s;
      const double g = std::max(d, std::fabs(v)) * std::exp(-0.5 * z * z) / (s * std::sqrt(2 * kPi));
      acc += g * ((i == 0 || i == N) ? 1 : (i % 2 ? 4 : 2));
    }
    EXPECT_NEAR(noxara::k4_emax(d, m, s), acc * hs / 3, 1e-8);  // kinks at +-d
  }
}

TEST(Noxk4Band, TropicalMean) {
  const double th[6] = {1.0, 3.0, 0.5, 0.7, 0.1, 0.3};
  const double x[6] = {0.0, 0.3, 0.6, 0.9, 1.2, 1.5};
  const int n = 6, J = 2;
  const double br[3] = {0.0, 0.6, 1.0};
  double out[2];
  // Without noise each segment contributes max(dx, |dy|), by its right end.
  const double s0 = 0;
  noxk4_band_trop_mean(x, &n, th, &s0, br, &J, out);
  double want[2] = {0, 0};
  for (int i = 1; i < n; ++i) {
    const double dy = th[1] * (k4_F(x[i], 0.5, 0.7, 0.1, 0.3) - k4_F(x[i - 1], 0.5, 0.7, 0.1, 0.3));
    want[x[i] <= 0.6 ? 0 : 1] += std::max(x[i] - x[i - 1], std::fabs(dy));
  }
  EXPECT_NEAR(out[0], want[0], 1e-15);
  EXPECT_NEAR(out[1], want[1], 1e-15);  // x = 1.2, 1.5 lie beyond breaks[J]
  // Noise adds length.
  const double s1 = 0.2;
  double noisy[2];
  noxk4_band_trop_mean(x, &n, th, &s1, br, &J, noisy);
  EXPECT_GT(noisy[0], out[0]);
  EXPECT_GT(noisy[1], out[1]);
  // No band: nothing written. Fewer than two points: zeros.
  double untouched[2] = {7, 7};
  for (int Jb : {0, -3}) noxk4_band_trop_mean(x, &n, th, &s1, br, &Jb, untouched);
  EXPECT_EQ(untouched[0], 7);
  EXPECT_EQ(untouched[1], 7);
  const int n1 = 1;
  noxk4_band_trop_mean(x, &n1, th, &s1, br, &J, untouched);
  EXPECT_EQ(untouched[0], 0.0);
  EXPECT_EQ(untouched[1], 0.0);
}

// ---- running median ----

std::vector<double> direct_runmed(const std::vector<double>& y, int w) {
  const int n = static_cast<int>(y.size()), half = w / 2;
  std::vector<double> r(n);
  for (int i = 0; i < n; ++i) {
    const int lo = std::max(0, i - half), hi = std::min(n - 1, i + half);
    std::vector<double> win(y.begin() + lo, y.begin() + lo + std::min(hi - lo + 1, 129));
    std::sort(win.begin(), win.end());
    const size_t m = win.size();
    r[i] = (m % 2) ? win[m / 2] : 0.5 * (win[m / 2 - 1] + win[m / 2]);
  }
  return r;
}

TEST(Noxk4Runmed, MatchesDirectMedianOfEachWindow) {
  std::vector<double> y(300);
  for (size_t i = 0; i < y.size(); ++i) y[i] = std::sin(0.37 * i * i) + 0.01 * i;
  const int n = static_cast<int>(y.size());
  std::vector<double> out(n);
  for (int w : {0, 1, 2, 3, 8, 9, 40, 128, 129, 300, 2000000000}) {
    noxk4_runmed(y.data(), &n, &w, out.data());
    const std::vector<double> want = direct_runmed(y, w);
    for (int i = 0; i < n; ++i) ASSERT_EQ(out[i], want[i]) << "w=" << w << " i=" << i;
  }
  // w = 0 and 1 return the input; w = 2 averages the two values at each end.
  int w = 1;
  noxk4_runmed(y.data(), &n, &w, out.data());
  EXPECT_EQ(out, y);
  w = 2;
  noxk4_runmed(y.data(), &n, &w, out.data());
  EXPECT_EQ(out[0], 0.5 * (y[0] + y[1]));
  EXPECT_EQ(out[n - 1], 0.5 * (y[n - 2] + y[n - 1]));
}

TEST(Noxk4Runmed, NegativeWindowAndEmptySeries) {
  const double y[3] = {1, 2, 3};
  double out[3] = {7, 7, 7};
  const int n = 3, n0 = 0, wneg = -1, w = 3;
  noxk4_runmed(y, &n, &wneg, out);
  for (double v : out) EXPECT_TRUE(std::isnan(v));
  double untouched[1] = {7};
  noxk4_runmed(y, &n0, &w, untouched);
  EXPECT_EQ(untouched[0], 7);
}

// ---- fits ----

TEST(Noxk4Fit, LmomRecoversShapesFromExactRatios) {
  const int nodes = 30;
  const double truth[][2] = {{0.2, 0.5}, {-0.3, 1.2}};
  for (const auto& tr : truth) {
    double t[4];
    noxk4_tau34(&tr[0], &tr[1], &nodes, t);
    double out[3];
    noxk4_fit_lmom(&t[0], &t[1], &nodes, out);
    EXPECT_NEAR(out[0], tr[0], 1e-3);
    EXPECT_NEAR(out[1], tr[1], 1e-3);
    EXPECT_LT(out[2], 1e-10);
    EXPECT_GE(out[2], 0.0);
  }
}

TEST(Noxk4Fit, LmomEdgeCases) {
  double out[3];
  // Without nodes every objective value is the penalty: all three runs tie
  // and the first start is kept.
  const double t3 = 0.1, t4 = 0.15;
  const int zero = 0, nodes = 20;
  noxk4_fit_lmom(&t3, &t4, &zero, out);
  EXPECT_EQ(out[0], 0.0);
  EXPECT_EQ(out[1], 0.3);
  EXPECT_EQ(out[2], 1e6);
  // NaN targets: no run improves on the initial best.
  noxk4_fit_lmom(&kNaN, &kNaN, &nodes, out);
  EXPECT_TRUE(std::isnan(out[0]));
  EXPECT_TRUE(std::isnan(out[1]));
  EXPECT_EQ(out[2], 1e300);
  // Out of reach: the best admissible approximation, a positive value.
  const double far3 = 0.95, far4 = -0.2;
  noxk4_fit_lmom(&far3, &far4, &nodes, out);
  EXPECT_GT(out[2], 0.0);
  EXPECT_LT(out[2], 1e6);
  EXPECT_LE(std::fabs(out[0]), 0.9);
  EXPECT_GT(out[1], 0.01);
  EXPECT_LE(out[1], 3.0);
}

// The L-moment objective computed the plain way: a fresh noxk4_tau34 (and so a
// fresh Gauss-Legendre rule) on every evaluation, with the box penalty.
struct PlainLm {
  double t3, t4;
  int nodes;
};

double plain_lm_obj(const double* p, const void* ctx) {
  const PlainLm* c = static_cast<const PlainLm*>(ctx);
  const double k = p[0], h = p[1];
  if (h <= 0.01 || h > 3.0 || k < -0.9 || k > 0.9) return 1e6;
  double t[4];
  noxk4_tau34(&k, &h, &c->nodes, t);
  if (!std::isfinite(t[0]) || !std::isfinite(t[1])) return 1e6;
  return (t[1] - c->t4) * (t[1] - c->t4) + (t[0] - c->t3) * (t[0] - c->t3);
}

TEST(Noxk4Fit, LmomMatchesThePlainThreeStartSearchBitForBit) {
  // The fit builds its quadrature rule once; every value must still be the
  // one a fresh rule per evaluation gives, through the whole search.
  const double targets[][2] = {{0.12, 0.18}, {0.95, -0.2}, {-0.05, 0.11}};
  for (int nodes : {7, 24}) {
    for (const auto& tt : targets) {
      const PlainLm c{tt[0], tt[1], nodes};
      const double starts[3][2] = {{0.0, 0.3}, {0.2, 0.5}, {-0.2, 0.2}};
      double best = 1e300, bk = kNaN, bh = kNaN;
      for (const auto& st : starts) {
        double p[2], f;
        noxk4_nmd(plain_lm_obj, &c, 2, st, 300, p, &f);
        if (f < best) {
          best = f;
          bk = p[0];
          bh = p[1];
        }
      }
      double out[3];
      noxk4_fit_lmom(&tt[0], &tt[1], &nodes, out);
      EXPECT_EQ(out[0], bk) << nodes << " " << tt[0];
      EXPECT_EQ(out[1], bh) << nodes << " " << tt[0];
      EXPECT_EQ(out[2], best) << nodes << " " << tt[0];
    }
  }
}

TEST(Noxk4Fit, AleqRecoversShapeAndScale) {
  // Sample on the exact quantile curve of (al, k, h) = (1.5, 0.15, 0.6).
  const double al = 1.5, k = 0.15, h = 0.6;
  const int N = 3000;
  std::vector<double> ys(N);
  for (int m = 0; m < N; ++m) ys[m] = noxara::k4_q((m + 1.0) / (N + 1.0), 4.0, al, k, h);
  const double bands[] = {0.02, 0.2, 0.2, 0.4, 0.4, 0.6, 0.6, 0.8, 0.8, 0.98};
  const int J = 5;
  const double start[3] = {std::log(1.2), 0.1, std::log(0.5)};
  double out[4];
  noxk4_fit_aleq(ys.data(), &N, bands, &J, start, out);
  EXPECT_NEAR(out[0], k, 0.02);
  EXPECT_NEAR(out[1], h, 0.03);
  EXPECT_NEAR(out[2], al, 0.02);
  EXPECT_LT(out[3], 1e-6);
}

TEST(Noxk4Fit, AleqWithoutBandsKeepsTheCallersStart) {
  const double ys[3] = {1, 2, 3};
  const int N = 3, J = 0;
  const double start[3] = {0.4, -0.1, 0.2};
  double out[4];
  noxk4_fit_aleq(ys, &N, nullptr, &J, start, out);
  EXPECT_EQ(out[0], start[1]);
  EXPECT_EQ(out[1], std::exp(start[2]));
  EXPECT_EQ(out[2], std::exp(start[0]));
  EXPECT_EQ(out[3], 0.0);
}

// Points on g0 + g1 F(x) (+ m x), x spread over the rise of the curve.
void exact_curve(const double* th, double m, int n, std::vector<double>& x, std::vector<double>& y) {
  x.resize(n);
  y.resize(n);
  for (int i = 0; i < n; ++i) {
    x[i] = -2.0 + 6.0 * i / (n - 1);
    y[i] = th[0] + th[1] * k4_F(x[i], th[2], th[3], th[4], th[5]) + m * x[i];
  }
}

TEST(Noxk4Fit, NlsRecoversCurveFromExactData) {
  const double th[6] = {0.5, 2.0, 0.8, 0.9, 0.2, 0.7};
  std::vector<double> x, y;
  const int n = 60;
  exact_curve(th, 0.0, n, x, y);
  const double start[6] = {0.4, std::log(1.8), 0.6, std::log(1.0), 0.1, std::log(0.6)};
  double out[7];
  noxk4_fit_nls(x.data(), y.data(), &n, start, out);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[i], th[i], 1e-3) << i;
  EXPECT_LT(out[6], 1e-10);

  const double m = -0.15;
  exact_curve(th, m, n, x, y);
  const double sd[7] = {0.4, -0.1, std::log(1.8), 0.6, std::log(1.0), 0.1, std::log(0.6)};
  double od[8];
  noxk4_fit_nls_drift(x.data(), y.data(), &n, sd, od);
  const double want[8] = {th[0], m, th[1], th[2], th[3], th[4], th[5]};
  for (int i = 0; i < 7; ++i) EXPECT_NEAR(od[i], want[i], 2e-3) << i;
  EXPECT_LT(od[7], 1e-9);
}

TEST(Noxk4Fit, NlsPlateauAndEmptyData) {
  const double x[2] = {0, 1}, y[2] = {0, 1};
  const int n = 2, n0 = 0;
  // k = 1.5 lies outside the admissible box and so does every initial
  // vertex: the start comes back with the penalty.
  const double start[6] = {0.1, 0.2, 0.3, 0.4, 1.5, 0.5};
  double out[7];
  noxk4_fit_nls(x, y, &n, start, out);
  EXPECT_EQ(out[0], 0.1);
  EXPECT_EQ(out[1], std::exp(0.2));
  EXPECT_EQ(out[2], 0.3);
  EXPECT_EQ(out[3], std::exp(0.4));
  EXPECT_EQ(out[4], 1.5);
  EXPECT_EQ(out[5], std::exp(0.5));
  EXPECT_EQ(out[6], 1e12);
  // No data: the objective is 0 throughout the box, the start is kept.
  const double inside[6] = {0.1, 0.2, 0.3, 0.4, 0.1, -0.5};
  noxk4_fit_nls(x, y, &n0, inside, out);
  EXPECT_EQ(out[4], 0.1);
  EXPECT_EQ(out[5], std::exp(-0.5));
  EXPECT_EQ(out[6], 0.0);
  const double sd[7] = {0.1, 0.0, 0.2, 0.3, 0.4, 0.1, -0.5};
  double od[8];
  noxk4_fit_nls_drift(x, y, &n0, sd, od);
  EXPECT_EQ(od[1], 0.0);
  EXPECT_EQ(od[6], std::exp(-0.5));
  EXPECT_EQ(od[7], 0.0);
}

TEST(Noxk4Fit, NalrRecoversCurveFromExactData) {
  // A curve flat at the left end, so the anchor sits on the baseline.
  const double th[6] = {1.0, 3.0, 1.0, 0.5, 0.1, 0.8};
  std::vector<double> x, y;
  // Band limits fall on data points (n - 1 is a multiple of J), so no
  // segment straddles two bands and the sample lengths are chord sums.
  const int n = 1201;
  exact_curve(th, 0.0, n, x, y);
  const int J = 12, w = 1;
  const double lambda = 1.0, p = 2.0;
  const double start[6] = {0.9, std::log(2.7), 1.1, std::log(0.55), 0.05, std::log(0.7)};
  double out[7];
  noxk4_fit_nalr(x.data(), y.data(), &n, &J, &lambda, &w, &p, start, out);
  const double tol[6] = {2e-3, 0.02, 0.02, 0.02, 0.05, 0.1};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[i], th[i], tol[i]) << i;
  EXPECT_LT(out[6], 1e-5);
}

TEST(Noxk4Fit, NalrRefusesTooLittleData) {
  const double x[4] = {0, 1, 2, 3}, y[4] = {0, 1, 2, 3};
  const double lambda = 1, p = 2;
  const double start[6] = {0, 0, 0, 0, 0, 0};
  const int w = 3;
  double out[7];
  for (int nn : {2, 0, -1}) {
    const int J = 2;
    for (double& v : out) v = 5;
    noxk4_fit_nalr(x, y, &nn, &J, &lambda, &w, &p, start, out);
    for (double v : out) EXPECT_TRUE(std::isnan(v)) << nn;
  }
  for (int J : {0, -4}) {
    const int nn = 4;
    for (double& v : out) v = 5;
    noxk4_fit_nalr(x, y, &nn, &J, &lambda, &w, &p, start, out);
    for (double v : out) EXPECT_TRUE(std::isnan(v)) << J;
  }
  // A start outside the box: the penalty everywhere, the start comes back.
  const int nn = 4, J = 1;
  const double bad[6] = {0.5, 0.1, 0.2, 0.3, 2.0, 0.1};
  noxk4_fit_nalr(x, y, &nn, &J, &lambda, &w, &p, bad, out);
  EXPECT_EQ(out[0], 0.5);
  EXPECT_EQ(out[4], 2.0);
  EXPECT_EQ(out[6], 1e12);
}

}  // namespace

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(Noxk4BadInput, DistributionFunctionsAtNonFiniteArguments) {
  using namespace badin;
  const double par[5] = {0.5, 0.0, 1.0, 0.1, 0.3};  // x, mu, sg, k, h
  for (double bad : kNonFinite) {
    for (int j = 0; j < 5; ++j) {
      double a[5];
      std::copy(par, par + 5, a);
      a[j] = bad;
      const double F = k4_F(a[0], a[1], a[2], a[3], a[4]);
      EXPECT_TRUE(std::isnan(F) || (F >= 0.0 && F <= 1.0)) << bad << " " << j;
    }
  }
  const double v[3] = {0.2, 0.5, 0.9};
  const double mu = 0.0, sg = 1.0, k = 0.1, h = 0.3;
  for (int n : {0, -1, INT_MIN}) {
    Out o(3);
    noxk4_q(v, &n, &mu, &sg, &k, &h, o.p());
    noxk4_cdf(v, &n, &mu, &sg, &k, &h, o.p());
    noxk4_pdf(v, &n, &mu, &sg, &k, &h, o.p());
    EXPECT_TRUE(o.untouched()) << n;
  }
  const int n = 3;
  for (double bad : kNonFinite) {
    const double vb[3] = {0.2, bad, 0.9};
    for (int j = 0; j < 5; ++j) {
      double a[4] = {mu, sg, k, h};
      if (j < 4) a[j] = bad;
      const double* xx = j == 4 ? vb : v;
      Out o(3);
      noxk4_q(xx, &n, &a[0], &a[1], &a[2], &a[3], o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << j;
      EXPECT_TRUE(o.all_written()) << bad << " " << j;
      o.reset();
      noxk4_cdf(xx, &n, &a[0], &a[1], &a[2], &a[3], o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << j;
      EXPECT_TRUE(o.all_written()) << bad << " " << j;
      o.reset();
      noxk4_pdf(xx, &n, &a[0], &a[1], &a[2], &a[3], o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << j;
      EXPECT_TRUE(o.all_written()) << bad << " " << j;
    }
  }
}

TEST(Noxk4BadInput, Tau34NodesAndNonFiniteShapes) {
  using namespace badin;
  const double k = 0.1, h = 0.3;
  for (int nodes : {0, -1, INT_MIN}) {
    Out o(4);
    noxk4_tau34(&k, &h, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_written()) << nodes;
  }
  for (double bad : kNonFinite) {
    const int nodes = 20;
    Out o(4);
    noxk4_tau34(&bad, &h, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxk4_tau34(&k, &bad, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(Noxk4BadInput, ReadingsWithoutAGridOrWithNonFiniteCurves) {
  using namespace badin;
  const double th[6] = {0.0, 1.0, 0.0, 1.0, 0.1, 0.3};
  // No grid step: no reading can be found.
  for (int grid : {1, 0, -1, INT_MIN}) {
    Out o(3);
    noxk4_readings(th, &grid, o.p());
    EXPECT_TRUE(o.guards_intact()) << grid;
    EXPECT_TRUE(o.all_nan()) << grid;
  }
  for (int grid : {2, 3, 4}) {
    Out o(3);
    noxk4_readings(th, &grid, o.p());
    EXPECT_TRUE(o.guards_intact()) << grid;
  }
  for (double bad : kNonFinite) {
    for (int j = 0; j < 6; ++j) {
      double tb[6];
      std::copy(th, th + 6, tb);
      tb[j] = bad;
      const int grid = 200;
      Out o(3);
      noxk4_readings(tb, &grid, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << j;
      // The location, scale and shapes fix the quantile range: without it
      // there is no reading.
      if (j >= 2) {
        EXPECT_TRUE(o.all_nan()) << bad << " " << j;
      }
    }
  }
}

TEST(Noxk4BadInput, BandLengthsCountsNodesAndOrders) {
  using namespace badin;
  const double th[6] = {0.0, 1.0, 0.0, 1.0, 0.1, 0.3};
  const double br[3] = {-1.0, 0.5, 2.0};
  const double x[5] = {-1.0, -0.2, 0.4, 1.0, 1.8}, y[5] = {0.0, 0.2, 0.5, 0.8, 0.9};
  const double p = 2.0, sigma = 0.1;
  for (int J : {0, -1, INT_MIN}) {
    const int nodes = 10, n = 5;
    Out o(2);
    noxk4_band_model(th, br, &J, &nodes, &p, o.p());
    noxk4_band_sample(x, y, &n, br, &J, &p, o.p());
    noxk4_band_trop_mean(x, &n, th, &sigma, br, &J, o.p());
    EXPECT_TRUE(o.untouched()) << J;
  }
  const int J = 2;
  // No segments or no nodes: every band sums nothing.
  for (int cnt : {0, -1, INT_MIN}) {
    Out o(2);
    noxk4_band_model(th, br, &J, &cnt, &p, o.p());
    EXPECT_TRUE(o.guards_intact()) << cnt;
    EXPECT_EQ(o[0], 0.0);
    EXPECT_EQ(o[1], 0.0);
    o.reset();
    noxk4_band_sample(x, y, &cnt, br, &J, &p, o.p());
    EXPECT_TRUE(o.guards_intact()) << cnt;
    EXPECT_EQ(o[0], 0.0);
    EXPECT_EQ(o[1], 0.0);
    o.reset();
    noxk4_band_trop_mean(x, &cnt, th, &sigma, br, &J, o.p());
    EXPECT_TRUE(o.guards_intact()) << cnt;
    EXPECT_EQ(o[0], 0.0);
    EXPECT_EQ(o[1], 0.0);
  }
  const int n = 5, nodes = 10;
  // Orders without a finite positive value, and non-finite data.
  for (double bad : {badin::kNaN, badin::kInf, -badin::kInf, 0.0, -2.0}) {
    Out o(2);
    noxk4_band_model(th, br, &J, &nodes, &bad, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxk4_band_sample(x, y, &n, br, &J, &bad, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
  for (double bad : kNonFinite) {
    const double xb[5] = {-1.0, bad, 0.4, 1.0, 1.8};
    const double bb[3] = {-1.0, bad, 2.0};
    double tb[6];
    std::copy(th, th + 6, tb);
    tb[4] = bad;
    Out o(2);
    noxk4_band_model(tb, br, &J, &nodes, &p, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    o.reset();
    noxk4_band_model(th, bb, &J, &nodes, &p, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    o.reset();
    noxk4_band_sample(xb, y, &n, bb, &J, &p, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    o.reset();
    noxk4_band_trop_mean(xb, &n, th, &sigma, br, &J, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    o.reset();
    noxk4_band_trop_mean(x, &n, tb, &bad, bb, &J, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
  }
}

TEST(Noxk4BadInput, RunningMedianCountsAndWindows) {
  using namespace badin;
  const double y[6] = {3.0, 1.0, 4.0, 1.0, 5.0, 9.0};
  for (int n : {0, -1, INT_MIN}) {
    const int w = 3;
    Out o(6);
    noxk4_runmed(y, &n, &w, o.p());
    EXPECT_TRUE(o.untouched()) << n;
  }
  const int n = 6;
  for (int w : {-1, -2, INT_MIN}) {
    Out o(6);
    noxk4_runmed(y, &n, &w, o.p());
    EXPECT_TRUE(o.guards_intact()) << w;
    EXPECT_TRUE(o.all_nan()) << w;
  }
  // A window wider than the series takes the whole series.
  for (int w : {13, 1000, INT_MAX}) {
    Out o(6);
    noxk4_runmed(y, &n, &w, o.p());
    EXPECT_TRUE(o.guards_intact()) << w;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(o[i], 3.5) << w;
  }
  const double yb[6] = {3.0, badin::kNaN, 4.0, badin::kInf, -badin::kInf, 9.0};
  const int w = 3;
  Out o(6);
  noxk4_runmed(yb, &n, &w, o.p());
  EXPECT_TRUE(o.guards_intact());
  EXPECT_TRUE(o.all_written());
}

TEST(Noxk4BadInput, ShapeFitsAtBadTargetsCountsAndStarts) {
  using namespace badin;
  for (int nodes : {0, -1, INT_MIN}) {
    const double t3 = 0.1, t4 = 0.15;
    Out o(3);
    noxk4_fit_lmom(&t3, &t4, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(o.all_written()) << nodes;
  }
  for (double bad : kNonFinite) {
    const double t4 = 0.15;
    const int nodes = 10;
    Out o(3);
    noxk4_fit_lmom(&bad, &t4, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxk4_fit_lmom(&t4, &bad, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }

  const double ys[6] = {-1.2, -0.5, 0.1, 0.4, 1.0, 2.3};
  const double bands[4] = {0.1, 0.5, 0.5, 0.9};
  const double start[3] = {0.0, 0.1, std::log(0.4)};
  for (int n : {0, -1, INT_MIN}) {
    const int J = 2;
    Out o(4);
    noxk4_fit_aleq(ys, &n, bands, &J, start, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_written()) << n;
  }
  for (int J : {0, -1, INT_MIN}) {
    const int n = 6;
    Out o(4);
    noxk4_fit_aleq(ys, &n, bands, &J, start, o.p());
    EXPECT_TRUE(o.guards_intact()) << J;
    EXPECT_TRUE(o.all_written()) << J;
  }
  for (double bad : kNonFinite) {
    const int n = 6, J = 2;
    const double yb[6] = {-1.2, bad, 0.1, 0.4, 1.0, 2.3};
    const double bb[4] = {0.1, bad, 0.5, 0.9};
    const double sb[3] = {bad, 0.1, bad};
    Out o(4);
    noxk4_fit_aleq(yb, &n, bands, &J, start, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxk4_fit_aleq(ys, &n, bb, &J, start, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxk4_fit_aleq(ys, &n, bands, &J, sb, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(Noxk4BadInput, CurveFitsAtBadCountsDataAndStarts) {
  using namespace badin;
  const double x[6] = {-2.0, -1.0, 0.0, 1.0, 2.0, 3.0};
  const double y[6] = {0.1, 0.3, 1.1, 1.8, 2.0, 2.1};
  const double st6[6] = {0.0, std::log(2.0), 0.0, 0.0, 0.1, std::log(0.5)};
  const double st7[7] = {0.0, 0.0, std::log(2.0), 0.0, 0.0, 0.1, std::log(0.5)};
  for (int n : {0, -1, INT_MIN}) {
    Out o(7);
    noxk4_fit_nls(x, y, &n, st6, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_written()) << n;
    Out d(8);
    noxk4_fit_nls_drift(x, y, &n, st7, d.p());
    EXPECT_TRUE(d.guards_intact()) << n;
    EXPECT_TRUE(d.all_written()) << n;
  }
  const int n = 6;
  for (double bad : kNonFinite) {
    const double xb[6] = {-2.0, bad, 0.0, 1.0, 2.0, 3.0};
    const double yb[6] = {0.1, 0.3, bad, 1.8, 2.0, 2.1};
    double s6[6], s7[7];
    std::copy(st6, st6 + 6, s6);
    std::copy(st7, st7 + 7, s7);
    s6[2] = bad;
    s7[6] = bad;
    for (int which = 0; which < 3; ++which) {
      const double* xx = which == 0 ? xb : x;
      const double* yy = which == 1 ? yb : y;
      Out o(7);
      noxk4_fit_nls(xx, yy, &n, which == 2 ? s6 : st6, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
      Out d(8);
      noxk4_fit_nls_drift(xx, yy, &n, which == 2 ? s7 : st7, d.p());
      EXPECT_TRUE(d.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(d.all_written()) << bad << " " << which;
    }
  }
}

TEST(Noxk4BadInput, AnchoredBandFitCountsWindowsAndOrders) {
  using namespace badin;
  const double x[6] = {-2.0, -1.0, 0.0, 1.0, 2.0, 3.0};
  const double y[6] = {0.1, 0.3, 1.1, 1.8, 2.0, 2.1};
  const double st6[6] = {0.0, std::log(2.0), 0.0, 0.0, 0.1, std::log(0.5)};
  const double lambda = 1.0, p = 2.0;
  const int w = 3;
  // Fewer than three points, or no band: all seven slots NaN.
  for (int n : {2, 0, -1, INT_MIN}) {
    const int J = 1;
    Out o(7);
    noxk4_fit_nalr(x, y, &n, &J, &lambda, &w, &p, st6, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
  }
  const int n = 6;
  for (int J : {0, -1, INT_MIN}) {
    Out o(7);
    noxk4_fit_nalr(x, y, &n, &J, &lambda, &w, &p, st6, o.p());
    EXPECT_TRUE(o.guards_intact()) << J;
    EXPECT_TRUE(o.all_nan()) << J;
  }
  const int J = 1;
  for (int wb : {-1, INT_MIN, INT_MAX}) {
    Out o(7);
    noxk4_fit_nalr(x, y, &n, &J, &lambda, &wb, &p, st6, o.p());
    EXPECT_TRUE(o.guards_intact()) << wb;
    EXPECT_TRUE(o.all_written()) << wb;
  }
  for (double bad : kNonFinite) {
    const double xb[6] = {bad, -1.0, 0.0, 1.0, 2.0, 3.0};
    const double yb[6] = {0.1, 0.3, bad, 1.8, 2.0, 2.1};
    for (int which = 0; which < 4; ++which) {
      const double* xx = which == 0 ? xb : x;
      const double* yy = which == 1 ? yb : y;
      const double lam = which == 2 ? bad : lambda;
      const double pp = which == 3 ? bad : p;
      Out o(7);
      noxk4_fit_nalr(xx, yy, &n, &J, &lam, &w, &pp, st6, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
    }
  }
}
