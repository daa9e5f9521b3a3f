// Multi-method bootstrap of the tangent-intercept reading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <limits>
#include <vector>

#include "noxara.h"
#include "numerics/rng.h"

// Internal helpers of the family (defined in src/noxmv.cpp).
namespace noxara {
double mv_read_a(const double* v);
double mv_read_th(const double* fit);
void mv_tr6(const double* v, double* st6);
int mv_starts(double mus, double mum, double sg0, double* starts);
int mv_blocklen(const double* r, int n);
bool mv_blockdraw(const double* m0, const double* r, int n, int bl, std::uint64_t& s,
                  double* y2);
}  // namespace noxara

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

TEST(NoxmvStarts, GridLayoutAndCoincidingLocations) {
  std::vector<double> st(480, -99.0);
  const double sg0 = 1.6;
  EXPECT_EQ(noxara::mv_starts(2.0, 3.0, sg0, st.data()), 120);
  auto row = [&](int num) { return &st[4 * num]; };
  EXPECT_EQ(row(0)[0], 2.0);
  EXPECT_EQ(row(0)[1], std::log(0.5 * sg0));
  EXPECT_EQ(row(0)[2], -0.9);
  EXPECT_EQ(row(0)[3], 0.02);
  // location 1, scale 1, k = 0, h = 0.3
  const double* r = row(60 + 20 + 3 * 4 + 2);
  EXPECT_EQ(r[0], 3.0);
  EXPECT_EQ(r[1], std::log(sg0));
  EXPECT_EQ(r[2], 0.0);
  EXPECT_EQ(r[3], 0.3);
  EXPECT_EQ(row(119)[0], 3.0);
  EXPECT_EQ(row(119)[1], std::log(2.0 * sg0));
  EXPECT_EQ(row(119)[2], 0.3);
  EXPECT_EQ(row(119)[3], 0.8);

  std::fill(st.begin(), st.end(), -99.0);
  EXPECT_EQ(noxara::mv_starts(2.5, 2.5, sg0, st.data()), 60);
  EXPECT_EQ(row(59)[0], 2.5);
  for (int i = 240; i < 480; ++i) EXPECT_EQ(st[i], -99.0);
}

TEST(NoxmvStarts, SixParameterStartFromProjectionRecord) {
  const double v[8] = {0.3, 0.01, 2.0, 4.0, 1.5, -0.2, 0.4, 0.1};
  double st[6];
  noxara::mv_tr6(v, st);
  EXPECT_EQ(st[0], 0.3);
  EXPECT_EQ(st[1], std::log(2.0));
  EXPECT_EQ(st[2], 4.0);
  EXPECT_EQ(st[3], std::log(1.5));
  EXPECT_EQ(st[4], -0.2);
  EXPECT_EQ(st[5], std::log(0.4));
  // A falling amplitude and h = 0 are floored before the logarithm.
  const double w[8] = {0.3, 0.01, -2.0, 4.0, 0.0, -0.2, 0.0, 0.1};
  noxara::mv_tr6(w, st);
  EXPECT_EQ(st[1], std::log(1e-8));
  EXPECT_EQ(st[3], std::log(1e-8));
  EXPECT_EQ(st[5], std::log(0.001));
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

TEST(NoxmvBoot, PointReadingsAndSubsetSlots) {
  std::vector<double> x, y;
  make_data(44, x, y);
  const int n = 44, B = 0, seed = 3, maxit = 60;
  // Every point lies at or beyond cutx: slot 5 refits the full data exactly
  // like slot 0.
  const double cutx = x[0];
  double a[8], A[1] = {42.0};
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a, A);
  EXPECT_EQ(A[0], 42.0);  // no replicates requested: A untouched

  // The true tangent intercept of the curve.
  const double theta[6] = {0.5, 2.0, 5.0, 1.0, 0.1, 0.4};
  const int grid = 4000;
  double tr[3];
  noxk4_readings(theta, &grid, tr);
  ASSERT_TRUE(std::isfinite(tr[0]));
  for (int j : {0, 1, 2, 4}) EXPECT_NEAR(a[j], tr[0], 0.3) << j;
  EXPECT_TRUE(same_bits(a[5], a[0]));
  // Halves of 22 points are too small to fit.
  EXPECT_TRUE(std::isnan(a[6]));
  EXPECT_TRUE(std::isnan(a[7]));

  // A NaN cut selects no points.
  const double cnan = std::nan("");
  double b[8];
  noxk4_mv_boot(x.data(), y.data(), &n, &cnan, &B, &seed, kBounds, &maxit, b, A);
  EXPECT_TRUE(std::isnan(b[5]));
  for (int j : {0, 1, 2, 3, 4}) EXPECT_TRUE(same_bits(a[j], b[j])) << j;
}

TEST(NoxmvBoot, HalvesAreFittedFrom62Points) {
  const int maxit = 30, B = 0, seed = 0;
  for (int n : {61, 62}) {
    std::vector<double> x, y;
    make_data(n, x, y);
    const double cutx = 1e300;  // no subset beyond the data
    double a[8], A[1];
    noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a, A);
    EXPECT_TRUE(std::isfinite(a[0]));
    EXPECT_TRUE(std::isnan(a[5]));
    if (n == 61) {
      EXPECT_TRUE(std::isnan(a[6]));
      EXPECT_TRUE(std::isnan(a[7]));
    } else {
      EXPECT_TRUE(std::isfinite(a[6]));
      EXPECT_TRUE(std::isfinite(a[7]));
    }
  }
}

TEST(NoxmvBoot, ReplicatesDependOnSeedAndIndexOnly) {
  std::vector<double> x, y;
  make_data(36, x, y, 0.08);
  const int n = 36, maxit = 40, seed = -17;
  const double cutx = 5.0;
  double a2[8], a3[8], a2b[8], A2[16], A3[24], A2b[16];
  int B = 2;
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a2, A2);
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a2b, A2b);
  B = 3;
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a3, A3);
  for (int j = 0; j < 8; ++j) {
    EXPECT_TRUE(same_bits(a2[j], a2b[j]));
    EXPECT_TRUE(same_bits(a2[j], a3[j]));
  }
  for (int j = 0; j < 16; ++j) {
    EXPECT_TRUE(same_bits(A2[j], A2b[j])) << j;
    EXPECT_TRUE(same_bits(A2[j], A3[j])) << j;
  }
  // Replicates are fitted and differ from one another.
  int finite = 0;
  for (int j = 0; j < 24; ++j) finite += std::isfinite(A3[j]) ? 1 : 0;
  EXPECT_GE(finite, 9);
  EXPECT_FALSE(same_bits(A3[0], A3[8]) && same_bits(A3[8], A3[16]));

  // Another seed gives other replicates (same point readings).
  const int seed2 = 18;
  double a4[8], A4[24];
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed2, kBounds, &maxit, a4, A4);
  for (int j = 0; j < 8; ++j) EXPECT_TRUE(same_bits(a3[j], a4[j]));
  bool differ = false;
  for (int j = 0; j < 24; ++j) differ = differ || !same_bits(A3[j], A4[j]);
  EXPECT_TRUE(differ);
}
