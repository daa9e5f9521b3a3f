// Beta-kernel quantile family and the regularised incomplete beta function.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <limits>
#include <vector>

#include "noxara.h"
#include "noxeq2.h"
#include "guarded_output.h"

using namespace noxara;

namespace {

std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// Beta function from the gamma function, independent of the log-gamma route.
double beta_fn(double a, double b) { return std::tgamma(a) * std::tgamma(b) / std::tgamma(a + b); }

double bc_q1(double u, double al, double be) {
  const int one = 1;
  double out;
  noxeq2_bc_q(&one, &u, &al, &be, &out);
  return out;
}
double bc_cdf1(double x, double al, double be) {
  const int one = 1;
  double out;
  noxeq2_bc_cdf(&one, &x, &al, &be, &out);
  return out;
}
double bc_pdf1(double x, double al, double be) {
  const int one = 1;
  double out;
  noxeq2_bc_pdf(&one, &x, &al, &be, &out);
  return out;
}
double E1(double al, double be) {
  double out;
  noxeq2_E(&al, &be, &out);
  return out;
}

// 2 g'^2 - g'' of g = alpha log u + beta log(1-u), from its derivatives.
double inflection_residual(double al, double be, double u) {
  const double g1 = al / u - be / (1 - u);
  const double g2 = -al / (u * u) - be / ((1 - u) * (1 - u));
  return 2 * g1 * g1 - g2;
}

}  // namespace

// ---- incomplete beta -------------------------------------------------------

TEST(Noxeq2IncBeta, LogBetaMatchesKnownBetaValues) {
  EXPECT_NEAR(std::exp(lbeta_(0.5, 0.5)), 3.141592653589793, 1e-14);
  EXPECT_NEAR(std::exp(lbeta_(2, 3)), 1.0 / 12, 1e-16);
  EXPECT_NEAR(std::exp(lbeta_(0.3, 4.2)), beta_fn(0.3, 4.2), 1e-13);
}

TEST(Noxeq2IncBeta, SymmetricArgumentsGiveOneHalfAtTheMiddle) {
  // The prefactor exp(a log x + b log(1-x) - log B) loses about a ulps of
  // its exponent, so the tolerance grows with a.
  for (double a : {0.05, 0.3, 1.0, 2.5, 7.0, 40.0, 200.0})
    EXPECT_NEAR(ibeta_(a, a, 0.5), 0.5, 2e-15 * (1 + a)) << "a = " << a;
}

TEST(Noxeq2IncBeta, ClosedFormsForAUnitParameter) {
  for (double c : {0.2, 0.5, 1.7, 6.0}) {
    for (double x : {1e-6, 0.01, 0.3, 0.5, 0.77, 0.999}) {
      // I_x(1, b) = 1 - (1 - x)^b and I_x(a, 1) = x^a
      EXPECT_NEAR(ibeta_(1, c, x), 1 - std::pow(1 - x, c), 2e-15) << c << " " << x;
      EXPECT_NEAR(ibeta_(c, 1, x), std::pow(x, c), 2e-15 * (1 + std::pow(x, c))) << c << " " << x;
    }
  }
}

TEST(Noxeq2IncBeta, IntegerParametersGiveTheBinomialTail) {
  // I_x(2, 3) = P(Bin(4, x) >= 2), on both sides of the switch point.
  for (double x : {0.05, 0.2, 0.4, 0.6, 0.9}) {
    const double y = 1 - x;
    const double tail = 6 * x * x * y * y + 4 * x * x * x * y + x * x * x * x;
    EXPECT_NEAR(ibeta_(2, 3, x), tail, 1e-15) << x;
  }
}

TEST(Noxeq2IncBeta, ClampsOutsideTheUnitInterval) {
  EXPECT_EQ(ibeta_(2, 3, 0.0), 0.0);
  EXPECT_EQ(ibeta_(2, 3, -1.0), 0.0);
  EXPECT_EQ(ibeta_(2, 3, 1.0), 1.0);
  EXPECT_EQ(ibeta_(2, 3, 5.0), 1.0);
  EXPECT_EQ(ibeta_inv_(2, 3, 0.0), 0.0);
  EXPECT_EQ(ibeta_inv_(2, 3, -0.5), 0.0);
  EXPECT_EQ(ibeta_inv_(2, 3, 1.0), 1.0);
  EXPECT_TRUE(std::isnan(ibeta_(2, 3, std::nan(""))));
  EXPECT_TRUE(std::isnan(ibeta_inv_(2, 3, std::nan(""))));
}

TEST(Noxeq2IncBeta, PrecomputedLogBetaVariantsAreBitIdentical) {
  for (double a : {0.02, 0.4, 1.0, 3.7}) {
    for (double b : {0.05, 0.9, 2.0, 11.0}) {
      const double lb = lbeta_(a, b);
      for (int k = -1; k <= 41; ++k) {
        const double x = k / 40.0 + 1e-3;
        EXPECT_EQ(bits(ibeta_lb_(a, b, x, lb)), bits(ibeta_(a, b, x)));
        EXPECT_EQ(bits(ibeta_inv_lb_(a, b, x, lb)), bits(ibeta_inv_(a, b, x)));
      }
    }
  }
}

TEST(Noxeq2IncBeta, InverseUndoesTheFunction) {
  // Where the beta density is of order one, p and x determine each other to
  // a few ulps both ways.
  for (double a : {0.6, 1.0, 2.5}) {
    for (double b : {0.7, 1.5, 3.0}) {
      for (double p : {0.05, 0.25, 0.5, 0.75, 0.9}) {
        const double x = ibeta_inv_(a, b, p);
        EXPECT_NEAR(ibeta_(a, b, x), p, 1e-15) << a << " " << b << " " << p;
      }
      for (double x : {0.1, 0.3, 0.6, 0.8}) {
        // one ulp of p moves x by ulp/density
        const double dens = std::pow(x, a - 1) * std::pow(1 - x, b - 1) / beta_fn(a, b);
        EXPECT_NEAR(ibeta_inv_(a, b, ibeta_(a, b, x)), x, 1e-15 + 1.2e-16 / dens)
            << a << " " << b << " " << x;
      }
    }
  }
}

TEST(Noxeq2IncBeta, InverseIsAbsolutelyAccurateInTheTails) {
  // For p = 1e-9 and a = 0.3 the root lies near 1e-30, far below the
  // resolution of a bracket on [0, 1]: the answer is within 1e-15 of it.
  const double x0 = ibeta_inv_(0.3, 2.0, 1e-9);
  EXPECT_GT(x0, 0.0);
  EXPECT_LT(x0, 1e-15);
  // Upper tail, mirrored: 1 - x is near 1e-30 as well.
  const double x1 = ibeta_inv_(2.0, 0.3, 1 - 1e-9);
  EXPECT_LT(x1, 1.0);
  EXPECT_GT(x1, 1 - 1e-15);
  // A moderate tail with a well-resolved root: I_x(1, b) = 1 - (1-x)^b.
  const double p = 1e-6, b = 4.0;
  EXPECT_NEAR(ibeta_inv_(1.0, b, p), 1 - std::pow(1 - p, 1 / b), 1e-15);
}

TEST(Noxeq2IncBeta, TabulatedFractionMatchesTheLiteralOneBitForBit) {
  // Shapes from near 0 to large, on both branches of the fraction; pairs of
  // neighbours go through the two-lane fraction.
  const double shapes[][2] = {{0.02, 0.05}, {0.25, 0.25}, {0.4, 1.3}, {1.0, 1.0},
                              {3.7, 0.9}, {30.0, 40.0}, {0.01, 20.0}, {151.0, 3.0}};
  for (const auto& s : shapes) {
    const double a = s[0], b = s[1], lb = lbeta_(a, b);
    const double sw = (a + 1) / (a + b + 2);
    IbetaKernel k(a, b, lb);
    for (int i = 0; i + 1 < 2049; i += 2) {
      const double x[2] = {(i * 0.999999998) / 2048 + 1e-9, ((i + 1) * 0.999999998) / 2048 + 1e-9};
      const double lx[2] = {std::log(x[0]), std::log(x[1])};
      const double l1x[2] = {std::log1p(-x[0]), std::log1p(-x[1])};
      const double want0 = ibeta_lb_(a, b, x[0], lb), want1 = ibeta_lb_(a, b, x[1], lb);
      ASSERT_EQ(bits(k.at(x[0], lx[0], l1x[0])), bits(want0)) << a << " " << b << " " << x[0];
      if ((x[0] < sw) != (x[1] < sw)) continue;
      double two[2];
      k.at2(x, lx, l1x, two);
      ASSERT_EQ(bits(two[0]), bits(want0)) << a << " " << b << " " << x[0];
      ASSERT_EQ(bits(two[1]), bits(want1)) << a << " " << b << " " << x[1];
    }
  }
}

// The inverse skips the bisection's evaluations of I that error bounds
// decide; it must return the literal bisection's bits for every input. The
// case count can be raised for a long offline run (NOXARA_INV_CASES).
TEST(Noxeq2IncBeta, FastInverseReturnsTheLiteralBisectionBits) {
  long long cases = 100000;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  cases = 20000;
#endif
  if (const char* env = std::getenv("NOXARA_INV_CASES")) cases = std::atoll(env);
  std::uint64_t s = 0x9e3779b97f4a7c15ULL;
  auto unif = [&s]() {
    s += 0x9e3779b97f4a7c15ULL;
    std::uint64_t z = s;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
  };
  // Shapes: near 0, moderate, large; probabilities: uniform, deep lower and
  // upper tails, and images I(x) of uniform x (values the grid produces).
  auto shape = [&]() {
    const double v = unif();
    if (v < 0.2) return std::pow(10.0, -4 + 3 * unif());
    if (v < 0.8) return std::pow(10.0, -1 + 1.7 * unif());
    return std::pow(10.0, 0.7 + 3.3 * unif());
  };
  // Four probabilities per shape share one kernel, as the points of one
  // vector call do (later ones start from earlier roots).
  long long mismatches = 0, evals = 0;
  double a = 1, b = 1, lb = 0;
  IbetaKernel k(a, b, lb);
  for (long long c = 0; c < cases; ++c) {
    if (c % 4 == 0) {
      a = shape();
      b = shape();
      lb = lbeta_(a, b);
      k = IbetaKernel(a, b, lb);
    }
    const double v = unif();
    double p;
    if (v < 0.35) {
      p = unif();
    } else if (v < 0.55) {
      p = std::pow(10.0, -300 * unif());
    } else if (v < 0.75) {
      p = 1 - std::pow(10.0, -17 * unif());
    } else {
      p = ibeta_lb_(a, b, unif(), lb);
    }
    const double fast = k.inverse(p);
    evals += k.last_evaluations();
    const double lit = ibeta_inv_literal_(a, b, p, lb);
    if (bits(fast) != bits(lit)) {
      if (++mismatches <= 5)
        ADD_FAILURE() << std::hexfloat << "a=" << a << " b=" << b << " p=" << p
                      << " fast=" << fast << " literal=" << lit;
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << cases;
  RecordProperty("cases", std::to_string(cases));
  RecordProperty("evaluations_per_case", std::to_string(cases ? evals / cases : 0));
  std::printf("fast inverse: %lld cases, %lld mismatches, %.2f exact evaluations per case\n",
              cases, mismatches, cases ? static_cast<double>(evals) / cases : 0.0);
}

// ---- quantile, distribution and density --------------------------------------

TEST(Noxeq2Family, QuantileAtOneIsTheBetaFunction) {
  const double pairs[][2] = {{-0.3, 0.7}, {-0.75, -0.75}, {0.0, 0.0}, {-0.9, -0.2}, {1.5, 2.0}};
  for (const auto& p : pairs) {
    const double B = beta_fn(1 + p[0], 1 + p[1]);
    EXPECT_NEAR(bc_q1(1.0, p[0], p[1]), B, 1e-14 * B);
    EXPECT_EQ(bc_q1(2.0, p[0], p[1]), bc_q1(1.0, p[0], p[1]));
    EXPECT_NEAR(bc_q1(0.5, p[0], p[0]), 0.5 * beta_fn(1 + p[0], 1 + p[0]), 1e-14);
    EXPECT_EQ(bc_q1(0.0, p[0], p[1]), 0.0);
    EXPECT_EQ(bc_q1(-3.0, p[0], p[1]), 0.0);
  }
}

TEST(Noxeq2Family, ClosedFormsForIntegerExponents) {
  const int n = 5;
  const double u[n] = {0.001, 0.2, 0.5, 0.7, 0.999};
  double out[n];
  const double z = 0, one = 1;
  noxeq2_bc_q(&n, u, &z, &z, out);  // Q(u) = u
  for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], u[i], 1e-15);
  noxeq2_bc_q(&n, u, &one, &z, out);  // Q(u) = u^2/2
  for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], u[i] * u[i] / 2, 1e-15);
  noxeq2_bc_q(&n, u, &z, &one, out);  // Q(u) = u - u^2/2
  for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], u[i] - u[i] * u[i] / 2, 1e-15);
  // uniform case: F(x) = x, density 1
  noxeq2_bc_cdf(&n, u, &z, &z, out);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], u[i], 1e-15);
  noxeq2_bc_pdf(&n, u, &z, &z, out);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], 1.0, 1e-15);
}

TEST(Noxeq2Family, DistributionFunctionInvertsTheQuantile) {
  const double pairs[][2] = {{-0.75, -0.75}, {-0.4, 0.3}, {0.5, -0.6}, {2.0, 1.0}};
  for (const auto& p : pairs) {
    for (double u : {0.02, 0.3, 0.5, 0.81}) {
      EXPECT_NEAR(bc_cdf1(bc_q1(u, p[0], p[1]), p[0], p[1]), u, 2e-15)
          << p[0] << " " << p[1] << " " << u;
    }
    // near the ends the density of I is small or large: looser, still tight
    for (double u : {1e-6, 0.999}) {
      EXPECT_NEAR(bc_cdf1(bc_q1(u, p[0], p[1]), p[0], p[1]), u, 1e-13)
          << p[0] << " " << p[1] << " " << u;
    }
    const double B = bc_q1(1.0, p[0], p[1]);
    EXPECT_EQ(bc_cdf1(0.0, p[0], p[1]), 0.0);
    EXPECT_EQ(bc_cdf1(-1.0, p[0], p[1]), 0.0);
    EXPECT_EQ(bc_cdf1(B, p[0], p[1]), 1.0);
    EXPECT_EQ(bc_cdf1(2 * B, p[0], p[1]), 1.0);
  }
}

TEST(Noxeq2Family, DensityIsTheSlopeOfTheDistributionFunction) {
  const double pairs[][2] = {{-0.75, -0.75}, {-0.4, 0.3}, {1.0, 0.5}};
  for (const auto& p : pairs) {
    const double B = bc_q1(1.0, p[0], p[1]);
    for (double t : {0.1, 0.45, 0.8}) {
      const double x = t * B, h = 1e-5 * B;
      const double slope = (bc_cdf1(x + h, p[0], p[1]) - bc_cdf1(x - h, p[0], p[1])) / (2 * h);
      const double f = bc_pdf1(x, p[0], p[1]);
      EXPECT_NEAR(f, slope, 1e-7 * f) << p[0] << " " << p[1] << " " << t;
    }
  }
}

TEST(Noxeq2Family, NonPositiveCountWritesNothing) {
  const double u[1] = {0.5};
  const double al = -0.3, be = 0.2;
  for (int n : {0, -4}) {
    double out[1] = {7.0};
    noxeq2_bc_q(&n, u, &al, &be, out);
    noxeq2_bc_cdf(&n, u, &al, &be, out);
    noxeq2_bc_pdf(&n, u, &al, &be, out);
    EXPECT_EQ(out[0], 7.0);
  }
}

// ---- mode, inflection point, balance ---------------------------------------

TEST(Noxeq2Readings, InflectionRootsSolveTheCurvatureEquation) {
  const double al = -0.75, be = -0.75;
  double sym[2];
  noxeq2_ub_quad(&al, &be, sym);
  EXPECT_EQ(sym[1], 0.5);
  EXPECT_NEAR(sym[0], 0.5 - std::sqrt(2.0) / 4, 1e-15);
  const double pairs[][2] = {{-0.75, -0.75}, {-0.6, -0.4}, {-0.8, -0.3}, {-0.7, -0.2}};
  for (const auto& p : pairs) {
    double out[2];
    noxeq2_ub_quad(&p[0], &p[1], out);
    ASSERT_TRUE(std::isfinite(out[0])) << p[0] << " " << p[1];
    EXPECT_GT(out[0], 0.0);
    EXPECT_LT(out[0], out[1]);
    EXPECT_NEAR(out[1], p[0] / (p[0] + p[1]), 1e-16);
    // residual relative to the size of its two terms
    const double g1 = p[0] / out[0] - p[1] / (1 - out[0]);
    EXPECT_NEAR(inflection_residual(p[0], p[1], out[0]), 0.0, 1e-12 * (2 * g1 * g1));
  }
}

TEST(Noxeq2Readings, NoInflectionLeftOfTheMode) {
  // alpha = beta = -1/2: the roots are exactly 0 and 1.
  const double al = -0.5, be = -0.5;
  double out[2];
  noxeq2_ub_quad(&al, &be, out);
  EXPECT_TRUE(std::isnan(out[0]));
  EXPECT_EQ(out[1], 0.5);
  EXPECT_TRUE(std::isnan(E1(al, be)));
  // -1/2 < alpha < 0: 2 g'^2 - g'' ~ alpha (2 alpha + 1)/u^2 < 0 near 0 and
  // stays negative up to the mode (u_c = 1/4); the positive root lies above it.
  const double al2 = -0.3, be2 = -0.9;
  noxeq2_ub_quad(&al2, &be2, out);
  EXPECT_TRUE(std::isnan(out[0]));
  EXPECT_NEAR(out[1], 0.25, 1e-16);
  EXPECT_LT(inflection_residual(al2, be2, 0.01), 0.0);
  EXPECT_LT(inflection_residual(al2, be2, 0.24), 0.0);
  EXPECT_TRUE(std::isnan(E1(al2, be2)));
}

TEST(Noxeq2Readings, BalanceChangesSignAtBstar) {
  const double al = -0.6;
  double bs;
  noxeq2_bstar(&al, &bs);
  ASSERT_TRUE(std::isfinite(bs));
  EXPECT_GT(bs, -0.999);
  EXPECT_LT(bs, 0.0);
  EXPECT_NEAR(E1(al, bs), 0.0, 1e-13);
  const double left = E1(al, bs - 1e-4), right = E1(al, bs + 1e-4);
  EXPECT_LT(left * right, 0.0);
}

TEST(Noxeq2Readings, NoBstarWhenTheBalanceKeepsItsSign) {
  const double al = -0.9;
  for (double be : {-0.99, -0.5, -0.1, -0.001}) {
    const double e = E1(al, be);
    if (std::isfinite(e)) {
      EXPECT_LT(e, 0.0) << be;
    }
  }
  double bs = 1.0;
  noxeq2_bstar(&al, &bs);
  EXPECT_TRUE(std::isnan(bs));
  const double nanal = std::nan("");
  noxeq2_bstar(&nanal, &bs);
  EXPECT_TRUE(std::isnan(bs));
}

// ---- agreement with the grid readings of the same kernel --------------------

namespace {

void grid_readings(double al, double be, double* r) {
  const int nth = 0, N = 20001;
  noxeq_readings(&al, &be, &nth, nullptr, &N, r);
}

}  // namespace

TEST(Noxeq2Readings, ClosedFormModeAndInflectionMatchTheGrid) {
  const double step = 0.99998 / 20000;
  const double pairs[][2] = {{-0.75, -0.75}, {-0.6, -0.4}, {-0.8, -0.3}};
  for (const auto& p : pairs) {
    double ub[2], r[5];
    noxeq2_ub_quad(&p[0], &p[1], ub);
    grid_readings(p[0], p[1], r);
    EXPECT_NEAR(r[3], ub[1], step) << p[0] << " " << p[1];
    EXPECT_NEAR(r[4], ub[0], step) << p[0] << " " << p[1];
  }
}

TEST(Noxeq2Readings, BalanceIsMinusTheGridReading) {
  // The grid snaps u_b and u_c to points 5e-5 apart; near the mode the
  // reading is flat in u_c, so the gap is at most about q(u_b) times a step.
  const double step = 0.99998 / 20000;
  const double pairs[][2] = {{-0.75, -0.75}, {-0.6, -0.4}, {-0.8, -0.3}, {-0.6, -0.9}};
  for (const auto& p : pairs) {
    double r[5];
    grid_readings(p[0], p[1], r);
    const double e = E1(p[0], p[1]);
    ASSERT_TRUE(std::isfinite(e)) << p[0] << " " << p[1];
    const double ub = r[4], qb = std::pow(ub, p[0]) * std::pow(1 - ub, p[1]);
    EXPECT_NEAR(e, -r[0], 1.05 * qb * step) << p[0] << " " << p[1];
  }
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(Noxeq2BadInput, FamilyMapsCountsAndNonFiniteArguments) {
  using namespace badin;
  const double v[4] = {0.0, 0.2, 0.5, 1.0};
  const double al = -0.5, be = -0.3;
  for (int n : {0, -1, INT_MIN}) {
    Out o(4);
    noxeq2_bc_q(&n, v, &al, &be, o.p());
    noxeq2_bc_cdf(&n, v, &al, &be, o.p());
    noxeq2_bc_pdf(&n, v, &al, &be, o.p());
    EXPECT_TRUE(o.untouched()) << n;
  }
  const int n = 4;
  using Fn = void (*)(const int*, const double*, const double*, const double*, double*);
  const Fn fns[3] = {noxeq2_bc_q, noxeq2_bc_cdf, noxeq2_bc_pdf};
  for (Fn fn : fns) {
    for (double bad : kNonFinite) {
      const double vb[4] = {bad, 0.2, bad, 1.0};
      for (int which = 0; which < 3; ++which) {
        const double a = which == 0 ? bad : al;
        const double b = which == 1 ? bad : be;
        Out o(4);
        fn(&n, which == 2 ? vb : v, &a, &b, o.p());
        EXPECT_TRUE(o.guards_intact()) << bad << " " << which;
        EXPECT_TRUE(o.all_written()) << bad << " " << which;
      }
    }
  }
}

TEST(Noxeq2BadInput, ReadingsBalanceAndSearchAtNonFiniteExponents) {
  using namespace badin;
  for (double bad : kNonFinite) {
    const double good = -0.5;
    for (int which = 0; which < 2; ++which) {
      const double a = which == 0 ? bad : good;
      const double b = which == 1 ? bad : good;
      Out u(2);
      noxeq2_ub_quad(&a, &b, u.p());
      EXPECT_TRUE(u.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(u.all_written()) << bad << " " << which;
      Out e(1);
      noxeq2_E(&a, &b, e.p());
      EXPECT_TRUE(e.guards_intact()) << bad << " " << which;
      EXPECT_TRUE(e.all_written()) << bad << " " << which;
    }
    // No beta can balance a curve whose alpha is not a number.
    Out s(1);
    noxeq2_bstar(&bad, s.p());
    EXPECT_TRUE(s.guards_intact()) << bad;
    if (std::isnan(bad)) {
      EXPECT_TRUE(std::isnan(s[0]));
    } else {
      EXPECT_TRUE(s.all_written()) << bad;
    }
  }
}
