#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "noxara.h"
#include "guarded_output.h"

namespace {

std::vector<double> icc(const std::vector<double>& y, const std::vector<int>& g, int ng) {
  const int n = static_cast<int>(y.size());
  std::vector<double> out(3, -1.0);
  noxvc_icc_oneway(y.data(), g.data(), &n, &ng, out.data());
  return out;
}

bool all_nan(const std::vector<double>& o) {
  return std::isnan(o[0]) && std::isnan(o[1]) && std::isnan(o[2]);
}

}  // namespace

TEST(NoxvcIcc, UnbalancedAnovaByHand) {
  // Groups {1,2,3}, {4,6}, {7,8,9,10}: means 2, 5, 8.5, grand mean 50/9.
  // SSB = 3(32/9)^2 + 2(5/9)^2 + 4(53/18)^2 = 659/9, SSW = 2 + 2 + 5 = 9,
  // MSB = 659/18, MSW = 9/6 = 3/2, n0 = (9 - 29/9)/2 = 26/9,
  // sigma_b^2 = (MSB - MSW)/n0 = 158/13, ICC = (158/13)/(158/13 + 3/2) = 316/355.
  // Observations are interleaved so the labels are not in order.
  const std::vector<double> y = {7, 1, 4, 8, 2, 9, 6, 3, 10};
  const std::vector<int> g = {2, 0, 1, 2, 0, 2, 1, 0, 2};
  const std::vector<double> o = icc(y, g, 3);
  EXPECT_NEAR(o[0], 316.0 / 355.0, 1e-14);
  EXPECT_NEAR(o[1], std::sqrt(1.5), 1e-14);
  EXPECT_NEAR(o[2], std::sqrt(158.0 / 13.0), 1e-13);
}

TEST(NoxvcIcc, NoBetweenVarianceAndConstantData) {
  // Equal group means: SSB = 0, the between component is clipped at 0.
  std::vector<double> o = icc({1, 3, 0, 4}, {0, 0, 1, 1}, 2);
  EXPECT_EQ(o[0], 0.0);
  EXPECT_EQ(o[2], 0.0);
  EXPECT_NEAR(o[1], std::sqrt(10.0 / 2.0), 1e-14);
  o = icc({2, 2, 2, 2, 2}, {0, 1, 0, 1, 1}, 2);  // no variance at all
  EXPECT_TRUE(std::isnan(o[0]));
  EXPECT_EQ(o[1], 0.0);
  EXPECT_EQ(o[2], 0.0);
}

TEST(NoxvcIcc, LargeGroupsKeepExactWeights) {
  // Two groups of 50000: values -1, +1 around 0 and around 10. The sum of
  // squared group sizes (5e9) exceeds an int. MSW = N/(N - 2), n0 = 50000,
  // MSB = SSB = 2 * 50000 * 5^2, sigma_b^2 = (MSB - MSW)/n0.
  const int half = 50000;
  std::vector<double> y;
  std::vector<int> g;
  for (int i = 0; i < 2 * half; ++i) {
    g.push_back(i / half);
    y.push_back(10.0 * (i / half) + (i % 2 ? 1.0 : -1.0));
  }
  const double N = 2.0 * half, msw = N / (N - 2.0), vb = (2.0 * half * 25.0 - msw) / half;
  const std::vector<double> o = icc(y, g, 2);
  EXPECT_NEAR(o[1], std::sqrt(msw), 1e-12);
  EXPECT_NEAR(o[2], std::sqrt(vb), 1e-10);
  EXPECT_NEAR(o[0], vb / (vb + msw), 1e-12);
}

TEST(NoxvcIcc, FailuresGiveThreeNaN) {
  const std::vector<double> y = {1, 2, 3, 4, 5, 6};
  EXPECT_TRUE(all_nan(icc(y, {0, 0, 0, 0, 0, 0}, 1)));      // one group
  EXPECT_TRUE(all_nan(icc({1, 2}, {0, 1}, 2)));             // N <= G
  EXPECT_TRUE(all_nan(icc(y, {0, 1, 0, 1, 2, 0}, 2)));      // label equal to ng
  EXPECT_TRUE(all_nan(icc(y, {0, 1, -1, 1, 0, 0}, 2)));     // negative label
  EXPECT_TRUE(all_nan(icc(y, {0, 2, 0, 2, 0, 2}, 3)));      // empty group 1
}

TEST(NoxvcLocus, DistancesToAPolyline) {
  // Polyline (0,0) - (4,0) - (4,3), with a repeated middle vertex.
  const double lh[] = {0, 4, 4, 4}, lk[] = {0, 0, 0, 3};
  const double h[] = {2, 4, 7, -3, 1, 7, 4}, k[] = {0, 1.5, 1, -4, 2, 7, 0};
  const int n = 7, nl = 4;
  double out[8];
  out[7] = 99.0;
  noxvc_locus_dist(h, k, &n, lh, lk, &nl, out);
  EXPECT_EQ(out[0], 0.0);   // on the first segment
  EXPECT_EQ(out[1], 0.0);   // on the last segment
  EXPECT_EQ(out[2], 3.0);   // perpendicular to the vertical segment
  EXPECT_EQ(out[3], 5.0);   // before the first vertex: 3-4-5 to (0,0)
  EXPECT_EQ(out[4], 2.0);   // above the first segment
  EXPECT_EQ(out[5], 5.0);   // beyond the last vertex (4,3)
  EXPECT_EQ(out[6], 0.0);   // on the repeated vertex
  EXPECT_EQ(out[7], 99.0);
}

TEST(NoxvcLocus, DegenerateLociAndPoints) {
  const double h[] = {3, NAN, 0}, k[] = {4, 1, INFINITY};
  const double lh[] = {0, 1}, lk[] = {0, 1};
  const int n = 3;
  double out[3] = {-1, -1, -1};
  int one = 1;
  noxvc_locus_dist(h, k, &n, lh, lk, &one, out);  // a single vertex
  EXPECT_EQ(out[0], 5.0);
  EXPECT_TRUE(std::isnan(out[1]) && std::isnan(out[2]));
  for (int nl : {0, -2}) {
    double o2[3] = {-1, -1, -1};
    noxvc_locus_dist(h, k, &n, lh, lk, &nl, o2);
    for (double v : o2) EXPECT_TRUE(std::isnan(v));
  }
  int zero = 0, two = 2;
  double o3 = -1.0;
  noxvc_locus_dist(h, k, &zero, lh, lk, &two, &o3);
  EXPECT_EQ(o3, -1.0);
}

// ---- bad input -------------------------------------------------------------
// Degenerate counts, non-finite scalars, NaN data and out-of-range options.
// Output arrays are framed by guard slots holding a sentinel, so a write
// outside the documented region shows; slots the routine must leave alone
// keep the sentinel too.


TEST(NoxvcBadInput, IccCountsLabelsAndNaN) {
  using namespace badin;
  const double y[6] = {1.0, 2.0, 1.5, 3.0, 3.5, 2.5};
  const int g[6] = {0, 0, 0, 1, 1, 1};
  // Fewer than two groups, or no more observations than groups: no fit.
  const int cases[][2] = {{6, 1}, {6, 0}, {6, -1}, {6, INT_MIN}, {6, INT_MAX},
                          {0, 2}, {-1, 2}, {INT_MIN, 2}, {2, 2}, {-5, -7}};
  for (const auto& c : cases) {
    Out o(3);
    noxvc_icc_oneway(y, g, &c[0], &c[1], o.p());
    EXPECT_TRUE(o.guards_intact()) << c[0] << " " << c[1];
    EXPECT_TRUE(o.all_nan()) << c[0] << " " << c[1];
  }
  // A label outside 0..ng-1 (either end, or far out) fails.
  for (int bad : {-1, 2, INT_MAX, INT_MIN}) {
    int gb[6] = {0, 0, 0, 1, 1, 1};
    gb[4] = bad;
    const int n = 6, ng = 2;
    Out o(3);
    noxvc_icc_oneway(y, gb, &n, &ng, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_nan()) << bad;
  }
  for (double bad : kNonFinite) {
    double yb[6] = {1.0, 2.0, 1.5, 3.0, 3.5, 2.5};
    yb[2] = bad;
    const int n = 6, ng = 2;
    Out o(3);
    noxvc_icc_oneway(yb, g, &n, &ng, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}

TEST(NoxvcBadInput, LocusCountsAndNonFinitePoints) {
  using namespace badin;
  const double h[3] = {0.0, 1.0, 2.0}, k[3] = {1.0, 0.5, -1.0};
  const double lh[3] = {0.0, 1.0, 2.0}, lk[3] = {0.0, 0.0, 1.0};
  for (int n : {0, -1, INT_MIN}) {
    const int nl = 3;
    Out o(3);
    noxvc_locus_dist(h, k, &n, lh, lk, &nl, o.p());
    EXPECT_TRUE(o.untouched()) << n;
  }
  // An empty polyline: no distance for any point.
  for (int nl : {0, -1, INT_MIN}) {
    const int n = 3;
    Out o(3);
    noxvc_locus_dist(h, k, &n, lh, lk, &nl, o.p());
    EXPECT_TRUE(o.guards_intact()) << nl;
    EXPECT_TRUE(o.all_nan()) << nl;
  }
  for (double bad : kNonFinite) {
    const double hb[3] = {0.0, bad, 2.0}, kb[3] = {bad, 0.5, -1.0};
    const int n = 3, nl = 3;
    Out o(3);
    noxvc_locus_dist(hb, kb, &n, lh, lk, &nl, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(std::isnan(o[0]) && std::isnan(o[1])) << bad;
    EXPECT_DOUBLE_EQ(o[2], std::sqrt(2.0)) << bad;  // (2, -1) to the vertex (1, 0)
    // A non-finite vertex: no crash, every point answered.
    const double lhb[3] = {0.0, bad, 2.0};
    o.reset();
    noxvc_locus_dist(h, k, &n, lhb, lk, &nl, o.p());
    EXPECT_TRUE(o.guards_intact()) << bad;
    EXPECT_TRUE(o.all_written()) << bad;
  }
}
