// Tests of the simulation studies of the curve-fitting family: the model-fit
// simulation of the constrained bc curve with its profile statistic, the
// estimation studies of the beta-kernel exponents, and the reading sweeps.
// Simulations are expensive, so replicate counts, sizes and iteration caps
// are kept tiny.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "noxara.h"
#include "noxeqfit.h"

namespace {

using namespace noxara;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---------------------------------------------------------------------------
// Model-fit simulation setting: a constrained curve table that only the
// middle al start of the profile minimum reaches (cheap), a true curve on
// that table, and reference shapes for the shifted arms.

struct Setting {
  double cal[2] = {-0.6, -0.4};
  double cbe[2] = {-0.45, -0.35};
  int nc = 2;
  double alo = -0.85, ahi = -0.15;
  double th0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.4};
  double st5[3] = {0.0, 0.0, 0.0};
  double sde = 0.05;
  double thref[12] = {0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5, -0.7};
};

// Design and response of one replicate, written out independently of the
// simulation routines: N equally spaced points over the true window, noise
// from the replicate stream of the given seed.
void simulate(const double* th, int N, double sde, int seed, int r, std::vector<double>& x,
              std::vector<double>& y) {
  x.assign(N, 0.0);
  y.assign(N, 0.0);
  for (int i = 0; i < N; ++i) x[i] = th[2] + i * th[3] / (N - 1);
  std::vector<double> m(N);
  ef_mbc(x.data(), N, th, m.data());
  std::uint64_t s = ef_seed(seed, r);
  for (int i = 0; i < N; ++i) y[i] = m[i] + sde * ef_norm(s);
}

// seed + k taken modulo 2^32 in 64-bit arithmetic, as a signed 32-bit value.
int wrap_seed(long long seed, long long k) {
  long long v = (seed + k) % 4294967296LL;
  if (v > INT_MAX) v -= 4294967296LL;
  if (v < INT_MIN) v += 4294967296LL;
  return static_cast<int>(v);
}

TEST(NoxeqfitSimModel, ProfiledLeastSquaresAndWindowTest) {
  // y exactly linear in a constrained curve: the profiled fit is exact at the
  // generating shape and worse elsewhere.
  const int N = 40;
  const double cal[2] = {-0.9, -0.1}, cbe[2] = {-0.5, -0.2};
  std::vector<double> x(N), y(N), wk(10 * N);
  for (int i = 0; i < N; ++i) x[i] = 1.0 + 3.0 * i / (N - 1);
  const double xlo = 1.0, xrng = 3.0;
  mf_ctx c = {x.data(), y.data(), N, cal, cbe, 2, -0.8, -0.2, xlo, xrng, wk.data()};

  // p = 0 maps to the middle of every interval.
  const double mu = (xlo - 0.5 * xrng) + 0.375 * xrng;
  const double sg = 0.5 * xrng * std::sqrt(6.0);
  const double al = -0.5, be = -0.5 + 0.3 * (0.4 / 0.8);
  const double th[6] = {-0.7, 2.5, mu, sg, al, be};
  ef_mbc(x.data(), N, th, y.data());
  const double p0[3] = {0.0, 0.0, 0.0};
  EXPECT_LT(mf_sse3(p0, &c), 1e-24);
  const double p1[3] = {0.3, -0.2, 0.4};
  EXPECT_GT(mf_sse3(p1, &c), 1e-6);

  // The score objective is the score statistic of that same shape.
  std::vector<double> yn(y);
  std::uint64_t s = ef_seed(9, 0);
  for (int i = 0; i < N; ++i) yn[i] += 0.02 * ef_norm(s);
  c.y = yn.data();
  const double direct = ef_scoreF6p(x.data(), yn.data(), N, mu, sg, al, be, wk.data());
  ASSERT_TRUE(std::isfinite(direct));
  EXPECT_NEAR(mf_obj3(p0, &c), direct, 1e-9 * direct);

  // Window: mu <= xlo + xrng/4 and mu + sg >= xlo + 3xrng/4.
  EXPECT_EQ(mf_overlap(1.75, 1.5, &c), 1);
  EXPECT_EQ(mf_overlap(1.76, 3.0, &c), 0);
  EXPECT_EQ(mf_overlap(1.0, 2.24, &c), 0);
  EXPECT_EQ(mf_overlap(std::nan(""), 3.0, &c), 0);
  // The leftmost mu with the shortest window ends before the upper quarter;
  // al beyond the table has no be.
  const double pbad[3] = {-40.0, -40.0, 0.0};
  EXPECT_EQ(mf_sse3(pbad, &c), 1e30);
  EXPECT_EQ(mf_obj3(pbad, &c), 1e10);
  const double cal2[2] = {-0.6, -0.4};
  c.cal = cal2;
  const double pout[3] = {0.0, 0.0, 3.0};  // al = -0.2 + ..., beyond -0.4
  EXPECT_EQ(mf_sse3(pout, &c), 1e30);
  EXPECT_EQ(mf_obj3(pout, &c), 1e10);
}

TEST(NoxeqfitSimModel, LeastSquaresStageIterationCount) {
  // A sample on which the least-squares stage is still moving at 300 and 301
  // iterations, so the two counts are told apart by their results.
  const int N = 12;
  const double cal[2] = {-0.9, -0.1}, cbe[2] = {-0.5, -0.2};
  const double th0[6] = {0.0, 1.0, 0.0, 1.0, -0.5, -0.3875};
  std::vector<double> x, y, wk(10 * N);
  simulate(th0, N, 0.05, 1, 0, x, y);
  const mf_ctx c = {x.data(), y.data(), N, cal, cbe, 2, -0.85, -0.15, x[0], x[N - 1] - x[0],
                    wk.data()};
  const double s0[3] = {0.0, 0.0, 0.0};
  double p300[3], f300, p301[3], f301;
  noxk4_nmd(mf_sse3, &c, 3, s0, 300, p300, &f300);
  noxk4_nmd(mf_sse3, &c, 3, s0, 301, p301, &f301);
  ASSERT_FALSE(same_bits(p300[0], p301[0]) && same_bits(p300[1], p301[1]) &&
               same_bits(p300[2], p301[2]));

  struct Case {
    int maxit;
    const double* p;
    double f;
  };
  const Case cases[] = {{601, p300, f300}, {602, p301, f301}, {10, p300, f300}};
  for (const Case& k : cases) {
    double p[3], f;
    ef_profls(&c, s0, k.maxit, p, &f);
    for (int j = 0; j < 3; ++j) EXPECT_TRUE(same_bits(p[j], k.p[j])) << k.maxit;
    EXPECT_TRUE(same_bits(f, k.f)) << k.maxit;
  }
}

TEST(NoxeqfitSimModel, ArmsFollowTheirSeedsAndShifts) {
  const Setting st;
  const int N = 16, R = 1, seed = 3, maxit = 15;
  std::vector<double> out(8 * R), nt(R);
  noxeqfit_msim(&N, &st.sde, &R, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc, &st.alo,
                &st.ahi, st.thref, out.data());
  noxeqfit_nullT(&N, &st.sde, &R, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                 &st.alo, &st.ahi, nt.data());

  // Arm 0 is the null simulation itself.
  EXPECT_TRUE(same_bits(out[0], nt[0]));
  // A profile minimum: non-negative and at most the score statistic at the
  // least-squares optimum of the middle start (the only start inside the
  // table), where the score stage begins.
  std::vector<double> x, y, wk(10 * N);
  simulate(st.th0, N, st.sde, seed, 0, x, y);
  const mf_ctx c = {x.data(), y.data(), N, st.cal, st.cbe, st.nc, st.alo, st.ahi, x[0],
                    x[N - 1] - x[0], wk.data()};
  double pls[3], fls;
  ef_profls(&c, st.st5, maxit, pls, &fls);
  ASSERT_LT(fls, 1e29);
  const double at_ls = mf_obj3(pls, &c);
  ASSERT_LT(at_ls, 1e10);
  EXPECT_GE(out[0], 0.0);
  EXPECT_LE(out[0], at_ls);
  EXPECT_TRUE(same_bits(out[1], ef_scoreF6(x.data(), y.data(), N, st.th0, wk.data())));
  for (int a = 1; a <= 3; ++a) {
    const double shift[4] = {0.0, 0.2, -0.15, -0.3};
    double th2[6];
    for (int k = 0; k < 6; ++k) th2[k] = st.th0[k];
    th2[5] += shift[a];
    simulate(th2, N, st.sde, seed + 1000 * a, 0, x, y);
    const double* rf = st.thref + 4 * (a - 1);
    EXPECT_TRUE(same_bits(out[(a + 4) * R],
                          ef_scoreF6p(x.data(), y.data(), N, rf[0], rf[1], rf[2], rf[3], wk.data())))
        << a;
    EXPECT_TRUE(std::isfinite(out[(a + 1) * R])) << a;
    EXPECT_GE(out[(a + 1) * R], 0.0) << a;
  }
}

TEST(NoxeqfitSimModel, SeedsNearIntLimitsWrapAround) {
  // A one-point table gives no constrained curve at all: every profile
  // statistic is 1e30, and only the fixed-shape statistics carry the data.
  Setting st;
  st.nc = 1;
  const int N = 14, R = 2, maxit = 5;
  for (int seed : {INT_MAX - 1500, INT_MAX}) {
    std::vector<double> out(8 * R);
    noxeqfit_msim(&N, &st.sde, &R, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                  &st.alo, &st.ahi, st.thref, out.data());
    for (int r = 0; r < R; ++r) {
      for (int col : {0, 2, 3, 4}) EXPECT_EQ(out[col * R + r], 1e30);
      std::vector<double> x, y, wk(10 * N);
      for (int a = 1; a <= 3; ++a) {
        double th2[6];
        for (int k = 0; k < 6; ++k) th2[k] = st.th0[k];
        th2[5] += (a == 1) ? 0.2 : (a == 2) ? -0.15 : -0.3;
        simulate(th2, N, st.sde, wrap_seed(seed, 1000LL * a), r, x, y);
        const double* rf = st.thref + 4 * (a - 1);
        EXPECT_TRUE(same_bits(out[(a + 4) * R + r], ef_scoreF6p(x.data(), y.data(), N, rf[0],
                                                                rf[1], rf[2], rf[3], wk.data())))
            << seed << " arm " << a;
      }
    }
    std::vector<double> nt(R);
    noxeqfit_nullT(&N, &st.sde, &R, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                   &st.alo, &st.ahi, nt.data());
    EXPECT_EQ(nt[0], 1e30);
    EXPECT_EQ(nt[1], 1e30);
  }
}

TEST(NoxeqfitSimModel, FewDesignPointsGiveNaNScoresOrNothing) {
  const Setting st;
  const int R = 1, seed = 11, maxit = 10;
  // Below 12 points no window holds 12 points: the score stage is the
  // penalty throughout, so T is 1e10 (the middle start passes the
  // least-squares stage), and the fixed-shape statistics are NaN.
  {
    const int N = 10;
    std::vector<double> out(8 * R), nt(R);
    noxeqfit_msim(&N, &st.sde, &R, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                  &st.alo, &st.ahi, st.thref, out.data());
    noxeqfit_nullT(&N, &st.sde, &R, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                   &st.alo, &st.ahi, nt.data());
    for (int col : {0, 2, 3, 4}) EXPECT_EQ(out[col], 1e10) << col;
    for (int col : {5, 6, 7}) EXPECT_TRUE(std::isnan(out[col])) << col;
    EXPECT_EQ(nt[0], 1e10);
  }
  // One design point or none: no design, the output is all NaN.
  for (int N : {1, 0, -4}) {
    std::vector<double> out(8 * 3, 7.0), nt(3, 7.0);
    const int R3 = 3;
    noxeqfit_msim(&N, &st.sde, &R3, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                  &st.alo, &st.ahi, st.thref, out.data());
    noxeqfit_nullT(&N, &st.sde, &R3, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                   &st.alo, &st.ahi, nt.data());
    for (double v : out) EXPECT_TRUE(std::isnan(v)) << N;
    for (double v : nt) EXPECT_TRUE(std::isnan(v)) << N;
  }
  // No replicates: nothing is written.
  {
    const int N = 10, R0 = 0;
    double sentinel = 5.0;
    noxeqfit_msim(&N, &st.sde, &R0, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                  &st.alo, &st.ahi, st.thref, &sentinel);
    noxeqfit_nullT(&N, &st.sde, &R0, &seed, st.th0, st.st5, &maxit, st.cal, st.cbe, &st.nc,
                   &st.alo, &st.ahi, &sentinel);
    EXPECT_EQ(sentinel, 5.0);
  }
}

// ---------------------------------------------------------------------------
// Estimation studies

// L-moment ratios of the distribution with quantile function I_u(a, b), by
// Simpson integration of the quantile function against the shifted Legendre
// polynomials (the family's quantile routine supplies I_u). The substitution
// u = t^4 (35 - 84t + 70t^2 - 20t^3), du = 140 t^3 (1 - t)^3 dt, smooths the
// power-law ends of the quantile function.
void tau_by_quadrature(double al, double be, double* t3, double* t4) {
  const int M = 4000, M1 = M + 1;
  std::vector<double> u(M1), q(M1), dj(M1);
  for (int i = 0; i <= M; ++i) {
    const double t = static_cast<double>(i) / M;
    u[i] = t * t * t * t * (35 - 84 * t + 70 * t * t - 20 * t * t * t);
    dj[i] = 140 * t * t * t * (1 - t) * (1 - t) * (1 - t);
  }
  u[M] = 1.0;
  noxeq2_bc_q(&M1, u.data(), &al, &be, q.data());
  const double B = q[M];
  double l2 = 0, l3 = 0, l4 = 0;
  for (int i = 0; i <= M; ++i) {
    const double w = ((i == 0 || i == M) ? 1.0 : (i % 2 ? 4.0 : 2.0)) * dj[i];
    const double x = u[i], Q = q[i] / B;
    l2 += w * Q * (2 * x - 1);
    l3 += w * Q * (6 * x * x - 6 * x + 1);
    l4 += w * Q * (20 * x * x * x - 30 * x * x + 12 * x - 1);
  }
  *t3 = l3 / l2;
  *t4 = l4 / l2;
}

TEST(NoxeqfitSimEstimation, LMomentRatiosOfTheFamily) {
  double t[2];
  es_tau(0.0, 0.0, t);  // uniform
  EXPECT_NEAR(t[0], 0.0, 1e-15);
  EXPECT_NEAR(t[1], 0.0, 1e-15);
  es_tau(1.0, 0.0, t);  // quantile u^2: tau3 = 1/5, tau4 = 0
  EXPECT_NEAR(t[0], 0.2, 1e-14);
  EXPECT_NEAR(t[1], 0.0, 1e-14);
  es_tau(0.0, 1.0, t);  // quantile 1 - (1 - u)^2
  EXPECT_NEAR(t[0], -0.2, 1e-14);
  EXPECT_NEAR(t[1], 0.0, 1e-14);
  const double ab[][2] = {{-0.5, -0.3}, {-0.2, 0.3}, {-0.8, -0.7}};
  for (const auto& p : ab) {
    double q3, q4;
    tau_by_quadrature(p[0], p[1], &q3, &q4);
    es_tau(p[0], p[1], t);
    EXPECT_NEAR(t[0], q3, 2e-5) << p[0] << " " << p[1];
    EXPECT_NEAR(t[1], q4, 2e-5) << p[0] << " " << p[1];
  }
}

TEST(NoxeqfitSimEstimation, NormalisedQuantileAndDistribution) {
  for (double u : {0.1, 0.37, 0.9}) {
    EXPECT_NEAR(ef_pbeta(u, 1.0, 1.0), u, 1e-15);
    EXPECT_NEAR(ef_pbeta(u, 2.0, 1.0), u * u, 1e-14);
    EXPECT_NEAR(ef_qbeta(u, 2.0, 1.0), std::sqrt(u), 1e-12);
    EXPECT_NEAR(ef_qbeta(ef_pbeta(u, 0.6, 0.75), 0.6, 0.75), u, 1e-12);
  }
  EXPECT_EQ(ef_pbeta(0.0, 0.6, 0.75), 0.0);
  EXPECT_EQ(ef_qbeta(1.0, 0.6, 0.75), 1.0);
}

// Inverse of ef_pbeta by plain bisection.
double invert_pbeta(double x, double a, double b) {
  double lo = 0, hi = 1;
  for (int i = 0; i < 200 && hi - lo > 1e-16; ++i) {
    const double m = 0.5 * (lo + hi);
    (ef_pbeta(m, a, b) < x ? lo : hi) = m;
  }
  return 0.5 * (lo + hi);
}

TEST(NoxeqfitSimEstimation, ObjectivesAgainstDirectValues) {
  const double al = -0.5, be = -0.3, a = 1 + al, b = 1 + be;
  std::vector<double> x;
  for (double u : {0.05, 0.2, 0.4, 0.55, 0.8, 0.97}) x.push_back(ef_pbeta(u, 0.4, 0.9));
  const int n = static_cast<int>(x.size());
  double g200[200];
  for (int k = 0; k < 200; ++k) g200[k] = (k + 0.5) / 200;

  // Likelihood: density B(a, b) u^-al (1 - u)^-be at the sample points.
  const double p[2] = {al, be};
  es_ctx c0 = {x.data(), n, 0, nullptr, g200};
  double nll = 0;
  for (double v : x) {
    const double u = invert_pbeta(v, a, b);
    nll -= std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b) - al * std::log(u) -
           be * std::log(1 - u);
  }
  EXPECT_NEAR(es_obj(p, &c0), nll, 1e-9 * std::fabs(nll));

  // Mean and variance: exact values of the family give a near-zero value,
  // a target off by 0.01 in the mean costs 0.01^2.
  std::vector<double> uu(4001), qq(4001);
  const int M = 4000;
  for (int i = 0; i <= M; ++i) uu[i] = static_cast<double>(i) / M;
  double m2 = 0;
  for (int i = 0; i <= M; ++i) {
    const double q = ef_pbeta(uu[i], a, b);
    const double w = (i == 0 || i == M) ? 1.0 : (i % 2 ? 4.0 : 2.0);
    m2 += w * q * q;
  }
  m2 /= 3.0 * M;
  const double mean = b / (a + b);
  const double tm[2] = {mean, m2 - mean * mean};
  es_ctx c1 = {x.data(), n, 1, tm, g200};
  EXPECT_LT(es_obj(p, &c1), 1e-9);
  const double tm2[2] = {mean + 0.01, m2 - mean * mean};
  c1.targ = tm2;
  EXPECT_NEAR(es_obj(p, &c1), 1e-4, 2e-6);

  // L-moment ratios: zero at the family's own ratios.
  double t[2];
  es_tau(al, be, t);
  es_ctx c2 = {x.data(), n, 2, t, g200};
  EXPECT_EQ(es_obj(p, &c2), 0.0);

  // The admissible box.
  const double outside[][2] = {
      {-0.99, -0.3}, {-0.01, -0.3}, {-0.5, -0.99}, {-0.5, 0.5}, {std::nan(""), 0.0}};
  for (const auto& q : outside) EXPECT_EQ(es_obj(q, &c2), 1e9);
}

// Sample L-moment ratios from their definition as averages over subsamples
// of sizes 2, 3 and 4 of the ordered sample.
void tau_by_subsamples(std::vector<double> x, double* t3, double* t4) {
  std::sort(x.begin(), x.end());
  const int n = static_cast<int>(x.size());
  double s2 = 0, s3 = 0, s4 = 0, c2 = 0, c3 = 0, c4 = 0;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) {
      s2 += x[j] - x[i];
      c2 += 1;
      for (int k = j + 1; k < n; ++k) {
        s3 += x[k] - 2 * x[j] + x[i];
        c3 += 1;
        for (int l = k + 1; l < n; ++l) {
          s4 += x[l] - 3 * x[k] + 3 * x[j] - x[i];
          c4 += 1;
        }
      }
    }
  const double l2 = s2 / c2 / 2, l3 = s3 / c3 / 3, l4 = s4 / c4 / 4;
  *t3 = l3 / l2;
  *t4 = l4 / l2;
}

TEST(NoxeqfitSimEstimation, TausSampleRatiosAndInversion) {
  const double a0 = 0.45, b0 = 0.8;
  const int R = 3, n = 18, seed = -77;
  std::vector<double> out(4 * R);
  noxeqfit_taus(&a0, &b0, &R, &n, &seed, out.data());
  for (int r = 0; r < R; ++r) {
    std::vector<double> x(n);
    std::uint64_t s = ef_seed(seed, r);
    for (int i = 0; i < n; ++i) x[i] = ef_pbeta(ef_unif(s), a0, b0);
    double t3, t4;
    tau_by_subsamples(x, &t3, &t4);
    EXPECT_NEAR(out[r], t3, 1e-12);
    EXPECT_NEAR(out[R + r], t4, 1e-12);
  }
}

TEST(NoxeqfitSimEstimation, TausRecoversExponentsOnLargeSamples) {
  const double cases[][2] = {{0.45, 0.8}, {0.2, 1.3}, {1.0, 1.0}};
  for (const auto& c : cases) {
    const int R = 2, n = 20000, seed = 5;
    std::vector<double> out(4 * R);
    noxeqfit_taus(&c[0], &c[1], &R, &n, &seed, out.data());
    for (int r = 0; r < R; ++r) {
      // The inversion reproduces the sample ratios ...
      double t[2];
      es_tau(out[2 * R + r], out[3 * R + r], t);
      EXPECT_NEAR(t[0], out[r], 1e-10);
      EXPECT_NEAR(t[1], out[R + r], 1e-10);
      // ... which lie close to those of the generating exponents.
      EXPECT_NEAR(out[2 * R + r], c[0] - 1, 0.04) << c[0] << " " << c[1];
      EXPECT_NEAR(out[3 * R + r], c[1] - 1, 0.04) << c[0] << " " << c[1];
    }
  }
  // No sample: NaN.
  const double a0 = 0.5, b0 = 0.5;
  const int R = 2, n0 = 0, seed = 1;
  std::vector<double> out(8, 3.0);
  noxeqfit_taus(&a0, &b0, &R, &n0, &seed, out.data());
  for (double v : out) EXPECT_TRUE(std::isnan(v));
}

TEST(NoxeqfitSimEstimation, SizeIndexSeedingAndEmptySizes) {
  const double a0 = 0.45, b0 = 0.8;
  const int R = 2, maxit = 20;
  const int seed = INT_MAX - 100;  // the second size's seed wraps past INT_MAX
  const int two[2] = {12, 16}, nn2 = 2;
  std::vector<double> A(6 * R * 2);
  noxeqfit_estsim(&a0, &b0, &R, two, &nn2, &seed, &maxit, A.data());

  // Same first size: same first block.
  const int one[1] = {12}, nn1 = 1;
  std::vector<double> B(6 * R);
  noxeqfit_estsim(&a0, &b0, &R, one, &nn1, &seed, &maxit, B.data());
  for (int i = 0; i < 6 * R; ++i) EXPECT_TRUE(same_bits(A[i], B[i])) << i;

  // The second block is the first block of a call seeded with seed + 7000
  // (wrapped to a 32-bit value).
  const int sixteen[1] = {16};
  const int seed2 = wrap_seed(seed, 7000);
  EXPECT_LT(seed2, 0);
  std::vector<double> C(6 * R);
  noxeqfit_estsim(&a0, &b0, &R, sixteen, &nn1, &seed2, &maxit, C.data());
  for (int i = 0; i < 6 * R; ++i) EXPECT_TRUE(same_bits(A[6 * R + i], C[i])) << i;

  // A size below 1 keeps its block NaN; the other block is unaffected.
  const int bad[2] = {0, 16};
  std::vector<double> D(6 * R * 2, 4.0);
  noxeqfit_estsim(&a0, &b0, &R, bad, &nn2, &seed, &maxit, D.data());
  for (int i = 0; i < 6 * R; ++i) EXPECT_TRUE(std::isnan(D[i])) << i;
  for (int i = 0; i < 6 * R; ++i) EXPECT_TRUE(same_bits(D[6 * R + i], A[6 * R + i])) << i;

  // All estimates of the computed blocks lie in the admissible box.
  for (double v : A) {
    ASSERT_TRUE(std::isfinite(v));
    EXPECT_GT(v, -0.99);
    EXPECT_LT(v, 0.5);
  }
}

TEST(NoxeqfitSimEstimation, LMomentEstimatesMatchTheNewtonInversion) {
  // Size index 0 draws the samples of noxeqfit_taus: the minimiser over the
  // L-moment objective and Newton's method solve the same equations.
  const double a0 = 0.5, b0 = 0.75;
  const int R = 2, n = 60, nn = 1, seed = 21, maxit = 100;
  std::vector<double> est(6 * R), tau(4 * R);
  noxeqfit_estsim(&a0, &b0, &R, &n, &nn, &seed, &maxit, est.data());
  noxeqfit_taus(&a0, &b0, &R, &n, &seed, tau.data());
  for (int r = 0; r < R; ++r) {
    ASSERT_GT(tau[2 * R + r], -0.99);
    ASSERT_LT(tau[2 * R + r], -0.01);
    EXPECT_NEAR(est[2 * R + r], tau[2 * R + r], 1e-4) << r;
    EXPECT_NEAR(est[5 * R + r], tau[3 * R + r], 1e-4) << r;
  }
}

// ---------------------------------------------------------------------------
// Sweeps

TEST(NoxeqfitSimSweeps, SweepsEqualTheRoutinesTheySweep) {
  const double ks[] = {-0.3, 0.0, 0.2, 0.45};
  const int nk = 4, grid = 4000;
  const double h = -0.2;
  std::vector<double> ob(nk), oa2(nk), ob2(nk);
  noxeqfit_bsweep(ks, &nk, &h, ob.data());
  noxeqfit_absweep(ks, &nk, &h, oa2.data(), ob2.data());
  for (int i = 0; i < nk; ++i) {
    const double th[6] = {0, 1, 0, 1, ks[i], h};
    double r[3];
    noxk4_readings(th, &grid, r);
    EXPECT_TRUE(same_bits(ob[i], r[1])) << i;
    EXPECT_TRUE(same_bits(ob2[i], r[1])) << i;
    EXPECT_TRUE(same_bits(oa2[i], r[0])) << i;
  }

  const double alpha = -0.6;
  const double bg[] = {-0.9, -0.5, -0.2, -0.05};
  const int nb = 4;
  std::vector<double> oe(nb);
  noxeqfit_Esweep(&alpha, bg, &nb, oe.data());
  for (int i = 0; i < nb; ++i) {
    double e;
    noxeq2_E(&alpha, &bg[i], &e);
    EXPECT_TRUE(same_bits(oe[i], e)) << i;
  }

  // Empty sweeps write nothing.
  const int zero = 0;
  double sentinel = 2.0;
  noxeqfit_bsweep(ks, &zero, &h, &sentinel);
  noxeqfit_absweep(ks, &zero, &h, &sentinel, &sentinel);
  noxeqfit_Esweep(&alpha, bg, &zero, &sentinel);
  EXPECT_EQ(sentinel, 2.0);
}

}  // namespace
