#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <vector>

#include "noxara.h"
#include "guarded_output.h"

namespace {

const double kSqrt2 = std::sqrt(2.0);

double statistic(const std::vector<double>& u) {
  const int n = static_cast<int>(u.size());
  double s = -1.0;
  al_statistic(&n, u.data(), &s);
  return s;
}

// Monte Carlo of S under uniformity, built from the spacings directly: the
// n + 1 spacings are standard exponentials divided by their sum.
std::vector<double> simulate_S(int n, int R, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::exponential_distribution<double> ex(1.0);
  const int m = n + 1;
  const double c = 1.0 / m;
  std::vector<double> S(R), e(m);
  for (int r = 0; r < R; ++r) {
    double tot = 0.0;
    for (double& v : e) tot += (v = ex(gen));
    double s = 0.0;
    for (double v : e) s += std::hypot(v / tot, c);
    S[r] = s;
  }
  return S;
}

}  // namespace

TEST(ArclenStatistic, KnownPolygons) {
  int n0 = 0;
  double s = 0.0;
  al_statistic(&n0, nullptr, &s);
  EXPECT_EQ(s, kSqrt2);
  // Regular spacings: every segment on the diagonal.
  std::vector<double> reg;
  for (int i = 1; i <= 7; ++i) reg.push_back(i / 8.0);
  EXPECT_NEAR(statistic(reg), kSqrt2, 1e-14);
  // All zeros: flat to (n/(n+1), 0), then one rise to (1, 1).
  EXPECT_NEAR(statistic(std::vector<double>(5, 0.0)), 5.0 / 6.0 + std::sqrt(1.0 / 36.0 + 1.0), 1e-15);
  // Two points given out of order: corners (1/3, 0.1), (2/3, 0.9).
  const double c2 = 1.0 / 9.0;
  EXPECT_NEAR(statistic({0.9, 0.1}),
              std::sqrt(0.01 + c2) + std::sqrt(0.64 + c2) + std::sqrt(0.01 + c2), 1e-15);
}

TEST(ArclenStatistic, OrderInvarianceAndBadCount) {
  std::vector<double> u = {0.31, 0.02, 0.77, 0.5, 0.98, 0.13, 0.5};
  const std::vector<double> keep = u;
  const double s = statistic(u);
  EXPECT_EQ(u, keep);  // the caller's array is not reordered
  std::reverse(u.begin(), u.end());
  EXPECT_EQ(statistic(u), s);
  std::rotate(u.begin(), u.begin() + 3, u.end());
  EXPECT_EQ(statistic(u), s);
  int neg = -3;
  double out = 0.0;
  al_statistic(&neg, u.data(), &out);
  EXPECT_TRUE(std::isnan(out));
}

TEST(ArclenMoments, SingleObservationClosedForm) {
  // n = 1: S = sqrt(D^2 + 1/4) + sqrt((1-D)^2 + 1/4) with D uniform, so
  // E[S] = 2 * integral_0^1 sqrt(u^2 + a^2) du, a = 1/2, whose antiderivative
  // is (u/2) sqrt(u^2 + a^2) + (a^2/2) log(u + sqrt(u^2 + a^2)).
  int n = 1;
  double o[4];
  al_moments(&n, o);
  const double r = std::sqrt(1.25);
  EXPECT_NEAR(o[0], 2.0 * (0.5 * r + 0.125 * (std::log(1.0 + r) - std::log(0.5))), 1e-12);
  EXPECT_TRUE(std::isnan(o[1]));
  EXPECT_EQ(o[2], kSqrt2);
  EXPECT_EQ(o[3], 1.5);
}

TEST(ArclenMoments, AgreeWithMonteCarlo) {
  int n = 4;
  double o[4];
  al_moments(&n, o);
  const int R = 200000;
  const std::vector<double> S = simulate_S(n, R, 20240601u);
  double s1 = 0.0;
  for (double v : S) s1 += v;
  const double mean = s1 / R;
  double m2 = 0.0, m4 = 0.0;
  for (double v : S) {
    const double d = (v - mean) * (v - mean);
    m2 += d;
    m4 += d * d;
  }
  m2 /= R;
  m4 /= R;
  EXPECT_NEAR(o[0], mean, 4.0 * std::sqrt(m2 / R));
  EXPECT_NEAR(o[1], m2, 4.0 * std::sqrt((m4 - m2 * m2) / R));
  EXPECT_EQ(o[2], kSqrt2);
  EXPECT_EQ(o[3], 2.0 - 1.0 / 5.0);
}

TEST(ArclenMoments, CountsOutsideTheDomain) {
  for (int n : {0, -1, -7}) {
    double o[4] = {1.0, 1.0, 0.0, 0.0};
    al_moments(&n, o);
    EXPECT_TRUE(std::isnan(o[0]) && std::isnan(o[1])) << n;
    EXPECT_EQ(o[2], kSqrt2);
    EXPECT_EQ(o[3], 2.0 - 1.0 / (n + 1.0));
  }
  // A large n whose n*(n+1) does not fit an int: the weights stay exact.
  int big = 100000;
  double o[4];
  al_moments(&big, o);
  EXPECT_TRUE(std::isfinite(o[0]) && std::isfinite(o[1]));
  EXPECT_EQ(o[3], 2.0 - 1.0 / 100001.0);
}

TEST(ArclenPvalue, AgreesWithMonteCarloTail) {
  int n = 10;
  const int R = 100000;
  std::vector<double> S = simulate_S(n, R, 777u);
  std::sort(S.begin(), S.end());
  for (double q : {0.5, 0.9, 0.95, 0.99}) {
    double s = S[static_cast<std::size_t>(q * R)];
    double p = -1.0;
    al_pvalue(&s, &n, &p);
    EXPECT_NEAR(p, 1.0 - q, 0.06 * (1.0 - q)) << "s = " << s;
  }
}

TEST(ArclenPvalue, RangeMonotonicityAndFailures) {
  for (int n : {1, 50}) {
    for (double s = 1.42; s < 2.6; s += 0.15) {
      double p = -1.0;
      al_pvalue(&s, &n, &p);
      EXPECT_TRUE(std::isnan(p) || (p >= 0.0 && p <= 1.0)) << s;
    }
  }
  int n10 = 10;
  double last = 1.0;
  for (double s = 1.46; s < 1.72; s += 0.04) {  // the tail probability falls with s
    double p = -1.0;
    al_pvalue(&s, &n10, &p);
    EXPECT_LT(p, last) << s;
    last = p;
  }
  // Below the minimum length sqrt(2) the Jacobian degenerates; a huge or
  // NaN statistic drives the transform out of existence: NaN, no exception.
  int n = 10;
  for (double s : {0.5, 1e6, std::nan("")}) {
    double p = 0.0;
    al_pvalue(&s, &n, &p);
    EXPECT_TRUE(std::isnan(p)) << s;
  }
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(ArclenBadInput, StatisticCountsAndNonFiniteData) {
  using namespace badin;
  const double u[4] = {0.2, kNaN, 0.7, kInf};
  {
    // The empty sample's polygon is the diagonal from (0, 0) to (1, 1).
    const int n = 0;
    Out o(1);
    al_statistic(&n, u, o.p());
    EXPECT_TRUE(o.guards_intact());
    EXPECT_DOUBLE_EQ(o[0], std::sqrt(2.0));
  }
  for (int n : {-1, INT_MIN, 2, 4}) {
    Out o(1);
    al_statistic(&n, u, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_written()) << n;
  }
}

TEST(ArclenBadInput, MomentsAtCountsOutsideTheDomain) {
  using namespace badin;
  for (int n : {0, -1, -2, INT_MIN, INT_MAX}) {
    Out o(4);
    al_moments(&n, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_EQ(o[2], std::sqrt(2.0)) << n;
    EXPECT_EQ(o[3], 2.0 - 1.0 / (static_cast<double>(n) + 1.0)) << n;
    if (n <= 0) {
      EXPECT_TRUE(std::isnan(o[0])) << n;
      EXPECT_TRUE(std::isnan(o[1])) << n;
    }
  }
  // The largest count whose segment count n + 1 still fits: no overflow,
  // every slot written.
  const int big = INT_MAX - 1;
  Out o(4);
  al_moments(&big, o.p());
  EXPECT_TRUE(o.guards_intact());
  EXPECT_TRUE(o.all_written());
}

TEST(ArclenBadInput, PvalueIsAProbabilityOrNaN) {
  using namespace badin;
  auto check = [](double s, int n) {
    Out o(1);
    al_pvalue(&s, &n, o.p());
    EXPECT_TRUE(o.guards_intact()) << s << " " << n;
    EXPECT_TRUE(std::isnan(o[0]) || (o[0] >= 0.0 && o[0] <= 1.0)) << s << " " << n;
  };
  for (double s : kNonFinite)
    for (int n : {5, 0, -1, INT_MIN, INT_MAX}) check(s, n);
  for (int n : {0, -1, -2, INT_MIN, INT_MAX}) check(1.5, n);
  for (double s : {0.0, -1.0, 1e300, -1e300}) check(s, 5);
}
