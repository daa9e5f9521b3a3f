// Tests of the simulation studies of the curve-fitting family: the model-fit
// simulation of the constrained bc curve, the estimation studies of the
// beta-kernel exponents, and the reading sweeps. Simulations are expensive:
// replicate counts, sizes and iteration caps are tiny.
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
using Vec = std::vector<double>;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// seed + k modulo 2^32, as a signed 32-bit value (64-bit arithmetic).
int wrap_seed(long long seed, long long k) {
  long long v = (seed + k) % 4294967296LL;
  if (v > INT_MAX) v -= 4294967296LL;
  return static_cast<int>(v);
}

// Design and response of one replicate, written out independently of the
// simulation routines: N equally spaced points over the true window, noise
// from the replicate stream of the given seed.
void simulate(const double* th, int N, double sde, int seed, int r, Vec& x, Vec& y) {
  x.assign(N, 0.0);
  y.assign(N, 0.0);
  for (int i = 0; i < N; ++i) x[i] = th[2] + i * th[3] / (N - 1);
  Vec m(N);
  ef_mbc(x.data(), N, th, m.data());
  std::uint64_t s = ef_seed(seed, r);
  for (int i = 0; i < N; ++i) y[i] = m[i] + sde * ef_norm(s);
}

// A constrained table that only the middle al start of the profile minimum
// reaches (which keeps the runs cheap), a true curve on it, reference shapes.
struct Setting {
  double cal[2] = {-0.6, -0.4}, cbe[2] = {-0.45, -0.35};
  int nc = 2;
  double alo = -0.85, ahi = -0.15, sde = 0.05;
  double th0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.4};
  double st5[3] = {0.0, 0.0, 0.0};
  double thref[12] = {0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5, -0.7};

  Vec msim(int N, int R, int seed, int maxit) const {
    Vec out(8 * std::max(R, 1), 7.0);
    noxeqfit_msim(&N, &sde, &R, &seed, th0, st5, &maxit, cal, cbe, &nc, &alo, &ahi, thref,
                  out.data());
    return out;
  }
  Vec nullT(int N, int R, int seed, int maxit) const {
    Vec out(std::max(R, 1), 7.0);
    noxeqfit_nullT(&N, &sde, &R, &seed, th0, st5, &maxit, cal, cbe, &nc, &alo, &ahi, out.data());
    return out;
  }
  // Score statistic at reference shape `arm` of replicate r of that arm.
  double arm_score(int arm, int N, int seed, int r) const {
    const double shift[4] = {0.0, 0.2, -0.15, -0.3};
    double th2[6];
    std::copy(th0, th0 + 6, th2);
    th2[5] += shift[arm];
    Vec x, y, wk(10 * N);
    simulate(th2, N, sde, seed, r, x, y);
    const double* f = thref + 4 * (arm - 1);
    return ef_scoreF6p(x.data(), y.data(), N, f[0], f[1], f[2], f[3], wk.data());
  }
};

TEST(NoxeqfitSimModel, ProfiledLeastSquaresScoreObjectiveAndWindow) {
  const int N = 40;
  const double cal[2] = {-0.9, -0.1}, cbe[2] = {-0.5, -0.2};
  Vec x(N), y(N), wk(10 * N);
  for (int i = 0; i < N; ++i) x[i] = 1.0 + 3.0 * i / (N - 1);
  mf_ctx c = {x.data(), y.data(), N, cal, cbe, 2, -0.8, -0.2, 1.0, 3.0, wk.data()};
  // p = 0 maps to the middle of every interval; y linear in that curve is
  // fitted exactly there.
  const double mu = -0.5 + 0.375 * 3.0, sg = 1.5 * std::sqrt(6.0), al = -0.5, be = -0.35;
  const double th[6] = {-0.7, 2.5, mu, sg, al, be};
  ef_mbc(x.data(), N, th, y.data());
  const double p0[3] = {0.0, 0.0, 0.0}, p1[3] = {0.3, -0.2, 0.4};
  EXPECT_LT(mf_sse3(p0, &c), 1e-24);
  EXPECT_GT(mf_sse3(p1, &c), 1e-6);

  // The score objective is the score statistic of the mapped shape.
  std::uint64_t s = ef_seed(9, 0);
  for (int i = 0; i < N; ++i) y[i] += 0.02 * ef_norm(s);
  const double direct = ef_scoreF6p(x.data(), y.data(), N, mu, sg, al, be, wk.data());
  ASSERT_TRUE(std::isfinite(direct));
  EXPECT_NEAR(mf_obj3(p0, &c), direct, 1e-9 * direct);

  // Window [mu, mu + sg] must cover [1.75, 3.25].
  EXPECT_EQ(mf_overlap(1.75, 1.5, &c), 1);
  EXPECT_EQ(mf_overlap(1.76, 3.0, &c), 0);
  EXPECT_EQ(mf_overlap(1.0, 2.24, &c), 0);
  EXPECT_EQ(mf_overlap(std::nan(""), 3.0, &c), 0);
  const double pshort[3] = {-40.0, -40.0, 0.0};  // leftmost mu, shortest window
  EXPECT_EQ(mf_sse3(pshort, &c), 1e30);
  EXPECT_EQ(mf_obj3(pshort, &c), 1e10);
  const double cal2[2] = {-0.6, -0.4};  // al = -0.23 lies beyond this table
  c.cal = cal2;
  const double pout[3] = {0.0, 0.0, 3.0};
  EXPECT_EQ(mf_sse3(pout, &c), 1e30);
  EXPECT_EQ(mf_obj3(pout, &c), 1e10);
}

TEST(NoxeqfitSimModel, LeastSquaresStageIterationCount) {
  // A sample on which the least-squares stage still moves at 300 and 301
  // iterations, so the two counts are told apart by their results.
  const int N = 12;
  const double cal[2] = {-0.9, -0.1}, cbe[2] = {-0.5, -0.2};
  const double th0[6] = {0.0, 1.0, 0.0, 1.0, -0.5, -0.3875};
  Vec x, y, wk(10 * N);
  simulate(th0, N, 0.05, 1, 0, x, y);
  const mf_ctx c = {x.data(), y.data(), N, cal, cbe, 2, -0.85, -0.15, x[0], x[N - 1] - x[0],
                    wk.data()};
  const double s0[3] = {0.0, 0.0, 0.0};
  double p300[3], f300, p301[3], f301;
  noxk4_nmd(mf_sse3, &c, 3, s0, 300, p300, &f300);
  noxk4_nmd(mf_sse3, &c, 3, s0, 301, p301, &f301);
  ASSERT_FALSE(same_bits(p300[0], p301[0]) && same_bits(p300[1], p301[1]) &&
               same_bits(p300[2], p301[2]));
  const struct { int maxit; const double* p; double f; } cases[] = {
      {601, p300, f300}, {602, p301, f301}, {10, p300, f300}};
  for (const auto& k : cases) {
    double p[3], f;
    ef_profls(&c, s0, k.maxit, p, &f);
    for (int j = 0; j < 3; ++j) EXPECT_TRUE(same_bits(p[j], k.p[j])) << k.maxit;
    EXPECT_TRUE(same_bits(f, k.f)) << k.maxit;
  }
}

TEST(NoxeqfitSimModel, ArmsFollowTheirSeedsAndShifts) {
  const Setting st;
  const int N = 16, seed = 3, maxit = 15;
  const Vec out = st.msim(N, 1, seed, maxit);
  // Arm 0 is the null simulation itself.
  EXPECT_TRUE(same_bits(out[0], st.nullT(N, 1, seed, maxit)[0]));

  // T is non-negative and at most the score statistic where the score stage
  // of the middle start (the only one inside the table) begins.
  Vec x, y, wk(10 * N);
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
    EXPECT_TRUE(same_bits(out[a + 4], st.arm_score(a, N, seed + 1000 * a, 0))) << a;
    EXPECT_GE(out[a + 1], 0.0) << a;
    EXPECT_LT(out[a + 1], 1e10) << a;
  }
}

TEST(NoxeqfitSimModel, SeedsNearIntLimitsWrapAround) {
  // A one-point table admits no constrained curve: T is 1e30 throughout and
  // the fixed-shape statistics alone carry the simulated data.
  Setting st;
  st.nc = 1;
  const int N = 14, R = 2;
  for (int seed : {INT_MAX - 1500, INT_MAX}) {
    const Vec out = st.msim(N, R, seed, 5);
    for (int r = 0; r < R; ++r) {
      for (int col : {0, 2, 3, 4}) EXPECT_EQ(out[col * R + r], 1e30);
      for (int a = 1; a <= 3; ++a)
        EXPECT_TRUE(same_bits(out[(a + 4) * R + r], st.arm_score(a, N, wrap_seed(seed, 1000 * a), r)))
            << seed << " arm " << a;
    }
    for (double v : st.nullT(N, R, seed, 5)) EXPECT_EQ(v, 1e30);
  }
}

TEST(NoxeqfitSimModel, FewDesignPoints) {
  const Setting st;
  // Below 12 points no window holds 12 points: the score stage sits at its
  // penalty, so T = 1e10 (the middle start passes the least-squares stage),
  // and the statistics at the reference shapes are NaN.
  const Vec out = st.msim(10, 1, 11, 10);
  for (int col : {0, 2, 3, 4}) EXPECT_EQ(out[col], 1e10) << col;
  for (int col : {5, 6, 7}) EXPECT_TRUE(std::isnan(out[col])) << col;
  EXPECT_EQ(st.nullT(10, 1, 11, 10)[0], 1e10);
  // One design point or none: no design, everything NaN.
  for (int N : {1, 0, -4}) {
    for (double v : st.msim(N, 3, 11, 10)) EXPECT_TRUE(std::isnan(v)) << N;
    for (double v : st.nullT(N, 3, 11, 10)) EXPECT_TRUE(std::isnan(v)) << N;
  }
  // No replicates: nothing written.
  EXPECT_EQ(st.msim(10, 0, 11, 10)[0], 7.0);
  EXPECT_EQ(st.nullT(10, 0, 11, 10)[0], 7.0);
}

// ---------------------------------------------------------------------------
// Estimation studies

// L-moment ratios of the distribution with quantile function I_u(a, b) by
// Simpson integration against the shifted Legendre polynomials (the family's
// quantile routine supplies I_u). The substitution u = t^4 (35 - 84t + 70t^2
// - 20t^3), du = 140 t^3 (1 - t)^3 dt, smooths the power-law ends.
void tau_by_quadrature(double al, double be, double* t3, double* t4) {
  const int M = 4000, M1 = M + 1;
  Vec u(M1), q(M1), dj(M1);
  for (int i = 0; i <= M; ++i) {
    const double t = static_cast<double>(i) / M;
    u[i] = t * t * t * t * (35 - 84 * t + 70 * t * t - 20 * t * t * t);
    dj[i] = 140 * t * t * t * (1 - t) * (1 - t) * (1 - t);
  }
  u[M] = 1.0;
  noxeq2_bc_q(&M1, u.data(), &al, &be, q.data());
  double l2 = 0, l3 = 0, l4 = 0;
  for (int i = 0; i <= M; ++i) {
    const double w = ((i == 0 || i == M) ? 1.0 : (i % 2 ? 4.0 : 2.0)) * dj[i] * q[i] / q[M];
    const double x = u[i];
    l2 += w * (2 * x - 1);
    l3 += w * (6 * x * x - 6 * x + 1);
    l4 += w * (20 * x * x * x - 30 * x * x + 12 * x - 1);
  }
  *t3 = l3 / l2;
  *t4 = l4 / l2;
}

TEST(NoxeqfitSimEstimation, LMomentRatiosOfTheFamily) {
  // Closed forms: uniform (0, 0); quantile u^2 (1/5, 0); 1 - (1 - u)^2 (-1/5, 0).
  const double exact[][4] = {{0, 0, 0, 0}, {1, 0, 0.2, 0}, {0, 1, -0.2, 0}};
  double t[2];
  for (const auto& e : exact) {
    es_tau(e[0], e[1], t);
    EXPECT_NEAR(t[0], e[2], 1e-14);
    EXPECT_NEAR(t[1], e[3], 1e-14);
  }
  const double ab[][2] = {{-0.5, -0.3}, {-0.2, 0.3}, {-0.8, -0.7}};
  for (const auto& p : ab) {
    double q3, q4;
    tau_by_quadrature(p[0], p[1], &q3, &q4);
    es_tau(p[0], p[1], t);
    EXPECT_NEAR(t[0], q3, 2e-5) << p[0] << " " << p[1];
    EXPECT_NEAR(t[1], q4, 2e-5) << p[0] << " " << p[1];
  }
}

TEST(NoxeqfitSimEstimation, ObjectivesAgainstDirectValues) {
  const double al = -0.5, be = -0.3, a = 1 + al, b = 1 + be, p[2] = {al, be};
  Vec x;
  for (double u : {0.05, 0.2, 0.4, 0.55, 0.8, 0.97}) x.push_back(ef_pbeta(u, 0.4, 0.9));
  const int n = static_cast<int>(x.size());
  double g200[200];
  for (int k = 0; k < 200; ++k) g200[k] = (k + 0.5) / 200;

  // Likelihood: density B(a, b) u^-al (1 - u)^-be, u found by bisection.
  double nll = 0;
  for (double v : x) {
    double lo = 0, hi = 1;
    for (int i = 0; i < 200 && hi - lo > 1e-16; ++i)
      (ef_pbeta(0.5 * (lo + hi), a, b) < v ? lo : hi) = 0.5 * (lo + hi);
    const double u = 0.5 * (lo + hi);
    nll -= std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b) - al * std::log(u) -
           be * std::log(1 - u);
  }
  const es_ctx c0 = {x.data(), n, 0, nullptr, g200};
  EXPECT_NEAR(es_obj(p, &c0), nll, 1e-9 * std::fabs(nll));

  // Mean b/(a + b) and variance (second moment by Simpson over the quantile
  // function): the exact pair gives ~0, a mean off by 0.01 costs 1e-4.
  const int M = 4000;
  double m2 = 0;
  for (int i = 0; i <= M; ++i) {
    const double q = ef_pbeta(static_cast<double>(i) / M, a, b);
    m2 += ((i == 0 || i == M) ? 1.0 : (i % 2 ? 4.0 : 2.0)) * q * q;
  }
  m2 /= 3.0 * M;
  const double mean = b / (a + b);
  double tm[2] = {mean, m2 - mean * mean};
  const es_ctx c1 = {x.data(), n, 1, tm, g200};
  EXPECT_LT(es_obj(p, &c1), 1e-9);
  tm[0] += 0.01;
  EXPECT_NEAR(es_obj(p, &c1), 1e-4, 2e-6);

  // L-moment ratios: zero at the family's own; 1e9 outside the box.
  double t[2];
  es_tau(al, be, t);
  const es_ctx c2 = {x.data(), n, 2, t, g200};
  EXPECT_EQ(es_obj(p, &c2), 0.0);
  const double outside[][2] = {
      {-0.99, -0.3}, {-0.01, -0.3}, {-0.5, -0.99}, {-0.5, 0.5}, {std::nan(""), 0.0}};
  for (const auto& q : outside) EXPECT_EQ(es_obj(q, &c2), 1e9);
}

TEST(NoxeqfitSimEstimation, TausSampleRatiosAndRecovery) {
  // Sample ratios against their definition as averages over sub-samples of
  // sizes 2, 3 and 4 of the ordered sample.
  const double a0 = 0.45, b0 = 0.8;
  const int R = 3, n = 18, seed = -77;
  Vec out(4 * R);
  noxeqfit_taus(&a0, &b0, &R, &n, &seed, out.data());
  for (int r = 0; r < R; ++r) {
    Vec x(n);
    std::uint64_t s = ef_seed(seed, r);
    for (int i = 0; i < n; ++i) x[i] = ef_pbeta(ef_unif(s), a0, b0);
    std::sort(x.begin(), x.end());
    double s2 = 0, s3 = 0, s4 = 0, c2 = 0, c3 = 0, c4 = 0;
    for (int i = 0; i < n; ++i)
      for (int j = i + 1; j < n; ++j) {
        s2 += x[j] - x[i], c2 += 1;
        for (int k = j + 1; k < n; ++k) {
          s3 += x[k] - 2 * x[j] + x[i], c3 += 1;
          for (int l = k + 1; l < n; ++l) s4 += x[l] - 3 * x[k] + 3 * x[j] - x[i], c4 += 1;
        }
      }
    const double l2 = s2 / c2 / 2;
    EXPECT_NEAR(out[r], s3 / c3 / 3 / l2, 1e-12);
    EXPECT_NEAR(out[R + r], s4 / c4 / 4 / l2, 1e-12);
  }

  // Large samples: the inversion reproduces the sample ratios, which lie
  // close to those of the generating exponents.
  const double cases[][2] = {{0.45, 0.8}, {0.2, 1.3}, {1.0, 1.0}};
  for (const auto& c : cases) {
    const int R2 = 2, big = 20000, sd = 5;
    Vec o(4 * R2);
    noxeqfit_taus(&c[0], &c[1], &R2, &big, &sd, o.data());
    for (int r = 0; r < R2; ++r) {
      double t[2];
      es_tau(o[2 * R2 + r], o[3 * R2 + r], t);
      EXPECT_NEAR(t[0], o[r], 1e-10);
      EXPECT_NEAR(t[1], o[R2 + r], 1e-10);
      EXPECT_NEAR(o[2 * R2 + r], c[0] - 1, 0.04) << c[0] << " " << c[1];
      EXPECT_NEAR(o[3 * R2 + r], c[1] - 1, 0.04) << c[0] << " " << c[1];
    }
  }
  // No sample: NaN.
  const int n0 = 0;
  Vec o(4 * R, 3.0);
  noxeqfit_taus(&a0, &b0, &R, &n0, &seed, o.data());
  for (double v : o) EXPECT_TRUE(std::isnan(v));
}

Vec estsim(const std::vector<int>& sizes, int R, int seed, int maxit, double a0 = 0.45,
           double b0 = 0.8) {
  const int nn = static_cast<int>(sizes.size());
  Vec out(6 * R * nn, 4.0);
  noxeqfit_estsim(&a0, &b0, &R, sizes.data(), &nn, &seed, &maxit, out.data());
  return out;
}

TEST(NoxeqfitSimEstimation, SizeIndexSeedingAndEmptySizes) {
  const int R = 2, maxit = 20, seed = INT_MAX - 100;  // size 1's seed wraps
  const Vec A = estsim({12, 16}, R, seed, maxit);
  const Vec B = estsim({12}, R, seed, maxit);
  const Vec C = estsim({16}, R, wrap_seed(seed, 7000), maxit);
  const Vec D = estsim({0, 16}, R, seed, maxit);
  for (int i = 0; i < 6 * R; ++i) {
    EXPECT_TRUE(same_bits(A[i], B[i])) << i;           // same first size, same block
    EXPECT_TRUE(same_bits(A[6 * R + i], C[i])) << i;   // block 1 uses seed + 7000
    EXPECT_TRUE(std::isnan(D[i])) << i;                // no sample, NaN block
    EXPECT_TRUE(same_bits(D[6 * R + i], A[6 * R + i])) << i;
  }
  for (double v : A) {  // every estimate lies in the admissible box
    ASSERT_TRUE(std::isfinite(v));
    EXPECT_GT(v, -0.99);
    EXPECT_LT(v, 0.5);
  }
}

TEST(NoxeqfitSimEstimation, LMomentEstimatesMatchTheNewtonInversion) {
  // Size index 0 draws the samples of noxeqfit_taus: the minimiser over the
  // L-moment objective and Newton's method solve the same equations.
  const double a0 = 0.5, b0 = 0.75;
  const int R = 2, n = 60, seed = 21;
  const Vec est = estsim({n}, R, seed, 100, a0, b0);
  Vec tau(4 * R);
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
  const double ks[] = {-0.3, 0.0, 0.2, 0.45}, h = -0.2;
  const int nk = 4, grid = 4000;
  Vec ob(nk), oa2(nk), ob2(nk);
  noxeqfit_bsweep(ks, &nk, &h, ob.data());
  noxeqfit_absweep(ks, &nk, &h, oa2.data(), ob2.data());
  for (int i = 0; i < nk; ++i) {
    const double th[6] = {0, 1, 0, 1, ks[i], h};
    double r[3];
    noxk4_readings(th, &grid, r);
    EXPECT_TRUE(same_bits(ob[i], r[1]) && same_bits(ob2[i], r[1]) && same_bits(oa2[i], r[0]))
        << i;
  }
  const double alpha = -0.6, bg[] = {-0.9, -0.5, -0.2, -0.05};
  const int nb = 4;
  Vec oe(nb);
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
