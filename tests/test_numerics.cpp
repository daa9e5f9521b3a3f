// Toolkit: random streams, Nelder-Mead minimiser, Gauss-Legendre rule,
// Simpson rule, sorting and scratch.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "noxara.h"
#include "numerics/common.h"
#include "numerics/gl01.h"
#include "numerics/nelder_mead.h"
#include "numerics/rng.h"
#include "numerics/scratch.h"
#include "guarded_output.h"

using namespace noxara;

namespace {

std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

}  // namespace

// ---- random streams ------------------------------------------------------
// Expected words were worked out with arbitrary-precision integer arithmetic
// (a few lines of Python) from the increment and the two finaliser constants.

TEST(NumericsRng, SplitMixFromZeroStateGivesTheReferenceFirstWord) {
  std::uint64_t s = 0;
  EXPECT_EQ(sm_next(s), 0xe220a8397b1dcdafULL);
  EXPECT_EQ(s, kGamma);
}

TEST(NumericsRng, SeedZeroEntersOnlyThroughTheReplicateTerm) {
  // mix(0*gamma XOR 1*M1) = mix(M1)
  EXPECT_EQ(sm_seed(0, 0), 0xf2fea5823ed3a667ULL);
  EXPECT_EQ(sm_seed(0, 0), sm_mix(kM1));
  EXPECT_EQ(sm_seed(0, 4), sm_mix(5 * kM1));
}

TEST(NumericsRng, KnownFirstUniformsOfAReplicateStream) {
  std::uint64_t s = sm_seed(42, 3);
  EXPECT_EQ(sm_next(s), 0x101bdd310e1fa9c1ULL);
  EXPECT_EQ(sm_next(s), 0xee8fe94b5d80fd39ULL);
  s = sm_seed(42, 3);
  EXPECT_EQ(sm_unif(s), 0.06292517135272979);
  EXPECT_EQ(sm_unif(s), 0.9318834122655096);
  EXPECT_EQ(sm_unif(s), 0.6555579784971272);
}

TEST(NumericsRng, NegativeSeedsAreSignExtended) {
  std::uint64_t s = sm_seed(-7, 0);
  EXPECT_EQ(sm_next(s), 0xc88f1ee7666daa73ULL);
  // -7 sign-extended, not 2^32 - 7
  const std::uint64_t wide = static_cast<std::uint64_t>(-7LL);
  EXPECT_EQ(sm_seed(-7, 0), sm_mix((wide * kGamma) ^ kM1));
}

TEST(NumericsRng, NormalUsesTwoUniformsCosineBranch) {
  std::uint64_t s = sm_seed(42, 0);
  EXPECT_EQ(sm_norm(s), -0.5716005922560073);
  std::uint64_t t = sm_seed(42, 0);
  sm_next(t);
  sm_next(t);
  EXPECT_EQ(s, t);  // exactly two steps consumed
}

TEST(NumericsRng, UniformIsAMultipleOfTwoToMinus53InUnitInterval) {
  std::uint64_t s = sm_seed(1, 1);
  for (int i = 0; i < 1000; ++i) {
    const double u = sm_unif(s);
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    const double k = u / kTwoPow53Inv;
    ASSERT_EQ(k, std::floor(k));
  }
}

TEST(NumericsRng, XoshiroSeedIsZeroExtended) {
  Xoshiro a, b;
  a.seed_rng(-1);
  b.sm_state = 0x00000000FFFFFFFFULL;
  for (auto& w : b.xs) w = b.splitmix64();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a.xs[i], b.xs[i]);
  EXPECT_EQ(a.sm_state, 0x00000000FFFFFFFFULL + 4 * kGamma);
  for (int i = 0; i < 100; ++i) {
    const double u = a.next_unif();
    ASSERT_GT(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
}

// ---- Nelder-Mead -----------------------------------------------------------

namespace {

int g_unused;  // only its address is passed as a context

double quad2(const double* p, const void* ctx) {
  EXPECT_EQ(ctx, &g_unused);
  const double a = p[0] - 1.0, b = p[1] + 2.0;
  return a * a + b * b;
}

struct Counter {
  int evals = 0;
};

double counted_quad(const double* p, void* ctx) {
  static_cast<Counter*>(ctx)->evals++;
  const double a = p[0] - 1.0, b = p[1] + 2.0;
  return a * a + b * b;
}

double constant_obj(const double*, const void*) { return 3.0; }

double first_coord(const double* p, const void*) { return p[0]; }

double sum7(const double* p, const void*) {
  double s = 0;
  for (int j = 0; j < 7; ++j) s += (p[j] - j) * (p[j] - j);
  return s;
}

}  // namespace

TEST(NumericsNelderMead, QuadraticConverges) {
  const double start[2] = {0.0, 0.0};
  double x[2], f;
  noxk4_nmd(quad2, &g_unused, 2, start, 1000, x, &f);
  EXPECT_NEAR(x[0], 1.0, 1e-9);
  EXPECT_NEAR(x[1], -2.0, 1e-9);
  EXPECT_LT(f, 1e-17);
}

TEST(NumericsNelderMead, StopsOnSpreadLongBeforeTheCap) {
  const double start[2] = {0.0, 0.0};
  double x1[2], f1, x2[2], f2;
  noxk4_nmd(quad2, &g_unused, 2, start, 1000, x1, &f1);
  noxk4_nmd(quad2, &g_unused, 2, start, 100000, x2, &f2);
  // A larger cap changes nothing once the spread test has fired.
  EXPECT_EQ(bits(x1[0]), bits(x2[0]));
  EXPECT_EQ(bits(f1), bits(f2));
  double x3[2], f3;
  noxk4_nmd(quad2, &g_unused, 2, start, 60, x3, &f3);
  EXPECT_GT(f3, f1);  // sixty iterations are not enough
}

TEST(NumericsNelderMead, MaxitZeroReturnsBestInitialVertex) {
  // Vertices: (0,0) f=5, (0.1,0) f=4.81, (0,0.1) f=5.41 -> vertex 1.
  const double start[2] = {0.0, 0.0};
  double x[2], f;
  noxk4_nmd(quad2, &g_unused, 2, start, 0, x, &f);
  EXPECT_EQ(x[0], 0.1);
  EXPECT_EQ(x[1], 0.0);
  EXPECT_EQ(f, 0.9 * 0.9 + 4.0);
  noxk4_nmd(quad2, &g_unused, 2, start, -5, x, &f);
  EXPECT_EQ(x[0], 0.1);
}

TEST(NumericsNelderMead, ConstantObjectiveKeepsTheStart) {
  const double start[3] = {1.0, -2.0, 0.5};
  double x[3], f;
  noxk4_nmd(constant_obj, nullptr, 3, start, 500, x, &f);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(x[1], -2.0);
  EXPECT_EQ(x[2], 0.5);
  EXPECT_EQ(f, 3.0);
}

TEST(NumericsNelderMead, InitialStepRulesOfTheTwoHomes) {
  // With maxit = 0 and objective p[0], the best initial vertex is the start
  // (the step is added), so probe the step through -p[0] instead.
  struct Neg {
    static double f(const double* p, const void*) { return -p[0]; }
    static double g(const double* p, void*) { return -p[0]; }
  };
  double x[4], f;
  const double zero[1] = {0.0};
  noxk4_nmd(Neg::f, nullptr, 1, zero, 0, x, &f);
  EXPECT_EQ(x[0], 0.1);
  const double tiny[1] = {1e-9};
  noxk4_nmd(Neg::f, nullptr, 1, tiny, 0, x, &f);
  EXPECT_EQ(x[0], 1e-9 + 1e-10);
  const double tiny4[4] = {1e-9, 7.0, 8.0, 9.0};
  nmd(Neg::g, nullptr, 1, tiny4, 0, x, &f);
  EXPECT_EQ(x[0], 1e-9 + 0.1);
  // all four stored coordinates are carried through
  EXPECT_EQ(x[1], 7.0);
  EXPECT_EQ(x[2], 8.0);
  EXPECT_EQ(x[3], 9.0);
  (void)first_coord;
}

TEST(NumericsNelderMead, VariableProjectionHomeMinimisesWithMutableContext) {
  Counter c;
  const double start[4] = {0.0, 0.0, 0.0, 0.0};
  double x[4], f;
  nmd(counted_quad, &c, 2, start, 1000, x, &f);
  EXPECT_NEAR(x[0], 1.0, 1e-8);
  EXPECT_NEAR(x[1], -2.0, 1e-8);
  EXPECT_GT(c.evals, 50);
}

TEST(NumericsNelderMead, SevenDimensionsWorkAndEightAreRefused) {
  double start[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  double x[8], f;
  noxk4_nmd(sum7, nullptr, 7, start, 20000, x, &f);
  for (int j = 0; j < 7; ++j) EXPECT_NEAR(x[j], j, 1e-4);
  for (int j = 0; j < 8; ++j) start[j] = j + 0.5;
  for (int j = 0; j < 8; ++j) x[j] = -1.0;
  noxk4_nmd(sum7, nullptr, 8, start, 100, x, &f);
  EXPECT_TRUE(std::isnan(f));
  for (int j = 0; j < 8; ++j) EXPECT_EQ(x[j], start[j]);
  f = 0.0;
  noxk4_nmd(sum7, nullptr, 0, start, 100, x, &f);
  EXPECT_TRUE(std::isnan(f));
}

TEST(NumericsNelderMead, NaNValuesAreNeverChosenExceptAtVertexZero) {
  struct N {
    static double f(const double* p, const void*) {
      return p[0] > 0.05 ? std::numeric_limits<double>::quiet_NaN() : p[0] * p[0] + 1.0;
    }
  };
  const double start[1] = {0.0};
  double x[1], f;
  noxk4_nmd(N::f, nullptr, 1, start, 0, x, &f);
  EXPECT_EQ(x[0], 0.0);
  EXPECT_EQ(f, 1.0);
}

// ---- Gauss-Legendre ---------------------------------------------------------

TEST(NumericsGaussLegendre, SmallRulesMatchClosedForms) {
  double x[3], w[3];
  gl01(1, x, w);
  EXPECT_EQ(x[0], 0.5);
  EXPECT_NEAR(w[0], 1.0, 1e-15);
  gl01(2, x, w);
  EXPECT_NEAR(x[0], 0.5 + std::sqrt(3.0) / 6.0, 1e-15);
  EXPECT_NEAR(x[1], 0.5 - std::sqrt(3.0) / 6.0, 1e-15);
  EXPECT_NEAR(w[0], 0.5, 1e-15);
  EXPECT_NEAR(w[1], 0.5, 1e-15);
  gl01(3, x, w);
  EXPECT_NEAR(x[0], 0.5 + std::sqrt(15.0) / 10.0, 1e-15);
  EXPECT_NEAR(x[1], 0.5, 1e-15);
  EXPECT_NEAR(x[2], 0.5 - std::sqrt(15.0) / 10.0, 1e-15);
  EXPECT_NEAR(w[0], 5.0 / 18.0, 1e-15);
  EXPECT_NEAR(w[1], 4.0 / 9.0, 1e-15);
  EXPECT_NEAR(w[2], 5.0 / 18.0, 1e-15);
}

TEST(NumericsGaussLegendre, WeightsCarryTheReferenceBits) {
  // Users compare weights bit for bit. With the Newton nodes of the stated
  // recurrence, 1/((1 - z^2) * P' * P') taken left to right gives these
  // doubles; squaring P' first lands one or two ulps away on each of them.
  double x[4], w[4];
  gl01(2, x, w);
  EXPECT_EQ(w[0], 0.5 + 0x1p-53);  // 0.50000000000000011
  EXPECT_EQ(w[1], 0.5 + 0x1p-53);
  gl01(3, x, w);
  EXPECT_EQ(w[0], 0.27777777777777762);
  EXPECT_EQ(w[1], 0.44444444444444442);
  EXPECT_EQ(w[2], 0.27777777777777762);
  gl01(4, x, w);
  EXPECT_EQ(w[0], 0.17392742256872687);
  EXPECT_EQ(w[1], 0.32607257743127305);
  EXPECT_EQ(w[2], 0.32607257743127305);
  EXPECT_EQ(w[3], 0.17392742256872687);
}

TEST(NumericsGaussLegendre, NodesDescendWeightsSumToOneAndPolynomialsIntegrateExactly) {
  for (int n : {4, 7, 20, 40, 60, 101}) {
    double x[101], w[101];
    gl01(n, x, w);
    double sw = 0.0;
    for (int i = 0; i < n; ++i) {
      sw += w[i];
      ASSERT_GT(x[i], 0.0);
      ASSERT_LT(x[i], 1.0);
      if (i > 0) {
        ASSERT_LT(x[i], x[i - 1]);
      }
    }
    EXPECT_NEAR(sw, 1.0, 1e-13) << n;
    // integral of x^d on [0, 1] is 1/(d+1), exact for d <= 2n - 1
    for (int d : {0, 1, 2 * n - 1}) {
      double s = 0.0;
      for (int i = 0; i < n; ++i) s += w[i] * std::pow(x[i], d);
      EXPECT_NEAR(s, 1.0 / (d + 1), 1e-13) << "n=" << n << " d=" << d;
    }
  }
}

TEST(NumericsGaussLegendre, NonPositiveCountWritesNothing) {
  double x[1] = {7.0}, w[1] = {8.0};
  gl01(0, x, w);
  gl01(-3, x, w);
  EXPECT_EQ(x[0], 7.0);
  EXPECT_EQ(w[0], 8.0);
}

// ---- Simpson, sorting, scratch ------------------------------------------------

namespace {
double cube(double x, void*) { return x * x * x; }
double expo(double x, void*) { return std::exp(x); }
}  // namespace

TEST(NumericsSimpson, ExactForCubicsAndAccurateForSmoothFunctions) {
  EXPECT_NEAR(simpson(cube, nullptr, 0.0, 2.0, 2), 4.0, 1e-15);
  EXPECT_NEAR(simpson(cube, nullptr, -1.0, 3.0, 10), 20.0, 1e-13);
  EXPECT_NEAR(simpson(expo, nullptr, 0.0, 1.0, 100), std::exp(1.0) - 1.0, 1e-10);
}

TEST(NumericsSort, AscendingAndNaNDoesNotBreakIt) {
  double x[6] = {3.0, -1.0, 2.0, 2.0, 10.0, -5.0};
  sort_doubles(x, 6);
  for (int i = 1; i < 6; ++i) EXPECT_LE(x[i - 1], x[i]);
  double y[5] = {1.0, std::nan(""), -2.0, 4.0, 0.5};
  sort_doubles(y, 5);  // must terminate and keep every value
  int nans = 0;
  double s = 0;
  for (double v : y) {
    if (std::isnan(v)) {
      ++nans;
    } else {
      s += v;
    }
  }
  EXPECT_EQ(nans, 1);
  EXPECT_EQ(s, 3.5);
  EXPECT_EQ(cmp_double(&y[0], &y[0]), 0);
  const double a = 1.0, b = 2.0, q = std::nan("");
  EXPECT_EQ(cmp_double(&a, &b), -1);
  EXPECT_EQ(cmp_double(&b, &a), 1);
  EXPECT_EQ(cmp_double(&a, &q), 0);
}

TEST(NumericsScratch, ZeroSizeIsNotAFailureAndOverflowIs) {
  Scratch<double> none(0);
  EXPECT_TRUE(none.ok());
  Scratch<double> some(16, true);
  ASSERT_TRUE(some.ok());
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(some[i], 0.0);
  Scratch<double> huge(std::numeric_limits<std::size_t>::max() / 4);
  EXPECT_FALSE(huge.ok());
}

TEST(NumericsMarker, NaNMarkerHasTheQuietBitPattern) {
  EXPECT_EQ(bits(nan_marker()), 0x7FF8000000000000ULL);
  double v[3] = {1, 2, 3};
  fill_nan(v, 2);
  EXPECT_TRUE(std::isnan(v[0]) && std::isnan(v[1]));
  EXPECT_EQ(v[2], 3.0);
}

// ---- many threads at once ------------------------------------------------------
// Every routine keeps its state in the call: seeded routines running on many
// threads at the same time give exactly the results of a lone call.


namespace {

struct Work {
  std::vector<double> bb, circ, fit, boot;
};

void run_work(Work& w) {
  const int n = 12, M = 20, seed = 99;
  double u[12];
  for (int i = 0; i < n; ++i) u[i] = (i + 0.3 * (i % 3)) / 13.0;
  w.bb.assign(2 * M, 0.0);
  bb_post(&n, u, &M, &seed, w.bb.data());

  double theta[12];
  for (int i = 0; i < n; ++i) theta[i] = 0.4 * i + 0.05 * (i % 4);
  const double cgrid[3] = {-0.5, 0.0, 0.5};
  const int B = 19, ng = 3, stat = 1, group = 0;
  const double lev = 0.05;
  w.circ.assign(6, 0.0);
  noxc_exact_ci(theta, &n, &B, &seed, cgrid, &ng, &stat, &group, &lev, w.circ.data());

  const int nf = 30;
  double x[30], y[30];
  for (int i = 0; i < nf; ++i) {
    x[i] = -2.0 + 6.0 * i / (nf - 1);
    y[i] = 0.5 + 2.0 * k4_F(x[i], 0.8, 0.9, 0.2, 0.7) + 0.01 * ((i * 7) % 5 - 2);
  }
  const double start[6] = {0.4, std::log(1.8), 0.6, std::log(1.0), 0.1, std::log(0.6)};
  w.fit.assign(7, 0.0);
  noxk4_fit_nls(x, y, &nf, start, w.fit.data());

  const double r[30] = {0.3, -0.1, 0.2, 0.5, -0.4, 0.1, 0.0, -0.2, 0.3, 0.1,
                        -0.3, 0.2, 0.4, -0.1, -0.2, 0.1, 0.0, 0.3, -0.5, 0.2,
                        0.1, -0.1, 0.2, 0.0, -0.3, 0.4, 0.1, -0.2, 0.0, 0.1};
  int bl = 0;
  noxeqfit_blocklen(r, &nf, &bl);
  w.boot.assign(1, static_cast<double>(bl));
}

}  // namespace

TEST(ThreadsConcurrency, SeededRoutinesOnManyThreadsMatchALoneCall) {
  Work lone;
  run_work(lone);
  constexpr int kThreads = 6;
  std::vector<Work> got(kThreads);
  std::atomic<bool> go{false};
  std::vector<std::thread> pool;
  for (int t = 0; t < kThreads; ++t)
    pool.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      run_work(got[t]);
    });
  go.store(true);
  for (auto& th : pool) th.join();
  for (const Work& w : got) {
    ASSERT_EQ(w.bb.size(), lone.bb.size());
    EXPECT_EQ(std::memcmp(w.bb.data(), lone.bb.data(), w.bb.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(w.circ.data(), lone.circ.data(), w.circ.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(w.fit.data(), lone.fit.data(), w.fit.size() * sizeof(double)), 0);
    EXPECT_EQ(w.boot[0], lone.boot[0]);
  }
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


namespace badin {
namespace {

double bowl(const double* p, const void*) {
  return (p[0] - 1.0) * (p[0] - 1.0) + (p[1] + 2.0) * (p[1] + 2.0);
}
double level(const double*, const void*) { return 3.0; }
double nan_obj(const double*, const void*) { return kNaN; }

}  // namespace
}  // namespace badin

TEST(NumericsBadInput, MinimiserDimensionsOutsideItsStorage) {
  using namespace badin;
  const double start[9] = {0.5, -0.5, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0};
  // No coordinates: nothing to copy, the minimum is not available.
  for (int d : {0, -1, INT_MIN}) {
    Out x(9), f(1);
    noxk4_nmd(bowl, nullptr, d, start, 50, x.p(), f.p());
    EXPECT_TRUE(x.untouched()) << d;
    EXPECT_TRUE(f.guards_intact()) << d;
    EXPECT_TRUE(std::isnan(f[0])) << d;
  }
  // More coordinates than the simplex holds: the start comes back.
  for (int d : {8, 9}) {
    Out x(static_cast<std::size_t>(d)), f(1);
    noxk4_nmd(bowl, nullptr, d, start, 50, x.p(), f.p());
    EXPECT_TRUE(x.guards_intact() && f.guards_intact()) << d;
    for (int j = 0; j < d; ++j) EXPECT_EQ(x[static_cast<std::size_t>(j)], start[j]) << d;
    EXPECT_TRUE(std::isnan(f[0])) << d;
  }
}

TEST(NumericsBadInput, MinimiserIterationCapsAndNonFiniteStarts) {
  using namespace badin;
  const double start[2] = {0.0, 0.0};
  // No iterations: the best vertex of the first simplex, (0.1, 0).
  for (int maxit : {0, -1, INT_MIN}) {
    Out x(2), f(1);
    noxk4_nmd(bowl, nullptr, 2, start, maxit, x.p(), f.p());
    EXPECT_TRUE(x.guards_intact() && f.guards_intact()) << maxit;
    EXPECT_EQ(x[0], 0.1) << maxit;
    EXPECT_EQ(x[1], 0.0) << maxit;
  }
  // The largest cap: a converging run and a constant objective still stop on
  // the spread test.
  {
    Out x(2), f(1);
    noxk4_nmd(bowl, nullptr, 2, start, INT_MAX, x.p(), f.p());
    EXPECT_TRUE(x.guards_intact() && f.guards_intact());
    EXPECT_NEAR(x[0], 1.0, 1e-6);
    EXPECT_NEAR(x[1], -2.0, 1e-6);
    x.reset();
    f.reset();
    noxk4_nmd(level, nullptr, 2, start, INT_MAX, x.p(), f.p());
    EXPECT_TRUE(x.guards_intact() && f.guards_intact());
    EXPECT_EQ(f[0], 3.0);
  }
  for (double bad : kNonFinite) {
    const double sb[2] = {bad, 0.0};
    Out x(2), f(1);
    noxk4_nmd(bowl, nullptr, 2, sb, 40, x.p(), f.p());
    EXPECT_TRUE(x.guards_intact() && f.guards_intact()) << bad;
    EXPECT_TRUE(x.all_written() && f.all_written()) << bad;
  }
  // An objective that is never a number: the cap ends the run.
  Out x(3), f(1);
  const double s3[3] = {1.0, 2.0, 3.0};
  noxk4_nmd(nan_obj, nullptr, 3, s3, 50, x.p(), f.p());
  EXPECT_TRUE(x.guards_intact() && f.guards_intact());
  EXPECT_TRUE(std::isnan(f[0]));
}
