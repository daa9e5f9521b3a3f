// Shape-polynomial quantile family, sample L-moments, band arc lengths and
// scale estimation.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "noxara.h"
#include "noxdistc.h"
#include "numerics/gl01.h"
#include "guarded_output.h"


using namespace noxara;

namespace {

std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

double star(double sg, double a, double b, int nodes) {
  double o;
  al_band_model_star(&sg, &a, &b, &nodes, &o);
  return o;
}
double normal_model(double sg, double a, double b, int nodes) {
  double o;
  al_band_model(&sg, &a, &b, &nodes, &o);
  return o;
}
double scale(void (*f)(const double*, const int*, const double*, const double*, double*),
             const std::vector<double>& x, double a, double b) {
  const int n = static_cast<int>(x.size());
  double o = -1;
  f(x.data(), &n, &a, &b, &o);
  return o;
}

// Sample L-moment of order r as the average, over every r-subset of the
// sample, of (1/r) sum_k (-1)^k C(r-1, k) y_(r-k) (the U-statistic form).
double lmom_by_subsets(std::vector<double> x, int r) {
  std::sort(x.begin(), x.end());
  const int n = static_cast<int>(x.size());
  double total = 0;
  int count = 0;
  for (unsigned mask = 0; mask < (1u << n); ++mask) {
    if (__builtin_popcount(mask) != r) continue;
    std::vector<double> y;
    for (int i = 0; i < n; ++i)
      if (mask & (1u << i)) y.push_back(x[i]);
    double l = 0, c = 1;  // c = C(r-1, k)
    for (int k = 0; k < r; ++k) {
      l += (k % 2 ? -c : c) * y[r - 1 - k];
      c = c * (r - 1 - k) / (k + 1);
    }
    total += l / r;
    ++count;
  }
  return total / count;
}

}  // namespace

// Kept first in the file: in a run of this binary it makes the process's first
// calls of the mixture model, so the threads race on building the table.
TEST(NoxdistcConcurrency, SimultaneousFirstCallsOfTheMixtureModelAgree) {
  const int T = 8;
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<double> res(T * 2);
  std::vector<std::thread> pool;
  for (int t = 0; t < T; ++t) {
    pool.emplace_back([&, t] {
      ready.fetch_add(1);
      while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
      res[2 * t] = star(0.7, 0.1, 0.9, 60);
      res[2 * t + 1] = star(0.0, 0.25, 0.75, 40);
    });
  }
  while (ready.load() < T) std::this_thread::yield();
  go.store(true, std::memory_order_release);
  for (auto& th : pool) th.join();
  const double later0 = star(0.7, 0.1, 0.9, 60), later1 = star(0.0, 0.25, 0.75, 40);
  for (int t = 0; t < T; ++t) {
    EXPECT_EQ(bits(res[2 * t]), bits(later0));
    EXPECT_EQ(bits(res[2 * t + 1]), bits(later1));
  }
  EXPECT_NEAR(later1, 0.5, 1e-7);  // sigma = 0: Phi(zb) - Phi(za)
}

TEST(NoxdistcLmoments, SmallSampleWorkedByHand) {
  const double x[3] = {3, 1, 2};
  const int n = 3, m = 3;
  double out[3];
  sample_lmoments_c(x, &n, &m, out);
  EXPECT_DOUBLE_EQ(out[0], 2.0);
  EXPECT_DOUBLE_EQ(out[1], 2.0 / 3.0);
  EXPECT_NEAR(out[2], 0.0, 1e-15);
  EXPECT_EQ(x[0], 3);  // the caller's array is not reordered
}

TEST(NoxdistcLmoments, AgreeWithTheSubsetAverageDefinition) {
  const std::vector<double> x = {2.5, -1.0, 7.25, 0.5, 3.0, 11.0, -4.5, 0.75, 2.0};
  const int n = 9, m = 5;
  double out[5];
  sample_lmoments_c(x.data(), &n, &m, out);
  for (int r = 1; r <= m; ++r) EXPECT_NEAR(out[r - 1], lmom_by_subsets(x, r), 1e-12) << r;
}

TEST(NoxdistcLmoments, EmptySampleAndZeroOrder) {
  const double x[1] = {1};
  int n = 0, m = 2;
  double out[2] = {5, 5};
  sample_lmoments_c(x, &n, &m, out);
  EXPECT_TRUE(std::isnan(out[0]) && std::isnan(out[1]));
  n = 1, m = 0, out[0] = 5;
  sample_lmoments_c(x, &n, &m, out);
  EXPECT_EQ(out[0], 5);
}

TEST(NoxdistcShape, QuantileDensityAgainstExplicitPolynomials) {
  const double u[4] = {0.0, 0.2, 0.65, 1.0};
  const int nu = 4;
  const double sg = 1.5;
  double out[4];
  int k = 0;
  noxq_qd(u, &nu, nullptr, &k, &sg, out);
  for (double o : out) EXPECT_EQ(o, sg);
  const double c3[3] = {0.3, -0.2, 0.1};
  k = 3;
  noxq_qd(u, &nu, c3, &k, &sg, out);
  for (int i = 0; i < nu; ++i) {
    const double t = 2 * u[i] - 1;
    const double sh = 1 + 0.3 * t - 0.2 * (3 * t * t - 1) / 2 + 0.1 * (5 * t * t * t - 3 * t) / 2;
    EXPECT_NEAR(out[i], sg * sh, 1e-14);
  }
  const double neg[2] = {3.0, 0.0};  // shape = 1 + 3t is negative for u < 1/3
  k = 2;
  noxq_qd(u, &nu, neg, &k, &sg, out);
  EXPECT_EQ(out[0], 0.0);
  EXPECT_EQ(out[1], 0.0);
  EXPECT_NEAR(out[2], sg * 1.9, 1e-14);
  const double un = std::nan("");
  const int one = 1;
  noxq_qd(&un, &one, neg, &k, &sg, out);
  EXPECT_TRUE(std::isnan(out[0]));  // not a zero density
}

TEST(NoxdistcShape, ArcLengthAgainstClosedForms) {
  double out;
  int k = 0, nodes = 12;
  double sg = 0;
  noxq_arclength(nullptr, &k, &sg, &nodes, &out);
  EXPECT_NEAR(out, 1.0, 1e-14);
  sg = 2;
  noxq_arclength(nullptr, &k, &sg, &nodes, &out);
  EXPECT_NEAR(out, std::sqrt(5.0), 1e-14);
  // shape = 1 + 0.5(2u - 1) = 0.5 + u: length = int sqrt(1 + v^2) dv / sigma
  const double c[1] = {0.5};
  k = 1, nodes = 30;
  auto F = [](double v) { return 0.5 * (v * std::sqrt(1 + v * v) + std::asinh(v)); };
  noxq_arclength(c, &k, &sg, &nodes, &out);
  EXPECT_NEAR(out, (F(1.5 * sg) - F(0.5 * sg)) / sg, 1e-13);
  nodes = 0;
  noxq_arclength(c, &k, &sg, &nodes, &out);
  EXPECT_EQ(out, 0.0);
}

TEST(NoxdistcFit, AdmissibilityMatchesADenseGridMinimum) {
  EXPECT_EQ(noxq_admissible(0, 0), 1.0);
  EXPECT_EQ(noxq_admissible(2, 0), 0.0);  // 1 + 2t < 0 near u = 0
  EXPECT_EQ(noxq_admissible(0, 2), 1.0);  // interior minimum exactly 0
  EXPECT_EQ(noxq_admissible(0, 3), 0.0);  // interior minimum -0.5
  EXPECT_EQ(noxq_admissible(std::nan(""), 0.1), 0.0);
  for (double c1 = -1.9; c1 <= 1.9; c1 += 0.37)
    for (double c2 = -1.3; c2 <= 2.9; c2 += 0.29) {
      double mn = 1e300;
      for (int i = 0; i <= 20000; ++i) {
        const double t = 2 * (i / 20000.0) - 1;
        mn = std::min(mn, 1 + c1 * t + c2 * (3 * t * t - 1) / 2);
      }
      if (std::fabs(mn) > 1e-6) {
        EXPECT_EQ(noxq_admissible(c1, c2), mn > 0 ? 1.0 : 0.0) << c1 << " " << c2;
      }
    }
}

TEST(NoxdistcFit, FittedMemberReproducesTheSampleLmoments) {
  const std::vector<double> x = {0.3, 1.7, 2.2, 0.9, 4.1, 2.8, 1.1, 3.3, 0.2, 2.0, 1.5, 5.6};
  const int n = 12, m = 4;
  double fit[5], lam[4];
  noxq_fit_cf_c(x.data(), &n, fit);
  sample_lmoments_c(x.data(), &n, &m, lam);
  const double c1 = fit[0], c2 = fit[1], mu = fit[2], sg = fit[3];
  const double A = 1 - c1 + c2, B = 2 * c1 - 6 * c2, C = 6 * c2;
  // L-moments of Q(u) = mu + sg (A u + B u^2/2 + C u^3/3) by exact quadrature.
  double xn[8], wn[8], pop[4] = {0, 0, 0, 0};
  gl01(8, xn, wn);
  for (int j = 0; j < 8; ++j) {
    const double u = xn[j];
    const double Q = mu + sg * (A * u + B * u * u / 2 + C * u * u * u / 3);
    const double P[4] = {1, 2 * u - 1, 6 * u * u - 6 * u + 1, 20 * u * u * u - 30 * u * u + 12 * u - 1};
    for (int r = 0; r < 4; ++r) pop[r] += wn[j] * Q * P[r];
  }
  for (int r = 0; r < 4; ++r) EXPECT_NEAR(pop[r], lam[r], 1e-12) << r;
  EXPECT_EQ(fit[4], noxq_admissible(c1, c2));
  const std::vector<double> flat(6, 2.5);  // lambda_2 = 0
  const int six = 6;
  noxq_fit_cf_c(flat.data(), &six, fit);
  for (double f : fit) EXPECT_TRUE(std::isnan(f));
}

TEST(NoxdistcNormal, QuantilesAgainstKnownValues) {
  const double p[6] = {0.5, 0.975, 0.9, 0.001, 1e-10, 0.8413447460685429};
  const double z[6] = {0.0, 1.959963984540054, 1.2815515655446004, -3.090232306167813,
                       -6.361340902404056, 1.0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(std_normal_qf(p[i]), z[i], 1e-13 * std::max(1.0, std::fabs(z[i])));
    // Symmetry, with 1 - q exact. Far in the upper tail the refinement step
    // works with Phi(x) - p near 1 and keeps only about eight digits.
    const double q = 1 - p[i], tol = p[i] < 1e-6 ? 1e-8 : 1e-12;
    EXPECT_NEAR(std_normal_qf(q), -std_normal_qf(1 - q), tol * std::max(1.0, std::fabs(z[i]))) << i;
  }
  for (double bad : {0.0, 1.0, -0.5, 2.0, std::nan("")}) {
    EXPECT_TRUE(std::isnan(std_normal_qf(bad)));
  }
}

TEST(NoxdistcExpTable, ReproducesExponentialMoments) {
  const exp_table& t = al_exp_nodes();
  double s = 0, m1 = 0, m2 = 0, lap = 0;
  for (int j = 0; j < 80; ++j) {
    if (j > 0) {
      EXPECT_LT(t.exp_t[j - 1], t.exp_t[j]);
    }
    s += t.exp_w[j];
    m1 += t.exp_w[j] * t.exp_t[j];
    m2 += t.exp_w[j] * t.exp_t[j] * t.exp_t[j];
    lap += t.exp_w[j] * std::exp(-t.exp_t[j]);
  }
  EXPECT_GT(t.exp_t[0], 0.0);
  EXPECT_NEAR(s, 1.0, 1e-14);
  EXPECT_NEAR(m1, 1.0, 1e-10);
  EXPECT_NEAR(m2, 2.0, 1e-9);
  EXPECT_NEAR(lap, 0.5, 1e-10);
}

TEST(NoxdistcBand, ModelsAgainstIndependentTruths) {
  EXPECT_NEAR(normal_model(0, 0.1, 0.8, 400), 0.7, 1e-10);
  EXPECT_NEAR(star(0, 0.1, 0.8, 400), 0.7, 1e-10);
  EXPECT_EQ(bits(normal_model(0.4, 0.2, 0.9, 3)), bits(normal_model(0.4, 0.2, 0.9, 8)));
  EXPECT_EQ(bits(normal_model(0.4, 0.2, 0.9, 9)), bits(normal_model(0.4, 0.2, 0.9, 10)));
  // Large sigma: the length is dominated by the horizontal extent sigma (zb - za).
  const double zb = std_normal_qf(0.9), za = std_normal_qf(0.1);
  EXPECT_NEAR(normal_model(1e4, 0.1, 0.9, 100) / (1e4 * (zb - za)), 1.0, 1e-8);
  // Mixture: E_T of the normal integrand, with T integrated by a fine Simpson rule.
  const double sg = 0.8;
  double ref = 0;
  const int NZ = 200, NT = 4000;
  const double hz = (zb - za) / NZ, ht = 40.0 / NT;
  for (int i = 0; i <= NZ; ++i) {
    const double z = za + i * hz, ph = std::exp(-z * z / 2) / std::sqrt(2 * M_PI);
    double e = 0;
    for (int j = 0; j <= NT; ++j) {
      const double t = j * ht;
      e += (j == 0 || j == NT ? 1 : j % 2 ? 4 : 2) * std::exp(-t) * std::sqrt(t * t * sg * sg + ph * ph);
    }
    ref += (i == 0 || i == NZ ? 1 : i % 2 ? 4 : 2) * e * ht / 3;
  }
  ref *= hz / 3;
  EXPECT_NEAR(star(sg, 0.1, 0.9, 200), ref, 1e-6 * ref);
  EXPECT_TRUE(std::isnan(normal_model(1, 0.0, 0.5, 50)));
  EXPECT_TRUE(std::isnan(star(1, 0.5, 1.5, 50)));
}

TEST(NoxdistcBand, SamplePolygonAndTypeSevenQuantiles) {
  const double v[4] = {1, 2, 3, 4};
  EXPECT_DOUBLE_EQ(quantile7(v, 4, 0.1), 1.3);
  EXPECT_DOUBLE_EQ(quantile7(v, 4, 0.5), 2.5);
  EXPECT_EQ(quantile7(v, 4, 1.0), 4.0);
  EXPECT_TRUE(std::isnan(quantile7(v, 4, std::nan(""))));
  // Out-of-range probabilities stay inside the sample's storage.
  const double inf = HUGE_VAL;
  for (double p : {-1e300, 7.0, 1e300, inf, -inf}) (void)quantile7(v, 4, p);
  const std::vector<double> x = {3, 0, 4, 1, 2};
  const double full = 4 * std::sqrt(1 + 0.04);
  EXPECT_NEAR(scale(al_band_sample, x, 0.0, 1.0), full, 1e-15);
  EXPECT_NEAR(scale(al_band_sample, x, 0.25, 0.75), full / 2, 1e-15);  // keeps 1, 2, 3
  EXPECT_TRUE(std::isnan(scale(al_band_sample, x, 0.3, 0.45)));       // keeps only 2
  EXPECT_TRUE(std::isnan(scale(al_band_sample, {}, 0.1, 0.9)));
}

TEST(NoxdistcScale, RecoversTheScaleOfANormalQuantileSample) {
  std::vector<double> x(1000);
  for (int i = 0; i < 1000; ++i) x[i] = 3.0 + 2.5 * std_normal_qf((i + 0.5) / 1000);
  EXPECT_NEAR(scale(al_scale_raw, x, 0.1, 0.9), 2.5, 0.05);
}

TEST(NoxdistcScale, EquivariantUnderRescalingAndShift) {
  const std::vector<double> x = {0.3, -1.2, 2.2, 0.9, -0.4, 1.6, 0.1, 3.4, -2.5, 0.7, 1.1, -0.8};
  for (auto f : {al_scale, al_scale_raw}) {
    const double s = scale(f, x, 0.1, 0.9);
    ASSERT_TRUE(std::isfinite(s) && s > 0);
    std::vector<double> x2(x), x3(x), xs(x);
    for (std::size_t i = 0; i < x.size(); ++i) x2[i] *= 2, x3[i] *= 3.7, xs[i] += 5;
    EXPECT_EQ(scale(f, x2, 0.1, 0.9), 2 * s);  // a power of two rescales exactly
    EXPECT_NEAR(scale(f, x3, 0.1, 0.9), 3.7 * s, 1e-9 * s);
    EXPECT_NEAR(scale(f, xs, 0.1, 0.9), s, 1e-9 * s);
  }
}

TEST(NoxdistcScale, FailuresGiveNaN) {
  for (auto f : {al_scale, al_scale_raw}) {
    EXPECT_TRUE(std::isnan(scale(f, {1, 1, 1, 1, 2, 3, 5}, 0.1, 0.9)));  // MAD 0
    EXPECT_TRUE(std::isnan(scale(f, {}, 0.1, 0.9)));
    const int neg = -3;
    double o = 1, a = 0.1, b = 0.9;
    f(nullptr, &neg, &a, &b, &o);
    EXPECT_TRUE(std::isnan(o));
    const std::vector<double> x = {0.3, -1.2, 2.2, 0.9, -0.4, 1.6, 0.1, 3.4, -2.5, 0.7};
    EXPECT_TRUE(std::isnan(scale(f, x, 0.0, 0.9)));  // band edge outside (0, 1)
    EXPECT_TRUE(std::isnan(scale(f, x, 0.1, 1.0)));
    // Far outliers inside the band with a tight core: no sign change on [1e-4, 30].
    std::vector<double> y;
    for (int i = 0; i < 60; ++i) y.push_back(i / 60.0);
    for (int i = 0; i < 20; ++i) y.push_back(1e6 + i), y.push_back(-1e6 - i);
    EXPECT_TRUE(std::isnan(scale(f, y, 0.01, 0.99)));
  }
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(NoxdistcBadInput, QuantileDensityCountsOrdersAndNaN) {
  using namespace badin;
  const double u[3] = {0.1, 0.5, 0.9};
  const double coef[2] = {0.3, -0.1};
  const double sigma = 2.0;
  for (int nu : {0, -1, INT_MIN}) {
    const int k = 2;
    Out o(3);
    noxq_qd(u, &nu, coef, &k, &sigma, o.p());
    EXPECT_TRUE(o.untouched()) << nu;
  }
  // No shape terms: the density is sigma everywhere.
  for (int k : {0, -1, INT_MIN}) {
    const int nu = 3;
    Out o(3);
    noxq_qd(u, &nu, coef, &k, &sigma, o.p());
    EXPECT_TRUE(o.guards_intact()) << k;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(o[i], sigma) << k;
  }
  const int nu = 3, k = 2;
  for (double bad : kNonFinite) {
    Out o(3);
    noxq_qd(u, &nu, coef, &k, &bad, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    const double ub[3] = {0.1, bad, 0.9};
    o.reset();
    noxq_qd(ub, &nu, coef, &k, &sigma, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    const double cb[2] = {bad, 0.1};
    o.reset();
    noxq_qd(u, &nu, cb, &k, &sigma, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(NoxdistcBadInput, ArcLengthNodesOrdersAndNonFiniteScale) {
  using namespace badin;
  const double coef[2] = {0.3, -0.1};
  const double sigma = 1.0;
  for (int nodes : {0, -1, INT_MIN}) {
    const int k = 2;
    Out o(1);
    noxq_arclength(coef, &k, &sigma, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << nodes;
  }
  for (int k : {0, -1, INT_MIN}) {
    const int nodes = 16;
    Out o(1);
    noxq_arclength(coef, &k, &sigma, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << k;
    // A constant quantile density sigma = 1: the graph is a line of slope 1.
    EXPECT_NEAR(o[0], std::sqrt(2.0), 1e-14) << k;
  }
  for (double bad : kNonFinite) {
    const int k = 2, nodes = 16;
    Out o(1);
    noxq_arclength(coef, &k, &bad, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    const double cb[2] = {0.3, bad};
    o.reset();
    noxq_arclength(cb, &k, &sigma, &nodes, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(NoxdistcBadInput, LmomentsAndShapeFitOnEmptyAndNaNSamples) {
  using namespace badin;
  const double x[5] = {1.0, 3.0, 2.0, 7.0, 4.0};
  for (int nmom : {0, -1, INT_MIN}) {
    const int n = 5;
    Out o(4);
    sample_lmoments_c(x, &n, &nmom, o.p());
    EXPECT_TRUE(o.untouched()) << nmom;
  }
  for (int n : {0, -1, INT_MIN}) {
    const int nmom = 4;
    Out o(4);
    sample_lmoments_c(x, &n, &nmom, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
    Out f(5);
    noxq_fit_cf_c(x, &n, f.p());
    EXPECT_TRUE(f.guards_intact()) << n;
    EXPECT_TRUE(f.all_nan()) << n;
  }
  // More moments than observations: every requested slot is written.
  {
    const int n = 2, nmom = 6;
    Out o(6);
    sample_lmoments_c(x, &n, &nmom, o.p());
    EXPECT_TRUE(o.guards_intact());
    EXPECT_TRUE(o.all_written());
  }
  for (double bad : kNonFinite) {
    const double xb[5] = {1.0, bad, 2.0, 7.0, 4.0};
    const int n = 5, nmom = 4;
    Out o(4);
    sample_lmoments_c(xb, &n, &nmom, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    Out f(5);
    noxq_fit_cf_c(xb, &n, f.p());
    EXPECT_TRUE(f.guards_intact()) << bad;
    EXPECT_TRUE(f.all_written()) << bad;
  }
}

TEST(NoxdistcBadInput, BandModelsAtBadProbabilitiesScalesAndNodes) {
  using namespace badin;
  const double sigma = 1.0, a = 0.1, b = 0.9;
  // A band probability outside (0, 1) has no normal quantile.
  for (double bad : {kNaN, kInf, -kInf, 0.0, 1.0, -0.5, 1.5}) {
    const int nodes = 40;
    Out o(2);
    al_band_model(&sigma, &bad, &b, &nodes, o.p());
    al_band_model(&sigma, &a, &bad, &nodes, o.p() + 1);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    o.reset();
    al_band_model_star(&sigma, &bad, &b, &nodes, o.p());
    al_band_model_star(&sigma, &a, &bad, &nodes, o.p() + 1);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
  }
  for (double bad : kNonFinite) {
    const int nodes = 40;
    Out o(2);
    al_band_model(&bad, &a, &b, &nodes, o.p());
    al_band_model_star(&bad, &a, &b, &nodes, o.p() + 1);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
  // Node counts below the floor of the rule still give a finite length.
  for (int nodes : {0, -1, INT_MIN}) {
    Out o(2);
    al_band_model(&sigma, &a, &b, &nodes, o.p());
    al_band_model_star(&sigma, &a, &b, &nodes, o.p() + 1);
    EXPECT_TRUE(o.guards_intact()) << nodes;
    EXPECT_TRUE(std::isfinite(o[0]) && std::isfinite(o[1])) << nodes;
  }
}

TEST(NoxdistcBadInput, SampleBandAndScalesOnEmptyAndNonFiniteSamples) {
  using namespace badin;
  const double x[8] = {0.3, -1.1, 0.8, 2.2, -0.4, 1.5, -2.0, 0.1};
  const double a = 0.1, b = 0.9;
  using Fn = void (*)(const double*, const int*, const double*, const double*, double*);
  const Fn fns[3] = {al_band_sample, al_scale, al_scale_raw};
  for (Fn fn : fns) {
    for (int n : {0, -1, INT_MIN}) {
      Out o(1);
      fn(x, &n, &a, &b, o.p());
      EXPECT_TRUE(o.guards_intact()) << n;
      EXPECT_TRUE(o.all_nan()) << n;
    }
    const int n = 8;
    for (double bad : kNonFinite) {
      Out o(1);
      fn(x, &n, &bad, &b, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad;
      EXPECT_TRUE(o.all_written()) << bad;
      o.reset();
      fn(x, &n, &a, &bad, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad;
      EXPECT_TRUE(o.all_written()) << bad;
      double xb[8];
      std::copy(x, x + 8, xb);
      xb[3] = bad;
      o.reset();
      fn(xb, &n, &a, &b, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad;
      EXPECT_TRUE(o.all_written()) << bad;
    }
    // Probabilities outside [0, 1] never index outside the sample.
    for (double p : {-3.0, 4.0, 1e300, -1e300}) {
      Out o(1);
      fn(x, &n, &p, &b, o.p());
      fn(x, &n, &a, &p, o.p());
      EXPECT_TRUE(o.guards_intact()) << p;
    }
  }
}
