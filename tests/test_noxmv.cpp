// Multi-method bootstrap of the tangent-intercept reading.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <limits>
#include <vector>

#include "noxara.h"
#include "noxmv.h"
#include "numerics/rng.h"
#include "guarded_output.h"


namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Data on a rising kappa-4 curve with a deterministic wiggle as noise.
void make_data(int n, std::vector<double>& x, std::vector<double>& y, double noise = 0.03) {
  x.resize(n);
  y.resize(n);
  for (int i = 0; i < n; ++i) {
    x[i] = 10.0 * i / (n - 1);
    y[i] = 0.5 + 2.0 * k4_F(x[i], 5.0, 1.0, 0.1, 0.4) +
           noise * std::sin(2.3 * i + 0.4) * std::cos(0.71 * i);
  }
}

const double kBounds[4] = {-0.9, 0.9, 0.0, 1.0};

}  // namespace

// ---------------------------------------------------------------------------
// Block length and moving-block draws.

TEST(NoxmvBlock, BlockLengthFromAutocorrelation) {
  // Square wave of period 12: autocorrelation 1 - l/3 falls to zero at lag 3.
  std::vector<double> r(120);
  for (int i = 0; i < 120; ++i) r[i] = ((i / 6) % 2 == 0) ? 1.0 : -1.0;
  EXPECT_EQ(noxara::mv_blocklen(r.data(), 120), 3);
  // Alternating pairs: lag-1 autocorrelation near zero, but never below 2.
  for (int i = 0; i < 120; ++i) r[i] = ((i / 2) % 2 == 0) ? 1.0 : -1.0;
  EXPECT_EQ(noxara::mv_blocklen(r.data(), 120), 2);
  // A constant series has no autocorrelation to scan: n^(1/3) rounded.
  std::vector<double> c(400, 0.25);
  EXPECT_EQ(noxara::mv_blocklen(c.data(), 400), 7);
  EXPECT_EQ(noxara::mv_blocklen(c.data(), 27), 3);
  EXPECT_EQ(noxara::mv_blocklen(c.data(), 4), 2);
}

TEST(NoxmvBlock, BlocksAreContiguousRunsInsideTheResiduals) {
  const int n = 23, bl = 5;
  std::vector<double> m0(n), r(n), y2(n);
  for (int i = 0; i < n; ++i) {
    m0[i] = 1000.0 * i;
    r[i] = i;  // residual value = its own position
  }
  std::vector<int> hits(n, 0);
  for (int b = 0; b < 400; ++b) {
    std::uint64_t s = noxara::sm_seed(11, b);
    std::uint64_t t = s;
    ASSERT_TRUE(noxara::mv_blockdraw(m0.data(), r.data(), n, bl, s, y2.data()));
    // One uniform per block: ceil(23/5) = 5 steps of the stream.
    for (int q = 0; q < 5; ++q) noxara::sm_next(t);
    EXPECT_EQ(s, t);
    for (int q = 0; q * bl < n; ++q) {
      const int start = static_cast<int>(y2[q * bl] - m0[q * bl]);
      ASSERT_GE(start, 0);
      ASSERT_LE(start, n - bl);
      ++hits[start];
      for (int u = 1; u < bl && q * bl + u < n; ++u)
        ASSERT_EQ(y2[q * bl + u] - m0[q * bl + u], start + u);
    }
  }
  // Every admissible start position occurs, including the last one.
  for (int p = 0; p <= n - bl; ++p) EXPECT_GT(hits[p], 20) << p;
}

TEST(NoxmvBlock, FullLengthBlockAndOversizedBlock) {
  const int n = 9;
  std::vector<double> m0(n), r(n), y2(n, -7.0);
  for (int i = 0; i < n; ++i) {
    m0[i] = 0.5 * i;
    r[i] = 0.1 * i - 0.3;
  }
  std::uint64_t s = noxara::sm_seed(-4, 2), t = s;
  ASSERT_TRUE(noxara::mv_blockdraw(m0.data(), r.data(), n, n, s, y2.data()));
  noxara::sm_next(t);
  EXPECT_EQ(s, t);
  for (int i = 0; i < n; ++i) EXPECT_EQ(y2[i], m0[i] + r[i]);

  // A block longer than the series would start outside the residuals: nothing
  // is drawn or written.
  std::fill(y2.begin(), y2.end(), -7.0);
  s = t;
  for (int bl : {n + 1, 0, -2}) {
    EXPECT_FALSE(noxara::mv_blockdraw(m0.data(), r.data(), n, bl, s, y2.data()));
    EXPECT_EQ(s, t);
    for (int i = 0; i < n; ++i) EXPECT_EQ(y2[i], -7.0);
  }
}

// ---------------------------------------------------------------------------
// Starts and record conversions.

TEST(NoxmvStarts, SixtyStartsWhenTheLocationsCoincide) {
  std::vector<double> st(480, -99.0);
  EXPECT_EQ(noxara::mv_starts(2.0, 3.0, 1.6, st.data()), 120);
  // Last start: second location, scale factor 2, k = 0.3, h = 0.8.
  EXPECT_EQ(st[476], 3.0);
  EXPECT_EQ(st[477], std::log(2.0 * 1.6));
  EXPECT_EQ(st[478], 0.3);
  EXPECT_EQ(st[479], 0.8);

  std::fill(st.begin(), st.end(), -99.0);
  EXPECT_EQ(noxara::mv_starts(2.5, 2.5, 1.6, st.data()), 60);
  for (int i = 0; i < 240; i += 4) EXPECT_EQ(st[i], 2.5);
  for (int i = 240; i < 480; ++i) EXPECT_EQ(st[i], -99.0);
}

TEST(NoxmvRead, ReadingsOfRecords) {
  // Logistic member (k = 0, h = -1): steepest at mu where F = 1/2 and the
  // slope is g1/(4 sg), so the tangent meets the baseline at mu - 2 sg.
  const double v[8] = {0.3, std::nan(""), 2.0, 4.0, 1.5, 0.0, -1.0, 0.2};
  EXPECT_NEAR(noxara::mv_read_a(v), 4.0 - 2.0 * 1.5, 0.02);
  double bad[8];
  std::memcpy(bad, v, sizeof v);
  bad[7] = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(noxara::mv_read_a(bad)));
  std::memcpy(bad, v, sizeof v);
  bad[4] = std::nan("");
  EXPECT_TRUE(std::isnan(noxara::mv_read_a(bad)));

  const double fit[7] = {0.3, 2.0, 4.0, 1.5, 0.0, -1.0, 0.2};
  EXPECT_EQ(noxara::mv_read_th(fit), noxara::mv_read_a(v));
  double fb[7];
  std::memcpy(fb, fit, sizeof fit);
  fb[6] = std::nan("");
  EXPECT_TRUE(std::isnan(noxara::mv_read_th(fb)));
}

// ---------------------------------------------------------------------------
// The bootstrap.

TEST(NoxmvBoot, TooFewPointsLeaveNaN) {
  std::vector<double> x = {0.0, 1.0, 2.0}, y = {0.0, 0.5, 1.0};
  const double cutx = 0.0;
  const int B = 2, seed = 1, maxit = 50;
  for (int n : {3, 1, 0, -5}) {
    double a[8], A[16];
    for (double& v : a) v = 1.0;
    for (double& v : A) v = 1.0;
    noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a, A);
    for (double v : a) EXPECT_TRUE(std::isnan(v));
    for (double v : A) EXPECT_TRUE(std::isnan(v));
  }
}

// One bootstrap of 62 points with two replicates, shared by the tests below
// (the call is expensive). Every point lies at or beyond cutx.
class NoxmvBootRun : public ::testing::Test {
 protected:
  static constexpr int kN = 62, kB = 2, kSeed = -17, kMaxit = 20;
  static std::vector<double> x, y;
  static double a[8], A[8 * kB];
  static void SetUpTestSuite() {
    make_data(kN, x, y, 0.05);
    const int n = kN, B = kB, seed = kSeed, maxit = kMaxit;
    const double cutx = x[0];
    noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a, A);
  }
};
std::vector<double> NoxmvBootRun::x, NoxmvBootRun::y;
double NoxmvBootRun::a[8], NoxmvBootRun::A[8 * NoxmvBootRun::kB];

TEST_F(NoxmvBootRun, PointReadingsNearTheTrueCurve) {
  // The tangent intercept of the curve the data were drawn from.
  const double theta[6] = {0.5, 2.0, 5.0, 1.0, 0.1, 0.4};
  const int grid = 4000;
  double tr[3];
  noxk4_readings(theta, &grid, tr);
  ASSERT_TRUE(std::isfinite(tr[0]));
  // (The band fit of slot 3 may settle on a curve steepest at its lower end,
  // which has no reading; it is not checked here.)
  for (int j : {0, 1, 2, 4, 5, 6, 7}) EXPECT_NEAR(a[j], tr[0], 0.25) << j;
  // With every point at or beyond the cut, the subset fit is the full fit.
  EXPECT_TRUE(same_bits(a[5], a[0]));
}

TEST_F(NoxmvBootRun, ReplicateRowsDependOnSeedAndIndexOnly) {
  int finite = 0;
  for (double v : A) finite += std::isfinite(v) ? 1 : 0;
  EXPECT_GE(finite, 12);
  EXPECT_FALSE(same_bits(A[0], A[8]));  // replicates are resampled apart

  // The same seed with fewer replicates reproduces the first row exactly,
  // whatever else was computed in between.
  const int n = kN, B = 1, seed = kSeed, maxit = kMaxit;
  const double cutx = x[0];
  double a1[8], A1[8];
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a1, A1);
  for (int j = 0; j < 8; ++j) {
    EXPECT_TRUE(same_bits(a1[j], a[j])) << j;
    EXPECT_TRUE(same_bits(A1[j], A[j])) << j;
  }
}

TEST(NoxmvBoot, SubsetsOfThirtyPointsOrFewerAreNotFitted) {
  // 61 points: the even-index half has 31 points and is fitted, the odd-index
  // half has 30 and is not; a NaN cut selects no points. (With 62 points both
  // halves have 31, see the shared run above.) No replicates: A untouched.
  std::vector<double> x, y;
  make_data(61, x, y);
  const int n = 61, B = 0, seed = 3, maxit = 20;
  const double cutx = std::nan("");
  double a[8], A[1] = {42.0};
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a, A);
  EXPECT_EQ(A[0], 42.0);
  EXPECT_TRUE(std::isfinite(a[0]));
  EXPECT_TRUE(std::isnan(a[5]));
  EXPECT_TRUE(std::isfinite(a[6]));
  EXPECT_TRUE(std::isnan(a[7]));
}

TEST_F(NoxmvBootRun, BothHalvesFittedFrom62Points) {
  EXPECT_TRUE(std::isfinite(a[6]));
  EXPECT_TRUE(std::isfinite(a[7]));
}

TEST_F(NoxmvBootRun, SlotFourIsTheHZeroFitOfTheData) {
  // The data follow a curve with h = 0.4: the free-h fit is preferred in
  // slot 0, while slot 4 always reads the h = 0 member.
  ASSERT_TRUE(std::isfinite(a[4]));
  EXPECT_FALSE(same_bits(a[0], a[4]));

  // Data on an h = 0 curve: the comparison prefers the h = 0 member, and then
  // slots 0 and 4 read the very same fit (same starts, same data).
  std::vector<double> xs(40), ys(40);
  for (int i = 0; i < 40; ++i) {
    xs[i] = 10.0 * i / 39;
    ys[i] = 0.5 + 2.0 * k4_F(xs[i], 5.0, 1.0, 0.1, 0.0) + 0.02 * std::sin(2.3 * i + 0.4);
  }
  const int n = 40, B = 0, seed = 1, maxit = kMaxit;
  const double cutx = 100.0;  // no point at or beyond: slot 5 not fitted
  double a0[8], A0[1];
  noxk4_mv_boot(xs.data(), ys.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a0, A0);
  ASSERT_TRUE(std::isfinite(a0[4]));
  EXPECT_TRUE(same_bits(a0[0], a0[4]));
  EXPECT_TRUE(std::isnan(a0[5]));
}

// ---------------------------------------------------------------------------
// Bits of small runs, recorded from the build before the base fits were
// reused for the readings of the data and the objectives were inlined: every
// reading, point and replicate, must stay bit for bit.

TEST(NoxmvBoot, SmallRunsKeepTheirBits) {
  struct Case {
    int n, B, maxit, seed;
    double noise, cutx;
    std::vector<std::uint64_t> bits;  // a_pt then the B replicate rows
  };
  const Case cases[] = {
      {70, 2, 30, 7, 0.05, 4.0, {
       0x4011a0dad07ba75dULL, 0x4011a51f643d0010ULL, 0x4011a78004a7097bULL, 0x7ff8000000000000ULL, 0x4011ab9d33d1811eULL, 0x4011b7cb8151c5a7ULL, 0x4011822f35e9c650ULL, 0x4011bb32424da42bULL,
       0x4011a176aff970d2ULL, 0x4011b4d9cfcc626aULL, 0x4011bded7f9a589aULL, 0x7ff8000000000000ULL, 0x4011c221206f4064ULL, 0x4011ac2422686da2ULL, 0x4011f9d3fc0b9e9cULL, 0x401182eb90529b75ULL,
       0x4011c2ac5bfdf439ULL, 0x4011c35c7b1d932eULL, 0x4011c1c25bf44dc2ULL, 0x7ff8000000000000ULL, 0x4011c2ac5bfdf439ULL, 0x4011913d342ce4e7ULL, 0x4011d689e96a5e1cULL, 0x4011ba92b0776ba8ULL,}},
      {64, 1, 40, -3, 0.1, 5.0, {
       0x4011a7bfdf27f338ULL, 0x4011a88f4becc757ULL, 0x4011a88f4becc757ULL, 0x4011a88f4becc757ULL, 0x4011a7bfdf27f338ULL, 0x401497b34d94f2a3ULL, 0x4011507cdcb11e79ULL, 0x4011ccd50b0ec207ULL,
       0x4011cf199be58612ULL, 0x4011a88f4becc757ULL, 0x4011a88f4becc757ULL, 0x4011a88f4becc757ULL, 0x4011cf199be58612ULL, 0x40135cb45cb45caeULL, 0x4011ad66f3d4305fULL, 0x401207e627bb1f62ULL,}},
      {66, 1, 25, 11, 0.0, 3.0, {
       0x40119e3d2e9b242cULL, 0x40119b342419caeeULL, 0x40119948c521b85cULL, 0x7ff8000000000000ULL, 0x4011ad58fa9587d6ULL, 0x4011a056878fc367ULL, 0x40119e01631b100cULL, 0x40119cdf4bcf93dbULL,
       0x40119c8505f8622dULL, 0x40119c073e11560cULL, 0x401199e90367bda8ULL, 0x7ff8000000000000ULL, 0x4011763e2d51e8beULL, 0x40119bc7925e4fb0ULL, 0x40119c54b7cdad7eULL, 0x40119c90278404a2ULL,}},
      // Every point at or beyond the cut: slot 5 is slot 0.
      {64, 1, 30, 5, 0.05, -1.0, {
       0x40119b5885aa867aULL, 0x4011a233af496527ULL, 0x4011a4a00ca509aaULL, 0x7ff8000000000000ULL, 0x4011aa04dbf82456ULL, 0x40119b5885aa867aULL, 0x401172664c4c8ac2ULL, 0x4011b6775d8de52aULL,
       0x4011af4615bb123dULL, 0x4011b5c0dac779a2ULL, 0x4011aff9dfdcb517ULL, 0x7ff8000000000000ULL, 0x40118dbe775c01dbULL, 0x4011af4615bb123dULL, 0x4011b63831c68af2ULL, 0x4011a6f2986736a3ULL,}},
  };
  for (const Case& c : cases) {
    std::vector<double> x(c.n), y(c.n);
    for (int i = 0; i < c.n; ++i) {
      x[i] = 10.0 * i / (c.n - 1);
      y[i] = 0.5 + 2.0 * k4_F(x[i], 5.0, 1.0, 0.1, 0.4) +
             c.noise * std::sin(2.3 * i + 0.4) * std::cos(0.71 * i);
    }
    std::vector<double> a(8), A(8 * static_cast<std::size_t>(c.B));
    noxk4_mv_boot(x.data(), y.data(), &c.n, &c.cutx, &c.B, &c.seed, kBounds, &c.maxit,
                  a.data(), A.data());
    a.insert(a.end(), A.begin(), A.end());
    ASSERT_EQ(a.size(), c.bits.size());
    for (std::size_t j = 0; j < a.size(); ++j) {
      std::uint64_t u;
      std::memcpy(&u, &a[j], sizeof u);
      EXPECT_EQ(u, c.bits[j]) << "n = " << c.n << ", value " << j;
    }
  }
}

// The free-h against h = 0 choice of one method. A record whose residual sum
// is NaN was never computed (its fit got no memory): the method reads NaN,
// never the other fit's reading. +infinity is a fit that ran and found no
// admissible start.
TEST(NoxmvSelect, ChoiceAndRecordsThatWereNeverComputed) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::nan("");
  // Logistic members: the free-h record fits better than the h = 0 one.
  const double vf[8] = {0.3, 0.0, 2.0, 4.0, 1.5, 0.0, -1.0, 0.20};
  const double vg[8] = {0.3, 0.0, 2.0, 4.5, 1.0, 0.0, 0.0, 0.25};
  const double rf = noxara::mv_read_a(vf), rg = noxara::mv_read_a(vg);
  ASSERT_TRUE(std::isfinite(rf) && std::isfinite(rg) && rf != rg);
  struct Case {
    double rss_f, rss_g;
    int n;
    int expect;  // 0: free-h reading, 1: h = 0 reading, 2: NaN
  };
  const Case cases[] = {
      {0.20, 0.25, 40, 0},    // 40*log(1.25) - 2 > 0: free h
      {0.20, 0.201, 40, 1},   // nearly equal sums: the penalty prefers h = 0
      {inf, 0.25, 40, 1},     // free h found nothing admissible
      {0.20, inf, 40, 0},     // h = 0 found nothing admissible
      {inf, inf, 40, 2},
      {nan, 0.25, 40, 2},     // free-h fit never ran
      {0.20, nan, 40, 2},     // h = 0 fit never ran
      {nan, inf, 40, 2},
      {nan, nan, 40, 2},
  };
  for (const Case& c : cases) {
    double of[8], og[8];
    std::memcpy(of, vf, sizeof of);
    std::memcpy(og, vg, sizeof og);
    of[7] = c.rss_f;
    og[7] = c.rss_g;
    const double r = noxara::mv_select(of, og, c.n);
    if (c.expect == 2)
      EXPECT_TRUE(std::isnan(r)) << c.rss_f << " " << c.rss_g;
    else
      EXPECT_TRUE(same_bits(r, c.expect == 0 ? rf : rg)) << c.rss_f << " " << c.rss_g;
  }
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(NoxmvBadInput, TooFewPointsAndReplicateCounts) {
  using namespace badin;
  const double x[6] = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0};
  const double y[6] = {0.1, 0.2, 1.0, 1.9, 2.1, 2.2};
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const double cutx = 2.0;
  const int seed = 1, maxit = 5;
  // Fewer than four points: every slot NaN, the replicate rows too.
  for (int n : {3, 0, -1, INT_MIN}) {
    const int B = 2;
    Out a(8), A(16);
    noxk4_mv_boot(x, y, &n, &cutx, &B, &seed, bounds, &maxit, a.p(), A.p());
    EXPECT_TRUE(a.guards_intact() && A.guards_intact()) << n;
    EXPECT_TRUE(a.all_nan() && A.all_nan()) << n;
  }
  // No replicates: no row is written.
  for (int B : {0, -1, INT_MIN}) {
    const int n = 2;
    Out a(8), A(8);
    noxk4_mv_boot(x, y, &n, &cutx, &B, &seed, bounds, &maxit, a.p(), A.p());
    EXPECT_TRUE(a.guards_intact()) << B;
    EXPECT_TRUE(a.all_nan()) << B;
    EXPECT_TRUE(A.untouched()) << B;
  }
}

TEST(NoxmvBadInput, UnfittableDataOptionsAndSeeds) {
  using namespace badin;
  const double x[6] = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0};
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const int n = 6, B = 2;
  // A response that is NaN, or infinite, at every point: the base fit fails,
  // so all slots stay NaN whatever the options say. Every trial of that fit
  // is penalised alike, so even the largest iteration cap ends at once.
  for (double bad : kNonFinite) {
    const double yb[6] = {bad, bad, bad, bad, bad, bad};
    for (int maxit : {0, -1, INT_MIN, INT_MAX}) {
      for (int seed : {-1, INT_MIN, INT_MAX}) {
        for (double cx : kNonFinite) {
          Out a(8), A(16);
          noxk4_mv_boot(x, yb, &n, &cx, &B, &seed, bounds, &maxit, a.p(), A.p());
          EXPECT_TRUE(a.guards_intact() && A.guards_intact()) << bad << " " << maxit;
          EXPECT_TRUE(a.all_nan() && A.all_nan()) << bad << " " << maxit;
        }
      }
    }
  }
}

TEST(NoxmvBadInput, FittableCurveWithBadOptionsAndNonFiniteValues) {
  using namespace badin;
  const int n = 8;
  double x[8], y[8];
  for (int i = 0; i < n; ++i) {
    x[i] = i;
    y[i] = 1.0 / (1.0 + std::exp(-(i - 3.5))) + 0.01 * ((i % 3) - 1);
  }
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const int seed = -5, maxit = 0;
  for (int B : {-1, INT_MIN}) {
    for (double cx : {kNaN, -kInf}) {
      Out a(8), A(8);
      noxk4_mv_boot(x, y, &n, &cx, &B, &seed, bounds, &maxit, a.p(), A.p());
      EXPECT_TRUE(a.guards_intact()) << B << " " << cx;
      EXPECT_TRUE(a.all_written()) << B << " " << cx;
      EXPECT_TRUE(A.untouched()) << B << " " << cx;
    }
  }
  // A non-finite abscissa or a single non-finite response inside the data:
  // one replicate row, nothing beyond it.
  for (double bad : kNonFinite) {
    for (int which = 0; which < 2; ++which) {
      double xb[8], yb[8];
      std::copy(x, x + n, xb);
      std::copy(y, y + n, yb);
      (which == 0 ? xb : yb)[5] = bad;
      const int B = 1;
      Out a(8), A(8);
      noxk4_mv_boot(xb, yb, &n, &xb[2], &B, &seed, bounds, &maxit, a.p(), A.p());
      EXPECT_TRUE(a.guards_intact() && A.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(a.all_written() && A.all_written()) << bad << " " << which;
    }
  }
}
