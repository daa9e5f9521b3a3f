// Readings of quantile-density curves taken from a grid.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <limits>
#include <vector>

#include "noxara.h"
#include "guarded_output.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NOXEQ_TEST_SANITIZED_ALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NOXEQ_TEST_SANITIZED_ALLOC 1
#endif
#endif

namespace {

using R5 = std::array<double, 5>;

R5 readings(double al, double be, int nth, const double* th, int N) {
  R5 r;
  r.fill(7.0);
  noxeq_readings(&al, &be, &nth, th, &N, r.data());
  return r;
}

R5 readings_vsl(double l, double d, int N) {
  R5 r;
  r.fill(7.0);
  noxeq_readings_vsl(&l, &d, &N, r.data());
  return r;
}

double grid_point(int i, int N) { return i * 0.99998 / (N - 1) + 1e-5; }

bool all_nan(const R5& r) {
  for (double v : r)
    if (!std::isnan(v)) return false;
  return true;
}

void expect_consistent(const R5& r) {
  ASSERT_TRUE(std::isfinite(r[0]) && std::isfinite(r[1]) && std::isfinite(r[2]));
  EXPECT_NEAR(r[0] + r[1], r[2], 1e-14 * (std::fabs(r[2]) + std::fabs(r[1])));
  EXPECT_GT(r[4], 0.0);
  EXPECT_LT(r[4], r[3]);
  EXPECT_LT(r[3], 1.0);
}

// Log quantile density of the Legendre-series form, written out directly.
double logq_legendre(double u, double al, double be, const double* th) {
  return al * std::log(u) + be * std::log(1 - u) + th[0] * (2 * u - 1) +
         th[1] * (6 * u * u - 6 * u + 1) + th[2] * (20 * u * u * u - 30 * u * u + 12 * u - 1);
}

// Root of 2 g'^2 - g'' in [lo, hi], with g' and g'' from central differences
// of g (independent of any analytic derivative).
double fd_inflection(const std::function<double(double)>& g, double lo, double hi) {
  auto s = [&](double u) {
    const double h = 1e-4;
    const double gm = g(u - h), g0 = g(u), gpl = g(u + h);
    const double d1 = (gpl - gm) / (2 * h);
    const double d2 = (gpl - 2 * g0 + gm) / (h * h);
    return 2 * d1 * d1 - d2;
  };
  const bool slo = s(lo) > 0;
  for (int it = 0; it < 60; ++it) {
    const double mid = 0.5 * (lo + hi);
    if ((s(mid) > 0) == slo) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return 0.5 * (lo + hi);
}

}  // namespace

TEST(NoxeqReadings, NonPositiveOrSingleGridGivesFiveNaN) {
  // theta may be null without Legendre terms, and must not be read then
  for (int N : {0, -1, -1000, INT_MIN, 1}) {
    EXPECT_TRUE(all_nan(readings(-0.7, -0.4, 0, nullptr, N))) << N;
    EXPECT_TRUE(all_nan(readings_vsl(0.5, 0.5, N))) << N;
  }
  // far too few points for an interior mode
  EXPECT_TRUE(all_nan(readings(-0.7, -0.4, 0, nullptr, 21)));
}

TEST(NoxeqReadings, ConstantDensityHasNoInteriorMode) {
  EXPECT_TRUE(all_nan(readings(0, 0, 0, nullptr, 2001)));
  EXPECT_TRUE(all_nan(readings_vsl(1.0, 0.3, 2001)));
}

TEST(NoxeqReadings, ModeMustLieMoreThanTenPointsInside) {
  // alpha = -c, beta = -(1-c) puts the minimum of q exactly at u = c.
  const int N = 30;
  for (int ic : {10, 11, 19, 20}) {
    const double c = grid_point(ic, N);
    const R5 r = readings(-c, -(1 - c), 0, nullptr, N);
    if (ic == 11 || ic == 19) {
      EXPECT_EQ(r[3], c) << ic;
    } else {
      EXPECT_TRUE(all_nan(r)) << ic;
    }
  }
}

TEST(NoxeqReadings, NoInflectionLeftOfTheModeLeavesOnlyTheMode) {
  // alpha = beta = -1/2: 2 g'^2 - g'' has one sign on (0, 1)
  const R5 r = readings(-0.5, -0.5, 0, nullptr, 2001);
  EXPECT_NEAR(r[3], 0.5, 1e-15);
  EXPECT_TRUE(std::isnan(r[0]) && std::isnan(r[1]) && std::isnan(r[2]) && std::isnan(r[4]));
}

TEST(NoxeqReadings, ExtraLegendreCoefficientsAreIgnored) {
  const double th5[5] = {0.3, -0.2, 0.1, 55.0, -9.0};
  const R5 a = readings(-0.7, -0.4, 5, th5, 4001);
  const R5 b = readings(-0.7, -0.4, 3, th5, 4001);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a[i], b[i]);
  expect_consistent(a);
}

TEST(NoxeqReadings, PositionsAddUpAndProbabilitiesAreOrdered) {
  const double th[3] = {0.3, -0.2, 0.1};
  expect_consistent(readings(-0.75, -0.75, 0, nullptr, 20001));
  expect_consistent(readings(-0.6, -0.4, 0, nullptr, 20001));
  expect_consistent(readings(-0.8, -0.1, 1, th, 5001));
  expect_consistent(readings(-0.7, -0.4, 2, th, 5001));
  expect_consistent(readings(-0.7, -0.4, 3, th, 5001));
  expect_consistent(readings_vsl(3.0, 0.5, 5001));
  expect_consistent(readings_vsl(0.3, 0.3, 5001));
  expect_consistent(readings_vsl(-0.2, 0.7, 5001));
}

TEST(NoxeqReadings, LegendreTermsMoveModeAndInflectionAsTheirDerivativesSay) {
  const double al = -0.7, be = -0.4;
  const double th[3] = {0.3, -0.2, 0.1};
  const int N = 4001;
  const double step = 0.99998 / (N - 1);
  auto g = [&](double u) { return logq_legendre(u, al, be, th); };
  // mode: where g' = 0, by bisection on a central difference
  double lo = 0.05, hi = 0.95;
  for (int it = 0; it < 60; ++it) {
    const double mid = 0.5 * (lo + hi);
    if (g(mid + 1e-7) - g(mid - 1e-7) < 0) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  const double uc = 0.5 * (lo + hi);
  const double ub = fd_inflection(g, 0.01, uc - 0.01);
  const R5 r = readings(al, be, 3, th, N);
  EXPECT_NEAR(r[3], uc, step);
  EXPECT_NEAR(r[4], ub, step);
}

TEST(NoxeqReadingsVsl, SymmetricFormHasItsModeAtTheMiddle) {
  const int N = 2001;
  const R5 r = readings_vsl(0.5, 0.5, N);
  EXPECT_EQ(r[3], grid_point(1000, N));
  EXPECT_NEAR(r[3], 0.5, 1e-15);
}

TEST(NoxeqReadingsVsl, QuadraticFormMatchesClosedForms) {
  // lambda = 3, delta = 1/2: q = u^2 - u + 1/2, Q(u) = u^3/3 - u^2/2 + u/2;
  // 2 g'^2 - g'' vanishes where 10u^2 - 10u + 2 = 0.
  const int N = 20001;
  const double step = 0.99998 / (N - 1);
  const R5 r = readings_vsl(3.0, 0.5, N);
  auto Q = [](double u) { return u * u * u / 3 - u * u / 2 + u / 2; };
  auto q = [](double u) { return u * u - u + 0.5; };
  EXPECT_NEAR(r[3], 0.5, step);
  EXPECT_NEAR(r[4], 0.5 - std::sqrt(5.0) / 10, step);
  const double u0 = grid_point(0, N);
  // trapezoid error of a quadratic integrand: (b - a) h^2/6 ~ 2e-10
  EXPECT_NEAR(r[2], Q(r[4]) - Q(u0), 1e-9);
  EXPECT_NEAR(r[1], Q(r[3]) - Q(u0) - r[3] * q(r[3]), 1e-9);
}

TEST(NoxeqReadingsVsl, PowerFormMatchesClosedForms) {
  // lambda = 0.3, delta = 0.3: Q(u) = (0.7 u^0.3 - 0.3 (1-u)^0.3)/0.3
  const double l = 0.3, d = 0.3;
  const int N = 20001;
  const double step = 0.99998 / (N - 1);
  const R5 r = readings_vsl(l, d, N);
  auto Q = [&](double u) { return ((1 - d) * std::pow(u, l) - d * std::pow(1 - u, l)) / l; };
  auto logq = [&](double u) {
    return std::log(d * std::pow(1 - u, l - 1) + (1 - d) * std::pow(u, l - 1));
  };
  const double ub = fd_inflection(logq, 0.001, r[3] - 0.01);
  EXPECT_NEAR(r[4], ub, step);
  // out[0] integrates only between the two readings, where q is smooth.
  // (out[1] and out[2] start at u0, where the trapezoid rule misses the
  // u^-0.7 singularity by about 0.02; the quadratic form checks them.)
  const double qc = std::exp(logq(r[3]));
  EXPECT_NEAR(r[0], Q(r[4]) - Q(r[3]) + r[3] * qc, 1e-8);
}

TEST(NoxeqReadingsDeathTest, ScratchFailureGivesFiveNaN) {
#ifdef NOXEQ_TEST_SANITIZED_ALLOC
  GTEST_SKIP() << "the sanitizer's allocator aborts instead of returning null";
#else
  // In a child limited to 4 GiB of address space, the 64 GiB of scratch for
  // INT_MAX grid points cannot be had.
  auto child = [] {
    struct rlimit rl;
    rl.rlim_cur = rl.rlim_max = static_cast<rlim_t>(4) << 30;
    if (setrlimit(RLIMIT_AS, &rl) != 0) std::_Exit(2);
    const R5 a = readings(-0.7, -0.4, 0, nullptr, INT_MAX);
    const R5 b = readings_vsl(0.5, 0.5, INT_MAX);
    std::_Exit(all_nan(a) && all_nan(b) ? 0 : 1);
  };
  EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
#endif
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(NoxeqBadInput, GridSizesTermCountsAndNonFiniteExponents) {
  using namespace badin;
  const double theta[3] = {0.1, -0.05, 0.02};
  const double al = -0.7, be = -0.4;
  // A grid of fewer than two points has no reading.
  for (int ng : {1, 0, -1, INT_MIN}) {
    const int nth = 3;
    Out o(5);
    noxeq_readings(&al, &be, &nth, theta, &ng, o.p());
    EXPECT_TRUE(o.guards_intact()) << ng;
    EXPECT_TRUE(o.all_nan()) << ng;
    o.reset();
    const double lam = 0.5, del = 0.5;
    noxeq_readings_vsl(&lam, &del, &ng, o.p());
    EXPECT_TRUE(o.guards_intact()) << ng;
    EXPECT_TRUE(o.all_nan()) << ng;
  }
  // Only the first min(ntheta, 3) terms are read: a huge count reads three,
  // a non-positive one none (theta may then be absent).
  const int ng = 2001;
  {
    const int three = 3, big = INT_MAX;
    Out a(5), b(5);
    noxeq_readings(&al, &be, &three, theta, &ng, a.p());
    noxeq_readings(&al, &be, &big, theta, &ng, b.p());
    EXPECT_TRUE(a.guards_intact() && b.guards_intact());
    for (int j = 0; j < 5; ++j) {
      if (std::isnan(a[j])) {
        EXPECT_TRUE(std::isnan(b[j])) << j;
      } else {
        EXPECT_EQ(a[j], b[j]) << j;
      }
    }
  }
  for (int nth : {0, -1, INT_MIN}) {
    Out o(5);
    noxeq_readings(&al, &be, &nth, nullptr, &ng, o.p());
    EXPECT_TRUE(o.guards_intact()) << nth;
    EXPECT_TRUE(o.all_written()) << nth;
  }
  for (double bad : kNonFinite) {
    const int nth = 3;
    const double tb[3] = {0.1, bad, 0.02};
    for (int which = 0; which < 3; ++which) {
      const double a = which == 0 ? bad : al;
      const double b = which == 1 ? bad : be;
      Out o(5);
      noxeq_readings(&a, &b, &nth, which == 2 ? tb : theta, &ng, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_written()) << bad << " " << which;
    }
    const double lam = 0.5, del = 0.5;
    Out o(5);
    noxeq_readings_vsl(&bad, &del, &ng, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxeq_readings_vsl(&lam, &bad, &ng, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}
