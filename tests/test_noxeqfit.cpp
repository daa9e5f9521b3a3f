// Tests of the curve-fitting family: quantile grid and bc curve, table
// interpolation, block length and moving-block draw, the bc and constrained
// kappa-4 fits with their bootstraps, and the score statistic.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "noxara.h"
#include "noxeqfit.h"
#include "guarded_output.h"

namespace fit_tests {
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

// ---------------------------------------------------------------------------
// bc curve fit

struct BcCase {
  // True curve with al = -0.65 and be = 0.5*al - 0.05 = -0.375 on the
  // constraint line; al < -1/2 gives the density an inflection point.
  double th[6] = {1.0, 2.0, 0.0, 10.0, -0.65, -0.375};
  double cal[2] = {-0.95, -0.1};
  double cbe[2] = {-0.525, -0.1};
  int nc = 2;
  double alo = -0.9, ahi = -0.52;
  std::vector<double> x, y;
  explicit BcCase(int n) : x(n), y(n) {
    for (int i = 0; i < n; ++i) x[i] = -1.0 + 12.0 * i / (n - 1);
    ef_mbc(x.data(), n, th, y.data());
  }
  // Start in constrained coordinates, displaced from the truth.
  void start5(double* p) const {
    const double w = (th[4] - alo) / (ahi - alo);
    p[0] = th[0] + 0.05;
    p[1] = std::log(th[1] * 0.95);
    p[2] = th[2] + 0.2;
    p[3] = std::log(th[3] * 1.04);
    p[4] = std::log(w / (1 - w)) + 0.15;
  }
};

TEST(NoxeqfitBc, ParameterMapsStayInTheirRanges) {
  BcCase c(10);
  bc_ctx free6 = {c.x.data(), c.y.data(), 10, 0, c.cal, c.cbe, 2, c.alo, c.ahi, nullptr, nullptr};
  double th[6];
  const double pbig[6] = {1, 0, 2, std::log(3.0), 40, -40};
  bc_theta(pbig, &free6, th);
  EXPECT_EQ(th[1], 1.0);
  EXPECT_DOUBLE_EQ(th[3], 3.0);
  EXPECT_NEAR(th[4], -0.02, 1e-15);
  EXPECT_NEAR(th[5], -1.0, 1e-15);
  bc_ctx con = free6;
  con.eqcon = 1;
  const double p0[5] = {0, 0, 0, 0, 0};
  bc_theta(p0, &con, th);
  EXPECT_NEAR(th[4], -0.71, 1e-15);
  EXPECT_NEAR(th[5], -0.405, 1e-15);
  // al beyond the constraint table: be is undefined and the objective refuses.
  con.alo = 0.0;
  con.ahi = 0.5;
  double work[10];
  con.work = work;
  bc_theta(p0, &con, th);
  EXPECT_TRUE(std::isnan(th[5]));
  EXPECT_EQ(bc_obj(p0, &con), 1e12);
}

TEST(NoxeqfitBc, ObjectiveIsResidualSumOfSquares) {
  BcCase c(25);
  std::vector<double> work(25);
  bc_ctx ctx = {c.x.data(), c.y.data(), 25, 0, c.cal, c.cbe, 2, c.alo, c.ahi, work.data(), nullptr};
  // Free coordinates of the true curve: logit-inverse of the al and be ranges.
  const double wa = (c.th[4] + 1) / 0.98, wb = (c.th[5] + 1) / 1.48;
  double p[6] = {c.th[0], std::log(c.th[1]), c.th[2], std::log(c.th[3]),
                 std::log(wa / (1 - wa)), std::log(wb / (1 - wb))};
  EXPECT_LT(bc_obj(p, &ctx), 1e-20);
  p[0] += 0.5;  // shifting the level by 0.5 adds 0.25 per point
  EXPECT_NEAR(bc_obj(p, &ctx), 25 * 0.25, 1e-9);
}

TEST(NoxeqfitBc, ExactDataRecoverParametersAndLandmarks) {
  const int n = 40;
  BcCase c(n);
  double st[5];
  c.start5(st);
  const int ns = 1, np = 5, maxit = 600;
  double out[9];
  noxeqfit_bc(c.x.data(), c.y.data(), &n, st, &ns, &np, &maxit, c.cal, c.cbe, &c.nc, &c.alo,
              &c.ahi, out);
  EXPECT_LT(out[6], 1e-10);
  const double tol[6] = {1e-4, 1e-4, 1e-3, 1e-3, 1e-4, 1e-4};
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(out[j], c.th[j], tol[j]) << j;

  // Landmarks from closed forms of the family: mode probability
  // u_c = al/(al + be); the tangent at the steepest point meets the
  // baseline at Q(u_c) - u_c q(u_c) on the quantile scale.
  const double al = c.th[4], be = c.th[5];
  const double uc = al / (al + be);
  double Qc, Bab = std::exp(ef_lbeta(al + 1, be + 1));
  const int one = 1;
  noxeq2_bc_q(&one, &uc, &al, &be, &Qc);
  const double qc = std::pow(uc, al) * std::pow(1 - uc, be);
  // The readings measure positions from the quantile at u = 1e-5 and
  // integrate the quantile density by trapezoids, whose error near the
  // singular lower end is a few tenths of a percent of the window here.
  const double u0 = 1e-5;
  double Q0;
  noxeq2_bc_q(&one, &u0, &al, &be, &Q0);
  const double foot = (Qc - Q0 - uc * qc) * c.th[3] / Bab + c.th[2];
  EXPECT_NEAR(out[7], foot, 0.006 * c.th[3]);
  // Spacing of the two landmarks: -E * sr / B.
  double E;
  noxeq2_E(&al, &be, &E);
  // The trapezoid error of the lower end cancels in the spacing.
  EXPECT_NEAR(out[8] - out[7], -E * c.th[3] / Bab, 1e-3);
  EXPECT_GT(out[8], out[7]);
}

TEST(NoxeqfitBc, UnconstrainedExactFitFromSeveralStarts) {
  const int n = 30;
  BcCase c(n);
  const double wa = (c.th[4] + 1) / 0.98, wb = (c.th[5] + 1) / 1.48;
  const double la = std::log(wa / (1 - wa)), lb = std::log(wb / (1 - wb));
  // The first start is far off, the second close: the better one must win.
  const double st[12] = {0, 0, 3, std::log(4.0), 0, 0,
                         1.02, std::log(2.05), 0.1, std::log(9.8), la + 0.1, lb - 0.1};
  const int ns = 2, np = 6, maxit = 250;
  double out[9];
  noxeqfit_bc(c.x.data(), c.y.data(), &n, st, &ns, &np, &maxit, c.cal, c.cbe, &c.nc, &c.alo,
              &c.ahi, out);
  EXPECT_LT(out[6], 1e-6);
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(out[j], c.th[j], 2e-2) << j;
  EXPECT_TRUE(std::isfinite(out[7]));
  EXPECT_TRUE(std::isfinite(out[8]));
}

TEST(NoxeqfitBc, NoFitLeavesNaN) {
  const int n = 12;
  BcCase c(n);
  double st[7] = {0, 0, 0, 0, 0, 0, 0};
  const int maxit = 20;
  double out[9];
  auto all_nan = [&out] {
    for (double v : out)
      if (!std::isnan(v)) return false;
    return true;
  };
  int ns = 0, np = 5;
  noxeqfit_bc(c.x.data(), c.y.data(), &n, st, &ns, &np, &maxit, c.cal, c.cbe, &c.nc, &c.alo,
              &c.ahi, out);
  EXPECT_TRUE(all_nan());
  // Dimensions the curve or the minimiser cannot take.
  ns = 1;
  for (int bad : {4, 8, 0, -1}) {
    np = bad;
    out[0] = 0;
    noxeqfit_bc(c.x.data(), c.y.data(), &n, st, &ns, &np, &maxit, c.cal, c.cbe, &c.nc, &c.alo,
                &c.ahi, out);
    EXPECT_TRUE(all_nan()) << bad;
  }
  // Empty sample.
  np = 5;
  const int zero = 0;
  noxeqfit_bc(c.x.data(), c.y.data(), &zero, st, &ns, &np, &maxit, c.cal, c.cbe, &c.nc,
              &c.alo, &c.ahi, out);
  EXPECT_TRUE(all_nan());
  // Every admissible al lies outside the constraint table.
  const double alo = 0.1, ahi = 0.4;
  noxeqfit_bc(c.x.data(), c.y.data(), &n, st, &ns, &np, &maxit, c.cal, c.cbe, &c.nc, &alo,
              &ahi, out);
  EXPECT_TRUE(all_nan());
  // Seven coordinates: the free model with one idle coordinate.
  np = 7;
  noxeqfit_bc(c.x.data(), c.y.data(), &n, st, &ns, &np, &maxit, c.cal, c.cbe, &c.nc, &c.alo,
              &c.ahi, out);
  EXPECT_TRUE(std::isfinite(out[6]));
}

TEST(NoxeqfitBc, BootstrapReplicatesDependOnlyOnSeedAndIndex) {
  const int n = 24;
  BcCase c(n);
  std::uint64_t s = ef_seed(3, 0);
  for (double& v : c.y) v += 0.05 * ef_norm(s);
  const int maxit = 25, seed = 77;
  int B = 2;
  double a1[2], a2[2], a3[1], a4[1];
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a1);
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a2);
  for (int b = 0; b < 2; ++b) {
    EXPECT_TRUE(std::isfinite(a1[b]));
    EXPECT_EQ(std::memcmp(&a1[b], &a2[b], sizeof(double)), 0) << b;
  }
  EXPECT_NE(a1[0], a1[1]);
  // Replicate 0 does not depend on how many replicates follow.
  B = 1;
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a3);
  EXPECT_EQ(std::memcmp(&a3[0], &a1[0], sizeof(double)), 0);
  const int seed2 = 78;
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed2, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a4);
  EXPECT_NE(a4[0], a1[0]);
}

TEST(NoxeqfitBc, ReplicateIsTheFitOfItsOwnBlockDraw) {
  // Replicate b refits the constrained curve, from the start read off th, to
  // the fitted values plus a moving-block draw of the residuals taken from
  // the stream of (seed, b): the single-start fit of that series gives the
  // same first landmark bit for bit.
  const int n = 20;
  BcCase c(n);
  std::uint64_t s = ef_seed(6, 2);
  for (double& v : c.y) v += 0.05 * ef_norm(s);
  const int maxit = 15, seed = -31;
  const int B = 3;
  double a[3];
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a);
  std::vector<double> m0(n), r0(n), yb(n);
  ef_mbc(c.x.data(), n, c.th, m0.data());
  for (int i = 0; i < n; ++i) r0[i] = c.y[i] - m0[i];
  const int bl = ef_blocklen(r0.data(), n);
  const double w = (c.th[4] - c.alo) / (c.ahi - c.alo);
  const double p0[5] = {c.th[0], std::log(c.th[1]), c.th[2], std::log(c.th[3]),
                        std::log(w / (1 - w))};
  const int ns = 1, np = 5;
  for (int b = 0; b < B; ++b) {
    std::uint64_t sb = ef_seed(seed, b);
    ASSERT_TRUE(ef_blockdraw(m0.data(), r0.data(), n, bl, sb, yb.data()));
    double out[9];
    noxeqfit_bc(c.x.data(), yb.data(), &n, p0, &ns, &np, &maxit, c.cal, c.cbe, &c.nc, &c.alo,
                &c.ahi, out);
    ASSERT_TRUE(std::isfinite(out[7])) << b;
    EXPECT_EQ(std::memcmp(&a[b], &out[7], sizeof(double)), 0) << b;
  }
}

TEST(NoxeqfitBc, BootstrapNeedsTwoObservations) {
  BcCase c(5);
  const int maxit = 5, seed = 1;
  int B = 4, n = 1;
  double a[4] = {1, 2, 3, 4};
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a);
  for (double v : a) EXPECT_TRUE(std::isnan(v));
  n = 0;
  a[0] = 5;
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a);
  EXPECT_TRUE(std::isnan(a[0]));
  B = 0;
  a[0] = 5;
  noxeqfit_bc_boot(c.x.data(), c.y.data(), &n, c.th, &B, &seed, &maxit, c.cal, c.cbe, &c.nc,
                   &c.alo, &c.ahi, a);
  EXPECT_EQ(a[0], 5);
}

// ---------------------------------------------------------------------------
// Constrained kappa-4 curve fit

struct K4Case {
  // Gumbel-shaped curve: h = 0 maps to k = 0 on the table.
  double th[6] = {0.5, 2.0, 5.0, 1.5, 0.0, 0.0};
  double lh[2] = {-0.5, 0.5};
  double lk[2] = {-0.1, 0.1};
  int nl = 2;
  double hlo = -0.5, hhi = 0.5;
  std::vector<double> x, y;
  explicit K4Case(int n) : x(n), y(n) {
    for (int i = 0; i < n; ++i) {
      x[i] = 1.0 + 12.0 * i / (n - 1);
      y[i] = th[0] + th[1] * k4_F(x[i], th[2], th[3], th[4], th[5]);
    }
  }
};

TEST(NoxeqfitK4eq, ParameterMapAndTableEnds) {
  K4Case c(5);
  kq_ctx ctx = {c.x.data(), c.y.data(), 5, c.lh, c.lk, 2, -2.0, 2.0};
  double th[6];
  const double p[5] = {1, std::log(2.0), 3, std::log(0.5), 30};
  kq_theta(p, &ctx, th);
  EXPECT_DOUBLE_EQ(th[1], 2.0);
  EXPECT_DOUBLE_EQ(th[3], 0.5);
  EXPECT_NEAR(th[5], 2.0, 1e-12);
  EXPECT_EQ(th[4], 0.1);  // beyond the table: its end value
  const double q[5] = {1, 0, 3, 0, -30};
  kq_theta(q, &ctx, th);
  EXPECT_EQ(th[4], -0.1);
  ctx.nl = 1;
  EXPECT_EQ(kq_obj(q, &ctx), 1e12);
}

TEST(NoxeqfitK4eq, ExactDataRecoverParametersAndReading) {
  const int n = 40;
  K4Case c(n);
  const double st[5] = {0.55, std::log(1.9), 5.2, std::log(1.4), 0.2};
  const int ns = 1, maxit = 800;
  double out[8];
  noxeqfit_k4eq(c.x.data(), c.y.data(), &n, st, &ns, &maxit, c.lh, c.lk, &c.nl, &c.hlo,
                &c.hhi, out);
  EXPECT_LT(out[6], 1e-10);
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(out[j], c.th[j], 1e-3) << j;
  // Gumbel curve: steepest at mu where F = 1/e and f = 1/(e sg), so the
  // tangent meets the baseline at mu - sg.
  EXPECT_NEAR(out[7], c.th[2] - c.th[3], 1e-2);
}

TEST(NoxeqfitK4eq, FixedShapeWhenIntervalIsAPoint) {
  const int n = 30;
  K4Case c(n);
  const double h0 = 0.25;
  const double st[5] = {0.4, std::log(2.2), 4.8, std::log(1.7), 0.0};
  const int ns = 1, maxit = 200;
  double out[8];
  noxeqfit_k4eq(c.x.data(), c.y.data(), &n, st, &ns, &maxit, c.lh, c.lk, &c.nl, &h0, &h0, out);
  EXPECT_EQ(out[5], h0);
  EXPECT_NEAR(out[4], 0.05, 1e-15);
  EXPECT_GT(out[6], 0);
}

TEST(NoxeqfitK4eq, NoFitLeavesNaN) {
  const int n = 10;
  K4Case c(n);
  const double st[5] = {0, 0, 0, 0, 0};
  const int maxit = 20;
  double out[8];
  int ns = 0;
  noxeqfit_k4eq(c.x.data(), c.y.data(), &n, st, &ns, &maxit, c.lh, c.lk, &c.nl, &c.hlo, &c.hhi,
                out);
  for (double v : out) EXPECT_TRUE(std::isnan(v));
  ns = 1;
  const int nl1 = 1, zero = 0;
  noxeqfit_k4eq(c.x.data(), c.y.data(), &n, st, &ns, &maxit, c.lh, c.lk, &nl1, &c.hlo, &c.hhi,
                out);
  for (double v : out) EXPECT_TRUE(std::isnan(v));
  noxeqfit_k4eq(c.x.data(), c.y.data(), &zero, st, &ns, &maxit, c.lh, c.lk, &c.nl, &c.hlo,
                &c.hhi, out);
  for (double v : out) EXPECT_TRUE(std::isnan(v));
}

TEST(NoxeqfitK4eq, BootstrapReproducibleAndNeedsTwoObservations) {
  const int n = 30;
  K4Case c(n);
  std::uint64_t s = ef_seed(9, 1);
  for (double& v : c.y) v += 0.03 * ef_norm(s);
  const double p0[5] = {0.5, std::log(2.0), 5.0, std::log(1.5), 0.0};
  const int maxit = 40, seed = -12;
  int B = 3;
  double a1[3], a2[3], a3[2];
  noxeqfit_k4eq_boot(c.x.data(), c.y.data(), &n, c.th, p0, &B, &seed, &maxit, c.lh, c.lk, &c.nl,
                     &c.hlo, &c.hhi, a1);
  noxeqfit_k4eq_boot(c.x.data(), c.y.data(), &n, c.th, p0, &B, &seed, &maxit, c.lh, c.lk, &c.nl,
                     &c.hlo, &c.hhi, a2);
  for (int b = 0; b < 3; ++b) {
    EXPECT_TRUE(std::isfinite(a1[b]));
    EXPECT_EQ(std::memcmp(&a1[b], &a2[b], sizeof(double)), 0);
  }
  EXPECT_NE(a1[0], a1[1]);
  B = 2;
  noxeqfit_k4eq_boot(c.x.data(), c.y.data(), &n, c.th, p0, &B, &seed, &maxit, c.lh, c.lk, &c.nl,
                     &c.hlo, &c.hhi, a3);
  EXPECT_EQ(a3[0], a1[0]);
  EXPECT_EQ(a3[1], a1[1]);

  int one = 1;
  double a4[2] = {1, 1};
  B = 2;
  noxeqfit_k4eq_boot(c.x.data(), c.y.data(), &one, c.th, p0, &B, &seed, &maxit, c.lh, c.lk,
                     &c.nl, &c.hlo, &c.hhi, a4);
  EXPECT_TRUE(std::isnan(a4[0]));
  EXPECT_TRUE(std::isnan(a4[1]));
}

TEST(NoxeqfitK4eq, ReplicateIsTheFitOfItsOwnBlockDraw) {
  // Replicate b: the fit from p0in of the fitted values plus the block draw
  // of (seed, b) reports the same reading as the single-start fit.
  const int n = 25;
  K4Case c(n);
  std::uint64_t s = ef_seed(2, 4);
  for (double& v : c.y) v += 0.03 * ef_norm(s);
  const double p0[5] = {0.45, std::log(2.1), 5.1, std::log(1.4), 0.1};
  const int maxit = 30, seed = 2024;
  const int B = 3;
  double a[3];
  noxeqfit_k4eq_boot(c.x.data(), c.y.data(), &n, c.th, p0, &B, &seed, &maxit, c.lh, c.lk, &c.nl,
                     &c.hlo, &c.hhi, a);
  std::vector<double> m0(n), r0(n), yb(n);
  for (int i = 0; i < n; ++i) {
    m0[i] = c.th[0] + c.th[1] * k4_F(c.x[i], c.th[2], c.th[3], c.th[4], c.th[5]);
    r0[i] = c.y[i] - m0[i];
  }
  const int bl = ef_blocklen(r0.data(), n);
  const int ns = 1;
  for (int b = 0; b < B; ++b) {
    std::uint64_t sb = ef_seed(seed, b);
    ASSERT_TRUE(ef_blockdraw(m0.data(), r0.data(), n, bl, sb, yb.data()));
    double out[8];
    noxeqfit_k4eq(c.x.data(), yb.data(), &n, p0, &ns, &maxit, c.lh, c.lk, &c.nl, &c.hlo, &c.hhi,
                  out);
    ASSERT_TRUE(std::isfinite(out[7])) << b;
    EXPECT_EQ(std::memcmp(&a[b], &out[7], sizeof(double)), 0) << b;
  }
}

// ---------------------------------------------------------------------------
// Score statistic

// Design and noisy response around a bc curve.
struct ScoreCase {
  double th[6] = {0.3, 1.7, 0.0, 1.0, -0.5, -0.3};
  std::vector<double> x, y, wk;
  ScoreCase(int n, double sd, int seed) : x(n), y(n), wk(10 * static_cast<std::size_t>(n)) {
    for (int i = 0; i < n; ++i) x[i] = -0.1 + 1.2 * i / (n - 1);
    ef_mbc(x.data(), n, th, y.data());
    std::uint64_t s = ef_seed(seed, 0);
    for (double& v : y) v += sd * ef_norm(s);
  }
};

TEST(NoxeqfitScore, NaNForDataExactlyOnTheCurve) {
  ScoreCase c(60, 0.0, 1);
  EXPECT_TRUE(std::isnan(ef_scoreF6(c.x.data(), c.y.data(), 60, c.th, c.wk.data())));
}

TEST(NoxeqfitScore, ProfiledAndFullStatisticsAgree) {
  // With the level and height set to their least-squares values, the full
  // statistic regresses on columns proportional to the profiled ones.
  const int n = 80;
  ScoreCase c(n, 0.05, 2);
  const double mu = c.th[2], sg = c.th[3], al = -0.45, be = -0.35;
  const double Tp = ef_scoreF6p(c.x.data(), c.y.data(), n, mu, sg, al, be, c.wk.data());
  ASSERT_TRUE(std::isfinite(Tp));
  EXPECT_GT(Tp, 0);
  std::vector<double> F(n);
  const double thF[6] = {0, 1, mu, sg, al, be};
  ef_mbc(c.x.data(), n, thF, F.data());
  double s1 = 0, sF = 0, sFF = 0, sy = 0, sFy = 0;
  for (int i = 0; i < n; ++i) {
    s1 += 1;
    sF += F[i];
    sFF += F[i] * F[i];
    sy += c.y[i];
    sFy += F[i] * c.y[i];
  }
  const double g1 = (s1 * sFy - sF * sy) / (s1 * sFF - sF * sF);
  const double g0 = (sy - g1 * sF) / s1;
  const double th[6] = {g0, g1, mu, sg, al, be};
  const double Tf = ef_scoreF6(c.x.data(), c.y.data(), n, th, c.wk.data());
  EXPECT_NEAR(Tf, Tp, 1e-6 * Tp);

  // Exported entry equals the internal statistic.
  double out;
  noxeqfit_score_at(c.x.data(), c.y.data(), &n, &mu, &sg, &al, &be, &out);
  EXPECT_EQ(out, Tp);
}

TEST(NoxeqfitScore, InvariantToAffineChangeOfResponse) {
  const int n = 70;
  ScoreCase c(n, 0.04, 3);
  std::vector<double> y2(n);
  for (int i = 0; i < n; ++i) y2[i] = 5.0 - 3.0 * c.y[i];
  const double T1 = ef_scoreF6p(c.x.data(), c.y.data(), n, 0.0, 1.0, -0.6, -0.2, c.wk.data());
  const double T2 = ef_scoreF6p(c.x.data(), y2.data(), n, 0.0, 1.0, -0.6, -0.2, c.wk.data());
  ASSERT_TRUE(std::isfinite(T1));
  EXPECT_NEAR(T2, T1, 1e-7 * T1);
}

TEST(NoxeqfitScore, WrongShapeScoresHigherThanTrueShape) {
  const int n = 200;
  ScoreCase c(n, 0.01, 4);
  const double Ttrue = ef_scoreF6p(c.x.data(), c.y.data(), n, 0.0, 1.0, -0.5, -0.3, c.wk.data());
  const double Twrong = ef_scoreF6p(c.x.data(), c.y.data(), n, 0.0, 1.0, -0.5, 0.3, c.wk.data());
  ASSERT_TRUE(std::isfinite(Ttrue));
  EXPECT_LT(Ttrue, 5.0);  // about 1 under the model: F(6, 194)
  EXPECT_GT(Twrong, 50.0);
}

TEST(NoxeqfitScore, TooFewPointsInsideWindow) {
  // n = 100: at least 12 points strictly inside (n/10 = 10 is below the floor).
  {
    const int n = 100;
    std::vector<double> x(n), y(n), wk(10 * n);
    std::uint64_t s = ef_seed(8, 0);
    auto fill = [&](int nin) {
      for (int i = 0; i < n; ++i) {
        x[i] = (i < nin) ? 0.05 + 0.9 * i / (nin - 1) : (i % 2 ? -1.0 - i : 2.0 + i);
        y[i] = x[i] + 0.1 * ef_norm(s);
      }
    };
    fill(11);
    EXPECT_TRUE(std::isnan(ef_scoreF6p(x.data(), y.data(), n, 0, 1, -0.5, -0.3, wk.data())));
    fill(12);
    EXPECT_TRUE(std::isfinite(ef_scoreF6p(x.data(), y.data(), n, 0, 1, -0.5, -0.3, wk.data())));
  }
  // n = 500: at least n/10 = 50 inside.
  {
    const int n = 500;
    std::vector<double> x(n), y(n), wk(10 * n);
    std::uint64_t s = ef_seed(8, 1);
    auto fill = [&](int nin) {
      for (int i = 0; i < n; ++i) {
        x[i] = (i < nin) ? 0.05 + 0.9 * i / (nin - 1) : (i % 2 ? -1.0 : 2.0);
        y[i] = x[i] + 0.1 * ef_norm(s);
      }
    };
    fill(49);
    EXPECT_TRUE(std::isnan(ef_scoreF6p(x.data(), y.data(), n, 0, 1, -0.5, -0.3, wk.data())));
    fill(50);
    EXPECT_TRUE(std::isfinite(ef_scoreF6p(x.data(), y.data(), n, 0, 1, -0.5, -0.3, wk.data())));
  }
  // Points exactly at the window ends do not count as inside.
  {
    const int n = 20;
    std::vector<double> x(n), y(n), wk(10 * n);
    for (int i = 0; i < n; ++i) {
      x[i] = (i % 2) ? 0.0 : 1.0;
      y[i] = i;
    }
    EXPECT_TRUE(std::isnan(ef_scoreF6p(x.data(), y.data(), n, 0, 1, -0.5, -0.3, wk.data())));
  }
}

TEST(NoxeqfitScore, SmallSamplesGiveNaN) {
  ScoreCase c(12, 0.1, 5);
  double out = 0;
  for (int n : {6, 3, 0, -4}) {
    out = 0;
    noxeqfit_score_at(c.x.data(), c.y.data(), &n, &c.th[2], &c.th[3], &c.th[4], &c.th[5], &out);
    EXPECT_TRUE(std::isnan(out)) << n;
    EXPECT_TRUE(std::isnan(ef_scoreF6(c.x.data(), c.y.data(), n, c.th, c.wk.data()))) << n;
  }
}

}  // namespace
}  // namespace fit_tests

// Tests of the simulation studies of the curve-fitting family: the model-fit
// simulation of the constrained bc curve, the estimation studies of the
// beta-kernel exponents, and the reading sweeps. Simulations are expensive:
// replicate counts, sizes and iteration caps are tiny.
namespace sim_tests {
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
}  // namespace sim_tests

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


namespace badin {
namespace {

// Paired data on a constrained bc curve (al = -0.65, be = -0.375 on the
// table line) and the constrained start of a fit.
struct BcData {
  static constexpr int n = 12;
  double th[6] = {1.0, 2.0, 0.0, 10.0, -0.65, -0.375};
  double cal[2] = {-0.95, -0.1}, cbe[2] = {-0.525, -0.1};
  int nc = 2;
  double alo = -0.9, ahi = -0.52;
  double x[n], y[n];
  double st5[5], st6[6];
  BcData() {
    for (int i = 0; i < n; ++i) x[i] = -1.0 + 12.0 * i / (n - 1);
    noxara::ef_mbc(x, n, th, y);
    for (int i = 0; i < n; ++i) y[i] += 0.01 * ((i % 3) - 1);
    const double w = (th[4] - alo) / (ahi - alo);
    const double p[5] = {th[0], std::log(th[1]), th[2], std::log(th[3]), std::log(w / (1 - w))};
    std::copy(p, p + 5, st5);
    const double wa = (th[4] + 1) / 0.98, wb = (th[5] + 1) / 1.48;
    const double q[6] = {th[0], std::log(th[1]), th[2], std::log(th[3]),
                         std::log(wa / (1 - wa)), std::log(wb / (1 - wb))};
    std::copy(q, q + 6, st6);
  }
};

// Paired data on a kappa-4 curve with k tied to h by a two-point table.
struct K4Data {
  static constexpr int n = 10;
  double th[6] = {0.5, 2.0, 5.0, 1.5, 0.0, 0.0};
  double lh[2] = {-0.5, 0.5}, lk[2] = {-0.1, 0.1};
  int nl = 2;
  double hlo = -0.5, hhi = 0.5;
  double x[n], y[n];
  double st5[5] = {0.5, std::log(2.0), 5.0, std::log(1.5), 0.0};
  K4Data() {
    for (int i = 0; i < n; ++i) {
      x[i] = 1.0 + 12.0 * i / (n - 1);
      y[i] = th[0] + th[1] * k4_F(x[i], th[2], th[3], th[4], th[5]) + 0.01 * ((i % 3) - 1);
    }
  }
};

}  // namespace
}  // namespace badin

TEST(NoxeqfitBadInput, BlockLengthCountsAndNaN) {
  using namespace badin;
  const double r[4] = {0.3, kNaN, -0.2, kInf};
  for (int n : {0, -1, INT_MIN, 1, 2, 3, 4}) {
    int o[3] = {-77, -77, -77};
    noxeqfit_blocklen(r, &n, o + 1);
    EXPECT_EQ(o[0], -77) << n;
    EXPECT_EQ(o[2], -77) << n;
    EXPECT_GE(o[1], 2) << n;
    if (n <= 0) {
      EXPECT_EQ(o[1], 2) << n;
    }
  }
}

TEST(NoxeqfitBadInput, BcFitCountsDimensionsTablesAndNaN) {
  using namespace badin;
  const BcData d;
  const int maxit = 3;
  auto fit = [&](const double* x, const double* y, int n, const double* st, int ns, int np,
                 int mi, int nc, double alo, double ahi, Out& o) {
    noxeqfit_bc(x, y, &n, st, &ns, &np, &mi, d.cal, d.cbe, &nc, &alo, &ahi, o.p());
  };
  const double st8[8] = {d.st6[0], d.st6[1], d.st6[2], d.st6[3], d.st6[4], d.st6[5], 0, 0};
  // A dimension the curve cannot take: no fit.
  for (int np : {4, 8, 0, -1, INT_MIN, INT_MAX}) {
    Out o(9);
    fit(d.x, d.y, d.n, st8, 1, np, maxit, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << np;
    EXPECT_TRUE(o.all_nan()) << np;
  }
  for (int bad : {0, -1, INT_MIN}) {
    Out o(9);
    fit(d.x, d.y, bad, d.st5, 1, 5, maxit, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    o.reset();
    fit(d.x, d.y, d.n, d.st5, bad, 5, maxit, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
  }
  // Without a usable constraint table (or al interval) every trial is
  // penalised: no fit, and the largest cap stops at once.
  for (int nc : {1, 0, -1, INT_MIN}) {
    for (int mi : {maxit, INT_MAX}) {
      Out o(9);
      fit(d.x, d.y, d.n, d.st5, 1, 5, mi, nc, d.alo, d.ahi, o);
      EXPECT_TRUE(o.guards_intact()) << nc;
      EXPECT_TRUE(o.all_nan()) << nc;
    }
  }
  for (double bad : kNonFinite) {
    Out o(9);
    fit(d.x, d.y, d.n, d.st5, 1, 5, maxit, d.nc, bad, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    o.reset();
    fit(d.x, d.y, d.n, d.st5, 1, 5, maxit, d.nc, d.alo, bad, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    // A non-finite response leaves every residual sum penalised.
    double yb[BcData::n];
    std::copy(d.y, d.y + d.n, yb);
    yb[5] = bad;
    for (int np : {5, 6}) {
      o.reset();
      fit(d.x, yb, d.n, np == 5 ? d.st5 : d.st6, 1, np, maxit, d.nc, d.alo, d.ahi, o);
      EXPECT_TRUE(o.guards_intact()) << bad << " " << np;
      EXPECT_TRUE(o.all_nan()) << bad << " " << np;
    }
    double xb[BcData::n];
    std::copy(d.x, d.x + d.n, xb);
    xb[0] = bad;
    o.reset();
    fit(xb, d.y, d.n, d.st6, 1, 6, maxit, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    double sb[6];
    std::copy(d.st6, d.st6 + 6, sb);
    sb[4] = bad;
    o.reset();
    fit(d.x, d.y, d.n, sb, 1, 6, maxit, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
  }
  for (int mi : {0, -1, INT_MIN}) {
    Out o(9);
    fit(d.x, d.y, d.n, d.st6, 1, 6, mi, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << mi;
    EXPECT_LT(o[6], 1e12) << mi;  // the start itself is a fit
  }
}

TEST(NoxeqfitBadInput, BcBootstrapCountsTablesAndSeeds) {
  using namespace badin;
  const BcData d;
  auto boot = [&](int n, const double* th, int B, int seed, int mi, int nc, double alo,
                  double ahi, Out& o) {
    noxeqfit_bc_boot(d.x, d.y, &n, th, &B, &seed, &mi, d.cal, d.cbe, &nc, &alo, &ahi, o.p());
  };
  for (int B : {0, -1, INT_MIN}) {
    Out o(2);
    boot(d.n, d.th, B, 1, 3, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.untouched()) << B;
  }
  // Fewer than two observations: no block to draw.
  for (int n : {1, 0, -1, INT_MIN}) {
    Out o(2);
    boot(n, d.th, 2, 1, 3, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
  }
  // No usable table: every replicate fails.
  for (int nc : {0, -1, INT_MIN}) {
    for (int mi : {3, INT_MAX}) {
      Out o(2);
      boot(d.n, d.th, 2, 1, mi, nc, d.alo, d.ahi, o);
      EXPECT_TRUE(o.guards_intact()) << nc;
      EXPECT_TRUE(o.all_nan()) << nc;
    }
  }
  {
    // A point interval of al: al is held at its one value.
    Out o(2);
    boot(d.n, d.th, 2, 1, 3, d.nc, d.alo, d.alo, o);
    EXPECT_TRUE(o.guards_intact());
    EXPECT_TRUE(o.all_written());
  }
  for (double bad : kNonFinite) {
    double tb[6];
    std::copy(d.th, d.th + 6, tb);
    tb[2] = bad;
    Out o(2);
    boot(d.n, tb, 2, 1, 3, d.nc, d.alo, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    if (std::isnan(bad)) {
      EXPECT_TRUE(o.all_nan());
    } else {
      EXPECT_TRUE(o.all_written()) << bad;
    }
    o.reset();
    boot(d.n, d.th, 2, 1, 3, d.nc, bad, d.ahi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
  }
  for (int seed : {-1, INT_MIN, INT_MAX}) {
    for (int mi : {0, -1, INT_MIN}) {
      Out o(2);
      boot(d.n, d.th, 2, seed, mi, d.nc, d.alo, d.ahi, o);
      EXPECT_TRUE(o.guards_intact()) << seed << " " << mi;
      EXPECT_TRUE(o.all_written()) << seed << " " << mi;
    }
  }
}

TEST(NoxeqfitBadInput, K4eqFitCountsTablesAndNaN) {
  using namespace badin;
  const K4Data d;
  auto fit = [&](const double* x, const double* y, int n, const double* st, int ns, int mi,
                 int nl, double hlo, double hhi, Out& o) {
    noxeqfit_k4eq(x, y, &n, st, &ns, &mi, d.lh, d.lk, &nl, &hlo, &hhi, o.p());
  };
  for (int bad : {0, -1, INT_MIN}) {
    Out o(8);
    fit(d.x, d.y, bad, d.st5, 1, 3, d.nl, d.hlo, d.hhi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    o.reset();
    fit(d.x, d.y, d.n, d.st5, bad, 3, d.nl, d.hlo, d.hhi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
  }
  // A table of fewer than two points gives no k: every trial penalised.
  for (int nl : {1, 0, -1, INT_MIN}) {
    for (int mi : {3, INT_MAX}) {
      Out o(8);
      fit(d.x, d.y, d.n, d.st5, 1, mi, nl, d.hlo, d.hhi, o);
      EXPECT_TRUE(o.guards_intact()) << nl;
      EXPECT_TRUE(o.all_nan()) << nl;
    }
  }
  for (double bad : kNonFinite) {
    Out o(8);
    fit(d.x, d.y, d.n, d.st5, 1, 3, d.nl, bad, d.hhi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    double yb[K4Data::n];
    std::copy(d.y, d.y + d.n, yb);
    yb[3] = bad;
    o.reset();
    fit(d.x, yb, d.n, d.st5, 1, 3, d.nl, d.hlo, d.hhi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    double xb[K4Data::n];
    std::copy(d.x, d.x + d.n, xb);
    xb[3] = bad;
    o.reset();
    fit(xb, d.y, d.n, d.st5, 1, 3, d.nl, d.hlo, d.hhi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    double sb[5];
    std::copy(d.st5, d.st5 + 5, sb);
    sb[2] = bad;
    o.reset();
    fit(d.x, d.y, d.n, sb, 1, 3, d.nl, d.hlo, d.hhi, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
  }
  for (int mi : {0, -1, INT_MIN}) {
    Out o(8);
    fit(d.x, d.y, d.n, d.st5, 1, mi, d.nl, d.hlo, d.hhi, o);
    EXPECT_TRUE(o.guards_intact()) << mi;
    EXPECT_LT(o[6], 1e12) << mi;
  }
}

TEST(NoxeqfitBadInput, K4eqBootstrapCountsTablesAndSeeds) {
  using namespace badin;
  const K4Data d;
  auto boot = [&](int n, const double* th, int B, int seed, int mi, int nl, Out& o) {
    noxeqfit_k4eq_boot(d.x, d.y, &n, th, d.st5, &B, &seed, &mi, d.lh, d.lk, &nl, &d.hlo,
                       &d.hhi, o.p());
  };
  for (int B : {0, -1, INT_MIN}) {
    Out o(2);
    boot(d.n, d.th, B, 1, 3, d.nl, o);
    EXPECT_TRUE(o.untouched()) << B;
  }
  for (int n : {1, 0, -1, INT_MIN}) {
    Out o(2);
    boot(n, d.th, 2, 1, 3, d.nl, o);
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
  }
  for (int nl : {1, 0, -1, INT_MIN}) {
    for (int mi : {3, INT_MAX}) {
      Out o(2);
      boot(d.n, d.th, 2, 1, mi, nl, o);
      EXPECT_TRUE(o.guards_intact()) << nl;
      EXPECT_TRUE(o.all_nan()) << nl;
    }
  }
  for (double bad : kNonFinite) {
    double tb[6];
    std::copy(d.th, d.th + 6, tb);
    tb[3] = bad;
    Out o(2);
    boot(d.n, tb, 2, 1, 3, d.nl, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
  }
  for (int seed : {-1, INT_MIN, INT_MAX}) {
    for (int mi : {0, -1, INT_MIN}) {
      Out o(2);
      boot(d.n, d.th, 2, seed, mi, d.nl, o);
      EXPECT_TRUE(o.guards_intact()) << seed << " " << mi;
      EXPECT_TRUE(o.all_written()) << seed << " " << mi;
    }
  }
}

TEST(NoxeqfitBadInput, ScoreAtCountsWindowsAndNaN) {
  using namespace badin;
  const BcData d;
  const double mu = d.th[2], sg = d.th[3], al = d.th[4], be = d.th[5];
  for (int n : {6, 0, -1, INT_MIN}) {
    Out o(1);
    noxeqfit_score_at(d.x, d.y, &n, &mu, &sg, &al, &be, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
  }
  const int n = BcData::n;
  // No window (zero or non-finite width or location) or a non-finite shape:
  // the statistic cannot be computed.
  for (double bad : {kNaN, kInf, -kInf, 0.0}) {
    Out o(1);
    noxeqfit_score_at(d.x, d.y, &n, &mu, &bad, &al, &be, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
    if (bad == 0.0) continue;
    for (int which = 0; which < 3; ++which) {
      const double m = which == 0 ? bad : mu;
      const double a = which == 1 ? bad : al;
      const double b = which == 2 ? bad : be;
      o.reset();
      noxeqfit_score_at(d.x, d.y, &n, &m, &sg, &a, &b, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(o.all_nan()) << bad << " " << which;
    }
    double yb[BcData::n];
    std::copy(d.y, d.y + n, yb);
    yb[4] = bad;
    o.reset();
    noxeqfit_score_at(d.x, yb, &n, &mu, &sg, &al, &be, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
  }
}

TEST(NoxeqfitBadInput, ModelSimulationCountsCapsAndNaN) {
  using namespace badin;
  const double cal[2] = {-0.6, -0.4}, cbe[2] = {-0.45, -0.35};
  const double alo = -0.85, ahi = -0.15, sde = 0.05;
  const double th0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.4};
  const double st5[3] = {0.0, 0.0, 0.0};
  const double thref[12] = {0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5, -0.7};
  auto msim = [&](int N, double sd, int R, int seed, const double* th, int mi, int nc, Out& o) {
    noxeqfit_msim(&N, &sd, &R, &seed, th, st5, &mi, cal, cbe, &nc, &alo, &ahi, thref, o.p());
  };
  auto nullT = [&](int N, double sd, int R, int seed, const double* th, int mi, int nc, Out& o) {
    noxeqfit_nullT(&N, &sd, &R, &seed, th, st5, &mi, cal, cbe, &nc, &alo, &ahi, o.p());
  };
  // No replicates: nothing written.
  for (int R : {0, -1, INT_MIN}) {
    for (int N : {14, 1, -1}) {
      Out o(8);
      msim(N, sde, R, 1, th0, 5, 0, o);
      nullT(N, sde, R, 1, th0, 5, 0, o);
      EXPECT_TRUE(o.untouched()) << R << " " << N;
    }
  }
  // Fewer than two design points: the NaN prefill stays.
  for (int N : {1, 0, -1, INT_MIN}) {
    const int R = 2;
    Out o(8 * R);
    msim(N, sde, R, 1, th0, 5, 2, o);
    EXPECT_TRUE(o.guards_intact()) << N;
    EXPECT_TRUE(o.all_nan()) << N;
    Out t(R);
    nullT(N, sde, R, 1, th0, 5, 2, t);
    EXPECT_TRUE(t.guards_intact()) << N;
    EXPECT_TRUE(t.all_nan()) << N;
  }
  // Without a usable table no least-squares start is admissible: T = 1e30
  // in every arm, whatever the cap, seed or noise.
  const int N = 14, R = 1;
  for (int mi : {0, -1, INT_MIN, INT_MAX}) {
    for (int seed : {-1, INT_MIN, INT_MAX}) {
      for (double sd : {sde, kNaN, kInf}) {
        for (int nc : {0, -1, INT_MIN}) {
          Out o(8 * R);
          msim(N, sd, R, seed, th0, mi, nc, o);
          EXPECT_TRUE(o.guards_intact()) << mi << " " << seed << " " << sd;
          for (int col : {0, 2, 3, 4}) EXPECT_EQ(o[col], 1e30) << mi << " " << seed << " " << sd;
          Out t(R);
          nullT(N, sd, R, seed, th0, mi, nc, t);
          EXPECT_TRUE(t.guards_intact()) << mi << " " << seed << " " << sd;
          EXPECT_EQ(t[0], 1e30) << mi << " " << seed << " " << sd;
        }
      }
    }
  }
  // A non-finite true curve position spoils the design, and with it every
  // window: no admissible start either.
  for (double bad : kNonFinite) {
    double tb[6];
    std::copy(th0, th0 + 6, tb);
    tb[2] = bad;
    Out o(8 * R);
    msim(N, sde, R, 3, tb, 5, 2, o);
    EXPECT_TRUE(o.guards_intact()) << bad;
    for (int col : {0, 2, 3, 4}) EXPECT_EQ(o[col], 1e30) << bad;
    Out t(R);
    nullT(N, sde, R, 3, tb, 5, 2, t);
    EXPECT_TRUE(t.guards_intact()) << bad;
    EXPECT_EQ(t[0], 1e30) << bad;
  }
}

TEST(NoxeqfitBadInput, EstimationStudiesCountsSizesAndNaN) {
  using namespace badin;
  const double a0 = 0.6, b0 = 0.8;
  const int seed = 5;
  // No replicates or no sizes: nothing written.
  for (int bad : {0, -1, INT_MIN}) {
    const int sizes[1] = {5};
    const int R = 1, nn = 1, mi = 5;
    Out o(6);
    noxeqfit_estsim(&a0, &b0, &bad, sizes, &nn, &seed, &mi, o.p());
    noxeqfit_estsim(&a0, &b0, &R, sizes, &bad, &seed, &mi, o.p());
    noxeqfit_taus(&a0, &b0, &bad, &nn, &seed, o.p());
    EXPECT_TRUE(o.untouched()) << bad;
  }
  // A size below 1 keeps its block NaN; the other block is estimated.
  {
    const int sizes[4] = {0, -1, INT_MIN, 6};
    const int R = 1, nn = 4, mi = 3;
    Out o(6 * 4);
    noxeqfit_estsim(&a0, &b0, &R, sizes, &nn, &seed, &mi, o.p());
    EXPECT_TRUE(o.guards_intact());
    for (int j = 0; j < 18; ++j) EXPECT_TRUE(std::isnan(o[j])) << j;
  }
  for (int mi : {0, -1, INT_MIN}) {
    const int sizes[1] = {4};
    const int R = 1, nn = 1;
    Out o(6);
    noxeqfit_estsim(&a0, &b0, &R, sizes, &nn, &seed, &mi, o.p());
    EXPECT_TRUE(o.guards_intact()) << mi;
  }
  // Exponents that are not numbers give a sample that is not either: every
  // objective is penalised, so every estimate fails, and the largest cap
  // ends at once.
  for (int mi : {3, INT_MAX}) {
    const int sizes[1] = {4};
    const int R = 2, nn = 1;
    Out o(12);
    noxeqfit_estsim(&kNaN, &b0, &R, sizes, &nn, &seed, &mi, o.p());
    EXPECT_TRUE(o.guards_intact()) << mi;
    EXPECT_TRUE(o.all_nan()) << mi;
    o.reset();
    noxeqfit_estsim(&a0, &kNaN, &R, sizes, &nn, &seed, &mi, o.p());
    EXPECT_TRUE(o.guards_intact()) << mi;
    EXPECT_TRUE(o.all_nan()) << mi;
  }
  for (double bad : {kInf, -kInf}) {
    const int sizes[1] = {4};
    const int R = 1, nn = 1, mi = 3;
    Out o(6);
    noxeqfit_estsim(&bad, &b0, &R, sizes, &nn, &seed, &mi, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    o.reset();
    noxeqfit_estsim(&a0, &bad, &R, sizes, &nn, &seed, &mi, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
  }

  // Taus: an empty sample has no ratios; tiny samples and bad exponents
  // still fill exactly their four columns.
  const int R = 2;
  for (int n : {0, -1, INT_MIN}) {
    Out o(4 * R);
    noxeqfit_taus(&a0, &b0, &R, &n, &seed, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_TRUE(o.all_nan()) << n;
  }
  for (int n : {1, 2, 3}) {
    for (int sd : {-1, INT_MIN, INT_MAX}) {
      Out o(4 * R);
      noxeqfit_taus(&a0, &b0, &R, &n, &sd, o.p());
      EXPECT_TRUE(o.guards_intact()) << n << " " << sd;
      EXPECT_TRUE(o.all_written()) << n << " " << sd;
    }
  }
  for (double bad : kNonFinite) {
    const int n = 6;
    Out o(4 * R);
    noxeqfit_taus(&bad, &b0, &R, &n, &seed, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
    o.reset();
    noxeqfit_taus(&a0, &bad, &R, &n, &seed, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(NoxeqfitBadInput, SweepsCountsAndNonFiniteShapes) {
  using namespace badin;
  const double ks[2] = {0.1, -0.2}, h = 0.3;
  for (int nk : {0, -1, INT_MIN}) {
    Out a(2), b(2);
    noxeqfit_bsweep(ks, &nk, &h, b.p());
    noxeqfit_absweep(ks, &nk, &h, a.p(), b.p());
    noxeqfit_Esweep(&h, ks, &nk, a.p());
    EXPECT_TRUE(a.untouched() && b.untouched()) << nk;
  }
  const int nk = 2;
  for (double bad : kNonFinite) {
    // A shape that is not a number has no quantile range, hence no reading.
    const double kb[2] = {bad, 0.1};
    Out a(2), b(2);
    noxeqfit_bsweep(kb, &nk, &h, b.p());
    EXPECT_TRUE(b.guards_intact()) << bad;
    EXPECT_TRUE(b.all_written()) << bad;
    if (std::isnan(bad)) {
      EXPECT_TRUE(std::isnan(b[0]));
    }
    b.reset();
    noxeqfit_absweep(kb, &nk, &h, a.p(), b.p());
    EXPECT_TRUE(a.guards_intact() && b.guards_intact()) << bad;
    EXPECT_TRUE(a.all_written() && b.all_written()) << bad;
    a.reset();
    b.reset();
    noxeqfit_absweep(ks, &nk, &bad, a.p(), b.p());
    EXPECT_TRUE(a.guards_intact() && b.guards_intact()) << bad;
    EXPECT_TRUE(a.all_written() && b.all_written()) << bad;
    // E needs an inflection point, which a non-finite exponent does not give.
    const double al = -0.6, bg[2] = {-0.3, bad};
    Out e(2);
    noxeqfit_Esweep(&al, bg, &nk, e.p());
    EXPECT_TRUE(e.guards_intact()) << bad;
    EXPECT_TRUE(std::isnan(e[1])) << bad;
    e.reset();
    noxeqfit_Esweep(&bad, bg, &nk, e.p());
    EXPECT_TRUE(e.guards_intact()) << bad;
    EXPECT_TRUE(e.all_nan()) << bad;
  }
}

TEST(NoxeqfitBadInput, LeastSquaresStagePenalisesANonFiniteResponse) {
  using namespace badin;
  const double cal[2] = {-0.6, -0.4}, cbe[2] = {-0.45, -0.35};
  const int n = 14;
  double x[n], wk[10 * n];
  for (int i = 0; i < n; ++i) x[i] = 1.0 + i * 2.0 / (n - 1);
  // p = 0 maps to al = -0.5 inside the table and a window covering the
  // middle half of the design: an admissible shape.
  const double p[3] = {0.0, 0.0, 0.0};
  for (double bad : kNonFinite) {
    double y[n];
    for (int i = 0; i < n; ++i) y[i] = 0.1 * i;
    const noxara::mf_ctx good = {x, y, n, cal, cbe, 2, -0.85, -0.15, x[0], x[n - 1] - x[0], wk};
    const double f = noxara::mf_sse3(p, &good);
    EXPECT_TRUE(std::isfinite(f) && f < 1e30);
    y[6] = bad;
    const noxara::mf_ctx ctx = {x, y, n, cal, cbe, 2, -0.85, -0.15, x[0], x[n - 1] - x[0], wk};
    EXPECT_EQ(noxara::mf_sse3(p, &ctx), 1e30) << bad;
  }
}

TEST(NoxeqfitBadInput, NonFiniteNoiseWithTheLargestCapEndsWithoutAFit) {
  using namespace badin;
  const double cal[2] = {-0.6, -0.4}, cbe[2] = {-0.45, -0.35};
  const double alo = -0.85, ahi = -0.15;
  const double th0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.4};
  const double st5[3] = {0.0, 0.0, 0.0};
  const double thref[12] = {0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5, -0.7};
  const int N = 14, R = 1, seed = 2, nc = 2, mi = INT_MAX;
  // Every least-squares trial is penalised, so each stage stops at its
  // first spread test and T reports that no start was admissible.
  for (double sde : kNonFinite) {
    Out t(R);
    noxeqfit_nullT(&N, &sde, &R, &seed, th0, st5, &mi, cal, cbe, &nc, &alo, &ahi, t.p());
    EXPECT_TRUE(t.guards_intact()) << sde;
    EXPECT_EQ(t[0], 1e30) << sde;
    Out o(8 * R);
    noxeqfit_msim(&N, &sde, &R, &seed, th0, st5, &mi, cal, cbe, &nc, &alo, &ahi, thref, o.p());
    EXPECT_TRUE(o.guards_intact()) << sde;
    for (int col : {0, 2, 3, 4}) EXPECT_EQ(o[col], 1e30) << sde << " " << col;
    for (int col : {1, 5, 6, 7}) EXPECT_TRUE(std::isnan(o[col])) << sde << " " << col;
  }
}
