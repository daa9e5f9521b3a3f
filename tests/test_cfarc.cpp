#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "noxara.h"

namespace {

double cf(const std::vector<double>& x, double T, int G, int n = -100) {
  if (n == -100) n = static_cast<int>(x.size());
  double out = -1.0;
  cf_arclength_emp(x.data(), &n, &T, &G, &out);
  return out;
}

}  // namespace

TEST(CfarcArc, TwoPointSampleClosedForm) {
  // Two points standardise to z = +-1/sqrt(2), so phi(t) = cos(t/sqrt(2)) and
  // the speed is |sin(t/sqrt(2))|/sqrt(2); its integral over [0, T] is
  // 1 - cos(T/sqrt(2)) while T/sqrt(2) <= pi. The routine reports twice that.
  const double r2 = std::sqrt(2.0);
  EXPECT_NEAR(cf({0.0, 1.0}, 2.0, 4001), 2.0 * (1.0 - std::cos(2.0 / r2)), 1e-7);
  EXPECT_NEAR(cf({3.0, -5.0}, M_PI * r2, 4001), 4.0, 1e-6);  // one full half-wave
}

TEST(CfarcArc, LocationScaleAndSignInvariance) {
  std::vector<double> x = {0.3, -1.2, 2.5, 0.7, 0.71, -0.4, 3.9, 1.1, -2.2, 0.05, 1.6};
  const double base = cf(x, 6.0, 301);
  ASSERT_TRUE(std::isfinite(base));
  EXPECT_GT(base, 0.0);
  std::vector<double> shifted, scaled, flipped;
  for (double v : x) {
    shifted.push_back(v + 100.0);
    scaled.push_back(v * 3.75);
    flipped.push_back(-v);
  }
  EXPECT_NEAR(cf(shifted, 6.0, 301), base, 1e-10 * base);
  EXPECT_NEAR(cf(scaled, 6.0, 301), base, 1e-12 * base);
  EXPECT_NEAR(cf(flipped, 6.0, 301), base, 1e-12 * base);
}

TEST(CfarcArc, DegenerateInputs) {
  const std::vector<double> x = {1.0, 2.0, 4.0};
  EXPECT_EQ(cf(x, 0.0, 50), 0.0);  // T = 0: every interval has width 0
  for (int G : {1, 0, -5}) EXPECT_EQ(cf(x, 3.0, G), 0.0);
  EXPECT_TRUE(std::isnan(cf({2.0}, 3.0, 10)));             // variance 0/0
  EXPECT_TRUE(std::isnan(cf(x, 3.0, 10, 0)));              // empty sample
  EXPECT_TRUE(std::isnan(cf(x, 3.0, 10, -2)));             // negative count
  EXPECT_TRUE(std::isnan(cf({5.0, 5.0, 5.0}, 3.0, 10)));   // constant sample
}
