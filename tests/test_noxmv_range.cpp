// Replicate ranges of the multi-method reading bootstrap: shards reassembled
// equal the one full call bit for bit.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "noxara.h"
#include "guarded_output.h"

namespace {

const double kBounds[4] = {-0.9, 0.9, 0.0, 1.0};

// 61 points: the odd-index half (30 points) is never fitted, and a NaN cut
// selects no points, so columns 5 and 7 are NaN in every row.
class NoxmvRange : public ::testing::Test {
 protected:
  static constexpr int kN = 61, kB = 5, kSeed = 23, kMaxit = 12;
  static std::vector<double> x, y, a, A;
  static void SetUpTestSuite() {
    x.resize(kN);
    y.resize(kN);
    for (int i = 0; i < kN; ++i) {
      x[i] = 10.0 * i / (kN - 1);
      y[i] = 0.5 + 2.0 * k4_F(x[i], 5.0, 1.0, 0.1, 0.4) +
             0.05 * std::sin(2.3 * i + 0.4) * std::cos(0.71 * i);
    }
    a.assign(8, 0.0);
    A.assign(8 * kB, 0.0);
    const int n = kN, B = kB, seed = kSeed, maxit = kMaxit;
    const double cutx = std::nan("");
    noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a.data(),
                  A.data());
  }
  static void range(int first, int count, double* a_pt, double* rows) {
    const int n = kN, seed = kSeed, maxit = kMaxit;
    const double cutx = std::nan("");
    noxk4_mv_boot_range(x.data(), y.data(), &n, &cutx, &count, &first, &seed, kBounds,
                        &maxit, a_pt, rows);
  }
};
std::vector<double> NoxmvRange::x, NoxmvRange::y, NoxmvRange::a, NoxmvRange::A;

TEST_F(NoxmvRange, ShardsReassembleTheFullCall) {
  // The full call has finite readings and NaN columns to reproduce.
  ASSERT_TRUE(std::isfinite(A[0]));
  ASSERT_TRUE(std::isnan(A[7]));
  const std::vector<std::vector<int>> splits = {
      {5}, {1, 1, 1, 1, 1}, {2, 3}, {4, 1}, {1, 0, 3, 1}};
  for (const auto& split : splits) {
    std::vector<double> got(8 * kB, 0.0);
    int first = 0;
    for (int c : split) {
      double a_pt[8] = {1, 1, 1, 1, 1, 1, 1, 1};
      range(first, c, a_pt, got.data() + 8 * static_cast<std::size_t>(first));
      for (double v : a_pt) EXPECT_TRUE(std::isnan(v));
      first += c;
    }
    ASSERT_EQ(first, kB);
    EXPECT_EQ(std::memcmp(got.data(), A.data(), A.size() * sizeof(double)), 0)
        << "split of " << split.size() << " shards";
  }
}

TEST_F(NoxmvRange, ReplicatesPastTheFullCallFollowTheSameStreams) {
  // Replicate 5 of a larger run, alone, and the same row inside a run of 6.
  const int n = kN, B = 6, seed = kSeed, maxit = kMaxit;
  const double cutx = std::nan("");
  std::vector<double> a6(8), A6(8 * 6);
  noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, kBounds, &maxit, a6.data(),
                A6.data());
  double a_pt[8], row[8];
  range(5, 1, a_pt, row);
  EXPECT_EQ(std::memcmp(row, A6.data() + 40, sizeof row), 0);
  EXPECT_EQ(std::memcmp(a6.data(), a.data(), 8 * sizeof(double)), 0);
}

TEST_F(NoxmvRange, BadRanges) {
  using namespace badin;
  // A negative count writes nothing.
  for (int c : {-1, INT_MIN}) {
    Out a_pt(8), rows(8);
    range(0, c, a_pt.p(), rows.p());
    EXPECT_TRUE(a_pt.untouched() && rows.untouched()) << c;
  }
  // A negative first replicate or a range past INT_MAX: the c rows are NaN.
  struct Case { int first, count; };
  for (const Case& k : {Case{-1, 2}, Case{INT_MIN, 1}, Case{INT_MAX, 1}, Case{INT_MAX - 1, 2},
                        Case{-3, 0}}) {
    Out a_pt(8), rows(8 * static_cast<std::size_t>(k.count));
    range(k.first, k.count, a_pt.p(), rows.p());
    EXPECT_TRUE(a_pt.guards_intact() && rows.guards_intact()) << k.first << " " << k.count;
    EXPECT_TRUE(a_pt.all_nan() && rows.all_nan()) << k.first << " " << k.count;
  }
  // The last representable replicate alone is a valid, empty-of-work range
  // only when the count is 0: a_pt NaN, no row.
  Out a_pt(8), rows(0);
  range(INT_MAX, 0, a_pt.p(), rows.p());
  EXPECT_TRUE(a_pt.all_nan() && rows.guards_intact());
}

}  // namespace
