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
