// Tests of the curve-fitting family: quantile grid and bc curve, table
// interpolation, block length and moving-block draw, the bc and constrained
// kappa-4 fits with their bootstraps, and the score statistic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "noxara.h"
#include "noxeqfit.h"

namespace {

using namespace noxara;

const double kNaN = std::nan("");
const double kPi = 3.141592653589793;

// Regularised incomplete beta inverse through the family's distribution
// function: the Beta(al + 1, be + 1) quantile of z.
double beta_quantile(double z, double al, double be) {
  const double B = std::exp(std::lgamma(al + 1) + std::lgamma(be + 1) - std::lgamma(al + be + 2));
  const double t = z * B;
  double out;
  const int one = 1;
  noxeq2_bc_cdf(&one, &t, &al, &be, &out);
  return out;
}

double curve(double x, const double* th) {
  double z = (x - th[2]) / th[3];
  z = std::min(std::max(z, 1e-9), 0.999999999);
  return th[0] + th[1] * beta_quantile(z, th[4], th[5]);
}

// Sample autocorrelation at lag l, written out directly.
double acf(const std::vector<double>& r, int l) {
  const int n = static_cast<int>(r.size());
  double m = 0;
  for (double v : r) m += v;
  m /= n;
  double num = 0, den = 0;
  for (int i = 0; i < n; ++i) den += (r[i] - m) * (r[i] - m);
  for (int i = l; i < n; ++i) num += (r[i] - m) * (r[i - l] - m);
  return num / den;
}

std::uint64_t advance(std::uint64_t s, int steps) {
  for (int i = 0; i < steps; ++i) ef_unif(s);
  return s;
}

// ---------------------------------------------------------------------------
// Quantile grid and bc curve

TEST(NoxeqfitMachinery, LogisticAndLogBeta) {
  EXPECT_EQ(ef_logis(0.0), 0.5);
  EXPECT_NEAR(ef_logis(std::log(3.0)), 0.75, 1e-15);
  EXPECT_NEAR(ef_lbeta(2.0, 3.0), std::log(1.0 / 12.0), 1e-14);
  EXPECT_NEAR(ef_lbeta(0.5, 0.5), std::log(kPi), 1e-14);
}

TEST(NoxeqfitMachinery, GridEndsAndNormaliser) {
  double ug[kEfNg], Qg[kEfNg], B;
  ef_grid(-0.5, -0.5, ug, Qg, &B);
  EXPECT_EQ(ug[0], 1e-9);
  EXPECT_EQ(ug[kEfNg - 1], 0.9999999989999999);
  EXPECT_NEAR(B, kPi, 1e-13);  // B(1/2, 1/2)
  for (int i = 1; i < kEfNg; ++i) ASSERT_GT(Qg[i], Qg[i - 1]);
  // Q(u) = 2 asin(sqrt(u)) for the arcsine kernel u^-1/2 (1-u)^-1/2.
  for (int i = 0; i < kEfNg; i += 256)
    EXPECT_NEAR(Qg[i], 2 * std::asin(std::sqrt(ug[i])), 1e-12) << i;

  ef_grid(0.0, 0.0, ug, Qg, &B);
  EXPECT_EQ(B, 1.0);
  for (int i = 0; i < kEfNg; i += 128) EXPECT_NEAR(Qg[i], ug[i], 1e-15);
}

TEST(NoxeqfitMachinery, GridMatchesFamilyQuantilePointByPoint) {
  // The grid must hold exactly the family's own quantile values, whatever
  // is shared between points while building it.
  const double pars[3][2] = {{-0.5, -0.3}, {-0.93, 0.41}, {1.7, -0.2}};
  double ug[kEfNg], Qg[kEfNg], B;
  for (const auto& ab : pars) {
    ef_grid(ab[0], ab[1], ug, Qg, &B);
    const int one = 1;
    for (int i = 0; i < kEfNg; ++i) {
      double q;
      noxeq2_bc_q(&one, &ug[i], &ab[0], &ab[1], &q);
      ASSERT_EQ(q, Qg[i]) << "al=" << ab[0] << " be=" << ab[1] << " i=" << i;
    }
    EXPECT_EQ(B, std::exp(ef_lbeta(ab[0] + 1, ab[1] + 1)));
  }
}

TEST(NoxeqfitMachinery, UniformCurveIsIdentityInsideFlatOutside) {
  const double th[6] = {0, 1, 0, 1, 0, 0};
  std::vector<double> x;
  for (int i = -5; i <= 105; ++i) x.push_back(i / 100.0 + 0.003);
  x.push_back(0.0);
  std::vector<double> m(x.size());
  ef_mbc(x.data(), static_cast<int>(x.size()), th, m.data());
  for (std::size_t i = 0; i + 1 < x.size(); ++i) {
    if (x[i] < 0)
      EXPECT_EQ(m[i], 1e-9);
    else if (x[i] > 1)
      EXPECT_EQ(m[i], 0.9999999989999999);
    else
      EXPECT_NEAR(m[i], x[i], 1e-12);
  }
  EXPECT_EQ(m.back(), 1e-9);  // x = mu is clamped to the first grid point
}

TEST(NoxeqfitMachinery, CurveAgainstClosedFormsAndInverse) {
  // al = 1, be = 0: Q(u) = u^2/2, B = 1/2, so F(z B) = sqrt(z).
  const double th1[6] = {2, 3, 1, 2, 1, 0};
  std::vector<double> x, m(41);
  for (int i = 0; i <= 40; ++i) x.push_back(1.2 + 1.6 * i / 40.0);
  ef_mbc(x.data(), 41, th1, m.data());
  for (int i = 0; i <= 40; ++i) EXPECT_NEAR(m[i], 2 + 3 * std::sqrt((x[i] - 1) / 2), 1e-6) << i;

  // A typical fitted shape against the family's own inverse distribution
  // function (bisection on the incomplete beta, no grid).
  const double th2[6] = {-1, 4, 10, 5, -0.55, -0.25};
  std::vector<double> x2, m2(30);
  for (int i = 0; i < 30; ++i) x2.push_back(10.2 + 4.6 * i / 29.0);
  ef_mbc(x2.data(), 30, th2, m2.data());
  // Linear interpolation in u is coarsest near the lower end, where F rises
  // like a power 1/(al + 1) > 2 of its argument.
  for (int i = 0; i < 30; ++i)
    EXPECT_NEAR(m2[i], curve(x2[i], th2), i < 6 ? 1e-4 : 2e-6) << i;

  // The grid-based curve and a grid built separately agree bit for bit.
  double ug[kEfNg], Qg[kEfNg], B;
  ef_grid(th2[4], th2[5], ug, Qg, &B);
  std::vector<double> m3(30);
  ef_mbc_g(x2.data(), 30, th2, m3.data(), ug, Qg, B);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(m2[i], m3[i]);
}

TEST(NoxeqfitMachinery, CurveNonFiniteInputsGiveNaN) {
  const double xs[3] = {kNaN, 0.5, 0.2};
  double m[3];
  const double th[6] = {0, 1, 0, 1, -0.5, -0.3};
  ef_mbc(xs, 1, th, m);
  EXPECT_TRUE(std::isnan(m[0]));
  const double thbad[6] = {0, 1, 0, 1, kNaN, -0.3};
  ef_mbc(xs + 1, 2, thbad, m);
  EXPECT_TRUE(std::isnan(m[0]));
  EXPECT_TRUE(std::isnan(m[1]));
  m[0] = 7;
  ef_mbc(xs, 0, th, m);  // nothing to evaluate
  EXPECT_EQ(m[0], 7);
}

// ---------------------------------------------------------------------------
// Table interpolation

TEST(NoxeqfitMachinery, InterpolationRulesAtAndBeyondEnds) {
  const double xs[4] = {-1, 0, 0.5, 2};
  const double ys[4] = {3, 1, 2, -4};
  // Knots and interior points.
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(ef_interp(xs, ys, 4, xs[k], 1), ys[k]);
    EXPECT_EQ(ef_interp(xs, ys, 4, xs[k], 2), ys[k]);
  }
  EXPECT_DOUBLE_EQ(ef_interp(xs, ys, 4, -0.25, 1), 1.5);
  EXPECT_DOUBLE_EQ(ef_interp(xs, ys, 4, 0.25, 1), 1.5);
  EXPECT_DOUBLE_EQ(ef_interp(xs, ys, 4, 1.25, 2), -1.0);
  // Rule 1: nothing outside the table, not even just outside.
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 4, std::nextafter(-1.0, -2.0), 1)));
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 4, std::nextafter(2.0, 3.0), 1)));
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 4, 100, 1)));
  // Rule 2: the end values continue as constants.
  EXPECT_EQ(ef_interp(xs, ys, 4, std::nextafter(-1.0, -2.0), 2), 3);
  EXPECT_EQ(ef_interp(xs, ys, 4, -1e300, 2), 3);
  EXPECT_EQ(ef_interp(xs, ys, 4, 7, 2), -4);
  // Unusable tables or positions.
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 1, -1, 2)));
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 0, 0, 2)));
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 4, kNaN, 2)));
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 4, INFINITY, 2)));
  EXPECT_TRUE(std::isnan(ef_interp(xs, ys, 4, -INFINITY, 2)));
}

// ---------------------------------------------------------------------------
// Block length

TEST(NoxeqfitMachinery, BlockLengthWhiteNoiseAndConstantSeries) {
  std::vector<double> r(400);
  std::uint64_t s = ef_seed(11, 0);
  for (double& v : r) v = ef_norm(s);
  ASSERT_LT(std::fabs(acf(r, 1)), 0.1);  // white noise: lag 1 already inside +-2/sqrt(n)
  EXPECT_EQ(ef_blocklen(r.data(), 400), 2);

  std::vector<double> c(400, 3.25);
  EXPECT_EQ(ef_blocklen(c.data(), 400), 7);  // 400^(1/3) = 7.37
  std::vector<double> c2(1000, -1.0);
  EXPECT_EQ(ef_blocklen(c2.data(), 1000), 10);  // the cube root rounds half up: 9.99999 -> 10
  std::vector<double> c3(91, 0.0);
  EXPECT_EQ(ef_blocklen(c3.data(), 91), 4);  // 4.498 -> 4
  EXPECT_EQ(ef_blocklen(c.data(), 2), 2);
  EXPECT_EQ(ef_blocklen(c.data(), 1), 2);
  EXPECT_EQ(ef_blocklen(c.data(), 0), 2);
  EXPECT_EQ(ef_blocklen(nullptr, -5), 2);

  int out = -1;
  const int n = 400;
  noxeqfit_blocklen(c.data(), &n, &out);
  EXPECT_EQ(out, 7);
}

TEST(NoxeqfitMachinery, BlockLengthFindsFirstLagInsideBand) {
  // A cosine of period 40 over ten periods: its autocorrelation is close to
  // cos(2 pi l / 40), first inside +-0.1 at the quarter period l = 10.
  std::vector<double> r(400);
  for (int i = 0; i < 400; ++i) r[i] = std::cos(2 * kPi * i / 40.0);
  EXPECT_EQ(ef_blocklen(r.data(), 400), 10);

  // AR(1) with coefficient 0.7: autocorrelation 0.7^l, inside +-0.1 from
  // l = 7 on; the rule must return the first lag whose sample value is inside.
  std::vector<double> a(400);
  std::uint64_t s = ef_seed(5, 3);
  double prev = 0;
  for (int i = -100; i < 400; ++i) {
    prev = 0.7 * prev + ef_norm(s);
    if (i >= 0) a[i] = prev;
  }
  const int L = ef_blocklen(a.data(), 400);
  EXPECT_GE(L, 4);
  EXPECT_LE(L, 12);
  for (int l = 1; l < L; ++l) EXPECT_GE(std::fabs(acf(a, l)), 0.1) << l;
  EXPECT_LT(std::fabs(acf(a, L)), 0.1);
}

// ---------------------------------------------------------------------------
// Moving-block draw

TEST(NoxeqfitMachinery, BlockDrawWholeSeriesIsExact) {
  const int n = 9;
  double m0[n], r0[n], yb[n];
  for (int i = 0; i < n; ++i) {
    m0[i] = 0.1 * i * i - 3;
    r0[i] = std::sin(i + 0.3);
  }
  std::uint64_t s = ef_seed(-4, 17);
  const std::uint64_t s0 = s;
  ASSERT_TRUE(ef_blockdraw(m0, r0, n, n, s, yb));
  for (int i = 0; i < n; ++i) EXPECT_EQ(yb[i], r0[i] + m0[i]);
  EXPECT_EQ(s, advance(s0, 1));  // one uniform for one block
}

TEST(NoxeqfitMachinery, BlockDrawBlocksAreContiguousAndStartsCoverRange) {
  const int n = 10, bl = 3;
  double m0[n], r0[n], yb[n];
  for (int i = 0; i < n; ++i) {
    m0[i] = 100.0 * i;
    r0[i] = i;  // residual value = its index
  }
  std::vector<int> starts_seen(n, 0);
  for (int b = 0; b < 300; ++b) {
    std::uint64_t s = ef_seed(1, b);
    const std::uint64_t s0 = s;
    ASSERT_TRUE(ef_blockdraw(m0, r0, n, bl, s, yb));
    EXPECT_EQ(s, advance(s0, 4));  // ceil(10/3) blocks
    for (int pos = 0; pos < n; pos += bl) {
      const int i0 = static_cast<int>(yb[pos] - m0[pos]);
      ASSERT_GE(i0, 0);
      ASSERT_LE(i0, n - bl);
      ++starts_seen[i0];
      for (int i = 1; i < bl && pos + i < n; ++i) EXPECT_EQ(yb[pos + i] - m0[pos + i], i0 + i);
    }
  }
  for (int i0 = 0; i0 <= n - bl; ++i0) EXPECT_GT(starts_seen[i0], 40) << i0;
}

TEST(NoxeqfitMachinery, BlockDrawRejectsUnusableLengths) {
  const int n = 5;
  double m0[n] = {1, 2, 3, 4, 5}, r0[n] = {0, 0, 0, 0, 0}, yb[n];
  for (int bl : {0, -3, 6}) {
    std::uint64_t s = 12345;
    EXPECT_FALSE(ef_blockdraw(m0, r0, n, bl, s, yb));
    EXPECT_EQ(s, 12345u);
    for (double v : yb) EXPECT_TRUE(std::isnan(v));
  }
  std::uint64_t s = 1;
  EXPECT_FALSE(ef_blockdraw(m0, r0, 0, 1, s, yb));
}

}  // namespace
