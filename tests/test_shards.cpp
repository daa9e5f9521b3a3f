// Replicate ranges: a run split into ranges, computed separately and
// reassembled, equals the one full call bit for bit, NaN rows included.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "guarded_output.h"
#include "noxara.h"

namespace {

using Vec = std::vector<double>;
using Split = std::vector<int>;  // counts of consecutive ranges

// Index of the first value whose bits differ, or -1.
long first_difference(const Vec& a, const Vec& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0) return static_cast<long>(i);
  return -1;
}

// One routine with a replicate (or grid) count: its range call writing into
// a caller array, the size of that output for a count, its full call, and
// how ranges (first, output) go back together into the full output.
struct Routine {
  std::string name;
  int B;  // size of the full run
  std::function<void(int count, int first, double* out)> range;
  std::function<std::size_t(int count)> size;
  std::function<Vec()> full;
  std::function<Vec(const std::vector<std::pair<int, Vec>>&)> reassemble;
  std::vector<Split> splits;
};

// Ranges in `ncol` columns of `count` rows, column by column.
std::function<Vec(const std::vector<std::pair<int, Vec>>&)> by_columns(int B, std::size_t ncol) {
  return [B, ncol](const std::vector<std::pair<int, Vec>>& parts) {
    const std::size_t b = static_cast<std::size_t>(B);
    Vec all(ncol * b, -1.0);
    for (const auto& part : parts) {
      const std::size_t c = part.second.size() / ncol;
      for (std::size_t col = 0; col < ncol; ++col)
        for (std::size_t j = 0; j < c; ++j)
          all[col * b + static_cast<std::size_t>(part.first) + j] = part.second[col * c + j];
    }
    return all;
  };
}

Vec run_range(const Routine& r, int count, int first) {
  Vec out(r.size(count), -2.0);
  r.range(count, first, out.data());
  return out;
}

// Data shared by the cases: a bc curve sample, a kappa-4 curve sample, a
// constrained table for the model-fit simulations, angles.
struct Data {
  double bth[6] = {1.0, 2.0, 0.0, 10.0, -0.65, -0.375};
  double cal[2] = {-0.95, -0.1}, cbe[2] = {-0.525, -0.1};
  int nc = 2;
  double alo = -0.9, ahi = -0.52;
  Vec bx, by;
  double kth[6] = {0.5, 2.0, 5.0, 1.5, 0.0, 0.0};
  double lh[2] = {-0.5, 0.5}, lk[2] = {-0.1, 0.1};
  int nl = 2;
  double hlo = -0.5, hhi = 0.5;
  double kp0[5] = {0.5, 0.6931471805599453, 5.0, 0.4054651081081644, 0.0};
  Vec kx, ky;
  // Model-fit simulation: a one-point table (no constrained curve, T fixed,
  // the fixed-shape statistics carry the replicates) and a two-point table
  // that the middle start reaches.
  double mcal[2] = {-0.6, -0.4}, mcbe[2] = {-0.45, -0.35};
  double malo = -0.85, mahi = -0.15, sde = 0.05;
  double th0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.4};
  double st5[3] = {0.0, 0.0, 0.0};
  double thref[12] = {0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5, -0.7};
  double theta[9] = {0.1, 0.5, 1.2, 2.0, 2.2, 3.9, 4.4, 5.0, 6.1};
  double cgrid[7] = {-0.12, -0.08, -0.04, 0.0, 0.04, 0.08, 0.12};
  std::vector<int> sizes = {9, 0, 6};

  Data() : bx(18), by(18), kx(20), ky(20) {
    for (int i = 0; i < 18; ++i) {
      bx[i] = -1.0 + 12.0 * i / 17.0;
      by[i] = 1.0 + 0.5 * std::sin(0.7 * i) + 0.1 * bx[i];
    }
    for (int i = 0; i < 20; ++i) {
      kx[i] = 1.0 + 12.0 * i / 19.0;
      ky[i] = kth[0] + kth[1] * k4_F(kx[i], kth[2], kth[3], kth[4], kth[5]) + 0.03 * std::cos(3.1 * i);
    }
  }
};

const Data& data() {
  static const Data d;
  return d;
}

// Splits of a run of B: the whole run, ranges of one, uneven ranges with an
// empty one among them.
std::vector<Split> splits_of(int B) {
  Split ones(static_cast<std::size_t>(B), 1);
  return {{B}, ones, {2, 0, B - 2}, {B - 1, 1}};
}

std::vector<Routine> routines() {
  const Data& d = data();
  std::vector<Routine> rs;
  auto cols = [](std::size_t k) { return [k](int c) { return k * static_cast<std::size_t>(c); }; };

  for (int n : {18, 1}) {  // n = 1: no block bootstrap, NaN rows
    const int B = 5, seed = 77, maxit = 20;
    rs.push_back({"bc_boot n=" + std::to_string(n), B,
                  [=, &d](int c, int f, double* o) {
                    noxeqfit_bc_boot_range(d.bx.data(), d.by.data(), &n, d.bth, &c, &f, &seed,
                                           &maxit, d.cal, d.cbe, &d.nc, &d.alo, &d.ahi, o);
                  },
                  cols(1),
                  [=, &d] {
                    Vec o(B);
                    noxeqfit_bc_boot(d.bx.data(), d.by.data(), &n, d.bth, &B, &seed, &maxit,
                                     d.cal, d.cbe, &d.nc, &d.alo, &d.ahi, o.data());
                    return o;
                  },
                  by_columns(B, 1), splits_of(B)});
  }
  {
    const int n = 20, B = 5, seed = -12, maxit = 30;
    rs.push_back({"k4eq_boot", B,
                  [=, &d](int c, int f, double* o) {
                    noxeqfit_k4eq_boot_range(d.kx.data(), d.ky.data(), &n, d.kth, d.kp0, &c, &f,
                                             &seed, &maxit, d.lh, d.lk, &d.nl, &d.hlo, &d.hhi, o);
                  },
                  cols(1),
                  [=, &d] {
                    Vec o(B);
                    noxeqfit_k4eq_boot(d.kx.data(), d.ky.data(), &n, d.kth, d.kp0, &B, &seed,
                                       &maxit, d.lh, d.lk, &d.nl, &d.hlo, &d.hhi, o.data());
                    return o;
                  },
                  by_columns(B, 1), splits_of(B)});
  }
  for (int N : {13, 1}) {  // one-point table; N = 1: no design, NaN rows
    const int B = 4, seed = INT_MAX - 1500, maxit = 2, nc = 1;
    rs.push_back({"msim N=" + std::to_string(N), B,
                  [=, &d](int c, int f, double* o) {
                    noxeqfit_msim_range(&N, &d.sde, &c, &f, &seed, d.th0, d.st5, &maxit, d.mcal,
                                        d.mcbe, &nc, &d.malo, &d.mahi, d.thref, o);
                  },
                  cols(8),
                  [=, &d] {
                    Vec o(8 * B);
                    noxeqfit_msim(&N, &d.sde, &B, &seed, d.th0, d.st5, &maxit, d.mcal, d.mcbe,
                                  &nc, &d.malo, &d.mahi, d.thref, o.data());
                    return o;
                  },
                  by_columns(B, 8), splits_of(B)});
  }
  {
    // The profile statistic itself: three costly replicates, fewer splits.
    const int N = 13, B = 3, seed = 3, maxit = 2, nc = 2;
    rs.push_back({"nullT", B,
                  [=, &d](int c, int f, double* o) {
                    noxeqfit_nullT_range(&N, &d.sde, &c, &f, &seed, d.th0, d.st5, &maxit, d.mcal,
                                         d.mcbe, &nc, &d.malo, &d.mahi, o);
                  },
                  cols(1),
                  [=, &d] {
                    Vec o(B);
                    noxeqfit_nullT(&N, &d.sde, &B, &seed, d.th0, d.st5, &maxit, d.mcal, d.mcbe,
                                   &nc, &d.malo, &d.mahi, o.data());
                    return o;
                  },
                  by_columns(B, 1), {{1, 1, 1}, {2, 1}}});
  }
  {
    // Size 0 in the middle: a NaN block between two fitted ones.
    const int B = 5, seed = INT_MAX - 3000, maxit = 15, nn = 3;
    const double a0 = 0.45, b0 = 0.8;
    rs.push_back({"estsim", B,
                  [=, &d](int c, int f, double* o) {
                    noxeqfit_estsim_range(&a0, &b0, &c, &f, d.sizes.data(), &nn, &seed, &maxit, o);
                  },
                  cols(6 * nn),
                  [=, &d] {
                    Vec o(6 * nn * B);
                    noxeqfit_estsim(&a0, &b0, &B, d.sizes.data(), &nn, &seed, &maxit, o.data());
                    return o;
                  },
                  by_columns(B, 6 * nn), splits_of(B)});
  }
  // Grouped arc-length and ungrouped resultant statistics; B < 0: NaN p-values.
  const struct { int stat, group, B; } cis[] = {{1, 4, 39}, {0, 0, 25}, {1, 0, -1}};
  for (const auto& ci : cis) {
    const int n = 9, ng = 7, seed = 5, st = ci.stat, k = ci.group, B = ci.B;
    const double lev = 0.4;
    rs.push_back({"exact_ci stat=" + std::to_string(st) + " B=" + std::to_string(B), ng,
                  [=, &d](int c, int f, double* o) {
                    noxc_exact_ci_range(d.theta, &n, &B, &seed, d.cgrid, &c, &f, &st, &k, &lev, o);
                  },
                  [](int c) { return static_cast<std::size_t>(c) + 3u; },
                  [=, &d] {
                    Vec o(ng + 3);
                    noxc_exact_ci(d.theta, &n, &B, &seed, d.cgrid, &ng, &st, &k, &lev, o.data());
                    return o;
                  },
                  [=, &d](const std::vector<std::pair<int, Vec>>& parts) {
                    Vec all(ng + 3, -1.0);
                    all[2] = parts.front().second[2];
                    for (const auto& p : parts)
                      std::copy(p.second.begin() + 3, p.second.end(), all.begin() + 3 + p.first);
                    noxc_exact_ci_combine(d.cgrid, &ng, &lev, all.data());
                    return all;
                  },
                  {{ng}, Split(ng, 1), {3, 0, 4}, {1, 5, 1}}});
  }
  for (int n : {9, 0}) {  // n = 0: no statistic
    const int B = 60, seed = -8;
    const double c3 = 0.05, mu = 0.3;
    rs.push_back({"gof n=" + std::to_string(n), B,
                  [=, &d](int c, int f, double* o) {
                    noxc_gof_range(d.theta, &n, &c3, &mu, &c, &f, &seed, o);
                  },
                  [](int c) { return static_cast<std::size_t>(c) + 2u; },
                  [=, &d] {
                    Vec o(2);
                    noxc_gof(d.theta, &n, &c3, &mu, &B, &seed, o.data());
                    return o;
                  },
                  // The documented reassembly of the p-value.
                  [B](const std::vector<std::pair<int, Vec>>& parts) {
                    double G = 0.0;
                    for (const auto& p : parts) G += p.second[1];
                    return Vec{parts.front().second[0], (G + 1.0) / (static_cast<double>(B) + 1.0)};
                  },
                  {{B}, Split(B, 1), {17, 0, 1, 42}}});
  }
  return rs;
}

TEST(ReplicateRanges, ReassembledRangesEqualTheFullCall) {
  for (const Routine& r : routines()) {
    const Vec full = r.full();
    std::map<std::pair<int, int>, Vec> done;  // (first, count) -> output
    for (const Split& split : r.splits) {
      std::vector<std::pair<int, Vec>> parts;
      int first = 0;
      for (int c : split) {
        auto it = done.find({first, c});
        if (it == done.end()) it = done.emplace(std::make_pair(first, c), run_range(r, c, first)).first;
        parts.emplace_back(first, it->second);
        first += c;
      }
      ASSERT_EQ(first, r.B) << r.name;
      EXPECT_EQ(first_difference(r.reassemble(parts), full), -1)
          << r.name << ", split of " << split.size();
    }
  }
}

TEST(ReplicateRanges, GofReplicateStatisticsFollowOneStream) {
  // Ranges start by advancing the stream: their statistics, concatenated,
  // are those of one range over the whole run, and a range far into the run
  // costs no more than its own replicates.
  const Data& d = data();
  const int n = 9, seed = 11, B = 23;
  const double c3 = -0.02, mu = 1.0;
  auto gof = [&](int c, int f) {
    Vec o(static_cast<std::size_t>(c) + 2u);
    noxc_gof_range(d.theta, &n, &c3, &mu, &c, &f, &seed, o.data());
    return Vec(o.begin() + 2, o.end());
  };
  const Vec whole = gof(B, 0);
  Vec joined = gof(5, 0);
  for (const Vec& part : {gof(1, 5), gof(10, 6), gof(7, 16)}) joined.insert(joined.end(), part.begin(), part.end());
  EXPECT_EQ(first_difference(joined, whole), -1);
}

TEST(ReplicateRanges, BadRangesStayInsideTheOutput) {
  for (const Routine& r : routines()) {
    // A negative count has no output: nothing is written.
    badin::Out none(8);
    r.range(-1, 0, none.p());
    EXPECT_TRUE(none.untouched()) << r.name;
    // A negative first index, or a range past INT_MAX: the count-sized
    // output is NaN, nothing beyond it is touched.
    const std::pair<int, int> bad[] = {{2, -1}, {1, INT_MIN}, {2, INT_MAX - 1}, {1, INT_MAX}};
    for (const auto& b : bad) {
      badin::Out o(r.size(b.first));
      r.range(b.first, b.second, o.p());
      EXPECT_TRUE(o.all_nan() && o.guards_intact()) << r.name << " first " << b.second;
    }
  }
}

}  // namespace
