// Variable-projection kappa-4 fit with a linear drift.
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
#include "noxk4fit.h"
#include "guarded_output.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Least squares of y on the columns (1, x, F) by modified Gram-Schmidt QR,
// computed without normal equations. Returns the residual sum of squares.
double qr_lsq(const std::vector<double>& x, const std::vector<double>& F,
              const std::vector<double>& y, double beta[3]) {
  const size_t n = x.size();
  std::vector<std::vector<double>> q = {std::vector<double>(n, 1.0), x, F};
  double R[3][3] = {};
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < j; ++i) {
      double d = 0;
      for (size_t t = 0; t < n; ++t) d += q[i][t] * q[j][t];
      R[i][j] = d;
      for (size_t t = 0; t < n; ++t) q[j][t] -= d * q[i][t];
    }
    double nr = 0;
    for (size_t t = 0; t < n; ++t) nr += q[j][t] * q[j][t];
    nr = std::sqrt(nr);
    R[j][j] = nr;
    for (size_t t = 0; t < n; ++t) q[j][t] /= nr;
  }
  double qty[3];
  for (int j = 0; j < 3; ++j) {
    qty[j] = 0;
    for (size_t t = 0; t < n; ++t) qty[j] += q[j][t] * y[t];
  }
  for (int j = 2; j >= 0; --j) {
    double s = qty[j];
    for (int i = j + 1; i < 3; ++i) s -= R[j][i] * beta[i];
    beta[j] = s / R[j][j];
  }
  double rss = 0;
  for (size_t t = 0; t < n; ++t) {
    const double e = y[t] - beta[0] - beta[1] * x[t] - beta[2] * F[t];
    rss += e * e;
  }
  return rss;
}

// Deterministic wiggle standing in for noise.
double wig(size_t i) { return std::sin(1.7 * static_cast<double>(i) + 0.3) * std::cos(0.37 * i); }

std::vector<double> grid(int n, double a, double b) {
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = a + (b - a) * i / (n - 1);
  return x;
}

}  // namespace

// ---------------------------------------------------------------------------
// The linear solve.

TEST(Noxk4fitRss, MatchesIndependentLeastSquares) {
  const int n = 80;
  std::vector<double> x = grid(n, -2.0, 6.0), F(n), y(n);
  for (int i = 0; i < n; ++i) {
    F[i] = 1.0 / (1.0 + std::exp(-(x[i] - 2.0)));
    y[i] = 0.7 - 0.15 * x[i] + 2.5 * F[i] + 0.2 * wig(i);
  }
  double b[3], bq[3];
  const double rss = noxara::varpro_rss(x.data(), F.data(), y.data(), n, b);
  const double rq = qr_lsq(x, F, y, bq);
  ASSERT_TRUE(std::isfinite(rss));
  EXPECT_NEAR(rss, rq, 1e-9 * rq);
  for (int j = 0; j < 3; ++j) EXPECT_NEAR(b[j], bq[j], 1e-6) << j;
  // The noise is not explained away: the minimum is well above zero.
  EXPECT_GT(rss, 0.5);
}

TEST(Noxk4fitRss, ExactLinearDataAndDegenerateInput) {
  const int n = 25;
  std::vector<double> x = grid(n, 0.0, 3.0), F(n), y(n);
  for (int i = 0; i < n; ++i) {
    F[i] = std::tanh(x[i] - 1.0);
    y[i] = -1.25 + 0.5 * x[i] + 4.0 * F[i];
  }
  double b[3];
  const double rss = noxara::varpro_rss(x.data(), F.data(), y.data(), n, b);
  EXPECT_LT(rss, 1e-16);
  EXPECT_NEAR(b[0], -1.25, 1e-7);
  EXPECT_NEAR(b[1], 0.5, 1e-7);
  EXPECT_NEAR(b[2], 4.0, 1e-7);

  // Overflowing sums give a non-finite system: +infinity, never NaN.
  x[3] = 1e200;
  EXPECT_EQ(noxara::varpro_rss(x.data(), F.data(), y.data(), n, b), kInf);
}

// ---------------------------------------------------------------------------
// The objective.

TEST(Noxk4fitObj, PenaltiesAndProjectedValue) {
  const int n = 30;
  std::vector<double> x = grid(n, 0.0, 10.0), y(n), Fb(n);
  for (int i = 0; i < n; ++i) y[i] = 1.0 + 0.1 * x[i] + 2.0 * k4_F(x[i], 5.0, 1.0, 0.1, 0.4) + 0.05 * wig(i);
  const double bnd[4] = {-0.5, 0.5, 0.0, 1.0};
  noxara::vp_ctx c{x.data(), y.data(), n, Fb.data(), bnd, 0, 0.0};

  // The value is the projected residual sum of squares at F(mu, sg, k, h).
  const double p[4] = {4.5, std::log(1.5), 0.2, 0.3};
  std::vector<double> F(n);
  for (int i = 0; i < n; ++i) F[i] = k4_F(x[i], 4.5, 1.5, 0.2, 0.3);
  double bq[3];
  const double rq = qr_lsq(x, F, y, bq);
  EXPECT_NEAR(noxara::vp_obj(p, &c), rq, 1e-9 * rq);

  // Closed boxes of k and h: the box edges are admissible, beyond is penalised.
  const double pk_edge[4] = {4.5, 0.0, 0.5, 1.0};
  EXPECT_LT(noxara::vp_obj(pk_edge, &c), 1e12);
  const double pk[4] = {4.5, 0.0, 0.5000001, 0.3};
  const double ph[4] = {4.5, 0.0, 0.1, -1e-9};
  EXPECT_EQ(noxara::vp_obj(pk, &c), 1e12);
  EXPECT_EQ(noxara::vp_obj(ph, &c), 1e12);
  // Scale overflowing to infinity.
  const double ps[4] = {4.5, 800.0, 0.1, 0.3};
  EXPECT_EQ(noxara::vp_obj(ps, &c), 1e12);
  // A curve flat over the data (all points far below its support).
  const double pf[4] = {1000.0, 0.0, 0.1, 0.3};
  EXPECT_EQ(noxara::vp_obj(pf, &c), 1e12);

  // With h held fixed the fourth coordinate plays no part, and the fixed h
  // itself must lie in its box.
  c.hfix = 1;
  c.hval = 0.3;
  const double pj[4] = {4.5, std::log(1.5), 0.2, 99.0};
  EXPECT_EQ(noxara::vp_obj(pj, &c), noxara::vp_obj(p, &c));
  c.hval = 1.5;
  EXPECT_EQ(noxara::vp_obj(p, &c), 1e12);
}

// ---------------------------------------------------------------------------
// The fit.

namespace {

struct Curve {
  double b0, b1, b2, mu, sg, k, h;
};

void make_data(const Curve& cv, const std::vector<double>& x, std::vector<double>& y) {
  y.resize(x.size());
  for (size_t i = 0; i < x.size(); ++i)
    y[i] = cv.b0 + cv.b1 * x[i] + cv.b2 * k4_F(x[i], cv.mu, cv.sg, cv.k, cv.h);
}

}  // namespace

TEST(Noxk4fitVarpro, RecoversExactCurveFromStarts) {
  const Curve cv{0.4, 0.03, 2.5, 5.0, 1.2, 0.15, 0.35};
  std::vector<double> x = grid(60, 0.0, 12.0), y;
  make_data(cv, x, y);
  const int n = 60, ns = 3, maxit = 3000;
  // A penalised start (k outside the box), a distant start and a near one.
  const double starts[12] = {5.0, 0.0, 2.0, 0.3,   //
                             3.0, std::log(3.0), -0.3, 0.8,  //
                             4.6, std::log(1.0), 0.1, 0.3};
  const double bounds[4] = {-0.9, 0.9, 0.0, 2.0};
  const double hfree = std::nan("");
  double out[8];
  noxk4_fit_varpro(x.data(), y.data(), &n, starts, &ns, &maxit, bounds, &hfree, out);
  EXPECT_LT(out[7], 1e-14);
  EXPECT_NEAR(out[0], cv.b0, 1e-4);
  EXPECT_NEAR(out[1], cv.b1, 1e-5);
  EXPECT_NEAR(out[2], cv.b2, 1e-4);
  EXPECT_NEAR(out[3], cv.mu, 1e-4);
  EXPECT_NEAR(out[4], cv.sg, 1e-4);
  EXPECT_NEAR(out[5], cv.k, 1e-4);
  EXPECT_NEAR(out[6], cv.h, 1e-4);
}

TEST(Noxk4fitVarpro, FixedHIsReportedExactly) {
  const Curve cv{-0.2, 0.0, 1.5, 2.0, 0.8, -0.1, 0.25};
  std::vector<double> x = grid(40, -1.0, 6.0), y;
  make_data(cv, x, y);
  const int n = 40, ns = 1, maxit = 2000;
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const double hfix = 0.25;
  double s1[4] = {2.3, std::log(1.0), 0.0, 0.7};
  double s2[4] = {2.3, std::log(1.0), 0.0, -55.0};  // fourth value ignored
  double o1[8], o2[8];
  noxk4_fit_varpro(x.data(), y.data(), &n, s1, &ns, &maxit, bounds, &hfix, o1);
  noxk4_fit_varpro(x.data(), y.data(), &n, s2, &ns, &maxit, bounds, &hfix, o2);
  EXPECT_EQ(o1[6], 0.25);
  EXPECT_EQ(o2[6], 0.25);
  for (int j = 0; j < 8; ++j) EXPECT_EQ(o1[j], o2[j]) << j;
  // Three free nonlinear parameters suffice to reach the true curve.
  EXPECT_LT(o1[7], 1e-12);
  EXPECT_NEAR(o1[3], cv.mu, 1e-4);
  EXPECT_NEAR(o1[4], cv.sg, 1e-4);
  EXPECT_NEAR(o1[5], cv.k, 1e-4);
}

TEST(Noxk4fitVarpro, NoStartsLeavesParametersUntouched) {
  std::vector<double> x = grid(10, 0.0, 1.0), y(10, 1.0);
  const int n = 10, maxit = 100;
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const double hfree = std::nan("");
  for (int ns : {0, -3}) {
    double out[8];
    for (double& v : out) v = 42.0;
    noxk4_fit_varpro(x.data(), y.data(), &n, nullptr, &ns, &maxit, bounds, &hfree, out);
    for (int j = 0; j < 7; ++j) EXPECT_EQ(out[j], 42.0) << j;
    EXPECT_EQ(out[7], kInf);
  }
}

TEST(Noxk4fitVarpro, FixedHOutsideBoxReportsFirstStart) {
  // Every trial is penalised: each run stops at once on its start, the first
  // start is kept, and the reported residual sum is that of its curve.
  std::vector<double> x = grid(30, 0.0, 8.0), y;
  make_data(Curve{1.0, 0.1, 2.0, 4.0, 1.0, 0.0, 0.5}, x, y);
  for (size_t i = 0; i < y.size(); ++i) y[i] += 0.1 * wig(i);
  const int n = 30, ns = 2, maxit = 500;
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const double hfix = 1.5;
  const double starts[8] = {3.5, std::log(2.0), 0.2, 0.0, 4.0, 0.0, 0.0, 0.0};
  double out[8];
  noxk4_fit_varpro(x.data(), y.data(), &n, starts, &ns, &maxit, bounds, &hfix, out);
  EXPECT_EQ(out[3], 3.5);
  EXPECT_EQ(out[4], std::exp(std::log(2.0)));
  EXPECT_EQ(out[5], 0.2);
  EXPECT_EQ(out[6], 1.5);
  std::vector<double> F(30);
  for (int i = 0; i < 30; ++i) F[i] = k4_F(x[i], 3.5, out[4], 0.2, 1.5);
  double bq[3];
  const double rq = qr_lsq(x, F, y, bq);
  EXPECT_NEAR(out[7], rq, 1e-9 * rq);
  for (int j = 0; j < 3; ++j) EXPECT_NEAR(out[j], bq[j], 1e-6) << j;
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(Noxk4fitBadInput, VarproStartCountsAndIterationLimits) {
  using namespace badin;
  const double x[6] = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0};
  const double y[6] = {0.1, 0.2, 1.0, 1.9, 2.1, 2.2};
  const double starts[4] = {2.5, 0.0, 0.1, 0.5};
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const double hfree = badin::kNaN;
  // No start: +infinity in the residual slot, the rest untouched.
  for (int ns : {0, -1, INT_MIN}) {
    const int n = 6, maxit = 20;
    Out o(8);
    noxk4_fit_varpro(x, y, &n, starts, &ns, &maxit, bounds, &hfree, o.p());
    EXPECT_TRUE(o.guards_intact()) << ns;
    EXPECT_EQ(o[7], badin::kInf) << ns;
    for (int j = 0; j < 7; ++j) EXPECT_EQ(o[j], kSent) << ns << " " << j;
  }
  const int ns = 1;
  for (int n : {0, -1, INT_MIN}) {
    const int maxit = 20;
    Out o(8);
    noxk4_fit_varpro(x, y, &n, starts, &ns, &maxit, bounds, &hfree, o.p());
    EXPECT_TRUE(o.guards_intact()) << n;
    EXPECT_NE(o[7], kSent) << n;
  }
  // Without data every trial is penalised alike, so even the largest cap
  // ends at the first stop test.
  for (int maxit : {0, -1, INT_MIN, INT_MAX}) {
    const int n = 0;
    Out o(8);
    noxk4_fit_varpro(x, y, &n, starts, &ns, &maxit, bounds, &hfree, o.p());
    EXPECT_TRUE(o.guards_intact()) << maxit;
    EXPECT_NE(o[7], kSent) << maxit;
  }
  for (int maxit : {0, -1, INT_MIN}) {
    const int n = 6;
    Out o(8);
    noxk4_fit_varpro(x, y, &n, starts, &ns, &maxit, bounds, &hfree, o.p());
    EXPECT_TRUE(o.guards_intact()) << maxit;
    EXPECT_TRUE(o.all_written()) << maxit;
  }
}

TEST(Noxk4fitBadInput, VarproNonFiniteDataBoundsAndStarts) {
  using namespace badin;
  const double x[6] = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0};
  const double y[6] = {0.1, 0.2, 1.0, 1.9, 2.1, 2.2};
  const double starts[4] = {2.5, 0.0, 0.1, 0.5};
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const int n = 6, ns = 1, maxit = 30;
  for (double bad : kNonFinite) {
    const double xb[6] = {0.0, bad, 2.0, 3.0, 4.0, 5.0};
    const double yb[6] = {0.1, 0.2, bad, 1.9, 2.1, 2.2};
    const double sb[4] = {bad, 0.0, bad, 0.5};
    const double bb[4] = {bad, 0.9, 0.0, bad};
    for (int which = 0; which < 5; ++which) {
      const double* xx = which == 0 ? xb : x;
      const double* yy = which == 1 ? yb : y;
      const double* ss = which == 2 ? sb : starts;
      const double* bo = which == 3 ? bb : bounds;
      // A non-finite h to hold means h is free.
      const double hf = which == 4 ? bad : badin::kNaN;
      Out o(8);
      noxk4_fit_varpro(xx, yy, &n, ss, &ns, &maxit, bo, &hf, o.p());
      EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
      EXPECT_NE(o[7], kSent) << bad << " " << which;
    }
  }
  // Data that cannot be fitted: every trial penalised, so the largest cap
  // stops at once.
  const double ynan[6] = {badin::kNaN, badin::kNaN, badin::kNaN, badin::kNaN, badin::kNaN, badin::kNaN};
  const int big = INT_MAX;
  const double hfree = badin::kNaN;
  Out o(8);
  noxk4_fit_varpro(x, ynan, &n, starts, &ns, &big, bounds, &hfree, o.p());
  EXPECT_TRUE(o.guards_intact());
  EXPECT_FALSE(std::isfinite(o[7]));
}

// Fits recorded from the build before the data-only sums were taken once per
// fit and the distribution function was inlined into the objective: the
// records must keep every bit.
TEST(Noxk4fitVarpro, RecordsKeepTheirBits) {
  const int n = 50;
  double x[50], y[50];
  for (int i = 0; i < n; ++i) {
    x[i] = 10.0 * i / (n - 1);
    y[i] = 1.0 + 0.1 * x[i] + 2.0 * k4_F(x[i], 5.0, 1.0, 0.1, 0.4) +
           0.05 * std::sin(2.3 * i + 0.4) * std::cos(0.71 * i);
  }
  const double st[12] = {4.0, 0.0, 0.0, 0.3, 5.5, std::log(2.0), -0.3, 0.1,
                         3.0, std::log(0.5), 0.3, 0.8};
  const double b[4] = {-0.9, 0.9, 0.0, 1.0};
  const double hs[3] = {std::nan(""), 0.0, 0.5};
  const int maxits[2] = {50, 200};
  const std::uint64_t want[6][8] = {
      {0x3ff0110bb1f5c8cbULL, 0x3fb92f6482b57940ULL, 0x4000234ace149f0aULL, 0x401428489ccd2b34ULL, 0x3feeb30da03365c5ULL, 0x3faf6f2791947b74ULL, 0x3fd58d63538516b2ULL, 0x3f9ef7ecf2c2554bULL},
      {0x3ff0228d992c43f6ULL, 0x3fb871ab1d55c776ULL, 0x40007f2ebc0fed50ULL, 0x4014d59282d67558ULL, 0x3fe973e8175cecfbULL, 0xbfb7e031d863d246ULL, 0x0000000000000000ULL, 0x3fa01ccce44d5943ULL},
      {0x3ff00751e93c90a3ULL, 0x3fb99614ce1db46cULL, 0x3ffff3138fc1578bULL, 0x4013bc21db16c137ULL, 0x3ff13970bbe61446ULL, 0x3fc23e01fbb7da72ULL, 0x3fe0000000000000ULL, 0x3f9fcc9141e16b87ULL},
      {0x3ff011b5afbfa048ULL, 0x3fb928602bb26dc5ULL, 0x400026f3184f886fULL, 0x401430b436867648ULL, 0x3fee668d5b3381fbULL, 0x3fab74ad60e54ff9ULL, 0x3fd4a96793c2d27dULL, 0x3f9ef6c3f9320adeULL},
      {0x3ff0228d70c11243ULL, 0x3fb871afe5319ebfULL, 0x40007f2e137d226dULL, 0x4014d593039e8093ULL, 0x3fe973e402418416ULL, 0xbfb7e070f9f8fee4ULL, 0x0000000000000000ULL, 0x3fa01ccce41e3f70ULL},
      {0x3ff00751087aaca7ULL, 0x3fb99616abbc0425ULL, 0x3ffff31124232d1eULL, 0x4013bc20fb18c208ULL, 0x3ff1396fd30db221ULL, 0x3fc23e1e52ecdf16ULL, 0x3fe0000000000000ULL, 0x3f9fcc91408a160dULL},
  };
  for (int m = 0; m < 2; ++m)
    for (int k = 0; k < 3; ++k) {
      const int ns = 3;
      double o[8];
      for (double& v : o) v = std::nan("");
      noxk4_fit_varpro(x, y, &n, st, &ns, &maxits[m], b, &hs[k], o);
      for (int j = 0; j < 8; ++j) {
        std::uint64_t u;
        std::memcpy(&u, &o[j], sizeof u);
        EXPECT_EQ(u, want[3 * m + k][j]) << "maxit " << maxits[m] << ", h " << hs[k] << ", " << j;
      }
    }
}
